// Item links and their collections: group breaks, user overrides, the recent-use order and what a short
// menu shows, loaded usage, accelerators and shortcuts.
#include "BarsTestSupport.h"

#include "platform/vcl/ActnList.h"
#include "platform/win/user/Keys.h"

using namespace bars;
using namespace barstest;

namespace {

class LinksTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        Manager = MakeManager();
        Links = std::make_unique<TxbBarItemLinks>(Manager, nullptr);
    }
    void TearDown() override {
        Links.reset();
        BarsFixture::TearDown();
    }
    // A link to a new item with the caption.
    TxbBarItemLink* AddLink(const std::string& caption = "") {
        auto* item = new TxbBarItem(Form);
        item->SetCaption(caption);
        TxbBarItemLink* link = Links->Add();
        link->SetItem(item);
        return link;
    }
    std::vector<TxbBarItemLink*> Recent() const {
        std::vector<TxbBarItemLink*> order;
        for (int32_t i = 0; i < Links->GetRecentCount(); ++i)
            order.push_back(Links->GetRecentItem(i));
        return order;
    }
    TxbBarManager* Manager = nullptr;
    std::unique_ptr<TxbBarItemLinks> Links;
};

TEST_F(LinksTest, AGroupBreakOfAHiddenLinkPassesToTheNextShownLink) {
    // Stored breaks and visibility of five links; the effective break of each.
    struct Case {
        std::vector<bool> Begin, Visible, Effective;
    };
    const Case cases[] = {
        {{false, true, false, false, false}, {true, false, true, true, true}, {false, true, true, false, false}},
        {{true, false, false, false, false}, {true, true, true, true, true}, {false, false, false, false, false}},
        {{true, false, false, false, false}, {false, true, true, true, true}, {true, false, false, false, false}},
        {{false, false, true, true, false}, {true, true, false, false, true}, {false, false, true, true, true}},
    };
    for (const Case& c : cases) {
        Links->Clear();
        std::vector<TxbBarItemLink*> links;
        for (size_t i = 0; i < 5; ++i) {
            links.push_back(AddLink());
            links[i]->SetBeginGroup(c.Begin[i]);
            links[i]->SetVisible(c.Visible[i]);
        }
        for (size_t i = 0; i < 5; ++i)
            if (c.Visible[i])
                EXPECT_EQ(links[i]->GetBeginGroup(), c.Effective[i]) << i;
    }
}

TEST_F(LinksTest, UserOverrides) {
    TxbBarItemLink* link = AddLink("&Open");
    EXPECT_EQ(link->GetCaption(), "&Open");
    link->SetUserWidth(5);
    EXPECT_EQ(link->GetUserWidth(), 20);
    EXPECT_TRUE(link->GetUserDefine().Contains(udWidth));
    link->SetUserCaption("Mine");
    link->SetUserPaintStyle(psCaptionGlyph);
    EXPECT_EQ(link->GetCaption(), "Mine");
    EXPECT_EQ(link->GetPaintStyle(), psCaptionGlyph);
    // Removing bits clears their overrides; the others stay.
    link->SetUserDefine(TxbBarUserDefines{udWidth});
    EXPECT_EQ(link->GetUserCaption(), "");
    EXPECT_EQ(link->GetCaption(), "&Open");
    EXPECT_EQ(link->GetUserPaintStyle(), psStandard);
    EXPECT_EQ(link->GetUserWidth(), 20);
    link->SetUserDefine({});
    EXPECT_EQ(link->GetUserWidth(), 0);
    EXPECT_EQ(link->GetWidth(), 0);
}

TEST_F(LinksTest, CalcRecentItemCount) {
    std::vector<TxbBarItemLink*> links;
    for (int i = 0; i < 4; ++i)
        links.push_back(AddLink());
    // Never used (equal counts): every link shows.
    EXPECT_EQ(Links->CalcRecentItemCount(), -1);
    // Recent order (front first) 3, 1, 0, 2 with counts 30, 25, 20, 20.
    links[0]->SetUseCount(20);
    links[2]->SetUseCount(20);
    links[1]->SetUseCount(25);
    links[3]->SetUseCount(30);
    for (int i : {2, 0, 1, 3})
        links[size_t(i)]->MoveToRecentFront(false);
    ASSERT_EQ(Recent(), (std::vector<TxbBarItemLink*>{links[3], links[1], links[0], links[2]}));
    struct Case {
        uint8_t Percents;
        int32_t Count;
    };
    // 95: offset MulDiv(10, 5, 100) = 1 (rounded), threshold 21: positions 0 and 1 qualify -> 2.
    // 100: offset 0, threshold 20: all four qualify -> -1. 0: threshold 30 -> 1. 50: 25 -> 2. 60: 24 -> 2.
    for (Case c : {Case{95, 2}, Case{100, -1}, Case{0, 1}, Case{50, 2}, Case{60, 2}}) {
        Manager->SetMostRecentItemsPercents(c.Percents);
        EXPECT_EQ(Links->CalcRecentItemCount(), c.Count) << int(c.Percents);
    }
    // The standard style shows every link.
    Manager->SetStyle(bmsStandard);
    EXPECT_EQ(Links->CalcRecentItemCount(), -1);
}

TEST_F(LinksTest, ShortMenusShowTheFrontOfTheRecentOrderInCollectionOrder) {
    std::vector<TxbBarItemLink*> links;
    for (int i = 0; i < 4; ++i)
        links.push_back(AddLink());
    links[2]->MoveToRecentFront(true);
    links[0]->MoveToRecentFront(true);
    Links->SetRecentItemCount(2);
    ASSERT_EQ(Links->GetShownItemCount(), 2);
    EXPECT_EQ(Links->GetShownItem(0), links[0]);
    EXPECT_EQ(Links->GetShownItem(1), links[2]);
    Links->SetRecentItemCount(0);
    EXPECT_EQ(Links->GetShownItemCount(), 0);
    EXPECT_EQ(Links->GetVisibleItemCount(), 4);
    Links->RestoreRecentItemCount();
    EXPECT_EQ(Links->GetShownItemCount(), 2);
    Manager->SetStyle(bmsStandard);
    Links->SetRecentItemCount(1);
    EXPECT_EQ(Links->GetShownItemCount(), 4);
}

TEST_F(LinksTest, LoadedStateCopiedUsageAndPacking) {
    std::vector<TxbBarItemLink*> links;
    for (int i = 0; i < 4; ++i)
        links.push_back(AddLink());
    links[1]->SetMostRecentlyUsed(false);
    links[3]->SetPendingRecent(0, 7);
    links[0]->SetPendingRecent(1, 9);
    links[2]->SetPendingVisible(false);
    Links->ApplyLoadedState(true);
    EXPECT_FALSE(links[2]->GetVisible());
    EXPECT_EQ(links[1]->GetUseCount(), 0);
    EXPECT_EQ(links[3]->GetUseCount(), 7);
    EXPECT_EQ(links[0]->GetUseCount(), 9);
    // Usage reset (link 1 is not most recently used: behind), the hidden link moved last, then the stored
    // positions.
    EXPECT_EQ(Recent(), (std::vector<TxbBarItemLink*>{links[3], links[0], links[1], links[2]}));
    EXPECT_EQ(links[3]->GetPendingRecentIndex(), -1);

    // Packing puts the visible links before the hidden ones, each keeping its order.
    Links->MoveInRecent(links[2], 0);
    Links->PackRecentOrder();
    EXPECT_EQ(Recent(), (std::vector<TxbBarItemLink*>{links[3], links[0], links[1], links[2]}));

    // Copying usage takes the other collection's MostRecentlyUsed link by link.
    TxbBarItemLinks other(Manager, nullptr);
    for (int i = 0; i < 4; ++i)
        other.Add()->SetItem(links[size_t(i)]->GetItem());
    other.GetItem(3)->SetMostRecentlyUsed(false);
    Links->CopyUsageFrom(&other);
    EXPECT_TRUE(links[1]->GetMostRecentlyUsed());
    EXPECT_FALSE(links[3]->GetMostRecentlyUsed());
    EXPECT_EQ(links[3]->GetUseCount(), 0);
    EXPECT_EQ(links[1]->GetUseCount(), Manager->GetRecentItemMinCount());
    EXPECT_EQ(Recent().back(), links[2]); // hidden, packed behind
}

TEST_F(LinksTest, AcceleratorsFindLinksInTurn) {
    using vcl::ssShift;
    TxbBarItemLink* file = AddLink("&File");
    TxbBarItemLink* upper = AddLink("Save &All");
    TxbBarItemLink* fish = AddLink("Fish && Chips &Cod");
    TxbBarItemLink* digit = AddLink("Recent &1");
    TxbBarItemLink* literal = AddLink("A&&B");
    TxbBarItemLink* lower = AddLink("&find");
    (void)literal;
    struct Case {
        uint16_t Key;
        vcl::TShiftState Shift;
        TxbBarItemLink* Found;
    };
    const Case cases[] = {
        {'A', {}, upper},
        {'A', vcl::TShiftState{ssShift}, upper},      // upper-case accelerator: Shift is ignored
        {'A', vcl::TShiftState{vcl::ssAlt}, upper},   // Alt is removed
        {'C', {}, fish},                              // after a doubled ampersand
        {'1', {}, digit},
        {'1', vcl::TShiftState{ssShift}, nullptr},    // a digit takes no shift
        {'B', {}, nullptr},                           // "&&" is no accelerator
        {'F', vcl::TShiftState{ssShift}, file},       // only File's upper-case F answers, not find's f
        {'Q', {}, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Links->FindAccelLink(c.Key, c.Shift, nullptr), c.Found) << char(c.Key);
    // Two links sharing a letter come in turn; the start link is examined last. Without a start link the
    // first link is examined first.
    EXPECT_EQ(Links->FindAccelLink('F', {}, nullptr), file);
    EXPECT_EQ(Links->FindAccelLink('F', {}, file), lower);
    EXPECT_EQ(Links->FindAccelLink('F', {}, lower), file);
    // A disabled item is not selected by its accelerator.
    lower->GetItem()->SetEnabled(false);
    EXPECT_EQ(Links->FindAccelLink('F', {}, file), file);
}

TEST_F(LinksTest, ShortcutsRunTheFirstEnabledItemAndLeaveTheFormsOwnActionsAlone) {
    const vcl::TShortCut ctrlS = vcl::ShortCut('S', vcl::TShiftState{vcl::ssCtrl});
    TxbBarItemLink* disabled = AddLink("Disabled");
    TxbBarItemLink* enabled = AddLink("Enabled");
    std::vector<std::string> ran;
    for (TxbBarItemLink* link : {disabled, enabled}) {
        link->GetItem()->SetShortCut(ctrlS);
        link->GetItem()->OnClick = [&ran](vcl::TObject* sender) {
            ran.push_back(static_cast<TxbBarItem*>(sender)->GetCaption());
        };
    }
    disabled->GetItem()->SetEnabled(false);
    EXPECT_FALSE(Links->ExecuteShortCut(0));
    EXPECT_TRUE(Links->ExecuteShortCut(ctrlS));
    EXPECT_EQ(ran, std::vector<std::string>{"Enabled"});
    EXPECT_FALSE(Links->ExecuteShortCut(vcl::ShortCut('Q', vcl::TShiftState{vcl::ssCtrl})));

    // An action of the form's own action list with the same shortcut: the action list handles it.
    auto* list = new vcl::TActionList(Form);
    auto* action = new vcl::TAction(Form);
    action->SetActionList(list);
    action->SetShortCut(vcl::ShortCut('O', vcl::TShiftState{vcl::ssCtrl}));
    int executed = 0;
    action->SetOnExecute([&executed](vcl::TObject*) { ++executed; });
    TxbBarItemLink* bound = AddLink();
    bound->GetItem()->SetAction(action);
    EXPECT_EQ(bound->GetItem()->GetShortCut(), action->GetShortCut());
    EXPECT_FALSE(Links->ExecuteShortCut(action->GetShortCut()));
    EXPECT_EQ(executed, 0);
    // An action owned elsewhere is run through the item.
    vcl::TComponent elsewhere(nullptr);
    auto* foreign = new vcl::TAction(&elsewhere);
    foreign->SetShortCut(vcl::ShortCut('P', vcl::TShiftState{vcl::ssCtrl}));
    foreign->SetOnExecute([&executed](vcl::TObject*) { executed += 10; });
    TxbBarItemLink* other = AddLink();
    other->GetItem()->SetAction(foreign);
    EXPECT_TRUE(Links->ExecuteShortCut(foreign->GetShortCut()));
    EXPECT_EQ(executed, 10);
    other->GetItem()->SetAction(nullptr);
}

TEST_F(LinksTest, NewLinksStartAtTheMinimumCountAndLeaveCleanly) {
    std::vector<TxbBarItemLink*> added, deleted;
    Manager->OnItemLinkAdd = [&](vcl::TObject*, TxbBarItemLink* l) { added.push_back(l); };
    Manager->OnItemLinkDelete = [&](vcl::TObject*, TxbBarItemLink* l) { deleted.push_back(l); };
    TxbBarItemLink* link = AddLink();
    EXPECT_EQ(added, std::vector<TxbBarItemLink*>{link});
    EXPECT_EQ(link->GetUseCount(), 20);
    TxbBarItem* item = link->GetItem();
    EXPECT_EQ(item->GetLink(0), link);
    EXPECT_EQ(item->GetLink(-1), nullptr);
    EXPECT_EQ(item->GetLink(1), nullptr);
    // Clearing the item frees the link.
    link->SetItem(nullptr);
    EXPECT_EQ(deleted, std::vector<TxbBarItemLink*>{link});
    EXPECT_EQ(Links->GetCount(), 0);
    EXPECT_EQ(item->GetLinkCount(), 0);
    EXPECT_EQ(Links->GetRecentCount(), 0);
    // Freeing the item frees its links.
    TxbBarItemLink* second = AddLink();
    delete second->GetItem();
    EXPECT_EQ(Links->GetCount(), 0);
    EXPECT_EQ(Links->GetVisibleItemCount(), 0);
}

} // namespace

namespace {

class LinkChangesTest : public LinksTest {};

TEST_F(LinkChangesTest, AnItemsVisibilityMovesItsLinksInTheRecentOrder) {
    TxbBarItemLink* a = AddLink("A");
    TxbBarItemLink* b = AddLink("B");
    TxbBarItemLink* c = AddLink("C");
    TxbBarItemLinks second(Manager, nullptr);
    TxbBarItemLink* elsewhere = second.Add();
    elsewhere->SetItem(a->GetItem());
    second.Add()->SetItem(b->GetItem());
    ASSERT_EQ(Recent(), (std::vector<TxbBarItemLink*>{a, b, c}));
    a->GetItem()->SetVisible(ivNever);
    EXPECT_EQ(Recent(), (std::vector<TxbBarItemLink*>{b, c, a}));
    EXPECT_EQ(Links->GetVisibleItemCount(), 2);
    EXPECT_EQ(second.GetRecentItem(1), elsewhere); // every link of the item moves
    EXPECT_EQ(second.GetVisibleItemCount(), 1);
    a->GetItem()->SetVisible(ivAlways);
    EXPECT_EQ(Recent(), (std::vector<TxbBarItemLink*>{a, b, c}));
    EXPECT_EQ(Links->GetVisibleItemCount(), 3);
    EXPECT_EQ(second.GetRecentItem(0), elsewhere);
}

TEST_F(LinkChangesTest, AssigningCopiesTheLinksWithTheirEffectiveBreaks) {
    TxbBarItemLink* a = AddLink("A");
    TxbBarItemLink* hidden = AddLink("Hidden");
    TxbBarItemLink* c = AddLink("C");
    hidden->SetBeginGroup(true);
    hidden->SetVisible(false);
    a->SetUserCaption("Mine");
    a->Data = 42;
    std::vector<TxbBarItemLink*> changed;
    Manager->OnItemLinkChange = [&](vcl::TObject*, TxbBarItemLink* l) { changed.push_back(l); };
    TxbBarItemLinks copy(Manager, nullptr);
    copy.Assign(Links.get());
    ASSERT_EQ(copy.GetCount(), 3);
    EXPECT_EQ(copy.GetItem(0)->GetItem(), a->GetItem());
    EXPECT_EQ(copy.GetItem(0)->GetCaption(), "Mine");
    EXPECT_EQ(copy.GetItem(0)->Data, 42);
    // The break the hidden link gave to C is C's own in the copy; the hidden link stays hidden.
    EXPECT_FALSE(copy.GetItem(1)->GetVisible());
    EXPECT_TRUE(copy.GetItem(2)->GetStoredBeginGroup());
    EXPECT_TRUE(copy.GetItem(2)->GetBeginGroup());
    EXPECT_FALSE(changed.empty());
    (void)c;
    // Every change of the collection reaches its change callback and marks the manager changed.
    int notified = 0;
    copy.OnChange = [&notified](TxbBarItemLinks*) { ++notified; };
    Manager->SetChanged(false);
    copy.GetItem(0)->SetBeginGroup(true);
    copy.Delete(1);
    EXPECT_GE(notified, 1);
    EXPECT_TRUE(Manager->GetChanged());
    EXPECT_EQ(copy.GetVisibleItemCount(), 2);
}

} // namespace

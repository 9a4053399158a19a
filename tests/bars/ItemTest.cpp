// The bar item: the click chain, captions and hints, enabling while customizing, actions and bad input.
#include "BarsTestSupport.h"

#include "platform/vcl/ActnList.h"
#include "platform/vcl/Exceptions.h"

#include <stdexcept>

using namespace bars;
using namespace barstest;

namespace {

class ItemTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        Manager = MakeManager();
        vcl::Application->OnException = [this](vcl::TObject*, const std::exception& e) {
            Reported.push_back(e.what());
        };
    }
    TxbBarManager* Manager = nullptr;
    std::vector<std::string> Reported;
};

TEST_F(ItemTest, TheManagersEventRunsBeforeTheItemsAndADisabledItemRunsNeither) {
    auto* item = new TxbBarItem(Form);
    std::vector<std::string> calls;
    Manager->OnClickItem = [&](vcl::TObject* sender, TxbBarItem* clicked) {
        EXPECT_EQ(sender, Manager);
        EXPECT_EQ(clicked, item);
        calls.push_back("manager");
    };
    item->OnClick = [&](vcl::TObject* sender) {
        EXPECT_EQ(sender, item);
        calls.push_back("item");
    };
    item->Click();
    EXPECT_EQ(calls, (std::vector<std::string>{"manager", "item"}));
    calls.clear();
    item->SetEnabled(false);
    item->Click();
    EXPECT_TRUE(calls.empty());
}

TEST_F(ItemTest, AnExceptionReachesTheApplicationAndTheItemStaysUsable) {
    auto* item = new TxbBarItem(Form);
    int clicks = 0;
    item->OnClick = [&](vcl::TObject*) {
        if (++clicks == 1)
            throw std::runtime_error("broken handler");
    };
    EXPECT_NO_THROW(item->Click());
    EXPECT_EQ(Reported, std::vector<std::string>{"broken handler"});
    // The manager's handler throwing stops the chain before OnClick.
    Manager->OnClickItem = [](vcl::TObject*, TxbBarItem*) { throw vcl::Exception("manager failed"); };
    item->Click();
    EXPECT_EQ(clicks, 1);
    Manager->OnClickItem = nullptr;
    item->Click();
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(Reported.size(), 2u);
}

TEST_F(ItemTest, HandlersMayFreeTheirItemOrTheManager) {
    auto* item = new TxbBarItem(Form);
    bool destroyed = false;
    item->OnDestroy = [&](vcl::TObject*) { destroyed = true; };
    // The manager's handler frees the item: OnClick does not run on freed memory.
    int clicks = 0;
    item->OnClick = [&](vcl::TObject*) { ++clicks; };
    Manager->OnClickItem = [](vcl::TObject*, TxbBarItem* clicked) { clicked->Free(); };
    item->Click();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(Manager->GetItemCount(), 0);

    // OnClick frees the item.
    Manager->OnClickItem = nullptr;
    auto* second = new TxbBarItem(Form);
    second->OnClick = [](vcl::TObject* sender) { static_cast<TxbBarItem*>(sender)->Free(); };
    second->Click();
    EXPECT_EQ(Manager->GetItemCount(), 0);

    // OnClick frees the manager, which frees its items.
    auto* third = new TxbBarItem(Form);
    TxbBarItemLinks links(Manager, nullptr);
    links.Add()->SetItem(third);
    third->OnClick = [this](vcl::TObject*) { FreeAndNil(Manager); };
    third->Click();
    EXPECT_EQ(Manager, nullptr);
    EXPECT_EQ(BarManagerList()->GetCount(), 0);
    EXPECT_EQ(links.GetCount(), 0);
}

TEST_F(ItemTest, TheHintFollowsTheCaptionWhileItsShortPartDid) {
    struct Case {
        const char* OldCaption;
        const char* Hint;
        const char* NewCaption;
        const char* HintAfter;
    };
    const Case cases[] = {
        {"&Open...", "Open|Opens a file", "&Load...", "Load|Opens a file"},
        {"&Open...", "Open", "&Load", "Load"},
        {"&Open...", "Something else|Long", "&Load", "Something else|Long"},
        {"&Open...", "", "Sa&ve", "Save"},
        {"", "", "Exit", "Exit"},
        {"A&&B", "A&B", "C", "C"}, // the first ampersand goes, the literal one stays
    };
    for (const Case& c : cases) {
        auto* item = new TxbBarItem(Form);
        item->SetCaption(c.OldCaption);
        item->SetHint(c.Hint);
        item->SetCaption(c.NewCaption);
        EXPECT_EQ(item->GetHint(), c.HintAfter) << c.OldCaption << " -> " << c.NewCaption;
        delete item;
    }
    EXPECT_EQ(TxbBarItem::PlainCaption("&Save As..."), "Save As");
    EXPECT_EQ(TxbBarItem::PlainCaption("Fish && Chips"), "Fish & Chips");
}

TEST_F(ItemTest, CategorizedItemsReadEnabledWhileCustomizingAtRunTime) {
    auto* categorized = new TxbBarItem(Form);
    categorized->SetCategory(0);
    categorized->SetEnabled(false);
    auto* internal = new TxbBarItem(Form);
    internal->SetEnabled(false);
    Manager->SetCustomizing(true);
    EXPECT_TRUE(categorized->GetEnabled());
    EXPECT_FALSE(internal->GetEnabled());
    Manager->SetCustomizing(false);
    EXPECT_FALSE(categorized->GetEnabled());
}

TEST_F(ItemTest, AvailabilityFollowsVisibleAndCustomizing) {
    auto* item = new TxbBarItem(Form);
    EXPECT_TRUE(item->IsAvailable());
    item->SetVisible(ivInCustomizing);
    EXPECT_FALSE(item->IsAvailable());
    Manager->SetCustomizing(true);
    EXPECT_TRUE(item->IsAvailable());
    item->SetVisible(ivNever);
    EXPECT_FALSE(item->IsAvailable());
}

TEST_F(ItemTest, ActionsFillOnlyDefaultValuesWhenCheckingDefaults) {
    vcl::TAction action(Form);
    action.SetCaption("Action caption");
    action.SetHint("Action hint");
    action.SetShortCut(vcl::ShortCut('N', vcl::TShiftState{vcl::ssCtrl}));
    auto* item = new TxbBarItem(Form);
    item->SetCaption("Own caption");
    item->ActionChange(&action, true);
    EXPECT_EQ(item->GetCaption(), "Own caption");
    EXPECT_EQ(item->GetHint(), "Own caption"); // it followed the caption: no longer a default
    EXPECT_EQ(item->GetShortCut(), action.GetShortCut());
    item->ActionChange(&action, false);
    EXPECT_EQ(item->GetCaption(), "Action caption");
    item->SetAction(nullptr);
}

TEST_F(ItemTest, AnOnClickEqualToTheActionsRunsTheAction) {
    vcl::TAction action(Form);
    int runs = 0;
    action.OnUpdate = [](vcl::TObject*) {};
    action.SetOnExecute([&runs](vcl::TObject*) { ++runs; });
    auto* item = new TxbBarItem(Form);
    item->SetAction(&action);
    item->Click();
    EXPECT_EQ(runs, 1);
    // The action's own checks apply: a disabled action does not run.
    action.SetEnabled(false);
    item->SetEnabled(true);
    item->Click();
    EXPECT_EQ(runs, 1);
    // A handler of the item's own runs instead of the action.
    int own = 0;
    item->OnClick = [&own](vcl::TObject*) { ++own; };
    item->Click();
    EXPECT_EQ(own, 1);
    EXPECT_EQ(runs, 1);
    item->SetAction(nullptr);
}

TEST_F(ItemTest, BadInputIsIgnored) {
    auto* item = new TxbBarItem(Form);
    item->SetCategory(0);
    for (int32_t bad : {-1, 1, 100})
        item->SetCategory(bad);
    EXPECT_EQ(item->GetCategory(), 0);
    EXPECT_EQ(item->GetLink(-1), nullptr);
    EXPECT_EQ(item->GetLink(0), nullptr);
    EXPECT_EQ(Manager->GetItem(-1), nullptr);
    EXPECT_EQ(Manager->GetItem(1), nullptr);
    // An item without a manager (none on the form, none in the process) still clicks.
    delete Manager;
    Manager = nullptr;
    auto* orphan = new TxbBarItem(Form);
    EXPECT_EQ(orphan->GetBarManager(), nullptr);
    int clicks = 0;
    orphan->OnClick = [&clicks](vcl::TObject*) { ++clicks; };
    orphan->Click();
    EXPECT_EQ(clicks, 1);
}

} // namespace

// Button and sub-menu items: check groups, styles, accelerators, detaching bars, recursion and shortcuts.
#include "BarsTestSupport.h"

#include "platform/vcl/Exceptions.h"

using namespace bars;
using namespace barstest;

namespace {

class ButtonTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        Manager = MakeManager();
    }
    TxbBarButton* MakeButton(TxbBarButtonStyle style, int32_t group) {
        auto* button = new TxbBarButton(Form);
        button->SetButtonStyle(style);
        button->SetGroupIndex(group);
        return button;
    }
    TxbBarManager* Manager = nullptr;
};

std::vector<bool> DownStates(const std::vector<TxbBarButton*>& buttons) {
    std::vector<bool> states;
    for (TxbBarButton* b : buttons)
        states.push_back(b->GetDown());
    return states;
}

TEST_F(ButtonTest, CheckedButtonsOfAGroupGoDownOneAtATime) {
    for (bool allowAllUp : {false, true}) {
        std::vector<TxbBarButton*> group;
        for (int i = 0; i < 3; ++i)
            group.push_back(MakeButton(bsChecked, 1));
        group[0]->SetAllowAllUp(allowAllUp);
        // The value reaches every button of the group.
        EXPECT_EQ(group[2]->GetAllowAllUp(), allowAllUp);
        group[0]->Click();
        EXPECT_EQ(DownStates(group), (std::vector<bool>{true, false, false}));
        group[1]->Click();
        EXPECT_EQ(DownStates(group), (std::vector<bool>{false, true, false}));
        // Clicking the down button: kept down without AllowAllUp, raised with it.
        group[1]->Click();
        EXPECT_EQ(DownStates(group), (std::vector<bool>{false, !allowAllUp, false})) << allowAllUp;
        for (TxbBarButton* b : group)
            b->Free();
    }
}

TEST_F(ButtonTest, StyleRulesForDownAndGroupIndex) {
    TxbBarButton* plain = MakeButton(bsDefault, 0);
    plain->SetDown(true);
    EXPECT_FALSE(plain->GetDown());
    plain->SetGroupIndex(4);
    EXPECT_EQ(plain->GetGroupIndex(), 0);
    TxbBarButton* dropDown = MakeButton(bsDropDown, 0);
    dropDown->SetDown(true);
    EXPECT_FALSE(dropDown->GetDown());

    TxbBarButton* check = MakeButton(bsChecked, 0);
    check->SetDown(true);
    EXPECT_TRUE(check->GetDown());
    // A style change releases Down.
    check->SetButtonStyle(bsDefault);
    EXPECT_FALSE(check->GetDown());
}

TEST_F(ButtonTest, AcceleratorsSelectToolbarButtonsOnlyWhenTheirCaptionShows) {
    TxbBar* bar = Manager->GetBars()->Add();
    auto* sub = new TxbBarSubItem(Form);
    TxbBarButton* button = MakeButton(bsDefault, 0);
    button->SetCaption("&Open");
    TxbBarItemLink* onToolbar = bar->GetItemLinks()->Add();
    onToolbar->SetItem(button);
    TxbBarItemLink* inMenu = sub->GetItemLinks()->Add();
    inMenu->SetItem(button);
    EXPECT_FALSE(button->CanSelectByAccel(onToolbar)); // glyph only
    EXPECT_TRUE(button->CanSelectByAccel(inMenu));
    button->SetPaintStyle(psCaptionGlyph);
    EXPECT_TRUE(button->CanSelectByAccel(onToolbar));
    EXPECT_EQ(onToolbar->GetPaintStyle(), psCaptionGlyph);
    button->SetEnabled(false);
    EXPECT_FALSE(button->CanSelectByAccel(inMenu));
}

TEST_F(ButtonTest, BarSizeAndDetachingBarKeepToValidValues) {
    auto* sub = new TxbBarSubItem(Form);
    sub->SetBarSize(-5);
    EXPECT_EQ(sub->GetBarSize(), 0);
    for (int i = 0; i < 3; ++i)
        Manager->GetBars()->Add();
    sub->SetDetachingBar(7);
    EXPECT_EQ(sub->GetDetachingBar(), -1);
    sub->SetDetachingBar(-4);
    EXPECT_EQ(sub->GetDetachingBar(), -1);
    sub->SetDetachingBar(2);
    EXPECT_EQ(sub->GetDetachingBar(), 2);
    // Deleting a bar before it moves the index; deleting the detaching bar resets it.
    delete Manager->GetBars()->GetItem(0);
    EXPECT_EQ(sub->GetDetachingBar(), 1);
    delete Manager->GetBars()->GetItem(1);
    EXPECT_EQ(sub->GetDetachingBar(), -1);
    EXPECT_EQ(sub->GetDetachingBarObject(), nullptr);
}

TEST_F(ButtonTest, ASubItemCannotBeLinkedIntoItsOwnOrANestedMenu) {
    auto* outer = new TxbBarSubItem(Form);
    auto* middle = new TxbBarSubItem(Form);
    auto* inner = new TxbBarSubItem(Form);
    middle->GetItemLinks()->Add()->SetItem(inner);
    outer->GetItemLinks()->Add()->SetItem(middle);
    struct Case {
        TxbBarSubItem* Menu;
        TxbBarSubItem* Item;
    };
    for (Case c : {Case{outer, outer}, Case{inner, outer}, Case{inner, middle}, Case{middle, middle}}) {
        TxbBarItemLink* link = c.Menu->GetItemLinks()->Add();
        try {
            link->SetItem(c.Item);
            ADD_FAILURE() << "no error";
        } catch (const vcl::Exception& e) {
            EXPECT_EQ(e.Message(), "You cannot create recursive subitems");
        }
        EXPECT_EQ(link->GetItem(), nullptr);
        EXPECT_EQ(c.Item->GetLinkCount(), c.Item == outer ? 0 : 1);
        delete link;
    }
    // A sibling menu may hold it.
    auto* other = new TxbBarSubItem(Form);
    EXPECT_NO_THROW(other->GetItemLinks()->Add()->SetItem(inner));
}

TEST_F(ButtonTest, ASubItemsClickRunsNothingAndShortcutsReachItsMenu) {
    std::vector<std::string> calls;
    Manager->OnClickItem = [&](vcl::TObject*, TxbBarItem* item) { calls.push_back("manager " + item->GetName()); };
    auto* sub = new TxbBarSubItem(Form);
    sub->SetName("File");
    sub->OnClick = [&](vcl::TObject*) { calls.push_back("File"); };
    sub->Click();
    EXPECT_TRUE(calls.empty());

    auto* nested = new TxbBarSubItem(Form);
    TxbBarButton* save = MakeButton(bsDefault, 0);
    save->SetName("Save");
    save->SetShortCut(vcl::scCtrl | 'S');
    save->OnClick = [&](vcl::TObject*) { calls.push_back("Save"); };
    nested->GetItemLinks()->Add()->SetItem(save);
    sub->GetItemLinks()->Add()->SetItem(nested);
    TxbBar* bar = Manager->GetBars()->Add();
    bar->GetItemLinks()->Add()->SetItem(sub);
    EXPECT_TRUE(bar->ExecuteShortCut(vcl::scCtrl | 'S'));
    EXPECT_EQ(calls, (std::vector<std::string>{"manager Save", "Save"}));
    EXPECT_FALSE(bar->ExecuteShortCut(vcl::scCtrl | 'Q'));
    // A disabled button inside the menu runs nothing.
    save->SetEnabled(false);
    EXPECT_FALSE(bar->ExecuteShortCut(vcl::scCtrl | 'S'));
}

TEST_F(ButtonTest, RemovingTheDropDownMenuClearsIt) {
    TxbBarButton* button = MakeButton(bsDropDown, 0);
    auto* menu = new vcl::TComponent(Form);
    button->SetDropDownMenu(menu);
    EXPECT_EQ(button->GetDropDownMenu(), menu);
    menu->Free();
    EXPECT_EQ(button->GetDropDownMenu(), nullptr);
}

} // namespace

#include "controls/FcCommon.h"
#include "controls/FcPageControl.h"

#include "ControlsTestSupport.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace controls;
using win::MouseAction;
using win::TPoint;
using win::TRect;

namespace pctest {

// A form whose layout binds the page control's events by name.
class TPagesForm : public vcl::TForm {
public:
    explicit TPagesForm(vcl::TComponent* owner) : vcl::TForm(owner) {}
    void PagesChanging(vcl::TObject*, int32_t i, bool&) { Log.push_back("changing " + std::to_string(i)); }
    void PagesChange(vcl::TObject*) { Log.push_back("change"); }
    TFcPageControl* Pages = nullptr;
    TFcTabSheet* Sheet0 = nullptr;
    TFcTabSheet* Sheet1 = nullptr;
    TFcTabSheet* Sheet2 = nullptr;
    std::vector<std::string> Log;
};

} // namespace pctest

namespace {

using pctest::TPagesForm;

void RegisterPagesForm() {
    static const bool done = [] {
        vcl::DefineClassProperties<TPagesForm, vcl::TForm>();
        vcl::DefineFormClass<TPagesForm>()
            .Field("Pages", &TPagesForm::Pages)
            .Field("Sheet0", &TPagesForm::Sheet0)
            .Field("Sheet1", &TPagesForm::Sheet1)
            .Field("Sheet2", &TPagesForm::Sheet2)
            .Method("PagesChanging", &TPagesForm::PagesChanging)
            .Method("PagesChange", &TPagesForm::PagesChange);
        vcl::RegisterClass<TPagesForm>("TPagesForm");
        return true;
    }();
    (void)done;
}

TPagesForm* ReadPagesForm(const std::string& text) {
    const std::string binary = vcl::ObjectTextToBinary(text);
    vcl::TReadOnlyMemoryStream stream(binary.data(), int64_t(binary.size()));
    auto* form = new TPagesForm(nullptr);
    vcl::TReader reader(&stream);
    reader.ReadRootComponent(form);
    return form;
}

std::string WrittenText(vcl::TComponent* root) {
    vcl::TMemoryStream binary;
    vcl::TWriter writer(&binary);
    writer.WriteRootComponent(root);
    return vcl::ObjectBinaryToText(
        std::string(static_cast<const char*>(binary.Memory()), size_t(binary.GetSize())));
}

class PageControlTest : public fctest::FormTest {
protected:
    PageControlTest() : FormTest(50, 50, 600, 400) {}
    TFcPageControl* AddPages(std::initializer_list<const char*> captions) {
        auto* pc = new TFcPageControl(FForm);
        pc->SetParent(FForm);
        pc->SetBounds(10, 10, 400, 250);
        for (const char* c : captions) {
            auto* p = new TFcTabSheet(FForm);
            p->SetCaption(c);
            p->SetPageControl(pc);
        }
        FForm->Show();
        Pump();
        pc->UpdateLayout();
        return pc;
    }
    void Log(TFcPageControl* pc) {
        pc->OnChanging = [this, pc](vcl::TObject*, int32_t i, bool&) {
            FLog.push_back("changing " + std::to_string(i) + " active " + std::to_string(pc->GetActivePageIndex()));
        };
        pc->OnChange = [this, pc](vcl::TObject*) {
            std::string shown;
            for (int32_t i = 0; i < pc->GetPageCount(); ++i)
                shown += pc->GetPage(i)->GetVisible() ? '1' : '0';
            FLog.push_back("change tab " + std::to_string(pc->GetTabIndex()) + " shown " + shown);
        };
        pc->OnTabClick = [this](vcl::TObject*) { FLog.push_back("tabclick"); };
    }
    void Pump() { vcl::Application->ProcessMessages(); }
    void Click(vcl::TControl* c, TPoint p) {
        FScreen.InjectMouse(MouseAction::LeftDown, c->ClientToScreen(p));
        FScreen.InjectMouse(MouseAction::LeftUp, c->ClientToScreen(p));
        Pump();
    }
    static TPoint TabPoint(TFcCustomTabControl* t, int32_t i) {
        const TRect r = t->TabRect(i);
        return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2 + 2};
    }
    std::vector<std::string> FLog;
};

TEST_F(PageControlTest, AClickSwitchesPagesInTheOrderOfItsEvents) {
    TFcPageControl* pc = AddPages({"Zero", "One", "Two"});
    pc->SetActivePageIndex(0);
    ASSERT_EQ(pc->GetTabIndex(), 0);
    ASSERT_TRUE(pc->GetPage(0)->GetVisible());
    Log(pc);
    Click(pc, TabPoint(pc, 1));
    EXPECT_EQ(FLog, (std::vector<std::string>{"changing 1 active 0", "change tab 1 shown 010", "tabclick"}));
    EXPECT_EQ(pc->GetActivePage(), pc->GetPage(1));

    // A refusal changes nothing.
    FLog.clear();
    pc->OnChanging = [this](vcl::TObject*, int32_t, bool& allow) {
        FLog.push_back("refused");
        allow = false;
    };
    Click(pc, TabPoint(pc, 2));
    EXPECT_EQ(FLog, std::vector<std::string>{"refused"});
    EXPECT_EQ(pc->GetActivePage(), pc->GetPage(1));
    EXPECT_EQ(pc->GetTabIndex(), 1);
    EXPECT_FALSE(pc->GetPage(2)->GetVisible());

    // Setting the active page asks and tells as a click does, without the tab click.
    Log(pc);
    FLog.clear();
    pc->SetActivePage(pc->GetPage(2));
    EXPECT_EQ(FLog, (std::vector<std::string>{"changing 2 active 1", "change tab 2 shown 001"}));
}

TEST_F(PageControlTest, HiddenTabsAndTheActivePage) {
    TFcPageControl* pc = AddPages({"Zero", "One", "Two"});
    pc->SetActivePageIndex(0);
    Log(pc);
    TFcTabSheet* two = pc->GetPage(2);
    two->SetTabVisible(false);
    EXPECT_EQ(pc->GetTabs()->Count(), 2);
    EXPECT_EQ(two->GetTabIndex(), -1);
    pc->SetActivePage(two);
    EXPECT_TRUE(FLog.empty()) << "a page without a tab activates silently";
    EXPECT_EQ(pc->GetActivePage(), two);
    EXPECT_EQ(pc->GetTabIndex(), -1);
    EXPECT_TRUE(two->GetVisible());
    EXPECT_FALSE(pc->GetPage(0)->GetVisible());

    pc->SetActivePageIndex(1);
    FLog.clear();
    pc->GetPage(1)->SetTabVisible(false);
    EXPECT_EQ(pc->GetTabIndex(), -1);
    EXPECT_EQ(pc->GetActivePage(), pc->GetPage(1));
    EXPECT_TRUE(pc->GetPage(1)->GetVisible());
    pc->GetPage(1)->SetTabVisible(true);
    EXPECT_EQ(pc->GetTabIndex(), 1);
    EXPECT_TRUE(FLog.empty());

    pc->HideAllTabs();
    EXPECT_EQ(pc->GetTabs()->Count(), 0);
    pc->ShowAllTabs();
    EXPECT_EQ(pc->GetTabs()->Count(), 3);
}

TEST_F(PageControlTest, TabsFollowThePages) {
    TFcPageControl* pc = AddPages({"Zero", "One", "Two"});
    TFcTabSheet* one = pc->GetPage(1);
    one->SetCaption("Uno");
    one->SetTabEnabled(false);
    one->SetImageIndex(3);
    one->SetDisabledIndex(4);
    one->SetHint("the first");
    pc->InvalidateTabs();
    const TFcTabData* t = pc->GetTabs()->Items(1);
    EXPECT_EQ(t->Caption, "Uno");
    EXPECT_FALSE(t->Enabled);
    EXPECT_EQ(t->ImageIndex, 3);
    EXPECT_EQ(t->DisabledIndex, 4);
    EXPECT_EQ(t->Hint, "the first");

    one->SetPageIndex(0);
    EXPECT_EQ(pc->GetPage(0), one);
    EXPECT_EQ(pc->GetTabs()->Items(0)->Caption, "Uno");
    struct Bad {
        int32_t value;
        const char* message;
    };
    for (const Bad& b : {Bad{3, "3 is an invalid PageIndex value. PageIndex must be between 0 and 2"},
                         Bad{-1, "-1 is an invalid PageIndex value. PageIndex must be between 0 and 2"}}) {
        try {
            one->SetPageIndex(b.value);
            ADD_FAILURE() << "no exception for " << b.value;
        } catch (const vcl::Exception& e) {
            EXPECT_STREQ(e.what(), b.message);
        }
    }
    EXPECT_EQ(pc->GetPage(0), one);
    try {
        one->SetVisible(true);
        ADD_FAILURE() << "Visible written";
    } catch (const vcl::Exception& e) {
        EXPECT_STREQ(e.what(), "You cannot change the Visible property of a page");
    }
}

TEST_F(PageControlTest, ClosingTheFirstTabLeavesTheFormerSecondPage) {
    TFcPageControl* pc = AddPages({"Zero", "One", "Two"});
    pc->SetShowCloseButton(true);
    pc->OnClose = [](vcl::TObject*, bool& allow) { allow = true; };
    pc->SetActivePageIndex(0);
    TFcTabSheet* one = pc->GetPage(1);
    pc->Repaint();
    Pump();
    TFcTabCloseButton* box = pc->GetCloseButton();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(box->GetVisible());
    // Through the close box itself: the page freed from its release leaves nothing touched after.
    Click(box, {box->GetWidth() / 2, box->GetHeight() / 2});
    EXPECT_EQ(pc->GetPageCount(), 2);
    EXPECT_EQ(pc->GetTabIndex(), 0);
    EXPECT_EQ(pc->GetActivePage(), one);
    EXPECT_TRUE(one->GetVisible());

    // The last page closes to none.
    pc->SetActivePageIndex(1);
    Click(box, {box->GetWidth() / 2, box->GetHeight() / 2});
    EXPECT_EQ(pc->GetTabIndex(), 0);
    Click(box, {box->GetWidth() / 2, box->GetHeight() / 2});
    EXPECT_EQ(pc->GetPageCount(), 0);
    EXPECT_EQ(pc->GetTabIndex(), -1);
    EXPECT_EQ(pc->GetActivePage(), nullptr);
}

TEST_F(PageControlTest, CtrlTabWrapsAndCtrlShiftTabGoesBack) {
    TFcPageControl* pc = AddPages({"Zero", "One", "Two"});
    pc->GetPage(1)->SetTabVisible(false);
    pc->SetActivePageIndex(0);
    pc->SetFocus();
    ASSERT_TRUE(pc->Focused());
    auto ctrlTab = [&](bool shift) {
        FScreen.InjectKey(win::VK_CONTROL, true);
        if (shift)
            FScreen.InjectKey(win::VK_SHIFT, true);
        FScreen.InjectKeyPress(win::VK_TAB);
        if (shift)
            FScreen.InjectKey(win::VK_SHIFT, false);
        FScreen.InjectKey(win::VK_CONTROL, false);
        Pump();
    };
    ctrlTab(false);
    EXPECT_EQ(pc->GetActivePageIndex(), 2) << "the hidden tab's page is skipped";
    ctrlTab(false);
    EXPECT_EQ(pc->GetActivePageIndex(), 0) << "wraps";
    ctrlTab(true);
    EXPECT_EQ(pc->GetActivePageIndex(), 2);
    EXPECT_EQ(pc->FindNextPage(nullptr, true), pc->GetPage(0));
    EXPECT_EQ(pc->FindNextPage(nullptr, false), pc->GetPage(2));
}

TEST_F(PageControlTest, PageColoursAndColouredTabs) {
    TFcPageControl* pc = AddPages({"Zero", "One"});
    pc->SetColor(16119543);
    EXPECT_EQ(pc->GetPage(0)->GetColor(), 16119543);
    EXPECT_EQ(pc->GetPage(1)->GetColor(), 16119543);
    EXPECT_FALSE(pc->GetUseColoredTabs());
    pc->GetPage(1)->SetColor(vcl::clYellow);
    EXPECT_TRUE(pc->GetUseColoredTabs());
    EXPECT_EQ(pc->GetPage(1)->GetColor(), vcl::clYellow);
    EXPECT_EQ(pc->GetTabs()->Items(1)->Color, vcl::clYellow);
    pc->SetUseColoredTabs(false);
    EXPECT_EQ(pc->GetPage(1)->GetColor(), 16119543);

    // The card of the selected tab wears the active page's colour.
    pc->SetUseColoredTabs(true);
    pc->GetPage(1)->SetColor(vcl::clYellow);
    pc->SetActivePageIndex(1);
    pc->UpdateLayout();
    const TRect card = pc->CardRect(0);
    pc->Repaint();
    EXPECT_EQ(FScreen.WindowPixel(pc->GetHandle(), card.Left + 4, card.Top + 4),
              win::COLORREF(vcl::ColorToRGB(vcl::clYellow)));
    // And the page itself.
    TFcTabSheet* page = pc->GetPage(1);
    page->Repaint();
    EXPECT_EQ(FScreen.WindowPixel(page->GetHandle(), page->GetWidth() / 2, page->GetHeight() / 2),
              win::COLORREF(vcl::ColorToRGB(vcl::clYellow)));
}

TEST_F(PageControlTest, SaveResourcesGivesBackTheWindowsOfHiddenPages) {
    TFcPageControl* pc = AddPages({"Zero", "One", "Two"});
    pc->SetActivePageIndex(0);
    for (int32_t i = 0; i < 3; ++i)
        pc->GetPage(i)->HandleNeeded();
    pc->SetSaveResources(true);
    EXPECT_TRUE(pc->GetPage(0)->HandleAllocated());
    EXPECT_FALSE(pc->GetPage(1)->HandleAllocated());
    EXPECT_FALSE(pc->GetPage(2)->HandleAllocated());
    pc->SetActivePageIndex(2);
    Pump();
    EXPECT_TRUE(pc->GetPage(2)->HandleAllocated());
    EXPECT_TRUE(pc->GetPage(2)->Showing());
    EXPECT_FALSE(pc->GetPage(0)->HandleAllocated());
}

TEST_F(PageControlTest, MovingTheActiveTabByDraggingMovesItsPage) {
    TFcPageControl* pc = AddPages({"Zero", "One", "Two"});
    pc->SetAllowTabDragging(true);
    pc->SetActivePageIndex(0);
    TFcTabSheet* zero = pc->GetPage(0);
    pc->UpdateLayout();
    const TPoint from = TabPoint(pc, 0), to = TabPoint(pc, 2);
    FScreen.InjectMouse(MouseAction::LeftDown, pc->ClientToScreen(from));
    FScreen.InjectMouse(MouseAction::Move, pc->ClientToScreen({from.X + 2, from.Y}));
    Pump();
    FScreen.InjectMouse(MouseAction::Move, pc->ClientToScreen(to));
    FScreen.InjectMouse(MouseAction::Move, pc->ClientToScreen({to.X + 1, to.Y}));
    FScreen.InjectMouse(MouseAction::LeftUp, pc->ClientToScreen({to.X + 1, to.Y}));
    Pump();
    EXPECT_EQ(zero->GetPageIndex(), 2);
    EXPECT_EQ(pc->GetActivePage(), zero);
    EXPECT_EQ(pc->GetTabIndex(), 2);
}

TEST_F(PageControlTest, ADockedFormGetsAPageOfItsOwn) {
    TFcPageControl* pc = AddPages({"Zero"});
    pc->SetActivePageIndex(0);
    auto* tools = new vcl::TForm(nullptr);
    tools->SetBounds(100, 100, 150, 120);
    tools->SetCaption("Tools\nand more");
    EXPECT_FALSE(tools->ManualDock(pc)) << "not a dock site";
    pc->SetDockSite(true);
    ASSERT_TRUE(tools->ManualDock(pc));
    ASSERT_EQ(pc->GetPageCount(), 2);
    TFcTabSheet* page = pc->GetPage(1);
    EXPECT_EQ(page->GetCaption(), "Tools");
    EXPECT_EQ(tools->GetParent(), page);
    EXPECT_EQ(tools->GetHostDockSite(), pc);
    EXPECT_EQ(pc->DockedControl(page), tools);
    EXPECT_EQ(tools->GetAlign(), vcl::alClient);
    EXPECT_FALSE(page->GetTabVisible()) << "the form is hidden";
    EXPECT_EQ(pc->GetActivePage(), pc->GetPage(0));

    tools->Show();
    EXPECT_TRUE(page->GetTabVisible());
    tools->SetCaption("Renamed\r\nsecond line");
    EXPECT_EQ(page->GetCaption(), "Renamed");
    EXPECT_EQ(pc->GetTabs()->Items(1)->Caption, "Renamed");
    pc->SetActivePage(page);
    Pump();
    EXPECT_EQ(tools->GetBoundsRect(), page->GetClientRect());

    // Undocking frees the page and shows the next one.
    ASSERT_TRUE(tools->ManualFloat({200, 200, 350, 320}));
    EXPECT_EQ(tools->GetParent(), nullptr);
    EXPECT_EQ(tools->GetHostDockSite(), nullptr);
    EXPECT_EQ(tools->GetAlign(), vcl::alNone);
    EXPECT_EQ(pc->GetPageCount(), 1);
    EXPECT_EQ(pc->GetActivePage(), pc->GetPage(0));
    EXPECT_EQ(pc->GetDockClientCount(), 0);

    // Docked visible: its page becomes the active one.
    ASSERT_TRUE(tools->ManualDock(pc));
    ASSERT_EQ(pc->GetPageCount(), 2);
    EXPECT_EQ(pc->GetActivePage(), pc->GetPage(1));
    EXPECT_EQ(pc->GetTabIndex(), 1);
    tools->Hide();
    EXPECT_FALSE(pc->GetPage(1)->GetTabVisible());
    tools->Show();
    tools->Free();
    EXPECT_EQ(pc->GetDockClientCount(), 0);
}

TEST_F(PageControlTest, APressOnADockedTabDragsTheControlAndADoubleClickFloatsIt) {
    TFcPageControl* pc = AddPages({"Zero"});
    pc->SetDockSite(true);
    pc->SetActivePageIndex(0);
    auto* tools = new vcl::TForm(nullptr);
    tools->SetBounds(100, 100, 150, 120);
    tools->SetCaption("Tools");
    tools->SetDragKind(vcl::dkDock);
    tools->Show();
    ASSERT_TRUE(tools->ManualDock(pc));
    Pump();
    pc->UpdateLayout();
    const TPoint tab = pc->ClientToScreen(TabPoint(pc, 1));
    FScreen.InjectMouse(MouseAction::LeftDown, tab);
    Pump();
    FScreen.InjectMouse(MouseAction::Move, {tab.X + 20, tab.Y + 150});
    FScreen.InjectMouse(MouseAction::Move, {tab.X + 21, tab.Y + 151});
    Pump();
    EXPECT_TRUE(tools->Dragging());
    bool accepted = true;
    pc->OnDockOver = [&](vcl::TObject*, vcl::TDragDockObject* source, int32_t, int32_t, vcl::TDragState,
                         bool& accept) {
        accepted = accept;
        TRect w{0, 0, 0, 0};
        win::GetWindowRect(pc->GetHandle(), &w);
        EXPECT_EQ(source->GetDockRect(), w);
    };
    FScreen.InjectMouse(MouseAction::Move, {tab.X + 22, tab.Y + 152});
    Pump();
    EXPECT_FALSE(accepted) << "docked here already";
    // Released away from any site: it floats and its page goes.
    const TPoint away = FForm->ClientToScreen({580, 380});
    FScreen.InjectMouse(MouseAction::Move, {away.X + 300, away.Y + 100});
    FScreen.InjectMouse(MouseAction::LeftUp, {away.X + 300, away.Y + 100});
    Pump();
    EXPECT_EQ(tools->GetHostDockSite(), nullptr);
    EXPECT_EQ(pc->GetPageCount(), 1);

    ASSERT_TRUE(tools->ManualDock(pc));
    Pump();
    pc->UpdateLayout();
    const TPoint again = pc->ClientToScreen(TabPoint(pc, 1));
    FScreen.InjectMouse(MouseAction::LeftDown, again);
    FScreen.InjectMouse(MouseAction::LeftUp, again);
    FScreen.InjectMouse(MouseAction::LeftDown, again);
    FScreen.InjectMouse(MouseAction::LeftUp, again);
    Pump();
    EXPECT_EQ(tools->GetHostDockSite(), nullptr) << "a double click floats it";
    EXPECT_EQ(pc->GetPageCount(), 1);
    tools->Free();
}

// The editor's page control as the writer puts it: its pages fill the card under the 19-pixel tabs.
const char* const PreviewLayout = R"(object PagesForm: TPagesForm
  Width = 500
  Height = 400
  Caption = 'Pages'
  ClientHeight = 373
  ClientWidth = 492
  object Pages: TFcPageControl
    Left = 8
    Top = 8
    Width = 400
    Height = 300
    Color = 16119543
    ParentColor = False
    TabOrder = 0
    FlatColor = 10263441
    HotTrackColor = 3983359
    HotTrackColorType = htctActual
    TabColors.HighlightBar = 3983359
    OnChange = PagesChange
    OnChanging = PagesChanging
    ActivePage = Sheet0
    ActivePageDefault = Sheet2
    FixedDimension = 19
    object Sheet0: TFcTabSheet
      Left = 1
      Top = 20
      Width = 396
      Height = 277
      Color = 16119543
      TabOrder = 0
      Caption = 'Preview - Frame 1'
    end
    object Sheet1: TFcTabSheet
      Left = 1
      Top = 20
      Width = 396
      Height = 277
      Color = 16119543
      TabOrder = 1
      Caption = 'Second'
    end
    object Sheet2: TFcTabSheet
      Left = 1
      Top = 20
      Width = 396
      Height = 277
      Color = 16119543
      TabOrder = 2
      Caption = 'Third'
    end
  end
end
)";

TEST_F(PageControlTest, ALayoutShowsTheDefaultPageWithoutEvents) {
    RegisterPagesForm();
    TPagesForm* form = ReadPagesForm(PreviewLayout);
    ASSERT_NE(form->Pages, nullptr);
    TFcPageControl* pc = form->Pages;
    EXPECT_TRUE(form->Log.empty()) << form->Log.front();
    EXPECT_EQ(pc->GetPageCount(), 3);
    EXPECT_EQ(pc->GetActivePage(), form->Sheet2);
    EXPECT_EQ(pc->GetTabIndex(), 2);
    EXPECT_FALSE(form->Sheet0->GetVisible());
    EXPECT_TRUE(form->Sheet2->GetVisible());
    EXPECT_EQ(pc->GetColor(), 16119543);
    EXPECT_EQ(pc->GetFlatColor(), 10263441);
    EXPECT_EQ(pc->GetHotTrackColorType(), htctActual);
    EXPECT_EQ(pc->GetTabColors()->GetHighlightBar(), 3983359);
    EXPECT_FALSE(pc->GetUseColoredTabs());
    // The events are bound: a switch reaches the form.
    pc->SetActivePage(form->Sheet1);
    EXPECT_EQ(form->Log, (std::vector<std::string>{"changing 1", "change"}));
    form->Free();
}

TEST_F(PageControlTest, ThePreviewLayoutIsWrittenBackUnchanged) {
    RegisterPagesForm();
    // The editor's preview: one page, no default page.
    std::string text = PreviewLayout;
    const auto cut = [&](const std::string& what) { text.erase(text.find(what), what.size()); };
    cut("    ActivePageDefault = Sheet2\n");
    for (const char* sheet : {"Sheet1", "Sheet2"}) {
        const size_t begin = text.find(std::string("    object ") + sheet);
        text.erase(begin, text.find("    end\n", begin) + 8 - begin);
    }
    TPagesForm* form = ReadPagesForm(text);
    ASSERT_NE(form->Pages, nullptr);
    EXPECT_EQ(form->Pages->GetActivePage(), form->Sheet0);
    const std::string written = WrittenText(form);
    EXPECT_EQ(written, text);
    form->Free();
}

} // namespace

#include "VclControlsSupport.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Mask.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclClasses.h"

#include <string>
#include <vector>

using namespace vcl;
using vcltest::VclControlsTest;

namespace {

struct PcPages {
    TPageControl* Control;
    std::vector<TTabSheet*> Pages;
    std::vector<std::string> Log;
};

// A page control with a page for each caption, its events logged with the active page's caption.
PcPages PcMake(TWinControl* parent, std::vector<const char*> captions) {
    PcPages p;
    p.Control = new TPageControl(parent);
    p.Control->SetParent(parent);
    p.Control->SetBounds(10, 10, 300, 200);
    for (const char* caption : captions) {
        auto* page = new TTabSheet(parent);
        page->SetCaption(caption);
        page->SetPageControl(p.Control);
        p.Pages.push_back(page);
    }
    return p;
}

void PcLogEvents(PcPages& p, bool* allow) {
    p.Control->OnChanging = [&p, allow](TObject*, bool& allowChange) {
        p.Log.push_back("OnChanging " + p.Control->GetActivePage()->GetCaption());
        allowChange = *allow;
    };
    p.Control->OnChange = [&p](TObject*) {
        p.Log.push_back("OnChange " + p.Control->GetActivePage()->GetCaption());
    };
}

TPoint PcTabCentre(TPageControl* pc, int tab) {
    TRect r;
    EXPECT_TRUE(win::SendMessage(pc->GetHandle(), win::TCM_GETITEMRECT, win::WPARAM(tab),
                                 reinterpret_cast<win::LPARAM>(&r)));
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
}

TRect PcDisplayArea(TPageControl* pc) {
    TRect r;
    win::GetClientRect(pc->GetHandle(), &r);
    win::SendMessage(pc->GetHandle(), win::TCM_ADJUSTRECT, 0, reinterpret_cast<win::LPARAM>(&r));
    return r;
}

} // namespace

TEST_F(VclControlsTest, PageControlClickOnATabAsksFirstThenShowsItsPage) {
    TForm* form = MakeForm();
    PcPages p = PcMake(form, {"One", "Two"});
    bool allow = false;
    PcLogEvents(p, &allow);
    Pump();
    EXPECT_EQ(p.Control->GetActivePage(), p.Pages[0]); // the first page shows until another is chosen
    EXPECT_TRUE(p.Pages[0]->Showing());
    EXPECT_FALSE(p.Pages[1]->Showing());

    // Refused: tab 0 and its page stay.
    TPoint at = PcTabCentre(p.Control, 1);
    Click(p.Control, at.X, at.Y);
    EXPECT_EQ(p.Log, (std::vector<std::string>{"OnChanging One"}));
    EXPECT_EQ(p.Control->GetActivePage(), p.Pages[0]);
    EXPECT_EQ(p.Control->GetTabIndex(), 0);
    EXPECT_EQ(win::SendMessage(p.Control->GetHandle(), win::TCM_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(p.Pages[0]->Showing());

    // Allowed: asked with the old page active, told with the new one.
    p.Log.clear();
    allow = true;
    Click(p.Control, at.X, at.Y);
    EXPECT_EQ(p.Log, (std::vector<std::string>{"OnChanging One", "OnChange Two"}));
    EXPECT_EQ(p.Control->GetActivePage(), p.Pages[1]);
    EXPECT_EQ(p.Control->GetActivePageIndex(), 1);
    EXPECT_TRUE(p.Pages[1]->Showing());
    EXPECT_FALSE(p.Pages[0]->Showing());

    // Left on the focused tabs goes back, asking again; code changes pages silently.
    p.Log.clear();
    Key(win::VK_LEFT);
    EXPECT_EQ(p.Log, (std::vector<std::string>{"OnChanging Two", "OnChange One"}));
    p.Log.clear();
    p.Control->SetActivePage(p.Pages[1]);
    EXPECT_TRUE(p.Log.empty());
    EXPECT_EQ(win::SendMessage(p.Control->GetHandle(), win::TCM_GETCURSEL, 0, 0), 1);
}

TEST_F(VclControlsTest, PageControlCtrlTabTurnsOverVisibleTabsOnly) {
    TForm* form = MakeForm();
    PcPages p = PcMake(form, {"One", "Hidden", "Three"});
    bool allow = true;
    PcLogEvents(p, &allow);
    p.Pages[1]->SetTabVisible(false);
    auto* edit = new TEdit(form);
    edit->SetParent(p.Pages[0]);
    edit->SetBounds(8, 8, 100, 21);
    Pump();
    EXPECT_EQ(win::SendMessage(p.Control->GetHandle(), win::TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(p.Pages[2]->GetTabIndex(), 1);
    EXPECT_EQ(p.Pages[1]->GetTabIndex(), -1);
    EXPECT_EQ(p.Pages[1]->GetPageIndex(), 1);
    edit->SetFocus();
    Pump();

    Chord(win::VK_CONTROL, win::VK_TAB);
    EXPECT_EQ(p.Control->GetActivePage(), p.Pages[2]);
    EXPECT_EQ(p.Log, (std::vector<std::string>{"OnChanging One", "OnChange Three"}));
    // The focus left the page that went out of sight.
    EXPECT_NE(win::GetFocus(), edit->GetHandle());
    Chord(win::VK_CONTROL, win::VK_TAB); // round to the first
    EXPECT_EQ(p.Control->GetActivePage(), p.Pages[0]);
    FScreen.InjectKey(win::VK_CONTROL, true);
    FScreen.InjectKey(win::VK_SHIFT, true);
    FScreen.InjectKeyPress(win::VK_TAB);
    FScreen.InjectKey(win::VK_SHIFT, false);
    FScreen.InjectKey(win::VK_CONTROL, false);
    Pump();
    EXPECT_EQ(p.Control->GetActivePage(), p.Pages[2]); // backwards, passing the hidden tab again

    // A page without a tab can still be shown by code; no tab is selected then.
    p.Log.clear();
    p.Control->SetActivePage(p.Pages[1]);
    EXPECT_TRUE(p.Pages[1]->Showing());
    EXPECT_EQ(p.Control->GetTabIndex(), -1);
    EXPECT_EQ(win::SendMessage(p.Control->GetHandle(), win::TCM_GETCURSEL, 0, 0), -1);
    EXPECT_TRUE(p.Log.empty());
    // A Ctrl+Tab with the focus outside the page control turns nothing.
    auto* outside = new TEdit(form);
    outside->SetParent(form);
    outside->SetBounds(10, 230, 100, 21);
    Pump();
    outside->SetFocus();
    Chord(win::VK_CONTROL, win::VK_TAB);
    EXPECT_EQ(p.Control->GetActivePage(), p.Pages[1]);
}

TEST_F(VclControlsTest, PageControlPagesFillTheDisplayAreaAndMoveByPageIndex) {
    TForm* form = MakeForm();
    PcPages p = PcMake(form, {"One", "Two", "Three"});
    p.Pages[1]->SetColor(clAqua);
    Pump();
    for (TTabSheet* page : p.Pages)
        EXPECT_EQ(page->GetBoundsRect(), PcDisplayArea(p.Control)) << page->GetCaption();
    TRect area = PcDisplayArea(p.Control);
    const TPoint middle =
        p.Control->ClientToScreen({(area.Left + area.Right) / 2, (area.Top + area.Bottom) / 2});
    EXPECT_EQ(FScreen.ScreenPixel(middle.X, middle.Y), win::GetSysColor(win::COLOR_BTNFACE));
    TPoint at = PcTabCentre(p.Control, 1);
    Click(p.Control, at.X, at.Y);
    // The chosen page's colour fills the middle of the display area, on the screen.
    EXPECT_EQ(FScreen.ScreenPixel(middle.X, middle.Y), win::COLORREF(ColorToRGB(clAqua)));

    // Tabs at the bottom: a new window, the pages placed again.
    p.Control->SetTabPosition(tpBottom);
    Pump();
    EXPECT_TRUE(win::GetWindowLong(p.Control->GetHandle(), win::GWL_STYLE) & win::TCS_BOTTOM);
    EXPECT_NE(PcDisplayArea(p.Control), area);
    EXPECT_EQ(p.Pages[0]->GetBoundsRect(), PcDisplayArea(p.Control));
    EXPECT_EQ(p.Control->GetActivePage(), p.Pages[1]);
    EXPECT_EQ(win::SendMessage(p.Control->GetHandle(), win::TCM_GETITEMCOUNT, 0, 0), 3);

    // Moving a page moves its tab; the tabs follow captions.
    p.Pages[2]->SetPageIndex(0);
    EXPECT_EQ(p.Control->GetPage(0), p.Pages[2]);
    EXPECT_EQ(p.Control->GetTabIndex(), 2);
    p.Pages[2]->SetCaption("First");
    char text[16] = {};
    win::TCITEM item;
    item.mask = win::TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    win::SendMessage(p.Control->GetHandle(), win::TCM_GETITEM, 0, reinterpret_cast<win::LPARAM>(&item));
    EXPECT_STREQ(text, "First");
    EXPECT_THROW(p.Pages[0]->SetPageIndex(3), EListError);

    // Freeing the active page shows the next one with a tab, going round.
    delete p.Pages[1];
    EXPECT_EQ(p.Control->GetPageCount(), 2);
    EXPECT_EQ(p.Control->GetActivePage(), p.Pages[2]);
    EXPECT_TRUE(p.Pages[2]->Showing());
}

namespace {

TForm* PcRead(const std::string& text) {
    RegisterVclClasses();
    const std::string binary = ObjectTextToBinary(text);
    TReadOnlyMemoryStream stream(binary.data(), static_cast<int64_t>(binary.size()));
    auto* form = new TForm(nullptr);
    TReader reader(&stream);
    reader.ReadRootComponent(form);
    return form;
}

std::string PcWrite(TComponent* root) {
    TMemoryStream binary;
    TWriter writer(&binary);
    writer.WriteRootComponent(root);
    return ObjectBinaryToText(
        std::string(static_cast<const char*>(binary.Memory()), size_t(binary.GetSize())));
}

const char* const PcLayout = R"(object PcForm: TForm
  object pcPages: TPageControl
    Left = 8
    Top = 8
    Width = 300
    Height = 150
    TabOrder = 0
    ActivePage = tsSecond
    TabPosition = tpBottom
    object tsFirst: TTabSheet
      Left = 4
      Top = 4
      Width = 292
      Height = 121
      TabOrder = 0
      Caption = 'First'
      object meName: TMaskEdit
        Left = 8
        Top = 8
        Width = 120
        TabOrder = 0
        Text = 'any text'
      end
    end
    object tsSecond: TTabSheet
      Left = 4
      Top = 4
      Width = 292
      Height = 121
      Color = clAqua
      TabOrder = 1
      Caption = 'Second'
    end
    object tsHidden: TTabSheet
      Left = 4
      Top = 4
      Width = 292
      Height = 121
      TabOrder = 2
      Caption = 'Hidden'
      TabVisible = False
    end
  end
  object sbBold: TSpeedButton
    Left = 8
    Top = 166
    AllowAllUp = True
    GroupIndex = 1
    Down = True
    Caption = 'B'
  end
  object sbItalic: TSpeedButton
    Left = 32
    Top = 166
    AllowAllUp = True
    GroupIndex = 1
    Caption = 'I'
  end
  object sbLock: TSpeedButton
    Left = 64
    Top = 166
    Hint = 'Lock preview'
    Flat = True
  end
end
)";

} // namespace

TEST_F(VclControlsTest, PageControlAndSpeedButtonsFromALayoutWriteBackUnchanged) {
    TForm* form = PcRead(PcLayout);
    auto* pc = dynamic_cast<TPageControl*>(form->FindComponent("pcPages"));
    auto* second = dynamic_cast<TTabSheet*>(form->FindComponent("tsSecond"));
    auto* hidden = dynamic_cast<TTabSheet*>(form->FindComponent("tsHidden"));
    auto* bold = dynamic_cast<TSpeedButton*>(form->FindComponent("sbBold"));
    auto* italic = dynamic_cast<TSpeedButton*>(form->FindComponent("sbItalic"));
    auto* lock = dynamic_cast<TSpeedButton*>(form->FindComponent("sbLock"));
    ASSERT_TRUE(pc && second && hidden && bold && italic && lock);
    EXPECT_EQ(pc->GetPageCount(), 3);
    EXPECT_EQ(pc->GetActivePage(), second);
    EXPECT_TRUE(second->GetVisible());
    EXPECT_FALSE(pc->GetPage(0)->GetVisible());
    EXPECT_FALSE(hidden->GetTabVisible());
    EXPECT_EQ(pc->GetTabPosition(), tpBottom);
    EXPECT_TRUE(bold->GetDown());
    EXPECT_TRUE(italic->GetAllowAllUp());
    EXPECT_EQ(lock->GetHint(), "Lock preview");
    EXPECT_TRUE(lock->GetFlat());
    EXPECT_EQ(PcWrite(form), PcLayout);

    // Shown: the pages take the display area; the layout's page is the one shown and its tab selected.
    form->SetBounds(100, 100, 400, 300);
    form->Show();
    Pump();
    EXPECT_EQ(second->GetBoundsRect(), PcDisplayArea(pc));
    EXPECT_TRUE(second->Showing());
    EXPECT_EQ(win::SendMessage(pc->GetHandle(), win::TCM_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(win::SendMessage(pc->GetHandle(), win::TCM_GETITEMCOUNT, 0, 0), 2);
    form->Free();
}

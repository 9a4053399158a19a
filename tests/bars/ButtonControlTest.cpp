// The button control: the click chain from a scripted press and release, mnemonics, sizes in toolbars and
// menus, the drop-down part, check buttons, and how it is drawn through the painter.
#include "BarWindowFixture.h"

#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarSubMenu.h"
#include "platform/vcl/ActnList.h"
#include "platform/vcl/ImgList.h"
#include "platform/win/gdi/Text.h"

using namespace bars;
using namespace barstest;

namespace {

// A split button recording where its drop-down menu is asked to open.
class TDropButton : public TxbBarButton {
public:
    using TxbBarButton::TxbBarButton;
    void DropDown(TxbBarItemControl* control, int32_t x, int32_t y, bool byMouse) override {
        Log().push_back("DropDown " + std::to_string(x) + "," + std::to_string(y) + (byMouse ? " mouse" : " key"));
        if (OnDropDown)
            OnDropDown();
        if (Popup) {
            // Opened as a drop-down: it joins the button's window's chain and remembers its opener.
            Popup->SetDropDown(true, control->GetWindow());
            Popup->PopupEx(x, y, 0, 22, byMouse, nullptr);
            Popup->SetDropDown(false, nullptr);
            if (TxbBarSubMenuControl* menu = Popup->GetControl())
                menu->SetOwnerControl(control);
        }
    }
    std::function<void()> OnDropDown;
    TxbBarPopupMenu* Popup = nullptr;
    static std::vector<std::string>& Log() {
        static std::vector<std::string> log;
        return log;
    }
};

class ButtonControlTest : public BarWindowFixture {
protected:
    void SetUp() override {
        BarWindowFixture::SetUp();
        RegisterItemClass<TDropButton, TxbBarButtonControl>("TDropButton", false);
        TDropButton::Log().clear();
    }
    void TearDown() override {
        UnregisterItemClass(typeid(TDropButton));
        BarWindowFixture::TearDown();
    }
    static TxbBarButtonControl* Button(TxbBar* bar, int index) {
        return dynamic_cast<TxbBarButtonControl*>(Control(bar, index));
    }
    static TxbBarButton* Item(TxbBar* bar, int index) {
        return dynamic_cast<TxbBarButton*>(bar->GetItemLinks()->GetItem(index)->GetItem());
    }
    // The width of text in the bars' font.
    int32_t TextWidth(const std::string& text) {
        win::HDC dc = win::GetDC(nullptr);
        win::HGDIOBJ old = win::SelectObject(dc, win::ToGdiObj(Manager->GetFontHandle()));
        win::SIZE size{};
        win::GetTextExtentPoint32(dc, text.c_str(), int(text.size()), &size);
        win::SelectObject(dc, old);
        win::ReleaseDC(nullptr, dc);
        return size.cx;
    }
    // A popup menu of this manager with buttons logging their clicks.
    TxbBarPopupMenu* MakePopup(std::initializer_list<const char*> captions) {
        auto* popup = new TxbBarPopupMenu(Form);
        popup->SetBarManager(Manager);
        for (const char* caption : captions) {
            auto* entry = new TxbBarButton(Form);
            entry->SetCaption(caption);
            entry->OnClick = [entry](vcl::TObject*) { Log().push_back("OnClick " + entry->GetCaption()); };
            popup->GetItemLinks()->Add()->SetItem(entry);
        }
        return popup;
    }
    // A bar docked by style with one plain split button (no drop-down menu yet).
    TxbBar* MakeSplitBar(TxbBarDockingStyle style = dsTop) {
        TxbBar* bar = MakeBar({"Split"}, style);
        Item(bar, 0)->SetButtonStyle(bsDropDown);
        Layout(bar);
        return bar;
    }
    // A bar with one split button whose drop-down menu is set.
    TDropButton* MakeDropBar(TxbBar*& bar) {
        bar = Manager->GetBars()->Add();
        bar->SetDockingStyle(dsTop);
        auto* button = AddButton<TDropButton>(bar, "Split");
        button->SetButtonStyle(bsDropDown);
        button->SetDropDownMenu(new vcl::TComponent(Form));
        bar->SetVisible(true);
        bar->GetControl()->HandleNeeded();
        Layout(bar);
        return button;
    }
};

TEST_F(ButtonControlTest, APressAndReleaseRunsTheCommandOnceAfterUseAndDeactivation) {
    TxbBar* bar = MakeBar({"&Open", "&Save"});
    ASSERT_NE(Button(bar, 0), nullptr);
    UseCountBefore = bar->GetItemLinks()->GetItem(1)->GetUseCount();
    Click(ScreenPoint(Control(bar, 1)));
    EXPECT_EQ(Log(), (std::vector<std::string>{"OnClickItem &Save used +1 active 0", "OnClick &Save"}));
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    // Hovering selects, by mouse.
    Mouse(win::MouseAction::Move, ScreenPoint(Control(bar, 0)));
    EXPECT_EQ(bar->GetControl()->GetSelectedControl(), Control(bar, 0));
    EXPECT_TRUE(Control(bar, 0)->GetSelectedByMouse());
}

TEST_F(ButtonControlTest, MnemonicsSelectAmongSeveralAndRunTheOnlyOne) {
    TxbBar* bar = MakeBar({"&Open", "&Options", "&Save"});
    TxbBarControl* window = bar->GetControl();
    // With no active bar window keys do nothing.
    Key(window, 'S');
    EXPECT_TRUE(Log().empty());
    window->EnterKeyboardMode(nullptr);
    Key(window, 'O');
    EXPECT_EQ(window->GetSelectedControl(), Control(bar, 1));
    Key(window, 'O');
    EXPECT_EQ(window->GetSelectedControl(), Control(bar, 0));
    EXPECT_TRUE(Log().empty());
    UseCountBefore = bar->GetItemLinks()->GetItem(2)->GetUseCount();
    Key(window, 'S');
    EXPECT_EQ(Log(), (std::vector<std::string>{"OnClickItem &Save used +1 active 0", "OnClick &Save"}));
    EXPECT_EQ(GetActiveBarControl(), nullptr);
}

TEST_F(ButtonControlTest, SizesInToolbarsAndMenus) {
    vcl::TCustomImageList images(Form, 16, 16);
    vcl::TBitmap strip;
    strip.SetSize(16, 16);
    images.Add(&strip, nullptr);
    Manager->SetImages(&images);
    TxbBar* bar = MakeBar({"Open"});
    TxbBarControl* window = bar->GetControl();
    TxbBarButton* item = Item(bar, 0);
    TxbBarButtonControl* c = Button(bar, 0);
    const int32_t row = window->GetTextRowHeight();
    const int32_t bw = Manager->GetButtonWidth(), bh = Manager->GetButtonHeight();
    const int32_t text = TextWidth("Open");
    ASSERT_EQ(bw, 23);
    ASSERT_EQ(bh, 22);
    win::LOGFONT lf{};
    win::GetObject(win::ToGdiObj(Manager->GetFontHandle()), sizeof lf, &lf);
    const int32_t points = std::abs(lf.lfHeight) * 72 / 96;
    struct Case {
        const char* Name;
        TxbBarPaintStyle Style;
        int ImageIndex;
        bool Lowered;
        TxbBarButtonStyle ButtonStyle;
        int32_t Width, Height;
    };
    const Case cases[] = {
        {"glyph", psStandard, 0, false, bsDefault, bw, bh},
        {"standard without glyph shows the caption", psStandard, -1, false, bsDefault, text + points,
         std::max(row, bh)},
        {"caption", psCaption, 0, false, bsDefault, text + points, std::max(row, bh)},
        {"caption and glyph", psCaptionGlyph, 0, false, bsDefault, text + bw + 4, std::max(row, bh)},
        {"lowered", psStandard, 0, true, bsDefault, bw + 2, bh + 2},
        {"arrow part", psStandard, 0, false, bsDropDown, bw + Manager->GetArrowWidth(), bh},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Name);
        item->SetPaintStyle(k.Style);
        item->SetImageIndex(k.ImageIndex);
        item->SetLowered(k.Lowered);
        item->SetButtonStyle(k.ButtonStyle);
        c = Button(bar, 0);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->GetWidth(), k.Width);
        EXPECT_EQ(c->GetHeight(), k.Height);
    }
    item->SetButtonStyle(bsDefault);
    item->SetLowered(false);
    // Rotated on a vertical bar: the caption runs down, width and height trade places.
    bar->SetRotateWhenVertical(true);
    window->SetDockingStyle(dsLeft);
    item->SetPaintStyle(psCaptionGlyph);
    c = Button(bar, 0);
    EXPECT_EQ(c->GetHeight(), text + bh + 4);
    EXPECT_EQ(c->GetWidth(), std::max(row, bw));
    window->SetDockingStyle(dsTop);
    Manager->SetImages(nullptr);

    // In a menu: the caption without its accelerator mark, two rows and 6; a shortcut adds its text.
    NextMenu = true;
    TxbBar* menu = MakeBar({"&Open"});
    TxbBarButtonControl* m = Button(menu, 0);
    const int32_t menuRow = menu->GetControl()->GetTextRowHeight();
    EXPECT_EQ(m->GetHeight(), menuRow);
    EXPECT_EQ(m->GetWidth(), text + 2 * menuRow + 6);
    Item(menu, 0)->SetShortCut(vcl::TextToShortCut("Ctrl+O"));
    m = Button(menu, 0);
    EXPECT_EQ(m->GetWidth(), text + 2 * menuRow + 6 + TextWidth(vcl::ShortCutToText(vcl::TextToShortCut("Ctrl+O"))) +
                                 menuRow - 6);
}

TEST_F(ButtonControlTest, APressOnTheArrowPartOpensTheMenuAtTheBottomLeftAndRunsNoCommand) {
    TxbBar* bar = nullptr;
    MakeDropBar(bar);
    TxbBarButtonControl* c = Button(bar, 0);
    const win::TRect r = bar->GetControl()->GetItemScreenRect(c);
    Click(ScreenPoint(c, -2, 2));
    EXPECT_EQ(TDropButton::Log(),
              std::vector<std::string>{"DropDown " + std::to_string(r.Left) + "," + std::to_string(r.Bottom) + " mouse"});
    EXPECT_TRUE(c->GetDropDownShown());
    EXPECT_TRUE(Log().empty());
    // Closed again, a press on the face runs the command.
    c->DropDownMenuClosed();
    bar->GetControl()->DeactivateAll();
    Click(ScreenPoint(c, 2, 2));
    EXPECT_EQ(Log().size(), 2u);
    EXPECT_EQ(TDropButton::Log().size(), 1u);
    // Down opens it from the keyboard.
    bar->GetControl()->EnterKeyboardMode(c);
    Key(bar->GetControl(), win::VK_DOWN);
    ASSERT_EQ(TDropButton::Log().size(), 2u);
    EXPECT_EQ(TDropButton::Log()[1], "DropDown " + std::to_string(r.Left) + "," + std::to_string(r.Bottom) + " key");
    bar->GetControl()->DeactivateAll();
}

TEST_F(ButtonControlTest, TheOpenDropDownMenuIsTheButtonsSubMenuUntilItCloses) {
    TxbBar* bar = nullptr;
    TDropButton* button = MakeDropBar(bar);
    auto* popup = new TxbBarPopupMenu(Form);
    popup->SetBarManager(Manager);
    popup->GetItemLinks()->Add()->SetItem(new TxbBarButton(Form));
    button->SetDropDownMenu(popup);
    button->Popup = popup;
    TxbBarButtonControl* c = Button(bar, 0);
    for (bool fromTheMenu : {false, true}) {
        SCOPED_TRACE(fromTheMenu);
        Click(ScreenPoint(c, -2, 2));
        TCustomxbBarControl* menu = c->GetSubMenuWindow();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu, popup->GetControl());
        EXPECT_TRUE(c->GetDropDownShown());
        EXPECT_TRUE(bar->GetControl()->GetKeyboardOpened());
        // Closed by the button, or by the menu itself: either way once, and the bar stops opening menus.
        if (fromTheMenu)
            popup->GetControl()->FreeMenu();
        else
            c->CloseUp(true);
        EXPECT_FALSE(IsBarControlAlive(menu));
        EXPECT_EQ(c->GetSubMenuWindow(), nullptr);
        EXPECT_FALSE(c->GetDropDownShown());
        EXPECT_FALSE(bar->GetControl()->GetKeyboardOpened());
        bar->GetControl()->DeactivateAll();
    }
    EXPECT_TRUE(Log().empty());
    Click(ScreenPoint(c, 2, 2));
    EXPECT_EQ(Log().size(), 2u);
}

TEST_F(ButtonControlTest, ADropDownThatFreesTheControlEndsQuietly) {
    for (int what = 0; what < 2; ++what) {
        SCOPED_TRACE(what);
        TxbBar* bar = nullptr;
        TDropButton* button = MakeDropBar(bar);
        button->OnDropDown = [bar, what]() {
            // A handler that rebuilds or frees the window under the control.
            if (what == 0)
                bar->GetControl()->DestroyHandle();
            else
                delete bar;
        };
        Click(ScreenPoint(Button(bar, 0), -2, 2));
        EXPECT_EQ(TDropButton::Log().size(), size_t(what + 1));
        EXPECT_TRUE(Log().empty());
        if (what == 0)
            bar->SetVisible(false);
    }
}

TEST_F(ButtonControlTest, ARealDropDownButtonOpensItsPopupInTheBarsChain) {
    struct Case {
        const char* name;
        TxbBarDockingStyle docking;
        bool byKey;
    };
    const Case cases[] = {
        {"top, arrow pressed", dsTop, false},
        {"top, from the keyboard", dsTop, true},
        {"left, arrow pressed", dsLeft, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Log().clear();
        TxbBar* bar = MakeSplitBar(k.docking);
        TxbBarPopupMenu* popup = MakePopup({"Cut", "Copy"});
        Item(bar, 0)->SetDropDownMenu(popup);
        TxbBarButtonControl* c = Button(bar, 0);
        const win::TRect r = bar->GetControl()->GetItemScreenRect(c);
        if (k.byKey) {
            bar->GetControl()->EnterKeyboardMode(c);
            Key(bar->GetControl(), win::VK_DOWN);
        } else {
            Click(ScreenPoint(c, -2, 2));
        }
        // The press came back with the menu still open, below the button or beside an upright one.
        TxbBarSubMenuControl* menu = popup->GetControl();
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(popup->IsOpen());
        EXPECT_FALSE(popup->IsDropDown());
        EXPECT_EQ(c->GetSubMenuWindow(), menu);
        EXPECT_EQ(menu->GetParentBarControl(), bar->GetControl());
        EXPECT_EQ(menu->GetOwnerControl(), c);
        win::TRect m{};
        win::GetWindowRect(menu->GetHandle(), &m);
        const win::TPoint expected = k.docking == dsLeft ? win::TPoint{r.Right, r.Top} : win::TPoint{r.Left, r.Bottom};
        EXPECT_EQ(m.Left, expected.X);
        EXPECT_EQ(m.Top, expected.Y);
        // From the keyboard the selection starts on the first entry.
        TxbBarItemControl* first = popup->GetItemLinks()->GetItem(0)->GetControl();
        EXPECT_EQ(menu->GetSelectedControl(), k.byKey ? first : nullptr);
        EXPECT_TRUE(Log().empty());
        // A click on an entry runs its command and closes the whole chain.
        UseCountBefore = popup->GetItemLinks()->GetItem(1)->GetUseCount();
        Click(ScreenPoint(popup->GetItemLinks()->GetItem(1)->GetControl()));
        EXPECT_EQ(Log(), (std::vector<std::string>{"OnClickItem Copy used +1 active 0", "OnClick Copy"}));
        EXPECT_EQ(popup->GetControl(), nullptr);
        EXPECT_FALSE(popup->IsOpen());
        EXPECT_FALSE(c->GetDropDownShown());
        EXPECT_EQ(GetActiveBarControl(), nullptr);
        delete bar;
    }
}

TEST_F(ButtonControlTest, ADropDownButtonWithoutAPopupOpensNothing) {
    for (int what = 0; what < 3; ++what) {
        SCOPED_TRACE(what);
        Log().clear();
        TxbBar* bar = MakeSplitBar();
        TxbBarButton* button = Item(bar, 0);
        TxbBarButtonControl* c = Button(bar, 0);
        TxbBarPopupMenu* popup = MakePopup({"Cut"});
        // 0: no menu; 1: a component that is no popup menu; 2: the popup menu freed, which clears it.
        if (what == 1)
            button->SetDropDownMenu(new vcl::TComponent(Form));
        if (what == 2) {
            button->SetDropDownMenu(popup);
            delete popup;
            popup = nullptr;
            EXPECT_EQ(button->GetDropDownMenu(), nullptr);
        }
        const win::TRect r = bar->GetControl()->GetItemScreenRect(c);
        button->DropDown(c, r.Left, r.Bottom, true);
        Click(ScreenPoint(c, -2, 2));
        if (popup)
            EXPECT_EQ(popup->GetControl(), nullptr);
        EXPECT_FALSE(IsAnyPopupMenuOpen());
        EXPECT_FALSE(c->GetDropDownShown());
        // A drop-down that was asked for and did not open takes the press: its release runs no command.
        if (what == 1)
            EXPECT_TRUE(Log().empty());
        bar->GetControl()->DeactivateAll();
        delete bar;
    }
}

TEST_F(ButtonControlTest, APopupFreedWhileItIsOpenClosesItsMenuQuietly) {
    for (bool whileShowing : {false, true}) {
        SCOPED_TRACE(whileShowing);
        Log().clear();
        TxbBar* bar = MakeSplitBar();
        TxbBarButton* button = Item(bar, 0);
        TxbBarButtonControl* c = Button(bar, 0);
        TxbBarPopupMenu* popup = MakePopup({"Cut"});
        button->SetDropDownMenu(popup);
        // Freed by its own handler as the menu shows, or afterwards while the menu is open.
        if (whileShowing)
            popup->OnPopup = [popup](vcl::TObject*) { delete popup; };
        Click(ScreenPoint(c, -2, 2));
        if (!whileShowing) {
            ASSERT_NE(popup->GetControl(), nullptr);
            delete popup;
            DrainMessages();
        }
        EXPECT_EQ(button->GetDropDownMenu(), nullptr);
        EXPECT_FALSE(IsAnyPopupMenuOpen());
        EXPECT_FALSE(c->GetDropDownShown());
        // The button still runs its command.
        bar->GetControl()->DeactivateAll();
        UseCountBefore = bar->GetItemLinks()->GetItem(0)->GetUseCount();
        Click(ScreenPoint(c, 2, 2));
        EXPECT_EQ(Log(), (std::vector<std::string>{"OnClickItem Split used +1 active 0", "OnClick Split"}));
        delete bar;
    }
}

TEST_F(ButtonControlTest, ACheckButtonTogglesOncePerClick) {
    for (bool menu : {false, true}) {
        SCOPED_TRACE(menu);
        NextMenu = menu;
        TxbBar* bar = MakeBar({"Bold"});
        TxbBarButton* item = Item(bar, 0);
        item->SetButtonStyle(bsChecked);
        Layout(bar);
        std::vector<bool> downs;
        item->OnClick = [&](vcl::TObject*) { downs.push_back(item->GetDown()); };
        if (menu)
            Button(bar, 0)->Click(false);
        else
            Click(ScreenPoint(Button(bar, 0)));
        EXPECT_EQ(downs, std::vector<bool>{true});
        if (menu)
            Button(bar, 0)->Click(false);
        else
            Click(ScreenPoint(Button(bar, 0)));
        EXPECT_EQ(downs, (std::vector<bool>{true, false}));
        bar->SetVisible(false);
    }
}

TEST_F(ButtonControlTest, DrawnPressedWhileItsCommandRunsAndHighlightedAsSelected) {
    TxbBar* bar = MakeBar({"Run", "Off"});
    TxbBarButtonControl* c = Button(bar, 0);
    auto drawnStates = [&](TxbBarButtonControl* control) {
        TTestPainter::Calls().clear();
        control->Draw(bar->GetControl()->GetItemRect(control), ptToolbar);
        const auto glyphs = TTestPainter::CallsOf(tsItemGlyph);
        return glyphs.empty() ? TxbItemDrawStates{} : glyphs.front().States;
    };
    TxbItemDrawStates during;
    Item(bar, 0)->OnClick = [&](vcl::TObject*) { during = drawnStates(c); };
    c->Click(false);
    EXPECT_TRUE(during.Contains(idsPressed));
    EXPECT_TRUE(during.Contains(idsSelected));
    EXPECT_FALSE(drawnStates(c).Contains(idsPressed));
    // A disabled button: highlighted when selected by key, not by hover.
    Item(bar, 1)->SetEnabled(false);
    TxbBarButtonControl* off = Button(bar, 1);
    bar->GetControl()->SelectItemControlByMouse(off);
    EXPECT_FALSE(drawnStates(off).Contains(idsSelected));
    bar->GetControl()->SelectItemControl(nullptr);
    bar->GetControl()->SelectItemControl(off);
    const TxbItemDrawStates byKey = drawnStates(off);
    EXPECT_TRUE(byKey.Contains(idsSelected));
    EXPECT_FALSE(byKey.Contains(idsEnabled));
    // The caption of a caption button is drawn past half the font size.
    EXPECT_EQ(TTestPainter::CallsOf(tsItemCaption).size(), 1u);
    EXPECT_EQ(TTestPainter::CallsOf(tsItemCaption)[0].Text, "Off");
}

} // namespace

TEST_F(ButtonControlTest, AToolbarButtonHeldDownIsDrawnPressedWhileTheCursorIsOverIt) {
    TxbBar* bar = MakeBar({"Run", "Off"});
    TxbBarButtonControl* c = Button(bar, 0);
    // The states of the button's picture as the window paints it now.
    auto painted = [&] {
        TTestPainter::Calls().clear();
        win::RedrawWindow(bar->GetControl()->GetHandle(), nullptr, nullptr, win::RDW_INVALIDATE | win::RDW_UPDATENOW);
        TxbItemDrawStates states;
        for (const TTestPaintCall& call : TTestPainter::CallsOf(tsItemGlyph))
            if (call.Object == c)
                states = call.States;
        return states;
    };
    const win::TPoint on = ScreenPoint(c), off = ScreenPoint(Control(bar, 1));
    Mouse(win::MouseAction::Move, on);
    EXPECT_FALSE(painted().Contains(idsPressed));
    Mouse(win::MouseAction::LeftDown, on);
    EXPECT_EQ(bar->GetControl()->GetPressedControl(), c);
    EXPECT_TRUE(painted().Contains(idsPressed));
    // Held down and moved off it, then back over it.
    Mouse(win::MouseAction::Move, off);
    EXPECT_FALSE(painted().Contains(idsPressed));
    Mouse(win::MouseAction::Move, on);
    EXPECT_TRUE(painted().Contains(idsPressed));
    // Released over it: the command runs and the button is hot again.
    Mouse(win::MouseAction::LeftUp, on);
    EXPECT_EQ(Log().back(), "OnClick Run");
    const TxbItemDrawStates after = painted();
    EXPECT_FALSE(after.Contains(idsPressed));
    EXPECT_TRUE(after.Contains(idsSelected));
}

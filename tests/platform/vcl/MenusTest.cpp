#include "platform/vcl/Menus.h"

#include "VclControlsSupport.h"
#include "platform/vcl/StdCtrls.h"

using namespace vcl;
using vcltest::VclControlsTest;

namespace {

// A menu that records where it was asked to show.
class TRecordingPopupMenu : public TPopupMenu {
public:
    using TPopupMenu::TPopupMenu;
    void Popup(int32_t x, int32_t y) override {
        TPopupMenu::Popup(x, y);
        Shown.push_back({x, y});
    }
    std::vector<TPoint> Shown;
};

// An edit that answers its context-menu requests the way every control does once it names a popup menu.
class TEditWithMenu : public TEdit {
public:
    using TEdit::TEdit;
    void Dispatch(TMessage& m) override {
        if (m.Msg == win::WM_CONTEXTMENU && ContextPopup(this, Menu, OnContextPopup, m.LParam))
            return;
        TEdit::Dispatch(m);
    }
    TPopupMenu* Menu = nullptr;
    TContextPopupEvent OnContextPopup;
};

} // namespace

// A right click shows the control's menu at the pointer, the Apps key and Shift+F10 at the control's
// top-left corner; the menu learns which control it serves. OnContextPopup sees client coordinates first
// and may keep the menu away; a menu without AutoPopup stays shut.
TEST_F(VclControlsTest, ControlsShowTheirPopupMenuOnRightClickAndTheMenuKeys) {
    TForm* form = MakeForm();
    auto* menu = new TRecordingPopupMenu(form);
    auto* edit = new TEditWithMenu(form);
    edit->SetParent(form);
    edit->SetBoundsRect({20, 30, 170, 51});
    edit->Menu = menu;
    std::vector<TPoint> asked;
    bool keep = false;
    edit->OnContextPopup = [&](TObject*, TPoint pos, bool& handled) {
        asked.push_back(pos);
        handled = keep;
    };
    TPoint at = edit->ClientToScreen({12, 5});
    auto rightClick = [&] {
        FScreen.InjectMouse(win::MouseAction::Move, at);
        FScreen.InjectMouse(win::MouseAction::RightDown, at);
        FScreen.InjectMouse(win::MouseAction::RightUp, at);
        Pump();
    };
    rightClick();
    ASSERT_EQ(menu->Shown.size(), 1u);
    EXPECT_EQ(menu->Shown[0], at);
    EXPECT_EQ(menu->GetPopupComponent(), edit);
    EXPECT_EQ(asked, std::vector<TPoint>{TPoint(12, 5)});
    edit->SetFocus();
    Key(win::VK_APPS);
    Chord(win::VK_SHIFT, win::VK_F10);
    ASSERT_EQ(menu->Shown.size(), 3u);
    EXPECT_EQ(menu->Shown[1], edit->ClientToScreen({0, 0}));
    EXPECT_EQ(menu->Shown[2], edit->ClientToScreen({0, 0}));
    EXPECT_EQ(asked.back(), TPoint(-1, -1));
    keep = true;
    rightClick();
    menu->SetAutoPopup(false);
    keep = false;
    rightClick();
    EXPECT_EQ(menu->Shown.size(), 3u);
    EXPECT_EQ(asked.size(), 5u);
}

#include "VclControlsSupport.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Menus.h"

#include <memory>

using namespace vcl;
using vcltest::VclControlsTest;

namespace {

// A menu that records where it was asked to show.
class TShownPopupMenu : public TPopupMenu {
public:
    using TPopupMenu::TPopupMenu;
    void Popup(int32_t x, int32_t y) override {
        TPopupMenu::Popup(x, y);
        Shown.push_back({x, y});
    }
    std::vector<TPoint> Shown;
};

class ContextPopupTest : public VclControlsTest {
protected:
    void RightClick(TControl* c, TPoint client) {
        TPoint at = c->ClientToScreen(client);
        FScreen.InjectMouse(win::MouseAction::Move, at);
        FScreen.InjectMouse(win::MouseAction::RightDown, at);
        FScreen.InjectMouse(win::MouseAction::RightUp, at);
        Pump();
    }
};

} // namespace

// A right click on a form, a windowed panel or a graphic paint box shows the menu the control names, at
// the pointer, with the control as the menu's PopupComponent; the menu keys show it at the focused
// control's corner.
TEST_F(ContextPopupTest, RightClickShowsTheMenuOfTheControlUnderThePointer) {
    TForm* form = MakeForm();
    auto* formMenu = new TShownPopupMenu(form);
    auto* panelMenu = new TShownPopupMenu(form);
    auto* boxMenu = new TShownPopupMenu(form);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBoundsRect({10, 10, 150, 110});
    auto* box = new TPaintBox(form);
    box->SetParent(form);
    box->SetBoundsRect({200, 10, 300, 110});
    form->SetPopupMenu(formMenu);
    panel->SetPopupMenu(panelMenu);
    box->SetPopupMenu(boxMenu);
    Pump();

    struct Case {
        TControl* control;
        TShownPopupMenu* menu;
        TPoint client;
    };
    for (const Case& c :
         {Case{panel, panelMenu, {5, 7}}, Case{box, boxMenu, {20, 30}}, Case{form, formMenu, {350, 200}}}) {
        size_t before = c.menu->Shown.size();
        RightClick(c.control, c.client);
        ASSERT_EQ(c.menu->Shown.size(), before + 1) << c.control->ClassName();
        EXPECT_EQ(c.menu->Shown.back(), c.control->ClientToScreen(c.client));
        EXPECT_EQ(c.menu->GetPopupComponent(), c.control);
    }
    // Each right click reached one menu only.
    EXPECT_EQ(formMenu->Shown.size() + panelMenu->Shown.size() + boxMenu->Shown.size(), 3u);

    form->SetFocus();
    Key(win::VK_APPS);
    Chord(win::VK_SHIFT, win::VK_F10);
    ASSERT_EQ(formMenu->Shown.size(), 3u);
    EXPECT_EQ(formMenu->Shown[2], form->ClientToScreen({0, 0}));
}

// OnContextPopup sees the request first, in client coordinates, and may keep the menu shut; a control
// without a menu, and one whose menu does not pop up by itself, pass the request to their parent.
TEST_F(ContextPopupTest, UnansweredRequestsGoToTheParent) {
    TForm* form = MakeForm();
    auto* formMenu = new TShownPopupMenu(form);
    auto* panelMenu = new TShownPopupMenu(form);
    form->SetPopupMenu(formMenu);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBoundsRect({10, 10, 150, 110});
    auto* box = new TPaintBox(panel);
    box->SetParent(panel);
    box->SetBoundsRect({10, 10, 60, 60});
    Pump();

    RightClick(box, {4, 4}); // box and panel have no menu: the form's shows, for the form
    ASSERT_EQ(formMenu->Shown.size(), 1u);
    EXPECT_EQ(formMenu->GetPopupComponent(), form);

    panel->SetPopupMenu(panelMenu);
    std::vector<TPoint> asked;
    bool handled = true;
    box->OnContextPopup = [&](TObject* sender, TPoint pos, bool& h) {
        EXPECT_EQ(sender, box);
        asked.push_back(pos);
        h = handled;
    };
    RightClick(box, {4, 5});
    EXPECT_EQ(asked, std::vector<TPoint>{TPoint(4, 5)});
    EXPECT_TRUE(panelMenu->Shown.empty());
    EXPECT_EQ(formMenu->Shown.size(), 1u);

    handled = false;
    RightClick(box, {4, 5}); // not handled, no menu of its own: the panel's
    ASSERT_EQ(panelMenu->Shown.size(), 1u);
    EXPECT_EQ(panelMenu->GetPopupComponent(), panel);

    panelMenu->SetAutoPopup(false);
    RightClick(panel, {100, 80});
    EXPECT_EQ(panelMenu->Shown.size(), 1u);
    EXPECT_EQ(formMenu->Shown.size(), 2u);
}

// A freed menu is forgotten: the control's next right click goes on to the parent's menu.
TEST_F(ContextPopupTest, AFreedMenuIsForgotten) {
    TForm* form = MakeForm();
    auto* formMenu = new TShownPopupMenu(form);
    form->SetPopupMenu(formMenu);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBoundsRect({10, 10, 150, 110});
    auto* own = new TShownPopupMenu(nullptr);
    panel->SetPopupMenu(own);
    own->Free();
    EXPECT_EQ(panel->GetPopupMenu(), nullptr);
    Pump();
    RightClick(panel, {5, 5});
    EXPECT_EQ(formMenu->Shown.size(), 1u);

    // Switching menus drops the notification of the first: freeing it later leaves the second in place.
    auto first = std::make_unique<TShownPopupMenu>(nullptr);
    auto* second = new TShownPopupMenu(form);
    panel->SetPopupMenu(first.get());
    panel->SetPopupMenu(second);
    first.reset();
    EXPECT_EQ(panel->GetPopupMenu(), second);
}

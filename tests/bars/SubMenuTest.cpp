// Sub items and their menus: the 400 ms hover delay on the manual clock, an OnPopup that rebuilds the bar
// while its menu opens, and placement at the screen's edges.
#include "MenusTestSupport.h"

#include "platform/win/user/Metrics.h"

using namespace bars;
using namespace barstest;

namespace {

class SubMenuTest : public MenusFixture {
protected:
    win::TPoint CentreOf(TCustomxbBarControl* window, TxbBarItemControl* control) {
        const win::TRect r = window->GetItemScreenRect(control);
        return win::TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
};

TEST_F(SubMenuTest, HoveringACascadingEntryOpensItsMenuAfter400Ms) {
    MakeMenuBar();
    Chord(win::VK_MENU, 'F');
    TxbBarSubMenuControl* file = MenuOf(File);
    ASSERT_NE(file, nullptr);
    TxbBarItemControl* recent = File->GetItemLinks()->GetItem(2)->GetControl();
    ASSERT_NE(recent, nullptr);
    MoveTo(CentreOf(file, recent));
    EXPECT_EQ(file->GetSelectedControl(), recent);
    Advance(399);
    EXPECT_EQ(MenuOf(Recent), nullptr);
    Advance(1);
    ASSERT_NE(MenuOf(Recent), nullptr);
    EXPECT_EQ(MenuOf(Recent)->GetParentBarControl(), file);
    // Beside the entry, to its right.
    win::TRect r{};
    win::GetWindowRect(MenuOf(Recent)->GetHandle(), &r);
    EXPECT_EQ(r.Left, file->GetItemScreenRect(recent).Right);
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

TEST_F(SubMenuTest, AnOnPopupThatRebuildsTheBarStopsTheOpeningQuietly) {
    MakeMenuBar();
    File->OnPopup = [this](vcl::TObject*) { File->SetCaption("&Files"); };
    Chord(win::VK_MENU, 'F');
    EXPECT_EQ(File->GetCaption(), "&Files");
    EXPECT_EQ(Errors, std::vector<std::string>{});
    // The entry opens normally the next time.
    File->OnPopup = nullptr;
    while (GetActiveBarControl())
        GetActiveBarControl()->DeactivateAll();
    Chord(win::VK_MENU, 'F');
    EXPECT_NE(MenuOf(File), nullptr);
}

TEST_F(SubMenuTest, APopupAtTheScreensCornerStaysInsideTheWorkArea) {
    auto* popup = new TxbBarPopupMenu(Form);
    AddButton(popup->GetItemLinks(), "One");
    AddButton(popup->GetItemLinks(), "Two");
    ShowForm();
    win::TRect work{};
    win::SystemParametersInfo(win::SPI_GETWORKAREA, 0, &work, 0);
    win::TRect placed{};
    bool flipped = false;
    FScreen.Script([&] {
        TxbBarSubMenuControl* menu = popup->GetControl();
        ASSERT_NE(menu, nullptr);
        win::GetWindowRect(menu->GetHandle(), &placed);
        flipped = menu->GetFlippedVertically();
        menu->DeactivateAll();
    });
    popup->Popup(work.Right - 2, work.Bottom - 2);
    EXPECT_EQ(placed.Right, work.Right);
    // A menu opened at a point with room above opens upward from it.
    EXPECT_TRUE(flipped);
    EXPECT_EQ(placed.Bottom, work.Bottom - 2);
}

} // namespace

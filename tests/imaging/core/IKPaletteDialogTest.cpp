// The palette picker on the headless screen: cells where they belong, picking by mouse and by keys,
// OK and Cancel results.
#include "imaging/core/IKPaletteDialog.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using imaging::TIKColorTriple;
using imaging::TImageKitPaletteDialog;

class PaletteDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        FClock.SetAutoAdvance(true);
        win::ResetInputState();
        FScreen.SetStallGraceMs(0);
        vcl::Application->ResetForTesting();
        for (int i = 0; i < 40; ++i)
            FColors.push_back({uint8_t(i), uint8_t(100 + i), uint8_t(200 + i)}); // B, G, R
    }
    void TearDown() override {
        while (vcl::Screen->GetFormCount() > 0)
            vcl::Screen->GetForm(0)->Free();
        win::MSG m;
        while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE)) {
        }
        vcl::Application->ResetForTesting();
        win::ResetInputState();
    }
    static vcl::TColor ColorOf(const TIKColorTriple& c) { return c.R | (c.G << 8) | (c.B << 16); }
    // A point of the dialog's client area on the screen.
    static vcl::TPoint At(TImageKitPaletteDialog* d, int32_t x, int32_t y) {
        return d->ClientToScreen({x, y});
    }
    void Move(TImageKitPaletteDialog* d, int32_t x, int32_t y) {
        FScreen.InjectMouse(headless::MouseAction::Move, At(d, x, y));
    }

    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen;
    std::vector<TIKColorTriple> FColors;
};

TEST_F(PaletteDialogTest, IsADialogWithACancelButtonAndNoSelection) {
    TImageKitPaletteDialog d(nullptr);
    EXPECT_EQ(d.GetWidth(), 539);
    EXPECT_EQ(d.GetHeight(), 199);
    EXPECT_EQ(d.GetBorderStyle(), vcl::bsDialog);
    EXPECT_EQ(d.GetBorderIcons(), vcl::TBorderIcons{vcl::biSystemMenu});
    EXPECT_EQ(d.GetPosition(), vcl::poScreenCenter);
    EXPECT_EQ(d.GetCaption(), "");
    EXPECT_EQ(d.SelectedCell(), -1);
    vcl::TButton* cancel = d.CancelButton();
    EXPECT_EQ(cancel->GetCaption(), "&Cancel");
    EXPECT_EQ(cancel->GetModalResult(), vcl::mrCancel);
    EXPECT_TRUE(cancel->GetCancel());
    EXPECT_EQ(cancel->GetLeft(), 8);
    EXPECT_EQ(cancel->GetTop(), 144);
}

TEST_F(PaletteDialogTest, MapsClientPointsToCellsWithoutWrappingPastTheLastColumn) {
    TImageKitPaletteDialog d(nullptr);
    d.SetPalette(FColors.data(), 40);
    struct Case {
        int32_t X, Y, Cell;
    };
    for (const Case& c : {Case{1, 1, 0}, Case{16, 16, 0}, Case{17, 1, 1}, Case{1, 17, 32}, Case{512, 1, 31},
                          Case{120, 17, 39}, Case{136, 17, -1}, Case{513, 1, -1}, Case{530, 1, -1},
                          Case{0, 5, -1}, Case{5, 0, -1}, Case{1, 33, -1}})
        EXPECT_EQ(d.CellAt(c.X, c.Y), c.Cell) << c.X << "," << c.Y;
    EXPECT_EQ(TImageKitPaletteDialog::CellRect(33), (vcl::TRect{17, 17, 32, 32}));
}

TEST_F(PaletteDialogTest, DrawsEachCellFilledAndOutlinedWhiteOrBlackWhenSelected) {
    TImageKitPaletteDialog d(nullptr);
    d.SetPalette(FColors.data(), 16);
    FScreen.Script([&] {
        Move(&d, 17 + 5, 1 + 5); // cell 1
        vcl::Application->ProcessMessages();
        d.Update();
        win::HWND h = d.GetHandle();
        const vcl::TPoint origin = d.ClientToScreen({0, 0});
        win::RECT wr;
        win::GetWindowRect(h, &wr);
        const int ox = origin.X - wr.Left, oy = origin.Y - wr.Top;
        auto pixel = [&](int x, int y) { return vcl::TColor(FScreen.WindowPixel(h, ox + x, oy + y)); };
        EXPECT_EQ(d.SelectedCell(), 1);
        for (int i = 0; i < 16; ++i) {
            const vcl::TRect r = TImageKitPaletteDialog::CellRect(i);
            EXPECT_EQ(pixel(r.Left + 7, r.Top + 7), ColorOf(FColors[size_t(i)])) << i;
            EXPECT_EQ(pixel(r.Left, r.Top), i == 1 ? vcl::clBlack : vcl::clWhite) << i;
            EXPECT_EQ(pixel(r.Right - 1, r.Bottom - 1), i == 1 ? vcl::clBlack : vcl::clWhite) << i;
        }
        // One row only: nothing is drawn in the second row.
        EXPECT_NE(pixel(8, 24), vcl::clWhite);
        // Empty grid space keeps the selection.
        Move(&d, 8, 24);
        vcl::Application->ProcessMessages();
        EXPECT_EQ(d.SelectedCell(), 1);
    });
    FScreen.ScriptKeyPress(win::VK_ESCAPE);
    EXPECT_FALSE(d.Execute());
    EXPECT_EQ(FScreen.ScriptLeft(), 0u);
}

TEST_F(PaletteDialogTest, AClickOnACellPicksItsColour) {
    TImageKitPaletteDialog d(nullptr);
    d.SetPalette(FColors.data(), 40);
    FScreen.Script([&] { Move(&d, 1 + 16 * 2 + 3, 17 + 3); }); // cell 34
    FScreen.Script([&] { FScreen.InjectClick(At(&d, 1 + 16 * 2 + 3, 17 + 3)); });
    EXPECT_TRUE(d.Execute());
    EXPECT_EQ(d.SelectedCell(), 34);
    EXPECT_EQ(d.ChosenColor(), ColorOf(FColors[34]));
    EXPECT_EQ(d.ChosenColor() & 0xFF, 200 + 34); // red in the low byte
}

TEST_F(PaletteDialogTest, ArrowKeysAndEnterPickAColour) {
    TImageKitPaletteDialog d(nullptr);
    d.SetPalette(FColors.data(), 40);
    // The first arrow selects cell 0; then right, down, and a move past the end that is refused.
    for (int vk : {win::VK_RIGHT, win::VK_RIGHT, win::VK_RIGHT, win::VK_DOWN, win::VK_DOWN, win::VK_LEFT})
        FScreen.ScriptKeyPress(vk);
    FScreen.Script([&] { EXPECT_EQ(d.SelectedCell(), 33); });
    FScreen.ScriptKeyPress(win::VK_RETURN);
    EXPECT_TRUE(d.Execute());
    EXPECT_EQ(d.ChosenColor(), ColorOf(FColors[33]));
    EXPECT_EQ(FScreen.ScriptLeft(), 0u);
}

TEST_F(PaletteDialogTest, CancelEscapeAndAClickOnEmptySpaceGiveNoColour) {
    TImageKitPaletteDialog d(nullptr);
    d.SetPalette(FColors.data(), 16);
    FScreen.Script([&] {
        vcl::TButton* b = d.CancelButton();
        FScreen.InjectClick(b->ClientToScreen({b->GetWidth() / 2, b->GetHeight() / 2}));
    });
    EXPECT_FALSE(d.Execute());
    FScreen.ScriptKeyPress(win::VK_ESCAPE);
    EXPECT_FALSE(d.Execute());
    // A click with no cell selected (the pointer never was over one) is ignored; Escape then cancels.
    FScreen.Script([&] { FScreen.InjectClick(At(&d, 300, 60)); });
    FScreen.Script([&] { EXPECT_EQ(d.SelectedCell(), -1); });
    FScreen.ScriptKeyPress(win::VK_ESCAPE);
    EXPECT_FALSE(d.Execute());
    EXPECT_EQ(d.ChosenColor(), 0);
    EXPECT_EQ(FScreen.ScriptLeft(), 0u);
}

TEST_F(PaletteDialogTest, AnEmptyOrMissingPaletteShowsNothingToPick) {
    TImageKitPaletteDialog d(nullptr);
    d.SetPalette(nullptr, 5);
    EXPECT_EQ(d.CellAt(1, 1), -1);
    d.SetPalette(FColors.data(), -3);
    EXPECT_EQ(d.CellAt(1, 1), -1);
    FScreen.ScriptKeyPress(win::VK_RIGHT);
    FScreen.ScriptKeyPress(win::VK_RETURN);
    FScreen.ScriptKeyPress(win::VK_ESCAPE);
    EXPECT_FALSE(d.Execute());
    EXPECT_EQ(d.SelectedCell(), -1);
}

} // namespace

// The dock's window: its background under docked bars, the sunken border, activation and the placed dock.
#include "BarsTestSupport.h"
#include "PaintTestSupport.h"

#include "bars/xbBarPainter.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/UserTypes.h"

using namespace bars;
using namespace barstest;

namespace {

class DockWindowTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        Form->SetBounds(0, 0, 400, 300);
        Manager = MakeManager();
    }
    TxbBar* DockedBar() {
        ScopedTestWindows windows([](TTestBarWindow* w) { w->Thickness = 20; });
        TxbBar* bar = Manager->GetBars()->Add();
        bar->SetDockingStyle(dsTop);
        bar->SetVisible(true);
        return bar;
    }
    TxbBarManager* Manager = nullptr;
};

TEST_F(DockWindowTest, DockBitmapContinuesUnderADockedToolbar) {
    TxbBar* bar = DockedBar();
    TxbBarControl* window = bar->GetControl();
    TxbDockControl* dock = Manager->GetBars()->GetDockControl(dsTop);
    ASSERT_EQ(window->GetDockControl(), dock);
    auto colour = [](int x, int y) { return Rgb(x * 20, y * 30, 77); };
    vcl::TBitmap* tile = dock->GetBackgroundBitmap();
    tile->SetPixelFormat(vcl::pf24bit);
    tile->SetSize(7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            tile->GetCanvas()->SetPixel(x, y, colour(x, y));
    EXPECT_TRUE(dock->HasBackground());
    const int w = 30, h = 12;
    Surface out(w, h);
    EnhancedPainter()->DrawDockedBarBackground(window, out.Dc(), 0, nullptr, {0, 0, w, h}, {0, 0, w, h});
    const int left = window->GetLeft(), top = window->GetTop();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(out.Pixel(x, y), colour((x + left) % 7, (y + top) % 5)) << x << "," << y;
}

TEST_F(DockWindowTest, SunkenBorderAndNoActivation) {
    TxbDockControl* dock = Manager->GetBars()->GetDockControl(dsTop);
    win::HWND handle = dock->GetHandle();
    win::NCCALCSIZE_PARAMS params{};
    params.rgrc[0] = {10, 10, 110, 60};
    Manager->SetSunkenBorder(false);
    win::SendMessage(handle, win::WM_NCCALCSIZE, 0, reinterpret_cast<win::LPARAM>(&params));
    EXPECT_EQ(params.rgrc[0], (win::TRect{10, 10, 110, 60}));
    Manager->SetSunkenBorder(true);
    params.rgrc[0] = {10, 10, 110, 60};
    win::SendMessage(handle, win::WM_NCCALCSIZE, 0, reinterpret_cast<win::LPARAM>(&params));
    EXPECT_EQ(params.rgrc[0], (win::TRect{11, 11, 109, 59}));
    EXPECT_EQ(win::SendMessage(handle, win::WM_MOUSEACTIVATE, win::WPARAM(Form->GetHandle()), 0), win::MA_NOACTIVATE);
    auto style = win::DWORD(win::GetWindowLong(handle, win::GWL_STYLE));
    EXPECT_EQ(style & (win::WS_CHILD | win::WS_CLIPSIBLINGS | win::WS_CLIPCHILDREN),
              win::WS_CHILD | win::WS_CLIPSIBLINGS | win::WS_CLIPCHILDREN);
}

TEST_F(DockWindowTest, PlacedDockSizeWithoutBars) {
    auto* dock = new TxbBarDockControl(Form);
    dock->SetParent(Form);
    dock->SetBarManager(Manager);
    EXPECT_EQ(dock->GetRowsSize(), 0);
    EXPECT_EQ(dock->DesignMinimumSize(), 0);
    dock->SetDesigning(true);
    EXPECT_EQ(dock->GetRowsSize(), 3);
    dock->SetAllowZeroSizeInDesignTime(true);
    EXPECT_EQ(dock->GetRowsSize(), 0);
    dock->SetDesigning(false);
}

TEST_F(DockWindowTest, NoDockingIntoAPlacedDockInsideTheBarsOwnWindow) {
    TxbBar* bar = DockedBar();
    TxbBarControl* window = bar->GetControl();
    auto* inside = new TxbBarDockControl(Form);
    inside->SetParent(window);
    inside->SetBarManager(Manager);
    auto* outside = new TxbBarDockControl(Form);
    outside->SetParent(Form);
    outside->SetBarManager(Manager);
    inside->HandleNeeded();
    outside->HandleNeeded();
    EXPECT_FALSE(inside->CanDockBar(bar));
    EXPECT_TRUE(outside->CanDockBar(bar));
    outside->SetAllowDocking(false);
    EXPECT_FALSE(outside->CanDockBar(bar));
    inside->SetParent(nullptr);
    delete inside;
}

} // namespace

#include "LookAndFeelTestSupport.h"

#include "lookandfeel/lkControls.h"
#include "lookandfeel/xbCommon.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Metrics.h"

using namespace lookandfeel;

namespace {

class DropDownTest : public lftest::LookAndFeelFixture {
protected:
    void TearDown() override {
        win::ResetSystemMetricOverrides();
        LookAndFeelFixture::TearDown();
    }
};

TEST_F(DropDownTest, GripStripHeight) {
    struct Case {
        int HScroll, Size, Height;
    };
    for (Case c : {Case{17, 18, 20}, Case{17, 22, 23}, Case{30, 18, 33}}) {
        win::SetSystemMetricOverride(win::SM_CYHSCROLL, c.HScroll);
        win::SetSystemMetricOverride(win::SM_CYSIZE, c.Size);
        EXPECT_EQ(GetDropDownGripBarHeight(), c.Height) << c.HScroll << " " << c.Size;
    }
}

TEST_F(DropDownTest, SizeGripCorners) {
    const win::TRect edit{100, 100, 200, 120};
    EXPECT_EQ(GetSizeGripCorner(edit, {100, 120, 220, 300}), sgcBottomRight); // below
    EXPECT_EQ(GetSizeGripCorner(edit, {100, 10, 220, 100}), sgcTopRight);     // above: its bottom above the edit's
    EXPECT_EQ(GetSizeGripCorner(edit, {0, 120, 90, 300}), sgcBottomLeft);     // below, ending left of the edit
    EXPECT_EQ(GetSizeGripCorner(edit, {0, 10, 100, 100}), sgcTopLeft);
}

TEST_F(DropDownTest, CornerThreeIsTheGlyphAsDrawnWithFaceBandsRightAndBelow) {
    win::SetSystemMetricOverride(win::SM_CXVSCROLL, 16);
    win::SetSystemMetricOverride(win::SM_CYHSCROLL, 14);
    const int elements[] = {win::COLOR_BTNFACE};
    const win::COLORREF values[] = {0x336699};
    win::SetSysColors(1, elements, values);
    vcl::TBitmap target, glyph;
    for (vcl::TBitmap* b : {&target, &glyph}) {
        b->SetPixelFormat(vcl::pf32bit);
        b->SetSize(40, 30);
        b->GetCanvas()->GetBrush()->SetColor(0x010203);
        b->GetCanvas()->FillRect({0, 0, 40, 30});
    }
    win::TRect rect{5, 5, 35, 28};
    PaintSizeGrip(target.GetCanvas()->GetHandle(), rect, sgcBottomRight);
    EXPECT_EQ(rect, (win::TRect{19, 14, 35, 28}));
    // The cell: the glyph in its first 14 by 12 pixels, two face columns at the right, two face rows below.
    win::TRect inner{0, 0, 14, 12};
    win::DrawFrameControl(glyph.GetCanvas()->GetHandle(), &inner, win::DFC_SCROLL, win::DFCS_SCROLLSIZEGRIP);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 16; ++x) {
            win::COLORREF got = win::GetPixel(target.GetCanvas()->GetHandle(), 19 + x, 14 + y);
            if (x >= 14 || y >= 12)
                ASSERT_EQ(got, 0x336699u) << x << "," << y;
            else
                ASSERT_EQ(got, win::GetPixel(glyph.GetCanvas()->GetHandle(), x, y)) << x << "," << y;
        }
    // Nothing outside the cell.
    EXPECT_EQ(win::GetPixel(target.GetCanvas()->GetHandle(), 18, 20), 0x010203u);
    EXPECT_EQ(win::GetPixel(target.GetCanvas()->GetHandle(), 25, 13), 0x010203u);

    // Corner 0 is the top-left cell, with its bands left and above.
    win::TRect topLeft{5, 5, 35, 28};
    PaintSizeGrip(target.GetCanvas()->GetHandle(), topLeft, sgcTopLeft);
    EXPECT_EQ(topLeft, (win::TRect{5, 5, 21, 19}));
    // Its every pixel is corner 3's mirrored both ways: no column or row of the glyph is lost.
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(win::GetPixel(target.GetCanvas()->GetHandle(), 5 + x, 5 + y),
                      win::GetPixel(target.GetCanvas()->GetHandle(), 19 + 15 - x, 14 + 13 - y))
                << x << "," << y;
}

TEST_F(DropDownTest, TextCallsClampTheirCount) {
    vcl::TBitmap b;
    b.SetPixelFormat(vcl::pf32bit);
    b.SetSize(100, 40);
    win::HDC dc = b.GetCanvas()->GetHandle();
    const std::string text = "abc";
    win::SIZE all{}, two{}, past{}, negative{};
    ASSERT_TRUE(win::GetTextExtentPoint32(dc, "abc", 3, &all));
    win::GetTextExtentPoint32(dc, "ab", 2, &two);
    EXPECT_TRUE(GetTextExtentStr(dc, text, 10, &past));
    EXPECT_TRUE(GetTextExtentStr(dc, text, -1, &negative));
    EXPECT_EQ(past.cx, all.cx);
    EXPECT_EQ(negative.cx, all.cx);
    win::SIZE size{};
    GetTextExtentStr(dc, text, 2, &size);
    EXPECT_EQ(size.cx, two.cx);
    win::TRect r1{0, 0, 100, 40}, r2{0, 0, 100, 40};
    EXPECT_EQ(DrawTextStr(dc, text, 1000, &r1, win::DT_CALCRECT), DrawTextStr(dc, text, -1, &r2, win::DT_CALCRECT));
    EXPECT_EQ(r1, r2);
    EXPECT_EQ(r1.Right, all.cx);
    EXPECT_TRUE(ExtTextOutStr(dc, 0, 0, 0, nullptr, text));
}

TEST_F(DropDownTest, MonitorWorkAreaOfTheNearestMonitor) {
    FScreen.SetMonitors({{{0, 0, 1024, 768}, {0, 0, 1024, 738}, true}, {{1024, 0, 2048, 768}, {1024, 30, 2048, 700}, false}});
    StartWith(nullptr);
    win::TRect rect;
    GetMonitorWorkArea({1500, 100}, rect);
    EXPECT_EQ(rect, (win::TRect{1024, 30, 2048, 700}));
    GetMonitorWorkArea({5000, -300}, rect); // off every screen: the nearest
    EXPECT_EQ(rect, (win::TRect{1024, 30, 2048, 700}));
    GetMonitorWorkArea({10, 10}, rect);
    EXPECT_EQ(rect, (win::TRect{0, 0, 1024, 738}));
    // Without one of the monitor functions: the primary work area.
    for (const char* name : {"GetMonitorInfoA", "MonitorFromPoint"}) {
        win::ResetModuleSwitches();
        win::SetExportAbsent("USER32", name, true);
        GetMonitorWorkArea({1500, 100}, rect);
        EXPECT_EQ(rect, (win::TRect{0, 0, 1024, 738})) << name;
    }
}

TEST_F(DropDownTest, CtrlState) {
    StartWith(nullptr);
    EXPECT_FALSE(IsCtrlPressed());
    FScreen.InjectKey(win::VK_CONTROL, true);
    lftest::DrainMessages();
    EXPECT_TRUE(IsCtrlPressed());
    FScreen.InjectKey(win::VK_CONTROL, false);
    lftest::DrainMessages();
    EXPECT_FALSE(IsCtrlPressed());
}

} // namespace

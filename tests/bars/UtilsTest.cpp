// The bar library's window, input, font and colour routines.
#include "BarsTestSupport.h"

#include "platform/vcl/Bitmap.h"
#include "platform/win/gdi/Fonts.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/WindowStyles.h"

using namespace bars;
using namespace barstest;

namespace {

class UtilsTest : public BarsFixture {};

TEST(RemoveAccelCharsTest, EachAmpersandButALastOneGoes) {
    struct Case {
        const char* Text;
        const char* Expected;
    };
    const Case cases[] = {
        {"&File", "File"},   {"A&&B", "A&B"},   {"Save&", "Save&"}, {"&&&x", "&x"},
        {"", ""},            {"&", "&"},        {"a&b&c", "abc"},   {"Fish && &Chips", "Fish & Chips"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RemoveAccelChars(c.Text), c.Expected) << c.Text;
}

TEST(CheckMinEditWidthTest, RaisesWidthsBelowTwenty) {
    for (auto [in, out] : {std::pair{5, 20}, {19, 20}, {20, 20}, {100, 100}, {-3, 20}}) {
        int32_t width = in;
        CheckMinEditWidth(width);
        EXPECT_EQ(width, out) << in;
    }
}

TEST_F(UtilsTest, UniqueItemNamesIgnoreLetterCase) {
    TxbBarManager* manager = MakeManager();
    EXPECT_EQ(MakeUniqueItemName(manager, "TxbBarButton"), "xbBarButton1");
    auto* taken = new TxbBarItem(Form);
    taken->SetName("XBBARBUTTON1");
    auto* second = new TxbBarItem(Form);
    second->SetName("xbbarbutton2");
    EXPECT_EQ(MakeUniqueItemName(manager, "TxbBarButton"), "xbBarButton3");
    EXPECT_EQ(MakeUniqueItemName(nullptr, "TxbBarEdit"), "xbBarEdit1");
}

int GLeaves = 0;
win::LRESULT CountLeaves(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if (msg == win::WM_MOUSELEAVE)
        ++GLeaves;
    return win::DefWindowProc(hwnd, msg, wParam, lParam);
}

void RegisterPlainClass(const char* name) {
    win::WNDCLASS wc;
    wc.lpfnWndProc = &CountLeaves;
    wc.lpszClassName = name;
    win::RegisterClass(wc);
}

TEST_F(UtilsTest, TheDeepestWindowIsFoundOverADisabledChild) {
    RegisterPlainClass("BarsPlain");
    win::HWND top = win::CreateWindowEx(0, "BarsPlain", "", win::WS_POPUP | win::WS_VISIBLE, 100, 100, 200, 200,
                                        nullptr, nullptr, nullptr, nullptr);
    win::HWND child = win::CreateWindowEx(0, "BarsPlain", "", win::WS_CHILD | win::WS_VISIBLE | win::WS_DISABLED, 10,
                                          10, 100, 100, top, nullptr, nullptr, nullptr);
    win::HWND inner = win::CreateWindowEx(0, "BarsPlain", "", win::WS_CHILD | win::WS_VISIBLE, 20, 20, 30, 30, child,
                                          nullptr, nullptr, nullptr);
    win::HWND hidden = win::CreateWindowEx(0, "BarsPlain", "", win::WS_CHILD, 60, 60, 30, 30, child, nullptr, nullptr,
                                           nullptr);
    EXPECT_EQ(DeepestWindowFromPoint({115, 115}), child);
    EXPECT_EQ(DeepestWindowFromPoint({135, 135}), inner);
    // A hidden child is passed over.
    EXPECT_EQ(DeepestWindowFromPoint({175, 175}), child);
    EXPECT_EQ(DeepestWindowFromPoint({250, 250}), top);
    EXPECT_TRUE(IsWindowDescendantOf(inner, top));
    EXPECT_FALSE(IsWindowDescendantOf(top, top));
    EXPECT_FALSE(IsWindowDescendantOf(top, inner));
    (void)hidden;
    win::DestroyWindow(top);
    win::UnregisterClass("BarsPlain", nullptr);
}

TEST(ScaledBarFontHeightTest, AtLeastElevenPixels) {
    for (auto [in, out] : {std::pair{-8, -11}, {-10, -11}, {-11, -11}, {-12, -12}, {-20, -20}, {8, -11}})
        EXPECT_EQ(ScaledBarFontHeight(in), out) << in;
}

TEST_F(UtilsTest, BarFontHandlesCopyTheFontOrTakeTheIconTitleHeight) {
    vcl::TFont font;
    font.SetHeight(-20);
    font.SetName("Arial");
    win::HFONT handle = nullptr;
    font.GetHandle();
    const int fonts = win::GdiObjectCount(win::GdiKind::gkFont);
    CreateBarFontHandle(&font, handle, false);
    win::LOGFONTA lf{};
    win::GetObject(handle, sizeof(lf), &lf);
    EXPECT_EQ(lf.lfHeight, -20);
    EXPECT_STREQ(lf.lfFaceName, "Arial");
    CreateBarFontHandle(&font, handle, true); // the old handle is deleted
    win::GetObject(handle, sizeof(lf), &lf);
    win::LOGFONTA iconTitle{};
    win::SystemParametersInfo(win::SPI_GETICONTITLELOGFONT, sizeof(iconTitle), &iconTitle, 0);
    EXPECT_EQ(lf.lfHeight, ScaledBarFontHeight(iconTitle.lfHeight));
    EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkFont), fonts + 1);
    win::DeleteObject(handle);
}

TEST_F(UtilsTest, TheDitherBrushPaintsTheCheckerOfFaceAndHighlight) {
    vcl::TBitmap bitmap;
    bitmap.SetPixelFormat(vcl::pf32bit);
    bitmap.SetSize(16, 16);
    win::TRect r{0, 0, 16, 16};
    win::FillRect(bitmap.GetCanvas()->GetHandle(), &r, DitherBrush());
    const auto face = win::GetSysColor(win::COLOR_BTNFACE);
    const auto highlight = win::GetSysColor(win::COLOR_BTNHIGHLIGHT);
    ASSERT_NE(face, highlight);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(win::GetPixel(bitmap.GetCanvas()->GetHandle(), x, y), (x % 2 == y % 2) ? face : highlight)
                << x << "," << y;
}

TEST_F(UtilsTest, WithoutTrackMouseEventTheLeaveComesAtTheFirstTimerStepAfterLeaving) {
    while (BarCommonModuleInitialized())
        DoneBarCommonModule();
    win::SetExportAbsent("USER32", "TrackMouseEvent", true);
    InitBarCommonModule();
    ASSERT_EQ(TrackMouseEventProc, nullptr);
    win::WNDCLASS wc;
    wc.lpfnWndProc = &CountLeaves;
    wc.lpszClassName = "BarsLeaveTest";
    win::RegisterClass(wc);
    win::HWND window = win::CreateWindowEx(0, "BarsLeaveTest", "", win::WS_POPUP | win::WS_VISIBLE, 100, 100, 100,
                                           100, nullptr, nullptr, nullptr, nullptr);
    GLeaves = 0;
    win::SetCursorPos(150, 150);
    StartMouseLeaveTracking(window);
    EXPECT_TRUE(IsMouseLeaveTracked(window));
    FClock.Advance(50);
    DrainMessages();
    EXPECT_EQ(GLeaves, 0); // still inside
    win::SetCursorPos(400, 400);
    FClock.Advance(49);
    DrainMessages();
    EXPECT_EQ(GLeaves, 0);
    FClock.Advance(1);
    DrainMessages();
    EXPECT_EQ(GLeaves, 1);
    EXPECT_FALSE(IsMouseLeaveTracked(window));
    FClock.Advance(200);
    DrainMessages();
    EXPECT_EQ(GLeaves, 1);
    win::DestroyWindow(window);
    win::UnregisterClass("BarsLeaveTest", nullptr);
}

TEST_F(UtilsTest, CancellingTrackingSendsTheLeaveOnce) {
    win::WNDCLASS wc;
    wc.lpfnWndProc = &CountLeaves;
    wc.lpszClassName = "BarsLeaveTest2";
    win::RegisterClass(wc);
    win::HWND window = win::CreateWindowEx(0, "BarsLeaveTest2", "", win::WS_POPUP | win::WS_VISIBLE, 100, 100, 100,
                                           100, nullptr, nullptr, nullptr, nullptr);
    GLeaves = 0;
    win::SetCursorPos(150, 150);
    ASSERT_NE(TrackMouseEventProc, nullptr);
    StartMouseLeaveTracking(window);
    EXPECT_TRUE(IsMouseLeaveTracked(window));
    CancelMouseLeaveTracking(window);
    CancelMouseLeaveTracking(window);
    EXPECT_EQ(GLeaves, 1);
    EXPECT_FALSE(IsMouseLeaveTracked(window));
    win::DestroyWindow(window);
    win::UnregisterClass("BarsLeaveTest2", nullptr);
}

TEST_F(UtilsTest, MenuSoundsPlayTheirAliases) {
    PlayMenuSound(1);
    PlayMenuSound(0);
    PlayMenuSound(2); // no such sound
    ASSERT_EQ(FScreen.Sounds().size(), 2u);
    EXPECT_EQ(FScreen.Sounds()[0].Sound, "MenuCommand");
    EXPECT_EQ(FScreen.Sounds()[0].Flags, 0x12003u);
    EXPECT_EQ(FScreen.Sounds()[1].Sound, "MenuPopup");
}

TEST_F(UtilsTest, RealColoursAndDepthComeFromTheScreen) {
    EXPECT_EQ(ScreenBitsPerPixel(), 32);
    EXPECT_EQ(GetRealColor(0x123456), 0x123456);
    EXPECT_EQ(GetRealColor(vcl::clBtnFace), vcl::TColor(win::GetSysColor(win::COLOR_BTNFACE)));
}

} // namespace

// The single-image view's model: zoom, automatic zoom, scrolling, the wheel, keys, assignments, alpha,
// layers, the legacy bitmap and the road of changes from the I/O component.
#include "imaging/core/ImageKitView.h"

#include "imaging/io/IOComponent.h"
#include "platform/vcl/Streams.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/ScrollBars.h"
#include "platform/win/user/User.h"
#include "tests/imaging/core/IKViewFixture.h"

#include <unistd.h>

#include <filesystem>
#include <thread>

namespace imaging {

// Gives the tests what no operation of the view does: more layers.
class TImageKitViewTestAccess {
public:
    static TIKLayer* AddLayer(TImageKitView* view, int32_t width, int32_t height) {
        auto* bitmap = new TIKBitmap();
        bitmap->SetStorageKind(ikbsMemory);
        bitmap->Allocate(width, height, ikbf24Bit);
        view->FLayers.push_back(std::make_unique<TIKLayer>(bitmap, true));
        return view->FLayers.back().get();
    }
};

} // namespace imaging

using namespace imaging;

namespace {

class ImageKitViewTest : public iktest::ViewFixture {
protected:
    void SetUp() override {
        ViewFixture::SetUp();
        View->OnViewChange = [this](vcl::TObject*, int32_t change) { Changes.push_back(change); };
    }
    std::vector<int32_t> Changes;
};

TEST_F(ImageKitViewTest, ZoomIgnoresItsValueAndZeroAndKeepsTheCentre) {
    LoadGradient(60, 40);
    Changes.clear();
    View->SetZoom(100);
    View->SetZoom(0);
    View->SetZoom(-5);
    EXPECT_TRUE(Changes.empty());
    EXPECT_EQ(View->GetZoom(), 100);

    // An image that fits the client area at 100 and at 200 stays centred: the bitmap centre stays under the
    // client centre.
    const int32_t cx = View->GetClientWidth() / 2, cy = View->GetClientHeight() / 2;
    EXPECT_EQ(View->XScr2Bmp(cx), 30);
    EXPECT_EQ(View->YScr2Bmp(cy), 20);
    View->SetZoom(200);
    EXPECT_EQ(View->GetZoom(), 200);
    EXPECT_EQ(View->GetOffsetX(), (View->GetClientWidth() - 120) / 2);
    EXPECT_EQ(View->GetOffsetY(), (View->GetClientHeight() - 80) / 2);
    EXPECT_EQ(View->XScr2Bmp(cx), 30);
    EXPECT_EQ(View->YScr2Bmp(cy), 20);
    ASSERT_FALSE(Changes.empty());
    EXPECT_EQ(Changes.back(), ikvcZoomed);
}

TEST_F(ImageKitViewTest, AutomaticZoom) {
    // Client area 196 x 146 (the view's client edge takes 2 pixels a side).
    ASSERT_EQ(View->GetClientWidth(), 196);
    ASSERT_EQ(View->GetClientHeight(), 146);
    struct Case {
        bool fit, shrink, stretch;
        int32_t w, h;
        double zoom;
    };
    const Case cases[] = {
        {true, false, false, 1, 1, 100},       // a 1 x 1 image shows at 100
        {true, false, false, 20, 10, 980},     // stretched: 196 / 0.2
        {true, false, false, 400, 100, 49},    // shrunk: 196 / 4
        {true, false, false, 30000, 10, 1},    // below 1 becomes 1
        {false, true, false, 20, 10, 100},     // shrink alone leaves a small image
        {false, true, false, 400, 100, 49},    // and shrinks a large one
        {false, false, true, 20, 10, 980},     // stretch alone stretches a small one
        {false, false, true, 400, 100, 100},   // and leaves a large one
        {false, false, true, 10, 73, 200},     // the vertical axis decides: 146 / 0.73
    };
    for (const Case& c : cases) {
        View->SetAutoFit(c.fit);
        View->SetAutoShrink(c.shrink);
        View->SetAutoStretch(c.stretch);
        View->SetZoom(100);
        LoadGradient(c.w, c.h);
        EXPECT_DOUBLE_EQ(View->GetZoom(), c.zoom) << c.w << " x " << c.h << " fit " << c.fit;
    }
}

TEST_F(ImageKitViewTest, FitZoom) {
    // An empty image has no fit: 100, and ZoomToFit leaves the zoom.
    EXPECT_EQ(View->GetFitZoom(), 100);
    View->ZoomToFit();
    EXPECT_EQ(View->GetZoom(), 100);

    LoadGradient(100, 50);
    // The fit uses the control's outer size (200 x 150).
    EXPECT_DOUBLE_EQ(View->GetFitZoom(), 200);
    // With the cropped shadow 5 pixels stay free on every side.
    View->SetBackgroundStyle(ikbsCropShadow);
    EXPECT_DOUBLE_EQ(View->GetFitZoom(), 190);
    View->ZoomToFit();
    EXPECT_EQ(View->GetZoom() * 100 / 100, 190);
    View->SetBackgroundStyle(ikbsCropped);
    EXPECT_DOUBLE_EQ(View->GetFitZoom(), 200 - 2 * IKDisplay().EdgeWidth);
}

TEST_F(ImageKitViewTest, WheelZoomsByEightPerCent) {
    LoadGradient(60, 40);
    auto wheel = [&](int delta) {
        View->Perform(win::WM_MOUSEWHEEL, win::MAKEWPARAM(0, delta), 0);
    };
    for (int delta : {120, 1, 480}) {
        View->SetZoom(100);
        wheel(delta);
        EXPECT_EQ(View->GetZoom(), 92) << delta;
        View->SetZoom(100);
        wheel(-delta);
        EXPECT_EQ(View->GetZoom(), 108) << delta;
    }
    // At 5 per cent 8 per cent is 0.4: the step of at least 1 applies.
    View->SetZoom(5);
    wheel(120);
    EXPECT_EQ(View->GetZoom(), 4);
    wheel(-120);
    EXPECT_EQ(View->GetZoom(), 5);
    // Inverted, absolute steps; and scrolling instead of zooming.
    View->GetWheelParams()->InvertWheel = true;
    View->GetWheelParams()->Variation = ikmwvAbsolute;
    wheel(120);
    EXPECT_EQ(View->GetZoom(), 13);
    View->GetWheelParams()->InvertWheel = false;
    View->GetWheelParams()->Action = ikmwaNone;
    wheel(120);
    EXPECT_EQ(View->GetZoom(), 13);
}

TEST_F(ImageKitViewTest, WheelZoomsAtThePointerInClientCoordinates) {
    LoadGradient(250, 250);
    View->SetZoom(200);
    View->SetViewOrigin(100, 60);
    View->GetWheelParams()->ZoomPosition = true;
    // The pointer at client (40, 30); the message carries it in screen coordinates.
    const win::TPoint client{40, 30};
    const win::TPoint screen = View->ClientToScreen(client);
    ASSERT_NE(screen.X, client.X);
    const int32_t bx = View->XScr2Bmp(client.X), by = View->YScr2Bmp(client.Y);
    View->Perform(win::WM_MOUSEWHEEL, win::MAKEWPARAM(0, -120), win::MAKELPARAM(screen.X, screen.Y));
    EXPECT_EQ(View->GetZoom(), 216);
    Pump();
    // The pixel that was under the pointer is the one brought to the centre.
    EXPECT_NEAR(View->XScr2Bmp(View->GetClientWidth() / 2), bx, 1);
    EXPECT_NEAR(View->YScr2Bmp(View->GetClientHeight() / 2), by, 1);
}

TEST_F(ImageKitViewTest, ScrollBarMessages) {
    LoadGradient(400, 300);
    View->SetZoom(300);
    int32_t maxX = 0, maxY = 0;
    View->GetMaxViewXY(maxX, maxY);
    ASSERT_GT(maxX, 1000);
    const int32_t client = View->GetClientWidth();
    const double factor = View->GetHorizontalThumbFactor();
    EXPECT_DOUBLE_EQ(factor, (client + maxX) / 65536.0);
    struct Case {
        int code, lineStep, pageStep, thumb;
        int32_t expected; // from the origin 500, unit 3
    };
    const Case cases[] = {
        {win::SB_LINEUP, -1, -1, 0, 497},
        {win::SB_LINEDOWN, -1, -1, 0, 503},
        {win::SB_LINEUP, 5, -1, 0, 485},
        {win::SB_LINEDOWN, 5, -1, 0, 515},
        {win::SB_PAGEUP, -1, -1, 0, 500 - client},
        {win::SB_PAGEDOWN, -1, -1, 0, 500 + client},
        {win::SB_PAGEUP, -1, 4, 0, 488},
        {win::SB_PAGEDOWN, -1, 4, 0, 512},
        {win::SB_THUMBPOSITION, -1, -1, 20000, int32_t(20000 * factor)},
        {win::SB_THUMBTRACK, -1, -1, 30000, int32_t(30000 * factor)},
        {win::SB_TOP, -1, -1, 0, 0},
        {win::SB_BOTTOM, -1, -1, 0, maxX},
        {win::SB_ENDSCROLL, -1, -1, 0, 500},
    };
    for (const Case& c : cases) {
        View->SetViewX(500);
        View->GetHScrollParams()->LineStep = c.lineStep;
        View->GetHScrollParams()->PageStep = c.pageStep;
        View->Perform(win::WM_HSCROLL, win::MAKEWPARAM(c.code, c.thumb), 0);
        EXPECT_EQ(View->GetViewX(), c.expected) << "code " << c.code;
    }
    // Without tracking a thumb drag scrolls only when the thumb is released.
    View->GetVScrollParams()->Tracking = false;
    View->SetViewY(10);
    View->Perform(win::WM_VSCROLL, win::MAKEWPARAM(win::SB_THUMBTRACK, 30000), 0);
    EXPECT_EQ(View->GetViewY(), 10);
    View->Perform(win::WM_VSCROLL, win::MAKEWPARAM(win::SB_THUMBPOSITION, 30000), 0);
    EXPECT_EQ(View->GetViewY(), int32_t(30000 * View->GetVerticalThumbFactor()));
    // The thumb follows the origin.
    EXPECT_EQ(win::GetScrollPos(View->GetHandle(), win::SB_VERT),
              int(View->GetViewY() / View->GetVerticalThumbFactor()));
}

// A view whose idea of its client width flips with its horizontal scroll bar: showing the bar makes the
// image fit, hiding it makes the image too wide.
class TFlippingView : public TImageKitView {
public:
    using TImageKitView::TImageKitView;
    int32_t ClientWidthOrDefault() override {
        ++Calls;
        const bool barShown = GetClientHeight() < GetHeight() - 4;
        return GetClientWidth() + (barShown ? 100 : -100);
    }
    int Calls = 0;
};

TEST_F(ImageKitViewTest, ScrollBarsThatToggleEachOtherStop) {
    auto* view = new TFlippingView(Form);
    view->SetParent(Form);
    view->SetBounds(0, 160, 200, 100);
    view->SetScrollBars(vcl::ssHorizontal);
    TIKBitmap* b = view->GetIKBitmap();
    b->Allocate(250, 20, ikbf24Bit);
    view->HandleNeeded();
    view->Calls = 0;
    view->Update();
    // Each pass asks once for the maximum origin: nine passes, then Update gives up.
    EXPECT_EQ(view->Calls, 9);
}

TEST_F(ImageKitViewTest, ShiftSwapsTheCrossCursors) {
    View->SetTabStop(true);
    View->SetFocus();
    Pump();
    for (auto [plain, shifted] : {std::pair<int16_t, int16_t>{1785, 1791}, {1793, 1794}}) {
        View->SetCursor(plain);
        FScreen.InjectKey(win::VK_SHIFT, true);
        Pump();
        EXPECT_EQ(View->GetCursor(), shifted);
        FScreen.InjectKey(win::VK_SHIFT, false);
        Pump();
        EXPECT_EQ(View->GetCursor(), plain);
    }
    // The view wants the paging and arrow keys.
    EXPECT_EQ(View->Perform(vcl::CM_WANTSPECIALKEY, win::VK_NEXT, 0), 1);
    EXPECT_EQ(View->Perform(vcl::CM_WANTSPECIALKEY, win::VK_RETURN, 0), 0);
}

TEST_F(ImageKitViewTest, AssignedBitmapsKeepOneOrTwentyFourBits) {
    int changes = 0;
    View->OnImageChange = [&](vcl::TObject*) { ++changes; };
    for (auto [pf, expected] : {std::pair{vcl::pf8bit, ikbf24Bit}, {vcl::pf1bit, ikbf1Bit}, {vcl::pf24bit, ikbf24Bit}}) {
        vcl::TBitmap bitmap;
        bitmap.SetPixelFormat(pf);
        bitmap.SetSize(7, 5);
        View->Assign(&bitmap);
        EXPECT_EQ(View->GetIKBitmap()->PixelFormat(), expected);
        EXPECT_EQ(View->ImageWidth(), 7);
        ASSERT_NE(View->GetBitmap(), nullptr);
        EXPECT_EQ(View->GetBitmap()->GetPixelFormat(), expected == ikbf1Bit ? vcl::pf1bit : vcl::pf24bit);
    }
    EXPECT_EQ(changes, 3);
    // Another view: its image, background and resolution.
    auto* other = new TImageKitView(Form);
    other->GetIKBitmap()->Allocate(3, 2, ikbf24Bit);
    other->GetIKBitmap()->Fill(0x123456);
    other->SetBackground(0x0000FF);
    other->SetDpi(300, 200);
    View->Assign(other);
    EXPECT_EQ(View->ImageWidth(), 3);
    EXPECT_EQ(View->GetIKBitmap()->PixelColor(1, 1).R, 0x56);
    EXPECT_EQ(View->GetBackground(), 0x0000FF);
    EXPECT_EQ(View->GetDpiY(), 200);
    // None clears to the background.
    View->Assign(nullptr);
    EXPECT_EQ(View->GetIKBitmap()->PixelColor(0, 0).R, 0xFF);
}

TEST_F(ImageKitViewTest, MergeAlphaWithBackground) {
    View->SetBackground(0x646464); // 100 in every channel
    auto fill = [&] {
        TIKBitmap* b = View->GetIKBitmap();
        b->Allocate(3, 1, ikbf24Bit);
        uint8_t* row = b->ScanLine(0);
        const uint8_t values[3] = {200, 0, 0};
        const uint8_t alphas[3] = {128, 128, 255};
        TIKBitmap* alpha = b->GetAlphaChannel();
        for (int x = 0; x < 3; ++x) {
            row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = values[x];
            alpha->ScanLine(0)[x] = alphas[x];
        }
    };
    fill();
    View->MergeAlphaWithBackground(false);
    EXPECT_FALSE(View->HasAlphaChannel());
    EXPECT_EQ(View->GetIKBitmap()->PixelColor(0, 0).G, 200);
    fill();
    View->MergeAlphaWithBackground(true);
    EXPECT_FALSE(View->HasAlphaChannel());
    // bg + floor((c - bg) * alpha / 256)
    EXPECT_EQ(View->GetIKBitmap()->PixelColor(0, 0).G, 150);
    EXPECT_EQ(View->GetIKBitmap()->PixelColor(1, 0).G, 50);
    EXPECT_EQ(View->GetIKBitmap()->PixelColor(2, 0).G, 0);
}

TEST_F(ImageKitViewTest, LayersOfAnotherSizeAreEnlargedTransparent) {
    LoadGradient(4, 3);
    TIKLayer* top = TImageKitViewTestAccess::AddLayer(View, 6, 2);
    top->Bitmap->Fill(0x0000FF);
    View->SetBackground(0x00FF00);
    View->Update();
    EXPECT_EQ(View->ImageWidth(), 6);
    EXPECT_EQ(View->ImageHeight(), 3);
    // Layer 0 grows to 6 x 3: old pixels at the top left, the new area in the background colour and clear.
    TIKBitmap* base = View->Layers(0)->Bitmap;
    ASSERT_EQ(base->Width(), 6);
    EXPECT_EQ(base->PixelColor(3, 2).B, 3);
    EXPECT_EQ(base->PixelColor(5, 0).G, 0xFF);
    ASSERT_TRUE(base->HasAlphaChannel());
    EXPECT_EQ(base->GetAlphaChannel()->ScanLine(0)[3], 255);
    EXPECT_EQ(base->GetAlphaChannel()->ScanLine(0)[4], 0);
    ASSERT_EQ(top->Bitmap->Height(), 3);
    EXPECT_EQ(top->Bitmap->GetAlphaChannel()->ScanLine(1)[0], 255);
    EXPECT_EQ(top->Bitmap->GetAlphaChannel()->ScanLine(2)[0], 0);
    EXPECT_THROW(View->Layers(2), vcl::EListError);

    // The current layer changes; the listeners re-read the view's bitmap.
    int heard = 0;
    View->AddChangeListener([&](TIKViewLink*, int32_t) { ++heard; });
    View->SetCurrentLayer(1);
    EXPECT_EQ(View->GetIKBitmap(), top->Bitmap);
    EXPECT_EQ(heard, 1);
    View->SetCurrentLayer(5);
    EXPECT_EQ(View->GetCurrentLayer(), 1);
    View->SetCurrentLayer(0);
    EXPECT_EQ(View->GetIKBitmap(), base);
}

TEST_F(ImageKitViewTest, LegacyBitmapOffAndOnKeepsThePixels) {
    LoadGradient(9, 7);
    ASSERT_NE(View->GetBitmap(), nullptr);
    View->SetLegacyBitmap(false);
    EXPECT_EQ(View->GetBitmap(), nullptr);
    EXPECT_NE(View->GetIKBitmap()->GetStorage(), ikbsGuiBitmap);
    EXPECT_EQ(View->GetIKBitmap()->PixelColor(8, 6), (TIKColorTriple{8, 6, 100}));
    View->SetLegacyBitmap(true);
    ASSERT_NE(View->GetBitmap(), nullptr);
    EXPECT_EQ(View->GetIKBitmap()->GetStorage(), ikbsGuiBitmap);
    EXPECT_EQ(View->GetIKBitmap()->PixelColor(8, 6), (TIKColorTriple{8, 6, 100}));
    EXPECT_EQ(View->GetBitmap()->GetCanvas()->GetPixel(8, 6), 0x080664);
    // Drawing on the legacy bitmap is seen at the next Update.
    View->GetBitmap()->SetSize(12, 7);
    View->Update();
    EXPECT_EQ(View->ImageWidth(), 12);
}

// A view that records the threads its Update runs on.
class TThreadView : public TImageKitView {
public:
    using TImageKitView::TImageKitView;
    void Update() override {
        Threads.push_back(win::GetCurrentThreadId());
        TImageKitView::Update();
    }
    std::vector<win::DWORD> Threads;
};

TEST_F(ImageKitViewTest, RefreshMessageFromAnotherThreadUpdatesOnTheGuiThread) {
    auto* view = new TThreadView(Form);
    view->SetParent(Form);
    Pump();
    view->Threads.clear();
    const win::HWND window = view->GetRefreshWindow();
    ASSERT_NE(window, nullptr);
    std::thread([window] { win::PostMessage(window, IKM_REFRESHVIEW, 0, 0); }).join();
    EXPECT_TRUE(view->Threads.empty());
    Pump();
    ASSERT_FALSE(view->Threads.empty());
    for (win::DWORD id : view->Threads)
        EXPECT_EQ(id, win::GetCurrentThreadId());
}

TEST_F(ImageKitViewTest, LoadThroughTheIOComponent) {
    const std::string name =
        (std::filesystem::temp_directory_path() / ("ikview-" + std::to_string(::getpid()) + ".bmp")).string();
    {
        TImageKitIO io;
        io.GetIKBitmap()->Allocate(6, 4, ikbf24Bit);
        io.GetIKBitmap()->Fill(0x204080);
        io.GetParams().DpiX = 200;
        io.GetParams().DpiY = 100;
        io.SaveToFileByExtension(name);
    }
    int changes = 0;
    View->OnImageChange = [&](vcl::TObject*) { ++changes; };
    TImageKitIO* io = View->GetIO();
    EXPECT_EQ(io, View->GetIO());
    EXPECT_EQ(io->GetAttachedImageKit(), static_cast<TIKViewLink*>(View));
    io->LoadFromFileByExtension(name);
    std::filesystem::remove(name);
    EXPECT_FALSE(io->GetAborting());
    EXPECT_EQ(changes, 1);
    // Update ran: the view knows the new size and shows it.
    EXPECT_EQ(View->ImageWidth(), 6);
    EXPECT_EQ(View->GetZoomedWidth(), 6);
    EXPECT_EQ(View->GetDpiX(), 200);
    EXPECT_EQ(View->GetBitmap()->GetWidth(), 6);
}

} // namespace

// The single-image view's selections: rectangles and points, the mask, bounds, zooming to a selection, the
// saved-selection stack, the stream form (written out by hand) and hostile streams, the mouse-tool rules, and
// the outline drawn on the headless screen with its timer.
#include "imaging/core/IKMask.h"
#include "imaging/core/ImageKitView.h"

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Streams.h"
#include "tests/imaging/core/IKViewFixture.h"

#include <climits>
#include <cstring>
#include <vector>

using namespace imaging;

namespace {

class ImageKitViewSelectTest : public iktest::ViewFixture {
protected:
    void SetUp() override {
        ViewFixture::SetUp();
        View->SetSelectionBase(iksbBitmap);
    }
    std::vector<win::TPoint> Points() const {
        return std::vector<win::TPoint>(View->PolySelPoints(), View->PolySelPoints() + View->PolySelCount());
    }
    std::vector<uint8_t> Saved() const {
        vcl::TMemoryStream s;
        View->SaveSelectionToStream(&s);
        const auto* p = static_cast<const uint8_t*>(s.Memory());
        return std::vector<uint8_t>(p, p + s.GetSize());
    }
    // Client pixel as the screen shows it (red in the low byte).
    uint32_t ClientPixel(int32_t x, int32_t y) {
        const win::TPoint p = View->ClientToScreen({x, y});
        return uint32_t(FScreen.ScreenPixel(p.X, p.Y)) & 0xFFFFFF;
    }
    // A pixel of the view's back buffer (red in the low byte).
    uint32_t BackPixel(int32_t x, int32_t y) {
        const uint8_t* p = static_cast<const uint8_t*>(View->GetBackBuffer()->ScanLine(y)) + 3 * x;
        return uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16;
    }
    // Restarts the outline timer now, so that the next tick comes exactly 210 ms later.
    void RestartTimer() {
        FClock.SetAutoAdvance(false);
        View->GetOutlineTimer()->SetEnabled(false);
        View->GetOutlineTimer()->SetEnabled(true);
    }
    void Tick(uint64_t ms = 210) {
        FClock.Advance(ms);
        Pump();
        Pump();
    }
};

TEST_F(ImageKitViewSelectTest, RectangleGivesFourGripPointsAndTheMask) {
    LoadGradient(40, 30);
    View->SelectRect(10, 10, 5, 20, 0);
    EXPECT_TRUE(View->GetSelected());
    EXPECT_EQ(Points(), (std::vector<win::TPoint>{{5, 10}, {11, 10}, {11, 21}, {5, 21}}));
    EXPECT_EQ(View->SelX1(), 5);
    EXPECT_EQ(View->SelY1(), 10);
    EXPECT_EQ(View->SelX2(), 10);
    EXPECT_EQ(View->SelY2(), 20);
    TIKMask* mask = View->GetSelectionMask();
    EXPECT_EQ(mask->GetWidth(), 40);
    EXPECT_EQ(mask->GetHeight(), 30);
    EXPECT_TRUE(mask->IsPointInside(5, 10));
    EXPECT_TRUE(mask->IsPointInside(10, 20));
    EXPECT_FALSE(mask->IsPointInside(11, 20));
    EXPECT_FALSE(mask->IsPointInside(10, 21));
    EXPECT_TRUE(View->GetSelectionRecord().Visible);

    // Equal X or equal Y changes nothing.
    View->SelectRect(3, 3, 3, 9, 0);
    View->SelectRect(3, 3, 9, 3, 0);
    EXPECT_EQ(View->PolySelCount(), 4);
    EXPECT_EQ(View->SelX1(), 5);

    // Op 1 adds a second polygon after a separator; the mask holds both.
    View->SelectRect(20, 2, 24, 4, 1);
    ASSERT_EQ(View->PolySelCount(), 9);
    EXPECT_EQ(Points()[4], (win::TPoint{IKSelectionSeparator, IKSelectionSeparator}));
    EXPECT_EQ(Points()[5], (win::TPoint{20, 2}));
    EXPECT_TRUE(mask->IsPointInside(7, 15));
    EXPECT_TRUE(mask->IsPointInside(22, 3));
    EXPECT_EQ(View->SelX1(), 5);
    EXPECT_EQ(View->SelY1(), 2);
    EXPECT_EQ(View->SelX2(), 24);

    // Op 0 replaces both; coordinates are clamped into the image.
    View->SelectRect(-5, -5, 100, 2, 0);
    EXPECT_EQ(Points(), (std::vector<win::TPoint>{{0, 0}, {40, 0}, {40, 3}, {0, 3}}));
    EXPECT_FALSE(mask->IsPointInside(7, 15));
}

TEST_F(ImageKitViewSelectTest, ConstrainAlwaysMakesSquares) {
    LoadGradient(40, 30);
    View->SetConstrainAlways(true);
    View->SelectRect(2, 3, 8, 25, 0);
    // Y2 = Y1 + (X2 - X1): a 7 x 7 square.
    EXPECT_EQ(Points(), (std::vector<win::TPoint>{{2, 3}, {9, 3}, {9, 10}, {2, 10}}));
    View->SelectRect(10, 10, 5, 20, 0);
    EXPECT_EQ(Points(), (std::vector<win::TPoint>{{5, 5}, {11, 5}, {11, 11}, {5, 11}}));
}

TEST_F(ImageKitViewSelectTest, ClientCoordinatesAreConvertedToBitmapPixels) {
    LoadGradient(40, 30);
    View->SetSelectionBase(iksbClientArea);
    const int32_t ox = View->GetOffsetX(), oy = View->GetOffsetY();
    View->SelectRect(ox + 10, oy + 10, ox + 5, oy + 20, 0);
    EXPECT_EQ(Points(), (std::vector<win::TPoint>{{5, 10}, {11, 10}, {11, 21}, {5, 21}}));
}

TEST_F(ImageKitViewSelectTest, PointsAndEndSelect) {
    LoadGradient(40, 30);
    View->AddSelectionPoint(2, 2);
    View->AddSelectionPoint(12, 2);
    // Two points select nothing yet (no mask); the bounds then come from the mask.
    EXPECT_TRUE(View->GetSelected());
    EXPECT_TRUE(View->GetSelectionMask()->IsEmpty());
    EXPECT_EQ(View->SelX1(), INT_MAX);
    EXPECT_EQ(View->SelY1(), INT_MAX);
    EXPECT_EQ(View->SelX2(), 0);
    EXPECT_EQ(View->SelY2(), 0);
    View->AddSelectionPoint(12, 12);
    EXPECT_EQ(View->PolySelCount(), 3);
    EXPECT_TRUE(View->GetSelectionMask()->IsPointInside(11, 3));
    EXPECT_FALSE(View->GetSelectionMask()->IsPointInside(3, 11));
    EXPECT_EQ(View->GetSelectionRecord().Left, 2);
    EXPECT_EQ(View->GetSelectionRecord().Bottom, 12);

    // Points on one line enclose nothing: EndSelect leaves an empty mask, which ends the selection.
    View->Deselect();
    View->AddSelectionPoint(2, 2);
    View->AddSelectionPoint(5, 2);
    View->AddSelectionPoint(9, 2);
    EXPECT_FALSE(View->GetSelected());
    EXPECT_EQ(View->PolySelCount(), 0);
}

TEST_F(ImageKitViewSelectTest, DeselectAndANewImageSizeEndTheSelection) {
    LoadGradient(40, 30);
    View->SelectRect(1, 1, 9, 9, 0);
    View->Deselect();
    EXPECT_FALSE(View->GetSelected());
    EXPECT_EQ(View->PolySelCount(), 0);
    EXPECT_TRUE(View->GetSelectionMask()->IsEmpty());
    EXPECT_FALSE(View->GetSelectionRecord().Visible);

    View->SelectRect(1, 1, 9, 9, 0);
    LoadGradient(20, 10);
    EXPECT_FALSE(View->GetSelected());
    EXPECT_EQ(View->GetSelectionMask()->GetWidth(), 20);
    EXPECT_EQ(View->GetSelectionMask()->GetHeight(), 10);
    EXPECT_EQ(View->GetSelectionMask()->GetBitsPerPixel(), 1);
}

TEST_F(ImageKitViewSelectTest, ZoomSelection) {
    LoadGradient(40, 30);
    // A one-pixel selection (a polygon around pixel (10, 10)) is below 2 wide: nothing.
    for (win::TPoint p : {win::TPoint{10, 10}, {11, 10}, {11, 11}, {10, 11}})
        View->AddSelectionPoint(p.X, p.Y);
    ASSERT_TRUE(View->GetSelected());
    ASSERT_EQ(View->SelX1(), 10);
    ASSERT_EQ(View->SelX2(), 10);
    View->ZoomSelection();
    EXPECT_EQ(View->GetZoom(), 100.0);
    EXPECT_TRUE(View->GetSelected());

    View->SelectRect(10, 10, 11, 11, 0); // 2 x 2 at (10, 10)
    ASSERT_EQ(View->SelX2(), 11);
    View->ZoomSelection();
    // The smaller of Height / (2 / 100) and Width / (2 / 100), with the view's outer size.
    EXPECT_DOUBLE_EQ(View->GetZoom(), 150 / 0.02);
    EXPECT_FALSE(View->GetSelected());
    const double z = View->GetZoom() / 100;
    int32_t maxX = 0, maxY = 0;
    View->GetMaxViewXY(maxX, maxY);
    const int32_t cw = View->GetClientWidth(), ch = View->GetClientHeight();
    EXPECT_EQ(View->GetViewX(), std::clamp(int32_t(10 * z) - (cw - int32_t(2 * z)) / 2, 0, maxX));
    EXPECT_EQ(View->GetViewY(), std::clamp(int32_t(10 * z) - (ch - int32_t(2 * z)) / 2, 0, maxY));
}

TEST_F(ImageKitViewSelectTest, SaveDeselectRestore) {
    LoadGradient(40, 30);
    EXPECT_FALSE(View->RestoreSelection());
    View->SelectRect(3, 4, 12, 9, 0);
    const std::vector<uint8_t> before = Saved();
    View->SaveSelection();
    View->Deselect();
    View->SelectRect(20, 20, 30, 25, 0);
    ASSERT_TRUE(View->RestoreSelection());
    EXPECT_TRUE(View->GetSelected());
    EXPECT_EQ(Saved(), before);
    EXPECT_TRUE(View->GetSelectionMask()->IsPointInside(11, 8));
    EXPECT_FALSE(View->GetSelectionMask()->IsPointInside(25, 22));
    EXPECT_FALSE(View->RestoreSelection()); // the stack is empty again
}

// The stream of a 6 x 3 image with one rectangle, written out by hand.
std::vector<uint8_t> SixByThreeStream() {
    std::vector<uint8_t> b;
    auto i32 = [&](int32_t v) {
        for (int k = 0; k < 4; ++k)
            b.push_back(uint8_t(uint32_t(v) >> (8 * k)));
    };
    i32(6);
    i32(3); // mask size
    i32(4); // points
    for (int32_t v : {1, 0, 4, 0, 4, 2, 1, 2})
        i32(v);
    for (int32_t v : {1, 0, 4, 2}) // point box
        i32(v);
    b.push_back(1); // selected
    i32(1);         // bits per pixel
    for (int32_t v : {1, 0, 3, 1}) // mask box
        i32(v);
    b.push_back(0); // not full
    // Rows bottom first, 4 bytes each: columns 1 to 3 of rows 0 and 1 (most significant bit first).
    for (uint8_t v : {0x00, 0x00, 0x00, 0x00, 0x70, 0x00, 0x00, 0x00, 0x70, 0x00, 0x00, 0x00})
        b.push_back(v);
    return b;
}

TEST_F(ImageKitViewSelectTest, StreamLayoutWrittenByHand) {
    LoadGradient(6, 3);
    View->SelectRect(1, 0, 3, 1, 0);
    EXPECT_EQ(Saved(), SixByThreeStream());

    View->Deselect();
    const std::vector<uint8_t> bytes = SixByThreeStream();
    vcl::TReadOnlyMemoryStream in(bytes.data(), int64_t(bytes.size()));
    ASSERT_TRUE(View->LoadSelectionFromStream(&in));
    EXPECT_EQ(in.GetPosition(), int64_t(bytes.size()));
    EXPECT_TRUE(View->GetSelected());
    EXPECT_EQ(Points(), (std::vector<win::TPoint>{{1, 0}, {4, 0}, {4, 2}, {1, 2}}));
    EXPECT_TRUE(View->GetSelectionMask()->IsPointInside(3, 1));
    EXPECT_EQ(View->SelX2(), 3);
}

TEST_F(ImageKitViewSelectTest, AStreamOfAnotherSizeReadsEightBytes) {
    LoadGradient(7, 3);
    View->SelectRect(0, 0, 2, 2, 0);
    const std::vector<uint8_t> before = Saved();
    const std::vector<uint8_t> bytes = SixByThreeStream();
    vcl::TReadOnlyMemoryStream in(bytes.data(), int64_t(bytes.size()));
    EXPECT_FALSE(View->LoadSelectionFromStream(&in));
    EXPECT_EQ(in.GetPosition(), 8);
    EXPECT_EQ(Saved(), before);
}

TEST_F(ImageKitViewSelectTest, HostileStreamsLeaveTheSelectionAsItWas) {
    LoadGradient(6, 3);
    View->SelectRect(0, 0, 2, 2, 0);
    const std::vector<uint8_t> before = Saved();
    auto put = [](std::vector<uint8_t>& b, size_t at, int32_t v) {
        for (int k = 0; k < 4; ++k)
            b[at + size_t(k)] = uint8_t(uint32_t(v) >> (8 * k));
    };
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> spoil;
    };
    const std::vector<Case> cases = {
        {"point count beyond the stream", [&](auto& b) { put(b, 8, 1000); }},
        {"negative point count", [&](auto& b) { put(b, 8, -1); }},
        {"huge point count", [&](auto& b) { put(b, 8, INT32_MAX); }},
        {"depth 4", [&](auto& b) { put(b, 61, 4); }},
        {"depth 8: rows past the end", [&](auto& b) { put(b, 61, 8); }},
        {"rows cut short", [](auto& b) { b.pop_back(); }},
        {"cut inside the points", [](auto& b) { b.resize(30); }},
        {"point outside the image", [&](auto& b) { put(b, 12, 1000); }},
        {"negative point", [&](auto& b) { put(b, 16, -3); }},
        {"mask box outside the mask", [&](auto& b) { put(b, 73, 6); }},
        {"mask box reversed", [&](auto& b) { put(b, 65, 4); }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = SixByThreeStream();
        c.spoil(bytes);
        vcl::TReadOnlyMemoryStream in(bytes.data(), int64_t(bytes.size()));
        EXPECT_FALSE(View->LoadSelectionFromStream(&in)) << c.name;
        EXPECT_EQ(Saved(), before) << c.name;
        EXPECT_TRUE(View->GetSelected()) << c.name;
    }
}

TEST_F(ImageKitViewSelectTest, MouseToolRules) {
    struct Case {
        TIKMouseInteract from, to, expected;
    };
    const std::vector<Case> cases = {
        {{}, {miZoom, miScroll, miSelect}, {miZoom, miScroll}},
        {{miZoom, miScroll}, {miZoom, miScroll, miSelectPolygon}, {miSelectPolygon}},
        {{}, {miSelect, miSelectMagicWand}, {miSelect}},
        {{miSelect}, {miSelect, miZoom, miSelectCircle}, {miZoom, miSelectCircle}},
        {{}, {miSelectCircle, miSelectLasso}, {miSelectCircle}},
        {{}, {miSelectLasso, miSelectMagicWand, miZoom}, {miZoom, miSelectLasso}},
        {{}, {miSelectZoom, miSelectMagicWand}, {miSelectZoom}},
        {{miSelectPolygon}, {miSelectPolygon, miZoom, miSelectMagicWand, miSelect}, {miZoom, miSelect}},
        {{miSelectPolygon}, {miSelectPolygon, miZoom, miSelectMagicWand}, {miZoom}},
        {{}, {miSelectMagicWand}, {miSelectMagicWand}},
        {{miZoom, miSelectZoom}, {miSelectZoom}, {miSelectZoom}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        View->SetMouseInteract(cases[i].from);
        ASSERT_EQ(View->GetMouseInteract(), cases[i].from) << i;
        View->SetMouseInteract(cases[i].to);
        EXPECT_EQ(View->GetMouseInteract(), cases[i].expected) << i;
    }
}

TEST_F(ImageKitViewSelectTest, SelectionOptionsReachTheRecord) {
    EXPECT_EQ(View->GetSelectionOptions(),
              (TIKSelectionOptions{iksoAnimated, iksoSizeable, iksoMoveable, iksoCanScroll}));
    EXPECT_TRUE(View->GetSelectionRecord().Animated);
    EXPECT_TRUE(View->GetSelectionRecord().Sizeable);
    View->SetSelectionOptions({iksoMoveable});
    EXPECT_FALSE(View->GetSelectionRecord().Animated);
    EXPECT_FALSE(View->GetSelectionRecord().Sizeable);
    View->SetSelColor1(255);
    View->SetSelColor2(65280);
    EXPECT_EQ(View->GetSelectionRecord().Color1, 255);
    EXPECT_EQ(View->GetSelectionRecord().Color2, 65280);
}

TEST_F(ImageKitViewSelectTest, MarchingAntsOnTheScreenMoveWithTheTimer) {
    LoadGradient(60, 40);
    View->SetSelectionOptions({iksoAnimated}); // no grips over the edge
    Pump();
    View->SelectRect(5, 5, 40, 30, 0);
    Pump();
    RestartTimer();
    const int32_t ox = View->GetOffsetX(), oy = View->GetOffsetY();
    const int32_t y = oy + 5;
    // The top edge in dashes of four black and four white pixels; from phase 0 a pixel is black exactly
    // when (x + y) mod 8 is below 4.
    std::vector<uint32_t> before;
    for (int32_t x = ox + 8; x < ox + 38; ++x) {
        before.push_back(ClientPixel(x, y));
        EXPECT_EQ(before.back(), ((x + y) & 4) ? 0xFFFFFFu : 0u) << x;
    }
    // Inside, the image is untouched.
    EXPECT_EQ(ClientPixel(ox + 20, oy + 15), 100u | 15u << 8 | 20u << 16);
    Tick(209);
    EXPECT_EQ(View->GetAntsCounter(), 0);
    Tick(1);
    EXPECT_EQ(View->GetAntsCounter(), 1);
    EXPECT_EQ(View->GetSelectionRecord().Phase, 1);
    // One tick later the pattern has moved one pixel to the left.
    for (int32_t x = ox + 8; x < ox + 37; ++x)
        EXPECT_EQ(ClientPixel(x, y), before[size_t(x - ox - 8 + 1)]) << x;
}

TEST_F(ImageKitViewSelectTest, TheTimerStopsWhenNothingMoves) {
    LoadGradient(60, 40);
    RestartTimer();
    Tick();
    // Nothing shown and no countdown: the first tick stops the timer.
    EXPECT_FALSE(View->GetOutlineTimer()->GetEnabled());
    View->SelectRect(5, 5, 40, 30, 0);
    EXPECT_TRUE(View->GetOutlineTimer()->GetEnabled());
    View->Deselect();
    Pump();
    Tick();
    EXPECT_FALSE(View->GetOutlineTimer()->GetEnabled());
}

TEST_F(ImageKitViewSelectTest, DelayedZoomFilterFollowsTwoTicksAfterScrolling) {
    LoadGradient(150, 120);
    View->SetZoomFilter(rfBilinear);
    View->SetDelayZoomFilter(true);
    View->SetZoom(200);
    Pump();
    RestartTimer();
    Tick();
    Tick();
    ASSERT_EQ(View->GetDelayedFilterCountdown(), 0);
    // Unfiltered: each client pixel is the image pixel under it.
    const auto unfiltered = [&] {
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                const int32_t bx = View->XScr2Bmp(x), by = View->YScr2Bmp(y);
                if (BackPixel(x, y) != (100u | uint32_t(by) << 8 | uint32_t(bx) << 16))
                    return false;
            }
        return true;
    };
    EXPECT_FALSE(unfiltered()); // the filter applies at 200 %
    View->SetViewX(20);
    EXPECT_EQ(View->GetDelayedFilterCountdown(), 2);
    RestartTimer();
    EXPECT_TRUE(unfiltered());
    Tick();
    EXPECT_EQ(View->GetDelayedFilterCountdown(), 1);
    EXPECT_TRUE(unfiltered());
    Tick();
    EXPECT_EQ(View->GetDelayedFilterCountdown(), 0);
    EXPECT_FALSE(unfiltered());
}

} // namespace

namespace {

TEST_F(ImageKitViewSelectTest, MarchingAntsAtTwoHundredPerCent) {
    LoadGradient(40, 30);
    View->SetZoom(200);
    View->SelectRect(5, 5, 30, 20, 0);
    Pump();
    // Hidden for two ticks after the zoom, then drawn.
    RestartTimer();
    Tick();
    Tick();
    const int32_t ox = View->GetOffsetX(), oy = View->GetOffsetY();
    // Bitmap row 5 starts at screen row 10; its top border is drawn in dashes of four.
    const int32_t y = oy + 10;
    for (int32_t x = ox + 17; x < ox + 30; ++x)
        EXPECT_EQ(ClientPixel(x, y), ((x + y + View->GetAntsCounter()) & 4) ? 0xFFFFFFu : 0u) << x;
}

} // namespace

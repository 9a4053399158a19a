// The drop shadow: its strips beside a window alone, below a menu-bar entry, above one and beside a cascade
// entry; the alpha of a strip with its faded ends; the strip windows, which the mouse passes through.
#include "ToolbarTestSupport.h"

#include "bars/xbBarShadow.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/WindowStyles.h"

using namespace bars;
using namespace barstest;

namespace {

constexpr int32_t H = ShadowHorizontal, V = ShadowVertical, L = ShadowFadeLeft, R = ShadowFadeRight,
                  T = ShadowFadeTop;

TEST(ShadowGeometryTest, StripsAroundTheWindowAndTheUncoveredPartsOfItsItem) {
    struct Case {
        const char* What;
        win::TRect Owner, Window;
        bool Horizontal;
        std::vector<TxbShadowPartSpec> Parts;
    };
    const std::vector<Case> cases = {
        {"alone", {}, {100, 100, 200, 150}, true, {{{104, 150, 204, 154}, H, L | R}, {{200, 104, 204, 150}, V, T}}},
        // The entry is wider than the menu below it: a strip under its uncovered right part, and the strip
        // right of the menu starts below that one instead of crossing it.
        {"below a wider entry",
         {100, 80, 260, 100},
         {100, 100, 200, 150},
         true,
         {{{260, 84, 264, 100}, V, T},
          {{104, 150, 204, 154}, H, L | R},
          {{200, 100, 264, 104}, H, R},
          {{200, 104, 204, 150}, V, 0}}},
        {"below a narrower entry",
         {100, 80, 150, 100},
         {100, 100, 200, 150},
         true,
         {{{150, 84, 154, 100}, V, T}, {{104, 150, 204, 154}, H, L | R}, {{200, 104, 204, 150}, V, T}}},
        // A menu above its entry: the entry is the lower rectangle, the shadow runs round both as one.
        {"above its entry",
         {100, 150, 150, 170},
         {100, 50, 200, 150},
         true,
         {{{200, 54, 204, 150}, V, T},
          {{104, 170, 154, 174}, H, L | R},
          {{150, 150, 204, 154}, H, R},
          {{150, 154, 154, 170}, V, 0}}},
        {"right of a cascade entry",
         {50, 100, 100, 120},
         {100, 90, 200, 190},
         false,
         {{{200, 94, 204, 190}, V, T}, {{54, 120, 100, 124}, H, L}, {{104, 190, 204, 194}, H, L | R}}},
        // The entry reaches below the window: the strip right of its lower part shades the window's corner,
        // and the strip below the window starts after it.
        {"beside a taller entry",
         {50, 100, 100, 200},
         {100, 90, 200, 150},
         false,
         {{{200, 94, 204, 150}, V, T},
          {{54, 200, 104, 204}, H, L | R},
          {{100, 150, 104, 200}, V, 0},
          {{104, 150, 204, 154}, H, L | R}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        bool horizontal = !c.Horizontal;
        EXPECT_EQ(CalcShadowParts(c.Owner, c.Window, 4, horizontal), c.Parts);
        EXPECT_EQ(horizontal, c.Horizontal);
    }
}

TEST(ShadowGeometryTest, AStripFadesFromTheWindowOutwardAndAtItsEnds) {
    // Right of a window, 4 deep, faded at the top: 60, 45, 30, 15 from the window, times 1/5 .. 4/5 down the
    // first four rows.
    const std::vector<uint8_t> right = CalcShadowAlpha({{0, 0, 4, 6}, V, T}, 4);
    ASSERT_EQ(right.size(), 24u);
    EXPECT_EQ(std::vector<uint8_t>(right.begin(), right.begin() + 4), (std::vector<uint8_t>{12, 9, 6, 3}));
    EXPECT_EQ(std::vector<uint8_t>(right.begin() + 12, right.begin() + 16), (std::vector<uint8_t>{48, 36, 24, 12}));
    EXPECT_EQ(std::vector<uint8_t>(right.begin() + 16, right.begin() + 20), (std::vector<uint8_t>{60, 45, 30, 15}));
    // Below, faded at both ends: the first row across.
    const std::vector<uint8_t> below = CalcShadowAlpha({{0, 0, 10, 4}, H, L | R}, 4);
    EXPECT_EQ(std::vector<uint8_t>(below.begin(), below.begin() + 10),
              (std::vector<uint8_t>{12, 24, 36, 48, 60, 60, 48, 36, 24, 12}));
    EXPECT_EQ(below[30], 3);
    // A faded strip smaller than the depth is never shown; one without faded ends is.
    EXPECT_TRUE(CalcShadowAlpha({{0, 0, 3, 10}, V, T}, 4).empty());
    EXPECT_EQ(CalcShadowAlpha({{0, 0, 3, 10}, V, 0}, 4).size(), 30u);
}

// The tests' painter family with a shadow under floating bars.
class TShadowPainter : public TTestPainter {
public:
    bool HasShadow(TCustomxbBarControl* window) const override { return true; }
    static const TShadowPainter* Instance() {
        static const TShadowPainter painter;
        return &painter;
    }
};
class TShadowManager : public TxbBarManager {
public:
    explicit TShadowManager(vcl::TComponent* owner) : TxbBarManager(owner) { ReapplyStyle(); }
    TxbBarItemControlPainterClass GetPainterClass() override { return TShadowPainter::Instance(); }
};

class ToolbarShadowTest : public ToolbarFixture {
protected:
    TxbBarControl* ShowFloatingBar() {
        Form->Show();
        TxbBar* bar = MakeBar(Buttons(3), dsNone);
        bar->SetFloatLeft(200);
        bar->SetFloatTop(200);
        bar->SetVisible(true);
        TxbBarControl* window = bar->GetControl();
        window->HandleNeeded();
        DrainMessages();
        return window;
    }
};

TEST_F(ToolbarShadowTest, StripWindowsSitBehindTheWindowAndLetTheMouseThrough) {
    TxbBarControl* window = ShowFloatingBar();
    TxbBarShadow shadow(window);
    ASSERT_TRUE(shadow.IsLayered());
    EXPECT_EQ(shadow.GetDepth(), 4);
    shadow.SetShown(true);
    shadow.SetBounds({}, {300, 300, 400, 350});
    ASSERT_EQ(shadow.GetPartCount(), 2);
    for (int32_t i = 0; i < shadow.GetPartCount(); ++i) {
        TxbBarShadowPart* part = shadow.GetPart(i);
        SCOPED_TRACE(i);
        ASSERT_TRUE(part->HandleAllocated());
        EXPECT_TRUE(win::IsWindowVisible(part->GetHandle()));
        win::TRect r{};
        win::GetWindowRect(part->GetHandle(), &r);
        EXPECT_EQ(r, part->GetSpec().Rect);
        EXPECT_TRUE(win::GetWindowLong(part->GetHandle(), win::GWL_EXSTYLE) & win::WS_EX_LAYERED);
        EXPECT_EQ(win::SendMessage(part->GetHandle(), win::WM_NCHITTEST, 0, win::MAKELPARAM(r.Left, r.Top)),
                  win::HTTRANSPARENT);
        EXPECT_NE(win::WindowFromPoint({r.Left + 1, r.Top + 1}), part->GetHandle());
    }
    shadow.SetShown(false);
    for (int32_t i = 0; i < shadow.GetPartCount(); ++i)
        EXPECT_FALSE(shadow.GetPart(i)->HandleAllocated());
}

TEST_F(ToolbarShadowTest, AFloatingBarOfAFamilyWithShadowsCastsOneWhereverItGoes) {
    delete Manager;
    Manager = new TShadowManager(Form);
    TxbBarControl* window = ShowFloatingBar();
    TxbBarShadow* shadow = window->GetShadow();
    ASSERT_NE(shadow, nullptr);
    EXPECT_TRUE(shadow->GetShown());
    auto bounds = [&] {
        win::TRect r{};
        win::GetWindowRect(window->GetHandle(), &r);
        return r;
    };
    ASSERT_EQ(shadow->GetPartCount(), 2);
    EXPECT_EQ(shadow->GetPart(1)->GetSpec().Rect.Left, bounds().Right);
    win::SetWindowPos(window->GetHandle(), nullptr, 50, 60, 0, 0, win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
    ASSERT_EQ(shadow->GetPartCount(), 2);
    EXPECT_EQ(shadow->GetPart(0)->GetSpec().Rect.Top, bounds().Bottom);
    EXPECT_TRUE(win::IsWindowVisible(shadow->GetPart(0)->GetHandle()));
    win::ShowWindow(window->GetHandle(), win::SW_HIDE);
    EXPECT_FALSE(shadow->GetShown());
    EXPECT_FALSE(shadow->GetPart(0)->HandleAllocated());
}

} // namespace

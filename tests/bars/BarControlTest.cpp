// Bar windows drawn by the tests' painter family: the manager answers it, and each of its drawing operations
// fills its rectangle with its own colour and records the call.
#include "BarsTestSupport.h"
#include "TestPainter.h"

#include <set>

using namespace bars;
using namespace barstest;

namespace {

class TestPainterTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        TTestPainter::Calls().clear();
    }
};

TEST_F(TestPainterTest, TheManagerOfTheTestsAnswersTheTestFamilyWhateverItsStyle) {
    auto* manager = new TTestPainterManager(Form);
    EXPECT_EQ(manager->GetPainter(), TTestPainter::Instance());
    manager->SetStyle(bmsFlat);
    EXPECT_EQ(manager->GetPainter(), TTestPainter::Instance());
    // The metrics are the Enhanced family's.
    EXPECT_EQ(manager->GetGripSize(), EnhancedPainter()->GetGripSize());
    EXPECT_STREQ(manager->GetPainter()->ClassName(), "TTestPainter");
}

TEST_F(TestPainterTest, EachDrawingSlotFillsItsRectangleWithItsOwnColourAndRecordsTheCall) {
    std::set<int32_t> colours;
    for (int i = 0; i < tsSlotCount; ++i)
        colours.insert(TestPainterColor(TTestSlot(i)));
    EXPECT_EQ(colours.size(), size_t(tsSlotCount));

    win::HDC screen = win::GetDC(nullptr);
    win::HDC dc = win::CreateCompatibleDC(screen);
    win::HBITMAP bitmap = win::CreateCompatibleBitmap(screen, 40, 40);
    win::HGDIOBJ old = win::SelectObject(dc, win::ToGdiObj(bitmap));
    const TTestPainter* p = TTestPainter::Instance();
    const TxbItemDrawStates states{idsEnabled, idsSelected, idsDown};
    struct Case {
        TTestSlot Slot;
        std::function<void(const win::TRect&)> Draw;
    };
    auto* item = reinterpret_cast<TxbBarItemControl*>(0x10);
    auto* window = reinterpret_cast<TxbBarControl*>(0x20);
    const Case cases[] = {
        {tsItemGlyph, [&](const win::TRect& r) { p->DrawItemGlyph(item, dc, r, states, ptToolbar); }},
        {tsMenuButton, [&](const win::TRect& r) { p->DrawMenuButton(item, dc, states, r); }},
        {tsItemCaption, [&](const win::TRect& r) { p->DrawItemCaption(item, dc, states, 1, r, "&Go", true, false, false); }},
        {tsDropDownButtonPart, [&](const win::TRect& r) { p->DrawDropDownButtonPart(item, dc, states, r); }},
        {tsToolbarSeparator, [&](const win::TRect& r) { p->DrawToolbarSeparator(window, dc, true, nullptr, r); }},
        {tsDockedFrame, [&](const win::TRect& r) { p->DrawDockedFrame(window, dc, r); }},
        {tsFloatingCaption, [&](const win::TRect& r) { p->DrawFloatingCaption(window, dc, nullptr, r); }},
        {tsMarkBackground, [&](const win::TRect& r) { p->DrawMark(window, dc, nullptr, r); }},
        {tsSizeGrip, [&](const win::TRect& r) { p->DrawSizeGrip(window, dc, nullptr, r); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Slot));
        TTestPainter::Calls().clear();
        win::TRect all{0, 0, 40, 40};
        win::FillRect(dc, &all, win::GetSysColorBrush(win::COLOR_WINDOW));
        const win::TRect r{5, 6, 15, 20};
        c.Draw(r);
        ASSERT_FALSE(TTestPainter::Calls().empty());
        const TTestPaintCall& call = TTestPainter::Calls().front();
        EXPECT_EQ(call.Slot, c.Slot);
        EXPECT_EQ(call.Rect, r);
        const auto colour = win::COLORREF(TestPainterColor(c.Slot));
        // The rectangle's corner pixels in the slot's colour, the pixels just outside untouched.
        EXPECT_EQ(win::GetPixel(dc, 5, 6), colour);
        EXPECT_EQ(win::GetPixel(dc, 14, 19), colour);
        EXPECT_NE(win::GetPixel(dc, 15, 19), colour);
        EXPECT_NE(win::GetPixel(dc, 14, 20), colour);
        if (c.Slot <= tsDropDownButtonPart) {
            EXPECT_EQ(call.States, states);
            EXPECT_EQ(call.Object, item);
        } else {
            EXPECT_EQ(call.Object, window);
        }
        // The end mark draws its background, then its chevrons.
        EXPECT_EQ(TTestPainter::CallsOf(tsMarkChevrons).size(), c.Slot == tsMarkBackground ? 1u : 0u);
    }
    // A lowered frame fills and shrinks its rectangle by the family's width.
    win::TRect lowered{0, 0, 10, 10};
    p->DrawLoweredFrame(item, dc, lowered);
    EXPECT_EQ(lowered, (win::TRect{1, 1, 9, 9}));
    win::SelectObject(dc, old);
    win::DeleteObject(win::ToGdiObj(bitmap));
    win::DeleteDC(dc);
    win::ReleaseDC(nullptr, screen);
}

} // namespace

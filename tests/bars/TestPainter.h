// The painter family of the tests: the Enhanced family's metrics, and every drawing operation fills its
// rectangle with a colour of its own and records the call with the item's state flags. A manager of the
// tests answers it from GetPainterClass, so that bar windows can be drawn and checked pixel by pixel before
// (and independently of) the real families' drawing.
#pragma once

#include "bars/xbBarControl.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarPainter.h"
#include "bars/xbBarToolbar.h"
#include "platform/win/gdi/Gdi.h"

#include <string>
#include <vector>

namespace barstest {

// The drawing operations, each with its own colour (TestPainterColor).
enum TTestSlot {
    tsItemGlyph,
    tsMenuButton,
    tsItemCaption,
    tsLoweredFrame,
    tsDropDownButtonPart,
    tsDockBackground,
    tsDockedBarBackground,
    tsFloatingBarBackground,
    tsOwnerJoint,
    tsToolbarSeparator,
    tsDockedFrame,
    tsFloatingFrame,
    tsFloatingCaption,
    tsCaption,
    tsCaptionButton,
    tsCaptionCloseButton,
    tsFloatingBackground,
    tsMarkBackground,
    tsMarkChevrons,
    tsMarkArrow,
    tsMenuBarCaptionButton,
    tsSizeGrip,
    tsStatusBarBorder,
    tsSlotCount
};

// The colour a slot fills with: distinct for every slot, none of them grey (so none is a system colour of
// the headless screen's scheme by accident).
inline int32_t TestPainterColor(TTestSlot slot) {
    const int i = int(slot) + 1;
    return int32_t(win::RGB(uint8_t(40 + i * 9), uint8_t(250 - i * 7), uint8_t((i * 67) % 200)));
}

// One recorded drawing call.
struct TTestPaintCall {
    TTestSlot Slot;
    win::TRect Rect;
    bars::TxbItemDrawStates States;
    const void* Object; // the item control, window or dock drawn for
    int32_t Extra;      // alignment, state or kind where the operation takes one
    std::string Text;   // the caption drawn
};

class TTestPainter : public bars::TxbBarItemControlEnhancedPainter {
public:
    const char* ClassName() const override { return "TTestPainter"; }
    static const TTestPainter* Instance() {
        static const TTestPainter painter;
        return &painter;
    }
    static std::vector<TTestPaintCall>& Calls() {
        static std::vector<TTestPaintCall> calls;
        return calls;
    }
    // The calls of one slot, in order.
    static std::vector<TTestPaintCall> CallsOf(TTestSlot slot) {
        std::vector<TTestPaintCall> result;
        for (const TTestPaintCall& call : Calls())
            if (call.Slot == slot)
                result.push_back(call);
        return result;
    }

    // ---- Item controls
    void DrawItemGlyph(bars::TxbBarItemControl* control, win::HDC dc, const win::TRect& rect,
                       bars::TxbItemDrawStates states, bars::TxbPaintType paintType,
                       const win::TRect* glyphRect = nullptr) const override {
        Fill(tsItemGlyph, dc, glyphRect ? *glyphRect : rect, control, states, int32_t(paintType));
    }
    void DrawMenuButton(bars::TxbBarItemControl* control, win::HDC dc, bars::TxbItemDrawStates states,
                        const win::TRect& rect) const override {
        Fill(tsMenuButton, dc, rect, control, states);
    }
    void DrawItemCaption(bars::TxbBarItemControl* control, win::HDC dc, bars::TxbItemDrawStates states,
                         int32_t alignment, const win::TRect& rect, const std::string& text, bool, bool,
                         bool) const override {
        Fill(tsItemCaption, dc, rect, control, states, alignment, text);
    }
    void DrawLoweredFrame(bars::TxbBarItemControl* control, win::HDC dc, win::TRect& rect) const override {
        Fill(tsLoweredFrame, dc, rect, control);
        const int32_t w = GetLoweredFrameWidth();
        rect = {rect.Left + w, rect.Top + w, rect.Right - w, rect.Bottom - w};
    }
    void DrawDropDownButtonPart(bars::TxbBarItemControl* control, win::HDC dc, bars::TxbItemDrawStates states,
                                const win::TRect& rect) const override {
        Fill(tsDropDownButtonPart, dc, rect, control, states);
    }

    // ---- Backgrounds
    void DrawDockBackground(bars::TxbDockControl* dock, win::HDC dc, int32_t, win::HBRUSH, const win::TRect& rect,
                            const win::TRect&) const override {
        Fill(tsDockBackground, dc, rect, dock);
    }
    void DrawDockedBarBackground(bars::TCustomxbBarControl* window, win::HDC dc, int32_t, win::HBRUSH,
                                 const win::TRect& rect, const win::TRect&) const override {
        Fill(tsDockedBarBackground, dc, rect, window);
    }
    void DrawFloatingBarBackground(bars::TCustomxbBarControl* window, win::HDC dc, int32_t, win::HBRUSH,
                                   const win::TRect& rect, const win::TRect&) const override {
        Fill(tsFloatingBarBackground, dc, rect, window);
    }
    void FillOwnerJoint(bars::TCustomxbBarControl* window, win::HDC dc) const override {
        Fill(tsOwnerJoint, dc, {}, window);
    }

    // ---- Toolbar windows
    void DrawToolbarSeparator(bars::TxbBarControl* window, win::HDC dc, bool across, win::HBRUSH,
                              const win::TRect& rect) const override {
        Fill(tsToolbarSeparator, dc, rect, window, {}, across);
    }
    void DrawDockedFrame(bars::TxbBarControl* window, win::HDC dc, const win::TRect& rect) const override {
        Fill(tsDockedFrame, dc, rect, window);
    }
    void DrawFloatingFrame(bars::TxbBarControl* window, win::HDC dc, win::HBRUSH, int32_t borderWidth,
                           const win::TRect& rect) const override {
        Fill(tsFloatingFrame, dc, rect, window, {}, borderWidth);
    }
    void DrawFloatingCaption(bars::TxbBarControl* window, win::HDC dc, win::HBRUSH,
                             const win::TRect& rect) const override {
        Fill(tsFloatingCaption, dc, rect, window);
    }
    void FillCaption(bars::TCustomxbBarControl* window, win::HDC dc, win::HBRUSH,
                     const win::TRect& rect) const override {
        Fill(tsCaption, dc, rect, window);
    }
    void FillCaptionButton(bars::TxbBarControl* window, win::HDC dc, int32_t state,
                           const win::TRect& rect) const override {
        Fill(tsCaptionButton, dc, rect, window, {}, state);
    }
    void DrawCaptionCloseButton(bars::TxbBarControl* window, win::HDC dc, const win::TRect& rect) const override {
        Fill(tsCaptionCloseButton, dc, rect, window);
    }
    void DrawFloatingBackground(bars::TxbBarControl* window, win::HDC dc, int32_t, win::HBRUSH,
                                const win::TRect& rect) const override {
        Fill(tsFloatingBackground, dc, rect, window);
    }
    void DrawMarkBackground(bars::TxbBarControl* window, win::HDC dc, win::HBRUSH,
                            const win::TRect& rect) const override {
        Fill(tsMarkBackground, dc, rect, window);
    }
    void DrawMarkChevrons(bars::TxbBarControl* window, win::HDC dc, const win::TRect& rect) const override {
        Record(tsMarkChevrons, rect, window);
    }
    void DrawMarkArrow(bars::TxbBarControl* window, win::HDC dc, const win::TRect& rect) const override {
        Fill(tsMarkArrow, dc, rect, window);
    }
    void DrawMenuBarCaptionButton(bars::TxbBarControl* window, int32_t kind, const win::TRect& rect, win::HDC dc,
                                  bool, bool) const override {
        Fill(tsMenuBarCaptionButton, dc, rect, window, {}, kind);
    }
    void DrawSizeGrip(bars::TxbBarControl* window, win::HDC dc, win::HBRUSH, const win::TRect& rect) const override {
        Fill(tsSizeGrip, dc, rect, window);
    }
    void DrawStatusBarBorder(bars::TxbBarControl* window, win::HDC dc, win::HBRUSH,
                             const win::TRect& rect) const override {
        Fill(tsStatusBarBorder, dc, rect, window);
    }

protected:
    TTestPainter() = default;

    static void Record(TTestSlot slot, const win::TRect& rect, const void* object, bars::TxbItemDrawStates states = {},
                       int32_t extra = 0, const std::string& text = {}) {
        Calls().push_back({slot, rect, states, object, extra, text});
    }
    static void Fill(TTestSlot slot, win::HDC dc, const win::TRect& rect, const void* object,
                     bars::TxbItemDrawStates states = {}, int32_t extra = 0, const std::string& text = {}) {
        Record(slot, rect, object, states, extra, text);
        if (!dc || rect.Right <= rect.Left || rect.Bottom <= rect.Top)
            return;
        win::HBRUSH brush = win::CreateSolidBrush(win::COLORREF(TestPainterColor(slot)));
        win::FillRect(dc, &rect, brush);
        win::DeleteObject(win::ToGdiObj(brush));
    }
};

// A bar manager whose painter family is the tests' one.
class TTestPainterManager : public bars::TxbBarManager {
public:
    explicit TTestPainterManager(vcl::TComponent* owner) : bars::TxbBarManager(owner) {
        // The constructor took the family before this class was in place.
        ReapplyStyle();
    }
    bars::TxbBarItemControlPainterClass GetPainterClass() override { return TTestPainter::Instance(); }
};

} // namespace barstest

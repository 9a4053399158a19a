// TlkCanvas: the canvas every look-and-feel painter draws on, a class-library canvas with the operations
// the painters share (border bands, edges from system colours, text in a rectangle with an embossed
// disabled look, tiled fills, inversion, bitmap rotation); and the text-flag conversion of painter text.
#pragma once

#include "platform/vcl/Canvas.h"
#include "platform/vcl/GraphicsObjects.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vcl {
class TBitmap;
class TGraphic;
}

namespace lookandfeel {

using vcl::TColor;

// Sides of a rectangle, as a set in one byte.
using TlkBorders = uint8_t;
constexpr TlkBorders lkbLeft = 1, lkbTop = 2, lkbRight = 4, lkbBottom = 8, lkbAll = 15;

// Text flags of painter text.
using TlkTextFlags = uint16_t;
constexpr TlkTextFlags lktfAlignLeft = 0x0001, lktfAlignRight = 0x0002, lktfAlignHCenter = 0x0004,
                       lktfAlignTop = 0x0008, lktfAlignBottom = 0x0010, lktfAlignVCenter = 0x0020,
                       lktfSingleLine = 0x0040, lktfDontClip = 0x0080, lktfExpandTabs = 0x0100,
                       lktfShowPrefix = 0x0200, lktfWordBreak = 0x0400, lktfShowEndEllipsis = 0x0800,
                       lktfCalcRect = 0x1000, lktfShowPathEllipsis = 0x2000;

// The DrawText format of text flags (DT_NOPREFIX unless the prefix is shown).
win::UINT ConvertTextFlags(TlkTextFlags flags);

class TlkCanvas : public vcl::TObject {
public:
    explicit TlkCanvas(vcl::TCanvas* canvas) : FCanvas(canvas) {}

    vcl::TCanvas* GetCanvas() const { return FCanvas; }
    vcl::TBrush* GetBrush() const { return FCanvas->GetBrush(); }
    vcl::TFont* GetFont() const { return FCanvas->GetFont(); }
    vcl::TPen* GetPen() const { return FCanvas->GetPen(); }
    win::HDC GetHandle() const { return FCanvas->GetHandle(); }

    void SetFont(vcl::TFont* font) { FCanvas->SetFont(font); }
    void SetPixel(int32_t x, int32_t y, TColor color) { FCanvas->SetPixel(x, y, color); }
    void CopyRect(const win::TRect& dest, vcl::TCanvas* source, const win::TRect& sourceRect) {
        FCanvas->CopyRect(dest, source, sourceRect);
    }
    void Draw(int32_t x, int32_t y, vcl::TGraphic* graphic) { FCanvas->Draw(x, y, graphic); }
    void MoveTo(int32_t x, int32_t y) { FCanvas->MoveTo(x, y); }
    void LineTo(int32_t x, int32_t y) { FCanvas->LineTo(x, y); }
    // The points up to and including lastIndex.
    void Polygon(const win::TPoint* points, int32_t lastIndex) { FCanvas->Polygon(points, lastIndex + 1); }
    // 0 by 0 for no text.
    win::TSize TextExtent(const std::string& text);
    int32_t TextWidth(const std::string& text) { return TextExtent(text).cx; }
    void ExcludeClipRect(const win::TRect& rect);
    void IntersectClipRect(const win::TRect& rect);
    // Sets the brush colour only when it differs.
    void SetBrushColor(TColor color);

    // Fills the rect with the brush, or tiles the bitmap over it with tiles anchored at the canvas origin.
    void FillRectOrTile(const win::TRect& rect, vcl::TBitmap* bitmap);
    // Bands of width along the flagged sides (left, right, top, bottom), inside the rect; clDefault keeps the
    // brush colour.
    void FillBorderBands(const win::TRect& rect, TColor color, TlkBorders sides, int32_t width);
    void DrawFramedFill(const win::TRect& rect, vcl::TBitmap* fillBitmap, TColor fillColor, int32_t width,
                        TColor borderColor, TlkBorders sides);
    // Left and top bands in topLeft, right and bottom in bottomRight, in that order.
    void DrawBorders(const win::TRect& rect, TColor topLeft, int32_t width, TlkBorders sides, TColor bottomRight);
    void DrawEdgeBand(const win::TRect& rect, bool sunken, TlkBorders sides, bool outer);
    // Disabled text is drawn embossed: one pixel right and down in clBtnHighlight, then in clBtnShadow; the
    // pair stays inside the rect.
    void DrawTextInRect(const std::string& text, const win::TRect& rect, TlkTextFlags flags, bool enabled);
    // Measures the text and moves the measured rect inside the given one by the flags' alignment.
    void CalcTextRect(const std::string& text, win::TRect& rect, TlkTextFlags flags);
    void InvertRect(const win::TRect& rect);
    // Turns (angle 1-3, a quarter turn each) and flips the bitmap's pixels; see lkGraphics.cpp.
    static void RotateBitmap(vcl::TBitmap* bitmap, int32_t angle, bool flip);

private:
    void FillBand(const win::TRect& rect, TColor color);
    vcl::TCanvas* FCanvas;
};

// Face colours of the UltraFlat style, from the system's button face, highlight and window colours.
TColor HotFaceSystemColor();
TColor PressedFaceSystemColor();

} // namespace lookandfeel

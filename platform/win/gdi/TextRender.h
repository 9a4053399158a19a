// Internal: how text reaches pixels. Glyph coverage and solid spans go through a sink in device
// coordinates that clips them; runs of text are laid out along the font's escapement.
#pragma once

#include "platform/win/gdi/FontsEngine.h"

#include <memory>
#include <string>
#include <vector>

namespace win::text {

class TextSink {
public:
    virtual ~TextSink() = default;
    // Blends colour into n pixels of row y from x on, weighted by coverage (0..255). Unclipped input.
    virtual void Blend(int x, int y, const uint8_t* coverage, int n, COLORREF colour) = 0;
    // Sets n pixels of row y from x on. Unclipped input.
    virtual void Fill(int x, int y, int n, COLORREF colour) = 0;
    // The box outside which nothing is drawn (callers skip work there).
    virtual TRect Bounds() const = 0;
};

// A sink over a 32-bit BGRX memory image (top-down rows), clipped to a list of rectangles.
class MemorySink final : public TextSink {
public:
    MemorySink(uint8_t* bits, int width, int height, int stride);
    void SetClip(std::vector<TRect> rects) { FClip = std::move(rects); }
    void Blend(int x, int y, const uint8_t* coverage, int n, COLORREF colour) override;
    void Fill(int x, int y, int n, COLORREF colour) override;
    TRect Bounds() const override;

private:
    // Calls pixel(p, i) for each pixel of the span of n from (x, y) that lies in the clip and the buffer: p
    // points at its blue byte, i is its offset from x.
    template <class F> void EachPixel(int x, int y, int n, F&& pixel);

    uint8_t* FBits;
    int FWidth, FHeight, FStride;
    std::vector<TRect> FClip;
};

// A sink over the target bitmap of a DC through its visible region, optionally narrowed to a device
// rectangle. Null when the DC has nothing to draw on.
std::unique_ptr<TextSink> MakeDcSink(HDC dc, const TRect* deviceClip);

// Fills the convex quadrilateral (corners in order) by pixel centres.
void FillQuad(TextSink& sink, const double* xs, const double* ys, COLORREF colour);

// Geometry of a run along the font's baseline: unit vector along the baseline (Ux, Uy) and down across
// it (Vx, Vy), in device space with y pointing down.
struct RunAxes {
    double Ux = 1, Uy = 0, Vx = 0, Vy = 1;
};
RunAxes AxesOf(const RealizedFont& font);

// Fills the band [from, to) along the baseline and [top, bottom) across it, starting at the baseline
// origin (ox, oy).
void FillBand(TextSink& sink, const RunAxes& axes, double ox, double oy, double from, double to, double top,
              double bottom, COLORREF colour);

// Draws the glyphs of text with their pen positions at the baseline origin plus the running sum of the
// advances.
void DrawGlyphs(TextSink& sink, RealizedFont& font, double ox, double oy, const std::u32string& text,
                const std::vector<int>& advances, COLORREF colour);

// Advances of each character (with the DC's extra spacing), and the total.
std::vector<int> RunAdvances(RealizedFont& font, const std::u32string& text, int extra, int* total);

// The DC's font realised at the DC's scale: under a scaling map mode the LOGFONT's logical height and
// width become device pixels.
std::shared_ptr<RealizedFont> DcFont(HDC dc);
// Lengths in device pixels as logical units of the DC (unsigned).
int DcLogicalX(HDC dc, int64_t deviceLength);
int DcLogicalY(HDC dc, int64_t deviceLength);

// Text output shared by ExtTextOut and DrawText: the reference point (x, y) and the clip rectangle are
// logical; underline and strike-out follow the font.
BOOL TextOutRun(HDC dc, int x, int y, UINT options, const RECT* rect, const std::u32string& text,
                const std::vector<int>* advances);

} // namespace win::text

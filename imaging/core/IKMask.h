// TIKMask: a plane of one value per pixel that goes with an image: a one-bit selection, or an eight-bit
// transparency plane (0 transparent to 255 opaque). It keeps a bounding box of its non-zero pixels, fills
// polygons, moves its content, merges images through itself and draws itself on screen.
#pragma once

#include "platform/vcl/Object.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vcl {
class TCanvas;
class TBitmap;
} // namespace vcl

namespace imaging {

class TIKBitmap;

class TIKMask : public vcl::TObject {
public:
    // Marks the end of one polygon in the point list of FillPolygons.
    static constexpr int32_t IKPolygonSeparator = 0xFFFFF;
    static constexpr int32_t IKEmptyBox = INT32_MAX;

    TIKMask() = default;

    // A zeroed plane of 1 or 8 bits per pixel; the box becomes empty and Full false.
    void Allocate(int32_t width, int32_t height, int32_t bits);
    void FreeBits();
    void Assign(const TIKMask* source);

    int32_t GetWidth() const { return FWidth; }
    int32_t GetHeight() const { return FHeight; }
    int32_t GetBitsPerPixel() const { return FBitsPerPixel; }
    int32_t GetRowLength() const { return FRowLength; }
    // Row y (0 = top); the rows lie bottom-up in one block. Raises vcl::ERangeError outside the mask.
    uint8_t* ScanLine(int32_t y) { return FData.data() + RowOffset(y); }
    const uint8_t* ScanLine(int32_t y) const { return FData.data() + RowOffset(y); }

    // 0 outside the mask; a one-bit mask gives the bit's weight within its byte, an eight-bit one the byte.
    int32_t GetPixel(int32_t x, int32_t y) const;
    bool IsPointInside(int32_t x, int32_t y) const { return GetPixel(x, y) != 0; }
    // Ignored outside; a non-zero value widens the box.
    void SetPixel(int32_t x, int32_t y, int32_t value);
    // Every byte (padding included) becomes the low byte of value; the box is not touched.
    void Fill(int32_t value);
    // Clears the plane and empties the box.
    void Empty();
    bool IsEmpty() const { return FX1 == IKEmptyBox; }
    // Columns x1..x2 of row y, clipped to the mask (a row outside writes nothing); the number of pixels
    // written. A one-bit mask sets the bits for a non-zero value and clears them for 0.
    int32_t FillSpan(int32_t value, int32_t x1, int32_t y, int32_t x2);

    // Several polygons separated by points whose X is IKPolygonSeparator, each filled in turn.
    void FillPolygons(int32_t value, const win::TPoint* points, int32_t count);
    // Even-odd scan-line fill: a span includes its left edge and excludes its right edge, an edge covers the
    // scan lines from its upper end to the one before its lower end. The box widens by the vertices (to one
    // before the largest coordinates); a fill that writes nothing keeps the box as it was.
    void FillPolygon(int32_t value, const win::TPoint* points, int32_t count);
    // Moves the content of the box by (dx, dy). With clip, what leaves the mask is cut off; without, the
    // move is limited to keep the box inside, and the limited values are handed back.
    void Translate(int32_t& dx, int32_t& dy, bool clip);

    // Copies source into dest through the mask, inside the box. With sourceAtBox the source holds just the
    // box (its pixel (0, 0) is the box's corner); likewise destAtBox.
    void CopyWithMask(TIKBitmap* dest, TIKBitmap* source, bool destAtBox, bool sourceAtBox);
    // One-bit masks only. Stretches the source rectangle (srcY from the top) of the mask onto the canvas with
    // an exclusive-or: selected pixels appear inverted, the rest is untouched.
    void DrawInverted(vcl::TCanvas* canvas, int32_t destX, int32_t destY, int32_t destWidth,
                      int32_t destHeight, int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight);
    // The marching-ants border (TraceOutline) drawn pixel by pixel on the canvas.
    void DrawOutline(vcl::TCanvas* canvas, int32_t destX, int32_t destY, int32_t destWidth,
                     int32_t destHeight, int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                     uint8_t phase, int32_t colorB, int32_t colorA);
    // DimOutside on a 24-bit display bitmap; other bitmaps are left alone.
    void DimOutside(vcl::TBitmap* bitmap, int32_t destX, int32_t destY, int32_t destWidth, int32_t destHeight,
                    int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight);
    // Renders the shown part (srcX, srcY, srcWidth, srcHeight) of a one-bit mask, zoomed to destWidth x
    // destHeight, into a one-bit bottom-up buffer of that size (rows padded to 4 bytes).
    void ScaleToBuffer(uint8_t* buffer, int32_t destWidth, int32_t destHeight, int32_t srcX, int32_t srcY,
                       int32_t srcWidth, int32_t srcHeight) const;
    // The marching-ants border of a one-bit selection shown zoomed: calls setPixel for every border pixel of
    // the view with its colour, colorB or colorA in diagonal dashes of four pixels that move with phase.
    void TraceOutline(int32_t destX, int32_t destY, int32_t destWidth, int32_t destHeight, int32_t srcX,
                      int32_t srcY, int32_t srcWidth, int32_t srcHeight, uint8_t phase, int32_t colorB,
                      int32_t colorA,
                      const std::function<void(int32_t x, int32_t y, int32_t color)>& setPixel);
    // Whitens every other pixel of every other row outside the selection in a 24-bit top-down view of rows
    // (row(y) gives view row y of bitmapWidth x bitmapHeight pixels).
    void DimOutside(const std::function<uint8_t*(int32_t y)>& row, int32_t bitmapWidth, int32_t bitmapHeight,
                    int32_t destX, int32_t destY, int32_t destWidth, int32_t destHeight, int32_t srcX,
                    int32_t srcY, int32_t srcWidth, int32_t srcHeight);

    // The bounding box of the non-zero pixels (inclusive); empty is X1 = Y1 = IKEmptyBox, X2 = Y2 = 0.
    int32_t X1() const { return FX1; }
    int32_t Y1() const { return FY1; }
    int32_t X2() const { return FX2; }
    int32_t Y2() const { return FY2; }
    void SetBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void EmptyBox() { SetBox(IKEmptyBox, IKEmptyBox, 0, 0); }

    // Every pixel holds the largest value (255, or every bit set).
    bool GetFull() const { return FFull; }
    void SetFull(bool value) { FFull = value; }

    // The outline buffer of the last drawing and its size.
    const std::vector<uint8_t>& OutlineBuffer() const { return FOutline; }

private:
    size_t RowOffset(int32_t y) const;
    void PrepareOutline(int32_t destWidth, int32_t destHeight, int32_t srcX, int32_t srcY, int32_t srcWidth,
                        int32_t srcHeight);
    bool Bit(int32_t x, int32_t y) const;
    void ClampBox();

    int32_t FWidth = 0;
    int32_t FHeight = 0;
    int32_t FBitsPerPixel = 0;
    int32_t FRowLength = 0;
    std::vector<uint8_t> FData;
    int32_t FX1 = IKEmptyBox;
    int32_t FY1 = IKEmptyBox;
    int32_t FX2 = 0;
    int32_t FY2 = 0;
    std::vector<uint8_t> FOutline;
    int32_t FOutlineWidth = 0;
    int32_t FOutlineHeight = 0;
    bool FFull = false;
};

} // namespace imaging

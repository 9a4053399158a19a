// Colour reduction: a picture of any colours becomes an 8-bit paletted bitmap, through a palette chosen
// by the reduction method, a lookup into that palette and a ditherer.
#pragma once

#include "gif/GifTypes.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/WinTypes.h"
#include "platform/win/gdi/Gdi.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace gif {

// Fixed palettes; each call returns a new palette the caller deletes.
win::HPALETTE CreateWebSafePalette();
win::HPALETTE CreateGray256Palette();
win::HPALETTE CreateBlackWhitePalette();
win::HPALETTE CreateSystemGray4Palette();
win::HPALETTE CreateScreenHalftonePalette();

class TColorLookup {
public:
    virtual ~TColorLookup() = default;
    // The palette index for a colour; r, g, b receive that entry's colour.
    virtual uint8_t FindIndex(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g,
                              uint8_t& b) = 0;
    int GetColorCount() const { return FColorCount; }

protected:
    int FColorCount = 0;
};

// The nearest palette entry (sum of channel differences, lowest index on ties), remembered per 5-bit cell.
class TFastColorLookup : public TColorLookup {
public:
    explicit TFastColorLookup(win::HPALETTE palette);
    uint8_t FindIndex(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;

private:
    std::vector<win::PALETTEENTRY> FEntries;
    std::vector<int16_t> FInverse; // 32768 cells, -1 while unknown
};

class TWebSafeColorLookup : public TColorLookup {
public:
    TWebSafeColorLookup() { FColorCount = 216; }
    uint8_t FindIndex(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
};

class TGrayScaleLookup : public TColorLookup {
public:
    TGrayScaleLookup() { FColorCount = 256; }
    uint8_t FindIndex(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
};

class TMonochromeLookup : public TColorLookup {
public:
    TMonochromeLookup() { FColorCount = 2; }
    uint8_t FindIndex(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
};

// The closest-colour ditherer and the base of the error-diffusing ones. Rows are scanned serpentine: call
// MapPixel for each pixel at GetScanColumn() while it lies in 0..width-1, then StartNextRow.
class TDitherEngine {
public:
    TDitherEngine(int32_t width, TColorLookup* lookup);
    virtual ~TDitherEngine() = default;
    TDitherEngine(const TDitherEngine&) = delete;
    TDitherEngine& operator=(const TDitherEngine&) = delete;

    virtual uint8_t MapPixel(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b);
    virtual void StartNextRow();
    // Moves to the next pixel without mapping the current one (a transparent pixel keeps its index and
    // spreads no error).
    void SkipPixel() { FScanColumn += FScanStep; }
    int32_t GetScanColumn() const { return FScanColumn; }
    int32_t GetScanStep() const { return FScanStep; }

protected:
    TColorLookup* FLookup;
    int32_t FWidth;
    int32_t FScanStep = 1;
    int32_t FScanColumn = 0;
};

// Error diffusion with a kernel: weights for the pixels ahead on this row and for the rows below.
struct TDitherKernel {
    int Rows;   // rows the kernel reaches, the current one included
    int Margin; // columns it reaches sideways
    int Divisor;
    int Ahead[2];    // +1, +2 on the current row
    int Below[3][7]; // rows 1..3, columns -3..+3
};

class TErrorDiffusionDitherer : public TDitherEngine {
public:
    TErrorDiffusionDitherer(int32_t width, TColorLookup* lookup, const TDitherKernel& kernel);
    uint8_t MapPixel(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
    void StartNextRow() override;

private:
    int32_t& Error(int channel, int row, int32_t column);
    TDitherKernel FKernel;
    // Per channel and kernel row, the weighted error sums of a row with a margin on each side.
    std::vector<int32_t> FErrors;
    int32_t FRowLength;
    // The kernel's non-zero weights: kernel row, columns ahead in the scan direction, weight.
    struct Tap {
        int Row;
        int Ahead;
        int Weight;
    };
    std::vector<Tap> FTaps;
};

class TFloydSteinbergDitherer : public TErrorDiffusionDitherer {
public:
    TFloydSteinbergDitherer(int32_t width, TColorLookup* lookup);
};
class TStuckiDitherer : public TErrorDiffusionDitherer {
public:
    TStuckiDitherer(int32_t width, TColorLookup* lookup);
};
class TSierraDitherer : public TErrorDiffusionDitherer {
public:
    TSierraDitherer(int32_t width, TColorLookup* lookup);
};
class TJaJuNiDitherer : public TErrorDiffusionDitherer {
public:
    TJaJuNiDitherer(int32_t width, TColorLookup* lookup);
};
class TSteveArcheDitherer : public TErrorDiffusionDitherer {
public:
    TSteveArcheDitherer(int32_t width, TColorLookup* lookup);
};
class TBurkesDitherer : public TErrorDiffusionDitherer {
public:
    TBurkesDitherer(int32_t width, TColorLookup* lookup);
};

// A new bitmap (the caller owns it): a 24-bit copy for rdNone, else an 8-bit image of the source's colours
// reduced by the method and dithered. The source is converted to 24 bits in place unless the method is
// rdNone. An unknown method or dither method, or a palette without entries, gives an empty bitmap.
std::unique_ptr<vcl::TBitmap> ReduceBitmapToPalette(vcl::TBitmap* bitmap, TGifReductionMethod method,
                                                    TGifDitherMethod dither, int quantizeBits,
                                                    win::HPALETTE givenPalette);

} // namespace gif

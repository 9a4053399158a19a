#include "gif/GifColorReduction.h"

#include "gif/GifDib.h"
#include "gif/GifOctree.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <cstdlib>

namespace gif {

namespace {

win::HPALETTE MakePalette(const std::vector<win::PALETTEENTRY>& entries) {
    std::vector<uint8_t> block(sizeof(win::LOGPALETTE) + entries.size() * sizeof(win::PALETTEENTRY));
    auto* lp = reinterpret_cast<win::LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = win::WORD(entries.size());
    std::copy(entries.begin(), entries.end(), lp->palPalEntry);
    win::HPALETTE palette = win::CreatePalette(lp);
    if (!palette)
        throw vcl::EOutOfResources("Out of system resources");
    return palette;
}

uint8_t ClampByte(int v) {
    return uint8_t(std::clamp(v, 0, 255));
}

// The kernels: ahead on the current row (+1, +2), then rows below from 3 behind to 3 ahead.
constexpr TDitherKernel FloydSteinbergKernel{2, 1, 16, {7, 0}, {{0, 0, 3, 5, 1, 0, 0}}};
constexpr TDitherKernel StuckiKernel{3, 2, 42, {8, 4}, {{0, 2, 4, 8, 4, 2, 0}, {0, 1, 2, 4, 2, 1, 0}}};
constexpr TDitherKernel SierraKernel{3, 2, 32, {5, 3}, {{0, 2, 4, 5, 4, 2, 0}, {0, 0, 2, 3, 2, 0, 0}}};
constexpr TDitherKernel JaJuNiKernel{3, 2, 48, {7, 5}, {{0, 3, 5, 7, 5, 3, 0}, {0, 1, 3, 5, 3, 1, 0}}};
constexpr TDitherKernel SteveArcheKernel{
    4, 3, 200, {0, 32}, {{12, 0, 26, 0, 30, 0, 16}, {0, 12, 0, 26, 0, 12, 0}, {5, 0, 12, 0, 12, 0, 5}}};
constexpr TDitherKernel BurkesKernel{2, 2, 32, {8, 4}, {{0, 2, 4, 8, 4, 2, 0}}};

} // namespace

win::HPALETTE CreateWebSafePalette() {
    std::vector<win::PALETTEENTRY> e;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                e.push_back({win::BYTE(51 * r), win::BYTE(51 * g), win::BYTE(51 * b), 0});
    return MakePalette(e);
}

win::HPALETTE CreateGray256Palette() {
    std::vector<win::PALETTEENTRY> e;
    for (int i = 0; i < 256; ++i)
        e.push_back({win::BYTE(i), win::BYTE(i), win::BYTE(i), win::PC_NOCOLLAPSE});
    return MakePalette(e);
}

win::HPALETTE CreateBlackWhitePalette() {
    return MakePalette({{0, 0, 0, win::PC_NOCOLLAPSE}, {255, 255, 255, win::PC_NOCOLLAPSE}});
}

win::HPALETTE CreateSystemGray4Palette() {
    std::vector<win::PALETTEENTRY> e;
    for (int v : {0, 128, 192, 255})
        e.push_back({win::BYTE(v), win::BYTE(v), win::BYTE(v), win::PC_NOCOLLAPSE});
    return MakePalette(e);
}

win::HPALETTE CreateScreenHalftonePalette() {
    win::HPALETTE palette = win::CreateHalftonePalette(win::GetScreenDC());
    if (!palette)
        throw vcl::EOutOfResources("Out of system resources");
    return palette;
}

// ---- Lookups -----------------------------------------------------------------------------------------

TFastColorLookup::TFastColorLookup(win::HPALETTE palette) : FInverse(32768, -1) {
    if (palette) {
        win::PALETTEENTRY entries[256];
        win::UINT n = win::GetPaletteEntries(palette, 0, 256, entries);
        FEntries.assign(entries, entries + std::min<win::UINT>(n, 256));
    }
    FColorCount = int(FEntries.size());
    for (size_t i = 0; i < FEntries.size(); ++i) {
        const auto& e = FEntries[i];
        int cell = (e.peRed >> 3) + (e.peGreen >> 3) * 32 + (e.peBlue >> 3) * 1024;
        if (FInverse[size_t(cell)] < 0)
            FInverse[size_t(cell)] = int16_t(i); // the first entry of a cell wins
    }
}

uint8_t TFastColorLookup::FindIndex(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g,
                                    uint8_t& b) {
    if (FEntries.empty()) {
        r = g = b = 0;
        return 0;
    }
    int cell = (red >> 3) + (green >> 3) * 32 + (blue >> 3) * 1024;
    int16_t index = FInverse[size_t(cell)];
    if (index < 0) {
        int best = 1 << 30;
        for (size_t i = 0; i < FEntries.size(); ++i) {
            const auto& e = FEntries[i];
            int d = std::abs(int(e.peRed) - red) + std::abs(int(e.peGreen) - green) +
                    std::abs(int(e.peBlue) - blue);
            if (d < best) {
                best = d;
                index = int16_t(i);
            }
        }
        FInverse[size_t(cell)] = index;
    }
    const auto& e = FEntries[size_t(index)];
    r = e.peRed;
    g = e.peGreen;
    b = e.peBlue;
    return uint8_t(index);
}

uint8_t TWebSafeColorLookup::FindIndex(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g,
                                       uint8_t& b) {
    int lr = (red + 3) / 51, lg = (green + 3) / 51, lb = (blue + 3) / 51;
    r = uint8_t(51 * lr);
    g = uint8_t(51 * lg);
    b = uint8_t(51 * lb);
    return uint8_t(36 * lr + 6 * lg + lb);
}

uint8_t TGrayScaleLookup::FindIndex(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g,
                                    uint8_t& b) {
    uint8_t gray = uint8_t((77 * red + 150 * green + 29 * blue) >> 8);
    r = g = b = gray;
    return gray;
}

uint8_t TMonochromeLookup::FindIndex(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g,
                                     uint8_t& b) {
    bool white = 77 * red + 150 * green + 29 * blue > 32512;
    r = g = b = white ? 255 : 0;
    return white ? 1 : 0;
}

// ---- Ditherers ---------------------------------------------------------------------------------------

TDitherEngine::TDitherEngine(int32_t width, TColorLookup* lookup) : FLookup(lookup), FWidth(width) {}

uint8_t TDitherEngine::MapPixel(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g,
                                uint8_t& b) {
    uint8_t index = FLookup->FindIndex(red, green, blue, r, g, b);
    FScanColumn += FScanStep;
    return index;
}

void TDitherEngine::StartNextRow() {
    FScanStep = -FScanStep;
    FScanColumn = FScanStep > 0 ? 0 : FWidth - 1;
}

TErrorDiffusionDitherer::TErrorDiffusionDitherer(int32_t width, TColorLookup* lookup,
                                                 const TDitherKernel& kernel)
    : TDitherEngine(width, lookup), FKernel(kernel), FRowLength(width + 2 * kernel.Margin) {
    FErrors.assign(size_t(3) * size_t(kernel.Rows) * size_t(FRowLength), 0);
    for (int a = 1; a <= 2; ++a)
        if (kernel.Ahead[a - 1])
            FTaps.push_back({0, a, kernel.Ahead[a - 1]});
    for (int row = 1; row < kernel.Rows; ++row)
        for (int k = -3; k <= 3; ++k)
            if (int w = kernel.Below[row - 1][k + 3])
                FTaps.push_back({row, k, w});
}

int32_t& TErrorDiffusionDitherer::Error(int channel, int row, int32_t column) {
    return FErrors[(size_t(channel) * size_t(FKernel.Rows) + size_t(row)) * size_t(FRowLength) +
                   size_t(column + FKernel.Margin)];
}

uint8_t TErrorDiffusionDitherer::MapPixel(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g,
                                          uint8_t& b) {
    const int half = FKernel.Divisor / 2;
    const size_t plane = size_t(FKernel.Rows) * size_t(FRowLength);
    int32_t* here = FErrors.data() + size_t(FScanColumn + FKernel.Margin);
    int value[3] = {red, green, blue};
    for (int c = 0; c < 3; ++c)
        value[c] = ClampByte(value[c] + (here[size_t(c) * plane] + half) / FKernel.Divisor);
    uint8_t index = FLookup->FindIndex(uint8_t(value[0]), uint8_t(value[1]), uint8_t(value[2]), r, g, b);
    const int entry[3] = {r, g, b};
    for (int c = 0; c < 3; ++c) {
        const int error = value[c] - entry[c];
        if (error == 0)
            continue;
        // Ahead is the scan direction, so the kernel is mirrored on right-to-left rows.
        int32_t* channel = here + size_t(c) * plane;
        for (const Tap& tap : FTaps)
            channel[std::ptrdiff_t(tap.Row) * FRowLength + std::ptrdiff_t(tap.Ahead) * FScanStep] +=
                error * tap.Weight;
    }
    FScanColumn += FScanStep;
    return index;
}

void TErrorDiffusionDitherer::StartNextRow() {
    // The finished row is cleared and becomes the last; the others move up.
    for (int c = 0; c < 3; ++c) {
        auto begin = FErrors.begin() + std::ptrdiff_t(size_t(c) * size_t(FKernel.Rows) * size_t(FRowLength));
        std::rotate(begin, begin + FRowLength,
                    begin + std::ptrdiff_t(size_t(FKernel.Rows) * size_t(FRowLength)));
        std::fill(begin + std::ptrdiff_t(size_t(FKernel.Rows - 1) * size_t(FRowLength)),
                  begin + std::ptrdiff_t(size_t(FKernel.Rows) * size_t(FRowLength)), 0);
    }
    TDitherEngine::StartNextRow();
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int32_t w, TColorLookup* l)
    : TErrorDiffusionDitherer(w, l, FloydSteinbergKernel) {}
TStuckiDitherer::TStuckiDitherer(int32_t w, TColorLookup* l) : TErrorDiffusionDitherer(w, l, StuckiKernel) {}
TSierraDitherer::TSierraDitherer(int32_t w, TColorLookup* l) : TErrorDiffusionDitherer(w, l, SierraKernel) {}
TJaJuNiDitherer::TJaJuNiDitherer(int32_t w, TColorLookup* l) : TErrorDiffusionDitherer(w, l, JaJuNiKernel) {}
TSteveArcheDitherer::TSteveArcheDitherer(int32_t w, TColorLookup* l)
    : TErrorDiffusionDitherer(w, l, SteveArcheKernel) {}
TBurkesDitherer::TBurkesDitherer(int32_t w, TColorLookup* l) : TErrorDiffusionDitherer(w, l, BurkesKernel) {}

// ---- Reduction ---------------------------------------------------------------------------------------

namespace {

struct PaletteHolder {
    win::HPALETTE H = nullptr;
    ~PaletteHolder() {
        if (H)
            win::DeleteObject(H);
    }
};

std::unique_ptr<TDitherEngine> MakeDitherer(TGifDitherMethod dither, int32_t width, TColorLookup* lookup) {
    switch (dither) {
    case dtClosestColor:
        return std::make_unique<TDitherEngine>(width, lookup);
    case dtFloydSteinberg:
        return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case dtStucki:
        return std::make_unique<TStuckiDitherer>(width, lookup);
    case dtSierra:
        return std::make_unique<TSierraDitherer>(width, lookup);
    case dtJarvisJudiceNinke:
        return std::make_unique<TJaJuNiDitherer>(width, lookup);
    case dtStevensonArce:
        return std::make_unique<TSteveArcheDitherer>(width, lookup);
    case dtBurkes:
        return std::make_unique<TBurkesDitherer>(width, lookup);
    default:
        return nullptr;
    }
}

} // namespace

std::unique_ptr<vcl::TBitmap> ReduceBitmapToPalette(vcl::TBitmap* bitmap, TGifReductionMethod method,
                                                    TGifDitherMethod dither, int quantizeBits,
                                                    win::HPALETTE givenPalette) {
    auto result = std::make_unique<vcl::TBitmap>();
    if (method == rdNone) {
        result->Assign(bitmap);
        result->SetPixelFormat(vcl::pf24bit);
        return result;
    }
    TDIBReader reader(bitmap, vcl::pf24bit);
    const int32_t width = bitmap->GetWidth(), height = bitmap->GetHeight();
    PaletteHolder palette;
    switch (method) {
    case rdSystem20:
        palette.H = vcl::CopyPalette(win::AsPalette(win::GetStockObject(win::DEFAULT_PALETTE)));
        break;
    case rdHalftone256:
        palette.H = CreateScreenHalftonePalette();
        break;
    case rdSystemGray4:
        palette.H = CreateSystemGray4Palette();
        break;
    case rdBlackWhite:
        palette.H = CreateBlackWhitePalette();
        break;
    case rdGray256:
        palette.H = CreateGray256Palette();
        break;
    case rdWebSafe216:
        palette.H = CreateWebSafePalette();
        break;
    case rdOctree:
        palette.H = BuildOctreePalette(reader, 1 << std::clamp(quantizeBits, 1, 8), 8, false);
        break;
    case rdOctreeWithSystem:
        palette.H = BuildOctreePaletteFromBitmap(bitmap, 256, 8, true);
        break;
    case rdGivenPalette:
        palette.H = givenPalette ? vcl::CopyPalette(givenPalette) : nullptr;
        break;
    default:
        return result;
    }
    std::unique_ptr<TColorLookup> lookup;
    if (method == rdBlackWhite)
        lookup = std::make_unique<TMonochromeLookup>();
    else if (method == rdGray256)
        lookup = std::make_unique<TGrayScaleLookup>();
    else if (method == rdWebSafe216)
        lookup = std::make_unique<TWebSafeColorLookup>();
    else
        lookup = std::make_unique<TFastColorLookup>(palette.H);
    if (lookup->GetColorCount() == 0 || width <= 0 || height <= 0)
        return result;
    std::unique_ptr<TDitherEngine> ditherer = MakeDitherer(dither, width, lookup.get());
    if (!ditherer)
        return result;
    {
        TDIBWriter writer(result.get(), vcl::pf8bit, width, height, palette.H);
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* src = reader.RowPointer(y);
            uint8_t* dst = writer.RowPointer(y);
            for (int32_t x = ditherer->GetScanColumn(); x >= 0 && x < width; x = ditherer->GetScanColumn()) {
                const uint8_t* p = src + size_t(x) * 3;
                uint8_t r, g, b;
                dst[x] = ditherer->MapPixel(p[2], p[1], p[0], r, g, b);
            }
            ditherer->StartNextRow();
        }
    }
    return result;
}

} // namespace gif

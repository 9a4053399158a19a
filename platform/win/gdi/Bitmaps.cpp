// Bitmaps: DIB sections and device-dependent bitmaps, pixel formats, GetDIBits/SetDIBits.
#include "platform/win/gdi/GdiObjects.h"

#include <cstdlib>
#include <cstring>

namespace win {

namespace {

int BitmapsCountBits(uint32_t m) {
    int n = 0;
    for (; m; m &= m - 1)
        ++n;
    return n;
}

int BitmapsLowBit(uint32_t m) {
    if (!m)
        return 0;
    int s = 0;
    while (!(m & 1)) {
        m >>= 1;
        ++s;
    }
    return s;
}

// Expands an n-bit channel to 8 bits by bit replication (n >= 8 keeps the top 8 bits).
uint32_t BitmapsExpand(uint32_t c, int n) {
    if (n <= 0)
        return 0;
    if (n >= 8)
        return (c >> (n - 8)) & 0xFF;
    uint32_t x = c << (8 - n);
    for (int filled = n; filled < 8; filled *= 2)
        x |= x >> filled;
    return x & 0xFF;
}

uint32_t BitmapsReduce(uint32_t c8, int n) {
    if (n <= 0)
        return 0;
    if (n <= 8)
        return c8 >> (8 - n);
    return BitmapsExpand(c8, 8) << (n - 8) | (c8 >> (16 - n));
}

bool BitmapsValidDepth(int bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

bool BitmapsValidMasks(uint32_t r, uint32_t g, uint32_t b, int bpp) {
    if (!r || !g || !b || (r & g) || (r & b) || (g & b))
        return false;
    uint64_t limit = bpp == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    for (uint32_t m : {r, g, b}) {
        if (m > limit)
            return false;
        uint32_t shifted = m >> BitmapsLowBit(m);
        if (shifted & (shifted + 1)) // not contiguous
            return false;
    }
    return true;
}

// The colour-table entries a DIB header declares (0 for 16 bits and more).
int64_t BitmapsTableCount(const BITMAPINFOHEADER& h) {
    if (h.biBitCount > 8)
        return 0;
    int64_t full = int64_t(1) << h.biBitCount;
    return h.biClrUsed == 0 ? full : std::min<int64_t>(h.biClrUsed, full);
}

std::vector<RGBQUAD> BitmapsTableForDepth(const HBITMAP__* bmp, int bpp) {
    if (bmp && bmp->Palettized() && bmp->FBitsPixel == bpp)
        return bmp->FColors;
    return gdi::DefaultColorTable(bpp);
}

void BitmapsFillHeader(const HBITMAP__* b, BITMAPINFOHEADER& h) {
    h.biWidth = b->FWidth;
    h.biHeight = b->FHeight;
    h.biPlanes = 1;
    h.biBitCount = WORD(b->FBitsPixel);
    h.biCompression = (b->FBitsPixel == 16 || b->FBitsPixel == 32) && b->FCompression == BI_BITFIELDS
                          ? BI_BITFIELDS
                          : BI_RGB;
    h.biSizeImage = DWORD(DibStride(b->FWidth, b->FBitsPixel) * b->FHeight);
    h.biClrUsed = 0;
    h.biClrImportant = 0;
}

// Copies rows between two bitmaps of equal width, converting the format when needed.
void BitmapsConvertRow(const HBITMAP__& src, int sy, HBITMAP__& dst, int dy, int width) {
    if (src.SameFormat(dst)) {
        size_t bytes = size_t((int64_t(width) * src.FBitsPixel + 7) / 8);
        std::memcpy(dst.Row(dy), src.Row(sy), bytes);
        return;
    }
    uint32_t lastIn = 0, lastOut = dst.FromRgb(src.ToRgb(0));
    for (int x = 0; x < width; ++x) {
        uint32_t v = src.GetRaw(x, sy);
        if (v != lastIn) {
            lastIn = v;
            lastOut = dst.FromRgb(src.ToRgb(v));
        }
        dst.SetRaw(x, dy, lastOut);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Pixel access and formats.

HBITMAP__::~HBITMAP__() {
    if (FOwnsBits)
        std::free(FBits);
}

uint32_t HBITMAP__::GetRaw(int x, int y) const {
    const uint8_t* row = Row(y);
    switch (FBitsPixel) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    case 8:
        return row[x];
    case 16:
        return uint32_t(row[2 * x]) | uint32_t(row[2 * x + 1]) << 8;
    case 24:
        return uint32_t(row[3 * x]) | uint32_t(row[3 * x + 1]) << 8 | uint32_t(row[3 * x + 2]) << 16;
    default: {
        uint32_t v;
        std::memcpy(&v, row + 4 * x, 4);
        return v;
    }
    }
}

void HBITMAP__::SetRaw(int x, int y, uint32_t v) {
    uint8_t* row = Row(y);
    switch (FBitsPixel) {
    case 1: {
        uint8_t bit = uint8_t(0x80 >> (x & 7));
        row[x >> 3] = (v & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
        break;
    }
    case 4:
        if (x & 1)
            row[x >> 1] = uint8_t((row[x >> 1] & 0xF0) | (v & 0xF));
        else
            row[x >> 1] = uint8_t((row[x >> 1] & 0x0F) | ((v & 0xF) << 4));
        break;
    case 8:
        row[x] = uint8_t(v);
        break;
    case 16:
        row[2 * x] = uint8_t(v);
        row[2 * x + 1] = uint8_t(v >> 8);
        break;
    case 24:
        row[3 * x] = uint8_t(v);
        row[3 * x + 1] = uint8_t(v >> 8);
        row[3 * x + 2] = uint8_t(v >> 16);
        break;
    default:
        std::memcpy(row + 4 * x, &v, 4);
        break;
    }
}

void HBITMAP__::SetMasks(uint32_t r, uint32_t g, uint32_t b) {
    FMasks[0] = r;
    FMasks[1] = g;
    FMasks[2] = b;
    for (int i = 0; i < 3; ++i) {
        FMaskShift[i] = uint8_t(BitmapsLowBit(FMasks[i]));
        FMaskBits[i] = uint8_t(BitmapsCountBits(FMasks[i]));
    }
}

uint32_t HBITMAP__::FromRgb(COLORREF rgb) const {
    uint32_t r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
    switch (FBitsPixel) {
    case 24:
        return (r << 16) | (g << 8) | b;
    case 16:
    case 32:
        return (BitmapsReduce(r, FMaskBits[0]) << FMaskShift[0]) |
               (BitmapsReduce(g, FMaskBits[1]) << FMaskShift[1]) |
               (BitmapsReduce(b, FMaskBits[2]) << FMaskShift[2]);
    default: {
        uint32_t best = 0;
        int bestDist = 1 << 30;
        for (size_t i = 0; i < FColors.size(); ++i) {
            int dr = int(FColors[i].rgbRed) - int(r), dg = int(FColors[i].rgbGreen) - int(g),
                db = int(FColors[i].rgbBlue) - int(b);
            int d = dr * dr + dg * dg + db * db;
            if (d < bestDist) {
                bestDist = d;
                best = uint32_t(i);
                if (d == 0)
                    break;
            }
        }
        return best;
    }
    }
}

COLORREF HBITMAP__::ToRgb(uint32_t v) const {
    switch (FBitsPixel) {
    case 24:
        return RGB(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v));
    case 16:
    case 32:
        return RGB(uint8_t(BitmapsExpand((v & FMasks[0]) >> FMaskShift[0], FMaskBits[0])),
                   uint8_t(BitmapsExpand((v & FMasks[1]) >> FMaskShift[1], FMaskBits[1])),
                   uint8_t(BitmapsExpand((v & FMasks[2]) >> FMaskShift[2], FMaskBits[2])));
    default:
        if (v < FColors.size())
            return RGB(FColors[v].rgbRed, FColors[v].rgbGreen, FColors[v].rgbBlue);
        return 0;
    }
}

uint32_t HBITMAP__::ValueMask() const {
    switch (FBitsPixel) {
    case 32:
        return FMasks[0] | FMasks[1] | FMasks[2];
    case 24:
        return 0xFFFFFF;
    case 16:
        return FMasks[0] | FMasks[1] | FMasks[2];
    default:
        return (1u << FBitsPixel) - 1;
    }
}

bool HBITMAP__::SameFormat(const HBITMAP__& o) const {
    if (FBitsPixel != o.FBitsPixel)
        return false;
    if (FBitsPixel == 16 || FBitsPixel == 32)
        return FMasks[0] == o.FMasks[0] && FMasks[1] == o.FMasks[1] && FMasks[2] == o.FMasks[2];
    if (FBitsPixel == 24)
        return true;
    return FColors == o.FColors;
}

int64_t DibStride(int64_t width, int bpp) {
    if (width < 0 || width > gdi::MaxBitmapSide || !BitmapsValidDepth(bpp))
        return -1;
    return ((width * bpp + 31) / 32) * 4;
}

namespace gdi {

std::vector<RGBQUAD> DefaultColorTable(int bpp) {
    std::vector<RGBQUAD> t;
    auto add = [&](const PALETTEENTRY& e) { t.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0}); };
    if (bpp == 1) {
        t = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    } else if (bpp == 4) {
        // The 16 VGA colours: the first 8 static colours, gray, then the bright ones.
        const PALETTEENTRY* s = StaticColors20();
        for (int i = 0; i < 7; ++i)
            add(s[i]);
        add(s[12]); // 128 gray
        add(s[7]);  // 192 gray
        for (int i = 13; i < 20; ++i)
            add(s[i]);
    } else if (bpp == 8) {
        for (const auto& e : HalftoneEntries())
            add(e);
    }
    return t;
}

HBITMAP__* NewBitmap(int32_t width, int32_t height, int bpp, bool topDown) {
    if (width <= 0 || height <= 0 || width > MaxBitmapSide || height > MaxBitmapSide)
        return nullptr;
    int64_t stride = DibStride(width, bpp);
    if (stride <= 0 || stride * height > MaxBitmapBytes)
        return nullptr;
    void* bits = std::calloc(size_t(stride * height), 1);
    if (!bits)
        return nullptr;
    auto* b = new HBITMAP__;
    b->FWidth = width;
    b->FHeight = height;
    b->FBitsPixel = bpp;
    b->FStride = int32_t(stride);
    b->FTopDown = topDown;
    b->FBits = static_cast<uint8_t*>(bits);
    if (bpp == 16)
        b->SetMasks(0x7C00, 0x03E0, 0x001F);
    else if (bpp == 32)
        b->SetMasks(0xFF0000, 0x00FF00, 0x0000FF);
    else if (bpp <= 8)
        b->FColors = DefaultColorTable(bpp);
    return b;
}

size_t DibTableBytes(const BITMAPINFOHEADER& h, UINT usage) {
    size_t bytes = 0;
    if (h.biCompression == BI_BITFIELDS && h.biSize < 52)
        bytes += 12;
    int64_t n = BitmapsTableCount(h);
    bytes += size_t(n) * (usage == DIB_PAL_COLORS ? 2 : 4);
    return bytes;
}

std::unique_ptr<HBITMAP__> DibView(const BITMAPINFO* info, UINT usage, HDC dc, const void* bits) {
    if (!info)
        return nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > 1024 || h.biPlanes != 1 ||
        !BitmapsValidDepth(h.biBitCount))
        return nullptr;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN || h.biWidth > MaxBitmapSide ||
        std::abs(h.biHeight) > MaxBitmapSide)
        return nullptr;
    bool bitfields = h.biCompression == BI_BITFIELDS;
    if (h.biCompression != BI_RGB && !(bitfields && (h.biBitCount == 16 || h.biBitCount == 32)))
        return nullptr;
    int64_t stride = DibStride(h.biWidth, h.biBitCount);
    int32_t height = std::abs(h.biHeight);
    if (stride <= 0 || stride * height > MaxBitmapBytes)
        return nullptr;
    auto view = std::make_unique<HBITMAP__>();
    view->FWidth = h.biWidth;
    view->FHeight = height;
    view->FBitsPixel = h.biBitCount;
    view->FStride = int32_t(stride);
    view->FTopDown = h.biHeight < 0;
    view->FDibSection = true;
    view->FOwnsBits = false;
    view->FBits = static_cast<uint8_t*>(const_cast<void*>(bits));
    view->FCompression = bitfields ? BI_BITFIELDS : BI_RGB;
    const uint8_t* after = reinterpret_cast<const uint8_t*>(info) + h.biSize;
    if (bitfields) {
        const uint8_t* m = reinterpret_cast<const uint8_t*>(info) + sizeof(BITMAPINFOHEADER);
        uint32_t masks[3];
        std::memcpy(masks, m, 12);
        if (!BitmapsValidMasks(masks[0], masks[1], masks[2], h.biBitCount))
            return nullptr;
        view->SetMasks(masks[0], masks[1], masks[2]);
        if (h.biSize < 52)
            after = m + 12;
    } else if (h.biBitCount == 16) {
        view->SetMasks(0x7C00, 0x03E0, 0x001F);
    } else if (h.biBitCount == 32) {
        view->SetMasks(0xFF0000, 0x00FF00, 0x0000FF);
    }
    int64_t n = BitmapsTableCount(h);
    if (usage == DIB_PAL_COLORS) {
        HPALETTE pal = dc ? dc->FState.FPalette : static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
        const auto& entries = pal->FEntries;
        for (int64_t i = 0; i < n; ++i) {
            uint16_t idx;
            std::memcpy(&idx, after + 2 * i, 2);
            PALETTEENTRY e = idx < entries.size() ? entries[idx] : PALETTEENTRY{0, 0, 0, 0};
            view->FColors.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
        }
    } else {
        for (int64_t i = 0; i < n; ++i) {
            RGBQUAD q;
            std::memcpy(&q, after + 4 * i, 4);
            q.rgbReserved = 0;
            view->FColors.push_back(q);
        }
    }
    return view;
}

} // namespace gdi

// ---------------------------------------------------------------------------------------------------------
// Creation.

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE, DWORD) {
    if (bits)
        *bits = nullptr;
    auto view = gdi::DibView(info, usage, dc, nullptr);
    if (!view)
        return nullptr;
    HBITMAP b = gdi::NewBitmap(view->FWidth, view->FHeight, view->FBitsPixel, view->FTopDown);
    if (!b)
        return nullptr;
    b->FDibSection = true;
    b->FCompression = view->FCompression;
    if (b->FBitsPixel == 16 || b->FBitsPixel == 32)
        b->SetMasks(view->FMasks[0], view->FMasks[1], view->FMasks[2]);
    if (b->Palettized()) {
        // Entries the header leaves out are black.
        b->FColors.assign(size_t(1) << b->FBitsPixel, RGBQUAD{});
        std::copy(view->FColors.begin(), view->FColors.end(), b->FColors.begin());
    }
    if (bits)
        *bits = b->FBits;
    return b;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    int bpp = int(planes * bitsPerPixel);
    if (planes == 0 || planes > 32 || bitsPerPixel > 32)
        return nullptr;
    if (bpp == 2)
        bpp = 4;
    if (!BitmapsValidDepth(bpp))
        return nullptr;
    HBITMAP b = gdi::NewBitmap(width, height, bpp, true);
    if (!b)
        return nullptr;
    b->FMono = bpp == 1;
    if (bpp == 16)
        b->SetMasks(0xF800, 0x07E0, 0x001F);
    if (bits) {
        int64_t srcStride = ((int64_t(width) * bpp + 15) / 16) * 2;
        int64_t rowBytes = (int64_t(width) * bpp + 7) / 8;
        for (int y = 0; y < height; ++y)
            std::memcpy(b->Row(y), static_cast<const uint8_t*>(bits) + srcStride * y, size_t(rowBytes));
    }
    return b;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    if (width < 0 || height < 0)
        return nullptr;
    if (width == 0 || height == 0)
        return CreateBitmap(1, 1, 1, 1, nullptr);
    HBITMAP like = (dc && !dc->FScreen) ? dc->FState.FBitmap : nullptr;
    if (like && like->FDibSection) {
        HBITMAP b = gdi::NewBitmap(width, height, like->FBitsPixel, like->FTopDown);
        if (!b)
            return nullptr;
        b->FDibSection = true;
        b->FCompression = like->FCompression;
        b->SetMasks(like->FMasks[0], like->FMasks[1], like->FMasks[2]);
        b->FColors = like->FColors;
        return b;
    }
    if (like && like->FMono)
        return CreateBitmap(width, height, 1, 1, nullptr);
    int bpp = like ? like->FBitsPixel : GetScreenBitsPixel();
    return CreateBitmap(width, height, 1, UINT(bpp), nullptr);
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
    if (!header)
        return nullptr;
    int width = header->biWidth, height = std::abs(header->biHeight);
    HBITMAP b = CreateCompatibleBitmap(dc, width, height);
    if (!b)
        return nullptr;
    if ((init & CBM_INIT) && bits && info) {
        if (SetDIBits(dc, b, 0, UINT(height), bits, info, usage) == 0) {
            DeleteObject(b);
            return nullptr;
        }
    }
    return b;
}

LONG GetBitmapBits(HBITMAP bmp, LONG count, void* bits) {
    if (!gdi::Checked(bmp) || count < 0)
        return 0;
    int64_t stride = ((int64_t(bmp->FWidth) * bmp->FBitsPixel + 15) / 16) * 2;
    int64_t total = stride * bmp->FHeight;
    if (!bits)
        return LONG(total);
    int64_t n = std::min<int64_t>(count, total);
    auto* out = static_cast<uint8_t*>(bits);
    for (int y = 0; y < bmp->FHeight && n > 0; ++y) {
        int64_t take = std::min(n, stride);
        int64_t fromRow = std::min<int64_t>(take, bmp->FStride);
        std::memcpy(out + stride * y, bmp->Row(y), size_t(fromRow));
        if (take > fromRow)
            std::memset(out + stride * y + fromRow, 0, size_t(take - fromRow));
        n -= take;
    }
    return LONG(std::min<int64_t>(count, total));
}

LONG SetBitmapBits(HBITMAP bmp, DWORD count, const void* bits) {
    if (!gdi::Checked(bmp) || !bits)
        return 0;
    int64_t stride = ((int64_t(bmp->FWidth) * bmp->FBitsPixel + 15) / 16) * 2;
    int64_t total = std::min<int64_t>(count, stride * bmp->FHeight);
    int64_t rowBytes = (int64_t(bmp->FWidth) * bmp->FBitsPixel + 7) / 8;
    const auto* in = static_cast<const uint8_t*>(bits);
    int64_t done = 0;
    for (int y = 0; y < bmp->FHeight && done < total; ++y) {
        int64_t take = std::min({rowBytes, total - done});
        std::memcpy(bmp->Row(y), in + stride * y, size_t(take));
        done = stride * (y + 1);
    }
    return LONG(total);
}

// ---------------------------------------------------------------------------------------------------------
// DIB transfer.

int GetDIBits(HDC dc, HBITMAP bmp, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage) {
    // Header versions from the 40-byte header to the V5 one; the table follows the header.
    if (!gdi::Checked(bmp) || !info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) ||
        info->bmiHeader.biSize > sizeof(BITMAPV5HEADER))
        return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    uint8_t* table = reinterpret_cast<uint8_t*>(info) + h.biSize;
    if (h.biBitCount == 0) {
        // Describe the bitmap itself; no colour table is written.
        BitmapsFillHeader(bmp, h);
        if (h.biCompression == BI_BITFIELDS && h.biSize < 52)
            std::memcpy(table, bmp->FMasks, 12);
        return 1;
    }
    if (!BitmapsValidDepth(h.biBitCount) || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN)
        return 0;
    int bpp = h.biBitCount;
    bool bitfields = h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32);
    if (h.biCompression != BI_RGB && !bitfields)
        return 0;
    if (bitfields) {
        // A request for bit fields gets the bitmap's own masks when it has the same depth, else 5-6-5 or
        // 8-8-8.
        uint32_t m[3];
        if (bmp->FBitsPixel == bpp)
            std::memcpy(m, bmp->FMasks, 12);
        else if (bpp == 16)
            m[0] = 0xF800, m[1] = 0x07E0, m[2] = 0x001F;
        else
            m[0] = 0xFF0000, m[1] = 0x00FF00, m[2] = 0x0000FF;
        if (h.biSize < 52)
            std::memcpy(reinterpret_cast<uint8_t*>(info) + sizeof(BITMAPINFOHEADER), m, 12);
        else
            std::memcpy(reinterpret_cast<uint8_t*>(info) + 40, m, 12);
    }
    h.biPlanes = 1;
    h.biSizeImage = DWORD(DibStride(h.biWidth, bpp) * std::abs(int64_t(h.biHeight)));
    if (bpp <= 8) {
        auto colors = BitmapsTableForDepth(bmp, bpp);
        if (usage == DIB_PAL_COLORS) {
            for (size_t i = 0; i < colors.size(); ++i) {
                uint16_t idx = uint16_t(i);
                std::memcpy(table + 2 * i, &idx, 2);
            }
        } else {
            std::memcpy(table, colors.data(), colors.size() * sizeof(RGBQUAD));
        }
        h.biClrUsed = 0;
    }
    if (!bits)
        return 1;
    // The output is described by the header with a full default or own table.
    auto view = gdi::DibView(info, usage == DIB_PAL_COLORS ? DIB_RGB_COLORS : usage, dc, bits);
    if (!view)
        return 0;
    if (usage == DIB_PAL_COLORS)
        view->FColors = BitmapsTableForDepth(bmp, bpp);
    if (start >= UINT(bmp->FHeight))
        return 0;
    int count = int(std::min<int64_t>(lines, int64_t(bmp->FHeight) - start));
    count = std::min(count, view->FHeight);
    int width = std::min(bmp->FWidth, view->FWidth);
    for (int i = 0; i < count; ++i) {
        int fromBottom = int(start) + i;
        int srcY = bmp->FHeight - 1 - fromBottom;
        // Output line i holds scan line start + i counted from the bottom.
        int dstY = view->FTopDown ? count - 1 - i : view->FHeight - 1 - i;
        BitmapsConvertRow(*bmp, srcY, *view, dstY, width);
    }
    return count;
}

int SetDIBits(HDC dc, HBITMAP bmp, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage) {
    if (!gdi::Checked(bmp) || !bits)
        return 0;
    auto view = gdi::DibView(info, usage, dc, bits);
    if (!view || start >= UINT(bmp->FHeight))
        return 0;
    int count =
        int(std::min<int64_t>({int64_t(lines), int64_t(bmp->FHeight) - start, int64_t(view->FHeight)}));
    int width = std::min(bmp->FWidth, view->FWidth);
    for (int i = 0; i < count; ++i) {
        int dstY = bmp->FHeight - 1 - (int(start) + i);
        int srcY = view->FTopDown ? count - 1 - i : view->FHeight - 1 - i;
        BitmapsConvertRow(*view, srcY, *bmp, dstY, width);
    }
    return count;
}

namespace {

// The entries start .. start + count - 1 of the colour table of the DIB section selected into dc, cut at
// the table's end: their first entry and their number, or 0 when dc holds no palettized DIB section.
UINT BitmapsDibTableSpan(HDC dc, UINT start, UINT count, bool haveColors, RGBQUAD*& first) {
    if (!gdi::Checked(dc) || !dc->FState.FBitmap || !haveColors)
        return 0;
    HBITMAP b = dc->FState.FBitmap;
    if (!b->FDibSection || !b->Palettized() || start >= b->FColors.size())
        return 0;
    first = b->FColors.data() + start;
    return std::min<UINT>(count, UINT(b->FColors.size()) - start);
}

} // namespace

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
    RGBQUAD* table = nullptr;
    UINT n = BitmapsDibTableSpan(dc, start, count, colors != nullptr, table);
    std::copy_n(table, n, colors);
    return n;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors) {
    RGBQUAD* table = nullptr;
    UINT n = BitmapsDibTableSpan(dc, start, count, colors != nullptr, table);
    std::copy_n(colors, n, table);
    return n;
}

} // namespace win

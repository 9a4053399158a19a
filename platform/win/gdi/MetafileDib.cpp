// Bitmaps carried inside metafile records: a packed header with its colour table, and bits in any of the
// DIB formats, decoded into top-down 32-bit pixels after every size has been checked against the record.
#include "platform/win/gdi/MetafilePlayer.h"

#include <algorithm>

namespace win::meta {

namespace {

// An RLE bitmap may not claim more pixels than this many per byte of its data: deltas and line ends
// skip pixels without data, but a small record never costs a large allocation.
constexpr int64_t RlePixelsPerByte = 1024;

struct Fields {
    uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;
};

Fields FieldOf(uint32_t mask) {
    Fields f;
    f.Mask = mask;
    if (!mask)
        return f;
    while (!((mask >> f.Shift) & 1))
        ++f.Shift;
    while (f.Shift + f.Bits < 32 && ((mask >> (f.Shift + f.Bits)) & 1))
        ++f.Bits;
    return f;
}

uint32_t Channel(uint32_t v, const Fields& f) {
    if (!f.Bits)
        return 0;
    uint32_t c = (v & f.Mask) >> f.Shift;
    if (f.Bits >= 8)
        return c >> (f.Bits - 8);
    // Widen by repeating the bits.
    uint32_t out = 0;
    int have = 0;
    while (have < 8) {
        out = (out << f.Bits) | c;
        have += f.Bits;
    }
    return out >> (have - 8);
}

class RowWriter {
public:
    RowWriter(Dib& dib) : FDib(dib) {}
    void Put(int64_t x, int64_t yFromBottom, uint32_t argb) {
        if (x < 0 || x >= FDib.Width || yFromBottom < 0 || yFromBottom >= FDib.Height)
            return;
        int64_t row = FDib.Height - 1 - yFromBottom;
        FDib.Pixels[size_t(row) * size_t(FDib.Width) + size_t(x)] = argb;
    }

private:
    Dib& FDib;
};

// Run-length coded bits: 8 or 4 bits per pixel, rows from the bottom.
void DecodeRle(const uint8_t* bits, size_t size, bool four, const std::vector<uint32_t>& table, Dib& out) {
    RowWriter w(out);
    auto colour = [&](uint32_t index) { return index < table.size() ? table[index] : 0u; };
    int64_t x = 0, y = 0;
    size_t i = 0;
    while (i + 1 < size && y < out.Height) {
        uint8_t n = bits[i], v = bits[i + 1];
        i += 2;
        if (n > 0) {
            for (int k = 0; k < n; ++k) {
                uint32_t index = four ? (k % 2 == 0 ? v >> 4 : v & 15) : v;
                w.Put(x++, y, colour(index));
            }
            continue;
        }
        if (v == 0) { // end of line
            x = 0;
            ++y;
        } else if (v == 1) { // end of bitmap
            break;
        } else if (v == 2) { // delta
            if (i + 1 >= size)
                break;
            x += bits[i];
            y += bits[i + 1];
            i += 2;
        } else { // absolute run of v pixels, padded to a word
            size_t bytes = four ? (size_t(v) + 1) / 2 : v;
            if (i + bytes > size)
                break;
            for (int k = 0; k < v; ++k) {
                uint32_t index =
                    four ? (k % 2 == 0 ? bits[i + k / 2] >> 4 : bits[i + k / 2] & 15) : bits[i + k];
                w.Put(x++, y, colour(index));
            }
            i += (bytes + 1) & ~size_t(1);
        }
    }
}

} // namespace

bool DecodeDib(const uint8_t* header, size_t headerSize, const uint8_t* bits, size_t bitsSize, UINT usage,
               HPALETTE palette, Dib& out) {
    Rec h(header, header ? headerSize : 0);
    uint32_t hsize = h.U32(0);
    if (h.Bad())
        return false;
    int64_t width, height;
    int bpp;
    uint32_t compression = BI_RGB, used = 0;
    size_t tableAt, entrySize = usage == DIB_PAL_COLORS ? 2 : 4;
    Fields red = FieldOf(0x7C00), green = FieldOf(0x03E0), blue = FieldOf(0x001F), alpha;
    if (hsize == 12) {
        width = h.U16(4);
        height = h.U16(6);
        bpp = h.U16(10);
        tableAt = 12;
        if (usage != DIB_PAL_COLORS)
            entrySize = 3;
    } else if (hsize >= 40 && hsize <= headerSize) {
        width = h.I32(4);
        height = h.I32(8);
        bpp = h.U16(14);
        compression = h.U32(16);
        used = h.U32(32);
        tableAt = hsize;
        if (compression == BI_BITFIELDS) {
            size_t at = hsize >= 52 ? 40 : hsize;
            red = FieldOf(h.U32(at));
            green = FieldOf(h.U32(at + 4));
            blue = FieldOf(h.U32(at + 8));
            if (hsize >= 56)
                alpha = FieldOf(h.U32(52));
            if (hsize < 52)
                tableAt += 12;
        } else if (bpp == 32) {
            red = FieldOf(0xFF0000), green = FieldOf(0xFF00), blue = FieldOf(0xFF),
            alpha = FieldOf(0xFF000000u);
        }
    } else {
        return false;
    }
    if (h.Bad())
        return false;
    bool rle = compression == BI_RLE8 || compression == BI_RLE4;
    if ((compression == BI_RLE8 && bpp != 8) || (compression == BI_RLE4 && bpp != 4) ||
        (compression == BI_BITFIELDS && bpp != 16 && bpp != 32) || compression > BI_BITFIELDS)
        return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return false;
    if (width <= 0 || height == 0 || height == INT32_MIN || (rle && height < 0))
        return false;
    int64_t rows = height < 0 ? -height : height;
    if (width > MaxDibPixels || rows > MaxDibPixels || width * rows > MaxDibPixels)
        return false;
    if (!bits && bitsSize)
        return false;
    int64_t stride = (width * bpp + 31) / 32 * 4;
    if (rle) {
        if (width * rows > int64_t(bitsSize) * RlePixelsPerByte + 65536)
            return false;
    } else if (stride * rows > int64_t(bitsSize)) {
        return false; // the bits are shorter than the header says
    }

    // The colour table; entries the header leaves out are black.
    std::vector<uint32_t> table;
    if (bpp <= 8) {
        size_t n = size_t(1) << bpp;
        if (used && used < n)
            n = used;
        table.assign(n, 0xFF000000u);
        for (size_t k = 0; k < n; ++k) {
            size_t at = tableAt + k * entrySize;
            if (!h.Has(at, entrySize))
                break;
            if (usage == DIB_PAL_COLORS) {
                PALETTEENTRY e{};
                HPALETTE pal = palette ? palette : AsPalette(GetStockObject(DEFAULT_PALETTE));
                if (GetPaletteEntries(pal, h.U16(at), 1, &e) != 1)
                    e = PALETTEENTRY{0, 0, 0, 0};
                table[k] = uint32_t(e.peRed) << 16 | uint32_t(e.peGreen) << 8 | e.peBlue;
            } else {
                table[k] = uint32_t(h.U8(at + 2)) << 16 | uint32_t(h.U8(at + 1)) << 8 | h.U8(at);
            }
        }
        for (uint32_t& c : table)
            c &= 0x00FFFFFF;
    }

    out.Width = int32_t(width);
    out.Height = int32_t(rows);
    out.BottomUp = height > 0;
    out.Pixels.assign(size_t(width * rows), 0);
    if (rle) {
        DecodeRle(bits, bitsSize, compression == BI_RLE4, table, out);
        return true;
    }
    for (int64_t r = 0; r < rows; ++r) {
        const uint8_t* src = bits + (height > 0 ? rows - 1 - r : r) * stride;
        uint32_t* dst = out.Pixels.data() + r * width;
        for (int64_t x = 0; x < width; ++x) {
            uint32_t v;
            switch (bpp) {
            case 1:
                v = table[std::min<size_t>((src[x / 8] >> (7 - x % 8)) & 1, table.size() - 1)];
                break;
            case 4: {
                uint32_t i = x % 2 == 0 ? src[x / 2] >> 4 : src[x / 2] & 15;
                v = i < table.size() ? table[i] : 0;
                break;
            }
            case 8:
                v = src[x] < table.size() ? table[src[x]] : 0;
                break;
            case 16: {
                uint32_t p = src[2 * x] | src[2 * x + 1] << 8;
                v = Channel(p, red) << 16 | Channel(p, green) << 8 | Channel(p, blue) |
                    Channel(p, alpha) << 24;
                break;
            }
            case 24:
                v = uint32_t(src[3 * x + 2]) << 16 | uint32_t(src[3 * x + 1]) << 8 | src[3 * x];
                break;
            default: {
                uint32_t p = uint32_t(src[4 * x]) | uint32_t(src[4 * x + 1]) << 8 |
                             uint32_t(src[4 * x + 2]) << 16 | uint32_t(src[4 * x + 3]) << 24;
                v = Channel(p, red) << 16 | Channel(p, green) << 8 | Channel(p, blue) |
                    Channel(p, alpha) << 24;
                break;
            }
            }
            dst[x] = v;
        }
    }
    return true;
}

} // namespace win::meta

namespace win::meta {

bool DecodePackedDib(const uint8_t* data, size_t size, UINT usage, HPALETTE palette, Dib& out) {
    Rec h(data, size);
    uint32_t hsize = h.U32(0);
    if (h.Bad())
        return false;
    size_t entry = usage == DIB_PAL_COLORS ? 2 : 4;
    uint64_t tableBytes = 0;
    if (hsize == 12) {
        int bpp = h.U16(10);
        if (bpp <= 8)
            tableBytes = (uint64_t(1) << bpp) * (usage == DIB_PAL_COLORS ? 2 : 3);
    } else if (hsize >= 40) {
        int bpp = h.U16(14);
        uint32_t compression = h.U32(16), used = h.U32(32);
        if (compression == BI_BITFIELDS && hsize < 52)
            tableBytes += 12;
        uint64_t n = bpp <= 8 ? (used && used < (1u << bpp) ? used : (uint64_t(1) << bpp)) : used;
        tableBytes += n * entry;
    } else {
        return false;
    }
    if (h.Bad() || uint64_t(hsize) + tableBytes > size)
        return false;
    size_t headerBytes = size_t(hsize + tableBytes);
    return DecodeDib(data, headerBytes, data + headerBytes, size - headerBytes, usage, palette, out);
}

bool DecodeBitmap16(const uint8_t* data, size_t size, COLORREF zero, COLORREF one, Dib& out) {
    Rec r(data, size);
    int32_t w = r.I16(2), h = r.I16(4), widthBytes = r.I16(6);
    int planes = r.U8(8), bpp = r.U8(9);
    if (r.Bad() || w <= 0 || h <= 0 || planes != 1 || widthBytes <= 0)
        return false;
    if (int64_t(w) * h > MaxDibPixels || (bpp != 1 && bpp != 24 && bpp != 32) ||
        int64_t(widthBytes) * 8 < int64_t(w) * bpp)
        return false;
    const uint8_t* bits = r.Ptr(10, size_t(int64_t(widthBytes) * h));
    if (!bits)
        return false;
    auto rgb = [](COLORREF c) {
        return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | ((c >> 16) & 0xFF);
    };
    out.Width = w;
    out.Height = h;
    out.BottomUp = false;
    out.Pixels.assign(size_t(w) * size_t(h), 0);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = bits + size_t(y) * size_t(widthBytes);
        for (int32_t x = 0; x < w; ++x) {
            uint32_t v;
            if (bpp == 1)
                v = (row[x / 8] >> (7 - x % 8)) & 1 ? rgb(one) : rgb(zero);
            else if (bpp == 24)
                v = uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x];
            else
                v = uint32_t(row[4 * x + 2]) << 16 | uint32_t(row[4 * x + 1]) << 8 | row[4 * x];
            out.Pixels[size_t(y) * size_t(w) + size_t(x)] = v;
        }
    }
    return true;
}

// A pattern brush tiled from a decoded bitmap (its own colours).
HBRUSH PatternBrushOf(const Dib& dib) {
    if (dib.Width <= 0 || dib.Height <= 0)
        return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = dib.Width;
    info.bmiHeader.biHeight = -dib.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp)
        return nullptr;
    std::memcpy(bits, dib.Pixels.data(), dib.Pixels.size() * 4);
    HBRUSH b = CreatePatternBrush(bmp);
    DeleteObject(bmp);
    return b;
}

// A brush whose 1 bits take the DC's background colour and 0 bits its text colour.
HBRUSH MonoBrushOf(const Dib& dib) {
    if (dib.Width <= 0 || dib.Height <= 0)
        return nullptr;
    int32_t stride = (dib.Width + 15) / 16 * 2;
    std::vector<uint8_t> bits(size_t(stride) * size_t(dib.Height), 0);
    for (int32_t y = 0; y < dib.Height; ++y)
        for (int32_t x = 0; x < dib.Width; ++x) {
            uint32_t v = dib.Pixels[size_t(y) * size_t(dib.Width) + size_t(x)] & 0xFFFFFF;
            // Light pixels are the set bits.
            if (((v >> 16) & 0xFF) + ((v >> 8) & 0xFF) + (v & 0xFF) >= 384)
                bits[size_t(y) * size_t(stride) + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        }
    HBITMAP bmp = CreateBitmap(dib.Width, dib.Height, 1, 1, bits.data());
    if (!bmp)
        return nullptr;
    HBRUSH b = CreatePatternBrush(bmp);
    DeleteObject(bmp);
    return b;
}

int DibTopRow(const Dib& dib, int64_t sy, int64_t h) {
    int64_t top = dib.BottomUp ? int64_t(dib.Height) - sy - h : sy;
    return int(std::clamp<int64_t>(top, INT32_MIN, INT32_MAX));
}

} // namespace win::meta

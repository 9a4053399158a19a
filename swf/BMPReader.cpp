#include "swf/BMPReader.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

namespace swf {

namespace {

uint8_t ReaderMaskWidth(uint32_t mask) {
    if (mask == 0)
        return 0;
    return static_cast<uint8_t>(32 - std::countl_zero(mask) - std::countr_zero(mask));
}

// Whether the screen's 16-bit pixels are 5-6-5: a green of 100 keeps more than 5 bits' worth of detail.
bool ReaderScreenIs565() {
    win::HDC screen = win::GetScreenDC();
    win::HDC dc = win::CreateCompatibleDC(screen);
    win::HBITMAP probe = win::CreateCompatibleBitmap(screen, 1, 1);
    win::HGDIOBJ old = win::SelectObject(dc, probe);
    win::SetPixel(dc, 0, 0, win::RGB(0, 100, 0));
    win::COLORREF c = win::GetPixel(dc, 0, 0);
    win::SelectObject(dc, old);
    win::DeleteObject(probe);
    win::DeleteDC(dc);
    return win::GetGValue(c) >= 100;
}

} // namespace

void TBMPReader::FreeResources() {
    FFormat = vcl::TDibFormat();
    FBits.clear();
    FBits.shrink_to_fit();
}

void TBMPReader::LoadFromStream(vcl::TStream* stream) {
    vcl::TDibImage image = vcl::ReadBmp(stream);
    Validate(image.Format);
    FFormat = std::move(image.Format);
    FBits = std::move(image.Bits);
}

void TBMPReader::LoadFromFile(const std::string& fileName) {
    vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
    LoadFromStream(&file);
}

void TBMPReader::Validate(const vcl::TDibFormat& f) {
    bool depthOk = f.BitCount == 1 || f.BitCount == 4 || f.BitCount == 8 || f.BitCount == 16 ||
                   f.BitCount == 24 || f.BitCount == 32;
    if (!depthOk)
        throw vcl::EInvalidGraphic("Bitmap image is not valid: unsupported bit count");
    if (f.Width <= 0 || f.Height <= 0)
        throw vcl::EInvalidGraphic("Bitmap image is not valid: empty bitmap");
    if (int64_t(f.Width) * f.Height > vcl::BmpMaxPixels || f.ImageBytes() > vcl::BmpMaxImageBytes)
        throw vcl::EInvalidGraphic("Bitmap image is not valid: the image is too large");
    if (f.BitCount <= 8 && (f.Colors.empty() || f.Colors.size() > (size_t(1) << f.BitCount)))
        throw vcl::EInvalidGraphic("Bitmap image is not valid: bad colour table");
    if (f.BitCount == 16 && (f.RedMask | f.GreenMask | f.BlueMask) > 0xFFFF)
        throw vcl::EInvalidGraphic("Bitmap image is not valid: bad bit-field masks");
}

void TBMPReader::LoadFromDib(const vcl::TDibFormat& format, const uint8_t* bits) {
    vcl::TDibFormat f = format;
    if (f.BitCount == 16 && !(f.RedMask | f.GreenMask | f.BlueMask)) {
        f.RedMask = 0x7C00;
        f.GreenMask = 0x03E0;
        f.BlueMask = 0x001F;
    } else if (f.BitCount == 32) {
        f.RedMask = 0xFF0000;
        f.GreenMask = 0xFF00;
        f.BlueMask = 0xFF;
    }
    Validate(f);
    FBits.assign(bits, bits + f.ImageBytes());
    FFormat = std::move(f);
}

void TBMPReader::LoadFromHandle(win::HBITMAP bitmap) {
    win::DIBSECTION ds{};
    int n = win::GetObject(bitmap, sizeof ds, &ds);
    if (n <= 0)
        throw vcl::EInvalidGraphic("Invalid bitmap handle");
    const bool isDib = n == int(sizeof ds);
    int32_t width = ds.dsBm.bmWidth, height = ds.dsBm.bmHeight < 0 ? -ds.dsBm.bmHeight : ds.dsBm.bmHeight;
    int bits = isDib ? ds.dsBmih.biBitCount : ds.dsBm.bmBitsPixel;
    // Ask for bottom-up rows in the bitmap's own depth; the masks of 16-bit pixels are kept.
    vcl::TDibFormat f;
    f.Width = width;
    f.Height = height;
    uint32_t masks[3] = {0, 0, 0};
    if (bits <= 1)
        f.BitCount = 1;
    else if (bits <= 4)
        f.BitCount = 4;
    else if (bits <= 8)
        f.BitCount = 8;
    else if (bits == 16) {
        f.BitCount = 16;
        if (isDib && ds.dsBmih.biCompression == win::BI_BITFIELDS)
            std::copy(ds.dsBitfields, ds.dsBitfields + 3, masks);
        else if (!isDib && ReaderScreenIs565())
            masks[0] = 0xF800, masks[1] = 0x07E0, masks[2] = 0x001F;
        else
            masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bits == 24)
        f.BitCount = 24;
    else
        f.BitCount = 32;
    if (width <= 0 || height <= 0 || int64_t(width) * height > vcl::BmpMaxPixels ||
        f.ImageBytes() > vcl::BmpMaxImageBytes)
        throw vcl::EInvalidGraphic("Bitmap image is not valid: bad size");
    // A header with room for 256 colours (or the three masks).
    std::vector<uint8_t> infoBlock(sizeof(win::BITMAPINFOHEADER) + 256 * sizeof(win::RGBQUAD));
    auto* info = reinterpret_cast<win::BITMAPINFO*>(infoBlock.data());
    info->bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = f.BitCount;
    info->bmiHeader.biCompression = f.BitCount == 16 ? win::BI_BITFIELDS : win::BI_RGB;
    if (f.BitCount == 16)
        std::memcpy(info->bmiColors, masks, sizeof masks);
    std::vector<uint8_t> pixels(size_t(f.ImageBytes()));
    win::HDC dc = win::CreateCompatibleDC(win::GetScreenDC());
    int lines = win::GetDIBits(dc, bitmap, 0, uint32_t(height), pixels.data(), info, win::DIB_RGB_COLORS);
    win::DeleteDC(dc);
    if (lines != height)
        throw vcl::EInvalidGraphic("Cannot read the bitmap's pixels");
    if (f.BitCount <= 8) {
        f.Colors.resize(size_t(1) << f.BitCount);
        for (size_t i = 0; i < f.Colors.size(); ++i) {
            const win::RGBQUAD& q = info->bmiColors[i];
            f.Colors[i] = (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
        }
    } else if (f.BitCount == 16) {
        f.RedMask = masks[0];
        f.GreenMask = masks[1];
        f.BlueMask = masks[2];
    }
    Validate(f);
    FFormat = std::move(f);
    FBits = std::move(pixels);
}

int32_t TBMPReader::GetRowPadding() const {
    int64_t used = (int64_t(FFormat.Width) * FFormat.BitCount + 7) / 8;
    return static_cast<int32_t>(FFormat.RowBytes() - used);
}

uint8_t TBMPReader::GetRedBits() const {
    return FFormat.BitCount >= 16 && FFormat.BitCount != 24 ? ReaderMaskWidth(FFormat.RedMask) : 0;
}
uint8_t TBMPReader::GetGreenBits() const {
    return FFormat.BitCount >= 16 && FFormat.BitCount != 24 ? ReaderMaskWidth(FFormat.GreenMask) : 0;
}
uint8_t TBMPReader::GetBlueBits() const {
    return FFormat.BitCount >= 16 && FFormat.BitCount != 24 ? ReaderMaskWidth(FFormat.BlueMask) : 0;
}

int32_t TBMPReader::CountColors() {
    const int32_t width = FFormat.Width, rows = FFormat.Height, bits = FFormat.BitCount;
    if (FBits.empty())
        return 0;
    if (bits <= 8) {
        const int entries = 1 << bits;
        auto indexAt = [bits](const uint8_t* row, int32_t x) -> int {
            switch (bits) {
            case 1:
                return (row[x >> 3] >> (7 - (x & 7))) & 1;
            case 4:
                return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
            default:
                return row[x];
            }
        };
        bool used[256] = {};
        int count = 0;
        for (int32_t y = 0; y < rows && count < entries; ++y) {
            const uint8_t* row = GetRow(y);
            for (int32_t x = 0; x < width; ++x) {
                int i = indexAt(row, x);
                if (!used[i]) {
                    used[i] = true;
                    ++count;
                }
            }
        }
        if (count == entries)
            return count;
        // Move the used entries to the front in index order and renumber every pixel.
        uint8_t newIndex[256] = {};
        std::vector<uint32_t> colors(FFormat.Colors.size(), 0);
        int next = 0;
        for (int i = 0; i < entries; ++i) {
            if (!used[i])
                continue;
            newIndex[i] = static_cast<uint8_t>(next);
            if (size_t(next) < colors.size())
                colors[size_t(next)] = size_t(i) < FFormat.Colors.size() ? FFormat.Colors[size_t(i)] : 0;
            ++next;
        }
        // Indices past the colour table show black; the table grows to cover them.
        if (colors.size() < size_t(count))
            colors.resize(size_t(count), 0);
        FFormat.Colors = std::move(colors);
        for (int32_t y = 0; y < rows; ++y) {
            uint8_t* row = GetRow(y);
            for (int32_t x = 0; x < width; ++x) {
                uint8_t v = newIndex[indexAt(row, x)];
                switch (bits) {
                case 1: {
                    uint8_t bit = uint8_t(0x80 >> (x & 7));
                    row[x >> 3] = v ? uint8_t(row[x >> 3] | bit) : uint8_t(row[x >> 3] & ~bit);
                    break;
                }
                case 4: {
                    uint8_t& b = row[x >> 1];
                    b = (x & 1) ? uint8_t((b & 0xF0) | v) : uint8_t((b & 0x0F) | (v << 4));
                    break;
                }
                default:
                    row[x] = v;
                }
            }
        }
        return count;
    }
    if (bits == 16) {
        std::vector<bool> seen(65536);
        int32_t count = 0;
        for (int32_t y = 0; y < rows; ++y) {
            const uint8_t* row = GetRow(y);
            for (int32_t x = 0; x < width; ++x) {
                uint16_t v = static_cast<uint16_t>(row[2 * x] | (row[2 * x + 1] << 8));
                if (!seen[v]) {
                    seen[v] = true;
                    ++count;
                }
            }
        }
        return count;
    }
    // 24 and 32 bits: one bit per B, G, R triple (2 MB).
    std::vector<uint64_t> seen((size_t(1) << 24) / 64);
    const int step = bits / 8;
    int32_t count = 0;
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* p = GetRow(y);
        for (int32_t x = 0; x < width; ++x, p += step) {
            uint32_t v = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
            uint64_t bit = uint64_t(1) << (v & 63);
            if (!(seen[v >> 6] & bit)) {
                seen[v >> 6] |= bit;
                ++count;
            }
        }
    }
    return count;
}

} // namespace swf

#include "platform/vcl/Icon.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vcl {

namespace {

constexpr int64_t IconMaxBytes = int64_t(64) << 20;
constexpr int32_t IconPreferredSize = 32;

[[noreturn]] void IconInvalid(const std::string& why) {
    throw EInvalidGraphic("Icon image is not valid: " + why);
}

uint16_t IconU16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t IconU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct IconEntry {
    int32_t Width, Height, Bits;
    uint32_t Size, Offset;
};

// Decodes one image: the XOR bitmap (a packed DIB whose header counts both halves in its height) and the
// AND mask after it, into 32-bit pixels with alpha.
TDibImage IconDecode(const uint8_t* data, size_t size) {
    static const uint8_t png[] = {0x89, 'P', 'N', 'G'};
    if (size >= 4 && std::memcmp(data, png, 4) == 0)
        throw EInvalidGraphic("Icon images stored as PNG are not supported");
    if (size < 40 || IconU32(data) < 40)
        IconInvalid("the image header is truncated");
    std::vector<uint8_t> copy(data, data + size);
    int32_t doubled = int32_t(IconU32(copy.data() + 8));
    if (doubled <= 0 || doubled % 2 != 0)
        IconInvalid("the image height is not valid");
    int32_t height = doubled / 2;
    copy[8] = uint8_t(height), copy[9] = uint8_t(height >> 8), copy[10] = uint8_t(height >> 16),
    copy[11] = uint8_t(height >> 24);
    // The header's image size counts both halves; the reader takes the rows it needs.
    std::memset(copy.data() + 20, 0, 4);
    TBmpReader reader = TBmpReader::FromPackedDib(copy.data(), copy.size());
    TDibImage xorImage = reader.Decode();
    const TDibFormat& xf = xorImage.Format;
    if (xf.BitCount == 32 && xf.RedMask != 0xFF0000)
        IconInvalid("unexpected bit fields");

    TDibImage out;
    out.Format.Width = xf.Width;
    out.Format.Height = xf.Height;
    out.Format.BitCount = 32;
    out.Format.RedMask = 0xFF0000, out.Format.GreenMask = 0xFF00, out.Format.BlueMask = 0xFF;
    out.Format.HasAlpha = true;
    out.Bits.resize(size_t(out.Format.ImageBytes()));

    // 32-bit images carry alpha in the pixels unless every alpha byte is 0 (older writers); the others use
    // the mask, which some files leave out (then nothing is transparent).
    bool pixelAlpha = false;
    if (xf.BitCount == 32)
        for (size_t i = 3; i < xorImage.Bits.size() && !pixelAlpha; i += 4)
            pixelAlpha = xorImage.Bits[i] != 0;
    const size_t maskStride = size_t((xf.Width + 31) / 32) * 4;
    const size_t maskStart = reader.DataEnd();
    const bool haveMask = maskStart + maskStride * size_t(height) <= copy.size();
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* src = xorImage.TopRow(y);
        uint8_t* dst = out.TopRow(y);
        const uint8_t* mask =
            haveMask ? copy.data() + maskStart + size_t(height - 1 - y) * maskStride : nullptr;
        for (int32_t x = 0; x < xf.Width; ++x) {
            uint32_t c = DibPixelColor(xf, src, x);
            uint8_t alpha = 255;
            if (pixelAlpha)
                alpha = src[4 * size_t(x) + 3];
            else if (mask && (mask[x >> 3] & (0x80 >> (x & 7))))
                alpha = 0;
            dst[4 * size_t(x)] = uint8_t(c);
            dst[4 * size_t(x) + 1] = uint8_t(c >> 8);
            dst[4 * size_t(x) + 2] = uint8_t(c >> 16);
            dst[4 * size_t(x) + 3] = alpha;
        }
    }
    return out;
}

} // namespace

void TIcon::Assign(TPersistent* source) {
    if (auto* icon = dynamic_cast<TIcon*>(source)) {
        if (icon == this)
            return;
        FData = icon->FData;
        FImage = icon->FImage;
        FImageCount = icon->FImageCount;
        Changed(this);
        return;
    }
    if (!source) {
        FData.clear();
        FImage = {};
        FImageCount = 0;
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::SetWidth(int32_t) {
    throw EInvalidGraphicOperation("Cannot change the size of an icon");
}
void TIcon::SetHeight(int32_t) {
    throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::LoadFromStream(TStream* stream) {
    int64_t size = stream->GetSize() - stream->GetPosition();
    if (size < 6 + 16)
        IconInvalid("the stream is too short");
    if (size > IconMaxBytes)
        IconInvalid("the stream is too large");
    std::vector<uint8_t> data(static_cast<size_t>(size));
    stream->ReadBuffer(data.data(), int32_t(size));
    const uint8_t* p = data.data();
    uint16_t type = IconU16(p + 2), count = IconU16(p + 4);
    if (IconU16(p) != 0 || (type != 1 && type != 2))
        IconInvalid("the stream does not start with an icon directory");
    if (count == 0 || 6 + size_t(count) * 16 > data.size())
        IconInvalid("the image directory is truncated");

    // Choose the image nearest to the preferred size, then the one with the most colours.
    std::vector<IconEntry> entries;
    for (uint16_t i = 0; i < count; ++i) {
        const uint8_t* e = p + 6 + size_t(i) * 16;
        IconEntry entry{e[0] ? e[0] : 256, e[1] ? e[1] : 256, type == 1 ? IconU16(e + 6) : 0, IconU32(e + 8),
                        IconU32(e + 12)};
        if (entry.Offset < 6 + size_t(count) * 16 || entry.Offset > data.size() ||
            entry.Size > data.size() - entry.Offset)
            IconInvalid("an image lies outside the stream");
        entries.push_back(entry);
    }
    auto score = [](const IconEntry& e) {
        return std::make_pair(std::abs(e.Width - IconPreferredSize) + std::abs(e.Height - IconPreferredSize),
                              -e.Bits);
    };
    const IconEntry& best = *std::min_element(entries.begin(), entries.end(),
                                              [&](auto& a, auto& b) { return score(a) < score(b); });
    TDibImage image = IconDecode(p + best.Offset, best.Size);
    FData = std::move(data);
    FImage = std::move(image);
    FImageCount = count;
    Changed(this);
}

void TIcon::SaveToStream(TStream* stream) {
    if (!FData.empty())
        stream->WriteBuffer(FData.data(), int32_t(FData.size()));
}

void TIcon::Draw(TCanvas* canvas, const TRect& rect) {
    if (GetEmpty() || !canvas || rect.IsEmpty())
        return;
    // Blend the image over what the destination shows: read the target area, mix, write it back.
    const int32_t w = rect.Width(), h = rect.Height();
    TBitmap area;
    area.SetPixelFormat(pf32bit);
    area.SetSize(w, h);
    win::HDC dest = canvas->GetHandle();
    win::HDC work = area.GetCanvas()->GetHandle();
    win::BitBlt(work, 0, 0, w, h, dest, rect.Left, rect.Top, win::SRCCOPY);
    const TDibFormat& f = FImage.Format;
    for (int32_t y = 0; y < h; ++y) {
        auto* row = static_cast<uint8_t*>(area.ScanLine(y));
        const uint8_t* src = FImage.TopRow(int32_t(int64_t(y) * f.Height / h));
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* s = src + 4 * size_t(int64_t(x) * f.Width / w);
            uint8_t* d = row + 4 * size_t(x);
            unsigned a = s[3];
            for (int c = 0; c < 3; ++c)
                d[c] = uint8_t((s[c] * a + d[c] * (255 - a) + 127) / 255);
        }
    }
    win::BitBlt(dest, rect.Left, rect.Top, w, h, area.GetCanvas()->GetHandle(), 0, 0, win::SRCCOPY);
}

} // namespace vcl

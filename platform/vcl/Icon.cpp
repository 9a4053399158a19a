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
        FreeHandle();
        FData = icon->FData;
        FImage = icon->FImage;
        FImageCount = icon->FImageCount;
        Changed(this);
        return;
    }
    if (!source) {
        FreeHandle();
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
    FreeHandle();
    FData = std::move(data);
    FImage = std::move(image);
    FImageCount = count;
    Changed(this);
}

void TIcon::SaveToStream(TStream* stream) {
    if (!FData.empty())
        stream->WriteBuffer(FData.data(), int32_t(FData.size()));
}

TIcon::~TIcon() {
    FreeHandle();
}

void TIcon::FreeHandle() {
    if (FHandle)
        win::DestroyIcon(FHandle);
    FHandle = nullptr;
}

win::HICON TIcon::GetHandle() {
    if (FHandle || GetEmpty())
        return FHandle;
    // The colour image carries the alpha; the mask marks what alpha leaves fully transparent.
    const TDibFormat& f = FImage.Format;
    TBitmap color;
    color.SetPixelFormat(pf32bit);
    color.SetSize(f.Width, f.Height);
    color.SetAlphaFormat(afDefined);
    for (int32_t y = 0; y < f.Height; ++y)
        std::memcpy(color.ScanLine(y), FImage.TopRow(y), size_t(f.Width) * 4);
    const size_t stride = size_t((f.Width + 15) / 16) * 2;
    std::vector<uint8_t> maskBits(stride * size_t(f.Height), 0);
    for (int32_t y = 0; y < f.Height; ++y)
        for (int32_t x = 0; x < f.Width; ++x)
            if (FImage.TopRow(y)[4 * size_t(x) + 3] == 0)
                maskBits[size_t(y) * stride + size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
    win::HBITMAP mask = win::CreateBitmap(f.Width, f.Height, 1, 1, maskBits.data());
    win::ICONINFO info{win::TRUE, 0, 0, mask, color.GetHandle()};
    FHandle = win::CreateIconIndirect(&info);
    win::DeleteObject(reinterpret_cast<win::HGDIOBJ>(mask));
    if (!FHandle)
        throw EOutOfResources("Out of system resources");
    return FHandle;
}

void TIcon::SetHandle(win::HICON value) {
    if (value == FHandle)
        return;
    if (!value) {
        FreeHandle();
        FData.clear();
        FImage = {};
        FImageCount = 0;
        Changed(this);
        return;
    }
    win::ICONINFO info{};
    if (!win::GetIconInfo(value, &info))
        throw EInvalidGraphic("Icon image is not valid");
    // Read the colour image and the mask back through bitmaps, then keep them as a one-image ICO stream.
    TBitmap color, mask;
    if (info.hbmColor)
        color.SetHandle(info.hbmColor);
    mask.SetHandle(info.hbmMask);
    int32_t w = mask.GetWidth(), h = info.hbmColor ? color.GetHeight() : mask.GetHeight() / 2;
    if (w <= 0 || h <= 0)
        throw EInvalidGraphic("Icon image is not valid");
    color.SetPixelFormat(pf32bit);
    mask.SetPixelFormat(pf1bit);
    TDibImage image;
    image.Format = color.GetDibFormat();
    image.Format.Width = w;
    image.Format.Height = h;
    image.Format.BitCount = 32;
    image.Format.RedMask = 0xFF0000, image.Format.GreenMask = 0xFF00, image.Format.BlueMask = 0xFF;
    image.Format.HasAlpha = true;
    image.Format.Colors.clear();
    image.Bits.assign(size_t(image.Format.ImageBytes()), 0);
    bool colorAlpha = color.GetAlphaFormat() == afDefined;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* out = image.TopRow(y);
        const auto* maskRow = static_cast<const uint8_t*>(mask.ScanLine(y));
        const auto* colorRow = info.hbmColor ? static_cast<const uint8_t*>(color.ScanLine(y))
                                             : static_cast<const uint8_t*>(mask.ScanLine(y + h));
        for (int32_t x = 0; x < w; ++x) {
            bool transparent = (maskRow[x >> 3] >> (7 - (x & 7))) & 1;
            uint32_t c = info.hbmColor ? DibPixelColor(color.GetDibFormat(), colorRow, x)
                                       : ((colorRow[x >> 3] >> (7 - (x & 7))) & 1 ? 0xFFFFFF : 0);
            out[4 * size_t(x)] = uint8_t(c), out[4 * size_t(x) + 1] = uint8_t(c >> 8),
                    out[4 * size_t(x) + 2] = uint8_t(c >> 16);
            out[4 * size_t(x) + 3] = transparent ? 0 : colorAlpha ? colorRow[4 * size_t(x) + 3] : 255;
        }
    }
    // The ICO stream: directory, one 32-bit image with its mask.
    TMemoryStream dib;
    WritePackedDib(&dib, image.Format, image.Bits.data());
    std::vector<uint8_t> entry(static_cast<uint8_t*>(dib.Memory()),
                               static_cast<uint8_t*>(dib.Memory()) + dib.GetSize());
    for (int i = 0; i < 4; ++i) // the header's height counts the image and its mask
        entry[8 + size_t(i)] = uint8_t(uint32_t(2 * h) >> (8 * i));
    const size_t maskStride = size_t((w + 31) / 32) * 4;
    for (int32_t y = h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskStride, 0);
        for (int32_t x = 0; x < w; ++x)
            if (image.TopRow(y)[4 * size_t(x) + 3] == 0)
                row[size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
        entry.insert(entry.end(), row.begin(), row.end());
    }
    std::vector<uint8_t> data = {0, 0, 1, 0, 1,  0, uint8_t(w >= 256 ? 0 : w), uint8_t(h >= 256 ? 0 : h),
                                 0, 0, 1, 0, 32, 0};
    uint32_t size = uint32_t(entry.size()), offset = 22;
    for (uint32_t v : {size, offset})
        for (int i = 0; i < 4; ++i)
            data.push_back(uint8_t(v >> (8 * i)));
    data.insert(data.end(), entry.begin(), entry.end());

    FreeHandle();
    FHandle = value;
    FData = std::move(data);
    FImage = std::move(image);
    FImageCount = 1;
    Changed(this);
}

win::HICON TIcon::ReleaseHandle() {
    win::HICON handle = GetHandle();
    FHandle = nullptr;
    return handle;
}

void TIcon::Draw(TCanvas* canvas, const TRect& rect) {
    if (GetEmpty() || !canvas || rect.IsEmpty())
        return;
    win::DrawIconEx(canvas->GetHandle(), rect.Left, rect.Top, GetHandle(), rect.Width(), rect.Height(), 0,
                    nullptr, win::DI_NORMAL);
}

} // namespace vcl

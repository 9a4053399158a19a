#include "platform/vcl/Icon.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Resources.h"
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
    uint16_t HotX = 0, HotY = 0; // cursors only
};

// The image directory of an ICO (type 1) or CUR (type 2) held in data; every image lies inside it.
std::vector<IconEntry> IconReadDirectory(const uint8_t* p, size_t size, uint16_t& type) {
    if (size < 6 + 16)
        IconInvalid("the stream is too short");
    type = IconU16(p + 2);
    uint16_t count = IconU16(p + 4);
    if (IconU16(p) != 0 || (type != 1 && type != 2))
        IconInvalid("the stream does not start with an icon directory");
    if (count == 0 || 6 + size_t(count) * 16 > size)
        IconInvalid("the image directory is truncated");
    std::vector<IconEntry> entries;
    for (uint16_t i = 0; i < count; ++i) {
        const uint8_t* e = p + 6 + size_t(i) * 16;
        IconEntry entry{e[0] ? e[0] : 256, e[1] ? e[1] : 256, type == 1 ? IconU16(e + 6) : 0, IconU32(e + 8),
                        IconU32(e + 12)};
        if (type == 2)
            entry.HotX = IconU16(e + 4), entry.HotY = IconU16(e + 6);
        if (entry.Offset < 6 + size_t(count) * 16 || entry.Offset > size || entry.Size > size - entry.Offset)
            IconInvalid("an image lies outside the stream");
        entries.push_back(entry);
    }
    return entries;
}

// The image nearest to the preferred size, then the one with the most colours.
const IconEntry& IconChooseEntry(const std::vector<IconEntry>& entries) {
    auto score = [](const IconEntry& e) {
        return std::make_pair(std::abs(e.Width - IconPreferredSize) + std::abs(e.Height - IconPreferredSize),
                              -e.Bits);
    };
    return *std::min_element(entries.begin(), entries.end(),
                             [&](auto& a, auto& b) { return score(a) < score(b); });
}

// An image's packed DIB with the header's height halved to the colour image's: the header counts both the
// colour image and the mask after it.
std::vector<uint8_t> IconColorDib(const uint8_t* data, size_t size) {
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
    return copy;
}

// Decodes one image: the XOR bitmap (a packed DIB whose header counts both halves in its height) and the
// AND mask after it, into 32-bit pixels with alpha.
TDibImage IconDecode(const uint8_t* data, size_t size) {
    std::vector<uint8_t> copy = IconColorDib(data, size);
    const int32_t height = int32_t(IconU32(copy.data() + 8));
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
    uint16_t type = 0;
    std::vector<IconEntry> entries = IconReadDirectory(data.data(), data.size(), type);
    const IconEntry& best = IconChooseEntry(entries);
    TDibImage image = IconDecode(data.data() + best.Offset, best.Size);
    FreeHandle();
    FData = std::move(data);
    FImage = std::move(image);
    FImageCount = int32_t(entries.size());
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

// ---- Cursors ---------------------------------------------------------------------------------------------

win::HCURSOR CreateCursorFromData(const uint8_t* data, size_t size) {
    if (size > size_t(IconMaxBytes))
        IconInvalid("the stream is too large");
    uint16_t type = 0;
    std::vector<IconEntry> entries = IconReadDirectory(data, size, type);
    if (type != 2)
        IconInvalid("the stream holds icons, not a cursor");
    const IconEntry& best = IconChooseEntry(entries);
    std::vector<uint8_t> dib = IconColorDib(data + best.Offset, best.Size);
    TBmpReader reader = TBmpReader::FromPackedDib(dib.data(), dib.size());
    TDibImage image = reader.Decode();
    const TDibFormat& f = image.Format;
    // The AND mask follows the colour image, one bit a pixel, rows bottom-up and 4-byte aligned.
    const size_t fileStride = size_t((f.Width + 31) / 32) * 4;
    const size_t maskStart = reader.DataEnd();
    if (maskStart > dib.size() || fileStride * size_t(f.Height) > dib.size() - maskStart)
        IconInvalid("the mask is truncated");
    const uint8_t* fileMask = dib.data() + maskStart;

    // A black-and-white cursor stays one: no colour bitmap, the mask over the image in one bitmap twice as
    // high, so that its white-on-screen pixels still invert what lies below.
    const bool monochrome = f.BitCount == 1 && f.Colors.size() == 2 && f.Colors[0] == 0 && f.Colors[1] == 0xFFFFFF;
    const int32_t maskHeight = monochrome ? 2 * f.Height : f.Height;
    const size_t stride = size_t((f.Width + 15) / 16) * 2; // CreateBitmap's rows are word-aligned
    std::vector<uint8_t> maskBits(stride * size_t(maskHeight), 0);
    const size_t rowBytes = size_t((f.Width + 7) / 8);
    for (int32_t y = 0; y < f.Height; ++y) {
        std::memcpy(maskBits.data() + size_t(y) * stride, fileMask + size_t(f.Height - 1 - y) * fileStride,
                    rowBytes);
        if (monochrome)
            std::memcpy(maskBits.data() + size_t(f.Height + y) * stride, image.TopRow(y), rowBytes);
    }
    win::HBITMAP mask = win::CreateBitmap(f.Width, maskHeight, 1, 1, maskBits.data());
    TBitmap color;
    if (!monochrome) {
        color.SetPixelFormat(pf32bit);
        color.SetSize(f.Width, f.Height);
        const bool alpha = f.BitCount == 32 && DibAlphaUsed(f, image.Bits.data());
        for (int32_t y = 0; y < f.Height; ++y) {
            auto* out = static_cast<uint8_t*>(color.ScanLine(y));
            for (int32_t x = 0; x < f.Width; ++x) {
                uint8_t a = 255;
                uint32_t c = DibPixelColor(f, image.TopRow(y), x, &a);
                out[4 * size_t(x)] = uint8_t(c), out[4 * size_t(x) + 1] = uint8_t(c >> 8),
                                out[4 * size_t(x) + 2] = uint8_t(c >> 16);
                out[4 * size_t(x) + 3] = alpha ? a : 0;
            }
        }
        if (alpha)
            color.SetAlphaFormat(afDefined);
    }
    win::ICONINFO info{win::FALSE, best.HotX, best.HotY, mask, monochrome ? nullptr : color.GetHandle()};
    win::HCURSOR cursor = win::CreateIconIndirect(&info);
    win::DeleteObject(reinterpret_cast<win::HGDIOBJ>(mask));
    if (!cursor)
        throw EOutOfResources("Out of system resources");
    return cursor;
}

win::HCURSOR LoadCursorResource(const std::string& name) {
    std::span<const uint8_t> data = FindResourceData(rtCursorResource, name);
    try {
        return CreateCursorFromData(data.data(), data.size());
    } catch (const EInvalidGraphic& e) {
        throw EInvalidGraphic("Cursor resource " + name + ": " + e.Message());
    }
}

} // namespace vcl

#include "platform/vcl/Metafile.h"

#include "platform/vcl/Canvas.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cstring>

namespace vcl {

namespace {

// Metafiles larger than this are refused before they are read.
constexpr int64_t MetafileMaxBytes = int64_t(256) << 20;
constexpr uint32_t MetafilePlaceableKey = 0x9AC6CDD7;
constexpr uint32_t MetafileEmfSignature = 0x464D4520; // " EMF"
constexpr int32_t MetafileScreenDpi = 96;

uint32_t MetaU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
int16_t MetaI16(const uint8_t* p) {
    return int16_t(p[0] | (p[1] << 8));
}

// Hundredths of a millimetre to pixels at the screen resolution and back.
int32_t MetafileToPixels(int32_t mm100) {
    return int32_t((int64_t(mm100) * MetafileScreenDpi + 1270) / 2540);
}
int32_t MetafileToMM(int32_t pixels) {
    return int32_t((int64_t(pixels) * 2540 + MetafileScreenDpi / 2) / MetafileScreenDpi);
}

} // namespace

TMetafile::~TMetafile() {
    if (FHandle)
        win::DeleteEnhMetaFile(FHandle);
}

void TMetafile::SetData(std::vector<uint8_t> data, bool enhanced) {
    if (FHandle)
        win::DeleteEnhMetaFile(FHandle);
    FHandle = nullptr;
    FData = std::move(data);
    FEnhanced = enhanced;
    if (FData.empty())
        return;
    win::UINT size = win::UINT(FData.size());
    FHandle = enhanced ? win::SetEnhMetaFileBits(size, FData.data())
                       : win::SetWinMetaFileBits(size, FData.data(), nullptr, nullptr);
}

void TMetafile::Clear() {
    SetData({}, FEnhanced);
    FMMWidth = FMMHeight = FWidth = FHeight = 0;
}

void TMetafile::Assign(TPersistent* source) {
    if (auto* m = dynamic_cast<TMetafile*>(source)) {
        if (m == this)
            return;
        SetData(m->FData, m->FEnhanced);
        FMMWidth = m->FMMWidth;
        FMMHeight = m->FMMHeight;
        FWidth = m->FWidth;
        FHeight = m->FHeight;
        Changed(this);
        return;
    }
    if (!source) {
        Clear();
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

void TMetafile::Draw(TCanvas* canvas, const TRect& rect) {
    if (!FHandle || !canvas || rect.IsEmpty())
        return;
    win::PlayEnhMetaFile(canvas->GetHandle(), FHandle, &rect);
}

void TMetafile::LoadFromStream(TStream* stream) {
    int64_t size = stream->GetSize() - stream->GetPosition();
    if (size <= 0 || size > MetafileMaxBytes)
        throw EInvalidGraphic("Metafile is not valid");
    std::vector<uint8_t> data(static_cast<size_t>(size));
    stream->ReadBuffer(data.data(), int32_t(size));
    const uint8_t* p = data.data();
    bool enhanced = false;
    int32_t mmWidth = 0, mmHeight = 0;
    win::HENHMETAFILE handle = nullptr;
    if (size >= 88 && MetaU32(p) == 1 && MetaU32(p + 40) == MetafileEmfSignature) {
        // EMF header: rclFrame (left, top, right, bottom) in hundredths of a millimetre at offset 24.
        enhanced = true;
        int64_t w = int64_t(int32_t(MetaU32(p + 32))) - int32_t(MetaU32(p + 24));
        int64_t h = int64_t(int32_t(MetaU32(p + 36))) - int32_t(MetaU32(p + 28));
        mmWidth = int32_t(std::clamp<int64_t>(w, 0, INT32_MAX));
        mmHeight = int32_t(std::clamp<int64_t>(h, 0, INT32_MAX));
        handle = win::SetEnhMetaFileBits(win::UINT(size), p);
        // A picture drawn only in EMF+ records shows nothing here.
        if (handle && win::IsEmfPlusOnly(handle)) {
            win::DeleteEnhMetaFile(handle);
            handle = nullptr;
        }
    } else if (size >= 22 + 18 && MetaU32(p) == MetafilePlaceableKey) {
        // Placeable header: bounding box in units of 1/inch per inch, then a standard WMF header.
        int32_t inch = uint16_t(p[14] | (p[15] << 8));
        if (inch == 0)
            throw EInvalidGraphic("Metafile is not valid");
        int32_t w = int32_t(MetaI16(p + 10)) - MetaI16(p + 6);
        int32_t h = int32_t(MetaI16(p + 12)) - MetaI16(p + 8);
        mmWidth = int32_t(std::abs(int64_t(w)) * 2540 / inch);
        mmHeight = int32_t(std::abs(int64_t(h)) * 2540 / inch);
        handle = win::SetWinMetaFileBits(win::UINT(size), p, nullptr, nullptr);
    } else if (size >= 18 && (p[0] == 1 || p[0] == 2) && p[1] == 0 && p[2] == 9 && p[3] == 0) {
        // A plain WMF is sized in pixels by its first window records; without them it has no size.
        handle = win::SetWinMetaFileBits(win::UINT(size), p, nullptr, nullptr);
        win::ENHMETAHEADER header{};
        if (handle && win::GetEnhMetaFileHeader(handle, sizeof header, &header) &&
            header.rclFrame.Right > header.rclFrame.Left) {
            mmWidth = MetafileToMM(header.rclBounds.Right + 1);
            mmHeight = MetafileToMM(header.rclBounds.Bottom + 1);
        } else if (handle) {
            win::DeleteEnhMetaFile(handle);
            handle = nullptr;
        }
    }
    if (!handle)
        throw EInvalidGraphic("Metafile is not valid");
    win::DeleteEnhMetaFile(handle);
    SetData(std::move(data), enhanced);
    FMMWidth = mmWidth;
    FMMHeight = mmHeight;
    FWidth = FHeight = 0;
    Changed(this);
}

void TMetafile::SaveToStream(TStream* stream) {
    int64_t done = 0, size = int64_t(FData.size());
    while (done < size) {
        int32_t n = int32_t(std::min<int64_t>(size - done, 1 << 30));
        stream->WriteBuffer(FData.data() + done, n);
        done += n;
    }
}

int32_t TMetafile::GetWidth() const {
    return FWidth ? FWidth : MetafileToPixels(FMMWidth);
}
int32_t TMetafile::GetHeight() const {
    return FHeight ? FHeight : MetafileToPixels(FMMHeight);
}
int32_t TMetafile::GetMMWidth() const {
    return FWidth ? MetafileToMM(FWidth) : FMMWidth;
}
int32_t TMetafile::GetMMHeight() const {
    return FHeight ? MetafileToMM(FHeight) : FMMHeight;
}

void TMetafile::SetWidth(int32_t value) {
    if (value == GetWidth())
        return;
    FWidth = std::max(value, 0);
    Changed(this);
}

void TMetafile::SetHeight(int32_t value) {
    if (value == GetHeight())
        return;
    FHeight = std::max(value, 0);
    Changed(this);
}

void TMetafile::SetMMWidth(int32_t value) {
    if (value == GetMMWidth())
        return;
    FMMWidth = std::max(value, 0);
    FWidth = 0;
    Changed(this);
}

void TMetafile::SetMMHeight(int32_t value) {
    if (value == GetMMHeight())
        return;
    FMMHeight = std::max(value, 0);
    FHeight = 0;
    Changed(this);
}

void TMetafile::SetEnhanced(bool value) {
    if (value == FEnhanced)
        return;
    // The bytes are kept as loaded: a loaded metafile cannot change its kind without a converter.
    if (!FData.empty())
        throw EInvalidGraphicOperation("Cannot convert between metafile kinds");
    FEnhanced = value;
    Changed(this);
}

} // namespace vcl

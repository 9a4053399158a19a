#include "swf/FlashImage.h"

#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "swf/BMPReader.h"
#include "swf/SWFBitmaps.h"
#include "swf/SWFJpeg.h"
#include "swf/SWFZlib.h"

#include <algorithm>
#include <cctype>

namespace swf {

TImageLoaderHook ImageLoaderHook;

namespace {

std::string ImageUpperExtension(const std::string& fileName) {
    size_t slash = fileName.find_last_of('/');
    size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = fileName.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

// A 5-bit channel from a pixel through its mask.
uint32_t ImageChannel5(uint32_t pixel, uint32_t mask) {
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    uint32_t max = mask >> shift;
    uint32_t v = (pixel & mask) >> shift;
    return (v * 31 + max / 2) / max;
}

} // namespace

bool ReadJpegSize(vcl::TStream* stream, uint16_t& width, uint16_t& height) {
    auto next = [stream](uint8_t& b) { return stream->Read(&b, 1) == 1; };
    uint8_t b0, b1;
    if (!next(b0) || !next(b1) || b0 != 0xFF || b1 != 0xD8)
        return false;
    uint8_t b;
    if (!next(b) || b != 0xFF)
        return false;
    for (;;) {
        // Fill bytes before a marker.
        uint8_t marker;
        do {
            if (!next(marker))
                return false;
        } while (marker == 0xFF);
        if (marker == 0xC0 || marker == 0xC1) {
            uint8_t f[7];
            if (stream->Read(f, 7) != 7)
                return false;
            height = static_cast<uint16_t>((f[3] << 8) | f[4]);
            width = static_cast<uint16_t>((f[5] << 8) | f[6]);
            return true;
        }
        if (marker == 0xD9 || marker == 0xDA)
            return false;
        if (marker != 0x01 && !(marker >= 0xD0 && marker <= 0xD7)) {
            uint8_t len[2];
            if (stream->Read(len, 2) != 2)
                return false;
            int32_t length = (len[0] << 8) | len[1];
            if (length < 2)
                return false;
            int64_t target = stream->GetPosition() + length - 2;
            if (target > stream->GetSize())
                return false;
            stream->SetPosition(target);
        }
        if (!next(b) || b != 0xFF)
            return false;
    }
}

TFlashImage::TFlashImage(TFlashMovie* owner, const std::string& fileName) : TFlashIDObject(owner) {
    if (!fileName.empty())
        LoadFromFile(fileName);
}

TFlashImage::~TFlashImage() = default;

vcl::TMemoryStream* TFlashImage::GetAlphaData() {
    if (!FIsJPEG)
        return nullptr;
    if (!FAlphaData)
        FAlphaData = std::make_unique<vcl::TMemoryStream>();
    Changed();
    return FAlphaData.get();
}

TBMPReader& TFlashImage::Reader() {
    if (!FReader)
        FReader = std::make_unique<TBMPReader>();
    return *FReader;
}

TBMPReader& TFlashImage::GetReader() {
    if (FDataKind == dkLossless && FData) {
        FData.reset();
        Changed();
    }
    return Reader();
}

vcl::TStream& TFlashImage::GetData() {
    if (!FData) {
        FData = std::make_unique<vcl::TMemoryStream>();
        FDataKind = dkEmpty;
    }
    return *FData;
}

void TFlashImage::SetData(std::unique_ptr<vcl::TStream> stream) {
    FData = std::move(stream);
    Changed();
}

void TFlashImage::ResetData() {
    FData.reset();
    FDataKind = dkNone;
    Changed();
}

void TFlashImage::SetConvertProgressive(bool v) {
    if (v && v != bool(FConvertProgressive) && FDataKind == dkJpegFile && FData) {
        std::vector<uint8_t> bytes(static_cast<size_t>(FData->GetSize()));
        FData->SetPosition(0);
        if (!bytes.empty())
            FData->ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
        if (JpegIsProgressive(bytes.data(), bytes.size())) {
            auto baseline = std::make_unique<vcl::TMemoryStream>();
            uint16_t w = 0, h = 0;
            JpegReencodeBaseline(bytes.data(), bytes.size(), baseline.get(), w, h);
            FWidth = w;
            FHeight = h;
            FData = std::move(baseline);
            FDataKind = dkJpegMemory;
            Changed();
        }
    }
    FConvertProgressive = v;
}

void TFlashImage::LoadFromFile(const std::string& fileName) {
    if (FOwner && FOwner->OnLoadImage) {
        bool doDefault = true;
        FOwner->OnLoadImage(this, fileName, doDefault);
        if (!doDefault)
            return;
    }
    std::string ext = ImageUpperExtension(fileName);
    FIsJPEG = 0;
    FHasAlpha = 0;
    if (ext == "JPG" || ext == "JPEG") {
        auto file = std::make_unique<vcl::TFileStream>(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
        uint16_t w = 0, h = 0;
        bool sized = ReadJpegSize(file.get(), w, h);
        file->SetPosition(0);
        ResetData();
        FIsJPEG = 1;
        FWidth = w;
        FHeight = h;
        if (!FConvertProgressive || sized) {
            FData = std::move(file);
            FDataKind = dkJpegFile;
            return;
        }
        std::vector<uint8_t> bytes(static_cast<size_t>(file->GetSize()));
        if (!bytes.empty())
            file->ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
        auto data = std::make_unique<vcl::TMemoryStream>();
        if (JpegIsProgressive(bytes.data(), bytes.size())) {
            JpegReencodeBaseline(bytes.data(), bytes.size(), data.get(), w, h);
        } else {
            // No frame header was found and the file is not progressive: embed it as it is.
            data->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
        }
        FWidth = w;
        FHeight = h;
        FData = std::move(data);
        FDataKind = dkJpegMemory;
        return;
    }
    if (ext == "BMP") {
        Reader().LoadFromFile(fileName);
        SetupFromReader();
        return;
    }
    if (ImageLoaderHook) {
        ImageLoaderHook(this, fileName);
        return;
    }
    throw vcl::Exception("Image format \"" + ext + "\" not supported!");
}

void TFlashImage::LoadFromDib(const vcl::TDibFormat& format, const uint8_t* bits) {
    FIsJPEG = 0;
    FHasAlpha = 0;
    Reader().LoadFromDib(format, bits);
    SetupFromReader();
}

void TFlashImage::LoadFromHandle(win::HBITMAP bitmap) {
    FIsJPEG = 0;
    FHasAlpha = 0;
    Reader().LoadFromHandle(bitmap);
    SetupFromReader();
}

void TFlashImage::TakeReader(TBMPReader&& reader) {
    FIsJPEG = 0;
    FHasAlpha = 0;
    Reader() = std::move(reader);
    SetupFromReader();
}

void TFlashImage::SetupFromReader() {
    TBMPReader& r = Reader();
    if (r.GetWidth() > SWFMaxBitmapSide || r.GetHeight() > SWFMaxBitmapSide)
        throw vcl::EInvalidGraphic("The image is too large for a SWF bitmap (at most 65535 pixels a side)");
    ResetData();
    FWidth = static_cast<uint16_t>(r.GetWidth());
    FHeight = static_cast<uint16_t>(r.GetHeight());
    switch (r.GetBitCount()) {
    case 1:
    case 4:
    case 8:
        FFormat = ifColorMapped8;
        FColorCount = r.CountColors();
        FRowWidth = static_cast<uint16_t>((FWidth + 3) & ~3);
        break;
    case 16:
        FFormat = ifRGB15;
        FRowWidth = static_cast<uint16_t>((FWidth + 1) & ~1);
        break;
    case 24:
        FFormat = ifRGB24;
        FRowWidth = FWidth;
        break;
    case 32: {
        // A 32-bit bitmap whose alpha bytes are all 0 carries no alpha: it is opaque, not invisible.
        bool anyAlpha = false;
        for (int32_t y = 0; y < r.GetRowCount() && !anyAlpha; ++y) {
            const uint8_t* p = r.GetRow(y);
            for (int32_t x = 0; x < r.GetWidth(); ++x)
                if (p[4 * x + 3] != 0) {
                    anyAlpha = true;
                    break;
                }
        }
        FFormat = anyAlpha ? ifARGB32 : ifRGB24;
        FHasAlpha = anyAlpha;
        FRowWidth = FWidth;
        break;
    }
    }
    FDataKind = dkLossless;
}

void TFlashImage::BuildLosslessData() {
    TBMPReader& r = Reader();
    const vcl::TDibFormat& f = r.GetFormat();
    const int32_t width = FWidth, rows = r.GetRowCount();
    auto data = std::make_unique<vcl::TMemoryStream>();
    // The rows are converted one at a time straight into the compressor: no copy of the whole picture.
    TSWFDeflateStream z(data.get(), SWFBitmapDeflateLevel);
    std::vector<uint8_t> out;
    if (FFormat == ifColorMapped8) {
        for (int32_t i = 0; i < FColorCount; ++i) {
            uint32_t c = size_t(i) < f.Colors.size() ? f.Colors[size_t(i)] : 0;
            out.push_back(uint8_t(c >> 16));
            out.push_back(uint8_t(c >> 8));
            out.push_back(uint8_t(c));
            if (FHasAlpha)
                out.push_back(255);
        }
        if (!out.empty())
            z.WriteBuffer(out.data(), int32_t(out.size()));
    }
    const size_t rowBytes = FFormat == ifColorMapped8 ? size_t(FRowWidth)
                            : FFormat == ifRGB15      ? size_t(FRowWidth) * 2
                                                      : size_t(width) * 4;
    out.assign(rowBytes, 0); // padding stays 0
    // Rows go top row first: the reader keeps them bottom-up.
    for (int32_t y = rows - 1; y >= 0; --y) {
        const uint8_t* row = r.GetRow(y);
        uint8_t* o = out.data();
        switch (FFormat) {
        case ifARGB32:
            for (int32_t x = 0; x < width; ++x, o += 4) {
                const uint8_t* p = row + 4 * x;
                uint8_t a = p[3];
                // The player expects colours premultiplied by alpha.
                auto pm = [a](uint8_t c) { return uint8_t((c * a + 127) / 255); };
                o[0] = a;
                o[1] = pm(p[2]);
                o[2] = pm(p[1]);
                o[3] = pm(p[0]);
            }
            break;
        case ifColorMapped8:
            for (int32_t x = 0; x < width; ++x) {
                switch (f.BitCount) {
                case 1:
                    o[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
                    break;
                case 4:
                    o[x] = (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
                    break;
                default:
                    o[x] = row[x];
                }
            }
            break;
        case ifRGB15: {
            bool direct555 = f.RedMask == 0x7C00 && f.GreenMask == 0x03E0 && f.BlueMask == 0x001F;
            for (int32_t x = 0; x < width; ++x, o += 2) {
                uint32_t px = uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
                uint32_t v = direct555
                                 ? (px & 0x7FFF)
                                 : (ImageChannel5(px, f.RedMask) << 10) |
                                       (ImageChannel5(px, f.GreenMask) << 5) | ImageChannel5(px, f.BlueMask);
                o[0] = uint8_t(v >> 8);
                o[1] = uint8_t(v);
            }
            break;
        }
        case ifRGB24: {
            const int step = f.BitCount / 8;
            for (int32_t x = 0; x < width; ++x, o += 4) {
                const uint8_t* p = row + step * x;
                o[0] = 0xFF;
                o[1] = p[2];
                o[2] = p[1];
                o[3] = p[0];
            }
            break;
        }
        }
        z.WriteBuffer(out.data(), int32_t(rowBytes));
    }
    z.Finish();
    FData = std::move(data);
    FDataKind = dkLossless;
}

void TFlashImage::Pack() {
    if (FIsJPEG || (FData && FData->GetSize() > 0) || !FReader || FReader->Empty())
        return;
    BuildLosslessData();
    FReader.reset();
}

void TFlashImage::WriteData(TBitsEngine* engine) {
    if ((!FData || FData->GetSize() == 0) && !FIsJPEG) {
        if (Reader().Empty())
            throw vcl::EInvalidGraphic("The image has no picture to write");
        BuildLosslessData();
    }
    vcl::TStream& data = GetData();
    int64_t size = data.GetSize();
    if (size > 0) {
        data.SetPosition(0);
        engine->GetStream()->CopyFrom(&data, size);
    }
}

void TFlashImage::WriteToStream(TBitsEngine* engine) {
    auto dataWriter = [this](TSWFDataObject*, TBitsEngine* e) { WriteData(e); };
    if (FIsJPEG) {
        if (FAlphaData && FAlphaData->GetSize() > 0) {
            TSWFDefineBitsJPEG3 tag;
            tag.SetCharacterID(FCharacterID);
            tag.OnWriteData = dataWriter;
            tag.OnWriteAlpha = [this](TSWFDataObject*, TBitsEngine* e) {
                DeflateInto(FAlphaData->Memory(), FAlphaData->GetSize(), e->GetStream());
            };
            tag.WriteToStream(engine);
        } else {
            TSWFDefineBitsJPEG2 tag;
            tag.SetCharacterID(FCharacterID);
            tag.OnWriteData = dataWriter;
            tag.WriteToStream(engine);
        }
        return;
    }
    std::unique_ptr<TSWFDefineBitsLossless> tag =
        FHasAlpha ? std::make_unique<TSWFDefineBitsLossless2>() : std::make_unique<TSWFDefineBitsLossless>();
    tag->SetCharacterID(FCharacterID);
    tag->SetFormat(FFormat == ifARGB32 ? uint8_t(bfRGB24) : FFormat);
    tag->SetWidth(FWidth);
    tag->SetHeight(FHeight);
    if (FFormat == ifColorMapped8)
        tag->SetColorTableSize(static_cast<uint8_t>(FColorCount - 1));
    tag->OnWriteData = dataWriter;
    tag->WriteToStream(engine);
}

void TFlashImage::Assign(TBasedSWFObject* source) {
    TFlashIDObject::Assign(source);
    auto* s = dynamic_cast<TFlashImage*>(source);
    if (!s || s == this)
        return;
    FColorCount = s->FColorCount;
    FHeight = s->FHeight;
    FRowWidth = s->FRowWidth;
    FWidth = s->FWidth;
    FDataKind = s->FDataKind;
    FFormat = s->FFormat;
    FIsJPEG = s->FIsJPEG;
    FConvertProgressive = s->FConvertProgressive;
    FHasAlpha = s->FHasAlpha;
    FData.reset();
    if (s->FData && FDataKind != dkNone) {
        // A copy of the bytes, so that no stream (an open JPEG file, say) is shared.
        auto copy = std::make_unique<vcl::TMemoryStream>();
        if (s->FData->GetSize() > 0) {
            s->FData->SetPosition(0);
            copy->CopyFrom(s->FData.get(), s->FData->GetSize());
        }
        FData = std::move(copy);
        if (FDataKind == dkJpegFile)
            FDataKind = dkJpegMemory;
    }
    FReader.reset();
    if (s->FReader)
        FReader = std::make_unique<TBMPReader>(*s->FReader);
    FAlphaData.reset();
    if (s->FAlphaData) {
        FAlphaData = std::make_unique<vcl::TMemoryStream>();
        FAlphaData->LoadFromStream(s->FAlphaData.get());
    }
    Changed();
}

} // namespace swf

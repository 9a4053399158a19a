// TImageKitIO: the load and save protocols around every format filter, the per-format methods with their
// stream block headers, the roads by extension, format id and detected content, and the parameters-only
// reads.
#include "imaging/io/IOComponent.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKExif.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/BmpFilter.h"
#include "imaging/io/GifFilter.h"
#include "imaging/io/IOFormatRegistry.h"
#include "imaging/io/IOThreads.h"
#include "imaging/io/IcoFilter.h"
#include "imaging/io/Jpeg2000Filter.h"
#include "imaging/io/JpegFilter.h"
#include "imaging/io/PcxFilter.h"
#include "imaging/io/PngFilter.h"
#include "imaging/io/PnmFilter.h"
#include "imaging/io/TgaFilter.h"
#include "imaging/io/TiffRead.h"
#include "imaging/io/TiffWrite.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/Thread.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace imaging {

namespace {

// Runs the finish step once when an operation ends, also when an exception leaves it.
class TIOCompFinishGuard {
public:
    explicit TIOCompFinishGuard(std::function<void()> finish) : FFinish(std::move(finish)) {}
    ~TIOCompFinishGuard() {
        try {
            FFinish();
        } catch (...) {
            // A handler that raises while the operation ends is not let through a destructor.
        }
    }
    TIOCompFinishGuard(const TIOCompFinishGuard&) = delete;
    TIOCompFinishGuard& operator=(const TIOCompFinishGuard&) = delete;

private:
    std::function<void()> FFinish;
};

// Thrown inside a safe save whose writer reported failure, so that the target file stays as it was.
struct TIOCompSaveFailed {};

std::string IOCompLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

// The extension of a file name, lower-cased and without its dot; empty when the name has none.
std::string IOCompExtension(const std::string& fileName) {
    const size_t dot = fileName.find_last_of('.');
    const size_t slash = fileName.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return IOCompLower(fileName.substr(dot + 1));
}

// The extensions the component handles itself; everything else goes to the format registry.
struct TIOCompExtension {
    const char* Ext;
    int32_t Id;
    bool Writable;
};
constexpr TIOCompExtension IOCompExtensions[] = {
    {"jpg", ikfJpeg, true}, {"jpeg", ikfJpeg, true}, {"jpe", ikfJpeg, true}, {"jp2", ikfJp2, true},
    {"j2k", ikfJ2k, true},  {"jpc", ikfJ2k, true},   {"j2c", ikfJ2k, true},  {"png", ikfPng, true},
    {"tif", ikfTiff, true}, {"tiff", ikfTiff, true}, {"fax", ikfTiff, true}, {"g3n", ikfTiff, true},
    {"g3f", ikfTiff, true}, {"pcx", ikfPcx, true},   {"gif", ikfGif, true},  {"wmf", ikfWmf, false},
    {"emf", ikfEmf, false}, {"bmp", ikfBmp, true},   {"dib", ikfBmp, true},  {"rle", ikfBmp, true},
    {"cur", ikfCur, false}, {"ico", ikfIco, false},  {"tga", ikfTga, true},  {"targa", ikfTga, true},
    {"vda", ikfTga, true},  {"icb", ikfTga, true},   {"vst", ikfTga, true},  {"win", ikfTga, true},
    {"pxm", ikfPnm, true},  {"ppm", ikfPnm, true},   {"pgm", ikfPnm, true},  {"pbm", ikfPnm, true}};

const TIOCompExtension* IOCompFindExtension(const std::string& ext) {
    for (const TIOCompExtension& e : IOCompExtensions)
        if (ext == e.Ext)
            return &e;
    return nullptr;
}

bool IOCompUrl(const std::string& name) {
    return name.size() >= 7 && IOCompLower(name.substr(0, 7)) == "http://";
}

// ---- Stream block headers: a 4-byte tag, a 0 byte, 3 unused bytes, the little-endian data length ----

constexpr int32_t IOCompBlockHeaderSize = 12;

struct TIOCompBlockHeader {
    std::string Text; // the first five bytes up to the first 0 byte
    int64_t Length = 0;
};

// Reads a header at the stream's position; false, with the position back, when fewer bytes are there.
bool IOCompReadBlockHeader(vcl::TStream* stream, TIOCompBlockHeader& header) {
    const int64_t start = stream->GetPosition();
    uint8_t bytes[IOCompBlockHeaderSize] = {};
    if (stream->Read(bytes, IOCompBlockHeaderSize) != IOCompBlockHeaderSize) {
        stream->SetPosition(start);
        return false;
    }
    size_t n = 0;
    while (n < 5 && bytes[n] != 0)
        ++n;
    header.Text.assign(reinterpret_cast<const char*>(bytes), n);
    header.Length =
        int64_t(bytes[8]) | int64_t(bytes[9]) << 8 | int64_t(bytes[10]) << 16 | int64_t(bytes[11]) << 24;
    return true;
}

bool IOCompWriteBlockHeader(vcl::TStream* stream, const char* tag, int64_t length) {
    uint8_t bytes[IOCompBlockHeaderSize] = {};
    std::memcpy(bytes, tag, std::min<size_t>(std::strlen(tag), 4));
    const auto len = uint32_t(std::clamp<int64_t>(length, 0, UINT32_MAX));
    for (int i = 0; i < 4; ++i)
        bytes[8 + i] = uint8_t(len >> (8 * i));
    return stream->Write(bytes, IOCompBlockHeaderSize) == IOCompBlockHeaderSize;
}

// Puts the position at a block's end, never past the end of the stream.
void IOCompSeekBlockEnd(vcl::TStream* stream, int64_t end) {
    stream->SetPosition(std::clamp<int64_t>(end, 0, stream->GetSize()));
}

int32_t IOCompColorOf(TIKColorTriple c) {
    return int32_t(c.R) | int32_t(c.G) << 8 | int32_t(c.B) << 16;
}

TIKColorTriple IOCompTripleOf(int32_t color) {
    TIKColorTriple c{};
    c.R = uint8_t(color);
    c.G = uint8_t(color >> 8);
    c.B = uint8_t(color >> 16);
    return c;
}

bool IOCompHasPixels(TIKBitmap* bitmap) {
    return bitmap->Width() > 0 && bitmap->Height() > 0 && bitmap->PixelFormat() != ikbfNone;
}

} // namespace

// ---- Protocol pieces --------------------------------------------------------------------------------------

void TImageKitIO::DoFinishWork() {
    if (OnProgress)
        OnProgress(this, 100);
    if (OnFinishWork)
        OnFinishWork(this);
}

void TImageKitIO::FinishWork() {
    OnMainThread([this] { DoFinishWork(); });
}

TIKProgressContext TImageKitIO::MakeProgress() {
    TIKProgressContext progress(FAborting);
    progress.Sender = this;
    if (OnProgress && IsWorkerThread()) {
        // Progress reaches the main thread, once for each new percentage.
        TIKProgressEvent handler = OnProgress;
        auto last = std::make_shared<int32_t>(-1);
        progress.OnProgress = [handler, last](vcl::TObject* sender, int32_t percent) {
            if (percent == *last)
                return;
            *last = percent;
            vcl::TThread::Synchronize(nullptr, [&] { handler(sender, percent); });
        };
    } else {
        progress.OnProgress = OnProgress;
    }
    return progress;
}

void TImageKitIO::LoadFileCore(const std::string& fileName, int32_t formatId, bool viewDpi,
                               const TIOLoadBody& body) {
    TIOCompFinishGuard finish([this] { FinishWork(); });
    FAborting = true;
    if (!FBitmap)
        return;
    RewrapLegacy();
    FParams->ClearAll();
    vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
    FAborting = false;
    LoadBody(&file, fileName, formatId, viewDpi, body);
}

void TImageKitIO::LoadStreamCore(vcl::TStream* stream, int32_t formatId, bool viewDpi,
                                 const TIOLoadBody& body) {
    TIOCompFinishGuard finish([this] { FinishWork(); });
    FAborting = false;
    if (!FBitmap)
        return;
    RewrapLegacy();
    FParams->ClearAll();
    LoadBody(stream, std::string(), formatId, viewDpi, body);
}

void TImageKitIO::LoadBody(vcl::TStream* stream, const std::string& fileName, int32_t formatId, bool viewDpi,
                           const TIOLoadBody& body) {
    TIKProgressContext progress = MakeProgress();
    FBitmap->RemoveAlphaChannel();
    std::unique_ptr<TIKMask> mask;
    if (!body(stream, progress, mask))
        return;
    if (mask && !FAborting && mask->GetWidth() == FBitmap->Width() && mask->GetHeight() == FBitmap->Height())
        FBitmap->GetAlphaChannel()->AssignMask(mask.get());
    // A failed read leaves no trustworthy size or resolution to adjust.
    if (FAutoAdjustDPI && !FAborting)
        AdjustDpi();
    FParams->FileName = fileName;
    FParams->FileType = formatId;
    if (viewDpi)
        SetViewDpi();
    RefreshAttached();
}

bool TImageKitIO::PrepareSave() {
    RewrapLegacy();
    // An image without pixels has nothing to write; an existing file stays as it was.
    if (!IOCompHasPixels(FBitmap)) {
        FAborting = true;
        return false;
    }
    if (FBitmap->PixelFormat() != ikbf24Bit && FBitmap->PixelFormat() != ikbf1Bit)
        FBitmap->SetPixelFormat(ikbf24Bit);
    return true;
}

void TImageKitIO::SaveFileCore(const std::string& fileName, int32_t, const TIOSaveBody& body) {
    TIOCompFinishGuard finish([this] { FinishWork(); });
    FAborting = true;
    if (!FBitmap || !PrepareSave())
        return;
    try {
        vcl::SaveFileSafely(fileName, [&](vcl::TStream& stream) {
            FAborting = false;
            TIKProgressContext progress = MakeProgress();
            body(&stream, progress);
            if (FAborting)
                throw TIOCompSaveFailed();
        });
    } catch (const TIOCompSaveFailed&) {
        FAborting = true;
    }
}

void TImageKitIO::SaveStreamCore(vcl::TStream* stream, int32_t, const char* headerTag, bool patchOnFailure,
                                 const TIOSaveBody& body) {
    TIOCompFinishGuard finish([this] { FinishWork(); });
    FAborting = false;
    if (!FBitmap || !PrepareSave())
        return;
    const bool headers = FStreamHeaders && headerTag;
    const int64_t start = stream->GetPosition();
    if (headers && !IOCompWriteBlockHeader(stream, headerTag, 0)) {
        FAborting = true;
        return;
    }
    TIKProgressContext progress = MakeProgress();
    body(stream, progress);
    if (headers && (patchOnFailure || !FAborting)) {
        const int64_t end = stream->GetPosition();
        stream->SetPosition(start);
        if (!IOCompWriteBlockHeader(stream, headerTag, end - start - IOCompBlockHeaderSize))
            FAborting = true;
        stream->SetPosition(end);
    }
}

void TImageKitIO::JpegMetadataAfterRead() {
    TIKMarkerList& markers = FParams->JpegMarkers;
    const int32_t iptc = markers.IndexOfType(237);
    if (iptc >= 0)
        FParams->IptcRecords.LoadFromBuffer(markers.MarkerData(iptc), markers.MarkerLength(iptc));
    const int32_t exif = markers.IndexOfType(225);
    if (exif >= 0 && IKParseExifBlock(markers.MarkerData(exif), markers.MarkerLength(exif), *FParams) &&
        FParams->DpiX == 1 && FParams->DpiY == 1) {
        // The JFIF density said nothing (1 x 1): the EXIF resolution is used, per centimetre when unit 3.
        const double f = FParams->ExifResolutionUnit == 3 ? 2.54 : 1.0;
        const double x = std::trunc(FParams->ExifXResolution * f),
                     y = std::trunc(FParams->ExifYResolution * f);
        if (x >= 1 && x <= INT32_MAX && y >= 1 && y <= INT32_MAX) {
            FParams->DpiX = int32_t(x);
            FParams->DpiY = int32_t(y);
        }
    }
}

void TImageKitIO::JpegMetadataBeforeWrite() {
    TIKIPTCInfoList& iptc = FParams->IptcRecords;
    if (!iptc.GetUserChanged())
        return;
    const std::vector<uint8_t> block = iptc.SaveToBuffer(true);
    TIKMarkerList& markers = FParams->JpegMarkers;
    const int32_t index = markers.IndexOfType(237);
    if (index >= 0)
        markers.SetMarker(index, 237, block.data(), int32_t(block.size()));
    else
        markers.AddMarker(237, block.data(), int32_t(block.size()));
}

// ---- Per-format loads -------------------------------------------------------------------------------------

int32_t TImageKitIO::LoadFromTiffFile(const std::string& fileName) {
    if (HandOff(ikjFileNameCount, [this, fileName] { LoadFromTiffFile(fileName); }))
        return -1;
    int32_t pages = 0;
    LoadFileCore(fileName, ikfTiff, true,
                 [&](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>& m) {
                     DecodeTiffToBitmap(FBitmap, s, pages, *FParams, p, false, &m, true, false);
                     FParams->TiffImageCount = pages;
                     return true;
                 });
    return pages;
}

int32_t TImageKitIO::LoadFromTiffStream(vcl::TStream* stream) {
    if (HandOff(ikjStreamCount, [this, stream] { LoadFromTiffStream(stream); }))
        return -1;
    int32_t pages = 0;
    LoadStreamCore(stream, ikfTiff, true,
                   [&](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>& m) {
                       int64_t end = -1;
                       if (FStreamHeaders) {
                           TIOCompBlockHeader header;
                           if (!IOCompReadBlockHeader(s, header) || header.Text != "TIFF") {
                               FAborting = true;
                               return false;
                           }
                           end = s->GetPosition() + header.Length;
                       }
                       // The writer records offsets from the start of its data, after any block header.
                       DecodeTiffToBitmap(FBitmap, s, pages, *FParams, p, false, &m, true, false);
                       FParams->TiffImageCount = pages;
                       if (end >= 0)
                           IOCompSeekBlockEnd(s, end);
                       return true;
                   });
    return pages;
}

int32_t TImageKitIO::LoadFromGifFile(const std::string& fileName) {
    if (HandOff(ikjFileNameCount, [this, fileName] { LoadFromGifFile(fileName); }))
        return -1;
    int32_t count = 0;
    LoadFileCore(fileName, ikfGif, true,
                 [&](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>& m) {
                     DecodeGifToBitmap(s, FBitmap, count, *FParams, p, false, m, false);
                     FParams->GifImageCount = count;
                     SetBackground(IOCompColorOf(FParams->GifTransparent ? FParams->GifTransparentColor
                                                                         : FParams->GifBackground));
                     return true;
                 });
    return count;
}

int32_t TImageKitIO::LoadFromGifStream(vcl::TStream* stream) {
    if (HandOff(ikjStreamCount, [this, stream] { LoadFromGifStream(stream); }))
        return -1;
    int32_t count = 0;
    LoadStreamCore(stream, ikfGif, false,
                   [&](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>& m) {
                       DecodeGifToBitmap(s, FBitmap, count, *FParams, p, false, m, false);
                       FParams->GifImageCount = count;
                       SetBackground(IOCompColorOf(FParams->GifTransparent ? FParams->GifTransparentColor
                                                                           : FParams->GifBackground));
                       return true;
                   });
    return count;
}

void TImageKitIO::LoadFromJpegFile(const std::string& fileName) {
    if (HandOff(ikjFileName, [this, fileName] { LoadFromJpegFile(fileName); }))
        return;
    LoadFileCore(fileName, ikfJpeg, true,
                 [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>&) {
                     DecodeJpegToBitmap(s, nullptr, FBitmap, *FParams, p, false, false);
                     JpegMetadataAfterRead();
                     return true;
                 });
}

void TImageKitIO::LoadFromJpegStream(vcl::TStream* stream) {
    if (HandOff(ikjStream, [this, stream] { LoadFromJpegStream(stream); }))
        return;
    LoadStreamCore(stream, ikfJpeg, true,
                   [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>&) {
                       // A "JFIF" block header is looked for whatever StreamHeaders says.
                       const int64_t start = s->GetPosition();
                       int64_t end = -1;
                       TIOCompBlockHeader header;
                       if (IOCompReadBlockHeader(s, header) && header.Text == "JFIF")
                           end = start + IOCompBlockHeaderSize + header.Length;
                       else
                           s->SetPosition(start);
                       DecodeJpegToBitmap(s, nullptr, FBitmap, *FParams, p, false, false);
                       JpegMetadataAfterRead();
                       if (end >= 0)
                           IOCompSeekBlockEnd(s, end);
                       return true;
                   });
}

void TImageKitIO::LoadFromPcxFile(const std::string& fileName) {
    if (HandOff(ikjFileName, [this, fileName] { LoadFromPcxFile(fileName); }))
        return;
    LoadFileCore(fileName, ikfPcx, true,
                 [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>&) {
                     DecodePcxToBitmap(s, FBitmap, *FParams, s->GetSize(), p, false);
                     return true;
                 });
}

void TImageKitIO::LoadFromPcxStream(vcl::TStream* stream) {
    if (HandOff(ikjStream, [this, stream] { LoadFromPcxStream(stream); }))
        return;
    LoadStreamCore(stream, ikfPcx, true,
                   [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>&) {
                       int64_t limit = s->GetSize() - s->GetPosition();
                       int64_t end = -1;
                       if (FStreamHeaders) {
                           const int64_t start = s->GetPosition();
                           TIOCompBlockHeader header;
                           if (!IOCompReadBlockHeader(s, header) || header.Text.compare(0, 3, "PCX") != 0) {
                               FAborting = true;
                               return false;
                           }
                           if (header.Text == "PCX2") {
                               limit = std::min(header.Length, s->GetSize() - s->GetPosition());
                               end = start + IOCompBlockHeaderSize + header.Length;
                           } else {
                               // The older header: "PCX" and a 0 byte.
                               s->SetPosition(start + 4);
                               limit = s->GetSize() - s->GetPosition();
                           }
                       }
                       DecodePcxToBitmap(s, FBitmap, *FParams, limit, p, false);
                       if (end >= 0)
                           IOCompSeekBlockEnd(s, end);
                       return true;
                   });
}

void TImageKitIO::LoadFromBmpFile(const std::string& fileName) {
    if (HandOff(ikjFileName, [this, fileName] { LoadFromBmpFile(fileName); }))
        return;
    LoadFileCore(fileName, ikfBmp, true,
                 [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>&) {
                     DecodeBmpToBitmap(s, FBitmap, s->GetSize(), *FParams, p, false);
                     return true;
                 });
}

void TImageKitIO::LoadFromBmpStream(vcl::TStream* stream) {
    if (HandOff(ikjStream, [this, stream] { LoadFromBmpStream(stream); }))
        return;
    LoadStreamCore(stream, ikfBmp, false,
                   [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>&) {
                       DecodeBmpToBitmap(s, FBitmap, 0, *FParams, p, false);
                       return true;
                   });
}

void TImageKitIO::LoadFromIcoFile(const std::string& fileName) {
    if (HandOff(ikjFileName, [this, fileName] { LoadFromIcoFile(fileName); }))
        return;
    LoadFileCore(fileName, ikfIco, true,
                 [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>& m) {
                     DecodeIcoToBitmap(s, FBitmap, *FParams, false, p, m, false);
                     return true;
                 });
}

void TImageKitIO::LoadFromIcoStream(vcl::TStream* stream) {
    if (HandOff(ikjStream, [this, stream] { LoadFromIcoStream(stream); }))
        return;
    LoadStreamCore(stream, ikfIco, false,
                   [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>& m) {
                       DecodeIcoToBitmap(s, FBitmap, *FParams, false, p, m, false);
                       return true;
                   });
}

void TImageKitIO::LoadFromCurFile(const std::string& fileName) {
    if (HandOff(ikjFileName, [this, fileName] { LoadFromCurFile(fileName); }))
        return;
    LoadFileCore(fileName, ikfCur, true,
                 [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>& m) {
                     DecodeCurToBitmap(s, FBitmap, *FParams, false, p, m, false);
                     return true;
                 });
}

void TImageKitIO::LoadFromCurStream(vcl::TStream* stream) {
    if (HandOff(ikjStream, [this, stream] { LoadFromCurStream(stream); }))
        return;
    LoadStreamCore(stream, ikfCur, false,
                   [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>& m) {
                       DecodeCurToBitmap(s, FBitmap, *FParams, false, p, m, false);
                       return true;
                   });
}

void TImageKitIO::LoadFromPngFile(const std::string& fileName) {
    if (HandOff(ikjFileName, [this, fileName] { LoadFromPngFile(fileName); }))
        return;
    LoadFileCore(fileName, ikfPng, true,
                 [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>& m) {
                     FParams->PngBackground = IOCompTripleOf(GetBackground());
                     DecodePngToBitmap(s, FBitmap, *FParams, p, false, m, false);
                     SetBackground(IOCompColorOf(FParams->PngBackground));
                     return true;
                 });
}

void TImageKitIO::LoadFromPngStream(vcl::TStream* stream) {
    if (HandOff(ikjStream, [this, stream] { LoadFromPngStream(stream); }))
        return;
    LoadStreamCore(stream, ikfPng, true,
                   [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>& m) {
                       DecodePngToBitmap(s, FBitmap, *FParams, p, false, m, false);
                       SetBackground(IOCompColorOf(FParams->PngBackground));
                       return true;
                   });
}

void TImageKitIO::LoadFromTgaFile(const std::string& fileName) {
    if (HandOff(ikjFileName, [this, fileName] { LoadFromTgaFile(fileName); }))
        return;
    LoadFileCore(fileName, ikfTga, true,
                 [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>& m) {
                     DecodeTgaToBitmap(s, FBitmap, *FParams, p, false, m, false);
                     return true;
                 });
}

void TImageKitIO::LoadFromTgaStream(vcl::TStream* stream) {
    if (HandOff(ikjStream, [this, stream] { LoadFromTgaStream(stream); }))
        return;
    LoadStreamCore(stream, ikfTga, false,
                   [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>& m) {
                       DecodeTgaToBitmap(s, FBitmap, *FParams, p, false, m, false);
                       return true;
                   });
}

void TImageKitIO::LoadFromPnmFile(const std::string& fileName) {
    if (HandOff(ikjFileName, [this, fileName] { LoadFromPnmFile(fileName); }))
        return;
    LoadFileCore(fileName, ikfPnm, false,
                 [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>&) {
                     DecodePnmToBitmap(s, FBitmap, *FParams, p, false);
                     return true;
                 });
}

void TImageKitIO::LoadFromPnmStream(vcl::TStream* stream) {
    if (HandOff(ikjStream, [this, stream] { LoadFromPnmStream(stream); }))
        return;
    LoadStreamCore(stream, ikfPnm, false,
                   [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>&) {
                       DecodePnmToBitmap(s, FBitmap, *FParams, p, false);
                       return true;
                   });
}

void TImageKitIO::LoadFromJp2File(const std::string& fileName) {
    if (HandOff(ikjFileName, [this, fileName] { LoadFromJp2File(fileName); }))
        return;
    LoadFileCore(fileName, ikfJp2, true,
                 [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>&) {
                     DecodeJpeg2000ToBitmap(s, FBitmap, *FParams, p, false);
                     return true;
                 });
}

void TImageKitIO::LoadFromJp2Stream(vcl::TStream* stream) {
    if (HandOff(ikjStream, [this, stream] { LoadFromJp2Stream(stream); }))
        return;
    LoadStreamCore(stream, ikfJp2, true,
                   [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>&) {
                       DecodeJpeg2000ToBitmap(s, FBitmap, *FParams, p, false);
                       return true;
                   });
}

void TImageKitIO::LoadFromJ2kFile(const std::string& fileName) {
    if (HandOff(ikjFileName, [this, fileName] { LoadFromJ2kFile(fileName); }))
        return;
    LoadFileCore(fileName, ikfJ2k, true,
                 [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>&) {
                     DecodeJpeg2000ToBitmap(s, FBitmap, *FParams, p, false);
                     return true;
                 });
}

void TImageKitIO::LoadFromJ2kStream(vcl::TStream* stream) {
    if (HandOff(ikjStream, [this, stream] { LoadFromJ2kStream(stream); }))
        return;
    LoadStreamCore(stream, ikfJ2k, true,
                   [this](vcl::TStream* s, TIKProgressContext& p, std::unique_ptr<TIKMask>&) {
                       DecodeJpeg2000ToBitmap(s, FBitmap, *FParams, p, false);
                       return true;
                   });
}

// ---- Per-format saves -------------------------------------------------------------------------------------

namespace {

// The alpha channel as a mask for the writers that take one; null when the image has none.
std::unique_ptr<TIKMask> IOCompAlphaMask(TIKBitmap* bitmap) {
    if (!bitmap->HasAlphaChannel())
        return nullptr;
    auto mask = std::make_unique<TIKMask>();
    bitmap->GetAlphaChannel()->CopyToMask(mask.get());
    return mask;
}

} // namespace

#define IOCOMP_SAVE_PAIR(Name, Id, Tag, PatchOnFailure, Write)                                               \
    void TImageKitIO::SaveTo##Name##File(const std::string& fileName) {                                      \
        if (HandOff(ikjFileName, [this, fileName] { SaveTo##Name##File(fileName); }))                        \
            return;                                                                                          \
        SaveFileCore(fileName, Id, [this](vcl::TStream* s, TIKProgressContext& p) { Write; });               \
    }                                                                                                        \
    void TImageKitIO::SaveTo##Name##Stream(vcl::TStream* stream) {                                           \
        if (HandOff(ikjStream, [this, stream] { SaveTo##Name##Stream(stream); }))                            \
            return;                                                                                          \
        SaveStreamCore(stream, Id, Tag, PatchOnFailure,                                                      \
                       [this](vcl::TStream* s, TIKProgressContext& p) { Write; });                           \
    }

IOCOMP_SAVE_PAIR(Tiff, ikfTiff, "TIFF", true, EncodeBitmapToTiff(s, FBitmap, *FParams, p))
IOCOMP_SAVE_PAIR(Gif, ikfGif, nullptr, true, EncodeBitmapToGif(s, FBitmap, *FParams, p))
IOCOMP_SAVE_PAIR(Jpeg, ikfJpeg, "JFIF", true, JpegMetadataBeforeWrite();
                 EncodeBitmapToJpeg(s, FBitmap, *FParams, p))
IOCOMP_SAVE_PAIR(Pcx, ikfPcx, "PCX2", false, EncodeBitmapToPcx(s, FBitmap, *FParams, p))
IOCOMP_SAVE_PAIR(Bmp, ikfBmp, nullptr, true, EncodeBitmapToBmp(s, FBitmap, *FParams, p))
IOCOMP_SAVE_PAIR(Png, ikfPng, nullptr, true, const auto mask = IOCompAlphaMask(FBitmap);
                 EncodeBitmapToPng(s, FBitmap, *FParams, p, mask.get()))
IOCOMP_SAVE_PAIR(Tga, ikfTga, nullptr, true, const auto mask = IOCompAlphaMask(FBitmap);
                 EncodeBitmapToTga(s, FBitmap, *FParams, p, mask.get()))
IOCOMP_SAVE_PAIR(Pnm, ikfPnm, nullptr, true, EncodeBitmapToPnm(s, FBitmap, *FParams, p))
IOCOMP_SAVE_PAIR(Jp2, ikfJp2, nullptr, true, EncodeBitmapToJpeg2000(s, FBitmap, *FParams, 0, p))
IOCOMP_SAVE_PAIR(J2k, ikfJ2k, nullptr, true, EncodeBitmapToJpeg2000(s, FBitmap, *FParams, 1, p))

#undef IOCOMP_SAVE_PAIR

// ---- Dispatch by format id --------------------------------------------------------------------------------

bool TImageKitIO::LoadFileOfKnownFormat(const std::string& fileName, int32_t formatId) {
    switch (formatId) {
    case ikfTiff:
        LoadFromTiffFile(fileName);
        return true;
    case ikfGif:
        LoadFromGifFile(fileName);
        return true;
    case ikfJpeg:
        LoadFromJpegFile(fileName);
        return true;
    case ikfPcx:
        LoadFromPcxFile(fileName);
        return true;
    case ikfBmp:
        LoadFromBmpFile(fileName);
        return true;
    case ikfIco:
        LoadFromIcoFile(fileName);
        return true;
    case ikfCur:
        LoadFromCurFile(fileName);
        return true;
    case ikfPng:
        LoadFromPngFile(fileName);
        return true;
    case ikfWmf:
    case ikfEmf:
        ImportMetafile(fileName, -1, -1);
        return true;
    case ikfTga:
        LoadFromTgaFile(fileName);
        return true;
    case ikfPnm:
        LoadFromPnmFile(fileName);
        return true;
    case ikfJp2:
        LoadFromJp2File(fileName);
        return true;
    case ikfJ2k:
        LoadFromJ2kFile(fileName);
        return true;
    default:
        return false;
    }
}

bool TImageKitIO::LoadStreamOfKnownFormat(vcl::TStream* stream, int32_t formatId) {
    switch (formatId) {
    case ikfTiff:
        LoadFromTiffStream(stream);
        return true;
    case ikfGif:
        LoadFromGifStream(stream);
        return true;
    case ikfJpeg:
        LoadFromJpegStream(stream);
        return true;
    case ikfPcx:
        LoadFromPcxStream(stream);
        return true;
    case ikfBmp:
        LoadFromBmpStream(stream);
        return true;
    case ikfIco:
        LoadFromIcoStream(stream);
        return true;
    case ikfCur:
        LoadFromCurStream(stream);
        return true;
    case ikfPng:
        LoadFromPngStream(stream);
        return true;
    case ikfTga:
        LoadFromTgaStream(stream);
        return true;
    case ikfPnm:
        LoadFromPnmStream(stream);
        return true;
    case ikfJp2:
        LoadFromJp2Stream(stream);
        return true;
    case ikfJ2k:
        LoadFromJ2kStream(stream);
        return true;
    default:
        return false;
    }
}

bool TImageKitIO::SaveFileOfKnownFormat(const std::string& fileName, int32_t formatId) {
    switch (formatId) {
    case ikfTiff:
        SaveToTiffFile(fileName);
        return true;
    case ikfGif:
        SaveToGifFile(fileName);
        return true;
    case ikfJpeg:
        SaveToJpegFile(fileName);
        return true;
    case ikfPcx:
        SaveToPcxFile(fileName);
        return true;
    case ikfBmp:
        SaveToBmpFile(fileName);
        return true;
    case ikfPng:
        SaveToPngFile(fileName);
        return true;
    case ikfTga:
        SaveToTgaFile(fileName);
        return true;
    case ikfPnm:
        SaveToPnmFile(fileName);
        return true;
    case ikfJp2:
        SaveToJp2File(fileName);
        return true;
    case ikfJ2k:
        SaveToJ2kFile(fileName);
        return true;
    default:
        return false;
    }
}

bool TImageKitIO::SaveStreamOfKnownFormat(vcl::TStream* stream, int32_t formatId) {
    switch (formatId) {
    case ikfTiff:
        SaveToTiffStream(stream);
        return true;
    case ikfGif:
        SaveToGifStream(stream);
        return true;
    case ikfJpeg:
        SaveToJpegStream(stream);
        return true;
    case ikfPcx:
        SaveToPcxStream(stream);
        return true;
    case ikfBmp:
        SaveToBmpStream(stream);
        return true;
    case ikfPng:
        SaveToPngStream(stream);
        return true;
    case ikfTga:
        SaveToTgaStream(stream);
        return true;
    case ikfPnm:
        SaveToPnmStream(stream);
        return true;
    case ikfJp2:
        SaveToJp2Stream(stream);
        return true;
    case ikfJ2k:
        SaveToJ2kStream(stream);
        return true;
    default:
        return false;
    }
}

// ---- The format registry's roads --------------------------------------------------------------------------

void TImageKitIO::LoadFileFromRegistry(const std::string& fileName, int32_t formatId, bool catchErrors) {
    TIOCompFinishGuard finish([this] { FinishWork(); });
    FAborting = true;
    RewrapLegacy();
    vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
    FAborting = false;
    TIKProgressContext progress = MakeProgress();
    FParams->FileName = fileName;
    FParams->FileType = formatId;
    const TIKFormatEntry* entry = FindFormatEntryById(formatId);
    if (catchErrors) {
        try {
            entry->Read(&file, FBitmap, *FParams, progress, false);
        } catch (...) {
            FAborting = true;
        }
    } else {
        entry->Read(&file, FBitmap, *FParams, progress, false);
    }
    if (!FAborting) {
        if (FAutoAdjustDPI)
            AdjustDpi();
        SetViewDpi();
    }
    RefreshAttached();
}

void TImageKitIO::LoadStreamFromRegistry(vcl::TStream* stream, int32_t formatId) {
    FParams->ClearAll();
    FParams->FileName.clear();
    FParams->FileType = 0;
    const TIKFormatEntry* entry = FindFormatEntryById(formatId);
    if (!entry || !entry->Read) {
        FAborting = true;
        FinishWork();
        return;
    }
    TIOCompFinishGuard finish([this] { FinishWork(); });
    FAborting = false;
    RewrapLegacy();
    TIKProgressContext progress = MakeProgress();
    FParams->FileType = formatId;
    entry->Read(stream, FBitmap, *FParams, progress, false);
    if (!FAborting) {
        if (FAutoAdjustDPI)
            AdjustDpi();
        SetViewDpi();
    }
    RefreshAttached();
}

void TImageKitIO::SaveFileToRegistry(const std::string& fileName, int32_t formatId) {
    const TIKFormatEntry* entry = FindFormatEntryById(formatId);
    if (!entry || !entry->Write) {
        FAborting = true;
        return;
    }
    const TIKFormatWriteProc write = entry->Write;
    SaveFileCore(fileName, formatId,
                 [this, write](vcl::TStream* s, TIKProgressContext& p) { write(s, FBitmap, *FParams, p); });
    if (!FAborting) {
        FParams->FileName = fileName;
        FParams->FileType = formatId;
    }
}

// ---- Roads by extension, id and content -------------------------------------------------------------------

void TImageKitIO::LoadFromFileByExtension(const std::string& fileName) {
    if (!FBitmap)
        return;
    if (HandOff(ikjFileName, [this, fileName] { LoadFromFileByExtension(fileName); }))
        return;
    if (fileName.empty()) {
        FAborting = true;
        FinishWork();
        return;
    }
    if (IOCompUrl(fileName)) {
        LoadFromUrl(fileName);
        return;
    }
    const std::string ext = IOCompExtension(fileName);
    if (const TIOCompExtension* known = IOCompFindExtension(ext)) {
        LoadFileOfKnownFormat(fileName, known->Id);
        return;
    }
    FParams->FileName.clear();
    FParams->FileType = 0;
    FParams->ClearAll();
    const TIKFormatEntry* entry = ext.empty() ? nullptr : FindFormatEntryByExtension(ext);
    if (!entry || !entry->Read) {
        FAborting = true;
        FinishWork();
        return;
    }
    LoadFileFromRegistry(fileName, entry->FormatId, true);
}

void TImageKitIO::LoadFromFileOfFormat(const std::string& fileName, int32_t formatId) {
    if (HandOff(ikjFileNameFormat, [this, fileName, formatId] { LoadFromFileOfFormat(fileName, formatId); }))
        return;
    if (LoadFileOfKnownFormat(fileName, formatId))
        return;
    FParams->ClearAll();
    FParams->FileName.clear();
    FParams->FileType = 0;
    const TIKFormatEntry* entry = FindFormatEntryById(formatId);
    if (!entry || !entry->Read) {
        FAborting = true;
        FinishWork();
        return;
    }
    LoadFileFromRegistry(fileName, formatId, false);
}

void TImageKitIO::LoadFromStreamDetected(vcl::TStream* stream) {
    if (HandOff(ikjStream, [this, stream] { LoadFromStreamDetected(stream); }))
        return;
    const int64_t start = stream->GetPosition();
    const int32_t id = FindStreamFormat(stream);
    stream->SetPosition(start);
    if (!LoadStreamOfKnownFormat(stream, id))
        LoadStreamFromRegistry(stream, id);
}

void TImageKitIO::LoadFromStreamOfFormat(vcl::TStream* stream, int32_t formatId) {
    if (HandOff(ikjStreamFormat, [this, stream, formatId] { LoadFromStreamOfFormat(stream, formatId); }))
        return;
    if (!LoadStreamOfKnownFormat(stream, formatId))
        LoadStreamFromRegistry(stream, formatId);
}

void TImageKitIO::SaveToFileByExtension(const std::string& fileName) {
    if (fileName.empty())
        return;
    if (HandOff(ikjFileName, [this, fileName] { SaveToFileByExtension(fileName); }))
        return;
    const std::string ext = IOCompExtension(fileName);
    const TIOCompExtension* known = IOCompFindExtension(ext);
    if (known && known->Writable) {
        SaveFileOfKnownFormat(fileName, known->Id);
        return;
    }
    // Icons, cursors and metafiles have no writer; other extensions may have one in the registry.
    const TIKFormatEntry* entry = known || ext.empty() ? nullptr : FindFormatEntryByExtension(ext);
    if (!entry || !entry->Write || entry->Write == NoFormatWrite) {
        FAborting = true;
        return;
    }
    SaveFileToRegistry(fileName, entry->FormatId);
}

void TImageKitIO::SaveToStreamOfFormat(vcl::TStream* stream, int32_t formatId) {
    if (HandOff(ikjStreamFormat, [this, stream, formatId] { SaveToStreamOfFormat(stream, formatId); }))
        return;
    if (SaveStreamOfKnownFormat(stream, formatId))
        return;
    const TIKFormatEntry* entry = FindFormatEntryById(formatId);
    if (!entry || !entry->Write || entry->Write == NoFormatWrite) {
        FAborting = true;
        return;
    }
    const TIKFormatWriteProc write = entry->Write;
    FParams->FileType = formatId;
    SaveStreamCore(stream, formatId, nullptr, true,
                   [this, write](vcl::TStream* s, TIKProgressContext& p) { write(s, FBitmap, *FParams, p); });
}

// ---- Parameters-only reads --------------------------------------------------------------------------------

void TImageKitIO::ReadParamsCore(vcl::TStream* stream, int32_t formatId) {
    TIKProgressContext progress(FAborting);
    std::unique_ptr<TIKMask> mask;
    int32_t count = 0;
    const int64_t rest = stream->GetSize() - stream->GetPosition();
    switch (formatId) {
    case ikfTiff:
        DecodeTiffToBitmap(FBitmap, stream, count, *FParams, progress, true, nullptr, true, false);
        FParams->TiffImageCount = count;
        break;
    case ikfGif:
        DecodeGifToBitmap(stream, FBitmap, count, *FParams, progress, true, mask, false);
        FParams->GifImageCount = count;
        break;
    case ikfJpeg:
        DecodeJpegToBitmap(stream, nullptr, FBitmap, *FParams, progress, true, false);
        JpegMetadataAfterRead();
        break;
    case ikfPcx:
        DecodePcxToBitmap(stream, FBitmap, *FParams, rest, progress, true);
        break;
    case ikfBmp:
        DecodeBmpToBitmap(stream, FBitmap, rest, *FParams, progress, true);
        break;
    case ikfIco:
        DecodeIcoToBitmap(stream, FBitmap, *FParams, true, progress, mask, false);
        break;
    case ikfCur:
        DecodeCurToBitmap(stream, FBitmap, *FParams, true, progress, mask, false);
        break;
    case ikfPng:
        DecodePngToBitmap(stream, FBitmap, *FParams, progress, true, mask, false);
        break;
    case ikfTga:
        DecodeTgaToBitmap(stream, FBitmap, *FParams, progress, true, mask, false);
        break;
    case ikfPnm:
        DecodePnmToBitmap(stream, FBitmap, *FParams, progress, true);
        break;
    case ikfJp2:
    case ikfJ2k:
        DecodeJpeg2000ToBitmap(stream, FBitmap, *FParams, progress, true);
        break;
    default: {
        const TIKFormatEntry* entry = FindFormatEntryById(formatId);
        // Nothing that can read the format: the read has not succeeded.
        if (entry && entry->Read && entry->Read != NoFormatRead)
            entry->Read(stream, FBitmap, *FParams, progress, true);
        else
            FAborting = true;
    }
    }
}

void TImageKitIO::ReadParamsFromFileOfFormat(const std::string& fileName, int32_t formatId) {
    TIOCompFinishGuard finish([this] { FinishWork(); });
    FParams->FileType = formatId;
    FParams->ClearAll();
    FAborting = true;
    try {
        vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
        FAborting = false;
        ReadParamsCore(&file, formatId);
    } catch (...) {
        FAborting = true;
    }
    if (FAborting)
        FParams->FileType = 0;
    FParams->FileName = fileName;
}

void TImageKitIO::ReadParamsFromStreamOfFormat(vcl::TStream* stream, int32_t formatId) {
    TIOCompFinishGuard finish([this] { FinishWork(); });
    FParams->FileType = formatId;
    FParams->ClearAll();
    FAborting = false;
    try {
        ReadParamsCore(stream, formatId);
    } catch (...) {
        FAborting = true;
    }
    if (FAborting)
        FParams->FileType = 0;
}

void TImageKitIO::ReadParamsFromFile(const std::string& fileName) {
    int32_t id = 0;
    try {
        id = FindFileFormat(fileName, true);
    } catch (...) {
        id = 0;
    }
    ReadParamsFromFileOfFormat(fileName, id);
}

void TImageKitIO::ReadParamsFromStream(vcl::TStream* stream) {
    int32_t id = 0;
    try {
        id = FindStreamFormat(stream);
    } catch (...) {
        id = 0;
    }
    ReadParamsFromStreamOfFormat(stream, id);
}

} // namespace imaging

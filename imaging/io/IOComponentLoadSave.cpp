// TImageKitIO: the load and save protocols every format goes through, driven by the format's registry entry
// (its reader and writer, block header, view and background rules), the roads by extension, format id and
// detected content, and the parameters-only reads.
#include "imaging/io/IOComponent.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/IOFormatRegistry.h"
#include "imaging/io/IOThreads.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/Thread.h"

#include <algorithm>
#include <cstring>

namespace imaging {

namespace {

// Runs an operation's finish step when it ends, also when an exception leaves it. A handler that raises
// while the operation ends is not let through: the operation's own outcome is what the caller hears of.
template <class F> auto IOCompFinishing(F finish) {
    return vcl::ScopeExit([finish]() noexcept {
        try {
            finish();
        } catch (...) {
        }
    });
}

// Thrown inside a safe save whose writer reported failure, so that the target file stays as it was.
struct TIOCompSaveFailed {};

// The extension of a file name, lower-cased and without its dot; empty when the name has none.
std::string IOCompExtension(const std::string& fileName) {
    const size_t dot = fileName.find_last_of('.');
    const size_t slash = fileName.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return vcl::LowerCase(fileName.substr(dot + 1));
}

bool IOCompUrl(const std::string& name) {
    return name.size() >= 7 && vcl::LowerCase(name.substr(0, 7)) == "http://";
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

void TImageKitIO::SaveFileCore(const std::string& fileName, const TIOSaveBody& body) {
    auto finish = IOCompFinishing([this] { FinishWork(); });
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

void TImageKitIO::SaveStreamCore(vcl::TStream* stream, const char* headerTag, bool patchOnFailure,
                                 const TIOSaveBody& body) {
    auto finish = IOCompFinishing([this] { FinishWork(); });
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

// ---- One road for every format ----------------------------------------------------------------------------

void TImageKitIO::FailWithoutReader() {
    FParams->ClearAll();
    FParams->FileName.clear();
    FParams->FileType = 0;
    FAborting = true;
    FinishWork();
}

int32_t TImageKitIO::LoadFormat(int32_t formatId, const std::string& fileName) {
    if (HandOff(ikjFileNameFormat, [this, formatId, fileName] { LoadFormat(formatId, fileName); }))
        return -1;
    const TIKFormatEntry* entry = FindFormatEntryById(formatId);
    if (entry && entry->Metafile) {
        ImportMetafile(fileName, -1, -1);
        return 0;
    }
    if (!entry || (!entry->Load && !entry->Read)) {
        FailWithoutReader();
        return 0;
    }
    auto finish = IOCompFinishing([this] { FinishWork(); });
    FAborting = true;
    if (!FBitmap)
        return 0;
    RewrapLegacy();
    FParams->ClearAll();
    vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
    FAborting = false;
    return LoadBody(*entry, &file, ikroFile, fileName);
}

int32_t TImageKitIO::LoadFormat(int32_t formatId, vcl::TStream* stream) {
    if (HandOff(ikjStreamFormat, [this, formatId, stream] { LoadFormat(formatId, stream); }))
        return -1;
    const TIKFormatEntry* entry = FindFormatEntryById(formatId);
    if (!entry || (!entry->Load && !entry->Read)) {
        FailWithoutReader();
        return 0;
    }
    auto finish = IOCompFinishing([this] { FinishWork(); });
    FAborting = false;
    if (!FBitmap)
        return 0;
    RewrapLegacy();
    FParams->ClearAll();
    return LoadBody(*entry, stream, ikroStream, std::string());
}

bool TImageKitIO::ReadBlockHeader(const TIKFormatEntry& entry, TIKFormatReadArgs& args, int64_t& end) {
    const bool expected = entry.BlockHeaderRead == ikbhExpected && FStreamHeaders;
    if (!entry.BlockTag || !(expected || entry.BlockHeaderRead == ikbhProbed))
        return true;
    vcl::TStream* s = args.Stream;
    const int64_t start = s->GetPosition();
    TIOCompBlockHeader header;
    const bool read = IOCompReadBlockHeader(s, header);
    if (read && header.Text == entry.BlockTag) {
        args.BlockLength = header.Length;
        end = start + IOCompBlockHeaderSize + header.Length;
        return true;
    }
    if (read && entry.OlderBlockTag && header.Text.starts_with(entry.OlderBlockTag)) {
        s->SetPosition(start + int64_t(std::strlen(entry.OlderBlockTag)) + 1);
        return true;
    }
    if (expected)
        return false;
    s->SetPosition(start);
    return true;
}

int32_t TImageKitIO::LoadBody(const TIKFormatEntry& entry, vcl::TStream* stream, TIKReadOrigin origin,
                              const std::string& fileName) {
    TIKProgressContext progress = MakeProgress();
    FBitmap->RemoveAlphaChannel();
    TIKFormatReadArgs args{stream, FBitmap, *FParams, progress, ikrmImage, origin};
    int64_t end = -1;
    if (origin == ikroStream && !ReadBlockHeader(entry, args, end)) {
        FAborting = true;
        return 0;
    }
    if (entry.Background == iklbPng)
        FParams->PngBackground = IOCompTripleOf(GetBackground());
    RunFormatRead(entry, args);
    if (end >= 0)
        IOCompSeekBlockEnd(stream, end);
    if (entry.Background == iklbGif)
        SetBackground(
            IOCompColorOf(FParams->GifTransparent ? FParams->GifTransparentColor : FParams->GifBackground));
    else if (entry.Background == iklbPng)
        SetBackground(IOCompColorOf(FParams->PngBackground));
    const std::unique_ptr<TIKMask>& mask = args.Mask;
    if (mask && !FAborting && mask->GetWidth() == FBitmap->Width() && mask->GetHeight() == FBitmap->Height())
        FBitmap->GetAlphaChannel()->AssignMask(mask.get());
    // A failed read leaves no trustworthy size or resolution to adjust.
    if (FAutoAdjustDPI && !FAborting)
        AdjustDpi();
    FParams->FileName = fileName;
    FParams->FileType = entry.FormatId;
    if (entry.ViewDpi == ikvdFileAndStream || (entry.ViewDpi == ikvdFileOnly && origin == ikroFile))
        SetViewDpi();
    RefreshAttached();
    return args.Count;
}

namespace {

// The writer of a format; null when it has none.
TIKFormatWriteProc IOCompWriterOf(const TIKFormatEntry* entry) {
    return entry && entry->Write != NoFormatWrite ? entry->Write : nullptr;
}

} // namespace

void TImageKitIO::SaveFormat(int32_t formatId, const std::string& fileName) {
    if (HandOff(ikjFileNameFormat, [this, formatId, fileName] { SaveFormat(formatId, fileName); }))
        return;
    const TIKFormatWriteProc write = IOCompWriterOf(FindFormatEntryById(formatId));
    if (!write) {
        FAborting = true;
        return;
    }
    SaveFileCore(fileName,
                 [this, write](vcl::TStream* s, TIKProgressContext& p) { write(s, FBitmap, *FParams, p); });
}

void TImageKitIO::SaveFormat(int32_t formatId, vcl::TStream* stream) {
    if (HandOff(ikjStreamFormat, [this, formatId, stream] { SaveFormat(formatId, stream); }))
        return;
    const TIKFormatEntry* entry = FindFormatEntryById(formatId);
    const TIKFormatWriteProc write = IOCompWriterOf(entry);
    if (!write) {
        FAborting = true;
        return;
    }
    SaveStreamCore(stream, entry->BlockTag, entry->BlockLengthAfterFailure,
                   [this, write](vcl::TStream* s, TIKProgressContext& p) { write(s, FBitmap, *FParams, p); });
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
    const TIKFormatEntry* entry = ext.empty() ? nullptr : FindFormatEntryByExtension(ext);
    LoadFormat(entry ? entry->FormatId : int32_t(ikfUnknown), fileName);
}

void TImageKitIO::LoadFromFileOfFormat(const std::string& fileName, int32_t formatId) {
    LoadFormat(formatId, fileName);
}

void TImageKitIO::LoadFromStreamDetected(vcl::TStream* stream) {
    if (HandOff(ikjStream, [this, stream] { LoadFromStreamDetected(stream); }))
        return;
    const int64_t start = stream->GetPosition();
    const int32_t id = FindStreamFormat(stream);
    stream->SetPosition(start);
    LoadFormat(id, stream);
}

void TImageKitIO::LoadFromStreamOfFormat(vcl::TStream* stream, int32_t formatId) {
    LoadFormat(formatId, stream);
}

void TImageKitIO::SaveToFileByExtension(const std::string& fileName) {
    if (fileName.empty())
        return;
    if (HandOff(ikjFileName, [this, fileName] { SaveToFileByExtension(fileName); }))
        return;
    // Icons, cursors and metafiles have no writer.
    const std::string ext = IOCompExtension(fileName);
    const TIKFormatEntry* entry = ext.empty() ? nullptr : FindFormatEntryByExtension(ext);
    SaveFormat(entry ? entry->FormatId : int32_t(ikfUnknown), fileName);
}

void TImageKitIO::SaveToStreamOfFormat(vcl::TStream* stream, int32_t formatId) {
    SaveFormat(formatId, stream);
}

// ---- Parameters-only reads --------------------------------------------------------------------------------

void TImageKitIO::ReadParamsCore(vcl::TStream* stream, int32_t formatId, TIKReadOrigin origin) {
    TIKProgressContext progress(FAborting);
    TIKFormatReadArgs args{stream, FBitmap, *FParams, progress, ikrmParamsOnly, origin};
    const TIKFormatEntry* entry = FindFormatEntryById(formatId);
    // Nothing that can read the format: the read has not succeeded.
    if (!entry || !RunFormatRead(*entry, args))
        FAborting = true;
}

void TImageKitIO::ReadParamsFromFileOfFormat(const std::string& fileName, int32_t formatId) {
    auto finish = IOCompFinishing([this] { FinishWork(); });
    FParams->FileType = formatId;
    FParams->ClearAll();
    FAborting = true;
    try {
        vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
        FAborting = false;
        ReadParamsCore(&file, formatId, ikroFile);
    } catch (...) {
        FAborting = true;
    }
    if (FAborting)
        FParams->FileType = 0;
    FParams->FileName = fileName;
}

void TImageKitIO::ReadParamsFromStreamOfFormat(vcl::TStream* stream, int32_t formatId) {
    auto finish = IOCompFinishing([this] { FinishWork(); });
    FParams->FileType = formatId;
    FParams->ClearAll();
    FAborting = false;
    try {
        ReadParamsCore(stream, formatId, ikroStream);
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

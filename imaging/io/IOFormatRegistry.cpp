#include "imaging/io/IOFormatRegistry.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKExif.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/BmpFilter.h"
#include "imaging/io/GifFilter.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/IcoFilter.h"
#include "imaging/io/Jpeg2000Filter.h"
#include "imaging/io/JpegFilter.h"
#include "imaging/io/PcxFilter.h"
#include "imaging/io/PngFilter.h"
#include "imaging/io/PnmFilter.h"
#include "imaging/io/TgaFilter.h"
#include "imaging/io/TiffRead.h"
#include "imaging/io/TiffWrite.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace imaging {

namespace {

constexpr size_t RegistryMaxText = 80;

// ---- The built-in formats' readers and writers -----------------------------------------------------------

// The bytes from the position to the end of the stream.
int64_t RegistryRest(vcl::TStream* s) {
    return s->GetSize() - s->GetPosition();
}

// The IPTC records (APP13) and the EXIF block (APP1) of the markers a JPEG read kept. When the JFIF density
// said nothing (1 x 1) the EXIF resolution is used, per centimetre when its unit is 3.
void RegistryJpegMetadataAfterRead(TIOParamsVals& p) {
    TIKMarkerList& markers = p.JpegMarkers;
    const int32_t iptc = markers.IndexOfType(ikjmApp13Iptc);
    if (iptc >= 0)
        p.IptcRecords.LoadFromBuffer(markers.MarkerData(iptc), markers.MarkerLength(iptc));
    const int32_t exif = markers.IndexOfType(ikjmApp1Exif);
    if (exif >= 0 && IKParseExifBlock(markers.MarkerData(exif), markers.MarkerLength(exif), p) &&
        p.DpiX == 1 && p.DpiY == 1) {
        const double f = p.ExifResolutionUnit == 3 ? 2.54 : 1.0;
        const double x = std::trunc(p.ExifXResolution * f), y = std::trunc(p.ExifYResolution * f);
        if (x >= 1 && x <= INT32_MAX && y >= 1 && y <= INT32_MAX) {
            p.DpiX = int32_t(x);
            p.DpiY = int32_t(y);
        }
    }
}

// IPTC records the caller changed go out as the first APP13 marker, replacing one that is there.
void RegistryJpegMetadataBeforeWrite(TIOParamsVals& p) {
    if (!p.IptcRecords.GetUserChanged())
        return;
    const std::vector<uint8_t> block = p.IptcRecords.SaveToBuffer(true);
    TIKMarkerList& markers = p.JpegMarkers;
    const int32_t index = markers.IndexOfType(ikjmApp13Iptc);
    if (index >= 0)
        markers.SetMarker(index, ikjmApp13Iptc, block.data(), int32_t(block.size()));
    else
        markers.AddMarker(ikjmApp13Iptc, block.data(), int32_t(block.size()));
}

// Offsets of a TIFF count from where its data starts, also after a block header.
void RegistryLoadTiff(TIKFormatReadArgs& a) {
    DecodeTiffToBitmap(a.Bitmap, a.Stream, a.Count, a.Params, a.Progress, a.Mode,
                       a.Mode == ikrmParamsOnly ? nullptr : &a.Mask, ikamKeep);
    a.Params.TiffImageCount = a.Count;
}

void RegistryLoadGif(TIKFormatReadArgs& a) {
    DecodeGifToBitmap(a.Stream, a.Bitmap, a.Count, a.Params, a.Progress, a.Mode, a.Mask, ikamKeep);
    a.Params.GifImageCount = a.Count;
}

void RegistryLoadJpeg(TIKFormatReadArgs& a) {
    DecodeJpegToBitmap(a.Stream, nullptr, a.Bitmap, a.Params, a.Progress, a.Mode, ikjoConverted);
    RegistryJpegMetadataAfterRead(a.Params);
}

// Limited to a block header's length when there was one.
void RegistryLoadPcx(TIKFormatReadArgs& a) {
    const int64_t rest = RegistryRest(a.Stream);
    DecodePcxToBitmap(a.Stream, a.Bitmap, a.Params, a.BlockLength >= 0 ? std::min(a.BlockLength, rest) : rest,
                      a.Progress, a.Mode);
}

// A stream the component was handed may go on after the bitmap: there the bitmap's own header says where it
// ends (size 0). Files, and parameters-only reads, are limited by the bytes that are there.
void RegistryLoadBmp(TIKFormatReadArgs& a) {
    const bool ownHeader = a.Origin == ikroStream && a.Mode == ikrmImage;
    DecodeBmpToBitmap(a.Stream, a.Bitmap, ownHeader ? 0 : RegistryRest(a.Stream), a.Params, a.Progress,
                      a.Mode, a.Mode == ikrmParamsOnly ? nullptr : &a.Mask, ikamKeep);
}

void RegistryLoadIco(TIKFormatReadArgs& a) {
    DecodeIcoToBitmap(a.Stream, a.Bitmap, a.Params, a.Mode, a.Progress, a.Mask, ikamKeep);
}

void RegistryLoadCur(TIKFormatReadArgs& a) {
    DecodeCurToBitmap(a.Stream, a.Bitmap, a.Params, a.Mode, a.Progress, a.Mask, ikamKeep);
}

void RegistryLoadPng(TIKFormatReadArgs& a) {
    DecodePngToBitmap(a.Stream, a.Bitmap, a.Params, a.Progress, a.Mode, a.Mask, ikamKeep);
}

void RegistryLoadTga(TIKFormatReadArgs& a) {
    DecodeTgaToBitmap(a.Stream, a.Bitmap, a.Params, a.Progress, a.Mode, a.Mask, ikamKeep);
}

void RegistryLoadPnm(TIKFormatReadArgs& a) {
    DecodePnmToBitmap(a.Stream, a.Bitmap, a.Params, a.Progress, a.Mode);
}

void RegistryLoadJpeg2000(TIKFormatReadArgs& a) {
    DecodeJpeg2000ToBitmap(a.Stream, a.Bitmap, a.Params, a.Progress, a.Mode);
}

// The read callback of a built-in entry: its Load on a stream that holds the image to its end, the alpha
// it found given to the bitmap.
template <TIKFormatLoadProc Load>
void RegistryRead(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g, TIKReadMode mode) {
    TIKFormatReadArgs args{s, b, p, g, mode, ikroFile};
    Load(args);
    if (args.Mask && b->Width() > 0)
        b->GetAlphaChannel()->AssignMask(args.Mask.get());
}

// The bitmap's alpha channel as a mask for the writers that take one; null when it has none.
std::unique_ptr<TIKMask> RegistryAlphaOf(TIKBitmap* bitmap) {
    if (!bitmap->HasAlphaChannel())
        return nullptr;
    auto mask = std::make_unique<TIKMask>();
    bitmap->GetAlphaChannel()->CopyToMask(mask.get());
    return mask;
}

void RegistryWriteJpeg(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g) {
    RegistryJpegMetadataBeforeWrite(p);
    EncodeBitmapToJpeg(s, b, p, g);
}

void RegistryWritePng(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g) {
    const std::unique_ptr<TIKMask> mask = RegistryAlphaOf(b);
    EncodeBitmapToPng(s, b, p, g, mask.get());
}

void RegistryWriteTga(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g) {
    const std::unique_ptr<TIKMask> mask = RegistryAlphaOf(b);
    EncodeBitmapToTga(s, b, p, g, mask.get());
}

void RegistryWriteJp2(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g) {
    EncodeBitmapToJpeg2000(s, b, p, ikj2fJp2, g);
}

void RegistryWriteJ2k(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g) {
    EncodeBitmapToJpeg2000(s, b, p, ikj2fCodeStream, g);
}

// ---- The list --------------------------------------------------------------------------------------------

struct TFormatRegistry {
    std::mutex Lock;
    std::vector<std::unique_ptr<TIKFormatEntry>> Entries; // entries stay in place while the list grows
    bool Built = false;
};

TFormatRegistry& Registry() {
    static TFormatRegistry registry;
    return registry;
}

// The built-in formats, described once. Where a load from a file and one from a stream differ, the
// reason is given. Detection of the built-in formats is the probe sequence below, not their entries.
void RegistryAddBuiltIns(std::vector<std::unique_ptr<TIKFormatEntry>>& list) {
    const TIKFormatEntry builtIns[] = {
        {.FormatId = ikfTiff,
         .Description = "TIFF Bitmap",
         .Extensions = "TIF;TIFF;FAX;G3N;G3F",
         .Read = RegistryRead<RegistryLoadTiff>,
         .Write = EncodeBitmapToTiff,
         .Detect = NoFormatDetect,
         .Load = RegistryLoadTiff,
         .BlockTag = "TIFF",
         .BlockHeaderRead = ikbhExpected},
        // Stream loads leave a view's resolution as documented for them (GIF, BMP, ICO, CUR, TGA alike).
        {.FormatId = ikfGif,
         .Description = "CompuServe Bitmap",
         .Extensions = "GIF",
         .Read = RegistryRead<RegistryLoadGif>,
         .Write = EncodeBitmapToGif,
         .Detect = NoFormatDetect,
         .Load = RegistryLoadGif,
         .ViewDpi = ikvdFileOnly,
         .Background = iklbGif},
        // A JPEG saved with its block header reads back whatever StreamHeaders says.
        {.FormatId = ikfJpeg,
         .Description = "JPEG Bitmap",
         .Extensions = "JPG;JPEG;JPE",
         .Read = RegistryRead<RegistryLoadJpeg>,
         .Write = RegistryWriteJpeg,
         .Detect = NoFormatDetect,
         .Load = RegistryLoadJpeg,
         .BlockTag = "JFIF",
         .BlockHeaderRead = ikbhProbed},
        {.FormatId = ikfPcx,
         .Description = "PaintBrush",
         .Extensions = "PCX",
         .Read = RegistryRead<RegistryLoadPcx>,
         .Write = EncodeBitmapToPcx,
         .Detect = NoFormatDetect,
         .Load = RegistryLoadPcx,
         .BlockTag = "PCX2",
         .BlockHeaderRead = ikbhExpected,
         .OlderBlockTag = "PCX",
         .BlockLengthAfterFailure = false},
        // Stream loads: the bitmap's own header bounds the read (see RegistryLoadBmp).
        {.FormatId = ikfBmp,
         .Description = "Windows Bitmap",
         .Extensions = "BMP;DIB;RLE",
         .Read = RegistryRead<RegistryLoadBmp>,
         .Write = EncodeBitmapToBmp,
         .Detect = NoFormatDetect,
         .Load = RegistryLoadBmp,
         .ViewDpi = ikvdFileOnly},
        {.FormatId = ikfIco,
         .Description = "Windows Icon",
         .Extensions = "ICO",
         .Read = RegistryRead<RegistryLoadIco>,
         .Detect = NoFormatDetect,
         .Load = RegistryLoadIco,
         .ViewDpi = ikvdFileOnly},
        {.FormatId = ikfCur,
         .Description = "Windows Cursor",
         .Extensions = "CUR",
         .Read = RegistryRead<RegistryLoadCur>,
         .Detect = NoFormatDetect,
         .Load = RegistryLoadCur,
         .ViewDpi = ikvdFileOnly},
        {.FormatId = ikfPng,
         .Description = "Portable Network Graphics",
         .Extensions = "PNG",
         .Read = RegistryRead<RegistryLoadPng>,
         .Write = RegistryWritePng,
         .Detect = NoFormatDetect,
         .Load = RegistryLoadPng,
         .Background = iklbPng},
        {.FormatId = ikfWmf,
         .Description = "Windows Metafile",
         .Extensions = "WMF",
         .Read = NoFormatRead,
         .Detect = NoFormatDetect,
         .Metafile = true},
        {.FormatId = ikfEmf,
         .Description = "Enhanced Windows Metafile",
         .Extensions = "EMF",
         .Read = NoFormatRead,
         .Detect = NoFormatDetect,
         .Metafile = true},
        // Some programs name Targa files .win; the registry does not list it.
        {.FormatId = ikfTga,
         .Description = "Targa Bitmap",
         .Extensions = "TGA;TARGA;VDA;ICB;VST;PIX",
         .Read = RegistryRead<RegistryLoadTga>,
         .Write = RegistryWriteTga,
         .Detect = NoFormatDetect,
         .Load = RegistryLoadTga,
         .MoreExtensions = "WIN",
         .ViewDpi = ikvdFileOnly},
        {.FormatId = ikfPnm,
         .Description = "Portable Pixmap, GreyMap, BitMap",
         .Extensions = "PXM;PPM;PGM;PBM",
         .Read = RegistryRead<RegistryLoadPnm>,
         .Write = EncodeBitmapToPnm,
         .Detect = NoFormatDetect,
         .Load = RegistryLoadPnm,
         .ViewDpi = ikvdNever},
        {.FormatId = ikfJp2,
         .Description = "JPEG2000",
         .Extensions = "JP2",
         .Read = RegistryRead<RegistryLoadJpeg2000>,
         .Write = RegistryWriteJp2,
         .Detect = NoFormatDetect,
         .Load = RegistryLoadJpeg2000},
        {.FormatId = ikfJ2k,
         .Description = "JPEG2000 Code Stream",
         .Extensions = "J2K;JPC;J2C",
         .Read = RegistryRead<RegistryLoadJpeg2000>,
         .Write = RegistryWriteJ2k,
         .Detect = NoFormatDetect,
         .Load = RegistryLoadJpeg2000},
    };
    for (const TIKFormatEntry& entry : builtIns)
        list.push_back(std::make_unique<TIKFormatEntry>(entry));
}

// Builds the list on first use; the caller holds the lock.
std::vector<std::unique_ptr<TIKFormatEntry>>& RegistryEntries(TFormatRegistry& r) {
    if (!r.Built) {
        r.Built = true;
        RegistryAddBuiltIns(r.Entries);
    }
    return r.Entries;
}

// The extensions of a list, cut at each ";" from the left.
std::vector<std::string> RegistrySplit(const std::string& list) {
    std::vector<std::string> result;
    std::string rest = list;
    for (;;) {
        const size_t semicolon = rest.find(';');
        const std::string next = rest.substr(0, semicolon);
        if (next.empty())
            break;
        result.push_back(next);
        if (semicolon == std::string::npos)
            break;
        rest = rest.substr(semicolon + 1);
    }
    return result;
}

// ---- Signature probes ------------------------------------------------------------------------------------

// Reads count bytes at the start position and goes back there; false unless all of them were read.
bool RegistryPeek(vcl::TStream* stream, int64_t start, uint8_t* bytes, int32_t count) {
    std::memset(bytes, 0, size_t(count));
    const bool read = stream->Read(bytes, count) == count;
    stream->SetPosition(start);
    return read;
}

// The bytes up to the first 0 byte.
std::string RegistryText(const uint8_t* bytes, size_t count) {
    size_t n = 0;
    while (n < count && bytes[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(bytes), n);
}

int32_t RegistryProbe(vcl::TStream* stream) {
    const int64_t start = stream->GetPosition();
    const int64_t size = stream->GetSize();
    uint8_t b[128];
    if (size > 12 && RegistryPeek(stream, start, b, 12) && RegistryText(b, 5) == "JFIF")
        return ikfJpeg;
    if (size > 13 && RegistryPeek(stream, start, b, 13) && std::memcmp(b, "GIF", 3) == 0)
        return ikfGif;
    if (size > 12 && RegistryPeek(stream, start, b, 12) && RegistryText(b, 5) == "PCX2")
        return ikfPcx;
    if (size > 4 && RegistryPeek(stream, start, b, 4) && RegistryText(b, 4) == "PCX")
        return ikfPcx;
    if (size > 14 && RegistryPeek(stream, start, b, 14) && b[0] == 'B' && b[1] == 'M')
        return ikfBmp;
    if (size > 128 && RegistryPeek(stream, start, b, 128) && b[0] == 0x0A && b[1] <= 5)
        return ikfPcx;
    if (size > 12 && RegistryPeek(stream, start, b, 12) && RegistryText(b, 5) == "TIFF")
        return ikfTiff;
    if (size > 8 && RegistryPeek(stream, start, b, 8) &&
        ((b[0] == 'I' && b[1] == 'I') || (b[0] == 'M' && b[1] == 'M')))
        return ikfTiff;
    if (size > 8 && IsPngStream(stream))
        return ikfPng;
    stream->SetPosition(start);
    if (IsIcoStream(stream))
        return ikfIco;
    if (IsCurStream(stream))
        return ikfCur;
    if (IsTgaStream(stream))
        return ikfTga;
    if (IsPnmStream(stream))
        return ikfPnm;
    stream->SetPosition(start);
    if (LocateJpegSignature(stream) >= 0)
        return ikfJpeg;
    stream->SetPosition(start);
    if (IsJp2Stream(stream))
        return ikfJp2;
    if (IsJ2kStream(stream))
        return ikfJ2k;
    return ikfUnknown;
}

} // namespace

void NoFormatRead(vcl::TStream*, TIKBitmap*, TIOParamsVals&, TIKProgressContext& progress, TIKReadMode) {
    progress.SetAborting();
}

void NoFormatWrite(vcl::TStream*, TIKBitmap*, TIOParamsVals&, TIKProgressContext& progress) {
    progress.SetAborting();
}

bool NoFormatDetect(vcl::TStream*) {
    return false;
}

bool RunFormatRead(const TIKFormatEntry& entry, TIKFormatReadArgs& args) {
    if (entry.Load)
        entry.Load(args);
    else if (entry.Read)
        entry.Read(args.Stream, args.Bitmap, args.Params, args.Progress, args.Mode);
    else
        return false;
    return true;
}

int32_t RegisterFormatEntry(const TIKFormatEntry& entry) {
    TFormatRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    auto copy = std::make_unique<TIKFormatEntry>(entry);
    copy->Description = copy->Description.substr(0, RegistryMaxText);
    copy->Extensions = copy->Extensions.substr(0, RegistryMaxText);
    copy->MoreExtensions = copy->MoreExtensions.substr(0, RegistryMaxText);
    auto& list = RegistryEntries(r);
    list.push_back(std::move(copy));
    return int32_t(list.size()) - 1;
}

const TIKFormatEntry* FindFormatEntryById(int32_t id) {
    TFormatRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    for (const auto& entry : RegistryEntries(r))
        if (entry->FormatId == id)
            return entry.get();
    return nullptr;
}

const TIKFormatEntry* FindFormatEntryByExtension(const std::string& ext) {
    const std::string wanted = vcl::LowerCase(ext);
    TFormatRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    for (const auto& entry : RegistryEntries(r))
        for (const std::string* list : {&entry->Extensions, &entry->MoreExtensions})
            for (const std::string& listed : RegistrySplit(*list))
                if (vcl::LowerCase(listed) == wanted)
                    return entry.get();
    return nullptr;
}

int32_t FormatExtensionCount(int32_t id) {
    const TIKFormatEntry* entry = FindFormatEntryById(id);
    return entry ? int32_t(RegistrySplit(entry->Extensions).size()) : 0;
}

std::string FormatExtensionAt(int32_t id, int32_t index) {
    const TIKFormatEntry* entry = FindFormatEntryById(id);
    if (!entry || index < 0)
        return std::string();
    const std::vector<std::string> list = RegistrySplit(entry->Extensions);
    return size_t(index) < list.size() ? list[size_t(index)] : std::string();
}

int32_t FindStreamFormat(vcl::TStream* stream) {
    int64_t start = 0;
    try {
        start = stream->GetPosition();
    } catch (const vcl::Exception&) {
        return ikfUnknown;
    }
    int32_t result = ikfUnknown;
    try {
        std::vector<TIKFormatEntry> entries;
        {
            TFormatRegistry& r = Registry();
            std::lock_guard<std::mutex> guard(r.Lock);
            for (const auto& entry : RegistryEntries(r))
                entries.push_back(*entry);
        }
        for (const TIKFormatEntry& entry : entries) {
            if (!entry.Detect)
                continue;
            stream->SetPosition(start);
            const bool found = entry.Detect(stream);
            stream->SetPosition(start);
            if (found) {
                result = entry.FormatId;
                break;
            }
        }
        if (result == ikfUnknown)
            result = RegistryProbe(stream);
    } catch (const vcl::Exception&) {
        // A stream that fails while probed keeps what was found so far.
    }
    try {
        stream->SetPosition(start);
    } catch (const vcl::Exception&) {
    }
    return result;
}

int32_t FindFileFormat(const std::string& fileName, bool checkExtension) {
    int32_t result = ikfUnknown;
    try {
        vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
        result = FindStreamFormat(&file);
    } catch (const vcl::Exception&) {
        return ikfUnknown;
    }
    if (!checkExtension || result == ikfUnknown)
        return result;
    const size_t slash = fileName.find_last_of('/');
    const size_t dot = fileName.find_last_of('.');
    const std::string ext = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                                ? fileName.substr(dot + 1)
                                : "";
    const TIKFormatEntry* entry = FindFormatEntryByExtension(ext);
    if (!entry)
        return ikfUnknown;
    if (result == ikfIco || result == ikfCur)
        return entry->FormatId;
    return result == entry->FormatId ? result : ikfUnknown;
}

void BuildFormatRegistry() {
    TFormatRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    r.Entries.clear();
    r.Built = true;
    RegistryAddBuiltIns(r.Entries);
}

void FreeFormatRegistry() {
    TFormatRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    r.Entries.clear();
    r.Built = true;
}

} // namespace imaging

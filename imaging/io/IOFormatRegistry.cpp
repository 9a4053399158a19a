#include "imaging/io/IOFormatRegistry.h"

#include "imaging/core/IKBitmap.h"
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
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace imaging {

namespace {

constexpr size_t RegistryMaxText = 80;

// ---- Filters as registry callbacks ------------------------------------------------------------------------

// Gives a mask a reader produced to the bitmap as its alpha channel.
void RegistryTakeAlpha(TIKBitmap* bitmap, const std::unique_ptr<TIKMask>& mask) {
    if (mask && bitmap->Width() > 0)
        bitmap->GetAlphaChannel()->AssignMask(mask.get());
}

// The bitmap's alpha channel as a mask for the writers that take one; null when it has none.
std::unique_ptr<TIKMask> RegistryAlphaOf(TIKBitmap* bitmap) {
    if (!bitmap->HasAlphaChannel())
        return nullptr;
    auto mask = std::make_unique<TIKMask>();
    bitmap->GetAlphaChannel()->CopyToMask(mask.get());
    return mask;
}

void RegistryReadJpeg(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g, bool only) {
    DecodeJpegToBitmap(s, nullptr, b, p, g, only, false);
}

void RegistryReadGif(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g, bool only) {
    std::unique_ptr<TIKMask> mask;
    int32_t count = 0;
    DecodeGifToBitmap(s, b, count, p, g, only, mask, false);
    p.GifImageCount = count;
    RegistryTakeAlpha(b, mask);
}

void RegistryReadPcx(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g, bool only) {
    DecodePcxToBitmap(s, b, p, s->GetSize() - s->GetPosition(), g, only);
}

void RegistryReadBmp(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g, bool only) {
    DecodeBmpToBitmap(s, b, s->GetSize() - s->GetPosition(), p, g, only);
}

void RegistryReadIco(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g, bool only) {
    std::unique_ptr<TIKMask> mask;
    DecodeIcoToBitmap(s, b, p, only, g, mask, false);
    RegistryTakeAlpha(b, mask);
}

void RegistryReadCur(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g, bool only) {
    std::unique_ptr<TIKMask> mask;
    DecodeCurToBitmap(s, b, p, only, g, mask, false);
    RegistryTakeAlpha(b, mask);
}

void RegistryReadPng(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g, bool only) {
    std::unique_ptr<TIKMask> mask;
    DecodePngToBitmap(s, b, p, g, only, mask, false);
    RegistryTakeAlpha(b, mask);
}

void RegistryReadTga(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g, bool only) {
    std::unique_ptr<TIKMask> mask;
    DecodeTgaToBitmap(s, b, p, g, only, mask, false);
    RegistryTakeAlpha(b, mask);
}

void RegistryReadTiff(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g, bool only) {
    std::unique_ptr<TIKMask> mask;
    int32_t pages = 0;
    DecodeTiffToBitmap(b, s, pages, p, g, only, &mask, false, false);
    p.TiffImageCount = pages;
    RegistryTakeAlpha(b, mask);
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
    EncodeBitmapToJpeg2000(s, b, p, 0, g);
}

void RegistryWriteJ2k(vcl::TStream* s, TIKBitmap* b, TIOParamsVals& p, TIKProgressContext& g) {
    EncodeBitmapToJpeg2000(s, b, p, 1, g);
}

// ---- The list
// ----------------------------------------------------------------------------------------------

struct TFormatRegistry {
    std::mutex Lock;
    std::vector<std::unique_ptr<TIKFormatEntry>> Entries; // entries stay in place while the list grows
    bool Built = false;
};

TFormatRegistry& Registry() {
    static TFormatRegistry registry;
    return registry;
}

void RegistryAddBuiltIns(std::vector<std::unique_ptr<TIKFormatEntry>>& list) {
    const TIKFormatEntry builtIns[] = {
        {ikfTiff, "TIFF Bitmap", "TIF;TIFF;FAX;G3N;G3F", RegistryReadTiff, EncodeBitmapToTiff,
         NoFormatDetect},
        {ikfGif, "CompuServe Bitmap", "GIF", RegistryReadGif, EncodeBitmapToGif, NoFormatDetect},
        {ikfJpeg, "JPEG Bitmap", "JPG;JPEG;JPE", RegistryReadJpeg, EncodeBitmapToJpeg, NoFormatDetect},
        {ikfPcx, "PaintBrush", "PCX", RegistryReadPcx, EncodeBitmapToPcx, NoFormatDetect},
        {ikfBmp, "Windows Bitmap", "BMP;DIB;RLE", RegistryReadBmp, EncodeBitmapToBmp, NoFormatDetect},
        {ikfIco, "Windows Icon", "ICO", RegistryReadIco, nullptr, NoFormatDetect},
        {ikfCur, "Windows Cursor", "CUR", RegistryReadCur, nullptr, NoFormatDetect},
        {ikfPng, "Portable Network Graphics", "PNG", RegistryReadPng, RegistryWritePng, NoFormatDetect},
        {ikfWmf, "Windows Metafile", "WMF", NoFormatRead, nullptr, NoFormatDetect},
        {ikfEmf, "Enhanced Windows Metafile", "EMF", NoFormatRead, nullptr, NoFormatDetect},
        {ikfTga, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", RegistryReadTga, RegistryWriteTga,
         NoFormatDetect},
        {ikfPnm, "Portable Pixmap, GreyMap, BitMap", "PXM;PPM;PGM;PBM", DecodePnmToBitmap, EncodeBitmapToPnm,
         NoFormatDetect},
        {ikfJp2, "JPEG2000", "JP2", DecodeJpeg2000ToBitmap, RegistryWriteJp2, NoFormatDetect},
        {ikfJ2k, "JPEG2000 Code Stream", "J2K;JPC;J2C", DecodeJpeg2000ToBitmap, RegistryWriteJ2k,
         NoFormatDetect},
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

std::string RegistryLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
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

void NoFormatRead(vcl::TStream*, TIKBitmap*, TIOParamsVals&, TIKProgressContext& progress, bool) {
    progress.SetAborting();
}

void NoFormatWrite(vcl::TStream*, TIKBitmap*, TIOParamsVals&, TIKProgressContext& progress) {
    progress.SetAborting();
}

bool NoFormatDetect(vcl::TStream*) {
    return false;
}

int32_t RegisterFormatEntry(const TIKFormatEntry& entry) {
    TFormatRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    auto copy = std::make_unique<TIKFormatEntry>(entry);
    copy->Description = copy->Description.substr(0, RegistryMaxText);
    copy->Extensions = copy->Extensions.substr(0, RegistryMaxText);
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
    const std::string wanted = RegistryLower(ext);
    TFormatRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    for (const auto& entry : RegistryEntries(r))
        for (const std::string& listed : RegistrySplit(entry->Extensions))
            if (RegistryLower(listed) == wanted)
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

#include "imaging/io/TiffRead.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOFilterSupport.h"
#include "platform/vcl/ImageBudget.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

namespace imaging {

namespace {

// Byte sizes of the TIFF field types (0 for unknown types).
int32_t TiffTypeSize(uint16_t type) {
    switch (type) {
    case 1: // BYTE
    case 2: // ASCII
    case 6: // SBYTE
    case 7: // UNDEFINED
        return 1;
    case 3: // SHORT
    case 8: // SSHORT
        return 2;
    case 4:  // LONG
    case 9:  // SLONG
    case 11: // FLOAT
    case 13: // IFD
        return 4;
    case 5:  // RATIONAL
    case 10: // SRATIONAL
    case 12: // DOUBLE
        return 8;
    default:
        return 0;
    }
}

// A chain longer than this is taken as broken.
constexpr int32_t TiffMaxIfds = 65536;

} // namespace

// ---- TTiffIfdContext -------------------------------------------------------------------------------------
uint16_t TTiffIfdContext::Get16(const uint8_t* p) const {
    return LittleEndian ? uint16_t(p[0] | p[1] << 8) : uint16_t(p[0] << 8 | p[1]);
}

uint32_t TTiffIfdContext::Get32(const uint8_t* p) const {
    return LittleEndian ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24
                        : uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

bool TTiffIfdContext::ReadAt(int64_t offset, void* dest, int64_t size) const {
    if (!Stream || offset < 0 || size < 0 || Base + offset + size > StreamSize || size > INT32_MAX)
        return false;
    if (size == 0)
        return true;
    Stream->Seek(Base + offset, vcl::soBeginning);
    return Stream->Read(dest, int32_t(size)) == int32_t(size);
}

int32_t TTiffIfdContext::FindTiffTag(uint16_t tag) const {
    for (size_t i = 0; i < Entries.size(); ++i)
        if (Entries[i].Tag == tag)
            return int32_t(i);
    return -1;
}

const uint8_t* TTiffIfdContext::ValueBytes(const TTiffEntry& entry, int32_t index, int32_t size,
                                           uint8_t* scratch) const {
    if (index < 0 || uint32_t(index) >= entry.Count)
        return nullptr;
    if (int64_t(entry.Count) * TiffTypeSize(entry.Type) <= 4)
        return entry.Value + index * size;
    int64_t offset = int64_t(Get32(entry.Value)) + int64_t(index) * size;
    return ReadAt(offset, scratch, size) ? scratch : nullptr;
}

uint32_t TTiffIfdContext::TiffEntryValueAt(const TTiffEntry& entry, int32_t index) const {
    uint8_t scratch[8];
    int32_t size = TiffTypeSize(entry.Type);
    if (entry.Type == 2 || entry.Type == 5 || entry.Type == 10 || (entry.Type >= 11 && entry.Type != 13))
        return 0;
    const uint8_t* p = size ? ValueBytes(entry, index, size, scratch) : nullptr;
    if (!p)
        return 0;
    switch (size) {
    case 1:
        return p[0];
    case 2:
        return Get16(p);
    default:
        return Get32(p);
    }
}

uint32_t TTiffIfdContext::TiffTagValueAt(uint16_t tag, int32_t index) const {
    int32_t i = FindTiffTag(tag);
    return i < 0 ? 0 : TiffEntryValueAt(Entries[size_t(i)], index);
}

uint32_t TTiffIfdContext::TiffTagValue(uint16_t tag, uint32_t def) const {
    int32_t i = FindTiffTag(tag);
    if (i < 0 || Entries[size_t(i)].Count == 0)
        return def;
    const TTiffEntry& e = Entries[size_t(i)];
    if (TiffTypeSize(e.Type) == 0 || e.Type == 2 || e.Type == 5 || e.Type == 10 || e.Type == 11 ||
        e.Type == 12)
        return def;
    return TiffEntryValueAt(e, 0);
}

double TTiffIfdContext::TiffTagRationalAt(uint16_t tag, int32_t index) const {
    int32_t i = FindTiffTag(tag);
    if (i < 0)
        return 0;
    const TTiffEntry& e = Entries[size_t(i)];
    uint8_t scratch[8];
    if (e.Type == 5 || e.Type == 10) {
        const uint8_t* p = ValueBytes(e, index, 8, scratch);
        if (!p)
            return 0;
        uint32_t num = Get32(p), den = Get32(p + 4);
        if (e.Type == 10)
            return double(int32_t(num)) / (den == 0 ? 1.0 : double(int32_t(den)));
        return double(num) / (den == 0 ? 1.0 : double(den));
    }
    // Some writers store whole numbers where a rational is due.
    if (e.Type == 3 || e.Type == 4)
        return double(TiffEntryValueAt(e, index));
    return 0;
}

std::vector<uint32_t> TTiffIfdContext::ReadTiffTagArray(uint16_t tag, bool* ok) const {
    if (ok)
        *ok = true;
    std::vector<uint32_t> values;
    int32_t i = FindTiffTag(tag);
    if (i < 0)
        return values;
    const TTiffEntry& e = Entries[size_t(i)];
    int32_t size = TiffTypeSize(e.Type);
    if ((e.Type != 3 && e.Type != 4 && e.Type != 13 && e.Type != 1) || e.Count == 0) {
        if (ok)
            *ok = e.Count == 0;
        return values;
    }
    int64_t bytes = int64_t(e.Count) * size;
    std::vector<uint8_t> raw;
    const uint8_t* p = e.Value;
    if (bytes > 4) {
        // The values must lie inside the stream before anything is allocated for them.
        int64_t offset = Get32(e.Value);
        if (Base + offset + bytes > StreamSize) {
            if (ok)
                *ok = false;
            return values;
        }
        raw.resize(size_t(bytes));
        if (!ReadAt(offset, raw.data(), bytes)) {
            if (ok)
                *ok = false;
            return values;
        }
        p = raw.data();
    }
    values.resize(e.Count);
    for (uint32_t k = 0; k < e.Count; ++k)
        values[k] = size == 1 ? p[k] : size == 2 ? Get16(p + 2 * k) : Get32(p + 4 * k);
    return values;
}

std::vector<uint8_t> TTiffIfdContext::ReadTiffTagBlock(uint16_t tag) const {
    std::vector<uint8_t> block;
    int32_t i = FindTiffTag(tag);
    if (i < 0)
        return block;
    const TTiffEntry& e = Entries[size_t(i)];
    int64_t bytes = int64_t(e.Count) * std::max(1, TiffTypeSize(e.Type));
    if (bytes <= 4 && TiffTypeSize(e.Type) != 0)
        return std::vector<uint8_t>(e.Value, e.Value + bytes);
    int64_t offset = Get32(e.Value);
    if (Base + offset + bytes > StreamSize)
        return block;
    block.resize(size_t(bytes));
    if (!ReadAt(offset, block.data(), bytes))
        block.clear();
    return block;
}

std::string TTiffIfdContext::ReadTiffTagString(uint16_t tag) const {
    int32_t i = FindTiffTag(tag);
    if (i < 0 || Entries[size_t(i)].Type != 2)
        return {};
    std::vector<uint8_t> block = ReadTiffTagBlock(tag);
    auto end = std::find(block.begin(), block.end(), 0);
    return std::string(block.begin(), end);
}

std::string TTiffIfdContext::ReadTiffInlineString(uint16_t tag) const {
    int32_t i = FindTiffTag(tag);
    if (i < 0)
        return {};
    const TTiffEntry& e = Entries[size_t(i)];
    if (e.Count > 4 || TiffTypeSize(e.Type) != 1)
        return {};
    return std::string(reinterpret_cast<const char*>(e.Value), e.Count);
}

std::vector<TIKColorTriple> TTiffIfdContext::ReadTiffColorMap(int32_t bitsPerSample) const {
    std::vector<TIKColorTriple> map;
    bool ok = true;
    std::vector<uint32_t> values = ReadTiffTagArray(320, &ok);
    if (values.size() < 3 || bitsPerSample < 1 || bitsPerSample > 16)
        return map;
    // 2^bits entries as the page declares, but never more than the tag holds nor more than 256.
    int64_t n = std::min<int64_t>({int64_t(1) << bitsPerSample, int64_t(values.size() / 3), 256});
    map.resize(size_t(n));
    size_t stride = values.size() / 3;
    for (size_t k = 0; k < size_t(n); ++k)
        map[k] = TIKColorTriple{uint8_t(values[k + 2 * stride] >> 8), uint8_t(values[k + stride] >> 8),
                                uint8_t(values[k] >> 8)};
    return map;
}

bool TTiffIfdContext::ReadTiffBitsPerSample(int32_t& bits) const {
    bits = 1;
    std::vector<uint32_t> values = ReadTiffTagArray(258);
    if (values.empty())
        return true;
    for (uint32_t v : values)
        if (v != values[0])
            return false;
    bits = int32_t(std::min<uint32_t>(values[0], 255));
    return true;
}

// ---- The IFD chain ---------------------------------------------------------------------------------------
bool WalkTiffIfds(int32_t index, uint32_t firstOffset, TTiffIfdContext& ifd, int32_t& count) {
    count = 0;
    ifd.Entries.clear();
    bool loaded = false;
    std::set<uint32_t> visited;
    uint32_t offset = firstOffset;
    while (offset != 0 && count < TiffMaxIfds && visited.insert(offset).second) {
        uint8_t b[4];
        if (!ifd.ReadAt(offset, b, 2))
            break;
        uint16_t n = ifd.Get16(b);
        if (count == index) {
            std::vector<uint8_t> raw(size_t(n) * 12);
            if (!ifd.ReadAt(int64_t(offset) + 2, raw.data(), int64_t(raw.size())))
                break;
            ifd.Entries.resize(n);
            for (size_t k = 0; k < n; ++k) {
                const uint8_t* p = raw.data() + k * 12;
                TTiffEntry& e = ifd.Entries[k];
                e.Tag = ifd.Get16(p);
                e.Type = ifd.Get16(p + 2);
                e.Count = ifd.Get32(p + 4);
                std::memcpy(e.Value, p + 8, 4);
            }
            loaded = true;
        } else if (int64_t(offset) + 2 + int64_t(n) * 12 > ifd.StreamSize - ifd.Base) {
            break; // an IFD cut off by the end of the stream is not counted
        }
        ++count;
        uint32_t next = 0;
        if (ifd.ReadAt(int64_t(offset) + 2 + int64_t(n) * 12, b, 4))
            next = ifd.Get32(b);
        offset = next == offset ? 0 : next;
    }
    return loaded;
}

void ReadTiffIptc(const TTiffIfdContext& ifd, TIOParamsVals& params) {
    params.IptcRecords.Clear();
    int32_t i = ifd.FindTiffTag(33723);
    if (i < 0)
        return;
    const TTiffEntry& e = ifd.Entries[size_t(i)];
    // Writers declare the block as LONGs, BYTEs or UNDEFINED; its size in bytes is what counts.
    int64_t bytes = int64_t(e.Count) * std::max(1, TiffTypeSize(e.Type));
    std::vector<uint8_t> block;
    if (bytes <= 4) {
        block.assign(e.Value, e.Value + bytes);
    } else {
        int64_t offset = ifd.Get32(e.Value);
        if (ifd.Base + offset + bytes > ifd.StreamSize)
            return;
        block.resize(size_t(bytes));
        if (!ifd.ReadAt(offset, block.data(), bytes))
            return;
    }
    params.IptcRecords.LoadFromBuffer(block.data(), int32_t(block.size()));
}

// ---- Reading a page --------------------------------------------------------------------------------------
namespace {

void TiffFillVars(const TTiffIfdContext& ifd, TTIFFVars& v) {
    v.ImageWidth = int32_t(std::min<uint32_t>(ifd.TiffTagValue(256, 0), INT32_MAX));
    v.ImageLength = int32_t(std::min<uint32_t>(ifd.TiffTagValue(257, 0), INT32_MAX));
    v.SamplesPerPixel = int32_t(std::min<uint32_t>(ifd.TiffTagValue(277, 1), 65535));
    uint32_t rows = ifd.TiffTagValue(278, uint32_t(v.ImageLength));
    v.RowsPerStrip = rows == 0 || rows > uint32_t(v.ImageLength) ? v.ImageLength : int32_t(rows);
    v.TileWidth =
        ifd.FindTiffTag(322) >= 0 ? int32_t(std::min<uint32_t>(ifd.TiffTagValue(322, 0), INT32_MAX)) : -1;
    v.TileLength =
        ifd.FindTiffTag(323) >= 0 ? int32_t(std::min<uint32_t>(ifd.TiffTagValue(323, 0), INT32_MAX)) : -1;
    v.Photometric = uint16_t(ifd.TiffTagValue(262, 2));
    v.PlanarConfig = uint16_t(ifd.TiffTagValue(284, 1));
    v.Orientation = uint16_t(ifd.TiffTagValue(274, 1));
    v.Compression = uint16_t(ifd.TiffTagValue(259, 1));
    v.TransferFunction = ifd.ReadTiffTagArray(301);
    v.ResolutionUnit = int32_t(ifd.TiffTagValue(296, 2));
    v.XResolution = ifd.TiffTagRational(282);
    v.YResolution = ifd.TiffTagRational(283);
    v.Predictor = int32_t(ifd.TiffTagValue(317, 1));
    v.JPEGTables = ifd.ReadTiffTagBlock(347);
    v.T4Options = int32_t(ifd.TiffTagValue(292, 0));
    v.T6Options = int32_t(ifd.TiffTagValue(293, 0));
    v.FillOrder = int32_t(ifd.TiffTagValue(266, 1));
    v.XPosition = ifd.TiffTagRational(286);
    v.YPosition = ifd.TiffTagRational(287);
    v.DocumentName = ifd.ReadTiffTagString(269);
    v.ImageDescription = ifd.ReadTiffTagString(270);
    v.PageName = ifd.ReadTiffTagString(285);
    v.PageNumber[0] = int32_t(ifd.TiffTagValueAt(297, 0));
    v.PageNumber[1] = int32_t(ifd.TiffTagValueAt(297, 1));
    v.Software = ifd.ReadTiffTagString(305);
    v.InkSet = int32_t(ifd.TiffTagValue(332, 1));
    v.NumberOfInks = int32_t(ifd.TiffTagValue(334, 4));
    for (int32_t k = 0; k < 8; ++k)
        v.DotRange[k] = int32_t(ifd.TiffTagValueAt(336, k));
    v.JPEGProc = int32_t(ifd.TiffTagValue(512, 0));
    v.JPEGInterchangeFormat = int32_t(std::min<uint32_t>(ifd.TiffTagValue(513, 0), INT32_MAX));
    v.JPEGInterchangeFormatLength = int32_t(std::min<uint32_t>(ifd.TiffTagValue(514, 0), INT32_MAX));
    v.JPEGRestartInterval = int32_t(ifd.TiffTagValue(515, 0));
    for (int32_t k = 0; k < 7; ++k) {
        v.JPEGLosslessPredictors[k] = int32_t(ifd.TiffTagValueAt(517, k));
        v.JPEGPointTransforms[k] = int32_t(ifd.TiffTagValueAt(518, k));
        v.JPEGQTables[k] = int32_t(ifd.TiffTagValueAt(519, k));
        v.JPEGDCTables[k] = int32_t(ifd.TiffTagValueAt(520, k));
        v.JPEGACTables[k] = int32_t(ifd.TiffTagValueAt(521, k));
    }
    v.ExtraSamples = int32_t(ifd.TiffTagValue(338, 0));
    v.SampleFormat = int32_t(ifd.TiffTagValue(339, 1));
    v.LittleEndian = ifd.LittleEndian;
}

uint8_t TiffCompressionParam(uint16_t compression, int32_t t4Options) {
    switch (compression) {
    case 1:
        return 0;
    case 2:
        return 1;
    case 3:
        return (t4Options & 1) ? 3 : 2;
    case 4:
        return 4;
    case 5:
        return 5;
    case 6:
        return 6;
    case 7:
        return 7;
    case 32773:
        return 8;
    default:
        return 9;
    }
}

void TiffFillParams(const TTiffIfdContext& ifd, const TTiffIfdContext* exif, const TTIFFVars& v,
                    int32_t pageCount, TIOParamsVals& p) {
    p.BitsPerSample = v.BitsPerSample;
    p.SamplesPerPixel = v.SamplesPerPixel;
    p.Width = v.ImageWidth;
    p.Height = v.ImageLength;
    p.TiffImageCount = pageCount;
    p.TiffOrientation = v.Orientation;
    p.ExifOrientation = v.Orientation;
    p.TiffCompression = TiffCompressionParam(v.Compression, v.T4Options);
    if (v.Photometric <= 6)
        p.TiffPhotometric = uint8_t(v.Photometric);
    else if (v.Photometric == 8)
        p.TiffPhotometric = iktpCieLab;
    p.TiffPlanarConfig = v.PlanarConfig;
    p.TiffDocumentName = v.DocumentName;
    p.TiffImageDescription = v.ImageDescription;
    p.TiffPageName = v.PageName;
    p.TiffPageNumber = v.PageNumber[0];
    p.TiffPageCount = v.PageNumber[1];
    p.ExifMake = ifd.ReadTiffTagString(271);
    p.ExifModel = ifd.ReadTiffTagString(272);
    p.ExifDateTime = ifd.ReadTiffTagString(306);
    p.ExifXResolution = v.XResolution;
    p.ExifYResolution = v.YResolution;
    p.ExifResolutionUnit = v.ResolutionUnit;
    p.ExifSoftware = v.Software;
    for (int32_t k = 0; k < 2; ++k)
        p.ExifWhitePoint[k] = ifd.TiffTagRationalAt(318, k);
    for (int32_t k = 0; k < 6; ++k)
        p.ExifPrimaryChromaticities[k] = ifd.TiffTagRationalAt(319, k);
    for (int32_t k = 0; k < 3; ++k)
        p.ExifYCbCrCoefficients[k] = ifd.TiffTagRationalAt(529, k);
    p.ExifYCbCrPositioning = int32_t(ifd.TiffTagValue(531, 0));
    for (int32_t k = 0; k < 6; ++k)
        p.ExifReferenceBlackWhite[k] = ifd.TiffTagRationalAt(532, k);
    p.ExifCopyright = ifd.ReadTiffTagString(33432);

    // The EXIF IFD's fields; a page without one gives zeros and empty texts.
    TTiffIfdContext none;
    const TTiffIfdContext& e = exif ? *exif : none;
    p.ExifExposureTime = e.TiffTagRational(33434);
    p.ExifFNumber = e.TiffTagRational(33437);
    p.ExifExposureProgram = int32_t(e.TiffTagValue(34850, 0));
    p.ExifIsoSpeedRatings[0] = int32_t(e.TiffTagValueAt(34855, 0));
    p.ExifIsoSpeedRatings[1] = int32_t(e.TiffTagValueAt(34855, 1));
    p.ExifVersion = e.ReadTiffInlineString(36864);
    p.ExifFlashPixVersion = e.ReadTiffInlineString(40960);
    p.ExifDateTimeOriginal = e.ReadTiffTagString(36867);
    p.ExifDateTimeDigitized = e.ReadTiffTagString(36868);
    p.ExifCompressedBitsPerPixel = e.TiffTagRational(37122);
    p.ExifShutterSpeedValue = e.TiffTagRational(37377);
    p.ExifApertureValue = e.TiffTagRational(37378);
    p.ExifBrightnessValue = e.TiffTagRational(37379);
    p.ExifExposureBiasValue = e.TiffTagRational(37380);
    p.ExifMaxApertureValue = e.TiffTagRational(37381);
    p.ExifSubjectDistance = e.TiffTagRational(37382);
    p.ExifFocalLength = e.TiffTagRational(37386);
    p.ExifMeteringMode = int32_t(e.TiffTagValue(37383, 0));
    p.ExifLightSource = int32_t(e.TiffTagValue(37384, 0));
    p.ExifFlash = int32_t(e.TiffTagValue(37385, 0));
    p.ExifSubsecTime = e.ReadTiffTagString(37520);
    p.ExifSubsecTimeOriginal = e.ReadTiffTagString(37521);
    p.ExifSubsecTimeDigitized = e.ReadTiffTagString(37522);
    p.ExifColorSpace = int32_t(e.TiffTagValue(40961, 0));
    p.ExifPixelXDimension = int32_t(e.TiffTagValue(40962, 0));
    p.ExifPixelYDimension = int32_t(e.TiffTagValue(40963, 0));
    p.ExifRelatedSoundFile = e.ReadTiffTagString(40964);
    p.ExifFocalPlaneXResolution = e.TiffTagRational(41486);
    p.ExifFocalPlaneYResolution = e.TiffTagRational(41487);
    p.ExifFocalPlaneResolutionUnit = int32_t(e.TiffTagValue(41488, 0));
    p.ExifSensingMethod = int32_t(e.TiffTagValue(41495, 0));
    p.ExifFileSource = int32_t(e.TiffTagValue(41728, 0));
    p.ExifSceneType = int32_t(e.TiffTagValue(41729, 0));
    p.ExifExposureIndex = e.TiffTagRational(41493);
    // The user comment: an 8-character code naming its character set, then the text.
    std::vector<uint8_t> comment = e.ReadTiffTagBlock(37510);
    std::string text(comment.begin(), comment.end());
    p.ExifUserCommentCode = text.substr(0, std::min<size_t>(8, text.size()));
    p.ExifUserComment = text.size() > 8 ? text.substr(8) : std::string();
    ReadTiffIptc(ifd, p);
}

// Transposes a 24-bit or one-bit bitmap (pixel x, y moves to y, x).
void TiffTransposeBitmap(TIKBitmap* bitmap) {
    int32_t w = bitmap->Width(), h = bitmap->Height();
    TIKBitmapFormat format = bitmap->PixelFormat();
    if (format != ikbf24Bit && format != ikbf1Bit)
        return;
    // The source rows are gathered first: a mapped bitmap gives one row at a time.
    int64_t rowBytes = format == ikbf24Bit ? int64_t(w) * 3 : (int64_t(w) + 7) / 8;
    std::vector<uint8_t> source(size_t(rowBytes * h));
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(source.data() + y * rowBytes, bitmap->ScanLine(y), size_t(rowBytes));
    bitmap->Allocate(h, w, format);
    for (int32_t y = 0; y < w; ++y) {
        uint8_t* row = bitmap->ScanLine(y);
        for (int32_t x = 0; x < h; ++x) {
            const uint8_t* src = source.data() + x * rowBytes;
            if (format == ikbf24Bit)
                std::memcpy(row + x * 3, src + y * 3, 3);
            else
                IKPutBit(row, x, IKTestBit(src, y));
        }
    }
}

void TiffTransposeMask(TIKMask* mask) {
    int32_t w = mask->GetWidth(), h = mask->GetHeight();
    if (mask->GetBitsPerPixel() != 8)
        return;
    std::vector<uint8_t> source(size_t(int64_t(w) * h));
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(source.data() + int64_t(y) * w, mask->ScanLine(y), size_t(w));
    bool full = mask->GetFull();
    mask->Allocate(h, w, 8);
    for (int32_t y = 0; y < w; ++y) {
        uint8_t* row = mask->ScanLine(y);
        for (int32_t x = 0; x < h; ++x)
            row[x] = source[size_t(int64_t(x) * w + y)];
    }
    mask->SetBox(0, 0, h - 1, w - 1);
    mask->SetFull(full);
}

// direction 0 mirrors left-right, 1 top-bottom.
void TiffFlipMask(TIKMask* mask, int32_t direction) {
    int32_t w = mask->GetWidth(), h = mask->GetHeight();
    if (mask->GetBitsPerPixel() != 8)
        return;
    if (direction == 0) {
        for (int32_t y = 0; y < h; ++y)
            std::reverse(mask->ScanLine(y), mask->ScanLine(y) + w);
    } else {
        std::vector<uint8_t> tmp(static_cast<size_t>(w));
        for (int32_t y = 0; y < h / 2; ++y) {
            std::memcpy(tmp.data(), mask->ScanLine(y), size_t(w));
            std::memcpy(mask->ScanLine(y), mask->ScanLine(h - 1 - y), size_t(w));
            std::memcpy(mask->ScanLine(h - 1 - y), tmp.data(), size_t(w));
        }
    }
}

// Turns the image (and its alpha) so that it shows as the orientation tag describes.
void TiffApplyOrientation(TIKBitmap* bitmap, TIKMask* mask, int32_t orientation) {
    auto flip = [&](int32_t direction) {
        IKFlipBitmap(bitmap, direction);
        if (mask)
            TiffFlipMask(mask, direction);
    };
    auto transpose = [&] {
        TiffTransposeBitmap(bitmap);
        if (mask)
            TiffTransposeMask(mask);
    };
    switch (orientation) {
    case 2: // top-right: mirrored left-right
        flip(0);
        break;
    case 3: // bottom-right: turned by 180 degrees
        flip(1);
        flip(0);
        break;
    case 4: // bottom-left: mirrored top-bottom
        flip(1);
        break;
    case 5: // left-top: the transpose
        transpose();
        break;
    case 6: // right-top: turned by 90 degrees clockwise
        transpose();
        flip(0);
        break;
    case 7: // right-bottom: the transverse
        transpose();
        flip(0);
        flip(1);
        break;
    case 8: // left-bottom: turned by 90 degrees counter-clockwise
        transpose();
        flip(1);
        break;
    default:
        break;
    }
}

// The bytes a page's pixels need from the file at the least: uncompressed rows their full size, PackBits
// rows two bytes for every 128 bytes they give. False when the file is shorter: such a page could never be
// filled, and is refused before its bitmap is allocated. Other codings can code whole rows in a few bits.
bool TiffDataCanFill(const TTIFFVars& v, int64_t fileBytes) {
    const int64_t rowBytes = (vcl::ImageReadBytes(v.ImageWidth, v.SamplesPerPixel, v.BitsPerSample) + 7) / 8;
    if (v.Compression == 1)
        return vcl::ImageReadBytes(rowBytes, v.ImageLength) <= fileBytes;
    if (v.Compression == 32773)
        return vcl::ImageReadBytes((rowBytes + 127) / 128 * 2, v.ImageLength) <= fileBytes;
    return true;
}

// What reading the page commits: the bitmap, the alpha mask, and the picture of one JPEG strip or tile
// before it is copied into the bitmap.
int64_t TiffPageCost(const TTIFFVars& v, bool mask) {
    const bool bilevel = v.BitsPerSample == 1 && v.SamplesPerPixel == 1 && v.Photometric != 3;
    int64_t cost = vcl::ImageReadBytes(IKRowLength(v.ImageWidth, bilevel ? 1 : 24), v.ImageLength);
    auto add = [&](int64_t bytes) { cost = bytes > INT64_MAX - cost ? INT64_MAX : cost + bytes; };
    if (mask)
        add(vcl::ImageReadBytes(IKRowLength(v.ImageWidth, 8), v.ImageLength));
    if (v.Compression == 7) {
        const bool tiled = v.TileWidth > 0 || v.TileLength > 0;
        const int64_t blockWidth = tiled ? std::max(v.TileWidth, 1) : v.ImageWidth;
        const int64_t blockRows =
            tiled ? std::max(v.TileLength, 1) : std::clamp(v.RowsPerStrip, 1, v.ImageLength);
        add(vcl::ImageReadBytes(IKRowLength(blockWidth, 24), blockRows));
    }
    return cost;
}

} // namespace

void DecodeTiffToBitmap(TIKBitmap* bitmap, vcl::TStream* stream, int32_t& pageCount, TIOParamsVals& params,
                        TIKProgressContext& progress, TIKReadMode mode, std::unique_ptr<TIKMask>* alphaMask,
                        TIKAlphaMode alphaMode) {
    pageCount = 0;
    TTiffIfdContext ifd;
    ifd.Stream = stream;
    ifd.Base = stream->GetPosition();
    ifd.StreamSize = stream->GetSize();
    uint8_t header[8];
    if (!ifd.ReadAt(0, header, 8) ||
        !((header[0] == 'I' && header[1] == 'I') || (header[0] == 'M' && header[1] == 'M'))) {
        progress.SetAborting();
        return;
    }
    ifd.LittleEndian = header[0] == 'I';
    uint32_t first = ifd.Get32(header + 4);
    if (first == 0) {
        progress.SetAborting(); // a file without any page
        return;
    }
    if (!WalkTiffIfds(params.TiffImageIndex, first, ifd, pageCount)) {
        progress.SetAborting();
        return;
    }

    TTiffIfdContext exif;
    bool hasExif = false;
    uint32_t exifOffset = ifd.TiffTagValue(34665, 0);
    if (exifOffset > 0) {
        exif.Stream = stream;
        exif.Base = ifd.Base;
        exif.StreamSize = ifd.StreamSize;
        exif.LittleEndian = ifd.LittleEndian;
        int32_t exifCount = 0;
        hasExif = WalkTiffIfds(0, exifOffset, exif, exifCount);
    }

    TTIFFVars vars;
    TiffFillVars(ifd, vars);
    if (!ifd.ReadTiffBitsPerSample(vars.BitsPerSample)) {
        progress.SetAborting();
        return;
    }
    vars.ColorMap = ifd.ReadTiffColorMap(vars.BitsPerSample);
    if (vars.SamplesPerPixel == 1 && vars.BitsPerSample == 1 && vars.Compression >= 1 &&
        vars.Compression <= 4 && vars.Photometric == 2)
        vars.Photometric = 0;
    vars.Params = &params;
    vars.IgnoreAlpha = alphaMode == ikamIgnore;
    vars.LzwDecoder = params.EffectiveTiffLzwDecoder();

    TiffFillParams(ifd, hasExif ? &exif : nullptr, vars, pageCount, params);
    params.ColorMap = vars.ColorMap;
    double factor = vars.ResolutionUnit == 3 ? 2.54 : 1.0;
    params.DpiX = int32_t(std::clamp(std::trunc(vars.XResolution * factor), 0.0, double(INT32_MAX)));
    params.DpiY = int32_t(std::clamp(std::trunc(vars.YResolution * factor), 0.0, double(INT32_MAX)));
    if (params.DpiX == 0)
        params.DpiX = IKDefaultDpiX;
    if (params.DpiY == 0)
        params.DpiY = IKDefaultDpiY;
    params.TiffXPosition = int32_t(std::clamp(std::trunc(vars.XPosition * factor), -1e9, 1e9));
    params.TiffYPosition = int32_t(std::clamp(std::trunc(vars.YPosition * factor), -1e9, 1e9));

    if (vars.Compression == 5 && !vars.LzwDecoder) {
        progress.SetAborting();
        return;
    }
    if (mode == ikrmParamsOnly)
        return;

    const bool oldJpeg = vars.Compression == 6 && vars.JPEGProc < 2;
    const bool pageHasAlpha =
        (vars.SamplesPerPixel == 4 && vars.ExtraSamples == 2) ||
        (vars.SamplesPerPixel == 2 && (vars.BitsPerSample == 8 || vars.BitsPerSample == 16)) ||
        (vars.SamplesPerPixel == 4 && vars.Photometric == 2);
    const bool wantMask = alphaMask && alphaMode == ikamKeep && (*alphaMask || pageHasAlpha);
    if (!oldJpeg) {
        if (vars.ImageWidth <= 0 || vars.ImageLength <= 0 ||
            int64_t(vars.ImageWidth) * vars.ImageLength > IKMaxReadPixels || !TiffPageSupported(vars) ||
            !TiffDataCanFill(vars, ifd.StreamSize - ifd.Base) ||
            !vcl::ImageReadFits(TiffPageCost(vars, wantMask))) {
            progress.SetAborting();
            return;
        }
    }

    // The alpha mask.
    TIKMask* mask = nullptr;
    if (alphaMask && alphaMode == ikamKeep) {
        if (!*alphaMask && pageHasAlpha)
            *alphaMask = std::make_unique<TIKMask>();
        if (*alphaMask && !oldJpeg) {
            mask = alphaMask->get();
            mask->Allocate(vars.ImageWidth, vars.ImageLength, 8);
            mask->Fill(255);
            mask->SetBox(0, 0, vars.ImageWidth - 1, vars.ImageLength - 1);
            mask->SetFull(true);
        }
    }
    vars.Mask = mask;

    if (oldJpeg) {
        DecodeTiffOldJpeg(ifd, vars, bitmap, progress);
    } else {
        bool bilevel = vars.BitsPerSample == 1 && vars.SamplesPerPixel == 1 && vars.Photometric != 3;
        // Strips other than JPEG ones fill the page row after row from the top, each row whole: the bitmap
        // need not start zeroed, the clearer clears each row as it is reached and those never reached.
        const bool tiled = vars.TileWidth > 0 || vars.TileLength > 0;
        const bool rowsInOrder = !tiled && vars.Compression != 7;
        if (rowsInOrder)
            bitmap->AllocateUncleared(vars.ImageWidth, vars.ImageLength, bilevel ? ikbf1Bit : ikbf24Bit);
        else
            bitmap->Allocate(vars.ImageWidth, vars.ImageLength, bilevel ? ikbf1Bit : ikbf24Bit);
        TIKRowClearer clearer(rowsInOrder ? bitmap : nullptr);
        bool ok = true;
        vars.StripOffsets = ifd.ReadTiffTagArray(273, &ok);
        bool ok2 = true;
        vars.StripByteCounts = ifd.ReadTiffTagArray(279, &ok2);
        bool ok3 = true, ok4 = true;
        vars.TileOffsets = ifd.ReadTiffTagArray(324, &ok3);
        vars.TileByteCounts = ifd.ReadTiffTagArray(325, &ok4);
        if (!(ok && ok2 && ok3 && ok4)) {
            progress.SetAborting();
            return;
        }
        if (tiled) {
            if (vars.TileOffsets.empty() && !vars.StripOffsets.empty()) {
                vars.TileOffsets = vars.StripOffsets;
                vars.TileByteCounts = vars.StripByteCounts;
            }
            if (!vars.TileOffsets.empty())
                DecodeTiffTiles(ifd, vars, bitmap, progress);
        } else if (!vars.StripOffsets.empty()) {
            DecodeTiffStrips(ifd, vars, bitmap, progress, rowsInOrder ? &clearer : nullptr);
        } else {
            progress.SetAborting(); // a page without pixel data
        }
        clearer.Finish();
    }

    if (params.TiffApplyOrientation && vars.Orientation >= 2 && vars.Orientation <= 8 && bitmap->Width() > 0)
        TiffApplyOrientation(
            bitmap,
            mask && mask->GetWidth() == bitmap->Width() && mask->GetHeight() == bitmap->Height() ? mask
                                                                                                 : nullptr,
            vars.Orientation);
}

} // namespace imaging

// TIFF reading: one page (image file directory) of a TIFF file into a TIKBitmap, an optional alpha mask and
// the parameter record, with the file's EXIF and IPTC fields. The structure of the file as the reader sees
// it (header, IFD chain, entries and their values) and the record of one page live here; the pixel work of
// a page (strips, tiles, decompression, photometric conversion) is in TiffDecode.cpp.
#pragma once

#include "imaging/io/IOParams.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vcl {
class TStream;
}

namespace imaging {

class TIKBitmap;
class TIKMask;
class TIKRowClearer;

// Files larger than this per page are refused before anything is allocated for them.
constexpr int64_t IKTiffMaxRowBytes = int64_t(1) << 28;

// One 12-byte IFD entry; the value field keeps its four bytes as stored.
struct TTiffEntry {
    uint16_t Tag = 0;
    uint16_t Type = 0;
    uint32_t Count = 0;
    uint8_t Value[4] = {};
};

// One loaded IFD. Every offset in the file counts from Base, the position of the file's header in the
// stream. No accessor raises or reads outside the stream; a missing or unreadable tag gives the default.
class TTiffIfdContext {
public:
    bool LittleEndian = true;
    vcl::TStream* Stream = nullptr;
    int64_t Base = 0;
    int64_t StreamSize = 0;
    std::vector<TTiffEntry> Entries;

    int32_t FindTiffTag(uint16_t tag) const;
    // The first value of a SHORT, LONG, BYTE or IFD tag.
    uint32_t TiffTagValue(uint16_t tag, uint32_t def) const;
    // numerator / denominator of the first RATIONAL (a zero denominator counts as 1); 0 when absent.
    double TiffTagRational(uint16_t tag) const { return TiffTagRationalAt(tag, 0); }
    double TiffTagRationalAt(uint16_t tag, int32_t index) const;
    // The index-th value of a SHORT, LONG, BYTE or IFD tag; 0 when absent or out of range.
    uint32_t TiffTagValueAt(uint16_t tag, int32_t index) const;
    uint32_t TiffEntryValueAt(const TTiffEntry& entry, int32_t index) const;
    // Every value of a SHORT or LONG tag; ok becomes false when the values lie outside the stream.
    std::vector<uint32_t> ReadTiffTagArray(uint16_t tag, bool* ok = nullptr) const;
    // The bytes of a tag (count x the size of its type); empty when absent or outside the stream.
    std::vector<uint8_t> ReadTiffTagBlock(uint16_t tag) const;
    // An ASCII tag up to its first NUL.
    std::string ReadTiffTagString(uint16_t tag) const;
    // An UNDEFINED value of at most 4 bytes held in the entry, as text.
    std::string ReadTiffInlineString(uint16_t tag) const;
    // The colour map of 2^bitsPerSample entries (at most 256 and what the tag holds), high bytes as B, G, R.
    std::vector<TIKColorTriple> ReadTiffColorMap(int32_t bitsPerSample) const;
    // false when the values of BitsPerSample differ.
    bool ReadTiffBitsPerSample(int32_t& bits) const;

    // Reads size bytes at offset (from Base); false when they are not all inside the stream.
    bool ReadAt(int64_t offset, void* dest, int64_t size) const;
    uint16_t Get16(const uint8_t* p) const;
    uint32_t Get32(const uint8_t* p) const;

private:
    const uint8_t* ValueBytes(const TTiffEntry& entry, int32_t index, int32_t size, uint8_t* scratch) const;
};

// The record of one page.
struct TTIFFVars {
    int32_t ImageWidth = 0;
    int32_t ImageLength = 0;
    int32_t SamplesPerPixel = 1;
    int32_t BitsPerSample = 1;
    int32_t RowsPerStrip = 0;
    int32_t TileWidth = -1;
    int32_t TileLength = -1;
    uint16_t Photometric = 2;
    uint16_t PlanarConfig = 1;
    uint16_t Orientation = 1;
    uint16_t Compression = 1;
    std::vector<uint32_t> StripOffsets;
    std::vector<uint32_t> StripByteCounts;
    std::vector<uint32_t> TileOffsets;
    std::vector<uint32_t> TileByteCounts;
    std::vector<TIKColorTriple> ColorMap;
    std::vector<uint32_t> TransferFunction; // kept, not applied
    int32_t ResolutionUnit = 2;
    double XResolution = 0;
    double YResolution = 0;
    int32_t Predictor = 1;
    std::vector<uint8_t> JPEGTables;
    int32_t T4Options = 0;
    int32_t T6Options = 0;
    int32_t FillOrder = 1;
    double XPosition = 0;
    double YPosition = 0;
    std::string DocumentName;
    std::string ImageDescription;
    std::string PageName;
    int32_t PageNumber[2] = {};
    std::string Software;
    int32_t InkSet = 1;
    int32_t NumberOfInks = 4;
    int32_t DotRange[8] = {};
    int32_t JPEGProc = 0;
    int32_t JPEGInterchangeFormat = 0;
    int32_t JPEGInterchangeFormatLength = 0;
    int32_t JPEGRestartInterval = 0;
    int32_t JPEGLosslessPredictors[7] = {};
    int32_t JPEGPointTransforms[7] = {};
    int32_t JPEGQTables[7] = {};
    int32_t JPEGDCTables[7] = {};
    int32_t JPEGACTables[7] = {};
    TTiffLzwDecoderFunc LzwDecoder = nullptr;
    bool LittleEndian = true;
    TIOParamsVals* Params = nullptr;
    TIKMask* Mask = nullptr;
    bool IgnoreAlpha = false;
    int32_t ExtraSamples = 0;
    int32_t SampleFormat = 1; // 1 unsigned, 2 signed, 3 floating point
};

// Reads page params.TiffImageIndex (0-based) of the TIFF at the stream's position. pageCount receives the
// number of IFDs in the chain. alphaMask: when it holds nullptr and the page has alpha, a mask is made;
// a mask it holds receives the page's alpha (255 where the page has none); ikamIgnore leaves the mask
// alone. ikrmParamsOnly fills the parameters and leaves the bitmap alone. Failures set the progress record's
// Aborting flag. Offsets always count from the header's position, so a TIFF inside a larger stream reads as
// it would on its own.
void DecodeTiffToBitmap(TIKBitmap* bitmap, vcl::TStream* stream, int32_t& pageCount, TIOParamsVals& params,
                        TIKProgressContext& progress, TIKReadMode mode, std::unique_ptr<TIKMask>* alphaMask,
                        TIKAlphaMode alphaMode);

// Follows the IFD chain from firstOffset, loads IFD number index into ifd and counts the IFDs (a chain that
// returns to an IFD already seen ends there). True when IFD index was loaded.
bool WalkTiffIfds(int32_t index, uint32_t firstOffset, TTiffIfdContext& ifd, int32_t& count);

// The page's IPTC records (tag 33723) into params.IptcRecords; the list is cleared when there are none.
void ReadTiffIptc(const TTiffIfdContext& ifd, TIOParamsVals& params);

// Rows of 8-bit samples in the common layouts (RGB, one gray or palette sample) are converted straight from
// their bytes; with false every row goes through the general conversion of 16-bit samples, which the tests
// compare them with.
void SetTiffByteRowPath(bool enabled);

// Pixel decoding of a loaded page (TiffDecode.cpp). The bitmap is allocated at the page size: one bit for
// one-sample one-bit pages that are not palette pages, 24-bit B,G,R otherwise. Strips reach each row
// through clearer (when given) before they write it.
void DecodeTiffStrips(const TTiffIfdContext& ifd, TTIFFVars& vars, TIKBitmap* bitmap,
                      TIKProgressContext& progress, TIKRowClearer* clearer = nullptr);
void DecodeTiffTiles(const TTiffIfdContext& ifd, TTIFFVars& vars, TIKBitmap* bitmap,
                     TIKProgressContext& progress);
void DecodeTiffOldJpeg(const TTiffIfdContext& ifd, TTIFFVars& vars, TIKBitmap* bitmap,
                       TIKProgressContext& progress);
// True when the page's photometric interpretation, samples and bits are a combination the decoder handles.
bool TiffPageSupported(const TTIFFVars& vars);

// One CMYK pixel (ink values) to B, G, R.
TIKColorTriple TiffCmykToBgr(uint8_t c, uint8_t m, uint8_t y, uint8_t k);

} // namespace imaging

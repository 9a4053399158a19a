// Helpers of the TIFF tests: a builder of small TIFF files in memory and a reader that returns the page.
#pragma once

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/TiffRead.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tifftest {

// Builds one- or several-page TIFF files: the header, then each page's pixel data and out-of-line values,
// then its IFD. Offsets count from the start of the buffer.
class TiffBuilder {
public:
    explicit TiffBuilder(bool bigEndian = false) : FBig(bigEndian) {
        FOut = {uint8_t(FBig ? 'M' : 'I'), uint8_t(FBig ? 'M' : 'I'), 0, 0, 0, 0, 0, 0};
        Put16At(2, 42);
    }
    void Short(uint16_t tag, std::vector<uint16_t> values) {
        std::vector<uint8_t> raw;
        for (uint16_t v : values)
            Append16(raw, v);
        Add(tag, 3, uint32_t(values.size()), raw);
    }
    void Long(uint16_t tag, std::vector<uint32_t> values) {
        std::vector<uint8_t> raw;
        for (uint32_t v : values)
            Append32(raw, v);
        Add(tag, 4, uint32_t(values.size()), raw);
    }
    void Rational(uint16_t tag, uint32_t num, uint32_t den) {
        std::vector<uint8_t> raw;
        Append32(raw, num);
        Append32(raw, den);
        Add(tag, 5, 1, raw);
    }
    void Ascii(uint16_t tag, const std::string& text) {
        std::vector<uint8_t> raw(text.begin(), text.end());
        raw.push_back(0);
        Add(tag, 2, uint32_t(raw.size()), raw);
    }
    void Raw(uint16_t tag, uint16_t type, uint32_t count, std::vector<uint8_t> raw) {
        Add(tag, type, count, raw);
    }
    // Pixel data of one strip: adds StripOffsets and StripByteCounts.
    void Strip(const std::vector<uint8_t>& data) {
        uint32_t offset = uint32_t(FOut.size());
        FOut.insert(FOut.end(), data.begin(), data.end());
        Long(273, {offset});
        Long(279, {uint32_t(data.size())});
    }
    // Blocks (strips or tiles) with their offsets and counts under the given tags.
    void Blocks(uint16_t offsetsTag, uint16_t countsTag, const std::vector<std::vector<uint8_t>>& blocks) {
        std::vector<uint32_t> offsets, counts;
        for (const auto& b : blocks) {
            offsets.push_back(uint32_t(FOut.size()));
            counts.push_back(uint32_t(b.size()));
            FOut.insert(FOut.end(), b.begin(), b.end());
        }
        Long(offsetsTag, offsets);
        Long(countsTag, counts);
    }
    // Writes the IFD of the page so far; nextOffset: 0 ends the chain, -1 links to the next page written,
    // other values are written as they are. Returns the IFD's offset.
    uint32_t EndPage(int64_t nextOffset = 0) {
        if (FOut.size() & 1)
            FOut.push_back(0);
        uint32_t at = uint32_t(FOut.size());
        if (FFirst)
            Put32At(4, at);
        else if (FLinkAt)
            Put32At(FLinkAt, at);
        FFirst = false;
        std::sort(FEntries.begin(), FEntries.end(),
                  [](const Entry& a, const Entry& b) { return a.Tag < b.Tag; });
        std::vector<uint8_t> ifd;
        Append16(ifd, uint16_t(FEntries.size()));
        for (const auto& e : FEntries) {
            Append16(ifd, e.Tag);
            Append16(ifd, e.Type);
            Append32(ifd, e.Count);
            ifd.insert(ifd.end(), e.Value, e.Value + 4);
        }
        FLinkAt = 0;
        size_t nextAt = at + ifd.size();
        Append32(ifd, nextOffset < 0 ? 0 : uint32_t(nextOffset));
        if (nextOffset < 0)
            FLinkAt = nextAt;
        FOut.insert(FOut.end(), ifd.begin(), ifd.end());
        FEntries.clear();
        return at;
    }
    std::vector<uint8_t>& Bytes() { return FOut; }

private:
    struct Entry {
        uint16_t Tag, Type;
        uint32_t Count;
        uint8_t Value[4];
    };
    void Add(uint16_t tag, uint16_t type, uint32_t count, const std::vector<uint8_t>& raw) {
        Entry e{tag, type, count, {0, 0, 0, 0}};
        if (raw.size() <= 4) {
            std::copy(raw.begin(), raw.end(), e.Value);
        } else {
            if (FOut.size() & 1)
                FOut.push_back(0);
            std::vector<uint8_t> off;
            Append32(off, uint32_t(FOut.size()));
            std::copy(off.begin(), off.end(), e.Value);
            FOut.insert(FOut.end(), raw.begin(), raw.end());
        }
        FEntries.push_back(e);
    }
    void Append16(std::vector<uint8_t>& v, uint16_t x) const {
        if (FBig)
            v.insert(v.end(), {uint8_t(x >> 8), uint8_t(x)});
        else
            v.insert(v.end(), {uint8_t(x), uint8_t(x >> 8)});
    }
    void Append32(std::vector<uint8_t>& v, uint32_t x) const {
        if (FBig)
            v.insert(v.end(), {uint8_t(x >> 24), uint8_t(x >> 16), uint8_t(x >> 8), uint8_t(x)});
        else
            v.insert(v.end(), {uint8_t(x), uint8_t(x >> 8), uint8_t(x >> 16), uint8_t(x >> 24)});
    }
    void Put16At(size_t at, uint16_t x) {
        std::vector<uint8_t> v;
        Append16(v, x);
        std::copy(v.begin(), v.end(), FOut.begin() + long(at));
    }
    void Put32At(size_t at, uint32_t x) {
        std::vector<uint8_t> v;
        Append32(v, x);
        std::copy(v.begin(), v.end(), FOut.begin() + long(at));
    }

    bool FBig;
    bool FFirst = true;
    size_t FLinkAt = 0;
    std::vector<uint8_t> FOut;
    std::vector<Entry> FEntries;
};

// The outcome of reading one page.
struct TiffRead {
    imaging::TIKBitmap Bitmap;
    std::unique_ptr<imaging::TIKMask> Mask;
    int32_t Pages = 0;
    bool Aborting = false;
};

inline void ReadTiff(vcl::TStream* stream, imaging::TIOParamsVals& params, TiffRead& out,
                     imaging::TIKReadMode mode = imaging::ikrmImage, bool wantMask = true) {
    std::atomic<bool> aborting{false};
    imaging::TIKProgressContext progress(aborting);
    imaging::DecodeTiffToBitmap(&out.Bitmap, stream, out.Pages, params, progress, mode,
                                wantMask ? &out.Mask : nullptr, imaging::ikamKeep);
    out.Aborting = aborting;
}

inline void ReadTiffBytes(const std::vector<uint8_t>& bytes, imaging::TIOParamsVals& params, TiffRead& out,
                          imaging::TIKReadMode mode = imaging::ikrmImage) {
    vcl::TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    ReadTiff(&stream, params, out, mode);
}

inline void ReadTiffFile(const std::string& name, imaging::TIOParamsVals& params, TiffRead& out) {
    vcl::TFileStream stream(std::string(LOOMWICK_TEST_DATA) + "/imaging/tiff/" + name, vcl::fmOpenRead);
    ReadTiff(&stream, params, out);
}

// The pixels of a bitmap as bytes, rows from the top (one-bit rows as stored, 24-bit as B, G, R).
inline std::vector<uint8_t> Pixels(imaging::TIKBitmap& b) {
    std::vector<uint8_t> out;
    int32_t bytes = b.PixelFormat() == imaging::ikbf1Bit ? (b.Width() + 7) / 8 : b.Width() * 3;
    for (int32_t y = 0; y < b.Height(); ++y) {
        const uint8_t* row = b.ScanLine(y);
        if (b.PixelFormat() == imaging::ikbf1Bit) {
            // Padding bits of the last byte are left out.
            for (int32_t x = 0; x < b.Width(); ++x)
                out.push_back((row[x / 8] >> (7 - x % 8)) & 1);
        } else {
            out.insert(out.end(), row, row + bytes);
        }
    }
    return out;
}

} // namespace tifftest

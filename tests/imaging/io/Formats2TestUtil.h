// Helpers for the tests of the PNM, PCX, TGA, icon and JPEG 2000 filters: a decode run with its own
// parameter record, progress record and Aborting flag, and streams over literal bytes.
#pragma once

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Streams.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace formats2test {

using Bytes = std::vector<uint8_t>;

inline Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

inline void Append(Bytes& b, std::initializer_list<int> values) {
    for (int v : values)
        b.push_back(uint8_t(v));
}

inline void AppendWord(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

inline void AppendDWord(Bytes& b, uint32_t v) {
    AppendWord(b, v & 0xFFFF);
    AppendWord(b, v >> 16);
}

// One read or write: the records a filter receives.
struct TRun {
    std::atomic<bool> Aborting{false};
    imaging::TIKProgressContext Progress{Aborting};
    imaging::TIOParamsVals Params;
    imaging::TIKBitmap Bitmap;
    std::unique_ptr<imaging::TIKMask> Mask;
    std::vector<int32_t> Reports;

    TRun() {
        Progress.OnProgress = [this](vcl::TObject*, int32_t percent) { Reports.push_back(percent); };
    }
    bool Failed() const { return Aborting.load(); }
};

// The colour of a pixel as 0xRRGGBB.
inline uint32_t Rgb(imaging::TIKBitmap& bitmap, int32_t x, int32_t y) {
    const imaging::TIKColorTriple c = bitmap.PixelColor(x, y);
    return uint32_t(c.R) << 16 | uint32_t(c.G) << 8 | c.B;
}

// A 24-bit image of width x height pixels given row by row as 0xRRGGBB.
inline void Fill24(imaging::TIKBitmap& bitmap, int32_t width, int32_t height,
                   const std::vector<uint32_t>& pixels) {
    bitmap.Allocate(width, height, imaging::ikbf24Bit);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t c = pixels[size_t(y * width + x)];
            uint8_t* p = bitmap.ScanLine(y) + 3 * size_t(x);
            p[0] = uint8_t(c);
            p[1] = uint8_t(c >> 8);
            p[2] = uint8_t(c >> 16);
        }
}

inline Bytes StreamBytes(vcl::TMemoryStream& stream) {
    const auto* p = static_cast<const uint8_t*>(stream.Memory());
    return Bytes(p, p + stream.GetSize());
}

} // namespace formats2test

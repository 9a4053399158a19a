// Small stream and bit routines the GIF reader and writer use everywhere: raising the GIF error,
// exact reads, single bytes, text as data sub-blocks and table-size arithmetic.
#pragma once

#include "gif/GifTypes.h"

#include <cstdint>
#include <string>

namespace vcl {
class TStream;
class TStrings;
} // namespace vcl

namespace gif {

[[noreturn]] void RaiseGifError(const std::string& message);

// Raises EOutOfResources with the system's text for the last error (or "Out of system resources").
[[noreturn]] void RaiseOutOfResources();

// Returns value when it is non-zero; a zero result of a platform graphics call raises EOutOfResources.
template <typename T> T CheckGDIResult(T value) {
    if (!value)
        RaiseOutOfResources();
    return value;
}

// Little-endian 16-bit values in a byte buffer, as GIF stores its sizes and positions.
inline uint16_t GetLE16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
inline void PutLE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// Reads count bytes; fewer raise EGifError "Premature end of data".
void ReadExact(vcl::TStream* stream, void* buffer, int32_t count);

void WriteStreamByte(vcl::TStream* stream, uint8_t value);
// The next byte, or -1 at the end of the stream.
int32_t ReadStreamByte(vcl::TStream* stream);

// Each line cut into sub-blocks of at most 255 bytes (an empty line writes nothing), then one zero byte.
void WriteStringsAsSubBlocks(vcl::TStream* stream, const vcl::TStrings& lines);
void WriteStringsAsSubBlocks(vcl::TStream* stream, const TGifLines& lines);
// Clears lines and reads one line per data sub-block up to a zero length byte or the end of the stream;
// a sub-block cut short by the end of the stream raises "Premature end of data". Bytes stay raw.
void ReadSubBlocksAsStrings(vcl::TStream* stream, vcl::TStrings& lines);
void ReadSubBlocksAsStrings(vcl::TStream* stream, TGifLines& lines);
// Skips data sub-blocks up to and including the zero length byte, or to the end of the stream.
void SkipSubBlocks(vcl::TStream* stream);
// Skips count bytes forward.
void SkipBytes(vcl::TStream* stream, int64_t count);

// The four passes of an interlaced image, in the order its rows are stored: every 8th row from row 0,
// every 8th from row 4, every 4th from row 2, every 2nd from row 1.
struct TGifInterlacePass {
    int32_t Start;
    int32_t Step;
};
inline constexpr TGifInterlacePass GifInterlacePasses[4] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};

// 0 for 0; otherwise the smallest b >= 1 with 2^b >= count.
int32_t BitsForColorCount(int32_t count);

// Bytes in a row of width pixels of bitsPerPixel bits, padded to a multiple of alignment bits.
int64_t AlignedRowBytes(int64_t width, int32_t bitsPerPixel, int32_t alignment);

} // namespace gif

// The LZW coders the imaging library installs in its parameter records: GIF image data through the GIF
// codec's own decoder and encoder, and TIFF strips and tiles (compression 5) in both bit orders that
// TIFF writers have used.
#pragma once

#include "imaging/io/IOParams.h"

namespace imaging {

// A TGifLzwDecoderProc: the minimum code size byte and the data sub-blocks up to their terminator (or the
// end of the stream).
bool IOGifLzwDecode(vcl::TStream* stream, int32_t height, int32_t width, bool interlaced, uint8_t* pixels);
// A TGifLzwEncoderProc: indexes at or above 2^bitsPerPixel are refused (false, nothing consistent written).
bool IOGifLzwEncode(vcl::TStream* stream, int32_t height, int32_t width, bool interlaced,
                    const uint8_t* pixels, int32_t bitsPerPixel);

// A TTiffLzwDecoderFunc. Codes are read most significant bit first with the early width change of TIFF;
// data that starts with a clear code written least significant bit first (the old style of some writers)
// is read in that order without the early change. Returns nullptr when the data ends, breaks off or holds
// a code the table does not know before outputSize bytes are decoded.
const uint8_t* IOTiffLzwDecode(const uint8_t* input, int64_t inputSize, int32_t outputSize, void*& state);
// A TTiffLzwEncoderProc: one code stream per strip, beginning with a clear code and ending with the end
// code and padding bits of zero.
bool IOTiffLzwEncode(const uint8_t* row, int32_t size, vcl::TStream* stream, void*& state);

} // namespace imaging

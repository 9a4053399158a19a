// The BMP filter: device-independent bitmap files ("BM") read into a TIKBitmap (one bit for black-and-white
// images, else 24-bit B,G,R) and written from one at a depth chosen by the parameter record, with the RLE4
// and RLE8 run-length codings.
#pragma once

#include "imaging/core/IKHelpers.h"
#include "imaging/io/IOParams.h"

#include <cstdint>
#include <memory>

namespace vcl {
class TStream;
}

namespace imaging {

class TIKBitmap;
class TIKMask;

// Reads from the stream's position; size is the number of bytes the file takes from there (0 or less: not
// known, the header's file size then counts). ikrmParamsOnly fills the record and leaves the bitmap alone.
// Damaged or unsupported files set the Aborting flag. Bit-field pixels whose header has an alpha mask keep
// their alpha: with ikamKeep it goes into *alphaMask (made when it holds nullptr); a picture whose
// alpha is 0 everywhere was written without alpha and reads as opaque.
void DecodeBmpToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, int64_t size, TIOParamsVals& params,
                       TIKProgressContext& progress, TIKReadMode mode,
                       std::unique_ptr<TIKMask>* alphaMask = nullptr, TIKAlphaMode alphaMode = ikamKeep);
// Writes at the stream's position and leaves it at the end of what was written. Depth: BitsPerSample 1 or
// 4, else 8 for one sample per pixel and 24 otherwise; BmpVersion 2 writes the 12-byte header, 3 the
// 64-byte one, others the 40-byte one; BmpCompression 1 run-length codes 4- and 8-bit images.
void EncodeBitmapToBmp(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress);

// Expand run-length data, bottom row first, into an allocated 24-bit bitmap through the palette. Pixels
// never land outside the image; an index outside the palette sets the Aborting flag (the pixel stays
// black). Returns false when the data ended before the end-of-bitmap command or held a bad index.
bool DecodeBmpRle8(TIKBitmap* bitmap, const uint8_t* data, int64_t dataSize, TIKProgressContext& progress,
                   const TIKColorTriple* palette, int32_t paletteCount);
bool DecodeBmpRle4(TIKBitmap* bitmap, const uint8_t* data, int64_t dataSize, TIKProgressContext& progress,
                   const TIKColorTriple* palette, int32_t paletteCount);
// Code one row of count indexes (one a byte) with its closing end-of-row command; output holds at least
// 10 bytes a pixel. Returns the bytes produced.
int32_t EncodeBmpRle8Row(const uint8_t* indexes, int32_t count, uint8_t* output);
int32_t EncodeBmpRle4Row(const uint8_t* indexes, int32_t count, uint8_t* output);

} // namespace imaging

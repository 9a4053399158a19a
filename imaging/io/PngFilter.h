// The PNG filter: reads PNG files into a TIKBitmap (one bit or 24-bit B,G,R) with the alpha channel in an
// 8-bit TIKMask, writes a TIKBitmap (and mask) as a PNG file, and tests a stream for the PNG signature.
// libpng does the chunk and compression work over the stream callbacks here.
#pragma once

#include "imaging/io/IOParams.h"

#include <cstdint>
#include <memory>

namespace vcl {
class TStream;
}

namespace imaging {

class TIKBitmap;
class TIKMask;

// Reads one PNG file at the stream's position. The mask is made when alphaMask holds none; ikrmParamsOnly
// stops once the parameters are known. ikamIgnore (given with ikrmParamsOnly) leaves the mask alone and
// takes the file's background colour into the parameters instead. Failure sets the Aborting flag.
void DecodePngToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress, TIKReadMode mode, std::unique_ptr<TIKMask>& alphaMask,
                       TIKAlphaMode alphaMode);
// Writes one PNG file at the stream's position; alphaMask is null or a mask of the bitmap's size. A library
// failure raises vcl::EInvalidGraphic "Error on creating PNG"; a short write sets the Aborting flag.
void EncodeBitmapToPng(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress, const TIKMask* alphaMask);
// Reads 8 bytes and steps back by them: true when the first 4 are those of the PNG signature.
bool IsPngStream(vcl::TStream* stream);

} // namespace imaging

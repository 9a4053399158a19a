// Targa files: uncompressed and run-length coded images of 1, 4, 8, 16, 24 and 32 bits are read (a 32-bit
// image's alpha into an 8-bit mask), with the version 2 footer and extension area; 1-, 4-, 8-, 24- and
// 32-bit files are written, always with an extension area and a footer.
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

// True when the 18 header bytes name a known image type, depth and colour-map type; the position is
// restored.
bool IsTgaStream(vcl::TStream* stream);
// Reads one image at the stream's position. The alpha of a 32-bit image with alpha bits goes into
// alphaMask (made when null) with ikamKeep. Unknown layouts and data that ends early set Aborting.
void DecodeTgaToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress, TIKReadMode mode, std::unique_ptr<TIKMask>& alphaMask,
                       TIKAlphaMode alphaMode);
// Writes a one-bit or 24-bit image at the depth the record asks for; a mask that is not full makes a
// 32-bit file with its alpha. Other pixel formats write nothing.
void EncodeBitmapToTga(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress, TIKMask* alphaMask);

} // namespace imaging

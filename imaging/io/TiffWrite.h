// TIFF writing: a TIKBitmap as a new little-endian TIFF file of one page in one strip. The stored form
// (bilevel, palette, gray, RGB, CMYK, CIELab or JPEG YCbCr) is chosen from the parameter record, which
// receives the normalised choice; rows are coded uncompressed, with CCITT Group 3 or 4, LZW through the
// record's coder, PackBits, or as one JPEG datastream. Offsets in the file count from its header, so a
// file written into a stream at any position is valid on its own.
#pragma once

#include "imaging/io/IOParams.h"

#include <cstdint>

namespace vcl {
class TStream;
}

namespace imaging {

class TIKBitmap;

// Writes the whole file at the stream's position and leaves the position after it. Failures (a short write)
// set the progress record's Aborting flag.
void EncodeBitmapToTiff(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                        TIKProgressContext& progress);

// One row in PackBits: runs of 4 or more equal bytes as repeat codes, everything else as literal runs.
void EncodePackBitsRow(const uint8_t* row, int32_t size, vcl::TStream* stream, bool& aborting);

// One B,G,R pixel to ink values C, M, Y, K.
void TiffBgrToCmyk(TIKColorTriple color, uint8_t* cmyk);

} // namespace imaging

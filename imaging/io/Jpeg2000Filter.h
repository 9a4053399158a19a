// JPEG 2000 images in the JP2 file format and as raw code streams, decoded and encoded by OpenJPEG over
// the system's own streams.
#pragma once

#include "imaging/io/IOParams.h"

#include <cstdint>

namespace vcl {
class TStream;
}

namespace imaging {

class TIKBitmap;

// The JP2 signature box (length 12, type "jP  ", content 0D 0A 87 0A); the position is restored.
bool IsJp2Stream(vcl::TStream* stream);
// A code stream's start: the markers FF4F and FF51; the position is restored.
bool IsJ2kStream(vcl::TStream* stream);
// Reads either form at the stream's position: gray images of one bit into a one-bit bitmap, all others into
// 24-bit colour with samples scaled to 8 bits. Anything but gray, RGB or YCbCr sets the Aborting flag.
void DecodeJpeg2000ToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                            TIKProgressContext& progress, TIKReadMode mode);
// Writes the bitmap as a JP2 file or a code stream at the stream's position, with Jpeg2000ColorSpace (gray,
// RGB, or YCbCr written as RGB), BitsPerSample bits per sample, the rate Jpeg2000Rate (1 or more:
// lossless; r below 1: about r of the uncompressed size) and the progression Jpeg2000Progression.
// A one-bit bitmap is written as one-bit gray and says so in the record.
void EncodeBitmapToJpeg2000(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                            TIKJpeg2000Form form, TIKProgressContext& progress);

} // namespace imaging

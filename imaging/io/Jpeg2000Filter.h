// JPEG 2000 images in the JP2 file format and as raw code streams, decoded and encoded by OpenJPEG over
// the system's own streams.
#pragma once

#include <cstdint>

namespace vcl {
class TStream;
}

namespace imaging {

class TIKBitmap;
class TIOParamsVals;
struct TIKProgressContext;

// The JP2 signature box (length 12, type "jP  ", content 0D 0A 87 0A); the position is restored.
bool IsJp2Stream(vcl::TStream* stream);
// A code stream's start: the markers FF4F and FF51; the position is restored.
bool IsJ2kStream(vcl::TStream* stream);
// Reads either form at the stream's position: gray images of one bit into a one-bit bitmap, all others into
// 24-bit colour with samples scaled to 8 bits. Anything but gray, RGB or YCbCr sets the Aborting flag.
void DecodeJpeg2000ToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                            TIKProgressContext& progress, bool paramsOnly);
// Writes the bitmap as a JP2 file (format 0) or a code stream (format 1) at the stream's position, with
// Jpeg2000ColorSpace (0 gray, 1 RGB, 2 YCbCr, written as RGB), BitsPerSample bits per sample, the rate
// Jpeg2000Rate (1 or more: lossless; r below 1: about r of the uncompressed size) and the progression
// Jpeg2000Progression (0 layer-resolution-component-position, 1 resolution-layer-component-position).
// A one-bit bitmap is written as one-bit gray and says so in the record.
void EncodeBitmapToJpeg2000(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, int32_t format,
                            TIKProgressContext& progress);

} // namespace imaging

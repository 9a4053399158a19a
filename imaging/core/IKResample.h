// Resizing of images: the two-pass filtered rescaling with a kernel of the filter table, a fixed-point
// linear/box resampler, an area-accumulating interpolating resampler (bilinear and bicubic) and nearest-
// neighbour stretching of any pixel format. The destination is allocated by the caller with the target
// size and format; these routines only fill it.
#pragma once

#include "imaging/core/IKDefs.h"
#include "imaging/io/IOParams.h"

#include <cstdint>
#include <functional>

namespace vcl {
class TObject;
}

namespace imaging {

class TIKBitmap;

// A kernel of the filtered rescaling and its support radius.
struct TIKResampleFilterEntry {
    double (*Kernel)(double x);
    double Support;
};
// Indexed by TResampleFilter; rfNone, rfFastLinear, rfBilinear and rfBicubic have no kernel.
extern const TIKResampleFilterEntry IKResampleFilters[12];

// Resamples a 24-bit source into dest (24-bit, the target size). Other source formats leave dest as it was.
// A source too small for the filter (below 2 x 2 pixels) is stretched by nearest neighbour instead.
void IKResampleBitmap(TIKBitmap* source, TIKBitmap* dest, TResampleFilter filter, vcl::TObject* sender,
                      const TIKProgressEvent& onProgress);
void IKResampleFastLinear(TIKBitmap* source, TIKBitmap* dest, vcl::TObject* sender,
                          const TIKProgressEvent& onProgress);
void IKResampleInterpolated(TIKBitmap* source, TIKBitmap* dest, bool bicubic, vcl::TObject* sender,
                            const TIKProgressEvent& onProgress);
// Keys' cubic convolution (a = -1) of four samples at t (0..1 between p0 and p1), limited to 0..255.
double IKCubicInterpolate(int32_t pm1, int32_t p0, int32_t p1, int32_t p2, double t);
// Nearest-neighbour stretch; dest has the target size and the source's pixel format.
void IKStretchNearest(TIKBitmap* source, TIKBitmap* dest);

// The engines on planes of `channels` bytes a pixel (1 or 3), shared with the mask and bilevel scaling.
// readRow fills a row of srcW pixels; writeRow receives a row of dstW pixels; percent gets progress.
using TIKPlaneReader = std::function<void(int32_t y, uint8_t* row)>;
using TIKPlaneWriter = std::function<void(int32_t y, const uint8_t* row)>;
using TIKPercentEvent = std::function<void(int32_t percent)>;
// False when the filtered rescaling cannot run (an empty source, or one below 2 pixels both ways).
bool IKResamplePlaneFiltered(int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH, int32_t channels,
                             TResampleFilter filter, const TIKPlaneReader& readRow,
                             const TIKPlaneWriter& writeRow, const TIKPercentEvent& percent);
// The fixed-point linear/box engine; false for an empty source or destination.
bool IKResamplePlaneFastLinear(int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH, int32_t channels,
                               const TIKPlaneReader& readRow, const TIKPlaneWriter& writeRow,
                               const TIKPercentEvent& percent);
// Nearest-neighbour replication of a plane.
void IKResamplePlaneNearest(int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH, int32_t channels,
                            const TIKPlaneReader& readRow, const TIKPlaneWriter& writeRow);

} // namespace imaging

// Scaling of the planes that are not 24-bit colour: 8-bit masks, 8-bit alpha channels, and one-bit images
// scaled into 24-bit gray (the anti-aliased display of bilevel images). A bit counts 255 when set and 0
// when clear; gray results go to all three channels.
#pragma once

#include "imaging/core/IKDefs.h"
#include "imaging/io/IOParams.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vcl {
class TObject;
}

namespace imaging {

class TIKBitmap;
class TIKMask;

// Dest (8 bits, already of the target size) receives the 8-bit source resampled with the filter.
void IKResampleMask(const TIKMask* source, TIKMask* dest, TResampleFilter filter);
void IKResampleMaskLinear(const TIKMask* source, TIKMask* dest, vcl::TObject* sender,
                          const TIKProgressEvent& onProgress);
// Alpha channels: 8-bit gray bitmaps.
void IKResampleAlpha(TIKBitmap* source, TIKBitmap* dest, TResampleFilter filter);
// A one-bit source into 24-bit gray.
void IKResampleBilevelToGray(TIKBitmap* source, TIKBitmap* dest, TResampleFilter filter);
void IKScaleBilevelLinear(TIKBitmap* source, TIKBitmap* dest, vcl::TObject* sender,
                          const TIKProgressEvent& onProgress);
// The region x1..x2 x y1..y2 (inclusive) of a one-bit source, box-averaged onto all of a 24-bit dest.
void IKScaleBilevelBox(TIKBitmap* source, int32_t x1, int32_t y1, TIKBitmap* dest, int32_t y2, int32_t x2);
// The same on one-bit rows stored bottom-up (srcH rows of the padded one-bit row length for srcW): a new
// 24-bit buffer of dstW x dstH, bottom-up with padded rows, or an empty one when dstW or dstH is below 1 or
// data is too short.
std::vector<uint8_t> IKScaleBilevelBufferBox(std::span<const uint8_t> data, int32_t srcW, int32_t srcH,
                                             int32_t dstH, int32_t dstW, int32_t y2, int32_t x2, int32_t y1,
                                             int32_t x1);

} // namespace imaging

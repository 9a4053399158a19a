// Rotation of a TIKBitmap in place by any angle in degrees; positive angles turn the picture
// counter-clockwise as seen on screen. Quarter turns are exact pixel moves; the rest of a 24-bit rotation
// is done by three shears with optional anti-aliasing, one-bit images by a nearest-pixel rotation. The
// image grows to hold the whole rotated picture and the new area gets the background.
#pragma once

#include "imaging/core/IKHelpers.h"
#include "imaging/io/IOParams.h"

namespace vcl {
class TObject;
}

namespace imaging {

class TIKBitmap;

// 24-bit and one-bit images; other formats are left as they are. A one-bit image gets a set background
// when the red, green and blue bytes of background are all non-zero.
void IKRotateBitmap(TIKBitmap* bitmap, bool antiAlias, vcl::TObject* sender, double angle,
                    TIKColorTriple background, const TIKProgressEvent& onProgress);
// 24-bit quarter turns into dest, which gets the source's format, width = source height, height = source
// width. Clockwise: dest(H-1-y, x) = source(x, y); counter-clockwise: dest(y, W-1-x) = source(x, y).
void IKRotate90Clockwise(TIKBitmap* source, TIKBitmap* dest);
void IKRotate90CounterClockwise(TIKBitmap* source, TIKBitmap* dest);
// One-bit rotation: exact quarter and half turns, otherwise nearest pixel.
void IKRotateBilevel(TIKBitmap* bitmap, bool backgroundBit, TIKProgressContext* progress, double angle);

} // namespace imaging

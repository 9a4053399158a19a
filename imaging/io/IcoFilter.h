// Icon (".ico") and cursor (".cur") files: one image of the directory is read into a TIKBitmap, its AND
// mask both painting covered pixels with a background colour and clearing them in an 8-bit alpha mask.
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

// Content tests for a directory of icons (type 1) or cursors (type 2); the position is restored.
bool IsIcoStream(vcl::TStream* stream);
bool IsCurStream(vcl::TStream* stream);
// Read the image IcoImageIndex (CurImageIndex) of the directory at the stream's position. With ikamKeep,
// transparency goes into alphaMask, made when null. Indexes outside the directory, data
// outside the file and images the reader cannot decode set the Aborting flag.
void DecodeIcoToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, TIKReadMode mode,
                       TIKProgressContext& progress, std::unique_ptr<TIKMask>& alphaMask,
                       TIKAlphaMode alphaMode);
void DecodeCurToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, TIKReadMode mode,
                       TIKProgressContext& progress, std::unique_ptr<TIKMask>& alphaMask,
                       TIKAlphaMode alphaMode);

} // namespace imaging

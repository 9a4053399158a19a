// The imaging library's GIF filter for single images: the reader picks one image of a GIF file and reports
// the file's image count, comments, logical screen, position, delay, transparency and interlace; the writer
// stores one TIKBitmap as a one-image GIF file with a graphic control and a comment extension. Image data
// passes through the LZW coders of the parameter record.
#pragma once

#include "imaging/io/IOParams.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vcl {
class TStream;
}

namespace imaging {

class TIKBitmap;
class TIKMask;

// Reads image GifImageIndex of the GIF data at the stream's position into the bitmap (one bit for a black,
// white palette, else 24-bit colour) and, with ikamKeep, its transparency into an 8-bit mask (made when
// alphaMask holds none); ikrmParamsOnly fills the record and leaves the bitmap alone. imageCount receives the
// number of images met. Damaged data, a missing coder or an index beyond the file's images set the Aborting
// flag.
void DecodeGifToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, int32_t& imageCount, TIOParamsVals& params,
                       TIKProgressContext& progress, TIKReadMode mode, std::unique_ptr<TIKMask>& alphaMask,
                       TIKAlphaMode alphaMode);
void DecodeGifFileToBitmap(const std::string& fileName, TIKBitmap* bitmap, int32_t& imageCount,
                           TIOParamsVals& params, TIKProgressContext& progress,
                           std::unique_ptr<TIKMask>& alphaMask, TIKAlphaMode alphaMode);
// Writes the bitmap as a complete one-image GIF file with 2^BitsPerSample colours. A missing coder or a
// short write sets the Aborting flag.
void EncodeBitmapToGif(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress);
// Saves through a temporary file: a failed write leaves an existing file as it was.
void EncodeBitmapToGifFile(const std::string& fileName, TIKBitmap* bitmap, TIOParamsVals& params,
                           TIKProgressContext& progress);

} // namespace imaging

// Portable bitmap, gray map and pixel map files (PBM, PGM, PPM): the ASCII forms P1-P3 and binary forms
// P4-P6 are read, the binary forms written. Header comments travel through TIOParamsVals::PnmComments.
#pragma once

#include "imaging/io/IOParams.h"

#include <cstdint>
#include <string>

namespace vcl {
class TStream;
}

namespace imaging {

class TIKBitmap;

// The next header token (a run of letters and digits) or a whole comment ("#" and its trimmed text); empty
// at the end of the stream. The stream is left right after the byte that ended the token.
std::string ReadPnmToken(vcl::TStream* stream);
// True when the stream starts with a PNM magic and a positive width and height; the position is restored.
bool IsPnmStream(vcl::TStream* stream);
// Reads one image at the stream's position: a one-bit bitmap for P1 and P4, 24-bit colour otherwise.
// Bad headers, sample values that cannot be scaled and data that ends early set the Aborting flag.
void DecodePnmToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress, TIKReadMode mode);
// Writes P4 (one bit), P5 (gray) or P6 (colour) as BitsPerSample and SamplesPerPixel ask.
void EncodeBitmapToPnm(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress);

} // namespace imaging

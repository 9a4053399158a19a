// PCX files: one image read into a TIKBitmap (one-bit or 24-bit colour) and written at 1, 4, 8 or 24 bits
// with or without the format's run-length coding.
#pragma once

#include "imaging/io/IOParams.h"

#include <cstdint>
#include <string>

namespace vcl {
class TStream;
}

namespace imaging {

class TIKBitmap;

// Reads from the stream's position P; size is the number of bytes from P to the end of the image's data,
// its trailing 256-colour palette included. Bad headers, layouts the reader does not know and data that
// ends early set the Aborting flag.
void DecodePcxToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, int64_t size,
                       TIKProgressContext& progress, TIKReadMode mode);
// Opens the file for reading and reads its image.
void DecodePcxFileToBitmap(const std::string& fileName, TIKBitmap* bitmap, TIOParamsVals& params,
                           TIKProgressContext& progress);
// Expands one plane row of bpl bytes from data[pos..dataSize) into row; a run longer than the rest of the
// row carries into the next call through carryCount and carryValue; coding is the header's encoding byte.
// False when the data ends first.
bool DecodePcxRow(const uint8_t* data, int64_t dataSize, int64_t& pos, uint8_t* row, int32_t bpl,
                  TIKPcxCompression coding, int32_t& carryCount, uint8_t& carryValue);
// Writes the image at the stream's position with the depth that BitsPerSample x SamplesPerPixel asks for.
void EncodeBitmapToPcx(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress);
// Codes count bytes taken at source[offset + stride x i]; an odd count gets a 0 byte appended. The number
// of bytes written to output (at most 2 x count + 1).
int32_t EncodePcxRow(uint8_t* output, const uint8_t* source, int32_t count, int32_t stride, int32_t offset);

} // namespace imaging

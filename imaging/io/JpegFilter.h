// The JPEG filter: reads a JPEG datastream from a stream into a TIKBitmap (24-bit B,G,R rows) and the
// parameter record, and writes a TIKBitmap as a JPEG datastream, over libjpeg with stream source and
// destination managers of 64 KB buffers. Library errors become the caller's Aborting flag (and, when
// writing, an EIKJpegException with the library's message).
#pragma once

#include "imaging/core/IKHelpers.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Exceptions.h"

#include <cstdint>

namespace vcl {
class TStream;
}

namespace imaging {

class TIKBitmap;

class EIKJpegException : public vcl::Exception {
public:
    using Exception::Exception;
};

// Reads one datastream that starts within the first 100 bytes from the stream's position. tablesStream
// (nullptr, or a stream other than stream) holds an abbreviated tables-only datastream read first.
// ikrmParamsOnly stops once the output size is known, leaving the bitmap alone; ikjoRawComponents gives the
// stored components of a YCbCr datastream without colour conversion. Failure sets the Aborting flag; errors
// in the tables stream and a datastream of more than codecs::JpegDefaultMaxScans scans (each a pass over the
// whole picture, which a hostile file repeats every ten bytes) also raise EIKJpegException.
void DecodeJpegToBitmap(vcl::TStream* stream, vcl::TStream* tablesStream, TIKBitmap* bitmap,
                        TIOParamsVals& params, TIKProgressContext& progress, TIKReadMode mode,
                        TIKJpegOutput output);
// Writes the bitmap as one complete datastream at the stream's position. Bitmaps that are not 24-bit are
// converted first. Library errors set the Aborting flag and raise EIKJpegException; a short write sets the
// flag only.
void EncodeBitmapToJpeg(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                        TIKProgressContext& progress);
// The absolute position of the first FF D8 FF within the 100 positions from the stream's position, or -1.
// The position is restored.
int64_t LocateJpegSignature(vcl::TStream* stream);

// Adobe-style inverted CMYK (C, M, Y, K as stored) to a colour, and back.
TIKColorTriple JpegCmykToBgr(const uint8_t* cmyk);
void JpegBgrToCmyk(TIKColorTriple color, uint8_t* cmyk);

} // namespace imaging

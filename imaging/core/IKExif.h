// EXIF blocks: the payload of a JPEG APP1 marker ("Exif", two zero bytes, then a TIFF structure) read into
// the EXIF fields and the EXIF thumbnail of a parameter record.
#pragma once

#include <cstdint>

namespace imaging {

class TIOParamsVals;

// False, with nothing changed, unless data starts with "Exif", a zero byte and a second byte, followed by a
// TIFF header ("II" or "MM" and 42). Otherwise the EXIF fields of params come from the first image file
// directory (and the EXIF directory it points to), the thumbnail from the second when it can be decoded,
// ExifPresent is set and the result is true.
bool IKParseExifBlock(const void* data, int32_t size, TIOParamsVals& params);

} // namespace imaging

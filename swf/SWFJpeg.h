// The JPEG services of the SWF image: telling progressive files apart and re-encoding them as baseline
// JPEG, which older players need.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vcl {
class TStream;
}

namespace swf {

// Whether the JPEG data is progressive; false for data that is not JPEG.
bool JpegIsProgressive(const uint8_t* data, size_t size);
// Decodes the JPEG data and writes it again as a baseline JPEG file into out; raises
// vcl::EInvalidGraphic for data that cannot be decoded.
void JpegReencodeBaseline(const uint8_t* data, size_t size, vcl::TStream* out, uint16_t& width,
                          uint16_t& height);

} // namespace swf

// Feeds arbitrary bytes to the BMP reader: as a file through a stream, and as a packed DIB. Refusals are
// exceptions; anything else (a crash, a sanitizer report, a hang) is a finding.
#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        vcl::TReadOnlyMemoryStream stream(data, int64_t(size));
        vcl::TDibImage image = vcl::ReadBmp(&stream);
        // Touch every pixel through the accessors the bitmap classes use.
        uint32_t sum = 0;
        for (int32_t y = 0; y < image.Format.Height; ++y)
            for (int32_t x = 0; x < image.Format.Width; ++x)
                sum += vcl::DibPixelColor(image.Format, image.TopRow(y), x);
        (void)sum;
    } catch (const vcl::Exception&) {
    }
    try {
        vcl::TBmpReader reader = vcl::TBmpReader::FromPackedDib(data, size);
        (void)reader.Decode();
    } catch (const vcl::Exception&) {
    }
    return 0;
}

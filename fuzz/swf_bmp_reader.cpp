// Feeds arbitrary bytes to the SWF writer's BMP reader, and turns what it accepts into a SWF bitmap tag.
#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "swf/BMPReader.h"
#include "swf/FlashObjects.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        // Keep the fuzzer's memory small: look at the header first and skip pictures over 4 M pixels.
        {
            vcl::TReadOnlyMemoryStream peek(data, int64_t(size));
            std::vector<uint8_t> storage;
            vcl::TBmpReader header = vcl::ReadBmpHeader(&peek, storage);
            const vcl::TDibFormat& f = header.Format();
            if (int64_t(f.Width) * f.Height > (int64_t(1) << 22))
                return 0;
        }
        vcl::TReadOnlyMemoryStream stream(data, int64_t(size));
        swf::TBMPReader reader;
        reader.LoadFromStream(&stream);
        swf::TFlashMovie movie(0, 0, 10, 10, 12, true);
        swf::TFlashImage* image = movie.AddImage();
        image->TakeReader(std::move(reader));
        vcl::TMemoryStream out;
        swf::TBitsEngine engine(&out);
        image->WriteToStream(&engine);
    } catch (const vcl::Exception&) {
    }
    return 0;
}

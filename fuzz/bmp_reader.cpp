// Feeds arbitrary bytes to the BMP reader: as a file through a plain stream and a memory stream, and as a
// packed DIB; a decoded image is converted to 24 bits as bitmaps do. The same bytes go to the icon
// reader, whose images are packed DIBs decoded by the BMP reader. Refusals are
// exceptions; anything else (a crash, a sanitizer report, a hang) is a finding.
#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A stream that is not a memory stream, so that the reader takes its copying path (as for files).
class FuzzStream : public vcl::TStream {
public:
    FuzzStream(const uint8_t* data, size_t size) : FData(data), FSize(int64_t(size)) {}
    int32_t Read(void* buffer, int32_t count) override {
        int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, FSize - FPosition));
        if (n > 0)
            std::memcpy(buffer, FData + FPosition, size_t(n));
        FPosition += n;
        return int32_t(n);
    }
    int32_t Write(const void*, int32_t) override { return 0; }
    int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override {
        FPosition = (origin == vcl::soBeginning ? 0 : origin == vcl::soCurrent ? FPosition : FSize) + offset;
        return FPosition;
    }

private:
    const uint8_t* FData;
    int64_t FSize;
    int64_t FPosition = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Pictures the reader accepts may be large (a few RLE bytes can describe 256 million pixels); decoding
    // those is correct but slow, so the fuzzer parses them and decodes only moderate sizes.
    constexpr int64_t fuzzMaxPixels = int64_t(1) << 22;
    try {
        vcl::TBmpReader header = vcl::TBmpReader::FromFile(data, size);
        if (int64_t(header.Format().Width) * header.Format().Height > fuzzMaxPixels)
            return 0;
    } catch (const vcl::Exception&) {
    }
    try {
        FuzzStream copied(data, size);
        (void)vcl::ReadBmp(&copied);
    } catch (const vcl::Exception&) {
    }
    try {
        vcl::TReadOnlyMemoryStream stream(data, int64_t(size));
        vcl::TDibImage image = vcl::ReadBmp(&stream);
        // Touch every pixel through the accessors the bitmap classes use.
        uint32_t sum = 0;
        for (int32_t y = 0; y < image.Format.Height; ++y)
            for (int32_t x = 0; x < image.Format.Width; ++x)
                sum += vcl::DibPixelColor(image.Format, image.TopRow(y), x);
        (void)sum;
        vcl::TDibFormat to = image.Format;
        to.BitCount = 24;
        to.Colors.clear();
        std::vector<uint8_t> out(size_t(to.ImageBytes()));
        vcl::ConvertDibPixels(image.Format, image.Bits.data(), to, out.data());
    } catch (const vcl::Exception&) {
    }
    try {
        vcl::TBmpReader reader = vcl::TBmpReader::FromPackedDib(data, size);
        if (int64_t(reader.Format().Width) * reader.Format().Height <= fuzzMaxPixels)
            (void)reader.Decode();
    } catch (const vcl::Exception&) {
    }
    try {
        vcl::TReadOnlyMemoryStream stream(data, int64_t(size));
        vcl::TIcon icon;
        icon.LoadFromStream(&stream);
    } catch (const vcl::Exception&) {
    }
    return 0;
}

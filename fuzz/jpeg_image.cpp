// Feeds arbitrary bytes to the class library's JPEG image: the header read, then the picture decoded with
// the settings the last input byte picks (gray scale, best speed, smoothing), and a small picture written
// again progressively and read back. Refusals are EJPEG exceptions; a crash, a sanitizer report, a leak, a
// hang or an allocation out of proportion to the input is a finding.
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/JpegImage.h"
#include "platform/vcl/Streams.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Pictures the reader accepts may be large (a few hundred bytes may describe 16 million pixels); decoding
    // those is correct but slow, so the fuzzer reads their header and decodes only moderate sizes.
    constexpr int64_t fuzzMaxPixels = int64_t(1) << 20;
    const uint8_t choice = size ? data[size - 1] : 0;
    vcl::TJPEGImage jpeg;
    try {
        vcl::TReadOnlyMemoryStream stream(data, int64_t(size));
        jpeg.LoadFromStream(&stream);
    } catch (const vcl::Exception&) {
        return 0;
    }
    if (int64_t(jpeg.GetWidth()) * jpeg.GetHeight() > fuzzMaxPixels)
        return 0;
    jpeg.SetGrayscale(choice & 1);
    jpeg.SetPerformance(choice & 2 ? vcl::jpBestSpeed : vcl::jpBestQuality);
    jpeg.SetSmoothing(choice & 4);
    vcl::TBitmap* bitmap = nullptr;
    try {
        bitmap = jpeg.GetBitmap();
    } catch (const vcl::Exception&) {
        return 0;
    }
    if (!bitmap || int64_t(jpeg.GetWidth()) * jpeg.GetHeight() > 4096)
        return 0;
    vcl::TJPEGImage again;
    again.SetProgressiveEncoding(choice & 8);
    again.Assign(bitmap);
    vcl::TMemoryStream written;
    again.SaveToStream(&written);
    written.SetPosition(0);
    vcl::TJPEGImage back;
    back.LoadFromStream(&written);
    (void)back.GetBitmap();
    return 0;
}

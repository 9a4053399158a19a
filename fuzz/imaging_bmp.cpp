// Feeds arbitrary bytes to the imaging library's BMP reader, with the size known and unknown, and to its
// run-length decoders directly. Failures set the Aborting flag; a crash, a sanitizer report or a hang is a
// finding.
#include "imaging/core/IKBitmap.h"
#include "imaging/io/BmpFilter.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Streams.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace imaging;
    vcl::TReadOnlyMemoryStream stream(data, int64_t(size));
    TIKBitmap bitmap;
    TIOParamsVals params;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    DecodeBmpToBitmap(&stream, &bitmap, 0, params, progress, ikrmParamsOnly);
    if (!aborting && int64_t(params.Width) * params.Height <= (1 << 22)) {
        stream.SetPosition(0);
        DecodeBmpToBitmap(&stream, &bitmap, size % 3 == 0 ? 0 : int64_t(size), params, progress, ikrmImage);
    }
    // The run-length decoders on the raw bytes, into a small image with a short palette.
    TIKBitmap small;
    small.Allocate(size > 0 ? 1 + data[0] % 40 : 1, 17, ikbf24Bit);
    std::vector<TIKColorTriple> palette(size > 1 ? data[1] % 20 : 0);
    std::atomic<bool> rleAborting{false};
    TIKProgressContext rleProgress(rleAborting);
    rleProgress.PerRowStep = 100.0 / 17;
    DecodeBmpRle8(&small, data, int64_t(size), rleProgress, palette.data(), int32_t(palette.size()));
    DecodeBmpRle4(&small, data, int64_t(size), rleProgress, palette.data(), int32_t(palette.size()));
    return 0;
}

// Feeds arbitrary bytes to the imaging library's PNG reader: a parameters-only read, then a full read of
// images of moderate size. Failures set the Aborting flag; a crash, a sanitizer report or a hang is a
// finding.
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/PngFilter.h"
#include "platform/vcl/Streams.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace imaging;
    vcl::TReadOnlyMemoryStream stream(data, int64_t(size));
    TIKBitmap bitmap;
    TIOParamsVals params;
    std::unique_ptr<TIKMask> mask;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    DecodePngToBitmap(&stream, &bitmap, params, progress, ikrmParamsOnly, mask, ikamIgnore);
    if (aborting || int64_t(params.Width) * params.Height > (1 << 22))
        return 0;
    stream.SetPosition(0);
    DecodePngToBitmap(&stream, &bitmap, params, progress, ikrmImage, mask, ikamKeep);
    return 0;
}

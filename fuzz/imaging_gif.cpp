// Feeds arbitrary bytes to the imaging library's GIF reader through its LZW decoder: a parameters-only
// read, then full reads of the first images. Failures set the Aborting flag; a crash, a sanitizer report or
// a hang is a finding.
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/GifFilter.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Streams.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace imaging;
    for (int32_t index = 0; index < 2; ++index) {
        vcl::TReadOnlyMemoryStream stream(data, int64_t(size));
        TIKBitmap bitmap;
        TIOParamsVals params;
        params.GifImageIndex = index;
        std::unique_ptr<TIKMask> mask;
        int32_t count = 0;
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        DecodeGifToBitmap(&stream, &bitmap, count, params, progress, ikrmParamsOnly, mask, ikamIgnore);
        if (aborting || int64_t(params.Width) * params.Height > (1 << 18))
            return 0;
        stream.SetPosition(0);
        DecodeGifToBitmap(&stream, &bitmap, count, params, progress, ikrmImage, mask, ikamKeep);
    }
    return 0;
}

// Feeds arbitrary bytes to the TGA reader with and without alpha. Failures set the Aborting flag; a crash,
// a sanitizer report or a hang is a finding.
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/TgaFilter.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace imaging;
    vcl::TReadOnlyMemoryStream stream(data, int64_t(size));
    for (TIKAlphaMode alphaMode : {ikamKeep, ikamIgnore}) {
        TIKBitmap bitmap;
        TIOParamsVals params;
        std::unique_ptr<TIKMask> mask;
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        stream.SetPosition(0);
        try {
            DecodeTgaToBitmap(&stream, &bitmap, params, progress, ikrmImage, mask, alphaMode);
        } catch (const vcl::Exception&) {
            // Refusals of the pixel store are reports, not findings.
        }
    }
    return 0;
}

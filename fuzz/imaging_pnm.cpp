// Feeds arbitrary bytes to the PNM reader (a parameters-only read, then a full one) and to the format
// registry's signature detection, which must leave the stream where it was. Failures set the Aborting flag;
// a crash, a sanitizer report or a hang is a finding.
#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOFormatRegistry.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/PnmFilter.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace imaging;
    vcl::TReadOnlyMemoryStream stream(data, int64_t(size));
    if (FindStreamFormat(&stream) < 0 || stream.GetPosition() != 0)
        std::abort();
    TIKBitmap bitmap;
    TIOParamsVals params;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    try {
        DecodePnmToBitmap(&stream, &bitmap, params, progress, ikrmParamsOnly);
        stream.SetPosition(0);
        DecodePnmToBitmap(&stream, &bitmap, params, progress, ikrmImage);
    } catch (const vcl::Exception&) {
        // Refusals of the pixel store (an image too large to keep) are reports, not findings.
    }
    return 0;
}

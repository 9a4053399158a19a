// Feeds arbitrary bytes to the PCX reader, as a whole file and from a position inside the data. Failures
// set the Aborting flag; a crash, a sanitizer report or a hang is a finding.
#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/PcxFilter.h"
#include "platform/vcl/Streams.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace imaging;
    vcl::TReadOnlyMemoryStream stream(data, int64_t(size));
    TIKBitmap bitmap;
    TIOParamsVals params;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    DecodePcxToBitmap(&stream, &bitmap, params, int64_t(size), progress, ikrmImage);
    if (size > 3) {
        stream.SetPosition(3);
        DecodePcxToBitmap(&stream, &bitmap, params, int64_t(size) - 3, progress, ikrmImage);
    }
    return 0;
}

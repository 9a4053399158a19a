// Feeds arbitrary bytes to the JPEG 2000 reader: a parameters-only read, then a full read of images of
// moderate size. Inputs that start with neither signature get the code stream's start put in front, so
// that the fuzzer reaches the decoder. Failures set the Aborting flag; a crash, a sanitizer report or a
// hang is a finding.
#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/Jpeg2000Filter.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace imaging;
    std::vector<uint8_t> bytes(data, data + size);
    {
        vcl::TReadOnlyMemoryStream probe(bytes.data(), int64_t(bytes.size()));
        if (!IsJp2Stream(&probe) && !IsJ2kStream(&probe))
            bytes.insert(bytes.begin(), {0xFF, 0x4F, 0xFF, 0x51});
    }
    vcl::TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    TIKBitmap bitmap;
    TIOParamsVals params;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    try {
        DecodeJpeg2000ToBitmap(&stream, &bitmap, params, progress, ikrmParamsOnly);
        if (aborting || int64_t(params.Width) * params.Height > (1 << 20))
            return 0;
        stream.SetPosition(0);
        DecodeJpeg2000ToBitmap(&stream, &bitmap, params, progress, ikrmImage);
    } catch (const vcl::Exception&) {
        // Refusals of the pixel store are reports, not findings.
    }
    return 0;
}

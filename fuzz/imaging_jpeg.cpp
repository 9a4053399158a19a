// Feeds arbitrary bytes to the imaging library's JPEG reader: a parameters-only read, then a full read of
// images of moderate size, also with the bytes as a tables stream. Failures set the Aborting flag (and raise
// EIKJpegException for the tables stream and for too many scans); a crash, a sanitizer report or a hang is
// a finding.
#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/JpegFilter.h"
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
    DecodeJpegToBitmap(&stream, nullptr, &bitmap, params, progress, ikrmParamsOnly, ikjoConverted);
    // Large images decode slowly without finding more: the fuzzer keeps to small ones.
    if (aborting || int64_t(params.Width) * params.Height > (1 << 22))
        return 0;
    stream.SetPosition(0);
    params.JpegScale = uint8_t(size % 5);
    try {
        DecodeJpegToBitmap(&stream, nullptr, &bitmap, params, progress, ikrmImage,
                           size % 7 == 0 ? ikjoRawComponents : ikjoConverted);
    } catch (const EIKJpegException&) {
        // A datastream of too many scans is reported this way.
    }
    vcl::TReadOnlyMemoryStream tables(data, int64_t(size / 2));
    stream.SetPosition(0);
    std::atomic<bool> again{false};
    TIKProgressContext progress2(again);
    try {
        DecodeJpegToBitmap(&stream, &tables, &bitmap, params, progress2, ikrmImage, ikjoConverted);
    } catch (const EIKJpegException&) {
        // Errors in a tables stream are reported this way.
    }
    return 0;
}

// Feeds arbitrary bytes to the TIFF reader: the parameters of the first pages, the pixels of pages of
// moderate size (with the library's LZW coder, alpha masks and orientation), and the same bytes as the TIFF
// structure of an EXIF block. Failures are the Aborting flag; anything else (a crash, a sanitizer report, a
// hang) is a finding.
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKExif.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/IOLzw.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/TiffRead.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace imaging;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Pages the reader accepts may be large; decoding those is correct but slow, so only moderate sizes are
    // decoded.
    constexpr int64_t fuzzMaxPixels = int64_t(1) << 20;
    TiffLzwDecoderHook = IOTiffLzwDecode;
    for (int32_t page = 0; page < 2; ++page) {
        try {
            vcl::TReadOnlyMemoryStream stream(data, int64_t(size));
            TIOParamsVals params;
            params.TiffImageIndex = page;
            params.TiffApplyOrientation = 1;
            std::atomic<bool> aborting{false};
            TIKProgressContext progress(aborting);
            TIKBitmap bitmap;
            bitmap.SetStorageKind(ikbsMemory);
            int32_t pages = 0;
            DecodeTiffToBitmap(&bitmap, &stream, pages, params, progress, ikrmParamsOnly, nullptr, ikamKeep);
            if (aborting || int64_t(params.Width) * params.Height > fuzzMaxPixels ||
                int64_t(params.Width) * 16 > fuzzMaxPixels)
                continue;
            std::unique_ptr<TIKMask> mask;
            stream.SetPosition(0);
            DecodeTiffToBitmap(&bitmap, &stream, pages, params, progress, ikrmImage, &mask, ikamKeep);
        } catch (const vcl::Exception&) {
        }
    }
    try {
        std::vector<uint8_t> block = {'E', 'x', 'i', 'f', 0, 0};
        block.insert(block.end(), data, data + size);
        TIOParamsVals params;
        IKParseExifBlock(block.data(), int32_t(block.size()), params);
    } catch (const vcl::Exception&) {
    }
    return 0;
}

// Feeds arbitrary bytes to the icon and cursor readers, for the first three images of the directory.
// Failures set the Aborting flag; a crash, a sanitizer report or a hang is a finding.
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/IcoFilter.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace imaging;
    vcl::TReadOnlyMemoryStream stream(data, int64_t(size));
    IsIcoStream(&stream);
    IsCurStream(&stream);
    for (int32_t index = 0; index < 3; ++index) {
        for (bool cursor : {false, true}) {
            TIKBitmap bitmap;
            TIOParamsVals params;
            params.IcoImageIndex = params.CurImageIndex = index;
            std::unique_ptr<TIKMask> mask;
            std::atomic<bool> aborting{false};
            TIKProgressContext progress(aborting);
            stream.SetPosition(0);
            try {
                if (cursor)
                    DecodeCurToBitmap(&stream, &bitmap, params, ikrmImage, progress, mask, ikamKeep);
                else
                    DecodeIcoToBitmap(&stream, &bitmap, params, ikrmImage, progress, mask,
                                      index == 2 ? ikamIgnore : ikamKeep);
            } catch (const vcl::Exception&) {
                // Refusals of the pixel store are reports, not findings.
            }
        }
    }
    return 0;
}

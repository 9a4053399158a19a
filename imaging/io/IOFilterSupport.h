// Small pieces the format filters share: the checked write that reports a short write through the
// progress record, and the size limits readers check before they allocate.
#pragma once

#include "imaging/core/IKHelpers.h"
#include "imaging/io/IOParams.h"

#include <cstdint>

namespace imaging {

// Images with more pixels than this are refused by the readers before anything is allocated.
constexpr int64_t IKMaxReadPixels = int64_t(1) << 30;

// Writes count bytes; when the stream takes fewer, the progress record's Aborting flag is set.
inline void IKFilterWrite(vcl::TStream* stream, TIKProgressContext& progress, const void* buffer,
                          int32_t count) {
    bool aborting = false;
    IKWriteStreamChecked(stream, aborting, buffer, count);
    if (aborting)
        progress.SetAborting();
}

// Sets the step for height rows and clears the counter.
inline void IKFilterStartRows(TIKProgressContext& progress, int32_t height) {
    progress.RowsDone = 0;
    progress.PerRowStep = height > 0 ? 100.0 / height : 0;
}

} // namespace imaging

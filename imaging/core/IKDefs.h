// Library-wide definitions of the imaging library: the resampling filters, its lock and the folder of its
// temporary files.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace imaging {

// Resampling filters: rfNone draws without resampling; rfFastLinear, rfBilinear and rfBicubic have routines
// of their own; the others are kernels of the two-pass filtered rescaling.
enum TResampleFilter : uint8_t {
    rfNone,
    rfTriangle,
    rfHermite,
    rfBell,
    rfBSpline,
    rfLanczos3,
    rfMitchell,
    rfNearest,
    rfLinear,
    rfFastLinear,
    rfBilinear,
    rfBicubic
};

// The library-wide lock: the multi-image view's background loading and drawing hold it. Recursive, as a
// critical section is.
std::recursive_mutex& IKLibraryLock();

// The folder for the library's temporary files; the system's temporary folder when empty (the default).
extern std::string DefaultTempFolder;

} // namespace imaging

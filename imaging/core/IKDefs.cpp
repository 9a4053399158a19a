#include "imaging/core/IKDefs.h"

namespace imaging {

std::recursive_mutex& IKLibraryLock() {
    static std::recursive_mutex lock;
    return lock;
}

std::string DefaultTempFolder;

} // namespace imaging

#include "imaging/core/IKDefs.h"

#include <cstdlib>

namespace imaging {

std::recursive_mutex& IKLibraryLock() {
    static std::recursive_mutex lock;
    return lock;
}

std::string DefaultTempFolder;

std::string IKTempFolder() {
    if (!DefaultTempFolder.empty())
        return DefaultTempFolder;
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? std::string(tmp) : std::string("/tmp");
}

} // namespace imaging

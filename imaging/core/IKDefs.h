// Library-wide definitions of the imaging library: its lock and the folder of its temporary files.
#pragma once

#include <mutex>
#include <string>

namespace imaging {

// The library-wide lock: the multi-image view's background loading and drawing hold it. Recursive, as a
// critical section is.
std::recursive_mutex& IKLibraryLock();

// The folder for the library's temporary files; the system's temporary folder when empty (the default).
extern std::string DefaultTempFolder;

} // namespace imaging

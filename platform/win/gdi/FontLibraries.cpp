#include "platform/win/gdi/FontLibraries.h"

#include <dlfcn.h>

#include <type_traits>

namespace win {
namespace {

// The sonames of the interfaces the headers above describe.
constexpr const char* FontLibrariesFreeType = "libfreetype.so.6";
constexpr const char* FontLibrariesFontconfig = "libfontconfig.so.1";

const FontLibraries* FontLibrariesLoad() {
    void* freetype = dlopen(FontLibrariesFreeType, RTLD_NOW | RTLD_LOCAL);
    void* fontconfig = dlopen(FontLibrariesFontconfig, RTLD_NOW | RTLD_LOCAL);
    if (!freetype || !fontconfig)
        return nullptr;
    auto* libraries = new FontLibraries; // kept for the life of the process, as the libraries are
    bool complete = true;
    auto find = [&](auto& function, const char* name) {
        void* symbol = dlsym(name[0] == 'F' && name[1] == 'T' ? freetype : fontconfig, name);
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(symbol);
        complete = complete && symbol;
    };
#define LOOMWICK_FONT_LIBRARY_FIND(name) find(libraries->name, #name);
    LOOMWICK_FONT_LIBRARY_CALLS(LOOMWICK_FONT_LIBRARY_FIND)
#undef LOOMWICK_FONT_LIBRARY_FIND
    if (!complete) {
        delete libraries;
        return nullptr;
    }
    return libraries;
}

} // namespace

const FontLibraries* OpenFontLibraries() {
    static const FontLibraries* const libraries = FontLibrariesLoad();
    return libraries;
}

} // namespace win

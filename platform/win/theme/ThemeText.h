// UTF-16 names and texts of the visual-styles calls, converted to and from the layer's UTF-8.
#pragma once

#include <string>

namespace win {

// count: code units, -1 up to the terminator. Unpaired surrogates become U+FFFD.
std::string ThemeUtf16ToUtf8(const char16_t* text, int count);

} // namespace win

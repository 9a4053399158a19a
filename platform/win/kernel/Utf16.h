// Text conversions between the layer's UTF-8 and the UTF-16 that some records and calls carry.
#pragma once

#include <string>

namespace win {

// UTF-8 to UTF-16 and back (unpaired surrogates and bad bytes become U+FFFD).
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

} // namespace win

// Text conversions between the layer's UTF-8 and the UTF-16 that some records and calls carry.
#pragma once

#include <string>

namespace win {

// UTF-8 to UTF-16 and back (unpaired surrogates and bad bytes become U+FFFD).
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);
// Appends one code point as UTF-8 (a surrogate or a value past U+10FFFF becomes U+FFFD).
void AppendUtf8(std::string& out, char32_t cp);

} // namespace win

// Percent-encoded text: "%" and two hexadecimal digits stand for one byte, as in URLs and in the
// per-user store's names and values.
#pragma once

#include <string>
#include <string_view>

namespace win {

// The value of a hexadecimal digit (either case), or -1.
int HexDigitValue(char c);

// Each "%" followed by two hexadecimal digits becomes the byte they give; everything else, a "%"
// without two digits after it included, stays as it is.
std::string PercentDecode(std::string_view text);

} // namespace win

#include "platform/win/kernel/PercentCoding.h"

namespace win {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        int hi, lo;
        if (text[i] == '%' && i + 2 < text.size() && (hi = HexDigitValue(text[i + 1])) >= 0 &&
            (lo = HexDigitValue(text[i + 2])) >= 0) {
            out += char(hi * 16 + lo);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace win

#include "platform/win/theme/ThemeText.h"

#include "platform/win/kernel/Utf16.h"

namespace win {

std::string ThemeUtf16ToUtf8(const char16_t* text, int count) {
    if (!text)
        return {};
    return Utf16ToUtf8(count < 0 ? std::u16string(text) : std::u16string(text, size_t(count)));
}

} // namespace win

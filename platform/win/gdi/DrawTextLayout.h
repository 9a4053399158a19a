// Internal: the line layout of DrawText, independent of any device so that it can be tested with a
// simple measure.
#pragma once

#include "platform/win/WinTypes.h"

#include <functional>
#include <string>
#include <vector>

namespace win::text {

struct DrawTextLine {
    std::u32string Text;       // what is shown (mnemonic marks removed, ellipsis applied)
    std::vector<int> Advances; // per character, tabs expanded
    int Width = 0;
    int Underline = -1; // index in Text of the mnemonic character, -1 for none
};

struct DrawTextLayoutInput {
    std::u32string Text;
    UINT Format = 0; // DT_ flags (DT_TABSTOP already resolved: tab bits cleared)
    int Width = 0;   // of the formatting rectangle
    int Height = 0;  // of the formatting rectangle
    int LineHeight = 1;
    int TabWidth = 64; // pixels between tab stops
    std::function<int(char32_t)> Advance;
};

struct DrawTextLayoutResult {
    std::vector<DrawTextLine> Lines;
    int MaxWidth = 0;
    bool Ellipsized = false;
};

DrawTextLayoutResult LayoutDrawText(const DrawTextLayoutInput& in);

// The text as it should read after DT_MODIFYSTRING: lines joined by CR LF, mnemonic marks written back
// unless the format has DT_NOPREFIX.
std::u32string DrawTextShownText(const DrawTextLayoutResult& layout, UINT format);

} // namespace win::text

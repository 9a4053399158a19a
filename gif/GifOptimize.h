// Making a document smaller in place: TGifDocument::Optimize, TGifDocument::OptimizeToGlobalColorMap,
// TGifFrame::TrimTransparentBorder and TGifFrame::BlankUnchangedPixels are defined with these helpers.
#pragma once

#include <cstdint>

namespace gif {

// True when value occurs among the first count bytes of buffer.
bool ContainsByte(const uint8_t* buffer, uint8_t value, int64_t count);

} // namespace gif

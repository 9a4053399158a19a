// The byte search the optimiser shares with its tests. The optimisation itself is declared with the
// document and the frame (TGifDocument::Optimize, TGifDocument::OptimizeToGlobalColorMap,
// TGifFrame::TrimTransparentBorder, TGifFrame::BlankUnchangedPixels) and defined in GifOptimize.cpp.
#pragma once

#include <cstdint>

namespace gif {

// True when value occurs among the first count bytes of buffer.
bool ContainsByte(const uint8_t* buffer, uint8_t value, int64_t count);

} // namespace gif

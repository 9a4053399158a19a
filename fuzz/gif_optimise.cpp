// Feeds arbitrary bytes to the GIF reader, runs every optimisation step on whatever it accepts, merges
// the colour tables into one global table and writes the result to memory. A written document must read
// back with as many non-empty frames as it was written with (a frame without pixels may be left out).
#include "fuzz/GifFuzzSupport.h"

#include <cstdint>

namespace {

int32_t NonEmptyFrames(gif::TGifDocument& doc) {
    int32_t count = 0;
    for (int32_t i = 0; i < doc.FrameCount(); ++i)
        count += doc.Frame(i)->IsEmpty() ? 0 : 1;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    giffuzz::LimitSizes();
    // The trailing byte picks the reduction and dither settings; a GIF ignores bytes after its trailer.
    const uint8_t pick = size > 0 ? data[size - 1] : 0;
    const auto method = static_cast<gif::TGifReductionMethod>(pick % 10);
    const auto dither = static_cast<gif::TGifDitherMethod>((pick / 10) % 7);
    const int32_t bits = 3 + (pick / 70) % 6;
    const gif::TGifOptimizeOptions all = gif::opTrimTransparent | gif::opBlankUnchanged | gif::opCleanUp |
                                         gif::opSortColorTables | gif::opReduceColors;

    gif::TGifDocument doc;
    giffuzz::LoadLeniently(doc, data, size);
    try {
        doc.Optimize(all, method, dither, bits);
        doc.OptimizeToGlobalColorMap();
    } catch (const vcl::Exception&) {
        return 0;
    }
    auto back = giffuzz::SaveAndReadBack(doc);
    if (back && NonEmptyFrames(*back) != NonEmptyFrames(doc))
        __builtin_trap();
    return 0;
}

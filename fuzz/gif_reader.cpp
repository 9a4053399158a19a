// Feeds arbitrary bytes to the GIF reader. Whatever it accepts is written back, and a written document
// must read back with the same frames.
#include "fuzz/GifFuzzSupport.h"

#include <cstdint>
#include <vector>

namespace {

struct FuzzFrame {
    int32_t Width;
    int32_t Height;
    std::vector<uint8_t> Pixels;
    bool operator==(const FuzzFrame&) const = default;
};

std::vector<FuzzFrame> FuzzFrames(gif::TGifDocument& doc) {
    std::vector<FuzzFrame> frames;
    for (int32_t i = 0; i < doc.FrameCount(); ++i) {
        gif::TGifFrame* frame = doc.Frame(i);
        if (frame->IsEmpty())
            continue;
        const uint8_t* p = frame->GetPixels();
        frames.push_back({frame->Descriptor().Width, frame->Descriptor().Height,
                          std::vector<uint8_t>(p, p + frame->GetPixelCount())});
    }
    return frames;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    giffuzz::LimitSizes();
    gif::TGifDocument doc;
    giffuzz::LoadLeniently(doc, data, size);
    auto back = giffuzz::SaveAndReadBack(doc);
    if (back && FuzzFrames(doc) != FuzzFrames(*back))
        __builtin_trap();
    return 0;
}

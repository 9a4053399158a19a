// Feeds arbitrary bytes to the GIF reader. Whatever it accepts is written back, and a written document
// must read back with the same frames.
#include "gif/GifDocument.h"
#include "platform/vcl/Streams.h"

#include <cstdint>
#include <cstring>
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
    // Keep single inputs small: a few bytes can claim frames of 65535 x 65535 pixels.
    gif::GifMaxFramePixels = int64_t(1) << 18;
    gif::GifMaxDocumentPixels = int64_t(1) << 20;
    gif::TGifDocument doc;
    vcl::TReadOnlyMemoryStream input(data, int64_t(size));
    try {
        doc.LoadFromStream(&input);
    } catch (const vcl::Exception&) {
    }
    vcl::TMemoryStream output;
    try {
        doc.SaveToStream(&output);
    } catch (const vcl::Exception&) {
        return 0;
    }
    gif::TGifDocument back;
    output.SetPosition(0);
    back.LoadFromStream(&output);
    if (FuzzFrames(doc) != FuzzFrames(back))
        __builtin_trap();
    return 0;
}

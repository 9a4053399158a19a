// A write-only stream that deflates everything written to it into another stream (zlib format), with a
// progress callback that reports the bytes consumed so far.
#pragma once

#include "platform/vcl/Streams.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace swf {

// The levels of a compressed movie's two compressions. The lossless bitmaps are deflated at level 5, and
// then the body that holds them deflates again at level 1: deflating data that is already deflated gains
// next to nothing (on 100 photo-like 640 x 480 frames the body's level 6 took a fifth of the time and
// saved 1.5%), but the body's level 1 still finds each frame's bytes repeated in the next (drawn frames
// shrink 9 times), and level 5 costs less than 6 and lost no size there. docs/architecture.md has the
// figures.
constexpr int SWFBitmapDeflateLevel = 5;
constexpr int SWFBodyDeflateLevel = 1;

class TSWFDeflateStream : public vcl::TStream {
public:
    // level: 0 (stored) to 9, or Z_DEFAULT_COMPRESSION (-1).
    explicit TSWFDeflateStream(vcl::TStream* target, int level = -1);
    ~TSWFDeflateStream() override;

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override;

    // Completes the zlib data. Must be called for the output to be complete; errors raise here.
    void Finish();
    // Called after each block of input with the uncompressed bytes consumed so far.
    std::function<void(int64_t consumed)> OnProgress;

private:
    void Pump(int flush);
    struct State;
    std::unique_ptr<State> FState;
    vcl::TStream* FTarget;
    int64_t FConsumed = 0;
    bool FFinished = false;
};

// Deflates a block of memory into the target stream in one go.
void DeflateInto(const void* data, int64_t size, vcl::TStream* target, int level = -1);

} // namespace swf

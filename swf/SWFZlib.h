// A write-only stream that deflates everything written to it into another stream (zlib format, default
// level), with a progress callback that reports the bytes consumed so far.
#pragma once

#include "platform/vcl/Streams.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace swf {

class TSWFDeflateStream : public vcl::TStream {
public:
    explicit TSWFDeflateStream(vcl::TStream* target);
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
void DeflateInto(const void* data, int64_t size, vcl::TStream* target);

} // namespace swf

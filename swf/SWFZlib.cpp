#include "swf/SWFZlib.h"

#include "platform/vcl/Exceptions.h"

#include <algorithm>
#include <zlib.h>

namespace swf {

struct TSWFDeflateStream::State {
    z_stream Z{};
    unsigned char Out[64 * 1024];
};

TSWFDeflateStream::TSWFDeflateStream(vcl::TStream* target, int level)
    : FState(std::make_unique<State>()), FTarget(target) {
    if (deflateInit(&FState->Z, level) != Z_OK)
        throw vcl::EOutOfMemory("Cannot start zlib compression");
}

TSWFDeflateStream::~TSWFDeflateStream() {
    deflateEnd(&FState->Z);
}

int32_t TSWFDeflateStream::Read(void*, int32_t) {
    throw vcl::EReadError("Invalid stream operation");
}

int64_t TSWFDeflateStream::Seek(int64_t offset, vcl::TSeekOrigin origin) {
    // Only position queries make sense on a compressor.
    if (offset == 0 && origin == vcl::soCurrent)
        return FConsumed;
    throw vcl::EStreamError("Invalid stream operation");
}

void TSWFDeflateStream::Pump(int flush) {
    z_stream& z = FState->Z;
    for (;;) {
        z.next_out = FState->Out;
        z.avail_out = sizeof(FState->Out);
        int rc = deflate(&z, flush);
        if (rc == Z_STREAM_ERROR)
            throw vcl::EWriteError("zlib compression error");
        int32_t produced = static_cast<int32_t>(sizeof(FState->Out) - z.avail_out);
        FTarget->WriteBuffer(FState->Out, produced);
        if (flush == Z_FINISH ? rc == Z_STREAM_END : (z.avail_in == 0 && z.avail_out != 0))
            return;
    }
}

int32_t TSWFDeflateStream::Write(const void* buffer, int32_t count) {
    if (FFinished)
        throw vcl::EWriteError("Stream write error");
    if (count <= 0)
        return 0;
    FState->Z.next_in = static_cast<Bytef*>(const_cast<void*>(buffer));
    FState->Z.avail_in = static_cast<uInt>(count);
    Pump(Z_NO_FLUSH);
    FConsumed += count;
    if (OnProgress)
        OnProgress(FConsumed);
    return count;
}

void TSWFDeflateStream::Finish() {
    if (FFinished)
        return;
    FState->Z.next_in = nullptr;
    FState->Z.avail_in = 0;
    Pump(Z_FINISH);
    FFinished = true;
}

void DeflateInto(const void* data, int64_t size, vcl::TStream* target, int level) {
    TSWFDeflateStream z(target, level);
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        int32_t n = static_cast<int32_t>(std::min<int64_t>(size, 1 << 20));
        z.WriteBuffer(p, n);
        p += n;
        size -= n;
    }
    z.Finish();
}

} // namespace swf

#include "imaging/io/IOByteReader.h"

#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cstring>

namespace imaging {

namespace {
constexpr size_t ByteReaderChunk = 64 * 1024;
}

TIKByteReader::TIKByteReader(vcl::TStream* stream, int64_t limit) : FStream(stream) {
    FStart = stream->GetPosition();
    const int64_t left = std::max<int64_t>(0, stream->GetSize() - FStart);
    FLimit = limit < 0 ? left : std::min(limit, left);
}

TIKByteReader::~TIKByteReader() {
    try {
        Release();
    } catch (...) {
        // The position of a failing stream does not matter any more.
    }
}

bool TIKByteReader::Refill() {
    FConsumedBefore += int64_t(FFill);
    FPos = 0;
    FFill = 0;
    const int64_t want = std::min<int64_t>(int64_t(ByteReaderChunk), FLimit - FConsumedBefore);
    if (want <= 0)
        return false;
    FBuffer.resize(ByteReaderChunk);
    const int32_t got = FStream->Read(FBuffer.data(), int32_t(want));
    if (got <= 0) {
        FLimit = FConsumedBefore; // the stream ended before its reported size
        return false;
    }
    FFill = size_t(got);
    return true;
}

int64_t TIKByteReader::Read(void* dest, int64_t count) {
    auto* out = static_cast<uint8_t*>(dest);
    int64_t done = 0;
    while (done < count) {
        if (FPos == FFill && !Refill())
            break;
        const size_t n = size_t(std::min<int64_t>(count - done, int64_t(FFill - FPos)));
        std::memcpy(out + done, FBuffer.data() + FPos, n);
        FPos += n;
        done += int64_t(n);
    }
    return done;
}

int64_t TIKByteReader::Skip(int64_t count) {
    int64_t done = 0;
    while (done < count) {
        if (FPos == FFill && !Refill())
            break;
        const size_t n = size_t(std::min<int64_t>(count - done, int64_t(FFill - FPos)));
        FPos += n;
        done += int64_t(n);
    }
    return done;
}

void TIKByteReader::Release() {
    if (FReleased)
        return;
    FReleased = true;
    FStream->Seek(FStart + Consumed(), vcl::soBeginning);
}

} // namespace imaging

// A buffered, bounds-checked reader over a class-library stream for the format readers: bytes come from
// a window of the stream (from its position at construction to a limit), the reader never looks past that
// limit, and Release puts the stream's position right after the last byte consumed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vcl {
class TStream;
}

namespace imaging {

class TIKByteReader {
public:
    // limit: bytes available from the current position; -1 reads to the end of the stream.
    explicit TIKByteReader(vcl::TStream* stream, int64_t limit = -1);
    ~TIKByteReader();
    TIKByteReader(const TIKByteReader&) = delete;
    TIKByteReader& operator=(const TIKByteReader&) = delete;

    // The next byte, or -1 at the end of the window.
    int32_t GetByte() {
        if (FPos == FFill && !Refill())
            return -1;
        return FBuffer[FPos++];
    }
    // The next byte without consuming it, or -1.
    int32_t PeekByte() {
        if (FPos == FFill && !Refill())
            return -1;
        return FBuffer[FPos];
    }
    // Copies up to count bytes; the number copied (fewer only at the end of the window).
    int64_t Read(void* dest, int64_t count);
    // Skips up to count bytes; the number skipped.
    int64_t Skip(int64_t count);
    // Bytes consumed since construction and bytes left in the window.
    int64_t Consumed() const { return FConsumedBefore + int64_t(FPos); }
    int64_t Remaining() const { return FLimit - Consumed(); }
    bool AtEnd() { return PeekByte() < 0; }
    // Puts the stream right after the last consumed byte (also done by the destructor).
    void Release();

private:
    bool Refill();

    vcl::TStream* FStream;
    int64_t FStart;
    int64_t FLimit;
    int64_t FConsumedBefore = 0; // bytes of the window before the buffer's first byte
    std::vector<uint8_t> FBuffer;
    size_t FPos = 0;
    size_t FFill = 0;
    bool FReleased = false;
};

} // namespace imaging

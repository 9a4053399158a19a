// The raster coders: the LZW decoder, the data sub-block writer, and the two encoders (dictionary LZW and
// run-length) that both produce a GIF LZW code stream.
#pragma once

#include "platform/vcl/Streams.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace gif {

// Decodes the LZW data of one frame, gathered from its data sub-blocks, into pixel indices in stream
// order. Every code is checked against the table, every prefix walk is bounded, and a cycle of table
// entries raises "Circular decoder table entry".
class TGifLzwDecoder {
public:
    // minCodeSize must lie in 0..11. endedByZeroBlock tells whether the data ended with its terminator
    // (rather than with the end of the stream).
    TGifLzwDecoder(int32_t minCodeSize, const uint8_t* data, size_t size, bool endedByZeroBlock);

    // Fills out[0..count) and returns how many pixels were produced before the end code or the end of the
    // data. Calls may continue one another (a string cut off at the end of one call starts the next).
    int64_t Decode(uint8_t* __restrict out, int64_t count);
    // After a complete frame: looks at the next code, as a decoder that reads one index more would.
    void ReadTrailingCode();
    // The data ran out exactly at a code boundary while more was wanted.
    bool GetUnderRun() const { return FUnderRun; }

private:
    void ResetTable();
    int32_t ReadCode();
    int32_t WalkSlow(int32_t code, uint8_t* stackTop);

    static constexpr int32_t TableSize = 4096;
    int32_t FMinCodeSize;
    int32_t FClear;
    int32_t FEnd;
    int32_t FNextFree = 0;
    int32_t FWidth = 0;
    int32_t FLimit = 0;
    int32_t FPrevious = -1;
    int32_t FFirstPixel = 0;
    bool FStarted = false;
    bool FEnded = false;
    bool FUnderRun = false;
    bool FEndedByZeroBlock;
    const uint8_t* FSource;
    const uint8_t* FSourceEnd;
    uint64_t FBits = 0;
    int32_t FBitCount = 0;
    std::vector<uint8_t> FPending; // pixels of the last string that did not fit into the frame
    uint16_t FPrefix[TableSize];
    uint16_t FLength[TableSize]; // 0: the string is not fixed yet and is walked entry by entry
    uint8_t FSuffix[TableSize];
    uint8_t FFirst[TableSize];
    uint8_t FStack[2 * TableSize + 2];
};

// A stream that only accepts writes through a descendant; reading and seeking raise.
class TGifStream : public vcl::TStream {
public:
    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override;
};

// Cuts what it is given into data sub-blocks of up to 255 bytes on the target stream.
class TGifWriter : public TGifStream {
public:
    explicit TGifWriter(vcl::TStream* target) : FTarget(target) {}
    int32_t Write(const void* buffer, int32_t count) override;
    void PutByte(uint8_t value) {
        FBuffer[FFill++] = value;
        FDirty = true;
        if (FFill == 256)
            EmitBlock();
    }
    void EmitBlock();
    // Emits the last partial block (a writer that received nothing emits nothing).
    void Flush();

private:
    vcl::TStream* FTarget;
    uint8_t FBuffer[256] = {};
    int32_t FFill = 1;
    bool FDirty = false;
};

class TGifEncoder {
public:
    virtual ~TGifEncoder() = default;
    // Writes the minimum code size, the raster's sub-blocks and their terminator. Pixel values at or above
    // colorLimit raise "Color not in color table".
    void EncodeFrame(vcl::TStream* stream, int32_t bitsPerPixel, int32_t width, int32_t height,
                     bool interlaced, const uint8_t* pixels, int32_t colorLimit);

protected:
    virtual void EmitCode(int32_t code) { PackCode(code); }
    virtual void EmitClear();
    virtual void EncodePixels() = 0;
    // Packs a code of the current width least significant bit first, as the GIF format requires; the end
    // code also flushes the last partial byte.
    void PackCode(int32_t code) {
        FBucket = FBucketBits > 0 ? (uint32_t(code) << FBucketBits) | (FBucket & ((1u << FBucketBits) - 1))
                                  : uint32_t(code);
        FBucketBits += FWidthBits;
        while (FBucketBits >= 8) {
            FWriter->PutByte(uint8_t(FBucket));
            FBucket >>= 8;
            FBucketBits -= 8;
        }
        if (code == FEndCode && FBucketBits > 0) {
            FWriter->PutByte(uint8_t(FBucket));
            FBucket = 0;
            FBucketBits = 0;
        }
    }
    static int32_t CodeLimit(int32_t bits) { return (1 << bits) - 1; }
    // The frame's rows in output order (the four interlace passes when interlaced).
    std::vector<int32_t> RowOrder() const;
    const uint8_t* Row(int32_t y) const { return FPixels + int64_t(y) * FWidth; }
    [[noreturn]] static void ColorError();

    int32_t FColorLimit = 0;
    int32_t FBitsPerPixel = 0;
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    bool FInterlaced = false;
    const uint8_t* FPixels = nullptr;
    TGifWriter* FWriter = nullptr;
    uint32_t FBucket = 0;
    int32_t FBucketBits = 0;
    bool FCleared = false;
    int32_t FWidthBits = 0;
    int32_t FInitialWidth = 0;
    int32_t FCodeLimit = 0;
    int32_t FClearCode = 0;
    int32_t FEndCode = 0;
    int32_t FFirstFree = 0;
};

// Greedy LZW with an exact dictionary: clears once the table's last code (4094) is given out.
class TLZWEncoder : public TGifEncoder {
public:
    TLZWEncoder();

protected:
    void EmitCode(int32_t code) override;
    void EmitClear() override;
    void EncodePixels() override;

private:
    // At most 4093 keys live in 16384 slots between clears, so probe sequences stay short.
    static constexpr int32_t HashBits = 14;
    static constexpr uint32_t HashEmpty = 0xFFFFFFFFu;
    // Tables of at most 16 entries index each code's extensions directly.
    static constexpr int32_t DirectMaxBits = 4;
    int32_t Find(uint32_t key) const;
    void Store(uint32_t key, int32_t code);
    void EncodePixelsHashed();
    template <bool Shortcut>
    int32_t EncodeRow(const uint8_t* p, const uint8_t* end, int32_t prefix, int32_t& hits, int32_t& misses);
    void EncodePixelsDirect();
    int32_t FNextFree = 0;
    std::unique_ptr<uint32_t[]> FHash; // key << 12 | code, open addressing
    // The slots in use, so that a clear empties only those.
    std::unique_ptr<uint16_t[]> FUsedSlots;
    int32_t FUsedCount = 0;
    // The most recently added extension of each code (pixel, code; code 0 for none): runs and repeated
    // patterns find their next code here without probing the hash table.
    std::unique_ptr<uint32_t[]> FLastChild;
    // Small tables: the code extending code p by pixel c is FChildren[p << FChildShift | c], 0 for none (no
    // extension gets a code below FFirstFree). A code's row is emptied when the code is made, so a clear
    // empties the roots' rows only.
    std::unique_ptr<uint16_t[]> FChildren;
    int32_t FChildShift = 0;
};

// Codes chosen so that the table any decoder builds holds runs of one pixel value: fast, and good on
// pictures with long runs.
class TRLEEncoder : public TGifEncoder {
protected:
    void EmitClear() override;
    void EncodePixels() override;

private:
    void EmitPlain(int32_t code);
    void LiftClearLimit() { FClearLimit = FMaxRunCodes; }
    void RestoreClearLimit();
    void EmitRun(int32_t count);
    void EmitRunFresh(int32_t count);
    void EmitRunByCost(int32_t count);
    void EmitRunFromTable(int32_t count);
    static int32_t TriangleCodes(int32_t count, int32_t maxCodes);

    int32_t FMaxRunCodes = 0;
    int32_t FInitialGrowth = 0;
    int32_t FInitialClearLimit = 0;
    int32_t FRunPixel = -1;
    int32_t FTableSize = 0;
    int32_t FTablePixel = -1;
    int32_t FCodeCount = 0;
    int32_t FClearLimit = 0;
    int32_t FGrowth = 0;
};

} // namespace gif

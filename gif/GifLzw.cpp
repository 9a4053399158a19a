#include "gif/GifLzw.h"

#include "gif/GifStreamUtils.h"
#include "platform/vcl/Scope.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gif {

// Decoder

TGifLzwDecoder::TGifLzwDecoder(int32_t minCodeSize, const uint8_t* data, size_t size, bool endedByZeroBlock)
    : FMinCodeSize(minCodeSize), FClear(1 << minCodeSize), FEnd(FClear + 1),
      FEndedByZeroBlock(endedByZeroBlock), FSource(data), FSourceEnd(data + size) {
    ResetTable();
}

void TGifLzwDecoder::ResetTable() {
    for (int32_t i = 0; i < FClear; ++i) {
        FPrefix[i] = 0;
        FSuffix[i] = uint8_t(i);
        FFirst[i] = uint8_t(i);
        FLength[i] = 1;
    }
    for (int32_t i = FClear; i < TableSize; ++i) {
        FPrefix[i] = 0;
        FSuffix[i] = 0;
        FFirst[i] = 0;
        FLength[i] = 0;
    }
    FWidth = FMinCodeSize + 1;
    FLimit = 2 * FClear;
    FNextFree = FClear + 2;
}

int32_t TGifLzwDecoder::ReadCode() {
    if (FBitCount < FWidth) {
        while (FBitCount <= 56 && FSource < FSourceEnd) {
            FBits |= uint64_t(*FSource++) << FBitCount;
            FBitCount += 8;
        }
        // A code is taken only when all its bits are there; a partial code at the end is padding.
        if (FBitCount < FWidth) {
            if (FBitCount == 0 && FEndedByZeroBlock)
                FUnderRun = true;
            return -1;
        }
    }
    auto code = int32_t(FBits & ((1u << FWidth) - 1));
    FBits >>= FWidth;
    FBitCount -= FWidth;
    return code;
}

// The string of a code whose expansion is not fixed (it hangs on entries that were not defined when it was
// made, which only damaged data produces), walked entry by entry into FStack in reverse. The walk is
// bounded by the table size, so a cycle of entries cannot loop forever.
int32_t TGifLzwDecoder::WalkSlow(int32_t code, uint8_t* forward) {
    int32_t sp = 0;
    int32_t c = code;
    if (c >= FNextFree) {
        FStack[sp++] = uint8_t(FFirstPixel);
        c = FPrevious;
    }
    int32_t steps = 0;
    while (c >= FClear) {
        FStack[sp++] = FSuffix[c];
        if (FPrefix[c] == c || ++steps > TableSize)
            RaiseGifError("Circular decoder table entry");
        c = FPrefix[c];
    }
    FFirstPixel = FSuffix[c];
    FStack[sp++] = FSuffix[c];
    for (int32_t i = 0; i < sp; ++i)
        forward[i] = FStack[sp - 1 - i];
    return sp;
}

int64_t TGifLzwDecoder::Decode(uint8_t* __restrict out, int64_t count) {
    // The hot state lives in locals: stores through the output pointer would otherwise make the compiler
    // reload every member after every pixel.
    uint16_t* __restrict prefix = FPrefix;
    uint8_t* __restrict suffix = FSuffix;
    uint8_t* __restrict first = FFirst;
    uint16_t* __restrict lengths = FLength;
    const int32_t clear = FClear;
    const int32_t end = FEnd;
    uint64_t bits = FBits;
    int32_t bitCount = FBitCount;
    const uint8_t* src = FSource;
    const uint8_t* const srcEnd = FSourceEnd;
    int32_t width = FWidth;
    int32_t nextFree = FNextFree;
    int32_t limit = FLimit;
    int32_t previous = FPrevious;
    int32_t firstPixel = FFirstPixel;

    auto readCode = [&]() -> int32_t {
        if (bitCount < width) {
            if (srcEnd - src >= 8) {
                // Eight bytes at once; the bits beyond the counted bytes are the next bytes' own bits, so
                // loading them again later changes nothing.
                uint64_t v;
                std::memcpy(&v, src, 8);
                bits |= v << bitCount;
                int32_t taken = (63 - bitCount) >> 3;
                src += taken;
                bitCount += 8 * taken;
            } else {
                while (bitCount <= 56 && src < srcEnd) {
                    bits |= uint64_t(*src++) << bitCount;
                    bitCount += 8;
                }
                // A code is taken only when all its bits are there; a partial code at the end is padding.
                if (bitCount < width) {
                    if (bitCount == 0 && FEndedByZeroBlock)
                        FUnderRun = true;
                    return -1;
                }
            }
        }
        auto code = int32_t(bits & ((1u << width) - 1));
        bits >>= width;
        bitCount -= width;
        return code;
    };
    auto store = [&] {
        FBits = bits;
        FBitCount = bitCount;
        FSource = src;
        FWidth = width;
        FNextFree = nextFree;
        FLimit = limit;
        FPrevious = previous;
        FFirstPixel = firstPixel;
    };
    auto load = [&] {
        width = FWidth;
        nextFree = FNextFree;
        limit = FLimit;
        previous = FPrevious;
        firstPixel = FFirstPixel;
    };

    uint8_t temp[2 * TableSize + 2];
    int64_t pos = 0;
    // The rest of a string that did not fit into the previous call's output comes first.
    if (!FPending.empty() && count > 0) {
        const auto n = size_t(std::min<int64_t>(count, int64_t(FPending.size())));
        std::memcpy(out, FPending.data(), n);
        FPending.erase(FPending.begin(), FPending.begin() + ptrdiff_t(n));
        pos = int64_t(n);
    }
    while (pos < count) {
        int32_t code;
        if (!FStarted) {
            // Decoding always starts with a table reset, whether or not the data begins with a clear code.
            FStarted = true;
            code = clear;
        } else {
            code = readCode();
        }
        if (code < 0)
            break;
        if (code == clear) {
            store();
            ResetTable();
            load();
            do
                code = readCode();
            while (code == clear);
            if (code < 0)
                break;
            if (code == end) {
                FEnded = true;
                break;
            }
            firstPixel = code;
            previous = code;
            out[pos++] = uint8_t(code);
            continue;
        }
        if (code == end) {
            FEnded = true;
            break;
        }
        const int64_t room = count - pos;
        uint8_t* dst;
        int32_t length;
        if (code < nextFree && lengths[code] != 0) {
            length = lengths[code];
            dst = length <= room ? out + pos : temp;
            int32_t c = code;
            for (int32_t i = length - 1; i > 0; --i) {
                dst[i] = suffix[c];
                c = prefix[c];
            }
            dst[0] = suffix[c];
            firstPixel = first[code];
        } else if (code >= nextFree && lengths[previous] != 0) {
            // A code not yet in the table: the previous string followed by its own first pixel.
            length = lengths[previous] + 1;
            dst = length <= room ? out + pos : temp;
            int32_t c = previous;
            dst[length - 1] = first[previous];
            for (int32_t i = length - 2; i >= 0; --i) {
                dst[i] = suffix[c];
                c = prefix[c];
            }
            firstPixel = first[previous];
        } else {
            store();
            length = WalkSlow(code, temp);
            load();
            dst = length <= room ? out + pos : temp;
            if (dst != temp)
                std::memcpy(dst, temp, size_t(length));
        }
        if (dst == temp) {
            auto fit = int32_t(std::min<int64_t>(room, length));
            std::memcpy(out + pos, temp, size_t(fit));
            FPending.assign(temp + fit, temp + length);
            pos += fit;
        } else {
            pos += length;
        }
        if (nextFree < TableSize) {
            const int32_t n = nextFree;
            const int32_t prefixLength = lengths[previous];
            prefix[n] = uint16_t(previous);
            suffix[n] = uint8_t(firstPixel);
            first[n] = first[previous];
            // Fixed only when the prefix is a fixed string that was already defined.
            lengths[n] = previous != n && prefixLength != 0 ? uint16_t(prefixLength + 1) : 0;
            ++nextFree;
            if (nextFree >= limit && limit < TableSize) {
                limit *= 2;
                ++width;
            }
        }
        previous = code;
    }
    store();
    return pos;
}

void TGifLzwDecoder::ReadTrailingCode() {
    if (!FEnded && FPending.empty() && ReadCode() == FEnd)
        FEnded = true;
}

// Sub-block writer

int32_t TGifStream::Read(void*, int32_t) {
    throw vcl::Exception("Invalid stream operation");
}
int32_t TGifStream::Write(const void*, int32_t) {
    throw vcl::Exception("Invalid stream operation");
}
int64_t TGifStream::Seek(int64_t, vcl::TSeekOrigin) {
    throw vcl::Exception("Invalid stream operation");
}

int32_t TGifWriter::Write(const void* buffer, int32_t count) {
    const auto* p = static_cast<const uint8_t*>(buffer);
    for (int32_t i = 0; i < count; ++i)
        PutByte(p[i]);
    return count;
}

void TGifWriter::EmitBlock() {
    FBuffer[0] = uint8_t(FFill - 1);
    FTarget->WriteBuffer(FBuffer, FFill);
    FFill = 1;
    FDirty = false;
}

void TGifWriter::Flush() {
    if (FDirty && FFill > 1)
        EmitBlock();
}

// Encoder base

void TGifEncoder::ColorError() {
    RaiseGifError("Color not in color table");
}

void TGifEncoder::EncodeFrame(vcl::TStream* stream, int32_t bitsPerPixel, int32_t width, int32_t height,
                              bool interlaced, const uint8_t* pixels, int32_t colorLimit) {
    FColorLimit = colorLimit;
    FBitsPerPixel = std::clamp(bitsPerPixel, 2, 8);
    FWidth = width;
    FHeight = height;
    FInterlaced = interlaced;
    FPixels = pixels;
    FInitialWidth = FBitsPerPixel + 1;
    WriteStreamByte(stream, uint8_t(FBitsPerPixel));
    FWidthBits = FInitialWidth;
    FCodeLimit = CodeLimit(FInitialWidth);
    FClearCode = 1 << (FInitialWidth - 1);
    FEndCode = FClearCode + 1;
    FFirstFree = FClearCode + 2;
    FBucket = 0;
    FBucketBits = 0;
    FCleared = false;
    TGifWriter writer(stream);
    {
        FWriter = &writer;
        vcl::ScopeExit detach([this]() noexcept { FWriter = nullptr; });
        if (pixels && height > 0 && width > 0)
            EncodePixels();
        EmitCode(FEndCode);
        writer.Flush();
    }
    WriteStreamByte(stream, 0);
}

void TGifEncoder::EmitClear() {
    FCleared = true;
    EmitCode(FClearCode);
}

std::vector<int32_t> TGifEncoder::RowOrder() const {
    std::vector<int32_t> rows;
    rows.reserve(size_t(std::max(FHeight, 0)));
    if (!FInterlaced) {
        for (int32_t y = 0; y < FHeight; ++y)
            rows.push_back(y);
        return rows;
    }
    for (const TGifInterlacePass& pass : GifInterlacePasses)
        for (int32_t y = pass.Start; y < FHeight; y += pass.Step)
            rows.push_back(y);
    return rows;
}

// LZW encoder

TLZWEncoder::TLZWEncoder() = default;

int32_t TLZWEncoder::Find(uint32_t key) const {
    constexpr uint32_t mask = (1u << HashBits) - 1;
    uint32_t slot = (key * 0x9E3779B1u) >> (32 - HashBits);
    for (;;) {
        uint32_t entry = FHash[slot];
        if (entry == HashEmpty)
            return -1;
        if ((entry >> 12) == key)
            return int32_t(entry & 0xFFF);
        slot = (slot + 1) & mask;
    }
}

void TLZWEncoder::Store(uint32_t key, int32_t code) {
    FLastChild[key >> 8] = ((key & 0xFF) << 16) | uint32_t(code);
    // At most 4093 keys live in 16384 slots, so a free slot is always found.
    constexpr uint32_t mask = (1u << HashBits) - 1;
    uint32_t slot = (key * 0x9E3779B1u) >> (32 - HashBits);
    while (FHash[slot] != HashEmpty)
        slot = (slot + 1) & mask;
    FHash[slot] = (key << 12) | uint32_t(code & 0xFFF);
    FUsedSlots[FUsedCount++] = uint16_t(slot);
}

void TLZWEncoder::EmitCode(int32_t code) {
    PackCode(code);
    if (FNextFree > FCodeLimit || FCleared) {
        if (FCleared) {
            FWidthBits = FInitialWidth;
            FCodeLimit = CodeLimit(FInitialWidth);
            FCleared = false;
        } else {
            ++FWidthBits;
            FCodeLimit = FWidthBits == 12 ? 4096 : CodeLimit(FWidthBits);
        }
    }
}

void TLZWEncoder::EmitClear() {
    TGifEncoder::EmitClear();
    if (FChildren) {
        std::fill_n(FChildren.get(), size_t(FFirstFree) << FChildShift, uint16_t(0));
    } else {
        for (int32_t i = 0; i < FUsedCount; ++i)
            FHash[FUsedSlots[i]] = HashEmpty;
        FUsedCount = 0;
        std::fill_n(FLastChild.get(), 4096, 0u);
    }
    FNextFree = FFirstFree;
}

void TLZWEncoder::EncodePixels() {
    if (FBitsPerPixel <= DirectMaxBits && FColorLimit <= (1 << FBitsPerPixel)) {
        FChildShift = FBitsPerPixel;
        FChildren.reset(new uint16_t[size_t(4096) << FChildShift]);
        EncodePixelsDirect();
        return;
    }
    FChildren.reset();
    FHash.reset(new uint32_t[size_t(1) << HashBits]);
    std::fill_n(FHash.get(), size_t(1) << HashBits, HashEmpty);
    FUsedSlots.reset(new uint16_t[4096]);
    FUsedCount = 0;
    FLastChild.reset(new uint32_t[4096]);
    EncodePixelsHashed();
}

void TLZWEncoder::EncodePixelsDirect() {
    FNextFree = FFirstFree;
    EmitClear();
    const int32_t limit = FColorLimit;
    const int32_t shift = FChildShift;
    uint16_t* children = FChildren.get();
    bool first = true;
    int32_t prefix = 0;
    for (int32_t y : RowOrder()) {
        const uint8_t* p = Row(y);
        const uint8_t* end = p + FWidth;
        if (first) {
            prefix = *p++;
            if (prefix >= limit)
                ColorError();
            first = false;
        }
        for (; p < end; ++p) {
            const int32_t c = *p;
            if (c >= limit)
                ColorError();
            const size_t slot = (size_t(prefix) << shift) | size_t(c);
            if (const uint16_t next = children[slot]) {
                prefix = next;
                continue;
            }
            TLZWEncoder::EmitCode(prefix);
            prefix = c;
            if (FNextFree < 4095) {
                children[slot] = uint16_t(FNextFree);
                std::fill_n(children + (size_t(FNextFree) << shift), size_t(1) << shift, uint16_t(0));
                ++FNextFree;
            } else {
                EmitClear();
            }
        }
    }
    TLZWEncoder::EmitCode(prefix);
}

// One row's pixels [p, end) after prefix; returns the prefix they leave. With the last-child shortcut
// (Shortcut) a pixel that extends the prefix by its most recent extension needs no probe of the hash table;
// hits counts the pixels the shortcut found (or, without it, would have found), misses the others.
template <bool Shortcut>
int32_t TLZWEncoder::EncodeRow(const uint8_t* p, const uint8_t* end, int32_t prefix, int32_t& hits,
                               int32_t& misses) {
    const int32_t limit = FColorLimit;
    for (; p < end; ++p) {
        const int32_t c = *p;
        if (c >= limit)
            ColorError();
        const uint32_t key = (uint32_t(prefix) << 8) | uint32_t(c);
        if constexpr (Shortcut) {
            const uint32_t child = FLastChild[prefix];
            if ((child & 0xFFFF) != 0 && (child >> 16) == uint32_t(c)) {
                prefix = int32_t(child & 0xFFFF);
                ++hits;
                continue;
            }
            ++misses;
        }
        const int32_t code = Find(key);
        if (code >= 0) {
            if constexpr (!Shortcut) {
                // Without a branch: whether the shortcut would have found this code.
                const int32_t hit = (FLastChild[prefix] & 0xFFFF) == uint32_t(code);
                hits += hit;
                misses += 1 - hit;
            }
            prefix = code;
            continue;
        }
        if constexpr (!Shortcut)
            ++misses;
        TLZWEncoder::EmitCode(prefix);
        prefix = c;
        if (FNextFree < 4095)
            Store(key, FNextFree++);
        else
            EmitClear();
    }
    return prefix;
}

void TLZWEncoder::EncodePixelsHashed() {
    FNextFree = FFirstFree;
    EmitClear();
    bool first = true;
    int32_t prefix = 0;
    // The last-child shortcut finds runs and repeated patterns without probing the hash table, but on noise
    // it misses about half the time, and each miss costs a mispredicted branch and a load before the probe.
    // So it is taken only while it keeps hitting: each row takes it when it found (or would have found) at
    // least three quarters of the previous row's pixels.
    bool shortcut = true;
    for (int32_t y : RowOrder()) {
        const uint8_t* p = Row(y);
        const uint8_t* end = p + FWidth;
        if (first) {
            prefix = *p++;
            if (prefix >= FColorLimit)
                ColorError();
            first = false;
        }
        int32_t hits = 0, misses = 0;
        prefix = shortcut ? EncodeRow<true>(p, end, prefix, hits, misses)
                          : EncodeRow<false>(p, end, prefix, hits, misses);
        shortcut = hits >= 3 * misses;
    }
    TLZWEncoder::EmitCode(prefix);
}

// Run-length encoder

void TRLEEncoder::EmitClear() {
    FGrowth = FInitialGrowth;
    FClearLimit = FInitialClearLimit;
    FCodeCount = 0;
    FTableSize = 0;
    TGifEncoder::EmitClear();
    FWidthBits = FInitialWidth;
}

void TRLEEncoder::EmitPlain(int32_t code) {
    FCleared = false;
    PackCode(code);
    ++FCodeCount;
    if (FCodeCount == FGrowth) {
        ++FWidthBits;
        FGrowth += 1 << (FWidthBits - 1);
    }
    if (FCodeCount == FClearLimit)
        EmitClear();
}

void TRLEEncoder::RestoreClearLimit() {
    FClearLimit = FInitialClearLimit;
    if (FCodeCount >= FClearLimit)
        EmitClear();
}

int32_t TRLEEncoder::TriangleCodes(int32_t count, int32_t maxCodes) {
    int64_t n = count;
    int64_t m = maxCodes;
    int64_t triangle = m * (m + 1) / 2;
    int64_t cost = 0;
    if (triangle > 0)
        while (n >= triangle) {
            cost += m;
            n -= triangle;
        }
    if (n > 0) {
        auto k = int64_t(std::sqrt(double(n)));
        while (k > 0 && k * (k + 1) >= 2 * n)
            --k;
        while (k * (k + 1) < 2 * n)
            ++k;
        cost += k;
    }
    return int32_t(std::min<int64_t>(cost, INT32_MAX));
}

void TRLEEncoder::EmitRunFresh(int32_t count) {
    const int32_t base = FFirstFree;
    LiftClearLimit();
    FTablePixel = FRunPixel;
    int32_t k = 1;
    while (count > 0) {
        if (k == 1) {
            FTableSize = 1;
            EmitPlain(FRunPixel);
            count -= 1;
        } else if (k <= count) {
            FTableSize = k;
            EmitPlain(base + k - 2);
            count -= k;
        } else {
            ++FTableSize;
            EmitPlain(count == 1 ? FRunPixel : base + count - 2);
            break;
        }
        k = FCodeCount == 0 ? 1 : k + 1;
    }
    RestoreClearLimit();
}

void TRLEEncoder::EmitRunByCost(int32_t count) {
    if (count > TriangleCodes(count, FMaxRunCodes) + 1) {
        EmitClear();
        EmitRunFresh(count);
    } else {
        for (int32_t i = 0; i < count; ++i)
            EmitPlain(FRunPixel);
    }
}

void TRLEEncoder::EmitRunFromTable(int32_t count) {
    const int32_t base = FFirstFree;
    int32_t repeats = count / FTableSize;
    int32_t left = count % FTableSize;
    int32_t extra = left > 0 ? 1 : 0;
    if (FCodeCount + repeats + extra > FMaxRunCodes) {
        repeats = FMaxRunCodes - FCodeCount;
        left = count - repeats * FTableSize;
        extra = TriangleCodes(left, FMaxRunCodes) + 1;
    }
    if (TriangleCodes(count, FMaxRunCodes) + 1 < repeats + extra) {
        EmitClear();
        EmitRunFresh(count);
        return;
    }
    LiftClearLimit();
    const int32_t runCode = base + FTableSize - 2;
    for (int32_t i = 0; i < repeats; ++i)
        EmitPlain(runCode);
    if (left > 0) {
        if (FCleared)
            EmitRunFresh(left);
        else if (left == 1)
            EmitPlain(FRunPixel);
        else
            EmitPlain(base + left - 2);
    }
    RestoreClearLimit();
}

void TRLEEncoder::EmitRun(int32_t count) {
    if (count <= 0)
        return;
    if (count == 1)
        EmitPlain(FRunPixel);
    else if (FCleared)
        EmitRunFresh(count);
    else if (FTableSize >= 2 && FTablePixel == FRunPixel)
        EmitRunFromTable(count);
    else
        EmitRunByCost(count);
}

void TRLEEncoder::EncodePixels() {
    FInitialGrowth = FClearCode - 1;
    FInitialClearLimit = FBitsPerPixel <= 3 ? 9 : FClearCode - 2;
    FMaxRunCodes = CodeLimit(12) - FFirstFree;
    EmitClear();
    FRunPixel = -1;
    FTablePixel = -1;
    int32_t run = 0;
    const int32_t limit = FColorLimit;
    for (int32_t y : RowOrder()) {
        const uint8_t* p = Row(y);
        const uint8_t* end = p + FWidth;
        for (; p < end; ++p) {
            int32_t c = *p;
            if (c >= limit)
                ColorError();
            if (c == FRunPixel) {
                ++run;
                continue;
            }
            if (run > 0)
                EmitRun(run);
            FRunPixel = c;
            run = 1;
        }
    }
    EmitRun(run);
}

} // namespace gif

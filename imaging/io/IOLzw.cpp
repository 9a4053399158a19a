#include "imaging/io/IOLzw.h"

#include "gif/GifLzw.h"
#include "gif/GifStreamUtils.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace imaging {

// ---- GIF -------------------------------------------------------------------------------------------------

namespace {

// The data sub-blocks of one image, gathered: bounded by what the stream holds.
std::vector<uint8_t> LzwGatherSubBlocks(vcl::TStream* stream, bool& endedByZeroBlock) {
    std::vector<uint8_t> data;
    endedByZeroBlock = false;
    for (;;) {
        uint8_t length = 0;
        if (stream->Read(&length, 1) != 1)
            return data;
        if (length == 0) {
            endedByZeroBlock = true;
            return data;
        }
        size_t old = data.size();
        data.resize(old + length);
        int32_t got = stream->Read(data.data() + old, length);
        if (got != length) {
            data.resize(old + size_t(std::max(got, 0)));
            return data;
        }
    }
}

} // namespace

bool IOGifLzwDecode(vcl::TStream* stream, int32_t height, int32_t width, bool interlaced, uint8_t* pixels) {
    if (!stream || !pixels || width <= 0 || height <= 0)
        return false;
    const int64_t count = int64_t(width) * height;
    std::memset(pixels, 0, size_t(count));
    uint8_t minCodeSize = 0;
    if (stream->Read(&minCodeSize, 1) != 1)
        return false;
    bool endedByZeroBlock = false;
    std::vector<uint8_t> data = LzwGatherSubBlocks(stream, endedByZeroBlock);
    // The code table holds 4096 codes: a clear code beyond it cannot be decoded.
    if (minCodeSize > 11)
        return false;
    int64_t produced = 0;
    try {
        gif::TGifLzwDecoder decoder(minCodeSize, data.data(), data.size(), endedByZeroBlock);
        if (!interlaced) {
            produced = decoder.Decode(pixels, count);
        } else {
            // Rows arrive in the four passes of the interlace order.
            std::unique_ptr<uint8_t[]> staging(new uint8_t[size_t(count)]());
            produced = decoder.Decode(staging.get(), count);
            int64_t source = 0;
            for (const gif::TGifInterlacePass& pass : gif::GifInterlacePasses)
                for (int32_t y = pass.Start; y < height && source < produced; y += pass.Step) {
                    int64_t n = std::min<int64_t>(width, produced - source);
                    std::memcpy(pixels + int64_t(y) * width, staging.get() + source, size_t(n));
                    source += n;
                }
        }
    } catch (const vcl::Exception&) {
        return false;
    }
    return produced > 0;
}

bool IOGifLzwEncode(vcl::TStream* stream, int32_t height, int32_t width, bool interlaced,
                    const uint8_t* pixels, int32_t bitsPerPixel) {
    if (!stream || bitsPerPixel < 1 || bitsPerPixel > 8 || width < 0 || height < 0)
        return false;
    try {
        gif::TLZWEncoder encoder;
        encoder.EncodeFrame(stream, bitsPerPixel, width, height, interlaced, pixels, 1 << bitsPerPixel);
    } catch (const vcl::Exception&) {
        return false;
    }
    return true;
}

// ---- TIFF ------------------------------------------------------------------------------------------------

namespace {

constexpr int32_t LzwClearCode = 256;
constexpr int32_t LzwEndCode = 257;
constexpr int32_t LzwFirstFree = 258;
constexpr int32_t LzwTableSize = 4096;

// One strip's code stream, decoded into a window of its output from which the rows are handed out. A
// string added to the table is the previous string and the first byte of the next, which the output
// already holds one after the other: each entry remembers where that was, and while the window still
// holds the place its string is copied from there; older strings are written back to front along the
// prefix chain (the length of every entry is known). No allocation per code; the last string may run past
// the row into the window, where the next row finds it.
struct TTiffLzwDecodeState {
    static constexpr int64_t History = 128 * 1024; // output kept before the next row for copies
    static constexpr int64_t Slack = LzwTableSize + 16; // the longest string, and the 16-byte copies

    const uint8_t* Input = nullptr;
    const uint8_t* InputEnd = nullptr;
    uint64_t Bits = 0; // most significant bit first: the next code at the top; least: at the bottom
    int32_t BitCount = 0;
    bool OldStyle = false; // least significant bit first, no early change
    bool Ended = false;
    int32_t Width = 9;
    int32_t NextFree = LzwFirstFree;
    int32_t Limit = (1 << 9) - 1; // NextFree at which the codes widen
    int32_t Previous = -1;
    int64_t PreviousStart = 0; // where the previous code's string was written
    // The table: entries from LzwFirstFree on are written before any code can name them, so only the
    // single bytes are set up (a strip of one row should not pay for clearing the rest).
    uint16_t Prefix[LzwTableSize];
    uint16_t Length[LzwTableSize];
    uint8_t Suffix[LzwTableSize];
    uint8_t First[LzwTableSize];
    int64_t Start[LzwTableSize]; // where each entry's string stands whole in the output
    std::vector<uint8_t> Window;
    int64_t WindowBase = 0; // output position of Window[0]
    int64_t Produced = 0;   // output decoded so far
    int64_t Delivered = 0;  // output handed out so far

    TTiffLzwDecodeState() {
        for (int32_t i = 0; i < 256; ++i) {
            Suffix[i] = First[i] = uint8_t(i);
            Length[i] = 1;
        }
    }
    void ResetTable() {
        Width = 9;
        NextFree = LzwFirstFree;
        Limit = OldStyle ? (1 << 9) : (1 << 9) - 1;
        Previous = -1;
    }

    // The next row of count bytes; nullptr when the data ends, breaks off or holds a code the table
    // cannot know before it is complete.
    const uint8_t* NextRow(int64_t count) {
        if (Delivered + count + Slack > WindowBase + int64_t(Window.size()) &&
            Window.size() < size_t(2 * History + count + Slack)) {
            // The window grows with the output up to its full size, so that short strips stay small.
            Window.resize(std::max(2 * Window.size(), size_t(Delivered - WindowBase + count + Slack)));
        }
        if (Delivered + count + Slack > WindowBase + int64_t(Window.size())) {
            // Keep History bytes before the row and what was decoded past the end of the last one.
            const int64_t keep = std::max(WindowBase, Delivered - History);
            std::memmove(Window.data(), Window.data() + (keep - WindowBase), size_t(Produced - keep));
            WindowBase = keep;
        }
        if (Produced < Delivered + count && !Ended) {
            if (OldStyle)
                Decode<true>(Delivered + count);
            else
                Decode<false>(Delivered + count);
        }
        if (Produced < Delivered + count)
            return nullptr;
        const uint8_t* row = Window.data() + (Delivered - WindowBase);
        Delivered += count;
        return row;
    }

    // The string of code (in the table) into dst[0..Length[code]).
    void WriteString(int32_t code, uint8_t* dst) const {
        // Length bounds the walk: every entry's prefix is one byte shorter.
        for (int32_t i = Length[code] - 1; i > 0; --i) {
            dst[i] = Suffix[code];
            code = Prefix[code];
        }
        dst[0] = Suffix[code];
    }

    // Decodes until the output reaches target or the data ends.
    template <bool Lsb> void Decode(int64_t target) {
        // The hot state lives in locals: stores of output bytes would otherwise make the compiler reload
        // every member after each one.
        const uint8_t* src = Input;
        const uint8_t* const srcEnd = InputEnd;
        uint64_t bits = Bits;
        int32_t bitCount = BitCount;
        int32_t width = Width;
        int32_t nextFree = NextFree;
        int32_t limit = Limit;
        int32_t previous = Previous;
        int64_t previousStart = PreviousStart;
        int64_t produced = Produced;
        const int64_t base = WindowBase;
        uint8_t* const window = Window.data();
        uint16_t* const prefix = Prefix;
        uint16_t* const length = Length;
        uint8_t* const suffix = Suffix;
        uint8_t* const first = First;
        int64_t* const start = Start;
        const bool oldStyle = OldStyle;
        bool ended = false;

        while (produced < target) {
            // The next code; a partial code at the end of the data ends it.
            if (bitCount < width) {
                if (srcEnd - src >= 8) {
                    // Eight bytes at once: the bits loaded beyond the counted bytes are those bytes' own
                    // bits, so loading them again later changes nothing.
                    uint64_t v;
                    std::memcpy(&v, src, 8);
                    if constexpr (Lsb)
                        bits |= v << bitCount;
                    else
                        bits |= __builtin_bswap64(v) >> bitCount;
                    const int32_t taken = (63 - bitCount) >> 3;
                    src += taken;
                    bitCount += 8 * taken;
                } else {
                    while (bitCount <= 56 && src < srcEnd) {
                        if constexpr (Lsb)
                            bits |= uint64_t(*src++) << bitCount;
                        else
                            bits |= uint64_t(*src++) << (56 - bitCount);
                        bitCount += 8;
                    }
                    if (bitCount < width) {
                        ended = true;
                        break;
                    }
                }
            }
            int32_t code;
            if constexpr (Lsb) {
                code = int32_t(bits & ((1u << width) - 1));
                bits >>= width;
            } else {
                code = int32_t(bits >> (64 - width));
                bits <<= width;
            }
            bitCount -= width;

            if (code == LzwClearCode) {
                width = 9;
                nextFree = LzwFirstFree;
                limit = oldStyle ? (1 << 9) : (1 << 9) - 1;
                previous = -1;
                continue;
            }
            if (code == LzwEndCode) {
                ended = true;
                break;
            }
            uint8_t* const dst = window + (produced - base);
            if (previous < 0) {
                if (code >= 256) {
                    ended = true;
                    break;
                }
                *dst = uint8_t(code);
                previous = code;
                previousStart = produced;
                ++produced;
                continue;
            }
            // The new entry: the previous string and the first byte of this one (its own first byte when
            // the code is the entry being made).
            if (code > nextFree || (code == nextFree && nextFree >= LzwTableSize)) {
                ended = true;
                break;
            }
            if (nextFree < LzwTableSize) {
                const int32_t n = nextFree;
                const uint8_t tail = code < n ? first[code] : first[previous];
                prefix[n] = uint16_t(previous);
                suffix[n] = tail;
                first[n] = first[previous];
                length[n] = uint16_t(length[previous] + 1);
                start[n] = previousStart;
                ++nextFree;
                if (nextFree >= limit && width < 12) {
                    ++width;
                    limit = oldStyle ? (1 << width) : (1 << width) - 1;
                }
            }
            const int32_t len = length[code];
            if (code < 256) {
                *dst = uint8_t(code);
            } else if (start[code] >= base) {
                // Copied from where the output holds it; the entry just made overlaps its own copy, which
                // a forward copy of bytes reproduces.
                const uint8_t* from = window + (start[code] - base);
                const int64_t distance = dst - from;
                if (distance >= len) {
                    if (len <= 16) {
                        uint8_t chunk[16];
                        std::memcpy(chunk, from, 16);
                        std::memcpy(dst, chunk, 16);
                    } else {
                        std::memcpy(dst, from, size_t(len));
                    }
                } else {
                    for (int32_t i = 0; i < len; ++i)
                        dst[i] = from[i];
                }
            } else {
                WriteString(code, dst);
            }
            previous = code;
            previousStart = produced;
            produced += len;
        }
        Input = src;
        Bits = bits;
        BitCount = bitCount;
        Width = width;
        NextFree = nextFree;
        Limit = limit;
        Previous = previous;
        PreviousStart = previousStart;
        Produced = produced;
        Ended = ended;
    }
};

struct TTiffLzwEncodeState {
    static constexpr int32_t HashBits = 14;
    static constexpr uint32_t HashEmpty = 0xFFFFFFFFu;
    uint32_t Hash[1 << HashBits];
    int32_t Width = 9;
    int32_t NextFree = LzwFirstFree;
    int32_t Current = -1;
    uint64_t Bits = 0;
    int32_t BitCount = 0;
    bool Started = false;
    std::vector<uint8_t> Out;

    TTiffLzwEncodeState() { ClearHash(); }
    void ClearHash() { std::fill(std::begin(Hash), std::end(Hash), HashEmpty); }
    static uint32_t Slot(uint32_t key) { return (key * 2654435761u) >> (32 - HashBits); }
    int32_t Find(uint32_t key) const {
        for (uint32_t s = Slot(key);; s = (s + 1) & ((1u << HashBits) - 1)) {
            if (Hash[s] == HashEmpty)
                return -1;
            if ((Hash[s] >> 12) == key)
                return int32_t(Hash[s] & 0xFFF);
        }
    }
    void Store(uint32_t key, int32_t code) {
        uint32_t s = Slot(key);
        while (Hash[s] != HashEmpty)
            s = (s + 1) & ((1u << HashBits) - 1);
        Hash[s] = (key << 12) | uint32_t(code);
    }
    void Put(int32_t code) {
        Bits = (Bits << Width) | uint32_t(code);
        BitCount += Width;
        while (BitCount >= 8) {
            Out.push_back(uint8_t(Bits >> (BitCount - 8)));
            BitCount -= 8;
        }
        Bits &= (uint64_t(1) << BitCount) - 1;
    }
    void Clear() {
        Put(LzwClearCode);
        ClearHash();
        Width = 9;
        NextFree = LzwFirstFree;
    }
    void Add(uint8_t c) {
        if (Current < 0) {
            Current = c;
            return;
        }
        const uint32_t key = (uint32_t(Current) << 8) | c;
        int32_t found = Find(key);
        if (found >= 0) {
            Current = found;
            return;
        }
        Put(Current);
        Store(key, NextFree++);
        // The reader adds its entry one code later, so it widens one code earlier (the early change).
        if (NextFree > (1 << Width) - 1 && Width < 12)
            ++Width;
        if (NextFree >= LzwTableSize - 2)
            Clear();
        Current = c;
    }
    void Finish() {
        if (Current >= 0)
            Put(Current);
        Current = -1;
        Put(LzwEndCode);
        if (BitCount > 0)
            Out.push_back(uint8_t(Bits << (8 - BitCount)));
        BitCount = 0;
        Bits = 0;
    }
    bool WriteOut(vcl::TStream* stream) {
        bool ok = true;
        if (!Out.empty()) {
            const auto n = int32_t(Out.size());
            ok = stream->Write(Out.data(), n) == n;
        }
        Out.clear();
        return ok;
    }
};

} // namespace

const uint8_t* IOTiffLzwDecode(const uint8_t* input, int64_t inputSize, int32_t outputSize, void*& state) {
    auto* s = static_cast<TTiffLzwDecodeState*>(state);
    if (!input && outputSize == 0) {
        delete s;
        state = nullptr;
        return nullptr;
    }
    if (!s) {
        if (!input || inputSize <= 0)
            return nullptr;
        s = new TTiffLzwDecodeState;
        state = s;
        s->Input = input;
        s->InputEnd = input + inputSize;
        s->OldStyle = inputSize >= 2 && input[0] == 0 && (input[1] & 1) != 0;
        s->ResetTable();
    }
    if (outputSize <= 0)
        return nullptr;
    return s->NextRow(outputSize);
}

bool IOTiffLzwEncode(const uint8_t* row, int32_t size, vcl::TStream* stream, void*& state) {
    auto* s = static_cast<TTiffLzwEncodeState*>(state);
    if (!s) {
        s = new TTiffLzwEncodeState;
        state = s;
    }
    if (!s->Started) {
        s->Put(LzwClearCode);
        s->Started = true;
    }
    if (!row || size <= 0) {
        s->Finish();
        bool ok = stream && s->WriteOut(stream);
        delete s;
        state = nullptr;
        return ok;
    }
    for (int32_t i = 0; i < size; ++i)
        s->Add(row[i]);
    return stream && s->WriteOut(stream);
}

} // namespace imaging

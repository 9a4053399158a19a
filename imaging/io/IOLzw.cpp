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

struct TTiffLzwDecodeState {
    const uint8_t* Input = nullptr;
    int64_t InputSize = 0;
    int64_t BytePos = 0;
    uint64_t Bits = 0;
    int32_t BitCount = 0;
    bool OldStyle = false; // least significant bit first, no early change
    bool Ended = false;
    int32_t Width = 9;
    int32_t NextFree = LzwFirstFree;
    int32_t Previous = -1;
    uint16_t Prefix[LzwTableSize] = {};
    uint16_t Length[LzwTableSize] = {};
    uint8_t Suffix[LzwTableSize] = {};
    uint8_t First[LzwTableSize] = {};
    std::vector<uint8_t> Output; // decoded bytes not yet handed out, from OutputStart on
    size_t OutputStart = 0;
    std::vector<uint8_t> Chunk; // what the last call handed out

    TTiffLzwDecodeState() {
        for (int32_t i = 0; i < 256; ++i) {
            Suffix[i] = First[i] = uint8_t(i);
            Length[i] = 1;
        }
    }
    void ResetTable() {
        Width = 9;
        NextFree = LzwFirstFree;
        Previous = -1;
    }
    // The next code, or -1 when the data has no whole code left.
    int32_t ReadCode() {
        while (BitCount < Width && BytePos < InputSize) {
            if (OldStyle)
                Bits |= uint64_t(Input[BytePos++]) << BitCount;
            else
                Bits = (Bits << 8) | Input[BytePos++];
            BitCount += 8;
        }
        if (BitCount < Width)
            return -1;
        int32_t code;
        if (OldStyle) {
            code = int32_t(Bits & ((1u << Width) - 1));
            Bits >>= Width;
        } else {
            code = int32_t((Bits >> (BitCount - Width)) & ((1u << Width) - 1));
        }
        BitCount -= Width;
        if (!OldStyle)
            Bits &= (uint64_t(1) << BitCount) - 1;
        return code;
    }
    // Appends the string of code (known to be in the table) to Output.
    void EmitString(int32_t code) {
        const int32_t n = Length[code];
        size_t at = Output.size();
        Output.resize(at + size_t(n));
        uint8_t* p = Output.data() + at + n;
        // Length bounds the walk: every entry's prefix is one byte shorter.
        for (int32_t i = 0; i < n; ++i) {
            *--p = Suffix[code];
            code = Prefix[code];
        }
    }
    void AddEntry(int32_t prefix, uint8_t suffix) {
        if (NextFree >= LzwTableSize)
            return;
        Prefix[NextFree] = uint16_t(prefix);
        Suffix[NextFree] = suffix;
        First[NextFree] = First[prefix];
        Length[NextFree] = uint16_t(Length[prefix] + 1);
        ++NextFree;
        const int32_t limit = OldStyle ? (1 << Width) : (1 << Width) - 1;
        if (NextFree >= limit && Width < 12)
            ++Width;
    }
    // Decodes one code; false at the end of the data or on a code the table cannot know.
    bool Step() {
        int32_t code = ReadCode();
        if (code < 0 || code == LzwEndCode) {
            Ended = true;
            return false;
        }
        if (code == LzwClearCode) {
            ResetTable();
            return true;
        }
        if (Previous < 0) {
            if (code >= 256) {
                Ended = true;
                return false;
            }
            EmitString(code);
            Previous = code;
            return true;
        }
        if (code < NextFree) {
            EmitString(code);
            AddEntry(Previous, First[code]);
        } else if (code == NextFree && NextFree < LzwTableSize) {
            AddEntry(Previous, First[Previous]);
            EmitString(code);
        } else {
            Ended = true;
            return false;
        }
        Previous = code;
        return true;
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
        s->InputSize = inputSize;
        s->OldStyle = inputSize >= 2 && input[0] == 0 && (input[1] & 1) != 0;
    }
    if (outputSize <= 0)
        return nullptr;
    const auto want = size_t(outputSize);
    while (s->Output.size() - s->OutputStart < want && !s->Ended)
        s->Step();
    if (s->Output.size() - s->OutputStart < want)
        return nullptr;
    s->Chunk.assign(s->Output.begin() + ptrdiff_t(s->OutputStart),
                    s->Output.begin() + ptrdiff_t(s->OutputStart + want));
    s->OutputStart += want;
    // Keep the pending bytes at the front so that the buffer does not grow with the strip.
    if (s->OutputStart > 65536) {
        s->Output.erase(s->Output.begin(), s->Output.begin() + ptrdiff_t(s->OutputStart));
        s->OutputStart = 0;
    }
    return s->Chunk.data();
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

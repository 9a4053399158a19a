// Helpers for the GIF tests: building GIF bytes by hand, a naive reference LZW encoder, and loading and
// saving documents through memory streams while collecting the issues they report.
#pragma once

#include "gif/GifDocument.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/Streams.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace giftest {

using Bytes = std::vector<uint8_t>;

// Colours the rendering and playback tests paint with.
constexpr vcl::TColor Red = 0x0000FF, Green = 0x00FF00, Blue = 0xFF0000, White = 0xFFFFFF;

struct GifBuilder {
    Bytes b;
    GifBuilder& Add(std::initializer_list<int> values) {
        for (int v : values)
            b.push_back(uint8_t(v));
        return *this;
    }
    GifBuilder& Add(const Bytes& values) {
        b.insert(b.end(), values.begin(), values.end());
        return *this;
    }
    GifBuilder& Text(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    GifBuilder& LE16(int v) { return Add({v & 0xFF, (v >> 8) & 0xFF}); }
    // "GIF89a", a screen of w x h and, when tableEntries > 0, a global table of 2^n entries (grey ramp).
    GifBuilder& Header(int w, int h, int tableBits = 1, const char* version = "89a") {
        Text("GIF").Text(version).LE16(w).LE16(h);
        if (tableBits > 0) {
            Add({0x80 | ((tableBits - 1) & 7), 0, 0});
            for (int i = 0; i < (1 << tableBits); ++i)
                Add({i * 16 & 0xFF, i * 16 & 0xFF, i * 16 & 0xFF});
        } else {
            Add({0, 0, 0});
        }
        return *this;
    }
    GifBuilder& Descriptor(int left, int top, int w, int h, int packed = 0) {
        Add({0x2C}).LE16(left).LE16(top).LE16(w).LE16(h).Add({packed});
        return *this;
    }
    // Data bytes as sub-blocks of at most 255 bytes, then the terminator.
    GifBuilder& SubBlocks(const Bytes& data, bool terminator = true) {
        size_t pos = 0;
        while (pos < data.size()) {
            size_t n = std::min<size_t>(255, data.size() - pos);
            b.push_back(uint8_t(n));
            b.insert(b.end(), data.begin() + long(pos), data.begin() + long(pos + n));
            pos += n;
        }
        if (terminator)
            b.push_back(0);
        return *this;
    }
    GifBuilder& Gce(int packed, int delay, int transparentIndex) {
        Add({0x21, 0xF9, 4, packed}).LE16(delay).Add({transparentIndex, 0});
        return *this;
    }
    GifBuilder& Trailer() { return Add({0x3B}); }
};

// Packs codes of given widths least significant bit first.
inline Bytes PackCodes(const std::vector<std::pair<int, int>>& codes) {
    Bytes out;
    uint32_t bucket = 0;
    int bits = 0;
    for (auto [code, width] : codes) {
        bucket |= uint32_t(code) << bits;
        bits += width;
        while (bits >= 8) {
            out.push_back(uint8_t(bucket));
            bucket >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0)
        out.push_back(uint8_t(bucket));
    return out;
}

// A naive greedy LZW encoder over a std::map: clears once code 4094 is given out, widens codes as the
// table grows. Returns the packed code stream (without the code size byte and sub-blocks).
inline Bytes ReferenceLzw(const Bytes& pixels, int minCodeSize) {
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    const int initial = minCodeSize + 1;
    std::vector<std::pair<int, int>> codes;
    std::map<std::pair<int, int>, int> dict;
    int next = clear + 2;
    int width = initial;
    auto emit = [&](int code) {
        codes.emplace_back(code, width);
        if (code == clear)
            width = initial;
        else if (width < 12 && next > (1 << width) - 1)
            ++width;
    };
    emit(clear);
    if (!pixels.empty()) {
        int prefix = pixels[0];
        for (size_t i = 1; i < pixels.size(); ++i) {
            int c = pixels[i];
            auto it = dict.find({prefix, c});
            if (it != dict.end()) {
                prefix = it->second;
                continue;
            }
            emit(prefix);
            if (next < 4095) {
                dict[{prefix, c}] = next++;
            } else {
                emit(clear);
                dict.clear();
                next = clear + 2;
            }
            prefix = c;
        }
        emit(prefix);
    }
    emit(end);
    return PackCodes(codes);
}

struct Loaded {
    std::unique_ptr<gif::TGifDocument> Doc = std::make_unique<gif::TGifDocument>();
    std::vector<std::string> Issues;
};

inline std::unique_ptr<Loaded> LoadBytes(const Bytes& bytes) {
    auto result = std::make_unique<Loaded>();
    auto* issues = &result->Issues;
    result->Doc->OnIssue = [issues](vcl::TObject*, int32_t, const std::string& message) {
        issues->push_back(message);
    };
    vcl::TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    result->Doc->LoadFromStream(&stream);
    return result;
}

inline Bytes SaveBytes(gif::TGifDocument& doc) {
    vcl::TMemoryStream stream;
    doc.SaveToStream(&stream);
    const auto* p = static_cast<const uint8_t*>(stream.Memory());
    return Bytes(p, p + stream.GetSize());
}

inline Bytes FramePixels(gif::TGifFrame* frame) {
    if (!frame->GetPixels())
        return {};
    return Bytes(frame->GetPixels(), frame->GetPixels() + frame->GetPixelCount());
}

// A frame of w x h with the given pixels, appended to doc.
inline gif::TGifFrame* AddFrame(gif::TGifDocument& doc, int w, int h, const Bytes& pixels, int left = 0,
                                int top = 0) {
    auto* frame = new gif::TGifFrame(&doc);
    doc.AppendFrame(frame);
    frame->ChangeGeometry(left, top, w, h);
    if (!pixels.empty())
        std::copy(pixels.begin(), pixels.end(), frame->GetPixels());
    return frame;
}

} // namespace giftest

// A small RIFF writer for tests: AVI files of one stream of uncompressed frames (24-bit, or 8 bits or fewer
// with a colour table), with an index, whose every field a test may set to a hostile value.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace avitest {

inline uint32_t FourCC(const char* text) {
    return uint32_t(uint8_t(text[0])) | uint32_t(uint8_t(text[1])) << 8 | uint32_t(uint8_t(text[2])) << 16 |
           uint32_t(uint8_t(text[3])) << 24;
}

struct AviSpec {
    int32_t Width = 4;
    int32_t Height = 3;
    uint16_t BitCount = 24;
    uint32_t Compression = 0; // BI_RGB; or a FourCC
    uint32_t Scale = 1;
    uint32_t Rate = 15;
    uint32_t Start = 0;
    int64_t Length = -1; // -1: the number of frames
    int64_t ClrUsed = -1; // -1: the palette's size (0 without one)
    std::vector<uint32_t> Palette; // 0x00RRGGBB
    const char* StreamType = "vids";
    std::vector<std::vector<uint8_t>> Frames; // chunk data; an empty one is a skipped frame
    int64_t FileSize = 0; // when above the natural size: a JUNK chunk at the end makes the file this long
};

// Bytes of a frame of width x height pixels of bits each, bottom-up with rows padded to 4 bytes, where
// pixel(x, y) (y from the top) gives the bytes of a pixel: 3 for 24 bits (blue, green, red), an index for 8.
template <typename F> std::vector<uint8_t> MakeFrame(int32_t width, int32_t height, int32_t bits, F pixel) {
    size_t stride = (size_t(width) * size_t(bits) + 31) / 32 * 4;
    std::vector<uint8_t> data(stride * size_t(height), 0);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = data.data() + size_t(height - 1 - y) * stride;
        for (int32_t x = 0; x < width; ++x) {
            uint32_t value = pixel(x, y);
            if (bits == 24) {
                row[3 * x] = uint8_t(value);
                row[3 * x + 1] = uint8_t(value >> 8);
                row[3 * x + 2] = uint8_t(value >> 16);
            } else {
                row[x] = uint8_t(value);
            }
        }
    }
    return data;
}

class RiffBuffer {
public:
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            FBytes.push_back(uint8_t(v >> (8 * i)));
    }
    void U16(uint16_t v) {
        FBytes.push_back(uint8_t(v));
        FBytes.push_back(uint8_t(v >> 8));
    }
    void Id(const char* id) { U32(FourCC(id)); }
    void Bytes(const std::vector<uint8_t>& bytes) { FBytes.insert(FBytes.end(), bytes.begin(), bytes.end()); }
    // A chunk or list begins: its size is written by End.
    size_t Begin(const char* id, const char* listType = nullptr) {
        Id(id);
        size_t at = FBytes.size();
        U32(0);
        if (listType)
            Id(listType);
        return at;
    }
    void End(size_t at, bool pad = true) {
        uint32_t size = uint32_t(FBytes.size() - at - 4);
        std::memcpy(FBytes.data() + at, &size, 4);
        if (pad && (size & 1))
            FBytes.push_back(0);
    }
    size_t Size() const { return FBytes.size(); }
    std::vector<uint8_t>& Data() { return FBytes; }

private:
    std::vector<uint8_t> FBytes;
};

inline std::vector<uint8_t> WriteAvi(const AviSpec& spec) {
    uint32_t frames = uint32_t(spec.Frames.size());
    uint32_t length = spec.Length < 0 ? frames : uint32_t(spec.Length);
    uint32_t clrUsed = spec.ClrUsed < 0 ? uint32_t(spec.Palette.size()) : uint32_t(spec.ClrUsed);
    bool video = std::string(spec.StreamType) == "vids";
    RiffBuffer b;
    size_t riff = b.Begin("RIFF", "AVI ");
    size_t hdrl = b.Begin("LIST", "hdrl");
    size_t avih = b.Begin("avih");
    b.U32(spec.Rate ? uint32_t(1000000ull * spec.Scale / spec.Rate) : 0);
    b.U32(0);
    b.U32(0);
    b.U32(0x10); // has an index
    b.U32(frames);
    b.U32(0);
    b.U32(1);
    b.U32(0);
    b.U32(uint32_t(spec.Width));
    b.U32(uint32_t(spec.Height));
    for (int i = 0; i < 4; ++i)
        b.U32(0);
    b.End(avih);
    size_t strl = b.Begin("LIST", "strl");
    size_t strh = b.Begin("strh");
    b.Id(spec.StreamType);
    b.U32(video ? spec.Compression : 1);
    b.U32(0);
    b.U16(0);
    b.U16(0);
    b.U32(0);
    b.U32(spec.Scale);
    b.U32(spec.Rate);
    b.U32(spec.Start);
    b.U32(length);
    b.U32(0);
    b.U32(0xFFFFFFFF);
    b.U32(video ? 0 : 1);
    b.U16(0);
    b.U16(0);
    b.U16(uint16_t(spec.Width));
    b.U16(uint16_t(spec.Height));
    b.End(strh);
    size_t strf = b.Begin("strf");
    if (video) {
        b.U32(40);
        b.U32(uint32_t(spec.Width));
        b.U32(uint32_t(spec.Height));
        b.U16(1);
        b.U16(spec.BitCount);
        b.U32(spec.Compression);
        b.U32(0); // biSizeImage left for the reader to compute
        b.U32(0);
        b.U32(0);
        b.U32(clrUsed);
        b.U32(0);
        for (uint32_t c : spec.Palette)
            b.U32(c);
    } else { // PCM, 8000 Hz, mono, 8 bits
        b.U16(1);
        b.U16(1);
        b.U32(8000);
        b.U32(8000);
        b.U16(1);
        b.U16(8);
    }
    b.End(strf);
    b.End(strl);
    b.End(hdrl);
    size_t movi = b.Begin("LIST", "movi");
    size_t moviId = movi + 4; // offsets in the index count from the list type
    std::vector<std::pair<uint32_t, uint32_t>> index; // offset, size
    const char* chunkId = video ? (spec.Compression ? "00dc" : "00db") : "01wb";
    for (const auto& frame : spec.Frames) {
        index.emplace_back(uint32_t(b.Size() - moviId), uint32_t(frame.size()));
        size_t chunk = b.Begin(chunkId);
        b.Bytes(frame);
        b.End(chunk);
    }
    b.End(movi);
    size_t idx1 = b.Begin("idx1");
    for (const auto& [offset, size] : index) {
        b.Id(chunkId);
        b.U32(0x10); // key frame
        b.U32(offset);
        b.U32(size);
    }
    b.End(idx1);
    if (spec.FileSize >= int64_t(b.Size()) + 8) {
        // The last chunk of the file may end on an odd size: its pad byte is left out with the file's end.
        b.Id("JUNK");
        uint32_t junk = uint32_t(spec.FileSize - int64_t(b.Size()) - 4);
        b.U32(junk);
        b.Bytes(std::vector<uint8_t>(junk, 0));
    }
    b.End(riff, false);
    return std::move(b.Data());
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The offset of the first occurrence of a FourCC in the file (or -1).
inline int64_t FindId(const std::vector<uint8_t>& bytes, const char* id) {
    for (size_t i = 0; i + 4 <= bytes.size(); ++i)
        if (std::memcmp(bytes.data() + i, id, 4) == 0)
            return int64_t(i);
    return -1;
}

inline void PutU32(std::vector<uint8_t>& bytes, int64_t at, uint32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

} // namespace avitest

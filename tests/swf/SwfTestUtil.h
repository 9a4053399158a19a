// Helpers shared by the SWF tests: render something into bytes and compare with expected bytes.
#pragma once

#include "platform/vcl/Streams.h"
#include "swf/SWFTags.h"
#include "swf/SWFTools.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace swftest {

using Bytes = std::vector<uint8_t>;

inline Bytes StreamBytes(vcl::TMemoryStream& s) {
    auto* p = static_cast<const uint8_t*>(s.Memory());
    return Bytes(p, p + s.GetSize());
}

// Runs the writer on an engine over a memory stream, flushes with padding and returns the bytes.
inline Bytes Render(const std::function<void(swf::TBitsEngine&)>& writer) {
    vcl::TMemoryStream stream;
    swf::TBitsEngine engine(&stream);
    writer(engine);
    engine.FlushBits(true);
    return StreamBytes(stream);
}

// The bytes an object writes.
inline Bytes WriteObject(swf::TBasedSWFObject& o) {
    return Render([&](swf::TBitsEngine& e) { o.WriteToStream(&e); });
}

// A tag's body: the bytes after its short or long header.
inline Bytes BodyOf(const Bytes& tag) {
    return Bytes(tag.begin() + ((tag[0] & 0x3F) == 0x3F ? 6 : 2), tag.end());
}

inline void Append(Bytes& b, std::initializer_list<uint8_t> more) {
    b.insert(b.end(), more);
}
inline void Append(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}

// A tag's code and body.
struct Tag {
    uint16_t Code;
    Bytes Body;
};

// The tags of written bytes from pos on, walked by their headers.
inline std::vector<Tag> Tags(const Bytes& b, size_t pos = 0) {
    std::vector<Tag> tags;
    while (pos + 2 <= b.size()) {
        uint16_t word = uint16_t(b[pos] | b[pos + 1] << 8);
        pos += 2;
        uint32_t length = word & 0x3F;
        if (length == 0x3F) {
            length = uint32_t(b[pos] | b[pos + 1] << 8 | b[pos + 2] << 16 | uint32_t(b[pos + 3]) << 24);
            pos += 4;
        }
        tags.push_back({uint16_t(word >> 6), Bytes(b.begin() + long(pos), b.begin() + long(pos + length))});
        pos += length;
    }
    return tags;
}

inline std::string Hex(const Bytes& b) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (uint8_t v : b) {
        if (!s.empty())
            s += ' ';
        s += digits[v >> 4];
        s += digits[v & 15];
    }
    return s;
}

// Inflates a zlib stream; raises std::runtime_error when it is not one.
Bytes Inflate(const uint8_t* data, size_t size);

// A file in the temporary folder holding the given bytes, removed again by the destructor.
struct TempFile {
    TempFile(const Bytes& data, const std::string& name);
    ~TempFile();
    std::string Path() const { return FPath.string(); }
    std::filesystem::path FPath;
};

// The bytes of a file under tests/data/swf.
Bytes Fixture(const std::string& name);
std::string FixturePath(const std::string& name);

} // namespace swftest

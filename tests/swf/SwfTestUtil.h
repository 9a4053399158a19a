// Helpers shared by the SWF tests: render something into bytes and compare with expected bytes.
#pragma once

#include "platform/vcl/Streams.h"
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

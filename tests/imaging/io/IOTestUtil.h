// Helpers of the image-format tests: fixture files, temporary streams.
#pragma once

#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace iotest {

inline std::vector<uint8_t> ReadFixture(const std::string& name) {
    std::ifstream in(std::string(LOOMWICK_TEST_DATA) + "/imaging/io/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A memory stream holding bytes, positioned at 0.
inline std::unique_ptr<vcl::TMemoryStream> StreamOf(const std::vector<uint8_t>& bytes) {
    auto s = std::make_unique<vcl::TMemoryStream>();
    if (!bytes.empty())
        s->WriteBuffer(bytes.data(), int32_t(bytes.size()));
    s->SetPosition(0);
    return s;
}

inline std::vector<uint8_t> BytesOf(vcl::TMemoryStream& s) {
    const auto* p = static_cast<const uint8_t*>(s.Memory());
    return std::vector<uint8_t>(p, p + s.GetSize());
}

// A stream that accepts at most Limit bytes.
class TShortStream : public vcl::TMemoryStream {
public:
    explicit TShortStream(int64_t limit) : FLimit(limit) {}
    int32_t Write(const void* buffer, int32_t count) override {
        int64_t room = FLimit - GetPosition();
        if (room <= 0)
            return 0;
        return vcl::TMemoryStream::Write(buffer, int32_t(std::min<int64_t>(room, count)));
    }

private:
    int64_t FLimit;
};

} // namespace iotest

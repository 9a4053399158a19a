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

// The small files of tests/data/hostile: pictures that describe far more than their data holds, and files
// whose pixels readers have got wrong.
inline std::vector<uint8_t> ReadHostile(const std::string& name) {
    std::ifstream in(std::string(LOOMWICK_TEST_DATA) + "/hostile/" + name, std::ios::binary);
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

namespace iotest {

// A netpbm image (P5 or P6, maxval 255, or P7 with DEPTH 1 to 4) as rows of channels.
struct TPnm {
    int32_t Width = 0, Height = 0, Channels = 0;
    std::vector<uint8_t> Pixels;
    const uint8_t* At(int32_t x, int32_t y) const {
        return Pixels.data() + (size_t(y) * size_t(Width) + size_t(x)) * size_t(Channels);
    }
};

inline TPnm ParsePnm(const std::vector<uint8_t>& b) {
    TPnm img;
    size_t p = 0;
    auto token = [&]() {
        std::string t;
        while (p < b.size()) {
            if (b[p] == '#') {
                while (p < b.size() && b[p] != '\n')
                    ++p;
            } else if (isspace(b[p])) {
                if (!t.empty())
                    break;
                ++p;
            } else {
                t += char(b[p++]);
            }
        }
        return t;
    };
    std::string magic = token();
    int32_t maxval = 255;
    if (magic == "P7") {
        for (std::string t = token(); !t.empty() && t != "ENDHDR"; t = token()) {
            if (t == "WIDTH")
                img.Width = std::stoi(token());
            else if (t == "HEIGHT")
                img.Height = std::stoi(token());
            else if (t == "DEPTH")
                img.Channels = std::stoi(token());
            else if (t == "MAXVAL")
                maxval = std::stoi(token());
            else if (t == "TUPLTYPE")
                token();
        }
    } else {
        img.Width = std::stoi(token());
        img.Height = std::stoi(token());
        maxval = std::stoi(token());
        img.Channels = magic == "P5" ? 1 : 3;
    }
    ++p;
    // Samples scaled to 0..255.
    const size_t count = size_t(img.Width) * size_t(img.Height) * size_t(img.Channels);
    const size_t bytes = maxval > 255 ? 2 : 1;
    img.Pixels.resize(count);
    for (size_t i = 0; i < count && p + (i + 1) * bytes <= b.size(); ++i) {
        uint32_t v = bytes == 2 ? uint32_t(b[p + 2 * i]) << 8 | b[p + 2 * i + 1] : b[p + i];
        img.Pixels[i] = bytes == 2 ? uint8_t(v >> 8) : uint8_t(v * 255 / uint32_t(maxval));
    }
    return img;
}

} // namespace iotest

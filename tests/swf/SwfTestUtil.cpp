#include "SwfTestUtil.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>
#include <zlib.h>

namespace swftest {

Bytes Inflate(const uint8_t* data, size_t size) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        throw std::runtime_error("inflateInit");
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    Bytes out;
    unsigned char buf[4096];
    int rc;
    do {
        z.next_out = buf;
        z.avail_out = sizeof buf;
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) {
            inflateEnd(&z);
            throw std::runtime_error("not a zlib stream");
        }
        out.insert(out.end(), buf, buf + (sizeof buf - z.avail_out));
    } while (rc != Z_STREAM_END);
    inflateEnd(&z);
    return out;
}

TempFile::TempFile(const Bytes& data, const std::string& name) {
    FPath = std::filesystem::temp_directory_path() / ("swf-" + std::to_string(::getpid()) + "-" + name);
    std::ofstream out(FPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

TempFile::~TempFile() {
    std::error_code ignored;
    std::filesystem::remove(FPath, ignored);
}

std::string FixturePath(const std::string& name) {
    return std::string(LOOMWICK_TEST_DATA) + "/swf/" + name;
}

Bytes Fixture(const std::string& name) {
    std::ifstream in(FixturePath(name), std::ios::binary);
    if (!in)
        throw std::runtime_error("missing fixture " + name);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace swftest

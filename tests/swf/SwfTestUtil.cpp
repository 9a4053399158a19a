#include "SwfTestUtil.h"

#include <stdexcept>
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

} // namespace swftest

// libtiff's client procedures over memory, for the benchmarks that compare our TIFF reading with libtiff's:
// a file is read from a vector the caller keeps, or written into one that grows.
#pragma once

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace benchtiff {

struct TLibtiffMemory {
    const std::vector<uint8_t>* Read = nullptr; // the file read, or none when writing
    std::vector<uint8_t> Written;
    toff_t Pos = 0;
    const std::vector<uint8_t>& Bytes() const { return Read ? *Read : Written; }
};

inline tsize_t LibtiffRead(thandle_t h, tdata_t buf, tsize_t size) {
    auto* m = static_cast<TLibtiffMemory*>(h);
    const auto& bytes = m->Bytes();
    const toff_t n = std::min<toff_t>(toff_t(size), m->Pos < bytes.size() ? bytes.size() - m->Pos : 0);
    std::memcpy(buf, bytes.data() + m->Pos, size_t(n));
    m->Pos += n;
    return tsize_t(n);
}
inline tsize_t LibtiffWrite(thandle_t h, tdata_t buf, tsize_t size) {
    auto* m = static_cast<TLibtiffMemory*>(h);
    if (m->Pos + toff_t(size) > m->Written.size())
        m->Written.resize(size_t(m->Pos + toff_t(size)));
    std::memcpy(m->Written.data() + m->Pos, buf, size_t(size));
    m->Pos += toff_t(size);
    return size;
}
inline toff_t LibtiffSeek(thandle_t h, toff_t off, int whence) {
    auto* m = static_cast<TLibtiffMemory*>(h);
    const toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->Pos : m->Bytes().size();
    m->Pos = base + off;
    return m->Pos;
}
inline int LibtiffClose(thandle_t) {
    return 0;
}
inline toff_t LibtiffSize(thandle_t h) {
    return static_cast<TLibtiffMemory*>(h)->Bytes().size();
}
inline int LibtiffMap(thandle_t, tdata_t*, toff_t*) {
    return 0;
}
inline void LibtiffUnmap(thandle_t, tdata_t, toff_t) {}

// A TIFF over m, opened with mode "r" or "w".
inline TIFF* LibtiffOpen(TLibtiffMemory& m, const char* mode) {
    return TIFFClientOpen("memory", mode, &m, LibtiffRead, LibtiffWrite, LibtiffSeek, LibtiffClose, LibtiffSize,
                          LibtiffMap, LibtiffUnmap);
}

} // namespace benchtiff

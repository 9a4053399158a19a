// What the GIF benchmarks share: a document written to bytes and bytes read into a document, in memory.
#pragma once

#include "gif/GifDocument.h"
#include "platform/vcl/Streams.h"

#include <cstdint>
#include <vector>

namespace bench {

inline std::vector<uint8_t> SaveGif(gif::TGifDocument& doc) {
    vcl::TMemoryStream stream;
    doc.SaveToStream(&stream);
    const auto* p = static_cast<const uint8_t*>(stream.Memory());
    return std::vector<uint8_t>(p, p + stream.GetSize());
}

// Raises what the reader raises.
inline void LoadGif(gif::TGifDocument& doc, const std::vector<uint8_t>& bytes) {
    vcl::TReadOnlyMemoryStream stream(bytes.data(), int64_t(bytes.size()));
    doc.LoadFromStream(&stream);
}

} // namespace bench

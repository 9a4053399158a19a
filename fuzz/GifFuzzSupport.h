// What the GIF fuzz targets share: limits that keep single inputs small, a load that keeps whatever the
// reader accepts, and writing a document to memory and reading it back.
#pragma once

#include "gif/GifDocument.h"
#include "gif/GifTypes.h"
#include "platform/vcl/Streams.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace giffuzz {

// A few bytes can claim frames of 65535 x 65535 pixels.
inline void LimitSizes() {
    gif::GifMaxFramePixels = int64_t(1) << 18;
    gif::GifMaxDocumentPixels = int64_t(1) << 20;
}

// The frames read before a failure stay in the document.
inline void LoadLeniently(gif::TGifDocument& doc, const uint8_t* data, size_t size) {
    vcl::TReadOnlyMemoryStream input(data, int64_t(size));
    try {
        doc.LoadFromStream(&input);
    } catch (const vcl::Exception&) {
    }
}

// The document as the writer writes it and the reader reads it again, or nullptr when writing fails.
// Reading back what was written must not fail.
inline std::unique_ptr<gif::TGifDocument> SaveAndReadBack(gif::TGifDocument& doc) {
    vcl::TMemoryStream output;
    try {
        doc.SaveToStream(&output);
    } catch (const vcl::Exception&) {
        return nullptr;
    }
    auto back = std::make_unique<gif::TGifDocument>();
    output.SetPosition(0);
    back->LoadFromStream(&output);
    return back;
}

} // namespace giffuzz

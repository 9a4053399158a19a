// Writing the document as a GIF stream: header, frames with their extensions and rasters, trailer.
#include "gif/GifDocument.h"
#include "gif/GifLzw.h"
#include "gif/GifStreamUtils.h"
#include "platform/vcl/Streams.h"

#include <algorithm>

namespace gif {

namespace {

// The highest colour index among count pixels.
uint8_t WriterHighestIndex(const uint8_t* pixels, int64_t count) {
    uint8_t highest = 0;
    for (int64_t i = 0; i < count; ++i)
        highest = std::max(highest, pixels[i]);
    return highest;
}

} // namespace

void TGifDocument::CoverPixelIndices() {
    for (int32_t i = 0; i < FrameCount(); ++i) {
        TGifFrame* frame = Frame(i);
        if (frame->IsEmpty())
            continue;
        TGifColorMap* map = frame->GetLocalColorMap()->GetEntryCount() > 0
                                ? static_cast<TGifColorMap*>(frame->GetLocalColorMap())
                                : GlobalColorMap();
        const int32_t count = map->GetEntryCount();
        if (count >= TGifColorMap::MaxEntries)
            continue;
        const int32_t highest = WriterHighestIndex(frame->GetPixels(), frame->GetPixelCount());
        // Without any table, index 0 is written as it always was: a file without a colour table.
        if (highest < std::max(count, 1))
            continue;
        // Pixels beyond the table draw black: the table grows to the power of two that covers them, with
        // black entries, so that the file shows what the document shows.
        TGifRGB entries[TGifColorMap::MaxEntries] = {};
        std::copy_n(map->Entries() ? map->Entries() : entries, count, entries);
        const bool sorted = map->GetSortedFlag();
        map->SetTriplets(entries, 1 << BitsForColorCount(highest + 1));
        map->SetSortedFlag(sorted);
    }
}

void TGifDocument::SaveToStream(vcl::TStream* stream) {
    ReportProgress(this, vcl::psStarting, 0, false, "Saving...");
    try {
        CoverPixelIndices();
        FHeader->SaveToStream(stream);
        FFrames->WriteItems(stream);
        TGifTrailer trailer(this);
        trailer.SaveToStream(stream);
    } catch (...) {
        ReportProgress(this, vcl::psEnding, 0, true, "Saving...");
        throw;
    }
    ReportProgress(this, vcl::psEnding, 100, true, "Saving...");
}

void TGifHeader::SaveToStream(vcl::TStream* stream) {
    // A document without frames needs no particular version: it is written as a screen descriptor and the
    // trailer, a file that other programs read as an image without frames. A sorted global table or an
    // aspect ratio exist only in "89a".
    uint8_t version = FOwnerImage ? FOwnerImage->RequiredVersion() : 1;
    version = std::max({version, uint8_t(1), RequiredVersion()});
    UpdatePackedFields();
    uint8_t bytes[13] = {'G', 'I', 'F', '8', uint8_t(version == 1 ? '7' : '9'), 'a'};
    PutLE16(bytes + 6, FScreenDescriptor.Width);
    PutLE16(bytes + 8, FScreenDescriptor.Height);
    bytes[10] = FScreenDescriptor.PackedFields;
    bytes[11] = FScreenDescriptor.BackgroundIndex;
    bytes[12] = FScreenDescriptor.AspectRatio;
    stream->WriteBuffer(bytes, 13);
    if (FScreenDescriptor.PackedFields & 0x80)
        FGlobalColorMap->WriteTable(stream);
}

void TGifFrameList::WriteItems(vcl::TStream* stream) {
    int32_t count = ItemCount();
    for (int32_t i = 0; i < count; ++i) {
        FrameAt(i)->SaveToStream(stream);
        if (FImage)
            FImage->ReportProgress(this, vcl::psRunning, uint8_t((i + 1) * 100 / count), false, "Saving...");
    }
}

void TGifFrame::UpdatePackedFields() {
    if (FLocalColorMap->GetEntryCount() > 0) {
        uint8_t packed = FLocalColorMap->GetSortedFlag() ? 0xA0 : 0x80;
        FDescriptor.PackedFields = uint8_t(packed | ((FLocalColorMap->TableBits() - 1) & 7));
    } else {
        FDescriptor.PackedFields &= 0x58;
    }
}

void TGifFrame::SaveToStream(vcl::TStream* stream) {
    FExtensionList->WriteItems(stream);
    if (IsEmpty())
        return;
    UpdatePackedFields();
    uint8_t d[10] = {0x2C};
    PutLE16(d + 1, FDescriptor.Left);
    PutLE16(d + 3, FDescriptor.Top);
    PutLE16(d + 5, FDescriptor.Width);
    PutLE16(d + 7, FDescriptor.Height);
    d[9] = FDescriptor.PackedFields;
    stream->WriteBuffer(d, 10);
    FLocalColorMap->WriteTable(stream);
    EncodeRaster(stream);
}

void TGifFrame::EncodeRaster(vcl::TStream* stream) {
    // The descriptor may have been changed directly, without a new buffer.
    if (FPixels && FPixelCount != int64_t(FDescriptor.Width) * FDescriptor.Height)
        RaiseGifError("Invalid image dimensions");
    int32_t bits;
    int32_t colorLimit;
    if (FLocalColorMap->GetEntryCount() > 0) {
        bits = FLocalColorMap->TableBits();
        colorLimit = FLocalColorMap->GetEntryCount();
    } else {
        bits = FOwnerImage ? FOwnerImage->MaxBitsPerPixel() : 0;
        colorLimit = 1 << bits;
    }
    std::unique_ptr<TGifEncoder> encoder;
    if (FOwnerImage && FOwnerImage->GetEncoderKind() == ekRunLength)
        encoder = std::make_unique<TRLEEncoder>();
    else
        encoder = std::make_unique<TLZWEncoder>();
    encoder->EncodeFrame(stream, bits, FDescriptor.Width, FDescriptor.Height, IsInterlaced(), FPixels.get(),
                         colorLimit);
}

} // namespace gif

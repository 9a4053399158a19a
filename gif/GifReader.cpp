// Reading a GIF stream into the document: header, block sequence, extensions, frames and LZW rasters.
#include "gif/GifDocument.h"
#include "gif/GifLzw.h"
#include "gif/GifStreamUtils.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace gif {

namespace {

// The first three bytes spell "GIF" in any letter case (a zero byte ends the text early).
bool ReaderIsSignature(const uint8_t* bytes) {
    static const char expected[3] = {'G', 'I', 'F'};
    for (int i = 0; i < 3; ++i) {
        if (bytes[i] == 0 || std::toupper(bytes[i]) != expected[i])
            return false;
    }
    return true;
}

void ReaderPutBack(vcl::TStream* stream) {
    stream->Seek(-1, vcl::soCurrent);
}

// The data sub-blocks of a raster, joined. Gathering them all also skips whatever follows the last pixel,
// up to and including the zero-length block, so the frames after it are found.
struct TReaderRasterData {
    std::vector<uint8_t> Bytes;
    bool EndedByZeroBlock = false;
    bool Truncated = false;
};

TReaderRasterData ReaderGatherSubBlocks(vcl::TStream* stream) {
    TReaderRasterData data;
    uint8_t block[255];
    for (;;) {
        int32_t length = ReadStreamByte(stream);
        if (length < 0)
            break;
        if (length == 0) {
            data.EndedByZeroBlock = true;
            break;
        }
        int32_t got = 0;
        while (got < length) {
            int32_t n = stream->Read(block + got, length - got);
            if (n <= 0)
                break;
            got += n;
        }
        data.Bytes.insert(data.Bytes.end(), block, block + got);
        if (got < length) {
            data.Truncated = true;
            break;
        }
    }
    return data;
}

} // namespace

void TGifDocument::ChargeLoadedPixels(int64_t count, int64_t dataBytes) {
    if (!GifChargeFramePixels(count, dataBytes, FBudgetedPixels) ||
        count > GifMaxDocumentPixels - FLoadedPixels)
        RaiseGifError("Image is too large");
    FLoadedPixels += count;
}

void TGifDocument::LoadFromStream(vcl::TStream* stream) {
    ReportProgress(this, vcl::psStarting, 0, false, "Loading...");
    Reset();
    int64_t position = stream->GetPosition();
    FLoadedPixels = 0;
    FBudgetedPixels = 0;
    try {
        LoadDocument(stream);
    } catch (...) {
        stream->SetPosition(position);
        GrowEmptyScreen();
        ReportProgress(this, vcl::psEnding, 0, true, "Loading...");
        throw;
    }
    GrowEmptyScreen();
    ReportProgress(this, vcl::psEnding, 100, true, "Loading...");
}

void TGifDocument::LoadDocument(vcl::TStream* stream) {
    FHeader->LoadFromStream(stream);
    FFrames->ReadItems(stream, this);
    TGifTrailer trailer(this);
    trailer.LoadFromStream(stream);
}

// A screen of width or height 0 cannot show anything: grow it to hold the frames.
void TGifDocument::GrowEmptyScreen() {
    TGifScreenDescriptor& screen = FHeader->ScreenDescriptor();
    if (screen.Width != 0 && screen.Height != 0)
        return;
    int32_t right = 0;
    int32_t bottom = 0;
    for (int32_t i = 0; i < FrameCount(); ++i) {
        TGifFrame* frame = Frame(i);
        if (frame->IsEmpty())
            continue;
        const TGifImageDescriptor& d = frame->Descriptor();
        right = std::max(right, d.Left + d.Width);
        bottom = std::max(bottom, d.Top + d.Height);
    }
    if (right == 0 || bottom == 0)
        return;
    if (screen.Width == 0)
        screen.Width = uint16_t(std::min(right, 65535));
    if (screen.Height == 0)
        screen.Height = uint16_t(std::min(bottom, 65535));
    ReportIssue(this, 1, "Image exceeds Logical Screen size");
}

void TGifHeader::LoadFromStream(vcl::TStream* stream) {
    int64_t position = stream->GetPosition();
    uint8_t signature[6];
    ReadExact(stream, signature, 6);
    if (!ReaderIsSignature(signature)) {
        // Some files carry four bytes in front of the signature.
        stream->SetPosition(position + 4);
        ReadExact(stream, signature, 6);
        if (!ReaderIsSignature(signature))
            RaiseGifError("Invalid GIF signature");
    }
    uint8_t d[7];
    ReadExact(stream, d, 7);
    FScreenDescriptor = {GetLE16(d), GetLE16(d + 2), d[4], d[5], d[6]};
    if (FScreenDescriptor.PackedFields & 0x80)
        FGlobalColorMap->ReadTable(stream, 2 << (FScreenDescriptor.PackedFields & 7));
    else
        FGlobalColorMap->RemoveAll();
}

void TGifFrameList::ReadItems(vcl::TStream* stream, TGifDocument* image) {
    int64_t size = stream->GetSize();
    for (;;) {
        int32_t b;
        do
            b = ReadStreamByte(stream);
        while (b == 0);
        if (b < 0)
            return;
        if (b == ';') {
            ReaderPutBack(stream);
            return;
        }
        if (b != '!' && b != ',') {
            ReportIssue(1, "Unknown GIF block type");
            ReaderPutBack(stream);
            return;
        }
        ReaderPutBack(stream);
        auto frame = std::make_unique<TGifFrame>(image);
        frame->LoadFromStream(stream);
        AppendItem(frame.release());
        if (image && size > 0) {
            int64_t percent = std::clamp<int64_t>(stream->GetPosition() * 100 / size, 0, 100);
            image->ReportProgress(this, vcl::psRunning, uint8_t(percent), false, "Loading...");
        }
    }
}

void TGifExtensionList::ReadItems(vcl::TStream* stream, TGifFrame* frame) {
    int32_t b = ReadStreamByte(stream);
    if (b < 0)
        return;
    while (b != ',' && b != ';') {
        if (b == 0) {
            // Filler between blocks.
        } else if (b != '!') {
            ReportIssue(1, "Invalid extension introducer");
            break;
        } else if (const TGifExtensionClass* cls = TGifExtension::ClassAtStream(stream)) {
            ReaderPutBack(stream);
            std::unique_ptr<TGifExtension> extension(cls->Create(frame));
            if (!extension)
                RaiseGifError("Unknown extension type");
            extension->LoadFromStream(stream);
            AppendItem(extension.release());
        } else {
            // A label nobody knows: the format asks decoders to skip what they do not understand.
            if (ReadStreamByte(stream) < 0)
                return;
            ReportIssue(1, "Unknown extension type");
            SkipSubBlocks(stream);
        }
        b = ReadStreamByte(stream);
        if (b < 0)
            return;
    }
    ReaderPutBack(stream);
}

void TGifFrame::LoadFromStream(vcl::TStream* stream) {
    ClearFrame();
    FExtensionList->ReadItems(stream, this);
    int32_t b = ReadStreamByte(stream);
    if (b < 0)
        return;
    ReaderPutBack(stream);
    if (b == ';' || b == 0)
        return;
    uint8_t d[10];
    ReadExact(stream, d, 10);
    // The separator is written back as the separator, whatever stood there.
    FDescriptor = {0x2C, GetLE16(d + 1), GetLE16(d + 3), GetLE16(d + 5), GetLE16(d + 7), d[9]};
    if (FDescriptor.Width == 0 || FDescriptor.Height == 0) {
        if (FOwnerImage) {
            FDescriptor.Width = uint16_t(FOwnerImage->GetWidth());
            FDescriptor.Height = uint16_t(FOwnerImage->GetHeight());
        }
        ReportIssue(1, "Image exceeds Logical Screen size");
    }
    if (FDescriptor.PackedFields & 0x80)
        FLocalColorMap->ReadTable(stream, 2 << (FDescriptor.PackedFields & 7));
    DecodeRaster(stream);
    if (FDescriptor.Width == 0 || FDescriptor.Height == 0)
        KeepImageWithoutArea();
}

void TGifFrame::KeepImageWithoutArea() {
    // An image that has no area even at the screen's size shows nothing, yet it is a frame of the animation
    // with its delay and disposal. A frame without pixels would be left out on saving (and its control block
    // would then govern the next image), so it stays as one transparent pixel, as gifsicle reads it.
    FDescriptor.Width = 1;
    FDescriptor.Height = 1;
    if (FOwnerImage)
        FOwnerImage->ChargeLoadedPixels(1, 1);
    AllocatePixels();
    TGifGraphicControlExtension* control = FControlExtension;
    if (!control) {
        control = new TGifGraphicControlExtension(this);
        FExtensionList->AppendItem(control);
    }
    // The pixel must be one the writer accepts: a transparent index beyond the table becomes 0.
    TGifColorMap* map = EffectiveColorMap();
    if (!control->GetTransparentFlag() ||
        control->GetTransparentIndex() >= (map ? map->GetEntryCount() : 0)) {
        control->SetTransparentFlag(true);
        control->SetTransparentIndex(0);
    }
    FPixels[0] = control->GetTransparentIndex();
}

void TGifFrame::DecodeRaster(vcl::TStream* stream) {
    // The data comes first: the memory rule bounds the frame by what its data can produce, and nothing is
    // allocated for a frame it refuses.
    const int64_t count = int64_t(FDescriptor.Width) * FDescriptor.Height;
    const int32_t minCodeSize = ReadStreamByte(stream);
    // The table holds 4096 codes: a clear code beyond it cannot be decoded.
    if (minCodeSize > 11)
        RaiseGifError("Invalid LZW minimum code size");
    TReaderRasterData data;
    if (minCodeSize >= 0)
        data = ReaderGatherSubBlocks(stream);
    int64_t budgetUsed = 0;
    if (FOwnerImage)
        FOwnerImage->ChargeLoadedPixels(count, int64_t(data.Bytes.size()));
    else if (!GifChargeFramePixels(count, int64_t(data.Bytes.size()), budgetUsed))
        RaiseGifError("Image is too large");
    AllocatePixels();
    if (FPixels && FTransparentFrame && FControlExtension)
        std::memset(FPixels.get(), FControlExtension->GetTransparentIndex(), size_t(FPixelCount));
    if (minCodeSize < 0)
        return;
    if (data.Truncated)
        ReportIssue(1, "Premature end of data");
    if (!FPixels)
        return;
    auto decoder = std::make_unique<TGifLzwDecoder>(minCodeSize, data.Bytes.data(), data.Bytes.size(),
                                                    data.EndedByZeroBlock);
    if (!IsInterlaced()) {
        decoder->Decode(FPixels.get(), FPixelCount);
    } else {
        // Rows arrive in the four passes of the interlace order; each is decoded in place.
        const int32_t width = FDescriptor.Width;
        const int32_t height = FDescriptor.Height;
        bool more = true;
        for (const TGifInterlacePass& pass : GifInterlacePasses)
            for (int32_t y = pass.Start; y < height && more; y += pass.Step)
                more = decoder->Decode(FPixels.get() + int64_t(y) * width, width) == width;
    }
    decoder->ReadTrailingCode();
    if (decoder->GetUnderRun())
        ReportIssue(1, "Decoder bit buffer under-run");
}

} // namespace gif

#include "gif/GifStreamUtils.h"

#include "platform/vcl/Streams.h"
#include "platform/vcl/StringList.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace gif {

TGifPaintOptions DefaultPaintOptions = TGifPaintOptions::FromBits(0x060F);
int64_t GifMaxFramePixels = int64_t(1) << 28;
int64_t GifMaxDocumentPixels = int64_t(1) << 31;
int64_t GifPixelBudget = int64_t(1) << 24;

bool GifChargeFramePixels(int64_t pixels, int64_t dataBytes, int64_t& budgetUsed) {
    if (pixels < 0 || pixels > GifMaxFramePixels)
        return false;
    if (pixels <= GifLzwMaxPixels(dataBytes))
        return true;
    if (pixels > GifPixelBudget - budgetUsed)
        return false;
    budgetUsed += pixels;
    return true;
}

void RaiseGifError(const std::string& message) {
    throw EGifError(message);
}

void RaiseOutOfResources() {
    int error = errno;
    std::string text = error != 0 ? std::strerror(error) : "";
    if (text.empty())
        text = "Out of system resources";
    throw vcl::EOutOfResources(text.substr(0, 256));
}

void ReadExact(vcl::TStream* stream, void* buffer, int32_t count) {
    if (count <= 0)
        return;
    auto* p = static_cast<uint8_t*>(buffer);
    int32_t done = 0;
    // Streams may deliver less than asked for before their end (pipes); keep asking until nothing comes.
    while (done < count) {
        int32_t n = stream->Read(p + done, count - done);
        if (n <= 0)
            RaiseGifError("Premature end of data");
        done += n;
    }
}

void WriteStreamByte(vcl::TStream* stream, uint8_t value) {
    stream->WriteBuffer(&value, 1);
}

int32_t ReadStreamByte(vcl::TStream* stream) {
    uint8_t value = 0;
    return stream->Read(&value, 1) == 1 ? value : -1;
}

namespace {

void StreamUtilsWriteLine(vcl::TStream* stream, const std::string& line) {
    size_t pos = 0;
    while (pos < line.size()) {
        size_t n = std::min<size_t>(255, line.size() - pos);
        WriteStreamByte(stream, static_cast<uint8_t>(n));
        stream->WriteBuffer(line.data() + pos, static_cast<int32_t>(n));
        pos += n;
    }
}

// The next sub-block as a line; false at a zero length byte or the end of the stream.
bool StreamUtilsReadLine(vcl::TStream* stream, std::string& line) {
    int32_t length = ReadStreamByte(stream);
    if (length <= 0)
        return false;
    line.assign(static_cast<size_t>(length), '\0');
    ReadExact(stream, line.data(), length);
    return true;
}

} // namespace

void WriteStringsAsSubBlocks(vcl::TStream* stream, const vcl::TStrings& lines) {
    for (int32_t i = 0; i < lines.Count(); ++i)
        StreamUtilsWriteLine(stream, lines.Get(i));
    WriteStreamByte(stream, 0);
}

void WriteStringsAsSubBlocks(vcl::TStream* stream, const TGifLines& lines) {
    for (const std::string& line : lines)
        StreamUtilsWriteLine(stream, line);
    WriteStreamByte(stream, 0);
}

void ReadSubBlocksAsStrings(vcl::TStream* stream, vcl::TStrings& lines) {
    lines.Clear();
    std::string line;
    while (StreamUtilsReadLine(stream, line))
        lines.Add(line);
}

void ReadSubBlocksAsStrings(vcl::TStream* stream, TGifLines& lines) {
    lines.clear();
    std::string line;
    while (StreamUtilsReadLine(stream, line))
        lines.push_back(line);
}

void SkipSubBlocks(vcl::TStream* stream) {
    uint8_t buffer[255];
    for (;;) {
        int32_t length = ReadStreamByte(stream);
        if (length <= 0)
            return;
        if (stream->Read(buffer, length) < length)
            return;
    }
}

void SkipBytes(vcl::TStream* stream, int64_t count) {
    if (count > 0)
        stream->Seek(count, vcl::soCurrent);
}

int32_t BitsForColorCount(int32_t count) {
    if (count <= 0)
        return 0;
    int32_t bits = 1;
    while (bits < 31 && (int64_t(1) << bits) < count)
        ++bits;
    return bits;
}

int64_t AlignedRowBytes(int64_t width, int32_t bitsPerPixel, int32_t alignment) {
    int64_t bits = width * bitsPerPixel + alignment - 1;
    return (bits - bits % alignment) >> 3;
}

} // namespace gif

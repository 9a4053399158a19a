#include "platform/win/media/AviRiff.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace win::avi {

namespace {

constexpr DWORD RiffId = mmioFOURCC('R', 'I', 'F', 'F');
constexpr DWORD ListId = mmioFOURCC('L', 'I', 'S', 'T');
constexpr DWORD AviForm = mmioFOURCC('A', 'V', 'I', ' ');
constexpr DWORD HeaderList = mmioFOURCC('h', 'd', 'r', 'l');
constexpr DWORD StreamList = mmioFOURCC('s', 't', 'r', 'l');
constexpr DWORD StreamHeaderId = mmioFOURCC('s', 't', 'r', 'h');
constexpr DWORD StreamFormatId = mmioFOURCC('s', 't', 'r', 'f');
constexpr DWORD StreamNameId = mmioFOURCC('s', 't', 'r', 'n');

// AVI files nest four lists deep at most (RIFF, movi, rec, and none below); a few more are allowed.
constexpr int RiffMaxDepth = 8;
constexpr size_t RiffMinStreamHeader = 48;
constexpr size_t RiffStreamNameMax = 63;

uint32_t RiffLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t RiffLe16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

class RiffWalker {
public:
    RiffWalker(const AviReadAt& read, AviHeaders& headers) : FRead(read), FHeaders(headers) {}

    // The chunks of [begin, end), inside a list of type listType.
    HRESULT WalkList(int64_t begin, int64_t end, DWORD listType, int depth) {
        if (depth > RiffMaxDepth)
            return AVIERR_BADFORMAT;
        int64_t position = begin;
        // Each step moves at least 8 bytes on: the walk ends within (end - begin) / 8 steps.
        while (end - position >= 8) {
            uint8_t head[8];
            if (!FRead(position, head, sizeof head))
                return AVIERR_FILEREAD;
            DWORD id = RiffLe32(head);
            int64_t size = RiffLe32(head + 4);
            int64_t dataStart = position + 8;
            int64_t dataEnd = dataStart + size;
            if (dataEnd > end)
                return AVIERR_FILEREAD;
            HRESULT result = id == ListId ? WalkSubList(dataStart, dataEnd, listType, depth)
                                          : ReadChunk(id, dataStart, size, listType);
            if (result != AVIERR_OK)
                return result;
            // Chunks are padded to even sizes; a list may end on the pad byte's place.
            position = std::min(dataEnd + (size & 1), end);
        }
        return AVIERR_OK;
    }

private:
    HRESULT WalkSubList(int64_t dataStart, int64_t dataEnd, DWORD parentType, int depth) {
        if (dataEnd - dataStart < 4)
            return AVIERR_BADFORMAT;
        uint8_t type[4];
        if (!FRead(dataStart, type, sizeof type))
            return AVIERR_FILEREAD;
        DWORD listType = RiffLe32(type);
        if (listType == HeaderList)
            ++FHeaderLists;
        if (listType == StreamList) {
            if (parentType != HeaderList)
                return AVIERR_BADFORMAT;
            FHeaders.Streams.emplace_back();
        }
        return WalkList(dataStart + 4, dataEnd, listType, depth + 1);
    }

    HRESULT ReadChunk(DWORD id, int64_t dataStart, int64_t size, DWORD listType) {
        if (listType != StreamList)
            return AVIERR_OK;
        AviStreamHeader& stream = FHeaders.Streams.back();
        if (id == StreamHeaderId) {
            if (size_t(size) < RiffMinStreamHeader) // 48 or 56 bytes; older files lack the frame rectangle
                return AVIERR_BADFORMAT;
            uint8_t h[56] = {};
            if (!FRead(dataStart, h, std::min<size_t>(size_t(size), sizeof h)))
                return AVIERR_FILEREAD;
            stream.HasHeader = true;
            stream.Type = RiffLe32(h);
            stream.Handler = RiffLe32(h + 4);
            stream.Flags = RiffLe32(h + 8);
            stream.Priority = RiffLe16(h + 12);
            stream.Language = RiffLe16(h + 14);
            stream.InitialFrames = RiffLe32(h + 16);
            stream.Scale = RiffLe32(h + 20);
            stream.Rate = RiffLe32(h + 24);
            stream.Start = RiffLe32(h + 28);
            stream.Length = RiffLe32(h + 32);
            stream.SuggestedBufferSize = RiffLe32(h + 36);
            stream.Quality = RiffLe32(h + 40);
            stream.SampleSize = RiffLe32(h + 44);
            for (int i = 0; i < 4; ++i)
                stream.Frame[i] = int16_t(RiffLe16(h + 48 + 2 * i));
        } else if (id == StreamFormatId) {
            // Its size was held against the file above: the copy is no larger than the data behind it.
            stream.Format.resize(size_t(size));
            if (size > 0 && !FRead(dataStart, stream.Format.data(), stream.Format.size()))
                return AVIERR_FILEREAD;
        } else if (id == StreamNameId) {
            std::string name(size_t(std::min<int64_t>(size, RiffStreamNameMax)), '\0');
            if (!name.empty() && !FRead(dataStart, name.data(), name.size()))
                return AVIERR_FILEREAD;
            stream.Name = name.substr(0, name.find('\0'));
        }
        return AVIERR_OK;
    }

public:
    int FHeaderLists = 0;

private:
    const AviReadAt& FRead;
    AviHeaders& FHeaders;
};

} // namespace

HRESULT ReadAviHeaders(const AviReadAt& read, int64_t fileSize, AviHeaders& headers) {
    headers = AviHeaders();
    headers.FileSize = fileSize;
    uint8_t head[12];
    if (fileSize < int64_t(sizeof head) || !read(0, head, sizeof head))
        return AVIERR_BADFORMAT;
    if (RiffLe32(head) != RiffId || RiffLe32(head + 8) != AviForm)
        return AVIERR_BADFORMAT;
    int64_t riffEnd = 8 + int64_t(RiffLe32(head + 4));
    if (riffEnd < 12)
        return AVIERR_BADFORMAT;
    if (riffEnd > fileSize)
        return AVIERR_FILEREAD;
    RiffWalker walker(read, headers);
    HRESULT result = walker.WalkList(12, riffEnd, AviForm, 1);
    if (result != AVIERR_OK)
        return result;
    // Files past 1 GB go on in further RIFF forms ("AVIX"); whatever follows is held to the file as well.
    result = walker.WalkList(std::min(riffEnd + (riffEnd & 1), fileSize), fileSize, 0, 0);
    if (result != AVIERR_OK)
        return result;
    if (walker.FHeaderLists != 1 || headers.Streams.empty())
        return AVIERR_BADFORMAT;
    return AVIERR_OK;
}

int64_t DibStride(int64_t width, int32_t bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

namespace {

bool ReadInfoHeader(const AviStreamHeader& stream, BITMAPINFOHEADER& header) {
    if (stream.Format.size() < sizeof(BITMAPINFOHEADER))
        return false;
    std::memcpy(&header, stream.Format.data(), sizeof header);
    return header.biSize >= sizeof(BITMAPINFOHEADER) && header.biSize <= stream.Format.size();
}

} // namespace

HRESULT CheckVideoStream(const AviStreamHeader& stream, int64_t fileSize) {
    BITMAPINFOHEADER header;
    if (!stream.HasHeader || !ReadInfoHeader(stream, header))
        return AVIERR_BADFORMAT;
    int64_t width = header.biWidth;
    int64_t height = std::llabs(int64_t(header.biHeight));
    if (width < 1 || width > AviMaxDimension || height < 1 || height > AviMaxDimension ||
        width * height > AviMaxFramePixels)
        return AVIERR_BADFORMAT;
    if (stream.Scale == 0 || stream.Rate == 0)
        return AVIERR_BADFORMAT;
    // Every frame takes a chunk header of 8 bytes in the file at least.
    if (int64_t(stream.Length) * 8 > fileSize || int64_t(stream.Start) + stream.Length > INT32_MAX)
        return AVIERR_BADFORMAT;
    return AVIERR_OK;
}

HRESULT BuildVideoFormat(const AviStreamHeader& stream, std::vector<uint8_t>& format) {
    BITMAPINFOHEADER header;
    if (!ReadInfoHeader(stream, header))
        return AVIERR_BADFORMAT;
    size_t tableOffset = header.biSize;
    uint32_t colours = 0;
    int32_t bits = header.biBitCount;
    if (bits >= 1 && bits <= 8) {
        uint32_t depthColours = 1u << bits;
        uint32_t claimed = header.biClrUsed ? header.biClrUsed : depthColours;
        if (claimed > depthColours)
            return AVIERR_BADFORMAT;
        size_t present = (stream.Format.size() - tableOffset) / sizeof(RGBQUAD);
        colours = uint32_t(std::min<size_t>(claimed, present));
        if (colours == 0)
            return AVIERR_BADFORMAT;
        header.biClrImportant = std::min(header.biClrImportant, colours);
    } else {
        header.biClrImportant = 0;
    }
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biClrUsed = colours;
    if (header.biSizeImage == 0 && header.biCompression == 0 /* BI_RGB */ && bits > 0 && bits <= 32)
        header.biSizeImage = DWORD(DibStride(header.biWidth, bits) * std::llabs(int64_t(header.biHeight)));
    format.resize(sizeof header + colours * sizeof(RGBQUAD));
    std::memcpy(format.data(), &header, sizeof header);
    if (colours)
        std::memcpy(format.data() + sizeof header, stream.Format.data() + tableOffset, colours * sizeof(RGBQUAD));
    return AVIERR_OK;
}

} // namespace win::avi

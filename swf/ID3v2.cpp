#include "swf/ID3v2.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"
#include "swf/ID3v1.h"

#include <cstring>
#include <vector>

namespace swf {

namespace {

// The part of each frame that is kept.
constexpr size_t kID3FrameBuffer = 250;

// UTF-16 after its byte-order mark (little-endian without one) as UTF-8, up to a 0 character.
std::string ID3Utf16ToUtf8(const uint8_t* p, size_t size) {
    bool big = false;
    if (size >= 2 && ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE))) {
        big = p[0] == 0xFE;
        p += 2;
        size -= 2;
    }
    std::string out;
    for (size_t i = 0; i + 1 < size; i += 2) {
        char32_t u = big ? char32_t(p[i] << 8 | p[i + 1]) : char32_t(p[i + 1] << 8 | p[i]);
        if (u == 0)
            break;
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < size) {
            char32_t low = big ? char32_t(p[i + 2] << 8 | p[i + 3]) : char32_t(p[i + 3] << 8 | p[i + 2]);
            if (low >= 0xDC00 && low < 0xE000) {
                vcl::SysEncodeUtf8(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00), out);
                i += 2;
                continue;
            }
        }
        vcl::SysEncodeUtf8(u >= 0xD800 && u < 0xE000 ? char32_t(0xFFFD) : u, out);
    }
    return out;
}

// A text in the frame's encoding (0 ISO-8859-1, 1 UTF-16), up to its terminator.
std::string ID3Text(uint8_t encoding, const uint8_t* p, size_t size) {
    if (encoding == 1)
        return ID3Utf16ToUtf8(p, size);
    size_t n = 0;
    while (n < size && p[n] != 0)
        ++n;
    return Latin1ToUtf8(p, n);
}

// Without leading and trailing blanks and control characters.
std::string ID3Trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && static_cast<unsigned char>(s[a]) <= 0x20)
        ++a;
    while (b > a && static_cast<unsigned char>(s[b - 1]) <= 0x20)
        --b;
    return s.substr(a, b - a);
}

// A text frame: the encoding byte, then the text.
std::string ID3TextFrame(const std::vector<uint8_t>& f) {
    if (f.empty())
        return {};
    return ID3Trim(ID3Text(f[0], f.data() + 1, f.size() - 1));
}

// A comment frame: the encoding byte, the language, a description ending at its terminator, then the text.
std::string ID3CommentFrame(const std::vector<uint8_t>& f) {
    if (f.size() < 4)
        return {};
    const uint8_t encoding = f[0];
    size_t pos = 4;
    if (encoding == 1) {
        while (pos + 1 < f.size() && (f[pos] != 0 || f[pos + 1] != 0))
            pos += 2;
        pos += 2;
    } else {
        while (pos < f.size() && f[pos] != 0)
            ++pos;
        pos += 1;
    }
    if (pos >= f.size())
        return {};
    return ID3Trim(ID3Text(encoding, f.data() + pos, f.size() - pos));
}

} // namespace

void TID3v2::Reset() {
    Exists = false;
    VersionID = 0;
    Size = 0;
    Title.clear();
    Artist.clear();
    Album.clear();
    Track = 0;
    Year.clear();
    Genre.clear();
    Comment.clear();
}

bool TID3v2::ReadFromFile(const std::string& fileName) {
    Reset();
    std::unique_ptr<vcl::TFileStream> file;
    int64_t fileSize = 0;
    uint8_t header[10];
    try {
        file = std::make_unique<vcl::TFileStream>(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
        fileSize = file->GetSize();
        if (fileSize < 10)
            return false;
        file->ReadBuffer(header, 10);
    } catch (const vcl::Exception&) {
        Reset();
        return false;
    }
    if (std::memcmp(header, "ID3", 3) != 0)
        return true;
    Exists = true;
    VersionID = header[3];
    const int64_t size = ((int64_t(header[6] & 0x7F) << 21) | (int64_t(header[7] & 0x7F) << 14) |
                          (int64_t(header[8] & 0x7F) << 7) | int64_t(header[9] & 0x7F)) +
                         10;
    Size = size > fileSize ? 0 : size;
    if (VersionID != 3 || Size == 0)
        return true;

    std::vector<uint8_t> title, artist, album, track, year, genre, comment;
    try {
        int64_t pos = 10;
        while (pos + 10 <= Size) {
            uint8_t frame[10];
            file->SetPosition(pos);
            file->ReadBuffer(frame, 10);
            const int64_t frameSize = (int64_t(frame[4]) << 24) | (int64_t(frame[5]) << 16) |
                                      (int64_t(frame[6]) << 8) | int64_t(frame[7]);
            const int64_t dataStart = pos + 10;
            // A frame that reaches past the tag is no frame of it: the scan ends.
            if (frameSize > Size - dataStart)
                break;
            std::vector<uint8_t> data(size_t(std::min<int64_t>(frameSize, kID3FrameBuffer)));
            if (!data.empty())
                file->ReadBuffer(data.data(), int32_t(data.size()));
            std::vector<uint8_t>* target = nullptr;
            if (std::memcmp(frame, "TIT2", 4) == 0)
                target = &title;
            else if (std::memcmp(frame, "TPE1", 4) == 0)
                target = &artist;
            else if (std::memcmp(frame, "TALB", 4) == 0)
                target = &album;
            else if (std::memcmp(frame, "TRCK", 4) == 0)
                target = &track;
            else if (std::memcmp(frame, "TYER", 4) == 0)
                target = &year;
            else if (std::memcmp(frame, "TCON", 4) == 0)
                target = &genre;
            else if (std::memcmp(frame, "COMM", 4) == 0)
                target = &comment;
            if (target)
                *target = std::move(data);
            pos = dataStart + frameSize;
        }
    } catch (const vcl::Exception&) {
        // A damaged frame ends the scan; what was taken stays.
    }
    Title = ID3TextFrame(title);
    Artist = ID3TextFrame(artist);
    Album = ID3TextFrame(album);
    Year = ID3TextFrame(year);
    std::string trackText = ID3TextFrame(track);
    trackText = trackText.substr(0, trackText.find('/'));
    Track = 0;
    if (!trackText.empty() && trackText.size() <= 9 &&
        trackText.find_first_not_of("0123456789") == std::string::npos)
        Track = static_cast<uint32_t>(std::stoul(trackText));
    Genre = ID3TextFrame(genre);
    if (size_t close = Genre.rfind(')'); close != std::string::npos)
        Genre = Genre.substr(close + 1);
    Comment = ID3CommentFrame(comment);
    return true;
}

} // namespace swf

// The ID3v1 tag in the last 128 bytes of an MP3 file, and the table of genre names.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace swf {

// The published ID3v1 genre list with its extensions: 148 names, 0 "Blues" to 147 "Synthpop".
extern const std::array<const char*, 148> Genres;

// Texts are UTF-8, converted from the tag's ISO-8859-1.
class TID3v1 {
public:
    TID3v1() { Reset(); }
    void Reset();
    // True when the last 128 bytes could be read, whether or not they hold a tag; false, with the fields as
    // after Reset, when the file cannot be opened or read or is shorter than 128 bytes.
    bool ReadFromFile(const std::string& fileName);
    // The same from the file's last 128 bytes.
    void ReadFromBytes(const uint8_t* last128);

    bool Exists = false;
    // 1 for ID3v1.0, 2 for ID3v1.1 (with a track number).
    uint8_t VersionID = 1;
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Comment;
    uint8_t Track = 0;
    uint8_t GenreID = 255;
};

// ISO-8859-1 bytes as UTF-8.
std::string Latin1ToUtf8(const uint8_t* data, size_t size);

} // namespace swf

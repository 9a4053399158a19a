// The ID3v2 tag at the start of an MP3 file: its size (so that the audio analysis can skip it) and, for
// version 2.3 tags, the title, artist, album, track, year, genre and comment texts.
#pragma once

#include <cstdint>
#include <string>

namespace swf {

// Texts are UTF-8: ISO-8859-1 texts are converted and UTF-16 texts with a byte-order mark decoded.
class TID3v2 {
public:
    TID3v2() { Reset(); }
    void Reset();
    // False, with the fields as after Reset, when the file cannot be opened or has fewer than 10 bytes.
    // Damaged frames end the frame scan and keep what was taken so far.
    bool ReadFromFile(const std::string& fileName);

    bool Exists = false;
    // The tag's major version.
    uint8_t VersionID = 0;
    // The whole tag with its 10-byte header; 0 without a tag or when the tag claims more than the file.
    int64_t Size = 0;
    std::string Title;
    std::string Artist;
    std::string Album;
    uint32_t Track = 0;
    std::string Year;
    std::string Genre;
    std::string Comment;
};

} // namespace swf

#include "swf/ID3v1.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"

namespace swf {

const std::array<const char*, 148> Genres = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal", "New Age",
    "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno", "Industrial", "Alternative", "Ska",
    "Death Metal", "Pranks", "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion",
    "Trance", "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock",
    "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic",
    "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy",
    "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American", "Cabaret", "New Wave",
    "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro",
    "Musical", "Rock & Roll", "Hard Rock", "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob",
    "Latin", "Revival", "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour", "Speech",
    "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire",
    "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul", "Freestyle",
    "Duet", "Punk Rock", "Drum Solo", "A capella", "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House",
    "Hardcore", "Terror", "Indie", "BritPop", "Negerpunk", "Polsk Punk", "Beat", "Christian Gangsta Rap",
    "Heavy Metal", "Black Metal", "Crossover", "Contemporary Christian", "Christian Rock", "Merengue", "Salsa",
    "Thrash Metal", "Anime", "JPop", "Synthpop"};

std::string Latin1ToUtf8(const uint8_t* data, size_t size) {
    std::string out;
    for (size_t i = 0; i < size; ++i)
        vcl::SysEncodeUtf8(data[i], out);
    return out;
}

namespace {

// A fixed field: up to its first 0 byte, without trailing blanks and control characters.
std::string ID3v1Field(const uint8_t* p, size_t size) {
    size_t n = 0;
    while (n < size && p[n] != 0)
        ++n;
    while (n > 0 && p[n - 1] <= 0x20)
        --n;
    return Latin1ToUtf8(p, n);
}

} // namespace

void TID3v1::Reset() {
    Exists = false;
    VersionID = 1;
    Title.clear();
    Artist.clear();
    Album.clear();
    Year.clear();
    Comment.clear();
    Track = 0;
    GenreID = 255;
}

void TID3v1::ReadFromBytes(const uint8_t* b) {
    Reset();
    if (b[0] != 'T' || b[1] != 'A' || b[2] != 'G')
        return;
    Exists = true;
    if ((b[125] == 0 || b[125] == ' ') && b[126] != 0)
        VersionID = 2;
    Title = ID3v1Field(b + 3, 30);
    Artist = ID3v1Field(b + 33, 30);
    Album = ID3v1Field(b + 63, 30);
    Year = ID3v1Field(b + 93, 4);
    if (VersionID == 1) {
        Comment = ID3v1Field(b + 97, 30);
    } else {
        Comment = ID3v1Field(b + 97, 28);
        Track = b[126];
    }
    GenreID = b[127];
}

bool TID3v1::ReadFromFile(const std::string& fileName) {
    Reset();
    try {
        vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
        const int64_t size = file.GetSize();
        if (size < 128)
            return false;
        uint8_t last[128];
        file.SetPosition(size - 128);
        file.ReadBuffer(last, 128);
        ReadFromBytes(last);
        return true;
    } catch (const vcl::Exception&) {
        Reset();
        return false;
    }
}

} // namespace swf

// ID3 tags, MPEG audio analysis and the WAV reader. Hand-made bytes show the format's edge cases; the files
// under tests/data/swf come from tests/external/swf_sound.sh's ffmpeg commands.
#include "SwfTestUtil.h"

#include "platform/vcl/Exceptions.h"
#include "swf/ID3v1.h"
#include "swf/ID3v2.h"
#include "swf/MPEGaudio.h"
#include "swf/SoundReader.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace swf;
using namespace swftest;

namespace {

void Put(Bytes& b, size_t at, const std::string& s) {
    std::memcpy(b.data() + at, s.data(), s.size());
}

Bytes ID3v1Tag(uint8_t b125, uint8_t b126) {
    Bytes tag(128, 0);
    Put(tag, 0, "TAG");
    Put(tag, 3, "Caf\xE9 au lait   ");
    Put(tag, 33, "Artist");
    Put(tag, 63, "Album\x01");
    Put(tag, 93, "1999");
    Put(tag, 97, "a comment that fills thirty!!");
    tag[125] = b125;
    tag[126] = b126;
    tag[127] = 17;
    return tag;
}

// An ID3v2.3 frame: identifier, 32-bit big-endian size, two flag bytes, data.
// The size defaults to the data's.
Bytes Frame(const char* id, const Bytes& data, int64_t claimed = -1) {
    const uint32_t size = claimed < 0 ? uint32_t(data.size()) : uint32_t(claimed);
    Bytes f(id, id + 4);
    for (int s = 24; s >= 0; s -= 8)
        f.push_back(uint8_t(size >> s));
    f.push_back(0);
    f.push_back(0);
    Append(f, data);
    return f;
}

Bytes Text(uint8_t encoding, const std::string& text) {
    Bytes b{encoding};
    b.insert(b.end(), text.begin(), text.end());
    return b;
}

// A tag of the given version whose frames are padded with zeros to bodySize bytes.
Bytes ID3v2Tag(uint8_t version, const Bytes& frames, uint32_t bodySize) {
    Bytes tag{'I', 'D', '3', version, 0, 0, uint8_t((bodySize >> 21) & 0x7F), uint8_t((bodySize >> 14) & 0x7F),
              uint8_t((bodySize >> 7) & 0x7F), uint8_t(bodySize & 0x7F)};
    Append(tag, frames);
    tag.resize(10 + bodySize, 0);
    return tag;
}

// A RIFF WAVE file with a format chunk of the given fields and a data chunk.
Bytes Wave(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& data,
           uint32_t dataSize = 0xFFFFFFFF, uint32_t fmtSize = 16) {
    if (dataSize == 0xFFFFFFFF)
        dataSize = uint32_t(data.size());
    auto le = [](Bytes& b, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b.push_back(uint8_t(v >> (8 * i)));
    };
    Bytes fmt;
    le(fmt, tag, 2);
    le(fmt, channels, 2);
    le(fmt, rate, 4);
    le(fmt, rate * channels * bits / 8, 4);
    le(fmt, channels * bits / 8, 2);
    le(fmt, bits, 2);
    fmt.resize(fmtSize, 0);
    Bytes w{'R', 'I', 'F', 'F'};
    le(w, uint32_t(4 + 8 + fmt.size() + 8 + data.size()), 4);
    Put(w, 0, "RIFF");
    for (char c : std::string("WAVEfmt "))
        w.push_back(uint8_t(c));
    le(w, uint32_t(fmt.size()), 4);
    Append(w, fmt);
    for (char c : std::string("data"))
        w.push_back(uint8_t(c));
    le(w, dataSize, 4);
    Append(w, data);
    return w;
}

} // namespace

TEST(ID3v1, VersionsFieldsAndFailures) {
    struct Case {
        uint8_t b125, b126;
        uint8_t version, track;
        const char* comment;
    } cases[] = {
        {0, 7, 2, 7, "a comment that fills thirty!"},
        {' ', 7, 2, 7, "a comment that fills thirty!"},
        {0, 0, 1, 0, "a comment that fills thirty!"},
        {'!', 7, 1, 0, "a comment that fills thirty!!"},
    };
    for (auto& c : cases) {
        Bytes file(40, 0xAA);
        Append(file, ID3v1Tag(c.b125, c.b126));
        TempFile f(file, "v1.mp3");
        TID3v1 tag;
        ASSERT_TRUE(tag.ReadFromFile(f.Path()));
        EXPECT_TRUE(tag.Exists);
        EXPECT_EQ(tag.VersionID, c.version);
        EXPECT_EQ(tag.Track, c.track);
        EXPECT_EQ(tag.Title, "Caf\xC3\xA9 au lait");
        EXPECT_EQ(tag.Artist, "Artist");
        EXPECT_EQ(tag.Album, "Album");
        EXPECT_EQ(tag.Year, "1999");
        EXPECT_EQ(tag.Comment, c.comment);
        EXPECT_EQ(tag.GenreID, 17);
        EXPECT_STREQ(Genres[tag.GenreID], "Rock");
    }
    EXPECT_STREQ(Genres[0], "Blues");
    EXPECT_STREQ(Genres[147], "Synthpop");

    TempFile noTag(Bytes(200, 0x20), "none.mp3");
    TID3v1 tag;
    EXPECT_TRUE(tag.ReadFromFile(noTag.Path()));
    EXPECT_FALSE(tag.Exists);
    TempFile tiny(Bytes(100, 0), "tiny.mp3");
    EXPECT_FALSE(tag.ReadFromFile(tiny.Path()));
    EXPECT_FALSE(tag.ReadFromFile("/nonexistent/file.mp3"));
    EXPECT_EQ(tag.GenreID, 255);
}

TEST(ID3v2, FramesSizesAndTexts) {
    Bytes frames = Frame("TIT2", Text(0, "  Caf\xE9\x01  "));
    // UTF-16 with a byte-order mark: "Über" and a character outside the basic plane.
    Append(frames, Frame("TPE1", {1, 0xFF, 0xFE, 0xDC, 0x00, 'b', 0, 'e', 0, 'r', 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}));
    Append(frames, Frame("TRCK", Text(0, "3/12")));
    Append(frames, Frame("TCON", Text(0, "(17)Rock")));
    Append(frames, Frame("TYER", Text(0, "2001")));
    // A comment of 300 bytes: only its first 250 bytes are kept, and the next frame follows it.
    Bytes comment = Text(0, std::string("eng") + "desc" + '\0' + std::string(291, 'c'));
    ASSERT_EQ(comment.size(), 300u);
    Append(frames, Frame("COMM", comment));
    Append(frames, Frame("TALB", Text(0, "Album")));
    Bytes file = ID3v2Tag(3, frames, 600);
    Append(file, Bytes(300, 0));
    TempFile f(file, "v23.mp3");
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(f.Path()));
    EXPECT_TRUE(tag.Exists);
    EXPECT_EQ(tag.VersionID, 3);
    EXPECT_EQ(tag.Size, 610);
    EXPECT_EQ(tag.Title, "Caf\xC3\xA9");
    EXPECT_EQ(tag.Artist, "\xC3\x9C" "ber\xF0\x9F\x98\x80");
    EXPECT_EQ(tag.Track, 3u);
    EXPECT_EQ(tag.Genre, "Rock");
    EXPECT_EQ(tag.Year, "2001");
    // The comment is the text after its language and description, within the frame's first 250 bytes.
    EXPECT_EQ(tag.Comment, std::string(250 - 9, 'c'));
    EXPECT_EQ(tag.Album, "Album");

    // The size bytes 02 01 hold 257 in seven-bit groups: with the header 267.
    Bytes small = ID3v2Tag(3, Frame("TIT2", Text(0, "s")), 257);
    ASSERT_EQ(Hex(Bytes(small.begin(), small.begin() + 10)), "49 44 33 03 00 00 00 00 02 01");
    TempFile sm(small, "small.mp3");
    ASSERT_TRUE(tag.ReadFromFile(sm.Path()));
    EXPECT_EQ(tag.Size, 267);
    EXPECT_EQ(tag.Title, "s");

    // "x" is no track number; a frame that reaches past the tag ends the scan and keeps what came before.
    Bytes odd = Frame("TRCK", Text(0, "x"));
    Append(odd, Frame("TIT2", Text(0, "kept")));
    Append(odd, Frame("TALB", Text(0, "lost"), 0xFFFFFFFF));
    Bytes oddFile = ID3v2Tag(3, odd, 200);
    Append(oddFile, Bytes(100, 0));
    TempFile g(oddFile, "odd.mp3");
    ASSERT_TRUE(tag.ReadFromFile(g.Path()));
    EXPECT_EQ(tag.Track, 0u);
    EXPECT_EQ(tag.Title, "kept");
    EXPECT_EQ(tag.Album, "");

    // Version 2.4: the tag is there, its texts are not read.
    Bytes v24 = ID3v2Tag(4, Frame("TIT2", Text(3, "utf8")), 100);
    TempFile h(v24, "v24.mp3");
    ASSERT_TRUE(tag.ReadFromFile(h.Path()));
    EXPECT_TRUE(tag.Exists);
    EXPECT_EQ(tag.VersionID, 4);
    EXPECT_EQ(tag.Size, 110);
    EXPECT_EQ(tag.Title, "");

    // A tag that claims more than the file holds has no size; tiny and missing files fail.
    Bytes claims = ID3v2Tag(3, {}, 40);
    claims[6] = 0x7F;
    TempFile k(claims, "claims.mp3");
    ASSERT_TRUE(tag.ReadFromFile(k.Path()));
    EXPECT_EQ(tag.Size, 0);
    TempFile tiny(Bytes{'I', 'D', '3'}, "tiny.mp3");
    EXPECT_FALSE(tag.ReadFromFile(tiny.Path()));
    EXPECT_FALSE(tag.ReadFromFile("/nonexistent/file.mp3"));
}

TEST(MPEGaudio, FrameHeaders) {
    struct Case {
        uint8_t b[4];
        int32_t length, bitRate, sampleRate, samples;
    } cases[] = {
        {{0xFF, 0xFB, 0x90, 0x64}, 417, 128, 44100, 1152}, // MPEG-1 layer III
        {{0xFF, 0xFB, 0x92, 0x64}, 418, 128, 44100, 1152}, // the same with padding
        {{0xFF, 0xF5, 0x84, 0xC4}, 384, 64, 24000, 1152},  // MPEG-2 layer II
        {{0xFF, 0xF3, 0x40, 0xC4}, 104, 32, 22050, 576},   // MPEG-2 layer III
        {{0xFF, 0xFF, 0x40, 0x00}, 139, 128, 44100, 384},  // MPEG-1 layer I
    };
    for (auto& c : cases) {
        ASSERT_TRUE(IsMPEGFrameHeader(c.b));
        TMPEGFrameHeader h = DecodeMPEGFrameHeader(c.b);
        EXPECT_EQ(MPEGFrameLength(h), c.length);
        EXPECT_EQ(MPEGBitRate(h), c.bitRate);
        EXPECT_EQ(MPEGSampleRate(h), c.sampleRate);
        EXPECT_EQ(MPEGSamplesPerFrame(h), c.samples);
    }
    const uint8_t invalid[][4] = {{0xFE, 0xFB, 0x90, 0x64}, {0xFF, 0xEB, 0x90, 0x64}, {0xFF, 0xF9, 0x90, 0x64},
                                  {0xFF, 0xFB, 0xF0, 0x64}, {0xFF, 0xFB, 0x9C, 0x64}, {0xFF, 0xFB, 0x90, 0x66}};
    for (auto& b : invalid)
        EXPECT_FALSE(IsMPEGFrameHeader(b));
}

TEST(MPEGaudio, RealFilesAndTags) {
    TMPEGaudio cbr;
    ASSERT_TRUE(cbr.ReadFromFile(FixturePath("cbr_44100.mp3")));
    ASSERT_TRUE(cbr.Frame.Found);
    EXPECT_TRUE(cbr.ID3v2.Exists);
    EXPECT_TRUE(cbr.ID3v1.Exists);
    EXPECT_EQ(cbr.ID3v2.Title, "Tone");
    EXPECT_EQ(cbr.ID3v2.Track, 3u);
    EXPECT_EQ(cbr.Frame.Position, 0u);
    EXPECT_EQ(cbr.GetDataStart(), cbr.ID3v2.Size);
    EXPECT_EQ(cbr.GetDataSize(), cbr.FileLength - cbr.ID3v2.Size - 128);
    EXPECT_EQ(cbr.Frame.Size, 417);
    EXPECT_EQ(cbr.GetSampleRate(), 44100);
    EXPECT_EQ(cbr.GetBitRate(), 128);

    // The same frames behind a 2048-byte ID3v2 tag are analysed from offset 2048 on.
    Bytes mp3 = Fixture("mpeg2_22050.mp3");
    TMPEGaudio plain;
    ASSERT_TRUE(plain.ReadFromFile(FixturePath("mpeg2_22050.mp3")));
    const int64_t skip = plain.GetDataStart();
    Bytes tagged = ID3v2Tag(3, Frame("TIT2", Text(0, "t")), 2038);
    tagged.insert(tagged.end(), mp3.begin() + skip, mp3.end());
    TempFile f(tagged, "tagged.mp3");
    TMPEGaudio a;
    ASSERT_TRUE(a.ReadFromFile(f.Path()));
    EXPECT_EQ(a.ID3v2.Size, 2048);
    ASSERT_TRUE(a.Frame.Found);
    EXPECT_EQ(a.GetDataStart(), 2048);
    EXPECT_EQ(a.Frame.VersionID, 2);
    EXPECT_EQ(a.GetSampleRate(), 22050);
    EXPECT_EQ(a.GetFrameCount(), plain.GetFrameCount());

    // A header in the last bytes of a short file, a file of nothing, a 100-byte file: no frame, no crash.
    Bytes shortFile(300, 0);
    const uint8_t header[] = {0xFF, 0xFB, 0x90, 0x64};
    std::memcpy(shortFile.data() + 296, header, 4);
    TempFile s(shortFile, "short.mp3");
    TMPEGaudio b;
    EXPECT_TRUE(b.ReadFromFile(s.Path()));
    EXPECT_FALSE(b.Frame.Found);
    EXPECT_EQ(b.GetDuration(), 0);
    TempFile hundred(Bytes(100, 0xFF), "hundred.mp3");
    EXPECT_FALSE(b.ReadFromFile(hundred.Path()));
}

TEST(WaveReader, PcmFilesAndDuration) {
    // 16-bit stereo PCM, 176400 bytes at 44100 Hz: 44100 samples, one second.
    TempFile stereo(Wave(1, 2, 44100, 16, Bytes(176400, 0)), "stereo.wav");
    TWaveReader r(stereo.Path());
    EXPECT_EQ(r.FormatTag, 1);
    EXPECT_EQ(r.Channels, 2);
    EXPECT_EQ(r.SamplesPerSec, 44100u);
    EXPECT_EQ(r.SampleCount, 44100u);
    EXPECT_DOUBLE_EQ(r.Duration, 1.0);
    EXPECT_EQ(r.DataOffset, 44u);
    EXPECT_EQ(r.DataSize, 176400u);
    EXPECT_EQ(r.FmtOffset, 20u);
    EXPECT_EQ(r.FmtSize, 16u);

    TWaveReader u8(FixturePath("tone_u8_11025.wav"));
    EXPECT_EQ(u8.BitsPerSample, 8);
    EXPECT_EQ(u8.SamplesPerSec, 11025u);
    EXPECT_EQ(u8.SampleCount, u8.DataSize);

    // An extensible WAV names its PCM format in its sub-format; another extension gives nothing.
    Bytes ext = Wave(0xFFFE, 1, 22050, 16, Bytes(100, 0), 0xFFFFFFFF, 40);
    ext[20 + 24] = 1;
    TempFile extensible(ext, "ext.wav");
    EXPECT_EQ(TWaveReader(extensible.Path()).FormatTag, 1);
    TempFile other(Wave(1, 1, 8000, 8, Bytes(10, 0)), "sound.aif");
    TWaveReader none(other.Path());
    EXPECT_EQ(none.FormatTag, 0);
    EXPECT_EQ(none.SamplesPerSec, 0u);
    EXPECT_EQ(none.Duration, 0);
}

TEST(WaveReader, MP3DataIsTheFramesOnly) {
    TWaveReader r(FixturePath("cbr_44100.mp3"));
    TMPEGaudio m;
    ASSERT_TRUE(m.ReadFromFile(FixturePath("cbr_44100.mp3")));
    EXPECT_EQ(r.FormatTag, wfMP3File);
    EXPECT_EQ(r.DataOffset, uint32_t(m.ID3v2.Size));
    EXPECT_EQ(r.DataOffset + r.DataSize, uint32_t(m.FileLength - 128));
    EXPECT_EQ(r.SamplesPerMP3Frame, 1152);
    EXPECT_EQ(r.MP3FrameSize, 417);
    EXPECT_EQ(r.Channels, 1);
    EXPECT_EQ(r.MPEGLayer, 1);

    // MPEG data in a WAV keeps the WAV's data chunk.
    Bytes mp3 = Fixture("mpeg2_22050.mp3");
    TMPEGaudio plain;
    ASSERT_TRUE(plain.ReadFromFile(FixturePath("mpeg2_22050.mp3")));
    Bytes frames(mp3.begin() + plain.GetDataStart(), mp3.end());
    TempFile inWave(Wave(85, 1, 22050, 0, frames), "mp3.wav");
    TWaveReader w(inWave.Path());
    EXPECT_EQ(w.FormatTag, 85);
    EXPECT_EQ(w.DataOffset, 44u);
    EXPECT_EQ(w.DataSize, frames.size());
    EXPECT_EQ(w.SamplesPerMP3Frame, 576);
    EXPECT_EQ(w.SamplesPerSec, 22050u);
}

TEST(WaveReader, DamagedFilesRaise) {
    Bytes good = Wave(1, 1, 22050, 16, Bytes(400, 0));
    Bytes truncated(good.begin(), good.end() - 100);
    Bytes noChannels = Wave(1, 0, 22050, 16, Bytes(40, 0));
    Bytes noBits = Wave(1, 1, 22050, 0, Bytes(40, 0));
    Bytes shortFmt = Wave(1, 1, 22050, 16, Bytes(40, 0), 0xFFFFFFFF, 12);
    Bytes pastEnd = Wave(1, 1, 22050, 16, Bytes(40, 0), 0x7FFFFFF0);
    Bytes noData(good.begin(), good.begin() + 36);
    Bytes notRiff = good;
    notRiff[0] = 'X';
    struct Case {
        const char* what;
        const Bytes* bytes;
    } cases[] = {{"truncated", &truncated}, {"no channels", &noChannels}, {"no bits", &noBits},
                 {"short fmt", &shortFmt},  {"size past the end", &pastEnd}, {"no data chunk", &noData},
                 {"not RIFF", &notRiff}};
    for (auto& c : cases) {
        TempFile f(*c.bytes, "bad.wav");
        EXPECT_THROW(TWaveReader r(f.Path()), vcl::Exception) << c.what;
    }
    EXPECT_THROW(TWaveReader r("/nonexistent/x.wav"), vcl::Exception);
    TempFile hundred(Bytes(100, 0xFF), "hundred.mp3");
    EXPECT_THROW(TWaveReader r(hundred.Path()), vcl::Exception);
}

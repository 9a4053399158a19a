// Sound tags, Flash sounds as event and stream sounds, and the movie's stream sound. The WAV and MP3 files
// under tests/data/swf come from tests/external/swf_sound.sh's ffmpeg commands.
#include "SwfTestUtil.h"

#include "platform/vcl/Exceptions.h"
#include "swf/FlashObjects.h"
#include "swf/FlashSound.h"
#include "swf/MPEGaudio.h"
#include "swf/SoundReader.h"
#include "swf/SWFObjects.h"
#include "swf/SWFSoundTags.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace swf;
using namespace swftest;

namespace {

// A WAV file of the given format fields, with size bytes of data.
Bytes Wave(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t size) {
    Bytes w;
    auto le = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            w.push_back(uint8_t(v >> (8 * i)));
    };
    auto text = [&](const char* s) { w.insert(w.end(), s, s + 4); };
    text("RIFF");
    le(36 + size, 4);
    text("WAVE");
    text("fmt ");
    le(16, 4);
    le(tag, 2);
    le(channels, 2);
    le(rate, 4);
    le(rate * channels * std::max<uint16_t>(bits, 8) / 8, 4);
    le(channels * std::max<uint16_t>(bits, 8) / 8, 2);
    le(bits, 2);
    text("data");
    le(size, 4);
    for (uint32_t i = 0; i < size; ++i)
        w.push_back(uint8_t(i * 7));
    return w;
}

Bytes FileData(const std::string& path, uint32_t offset, uint32_t size) {
    Bytes all = Fixture(path);
    return Bytes(all.begin() + offset, all.begin() + offset + size);
}

} // namespace

TEST(SWFSoundTags, BodiesAndVersions) {
    TSWFDefineSound sound;
    sound.SoundID = 3;
    sound.Format = sfMP3;
    sound.Rate = srRate44100;
    sound.Is16Bit = 1;
    sound.SampleCount = 0x11223344;
    sound.SeekSamples = 0x0102;
    const uint8_t payload[] = {0xAA, 0xBB};
    sound.SetData(payload, 2);
    EXPECT_EQ(Hex(WriteObject(sound)), "8B 03 03 00 2E 44 33 22 11 02 01 AA BB");
    EXPECT_EQ(sound.MinVersion(), 4);
    sound.Format = sfNative;
    EXPECT_EQ(Hex(WriteObject(sound)), "89 03 03 00 0E 44 33 22 11 AA BB");
    EXPECT_EQ(sound.MinVersion(), 1);

    TSWFSoundStreamHead2 head;
    head.StreamFormat = sfMP3;
    head.StreamRate = head.PlaybackRate = srRate22050;
    head.Stream16Bit = head.Playback16Bit = 1;
    head.SampleCount = 1838;
    head.LatencySeek = -2;
    EXPECT_EQ(Hex(WriteObject(head)), "46 0B 0A 2A 2E 07 FE FF");
    EXPECT_EQ(head.MinVersion(), 4);
    head.StreamFormat = sfLittleEndian;
    EXPECT_EQ(head.MinVersion(), 3);
    TSWFSoundStreamHead plain;
    EXPECT_EQ(plain.MinVersion(), 1);

    TSWFVideoFrame frame;
    frame.StreamID = 2;
    frame.FrameNum = 9;
    frame.SetData(payload, 2);
    EXPECT_EQ(Hex(WriteObject(frame)), "46 0F 02 00 09 00 AA BB");

    // Readers stay within their bodies.
    struct Case {
        std::unique_ptr<TSWFObject> tag;
        Bytes body;
    };
    std::vector<Case> cases;
    cases.push_back({std::make_unique<TSWFDefineSound>(), {1, 0, 0x2E, 0, 0, 0}});
    cases.push_back({std::make_unique<TSWFDefineSound>(), {1, 0, 0x2E, 0, 0, 0, 0, 5}});
    cases.push_back({std::make_unique<TSWFSoundStreamHead>(), {0, 0x2E, 1}});
    cases.push_back({std::make_unique<TSWFVideoFrame>(), {1, 0, 2}});
    for (auto& c : cases) {
        vcl::TReadOnlyMemoryStream s(c.body.data(), int64_t(c.body.size()));
        TBitsEngine e(&s);
        c.tag->SetBodySize(uint32_t(c.body.size()));
        EXPECT_THROW(c.tag->ReadFromStream(&e), vcl::EReadError) << c.tag->ClassName();
    }
}

TEST(FlashSound, PcmStreamBlocksCarryWholeSampleFrames) {
    TFlashMovie movie(0, 0, 10, 10, 10, true);
    TFlashSound sound(&movie, FixturePath("tone_s16_22050.wav"));
    TSWFSoundStreamHead2 head;
    sound.FillStreamHead(head, 10);
    EXPECT_EQ(sound.GetSamplesPerFrame(), 2205);
    EXPECT_EQ(sound.GetBlockSize(), 4410u);
    EXPECT_EQ(head.StreamFormat, sfLittleEndian);
    EXPECT_EQ(head.StreamRate, srRate22050);
    EXPECT_EQ(head.SampleCount, 2205);

    // 8-bit mono at 11025 Hz and 12 frames per second: blocks of 918 bytes, the last filled with silence (the
    // unsigned samples' middle value) or, looping, with the start of the sound.
    for (bool loop : {false, true}) {
        TFlashSound u8(&movie, FixturePath("tone_u8_11025.wav"));
        u8.SetLoop(loop);
        u8.FillStreamHead(head, 12);
        EXPECT_EQ(u8.GetBlockSize(), 918u);
        const uint32_t size = u8.GetDataSize();
        Bytes data = FileData("tone_u8_11025.wav", u8.GetDataStart(), size);
        Bytes streamed;
        const uint32_t blocks = (size + 917) / 918;
        for (uint32_t i = 0; i < blocks; ++i) {
            auto tags = Tags(Render([&](TBitsEngine& e) { u8.WriteStreamBlock(&e); }));
            ASSERT_EQ(tags.size(), 1u);
            EXPECT_EQ(tags[0].Code, tagSoundStreamBlock);
            ASSERT_EQ(tags[0].Body.size(), 918u);
            streamed.insert(streamed.end(), tags[0].Body.begin(), tags[0].Body.end());
        }
        EXPECT_EQ(Bytes(streamed.begin(), streamed.begin() + size), data);
        Bytes fill(streamed.begin() + size, streamed.end());
        Bytes want = loop ? Bytes(data.begin(), data.begin() + long(fill.size())) : Bytes(fill.size(), 0x80);
        EXPECT_EQ(fill, want) << loop;
        // Without loop the data is used up: no more blocks.
        Bytes after = Render([&](TBitsEngine& e) { u8.WriteStreamBlock(&e); });
        EXPECT_EQ(after.empty(), !loop);
    }
}

// MP3 blocks hold whole frames, found by walking their headers, and the seek carry follows the frames.
TEST(FlashSound, Mp3StreamBlocksHoldWholeFrames) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    TFlashSound sound(&movie, FixturePath("cbr_44100.mp3"));
    EXPECT_EQ(sound.GetFormat(), sfMP3);
    TWaveReader reader(FixturePath("cbr_44100.mp3"));
    EXPECT_EQ(sound.GetDataStart(), reader.DataOffset);
    TSWFSoundStreamHead2 head;
    sound.FillStreamHead(head, 12);
    EXPECT_EQ(sound.GetSamplesPerFrame(), 3675);
    EXPECT_EQ(sound.GetSamplesPerMP3Frame(), 1152);
    Bytes data = FileData("cbr_44100.mp3", sound.GetDataStart(), sound.GetDataSize());
    size_t used = 0;
    std::vector<int> counts, carries;
    for (int block = 0; block < 4; ++block) {
        int32_t carry = sound.GetSeekCarry();
        auto tags = Tags(Render([&](TBitsEngine& e) { sound.WriteStreamBlock(&e); }));
        ASSERT_EQ(tags.size(), 1u);
        const Bytes& body = tags[0].Body;
        const int samples = body[0] | body[1] << 8;
        EXPECT_EQ(int16_t(body[2] | body[3] << 8), carry);
        // The frames are the file's next frames, each as long as its header says.
        size_t pos = 4;
        int frames = 0;
        while (pos < body.size()) {
            ASSERT_TRUE(IsMPEGFrameHeader(body.data() + pos));
            pos += size_t(MPEGFrameLength(DecodeMPEGFrameHeader(body.data() + pos)));
            ++frames;
        }
        EXPECT_EQ(pos, body.size());
        EXPECT_EQ(Bytes(body.begin() + 4, body.end()),
                  Bytes(data.begin() + long(used), data.begin() + long(used + body.size() - 4)));
        used += body.size() - 4;
        EXPECT_EQ(samples, frames * 1152);
        counts.push_back(frames);
        carries.push_back(sound.GetSeekCarry());
    }
    EXPECT_EQ(counts, (std::vector<int>{3, 3, 3, 3}));
    EXPECT_EQ(carries[0], 219);
    EXPECT_EQ(carries[1], 438);
    // The file's frames are 417 and 418 bytes long (padding).
    bool saw417 = false, saw418 = false;
    for (size_t pos = 0; pos + 4 <= data.size();) {
        int32_t length = MPEGFrameLength(DecodeMPEGFrameHeader(data.data() + pos));
        saw417 |= length == 417;
        saw418 |= length == 418;
        pos += size_t(length);
    }
    EXPECT_TRUE(saw417 && saw418);
}

TEST(FlashSound, EventSoundsCarryTheData) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    TFlashSound wav(&movie, FixturePath("tone_s16_22050.wav"));
    wav.SetCharacterID(4);
    auto tags = Tags(WriteObject(wav));
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags[0].Code, tagDefineSound);
    const Bytes& b = tags[0].Body;
    EXPECT_EQ(Hex(Bytes(b.begin(), b.begin() + 3)), "04 00 0A");
    EXPECT_EQ(uint32_t(b[3] | b[4] << 8 | b[5] << 16 | b[6] << 24), wav.GetSampleCount());
    EXPECT_EQ(Bytes(b.begin() + 7, b.end()), FileData("tone_s16_22050.wav", wav.GetDataStart(), wav.GetDataSize()));

    TFlashSound mp3(&movie, FixturePath("mpeg2_22050.mp3"));
    mp3.SetInitialSeek(576);
    tags = Tags(WriteObject(mp3));
    const Bytes& m = tags[0].Body;
    EXPECT_EQ(m[2], 0x2A); // MP3, 22050 Hz, 16-bit, mono
    EXPECT_EQ(m[7] | m[8] << 8, 576);
    EXPECT_EQ(Bytes(m.begin() + 9, m.end()), FileData("mpeg2_22050.mp3", mp3.GetDataStart(), mp3.GetDataSize()));
    EXPECT_EQ(mp3.MinVersion(), 4);
    EXPECT_EQ(wav.MinVersion(), 1);

    // A copy reads the file through its own stream.
    TFlashSound copy(&movie);
    copy.Assign(&mp3);
    mp3.SetInitialSeek(0);
    Bytes copied = Tags(WriteObject(copy))[0].Body;
    EXPECT_EQ(copied[7] | copied[8] << 8, 576);
    EXPECT_EQ(Bytes(copied.begin() + 9, copied.end()), Bytes(m.begin() + 9, m.end()));
}

TEST(FlashSound, RefusesWhatTheFormatCannotCarry) {
    // A layer II stream: MPEG-1, 128 kbit/s, 44100 Hz frames of 417 bytes.
    Bytes layer2;
    for (int i = 0; i < 12; ++i) {
        Bytes frame(417, 0);
        frame[0] = 0xFF;
        frame[1] = 0xFD;
        frame[2] = 0x80;
        frame[3] = 0xC4;
        layer2.insert(layer2.end(), frame.begin(), frame.end());
    }
    struct Case {
        const char* name;
        Bytes bytes;
        const char* found;
    } cases[] = {
        {"float.wav", Wave(3, 1, 22050, 32, 400), "32-bit IEEE float"},
        {"pcm24.wav", Wave(1, 1, 22050, 24, 600), "24-bit PCM"},
        {"mulaw.wav", Wave(7, 1, 22050, 8, 400), "mu-law"},
        {"adpcm.wav", Wave(2, 1, 22050, 4, 400), "MS ADPCM"},
        {"rate8000.wav", Wave(1, 1, 8000, 16, 400), "at 8000 Hz"},
        {"rate48000.wav", Wave(1, 2, 48000, 16, 400), "at 48000 Hz"},
        {"layer2.mp3", layer2, "MPEG layer II"},
    };
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    for (auto& c : cases) {
        TempFile f(c.bytes, c.name);
        try {
            TFlashSound sound(&movie, f.Path());
            ADD_FAILURE() << c.name << " was accepted";
        } catch (const vcl::Exception& e) {
            std::string message = e.what();
            EXPECT_EQ(message.rfind("Unsupported sound format", 0), 0u) << message;
            EXPECT_NE(message.find(c.found), std::string::npos) << message;
        }
    }
    // Damaged files raise too.
    TempFile hundred(Bytes(100, 0xFF), "hundred.mp3");
    EXPECT_THROW(TFlashSound(&movie, hundred.Path()), vcl::Exception);
    Bytes truncated = Wave(1, 1, 22050, 16, 400);
    truncated.resize(200);
    TempFile t(truncated, "truncated.wav");
    EXPECT_THROW(TFlashSound(&movie, t.Path()), vcl::Exception);
}

TEST(FlashMovie, StreamSoundBlocksBeforeEachFrame) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    movie.SetVersion(1);
    movie.GetBackgroundColor().SetColor(0);
    movie.GetSoundStream()->LoadFromFile(FixturePath("cbr_44100.mp3"));
    movie.GetSoundStream()->SetStartFrame(1);
    movie.ShowFrame(3);
    movie.MakeStream();
    EXPECT_EQ(movie.GetVersion(), 4);
    auto tags = Tags(StreamBytes(*movie.GetBody()));
    std::vector<uint16_t> codes;
    for (auto& t : tags)
        codes.push_back(t.Code);
    EXPECT_EQ(codes, (std::vector<uint16_t>{tagSetBackgroundColor, tagSoundStreamHead2, tagShowFrame,
                                            tagSoundStreamBlock, tagShowFrame, tagSoundStreamBlock, tagShowFrame,
                                            tagEnd}));
    EXPECT_EQ(Hex(tags[1].Body), "0E 2E 5B 0E 00 00");

    // Rendered again, the stream starts again.
    Bytes first = StreamBytes(*movie.GetBody());
    movie.MakeStream();
    EXPECT_EQ(StreamBytes(*movie.GetBody()), first);

    // A sound asked for but never loaded writes nothing.
    TFlashMovie silent(0, 0, 10, 10, 12, true);
    silent.GetSoundStream();
    EXPECT_TRUE(silent.GetHasSoundStream());
    silent.ShowFrame();
    silent.MakeStream();
    EXPECT_EQ(Hex(StreamBytes(*silent.GetBody())), "40 00 00 00");
}

// Sprites with their own timeline and init script, and video placements with their sound.
#include "SwfTestUtil.h"

#include "platform/vcl/Exceptions.h"
#include "swf/FlashObjects.h"
#include "swf/SWFObjects.h"

#include <gtest/gtest.h>

using namespace swf;
using namespace swftest;

namespace {

std::vector<uint16_t> Codes(const std::vector<Tag>& tags) {
    std::vector<uint16_t> codes;
    for (auto& t : tags)
        codes.push_back(t.Code);
    return codes;
}

// A video of packets in memory: video packet i holds the byte i, audio packet j a whole MPEG-2 layer III
// frame at 22050 Hz (104 bytes, 576 samples).
class MemoryVideo : public TFlashVideo {
public:
    MemoryVideo(TFlashMovie* owner, uint16_t frames, uint32_t audioPackets, uint8_t audioFormat = 0x2A)
        : TFlashVideo(owner), FFrames(frames), FAudio(audioPackets), FAudioFormat(audioFormat) {
        for (uint16_t i = 0; i < frames; ++i) {
            uint8_t b = uint8_t(i);
            FData.WriteBuffer(&b, 1);
        }
        Bytes frame(104, 0x55);
        frame[0] = 0xFF;
        frame[1] = 0xF3;
        frame[2] = 0x40;
        frame[3] = 0xC4;
        for (uint32_t j = 0; j < audioPackets; ++j)
            FData.WriteBuffer(frame.data(), 104);
    }
    vcl::TStream* GetVideoStream() override { return &FData; }
    uint16_t VideoFrameCount() const override { return FFrames; }
    TFlashVideoPacket VideoPacket(uint32_t i) const override { return {i, FBadPacket ? 1000u : 1u}; }
    uint8_t Codec() const override { return FCodec; }
    uint8_t FrameType(uint32_t i) const override { return i == 0 ? 1 : 2; }
    uint8_t AudioFormat() const override { return FAudioFormat; }
    uint32_t FirstMP3Header() const override { return 0xFFF340C4; }
    uint32_t AudioPacketCount() const override { return FAudio; }
    TFlashVideoPacket AudioPacket(uint32_t j) const override { return {FFrames + (j % FAudio) * 104, 104}; }
    void WriteToStream(TBitsEngine*) override {}

    uint8_t FCodec = 2;
    bool FBadPacket = false;

private:
    vcl::TMemoryStream FData;
    uint16_t FFrames;
    uint32_t FAudio;
    uint8_t FAudioFormat;
};

// The frame numbers of the VideoFrame tags written for movie frames 0 to frames - 1, -1 for none.
std::vector<int> VideoFrames(TFlashPlaceVideo& place, int frames) {
    std::vector<int> result;
    for (int k = 0; k < frames; ++k) {
        auto tags = Tags(Render([&](TBitsEngine& e) { place.WriteFrame(&e, k); }));
        int number = -1;
        for (auto& t : tags)
            if (t.Code == tagVideoFrame)
                number = t.Body[2] | t.Body[3] << 8;
        result.push_back(number);
    }
    return result;
}

} // namespace

TEST(FlashPlaceVideo, FramesLoopAndStart) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    MemoryVideo video(&movie, 10, 0);
    video.SetCharacterID(7);
    TFlashPlaceVideo* place = movie.PlaceVideo(&video, 3);
    EXPECT_EQ(movie.VideoCount(), 1);
    EXPECT_EQ(movie.GetVideo(0), place);
    EXPECT_EQ(movie.GetVideo(1), nullptr);
    place->SetStartFrame(5);
    std::vector<int> want(5, -1);
    for (int i = 0; i < 10; ++i)
        want.push_back(i);
    want.push_back(0);
    EXPECT_EQ(VideoFrames(*place, 16), want);
    place->SetLoop(false);
    want.back() = -1;
    EXPECT_EQ(VideoFrames(*place, 16), want);

    // The first frame places the video with ratio 0; later ones move it with the frame as ratio.
    auto first = Tags(Render([&](TBitsEngine& e) { place->WriteFrame(&e, 5); }));
    ASSERT_EQ(Codes(first), (std::vector<uint16_t>{tagVideoFrame, tagPlaceObject2}));
    EXPECT_EQ(Hex(first[0].Body), "07 00 00 00 00");
    EXPECT_EQ(Hex(first[1].Body), "12 03 00 07 00 00 00");
    auto later = Tags(Render([&](TBitsEngine& e) { place->WriteFrame(&e, 8); }));
    EXPECT_EQ(Hex(later[1].Body), "13 03 00 07 00 03 00");
    // Screen video carries the frame type before the data.
    video.FCodec = 3;
    auto screen = Tags(Render([&](TBitsEngine& e) { place->WriteFrame(&e, 6); }));
    EXPECT_EQ(Hex(screen[0].Body), "07 00 01 00 23 01");

    // The events: one replaces the frame, the other sees the placement.
    int placed = 0;
    place->OnPlaceFrame = [&](TBitsEngine*, const TFlashVideoFrameInfo& info, TFlashPlaceObject* p) {
        EXPECT_EQ(info.Frame, 2u);
        EXPECT_EQ(info.CharacterID, 7);
        EXPECT_EQ(info.Depth, 3);
        EXPECT_EQ(p->GetTag().GetRatio(), 2);
        ++placed;
    };
    Render([&](TBitsEngine& e) { place->WriteFrame(&e, 7); });
    EXPECT_EQ(placed, 1);
    place->OnWriteFrame = [&](TBitsEngine* e, const TFlashVideoFrameInfo&) { e->WriteByte(0x99); };
    EXPECT_EQ(Hex(Render([&](TBitsEngine& e) { place->WriteFrame(&e, 7); })), "99");

    // Packets outside the video's stream raise.
    place->OnWriteFrame = nullptr;
    place->OnPlaceFrame = nullptr;
    video.FBadPacket = true;
    EXPECT_THROW(Render([&](TBitsEngine& e) { place->WriteFrame(&e, 6); }), vcl::EReadError);
}

// 22050 Hz at 12 frames per second: 1838 samples a frame. The first block carries 3 + 1 MPEG-2 frames of 576
// samples and leaves a carry of 110; the last packets go out as a shorter block.
TEST(FlashPlaceVideo, SoundBlocks) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    MemoryVideo video(&movie, 10, 9);
    video.SetCharacterID(2);
    TFlashPlaceVideo* place = movie.PlaceVideo(&video, 1);
    place->SetHasSound(true);
    std::vector<std::pair<int, int>> blocks; // packets, seek
    for (int k = 0; k < 5; ++k) {
        auto tags = Tags(Render([&](TBitsEngine& e) { place->WriteFrame(&e, k); }));
        if (k == 0) {
            ASSERT_EQ(tags[0].Code, tagSoundStreamHead);
            EXPECT_EQ(Hex(tags[0].Body), "0A 2A 2E 07 6E 00");
            EXPECT_EQ(place->GetSamplesPerFrame(), 1838);
            EXPECT_EQ(place->GetSamplesPerMP3Frame(), 576);
        }
        for (auto& t : tags)
            if (t.Code == tagSoundStreamBlock) {
                EXPECT_EQ((t.Body.size() - 4) % 104, 0u);
                int packets = int(t.Body.size() - 4) / 104;
                EXPECT_EQ(t.Body[0] | t.Body[1] << 8, packets * 576);
                blocks.push_back({packets, t.Body[2] | t.Body[3] << 8});
            }
        if (k == 0) {
            EXPECT_EQ(place->GetSampleCarry(), 110);
        }
    }
    EXPECT_EQ(blocks, (std::vector<std::pair<int, int>>{{4, 0}, {3, 110}, {2, 220}}));

    // Audio other than MP3 is refused.
    MemoryVideo pcm(&movie, 2, 2, 0x3A);
    TFlashPlaceVideo* other = movie.PlaceVideo(&pcm, 2);
    other->SetHasSound(true);
    try {
        Render([&](TBitsEngine& e) { other->WriteFrame(&e, 0); });
        ADD_FAILURE() << "PCM audio was accepted";
    } catch (const vcl::Exception& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Unsupported sound format", 0), 0u) << e.what();
    }
}

TEST(FlashSprite, BodyInitScriptAndPlacement) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    movie.AddShape();
    TFlashSprite* sprite = movie.AddSprite();
    EXPECT_EQ(sprite->GetCharacterID(), 2);
    EXPECT_EQ(sprite->GetSpriteID(), 2);
    EXPECT_EQ(movie.GetNextCharacterID(), 3);
    sprite->PlaceObject(movie.GetShapeList()[0], 1);
    // The pending object goes before the label.
    sprite->SetPendingObject(std::make_unique<TSWFSetBackgroundColor>());
    sprite->SetPendingLabel("a");
    sprite->ShowFrame(2);
    EXPECT_EQ(sprite->GetFrameCount(), 2);
    EXPECT_EQ(sprite->GetCurrentFrame(), 1);
    EXPECT_EQ(sprite->GetLastObjectIndex(), 4);
    sprite->GetInitScript()->GetActions().Add<TSWFActionPlay>();
    EXPECT_EQ(sprite->MinVersion(), 6);

    auto tags = Tags(Render([&](TBitsEngine& e) { sprite->WriteToStream(&e); }));
    ASSERT_EQ(Codes(tags), (std::vector<uint16_t>{tagDefineSprite, tagDoInitAction}));
    const Bytes& body = tags[0].Body;
    EXPECT_EQ(Hex(Bytes(body.begin(), body.begin() + 4)), "02 00 02 00");
    EXPECT_EQ(Codes(Tags(body, 4)), (std::vector<uint16_t>{tagPlaceObject2, tagSetBackgroundColor, tagFrameLabel,
                                                           tagShowFrame, tagShowFrame, tagEnd}));
    EXPECT_EQ(Hex(tags[1].Body), "02 00 06 00");

    // A sprite without frames gets one.
    TFlashSprite* empty = movie.AddSprite();
    auto emptyTags = Tags(Render([&](TBitsEngine& e) { empty->WriteToStream(&e); }));
    EXPECT_EQ(Hex(emptyTags[0].Body), "03 00 01 00 40 00 00 00");

    // A placement of a sprite has actions and a script; one of a shape has none.
    TFlashPlaceObject* place = movie.PlaceObject(sprite, 1);
    ASSERT_NE(place->GetActions(), nullptr);
    ASSERT_NE(place->GetScript(), nullptr);
    place->GetActions()->Add<TSWFActionStop>();
    EXPECT_EQ(&place->GetScript()->GetActions(), place->GetActions());
    EXPECT_EQ(movie.PlaceObject(movie.GetShapeList()[0], 2)->GetActions(), nullptr);
    TFlashPlaceObject copy(&movie, 1, nullptr);
    copy.Assign(place);
    ASSERT_NE(copy.GetActions(), nullptr);
    EXPECT_EQ(copy.GetActions()->Count(), 1);

    // A copy of the sprite writes the same.
    TFlashSprite twin(nullptr);
    twin.Assign(sprite);
    EXPECT_EQ(Render([&](TBitsEngine& e) { twin.WriteToStream(&e); }),
              Render([&](TBitsEngine& e) { sprite->WriteToStream(&e); }));
}

TEST(FlashSprite, StreamSoundAndVideoInsideTheTimeline) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    TFlashSprite* sprite = movie.AddSprite();
    sprite->GetSoundStream()->LoadFromFile(FixturePath("mpeg2_22050.mp3"));
    MemoryVideo video(&movie, 2, 0);
    video.SetCharacterID(9);
    sprite->PlaceVideo(&video, 4);
    EXPECT_EQ(sprite->VideoCount(), 1);
    sprite->ShowFrame(2);
    EXPECT_EQ(sprite->MinVersion(), 4);
    auto tags = Tags(Render([&](TBitsEngine& e) { sprite->WriteToStream(&e); }));
    EXPECT_EQ(Codes(Tags(tags[0].Body, 4)),
              (std::vector<uint16_t>{tagSoundStreamHead2, tagVideoFrame, tagPlaceObject2, tagSoundStreamBlock,
                                     tagShowFrame, tagVideoFrame, tagPlaceObject2, tagSoundStreamBlock, tagShowFrame,
                                     tagEnd}));

    // In a movie: the sprite, then the movie's frame.
    movie.ShowFrame();
    movie.MakeStream();
    EXPECT_EQ(Codes(Tags(StreamBytes(*movie.GetBody()))),
              (std::vector<uint16_t>{tagDefineSprite, tagShowFrame, tagEnd}));
}

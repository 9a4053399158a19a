#include "swf/FlashPlacement.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "swf/FlashActionScript.h"
#include "swf/FlashSprite.h"
#include "swf/FlashVideo.h"
#include "swf/MPEGaudio.h"
#include "swf/SWFSoundTags.h"

#include <algorithm>
#include <vector>

namespace swf {

TFlashPlaceObject::TFlashPlaceObject(TFlashMovie* owner, uint16_t depth, TFlashIDObject* character)
    : TFlashObject(owner), FCharacter(character) {
    FTag.SetDepth(depth);
    if (character)
        FTag.SetCharacterID(character->GetCharacterID());
    if (dynamic_cast<TFlashSprite*>(character)) {
        FActions = std::make_unique<TSWFActionList>();
        FScript = std::make_unique<TFlashActionScript>(owner, FActions.get());
    }
}

TFlashPlaceObject::~TFlashPlaceObject() = default;

void TFlashPlaceObject::Assign(TBasedSWFObject* source) {
    TFlashObject::Assign(source);
    auto* s = dynamic_cast<TFlashPlaceObject*>(source);
    if (!s || s == this)
        return;
    FTag.Assign(&s->FTag);
    FCharacter = s->FCharacter;
    if (s->FScript) {
        if (!FScript) {
            FActions = std::make_unique<TSWFActionList>();
            FScript = std::make_unique<TFlashActionScript>(GetOwner(), FActions.get());
        }
        FScript->Assign(s->FScript.get());
    }
    Changed();
}

int32_t TFlashPlaceObject::MinVersion() const {
    if (!FTag.HasClipActions)
        return 3;
    return FTag.ClipActionsVersion();
}

void TFlashPlaceObject::WriteToStream(TBitsEngine* engine) {
    FTag.WriteToStream(engine);
}

TSWFColorTransform& TFlashPlaceObject::GetColorTransform() {
    Changed();
    return FTag.GetColorTransform();
}

void TFlashPlaceObject::SetMove(bool v) {
    FTag.SetMove(v);
    Changed();
}

void TFlashPlaceObject::SetRatio(uint16_t r) {
    FTag.SetRatio(r);
    Changed();
}

// Video placements.

TFlashPlaceVideo::TFlashPlaceVideo(TFlashMovie* owner, uint16_t depth, TFlashVideo* video)
    : TFlashPlaceObject(owner, depth, video), FVideo(video) {}

uint16_t TFlashPlaceVideo::GetCharacterID() const {
    return FVideo ? FVideo->GetCharacterID() : TFlashPlaceObject::GetCharacterID();
}

void TFlashPlaceVideo::Assign(TBasedSWFObject* source) {
    TFlashPlaceObject::Assign(source);
    auto* s = dynamic_cast<TFlashPlaceVideo*>(source);
    if (!s || s == this)
        return;
    FVideo = s->FVideo;
    FLoop = s->FLoop;
    FStartFrame = s->FStartFrame;
    FHasSound = s->FHasSound;
    if (s->OnPlaceFrame)
        OnPlaceFrame = s->OnPlaceFrame;
    if (s->OnWriteFrame)
        OnWriteFrame = s->OnWriteFrame;
}

namespace {

// A packet of the video file, checked against its stream.
std::vector<uint8_t> PlaceReadPacket(vcl::TStream* stream, const TFlashVideoPacket& p) {
    if (!stream || int64_t(p.Offset) + p.Size > stream->GetSize())
        throw vcl::EReadError("A video packet lies outside the video's stream");
    std::vector<uint8_t> data(p.Size);
    stream->SetPosition(p.Offset);
    if (p.Size > 0)
        stream->ReadBuffer(data.data(), static_cast<int32_t>(p.Size));
    return data;
}

} // namespace

void TFlashPlaceVideo::WriteSoundHead(TBitsEngine* engine) {
    const uint8_t audio = FVideo->AudioFormat();
    const uint32_t header = FVideo->FirstMP3Header();
    const uint8_t bytes[4] = {uint8_t(header >> 24), uint8_t(header >> 16), uint8_t(header >> 8), uint8_t(header)};
    if ((audio >> 4) != sfMP3 || !IsMPEGFrameHeader(bytes) || DecodeMPEGFrameHeader(bytes).LayerID != 1)
        throw vcl::EConvertError("Unsupported sound format: the video's audio is not MPEG layer III (format " +
                                 std::to_string(audio >> 4) + ")");
    static const int32_t rates[4] = {5512, 11025, 22050, 44100};
    FSampleRate = rates[(audio >> 2) & 3];
    if (MPEGSampleRate(DecodeMPEGFrameHeader(bytes)) != FSampleRate)
        throw vcl::EConvertError("Unsupported sound format: MPEG audio at " +
                                 std::to_string(MPEGSampleRate(DecodeMPEGFrameHeader(bytes))) + " Hz");
    const double frameRate = GetOwner() ? GetOwner()->GetFrameRate() : 0;
    if (!(frameRate > 0))
        throw vcl::ERangeError("A video's sound needs a movie with a frame rate");
    FSamplesPerFrame = RoundToEven(FSampleRate / frameRate);
    FSamplesPerMP3Frame = MPEGSamplesPerFrame(DecodeMPEGFrameHeader(bytes));
    FSoundBlockIndex = 0;
    FSampleCarry = 0;
    TSWFSoundStreamHead head;
    head.StreamFormat = sfMP3;
    head.StreamRate = (audio >> 2) & 3;
    head.Stream16Bit = (audio >> 1) & 1;
    head.StreamStereo = audio & 1;
    head.PlaybackRate = head.StreamRate;
    head.Playback16Bit = head.Stream16Bit;
    head.PlaybackStereo = head.StreamStereo;
    head.SampleCount = static_cast<uint16_t>(FSamplesPerFrame);
    head.LatencySeek = static_cast<int16_t>(FSamplesPerFrame % FSamplesPerMP3Frame);
    head.WriteToStream(engine);
}

void TFlashPlaceVideo::WriteSoundBlock(TBitsEngine* engine, bool first) {
    const int32_t packets = static_cast<int32_t>(FVideo->AudioPacketCount());
    if (FSamplesPerMP3Frame <= 0 || FSoundBlockIndex >= packets)
        return;
    const int32_t m = (FSampleCarry + FSamplesPerFrame) / FSamplesPerMP3Frame + (first ? 1 : 0);
    // The last packets make a shorter block rather than being dropped.
    const int32_t take = std::min(m, packets - FSoundBlockIndex);
    if (take > 0) {
        std::vector<uint8_t> data;
        for (int32_t j = 0; j < take; ++j) {
            std::vector<uint8_t> packet =
                PlaceReadPacket(FVideo->GetVideoStream(), FVideo->AudioPacket(uint32_t(FSoundBlockIndex + j)));
            data.insert(data.end(), packet.begin(), packet.end());
        }
        engine->FlushBits(true);
        engine->WriteWord(static_cast<uint16_t>(tagSoundStreamBlock * 64 + 63));
        engine->WriteDWord(static_cast<uint32_t>(data.size() + 4));
        engine->WriteWord(static_cast<uint16_t>(FSamplesPerMP3Frame * take));
        engine->WriteWord(static_cast<uint16_t>(FSampleCarry));
        engine->WriteBytes(data.data(), static_cast<int32_t>(data.size()));
    }
    FSampleCarry = (FSampleCarry + FSamplesPerFrame) % FSamplesPerMP3Frame;
    FSoundBlockIndex += m;
}

void TFlashPlaceVideo::WriteVideoFrame(TBitsEngine* engine, uint32_t frame) {
    TSWFVideoFrame tag;
    tag.StreamID = GetCharacterID();
    tag.FrameNum = static_cast<uint16_t>(frame);
    const uint8_t codec = FVideo->Codec();
    const uint8_t type = FVideo->FrameType(frame);
    const TFlashVideoPacket packet = FVideo->VideoPacket(frame);
    vcl::TStream* stream = FVideo->GetVideoStream();
    tag.OnWriteData = [=](TSWFDataObject*, TBitsEngine* e) {
        if (codec == 3)
            e->WriteByte(static_cast<uint8_t>(3 + 16 * type));
        std::vector<uint8_t> data = PlaceReadPacket(stream, packet);
        e->WriteBytes(data.data(), static_cast<int32_t>(data.size()));
    };
    tag.WriteToStream(engine);
}

void TFlashPlaceVideo::WriteFrame(TBitsEngine* engine, int32_t k) {
    if (!FVideo)
        return;
    const int32_t n = FVideo->VideoFrameCount();
    if (n == 0 || k < FStartFrame || (!FLoop && k - FStartFrame >= n))
        return;
    const uint32_t r = static_cast<uint32_t>((k - FStartFrame) % n);
    TFlashVideoFrameInfo info{r, GetCharacterID(), GetTag().GetDepth()};
    if (OnWriteFrame) {
        OnWriteFrame(engine, info);
        return;
    }
    TFlashPlaceObject place(GetOwner(), GetTag().GetDepth(), nullptr);
    place.Assign(this);
    const bool first = k == FStartFrame;
    if (first) {
        place.SetRatio(0);
        if (FHasSound)
            WriteSoundHead(engine);
    } else {
        place.SetMove(true);
        place.SetRatio(static_cast<uint16_t>(r));
    }
    if (FHasSound)
        WriteSoundBlock(engine, first);
    WriteVideoFrame(engine, r);
    if (OnPlaceFrame)
        OnPlaceFrame(engine, info, &place);
    place.WriteToStream(engine);
}

} // namespace swf

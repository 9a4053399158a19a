#include "swf/SWFSoundTags.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

namespace swf {

namespace {

void SoundCheckBody(uint32_t bodySize, uint32_t fixed, const char* tag) {
    if (bodySize < fixed)
        throw vcl::EReadError(std::string("The ") + tag + " tag's body is shorter than its fields");
}

} // namespace

int32_t SoundRateCode(uint32_t sampleRate) {
    switch (sampleRate) {
    case 5512:
    case 5513:
        return srRate5512;
    case 11025:
        return srRate11025;
    case 22050:
        return srRate22050;
    case 44100:
        return srRate44100;
    default:
        return -1;
    }
}

void TSWFDefineSound::Assign(TBasedSWFObject* source) {
    TSWFDataObject::Assign(source);
    if (auto* s = dynamic_cast<TSWFDefineSound*>(source)) {
        SeekSamples = s->SeekSamples;
        Format = s->Format;
        SoundID = s->SoundID;
        Rate = s->Rate;
        SampleCount = s->SampleCount;
        Is16Bit = s->Is16Bit;
        IsStereo = s->IsStereo;
    }
}

int32_t TSWFDefineSound::MinVersion() const {
    if (Format == sfMP3 || Format == sfLittleEndian)
        return 4;
    return Format == sfNellymoser ? 6 : 1;
}

void TSWFDefineSound::WriteTagBody(TBitsEngine* engine) {
    engine->WriteWord(SoundID);
    engine->WriteBits(Format, 4);
    engine->WriteBits(Rate, 2);
    engine->WriteBit(Is16Bit != 0);
    engine->WriteBit(IsStereo != 0);
    engine->WriteDWord(SampleCount);
    if (Format == sfMP3)
        engine->WriteWord(SeekSamples);
    WritePayload(engine);
}

void TSWFDefineSound::ReadFromStream(TBitsEngine* engine) {
    vcl::TStream* s = engine->GetStream();
    const int64_t end = s->GetPosition() + FBodySize;
    SoundCheckBody(FBodySize, 7, "DefineSound");
    SoundID = engine->ReadWord();
    Format = static_cast<uint8_t>(engine->ReadBits(4));
    Rate = static_cast<uint8_t>(engine->ReadBits(2));
    Is16Bit = static_cast<uint8_t>(engine->ReadBits(1));
    IsStereo = static_cast<uint8_t>(engine->ReadBits(1));
    SampleCount = engine->ReadDWord();
    if (Format == sfMP3) {
        SoundCheckBody(FBodySize, 9, "DefineSound");
        SeekSamples = engine->ReadWord();
    }
    ReadPayload(engine, end - s->GetPosition());
}

void TSWFSoundStreamHead::Assign(TBasedSWFObject* source) {
    TSWFObject::Assign(source);
    if (auto* s = dynamic_cast<TSWFSoundStreamHead*>(source)) {
        LatencySeek = s->LatencySeek;
        PlaybackRate = s->PlaybackRate;
        Playback16Bit = s->Playback16Bit;
        PlaybackStereo = s->PlaybackStereo;
        StreamFormat = s->StreamFormat;
        StreamRate = s->StreamRate;
        SampleCount = s->SampleCount;
        Stream16Bit = s->Stream16Bit;
        StreamStereo = s->StreamStereo;
    }
}

int32_t TSWFSoundStreamHead::MinVersion() const {
    return StreamFormat == sfMP3 ? 4 : 1;
}

int32_t TSWFSoundStreamHead2::MinVersion() const {
    if (StreamFormat == sfMP3)
        return 4;
    return StreamFormat == sfNellymoser ? 6 : 3;
}

void TSWFSoundStreamHead::WriteTagBody(TBitsEngine* engine) {
    engine->WriteBits(0, 4);
    engine->WriteBits(PlaybackRate, 2);
    engine->WriteBit(Playback16Bit != 0);
    engine->WriteBit(PlaybackStereo != 0);
    engine->WriteBits(StreamFormat, 4);
    engine->WriteBits(StreamRate, 2);
    engine->WriteBit(Stream16Bit != 0);
    engine->WriteBit(StreamStereo != 0);
    engine->WriteWord(SampleCount);
    if (StreamFormat == sfMP3)
        engine->WriteWord(static_cast<uint16_t>(LatencySeek));
}

void TSWFSoundStreamHead::ReadFromStream(TBitsEngine* engine) {
    vcl::TStream* s = engine->GetStream();
    const int64_t end = s->GetPosition() + FBodySize;
    SoundCheckBody(FBodySize, 4, "SoundStreamHead");
    engine->ReadBits(4);
    PlaybackRate = static_cast<uint8_t>(engine->ReadBits(2));
    Playback16Bit = static_cast<uint8_t>(engine->ReadBits(1));
    PlaybackStereo = static_cast<uint8_t>(engine->ReadBits(1));
    StreamFormat = static_cast<uint8_t>(engine->ReadBits(4));
    StreamRate = static_cast<uint8_t>(engine->ReadBits(2));
    Stream16Bit = static_cast<uint8_t>(engine->ReadBits(1));
    StreamStereo = static_cast<uint8_t>(engine->ReadBits(1));
    SampleCount = engine->ReadWord();
    if (StreamFormat == sfMP3 && FBodySize >= 6)
        LatencySeek = static_cast<int16_t>(engine->ReadWord());
    s->SetPosition(end);
}

void TSWFVideoFrame::Assign(TBasedSWFObject* source) {
    TSWFDataObject::Assign(source);
    if (auto* s = dynamic_cast<TSWFVideoFrame*>(source)) {
        FrameNum = s->FrameNum;
        StreamID = s->StreamID;
    }
}

void TSWFVideoFrame::WriteTagBody(TBitsEngine* engine) {
    engine->WriteWord(StreamID);
    engine->WriteWord(FrameNum);
    WritePayload(engine);
}

void TSWFVideoFrame::ReadFromStream(TBitsEngine* engine) {
    vcl::TStream* s = engine->GetStream();
    const int64_t end = s->GetPosition() + FBodySize;
    SoundCheckBody(FBodySize, 4, "VideoFrame");
    StreamID = engine->ReadWord();
    FrameNum = engine->ReadWord();
    ReadPayload(engine, end - s->GetPosition());
}

} // namespace swf

// Sound and video tags: DefineSound (an event sound as one character), SoundStreamHead and SoundStreamHead2
// (the format of a stream sound whose blocks come one per frame) and VideoFrame (one frame of an embedded
// video stream).
#pragma once

#include "swf/SWFBitmaps.h"

namespace swf {

// Sound formats (4 bits) and rate codes (2 bits).
enum : uint8_t {
    sfNative = 0,
    sfADPCM = 1,
    sfMP3 = 2,
    sfLittleEndian = 3,
    sfNellymoser = 6,
};
enum : uint8_t {
    srRate5512 = 0,
    srRate11025 = 1,
    srRate22050 = 2,
    srRate44100 = 3,
};

class TSWFDefineSound : public TSWFDataObject {
public:
    TSWFDefineSound() { FTagID = tagDefineSound; }
    void Assign(TBasedSWFObject* source) override;
    // 4 for MP3 and little-endian sound, 6 for Nellymoser, else 1.
    int32_t MinVersion() const override;
    // The payload is the rest of the body; raises for a body shorter than its fields.
    void ReadFromStream(TBitsEngine* engine) override;
    void WriteTagBody(TBitsEngine* engine) override;

    uint16_t SeekSamples = 0; // MP3 only
    uint8_t Format = 0;
    uint16_t SoundID = 0;
    uint8_t Rate = 0;
    uint32_t SampleCount = 0;
    uint8_t Is16Bit = 0;
    uint8_t IsStereo = 0;
};

class TSWFSoundStreamHead : public TSWFObject {
public:
    TSWFSoundStreamHead() { FTagID = tagSoundStreamHead; }
    void Assign(TBasedSWFObject* source) override;
    // 4 for MP3, else 1.
    int32_t MinVersion() const override;
    // The latency seek is read only for MP3 when the body is longer than 4 bytes.
    void ReadFromStream(TBitsEngine* engine) override;
    void WriteTagBody(TBitsEngine* engine) override;

    int16_t LatencySeek = 0;
    uint8_t PlaybackRate = 0;
    uint8_t Playback16Bit = 0;
    uint8_t PlaybackStereo = 0;
    uint8_t StreamFormat = 0;
    uint8_t StreamRate = 0;
    // Samples per frame.
    uint16_t SampleCount = 0;
    uint8_t Stream16Bit = 0;
    uint8_t StreamStereo = 0;
};

class TSWFSoundStreamHead2 : public TSWFSoundStreamHead {
public:
    TSWFSoundStreamHead2() { FTagID = tagSoundStreamHead2; }
    // 4 for MP3, 6 for Nellymoser, else 3.
    int32_t MinVersion() const override;
};

class TSWFVideoFrame : public TSWFDataObject {
public:
    TSWFVideoFrame() { FTagID = tagVideoFrame; }
    void Assign(TBasedSWFObject* source) override;
    int32_t MinVersion() const override { return 6; }
    void ReadFromStream(TBitsEngine* engine) override;
    void WriteTagBody(TBitsEngine* engine) override;

    uint16_t FrameNum = 0;
    uint16_t StreamID = 0;
};

// The SWF rate code of a sample rate, or -1 for a rate the format has no code for.
int32_t SoundRateCode(uint32_t sampleRate);

} // namespace swf

// A WAV or MP3 file as a movie's sound: written whole as an event sound (DefineSound), or as a stream sound
// whose head the movie writes once and whose blocks come one per frame, before each ShowFrame.
#pragma once

#include "swf/FlashMovie.h"
#include "swf/SWFSoundTags.h"

#include <memory>
#include <string>

namespace vcl {
class TFileStream;
}

namespace swf {

class TFlashSound : public TFlashIDObject {
public:
    // Loads fileName when it is given.
    explicit TFlashSound(TFlashMovie* owner, const std::string& fileName = {});
    ~TFlashSound() override;

    // Takes the sound's description from the file and opens it for the data. Raises "Unsupported sound
    // format" (naming what it found) unless the file holds 8- or 16-bit PCM in one or two channels or MPEG
    // layer III, at 5512, 11025, 22050 or 44100 Hz.
    void LoadFromFile(const std::string& fileName);
    // Fills a stream head for the frame rate and starts the stream from the beginning.
    void FillStreamHead(TSWFSoundStreamHead& head, double frameRate);
    // One SoundStreamBlock tag; nothing when the data has run out (and the sound does not loop). The last
    // uncompressed block is filled up with the start of the sound when it loops, else with silence.
    void WriteStreamBlock(TBitsEngine* engine);
    // The sound as a DefineSound tag.
    void WriteToStream(TBitsEngine* engine) override;
    void Assign(TBasedSWFObject* source) override;
    // 4 for MP3 and little-endian sound, 6 for Nellymoser, else 1.
    int32_t MinVersion() const override;

    const std::string& GetFileName() const { return FFileName; }
    bool GetLoop() const { return FLoop; }
    void SetLoop(bool v) { FLoop = v; }
    uint16_t GetStartFrame() const { return FStartFrame; }
    void SetStartFrame(uint16_t v) { FStartFrame = v; }
    uint16_t GetInitialSeek() const { return FInitialSeek; }
    void SetInitialSeek(uint16_t v) { FInitialSeek = v; }
    uint8_t GetFormat() const { return FFormat; }
    uint8_t GetRateCode() const { return FRateCode; }
    uint32_t GetSampleRate() const { return FSampleRate; }
    bool GetIs16Bit() const { return FIs16Bit; }
    bool GetIsStereo() const { return FIsStereo; }
    uint8_t GetBitsPerSample() const { return FBitsPerSample; }
    double GetDuration() const { return FDuration; }
    uint32_t GetSampleCount() const { return FSampleCount; }
    uint32_t GetBlockSize() const { return FBlockSize; }
    uint32_t GetDataStart() const { return FDataStart; }
    uint32_t GetDataSize() const { return FDataSize; }
    uint16_t GetSamplesPerFrame() const { return FSamplesPerFrame; }
    uint16_t GetSamplesPerMP3Frame() const { return FSamplesPerMP3Frame; }
    uint16_t GetMP3FrameSize() const { return FMP3FrameSize; }
    uint16_t GetMP3FrameCount() const { return FMP3FrameCount; }
    int32_t GetSeekCarry() const { return FSeekCarry; }
    uint16_t GetBlocksWritten() const { return FBlocksWritten; }

private:
    void WritePCMBlock(TBitsEngine* engine);
    void WriteMP3Block(TBitsEngine* engine);
    // The length of the MP3 frame at pos of the data, 0 when none starts there.
    uint32_t MP3FrameAt(uint32_t pos);
    void OpenSource();

    std::string FFileName;
    std::unique_ptr<vcl::TFileStream> FSourceStream;
    uint32_t FBlockSize = 0;
    uint32_t FDataSize = 0;
    uint32_t FNextBlockPos = 0;
    uint32_t FDataStart = 0;
    uint8_t FLoop = 0;
    uint8_t FBitsPerSample = 0;
    double FDuration = 0;
    uint16_t FSamplesPerMP3Frame = 0;
    uint16_t FMP3FrameSize = 0;
    uint16_t FMP3FrameCount = 0;
    uint32_t FMP3FramesWritten = 0;
    uint16_t FSamplesPerFrame = 0;
    uint32_t FSampleCount = 0;
    uint32_t FSampleRate = 0;
    uint8_t FFormat = 0;
    uint8_t FRateCode = 0;
    uint16_t FStartFrame = 0;
    uint8_t FIsStereo = 0;
    uint8_t FIs16Bit = 0;
    uint8_t FBlockFactor = 1;
    uint16_t FInitialSeek = 0;
    uint32_t FSamplesWritten = 0;
    int32_t FSeekCarry = 0;
    uint16_t FBlocksWritten = 0;
};

} // namespace swf

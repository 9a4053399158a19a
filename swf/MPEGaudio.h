// MPEG audio analysis: skips an ID3v2 tag, finds the first frame header that another one follows, decodes
// it, reads a Xing or VBRI header when there is one, and gives bit rate, sample rate, frame count and
// duration.
#pragma once

#include "swf/ID3v1.h"
#include "swf/ID3v2.h"

#include <cstdint>
#include <string>

namespace swf {

// The fields of one 4-byte MPEG audio frame header.
struct TMPEGFrameHeader {
    uint8_t VersionID = 1; // 0 MPEG-2.5, 2 MPEG-2, 3 MPEG-1
    uint8_t LayerID = 0;   // 1 layer III, 2 layer II, 3 layer I
    uint8_t ProtectionBit = 0;
    uint16_t BitRateID = 0;
    uint16_t SampleRateID = 3;
    uint8_t PaddingBit = 0;
    uint8_t PrivateBit = 0;
    uint8_t ModeID = 4; // 3 mono
    uint8_t ModeExtensionID = 4;
    uint8_t CopyrightBit = 0;
    uint8_t HomeFlag = 0;
    uint8_t EmphasisID = 2;
};

// Whether 4 bytes are a valid frame header (sync, version, layer, bit rate, sample rate, emphasis).
bool IsMPEGFrameHeader(const uint8_t* b);
TMPEGFrameHeader DecodeMPEGFrameHeader(const uint8_t* b);
int32_t MPEGBitRate(const TMPEGFrameHeader& h);    // kbit/s
int32_t MPEGSampleRate(const TMPEGFrameHeader& h); // Hz
int32_t MPEGSamplesPerFrame(const TMPEGFrameHeader& h);
// The frame's length in bytes, padding included.
int32_t MPEGFrameLength(const TMPEGFrameHeader& h);

class TMPEGaudio {
public:
    struct TVBRData {
        bool Found = false;
        std::string ID; // "Xing" or "VBRI"
        uint32_t Frames = 0;
        uint32_t Bytes = 0;
        uint8_t Scale = 0;
        std::string VendorID;
    };
    struct TFrameData : TMPEGFrameHeader {
        bool Found = false;
        // Offset of the first frame after the ID3v2 tag.
        uint32_t Position = 0;
        uint16_t Size = 0;
        // The 6 bytes after the header are zero.
        bool Xing = false;
        uint8_t Data[4] = {};
    };

    TMPEGaudio() { Reset(); }
    void Reset();
    // False when the tags cannot be read (a missing file, one shorter than 128 bytes) or on I/O errors.
    // True otherwise, with Frame.Found telling whether audio frames were found.
    bool ReadFromFile(const std::string& fileName);

    int32_t GetBitRate() const;
    int32_t GetSampleRate() const;
    uint32_t GetFrameCount() const;
    double GetDuration() const;
    // Where the frames start in the file, and how many bytes of it they take (to an ID3v1 tag or the end).
    int64_t GetDataStart() const { return ID3v2.Size + Frame.Position; }
    int64_t GetDataSize() const;

    int64_t FileLength = 0;
    bool IsWave = false;
    TVBRData VBR;
    TFrameData Frame;
    TID3v1 ID3v1;
    TID3v2 ID3v2;

private:
    bool SearchFrame(const uint8_t* data, int32_t size, uint32_t base);
    void ReadVBR(const uint8_t* data, int32_t size, int32_t at);
};

} // namespace swf

// The sound parameters and the place of the sound data of a WAV or MP3 file. WAV files are read by walking
// their RIFF chunks; MP3 data (and MPEG data inside a WAV) goes through the MPEG audio analysis.
#pragma once

#include <cstdint>
#include <string>

namespace swf {

enum : uint16_t {
    wfPCM = 1,
    wfADPCM = 2,
    wfFloat = 3,
    wfALaw = 6,
    wfMuLaw = 7,
    wfMPEG = 80,
    wfMPEGLayer3 = 85,
    wfMP3File = 336,
    wfExtensible = 0xFFFE,
};

class TWaveReader {
public:
    // By the file's extension: ".wav" or ".mp3" (any case); any other leaves every value 0. Raises for a WAV
    // whose chunks are damaged (a missing or short "fmt " or "data" chunk, one that runs past the file, no
    // channels or no bits per sample) and for a file that cannot be opened.
    explicit TWaveReader(const std::string& fileName);

    // 1 PCM, 2 ADPCM, 3 float, 80 or 85 MPEG in a WAV, 336 an MP3 file. An extensible WAV gives the tag of
    // its sub-format.
    uint16_t FormatTag = 0;
    uint16_t Channels = 0;
    uint32_t SamplesPerSec = 0;
    uint16_t BitsPerSample = 0;
    // Per channel.
    uint32_t SampleCount = 0;
    uint32_t FmtOffset = 0;
    uint32_t FmtSize = 0;
    // The sound data: for MP3, the frames only (after an ID3v2 tag, before an ID3v1 tag).
    uint32_t DataOffset = 0;
    uint32_t DataSize = 0;
    uint16_t SamplesPerMP3Frame = 0;
    uint16_t MP3FrameSize = 0;
    uint16_t MP3FrameCount = 0;
    uint16_t MP3BitRate = 0;
    // MPEG layer (1 III, 2 II, 3 I) of MPEG data, 0 for others.
    uint8_t MPEGLayer = 0;
    double Duration = 0;

private:
    void ReadWave(const std::string& fileName);
    void ReadMPEG(const std::string& fileName, bool inWave);
};

} // namespace swf

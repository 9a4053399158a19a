#include "swf/SoundReader.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"
#include "swf/MPEGaudio.h"

#include <cmath>
#include <cstring>

namespace swf {

namespace {

uint32_t WaveDWord(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t WaveWord(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

std::string WaveExtension(const std::string& fileName) {
    size_t dot = fileName.rfind('.');
    size_t slash = fileName.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = fileName.substr(dot);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return ext;
}

} // namespace

TWaveReader::TWaveReader(const std::string& fileName) {
    const std::string ext = WaveExtension(fileName);
    if (ext == ".MP3")
        ReadMPEG(fileName, false);
    else if (ext == ".WAV")
        ReadWave(fileName);
    if (Duration == 0 && SamplesPerSec > 0)
        Duration = double(SampleCount) / SamplesPerSec;
}

void TWaveReader::ReadWave(const std::string& fileName) {
    vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
    const int64_t fileSize = file.GetSize();
    uint8_t head[12];
    if (fileSize < 12 || file.Read(head, 12) != 12 || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0)
        throw vcl::EReadError("Not a WAVE file: " + fileName);
    // The RIFF chunk may claim more than the file holds; the walk stops at whichever ends first.
    const int64_t end = std::min<int64_t>(fileSize, 8 + int64_t(WaveDWord(head + 4)));
    int64_t pos = 12;
    bool haveFmt = false, haveData = false;
    uint8_t format[40] = {};
    while (pos + 8 <= end && !(haveFmt && haveData)) {
        uint8_t chunk[8];
        file.SetPosition(pos);
        file.ReadBuffer(chunk, 8);
        const int64_t size = WaveDWord(chunk + 4);
        const int64_t body = pos + 8;
        if (size > fileSize - body)
            throw vcl::EReadError("A WAVE chunk runs past the end of the file: " + fileName);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !haveFmt) {
            if (size < 16)
                throw vcl::EReadError("The WAVE format chunk is too short: " + fileName);
            file.ReadBuffer(format, int32_t(std::min<int64_t>(size, sizeof format)));
            FmtOffset = uint32_t(body);
            FmtSize = uint32_t(size);
            haveFmt = true;
        } else if (std::memcmp(chunk, "data", 4) == 0 && !haveData) {
            DataOffset = uint32_t(body);
            DataSize = uint32_t(size);
            haveData = true;
        }
        // Chunks are padded to an even length.
        pos = body + size + (size & 1);
    }
    if (!haveFmt || !haveData)
        throw vcl::EReadError(std::string("The WAVE file has no ") + (haveFmt ? "\"data\"" : "\"fmt \"") +
                              " chunk: " + fileName);
    FormatTag = WaveWord(format);
    Channels = WaveWord(format + 2);
    SamplesPerSec = WaveDWord(format + 4);
    BitsPerSample = WaveWord(format + 14);
    // An extensible format names the real one in the first two bytes of its sub-format.
    if (FormatTag == wfExtensible && FmtSize >= 40)
        FormatTag = WaveWord(format + 24);
    if (Channels == 0 || (BitsPerSample == 0 && FormatTag != wfMPEG && FormatTag != wfMPEGLayer3))
        throw vcl::EReadError("The WAVE file has no channels or no bits per sample: " + fileName);
    if (BitsPerSample > 0)
        SampleCount = static_cast<uint32_t>(uint64_t(DataSize) * 8 / (uint64_t(BitsPerSample) * Channels));
    if (FormatTag == wfMPEG || FormatTag == wfMPEGLayer3) {
        const uint32_t offset = DataOffset, size = DataSize;
        const uint16_t tag = FormatTag;
        ReadMPEG(fileName, true);
        FormatTag = tag;
        DataOffset = offset;
        DataSize = size;
    }
}

void TWaveReader::ReadMPEG(const std::string& fileName, bool inWave) {
    TMPEGaudio mpeg;
    if (!mpeg.ReadFromFile(fileName))
        throw vcl::EReadError("Cannot read the MPEG audio file " + fileName);
    FormatTag = wfMP3File;
    if (!mpeg.Frame.Found)
        return;
    Channels = mpeg.Frame.ModeID == 3 ? 1 : 2;
    SamplesPerSec = static_cast<uint32_t>(mpeg.GetSampleRate());
    BitsPerSample = 16;
    Duration = mpeg.GetDuration();
    SampleCount = static_cast<uint32_t>(std::nearbyint(SamplesPerSec * Duration));
    MP3FrameSize = mpeg.Frame.Size;
    MP3BitRate = static_cast<uint16_t>(mpeg.GetBitRate());
    SamplesPerMP3Frame = static_cast<uint16_t>(MPEGSamplesPerFrame(mpeg.Frame));
    MPEGLayer = mpeg.Frame.LayerID;
    if (!inWave) {
        DataOffset = static_cast<uint32_t>(mpeg.GetDataStart());
        DataSize = static_cast<uint32_t>(mpeg.GetDataSize());
    }
    uint32_t frames = mpeg.GetFrameCount();
    if (MP3FrameSize > 0)
        frames = std::min<uint32_t>(frames, uint32_t(mpeg.FileLength / MP3FrameSize));
    MP3FrameCount = static_cast<uint16_t>(std::min<uint32_t>(frames, 0xFFFF));
}

} // namespace swf

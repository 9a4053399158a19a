#include "swf/FlashSound.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "swf/MPEGaudio.h"
#include "swf/SoundReader.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace swf {

namespace {

std::string SoundFormatName(const TWaveReader& r) {
    switch (r.FormatTag) {
    case wfPCM:
        return std::to_string(r.BitsPerSample) + "-bit PCM in " + std::to_string(r.Channels) + " channels";
    case wfADPCM:
        return "MS ADPCM";
    case wfFloat:
        return std::to_string(r.BitsPerSample) + "-bit IEEE float";
    case wfALaw:
        return "A-law";
    case wfMuLaw:
        return "mu-law";
    case wfMPEG:
    case wfMPEGLayer3:
    case wfMP3File:
        if (r.SamplesPerMP3Frame == 0)
            return "no MPEG audio frames";
        return r.MPEGLayer == 1 ? "MPEG layer III" : r.MPEGLayer == 2 ? "MPEG layer II" : "MPEG layer I";
    case 0:
        return "neither WAV nor MP3";
    default:
        return "format tag " + std::to_string(r.FormatTag);
    }
}

// What the format can carry: 8- or 16-bit PCM in one or two channels, or MPEG layer III, at one of its rates.
void SoundCheckSupported(const TWaveReader& r, const std::string& fileName) {
    const bool mpeg = r.FormatTag == wfMPEG || r.FormatTag == wfMPEGLayer3 || r.FormatTag == wfMP3File;
    const bool pcm = r.FormatTag == wfPCM && (r.BitsPerSample == 8 || r.BitsPerSample == 16) &&
                     (r.Channels == 1 || r.Channels == 2);
    const bool layer3 = mpeg && r.SamplesPerMP3Frame > 0 && r.MPEGLayer == 1;
    std::string what;
    if (!pcm && !layer3)
        what = SoundFormatName(r);
    else if (SoundRateCode(r.SamplesPerSec) < 0)
        what = SoundFormatName(r) + " at " + std::to_string(r.SamplesPerSec) + " Hz";
    if (!what.empty())
        throw vcl::EConvertError("Unsupported sound format: " + what + " (" + fileName + ")");
}

} // namespace

TFlashSound::TFlashSound(TFlashMovie* owner, const std::string& fileName) : TFlashIDObject(owner) {
    if (!fileName.empty())
        LoadFromFile(fileName);
}

TFlashSound::~TFlashSound() = default;

void TFlashSound::OpenSource() {
    FSourceStream.reset();
    if (FFileName.empty())
        return;
    FSourceStream = std::make_unique<vcl::TFileStream>(FFileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
    if (int64_t(FDataStart) + FDataSize > FSourceStream->GetSize())
        throw vcl::EReadError("The sound data runs past the end of " + FFileName);
    FSourceStream->SetPosition(FDataStart);
}

void TFlashSound::LoadFromFile(const std::string& fileName) {
    TWaveReader r(fileName);
    SoundCheckSupported(r, fileName);
    const bool mpeg = r.FormatTag != wfPCM;
    FDuration = r.Duration;
    FFormat = mpeg ? sfMP3 : sfNative;
    FSampleRate = r.SamplesPerSec;
    FRateCode = static_cast<uint8_t>(SoundRateCode(r.SamplesPerSec));
    FBitsPerSample = static_cast<uint8_t>(r.BitsPerSample);
    FIs16Bit = r.BitsPerSample != 8;
    FIsStereo = r.Channels == 2;
    FDataStart = r.DataOffset;
    FDataSize = r.DataSize;
    FBlockSize = r.DataSize;
    FSampleCount = r.SampleCount;
    FSamplesPerMP3Frame = mpeg ? r.SamplesPerMP3Frame : 0;
    FMP3FrameSize = mpeg ? r.MP3FrameSize : 0;
    FMP3FrameCount = mpeg ? r.MP3FrameCount : 0;
    FFileName = fileName;
    OpenSource();
    FNextBlockPos = FDataStart;
    Changed();
}

int32_t TFlashSound::MinVersion() const {
    if (FFormat == sfMP3 || FFormat == sfLittleEndian)
        return 4;
    return FFormat == sfNellymoser ? 6 : 1;
}

void TFlashSound::Assign(TBasedSWFObject* source) {
    TFlashIDObject::Assign(source);
    auto* s = dynamic_cast<TFlashSound*>(source);
    if (!s || s == this)
        return;
    FBlockSize = s->FBlockSize;
    FDataSize = s->FDataSize;
    FDataStart = s->FDataStart;
    FLoop = s->FLoop;
    FBitsPerSample = s->FBitsPerSample;
    FDuration = s->FDuration;
    FSamplesPerMP3Frame = s->FSamplesPerMP3Frame;
    FMP3FrameSize = s->FMP3FrameSize;
    FMP3FrameCount = s->FMP3FrameCount;
    FMP3FramesWritten = s->FMP3FramesWritten;
    FSamplesPerFrame = s->FSamplesPerFrame;
    FSampleCount = s->FSampleCount;
    FSampleRate = s->FSampleRate;
    FFormat = s->FFormat;
    FRateCode = s->FRateCode;
    FStartFrame = s->FStartFrame;
    FIsStereo = s->FIsStereo;
    FIs16Bit = s->FIs16Bit;
    FBlockFactor = s->FBlockFactor;
    FInitialSeek = s->FInitialSeek;
    FSeekCarry = s->FSeekCarry;
    // The copy reads the file through a stream of its own.
    FFileName = s->FFileName;
    OpenSource();
    FNextBlockPos = FDataStart;
    Changed();
}

void TFlashSound::FillStreamHead(TSWFSoundStreamHead& head, double frameRate) {
    if (!(frameRate > 0))
        throw vcl::ERangeError("A stream sound needs a frame rate above 0");
    head.StreamFormat = FFormat == sfNative ? uint8_t(sfLittleEndian) : FFormat;
    head.StreamRate = FRateCode;
    head.Stream16Bit = FIs16Bit;
    head.StreamStereo = FIsStereo;
    head.PlaybackRate = head.StreamRate;
    head.Playback16Bit = head.Stream16Bit;
    head.PlaybackStereo = head.StreamStereo;
    const uint32_t perFrame = static_cast<uint32_t>(std::trunc(FSampleRate / frameRate));
    FSamplesPerFrame = static_cast<uint16_t>(std::min<uint32_t>(perFrame, 0xFFFF));
    FBlockFactor = 1;
    head.SampleCount = FSamplesPerFrame;
    if (FFormat == sfMP3)
        head.LatencySeek = 0;
    FNextBlockPos = FDataStart;
    FSamplesWritten = 0;
    FMP3FramesWritten = 0;
    FBlocksWritten = 0;
    FSeekCarry = FInitialSeek;
    // Whole sample frames: every block carries the samples of one movie frame, no more and no less.
    if (FFormat == sfNative || FFormat == sfLittleEndian)
        FBlockSize = FSamplesPerFrame * (FIsStereo ? 2u : 1u) * (FIs16Bit ? 2u : 1u);
}

void TFlashSound::WriteStreamBlock(TBitsEngine* engine) {
    if (!FSourceStream || FDataSize == 0)
        return;
    if (!FLoop && FNextBlockPos >= FDataStart + FDataSize)
        return;
    if (FFormat == sfMP3)
        WriteMP3Block(engine);
    else
        WritePCMBlock(engine);
}

void TFlashSound::WritePCMBlock(TBitsEngine* engine) {
    if (FBlockSize == 0)
        return;
    const uint32_t dataEnd = FDataStart + FDataSize;
    // What is not filled from the file stays silent: 0 for 16-bit samples, the middle value for unsigned
    // 8-bit ones.
    std::vector<uint8_t> block(FBlockSize, FIs16Bit ? 0 : 0x80);
    uint32_t filled = 0;
    while (filled < FBlockSize) {
        if (FNextBlockPos >= dataEnd) {
            if (!FLoop)
                break; // the rest stays silent
            FNextBlockPos = FDataStart;
        }
        const uint32_t take = std::min(FBlockSize - filled, dataEnd - FNextBlockPos);
        FSourceStream->SetPosition(FNextBlockPos);
        FSourceStream->ReadBuffer(block.data() + filled, static_cast<int32_t>(take));
        filled += take;
        FNextBlockPos += take;
    }
    if (FLoop && FNextBlockPos >= dataEnd)
        FNextBlockPos = FDataStart;
    engine->FlushBits(true);
    if (FBlockSize <= 62) {
        engine->WriteWord(static_cast<uint16_t>(tagSoundStreamBlock * 64 + FBlockSize));
    } else {
        engine->WriteWord(static_cast<uint16_t>(tagSoundStreamBlock * 64 + 63));
        engine->WriteDWord(FBlockSize);
    }
    engine->WriteBytes(block.data(), static_cast<int32_t>(block.size()));
    ++FBlocksWritten;
}

uint32_t TFlashSound::MP3FrameAt(uint32_t pos) {
    const uint32_t dataEnd = FDataStart + FDataSize;
    if (pos + 4 > dataEnd)
        return 0;
    uint8_t header[4];
    FSourceStream->SetPosition(pos);
    FSourceStream->ReadBuffer(header, 4);
    if (!IsMPEGFrameHeader(header))
        return 0;
    const uint32_t length = static_cast<uint32_t>(MPEGFrameLength(DecodeMPEGFrameHeader(header)));
    return length >= 4 && length <= dataEnd - pos ? length : 0;
}

void TFlashSound::WriteMP3Block(TBitsEngine* engine) {
    const int32_t c = FSamplesPerMP3Frame;
    const int32_t f = FSamplesPerFrame;
    if (c <= 0)
        return;
    const int32_t wanted = std::abs(FSeekCarry) > c ? 0 : std::max(0, (FSeekCarry + f) / c);
    ++FBlocksWritten;
    // Whole frames, each as long as its own header says.
    std::vector<uint8_t> frames;
    int32_t count = 0;
    bool wrapped = false;
    while (count < wanted) {
        uint32_t length = MP3FrameAt(FNextBlockPos);
        if (length == 0) {
            if (!FLoop || wrapped)
                break;
            FNextBlockPos = FDataStart;
            FMP3FramesWritten = 0;
            wrapped = true;
            continue;
        }
        const size_t at = frames.size();
        frames.resize(at + length);
        FSourceStream->SetPosition(FNextBlockPos);
        FSourceStream->ReadBuffer(frames.data() + at, static_cast<int32_t>(length));
        FNextBlockPos += length;
        ++FMP3FramesWritten;
        ++count;
        wrapped = false;
    }
    engine->FlushBits(true);
    if (count > 0) {
        engine->WriteWord(static_cast<uint16_t>(tagSoundStreamBlock * 64 + 63));
        engine->WriteDWord(static_cast<uint32_t>(frames.size() + 4));
        engine->WriteWord(static_cast<uint16_t>(c * count));
        engine->WriteWord(static_cast<uint16_t>(static_cast<int16_t>(FSeekCarry)));
        engine->WriteBytes(frames.data(), static_cast<int32_t>(frames.size()));
    } else {
        engine->WriteWord(static_cast<uint16_t>(tagSoundStreamBlock * 64 + 4));
        engine->WriteDWord(0);
    }
    FSamplesWritten += static_cast<uint32_t>(c * count);
    FSeekCarry = int32_t(int64_t(FBlocksWritten) * f - FSamplesWritten);
    if (FLoop && MP3FrameAt(FNextBlockPos) == 0) {
        FNextBlockPos = FDataStart;
        FMP3FramesWritten = 0;
    }
}

void TFlashSound::WriteToStream(TBitsEngine* engine) {
    TSWFDefineSound tag;
    tag.SoundID = FCharacterID;
    tag.Format = FFormat;
    tag.Rate = FRateCode;
    tag.Is16Bit = FIs16Bit;
    tag.IsStereo = FIsStereo;
    tag.SampleCount = FSampleCount;
    tag.SeekSamples = FInitialSeek;
    if ((FFormat == sfNative || FFormat == sfMP3) && FSourceStream) {
        tag.OnWriteData = [this](TSWFDataObject*, TBitsEngine* e) {
            std::vector<uint8_t> buffer(64 * 1024);
            FSourceStream->SetPosition(FDataStart);
            uint32_t left = FDataSize;
            while (left > 0) {
                const uint32_t take = std::min<uint32_t>(left, uint32_t(buffer.size()));
                FSourceStream->ReadBuffer(buffer.data(), static_cast<int32_t>(take));
                e->WriteBytes(buffer.data(), static_cast<int32_t>(take));
                left -= take;
            }
        };
    }
    tag.WriteToStream(engine);
}

} // namespace swf

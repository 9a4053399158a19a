#include "swf/MPEGaudio.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace swf {

namespace {

// kbit/s by version row (MPEG-1; MPEG-2 and 2.5), layer (I, II, III) and index.
const int16_t kMPEGBitRates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};

// Hz by version (2.5, reserved, 2, 1) and index.
const int32_t kMPEGSampleRates[4][4] = {
    {11025, 12000, 8000, 0}, {0, 0, 0, 0}, {22050, 24000, 16000, 0}, {44100, 48000, 32000, 0}};

// The bytes a buffer of the analysis holds.
constexpr int32_t kMPEGBuffer = 3458;

uint32_t MPEGBigEndian(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

} // namespace

bool IsMPEGFrameHeader(const uint8_t* b) {
    return b[0] == 0xFF && b[1] > 0xDF && ((b[1] >> 3) & 3) != 1 && ((b[1] >> 1) & 3) != 0 && b[2] >= 0x10 &&
           b[2] <= 0xEF && ((b[2] >> 2) & 3) != 3 && (b[3] & 3) != 2;
}

TMPEGFrameHeader DecodeMPEGFrameHeader(const uint8_t* b) {
    TMPEGFrameHeader h;
    h.VersionID = (b[1] >> 3) & 3;
    h.LayerID = (b[1] >> 1) & 3;
    h.ProtectionBit = b[1] & 1;
    h.BitRateID = b[2] >> 4;
    h.SampleRateID = (b[2] >> 2) & 3;
    h.PaddingBit = (b[2] >> 1) & 1;
    h.PrivateBit = b[2] & 1;
    h.ModeID = b[3] >> 6;
    h.ModeExtensionID = (b[3] >> 4) & 3;
    h.CopyrightBit = (b[3] >> 3) & 1;
    h.HomeFlag = (b[3] >> 2) & 1;
    h.EmphasisID = b[3] & 3;
    return h;
}

int32_t MPEGBitRate(const TMPEGFrameHeader& h) {
    if (h.LayerID < 1 || h.LayerID > 3 || h.BitRateID > 15)
        return 0;
    return kMPEGBitRates[h.VersionID == 3 ? 0 : 1][3 - h.LayerID][h.BitRateID];
}

int32_t MPEGSampleRate(const TMPEGFrameHeader& h) {
    return h.VersionID > 3 || h.SampleRateID > 3 ? 0 : kMPEGSampleRates[h.VersionID][h.SampleRateID];
}

int32_t MPEGSamplesPerFrame(const TMPEGFrameHeader& h) {
    if (h.LayerID == 3)
        return 384;
    if (h.LayerID == 1 && h.VersionID != 3)
        return 576;
    return 1152;
}

int32_t MPEGFrameLength(const TMPEGFrameHeader& h) {
    const int32_t rate = MPEGSampleRate(h);
    if (rate == 0)
        return 0;
    const int64_t k = MPEGSamplesPerFrame(h) / 8;
    const int32_t padding = h.PaddingBit ? (h.LayerID == 3 ? 4 : 1) : 0;
    return static_cast<int32_t>(k * MPEGBitRate(h) * 1000 / rate) + padding;
}

void TMPEGaudio::Reset() {
    FileLength = 0;
    IsWave = false;
    VBR = TVBRData();
    Frame = TFrameData();
    ID3v1.Reset();
    ID3v2.Reset();
}

// Looks in data (size bytes from file offset base after the ID3v2 tag) for a frame header that another one
// follows at its frame length; both must lie within the bytes read.
bool TMPEGaudio::SearchFrame(const uint8_t* data, int32_t size, uint32_t base) {
    for (int32_t i = 0; i + 4 <= size; ++i) {
        if (!IsMPEGFrameHeader(data + i))
            continue;
        TMPEGFrameHeader h = DecodeMPEGFrameHeader(data + i);
        const int32_t length = MPEGFrameLength(h);
        if (length < 4 || int64_t(i) + length + 4 > size || !IsMPEGFrameHeader(data + i + length))
            continue;
        static_cast<TMPEGFrameHeader&>(Frame) = h;
        Frame.Found = true;
        Frame.Position = base + uint32_t(i);
        Frame.Size = static_cast<uint16_t>(length);
        std::memcpy(Frame.Data, data + i, 4);
        Frame.Xing = i + 10 <= size && std::all_of(data + i + 4, data + i + 10, [](uint8_t b) { return b == 0; });
        ReadVBR(data, size, i);
        return true;
    }
    return false;
}

void TMPEGaudio::ReadVBR(const uint8_t* data, int32_t size, int32_t at) {
    // The Xing header follows the side information, whose length depends on version and channels.
    const bool mono = Frame.ModeID == 3;
    const int32_t side = Frame.VersionID == 3 ? (mono ? 21 : 36) : (mono ? 13 : 21);
    int32_t p = at + side;
    if (p + 8 <= size && (std::memcmp(data + p, "Xing", 4) == 0)) {
        VBR.Found = true;
        VBR.ID = "Xing";
        const uint32_t flags = MPEGBigEndian(data + p + 4);
        p += 8;
        if ((flags & 1) && p + 4 <= size) {
            VBR.Frames = MPEGBigEndian(data + p);
            p += 4;
        }
        if ((flags & 2) && p + 4 <= size) {
            VBR.Bytes = MPEGBigEndian(data + p);
            p += 4;
        }
        if (flags & 4)
            p += 100;
        if ((flags & 8) && p + 4 <= size) {
            VBR.Scale = data[p + 3];
            p += 4;
        }
        if (p + 8 <= size)
            VBR.VendorID.assign(reinterpret_cast<const char*>(data + p), 8);
        return;
    }
    // The VBRI header always stands 32 bytes after the frame header.
    p = at + 36;
    if (p + 18 <= size && std::memcmp(data + p, "VBRI", 4) == 0) {
        VBR.Found = true;
        VBR.ID = "VBRI";
        VBR.Scale = data[p + 9];
        VBR.Bytes = MPEGBigEndian(data + p + 10);
        VBR.Frames = MPEGBigEndian(data + p + 14);
    }
}

bool TMPEGaudio::ReadFromFile(const std::string& fileName) {
    Reset();
    if (!ID3v1.ReadFromFile(fileName) || !ID3v2.ReadFromFile(fileName))
        return false;
    try {
        vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
        FileLength = file.GetSize();
        std::vector<uint8_t> buffer(kMPEGBuffer);
        auto readAt = [&](int64_t pos) {
            file.SetPosition(pos);
            return file.Read(buffer.data(), kMPEGBuffer);
        };
        const int32_t got = readAt(ID3v2.Size);
        IsWave = got >= 12 && std::memcmp(buffer.data() + 8, "WAVE", 4) == 0;
        bool found = SearchFrame(buffer.data(), std::max(got, 0), 0);
        if (!found && got == kMPEGBuffer) {
            const int64_t middle = (FileLength - ID3v2.Size) / 2;
            const int32_t again = readAt(ID3v2.Size + middle);
            found = SearchFrame(buffer.data(), std::max(again, 0), static_cast<uint32_t>(middle));
        }
        if (!found) {
            TID3v1 tag1 = ID3v1;
            TID3v2 tag2 = ID3v2;
            const int64_t length = FileLength;
            Reset();
            ID3v1 = tag1;
            ID3v2 = tag2;
            FileLength = length;
        }
        return true;
    } catch (const vcl::Exception&) {
        return false;
    }
}

int64_t TMPEGaudio::GetDataSize() const {
    if (!Frame.Found)
        return 0;
    const int64_t end = FileLength - (ID3v1.Exists ? 128 : 0);
    return std::max<int64_t>(end - GetDataStart(), 0);
}

int32_t TMPEGaudio::GetSampleRate() const {
    return Frame.Found ? MPEGSampleRate(Frame) : 0;
}

int32_t TMPEGaudio::GetBitRate() const {
    if (!Frame.Found)
        return 0;
    if (VBR.Found && VBR.Frames > 0) {
        const double k = MPEGSamplesPerFrame(Frame) / 8.0;
        const int32_t padding = Frame.PaddingBit ? (Frame.LayerID == 3 ? 4 : 1) : 0;
        return static_cast<int32_t>(
            std::nearbyint((double(VBR.Bytes) / VBR.Frames - padding) * GetSampleRate() / k / 1000.0));
    }
    return MPEGBitRate(Frame);
}

uint32_t TMPEGaudio::GetFrameCount() const {
    if (!Frame.Found)
        return 0;
    if (VBR.Found && VBR.Frames > 0)
        return VBR.Frames;
    return static_cast<uint32_t>(GetDataSize() / std::max<int32_t>(Frame.Size, 1));
}

double TMPEGaudio::GetDuration() const {
    if (!Frame.Found || GetSampleRate() == 0)
        return 0;
    if (VBR.Found && VBR.Frames > 0)
        return double(MPEGSamplesPerFrame(Frame)) * VBR.Frames / GetSampleRate();
    const int32_t bitRate = GetBitRate();
    return bitRate > 0 ? double(GetDataSize()) * 8 / bitRate / 1000 : 0;
}

} // namespace swf

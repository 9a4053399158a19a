#include "swf/SWFStreams.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "swf/SWFTools.h"
#include "swf/SWFZlib.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace swf {

TBasedSWFStream::TBasedSWFStream() : FBody(std::make_unique<vcl::TMemoryStream>()) {}

TBasedSWFStream::TBasedSWFStream(int32_t xMin, int32_t yMin, int32_t xMax, int32_t yMax, double rate,
                                 bool inPixels)
    : FBody(std::make_unique<vcl::TMemoryStream>()) {
    SetInPixels(inPixels);
    int64_t f = FUnitFactor;
    auto scaled = [f](int32_t v) {
        int64_t r = int64_t(v) * f;
        // A RECT field holds at most 31 bits of magnitude.
        if (r < -0x3FFFFFFF || r > 0x3FFFFFFF)
            throw vcl::ERangeError("Movie frame size out of range");
        return static_cast<int32_t>(r);
    };
    FFrameRect = {scaled(xMin), scaled(yMin), scaled(xMax), scaled(yMax)};
    SetFrameRate(rate);
}

TBasedSWFStream::~TBasedSWFStream() = default;

void TBasedSWFStream::SetInPixels(bool v) {
    FInPixels = v;
    FUnitFactor = v ? 20 : 1;
}

void TBasedSWFStream::SetCompressed(bool v) {
    FCompressed = v;
    if (v && FVersion < 6)
        FVersion = 6;
}

void TBasedSWFStream::SetVersion(uint8_t v) {
    FVersion = (FCompressed && v < 6) ? 6 : v;
}

void TBasedSWFStream::SetFrameRate(double rate) {
    // 8.8 fixed point: the rate must round to a value in 1/256 .. 255 + 255/256, or it would wrap to 0.
    if (!(rate > 0 && rate < 256))
        throw vcl::ERangeError("Frame rate must be greater than 0 and less than 256");
    double whole = std::trunc(rate);
    int64_t fixed = int64_t(whole) * 256 + RoundToEven((rate - whole) * 256.0);
    if (fixed <= 0 || fixed > 0xFFFF)
        throw vcl::ERangeError("Frame rate must be greater than 0 and less than 256");
    FFrameRate = FloatToFixed8(rate);
}

double TBasedSWFStream::GetFrameRate() const {
    return Fixed8ToFloat(FFrameRate);
}

int32_t TBasedSWFStream::HeaderSize() const {
    int32_t n =
        GetSBitsCount(MaxAbs4(FFrameRect.Left, FFrameRect.Top, FFrameRect.Right, FFrameRect.Bottom), 1);
    return 12 + (5 + 4 * n + 7) / 8;
}

void TBasedSWFStream::WriteHeader(vcl::TStream* stream, int32_t part) {
    if (part == 0 || part == 1) {
        uint8_t fixed[8];
        std::memcpy(fixed, FSignature, 3);
        fixed[3] = FVersion;
        for (int i = 0; i < 4; ++i)
            fixed[4 + i] = static_cast<uint8_t>(FFileLength >> (8 * i));
        stream->WriteBuffer(fixed, 8);
    }
    if (part == 0 || part == 2) {
        TBitsEngine engine(stream);
        engine.WriteTRect(FFrameRect);
        engine.WriteWord(FFrameRate);
        engine.WriteWord(FFrameCount);
    }
}

void TBasedSWFStream::SaveToStream(vcl::TStream* target) {
    if (!IsBodyCurrent())
        MakeStream();
    int64_t length = HeaderSize() + FBody->GetSize();
    if (length > int64_t(UINT32_MAX))
        throw vcl::EWriteError("Movie too large for the SWF format");
    FFileLength = static_cast<uint32_t>(length);
    FBody->SetPosition(0);
    if (!FCompressed) {
        std::memcpy(FSignature, "FWS", 3);
        WriteHeader(target, 0);
        if (FBody->GetSize() > 0)
            target->CopyFrom(FBody.get(), FBody->GetSize());
        return;
    }
    std::memcpy(FSignature, "CWS", 3);
    if (FVersion < 6)
        FVersion = 6;
    WriteHeader(target, 1);
    TSWFDeflateStream z(target, SWFBodyDeflateLevel);
    int64_t bodySize = FBody->GetSize();
    if (OnProgress) {
        // The header part written first is not body; only body bytes count.
        int64_t headerBytes = HeaderSize() - 8;
        z.OnProgress = [this, bodySize, headerBytes](int64_t consumed) {
            int64_t done = std::max<int64_t>(0, consumed - headerBytes);
            int32_t percent = bodySize > 0 ? RoundToEven(100.0 * double(done) / double(bodySize)) : 100;
            OnProgress(this, std::min(percent, 100), 2);
        };
    }
    WriteHeader(&z, 2);
    if (bodySize > 0)
        z.CopyFrom(FBody.get(), bodySize);
    z.Finish();
}

void TBasedSWFStream::SaveToFile(const std::string& fileName) {
    if (!IsBodyCurrent())
        MakeStream();
    vcl::SaveFileSafely(fileName, [this](vcl::TStream& stream) { SaveToStream(&stream); });
}

} // namespace swf

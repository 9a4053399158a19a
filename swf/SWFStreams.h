// The container of one SWF movie: header values and the body (the tags after the header), written to a file
// or stream uncompressed ("FWS") or with everything after the first 8 bytes zlib-compressed ("CWS").
#pragma once

#include "platform/vcl/Object.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vcl {
class TStream;
class TMemoryStream;
} // namespace vcl

namespace swf {

class TBasedSWFStream;

// Stage 1 while a movie renders its objects, 2 while the body is compressed.
using TSWFProgressEvent = std::function<void(TBasedSWFStream* sender, int32_t percent, int32_t stage)>;

class TBasedSWFStream : public vcl::TObject {
public:
    TBasedSWFStream();
    // Coordinates in pixels when inPixels, else in twips. Raises for a rate the format cannot hold.
    TBasedSWFStream(int32_t xMin, int32_t yMin, int32_t xMax, int32_t yMax, double rate, bool inPixels);
    ~TBasedSWFStream() override;

    // Renders the body.
    virtual void MakeStream() = 0;

    vcl::TMemoryStream* GetBody() const { return FBody.get(); }
    bool GetCompressed() const { return FCompressed; }
    void SetCompressed(bool v);
    uint8_t GetVersion() const { return FVersion; }
    void SetVersion(uint8_t v);
    bool GetInPixels() const { return FInPixels; }
    void SetInPixels(bool v);
    uint8_t GetUnitFactor() const { return FUnitFactor; }
    // The frame rate must lie in 0 < rate < 256 (8.8 fixed point); other rates raise and change nothing.
    void SetFrameRate(double rate);
    double GetFrameRate() const;
    uint16_t GetFrameRateFixed() const { return FFrameRate; }
    uint16_t GetFrameCount() const { return FFrameCount; }
    void SetFrameCount(uint16_t v) { FFrameCount = v; }
    const win::TRect& GetFrameRect() const { return FFrameRect; }
    void SetFrameRect(const win::TRect& r) { FFrameRect = r; }
    std::string GetSignature() const { return std::string(FSignature, 3); }
    uint32_t GetFileLength() const { return FFileLength; }

    int32_t HeaderSize() const;
    // Writes the whole header (0), only its 8 fixed bytes (1), or only RECT, rate and frame count (2).
    void WriteHeader(vcl::TStream* stream, int32_t part);
    void SaveToStream(vcl::TStream* stream);
    // Saved through a temporary file renamed over the target, so a failed save keeps the old file.
    void SaveToFile(const std::string& fileName);

    TSWFProgressEvent OnProgress;

protected:
    // Whether the body reflects the movie's current content; a movie that is not current renders itself
    // before it is saved.
    virtual bool IsBodyCurrent() const { return true; }

private:
    std::unique_ptr<vcl::TMemoryStream> FBody;
    uint8_t FCompressed = 0;
    uint8_t FUnitFactor = 1;
    uint8_t FInPixels = 0;
    char FSignature[3] = {'F', 'W', 'S'};
    uint8_t FVersion = 5;
    uint32_t FFileLength = 0;
    win::TRect FFrameRect;
    uint16_t FFrameRate = 0;
    uint16_t FFrameCount = 0;
};

} // namespace swf

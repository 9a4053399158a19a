// A bitmap character of a movie: a JPEG file embedded as JPEG, or a BMP file or bitmap turned into
// zlib-compressed lossless pixels when the movie is rendered.
#pragma once

#include "swf/FlashMovie.h"

#include <functional>
#include <memory>
#include <string>

namespace vcl {
class TStream;
class TMemoryStream;
struct TDibFormat;
} // namespace vcl

namespace swf {

class TBMPReader;
class TFlashImage;

// Loads files that are neither JPEG nor BMP, when set.
using TImageLoaderHook = std::function<void(TFlashImage* image, const std::string& fileName)>;
extern TImageLoaderHook ImageLoaderHook;

// Lossless pixel formats of the image (the tag writes format 5 for format 1).
enum : uint8_t { ifARGB32 = 1, ifColorMapped8 = 3, ifRGB15 = 4, ifRGB24 = 5 };

// What Data holds.
enum : uint8_t { dkNone = 0, dkEmpty = 1, dkLossless = 2, dkJpegMemory = 3, dkJpegFile = 4 };

// The largest width or height of a SWF bitmap (16-bit fields).
constexpr int32_t SWFMaxBitmapSide = 65535;

class TFlashImage : public TFlashIDObject {
public:
    explicit TFlashImage(TFlashMovie* owner, const std::string& fileName = {});
    ~TFlashImage() override;

    void LoadFromFile(const std::string& fileName);
    // Takes a copy of a bitmap held in memory: format describes bits (bottom-up rows).
    void LoadFromDib(const vcl::TDibFormat& format, const uint8_t* bits);
    void LoadFromHandle(win::HBITMAP bitmap);
    // Takes over pixels read already.
    void TakeReader(TBMPReader&& reader);
    void Assign(TBasedSWFObject* source) override;
    int32_t MinVersion() const override { return FHasAlpha ? 3 : 2; }
    void WriteToStream(TBitsEngine* engine) override;

    // One alpha byte per pixel for JPEG images (none for others); when not empty the image is written as
    // DefineBitsJPEG3.
    vcl::TMemoryStream* GetAlphaData();
    // The pixels, for changes: lossless data built from them before is dropped and built again.
    TBMPReader& GetReader();
    vcl::TStream& GetData();
    // Takes ownership of stream as the image's data.
    void SetData(std::unique_ptr<vcl::TStream> stream);
    // Builds the lossless data now and frees the pixels, which only the data's writing needed: a movie of
    // many large images then holds each picture once, compressed. GetReader afterwards gives no pixels.
    void Pack();
    bool GetConvertProgressive() const { return FConvertProgressive; }
    void SetConvertProgressive(bool v);

    bool GetIsJPEG() const { return FIsJPEG; }
    bool GetHasAlpha() const { return FHasAlpha; }
    uint8_t GetDataKind() const { return FDataKind; }
    uint8_t GetFormat() const { return FFormat; }
    int32_t GetColorCount() const { return FColorCount; }
    uint16_t GetWidth() const { return FWidth; }
    uint16_t GetHeight() const { return FHeight; }
    uint16_t GetRowWidth() const { return FRowWidth; }

private:
    TBMPReader& Reader();
    void SetupFromReader();
    void BuildLosslessData();
    void WriteData(TBitsEngine* engine);
    void ResetData();

    std::unique_ptr<vcl::TMemoryStream> FAlphaData;
    uint8_t FIsJPEG = 0;
    std::unique_ptr<TBMPReader> FReader;
    int32_t FColorCount = 0;
    uint8_t FConvertProgressive = 0;
    std::unique_ptr<vcl::TStream> FData;
    uint8_t FDataKind = dkNone;
    uint8_t FHasAlpha = 0;
    uint16_t FHeight = 0;
    uint16_t FRowWidth = 0;
    uint16_t FWidth = 0;
    uint8_t FFormat = 0;
};

// The size of a baseline or extended JPEG file from its frame header; false when the file does not start
// like a JPEG file or no such frame header is found (a progressive file, say).
bool ReadJpegSize(vcl::TStream* stream, uint16_t& width, uint16_t& height);

} // namespace swf

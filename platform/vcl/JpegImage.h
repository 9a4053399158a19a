// TJPEGImage: a picture kept as JPEG data, read and written through libjpeg. Assigning a bitmap stores its
// pixels; the data is made from them when it is first needed, with the quality, gray scale and progressive
// encoding set at that time. Reading keeps the file's bytes (saved again unchanged) and decodes them when the
// picture is drawn or asked for.
#pragma once

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphic.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vcl {

class TBitmap;

// The library's failures (damaged data, a picture too large to read) and those of encoding.
LOOMWICK_EXCEPTION(EJPEG, EInvalidGraphic);

enum TJPEGPerformance { jpBestQuality, jpBestSpeed };

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;

    // From another JPEG image (data, picture and settings) or a bitmap (its pixels, palettes expanded to
    // 24-bit colour); nullptr empties the image.
    void Assign(TPersistent* source) override;
    void Draw(TCanvas* canvas, const TRect& rect) override;
    // Reads the rest of the stream as one JPEG datastream: the header at once (EJPEG when it is not one, or
    // when the picture is too large to read), the pixels when they are first needed. Pictures whose data
    // cannot code them are refused before anything is allocated for them (codecs::JpegDataCanFill), and so
    // are pictures beyond the reading budget (ImageBudget.h); decoding refuses files of more scans than
    // codecs::JpegDefaultMaxScans.
    void LoadFromStream(TStream* stream) override;
    // Writes the data, made from the picture first when there is none.
    void SaveToStream(TStream* stream) override;

    bool GetEmpty() const override { return FWidth == 0 || FHeight == 0; }
    int32_t GetWidth() const override { return FWidth; }
    int32_t GetHeight() const override { return FHeight; }
    // A JPEG image's size comes from its picture: setting it raises EInvalidGraphicOperation.
    void SetWidth(int32_t value) override;
    void SetHeight(int32_t value) override;

    // 1 to 100 (values outside are clamped); 90 at first.
    int32_t GetCompressionQuality() const { return FQuality; }
    void SetCompressionQuality(int32_t value);
    // Written as one gray component; read as shades of gray.
    bool GetGrayscale() const { return FGrayscale; }
    void SetGrayscale(bool value);
    bool GetProgressiveEncoding() const { return FProgressiveEncoding; }
    void SetProgressiveEncoding(bool value);
    // How a progressive file is shown while it arrives; pictures here are decoded whole, so it is kept only.
    bool GetProgressiveDisplay() const { return FProgressiveDisplay; }
    void SetProgressiveDisplay(bool value);
    // Smooths the blocks of a progressive file decoded before its last scan.
    bool GetSmoothing() const { return FSmoothing; }
    void SetSmoothing(bool value);
    // Best speed decodes with the fast integer transform and without smoothed upsampling.
    TJPEGPerformance GetPerformance() const { return FPerformance; }
    void SetPerformance(TJPEGPerformance value);

    // Makes the data again from the picture with the current settings.
    void Compress();
    // The decoded picture (24-bit colour, or 8-bit gray), decoded on first use; owned by the image.
    TBitmap* GetBitmap();
    // The JPEG data, made on first use; empty for an empty image.
    const std::vector<uint8_t>& GetData();

private:
    // A setting that shapes the written file: data made from an assigned picture is made again.
    void EncodingChanged();
    // A setting that shapes the decoded picture: a picture decoded from read data is decoded again.
    void DecodingChanged();
    void Decode();
    void Encode();

    // Empty while an assigned picture has not been encoded yet.
    std::vector<uint8_t> FData;
    std::unique_ptr<TBitmap> FBitmap;
    // True when the bitmap is the picture itself (assigned or compressed from), false when it only shows
    // the data read.
    bool FBitmapIsSource = false;
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    int32_t FQuality = 90;
    bool FGrayscale = false;
    bool FProgressiveEncoding = false;
    bool FProgressiveDisplay = false;
    bool FSmoothing = true;
    TJPEGPerformance FPerformance = jpBestQuality;
};

} // namespace vcl

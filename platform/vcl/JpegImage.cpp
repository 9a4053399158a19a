#include "platform/vcl/JpegImage.h"

#include "codecs/JpegSupport.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/ImageBudget.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <jpeglib.h>

namespace vcl {

namespace {

// What one decoding holds of the library; freed however the decoding ends. The library's fatal errors jump
// back to the codecs::JpegTry that made the call, whose frames hold nothing with a destructor: the exception
// raised then starts outside them, and this record's destructor runs as the exception leaves.
struct TJpegImageDecoder {
    jpeg_decompress_struct Info{};
    codecs::TJpegErrorBridge Errors;
    codecs::TJpegScanLimit Scans;
    bool Created = false;
    ~TJpegImageDecoder() {
        if (Created)
            jpeg_destroy_decompress(&Info);
    }
    [[noreturn]] void Fail() const { throw EJPEG(std::string("JPEG error: ") + Errors.Message); }
};

struct TJpegImageEncoder {
    jpeg_compress_struct Info{};
    codecs::TJpegErrorBridge Errors;
    bool Created = false;
    unsigned char* Out = nullptr;
    unsigned long OutSize = 0;
    ~TJpegImageEncoder() {
        if (Created)
            jpeg_destroy_compress(&Info);
        std::free(Out);
    }
    [[noreturn]] void Fail() const { throw EJPEG(std::string("JPEG error: ") + Errors.Message); }
};

// Reads the header of data into the decoder and refuses a picture that the data cannot code or that is
// beyond the reading budget (with the coefficients a progressive file keeps, two bytes a sample).
void JpegImageReadHeader(TJpegImageDecoder& d, const std::vector<uint8_t>& data) {
    d.Info.err = codecs::InitJpegErrorBridge(d.Errors);
    const bool read = codecs::JpegTry(d.Errors, [&] {
        jpeg_create_decompress(&d.Info);
        d.Created = true;
        jpeg_mem_src(&d.Info, data.data(), static_cast<unsigned long>(data.size()));
        jpeg_read_header(&d.Info, TRUE);
    });
    if (!read)
        d.Fail();
    const int64_t w = d.Info.image_width, h = d.Info.image_height;
    const int64_t coefficients = d.Info.progressive_mode ? 2 * int64_t(d.Info.num_components) : 0;
    if (!codecs::JpegDataCanFill(w, h, int64_t(data.size())) ||
        !ImageReadFits(ImageReadBytes(w, h, 3 + coefficients)))
        throw EJPEG("JPEG image too large");
    codecs::JpegLimitScans(&d.Info, d.Scans);
}

// CMYK samples as Adobe's programs write them (inverted) or as the standard has them.
void JpegImageCmykRow(const uint8_t* cmyk, uint8_t* bgr, int32_t width, bool inverted) {
    for (int32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const int c = inverted ? cmyk[0] : 255 - cmyk[0], m = inverted ? cmyk[1] : 255 - cmyk[1],
                  y = inverted ? cmyk[2] : 255 - cmyk[2], k = inverted ? cmyk[3] : 255 - cmyk[3];
        bgr[0] = uint8_t((y * k + 127) / 255);
        bgr[1] = uint8_t((m * k + 127) / 255);
        bgr[2] = uint8_t((c * k + 127) / 255);
    }
}

void JpegImageGrayRow(const uint8_t* gray, uint8_t* bgr, int32_t width) {
    for (int32_t x = 0; x < width; ++x, bgr += 3)
        bgr[0] = bgr[1] = bgr[2] = gray[x];
}

// Colour rows made gray in place with the library's own weights of red, green and blue (0.299, 0.587, 0.114
// in 16-bit fixed point), for pictures whose colours the library cannot turn into gray itself (CMYK).
void JpegImageGrayInPlace(uint8_t* bgr, int32_t width) {
    for (int32_t x = 0; x < width; ++x, bgr += 3) {
        const uint32_t y = (7471u * bgr[0] + 38470u * bgr[1] + 19595u * bgr[2] + 32768u) >> 16;
        bgr[0] = bgr[1] = bgr[2] = uint8_t(y);
    }
}

} // namespace

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Assign(TPersistent* source) {
    if (source == this)
        return;
    if (!source) {
        FData.clear();
        FBitmap.reset();
        FBitmapIsSource = false;
        FWidth = FHeight = 0;
        Changed(this);
        return;
    }
    if (auto* j = dynamic_cast<TJPEGImage*>(source)) {
        FData = j->FData;
        FBitmap.reset();
        if (j->FBitmap) {
            FBitmap = std::make_unique<TBitmap>();
            FBitmap->Assign(j->FBitmap.get());
        }
        FBitmapIsSource = j->FBitmapIsSource;
        FWidth = j->FWidth;
        FHeight = j->FHeight;
        FQuality = j->FQuality;
        FGrayscale = j->FGrayscale;
        FProgressiveEncoding = j->FProgressiveEncoding;
        FProgressiveDisplay = j->FProgressiveDisplay;
        FSmoothing = j->FSmoothing;
        FPerformance = j->FPerformance;
        Changed(this);
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(source)) {
        auto copy = std::make_unique<TBitmap>();
        copy->Assign(b);
        copy->SetPixelFormat(pf24bit);
        FData.clear();
        FWidth = copy->GetEmpty() ? 0 : copy->GetWidth();
        FHeight = copy->GetEmpty() ? 0 : copy->GetHeight();
        FBitmap = FWidth ? std::move(copy) : nullptr;
        FBitmapIsSource = FBitmap != nullptr;
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

void TJPEGImage::Draw(TCanvas* canvas, const TRect& rect) {
    if (TBitmap* bitmap = GetBitmap())
        canvas->StretchDraw(rect, bitmap);
}

void TJPEGImage::LoadFromStream(TStream* stream) {
    const int64_t size = stream->GetSize() - stream->GetPosition();
    if (size <= 0)
        throw EJPEG("JPEG error: the stream is empty");
    if (!ImageReadFits(size) || size > INT32_MAX)
        throw EJPEG("JPEG image too large");
    std::vector<uint8_t> data(static_cast<size_t>(size));
    stream->ReadBuffer(data.data(), int32_t(size));
    TJpegImageDecoder d;
    JpegImageReadHeader(d, data);
    FWidth = int32_t(d.Info.image_width);
    FHeight = int32_t(d.Info.image_height);
    FData = std::move(data);
    FBitmap.reset();
    FBitmapIsSource = false;
    Changed(this);
}

void TJPEGImage::SaveToStream(TStream* stream) {
    const std::vector<uint8_t>& data = GetData();
    if (data.empty())
        throw EJPEG("JPEG error: the image is empty");
    stream->WriteBuffer(data.data(), int32_t(data.size()));
}

void TJPEGImage::SetWidth(int32_t) {
    throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}
void TJPEGImage::SetHeight(int32_t) {
    throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::SetCompressionQuality(int32_t value) {
    value = std::clamp(value, 1, 100);
    if (value == FQuality)
        return;
    FQuality = value;
    EncodingChanged();
}

void TJPEGImage::SetGrayscale(bool value) {
    if (value == FGrayscale)
        return;
    FGrayscale = value;
    EncodingChanged();
    DecodingChanged();
}

void TJPEGImage::SetProgressiveEncoding(bool value) {
    if (value == FProgressiveEncoding)
        return;
    FProgressiveEncoding = value;
    EncodingChanged();
}

void TJPEGImage::SetProgressiveDisplay(bool value) {
    FProgressiveDisplay = value;
}

void TJPEGImage::SetSmoothing(bool value) {
    if (value == FSmoothing)
        return;
    FSmoothing = value;
    DecodingChanged();
}

void TJPEGImage::SetPerformance(TJPEGPerformance value) {
    if (value == FPerformance)
        return;
    FPerformance = value;
    DecodingChanged();
}

void TJPEGImage::EncodingChanged() {
    if (FBitmapIsSource)
        FData.clear();
}

void TJPEGImage::DecodingChanged() {
    if (!FBitmapIsSource && FBitmap) {
        FBitmap.reset();
        Changed(this);
    }
}

void TJPEGImage::Compress() {
    if (!GetBitmap())
        return;
    FBitmapIsSource = true;
    Encode();
}

TBitmap* TJPEGImage::GetBitmap() {
    if (!FBitmap && !FData.empty())
        Decode();
    return FBitmap.get();
}

const std::vector<uint8_t>& TJPEGImage::GetData() {
    if (FData.empty() && FBitmapIsSource && FBitmap)
        Encode();
    return FData;
}

void TJPEGImage::Decode() {
    TJpegImageDecoder d;
    JpegImageReadHeader(d, FData);
    jpeg_decompress_struct* info = &d.Info;
    const int32_t width = int32_t(info->image_width), height = int32_t(info->image_height);
    const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    const bool gray = FGrayscale || info->num_components == 1;
    // The library gives gray from gray, YCbCr and RGB data; CMYK is converted here, then made gray.
    info->out_color_space = cmyk ? JCS_CMYK : gray ? JCS_GRAYSCALE : JCS_EXT_BGR;
    info->do_block_smoothing = FSmoothing;
    if (FPerformance == jpBestSpeed) {
        info->dct_method = JDCT_IFAST;
        info->do_fancy_upsampling = FALSE;
    }
    const bool inverted = info->saw_Adobe_marker;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(width, height);
    // Gray and CMYK rows are decoded here and converted into the bitmap's rows.
    std::vector<uint8_t> samples(gray || cmyk ? size_t(width) * (cmyk ? 4 : 1) : 0);
    TBitmap* target = bitmap.get();
    const bool decoded = codecs::JpegTry(d.Errors, [&] {
        jpeg_start_decompress(info);
        while (info->output_scanline < info->output_height) {
            auto* row = static_cast<uint8_t*>(target->ScanLine(int32_t(info->output_scanline)));
            JSAMPROW into = samples.empty() ? row : samples.data();
            if (jpeg_read_scanlines(info, &into, 1) != 1)
                break;
            if (cmyk) {
                JpegImageCmykRow(samples.data(), row, width, inverted);
                if (gray)
                    JpegImageGrayInPlace(row, width);
            } else if (gray) {
                JpegImageGrayRow(samples.data(), row, width);
            }
        }
        jpeg_finish_decompress(info);
    });
    if (!decoded)
        d.Fail();
    FBitmap = std::move(bitmap);
    FBitmapIsSource = false;
}

void TJPEGImage::Encode() {
    TBitmap* source = FBitmap.get();
    TJpegImageEncoder e;
    jpeg_compress_struct* info = &e.Info;
    info->err = codecs::InitJpegErrorBridge(e.Errors);
    const int32_t quality = FQuality;
    const bool gray = FGrayscale, progressive = FProgressiveEncoding;
    const bool encoded = codecs::JpegTry(e.Errors, [&] {
        jpeg_create_compress(info);
        e.Created = true;
        jpeg_mem_dest(info, &e.Out, &e.OutSize);
        info->image_width = JDIMENSION(source->GetWidth());
        info->image_height = JDIMENSION(source->GetHeight());
        info->input_components = 3;
        info->in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(info);
        // Tables of baseline files: no entry above 255, whatever the quality.
        jpeg_set_quality(info, quality, TRUE);
        if (gray)
            jpeg_set_colorspace(info, JCS_GRAYSCALE);
        if (progressive)
            jpeg_simple_progression(info);
        jpeg_start_compress(info, TRUE);
        while (info->next_scanline < info->image_height) {
            JSAMPROW row = static_cast<JSAMPROW>(source->ScanLine(int32_t(info->next_scanline)));
            jpeg_write_scanlines(info, &row, 1);
        }
        jpeg_finish_compress(info);
    });
    if (!encoded)
        e.Fail();
    FData.assign(e.Out, e.Out + e.OutSize);
}

} // namespace vcl

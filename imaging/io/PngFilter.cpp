#include "imaging/io/PngFilter.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOCodecUtil.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

constexpr const char* PngCreateError = "Error on creating PNG";

// Runs one step of libpng under its jump target: an error inside jumps back here and the step reports
// false. The steps are small lambdas without objects to destroy.
template <typename F> bool PngTry(png_structp png, F&& step) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    step();
    return true;
}

// ---- Reading ---------------------------------------------------------------------------------------------

struct TPngReadContext {
    vcl::TStream* Stream = nullptr;
    TIKProgressContext* Progress = nullptr;
};

void PngErrorCallback(png_structp png, png_const_charp) {
    auto* ctx = static_cast<TPngReadContext*>(png_get_error_ptr(png));
    if (ctx && ctx->Progress)
        ctx->Progress->SetAborting();
    png_longjmp(png, 1);
}

void PngWarningCallback(png_structp, png_const_charp) {}

// A short read is an error: the library must never see bytes the file does not hold.
void PngReadDataCallback(png_structp png, png_bytep data, size_t length) {
    auto* ctx = static_cast<TPngReadContext*>(png_get_io_ptr(png));
    size_t got = 0;
    try {
        while (got < length) {
            const auto chunk = int32_t(std::min<size_t>(length - got, 1u << 30));
            const int32_t n = ctx->Stream->Read(data + got, chunk);
            if (n <= 0)
                break;
            got += size_t(n);
        }
    } catch (...) {
        got = 0;
    }
    if (got != length)
        png_error(png, "Read error");
}

struct TPngReader {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    ~TPngReader() {
        if (Png)
            png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr);
    }
};

int32_t PngDpi(uint32_t pixelsPerMetre, int32_t fallback) {
    const auto dpi = int32_t(vcl::Round(pixelsPerMetre / 100.0 * 2.54));
    return dpi != 0 ? dpi : fallback;
}

// The 8-bit value of a background sample at the file's bit depth.
uint8_t PngSampleTo8(uint16_t v, int bitDepth) {
    if (bitDepth == 16)
        return uint8_t(v >> 8);
    if (bitDepth < 8)
        return uint8_t(std::min<uint32_t>(v, (1u << bitDepth) - 1) * 255 / ((1u << bitDepth) - 1));
    return uint8_t(v);
}

// ---- Writing ---------------------------------------------------------------------------------------------

struct TPngWriteContext {
    vcl::TStream* Stream = nullptr;
    TIKProgressContext* Progress = nullptr;
};

void PngWriteErrorCallback(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void PngWriteDataCallback(png_structp png, png_bytep data, size_t length) {
    auto* ctx = static_cast<TPngWriteContext*>(png_get_io_ptr(png));
    int32_t put = 0;
    try {
        put = ctx->Stream->Write(data, int32_t(length));
    } catch (...) {
        put = -1;
    }
    if (put != int32_t(length))
        ctx->Progress->SetAborting();
}

void PngFlushCallback(png_structp) {}

struct TPngWriter {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    ~TPngWriter() {
        if (Png)
            png_destroy_write_struct(&Png, Info ? &Info : nullptr);
    }
};

} // namespace

bool IsPngStream(vcl::TStream* stream) {
    uint8_t sig[8] = {};
    const int32_t got = stream->Read(sig, 8);
    stream->Seek(-int64_t(std::max(got, 0)), vcl::soCurrent);
    return got >= 4 && png_sig_cmp(sig, 0, 4) == 0;
}

void DecodePngToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress, TIKReadMode mode, std::unique_ptr<TIKMask>& alphaMask,
                       TIKAlphaMode alphaMode) {
    TPngReadContext ctx{stream, &progress};
    TPngReader r;
    r.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx, PngErrorCallback, PngWarningCallback);
    if (!r.Png) {
        progress.SetAborting();
        return;
    }
    r.Info = png_create_info_struct(r.Png);
    if (!r.Info) {
        progress.SetAborting();
        return;
    }
    png_set_read_fn(r.Png, &ctx, PngReadDataCallback);
    png_structp png = r.Png;
    png_infop info = r.Info;

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    if (!PngTry(png, [&] {
            png_read_info(png, info);
            png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
        }))
        return;
    if (int64_t(width) * height > IOMaxImagePixels) {
        progress.SetAborting();
        return;
    }
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_colorp palette = nullptr;
    int paletteCount = 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE && !png_get_PLTE(png, info, &palette, &paletteCount))
        paletteCount = 0;

    // One-bit images stay one bit when their two colours are black and white (set bits white, inverted
    // for a white, black palette) and nothing is transparent; others decode to colour through the palette.
    bool oneBit = false, invert = false;
    if (bitDepth == 1 && !hasTrns) {
        if (colorType == PNG_COLOR_TYPE_GRAY) {
            oneBit = true;
        } else if (colorType == PNG_COLOR_TYPE_PALETTE && paletteCount == 2) {
            auto is = [&](int i, int v) {
                return palette[i].red == v && palette[i].green == v && palette[i].blue == v;
            };
            if (is(0, 0) && is(1, 255)) {
                oneBit = true;
            } else if (is(0, 255) && is(1, 0)) {
                oneBit = true;
                invert = true;
            }
        }
    }

    if (alphaMode == ikamIgnore) {
        png_color_16p background = nullptr;
        if (png_get_bKGD(png, info, &background) && background) {
            const int depth = colorType == PNG_COLOR_TYPE_PALETTE ? 8 : bitDepth;
            params.PngBackground =
                TIKColorTriple{PngSampleTo8(background->blue, depth), PngSampleTo8(background->green, depth),
                               PngSampleTo8(background->red, depth)};
            if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
                const uint8_t g = PngSampleTo8(background->gray, bitDepth);
                params.PngBackground = TIKColorTriple{g, g, g};
            }
        }
    }

    int passes = 1;
    if (!PngTry(png, [&] {
            if (!oneBit) {
                // Everything else becomes 8-bit B,G,R, with alpha when the file has any.
                png_set_expand(png);
                if (bitDepth == 16)
                    png_set_strip_16(png);
                if (bitDepth < 8)
                    png_set_packing(png);
                if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
                    png_set_gray_to_rgb(png);
                png_set_bgr(png);
            }
            passes = png_set_interlace_handling(png);
            png_read_update_info(png, info);
        }))
        return;

    params.Width = int32_t(width);
    params.Height = int32_t(height);
    params.BitsPerSample = bitDepth;
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        params.SamplesPerPixel = 1;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        params.SamplesPerPixel = 2;
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        params.SamplesPerPixel = 4;
        break;
    default:
        params.SamplesPerPixel = 3;
        break;
    }
    params.DpiX = PngDpi(png_get_x_pixels_per_meter(png, info), IKDefaultDpiX);
    params.DpiY = PngDpi(png_get_y_pixels_per_meter(png, info), IKDefaultDpiY);
    params.FreeColorMap();
    if (colorType == PNG_COLOR_TYPE_PALETTE && paletteCount > 0) {
        TIKColorTriple* map = params.NewColorMap(paletteCount);
        for (int i = 0; i < paletteCount; ++i)
            map[i] = TIKColorTriple{palette[i].blue, palette[i].green, palette[i].red};
    }
    params.PngInterlaced = interlace != PNG_INTERLACE_NONE ? 1 : 0;
    if (mode == ikrmParamsOnly)
        return;

    // Deflate codes at most 1032 bytes a byte: a file far too small for its image is refused before the
    // image is allocated.
    const int fileChannels = colorType == PNG_COLOR_TYPE_RGB          ? 3
                             : colorType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                             : colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                      : 1;
    const int64_t rawSize = ((int64_t(width) * bitDepth * fileChannels + 7) / 8 + 1) * height;
    const int64_t available = stream->GetSize() - stream->GetPosition();
    if (rawSize > (available + 1024) * 1032) {
        progress.SetAborting();
        return;
    }
    if (alphaMode == ikamKeep) {
        if (!alphaMask)
            alphaMask = std::make_unique<TIKMask>();
        alphaMask->Allocate(int32_t(width), int32_t(height), 8);
        alphaMask->Fill(255);
        alphaMask->SetFull(true);
    }
    // Rows read in one pass are each written or cleared here; the passes of an interlaced picture build on
    // a zeroed bitmap.
    if (passes == 1)
        bitmap->AllocateUncleared(int32_t(width), int32_t(height), oneBit ? ikbf1Bit : ikbf24Bit);
    else
        bitmap->Allocate(int32_t(width), int32_t(height), oneBit ? ikbf1Bit : ikbf24Bit);
    TIKRowClearer clearer(passes == 1 ? bitmap : nullptr);
    progress.RowsDone = 0;
    progress.PerRowStep = 100.0 / (double(height) * passes);
    const int channels = png_get_channels(png, info);
    TIKMask* mask = alphaMode == ikamIgnore ? nullptr : alphaMask.get();
    std::vector<uint8_t> rowBuffer;
    if (channels == 4) {
        rowBuffer.resize(size_t(width) * 4);
        if (mask)
            mask->SetFull(false);
    }
    bool stopped = false;
    for (int pass = 0; pass < passes && !stopped; ++pass) {
        for (int32_t y = 0; y < int32_t(height); ++y) {
            clearer.Reach(y);
            uint8_t* row = bitmap->ScanLine(y);
            bool ok;
            if (channels == 4) {
                // An interlaced pass fills in some pixels of a row: the buffer starts from what earlier
                // passes stored for this very row.
                uint8_t* buf = rowBuffer.data();
                const uint8_t* alpha = mask ? mask->ScanLine(y) : nullptr;
                for (uint32_t x = 0; x < width; ++x) {
                    std::memcpy(buf + x * 4, row + x * 3, 3);
                    buf[x * 4 + 3] = alpha ? alpha[x] : 255;
                }
                ok = PngTry(png, [&] { png_read_row(png, buf, nullptr); });
                uint8_t* alphaOut = mask ? mask->ScanLine(y) : nullptr;
                for (uint32_t x = 0; x < width; ++x) {
                    std::memcpy(row + x * 3, buf + x * 4, 3);
                    if (alphaOut)
                        alphaOut[x] = buf[x * 4 + 3];
                }
            } else {
                ok = PngTry(png, [&] { png_read_row(png, row, nullptr); });
            }
            if (!ok) {
                stopped = true;
                break;
            }
            progress.AdvanceRows();
            if (progress.IsAborting()) {
                stopped = true;
                break;
            }
        }
    }
    clearer.Finish();
    if (invert)
        IKInvertBitmap(bitmap);
    if (!progress.IsAborting())
        PngTry(png, [&] { png_read_end(png, nullptr); });
}

void EncodeBitmapToPng(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress, const TIKMask* alphaMask) {
    TPngWriteContext ctx{stream, &progress};
    TPngWriter w;
    w.Png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngWriteErrorCallback, PngWarningCallback);
    if (!w.Png)
        throw vcl::EInvalidGraphic(PngCreateError);
    w.Info = png_create_info_struct(w.Png);
    if (!w.Info)
        throw vcl::EInvalidGraphic(PngCreateError);
    png_structp png = w.Png;
    png_infop info = w.Info;
    png_set_write_fn(png, &ctx, PngWriteDataCallback, PngFlushCallback);

    // The working bitmap.
    std::unique_ptr<TIKBitmap> copy;
    TIKBitmap* work = bitmap;
    bool twoColorPalette = false;
    TIKColorTriple color0{}, color1{255, 255, 255};
    if (params.BitsPerSample == 1) {
        if (bitmap->PixelFormat() != ikbf1Bit) {
            std::unique_ptr<TIKBitmap> color;
            TIKBitmap* src = bitmap;
            if (bitmap->PixelFormat() != ikbf24Bit) {
                color = IOCopyTo24Bit(bitmap);
                src = color.get();
            }
            copy = IOTwoColorBitmap(src, color0, color1);
            if (copy)
                twoColorPalette = !(color0 == TIKColorTriple{} && color1 == TIKColorTriple{255, 255, 255});
            else
                copy = IOCopyToOneBit(src);
            work = copy.get();
        }
    } else if (bitmap->PixelFormat() != ikbf24Bit) {
        copy = IOCopyTo24Bit(bitmap);
        work = copy.get();
    }
    const int32_t width = work->Width(), height = work->Height();
    const bool oneBit = work->PixelFormat() == ikbf1Bit;
    const bool maskUsed = alphaMask && !alphaMask->GetFull() && alphaMask->GetWidth() >= width &&
                          alphaMask->GetHeight() >= height && alphaMask->GetBitsPerPixel() == 8;

    // A one-bit working bitmap is written as one-bit gray (or a two-entry palette for two colours that are
    // not black and white), whatever the sample count says.
    int colorType, depth = 8;
    if (oneBit) {
        colorType = twoColorPalette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_GRAY;
        depth = 1;
    } else if (params.SamplesPerPixel == 1) {
        colorType = PNG_COLOR_TYPE_PALETTE;
    } else {
        colorType = maskUsed ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    }
    const bool paletted = colorType == PNG_COLOR_TYPE_PALETTE && !oneBit;

    std::unique_ptr<TIOPalette> quantizer;
    std::vector<png_color> pngPalette;
    if (paletted) {
        const int32_t bits = std::clamp(params.BitsPerSample, 1, 8);
        const int32_t n = std::min(1 << bits, 255);
        quantizer = std::make_unique<TIOPalette>(work, n);
        pngPalette.push_back({params.PngBackground.R, params.PngBackground.G, params.PngBackground.B});
        for (const TIKColorTriple& c : quantizer->Colors())
            pngPalette.push_back({c.R, c.G, c.B});
    } else if (twoColorPalette) {
        pngPalette = {{color0.R, color0.G, color0.B}, {color1.R, color1.G, color1.B}};
    }

    const TIKColorTriple twoColors[2] = {color0, color1};
    int passes = 1;
    const bool ok = PngTry(png, [&] {
        png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), depth, colorType,
                     params.PngInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (!pngPalette.empty())
            png_set_PLTE(png, info, pngPalette.data(), int(pngPalette.size()));
        if (paletted && maskUsed) {
            png_byte transparent = 0;
            png_set_tRNS(png, info, &transparent, 1, nullptr);
        }
        png_set_pHYs(png, info, png_uint_32(std::max<int64_t>(0, vcl::Round(params.DpiX * 100 / 2.54))),
                     png_uint_32(std::max<int64_t>(0, vcl::Round(params.DpiY * 100 / 2.54))),
                     PNG_RESOLUTION_METER);
        switch (params.PngFilter) {
        case ikpfNone:
            png_set_filter(png, 0, PNG_FILTER_NONE);
            break;
        case ikpfSub:
            png_set_filter(png, 0, PNG_FILTER_SUB);
            break;
        case ikpfPaeth:
            png_set_filter(png, 0, PNG_FILTER_PAETH);
            break;
        default:
            break;
        }
        png_color_16 background{};
        if (paletted) {
            background.index = png_byte(quantizer->Index(params.PngBackground) + 1);
        } else if (twoColorPalette) {
            background.index = png_byte(IONearestIndex(twoColors, 2, params.PngBackground));
        } else if (colorType != PNG_COLOR_TYPE_GRAY) {
            background.red = params.PngBackground.R;
            background.green = params.PngBackground.G;
            background.blue = params.PngBackground.B;
        }
        png_set_bKGD(png, info, &background);
        png_set_compression_level(png, std::clamp(params.PngCompression, 0, 9));
        if (!oneBit)
            png_set_bgr(png);
        png_write_info(png, info);
        passes = png_set_interlace_handling(png);
    });
    if (!ok)
        throw vcl::EInvalidGraphic(PngCreateError);

    progress.RowsDone = 0;
    progress.PerRowStep = height > 0 ? 100.0 / (double(passes) * height) : 0;
    std::vector<uint8_t> buffer;
    if (paletted)
        buffer.resize(size_t(width));
    else if (colorType == PNG_COLOR_TYPE_RGB_ALPHA)
        buffer.resize(size_t(width) * 4);
    bool stop = false;
    for (int pass = 0; pass < passes && !stop; ++pass) {
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* row = work->ScanLine(y);
            const uint8_t* out = row;
            if (paletted) {
                const uint8_t* alpha = maskUsed ? alphaMask->ScanLine(y) : nullptr;
                for (int32_t x = 0; x < width; ++x)
                    buffer[size_t(x)] =
                        alpha && alpha[x] < 255
                            ? 0
                            : uint8_t(quantizer->Index({row[x * 3], row[x * 3 + 1], row[x * 3 + 2]}) + 1);
                out = buffer.data();
            } else if (colorType == PNG_COLOR_TYPE_RGB_ALPHA) {
                const uint8_t* alpha = alphaMask->ScanLine(y);
                for (int32_t x = 0; x < width; ++x) {
                    std::memcpy(&buffer[size_t(x) * 4], row + x * 3, 3);
                    buffer[size_t(x) * 4 + 3] = alpha[x];
                }
                out = buffer.data();
            }
            if (!PngTry(png, [&] { png_write_row(png, out); }))
                throw vcl::EInvalidGraphic(PngCreateError);
            progress.AdvanceRows();
            if (progress.IsAborting()) {
                stop = true;
                break;
            }
        }
    }
    if (!progress.IsAborting() && !PngTry(png, [&] { png_write_end(png, nullptr); }))
        throw vcl::EInvalidGraphic(PngCreateError);
}

} // namespace imaging

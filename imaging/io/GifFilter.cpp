#include "imaging/io/GifFilter.h"

#include "gif/GifTypes.h"
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOCodecUtil.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

// Bytes of the GIF stream, every read checked against the stream's end.
struct TGifFilterInput {
    vcl::TStream* Stream;
    bool Ended = false;

    int32_t Byte() {
        uint8_t b = 0;
        if (Stream->Read(&b, 1) != 1) {
            Ended = true;
            return -1;
        }
        return b;
    }
    bool Bytes(uint8_t* p, int32_t n) {
        if (n <= 0)
            return true;
        if (Stream->Read(p, n) != n) {
            Ended = true;
            return false;
        }
        return true;
    }
    // Skips data sub-blocks up to their terminator (or the end of the stream).
    void SkipSubBlocks() {
        for (;;) {
            const int32_t n = Byte();
            if (n <= 0)
                return;
            const int64_t left = Stream->GetSize() - Stream->GetPosition();
            if (n > left) {
                Stream->Seek(0, vcl::soEnd);
                Ended = true;
                return;
            }
            Stream->Seek(n, vcl::soCurrent);
        }
    }
    std::vector<TIKColorTriple> Table(int32_t entries) {
        std::vector<uint8_t> raw(size_t(entries) * 3);
        std::vector<TIKColorTriple> table;
        if (!Bytes(raw.data(), int32_t(raw.size())))
            return table;
        table.resize(size_t(entries));
        for (int32_t i = 0; i < entries; ++i)
            table[size_t(i)] = {raw[size_t(i) * 3 + 2], raw[size_t(i) * 3 + 1], raw[size_t(i) * 3]};
        return table;
    }
};

bool GifFilterDecodeImage(TGifFilterInput& in, const uint8_t* descriptor,
                          const std::vector<TIKColorTriple>& palette, int32_t tableBits,
                          const uint8_t control[4], TIKBitmap* bitmap, TIOParamsVals& params,
                          TIKProgressContext& progress, TIKReadMode mode, std::unique_ptr<TIKMask>& alphaMask,
                          TIKAlphaMode alphaMode) {
    progress.Report(30);
    if (progress.IsAborting())
        return false;
    const int32_t width = IOGetLE16(descriptor + 4), height = IOGetLE16(descriptor + 6);
    const bool interlaced = (descriptor[8] & 0x40) != 0;
    const bool transparent = (control[0] & 1) != 0;
    const int32_t transparentIndex = control[3];
    params.GifTransparentColor =
        transparentIndex < int32_t(palette.size()) ? palette[size_t(transparentIndex)] : TIKColorTriple{};
    params.GifXPosition = IOGetLE16(descriptor);
    params.GifYPosition = IOGetLE16(descriptor + 2);
    params.Width = width;
    params.Height = height;
    params.GifDelay = IOGetLE16(control + 1);
    params.GifTransparent = transparent ? 1 : 0;
    params.GifInterlaced = interlaced ? 1 : 0;

    std::vector<uint8_t> pixels;
    if (mode == ikrmParamsOnly) {
        in.Stream->Seek(1, vcl::soCurrent); // the code size byte
        in.SkipSubBlocks();
    } else {
        // An image without pixels or without any colour table cannot be shown. The GIF codec's memory
        // rule bounds the image by what the data left in the stream can produce, so a tiny file cannot
        // make the reader allocate a huge image.
        const int64_t pixelCount = int64_t(width) * height;
        const int64_t available = in.Stream->GetSize() - in.Stream->GetPosition();
        int64_t budgetUsed = 0;
        if (width == 0 || height == 0 || palette.empty() || pixelCount > IOMaxImagePixels ||
            !gif::GifChargeFramePixels(pixelCount, available, budgetUsed)) {
            progress.SetAborting();
            return false;
        }
        TGifLzwDecoderProc decoder = params.EffectiveGifLzwDecoder();
        pixels.resize(size_t(width) * size_t(height));
        const int64_t before = in.Stream->GetPosition();
        const bool ok = decoder && decoder(in.Stream, height, width, interlaced, pixels.data());
        if (!decoder || in.Stream->GetPosition() == before || !ok) {
            progress.SetAborting();
            return false;
        }
        progress.Report(70);
        if (progress.IsAborting())
            return false;
    }
    TIKColorTriple* map = params.NewColorMap(int32_t(palette.size()));
    std::copy(palette.begin(), palette.end(), map);
    params.BitsPerSample = tableBits;
    if (mode == ikrmParamsOnly)
        return true;

    const TIKColorTriple black{}, white{255, 255, 255};
    const bool oneBit = tableBits == 1 && palette.size() == 2 && palette[0] == black && palette[1] == white;
    bitmap->Allocate(width, height, oneBit ? ikbf1Bit : ikbf24Bit);
    TIKMask* mask = nullptr;
    if (alphaMode == ikamKeep) {
        if (!alphaMask)
            alphaMask = std::make_unique<TIKMask>();
        alphaMask->Allocate(width, height, 8);
        alphaMask->Fill(255);
        alphaMask->SetFull(true);
        mask = alphaMask.get();
    }
    const auto paletteCount = int32_t(palette.size());
    bool badIndex = false;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* src = pixels.data() + size_t(y) * size_t(width);
        uint8_t* row = bitmap->ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            const int32_t index = src[x];
            if (index >= paletteCount)
                badIndex = true;
            if (oneBit) {
                IKPutBit(row, x, index == 1);
            } else {
                const TIKColorTriple c = index < paletteCount ? palette[size_t(index)] : TIKColorTriple{};
                row[x * 3] = c.B;
                row[x * 3 + 1] = c.G;
                row[x * 3 + 2] = c.R;
            }
        }
        if (mask && transparent) {
            uint8_t* alpha = mask->ScanLine(y);
            for (int32_t x = 0; x < width; ++x)
                if (src[x] == transparentIndex) {
                    alpha[x] = 0;
                    mask->SetFull(false);
                }
        }
    }
    // Indexes beyond the colour table: the file is damaged (those pixels were made black).
    if (badIndex)
        progress.SetAborting();
    return true;
}

} // namespace

void DecodeGifToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, int32_t& imageCount, TIOParamsVals& params,
                       TIKProgressContext& progress, TIKReadMode mode, std::unique_ptr<TIKMask>& alphaMask,
                       TIKAlphaMode alphaMode) {
    imageCount = 0;
    progress.Report(0);
    if (progress.IsAborting())
        return;
    TGifFilterInput in{stream};
    uint8_t control[4] = {};
    uint8_t header[13];
    if (!in.Bytes(header, 13) || header[0] != 'G' || header[1] != 'I' || header[2] != 'F') {
        progress.SetAborting();
        return;
    }
    params.GifVersion.assign(reinterpret_cast<const char*>(header), 6);
    params.GifVersion.push_back('\0');
    params.GifScreenWidth = IOGetLE16(header + 6);
    params.GifScreenHeight = IOGetLE16(header + 8);
    params.GifAspectRatio = header[12];
    params.DpiX = IKDefaultDpiX;
    params.DpiY = IKDefaultDpiY;
    params.SamplesPerPixel = 1;
    std::vector<TIKColorTriple> global;
    int32_t globalBits = 0;
    if (header[10] & 0x80) {
        globalBits = (header[10] & 7) + 1;
        global = in.Table(1 << globalBits);
        if (global.empty()) {
            progress.SetAborting();
            return;
        }
        if (header[11] < global.size())
            params.GifBackground = global[header[11]];
    }
    if (stream->GetPosition() >= stream->GetSize()) {
        progress.SetAborting();
        return;
    }
    bool selectedRead = false;
    while (!progress.IsAborting()) {
        const int32_t b = in.Byte();
        if (b < 0 || b == 0x3B)
            break;
        if (b == 0x21) {
            const int32_t label = in.Byte();
            if (label == 0xF9 && imageCount == params.GifImageIndex) {
                uint8_t block[6];
                if (!in.Bytes(block, 6))
                    break;
                std::memcpy(control, block + 1, 4);
                if (block[5] != 0) // more sub-blocks than the four bytes
                    in.SkipSubBlocks();
            } else if (label == 0xFE) {
                // The sub-blocks of one comment extension make one text, up to its first NUL.
                std::string text;
                bool ended = false;
                for (;;) {
                    const int32_t n = in.Byte();
                    if (n <= 0)
                        break;
                    std::string part(size_t(n), '\0');
                    if (!in.Bytes(reinterpret_cast<uint8_t*>(part.data()), n))
                        break;
                    if (!ended) {
                        const size_t nul = part.find('\0');
                        text += part.substr(0, nul);
                        ended = nul != std::string::npos;
                    }
                }
                if (!text.empty())
                    params.GifComments.push_back(text);
            } else if (label >= 0) {
                in.SkipSubBlocks();
            }
        } else if (b == 0x2C) {
            uint8_t descriptor[9];
            if (!in.Bytes(descriptor, 9))
                break;
            std::vector<TIKColorTriple> local;
            int32_t localBits = 0;
            if (descriptor[8] & 0x80) {
                localBits = (descriptor[8] & 7) + 1;
                local = in.Table(1 << localBits);
                if (local.empty())
                    break;
            }
            if (imageCount == params.GifImageIndex) {
                selectedRead = true;
                const bool useLocal = !local.empty();
                if (!GifFilterDecodeImage(in, descriptor, useLocal ? local : global,
                                          useLocal ? localBits : globalBits, control, bitmap, params,
                                          progress, mode, alphaMask, alphaMode))
                    break;
            } else {
                in.Stream->Seek(1, vcl::soCurrent);
                in.SkipSubBlocks();
            }
            ++imageCount;
        }
        // Any other byte is ignored.
    }
    params.GifImageCount = imageCount;
    // An index beyond the file's images gives its counts and comments, but no image: that is a failure.
    if (!selectedRead)
        progress.SetAborting();
    if (!progress.IsAborting())
        progress.Report(100);
}

void DecodeGifFileToBitmap(const std::string& fileName, TIKBitmap* bitmap, int32_t& imageCount,
                           TIOParamsVals& params, TIKProgressContext& progress,
                           std::unique_ptr<TIKMask>& alphaMask, TIKAlphaMode alphaMode) {
    vcl::TFileStream stream(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
    DecodeGifToBitmap(&stream, bitmap, imageCount, params, progress, ikrmImage, alphaMask, alphaMode);
}

void EncodeBitmapToGif(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress) {
    progress.Report(0);
    if (progress.IsAborting())
        return;
    bool aborting = false;
    auto write = [&](const void* data, size_t count) {
        if (count > 0)
            IKWriteStreamChecked(stream, aborting, data, int32_t(count));
        if (aborting)
            progress.SetAborting();
    };
    const int32_t bits = std::clamp(params.BitsPerSample, 1, 8);
    const int32_t colors = 1 << bits;
    const int32_t width = bitmap->Width(), height = bitmap->Height();
    std::vector<TIKColorTriple> palette(size_t(colors), TIKColorTriple{});
    std::vector<uint8_t> indexes(size_t(width) * size_t(height));
    std::unique_ptr<TIOPalette> quantizer;
    {
        std::unique_ptr<TIKBitmap> converted;
        TIKBitmap* source = bitmap;
        if (bits == 1) {
            palette[1] = {255, 255, 255};
            if (bitmap->PixelFormat() != ikbf1Bit) {
                std::unique_ptr<TIKBitmap> color;
                TIKBitmap* c24 = bitmap;
                if (bitmap->PixelFormat() != ikbf24Bit) {
                    color = IOCopyTo24Bit(bitmap);
                    c24 = color.get();
                }
                converted = IOTwoColorBitmap(c24, palette[0], palette[1]);
                if (!converted) {
                    palette[0] = {};
                    palette[1] = {255, 255, 255};
                    converted = IOCopyToOneBit(c24);
                }
                source = converted.get();
            }
        } else if (bitmap->PixelFormat() != ikbf24Bit) {
            converted = IOCopyTo24Bit(bitmap);
            source = converted.get();
        }
        if (source->PixelFormat() == ikbf24Bit) {
            quantizer = std::make_unique<TIOPalette>(source, colors);
            palette = quantizer->Colors();
        }
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* row = source->ScanLine(y);
            uint8_t* out = indexes.data() + size_t(y) * size_t(width);
            for (int32_t x = 0; x < width; ++x)
                out[x] = quantizer ? uint8_t(quantizer->Index({row[x * 3], row[x * 3 + 1], row[x * 3 + 2]}))
                                   : uint8_t(IKTestBit(row, x) ? 1 : 0);
        }
    }
    auto indexOf = [&](TIKColorTriple c) {
        return quantizer ? quantizer->Index(c) : IONearestIndex(palette.data(), colors, c);
    };
    progress.Report(30);
    if (progress.IsAborting())
        return;

    uint8_t header[13] = {};
    const std::string version = params.GifVersion.size() >= 6 && params.GifVersion.compare(0, 3, "GIF") == 0
                                    ? params.GifVersion.substr(0, 6)
                                    : std::string("GIF89a");
    std::memcpy(header, version.data(), 6);
    header[6] = uint8_t(width);
    header[7] = uint8_t(width >> 8);
    header[8] = uint8_t(height);
    header[9] = uint8_t(height >> 8);
    header[10] = uint8_t(0x80 + (bits - 1) * 16 + (bits - 1));
    header[11] = uint8_t(indexOf(params.GifBackground));
    write(header, 13);
    std::vector<uint8_t> table;
    for (const TIKColorTriple& c : palette)
        table.insert(table.end(), {c.R, c.G, c.B});
    write(table.data(), table.size());
    const uint8_t control[8] = {0x21,
                                0xF9,
                                4,
                                uint8_t((params.GifTransparent ? 1 : 0) + 8),
                                uint8_t(params.GifDelay),
                                uint8_t(params.GifDelay >> 8),
                                uint8_t(indexOf(params.GifTransparentColor)),
                                0};
    write(control, 8);
    const uint8_t descriptor[10] = {0x2C,
                                    uint8_t(params.GifXPosition),
                                    uint8_t(params.GifXPosition >> 8),
                                    uint8_t(params.GifYPosition),
                                    uint8_t(params.GifYPosition >> 8),
                                    uint8_t(width),
                                    uint8_t(width >> 8),
                                    uint8_t(height),
                                    uint8_t(height >> 8),
                                    uint8_t(params.GifInterlaced ? 0x40 : 0)};
    write(descriptor, 10);
    progress.Report(70);
    if (progress.IsAborting())
        return;
    TGifLzwEncoderProc encoder = params.EffectiveGifLzwEncoder();
    if (!encoder || !encoder(stream, height, width, params.GifInterlaced != 0, indexes.data(), bits)) {
        progress.SetAborting();
        return;
    }
    // Comments: one extension a line, in sub-blocks of at most 255 bytes; an empty extension without any.
    std::vector<uint8_t> tail;
    bool anyComment = false;
    for (const std::string& line : params.GifComments) {
        if (line.empty())
            continue;
        anyComment = true;
        tail.insert(tail.end(), {0x21, 0xFE});
        for (size_t at = 0; at < line.size(); at += 255) {
            const size_t n = std::min<size_t>(255, line.size() - at);
            tail.push_back(uint8_t(n));
            tail.insert(tail.end(), line.begin() + ptrdiff_t(at), line.begin() + ptrdiff_t(at + n));
        }
        tail.push_back(0);
    }
    if (!anyComment)
        tail.insert(tail.end(), {0x21, 0xFE, 0});
    tail.push_back(0x3B);
    write(tail.data(), tail.size());
    progress.Report(100);
}

void EncodeBitmapToGifFile(const std::string& fileName, TIKBitmap* bitmap, TIOParamsVals& params,
                           TIKProgressContext& progress) {
    try {
        vcl::SaveFileSafely(fileName, [&](vcl::TStream& stream) {
            EncodeBitmapToGif(&stream, bitmap, params, progress);
            if (progress.IsAborting())
                throw vcl::EAbort();
        });
    } catch (const vcl::EAbort&) {
        progress.SetAborting();
    }
}

} // namespace imaging

// ikconvert: reads an image through the imaging library's filter of its format (every format the I/O
// component reads: TIFF, GIF, JPEG, PCX, BMP, ICO, CUR, PNG, TGA, PNM, JPEG 2000; chosen by the file's
// signature, else by its extension) or a PAM file, and writes it as a PAM file (RGB_ALPHA) or through the
// JPEG, PNG, BMP or GIF filter (chosen by the output's extension). OUT.tif is a one-strip 24-bit TIFF file
// whose strip the library's TIFF LZW encoder codes, for checking that coder against other TIFF readers.
//   ikconvert IN OUT.pam
//   ikconvert [options] IN OUT.jpg|.png|.bmp|.gif|.tif
// Options: -bits N, -samples N (BitsPerSample, SamplesPerPixel), -quality N, -colorspace N (JPEG),
// -interlace, -rle, -version N (BMP header), -index N (GIF image to read), -progressive.
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/BmpFilter.h"
#include "imaging/io/GifFilter.h"
#include "imaging/io/IOFormatRegistry.h"
#include "imaging/io/IOLzw.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/IcoFilter.h"
#include "imaging/io/Jpeg2000Filter.h"
#include "imaging/io/JpegFilter.h"
#include "imaging/io/PcxFilter.h"
#include "imaging/io/PngFilter.h"
#include "imaging/io/PnmFilter.h"
#include "imaging/io/TgaFilter.h"
#include "imaging/io/TiffRead.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "tools/ToolBatch.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace imaging;

namespace {

struct TImage {
    TIKBitmap Bitmap;
    std::unique_ptr<TIKMask> Mask;
};

std::string Extension(const std::string& name) {
    const size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// The header of a netpbm file: P1 to P6 (width, height and, except for bitmaps, the largest sample) or P7
// (WIDTH, HEIGHT, DEPTH, MAXVAL and TUPLTYPE lines up to ENDHDR). Error names what is wrong with it.
struct TNetpbmHeader {
    std::string Magic;
    int32_t Width = 0, Height = 0, Depth = 0, MaxVal = 255;
    size_t DataStart = 0;
    std::string Error;
};

TNetpbmHeader ParseNetpbmHeader(const std::vector<uint8_t>& b) {
    TNetpbmHeader h;
    size_t p = 0;
    auto token = [&]() {
        std::string t;
        while (p < b.size()) {
            if (b[p] == '#' && t.empty()) {
                while (p < b.size() && b[p] != '\n')
                    ++p;
            } else if (std::isspace(b[p])) {
                if (!t.empty())
                    break;
                ++p;
            } else {
                t += char(b[p++]);
            }
        }
        return t;
    };
    // A decimal number from 1 to INT32_MAX; anything else names the field in the error.
    auto number = [&](const char* field, int32_t& value) {
        const std::string t = token();
        int64_t v = 0;
        bool ok = !t.empty() && t.size() <= 10;
        for (char c : t)
            ok = ok && std::isdigit(static_cast<unsigned char>(c));
        if (ok)
            v = std::stoll(t);
        if (!ok || v < 1 || v > INT32_MAX) {
            if (h.Error.empty())
                h.Error = std::string(field) + " is \"" + t + "\", not a number from 1 to 2147483647";
            return;
        }
        value = int32_t(v);
    };
    h.Magic = token();
    if (h.Magic == "P7") {
        bool ended = false;
        for (std::string t = token(); !t.empty(); t = token()) {
            if (t == "ENDHDR") {
                ended = true;
                break;
            }
            if (t == "WIDTH")
                number("WIDTH", h.Width);
            else if (t == "HEIGHT")
                number("HEIGHT", h.Height);
            else if (t == "DEPTH")
                number("DEPTH", h.Depth);
            else if (t == "MAXVAL")
                number("MAXVAL", h.MaxVal);
            else if (t == "TUPLTYPE")
                token();
            else if (h.Error.empty())
                h.Error = "unknown header line \"" + t + "\"";
        }
        if (!ended && h.Error.empty())
            h.Error = "no ENDHDR line";
        if (h.Error.empty() && (h.Width == 0 || h.Height == 0 || h.Depth == 0))
            h.Error = "WIDTH, HEIGHT or DEPTH is missing";
    } else if (h.Magic.size() == 2 && h.Magic[0] == 'P' && h.Magic[1] >= '1' && h.Magic[1] <= '6') {
        number("the width", h.Width);
        number("the height", h.Height);
        if (h.Magic != "P1" && h.Magic != "P4")
            number("the largest sample", h.MaxVal);
        h.Depth = h.Magic == "P3" || h.Magic == "P6" ? 3 : 1;
    } else {
        h.Error = "the magic number \"" + h.Magic + "\" is not P1 to P7";
    }
    h.DataStart = std::min(p + 1, b.size());
    return h;
}

std::vector<uint8_t> ReadAll(vcl::TStream& s) {
    std::vector<uint8_t> b(size_t(s.GetSize()));
    s.SetPosition(0);
    if (!b.empty())
        s.ReadBuffer(b.data(), int32_t(b.size()));
    s.SetPosition(0);
    return b;
}

// A PAM file (P7, depth 1 to 4, largest sample 255) into a 24-bit bitmap and, with alpha, a mask.
bool ReadPam(const std::string& name, vcl::TStream& s, TImage& image) {
    const std::vector<uint8_t> b = ReadAll(s);
    const TNetpbmHeader h = ParseNetpbmHeader(b);
    std::string error = h.Error;
    if (error.empty() && (h.Depth > 4 || h.MaxVal != 255))
        error = "only depths 1 to 4 with MAXVAL 255 are read";
    if (error.empty() && int64_t(h.Width) * h.Height * h.Depth > int64_t(b.size() - h.DataStart))
        error = "the pixel data is shorter than the header says";
    if (!error.empty()) {
        std::fprintf(stderr, "ikconvert: %s: bad PAM header: %s\n", name.c_str(), error.c_str());
        return false;
    }
    const int32_t width = h.Width, height = h.Height, depth = h.Depth;
    const size_t p = h.DataStart;
    image.Bitmap.Allocate(width, height, ikbf24Bit);
    const bool alpha = depth == 2 || depth == 4;
    if (alpha) {
        image.Mask = std::make_unique<TIKMask>();
        image.Mask->Allocate(width, height, 8);
    }
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = image.Bitmap.ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* px = &b[p + (size_t(y) * size_t(width) + size_t(x)) * size_t(depth)];
            const bool gray = depth <= 2;
            row[x * 3] = gray ? px[0] : px[2];
            row[x * 3 + 1] = gray ? px[0] : px[1];
            row[x * 3 + 2] = px[0];
            if (alpha)
                image.Mask->ScanLine(y)[x] = px[depth - 1];
        }
    }
    return true;
}

// Reads the file through the filter of the format its content shows (its extension when the content does
// not tell, as for Targa files): every format the I/O component reads, and PAM files.
bool Read(const std::string& name, TImage& image, TIOParamsVals& params) {
    vcl::TFileStream s(name, vcl::fmOpenRead);
    uint8_t sig[2] = {};
    s.Read(sig, 2);
    s.SetPosition(0);
    if (sig[0] == 'P' && sig[1] == '7')
        return ReadPam(name, s, image);
    int32_t format = FindStreamFormat(&s);
    if (format == ikfUnknown)
        if (const TIKFormatEntry* entry = FindFormatEntryByExtension(Extension(name)))
            format = entry->FormatId;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    int32_t count = 0;
    switch (format) {
    case ikfTiff:
        DecodeTiffToBitmap(&image.Bitmap, &s, count, params, progress, ikrmImage, &image.Mask, ikamKeep);
        break;
    case ikfGif:
        DecodeGifToBitmap(&s, &image.Bitmap, count, params, progress, ikrmImage, image.Mask, ikamKeep);
        break;
    case ikfJpeg:
        DecodeJpegToBitmap(&s, nullptr, &image.Bitmap, params, progress, ikrmImage, ikjoConverted);
        break;
    case ikfPcx:
        DecodePcxToBitmap(&s, &image.Bitmap, params, s.GetSize(), progress, ikrmImage);
        break;
    case ikfBmp:
        DecodeBmpToBitmap(&s, &image.Bitmap, s.GetSize(), params, progress, ikrmImage, &image.Mask, ikamKeep);
        break;
    case ikfIco:
        DecodeIcoToBitmap(&s, &image.Bitmap, params, ikrmImage, progress, image.Mask, ikamKeep);
        break;
    case ikfCur:
        DecodeCurToBitmap(&s, &image.Bitmap, params, ikrmImage, progress, image.Mask, ikamKeep);
        break;
    case ikfPng:
        DecodePngToBitmap(&s, &image.Bitmap, params, progress, ikrmImage, image.Mask, ikamKeep);
        break;
    case ikfTga:
        DecodeTgaToBitmap(&s, &image.Bitmap, params, progress, ikrmImage, image.Mask, ikamKeep);
        break;
    case ikfPnm:
        DecodePnmToBitmap(&s, &image.Bitmap, params, progress, ikrmImage);
        if (aborting) {
            const TNetpbmHeader h = ParseNetpbmHeader(ReadAll(s));
            if (!h.Error.empty()) {
                std::fprintf(stderr, "ikconvert: %s: bad PNM header: %s\n", name.c_str(), h.Error.c_str());
                return false;
            }
        }
        break;
    case ikfJp2:
    case ikfJ2k:
        DecodeJpeg2000ToBitmap(&s, &image.Bitmap, params, progress, ikrmImage);
        break;
    default:
        std::fprintf(stderr, "ikconvert: %s: unknown format\n", name.c_str());
        return false;
    }
    if (aborting) {
        std::fprintf(stderr, "ikconvert: %s: the file could not be read\n", name.c_str());
        return false;
    }
    return true;
}

void WritePam(const std::string& name, TImage& image) {
    const int32_t w = image.Bitmap.Width(), h = image.Bitmap.Height();
    std::string header = "P7\nWIDTH " + std::to_string(w) + "\nHEIGHT " + std::to_string(h) +
                         "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::vector<uint8_t> out(header.begin(), header.end());
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const TIKColorTriple c = image.Bitmap.PixelColor(x, y);
            out.insert(out.end(), {c.R, c.G, c.B, uint8_t(image.Mask ? image.Mask->GetPixel(x, y) : 255)});
        }
    }
    vcl::SaveFileSafely(name, [&](vcl::TStream& s) { s.WriteBuffer(out.data(), int32_t(out.size())); });
}

// A little-endian TIFF file: one strip of R,G,B rows coded by the library's TIFF LZW encoder.
bool WriteLzwTiff(vcl::TStream& s, TImage& image) {
    const int32_t w = image.Bitmap.Width(), h = image.Bitmap.Height();
    vcl::TMemoryStream strip;
    void* state = nullptr;
    std::vector<uint8_t> row(size_t(w) * 3);
    bool ok = true;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* src = image.Bitmap.ScanLine(y);
        for (int32_t x = 0; x < w; ++x) {
            row[size_t(x) * 3] = src[x * 3 + 2];
            row[size_t(x) * 3 + 1] = src[x * 3 + 1];
            row[size_t(x) * 3 + 2] = src[x * 3];
        }
        ok = IOTiffLzwEncode(row.data(), int32_t(row.size()), &strip, state) && ok;
    }
    ok = IOTiffLzwEncode(nullptr, 0, &strip, state) && ok;
    std::vector<uint8_t> f = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&](uint32_t v) { f.insert(f.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    auto put32 = [&](uint32_t v) {
        f.insert(f.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    };
    constexpr uint32_t entries = 10;
    const uint32_t bitsAt = 8 + 2 + entries * 12 + 4, dataAt = bitsAt + 6;
    auto tag = [&](uint32_t id, uint32_t type, uint32_t count, uint32_t value) {
        put16(id);
        put16(type);
        put32(count);
        put32(value);
    };
    put16(entries);
    tag(256, 4, 1, uint32_t(w));               // width
    tag(257, 4, 1, uint32_t(h));               // height
    tag(258, 3, 3, bitsAt);                    // 8 bits a sample
    tag(259, 3, 1, 5);                         // LZW
    tag(262, 3, 1, 2);                         // RGB
    tag(273, 4, 1, dataAt);                    // strip offset
    tag(277, 3, 1, 3);                         // samples a pixel
    tag(278, 4, 1, uint32_t(h));               // rows a strip
    tag(279, 4, 1, uint32_t(strip.GetSize())); // strip size
    tag(284, 3, 1, 1);                         // chunky
    put32(0);
    put16(8);
    put16(8);
    put16(8);
    const auto* data = static_cast<const uint8_t*>(strip.Memory());
    f.insert(f.end(), data, data + strip.GetSize());
    s.WriteBuffer(f.data(), int32_t(f.size()));
    return ok;
}

bool Write(const std::string& name, TImage& image, TIOParamsVals& params) {
    const std::string ext = Extension(name);
    if (ext == "pam") {
        WritePam(name, image);
        return true;
    }
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    vcl::TMemoryStream s;
    if (ext == "jpg" || ext == "jpeg")
        EncodeBitmapToJpeg(&s, &image.Bitmap, params, progress);
    else if (ext == "png")
        EncodeBitmapToPng(&s, &image.Bitmap, params, progress, image.Mask.get());
    else if (ext == "bmp")
        EncodeBitmapToBmp(&s, &image.Bitmap, params, progress);
    else if (ext == "gif")
        EncodeBitmapToGif(&s, &image.Bitmap, params, progress);
    else if (ext == "tif" || ext == "tiff") {
        if (image.Bitmap.PixelFormat() != ikbf24Bit) {
            std::fprintf(stderr, "ikconvert: %s: a TIFF file is written from a colour image only\n",
                         name.c_str());
            return false;
        }
        if (!WriteLzwTiff(s, image))
            progress.SetAborting();
    } else {
        std::fprintf(stderr, "ikconvert: %s: unknown output format\n", name.c_str());
        return false;
    }
    if (aborting) {
        std::fprintf(stderr, "ikconvert: %s: the image could not be written\n", name.c_str());
        return false;
    }
    vcl::SaveFileSafely(name, [&](vcl::TStream& out) { out.WriteBuffer(s.Memory(), int32_t(s.GetSize())); });
    return true;
}

} // namespace

// One run of the tool; main runs it once or, with --batch, once per line of a list (tools/ToolBatch.h).
static int Run(int argc, char** argv) {
    TIOParamsVals readParams;
    TIOParamsVals writeParams;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto number = [&]() { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
        if (a == "-bits")
            writeParams.BitsPerSample = number();
        else if (a == "-samples")
            writeParams.SamplesPerPixel = number();
        else if (a == "-quality")
            writeParams.JpegQuality = number();
        else if (a == "-colorspace")
            writeParams.JpegColorSpace = uint8_t(number());
        else if (a == "-interlace")
            writeParams.PngInterlaced = writeParams.GifInterlaced = 1;
        else if (a == "-progressive")
            writeParams.JpegProgressive = 1;
        else if (a == "-rle")
            writeParams.BmpCompression = ikbcRle;
        else if (a == "-version")
            writeParams.BmpVersion = uint8_t(number());
        else if (a == "-index")
            readParams.GifImageIndex = number();
        else
            files.push_back(a);
    }
    if (files.size() != 2) {
        std::fprintf(stderr, "usage: ikconvert [options] IN OUT.pam|.jpg|.png|.bmp|.gif|.tif\n"
                             "       ikconvert --batch LIST\n");
        return 2;
    }
    try {
        TImage image;
        if (!Read(files[0], image, readParams))
            return 1;
        return Write(files[1], image, writeParams) ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ikconvert: %s\n", e.what());
        return 1;
    }
}

int main(int argc, char** argv) {
    const int batch = tools::RunBatch(argc, argv, Run);
    return batch >= 0 ? batch : Run(argc, argv);
}

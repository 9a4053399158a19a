// iktiff: the imaging library's TIFF reader and writer from the command line, for the checks against other
// programs' TIFF tools.
//   iktiff IN.tif OUT.pam [--page N] [--orient]   a page as an RGBA PAM (alpha 255 where it has none);
//                                                 --orient turns it by its orientation tag
//   iktiff --info IN.tif [--page N]               the page's parameters, one "name value" a line
//   iktiff --write IN.pam OUT.tif [--compression N] [--photometric N] [--bits N] [--samples N]
//                                                 a PAM or PPM written as TIFF with those parameters
// Exits with 1 and a message when a file cannot be read or written.
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOLzw.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/TiffRead.h"
#include "imaging/io/TiffWrite.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "tools/ToolBatch.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace imaging;

namespace {

int IktiffFail(const std::string& message) {
    std::fprintf(stderr, "iktiff: %s\n", message.c_str());
    return 1;
}

void IktiffWritePam(const std::string& name, TIKBitmap& bitmap, TIKMask* mask) {
    const int32_t w = bitmap.Width(), h = bitmap.Height();
    std::string header = "P7\nWIDTH " + std::to_string(w) + "\nHEIGHT " + std::to_string(h) +
                         "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::vector<uint8_t> out(header.begin(), header.end());
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = bitmap.ScanLine(y);
        const uint8_t* alpha =
            mask && mask->GetWidth() == w && mask->GetHeight() == h ? mask->ScanLine(y) : nullptr;
        for (int32_t x = 0; x < w; ++x) {
            uint8_t r, g, b;
            if (bitmap.PixelFormat() == ikbf1Bit) {
                r = g = b = IKTestBit(row, x) ? 255 : 0;
            } else {
                TIKColorTriple c = bitmap.PixelColor(x, y);
                r = c.R, g = c.G, b = c.B;
            }
            out.insert(out.end(), {r, g, b, alpha ? alpha[x] : uint8_t(255)});
        }
    }
    vcl::SaveFileSafely(name, [&](vcl::TStream& s) { s.WriteBuffer(out.data(), int32_t(out.size())); });
}

// A P7 (RGB or RGB_ALPHA, alpha dropped; GRAYSCALE) or P6 file of 8-bit samples into a 24-bit bitmap.
void IktiffReadPam(const std::string& name, TIKBitmap& bitmap) {
    vcl::TMemoryStream file;
    file.LoadFromFile(name);
    const char* p = static_cast<const char*>(file.Memory());
    std::string text(p, size_t(file.GetSize()));
    int32_t w = 0, h = 0, depth = 3, maxval = 255;
    size_t dataStart = 0;
    if (text.rfind("P7", 0) == 0) {
        size_t end = text.find("ENDHDR\n");
        if (end == std::string::npos)
            throw vcl::Exception("not a PAM file");
        std::istringstream in(text.substr(3, end - 3));
        std::string key;
        while (in >> key) {
            if (key == "WIDTH")
                in >> w;
            else if (key == "HEIGHT")
                in >> h;
            else if (key == "DEPTH")
                in >> depth;
            else if (key == "MAXVAL")
                in >> maxval;
            else
                in.ignore(1 << 20, '\n');
        }
        dataStart = end + 7;
    } else if (text.rfind("P6", 0) == 0) {
        std::istringstream in(text.substr(2));
        in >> w >> h >> maxval;
        dataStart = 2 + size_t(in.tellg()) + 1;
    } else {
        throw vcl::Exception("not a PAM or PPM file");
    }
    if (w <= 0 || h <= 0 || maxval != 255 || depth < 1 || depth > 4 ||
        dataStart + size_t(w) * size_t(h) * size_t(depth) > text.size())
        throw vcl::Exception("unsupported or truncated PAM file");
    bitmap.Allocate(w, h, ikbf24Bit);
    const uint8_t* src = reinterpret_cast<const uint8_t*>(text.data() + dataStart);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int32_t x = 0; x < w; ++x, src += depth) {
            bool gray = depth <= 2;
            row[3 * x] = gray ? src[0] : src[2];
            row[3 * x + 1] = gray ? src[0] : src[1];
            row[3 * x + 2] = src[0];
        }
    }
}

} // namespace

// One run of the tool; main runs it once or, with --batch, once per line of a list (tools/ToolBatch.h).
static int Run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    auto option = [&](const std::string& name, int32_t def) {
        for (size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == name)
                return int32_t(std::stol(args[i + 1]));
        return def;
    };
    auto flag = [&](const std::string& name) {
        for (const auto& a : args)
            if (a == name)
                return true;
        return false;
    };
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: iktiff IN.tif OUT.pam [--page N] [--orient]\n"
                             "       iktiff --info IN.tif [--page N]\n"
                             "       iktiff --write IN.pam OUT.tif [--compression N] [--photometric N] "
                             "[--bits N] [--samples N]\n"
                             "       iktiff --batch LIST\n");
        return 2;
    }
    TiffLzwDecoderHook = IOTiffLzwDecode;
    TiffLzwEncoderHook = IOTiffLzwEncode;
    try {
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        TIOParamsVals params;
        if (args[0] == "--write") {
            if (args.size() < 3)
                return IktiffFail("--write needs IN.pam and OUT.tif");
            TIKBitmap bitmap;
            IktiffReadPam(args[1], bitmap);
            params.TiffCompression = uint8_t(option("--compression", 0));
            params.TiffPhotometric = uint8_t(option("--photometric", 2));
            params.BitsPerSample = option("--bits", 8);
            params.SamplesPerPixel = option("--samples", 3);
            params.DpiX = params.DpiY = 72;
            vcl::SaveFileSafely(args[2], [&](vcl::TStream& s) {
                EncodeBitmapToTiff(&s, &bitmap, params, progress);
                if (aborting)
                    throw vcl::Exception("the TIFF writer failed");
            });
            return 0;
        }
        const bool info = args[0] == "--info";
        const std::string in = info ? args[1] : args[0];
        params.TiffImageIndex = option("--page", 0);
        params.TiffApplyOrientation = flag("--orient") ? 1 : 0;
        vcl::TFileStream stream(in, vcl::fmOpenRead);
        TIKBitmap bitmap;
        std::unique_ptr<TIKMask> mask;
        int32_t pages = 0;
        DecodeTiffToBitmap(&bitmap, &stream, pages, params, progress, info ? ikrmParamsOnly : ikrmImage,
                           &mask, ikamKeep);
        if (info) {
            std::printf("pages %d\nwidth %d\nheight %d\nbits %d\nsamples %d\ncompression %d\nphotometric %d\n"
                        "dpi %d %d\norientation %d\npage %d %d\ndocument %s\ndescription %s\npagename %s\n"
                        "aborting %d\n",
                        pages, params.Width, params.Height, params.BitsPerSample, params.SamplesPerPixel,
                        params.TiffCompression, params.TiffPhotometric, params.DpiX, params.DpiY,
                        params.TiffOrientation, params.TiffPageNumber, params.TiffPageCount,
                        params.TiffDocumentName.c_str(), params.TiffImageDescription.c_str(),
                        params.TiffPageName.c_str(), aborting ? 1 : 0);
            return 0;
        }
        if (aborting)
            return IktiffFail("cannot read page " + std::to_string(params.TiffImageIndex) + " of " + in);
        if (args.size() < 2)
            return IktiffFail("no output file");
        IktiffWritePam(args[1], bitmap, mask.get());
    } catch (const std::exception& e) {
        return IktiffFail(e.what());
    }
    return 0;
}

int main(int argc, char** argv) {
    const int batch = tools::RunBatch(argc, argv, Run);
    return batch >= 0 ? batch : Run(argc, argv);
}

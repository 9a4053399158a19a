// ikdecode IN OUT [options]: reads IN through the imaging library's format registry (the format found from
// the content, else from the extension) and writes OUT: an RGBA PAM (P7, TUPLTYPE RGB_ALPHA; alpha 255 where
// the image has none) when OUT ends in ".pam", else the format of OUT's extension. Used by the checks against
// other programs' decoders and encoders.
// Options: --index N (icon, cursor or GIF image to read), --bits N and --samples N (the depth to write),
// --raw (no run-length coding), --gray (gray Targa and JPEG 2000 files), --rate R (JPEG 2000 rate).
// Exits with 1 and a message when a file cannot be read or written.
#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOFormatRegistry.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "tools/ToolBatch.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace {

std::string IkdecodeExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return path.substr(dot + 1);
}

void IkdecodeWritePam(const std::string& path, imaging::TIKBitmap& bitmap) {
    const int32_t w = bitmap.Width();
    const int32_t h = bitmap.Height();
    std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const imaging::TIKColorTriple c = bitmap.PixelColor(x, y);
            uint8_t* p = rgba.data() + (size_t(y) * size_t(w) + size_t(x)) * 4;
            p[0] = c.R;
            p[1] = c.G;
            p[2] = c.B;
            p[3] = 255;
        }
    if (bitmap.HasAlphaChannel()) {
        imaging::TIKBitmap* alpha = bitmap.GetAlphaChannel();
        for (int32_t y = 0; y < h && y < alpha->Height(); ++y)
            for (int32_t x = 0; x < w && x < alpha->Width(); ++x)
                rgba[(size_t(y) * size_t(w) + size_t(x)) * 4 + 3] = alpha->PixelColor(x, y).G;
    }
    const std::string header = "P7\nWIDTH " + std::to_string(w) + "\nHEIGHT " + std::to_string(h) +
                               "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    vcl::SaveFileSafely(path, [&](vcl::TStream& stream) {
        stream.WriteBuffer(header.data(), int32_t(header.size()));
        if (!rgba.empty())
            stream.WriteBuffer(rgba.data(), int32_t(rgba.size()));
    });
}

} // namespace

// One run of the tool; main runs it once or, with --batch, once per line of a list (tools/ToolBatch.h).
static int Run(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: ikdecode IN OUT [--index N] [--bits N] [--samples N] [--raw] [--gray] "
                             "[--rate R]\n       ikdecode --batch LIST\n");
        return 2;
    }
    const std::string input = argv[1];
    const std::string output = argv[2];
    try {
        std::atomic<bool> aborting{false};
        imaging::TIKProgressContext progress(aborting);
        imaging::TIOParamsVals params;
        for (int i = 3; i < argc; ++i) {
            const std::string option = argv[i];
            const bool valued =
                option == "--index" || option == "--bits" || option == "--samples" || option == "--rate";
            if (valued && i + 1 >= argc) {
                std::fprintf(stderr, "ikdecode: %s needs a value\n", option.c_str());
                return 2;
            }
            if (option == "--raw") {
                params.TgaCompressed = 0;
                params.PcxCompression = imaging::ikpcNone;
            } else if (option == "--gray") {
                params.TgaGrayLevel = 1;
                params.Jpeg2000ColorSpace = imaging::ikj2Gray;
            } else if (option == "--index") {
                params.IcoImageIndex = params.CurImageIndex = params.GifImageIndex = std::atoi(argv[++i]);
            } else if (option == "--rate") {
                params.Jpeg2000Rate = std::atof(argv[++i]);
            } else if (option == "--bits") {
                params.BitsPerSample = std::atoi(argv[++i]);
            } else if (option == "--samples") {
                params.SamplesPerPixel = std::atoi(argv[++i]);
            } else {
                std::fprintf(stderr, "ikdecode: unknown option %s\n", option.c_str());
                return 2;
            }
        }
        const int32_t bitsWanted = params.BitsPerSample;
        const int32_t samplesWanted = params.SamplesPerPixel;
        int32_t id = imaging::FindFileFormat(input, false);
        const imaging::TIKFormatEntry* entry =
            id != 0 ? imaging::FindFormatEntryById(id)
                    : imaging::FindFormatEntryByExtension(IkdecodeExtension(input));
        if (!entry || !entry->Read) {
            std::fprintf(stderr, "ikdecode: %s: unknown format\n", input.c_str());
            return 1;
        }
        imaging::TIKBitmap bitmap;
        {
            vcl::TFileStream stream(input, vcl::fmOpenRead | vcl::fmShareDenyWrite);
            entry->Read(&stream, &bitmap, params, progress, imaging::ikrmImage);
        }
        if (aborting || bitmap.Width() <= 0) {
            std::fprintf(stderr, "ikdecode: %s: cannot read the image\n", input.c_str());
            return 1;
        }
        const std::string ext = IkdecodeExtension(output);
        if (ext == "pam") {
            IkdecodeWritePam(output, bitmap);
            return 0;
        }
        const imaging::TIKFormatEntry* writer = imaging::FindFormatEntryByExtension(ext);
        if (!writer || !writer->Write) {
            std::fprintf(stderr, "ikdecode: %s: no writer for this extension\n", output.c_str());
            return 1;
        }
        params.BitsPerSample = bitsWanted;
        params.SamplesPerPixel = samplesWanted;
        vcl::SaveFileSafely(output, [&](vcl::TStream& stream) {
            writer->Write(&stream, &bitmap, params, progress);
            if (aborting)
                throw vcl::EWriteError("the image could not be written");
        });
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ikdecode: %s\n", e.what());
        return 1;
    }
}

int main(int argc, char** argv) {
    const int batch = tools::RunBatch(argc, argv, Run);
    return batch >= 0 ? batch : Run(argc, argv);
}

// picdump [--io | --imagekit] FILE OUT.pam: loads FILE through the class library's picture classes when one is registered
// for its extension (BMP, icons, GIF, metafiles drawn at their own size on white), otherwise, and for every
// format it reads when --io is given (JPEG, PNG, TIFF, GIF, BMP, PCX, TGA, PNM, icons, cursors, JPEG 2000,
// metafiles through the metafile import), through the imaging library's I/O component by its extension; and
// writes its pixels as an RGBA PAM (P7, TUPLTYPE RGB_ALPHA; alpha 255 where the picture has none). Used by
// the checks against other programs' decoders. With --imagekit it takes the editor's road for image files of
// other formats instead: a TImageKit (on the headless screen) loads the file by its extension, reduces it to
// 256 colours (ConvertTo(256, false)) and hands out its bitmap, whose pixels are written. Exits with 1 and a
// message when the file cannot be read or written.
#include "imaging/core/ImageKit.h"
#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOComponent.h"
#include "imaging/io/IOFormatRegistry.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Streams.h"
#include "tools/ToolBatch.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

// The picture's pixels as R, G, B, A rows from the top.
std::vector<uint8_t> PicdumpPixels(vcl::TGraphic* graphic, int32_t& width, int32_t& height) {
    std::vector<uint8_t> rgba;
    auto fromDib = [&](const vcl::TDibFormat& format, auto rowAt) {
        width = format.Width;
        height = format.Height;
        rgba.resize(size_t(width) * size_t(height) * 4);
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* row = rowAt(y);
            uint8_t* out = rgba.data() + size_t(y) * size_t(width) * 4;
            for (int32_t x = 0; x < width; ++x) {
                uint8_t alpha = 255;
                uint32_t c = vcl::DibPixelColor(format, row, x, &alpha);
                out[4 * x] = uint8_t(c >> 16);
                out[4 * x + 1] = uint8_t(c >> 8);
                out[4 * x + 2] = uint8_t(c);
                out[4 * x + 3] = alpha;
            }
        }
    };
    if (auto* icon = dynamic_cast<vcl::TIcon*>(graphic)) {
        const vcl::TDibImage& image = icon->GetImage();
        fromDib(image.Format, [&](int32_t y) { return image.TopRow(y); });
        return rgba;
    }
    vcl::TBitmap converted;
    auto* bitmap = dynamic_cast<vcl::TBitmap*>(graphic);
    if (dynamic_cast<vcl::TMetafile*>(graphic)) {
        // A metafile shows white where it draws nothing.
        converted.SetPixelFormat(vcl::pf24bit);
        converted.SetSize(graphic->GetWidth(), graphic->GetHeight());
        converted.GetCanvas()->GetBrush()->SetColor(vcl::clWhite);
        converted.GetCanvas()->FillRect(vcl::Rect(0, 0, graphic->GetWidth(), graphic->GetHeight()));
        converted.GetCanvas()->Draw(0, 0, graphic);
        bitmap = &converted;
    } else if (!bitmap) {
        // Any other picture class is drawn onto a 32-bit bitmap.
        converted.SetPixelFormat(vcl::pf32bit);
        converted.Assign(graphic);
        bitmap = &converted;
    }
    fromDib(bitmap->GetDibFormat(),
            [&](int32_t y) { return static_cast<const uint8_t*>(bitmap->ScanLine(y)); });
    return rgba;
}

// The image's pixels as R, G, B, A rows from the top; its alpha channel where it has one.
std::vector<uint8_t> PicdumpPixels(imaging::TIKBitmap& image) {
    const int32_t width = image.Width(), height = image.Height();
    std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4, 255);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* out = rgba.data() + size_t(y) * size_t(width) * 4;
        for (int32_t x = 0; x < width; ++x) {
            const imaging::TIKColorTriple c = image.PixelColor(x, y);
            out[4 * x] = c.R;
            out[4 * x + 1] = c.G;
            out[4 * x + 2] = c.B;
        }
        if (image.HasAlphaChannel()) {
            const uint8_t* alpha = image.GetAlphaChannel()->ScanLine(y);
            for (int32_t x = 0; x < width; ++x)
                out[4 * x + 3] = alpha[x];
        }
    }
    return rgba;
}

// Whether the I/O component has a reader for the file's extension (metafiles only with --io: without it they
// are left to the pictures).
bool PicdumpImagingReads(const std::string& fileName, bool forceIO) {
    const int32_t id = imaging::TImageKitIO::FormatIdOfExtension(fileName);
    if (id == imaging::ikfWmf || id == imaging::ikfEmf)
        return forceIO;
    if (id == imaging::ikfUnknown)
        return false;
    const imaging::TIKFormatEntry* entry = imaging::FindFormatEntryById(id);
    return id <= imaging::ikfJ2k || (entry && entry->Read && entry->Read != imaging::NoFormatRead);
}

// The editor's road: load by extension, 256 colours, the view's bitmap.
std::vector<uint8_t> PicdumpImageKit(const std::string& fileName, int32_t& width, int32_t& height) {
    static headless::HeadlessScreen screen;
    imaging::TImageKit kit(nullptr);
    kit.LoadFromFileByExtension(fileName);
    if (kit.GetIO()->GetAborting())
        throw vcl::EInvalidGraphic("the image cannot be read");
    kit.ConvertTo(256, false);
    vcl::TBitmap* bitmap = kit.GetBitmap();
    if (!bitmap || bitmap->GetWidth() <= 0 || bitmap->GetHeight() <= 0)
        throw vcl::EInvalidGraphic("the image is empty");
    return PicdumpPixels(bitmap, width, height);
}

} // namespace

// One run of the tool; main runs it once or, with --batch, once per line of a list (tools/ToolBatch.h).
static int Run(int argc, char** argv) {
    const bool forceIO = argc == 4 && std::string(argv[1]) == "--io";
    const bool imageKit = argc == 4 && std::string(argv[1]) == "--imagekit";
    if (argc != 3 && !forceIO && !imageKit) {
        std::fprintf(stderr, "usage: picdump [--io | --imagekit] FILE OUT.pam\n       picdump --batch LIST\n");
        return 2;
    }
    const char* fileName = argv[argc - 2];
    const char* outName = argv[argc - 1];
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;
    try {
        const bool viaIO =
            imageKit ? false
            : forceIO ? PicdumpImagingReads(fileName, true)
                    : !vcl::TPicture::CreateForFileName(fileName) && PicdumpImagingReads(fileName, false);
        if (imageKit) {
            rgba = PicdumpImageKit(fileName, width, height);
        } else if (viaIO) {
            imaging::TImageKitIO io;
            const int32_t id = imaging::TImageKitIO::FormatIdOfExtension(fileName);
            if (id == imaging::ikfWmf || id == imaging::ikfEmf)
                io.SetBackground(0xFFFFFF); // metafiles on white, as through the pictures
            io.LoadFromFileByExtension(fileName);
            imaging::TIKBitmap* image = io.GetIKBitmap();
            if (io.GetAborting() || !image || image->Width() <= 0 || image->Height() <= 0)
                throw vcl::EInvalidGraphic("the image cannot be read");
            width = image->Width();
            height = image->Height();
            rgba = PicdumpPixels(*image);
        } else {
            vcl::TPicture picture;
            picture.LoadFromFile(fileName);
            vcl::TGraphic* graphic = picture.GetGraphic();
            if (!graphic || graphic->GetEmpty())
                throw vcl::EInvalidGraphic("the picture is empty");
            rgba = PicdumpPixels(graphic, width, height);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "picdump: %s: %s\n", fileName, e.what());
        return 1;
    }
    try {
        const std::string header = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " +
                                   std::to_string(height) +
                                   "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
        vcl::SaveFileSafely(outName, [&](vcl::TStream& stream) {
            stream.WriteBuffer(header.data(), int32_t(header.size()));
            for (size_t at = 0; at < rgba.size(); at += size_t(1) << 30) {
                const size_t n = std::min(rgba.size() - at, size_t(1) << 30);
                stream.WriteBuffer(rgba.data() + at, int32_t(n));
            }
        });
    } catch (const std::exception& e) {
        std::fprintf(stderr, "picdump: %s: %s\n", outName, e.what());
        return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    const int batch = tools::RunBatch(argc, argv, Run);
    return batch >= 0 ? batch : Run(argc, argv);
}

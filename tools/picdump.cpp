// picdump FILE OUT.pam: loads FILE through TPicture by its extension, or through the imaging library's I/O
// component for the formats no picture class reads (JPEG, PNG, TIFF, PCX, TGA, PNM, JPEG 2000 ...), and
// writes its pixels as an RGBA PAM (P7, TUPLTYPE RGB_ALPHA; alpha 255 where the picture has none). Used by
// the checks against other programs' decoders. Exits with 1 and a message when the file cannot be read or
// written.
#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOComponent.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphics.h"

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
    if (!bitmap) {
        // Any other picture class is drawn onto a 32-bit bitmap.
        converted.SetPixelFormat(vcl::pf32bit);
        converted.Assign(graphic);
        bitmap = &converted;
    }
    fromDib(bitmap->GetDibFormat(),
            [&](int32_t y) { return static_cast<const uint8_t*>(bitmap->ScanLine(y)); });
    return rgba;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: picdump FILE OUT.pam\n");
        return 2;
    }
    try {
        vcl::TPicture picture;
        vcl::TBitmap loaded;
        vcl::TGraphic* graphic = nullptr;
        if (vcl::TPicture::CreateForFileName(argv[1])) {
            picture.LoadFromFile(argv[1]);
            graphic = picture.GetGraphic();
        } else {
            imaging::TImageKitIO io;
            io.LoadFromFileByExtension(argv[1]);
            if (io.GetAborting() || io.GetIKBitmap()->Width() <= 0)
                throw vcl::EInvalidGraphic("the image cannot be read");
            io.GetIKBitmap()->CopyToTBitmap(&loaded);
            graphic = &loaded;
        }
        if (!graphic || graphic->GetEmpty())
            throw vcl::EInvalidGraphic("the picture is empty");
        int32_t width = 0, height = 0;
        std::vector<uint8_t> rgba = PicdumpPixels(graphic, width, height);
        std::string header = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
                             "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
        std::FILE* out = std::fopen(argv[2], "wb");
        if (!out)
            throw vcl::EFCreateError(std::string("cannot create ") + argv[2]);
        bool ok = std::fwrite(header.data(), 1, header.size(), out) == header.size() &&
                  std::fwrite(rgba.data(), 1, rgba.size(), out) == rgba.size();
        ok = std::fclose(out) == 0 && ok;
        if (!ok)
            throw vcl::EWriteError(std::string("cannot write ") + argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "picdump: %s: %s\n", argv[1], e.what());
        return 1;
    }
    return 0;
}

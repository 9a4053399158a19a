// swfslides OUT.swf RATE IMAGE.bmp:MS [IMAGE.bmp:MS ...]
// Makes a slide-show movie from BMP images the way the editor's Flash export does: the movie takes the
// first image's size and the given rate, each image is added as a bitmap shown for MS milliseconds, and
// the movie is rendered and saved compressed.
// swfslides --batch LIST: many such runs in one process (tools/ToolBatch.h).
#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Exceptions.h"
#include "platform/win/gdi/Gdi.h"
#include "swf/BMPReader.h"
#include "swf/SWFSlideShowCreator.h"
#include "tools/ToolBatch.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A DIB section holding the BMP file's pixels, as the editor hands its frames over.
win::HBITMAP MakeDibSection(const swf::TBMPReader& image) {
    const vcl::TDibFormat& f = image.GetFormat();
    std::vector<uint8_t> block(sizeof(win::BITMAPINFOHEADER) + 256 * sizeof(win::RGBQUAD));
    auto* info = reinterpret_cast<win::BITMAPINFO*>(block.data());
    info->bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
    info->bmiHeader.biWidth = f.Width;
    info->bmiHeader.biHeight = f.Height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = f.BitCount;
    info->bmiHeader.biCompression = f.BitCount == 16 ? win::BI_BITFIELDS : win::BI_RGB;
    if (f.BitCount == 16) {
        uint32_t masks[3] = {f.RedMask, f.GreenMask, f.BlueMask};
        std::memcpy(info->bmiColors, masks, sizeof masks);
    }
    for (size_t i = 0; i < f.Colors.size() && i < 256; ++i) {
        win::RGBQUAD& q = info->bmiColors[i];
        q.rgbRed = uint8_t(f.Colors[i] >> 16);
        q.rgbGreen = uint8_t(f.Colors[i] >> 8);
        q.rgbBlue = uint8_t(f.Colors[i]);
    }
    if (f.BitCount <= 8)
        info->bmiHeader.biClrUsed = uint32_t(f.Colors.size());
    void* bits = nullptr;
    win::HBITMAP bitmap = win::CreateDIBSection(nullptr, info, win::DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits)
        throw vcl::EOutOfResources("Cannot create a bitmap");
    std::memcpy(bits, image.GetRow(0), size_t(f.ImageBytes()));
    return bitmap;
}

int Usage() {
    std::fprintf(stderr, "usage: swfslides OUT.swf RATE IMAGE.bmp:MS [IMAGE.bmp:MS ...]\n");
    return 2;
}

} // namespace

static int Run(int argc, char** argv) {
    if (argc < 4)
        return Usage();
    const std::string out = argv[1];
    const int rate = std::atoi(argv[2]);
    try {
        swf::TSWFSlideShowCreator creator;
        for (int i = 3; i < argc; ++i) {
            std::string arg = argv[i];
            size_t colon = arg.rfind(':');
            if (colon == std::string::npos)
                return Usage();
            std::string path = arg.substr(0, colon);
            int delay = std::atoi(arg.c_str() + colon + 1);
            swf::TBMPReader image;
            image.LoadFromFile(path);
            if (i == 3)
                creator.CreateMovie(image.GetHeight(), image.GetWidth(), rate);
            win::HBITMAP bitmap = MakeDibSection(image);
            try {
                creator.AddImage(bitmap, delay);
            } catch (...) {
                win::DeleteObject(bitmap);
                throw;
            }
            win::DeleteObject(bitmap);
        }
        creator.MakeStream();
        creator.SaveToFile(out);
    } catch (const vcl::Exception& e) {
        std::fprintf(stderr, "swfslides: %s\n", e.what());
        return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    const int batch = tools::RunBatch(argc, argv, Run);
    return batch >= 0 ? batch : Run(argc, argv);
}

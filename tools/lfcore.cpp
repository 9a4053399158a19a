// lfcore: what the look-and-feel library draws and computes, written out for independent checks
// (tests/external/lookandfeel_core.sh compares it with ImageMagick and with a script written from the
// formulas).
//   lfcore rotate DIR   in.bmp, a 3 by 2 bitmap of unique pixels, and rot-A-F.bmp for each angle A (0-3)
//                       and flip F (0, 1) of TlkCanvas::RotateBitmap
//   lfcore grip DIR     grip-C.bmp: the cell PaintSizeGrip draws for corner C (0-3)
//   lfcore colors FILE  one answer per line of FILE:
//                         mix A B P                   -> MixColors (colours as 0xBBGGRR)
//                         blend F H W FACE HI WINDOW  -> GetBlendedSystemColor with those system colours
//                         gradient L FROM TO          -> FillGradientRect over L pixels, every pixel
//                         twostage L FROM TO P        -> FillTwoStageGradientRect at percent P, every pixel
#include "lookandfeel/lkLookAndFeels.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Metrics.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace resources {
void RegisterResources();
}

namespace {

using lookandfeel::TColor;

vcl::TBitmap* NewBitmap(int w, int h) {
    auto* b = new vcl::TBitmap;
    b->SetPixelFormat(vcl::pf24bit);
    b->SetSize(w, h);
    return b;
}

int Rotate(const std::string& dir) {
    auto unique = [](int x, int y) { return TColor((40 + 60 * x) | ((30 + 100 * y) << 8) | ((200 - 50 * x - 70 * y) << 16)); };
    std::unique_ptr<vcl::TBitmap> source(NewBitmap(3, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            source->GetCanvas()->SetPixel(x, y, unique(x, y));
    source->SaveToFile(dir + "/in.bmp");
    for (int angle = 0; angle < 4; ++angle)
        for (int flip = 0; flip < 2; ++flip) {
            std::unique_ptr<vcl::TBitmap> b(NewBitmap(3, 2));
            b->Assign(source.get());
            lookandfeel::TlkCanvas::RotateBitmap(b.get(), angle, flip != 0);
            b->SaveToFile(dir + "/rot-" + std::to_string(angle) + "-" + std::to_string(flip) + ".bmp");
        }
    return 0;
}

int Grip(const std::string& dir) {
    // A cell wider than high, so that a wrong mirror shows.
    win::SetSystemMetricOverride(win::SM_CXVSCROLL, 17);
    win::SetSystemMetricOverride(win::SM_CYHSCROLL, 13);
    for (int corner = 0; corner < 4; ++corner) {
        std::unique_ptr<vcl::TBitmap> canvas(NewBitmap(40, 30));
        canvas->GetCanvas()->GetBrush()->SetColor(0x102030);
        canvas->GetCanvas()->FillRect({0, 0, 40, 30});
        win::TRect rect{3, 2, 37, 27};
        lookandfeel::PaintSizeGrip(canvas->GetCanvas()->GetHandle(), rect, lookandfeel::TxbSizeGripCorner(corner));
        std::unique_ptr<vcl::TBitmap> cell(NewBitmap(rect.Right - rect.Left, rect.Bottom - rect.Top));
        cell->GetCanvas()->CopyRect({0, 0, rect.Right - rect.Left, rect.Bottom - rect.Top}, canvas->GetCanvas(), rect);
        cell->SaveToFile(dir + "/grip-" + std::to_string(corner) + ".bmp");
    }
    return 0;
}

void PrintRow(vcl::TBitmap* b, int length) {
    win::HDC dc = b->GetCanvas()->GetHandle();
    for (int x = 0; x < length; ++x)
        std::printf("%s%06x", x ? " " : "", unsigned(win::GetPixel(dc, x, 0)));
    std::printf("\n");
}

int Colors(const std::string& file) {
    std::ifstream in(file);
    if (!in) {
        std::fprintf(stderr, "lfcore: cannot read %s\n", file.c_str());
        return 1;
    }
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string op;
        words >> op;
        if (op == "mix") {
            long a, b, p;
            words >> a >> b >> p;
            std::printf("%06x\n", unsigned(lookandfeel::MixColors(TColor(a), TColor(b), int32_t(p))));
        } else if (op == "blend") {
            long f, h, w, face, hi, window;
            words >> f >> h >> w >> face >> hi >> window;
            const int elements[] = {win::COLOR_BTNFACE, win::COLOR_HIGHLIGHT, win::COLOR_WINDOW};
            const win::COLORREF values[] = {win::COLORREF(face), win::COLORREF(hi), win::COLORREF(window)};
            win::SetSysColors(3, elements, values);
            std::printf("%06x\n", unsigned(lookandfeel::GetBlendedSystemColor(int32_t(f), int32_t(h), int32_t(w))));
        } else if (op == "gradient" || op == "twostage") {
            long length, from, to, percent = 0;
            words >> length >> from >> to;
            if (op == "twostage")
                words >> percent;
            std::unique_ptr<vcl::TBitmap> b(NewBitmap(int(length), 1));
            win::HDC dc = b->GetCanvas()->GetHandle();
            if (op == "gradient") {
                lookandfeel::FillGradientRect(dc, {0, 0, int(length), 1}, TColor(from), true, TColor(to));
            } else {
                lookandfeel::Office11GradientPercent = int32_t(percent);
                lookandfeel::FillTwoStageGradientRect(dc, {0, 0, int(length), 1}, TColor(from), true, TColor(to));
            }
            PrintRow(b.get(), int(length));
        } else if (!op.empty()) {
            std::fprintf(stderr, "lfcore: unknown line: %s\n", line.c_str());
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: lfcore rotate DIR | grip DIR | colors FILE\n");
        return 2;
    }
    try {
        resources::RegisterResources();
        headless::HeadlessScreen screen;
        const std::string mode = argv[1];
        if (mode == "rotate")
            return Rotate(argv[2]);
        if (mode == "grip")
            return Grip(argv[2]);
        if (mode == "colors")
            return Colors(argv[2]);
        std::fprintf(stderr, "lfcore: unknown mode %s\n", mode.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lfcore: %s\n", e.what());
        return 1;
    }
}

// Text drawing on a 1024 x 768 32-bit DIB: DrawText of word-wrapped paragraphs and of one-line captions,
// TextOut, rotated text and measurement. The reference is FreeType itself rendering and blending every
// glyph of the same text without a cache; the ratio shows what the layer's glyph cache buys.
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/FontsEngine.h"
#include "platform/win/gdi/Gdi.h"

#include <benchmark/benchmark.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

using namespace win;

namespace {

constexpr int BenchWidth = 1024, BenchHeight = 768;

const char* const BenchParagraph =
    "Loomwick keeps every frame of an animation as a bitmap with its own palette, delay and disposal. "
    "The optimiser looks for the smallest rectangle that changed between frames, crops the frame to it "
    "and lets the earlier image show through the transparent colour. Palettes are reduced with a "
    "median cut or an octree and dithered with Floyd and Steinberg's error diffusion. ";

struct BenchDib {
    HDC Dc;
    HBITMAP Bitmap;
    HGDIOBJ OldBitmap;
    HFONT Font;
    HGDIOBJ OldFont;
    explicit BenchDib(int escapement = 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = BenchWidth;
        info.bmiHeader.biHeight = BenchHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        Bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        std::memset(bits, 0xFF, size_t(BenchWidth) * BenchHeight * 4);
        Dc = CreateCompatibleDC(nullptr);
        OldBitmap = SelectObject(Dc, Bitmap);
        Font = CreateFont(-11, 0, escapement, escapement, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                          "MS Sans Serif");
        OldFont = SelectObject(Dc, Font);
        SetBkMode(Dc, TRANSPARENT);
        SetTextColor(Dc, RGB(0, 0, 0));
    }
    ~BenchDib() {
        SelectObject(Dc, OldFont);
        SelectObject(Dc, OldBitmap);
        DeleteObject(Font);
        DeleteDC(Dc);
        DeleteObject(Bitmap);
    }
};

std::string BenchPage() {
    std::string page;
    while (page.size() < 6000)
        page += BenchParagraph;
    return page;
}

void BM_DrawTextWordWrapped(benchmark::State& state) {
    BenchDib dib;
    const std::string page = BenchPage();
    for (auto _ : state) {
        RECT r{8, 8, BenchWidth - 8, BenchHeight - 8};
        benchmark::DoNotOptimize(
            DrawText(dib.Dc, page.c_str(), int(page.size()), &r, DT_WORDBREAK | DT_NOPREFIX));
    }
    state.SetItemsProcessed(state.iterations() * int64_t(page.size()));
    state.counters["MPixel/s"] = benchmark::Counter(
        double(BenchWidth) * BenchHeight * 1e-6 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawTextWordWrapped);

void BM_DrawTextCaptions(benchmark::State& state) {
    // Toolbar-like captions: one line, centred, with a mnemonic and an end ellipsis.
    BenchDib dib;
    const char* captions[] = {"&File",
                              "&Edit",
                              "&View",
                              "Insert &Frame",
                              "&Optimize Animation...",
                              "Save &As SWF Movie",
                              "&Help",
                              "A caption too long for its button"};
    int64_t chars = 0;
    for (auto _ : state) {
        for (int row = 0; row < 40; ++row)
            for (int col = 0; col < 8; ++col) {
                RECT r{col * 128, row * 19, col * 128 + 120, row * 19 + 18};
                const char* s = captions[(row + col) % 8];
                DrawText(dib.Dc, s, -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS);
                chars += int64_t(std::strlen(s));
            }
    }
    state.SetItemsProcessed(chars);
}
BENCHMARK(BM_DrawTextCaptions);

void BM_TextOutLine(benchmark::State& state) {
    BenchDib dib(state.range(0));
    const std::string line(BenchParagraph, 90);
    for (auto _ : state)
        for (int y = 0; y < 40; ++y)
            TextOut(dib.Dc, state.range(0) ? 400 + y * 14 : 8, state.range(0) ? 700 : 8 + y * 18,
                    line.c_str(), int(line.size()));
    state.SetItemsProcessed(state.iterations() * 40 * int64_t(line.size()));
}
BENCHMARK(BM_TextOutLine)->Arg(0)->Arg(900);

void BM_GetTextExtent(benchmark::State& state) {
    BenchDib dib;
    const std::string line(BenchParagraph, 90);
    SIZE size{};
    for (auto _ : state) {
        GetTextExtentPoint32(dib.Dc, line.c_str(), int(line.size()), &size);
        benchmark::DoNotOptimize(size);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(line.size()));
}
BENCHMARK(BM_GetTextExtent);

// The same 40 lines drawn by the layer and by FreeType loading, rendering and blending each glyph every
// time (no cache); the counter "ratio" is FreeType's time over the layer's.
std::string BenchFontFile(const char* family) {
    std::string file;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* name = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &name) == FcResultMatch)
            file = reinterpret_cast<const char*>(name);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
}

void BenchFreeTypeLines(FT_Face face, const std::string& line, std::vector<uint8_t>& image) {
    for (int y = 0; y < 40; ++y) {
        int pen = 8;
        const int baseline = 18 + y * 18;
        for (unsigned char ch : line) {
            if (FT_Load_Char(face, ch, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0)
                continue;
            const FT_GlyphSlot g = face->glyph;
            for (unsigned row = 0; row < g->bitmap.rows; ++row) {
                const int py = baseline - g->bitmap_top + int(row);
                for (unsigned col = 0; col < g->bitmap.width; ++col) {
                    const int px = pen + g->bitmap_left + int(col);
                    if (px < 0 || py < 0 || px >= BenchWidth || py >= BenchHeight)
                        continue;
                    const unsigned a = g->bitmap.buffer[row * unsigned(g->bitmap.pitch) + col];
                    uint8_t* p = &image[(size_t(py) * BenchWidth + size_t(px)) * 4];
                    for (int k = 0; k < 3; ++k)
                        p[k] = uint8_t((p[k] * (255 - a) + 127) / 255);
                }
            }
            pen += int((g->advance.x + 32) >> 6);
        }
    }
}

void BM_TextOutVersusFreeType(benchmark::State& state) {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    const std::string file = BenchFontFile(MapFaceName("MS Sans Serif", 0).c_str());
    if (FT_Init_FreeType(&library) != 0 || file.empty() ||
        FT_New_Face(library, file.c_str(), 0, &face) != 0) {
        state.SkipWithError("no font file for the reference");
        if (library)
            FT_Done_FreeType(library);
        return;
    }
    FT_Set_Pixel_Sizes(face, 0, 11);
    BenchDib dib;
    std::vector<uint8_t> image(size_t(BenchWidth) * BenchHeight * 4, 0xFF);
    const std::string line(BenchParagraph, 90);
    double layerSeconds = 0, freeTypeSeconds = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        for (int y = 0; y < 40; ++y)
            TextOut(dib.Dc, 8, 8 + y * 18, line.c_str(), int(line.size()));
        auto t1 = std::chrono::steady_clock::now();
        BenchFreeTypeLines(face, line, image);
        auto t2 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(image.data());
        layerSeconds += std::chrono::duration<double>(t1 - t0).count();
        freeTypeSeconds += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    state.SetItemsProcessed(state.iterations() * 40 * int64_t(line.size()));
    state.counters["freetype_ms"] = freeTypeSeconds * 1e3 / double(std::max<int64_t>(state.iterations(), 1));
    state.counters["ratio"] = layerSeconds > 0 ? freeTypeSeconds / layerSeconds : 0;
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}
BENCHMARK(BM_TextOutVersusFreeType)->UseManualTime();

} // namespace

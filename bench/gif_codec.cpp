// Decoding and encoding speed of the GIF codec against giflib on the same animations, in one process.
//
//   gif_codec [FILE...] [--benchmark_...]
//
// Without files it generates its own set (a photograph, a cartoon, small frames, interlaced frames, a
// dithered picture and a noisy two-colour animation). For each file it decodes the bytes with both codecs
// and encodes the decoded frames with both, then prints megapixels per second and the ratios (this codec
// over giflib: above 1 is faster); its last line reads "total decode ratio X encode ratio Y size ratio Z",
// the size ratio being this codec's output size over giflib's.
//
// Links giflib, which bench/CMakeLists.txt adds to every benchmark.
#include "bench/BenchSupport.h"
#include "bench/GifBenchSupport.h"
#include "gif/GifDocument.h"
#include "platform/vcl/Streams.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct BenchFile {
    std::string Name;
    Bytes Data;
    std::unique_ptr<gif::TGifDocument> Doc; // the decoded frames, which both encoders write
    double Megapixels = 0;
    size_t OursSize = 0;
    size_t GiflibSize = 0;
};

std::vector<std::unique_ptr<BenchFile>>& Files() {
    static std::vector<std::unique_ptr<BenchFile>> files;
    return files;
}

// An animation of frames painted by a function of (frame, x, y) into a table of the given size.
std::unique_ptr<gif::TGifDocument> Generate(int w, int h, int frames, int colors, bool interlaced,
                                            int (*paint)(int f, int x, int y, std::mt19937& rng)) {
    auto doc = std::make_unique<gif::TGifDocument>();
    for (int i = 0; i < colors; ++i)
        doc->GlobalColorMap()->AppendColor((i * 37 % 256) | ((i * 91 % 256) << 8) | ((i * 173 % 256) << 16));
    std::mt19937 rng(7);
    for (int f = 0; f < frames; ++f) {
        auto* frame = new gif::TGifFrame(doc.get());
        doc->AppendFrame(frame);
        frame->ChangeGeometry(0, 0, w, h);
        if (interlaced)
            frame->Descriptor().PackedFields = 0x40;
        auto* gce = new gif::TGifGraphicControlExtension(frame);
        gce->SetDelayTime(10);
        frame->GetExtensionList()->AppendItem(gce);
        uint8_t* p = frame->GetPixels();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                *p++ = uint8_t(paint(f, x, y, rng) % colors);
    }
    return doc;
}

int PaintPhoto(int f, int x, int y, std::mt19937& rng) {
    double v =
        128 + 60 * std::sin((x + 3 * f) * 0.05) + 50 * std::cos(y * 0.07 + f) + 15 * std::sin((x + y) * 0.3);
    return std::max(0, int(v) + int(rng() % 9) - 4);
}

int PaintCartoon(int f, int x, int y, std::mt19937&) {
    int cx = 200 + 10 * f, cy = 200;
    if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < 90 * 90)
        return 5;
    if (x > 50 + 5 * f && x < 300 && y > 300 && y < 420)
        return 12;
    return (y / 60) % 4 + 20;
}

int PaintSmall(int f, int x, int y, std::mt19937& rng) {
    int d = (x - f) * (x - f) + (y - 45) * (y - 45);
    return d < 400 ? 40 + int(rng() % 4) : (x / 8 + y / 8) % 8;
}

// The photograph in 32 colours, dithered by a random threshold: noise on every pixel, as error diffusion
// leaves it.
int PaintDithered(int f, int x, int y, std::mt19937& rng) {
    const int level = std::min(PaintPhoto(f, x, y, rng), 255) * 31;
    return level / 255 + int(int(rng() % 255) < level % 255);
}

// A one-dimensional cellular automaton (rule 30 from a random first row) in two colours, scrolling up by
// four rows a frame: noise with structure, like the pictures a cellular-automaton source makes.
int PaintCellular(int f, int x, int y, std::mt19937& rng) {
    constexpr int width = 320, rows = 240 + 4 * 30;
    static const std::vector<uint8_t> cells = [&rng] {
        std::vector<uint8_t> c(size_t(width) * rows);
        for (int i = 0; i < width; ++i)
            c[size_t(i)] = uint8_t(rng() & 1);
        for (int r = 1; r < rows; ++r)
            for (int i = 0; i < width; ++i) {
                const int left = c[size_t(r - 1) * width + size_t((i + width - 1) % width)];
                const int centre = c[size_t(r - 1) * width + size_t(i)];
                const int right = c[size_t(r - 1) * width + size_t((i + 1) % width)];
                c[size_t(r) * width + size_t(i)] = uint8_t((30 >> (left << 2 | centre << 1 | right)) & 1);
            }
        return c;
    }();
    return cells[size_t(y + 4 * f) * width + size_t(x)];
}

void AddFile(const std::string& name, Bytes data) {
    auto file = std::make_unique<BenchFile>();
    file->Name = name;
    file->Data = std::move(data);
    file->Doc = std::make_unique<gif::TGifDocument>();
    try {
        bench::LoadGif(*file->Doc, file->Data);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: skipped (%s)\n", name.c_str(), e.what());
        return;
    }
    for (int32_t i = 0; i < file->Doc->FrameCount(); ++i)
        file->Megapixels += double(file->Doc->Frame(i)->GetPixelCount()) / 1e6;
    Files().push_back(std::move(file));
}

// giflib over memory.

struct GiflibReader {
    const Bytes* Data;
    size_t Pos = 0;
};

int GiflibRead(GifFileType* gif, GifByteType* buffer, int count) {
    auto* r = static_cast<GiflibReader*>(gif->UserData);
    size_t n = std::min(size_t(count), r->Data->size() - r->Pos);
    std::memcpy(buffer, r->Data->data() + r->Pos, n);
    r->Pos += n;
    return int(n);
}

int GiflibWrite(GifFileType* gif, const GifByteType* buffer, int count) {
    static_cast<Bytes*>(gif->UserData)
        ->insert(static_cast<Bytes*>(gif->UserData)->end(), buffer, buffer + count);
    return count;
}

size_t GiflibDecode(const Bytes& data) {
    GiflibReader reader{&data};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, GiflibRead, &error);
    if (!gif)
        return 0;
    DGifSlurp(gif);
    size_t images = size_t(gif->ImageCount);
    DGifCloseFile(gif, &error);
    return images;
}

ColorMapObject* GiflibMap(const gif::TGifColorMap* map) {
    if (map->GetEntryCount() == 0)
        return nullptr;
    int count = 1 << map->TableBits();
    std::vector<GifColorType> colors(size_t(count), GifColorType{0, 0, 0});
    for (int i = 0; i < map->GetEntryCount(); ++i)
        colors[size_t(i)] = {map->Entry(i).Red, map->Entry(i).Green, map->Entry(i).Blue};
    return GifMakeMapObject(count, colors.data());
}

Bytes GiflibEncode(gif::TGifDocument& doc) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GiflibWrite, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = GiflibMap(doc.GlobalColorMap());
    EGifPutScreenDesc(gif, doc.GetWidth(), doc.GetHeight(), 8, 0, global);
    for (int32_t i = 0; i < doc.FrameCount(); ++i) {
        gif::TGifFrame* frame = doc.Frame(i);
        if (frame->IsEmpty())
            continue;
        if (gif::TGifGraphicControlExtension* gce = frame->GetControlExtension()) {
            GifByteType block[4] = {gce->GetPackedFields(), GifByteType(gce->GetDelayTime()),
                                    GifByteType(gce->GetDelayTime() >> 8), gce->GetTransparentIndex()};
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, block);
        }
        const gif::TGifImageDescriptor& d = frame->Descriptor();
        ColorMapObject* local = GiflibMap(frame->GetLocalColorMap());
        bool interlaced = frame->IsInterlaced();
        EGifPutImageDesc(gif, d.Left, d.Top, d.Width, d.Height, interlaced, local);
        if (!interlaced) {
            EGifPutLine(gif, frame->GetPixels(), int(frame->GetPixelCount()));
        } else {
            static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < d.Height; y += step[pass])
                    EGifPutLine(gif, frame->GetPixels() + size_t(y) * d.Width, d.Width);
        }
        GifFreeMapObject(local);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(global);
    return out;
}

void DecodeOurs(benchmark::State& state, BenchFile* file) {
    for (auto _ : state) {
        gif::TGifDocument doc;
        bench::LoadGif(doc, file->Data);
        benchmark::DoNotOptimize(doc.FrameCount());
    }
}

void DecodeGiflib(benchmark::State& state, BenchFile* file) {
    for (auto _ : state)
        benchmark::DoNotOptimize(GiflibDecode(file->Data));
}

void EncodeOurs(benchmark::State& state, BenchFile* file) {
    for (auto _ : state) {
        vcl::TMemoryStream stream;
        file->Doc->SaveToStream(&stream);
        benchmark::DoNotOptimize(stream.GetSize());
    }
}

void EncodeGiflib(benchmark::State& state, BenchFile* file) {
    for (auto _ : state)
        benchmark::DoNotOptimize(GiflibEncode(*file->Doc).size());
}

} // namespace

int main(int argc, char** argv) {
    bench::TBenchArgs args = bench::SplitBenchArgs(argc, argv);
    std::vector<char*>& flags = args.Flags;
    const std::vector<std::string>& paths = args.Paths;
    if (paths.empty()) {
        AddFile("photo-480x360x8", bench::SaveGif(*Generate(480, 360, 8, 256, false, PaintPhoto)));
        AddFile("cartoon-640x480x12", bench::SaveGif(*Generate(640, 480, 12, 32, false, PaintCartoon)));
        AddFile("small-120x90x60", bench::SaveGif(*Generate(120, 90, 60, 64, false, PaintSmall)));
        AddFile("interlaced-400x300x4", bench::SaveGif(*Generate(400, 300, 4, 256, true, PaintPhoto)));
        AddFile("dithered-400x300x8", bench::SaveGif(*Generate(400, 300, 8, 32, false, PaintDithered)));
        AddFile("cellular-320x240x30", bench::SaveGif(*Generate(320, 240, 30, 2, false, PaintCellular)));
    } else {
        bench::ReadBenchFiles(paths, AddFile);
    }
    for (auto& file : Files()) {
        file->OursSize = bench::SaveGif(*file->Doc).size();
        file->GiflibSize = GiflibEncode(*file->Doc).size();
        BenchFile* f = file.get();
        benchmark::RegisterBenchmark(("decode/ours/" + f->Name).c_str(), DecodeOurs, f);
        benchmark::RegisterBenchmark(("decode/giflib/" + f->Name).c_str(), DecodeGiflib, f);
        benchmark::RegisterBenchmark(("encode/ours/" + f->Name).c_str(), EncodeOurs, f);
        benchmark::RegisterBenchmark(("encode/giflib/" + f->Name).c_str(), EncodeGiflib, f);
    }
    int flagCount = int(flags.size());
    benchmark::Initialize(&flagCount, flags.data());
    bench::TCpuSecondsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    double total[4] = {0, 0, 0, 0}; // seconds: decode ours, decode giflib, encode ours, encode giflib
    size_t oursBytes = 0, giflibBytes = 0;
    auto seconds = [&](const std::string& name) {
        auto it = reporter.Seconds.find(name);
        return it == reporter.Seconds.end() ? 0.0 : it->second;
    };
    for (auto& file : Files()) {
        double s[4] = {seconds("decode/ours/" + file->Name), seconds("decode/giflib/" + file->Name),
                       seconds("encode/ours/" + file->Name), seconds("encode/giflib/" + file->Name)};
        if (s[0] <= 0 || s[1] <= 0 || s[2] <= 0 || s[3] <= 0)
            continue;
        std::printf(
            "%s: %.2f megapixels; decode %.1f MP/s vs giflib %.1f MP/s (ratio %.2f); encode %.1f MP/s "
            "vs giflib %.1f MP/s (ratio %.2f); size %zu vs %zu bytes (ratio %.3f)\n",
            file->Name.c_str(), file->Megapixels, file->Megapixels / s[0], file->Megapixels / s[1],
            s[1] / s[0], file->Megapixels / s[2], file->Megapixels / s[3], s[3] / s[2], file->OursSize,
            file->GiflibSize, double(file->OursSize) / double(file->GiflibSize));
        for (int i = 0; i < 4; ++i)
            total[i] += s[i];
        oursBytes += file->OursSize;
        giflibBytes += file->GiflibSize;
    }
    if (total[0] > 0 && total[2] > 0 && giflibBytes > 0)
        std::printf("total decode ratio %.2f encode ratio %.2f size ratio %.3f\n", total[1] / total[0],
                    total[3] / total[2], double(oursBytes) / double(giflibBytes));
    benchmark::Shutdown();
    return 0;
}

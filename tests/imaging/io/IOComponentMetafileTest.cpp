// The I/O component's metafile import: sizes, kinds, resolution, background and the worker road.
#include "imaging/io/IOComponent.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOParams.h"
#include "tests/platform/win/gdi/MetafileWriter.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

using imaging::TIKBitmap;
using imaging::TImageKitIO;
using metatest::EmfWriter;
using metatest::WmfWriter;

namespace {

std::string MetaTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = (std::filesystem::temp_directory_path() /
                        ("loomwick-iometa-" + std::to_string(::getpid()) + "-" + name))
                           .string();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// A plain WMF sized w x h by its window: red left half, blue right half, no pen (the rectangles reach well
// past the window, so that no rounding at a small scale leaves an edge unpainted).
std::vector<uint8_t> HalvesWmf(int w, int h) {
    WmfWriter m(false);
    m.WindowOrg(0, 0).WindowExt(w, h).Pen(5, 0, 0).Select(0).Brush(0, win::RGB(255, 0, 0)).Select(1);
    m.Rectangle(-h, -h, w / 2 + 1, 2 * h)
        .Brush(0, win::RGB(0, 0, 255))
        .Select(2)
        .Rectangle(w / 2, -h, w + h, 2 * h);
    return m.Take();
}

struct MetaFinish {
    int Count = 0;
    explicit MetaFinish(TImageKitIO& io) {
        io.OnFinishWork = [this](vcl::TObject*) { ++Count; };
    }
};

imaging::TIKColorTriple MetaRgb(uint8_t r, uint8_t g, uint8_t b) {
    imaging::TIKColorTriple t;
    t.R = r, t.G = g, t.B = b;
    return t;
}

} // namespace

TEST(IOComponentMetafile, SizesFollowTheRequest) {
    const std::string wide = MetaTempFile("wide.wmf", HalvesWmf(4000, 1000));
    const std::string tiny = MetaTempFile("tiny.wmf", HalvesWmf(1, 1));
    struct Case {
        std::string file;
        int32_t width, height;
        int32_t expectW, expectH;
    } cases[] = {
        {wide, -1, -1, 2800, 700}, // the longer side cut to 2800, every row and column kept
        {wide, -1, 100, 400, 100},   {wide, 100, -1, 100, 25}, {wide, 300, 200, 300, 200},
        {wide, 5000, 100, 2800, 56}, {tiny, -1, -1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        TImageKitIO io;
        MetaFinish finish(io);
        io.ImportMetafile(c.file, c.width, c.height);
        ASSERT_FALSE(io.GetAborting());
        EXPECT_EQ(finish.Count, 1);
        TIKBitmap* image = io.GetIKBitmap();
        EXPECT_EQ(image->Width(), c.expectW);
        EXPECT_EQ(image->Height(), c.expectH);
        EXPECT_EQ(io.GetParams().Width, c.expectW);
        EXPECT_EQ(io.GetParams().Height, c.expectH);
        // The whole picture, stretched: red at the left edge, blue at the right, down to the last row.
        // (A 1 x 1 picture has the blue half drawn last over its only pixel.)
        if (c.expectW > 1)
            EXPECT_EQ(image->PixelColor(0, c.expectH - 1), MetaRgb(255, 0, 0));
        EXPECT_EQ(image->PixelColor(c.expectW - 1, c.expectH - 1), MetaRgb(0, 0, 255));
    }
    std::filesystem::remove(wide);
    std::filesystem::remove(tiny);
}

TEST(IOComponentMetafile, ParamsKindsAndBackground) {
    EmfWriter e(0, 0, 1058, 794, 960, 960, 254, 254); // 40 x 30 pixels at 96 per inch
    e.Select(0x80000008).Brush(1, 0, win::RGB(0, 128, 0)).Select(1).Rectangle(0, 0, 11, 11);
    const std::string emf = MetaTempFile("p.emf", e.Take());
    const std::string wmf = MetaTempFile("p.wmf", HalvesWmf(40, 30));
    for (const auto& [file, type] : {std::pair{emf, 10}, std::pair{wmf, 9}}) {
        TImageKitIO io;
        io.SetBackground(0x00FFFF); // yellow, red in the low byte
        io.ImportMetafile(file, -1, -1);
        ASSERT_FALSE(io.GetAborting()) << file;
        const auto& p = io.GetParams();
        EXPECT_EQ(p.FileType, type);
        EXPECT_EQ(p.FileName, file);
        EXPECT_EQ(p.BitsPerSample, 8);
        EXPECT_EQ(p.SamplesPerPixel, 3);
        EXPECT_EQ(p.DpiX, imaging::IKDefaultDpiX);
        EXPECT_EQ(p.DpiY, imaging::IKDefaultDpiY);
        EXPECT_EQ(io.GetIKBitmap()->Width(), 40);
        EXPECT_EQ(io.GetIKBitmap()->Height(), 30);
        EXPECT_FALSE(io.GetIKBitmap()->HasAlphaChannel());
        if (type == 10) {
            EXPECT_EQ(io.GetIKBitmap()->PixelColor(5, 5), MetaRgb(0, 128, 0));
            EXPECT_EQ(io.GetIKBitmap()->PixelColor(30, 20), MetaRgb(255, 255, 0)) << "the background shows";
        }
    }
    std::filesystem::remove(emf);
    std::filesystem::remove(wmf);
}

TEST(IOComponentMetafile, NothingToDrawOrNoMetafile) {
    const std::string empty = MetaTempFile("empty.wmf", WmfWriter(true, 0, 0, 0, 100).Take());
    const std::string junk = MetaTempFile("junk.emf", std::vector<uint8_t>(200, 7));
    const std::string good = MetaTempFile("good.wmf", HalvesWmf(40, 30));
    struct Case {
        std::string file;
        int32_t width, height;
        bool aborting;
    } cases[] = {
        {good, 0, 100, false}, {good, 100, 0, false}, // nothing is done
        {empty, -1, -1, true}, {empty, -1, 50, true}, // a zero-sized metafile, before any division
        {junk, -1, -1, true},  {good + ".missing", -1, -1, true},
        {good, -5, 10, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " " + std::to_string(c.width) + " x " + std::to_string(c.height));
        TImageKitIO io;
        io.GetIKBitmap()->Allocate(3, 2, imaging::ikbf24Bit);
        MetaFinish finish(io);
        io.ImportMetafile(c.file, c.width, c.height);
        EXPECT_EQ(io.GetAborting(), c.aborting);
        EXPECT_EQ(finish.Count, 1);
        EXPECT_EQ(io.GetIKBitmap()->Width(), 3) << "the image is left alone";
    }
    std::filesystem::remove(empty);
    std::filesystem::remove(junk);
    std::filesystem::remove(good);
}

TEST(IOComponentMetafile, AsynchronousImportRunsOnAWorker) {
    const std::string file = MetaTempFile("async.wmf", HalvesWmf(60, 20));
    TIKBitmap outside;
    TImageKitIO io;
    io.SetAsynchronous(true);
    io.AttachIKBitmap(&outside);
    MetaFinish finish(io);
    io.ImportMetafile(file, 120, -1);
    io.WaitForThreads(false);
    EXPECT_FALSE(io.GetAborting());
    EXPECT_EQ(finish.Count, 1);
    EXPECT_EQ(outside.Width(), 120);
    EXPECT_EQ(outside.Height(), 40);
    EXPECT_EQ(outside.PixelColor(10, 10), MetaRgb(255, 0, 0));
    EXPECT_EQ(outside.PixelColor(110, 30), MetaRgb(0, 0, 255));
    std::filesystem::remove(file);
}

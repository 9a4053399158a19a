// Driven by tests/external/imaging_resample.sh: with LOOMWICK_IK_EXTERNAL_DIR set, reads src.ppm from that
// folder and writes the library's resampled and rotated images beside it for comparison with ImageMagick.
// Without the variable the test is skipped.
#include "imaging/core/IKResample.h"
#include "imaging/core/IKRotate.h"
#include "tests/imaging/core/IKTestImages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace imaging;
using namespace iktest;

namespace {

std::unique_ptr<TIKBitmap> ExternalReadPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int32_t w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    if (magic != "P6" || w <= 0 || h <= 0 || maxval != 255 || w > 10000 || h > 10000)
        return nullptr;
    std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
    in.read(reinterpret_cast<char*>(rgb.data()), std::streamsize(rgb.size()));
    if (!in)
        return nullptr;
    return Make24(w, h, [&](int32_t x, int32_t y) {
        const uint8_t* p = rgb.data() + (size_t(y) * size_t(w) + size_t(x)) * 3;
        return Rgb(p[0], p[1], p[2]);
    });
}

void ExternalWritePpm(TIKBitmap& b, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << b.Width() << " " << b.Height() << "\n255\n";
    for (int32_t y = 0; y < b.Height(); ++y)
        for (int32_t x = 0; x < b.Width(); ++x) {
            const TIKColorTriple c = Pixel24(b, x, y);
            out.put(char(c.R)).put(char(c.G)).put(char(c.B));
        }
}

} // namespace

TEST(IKExternal, WritesResampledAndRotatedImages) {
    const char* dir = std::getenv("LOOMWICK_IK_EXTERNAL_DIR");
    if (!dir)
        GTEST_SKIP() << "run by tests/external/imaging_resample.sh";
    const std::string folder = dir;
    auto src = ExternalReadPpm(folder + "/src.ppm");
    ASSERT_TRUE(src) << "cannot read src.ppm";
    const struct {
        const char* name;
        TResampleFilter filter;
    } filters[] = {{"box", rfNearest}, {"bilinear", rfBilinear}, {"bicubic", rfBicubic}};
    for (const auto& f : filters)
        for (const auto& [tag, num, den] : {std::tuple{"down", 1, 2}, std::tuple{"up", 2, 1}}) {
            TIKBitmap dst;
            dst.Allocate(src->Width() * num / den, src->Height() * num / den, ikbf24Bit);
            IKResampleBitmap(src.get(), &dst, f.filter, nullptr, {});
            ExternalWritePpm(dst, folder + "/ours-" + f.name + "-" + tag + ".ppm");
        }
    // ImageMagick turns clockwise for positive angles; this library counter-clockwise.
    for (int32_t angle : {90, 180, 270}) {
        TIKBitmap turned;
        turned.CopyImage(src.get());
        IKRotateBitmap(&turned, false, nullptr, -angle, Rgb(0, 0, 0), {});
        ExternalWritePpm(turned, folder + "/ours-rotate" + std::to_string(angle) + ".ppm");
    }
}

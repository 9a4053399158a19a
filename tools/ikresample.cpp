// ikresample FOLDER: reads FOLDER/src.ppm (a binary 8-bit PPM) and writes beside it the imaging library's
// resampled images (ours-box-down.ppm, ours-bilinear-up.ppm ... at half and double size, through the box,
// bilinear and bicubic filters) and its quarter turns (ours-rotate90.ppm, -180, -270). Used by
// tests/external/imaging_resample.sh to compare them with ImageMagick's. Exits with 1 and a message when a
// file cannot be read or written.
#include "imaging/core/IKResample.h"
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKHelpers.h"
#include "imaging/core/IKRotate.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace imaging;

namespace {

// Larger pictures are refused: the check uses a small one.
constexpr int32_t IkresampleMaxSide = 10000;

std::unique_ptr<TIKBitmap> IkresampleReadPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int32_t w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    if (magic != "P6" || w <= 0 || h <= 0 || maxval != 255 || w > IkresampleMaxSide || h > IkresampleMaxSide)
        return nullptr;
    std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
    in.read(reinterpret_cast<char*>(rgb.data()), std::streamsize(rgb.size()));
    if (!in)
        return nullptr;
    auto b = std::make_unique<TIKBitmap>();
    b->Allocate(w, h, ikbf24Bit);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = b->ScanLine(y);
        const uint8_t* p = rgb.data() + size_t(y) * size_t(w) * 3;
        for (int32_t x = 0; x < w; ++x) {
            // Rows hold blue, green, red.
            row[3 * x] = p[3 * x + 2];
            row[3 * x + 1] = p[3 * x + 1];
            row[3 * x + 2] = p[3 * x];
        }
    }
    return b;
}

bool IkresampleWritePpm(TIKBitmap& b, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << b.Width() << " " << b.Height() << "\n255\n";
    for (int32_t y = 0; y < b.Height(); ++y) {
        const uint8_t* row = b.ScanLine(y);
        for (int32_t x = 0; x < b.Width(); ++x)
            out.put(char(row[3 * x + 2])).put(char(row[3 * x + 1])).put(char(row[3 * x]));
    }
    out.close();
    if (!out) {
        std::fprintf(stderr, "ikresample: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ikresample FOLDER\n");
        return 1;
    }
    const std::string folder = argv[1];
    auto src = IkresampleReadPpm(folder + "/src.ppm");
    if (!src) {
        std::fprintf(stderr, "ikresample: cannot read %s/src.ppm\n", folder.c_str());
        return 1;
    }
    const struct {
        const char* name;
        TResampleFilter filter;
    } filters[] = {{"box", rfNearest}, {"bilinear", rfBilinear}, {"bicubic", rfBicubic}};
    for (const auto& f : filters)
        for (const auto& [tag, num, den] : {std::tuple{"down", 1, 2}, std::tuple{"up", 2, 1}}) {
            TIKBitmap dst;
            dst.Allocate(src->Width() * num / den, src->Height() * num / den, ikbf24Bit);
            IKResampleBitmap(src.get(), &dst, f.filter, nullptr, {});
            if (!IkresampleWritePpm(dst, folder + "/ours-" + f.name + "-" + tag + ".ppm"))
                return 1;
        }
    // ImageMagick turns clockwise for positive angles; this library counter-clockwise.
    for (int32_t angle : {90, 180, 270}) {
        TIKBitmap turned;
        turned.CopyImage(src.get());
        IKRotateBitmap(&turned, false, nullptr, -angle, TIKColorTriple{0, 0, 0}, {});
        if (!IkresampleWritePpm(turned, folder + "/ours-rotate" + std::to_string(angle) + ".ppm"))
            return 1;
    }
    return 0;
}

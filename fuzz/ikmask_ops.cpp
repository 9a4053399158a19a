// Selection masks driven by arbitrary numbers: polygon fills with any coordinates, moves, merges and zoomed
// drawing must stay inside the mask, the images and the view buffers.
#include "imaging/core/ikutils.h"

#include <cstring>
#include <vector>

namespace {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
    int32_t Int() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | (FPos < FSize ? FData[FPos++] : 0);
        return int32_t(v);
    }
    int32_t Small(int32_t limit) { return int32_t(uint32_t(Int()) % uint32_t(limit)); }
    bool More() const { return FPos < FSize; }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace imaging;
    FuzzInput in(data, size);
    const int32_t w = 1 + in.Small(64), h = 1 + in.Small(64), bits = in.Small(2) ? 8 : 1;
    TIKMask mask;
    mask.Allocate(w, h, bits);
    std::vector<win::TPoint> points;
    const int32_t count = in.Small(24);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t kind = in.Small(4);
        int32_t x = kind == 0 ? in.Int() : in.Small(3 * w) - w,
                y = kind == 0 ? in.Int() : in.Small(3 * h) - h;
        if (kind == 3)
            x = TIKMask::IKPolygonSeparator;
        points.push_back({x, y});
    }
    mask.FillPolygons(1 + in.Small(255), points.data(), int32_t(points.size()));
    int32_t dx = in.Small(4 * w) - 2 * w, dy = in.Small(4 * h) - 2 * h;
    mask.Translate(dx, dy, in.Small(2) != 0);
    mask.SetPixel(in.Small(w + 4) - 2, in.Small(h + 4) - 2, in.Small(256));

    TIKBitmap dest, source;
    const bool atBox = in.Small(2) != 0;
    dest.Allocate(w, h, ikbf24Bit);
    source.Allocate(1 + in.Small(w), 1 + in.Small(h), ikbf24Bit);
    mask.CopyWithMask(&dest, &source, in.Small(2) != 0, atBox);

    const int32_t vw = 1 + in.Small(80), vh = 1 + in.Small(80);
    const int32_t sx = in.Small(w + 8) - 4, sy = in.Small(h + 8) - 4, sw = in.Small(2 * w + 2),
                  sh = in.Small(2 * h + 2);
    std::vector<uint8_t> buffer(size_t(IKRowLength(vw, 1)) * size_t(vh));
    mask.ScaleToBuffer(buffer.data(), vw, vh, sx, sy, sw, sh);
    const int32_t bw = 1 + in.Small(64), bh = 1 + in.Small(64);
    std::vector<uint8_t> view(size_t(bw) * 3 * size_t(bh));
    const int32_t ox = in.Small(160) - 80, oy = in.Small(160) - 80;
    mask.TraceOutline(ox, oy, vw, vh, sx, sy, sw, sh, uint8_t(in.Small(256)), 0, 0xFFFFFF,
                      [&](int32_t x, int32_t y, int32_t) {
                          if (x >= 0 && y >= 0 && x < bw && y < bh)
                              view[size_t(y) * size_t(bw) * 3 + size_t(x) * 3] ^= 1;
                      });
    mask.DimOutside([&](int32_t y) { return view.data() + size_t(y) * size_t(bw) * 3; }, bw, bh, ox, oy, vw,
                    vh, sx, sy, sw, sh);
    return 0;
}

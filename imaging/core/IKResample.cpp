#include "imaging/core/IKResample.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKPixelUtils.h"
#include "platform/vcl/Exceptions.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

constexpr double ResamplePi = 3.14159265358979323846;
// Intermediate buffers larger than this are refused instead of exhausting memory.
constexpr uint64_t ResampleMaxWorkBytes = uint64_t(1) << 34;
constexpr int32_t ResampleFixedShift = 17; // fractions of the fast linear path

double ResampleTriangle(double x) {
    const double a = std::fabs(x);
    return a < 1 ? 1 - a : 0;
}
double ResampleHermite(double x) {
    const double a = std::fabs(x);
    return a < 1 ? (2 * a - 3) * a * a + 1 : 0;
}
double ResampleBell(double x) {
    const double a = std::fabs(x);
    if (a < 0.5)
        return 0.75 - a * a;
    if (a < 1.5)
        return 0.5 * (a - 1.5) * (a - 1.5);
    return 0;
}
double ResampleBSpline(double x) {
    const double a = std::fabs(x);
    if (a < 1)
        return 0.5 * a * a * a - a * a + 2.0 / 3.0;
    if (a < 2)
        return (2 - a) * (2 - a) * (2 - a) / 6.0;
    return 0;
}
double ResampleSinc(double x) {
    if (x == 0)
        return 1;
    x *= ResamplePi;
    return std::sin(x) / x;
}
double ResampleLanczos3(double x) {
    return std::fabs(x) < 3 ? ResampleSinc(x) * ResampleSinc(x / 3) : 0;
}
double ResampleMitchell(double x) {
    const double a = std::fabs(x);
    if (a < 1)
        return (7 * a * a * a - 12 * a * a + 16.0 / 3.0) / 6.0;
    if (a < 2)
        return (-7.0 / 3.0 * a * a * a + 12 * a * a - 20 * a + 32.0 / 3.0) / 6.0;
    return 0;
}
double ResampleNearestKernel(double x) {
    return x > -0.5 && x <= 0.5 ? 1 : 0;
}
double ResampleLinear(double x) {
    if (x >= 0 && x < 1)
        return 1 - x;
    if (x >= -1 && x < 0)
        return x + 1;
    return 0;
}

void ResampleCheckWork(int64_t width, int64_t height, int64_t channels) {
    if (uint64_t(width) * uint64_t(height) * uint64_t(channels) > ResampleMaxWorkBytes)
        throw vcl::EOutOfMemory("Image too large to resample");
}

void ResampleReport(const TIKPercentEvent& percent, double value) {
    if (percent)
        percent(int32_t(value));
}

// Contributors of each destination index: source indexes and weights scaled by 256, stored one list after
// another (First[i] .. First[i + 1] - 1).
struct ResampleContributors {
    std::vector<int32_t> First;
    std::vector<int32_t> Index;
    std::vector<int32_t> Weight;
};

ResampleContributors ResampleMakeContributors(int32_t src, int32_t dst,
                                              const TIKResampleFilterEntry& filter) {
    const double scale = src == 1 || dst == 1 ? double(dst) / double(src) : double(dst - 1) / double(src - 1);
    ResampleContributors c;
    c.First.reserve(size_t(dst) + 1);
    for (int32_t i = 0; i < dst; ++i) {
        c.First.push_back(int32_t(c.Index.size()));
        const double center = double(i) / scale;
        const double width = scale >= 1 ? filter.Support : filter.Support / scale;
        const int32_t left = IKFloor(center - width), right = IKCeil(center + width);
        for (int32_t j = left; j <= right; ++j) {
            const double w = scale >= 1 ? filter.Kernel(center - j) * 256.0
                                        : filter.Kernel((center - j) * scale) * 256.0 * scale;
            const int32_t weight = int32_t(std::nearbyint(w));
            if (weight == 0)
                continue;
            // Reflected at the edges, then limited to the image for sources narrower than the support.
            int32_t n = j < 0 ? -j : j >= src ? 2 * src - j - 1 : j;
            n = std::clamp(n, 0, src - 1);
            c.Index.push_back(n);
            c.Weight.push_back(weight);
        }
    }
    c.First.push_back(int32_t(c.Index.size()));
    return c;
}

// sum div total, or (without weights) sum / 256 rounded down, limited to a byte.
uint8_t ResampleFinish(int64_t sum, int64_t total) {
    if (total != 0)
        return uint8_t(std::clamp<int64_t>(sum / total, 0, 255));
    return uint8_t(std::clamp<int64_t>(sum >> 8, 0, 255));
}

} // namespace

const TIKResampleFilterEntry IKResampleFilters[12] = {
    {nullptr, 0},
    {ResampleTriangle, 1.0},
    {ResampleHermite, 1.0},
    {ResampleBell, 1.5},
    {ResampleBSpline, 2.0},
    {ResampleLanczos3, 3.0},
    {ResampleMitchell, 2.0},
    {ResampleNearestKernel, 1.0},
    {ResampleLinear, 1.0},
    {nullptr, 0},
    {nullptr, 0},
    {nullptr, 0},
};

bool IKResamplePlaneFiltered(int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH, int32_t channels,
                             TResampleFilter filter, const TIKPlaneReader& readRow,
                             const TIKPlaneWriter& writeRow, const TIKPercentEvent& percent) {
    if (srcW <= 0 || srcH <= 0 || (srcW < 2 && srcH < 2))
        return false;
    if (dstW <= 0 || dstH <= 0)
        return true;
    if (size_t(filter) >= std::size(IKResampleFilters) || !IKResampleFilters[filter].Kernel)
        filter = rfTriangle;
    const TIKResampleFilterEntry& entry = IKResampleFilters[filter];
    ResampleCheckWork(dstW, srcH, channels);
    const double step = 100.0 / (double(srcH) + double(dstW) + 0.5);

    // Horizontal pass into a work plane of dstW x srcH.
    const ResampleContributors cx = ResampleMakeContributors(srcW, dstW, entry);
    const size_t workRow = size_t(dstW) * size_t(channels);
    std::vector<uint8_t> work(workRow * size_t(srcH));
    std::vector<uint8_t> line(size_t(srcW) * size_t(channels));
    for (int32_t k = 0; k < srcH; ++k) {
        readRow(k, line.data());
        uint8_t* out = work.data() + size_t(k) * workRow;
        for (int32_t i = 0; i < dstW; ++i) {
            int64_t total = 0, sum[3] = {0, 0, 0};
            for (int32_t n = cx.First[size_t(i)]; n < cx.First[size_t(i) + 1]; ++n) {
                const int32_t w = cx.Weight[size_t(n)];
                const uint8_t* p = line.data() + size_t(cx.Index[size_t(n)]) * size_t(channels);
                total += w;
                for (int32_t c = 0; c < channels; ++c)
                    sum[c] += int64_t(w) * p[c];
            }
            for (int32_t c = 0; c < channels; ++c)
                out[size_t(i) * size_t(channels) + size_t(c)] = ResampleFinish(sum[c], total);
        }
        ResampleReport(percent, (k + 1) * step);
    }

    // Vertical pass from the work plane, one destination row at a time.
    const ResampleContributors cy = ResampleMakeContributors(srcH, dstH, entry);
    std::vector<uint8_t> outRow(workRow);
    std::vector<int64_t> sums(workRow);
    for (int32_t j = 0; j < dstH; ++j) {
        std::fill(sums.begin(), sums.end(), 0);
        int64_t total = 0;
        for (int32_t n = cy.First[size_t(j)]; n < cy.First[size_t(j) + 1]; ++n) {
            const int32_t w = cy.Weight[size_t(n)];
            const uint8_t* p = work.data() + size_t(cy.Index[size_t(n)]) * workRow;
            total += w;
            for (size_t i = 0; i < workRow; ++i)
                sums[i] += int64_t(w) * p[i];
        }
        for (size_t i = 0; i < workRow; ++i)
            outRow[i] = ResampleFinish(sums[i], total);
        writeRow(j, outRow.data());
        // Progress as if the pass went column by column.
        ResampleReport(percent, (double(srcH) + double(j + 1) * dstW / dstH) * step);
    }
    return true;
}

bool IKResamplePlaneFastLinear(int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH, int32_t channels,
                               const TIKPlaneReader& readRow, const TIKPlaneWriter& writeRow,
                               const TIKPercentEvent& percent) {
    if (srcW <= 0 || srcH <= 0 || dstW <= 0 || dstH <= 0)
        return false;
    ResampleCheckWork(dstW, srcH, channels);
    const double ex = double(dstW) / srcW, ey = double(dstH) / srcH;
    const double steps = double(srcH) + double(dstH) + 0.5;
    const size_t ch = size_t(channels);
    std::vector<int32_t> x0(static_cast<size_t>(dstW)), x1(x0.size()), fx(x0.size());
    for (int32_t i = 0; i < dstW; ++i) {
        const double pos = i / ex;
        x0[size_t(i)] = std::min(int32_t(pos), srcW - 1);
        fx[size_t(i)] = int32_t((pos - int32_t(pos)) * (1 << ResampleFixedShift));
        x1[size_t(i)] =
            std::clamp(int32_t(std::min(i + 1, dstW - 1) / ex + 0.0000000001), x0[size_t(i)], srcW - 1);
    }
    const size_t workRow = size_t(dstW) * ch;
    std::vector<uint8_t> work(workRow * size_t(srcH));
    std::vector<uint8_t> line(size_t(srcW) * ch);
    for (int32_t k = 0; k < srcH; ++k) {
        readRow(k, line.data());
        uint8_t* out = work.data() + size_t(k) * workRow;
        for (int32_t i = 0; i < dstW; ++i) {
            const size_t a = size_t(x0[size_t(i)]) * ch;
            if (ex > 1) {
                const size_t b = size_t(std::min(x0[size_t(i)] + 1, srcW - 1)) * ch;
                for (size_t c = 0; c < ch; ++c)
                    out[size_t(i) * ch + c] =
                        uint8_t(line[a + c] +
                                ((int64_t(line[b + c]) - line[a + c]) * fx[size_t(i)] >> ResampleFixedShift));
            } else {
                const int32_t n = x1[size_t(i)] - x0[size_t(i)] + 1;
                for (size_t c = 0; c < ch; ++c) {
                    int32_t sum = 0;
                    for (int32_t x = x0[size_t(i)]; x <= x1[size_t(i)]; ++x)
                        sum += line[size_t(x) * ch + c];
                    out[size_t(i) * ch + c] = uint8_t(sum / n);
                }
            }
        }
        ResampleReport(percent, k * 100.0 / steps);
    }
    std::vector<uint8_t> outRow(workRow);
    for (int32_t j = 0; j < dstH; ++j) {
        if (ey > 1) {
            const double y = j / ey;
            const int32_t y0 = std::min(int32_t(y), srcH - 1);
            const int32_t fy = int32_t((y - int32_t(y)) * (1 << ResampleFixedShift));
            const uint8_t* a = work.data() + size_t(y0) * workRow;
            const uint8_t* b = work.data() + size_t(std::min(y0 + 1, srcH - 1)) * workRow;
            for (size_t i = 0; i < workRow; ++i)
                outRow[i] = uint8_t(a[i] + ((int64_t(b[i]) - a[i]) * fy >> ResampleFixedShift));
        } else {
            const int32_t r0 = std::min(int32_t(j / ey), srcH - 1);
            const int32_t r1 = std::clamp(int32_t(std::min(j + 1, dstH - 1) / ey), r0, srcH - 1);
            for (size_t i = 0; i < workRow; ++i) {
                int32_t sum = 0;
                for (int32_t r = r0; r <= r1; ++r)
                    sum += work[size_t(r) * workRow + i];
                outRow[i] = uint8_t(sum / (r1 - r0 + 1));
            }
        }
        writeRow(j, outRow.data());
        ResampleReport(percent, (srcH + j) * 100.0 / steps);
    }
    return true;
}

void IKResamplePlaneNearest(int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH, int32_t channels,
                            const TIKPlaneReader& readRow, const TIKPlaneWriter& writeRow) {
    if (dstW <= 0 || dstH <= 0)
        return;
    const size_t ch = size_t(channels);
    std::vector<uint8_t> outRow(size_t(dstW) * ch, 0);
    if (srcW <= 0 || srcH <= 0) {
        for (int32_t j = 0; j < dstH; ++j)
            writeRow(j, outRow.data()); // nothing to replicate: black
        return;
    }
    const double rx = double(srcW) / dstW, ry = double(srcH) / dstH;
    std::vector<uint8_t> line(size_t(srcW) * ch);
    int32_t loaded = -1;
    for (int32_t j = 0; j < dstH; ++j) {
        const int32_t sy = std::min(int32_t(ry * j), srcH - 1);
        if (sy != loaded) {
            readRow(sy, line.data());
            loaded = sy;
            for (int32_t i = 0; i < dstW; ++i)
                std::memcpy(outRow.data() + size_t(i) * ch,
                            line.data() + size_t(std::min(int32_t(rx * i), srcW - 1)) * ch, ch);
        }
        writeRow(j, outRow.data());
    }
}

namespace {

TIKPlaneReader ResampleReader24(TIKBitmap* b) {
    return [b](int32_t y, uint8_t* row) { std::memcpy(row, b->ScanLine(y), size_t(b->Width()) * 3); };
}
TIKPlaneWriter ResampleWriter24(TIKBitmap* b) {
    return [b](int32_t y, const uint8_t* row) { std::memcpy(b->ScanLine(y), row, size_t(b->Width()) * 3); };
}
TIKPercentEvent ResamplePercent(vcl::TObject* sender, const TIKProgressEvent& onProgress) {
    if (!onProgress)
        return {};
    return [sender, &onProgress](int32_t p) { onProgress(sender, p); };
}

bool ResampleCanRun(TIKBitmap* source, TIKBitmap* dest) {
    return source && dest && source != dest && source->PixelFormat() == ikbf24Bit &&
           dest->PixelFormat() == ikbf24Bit && dest->Width() > 0 && dest->Height() > 0;
}

void ResampleNearest24(TIKBitmap* source, TIKBitmap* dest) {
    IKResamplePlaneNearest(source->Width(), source->Height(), dest->Width(), dest->Height(), 3,
                           ResampleReader24(source), ResampleWriter24(dest));
}

} // namespace

void IKResampleBitmap(TIKBitmap* source, TIKBitmap* dest, TResampleFilter filter, vcl::TObject* sender,
                      const TIKProgressEvent& onProgress) {
    if (!ResampleCanRun(source, dest))
        return;
    switch (filter) {
    case rfFastLinear:
        IKResampleFastLinear(source, dest, sender, onProgress);
        return;
    case rfBilinear:
    case rfBicubic:
        IKResampleInterpolated(source, dest, filter == rfBicubic, sender, onProgress);
        return;
    case rfNone:
        ResampleNearest24(source, dest);
        return;
    default:
        if (!IKResamplePlaneFiltered(source->Width(), source->Height(), dest->Width(), dest->Height(), 3,
                                     filter, ResampleReader24(source), ResampleWriter24(dest),
                                     ResamplePercent(sender, onProgress)))
            ResampleNearest24(source, dest);
        return;
    }
}

void IKResampleFastLinear(TIKBitmap* source, TIKBitmap* dest, vcl::TObject* sender,
                          const TIKProgressEvent& onProgress) {
    if (!ResampleCanRun(source, dest))
        return;
    if (source->Width() == dest->Width() && source->Height() == dest->Height()) {
        dest->Assign(source);
        return;
    }
    if (!IKResamplePlaneFastLinear(source->Width(), source->Height(), dest->Width(), dest->Height(), 3,
                                   ResampleReader24(source), ResampleWriter24(dest),
                                   ResamplePercent(sender, onProgress)))
        ResampleNearest24(source, dest);
}

namespace {

// Keys' cubic convolution kernel with a = -1.
double ResampleCubicKernel(double d) {
    d = std::fabs(d);
    if (d < 1)
        return d * d * d - 2 * d * d + 1;
    if (d < 2)
        return -d * d * d + 5 * d * d - 8 * d + 4;
    return 0.0;
}

// The four weights of the samples at -1, 0, 1 and 2 for position t, computed once for many samples.
struct ResampleCubicWeights {
    double W[4];
    explicit ResampleCubicWeights(double t)
        : W{ResampleCubicKernel(t + 1), ResampleCubicKernel(t), ResampleCubicKernel(t - 1),
            ResampleCubicKernel(t - 2)} {}
    double Apply(double pm1, double p0, double p1, double p2) const {
        return std::clamp(pm1 * W[0] + p0 * W[1] + p1 * W[2] + p2 * W[3], 0.0, 255.0);
    }
};

} // namespace

double IKCubicInterpolate(int32_t pm1, int32_t p0, int32_t p1, int32_t p2, double t) {
    return ResampleCubicWeights(t).Apply(pm1, p0, p1, p2);
}

namespace {

// One piece of an axis cut at every source and every destination boundary.
struct ResamplePiece {
    int32_t Src; // the source pixel the piece lies in
    int32_t Dst; // the destination pixel it belongs to
    double Length;
    bool EndsDest; // the piece closes its destination pixel
    // Where an enlarged direction is interpolated: between source pixels I and I + 1 at T (0..1), the
    // piece's middle with pixel values sitting at pixel centres, so that the picture does not shift.
    int32_t I;
    double T;
};

std::vector<ResamplePiece> ResampleCutAxis(int32_t src, int32_t dst) {
    const double r = double(src) / dst;
    std::vector<ResamplePiece> pieces;
    pieces.reserve(size_t(src) + size_t(dst));
    double pos = 0;
    int32_t s = 0, d = 0;
    while (d < dst) {
        const double sb = s + 1.0, db = d + 1 == dst ? double(src) : (d + 1) * r;
        const int32_t sp = std::min(s, src - 1);
        // A destination boundary up to 0.0001 after a source boundary still comes first.
        const bool endsDest = db <= sb + 0.0001;
        const double end = endsDest ? db : sb;
        const double at = (pos + end) / 2 - 0.5;
        const int32_t i = int32_t(std::floor(at));
        pieces.push_back({sp, d, std::max(end - pos, 0.0), endsDest, i, at - i});
        pos = end;
        if (endsDest) {
            ++d;
            if (db >= sb)
                ++s;
        } else {
            ++s;
        }
    }
    return pieces;
}

} // namespace

void IKResampleInterpolated(TIKBitmap* source, TIKBitmap* dest, bool bicubic, vcl::TObject* sender,
                            const TIKProgressEvent& onProgress) {
    if (!ResampleCanRun(source, dest))
        return;
    const int32_t srcW = source->Width(), srcH = source->Height(), dstW = dest->Width(),
                  dstH = dest->Height();
    if (srcW <= 0 || srcH <= 0) {
        ResampleNearest24(source, dest);
        return;
    }
    const double rx = double(srcW) / dstW, ry = double(srcH) / dstH;
    const bool interpX = rx < 1, interpY = ry < 1; // a direction is interpolated only when enlarged
    const std::vector<ResamplePiece> xs = ResampleCutAxis(srcW, dstW), ys = ResampleCutAxis(srcH, dstH);
    const size_t nx = xs.size();
    std::vector<ResampleCubicWeights> xWeights;
    xWeights.reserve(bicubic && interpX ? nx : 0);
    for (size_t k = 0; k < nx && bicubic && interpX; ++k)
        xWeights.emplace_back(xs[k].T);

    // The horizontal values of the x pieces for one source row, for the few rows the vertical step needs.
    struct RowValues {
        int32_t Row = -1;
        std::vector<double> V; // 3 a piece
    };
    RowValues cache[4];
    std::vector<uint8_t> line(size_t(srcW) * 3);
    auto rowValues = [&](int32_t row) -> const std::vector<double>& {
        row = std::clamp(row, 0, srcH - 1);
        for (RowValues& c : cache)
            if (c.Row == row)
                return c.V;
        // Rows are asked for in growing order: the lowest cached row is the one no longer needed.
        RowValues* slot = &cache[0];
        for (RowValues& c : cache)
            if (c.Row < slot->Row)
                slot = &c;
        RowValues& c = *slot;
        c.Row = row;
        c.V.resize(nx * 3);
        std::memcpy(line.data(), source->ScanLine(row), line.size());
        auto px = [&](int32_t x, int32_t ch) {
            return int32_t(line[size_t(std::clamp(x, 0, srcW - 1)) * 3 + size_t(ch)]);
        };
        for (size_t k = 0; k < nx; ++k) {
            const int32_t x = interpX ? xs[k].I : xs[k].Src;
            const double fx = xs[k].T;
            const ResampleCubicWeights* wx = xWeights.empty() ? nullptr : &xWeights[k];
            for (int32_t ch = 0; ch < 3; ++ch) {
                double v;
                if (!interpX)
                    v = px(x, ch);
                else if (!bicubic)
                    v = (1 - fx) * px(x, ch) + fx * px(x + 1, ch);
                else {
                    v = wx->Apply(px(x - 1, ch), px(x, ch), px(x + 1, ch), px(x + 2, ch));
                    if (interpY)
                        v = std::trunc(v + 1e-7); // whole values for the rows; the hair keeps 199.9999 at 200
                }
                c.V[k * 3 + size_t(ch)] = v;
            }
        }
        return c.V;
    };

    std::vector<double> acc(size_t(dstW) * 3, 0.0), colArea(size_t(dstW), 0.0);
    for (const ResamplePiece& p : xs)
        colArea[size_t(p.Dst)] += p.Length;
    std::vector<uint8_t> outRow(size_t(dstW) * 3);
    double rowArea = 0;
    int32_t rowsDone = 0;
    for (const ResamplePiece& py : ys) {
        const int32_t y = interpY ? py.I : py.Src;
        const double fy = py.T, ly = py.Length;
        const ResampleCubicWeights wy(fy);
        if (ly > 0) {
            const std::vector<double>* r[4] = {nullptr, nullptr, nullptr, nullptr};
            if (interpY && bicubic) {
                for (int32_t i = 0; i < 4; ++i)
                    r[i] = &rowValues(y - 1 + i); // rows y-1 .. y+2, edge rows repeated
            } else if (interpY) {
                r[1] = &rowValues(y);
                r[2] = &rowValues(y + 1);
            } else {
                r[1] = &rowValues(y);
            }
            for (size_t k = 0; k < nx; ++k) {
                const double area = xs[k].Length * ly;
                if (area <= 0)
                    continue;
                double* a = acc.data() + size_t(xs[k].Dst) * 3;
                for (size_t ch = 0; ch < 3; ++ch) {
                    const size_t i = k * 3 + ch;
                    double v;
                    if (!interpY)
                        v = (*r[1])[i];
                    else if (!bicubic)
                        v = (1 - fy) * (*r[1])[i] + fy * (*r[2])[i];
                    else
                        v = wy.Apply((*r[0])[i], (*r[1])[i], (*r[2])[i], (*r[3])[i]);
                    a[ch] += area * v;
                }
            }
            rowArea += ly;
        }
        if (!py.EndsDest)
            continue;
        // The mean over the destination pixel's area; a hair is added so that rounding in the area sums
        // cannot turn a full 255 into 254.
        for (int32_t i = 0; i < dstW; ++i) {
            const double area = colArea[size_t(i)] * rowArea;
            for (size_t ch = 0; ch < 3; ++ch) {
                const double v = area > 0 ? acc[size_t(i) * 3 + ch] / area + 1e-7 : 0.0;
                outRow[size_t(i) * 3 + ch] = uint8_t(std::clamp(std::trunc(v), 0.0, 255.0));
            }
        }
        std::memcpy(dest->ScanLine(py.Dst), outRow.data(), outRow.size());
        std::fill(acc.begin(), acc.end(), 0.0);
        rowArea = 0;
        ++rowsDone;
        if (onProgress)
            onProgress(sender, int32_t(double(rowsDone) / dstH * 100));
    }
}

void IKStretchNearest(TIKBitmap* source, TIKBitmap* dest) {
    if (!source || !dest || source == dest || source->PixelFormat() != dest->PixelFormat())
        return;
    const TIKBitmapFormat format = source->PixelFormat();
    if (format < ikbf1Bit || format > ikbf24Bit)
        return;
    const int32_t srcW = source->Width(), srcH = source->Height(), dstW = dest->Width(),
                  dstH = dest->Height();
    if (srcW <= 0 || srcH <= 0 || dstW <= 0 || dstH <= 0)
        return;
    if (format == ikbf8Bit && source->Palette() && dest->Palette())
        std::copy_n(source->Palette(), std::min(source->PaletteCount(), dest->PaletteCount()),
                    dest->Palette());
    const double rx = double(srcW) / dstW, ry = double(srcH) / dstH;
    std::vector<int32_t> cols(static_cast<size_t>(dstW));
    for (int32_t x = 0; x < dstW; ++x)
        cols[size_t(x)] = std::min(int32_t(rx * x), srcW - 1);
    const int32_t bytes = IKFormatBits(format) / 8;
    std::vector<uint8_t> line(size_t(source->RowLength()));
    std::vector<uint8_t> out(size_t(dest->RowLength()));
    for (int32_t y = 0; y < dstH; ++y) {
        std::memcpy(line.data(), source->ScanLine(std::min(int32_t(ry * y), srcH - 1)), line.size());
        std::memcpy(out.data(), dest->ScanLine(y), out.size());
        if (format == ikbf1Bit) {
            for (int32_t x = 0; x < dstW; ++x)
                IKPutBit(out.data(), x, IKTestBit(line.data(), cols[size_t(x)]) != 0);
        } else {
            for (int32_t x = 0; x < dstW; ++x)
                std::memcpy(out.data() + size_t(x) * size_t(bytes),
                            line.data() + size_t(cols[size_t(x)]) * size_t(bytes), size_t(bytes));
        }
        std::memcpy(dest->ScanLine(y), out.data(), out.size());
    }
}

} // namespace imaging

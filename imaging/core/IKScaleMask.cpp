#include "imaging/core/IKScaleMask.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/core/IKResample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace imaging {

namespace {

constexpr int32_t ScaleFixedShift = 17;

bool ScaleIsLinear(TResampleFilter filter) {
    return filter == rfFastLinear || filter == rfBilinear || filter == rfBicubic;
}

bool ScaleMask8(const TIKMask* m) {
    return m && m->GetBitsPerPixel() == 8 && m->GetWidth() > 0 && m->GetHeight() > 0;
}

TIKPlaneReader ScaleMaskReader(const TIKMask* m) {
    return [m](int32_t y, uint8_t* row) { std::memcpy(row, m->ScanLine(y), size_t(m->GetWidth())); };
}
TIKPlaneWriter ScaleMaskWriter(TIKMask* m) {
    return [m](int32_t y, const uint8_t* row) { std::memcpy(m->ScanLine(y), row, size_t(m->GetWidth())); };
}
TIKPlaneReader ScaleBitsReader(TIKBitmap* b) {
    return [b](int32_t y, uint8_t* row) {
        const uint8_t* bits = b->ScanLine(y);
        for (int32_t x = 0; x < b->Width(); ++x)
            row[x] = IKTestBit(bits, x) ? 255 : 0;
    };
}
TIKPlaneWriter ScaleGrayTo24Writer(TIKBitmap* b) {
    return [b](int32_t y, const uint8_t* row) {
        uint8_t* out = b->ScanLine(y);
        for (int32_t x = 0; x < b->Width(); ++x)
            out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = row[x];
    };
}

// Box averaging of a region of one-bit rows (read through rowBits, region row r at source row y1 + r) onto
// dstW x dstH gray values, handed row by row to put.
void ScaleBox(const std::function<const uint8_t*(int32_t y)>& rowBits, int32_t srcW, int32_t srcH, int32_t x1,
              int32_t y1, int32_t x2, int32_t y2, int32_t dstW, int32_t dstH,
              const std::function<void(int32_t row, const uint8_t* gray)>& put) {
    if (srcW <= 0 || srcH <= 0 || dstW <= 0 || dstH <= 0)
        return;
    const double fx = double(x2 - x1 + 1) / dstW, fy = double(y2 - y1 + 1) / dstH;
    const double hy = std::trunc(fy);
    std::vector<int32_t> c0(static_cast<size_t>(dstW)), c1(c0.size());
    for (int32_t j = 0; j < dstW; ++j) {
        // Columns stay inside the source whatever the region asks for.
        c0[size_t(j)] = std::clamp(x1 + int32_t(std::trunc(fx * j - fx / 2)), 0, srcW - 1);
        c1[size_t(j)] = std::clamp(x1 + int32_t(std::trunc(fx / 2 + fx * j)), c0[size_t(j)], srcW - 1);
    }
    std::vector<int32_t> sums(static_cast<size_t>(dstW)), counts(sums.size());
    std::vector<uint8_t> gray(static_cast<size_t>(dstW));
    for (int32_t i = 0; i < dstH; ++i) {
        const int32_t r0 = std::clamp(int32_t(std::trunc(fy * i - fy / 2)), 0, srcH - 1);
        const int32_t r1 = std::clamp(int32_t(std::trunc(hy / 2 + fy * i)), r0, srcH - 1);
        std::fill(sums.begin(), sums.end(), 0);
        std::fill(counts.begin(), counts.end(), 0);
        for (int32_t r = r0; r <= r1; ++r) {
            const int32_t y = y1 + r;
            if (y < 0 || y >= srcH)
                continue;
            const uint8_t* bits = rowBits(y);
            for (int32_t j = 0; j < dstW; ++j) {
                for (int32_t x = c0[size_t(j)]; x <= c1[size_t(j)]; ++x)
                    sums[size_t(j)] += IKTestBit(bits, x) ? 255 : 0;
                counts[size_t(j)] += c1[size_t(j)] - c0[size_t(j)] + 1;
            }
        }
        for (int32_t j = 0; j < dstW; ++j)
            gray[size_t(j)] = uint8_t(counts[size_t(j)] ? sums[size_t(j)] / counts[size_t(j)] : 0);
        put(i, gray.data());
    }
}

} // namespace

void IKResampleMaskLinear(const TIKMask* source, TIKMask* dest, vcl::TObject* sender,
                          const TIKProgressEvent& onProgress) {
    if (!ScaleMask8(source) || !ScaleMask8(dest) || source == dest)
        return;
    if (source->GetWidth() == dest->GetWidth() && source->GetHeight() == dest->GetHeight()) {
        dest->Assign(source);
        return;
    }
    TIKPercentEvent percent;
    if (onProgress)
        percent = [&](int32_t p) { onProgress(sender, p); };
    IKResamplePlaneFastLinear(source->GetWidth(), source->GetHeight(), dest->GetWidth(), dest->GetHeight(), 1,
                              ScaleMaskReader(source), ScaleMaskWriter(dest), percent);
}

void IKResampleMask(const TIKMask* source, TIKMask* dest, TResampleFilter filter) {
    if (!ScaleMask8(source) || !ScaleMask8(dest) || source == dest)
        return;
    if (ScaleIsLinear(filter)) {
        IKResampleMaskLinear(source, dest, nullptr, {});
        return;
    }
    if (filter == rfNone ||
        !IKResamplePlaneFiltered(source->GetWidth(), source->GetHeight(), dest->GetWidth(), dest->GetHeight(),
                                 1, filter, ScaleMaskReader(source), ScaleMaskWriter(dest), {}))
        IKResamplePlaneNearest(source->GetWidth(), source->GetHeight(), dest->GetWidth(), dest->GetHeight(),
                               1, ScaleMaskReader(source), ScaleMaskWriter(dest));
}

void IKResampleAlpha(TIKBitmap* source, TIKBitmap* dest, TResampleFilter filter) {
    if (!source || !dest || source == dest || source->PixelFormat() != ikbf8BitGray ||
        dest->PixelFormat() != ikbf8BitGray)
        return;
    TIKMask from, to;
    source->CopyToMask(&from);
    to.Allocate(dest->Width(), dest->Height(), 8);
    IKResampleMask(&from, &to, filter);
    dest->AssignMask(&to);
}

void IKResampleBilevelToGray(TIKBitmap* source, TIKBitmap* dest, TResampleFilter filter) {
    if (!source || !dest || source->PixelFormat() != ikbf1Bit || dest->PixelFormat() != ikbf24Bit)
        return;
    if (ScaleIsLinear(filter)) {
        IKScaleBilevelLinear(source, dest, nullptr, {});
        return;
    }
    const int32_t srcW = source->Width(), srcH = source->Height(), dstW = dest->Width(),
                  dstH = dest->Height();
    if (filter == rfNone || !IKResamplePlaneFiltered(srcW, srcH, dstW, dstH, 1, filter,
                                                     ScaleBitsReader(source), ScaleGrayTo24Writer(dest), {}))
        IKResamplePlaneNearest(srcW, srcH, dstW, dstH, 1, ScaleBitsReader(source), ScaleGrayTo24Writer(dest));
}

void IKScaleBilevelLinear(TIKBitmap* source, TIKBitmap* dest, vcl::TObject* sender,
                          const TIKProgressEvent& onProgress) {
    if (!source || !dest || source->PixelFormat() != ikbf1Bit || dest->PixelFormat() != ikbf24Bit)
        return;
    const int32_t srcW = source->Width(), srcH = source->Height(), dstW = dest->Width(),
                  dstH = dest->Height();
    if (srcW <= 0 || srcH <= 0 || dstW <= 0 || dstH <= 0)
        return;
    const double ex = double(dstW) / srcW, ey = double(dstH) / srcH;
    if (ex < 1 && ey < 1) {
        IKScaleBilevelBox(source, 0, 0, dest, srcH - 1, srcW - 1);
        return;
    }
    // Equal sizes and enlargements interpolate both ways into 24-bit gray (equal sizes copy every bit as 0
    // or 255).
    const double steps = double(srcH) + double(dstH) + 0.5;
    std::vector<int32_t> x0(static_cast<size_t>(dstW)), fx(x0.size());
    for (int32_t i = 0; i < dstW; ++i) {
        const double pos = i / ex;
        x0[size_t(i)] = std::min(int32_t(pos), srcW - 1);
        fx[size_t(i)] = int32_t((pos - int32_t(pos)) * (1 << ScaleFixedShift));
    }
    std::vector<uint8_t> work(size_t(dstW) * size_t(srcH));
    std::vector<uint8_t> line(static_cast<size_t>(srcW));
    const TIKPlaneReader read = ScaleBitsReader(source);
    for (int32_t k = 0; k < srcH; ++k) {
        read(k, line.data());
        uint8_t* out = work.data() + size_t(k) * size_t(dstW);
        for (int32_t i = 0; i < dstW; ++i) {
            const int32_t a = line[size_t(x0[size_t(i)])],
                          b = line[size_t(std::min(x0[size_t(i)] + 1, srcW - 1))];
            out[i] = uint8_t(a + ((int64_t(b - a) * fx[size_t(i)]) >> ScaleFixedShift));
        }
        if (onProgress)
            onProgress(sender, int32_t(k * 100.0 / steps));
    }
    std::vector<uint8_t> gray(static_cast<size_t>(dstW));
    const TIKPlaneWriter write = ScaleGrayTo24Writer(dest);
    for (int32_t j = 0; j < dstH; ++j) {
        const double y = j / ey;
        const int32_t y0 = std::min(int32_t(y), srcH - 1);
        const int32_t f = int32_t((y - int32_t(y)) * (1 << ScaleFixedShift));
        const uint8_t* a = work.data() + size_t(y0) * size_t(dstW);
        const uint8_t* b = work.data() + size_t(std::min(y0 + 1, srcH - 1)) * size_t(dstW);
        for (int32_t i = 0; i < dstW; ++i)
            gray[size_t(i)] = uint8_t(a[i] + ((int64_t(b[i] - a[i]) * f) >> ScaleFixedShift));
        write(j, gray.data());
        if (onProgress)
            onProgress(sender, int32_t((srcH + j) * 100.0 / steps));
    }
}

void IKScaleBilevelBox(TIKBitmap* source, int32_t x1, int32_t y1, TIKBitmap* dest, int32_t y2, int32_t x2) {
    if (!source || !dest || source->PixelFormat() != ikbf1Bit || dest->PixelFormat() != ikbf24Bit)
        return;
    std::vector<uint8_t> row(static_cast<size_t>(std::max(source->RowLength(), 0)));
    const TIKPlaneWriter write = ScaleGrayTo24Writer(dest);
    ScaleBox(
        [&](int32_t y) {
            std::memcpy(row.data(), source->ScanLine(y), row.size());
            return row.data();
        },
        source->Width(), source->Height(), x1, y1, x2, y2, dest->Width(), dest->Height(), write);
}

std::vector<uint8_t> IKScaleBilevelBufferBox(std::span<const uint8_t> data, int32_t srcW, int32_t srcH,
                                             int32_t dstH, int32_t dstW, int32_t y2, int32_t x2, int32_t y1,
                                             int32_t x1) {
    if (dstW < 1 || dstH < 1 || srcW < 1 || srcH < 1)
        return {};
    const int64_t srcRow = IKRowLength(srcW, 1), dstRow = IKRowLength(dstW, 24);
    if (int64_t(data.size()) < srcRow * srcH || dstRow * dstH > (int64_t(1) << 34))
        return {};
    std::vector<uint8_t> out(size_t(dstRow) * size_t(dstH));
    // The region's row r is source row y1 + r, stored at buffer row srcH - (y1 + r) - 1.
    ScaleBox([&](int32_t y) { return data.data() + size_t(srcH - y - 1) * size_t(srcRow); }, srcW, srcH, x1,
             y1, x2, y2, dstW, dstH,
             [&](int32_t i, const uint8_t* gray) {
                 uint8_t* p = out.data() + size_t(dstH - 1 - i) * size_t(dstRow);
                 for (int32_t x = 0; x < dstW; ++x)
                     p[3 * x] = p[3 * x + 1] = p[3 * x + 2] = gray[x];
             });
    return out;
}

} // namespace imaging

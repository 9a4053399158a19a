#include "imaging/core/IKRotate.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKPixelUtils.h"
#include "platform/vcl/Exceptions.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

constexpr double RotatePi = 3.14159265358979323846;
constexpr int64_t RotateMaxBufferBytes = int64_t(1) << 34;

// The angle resolved to 1/1000 degree, within (-360, 360), keeping its sign.
double RotateNormalize(double angle) {
    if (!std::isfinite(angle))
        return 0;
    const double milli = std::trunc(std::fmod(angle * 1000.0, 360000.0));
    return milli / 1000.0;
}

int32_t RotateRound(double v) {
    return int32_t(std::nearbyint(v));
}

// previous x f + current x (4096 - f), rounded, limited to a byte; f may be negative (extrapolation).
uint8_t RotateBlend(int32_t previous, int32_t current, int32_t f) {
    const int64_t v = int64_t(previous) * f + int64_t(current) * (4096 - f) + 2048;
    return IKClampToByte(int32_t(v >= 0 ? v / 4096 : -((-v + 4095) / 4096)));
}

// Writes source pixel `value` at `out`, blended with the previous source pixel when anti-aliasing.
void RotateWrite(uint8_t* out, const uint8_t* value, const uint8_t* previous, int32_t f, bool antiAlias) {
    if (!antiAlias) {
        std::memcpy(out, value, 3);
        return;
    }
    for (int32_t c = 0; c < 3; ++c)
        out[c] = RotateBlend(previous[c], value[c], f);
}

void RotateCheckBuffer(int64_t w, int64_t h) {
    if (w <= 0 || h <= 0 || w * h * 3 > RotateMaxBufferBytes || w > INT32_MAX / 3)
        throw vcl::EOutOfMemory("Image too large to rotate");
}

void RotateQuarter(TIKBitmap* source, TIKBitmap* dest, bool clockwise) {
    if (!source || !dest || source == dest || source->PixelFormat() != ikbf24Bit)
        return;
    const int32_t w = source->Width(), h = source->Height();
    dest->Allocate(h, w, source->PixelFormat());
    std::vector<uint8_t> line(size_t(w) * 3);
    for (int32_t y = 0; y < h; ++y) {
        std::memcpy(line.data(), source->ScanLine(y), line.size());
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* d = clockwise ? dest->ScanLine(x) + 3 * size_t(h - 1 - y)
                                   : dest->ScanLine(w - 1 - x) + 3 * size_t(y);
            std::memcpy(d, line.data() + 3 * size_t(x), 3);
        }
    }
}

void RotateShear(TIKBitmap* bitmap, TIKBitmap* t, double angle, bool antiAlias, TIKColorTriple background,
                 vcl::TObject* sender, const TIKProgressEvent& onProgress) {
    const double theta = angle * RotatePi / 180.0;
    const double a = std::fabs(std::sin(theta / 2) / std::cos(theta / 2)), b = std::fabs(std::sin(theta));
    const int32_t w = t->Width(), h = t->Height();
    const int32_t w1 = RotateRound(h * a + w + 1);
    const int32_t u = RotateRound((w1 - w) * b);
    const int32_t h2 = RotateRound(w1 * b + h + 1);
    const int32_t v = RotateRound((h2 - h - u) * a);
    const int32_t newH = RotateRound(h2 - 2.0 * u);
    const int32_t newW = RotateRound(newH * a + w1 + 1 - 2.0 * v);
    RotateCheckBuffer(w1, std::max(h, newH));
    RotateCheckBuffer(newW, newH);
    const double step = 100.0 / (double(h) + w1 + newH);
    auto report = [&](double value) {
        if (onProgress)
            onProgress(sender, int32_t(value));
    };
    const uint8_t bg[3] = {background.B, background.G, background.R};
    auto fillBackground = [&](std::vector<uint8_t>& buffer) {
        for (size_t i = 0; i < buffer.size(); i += 3)
            std::memcpy(buffer.data() + i, bg, 3);
    };

    // First pass: horizontal shear of t into w1 x h.
    const size_t row1 = size_t(w1) * 3;
    std::vector<uint8_t> buf1(row1 * size_t(h));
    fillBackground(buf1);
    std::vector<uint8_t> line(size_t(w) * 3);
    for (int32_t y = 0; y < h; ++y) {
        const double s = theta > 0 ? y * a : (h - y) * a;
        const int32_t shift = RotateRound(s);
        const int32_t f = int32_t(std::trunc((s - shift) * 4096));
        std::memcpy(line.data(), t->ScanLine(y), line.size());
        uint8_t* out = buf1.data() + size_t(y) * row1;
        const uint8_t* previous = bg;
        for (int32_t x = 0; x < w; ++x) {
            const int32_t col = shift + x;
            if (col < 0 || col >= w1)
                continue;
            RotateWrite(out + 3 * size_t(col), line.data() + 3 * size_t(x), previous, f, antiAlias);
            previous = line.data() + 3 * size_t(x);
        }
        if (antiAlias && f > 0 && shift + w >= 0 && shift + w < w1)
            RotateWrite(out + 3 * size_t(shift + w), bg, previous, f, true);
        report(y * step);
    }

    // Second pass: vertical shear into w1 x newH.
    std::vector<uint8_t> buf2(row1 * size_t(newH));
    fillBackground(buf2);
    for (int32_t x = 0; x < w1; ++x) {
        const double s = theta > 0 ? (w1 - x) * b : x * b;
        const int32_t c = RotateRound(s);
        const int32_t f = RotateRound((s - c) * 4096);
        const int32_t offset = c - u;
        const uint8_t* previous = bg;
        for (int32_t y = 0; y < h; ++y) {
            const int32_t row = offset + y;
            if (row < 0 || row >= newH)
                continue;
            const uint8_t* value = buf1.data() + size_t(y) * row1 + 3 * size_t(x);
            RotateWrite(buf2.data() + size_t(row) * row1 + 3 * size_t(x), value, previous, f, antiAlias);
            previous = value;
        }
        if (antiAlias && f > 0 && offset + h >= 0 && offset + h < newH)
            RotateWrite(buf2.data() + size_t(offset + h) * row1 + 3 * size_t(x), bg, previous, f, true);
        report((h + x) * step);
    }
    buf1.clear();
    buf1.shrink_to_fit();

    // Third pass: horizontal shear into the bitmap, newW x newH.
    bitmap->Allocate(newW, newH, ikbf24Bit);
    bitmap->Fill(IKTripleToColor(IKPackTriple(background)));
    std::vector<uint8_t> out(size_t(newW) * 3);
    for (int32_t y = 0; y < newH; ++y) {
        const double s = theta > 0 ? y * a : (newH - y) * a;
        const int32_t c = RotateRound(s);
        const int32_t f = RotateRound((s - c) * 4096);
        const int32_t offset = c - v;
        std::memcpy(out.data(), bitmap->ScanLine(y), out.size());
        const uint8_t* src = buf2.data() + size_t(y) * row1;
        const uint8_t* previous = bg;
        for (int32_t x = 0; x < w1; ++x) {
            const int32_t col = offset + x;
            if (col < 0 || col >= newW)
                continue;
            RotateWrite(out.data() + 3 * size_t(col), src + 3 * size_t(x), previous, f, antiAlias);
            previous = src + 3 * size_t(x);
        }
        if (antiAlias && f > 0 && offset + w1 >= 0 && offset + w1 < newW)
            RotateWrite(out.data() + 3 * size_t(offset + w1), bg, previous, f, true);
        std::memcpy(bitmap->ScanLine(y), out.data(), out.size());
        report((h + w1 + y) * step);
    }
}

} // namespace

void IKRotate90Clockwise(TIKBitmap* source, TIKBitmap* dest) {
    RotateQuarter(source, dest, true);
}

void IKRotate90CounterClockwise(TIKBitmap* source, TIKBitmap* dest) {
    RotateQuarter(source, dest, false);
}

void IKRotateBitmap(TIKBitmap* bitmap, bool antiAlias, vcl::TObject* sender, double angle,
                    TIKColorTriple background, const TIKProgressEvent& onProgress) {
    if (!bitmap || angle == 0)
        return;
    if (bitmap->PixelFormat() == ikbf1Bit) {
        TIKProgressContext progress;
        progress.OnProgress = onProgress;
        progress.Sender = sender;
        IKRotateBilevel(bitmap, background.R != 0 && background.G != 0 && background.B != 0, &progress,
                        angle);
        return;
    }
    if (bitmap->PixelFormat() != ikbf24Bit)
        return;
    double a = RotateNormalize(angle);
    TIKBitmap t;
    if (a >= -45 && a <= 45)
        t.CopyImage(bitmap);
    while (a > 45) {
        a -= 90;
        IKRotate90CounterClockwise(bitmap, &t);
        if (a > 45)
            bitmap->CopyImage(&t);
    }
    while (a < -45) {
        a += 90;
        IKRotate90Clockwise(bitmap, &t);
        if (a < -45)
            bitmap->CopyImage(&t);
    }
    if (a == 0 || t.Width() == 0 || t.Height() == 0) {
        bitmap->CopyImage(&t);
        return;
    }
    RotateShear(bitmap, &t, a, antiAlias, background, sender, onProgress);
}

void IKRotateBilevel(TIKBitmap* bitmap, bool backgroundBit, TIKProgressContext* progress, double angle) {
    if (!bitmap || bitmap->PixelFormat() != ikbf1Bit)
        return;
    // Whole turns are recognised whatever way the angle is written (450 is 90, 270 is -90).
    double a = RotateNormalize(angle);
    if (a > 180)
        a -= 360;
    else if (a <= -180)
        a += 360;
    if (a == 0)
        return;
    const int32_t w = bitmap->Width(), h = bitmap->Height();
    TIKBitmap result;
    result.SetStorageKind(ikbsMemory);
    std::vector<uint8_t> line(size_t(std::max(bitmap->RowLength(), 0)));
    if (a == 90 || a == -90) {
        result.Allocate(h, w, ikbf1Bit);
        for (int32_t y = 0; y < h; ++y) {
            std::memcpy(line.data(), bitmap->ScanLine(y), line.size());
            for (int32_t x = 0; x < w; ++x)
                if (IKTestBit(line.data(), x)) {
                    if (a == 90)
                        IKPutBit(result.ScanLine(w - 1 - x), y, true);
                    else
                        IKPutBit(result.ScanLine(x), h - 1 - y, true);
                }
        }
    } else if (a == 180) {
        result.Allocate(w, h, ikbf1Bit);
        for (int32_t j = 0; j < h; ++j) {
            std::memcpy(line.data(), bitmap->ScanLine(h - 1 - j), line.size());
            uint8_t* out = result.ScanLine(j);
            for (int32_t x = 0; x < w; ++x)
                if (IKTestBit(line.data(), w - 1 - x))
                    IKPutBit(out, x, true);
        }
    } else {
        const double r = -a / 57.29577951308232;
        const double c = std::trunc(std::cos(r) * 10000) / 10000, s = std::trunc(std::sin(r) * 10000) / 10000;
        const double wd = std::fabs(w * c) + std::fabs(h * s), hd = std::fabs(w * s) + std::fabs(h * c);
        if (wd > INT32_MAX || hd > INT32_MAX)
            throw vcl::EOutOfMemory("Image too large to rotate");
        const int32_t w2 = int32_t(wd), h2 = int32_t(hd);
        result.Allocate(w2, h2, ikbf1Bit);
        const double cx = w / 2.0 - 0.5, cy = h / 2.0 - 0.5, cx2 = w2 / 2.0 - 0.5, cy2 = h2 / 2.0 - 0.5;
        std::vector<int32_t> px(static_cast<size_t>(std::max(w2, 0))), py(px.size());
        for (int32_t k = 0; k < w2; ++k) {
            px[size_t(k)] = int32_t(std::trunc((k - cx2) * c));
            py[size_t(k)] = int32_t(std::trunc(-(k - cx2) * s));
        }
        // The source is read from memory: every result row needs pixels of many source rows.
        std::vector<uint8_t> source(line.size() * size_t(h));
        for (int32_t y = 0; y < h; ++y)
            std::memcpy(source.data() + size_t(y) * line.size(), bitmap->ScanLine(y), line.size());
        for (int32_t j = 0; j < h2; ++j) {
            const int32_t u = int32_t(std::trunc(cx + s * (j - cy2))),
                          v = int32_t(std::trunc(cy + c * (j - cy2)));
            uint8_t* out = result.ScanLine(j);
            for (int32_t k = 0; k < w2; ++k) {
                const int64_t sx = int64_t(u) + px[size_t(k)], sy = int64_t(v) + py[size_t(k)];
                const bool set = sx >= 0 && sy >= 0 && sx < w && sy < h
                                     ? IKTestBit(source.data() + size_t(sy) * line.size(), int32_t(sx)) != 0
                                     : backgroundBit;
                if (set)
                    IKPutBit(out, k, true);
            }
            if (progress)
                progress->Report(int32_t(j * 100.0 / h2));
        }
    }
    bitmap->Assign(&result);
}

} // namespace imaging

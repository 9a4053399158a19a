#include "imaging/core/IKHelpers.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/kernel/MappedFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace imaging {

const uint8_t IKBitMask[8] = {128, 64, 32, 16, 8, 4, 2, 1};

namespace {

constexpr std::array<uint8_t, 256> HelpersMakeReversedBits() {
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        int r = 0;
        for (int b = 0; b < 8; ++b)
            if (i & (1 << b))
                r |= 0x80 >> b;
        t[size_t(i)] = uint8_t(r);
    }
    return t;
}
constexpr std::array<uint8_t, 256> HelpersReversed = HelpersMakeReversedBits();

} // namespace

const uint8_t IKReversedBits[256] = {
#define R(i) HelpersReversed[i]
#define R4(i) R(i), R(i + 1), R(i + 2), R(i + 3)
#define R16(i) R4(i), R4(i + 4), R4(i + 8), R4(i + 12)
#define R64(i) R16(i), R16(i + 16), R16(i + 32), R16(i + 48)
    R64(0), R64(64), R64(128), R64(192)
#undef R64
#undef R16
#undef R4
#undef R
};

int32_t IKPixelFormatBits(int32_t format) {
    switch (format) {
    case 1:
        return 1;
    case 2:
        return 4;
    case 3:
        return 8;
    case 4:
        return 15;
    case 5:
        return 16;
    case 6:
        return 24;
    case 7:
        return 32;
    default:
        return 0;
    }
}

int64_t IKTBitmapRowLength(int64_t width, int32_t format) {
    return IKRowLength(width, IKPixelFormatBits(format));
}

int32_t IKBitFieldWidth(uint32_t mask) {
    if (mask == 0)
        return 0;
    mask >>= std::countr_zero(mask);
    return std::countr_one(mask);
}

int32_t IKCeilLog2(uint32_t n) {
    if (n == 0)
        return -1;
    int32_t high = 31 - std::countl_zero(n);
    return std::has_single_bit(n) ? high : high + 1;
}

int64_t IKBitsToColorCount(int32_t bits, int32_t samples) {
    if (samples <= 0)
        return 1;
    if (bits < 0)
        return 0;
    // 2^(bits * samples) by repeated multiplication of 2^bits, saturating.
    const int64_t limit = std::numeric_limits<int64_t>::max();
    int64_t one = bits >= 63 ? limit : int64_t(1) << bits;
    int64_t result = 1;
    for (int32_t i = 0; i < samples; ++i) {
        if (one != 0 && result > limit / one)
            return limit;
        result *= one;
    }
    return result;
}

void IKReverseByteBits(uint8_t& b) {
    b = IKReversedBits[b];
}

void IKReverseBits32(uint32_t& v) {
    v = (uint32_t(IKReversedBits[v & 0xFF]) << 24) | (uint32_t(IKReversedBits[(v >> 8) & 0xFF]) << 16) |
        (uint32_t(IKReversedBits[(v >> 16) & 0xFF]) << 8) | uint32_t(IKReversedBits[v >> 24]);
}

double IKPower(double base, double exponent) {
    if (exponent == 0)
        return 1.0;
    if (base == 0)
        return exponent > 0 ? 0.0 : std::numeric_limits<double>::infinity();
    if (exponent == std::trunc(exponent) &&
        std::fabs(exponent) <= double(std::numeric_limits<int32_t>::max())) {
        int64_t n = int64_t(std::fabs(exponent));
        double result = 1.0, square = base;
        while (n > 0) {
            if (n & 1)
                result *= square;
            square *= square;
            n >>= 1;
        }
        return exponent < 0 ? 1.0 / result : result;
    }
    return std::exp(exponent * std::log(base));
}

void IKWriteStreamChecked(vcl::TStream* stream, bool& aborting, const void* buffer, int32_t count) {
    if (count <= 0)
        return;
    if (stream->Write(buffer, count) < count)
        aborting = true;
}

bool IKDirectoryExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void IKCreateDirectoryPath(const std::string& path) {
    if (path.empty())
        throw vcl::Exception("Cannot Create Directory");
    std::string dir = path;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    if (dir.size() <= 1 || IKDirectoryExists(dir))
        return;
    // The parent is the path up to and including its last separator; a name without one lies in the
    // current folder, which exists.
    size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos) {
        std::string parent = dir.substr(0, slash + 1);
        if (parent != dir)
            IKCreateDirectoryPath(parent);
    }
    // A failure shows when the caller uses the folder.
    ::mkdir(dir.c_str(), 0777);
}

double IKStrToFloatAnySeparator(const std::string& text, double def) {
    double v = 0;
    if (vcl::TryStrToFloat(text, v) && std::isfinite(v))
        return v;
    // Written with the other separator: the first "," becomes "." or else the first "." becomes ",".
    std::string alt = text;
    if (size_t comma = alt.find(','); comma != std::string::npos)
        alt[comma] = '.';
    else if (size_t dot = alt.find('.'); dot != std::string::npos)
        alt[dot] = ',';
    if (vcl::TryStrToFloat(alt, v) && std::isfinite(v))
        return v;
    return def;
}

// sRGB with the D65 white, the standard matrices; the white point is the matrix's image of white so that
// white maps to a* = b* = 0 exactly.
namespace {

constexpr double HelpersRgbToXyz[3][3] = {
    {0.4124564, 0.3575761, 0.1804375}, {0.2126729, 0.7151522, 0.0721750}, {0.0193339, 0.1191920, 0.9503041}};

struct HelpersLabTables {
    double White[3];
    double XyzToRgb[3][3];
    double Linear[256];
    HelpersLabTables() {
        for (int i = 0; i < 3; ++i)
            White[i] = HelpersRgbToXyz[i][0] + HelpersRgbToXyz[i][1] + HelpersRgbToXyz[i][2];
        const auto& m = HelpersRgbToXyz;
        double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                     m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                     m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
        XyzToRgb[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det;
        XyzToRgb[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
        XyzToRgb[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
        XyzToRgb[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det;
        XyzToRgb[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
        XyzToRgb[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
        XyzToRgb[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det;
        XyzToRgb[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
        XyzToRgb[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
        for (int i = 0; i < 256; ++i) {
            double v = i / 255.0;
            Linear[i] = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        }
    }
};

const HelpersLabTables& HelpersLab() {
    static const HelpersLabTables tables;
    return tables;
}

constexpr double HelpersLabDelta = 6.0 / 29.0;

double HelpersLabF(double t) {
    return t > HelpersLabDelta * HelpersLabDelta * HelpersLabDelta
               ? std::cbrt(t)
               : t / (3 * HelpersLabDelta * HelpersLabDelta) + 4.0 / 29.0;
}

double HelpersLabFInverse(double f) {
    return f > HelpersLabDelta ? f * f * f : 3 * HelpersLabDelta * HelpersLabDelta * (f - 4.0 / 29.0);
}

uint8_t HelpersGammaByte(double v) {
    v = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    return uint8_t(std::clamp(std::lround(v * 255.0), 0L, 255L));
}

} // namespace

TIKCIELab IKRGBToCIELab(uint32_t color) {
    const auto& t = HelpersLab();
    double rgb[3] = {t.Linear[(color >> 16) & 0xFF], t.Linear[(color >> 8) & 0xFF], t.Linear[color & 0xFF]};
    double f[3];
    for (int i = 0; i < 3; ++i) {
        double xyz =
            HelpersRgbToXyz[i][0] * rgb[0] + HelpersRgbToXyz[i][1] * rgb[1] + HelpersRgbToXyz[i][2] * rgb[2];
        f[i] = HelpersLabF(xyz / t.White[i]);
    }
    double l = 116 * f[1] - 16, a = 500 * (f[0] - f[1]), b = 200 * (f[1] - f[2]);
    TIKCIELab lab;
    lab.L = uint8_t(std::clamp(std::lround(l * 255.0 / 100.0), 0L, 255L));
    lab.a = int8_t(std::clamp(std::lround(a), -128L, 127L));
    lab.b = int8_t(std::clamp(std::lround(b), -128L, 127L));
    return lab;
}

TIKColorTriple IKCIELabToRGB(TIKCIELab lab) {
    const auto& t = HelpersLab();
    double fy = (lab.L * 100.0 / 255.0 + 16) / 116;
    double f[3] = {fy + lab.a / 500.0, fy, fy - lab.b / 200.0};
    double xyz[3];
    for (int i = 0; i < 3; ++i)
        xyz[i] = HelpersLabFInverse(f[i]) * t.White[i];
    uint8_t c[3];
    for (int i = 0; i < 3; ++i)
        c[i] = HelpersGammaByte(t.XyzToRgb[i][0] * xyz[0] + t.XyzToRgb[i][1] * xyz[1] +
                                t.XyzToRgb[i][2] * xyz[2]);
    return TIKColorTriple{c[2], c[1], c[0]};
}

TIKColorTriple IKCIELabToRGB(uint32_t lab) {
    return IKCIELabToRGB(TIKCIELab{uint8_t(lab), int8_t(uint8_t(lab >> 8)), int8_t(uint8_t(lab >> 16))});
}

bool IKPointInRect(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return left <= x && x <= right && top <= y && y <= bottom;
}

int32_t IKRectsIntersect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t left, int32_t top,
                         int32_t right, int32_t bottom) {
    if (std::max(x1, x2) < left || right < std::min(x1, x2) || std::max(y1, y2) < top ||
        bottom < std::min(y1, y2))
        return 0;
    return 1;
}

int32_t IKRectVisibility(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t x1, int32_t y1,
                         int32_t x2, int32_t y2) {
    bool inX1 = left <= x1 && x1 <= right, inX2 = left <= x2 && x2 <= right;
    bool inY1 = top <= y1 && y1 <= bottom, inY2 = top <= y2 && y2 <= bottom;
    if ((inX1 != inX2 && (inY1 || inY2)) || ((inX1 || inX2) && inY1 != inY2) ||
        (inX1 != inX2 && inY1 != inY2))
        return 1;
    if (inX1 && inX2 && inY1 && inY2)
        return 2;
    return 0;
}

double IKDistanceToLine(int32_t px, int32_t py, int32_t ax, int32_t ay, int32_t bx, int32_t by) {
    double dx = double(bx) - ax, dy = double(by) - ay;
    double len = std::sqrt(dy * dy + dx * dx);
    if (len == 0)
        return std::hypot(double(px) - ax, double(py) - ay);
    return std::fabs(dy * px - dx * py + double(bx) * ay - double(by) * ax) / len;
}

double IKDistanceToSegment(int32_t px, int32_t py, int32_t ax, int32_t ay, int32_t bx, int32_t by) {
    constexpr double far = 1000000.0;
    constexpr int64_t bound = 45001;
    auto near = [](int64_t dx, int64_t dy) { return std::llabs(dx) < bound && std::llabs(dy) < bound; };
    if (ax == bx && ay == by)
        return std::hypot(double(px) - ax, double(py) - ay);
    double abx = double(bx) - ax, aby = double(by) - ay;
    double t = (abx * (double(px) - ax) + aby * (double(py) - ay)) / (abx * abx + aby * aby);
    if (t > 1)
        return near(int64_t(px) - bx, int64_t(py) - by) ? std::hypot(double(px) - bx, double(py) - by) : far;
    if (t < 0)
        return near(int64_t(ax) - px, int64_t(ay) - py) ? std::hypot(double(px) - ax, double(py) - ay) : far;
    double d = IKDistanceToLine(px, py, ax, ay, bx, by);
    return std::isfinite(d) ? d : far;
}

void IKSnapPoint(int32_t anchorX, int32_t anchorY, int32_t& x, int32_t& y) {
    int64_t dx = std::llabs(int64_t(anchorX) - x), dy = std::llabs(int64_t(anchorY) - y);
    if (dx + 30 < dy) {
        x = anchorX;
        return;
    }
    if (dy < dx - 30) {
        y = anchorY;
        return;
    }
    int32_t d = int32_t(std::llabs(dx - dy));
    if (x < anchorX && y < anchorY) {
        // Left-above: the longer offset shrinks toward the anchor.
        if (dx > dy)
            x += d;
        else
            y += d;
    } else if (x > anchorX && y > anchorY) {
        // Right-below: the shorter offset grows away from the anchor.
        if (dx < dy)
            x += d;
        else
            y += d;
    } else if (x < anchorX && y >= anchorY) {
        if (dx < dy)
            x -= d;
        else
            y += d;
    } else if (x >= anchorX && y < anchorY) {
        if (dx < dy)
            x += d;
        else
            y -= d;
    }
}

bool IKIsWindowsXP() {
    // The platform layer reports the NT family, version 5.1.
    return true;
}

bool IKHasMMX() {
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("mmx");
#else
    return false;
#endif
}

uint64_t IKAvailablePhysicalMemory() {
    win::MEMORYSTATUSEX status;
    return win::GlobalMemoryStatusEx(&status) ? status.ullAvailPhys : 0;
}

} // namespace imaging

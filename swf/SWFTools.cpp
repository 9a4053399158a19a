#include "swf/SWFTools.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace swf {

int32_t GetBitsCount(uint32_t value) {
    int32_t n = 0;
    while (n < 32 && (uint64_t(value) >> n) != 0)
        ++n;
    return n;
}

uint8_t GetSBitsCount(int32_t value, uint8_t extra) {
    if (value == 0)
        return 0;
    // |INT32_MIN| does not fit a signed 32-bit value; its magnitude does fit an unsigned one.
    uint32_t magnitude = value < 0 ? uint32_t(0) - uint32_t(value) : uint32_t(value);
    return static_cast<uint8_t>(GetBitsCount(magnitude) + extra);
}

namespace {
int64_t ToolsAbs(int32_t v) {
    return v < 0 ? -int64_t(v) : int64_t(v);
}
int32_t ToolsClampAbs(int64_t v) {
    return static_cast<int32_t>(std::min<int64_t>(v, INT32_MAX));
}
} // namespace

// The largest magnitude; INT32_MIN reports as INT32_MAX, which needs the same number of magnitude bits
// plus the sign bit the callers add, so the field stays wide enough for it.
int32_t MaxAbs2(int32_t a, int32_t b) {
    return ToolsClampAbs(std::max(ToolsAbs(a), ToolsAbs(b)));
}

int32_t MaxAbs4(int32_t a, int32_t b, int32_t c, int32_t d) {
    return ToolsClampAbs(std::max({ToolsAbs(a), ToolsAbs(b), ToolsAbs(c), ToolsAbs(d)}));
}

bool IsBitSet(uint16_t value, uint8_t index) {
    return index >= 1 && index <= 16 && ((value >> (index - 1)) & 1);
}

int32_t RoundToEven(double x) {
    // The default floating-point rounding mode rounds halves to even.
    double r = std::nearbyint(x);
    if (!(r >= double(INT32_MIN) && r <= double(INT32_MAX)))
        throw vcl::EIntOverflow("Integer overflow");
    return static_cast<int32_t>(r);
}

float Fixed8ToFloat(uint16_t value) {
    return float(value >> 8) + float(value & 0xFF) / 256.0f;
}

uint16_t FloatToFixed8(double value) {
    if (!(std::fabs(value) < 8388608.0))
        throw vcl::EIntOverflow("Integer overflow");
    double whole = std::trunc(value);
    int64_t fixed = int64_t(whole) * 256 + RoundToEven((value - whole) * 256.0);
    return static_cast<uint16_t>(fixed & 0xFFFF);
}

int32_t FloatToFixed16(double value) {
    double scaled = std::trunc(value * 65536.0);
    if (!(scaled >= double(INT32_MIN) && scaled <= double(INT32_MAX)))
        throw vcl::EIntOverflow("Integer overflow");
    return static_cast<int32_t>(scaled);
}

TSWFRGBRec MakeRGB(uint8_t r, uint8_t g, uint8_t b) {
    return {r, g, b};
}

TSWFRGBRec ColorToSWFRGB(int32_t color) {
    return {uint8_t(color & 0xFF), uint8_t((color >> 8) & 0xFF), uint8_t((color >> 16) & 0xFF)};
}

int32_t MakeRGBA(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return static_cast<int32_t>(uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16) | (uint32_t(a) << 24));
}

TSWFRectRec NormalizeRect(const win::TRect& rect, bool toTwips) {
    TSWFRectRec r{std::min(rect.Left, rect.Right), std::max(rect.Left, rect.Right),
                  std::min(rect.Top, rect.Bottom), std::max(rect.Top, rect.Bottom)};
    if (toTwips) {
        r.XMin *= 20;
        r.XMax *= 20;
        r.YMin *= 20;
        r.YMax *= 20;
    }
    return r;
}

TSWFMatrixRec MakeMatrix(bool hasScale, bool hasRotate, int32_t scaleX, int32_t scaleY, int32_t rotateSkew1,
                         int32_t rotateSkew0, int32_t translateX, int32_t translateY) {
    return {uint8_t(hasScale), uint8_t(hasRotate), scaleX,     scaleY,
            rotateSkew1,       rotateSkew0,        translateX, translateY};
}

void TBitsEngine::WriteBits(uint32_t value, uint8_t count) {
    if (count == 0)
        return;
    if (count > 32)
        count = 32;
    uint64_t v = count == 32 ? value : (value & ((uint32_t(1) << count) - 1));
    uint32_t total = FBitCount + count;
    uint32_t bytes = total / 8;
    if (bytes == 0) {
        FBitBuffer = static_cast<uint8_t>((uint32_t(FBitBuffer) << count) | uint32_t(v));
        FBitCount = static_cast<uint8_t>(total);
        return;
    }
    uint32_t rest = total % 8;
    uint64_t out;
    if (rest == 0) {
        out = (uint64_t(FBitBuffer) << count) + v;
        FBitBuffer = 0;
        FBitCount = 0;
    } else {
        out = (uint64_t(FBitBuffer) << (count - rest)) + (v >> rest);
        FBitBuffer = static_cast<uint8_t>(v & ((1u << rest) - 1));
        FBitCount = static_cast<uint8_t>(rest);
    }
    uint8_t buffer[5];
    for (uint32_t i = 0; i < bytes; ++i)
        buffer[i] = static_cast<uint8_t>(out >> (8 * (bytes - 1 - i)));
    FStream->WriteBuffer(buffer, static_cast<int32_t>(bytes));
}

void TBitsEngine::FlushBits(bool pad) {
    if (FBitCount > 0 && pad) {
        uint8_t b = static_cast<uint8_t>(FBitBuffer << (8 - FBitCount));
        FStream->WriteBuffer(&b, 1);
    }
    FBitBuffer = 0;
    FBitCount = 0;
}

void TBitsEngine::WriteByte(uint8_t value) {
    if (FBitCount > 0)
        WriteBits(value, 8);
    else
        FStream->WriteBuffer(&value, 1);
}

void TBitsEngine::WriteWord(uint16_t value) {
    FlushBits(true);
    uint8_t b[2] = {uint8_t(value), uint8_t(value >> 8)};
    FStream->WriteBuffer(b, 2);
}

void TBitsEngine::WriteDWord(uint32_t value) {
    FlushBits(true);
    uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    FStream->WriteBuffer(b, 4);
}

void TBitsEngine::WriteRGB(int32_t color) {
    uint8_t b[3] = {uint8_t(color), uint8_t(color >> 8), uint8_t(color >> 16)};
    FStream->WriteBuffer(b, 3);
}

void TBitsEngine::WriteRGBA(int32_t color) {
    uint8_t b[4] = {uint8_t(color), uint8_t(color >> 8), uint8_t(color >> 16),
                    uint8_t(uint32_t(color) >> 24)};
    FStream->WriteBuffer(b, 4);
}

void TBitsEngine::WriteBytes(const void* data, int32_t count) {
    if (count > 0)
        FStream->WriteBuffer(data, count);
}

void TBitsEngine::WriteRect(const TSWFRectRec& rect) {
    uint8_t n = GetSBitsCount(MaxAbs4(rect.XMin, rect.XMax, rect.YMin, rect.YMax), 1);
    WriteBits(n, 5);
    WriteSB(rect.XMin, n);
    WriteSB(rect.XMax, n);
    WriteSB(rect.YMin, n);
    WriteSB(rect.YMax, n);
    FlushBits(true);
}

void TBitsEngine::WriteTRect(const win::TRect& rect) {
    WriteRect(NormalizeRect(rect, false));
}

namespace {

// Two signed values in their smallest common width, the width first in 5 bits (values of width 0 take no
// bits).
void ToolsWritePair(TBitsEngine& bits, int32_t a, int32_t b) {
    uint8_t n = GetSBitsCount(MaxAbs2(a, b), 1);
    bits.WriteBits(n, 5);
    bits.WriteSB(a, n);
    bits.WriteSB(b, n);
}

void ToolsReadPair(TBitsEngine& bits, int32_t& a, int32_t& b) {
    uint8_t n = static_cast<uint8_t>(bits.ReadBits(5));
    a = bits.ReadSBits(n);
    b = bits.ReadSBits(n);
}

// The red, green, blue and (with alpha) alpha terms of one kind of a colour transform, n bits each.
void ToolsWriteTerms(TBitsEngine& bits, uint8_t n, int16_t r, int16_t g, int16_t b, int16_t a, bool alpha) {
    bits.WriteSB(r, n);
    bits.WriteSB(g, n);
    bits.WriteSB(b, n);
    if (alpha)
        bits.WriteSB(a, n);
}

void ToolsReadTerms(TBitsEngine& bits, uint8_t n, int16_t& r, int16_t& g, int16_t& b, int16_t& a,
                    bool alpha) {
    r = static_cast<int16_t>(bits.ReadSBits(n));
    g = static_cast<int16_t>(bits.ReadSBits(n));
    b = static_cast<int16_t>(bits.ReadSBits(n));
    if (alpha)
        a = static_cast<int16_t>(bits.ReadSBits(n));
}

} // namespace

void TBitsEngine::WriteMatrix(const TSWFMatrixRec& m) {
    WriteBit(m.HasScale != 0);
    if (m.HasScale)
        ToolsWritePair(*this, m.ScaleX, m.ScaleY);
    WriteBit(m.HasRotate != 0);
    if (m.HasRotate)
        ToolsWritePair(*this, m.RotateSkew0, m.RotateSkew1);
    ToolsWritePair(*this, m.TranslateX, m.TranslateY);
    FlushBits(true);
}

void TBitsEngine::WriteColorTransform(const TSWFColorTransformRec& t) {
    uint8_t addBits = 0;
    uint8_t multBits = 0;
    if (t.HasAdd)
        addBits = GetSBitsCount(MaxAbs4(t.RedAdd, t.GreenAdd, t.BlueAdd, t.AlphaAdd * t.HasAlpha), 1);
    if (t.HasMult)
        multBits = GetSBitsCount(MaxAbs4(t.RedMult, t.GreenMult, t.BlueMult, t.AlphaMult * t.HasAlpha), 1);
    uint8_t n = std::max(addBits, multBits);
    WriteBit(t.HasAdd != 0);
    WriteBit(t.HasMult != 0);
    if (t.HasAdd || t.HasMult) {
        WriteBits(n, 4);
        if (t.HasMult)
            ToolsWriteTerms(*this, n, t.RedMult, t.GreenMult, t.BlueMult, t.AlphaMult, t.HasAlpha);
        if (t.HasAdd)
            ToolsWriteTerms(*this, n, t.RedAdd, t.GreenAdd, t.BlueAdd, t.AlphaAdd, t.HasAlpha);
    }
    FlushBits(true);
}

void TBitsEngine::WriteString(const std::string& s, bool zeroTerminated, bool utf8) {
    // The program's strings are UTF-8 already, so the conversion for utf8 is the identity.
    for (unsigned char c : s)
        WriteByte(c);
    if (zeroTerminated)
        WriteByte(0);
}

uint32_t TBitsEngine::ReadBits(uint8_t count) {
    if (count < 1)
        return 0;
    if (count > 32)
        count = 32;
    uint64_t result = 0;
    for (uint8_t i = 0; i < count; ++i) {
        if (FBitCount == 0) {
            FStream->ReadBuffer(&FBitBuffer, 1);
            FBitCount = 8;
        }
        --FBitCount;
        result = (result << 1) | ((FBitBuffer >> FBitCount) & 1);
        FBitBuffer &= static_cast<uint8_t>((1u << FBitCount) - 1);
    }
    return static_cast<uint32_t>(result);
}

int32_t TBitsEngine::ReadSBits(uint8_t count) {
    uint32_t v = ReadBits(count);
    if (count >= 1 && count < 32 && (v >> (count - 1)) & 1)
        v |= ~uint32_t(0) << count;
    return static_cast<int32_t>(v);
}

uint8_t TBitsEngine::ReadByte() {
    uint8_t b;
    FStream->ReadBuffer(&b, 1);
    return b;
}

uint16_t TBitsEngine::ReadWord() {
    uint8_t b[2];
    FStream->ReadBuffer(b, 2);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t TBitsEngine::ReadDWord() {
    uint8_t b[4];
    FStream->ReadBuffer(b, 4);
    return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

win::TRect TBitsEngine::ReadRect() {
    uint8_t n = static_cast<uint8_t>(ReadBits(5));
    win::TRect r;
    r.Left = ReadSBits(n);
    r.Right = ReadSBits(n);
    r.Top = ReadSBits(n);
    r.Bottom = ReadSBits(n);
    FlushBits(false);
    return r;
}

TSWFMatrixRec TBitsEngine::ReadMatrix() {
    TSWFMatrixRec m;
    m.HasScale = static_cast<uint8_t>(ReadBits(1));
    if (m.HasScale)
        ToolsReadPair(*this, m.ScaleX, m.ScaleY);
    m.HasRotate = static_cast<uint8_t>(ReadBits(1));
    if (m.HasRotate)
        ToolsReadPair(*this, m.RotateSkew0, m.RotateSkew1);
    ToolsReadPair(*this, m.TranslateX, m.TranslateY);
    FlushBits(false);
    return m;
}

TSWFColorTransformRec TBitsEngine::ReadColorTransform(bool withAlpha) {
    TSWFColorTransformRec t;
    t.HasAlpha = withAlpha;
    t.HasAdd = static_cast<uint8_t>(ReadBits(1));
    t.HasMult = static_cast<uint8_t>(ReadBits(1));
    uint8_t n = static_cast<uint8_t>(ReadBits(4));
    if (t.HasMult)
        ToolsReadTerms(*this, n, t.RedMult, t.GreenMult, t.BlueMult, t.AlphaMult, withAlpha);
    if (t.HasAdd)
        ToolsReadTerms(*this, n, t.RedAdd, t.GreenAdd, t.BlueAdd, t.AlphaAdd, withAlpha);
    FlushBits(false);
    return t;
}

TSWFRGBRec TBitsEngine::ReadRGB() {
    uint8_t b[3];
    FStream->ReadBuffer(b, 3);
    return {b[0], b[1], b[2]};
}

int32_t TBitsEngine::ReadRGBA() {
    uint8_t b[4];
    FStream->ReadBuffer(b, 4);
    return MakeRGBA(b[0], b[1], b[2], b[3]);
}

std::string TBitsEngine::ReadString() {
    std::string s;
    for (;;) {
        uint8_t c = ReadByte();
        if (c == 0)
            break;
        s.push_back(static_cast<char>(c));
    }
    return s;
}

std::string TBitsEngine::ReadPString(uint8_t len) {
    std::string s(len, '\0');
    if (len > 0)
        FStream->ReadBuffer(s.data(), len);
    return s;
}

} // namespace swf

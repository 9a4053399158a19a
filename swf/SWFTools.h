// The bit-level SWF writer and reader, the value records it writes, and the small conversions that the tag
// objects share.
#pragma once

#include "platform/win/WinTypes.h"

#include <cstdint>
#include <string>

namespace vcl {
class TStream;
}

namespace swf {

// The SWF value records as the engine writes them (fields in SWF order, not in TRect order).
struct TSWFRectRec {
    int32_t XMin = 0;
    int32_t XMax = 0;
    int32_t YMin = 0;
    int32_t YMax = 0;
};

// Scale and skew are 16.16 fixed point, translation in twips.
struct TSWFMatrixRec {
    uint8_t HasScale = 0;
    uint8_t HasRotate = 0;
    int32_t ScaleX = 0;
    int32_t ScaleY = 0;
    int32_t RotateSkew1 = 0;
    int32_t RotateSkew0 = 0;
    int32_t TranslateX = 0;
    int32_t TranslateY = 0;
};

struct TSWFColorTransformRec {
    int16_t RedAdd = 0;
    int16_t GreenAdd = 0;
    int16_t BlueAdd = 0;
    int16_t AlphaAdd = 0;
    int16_t RedMult = 0;
    int16_t GreenMult = 0;
    int16_t BlueMult = 0;
    int16_t AlphaMult = 0;
    uint8_t HasAdd = 0;
    uint8_t HasMult = 0;
    uint8_t HasAlpha = 0;
};

struct TSWFRGBRec {
    uint8_t R = 0;
    uint8_t G = 0;
    uint8_t B = 0;
};

// Bit widths of the variable-width records.
int32_t GetBitsCount(uint32_t value);
uint8_t GetSBitsCount(int32_t value, uint8_t extra);
int32_t MaxAbs2(int32_t a, int32_t b);
int32_t MaxAbs4(int32_t a, int32_t b, int32_t c, int32_t d);
bool IsBitSet(uint16_t value, uint8_t index);

// Rounds halves to even, as the fixed-point conversions and the shape geometry expect.
int32_t RoundToEven(double x);

float Fixed8ToFloat(uint16_t value);
uint16_t FloatToFixed8(double value);
int32_t FloatToFixed16(double value);
TSWFRGBRec MakeRGB(uint8_t r, uint8_t g, uint8_t b);
TSWFRGBRec ColorToSWFRGB(int32_t color);
int32_t MakeRGBA(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
TSWFRectRec NormalizeRect(const win::TRect& rect, bool toTwips);
TSWFMatrixRec MakeMatrix(bool hasScale, bool hasRotate, int32_t scaleX, int32_t scaleY, int32_t rotateSkew1,
                         int32_t rotateSkew0, int32_t translateX, int32_t translateY);

// Writes and reads SWF structures on a stream it does not own: byte-aligned little-endian integers and bit
// fields packed most significant bit first, with the partial byte kept between calls.
class TBitsEngine {
public:
    explicit TBitsEngine(vcl::TStream* stream) : FStream(stream) {}

    vcl::TStream* GetStream() const { return FStream; }
    uint8_t GetBitBuffer() const { return FBitBuffer; }
    uint8_t GetBitCount() const { return FBitCount; }

    void WriteBits(uint32_t value, uint8_t count);
    void WriteUB(uint32_t value, uint8_t count) { WriteBits(value, count); }
    void WriteSB(int32_t value, uint8_t count) { WriteBits(static_cast<uint32_t>(value), count); }
    void WriteByteBits(uint32_t value, uint8_t count) { WriteBits(value & 0xFF, count); }
    void WriteWordBits(uint32_t value, uint8_t count) { WriteBits(value & 0xFFFF, count); }
    void WriteBit(bool flag) { WriteBits(flag ? 1 : 0, 1); }
    void FlushBits(bool pad);

    void WriteByte(uint8_t value);
    void WriteWord(uint16_t value);
    void WriteDWord(uint32_t value);
    void WriteDWordRaw(uint32_t value) { WriteDWord(value); }
    void WriteRGB(int32_t color);
    void WriteRGBA(int32_t color);
    void WriteRect(const TSWFRectRec& rect);
    void WriteTRect(const win::TRect& rect);
    void WriteMatrix(const TSWFMatrixRec& matrix);
    void WriteColorTransform(const TSWFColorTransformRec& transform);
    void WriteString(const std::string& s, bool zeroTerminated = true, bool utf8 = false);
    // Raw bytes straight to the stream; callers are byte-aligned.
    void WriteBytes(const void* data, int32_t count);

    uint32_t ReadBits(uint8_t count);
    int32_t ReadSBits(uint8_t count);
    uint8_t ReadByte();
    uint16_t ReadWord();
    uint32_t ReadDWord();
    win::TRect ReadRect();
    TSWFMatrixRec ReadMatrix();
    TSWFColorTransformRec ReadColorTransform(bool withAlpha);
    TSWFRGBRec ReadRGB();
    int32_t ReadRGBA();
    // Reads up to a 0 byte; raises at the end of the stream.
    std::string ReadString();
    std::string ReadPString(uint8_t len);

private:
    vcl::TStream* FStream;
    uint8_t FBitBuffer = 0;
    uint8_t FBitCount = 0;
};

} // namespace swf

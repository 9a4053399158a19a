// The binary form of streamed objects: value tags, and the low-level reader and writer of values.
#pragma once

#include "platform/vcl/Object.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vcl {

class TStream;

// The tag in front of every streamed value.
enum TValueType : uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
    vaDouble = 21,
};

// Flags of an object header: inherited from an ancestor form, carrying its position among its parent's
// children, or an inline frame.
enum TFilerFlag : uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

// The binary form starts with this signature.
inline constexpr char FilerSignature[4] = {'T', 'P', 'F', '0'};

class TFiler : public TObject {
public:
    explicit TFiler(TStream* stream) : FStream(stream) {}
    TStream* GetStream() const { return FStream; }

protected:
    TStream* FStream;
};

// Writes values in the binary form. Integers take the smallest tag that holds them; strings of plain
// ASCII up to 255 bytes are short strings, others are UTF-8 strings.
class TWriter : public TFiler {
public:
    using TFiler::TFiler;

    void WriteSignature();
    void WriteValue(TValueType value);
    void WriteStr(const std::string& s); // a length-prefixed short string without a tag (names)
    void WritePrefix(uint8_t flags, int32_t childPos);
    void WriteInteger(int64_t value);
    void WriteFloat(double value);
    void WriteString(const std::string& value);
    void WriteIdent(const std::string& ident); // also nil, true and false
    void WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }
    void WriteBinary(const std::vector<uint8_t>& data);
    void WriteListBegin() { WriteValue(vaList); }
    void WriteListEnd() { WriteValue(vaNull); }

private:
    void Put(const void* data, size_t count);
};

// Reads values of the binary form. Every read checks the tag and the bounds of the stream and raises
// EReadError on anything else; nothing a damaged stream holds can make it read past its end.
class TReader : public TFiler {
public:
    using TFiler::TFiler;

    void ReadSignature();
    TValueType ReadValue();
    TValueType NextValue(); // the next tag, without consuming it
    std::string ReadStr();
    void ReadPrefix(uint8_t& flags, int32_t& childPos);
    int64_t ReadInteger();
    double ReadFloat();
    std::string ReadString();
    std::string ReadIdent();
    bool ReadBoolean();
    std::vector<uint8_t> ReadBinary();
    void ReadListBegin();
    bool EndOfList(); // the next byte ends a list (not consumed)
    void ReadListEnd();
    void SkipValue();

    uint8_t ReadByte();
    void Get(void* data, size_t count);
    int32_t GetDepth() const { return FDepth; }

private:
    int32_t FDepth = 0;
};

// Converts the 10-byte extended floating-point format to a double (rounding, with infinities for values
// out of range).
double ExtendedToDouble(const uint8_t bytes[10]);

} // namespace vcl

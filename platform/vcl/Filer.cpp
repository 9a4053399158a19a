#include "platform/vcl/Filer.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"

#include <cmath>
#include <cstring>

namespace vcl {

namespace {

// Lists, sets and collections nest; a hostile stream could nest them without end.
constexpr int32_t FilerMaxDepth = 200;

bool FilerIsPlainAscii(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

} // namespace

double ExtendedToDouble(const uint8_t bytes[10]) {
    uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i)
        mantissa = (mantissa << 8) | bytes[i];
    const int exponent = ((bytes[9] & 0x7F) << 8) | bytes[8];
    const bool negative = (bytes[9] & 0x80) != 0;
    double value;
    if (exponent == 0x7FFF)
        value = (mantissa << 1) == 0 ? HUGE_VAL : NAN;
    else if (exponent == 0 && mantissa == 0)
        value = 0.0;
    else
        value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
    return negative ? -value : value;
}

// ---- TWriter --------------------------------------------------------------------------------------------

void TWriter::Put(const void* data, size_t count) {
    FStream->WriteBuffer(data, static_cast<int32_t>(count));
}

void TWriter::WriteSignature() {
    Put(FilerSignature, 4);
}

void TWriter::WriteValue(TValueType value) {
    Put(&value, 1);
}

void TWriter::WriteStr(const std::string& s) {
    if (s.size() > 255)
        throw EWriteError("Name too long to stream: " + s.substr(0, 32) + "...");
    const uint8_t len = static_cast<uint8_t>(s.size());
    Put(&len, 1);
    Put(s.data(), s.size());
}

void TWriter::WritePrefix(uint8_t flags, int32_t childPos) {
    if (flags == 0)
        return;
    const uint8_t b = 0xF0 | (flags & 0x0F);
    Put(&b, 1);
    if (flags & ffChildPos)
        WriteInteger(childPos);
}

void TWriter::WriteInteger(int64_t value) {
    if (value >= INT8_MIN && value <= INT8_MAX) {
        const int8_t v = static_cast<int8_t>(value);
        WriteValue(vaInt8);
        Put(&v, 1);
    } else if (value >= INT16_MIN && value <= INT16_MAX) {
        const uint16_t v = static_cast<uint16_t>(value);
        const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
        WriteValue(vaInt16);
        Put(b, 2);
    } else if (value >= INT32_MIN && value <= INT32_MAX) {
        const uint32_t v = static_cast<uint32_t>(value);
        const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        WriteValue(vaInt32);
        Put(b, 4);
    } else {
        uint64_t v = static_cast<uint64_t>(value);
        uint8_t b[8];
        for (int i = 0; i < 8; ++i, v >>= 8)
            b[i] = uint8_t(v);
        WriteValue(vaInt64);
        Put(b, 8);
    }
}

void TWriter::WriteFloat(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    uint8_t b[8];
    for (int i = 0; i < 8; ++i, bits >>= 8)
        b[i] = uint8_t(bits);
    WriteValue(vaDouble);
    Put(b, 8);
}

void TWriter::WriteString(const std::string& value) {
    if (value.size() <= 255 && FilerIsPlainAscii(value)) {
        WriteValue(vaString);
        WriteStr(value);
        return;
    }
    WriteValue(FilerIsPlainAscii(value) ? vaLString : vaUTF8String);
    const uint32_t n = static_cast<uint32_t>(value.size());
    const uint8_t b[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    Put(b, 4);
    Put(value.data(), value.size());
}

void TWriter::WriteIdent(const std::string& ident) {
    if (ident == "nil" || ident == "Nil" || ident == "NIL") {
        WriteValue(vaNil);
    } else if (ident.size() == 5 && strncasecmp(ident.c_str(), "false", 5) == 0) {
        WriteValue(vaFalse);
    } else if (ident.size() == 4 && strncasecmp(ident.c_str(), "true", 4) == 0) {
        WriteValue(vaTrue);
    } else {
        WriteValue(vaIdent);
        WriteStr(ident);
    }
}

void TWriter::WriteBinary(const std::vector<uint8_t>& data) {
    WriteValue(vaBinary);
    const uint32_t n = static_cast<uint32_t>(data.size());
    const uint8_t b[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    Put(b, 4);
    Put(data.data(), data.size());
}

// ---- TReader --------------------------------------------------------------------------------------------

void TReader::Get(void* data, size_t count) {
    if (count == 0)
        return;
    if (FStream->Read(data, static_cast<int32_t>(count)) != static_cast<int32_t>(count))
        throw EReadError("Stream read error: the form data ends early");
}

uint8_t TReader::ReadByte() {
    uint8_t b;
    Get(&b, 1);
    return b;
}

void TReader::ReadSignature() {
    char sig[4];
    Get(sig, 4);
    if (std::memcmp(sig, FilerSignature, 4) != 0)
        throw EReadError("Invalid stream format");
}

TValueType TReader::ReadValue() {
    const uint8_t b = ReadByte();
    if (b > vaDouble)
        throw EReadError("Invalid property value (tag " + std::to_string(b) + ")");
    return static_cast<TValueType>(b);
}

TValueType TReader::NextValue() {
    const TValueType v = ReadValue();
    FStream->Seek(-1, soCurrent);
    return v;
}

bool TReader::EndOfList() {
    const uint8_t b = ReadByte();
    FStream->Seek(-1, soCurrent);
    return b == vaNull;
}

std::string TReader::ReadStr() {
    const uint8_t len = ReadByte();
    std::string s(len, '\0');
    Get(s.data(), len);
    return s;
}

void TReader::ReadPrefix(uint8_t& flags, int32_t& childPos) {
    flags = 0;
    childPos = 0;
    const uint8_t b = ReadByte();
    if ((b & 0xF0) != 0xF0) {
        FStream->Seek(-1, soCurrent);
        return;
    }
    flags = b & 0x0F;
    if (flags & ffChildPos) {
        const int64_t pos = ReadInteger();
        if (pos < INT32_MIN || pos > INT32_MAX)
            throw EReadError("Invalid child position");
        childPos = static_cast<int32_t>(pos);
    }
}

int64_t TReader::ReadInteger() {
    const TValueType v = ReadValue();
    uint8_t b[8] = {};
    switch (v) {
    case vaInt8:
        Get(b, 1);
        return static_cast<int8_t>(b[0]);
    case vaInt16:
        Get(b, 2);
        return static_cast<int16_t>(b[0] | (b[1] << 8));
    case vaInt32:
        Get(b, 4);
        return static_cast<int32_t>(uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) |
                                    (uint32_t(b[3]) << 24));
    case vaInt64: {
        Get(b, 8);
        uint64_t u = 0;
        for (int i = 7; i >= 0; --i)
            u = (u << 8) | b[i];
        return static_cast<int64_t>(u);
    }
    default:
        throw EReadError("Invalid property value: an integer was expected");
    }
}

double TReader::ReadFloat() {
    const TValueType v = NextValue();
    uint8_t b[10] = {};
    switch (v) {
    case vaExtended:
        ReadValue();
        Get(b, 10);
        return ExtendedToDouble(b);
    case vaDouble:
    case vaDate: {
        ReadValue();
        Get(b, 8);
        uint64_t u = 0;
        for (int i = 7; i >= 0; --i)
            u = (u << 8) | b[i];
        double d;
        std::memcpy(&d, &u, 8);
        return d;
    }
    case vaSingle: {
        ReadValue();
        Get(b, 4);
        const uint32_t u =
            uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
        float f;
        std::memcpy(&f, &u, 4);
        return f;
    }
    case vaCurrency: {
        ReadValue();
        Get(b, 8);
        uint64_t u = 0;
        for (int i = 7; i >= 0; --i)
            u = (u << 8) | b[i];
        return static_cast<double>(static_cast<int64_t>(u)) / 10000.0;
    }
    default:
        return static_cast<double>(ReadInteger());
    }
}

std::string TReader::ReadString() {
    const TValueType v = ReadValue();
    switch (v) {
    case vaString:
        return ReadStr();
    case vaLString:
    case vaUTF8String: {
        uint8_t b[4];
        Get(b, 4);
        const uint32_t n =
            uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
        if (n > FStream->GetSize() - FStream->GetPosition())
            throw EReadError("String longer than its stream");
        std::string s(n, '\0');
        Get(s.data(), n);
        return s;
    }
    case vaWString: {
        uint8_t b[4];
        Get(b, 4);
        const uint32_t n =
            uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
        if (n > (FStream->GetSize() - FStream->GetPosition()) / 2)
            throw EReadError("String longer than its stream");
        std::string s;
        for (uint32_t i = 0; i < n; ++i) {
            uint8_t u[2];
            Get(u, 2);
            uint32_t c = u[0] | (u[1] << 8);
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < n) {
                uint8_t l[2];
                Get(l, 2);
                const uint32_t lo = l[0] | (l[1] << 8);
                ++i;
                if (lo >= 0xDC00 && lo < 0xE000)
                    c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                else
                    c = 0xFFFD;
            } else if (c >= 0xD800 && c < 0xE000) {
                c = 0xFFFD;
            }
            SysEncodeUtf8(c, s);
        }
        return s;
    }
    default:
        throw EReadError("Invalid property value: a string was expected");
    }
}

std::string TReader::ReadIdent() {
    switch (ReadValue()) {
    case vaIdent:
        return ReadStr();
    case vaFalse:
        return "False";
    case vaTrue:
        return "True";
    case vaNil:
        return "nil";
    case vaNull:
        return "Null";
    default:
        throw EReadError("Invalid property value: an identifier was expected");
    }
}

bool TReader::ReadBoolean() {
    const TValueType v = ReadValue();
    if (v == vaTrue)
        return true;
    if (v == vaFalse)
        return false;
    throw EReadError("Invalid property value: a boolean was expected");
}

std::vector<uint8_t> TReader::ReadBinary() {
    if (ReadValue() != vaBinary)
        throw EReadError("Invalid property value: binary data was expected");
    uint8_t b[4];
    Get(b, 4);
    const uint32_t n =
        uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
    if (n > FStream->GetSize() - FStream->GetPosition())
        throw EReadError("Binary data longer than its stream");
    std::vector<uint8_t> data(n);
    Get(data.data(), n);
    return data;
}

void TReader::ReadListBegin() {
    if (ReadValue() != vaList)
        throw EReadError("Invalid property value: a list was expected");
}

void TReader::ReadListEnd() {
    if (ReadValue() != vaNull)
        throw EReadError("Invalid property value: the end of a list was expected");
}

void TReader::SkipValue() {
    if (++FDepth > FilerMaxDepth)
        throw EReadError("Form data nested too deeply");
    switch (NextValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
        ReadValue();
        break;
    case vaList:
        ReadValue();
        while (!EndOfList())
            SkipValue();
        ReadValue();
        break;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
        ReadInteger();
        break;
    case vaExtended:
    case vaDouble:
    case vaSingle:
    case vaCurrency:
    case vaDate:
        ReadFloat();
        break;
    case vaString:
    case vaLString:
    case vaUTF8String:
    case vaWString:
        ReadString();
        break;
    case vaIdent:
        ReadIdent();
        break;
    case vaBinary:
        ReadBinary();
        break;
    case vaSet:
        ReadValue();
        while (!ReadStr().empty()) {
        }
        break;
    case vaCollection:
        ReadValue();
        while (!EndOfList()) {
            if (NextValue() >= vaInt8 && NextValue() <= vaInt32)
                ReadInteger();
            ReadListBegin();
            while (!EndOfList()) {
                ReadStr();
                SkipValue();
            }
            ReadListEnd();
        }
        ReadValue();
        break;
    }
    --FDepth;
}

} // namespace vcl

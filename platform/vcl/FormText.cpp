#include "platform/vcl/FormText.h"

#include "platform/vcl/Filer.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace vcl {

namespace {

constexpr int FormTextMaxDepth = 200;

enum class FormTokenKind { Ident, Integer, Float, String, Symbol, Hex, End };

struct FormToken {
    FormTokenKind Kind;
    std::string Text; // identifier, number text, decoded string, symbol or hex digits
    int Line;
};

[[noreturn]] void FormTextError(int line, const std::string& message) {
    throw EParserError("Line " + std::to_string(line) + ": " + message);
}

bool FormIsIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool FormIsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool FormIsHex(char c) {
    return FormIsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Splits the whole text into tokens. Strings made of quoted parts, #codes and '+' continuations become one
// token; the digits between braces become one Hex token.
std::vector<FormToken> FormTokenize(const std::string& text) {
    std::vector<FormToken> tokens;
    size_t i = 0;
    int line = 1;
    const size_t n = text.size();
    auto skipSpace = [&] {
        while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) {
            if (text[i] == '\n')
                ++line;
            ++i;
        }
    };
    while (true) {
        skipSpace();
        if (i >= n)
            break;
        const char c = text[i];
        const int startLine = line;
        if (FormIsIdentStart(c)) {
            const size_t start = i;
            while (i < n && (FormIsIdentStart(text[i]) || FormIsDigit(text[i]) || text[i] == '.'))
                ++i;
            tokens.push_back({FormTokenKind::Ident, text.substr(start, i - start), startLine});
        } else if (FormIsDigit(c) || ((c == '-' || c == '+') && i + 1 < n && FormIsDigit(text[i + 1])) ||
                   c == '$') {
            const size_t start = i;
            bool isFloat = false;
            if (c == '$') {
                ++i;
                while (i < n && FormIsHex(text[i]))
                    ++i;
                if (i == start + 1)
                    FormTextError(line, "Invalid hexadecimal number");
            } else {
                ++i;
                while (i < n) {
                    const char d = text[i];
                    if (FormIsDigit(d)) {
                        ++i;
                    } else if (d == '.' || d == 'e' || d == 'E') {
                        isFloat = true;
                        ++i;
                        if ((d == 'e' || d == 'E') && i < n && (text[i] == '-' || text[i] == '+'))
                            ++i;
                    } else {
                        break;
                    }
                }
            }
            tokens.push_back({isFloat ? FormTokenKind::Float : FormTokenKind::Integer,
                              text.substr(start, i - start), startLine});
        } else if (c == '\'' || c == '#') {
            std::string value;
            while (true) {
                if (i < n && text[i] == '\'') {
                    ++i;
                    while (true) {
                        if (i >= n || text[i] == '\n')
                            FormTextError(line, "Unterminated string");
                        if (text[i] == '\'') {
                            if (i + 1 < n && text[i + 1] == '\'') {
                                value += '\'';
                                i += 2;
                                continue;
                            }
                            ++i;
                            break;
                        }
                        value += text[i++];
                    }
                } else if (i < n && text[i] == '#') {
                    ++i;
                    uint32_t code = 0;
                    const size_t start = i;
                    if (i < n && text[i] == '$') {
                        ++i;
                        while (i < n && FormIsHex(text[i]) && code <= 0x10FFFF) {
                            code = code * 16 +
                                   (FormIsDigit(text[i]) ? text[i] - '0' : (text[i] | 0x20) - 'a' + 10);
                            ++i;
                        }
                    } else {
                        while (i < n && FormIsDigit(text[i]) && code <= 0x10FFFF)
                            code = code * 10 + (text[i++] - '0');
                    }
                    if (i == start || (text[i - 1] == '$') || code > 0x10FFFF ||
                        (code >= 0xD800 && code < 0xE000))
                        FormTextError(line, "Invalid character code");
                    SysEncodeUtf8(code, value);
                } else {
                    // A '+' at the end of a line continues the string on the next.
                    const size_t save = i;
                    const int saveLine = line;
                    skipSpace();
                    if (i < n && text[i] == '+') {
                        ++i;
                        skipSpace();
                        if (i < n && (text[i] == '\'' || text[i] == '#'))
                            continue;
                        FormTextError(line, "String expected after '+'");
                    }
                    i = save;
                    line = saveLine;
                    break;
                }
            }
            tokens.push_back({FormTokenKind::String, std::move(value), startLine});
        } else if (c == '{') {
            ++i;
            std::string hex;
            while (true) {
                skipSpace();
                if (i >= n)
                    FormTextError(line, "Unterminated binary data");
                if (text[i] == '}') {
                    ++i;
                    break;
                }
                if (!FormIsHex(text[i]))
                    FormTextError(line, "Invalid binary data");
                hex += text[i++];
            }
            if (hex.size() % 2 != 0)
                FormTextError(line, "Binary data has an odd number of digits");
            tokens.push_back({FormTokenKind::Hex, std::move(hex), startLine});
        } else if (std::strchr("=:()[]<>,", c) != nullptr) {
            ++i;
            tokens.push_back({FormTokenKind::Symbol, std::string(1, c), startLine});
        } else {
            FormTextError(line,
                          std::string("Invalid character '") +
                              (static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127
                                   ? std::string(1, c)
                                   : "#" + std::to_string(static_cast<unsigned char>(c))) +
                              "'");
        }
    }
    tokens.push_back({FormTokenKind::End, "", line});
    return tokens;
}

bool FormSameText(const std::string& a, const char* b) {
    return strcasecmp(a.c_str(), b) == 0;
}

class FormTextParser {
public:
    FormTextParser(std::vector<FormToken> tokens, TWriter& writer)
        : FTokens(std::move(tokens)), FWriter(writer) {}

    void ParseObject() {
        if (++FDepth > FormTextMaxDepth)
            FormTextError(Peek().Line, "Objects nested too deeply");
        const FormToken& kw = Next();
        uint8_t flags = 0;
        if (kw.Kind != FormTokenKind::Ident)
            FormTextError(kw.Line, "'object' expected");
        if (FormSameText(kw.Text, "inherited"))
            flags |= ffInherited;
        else if (FormSameText(kw.Text, "inline"))
            flags |= ffInline;
        else if (!FormSameText(kw.Text, "object"))
            FormTextError(kw.Line, "'object' expected but '" + kw.Text + "' found");
        std::string name;
        std::string className = ExpectIdent("Class name").Text;
        if (IsSymbol(":")) {
            Next();
            name = className;
            className = ExpectIdent("Class name").Text;
        }
        int32_t childPos = 0;
        if (IsSymbol("[")) {
            Next();
            childPos = static_cast<int32_t>(ParseIntegerToken(Next(), INT32_MIN, INT32_MAX));
            ExpectSymbol("]");
            flags |= ffChildPos;
        }
        FWriter.WritePrefix(flags, childPos);
        FWriter.WriteStr(CheckName(className, kw.Line));
        FWriter.WriteStr(CheckName(name, kw.Line));
        while (!IsObjectStart() && !IsIdent("end"))
            ParseProperty();
        FWriter.WriteListEnd();
        while (!IsIdent("end"))
            ParseObject();
        Next();
        FWriter.WriteListEnd();
        --FDepth;
    }

    void ExpectEnd() {
        if (Peek().Kind != FormTokenKind::End)
            FormTextError(Peek().Line, "Text after the end of the object");
    }

private:
    const FormToken& Peek(size_t ahead = 0) const {
        const size_t k = std::min(FPos + ahead, FTokens.size() - 1);
        return FTokens[k];
    }
    const FormToken& Next() {
        const FormToken& t = FTokens[FPos];
        if (t.Kind == FormTokenKind::End)
            FormTextError(t.Line, "Unexpected end of file");
        ++FPos;
        return t;
    }
    bool IsSymbol(const char* s) const { return Peek().Kind == FormTokenKind::Symbol && Peek().Text == s; }
    bool IsIdent(const char* s) const {
        return Peek().Kind == FormTokenKind::Ident && FormSameText(Peek().Text, s);
    }
    bool IsObjectStart() const {
        return (IsIdent("object") || IsIdent("inherited") || IsIdent("inline")) &&
               !(Peek(1).Kind == FormTokenKind::Symbol && Peek(1).Text == "=");
    }
    const FormToken& ExpectIdent(const char* what) {
        const FormToken& t = Next();
        if (t.Kind != FormTokenKind::Ident)
            FormTextError(t.Line, std::string(what) + " expected");
        return t;
    }
    void ExpectSymbol(const char* s) {
        const FormToken& t = Next();
        if (t.Kind != FormTokenKind::Symbol || t.Text != s)
            FormTextError(t.Line, std::string("'") + s + "' expected but '" + t.Text + "' found");
    }
    static const std::string& CheckName(const std::string& name, int line) {
        if (name.size() > 255)
            FormTextError(line, "Name too long");
        return name;
    }
    static int64_t ParseIntegerToken(const FormToken& t, int64_t lo, int64_t hi) {
        if (t.Kind != FormTokenKind::Integer)
            FormTextError(t.Line, "Integer expected");
        int64_t v = 0;
        const char* b = t.Text.data();
        const char* e = b + t.Text.size();
        std::from_chars_result r;
        if (*b == '$') {
            uint64_t u = 0;
            r = std::from_chars(b + 1, e, u, 16);
            v = static_cast<int64_t>(u);
        } else {
            if (*b == '+')
                ++b;
            r = std::from_chars(b, e, v);
        }
        if (r.ec != std::errc() || r.ptr != e || v < lo || v > hi)
            FormTextError(t.Line, "Invalid integer '" + t.Text + "'");
        return v;
    }

    void ParseProperty() {
        const FormToken& name = ExpectIdent("Property name");
        ExpectSymbol("=");
        FWriter.WriteStr(CheckName(name.Text, name.Line));
        ParseValue();
    }

    void ParseValue() {
        if (++FDepth > FormTextMaxDepth)
            FormTextError(Peek().Line, "Values nested too deeply");
        const FormToken& t = Next();
        switch (t.Kind) {
        case FormTokenKind::Integer:
            FWriter.WriteInteger(ParseIntegerToken(t, INT64_MIN, INT64_MAX));
            break;
        case FormTokenKind::Float: {
            double d = 0;
            const char* b = t.Text.data() + (t.Text[0] == '+' ? 1 : 0);
            const auto r = std::from_chars(b, t.Text.data() + t.Text.size(), d);
            if (r.ec != std::errc() || r.ptr != t.Text.data() + t.Text.size())
                FormTextError(t.Line, "Invalid number '" + t.Text + "'");
            FWriter.WriteFloat(d);
            break;
        }
        case FormTokenKind::String:
            FWriter.WriteString(t.Text);
            break;
        case FormTokenKind::Ident:
            FWriter.WriteIdent(CheckName(t.Text, t.Line));
            break;
        case FormTokenKind::Hex: {
            std::vector<uint8_t> data(t.Text.size() / 2);
            for (size_t k = 0; k < data.size(); ++k) {
                auto digit = [](char c) { return FormIsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; };
                data[k] = static_cast<uint8_t>(digit(t.Text[2 * k]) * 16 + digit(t.Text[2 * k + 1]));
            }
            FWriter.WriteBinary(data);
            break;
        }
        case FormTokenKind::Symbol:
            if (t.Text == "[") {
                FWriter.WriteValue(vaSet);
                if (!IsSymbol("]")) {
                    while (true) {
                        const FormToken& e = ExpectIdent("Set element");
                        FWriter.WriteStr(CheckName(e.Text, e.Line));
                        if (IsSymbol("]"))
                            break;
                        ExpectSymbol(",");
                    }
                }
                Next();
                FWriter.WriteStr("");
            } else if (t.Text == "(") {
                FWriter.WriteListBegin();
                while (!IsSymbol(")"))
                    ParseValue();
                Next();
                FWriter.WriteListEnd();
            } else if (t.Text == "<") {
                FWriter.WriteValue(vaCollection);
                while (!IsSymbol(">")) {
                    const FormToken& item = ExpectIdent("'item'");
                    if (!FormSameText(item.Text, "item"))
                        FormTextError(item.Line, "'item' expected");
                    if (IsSymbol("[")) {
                        Next();
                        FWriter.WriteInteger(ParseIntegerToken(Next(), INT32_MIN, INT32_MAX));
                        ExpectSymbol("]");
                    }
                    FWriter.WriteListBegin();
                    while (!IsIdent("end"))
                        ParseProperty();
                    Next();
                    FWriter.WriteListEnd();
                }
                Next();
                FWriter.WriteListEnd();
            } else {
                FormTextError(t.Line, "Value expected but '" + t.Text + "' found");
            }
            break;
        case FormTokenKind::End:
            FormTextError(t.Line, "Unexpected end of file");
        }
        --FDepth;
    }

    std::vector<FormToken> FTokens;
    size_t FPos = 0;
    TWriter& FWriter;
    int FDepth = 0;
};

// ---- binary to text --------------------------------------------------------------------------------------

class FormTextPrinter {
public:
    explicit FormTextPrinter(TReader& reader) : FReader(reader) {}

    void PrintObject(int indent) {
        if (++FDepth > FormTextMaxDepth)
            throw EReadError("Form data nested too deeply");
        uint8_t flags;
        int32_t childPos;
        FReader.ReadPrefix(flags, childPos);
        const std::string className = FReader.ReadStr();
        const std::string name = FReader.ReadStr();
        Indent(indent);
        FOut += (flags & ffInherited) ? "inherited " : (flags & ffInline) ? "inline " : "object ";
        if (!name.empty())
            FOut += name + ": ";
        FOut += className;
        if (flags & ffChildPos)
            FOut += " [" + std::to_string(childPos) + "]";
        FOut += '\n';
        while (!FReader.EndOfList())
            PrintProperty(indent + 2);
        FReader.ReadListEnd();
        while (!FReader.EndOfList())
            PrintObject(indent + 2);
        FReader.ReadListEnd();
        Indent(indent);
        FOut += "end\n";
        --FDepth;
    }

    std::string& Text() { return FOut; }

private:
    void Indent(int n) { FOut.append(static_cast<size_t>(n), ' '); }

    void PrintProperty(int indent) {
        Indent(indent);
        FOut += FReader.ReadStr();
        FOut += " = ";
        PrintValue(indent);
        FOut += '\n';
    }

    void PrintString(const std::string& s) {
        if (s.empty()) {
            FOut += "''";
            return;
        }
        bool quoted = false;
        for (unsigned char c : s) {
            if (c < 32 || c == 127) {
                if (quoted)
                    FOut += '\'';
                quoted = false;
                FOut += '#' + std::to_string(c);
            } else {
                if (!quoted)
                    FOut += '\'';
                quoted = true;
                if (c == '\'')
                    FOut += '\'';
                FOut += static_cast<char>(c);
            }
        }
        if (quoted)
            FOut += '\'';
    }

    void PrintValue(int indent) {
        if (++FDepth > FormTextMaxDepth)
            throw EReadError("Form data nested too deeply");
        switch (FReader.NextValue()) {
        case vaNull:
            throw EReadError("Invalid property value: unexpected end of list");
        case vaList:
            FReader.ReadValue();
            FOut += '(';
            while (!FReader.EndOfList()) {
                FOut += '\n';
                Indent(indent + 2);
                PrintValue(indent + 2);
            }
            FReader.ReadValue();
            FOut += ')';
            break;
        case vaInt8:
        case vaInt16:
        case vaInt32:
        case vaInt64:
            FOut += std::to_string(FReader.ReadInteger());
            break;
        case vaExtended:
        case vaDouble:
        case vaSingle:
        case vaCurrency:
        case vaDate: {
            const double d = FReader.ReadFloat();
            if (!std::isfinite(d))
                throw EReadError("Invalid property value: a number out of range");
            char buf[64];
            const auto r = std::to_chars(buf, buf + sizeof buf, d);
            std::string s(buf, r.ptr);
            if (s.find_first_of(".e") == std::string::npos)
                s += ".0";
            FOut += s;
            break;
        }
        case vaString:
        case vaLString:
        case vaUTF8String:
        case vaWString:
            PrintString(FReader.ReadString());
            break;
        case vaIdent:
        case vaFalse:
        case vaTrue:
        case vaNil: {
            const std::string ident = FReader.ReadIdent();
            if (ident.empty() || !FormIsIdentStart(ident[0]))
                throw EReadError("Invalid identifier in form data");
            FOut += ident;
            break;
        }
        case vaBinary: {
            const std::vector<uint8_t> data = FReader.ReadBinary();
            static const char digits[] = "0123456789ABCDEF";
            FOut += '{';
            for (size_t k = 0; k < data.size(); ++k) {
                if (k % 32 == 0) {
                    FOut += '\n';
                    Indent(indent + 2);
                }
                FOut += digits[data[k] >> 4];
                FOut += digits[data[k] & 15];
            }
            FOut += '}';
            break;
        }
        case vaSet: {
            FReader.ReadValue();
            FOut += '[';
            bool first = true;
            while (true) {
                const std::string e = FReader.ReadStr();
                if (e.empty())
                    break;
                if (!first)
                    FOut += ", ";
                first = false;
                FOut += e;
            }
            FOut += ']';
            break;
        }
        case vaCollection:
            FReader.ReadValue();
            FOut += '<';
            while (!FReader.EndOfList()) {
                FOut += '\n';
                Indent(indent + 2);
                FOut += "item";
                const TValueType v = FReader.NextValue();
                if (v == vaInt8 || v == vaInt16 || v == vaInt32)
                    FOut += " [" + std::to_string(FReader.ReadInteger()) + "]";
                FOut += '\n';
                FReader.ReadListBegin();
                while (!FReader.EndOfList())
                    PrintProperty(indent + 4);
                FReader.ReadListEnd();
                Indent(indent + 2);
                FOut += "end";
            }
            FReader.ReadValue();
            FOut += '>';
            break;
        }
        --FDepth;
    }

    TReader& FReader;
    std::string FOut;
    int FDepth = 0;
};

std::string FormReadWhole(TStream& input) {
    std::string s;
    char buf[65536];
    while (true) {
        const int32_t got = input.Read(buf, sizeof buf);
        if (got <= 0)
            break;
        s.append(buf, static_cast<size_t>(got));
    }
    return s;
}

} // namespace

void ObjectTextToBinary(TStream& input, TStream& output) {
    const std::string text = FormReadWhole(input);
    TMemoryStream buffer;
    TWriter writer(&buffer);
    writer.WriteSignature();
    FormTextParser parser(FormTokenize(text), writer);
    parser.ParseObject();
    parser.ExpectEnd();
    output.WriteBuffer(buffer.Memory(), static_cast<int32_t>(buffer.GetSize()));
}

void ObjectBinaryToText(TStream& input, TStream& output) {
    TReader reader(&input);
    reader.ReadSignature();
    FormTextPrinter printer(reader);
    printer.PrintObject(0);
    output.WriteBuffer(printer.Text().data(), static_cast<int32_t>(printer.Text().size()));
}

std::string ObjectTextToBinary(const std::string& text) {
    TReadOnlyMemoryStream in(text.data(), static_cast<int64_t>(text.size()));
    TMemoryStream out;
    ObjectTextToBinary(in, out);
    return std::string(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.GetSize()));
}

std::string ObjectBinaryToText(const std::string& binary) {
    TReadOnlyMemoryStream in(binary.data(), static_cast<int64_t>(binary.size()));
    TMemoryStream out;
    ObjectBinaryToText(in, out);
    return std::string(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.GetSize()));
}

} // namespace vcl

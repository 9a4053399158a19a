#include "platform/vcl/SysUtils.h"

#include "platform/vcl/Exceptions.h"
#include "platform/win/kernel/Version.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vcl {

char DecimalSeparator = '.';
char ThousandSeparator = ',';
std::string CurrencyString = "$";
uint8_t CurrencyFormat = 0;
uint8_t CurrencyDecimals = 2;

// ---- Random numbers ---------------------------------------------------------------------------------

namespace {

// SplitMix64: small, fast, and every seed gives a full-period sequence of well-mixed values.
struct SysSplitMix {
    uint64_t FState;
    uint32_t Next() {
        uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return uint32_t((z ^ (z >> 31)) >> 32);
    }
};

struct SysRandomState {
    std::mutex FLock;
    SysSplitMix FOwn{0};
    TRandomSource FSource; // empty: FOwn
};

SysRandomState& SysRandom() {
    static SysRandomState state;
    return state;
}

uint32_t SysRandomDraw() {
    SysRandomState& r = SysRandom();
    std::lock_guard<std::mutex> guard(r.FLock);
    return r.FSource ? r.FSource() : r.FOwn.Next();
}

} // namespace

int32_t Random(int32_t range) {
    if (range <= 0)
        return 0;
    return int32_t((uint64_t(SysRandomDraw()) * uint64_t(range)) >> 32);
}

double Random() {
    return double(SysRandomDraw()) / 4294967296.0;
}

void Randomize() {
    std::random_device device;
    uint64_t seed = (uint64_t(device()) << 32) ^ device() ^
                    uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    SysRandomState& r = SysRandom();
    std::lock_guard<std::mutex> guard(r.FLock);
    r.FOwn.FState = seed;
}

TRandomSource SeededRandomSource(uint64_t seed) {
    return [state = SysSplitMix{seed}]() mutable { return state.Next(); };
}

void SetRandomSource(TRandomSource source) {
    SysRandomState& r = SysRandom();
    std::lock_guard<std::mutex> guard(r.FLock);
    r.FSource = std::move(source);
}

// ---- The operating system -----------------------------------------------------------------------------

namespace {

win::OSVERSIONINFOA SysVersionInfo() {
    win::OSVERSIONINFOA info;
    if (!win::GetVersionEx(&info))
        info = {};
    return info;
}

} // namespace

int32_t Win32Platform() {
    return int32_t(SysVersionInfo().dwPlatformId);
}

int32_t Win32MajorVersion() {
    return int32_t(SysVersionInfo().dwMajorVersion);
}

int32_t Win32MinorVersion() {
    return int32_t(SysVersionInfo().dwMinorVersion);
}

void InitFormatSettingsFromLocale() {
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (!loc)
        return;
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    const char* thousands = nl_langinfo_l(THOUSEP, loc);
    // Multi-byte separators (a narrow no-break space, say) have no single-byte equivalent; keep the default.
    if (radix && radix[0] && !radix[1])
        DecimalSeparator = radix[0];
    if (thousands && thousands[0] && !thousands[1])
        ThousandSeparator = thousands[0];
    else if (thousands && !thousands[0])
        ThousandSeparator = DecimalSeparator == ',' ? '.' : ',';
    freelocale(loc);
}

// ---- Numbers ----------------------------------------------------------------------------------------

namespace {

[[noreturn]] void SysInvalidOp() {
    throw EInvalidOp("Invalid floating point operation");
}

void SysCheckIntegral(double value) {
    // 2^63 is exactly representable; anything at or beyond it does not fit an int64_t.
    if (!std::isfinite(value) || value >= 9223372036854775808.0 || value < -9223372036854775808.0)
        SysInvalidOp();
}

} // namespace

int64_t Round(double value) {
    if (!std::isfinite(value))
        SysInvalidOp();
    double down = std::floor(value);
    double diff = value - down; // exact for doubles
    double result = down;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(down, 2.0) != 0.0))
        result = down + 1.0;
    SysCheckIntegral(result);
    return static_cast<int64_t>(result);
}

int64_t Trunc(double value) {
    double t = std::trunc(value);
    SysCheckIntegral(t);
    return static_cast<int64_t>(t);
}

double Frac(double value) {
    return value - std::trunc(value);
}

std::string IntToStr(int64_t value) {
    return std::to_string(value);
}

std::string IntToHex(uint64_t value, int digits) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), hex[value & 15]);
        value >>= 4;
    } while (value);
    if (digits > 32)
        digits = 32;
    if (static_cast<int>(out.size()) < digits)
        out.insert(0, static_cast<size_t>(digits) - out.size(), '0');
    return out;
}

std::string IntToHex(int32_t value, int digits) {
    return IntToHex(uint64_t(uint32_t(value)), digits);
}
std::string IntToHex(uint32_t value, int digits) {
    return IntToHex(uint64_t(value), digits);
}
std::string IntToHex(int64_t value, int digits) {
    return IntToHex(uint64_t(value), digits);
}

namespace {

// Parses an integer; max is the largest magnitude accepted for a positive decimal value, hexMax the
// largest hex value (which wraps into the signed range, "$FFFFFFFF" being -1 for 32 bits).
bool SysParseInt(const std::string& s, uint64_t max, uint64_t hexMax, int64_t& out) {
    size_t i = 0, n = s.size();
    while (i < n && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    bool hex = false;
    if (i < n && s[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return false;
    uint64_t value = 0;
    if (hex) {
        for (; i < n; ++i) {
            int d;
            char c = s[i];
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                return false;
            if (value > (hexMax - d) / 16)
                return false;
            value = value * 16 + d;
        }
        // Hex text is a bit pattern of the target width.
        int64_t v = hexMax == UINT64_MAX
                        ? int64_t(value)
                        : (value > max ? int64_t(value) - int64_t(hexMax) - 1 : int64_t(value));
        out = negative ? int64_t(0 - uint64_t(v)) : v;
        return true;
    }
    uint64_t limit = negative ? max + 1 : max;
    for (; i < n; ++i) {
        char c = s[i];
        if (c < '0' || c > '9')
            return false;
        unsigned d = unsigned(c - '0');
        if (value > (limit - d) / 10)
            return false;
        value = value * 10 + d;
    }
    out = negative ? int64_t(0 - value) : int64_t(value);
    return true;
}

[[noreturn]] void SysIntError(const std::string& s) {
    throw EConvertError("'" + s + "' is not a valid integer value");
}

} // namespace

bool TryStrToInt(const std::string& s, int32_t& value) {
    int64_t v;
    if (!SysParseInt(s, INT32_MAX, UINT32_MAX, v))
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool TryStrToInt64(const std::string& s, int64_t& value) {
    return SysParseInt(s, uint64_t(INT64_MAX), UINT64_MAX, value);
}

int32_t StrToInt(const std::string& s) {
    int32_t v;
    if (!TryStrToInt(s, v))
        SysIntError(s);
    return v;
}

int64_t StrToInt64(const std::string& s) {
    int64_t v;
    if (!TryStrToInt64(s, v))
        SysIntError(s);
    return v;
}

int32_t StrToIntDef(const std::string& s, int32_t defaultValue) {
    int32_t v;
    return TryStrToInt(s, v) ? v : defaultValue;
}

int64_t StrToInt64Def(const std::string& s, int64_t defaultValue) {
    int64_t v;
    return TryStrToInt64(s, v) ? v : defaultValue;
}

bool TextToFloat(const std::string& s, double& value) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    // Rewrite into the C grammar: optional '-', digits, '.', digits, exponent.
    std::string text;
    size_t i = b;
    if (i < e && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-')
            text += '-';
        ++i;
    }
    size_t mantissaDigits = 0;
    // The decimal magnitude, to tell overflow from underflow: integer digits after leading zeros, or
    // minus the zeros that open the fraction.
    long intDigits = 0, fractionZeros = 0;
    bool nonZeroSeen = false;
    while (i < e && s[i] >= '0' && s[i] <= '9') {
        nonZeroSeen = nonZeroSeen || s[i] != '0';
        intDigits += nonZeroSeen;
        text += s[i++];
        ++mantissaDigits;
    }
    if (i < e && s[i] == DecimalSeparator) {
        text += '.';
        ++i;
        while (i < e && s[i] >= '0' && s[i] <= '9') {
            if (!nonZeroSeen && s[i] == '0')
                ++fractionZeros;
            nonZeroSeen = nonZeroSeen || s[i] != '0';
            text += s[i++];
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    long exponent = 0;
    if (i < e && (s[i] == 'e' || s[i] == 'E')) {
        text += 'e';
        ++i;
        bool negativeExponent = false;
        if (i < e && (s[i] == '+' || s[i] == '-')) {
            negativeExponent = s[i] == '-';
            text += s[i++];
        }
        size_t expDigits = 0;
        while (i < e && s[i] >= '0' && s[i] <= '9') {
            if (exponent < 100000)
                exponent = exponent * 10 + (s[i] - '0');
            text += s[i++];
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != e)
        return false;
    double v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ptr != text.data() + text.size())
        return false;
    if (ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is an error.
        long magnitude = (intDigits > 0 ? intDigits : -fractionZeros) + exponent;
        if (magnitude > 0)
            return false;
        v = 0;
    } else if (ec != std::errc()) {
        return false;
    }
    value = v;
    return true;
}

bool TryStrToFloat(const std::string& s, double& value) {
    return TextToFloat(s, value);
}

double StrToFloat(const std::string& s) {
    double v;
    if (!TextToFloat(s, v))
        throw EConvertError("'" + s + "' is not a valid floating point value");
    return v;
}

double StrToFloatDef(const std::string& s, double defaultValue) {
    double v;
    return TextToFloat(s, v) ? v : defaultValue;
}

// ---- Float formatting -------------------------------------------------------------------------------

namespace {

// A decimal approximation: the value is 0.D1D2D3... x 10^Point.
struct SysDecimal {
    std::string Digits; // no leading zeros; "" for zero
    int Point = 0;
};

SysDecimal SysToDecimal(double value, int precision) {
    SysDecimal d;
    value = std::abs(value);
    if (value == 0)
        return d;
    char buffer[64];
    auto r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, precision - 1);
    std::string_view text(buffer, static_cast<size_t>(r.ptr - buffer));
    size_t e = text.find('e');
    for (size_t i = 0; i < e; ++i)
        if (text[i] >= '0' && text[i] <= '9')
            d.Digits += text[i];
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(), exponent);
    d.Point = exponent + 1;
    return d;
}

void SysStripZeros(SysDecimal& d) {
    while (!d.Digits.empty() && d.Digits.back() == '0')
        d.Digits.pop_back();
    if (d.Digits.empty())
        d.Point = 0;
}

// Keeps the digits up to decimals places after the point, the rest rounded half away from zero.
void SysRoundAt(SysDecimal& d, int decimals) {
    long keep = long(d.Point) + decimals;
    if (keep >= long(d.Digits.size()))
        return;
    if (keep < 0) {
        d.Digits.clear();
        d.Point = 0;
        return;
    }
    bool up = d.Digits[size_t(keep)] >= '5';
    d.Digits.resize(size_t(keep));
    if (up) {
        int i = int(keep) - 1;
        while (i >= 0 && d.Digits[size_t(i)] == '9')
            d.Digits[size_t(i--)] = '0';
        if (i >= 0)
            ++d.Digits[size_t(i)];
        else {
            d.Digits.insert(d.Digits.begin(), '1');
            ++d.Point;
        }
    }
    SysStripZeros(d);
}

std::string SysExponent(int exponent, bool plusSign, int minDigits) {
    std::string digits = std::to_string(std::abs(exponent));
    if (static_cast<int>(digits.size()) < minDigits)
        digits.insert(0, size_t(minDigits) - digits.size(), '0');
    std::string out = "E";
    if (exponent < 0)
        out += '-';
    else if (plusSign)
        out += '+';
    return out + digits;
}

std::string SysGeneral(const SysDecimal& source, int precision, int expDigits) {
    SysDecimal d = source;
    SysStripZeros(d);
    if (d.Digits.empty())
        return "0";
    if (d.Point > precision || d.Point < -3) {
        std::string out(1, d.Digits[0]);
        if (d.Digits.size() > 1)
            out += DecimalSeparator + d.Digits.substr(1);
        return out + SysExponent(d.Point - 1, false, expDigits);
    }
    std::string out;
    if (d.Point <= 0) {
        out = std::string("0") + DecimalSeparator + std::string(size_t(-d.Point), '0') + d.Digits;
    } else if (size_t(d.Point) >= d.Digits.size()) {
        out = d.Digits + std::string(size_t(d.Point) - d.Digits.size(), '0');
    } else {
        out = d.Digits.substr(0, size_t(d.Point)) + DecimalSeparator + d.Digits.substr(size_t(d.Point));
    }
    return out;
}

std::string SysExponential(const SysDecimal& d, int precision, int expDigits) {
    std::string digits = d.Digits;
    digits.resize(size_t(precision), '0');
    std::string out(1, digits[0]);
    if (precision > 1)
        out += DecimalSeparator + digits.substr(1);
    return out + SysExponent(d.Digits.empty() ? 0 : d.Point - 1, true, expDigits);
}

std::string SysGroupThousands(const std::string& integer) {
    if (!ThousandSeparator)
        return integer;
    std::string out;
    size_t n = integer.size();
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += ThousandSeparator;
        out += integer[i];
    }
    return out;
}

std::string SysFixed(SysDecimal d, int decimals, bool thousands) {
    SysRoundAt(d, decimals);
    std::string integer;
    if (d.Point <= 0 || d.Digits.empty())
        integer = "0";
    else {
        integer = d.Digits.substr(0, std::min(d.Digits.size(), size_t(d.Point)));
        integer.resize(size_t(d.Point), '0');
    }
    if (thousands)
        integer = SysGroupThousands(integer);
    if (decimals <= 0)
        return integer;
    std::string fraction;
    for (int j = 0; j < decimals; ++j) {
        long at = long(d.Point) + j;
        fraction += (at >= 0 && at < long(d.Digits.size())) ? d.Digits[size_t(at)] : '0';
    }
    return integer + DecimalSeparator + fraction;
}

std::string SysCurrency(const std::string& amount) {
    switch (CurrencyFormat) {
    case 1:
        return amount + CurrencyString;
    case 2:
        return CurrencyString + " " + amount;
    case 3:
        return amount + " " + CurrencyString;
    default:
        return CurrencyString + amount;
    }
}

} // namespace

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    precision = std::clamp(precision, 1, 18);
    SysDecimal d = SysToDecimal(value, precision);
    bool negative = value < 0;
    std::string body;
    switch (format) {
    case ffGeneral:
        body = SysGeneral(d, precision, std::clamp(digits, 0, 4));
        break;
    case ffExponent:
        body = SysExponential(d, precision, std::clamp(digits, 0, 4));
        break;
    case ffFixed:
    case ffNumber:
    case ffCurrency:
        if (d.Point > precision) {
            body = SysGeneral(d, precision, 0);
            break;
        }
        body = SysFixed(d, std::clamp(digits, 0, 18), format != ffFixed);
        if (format == ffCurrency) {
            // A value that rounds to zero shows no sign.
            if (body.find_first_of("123456789") == std::string::npos)
                negative = false;
            return (negative ? "-" : "") + SysCurrency(body);
        }
        break;
    }
    if (negative && body.find_first_of("123456789") == std::string::npos)
        negative = false;
    return negative ? "-" + body : body;
}

std::string FloatToStr(double value) {
    return FloatToStrF(value, ffGeneral, 15, 0);
}

// ---- Format -----------------------------------------------------------------------------------------

namespace {

[[noreturn]] void SysFormatError(std::string_view format) {
    throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

std::string SysUnsignedOf(const TFormatArg& a, int base) {
    uint64_t v;
    if (a.Kind() == TFormatArg::fkUInt)
        v = a.UInt();
    else
        v = a.Bits() == 64 ? uint64_t(a.Int()) : uint64_t(uint32_t(a.Int()));
    if (base == 16)
        return IntToHex(v, 0);
    return std::to_string(v);
}

} // namespace

std::string FormatArgs(std::string_view format, const TFormatArg* args, size_t count) {
    std::string out;
    size_t next = 0;
    size_t i = 0, n = format.size();
    auto takeInt = [&](size_t index) -> int64_t {
        if (index >= count || args[index].Kind() != TFormatArg::fkInt)
            SysFormatError(format);
        return args[index].Int();
    };
    auto readNumber = [&](int64_t& value) -> bool {
        if (i < n && format[i] == '*') {
            ++i;
            value = takeInt(next++);
            return true;
        }
        if (i >= n || format[i] < '0' || format[i] > '9')
            return false;
        value = 0;
        while (i < n && format[i] >= '0' && format[i] <= '9') {
            value = value * 10 + (format[i++] - '0');
            if (value > 1000000)
                SysFormatError(format);
        }
        return true;
    };
    while (i < n) {
        char c = format[i++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i < n && format[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        int64_t number = -1;
        bool hasNumber = readNumber(number);
        if (hasNumber && i < n && format[i] == ':') {
            ++i;
            if (number < 0)
                SysFormatError(format);
            next = size_t(number);
            hasNumber = readNumber(number);
        }
        bool left = false;
        if (!hasNumber && i < n && format[i] == '-') {
            left = true;
            ++i;
            hasNumber = readNumber(number);
        }
        int64_t width = hasNumber ? number : 0;
        int64_t precision = -1;
        if (i < n && format[i] == '.') {
            ++i;
            if (!readNumber(precision))
                precision = 0;
        }
        if (i >= n)
            SysFormatError(format);
        char type = static_cast<char>(format[i++] | 0x20);
        if (next >= count)
            SysFormatError(format);
        const TFormatArg& a = args[next++];
        std::string item;
        switch (type) {
        case 'd':
        case 'u':
        case 'x': {
            bool negative = false;
            if (a.Kind() == TFormatArg::fkInt && type == 'd') {
                negative = a.Int() < 0;
                item = negative ? std::to_string(0 - uint64_t(a.Int())) : std::to_string(a.Int());
            } else if (a.Kind() == TFormatArg::fkInt || a.Kind() == TFormatArg::fkUInt) {
                item = SysUnsignedOf(a, type == 'x' ? 16 : 10);
            } else {
                SysFormatError(format);
            }
            if (precision > 0 && int64_t(item.size()) < precision)
                item.insert(0, size_t(precision) - item.size(), '0');
            if (negative)
                item.insert(0, 1, '-');
            break;
        }
        case 's':
            if (a.Kind() != TFormatArg::fkString)
                SysFormatError(format);
            item = std::string(a.String());
            if (precision >= 0 && int64_t(item.size()) > precision)
                item.resize(size_t(precision));
            break;
        case 'f':
        case 'e':
        case 'g':
        case 'n':
        case 'm': {
            if (a.Kind() != TFormatArg::fkFloat)
                SysFormatError(format);
            double v = a.Float();
            int p = static_cast<int>(std::min<int64_t>(precision, 18));
            switch (type) {
            case 'f':
                item = FloatToStrF(v, ffFixed, 18, p < 0 ? 2 : p);
                break;
            case 'n':
                item = FloatToStrF(v, ffNumber, 18, p < 0 ? 2 : p);
                break;
            case 'm':
                item = FloatToStrF(v, ffCurrency, 18, p < 0 ? CurrencyDecimals : p);
                break;
            case 'e':
                item = FloatToStrF(v, ffExponent, p <= 0 ? 15 : p, 3);
                break;
            default:
                item = FloatToStrF(v, ffGeneral, p <= 0 ? 15 : p, 0);
                break;
            }
            break;
        }
        case 'p':
            if (a.Kind() != TFormatArg::fkPointer)
                SysFormatError(format);
            item = IntToHex(uint64_t(reinterpret_cast<uintptr_t>(a.Ptr())), int(sizeof(void*) * 2));
            break;
        default:
            SysFormatError(format);
        }
        if (int64_t(item.size()) < width) {
            std::string pad(size_t(width) - item.size(), ' ');
            item = left ? item + pad : pad + item;
        }
        out += item;
    }
    return out;
}

// ---- Strings ----------------------------------------------------------------------------------------

std::string Copy(const std::string& s, int64_t index, int64_t count) {
    if (index < 1)
        index = 1;
    if (count <= 0 || index > int64_t(s.size()))
        return std::string();
    return s.substr(size_t(index - 1), size_t(std::min<int64_t>(count, int64_t(s.size()) - index + 1)));
}

void Delete(std::string& s, int64_t index, int64_t count) {
    if (index < 1 || index > int64_t(s.size()) || count <= 0)
        return;
    s.erase(size_t(index - 1), size_t(std::min<int64_t>(count, int64_t(s.size()) - index + 1)));
}

void Insert(const std::string& source, std::string& s, int64_t index) {
    index = std::clamp<int64_t>(index, 1, int64_t(s.size()) + 1);
    s.insert(size_t(index - 1), source);
}

int64_t Pos(const std::string& sub, const std::string& s) {
    if (sub.empty())
        return 0;
    size_t at = s.find(sub);
    return at == std::string::npos ? 0 : int64_t(at) + 1;
}

namespace {

bool SysIsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

std::string TrimLeft(const std::string& s) {
    size_t b = 0;
    while (b < s.size() && SysIsBlank(s[b]))
        ++b;
    return s.substr(b);
}

std::string TrimRight(const std::string& s) {
    size_t e = s.size();
    while (e > 0 && SysIsBlank(s[e - 1]))
        --e;
    return s.substr(0, e);
}

std::string Trim(const std::string& s) {
    return TrimLeft(TrimRight(s));
}

std::string UpperCase(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return r;
}

std::string LowerCase(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return r;
}

namespace {

// Decodes one UTF-8 sequence at s[i]; false (and len 1) for a byte that does not start a valid one.
bool SysDecodeUtf8(const std::string& s, size_t i, char32_t& cp, size_t& len) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    len = 1;
    if (b < 0x80) {
        cp = b;
        return true;
    }
    size_t need;
    char32_t min;
    if ((b & 0xE0) == 0xC0) {
        need = 1;
        cp = b & 0x1F;
        min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        need = 2;
        cp = b & 0x0F;
        min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        need = 3;
        cp = b & 0x07;
        min = 0x10000;
    } else {
        return false;
    }
    if (i + need >= s.size())
        return false;
    for (size_t k = 1; k <= need; ++k) {
        unsigned char c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    len = need + 1;
    return true;
}

} // namespace

void SysEncodeUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

namespace {

// Simple case mapping for the Latin, Greek and Cyrillic letters.
char32_t SysToUpper(char32_t c) {
    if (c >= 'a' && c <= 'z')
        return c - 32;
    if (c < 0x80)
        return c;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return (c & 1) ? c - 1 : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? c : c - 1;
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2)
        return c - 0x20;
    if (c == 0x3C2)
        return 0x3A3;
    if (c == 0x3AC)
        return 0x386;
    if (c >= 0x3AD && c <= 0x3AF)
        return c - 0x25;
    if (c == 0x3CC)
        return 0x38C;
    if (c == 0x3CD || c == 0x3CE)
        return c - 0x3F;
    if (c >= 0x430 && c <= 0x44F)
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    return c;
}

char32_t SysToLower(char32_t c) {
    if (c >= 'A' && c <= 'Z')
        return c + 32;
    if (c < 0x80)
        return c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    if (c == 0x178)
        return 0xFF;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return (c & 1) ? c : c + 1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? c + 1 : c;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return c + 0x20;
    if (c == 0x386)
        return 0x3AC;
    if (c >= 0x388 && c <= 0x38A)
        return c + 0x25;
    if (c == 0x38C)
        return 0x3CC;
    if (c == 0x38E || c == 0x38F)
        return c + 0x3F;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

template <typename F> std::string SysMapCase(const std::string& s, F map) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        char32_t cp;
        size_t len;
        if (SysDecodeUtf8(s, i, cp, len))
            SysEncodeUtf8(map(cp), out);
        else
            out += s[i];
        i += len;
    }
    return out;
}

// Compares code point by code point after mapping each through fold; bytes that are not UTF-8 compare
// as themselves, above every ASCII character.
template <typename F> int SysCompareFolded(const std::string& a, const std::string& b, F fold) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        char32_t ca, cb;
        size_t la, lb;
        if (!SysDecodeUtf8(a, i, ca, la))
            ca = static_cast<unsigned char>(a[i]);
        else
            ca = fold(ca);
        if (!SysDecodeUtf8(b, j, cb, lb))
            cb = static_cast<unsigned char>(b[j]);
        else
            cb = fold(cb);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        i += la;
        j += lb;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

} // namespace

std::string AnsiUpperCase(const std::string& s) {
    return SysMapCase(s, SysToUpper);
}
std::string AnsiLowerCase(const std::string& s) {
    return SysMapCase(s, SysToLower);
}

int CompareStr(const std::string& a, const std::string& b) {
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int CompareText(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'a' && ca <= 'z')
            ca -= 32;
        if (cb >= 'a' && cb <= 'z')
            cb -= 32;
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

int AnsiCompareText(const std::string& a, const std::string& b) {
    return SysCompareFolded(a, b, SysToUpper);
}

int AnsiCompareStr(const std::string& a, const std::string& b) {
    int c = SysCompareFolded(a, b, SysToUpper);
    if (c != 0)
        return c;
    // Equal but for case: the first letter that differs decides, the lower-case one first.
    size_t i = 0;
    while (i < a.size() && i < b.size()) {
        char32_t ca, cb;
        size_t la, lb;
        bool va = SysDecodeUtf8(a, i, ca, la), vb = SysDecodeUtf8(b, i, cb, lb);
        if (!va)
            ca = static_cast<unsigned char>(a[i]);
        if (!vb)
            cb = static_cast<unsigned char>(b[i]);
        if (ca != cb)
            return SysToLower(ca) == ca ? -1 : 1;
        i += la;
    }
    return CompareStr(a, b);
}

bool AnsiSameText(const std::string& a, const std::string& b) {
    return AnsiCompareText(a, b) == 0;
}

std::string AnsiQuotedStr(const std::string& s, char quote) {
    std::string out(1, quote);
    for (char c : s) {
        out += c;
        if (c == quote)
            out += quote;
    }
    out += quote;
    return out;
}

std::string QuotedStr(const std::string& s) {
    return AnsiQuotedStr(s, '\'');
}

std::string AnsiExtractQuotedStr(std::string_view text, size_t& pos, char quote) {
    std::string out;
    if (pos >= text.size() || text[pos] != quote)
        return out;
    ++pos;
    while (pos < text.size()) {
        char c = text[pos++];
        if (c == quote) {
            if (pos < text.size() && text[pos] == quote) {
                out += quote;
                ++pos;
                continue;
            }
            return out;
        }
        out += c;
    }
    return out;
}

// ---- Paths and files --------------------------------------------------------------------------------

std::string ExtractFileName(const std::string& path) {
    size_t slash = path.rfind(PathDelim);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFilePath(const std::string& path) {
    size_t slash = path.rfind(PathDelim);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileDir(const std::string& path) {
    size_t slash = path.rfind(PathDelim);
    if (slash == std::string::npos)
        return std::string();
    return slash == 0 ? std::string(1, PathDelim) : path.substr(0, slash);
}

std::string ExtractFileExt(const std::string& path) {
    size_t dot = path.rfind('.');
    size_t slash = path.rfind(PathDelim);
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return path.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& extension) {
    size_t dot = path.rfind('.');
    size_t slash = path.rfind(PathDelim);
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + extension;
    return path.substr(0, dot) + extension;
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
    return !path.empty() && path.back() == PathDelim ? path : path + PathDelim;
}

std::string ExcludeTrailingPathDelimiter(const std::string& path) {
    // The root folder keeps its only delimiter.
    if (path.size() > 1 && path.back() == PathDelim)
        return path.substr(0, path.size() - 1);
    return path;
}

bool FileExists(const std::string& fileName) {
    struct stat st {};
    return !fileName.empty() && ::stat(fileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& dirName) {
    struct stat st {};
    return !dirName.empty() && ::stat(dirName.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& dirName) {
    if (dirName.empty())
        return false;
    std::string path = ExcludeTrailingPathDelimiter(dirName);
    if (DirectoryExists(path))
        return true;
    std::string parent = ExtractFileDir(path);
    if (!parent.empty() && parent != path && !ForceDirectories(parent))
        return false;
    return ::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(path));
}

bool DeleteFile(const std::string& fileName) {
    return !DirectoryExists(fileName) && ::unlink(fileName.c_str()) == 0;
}

bool RenameFile(const std::string& oldName, const std::string& newName) {
    if (::renameat2(AT_FDCWD, oldName.c_str(), AT_FDCWD, newName.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // The file system cannot refuse to replace by itself.
    struct stat st {};
    if (::lstat(newName.c_str(), &st) == 0)
        return false;
    return ::rename(oldName.c_str(), newName.c_str()) == 0;
}

// ---- Dates ------------------------------------------------------------------------------------------

namespace {

constexpr int SysDaysInMonth[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                       {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
int64_t SysDaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void SysCivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = yoe + era * 400;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(y + (month <= 2));
}

// 1899-12-30 is day 0 of TDateTime and day -25569 of the Unix calendar.
constexpr int64_t SysDateDelta = 25569;

} // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > SysDaysInMonth[IsLeapYear(year)][month - 1])
        return false;
    date = double(SysDaysFromCivil(year, month, day) + SysDateDelta);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime d;
    if (!TryEncodeDate(year, month, day, d))
        throw EConvertError("Invalid argument to date encode");
    return d;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) {
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
        return false;
    time = (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / 86400000.0;
    return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime t;
    if (!TryEncodeTime(hour, min, sec, msec, t))
        throw EConvertError("Invalid argument to time encode");
    return t;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
    if (!std::isfinite(date) || std::abs(date) > 1e7)
        SysInvalidOp();
    SysCivilFromDays(int64_t(std::floor(date)) - SysDateDelta, year, month, day);
}

void DecodeTime(TDateTime time, int& hour, int& min, int& sec, int& msec) {
    if (!std::isfinite(time))
        SysInvalidOp();
    double fraction = std::abs(time - std::trunc(time));
    int64_t ms = int64_t(std::llround(fraction * 86400000.0));
    if (ms >= 86400000)
        ms = 86399999;
    hour = int(ms / 3600000);
    min = int(ms / 60000 % 60);
    sec = int(ms / 1000 % 60);
    msec = int(ms % 1000);
}

TDateTime Now() {
    auto now = std::chrono::system_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    TDateTime date =
        double(SysDaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) + SysDateDelta);
    return date +
           (local.tm_hour * 3600000.0 + local.tm_min * 60000.0 + local.tm_sec * 1000.0 + double(ms % 1000)) /
               86400000.0;
}

TDateTime Date() {
    return std::floor(Now());
}

} // namespace vcl

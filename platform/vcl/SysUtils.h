// The run-time library: numbers, conversions, Format, 1-based string routines, paths, dates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

namespace vcl {

// Formatting settings. The defaults are the neutral ones; InitFormatSettingsFromLocale takes the decimal
// and thousands separators from the user's LC_NUMERIC locale.
extern char DecimalSeparator;
extern char ThousandSeparator;
extern std::string CurrencyString; // "$" by default
extern uint8_t CurrencyFormat;     // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
extern uint8_t CurrencyDecimals;
void InitFormatSettingsFromLocale();

constexpr char PathDelim = '/';

// ---- Numbers ----------------------------------------------------------------------------------------

// Halves go to the even neighbour (2.5 -> 2, 3.5 -> 4). NaN, infinities and values outside the 64-bit
// range raise EInvalidOp.
int64_t Round(double value);
// Truncates toward zero; raises EInvalidOp like Round.
int64_t Trunc(double value);
// The fractional part, with the sign of value.
double Frac(double value);

std::string IntToStr(int64_t value);
// Upper-case hex with at least digits digits; negative values show their two's complement of the width.
std::string IntToHex(int32_t value, int digits);
std::string IntToHex(uint32_t value, int digits);
std::string IntToHex(int64_t value, int digits);
std::string IntToHex(uint64_t value, int digits);

// Decimal with an optional sign, or hex after "$", "0x" or "0X"; leading blanks are allowed. The value
// must fit 32 (or 64) bits.
bool TryStrToInt(const std::string& s, int32_t& value);
bool TryStrToInt64(const std::string& s, int64_t& value);
// Raises EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(const std::string& s);
int64_t StrToInt64(const std::string& s);
int32_t StrToIntDef(const std::string& s, int32_t defaultValue);
int64_t StrToInt64Def(const std::string& s, int64_t defaultValue);

// Floating-point text with DecimalSeparator as the decimal point, an optional sign and exponent; blanks
// around it are allowed. TextToFloat reports failure, StrToFloat raises EConvertError
// "'%s' is not a valid floating point value".
bool TextToFloat(const std::string& s, double& value);
bool TryStrToFloat(const std::string& s, double& value);
double StrToFloat(const std::string& s);
double StrToFloatDef(const std::string& s, double defaultValue);

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// The value is first taken to precision significant digits (at most 18), then, for the fixed formats,
// rounded to digits decimals with halves away from zero (0.125 with 2 decimals gives "0.13"). A fixed
// value with more than precision integer digits is shown in scientific form. NaN and infinities give
// "NAN", "INF" and "-INF".
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
// General format with 15 significant digits ("0.1", "1E20", "1.5E-6").
std::string FloatToStr(double value);

// ---- Random numbers ---------------------------------------------------------------------------------

// The generator behind Random: 32 uniformly random bits a call.
using TRandomSource = std::function<uint32_t()>;
// A uniform integer in 0 .. range - 1 (0 for a range of 0 or less): the top bits of one draw scaled to the
// range, so a test source decides each result with one value.
int32_t Random(int32_t range);
// A uniform number in [0, 1), from one draw.
double Random();
// Seeds the program's generator from the system's entropy. Until it is called the generator gives the
// same sequence in every run.
void Randomize();
// A generator of its own state: the same seed gives the same sequence.
TRandomSource SeededRandomSource(uint64_t seed);
// Replaces the generator behind Random (tests); an empty source puts the program's own back.
void SetRandomSource(TRandomSource source);

// ---- The operating system -----------------------------------------------------------------------------

// What GetVersionEx reports now: the platform (VER_PLATFORM_WIN32_NT, 2, here) and the major and minor
// version (5 and 1 unless a test set others).
int32_t Win32Platform();
int32_t Win32MajorVersion();
int32_t Win32MinorVersion();

// ---- Format -----------------------------------------------------------------------------------------

// One argument of Format: an integer (with its width, for %x and %u of negative values), a floating-point
// number, a string, or a pointer.
class TFormatArg {
public:
    enum TKind { fkInt, fkUInt, fkFloat, fkString, fkPointer };

    template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>) TFormatArg(T v)
        : FBits(sizeof(T) > 4 ? 64 : 32) {
        if constexpr (std::is_signed_v<T>) {
            FKind = fkInt;
            FInt = v;
        } else {
            FKind = fkUInt;
            FUInt = v;
        }
    }
    template <typename T>
    requires std::is_enum_v<T> TFormatArg(T v) : TFormatArg(static_cast<std::underlying_type_t<T>>(v)) {}
    TFormatArg(bool) = delete;
    TFormatArg(double v) : FKind(fkFloat), FFloat(v) {}
    TFormatArg(float v) : FKind(fkFloat), FFloat(v) {}
    TFormatArg(long double v) : FKind(fkFloat), FFloat(static_cast<double>(v)) {}
    TFormatArg(char c) : FKind(fkString), FChar(c), FIsChar(true) {}
    TFormatArg(const char* s) : FKind(fkString), FString(s ? s : "") {}
    TFormatArg(std::string_view s) : FKind(fkString), FString(s) {}
    TFormatArg(const std::string& s) : FKind(fkString), FString(s) {}
    TFormatArg(const void* p) : FKind(fkPointer), FPointer(p) {}
    TFormatArg(std::nullptr_t) : FKind(fkPointer) {}

    TKind Kind() const { return FKind; }
    int Bits() const { return FBits; }
    int64_t Int() const { return FInt; }
    uint64_t UInt() const { return FUInt; }
    double Float() const { return FFloat; }
    std::string_view String() const { return FIsChar ? std::string_view(&FChar, 1) : FString; }
    const void* Ptr() const { return FPointer; }

private:
    TKind FKind = fkInt;
    int FBits = 32;
    int64_t FInt = 0;
    uint64_t FUInt = 0;
    double FFloat = 0;
    std::string_view FString;
    const void* FPointer = nullptr;
    char FChar = 0;
    bool FIsChar = false;
};

// The formatter behind Format. Specifiers: %[index:][-][width][.precision]type with type d u x s f e g
// n m p and %%; width and precision may be "*" (taken from the next integer argument). A specifier that
// does not match its argument, or lacks one, raises EConvertError
// "Format '%s' invalid or incompatible with argument".
std::string FormatArgs(std::string_view format, const TFormatArg* args, size_t count);

template <typename... Args> std::string Format(std::string_view format, const Args&... args) {
    if constexpr (sizeof...(Args) == 0) {
        return FormatArgs(format, nullptr, 0);
    } else {
        const TFormatArg list[] = {TFormatArg(args)...};
        return FormatArgs(format, list, sizeof...(Args));
    }
}

// ---- Strings (1-based, clamping) --------------------------------------------------------------------

// Up to count bytes from index (1-based); an index below 1 counts as 1, and past the end gives "".
std::string Copy(const std::string& s, int64_t index, int64_t count);
// Removes up to count bytes from index; an index outside the string changes nothing.
void Delete(std::string& s, int64_t index, int64_t count);
// Inserts source before index, clamped to 1..length + 1.
void Insert(const std::string& source, std::string& s, int64_t index);
// The 1-based position of the first occurrence of sub in s, 0 when absent or sub is empty.
int64_t Pos(const std::string& sub, const std::string& s);

// Remove blanks and control characters (bytes up to the space).
std::string Trim(const std::string& s);
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);

// ASCII letters only.
std::string UpperCase(const std::string& s);
std::string LowerCase(const std::string& s);
// UTF-8 aware: Latin, Greek and Cyrillic letters change case too; bytes that are not UTF-8 stay as they are.
std::string AnsiUpperCase(const std::string& s);
std::string AnsiLowerCase(const std::string& s);

// Negative, zero or positive. CompareText and SameText fold ASCII letters; AnsiCompareText folds the
// letters AnsiUpperCase knows; AnsiCompareStr orders case-insensitively first and puts a lower-case letter
// before its capital when that is the only difference.
int CompareStr(const std::string& a, const std::string& b);
int CompareText(const std::string& a, const std::string& b);
bool SameText(const std::string& a, const std::string& b);
// Appends the UTF-8 bytes of one code point (the caller keeps it within 0..0x10FFFF).
void SysEncodeUtf8(char32_t cp, std::string& out);
int AnsiCompareText(const std::string& a, const std::string& b);
int AnsiCompareStr(const std::string& a, const std::string& b);
bool AnsiSameText(const std::string& a, const std::string& b);

// 'it''s' style quoting.
std::string QuotedStr(const std::string& s);
std::string AnsiQuotedStr(const std::string& s, char quote);
// Takes a quoted string starting at pos (which must hold the quote) and moves pos past its closing quote;
// an unterminated string runs to the end.
std::string AnsiExtractQuotedStr(std::string_view text, size_t& pos, char quote);

// ---- Paths and files --------------------------------------------------------------------------------

std::string ExtractFileName(const std::string& path);
std::string ExtractFilePath(const std::string& path); // with the trailing "/"
std::string ExtractFileDir(const std::string& path);  // without it ("/" stays "/")
std::string ExtractFileExt(const std::string& path);  // ".gif", or ""
std::string ChangeFileExt(const std::string& path, const std::string& extension);
std::string IncludeTrailingPathDelimiter(const std::string& path);
std::string ExcludeTrailingPathDelimiter(const std::string& path);

bool FileExists(const std::string& fileName);     // a file, not a folder
bool DirectoryExists(const std::string& dirName); // a folder
// Creates the folder and its missing parents; false when that fails or dirName is empty.
bool ForceDirectories(const std::string& dirName);
bool DeleteFile(const std::string& fileName);
// Fails (false) rather than replace an existing newName.
bool RenameFile(const std::string& oldName, const std::string& newName);

// ---- Dates ------------------------------------------------------------------------------------------

// Days since 1899-12-30, the fraction being the time of day.
using TDateTime = double;

TDateTime Now();  // local date and time
TDateTime Date(); // local date, midnight
bool IsLeapYear(int year);
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
TDateTime EncodeDate(int year, int month, int day); // EConvertError "Invalid argument to date encode"
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time);
TDateTime EncodeTime(int hour, int min, int sec, int msec); // EConvertError "Invalid argument to time encode"
void DecodeDate(TDateTime date, int& year, int& month, int& day);
void DecodeTime(TDateTime time, int& hour, int& min, int& sec, int& msec);

} // namespace vcl

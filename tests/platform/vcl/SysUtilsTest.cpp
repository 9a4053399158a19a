#include "platform/vcl/SysUtils.h"
#include "platform/vcl/Exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <unistd.h>

using namespace vcl;

namespace {

// Restores the separators a test changes.
struct SeparatorGuard {
    char Decimal = DecimalSeparator, Thousand = ThousandSeparator;
    ~SeparatorGuard() {
        DecimalSeparator = Decimal;
        ThousandSeparator = Thousand;
    }
};

std::filesystem::path MakeTempDir() {
    auto dir = std::filesystem::temp_directory_path() /
               ("lw-sysutils-" + std::to_string(::getpid()) + "-" + std::to_string(std::rand()));
    std::filesystem::create_directories(dir);
    return dir;
}

} // namespace

TEST(SysUtils, RoundHalfToEvenAndTrunc) {
    struct {
        double Value;
        int64_t Round, Trunc;
    } cases[] = {
        {0.5, 0, 0},
        {1.5, 2, 1},
        {2.5, 2, 2},
        {3.5, 4, 3},
        {-0.5, 0, 0},
        {-1.5, -2, -1},
        {-2.5, -2, -2},
        {2.4999, 2, 2},
        {2.5001, 3, 2},
        {-2.7, -3, -2},
        {1e15 + 0.5, 1000000000000000, 1000000000000000},
        {0, 0, 0},
    };
    for (auto& c : cases) {
        EXPECT_EQ(Round(c.Value), c.Round) << c.Value;
        EXPECT_EQ(Trunc(c.Value), c.Trunc) << c.Value;
    }
    EXPECT_DOUBLE_EQ(Frac(2.75), 0.75);
    EXPECT_DOUBLE_EQ(Frac(-2.75), -0.75);
    // Values no integer can hold raise instead of being undefined.
    for (double bad : {std::nan(""), double(INFINITY), -double(INFINITY), 1e19, -1e19}) {
        EXPECT_THROW(Round(bad), EInvalidOp) << bad;
        EXPECT_THROW(Trunc(bad), EInvalidOp) << bad;
    }
}

TEST(SysUtils, IntegerTextBothWays) {
    EXPECT_EQ(IntToStr(-42), "-42");
    EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(int32_t(-1), 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(int64_t(-1), 2), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(IntToHex(uint32_t(0x00FF8000), 8), "00FF8000");
    EXPECT_EQ(IntToHex(size_t(4096), 1), "1000");

    struct {
        const char* Text;
        bool Ok;
        int32_t Value;
    } cases[] = {
        {"0", true, 0},
        {"  42", true, 42},
        {"+7", true, 7},
        {"-2147483648", true, INT32_MIN},
        {"2147483647", true, INT32_MAX},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"$FF", true, 255},
        {"0x1f", true, 31},
        {"$FFFFFFFF", true, -1},
        {"-$10", true, -16},
        {"$100000000", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"12 ", false, 0},
        {"1e3", false, 0},
        {"abc", false, 0},
        {"0x", false, 0},
    };
    for (auto& c : cases) {
        int32_t v = 99;
        EXPECT_EQ(TryStrToInt(c.Text, v), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(v, c.Value) << c.Text;
            EXPECT_EQ(StrToInt(c.Text), c.Value);
        } else {
            EXPECT_EQ(StrToIntDef(c.Text, -5), -5) << c.Text;
            try {
                StrToInt(c.Text);
                ADD_FAILURE() << c.Text;
            } catch (const EConvertError& e) {
                EXPECT_EQ(e.Message(), "'" + std::string(c.Text) + "' is not a valid integer value");
            }
        }
    }
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
}

TEST(SysUtils, FloatTextWithTheDecimalSeparator) {
    SeparatorGuard guard;
    EXPECT_DOUBLE_EQ(StrToFloat(" 2.5 "), 2.5);
    EXPECT_DOUBLE_EQ(StrToFloat("-1.25e2"), -125);
    EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloat("1e-400"), 0);
    for (const char* bad : {"", "2,5", "1e", "1e400", "inf", "nan", "1.2.3", "--1", "0x10"})
        EXPECT_THROW(StrToFloat(bad), EConvertError) << bad;
    try {
        StrToFloat("x");
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'x' is not a valid floating point value");
    }
    DecimalSeparator = ',';
    double v = 0;
    EXPECT_TRUE(TextToFloat("2,5", v));
    EXPECT_DOUBLE_EQ(v, 2.5);
    EXPECT_FALSE(TextToFloat("2.5", v));
    EXPECT_EQ(FloatToStrF(2.5, ffFixed, 15, 2), "2,50");
    EXPECT_DOUBLE_EQ(StrToFloatDef("junk", 1.5), 1.5);
    // The neutral locale gives the point back.
    const char* oldLocale = std::getenv("LC_ALL");
    std::string saved = oldLocale ? oldLocale : "";
    ::setenv("LC_ALL", "C", 1);
    InitFormatSettingsFromLocale();
    if (oldLocale)
        ::setenv("LC_ALL", saved.c_str(), 1);
    else
        ::unsetenv("LC_ALL");
    EXPECT_EQ(DecimalSeparator, '.');
    EXPECT_EQ(ThousandSeparator, ',');
}

TEST(SysUtils, FloatToStrF) {
    struct {
        double Value;
        TFloatFormat Format;
        int Precision, Digits;
        const char* Text;
    } cases[] = {
        // Decimals rounded half away from zero, from the precision-digit value.
        {0.125, ffFixed, 18, 2, "0.13"},
        {-0.125, ffFixed, 18, 2, "-0.13"},
        {2.5, ffFixed, 18, 0, "3"},
        {1.005, ffFixed, 18, 2, "1.00"}, // 1.00499999999999989...
        {1.005, ffFixed, 15, 2, "1.01"}, // 1.00500000000000 at 15 digits
        {0.001, ffFixed, 15, 2, "0.00"},
        {-0.001, ffFixed, 15, 2, "0.00"}, // no "-0.00"
        {9.999, ffFixed, 15, 2, "10.00"},
        {123.456, ffFixed, 15, 1, "123.5"},
        {0, ffFixed, 15, 3, "0.000"},
        {12.0, ffFixed, 15, 25, "12.000000000000000000"}, // decimals clamp to 18
        {1e20, ffFixed, 15, 2, "1E20"},                   // more integer digits than precision
        {1234567.891, ffNumber, 15, 2, "1,234,567.89"},
        {-1234.5, ffNumber, 15, 0, "-1,235"},
        {1234.5, ffCurrency, 15, 2, "$1,234.50"},
        {0.1, ffGeneral, 15, 0, "0.1"},
        {1e20, ffGeneral, 15, 0, "1E20"},
        {1.5e-6, ffGeneral, 15, 0, "1.5E-6"},
        {0.0001, ffGeneral, 15, 0, "0.0001"},
        {0.00001, ffGeneral, 15, 0, "1E-5"},
        {123456789012345678.0, ffGeneral, 15, 0, "1.23456789012346E17"},
        {100, ffGeneral, 15, 0, "100"},
        {1234.5, ffExponent, 6, 2, "1.23450E+03"},
        {-0.00012, ffExponent, 3, 0, "-1.20E-4"},
        {std::nan(""), ffFixed, 15, 2, "NAN"},
        {INFINITY, ffGeneral, 15, 0, "INF"},
        {-INFINITY, ffNumber, 15, 0, "-INF"},
    };
    for (auto& c : cases)
        EXPECT_EQ(FloatToStrF(c.Value, c.Format, c.Precision, c.Digits), c.Text) << c.Value << " " << c.Text;
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
    EXPECT_EQ(FloatToStr(-3), "-3");
}

TEST(SysUtils, Format) {
    int dummy = 0;
    struct {
        std::string Got;
        std::string Want;
    } cases[] = {
        {Format("%d items", 5), "5 items"},
        {Format("%4d|%-4d|%.3d", 7, 7, -7), "   7|7   |-007"},
        {Format("%u", -1), "4294967295"},
        {Format("%x %x %.4x", 255, int64_t(-1), 10), "FF FFFFFFFFFFFFFFFF 000A"},
        {Format("%s and %s", "one", std::string("two")), "one and two"},
        {Format("[%6s][%-6s][%.2s]", "abc", "abc", "abc"), "[   abc][abc   ][ab]"},
        {Format("%.2f", 0.125), "0.13"},
        {Format("%4.1f|%4.5f|%f", 3.14159, 2.0, 1.0), " 3.1|2.00000|1.00"},
        {Format("%e", 1234.5), "1.23450000000000E+003"},
        {Format("%g|%g", 0.5, 1e20), "0.5|1E20"},
        {Format("%n", 1234567.891), "1,234,567.89"},
        {Format("%m", -2.5), "-$2.50"},
        {Format("%*d|%-*d|%.*f", 5, 1, 3, 2, 1, 2.25), "    1|2  |2.3"},
        {Format("%1:s %0:s %s", "a", "b"), "b a b"},
        {Format("100%%"), "100%"},
        {Format("%s", 'c'), "c"},
        {Format("%d", uint8_t(200)), "200"},
        {Format("%p", static_cast<const void*>(nullptr)), std::string(sizeof(void*) * 2, '0')},
    };
    for (auto& c : cases)
        EXPECT_EQ(c.Got, c.Want);
    EXPECT_EQ(Format("%p", &dummy).size(), sizeof(void*) * 2);

    // Wrong argument kinds and missing arguments.
    auto bad = [](auto make) {
        try {
            make();
            return std::string("no error");
        } catch (const EConvertError& e) {
            return e.Message();
        }
    };
    EXPECT_EQ(bad([] { return Format("%d", 1.5); }), "Format '%d' invalid or incompatible with argument");
    EXPECT_EQ(bad([] { return Format("%s", 3); }), "Format '%s' invalid or incompatible with argument");
    EXPECT_EQ(bad([] { return Format("%f", 3); }), "Format '%f' invalid or incompatible with argument");
    EXPECT_EQ(bad([] { return Format("%d %d", 3); }), "Format '%d %d' invalid or incompatible with argument");
    EXPECT_EQ(bad([] { return Format("%5:d", 3); }), "Format '%5:d' invalid or incompatible with argument");
    EXPECT_EQ(bad([] { return Format("%q", 3); }), "Format '%q' invalid or incompatible with argument");
    EXPECT_EQ(bad([] { return Format("abc %"); }), "Format 'abc %' invalid or incompatible with argument");
    EXPECT_EQ(bad([] { return Format("%*d", "x", 3); }),
              "Format '%*d' invalid or incompatible with argument");
}

TEST(SysUtils, OneBasedStringRoutinesClamp) {
    struct {
        int64_t Index, Count;
        const char* Copy;
        const char* AfterDelete;
    } cases[] = {
        {1, 3, "abc", "def"},    {4, 100, "def", "abc"}, {0, 2, "ab", "abcdef"},
        {-5, 2, "ab", "abcdef"}, {6, 1, "f", "abcde"},   {7, 1, "", "abcdef"},
        {3, 0, "", "abcdef"},    {3, -1, "", "abcdef"},  {2, INT64_MAX, "bcdef", "a"},
    };
    for (auto& c : cases) {
        EXPECT_EQ(Copy("abcdef", c.Index, c.Count), c.Copy) << c.Index << "," << c.Count;
        std::string s = "abcdef";
        Delete(s, c.Index, c.Count);
        EXPECT_EQ(s, c.AfterDelete) << c.Index << "," << c.Count;
    }
    struct {
        int64_t Index;
        const char* Result;
    } inserts[] = {{1, "XYabc"}, {2, "aXYbc"}, {4, "abcXY"}, {99, "abcXY"}, {0, "XYabc"}, {-3, "XYabc"}};
    for (auto& c : inserts) {
        std::string s = "abc";
        Insert("XY", s, c.Index);
        EXPECT_EQ(s, c.Result) << c.Index;
    }
    EXPECT_EQ(Pos("cd", "abcdcd"), 3);
    EXPECT_EQ(Pos("x", "abc"), 0);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(Trim("\t  a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
}

TEST(SysUtils, CaseAndComparisons) {
    EXPECT_EQ(UpperCase("abc\xC3\xA9"), "ABC\xC3\xA9"); // ASCII only
    EXPECT_EQ(LowerCase("ABC"), "abc");
    // UTF-8 letters of Latin, Greek and Cyrillic; invalid bytes pass through unchanged.
    EXPECT_EQ(AnsiUpperCase("stra\xC3\x9F"
                            "e \xC3\xA9t\xC3\xA9 \xCE\xB1\xCF\x82 \xD0\xB4\xD0\xB0"),
              "STRA\xC3\x9F"
              "E \xC3\x89T\xC3\x89 \xCE\x91\xCE\xA3 \xD0\x94\xD0\x90");
    EXPECT_EQ(AnsiLowerCase("\xC3\x89\xC5\x81"), "\xC3\xA9\xC5\x82");
    EXPECT_EQ(AnsiUpperCase("a\xFF\xC3"), "A\xFF\xC3");

    EXPECT_LT(CompareText("apple", "BANANA"), 0);
    EXPECT_EQ(CompareText("Hello", "hELLO"), 0);
    EXPECT_TRUE(SameText("Name", "NAME"));
    EXPECT_FALSE(SameText("Name", "Names"));
    EXPECT_EQ(AnsiCompareText("\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"), 0);
    EXPECT_LT(AnsiCompareText("a", "B"), 0);
    // Case-sensitive, but in dictionary order: case decides only a tie, lower case first.
    EXPECT_LT(AnsiCompareStr("apple", "Banana"), 0);
    EXPECT_LT(AnsiCompareStr("a", "A"), 0);
    EXPECT_GT(AnsiCompareStr("B", "b"), 0);
    EXPECT_EQ(AnsiCompareStr("same", "same"), 0);
    EXPECT_LT(CompareStr("B", "a"), 0);
}

TEST(SysUtils, PathHelpers) {
    struct {
        const char* Path;
        const char* Name;
        const char* FilePath;
        const char* Dir;
        const char* Ext;
        const char* Changed;
    } cases[] = {
        {"/home/u/anim.gif", "anim.gif", "/home/u/", "/home/u", ".gif", "/home/u/anim.bmp"},
        {"anim.tar.gz", "anim.tar.gz", "", "", ".gz", "anim.tar.bmp"},
        {"/a.b/file", "file", "/a.b/", "/a.b", "", "/a.b/file.bmp"},
        {"/file.gif", "file.gif", "/", "/", ".gif", "/file.bmp"},
        {"dir/", "", "dir/", "dir", "", "dir/.bmp"},
    };
    for (auto& c : cases) {
        EXPECT_EQ(ExtractFileName(c.Path), c.Name) << c.Path;
        EXPECT_EQ(ExtractFilePath(c.Path), c.FilePath) << c.Path;
        EXPECT_EQ(ExtractFileDir(c.Path), c.Dir) << c.Path;
        EXPECT_EQ(ExtractFileExt(c.Path), c.Ext) << c.Path;
        EXPECT_EQ(ChangeFileExt(c.Path, ".bmp"), c.Changed) << c.Path;
    }
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp/"), "/tmp");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

TEST(SysUtils, FilesAndFolders) {
    auto dir = MakeTempDir();
    std::string nested = (dir / "a" / "b" / "c").string();
    EXPECT_FALSE(DirectoryExists(nested));
    EXPECT_TRUE(ForceDirectories(nested + "/"));
    EXPECT_TRUE(DirectoryExists(nested));
    EXPECT_FALSE(FileExists(nested)); // a folder is not a file
    EXPECT_FALSE(ForceDirectories(""));

    std::string one = (dir / "one.txt").string(), two = (dir / "two.txt").string();
    std::ofstream(one) << "1";
    std::ofstream(two) << "2";
    EXPECT_TRUE(FileExists(one));
    // Renaming never replaces an existing file.
    EXPECT_FALSE(RenameFile(one, two));
    EXPECT_TRUE(FileExists(one));
    EXPECT_TRUE(DeleteFile(two));
    EXPECT_FALSE(DeleteFile(two));
    EXPECT_TRUE(RenameFile(one, two));
    EXPECT_FALSE(FileExists(one));
    EXPECT_TRUE(FileExists(two));
    EXPECT_FALSE(DeleteFile(nested));
    // A file in the way of a folder.
    EXPECT_FALSE(ForceDirectories(two + "/sub"));
    std::filesystem::remove_all(dir);
}

TEST(SysUtils, Dates) {
    TDateTime d = 0;
    EXPECT_TRUE(TryEncodeDate(1899, 12, 30, d));
    EXPECT_EQ(d, 0);
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, d));
    EXPECT_EQ(d, 36585);
    int y, m, day;
    DecodeDate(d, y, m, day);
    EXPECT_EQ(y * 10000 + m * 100 + day, 20000229);
    struct {
        int Y, M, D;
    } invalid[] = {{1900, 2, 29}, {2023, 13, 1}, {2023, 4, 31}, {0, 1, 1},
                   {10000, 1, 1}, {2023, 0, 5},  {2023, 1, 0}};
    for (auto& c : invalid) {
        EXPECT_FALSE(TryEncodeDate(c.Y, c.M, c.D, d)) << c.Y << "-" << c.M << "-" << c.D;
        EXPECT_THROW(EncodeDate(c.Y, c.M, c.D), EConvertError);
    }
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);
    int h, mi, s, ms;
    DecodeTime(EncodeTime(13, 45, 30, 250), h, mi, s, ms);
    EXPECT_EQ(h * 10000000 + mi * 100000 + s * 1000 + ms, 134530250);
    TDateTime now = Now();
    EXPECT_EQ(Date(), std::floor(now));
    EXPECT_GT(now, EncodeDate(2020, 1, 1));
}

#include "platform/vcl/IniFiles.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/StringList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace vcl;

namespace {

class IniFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = std::filesystem::temp_directory_path() /
               ("lw-ini-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(FDir);
        FFile = (FDir / "forminfo.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }
    void WriteFile(const std::string& text) { std::ofstream(FFile, std::ios::binary) << text; }
    std::string ReadFile() {
        std::ifstream in(FFile, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::filesystem::path FDir;
    std::string FFile;
};

std::vector<std::string> ListLines(TStrings& list) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < list.GetCount(); ++i)
        out.push_back(list.Get(i));
    return out;
}

const char* const SampleIni = "; placements\r\n"
                              "[frmGifMainPosition]\r\n"
                              "Left=10\r\n"
                              "Top = 20 \r\n"
                              "# kept comment\r\n"
                              "\r\n"
                              "[Other]\r\n"
                              "Key=Value\r\n";

} // namespace

TEST_F(IniFilesTest, WriteKeepsOtherSectionsCommentsAndLineEnds) {
    WriteFile(SampleIni);
    {
        TIniFile ini(FFile);
        EXPECT_EQ(ini.ReadInteger("FRMGIFMAINPOSITION", "top", -1), 20);
        ini.WriteInteger("frmGifMainPosition", "Left", -50);
        ini.WriteInteger("frmGifMainPosition", "State", 1);
        ini.WriteString("New", "Name", "x");
    }
    EXPECT_EQ(ReadFile(), "; placements\r\n"
                          "[frmGifMainPosition]\r\n"
                          "Left=-50\r\n"
                          "Top = 20 \r\n"
                          "State=1\r\n"
                          "# kept comment\r\n"
                          "\r\n"
                          "[Other]\r\n"
                          "Key=Value\r\n"
                          "\r\n"
                          "[New]\r\n"
                          "Name=x\r\n");
    // A second object sees the writes at once, and so does the first after a change by another.
    TIniFile a(FFile), b(FFile);
    EXPECT_EQ(a.ReadInteger("frmGifMainPosition", "Left", 0), -50);
    b.WriteBool("Other", "Flag", true);
    EXPECT_TRUE(a.ReadBool("Other", "Flag", false));
    b.EraseSection("New");
    b.DeleteKey("Other", "Key");
    EXPECT_FALSE(a.SectionExists("New"));
    EXPECT_FALSE(a.ValueExists("Other", "Key"));
    EXPECT_TRUE(a.ValueExists("Other", "flag"));
    // Writing the value a key already has leaves the file alone.
    struct stat before {
    }, after{};
    ::stat(FFile.c_str(), &before);
    a.WriteInteger("frmGifMainPosition", "Left", -50);
    ::stat(FFile.c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(IniFilesTest, TypedReadsAndDefaults) {
    WriteFile("[S]\nInt=42\nHex=0x1F\nDollar=$10\nBad=12abc\nTrue=1\nFalse=0\nWord=true\n"
              "Float=2.5\nEmpty=\nQuoted=\"  padded  \"\n");
    TMemIniFile ini(FFile);
    struct {
        const char* Key;
        int32_t Int;
        bool Bool;
    } cases[] = {{"Int", 42, true},  {"Hex", 31, true},     {"Dollar", 16, true},
                 {"Bad", -1, true},  {"True", 1, true},     {"False", 0, false},
                 {"Word", -1, true}, {"Missing", -1, true}, {"Empty", -1, true}};
    for (auto& c : cases) {
        EXPECT_EQ(ini.ReadInteger("S", c.Key, -1), c.Int) << c.Key;
        EXPECT_EQ(ini.ReadBool("S", c.Key, true), c.Bool) << c.Key;
    }
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "Float", 0), 2.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "Bad", 1.5), 1.5);
    EXPECT_EQ(ini.ReadString("S", "Quoted", ""), "  padded  ");
    EXPECT_EQ(ini.ReadString("S", "Empty", "d"), "");
    EXPECT_EQ(ini.ReadString("Nope", "Int", "d"), "d");

    // Values with blanks or quotes at the edges come back as written.
    for (const char* value : {"  lead", "trail ", "\"quoted\"", "", "a=b", "; not a comment"}) {
        ini.WriteString("W", "k", value);
        EXPECT_EQ(ini.ReadString("W", "k", "default"), value);
    }
}

TEST_F(IniFilesTest, SectionsListsAndMemoryRoundTrip) {
    WriteFile(SampleIni);
    TMemIniFile ini(FFile);
    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(ListLines(list), (std::vector<std::string>{"frmGifMainPosition", "Other"}));
    ini.ReadSection("frmgifmainposition", &list);
    EXPECT_EQ(ListLines(list), (std::vector<std::string>{"Left", "Top"}));
    ini.ReadSectionValues("frmGifMainPosition", &list);
    EXPECT_EQ(ListLines(list), (std::vector<std::string>{"Left=10", "Top=20"}));
    ini.ReadSection("Missing", &list);
    EXPECT_EQ(list.GetCount(), 0);

    ini.WriteBool("Other", "Flag", false);
    ini.EraseSection("frmGifMainPosition");
    EXPECT_EQ(ReadFile(), SampleIni); // nothing written before UpdateFile
    ini.UpdateFile();
    EXPECT_EQ(ReadFile(), "; placements\r\n[Other]\r\nKey=Value\r\nFlag=0\r\n");
    TMemIniFile again(FFile);
    EXPECT_FALSE(again.ReadBool("Other", "Flag", true));

    // A missing file is an empty one; UpdateFile creates it.
    std::string fresh = (FDir / "fresh.ini").string();
    TMemIniFile created(fresh);
    EXPECT_FALSE(created.SectionExists("S"));
    created.WriteInteger("S", "N", 5);
    created.UpdateFile();
    EXPECT_EQ(TIniFile(fresh).ReadInteger("S", "N", 0), 5);
}

TEST_F(IniFilesTest, DuplicatesAndOddLines) {
    WriteFile(
        "orphan=1\n[A]\nk=first\nk=second\nno equals sign\n[[weird]]\n[a]\nk=third\nz=9\n[ spaced ]\nx=1\n");
    TMemIniFile ini(FFile);
    EXPECT_FALSE(ini.ValueExists("", "orphan")); // keys before any section belong to none
    EXPECT_EQ(ini.ReadString("a", "K", ""), "first");
    EXPECT_FALSE(ini.ValueExists("A", "z")); // only the first section of a name counts
    EXPECT_TRUE(ini.SectionExists("[weird]"));
    EXPECT_EQ(ini.ReadInteger("spaced", "x", 0), 1);
    TStringList sections;
    ini.ReadSections(&sections);
    EXPECT_EQ(ListLines(sections), (std::vector<std::string>{"A", "[weird]", "spaced"}));
    ini.DeleteKey("A", "k"); // every copy goes
    EXPECT_FALSE(ini.ValueExists("A", "k"));
    ini.EraseSection("a"); // both sections named a
    ini.ReadSections(&sections);
    EXPECT_EQ(ListLines(sections), (std::vector<std::string>{"[weird]", "spaced"}));
    EXPECT_EQ(ini.GetText(), "orphan=1\n[[weird]]\n[ spaced ]\nx=1\n");
}

TEST_F(IniFilesTest, CorruptAndBinaryFilesReadWithoutCrash) {
    std::mt19937 random(1234);
    std::string garbage;
    for (int i = 0; i < 20000; ++i)
        garbage += char(random());
    garbage += "\n[Real]\nKey=Value\n";
    std::string cases[] = {
        garbage,
        std::string("\0\0\0[S]\0\nk=\0v\n", 13),
        "\xEF\xBB\xBF[Bom]\nk=1\n",
        "[",
        "]=[",
        "[unclosed\nk=v\n",
        std::string(100000, '['),
        "=\n==\n[S]\n=\n",
    };
    for (auto& text : cases) {
        WriteFile(text);
        TMemIniFile ini(FFile);
        TStringList sections, values;
        ini.ReadSections(&sections);
        for (int32_t i = 0; i < sections.GetCount(); ++i)
            ini.ReadSectionValues(sections.Get(i), &values);
        ini.ReadInteger("S", "k", 0);
        // What is written back reads the same.
        ini.UpdateFile();
        TMemIniFile again(FFile);
        TStringList sectionsAgain;
        again.ReadSections(&sectionsAgain);
        EXPECT_TRUE(sectionsAgain.Equals(&sections));
    }
    WriteFile(garbage);
    EXPECT_EQ(TMemIniFile(FFile).ReadString("Real", "Key", ""), "Value");
    WriteFile("\xEF\xBB\xBF[Bom]\nk=1\n");
    EXPECT_EQ(TMemIniFile(FFile).ReadInteger("Bom", "k", 0), 1);
}

TEST_F(IniFilesTest, WriteErrorsRaise) {
    WriteFile(SampleIni);
    TIniFile ini(FFile);
    // Values that would read back as other lines are refused, and the file stays as it was.
    EXPECT_THROW(ini.WriteString("S", "k", "two\nlines"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", "k=x", "v"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", "[k]", "v"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S\n[T]", "k", "v"), EIniFileException);
    EXPECT_EQ(ReadFile(), SampleIni);

    // A folder that cannot be written to: a file stands where it should be.
    std::string blocked = (FDir / "blocked").string();
    std::ofstream(blocked) << "a file";
    TMemIniFile mem(blocked + "/x.ini");
    mem.WriteInteger("X", "Y", 1);
    EXPECT_THROW(mem.UpdateFile(), EIniFileException);
    // A file that exists but cannot be read is refused rather than replaced.
    EXPECT_THROW(TMemIniFile{FDir.string()}, EIniFileException);
    TIniFile unreadable(FDir.string());
    EXPECT_EQ(unreadable.ReadInteger("S", "k", 3), 3);
    EXPECT_THROW(unreadable.WriteInteger("S", "k", 1), EIniFileException);
    EXPECT_TRUE(std::filesystem::is_directory(FDir));
    TIniFile nowhere((FDir / "missing" / "x.ini").string());
    EXPECT_EQ(nowhere.ReadInteger("S", "k", 3), 3);
    EXPECT_THROW(nowhere.WriteInteger("S", "k", 1), EIniFileException);
}

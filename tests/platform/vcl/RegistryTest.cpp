#include "platform/vcl/Registry.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/IniFiles.h"
#include "platform/vcl/StringList.h"
#include "tests/platform/vcl/ErrorOf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace vcl;
using vcltest::ErrorOf;

namespace {

const char* const SettingsKey = "\\Software\\Quorvane Software\\Loomwick\\Settings";

// Points the store at a fresh folder for each test.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        FOldConfig = old ? old : "";
        FHadConfig = old != nullptr;
        FDir = std::filesystem::temp_directory_path() /
               ("lw-registry-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(FDir);
        std::filesystem::create_directories(FDir);
        ::setenv("XDG_CONFIG_HOME", FDir.c_str(), 1);
        FFile = (FDir / "loomwick" / "registry.ini").string();
    }
    void TearDown() override {
        std::filesystem::remove_all(FDir);
        if (FHadConfig)
            ::setenv("XDG_CONFIG_HOME", FOldConfig.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }
    std::string ReadFile() {
        std::ifstream in(FFile, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> Names(const std::function<void(TStrings*)>& fill) {
        TStringList list;
        fill(&list);
        std::vector<std::string> out;
        for (int32_t i = 0; i < list.GetCount(); ++i)
            out.push_back(list.Get(i));
        std::sort(out.begin(), out.end());
        return out;
    }
    std::filesystem::path FDir;
    std::string FFile, FOldConfig;
    bool FHadConfig = false;
};

} // namespace

TEST_F(RegistryTest, RoundTripOfEveryTypeThroughTheFile) {
    const unsigned char glyph[] = {0x42, 0x4D, 0x00, 0xFF, 0x0A};
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(SettingsKey, true));
        EXPECT_EQ(reg.GetCurrentPath(), "Software\\Quorvane Software\\Loomwick\\Settings");
        reg.WriteString("PaletteType", "2");
        reg.WriteString("Caption", "  Main menu\r\nline 2 ");
        reg.WriteString("Tricky", "dword:5");
        reg.WriteString("", "default value");
        reg.WriteString("na=me", "odd name");
        reg.WriteInteger("MaxColorCount", 256);
        reg.WriteInteger("Negative", -7);
        reg.WriteBool("ClipFrame", true);
        reg.WriteBinaryData("UserGlyph", glyph, sizeof glyph);
        reg.WriteBinaryData("Empty", glyph, 0);
        EXPECT_FALSE(std::filesystem::exists(FFile)); // lazy: nothing written before the key closes
    }
    std::string file = ReadFile();
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Quorvane Software\\Loomwick\\Settings]"),
              std::string::npos);
    EXPECT_NE(file.find("PaletteType=2\n"), std::string::npos);
    EXPECT_NE(file.find("MaxColorCount=dword:256\n"), std::string::npos);

    // A process starting afresh would read the file; simulate by pointing elsewhere and back.
    ::setenv("XDG_CONFIG_HOME", (FDir / "elsewhere").c_str(), 1);
    EXPECT_FALSE(TRegistry().KeyExists(SettingsKey));
    ::setenv("XDG_CONFIG_HOME", FDir.c_str(), 1);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(SettingsKey));
    EXPECT_EQ(reg.ReadString("PaletteType"), "2");
    EXPECT_EQ(reg.ReadString("Caption"), "  Main menu\r\nline 2 ");
    EXPECT_EQ(reg.ReadString("Tricky"), "dword:5");
    EXPECT_EQ(reg.ReadString(""), "default value");
    EXPECT_EQ(reg.ReadString("NA=ME"), "odd name");
    EXPECT_EQ(reg.ReadInteger("MaxColorCount"), 256);
    EXPECT_EQ(reg.ReadInteger("Negative"), -7);
    EXPECT_TRUE(reg.ReadBool("ClipFrame"));
    unsigned char buffer[16] = {};
    EXPECT_EQ(reg.GetDataSize("UserGlyph"), 5);
    EXPECT_EQ(reg.ReadBinaryData("UserGlyph", buffer, sizeof buffer), 5);
    EXPECT_EQ(std::memcmp(buffer, glyph, 5), 0);
    EXPECT_EQ(reg.ReadBinaryData("Empty", buffer, sizeof buffer), 0);
    EXPECT_EQ(reg.GetDataSize("PaletteType"), 2); // with its terminating zero
    EXPECT_EQ(reg.GetDataSize("MaxColorCount"), 4);
    EXPECT_EQ(reg.GetDataSize("Missing"), -1);
    EXPECT_EQ(reg.GetDataType("UserGlyph"), rdBinary);
    EXPECT_EQ(Names([&](TStrings* s) { reg.GetValueNames(s); }),
              (std::vector<std::string>{"", "Caption", "ClipFrame", "Empty", "MaxColorCount", "Negative",
                                        "PaletteType", "Tricky", "UserGlyph", "na=me"}));
    // Read-only: writes are refused.
    EXPECT_EQ(ErrorOf([&] { reg.WriteInteger("X", 1); }), "Failed to set data for 'X'");
}

TEST_F(RegistryTest, MissingValuesAndWrongTypesRaise) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(SettingsKey, true));
    reg.WriteString("Text", "12");
    reg.WriteInteger("Number", 12);
    unsigned char small[2];
    reg.WriteBinaryData("Blob", "abcd", 4);
    struct {
        const char* What;
        std::function<void()> Read;
        const char* Error;
    } cases[] = {
        {"missing string", [&] { reg.ReadString("Nope"); }, "Invalid data type for 'Nope'"},
        {"missing integer", [&] { reg.ReadInteger("Nope"); }, "Invalid data type for 'Nope'"},
        {"integer as string", [&] { reg.ReadString("Number"); }, "Invalid data type for 'Number'"},
        {"string as integer", [&] { reg.ReadInteger("Text"); }, "Invalid data type for 'Text'"},
        {"string as bool", [&] { reg.ReadBool("Text"); }, "Invalid data type for 'Text'"},
        {"blob as string", [&] { reg.ReadString("Blob"); }, "Invalid data type for 'Blob'"},
        {"buffer too small", [&] { reg.ReadBinaryData("Blob", small, 2); }, "Invalid data type for 'Blob'"},
        {"string as blob", [&] { reg.ReadBinaryData("Text", small, 2); }, "Invalid data type for 'Text'"},
    };
    for (auto& c : cases)
        EXPECT_EQ(ErrorOf(c.Read), c.Error) << c.What;
    EXPECT_TRUE(reg.ValueExists("text"));
    EXPECT_TRUE(reg.DeleteValue("Text"));
    EXPECT_FALSE(reg.DeleteValue("Text"));
    EXPECT_FALSE(reg.ValueExists("Text"));

    TRegistry closed;
    EXPECT_EQ(ErrorOf([&] { closed.ReadString("Text"); }), "Invalid data type for 'Text'");
    EXPECT_EQ(ErrorOf([&] { closed.WriteString("Text", "x"); }), "Failed to set data for 'Text'");
}

TEST_F(RegistryTest, KeysRelativeAbsoluteAndDeletedWithSubKeys) {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("\\Software\\Layout", false));
    ASSERT_TRUE(reg.OpenKey("\\Software\\Layout", true));
    ASSERT_TRUE(reg.OpenKey("Bar0\\ItemLink0", true)); // relative to the open key
    EXPECT_EQ(reg.GetCurrentPath(), "Software\\Layout\\Bar0\\ItemLink0");
    reg.WriteString("ItemName", "btnOpen");
    ASSERT_TRUE(reg.OpenKey("\\Software\\Layout\\Bar1\\", true)); // a trailing "\" is dropped
    reg.WriteInteger("Row", 1);
    ASSERT_TRUE(reg.OpenKey("\\software\\LAYOUT", false)); // names compare without case
    EXPECT_EQ(Names([&](TStrings* s) { reg.GetKeyNames(s); }), (std::vector<std::string>{"Bar0", "Bar1"}));
    EXPECT_TRUE(reg.HasSubKeys());
    EXPECT_TRUE(reg.KeyExists("Bar0\\ItemLink0"));
    EXPECT_TRUE(reg.KeyExists("\\Software"));
    EXPECT_FALSE(reg.KeyExists("Bar2"));
    EXPECT_FALSE(reg.OpenKey("\\Software\\\\Layout", true)); // an empty name inside a path

    // Another TRegistry of the process sees the writes at once.
    TRegistry other;
    ASSERT_TRUE(other.OpenKey("\\Software\\Layout\\Bar0\\ItemLink0", false));
    EXPECT_EQ(other.ReadString("ItemName"), "btnOpen");

    EXPECT_TRUE(reg.DeleteKey("Bar0"));
    EXPECT_FALSE(reg.KeyExists("Bar0\\ItemLink0"));
    EXPECT_FALSE(reg.DeleteKey("Bar0"));
    EXPECT_EQ(Names([&](TStrings* s) { reg.GetKeyNames(s); }), (std::vector<std::string>{"Bar1"}));
    // The other object's key is gone: writing to it fails instead of bringing it back.
    EXPECT_THROW(other.WriteString("ItemName", "x"), ERegistryException);
    EXPECT_FALSE(reg.KeyExists("Bar0"));

    // Other roots live under their own names.
    {
        TRegistry machine;
        machine.SetRootKey(HKEY_LOCAL_MACHINE);
        EXPECT_FALSE(machine.KeyExists("\\Software\\Layout"));
        ASSERT_TRUE(machine.OpenKey("\\Software\\Layout", true));
        machine.WriteBool("Flag", false);
        machine.CloseKey();
    } // saved when freed
    EXPECT_NE(ReadFile().find("[HKEY_LOCAL_MACHINE\\Software\\Layout]"), std::string::npos);
}

TEST_F(RegistryTest, StoreFileKeepsUnrelatedSectionsAndIsReadTolerantly) {
    std::filesystem::create_directories(FDir / "loomwick");
    {
        std::ofstream(FFile, std::ios::binary) << "; written by hand\n"
                                                  "[HKEY_CURRENT_USER\\Software\\Other]\n"
                                                  "Keep=this\n"
                                                  "Hex=hex:zz\n"
                                                  "Number=dword:notanumber\n"
                                                  "garbage line\n"
                                                  "[Not a key at all]\n"
                                                  "x=1\n";
    }
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Other", false));
        EXPECT_EQ(reg.ReadString("Keep"), "this");
        EXPECT_EQ(reg.GetDataType("Hex"), rdUnknown); // damaged values read as unknown, not as garbage
        EXPECT_THROW(reg.ReadInteger("Number"), ERegistryException);
        ASSERT_TRUE(reg.OpenKey("\\Software\\Mine", true));
        reg.WriteInteger("Value", 3);
    }
    std::string file = ReadFile();
    EXPECT_EQ(file.rfind("; written by hand\n[HKEY_CURRENT_USER\\Software\\Other]\nKeep=this\n", 0), 0u);
    EXPECT_NE(file.find("garbage line\n[Not a key at all]\nx=1\n"), std::string::npos);
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Mine]\nValue=dword:3\n"), std::string::npos);

    // Another program changing the file is noticed when nothing is pending.
    {
        TMemIniFile ini(FFile);
        ini.WriteString("HKEY_CURRENT_USER\\Software\\Mine", "Added", "outside");
        ini.UpdateFile();
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Mine", false));
    EXPECT_EQ(reg.ReadString("Added"), "outside");
}

TEST_F(RegistryTest, UnwritableStoreKeepsChangesPending) {
    // A file where the store's folder should be: nothing can be saved, whoever runs the test.
    std::ofstream((FDir / "loomwick").string()) << "in the way";
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Pending", true));
        reg.WriteInteger("N", 1);
        reg.CloseKey(); // cannot save: no exception, the change stays
        EXPECT_EQ(reg.GetCurrentKey(), nullptr);
        TRegistry eager;
        eager.SetLazyWrite(false);
        ASSERT_TRUE(eager.OpenKey("\\Software\\Pending", false));
        EXPECT_THROW(eager.WriteInteger("M", 2), ERegistryException);
    }
    std::filesystem::remove(FDir / "loomwick");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Pending", false));
    EXPECT_EQ(reg.ReadInteger("N"), 1);
    EXPECT_FALSE(reg.ValueExists("M")); // the failed write is undone
    reg.CloseKey();
    EXPECT_NE(ReadFile().find("N=dword:1"), std::string::npos);
}

TEST_F(RegistryTest, PendingChangesAreSavedAtExit) {
    // In a child process: one save on close, a second change left pending (within the second), and an
    // exit that never frees the TRegistry.
    EXPECT_EXIT(
        {
            auto* reg = new TRegistry;
            reg->OpenKey("\\Software\\Exit", true);
            reg->WriteInteger("First", 1);
            reg->CloseKey();
            reg->OpenKey("\\Software\\Exit", false);
            reg->WriteInteger("Second", 2);
            reg->CloseKey();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    std::string file = ReadFile();
    EXPECT_NE(file.find("First=dword:1"), std::string::npos);
    EXPECT_NE(file.find("Second=dword:2"), std::string::npos);
}

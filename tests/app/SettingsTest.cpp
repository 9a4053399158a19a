// The settings store: defaults on a fresh store, the reading rules for numbers and flags, and a store
// that cannot be written.
#include "AppTestUtil.h"

#include "app/Settings.h"
#include "platform/vcl/Registry.h"

using namespace app;
using apptest::AppTest;
using apptest::Store;

namespace {

TEST_F(AppTest, AFreshStoreGivesTheDefaults) {
    TPaletteSettings s = ReadPaletteSettings();
    EXPECT_EQ(s.PaletteType, 2);
    EXPECT_EQ(s.MaxColors, 256);
    EXPECT_EQ(s.DitherMethod, 0);
    EXPECT_FALSE(s.UseDefaults);
    vcl::TRegistry registry;
    ASSERT_TRUE(OpenSettingsKey(registry));
    EXPECT_EQ(ReadSettingInt(registry, SettingMaxImportCount, DefaultMaxImportCount), 256);
    EXPECT_FALSE(ReadSettingFlag(registry, SettingClipDefault, false));
    EXPECT_FALSE(ReadSettingFlag(registry, SettingClipFrame, false));
}

TEST_F(AppTest, NumbersAreDecimalStringsAndFlagsAreExactlyOne) {
    struct IntCase {
        std::string Stored;
        int32_t Expected;
    } ints[] = {{"7", 7}, {"0", 0}, {"-3", -3}, {"x", 2}, {"", 2}, {"1x", 2}, {"0x10", 2}, {" 1", 2},
                {"99999999999", 2}};
    for (const auto& c : ints) {
        Store(SettingPaletteType, c.Stored);
        vcl::TRegistry registry;
        ASSERT_TRUE(OpenSettingsKey(registry));
        EXPECT_EQ(ReadSettingInt(registry, SettingPaletteType, 2), c.Expected) << '"' << c.Stored << '"';
    }
    struct FlagCase {
        std::string Stored;
        bool Expected;
    } flags[] = {{"1", true}, {"0", false}, {"2", false}, {"true", false}, {"01", false}, {"", false}};
    for (const auto& c : flags) {
        Store(SettingPaletteDefaults, c.Stored);
        EXPECT_EQ(ReadPaletteSettings().UseDefaults, c.Expected) << '"' << c.Stored << '"';
    }
    // Written back in the store's forms.
    {
        vcl::TRegistry registry;
        ASSERT_TRUE(OpenSettingsKey(registry));
        EXPECT_TRUE(WriteSettingInt(registry, SettingMaxColorCount, 64));
        EXPECT_TRUE(WriteSettingFlag(registry, SettingClipFrame, true));
        EXPECT_EQ(registry.ReadString(SettingMaxColorCount), "64");
        EXPECT_EQ(registry.ReadString(SettingClipFrame), "1");
    }
    EXPECT_EQ(ReadPaletteSettings().MaxColors, 64);
}

TEST_F(AppTest, AStoreThatCannotBeWrittenGivesTheDefaults) {
    // The configuration folder is a file: nothing can be created below it.
    WriteFile("blocked", {1});
    ::setenv("XDG_CONFIG_HOME", Path("blocked").c_str(), 1);
    TPaletteSettings s;
    EXPECT_NO_THROW(s = ReadPaletteSettings());
    EXPECT_EQ(s.PaletteType, 2);
    EXPECT_EQ(s.MaxColors, 256);
    vcl::TRegistry registry;
    if (OpenSettingsKey(registry)) {
        EXPECT_NO_THROW(WriteSettingInt(registry, SettingPaletteType, 0));
        EXPECT_NO_THROW(registry.CloseKey());
    }
}

} // namespace

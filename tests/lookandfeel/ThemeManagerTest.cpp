#include "LookAndFeelTestSupport.h"

#include "lookandfeel/xbThemeManager.h"
#include "lookandfeel/xbUxTheme.h"

#include <stdexcept>

using namespace lookandfeel;

namespace {

class ThemeManagerTest : public lftest::LookAndFeelFixture {};

TEST_F(ThemeManagerTest, LoadsTheLibraryOnlyFromVersionFiveOne) {
    struct Case {
        win::DWORD Major, Minor;
        bool Loaded;
    };
    for (Case c : {Case{5, 0, false}, Case{5, 1, true}, Case{6, 0, true}, Case{4, 10, false}}) {
        SCOPED_TRACE(std::to_string(c.Major) + "." + std::to_string(c.Minor));
        win::OsVersion version;
        version.Major = c.Major;
        version.Minor = c.Minor;
        win::SetOsVersion(version);
        StartWith(MakeEngine());
        EXPECT_EQ(GetThemeCapableOS(), c.Loaded);
        EXPECT_EQ(IsUxThemeLoaded(), c.Loaded);
        // Version 5.0 does not even try the library.
        EXPECT_EQ(win::ModuleLoadCount("uxtheme.dll"), c.Loaded ? 1 : 0);
        EXPECT_EQ(AreThemesAvailable(0), c.Loaded);
        EXPECT_EQ(ThemeChangedReceiverWindow() != nullptr, c.Loaded);
        FinalizeLookAndFeel();
        EXPECT_EQ(win::ModuleLoadCount("uxtheme.dll"), 0);
        EXPECT_FALSE(IsUxThemeLoaded());
    }
}

TEST_F(ThemeManagerTest, BindsTheTableByNameAndLeavesMissingExportsNull) {
    StartWith(MakeEngine());
    ASSERT_TRUE(IsUxThemeLoaded());
    win::HMODULE lib = win::LoadLibrary("uxtheme.dll");
    for (int i = 0; i < UxThemeEntryPointCount; ++i)
        EXPECT_EQ(UxThemeEntryPoint(i), win::GetProcAddress(lib, UxThemeEntryPointNames[i]))
            << UxThemeEntryPointNames[i];
    win::FreeLibrary(lib);
    EXPECT_STREQ(UxThemeEntryPointNames[43], "OpenThemeData");
    EXPECT_STREQ(UxThemeEntryPointNames[45], "SetWindowTheme");
    // An export the wrappers never call may be missing: the library is used all the same.
    FinalizeLookAndFeel();
    win::SetExportAbsent("uxtheme.dll", "IsAppThemed", true);
    InitializeLookAndFeel();
    EXPECT_TRUE(IsUxThemeLoaded());
    EXPECT_EQ(UxThemeEntryPoint(38), nullptr);
}

TEST_F(ThemeManagerTest, AMissingModuleOrCalledExportMeansNoThemes) {
    std::vector<std::string> switches = {""};
    for (const char* name : {"CloseThemeData", "DrawThemeBackground", "DrawThemeEdge", "DrawThemeText",
                             "GetCurrentThemeName", "GetThemeBackgroundContentRect", "GetThemeBackgroundRegion",
                             "GetThemeColor", "GetThemePartSize", "IsThemeActive",
                             "IsThemeBackgroundPartiallyTransparent", "OpenThemeData"})
        switches.push_back(name);
    win::SetThemeEngine(MakeEngine());
    for (const std::string& name : switches) {
        SCOPED_TRACE(name.empty() ? "module" : name);
        win::ResetModuleSwitches();
        if (name.empty())
            win::SetModuleAbsent("uxtheme.dll", true);
        else
            win::SetExportAbsent("uxtheme.dll", name, true);
        InitializeLookAndFeel();
        EXPECT_FALSE(IsUxThemeLoaded());
        EXPECT_EQ(win::ModuleLoadCount("uxtheme.dll"), 0);
        EXPECT_FALSE(AreThemesAvailable(0));
        EXPECT_FALSE(GetThemesActive());
        EXPECT_EQ(OpenElementTheme(teButton), nullptr);
        EXPECT_FALSE(IsElementThemeAvailable(teButton));
        EXPECT_EQ(CloseElementTheme(teButton), 1);
        // The wrappers fail instead of calling nothing.
        EXPECT_EQ(OpenThemeData(nullptr, u"Button"), nullptr);
        EXPECT_EQ(IsThemeActive(), 0);
        FinalizeLookAndFeel();
    }
}

TEST_F(ThemeManagerTest, VisualStylesOffMeansNoThemesThoughTheLibraryIsThere) {
    auto engine = MakeEngine();
    engine->SetActive(false);
    StartWith(engine);
    EXPECT_TRUE(IsUxThemeLoaded());
    EXPECT_FALSE(GetThemesActive());
    EXPECT_FALSE(AreThemesAvailable(0));
    EXPECT_EQ(OpenElementTheme(teButton), nullptr);
}

TEST_F(ThemeManagerTest, TheNineElementMaskStopsAtTheFirstClassTheThemeLacks) {
    StartWith(MakeEngine());
    EXPECT_TRUE(AreThemesAvailable(XPBarStyleElements));
    for (TxbThemeElement e : {teComboBox, teEdit, teProgress, teRebar, teScrollBar, teSpin, teStatus, teToolBar,
                              teWindow})
        EXPECT_NE(ElementThemeHandle(e), nullptr) << e;
    EXPECT_EQ(ElementThemeHandle(teButton), nullptr);
    // Bits above 23 are ignored.
    EXPECT_TRUE(AreThemesAvailable(0xFF000000u));

    win::SetThemeEngine(MakeEngine({"Progress"}));
    EXPECT_FALSE(AreThemesAvailable(XPBarStyleElements));
    EXPECT_NE(ElementThemeHandle(teComboBox), nullptr);
    EXPECT_NE(ElementThemeHandle(teEdit), nullptr);
    EXPECT_EQ(ElementThemeHandle(teProgress), nullptr);
    EXPECT_EQ(ElementThemeClassName(teProgress), u"");
    // The test stopped there: the elements after it were not tried.
    EXPECT_EQ(ElementThemeHandle(teRebar), nullptr);
    EXPECT_FALSE(IsElementThemeAvailable(teProgress));
    EXPECT_TRUE(IsElementThemeAvailable(teRebar));
}

TEST_F(ThemeManagerTest, SlotsOpenOnceAndRememberTheCallersClass) {
    StartWith(MakeEngine());
    win::HTHEME button = OpenElementTheme(teButton, u"Button");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(OpenElementTheme(teButton, u"button"), button);
    EXPECT_EQ(OpenElementTheme(teButton), button);
    EXPECT_EQ(ElementThemeClassName(teButton), u"Button");

    // Another class closes the slot and opens that one; a theme change keeps the name.
    win::HTHEME toolbar = OpenElementTheme(teButton, u"ToolBar");
    ASSERT_NE(toolbar, nullptr);
    EXPECT_NE(toolbar, button);
    CloseAllElementThemes();
    EXPECT_EQ(ElementThemeHandle(teButton), nullptr);
    EXPECT_EQ(ElementThemeClassName(teButton), u"ToolBar");
    win::HTHEME again = OpenElementTheme(teButton);
    ASSERT_NE(again, nullptr);
    win::IThemeEngine* engine = win::GetThemeEngine();
    EXPECT_EQ(ElementThemeClassName(teButton), u"ToolBar");
    EXPECT_EQ(engine->FindClass("ToolBar"), engine->FindClass("toolbar"));

    // Closing forgets the name; a closed slot answers 0.
    EXPECT_EQ(CloseElementTheme(teButton), win::S_OK);
    EXPECT_EQ(ElementThemeClassName(teButton), u"");
    EXPECT_EQ(CloseElementTheme(teButton), 0);
}

TEST_F(ThemeManagerTest, ElementsOutsideTheTableAreRefused) {
    StartWith(MakeEngine());
    for (TxbThemeElement e : {24, -1, 1000}) {
        EXPECT_EQ(OpenElementTheme(e), nullptr) << e;
        EXPECT_EQ(OpenElementTheme(e, u"Button"), nullptr) << e;
        EXPECT_FALSE(IsElementThemeAvailable(e)) << e;
        EXPECT_EQ(CloseElementTheme(e), 1) << e;
        EXPECT_EQ(ElementThemeHandle(e), nullptr) << e;
    }
}

TEST_F(ThemeManagerTest, AThemeChangeClosesTheSlotsRereadsTheFlagAndTellsEachListenerOnce) {
    StartWith(MakeEngine());
    ASSERT_NE(OpenElementTheme(teButton), nullptr);
    ASSERT_NE(OpenElementTheme(teWindow), nullptr);

    std::vector<std::string> calls;
    auto first = std::make_unique<TxbThemeChangedNotificator>();
    auto second = std::make_unique<TxbThemeChangedNotificator>();
    auto third = std::make_unique<TxbThemeChangedNotificator>();
    TxbThemeChangedNotificator unassigned; // no event: skipped
    bool slotsClosed = false;
    first->OnThemeChanged = [&] {
        calls.push_back("first");
        slotsClosed = ElementThemeHandle(teButton) == nullptr && ElementThemeHandle(teWindow) == nullptr;
    };
    second->OnThemeChanged = [&] { calls.push_back("second"); };
    third->OnThemeChanged = [&] { calls.push_back("third"); };

    auto off = MakeEngine();
    off->SetActive(false);
    win::SetThemeEngine(off);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_TRUE(slotsClosed);
    EXPECT_FALSE(GetThemesActive());
    EXPECT_FALSE(AreThemesAvailable(0));

    // The first listener frees the third: the third is not called (nor its freed memory touched).
    calls.clear();
    first->OnThemeChanged = [&] {
        calls.push_back("first");
        third.reset();
    };
    win::SetThemeScheme(win::tsOlive);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(GetThemesActive());
    EXPECT_TRUE(AreThemesAvailable(0));

    // A listener made during the walk hears the next change only.
    calls.clear();
    std::unique_ptr<TxbThemeChangedNotificator> late;
    second->OnThemeChanged = [&] {
        calls.push_back("second");
        if (!late) {
            late = std::make_unique<TxbThemeChangedNotificator>();
            late->OnThemeChanged = [&] { calls.push_back("late"); };
        }
    };
    first->OnThemeChanged = [&] { calls.push_back("first"); };
    win::SetThemeScheme(win::tsSilver);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second"}));
    calls.clear();
    win::SetThemeScheme(win::tsBlue);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second", "late"}));
}

TEST_F(ThemeManagerTest, AnExceptionInAListenerGoesToTheApplication) {
    StartWith(MakeEngine());
    std::vector<std::string> seen;
    vcl::Application->OnException = [&](vcl::TObject*, const std::exception& e) { seen.push_back(e.what()); };
    TxbThemeChangedNotificator throwing;
    throwing.OnThemeChanged = [] { throw std::runtime_error("listener failed"); };
    bool after = false;
    TxbThemeChangedNotificator later;
    later.OnThemeChanged = [&] { after = true; };
    EXPECT_NO_THROW(win::SetThemeScheme(win::tsOlive));
    EXPECT_EQ(seen, std::vector<std::string>{"listener failed"});
    EXPECT_FALSE(after);
    // The slots were closed and the flag read before the listeners ran.
    EXPECT_TRUE(GetThemesActive());
}

} // namespace

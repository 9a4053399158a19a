#include "controls/FcThemeServices.h"

#include "ControlsTestSupport.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/win/kernel/Modules.h"
#include "platform/win/kernel/Version.h"
#include "platform/win/theme/RecordingThemeEngine.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <memory>

using namespace controls;

namespace {

// Stand-ins for three entry points of the library, counting their calls and passing them on.
int GCloses = 0;
int GThemeActiveAsked = 0;
int GParentDrawn = 0;
int GOpens = 0;

win::HRESULT CountingCloseThemeData(win::HTHEME theme) {
    ++GCloses;
    return win::CloseThemeData(theme);
}
win::BOOL CountingIsThemeActive() {
    ++GThemeActiveAsked;
    return win::IsThemeActive();
}
win::HRESULT CountingDrawThemeParentBackground(win::HWND hwnd, win::HDC dc, const win::RECT* rect) {
    ++GParentDrawn;
    return win::DrawThemeParentBackground(hwnd, dc, rect);
}
win::HTHEME CountingOpenThemeData(win::HWND hwnd, const char16_t* classList) {
    ++GOpens;
    return win::OpenThemeData(hwnd, classList);
}

void CountingExports(bool on) {
    if (on) {
        win::RegisterModuleExports("uxtheme.dll",
                                   {{"CloseThemeData", win::ExportOf(&CountingCloseThemeData)},
                                    {"IsThemeActive", win::ExportOf(&CountingIsThemeActive)},
                                    {"OpenThemeData", win::ExportOf(&CountingOpenThemeData)},
                                    {"DrawThemeParentBackground",
                                     win::ExportOf(&CountingDrawThemeParentBackground)}});
    } else {
        win::RegisterModuleExports(
            "uxtheme.dll", {{"CloseThemeData", win::ExportOf(&win::CloseThemeData)},
                            {"IsThemeActive", win::ExportOf(&win::IsThemeActive)},
                            {"OpenThemeData", win::ExportOf(&win::OpenThemeData)},
                            {"DrawThemeParentBackground", win::ExportOf(&win::DrawThemeParentBackground)}});
    }
    GCloses = GThemeActiveAsked = GParentDrawn = GOpens = 0;
}

// A procedure put behind the application window before the services object, as another library would.
win::WNDPROC GPreviousAppProc = nullptr;
int GThemeChangedSeen = 0;
win::LRESULT CountingAppProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if (msg == win::WM_THEMECHANGED)
        ++GThemeChangedSeen;
    return win::CallWindowProc(GPreviousAppProc, hwnd, msg, wParam, lParam);
}

class ThemeServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreeThemeServices();
        ReleaseThemeLibraryCompletely();
        FEngine = std::make_shared<win::RecordingThemeEngine>();
        for (const char* cls : {"button", "combobox", "spin", "window", "toolbar", "header", "scrollbar"})
            FEngine->AddClass(cls);
        win::SetThemeEngine(FEngine);
        CountingExports(true);
    }
    void TearDown() override {
        FreeThemeServices();
        ReleaseThemeLibraryCompletely();
        CountingExports(false);
        win::SetThemeEngine(nullptr);
        win::ResetModuleSwitches();
        win::ResetModuleVersions();
    }

    headless::HeadlessScreen FScreen;
    std::shared_ptr<win::RecordingThemeEngine> FEngine;
};

TEST_F(ThemeServicesTest, TheLibraryStaysLoadedWhileItHasUsers) {
    EXPECT_TRUE(BindThemeLibrary());
    EXPECT_TRUE(BindThemeLibrary());
    EXPECT_EQ(win::ModuleLoadCount("uxtheme.dll"), 1);
    ReleaseThemeLibrary();
    EXPECT_TRUE(ThemeLibraryLoaded());
    EXPECT_NE(ThemeExportSlot(uxDrawThemeBackground), nullptr);
    EXPECT_TRUE(ThemeLibraryActive());

    ReleaseThemeLibrary();
    EXPECT_FALSE(ThemeLibraryLoaded());
    EXPECT_EQ(win::ModuleLoadCount("uxtheme.dll"), 0);
    for (int i = 0; i < uxExportCount; ++i)
        EXPECT_EQ(ThemeExportSlot(TThemeExport(i)), nullptr) << ThemeExportName(TThemeExport(i));
    EXPECT_FALSE(ThemeLibraryActive());

    ReleaseThemeLibrary(); // at 0: nothing changes
    EXPECT_EQ(ThemeLibraryReferenceCount(), 0);
    EXPECT_TRUE(BindThemeLibrary());
    EXPECT_EQ(ThemeLibraryReferenceCount(), 1);
}

TEST_F(ThemeServicesTest, ExportsTheLibraryLacksStayEmptyAndTheRestBinds) {
    ASSERT_TRUE(BindThemeLibrary());
    EXPECT_EQ(std::string(ThemeExportName(uxGetThemeTextExtent)), "GetThemeTextExtent");
    EXPECT_EQ(ThemeExportSlot(uxGetThemeTextExtent), nullptr); // the layer does not offer it
    EXPECT_NE(ThemeExportSlot(uxGetThemeColor), nullptr);
    ReleaseThemeLibrary();

    win::SetExportAbsent("uxtheme.dll", "GetThemeColor", true); // not one the controls call
    TThemeServices services(nullptr);
    EXPECT_TRUE(services.ThemesEnabled());
    EXPECT_EQ(ThemeExportSlot(uxGetThemeColor), nullptr);
}

TEST_F(ThemeServicesTest, ALibraryWithoutAnEntryTheControlsCallCountsAsAbsent) {
    int required = 0;
    for (int i = 0; i < uxExportCount; ++i) {
        TThemeExport e = TThemeExport(i);
        if (!IsRequiredThemeExport(e))
            continue;
        ++required;
        SCOPED_TRACE(ThemeExportName(e));
        win::SetExportAbsent("uxtheme.dll", ThemeExportName(e), true);
        FEngine->ClearCalls();
        GThemeActiveAsked = 0;
        {
            TThemeServices services(nullptr);
            EXPECT_FALSE(services.ThemesAvailable());
            EXPECT_FALSE(services.ThemesEnabled());
            EXPECT_EQ(services.ThemeHandle(teButton), nullptr);
            EXPECT_EQ(services.PaintElement(nullptr, services.DetailsForButton(tbPushButtonNormal), {0, 0, 9, 9}),
                      win::E_FAIL);
            services.PaintParentBackground(nullptr, nullptr, nullptr, false);
            EXPECT_FALSE(ThemeLibraryLoaded());
            EXPECT_EQ(win::ModuleLoadCount("uxtheme.dll"), 0); // freed at once
            EXPECT_EQ(ThemeLibraryReferenceCount(), 1);        // the use still counts
        }
        EXPECT_EQ(ThemeLibraryReferenceCount(), 0);
        EXPECT_TRUE(FEngine->Calls().empty());
        EXPECT_EQ(GThemeActiveAsked, 0);
        EXPECT_EQ(GParentDrawn, 0);
        win::ResetModuleSwitches();
    }
    EXPECT_EQ(required, 9);
}

TEST_F(ThemeServicesTest, ThemesAreEnabledOnlyWithEverythingInPlace) {
    struct Case {
        const char* Name;
        bool AppThemed, Active;
        win::DWORD Properties;
        win::DWORD ComCtlMS; // 0: no version resource
        bool LibraryAbsent;
        bool Enabled;
        int ThemeActiveAsked;
    };
    const Case cases[] = {
        {"everything", true, true, 3, 0x00060000, false, true, 1},
        {"controls allowed only", true, true, 2, 0x00060000, false, true, 1},
        {"no themed controls", true, true, 1, 0x00060000, false, false, 1},
        {"common controls 5.81", true, true, 3, 0x00050051, false, false, 1},
        {"no version resource", true, true, 3, 0, false, false, 1},
        {"common controls 6.1", true, true, 3, 0x00060001, false, true, 1},
        {"theme inactive", true, false, 3, 0x00060000, false, false, 0}, // not themed without a theme
        {"application not themed", false, true, 3, 0x00060000, false, false, 0},
        {"no library", true, true, 3, 0x00060000, true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FEngine->SetAppThemed(c.AppThemed);
        FEngine->SetActive(c.Active);
        FEngine->SetAppProperties(c.Properties);
        win::ResetModuleVersions();
        if (c.ComCtlMS)
            win::SetModuleFileVersion("comctl32.dll", c.ComCtlMS, 0);
        else
            win::SetModuleVersionAbsent("comctl32.dll", true);
        win::SetModuleAbsent("uxtheme.dll", c.LibraryAbsent);
        GThemeActiveAsked = 0;
        TThemeServices services(nullptr);
        EXPECT_EQ(services.ThemesEnabled(), c.Enabled);
        EXPECT_EQ(services.ThemesAvailable(), !c.LibraryAbsent);
        EXPECT_EQ(GThemeActiveAsked, c.ThemeActiveAsked);
        EXPECT_EQ(services.ThemeHandle(teButton) != nullptr, c.Enabled || (!c.LibraryAbsent && c.ComCtlMS >= 0x60000 &&
                                                                        c.AppThemed && c.Active));
    }
}

TEST_F(ThemeServicesTest, ASchemeChangeClosesTheHandlesAndTellsOnce) {
    win::HWND app = vcl::Application->GetHandle();
    ASSERT_TRUE(win::IsWindow(app));
    GPreviousAppProc = reinterpret_cast<win::WNDPROC>(
        win::SetWindowLong(app, win::GWL_WNDPROC, reinterpret_cast<win::LONG_PTR>(&CountingAppProc)));
    GThemeChangedSeen = 0;
    {
        TThemeServices services(app);
        EXPECT_TRUE(services.Subclassed());
        int changed = 0;
        services.OnThemeChanged = [&](vcl::TObject* sender) {
            EXPECT_EQ(sender, &services);
            ++changed;
        };
        win::HTHEME button = services.ThemeHandle(teButton);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(services.ThemeHandle(teButton), button); // cached
        ASSERT_NE(services.ThemeHandle(teSpin), nullptr);
        EXPECT_EQ(GOpens, 2);

        auto next = std::make_shared<win::RecordingThemeEngine>();
        next->AddClass("button");
        next->SetAppProperties(1); // the new scheme forbids themed controls
        win::SetThemeEngine(next);
        EXPECT_EQ(GCloses, 2);
        EXPECT_EQ(changed, 1);
        EXPECT_EQ(GThemeChangedSeen, 1);
        EXPECT_FALSE(services.ThemesEnabled());

        next->SetAppProperties(3);
        win::SendMessage(app, win::WM_THEMECHANGED, 0, 0);
        EXPECT_EQ(changed, 2);
        EXPECT_EQ(GThemeChangedSeen, 2);
        EXPECT_TRUE(services.ThemesEnabled());
        win::HTHEME reopened = services.ThemeHandle(teButton);
        ASSERT_NE(reopened, nullptr);
        FEngine->ClearCalls();
        next->ClearCalls();
        fctest::Surface surface(40, 30);
        services.PaintElement(surface.Dc(), services.DetailsForButton(tbPushButtonHot), {1, 2, 30, 20});
        ASSERT_EQ(next->CallsOf("DrawThemeBackground").size(), 1u); // drawn by the new scheme
        EXPECT_TRUE(FEngine->Calls().empty());
    }
    // The services object leaves the chain as it found it.
    EXPECT_EQ(win::GetWindowLong(app, win::GWL_WNDPROC), reinterpret_cast<win::LONG_PTR>(&CountingAppProc));
    win::SetWindowLong(app, win::GWL_WNDPROC, reinterpret_cast<win::LONG_PTR>(GPreviousAppProc));
}

win::LRESULT PlainWindowProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    return win::DefWindowProc(hwnd, msg, wParam, lParam);
}

TEST_F(ThemeServicesTest, AWindowThatGoesTakesTheSubclassWithIt) {
    win::WNDCLASSEX wc;
    wc.lpfnWndProc = &PlainWindowProc;
    wc.lpszClassName = "FcThemeServicesTestWindow";
    win::RegisterClassEx(wc);
    win::HWND hwnd = win::CreateWindowEx(0, "FcThemeServicesTestWindow", "", win::WS_POPUP, 0, 0, 10, 10, nullptr,
                                         nullptr, nullptr, nullptr);
    ASSERT_TRUE(win::IsWindow(hwnd));
    auto services = std::make_unique<TThemeServices>(hwnd);
    ASSERT_NE(services->ThemeHandle(teButton), nullptr);
    EXPECT_TRUE(services->Subclassed());
    win::DestroyWindow(hwnd);
    EXPECT_FALSE(services->Subclassed());
    services.reset(); // nothing left to put back; the handles of a gone window stay as they are
    EXPECT_EQ(GCloses, 0);
}

TEST_F(ThemeServicesTest, DetailCodesMapToPartsAndStates) {
    TThemeServices s(nullptr);
    struct Case {
        TThemedElementDetails Got;
        TThemedElement Element;
        int Part, State;
    };
    const Case cases[] = {
        {s.DetailsForButton(tbPushButtonHot), teButton, 1, 2},
        {s.DetailsForButton(tbButtonDontCare), teButton, 0, 1},
        {s.DetailsForButton(tbButtonRoot), teButton, 0, 2},
        {s.DetailsForButton(tbPushButtonDefaulted), teButton, 1, 5},
        {s.DetailsForButton(tbRadioButtonCheckedDisabled), teButton, 2, 8},
        {s.DetailsForButton(tbCheckBoxMixedDisabled), teButton, 3, 12},
        {s.DetailsForButton(tbGroupBoxDisabled), teButton, 4, 2},
        {s.DetailsForButton(tbUserButton), teButton, 5, 1},
        {s.DetailsForButton(30), teButton, 0, 31},
        {s.DetailsForComboBox(tcDropDownButtonNormal), teComboBox, 1, 1},
        {s.DetailsForComboBox(tcDropDownButtonDisabled), teComboBox, 1, 4},
        {s.DetailsForHeader(thHeaderItemPressed), teHeader, 1, 3},
        {s.DetailsForHeader(thHeaderItemRightNormal), teHeader, 3, 1},
        {s.DetailsForHeader(thHeaderSortArrowSortedDown), teHeader, 4, 2},
        {s.DetailsForScrollBar(17), teScrollBar, 1, 16},
        {s.DetailsForScrollBar(18), teScrollBar, 2, 1},
        {s.DetailsForScrollBar(49), teScrollBar, 9, 4},
        {s.DetailsForScrollBar(51), teScrollBar, 10, 2},
        {s.DetailsForSpin(tsDownHorzNormal), teSpin, 4, 1},
        {s.DetailsForSpin(tsUpDisabled), teSpin, 1, 4},
        {s.DetailsForToolBar(ttbDropDownButtonNormal), teToolBar, 2, 1},
        {s.DetailsForToolBar(ttbDropDownButtonHot), teToolBar, 2, 2},
        {s.DetailsForToolBar(ttbDropDownButtonPressed), teToolBar, 2, 3},
        {s.DetailsForToolBar(ttbDropDownButtonDisabled), teToolBar, 2, 4},
        {s.DetailsForWindow(4), teWindow, 1, 3},
        {s.DetailsForWindow(19), teWindow, 6, 3},
        {s.DetailsForWindow(21), teWindow, 7, 2},
        {s.DetailsForWindow(31), teWindow, 12, 2},
        {s.DetailsForWindow(56), teWindow, 19, 1},
        {s.DetailsForWindow(95), teWindow, 28, 4},
        {s.DetailsForWindow(96), teWindow, 29, 1},
        {s.DetailsForWindow(104), teWindow, 37, 1},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cases[i].Got, (TThemedElementDetails{cases[i].Element, cases[i].Part, cases[i].State}));
    }
    EXPECT_EQ(std::string(ThemedElementClassName(teWindow)), "window");
    EXPECT_EQ(std::string(ThemedElementClassName(teTrayNotify)), "traynotify");
}

TEST_F(ThemeServicesTest, PartsTextAndTheParentBackgroundGoThroughTheLibrary) {
    TThemeServices s(nullptr);
    ASSERT_TRUE(s.ThemesEnabled());
    fctest::Surface surface(40, 30);
    win::TRect clip{0, 0, 5, 5};
    EXPECT_EQ(s.PaintElement(surface.Dc(), s.DetailsForSpin(tsUpPressed), {1, 2, 11, 12}, &clip), win::S_OK);
    EXPECT_EQ(s.PaintElementText(surface.Dc(), s.DetailsForButton(tbPushButtonNormal), u"OK", {0, 0, 40, 20}, 0x25, 0),
              win::S_OK);
    auto backgrounds = FEngine->CallsOf("DrawThemeBackground");
    ASSERT_EQ(backgrounds.size(), 1u);
    EXPECT_EQ(backgrounds[0].Class, "spin");
    EXPECT_EQ(backgrounds[0].Part, 1);
    EXPECT_EQ(backgrounds[0].State, 3);
    EXPECT_EQ(backgrounds[0].Rect, (win::TRect{1, 2, 11, 12}));
    EXPECT_EQ(backgrounds[0].Clip, clip);
    auto texts = FEngine->CallsOf("DrawThemeText");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].Text, "OK");
    EXPECT_EQ(texts[0].Flags, 0x25u);

    // An opaque part needs no parent behind it; a partly transparent one does.
    TThemedElementDetails push = s.DetailsForButton(tbPushButtonNormal);
    FEngine->SetPartiallyTransparent("button", 1, 1, false);
    s.PaintParentBackground(nullptr, nullptr, &push, true);
    EXPECT_EQ(GParentDrawn, 0);
    s.PaintParentBackground(nullptr, nullptr, &push, false);
    s.PaintParentBackground(nullptr, nullptr, nullptr, true);
    EXPECT_EQ(GParentDrawn, 2);
    FEngine->SetPartiallyTransparent("button", 1, 1, true);
    s.PaintParentBackground(nullptr, nullptr, &push, true);
    EXPECT_EQ(GParentDrawn, 3);
}

TEST_F(ThemeServicesTest, AFailedOpenIsAskedAgain) {
    TThemeServices s(nullptr);
    EXPECT_EQ(s.ThemeHandle(teClock), nullptr); // the engine has no such class
    EXPECT_EQ(s.ThemeHandle(teClock), nullptr);
    EXPECT_EQ(GOpens, 2);
    FEngine->AddClass("clock");
    EXPECT_NE(s.ThemeHandle(teClock), nullptr);
    EXPECT_EQ(GOpens, 3);
}

TEST_F(ThemeServicesTest, TheProcessObjectListensToTheApplicationWindow) {
    TThemeServices* s = GetThemeServices();
    EXPECT_EQ(GetThemeServices(), s);
    EXPECT_EQ(s->WindowHandle(), vcl::Application->GetHandle());
    EXPECT_TRUE(s->Subclassed());
    EXPECT_TRUE(s->ThemesEnabled());
    win::SetThemeEngine(nullptr);
    EXPECT_FALSE(s->ThemesEnabled());
    FreeThemeServices();
    EXPECT_EQ(ThemeLibraryReferenceCount(), 0);
}

} // namespace

// The fixture of the bar library's tests: the look-and-feel side and the bar library started on a headless
// screen with a manual clock, a form to put managers on, and test item kinds.
#pragma once

#include "bars/xbBar.h"
#include "lookandfeel/lkStartup.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Clock.h"
#include "platform/win/kernel/Modules.h"
#include "platform/win/kernel/Version.h"
#include "platform/win/theme/RecordingThemeEngine.h"
#include "platform/win/theme/ThemeEngine.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace barstest {

inline void DrainMessages() {
    win::MSG m;
    while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE))
        win::DispatchMessage(&m);
}

// A form designer that records what it hears.
class TFakeDesigner : public vcl::IFormDesigner {
public:
    void Modified() override { ++ModifiedCount; }
    void SelectComponent(vcl::TPersistent* instance) override { Selected = instance; }
    vcl::TPersistent* GetSelectedComponent() override { return Selected; }
    void DeleteComponent(vcl::TComponent*) override {}
    std::string UniqueName(const std::string& baseName) override { return baseName; }
    void EditItem(vcl::TComponent*) override {}
    int ModifiedCount = 0;
    vcl::TPersistent* Selected = nullptr;
};

// An item control that counts what its item tells it.
class TCountingControl : public bars::TxbBarItemControl {
public:
    using bars::TxbBarItemControl::TxbBarItemControl;
    void CaptionChanged() override { ++Captions; }
    void EnabledChanged() override { ++Enableds; }
    int Captions = 0;
    int Enableds = 0;
};

// Test item kinds: a registered one and one derived from it that is not registered itself.
class TTestItem : public bars::TxbBarItem {
public:
    using bars::TxbBarItem::TxbBarItem;
};
class TDerivedTestItem : public TTestItem {
public:
    using TTestItem::TTestItem;
};

// A bar window of fixed sizes standing in for the toolbar window: lengths and thicknesses without the frame,
// per orientation of the dock (horizontal docks: lengths are widths).
class TTestBarWindow : public bars::TxbBarControl {
public:
    explicit TTestBarWindow(bars::TxbBar* bar) : bars::TxbBarControl(bar) {}
    int32_t GetMinWidth(bars::TxbBarDockingStyle s) override { return Vertical(s) ? Thickness : MinLength; }
    int32_t GetMinHeight(bars::TxbBarDockingStyle s) override { return Vertical(s) ? MinLength : Thickness; }
    int32_t GetMaxWidth(bars::TxbBarDockingStyle s) override { return Vertical(s) ? Thickness : MaxLength; }
    int32_t GetMaxHeight(bars::TxbBarDockingStyle s) override { return Vertical(s) ? MaxLength : Thickness; }
    win::TSize CalcSizeByWidth(bars::TxbBarDockingStyle, int32_t width) override {
        Asked.push_back(width);
        return {width, ThicknessFor(width)};
    }
    win::TSize CalcSizeByHeight(bars::TxbBarDockingStyle, int32_t height) override {
        Asked.push_back(height);
        return {ThicknessFor(height), height};
    }
    bool HasMark() override { return Mark; }
    // A window that wraps grows one row per missing maximum length.
    int32_t ThicknessFor(int32_t length) const {
        if (!Wraps || length >= MaxLength || length <= 0)
            return Thickness;
        return Thickness * ((MaxLength + length - 1) / length);
    }
    static bool Vertical(bars::TxbBarDockingStyle s) { return s == bars::dsLeft || s == bars::dsRight; }
    int32_t MinLength = 30, MaxLength = 100, Thickness = 22;
    bool Mark = true;
    bool Wraps = false;
    std::vector<int32_t> Asked;
};

// Installs a factory of test windows for its scope; made windows are set up by the given function.
class ScopedTestWindows {
public:
    explicit ScopedTestWindows(std::function<void(TTestBarWindow*)> setup = nullptr) {
        bars::SetBarControlFactory([setup](bars::TxbBar* bar) -> bars::TxbBarControl* {
            auto* window = new TTestBarWindow(bar);
            if (setup)
                setup(window);
            return window;
        });
    }
    ~ScopedTestWindows() { bars::SetBarControlFactory(nullptr); }
    ScopedTestWindows(const ScopedTestWindows&) = delete;
    ScopedTestWindows& operator=(const ScopedTestWindows&) = delete;
};

class BarsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        win::SetThemeEngine(nullptr);
        lookandfeel::InitializeLookAndFeel();
        bars::InitBarCommonModule();
        Form = new vcl::TForm(nullptr);
    }
    void TearDown() override {
        delete Form;
        Form = nullptr;
        while (bars::BarCommonModuleInitialized())
            bars::DoneBarCommonModule();
        while (lookandfeel::LookAndFeelInitialized())
            lookandfeel::FinalizeLookAndFeel();
        win::SetThemeEngine(nullptr);
        win::ResetModuleSwitches();
        win::ResetOsVersion();
        win::ResetSysColors();
        vcl::Application->OnException = nullptr;
        DrainMessages();
    }
    // A recording theme engine that knows every theme class, on or off.
    static std::shared_ptr<win::RecordingThemeEngine> MakeEngine(bool active) {
        auto engine = std::make_shared<win::RecordingThemeEngine>();
        for (const char* name : {"Button", "Clock", "ComboBox", "Edit", "ExplorerBar", "Header", "ListView", "Menu",
                                 "Page", "Progress", "Rebar", "ScrollBar", "Spin", "StartPanel", "Status", "Tab",
                                 "TaskBand", "TaskBar", "ToolBar", "ToolTip", "TrackBar", "TrayNotify", "TreeView",
                                 "Window"})
            engine->AddClass(name);
        engine->SetActive(active);
        return engine;
    }
    // Starts the libraries again over a theme engine.
    void RestartWith(std::shared_ptr<win::IThemeEngine> engine) {
        delete Form;
        while (bars::BarCommonModuleInitialized())
            bars::DoneBarCommonModule();
        while (lookandfeel::LookAndFeelInitialized())
            lookandfeel::FinalizeLookAndFeel();
        win::SetThemeEngine(std::move(engine));
        lookandfeel::InitializeLookAndFeel();
        bars::InitBarCommonModule();
        Form = new vcl::TForm(nullptr);
    }
    // A manager on the fixture's form.
    bars::TxbBarManager* MakeManager() { return new bars::TxbBarManager(Form); }

    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen;
    vcl::TForm* Form = nullptr;
};

} // namespace barstest

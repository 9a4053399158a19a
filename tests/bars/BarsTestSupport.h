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

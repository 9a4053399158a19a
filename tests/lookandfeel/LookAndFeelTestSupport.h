// The fixture of the look-and-feel tests: a headless screen, a manual clock, a recording theme engine with
// the classes a test names, and the modules started and stopped around each test.
#pragma once

#include "lookandfeel/lkStartup.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
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

namespace lftest {

// A colour from its red, green and blue.
constexpr vcl::TColor Rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

inline const std::vector<std::string>& AllThemeClasses() {
    static const std::vector<std::string> names = {
        "Button", "Clock", "ComboBox", "Edit", "ExplorerBar", "Header", "ListView", "Menu",
        "Page", "Progress", "Rebar", "ScrollBar", "Spin", "StartPanel", "Status", "Tab",
        "TaskBand", "TaskBar", "ToolBar", "ToolTip", "TrackBar", "TrayNotify", "TreeView", "Window"};
    return names;
}

// Drains the calling thread's queue.
inline void DrainMessages() {
    win::MSG m;
    while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE))
        win::DispatchMessage(&m);
}

class LookAndFeelFixture : public ::testing::Test {
protected:
    // A recording engine that knows every class but those left out, installed before the modules start.
    std::shared_ptr<win::RecordingThemeEngine> MakeEngine(const std::vector<std::string>& without = {}) {
        auto engine = std::make_shared<win::RecordingThemeEngine>();
        for (const std::string& name : AllThemeClasses())
            if (std::find(without.begin(), without.end(), name) == without.end())
                engine->AddClass(name);
        return engine;
    }
    void StartWith(std::shared_ptr<win::IThemeEngine> engine) {
        win::SetThemeEngine(std::move(engine));
        lookandfeel::InitializeLookAndFeel();
    }
    void Restart() {
        while (lookandfeel::LookAndFeelInitialized())
            lookandfeel::FinalizeLookAndFeel();
        lookandfeel::InitializeLookAndFeel();
    }
    void TearDown() override {
        while (lookandfeel::LookAndFeelInitialized())
            lookandfeel::FinalizeLookAndFeel();
        win::SetThemeEngine(nullptr);
        win::ResetModuleSwitches();
        win::ResetOsVersion();
        win::ResetSysColors();
        vcl::Application->OnException = nullptr;
        DrainMessages();
    }

    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen;
};

} // namespace lftest

// The editor routine tests' fixture: a headless screen, a configuration folder of the test's own (so the
// settings store and the placement file start fresh), message boxes read and answered by script, and
// small GIF documents built in memory.
#pragma once

#include "app/GifRoutines.h"
#include "app/Settings.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Registry.h"
#include "platform/win/kernel/Clock.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

// Writes a value of the settings store.
inline void Store(const std::string& name, const std::string& value) {
    vcl::TRegistry registry;
    ASSERT_TRUE(app::OpenSettingsKey(registry));
    registry.WriteString(name, value);
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        win::ResetInputState();
        FScreen.SetStallGraceMs(0);
        vcl::Application->ResetForTesting();
        std::string pattern = (std::filesystem::temp_directory_path() / "loomwick-app-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        FDir = pattern;
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            FOldConfig = old;
        ::setenv("XDG_CONFIG_HOME", (FDir / "config").c_str(), 1);
        app::SetPaletteSettingsPrompt(nullptr);
        app::SetTransparentColorSource(nullptr);
    }
    void TearDown() override {
        while (vcl::Screen->GetFormCount() > 0)
            vcl::Screen->GetForm(0)->Free();
        win::MSG m;
        while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE)) {
        }
        vcl::Application->ResetForTesting();
        win::ResetInputState();
        app::SetPaletteSettingsPrompt(nullptr);
        app::SetTransparentColorSource(nullptr);
        // The shared registry store moves to an empty folder: what it still held for this test's folder
        // is written (or dropped) now, not at the program's end into a folder that is gone.
        ::setenv("XDG_CONFIG_HOME", (FDir / "closed").c_str(), 1);
        {
            vcl::TRegistry registry;
            registry.OpenKeyReadOnly("\\Software");
        }
        if (FOldConfig.empty())
            ::unsetenv("XDG_CONFIG_HOME");
        else
            ::setenv("XDG_CONFIG_HOME", FOldConfig.c_str(), 1);
        std::error_code ec;
        std::filesystem::permissions(FDir, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(FDir, ec);
    }

    // The next message box is read into the list of boxes seen and answered with OK.
    void AnswerBox() {
        FScreen.Script([this] {
            vcl::TMessageBoxView view;
            ASSERT_TRUE(vcl::FindMessageBox(&view));
            FBoxes.push_back(view);
            FScreen.InjectClick(vcl::MessageBoxButtonCenter("OK"));
        });
    }
    std::string Path(const std::string& name) const { return (FDir / name).string(); }
    void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream out(Path(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    static std::vector<uint8_t> ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen{{0, 0, 1280, 1024}, {0, 0, 1280, 1024}};
    std::filesystem::path FDir;
    std::string FOldConfig;
    std::vector<vcl::TMessageBoxView> FBoxes;
};

// A 24-bit bitmap of w x h; colour(x, y) gives each pixel (red in the low byte).
template <typename F> std::unique_ptr<vcl::TBitmap> MakeBitmap(int w, int h, F colour) {
    auto bitmap = std::make_unique<vcl::TBitmap>();
    bitmap->SetPixelFormat(vcl::pf24bit);
    bitmap->SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
        for (int x = 0; x < w; ++x) {
            uint32_t c = uint32_t(colour(x, y));
            row[x * 3] = uint8_t(c >> 16);
            row[x * 3 + 1] = uint8_t(c >> 8);
            row[x * 3 + 2] = uint8_t(c);
        }
    }
    return bitmap;
}

} // namespace apptest

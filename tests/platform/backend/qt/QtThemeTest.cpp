// The Qt screen runs the visual styles in the scheme LOOMWICK_THEME names.
#include "platform/backend/qt/QtScreen.h"
#include "platform/win/theme/UxTheme.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

using namespace win;

TEST(QtScreenTheme, InstallsTheSchemeLoomwickThemeNames) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    struct Case {
        const char* Env; // nullptr: unset
        const char16_t* Color; // nullptr: no theme
        bool Reported;
    } cases[] = {{nullptr, u"NormalColor", false}, {"olive", u"HomeStead", false}, {"SILVER", u"Metallic", false},
                 {"blue", u"NormalColor", false},  {"classic", nullptr, false},     {"purple", u"NormalColor", true}};
    for (const Case& c : cases) {
        if (c.Env)
            setenv("LOOMWICK_THEME", c.Env, 1);
        else
            unsetenv("LOOMWICK_THEME");
        static char name[] = "test_backend_qt";
        char* argv[] = {name, nullptr};
        testing::internal::CaptureStderr();
        auto screen = std::make_unique<qtbackend::QtScreen>(1, argv);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.find("LOOMWICK_THEME") != std::string::npos, c.Reported) << err;
        EXPECT_EQ(bool(IsThemeActive()), c.Color != nullptr) << (c.Env ? c.Env : "(unset)");
        if (c.Color) {
            char16_t file[64], color[64];
            ASSERT_EQ(GetCurrentThemeName(file, 64, color, 64, nullptr, 0), S_OK);
            EXPECT_EQ(std::u16string(color), c.Color);
        }
        screen.reset();
        EXPECT_FALSE(IsThemeActive());
    }
    unsetenv("LOOMWICK_THEME");
}

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

TEST(Composition, TheScreenSaysWhetherLayeredWindowsBlend) {
    headless::HeadlessScreen screen;
    EXPECT_TRUE(win::LayeredWindowsTranslucent());
    screen.SetComposited(false);
    EXPECT_FALSE(win::LayeredWindowsTranslucent());
}

#include "platform/backend/headless/HeadlessScreen.h"

#include "platform/win/user/User.h"

#include <gtest/gtest.h>

using namespace win;
using headless::HeadlessScreen;

TEST(Sounds, AreRecordedWithAliasAndFlags) {
    HeadlessScreen screen;
    EXPECT_TRUE(PlaySound("MenuCommand", nullptr, 0x12003));
    ASSERT_EQ(screen.Sounds().size(), 1u);
    EXPECT_EQ(screen.Sounds()[0].Sound, "MenuCommand");
    EXPECT_EQ(screen.Sounds()[0].Flags, SND_ALIAS | SND_NOWAIT | SND_NODEFAULT | SND_ASYNC);
    // Stopping sounds plays none; a sound in memory has no name to report; beeps stay apart.
    EXPECT_TRUE(PlaySound(nullptr, nullptr, SND_PURGE));
    static const char wave[] = "RIFF";
    EXPECT_TRUE(PlaySoundA(wave, nullptr, SND_MEMORY | SND_ASYNC));
    ASSERT_EQ(screen.Sounds().size(), 2u);
    EXPECT_EQ(screen.Sounds()[1].Sound, "");
    EXPECT_EQ(screen.Sounds()[1].Flags, SND_MEMORY | SND_ASYNC);
    EXPECT_TRUE(screen.Beeps().empty());
}

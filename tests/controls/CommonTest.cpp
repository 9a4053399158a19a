#include "controls/FcCommon.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/win/kernel/Clock.h"
#include "platform/win/kernel/Version.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace controls;

namespace {

// A stand-in for a label: answers the blink query and records the states it is sent.
class TBlinkProbe : public vcl::TGraphicControl {
public:
    explicit TBlinkProbe(bool blinking) : vcl::TGraphicControl(nullptr), Blinking(blinking) {
        NeedBlinkingControlsList()->Add(this);
    }
    ~TBlinkProbe() override {
        if (BlinkingControlsList())
            BlinkingControlsList()->Remove(this);
        FreeBlinkingListIfEmpty();
    }
    void WndProc(vcl::TMessage& m) override {
        if (m.Msg == BlinkQueryMsg) {
            ++Queries;
            m.Result = Blinking ? 1 : 0;
            if (OnQuery) {
                auto handler = OnQuery; // the handler may free this control
                handler();
            }
            return;
        }
        if (m.Msg == BlinkStateMsg) {
            States.push_back(int(m.WParam));
            return;
        }
        vcl::TGraphicControl::WndProc(m);
    }
    bool Blinking;
    int Queries = 0;
    std::vector<int> States;
    std::function<void()> OnQuery;
};

class CommonTest : public ::testing::Test {
protected:
    void SetUp() override { FScreen.SetStallGraceMs(0); }
    void TearDown() override { win::ResetModuleVersions(); }
    void Wait(uint64_t ms) {
        FClock.Advance(ms);
        vcl::Application->ProcessMessages();
    }
    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen;
};

TEST_F(CommonTest, BlinkingControlsSwitchTogetherOnEachTick) {
    ASSERT_EQ(BlinkingControlsList(), nullptr);
    auto a = std::make_unique<TBlinkProbe>(true);
    auto b = std::make_unique<TBlinkProbe>(true);
    auto still = std::make_unique<TBlinkProbe>(false);
    TFcBlinkingControlsList* list = BlinkingControlsList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Count(), 3);
    EXPECT_EQ(list->GetBlinkState(), 1);
    EXPECT_EQ(list->GetTimer()->GetInterval(), 500u); // the first period, state 1, lasts the off interval

    list->SetBlinkIntervalOn(200); // shared; the running period keeps its length
    Wait(499);
    EXPECT_TRUE(a->States.empty());
    Wait(1);
    EXPECT_EQ(a->States, std::vector<int>{0});
    EXPECT_EQ(b->States, std::vector<int>{0});
    EXPECT_EQ(still->Queries, 1);
    EXPECT_TRUE(still->States.empty());
    EXPECT_EQ(list->GetTimer()->GetInterval(), 500u); // state 0 lasts the off interval
    Wait(500);
    EXPECT_EQ(a->States, (std::vector<int>{0, 1}));
    EXPECT_EQ(list->GetTimer()->GetInterval(), 200u); // state 1 the new on interval
    Wait(200);
    EXPECT_EQ(b->States, (std::vector<int>{0, 1, 0}));

    a.reset();
    b.reset();
    EXPECT_EQ(BlinkingControlsList(), list);
    still.reset(); // the last one frees the list and its timer
    EXPECT_EQ(BlinkingControlsList(), nullptr);
    Wait(1000);

    auto fresh = std::make_unique<TBlinkProbe>(true);
    EXPECT_EQ(BlinkingControlsList()->GetBlinkIntervalOn(), 500);
    EXPECT_EQ(BlinkingControlsList()->GetBlinkIntervalOff(), 500);
    Wait(500);
    EXPECT_EQ(fresh->States, std::vector<int>{0});
}

TEST_F(CommonTest, AControlFreedDuringATickIsNotSentAnything) {
    auto first = std::make_unique<TBlinkProbe>(true);
    auto second = std::make_unique<TBlinkProbe>(true);
    auto third = std::make_unique<TBlinkProbe>(true);
    // The first control's answer frees the second one.
    first->OnQuery = [&] { second.reset(); };
    Wait(500);
    EXPECT_EQ(first->States, std::vector<int>{0});
    EXPECT_EQ(third->States, std::vector<int>{0});
    EXPECT_EQ(BlinkingControlsList()->Count(), 2);

    // An answer that frees every control frees the list and its timer in the middle of the tick.
    first->OnQuery = [&] {
        third.reset();
        first.reset();
    };
    Wait(500);
    EXPECT_EQ(BlinkingControlsList(), nullptr);
    Wait(2000); // no timer left behind
}

TEST_F(CommonTest, FileVersionsFromTheVersionResource) {
    uint64_t version = 1;
    ASSERT_TRUE(GetFileVersion("comctl32.dll", version));
    EXPECT_EQ(version >> 32, 0x00060000u);
    win::SetModuleFileVersion("comctl32.dll", 0x00050052, 0x0B1D0000);
    ASSERT_TRUE(GetFileVersion("comctl32.dll", version));
    EXPECT_EQ(version, 0x000500520B1D0000ull);
    win::SetModuleVersionAbsent("comctl32.dll", true);
    EXPECT_FALSE(GetFileVersion("comctl32.dll", version));
    EXPECT_EQ(version, 0u);
    EXPECT_FALSE(GetFileVersion("no-such-module.dll", version));
}

TEST_F(CommonTest, TheStartUpReadsTheSystem) {
    FinalizeControls();
    InitializeControls();
    EXPECT_TRUE(ControlsInitialized());
    EXPECT_EQ(ControlsOsVersion().dwOSVersionInfoSize, 148u);
    EXPECT_EQ(ControlsOsVersion().dwMajorVersion, 5u);
    EXPECT_EQ(ControlsOsVersion().dwMinorVersion, 1u);
    EXPECT_EQ(ComCtlFileVersion() >> 32, 0x00060000u);
    InitializeControls(); // once
    FinalizeControls();
    EXPECT_FALSE(ControlsInitialized());

    win::SetModuleVersionAbsent("comctl32.dll", true);
    InitializeControls();
    EXPECT_EQ(ComCtlFileVersion(), 0u);
    FinalizeControls();
}

TEST_F(CommonTest, TheSettingsFileComponent) {
    TFcRegIniFile file(nullptr);
    EXPECT_EQ(file.GetPath(), "");
    EXPECT_EQ(file.GetPathType(), ptIniFile);
    EXPECT_EQ(file.GetRegKey(), hkeyCurrentUser);
    EXPECT_EQ(file.GetRegAccess().ToBits(), 512u);
    EXPECT_TRUE(file.NeedsRefresh());
    file.SetPath("Software\\Quorvane Software\\Loomwick");
    file.SetPathType(ptRegistry);
    file.SetRegKey(hkeyLocalMachine);
    file.SetRegAccess({keyRead, keyWrite});
    EXPECT_EQ(file.GetRegAccess().ToBits(), (1u << keyRead) | (1u << keyWrite));
    EXPECT_EQ(file.GetPathType(), ptRegistry);
}

} // namespace

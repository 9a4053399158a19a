// The application's hint (OnHint, HintColor, HintShortCuts, the screen's hint font) and help requests, and
// the controls' help context in layouts.
#include "VclControlsSupport.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/user/Metrics.h"

#include <cstring>

using namespace vcl;

namespace {

class ApplicationHelpTest : public vcltest::VclControlsTest {
protected:
    void SetUp() override {
        VclControlsTest::SetUp();
        FClock.SetAutoAdvance(false);
    }
    void TearDown() override {
        Application->OnHint = nullptr;
        Application->OnHelp = nullptr;
        Application->SetHintColor(clInfoBk);
        VclControlsTest::TearDown();
    }
    void Wait(uint64_t ms) {
        FClock.Advance(ms);
        Pump();
    }
};

TEST_F(ApplicationHelpTest, OnHintRunsOncePerChangeAlsoForTheHintWindow) {
    std::vector<std::string> seen;
    Application->OnHint = [&](TObject* sender) {
        EXPECT_EQ(sender, Application);
        seen.push_back(Application->GetHint());
    };
    for (const char* hint : {"a", "a", "b", "", ""})
        Application->SetHint(hint);
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", ""}));

    seen.clear();
    TForm* form = MakeForm();
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(10, 10, 75, 25);
    button->SetHint("Open an animation");
    button->SetShowHint(true);
    Pump();
    FScreen.InjectMouse(win::MouseAction::Move, button->ClientToScreen({5, 5}));
    Pump();
    Wait(Application->GetHintPause());
    EXPECT_EQ(Application->GetHint(), "Open an animation");
    Wait(Application->GetHintHidePause());
    EXPECT_EQ(Application->GetHint(), "");
    EXPECT_EQ(seen, (std::vector<std::string>{"Open an animation", ""}));
}

TEST_F(ApplicationHelpTest, HintColourShortCutsAndTheStatusFont) {
    EXPECT_EQ(Application->GetHintColor(), clInfoBk);
    EXPECT_TRUE(Application->GetHintShortCuts());
    Application->SetHintShortCuts(false);
    EXPECT_FALSE(Application->GetHintShortCuts());
    Application->SetHintShortCuts(true);

    // The hint font is the status font of the non-client metrics, in the hint text colour.
    win::NONCLIENTMETRICS metrics;
    ASSERT_TRUE(win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
    TFont* font = Screen->GetHintFont();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->GetName(), std::string(metrics.lfStatusFont.lfFaceName));
    EXPECT_EQ(font->GetHeight(), metrics.lfStatusFont.lfHeight);
    EXPECT_EQ(font->GetColor(), clInfoText);
    EXPECT_EQ(Screen->GetHintFont(), font);
    // A change of the metrics, announced to the top-level windows, is read again.
    font->SetHeight(-30);
    Application->GetHandle();
    win::BroadcastSystemMessage(win::WM_SETTINGCHANGE, win::SPI_SETNONCLIENTMETRICS, 0);
    EXPECT_EQ(font->GetHeight(), metrics.lfStatusFont.lfHeight);

    // The hint window shows hints in that font on the hint colour, and follows a later colour.
    Application->SetHintColor(clYellow);
    TForm* form = MakeForm();
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(10, 10, 75, 25);
    button->SetHint("Save");
    button->SetShowHint(true);
    Pump();
    FScreen.InjectMouse(win::MouseAction::Move, button->ClientToScreen({5, 5}));
    Pump();
    Wait(Application->GetHintPause());
    THintWindow* window = Application->GetHintWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetColor(), clYellow);
    EXPECT_EQ(window->GetFont()->GetName(), font->GetName());
    EXPECT_EQ(window->GetFont()->GetColor(), clInfoText);
    Application->SetHintColor(clAqua);
    EXPECT_EQ(window->GetColor(), clAqua);
}

TEST_F(ApplicationHelpTest, HelpIsRecordedUnlessOnHelpHandlesIt) {
    EXPECT_FALSE(Application->HelpContext(42));
    EXPECT_FALSE(Application->HelpCommand(HELP_SETPOPUP_POS, 0x00140010));
    EXPECT_EQ(Application->GetHelpRequests(),
              (std::vector<THelpRequest>{{HELP_CONTEXT, 42}, {HELP_SETPOPUP_POS, 0x00140010}}));

    // A handler that only looks leaves the request to the (missing) viewer; one that handles it ends it.
    std::vector<THelpRequest> asked;
    bool handle = false;
    Application->OnHelp = [&](uint16_t command, intptr_t data, bool& callHelp) {
        asked.push_back({command, data});
        if (handle)
            callHelp = false;
        return handle;
    };
    EXPECT_FALSE(Application->HelpCommand(HELP_CONTEXTPOPUP, 7));
    handle = true;
    EXPECT_TRUE(Application->HelpContext(8));
    EXPECT_EQ(asked, (std::vector<THelpRequest>{{HELP_CONTEXTPOPUP, 7}, {HELP_CONTEXT, 8}}));
    EXPECT_EQ(Application->GetHelpRequests().size(), 3u);
    EXPECT_EQ(Application->GetHelpRequests().back(), (THelpRequest{HELP_CONTEXTPOPUP, 7}));
    Application->ResetForTesting();
    EXPECT_TRUE(Application->GetHelpRequests().empty());
}

TEST_F(ApplicationHelpTest, HelpContextTravelsThroughALayout) {
    RegisterVclClasses();
    auto* form = new TForm(nullptr);
    form->SetName("HelpForm");
    form->SetHelpContext(7);
    auto* withHelp = new TButton(form);
    withHelp->SetName("WithHelp");
    withHelp->SetParent(form);
    withHelp->SetHelpContext(42);
    auto* without = new TButton(form);
    without->SetName("Without");
    without->SetParent(form);
    EXPECT_EQ(without->GetHelpContext(), 0);

    TMemoryStream stream;
    TWriter writer(&stream);
    writer.WriteRootComponent(form);
    const std::string binary(static_cast<const char*>(stream.Memory()), size_t(stream.GetSize()));
    const std::string text = ObjectBinaryToText(binary);
    form->Free();
    EXPECT_NE(text.find("HelpContext = 7"), std::string::npos) << text;
    EXPECT_NE(text.find("HelpContext = 42"), std::string::npos) << text;
    // The default is not written.
    size_t count = 0;
    for (size_t at = text.find("HelpContext"); at != std::string::npos; at = text.find("HelpContext", at + 1))
        ++count;
    EXPECT_EQ(count, 2u) << text;

    auto* read = new TForm(nullptr);
    TReadOnlyMemoryStream input(binary.data(), int64_t(binary.size()));
    TReader reader(&input);
    reader.ReadRootComponent(read);
    EXPECT_EQ(read->GetHelpContext(), 7);
    auto* readWith = dynamic_cast<TButton*>(read->FindComponent("WithHelp"));
    auto* readWithout = dynamic_cast<TButton*>(read->FindComponent("Without"));
    ASSERT_NE(readWith, nullptr);
    ASSERT_NE(readWithout, nullptr);
    EXPECT_EQ(readWith->GetHelpContext(), 42);
    EXPECT_EQ(readWithout->GetHelpContext(), 0);
    read->Free();
}

} // namespace

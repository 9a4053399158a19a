// The preview page and the preview window: playing a copy of the document on the painter thread with the
// frame captions, the end of a finite animation, the pixels the page shows, a delay edit restarting the play,
// Pause leaving no painter behind, and the preview window's toggle.
#include "EditorTestUtil.h"

#include "app/PreviewForm.h"
#include "bars/xbBar.h"
#include "controls/FcPageControl.h"
#include "controls/FcSpinEdit.h"
#include "gif/GifPainter.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Picture.h"
#include "platform/win/kernel/Sync.h"

#include <functional>

using namespace app;
using apptest::EditorTest;

namespace {

class PreviewTest : public EditorTest {
protected:
    gif::TGifDocument* PlayingCopy() const {
        return dynamic_cast<gif::TGifDocument*>(Form->ImageGIF->GetPicture()->GetGraphic());
    }
    // Starts playing (tag 302); every frame event of the copy also runs watch with the painter's frame.
    void Play(std::function<void(int32_t frame)> watch) {
        Form->DispatchCommand(302);
        gif::TGifDocument* copy = PlayingCopy();
        ASSERT_NE(copy, nullptr);
        vcl::TNotifyEvent before = copy->OnBeforeFrame;
        copy->OnBeforeFrame = [before, watch](vcl::TObject* sender) {
            before(sender);
            if (auto* painter = dynamic_cast<gif::TGifPainter*>(sender))
                watch(painter->GetCurrentFrame());
        };
    }
    // Serves the painter's calls, moving the clock 10 ms whenever it waits on it, until done().
    void ServeUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 400000 && !done(); ++i) {
            Pump();
            if (!vcl::CheckSynchronize(0)) {
                if (win::GetBlockedWaitCount() > 0)
                    FClock.Advance(10);
                else
                    win::Sleep(0);
            }
        }
        ASSERT_TRUE(done());
    }
    // The colour the page shows at the middle of the playing picture.
    win::COLORREF PageCentre() const {
        const win::TPoint at =
            Form->ImageGIF->ClientToScreen({Form->ImageGIF->GetWidth() / 2, Form->ImageGIF->GetHeight() / 2});
        return FScreen.ScreenPixel(at.X, at.Y);
    }
    std::string Caption() const { return Form->tsPreview->GetCaption(); }
};

TEST_F(PreviewTest, ThreeFramesPlayedTwiceThenTheStillFrame) {
    ASSERT_TRUE(Form->OpenGifFile(WriteGif("twice.gif", apptest::ThreeFrames(2, 2))));
    EXPECT_TRUE(Form->miPlay->GetEnabled());
    std::vector<std::string> captions;
    std::vector<win::COLORREF> shown; // before frame k: the page shows frame k - 1
    Play([&](int32_t frame) {
        captions.push_back(Caption());
        if (frame > 0)
            shown.push_back(PageCentre());
    });
    EXPECT_TRUE(Form->Playing);
    EXPECT_FALSE(Form->miPlay->GetEnabled());
    EXPECT_TRUE(Form->miPause->GetEnabled());
    EXPECT_TRUE(Form->ImageGIF->GetVisible());
    EXPECT_FALSE(Form->imgPreview->GetVisible());
    ServeUntil([&] { return !Form->Playing; });
    EXPECT_EQ(captions, (std::vector<std::string>{"Playing Frame 1 of 3", "Playing Frame 2 of 3",
                                                  "Playing Frame 3 of 3", "Playing Frame 1 of 3",
                                                  "Playing Frame 2 of 3", "Playing Frame 3 of 3"}));
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[0], win::COLORREF(0x0000FF)) << "frame 1: red";
    EXPECT_EQ(shown[1], win::COLORREF(0x00FF00)) << "frame 2: green";
    EXPECT_EQ(Caption(), "Preview - Frame 1");
    EXPECT_TRUE(Form->miPlay->GetEnabled());
    EXPECT_FALSE(Form->miPause->GetEnabled());
    EXPECT_TRUE(Form->imgPreview->GetVisible());
    EXPECT_FALSE(Form->Modified);
    ExpectRowsAreFrames();
}

TEST_F(PreviewTest, ADelayChangeWhilePlayingStoresItAndPlaysAgain) {
    ASSERT_TRUE(Form->OpenGifFile(WriteGif("forever.gif", apptest::ThreeFrames(4, 0))));
    std::vector<int32_t> frames;
    Play([&](int32_t frame) { frames.push_back(frame); });
    ServeUntil([&] { return frames.size() >= 2; });
    Form->spinDelay->SetValue(0.07);
    EXPECT_EQ(Form->Document->Frame(0)->GetControlExtension()->GetDelayTime(), 7);
    EXPECT_EQ(Form->Document->Frame(1)->GetControlExtension()->GetDelayTime(), 4);
    EXPECT_TRUE(Form->Modified);
    EXPECT_TRUE(Form->Playing);
    // The new copy plays from its first frame with the new delay.
    gif::TGifDocument* copy = PlayingCopy();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Frame(0)->GetControlExtension()->GetDelayTime(), 7);
    std::vector<int32_t> again;
    vcl::TNotifyEvent before = copy->OnBeforeFrame;
    copy->OnBeforeFrame = [&, before](vcl::TObject* sender) {
        before(sender);
        if (auto* painter = dynamic_cast<gif::TGifPainter*>(sender))
            again.push_back(painter->GetCurrentFrame());
    };
    ServeUntil([&] { return again.size() >= 2; });
    EXPECT_EQ(again[0], 0);
    EXPECT_EQ(again[1], 1);
    Form->DispatchCommand(303);
    ExpectRowsAreFrames();
}

TEST_F(PreviewTest, PauseReturnsWithNoPainterLeft) {
    ASSERT_TRUE(Form->OpenGifFile(WriteGif("pause.gif", apptest::ThreeFrames(10, 0))));
    int events = 0;
    Play([&](int32_t) { ++events; });
    ServeUntil([&] { return events >= 2 && win::GetBlockedWaitCount() > 0; });
    Form->StopPreview(true);
    EXPECT_FALSE(Form->Playing);
    EXPECT_EQ(PlayingCopy(), nullptr);
    EXPECT_EQ(win::GetBlockedWaitCount(), 0u) << "no painter waits on the clock";
    EXPECT_EQ(Caption(), "Preview - Frame 1");
    const int seen = events;
    for (int i = 0; i < 20; ++i)
        Wait(100);
    EXPECT_EQ(events, seen);
    EXPECT_EQ(Caption(), "Preview - Frame 1");
    ExpectRowsAreFrames();
}

TEST_F(PreviewTest, ThePreviewWindowToggles) {
    ASSERT_TRUE(Form->OpenGifFile(WriteGif("window.gif", apptest::ThreeFrames(10, 0))));
    const auto shownDocument = [this]() -> gif::TGifDocument* {
        return dynamic_cast<gif::TGifDocument*>(Form->PreviewWindow()->imgPreview->GetPicture()->GetGraphic());
    };
    Form->DispatchCommand(301);
    ASSERT_NE(Form->PreviewWindow(), nullptr);
    EXPECT_TRUE(Form->PreviewWindow()->GetVisible());
    EXPECT_EQ(Form->PreviewWindow()->GetCaption(), "Preview");
    ASSERT_NE(shownDocument(), nullptr);
    EXPECT_NE(shownDocument(), Form->Document);
    EXPECT_EQ(shownDocument()->FrameCount(), 3);
    // Any command gives the window a fresh copy of the document.
    Form->spinDelay->SetValue(0.5);
    Form->DispatchCommand(999);
    ASSERT_NE(shownDocument(), nullptr);
    EXPECT_EQ(shownDocument()->Frame(0)->GetControlExtension()->GetDelayTime(), 50);

    Form->DispatchCommand(301);
    ASSERT_NE(Form->PreviewWindow(), nullptr);
    EXPECT_FALSE(Form->PreviewWindow()->GetVisible());
    EXPECT_EQ(shownDocument(), nullptr);

    Form->DispatchCommand(301);
    EXPECT_TRUE(Form->PreviewWindow()->GetVisible());
    ASSERT_NE(shownDocument(), nullptr);
    EXPECT_EQ(shownDocument()->FrameCount(), 3);

    // Closing it frees it; the next toggle makes a new one.
    Form->PreviewWindow()->Close();
    Pump();
    EXPECT_EQ(Form->PreviewWindow(), nullptr);
    Form->DispatchCommand(301);
    ASSERT_NE(Form->PreviewWindow(), nullptr);
    EXPECT_TRUE(Form->PreviewWindow()->GetVisible());
    ExpectRowsAreFrames();
}

} // namespace

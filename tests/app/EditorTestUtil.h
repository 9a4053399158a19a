// The main window's tests: the editor started on the headless screen with a manual clock, its main window
// made from the program's layout and shown, message boxes answered by script, and GIF files built to order
// (screen, colour table, frames with their place, colour, delay, disposal, transparency, and the loop block).
#pragma once

#include "AppTestUtil.h"

#include "app/GifMainForm.h"
#include "controls/FcListView.h"
#include "gif/GifDocument.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Streams.h"
#include "platform/win/theme/ThemeEngine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace resources {
void RegisterResources();
}

namespace apptest {

struct FrameSpec {
    int Left = 0, Top = 0, Width = 4, Height = 4;
    int Color = 1;        // index into the global table that every pixel takes
    int Delay = 10;       // hundredths of a second
    int Disposal = 1;     // 0..3
    int Transparent = -1; // transparent index, or -1 for none
    bool Control = true;  // false: no graphic control extension at all
};

struct GifSpec {
    int Width = 8, Height = 8;
    std::vector<int32_t> Colors = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000}; // red in the low byte
    int Loop = -1; // -1: no loop block
    std::vector<FrameSpec> Frames;
};

inline void BuildGif(gif::TGifDocument& doc, const GifSpec& spec) {
    doc.Reset();
    for (int32_t c : spec.Colors)
        doc.GetHeader()->GetGlobalColorMap()->AppendColor(gif::TGifColor(c));
    doc.SetWidth(spec.Width);
    doc.SetHeight(spec.Height);
    for (const FrameSpec& f : spec.Frames) {
        auto* frame = new gif::TGifFrame(&doc);
        doc.AppendFrame(frame);
        frame->ChangeGeometry(f.Left, f.Top, f.Width, f.Height);
        std::fill(frame->GetPixels(), frame->GetPixels() + frame->GetPixelCount(), uint8_t(f.Color));
        if (f.Control) {
            auto* gce = new gif::TGifGraphicControlExtension(frame);
            frame->GetExtensionList()->AppendItem(gce);
            frame->SetControlExtension(gce);
            gce->SetDelayTime(uint16_t(f.Delay));
            gce->SetDisposalMethod(uint8_t(f.Disposal));
            if (f.Transparent >= 0) {
                gce->SetTransparentIndex(f.Transparent);
                gce->SetTransparentFlag(true);
            }
        }
    }
    if (spec.Loop >= 0) {
        if (spec.Loop == 1) {
            // A count of 1 is no block for the routines: write it by hand.
            auto* loop = new gif::TGifLoopExtension(doc.Frame(0));
            loop->SetLoopCount(1);
            doc.Frame(0)->GetExtensionList()->InsertItem(0, loop);
        } else {
            app::AddLoopExtension(&doc, 0, spec.Loop);
        }
    }
}

inline std::vector<uint8_t> GifBytes(const GifSpec& spec) {
    gif::TGifDocument doc;
    BuildGif(doc, spec);
    vcl::TMemoryStream stream;
    doc.SaveToStream(&stream);
    const auto* p = static_cast<const uint8_t*>(stream.Memory());
    return {p, p + stream.GetSize()};
}

// Three frames of w x h in the colours 1, 2 and 3, each of delay cs hundredths.
inline GifSpec ThreeFrames(int delay = 10, int loop = 0) {
    GifSpec spec;
    spec.Loop = loop;
    for (int i = 0; i < 3; ++i) {
        FrameSpec f;
        f.Width = spec.Width;
        f.Height = spec.Height;
        f.Color = i + 1;
        f.Delay = delay;
        spec.Frames.push_back(f);
    }
    return spec;
}

class EditorTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        resources::RegisterResources();
        win::SetThemeEngine(nullptr);
        app::InitializeEditor();
        vcl::Application->CreateForm(Form);
        Form->Show();
        Pump();
    }
    void TearDown() override {
        if (Form)
            Form->Modified = false;
        AppTest::TearDown();
        Form = nullptr;
        app::FinalizeEditor();
        win::SetThemeEngine(nullptr);
    }

    void Pump() { vcl::Application->ProcessMessages(); }
    void Wait(uint64_t ms) {
        FClock.Advance(ms);
        Pump();
    }
    // The next message box is recorded and answered with the button of that caption.
    void AnswerWith(const std::string& button) {
        FScreen.Script([this, button] {
            vcl::TMessageBoxView view;
            ASSERT_TRUE(vcl::FindMessageBox(&view));
            FBoxes.push_back(view);
            FScreen.InjectClick(vcl::MessageBoxButtonCenter(button));
        });
    }
    std::string WriteGif(const std::string& name, const GifSpec& spec) {
        WriteFile(name, GifBytes(spec));
        return Path(name);
    }
    // A 24-bit BMP file of w x h in one colour.
    std::string WriteBmp(const std::string& name, int w, int h, int32_t colour = 0x3080C0) {
        MakeBitmap(w, h, [colour](int, int) { return colour; })->SaveToFile(Path(name));
        return Path(name);
    }
    int32_t Rows() const { return Form->lvFiles->GetItems()->Count(); }
    vcl::TListItem* Row(int32_t i) const { return Form->lvFiles->GetItems()->GetItem(i); }
    // The rows' captions, top to bottom.
    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (int32_t i = 0; i < Rows(); ++i)
            captions.push_back(Row(i)->GetCaption());
        return captions;
    }
    // Row i stands for frame i: as many rows as frames, each numbered by its place and showing its frame's
    // size.
    void ExpectRowsAreFrames() {
        ASSERT_EQ(Rows(), Form->Document->FrameCount());
        for (int32_t i = 0; i < Rows(); ++i) {
            const std::string caption = Row(i)->GetCaption();
            EXPECT_EQ(caption.rfind("Frame " + std::to_string(i + 1), 0), 0u) << caption;
            const vcl::TRect r = Form->Document->Frame(i)->FrameRect();
            ASSERT_EQ(Row(i)->GetSubItems()->Count(), 1) << i;
            EXPECT_EQ(Row(i)->GetSubItems()->Get(0), std::to_string(r.Width()) + " x " + std::to_string(r.Height()))
                << i;
        }
    }

    app::TfrmGifMain* Form = nullptr;
};

} // namespace apptest

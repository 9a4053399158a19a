// The editor's questions and the colour picker, driven on the headless screen: the palette question with
// what it shows and stores, the frame-size question and its stored default, the Tools commands that show
// them, and the transparent-colour picker's grid, marker, clicks and what "Select Color..." makes of a pick.
#include "EditorTestUtil.h"

#include "app/FrameSizeForm.h"
#include "app/PaletteForm.h"
#include "app/PalettePromptForm.h"
#include "app/Settings.h"
#include "controls/FcButton.h"
#include "controls/FcComboBox.h"
#include "controls/FcRadioCheck.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Registry.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Keys.h"

#include <functional>
#include <map>
#include <optional>
#include <utility>

using namespace app;
using apptest::EditorTest;
using apptest::Store;
using apptest::FrameSpec;
using apptest::GifSpec;

namespace {

template <typename F> F* ShownForm() {
    for (int i = 0; i < vcl::Screen->GetFormCount(); ++i)
        if (auto* form = dynamic_cast<F*>(vcl::Screen->GetForm(i)))
            return form;
    return nullptr;
}

// The stored string, or nothing when the value is missing.
std::optional<std::string> Stored(const std::string& name) {
    vcl::TRegistry registry;
    if (!OpenSettingsKey(registry) || !registry.ValueExists(name))
        return std::nullopt;
    return registry.ReadString(name);
}

std::map<std::string, std::optional<std::string>> PaletteValues() {
    std::map<std::string, std::optional<std::string>> values;
    for (const char* name : {SettingPaletteType, SettingMaxColorCount, SettingDitherMethod, SettingMaxImportCount,
                             SettingPaletteDefaults})
        values[name] = Stored(name);
    return values;
}

class Dialogs : public EditorTest {
protected:
    // The next palette question is handed to answer, inside its modal loop.
    void OnPalettePrompt(std::function<void(TfrmPalettePrompt*)> answer) {
        FScreen.Script([answer] {
            auto* form = ShownForm<TfrmPalettePrompt>();
            ASSERT_NE(form, nullptr);
            answer(form);
        });
    }
    void OnFrameSize(std::function<void(TfrmFrameSize*)> answer) {
        FScreen.Script([answer] {
            auto* form = ShownForm<TfrmFrameSize>();
            ASSERT_NE(form, nullptr);
            answer(form);
        });
    }
    void TearDown() override {
        EXPECT_EQ(FScreen.ScriptLeft(), 0u);
        ExpectRowsAreFrames();
        EditorTest::TearDown();
    }
};

TEST_F(Dialogs, ThePaletteQuestionShowsTheStoreOkWritesTheFiveValuesAndCancelNothing) {
    // A fresh store: local tables, 256 and 256 colours, nearest colour, no default.
    OnPalettePrompt([](TfrmPalettePrompt* form) {
        EXPECT_EQ(form->GetCaption(), "Palettes");
        EXPECT_TRUE(form->optAnimationLocal->GetChecked());
        EXPECT_FALSE(form->optAnimationSelf->GetChecked());
        EXPECT_EQ(form->cboMaxColorsAnimation->GetText(), "256");
        EXPECT_EQ(form->cboMaxColorsDither->GetText(), "256");
        EXPECT_TRUE(form->optDitherNearest->GetChecked());
        EXPECT_FALSE(form->optDitherFloyd->GetChecked());
        EXPECT_FALSE(form->chkDefault->GetChecked());
        form->optAnimationSelf->SetChecked(true);
        form->cboMaxColorsAnimation->SetItemIndex(3);
        form->cboMaxColorsDither->SetItemIndex(2);
        form->optDitherFloyd->SetChecked(true);
        form->chkDefault->SetChecked(true);
        form->btnOk->Click();
    });
    Form->DispatchCommand(401);
    using V = std::optional<std::string>;
    const std::map<std::string, V> written = {{SettingPaletteType, V("0")},   {SettingMaxColorCount, V("32")},
                                              {SettingDitherMethod, V("1")},  {SettingMaxImportCount, V("64")},
                                              {SettingPaletteDefaults, V("1")}};
    EXPECT_EQ(PaletteValues(), written);

    // 64 chosen for importing shows again; Cancel keeps the store as it was.
    OnPalettePrompt([](TfrmPalettePrompt* form) {
        EXPECT_EQ(form->cboMaxColorsDither->GetText(), "64");
        EXPECT_EQ(form->cboMaxColorsAnimation->GetText(), "32");
        EXPECT_TRUE(form->optAnimationSelf->GetChecked());
        EXPECT_TRUE(form->optDitherFloyd->GetChecked());
        EXPECT_TRUE(form->chkDefault->GetChecked());
        form->optAnimationNS->SetChecked(true);
        form->chkDefault->SetChecked(false);
        form->btnCancel->Click();
    });
    Form->DispatchCommand(401);
    EXPECT_EQ(PaletteValues(), written);

    // A palette type the dialog does not know keeps the layout's choice; the answers reach the routines.
    Store(SettingPaletteType, "7");
    Store(SettingMaxColorCount, "100");
    OnPalettePrompt([](TfrmPalettePrompt* form) {
        EXPECT_TRUE(form->optAnimationLocal->GetChecked());
        EXPECT_EQ(form->cboMaxColorsAnimation->GetText(), "256");
        form->optAnimationNS->SetChecked(true);
        form->btnOk->Click();
    });
    int32_t type = -1, dither = -1, colors = -1;
    EXPECT_TRUE(PromptPaletteSettings(type, dither, colors));
    EXPECT_EQ(type, 1);
    EXPECT_EQ(dither, 1);
    EXPECT_EQ(colors, 256);
    EXPECT_EQ(Stored(SettingPaletteType), "1");
    OnPalettePrompt([](TfrmPalettePrompt* form) { form->btnCancel->Click(); });
    EXPECT_FALSE(PromptPaletteSettings(type, dither, colors));
    EXPECT_EQ(type, 1);
}

TEST_F(Dialogs, ThePaletteQuestionsArrowsMoveTheCheckAlongItsRadioButtons) {
    OnPalettePrompt([this](TfrmPalettePrompt* form) {
        form->optAnimationLocal->SetFocus();
        vcl::Application->ProcessMessages();
        const std::pair<int, controls::TFcRadioButton*> steps[] = {{win::VK_UP, form->optAnimationNS},
                                                                   {win::VK_UP, form->optAnimationSelf},
                                                                   {win::VK_DOWN, form->optAnimationNS}};
        for (const auto& [key, reached] : steps) {
            FScreen.InjectKeyPress(key);
            vcl::Application->ProcessMessages();
            EXPECT_TRUE(reached->Focused());
            for (auto* r : {form->optAnimationSelf, form->optAnimationNS, form->optAnimationLocal})
                EXPECT_EQ(r->GetChecked(), r == reached);
        }
        form->btnCancel->Click();
    });
    Form->DispatchCommand(401);
}

TEST_F(Dialogs, TheFrameSizeQuestionStoresOnlyWhatOkAnswers) {
    struct Case {
        const char* Name;
        const char* ClipDefault; // stored before; nullptr: missing
        const char* ClipFrame;
        bool Force;
        bool Shown;                // the dialog appears
        bool ShowsTrim;            // with optTrim selected
        bool TickDefault, PickTrim; // what the user does
        bool Ok;                    // then OK (or Cancel)
        int32_t Result;
        bool Trim;
        const char* StoredDefault; // after; nullptr: missing
        const char* StoredFrame;
    };
    const Case cases[] = {
        {"default answers silently", "1", "1", false, false, false, false, false, false, 1, true, "1", "1"},
        {"the Tools command still asks", "1", "1", true, true, true, true, true, true, 1, true, "1", "1"},
        {"OK stores the answer", nullptr, nullptr, false, true, false, true, true, true, 1, true, "1", "1"},
        {"OK without the tick", "0", "1", false, true, true, false, false, true, 1, false, "0", "0"},
        {"Cancel with the tick stores nothing", nullptr, nullptr, false, true, false, true, false, false, 2, false,
         nullptr, nullptr},
        {"a cancelled Tools command keeps a trim default", "1", "1", true, true, true, false, false, false, 2, false,
         "1", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        {
            vcl::TRegistry registry;
            ASSERT_TRUE(OpenSettingsKey(registry));
            registry.DeleteValue(SettingClipDefault);
            registry.DeleteValue(SettingClipFrame);
        }
        if (c.ClipDefault)
            Store(SettingClipDefault, c.ClipDefault);
        if (c.ClipFrame)
            Store(SettingClipFrame, c.ClipFrame);
        bool shown = false;
        if (c.Shown)
            OnFrameSize([&](TfrmFrameSize* form) {
                shown = true;
                EXPECT_EQ(form->GetCaption(), "Frame Size Difference");
                EXPECT_EQ(form->optTrim->GetChecked(), c.ShowsTrim);
                EXPECT_EQ(form->optChange->GetChecked(), !c.ShowsTrim);
                EXPECT_EQ(form->chkDefault->GetChecked(), c.ClipDefault && std::string(c.ClipDefault) == "1");
                form->chkDefault->SetChecked(c.TickDefault);
                (c.PickTrim ? form->optTrim : form->optChange)->SetChecked(true);
                (c.Ok ? form->btnOk : form->btnCancel)->Click();
            });
        bool trim = !c.Trim;
        EXPECT_EQ(AskFrameSizeAction(trim, c.Force), c.Result);
        EXPECT_EQ(shown, c.Shown);
        EXPECT_EQ(trim, c.Trim);
        EXPECT_EQ(Stored(SettingClipDefault), c.StoredDefault ? std::optional<std::string>(c.StoredDefault)
                                                              : std::nullopt);
        EXPECT_EQ(Stored(SettingClipFrame), c.StoredFrame ? std::optional<std::string>(c.StoredFrame) : std::nullopt);
    }
    // Tools > Frame Size Defaults... asks even with a default stored.
    bool shown = false;
    OnFrameSize([&](TfrmFrameSize* form) {
        shown = true;
        form->btnCancel->Click();
    });
    Form->DispatchCommand(402);
    EXPECT_TRUE(shown);
}

// ---- The picker ------------------------------------------------------------------------------------------

class Picker : public Dialogs {
protected:
    // Screen point of a grid point.
    win::TPoint Grid(TfrmPalette* form, int x, int y) const { return form->pbPalette->ClientToScreen({x, y}); }
    win::COLORREF ImagePixel(TfrmPalette* form, int x, int y) const {
        const win::TPoint at = form->pbImage->ClientToScreen({x, y});
        return FScreen.ScreenPixel(at.X, at.Y);
    }
    win::COLORREF GridPixel(TfrmPalette* form, int x, int y) const {
        const win::TPoint at = Grid(form, x, y);
        return FScreen.ScreenPixel(at.X, at.Y);
    }
    // Runs the picker on frame index of the form's document; steps run inside its modal loop, one after the
    // other once the input injected by the one before is handled; the last one closes it.
    int Run(int32_t index, std::optional<int32_t> selected, std::vector<std::function<void(TfrmPalette*)>> steps) {
        for (auto& step : steps)
            FScreen.Script([step] {
                vcl::Application->ProcessMessages();
                auto* form = ShownForm<TfrmPalette>();
                ASSERT_NE(form, nullptr);
                step(form);
            });
        auto* form = new TfrmPalette(vcl::Application);
        form->Document = Form->Document;
        form->FrameIndex = index;
        if (selected)
            form->SelectedIndex = *selected;
        const int result = form->ShowModal();
        FLastIndex = form->SelectedIndex;
        FLastColor = form->SelectedColor;
        form->Free();
        return result;
    }
    // Opens a document of one 12 x 6 frame whose local table has the colours; pixel (x, y) takes index
    // pixel(x, y).
    template <typename P> void OpenLocalFrame(const std::vector<int32_t>& colours, P pixel) {
        GifSpec spec;
        spec.Width = 12;
        spec.Height = 6;
        spec.Loop = 0;
        spec.Frames.push_back(FrameSpec{0, 0, 12, 6, 0, 10, 1, -1});
        apptest::BuildGif(*Form->Document, spec);
        gif::TGifFrame* frame = Form->Document->Frame(0);
        for (int32_t c : colours)
            frame->GetLocalColorMap()->AppendColor(c);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 12; ++x)
                frame->GetPixels()[y * 12 + x] = uint8_t(pixel(x, y));
        Form->HasDocument = true;
        Form->FillFrameRows();
    }

    int32_t FLastIndex = 0;
    vcl::TColor FLastColor = 0;
};

// Colours as COLORREF (red in the low byte).
constexpr int32_t Red = 0x0000FF, Green = 0x00FF00, Blue = 0xFF0000, Yellow = 0x00FFFF;

TEST_F(Picker, FourLocalColoursInSunkenCellsTheGridColourElsewhereAndTheMarkerOnIndex17) {
    OpenLocalFrame({Red, Green, Blue, Yellow}, [](int x, int) { return x % 4; });
    const win::COLORREF face = win::GetSysColor(win::COLOR_BTNFACE);
    Run(0, 17,
        {[&](TfrmPalette* form) {
            EXPECT_EQ(form->GetCaption(), "Transparent Color");
            EXPECT_EQ(form->lblCaption->GetCaption(), "Select a color from the color swatches or click on the image.");
            ASSERT_EQ(form->ColorTable->GetEntryCount(), 4);
            // Cell k: 15 x 15 at (15 k + 1, 1), a two-pixel sunken edge, the entry's colour inside.
            const int32_t colours[] = {Red, Green, Blue, Yellow};
            for (int k = 0; k < 4; ++k) {
                SCOPED_TRACE(k);
                const int left = 15 * k + 1, top = 1;
                EXPECT_EQ(GridPixel(form, left + 7, top + 7), win::COLORREF(colours[k]));
                EXPECT_EQ(GridPixel(form, left + 2, top + 12), win::COLORREF(colours[k]));
                // The grid's own edge covers the first row's top and the first column's left.
                if (k > 0) {
                    EXPECT_EQ(GridPixel(form, left, top + 7), win::GetSysColor(win::COLOR_BTNSHADOW));
                    EXPECT_EQ(GridPixel(form, left + 1, top + 7), win::GetSysColor(win::COLOR_3DDKSHADOW));
                }
                EXPECT_EQ(GridPixel(form, left + 7, top + 1), win::GetSysColor(win::COLOR_3DDKSHADOW));
                EXPECT_EQ(GridPixel(form, left + 5, top + 14), win::GetSysColor(win::COLOR_BTNHIGHLIGHT));
                EXPECT_EQ(GridPixel(form, left + 5, top + 13), win::GetSysColor(win::COLOR_3DLIGHT));
                EXPECT_EQ(GridPixel(form, left + 14, top + 7), win::GetSysColor(win::COLOR_BTNHIGHLIGHT));
                EXPECT_EQ(GridPixel(form, left + 13, top + 7), win::GetSysColor(win::COLOR_3DLIGHT));
            }
            // Every other cell shows the grid's colour, edges included (row 0 column 5, row 2 column 2: the
            // marker sits on row 1 column 1; row 15 column 15).
            for (auto [row, column] : {std::pair{0, 5}, std::pair{2, 2}, std::pair{15, 15}})
                for (auto [dx, dy] : {std::pair{1, 1}, std::pair{7, 7}, std::pair{14, 14}})
                    EXPECT_EQ(GridPixel(form, 15 * column + 1 + dx, 15 * row + 1 + dy), face)
                        << row << " " << column;
            // The grid's own sunken edge.
            EXPECT_EQ(GridPixel(form, 100, 0), win::GetSysColor(win::COLOR_BTNSHADOW));
            EXPECT_EQ(GridPixel(form, 100, 1), win::GetSysColor(win::COLOR_3DDKSHADOW));
            EXPECT_EQ(GridPixel(form, 244, 100), win::GetSysColor(win::COLOR_BTNHIGHLIGHT));
            // Index 17: the marker's red band at row 1, column 1 (15 x 15 from (16, 16)).
            EXPECT_EQ(GridPixel(form, 16 + 7, 16 + 1), win::COLORREF(Red));
            EXPECT_EQ(GridPixel(form, 16 + 1, 16 + 7), win::COLORREF(Red));
            EXPECT_EQ(GridPixel(form, 16 + 13, 16 + 7), win::COLORREF(Red));
            EXPECT_EQ(GridPixel(form, 16 + 7, 16 + 7), face);
            form->btnCancel->Click();
        }});
    EXPECT_EQ(FLastIndex, 17);
}

TEST_F(Picker, ClicksOutsideTheCellsChangeNothing) {
    // A frame without a local table shows the global one: 256 colours, every cell answers.
    GifSpec spec = apptest::ThreeFrames();
    spec.Colors.clear();
    for (int i = 0; i < 256; ++i)
        spec.Colors.push_back(i * 0x010101);
    apptest::BuildGif(*Form->Document, spec);
    Form->HasDocument = true;
    Form->FillFrameRows();
    struct Click {
        int X, Y;
        int32_t Index; // what is selected after it
    };
    // Cells start 3 pixels inside the grid and end before 243 in both directions.
    const Click clicks[] = {{3, 3, 0},       {243, 3, 0},   {244, 20, 0}, {2, 20, 0},  {17, 3, 0},
                            {18, 3, 1},      {242, 3, 15},  {243, 18, 15}, {20, 2, 15}, {3, 242, 240},
                            {242, 242, 255}, {242, 243, 255}, {243, 243, 255}};
    std::vector<std::function<void(TfrmPalette*)>> steps;
    for (const Click& c : clicks) {
        steps.push_back([&, c](TfrmPalette* form) { FScreen.InjectClick(Grid(form, c.X, c.Y)); });
        steps.push_back([c](TfrmPalette* form) {
            EXPECT_EQ(form->SelectedIndex, c.Index) << c.X << " " << c.Y;
            EXPECT_EQ(form->shpPicker->GetLeft() - form->pbPalette->GetLeft(), c.Index % 16 * 15 + 1) << c.X;
            EXPECT_EQ(form->shpPicker->GetTop() - form->pbPalette->GetTop(), c.Index / 16 * 15 + 1) << c.Y;
        });
    }
    steps.push_back([](TfrmPalette* form) { form->btnOK->Click(); });
    EXPECT_EQ(Run(1, 5, steps), vcl::mrOk);
    EXPECT_EQ(FLastIndex, 255);
    EXPECT_EQ(FLastColor, vcl::TColor(0xFFFFFF));
}

TEST_F(Picker, APictureColourOutsideTheTableIsStoredByColour) {
    // Index 5 lies beyond the two entries: those pixels show a colour the table does not hold.
    OpenLocalFrame({Red, Green}, [](int x, int) { return x < 6 ? 1 : 5; });
    gif::TGifFrame* frame = Form->Document->Frame(0);
    const vcl::TColor outside = frame->FrameBitmap()->GetCanvas()->GetPixel(9, 2);
    ASSERT_EQ(frame->GetLocalColorMap()->FindColorIndex(outside), -1);
    Row(0)->SetSelected(false);
    Form->lvFiles->ClearSelection();
    Row(0)->SetSelected(true);
    ASSERT_EQ(Form->Document->FrameCount(), 1);

    // In the dialog: a click on a table colour picks its index; one outside gives -1 and leaves the marker.
    FScreen.Script([&] {
        auto* form = ShownForm<TfrmPalette>();
        ASSERT_NE(form, nullptr);
        FScreen.InjectClick(form->pbImage->ClientToScreen({2, 2}));
    });
    FScreen.Script([&] {
        vcl::Application->ProcessMessages();
        auto* form = ShownForm<TfrmPalette>();
        EXPECT_EQ(form->SelectedIndex, 1);
        EXPECT_EQ(form->SelectedColor, vcl::TColor(Green));
        EXPECT_EQ(form->shpPicker->GetLeft() - form->pbPalette->GetLeft(), 16);
        // The picture shows the picked colour as the background, the other colours as they are.
        EXPECT_EQ(ImagePixel(form, 2, 3), win::GetSysColor(win::COLOR_BTNFACE));
        EXPECT_EQ(ImagePixel(form, 9, 3), win::COLORREF(outside));
        FScreen.InjectClick(form->pbImage->ClientToScreen({9, 2}));
    });
    FScreen.Script([&] {
        auto* form = ShownForm<TfrmPalette>();
        EXPECT_EQ(form->SelectedIndex, -1);
        EXPECT_EQ(form->SelectedColor, outside);
        EXPECT_EQ(form->shpPicker->GetLeft() - form->pbPalette->GetLeft(), 16);
        vcl::Application->ProcessMessages();
        EXPECT_EQ(ImagePixel(form, 2, 3), win::COLORREF(Green));
        EXPECT_EQ(ImagePixel(form, 9, 3), win::GetSysColor(win::COLOR_BTNFACE));
        form->btnOK->Click();
    });
    // Row 0 picks the animation's colour: the frame takes the colour itself, appended to its table.
    Form->btnSelectTransColorClick(Form->btnSelectTransColor);
    gif::TGifGraphicControlExtension* gce = frame->GetControlExtension();
    EXPECT_TRUE(gce->GetTransparentFlag());
    EXPECT_EQ(gce->GetTransparentIndex(), 2);
    EXPECT_EQ(gce->GetTransparentColorValue(), gif::TGifColor(outside));
    EXPECT_EQ(gce->GetDisposalMethod(), gif::dpRestoreBackground);
    EXPECT_EQ(Form->shpTransColor->GetBrush()->GetColor(), outside);
    EXPECT_EQ(Form->shpTransColor->GetTag(), 2);
    EXPECT_TRUE(Form->Modified);
}

TEST_F(Picker, TheAnimationColourLeavesFramesWithTheirOwnColourAlone) {
    GifSpec spec = apptest::ThreeFrames();
    spec.Frames[1].Control = false;
    ASSERT_TRUE(Form->OpenGifFile(WriteGif("three.gif", spec)));
    // Frame 2's own colour: the cell of index 3 (blue), clicked in the grid.
    auto pickCell = [&](int cell) {
        FScreen.Script([&, cell] {
            auto* form = ShownForm<TfrmPalette>();
            ASSERT_NE(form, nullptr);
            FScreen.InjectClick(Grid(form, 3 + 15 * cell + 7, 10));
        });
        FScreen.Script([] { ShownForm<TfrmPalette>()->btnOK->Click(); });
    };
    Form->lvFiles->ClearSelection();
    Row(2)->SetSelected(true);
    pickCell(3);
    Form->btnSelectTransColorClick(Form->btnSelectTransColor);
    gif::TGifGraphicControlExtension* own = Form->Document->Frame(2)->GetControlExtension();
    EXPECT_EQ(own->GetTransparentIndex(), 3);
    EXPECT_TRUE(own->GetTransparentFlag());
    EXPECT_EQ(TfrmGifMain::RowFlag(Row(2)), 1);
    EXPECT_EQ(Form->shpTransColor->GetTag(), 3);

    // The animation's colour (row 0): green (index 2) for frame 0; frame 1 has no control extension and is
    // left; frame 2 keeps blue.
    Form->lvFiles->ClearSelection();
    Row(0)->SetSelected(true);
    pickCell(2);
    Form->btnSelectTransColorClick(Form->btnSelectTransColor);
    gif::TGifGraphicControlExtension* first = Form->Document->Frame(0)->GetControlExtension();
    EXPECT_EQ(first->GetTransparentIndex(), 2);
    EXPECT_TRUE(first->GetTransparentFlag());
    EXPECT_EQ(first->GetDisposalMethod(), gif::dpRestoreBackground);
    EXPECT_EQ(Form->Document->Frame(1)->GetControlExtension(), nullptr);
    EXPECT_EQ(own->GetTransparentIndex(), 3);
    EXPECT_EQ(Form->Document->GetHeader()->BackgroundColorValue(), gif::TGifColor(0x00FF00));
    EXPECT_EQ(Form->shpTransColor->GetBrush()->GetColor(), vcl::TColor(0x00FF00));

    // Cancel changes nothing.
    Form->Modified = false;
    Form->lvFiles->ClearSelection();
    Row(1)->SetSelected(true);
    FScreen.Script([] { ShownForm<TfrmPalette>()->btnCancel->Click(); });
    Form->btnSelectTransColorClick(Form->btnSelectTransColor);
    EXPECT_EQ(Form->Document->Frame(1)->GetControlExtension(), nullptr);
    EXPECT_FALSE(Form->Modified);
    EXPECT_EQ(TfrmGifMain::RowFlag(Row(1)), 0);
}

} // namespace

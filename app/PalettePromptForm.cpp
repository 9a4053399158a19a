// The palette question.
#include "app/PalettePromptForm.h"

#include "app/Settings.h"
#include "controls/FcButton.h"
#include "controls/FcComboBox.h"
#include "controls/FcPageControl.h"
#include "controls/FcRadioCheck.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Registry.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

#include <array>
#include <exception>

namespace app {

namespace {

// The items of both colour lists, in order.
constexpr std::array<int32_t, 6> ColorCounts = {256, 128, 64, 32, 16, 8};

// Selects the item of the count; another number leaves the list as it is.
void SelectColorCount(controls::TFcComboBox* list, int32_t count) {
    for (size_t i = 0; i < ColorCounts.size(); ++i)
        if (ColorCounts[i] == count) {
            list->SetItemIndex(int32_t(i));
            return;
        }
}

// The number the list shows; the first item's when none is selected.
int32_t ShownColorCount(controls::TFcComboBox* list) {
    const int32_t index = list->GetItemIndex();
    return index >= 0 && index < int32_t(ColorCounts.size()) ? ColorCounts[size_t(index)] : ColorCounts[0];
}

} // namespace

TfrmPalettePrompt::TfrmPalettePrompt(vcl::TComponent* owner) : vcl::TForm(owner) {
    InitInheritedComponent(typeid(TfrmPalettePrompt));
    FormCreate(this);
}

void TfrmPalettePrompt::FormCreate(vcl::TObject*) {
    try {
        vcl::TRegistry registry;
        if (!OpenSettingsKey(registry))
            return;
        switch (ReadSettingInt(registry, SettingPaletteType, DefaultPaletteType)) {
        case 0:
            optAnimationSelf->SetChecked(true);
            break;
        case 1:
            optAnimationNS->SetChecked(true);
            break;
        case 2:
            optAnimationLocal->SetChecked(true);
            break;
        default:
            break;
        }
        SelectColorCount(cboMaxColorsAnimation, ReadSettingInt(registry, SettingMaxColorCount, DefaultMaxColorCount));
        switch (ReadSettingInt(registry, SettingDitherMethod, DefaultDitherMethod)) {
        case 0:
            optDitherNearest->SetChecked(true);
            break;
        case 1:
            optDitherFloyd->SetChecked(true);
            break;
        default:
            break;
        }
        SelectColorCount(cboMaxColorsDither, ReadSettingInt(registry, SettingMaxImportCount, DefaultMaxImportCount));
        chkDefault->SetChecked(ReadSettingFlag(registry, SettingPaletteDefaults, false));
    } catch (const std::exception&) {
        // The store's troubles stay with the store: the dialog shows what it has.
    }
}

void TfrmPalettePrompt::btnOkClick(vcl::TObject*) {
    PaletteType = optAnimationSelf->GetChecked() ? 0 : optAnimationNS->GetChecked() ? 1 : 2;
    MaxColors = ShownColorCount(cboMaxColorsAnimation);
    DitherMethod = optDitherNearest->GetChecked() ? 0 : 1;
    ImportColors = ShownColorCount(cboMaxColorsDither);
    try {
        vcl::TRegistry registry;
        if (OpenSettingsKey(registry)) {
            WriteSettingInt(registry, SettingPaletteType, PaletteType);
            WriteSettingInt(registry, SettingMaxColorCount, MaxColors);
            WriteSettingInt(registry, SettingDitherMethod, DitherMethod);
            WriteSettingInt(registry, SettingMaxImportCount, ImportColors);
            WriteSettingFlag(registry, SettingPaletteDefaults, chkDefault->GetChecked());
        }
    } catch (const std::exception&) {
        // An answer the store refused still counts for this frame.
    }
    SetModalResult(vcl::mrOk);
}

void TfrmPalettePrompt::btnCancelClick(vcl::TObject*) { SetModalResult(vcl::mrCancel); }

bool ShowPalettePrompt(int32_t& paletteType, int32_t& ditherMethod, int32_t& maxColors) {
    auto* form = new TfrmPalettePrompt(vcl::Application);
    bool ok = false;
    try {
        ok = form->ShowModal() == vcl::mrOk;
        if (ok) {
            paletteType = form->PaletteType;
            ditherMethod = form->DitherMethod;
            maxColors = form->MaxColors;
        }
    } catch (...) {
        form->Free();
        throw;
    }
    form->Free();
    return ok;
}

void RegisterPalettePromptFormClass() {
    using F = TfrmPalettePrompt;
    vcl::DefineFormClass<F, vcl::TForm>()
        .Field("pcPalette", &F::pcPalette)
        .Field("tsAnimation", &F::tsAnimation)
        .Field("tsImporting", &F::tsImporting)
        .Field("optAnimationSelf", &F::optAnimationSelf)
        .Field("optAnimationNS", &F::optAnimationNS)
        .Field("optAnimationLocal", &F::optAnimationLocal)
        .Field("lblMaxColorsAnimation", &F::lblMaxColorsAnimation)
        .Field("lblMaxColorsDither", &F::lblMaxColorsDither)
        .Field("lblDitherMethod", &F::lblDitherMethod)
        .Field("cboMaxColorsAnimation", &F::cboMaxColorsAnimation)
        .Field("cboMaxColorsDither", &F::cboMaxColorsDither)
        .Field("optDitherNearest", &F::optDitherNearest)
        .Field("optDitherFloyd", &F::optDitherFloyd)
        .Field("chkDefault", &F::chkDefault)
        .Field("btnOk", &F::btnOk)
        .Field("btnCancel", &F::btnCancel)
        .Method("btnOkClick", &F::btnOkClick)
        .Method("btnCancelClick", &F::btnCancelClick);
    vcl::RegisterClass<F>("TfrmPalettePrompt");
}

} // namespace app

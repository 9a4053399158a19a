// The frame-size question.
#include "app/FrameSizeForm.h"

#include "app/Settings.h"
#include "controls/FcButton.h"
#include "controls/FcRadioCheck.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Registry.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"

#include <exception>

namespace app {

TfrmFrameSize::TfrmFrameSize(vcl::TComponent* owner) : vcl::TForm(owner) {
    InitInheritedComponent(typeid(TfrmFrameSize));
}

void TfrmFrameSize::btnOkClick(vcl::TObject*) { SetModalResult(vcl::mrOk); }

void TfrmFrameSize::btnCancelClick(vcl::TObject*) { SetModalResult(vcl::mrCancel); }

int32_t AskFrameSizeAction(bool& trim, bool force) {
    trim = false;
    bool clipDefault = false, clipFrame = false;
    try {
        vcl::TRegistry registry;
        if (OpenSettingsKey(registry)) {
            clipDefault = ReadSettingFlag(registry, SettingClipDefault, false);
            clipFrame = ReadSettingFlag(registry, SettingClipFrame, false);
        }
    } catch (const std::exception&) {
        clipDefault = clipFrame = false;
    }
    if (clipDefault && !force) {
        trim = clipFrame;
        return vcl::mrOk;
    }
    auto* form = new TfrmFrameSize(vcl::Application);
    int32_t result = vcl::mrCancel;
    bool makeDefault = false;
    try {
        if (clipFrame)
            form->optTrim->SetChecked(true);
        form->chkDefault->SetChecked(clipDefault);
        result = form->ShowModal() == vcl::mrOk ? vcl::mrOk : vcl::mrCancel;
        if (result == vcl::mrOk)
            trim = form->optTrim->GetChecked();
        makeDefault = form->chkDefault->GetChecked();
    } catch (...) {
        form->Free();
        throw;
    }
    form->Free();
    if (result != vcl::mrOk)
        return result;
    try {
        vcl::TRegistry registry;
        if (OpenSettingsKey(registry)) {
            WriteSettingFlag(registry, SettingClipDefault, makeDefault);
            WriteSettingFlag(registry, SettingClipFrame, trim);
        }
    } catch (const std::exception&) {
        // The answer holds for this image even when the store refuses it.
    }
    return result;
}

void RegisterFrameSizeFormClass() {
    using F = TfrmFrameSize;
    vcl::DefineFormClass<F, vcl::TForm>()
        .Field("lblQuestion", &F::lblQuestion)
        .Field("optTrim", &F::optTrim)
        .Field("optChange", &F::optChange)
        .Field("chkDefault", &F::chkDefault)
        .Field("btnOk", &F::btnOk)
        .Field("btnCancel", &F::btnCancel)
        .Method("btnOkClick", &F::btnOkClick)
        .Method("btnCancelClick", &F::btnCancelClick);
    vcl::RegisterClass<F>("TfrmFrameSize");
}

} // namespace app

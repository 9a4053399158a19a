// The push button: the window system's "BUTTON" class for push buttons, and TButton over it with the
// Default, Cancel and ModalResult a dialog needs.
#pragma once

#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"

namespace vcl {

// Button styles, messages and notifications of the "BUTTON" class.
constexpr win::DWORD BS_PUSHBUTTON = 0x0000;
constexpr win::DWORD BS_DEFPUSHBUTTON = 0x0001;
constexpr win::UINT BM_GETSTATE = 0x00F2;
constexpr win::UINT BM_SETSTATE = 0x00F3;
constexpr win::UINT BM_SETSTYLE = 0x00F4;
constexpr win::UINT BM_CLICK = 0x00F5;
constexpr win::WORD BN_CLICKED = 0;
constexpr win::LRESULT BST_PUSHED = 0x0004;
constexpr win::LRESULT BST_FOCUS = 0x0008;

// Registers the "BUTTON" class once; TButton does it itself.
void RegisterButtonClass();

class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);

    bool GetDefault() const { return FDefault; }
    void SetDefault(bool value);
    bool GetCancel() const { return FCancel; }
    void SetCancel(bool value) { FCancel = value; }
    TModalResult GetModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value) { FModalResult = value; }
    // Sets the form's ModalResult (when the button has one), then runs OnClick.
    void Click() override;

    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;

private:
    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
};

} // namespace vcl

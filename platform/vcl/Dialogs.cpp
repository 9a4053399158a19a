#include "platform/vcl/Dialogs.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/User.h"

#include <algorithm>

namespace vcl {

namespace {

constexpr int32_t DialogsMargin = 12;
constexpr int32_t DialogsIconSize = 32;
constexpr int32_t DialogsButtonWidth = 75;
constexpr int32_t DialogsButtonHeight = 25;
constexpr int32_t DialogsButtonGap = 8;
constexpr int32_t DialogsMaxTextWidth = 420;

// The innermost message box on screen.
std::vector<TCustomForm*>& DialogsOpenBoxes() {
    static std::vector<TCustomForm*> boxes;
    return boxes;
}

struct DialogsButtonSpec {
    std::string Caption;
    TModalResult Result;
};

// The box's icon, drawn in the colours and with the sign of its kind.
class TMessageIcon : public TGraphicControl {
public:
    TMessageIcon(TComponent* owner, uint32_t icon) : TGraphicControl(owner), FIcon(icon) {
        SetBounds(0, 0, DialogsIconSize, DialogsIconSize);
    }
    uint32_t Kind() const { return FIcon; }

protected:
    void Paint() override {
        TCanvas* c = GetCanvas();
        TColor fill = FIcon == MB_ICONHAND          ? TColor(0x0000C0)
                      : FIcon == MB_ICONEXCLAMATION ? TColor(0x00D7FF)
                                                    : TColor(0xC06000);
        c->GetBrush()->SetColor(fill);
        c->GetPen()->SetColor(fill);
        if (FIcon == MB_ICONEXCLAMATION) {
            std::vector<TPoint> tri{{DialogsIconSize / 2, 1},
                                    {DialogsIconSize - 1, DialogsIconSize - 2},
                                    {1, DialogsIconSize - 2}};
            c->Polygon(tri);
        } else {
            c->Ellipse(0, 0, DialogsIconSize, DialogsIconSize);
        }
        const char* sign = FIcon == MB_ICONHAND          ? "X"
                           : FIcon == MB_ICONQUESTION    ? "?"
                           : FIcon == MB_ICONEXCLAMATION ? "!"
                                                         : "i";
        c->GetFont()->SetColor(FIcon == MB_ICONEXCLAMATION ? TColor(0) : TColor(0xFFFFFF));
        c->GetFont()->SetStyle(TFontStyles{fsBold});
        c->GetBrush()->SetStyle(bsClear);
        TSize s = c->TextExtent(sign);
        c->TextOut((DialogsIconSize - s.cx) / 2, (DialogsIconSize - s.cy) / 2, sign);
    }

private:
    uint32_t FIcon;
};

// The message itself: a window whose text is the message, drawn word-wrapped.
class TMessageText : public TCustomControl {
public:
    explicit TMessageText(TComponent* owner) : TCustomControl(owner) { FParentColor = true; }

protected:
    void Paint() override {
        TCanvas* c = GetCanvas();
        c->SetFont(GetFont());
        c->GetBrush()->SetStyle(bsClear);
        TRect r = GetClientRect();
        win::DrawText(c->GetHandle(), FText.c_str(), -1, &r,
                      win::DT_WORDBREAK | win::DT_NOPREFIX | win::DT_LEFT);
    }
};

class TMessageForm : public TForm {
public:
    TMessageForm(TComponent* owner, bool canCancel) : TForm(owner), FCanCancel(canCancel) {
        SetBorderStyle(bsDialog);
        SetPosition(poScreenCenter);
        // Without a Cancel-like button, closing the box from its frame does nothing.
        OnCloseQuery = [this](TObject*, bool& canClose) {
            if (GetModalResult() == mrCancel && !FCanCancel)
                canClose = false;
        };
    }
    bool FCanCancel;
};

TSize DialogsMeasureText(TFont* font, const std::string& text) {
    win::HDC dc = win::GetDC(nullptr);
    win::HGDIOBJ old = win::SelectObject(dc, font->GetHandle());
    TRect r{0, 0, DialogsMaxTextWidth, 0};
    win::DrawText(dc, text.c_str(), -1, &r, win::DT_CALCRECT | win::DT_WORDBREAK | win::DT_NOPREFIX);
    win::SelectObject(dc, old);
    win::ReleaseDC(nullptr, dc);
    return {r.Width(), std::max(r.Height(), 1)};
}

int32_t DialogsRun(const std::string& text, const std::string& caption, uint32_t icon,
                   const std::vector<DialogsButtonSpec>& buttons, size_t defaultIndex, int32_t cancelResult,
                   win::HWND owner = nullptr) {
    if (buttons.empty())
        throw EInvalidOperation("A message box needs a button");
    bool canCancel = cancelResult != mrNone;
    TObjectPtr<TMessageForm> form(new TMessageForm(nullptr, canCancel));
    form->SetName("MessageBox");
    if (owner && win::IsWindow(owner))
        form->SetParentWindow(win::GetAncestor(owner, win::GA_ROOT));
    form->SetCaption(caption);
    form->GetFont()->SetName("Tahoma");
    form->GetFont()->SetSize(8);

    TSize textSize = DialogsMeasureText(form->GetFont(), text);
    int32_t left = DialogsMargin;
    int32_t textTop = DialogsMargin;
    if (icon) {
        auto* glyph = new TMessageIcon(form.get(), icon);
        glyph->SetBounds(DialogsMargin, DialogsMargin, DialogsIconSize, DialogsIconSize);
        glyph->SetParent(form.get());
        left += DialogsIconSize + DialogsMargin;
        textTop += std::max(0, (DialogsIconSize - textSize.cy) / 2);
    }
    auto* label = new TMessageText(form.get());
    label->SetName("Message");
    label->SetText(text);
    label->SetBounds(left, textTop, textSize.cx, textSize.cy);
    label->SetParent(form.get());

    int32_t buttonsWidth =
        int32_t(buttons.size()) * DialogsButtonWidth + int32_t(buttons.size() - 1) * DialogsButtonGap;
    int32_t contentBottom = std::max(textTop + textSize.cy, icon ? DialogsMargin + DialogsIconSize : 0);
    int32_t clientWidth = std::max(left + textSize.cx, buttonsWidth) + DialogsMargin;
    clientWidth = std::max(clientWidth, buttonsWidth + 2 * DialogsMargin);
    int32_t buttonTop = contentBottom + DialogsMargin + 4;
    form->SetClientWidth(clientWidth);
    form->SetClientHeight(buttonTop + DialogsButtonHeight + DialogsMargin);

    int32_t x = (clientWidth - buttonsWidth) / 2;
    TButton* first = nullptr;
    for (size_t i = 0; i < buttons.size(); ++i) {
        auto* b = new TButton(form.get());
        b->SetCaption(buttons[i].Caption);
        b->SetModalResult(buttons[i].Result);
        b->SetBounds(x, buttonTop, DialogsButtonWidth, DialogsButtonHeight);
        b->SetDefault(i == defaultIndex);
        b->SetCancel(buttons[i].Result == cancelResult);
        b->SetParent(form.get());
        if (i == defaultIndex)
            first = b;
        x += DialogsButtonWidth + DialogsButtonGap;
    }
    if (first)
        form->SetActiveControl(first);
    if (canCancel) {
        // Escape and the frame's close button give the Cancel-like answer.
        TMessageForm* f = form.get();
        form->OnClose = [f, cancelResult](TObject*, TCloseAction&) {
            if (f->GetModalResult() == mrCancel)
                f->SetModalResult(cancelResult);
        };
    }

    win::MessageBeep(icon);
    DialogsOpenBoxes().push_back(form.get());
    ScopeExit closed([]() noexcept { DialogsOpenBoxes().pop_back(); });
    return form->ShowModal();
}

} // namespace

int32_t MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
    return MessageBox(nullptr, text, caption, flags);
}

int32_t MessageBox(win::HWND owner, const std::string& text, const std::string& caption, uint32_t flags) {
    std::vector<DialogsButtonSpec> buttons;
    int32_t cancel = mrNone;
    switch (flags & 0xF) {
    case MB_OKCANCEL:
        buttons = {{"OK", IDOK}, {"Cancel", IDCANCEL}};
        cancel = IDCANCEL;
        break;
    case MB_ABORTRETRYIGNORE:
        buttons = {{"Abort", IDABORT}, {"Retry", IDRETRY}, {"Ignore", IDIGNORE}};
        break;
    case MB_YESNOCANCEL:
        buttons = {{"Yes", IDYES}, {"No", IDNO}, {"Cancel", IDCANCEL}};
        cancel = IDCANCEL;
        break;
    case MB_YESNO:
        buttons = {{"Yes", IDYES}, {"No", IDNO}};
        break;
    case MB_RETRYCANCEL:
        buttons = {{"Retry", IDRETRY}, {"Cancel", IDCANCEL}};
        cancel = IDCANCEL;
        break;
    default:
        buttons = {{"OK", IDOK}};
        cancel = IDOK; // Escape answers a box with one OK button
        break;
    }
    size_t def = std::min<size_t>((flags >> 8) & 0xF, buttons.size() - 1);
    uint32_t icon = flags & 0xF0;
    if (icon != MB_ICONHAND && icon != MB_ICONQUESTION && icon != MB_ICONEXCLAMATION &&
        icon != MB_ICONASTERISK)
        icon = 0;
    std::string title = caption;
    if (title.empty())
        title = Application && !Application->GetTitle().empty() ? Application->GetTitle()
                                                                : (icon == MB_ICONHAND ? "Error" : "");
    return DialogsRun(text, title, icon, buttons, def, cancel, owner);
}

int32_t MessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons set, int32_t) {
    static const struct {
        TMsgDlgBtn Button;
        const char* Caption;
        TModalResult Result;
    } order[] = {{mbYes, "Yes", mrYes},
                 {mbNo, "No", mrNo},
                 {mbOK, "OK", mrOk},
                 {mbCancel, "Cancel", mrCancel},
                 {mbAbort, "Abort", mrAbort},
                 {mbRetry, "Retry", mrRetry},
                 {mbIgnore, "Ignore", mrIgnore},
                 {mbAll, "All", mrAll},
                 {mbNoToAll, "No to All", mrNoToAll},
                 {mbYesToAll, "Yes to All", mrYesToAll}};
    std::vector<DialogsButtonSpec> buttons;
    for (const auto& o : order)
        if (set.Contains(o.Button))
            buttons.push_back({o.Caption, o.Result});
    if (buttons.empty())
        buttons.push_back({"OK", mrOk});
    // The default is OK or Yes; Escape is Cancel, else No, else OK.
    size_t def = 0;
    int32_t cancel = mrNone;
    for (size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i].Result == mrOk || buttons[i].Result == mrYes) {
            def = i;
            break;
        }
    for (TModalResult r : {mrCancel, mrNo, mrOk})
        if (cancel == mrNone)
            for (const auto& b : buttons)
                if (b.Result == r)
                    cancel = r;
    static const char* captions[] = {"Warning", "Error", "Information", "Confirm", ""};
    static const uint32_t icons[] = {MB_ICONEXCLAMATION, MB_ICONHAND, MB_ICONASTERISK, MB_ICONQUESTION, 0};
    std::string title = captions[type];
    if (title.empty() && Application)
        title = Application->GetTitle();
    return DialogsRun(msg, title, icons[type], buttons, def, cancel);
}

void ShowMessage(const std::string& msg) {
    DialogsRun(msg, Application ? Application->GetTitle() : std::string(), 0, {{"OK", mrOk}}, 0, mrOk);
}

bool FindMessageBox(TMessageBoxView* view) {
    if (DialogsOpenBoxes().empty())
        return false;
    TCustomForm* form = DialogsOpenBoxes().back();
    TMessageBoxView v;
    v.Window = form->GetHandle();
    v.Caption = win::GetWindowTextString(v.Window);
    for (int32_t i = 0; i < form->GetControlCount(); ++i) {
        TControl* c = form->GetControl(i);
        if (auto* b = dynamic_cast<TButton*>(c)) {
            v.Buttons.push_back(win::GetWindowTextString(b->GetHandle()));
            v.ButtonWindows.push_back(b->GetHandle());
            if (b->GetDefault())
                v.DefaultButton = v.Buttons.back();
        } else if (auto* t = dynamic_cast<TMessageText*>(c)) {
            v.Text = win::GetWindowTextString(t->GetHandle());
        } else if (auto* icon = dynamic_cast<TMessageIcon*>(c)) {
            v.Icon = icon->Kind();
        }
    }
    if (view)
        *view = v;
    return true;
}

win::TPoint MessageBoxButtonCenter(const std::string& caption) {
    TMessageBoxView v;
    if (!FindMessageBox(&v))
        throw EInvalidOperation("No message box is shown");
    for (size_t i = 0; i < v.Buttons.size(); ++i)
        if (v.Buttons[i] == caption) {
            TRect r;
            win::GetWindowRect(v.ButtonWindows[i], &r);
            return {r.Left + r.Width() / 2, r.Top + r.Height() / 2};
        }
    throw EInvalidOperation("The message box has no button \"" + caption + "\"");
}

} // namespace vcl

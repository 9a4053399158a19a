#include "platform/vcl/StdCtrls.h"

#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace vcl {

// ---- Shared by the control wrappers --------------------------------------------------------------------

namespace {

// Control ids start high so that they never meet the ids programs give their own windows.
int StdCtrlsNextId = 0x4000;

// The brush a control paints its background with, kept per colour.
win::HBRUSH StdCtrlsBrush(TColor color) {
    static std::map<win::COLORREF, win::HBRUSH> brushes;
    win::COLORREF rgb = win::COLORREF(ColorToRGB(color));
    auto it = brushes.find(rgb);
    if (it == brushes.end())
        it = brushes.emplace(rgb, win::CreateSolidBrush(rgb)).first;
    return it->second;
}

// Answers a reflected WM_CTLCOLOR...: the control's font colour and background.
void StdCtrlsColor(TControl* control, TMessage& m) {
    auto dc = reinterpret_cast<win::HDC>(m.WParam);
    win::SetTextColor(dc, win::COLORREF(ColorToRGB(control->GetFont()->GetColor())));
    win::SetBkColor(dc, win::COLORREF(ColorToRGB(control->GetColor())));
    m.Result = reinterpret_cast<win::LRESULT>(StdCtrlsBrush(control->GetColor()));
}

// Makes a wrapper's window with an id of its own and its font.
template <class F> void StdCtrlsCreateWnd(TWinControl* control, F&& baseCreateWnd) {
    RegisterButtonClass();
    baseCreateWnd();
    win::HWND h = control->GetHandle();
    if (win::GetWindowLong(h, win::GWL_ID) == 0)
        win::SetWindowLong(h, win::GWL_ID, StdCtrlsNextId++);
    win::SendMessage(h, win::WM_SETFONT, reinterpret_cast<win::WPARAM>(control->GetFont()->GetHandle()), 0);
}

TOwnerDrawState StdCtrlsDrawState(win::UINT itemState) {
    return TOwnerDrawState::FromBits(itemState & 0x1FFF);
}

// One owner-drawn item of a list or combo box: the canvas takes the item's DC with the control's font and
// colour (the highlight colours when selected), draw paints the item, and a focused item gets its focus
// rectangle. The canvas gives the DC back however draw ends.
template <typename F>
void StdCtrlsDrawOwnerItem(TCanvas* canvas, TFont* font, TColor color, const win::DRAWITEMSTRUCT* dis,
                           F&& draw) {
    TOwnerDrawState state = StdCtrlsDrawState(dis->itemState);
    TCanvasDCScope lent(canvas, dis->hDC);
    canvas->SetFont(font);
    canvas->GetBrush()->SetColor(color);
    if (state.Contains(odSelected)) {
        canvas->GetBrush()->SetColor(clHighlight);
        canvas->GetFont()->SetColor(clHighlightText);
    }
    draw(state);
    if (state.Contains(odFocused))
        canvas->DrawFocusRect(dis->rcItem);
}

// The clipboard of the edit controls is the class library's.
void StdCtrlsInstallClipboard() {
    win::SetEditClipboard({[](const std::string& text) {
                               Clipboard()->SetAsText(text);
                               return true;
                           },
                           [](std::string* text) {
                               *text = Clipboard()->GetAsText();
                               return true;
                           }});
}

// ---- Alt+letter: the control whose caption has the letter as its accelerator ----

// The accelerator of a caption reached by Alt+letter: true when it belongs to the control.
bool StdCtrlsIsMyAccel(TWinControl* control, const TMessage& m) {
    return control->CanFocus() && IsAccel(uint16_t(m.WParam), control->GetCaption());
}

} // namespace

void RegisterButtonClass() {
    win::InitCommonControls();
    StdCtrlsInstallClipboard();
}

bool IsAccel(uint16_t ch, const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return std::toupper(uint8_t(caption[i + 1])) == std::toupper(int(ch & 0xFF));
    }
    return false;
}

// ---- TWinItemStrings -----------------------------------------------------------------------------------

struct TWinItemMessages {
    win::UINT Add, Insert, Delete, Reset, GetText, GetTextLen, GetCount, GetData, SetData;
};
constexpr TWinItemMessages ListBoxMessages{win::LB_ADDSTRING,    win::LB_INSERTSTRING, win::LB_DELETESTRING,
                                           win::LB_RESETCONTENT, win::LB_GETTEXT,      win::LB_GETTEXTLEN,
                                           win::LB_GETCOUNT,     win::LB_GETITEMDATA,  win::LB_SETITEMDATA};
constexpr TWinItemMessages ComboBoxMessages{win::CB_ADDSTRING,    win::CB_INSERTSTRING, win::CB_DELETESTRING,
                                            win::CB_RESETCONTENT, win::CB_GETLBTEXT,    win::CB_GETLBTEXTLEN,
                                            win::CB_GETCOUNT,     win::CB_GETITEMDATA,  win::CB_SETITEMDATA};

class TWinItemStrings : public TStrings {
public:
    TWinItemStrings(TWinControl* control, const TWinItemMessages& messages)
        : FControl(control), FMessages(messages), FSaved(std::make_unique<TStringList>()) {}

    bool Live() const { return FControl->HandleAllocated(); }
    win::LRESULT Send(win::UINT msg, win::WPARAM w = 0, win::LPARAM l = 0) const {
        // Through the control's own procedure, so that overrides of it see item changes.
        return FControl->Perform(msg, w, l);
    }

    std::string Get(int32_t index) const override {
        if (!Live())
            return FSaved->Get(index);
        win::LRESULT len = Send(FMessages.GetTextLen, win::WPARAM(index));
        if (len < 0)
            Error("List index out of bounds (%d)", index);
        std::string text(size_t(len) + 1, '\0');
        Send(FMessages.GetText, win::WPARAM(index), reinterpret_cast<win::LPARAM>(text.data()));
        text.resize(size_t(len));
        return text;
    }
    int32_t GetCount() const override {
        return Live() ? int32_t(Send(FMessages.GetCount)) : FSaved->GetCount();
    }
    TObject* GetObject(int32_t index) const override {
        if (!Live())
            return FSaved->GetObject(index);
        win::LRESULT data = Send(FMessages.GetData, win::WPARAM(index));
        if (data == -1 && (index < 0 || index >= GetCount()))
            Error("List index out of bounds (%d)", index);
        return reinterpret_cast<TObject*>(data);
    }
    void PutObject(int32_t index, TObject* obj) override {
        if (!Live()) {
            FSaved->PutObject(index, obj);
            return;
        }
        if (Send(FMessages.SetData, win::WPARAM(index), reinterpret_cast<win::LPARAM>(obj)) < 0)
            Error("List index out of bounds (%d)", index);
    }
    int32_t Add(const std::string& s) override {
        if (!Live())
            return FSaved->Add(s);
        win::LRESULT r = Send(FMessages.Add, 0, reinterpret_cast<win::LPARAM>(s.c_str()));
        if (r < 0)
            throw EOutOfResources("Failed to add the item");
        return int32_t(r);
    }
    int32_t AddObject(const std::string& s, TObject* obj) override {
        int32_t i = Add(s);
        PutObject(i, obj);
        return i;
    }
    void Insert(int32_t index, const std::string& s) override {
        if (!Live()) {
            FSaved->Insert(index, s);
            return;
        }
        if (index < 0 || index > GetCount())
            Error("List index out of bounds (%d)", index);
        if (Send(FMessages.Insert, win::WPARAM(index), reinterpret_cast<win::LPARAM>(s.c_str())) < 0)
            throw EOutOfResources("Failed to insert the item");
    }
    void InsertObject(int32_t index, const std::string& s, TObject* obj) override {
        Insert(index, s);
        PutObject(index, obj);
    }
    void Delete(int32_t index) override {
        if (!Live()) {
            FSaved->Delete(index);
            return;
        }
        if (Send(FMessages.Delete, win::WPARAM(index)) < 0)
            Error("List index out of bounds (%d)", index);
    }
    void Clear() override {
        if (!Live()) {
            FSaved->Clear();
            return;
        }
        Send(FMessages.Reset);
    }
    void Put(int32_t index, const std::string& s) override {
        TObject* obj = GetObject(index);
        Delete(index);
        InsertObject(index, s, obj);
    }
    int32_t IndexOf(const std::string& s) const override {
        for (int32_t i = 0; i < GetCount(); ++i)
            if (CompareStrings(Get(i), s) == 0)
                return i;
        return -1;
    }
    void SetSorted(bool value) { FSaved->SetSorted(value); }

    // The window's items move to the saved list when it goes, and back when it comes.
    void SaveFromWindow() {
        FSaved->Clear();
        int32_t n = int32_t(Send(FMessages.GetCount));
        for (int32_t i = 0; i < n; ++i)
            FSaved->AddObject(Get(i), GetObject(i));
    }
    void LoadIntoWindow() {
        // Send directly: the items are the saved ones, whatever the window had.
        for (int32_t i = 0; i < FSaved->GetCount(); ++i) {
            win::LRESULT at = Send(FMessages.Add, 0, reinterpret_cast<win::LPARAM>(FSaved->Get(i).c_str()));
            if (at >= 0)
                Send(FMessages.SetData, win::WPARAM(at), reinterpret_cast<win::LPARAM>(FSaved->GetObject(i)));
        }
        FSaved->Clear();
    }

protected:
    void SetUpdateState(bool updating) override {
        if (Live()) {
            win::SendMessage(FControl->GetHandle(), win::WM_SETREDRAW, updating ? 0 : 1, 0);
            if (!updating)
                FControl->Invalidate();
        }
    }

private:
    TWinControl* FControl;
    TWinItemMessages FMessages;
    std::unique_ptr<TStringList> FSaved;
};

// ---- TButton -------------------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    FControlStyle = TControlStyle{csSetCaption, csDoubleClicks};
    FWidth = 75;
    FHeight = 25;
    FTabStop = true;
}

win::DWORD TButton::ButtonStyle() const {
    return FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::CreateParams(TCreateParams& p) {
    RegisterButtonClass();
    TWinControl::CreateParams(p);
    p.SuperClassName = win::WC_BUTTON;
    p.Style |= ButtonStyle();
}

void TButton::CreateWnd() {
    StdCtrlsCreateWnd(this, [this] { TWinControl::CreateWnd(); });
}

void TButton::SetDefault(bool value) {
    if (!SetIfChanged(FDefault, value))
        return;
    if (HandleAllocated())
        win::SendMessage(FHandle, BM_SETSTYLE, ButtonStyle(), win::TRUE);
}

void TButton::Click() {
    if (FModalResult != mrNone)
        if (TCustomForm* form = GetParentForm(this))
            form->SetModalResult(FModalResult);
    TWinControl::Click();
}

void TButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        if (win::HIWORD(m.WParam) == BN_CLICKED)
            Click();
        return;
    case CM_DIALOGKEY: {
        // Enter clicks the focused button, or the default one when no button has the focus; Escape clicks
        // the cancel button.
        auto key = int(m.WParam);
        if (!IsEnabledChain() || !Showing())
            return;
        TWinControl* focused = FindControl(win::GetFocus());
        bool focusOnButton = dynamic_cast<TButton*>(focused) != nullptr;
        if ((key == win::VK_RETURN && (focused == this || (FDefault && !focusOnButton))) ||
            (key == win::VK_ESCAPE && FCancel)) {
            Click();
            m.Result = 1;
        }
        return;
    }
    case CM_DIALOGCHAR:
        if (StdCtrlsIsMyAccel(this, m)) {
            Click();
            m.Result = 1;
        }
        return;
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORSTATIC:
        StdCtrlsColor(this, m);
        return;
    default:
        TWinControl::Dispatch(m);
    }
}

// ---- TCustomEdit ---------------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    FControlStyle = TControlStyle{csClickEvents, csSetCaption, csDoubleClicks};
    FWidth = 121;
    FHeight = 21;
    FTabStop = true;
    FColor = clWindow;
}

void TCustomEdit::CreateParams(TCreateParams& p) {
    RegisterButtonClass();
    TWinControl::CreateParams(p);
    p.SuperClassName = win::WC_EDIT;
    p.Style |= win::ES_AUTOHSCROLL | win::ES_AUTOVSCROLL;
    if (FReadOnly)
        p.Style |= win::ES_READONLY;
    if (!FHideSelection)
        p.Style |= win::ES_NOHIDESEL;
    if (FCharCase == ecUpperCase)
        p.Style |= win::ES_UPPERCASE;
    else if (FCharCase == ecLowerCase)
        p.Style |= win::ES_LOWERCASE;
    if (FBorderStyle == bsSingle)
        p.ExStyle |= win::WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd() {
    StdCtrlsCreateWnd(this, [this] { TWinControl::CreateWnd(); });
    win::SendMessage(FHandle, win::EM_LIMITTEXT, win::WPARAM(FMaxLength), 0);
    if (FPasswordChar)
        win::SendMessage(FHandle, win::EM_SETPASSWORDCHAR, uint8_t(FPasswordChar), 0);
    win::SendMessage(FHandle, win::EM_SETSEL, win::WPARAM(FSavedSelStart), FSavedSelStart + FSavedSelLength);
    win::SendMessage(FHandle, win::EM_SETMODIFY, FModified, 0);
}

void TCustomEdit::DestroyWnd() {
    if (FHandle) {
        FSavedSelStart = GetSelStart();
        FSavedSelLength = GetSelLength();
        FModified = GetModified();
    }
    TWinControl::DestroyWnd();
}

void TCustomEdit::SetMaxLength(int32_t value) {
    if (value == FMaxLength)
        return;
    FMaxLength = std::max(0, value);
    if (HandleAllocated())
        win::SendMessage(FHandle, win::EM_LIMITTEXT, win::WPARAM(FMaxLength), 0);
}

void TCustomEdit::SetReadOnly(bool value) {
    if (!SetIfChanged(FReadOnly, value))
        return;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::EM_SETREADONLY, value, 0);
}

void TCustomEdit::SetPasswordChar(char value) {
    if (!SetIfChanged(FPasswordChar, value))
        return;
    if (HandleAllocated()) {
        win::SendMessage(FHandle, win::EM_SETPASSWORDCHAR, uint8_t(value), 0);
        Invalidate();
    }
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
    if (!SetIfChanged(FCharCase, value))
        return;
    if (HandleAllocated())
        RecreateWnd();
    // The text follows the new case at once.
    std::string text = GetText();
    if (value == ecUpperCase)
        text = UpperCase(text);
    else if (value == ecLowerCase)
        text = LowerCase(text);
    SetText(text);
}

void TCustomEdit::SetHideSelection(bool value) {
    if (SetIfChanged(FHideSelection, value))
        RecreateWnd();
}

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
    if (SetIfChanged(FBorderStyle, value))
        RecreateWnd();
}

bool TCustomEdit::GetModified() const {
    return FHandle ? win::SendMessage(FHandle, win::EM_GETMODIFY, 0, 0) != 0 : FModified;
}

void TCustomEdit::SetModified(bool value) {
    FModified = value;
    if (FHandle)
        win::SendMessage(FHandle, win::EM_SETMODIFY, value, 0);
}

int32_t TCustomEdit::GetSelStart() {
    if (!HandleAllocated())
        return FSavedSelStart;
    win::DWORD a = 0, b = 0;
    win::SendMessage(FHandle, win::EM_GETSEL, reinterpret_cast<win::WPARAM>(&a),
                     reinterpret_cast<win::LPARAM>(&b));
    return int32_t(a);
}

int32_t TCustomEdit::GetSelLength() {
    if (!HandleAllocated())
        return FSavedSelLength;
    win::DWORD a = 0, b = 0;
    win::SendMessage(FHandle, win::EM_GETSEL, reinterpret_cast<win::WPARAM>(&a),
                     reinterpret_cast<win::LPARAM>(&b));
    return int32_t(b - a);
}

void TCustomEdit::SetSelStart(int32_t value) {
    FSavedSelStart = value;
    FSavedSelLength = 0;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::EM_SETSEL, win::WPARAM(value), value);
}

void TCustomEdit::SetSelLength(int32_t value) {
    int32_t start = GetSelStart();
    FSavedSelLength = value;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::EM_SETSEL, win::WPARAM(start), start + value);
}

std::string TCustomEdit::GetSelText() {
    std::string text = HandleAllocated() ? win::GetWindowTextString(FHandle) : FText;
    // The window hands out "\r\n" line breaks while positions count one byte for each.
    std::string flat;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            flat += text[i];
    int32_t start = std::clamp(GetSelStart(), 0, int32_t(flat.size()));
    int32_t len = std::clamp(GetSelLength(), 0, int32_t(flat.size()) - start);
    return flat.substr(size_t(start), size_t(len));
}

void TCustomEdit::SetSelText(const std::string& value) {
    HandleNeeded();
    win::SendMessage(FHandle, win::EM_REPLACESEL, 0, reinterpret_cast<win::LPARAM>(value.c_str()));
}

void TCustomEdit::SelectAll() {
    if (HandleAllocated())
        win::SendMessage(FHandle, win::EM_SETSEL, 0, -1);
}

void TCustomEdit::ClearSelection() {
    if (HandleAllocated())
        win::SendMessage(FHandle, win::WM_CLEAR, 0, 0);
}

void TCustomEdit::CopyToClipboard() {
    if (HandleAllocated())
        win::SendMessage(FHandle, win::WM_COPY, 0, 0);
}

void TCustomEdit::CutToClipboard() {
    if (HandleAllocated())
        win::SendMessage(FHandle, win::WM_CUT, 0, 0);
}

void TCustomEdit::PasteFromClipboard() {
    if (HandleAllocated())
        win::SendMessage(FHandle, win::WM_PASTE, 0, 0);
}

void TCustomEdit::Undo() {
    if (HandleAllocated())
        win::SendMessage(FHandle, win::WM_UNDO, 0, 0);
}

bool TCustomEdit::CanUndo() {
    return HandleAllocated() && win::SendMessage(FHandle, win::EM_CANUNDO, 0, 0) != 0;
}

void TCustomEdit::ClearUndo() {
    if (HandleAllocated())
        win::SendMessage(FHandle, win::EM_EMPTYUNDOBUFFER, 0, 0);
}

void TCustomEdit::Change() {
    if (OnChange)
        OnChange(this);
}

void TCustomEdit::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        if (win::HIWORD(m.WParam) == win::EN_CHANGE) {
            // The text the user typed is the control's text.
            FText = win::GetWindowTextString(FHandle);
            if (!GetComponentState().Contains(csLoading))
                Change();
        }
        return;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
        StdCtrlsColor(this, m);
        return;
    case win::WM_LBUTTONDOWN:
        FMouseFocus = win::GetFocus() != FHandle;
        TWinControl::Dispatch(m);
        FMouseFocus = false;
        return;
    case win::WM_SETFOCUS:
        TWinControl::Dispatch(m);
        // Entering by keyboard selects everything; a click places the caret where it lands.
        if (FAutoSelect && !FMouseFocus && !(win::GetKeyState(win::VK_LBUTTON) & 0x8000) &&
            HandleAllocated() && !(win::GetWindowLong(FHandle, win::GWL_STYLE) & win::ES_MULTILINE))
            SelectAll();
        return;
    default:
        TWinControl::Dispatch(m);
    }
}

// ---- TMemo ---------------------------------------------------------------------------------------------

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner), FLines(std::make_unique<TStringList>()) {
    FWidth = 185;
    FHeight = 89;
    FAutoSelect = false;
    FLines->SetOnChange([this](TObject*) {
        if (FSyncing)
            return;
        FSyncing = true;
        ScopeExit synced([this]() noexcept { FSyncing = false; });
        std::string text;
        for (int32_t i = 0; i < FLines->GetCount(); ++i) {
            if (i)
                text += "\r\n";
            text += FLines->Get(i);
        }
        SetText(text);
    });
}

TMemo::~TMemo() {
    FLines->SetOnChange(nullptr);
}

TStrings* TMemo::GetLines() const {
    return FLines.get();
}

void TMemo::SetLines(TStrings* value) {
    FLines->Assign(value);
}

void TMemo::CreateParams(TCreateParams& p) {
    TCustomEdit::CreateParams(p);
    p.Style |= win::ES_MULTILINE;
    if (FWantReturns)
        p.Style |= win::ES_WANTRETURN;
    if (FWordWrap && FScrollBars != ssHorizontal && FScrollBars != ssBoth)
        p.Style &= ~win::DWORD(win::ES_AUTOHSCROLL);
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        p.Style |= win::WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
        p.Style |= win::WS_HSCROLL;
    if (FAlignment == taRightJustify)
        p.Style |= win::ES_RIGHT;
    else if (FAlignment == taCenter)
        p.Style |= win::ES_CENTER;
}

void TMemo::SetScrollBars(TScrollStyle value) {
    if (SetIfChanged(FScrollBars, value))
        RecreateWnd();
}

void TMemo::SetWordWrap(bool value) {
    if (SetIfChanged(FWordWrap, value))
        RecreateWnd();
}

void TMemo::SetWantReturns(bool value) {
    if (SetIfChanged(FWantReturns, value))
        RecreateWnd();
}

void TMemo::SetAlignment(TAlignment value) {
    if (SetIfChanged(FAlignment, value))
        RecreateWnd();
}

void TMemo::Change() {
    if (!FSyncing) {
        FSyncing = true;
        FLines->SetText(FText);
        FSyncing = false;
    }
    TCustomEdit::Change();
}

void TMemo::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_TEXTCHANGED:
        // Text set by code: the lines follow.
        if (!FSyncing) {
            FSyncing = true;
            FLines->SetText(FText);
            FSyncing = false;
        }
        TCustomEdit::Dispatch(m);
        return;
    case win::WM_KEYDOWN:
        // Tab moves the focus unless the memo wants tabs; Enter is the memo's when it wants returns.
        if (m.WParam == win::WPARAM(win::VK_TAB) && !FWantTabs) {
            uint16_t key = win::VK_TAB;
            if (DoKeyDown(key, KeyboardShiftState()))
                return;
            if (TCustomForm* form = ParentForm())
                form->Perform(CM_DIALOGKEY, win::VK_TAB, 0);
            return;
        }
        TCustomEdit::Dispatch(m);
        return;
    case win::WM_CHAR:
        if (m.WParam == '\t' && !FWantTabs)
            return;
        if (m.WParam == '\r' && !FWantReturns)
            return;
        TCustomEdit::Dispatch(m);
        return;
    default:
        TCustomEdit::Dispatch(m);
    }
}

// ---- TCustomListBox ------------------------------------------------------------------------------------

// ---- TCustomListControl --------------------------------------------------------------------------------

TCustomListControl::TCustomListControl(TComponent* owner, bool combo)
    : TWinControl(owner),
      FItems(std::make_unique<TWinItemStrings>(this, combo ? ComboBoxMessages : ListBoxMessages)),
      FCanvas(std::make_unique<TControlCanvas>()) {
    FCanvas->SetControl(this);
    FTabStop = true;
    FColor = clWindow;
}

TCustomListControl::~TCustomListControl() = default;

TStrings* TCustomListControl::GetItems() const {
    return FItems.get();
}

void TCustomListControl::SetItems(TStrings* value) {
    FItems->Assign(value);
}

int32_t TCustomListControl::GetCount() const {
    return FItems->GetCount();
}

void TCustomListControl::SetSorted(bool value) {
    if (!SetIfChanged(FSorted, value))
        return;
    FItems->SetSorted(value);
    RecreateWnd();
}

void TCustomListControl::DrawItem(int32_t index, const TRect& rect, TOwnerDrawState) {
    FCanvas->FillRect(rect);
    if (index >= 0 && index < GetCount())
        FCanvas->TextOut(rect.Left + 2, rect.Top, FItems->Get(index));
}

bool TCustomListControl::OwnerDrawMessage(TMessage& m) {
    if (m.Msg == CN_DRAWITEM) {
        auto* dis = reinterpret_cast<win::DRAWITEMSTRUCT*>(m.LParam);
        StdCtrlsDrawOwnerItem(FCanvas.get(), FFont.get(), FColor, dis, [&](TOwnerDrawState state) {
            DrawItem(int32_t(dis->itemID), dis->rcItem, state);
        });
        m.Result = 1;
        return true;
    }
    if (m.Msg == CN_MEASUREITEM) {
        // Item -1 is a combo box's edit field: it keeps the fixed height.
        auto* mis = reinterpret_cast<win::MEASUREITEMSTRUCT*>(m.LParam);
        int32_t height = FItemHeight;
        if (VariableItemHeight() && int32_t(mis->itemID) >= 0)
            MeasureItem(int32_t(mis->itemID), height);
        mis->itemHeight = win::UINT(std::max(1, height));
        m.Result = 1;
        return true;
    }
    return false;
}

// ---- TCustomListBox ------------------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* owner) : TCustomListControl(owner, false) {
    // Clicks come from the list's selection notifications, not from the mouse.
    FControlStyle = TControlStyle{csSetCaption, csDoubleClicks, csOpaque};
    FWidth = 121;
    FHeight = 97;
}

void TCustomListBox::CreateParams(TCreateParams& p) {
    RegisterButtonClass();
    TWinControl::CreateParams(p);
    p.SuperClassName = win::WC_LISTBOX;
    p.Style |= win::LBS_NOTIFY | win::WS_VSCROLL | win::WS_HSCROLL | win::LBS_NOINTEGRALHEIGHT;
    if (FSorted)
        p.Style |= win::LBS_SORT;
    if (FMultiSelect)
        p.Style |= FExtendedSelect ? win::LBS_EXTENDEDSEL : win::LBS_MULTIPLESEL;
    if (FStyle == lbOwnerDrawFixed)
        p.Style |= win::LBS_OWNERDRAWFIXED | win::LBS_HASSTRINGS;
    else if (FStyle == lbOwnerDrawVariable)
        p.Style |= win::LBS_OWNERDRAWVARIABLE | win::LBS_HASSTRINGS;
    if (FBorderStyle == bsSingle)
        p.ExStyle |= win::WS_EX_CLIENTEDGE;
    if (FTabWidth != 0)
        p.Style |= win::LBS_USETABSTOPS;
}

void TCustomListBox::CreateWnd() {
    StdCtrlsCreateWnd(this, [this] { TWinControl::CreateWnd(); });
    if (FStyle != lbStandard && FStyle != lbOwnerDrawVariable)
        win::SendMessage(FHandle, win::LB_SETITEMHEIGHT, 0, FItemHeight);
    if (FTabWidth != 0)
        win::SendMessage(FHandle, win::LB_SETTABSTOPS, 1, reinterpret_cast<win::LPARAM>(&FTabWidth));
    FItems->LoadIntoWindow();
    if (FMultiSelect) {
        for (size_t i = 0; i < FSavedSelection.size(); ++i)
            if (FSavedSelection[i])
                win::SendMessage(FHandle, win::LB_SETSEL, 1, win::LPARAM(i));
    } else if (FSavedIndex >= 0) {
        win::SendMessage(FHandle, win::LB_SETCURSEL, win::WPARAM(FSavedIndex), 0);
    }
    win::SendMessage(FHandle, win::LB_SETTOPINDEX, win::WPARAM(FSavedTop), 0);
    FSavedSelection.clear();
}

void TCustomListBox::DestroyWnd() {
    if (FHandle) {
        FSavedIndex = GetItemIndex();
        FSavedTop = GetTopIndex();
        FSavedSelection.clear();
        if (FMultiSelect)
            for (int32_t i = 0; i < GetCount(); ++i)
                FSavedSelection.push_back(GetSelected(i));
        FItems->SaveFromWindow();
    }
    TWinControl::DestroyWnd();
}

int32_t TCustomListBox::GetItemIndex() {
    if (!HandleAllocated())
        return FSavedIndex;
    if (FMultiSelect)
        return int32_t(win::SendMessage(FHandle, win::LB_GETCARETINDEX, 0, 0));
    return int32_t(win::SendMessage(FHandle, win::LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int32_t value) {
    if (!HandleAllocated()) {
        FSavedIndex = value;
        return;
    }
    if (GetItemIndex() == value)
        return;
    if (FMultiSelect)
        win::SendMessage(FHandle, win::LB_SETCARETINDEX, win::WPARAM(value), 0);
    else
        win::SendMessage(FHandle, win::LB_SETCURSEL, win::WPARAM(intptr_t(value)), 0);
}

int32_t TCustomListBox::GetTopIndex() {
    return HandleAllocated() ? int32_t(win::SendMessage(FHandle, win::LB_GETTOPINDEX, 0, 0)) : FSavedTop;
}

void TCustomListBox::SetTopIndex(int32_t value) {
    FSavedTop = value;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::LB_SETTOPINDEX, win::WPARAM(value), 0);
}

void TCustomListBox::SetMultiSelect(bool value) {
    if (SetIfChanged(FMultiSelect, value))
        RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool value) {
    if (SetIfChanged(FExtendedSelect, value))
        RecreateWnd();
}

bool TCustomListBox::GetSelected(int32_t index) {
    HandleNeeded();
    win::LRESULT r = win::SendMessage(FHandle, win::LB_GETSEL, win::WPARAM(index), 0);
    if (r < 0)
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return r != 0;
}

void TCustomListBox::SetSelected(int32_t index, bool value) {
    HandleNeeded();
    if (FMultiSelect) {
        if (win::SendMessage(FHandle, win::LB_SETSEL, value, index) < 0)
            throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    } else if (value) {
        SetItemIndex(index);
    } else if (GetItemIndex() == index) {
        SetItemIndex(-1);
    }
}

int32_t TCustomListBox::GetSelCount() {
    if (!HandleAllocated() || !FMultiSelect)
        return -1;
    return int32_t(win::SendMessage(FHandle, win::LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::SetStyle(TListBoxStyle value) {
    if (SetIfChanged(FStyle, value))
        RecreateWnd();
}

int32_t TCustomListBox::GetItemHeight() {
    if (HandleAllocated() && FStyle == lbStandard)
        return int32_t(win::SendMessage(FHandle, win::LB_GETITEMHEIGHT, 0, 0));
    return FItemHeight;
}

void TCustomListBox::SetItemHeight(int32_t value) {
    if (value <= 0 || value == FItemHeight)
        return;
    FItemHeight = value;
    if (HandleAllocated() && FStyle == lbOwnerDrawFixed)
        win::SendMessage(FHandle, win::LB_SETITEMHEIGHT, 0, value);
}

void TCustomListBox::SetBorderStyle(TBorderStyle value) {
    if (SetIfChanged(FBorderStyle, value))
        RecreateWnd();
}

void TCustomListBox::SetTabWidth(int32_t value) {
    if (SetIfChanged(FTabWidth, std::max(value, 0)))
        RecreateWnd();
}

TRect TCustomListBox::ItemRect(int32_t index) {
    HandleNeeded();
    TRect r{0, 0, 0, 0};
    win::SendMessage(FHandle, win::LB_GETITEMRECT, win::WPARAM(index), reinterpret_cast<win::LPARAM>(&r));
    return r;
}

int32_t TCustomListBox::ItemAtPos(TPoint pos, bool existing) {
    HandleNeeded();
    int32_t count = GetCount();
    if (count == 0)
        return existing ? -1 : 0;
    win::LRESULT r = win::SendMessage(FHandle, win::LB_ITEMFROMPOINT, 0, win::MAKELPARAM(pos.X, pos.Y));
    int32_t index = win::LOWORD(win::WPARAM(r));
    bool outside = win::HIWORD(win::WPARAM(r)) != 0;
    if (!outside)
        return index;
    if (existing)
        return -1;
    // Below the last item: one past the end.
    TRect last = ItemRect(count - 1);
    return pos.Y >= last.Bottom ? count : index;
}

void TCustomListBox::Clear() {
    FItems->Clear();
}

void TCustomListBox::SelectAll() {
    if (FMultiSelect && HandleAllocated())
        win::SendMessage(FHandle, win::LB_SETSEL, 1, -1);
}

void TCustomListBox::DrawItem(int32_t index, const TRect& rect, TOwnerDrawState state) {
    if (OnDrawItem)
        OnDrawItem(this, index, rect, state);
    else
        TCustomListControl::DrawItem(index, rect, state);
}

void TCustomListBox::MeasureItem(int32_t index, int32_t& height) {
    if (OnMeasureItem)
        OnMeasureItem(this, index, height);
}

void TCustomListBox::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        switch (win::HIWORD(m.WParam)) {
        case win::LBN_SELCHANGE:
            Click();
            break;
        case win::LBN_DBLCLK:
            DblClick();
            break;
        default:
            break;
        }
        return;
    case CN_CTLCOLORLISTBOX:
        StdCtrlsColor(this, m);
        return;
    default:
        if (!OwnerDrawMessage(m))
            TWinControl::Dispatch(m);
    }
}

// ---- TCustomComboBox -----------------------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* owner) : TCustomListControl(owner, true) {
    FControlStyle = TControlStyle{csSetCaption, csDoubleClicks, csFixedHeight, csReflector};
    FWidth = 145;
    FHeight = 21;
}

void TCustomComboBox::CreateParams(TCreateParams& p) {
    RegisterButtonClass();
    TWinControl::CreateParams(p);
    p.SuperClassName = win::WC_COMBOBOX;
    p.Style |= win::WS_VSCROLL | win::CBS_AUTOHSCROLL;
    switch (FStyle) {
    case csDropDown:
        p.Style |= win::CBS_DROPDOWN;
        break;
    case csSimple:
        p.Style |= win::CBS_SIMPLE;
        break;
    case csDropDownList:
        p.Style |= win::CBS_DROPDOWNLIST;
        break;
    case csOwnerDrawFixed:
        p.Style |= win::CBS_DROPDOWNLIST | win::CBS_OWNERDRAWFIXED | win::CBS_HASSTRINGS;
        break;
    case csOwnerDrawVariable:
        p.Style |= win::CBS_DROPDOWNLIST | win::CBS_OWNERDRAWVARIABLE | win::CBS_HASSTRINGS;
        break;
    }
    if (FSorted)
        p.Style |= win::CBS_SORT;
    if (FCharCase == ecUpperCase)
        p.Style |= win::CBS_UPPERCASE;
    else if (FCharCase == ecLowerCase)
        p.Style |= win::CBS_LOWERCASE;
}

namespace {

constexpr const char* StdCtrlsComboEditProcProp = "LoomwickVclComboEditProc";

} // namespace

win::LRESULT TCustomComboBox::CALLBACK_EditWndProc(win::HWND edit, win::UINT msg, win::WPARAM wParam,
                                                   win::LPARAM lParam) {
    auto proc = reinterpret_cast<win::WNDPROC>(win::GetProp(edit, StdCtrlsComboEditProcProp));
    if (!proc)
        return win::DefWindowProc(edit, msg, wParam, lParam);
    if (msg == win::WM_NCDESTROY) {
        win::RemoveProp(edit, StdCtrlsComboEditProcProp);
        win::SetWindowLong(edit, win::GWL_WNDPROC, reinterpret_cast<win::LONG_PTR>(proc));
        return win::CallWindowProc(proc, edit, msg, wParam, lParam);
    }
    auto* combo = dynamic_cast<TCustomComboBox*>(FindControl(win::GetParent(edit)));
    if (!combo || !combo->HandleAllocated())
        return win::CallWindowProc(proc, edit, msg, wParam, lParam);
    TMessage m{msg, wParam, lParam, 0};
    CALLBACK_WndProc(combo->FHandle, CM_COMBOEDITMESSAGE, 0, reinterpret_cast<win::LPARAM>(&m));
    return m.Result;
}

void TCustomComboBox::EditWndProc(TMessage& m) {
    switch (m.Msg) {
    case win::WM_SETFOCUS:
        // The combo box is entered when the focus comes from outside it (its own window hands the focus
        // straight on to the edit field and tells nothing).
        DefaultEditHandler(m);
        if (!FEditFocused) {
            FEditFocused = true;
            if (TCustomForm* form = ParentForm())
                form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<win::LPARAM>(this));
            DoEnter();
        }
        return;
    case win::WM_KILLFOCUS: {
        DefaultEditHandler(m);
        auto to = reinterpret_cast<win::HWND>(m.WParam);
        if (FEditFocused && (!to || (to != FHandle && win::GetParent(to) != FHandle))) {
            FEditFocused = false;
            DoExit();
        }
        return;
    }
    case win::WM_KEYDOWN:
    case win::WM_SYSKEYDOWN: {
        // Tab, Enter and Escape the edit hands on to the combo box's own window, whose key events see them.
        uint16_t key = uint16_t(m.WParam);
        if (key == win::VK_TAB || key == win::VK_RETURN || key == win::VK_ESCAPE)
            break;
        if (DoKeyDown(key, KeyboardShiftState()))
            return;
        if (TCustomForm* form = ParentForm(); form && form->IsShortCut(key, KeyboardShiftState()))
            return;
        m.WParam = key;
        break;
    }
    case win::WM_CHAR: {
        if (m.WParam >= 0x80)
            break; // a code point the key events' character cannot hold goes on unchanged
        char key = char(m.WParam);
        if (DoKeyPress(key))
            return;
        m.WParam = win::WPARAM(uint8_t(key));
        break;
    }
    case win::WM_KEYUP:
    case win::WM_SYSKEYUP: {
        uint16_t key = uint16_t(m.WParam);
        if (DoKeyUp(key, KeyboardShiftState()))
            return;
        m.WParam = key;
        break;
    }
    default:
        break;
    }
    DefaultEditHandler(m);
}

void TCustomComboBox::DefaultEditHandler(TMessage& m) {
    win::HWND edit = GetEditHandle();
    auto proc =
        edit ? reinterpret_cast<win::WNDPROC>(win::GetProp(edit, StdCtrlsComboEditProcProp)) : nullptr;
    m.Result = proc ? win::CallWindowProc(proc, edit, m.Msg, m.WParam, m.LParam) : 0;
}

void TCustomComboBox::CreateWnd() {
    std::string text = FText;
    StdCtrlsCreateWnd(this, [this] { TWinControl::CreateWnd(); });
    if (win::HWND edit = GetEditHandle(); edit && !win::GetProp(edit, StdCtrlsComboEditProcProp)) {
        win::LONG_PTR old = win::SetWindowLong(edit, win::GWL_WNDPROC,
                                               reinterpret_cast<win::LONG_PTR>(&CALLBACK_EditWndProc));
        win::SetProp(edit, StdCtrlsComboEditProcProp, reinterpret_cast<win::HANDLE>(old));
    }
    FItems->LoadIntoWindow();
    win::SendMessage(FHandle, win::CB_SETMINVISIBLE, win::WPARAM(FDropDownCount), 0);
    if (FDroppedWidth > 0)
        win::SendMessage(FHandle, win::CB_SETDROPPEDWIDTH, win::WPARAM(FDroppedWidth), 0);
    if (FMaxLength > 0)
        win::SendMessage(FHandle, win::CB_LIMITTEXT, win::WPARAM(FMaxLength), 0);
    if (FStyle == csOwnerDrawFixed)
        win::SendMessage(FHandle, win::CB_SETITEMHEIGHT, 0, FItemHeight);
    if (FSavedIndex >= 0)
        win::SendMessage(FHandle, win::CB_SETCURSEL, win::WPARAM(FSavedIndex), 0);
    if (FStyle == csDropDown || FStyle == csSimple)
        win::SetWindowText(FHandle, text.c_str());
    FText = win::GetWindowTextString(FHandle);
}

void TCustomComboBox::DestroyWnd() {
    if (FHandle) {
        FSavedIndex = GetItemIndex();
        FDroppedWidth = int32_t(win::SendMessage(FHandle, win::CB_GETDROPPEDWIDTH, 0, 0));
        FItems->SaveFromWindow();
    }
    TWinControl::DestroyWnd();
    FEditFocused = false;
}

int32_t TCustomComboBox::GetItemIndex() {
    return HandleAllocated() ? int32_t(win::SendMessage(FHandle, win::CB_GETCURSEL, 0, 0)) : FSavedIndex;
}

void TCustomComboBox::Loaded() {
    TCustomListControl::Loaded();
    if (FLoadedIndexSet) {
        FLoadedIndexSet = false;
        SetItemIndex(FLoadedIndex);
    }
}

void TCustomComboBox::SetItemIndex(int32_t value) {
    // A layout may give the index before the items: it is kept until the whole control is read.
    if (GetComponentState().Contains(csLoading)) {
        FLoadedIndex = value;
        FLoadedIndexSet = true;
        return;
    }
    if (!HandleAllocated()) {
        FSavedIndex = value;
        FText = value >= 0 && value < GetCount() ? FItems->Get(value) : std::string();
        return;
    }
    if (GetItemIndex() == value)
        return;
    win::SendMessage(FHandle, win::CB_SETCURSEL, win::WPARAM(intptr_t(value)), 0);
    FText = win::GetWindowTextString(FHandle);
}

void TCustomComboBox::SetStyle(TComboBoxStyle value) {
    if (SetIfChanged(FStyle, value))
        RecreateWnd();
}

void TCustomComboBox::SetMaxLength(int32_t value) {
    if (value == FMaxLength)
        return;
    FMaxLength = std::max(0, value);
    if (HandleAllocated())
        win::SendMessage(FHandle, win::CB_LIMITTEXT, win::WPARAM(FMaxLength), 0);
}

void TCustomComboBox::SetCharCase(TEditCharCase value) {
    if (SetIfChanged(FCharCase, value))
        RecreateWnd();
}

void TCustomComboBox::SetDropDownCount(int32_t value) {
    if (value < 1 || value == FDropDownCount)
        return;
    FDropDownCount = value;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::CB_SETMINVISIBLE, win::WPARAM(value), 0);
}

int32_t TCustomComboBox::GetItemHeight() {
    if (HandleAllocated() && FStyle != csOwnerDrawFixed && FStyle != csOwnerDrawVariable)
        return int32_t(win::SendMessage(FHandle, win::CB_GETITEMHEIGHT, 0, 0));
    return FItemHeight;
}

void TCustomComboBox::SetItemHeight(int32_t value) {
    if (value <= 0 || value == FItemHeight)
        return;
    FItemHeight = value;
    if (HandleAllocated() && FStyle == csOwnerDrawFixed)
        win::SendMessage(FHandle, win::CB_SETITEMHEIGHT, 0, value);
}

bool TCustomComboBox::GetDroppedDown() {
    return HandleAllocated() && win::SendMessage(FHandle, win::CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool value) {
    HandleNeeded();
    win::SendMessage(FHandle, win::CB_SHOWDROPDOWN, value, 0);
}

int32_t TCustomComboBox::GetDroppedWidth() {
    return HandleAllocated() ? int32_t(win::SendMessage(FHandle, win::CB_GETDROPPEDWIDTH, 0, 0))
                             : FDroppedWidth;
}

void TCustomComboBox::SetDroppedWidth(int32_t value) {
    FDroppedWidth = value;
    if (HandleAllocated())
        win::SendMessage(FHandle, win::CB_SETDROPPEDWIDTH, win::WPARAM(value), 0);
}

int32_t TCustomComboBox::GetSelStart() {
    if (!HandleAllocated())
        return 0;
    win::DWORD a = 0, b = 0;
    win::SendMessage(FHandle, win::CB_GETEDITSEL, reinterpret_cast<win::WPARAM>(&a),
                     reinterpret_cast<win::LPARAM>(&b));
    return int32_t(a);
}

int32_t TCustomComboBox::GetSelLength() {
    if (!HandleAllocated())
        return 0;
    win::DWORD a = 0, b = 0;
    win::SendMessage(FHandle, win::CB_GETEDITSEL, reinterpret_cast<win::WPARAM>(&a),
                     reinterpret_cast<win::LPARAM>(&b));
    return int32_t(b - a);
}

void TCustomComboBox::SetSelStart(int32_t value) {
    if (HandleAllocated())
        win::SendMessage(FHandle, win::CB_SETEDITSEL, 0, win::MAKELPARAM(value, value));
}

void TCustomComboBox::SetSelLength(int32_t value) {
    if (HandleAllocated()) {
        int32_t start = GetSelStart();
        win::SendMessage(FHandle, win::CB_SETEDITSEL, 0, win::MAKELPARAM(start, start + value));
    }
}

win::HWND TCustomComboBox::GetEditHandle() {
    HandleNeeded();
    win::HWND child = win::GetWindow(FHandle, win::GW_CHILD);
    for (; child; child = win::GetWindow(child, win::GW_HWNDNEXT))
        if (win::GetWindowLong(child, win::GWL_ID) == win::COMBO_EDIT_ID)
            return child;
    return nullptr;
}

win::HWND TCustomComboBox::GetListHandle() {
    HandleNeeded();
    // The drop-down list is the popup owned by the combo box that talks to it.
    std::pair<win::HWND, win::HWND> search{FHandle, nullptr};
    win::EnumWindows(
        [](win::HWND w, win::LPARAM p) -> win::BOOL {
            auto* s = reinterpret_cast<std::pair<win::HWND, win::HWND>*>(p);
            if (win::GetProp(w, "LoomwickNotifyTarget") == reinterpret_cast<win::HANDLE>(s->first)) {
                s->second = w;
                return win::FALSE;
            }
            return win::TRUE;
        },
        reinterpret_cast<win::LPARAM>(&search));
    if (!search.second)
        for (win::HWND child = win::GetWindow(FHandle, win::GW_CHILD); child;
             child = win::GetWindow(child, win::GW_HWNDNEXT))
            if (win::GetWindowLong(child, win::GWL_ID) == win::COMBO_LIST_ID)
                return child;
    return search.second;
}

void TCustomComboBox::Clear() {
    FItems->Clear();
    SetText("");
}

void TCustomComboBox::Change() {
    if (OnChange)
        OnChange(this);
}

void TCustomComboBox::Select() {
    if (OnSelect)
        OnSelect(this);
    else
        Change();
}

void TCustomComboBox::DropDown() {
    if (OnDropDown)
        OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
    if (OnCloseUp)
        OnCloseUp(this);
}

void TCustomComboBox::DrawItem(int32_t index, const TRect& rect, TOwnerDrawState state) {
    if (OnDrawItem)
        OnDrawItem(this, index, rect, state);
    else
        TCustomListControl::DrawItem(index, rect, state);
}

void TCustomComboBox::MeasureItem(int32_t index, int32_t& height) {
    if (OnMeasureItem)
        OnMeasureItem(this, index, height);
}

void TCustomComboBox::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        switch (win::HIWORD(m.WParam)) {
        case win::CBN_EDITCHANGE:
            FText = win::GetWindowTextString(FHandle);
            Change();
            break;
        case win::CBN_SELCHANGE:
            FText = win::GetWindowTextString(FHandle);
            Click();
            Select();
            break;
        case win::CBN_DROPDOWN:
            DropDown();
            break;
        case win::CBN_CLOSEUP:
            CloseUp();
            break;
        default:
            break;
        }
        return;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORSTATIC:
        StdCtrlsColor(this, m);
        return;
    case CM_TEXTCHANGED:
        TWinControl::Dispatch(m);
        if (HandleAllocated())
            FText = win::GetWindowTextString(FHandle);
        return;
    case win::WM_CHAR:
        if (FAutoDropDown && !GetDroppedDown() && m.WParam >= 32)
            SetDroppedDown(true);
        TWinControl::Dispatch(m);
        return;
    case CM_COMBOEDITMESSAGE:
        EditWndProc(*reinterpret_cast<TMessage*>(m.LParam));
        return;
    case win::WM_SETFOCUS:
    case win::WM_KILLFOCUS:
        // With an edit field the focus passes through the combo box's window to the field, which reports
        // entering and leaving.
        if (GetEditHandle()) {
            DefaultHandler(m);
            return;
        }
        TWinControl::Dispatch(m);
        return;
    default:
        if (!OwnerDrawMessage(m))
            TWinControl::Dispatch(m);
    }
}

// ---- Check box and radio button ------------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {
    FControlStyle = TControlStyle{csSetCaption, csDoubleClicks};
    FTabStop = true;
}

void TButtonControl::CreateWnd() {
    StdCtrlsCreateWnd(this, [this] { TWinControl::CreateWnd(); });
}

void TButtonControl::ButtonParams(TCreateParams& p, win::DWORD kind) {
    RegisterButtonClass();
    TWinControl::CreateParams(p);
    p.SuperClassName = win::WC_BUTTON;
    p.Style |= kind;
    if (FAlignment == taLeftJustify)
        p.Style |= win::BS_LEFTTEXT;
    if (FWordWrap)
        p.Style |= win::BS_MULTILINE;
}

void TButtonControl::SetAlignment(TAlignment value) {
    if (SetIfChanged(FAlignment, value))
        RecreateWnd();
}

void TButtonControl::SetWordWrap(bool value) {
    if (SetIfChanged(FWordWrap, value))
        RecreateWnd();
}

void TButtonControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORSTATIC:
        StdCtrlsColor(this, m);
        return;
    case CM_DIALOGCHAR:
        if (StdCtrlsIsMyAccel(this, m)) {
            SetFocus();
            if (Focused())
                win::SendMessage(FHandle, BM_CLICK, 0, 0);
            m.Result = 1;
        }
        return;
    default:
        TWinControl::Dispatch(m);
    }
}

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TButtonControl(owner) {
    FWidth = 97;
    FHeight = 17;
}

void TCustomCheckBox::CreateParams(TCreateParams& p) {
    // The class library toggles the state itself.
    ButtonParams(p, win::BS_3STATE);
}

void TCustomCheckBox::CreateWnd() {
    TButtonControl::CreateWnd();
    win::SendMessage(FHandle, BM_SETCHECK, win::WPARAM(FState), 0);
}

void TCustomCheckBox::SetState(TCheckBoxState value) {
    if (!SetIfChanged(FState, value))
        return;
    if (HandleAllocated())
        win::SendMessage(FHandle, BM_SETCHECK, win::WPARAM(value), 0);
    if (!FClicksDisabled && !GetComponentState().Contains(csLoading))
        Click();
}

void TCustomCheckBox::Toggle() {
    switch (FState) {
    case cbUnchecked:
        SetState(FAllowGrayed ? cbGrayed : cbChecked);
        break;
    case cbChecked:
        SetState(cbUnchecked);
        break;
    case cbGrayed:
        SetState(cbChecked);
        break;
    }
}

void TCustomCheckBox::Dispatch(TMessage& m) {
    if (m.Msg == CN_COMMAND) {
        if (win::HIWORD(m.WParam) == BN_CLICKED)
            Toggle();
        return;
    }
    TButtonControl::Dispatch(m);
}

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
    FWidth = 113;
    FHeight = 17;
}

void TRadioButton::CreateParams(TCreateParams& p) {
    ButtonParams(p, win::BS_RADIOBUTTON);
}

void TRadioButton::CreateWnd() {
    TButtonControl::CreateWnd();
    win::SendMessage(FHandle, BM_SETCHECK, FChecked, 0);
}

void TRadioButton::SetChecked(bool value) {
    if (!SetIfChanged(FChecked, value))
        return;
    SetTabStop(value);
    if (HandleAllocated())
        win::SendMessage(FHandle, BM_SETCHECK, value, 0);
    if (!value)
        return;
    if (FParent)
        for (int32_t i = 0; i < FParent->GetControlCount(); ++i)
            if (auto* other = dynamic_cast<TRadioButton*>(FParent->GetControl(i)); other && other != this)
                other->SetChecked(false);
    if (!FClicksDisabled && !GetComponentState().Contains(csLoading))
        Click();
}

void TRadioButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        if (win::HIWORD(m.WParam) == BN_CLICKED)
            SetChecked(true);
        return;
    case win::WM_KEYDOWN: {
        // Arrow keys move to the next radio button of the parent and check it.
        auto key = int(m.WParam);
        if (FParent &&
            (key == win::VK_UP || key == win::VK_DOWN || key == win::VK_LEFT || key == win::VK_RIGHT)) {
            bool forward = key == win::VK_DOWN || key == win::VK_RIGHT;
            std::vector<TRadioButton*> group;
            for (int32_t i = 0; i < FParent->GetControlCount(); ++i)
                if (auto* r = dynamic_cast<TRadioButton*>(FParent->GetControl(i)); r && r->CanFocus())
                    group.push_back(r);
            std::stable_sort(group.begin(), group.end(), [](TRadioButton* a, TRadioButton* b) {
                return a->GetTabOrder() < b->GetTabOrder();
            });
            auto it = std::find(group.begin(), group.end(), this);
            if (group.size() > 1 && it != group.end()) {
                size_t at = size_t(it - group.begin());
                size_t next = forward ? (at + 1) % group.size() : (at + group.size() - 1) % group.size();
                group[next]->SetFocus();
                group[next]->SetChecked(true);
                return;
            }
        }
        TButtonControl::Dispatch(m);
        return;
    }
    default:
        TButtonControl::Dispatch(m);
    }
}

// ---- TCustomGroupBox -----------------------------------------------------------------------------------

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TCustomControl(owner) {
    FControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents,
                                  csSetCaption,      csDoubleClicks, csReplicatable};
    FWidth = 185;
    FHeight = 105;
    FColor = clBtnFace;
    FParentColor = true;
}

void TCustomGroupBox::AdjustClientRect(TRect& rect) {
    TWinControl::AdjustClientRect(rect);
    // The caption's line and the frame.
    FCanvas->SetFont(FFont.get());
    int32_t h = FCanvas->TextHeight("0");
    rect = {rect.Left + 2, rect.Top + h, rect.Right - 2, rect.Bottom - 2};
}

void TCustomGroupBox::Paint() {
    TCanvas* c = FCanvas.get();
    c->SetFont(FFont.get());
    c->GetBrush()->SetColor(FColor);
    TRect client = GetClientRect();
    c->FillRect(client);
    int32_t h = c->TextHeight("0");
    TRect frame{0, h / 2, client.Right, client.Bottom};
    win::DrawEdge(c->GetHandle(), &frame, win::EDGE_ETCHED, win::BF_RECT);
    std::string text = GetCaption();
    if (text.empty())
        return;
    TRect calc{0, 0, 0, 0};
    win::DrawText(c->GetHandle(), text.c_str(), -1, &calc, win::DT_SINGLELINE | win::DT_CALCRECT);
    TRect tr{8, 0, 8 + calc.Width() + 2, h};
    c->FillRect(tr);
    win::SetBkMode(c->GetHandle(), win::TRANSPARENT);
    win::SetTextColor(c->GetHandle(),
                      win::COLORREF(ColorToRGB(GetEnabled() ? FFont->GetColor() : TColor(clGrayText))));
    TRect t{9, 0, tr.Right, h};
    win::DrawText(c->GetHandle(), text.c_str(), -1, &t, win::DT_SINGLELINE | win::DT_LEFT | win::DT_TOP);
}

void TCustomGroupBox::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_DIALOGCHAR:
        // Its accelerator focuses the first control inside it.
        if (IsAccel(uint16_t(m.WParam), GetCaption()) && CanFocus()) {
            SelectFirst();
            m.Result = 1;
        }
        return;
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        TCustomControl::Dispatch(m);
        Invalidate();
        Realign();
        return;
    default:
        TCustomControl::Dispatch(m);
    }
}

// ---- TCustomLabel --------------------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    FControlStyle =
        TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csReplicatable, csDoubleClicks};
    FWidth = 65;
    FHeight = 17;
    FColor = clBtnFace;
    FParentColor = true;
}

void TCustomLabel::DoDrawText(TRect& rect, win::UINT flags) {
    std::string text = GetLabelText();
    if ((flags & win::DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == "&")))
        text = " "; // an empty label keeps the height of a line
    if (!FShowAccelChar)
        flags |= win::DT_NOPREFIX;
    win::HDC dc = FCanvas->GetHandle();
    FCanvas->SetFont(FFont.get());
    win::SelectObject(dc, FFont->GetHandle());
    win::SetBkMode(dc, win::TRANSPARENT);
    if (!GetEnabled() && !(flags & win::DT_CALCRECT)) {
        TRect shifted{rect.Left + 1, rect.Top + 1, rect.Right + 1, rect.Bottom + 1};
        win::SetTextColor(dc, win::GetSysColor(win::COLOR_BTNHIGHLIGHT));
        win::DrawText(dc, text.c_str(), -1, &shifted, flags);
        win::SetTextColor(dc, win::GetSysColor(win::COLOR_BTNSHADOW));
    } else {
        win::SetTextColor(dc, win::COLORREF(ColorToRGB(FFont->GetColor())));
    }
    win::DrawText(dc, text.c_str(), -1, &rect, flags);
}

void TCustomLabel::Paint() {
    TRect r = GetClientRect();
    if (!FTransparent) {
        FCanvas->GetBrush()->SetColor(FColor);
        FCanvas->FillRect(r);
    }
    win::UINT flags = win::DT_EXPANDTABS | (FWordWrap ? win::DT_WORDBREAK : 0);
    flags |= FAlignment == taRightJustify ? win::DT_RIGHT
             : FAlignment == taCenter     ? win::DT_CENTER
                                          : win::DT_LEFT;
    if (FLayout != tlTop) {
        // Measure, then move the text down.
        TRect calc = r;
        DoDrawText(calc, flags | win::DT_CALCRECT);
        int32_t offset = FLayout == tlBottom ? r.Height() - calc.Height() : (r.Height() - calc.Height()) / 2;
        r.Top += offset;
    }
    DoDrawText(r, flags);
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::AdjustBounds() {
    // Measured on the screen's DC: the parent's window need not exist yet (a form read from its layout).
    if (!FAutoSize || GetComponentState().Contains(csLoading) || !FParent)
        return;
    win::HDC dc = win::GetDC(nullptr);
    if (!dc)
        return;
    FCanvas->SetHandle(dc);
    TRect r{0, 0, FWordWrap ? FWidth : 0, 0};
    DoDrawText(r, win::DT_EXPANDTABS | win::DT_CALCRECT | (FWordWrap ? win::DT_WORDBREAK : 0));
    FCanvas->SetHandle(nullptr);
    win::ReleaseDC(nullptr, dc);
    int32_t left = FLeft;
    // Right-aligned labels keep their right edge, centred ones their middle.
    if (FAlignment == taRightJustify)
        left = FLeft + FWidth - r.Width();
    else if (FAlignment == taCenter)
        left = FLeft + (FWidth - r.Width()) / 2;
    SetBounds(left, FTop, r.Width(), r.Height());
}

void TCustomLabel::SetAlignment(TAlignment value) {
    if (SetIfChanged(FAlignment, value))
        Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
    if (SetIfChanged(FLayout, value))
        Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
    if (!SetIfChanged(FWordWrap, value))
        return;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
    if (!SetIfChanged(FShowAccelChar, value))
        return;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
    if (!SetIfChanged(FTransparent, value))
        return;
    if (value)
        FControlStyle.Exclude(csOpaque);
    else
        FControlStyle.Include(csOpaque);
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool value) {
    if (SetIfChanged(FAutoSize, value))
        AdjustBounds();
}

void TCustomLabel::SetFocusControl(TWinControl* value) {
    if (value == FFocusControl)
        return;
    if (FFocusControl)
        FFocusControl->RemoveFreeNotification(this);
    FFocusControl = value;
    if (value)
        value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == FFocusControl)
        FFocusControl = nullptr;
}

void TCustomLabel::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        TGraphicControl::Dispatch(m);
        AdjustBounds();
        Invalidate();
        return;
    case CM_DIALOGCHAR:
        // The label's accelerator focuses the control it names.
        if (FFocusControl && GetEnabled() && FShowAccelChar && IsAccel(uint16_t(m.WParam), GetCaption()) &&
            FFocusControl->CanFocus()) {
            FFocusControl->SetFocus();
            m.Result = 1;
        }
        return;
    default:
        TGraphicControl::Dispatch(m);
    }
}

} // namespace vcl

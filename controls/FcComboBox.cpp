#include "controls/FcComboBox.h"

#include "controls/FcCommon.h"
#include "controls/FcThemeServices.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Scope.h"
#include "platform/win/kernel/Utf16.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

#include <algorithm>

namespace controls {

namespace {

bool ComboContinuation(char c) { return (uint8_t(c) & 0xC0) == 0x80; }

// A byte offset moved back onto the start of the character it falls in, and into the text.
size_t ComboClamp(const std::string& s, int32_t pos) {
    size_t p = size_t(std::clamp<int32_t>(pos, 0, int32_t(s.size())));
    while (p > 0 && p < s.size() && ComboContinuation(s[p]))
        --p;
    return p;
}

// The start of the character before pos.
size_t ComboPrevChar(const std::string& s, size_t pos) {
    if (pos == 0)
        return 0;
    --pos;
    while (pos > 0 && ComboContinuation(s[pos]))
        --pos;
    return pos;
}

// The end of the character at pos.
size_t ComboNextChar(const std::string& s, size_t pos) {
    if (pos >= s.size())
        return s.size();
    ++pos;
    while (pos < s.size() && ComboContinuation(s[pos]))
        ++pos;
    return pos;
}

size_t ComboCharCount(const std::string& s) {
    return size_t(std::count_if(s.begin(), s.end(), [](char c) { return !ComboContinuation(c); }));
}

// The byte offset where character n starts (the end when the text is shorter).
size_t ComboOffsetOfChar(const std::string& s, size_t n) {
    size_t pos = 0;
    for (size_t i = 0; i < n && pos < s.size(); ++i)
        pos = ComboNextChar(s, pos);
    return pos;
}

bool ComboPrintable(uint32_t key) { return key >= 32 && key != 127; }

TRect ComboShrunk(const TRect& r, int32_t by) { return {r.Left + by, r.Top + by, r.Right - by, r.Bottom - by}; }

vcl::TOwnerDrawState ComboDrawState(win::UINT bits) {
    vcl::TOwnerDrawState state;
    const std::pair<win::UINT, vcl::TOwnerDrawStateItem> map[] = {
        {win::ODS_SELECTED, vcl::odSelected}, {win::ODS_GRAYED, vcl::odGrayed},
        {win::ODS_DISABLED, vcl::odDisabled}, {win::ODS_CHECKED, vcl::odChecked},
        {win::ODS_FOCUS, vcl::odFocused},     {win::ODS_DEFAULT, vcl::odDefault},
        {win::ODS_COMBOBOXEDIT, vcl::odComboBoxEdit}};
    for (const auto& [bit, item] : map)
        if (bits & bit)
            state.Include(item);
    return state;
}

} // namespace

// ---- Construction and settings ------------------------------------------------------------------------

TFcCustomComboBox::TFcCustomComboBox(vcl::TComponent* owner)
    : vcl::TCustomComboBox(owner), TFcFramedControl(this), FSearchTimer(std::make_unique<vcl::TTimer>(nullptr)),
      FPaintCanvas(std::make_unique<vcl::TControlCanvas>()) {
    FSearchTimer->SetEnabled(false);
    FSearchTimer->SetInterval(ComboSearchResetMs);
    FSearchTimer->SetOnTimer([this](vcl::TObject*) { SearchTimerFired(); });
    FPaintCanvas->SetControl(this);
    FNormalColor = vcl::TCustomComboBox::GetColor();
}

TFcCustomComboBox::~TFcCustomComboBox() {
    *FAlive = false;
    FSearchTimer.reset();
    UnlinkFrameController();
}

void TFcCustomComboBox::SetReadOnly(bool value) {
    if (!vcl::SetIfChanged(FReadOnly, value))
        return;
    if (HandleAllocated())
        if (win::HWND edit = GetEditHandle())
            win::SendMessage(edit, win::EM_SETREADONLY, value, 0);
    Invalidate();
}

void TFcCustomComboBox::SetDropDownWidth(int32_t value) { SetDroppedWidth(value); }

void TFcCustomComboBox::SetItemHeightValue(int32_t value) {
    const int32_t before = GetItemHeight();
    SetItemHeight(value);
    if (before != GetItemHeight() && HandleAllocated() &&
        (GetStyle() == vcl::csOwnerDrawFixed || GetStyle() == vcl::csOwnerDrawVariable))
        RecreateWnd();
}

void TFcCustomComboBox::FrameVisibleChanged() {
    // The frame is drawn in place of the 3-D look.
    SetParentCtl3D(!FFrame.FrameVisible);
    SetCtl3D(!FFrame.FrameVisible);
    Invalidate();
}

void TFcCustomComboBox::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TCustomComboBox::Notification(component, operation);
    FrameControllerNotification(component, operation);
}

void TFcCustomComboBox::DefineProperties(vcl::TFiler* filer) {
    vcl::TCustomComboBox::DefineProperties(filer);
    DefineLegacyFrameReaders(filer);
}

void TFcCustomComboBox::Loaded() {
    vcl::TCustomComboBox::Loaded();
    UpdateColors();
    FFocused = false;
    FMouseOver = false;
}

void TFcCustomComboBox::CreateWnd() {
    vcl::TCustomComboBox::CreateWnd();
    if (FReadOnly)
        if (win::HWND edit = GetEditHandle())
            win::SendMessage(edit, win::EM_SETREADONLY, 1, 0);
}

// ---- Colours and frame state ----------------------------------------------------------------------------

void TFcCustomComboBox::SetColor(TColor value) {
    FNormalColor = value;
    if (Loading())
        ApplyColor(value);
    else
        UpdateColors();
}

void TFcCustomComboBox::ApplyColor(TColor value) { vcl::TCustomComboBox::SetColor(value); }

void TFcCustomComboBox::UpdateColors() { ApplyColor(StateColor(FFocused, FNormalColor)); }

void TFcCustomComboBox::UpdateFrameState(bool isOver, bool value) {
    if (isOver)
        FMouseOver = value;
    else
        FFocused = value;
    if ((FFrame.FlatButtons || FFrame.FrameHotTrack) && HandleAllocated() && !GetDroppedDown()) {
        TRect r{0, 0, GetWidth(), GetHeight()};
        if (!FFrame.FrameHotTrack)
            r.Left = r.Right - win::GetSystemMetrics(win::SM_CXVSCROLL) - 2;
        win::RedrawWindow(GetHandle(), &r, nullptr, win::RDW_INVALIDATE | win::RDW_UPDATENOW | win::RDW_NOERASE);
    }
    UpdateColors();
}

void TFcCustomComboBox::DoEnter() {
    vcl::TCustomComboBox::DoEnter();
    UpdateFrameState(false, true);
}

void TFcCustomComboBox::DoExit() {
    auto alive = FAlive;
    vcl::TCustomComboBox::DoExit();
    if (!*alive)
        return;
    FSearchText.clear();
    FSearchTimer->SetEnabled(false);
    if (GetStyle() == vcl::csDropDown && HandleAllocated()) {
        const std::string text = win::GetWindowTextString(GetHandle());
        if (!text.empty() && IndexOfItem(text) < 0)
            DoNotInList();
        if (!*alive)
            return;
    }
    UpdateFrameState(false, false);
}

void TFcCustomComboBox::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TFcCustomComboBox::MouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
}

// ---- Finding and completing -----------------------------------------------------------------------------

int32_t TFcCustomComboBox::FindItem(const std::string& s) {
    HandleNeeded();
    const auto found = win::SendMessage(GetHandle(), win::CB_FINDSTRING, win::WPARAM(-1),
                                        reinterpret_cast<win::LPARAM>(s.c_str()));
    return found < 0 ? -1 : int32_t(found);
}

int32_t TFcCustomComboBox::IndexOfItem(const std::string& s) {
    HandleNeeded();
    const auto found = win::SendMessage(GetHandle(), win::CB_FINDSTRINGEXACT, win::WPARAM(-1),
                                        reinterpret_cast<win::LPARAM>(s.c_str()));
    return found < 0 ? -1 : int32_t(found);
}

void TFcCustomComboBox::ChangeText(const std::string& s) {
    if (GetText() == s && (!HandleAllocated() || win::GetWindowTextString(GetHandle()) == s))
        return;
    FSuppress = true;
    vcl::ScopeExit done([this]() noexcept { FSuppress = false; });
    SetText(s);
}

void TFcCustomComboBox::InvalidKeyBeep() {
    if (FBeepOnInvalidKey)
        win::MessageBeep(0);
}

bool TFcCustomComboBox::KeyPressEvent(uint32_t& key) {
    // The event's character holds ASCII only; other characters pass it by unchanged.
    if (key >= 0x80)
        return true;
    char c = char(key);
    const bool eaten = DoKeyPress(c);
    key = uint8_t(c);
    return !eaten && key != 0;
}

void TFcCustomComboBox::EditSel(int32_t& start, int32_t& end) {
    win::DWORD a = 0, b = 0;
    win::SendMessage(GetHandle(), win::CB_GETEDITSEL, reinterpret_cast<win::WPARAM>(&a),
                     reinterpret_cast<win::LPARAM>(&b));
    start = int32_t(std::min(a, b));
    end = int32_t(std::max(a, b));
}

void TFcCustomComboBox::SetEditSel(int32_t start, int32_t end) {
    win::SendMessage(GetHandle(), win::CB_SETEDITSEL, 0, win::MAKELPARAM(start, end));
}

bool TFcCustomComboBox::AutoCompleteKey(const std::string& s, uint32_t key) {
    const int32_t i = FindItem(s);
    if (i < 0)
        return false;
    auto alive = FAlive;
    const std::string item = GetItems()->Get(i);
    if (FKeepSearchCase) {
        // The typed part keeps the user's letter case.
        ChangeText(s + item.substr(ComboOffsetOfChar(item, ComboCharCount(s))));
    } else {
        SetItemIndex(i);
        if (win::GetWindowTextString(GetHandle()) != item)
            ChangeText(item);
    }
    Click();
    if (!*alive)
        return true;
    Change();
    if (!*alive)
        return true;
    if (key != 0) {
        KeyPressEvent(key);
        if (!*alive)
            return true;
    }
    const std::string text = win::GetWindowTextString(GetHandle());
    SetEditSel(int32_t(ComboOffsetOfChar(text, ComboCharCount(s))), int32_t(text.size()));
    DoMatch();
    return true;
}

void TFcCustomComboBox::FindAndSelect(const std::string& s, uint32_t key) {
    const int32_t i = FindItem(s);
    if (i < 0) {
        InvalidKeyBeep();
        return;
    }
    auto alive = FAlive;
    SetItemIndex(i);
    FSearchText = s;
    Click();
    if (!*alive)
        return;
    Change();
    if (*alive && key != 0)
        KeyPressEvent(key);
}

void TFcCustomComboBox::DoMatch() {
    if (OnMatch)
        OnMatch(this);
}

void TFcCustomComboBox::DoNotInList() {
    if (OnNotInList)
        OnNotInList(this);
}

void TFcCustomComboBox::DoSelEndOk() {
    if (OnSelEndOk)
        OnSelEndOk(this);
}

void TFcCustomComboBox::DoSelEndCancel() {
    if (OnSelEndCancel)
        OnSelEndCancel(this);
}

void TFcCustomComboBox::DoDeleteItem(void* data) {
    if (OnDeleteItem)
        OnDeleteItem(this, data);
}

// ---- The edit field ---------------------------------------------------------------------------------------

void TFcCustomComboBox::EditWndProc(vcl::TMessage& m) {
    if (Designing()) {
        vcl::TCustomComboBox::EditWndProc(m);
        return;
    }
    switch (m.Msg) {
    case win::WM_KEYDOWN:
        if (EditKeyDown(m))
            return;
        break;
    case win::WM_SYSKEYDOWN:
        FSysKey = true;
        if (FReadOnly && m.WParam != win::WPARAM(win::VK_F4))
            return;
        break;
    case win::WM_CHAR:
        if (EditChar(m))
            return;
        break;
    case win::WM_LBUTTONDOWN:
        if (FAutoComplete && GetStyle() == vcl::csDropDown)
            FSearchText = win::GetWindowTextString(GetHandle());
        break;
    case win::WM_PASTE:
    case win::WM_CUT:
        if (!FAllowEdit)
            return;
        vcl::TCustomComboBox::EditWndProc(m);
        CompleteAfterPaste();
        return;
    default:
        break;
    }
    vcl::TCustomComboBox::EditWndProc(m);
}

bool TFcCustomComboBox::EditKeyDown(vcl::TMessage& m) {
    FSysKey = false;
    if (!FAutoComplete)
        return false;
    const auto key = int(m.WParam);
    const bool shift = win::GetKeyState(win::VK_SHIFT) < 0;
    switch (key) {
    case win::VK_PRIOR:
    case win::VK_NEXT:
    case win::VK_UP:
    case win::VK_DOWN:
        FSuppress = true;
        FSearchText.clear();
        return FReadOnly;
    case win::VK_END:
    case win::VK_HOME:
    case win::VK_LEFT:
    case win::VK_RIGHT:
        FSearchText = win::GetWindowTextString(GetHandle());
        return false;
    case win::VK_INSERT:
        if (!FAllowEdit)
            return true;
        if (shift) {
            auto alive = FAlive;
            vcl::TCustomComboBox::EditWndProc(m);
            if (*alive)
                CompleteAfterPaste();
            return true;
        }
        return false;
    case win::VK_DELETE: {
        const std::string text = win::GetWindowTextString(GetHandle());
        int32_t start = 0, end = 0;
        EditSel(start, end);
        const size_t from = ComboClamp(text, start);
        size_t to = ComboClamp(text, end);
        if (!FAllowEdit && !(from == 0 && to >= text.size()))
            return true;
        if (to <= from)
            to = ComboNextChar(text, from); // at least one whole character
        FSearchText = text;
        FSearchText.erase(from, to - from);
        return false;
    }
    case win::VK_F4:
        return FReadOnly;
    default:
        return false;
    }
}

bool TFcCustomComboBox::EditChar(vcl::TMessage& m) {
    auto key = uint32_t(m.WParam);
    if (FSysKey) {
        FSysKey = false;
        return false;
    }
    if (FReadOnly)
        return key != 3; // Ctrl+C still copies
    if (!FAutoComplete)
        return false;
    FInKey = true;
    auto alive = FAlive;
    vcl::ScopeExit done([this, alive]() noexcept {
        if (*alive)
            FInKey = false;
    });
    switch (key) {
    case 8:
        return EditBackspace(m);
    case 13:
        if (GetDroppedDown())
            DoSelEndOk();
        if (*alive)
            FEnter = true;
        return false;
    case 22:
    case 24:
        if (!FAllowEdit)
            return true;
        vcl::TCustomComboBox::EditWndProc(m);
        if (*alive)
            CompleteAfterPaste();
        return true;
    case 27: {
        const bool dropped = GetDroppedDown();
        if (!dropped)
            SetItemIndex(-1);
        FSearchText.clear();
        Click();
        if (!*alive)
            return true;
        Change();
        if (!*alive)
            return true;
        uint32_t esc = 27;
        KeyPressEvent(esc);
        return !dropped;
    }
    default:
        if (ComboPrintable(key))
            return EditPrintable(m, key);
        return false;
    }
}

bool TFcCustomComboBox::EditBackspace(vcl::TMessage& m) {
    std::string s = FSearchText;
    if (s.empty()) {
        InvalidKeyBeep();
        return !FAllowEdit;
    }
    auto alive = FAlive;
    int32_t start = 0, end = 0;
    EditSel(start, end);
    const size_t caret = ComboClamp(s, start);
    const size_t selEnd = ComboClamp(s, end);
    if (size_t(start) >= s.size()) {
        s.erase(ComboPrevChar(s, s.size())); // the last whole character
    } else if (end > start && FAllowEdit) {
        s.erase(caret, std::max(selEnd, caret) - caret);
        SetEditSel(int32_t(caret), int32_t(caret));
        win::SendMessage(GetHandle(), win::CB_SETCURSEL, win::WPARAM(-1), 0);
    } else if (FAllowEdit && caret > 0) {
        const size_t prev = ComboPrevChar(s, caret);
        s.erase(prev, caret - prev);
    }
    Change();
    if (!*alive)
        return true;
    if (s.empty()) {
        SetItemIndex(-1);
        if (FKeepSearchCase)
            ChangeText("");
        FSearchText.clear();
        Click();
        if (!*alive)
            return true;
        Change();
        if (!*alive)
            return true;
        uint32_t backspace = 8;
        KeyPressEvent(backspace);
        return true;
    }
    FSearchText = s;
    if (AutoCompleteKey(s, 0))
        return true;
    if (!FAllowEdit)
        return true;
    (void)m;
    return false;
}

bool TFcCustomComboBox::EditPrintable(vcl::TMessage& m, uint32_t key) {
    auto alive = FAlive;
    if (!KeyPressEvent(key))
        return true;
    if (!*alive)
        return true;
    m.WParam = win::WPARAM(key);
    if (!ComboPrintable(key)) {
        DefaultEditHandler(m);
        return true;
    }
    const std::string before = FSearchText;
    std::string s = FSearchText;
    int32_t start = 0, end = 0;
    EditSel(start, end);
    const size_t caret = ComboClamp(s, start);
    if (end > start && caret < s.size())
        s.erase(caret, ComboClamp(s, end) - caret);
    std::string typed;
    win::AppendUtf8(typed, char32_t(key));
    s.insert(std::min(caret, s.size()), typed);
    const std::string textBefore = win::GetWindowTextString(GetHandle());
    FSearchText = s;
    if (AutoCompleteKey(s, 0))
        return true;
    if (!*alive)
        return true;
    if (FAllowEdit) {
        // No item begins so: the character goes in as typed, over what was selected.
        ChangeText(textBefore);
        SetEditSel(start, end);
        DefaultEditHandler(m);
        return true;
    }
    InvalidKeyBeep();
    FSearchText = before;
    return true;
}

void TFcCustomComboBox::CompleteAfterPaste() {
    FSearchText = win::GetWindowTextString(GetHandle());
    AutoCompleteKey(FSearchText, 0);
}

// ---- A list-only box's search -----------------------------------------------------------------------------

bool TFcCustomComboBox::SearchChar(uint32_t key) {
    if (FReadOnly)
        return key == 8 || key == 27 || ComboPrintable(key);
    FInKey = true;
    auto alive = FAlive;
    vcl::ScopeExit done([this, alive]() noexcept {
        if (*alive)
            FInKey = false;
    });
    if (key == 8) {
        if (FSearchText.empty()) {
            InvalidKeyBeep();
            FindAndSelect("", 8);
            return true;
        }
        std::string s = FSearchText;
        s.erase(ComboPrevChar(s, s.size()));
        if (!s.empty()) {
            FindAndSelect(s, 8);
            if (*alive && FSearchText != s && FindItem(s) < 0)
                FSearchText = s; // the shorter text stands, whether or not it matched
            return true;
        }
        if (GetCount() > 0)
            SetItemIndex(0);
        Click();
        if (!*alive)
            return true;
        Change();
        if (!*alive)
            return true;
        uint32_t backspace = 8;
        KeyPressEvent(backspace);
        if (*alive)
            FSearchText.clear();
        return true;
    }
    if (key == 27) {
        if (FEscClosedList) {
            FEscClosedList = false;
        } else if (GetCount() > 0) {
            SetItemIndex(0);
            Click();
            if (!*alive)
                return true;
            Change();
            if (!*alive)
                return true;
        }
        FSearchText.clear();
        return false;
    }
    if (!ComboPrintable(key))
        return false;
    std::string s = FSearchText;
    win::AppendUtf8(s, char32_t(key));
    FindAndSelect(s, key);
    if (*alive)
        RestartSearchTimer();
    return true;
}

void TFcCustomComboBox::RestartSearchTimer() {
    FSearchTimer->SetEnabled(false);
    FSearchTimer->SetEnabled(true);
}

void TFcCustomComboBox::SearchTimerFired() {
    if (FInKey)
        return;
    FSearchTimer->SetEnabled(false);
    FSearchText.clear();
}

// ---- Keys and the wheel ------------------------------------------------------------------------------------

void TFcCustomComboBox::KeyDown(uint16_t& key, vcl::TShiftState shift) {
    if (key == win::VK_ESCAPE) {
        FEscClosedList = GetDroppedDown();
        FSearchText.clear();
    } else if (key >= win::VK_PRIOR && key <= win::VK_DOWN) {
        FSearchText.clear();
    }
    vcl::TCustomComboBox::KeyDown(key, shift);
}

void TFcCustomComboBox::KeyPress(char& key) {
    if (FTabOnEnter && key == '\r' && !GetDroppedDown()) {
        key = 0;
        win::PostMessage(GetHandle(), win::WM_KEYDOWN, win::WPARAM(win::VK_TAB), 0);
        return;
    }
    if (GetStyle() == vcl::csDropDown && ComboPrintable(uint8_t(key)) && GetMaxLength() > 0 &&
        HandleAllocated()) {
        int32_t start = 0, end = 0;
        EditSel(start, end);
        if (int32_t(ComboCharCount(win::GetWindowTextString(GetHandle()))) >= GetMaxLength() && start == end) {
            InvalidKeyBeep();
            key = 0;
            return;
        }
    }
    auto alive = FAlive;
    vcl::TCustomComboBox::KeyPress(key);
    if (!*alive || !GetAutoDropDown() || key == 0)
        return;
    if (key == '\t') {
        if (GetDroppedDown())
            SetDroppedDown(false);
    } else if (key != '\b' && key != 27 && !GetDroppedDown()) {
        SetDroppedDown(true);
    }
}

bool TFcCustomComboBox::DoMouseWheel(vcl::TShiftState shift, int32_t wheelDelta, win::TPoint mousePos) {
    vcl::TCustomComboBox::DoMouseWheel(shift, wheelDelta, mousePos);
    return true;
}

bool TFcCustomComboBox::DoMouseWheelDown(vcl::TShiftState, win::TPoint) {
    if (GetDroppedDown()) {
        win::UINT lines = 3;
        win::SystemParametersInfo(win::SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        const auto top = int32_t(win::SendMessage(GetHandle(), win::CB_GETTOPINDEX, 0, 0));
        win::SendMessage(GetHandle(), win::CB_SETTOPINDEX, win::WPARAM(top + int32_t(lines)), 0);
        return true;
    }
    const int32_t index = GetItemIndex();
    WheelSelect(index < 0 ? 0 : std::min(index + 1, GetCount() - 1));
    return true;
}

bool TFcCustomComboBox::DoMouseWheelUp(vcl::TShiftState, win::TPoint) {
    if (GetDroppedDown()) {
        win::UINT lines = 3;
        win::SystemParametersInfo(win::SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        const auto top = int32_t(win::SendMessage(GetHandle(), win::CB_GETTOPINDEX, 0, 0));
        win::SendMessage(GetHandle(), win::CB_SETTOPINDEX, win::WPARAM(std::max(0, top - int32_t(lines))), 0);
        return true;
    }
    const int32_t index = GetItemIndex();
    WheelSelect(index < 0 ? 0 : std::max(index - 1, 0));
    return true;
}

void TFcCustomComboBox::WheelSelect(int32_t index) {
    // Click and Change only for a real move; an empty list has nothing to select.
    if (GetCount() == 0 || index == GetItemIndex())
        return;
    auto alive = FAlive;
    SetItemIndex(index);
    Click();
    if (*alive)
        Change();
}

void TFcCustomComboBox::CloseUp() {
    auto alive = FAlive;
    vcl::TCustomComboBox::CloseUp();
    if (*alive)
        Invalidate();
}

// ---- Painting ----------------------------------------------------------------------------------------------

TRect TFcCustomComboBox::ButtonRect() const {
    const int32_t b = GetThemeServices()->ThemesEnabled() ? 1 : 2;
    const int32_t w = win::GetSystemMetrics(win::SM_CXVSCROLL);
    const int32_t width = GetWidth(), height = GetHeight();
    if (const_cast<TFcCustomComboBox*>(this)->UseRightToLeftAlignment())
        return {b, b, b + w, height - b};
    return {width - w - b, b, width - b, height - b};
}

void TFcCustomComboBox::PaintOver() {
    if (!HandleAllocated())
        return;
    win::HDC dc = win::GetDC(GetHandle());
    if (!dc)
        return;
    vcl::TCanvas canvasObject;
    canvasObject.SetHandle(dc);
    vcl::TCanvas* c = &canvasObject;
    TThemeServices* themes = GetThemeServices();
    const bool themed = themes->ThemesEnabled();
    const bool rightToLeft = UseRightToLeftAlignment();
    const TColor color = GetColor();
    const TRect client{0, 0, GetWidth(), GetHeight()};
    const TRect button = ButtonRect();
    const bool framed = FFrame.FrameVisible && !UseThemes();
    const bool dropped = GetDroppedDown();
    auto fill = [&](const TRect& r, TColor fillColor) {
        c->GetBrush()->SetStyle(vcl::bsSolid);
        c->GetBrush()->SetColor(fillColor);
        c->FillRect(r);
    };
    auto themedGap = [&] {
        if (color == vcl::clWhite)
            return;
        TRect gap = client;
        if (rightToLeft)
            gap.Left = button.Right;
        else
            gap.Right = button.Left;
        PaintBevel(c, ComboShrunk(gap, 1), color, color, 2);
    };
    if (framed) {
        if (themed) {
            if (color != vcl::clWhite)
                PaintBevel(c, client, color, color, 1);
            themedGap();
        } else {
            PaintBevel(c, client, color, color, 2); // wipes the 3-D border
        }
    } else if (themed) {
        themedGap();
    }
    if (themed) {
        if (rightToLeft)
            fill({button.Right, button.Top, button.Right + 2, button.Bottom}, color);
        else
            fill({button.Left - 3, button.Top, button.Left, button.Bottom}, color);
    }
    if (FReadOnly) {
        fill(button, color);
    } else if (FFrame.FlatButtons) {
        if (!IsHot()) {
            fill(button, color);
            PaintDropDownArrow(c, button, themed, false, GetEnabled());
        } else if (themed) {
            themes->PaintElement(dc, themes->DetailsForComboBox(dropped ? tcDropDownButtonPressed : tcDropDownButtonHot),
                                 button);
        } else {
            if (FFrame.FlatButtonColor == vcl::clBtnFace) {
                fill(button, FFrame.FlatButtonColor);
                PaintBevel(c, button, dropped ? vcl::clBtnShadow : vcl::clBtnHighlight,
                           dropped ? vcl::clBtnHighlight : vcl::clBtnShadow, 1);
            } else {
                fill(button, FFrame.FlatButtonColor);
                PaintColorStyleBorder(c, button, FFrame.FlatButtonColor, dropped ? fsStatus : fsPopup);
            }
            PaintDropDownArrow(c, button, false, dropped, GetEnabled());
        }
    }
    if (framed) {
        const bool hot = FFrame.FrameHotTrack && IsHot();
        const TFrameStyle style = hot ? FFrame.FrameHotStyle : FFrame.FrameStyle;
        const TColor frameColor = hot ? FFrame.FrameHotColor : FFrame.FrameColor;
        if (style == fsFlat)
            PaintSides(c, client, frameColor, frameColor, FFrame.FrameSides);
        else if (style == fsFlatBold)
            PaintBevel(c, client, frameColor, frameColor, 2, FFrame.FrameSides);
        else if (color == vcl::clWindow)
            PaintStyleBorderSides(c, client, style, FFrame.FrameSides);
        else
            PaintColorStyleBorderSides(c, client, color, style, FFrame.FrameSides);
    }
    canvasObject.SetHandle(nullptr);
    win::ReleaseDC(GetHandle(), dc);
}

void TFcCustomComboBox::DrawOwnerItem(const win::DRAWITEMSTRUCT& dis) {
    const vcl::TOwnerDrawState state = ComboDrawState(dis.itemState);
    vcl::TCanvas* canvas = GetCanvas();
    vcl::TCanvasDCScope lent(canvas, dis.hDC);
    canvas->SetFont(GetFont());
    canvas->GetBrush()->SetStyle(vcl::bsSolid);
    canvas->GetBrush()->SetColor(GetColor());
    const auto index = int32_t(dis.itemID);
    const bool valid = index >= 0 && index < GetCount();
    if (state.Contains(vcl::odSelected)) {
        canvas->GetBrush()->SetColor(vcl::clHighlight);
        canvas->GetFont()->SetColor(vcl::clHighlightText);
        if (valid)
            DrawItem(index, dis.rcItem, state);
        PaintFocusBorder(canvas, dis.rcItem);
    } else if (valid) {
        DrawItem(index, dis.rcItem, state);
    } else {
        canvas->FillRect(dis.rcItem);
    }
}

// ---- Messages ----------------------------------------------------------------------------------------------

void TFcCustomComboBox::Dispatch(vcl::TMessage& m) {
    auto alive = FAlive;
    switch (m.Msg) {
    case win::WM_CHAR:
        if (ListOnly() && !Designing() && SearchChar(uint32_t(m.WParam)))
            return;
        vcl::TCustomComboBox::Dispatch(m);
        return;
    case win::WM_PAINT:
        vcl::TCustomComboBox::Dispatch(m);
        if (*alive)
            PaintOver();
        return;
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
        if (FReadOnly)
            return;
        vcl::TCustomComboBox::Dispatch(m);
        return;
    case vcl::CN_COMMAND:
        switch (win::HIWORD(m.WParam)) {
        case win::CBN_EDITCHANGE:
            if (!Designing() && !FSuppress && !GetDroppedDown() && GetStyle() == vcl::csDropDown && FAutoComplete) {
                if (FEnter) {
                    FEnter = false;
                } else {
                    // A change the keys did not complete (a paste, a character taken as typed).
                    const std::string text = win::GetWindowTextString(GetHandle());
                    FSearchText = text;
                    const int32_t i = text.empty() ? -1 : FindItem(text);
                    if (i >= 0) {
                        win::SendMessage(GetHandle(), win::CB_SETCURSEL, win::WPARAM(i), 0);
                        const std::string shown = win::GetWindowTextString(GetHandle());
                        SetEditSel(int32_t(ComboOffsetOfChar(shown, ComboCharCount(text))), int32_t(shown.size()));
                    }
                }
            }
            FSuppress = false;
            break;
        case win::CBN_SELENDOK:
            FSuppress = true;
            DoSelEndOk();
            break;
        case win::CBN_SELENDCANCEL:
            DoSelEndCancel();
            break;
        default:
            break;
        }
        if (*alive)
            vcl::TCustomComboBox::Dispatch(m);
        return;
    case vcl::CN_DRAWITEM:
        DrawOwnerItem(*reinterpret_cast<win::DRAWITEMSTRUCT*>(m.LParam));
        m.Result = 1;
        return;
    case vcl::CN_DELETEITEM: {
        auto* dis = reinterpret_cast<win::DELETEITEMSTRUCT*>(m.LParam);
        if (dis && dis->itemData)
            DoDeleteItem(reinterpret_cast<void*>(dis->itemData));
        if (*alive)
            vcl::TCustomComboBox::Dispatch(m);
        return;
    }
    case vcl::CM_MOUSEENTER:
    case vcl::CM_MOUSELEAVE: {
        vcl::TCustomComboBox::Dispatch(m);
        if (!*alive)
            return;
        const bool enter = m.Msg == vcl::CM_MOUSEENTER;
        if (enter)
            MouseEnter();
        else
            MouseLeave();
        if (*alive)
            UpdateFrameState(true, enter);
        return;
    }
    case vcl::CM_ENABLEDCHANGED:
        vcl::TCustomComboBox::Dispatch(m);
        if (*alive)
            UpdateColors();
        return;
    default:
        vcl::TCustomComboBox::Dispatch(m);
    }
}

} // namespace controls

// The standard controls over the window system's control classes: push buttons (TButton), edits (TEdit,
// TMemo), list boxes, combo boxes, check boxes, radio buttons, group boxes and labels.
#pragma once

#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StringList.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <memory>
#include <string>

namespace vcl {

// The control classes' styles and messages, as the class library's units name them.
using win::BM_CLICK;
using win::BM_GETCHECK;
using win::BM_GETSTATE;
using win::BM_SETCHECK;
using win::BM_SETSTATE;
using win::BM_SETSTYLE;
using win::BN_CLICKED;
using win::BS_DEFPUSHBUTTON;
using win::BS_PUSHBUTTON;
using win::BST_FOCUS;
using win::BST_PUSHED;

// A combo box's edit field hands its messages to the combo box (lParam: the TMessage).
constexpr win::UINT CM_COMBOEDITMESSAGE = CM_BASE + 0x160;

// Registers the window system's control classes (once).
void RegisterButtonClass();
// Whether ch is the accelerator ("&" letter) of caption.
bool IsAccel(uint16_t ch, const std::string& caption);

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
using TBorderStyle = TFormBorderStyle; // bsNone or bsSingle

enum TOwnerDrawStateItem {
    odSelected,
    odGrayed,
    odDisabled,
    odChecked,
    odFocused,
    odDefault,
    odHotLight,
    odInactive,
    odNoAccel,
    odNoFocusRect,
    odReserved1,
    odReserved2,
    odComboBoxEdit
};
// The bits of the window system's owner-draw states, one member each.
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;
using TDrawItemEvent =
    std::function<void(TWinControl* Control, int32_t Index, const TRect& Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int32_t Index, int32_t& Height)>;

// ---- Push button ----

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
    void CreateWnd() override;
    // The button style of the window (a push button, the default one, or owner-drawn).
    virtual win::DWORD ButtonStyle() const;

    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
};

// ---- Edits ----

class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);

    int32_t GetMaxLength() const { return FMaxLength; }
    void SetMaxLength(int32_t value);
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    char GetPasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char value);
    TEditCharCase GetCharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase value);
    bool GetAutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool value) { FAutoSelect = value; }
    bool GetHideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value);
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    bool GetModified() const;
    void SetModified(bool value);

    int32_t GetSelStart();
    void SetSelStart(int32_t value);
    int32_t GetSelLength();
    void SetSelLength(int32_t value);
    std::string GetSelText();
    void SetSelText(const std::string& value);
    void SelectAll();
    void ClearSelection();
    void Clear() { SetText(""); }
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void Undo();
    bool CanUndo();
    void ClearUndo();

    TNotifyEvent OnChange;
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    virtual void Change();

    int32_t FMaxLength = 0;
    bool FReadOnly = false;
    char FPasswordChar = 0;
    TEditCharCase FCharCase = ecNormal;
    bool FAutoSelect = true;
    bool FHideSelection = true;
    TBorderStyle FBorderStyle = bsSingle;
    bool FModified = false;
    int32_t FSavedSelStart = 0;
    int32_t FSavedSelLength = 0;
    bool FMouseFocus = false; // the focus came by a click: AutoSelect leaves the selection to the mouse
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};

class TMemo : public TCustomEdit {
public:
    explicit TMemo(TComponent* owner);
    ~TMemo() override;

    // The text's lines; changing them changes the text.
    TStrings* GetLines() const;
    void SetLines(TStrings* value);
    TScrollStyle GetScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool GetWantReturns() const { return FWantReturns; }
    void SetWantReturns(bool value);
    bool GetWantTabs() const { return FWantTabs; }
    void SetWantTabs(bool value) { FWantTabs = value; }
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);

    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Change() override;

private:
    std::unique_ptr<TStringList> FLines;
    bool FSyncing = false;
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
    bool FWantReturns = true;
    bool FWantTabs = false;
    TAlignment FAlignment = taLeftJustify;
};

// ---- Items of list boxes and combo boxes ----

// Lines kept by a list or combo window, or by the control while it has no window.
class TWinItemStrings;

// ---- What list boxes and combo boxes share ----

// A control over a window that keeps a list of strings: the items (kept by the control while it has no
// window), sorting, and owner-drawn items on the control's canvas.
class TCustomListControl : public TWinControl {
public:
    ~TCustomListControl() override;

    TStrings* GetItems() const;
    void SetItems(TStrings* value);
    int32_t GetCount() const;
    bool GetSorted() const { return FSorted; }
    void SetSorted(bool value);
    TCanvas* GetCanvas() const { return FCanvas.get(); }

protected:
    // combo: the items live in a combo box's window, else in a list box's.
    TCustomListControl(TComponent* owner, bool combo);
    // Owner drawing: the item's background and text unless an override draws it otherwise.
    virtual void DrawItem(int32_t index, const TRect& rect, TOwnerDrawState state);
    virtual void MeasureItem(int32_t index, int32_t& height) {}
    // Whether each item asks for its own height (MeasureItem); the others are FItemHeight high.
    virtual bool VariableItemHeight() const = 0;
    // The owner-draw requests of the window (CN_DRAWITEM, CN_MEASUREITEM); true when m was one.
    bool OwnerDrawMessage(TMessage& message);

    std::unique_ptr<TWinItemStrings> FItems;
    std::unique_ptr<TControlCanvas> FCanvas;
    bool FSorted = false;
    int32_t FItemHeight = 16;
};

// ---- List box ----

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

class TCustomListBox : public TCustomListControl {
public:
    explicit TCustomListBox(TComponent* owner);

    int32_t GetItemIndex();
    void SetItemIndex(int32_t value);
    int32_t GetTopIndex();
    void SetTopIndex(int32_t value);
    bool GetMultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool value);
    bool GetExtendedSelect() const { return FExtendedSelect; }
    void SetExtendedSelect(bool value);
    bool GetSelected(int32_t index);
    void SetSelected(int32_t index, bool value);
    int32_t GetSelCount();
    TListBoxStyle GetStyle() const { return FStyle; }
    void SetStyle(TListBoxStyle value);
    int32_t GetItemHeight();
    void SetItemHeight(int32_t value);
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    // The distance between tab stops in dialog units (a quarter of the average character width); 0 shows
    // tabs as the window's own characters.
    int32_t GetTabWidth() const { return FTabWidth; }
    void SetTabWidth(int32_t value);

    TRect ItemRect(int32_t index);
    // The item at a client point; -1 when none, or with existing false the nearest.
    int32_t ItemAtPos(TPoint pos, bool existing);
    void Clear();
    void SelectAll();

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void DrawItem(int32_t index, const TRect& rect, TOwnerDrawState state) override;
    void MeasureItem(int32_t index, int32_t& height) override;
    bool VariableItemHeight() const override { return FStyle == lbOwnerDrawVariable; }

    int32_t FSavedIndex = -1;
    int32_t FSavedTop = 0;
    std::vector<bool> FSavedSelection;
    bool FMultiSelect = false;
    bool FExtendedSelect = true;
    TListBoxStyle FStyle = lbStandard;
    TBorderStyle FBorderStyle = bsSingle;
    int32_t FTabWidth = 0;
};

class TListBox : public TCustomListBox {
public:
    explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
};

// ---- Combo box ----

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox : public TCustomListControl {
public:
    explicit TCustomComboBox(TComponent* owner);

    int32_t GetItemIndex();
    // Selection by code: no OnChange or OnClick.
    void SetItemIndex(int32_t value);
    TComboBoxStyle GetStyle() const { return FStyle; }
    void SetStyle(TComboBoxStyle value);
    int32_t GetMaxLength() const { return FMaxLength; }
    void SetMaxLength(int32_t value);
    TEditCharCase GetCharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase value);
    int32_t GetDropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int32_t value);
    int32_t GetItemHeight();
    void SetItemHeight(int32_t value);
    bool GetDroppedDown();
    void SetDroppedDown(bool value);
    int32_t GetDroppedWidth();
    void SetDroppedWidth(int32_t value);
    bool GetAutoDropDown() const { return FAutoDropDown; }
    void SetAutoDropDown(bool value) { FAutoDropDown = value; }
    int32_t GetSelStart();
    void SetSelStart(int32_t value);
    int32_t GetSelLength();
    void SetSelLength(int32_t value);
    // The edit field's window (drop-down and simple styles) and the list's.
    win::HWND GetEditHandle();
    win::HWND GetListHandle();
    void Clear();

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;
    void Dispatch(TMessage& message) override;
    // Selects the item a layout asked for, now that the items are read too.
    void Loaded() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    virtual void Change();
    virtual void Select();
    virtual void DropDown();
    virtual void CloseUp();
    void DrawItem(int32_t index, const TRect& rect, TOwnerDrawState state) override;
    void MeasureItem(int32_t index, int32_t& height) override;
    bool VariableItemHeight() const override { return FStyle == csOwnerDrawVariable; }
    // Every message of the edit field (drop-down and simple styles) passes here first: keys and characters
    // go through the combo box's key events (a handler that clears the key eats it), the rest and what is
    // left to the edit's own procedure (DefaultEditHandler).
    virtual void EditWndProc(TMessage& message);
    void DefaultEditHandler(TMessage& message);
    // The edit field's window procedure: hands the message to EditWndProc through the combo box's own
    // window procedure (which reports a handler's exception as every control does).
    static win::LRESULT CALLBACK_EditWndProc(win::HWND edit, win::UINT msg, win::WPARAM wParam,
                                             win::LPARAM lParam);

    TComboBoxStyle FStyle = csDropDown;
    int32_t FMaxLength = 0;
    TEditCharCase FCharCase = ecNormal;
    int32_t FDropDownCount = 8;
    int32_t FDroppedWidth = 0;
    bool FAutoDropDown = false;
    bool FEditFocused = false; // the edit field has the focus, as the enter and exit events know it
    int32_t FSavedIndex = -1;
    int32_t FLoadedIndex = -1; // the ItemIndex a layout gave, applied in Loaded
    bool FLoadedIndexSet = false;
};

class TComboBox : public TCustomComboBox {
public:
    explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
};

// ---- Check box and radio button ----

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TButtonControl : public TWinControl {
public:
    explicit TButtonControl(TComponent* owner);
    virtual bool GetChecked() const { return false; }
    virtual void SetChecked(bool) {}
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    // Where the caption is: right of the box (taRightJustify) or left of it.
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    void Dispatch(TMessage& message) override;

protected:
    // A button window of the given kind with the caption's side and word wrap.
    void ButtonParams(TCreateParams& params, win::DWORD kind);
    void CreateWnd() override;
    bool FWordWrap = false;
    TAlignment FAlignment = taRightJustify;
    // Set while the control changes its own state (no second click from it).
    bool FClicksDisabled = false;
};

class TCustomCheckBox : public TButtonControl {
public:
    explicit TCustomCheckBox(TComponent* owner);
    TCheckBoxState GetState() const { return FState; }
    // A change runs OnClick, as a click does.
    void SetState(TCheckBoxState value);
    bool GetChecked() const override { return FState == cbChecked; }
    void SetChecked(bool value) override { SetState(value ? cbChecked : cbUnchecked); }
    bool GetAllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool value) { FAllowGrayed = value; }
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    virtual void Toggle();

    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
};

class TCheckBox : public TCustomCheckBox {
public:
    explicit TCheckBox(TComponent* owner) : TCustomCheckBox(owner) {}
};

class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* owner);
    bool GetChecked() const override { return FChecked; }
    // Checking one unchecks the other radio buttons of the same parent and makes it the tab stop.
    void SetChecked(bool value) override;
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

    bool FChecked = false;
};

// ---- Group box ----

class TCustomGroupBox : public TCustomControl {
public:
    explicit TCustomGroupBox(TComponent* owner);
    void AdjustClientRect(TRect& rect) override;
    void Dispatch(TMessage& message) override;

protected:
    void Paint() override;
};

class TGroupBox : public TCustomGroupBox {
public:
    explicit TGroupBox(TComponent* owner) : TCustomGroupBox(owner) {}
};

// ---- Label ----

class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* owner);

    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TTextLayout GetLayout() const { return FLayout; }
    void SetLayout(TTextLayout value);
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool GetShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    TWinControl* GetFocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* value);

    // The text drawn: the caption.
    virtual std::string GetLabelText() const { return GetCaption(); }
    void Notification(TComponent* component, TOperation operation) override;
    void Dispatch(TMessage& message) override;
    // Sizes itself to the text it was given while loading.
    void Loaded() override;

protected:
    void Paint() override;
    // Draws (or with DT_CALCRECT measures) the label's text in rect.
    virtual void DoDrawText(TRect& rect, win::UINT flags);
    // Sizes the control to its text when AutoSize is on.
    virtual void AdjustBounds();

    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FWordWrap = false;
    bool FShowAccelChar = true;
    bool FTransparent = false;
    bool FAutoSize = true;
    TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
public:
    explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

} // namespace vcl

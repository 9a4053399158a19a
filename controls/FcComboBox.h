// The framed combo box: typed text completed against the items (the completed tail selected), a mode that
// forbids free text but still selects by typing, an incremental search of 1.5 s for list-only boxes, a
// read-only mode, a beep for keys that match nothing, events for a match, for text not in the list and for
// deleted item data, a drop-down width, Enter as Tab, and the shared frame drawn over the client area with a
// flat or themed drop-down button. The editor's disposal and colour-count boxes are three of them.
//
// Texts are UTF-8 and typed characters code points: positions in the text are byte offsets that always
// stand between whole characters.
#pragma once

#include "controls/FcFramedControl.h"
#include "controls/FcFrames.h"
#include "platform/vcl/StdCtrls.h"

#include <functional>
#include <memory>
#include <string>

namespace vcl {
class TTimer;
}

namespace controls {

using TFcDeleteComboItemEvent = std::function<void(vcl::TObject* Sender, void* Item)>;

// A pause this long ends a list-only box's search.
constexpr uint32_t ComboSearchResetMs = 1500;

class TFcCustomComboBox : public vcl::TCustomComboBox, public TFcFramedControl {
public:
    explicit TFcCustomComboBox(vcl::TComponent* owner);
    ~TFcCustomComboBox() override;

    bool GetAutoComplete() const { return FAutoComplete; }
    void SetAutoComplete(bool value) { FAutoComplete = value; }
    bool GetAllowEdit() const { return FAllowEdit; }
    void SetAllowEdit(bool value) { FAllowEdit = value; }
    bool GetBeepOnInvalidKey() const { return FBeepOnInvalidKey; }
    void SetBeepOnInvalidKey(bool value) { FBeepOnInvalidKey = value; }
    bool GetKeepSearchCase() const { return FKeepSearchCase; }
    void SetKeepSearchCase(bool value) { FKeepSearchCase = value; }
    bool GetReadOnly() const { return FReadOnly; }
    virtual void SetReadOnly(bool value);
    bool GetTabOnEnter() const { return FTabOnEnter; }
    void SetTabOnEnter(bool value) { FTabOnEnter = value; }
    int32_t GetDropDownWidth() { return GetDroppedWidth(); }
    virtual void SetDropDownWidth(int32_t value);
    int32_t GetItemHeightValue() { return GetItemHeight(); }
    // Owner-drawn styles take a new height with a new window.
    void SetItemHeightValue(int32_t value);

    // Flat drop-down button settings (the rest of the frame settings: TFcFramedControl).
    using TFcFramedControl::GetFlatButtonColor;
    using TFcFramedControl::GetFlatButtons;
    using TFcFramedControl::SetFlatButtonColor;
    using TFcFramedControl::SetFlatButtons;
    TColor GetColor() const { return vcl::TCustomComboBox::GetColor(); }
    virtual void SetColor(TColor value);
    TColor GetNormalColor() const { return FNormalColor; }
    TFcAboutInfo GetAbout() const { return fcAbout; }
    void SetAbout(TFcAboutInfo) {}

    // The characters typed so far, as the search knows them.
    const std::string& GetSearchText() const { return FSearchText; }
    vcl::TTimer* GetSearchTimer() const { return FSearchTimer.get(); }
    bool GetMouseOver() const { return FMouseOver; }
    bool GetFocusedState() const { return FFocused; }

    // The first item that begins with s, without regard to case; -1 when none.
    virtual int32_t FindItem(const std::string& s);
    // The item that is s exactly; -1 when none.
    virtual int32_t IndexOfItem(const std::string& s);
    // Sets the text without completing it.
    virtual void ChangeText(const std::string& s);

    vcl::TNotifyEvent OnMatch;
    vcl::TNotifyEvent OnNotInList;
    TFcDeleteComboItemEvent OnDeleteItem;
    vcl::TNotifyEvent OnSelEndOk;
    vcl::TNotifyEvent OnSelEndCancel;
    vcl::TNotifyEvent OnMouseEnter;
    vcl::TNotifyEvent OnMouseLeave;

    void Loaded() override;
    void DefineProperties(vcl::TFiler* filer) override;
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
    void Dispatch(vcl::TMessage& message) override;

protected:
    void UpdateColors() override;
    void FrameVisibleChanged() override;
    void FrameLookChanged() override { Invalidate(); }
    TColor FocusColorStoredAgainst() const override { return FNormalColor; }
    virtual void UpdateFrameState(bool isOver, bool value);
    virtual void InvalidKeyBeep();
    // Selects the first item that begins with s; a miss beeps and leaves the search text.
    virtual void FindAndSelect(const std::string& s, uint32_t key);
    // Completes the text to the first item that begins with s; false when none does. key 0 runs no
    // key-press event.
    virtual bool AutoCompleteKey(const std::string& s, uint32_t key);
    virtual void DoDeleteItem(void* data);
    virtual void DoMatch();
    virtual void DoNotInList();
    virtual void DoSelEndOk();
    virtual void DoSelEndCancel();
    virtual void MouseEnter();
    virtual void MouseLeave();

    void CreateWnd() override;
    void EditWndProc(vcl::TMessage& message) override;
    void CloseUp() override;
    void KeyDown(uint16_t& key, vcl::TShiftState shift) override;
    void KeyPress(char& key) override;
    void DoEnter() override;
    void DoExit() override;
    bool DoMouseWheel(vcl::TShiftState shift, int32_t wheelDelta, win::TPoint mousePos) override;
    bool DoMouseWheelDown(vcl::TShiftState shift, win::TPoint mousePos) override;
    bool DoMouseWheelUp(vcl::TShiftState shift, win::TPoint mousePos) override;

private:
    bool Loading() const { return GetComponentState().Contains(vcl::csLoading); }
    bool Designing() const { return GetComponentState().Contains(vcl::csDesigning); }
    bool Editable() const { return GetStyle() == vcl::csDropDown || GetStyle() == vcl::csSimple; }
    bool ListOnly() const { return !Editable(); }
    void ApplyColor(TColor value);
    // The key-press event for a code point (only those the event's character type holds); false when the
    // handler ate the key. A handler may change the key.
    bool KeyPressEvent(uint32_t& key);
    void EditSel(int32_t& start, int32_t& end);
    void SetEditSel(int32_t start, int32_t end);
    void WheelSelect(int32_t index);
    // The edit field's messages while completing.
    bool EditKeyDown(vcl::TMessage& m);
    bool EditChar(vcl::TMessage& m);
    bool EditBackspace(vcl::TMessage& m);
    bool EditPrintable(vcl::TMessage& m, uint32_t key);
    void CompleteAfterPaste();
    // A list-only box's own characters.
    bool SearchChar(uint32_t key);
    void RestartSearchTimer();
    void SearchTimerFired();
    void PaintOver();
    TRect ButtonRect() const;
    bool IsHot() const { return FFocused || FMouseOver; }
    void DrawOwnerItem(const win::DRAWITEMSTRUCT& dis);

    bool FAutoComplete = true;
    bool FAllowEdit = true;
    bool FBeepOnInvalidKey = true;
    bool FKeepSearchCase = false;
    bool FReadOnly = false;
    bool FTabOnEnter = false;
    TColor FNormalColor = vcl::clWindow;

    std::string FSearchText;
    std::unique_ptr<vcl::TTimer> FSearchTimer;
    bool FInKey = false;         // a key is being handled (the timer waits)
    bool FSuppress = false;      // the next text change does not complete
    bool FEscClosedList = false; // the Esc that closed the open list
    bool FEnter = false;
    bool FSysKey = false;
    bool FPastePending = false;
    bool FFocused = false;
    bool FMouseOver = false;
    std::unique_ptr<vcl::TControlCanvas> FPaintCanvas;
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

class TFcComboBox : public TFcCustomComboBox {
public:
    explicit TFcComboBox(vcl::TComponent* owner) : TFcCustomComboBox(owner) {}
};

} // namespace controls

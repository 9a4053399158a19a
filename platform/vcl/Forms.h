// Forms: the top-level windows of the class library, shown modeless or modal, closed through
// OnCloseQuery and OnClose, freed later with Release.
#pragma once

#include "platform/vcl/Controls.h"

#include <typeindex>

namespace vcl {

class TIcon;

using TModalResult = int32_t;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// What the form designer of a design environment offers the components it edits. Design mode only: no form
// has one at run time, and code asks GetDesigner before each use.
class IFormDesigner {
public:
    virtual ~IFormDesigner() = default;
    // The designed form changed.
    virtual void Modified() = 0;
    // Selects a component (or another persistent object) in the designer, or nothing for null.
    virtual void SelectComponent(TPersistent* instance) = 0;
    virtual TPersistent* GetSelectedComponent() = 0;
    // Removes a component from the designed form and frees it.
    virtual void DeleteComponent(TComponent* component) = 0;
    // A component name starting with baseName that no component of the form has yet.
    virtual std::string UniqueName(const std::string& baseName) = 0;
    // Opens the editor of an item (a command of a bar, say).
    virtual void EditItem(TComponent* item) = 0;
};

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;
    void BeforeDestruction() override;
    // Runs OnCreate; TApplication::CreateForm calls it once the form is built.
    void DoCreate();

    void Show();
    // Shows the form with every other window of the program disabled and returns its ModalResult once a
    // button, Close or code sets it (and OnCloseQuery lets it close).
    TModalResult ShowModal();
    // Asks OnCloseQuery, then OnClose with the close action: hide (modal forms end their loop), free
    // later, minimise or nothing. Closing the main form ends the program.
    void Close();
    virtual bool CloseQuery();
    // Frees the form once the messages now queued, and the handler that called Release, are done.
    void Release();
    void SetVisible(bool value) override;

    TModalResult GetModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value) { FModalResult = value; }
    bool IsModal() const { return FModal; }
    bool GetActive() const { return FActive; }

    TFormBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons GetBorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons value);
    TPosition GetPosition() const { return FPosition; }
    void SetPosition(TPosition value) { FPosition = value; }
    TWindowState GetWindowState() const;
    void SetWindowState(TWindowState value);
    TFormStyle GetFormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle value);
    bool GetKeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool value) { FKeyPreview = value; }
    TWinControl* GetActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* value);
    // The focus goes to the control when the form is active, else when it next becomes active.
    void FocusControl(TWinControl* control);
    void SendCancelMode(TControl* sender);
    // The icon the desktop shows for the form (its title bar, task bar and window switcher); while it is
    // empty the form shows the application's icon. Setting it copies the icon.
    TIcon* GetIcon() const { return FIcon.get(); }
    void SetIcon(TIcon* value);
    // The icon handle the form's window shows: the form's own icon's, else the application's (null when
    // both are empty). Sent to the window (WM_SETICON) when it is made and when either icon changes.
    win::HICON GetIconHandle();
    void UpdateIcon();

    // Key handling the form's controls call for KeyPreview.
    bool DoKeyDown(uint16_t& key, TShiftState shift) override { return TWinControl::DoKeyDown(key, shift); }
    bool DoKeyPress(char& key) override { return TWinControl::DoKeyPress(key); }
    bool DoKeyUp(uint16_t& key, TShiftState shift) override { return TWinControl::DoKeyUp(key, shift); }

    void Dispatch(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;
    // Form streaming: the components the form owns that have no parent, then its child controls.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;

    // Reads the layout registered (FindFormResource) under the name of formClass into this form, after
    // those of the form classes it derives from (named with DefineFormClass<F, TBase>), base first; Loaded
    // runs once per component when all are read. Raises EResNotFound "Resource %s not found" when none of
    // them has a layout. A form class with a layout calls it at the end of its constructor with its own
    // type; a form class derived from it passes its own type instead, so its base class needs a
    // constructor that does not read.
    void InitInheritedComponent(std::type_index formClass);

    // The form designer editing the form: null at run time. Only a design environment (or a test) sets one;
    // the form does not own it.
    IFormDesigner* GetDesigner() const { return FDesigner; }
    void SetDesigner(IFormDesigner* value) { FDesigner = value; }

    // A key press that no control took: the form's action lists run the action with that shortcut.
    virtual bool IsShortCut(uint16_t key, TShiftState shift);
    // Lets every action of the form update its state: its action lists, then every visible control inside it,
    // nested ones included.
    void UpdateActions();

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnDestroy;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWndDone() override;
    bool IsTopLevel() const override { return FParent == nullptr; }
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& action);
    virtual void Activate();
    virtual void Deactivate();
    // Runs OnCloseQuery and OnClose for a modal form whose ModalResult was set.
    void CloseModal();
    void PlaceOnFirstShow();

    TModalResult FModalResult = mrNone;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
    TPosition FPosition = poDesigned;
    TWindowState FWindowState = wsNormal;
    TFormStyle FFormStyle = fsNormal;
    bool FKeyPreview = false;
    bool FModal = false;
    bool FActive = false;
    bool FShownOnce = false;
    bool FReleased = false;
    bool FDestroyed = false;
    TWinControl* FActiveControl = nullptr;
    IFormDesigner* FDesigner = nullptr;
    std::unique_ptr<TIcon> FIcon;
};

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

} // namespace vcl

// Controls: TControl (bounds, alignment, anchors, colour, font, text, mouse and key events),
// TWinControl (a window of the window system, its children, layout and message dispatch), and the painted
// controls TCustomControl and TGraphicControl with their TControlCanvas.
//
// A message travels: the window procedure of the control's window class finds the control through a
// window property and calls its virtual WndProc, which hands it to Dispatch; Dispatch handles the messages
// a class knows by number and gives the rest to DefaultHandler, which calls the window procedure the
// class was built on (the superclass's, or DefWindowProc).
#pragma once

#include "platform/vcl/Canvas.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/ImgList.h"
#include "platform/win/user/UserTypes.h"

#include <memory>
#include <string>
#include <vector>

namespace vcl {

// The class library's own control messages.
constexpr win::UINT CM_BASE = 0xB000;
constexpr win::UINT CM_ACTIVATE = CM_BASE + 0;
constexpr win::UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr win::UINT CM_GOTFOCUS = CM_BASE + 2;
constexpr win::UINT CM_LOSTFOCUS = CM_BASE + 3;
constexpr win::UINT CM_CANCELMODE = CM_BASE + 4;
constexpr win::UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr win::UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr win::UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr win::UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr win::UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr win::UINT CM_HITTEST = CM_BASE + 10;
constexpr win::UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr win::UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr win::UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr win::UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr win::UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr win::UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr win::UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr win::UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr win::UINT CM_ENTER = CM_BASE + 27;
constexpr win::UINT CM_EXIT = CM_BASE + 28;
constexpr win::UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr win::UINT CM_SHOWINGCHANGED = CM_BASE + 33;
constexpr win::UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr win::UINT CM_CHANGED = CM_BASE + 37;
constexpr win::UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;
constexpr win::UINT CM_RELEASE = CM_BASE + 40; // a form frees itself (posted by Release)
constexpr win::UINT CM_DESIGNHITTEST = CM_BASE + 31;
constexpr win::UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr win::UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr win::UINT CM_BIDIMODECHANGED = CM_BASE + 60;
constexpr win::UINT CM_PARENTBIDIMODECHANGED = CM_BASE + 61;

// Notifications reflected from a parent to the control they concern.
constexpr win::UINT CN_BASE = 0xBC00;
constexpr win::UINT CN_COMMAND = CN_BASE + 0x0111;
constexpr win::UINT CN_NOTIFY = CN_BASE + 0x004E;
constexpr win::UINT CN_DRAWITEM = CN_BASE + 0x002B;
constexpr win::UINT CN_KEYDOWN = CN_BASE + 0x0100;
constexpr win::UINT CN_KEYUP = CN_BASE + 0x0101;
constexpr win::UINT CN_CHAR = CN_BASE + 0x0102;
constexpr win::UINT CN_SYSKEYDOWN = CN_BASE + 0x0104;
constexpr win::UINT CN_HSCROLL = CN_BASE + 0x0114;
constexpr win::UINT CN_VSCROLL = CN_BASE + 0x0115;
constexpr win::UINT CN_CTLCOLORSCROLLBAR = CN_BASE + 0x0137;
constexpr win::UINT CN_MEASUREITEM = CN_BASE + 0x002C;
constexpr win::UINT CN_DELETEITEM = CN_BASE + 0x002D;
constexpr win::UINT CN_CTLCOLOREDIT = CN_BASE + 0x0133;
constexpr win::UINT CN_CTLCOLORLISTBOX = CN_BASE + 0x0134;
constexpr win::UINT CN_CTLCOLORBTN = CN_BASE + 0x0135;
constexpr win::UINT CN_CTLCOLORSTATIC = CN_BASE + 0x0138;

// A message as controls see it.
// A help topic's context number.
using THelpContext = int32_t;

struct TMessage {
    win::UINT Msg = 0;
    win::WPARAM WParam = 0;
    win::LPARAM LParam = 0;
    win::LRESULT Result = 0;
};

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;

enum TControlStyleItem {
    csAcceptsControls,
    csCaptureMouse,
    csDesignInteractive,
    csClickEvents,
    csFramed,
    csSetCaption,
    csOpaque,
    csDoubleClicks,
    csFixedWidth,
    csFixedHeight,
    csNoDesignVisible,
    csReplicatable,
    csNoStdEvents,
    csDisplayDragImage,
    csReflector,
    csActionClient,
    csMenuEvents
};
using TControlStyle = TSet<TControlStyleItem>;

enum TControlStateItem {
    csLButtonDown,
    csClicked,
    csPalette,
    csReadingState,
    csAlignmentNeeded,
    csFocusing,
    csCreating,
    csPaintCopy,
    csCustomPaint,
    csDestroyingHandle,
    csDocking
};
using TControlState = TSet<TControlStateItem>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
// Reading order and alignment: left to right; right to left throughout; right to left reading with the
// alignment kept; right to left reading only.
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TDragKind { dkDrag, dkDock };
enum TDragMode { dmManual, dmAutomatic };
// Where a drag stands towards the control under the pointer: it came over it, left it, moved on it.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y)>;
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
// The wheel: WheelDelta in multiples of WHEEL_DELTA (positive away from the user), MousePos on the screen.
using TMouseWheelEvent = std::function<void(TObject* Sender, TShiftState Shift, int32_t WheelDelta,
                                            TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent =
    std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
// A handler every message of a control passes (see TControl::SetWindowProc).
using TWndMethod = std::function<void(TMessage& Message)>;

// The shift state of mouse-message key flags, and of the keyboard now.
TShiftState MouseShiftState(win::WPARAM keys);
TShiftState KeyboardShiftState();

class TWinControl;
class TCustomForm;
class TBasicAction;
class TControlActionLink;
class TDockTree;
class TPopupMenu;
class TControl;
class TDragObject;
class TDragDockObject;
class TDragImageList;

// Drag and drop between controls. Source is the dragged control for a control's own drag, otherwise the
// drag object; X and Y are in the client coordinates of the control the event belongs to.
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int32_t X, int32_t Y,
                                          TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int32_t X, int32_t Y)>;
// Target is null when the drag ended over no accepting control (or was cancelled).
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int32_t X, int32_t Y)>;
using TStartDockEvent = std::function<void(TObject* Sender, TDragDockObject*& DragObject)>;
using TDockOverEvent = std::function<void(TObject* Sender, TDragDockObject* Source, int32_t X, int32_t Y,
                                          TDragState State, bool& Accept)>;
using TDockDropEvent = std::function<void(TObject* Sender, TDragDockObject* Source, int32_t X, int32_t Y)>;
using TUnDockEvent =
    std::function<void(TObject* Sender, TControl* Client, TWinControl* NewTarget, bool& Allow)>;

// A control's answer to a context-menu request: MousePos in client coordinates, (-1, -1) from the keyboard;
// setting Handled keeps the popup menu away.
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

// Limits on a control's size (0: no limit). A change applies them to the control at once.
class TSizeConstraints : public TPersistent {
public:
    int32_t GetMinWidth() const { return FMinWidth; }
    int32_t GetMinHeight() const { return FMinHeight; }
    int32_t GetMaxWidth() const { return FMaxWidth; }
    int32_t GetMaxHeight() const { return FMaxHeight; }
    void SetMinWidth(int32_t value) { Set(FMinWidth, value); }
    void SetMinHeight(int32_t value) { Set(FMinHeight, value); }
    void SetMaxWidth(int32_t value) { Set(FMaxWidth, value); }
    void SetMaxHeight(int32_t value) { Set(FMaxHeight, value); }
    // The width and height within the limits (a maximum below the minimum gives way to the minimum).
    void Apply(int32_t& width, int32_t& height) const;
    TNotifyEvent OnChange;

private:
    void Set(int32_t& field, int32_t value);
    int32_t FMinWidth = 0;
    int32_t FMinHeight = 0;
    int32_t FMaxWidth = 0;
    int32_t FMaxHeight = 0;
};

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* GetParent() const { return FParent; }
    virtual void SetParent(TWinControl* value);

    int32_t GetLeft() const { return FLeft; }
    int32_t GetTop() const { return FTop; }
    int32_t GetWidth() const { return FWidth; }
    int32_t GetHeight() const { return FHeight; }
    void SetLeft(int32_t value) { SetBounds(value, FTop, FWidth, FHeight); }
    void SetTop(int32_t value) { SetBounds(FLeft, value, FWidth, FHeight); }
    void SetWidth(int32_t value) { SetBounds(FLeft, FTop, value, FHeight); }
    void SetHeight(int32_t value) { SetBounds(FLeft, FTop, FWidth, value); }
    TRect GetBoundsRect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    // Moves and sizes the control (negative sizes become 0); its parent re-aligns its other children.
    virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
    // Scales the control's place and size by m / d (MulDiv); controls that keep other pixel measures scale
    // them too. A windowed control scales its children after itself.
    virtual void ChangeScale(int32_t m, int32_t d);
    virtual TRect GetClientRect();
    int32_t GetClientWidth() { return GetClientRect().Width(); }
    int32_t GetClientHeight() { return GetClientRect().Height(); }
    void SetClientWidth(int32_t value) { SetClientSize(value, GetClientHeight()); }
    void SetClientHeight(int32_t value) { SetClientSize(GetClientWidth(), value); }
    virtual void SetClientSize(int32_t width, int32_t height);
    TPoint ClientToScreen(TPoint p);
    TPoint ScreenToClient(TPoint p);
    // The offset of the client area's origin in the nearest window's client area.
    TPoint ClientOrigin();

    TSizeConstraints* GetConstraints() const { return FConstraints.get(); }

    // With AutoSize the control takes the size its content asks for (CanAutoSize), now and whenever the
    // content changes; a windowed control fits its unaligned visible children.
    bool GetAutoSize() const { return FAutoSize; }
    virtual void SetAutoSize(bool value);
    virtual void AdjustSize();

    TAlign GetAlign() const { return FAlign; }
    void SetAlign(TAlign value);
    TAnchors GetAnchors() const { return FAnchors; }
    void SetAnchors(TAnchors value);

    bool GetVisible() const { return FVisible; }
    virtual void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible with every parent visible.
    virtual bool Showing() const;
    bool GetEnabled() const { return FEnabled; }
    virtual void SetEnabled(bool value);
    // Enabled with every parent enabled.
    bool IsEnabledChain() const;

    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    bool GetParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    TFont* GetFont() const { return FFont.get(); }
    void SetFont(TFont* value) { FFont->Assign(value); }
    bool GetParentFont() const { return FParentFont; }
    void SetParentFont(bool value);

    std::string GetText() const { return FText; }
    void SetText(const std::string& value);
    std::string GetCaption() const { return FText; }
    void SetCaption(const std::string& value) { SetText(value); }
    std::string GetHint() const { return FHint; }
    void SetHint(const std::string& value) { FHint = value; }
    // Whether the control shows its hint: its own setting, or its parent's while ParentShowHint is set.
    bool GetShowHint() const;
    void SetShowHint(bool value) {
        FShowHint = value;
        FParentShowHint = false;
    }
    bool GetParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool value) { FParentShowHint = value; }
    // The help topic of the control (0: none).
    THelpContext GetHelpContext() const { return FHelpContext; }
    void SetHelpContext(THelpContext value) { FHelpContext = value; }
    TCursor GetCursor() const { return FCursor; }
    void SetCursor(TCursor value);

    // Reading order: the control's own mode, or its parent's while ParentBiDiMode is set (setting BiDiMode
    // ends that). Children that follow take every change.
    TBiDiMode GetBiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode value);
    bool GetParentBiDiMode() const { return FParentBiDiMode; }
    void SetParentBiDiMode(bool value);
    // Whether the control mirrors its alignment (bdRightToLeft) and reads right to left (any mode but
    // bdLeftToRight).
    bool UseRightToLeftAlignment() const { return FBiDiMode == bdRightToLeft; }
    bool UseRightToLeftReading() const { return FBiDiMode != bdLeftToRight; }
    // DrawText flags for the mode: left and right alignment swap when mirrored (centred text stays), and
    // right-to-left reading adds DT_RTLREADING.
    uint32_t DrawTextBiDiModeFlags(uint32_t flags) const;
    uint32_t DrawTextBiDiModeFlagsReadingOnly() const;
    // The menu a right click or the menu keys show over the control; forgotten when the menu is freed.
    // Without one (or when it does not show) the request goes on to the parent.
    TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* value);

    // Dragging and docking. A docked control lives in its dock site (its parent), which lays it out
    // through its dock manager when it has one.
    TDragKind GetDragKind() const { return FDragKind; }
    void SetDragKind(TDragKind value) { FDragKind = value; }
    TDragMode GetDragMode() const { return FDragMode; }
    void SetDragMode(TDragMode value) { FDragMode = value; }
    TCursor GetDragCursor() const { return FDragCursor; }
    void SetDragCursor(TCursor value) { FDragCursor = value; }
    // Starts dragging the control (docking it with dkDock) with the mouse: at once, or once the pointer has
    // moved more than threshold pixels (negative: the mouse's drag threshold). A release before that is the
    // control's own. A control in dmAutomatic mode starts a drag when pressed with the left button.
    void BeginDrag(bool immediate, int32_t threshold = -1);
    // Ends this control's drag: dropped where the pointer is (when a control accepts it) or cancelled.
    void EndDrag(bool drop);
    bool Dragging() const;
    // Offers a drag to the control; the default accepts while an OnDragOver handler exists and lets it
    // decide.
    virtual void DragOver(TObject* source, int32_t x, int32_t y, TDragState state, bool& accept);
    virtual void DragDrop(TObject* source, int32_t x, int32_t y);
    // The images shown under the pointer while the control is dragged (none by default).
    virtual TDragImageList* GetDragImages() { return nullptr; }
    TWinControl* GetHostDockSite() const { return FHostDockSite; }
    bool GetFloating() const { return FHostDockSite == nullptr; }
    // Docks into the site beside dropControl (before it for alLeft/alTop, after it otherwise); a null site
    // floats the control. OnEndDock follows. False when the site does not take docked controls or the site
    // the control leaves keeps it (OnUnDock).
    bool ManualDock(TWinControl* newDockSite, TControl* dropControl = nullptr, TAlign align = alNone);
    // Leaves the dock site (unless its OnUnDock keeps the control: false) and takes the screen rectangle (a
    // top-level control shows there).
    bool ManualFloat(const TRect& screenRect);
    TEndDragEvent OnEndDock;
    TStartDockEvent OnStartDock;
    TStartDragEvent OnStartDrag;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

    TControlStyle GetControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle value) { FControlStyle = value; }
    TControlState GetControlState() const { return FControlState; }
    void SetControlState(TControlState value) { FControlState = value; }
    bool MouseInControl() const { return FMouseInControl; }

    // Sends a message through WindowProc and returns its result.
    win::LRESULT Perform(win::UINT msg, win::WPARAM wParam = 0, win::LPARAM lParam = 0);
    // The handler every message of the control passes first: WndProc unless replaced. A replacement keeps
    // the handler it found (GetWindowProc) and passes the messages it does not eat on to it; setting the
    // kept handler back (or an empty one) ends the replacement.
    TWndMethod GetWindowProc() const;
    void SetWindowProc(TWndMethod value) { FWindowProc = std::move(value); }
    // Hands a message to WindowProc.
    void DeliverMessage(TMessage& message) {
        if (FWindowProc)
            FWindowProc(message);
        else
            WndProc(message);
    }
    virtual void WndProc(TMessage& message);
    // Handles the messages the class knows by number; the rest go to DefaultHandler.
    virtual void Dispatch(TMessage& message);
    virtual void DefaultHandler(TMessage& message);

    virtual void Invalidate();
    virtual void Update();
    void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();

    // The action the control follows (caption, enabled state, hint, visibility, click), or null.
    TBasicAction* GetAction() const;
    void SetAction(TBasicAction* value);
    TControlActionLink* GetActionLink() const { return FActionLink.get(); }
    // Lets the control's action update its state (the application's idle pass calls this).
    virtual void InitiateAction();
    void Notification(TComponent* component, TOperation operation) override;

    bool HasParent() const override { return FParent != nullptr; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* value) override;
    // After loading: sizes itself now that all its properties are known (it does not while loading).
    void Loaded() override;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;
    TContextPopupEvent OnContextPopup;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;

protected:
    friend class TWinControl;
    friend class TControlActionLink;
    friend class TBaseDragControlObject;
    friend class TDragDockObject;
    friend struct TDragSession;
    // A drag of the control begins (OnStartDrag; a handler may hand in its own drag object) and ends.
    virtual void DoStartDrag(TDragObject*& dragObject);
    virtual void DoEndDrag(TObject* target, int32_t x, int32_t y);
    virtual void DoStartDock(TDragDockObject*& dragObject);
    virtual void DoEndDock(TObject* target, int32_t x, int32_t y);
    // The wheel turned by delta: OnMouseWheel, then unless handled one DoMouseWheelDown or DoMouseWheelUp per
    // whole notch gathered (partial turns add up across messages). True when any of them handled it.
    virtual bool DoMouseWheel(TShiftState shift, int32_t wheelDelta, TPoint mousePos);
    virtual bool DoMouseWheelDown(TShiftState shift, TPoint mousePos);
    virtual bool DoMouseWheelUp(TShiftState shift, TPoint mousePos);
    // Copies the action's properties; with checkDefaults only into those the control has left at their
    // defaults (empty caption and hint, enabled, visible, no click handler).
    virtual void ActionChange(TObject* sender, bool checkDefaults);
    virtual std::unique_ptr<TControlActionLink> CreateActionLink();
    // The size the content needs; false to keep the size (the base class has no content to fit).
    virtual bool CanAutoSize(int32_t& newWidth, int32_t& newHeight) { return false; }
    // A child's place, size or visibility changed: an auto-sizing parent fits it again.
    void ParentAutoSize();
    // Runs OnClick, or the action when the control has none of its own (or the action's own handler).
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    virtual void MouseMove(TShiftState shift, int32_t x, int32_t y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    virtual void Resize();
    virtual void Changed();
    // The font changed (CM_FONTCHANGED follows).
    void FontChanged(TObject* sender);
    // The rule anchors keep: distances recorded while the control is placed by code.
    void UpdateAnchorRules();
    // The parent's client area was resized from oldSize: anchored sides follow.
    void AnchorTo(TSize oldSize, TSize newSize);
    // Sets the fields without moving the window (used when the window reports its own move).
    void UpdateBoundsFields(int32_t left, int32_t top, int32_t width, int32_t height);
    // Applied by SetBounds after the fields changed.
    virtual void BoundsChanged(bool moved, bool sized);
    void InvalidateControl(bool isVisible);
    TCustomForm* ParentForm() const;

    TWinControl* FParent = nullptr;
    int32_t FLeft = 0;
    int32_t FTop = 0;
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    TAlign FAlign = alNone;
    TAnchors FAnchors{akLeft, akTop};
    // Right and bottom distances to the parent's client edges, kept for the anchors.
    int32_t FAnchorRight = 0;
    int32_t FAnchorBottom = 0;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clWindow;
    bool FParentColor = false;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TSizeConstraints> FConstraints;
    bool FParentFont = true;
    std::string FText;
    std::string FHint;
    THelpContext FHelpContext = 0;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TCursor FCursor = crDefault;
    TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    TControlState FControlState;
    bool FMouseInControl = false;
    bool FAligning = false; // set while the parent's layout moves this control
    std::unique_ptr<TControlActionLink> FActionLink;
    bool FAutoSize = false;
    bool FAutoSizing = false; // set while AdjustSize resizes, so the children's moves do not recurse
    TDragKind FDragKind = dkDrag;
    TDragMode FDragMode = dmManual;
    TCursor FDragCursor = crDrag;
    TWinControl* FHostDockSite = nullptr;
    TPopupMenu* FPopupMenu = nullptr;
    TBiDiMode FBiDiMode = bdLeftToRight;
    bool FParentBiDiMode = true;
    int32_t FWheelAccumulator = 0;
    TWndMethod FWindowProc;

private:
    void HandleMouse(TMessage& message);
    // WM_MOUSEWHEEL: DoMouseWheel, unhandled the parent's.
    void WMMouseWheel(TMessage& message);
    // WM_CONTEXTMENU: the control's own answer or menu, else its parent's.
    void ContextMenu(TMessage& message);
};

// Window creation parameters: what CreateParams fills in and CreateWnd passes to the window system.
struct TCreateParams {
    std::string Caption;
    win::DWORD Style = 0;
    win::DWORD ExStyle = 0;
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    win::HWND WndParent = nullptr;
    void* Param = nullptr;
    win::UINT WindowClassStyle = 0; // class style of the registered class
    std::string WinClassName;       // the class registered for the control
    std::string SuperClassName;     // an existing class whose window procedure this one builds on
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;
    void BeforeDestruction() override;

    // The window, created on first use.
    win::HWND GetHandle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded();
    // Destroys the window (children first); the control keeps its state and makes a new one when needed.
    void DestroyHandle();
    // Makes the window again with new CreateParams.
    void RecreateWnd();
    win::HWND GetParentWindow() const { return FParentWindow; }
    void SetParentWindow(win::HWND value);

    int32_t GetControlCount() const { return int32_t(FControls.size()); }
    TControl* GetControl(int32_t index) const { return FControls.at(size_t(index)); }
    // Form streaming: the children root owns, in z-order.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    // Aligns its children once, after all of them are read.
    void ReadState(TReader* reader) override;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    // The visible child at a client point, the last one in z-order first; windowed children only when
    // allowWinControls.
    TControl* ControlAtPos(TPoint pos, bool allowDisabled, bool allowWinControls = false);
    bool ContainsControl(TControl* control) const;
    // Sends the message to every child until one answers (Result != 0).
    void Broadcast(TMessage& message);
    // The control that owns a window of this process, or null.
    static TWinControl* FindControl(win::HWND hwnd);
    // How many window-procedure calls of controls are running on this thread.
    static int32_t DispatchDepth();
    // Frees the object once no control's window procedure is running any more (a handler that released
    // its form may still be on the stack), or now when none is.
    static void FreeAfterHandlers(TObject* object);
    static void CancelFreeAfterHandlers(TObject* object);

    // A dock site takes docked controls; with UseDockManager a dock manager (CreateDockManager) lays them
    // out with their grabbers.
    bool GetDockSite() const { return FDockSite; }
    void SetDockSite(bool value);
    bool GetUseDockManager() const { return FUseDockManager; }
    void SetUseDockManager(bool value);
    TDockTree* GetDockManager() const { return FDockManager.get(); }
    int32_t GetDockClientCount() const { return int32_t(FDockClients.size()); }
    TControl* GetDockClient(int32_t index) const { return FDockClients.at(size_t(index)); }

    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign();
    void Realign();
    // Scales the control and its children by m / d (a form shown at another resolution).
    void ScaleBy(int32_t m, int32_t d);
    void ChangeScale(int32_t m, int32_t d) override;
    // Lays out the aligned and anchored children in the client area.
    virtual void AlignControls(TControl* control, TRect& rect);
    virtual void AdjustClientRect(TRect& rect) {}

    // Sunken client edge (True) or a plain border, for windows that have an edge at all; the parent's
    // setting while ParentCtl3D is set. A change re-creates the window and reaches the children that follow.
    bool GetCtl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);
    bool GetParentCtl3D() const { return FParentCtl3D; }
    void SetParentCtl3D(bool value);
    // Kept for painters that draw through an off-screen bitmap.
    bool GetDoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool value) { FDoubleBuffered = value; }

    bool GetTabStop() const { return FTabStop; }
    void SetTabStop(bool value);
    int32_t GetTabOrder() const;
    void SetTabOrder(int32_t value);
    virtual bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();
    // The next windowed descendant in tab order after current (or the first), shown and enabled; a tab stop
    // when checkTabStop, one of this control's own children when checkParent. Current itself comes last.
    TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent);
    void SelectFirst();
    void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);

    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
    TRect GetClientRect() override;
    void SetVisible(bool value) override;
    void SetEnabled(bool value) override;
    void Invalidate() override;
    void Update() override;
    bool Showing() const override;
    void Dispatch(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;
    void WndProc(TMessage& message) override;

    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    friend class TControl;
    friend TControl* GetCaptureControl();
    virtual void CreateParams(TCreateParams& params);
    // Creates the window: CreateParams, the window class, CreateWindowHandle, then the children's windows.
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& params);
    virtual void DestroyWnd();
    virtual void DestroyWindowHandle();
    virtual void CreateHandle();
    // After the window exists (the children are created next).
    virtual void CreateWndDone() {}
    virtual void PaintWindow(win::HDC dc) {}
    void PaintHandler(TMessage& message);
    // The child control that sent a notification message, from the message's own data (nullptr if none).
    TWinControl* NotificationSource(const TMessage& message) const;
    // Paints the visible graphic children onto dc, each at its place and clipped to its bounds.
    void PaintControls(win::HDC dc, TControl* first);
    // The key events: true when the key was eaten.
    virtual bool DoKeyDown(uint16_t& key, TShiftState shift);
    virtual bool DoKeyPress(char& key);
    virtual bool DoKeyUp(uint16_t& key, TShiftState shift);
    virtual void KeyDown(uint16_t& key, TShiftState shift);
    virtual void KeyPress(char& key);
    virtual void KeyUp(uint16_t& key, TShiftState shift);
    virtual void DoEnter();
    virtual void DoExit();
    // The window moved or was resized by the window system.
    virtual void WMWindowPosChanged();
    bool CanAutoSize(int32_t& newWidth, int32_t& newHeight) override;
    void BoundsChanged(bool moved, bool sized) override;
    void AlignChildren();
    // The top-level windows of the class library are children of the desktop, not of another control.
    virtual bool IsTopLevel() const { return false; }
    void UpdateShowing();
    static win::LRESULT CALLBACK_WndProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam,
                                         win::LPARAM lParam);

    virtual std::unique_ptr<TDockTree> CreateDockManager();
    void UpdateDockManager();

public:
    // A dock drag over the site: the default accepts (OnDockOver may refuse) and shows the zone the control
    // would take in the dock rectangle.
    virtual void DockOver(TDragDockObject* source, int32_t x, int32_t y, TDragState state, bool& accept);
    // Docks the dragged control (ManualDock), then OnDockDrop.
    virtual void DockDrop(TDragDockObject* source, int32_t x, int32_t y);
    // A docked client leaves for newTarget (null: floating): OnUnDock may keep it. True when it may go.
    virtual bool DoUnDock(TWinControl* newTarget, TControl* client);
    // Takes a control docking here as a child (ManualDock calls it): the default inserts it into the site;
    // a site that gives each docked control a host of its own (a page control's pages) puts it there, and
    // stays the control's host dock site.
    virtual void DoAddDockClient(TControl* client);
    // After a docked control has left the site for another or for floating.
    virtual void DoRemoveDockClient(TControl* client) {}
    // A docked control's caption (CM_TEXTCHANGED) or visibility (CM_VISIBLECHANGED) changed.
    virtual void DockClientNotify(TControl* client, win::UINT message) {}
    TDockOverEvent OnDockOver;
    TDockDropEvent OnDockDrop;
    TUnDockEvent OnUnDock;

protected:

    std::unique_ptr<TDockTree> FDockManager;
    std::vector<TControl*> FDockClients;
    bool FDockSite = false;
    bool FUseDockManager = false;
    win::HWND FHandle = nullptr;
    win::HWND FParentWindow = nullptr;
    win::WNDPROC FDefWndProc = nullptr;
    std::vector<TControl*> FControls; // every child; windowed ones are also in FWinControls
    std::vector<TWinControl*> FTabList;
    TControl* FMouseControl = nullptr;   // the graphic child under the mouse
    TControl* FCaptureControl = nullptr; // the graphic child that took the mouse on a button press
    int32_t FAlignLevel = 0;
    bool FTabStop = false;
    TSize FLastClientSize{0, 0};
    bool FDestroyingHandle = false;
    bool FCtl3D = true;
    bool FParentCtl3D = true;
    bool FDoubleBuffered = false;

private:
    // Dispatch's handlers, by message group. A window of one of the window system's classes (an edit, a
    // button) paints and erases through that class's procedure.
    bool HasClassWindowProc() const;
    void WMPaint(TMessage& message);
    void WMEraseBkgnd(TMessage& message);
    void WMWindowPosChanging(TMessage& message);
    void WMGetMinMaxInfo(TMessage& message);
    void WMKeyDown(TMessage& message); // and WM_SYSKEYDOWN
    void WMSysChar(TMessage& message);
    void WMChar(TMessage& message);
    void WMKeyUp(TMessage& message); // and WM_SYSKEYUP
    void WMSetFocus(TMessage& message);
    void WMKillFocus(TMessage& message);
    void WMLButtonDown(TMessage& message); // and WM_LBUTTONDBLCLK
    void WMLButtonUp(TMessage& message);
    void WMSetCursor(TMessage& message);
    void WMContextMenu(TMessage& message);
    // WM_COMMAND, WM_NOTIFY, the owner-draw, scroll and colour messages: back to the child they came from.
    void WMNotification(TMessage& message);
    void CMFontChanged();
    void CMColorChanged();
    void CMEnabledChanged();
    // CM_CTL3DCHANGED: followers below take the value, then one re-creation renews the whole subtree.
    void CMCtl3DChanged();
    // CM_PARENTCTL3DCHANGED (wParam set: an ancestor re-creates its windows, this one need not).
    void CMParentCtl3DChanged(TMessage& message);
};

// The dock manager of a dock site: docked controls share the site's client area, side by side when the
// site is aligned to the top or bottom of its parent, one above the other otherwise; each gets a grabber
// strip (on its left or on top) with a close button that hides it.
class TDockTree : public TObject {
public:
    explicit TDockTree(TWinControl* dockSite);
    ~TDockTree() override;
    TWinControl* GetDockSite() const { return FDockSite; }
    int32_t GetGrabberSize() const { return FGrabberSize; }
    void SetGrabberSize(int32_t value);

    virtual void InsertControl(TControl* control, TAlign insertAt, TControl* dropControl);
    virtual void RemoveControl(TControl* control);
    // Places every docked control in its zone.
    virtual void ResetBounds(bool force);
    // The zone of a docked control (site client coordinates), grabber included; empty when not shown.
    virtual TRect GetControlBounds(TControl* control);
    // Takes the grabber out of a zone.
    virtual void AdjustDockRect(TControl* control, TRect& rect);
    // Paints the grabbers of every shown docked control.
    virtual void PaintSite(win::HDC dc);
    // The grabber strip of one control: two grip lines and the close button.
    virtual void PaintDockFrame(TCanvas* canvas, TControl* control, const TRect& rect);
    // A click in the site: the close button hides its control. True when the click hit a grabber.
    virtual bool MouseDown(TPoint clientPoint);
    // The close button of a zone.
    TRect CloseButtonRect(const TRect& zone) const;

protected:
    bool GrabberOnLeft() const;
    std::vector<TControl*> FClients;
    TWinControl* FDockSite;
    int32_t FGrabberSize = 12;
};

// An image list that can follow the pointer during a drag: the image DragIndex with its hot spot.
class TDragImageList : public TCustomImageList {
public:
    explicit TDragImageList(TComponent* owner) : TCustomImageList(owner) {}
    TDragImageList(TComponent* owner, int32_t width, int32_t height) : TCustomImageList(owner, width, height) {}
    ~TDragImageList() override;
    int32_t GetDragIndex() const { return FDragIndex; }
    TPoint GetDragHotspot() const { return FDragHotspot; }
    // The image that follows the pointer and the point of it that lies under the hot spot.
    bool SetDragImage(int32_t index, int32_t hotSpotX, int32_t hotSpotY);
    // Shows the image at a screen point; Dragging until EndDrag.
    bool BeginDrag(win::HWND window, int32_t x, int32_t y);
    bool DragMove(int32_t x, int32_t y);
    bool EndDrag();
    // Hides the image while something paints under it, and shows it again.
    void HideDragImage();
    void ShowDragImage();
    bool GetDragging() const { return FDragging; }

private:
    int32_t FDragIndex = 0;
    TPoint FDragHotspot{0, 0};
    bool FDragging = false;
};

// What a drag carries: the cursor it shows, its images, and where it ended. Made by the control that starts
// the drag (or handed in by OnStartDrag, whose code then owns it).
class TDragObject : public TObject {
public:
    TDragObject() = default;
    ~TDragObject() override;
    // crDrag over an accepting control, crNoDrop elsewhere.
    virtual TCursor GetDragCursor(bool accepted, int32_t x, int32_t y);
    virtual TDragImageList* GetDragImages() { return nullptr; }
    virtual void HideDragImage();
    virtual void ShowDragImage();
    // The drag ended: over target (accepted) or over nothing (target null).
    virtual void Finished(TObject* target, int32_t x, int32_t y, bool accepted) {}
    // Where the pointer is (screen), the control under it and the point in its client coordinates.
    TPoint GetDragPos() const { return FDragPos; }
    TControl* GetDragTarget() const { return FDragTarget; }
    TPoint GetDragTargetPos() const { return FDragTargetPos; }
    bool GetCancelling() const { return FCancelling; }
    bool GetDropped() const { return FDropped; }

protected:
    friend struct TDragSession;
    TPoint FDragPos{0, 0};
    TControl* FDragTarget = nullptr;
    TPoint FDragTargetPos{0, 0};
    bool FCancelling = false;
    bool FDropped = false;
};

// A drag that carries a control.
class TBaseDragControlObject : public TDragObject {
public:
    explicit TBaseDragControlObject(TControl* control) : FControl(control) {}
    // The dragged control; null once it was freed during the drag.
    TControl* GetControl() const { return FControl; }
    void Finished(TObject* target, int32_t x, int32_t y, bool accepted) override;

protected:
    friend struct TDragSession;
    // Tells the control its drag ended.
    virtual void EndDrag(TObject* target, int32_t x, int32_t y);
    TControl* FControl;
};

// The drag of a control's own drag and drop: the control's DragCursor over accepting controls, and its
// drag images.
class TDragControlObject : public TBaseDragControlObject {
public:
    using TBaseDragControlObject::TBaseDragControlObject;
    TCursor GetDragCursor(bool accepted, int32_t x, int32_t y) override;
    TDragImageList* GetDragImages() override;
    void HideDragImage() override;
    void ShowDragImage() override;
};

// The drag of a control being docked: the screen rectangle it would take (a site's zone, or its floating
// place) and where in the site it goes.
class TDragDockObject : public TBaseDragControlObject {
public:
    explicit TDragDockObject(TControl* control);
    TCursor GetDragCursor(bool accepted, int32_t x, int32_t y) override { return crDefault; }
    TRect GetDockRect() const { return FDockRect; }
    void SetDockRect(const TRect& value) { FDockRect = value; }
    TAlign GetDropAlign() const { return FDropAlign; }
    TControl* GetDropOnControl() const { return FDropOnControl; }
    // The site under the pointer that accepted the control (null: it floats).
    bool GetFloating() const { return FFloating; }

protected:
    friend struct TDragSession;
    friend class TWinControl;
    void EndDrag(TObject* target, int32_t x, int32_t y) override;
    TRect FDockRect;
    TAlign FDropAlign = alNone;
    TControl* FDropOnControl = nullptr;
    bool FFloating = true;
    bool FPlaced = false; // docked or floated by the drop (which told the control itself)
};

// The control under a screen point, for a drag: the deepest child (windowed ones above graphic ones, the
// last in z-order first), disabled ones only when allowDisabled.
TControl* FindDragTarget(TPoint screenPoint, bool allowDisabled);
// The control that holds the mouse capture: the graphic child a press gave the mouse to, or the control of
// the window that has the capture; null when no control of this thread has it.
TControl* GetCaptureControl();
// The drag under way on this thread, or null; CancelDrag ends it as if Escape was pressed.
TDragObject* CurrentDragObject();
void CancelDrag();

// A canvas on a control: on its window's client DC, or for a graphic control on the parent's DC clipped
// to the control. Usable outside paint events too (painter threads lock it while they draw).
class TControlCanvas : public TCanvas {
public:
    TControlCanvas() = default;
    ~TControlCanvas() override;
    TControl* GetControl() const { return FControl; }
    void SetControl(TControl* value);
    // Drops the DC the canvas took for itself (paint handlers hand theirs in with SetHandle).
    void FreeHandle();
    // Clips to the control's bounds when it is a graphic control drawing on its parent's DC.
    void UpdateTextFlags() {}

protected:
    void CreateHandle() override;

private:
    TControl* FControl = nullptr;
    win::HDC FDeviceContext = nullptr;
    win::HWND FWindowHandle = nullptr;
};

class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    TCanvas* GetCanvas() const { return FCanvas.get(); }

protected:
    virtual void Paint() {}
    void PaintWindow(win::HDC dc) override;
    std::unique_ptr<TControlCanvas> FCanvas;
};

class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;
    TCanvas* GetCanvas() const { return FCanvas.get(); }
    void Dispatch(TMessage& message) override;

protected:
    virtual void Paint() {}
    std::unique_ptr<TControlCanvas> FCanvas;
};

// The form that holds a control (through its parents), or null.
TCustomForm* GetParentForm(TControl* control);

} // namespace vcl

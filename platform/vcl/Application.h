// The application (its message loop, main form, exception reporting and idle work), the screen (cursor,
// forms, monitors) and the mouse.
#pragma once

#include "platform/vcl/Controls.h"
#include "platform/vcl/StringList.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vcl {

class TCustomForm;
class THintWindow;
class TIcon;

// The small window that shows a control's hint under the mouse.
class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* owner);
    // The size the text needs, wrapped at maxWidth.
    TRect CalcHintRect(int32_t maxWidth, const std::string& text);
    // Shows text in rect (screen coordinates) without taking the activation.
    void ActivateHint(TRect rect, const std::string& text);
    void ReleaseHandle() { DestroyHandle(); }
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    bool IsTopLevel() const override { return true; }
    void Paint() override;
};

using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;

// Help commands (the Data of each): a topic by its context number, a topic as a popup by its context number,
// where the next popup shows (x in the low and y in the high 16 bits, screen coordinates).
constexpr uint16_t HELP_CONTEXT = 0x0001;
constexpr uint16_t HELP_CONTEXTPOPUP = 0x0008;
constexpr uint16_t HELP_SETPOPUP_POS = 0x000D;
// Answers a help request. Clearing CallHelp means it was handled; the result is then the request's.
using THelpEvent = std::function<bool(uint16_t Command, intptr_t Data, bool& CallHelp)>;
// A help request that nothing handled: no help viewer exists, so the application keeps it.
struct THelpRequest {
    uint16_t Command = 0;
    intptr_t Data = 0;
    bool operator==(const THelpRequest&) const = default;
};

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    void Initialize();
    std::string GetTitle() const { return FTitle; }
    void SetTitle(const std::string& value) { FTitle = value; }
    // The program's icon: every form without an icon of its own shows it, and so does the application's
    // window. Setting it copies the icon; the forms follow its changes.
    TIcon* GetIcon() const { return FIcon.get(); }
    void SetIcon(TIcon* value);
    // The path of the running program.
    std::string GetExeName() const;

    // Makes a form owned by the application; the first one becomes the main form.
    template <typename T> void CreateForm(T*& reference) {
        T* form = new T(this);
        reference = form;
        AddCreatedForm(form);
    }
    TCustomForm* GetMainForm() const { return FMainForm; }
    // Shows the main form and handles messages until the program is ended.
    void Run();
    // Handles every message waiting, then returns.
    void ProcessMessages();
    // Handles one message, or runs the idle work and waits for the next one.
    void HandleMessage();
    // Ends Run (and any modal loop) once the current message is handled.
    void Terminate();
    bool GetTerminated() const { return FTerminated; }

    // Reports an exception raised in an event handler: OnException, or a message box with its text.
    void HandleException(TObject* sender, const std::exception& e);
    void ShowException(const std::exception& e);
    int32_t MessageBox(const std::string& text, const std::string& caption, uint32_t flags);

    // A hidden window that belongs to the application.
    win::HWND GetHandle();
    bool GetActive() const;

    // Hints: shown HintPause ms after the mouse comes to rest on a control with a hint, hidden after
    // HintHidePause ms, on a click or a key, or when the mouse moves to another control.
    uint32_t GetHintPause() const { return FHintPause; }
    void SetHintPause(uint32_t value) { FHintPause = value; }
    uint32_t GetHintHidePause() const { return FHintHidePause; }
    void SetHintHidePause(uint32_t value) { FHintHidePause = value; }
    bool GetShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    // The application's hint: the hint window sets it to the hint it shows and empties it when the hint goes;
    // others may set it too (a menu's long hint). OnHint runs on each change.
    std::string GetHint() const { return FHint; }
    void SetHint(const std::string& value);
    THintWindow* GetHintWindow() const { return FHintWindow; }
    // The background of hints; the hint window takes it when it shows a hint.
    TColor GetHintColor() const { return FHintColor; }
    void SetHintColor(TColor value);
    // Whether command hints name their shortcut ("Open (Ctrl+O)").
    bool GetHintShortCuts() const { return FHintShortCuts; }
    void SetHintShortCuts(bool value) { FHintShortCuts = value; }
    void CancelHint();
    // Called by controls.
    void HintMouseMove(TControl* control);
    void HintMouseLeft(TControl* control);
    void HintTimer(uintptr_t id);
    void Notification(TComponent* component, TOperation operation) override;

    void ModalStarted();
    void ModalFinished();
    int32_t ModalLevel() const { return FModalLevel; }

    // Help: OnHelp answers first; a request it leaves (CallHelp still set) would go to the help viewer,
    // which does not exist: it is kept in GetHelpRequests, and the answer is false.
    bool HelpContext(THelpContext context);
    bool HelpCommand(uint16_t command, intptr_t data);
    const std::vector<THelpRequest>& GetHelpRequests() const { return FHelpRequests; }

    TExceptionEvent OnException;
    TNotifyEvent OnHint;
    THelpEvent OnHelp;
    TIdleEvent OnIdle;
    TNotifyEvent OnModalBegin;
    TNotifyEvent OnModalEnd;

    // Called by forms.
    void FormDestroyed(TCustomForm* form);
    // For tests: forget the main form, the end of the loop and the help requests.
    void ResetForTesting();

private:
    void AddCreatedForm(TCustomForm* form);
    bool ProcessMessage();
    void Idle();
    void InstallWake();

    std::string FTitle;
    std::unique_ptr<TIcon> FIcon;
    TCustomForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FWakeInstalled = false;
    int32_t FModalLevel = 0;
    win::HWND FHandle = nullptr;
    uint32_t FHintPause = 500;
    uint32_t FHintHidePause = 2500;
    bool FShowHint = true;
    bool FHintShown = false;
    std::string FHintText;
    std::string FHint;
    TColor FHintColor = clInfoBk;
    bool FHintShortCuts = true;
    std::vector<THelpRequest> FHelpRequests;
    TControl* FHintControl = nullptr;
    THintWindow* FHintWindow = nullptr;
};

struct TMonitor {
    int32_t MonitorNum = 0;
    TRect BoundsRect;
    TRect WorkareaRect;
    bool Primary = false;
    int32_t Left() const { return BoundsRect.Left; }
    int32_t Top() const { return BoundsRect.Top; }
    int32_t Width() const { return BoundsRect.Width(); }
    int32_t Height() const { return BoundsRect.Height(); }
};

enum TMonitorDefaultTo { mdNearest, mdNull, mdPrimary };

class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* owner);

    // The cursor the whole program shows (crDefault: each control's own).
    TCursor GetCursor() const { return FCursor; }
    void SetCursor(TCursor value);
    // The cursor handle for a cursor id (standard ones and those registered with SetCursors).
    win::HCURSOR GetCursors(TCursor id) const;
    void SetCursors(TCursor id, win::HCURSOR handle);

    int32_t GetFormCount() const { return int32_t(FForms.size()); }
    TCustomForm* GetForm(int32_t index) const { return FForms.at(size_t(index)); }
    TCustomForm* GetActiveForm() const { return FActiveForm; }
    TWinControl* GetActiveControl() const;

    // The names of the font families installed, sorted without regard to case (read once).
    TStrings* GetFonts();
    // The font of hints: the status font of the non-client metrics in clInfoText (read when first asked
    // for, again when those metrics change).
    TFont* GetHintFont();
    void UpdateHintFont();

    int32_t GetWidth() const;
    int32_t GetHeight() const;
    TRect GetWorkAreaRect() const;
    int32_t GetMonitorCount() const;
    TMonitor GetMonitor(int32_t index) const;
    TMonitor MonitorFromPoint(TPoint point, TMonitorDefaultTo fallback = mdNearest) const;

    void AddForm(TCustomForm* form);
    void RemoveForm(TCustomForm* form);
    void FormActivated(TCustomForm* form);

private:
    TCursor FCursor = crDefault;
    std::vector<std::pair<TCursor, win::HCURSOR>> FCursors;
    std::vector<TCustomForm*> FForms;
    TCustomForm* FActiveForm = nullptr;
    std::unique_ptr<TStringList> FFonts;
    std::unique_ptr<TFont> FHintFont;
};

class TMouse {
public:
    TPoint GetCursorPos() const;
    void SetCursorPos(TPoint value);
    int32_t GetDragThreshold() const { return FDragThreshold; }
    void SetDragThreshold(int32_t value) { FDragThreshold = value; }
    int32_t GetWheelScrollLines() const;
    bool GetMousePresent() const { return true; }

private:
    int32_t FDragThreshold = 5;
};

// The standard cursor of a cursor id (the arrow for unknown ones).
win::HCURSOR CursorHandle(TCursor cursor);

// A hidden top-level window of the calling thread whose messages go to handler (which sets Message.Result
// and calls win::DefWindowProc itself for what it does not answer): posted and sent ones,
// timers, and what the system broadcasts to every top-level window (setting, colour and theme changes).
// The messages of its creation go to DefWindowProc. An exception the handler lets out goes to the
// application's exception handler.
win::HWND AllocateHWnd(TWndMethod handler);
// Destroys such a window; from then on the handler gets nothing, also when it is running now (it may call
// this itself). Null and handles that name no such window are ignored.
void DeallocateHWnd(win::HWND window);

extern TApplication* Application;
extern TScreen* Screen;
extern TMouse* Mouse;

} // namespace vcl

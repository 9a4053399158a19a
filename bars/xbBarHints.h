// Tooltips of toolbar buttons: one hint window shared by every bar manager of the process. A hint shows one
// second after the mouse came to rest on an item of a toolbar, at once when another hint was visible or had
// gone less than 400 ms ago, and goes after ten seconds or when the mouse leaves. Bar windows ask through
// the manager's UpdateHint; this module decides on the text, the shortcut suffix and the timing.
#pragma once

#include "platform/vcl/Controls.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <string>

namespace bars {

class TxbBarManager;

constexpr win::UINT BarHintShowDelay = 1000, BarHintHideDelay = 10000, BarHintReshowWindow = 400;

class TxbBarHintWindow : public vcl::TCustomControl {
public:
    explicit TxbBarHintWindow(vcl::TComponent* owner);
    // Measures the text in the manager's font (or the system's status font), places the window 20 pixels
    // below the cursor's point, or above it near the bottom of the work area, and shows it without
    // activating it.
    virtual void ShowHintAt(win::TPoint point, const std::string& text, TxbBarManager* manager);

protected:
    void CreateParams(vcl::TCreateParams& params) override;
    void WndProc(vcl::TMessage& message) override;
    void Paint() override;
};

// The shared window (null before the first hint and after the last manager).
TxbBarHintWindow* BarHintWindow();
void FreeBarHintWindow();

// The hint text an item control shows: the part before "|"; with the shortcut suffix " (Ctrl+O)" when
// showShortCut and the shortcut has a text.
std::string ComposeBarHintText(const std::string& hint, bool showShortCut, const std::string& shortCutText);

// The manager's hint requests: show (for its selected item control or for text) or withdraw.
void UpdateBarHint(TxbBarManager* manager, bool show, const std::string& text);
void ShowBarHintNow(TxbBarManager* manager);
// A manager that goes stops the timers that work for it (hiding its hint).
void BarHintManagerDestroying(TxbBarManager* manager);
bool IsBarHintShown();
// Hides the window without touching the requests and timers (a bar window joining or leaving the active chain).
void HideBarHintWindow();

} // namespace bars

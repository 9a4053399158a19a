// A screen in memory for tests: monitors of a chosen size, input injected by the test or replayed from a
// script while a modal loop waits, and a loop that waits with nothing left to replay fails at once.
#pragma once

#include "platform/win/user/Backend.h"
#include "platform/win/user/Input.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace win {
class ManualClock;
}

namespace headless {

using win::MouseAction;
using win::TPoint;
using win::TRect;

class HeadlessScreen final : public win::IScreenBackend {
public:
    // Installs itself as the window system's screen; the destructor puts the previous one back.
    explicit HeadlessScreen(TRect bounds = {0, 0, 1024, 768}, TRect work = {0, 0, 1024, 738});
    ~HeadlessScreen() override;
    HeadlessScreen(const HeadlessScreen&) = delete;
    HeadlessScreen& operator=(const HeadlessScreen&) = delete;

    // Screen layout.
    void SetMonitors(std::vector<win::MonitorDesc> monitors);
    // The screen's colour depth, 32 at first; it reaches the GDI (GetDeviceCaps BITSPIXEL) and the windows
    // (WM_DISPLAYCHANGE) as a real display's does. Depths the GDI cannot draw at (other than 1, 4, 8, 16, 24,
    // 32) are ignored.
    void SetDepth(int bitsPerPixel);
    // Whether layered windows count as translucent (a desktop with a compositing manager); default yes.
    void SetComposited(bool value) { FComposited = value; }

    // Input now: queued at once for the next message loop to take.
    void InjectMouse(MouseAction action, TPoint screen, int wheelDelta = 0);
    void InjectClick(TPoint screen);
    void InjectKey(int vk, bool down);
    void InjectKeyPress(int vk); // down and up
    // Types text through the keyboard layout: Shift is pressed where a character needs it.
    void InjectText(const std::string& text);

    // Input later: replayed one step each time a message loop waits with an empty queue, so a test can
    // drive a modal loop it cannot return from. A step may be any action (advance a manual clock, check
    // state, post a message).
    void Script(std::function<void()> step);
    void ScriptMouse(MouseAction action, TPoint screen, int wheelDelta = 0);
    void ScriptClick(TPoint screen);
    void ScriptKeyPress(int vk);
    void ScriptText(const std::string& text);
    void ScriptAdvance(win::ManualClock& clock, uint64_t ms);
    size_t ScriptLeft() const;

    // How long a wait with nothing scripted gives other threads to post something before it fails.
    void SetStallGraceMs(uint32_t ms) { FGraceMs = ms; }

    // Pixels as a person would see them (COLORREF, red in the low byte): a window's own image at a point of
    // its window rectangle, and the screen composed from every visible top-level window (layered ones with
    // their alpha) over the desktop's colour.
    win::COLORREF WindowPixel(win::HWND hwnd, int x, int y) const;
    win::COLORREF ScreenPixel(int x, int y) const;
    // How often each top-level window was presented since the last call.
    int TakePresentCount(win::HWND top);

    // Common dialogs: each dialog shown takes the next answer of its kind (an answer returns false to
    // cancel). A dialog shown with no answer left fails the test (StallError). Every request is kept.
    using FileAnswer = std::function<bool(const win::FileDialogRequest&, win::FileDialogResult*)>;
    using ColorAnswer = std::function<bool(const win::ColorDialogRequest&, win::ColorDialogResult*)>;
    void AnswerFileDialog(FileAnswer answer);
    void AnswerColorDialog(ColorAnswer answer);
    // Shorthands: accept with these files (filter unchanged), accept with a colour, or cancel.
    void AnswerFiles(std::vector<std::string> files);
    void AnswerColor(win::COLORREF color);
    void CancelFileDialog();
    void CancelColorDialog();
    const std::vector<win::FileDialogRequest>& FileDialogRequests() const { return FFileRequests; }
    const std::vector<win::ColorDialogRequest>& ColorDialogRequests() const { return FColorRequests; }

    // Recorded beeps (MessageBeep types) and sounds (PlaySound's alias or file name and flags).
    struct SoundRecord {
        std::string Sound;
        win::DWORD Flags = 0;
    };
    const std::vector<win::UINT>& Beeps() const { return FBeeps; }
    const std::vector<SoundRecord>& Sounds() const { return FSounds; }

    // IScreenBackend
    std::vector<win::MonitorDesc> Monitors() override;
    int ScreenDepth() override { return FDepth; }
    bool Composited() override { return FComposited; }
    void WaitForEvents(win::DWORD timeoutMs, const std::string& waiter) override;
    void Wake() override;
    void Beep(win::UINT type) override { FBeeps.push_back(type); }
    void PlaySound(const std::string& sound, win::DWORD flags) override { FSounds.push_back({sound, flags}); }
    void Present(win::HWND hwnd, const TRect& dirty) override;
    bool FileDialog(const win::FileDialogRequest& request, win::FileDialogResult* result) override;
    bool ColorDialog(const win::ColorDialogRequest& request, win::ColorDialogResult* result) override;

private:
    mutable std::mutex FLock;
    std::condition_variable FCv;
    bool FWoken = false;
    std::deque<std::function<void()>> FScript;
    std::vector<win::MonitorDesc> FMonitors;
    std::vector<win::UINT> FBeeps;
    std::vector<SoundRecord> FSounds;
    std::deque<FileAnswer> FFileAnswers;
    std::deque<ColorAnswer> FColorAnswers;
    std::vector<win::FileDialogRequest> FFileRequests;
    std::vector<win::ColorDialogRequest> FColorRequests;
    std::vector<std::pair<win::HWND, int>> FPresents;
    int FDepth = 32;
    bool FComposited = true;
    uint32_t FGraceMs = 200;
    win::IScreenBackend* FPrevious = nullptr;
};

} // namespace headless

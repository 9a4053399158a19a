#include "platform/backend/headless/HeadlessScreen.h"

#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <chrono>

namespace headless {

using namespace win;

HeadlessScreen::HeadlessScreen(TRect bounds, TRect work) : FMonitors{{bounds, work, true}} {
    // Remember whoever was installed so nesting screens in a test restores it.
    FPrevious = InstalledScreenBackend();
    SetScreenBackend(this);
}

HeadlessScreen::~HeadlessScreen() {
    SetScreenBackend(FPrevious);
}

void HeadlessScreen::SetDepth(int bitsPerPixel) {
    if (!ScreenBitsPixelSupported(bitsPerPixel))
        return;
    FDepth = bitsPerPixel;
    if (InstalledScreenBackend() == this)
        win::ScreenDepthChanged();
}

void HeadlessScreen::SetMonitors(std::vector<MonitorDesc> monitors) {
    std::lock_guard<std::mutex> guard(FLock);
    FMonitors = std::move(monitors);
}

std::vector<MonitorDesc> HeadlessScreen::Monitors() {
    std::lock_guard<std::mutex> guard(FLock);
    return FMonitors;
}

void HeadlessScreen::InjectMouse(MouseAction action, TPoint screen, int wheelDelta) {
    QueueMouseInput(action, screen, wheelDelta);
}

void HeadlessScreen::InjectClick(TPoint screen) {
    QueueMouseInput(MouseAction::Move, screen);
    QueueMouseInput(MouseAction::LeftDown, screen);
    QueueMouseInput(MouseAction::LeftUp, screen);
}

void HeadlessScreen::InjectKey(int vk, bool down) {
    QueueKeyInput(vk, down);
}

void HeadlessScreen::InjectKeyPress(int vk) {
    QueueKeyInput(vk, true);
    QueueKeyInput(vk, false);
}

void HeadlessScreen::InjectText(const std::string& text) {
    for (char ch : text) {
        int16_t scan = VkKeyScan(ch);
        if (scan == -1)
            continue;
        int vk = scan & 0xFF;
        bool shift = scan & 0x100, ctrl = scan & 0x200;
        if (shift)
            QueueKeyInput(VK_SHIFT, true);
        if (ctrl)
            QueueKeyInput(VK_CONTROL, true);
        QueueKeyInput(vk, true, static_cast<unsigned char>(ch));
        QueueKeyInput(vk, false);
        if (ctrl)
            QueueKeyInput(VK_CONTROL, false);
        if (shift)
            QueueKeyInput(VK_SHIFT, false);
    }
}

void HeadlessScreen::Script(std::function<void()> step) {
    std::lock_guard<std::mutex> guard(FLock);
    FScript.push_back(std::move(step));
}

void HeadlessScreen::ScriptMouse(MouseAction action, TPoint screen, int wheelDelta) {
    Script([=] { QueueMouseInput(action, screen, wheelDelta); });
}

void HeadlessScreen::ScriptClick(TPoint screen) {
    Script([this, screen] { InjectClick(screen); });
}

void HeadlessScreen::ScriptKeyPress(int vk) {
    Script([this, vk] { InjectKeyPress(vk); });
}

void HeadlessScreen::ScriptText(const std::string& text) {
    Script([this, text] { InjectText(text); });
}

void HeadlessScreen::ScriptAdvance(ManualClock& clock, uint64_t ms) {
    Script([&clock, ms] { clock.Advance(ms); });
}

size_t HeadlessScreen::ScriptLeft() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FScript.size();
}

void HeadlessScreen::WaitForEvents(DWORD timeoutMs, const std::string& waiter) {
    std::function<void()> step;
    {
        std::unique_lock<std::mutex> lock(FLock);
        if (FWoken) {
            FWoken = false;
            return;
        }
        if (!FScript.empty()) {
            step = std::move(FScript.front());
            FScript.pop_front();
        } else {
            bool manual = dynamic_cast<ManualClock*>(&GetClock()) != nullptr;
            if (timeoutMs != INFINITE && !manual) {
                // Real time passes on the system clock: the timer the loop waits for will come.
                FCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return FWoken; });
                FWoken = false;
                return;
            }
            if (!FCv.wait_for(lock, std::chrono::milliseconds(FGraceMs), [this] { return FWoken; }))
                throw StallError(waiter +
                                 " waits for input, and the headless screen has nothing left to replay");
            FWoken = false;
            return;
        }
    }
    step();
}

COLORREF HeadlessScreen::WindowPixel(HWND hwnd, int x, int y) const {
    HWND top = GetAncestor(hwnd, GA_ROOT);
    WindowSurface surface;
    if (!top || !GetWindowSurface(top, &surface))
        return CLR_INVALID;
    TRect tr, wr;
    GetWindowRect(top, &tr);
    GetWindowRect(hwnd, &wr);
    x += wr.Left - tr.Left;
    y += wr.Top - tr.Top;
    if (x < 0 || y < 0 || x >= surface.Width || y >= surface.Height)
        return CLR_INVALID;
    const uint8_t* p = surface.Bits + int64_t(y) * surface.Stride + x * 4;
    return RGB(p[2], p[1], p[0]);
}

COLORREF HeadlessScreen::ScreenPixel(int x, int y) const {
    COLORREF desktop = GetSysColor(COLOR_BACKGROUND);
    double r = GetRValue(desktop), g = GetGValue(desktop), b = GetBValue(desktop);
    std::vector<HWND> tops;
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&tops));
    // EnumWindows lists the topmost first: compose from the bottom up.
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        HWND w = *it;
        WindowSurface surface;
        TRect wr;
        if (!IsWindowVisible(w) || !GetWindowRect(w, &wr) || !GetWindowSurface(w, &surface))
            continue;
        int wx = x - wr.Left, wy = y - wr.Top;
        if (wx < 0 || wy < 0 || wx >= surface.Width || wy >= surface.Height)
            continue;
        if (surface.Region && !PtInRegion(surface.Region, wx, wy))
            continue;
        const uint8_t* p = surface.Bits + int64_t(wy) * surface.Stride + wx * 4;
        double constant = surface.Alpha / 255.0;
        if (surface.PerPixelAlpha) {
            // Premultiplied colour over what is below.
            double a = p[3] / 255.0 * constant;
            r = p[2] * constant + r * (1 - a);
            g = p[1] * constant + g * (1 - a);
            b = p[0] * constant + b * (1 - a);
        } else {
            r = p[2] * constant + r * (1 - constant);
            g = p[1] * constant + g * (1 - constant);
            b = p[0] * constant + b * (1 - constant);
        }
    }
    auto clamp = [](double v) { return uint8_t(std::min(255.0, std::max(0.0, v + 0.5))); };
    return RGB(clamp(r), clamp(g), clamp(b));
}

void HeadlessScreen::Present(HWND hwnd, const TRect&) {
    std::lock_guard<std::mutex> guard(FLock);
    for (auto& [w, n] : FPresents)
        if (w == hwnd) {
            ++n;
            return;
        }
    FPresents.emplace_back(hwnd, 1);
}

int HeadlessScreen::TakePresentCount(HWND top) {
    std::lock_guard<std::mutex> guard(FLock);
    for (auto& [w, n] : FPresents)
        if (w == top) {
            int count = n;
            n = 0;
            return count;
        }
    return 0;
}

void HeadlessScreen::Wake() {
    std::lock_guard<std::mutex> guard(FLock);
    FWoken = true;
    FCv.notify_all();
}

void HeadlessScreen::AnswerFileDialog(FileAnswer answer) {
    std::lock_guard<std::mutex> guard(FLock);
    FFileAnswers.push_back(std::move(answer));
}

void HeadlessScreen::AnswerColorDialog(ColorAnswer answer) {
    std::lock_guard<std::mutex> guard(FLock);
    FColorAnswers.push_back(std::move(answer));
}

void HeadlessScreen::AnswerFiles(std::vector<std::string> files) {
    AnswerFileDialog([files](const FileDialogRequest&, FileDialogResult* result) {
        result->Files = files;
        return true;
    });
}

void HeadlessScreen::AnswerColor(COLORREF color) {
    AnswerColorDialog([color](const ColorDialogRequest&, ColorDialogResult* result) {
        result->Color = color;
        return true;
    });
}

void HeadlessScreen::CancelFileDialog() {
    AnswerFileDialog([](const FileDialogRequest&, FileDialogResult*) { return false; });
}

void HeadlessScreen::CancelColorDialog() {
    AnswerColorDialog([](const ColorDialogRequest&, ColorDialogResult*) { return false; });
}

bool HeadlessScreen::FileDialog(const FileDialogRequest& request, FileDialogResult* result) {
    FileAnswer answer;
    {
        std::lock_guard<std::mutex> guard(FLock);
        FFileRequests.push_back(request);
        if (FFileAnswers.empty())
            throw StallError(WaitScope::Current() + " waits for an answer, but the script has none");
        answer = std::move(FFileAnswers.front());
        FFileAnswers.pop_front();
    }
    return answer(request, result);
}

bool HeadlessScreen::ColorDialog(const ColorDialogRequest& request, ColorDialogResult* result) {
    ColorAnswer answer;
    {
        std::lock_guard<std::mutex> guard(FLock);
        FColorRequests.push_back(request);
        if (FColorAnswers.empty())
            throw StallError(WaitScope::Current() + " waits for an answer, but the script has none");
        answer = std::move(FColorAnswers.front());
        FColorAnswers.pop_front();
    }
    return answer(request, result);
}

} // namespace headless

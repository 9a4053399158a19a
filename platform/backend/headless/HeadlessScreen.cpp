#include "platform/backend/headless/HeadlessScreen.h"

#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/User.h"

#include <chrono>

namespace headless {

using namespace win;

HeadlessScreen::HeadlessScreen(TRect bounds, TRect work) : FMonitors{{bounds, work, true}} {
    // Remember whoever was installed so nesting screens in a test restores it.
    FPrevious = InstalledScreenBackend();
    SetScreenBackend(this);
}

HeadlessScreen::~HeadlessScreen() { SetScreenBackend(FPrevious); }

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

void HeadlessScreen::InjectKey(int vk, bool down) { QueueKeyInput(vk, down); }

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
                throw StallError(waiter + " waits for input, and the headless screen has nothing left to replay");
            FWoken = false;
            return;
        }
    }
    step();
}

void HeadlessScreen::Wake() {
    std::lock_guard<std::mutex> guard(FLock);
    FWoken = true;
    FCv.notify_all();
}

} // namespace headless

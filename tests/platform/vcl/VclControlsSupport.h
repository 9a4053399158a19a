// Shared by the tests of the standard and common control wrappers: a headless screen, a shown form and
// helpers that click and type as a person would.
#pragma once

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <string>

namespace vcltest {

// A graphic control that paints nothing of its own.
class TPlainGraphic : public vcl::TGraphicControl {
public:
    explicit TPlainGraphic(vcl::TComponent* owner) : vcl::TGraphicControl(owner) {}
};

// A control of class T on parent at r, with a caption where one is given.
template <class T> T* Place(vcl::TWinControl* parent, vcl::TRect r, const std::string& caption = "") {
    auto* c = new T(parent);
    c->SetParent(parent);
    c->SetBoundsRect(r);
    if (!caption.empty())
        c->SetCaption(caption);
    return c;
}

class VclControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        FClock.SetAutoAdvance(true);
        win::ResetInputState();
        FScreen.SetStallGraceMs(0);
        vcl::Application->ResetForTesting();
    }
    void TearDown() override {
        while (vcl::Screen->GetFormCount() > 0)
            vcl::Screen->GetForm(0)->Free();
        win::MSG m;
        while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE)) {
        }
        vcl::Application->ResetForTesting();
        win::ResetInputState();
    }
    vcl::TForm* MakeForm(vcl::TRect bounds = {100, 100, 500, 400}) {
        auto* f = new vcl::TForm(nullptr);
        f->SetBoundsRect(bounds);
        f->Show();
        Pump();
        return f;
    }
    void Pump() { vcl::Application->ProcessMessages(); }
    // A click at a client point of a control.
    void Click(vcl::TControl* c, int x, int y) {
        FScreen.InjectClick(c->ClientToScreen({x, y}));
        Pump();
    }
    void Key(int vk) {
        FScreen.InjectKeyPress(vk);
        Pump();
    }
    void Chord(int modifier, int vk) {
        FScreen.InjectKey(modifier, true);
        FScreen.InjectKeyPress(vk);
        FScreen.InjectKey(modifier, false);
        Pump();
    }
    void Type(const std::string& text) {
        FScreen.InjectText(text);
        Pump();
    }
    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen;
};

} // namespace vcltest

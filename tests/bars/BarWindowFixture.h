// A fixture of bar windows drawn by the tests' painter family: a shown form with a manager answering the test
// painter, docked bars of buttons whose links are laid out in a row at their controls' sizes, scripted mouse
// input on the headless screen, and a log of the click chain.
#pragma once

#include "BarsTestSupport.h"
#include "TestPainter.h"

#include "platform/win/user/Messages.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace barstest {

// A manager of the tests that records the customizing drags it is asked to run.
class TRecordingManager : public TTestPainterManager {
public:
    using TTestPainterManager::TTestPainterManager;
    void RunCustomizingDrag(bars::TxbBarItem* item, bars::TxbBarItemLink* link) override {
        Drags.push_back({item, link});
    }
    std::vector<std::pair<bars::TxbBarItem*, bars::TxbBarItemLink*>> Drags;
};

// A bar window of the tests (a toolbar window that takes its sizes from the test). Menu makes it answer as a
// menu window.
class TPressBarWindow : public TTestBarWindow {
public:
    using TTestBarWindow::TTestBarWindow;
    bool IsToolbar() const override { return !Menu; }
    bool IsMenu() const override { return Menu; }
    bool ShowsApplicationHint() const override { return PopupChain; }
    bool Menu = false;
    bool PopupChain = false;
};

class BarWindowFixture : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        TTestPainter::Calls().clear();
        Log().clear();
        Form->SetBounds(0, 0, 640, 480);
        Manager = new TRecordingManager(Form);
        Manager->OnClickItem = [this](vcl::TObject*, bars::TxbBarItem* item) {
            Log().push_back("OnClickItem " + item->GetCaption() + " used +" +
                            std::to_string(item->GetLink(0)->GetUseCount() - UseCountBefore) + " active " +
                            std::to_string(bars::GetActiveBarControl() != nullptr));
        };
        Form->Show();
        bars::SetBarControlFactory([this](bars::TxbBar* bar) -> bars::TxbBarControl* {
            auto* window = new TPressBarWindow(bar);
            window->Thickness = 30;
            window->MinLength = window->MaxLength = 400;
            window->Menu = NextMenu;
            return window;
        });
    }
    void TearDown() override {
        // Keyboard mode ends before the form is deleted (a test deletes it without freeing it first).
        if (bars::TCustomxbBarControl* head = bars::GetActiveBarControl())
            head->DeactivateAll();
        bars::SetBarControlFactory(nullptr);
        BarsFixture::TearDown();
    }
    static std::vector<std::string>& Log() {
        static std::vector<std::string> log;
        return log;
    }
    // A button of the bar logging its clicks.
    template <class TButton = bars::TxbBarButton> TButton* AddButton(bars::TxbBar* bar, const char* caption) {
        auto* button = new TButton(Form);
        button->SetCaption(caption);
        button->OnClick = [button](vcl::TObject*) { Log().push_back("OnClick " + button->GetCaption()); };
        bar->GetItemLinks()->Add()->SetItem(button);
        return button;
    }
    // A docked bar of buttons with the given captions, its window made and its links laid out.
    bars::TxbBar* MakeBar(std::initializer_list<const char*> captions, bars::TxbBarDockingStyle style = bars::dsTop) {
        bars::TxbBar* bar = Manager->GetBars()->Add();
        bar->SetDockingStyle(style);
        for (const char* caption : captions)
            AddButton(bar, caption);
        bar->SetVisible(true);
        if (bar->GetControl()) {
            bar->GetControl()->HandleNeeded();
            Layout(bar);
        }
        return bar;
    }
    // The window lays its links out as it does when painted.
    static void Layout(bars::TxbBar* bar) {
        DrainMessages();
        if (bar->GetControl())
            bar->GetControl()->ArrangeItemLinks();
    }
    static bars::TxbBarItemControl* Control(bars::TxbBar* bar, int index) {
        return bar->GetItemLinks()->GetItem(index)->GetControl();
    }
    // A point of a control's rectangle on the screen, dx and dy from its top-left corner (negative: from the
    // right or bottom edge).
    static win::TPoint ScreenPoint(bars::TxbBarItemControl* control, int32_t dx = 2, int32_t dy = 2) {
        const win::TRect r = control->GetWindow()->GetItemScreenRect(control);
        return {dx >= 0 ? r.Left + dx : r.Right + dx, dy >= 0 ? r.Top + dy : r.Bottom + dy};
    }
    void Mouse(win::MouseAction action, const win::TPoint& screen) {
        FScreen.InjectMouse(action, screen);
        DrainMessages();
    }
    void Click(const win::TPoint& screen) {
        Mouse(win::MouseAction::Move, screen);
        Mouse(win::MouseAction::LeftDown, screen);
        Mouse(win::MouseAction::LeftUp, screen);
    }
    static void Key(bars::TCustomxbBarControl* window, win::UINT vk) {
        win::SendMessage(window->GetHandle(), win::WM_KEYDOWN, vk, 0);
    }

    TRecordingManager* Manager = nullptr;
    int32_t UseCountBefore = 0;
    bool NextMenu = false;
};

} // namespace barstest

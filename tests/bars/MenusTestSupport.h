// The fixture of the menu tests: a shown, active form with a manager, a main menu bar of test windows with
// sub items whose menus hold command buttons, and helpers that type keys and move the mouse through the
// window system's input queue (so the bar library's hooks see them).
#pragma once

#include "BarsTestSupport.h"
#include "TestPainter.h"

#include "bars/xbBarHooks.h"
#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarSubMenu.h"
#include "platform/vcl/ActnList.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"

#include <memory>
#include <string>
#include <vector>

namespace barstest {

// A command button kind whose control is the plain item control (its size comes from the menu's rows).
class TMenuButton : public bars::TxbBarButton {
public:
    using bars::TxbBarButton::TxbBarButton;
};

// The menu operations of the test painter: each fills its rectangle with a colour of its own as well and
// records the call (Extra: up for scroll arrows, hot for the expand arrow and the tear-off strip, a run start
// for separators).
enum TMenuTestSlot { tsMenuFrame = tsSlotCount, tsMenuSeparator, tsMenuScrollArrow, tsMenuExpandArrow, tsDetachBar };
inline TTestSlot MenuSlot(TMenuTestSlot slot) { return TTestSlot(int(slot)); }
inline int32_t MenuTestColor(TMenuTestSlot slot) { return TestPainterColor(MenuSlot(slot)); }

class TMenuTestPainter : public TTestPainter {
public:
    const char* ClassName() const override { return "TMenuTestPainter"; }
    static const TMenuTestPainter* MenuInstance() {
        static const TMenuTestPainter painter;
        return &painter;
    }
    void DrawMenuFrame(const bars::TxbPaintMenu&, win::HDC dc, win::HBRUSH, win::TRect rect) const override {
        Fill(MenuSlot(tsMenuFrame), dc, rect, nullptr);
    }
    void DrawMenuSeparator(const bars::TxbPaintMenu&, win::HDC dc, bool runStart, int32_t, const win::TRect& itemRect,
                           win::TRect& separatorRect) const override {
        separatorRect = {itemRect.Left, itemRect.Top - GetMenuSeparatorHeight(), itemRect.Right, itemRect.Top};
        Fill(MenuSlot(tsMenuSeparator), dc, separatorRect, nullptr, {}, runStart);
    }
    // Like the families' arrows, it keeps what it drew out of the clip, so the row's background painted next
    // leaves it.
    void DrawMenuScrollArrow(const bars::TxbPaintMenu&, win::HDC dc, bool up, const win::TRect& rect) const override {
        Fill(MenuSlot(tsMenuScrollArrow), dc, rect, nullptr, {}, up);
        win::ExcludeClipRect(dc, rect.Left, rect.Top, rect.Right, rect.Bottom);
    }
    void DrawMenuExpandArrow(const bars::TxbPaintMenu&, win::HDC dc, bool hot, const win::TRect& rect) const override {
        Fill(MenuSlot(tsMenuExpandArrow), dc, rect, nullptr, {}, hot);
    }
    void DrawDetachBar(const bars::TxbPaintMenu& menu, win::HDC dc, const win::TRect& rect) const override {
        Fill(MenuSlot(tsDetachBar), dc, rect, nullptr, {}, menu.DetachBarHot);
    }

protected:
    TMenuTestPainter() = default;
};

class TMenuTestPainterManager : public bars::TxbBarManager {
public:
    explicit TMenuTestPainterManager(vcl::TComponent* owner) : bars::TxbBarManager(owner) { ReapplyStyle(); }
    bars::TxbBarItemControlPainterClass GetPainterClass() override { return TMenuTestPainter::MenuInstance(); }
};

class MenusFixture : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        bars::RegisterItemClass<TMenuButton, bars::TxbBarItemControl>("TMenuButton", false);
        Form->SetBounds(100, 100, 640, 480);
        Form->OnKeyUp = [this](vcl::TObject*, uint16_t& key, vcl::TShiftState) { FormKeysUp.push_back(key); };
        Form->OnKeyDown = [this](vcl::TObject*, uint16_t& key, vcl::TShiftState) { FormKeysDown.push_back(key); };
        Manager = MakeManager();
        Manager->SetStyle(bars::bmsStandard);
        Windows = std::make_unique<ScopedTestWindows>();
        vcl::Application->OnException = [this](vcl::TObject*, const std::exception& e) { Errors.push_back(e.what()); };
    }
    void TearDown() override {
        while (bars::GetActiveBarControl())
            bars::GetActiveBarControl()->DeactivateAll();
        delete Form;
        Form = nullptr;
        Windows.reset();
        bars::UnregisterItemClass(typeid(TMenuButton));
        BarsFixture::TearDown();
    }

    bars::TxbBarSubItem* AddSub(bars::TxbBarItemLinks* links, const std::string& caption) {
        auto* sub = new bars::TxbBarSubItem(Form);
        sub->SetCaption(caption);
        links->Add()->SetItem(sub);
        return sub;
    }
    TMenuButton* AddButton(bars::TxbBarItemLinks* links, const std::string& caption, vcl::TShortCut shortCut = 0) {
        auto* button = new TMenuButton(Form);
        button->SetCaption(caption);
        button->SetShortCut(shortCut);
        button->OnClick = [this, button](vcl::TObject*) { Clicks.push_back(button->GetCaption()); };
        links->Add()->SetItem(button);
        return button;
    }
    // The main menu bar docked at the top with "&File" (Open, Save, a cascade "&Recent" holding "One") and
    // "&Edit" (Undo), shown on the active form.
    void MakeMenuBar() {
        MainBar = Manager->GetBars()->Add();
        MainBar->SetIsMainMenu(true);
        MainBar->SetDockingStyle(bars::dsTop);
        File = AddSub(MainBar->GetItemLinks(), "&File");
        Open = AddButton(File->GetItemLinks(), "&Open", vcl::ShortCut('O', vcl::TShiftState{vcl::ssCtrl}));
        AddButton(File->GetItemLinks(), "&Save");
        Recent = AddSub(File->GetItemLinks(), "&Recent");
        AddButton(Recent->GetItemLinks(), "One");
        Edit = AddSub(MainBar->GetItemLinks(), "&Edit");
        AddButton(Edit->GetItemLinks(), "&Undo");
        MainBar->SetVisible(true);
        ShowForm();
        LayOutMainBar();
    }
    void ShowForm() {
        Form->Show();
        win::SetForegroundWindow(Form->GetHandle());
        win::SetActiveWindow(Form->GetHandle());
        win::SetFocus(Form->GetHandle());
        DrainMessages();
    }
    // The bar's window lays its entries out itself.
    void LayOutMainBar() {
        bars::TxbBarControl* window = MainWindow();
        ASSERT_NE(window, nullptr);
        window->HandleNeeded();
        DrainMessages();
    }
    bars::TxbBarControl* MainWindow() const { return MainBar ? MainBar->GetControl() : nullptr; }
    bars::TxbBarItemControl* MainControl(int index) const {
        return MainBar->GetItemLinks()->GetItem(index)->GetControl();
    }
    static bars::TxbBarSubMenuControl* MenuOf(bars::TCustomxbBarSubItem* sub) {
        return dynamic_cast<bars::TxbBarSubMenuControl*>(sub->GetItemLinks()->GetMenuWindow());
    }

    // Input through the queue.
    void Key(int vk, bool down) {
        FScreen.InjectKey(vk, down);
        DrainMessages();
    }
    void Press(int vk) {
        Key(vk, true);
        Key(vk, false);
    }
    void Chord(int modifier, int vk) {
        Key(modifier, true);
        Press(vk);
        Key(modifier, false);
    }
    void MoveTo(win::TPoint p) {
        FScreen.InjectMouse(headless::MouseAction::Move, p);
        DrainMessages();
    }
    void Advance(uint64_t ms) {
        FClock.Advance(ms);
        DrainMessages();
    }

    bars::TxbBarManager* Manager = nullptr;
    std::unique_ptr<ScopedTestWindows> Windows;
    bars::TxbBar* MainBar = nullptr;
    bars::TxbBarSubItem* File = nullptr;
    bars::TxbBarSubItem* Recent = nullptr;
    bars::TxbBarSubItem* Edit = nullptr;
    TMenuButton* Open = nullptr;
    std::vector<std::string> Clicks;
    std::vector<uint16_t> FormKeysUp, FormKeysDown;
    // What the hooks reported instead of letting it through.
    std::vector<std::string> Errors;
};

} // namespace barstest

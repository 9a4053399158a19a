#include "platform/vcl/Forms.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vcl;

namespace {

class FormsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        win::ResetInputState();
        FScreen.SetStallGraceMs(0);
        Application->ResetForTesting();
    }
    void TearDown() override {
        while (Screen->GetFormCount() > 0)
            Screen->GetForm(0)->Free();
        win::MSG m;
        while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE)) {
        }
        Application->ResetForTesting();
        win::ResetInputState();
    }
    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen;
};

// An OK/Cancel dialog with an edit-like control holding the focus.
struct Dialog {
    TForm* Form;
    TButton* Ok;
    TButton* Cancel;
    TButton* Other;
    explicit Dialog(TComponent* owner = nullptr) {
        Form = new TForm(owner);
        Form->SetName("Dialog");
        Form->SetBorderStyle(bsDialog);
        Form->SetClientWidth(300);
        Form->SetClientHeight(120);
        Other = new TButton(Form);
        Other->SetParent(Form);
        Other->SetBounds(10, 10, 75, 25);
        Ok = new TButton(Form);
        Ok->SetParent(Form);
        Ok->SetBounds(130, 80, 75, 25);
        Ok->SetDefault(true);
        Ok->SetModalResult(mrOk);
        Cancel = new TButton(Form);
        Cancel->SetParent(Form);
        Cancel->SetBounds(215, 80, 75, 25);
        Cancel->SetCancel(true);
        Cancel->SetModalResult(mrCancel);
        Form->SetActiveControl(Other);
    }
    TPoint Center(TButton* b) { return b->ClientToScreen({b->GetWidth() / 2, b->GetHeight() / 2}); }
};

TEST_F(FormsFixture, ShowModalReturnsTheResultOfTheButtonClickedOrOfEnterAndEscape) {
    Dialog d;
    int otherClicks = 0;
    d.Other->OnClick = [&](TObject*) { ++otherClicks; };
    FScreen.Script([&] { FScreen.InjectClick(d.Center(d.Ok)); });
    EXPECT_EQ(d.Form->ShowModal(), mrOk);
    EXPECT_FALSE(d.Form->GetVisible());

    FScreen.Script([&] { FScreen.InjectClick(d.Center(d.Cancel)); });
    EXPECT_EQ(d.Form->ShowModal(), mrCancel);

    // Enter with the focus on a plain button clicks that button; on no button, the default one.
    FScreen.Script([&] { d.Other->SetFocus(); });
    FScreen.ScriptKeyPress(win::VK_RETURN);
    FScreen.Script([&] { d.Form->SetActiveControl(nullptr), win::SetFocus(d.Form->GetHandle()); });
    FScreen.ScriptKeyPress(win::VK_RETURN);
    EXPECT_EQ(d.Form->ShowModal(), mrOk);
    EXPECT_EQ(otherClicks, 1);

    FScreen.ScriptKeyPress(win::VK_ESCAPE);
    EXPECT_EQ(d.Form->ShowModal(), mrCancel);

    // The frame's close button cancels.
    FScreen.Script([&] { win::PostMessage(d.Form->GetHandle(), win::WM_CLOSE, 0, 0); });
    EXPECT_EQ(d.Form->ShowModal(), mrCancel);
    EXPECT_EQ(FScreen.ScriptLeft(), 0u);
    d.Form->Free();
}

TEST_F(FormsFixture, ModalFormDisablesTheOthersAndGivesTheFocusBack) {
    auto* main = new TForm(nullptr);
    auto* edit = new TButton(main);
    edit->SetParent(main);
    main->Show();
    edit->SetFocus();
    Dialog d;
    FScreen.Script([&] {
        EXPECT_FALSE(win::IsWindowEnabled(main->GetHandle()));
        EXPECT_TRUE(win::IsWindowEnabled(d.Form->GetHandle()));
        EXPECT_EQ(win::GetActiveWindow(), d.Form->GetHandle());
        EXPECT_TRUE(d.Other->Focused()); // the active control took the focus
        EXPECT_EQ(Application->ModalLevel(), 1);
        // A click on the disabled main form does nothing.
        FScreen.InjectClick(edit->ClientToScreen({3, 3}));
    });
    FScreen.ScriptKeyPress(win::VK_ESCAPE);
    EXPECT_EQ(d.Form->ShowModal(), mrCancel);
    EXPECT_TRUE(win::IsWindowEnabled(main->GetHandle()));
    EXPECT_EQ(win::GetActiveWindow(), main->GetHandle());
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(Application->ModalLevel(), 0);
}

TEST_F(FormsFixture, OnCloseQueryCanRefuseAndOnCloseChoosesWhatCloseDoes) {
    Dialog d;
    int asked = 0;
    bool allow = false;
    d.Form->OnCloseQuery = [&](TObject*, bool& canClose) {
        ++asked;
        canClose = allow;
    };
    FScreen.Script([&] { FScreen.InjectClick(d.Center(d.Ok)); });
    FScreen.Script([&] {
        EXPECT_EQ(asked, 1);
        EXPECT_TRUE(d.Form->GetVisible()); // refused: still up, ModalResult cleared
        EXPECT_EQ(d.Form->GetModalResult(), mrNone);
        allow = true;
        FScreen.InjectKeyPress(win::VK_ESCAPE);
    });
    EXPECT_EQ(d.Form->ShowModal(), mrCancel);
    EXPECT_EQ(asked, 2);

    // Modeless: caNone keeps, caHide hides, caMinimize minimises, caFree frees after the handler.
    TCloseAction action = caNone;
    bool destroyed = false;
    d.Form->OnClose = [&](TObject*, TCloseAction& a) { a = action; };
    d.Form->OnDestroy = [&](TObject*) { destroyed = true; };
    d.Form->Show();
    d.Form->Close();
    EXPECT_TRUE(d.Form->GetVisible());
    action = caMinimize;
    d.Form->Close();
    EXPECT_EQ(d.Form->GetWindowState(), wsMinimized);
    action = caHide;
    d.Form->Close();
    EXPECT_FALSE(d.Form->GetVisible());
    d.Form->Show();
    action = caFree;
    d.Form->Close();
    EXPECT_FALSE(destroyed);
    Application->ProcessMessages();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(Screen->GetFormCount(), 0);
}

TEST_F(FormsFixture, ReleaseFreesTheFormOnlyAfterTheHandlerThatCalledItReturns) {
    Dialog d;
    bool destroyed = false;
    bool wholeAfterNestedLoop = false;
    d.Form->SetCaption("Released");
    d.Form->OnDestroy = [&](TObject*) { destroyed = true; };
    d.Other->OnClick = [&](TObject*) {
        d.Form->Release();
        d.Form->Release(); // twice is harmless
        // Even a nested message loop inside the handler leaves the form alone.
        Application->ProcessMessages();
        wholeAfterNestedLoop = !destroyed && d.Form->GetCaption() == "Released" && d.Other->GetVisible();
    };
    d.Form->Show();
    FScreen.InjectClick(d.Center(d.Other));
    Application->ProcessMessages();
    EXPECT_TRUE(wholeAfterNestedLoop);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(Screen->GetFormCount(), 0);
}

TEST_F(FormsFixture, EventsPositionAndClientSize) {
    std::vector<std::string> log;
    auto* f = new TForm(nullptr);
    f->OnShow = [&](TObject*) { log.push_back("show"); };
    f->OnActivate = [&](TObject*) { log.push_back("activate"); };
    f->OnDeactivate = [&](TObject*) { log.push_back("deactivate"); };
    f->OnHide = [&](TObject*) { log.push_back("hide"); };
    f->OnResize = [&](TObject*) { log.push_back("resize"); };
    f->SetPosition(poScreenCenter);
    f->SetBounds(0, 0, 400, 300);
    f->SetClientWidth(369);
    f->SetClientHeight(310);
    EXPECT_EQ(f->GetClientWidth(), 369);
    EXPECT_EQ(f->GetClientHeight(), 310);
    log.clear();
    f->Show();
    EXPECT_EQ(log, (std::vector<std::string>{"show", "activate"}));
    win::MONITORINFO mi;
    win::GetMonitorInfo(win::MonitorFromPoint({0, 0}, win::MONITOR_DEFAULTTOPRIMARY), &mi);
    EXPECT_EQ(f->GetLeft(), mi.rcWork.Left + (mi.rcWork.Width() - f->GetWidth()) / 2);
    EXPECT_EQ(f->GetTop(), mi.rcWork.Top + (mi.rcWork.Height() - f->GetHeight()) / 2);
    EXPECT_EQ(Screen->GetActiveForm(), f);

    auto* g = new TForm(nullptr);
    log.clear();
    g->Show();
    EXPECT_EQ(log, (std::vector<std::string>{"deactivate"}));
    f->SetWindowState(wsMaximized);
    EXPECT_EQ(f->GetWindowState(), wsMaximized);
    EXPECT_TRUE(std::find(log.begin(), log.end(), "resize") != log.end());
    f->Hide();
    EXPECT_EQ(log.back(), "hide");
    EXPECT_THROW(g->ShowModal(), EInvalidOperation); // already visible
}

// A 2 x 2 icon of one colour (0xRRGGBB), opaque.
void FillIcon(TIcon* icon, uint32_t rgb) {
    const uint32_t pixels[4] = {0xFF000000 | rgb, 0xFF000000 | rgb, 0xFF000000 | rgb, 0xFF000000 | rgb};
    const uint8_t maskBits[4] = {0, 0, 0, 0};
    win::HBITMAP color = win::CreateBitmap(2, 2, 1, 32, pixels);
    win::HBITMAP mask = win::CreateBitmap(2, 2, 1, 1, maskBits);
    win::ICONINFO info{win::TRUE, 0, 0, mask, color};
    icon->SetHandle(win::CreateIconIndirect(&info));
    win::DeleteObject(color);
    win::DeleteObject(mask);
}

win::HICON WindowIcon(TCustomForm* form) {
    return reinterpret_cast<win::HICON>(win::SendMessage(form->GetHandle(), win::WM_GETICON, win::ICON_BIG, 0));
}

TEST_F(FormsFixture, AFormShowsItsOwnIconOrElseTheApplications) {
    auto* plain = new TForm(nullptr);
    auto* own = new TForm(nullptr);
    FillIcon(own->GetIcon(), 0x0000FF);
    plain->Show();
    own->Show();
    EXPECT_EQ(WindowIcon(plain), nullptr); // no icon anywhere
    EXPECT_EQ(WindowIcon(own), own->GetIcon()->GetHandle());

    // The application's icon reaches the forms without one of their own, at once.
    TIcon red;
    FillIcon(&red, 0xFF0000);
    Application->SetIcon(&red);
    EXPECT_FALSE(Application->GetIcon()->GetEmpty());
    EXPECT_NE(Application->GetIcon()->GetHandle(), red.GetHandle()); // a copy
    EXPECT_EQ(WindowIcon(plain), Application->GetIcon()->GetHandle());
    EXPECT_EQ(WindowIcon(own), own->GetIcon()->GetHandle());
    EXPECT_EQ(reinterpret_cast<win::HICON>(
                  win::SendMessage(Application->GetHandle(), win::WM_GETICON, win::ICON_BIG, 0)),
              Application->GetIcon()->GetHandle());

    // A form's own icon set, cleared; a window made again keeps the icon.
    TIcon green;
    FillIcon(&green, 0x00FF00);
    plain->SetIcon(&green);
    EXPECT_EQ(WindowIcon(plain), plain->GetIcon()->GetHandle());
    own->SetIcon(nullptr);
    EXPECT_TRUE(own->GetIcon()->GetEmpty());
    EXPECT_EQ(WindowIcon(own), Application->GetIcon()->GetHandle());
    plain->SetBorderStyle(bsDialog);
    EXPECT_EQ(WindowIcon(plain), plain->GetIcon()->GetHandle());
    own->SetBorderStyle(bsSingle);
    EXPECT_EQ(WindowIcon(own), Application->GetIcon()->GetHandle());

    // Without an application icon the form shows none.
    Application->SetIcon(nullptr);
    EXPECT_EQ(WindowIcon(own), nullptr);
    EXPECT_EQ(WindowIcon(plain), plain->GetIcon()->GetHandle());
}

TEST_F(FormsFixture, AModalDialogLeftToTheSystemIsCentredOnTheMainFormAndOneThatPlacesItselfStays) {
    TForm* main = nullptr;
    Application->CreateForm(main);
    main->SetBounds(100, 80, 500, 400);
    main->Show();
    struct Case {
        TPosition Position;
        TRect Shown;
    } cases[] = {
        {poDefaultPosOnly, {190, 200, 510, 360}},
        {poDefault, {190, 200, 510, 360}},
        {poDesigned, {7, 9, 327, 169}},
    };
    for (const Case& c : cases) {
        TForm dialog(main);
        dialog.SetBorderStyle(bsDialog);
        dialog.SetPosition(c.Position);
        dialog.SetBounds(7, 9, 320, 160);
        TRect shown;
        dialog.OnShow = [&](TObject*) {
            shown = dialog.GetBoundsRect();
            dialog.SetModalResult(mrOk);
        };
        dialog.ShowModal();
        EXPECT_EQ(shown, c.Shown) << int(c.Position);
        TRect r;
        win::GetWindowRect(dialog.GetHandle(), &r);
        EXPECT_EQ(r, c.Shown) << int(c.Position);
    }
}

TEST_F(FormsFixture, BorderStyleAndIconsMakeTheWindowStylesAndAChangeKeepsTheChildren) {
    struct Case {
        TFormBorderStyle Border;
        TBorderIcons Icons;
        win::DWORD Has;
        win::DWORD HasNot;
        win::DWORD ExHas;
    } cases[] = {
        {bsSizeable,
         {biSystemMenu, biMinimize, biMaximize},
         win::WS_THICKFRAME | win::WS_CAPTION | win::WS_MAXIMIZEBOX,
         win::WS_POPUP,
         0},
        {bsSingle,
         {biSystemMenu, biMinimize},
         win::WS_CAPTION | win::WS_MINIMIZEBOX,
         win::WS_THICKFRAME | win::WS_MAXIMIZEBOX,
         0},
        {bsDialog,
         {biSystemMenu, biMinimize, biMaximize},
         win::WS_CAPTION | win::WS_SYSMENU,
         win::WS_THICKFRAME | win::WS_MINIMIZEBOX,
         win::WS_EX_DLGMODALFRAME},
        {bsDialog, {}, win::WS_CAPTION, win::WS_SYSMENU, win::WS_EX_DLGMODALFRAME},
        {bsNone, {biSystemMenu}, win::WS_POPUP, win::WS_CAPTION | win::WS_SYSMENU, 0},
        {bsToolWindow, {biSystemMenu}, win::WS_CAPTION, win::WS_THICKFRAME, win::WS_EX_TOOLWINDOW},
    };
    auto* f = new TForm(nullptr);
    auto* b = new TButton(f);
    b->SetParent(f);
    b->SetCaption("Keep me");
    f->Show();
    for (const auto& c : cases) {
        f->SetBorderIcons(c.Icons);
        f->SetBorderStyle(c.Border);
        auto style = win::DWORD(win::GetWindowLong(f->GetHandle(), win::GWL_STYLE));
        auto ex = win::DWORD(win::GetWindowLong(f->GetHandle(), win::GWL_EXSTYLE));
        EXPECT_EQ(style & c.Has, c.Has) << c.Border;
        EXPECT_EQ(style & c.HasNot, 0u) << c.Border;
        EXPECT_EQ(ex & c.ExHas, c.ExHas) << c.Border;
        EXPECT_TRUE(win::IsWindowVisible(f->GetHandle())) << c.Border;
        EXPECT_EQ(win::GetParent(b->GetHandle()), f->GetHandle());
        EXPECT_EQ(win::GetWindowTextString(b->GetHandle()), "Keep me");
    }
}

TEST_F(FormsFixture, ConstraintsLimitTheSizeSetByCodeAndByTheWindowSystem) {
    auto* f = new TForm(nullptr);
    f->SetBounds(10, 10, 800, 600);
    f->GetConstraints()->SetMinWidth(535);
    f->GetConstraints()->SetMinHeight(441);
    f->Show();
    f->SetBounds(10, 10, 200, 100);
    EXPECT_EQ(f->GetWidth(), 535);
    EXPECT_EQ(f->GetHeight(), 441);
    // A resize from outside (the user's frame drag) is held at the minimum as well.
    win::SetWindowPos(f->GetHandle(), nullptr, 0, 0, 300, 200, win::SWP_NOMOVE | win::SWP_NOZORDER);
    TRect r;
    win::GetWindowRect(f->GetHandle(), &r);
    EXPECT_EQ(r.Width(), 535);
    EXPECT_EQ(r.Height(), 441);
    EXPECT_EQ(f->GetWidth(), 535);
    // A maximum below the current size shrinks the form at once; the minimum wins over a smaller maximum.
    f->GetConstraints()->SetMaxWidth(600);
    f->SetWidth(900);
    EXPECT_EQ(f->GetWidth(), 600);
    f->GetConstraints()->SetMaxHeight(300);
    EXPECT_EQ(f->GetHeight(), 441);
    win::MINMAXINFO info;
    win::SendMessage(f->GetHandle(), win::WM_GETMINMAXINFO, 0, reinterpret_cast<win::LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.X, 535);
    EXPECT_EQ(info.ptMaxTrackSize.X, 600);
}

} // namespace

namespace {

// Records the focus changes its form tells it of.
class TFocusListener : public TCustomControl {
public:
    explicit TFocusListener(TComponent* owner) : TCustomControl(owner) {}
    void Dispatch(TMessage& m) override {
        if (m.Msg == CM_FOCUSCHANGED)
            Heard.push_back(reinterpret_cast<TWinControl*>(m.LParam));
        TCustomControl::Dispatch(m);
    }
    std::vector<TWinControl*> Heard;
};

TEST_F(FormsFixture, EveryControlOfTheFormHearsWhereTheFocusWent) {
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, 300, 200);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(0, 0, 200, 100);
    auto* nested = new TFocusListener(form);
    nested->SetParent(panel);
    auto* top = new TFocusListener(form);
    top->SetParent(form);
    top->SetBounds(0, 120, 50, 20);
    auto* first = new TEdit(form);
    first->SetParent(form);
    first->SetBounds(60, 120, 80, 20);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(150, 120, 80, 20);
    form->Show();
    ASSERT_EQ(win::GetFocus(), first->GetHandle());
    EXPECT_EQ(nested->Heard.back(), first);
    nested->Heard.clear();
    top->Heard.clear();
    edit->SetFocus();
    EXPECT_EQ(nested->Heard, std::vector<TWinControl*>{edit});
    EXPECT_EQ(top->Heard, std::vector<TWinControl*>{edit});
    EXPECT_EQ(form->GetActiveControl(), edit);
}

} // namespace

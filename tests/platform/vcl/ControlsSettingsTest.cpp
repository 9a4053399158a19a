// Reading order, the 3-D look, the wheel, the replaceable window procedure and double buffering of controls.
#include "VclControlsSupport.h"

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclClasses.h"
#include "platform/win/gdi/DrawText.h"

#include <string>
#include <vector>

using namespace vcl;
using vcltest::TPlainGraphic;

namespace {

class ControlsSettings : public vcltest::VclControlsTest {};

bool Stored(TPersistent* o, const char* name) {
    const TPropInfo* p = GetPropInfo(o, name);
    return p && (!p->IsStored || p->IsStored(o));
}

TEST_F(ControlsSettings, ParentBiDiModeFollowsUntilBiDiModeIsSet) {
    RegisterVclClasses();
    TForm* form = MakeForm();
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    auto* label = new TLabel(form);
    label->SetParent(panel);
    EXPECT_EQ(form->GetBiDiMode(), bdLeftToRight);
    EXPECT_TRUE(label->GetParentBiDiMode());

    form->SetBiDiMode(bdRightToLeft); // reaches the grandchild through the panel
    EXPECT_EQ(panel->GetBiDiMode(), bdRightToLeft);
    EXPECT_EQ(label->GetBiDiMode(), bdRightToLeft);
    EXPECT_FALSE(Stored(label, "BiDiMode"));

    label->SetBiDiMode(bdRightToLeftReadingOnly);
    EXPECT_FALSE(label->GetParentBiDiMode());
    EXPECT_TRUE(Stored(label, "BiDiMode"));
    form->SetBiDiMode(bdLeftToRight);
    EXPECT_EQ(panel->GetBiDiMode(), bdLeftToRight);
    EXPECT_EQ(label->GetBiDiMode(), bdRightToLeftReadingOnly);

    label->SetParentBiDiMode(true);
    EXPECT_EQ(label->GetBiDiMode(), bdLeftToRight);

    // Setting the mode it already follows still makes it the control's own.
    panel->SetBiDiMode(bdLeftToRight);
    EXPECT_FALSE(panel->GetParentBiDiMode());
    form->SetBiDiMode(bdRightToLeft);
    EXPECT_EQ(panel->GetBiDiMode(), bdLeftToRight);
}

TEST_F(ControlsSettings, DrawTextFlagsMirrorAlignmentAndAddRightToLeftReading) {
    TPlainGraphic c(nullptr);
    using namespace win;
    struct Case {
        TBiDiMode mode;
        uint32_t in;
        uint32_t out;
        bool alignment;
        bool reading;
    } cases[] = {
        {bdLeftToRight, DT_LEFT, DT_LEFT, false, false},
        {bdLeftToRight, DT_RIGHT | DT_SINGLELINE, DT_RIGHT | DT_SINGLELINE, false, false},
        {bdRightToLeft, DT_LEFT, DT_RIGHT | DT_RTLREADING, true, true},
        {bdRightToLeft, DT_RIGHT | DT_VCENTER, DT_VCENTER | DT_RTLREADING, true, true},
        {bdRightToLeft, DT_CENTER, DT_CENTER | DT_RTLREADING, true, true},
        {bdRightToLeftNoAlign, DT_LEFT, DT_LEFT | DT_RTLREADING, false, true},
        {bdRightToLeftNoAlign, DT_RIGHT, DT_RIGHT | DT_RTLREADING, false, true},
        {bdRightToLeftReadingOnly, DT_WORDBREAK, DT_WORDBREAK | DT_RTLREADING, false, true},
    };
    for (const Case& k : cases) {
        c.SetBiDiMode(k.mode);
        SCOPED_TRACE(int(k.mode));
        EXPECT_EQ(c.DrawTextBiDiModeFlags(k.in), k.out);
        EXPECT_EQ(c.UseRightToLeftAlignment(), k.alignment);
        EXPECT_EQ(c.UseRightToLeftReading(), k.reading);
        EXPECT_EQ(c.DrawTextBiDiModeFlagsReadingOnly(), k.reading ? uint32_t(DT_RTLREADING) : 0u);
    }
}

TEST_F(ControlsSettings, Ctl3DChoosesTheEdgeRecreatesTheWindowAndReachesFollowers) {
    RegisterVclClasses();
    TForm* form = MakeForm();
    auto* panel = new TPanel(form);
    panel->SetBounds(0, 0, 300, 200);
    panel->SetParent(form);
    auto* edit = new TEdit(form);
    edit->SetBounds(10, 10, 150, 24);
    edit->SetParent(panel);
    auto* own = new TEdit(form);
    own->SetBounds(10, 50, 150, 24);
    own->SetParent(panel);
    own->SetCtl3D(true); // the same value, but now the control's own
    Pump();
    auto styles = [](TWinControl* c) {
        win::HWND h = c->GetHandle();
        return std::pair{win::GetWindowLong(h, win::GWL_STYLE), win::GetWindowLong(h, win::GWL_EXSTYLE)};
    };
    EXPECT_TRUE(edit->GetCtl3D());
    EXPECT_TRUE(edit->GetParentCtl3D());
    EXPECT_FALSE(own->GetParentCtl3D());
    EXPECT_TRUE(styles(edit).second & win::WS_EX_CLIENTEDGE);
    EXPECT_FALSE(styles(edit).first & win::WS_BORDER);

    edit->SetText("hello world");
    edit->SetSelStart(2);
    edit->SetSelLength(5);
    std::vector<win::UINT> created;
    edit->SetWindowProc([edit, &created, old = edit->GetWindowProc()](TMessage& m) {
        if (m.Msg == win::WM_CREATE)
            created.push_back(m.Msg);
        old(m);
    });

    panel->SetCtl3D(false);
    EXPECT_FALSE(panel->GetParentCtl3D());
    EXPECT_FALSE(edit->GetCtl3D());
    EXPECT_TRUE(edit->GetParentCtl3D());
    EXPECT_TRUE(own->GetCtl3D());
    EXPECT_EQ(created.size(), 1u); // one new window, not one per level
    EXPECT_FALSE(styles(edit).second & win::WS_EX_CLIENTEDGE);
    EXPECT_TRUE(styles(edit).first & win::WS_BORDER);
    EXPECT_TRUE(styles(own).second & win::WS_EX_CLIENTEDGE);
    EXPECT_EQ(edit->GetText(), "hello world");
    EXPECT_EQ(edit->GetSelStart(), 2);
    EXPECT_EQ(edit->GetSelLength(), 5);

    // Stored only while not following.
    EXPECT_FALSE(Stored(edit, "Ctl3D"));
    EXPECT_TRUE(Stored(own, "Ctl3D"));
    EXPECT_TRUE(Stored(panel, "Ctl3D"));

    // A control placed under a parent takes its setting; one that follows again takes it back.
    auto* later = new TEdit(form);
    later->SetParent(panel);
    EXPECT_FALSE(later->GetCtl3D());
    own->SetParentCtl3D(true);
    EXPECT_FALSE(own->GetCtl3D());
    EXPECT_TRUE(styles(own).first & win::WS_BORDER);
    panel->SetCtl3D(true);
    EXPECT_TRUE(styles(own).second & win::WS_EX_CLIENTEDGE);
    EXPECT_TRUE(styles(later).second & win::WS_EX_CLIENTEDGE);
}

// Records the wheel handlers in the order they run.
struct WheelLog {
    std::vector<std::string> Calls;
    void Attach(TControl* c, const std::string& who, bool handleWheel = false, bool handleNotch = false) {
        c->OnMouseWheel = [this, who, handleWheel](TObject*, TShiftState, int32_t delta, TPoint, bool& handled) {
            Calls.push_back(who + " wheel " + std::to_string(delta));
            handled = handleWheel;
        };
        c->OnMouseWheelDown = [this, who, handleNotch](TObject*, TShiftState, TPoint, bool& handled) {
            Calls.push_back(who + " down");
            handled = handleNotch;
        };
        c->OnMouseWheelUp = [this, who, handleNotch](TObject*, TShiftState, TPoint, bool& handled) {
            Calls.push_back(who + " up");
            handled = handleNotch;
        };
    }
};

TEST_F(ControlsSettings, TheWheelRunsDoMouseWheelThenOneHandlerPerNotchAndUnhandledReachesTheParent) {
    TForm* form = MakeForm();
    auto* edit = new TEdit(form);
    edit->SetBounds(10, 10, 150, 24);
    edit->SetParent(form);
    Pump();
    edit->SetFocus();
    Pump();
    TPoint at = edit->ClientToScreen({5, 5});
    WheelLog log;
    log.Attach(form, "form", false, true);

    // A control without a window hands the wheel to its parent when it does not take it.
    auto* graphic = new TPlainGraphic(form);
    graphic->SetParent(form);
    log.Calls.clear();
    log.Attach(graphic, "graphic");
    EXPECT_EQ(graphic->Perform(win::WM_MOUSEWHEEL, win::MAKEWPARAM(0, win::WORD(-120)), 0), 1);
    EXPECT_EQ(log.Calls, (std::vector<std::string>{"graphic wheel -120", "graphic down", "form wheel -120",
                                                    "form down"}));

    struct Case {
        bool handleWheel, handleNotch;
        int delta;
        std::vector<std::string> expected;
    } cases[] = {
        {false, true, -120, {"edit wheel -120", "edit down"}},
        {false, true, 240, {"edit wheel 240", "edit up", "edit up"}},
        {true, true, -120, {"edit wheel -120"}},
        // Unhandled: every notch runs, then the form gets the wheel.
        {false, false, -240,
         {"edit wheel -240", "edit down", "edit down", "form wheel -240", "form down", "form down"}},
        // Half a notch runs no notch handler until the other half comes.
        {false, true, 60, {"edit wheel 60", "form wheel 60"}},
        {false, true, 60, {"edit wheel 60", "edit up"}},
    };
    for (const Case& k : cases) {
        log.Calls.clear();
        log.Attach(edit, "edit", k.handleWheel, k.handleNotch);
        FScreen.InjectMouse(win::MouseAction::Wheel, at, k.delta);
        Pump();
        EXPECT_EQ(log.Calls, k.expected) << k.delta;
    }
}

TEST_F(ControlsSettings, AReplacedWindowProcSeesEveryMessageFirstUntilRestored) {
    TForm* form = MakeForm();
    auto* panel = new TPanel(form);
    panel->SetBounds(0, 0, 200, 100);
    panel->SetParent(form);
    auto* graphic = new TPlainGraphic(form);
    graphic->SetBounds(10, 10, 40, 40);
    graphic->SetParent(panel);
    Pump();

    std::vector<win::UINT> seen;
    bool clicked = false;
    graphic->OnClick = [&](TObject*) { clicked = true; };
    TWndMethod oldGraphic = graphic->GetWindowProc();
    graphic->SetWindowProc([&](TMessage& m) {
        seen.push_back(m.Msg);
        oldGraphic(m);
    });
    TWndMethod oldPanel = panel->GetWindowProc();
    int eaten = 0;
    panel->SetWindowProc([&](TMessage& m) {
        if (m.Msg == win::WM_USER + 7) {
            ++eaten;
            m.Result = 99;
            return;
        }
        oldPanel(m);
    });

    Click(graphic, 5, 5); // routed to the graphic child by its parent
    EXPECT_TRUE(clicked);
    EXPECT_NE(std::find(seen.begin(), seen.end(), win::WM_LBUTTONDOWN), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), win::WM_LBUTTONUP), seen.end());
    graphic->SetVisible(false);
    EXPECT_NE(std::find(seen.begin(), seen.end(), CM_VISIBLECHANGED), seen.end()); // Perform too

    EXPECT_EQ(win::SendMessage(panel->GetHandle(), win::WM_USER + 7, 0, 0), 99); // from the window system
    EXPECT_EQ(panel->Perform(win::WM_USER + 7), 99);
    EXPECT_EQ(eaten, 2);

    panel->SetWindowProc(oldPanel);
    graphic->SetWindowProc(nullptr);
    seen.clear();
    EXPECT_EQ(win::SendMessage(panel->GetHandle(), win::WM_USER + 7, 0, 0), 0);
    graphic->SetVisible(true);
    EXPECT_EQ(eaten, 2);
    EXPECT_TRUE(seen.empty());
}

TEST_F(ControlsSettings, DoubleBufferedIsKeptAndPublished) {
    RegisterVclClasses();
    TPanel panel(nullptr);
    EXPECT_FALSE(panel.GetDoubleBuffered());
    const TPropInfo* p = GetPropInfo(&panel, "DoubleBuffered");
    ASSERT_NE(p, nullptr);
    p->SetOrd(&panel, 1);
    EXPECT_TRUE(panel.GetDoubleBuffered());
    for (const char* name : {"BiDiMode", "ParentBiDiMode", "Ctl3D", "ParentCtl3D", "OnMouseWheel",
                             "OnMouseWheelDown", "OnMouseWheelUp"})
        EXPECT_NE(GetPropInfo(&panel, name), nullptr) << name;
}

} // namespace

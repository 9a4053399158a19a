#include "UserTestSupport.h"

#include "platform/win/user/controls/CommCtrl.h"

using namespace usertest;

namespace {

struct HelpSeen {
    std::string Window; // who heard WM_HELP
    HELPINFO Info;
};

class HelpKeyTest : public UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        InitCommonControls();
        Form = Make("form", WS_OVERLAPPED | WS_VISIBLE, {0, 0, 300, 200});
        Edit = CreateWindowEx(0, WC_EDIT, "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, Form,
                              reinterpret_cast<HMENU>(uintptr_t(7)), nullptr, nullptr);
        Listen(Form);
    }

    // The window records every WM_HELP it hears, then lets the default window procedure go on (or answers).
    void Listen(HWND w, bool answer = false) {
        Handlers()[w] = [this, answer](HWND hwnd, UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
            if (msg != WM_HELP)
                return false;
            Seen.push_back({Names()[hwnd], *reinterpret_cast<HELPINFO*>(lParam)});
            *result = TRUE;
            return answer;
        };
    }

    void PressF1(TPoint pointer) {
        QueueMouseInput(MouseAction::Move, pointer);
        QueueKeyInput(VK_F1, true);
        QueueKeyInput(VK_F1, false);
        Pump();
    }

    HWND Form = nullptr;
    HWND Edit = nullptr;
    std::vector<HelpSeen> Seen;
};

} // namespace

TEST_F(HelpKeyTest, F1OnAnEditReachesItsFormNamingTheEdit) {
    SetFocus(Edit);
    PressF1({40, 150});
    ASSERT_EQ(Seen.size(), 1u);
    EXPECT_EQ(Seen[0].Window, "form");
    const HELPINFO& info = Seen[0].Info;
    EXPECT_EQ(info.cbSize, sizeof(HELPINFO));
    EXPECT_EQ(info.iContextType, HELPINFO_WINDOW);
    EXPECT_EQ(info.iCtrlId, 7);
    EXPECT_EQ(info.hItemHandle, reinterpret_cast<HANDLE>(Edit));
    EXPECT_EQ(info.MousePos, (TPoint{40, 150}));

    // Holding the key down asks once; Alt+F1 and other keys ask nothing.
    Seen.clear();
    QueueKeyInput(VK_F1, true);
    QueueKeyInput(VK_F1, true);
    QueueKeyInput(VK_F1, false);
    QueueKeyInput(VK_MENU, true);
    QueueKeyInput(VK_F1, true);
    QueueKeyInput(VK_F1, false);
    QueueKeyInput(VK_MENU, false);
    QueueKeyInput(VK_F2, true);
    QueueKeyInput(VK_F2, false);
    Pump();
    EXPECT_EQ(Seen.size(), 1u);
}

TEST_F(HelpKeyTest, AnOwnedWindowPassesHelpToItsOwner) {
    HWND palette = Make("palette", WS_POPUP | WS_VISIBLE, {400, 0, 500, 100}, Form);
    SetFocus(palette);
    PressF1({450, 50});
    ASSERT_EQ(Seen.size(), 1u);
    EXPECT_EQ(Seen[0].Window, "form");
    EXPECT_EQ(Seen[0].Info.hItemHandle, reinterpret_cast<HANDLE>(palette));
    EXPECT_EQ(Seen[0].Info.iCtrlId, 0); // a top-level window has no control id
    // A window without a parent or owner ends the walk.
    Seen.clear();
    DestroyWindow(palette);
    SetFocus(Form);
    PressF1({5, 5});
    ASSERT_EQ(Seen.size(), 1u);
    EXPECT_EQ(Seen[0].Info.hItemHandle, reinterpret_cast<HANDLE>(Form));
}

TEST_F(HelpKeyTest, AWindowThatAnswersHelpStopsIt) {
    HWND panel = Make("panel", WS_CHILD | WS_VISIBLE, {0, 50, 300, 150}, Form);
    HWND inner = CreateWindowEx(0, WC_EDIT, "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, panel,
                                reinterpret_cast<HMENU>(uintptr_t(12)), nullptr, nullptr);
    Listen(panel, true);
    SetFocus(inner);
    PressF1({20, 70});
    ASSERT_EQ(Seen.size(), 1u);
    EXPECT_EQ(Seen[0].Window, "panel");
    EXPECT_EQ(Seen[0].Info.iCtrlId, 12);
    EXPECT_EQ(Seen[0].Info.hItemHandle, reinterpret_cast<HANDLE>(inner));
}

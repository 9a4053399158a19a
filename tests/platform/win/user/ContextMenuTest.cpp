// The default window procedure turns a right-button release, the Apps key and Shift+F10 into the request
// for a context menu, which child windows hand on to their parents.
#include "UserTestSupport.h"

using namespace usertest;

namespace {

struct CtxRequest {
    std::string Window;
    HWND Clicked;
    TPoint At;
};

std::vector<CtxRequest> CtxRequests() {
    std::vector<CtxRequest> out;
    for (const auto& e : Log())
        if (e.Message == WM_CONTEXTMENU)
            out.push_back({e.Window,
                           reinterpret_cast<HWND>(e.WParam),
                           {GET_X_LPARAM(e.LParam), GET_Y_LPARAM(e.LParam)}});
    return out;
}

TEST_F(UserTest, ContextMenuRequestsComeFromRightClicksAndMenuKeysAndClimbToTheTop) {
    HWND top = Make("top", WS_POPUP | WS_VISIBLE, {100, 100, 300, 300});
    HWND child = Make("child", WS_CHILD | WS_VISIBLE, {10, 10, 60, 60}, top);

    QueueMouseInput(MouseAction::Move, {120, 125});
    QueueMouseInput(MouseAction::RightDown, {120, 125});
    QueueMouseInput(MouseAction::RightUp, {120, 125});
    Pump();
    auto requests = CtxRequests();
    // The child asks first with the screen point; unanswered, its parent gets the same request.
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Window, "child");
    EXPECT_EQ(requests[0].Clicked, child);
    EXPECT_EQ(requests[0].At, TPoint(120, 125));
    EXPECT_EQ(requests[1].Window, "top");
    EXPECT_EQ(requests[1].Clicked, child);
    EXPECT_EQ(requests[1].At, TPoint(120, 125));

    // A window that answers keeps the request from its parent.
    Handlers()[child] = [](HWND, UINT msg, WPARAM, LPARAM, LRESULT* r) {
        *r = 0;
        return msg == WM_CONTEXTMENU;
    };
    SetFocus(child);
    struct Case {
        const char* what;
        std::vector<std::pair<int, bool>> keys;
        size_t requests;
    };
    const Case cases[] = {
        {"Apps key", {{VK_APPS, true}, {VK_APPS, false}}, 1},
        {"Shift+F10", {{VK_SHIFT, true}, {VK_F10, true}, {VK_F10, false}, {VK_SHIFT, false}}, 1},
        {"F10 alone", {{VK_F10, true}, {VK_F10, false}}, 0},
        {"Shift alone", {{VK_SHIFT, true}, {VK_SHIFT, false}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Log().clear();
        for (auto [vk, down] : c.keys)
            QueueKeyInput(vk, down);
        Pump();
        requests = CtxRequests();
        ASSERT_EQ(requests.size(), c.requests);
        if (c.requests) {
            EXPECT_EQ(requests[0].Window, "child");
            EXPECT_EQ(requests[0].At, TPoint(-1, -1));
        }
    }
}

} // namespace

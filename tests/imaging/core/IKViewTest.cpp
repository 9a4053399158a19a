// The view base control: resolution, listeners, border and window parameters, and the view module's start.
#include "imaging/core/IKView.h"

#include "imaging/io/IOParams.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"
#include "tests/imaging/core/IKViewFixture.h"

#include <string>
#include <vector>

using namespace imaging;

namespace {

using IKViewTest = iktest::ViewFixture;

TEST_F(IKViewTest, ResolutionKeepsADirectionGivenZero) {
    View->SetDpi(150, 120);
    View->SetDpi(0, 300);
    EXPECT_EQ(View->GetDpiX(), 150);
    EXPECT_EQ(View->GetDpiY(), 300);
    View->SetDpi(72, 0);
    EXPECT_EQ(View->GetDpiX(), 72);
    EXPECT_EQ(View->GetDpiY(), 300);
}

TEST_F(IKViewTest, ListenersHearChangesAndTheEndInOrder) {
    auto* view = new TImageKitView(nullptr);
    std::vector<std::string> heard;
    const intptr_t a = view->AddChangeListener([&](TIKViewLink* s, int32_t e) {
        EXPECT_EQ(s, view);
        heard.push_back("a" + std::to_string(e));
    });
    const intptr_t b = view->AddChangeListener([&](TIKViewLink*, int32_t e) { heard.push_back("b" + std::to_string(e)); });
    EXPECT_NE(a, b);
    view->NotifyListeners();
    // A negative or unknown handle removes nothing.
    view->RemoveChangeListener(-1);
    view->RemoveChangeListener(a + 1);
    EXPECT_EQ(view->ListenerCount(), 2);
    view->Free();
    EXPECT_EQ(heard, (std::vector<std::string>{"a0", "b0", "a1", "b1"}));

    // A removed listener hears nothing more; one may remove itself while it is told.
    auto* other = new TImageKitView(nullptr);
    int calls = 0;
    intptr_t self = 0;
    self = other->AddChangeListener([&](TIKViewLink*, int32_t) {
        ++calls;
        other->RemoveChangeListener(self);
    });
    other->NotifyListeners();
    other->NotifyListeners();
    other->Free();
    EXPECT_EQ(calls, 1);
}

TEST_F(IKViewTest, BorderAndWindowParameters) {
    const win::HWND before = View->GetHandle();
    View->SetBorderStyle(vcl::bsSingle);
    EXPECT_EQ(View->GetHandle(), before);
    EXPECT_TRUE(win::GetWindowLong(before, win::GWL_EXSTYLE) & win::WS_EX_CLIENTEDGE);
    // The views repaint themselves: their window class does not redraw on resizes.
    win::WNDCLASSEX wc;
    ASSERT_TRUE(win::GetClassInfoEx(nullptr, View->ClassName().c_str(), &wc));
    EXPECT_EQ(wc.style & (win::CS_HREDRAW | win::CS_VREDRAW), 0u);

    // Without Ctl3D the edge is a plain border; without a border neither.
    View->SetCtl3D(false);
    win::HWND h = View->GetHandle();
    EXPECT_FALSE(win::GetWindowLong(h, win::GWL_EXSTYLE) & win::WS_EX_CLIENTEDGE);
    EXPECT_TRUE(win::GetWindowLong(h, win::GWL_STYLE) & win::WS_BORDER);
    View->SetBorderStyle(vcl::bsNone);
    h = View->GetHandle();
    EXPECT_FALSE(win::GetWindowLong(h, win::GWL_STYLE) & win::WS_BORDER);
    EXPECT_FALSE(win::GetWindowLong(h, win::GWL_EXSTYLE) & win::WS_EX_CLIENTEDGE);
}

TEST_F(IKViewTest, ModuleStartTakesTheScreenAndRegistersCursors) {
    TIKDisplayMetrics& m = IKDisplay();
    EXPECT_EQ(IKDefaultDpiX, m.DpiX);
    EXPECT_EQ(IKDefaultDpiY, m.DpiY);
    EXPECT_GT(m.EdgeWidth, 0);
    EXPECT_GT(m.VScrollWidth, 0);
    // A new view takes the screen's resolution, and the screen's cursor table holds the 18 view cursors.
    EXPECT_EQ(View->GetDpiX(), m.DpiX);
    for (int i = 0; i < IKCursorCount; ++i) {
        win::HCURSOR c = win::LoadCursor(nullptr, IKCursorNames[i]);
        ASSERT_NE(c, nullptr) << IKCursorNames[i];
        EXPECT_EQ(vcl::Screen->GetCursors(vcl::TCursor(IKCursorFirst + i)), c);
    }
    EXPECT_EQ(View->GetCursor(), 1785);
}

} // namespace

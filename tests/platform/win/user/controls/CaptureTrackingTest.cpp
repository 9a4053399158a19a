// The left-button drag of the edit control and the list box: the button going down takes the capture and
// a move with the button held follows it; the button going up gives the capture back, and a capture taken
// by another window ends the drag without taking the capture back from it.
#include "ControlsTestSupport.h"

using namespace controlstest;

namespace {

struct DragCase {
    const char* Name;
    const char* Class;
    DWORD Style;
    const char* Text;
    std::vector<const char*> Items;
    TPoint Start, Next, Last; // client points: where the drag starts, and two places it moves to
    UINT Query;               // what shows where the drag reached
};

std::vector<DragCase> DragCases() {
    return {
        {"edit", WC_EDIT, ES_AUTOHSCROLL, "hello wide world", {}, {1, 5}, {40, 5}, {90, 5}, EM_GETSEL},
        {"list box",
         WC_LISTBOX,
         0,
         "",
         {"one", "two", "three", "four"},
         {5, 2},
         {5, 20},
         {5, 35},
         LB_GETCURSEL},
    };
}

class CaptureTrackingTest : public ControlsTest {};

TEST_F(CaptureTrackingTest, TheButtonOrAnotherCaptureEndsTheDrag) {
    for (const DragCase& c : DragCases()) {
        SCOPED_TRACE(c.Name);
        HWND control = Control(c.Class, c.Style, {10, 10, 210, 160}, c.Text);
        ASSERT_NE(control, nullptr);
        for (const char* item : c.Items)
            SendMessage(control, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        auto at = [](TPoint p) { return LPARAM(MAKELPARAM(p.X, p.Y)); };
        auto reached = [&] { return SendMessage(control, c.Query, 0, 0); };

        SendMessage(control, WM_LBUTTONDOWN, MK_LBUTTON, at(c.Start));
        EXPECT_EQ(GetCapture(), control);
        const LRESULT start = reached();
        SendMessage(control, WM_MOUSEMOVE, MK_LBUTTON, at(c.Next));
        const LRESULT next = reached();
        EXPECT_NE(next, start);
        // Another button going up leaves the drag alone.
        SendMessage(control, WM_RBUTTONUP, 0, at(c.Next));
        EXPECT_EQ(GetCapture(), control);
        SendMessage(control, WM_LBUTTONUP, 0, at(c.Next));
        EXPECT_EQ(GetCapture(), nullptr);
        SendMessage(control, WM_MOUSEMOVE, MK_LBUTTON, at(c.Last));
        EXPECT_EQ(reached(), next);

        // The capture goes to another window in the middle of a drag.
        SendMessage(control, WM_LBUTTONDOWN, MK_LBUTTON, at(c.Start));
        ASSERT_EQ(GetCapture(), control);
        const LRESULT again = reached();
        SetCapture(Parent);
        SendMessage(control, WM_MOUSEMOVE, MK_LBUTTON, at(c.Last));
        EXPECT_EQ(reached(), again);
        SendMessage(control, WM_LBUTTONUP, 0, at(c.Last));
        EXPECT_EQ(GetCapture(), Parent);
        ReleaseCapture();
        DestroyWindow(control);
    }
}

} // namespace

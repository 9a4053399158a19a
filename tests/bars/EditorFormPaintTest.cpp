// The editor-shaped layout on the screen in the Enhanced look: the main menu bar's raised frame and single
// grip, its entries' captions inside the rectangles the layout gave them, and the end mark with its
// quick-customize triangle, pixels read from the screen and compared with colours and places computed here.
#include "EditorFormSupport.h"

#include "bars/xbBarUtils.h"
#include "platform/vcl/FormResources.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <string>

using namespace bars;
using namespace barstest;

namespace {

class EditorFormPaintTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        DefineBarsEditorForm();
    }
    win::COLORREF At(win::TPoint origin, int x, int y) { return FScreen.ScreenPixel(origin.X + x, origin.Y + y); }
    // The bounds of the pixels of a colour (or, with other, of every other colour) inside a rect (window or
    // client coordinates from origin).
    win::TRect Ink(win::TPoint origin, const win::TRect& area, win::COLORREF colour, bool other = false) {
        win::TRect r{area.Right, area.Bottom, area.Left, area.Top};
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x)
                if ((At(origin, x, y) == colour) != other) {
                    r.Left = std::min(r.Left, x);
                    r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1);
                    r.Bottom = std::max(r.Bottom, y + 1);
                }
        return r.Right > r.Left ? r : win::TRect{};
    }
};

TEST_F(EditorFormPaintTest, TheMainMenuBarShowsItsGripEntriesAndEndMarkWhereTheLayoutPutsThem) {
    auto* form = new TBarsEditorForm(nullptr);
    TxbBarManager* manager = form->xbBarManager1;
    ASSERT_NE(manager, nullptr);
    ASSERT_EQ(manager->GetStyle(), bmsEnhanced);
    form->Show();
    DrainMessages();
    TxbBar* main = manager->FindBarByName("Main");
    ASSERT_NE(main, nullptr);
    TxbBarControl* window = main->GetControl();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->HandleAllocated());
    win::UpdateWindow(window->GetHandle());

    win::TRect outer{};
    win::GetWindowRect(window->GetHandle(), &outer);
    const win::TPoint frameOrigin{outer.Left, outer.Top};
    win::TPoint clientOrigin{0, 0};
    win::ClientToScreen(window->GetHandle(), &clientOrigin);
    const int width = outer.Right - outer.Left, height = outer.Bottom - outer.Top;
    const win::COLORREF light = win::GetSysColor(win::COLOR_BTNHIGHLIGHT), shadow = win::GetSysColor(win::COLOR_BTNSHADOW),
                        face = win::GetSysColor(win::COLOR_BTNFACE), text = win::GetSysColor(win::COLOR_BTNTEXT);

    // The frame: a raised edge round the window; inside it, 1 pixel from the left, one grip bar 3 wide and one
    // pixel shorter than the frame's inside at both ends: highlight left and top, shadow right and bottom, the
    // face inside and a highlight pixel at its bottom-left corner. The client area starts after the grip.
    EXPECT_EQ(At(frameOrigin, 0, height / 2), light);
    EXPECT_EQ(At(frameOrigin, width - 1, height / 2), shadow);
    const int gripLeft = 2 + 1, gripTop = 2 + 1, gripBottom = height - 2 - 1;
    EXPECT_GE(clientOrigin.X - frameOrigin.X, gripLeft + 3);
    EXPECT_EQ(At(frameOrigin, gripLeft, gripTop + 4), light);
    EXPECT_EQ(At(frameOrigin, gripLeft + 1, gripTop), light);
    EXPECT_EQ(At(frameOrigin, gripLeft + 1, gripTop + 4), face);
    EXPECT_EQ(At(frameOrigin, gripLeft + 2, gripTop + 4), shadow);
    EXPECT_EQ(At(frameOrigin, gripLeft + 1, gripBottom - 1), shadow);
    EXPECT_EQ(At(frameOrigin, gripLeft, gripBottom - 1), light);
    EXPECT_EQ(At(frameOrigin, gripLeft + 1, gripBottom), face);

    // Each entry of the first row shows its caption (accelerator marks removed) on the button face inside its
    // own rectangle, about as wide as the text in the bar's font (the shipped font smooths its edges: every
    // pixel that is not the face counts).
    win::HDC screen = win::GetDC(nullptr);
    win::HGDIOBJ old = win::SelectObject(screen, window->GetFont());
    TxbBarItemLinks* links = main->GetItemLinks();
    for (int32_t i = 0; i < 7; ++i) {
        TxbBarItemLink* link = links->GetItem(i);
        SCOPED_TRACE(link->GetItem()->GetName());
        const win::TRect rect = link->ItemRect;
        const std::string caption = RemoveAccelChars(link->GetItem()->GetCaption());
        win::SIZE extent{};
        win::GetTextExtentPoint32(screen, caption.c_str(), int(caption.size()), &extent);
        const win::TRect ink = Ink(clientOrigin, rect, face, true);
        ASSERT_NE(ink.Right, 0);
        EXPECT_GE(ink.Left, rect.Left);
        EXPECT_LE(ink.Right, rect.Right);
        EXPECT_GE(ink.Top, rect.Top);
        EXPECT_LE(ink.Bottom, rect.Bottom);
        EXPECT_LE(ink.Right - ink.Left, extent.cx);
        EXPECT_GE(ink.Right - ink.Left, extent.cx - 3);
    }
    win::SelectObject(screen, old);
    win::ReleaseDC(nullptr, screen);

    // The end mark: the 11-pixel strip at the client's right, framed in the bar's brush (the button face),
    // the 5 x 3 triangle at (left + 3, bottom - 7) in button text, and no chevrons: nothing is cut off.
    ASSERT_TRUE(window->HasMark());
    const win::TRect client = window->GetClientRect();
    const win::TRect mark = window->GetMarkRect();
    EXPECT_EQ(mark, (win::TRect{client.Right - 11, 0, client.Right, client.Bottom}));
    EXPECT_EQ(At(clientOrigin, mark.Left, mark.Top), face);
    EXPECT_EQ(At(clientOrigin, mark.Right - 1, mark.Bottom - 1), face);
    EXPECT_EQ(Ink(clientOrigin, mark, text), (win::TRect{mark.Left + 3, mark.Bottom - 7, mark.Left + 8, mark.Bottom - 4}));
    EXPECT_EQ(At(clientOrigin, mark.Left + 5, mark.Bottom - 5), text);
    delete form;
}

} // namespace

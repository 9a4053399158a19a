// Menus drawn through the test painter, whose every operation fills its rectangle with a colour of its own:
// the frame round the rows, the rows, a group separator directly above its row, both scroll arrows of a menu
// scrolled to its middle with nothing painted over them, the expand row, the tear-off strip above the rows,
// and the rarely used entries' brush with its one-entry palette at 8 bits per pixel.
#include "MenusTestSupport.h"
#include "PaintTestSupport.h"

#include "platform/win/user/Metrics.h"

using namespace bars;
using namespace barstest;

namespace {

class MenuPaintTest : public MenusFixture {
protected:
    void SetUp() override {
        MenusFixture::SetUp();
        ShowForm();
        Painted = new vcl::TForm(nullptr);
        Painted->SetBounds(50, 50, 300, 200);
        PaintedManager = new TMenuTestPainterManager(Painted);
        PaintedManager->SetStyle(bmsEnhanced);
        Popup = new TxbBarPopupMenu(Painted);
        Painted->Show();
        DrainMessages();
    }
    void TearDown() override {
        while (GetActiveBarControl())
            GetActiveBarControl()->DeactivateAll();
        delete Painted;
        TTestPainter::Calls().clear();
        MenusFixture::TearDown();
    }
    TxbBarButton* AddEntry(TxbBarItemLinks* links, const std::string& caption, bool beginGroup = false) {
        auto* button = new TxbBarButton(Painted);
        button->SetCaption(caption);
        TxbBarItemLink* link = links->Add();
        link->SetItem(button);
        link->SetBeginGroup(beginGroup);
        return button;
    }
    // The pixel at a client point of the menu.
    win::COLORREF At(TxbBarSubMenuControl* menu, int32_t x, int32_t y) {
        win::TRect window{};
        win::GetWindowRect(menu->GetHandle(), &window);
        const win::TPoint p = menu->ClientToScreen(win::TPoint{x, y});
        return FScreen.WindowPixel(menu->GetHandle(), p.X - window.Left, p.Y - window.Top) & 0xFFFFFF;
    }
    // Every pixel of a client rectangle has the colour.
    void ExpectFilled(TxbBarSubMenuControl* menu, const win::TRect& r, int32_t colour, const char* what) {
        SCOPED_TRACE(what);
        ASSERT_FALSE(r.IsEmpty());
        int wrong = 0;
        for (int32_t y = r.Top; y < r.Bottom; ++y)
            for (int32_t x = r.Left; x < r.Right; ++x)
                wrong += At(menu, x, y) != win::COLORREF(colour);
        EXPECT_EQ(wrong, 0) << r.Left << "," << r.Top << " " << r.Right << "," << r.Bottom;
    }
    // Opens the popup at a point and runs check inside its loop, then closes it.
    void WithPopup(win::TPoint at, const std::function<void(TxbBarSubMenuControl*)>& check) {
        FScreen.Script([this, check] {
            TxbBarSubMenuControl* menu = Popup->GetControl();
            ASSERT_NE(menu, nullptr);
            DrainMessages();
            check(menu);
            if (Popup->GetControl())
                Popup->GetControl()->DeactivateAll();
        });
        Popup->Popup(at.X, at.Y);
    }
    vcl::TForm* Painted = nullptr;
    TxbBarManager* PaintedManager = nullptr;
    TxbBarPopupMenu* Popup = nullptr;
};

TEST_F(MenuPaintTest, FrameRowsAndASeparatorAboveItsRow) {
    TxbBarButton* one = AddEntry(Popup->GetItemLinks(), "One");
    AddEntry(Popup->GetItemLinks(), "Two", true);
    AddEntry(Popup->GetItemLinks(), "Three");
    WithPopup({200, 150}, [&](TxbBarSubMenuControl* menu) {
        const TxbBarItemControlPainter* painter = menu->GetPainter();
        ASSERT_EQ(painter, TMenuTestPainter::MenuInstance());
        const int32_t frame = painter->GetMenuFrameWidth();
        const int32_t separator = painter->GetMenuSeparatorHeight();
        TxbBarItemLinks* links = Popup->GetItemLinks();
        // The window: a 1-pixel border round the frame, the rows inside the frame, as wide as the widest.
        int32_t widest = 0, rows = 0;
        for (int32_t i = 0; i < 3; ++i) {
            widest = std::max(widest, links->GetItem(i)->GetControl()->GetWidth());
            rows += links->GetItem(i)->GetControl()->GetHeight();
        }
        win::TRect window{}, client{};
        win::GetWindowRect(menu->GetHandle(), &window);
        win::GetClientRect(menu->GetHandle(), &client);
        EXPECT_EQ(window.Width(), widest + 2 * frame + 2);
        EXPECT_EQ(window.Height(), rows + separator + 2 * frame + 2);
        EXPECT_EQ(window.Left, 200);
        EXPECT_EQ(window.Top, 150);
        // The border: its left column and top row in the button face, a raised outer edge right and bottom.
        EXPECT_EQ(FScreen.WindowPixel(menu->GetHandle(), 0, 0) & 0xFFFFFF, win::GetSysColor(win::COLOR_BTNFACE));
        EXPECT_EQ(FScreen.WindowPixel(menu->GetHandle(), 0, window.Height() / 2) & 0xFFFFFF,
                  win::GetSysColor(win::COLOR_BTNFACE));
        EXPECT_EQ(FScreen.WindowPixel(menu->GetHandle(), window.Width() - 1, window.Height() / 2) & 0xFFFFFF,
                  win::GetSysColor(win::COLOR_3DDKSHADOW));
        EXPECT_EQ(FScreen.WindowPixel(menu->GetHandle(), window.Width() / 2, window.Height() - 1) & 0xFFFFFF,
                  win::GetSysColor(win::COLOR_3DDKSHADOW));

        const int32_t frameColour = MenuTestColor(tsMenuFrame), rowColour = TestPainterColor(tsMenuButton);
        ExpectFilled(menu, {0, 0, client.Right, frame}, frameColour, "frame, top");
        ExpectFilled(menu, {0, client.Bottom - frame, client.Right, client.Bottom}, frameColour, "frame, bottom");
        ExpectFilled(menu, {0, 0, frame, client.Bottom}, frameColour, "frame, left");
        ExpectFilled(menu, {client.Right - frame, 0, client.Right, client.Bottom}, frameColour, "frame, right");
        int32_t top = frame;
        for (int32_t i = 0; i < 3; ++i) {
            const int32_t height = links->GetItem(i)->GetControl()->GetHeight();
            if (i == 1) {
                ExpectFilled(menu, {frame, top, client.Right - frame, top + separator}, MenuTestColor(tsMenuSeparator),
                             "separator");
                top += separator;
            }
            EXPECT_EQ(links->GetItem(i)->ItemRect, (win::TRect{frame, top, client.Right - frame, top + height}));
            ExpectFilled(menu, {frame, top, client.Right - frame, top + height}, rowColour, "row");
            top += height;
        }
        EXPECT_EQ(top, client.Bottom - frame);
        // Each row drew itself through the painter once for this paint, in menu state.
        std::vector<TTestPaintCall> buttons = TTestPainter::CallsOf(tsMenuButton);
        ASSERT_FALSE(buttons.empty());
        EXPECT_TRUE(buttons.back().States.Contains(idsInMenu));
        (void)one;
    });
}

TEST_F(MenuPaintTest, AMenuScrolledToItsMiddleShowsBothArrowsWithNothingPaintedOverThem) {
    for (int i = 0; i < 80; ++i)
        AddEntry(Popup->GetItemLinks(), "Entry " + std::to_string(i));
    win::TRect work{};
    win::SystemParametersInfo(win::SPI_GETWORKAREA, 0, &work, 0);
    WithPopup({200, work.Top + 10}, [&](TxbBarSubMenuControl* menu) {
        win::TRect window{};
        win::GetWindowRect(menu->GetHandle(), &window);
        EXPECT_EQ(window.Bottom, work.Bottom);
        menu->SetTopIndex(5);
        TTestPainter::Calls().clear();
        win::UpdateWindow(menu->GetHandle());
        ASSERT_TRUE(menu->CanScrollUp());
        ASSERT_TRUE(menu->CanScrollDown());
        const win::TRect up = menu->GetUpArrowRect(), down = menu->GetDownArrowRect();
        const int32_t arrow = MenuTestColor(tsMenuScrollArrow);
        ExpectFilled(menu, up, arrow, "up arrow");
        ExpectFilled(menu, down, arrow, "down arrow");
        std::vector<TTestPaintCall> arrows = TTestPainter::CallsOf(MenuSlot(tsMenuScrollArrow));
        ASSERT_EQ(arrows.size(), 2u);
        EXPECT_EQ(arrows[0].Rect, up);
        EXPECT_EQ(arrows[0].Extra, 1);
        EXPECT_EQ(arrows[1].Rect, down);
        EXPECT_EQ(arrows[1].Extra, 0);
        // The rows between are the entries from the sixth on, the arrows' own entries not drawn.
        TxbBarItemLinks* links = Popup->GetItemLinks();
        const win::TRect first = links->GetShownItem(6)->ItemRect;
        ExpectFilled(menu, first, TestPainterColor(tsMenuButton), "first row under the arrow");
        for (const TTestPaintCall& call : TTestPainter::CallsOf(tsMenuButton))
            EXPECT_TRUE(call.Object != links->GetShownItem(5)->GetControl() &&
                        call.Object != links->GetShownItem(5 + menu->GetPageLinkCount() - 1)->GetControl());
    });
}

TEST_F(MenuPaintTest, TheExpandRowOfAPersonalizedMenu) {
    Popup->SetUseRecentItems(true);
    AddEntry(Popup->GetItemLinks(), "Often");
    AddEntry(Popup->GetItemLinks(), "Seldom");
    Popup->GetItemLinks()->GetItem(0)->SetUseCount(30);
    Popup->GetItemLinks()->GetItem(0)->MoveToRecentFront(false);
    Popup->GetItemLinks()->GetItem(1)->SetMostRecentlyUsed(false);
    WithPopup({200, 150}, [&](TxbBarSubMenuControl* menu) {
        ASSERT_TRUE(menu->HasMark());
        const TxbBarItemControlPainter* painter = menu->GetPainter();
        const int32_t inset = painter->GetMenuScrollArrowHeight();
        win::TRect client{};
        win::GetClientRect(menu->GetHandle(), &client);
        const win::TRect row{inset, client.Bottom - inset - menu->GetExpandArrowHeight(), client.Right - inset,
                             client.Bottom - inset};
        EXPECT_EQ(menu->GetExpandArrowRect(), row);
        ExpectFilled(menu, row, MenuTestColor(tsMenuExpandArrow), "expand row");
        EXPECT_EQ(TTestPainter::CallsOf(MenuSlot(tsMenuExpandArrow)).back().Extra, 0);
        menu->SetMarkState(1);
        win::UpdateWindow(menu->GetHandle());
        EXPECT_EQ(TTestPainter::CallsOf(MenuSlot(tsMenuExpandArrow)).back().Extra, 1);
    });
}

TEST_F(MenuPaintTest, TheTearOffStripLiesAboveTheRows) {
    TxbBar* floating = PaintedManager->GetBars()->Add();
    TxbBarButton* tool = AddEntry(floating->GetItemLinks(), "Tool");
    (void)tool;
    auto* sub = new TxbBarSubItem(Painted);
    sub->SetCaption("More");
    sub->SetDetachable(true);
    sub->SetDetachingBar(floating->GetIndex());
    AddEntry(sub->GetItemLinks(), "Inner");
    Popup->GetItemLinks()->Add()->SetItem(sub);
    WithPopup({200, 150}, [&](TxbBarSubMenuControl* menu) {
        menu->SelectItemControl(Popup->GetItemLinks()->GetItem(0)->GetControl());
        win::SendMessage(menu->GetHandle(), win::WM_KEYDOWN, win::VK_RIGHT, 0);
        auto* more = dynamic_cast<TxbBarSubMenuControl*>(sub->GetItemLinks()->GetMenuWindow());
        ASSERT_NE(more, nullptr);
        DrainMessages();
        const TxbBarItemControlPainter* painter = more->GetPainter();
        TxbPaintMenu measure;
        measure.Detachable = true;
        measure.QqTextHeight = more->GetTextRowHeight() - 6;
        const int32_t strip = painter->GetDetachBarHeight(measure);
        // Taller by the strip, which sits between the border and the client area; the row starts at once.
        win::TRect window{}, client{};
        win::GetWindowRect(more->GetHandle(), &window);
        win::GetClientRect(more->GetHandle(), &client);
        EXPECT_EQ(window.Height() - client.Height(), 2 + strip);
        EXPECT_EQ(more->ClientToScreen(win::TPoint{0, 0}).Y, window.Top + 1 + strip);
        EXPECT_EQ(sub->GetItemLinks()->GetItem(0)->ItemRect.Top, 0);
        EXPECT_EQ(more->GetDetachRect(), (win::TRect{0, -strip, client.Width(), 0}));
        // The strip's bar: the window rectangle shrunk by the family's margins, half a text line (the strip
        // less 3) high, inside a ring of button face.
        const win::TPoint shrink = painter->GetDetachBarShrink();
        const int32_t half = strip - 3;
        const win::TRect bar{shrink.X, shrink.Y, window.Width() - shrink.X, shrink.Y + half};
        auto pixel = [&](int32_t x, int32_t y) { return FScreen.WindowPixel(more->GetHandle(), x, y) & 0xFFFFFF; };
        const win::COLORREF barColour = win::COLORREF(MenuTestColor(tsDetachBar));
        EXPECT_EQ(pixel(bar.Left, bar.Top), barColour);
        EXPECT_EQ(pixel(bar.Right - 1, bar.Bottom - 1), barColour);
        EXPECT_EQ(pixel(bar.Left, bar.Top - 1), win::GetSysColor(win::COLOR_BTNFACE));
        EXPECT_EQ(pixel(bar.Left, bar.Bottom), win::GetSysColor(win::COLOR_BTNFACE));
        EXPECT_EQ(pixel(bar.Right, bar.Top), win::GetSysColor(win::COLOR_BTNFACE));
    });
}

// The Enhanced family on a personalized popup opened in full: the rows of a run of rarely used entries lie on
// the rarely used brush (button face + 20 per channel), which reaches over the frame beside them; the run has
// a line in button shadow above it, a frequently used run after it one in button highlight (above its group
// separator); inside a run the band goes on beside a group separator; after a rarely used last row the band
// goes down to the client bottom.
TEST_F(MenuPaintTest, RarelyUsedRunsLieOnABandUnderALine) {
    Manager->SetStyle(bmsEnhanced);
    const win::COLORREF face = win::GetSysColor(win::COLOR_BTNFACE);
    const win::COLORREF shadow = win::GetSysColor(win::COLOR_BTNSHADOW);
    const win::COLORREF highlight = win::GetSysColor(win::COLOR_BTNHIGHLIGHT);
    auto lighter = [](int c) { return std::min(c + 20, 255); };
    const win::COLORREF band = Rgb(lighter(RedOf(face)), lighter(GreenOf(face)), lighter(BlueOf(face)));
    struct Case {
        const char* Name;
        bool LastRarely; // the last entry is rarely used, else a frequently used one
        bool LastGroup;  // the last entry begins a group
    };
    for (const Case& c : {Case{"rarely used last", true, false}, Case{"frequently used after the run", false, true},
                          Case{"a group inside the run", true, true}}) {
        SCOPED_TRACE(c.Name);
        auto* popup = new TxbBarPopupMenu(Form);
        popup->SetUseRecentItems(true);
        TxbBarItemLinks* links = popup->GetItemLinks();
        for (const char* caption : {"Often", "Seldom", c.LastRarely ? "Rare" : "Again"}) {
            auto* button = new TxbBarButton(Form);
            button->SetCaption(caption);
            links->Add()->SetItem(button);
        }
        links->GetItem(2)->SetBeginGroup(c.LastGroup);
        for (int32_t i : {0, 1, 2}) {
            const bool rarely = i == 1 || (i == 2 && c.LastRarely);
            if (rarely) {
                links->GetItem(i)->SetMostRecentlyUsed(false);
            } else {
                links->GetItem(i)->SetUseCount(30);
                links->GetItem(i)->MoveToRecentFront(false);
            }
        }
        bool checked = false;
        FScreen.Script([&] {
            TxbBarSubMenuControl* menu = popup->GetControl();
            ASSERT_NE(menu, nullptr);
            ASSERT_TRUE(menu->HasMark());
            menu->SetMarkState(2);
            DrainMessages();
            ASSERT_EQ(links->GetShownItemCount(), 3);
            menu->SelectItemControl(nullptr);
            win::UpdateWindow(menu->GetHandle());
            win::TRect client{};
            win::GetClientRect(menu->GetHandle(), &client);
            const win::TRect often = links->GetItem(0)->ItemRect, seldom = links->GetItem(1)->ItemRect,
                             last = links->GetItem(2)->ItemRect;
            // The band reaches from the side strip (no side strip here: the client's left edge) to 2 pixels
            // right of the rows.
            const int32_t indent = seldom.Left;
            // The run starts a pixel lower, for its line.
            EXPECT_EQ(seldom.Top, often.Bottom + 1);
            EXPECT_EQ(At(menu, seldom.Left - indent, seldom.Top - 1), shadow);
            EXPECT_EQ(At(menu, (seldom.Left + seldom.Right) / 2, seldom.Top - 1), shadow);
            EXPECT_EQ(At(menu, seldom.Right, seldom.Top - 1), shadow);
            const int32_t mid = (seldom.Top + seldom.Bottom) / 2;
            EXPECT_EQ(At(menu, seldom.Right - 5, seldom.Top + 1), band);
            EXPECT_EQ(At(menu, seldom.Right - 5, seldom.Bottom - 1), band);
            EXPECT_EQ(At(menu, seldom.Left - indent, mid), band);
            EXPECT_EQ(At(menu, seldom.Right + 1, mid), band);
            // The frequently used row keeps the menu face inside the raised frame.
            const int32_t oftenMid = (often.Top + often.Bottom) / 2;
            EXPECT_EQ(At(menu, often.Right - 5, often.Top + 1), face);
            EXPECT_EQ(At(menu, 0, oftenMid), highlight);
            EXPECT_EQ(At(menu, client.Right - 1, oftenMid), shadow);
            const int32_t separator = menu->GetPainter()->GetMenuSeparatorHeight();
            if (c.LastRarely) {
                EXPECT_EQ(last.Top, seldom.Bottom + (c.LastGroup ? separator : 0));
                if (c.LastGroup) {
                    // The band goes on beside the separator, whose own strips above and below the etched line
                    // are in the band too.
                    const int32_t middle = last.Top - separator / 2;
                    EXPECT_EQ(At(menu, last.Left - indent, middle), band);
                    EXPECT_EQ(At(menu, last.Right + 1, middle), band);
                    EXPECT_EQ(At(menu, last.Right - 1, last.Top - separator), band);
                }
                EXPECT_EQ(At(menu, last.Right - 5, last.Top + 1), band);
                // Down to the client bottom, a highlight pixel at its left end.
                EXPECT_EQ(At(menu, (last.Left + last.Right) / 2, client.Bottom - 1), band);
                EXPECT_EQ(At(menu, last.Right + 1, client.Bottom - 1), band);
                EXPECT_EQ(At(menu, last.Left - 2, client.Bottom - 1), highlight);
            } else {
                // The extra pixel, then the group separator, then the row.
                EXPECT_EQ(last.Top, seldom.Bottom + 1 + separator);
                EXPECT_EQ(At(menu, last.Left - indent, seldom.Bottom), highlight);
                EXPECT_EQ(At(menu, last.Right, seldom.Bottom), highlight);
                EXPECT_EQ(At(menu, last.Right - 5, last.Top + 1), face);
                EXPECT_EQ(At(menu, client.Right - 1, (last.Top + last.Bottom) / 2), shadow);
                EXPECT_EQ(At(menu, (last.Left + last.Right) / 2, client.Bottom - 1), shadow);
            }
            checked = true;
            menu->DeactivateAll();
        });
        popup->Popup(200, 150);
        EXPECT_TRUE(checked);
        delete popup;
    }
}

TEST_F(MenuPaintTest, TheRarelyUsedBrushIsButtonFacePlus20PerChannel) {
    AddEntry(Popup->GetItemLinks(), "One");
    const win::COLORREF face = win::GetSysColor(win::COLOR_BTNFACE);
    auto lighter = [](int c) { return std::min(c + 20, 255); };
    const win::COLORREF want = Rgb(lighter(RedOf(face)), lighter(GreenOf(face)), lighter(BlueOf(face)));
    for (int depth : {32, 8}) {
        SCOPED_TRACE(depth);
        win::SetScreenBitsPixel(depth);
        WithPopup({200, 150}, [&](TxbBarSubMenuControl* menu) {
            win::LOGBRUSH brush{};
            ASSERT_NE(menu->GetRarelyUsedBrush(), nullptr);
            win::GetObject(win::ToGdiObj(menu->GetRarelyUsedBrush()), sizeof(brush), &brush);
            if (depth == 8) {
                // A one-entry palette holding the colour, and a brush of its first entry.
                ASSERT_NE(menu->GetRarelyUsedPalette(), nullptr);
                win::PALETTEENTRY entries[2]{};
                EXPECT_EQ(win::GetPaletteEntries(menu->GetRarelyUsedPalette(), 0, 2, entries), 1u);
                EXPECT_EQ(Rgb(entries[0].peRed, entries[0].peGreen, entries[0].peBlue), want);
                EXPECT_EQ(brush.lbColor, win::PALETTEINDEX(0));
            } else {
                EXPECT_EQ(menu->GetRarelyUsedPalette(), nullptr);
                EXPECT_EQ(brush.lbColor, want);
            }
        });
    }
    win::SetScreenBitsPixel(32);
}

} // namespace

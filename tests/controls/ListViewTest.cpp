#include "controls/FcCommon.h"
#include "controls/FcListView.h"

#include "ControlsTestSupport.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Menus.h"
#include "platform/win/kernel/Version.h"
#include "platform/win/theme/RecordingThemeEngine.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace controls;
using win::COLORREF;
using win::MouseAction;

namespace {

using fctest::Rgb;

// A popup menu that records where it was asked to show, instead of showing.
class RecordingPopup : public vcl::TPopupMenu {
public:
    explicit RecordingPopup(vcl::TComponent* owner) : vcl::TPopupMenu(owner) {}
    void Popup(int32_t x, int32_t y) override { Shown.push_back({x, y}); }
    std::vector<win::TPoint> Shown;
};

class ListViewTest : public fctest::FormTest {
protected:
    ListViewTest() : FormTest(50, 50, 500, 400) {}
    void SetUp() override {
        FormTest::SetUp();
        if (!ControlsInitialized())
            InitializeControls();
    }

    TFcListView* AddList(std::vector<int> widths, int rows) {
        auto* lv = new TFcListView(FForm);
        lv->SetParent(FForm);
        lv->SetViewStyle(vcl::vsReport);
        lv->SetBounds(10, 10, 404, 200);
        for (size_t i = 0; i < widths.size(); ++i) {
            vcl::TListColumn* c = lv->GetColumns()->Add();
            c->SetCaption("Col" + std::to_string(i));
            c->SetWidth(widths[i]);
        }
        for (int r = 0; r < rows; ++r) {
            vcl::TListItem* item = lv->GetItems()->Add();
            item->SetCaption("Row" + std::to_string(r));
            for (size_t s = 1; s < widths.size(); ++s)
                item->GetSubItems()->Add("s" + std::to_string(r) + "_" + std::to_string(s));
        }
        return lv;
    }
    void Show() {
        FForm->Show();
        Pump();
    }
    void Pump() { vcl::Application->ProcessMessages(); }
    void Mouse(MouseAction action, win::HWND hwnd, win::TPoint p) {
        win::ClientToScreen(hwnd, &p);
        FScreen.InjectMouse(action, p);
        Pump();
    }
    void Click(win::HWND hwnd, win::TPoint p) {
        Mouse(MouseAction::LeftDown, hwnd, p);
        Mouse(MouseAction::LeftUp, hwnd, p);
    }
    void Key(int vk, bool down) {
        FScreen.InjectKey(vk, down);
        Pump();
    }
    static win::HWND Header(TFcListView* lv) {
        return reinterpret_cast<win::HWND>(win::SendMessage(lv->GetHandle(), win::LVM_GETHEADER, 0, 0));
    }
    static TRect Section(TFcListView* lv, int i) {
        TRect r{0, 0, 0, 0};
        win::SendMessage(Header(lv), win::HDM_GETITEMRECT, win::WPARAM(i), reinterpret_cast<win::LPARAM>(&r));
        return r;
    }
    // A click of its own, not the second half of a double click.
    void ClickSection(TFcListView* lv, int i) {
        TRect r = Section(lv, i);
        Click(Header(lv), {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
        FClock.Advance(win::GetDoubleClickTime() + 100);
    }
    static int HeaderFormat(TFcListView* lv, int i) {
        win::HDITEM item;
        item.mask = win::HDI_FORMAT;
        win::SendMessage(Header(lv), win::HDM_GETITEM, win::WPARAM(i), reinterpret_cast<win::LPARAM>(&item));
        return item.fmt;
    }
    static std::vector<std::string> Captions(TFcListView* lv) {
        std::vector<std::string> out;
        for (int i = 0; i < lv->GetItems()->GetCount(); ++i)
            out.push_back(lv->GetItems()->GetItem(i)->GetCaption());
        return out;
    }
};

TEST_F(ListViewTest, TheLastColumnFillsTheClientWidth) {
    struct Case {
        int clientWidth;
        int last;
    };
    for (Case c : {Case{400, 200}, Case{203, 5}, Case{260, 60}}) {
        TFcListView* lv = AddList({100, 100, 50}, 2);
        Show();
        lv->SetBounds(10, 10, 100, 200);
        lv->SetBounds(10, 10, c.clientWidth + 4, 200);
        ASSERT_EQ(lv->GetClientWidth(), c.clientWidth);
        EXPECT_EQ(lv->Column(2)->GetWidth(), c.last) << c.clientWidth;
        EXPECT_EQ(lv->Column(0)->GetWidth(), 100);
        delete lv;
    }
}

TEST_F(ListViewTest, ColumnClicksSortAllRowsUpDownAndUpWithEmptyTextsLastThenFirst) {
    TFcListView* lv = AddList({80, 80}, 0);
    lv->SetAlphaSortAll(true);
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"r1", "beta"}, {"r2", ""}, {"r3", "Alpha"}, {"r4", "gamma"}, {"r5", "ALPHA2"}};
    for (const auto& [caption, sub] : rows) {
        vcl::TListItem* item = lv->GetItems()->Add();
        item->SetCaption(caption);
        item->GetSubItems()->Add(sub);
    }
    std::vector<int> clicked;
    lv->OnColumnClick = [&](vcl::TObject*, vcl::TListColumn* c) {
        clicked.push_back(c->GetIndex());
        EXPECT_EQ(lv->GetSortColumn(), 1); // the sort came first
    };
    Show();
    const std::vector<std::string> ascending = {"r3", "r5", "r1", "r4", "r2"};
    const std::vector<std::string> descending = {"r2", "r4", "r1", "r5", "r3"};
    ClickSection(lv, 1);
    EXPECT_EQ(Captions(lv), ascending);
    EXPECT_EQ(lv->GetSortDirection(), 0);
    ClickSection(lv, 1);
    EXPECT_EQ(Captions(lv), descending);
    EXPECT_EQ(lv->GetSortDirection(), 1);
    ClickSection(lv, 1);
    EXPECT_EQ(Captions(lv), ascending);
    EXPECT_EQ(clicked, (std::vector<int>{1, 1, 1}));
    // The window's rows follow the objects.
    char text[16] = {};
    win::LVITEM item;
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = 16;
    win::SendMessage(lv->GetHandle(), win::LVM_GETITEMTEXT, 0, reinterpret_cast<win::LPARAM>(&item));
    EXPECT_STREQ(text, "r3");
}

TEST_F(ListViewTest, AVetoedCheckChangeKeepsTheCheckAndFiresNoChange) {
    TFcListView* lv = AddList({100}, 2);
    lv->SetCheckboxes(true);
    Show();
    vcl::TListItem* item = lv->GetItems()->GetItem(0);
    item->SetChecked(true);
    bool allow = false;
    std::vector<bool> asked;
    int changes = 0;
    lv->OnCheckStateChanging = [&](vcl::TObject*, vcl::TListItem* i, bool toBeChecked, bool& allowChange) {
        EXPECT_EQ(i, item);
        asked.push_back(toBeChecked);
        allowChange = allow;
    };
    lv->OnCheckStateChange = [&](vcl::TObject*, vcl::TListItem*) { ++changes; };
    item->SetChecked(false);
    EXPECT_TRUE(item->GetChecked());
    EXPECT_EQ(changes, 0);
    // A selection change is no check change, though the state carries the check image.
    item->SetSelected(true);
    EXPECT_EQ(asked, std::vector<bool>{false});
    allow = true;
    item->SetChecked(false);
    EXPECT_FALSE(item->GetChecked());
    EXPECT_EQ(asked, (std::vector<bool>{false, false}));
    EXPECT_EQ(changes, 1);
}

TEST_F(ListViewTest, KeyboardContextMenusShowAtTheTopLeftOrAtTheFocusedItem) {
    TFcListView* lv = AddList({100, 100}, 3);
    auto* menu = new RecordingPopup(FForm);
    lv->SetPopupMenu(menu);
    Show();
    lv->SetFocus();
    Pump();
    const win::TPoint origin = lv->ClientToScreen({0, 0});
    Key(win::VK_SHIFT, true);
    Key(win::VK_F10, true);
    Key(win::VK_F10, false);
    Key(win::VK_SHIFT, false);
    ASSERT_EQ(menu->Shown.size(), 1u);
    EXPECT_EQ(menu->Shown[0], origin);
    EXPECT_EQ(menu->GetPopupComponent(), lv);
    Key(win::VK_APPS, true);
    Key(win::VK_APPS, false);
    ASSERT_EQ(menu->Shown.size(), 2u); // the window's own request after the key goes unanswered
    EXPECT_EQ(menu->Shown[1], origin);

    vcl::TListItem* item = lv->GetItems()->GetItem(1);
    lv->SetSelected(item);
    const TRect icon = item->DisplayRect(vcl::drIcon);
    const win::TPoint centre = lv->ClientToScreen({(icon.Left + icon.Right) / 2, (icon.Top + icon.Bottom) / 2});
    Key(win::VK_APPS, true);
    Key(win::VK_APPS, false);
    ASSERT_EQ(menu->Shown.size(), 3u);
    EXPECT_EQ(menu->Shown[2], centre);

    // The handler moves the point and swaps the menu.
    auto* other = new RecordingPopup(FForm);
    lv->OnItemContextMenu = [&](vcl::TObject*, vcl::TListItem* i, win::TPoint& pos, vcl::TPopupMenu*& m) {
        EXPECT_EQ(i, item);
        EXPECT_EQ(m, menu);
        pos = {7, 9};
        m = other;
    };
    Key(win::VK_APPS, true);
    Key(win::VK_APPS, false);
    EXPECT_EQ(menu->Shown.size(), 3u);
    ASSERT_EQ(other->Shown.size(), 1u);
    EXPECT_EQ(other->Shown[0], lv->ClientToScreen({7, 9}));
}

TEST_F(ListViewTest, ARightClickOnAnItemShowsItsMenuOnceAtTheMouse) {
    TFcListView* lv = AddList({100, 100}, 3);
    auto* menu = new RecordingPopup(FForm);
    lv->SetPopupMenu(menu);
    std::vector<vcl::TListItem*> items;
    lv->OnItemContextMenu = [&](vcl::TObject*, vcl::TListItem* i, win::TPoint&, vcl::TPopupMenu*&) {
        items.push_back(i);
    };
    Show();
    const TRect row = lv->GetItems()->GetItem(2)->DisplayRect(vcl::drLabel);
    const win::TPoint at{row.Left + 10, (row.Top + row.Bottom) / 2};
    Mouse(MouseAction::RightDown, lv->GetHandle(), at);
    Mouse(MouseAction::RightUp, lv->GetHandle(), at);
    ASSERT_EQ(menu->Shown.size(), 1u);
    EXPECT_EQ(menu->Shown[0], lv->ClientToScreen(at));
    EXPECT_EQ(items, std::vector<vcl::TListItem*>{lv->GetItems()->GetItem(2)});
    EXPECT_EQ(lv->GetPopupMenu(), menu); // lent out only for the release
}

TEST_F(ListViewTest, HeaderFormatsFollowTheSortDisplayMode) {
    auto* images = new vcl::TImageList(FForm);
    images->SetWidth(16);
    images->SetHeight(16);
    TFcListView* lv = AddList({100, 100, 100}, 1);
    lv->Column(1)->SetAlignment(vcl::taRightJustify);
    lv->Column(2)->SetImageIndex(0);
    Show();
    Pump();
    EXPECT_EQ(HeaderFormat(lv, 0), 0x8000);
    EXPECT_EQ(HeaderFormat(lv, 1), 0x8000 | 1);
    lv->SetHeaderSortDisplayMode(hsdmNone);
    EXPECT_EQ(HeaderFormat(lv, 0), 0x4000);
    EXPECT_EQ(HeaderFormat(lv, 1), 0x4000 | 1);
    EXPECT_EQ(HeaderFormat(lv, 2), 0x4000);
    lv->SetSmallImages(images);
    lv->UpdateHeaderFormats();
    EXPECT_EQ(HeaderFormat(lv, 2), 0x4000 | 0x0800);
    EXPECT_EQ(HeaderFormat(lv, 0), 0x4000);
    // A re-created window gets the formats again through the posted message.
    lv->SetHeaderSortDisplayMode(hsdmLeftAlign);
    lv->SetFrameVisible(true);
    Pump();
    EXPECT_EQ(HeaderFormat(lv, 1), 0x8000 | 1);
}

TEST_F(ListViewTest, OwnerDrawnSectionsNeedCommonControls470) {
    struct Case {
        win::DWORD versionMS;
        TFcLVHeaderSortDisplayMode expected;
    };
    for (Case c : {Case{(4u << 16) | 69u, hsdmNone}, Case{(4u << 16) | 70u, hsdmRightAlign}}) {
        win::SetModuleFileVersion("comctl32.dll", c.versionMS, 0);
        FinalizeControls();
        InitializeControls();
        TFcListView* lv = AddList({100}, 0);
        lv->SetHeaderSortDisplayMode(hsdmRightAlign);
        EXPECT_EQ(lv->GetHeaderSortDisplayMode(), c.expected);
        delete lv;
    }
    win::ResetModuleVersions();
    FinalizeControls();
    InitializeControls();
}

// The arrow's rectangle and triangle as the header's arithmetic gives them, for a section's text rectangle.
struct ArrowGeometry {
    TRect A;
    int h;
};
ArrowGeometry ArrowFrom(const TRect& r) {
    const int s = (r.Top + r.Bottom) / 2 - 1;
    TRect a{r.Left, (r.Top + r.Bottom - s) / 2 - 1, r.Left + s + 1, 0};
    a.Bottom = a.Top + s;
    return {a, (a.Bottom - a.Top) * 3 / 4};
}

TEST_F(ListViewTest, TheSortArrowIsDrawnWhereTheArithmeticPutsIt) {
    const COLORREF shadow = Rgb(vcl::clBtnShadow);
    vcl::TBitmap measure;
    for (TFcLVHeaderSortDisplayMode mode : {hsdmLeftAlign, hsdmRightOfText, hsdmRightAlign}) {
        for (int direction = 0; direction < 2; ++direction) {
            TFcListView* lv = AddList({120, 120}, 2);
            lv->SetAlphaSortAll(true);
            lv->SetHeaderSortDisplayMode(mode);
            Show();
            ClickSection(lv, 0);
            if (direction == 1)
                ClickSection(lv, 0);
            ASSERT_EQ(lv->GetSortDirection(), direction);
            win::HWND header = Header(lv);
            win::InvalidateRect(header, nullptr, win::TRUE);
            win::UpdateWindow(header);
            const TRect section = Section(lv, 0);
            TRect t{section.Left + 2 + 4, section.Top + 2, section.Right - 2 - 4, section.Bottom - 2};
            ArrowGeometry g = ArrowFrom(t);
            const int w = g.A.Right - g.A.Left;
            if (mode == hsdmRightAlign) {
                g.A.Right = t.Right - 5;
                g.A.Left = g.A.Right - w;
            } else if (mode == hsdmRightOfText) {
                measure.GetCanvas()->SetFont(lv->GetFont());
                g.A.Left = t.Left + measure.GetCanvas()->TextWidth("Col0") + 5;
                g.A.Right = g.A.Left + w;
            }
            const TRect& a = g.A;
            const int h = g.h;
            const int apexX = a.Left + (2 * h - 1) / 2;
            const int apexY = direction == 0 ? a.Bottom - h : a.Bottom - 1;
            const int baseY = direction == 0 ? a.Bottom - 1 : a.Bottom - h;
            SCOPED_TRACE("mode " + std::to_string(mode) + " direction " + std::to_string(direction));
            EXPECT_EQ(FScreen.WindowPixel(header, apexX, apexY), shadow);
            EXPECT_EQ(FScreen.WindowPixel(header, a.Left, baseY), shadow);
            EXPECT_EQ(FScreen.WindowPixel(header, a.Left + 2 * h - 2, baseY), shadow);
            EXPECT_EQ(FScreen.WindowPixel(header, apexX, (baseY + apexY) / 2), shadow); // inside
            const int beyondApex = direction == 0 ? apexY - 1 : apexY + 1;
            EXPECT_NE(FScreen.WindowPixel(header, apexX, beyondApex), shadow);
            EXPECT_NE(FScreen.WindowPixel(header, a.Left - 1, baseY), shadow);
            // The unsorted column has no arrow anywhere.
            const TRect other = Section(lv, 1);
            for (int y = other.Top + 2; y < other.Bottom - 2; ++y)
                for (int x = other.Left + 2; x < other.Right - 2; ++x)
                    ASSERT_NE(FScreen.WindowPixel(header, x, y), shadow) << x << "," << y;
            delete lv;
        }
    }
}

TEST_F(ListViewTest, ColoursReachTheWindowAndFollowTheState) {
    TFcListView* lv = AddList({100, 100}, 2);
    lv->SetColor(vcl::clInfoBk);
    lv->SetFocusColor(vcl::clYellow);
    lv->SetDisabledColor(vcl::clSilver);
    Show();
    win::SetFocus(FForm->GetHandle());
    Pump();
    auto bk = [&] { return COLORREF(win::SendMessage(lv->GetHandle(), win::LVM_GETBKCOLOR, 0, 0)); };
    auto textBk = [&] { return COLORREF(win::SendMessage(lv->GetHandle(), win::LVM_GETTEXTBKCOLOR, 0, 0)); };
    EXPECT_EQ(bk(), Rgb(vcl::clInfoBk));
    EXPECT_EQ(textBk(), Rgb(vcl::clInfoBk));
    lv->SetFocus();
    Pump();
    EXPECT_EQ(bk(), Rgb(vcl::clYellow));
    EXPECT_EQ(lv->GetNormalColor(), vcl::clInfoBk);
    win::SetFocus(FForm->GetHandle());
    lv->SetEnabled(false);
    Pump();
    EXPECT_EQ(bk(), Rgb(vcl::clSilver));
    EXPECT_EQ(textBk(), Rgb(vcl::clSilver));
    // A disabled row: its label on the disabled colour.
    const TRect label = lv->GetItems()->GetItem(0)->DisplayRect(vcl::drLabel);
    lv->Repaint();
    EXPECT_EQ(FScreen.WindowPixel(lv->GetHandle(), label.Right - 3 + 2, label.Top + 1 + 2), Rgb(vcl::clSilver));
    lv->SetEnabled(true);
    EXPECT_EQ(bk(), Rgb(vcl::clInfoBk));
}

TEST_F(ListViewTest, TheFrameIsDrawnOnTheBorderAndTurnsHotWhileFocused) {
    TFcListView* lv = AddList({100, 100}, 2);
    lv->SetFrameVisible(true);
    lv->SetFrameColor(vcl::clRed);
    lv->SetColor(vcl::clInfoBk);
    lv->SetFocusColor(vcl::clInfoBk);
    Show();
    win::SetFocus(FForm->GetHandle());
    Pump();
    auto px = [&](int x, int y) {
        win::RedrawWindow(lv->GetHandle(), nullptr, nullptr, win::RDW_FRAME | win::RDW_INVALIDATE | win::RDW_UPDATENOW);
        return FScreen.WindowPixel(lv->GetHandle(), x, y);
    };
    const int w = lv->GetWidth(), h = lv->GetHeight();
    EXPECT_EQ(px(0, 0), Rgb(vcl::clRed));
    EXPECT_EQ(px(w - 1, h - 1), Rgb(vcl::clRed));
    EXPECT_EQ(px(1, h / 2), Rgb(vcl::clInfoBk)); // the standard border's inner line, in Color
    lv->SetFrameHotTrack(true);
    lv->SetFrameHotColor(vcl::clBlue);
    lv->SetFrameHotStyle(fsFlatBold);
    EXPECT_EQ(px(0, 0), Rgb(vcl::clRed));
    lv->SetFocus();
    Pump();
    EXPECT_EQ(px(0, 0), Rgb(vcl::clBlue));
    EXPECT_EQ(px(1, 1), Rgb(vcl::clBlue));
    EXPECT_EQ(px(w - 2, h / 2), Rgb(vcl::clBlue));
}

TEST_F(ListViewTest, AWheelNotchScrollsWheelLinesOf16PixelsInReportView) {
    TFcListView* lv = AddList({100}, 100);
    Show();
    std::vector<int> scrolls;
    vcl::TWndMethod old = [lv](vcl::TMessage& m) { lv->Dispatch(m); };
    lv->SetWindowProc([&, old](vcl::TMessage& m) {
        if (m.Msg == win::LVM_SCROLL)
            scrolls.push_back(int(m.LParam));
        old(m);
    });
    win::UINT lines = 0;
    win::SystemParametersInfo(win::SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    ASSERT_GT(lines, 0u);
    const win::TPoint at = lv->ClientToScreen({50, 50});
    FScreen.InjectMouse(MouseAction::Move, at);
    FScreen.InjectMouse(MouseAction::Wheel, at, -win::WHEEL_DELTA);
    Pump();
    FScreen.InjectMouse(MouseAction::Wheel, at, win::WHEEL_DELTA);
    Pump();
    EXPECT_EQ(scrolls, (std::vector<int>{int(lines) * 16, -int(lines) * 16}));
    lv->SetWindowProc(nullptr);
}

TEST_F(ListViewTest, WithRowSelectAnEditStartsOnlyInsideTheLabel) {
    TFcListView* lv = AddList({100, 100}, 3);
    lv->SetRowSelect(true);
    Show();
    vcl::TListItem* item = lv->GetItems()->GetItem(1);
    lv->SetFocus();
    lv->SetSelected(item);
    Pump();
    const TRect label = item->DisplayRect(vcl::drLabel);
    const int y = (label.Top + label.Bottom) / 2;
    auto clickAndWait = [&](int x) {
        Click(lv->GetHandle(), {x, y});
        FClock.Advance(win::GetDoubleClickTime() + 20);
        Pump();
    };
    clickAndWait(150); // the second column of the row
    EXPECT_FALSE(lv->IsEditing());
    clickAndWait(label.Left + 5);
    EXPECT_TRUE(lv->IsEditing());
    win::SendMessage(lv->GetHandle(), win::LVM_EDITLABEL, win::WPARAM(-1), 0);
    Pump();
    lv->SetEditOnRowClick(true);
    clickAndWait(150);
    EXPECT_TRUE(lv->IsEditing());
}

TEST_F(ListViewTest, ThemedSectionsTurnHotAndPressed) {
    auto engine = std::make_shared<win::RecordingThemeEngine>();
    engine->AddClass("header");
    win::SetThemeEngine(engine);
    TFcListView* lv = AddList({100, 100}, 1);
    Show();
    win::HWND header = Header(lv);
    const TRect s1 = Section(lv, 1);
    auto statesOf = [&](const TRect& r) {
        std::vector<int> states;
        for (const win::ThemeCall& c : engine->CallsOf("DrawThemeBackground"))
            if (c.Class == "header" && c.Rect == r)
                states.push_back(c.State);
        return states;
    };
    engine->ClearCalls();
    Mouse(MouseAction::Move, header, {s1.Left + 10, 5});
    win::UpdateWindow(header);
    EXPECT_EQ(lv->GetHotSection(), 1);
    EXPECT_EQ(statesOf(s1).back(), 2); // hot
    EXPECT_EQ(statesOf(Section(lv, 0)).back(), 1);
    engine->ClearCalls();
    Mouse(MouseAction::LeftDown, header, {s1.Left + 10, 5});
    win::InvalidateRect(header, nullptr, win::FALSE);
    win::UpdateWindow(header);
    EXPECT_TRUE(lv->GetHeaderPressed());
    EXPECT_EQ(statesOf(s1).back(), 3); // pressed
    Mouse(MouseAction::LeftUp, header, {s1.Left + 10, 5});
    Mouse(MouseAction::Move, lv->GetHandle(), {50, 60});
    EXPECT_EQ(lv->GetHotSection(), -1);
}

TEST_F(ListViewTest, SelectionsByCodeReachOnSelectItem) {
    TFcListView* lv = AddList({100}, 3);
    Show();
    std::vector<std::pair<int, bool>> seen;
    lv->OnSelectItem = [&](vcl::TObject*, vcl::TListItem* i, bool selected) { seen.push_back({i->GetIndex(), selected}); };
    lv->SetSelected(lv->GetItems()->GetItem(2));
    lv->SetSelected(lv->GetItems()->GetItem(0));
    EXPECT_EQ(seen, (std::vector<std::pair<int, bool>>{{2, true}, {2, false}, {0, true}}));
}

// Someone else's procedure put on the header after ours, forwarding to it.
win::WNDPROC TopPrev = nullptr;
int TopCalls = 0;
win::LRESULT TopHeaderProc(win::HWND h, win::UINT msg, win::WPARAM w, win::LPARAM l) {
    ++TopCalls;
    return win::CallWindowProc(TopPrev, h, msg, w, l);
}

TEST_F(ListViewTest, TheHeaderProcedureNeverOutlivesTheListView) {
    TFcListView* lv = AddList({100, 100}, 2);
    Show();
    win::HWND header = Header(lv);
    ASSERT_EQ(lv->GetSubclassedHeader(), header);
    // The header goes first: the list view forgets it.
    win::DestroyWindow(header);
    EXPECT_EQ(lv->GetSubclassedHeader(), nullptr);
    delete lv;

    // A procedure on top of ours: freeing the list view leaves ours passing messages on to the class's.
    lv = AddList({100, 100}, 2);
    Show();
    header = Header(lv);
    TopPrev = reinterpret_cast<win::WNDPROC>(
        win::SetWindowLong(header, win::GWL_WNDPROC, reinterpret_cast<win::LONG_PTR>(&TopHeaderProc)));
    TopCalls = 0;
    delete lv; // the window and its header go after the object stopped answering
    EXPECT_GT(TopCalls, 0);

    // A change of parent gives the header back and takes it again.
    lv = AddList({100, 100}, 2);
    Show();
    auto* panel = new vcl::TPanel(FForm);
    panel->SetParent(FForm);
    panel->SetBounds(0, 0, 450, 300);
    lv->SetParent(panel);
    Pump();
    header = Header(lv);
    EXPECT_EQ(lv->GetSubclassedHeader(), header);
    Mouse(MouseAction::Move, header, {5, 5});
}

TEST_F(ListViewTest, AReCreatedWindowKeepsRowsColumnsChecksAndSelection) {
    TFcListView* lv = AddList({100, 80}, 4);
    lv->SetCheckboxes(true);
    lv->SetMultiSelect(true);
    Show();
    lv->GetItems()->GetItem(1)->SetChecked(true);
    lv->GetItems()->GetItem(2)->SetSelected(true);
    lv->GetItems()->GetItem(3)->SetSelected(true);
    const win::HWND before = lv->GetHandle();
    auto* controller = new TFcFrameController(FForm);
    controller->SetFrameVisible(true);
    lv->SetFrameController(controller);
    controller->SetFrameVisible(false);
    controller->SetFrameVisible(true); // pushed later: the window is made again
    Pump();
    EXPECT_NE(lv->GetHandle(), before);
    EXPECT_TRUE(lv->GetFrameVisible());
    ASSERT_EQ(int(win::SendMessage(lv->GetHandle(), win::LVM_GETITEMCOUNT, 0, 0)), 4);
    EXPECT_EQ(lv->Column(1)->GetWidth(), 80);
    EXPECT_TRUE(lv->GetItems()->GetItem(1)->GetChecked());
    EXPECT_FALSE(lv->GetItems()->GetItem(0)->GetChecked());
    EXPECT_EQ(lv->GetSelCount(), 2);
    EXPECT_TRUE(lv->GetItems()->GetItem(3)->GetSelected());
    EXPECT_EQ(lv->GetItems()->GetItem(2)->GetSubItems()->Get(0), "s2_1");
}

} // namespace

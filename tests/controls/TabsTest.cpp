#include "controls/FcCommon.h"
#include "controls/FcTabs.h"

#include "ControlsTestSupport.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/kernel/Clock.h"
#include "platform/win/theme/RecordingThemeEngine.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace controls;
using fctest::Channel;
using win::COLORREF;
using win::MouseAction;
using win::TRect;

namespace {

// Inside the anonymous namespace, so that it overloads the channels-to-colour Rgb of another test file
// compiled in the same unit.
using fctest::Rgb;

constexpr TColor EditorTabsColor = 16119543, EditorFlat = 10263441, EditorBar = 3983359;

// Text extents in the control's tab font, measured as the layout measures them.
struct Measure {
    explicit Measure(vcl::TFont* font, int angle = 0) {
        Dc = win::CreateCompatibleDC(nullptr);
        Font = CreateRotatedFont(font, angle);
        Old = win::SelectObject(Dc, win::ToGdiObj(Font));
    }
    ~Measure() {
        win::SelectObject(Dc, Old);
        win::DeleteObject(win::ToGdiObj(Font));
        win::DeleteDC(Dc);
    }
    win::TSize Of(const std::string& s) const {
        win::SIZE z{0, 0};
        win::GetTextExtentPoint32(Dc, s.data(), int(s.size()), &z);
        return {z.cx, z.cy};
    }
    win::HDC Dc;
    win::HFONT Font;
    win::HGDIOBJ Old;
};

class TabsTest : public fctest::FormTest {
protected:
    TabsTest() : FormTest(50, 50, 900, 700) {}
    TFcTabControl* AddTabs(std::initializer_list<const char*> captions, int w = 300, int h = 100) {
        auto* t = new TFcTabControl(FForm);
        t->SetParent(FForm);
        t->SetBounds(10, 10, w, h);
        for (const char* c : captions)
            t->GetTabNames()->Add(c);
        return t;
    }
    // The tab control as the editor streams it.
    TFcTabControl* AddEditorTabs(std::initializer_list<const char*> captions, int w = 300, int h = 100) {
        TFcTabControl* t = AddTabs(captions, w, h);
        t->SetColor(EditorTabsColor);
        t->SetFlatColor(EditorFlat);
        t->GetTabColors()->SetHighlightBar(EditorBar);
        t->SetHotTrackColor(EditorBar);
        t->SetHotTrackColorType(htctActual);
        return t;
    }
    void Pump() { vcl::Application->ProcessMessages(); }
    void Mouse(MouseAction action, vcl::TControl* c, win::TPoint p) {
        FScreen.InjectMouse(action, c->ClientToScreen(p));
        Pump();
    }
    void Layout(TFcCustomTabControl* t) {
        t->InvalidateTabs();
        t->UpdateLayout();
    }
    COLORREF Pixel(vcl::TWinControl* c, int x, int y) {
        c->Repaint();
        return FScreen.WindowPixel(c->GetHandle(), x, y);
    }

};

// ---- Model ---------------------------------------------------------------------------------------------

TEST_F(TabsTest, NonNegativeSettingsIgnoreNegativeValues) {
    TFcTabControl* t = AddTabs({"A"});
    struct Case {
        const char* Name;
        void (TFcCustomTabControl::*Set)(int32_t);
        int32_t (TFcCustomTabControl::*Get)() const;
    };
    const Case cases[] = {
        {"TabWidth", &TFcCustomTabControl::SetTabWidth, &TFcCustomTabControl::GetTabWidth},
        {"TabHeight", &TFcCustomTabControl::SetTabHeight, &TFcCustomTabControl::GetTabHeight},
        {"Margin", &TFcCustomTabControl::SetMargin, &TFcCustomTabControl::GetMargin},
        {"ImageMargin", &TFcCustomTabControl::SetImageMargin, &TFcCustomTabControl::GetImageMargin},
        {"RowIndent", &TFcCustomTabControl::SetRowIndent, &TFcCustomTabControl::GetRowIndent},
        {"RowOverlap", &TFcCustomTabControl::SetRowOverlap, &TFcCustomTabControl::GetRowOverlap},
        {"CutCornerSize", &TFcCustomTabControl::SetCutCornerSize, &TFcCustomTabControl::GetCutCornerSize},
    };
    for (const Case& c : cases) {
        (t->*c.Set)(7);
        (t->*c.Set)(-1);
        (t->*c.Set)(-3);
        EXPECT_EQ((t->*c.Get)(), 7) << c.Name;
        (t->*c.Set)(0);
        EXPECT_EQ((t->*c.Get)(), 0) << c.Name;
    }
}

TEST_F(TabsTest, CoupledSettingsAndTheParentsColour) {
    TFcTabControl* t = AddTabs({"A"});
    EXPECT_TRUE(t->GetShowShadow());
    EXPECT_TRUE(t->GetShowFullFrame());
    t->SetShowFullFrame(false);
    EXPECT_FALSE(t->GetShowShadow());
    t->SetShowShadow(true);
    EXPECT_TRUE(t->GetShowFullFrame());

    FForm->SetColor(TColor(0x123456));
    EXPECT_TRUE(t->GetParentBackgroundColor());
    EXPECT_EQ(t->GetBackgroundColor(), TColor(0x123456));
    t->SetBackgroundColor(TColor(0x00FF00));
    EXPECT_FALSE(t->GetParentBackgroundColor());
    FForm->SetColor(TColor(0x654321));
    EXPECT_EQ(t->GetBackgroundColor(), TColor(0x00FF00));
    t->SetParentBackgroundColor(true);
    EXPECT_EQ(t->GetBackgroundColor(), TColor(0x654321)); // at once
    EXPECT_TRUE(t->GetParentBackgroundColor());
}

// A tab control that counts what the close box asks it to close.
class TClosingTabs : public TFcTabControl {
public:
    using TFcTabControl::TFcTabControl;
    int Closed = 0;

protected:
    void CloseActiveTab() override { ++Closed; }
};

TEST_F(TabsTest, TheCloseBoxClosesOnlyWhatOnCloseAllows) {
    auto* t = new TClosingTabs(FForm);
    t->SetParent(FForm);
    t->SetBounds(10, 10, 300, 100);
    t->GetTabNames()->Add("One");
    t->GetTabNames()->Add("Two");
    t->SetShowCloseButton(true);
    FForm->Show();
    Pump();
    t->SetTabIndex(0);
    t->Repaint();
    TFcTabCloseButton* box = t->GetCloseButton();
    ASSERT_NE(box, nullptr);
    auto click = [&] {
        Mouse(MouseAction::LeftDown, box, {2, 2});
        Mouse(MouseAction::LeftUp, box, {2, 2});
    };
    click();
    EXPECT_EQ(t->Closed, 0); // no OnClose: nothing closes
    bool allow = false;
    int asked = 0;
    t->OnClose = [&](vcl::TObject*, bool& a) {
        ++asked;
        a = allow;
    };
    click();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(t->Closed, 0);
    allow = true;
    click();
    EXPECT_EQ(t->Closed, 1);
    // Without a selection the box does nothing, not even ask.
    t->SetTabIndex(-1);
    click();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(t->Closed, 1);
}

// ---- Region cache --------------------------------------------------------------------------------------

win::HRGN Rgn(int i) { return win::CreateRectRgn(i, i, i + 10, i + 10); }

TEST_F(TabsTest, TheRegionCacheKeepsTheNewestRegions) {
    const auto start = fctest::GdiCounts();
    {
        TFcTabRegionCache cache;
        cache.Add({0, 0, 1, 1}, Rgn(0));
        cache.Add({1, 1, 2, 2}, Rgn(1));
        EXPECT_EQ(cache.Count(), 1);
        EXPECT_EQ(cache.Find({0, 0, 1, 1}), nullptr);
        EXPECT_NE(cache.Find({1, 1, 2, 2}), nullptr);
        EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkRegion), start[int(win::GdiKind::gkRegion)] + 1);

        cache.SetCapacity(-1);
        for (int i = 2; i < 6; ++i)
            cache.Add({i, i, i + 1, i + 1}, Rgn(i));
        EXPECT_EQ(cache.Count(), 5);
        cache.SetCapacity(2);
        ASSERT_EQ(cache.Count(), 2);
        EXPECT_EQ(cache.Item(0).TabRect, (TRect{5, 5, 6, 6}));
        EXPECT_EQ(cache.Item(1).TabRect, (TRect{4, 4, 5, 5}));

        try {
            cache.SetCapacity(0);
            ADD_FAILURE() << "no exception";
        } catch (const vcl::Exception& e) {
            EXPECT_EQ(e.Message(), "Capacity must be -1 (to cache all regions) or > 0");
        }
        EXPECT_THROW(cache.SetCapacity(-2), vcl::Exception);
        EXPECT_EQ(cache.GetCapacity(), 2);
        EXPECT_EQ(cache.Count(), 2);

        // A rectangle already cached: it moves to the front and the region given is deleted.
        win::HRGN kept = cache.Find({4, 4, 5, 5});
        cache.Add({4, 4, 5, 5}, Rgn(9));
        EXPECT_EQ(cache.Item(0).TabRect, (TRect{4, 4, 5, 5}));
        EXPECT_EQ(cache.Find({4, 4, 5, 5}), kept);
        EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkRegion), start[int(win::GdiKind::gkRegion)] + 2);
    }
    EXPECT_EQ(fctest::GdiCounts(), start);
}

TEST_F(TabsTest, RegionsAreFreedAfterLayoutsAndWithTheControl) {
    FForm->Show();
    Pump();
    const int start = win::GdiObjectCount(win::GdiKind::gkRegion);
    TFcTabControl* t = AddTabs({"One", "Two", "Three", "Four"});
    Pump();
    for (int capacity : {1, -1, 3}) {
        t->SetRegionCacheCapacity(capacity);
        for (int n = 0; n < 3; ++n) {
            t->SetTabIndex(n);
            t->Repaint();
            t->TabAtPos(20, 10);
        }
        Layout(t);
        EXPECT_EQ(t->GetRegionCache()->Count(), 0);
    }
    t->Repaint();
    EXPECT_GT(win::GdiObjectCount(win::GdiKind::gkRegion), start);
    delete t;
    Pump();
    EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkRegion), start);
}

// ---- Streaming -----------------------------------------------------------------------------------------

class TTabsRoot : public vcl::TComponent {
public:
    explicit TTabsRoot(vcl::TComponent* owner) : vcl::TComponent(owner) {}
    void GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent*) override {
        for (int32_t i = 0; i < GetComponentCount(); ++i)
            proc(GetComponent(i));
    }
};

void ReadLayout(vcl::TComponent* root, const std::string& text) {
    const std::string binary = vcl::ObjectTextToBinary(text);
    vcl::TReadOnlyMemoryStream stream(binary.data(), int64_t(binary.size()));
    vcl::TReader reader(&stream);
    reader.ReadRootComponent(root);
}

TEST_F(TabsTest, ALayoutKeepsItsTabIndexAndFixedDimension) {
    vcl::RegisterClass<TTabsRoot>("TTabsRoot");
    vcl::LinkPropertyTable(typeid(TTabsRoot), typeid(vcl::TComponent));
    const std::string text = "object Root: TTabsRoot\n"
                             "  object Tabs1: TFcTabControl\n"
                             "    Width = 300\n"
                             "    Height = 100\n"
                             "    TabIndex = 2\n"
                             "    Tabs.Strings = (\n"
                             "      'One'\n"
                             "      'Two'\n"
                             "      'Three')\n"
                             "    FixedDimension = 19\n"
                             "  end\n"
                             "end\n";
    TTabsRoot root(nullptr);
    ReadLayout(&root, text);
    auto* t = dynamic_cast<TFcTabControl*>(root.FindComponent("Tabs1"));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetTabIndex(), 2);
    EXPECT_EQ(t->GetFixedDimension(), 19);

    vcl::TMemoryStream out;
    vcl::TWriter writer(&out);
    writer.WriteRootComponent(&root);
    const std::string written =
        vcl::ObjectBinaryToText(std::string(static_cast<const char*>(out.Memory()), size_t(out.GetSize())));
    EXPECT_NE(written.find("FixedDimension = 19"), std::string::npos) << written;
    EXPECT_NE(written.find("TabIndex = 2"), std::string::npos) << written;
}

// ---- Geometry ------------------------------------------------------------------------------------------

// The outer size of a tab from its content, as the layout rules give it (no fixed width or height).
win::TSize Outer(TFcTabStyle style, bool horizontalStrip, bool verticalText, int w, int h, int cut = 6) {
    switch (style) {
    case tsSingleSlant:
        return horizontalStrip ? win::TSize{w + 2 + 2 * ((h + 6) / 2) + 4, h + 6}
                               : win::TSize{w + 6, h + 2 + 2 * ((w + 6) / 2) + 4};
    case tsDoubleSlant:
        return horizontalStrip ? win::TSize{w + 2 + 2 * (h + 2) + 4, h + 6}
                               : win::TSize{w + 6, h + 2 + 2 * (w + 2) + 4};
    case tsCutCorner:
        if (!verticalText)
            return horizontalStrip ? win::TSize{w + 8 + 2 * cut, h + 7} : win::TSize{w + 7 + cut, h + 10};
        return horizontalStrip ? win::TSize{w + 10, h + 7 + cut} : win::TSize{w + 7, h + 8 + 2 * cut};
    default:
        return verticalText ? win::TSize{w + 6, h + 16} : win::TSize{w + 16, h + 6};
    }
}

TEST_F(TabsTest, OneSingleSlantTabOfAThirteenPixelFont) {
    TFcTabControl* t = AddTabs({"Preview"});
    // The font size whose line is 13 pixels high.
    for (int height = -8; height >= -20; --height) {
        t->GetFont()->SetHeight(height);
        if (Measure(t->GetTabFont()).Of("A").cy == 13)
            break;
    }
    ASSERT_EQ(Measure(t->GetTabFont()).Of("A").cy, 13);
    FForm->Show();
    Pump();
    Layout(t);
    EXPECT_EQ(t->GetFixedDimension(), 19);
    const int w = 2 + Measure(t->GetTabFont()).Of("Preview").cx; // ImageMargin is counted without an image
    const TRect raw = t->GetTabs()->Items(0)->RawRect;
    EXPECT_EQ(raw.Right - raw.Left, w + 24);
    EXPECT_EQ(raw.Bottom - raw.Top, 19);
}

TEST_F(TabsTest, OuterSizesOfTheFourStyles) {
    TFcTabControl* t = AddTabs({"Caption"}, 400, 400);
    FForm->Show();
    Pump();
    for (TFcTabStyle style : {tsSingleSlant, tsDoubleSlant, tsCutCorner, tsRoundCorners})
        for (TFcTabOrientation side : {toTop, toLeft})
            for (TOrientation text : {orHorizontal, orVertical}) {
                t->SetTabStyle(style);
                t->SetTabOrientation(side);
                t->SetTextOrientation(text);
                Layout(t);
                const bool vert = text == orVertical;
                Measure m(t->GetTabFont(), vert ? 90 : 0);
                win::TSize c = m.Of("Caption"), a = m.Of(style == tsRoundCorners ? "AAA" : "A");
                if (vert) {
                    std::swap(c.cx, c.cy);
                    std::swap(a.cx, a.cy);
                }
                const int w = std::max(c.cx + 2, a.cx), h = std::max(c.cy, a.cy);
                const win::TSize o = Outer(style, side == toTop, vert, w, h);
                const TRect raw = t->GetTabs()->Items(0)->RawRect;
                const std::string what = "style " + std::to_string(style) + " side " + std::to_string(side) +
                                         " text " + std::to_string(text);
                EXPECT_EQ(raw.Right - raw.Left, side == toTop ? o.cx : o.cy) << what;
                EXPECT_EQ(t->GetFixedDimension(), side == toTop ? o.cy : o.cx) << what;
            }
}

TEST_F(TabsTest, TheReverseSequenceStartsAtTheRightEnd) {
    TFcTabControl* t = AddTabs({"One", "Two", "Three"});
    t->SetMargin(4);
    FForm->Show();
    Pump();
    Layout(t);
    const TRect area = t->TabArea();
    EXPECT_EQ(t->TabRect(0).Left, area.Left + 4);
    t->SetTabSequence(tsReverse);
    Layout(t);
    EXPECT_EQ(t->TabRect(0).Right, area.Right - 4);
    EXPECT_LT(t->TabRect(1).Right, t->TabRect(0).Right);
    EXPECT_LT(t->TabRect(2).Right, t->TabRect(1).Right);
}

TEST_F(TabsTest, TabAreaCardsAndChildrensAreaOnEachSide) {
    // Nine tabs of 80 pixels in a 300-pixel strip: three rows.
    TFcTabControl* t = AddTabs({"1", "2", "3", "4", "5", "6", "7", "8", "9"}, 300, 300);
    t->SetMultiLine(true);
    t->SetTabWidth(80);
    t->SetTabHeight(20);
    t->SetShowShadow(false);
    FForm->Show();
    Pump();
    for (TFcTabOrientation side : {toTop, toLeft, toBottom, toRight}) {
        t->SetTabOrientation(side);
        if (side == toLeft || side == toRight) {
            t->SetTabWidth(20);
            t->SetTabHeight(80);
        } else {
            t->SetTabWidth(80);
            t->SetTabHeight(20);
        }
        Layout(t);
        ASSERT_EQ(t->GetRowCount(), 3) << side;
        const int f = t->GetFixedDimension();
        EXPECT_EQ(f, 20);
        const int n = 3, indent = 5, delta = f - 5, d = f + delta * (n - 1);
        EXPECT_EQ(t->TabAreaDepth(), d);
        const int right = t->GetWidth() - 1, bottom = t->GetHeight() - 1;
        const TRect area = side == toTop      ? TRect{0, 0, right, d}
                           : side == toLeft   ? TRect{0, 0, d, bottom}
                           : side == toBottom ? TRect{0, bottom - d, right, bottom}
                                              : TRect{right - d, 0, right, bottom};
        EXPECT_EQ(t->TabArea(), area) << side;
        const int l = 0, tp = 0, r = t->GetClientWidth() - 1, b = t->GetClientHeight() - 1;
        for (int row = 0; row < 3; ++row) {
            const int dn = d - row * delta, near = row * indent, far = (n - 1 - row) * indent;
            const TRect card = side == toTop      ? TRect{l + near, tp + dn, r - far, b - row * delta}
                               : side == toLeft   ? TRect{l + dn, tp + far, r - row * delta, b - near}
                               : side == toBottom ? TRect{l + near, tp + row * delta, r - far, b - dn}
                                                  : TRect{l + row * delta, tp + near, r - dn, b - far};
            EXPECT_EQ(t->CardRect(row), card) << "side " << side << " row " << row;
        }
        const TRect c0 = t->CardRect(0);
        EXPECT_EQ(t->ChildArea(), (TRect{c0.Left + 1, c0.Top + 1, c0.Right, c0.Bottom})) << side;
    }
    // Top tabs in the standard sequence with the shadow leave its two pixels out.
    t->SetTabOrientation(toTop);
    t->SetTabWidth(80);
    t->SetTabHeight(20);
    t->SetShowShadow(true);
    Layout(t);
    const TRect c0 = t->CardRect(0);
    EXPECT_EQ(t->ChildArea(), (TRect{c0.Left + 1, c0.Top + 1, c0.Right - 2, c0.Bottom - 2}));
    t->SetShowCardFrame(false);
    Layout(t);
    EXPECT_EQ(t->ChildArea(), (TRect{c0.Left, c0.Top, c0.Right + 1, c0.Bottom + 1}));
}

TEST_F(TabsTest, RowsOversizeTabsAlignedRowsAndTheRowNextToTheCard) {
    TFcTabControl* t = AddTabs({"Short", "A much longer caption than fits", "Mid", "Two", "Three"}, 150, 200);
    t->SetMultiLine(true);
    FForm->Show();
    Pump();
    Layout(t);
    // The oversize tab has a row of its own, cut to the usable length.
    TFcTabDataList* tabs = t->GetTabs();
    const int oversizeRow = tabs->Items(1)->Row;
    for (int i : {0, 2, 3, 4})
        EXPECT_NE(tabs->Items(i)->Row, oversizeRow) << i;
    const int usable = t->StripLength() - (t->GetRowCount() - 1) * t->GetRowIndent();
    EXPECT_LE(tabs->Items(1)->RawRect.Right - tabs->Items(1)->RawRect.Left, usable);

    // AlignTabs: every row ends at the same place.
    t->SetAlignTabs(true);
    Layout(t);
    std::vector<int> ends(size_t(t->GetRowCount()), 0);
    for (int i = 0; i < tabs->Count(); ++i)
        ends[size_t(tabs->Items(i)->Row)] = std::max(ends[size_t(tabs->Items(i)->Row)], tabs->Items(i)->RawRect.Right);
    for (int e : ends)
        EXPECT_EQ(e, ends[0]);
    EXPECT_EQ(ends[0], t->StripLength() - (t->GetRowCount() - 1) * t->GetRowIndent());

    // Selecting a tab of a back row brings its row next to the card; the others keep their order behind.
    const int rows = t->GetRowCount();
    ASSERT_GE(rows, 3);
    int back = -1;
    for (int i = 0; i < tabs->Count(); ++i)
        if (tabs->Items(i)->Row == 1)
            back = i;
    ASSERT_GE(back, 0);
    std::vector<int> before;
    for (int i = 0; i < tabs->Count(); ++i)
        before.push_back(tabs->Items(i)->Row);
    const int f = t->GetFixedDimension(), d = t->TabAreaDepth();
    t->SetTabIndex(back);
    for (int i = 0; i < tabs->Count(); ++i) {
        const int expected = (before[size_t(i)] + (rows - 1) - 1 + 1) % rows;
        EXPECT_EQ(tabs->Items(i)->Row, expected) << i;
        EXPECT_EQ(tabs->Items(i)->RawRect.Top, d - f - expected * (f - t->GetRowOverlap())) << i;
    }
    EXPECT_EQ(tabs->Items(back)->Row, 0);
}

TEST_F(TabsTest, OutlinesOfTheFourStylesAndTheRoundSelectedTab) {
    TFcTabControl* t = AddTabs({"One", "Two"});
    t->SetMargin(2);
    FForm->Show();
    Pump();
    t->SetTabIndex(1);
    for (TFcTabStyle style : {tsSingleSlant, tsDoubleSlant, tsCutCorner, tsRoundCorners}) {
        t->SetTabStyle(style);
        Layout(t);
        const int f = t->GetFixedDimension();
        EXPECT_EQ(t->TabAreaDepth(), (style == tsRoundCorners ? 3 : 0) + f) << style;
        // Tab 0 on top in the standard sequence: strip coordinates are window coordinates moved by the tab
        // area's top and the scroll offset (Margin, + 2 for round corners).
        const TRect raw = t->GetTabs()->Items(0)->RawRect;
        const int o = raw.Left - 2 - (style == tsRoundCorners ? 2 : 0);
        const int lf = raw.Left - o, tp = raw.Top, r = raw.Right - o, bs = raw.Bottom, c = t->GetCutCornerSize();
        using P = std::vector<win::TPoint>;
        const P expected = style == tsSingleSlant ? P{{lf, bs}, {lf, tp + 2}, {lf + 2, tp}, {r - (bs - tp), tp}, {r, bs}}
                           : style == tsDoubleSlant ? P{{lf, bs}, {lf + (bs - tp), tp}, {r - (bs - tp), tp}, {r, bs}}
                           : style == tsCutCorner   ? P{{lf, bs}, {lf, tp}, {r - c, tp}, {r, tp + c}, {r, bs}}
                                                    : P{{lf, bs}, {lf, tp + 2}, {lf + 2, tp}, {r - 2, tp}, {r, tp + 2}, {r, bs}};
        EXPECT_EQ(t->TabOutline(0), expected) << style;
        EXPECT_EQ(t->TabRect(0), (TRect{lf, tp, r, bs})) << style;
        // The selected round tab grows by 2 at both ends and outwards.
        const TRect raw1 = t->GetTabs()->Items(1)->RawRect;
        const TRect sel{raw1.Left - o, raw1.Top, raw1.Right - o, raw1.Bottom};
        const TRect grown = style == tsRoundCorners ? TRect{sel.Left - 2, sel.Top - 2, sel.Right + 2, sel.Bottom} : sel;
        EXPECT_EQ(t->TabRect(1), grown) << style;
    }
}

TEST_F(TabsTest, AClickOnASlantOverlapHitsTheSelectedTab) {
    TFcTabControl* t = AddTabs({"One", "Two", "Three"});
    FForm->Show();
    Pump();
    t->SetTabIndex(1);
    Layout(t);
    // Tab 0's right slant and tab 1's left edge overlap; a point just inside both near the card.
    const TRect r0 = t->TabRect(0), r1 = t->TabRect(1);
    ASSERT_LT(r1.Left, r0.Right);
    const int y = r0.Bottom - 1, x = r1.Left + 1;
    EXPECT_EQ(t->TabAtPos(x, y), 1);
    t->SetTabIndex(0);
    Layout(t);
    EXPECT_EQ(t->TabAtPos(x, y), 0);
    EXPECT_EQ(t->TabAtPos(t->TabRect(2).Left + 12, t->TabRect(2).Top + 8), 2);
    EXPECT_EQ(t->TabAtPos(t->GetWidth() - 5, 3), -1);
}

TEST_F(TabsTest, ScrollArrowsWhenTheLastTabPassesTheUsableLength) {
    TFcTabControl* t = AddTabs({"T0", "T1", "T2", "T3", "T4", "T5", "T6", "T7"}, 300, 100);
    t->SetTabWidth(60);
    FForm->Show();
    Pump();
    Layout(t);
    // Tab k's right end is 60 + 50 k (the slant overlap is 20 div 2 = 10 minus 1).
    const int f = t->GetFixedDimension(), step = 60 - f / 2 + 1;
    const int limit = t->StripLength() - 2 * t->GetMargin();
    const int last = 7 * step + 60;
    EXPECT_EQ(t->GetTabs()->Items(7)->RawRect.Right, last);
    EXPECT_EQ(t->GetScrollersShown(), last > limit);
    ASSERT_TRUE(t->GetScrollersShown());
    EXPECT_EQ(t->GetFirstShownTab(), 0);
    t->ScrollTabsBack();
    EXPECT_EQ(t->GetFirstShownTab(), 0);
    t->ScrollTabsForward();
    EXPECT_EQ(t->GetFirstShownTab(), 1);
    for (int n = 0; n < 10; ++n)
        t->ScrollTabsForward();
    EXPECT_TRUE(t->TabShown(7));
    const int end = t->GetFirstShownTab();
    EXPECT_FALSE([&] {
        t->ScrollTabsForward();
        return t->GetFirstShownTab() != end;
    }());
    t->ScrollTabsBack();
    EXPECT_EQ(t->GetFirstShownTab(), end - 1);

    // Five tabs that fit: no arrows.
    t->GetTabNames()->Clear();
    for (const char* c : {"A", "B", "C"})
        t->GetTabNames()->Add(c);
    Layout(t);
    EXPECT_FALSE(t->GetScrollersShown());
}

TEST_F(TabsTest, ScrollerAndCloseBoxPlaces) {
    TFcTabControl* t = AddTabs({"T0", "T1", "T2", "T3", "T4", "T5", "T6", "T7", "T8", "T9"}, 300, 300);
    t->SetShowCloseButton(true);
    t->SetMargin(3);
    FForm->Show();
    Pump();
    for (TFcTabOrientation side : {toTop, toLeft, toBottom, toRight})
        for (TFcTabSequence seq : {tsStandard, tsReverse}) {
            t->SetTabOrientation(side);
            t->SetTabSequence(seq);
            t->SetTabWidth(side == toTop || side == toBottom ? 60 : 0);
            t->SetTabHeight(side == toTop || side == toBottom ? 0 : 60);
            t->Repaint();
            const std::string what = "side " + std::to_string(side) + " seq " + std::to_string(seq);
            ASSERT_TRUE(t->GetScrollersShown()) << what;
            const TRect a = t->TabArea();
            const int s = t->ScrollButtonSize(), k = t->CloseButtonSize(), m = 3, c = k + m + 2;
            EXPECT_EQ(k, s);
            const bool rev = seq == tsReverse, shadow = t->GetShowShadow();
            int x = 0, y = 0, cx = 0, cy = 0;
            switch (side) {
            case toTop:
                x = rev ? a.Left + c : a.Right - (2 * s - 1) - 1 + (shadow ? 0 : 2) - c;
                y = a.Bottom - s - 2;
                cx = rev ? a.Left + m : a.Right - k - m - 1 + (shadow ? 0 : 2);
                cy = a.Bottom - k - 2;
                break;
            case toLeft:
                x = a.Right - s - 2;
                y = rev ? a.Bottom - (2 * s - 1) + 1 - c : a.Top + c;
                cx = a.Right - k - 2;
                cy = rev ? a.Bottom - k - m + 1 : a.Top + m;
                break;
            case toBottom:
                x = rev ? a.Left + c : a.Right - (2 * s - 1) + 1 - c;
                y = a.Top + 2;
                cx = rev ? a.Left + m : a.Right - k - m + 1;
                cy = a.Top + 2;
                break;
            default:
                x = a.Left + 2;
                y = rev ? a.Top + c : a.Bottom - (2 * s - 1) + 1 - c;
                cx = a.Left + 2;
                cy = rev ? a.Top + m : a.Bottom - k - m + 1;
            }
            const bool vert = side == toLeft || side == toRight;
            EXPECT_EQ(t->GetScroller()->GetBoundsRect(),
                      (TRect{x, y, x + (vert ? s : 2 * s - 1), y + (vert ? 2 * s - 1 : s)}))
                << what;
            EXPECT_EQ(t->GetCloseButton()->GetBoundsRect(), (TRect{cx, cy, cx + k, cy + k})) << what;
        }
}

TEST_F(TabsTest, DisablingTheSelectedTabMovesTheSelectionAtThePaint) {
    TFcTabControl* t = AddTabs({"A", "B", "C", "D"});
    FForm->Show();
    Pump();
    t->SetTabIndex(1);
    std::vector<int> asked;
    bool refuseC = true;
    t->OnChanging = [&](vcl::TObject*, int32_t index, bool& allow) {
        asked.push_back(index);
        if (index == 2 && refuseC)
            allow = false;
    };
    t->GetTabs()->Items(1)->Enabled = false;
    t->InvalidateTabs();
    t->Repaint();
    EXPECT_EQ(t->GetTabIndex(), 3); // C refused, D taken
    EXPECT_EQ(asked, (std::vector<int>{2, 3}));

    // The selected tab removed: from the last tab downwards (C still refused, B disabled).
    asked.clear();
    t->GetTabNames()->Delete(3);
    t->Repaint();
    EXPECT_EQ(t->GetTabIndex(), 0);
    EXPECT_EQ(asked, (std::vector<int>{2, 0}));
    t->GetTabNames()->Add("D");
    t->SetTabIndex(3);
    asked.clear();

    // None follows: the previous one.
    asked.clear();
    refuseC = false;
    t->GetTabs()->Items(3)->Enabled = false;
    t->InvalidateTabs();
    t->Repaint();
    EXPECT_EQ(t->GetTabIndex(), 2);
    EXPECT_EQ(asked, (std::vector<int>{2}));

    // Every tab removed: no selection.
    t->GetTabNames()->Clear();
    t->Repaint();
    EXPECT_EQ(t->GetTabIndex(), -1);
}

TEST_F(TabsTest, ASmallControlGetsNoInvertedTabs) {
    TFcTabControl* t = AddTabs({"One", "Two", "Three", "Four", "Five"}, 20, 10);
    FForm->Show();
    Pump();
    for (bool multi : {false, true})
        for (TFcTabStyle style : {tsSingleSlant, tsDoubleSlant, tsCutCorner, tsRoundCorners}) {
            t->SetMultiLine(multi);
            t->SetTabStyle(style);
            t->SetTabIndex(0);
            t->Repaint(); // no exception from a degenerate outline
            EXPECT_LE(t->GetRowCount(), 5);
            for (int i = 0; i < 5; ++i) {
                const TRect r = t->GetTabs()->Items(i)->RawRect;
                EXPECT_LE(r.Left, r.Right) << i;
                EXPECT_LE(r.Top, r.Bottom) << i;
            }
            t->TabAtPos(5, 5);
        }
}

// ---- Scroller and close box ----------------------------------------------------------------------------

TEST_F(TabsTest, TheScrollerScrollsOnlyOnAReleaseOverTheHalfPressed) {
    TFcTabControl* t = AddTabs({"T0", "T1", "T2", "T3", "T4", "T5", "T6", "T7"});
    t->SetTabWidth(60);
    FForm->Show();
    Pump();
    t->Repaint();
    TFcTabScroller* s = t->GetScroller();
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(t->GetScrollersShown());
    const int w = s->GetWidth(), h = s->GetHeight();
    // Press the forward (right) half, move off, release: nothing scrolls.
    Mouse(MouseAction::LeftDown, s, {w - 3, h / 2});
    EXPECT_TRUE(s->GetPressing());
    EXPECT_TRUE(s->GetPressedOver());
    Mouse(MouseAction::Move, s, {2, h / 2}); // the other half
    EXPECT_FALSE(s->GetPressedOver());
    Mouse(MouseAction::LeftUp, s, {2, h / 2});
    EXPECT_FALSE(s->GetPressing());
    EXPECT_EQ(t->GetFirstShownTab(), 0);
    // The back arrow at the start: its click is harmless.
    Mouse(MouseAction::LeftDown, s, {2, h / 2});
    Mouse(MouseAction::LeftUp, s, {2, h / 2});
    EXPECT_EQ(t->GetFirstShownTab(), 0);
    // The forward half clicked: one step.
    Mouse(MouseAction::LeftDown, s, {w - 3, h / 2});
    Mouse(MouseAction::LeftUp, s, {w - 3, h / 2});
    EXPECT_EQ(t->GetFirstShownTab(), 1);
}

TEST_F(TabsTest, ThePartsTheVisualStyleDrawsForScrollerAndCloseBox) {
    auto engine = std::make_shared<win::RecordingThemeEngine>();
    engine->AddClass("spin");
    engine->AddClass("window");
    win::SetThemeEngine(engine);
    TFcTabControl* t = AddTabs({"T0", "T1", "T2", "T3", "T4", "T5", "T6", "T7"});
    t->SetTabWidth(60);
    t->SetShowCloseButton(true);
    FForm->Show();
    Pump();
    t->Repaint();
    ASSERT_TRUE(GetThemeServices()->ThemesEnabled());
    TFcTabScroller* s = t->GetScroller();
    ASSERT_NE(s, nullptr);
    auto parts = [&](vcl::TWinControl* c, const char* cls) {
        engine->ClearCalls();
        c->Repaint();
        std::vector<std::pair<int, int>> r;
        for (const auto& call : engine->CallsOf("DrawThemeBackground"))
            if (call.Class == cls)
                r.push_back({call.Part, call.State});
        return r;
    };
    using P = std::vector<std::pair<int, int>>;
    // Horizontal: the left half (back, disabled at the start) then the right half (forward, normal).
    EXPECT_EQ(parts(s, "spin"), (P{{4, 4}, {3, 1}}));
    Mouse(MouseAction::LeftDown, s, {s->GetWidth() - 3, 3});
    EXPECT_EQ(parts(s, "spin"), (P{{4, 4}, {3, 3}}));
    Mouse(MouseAction::LeftUp, s, {s->GetWidth() - 3, 3});
    EXPECT_EQ(parts(s, "spin"), (P{{4, 1}, {3, 1}}));
    // Vertical for left tabs: the lower half (down part) first, then the upper half.
    t->SetTabOrientation(toLeft);
    t->SetTabWidth(0);
    t->SetTabHeight(60);
    t->Repaint();
    ASSERT_TRUE(t->GetScrollersShown());
    EXPECT_EQ(s->GetOrientation(), orVertical);
    const P vertical = parts(s, "spin");
    ASSERT_EQ(vertical.size(), 2u);
    EXPECT_EQ(vertical[0].first, 2);
    EXPECT_EQ(vertical[1].first, 1);
    // The close box: window part 19, disabled without a selection, pressed while held, else normal.
    TFcTabCloseButton* box = t->GetCloseButton();
    ASSERT_NE(box, nullptr);
    t->SetTabIndex(-1);
    EXPECT_EQ(parts(box, "window"), (P{{19, 4}}));
    t->SetTabIndex(0);
    EXPECT_EQ(parts(box, "window"), (P{{19, 1}}));
    Mouse(MouseAction::LeftDown, box, {2, 2});
    EXPECT_EQ(parts(box, "window"), (P{{19, 3}}));
    Mouse(MouseAction::LeftUp, box, {2, 2});
}

TEST_F(TabsTest, ClassicArrowsOutlinedInTheShadedFlatColour) {
    TFcTabControl* t = AddTabs({"T0", "T1", "T2", "T3", "T4", "T5", "T6", "T7"});
    t->SetTabWidth(60);
    FForm->Show();
    Pump();
    for (int adjustment : {0, -40, 30}) {
        t->SetFlatColor(EditorFlat);
        t->SetFlatColorAdjustment(adjustment);
        t->Repaint();
        TFcTabScroller* s = t->GetScroller();
        ASSERT_NE(s, nullptr);
        const COLORREF frame = Rgb(ShadeColor(EditorFlat, adjustment));
        const int w = s->GetWidth(), h = s->GetHeight(), mid = w / 2;
        // The two outlines share the middle column.
        for (auto [x, y] : {std::pair{0, 0}, {0, h - 1}, {w - 1, 0}, {w - 1, h - 1}, {mid, 0}, {mid, h / 2},
                            {mid / 2, 0}, {mid / 2, h - 1}})
            EXPECT_EQ(Pixel(s, x, y), frame) << adjustment << " at " << x << "," << y;
        // The back arrow is disabled (grey), the forward one black.
        int black = 0, grey = 0;
        for (int y = 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x) {
                const COLORREF c = Pixel(s, x, y);
                if (x < mid && c == Rgb(vcl::clBtnShadow))
                    ++grey;
                if (x > mid && c == Rgb(vcl::clBlack))
                    ++black;
            }
        EXPECT_GT(grey, 3);
        EXPECT_GT(black, 3);
    }
}

// ---- Drawing -------------------------------------------------------------------------------------------

// A control whose hot tab a test can set (the mouse sets it in the program).
class THotTabs : public TFcTabControl {
public:
    using TFcTabControl::TFcTabControl;
    void SetHot(int i) {
        FHotTab = i;
        LayoutChanged();
    }
};

// Which channel stands out by more than 60 over the other two (captions drawn in pure red, green or blue are
// smoothed at their edges), or -1.
int Dominant(COLORREF c) {
    for (int i = 0; i < 3; ++i)
        if (Channel(c, i) > Channel(c, (i + 1) % 3) + 60 && Channel(c, i) > Channel(c, (i + 2) % 3) + 60)
            return i;
    return -1;
}

TEST_F(TabsTest, TheEditorsTabsPixelByPixel) {
    auto* t = new THotTabs(FForm);
    t->SetParent(FForm);
    t->SetBounds(10, 10, 300, 120);
    for (const char* c : {"Preview", "Frames"})
        t->GetTabNames()->Add(c);
    t->SetColor(EditorTabsColor);
    t->SetFlatColor(EditorFlat);
    t->GetTabColors()->SetHighlightBar(EditorBar);
    t->SetHotTrackColor(EditorBar);
    t->SetHotTrackColorType(htctActual);
    FForm->Show();
    Pump();
    t->SetTabIndex(0);
    t->Repaint();
    const TRect sel = t->TabRect(0), other = t->TabRect(1), card = t->CardRect(0);
    const int f = t->GetFixedDimension();
    ASSERT_EQ(sel.Top, 0);
    ASSERT_EQ(card.Top, f);
    // The selected tab: the 6-pixel band at its outer edge in the bar colour, the face below it.
    const int mx = sel.Left + 3; // left of the caption and its focus rectangle
    for (int y = 1; y <= 4; ++y)
        EXPECT_EQ(Pixel(t, mx, y), Rgb(EditorBar)) << y;
    EXPECT_EQ(Pixel(t, mx, 6), Rgb(EditorTabsColor));
    EXPECT_EQ(Pixel(t, mx, f - 1), Rgb(EditorTabsColor));
    // Its outline in the flat colour.
    EXPECT_EQ(Pixel(t, sel.Left, f / 2), Rgb(EditorFlat));
    EXPECT_EQ(Pixel(t, mx, 0), Rgb(EditorFlat));
    // The card frame is open strictly between the selected tab's base corners.
    EXPECT_EQ(Pixel(t, sel.Left, f), Rgb(EditorFlat));
    EXPECT_EQ(Pixel(t, sel.Left + 1, f), Rgb(EditorTabsColor));
    EXPECT_EQ(Pixel(t, sel.Right - 1, f), Rgb(EditorTabsColor));
    EXPECT_EQ(Pixel(t, sel.Right, f), Rgb(EditorFlat));
    EXPECT_EQ(Pixel(t, card.Right - 10, f), Rgb(EditorFlat));
    EXPECT_EQ(Pixel(t, card.Left, f + 10), Rgb(EditorFlat));
    // The unselected tab: a vertical gradient from Unselected (white) at the top to Shadow (button face) at
    // the bottom, one band per row.
    const int ox = other.Right - f; // inside, left of the slant
    const COLORREF top = Pixel(t, ox, other.Top + 1), bottom = Pixel(t, ox, other.Bottom - 1);
    const COLORREF face = Rgb(vcl::clBtnFace);
    for (int i = 0; i < 3; ++i) {
        EXPECT_GE(Channel(top, i), Channel(face, i) + (255 - Channel(face, i)) * 3 / 4) << i;
        EXPECT_LE(std::abs(Channel(bottom, i) - Channel(face, i)), (255 - Channel(face, i)) / 8 + 1) << i;
    }
    for (int y = other.Top + 2; y < other.Bottom; ++y)
        EXPECT_LE(Channel(Pixel(t, ox, y), 1), Channel(Pixel(t, ox, y - 1), 1)) << y;
    // The shadow: the column next to the frame 30/255 black over the parent, the outer one 15/255.
    const COLORREF parent = Rgb(vcl::clBtnFace);
    const int r = card.Right, b = card.Bottom, mid = (card.Top + card.Bottom) / 2;
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(Channel(Pixel(t, r - 1, mid), i), Channel(parent, i) * 225 / 255.0, 1) << i;
        EXPECT_NEAR(Channel(Pixel(t, r, mid), i), Channel(parent, i) * 240 / 255.0, 1) << i;
        EXPECT_NEAR(Channel(Pixel(t, 40, b - 1), i), Channel(parent, i) * 225 / 255.0, 1) << i;
        EXPECT_NEAR(Channel(Pixel(t, 40, b), i), Channel(parent, i) * 240 / 255.0, 1) << i;
    }
    EXPECT_EQ(Pixel(t, r - 2, mid), Rgb(EditorFlat));

    // Flat without gradients, and on a display of 256 colours.
    t->SetUseGradients(false);
    EXPECT_EQ(Pixel(t, ox, other.Top + 2), Rgb(vcl::clWindow));
    EXPECT_EQ(Pixel(t, ox, other.Bottom - 1), Rgb(vcl::clWindow));
    t->SetUseGradients(true);
    {
        struct DepthScope {
            int Depth = win::GetScreenBitsPixel();
            DepthScope() { win::SetScreenBitsPixel(8); }
            ~DepthScope() { win::SetScreenBitsPixel(Depth); }
        } eightBits;
        EXPECT_FALSE(DisplayHasFullColor());
        t->LayoutChanged();
        EXPECT_EQ(Pixel(t, ox, other.Top + 2), Rgb(vcl::clWindow));
        EXPECT_EQ(Pixel(t, ox, other.Bottom - 1), Rgb(vcl::clWindow));
    }

    // A hot selected tab shows the hot bar (here in the hot-track colour itself), never the selection bar.
    t->GetTabColors()->SetHighlightBar(TColor(0x00FF00));
    t->SetHotTrackColor(TColor(0x0000FF));
    EXPECT_EQ(Pixel(t, mx, 2), Rgb(TColor(0x00FF00)));
    t->SetHot(0);
    EXPECT_EQ(Pixel(t, mx, 2), Rgb(TColor(0x0000FF)));
    // The complement: hue turned by 120, full saturation, luminance 140.
    t->SetHotTrackColorType(htctComplement);
    const uint8_t hue = HueOfColor(TColor(0x0000FF));
    EXPECT_EQ(Pixel(t, mx, 2), Rgb(HSL240ToColor(uint8_t(hue < 120 ? hue + 120 : hue - 120), 240, 140)));
}

TEST_F(TabsTest, CaptionsAcceleratorsDisabledPairsAndVerticalText) {
    TFcTabControl* t = AddTabs({"&&", "&", "&File", "File", "Off"}, 400, 120);
    t->GetTextColors()->SetUnselected(TColor(0x0000C0));
    t->GetTextColors()->SetDisabledHighlight(TColor(0x00C000));
    t->GetTextColors()->SetDisabledShadow(TColor(0xC00000));
    t->SetUseGradients(false);
    FForm->Show();
    Pump();
    t->SetTabIndex(4);
    t->Repaint();
    auto px = [&](int x, int y) { return FScreen.WindowPixel(t->GetHandle(), x, y); };
    auto text = [&](int i) {
        // The caption's pixels, relative to the tab's left end.
        std::vector<std::pair<int, int>> r;
        const TRect tr = t->TabRect(i);
        for (int y = tr.Top; y <= tr.Bottom; ++y)
            for (int x = tr.Left; x <= tr.Right; ++x)
                if (Dominant(px(x, y)) == 0 && t->TabAtPos(x, y) == i)
                    r.push_back({x - tr.Left, y});
        return r;
    };
    // "&&" shows one ampersand and no underline: as many pixels as the platform writes for "&".
    const auto doubled = text(0);
    {
        fctest::Surface ref(60, 40, 0xFFFFFF);
        win::HFONT font = CreateRotatedFont(t->GetTabFont(), 0);
        win::HGDIOBJ old = win::SelectObject(ref.Dc(), win::ToGdiObj(font));
        win::SetBkMode(ref.Dc(), win::TRANSPARENT);
        win::SetTextColor(ref.Dc(), 0xC00000);
        win::TextOut(ref.Dc(), 5, 5, "&", 1);
        win::SelectObject(ref.Dc(), old);
        win::DeleteObject(win::ToGdiObj(font));
        size_t n = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x)
                n += Dominant(ref.Pixel(x, y)) == 2 ? 1 : 0;
        EXPECT_GT(n, 0u);
        EXPECT_EQ(doubled.size(), n);
    }
    // "&File" is "File" with the F underlined and no ampersand: the underline lies on rows where "File" (no
    // descenders) has no pixel, and is about as long as the F is wide.
    const auto accel = text(2), plain = text(3);
    ASSERT_FALSE(plain.empty());
    std::set<int> plainRows;
    for (const auto& p : plain)
        plainRows.insert(p.second);
    int minX = 1 << 20, maxX = -1, rows = 0;
    std::set<int> underlineRows;
    for (const auto& p : accel)
        if (!plainRows.count(p.second)) {
            underlineRows.insert(p.second);
            minX = std::min(minX, p.first);
            maxX = std::max(maxX, p.first);
        }
    rows = int(underlineRows.size());
    EXPECT_GE(rows, 1);
    EXPECT_LE(rows, 2);
    Measure m(t->GetTabFont());
    const int fWidth = m.Of("F").cx;
    EXPECT_GE(maxX - minX + 1, fWidth - 2);
    EXPECT_LE(maxX - minX + 1, fWidth + 1);
    // The rest of the caption is as wide as "File".
    int accelRight = -1, plainRight = -1, accelLeft = 1 << 20, plainLeft = 1 << 20;
    for (const auto& p : accel) {
        accelRight = std::max(accelRight, p.first);
        accelLeft = std::min(accelLeft, p.first);
    }
    for (const auto& p : plain) {
        plainRight = std::max(plainRight, p.first);
        plainLeft = std::min(plainLeft, p.first);
    }
    EXPECT_NEAR(accelRight - accelLeft, plainRight - plainLeft, 2);
    // A last "&" is not written at all.
    EXPECT_TRUE(text(1).empty());

    // A disabled caption: the highlight copy one pixel right and down, then the shadow copy in place.
    t->GetTabs()->Items(3)->Enabled = false;
    t->LayoutChanged();
    t->Repaint();
    const TRect tr = t->TabRect(3);
    std::vector<std::pair<int, int>> hi, sh;
    for (int y = tr.Top; y <= tr.Bottom; ++y)
        for (int x = tr.Left; x <= tr.Right; ++x) {
            if (t->TabAtPos(x, y) != 3)
                continue;
            if (Dominant(px(x, y)) == 1)
                hi.push_back({x, y});
            if (Dominant(px(x, y)) == 2)
                sh.push_back({x, y});
        }
    ASSERT_FALSE(sh.empty());
    ASSERT_FALSE(hi.empty());
    // The shadow copy covers what the enabled caption covered; the highlight copy ends one pixel further
    // right and down.
    auto box = [](const std::vector<std::pair<int, int>>& v) {
        TRect r{1 << 20, 1 << 20, -1, -1};
        for (auto p : v)
            r = {std::min(r.Left, p.first), std::min(r.Top, p.second), std::max(r.Right, p.first),
                 std::max(r.Bottom, p.second)};
        return r;
    };
    std::vector<std::pair<int, int>> shRel;
    for (auto p : sh)
        shRel.push_back({p.first - tr.Left, p.second});
    // (Smoothed edges count by their strongest channel, so a faint last column may fall either way.)
    const TRect shadowBox = box(shRel), enabledBox = box(plain);
    EXPECT_NEAR(shadowBox.Left, enabledBox.Left, 1);
    EXPECT_NEAR(shadowBox.Top, enabledBox.Top, 1);
    EXPECT_NEAR(shadowBox.Right, enabledBox.Right, 1);
    EXPECT_NEAR(shadowBox.Bottom, enabledBox.Bottom, 1);
    const TRect h = box(hi), d = box(sh);
    EXPECT_NEAR(h.Right, d.Right + 1, 1);
    EXPECT_EQ(h.Bottom, d.Bottom + 1);
}

TEST_F(TabsTest, VerticalTextOnLeftAndRightTabsAndTheFocusRectangle) {
    TFcTabControl* t = AddTabs({"Wide caption", "B"}, 200, 300);
    t->GetTextColors()->SetSelected(TColor(0x0000C0));
    t->SetUseGradients(false);
    FForm->Show();
    Pump();
    t->SetTabIndex(0);
    for (TFcTabOrientation side : {toLeft, toRight}) {
        t->SetTabOrientation(side);
        t->SetTextOrientation(orVertical);
        t->Repaint();
        const TRect r = t->TabRect(0);
        EXPECT_GT(r.Bottom - r.Top, r.Right - r.Left) << side;
        int minX = 1 << 20, maxX = -1, minY = 1 << 20, maxY = -1;
        for (int y = r.Top; y <= r.Bottom; ++y)
            for (int x = r.Left; x <= r.Right; ++x)
                if (const COLORREF c = FScreen.WindowPixel(t->GetHandle(), x, y);
                    Channel(c, 0) > Channel(c, 1) + 60) { // the red caption, smoothed at its edges
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                    minY = std::min(minY, y);
                    maxY = std::max(maxY, y);
                }
        ASSERT_GE(maxX, 0) << side;
        // The caption runs along the tab: taller than wide.
        Measure m(t->GetTabFont());
        EXPECT_GT(maxY - minY, maxX - minX) << side;
        EXPECT_LE(maxY - minY + 1, m.Of("Wide caption").cx) << side;
        EXPECT_GT(maxY - minY + 1, m.Of("Wide caption").cx / 2) << side;
    }
    // The focus rectangle: drawn only while the control has the focus.
    t->SetTabOrientation(toTop);
    t->SetTextOrientation(orHorizontal);
    t->SetFocus();
    Pump();
    ASSERT_TRUE(t->Focused());
    t->Repaint();
    const TRect r = t->TabRect(0);
    std::vector<COLORREF> focused;
    for (int x = r.Left; x <= r.Right; ++x)
        for (int y = r.Top; y <= r.Bottom; ++y)
            focused.push_back(FScreen.WindowPixel(t->GetHandle(), x, y));
    t->SetShowFocusRect(false);
    t->Repaint();
    int differ = 0;
    size_t k = 0;
    for (int x = r.Left; x <= r.Right; ++x)
        for (int y = r.Top; y <= r.Bottom; ++y)
            differ += focused[k++] != FScreen.WindowPixel(t->GetHandle(), x, y) ? 1 : 0;
    EXPECT_GT(differ, 10);
}

} // namespace

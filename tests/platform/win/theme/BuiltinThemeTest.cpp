#include "ThemeTestSupport.h"

#include "platform/win/gdi/DrawText.h"

#include <set>
#include <vector>

using namespace themetest;

namespace {

struct BuiltinPartCase {
    const char* Class;
    int Part;
    int FirstState, LastState;
    bool Framed; // border without corners: the corner pixels stay the caller's
};

// Every class, part and state the program draws.
const BuiltinPartCase BuiltinParts[] = {
    {"Button", 1, 1, 5, true},      {"Button", 2, 1, 8, true},      {"Button", 3, 1, 12, true},
    {"Button", 4, 1, 2, true},      {"ComboBox", 1, 1, 4, true},    {"Edit", 1, 1, 6, true},
    {"ExplorerBar", 3, 1, 3, true}, {"ExplorerBar", 6, 1, 3, true}, {"ExplorerBar", 7, 1, 3, true},
    {"Header", 1, 1, 3, true},      {"Header", 2, 1, 3, true},      {"Header", 3, 1, 3, true},
    {"Header", 4, 1, 3, false},     {"ListView", 5, 0, 1, true},    {"Progress", 1, 0, 1, true},
    {"Progress", 2, 0, 1, true},    {"Progress", 3, 0, 1, false},   {"Progress", 4, 0, 1, false},
    {"Rebar", 0, 0, 1, false},      {"Rebar", 1, 0, 1, false},      {"Rebar", 2, 0, 1, false},
    {"ScrollBar", 1, 1, 16, true},  {"ScrollBar", 2, 0, 4, true},   {"ScrollBar", 3, 0, 4, true},
    {"ScrollBar", 4, 0, 4, false},  {"ScrollBar", 5, 0, 4, false},  {"ScrollBar", 6, 0, 4, false},
    {"ScrollBar", 7, 0, 4, false},  {"ScrollBar", 8, 0, 4, false},  {"ScrollBar", 9, 0, 4, false},
    {"ScrollBar", 10, 0, 1, false}, {"Spin", 1, 1, 4, true},        {"Spin", 2, 1, 4, true},
    {"Spin", 3, 1, 4, true},        {"Spin", 4, 1, 4, true},        {"Status", 0, 0, 1, false},
    {"Status", 3, 0, 1, false},     {"Tab", 1, 1, 4, true},         {"Tab", 9, 0, 1, true},
    {"ToolBar", 0, 1, 5, false},    {"ToolBar", 1, 1, 5, true},     {"ToolBar", 2, 1, 5, true},
    {"ToolBar", 3, 1, 5, true},     {"ToolBar", 4, 1, 5, true},     {"ToolBar", 5, 1, 5, false},
    {"ToolBar", 6, 1, 5, false},    {"TrackBar", 1, 0, 1, true},    {"TreeView", 2, 1, 2, true},
    {"Window", 16, 1, 4, true},     {"Window", 19, 1, 4, true},     {"Window", 20, 1, 4, true},
    {"Window", 22, 1, 4, true},     {"Clock", 0, 0, 1, false},      {"Menu", 1, 0, 1, false},
    {"Page", 0, 0, 1, false},       {"StartPanel", 0, 0, 1, false}, {"TaskBand", 0, 0, 1, false},
    {"TaskBar", 0, 0, 1, false},    {"ToolTip", 0, 0, 1, false},    {"TrayNotify", 0, 0, 1, false},
};

const ThemeScheme BuiltinSchemes[] = {tsBlue, tsOlive, tsSilver};

constexpr COLORREF Sentinel = RGB(1, 2, 3);

// Parts with a size of their own: glyph buttons, grips, separators.
bool BuiltinFixedSize(const std::string& cls, int part) {
    static const std::set<std::pair<std::string, int>> fixed = {
        {"Button", 2},      {"Button", 3},   {"ExplorerBar", 3}, {"ExplorerBar", 6}, {"ExplorerBar", 7},
        {"Header", 4},      {"Progress", 3}, {"Progress", 4},    {"Rebar", 1},       {"Rebar", 2},
        {"ScrollBar", 1},   {"ScrollBar", 8}, {"ScrollBar", 9},  {"ScrollBar", 10},  {"Spin", 1},
        {"Spin", 2},        {"Spin", 3},     {"Spin", 4},        {"Status", 3},      {"ToolBar", 4},
        {"ToolBar", 5},     {"ToolBar", 6},  {"TreeView", 2},    {"Window", 16},     {"Window", 19},
        {"Window", 20},     {"Window", 22}};
    return fixed.count({cls, part}) > 0;
}

// The rect a part is drawn in: its true size when it has one of its own, else 30 by 20.
TRect BuiltinRectFor(HTHEME theme, const std::string& cls, int part, int state, int x, int y) {
    SIZE size{};
    EXPECT_EQ(GetThemePartSize(theme, nullptr, part, state, nullptr, TS_TRUE, &size), S_OK);
    if (BuiltinFixedSize(cls, part))
        return {x, y, x + size.cx, y + size.cy};
    return {x, y, x + 30, y + 20};
}

std::vector<COLORREF> BuiltinPixels(const Canvas& c) {
    std::vector<COLORREF> out;
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x)
            out.push_back(c.Pixel(x, y));
    return out;
}

class BuiltinThemeTest : public ThemeTest {
protected:
    void SetUp() override {
        for (int k = 0; k < int(GdiKind::gkCount); ++k)
            FCounts[k] = GdiObjectCount(GdiKind(k));
    }
    void TearDown() override {
        SetThemeEngine(nullptr);
        for (int k = 0; k < int(GdiKind::gkCount); ++k)
            EXPECT_EQ(GdiObjectCount(GdiKind(k)), FCounts[k]) << "GDI kind " << k;
    }
    int FCounts[int(GdiKind::gkCount)] = {};
};

} // namespace

TEST_F(BuiltinThemeTest, EveryPartStaysInsideItsRectAndItsRegionIsWhatItPaints) {
    for (ThemeScheme scheme : BuiltinSchemes) {
        SetThemeScheme(scheme);
        for (const BuiltinPartCase& c : BuiltinParts) {
            HTHEME theme = OpenThemeData(nullptr, Wide(c.Class).c_str());
            ASSERT_NE(theme, nullptr) << c.Class;
            for (int state = c.FirstState; state <= c.LastState; ++state) {
                SCOPED_TRACE(std::string(c.Class) + " part " + std::to_string(c.Part) + " state " +
                             std::to_string(state) + " scheme " + std::to_string(scheme));
                EXPECT_TRUE(IsThemePartDefined(theme, c.Part, state));
                Canvas canvas(44, 34);
                TRect r = BuiltinRectFor(theme, c.Class, c.Part, state, 5, 6);
                ASSERT_EQ(DrawThemeBackground(theme, canvas.Dc(), c.Part, state, &r, nullptr), S_OK);
                HRGN region = nullptr;
                ASSERT_EQ(GetThemeBackgroundRegion(theme, canvas.Dc(), c.Part, state, &r, &region), S_OK);
                bool anyUnpainted = false, anyPainted = false;
                for (int y = 0; y < canvas.Height(); ++y)
                    for (int x = 0; x < canvas.Width(); ++x) {
                        bool inside = x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
                        bool painted = canvas.Pixel(x, y) != Sentinel;
                        if (!inside) {
                            ASSERT_FALSE(painted) << "outside at " << x << "," << y;
                            continue;
                        }
                        ASSERT_EQ(painted, bool(PtInRegion(region, x, y))) << "at " << x << "," << y;
                        anyUnpainted |= !painted;
                        anyPainted |= painted;
                    }
                DeleteObject(region);
                EXPECT_TRUE(anyPainted);
                EXPECT_EQ(bool(IsThemeBackgroundPartiallyTransparent(theme, c.Part, state)), anyUnpainted);
                if (c.Framed) {
                    // The corner pixels are the caller's, and the part says so.
                    EXPECT_EQ(canvas.Pixel(r.Left, r.Top), Sentinel);
                    EXPECT_EQ(canvas.Pixel(r.Right - 1, r.Bottom - 1), Sentinel);
                    EXPECT_NE(canvas.Pixel(r.Left, r.Top + 1), Sentinel);
                }
                // A clip rect keeps the drawing inside it.
                canvas.Fill(Sentinel);
                TRect clip{r.Left + 2, r.Top + 1, r.Left + 7, r.Top + 4};
                ASSERT_EQ(DrawThemeBackground(theme, canvas.Dc(), c.Part, state, &r, &clip), S_OK);
                for (int y = 0; y < canvas.Height(); ++y)
                    for (int x = 0; x < canvas.Width(); ++x)
                        if (x < clip.Left || x >= clip.Right || y < clip.Top || y >= clip.Bottom) {
                            ASSERT_EQ(canvas.Pixel(x, y), Sentinel) << "outside the clip at " << x << "," << y;
                        }
            }
            CloseThemeData(theme);
        }
    }
}

TEST_F(BuiltinThemeTest, StatesThePartsTellApartLookDifferent) {
    struct Distinct {
        const char* Class;
        int Part;
        std::vector<int> States;
    } cases[] = {
        {"Button", 1, {1, 2, 3, 4, 5}},  {"Button", 2, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"Button", 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}, {"Button", 4, {1, 2}},
        {"ComboBox", 1, {1, 2, 3, 4}},   {"Edit", 1, {1, 4, 6}},
        {"ExplorerBar", 3, {1, 2, 3}},   {"ExplorerBar", 6, {1, 2, 3}}, {"ExplorerBar", 7, {1, 2, 3}},
        {"Header", 1, {1, 2, 3}},        {"Header", 3, {1, 2, 3}},
        {"ScrollBar", 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}},
        {"ScrollBar", 2, {1, 2, 3, 4}},  {"ScrollBar", 3, {1, 2, 3, 4}}, {"ScrollBar", 4, {1, 2, 3, 4}},
        {"ScrollBar", 7, {1, 2, 3, 4}},  {"Spin", 1, {1, 2, 3, 4}},      {"Spin", 4, {1, 2, 3, 4}},
        {"Tab", 1, {1, 2, 3, 4}},        {"ToolBar", 1, {1, 2, 3, 4, 5}}, {"ToolBar", 4, {1, 2, 3, 4, 5}},
        {"TreeView", 2, {1, 2}},         {"Window", 19, {1, 2, 3, 4}},   {"Window", 22, {1, 2, 3, 4}},
    };
    for (ThemeScheme scheme : BuiltinSchemes) {
        SetThemeScheme(scheme);
        for (const Distinct& c : cases) {
            HTHEME theme = OpenThemeData(nullptr, Wide(c.Class).c_str());
            std::set<std::vector<COLORREF>> images;
            for (int state : c.States) {
                Canvas canvas(34, 24);
                TRect r = BuiltinRectFor(theme, c.Class, c.Part, state, 2, 2);
                DrawThemeBackground(theme, canvas.Dc(), c.Part, state, &r, nullptr);
                images.insert(BuiltinPixels(canvas));
            }
            EXPECT_EQ(images.size(), c.States.size()) << c.Class << " part " << c.Part << " scheme " << scheme;
            CloseThemeData(theme);
        }
    }
}

TEST_F(BuiltinThemeTest, SizesAndContentRectsAreWhatTheDrawingUses) {
    SetThemeScheme(tsBlue);
    HTHEME button = OpenThemeData(nullptr, u"Button");
    for (int part : {2, 3}) {
        SIZE size{};
        EXPECT_EQ(GetThemePartSize(button, nullptr, part, 5, nullptr, TS_TRUE, &size), S_OK);
        EXPECT_EQ(size, (SIZE{13, 13}));
    }
    for (ThemeScheme scheme : BuiltinSchemes) {
        SetThemeScheme(scheme);
        for (const BuiltinPartCase& c : BuiltinParts) {
            HTHEME theme = OpenThemeData(nullptr, Wide(c.Class).c_str());
            int state = c.LastState;
            TRect r = BuiltinRectFor(theme, c.Class, c.Part, state, 3, 3);
            RECT content{};
            ASSERT_EQ(GetThemeBackgroundContentRect(theme, nullptr, c.Part, state, &r, &content), S_OK);
            EXPECT_TRUE(content.Left >= r.Left && content.Top >= r.Top && content.Right <= r.Right &&
                        content.Bottom <= r.Bottom);
            SIZE draw{};
            EXPECT_EQ(GetThemePartSize(theme, nullptr, c.Part, state, &r, TS_DRAW, &draw), S_OK);
            EXPECT_EQ(draw, (SIZE{r.Width(), r.Height()})) << c.Class << " " << c.Part;
            if (c.Framed) {
                // The border lies outside the content rect, the face inside it.
                Canvas canvas(40, 30);
                DrawThemeBackground(theme, canvas.Dc(), c.Part, state, &r, nullptr);
                COLORREF border = 0;
                GetThemeColor(theme, c.Part, state, TMT_BORDERCOLOR, &border);
                EXPECT_EQ(canvas.Pixel(r.Left, (r.Top + r.Bottom) / 2), border) << c.Class << " " << c.Part;
                EXPECT_GT(content.Left, r.Left);
                EXPECT_LT(content.Right, r.Right);
                if (c.Part != 4 || std::string(c.Class) != "Button") { // a group box paints no face
                    EXPECT_NE(canvas.Pixel(content.Left, content.Top), Sentinel);
                }
            }
            CloseThemeData(theme);
        }
    }
}

TEST_F(BuiltinThemeTest, AButtonsBorderAndTextHaveTheColoursItReports) {
    const COLORREF menuBorder[] = {RGB(0, 45, 150), RGB(117, 141, 94), RGB(124, 124, 148)};
    for (int i = 0; i < 3; ++i) {
        SetThemeScheme(BuiltinSchemes[i]);
        HTHEME button = OpenThemeData(nullptr, u"Button");
        for (int state = 1; state <= 5; ++state) {
            Canvas canvas(80, 30, RGB(255, 255, 255));
            TRect r{0, 0, 80, 30};
            ASSERT_EQ(DrawThemeBackground(button, canvas.Dc(), 1, state, &r, nullptr), S_OK);
            COLORREF border = 0, text = 0, face = 0, fill = 0;
            ASSERT_EQ(GetThemeColor(button, 1, state, TMT_BORDERCOLOR, &border), S_OK);
            ASSERT_EQ(GetThemeColor(button, 1, state, TMT_TEXTCOLOR, &text), S_OK);
            ASSERT_EQ(GetThemeColor(button, 1, state, TMT_COLOR, &face), S_OK);
            ASSERT_EQ(GetThemeColor(button, 1, state, TMT_FILLCOLOR, &fill), S_OK);
            EXPECT_EQ(face, fill);
            EXPECT_EQ(canvas.Pixel(0, 15), border);
            EXPECT_EQ(canvas.Pixel(40, 29), border);
            if (state != 4) {
                EXPECT_EQ(border, menuBorder[i]);
            }
            ASSERT_EQ(DrawThemeText(button, canvas.Dc(), 1, state, u"WWW", -1, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
                                    0, &r),
                      S_OK);
            int inked = 0;
            for (int y = 3; y < 27; ++y)
                for (int x = 3; x < 77; ++x)
                    inked += canvas.Pixel(x, y) == text;
            EXPECT_GT(inked, 3) << "state " << state;
        }
        COLORREF c = 0;
        EXPECT_EQ(GetThemeColor(button, 2, 1, TMT_COLOR, &c), E_FAIL);
        EXPECT_EQ(GetThemeColor(button, 1, 1, 9999, &c), E_FAIL);
        CloseThemeData(button);
    }
}

TEST_F(BuiltinThemeTest, TheThemeNamesTellTheScheme) {
    struct Case {
        ThemeScheme Scheme;
        const char16_t* Color;
    } cases[] = {{tsBlue, u"NormalColor"}, {tsOlive, u"HomeStead"}, {tsSilver, u"Metallic"}};
    for (const Case& c : cases) {
        SetThemeScheme(c.Scheme);
        EXPECT_TRUE(IsThemeActive());
        EXPECT_TRUE(IsAppThemed());
        EXPECT_EQ(GetThemeAppProperties(), STAP_ALLOW_NONCLIENT | STAP_ALLOW_CONTROLS);
        char16_t file[260], color[64], size[64];
        ASSERT_EQ(GetCurrentThemeName(file, 260, color, 64, size, 64), S_OK);
        EXPECT_EQ(std::u16string(file), u"Luna.msstyles");
        EXPECT_EQ(std::u16string(color), c.Color);
    }
}

TEST_F(BuiltinThemeTest, UnknownClassesPartsAndStatesDrawNothing) {
    SetThemeScheme(tsOlive);
    EXPECT_EQ(OpenThemeData(nullptr, u"Clocks"), nullptr);
    EXPECT_EQ(OpenThemeData(nullptr, u"Foo;Bar"), nullptr);
    HTHEME button = OpenThemeData(nullptr, u"Unknown;BUTTON");
    ASSERT_NE(button, nullptr);
    struct Case {
        int Part, State;
    } cases[] = {{1, 6}, {2, 9}, {3, 13}, {4, 3}, {5, 1}, {0, 1}, {-1, 1}, {1, -1}, {99, 1}};
    for (const Case& c : cases) {
        Canvas canvas(20, 20);
        TRect r{0, 0, 20, 20};
        SIZE size{};
        RECT content{};
        HRGN region = nullptr;
        EXPECT_EQ(DrawThemeBackground(button, canvas.Dc(), c.Part, c.State, &r, nullptr), E_INVALIDARG);
        EXPECT_EQ(DrawThemeText(button, canvas.Dc(), c.Part, c.State, u"x", -1, 0, 0, &r), E_INVALIDARG);
        EXPECT_EQ(GetThemePartSize(button, nullptr, c.Part, c.State, nullptr, TS_TRUE, &size), E_INVALIDARG);
        EXPECT_EQ(GetThemeBackgroundContentRect(button, nullptr, c.Part, c.State, &r, &content), E_INVALIDARG);
        EXPECT_EQ(GetThemeBackgroundRegion(button, nullptr, c.Part, c.State, &r, &region), E_INVALIDARG);
        EXPECT_EQ(region, nullptr);
        EXPECT_FALSE(IsThemePartDefined(button, c.Part, c.State));
        EXPECT_FALSE(IsThemeBackgroundPartiallyTransparent(button, c.Part, c.State));
        EXPECT_EQ(BuiltinPixels(canvas), std::vector<COLORREF>(400, Sentinel));
    }
    // Rects whose arithmetic would overflow, and empty or inverted ones.
    Canvas canvas(20, 20);
    RECT huge{-5, -5, 0x7FFFFFFF, 0x7FFFFFFF}, inverted{15, 15, 5, 5};
    HRGN region = nullptr;
    EXPECT_EQ(DrawThemeBackground(button, canvas.Dc(), 1, 1, &huge, nullptr), E_INVALIDARG);
    EXPECT_EQ(GetThemeBackgroundRegion(button, canvas.Dc(), 1, 1, &huge, &region), E_INVALIDARG);
    EXPECT_EQ(DrawThemeBackground(button, canvas.Dc(), 1, 1, &inverted, nullptr), S_OK);
    EXPECT_EQ(BuiltinPixels(canvas), std::vector<COLORREF>(400, Sentinel));
    CloseThemeData(button);
}

TEST_F(BuiltinThemeTest, AnEdgeDrawsItsRingsAndReportsWhatLiesInside) {
    SetThemeScheme(tsBlue);
    HTHEME edit = OpenThemeData(nullptr, u"Edit");
    Canvas canvas(20, 20);
    RECT r{2, 2, 18, 18}, content{};
    ASSERT_EQ(DrawThemeEdge(edit, canvas.Dc(), 0, 0, &r, 0x4 /* raised inner */, 0xF /* all sides */, &content), S_OK);
    EXPECT_EQ(content, (RECT{3, 3, 17, 17}));
    EXPECT_EQ(canvas.Pixel(2, 10), RGB(221, 236, 254));  // light left side
    EXPECT_EQ(canvas.Pixel(17, 10), RGB(106, 140, 203)); // dark right side
    EXPECT_EQ(canvas.Pixel(10, 10), Sentinel);
    EXPECT_EQ(canvas.Pixel(1, 1), Sentinel);
    ASSERT_EQ(DrawThemeEdge(edit, canvas.Dc(), 1, 1, &r, 0x5, 0xF | 0x800 /* middle */, &content), S_OK);
    EXPECT_EQ(content, (RECT{4, 4, 16, 16}));
    EXPECT_NE(canvas.Pixel(10, 10), Sentinel);
    EXPECT_EQ(DrawThemeEdge(edit, canvas.Dc(), 1, 9, &r, 0x4, 0xF, &content), E_INVALIDARG);
    CloseThemeData(edit);
}

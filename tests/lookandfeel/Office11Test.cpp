#include "LookAndFeelTestSupport.h"

#include "lookandfeel/xbOffice11.h"
#include "lookandfeel/xbThemeManager.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/kernel/MulDiv.h"

#include <array>

using namespace lookandfeel;
using lftest::Rgb;

namespace {

int R(TColor c) { return c & 0xFF; }
int G(TColor c) { return (c >> 8) & 0xFF; }
int B(TColor c) { return (c >> 16) & 0xFF; }

// The built-in rows, blue, olive, silver, as R,G,B.
const int SchemeTable[36][3][3] = {
    {{221, 236, 254}, {244, 247, 222}, {243, 244, 250}}, // BarLight
    {{129, 169, 226}, {183, 198, 145}, {153, 151, 181}}, // BarDark
    {{158, 190, 245}, {217, 217, 167}, {215, 215, 229}}, // DockLight
    {{195, 218, 249}, {242, 240, 228}, {243, 243, 247}}, // DockDark
    {{0, 53, 145}, {96, 119, 107}, {118, 116, 146}},     // MarkTo normal
    {{117, 166, 241}, {176, 194, 140}, {179, 178, 200}}, // MarkFrom normal
    {{255, 193, 118}, {255, 193, 118}, {255, 193, 118}}, // MarkTo hot
    {{255, 248, 211}, {255, 248, 211}, {255, 248, 211}}, // MarkFrom hot
    {{255, 221, 152}, {255, 221, 152}, {255, 221, 152}}, // MarkTo pressed
    {{254, 149, 82}, {254, 149, 82}, {254, 149, 82}},    // MarkFrom pressed
    {{59, 97, 156}, {96, 128, 88}, {124, 124, 148}},     // BarBorder
    {{123, 164, 224}, {181, 196, 143}, {147, 145, 176}}, // BarShadow
    {{39, 65, 118}, {81, 94, 51}, {84, 84, 117}},        // GripDark
    {{255, 255, 255}, {255, 255, 255}, {255, 255, 255}}, // GripLight
    {{106, 140, 203}, {96, 128, 88}, {110, 109, 143}},   // SeparatorDark
    {{241, 249, 255}, {244, 247, 222}, {255, 255, 255}}, // SeparatorLight
    {{42, 102, 201}, {116, 134, 94}, {122, 121, 153}},   // FloatingBorder
    {{196, 219, 249}, {225, 222, 173}, {219, 218, 228}}, // FloatingInnerBorder
    {{0, 45, 150}, {117, 141, 94}, {124, 124, 148}},     // MenuBorder
    {{246, 246, 246}, {244, 244, 238}, {253, 250, 255}}, // MenuBackground
    {{255, 238, 194}, {255, 238, 194}, {255, 238, 194}}, // SelectedFace
    {{0, 0, 128}, {63, 93, 56}, {75, 75, 111}},          // HighlightFrame
    {{255, 244, 204}, {255, 244, 204}, {255, 244, 204}}, // HotFaceFrom
    {{255, 208, 145}, {255, 208, 145}, {255, 208, 145}}, // HotFaceTo
    {{255, 211, 142}, {255, 211, 142}, {255, 211, 142}}, // PressedFaceFrom
    {{254, 145, 78}, {254, 145, 78}, {254, 145, 78}},    // PressedFaceTo
    {{203, 225, 252}, {216, 227, 182}, {214, 211, 231}}, // CheckedFace
    {{255, 192, 111}, {255, 192, 111}, {255, 192, 111}}, // PressedFace
    {{254, 128, 62}, {254, 128, 62}, {254, 128, 62}},    // DownFace
    {{169, 199, 240}, {197, 212, 159}, {192, 192, 211}}, // DetachBarFace
    {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}},                   // Office11TextColor
    {{141, 141, 141}, {141, 141, 141}, {141, 141, 141}}, // Office11DisabledTextColor
    {{190, 218, 251}, {175, 186, 145}, {229, 229, 235}}, // PainterFaceColor
    {{251, 230, 148}, {251, 230, 148}, {251, 230, 148}}, // PainterSelectionColor
    {{196, 218, 250}, {242, 241, 228}, {243, 243, 247}}, // PainterBackgroundColor
    {{0, 45, 150}, {96, 128, 88}, {124, 124, 148}},      // PainterFrameColor
};

// The formulas, written again here: P percent of a and the rest of b; weights of face, highlight, window.
TColor Mix(TColor a, TColor b, int p) {
    auto ch = [p](int ca, int cb) { return std::min(win::MulDiv(cb, 100 - p, 100) + win::MulDiv(ca, p, 100), 255); };
    return Rgb(ch(R(a), R(b)), ch(G(a), G(b)), ch(B(a), B(b)));
}
TColor Sys(int index) { return TColor(win::GetSysColor(index) & 0xFFFFFF); }
TColor Blend(int f, int h, int w) {
    TColor face = Sys(win::COLOR_BTNFACE), hi = Sys(win::COLOR_HIGHLIGHT), win_ = Sys(win::COLOR_WINDOW);
    if (face == 0 || face == 0xFFFFFF)
        return hi;
    auto ch = [&](int a, int b, int c) {
        return std::clamp(win::MulDiv(a, f, 100) + win::MulDiv(b, h, 100) + win::MulDiv(c, w, 100), 0, 255);
    };
    return Rgb(ch(R(face), R(hi), R(win_)), ch(G(face), G(hi), G(win_)), ch(B(face), B(hi), B(win_)));
}

// A 32-bit bitmap to draw on, filled with one colour.
struct Surface {
    explicit Surface(int w, int h, TColor fill = Rgb(1, 2, 3)) {
        Bitmap.SetPixelFormat(vcl::pf32bit);
        Bitmap.SetSize(w, h);
        Dc = Bitmap.GetCanvas()->GetHandle();
        FillRectColor(Dc, {0, 0, w, h}, fill);
    }
    TColor Pixel(int x, int y) { return TColor(win::GetPixel(Dc, x, y)); }
    vcl::TBitmap Bitmap;
    win::HDC Dc = nullptr;
};

class Office11Test : public lftest::LookAndFeelFixture {
protected:
    std::shared_ptr<win::RecordingThemeEngine> LunaEngine(const std::string& file, const std::string& color) {
        auto engine = MakeEngine();
        engine->SetThemeName(file, color, "NormalSize");
        return engine;
    }
};

TEST_F(Office11Test, EachBuiltInRowComesFromTheThemesNamesInAnyCase) {
    struct Case {
        const char* File;
        const char* Color;
        int Scheme;
        int Percent;
    };
    const Case cases[] = {
        {"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles", "NormalColor", 1, 41},
        {"luna.MSSTYLES", "homestead", 2, 125},
        {"C:\\Themes\\LUNA.msstyles", "Metallic", 3, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Color);
        StartWith(LunaEngine(c.File, c.Color));
        AcquireOffice11Colors();
        EXPECT_EQ(GetOffice11Scheme(), c.Scheme);
        EXPECT_TRUE(IsOffice11ThemedScheme());
        EXPECT_EQ(Office11GradientPercent, c.Percent);
        for (int i = 0; i < 36; ++i) {
            const int* rgb = SchemeTable[i][c.Scheme - 1];
            EXPECT_EQ(Office11Color(i), Rgb(rgb[0], rgb[1], rgb[2])) << "colour " << i;
        }
        // Derived colours of a themed set.
        EXPECT_EQ(ChevronDark, 0);
        EXPECT_EQ(ChevronLight, 0xFFFFFF);
        EXPECT_EQ(CaptionTextColor, 0xFFFFFF);
        EXPECT_EQ(MarkEdge[omsHot], Mix(MarkFrom[omsHot], BarLight, 90));
        EXPECT_EQ(MarkShadow[omsNormal], Mix(MarkTo[omsNormal], BarShadow, 50));
        EXPECT_EQ(MenuColumnRareTo, Mix(BarDark, 0, 92));
        FreeOffice11Colors();
        FinalizeLookAndFeel();
    }
    // The built-in engine's olive scheme.
    win::SetThemeScheme(win::tsOlive);
    InitializeLookAndFeel();
    UpdateOffice11Colors();
    EXPECT_EQ(GetOffice11Scheme(), 2);
    EXPECT_EQ(BarLight, Rgb(244, 247, 222));
}

TEST_F(Office11Test, OtherThemesOrNoneFollowTheSystemColours) {
    struct Case {
        const char* Name;
        std::shared_ptr<win::IThemeEngine> Engine;
    };
    auto off = LunaEngine("Luna.msstyles", "NormalColor");
    off->SetActive(false);
    const Case cases[] = {{"other style", LunaEngine("Royale.msstyles", "NormalColor")},
                          {"other colour", LunaEngine("Luna.msstyles", "Playful")},
                          {"styles off", off},
                          {"no engine", nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        StartWith(c.Engine);
        UpdateOffice11Colors();
        EXPECT_EQ(GetOffice11Scheme(), 0);
        EXPECT_FALSE(IsOffice11ThemedScheme());
        EXPECT_EQ(Office11GradientPercent, 75);
        EXPECT_EQ(BarLight, Mix(Sys(win::COLOR_BTNFACE), Sys(win::COLOR_WINDOW), 22));
        FinalizeLookAndFeel();
    }
}

TEST_F(Office11Test, DerivedColoursOfTheClassicAndABlackFaceScheme) {
    for (bool blackFace : {false, true}) {
        SCOPED_TRACE(blackFace ? "black face" : "classic");
        if (blackFace) {
            const int elements[] = {win::COLOR_BTNFACE, win::COLOR_HIGHLIGHT, win::COLOR_BTNTEXT};
            const win::COLORREF values[] = {0, win::COLORREF(Rgb(10, 36, 106)), win::COLORREF(Rgb(255, 255, 0))};
            win::SetSysColors(3, elements, values);
        }
        StartWith(nullptr);
        UpdateOffice11Colors();
        TColor face = Sys(win::COLOR_BTNFACE), window = Sys(win::COLOR_WINDOW), shadow = Sys(win::COLOR_BTNSHADOW);
        TColor text = Sys(win::COLOR_BTNTEXT);
        const TColor expected[36] = {
            Mix(face, window, 22), Mix(face, window, 96), face, Mix(face, window, 20), shadow,
            Mix(shadow, window, 74), Blend(-15, 29, 86), Blend(-15, 29, 86), Blend(42, 11, 47), Blend(42, 11, 47),
            Mix(face, window, 85), face, Mix(shadow, window, 76), window, Mix(shadow, window, 70), 0xFFFFFF,
            shadow, Mix(face, window, 96), shadow, window, Blend(-2, 30, 72), Sys(win::COLOR_HIGHLIGHT),
            Blend(-2, 30, 72), Blend(-2, 30, 72), Blend(14, 44, 40), Blend(14, 44, 40), Mix(face, window, 96),
            Blend(41, 11, 48), Blend(14, 44, 40), Mix(face, window, 96), text, Sys(win::COLOR_GRAYTEXT), face,
            Blend(41, 11, 48), face, shadow};
        for (int i = 0; i < 36; ++i)
            EXPECT_EQ(Office11Color(i), expected[i]) << "colour " << i;
        EXPECT_EQ(MarkEdge[omsPressed], Mix(MarkTo[omsPressed], window, 50));
        EXPECT_EQ(ChevronDark, text);
        EXPECT_EQ(ChevronLight, window);
        EXPECT_EQ(CaptionTextColor, Sys(win::COLOR_BTNHIGHLIGHT));
        EXPECT_EQ(CaptionButtonPressedColor, text);
        EXPECT_EQ(LookAndFeelFrameColor, shadow);
        if (blackFace) {
            // A black face blends nothing: the blended colours are the highlight itself.
            EXPECT_EQ(SelectedFace, Rgb(10, 36, 106));
            EXPECT_EQ(GetBlendedSystemColor(50, 0, 50), Rgb(10, 36, 106));
            EXPECT_TRUE(IsButtonFaceBlack());
            EXPECT_TRUE(IsBlackFaceWithNonWhiteText());
            // Highlighted items are framed in the highlight-text colour.
            Surface s(8, 8);
            FrameOffice11Highlight(s.Dc, {1, 1, 7, 7});
            EXPECT_EQ(s.Pixel(1, 1), Sys(win::COLOR_HIGHLIGHTTEXT));
            EXPECT_EQ(s.Pixel(6, 4), Sys(win::COLOR_HIGHLIGHTTEXT));
            EXPECT_EQ(s.Pixel(3, 3), Rgb(1, 2, 3));
        } else {
            EXPECT_FALSE(IsButtonFaceBlack());
            EXPECT_FALSE(IsButtonFaceWhite());
        }
        FinalizeLookAndFeel();
        win::ResetSysColors();
    }
}

TEST_F(Office11Test, BrushesAndBitmapsExistWhileTheSetHasUsers) {
    // Not started: the root look-and-feel would be a user of the set.
    win::SetThemeEngine(MakeEngine());
    ASSERT_EQ(Office11ColorsUseCount(), 0);
    const int brushes = win::GdiObjectCount(win::GdiKind::gkBrush);
    const int bitmaps = win::GdiObjectCount(win::GdiKind::gkBitmap);

    // Without users an update recomputes the colours and makes nothing.
    const int elements[] = {win::COLOR_BTNFACE};
    const win::COLORREF values[] = {win::COLORREF(Rgb(100, 120, 140))};
    win::SetSysColors(1, elements, values);
    UpdateOffice11Colors();
    EXPECT_EQ(DockLight, Rgb(100, 120, 140));
    EXPECT_EQ(GripDarkBrush, nullptr);
    EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkBrush), brushes);
    EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkBitmap), bitmaps);

    AcquireOffice11Colors();
    EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkBrush), brushes + 13);
    EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkBitmap), bitmaps + 3);
    win::HBRUSH grip = GripDarkBrush;
    ASSERT_NE(SubMenuExpandBitmap, nullptr);
    EXPECT_EQ(SubMenuExpandBitmap->GetWidth(), 9);
    EXPECT_EQ(ExpandButtonMinusBitmap->GetWidth(), 11);
    EXPECT_EQ(ExpandButtonPlusBitmap->GetHeight(), 11);
    AcquireOffice11Colors();
    EXPECT_EQ(GripDarkBrush, grip);
    EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkBrush), brushes + 13);
    // An update with users makes them again, once.
    UpdateOffice11Colors();
    EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkBrush), brushes + 13);
    EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkBitmap), bitmaps + 3);
    FreeOffice11Colors();
    EXPECT_NE(GripDarkBrush, nullptr);
    EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkBrush), brushes + 13);
    FreeOffice11Colors();
    EXPECT_EQ(GripDarkBrush, nullptr);
    EXPECT_EQ(SubMenuExpandBitmap, nullptr);
    EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkBrush), brushes);
    EXPECT_EQ(win::GdiObjectCount(win::GdiKind::gkBitmap), bitmaps);
    // A free too many changes nothing.
    FreeOffice11Colors();
    EXPECT_EQ(Office11ColorsUseCount(), 0);
}

TEST_F(Office11Test, TheExpandGlyphIsRecolouredFromBarLightToBarDark) {
    StartWith(LunaEngine("Luna.msstyles", "NormalColor"));
    AcquireOffice11Colors();
    vcl::TBitmap original;
    original.LoadFromResourceName("XBSUBMENUEXPAND");
    original.SetPixelFormat(vcl::pf24bit);
    auto pixel = [](vcl::TBitmap* b, int x, int y) {
        const uint8_t* p = static_cast<const uint8_t*>(b->ScanLine(y)) + 3 * x;
        return Rgb(p[2], p[1], p[0]);
    };
    int smallest = 255, largest = 1;
    for (int y = 0; y < original.GetHeight(); ++y)
        for (int x = 0; x < original.GetWidth(); ++x) {
            TColor c = pixel(&original, x, y);
            if ((x || y) && c != pixel(&original, 0, 0) && c != 0) {
                smallest = std::min(smallest, R(c));
                largest = std::max(largest, R(c));
            }
        }
    ASSERT_LT(smallest, largest);
    int lightest = 0, darkest = 0, kept = 0;
    for (int y = 0; y < original.GetHeight(); ++y)
        for (int x = 0; x < original.GetWidth(); ++x) {
            TColor before = pixel(&original, x, y), after = pixel(SubMenuExpandBitmap, x, y);
            if (before == pixel(&original, 0, 0) || before == 0) {
                EXPECT_EQ(after, before) << x << "," << y;
                ++kept;
            } else if (R(before) == largest) {
                EXPECT_EQ(after, BarLight) << x << "," << y;
                ++lightest;
            } else if (R(before) == smallest) {
                EXPECT_EQ(after, BarDark) << x << "," << y;
                ++darkest;
            } else {
                EXPECT_EQ(after, Mix(BarLight, BarDark, win::MulDiv(R(before) - smallest, 100, largest - smallest)));
            }
        }
    EXPECT_GT(lightest, 0);
    EXPECT_GT(darkest, 0);
    EXPECT_GT(kept, 1); // the background and the black shadow pixel

    // A glyph of one shade takes the light colour (not a mix at -1 percent).
    vcl::TBitmap single;
    single.SetPixelFormat(vcl::pf24bit);
    single.SetSize(3, 1);
    single.GetCanvas()->SetPixel(0, 0, Rgb(255, 0, 255));
    single.GetCanvas()->SetPixel(1, 0, Rgb(90, 90, 200));
    single.GetCanvas()->SetPixel(2, 0, 0);
    RecolorOffice11Glyph(&single, Rgb(200, 210, 220), Rgb(20, 30, 40));
    EXPECT_EQ(pixel(&single, 1, 0), Rgb(200, 210, 220));
    EXPECT_EQ(pixel(&single, 0, 0), Rgb(255, 0, 255));
    EXPECT_EQ(pixel(&single, 2, 0), 0);
    // Equal colours: the dark end becomes black (or white from black).
    single.GetCanvas()->SetPixel(2, 0, Rgb(10, 10, 10));
    RecolorOffice11Glyph(&single, Rgb(200, 200, 200), Rgb(200, 200, 200));
    EXPECT_EQ(pixel(&single, 2, 0), 0);
    FreeOffice11Colors();
}

TColor Band(int j, int n, TColor from, TColor to) {
    if (n == 1)
        return from;
    auto ch = [&](int f, int t) { return f + win::MulDiv(j, t - f, n - 1); };
    return Rgb(ch(R(from), R(to)), ch(G(from), G(to)), ch(B(from), B(to)));
}

TEST_F(Office11Test, GradientBandEdges) {
    StartWith(nullptr);
    const TColor from = Rgb(250, 10, 100), to = Rgb(5, 200, 100);
    for (int length : {1, 10, 300}) {
        SCOPED_TRACE(length);
        Surface s(length + 4, 3);
        FillGradientRect(s.Dc, {2, 1, 2 + length, 2}, from, true, to);
        const int n = std::min(length, 256);
        int begin = 0;
        for (int j = 0; j < n; ++j) {
            int end = win::MulDiv(j + 1, length, n);
            if (end > begin) {
                EXPECT_EQ(s.Pixel(2 + begin, 1), Band(j, n, from, to)) << "band " << j;
                EXPECT_EQ(s.Pixel(2 + end - 1, 1), Band(j, n, from, to)) << "band " << j;
                EXPECT_EQ(InterpolateGradientColor({2, 0, 2 + length, 9}, 2 + end - 1, from, true, to),
                          Band(j, n, from, to));
                begin = end;
            }
        }
        EXPECT_EQ(s.Pixel(2, 1), from);
        if (length > 1)
            EXPECT_EQ(s.Pixel(1 + length, 1), to);
        // Nothing outside the rect.
        EXPECT_EQ(s.Pixel(1, 1), Rgb(1, 2, 3));
        EXPECT_EQ(s.Pixel(2 + length, 1), Rgb(1, 2, 3));
        EXPECT_EQ(s.Pixel(2, 0), Rgb(1, 2, 3));
    }
    // Vertical, and one colour filling solid.
    Surface v(2, 12);
    FillGradientRect(v.Dc, {0, 1, 2, 11}, from, false, to);
    EXPECT_EQ(v.Pixel(1, 1), from);
    EXPECT_EQ(v.Pixel(1, 10), to);
    FillGradientRect(v.Dc, {0, 1, 2, 11}, vcl::clBtnFace, false, Sys(win::COLOR_BTNFACE));
    EXPECT_EQ(v.Pixel(0, 5), Sys(win::COLOR_BTNFACE));
}

TEST_F(Office11Test, TwoStageGradientMiddleAndEndRows) {
    StartWith(LunaEngine("Luna.msstyles", "HomeStead"));
    UpdateOffice11Colors();
    ASSERT_EQ(Office11GradientPercent, 125);
    const TColor from = Rgb(200, 40, 0), to = Rgb(0, 240, 100);
    const int length = 20;
    Surface s(3, length + 2);
    FillTwoStageGradientRect(s.Dc, {0, 1, 3, 1 + length}, from, false, to);
    // The middle row lies 62.5 percent of the way: from - MulDiv(from - to, 125, 200) per channel.
    auto middle = [](int f, int t) { return f - win::MulDiv(f - t, 125, 200); };
    EXPECT_EQ(s.Pixel(1, 1), from);
    EXPECT_EQ(s.Pixel(1, 1 + length / 2), Rgb(middle(200, 0), middle(40, 240), middle(0, 100)));
    EXPECT_EQ(s.Pixel(1, length), to);
    EXPECT_EQ(s.Pixel(1, 0), Rgb(1, 2, 3));
    EXPECT_EQ(s.Pixel(1, length + 1), Rgb(1, 2, 3));
    // The blue scheme's break: 20.5 percent.
    EXPECT_EQ(TwoStageGradientColor(length / 2, length, from, to, 41),
              Rgb(200 - win::MulDiv(200, 41, 200), 40 - win::MulDiv(-200, 41, 200), 0 - win::MulDiv(-100, 41, 200)));
}

TEST_F(Office11Test, GripDotsAndArrowsAtComputedPositions) {
    StartWith(nullptr);
    AcquireOffice11Colors();
    // A vertical strip 15 high: 15 mod 4 = 3 shifts the cells by 1; cells at 11, 15 and 19 end inside.
    Surface s(20, 30);
    DrawOffice11GripDots(s.Dc, {10, 10, 14, 25}, true);
    for (int top : {11, 15, 19}) {
        SCOPED_TRACE(top);
        EXPECT_EQ(s.Pixel(10, top), GripDark);
        EXPECT_EQ(s.Pixel(11, top + 1), GripDark);
        EXPECT_EQ(s.Pixel(12, top + 1), GripLight);
        EXPECT_EQ(s.Pixel(12, top + 2), GripLight);
        EXPECT_EQ(s.Pixel(11, top + 2), GripLight);
        EXPECT_EQ(s.Pixel(13, top), Rgb(1, 2, 3));
        EXPECT_EQ(s.Pixel(10, top + 3), Rgb(1, 2, 3));
    }
    EXPECT_EQ(s.Pixel(10, 10), Rgb(1, 2, 3));
    EXPECT_EQ(s.Pixel(10, 23), Rgb(1, 2, 3)); // a fourth cell would end at 27
    // Horizontal, 6 wide: 6 mod 4 = 2 halves to a shift of 1; the first dot is drawn even past the end.
    Surface h(12, 6);
    DrawOffice11GripDots(h.Dc, {0, 0, 6, 4}, false);
    EXPECT_EQ(h.Pixel(1, 0), GripDark);
    EXPECT_EQ(h.Pixel(3, 2), GripLight);
    EXPECT_EQ(h.Pixel(5, 0), Rgb(1, 2, 3));

    // A down arrow of size 4 in (0, 0, 20, 10): x = 6, y = 3; points (6, 3), (12, 3), (9, 6).
    Surface a(20, 10);
    DrawOffice11Arrow(a.Dc, {0, 0, 20, 10}, true, true, false, 4);
    for (auto [x, y] : {std::pair{6, 3}, {12, 3}, {9, 6}, {9, 4}, {8, 5}})
        EXPECT_EQ(a.Pixel(x, y), Office11TextColor) << x << "," << y;
    for (auto [x, y] : {std::pair{5, 3}, {13, 3}, {9, 7}, {9, 2}, {7, 5}})
        EXPECT_EQ(a.Pixel(x, y), Rgb(1, 2, 3)) << x << "," << y;
    // Right, disabled: size 3 in (0, 0, 10, 12): x = 3, y = 3; points (3, 3), (3, 7), (5, 5).
    Surface r(10, 12);
    DrawOffice11Arrow(r.Dc, {0, 0, 10, 12}, false, false, false, 3);
    for (auto [x, y] : {std::pair{3, 3}, {3, 7}, {5, 5}, {4, 4}, {4, 6}})
        EXPECT_EQ(r.Pixel(x, y), Office11DisabledTextColor) << x << "," << y;
    EXPECT_EQ(r.Pixel(6, 5), Rgb(1, 2, 3));
    EXPECT_EQ(r.Pixel(3, 8), Rgb(1, 2, 3));
    // The drop-down arrow's size: (width - 8 - 1) / 2, one more for an odd width - 8, at least 3.
    Surface d(21, 12);
    DrawOffice11DropDownArrow(d.Dc, {0, 0, 21, 12}, true, true, false); // S = 13, size 7: x = 4, y = 2
    EXPECT_EQ(d.Pixel(4, 2), Office11TextColor);
    EXPECT_EQ(d.Pixel(16, 2), Office11TextColor);
    EXPECT_EQ(d.Pixel(17, 2), Rgb(1, 2, 3));
    EXPECT_EQ(d.Pixel(10, 8), Office11TextColor);
    EXPECT_EQ(d.Pixel(10, 9), Rgb(1, 2, 3));
    FreeOffice11Colors();
}

} // namespace

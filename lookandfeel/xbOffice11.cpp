#include "lookandfeel/xbOffice11.h"

#include "lookandfeel/xbThemeManager.h"
#include "lookandfeel/xbUxTheme.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/MulDiv.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <memory>
#include <string>

namespace lookandfeel {

TColor BarLight, BarDark, DockLight, DockDark;
TColor MarkTo[3], MarkFrom[3];
TColor BarBorder, BarShadow, GripDark, GripLight, SeparatorDark, SeparatorLight, FloatingBorder,
    FloatingInnerBorder, MenuBorder, MenuBackground, SelectedFace, HighlightFrame, HotFaceFrom, HotFaceTo,
    PressedFaceFrom, PressedFaceTo, CheckedFace, PressedFace, DownFace, DetachBarFace, Office11TextColor,
    Office11DisabledTextColor, PainterFaceColor, PainterSelectionColor, PainterBackgroundColor,
    PainterFrameColor;
TColor MarkEdge[3], MarkShadow[3];
TColor ChevronDark, ChevronLight, FloatingCaption, FloatingCaptionColor, CaptionTextColor, CaptionButtonHotColor,
    CaptionButtonPressedColor, ItemFaceFrom, ItemFaceTo, MenuColumnFrom, MenuColumnTo, MenuColumnRareFrom,
    MenuColumnRareTo, DropDownColor, CaptionTextAltColor, LookAndFeelFrameColor;
int32_t Office11GradientPercent = 75;
win::HBRUSH GripDarkBrush, GripLightBrush, SeparatorDarkBrush, SeparatorLightBrush, MenuBorderBrush,
    MenuBackgroundBrush, HighlightFrameBrush, CheckedFaceBrush, PressedFaceBrush, DownFaceBrush, DetachBarBrush,
    SelectedFaceBrush, MarkShadowBrush;
vcl::TBitmap* SubMenuExpandBitmap = nullptr;
vcl::TBitmap* ExpandButtonMinusBitmap = nullptr;
vcl::TBitmap* ExpandButtonPlusBitmap = nullptr;

namespace {

constexpr TColor O11Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }
constexpr TColor O11Black = 0;
constexpr TColor O11White = O11Rgb(255, 255, 255);

int O11Red(TColor c) { return c & 0xFF; }
int O11Green(TColor c) { return (c >> 8) & 0xFF; }
int O11Blue(TColor c) { return (c >> 16) & 0xFF; }

// The table colours in table order.
TColor* const Office11Colors[Office11ColorCount] = {
    &BarLight,       &BarDark,        &DockLight,     &DockDark,        &MarkTo[omsNormal],
    &MarkFrom[omsNormal], &MarkTo[omsHot], &MarkFrom[omsHot], &MarkTo[omsPressed], &MarkFrom[omsPressed],
    &BarBorder,      &BarShadow,      &GripDark,      &GripLight,       &SeparatorDark,
    &SeparatorLight, &FloatingBorder, &FloatingInnerBorder, &MenuBorder, &MenuBackground,
    &SelectedFace,   &HighlightFrame, &HotFaceFrom,   &HotFaceTo,       &PressedFaceFrom,
    &PressedFaceTo,  &CheckedFace,    &PressedFace,   &DownFace,        &DetachBarFace,
    &Office11TextColor, &Office11DisabledTextColor, &PainterFaceColor, &PainterSelectionColor,
    &PainterBackgroundColor, &PainterFrameColor,
};

// The built-in rows: blue, olive, silver.
const TColor Office11SchemeColors[3][Office11ColorCount] = {
    {O11Rgb(221, 236, 254), O11Rgb(129, 169, 226), O11Rgb(158, 190, 245), O11Rgb(195, 218, 249),
     O11Rgb(0, 53, 145),    O11Rgb(117, 166, 241), O11Rgb(255, 193, 118), O11Rgb(255, 248, 211),
     O11Rgb(255, 221, 152), O11Rgb(254, 149, 82),  O11Rgb(59, 97, 156),   O11Rgb(123, 164, 224),
     O11Rgb(39, 65, 118),   O11Rgb(255, 255, 255), O11Rgb(106, 140, 203), O11Rgb(241, 249, 255),
     O11Rgb(42, 102, 201),  O11Rgb(196, 219, 249), O11Rgb(0, 45, 150),    O11Rgb(246, 246, 246),
     O11Rgb(255, 238, 194), O11Rgb(0, 0, 128),     O11Rgb(255, 244, 204), O11Rgb(255, 208, 145),
     O11Rgb(255, 211, 142), O11Rgb(254, 145, 78),  O11Rgb(203, 225, 252), O11Rgb(255, 192, 111),
     O11Rgb(254, 128, 62),  O11Rgb(169, 199, 240), O11Rgb(0, 0, 0),       O11Rgb(141, 141, 141),
     O11Rgb(190, 218, 251), O11Rgb(251, 230, 148), O11Rgb(196, 218, 250), O11Rgb(0, 45, 150)},
    {O11Rgb(244, 247, 222), O11Rgb(183, 198, 145), O11Rgb(217, 217, 167), O11Rgb(242, 240, 228),
     O11Rgb(96, 119, 107),  O11Rgb(176, 194, 140), O11Rgb(255, 193, 118), O11Rgb(255, 248, 211),
     O11Rgb(255, 221, 152), O11Rgb(254, 149, 82),  O11Rgb(96, 128, 88),   O11Rgb(181, 196, 143),
     O11Rgb(81, 94, 51),    O11Rgb(255, 255, 255), O11Rgb(96, 128, 88),   O11Rgb(244, 247, 222),
     O11Rgb(116, 134, 94),  O11Rgb(225, 222, 173), O11Rgb(117, 141, 94),  O11Rgb(244, 244, 238),
     O11Rgb(255, 238, 194), O11Rgb(63, 93, 56),    O11Rgb(255, 244, 204), O11Rgb(255, 208, 145),
     O11Rgb(255, 211, 142), O11Rgb(254, 145, 78),  O11Rgb(216, 227, 182), O11Rgb(255, 192, 111),
     O11Rgb(254, 128, 62),  O11Rgb(197, 212, 159), O11Rgb(0, 0, 0),       O11Rgb(141, 141, 141),
     O11Rgb(175, 186, 145), O11Rgb(251, 230, 148), O11Rgb(242, 241, 228), O11Rgb(96, 128, 88)},
    {O11Rgb(243, 244, 250), O11Rgb(153, 151, 181), O11Rgb(215, 215, 229), O11Rgb(243, 243, 247),
     O11Rgb(118, 116, 146), O11Rgb(179, 178, 200), O11Rgb(255, 193, 118), O11Rgb(255, 248, 211),
     O11Rgb(255, 221, 152), O11Rgb(254, 149, 82),  O11Rgb(124, 124, 148), O11Rgb(147, 145, 176),
     O11Rgb(84, 84, 117),   O11Rgb(255, 255, 255), O11Rgb(110, 109, 143), O11Rgb(255, 255, 255),
     O11Rgb(122, 121, 153), O11Rgb(219, 218, 228), O11Rgb(124, 124, 148), O11Rgb(253, 250, 255),
     O11Rgb(255, 238, 194), O11Rgb(75, 75, 111),   O11Rgb(255, 244, 204), O11Rgb(255, 208, 145),
     O11Rgb(255, 211, 142), O11Rgb(254, 145, 78),  O11Rgb(214, 211, 231), O11Rgb(255, 192, 111),
     O11Rgb(254, 128, 62),  O11Rgb(192, 192, 211), O11Rgb(0, 0, 0),       O11Rgb(141, 141, 141),
     O11Rgb(229, 229, 235), O11Rgb(251, 230, 148), O11Rgb(243, 243, 247), O11Rgb(124, 124, 148)},
};
const int32_t Office11SchemePercents[3] = {41, 125, 40};

int32_t Office11Scheme = 0;
bool Office11Themed = false;
int32_t Office11UseCount = 0;
std::unique_ptr<vcl::TBitmap> Office11Bitmaps[3];

TColor O11Sys(int index) { return TColor(win::GetSysColor(index) & 0xFFFFFF); }

std::string O11UpperAscii(const char16_t* text) {
    std::string s;
    for (; *text; ++text) {
        char16_t c = *text;
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - u'a' + u'A');
        s += c < 128 ? char(c) : '?';
    }
    return s;
}

int32_t DetectOffice11Scheme() {
    if (!AreThemesAvailable(0))
        return 0;
    std::u16string file(1024, u'\0'), color(1024, u'\0'), size(1024, u'\0');
    if (win::FAILED(lookandfeel::GetCurrentThemeName(file.data(), 1024, color.data(), 1024, size.data(), 1024)))
        return 0;
    std::string path = O11UpperAscii(file.c_str());
    size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos)
        path = path.substr(slash + 1);
    if (path != "LUNA.MSSTYLES")
        return 0;
    std::string name = O11UpperAscii(color.c_str());
    if (name == "NORMALCOLOR")
        return 1;
    if (name == "HOMESTEAD")
        return 2;
    if (name == "METALLIC")
        return 3;
    return 0;
}

void ComputeDerivedOffice11Colors() {
    TColor text = O11Sys(win::COLOR_BTNTEXT), window = O11Sys(win::COLOR_WINDOW);
    for (int s = 0; s < 3; ++s) {
        MarkEdge[s] = Office11Themed ? MixColors(MarkFrom[s], BarLight, 90) : MixColors(MarkTo[s], window, 50);
        MarkShadow[s] = MixColors(MarkTo[s], BarShadow, 50);
    }
    ChevronDark = Office11Themed ? O11Black : text;
    ChevronLight = Office11Themed ? O11White : window;
    FloatingCaption = BarLight;
    FloatingCaptionColor = FloatingBorder;
    CaptionTextColor = Office11Themed ? O11White : O11Sys(win::COLOR_BTNHIGHLIGHT);
    CaptionButtonHotColor = Office11Themed ? O11Black : text;
    CaptionButtonPressedColor = Office11Themed ? O11Black : text;
    ItemFaceFrom = BarLight;
    ItemFaceTo = BarDark;
    MenuColumnFrom = BarLight;
    MenuColumnTo = BarDark;
    MenuColumnRareFrom = MixColors(MenuColumnFrom, O11Black, 92);
    MenuColumnRareTo = MixColors(MenuColumnTo, O11Black, 92);
    DropDownColor = DockLight;
    CaptionTextAltColor = CaptionTextColor;
    LookAndFeelFrameColor = MenuBorder;
}

void ComputeOffice11Colors() {
    Office11Scheme = DetectOffice11Scheme();
    Office11Themed = AreThemesAvailable(0) && Office11Scheme != 0;
    if (Office11Themed) {
        for (int i = 0; i < Office11ColorCount; ++i)
            *Office11Colors[i] = Office11SchemeColors[Office11Scheme - 1][i];
        Office11GradientPercent = Office11SchemePercents[Office11Scheme - 1];
    } else {
        TColor face = O11Sys(win::COLOR_BTNFACE), window = O11Sys(win::COLOR_WINDOW);
        TColor shadow = O11Sys(win::COLOR_BTNSHADOW);
        BarLight = MixColors(face, window, 22);
        BarDark = MixColors(face, window, 96);
        DockLight = face;
        DockDark = MixColors(face, window, 20);
        MarkTo[omsNormal] = shadow;
        MarkFrom[omsNormal] = MixColors(shadow, window, 74);
        MarkTo[omsHot] = NearestScreenColor(GetBlendedSystemColor(-15, 29, 86));
        MarkFrom[omsHot] = MarkTo[omsHot];
        MarkTo[omsPressed] = NearestScreenColor(GetBlendedSystemColor(42, 11, 47));
        MarkFrom[omsPressed] = MarkTo[omsPressed];
        BarBorder = MixColors(face, window, 85);
        BarShadow = face;
        GripDark = MixColors(shadow, window, 76);
        GripLight = window;
        SeparatorDark = MixColors(shadow, window, 70);
        SeparatorLight = O11White;
        FloatingBorder = shadow;
        FloatingInnerBorder = BarDark;
        MenuBorder = shadow;
        MenuBackground = window;
        SelectedFace = NearestScreenColor(GetBlendedSystemColor(-2, 30, 72));
        HighlightFrame = O11Sys(win::COLOR_HIGHLIGHT);
        HotFaceFrom = SelectedFace;
        HotFaceTo = SelectedFace;
        // The pressed gradient takes DownFace (#28), which the table lists after it: it is computed first,
        // so that the pressed faces never show the previous scheme's colour.
        DownFace = NearestScreenColor(GetBlendedSystemColor(14, 44, 40));
        PressedFaceFrom = DownFace;
        PressedFaceTo = DownFace;
        CheckedFace = BarDark;
        PressedFace = GetBlendedSystemColor(41, 11, 48);
        DetachBarFace = CheckedFace;
        Office11TextColor = O11Sys(win::COLOR_BTNTEXT);
        Office11DisabledTextColor = O11Sys(win::COLOR_GRAYTEXT);
        PainterFaceColor = face;
        PainterSelectionColor = PressedFace;
        PainterBackgroundColor = DockLight;
        PainterFrameColor = MenuBorder;
        Office11GradientPercent = 75;
    }
    ComputeDerivedOffice11Colors();
}

win::HBRUSH* const Office11BrushSlots[] = {
    &GripDarkBrush,   &GripLightBrush,   &SeparatorDarkBrush, &SeparatorLightBrush, &MenuBorderBrush,
    &MenuBackgroundBrush, &HighlightFrameBrush, &CheckedFaceBrush, &PressedFaceBrush, &DownFaceBrush,
    &DetachBarBrush,  &SelectedFaceBrush, &MarkShadowBrush,
};

void BuildOffice11Brushes() {
    const TColor colors[] = {GripDark,    GripLight,   SeparatorDark, SeparatorLight, MenuBorder,
                             MenuBackground, HighlightFrame, CheckedFace, PressedFace, DownFace,
                             DetachBarFace, SelectedFace, MarkShadow[omsNormal]};
    for (size_t i = 0; i < std::size(Office11BrushSlots); ++i)
        *Office11BrushSlots[i] = win::CreateSolidBrush(win::COLORREF(colors[i]));
    const char* names[3] = {"XBSUBMENUEXPAND", "XBEXPANDBUTTON_MINUS", "XBEXPANDBUTTON_PLUS"};
    for (int i = 0; i < 3; ++i) {
        Office11Bitmaps[i] = std::make_unique<vcl::TBitmap>();
        Office11Bitmaps[i]->LoadFromResourceName(names[i]);
    }
    RecolorOffice11Glyph(Office11Bitmaps[0].get(), BarLight, BarDark);
    // The painters draw them through their handles: made now, with the brushes.
    for (auto& bitmap : Office11Bitmaps)
        bitmap->GetHandle();
    SubMenuExpandBitmap = Office11Bitmaps[0].get();
    ExpandButtonMinusBitmap = Office11Bitmaps[1].get();
    ExpandButtonPlusBitmap = Office11Bitmaps[2].get();
}

void ReleaseOffice11Brushes() {
    SubMenuExpandBitmap = ExpandButtonMinusBitmap = ExpandButtonPlusBitmap = nullptr;
    for (auto& bitmap : Office11Bitmaps)
        bitmap.reset();
    for (win::HBRUSH* slot : Office11BrushSlots)
        if (*slot) {
            win::DeleteObject(*slot);
            *slot = nullptr;
        }
}

void O11FillSolid(win::HDC dc, const win::TRect& rect, TColor color) {
    win::HBRUSH brush = win::CreateSolidBrush(win::COLORREF(vcl::ColorToRGB(color)));
    win::FillRect(dc, &rect, brush);
    win::DeleteObject(brush);
}

win::TRect O11Band(const win::TRect& rect, bool horizontal, int32_t from, int32_t to) {
    return horizontal ? win::TRect{from, rect.Top, to, rect.Bottom} : win::TRect{rect.Left, from, rect.Right, to};
}

// The colour of band j of n between two resolved colours. One band takes the first colour.
TColor O11GradientBand(int32_t j, int32_t n, TColor from, TColor to) {
    if (n <= 1)
        return from;
    auto channel = [&](int f, int t) { return f + win::MulDiv(j, t - f, n - 1); };
    return O11Rgb(channel(O11Red(from), O11Red(to)), channel(O11Green(from), O11Green(to)),
                  channel(O11Blue(from), O11Blue(to)));
}

} // namespace

TColor Office11Color(int index) {
    return index >= 0 && index < Office11ColorCount ? *Office11Colors[index] : 0;
}

TColor NearestScreenColor(TColor c) {
    win::HDC dc = win::GetDC(nullptr);
    TColor result = TColor(win::GetNearestColor(dc, win::COLORREF(vcl::ColorToRGB(c))));
    win::ReleaseDC(nullptr, dc);
    return result;
}

TColor MixColors(TColor a, TColor b, int32_t p) {
    a = vcl::ColorToRGB(a);
    b = vcl::ColorToRGB(b);
    auto channel = [p](int ca, int cb) {
        return std::clamp(win::MulDiv(cb, 100 - p, 100) + win::MulDiv(ca, p, 100), 0, 255);
    };
    return NearestScreenColor(O11Rgb(channel(O11Red(a), O11Red(b)), channel(O11Green(a), O11Green(b)),
                                     channel(O11Blue(a), O11Blue(b))));
}

TColor GetBlendedSystemColor(int32_t f, int32_t h, int32_t w) {
    TColor face = O11Sys(win::COLOR_BTNFACE), highlight = O11Sys(win::COLOR_HIGHLIGHT);
    TColor window = O11Sys(win::COLOR_WINDOW);
    if (face == O11Black || face == O11White)
        return highlight;
    auto channel = [&](int cf, int ch, int cw) {
        return std::clamp(win::MulDiv(cf, f, 100) + win::MulDiv(ch, h, 100) + win::MulDiv(cw, w, 100), 0, 255);
    };
    return O11Rgb(channel(O11Red(face), O11Red(highlight), O11Red(window)),
                  channel(O11Green(face), O11Green(highlight), O11Green(window)),
                  channel(O11Blue(face), O11Blue(highlight), O11Blue(window)));
}

void AcquireOffice11Colors() {
    if (Office11UseCount == 0) {
        ComputeOffice11Colors();
        BuildOffice11Brushes();
    }
    ++Office11UseCount;
}

void UpdateOffice11Colors() {
    ComputeOffice11Colors();
    if (Office11UseCount > 0) {
        ReleaseOffice11Brushes();
        BuildOffice11Brushes();
    }
}

void FreeOffice11Colors() {
    if (Office11UseCount <= 0)
        return;
    if (--Office11UseCount == 0)
        ReleaseOffice11Brushes();
}

int32_t Office11ColorsUseCount() { return Office11UseCount; }
int32_t GetOffice11Scheme() { return Office11Scheme; }
bool IsOffice11ThemedScheme() { return Office11Themed; }

bool IsButtonFaceBlack() { return O11Sys(win::COLOR_BTNFACE) == O11Black; }
bool IsButtonFaceWhite() { return O11Sys(win::COLOR_BTNFACE) == O11White; }
bool IsBlackFaceWithNonWhiteText() { return IsButtonFaceBlack() && O11Sys(win::COLOR_BTNTEXT) != O11White; }

void RecolorOffice11Glyph(vcl::TBitmap* bitmap, TColor from, TColor to) {
    if (!bitmap || bitmap->GetEmpty())
        return;
    from = vcl::ColorToRGB(from);
    to = vcl::ColorToRGB(to);
    if (from == to)
        to = from == O11Black ? O11White : O11Black;
    bitmap->SetPixelFormat(vcl::pf24bit);
    const int32_t w = bitmap->GetWidth(), h = bitmap->GetHeight();
    auto pixel = [&](int32_t x, int32_t y) {
        const uint8_t* p = static_cast<const uint8_t*>(bitmap->ScanLine(y)) + 3 * x;
        return O11Rgb(p[2], p[1], p[0]);
    };
    const TColor background = pixel(0, 0);
    auto recoloured = [&](TColor c) { return c != background && c != O11Black; };
    int smallest = 255, largest = 1;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if ((x || y) && recoloured(pixel(x, y))) {
                smallest = std::min(smallest, O11Red(pixel(x, y)));
                largest = std::max(largest, O11Red(pixel(x, y)));
            }
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = row + 3 * x;
            TColor c = O11Rgb(p[2], p[1], p[0]);
            if ((!x && !y) || !recoloured(c))
                continue;
            // A glyph of one shade (largest = smallest) takes the light colour throughout.
            int32_t percent = largest > smallest ? win::MulDiv(O11Red(c) - smallest, 100, largest - smallest) : 100;
            TColor mixed = MixColors(from, to, percent);
            p[0] = uint8_t(O11Blue(mixed));
            p[1] = uint8_t(O11Green(mixed));
            p[2] = uint8_t(O11Red(mixed));
        }
    }
}

void FillRectColor(win::HDC dc, const win::TRect& rect, TColor color) { O11FillSolid(dc, rect, color); }

void FrameRectColor(win::HDC dc, const win::TRect& rect, TColor color) {
    win::HBRUSH brush = win::CreateSolidBrush(win::COLORREF(vcl::ColorToRGB(color)));
    win::FrameRect(dc, &rect, brush);
    win::DeleteObject(brush);
}

void FillGradientRect(win::HDC dc, const win::TRect& rect, TColor from, bool horizontal, TColor to) {
    const int32_t start = horizontal ? rect.Left : rect.Top;
    const int32_t length = horizontal ? rect.Right - rect.Left : rect.Bottom - rect.Top;
    if (length <= 0)
        return;
    from = vcl::ColorToRGB(from);
    to = vcl::ColorToRGB(to);
    if (from == to) {
        O11FillSolid(dc, rect, from);
        return;
    }
    const int32_t n = std::min(length, 256);
    int32_t begin = start;
    for (int32_t j = 0; j < n; ++j) {
        const int32_t end = start + win::MulDiv(j + 1, length, n);
        if (end > begin) {
            O11FillSolid(dc, O11Band(rect, horizontal, begin, end), O11GradientBand(j, n, from, to));
            begin = end;
        }
        if (end >= start + length)
            break;
    }
}

TColor InterpolateGradientColor(const win::TRect& rect, int32_t coordinate, TColor from, bool horizontal,
                                TColor to) {
    const int32_t start = horizontal ? rect.Left : rect.Top;
    const int32_t length = horizontal ? rect.Right - rect.Left : rect.Bottom - rect.Top;
    from = vcl::ColorToRGB(from);
    to = vcl::ColorToRGB(to);
    if (length <= 0)
        return from;
    const int32_t n = std::min(length, 256);
    const int32_t j = std::max(win::MulDiv(coordinate - start + 1, n, length) - 1, 0);
    return O11GradientBand(j, n, from, to);
}

TColor TwoStageGradientColor(int32_t i, int32_t length, TColor from, TColor to, int32_t percent) {
    from = vcl::ColorToRGB(from);
    to = vcl::ColorToRGB(to);
    const int32_t half = length / 2;
    auto channel = [&](int f, int t) {
        const int m = f - win::MulDiv(f - t, percent, 200);
        int v;
        if (i < half)
            v = f + win::MulDiv(i, (f - win::MulDiv(f - m, length, half)) - f, length - 1);
        else if (i == half)
            v = m;
        else {
            const int tt = t + win::MulDiv(m - t, length, half);
            v = tt + win::MulDiv(i, t - tt, length - 1);
        }
        return v & 0xFF;
    };
    return O11Rgb(channel(O11Red(from), O11Red(to)), channel(O11Green(from), O11Green(to)),
                  channel(O11Blue(from), O11Blue(to)));
}

void FillTwoStageGradientRect(win::HDC dc, const win::TRect& rect, TColor from, bool horizontal, TColor to) {
    const int32_t start = horizontal ? rect.Left : rect.Top;
    const int32_t length = horizontal ? rect.Right - rect.Left : rect.Bottom - rect.Top;
    if (length <= 0 || rect.Right <= rect.Left || rect.Bottom <= rect.Top)
        return;
    if (vcl::ColorToRGB(from) == vcl::ColorToRGB(to)) {
        O11FillSolid(dc, rect, from);
        return;
    }
    for (int32_t i = 0; i < length; ++i)
        O11FillSolid(dc, O11Band(rect, horizontal, start + i, start + i + 1),
                     TwoStageGradientColor(i, length, from, to, Office11GradientPercent));
}

void FrameOffice11Highlight(win::HDC dc, const win::TRect& rect) {
    if (IsButtonFaceBlack())
        FrameRectColor(dc, rect, O11Sys(win::COLOR_HIGHLIGHTTEXT));
    else if (HighlightFrameBrush)
        win::FrameRect(dc, &rect, HighlightFrameBrush);
    else
        FrameRectColor(dc, rect, HighlightFrame);
}

void DrawOffice11GripDots(win::HDC dc, const win::TRect& rect, bool vertical) {
    const int32_t length = vertical ? rect.Bottom - rect.Top : rect.Right - rect.Left;
    int32_t shift = length % 4;
    if (shift >= 2)
        shift /= 2;
    win::TRect cell{rect.Left, rect.Top, rect.Left + 4, rect.Top + 4};
    if (vertical)
        cell = win::Offset(cell, 0, shift);
    else
        cell = win::Offset(cell, shift, 0);
    win::HBRUSH light = GripLightBrush ? GripLightBrush : win::CreateSolidBrush(win::COLORREF(GripLight));
    win::HBRUSH dark = GripDarkBrush ? GripDarkBrush : win::CreateSolidBrush(win::COLORREF(GripDark));
    bool first = true;
    while (first || (vertical ? cell.Bottom <= rect.Bottom : cell.Right <= rect.Right)) {
        first = false;
        win::TRect dot{cell.Left + 1, cell.Top + 1, cell.Right - 1, cell.Bottom - 1};
        win::FillRect(dc, &dot, light);
        dot = win::Offset(dot, -1, -1);
        win::FillRect(dc, &dot, dark);
        cell = vertical ? win::Offset(cell, 0, 4) : win::Offset(cell, 4, 0);
    }
    if (light != GripLightBrush)
        win::DeleteObject(light);
    if (dark != GripDarkBrush)
        win::DeleteObject(dark);
}

void DrawOffice11DropDownArrow(win::HDC dc, const win::TRect& rect, bool down, bool enabled, bool highlighted) {
    const int32_t s = down ? rect.Right - rect.Left - 8 : rect.Bottom - rect.Top - 6;
    int32_t size = (s - 1) / 2 + ((s & 1) ? 1 : 0);
    size = std::max(size, 3);
    DrawOffice11Arrow(dc, rect, down, enabled, highlighted, size);
}

void DrawOffice11Arrow(win::HDC dc, const win::TRect& rect, bool down, bool enabled, bool highlighted,
                       int32_t size) {
    TColor color = !enabled                                  ? Office11DisabledTextColor
                   : highlighted && IsButtonFaceWhite()      ? O11White
                                                             : Office11TextColor;
    const int32_t s = size;
    win::POINT points[3];
    if (down) {
        const int32_t x = (rect.Left + rect.Right - 2 * s + 1) / 2, y = (rect.Top + rect.Bottom - s) / 2;
        points[0] = {x, y};
        points[1] = {x + 2 * s - 2, y};
        points[2] = {x + s - 1, y + s - 1};
    } else {
        const int32_t x = (rect.Left + rect.Right - s) / 2, y = (rect.Top + rect.Bottom - 2 * s + 1) / 2;
        points[0] = {x, y};
        points[1] = {x, y + 2 * s - 2};
        points[2] = {x + s - 1, y + s - 1};
    }
    win::HPEN pen = win::CreatePen(win::PS_SOLID, 1, win::COLORREF(vcl::ColorToRGB(color)));
    win::HBRUSH brush = win::CreateSolidBrush(win::COLORREF(vcl::ColorToRGB(color)));
    win::HGDIOBJ oldPen = win::SelectObject(dc, pen);
    win::HGDIOBJ oldBrush = win::SelectObject(dc, brush);
    win::Polygon(dc, points, 3);
    win::SelectObject(dc, oldPen);
    win::SelectObject(dc, oldBrush);
    win::DeleteObject(pen);
    win::DeleteObject(brush);
}

void InitOffice11Module() {}

void DoneOffice11Module() {
    // Users free the set before the module goes; whatever is left is released here.
    if (Office11UseCount > 0) {
        Office11UseCount = 0;
        ReleaseOffice11Brushes();
    }
}

} // namespace lookandfeel

#include "controls/FcGraphics.h"

#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/gdi/Fonts.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace controls {

namespace {

uint8_t GraphicsChannelByte(double channel) {
    channel = std::clamp(channel, 0.0, 1.0);
    return uint8_t(vcl::Round(channel * 255));
}

TColor GraphicsRgb(uint8_t r, uint8_t g, uint8_t b) { return TColor(r | (g << 8) | (b << 16)); }

} // namespace

THSL240 ColorToHSL240(TColor color) {
    int32_t rgb = vcl::ColorToRGB(color);
    double r = (rgb & 0xFF) / 255.0;
    double g = ((rgb >> 8) & 0xFF) / 255.0;
    double b = ((rgb >> 16) & 0xFF) / 255.0;
    double mx = std::max({r, g, b});
    double mn = std::min({r, g, b});
    double l = (mx + mn) / 2;
    double h = 0, s = 0;
    if (mx != mn) {
        double d = mx - mn;
        s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        if (r == mx)
            h = (g - b) / d;
        else if (g == mx)
            h = (b - r) / d + 2;
        else
            h = (r - g) / d + 4;
        h /= 6;
        if (h < 0)
            h += 1;
    }
    // Each value stays within 0-240 for any colour, so the bytes cannot overflow.
    return {uint8_t(vcl::Round(h * 240)), uint8_t(vcl::Round(s * 240)), uint8_t(vcl::Round(l * 240))};
}

uint8_t HueOfColor(TColor color) { return ColorToHSL240(color).H; }

TColor HSL240ToColor(uint8_t hue, uint8_t saturation, uint8_t luminance) {
    double l = luminance / 240.0;
    double s = saturation / 240.0;
    double h = hue / 239.0; // 239 makes a full turn
    double v = l >= 0.5 ? l + s - l * s : l * (1 + s);
    if (v <= 0)
        return 0;
    double m = 2 * l - v;
    int sextant = int(h * 6); // toward zero
    double f = h * 6 - sextant;
    double vsf = v * ((v - m) / v) * f;
    double mid1 = m + vsf;
    double mid2 = v - vsf;
    double r, g, b;
    switch (sextant) {
    case 1:
        r = mid2, g = v, b = m;
        break;
    case 2:
        r = m, g = v, b = mid1;
        break;
    case 3:
        r = m, g = mid2, b = v;
        break;
    case 4:
        r = mid1, g = m, b = v;
        break;
    case 5:
        r = v, g = m, b = mid2;
        break;
    default: // 0, and 6 for the full turn
        r = v, g = mid1, b = m;
        break;
    }
    return GraphicsRgb(GraphicsChannelByte(r), GraphicsChannelByte(g), GraphicsChannelByte(b));
}

TColor DarkerColor(TColor color, uint8_t n) {
    THSL240 hsl = ColorToHSL240(color);
    return HSL240ToColor(hsl.H, hsl.S, uint8_t(std::max(0, hsl.L - n)));
}

TColor LighterColor(TColor color, uint8_t n) {
    THSL240 hsl = ColorToHSL240(color);
    return HSL240ToColor(hsl.H, hsl.S, uint8_t(std::min(255, hsl.L + n)));
}

TColor ShadeColor(TColor color, int32_t n) {
    n = std::clamp(n, -255, 255);
    if (n > 0)
        return LighterColor(color, uint8_t(n));
    if (n < 0)
        return DarkerColor(color, uint8_t(-n));
    return color;
}

TColor BlendColors(TColor color1, TColor color2, uint8_t weight) {
    int32_t c1 = vcl::ColorToRGB(color1);
    int32_t c2 = vcl::ColorToRGB(color2);
    double w = float(weight / 255.0); // single precision, as the weight always was
    uint8_t out[3];
    for (int i = 0; i < 3; ++i) {
        int a = (c1 >> (8 * i)) & 0xFF;
        int b = (c2 >> (8 * i)) & 0xFF;
        out[i] = uint8_t(std::clamp<int64_t>(vcl::Round(a * w + (1 - w) * b), 0, 255));
    }
    return GraphicsRgb(out[0], out[1], out[2]);
}

bool ColorsAreClose(TColor color1, TColor color2) {
    THSL240 a = ColorToHSL240(color1);
    THSL240 b = ColorToHSL240(color2);
    return std::abs(a.H - b.H) < 20 && std::abs(a.L - b.L) < 60;
}

bool DisplayHasFullColor() {
    win::HDC dc = win::GetDC(nullptr);
    int colors = win::GetDeviceCaps(dc, win::NUMCOLORS);
    win::ReleaseDC(nullptr, dc);
    return colors == -1;
}

win::HFONT CreateRotatedFont(vcl::TFont* font, int32_t angle) {
    win::LOGFONT lf;
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = font->GetHeight();
    lf.lfWidth = 0;
    lf.lfEscapement = angle * 10;
    lf.lfOrientation = 0;
    vcl::TFontStyles style = font->GetStyle();
    lf.lfWeight = style.Contains(vcl::fsBold) ? 700 : 400;
    lf.lfItalic = style.Contains(vcl::fsItalic);
    lf.lfUnderline = style.Contains(vcl::fsUnderline);
    lf.lfStrikeOut = style.Contains(vcl::fsStrikeOut);
    lf.lfCharSet = vcl::DEFAULT_CHARSET;
    switch (font->GetPitch()) {
    case vcl::fpVariable:
        lf.lfPitchAndFamily = 2;
        break;
    case vcl::fpFixed:
        lf.lfPitchAndFamily = 1;
        break;
    default:
        lf.lfPitchAndFamily = 0;
        break;
    }
    std::string name = font->GetName();
    std::strncpy(lf.lfFaceName, name.c_str(), win::LF_FACESIZE - 1);
    return win::CreateFontIndirect(&lf);
}

namespace {

win::TEXTMETRIC GraphicsMetrics(vcl::TFont* font) {
    win::TEXTMETRIC metrics{};
    win::HDC dc = win::GetDC(nullptr);
    win::HGDIOBJ old = win::SelectObject(dc, win::ToGdiObj(font->GetHandle()));
    win::GetTextMetrics(dc, &metrics);
    win::SelectObject(dc, old);
    win::ReleaseDC(nullptr, dc);
    return metrics;
}

} // namespace

bool IsTrueTypeFont(vcl::TFont* font) { return (GraphicsMetrics(font).tmPitchAndFamily & win::TMPF_TRUETYPE) != 0; }

int32_t FontLineHeight(vcl::TFont* font) { return GraphicsMetrics(font).tmHeight + 2; }

bool IsWindowsVersion(uint8_t kind) {
    int32_t platform = vcl::Win32Platform();
    int32_t major = vcl::Win32MajorVersion();
    int32_t minor = vcl::Win32MinorVersion();
    switch (kind) {
    case wvWin95:
        return platform == 1 && major <= 4 && minor == 0;
    case wvWinNT:
        return platform == 2 && major <= 4;
    case wvWin98:
        return platform == 1 && major <= 4 && minor == 10;
    case wvWinMe:
        return platform == 1 && major <= 4 && minor == 90;
    case wvWin2000:
        return platform == 2 && major == 5 && minor == 0;
    case wvWinXP:
        return platform == 2 && major == 5 && minor == 1;
    case wvWin2003:
        return platform == 2 && major == 5 && minor == 2;
    default:
        return false;
    }
}

void NotifyDesignerModified(vcl::TControl* control) {
    if (!control)
        return;
    vcl::TComponentState state = control->GetComponentState();
    if (!state.Contains(vcl::csDesigning))
        return;
    for (vcl::TComponentStateItem busy :
         {vcl::csLoading, vcl::csReading, vcl::csWriting, vcl::csDestroying, vcl::csUpdating})
        if (state.Contains(busy))
            return;
    vcl::TCustomForm* form = vcl::GetParentForm(control);
    if (form && form->GetDesigner())
        form->GetDesigner()->Modified();
}

} // namespace controls

// The built-in engine: every themed part the program uses, drawn by one recipe in the colours of a scheme.
#include "platform/win/theme/BuiltinTheme.h"

#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/theme/UxTheme.h"

#include <algorithm>
#include <cctype>

namespace win {

namespace {

std::string BuiltinUpper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

// Fills with the DC's background colour: no brush is made for each of a gradient's rows.
void BuiltinFill(HDC dc, const TRect& r, COLORREF c) {
    COLORREF old = SetBkColor(dc, c);
    ExtTextOut(dc, 0, 0, ETO_OPAQUE, &r, "", 0, nullptr);
    SetBkColor(dc, old);
}

bool BuiltinIntersect(TRect* out, const TRect& a, const TRect& b) {
    *out = Intersect(a, b);
    return !out->IsEmpty();
}

// Rectangles beyond the coordinate space of the GDI (27 bits) are refused: their arithmetic could overflow.
bool BuiltinSaneRect(const TRect& r) {
    constexpr int32_t limit = 1 << 27;
    return r.Left > -limit && r.Top > -limit && r.Right < limit && r.Bottom < limit;
}

class BuiltinThemeEngine final : public IThemeEngine {
public:
    explicit BuiltinThemeEngine(ThemeScheme scheme) : FScheme(scheme), FColors(BuiltinSchemeColors(scheme)) {}

    int FindClass(const std::string& name) override {
        std::string key = BuiltinUpper(name);
        for (int i = 0; i < bcCount; ++i)
            if (BuiltinUpper(BuiltinClassName(i)) == key)
                return i;
        return -1;
    }

    std::string ClassName(int cls) override { return BuiltinClassName(cls); }

    HRESULT ThemeName(std::string* file, std::string* color, std::string* size) override {
        *file = "Luna.msstyles";
        *color = FScheme == tsOlive ? "HomeStead" : FScheme == tsSilver ? "Metallic" : "NormalColor";
        *size = "NormalSize";
        return S_OK;
    }

    bool IsPartDefined(int cls, int part, int state) override {
        BuiltinPart p;
        BuiltinState s;
        return BuiltinFindState(cls, part, state, &p, &s);
    }

    HRESULT DrawBackground(int cls, HDC dc, int part, int state, const TRect& rect, const TRect* clip) override {
        BuiltinPart p;
        BuiltinState s;
        if (!BuiltinFindState(cls, part, state, &p, &s) || !BuiltinSaneRect(rect))
            return E_INVALIDARG;
        TRect limit = rect;
        if (clip && !BuiltinIntersect(&limit, rect, *clip))
            return S_OK;
        for (const BuiltinPaint& paint : BuiltinBuildShape(FColors, p, s, rect).Paint) {
            TRect r;
            if (BuiltinIntersect(&r, paint.Rect, limit))
                BuiltinFill(dc, r, paint.Color);
        }
        return S_OK;
    }

    HRESULT DrawText(int cls, HDC dc, int part, int state, const std::string& text, DWORD flags, DWORD,
                     const TRect& rect) override {
        BuiltinPart p;
        BuiltinState s;
        if (!BuiltinFindState(cls, part, state, &p, &s))
            return E_INVALIDARG;
        COLORREF oldColor = SetTextColor(dc, BuiltinTextColor(FColors, s.Visual));
        int oldMode = SetBkMode(dc, TRANSPARENT);
        TRect r = rect;
        win::DrawText(dc, text.c_str(), int(text.size()), &r, flags & ~DT_CALCRECT);
        SetBkMode(dc, oldMode);
        SetTextColor(dc, oldColor);
        return S_OK;
    }

    HRESULT ContentRect(int cls, HDC, int part, int state, const TRect& bounds, TRect* content) override {
        BuiltinPart p;
        BuiltinState s;
        if (!BuiltinFindState(cls, part, state, &p, &s) || !BuiltinSaneRect(bounds))
            return E_INVALIDARG;
        *content = {bounds.Left + p.Margin, bounds.Top + p.Margin, bounds.Right - p.Margin,
                    bounds.Bottom - p.Margin};
        return S_OK;
    }

    HRESULT PartSize(int cls, HDC, int part, int state, const TRect* rect, int kind, TSize* size) override {
        BuiltinPart p;
        BuiltinState s;
        if (!BuiltinFindState(cls, part, state, &p, &s))
            return E_INVALIDARG;
        // Every part fills the rect it is drawn in; a part with a size of its own reports it as its true one.
        bool stretches = p.TrueSize.cx == 0;
        if (kind == TS_MIN)
            *size = p.MinSize;
        else if (kind == TS_DRAW && rect)
            *size = {rect->Width(), rect->Height()};
        else
            *size = stretches ? p.MinSize : p.TrueSize;
        return S_OK;
    }

    HRESULT BackgroundRegion(int cls, HDC, int part, int state, const TRect& rect, HRGN* region) override {
        BuiltinPart p;
        BuiltinState s;
        if (!BuiltinFindState(cls, part, state, &p, &s) || !BuiltinSaneRect(rect))
            return E_INVALIDARG;
        HRGN result = CreateRectRgn(0, 0, 0, 0);
        HRGN piece = CreateRectRgn(0, 0, 0, 0);
        for (const TRect& r : BuiltinBuildShape(FColors, p, s, rect).Cover) {
            SetRectRgn(piece, r.Left, r.Top, r.Right, r.Bottom);
            CombineRgn(result, result, piece, RGN_OR);
        }
        DeleteObject(piece);
        *region = result;
        return S_OK;
    }

    HRESULT DrawEdge(int cls, HDC dc, int part, int state, const TRect& dest, UINT edge, UINT flags,
                     TRect* content) override {
        BuiltinPart p;
        BuiltinState s;
        if (part != 0 && !BuiltinFindState(cls, part, state, &p, &s))
            return E_INVALIDARG;
        if ((part == 0 && state != 0) || !BuiltinSaneRect(dest))
            return E_INVALIDARG;
        TRect r = dest;
        // The outer ring first, then the inner one; raised rings are light at the top and left.
        struct Ring {
            UINT Raised, Sunken;
            COLORREF Light, Dark;
        } rings[] = {{BDR_RAISEDOUTER, BDR_SUNKENOUTER, FColors.SeparatorLight, FColors.MenuBorder},
                     {BDR_RAISEDINNER, BDR_SUNKENINNER, FColors.BarLight, FColors.SeparatorDark}};
        for (const Ring& ring : rings) {
            if (!(edge & (ring.Raised | ring.Sunken)))
                continue;
            bool raised = edge & ring.Raised;
            COLORREF topLeft = raised ? ring.Light : ring.Dark, bottomRight = raised ? ring.Dark : ring.Light;
            if (flags & BF_LEFT)
                BuiltinFill(dc, {r.Left, r.Top, r.Left + 1, r.Bottom}, topLeft);
            if (flags & BF_TOP)
                BuiltinFill(dc, {r.Left, r.Top, r.Right, r.Top + 1}, topLeft);
            if (flags & BF_RIGHT)
                BuiltinFill(dc, {r.Right - 1, r.Top, r.Right, r.Bottom}, bottomRight);
            if (flags & BF_BOTTOM)
                BuiltinFill(dc, {r.Left, r.Bottom - 1, r.Right, r.Bottom}, bottomRight);
            r = {r.Left + ((flags & BF_LEFT) ? 1 : 0), r.Top + ((flags & BF_TOP) ? 1 : 0),
                 r.Right - ((flags & BF_RIGHT) ? 1 : 0), r.Bottom - ((flags & BF_BOTTOM) ? 1 : 0)};
        }
        if ((flags & BF_MIDDLE) && !r.IsEmpty())
            BuiltinFill(dc, r, FColors.MenuBackground);
        if (content)
            *content = r;
        return S_OK;
    }

    bool PartiallyTransparent(int cls, int part, int state) override {
        BuiltinPart p;
        BuiltinState s;
        return BuiltinFindState(cls, part, state, &p, &s) && BuiltinPartiallyTransparent(p.Look);
    }

    HRESULT Color(int cls, int part, int state, int property, COLORREF* color) override {
        BuiltinPart p;
        BuiltinState s;
        if (!BuiltinFindState(cls, part, state, &p, &s)) {
            // Colours are the theme's for every part and state of a class it has.
            p = BuiltinPart{};
            s = BuiltinState{};
        }
        COLORREF from = 0, to = 0;
        BuiltinFaceColors(FColors, p.Look, s.Visual, &from, &to);
        COLORREF face = RGB(uint8_t((GetRValue(from) + GetRValue(to)) / 2),
                            uint8_t((GetGValue(from) + GetGValue(to)) / 2),
                            uint8_t((GetBValue(from) + GetBValue(to)) / 2));
        switch (property) {
        case TMT_BORDERCOLOR: *color = BuiltinBorderColor(FColors, s.Visual); return S_OK;
        case TMT_FILLCOLOR: *color = face; return S_OK;
        case TMT_TEXTCOLOR: *color = BuiltinTextColor(FColors, s.Visual); return S_OK;
        case TMT_COLOR:
            if (cls == bcButton && part == 1) {
                *color = face;
                return S_OK;
            }
            return E_FAIL;
        default: return E_FAIL;
        }
    }

private:
    ThemeScheme FScheme;
    BuiltinColors FColors;
};

} // namespace

std::shared_ptr<IThemeEngine> CreateBuiltinThemeEngine(ThemeScheme scheme) {
    return std::make_shared<BuiltinThemeEngine>(scheme == tsClassic ? tsBlue : scheme);
}

} // namespace win

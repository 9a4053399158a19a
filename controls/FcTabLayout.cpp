// The tab control's geometry: tab sizes, rows, the tab area and cards, the strip-to-window mapping, the
// outlines and regions, hit testing, scrolling and the selection. Computed at the first paint after
// InvalidateTabs (UpdateLayout).
#include "controls/FcTabs.h"

#include "platform/vcl/ImgList.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"

#include <algorithm>
#include <climits>

namespace controls {

namespace {

// Splits a caption into its lines at CR LF (empty lines count).
std::vector<std::string> CaptionLines(const std::string& caption) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t p = caption.find("\r\n", start);
        if (p == std::string::npos) {
            lines.push_back(caption.substr(start));
            return lines;
        }
        lines.push_back(caption.substr(start, p - start));
        start = p + 2;
    }
}

// The line as measured: its first "&" removed unless it is the last character.
std::string MeasuredLine(const std::string& line) {
    const size_t p = line.find('&');
    if (p == std::string::npos || p + 1 == line.size())
        return line;
    return line.substr(0, p) + line.substr(p + 1);
}

win::TSize Extent(win::HDC dc, const std::string& text) {
    win::SIZE s{0, 0};
    if (!win::GetTextExtentPoint32(dc, text.data(), int(text.size()), &s))
        return {0, 0};
    return {s.cx, s.cy};
}

// A memory DC to measure with.
struct MeasureDc {
    MeasureDc() : Dc(win::CreateCompatibleDC(nullptr)) {}
    ~MeasureDc() { win::DeleteDC(Dc); }
    MeasureDc(const MeasureDc&) = delete;
    MeasureDc& operator=(const MeasureDc&) = delete;
    win::HDC Dc;
};

} // namespace

std::vector<std::string> FcTabCaptionLines(const std::string& caption) { return CaptionLines(caption); }

// ---- Fonts ---------------------------------------------------------------------------------------------

int32_t TFcCustomTabControl::FontAngle() const {
    if (FTextOrientation != orVertical)
        return 0;
    return FTabOrientation == toRight ? 270 : 90;
}

void TFcCustomTabControl::SelectTabFont(win::HDC dc, bool bold) {
    vcl::TFont font;
    font.Assign(FTabFont.get());
    if (bold) {
        vcl::TFontStyles st = font.GetStyle();
        st.Include(vcl::fsBold);
        font.SetStyle(st);
    }
    font.SetCharset(vcl::DEFAULT_CHARSET);
    win::HFONT f = CreateRotatedFont(&font, FontAngle());
    FFontStack.push_back(f);
    FFontRestore.push_back(win::SelectObject(dc, win::ToGdiObj(f)));
}

void TFcCustomTabControl::RestoreTabFont(win::HDC dc) {
    if (FFontStack.empty())
        return;
    win::SelectObject(dc, FFontRestore.back());
    win::DeleteObject(win::ToGdiObj(FFontStack.back()));
    FFontStack.pop_back();
    FFontRestore.pop_back();
}

// ---- Measuring -----------------------------------------------------------------------------------------

win::TSize TFcCustomTabControl::CaptionExtent(win::HDC dc, const std::string& caption) const {
    int32_t w = 0, h = 0;
    for (const std::string& line : CaptionLines(caption)) {
        win::TSize s = Extent(dc, MeasuredLine(line));
        if (VerticalText())
            std::swap(s.cx, s.cy);
        if (VerticalText()) {
            w += s.cx;
            h = std::max(h, s.cy);
        } else {
            w = std::max(w, s.cx);
            h += s.cy;
        }
    }
    return {w, h};
}

win::TSize TFcCustomTabControl::MinimumContent(win::HDC dc) {
    const win::TSize a = Extent(dc, FTabStyle == tsRoundCorners ? "AAA" : "A");
    if (VerticalText())
        return {a.cy, a.cx};
    return {a.cx, a.cy};
}

win::TSize TFcCustomTabControl::ContentSize(win::HDC dc, int32_t i) {
    const TFcTabData* tab = FTabs->Items(i);
    if (!tab->Visible)
        return {0, 0};
    int32_t iw = 0, ih = 0;
    if (FImages && tab->ImageIndex != -1) {
        iw = FImages->GetWidth();
        ih = FImages->GetHeight();
    }
    const win::TSize t = CaptionExtent(dc, tab->Caption);
    win::TSize c;
    switch (FImagePosition) {
    case ipLeft:
    case ipRight:
        c = {FImageMargin + iw + t.cx, std::max(ih, t.cy)};
        break;
    case ipTop:
    case ipBottom:
        c = {std::max(iw, t.cx), FImageMargin + ih + t.cy};
        break;
    case ipBack:
        c = {std::max(iw, t.cx), std::max(ih, t.cy)};
        break;
    default:
        c = t;
    }
    const win::TSize m = MinimumContent(dc);
    if (FTabWidth == 0)
        c.cx = std::max(c.cx, m.cx);
    if (FTabHeight == 0)
        c.cy = std::max(c.cy, m.cy);
    return c;
}

win::TSize TFcCustomTabControl::OuterSize(win::TSize c) const {
    const int32_t w = c.cx, h = c.cy, th = FTabHeight, s = FCutCornerSize;
    const bool horz = HorizontalStrip();
    switch (FTabStyle) {
    case tsSingleSlant:
        if (horz)
            return {w + 2 + 2 * ((h + 6) / 2) + th / 2 + 4, h + 6};
        return {w + 6, h + 2 + 2 * ((w + 6) / 2) + th / 2 + 4};
    case tsDoubleSlant:
        if (horz)
            return {w + 2 + 2 * (h + 2) + th + 4, h + 6};
        return {w + 6, h + 2 + 2 * (w + 2) + th + 4};
    case tsCutCorner:
        if (!VerticalText())
            return horz ? win::TSize{w + 8 + 2 * s, h + 7} : win::TSize{w + 7 + s, h + 10};
        return horz ? win::TSize{w + 10, h + 7 + s} : win::TSize{w + 7, h + 8 + 2 * s};
    default:
        return VerticalText() ? win::TSize{w + 6, h + 16} : win::TSize{w + 16, h + 6};
    }
}

// ---- Areas ---------------------------------------------------------------------------------------------

int32_t TFcCustomTabControl::SlantOverlap(int32_t thickness) const {
    if (FTabStyle == tsSingleSlant)
        return thickness / 2;
    if (FTabStyle == tsDoubleSlant)
        return thickness;
    return -1;
}

int32_t TFcCustomTabControl::TabAreaDepth() {
    const int32_t f = FFixedDimension;
    if (FShowCard)
        return (FTabStyle == tsRoundCorners ? 3 : 0) + f + (f - FRowOverlap) * (FRowCount - 1);
    const int32_t d = HorizontalStrip() ? GetHeight() - 1 : GetWidth() - 1;
    const bool farSide = FTabOrientation == toBottom || FTabOrientation == toRight;
    return d - (FTabStyle == tsRoundCorners && farSide ? 1 : 0);
}

TRect TFcCustomTabControl::TabArea() {
    const TRect b{0, 0, GetWidth() - 1, GetHeight() - 1};
    const int32_t d = TabAreaDepth();
    switch (FTabOrientation) {
    case toTop:
        return {0, 0, b.Right - (FShowShadow ? 2 : 0), d};
    case toLeft:
        return {0, 0, d, b.Bottom};
    case toBottom:
        return {0, b.Bottom - d, b.Right, b.Bottom};
    default:
        return {b.Right - d, 0, b.Right, b.Bottom};
    }
}

int32_t TFcCustomTabControl::StripLength() {
    const TRect a = TabArea();
    return HorizontalStrip() ? a.Right - a.Left : a.Bottom - a.Top;
}

int32_t TFcCustomTabControl::ScrollButtonSize() {
    MeasureDc m;
    SelectTabFont(m.Dc, false);
    const win::TSize e = Extent(m.Dc, "A");
    RestoreTabFont(m.Dc);
    const int32_t a = e.cy + (VerticalText() ? 2 : 4);
    const bool fixed =
        HorizontalStrip() ? (!VerticalText() && FTabHeight >= 1) : (VerticalText() && FTabWidth >= 1);
    return fixed ? std::max(a, FFixedDimension - 2) : std::min(a, FFixedDimension - 2);
}

int32_t TFcCustomTabControl::CloseButtonSize() {
    return FShowCloseButton && FTabs->Count() > 0 ? ScrollButtonSize() : 0;
}

TRect TFcCustomTabControl::CardRect(int32_t n) {
    TRect c = HandleAllocated() ? TRect{0, 0, GetClientWidth() - 1, GetClientHeight() - 1}
                                : TRect{0, 0, GetWidth() - 1, GetHeight() - 1};
    if (!FShowCard) {
        switch (FTabOrientation) {
        case toTop:
            return {c.Left - 3, c.Top + TabAreaDepth(), c.Right + 3, c.Bottom + 3};
        case toLeft:
            return {c.Left + TabAreaDepth(), c.Top - 3, c.Right + 3, c.Bottom + 3};
        case toBottom:
            return {c.Left - 3, c.Top - 3, c.Right + 3, c.Bottom - TabAreaDepth()};
        default:
            return {c.Left - 3, c.Top - 3, c.Right - TabAreaDepth(), c.Bottom + 3};
        }
    }
    if (FTabs->Count() == 0)
        return c;
    const int32_t i = FRowIndent, dl = FFixedDimension - FRowOverlap, nn = FRowCount;
    const int32_t dn = TabAreaDepth() - n * dl;
    const int32_t l = c.Left, t = c.Top, r = c.Right, b = c.Bottom;
    const int32_t near = n * i, far = (nn - 1 - n) * i;
    const bool rev = FTabSequence == tsReverse;
    switch (FTabOrientation) {
    case toTop:
        return rev ? TRect{l + far, t + dn, r - near, b - n * dl} : TRect{l + near, t + dn, r - far, b - n * dl};
    case toLeft:
        return rev ? TRect{l + dn, t + near, r - n * dl, b - far} : TRect{l + dn, t + far, r - n * dl, b - near};
    case toBottom:
        return rev ? TRect{l + far, t + n * dl, r - near, b - dn} : TRect{l + near, t + n * dl, r - far, b - dn};
    default:
        return rev ? TRect{l + n * dl, t + far, r - dn, b - near} : TRect{l + n * dl, t + near, r - dn, b - far};
    }
}

TRect TFcCustomTabControl::ChildArea() {
    if (!FShowCard)
        return {-2, -2, -1, -1};
    TRect r = CardRect(0);
    if (!FShowCardFrame) {
        r.Right += 1;
        r.Bottom += 1;
    } else if (FShowFullFrame) {
        r.Left += 1;
        r.Top += 1;
        if (FTabOrientation == toTop && FTabSequence == tsStandard && FShowShadow) {
            r.Right -= 2;
            r.Bottom -= 2;
        }
    } else {
        if (FTabOrientation != toRight)
            r.Top += 1;
        r.Right += 1;
        r.Bottom += 1;
    }
    return r;
}

// ---- Placement -----------------------------------------------------------------------------------------

void TFcCustomTabControl::PlaceRows(const std::vector<int32_t>& lengths, int32_t usable, int32_t rowsAllowed,
                                    int32_t& rowsUsed, bool store) {
    // Lays out the visible tabs in order along rows of length usable (standard sequence, X from Margin).
    // rowsAllowed < 0: no limit. rowsUsed comes back -1 when more rows are needed.
    const int32_t f = FFixedDimension, o = SlantOverlap(f), d = TabAreaDepth();
    const int32_t last = LastVisibleTab();
    int32_t row = 0, x = FMargin;
    bool rowHasTab = false, forceBreak = false;
    const bool single = !FMultiLine;
    auto place = [&](int32_t k, int32_t v) {
        if (!store)
            return;
        TFcTabData* t = FTabs->Items(k);
        const int32_t y = d - f - row * (f - FRowOverlap);
        t->RawRect = {x, y, x + v, y + f};
        t->Row = row;
    };
    for (int32_t k = 0; k < FTabs->Count(); ++k) {
        if (!FTabs->Items(k)->Visible)
            continue;
        const int32_t v = std::max(0, std::min(lengths[size_t(k)], usable - (FTabStyle == tsRoundCorners ? 4 : 0)));
        if (single || (!forceBreak && x + v < usable)) {
            place(k, v);
            x += v - o + 1;
            rowHasTab = true;
            continue;
        }
        const bool roomForRow = rowsAllowed < 0 || row + 1 < rowsAllowed;
        if (!rowHasTab) {
            // An oversize tab on an empty row stays there alone.
            if (!roomForRow && k != last) {
                rowsUsed = -1;
                return;
            }
            place(k, v);
            x += v - o + 1;
            rowHasTab = true;
            forceBreak = true;
            continue;
        }
        if (!roomForRow) {
            rowsUsed = -1;
            return;
        }
        ++row;
        x = FMargin;
        forceBreak = !(x + v < usable);
        place(k, v);
        x += v - o + 1;
        rowHasTab = true;
    }
    rowsUsed = row + 1;
    if (store && FTabSequence == tsReverse) {
        // The mirror image: tabs run leftwards from -Margin; then moved into positive coordinates.
        const int32_t shift = FMultiLine ? GetWidth() : x;
        for (int32_t k = 0; k < FTabs->Count(); ++k) {
            TFcTabData* t = FTabs->Items(k);
            if (!t->Visible)
                continue;
            const TRect r = t->RawRect;
            t->RawRect = {-r.Right + shift, r.Top, -r.Left + shift, r.Bottom};
        }
    }
}

void TFcCustomTabControl::ComputeLayout() {
    const int32_t count = FTabs->Count();
    const bool horz = HorizontalStrip();
    std::vector<win::TSize> content(size_t(count), win::TSize{0, 0});
    std::vector<int32_t> lengths(size_t(count), 0);
    MeasureDc m;
    // F from contents raised to the minimum of the control's own font.
    {
        vcl::TFont* saved = nullptr;
        (void)saved;
        vcl::TFont plain;
        plain.Assign(GetFont());
        win::HFONT f = CreateRotatedFont(&plain, FontAngle());
        win::HGDIOBJ old = win::SelectObject(m.Dc, win::ToGdiObj(f));
        const win::TSize minimum = MinimumContent(m.Dc);
        win::SelectObject(m.Dc, old);
        win::DeleteObject(win::ToGdiObj(f));
        SelectTabFont(m.Dc, FBoldCurrentTab);
        int32_t fixed = 0;
        bool any = false;
        for (int32_t i = 0; i < count; ++i) {
            if (!FTabs->Items(i)->Visible)
                continue;
            content[size_t(i)] = ContentSize(m.Dc, i);
            win::TSize c = content[size_t(i)];
            c.cx = std::max(c.cx, minimum.cx);
            c.cy = std::max(c.cy, minimum.cy);
            win::TSize outer = OuterSize(c);
            if (FTabWidth > 0)
                outer.cx = FTabWidth;
            if (FTabHeight > 0)
                outer.cy = FTabHeight;
            fixed = std::max(fixed, horz ? outer.cy : outer.cx);
            any = true;
        }
        if (!any) {
            win::TSize outer = OuterSize(minimum);
            if (FTabWidth > 0)
                outer.cx = FTabWidth;
            if (FTabHeight > 0)
                outer.cy = FTabHeight;
            fixed = horz ? outer.cy : outer.cx;
        }
        FFixedDimension = fixed;
        RestoreTabFont(m.Dc);
    }
    // Placement sizes: across-strip content raised to the largest of all visible tabs.
    int32_t across = 0;
    for (int32_t i = 0; i < count; ++i)
        if (FTabs->Items(i)->Visible)
            across = std::max(across, horz ? content[size_t(i)].cy : content[size_t(i)].cx);
    for (int32_t i = 0; i < count; ++i) {
        if (!FTabs->Items(i)->Visible)
            continue;
        win::TSize c = content[size_t(i)];
        (horz ? c.cy : c.cx) = across;
        win::TSize outer = OuterSize(c);
        if (FTabWidth > 0)
            outer.cx = FTabWidth;
        if (FTabHeight > 0)
            outer.cy = FTabHeight;
        lengths[size_t(i)] = horz ? outer.cx : outer.cy;
    }

    const int32_t l = StripLength();
    int32_t visible = 0;
    for (int32_t i = 0; i < count; ++i)
        visible += FTabs->Items(i)->Visible ? 1 : 0;
    // The row count: a counting pass that grows the trial count until every tab has a row, at most one row
    // per visible tab.
    FRowCount = 1;
    if (FMultiLine && visible > 0) {
        int32_t trial = 1, usable = std::max(0, l - 2 * FMargin), used = -1;
        for (;;) {
            FRowCount = trial;
            PlaceRows(lengths, usable, trial >= visible ? -1 : trial, used, false);
            if (used >= 0)
                break;
            ++trial;
            usable = std::max(0, usable - FRowIndent);
        }
        FRowCount = std::max(1, used);
    }
    int32_t usable = l - 2 * FMargin;
    if (FMultiLine)
        usable -= (FRowCount - 1) * FRowIndent;
    else {
        if (FShowCloseButton)
            usable -= CloseButtonSize() + 2;
        usable -= 2 * ScrollButtonSize() + 2;
    }
    usable = std::max(0, usable);
    int32_t used = 0;
    PlaceRows(lengths, usable, -1, used, true);

    // AlignTabs: every row of a multi-line control ends at the same place.
    const bool automatic = horz ? FTabWidth == 0 : FTabHeight == 0;
    if (FAlignTabs && FMultiLine && automatic) {
        for (int32_t r = 0; r < FRowCount; ++r) {
            std::vector<int32_t> members;
            for (int32_t i = 0; i < count; ++i)
                if (FTabs->Items(i)->Visible && FTabs->Items(i)->Row == r)
                    members.push_back(i);
            if (members.empty())
                continue;
            int32_t lo = INT_MAX, hi = INT_MIN;
            for (int32_t i : members) {
                lo = std::min(lo, FTabs->Items(i)->RawRect.Left);
                hi = std::max(hi, FTabs->Items(i)->RawRect.Right);
            }
            const int32_t span = hi - lo + (FTabStyle == tsRoundCorners ? 4 : 0);
            const int32_t spare = l - 2 * FMargin - (FRowCount - 1) * FRowIndent - span;
            if (spare < 1)
                continue;
            const int32_t n = int32_t(members.size());
            // Tabs grow in their order along the strip (leftwards in the reverse sequence).
            if (FTabSequence == tsReverse)
                std::reverse(members.begin(), members.end());
            int32_t moved = 0;
            for (int32_t j = 0; j < n; ++j) {
                const int32_t grow = spare / n + (j < spare % n ? 1 : 0);
                TRect& rr = FTabs->Items(members[size_t(j)])->RawRect;
                if (FTabSequence == tsReverse) {
                    rr.Right -= moved;
                    rr.Left -= moved + grow;
                } else {
                    rr.Left += moved;
                    rr.Right += moved + grow;
                }
                moved += grow;
            }
        }
    }
}

// ---- Mapping, outlines, regions ------------------------------------------------------------------------

int32_t TFcCustomTabControl::FirstVisibleTab() const {
    for (int32_t i = 0; i < FTabs->Count(); ++i)
        if (FTabs->Items(i)->Visible)
            return i;
    return -1;
}

int32_t TFcCustomTabControl::LastVisibleTab() const {
    for (int32_t i = FTabs->Count() - 1; i >= 0; --i)
        if (FTabs->Items(i)->Visible)
            return i;
    return -1;
}

int32_t TFcCustomTabControl::ScrollOffset() {
    if (FFirstShownTab < 0 || FFirstShownTab >= FTabs->Count())
        return 0;
    const TRect& r = FTabs->Items(FFirstShownTab)->RawRect;
    const int32_t extra = FMargin + (FTabStyle == tsRoundCorners ? 2 : 0);
    return FTabSequence == tsReverse ? r.Right + extra : r.Left - extra;
}

TPoint TFcCustomTabControl::StripToWindow(TPoint p) {
    const TRect a = TabArea();
    const int32_t o = ScrollOffset(), x = p.X, y = p.Y;
    if (FTabSequence == tsStandard) {
        switch (FTabOrientation) {
        case toTop:
            return {a.Left + x - o, a.Top + y};
        case toLeft:
            return {a.Left + y, a.Bottom + o - x};
        case toBottom:
            return {a.Left + x - o, a.Bottom - y};
        default:
            return {a.Right - y, a.Top + x - o};
        }
    }
    switch (FTabOrientation) {
    case toTop:
        return {a.Right + x - o, a.Top + y};
    case toLeft:
        return {a.Left + y, a.Top + o - x};
    case toBottom:
        return {a.Right + x - o, a.Bottom - y};
    default:
        return {a.Right - y, a.Bottom + x - o};
    }
}

TRect TFcCustomTabControl::StripRectToWindow(const TRect& r) {
    const TPoint p = StripToWindow({r.Left, r.Top}), q = StripToWindow({r.Right, r.Bottom});
    return {std::min(p.X, q.X), std::min(p.Y, q.Y), std::max(p.X, q.X), std::max(p.Y, q.Y)};
}

namespace {
TRect StripTabRect(const TFcTabData* t, int32_t rowIndent, bool reverse, bool roundSelected) {
    TRect r = t->RawRect;
    const int32_t shift = t->Row * rowIndent * (reverse ? -1 : 1);
    r.Left += shift;
    r.Right += shift;
    if (roundSelected) {
        r.Left -= 2;
        r.Right += 2;
        r.Top -= 2;
    }
    return r;
}
} // namespace

TRect TFcCustomTabControl::TabRect(int32_t i) {
    const bool roundSel = FTabStyle == tsRoundCorners && i == FTabIndex;
    return StripRectToWindow(StripTabRect(FTabs->Items(i), FRowIndent, FTabSequence == tsReverse, roundSel));
}

std::vector<TPoint> TFcCustomTabControl::TabOutline(int32_t i) {
    const bool roundSel = FTabStyle == tsRoundCorners && i == FTabIndex;
    const TRect s = StripTabRect(FTabs->Items(i), FRowIndent, FTabSequence == tsReverse, roundSel);
    const int32_t lf = s.Left, t = s.Top, r = s.Right, bs = s.Bottom, c = FCutCornerSize;
    std::vector<TPoint> pts;
    switch (FTabStyle) {
    case tsSingleSlant:
        pts = {{lf, bs}, {lf, t + 2}, {lf + 2, t}, {r - (bs - t), t}, {r, bs}};
        break;
    case tsDoubleSlant:
        pts = {{lf, bs}, {lf + (bs - t), t}, {r - (bs - t), t}, {r, bs}};
        break;
    case tsCutCorner:
        pts = {{lf, bs}, {lf, t}, {r - c, t}, {r, t + c}, {r, bs}};
        break;
    default:
        pts = {{lf, bs}, {lf, t + 2}, {lf + 2, t}, {r - 2, t}, {r, t + 2}, {r, bs}};
    }
    for (TPoint& p : pts)
        p = StripToWindow(p);
    return pts;
}

win::HRGN TFcCustomTabControl::TabRegion(int32_t i) {
    const TRect key = TabRect(i);
    if (win::HRGN found = FRegionCache->Find(key))
        return found;
    const std::vector<TPoint> pts = TabOutline(i);
    std::vector<win::POINT> raw;
    for (const TPoint& p : pts)
        raw.push_back({p.X, p.Y});
    win::HRGN rgn = win::CreatePolygonRgn(raw.data(), int(raw.size()), win::ALTERNATE);
    if (!rgn)
        return nullptr;
    win::RECT box{};
    if (win::GetRgnBox(rgn, &box) == win::NULLREGION) {
        // A degenerate outline (a tab squeezed to nothing) covers no pixel: no region.
        win::DeleteObject(win::ToGdiObj(rgn));
        return nullptr;
    }
    FRegionCache->Add(key, rgn);
    return rgn;
}

// ---- Scrolling -----------------------------------------------------------------------------------------

bool TFcCustomTabControl::ScrollersNeeded() {
    if (FMultiLine)
        return false;
    const int32_t a1 = StripLength() - 2 * FMargin - CloseButtonSize();
    const int32_t k = FTabSequence == tsStandard ? LastVisibleTab() : FirstVisibleTab();
    return k >= 0 && FTabs->Items(k)->RawRect.Right > a1;
}

bool TFcCustomTabControl::TabShown(int32_t i) {
    if (i < 0 || i >= FTabs->Count() || !FTabs->Items(i)->Visible)
        return false;
    if (!FScrollersShown)
        return true;
    const int32_t a2 = StripLength() - 2 * ScrollButtonSize() - 2 * FMargin - CloseButtonSize();
    const int32_t o = ScrollOffset();
    const TRect& r = FTabs->Items(i)->RawRect;
    if (FTabSequence == tsStandard)
        return r.Left >= o && r.Right - o <= a2;
    return o >= r.Right && o - r.Left <= a2;
}

void TFcCustomTabControl::ScrollTabsForward() {
    const int32_t last = LastVisibleTab();
    if (FFirstShownTab >= FTabs->Count() - 1 || last < 0 || TabShown(last))
        return;
    const int32_t old = FFirstShownTab;
    for (int32_t i = old + 1; i < FTabs->Count(); ++i) {
        FFirstShownTab = i;
        if (TabShown(i)) {
            LayoutChanged();
            return;
        }
    }
    FFirstShownTab = old;
}

void TFcCustomTabControl::ScrollTabsBack() {
    const int32_t first = FirstVisibleTab();
    if (FFirstShownTab <= 0 || first < 0 || TabShown(first))
        return;
    const int32_t old = FFirstShownTab;
    for (int32_t i = old - 1; i >= 0; --i) {
        FFirstShownTab = i;
        if (TabShown(i)) {
            LayoutChanged();
            return;
        }
    }
    FFirstShownTab = old;
}

bool TFcCustomTabControl::UpRightScrollsForward() const {
    return FTabSequence == tsStandard ? FTabOrientation != toRight : FTabOrientation == toRight;
}

void TFcCustomTabControl::PlaceButtons() {
    const TRect a = TabArea();
    const int32_t k = CloseButtonSize(), m = FMargin;
    const bool rev = FTabSequence == tsReverse;
    if (FScrollersShown)
        NeedScroller();
    if (FScroller) {
        const int32_t s = ScrollButtonSize();
        const bool vert = !HorizontalStrip();
        const int32_t w = vert ? s : 2 * s - 1, h = vert ? 2 * s - 1 : s;
        FScroller->SetOrientation(vert ? orVertical : orHorizontal);
        if (!FScrollersShown) {
            FScroller->SetBounds(-FScroller->GetWidth(), -FScroller->GetHeight(), FScroller->GetWidth(),
                                 FScroller->GetHeight());
        } else {
            const int32_t c = FShowCloseButton ? k + m + 2 : m;
            int32_t x = 0, y = 0;
            switch (FTabOrientation) {
            case toTop:
                x = rev ? a.Left + c : a.Right - (2 * s - 1) - 1 + (FShowShadow ? 0 : 2) - c;
                y = a.Bottom - s - 2;
                break;
            case toLeft:
                x = a.Right - s - 2;
                y = rev ? a.Bottom - (2 * s - 1) + 1 - c : a.Top + c;
                break;
            case toBottom:
                x = rev ? a.Left + c : a.Right - (2 * s - 1) + 1 - c;
                y = a.Top + 2;
                break;
            default:
                x = a.Left + 2;
                y = rev ? a.Top + c : a.Bottom - (2 * s - 1) + 1 - c;
            }
            FScroller->SetBounds(x, y, w, h);
            FScroller->SetVisible(true);
            FScroller->Invalidate();
        }
    }
    if (FShowCloseButton && !GetComponentState().Contains(vcl::csLoading)) {
        NeedCloseButton();
        int32_t x = 0, y = 0;
        switch (FTabOrientation) {
        case toTop:
            x = rev ? a.Left + m : a.Right - k - m - 1 + (FShowShadow ? 0 : 2);
            y = a.Bottom - k - 2;
            break;
        case toLeft:
            x = a.Right - k - 2;
            y = rev ? a.Bottom - k - m + 1 : a.Top + m;
            break;
        case toBottom:
            x = rev ? a.Left + m : a.Right - k - m + 1;
            y = a.Top + 2;
            break;
        default:
            x = a.Left + 2;
            y = rev ? a.Top + m : a.Bottom - k - m + 1;
        }
        FCloseButton->SetBounds(x, y, k, k);
        FCloseButton->SetVisible(true);
    }
}

// ---- Hit testing and selection -------------------------------------------------------------------------

int32_t TFcCustomTabControl::TabAtPos(int32_t x, int32_t y) {
    const int32_t count = FTabs->Count();
    if (count == 0 || FFirstShownTab < 0)
        return -1;
    auto hit = [&](int32_t i) {
        if (!TabShown(i))
            return false;
        const TRect r = TabRect(i);
        if (x < r.Left || x > r.Right || y < r.Top || y > r.Bottom)
            return false;
        win::HRGN rgn = TabRegion(i);
        return rgn && win::PtInRegion(rgn, x, y);
    };
    if (FTabIndex >= 0 && FTabIndex < count && hit(FTabIndex))
        return FTabIndex;
    for (int32_t n = 0; n < count; ++n) {
        const int32_t i = (FFirstShownTab + n) % count;
        if (i != FTabIndex && hit(i))
            return i;
    }
    return -1;
}

bool TFcCustomTabControl::CanChange(int32_t newIndex) {
    if (FTabs->Count() == 0 || newIndex < 0 || newIndex >= FTabs->Count())
        return false;
    const TFcTabData* t = FTabs->Items(newIndex);
    bool result = t->Visible && (t->Enabled || GetComponentState().Contains(vcl::csDesigning));
    if (result && newIndex != FTabIndex)
        DoChanging(newIndex, result);
    return result;
}

void TFcCustomTabControl::SetTabIndex(int32_t value) {
    if (GetComponentState().Contains(vcl::csLoading)) {
        FTabIndex = value;
        return;
    }
    ApplyTabIndex(value);
}

void TFcCustomTabControl::StoreTabIndex(int32_t value) {
    if (value < 0 || value >= FTabs->Count())
        value = -1;
    if (FTabIndex == value)
        return;
    FTabIndex = value;
    LayoutChanged();
}

void TFcCustomTabControl::ApplyTabIndex(int32_t value) {
    if (value < 0 || value >= FTabs->Count()) {
        FTabIndex = -1;
        LayoutChanged();
        if (FCloseButton && FCloseButton->GetVisible())
            FCloseButton->Invalidate();
        return;
    }
    const bool allowed = value == FTabIndex || FSkipCanChange || CanChange(value);
    if (allowed) {
        const int32_t old = FTabIndex;
        bool changed = old != value;
        FTabIndex = value;
        if (!FScrollersShown) {
            const int32_t row = FTabs->Items(value)->Row;
            if (FMultiLine && row != 0) {
                BringRowToCard(row);
                changed = true;
            }
        } else if (value < FFirstShownTab) {
            FFirstShownTab = value;
            changed = true;
        } else {
            while (FFirstShownTab < FTabIndex && !TabShown(FTabIndex)) {
                ++FFirstShownTab;
                changed = true;
            }
        }
        if (changed) {
            LayoutChanged();
            if (FScroller)
                FScroller->Invalidate();
        }
        if (old != value) {
            DoChange();
            if (GetComponentState().Contains(vcl::csDesigning) && FPaintedOnce)
                NotifyDesignerModified(this);
        }
    }
    if (FCloseButton && FCloseButton->GetVisible())
        FCloseButton->Invalidate();
}

void TFcCustomTabControl::BringRowToCard(int32_t s) {
    if (!FMultiLine)
        return;
    int32_t m = 0;
    for (int32_t i = 0; i < FTabs->Count(); ++i)
        if (FTabs->Items(i)->Visible)
            m = std::max(m, FTabs->Items(i)->Row);
    std::vector<std::pair<int32_t, int32_t>> across(size_t(m + 1), {0, 0});
    std::vector<bool> seen(size_t(m + 1), false);
    for (int32_t i = 0; i < FTabs->Count(); ++i) {
        const TFcTabData* t = FTabs->Items(i);
        if (t->Visible && !seen[size_t(t->Row)]) {
            seen[size_t(t->Row)] = true;
            across[size_t(t->Row)] = {t->RawRect.Top, t->RawRect.Bottom};
        }
    }
    for (int32_t i = 0; i < FTabs->Count(); ++i) {
        TFcTabData* t = FTabs->Items(i);
        if (!t->Visible)
            continue;
        const int32_t row = (t->Row + m - s + 1) % (m + 1);
        t->Row = row;
        t->RawRect.Top = across[size_t(row)].first;
        t->RawRect.Bottom = across[size_t(row)].second;
    }
}

void TFcCustomTabControl::EnsureValidSelection() {
    const int32_t count = FTabs->Count();
    if (FTabIndex >= count) {
        // The tabs went away under the selection.
        if (count == 0) {
            ApplyTabIndex(-1);
            return;
        }
    }
    if (FTabIndex < 0 || FirstVisibleTab() < 0)
        return;
    const int32_t start = std::min(FTabIndex, count - 1);
    int32_t found = -1;
    for (int32_t i = start; i < count && found < 0; ++i)
        if (CanChange(i))
            found = i;
    for (int32_t i = start - 1; i >= 0 && found < 0; --i)
        if (CanChange(i))
            found = i;
    if (found == FTabIndex)
        return;
    FSkipCanChange = true;
    ApplyTabIndex(found);
    FSkipCanChange = false;
}

void TFcCustomTabControl::UpdateLayout() {
    if (!FLayoutDirty)
        return;
    FLayoutDirty = false;
    ComputeLayout();
    FRegionCache->Clear();
    FScrollersShown = ScrollersNeeded();
    if (FScrollersShown) {
        const int32_t count = FTabs->Count(), old = FFirstShownTab;
        int32_t i = std::max(0, old);
        bool ok = false;
        for (; i < count; ++i) {
            FFirstShownTab = i;
            if (TabShown(i)) {
                ok = true;
                break;
            }
        }
        for (i = std::min(old, count) - 1; !ok && i >= 0; --i) {
            FFirstShownTab = i;
            if (TabShown(i))
                ok = true;
        }
        if (!ok)
            FFirstShownTab = std::max(0, FirstVisibleTab());
    } else {
        FFirstShownTab = std::max(0, FirstVisibleTab());
    }
    EnsureValidSelection();
    AlignChildren();
}

void TFcCustomTabControl::AlignChildren() {
    if (ChildArea() != FLastClientRect)
        Realign();
}

void TFcCustomTabControl::AlignControls(vcl::TControl* control, TRect& rect) {
    PlaceButtons();
    rect = ChildArea();
    FLastClientRect = rect;
    vcl::TCustomControl::AlignControls(control, rect);
}

} // namespace controls

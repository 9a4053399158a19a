// The built-in engine's recipe: which parts exist, how big they are, and the rectangles each one paints.
#include "platform/win/theme/BuiltinTheme.h"

#include <algorithm>

namespace win {

namespace {

// The scheme rows of the Office-2003 colour table that the recipe paints with.
constexpr BuiltinColors BuiltinBlue = {
    RGB(0, 45, 150),    RGB(221, 236, 254), RGB(129, 169, 226), RGB(255, 244, 204), RGB(255, 208, 145),
    RGB(255, 211, 142), RGB(254, 145, 78),  RGB(203, 225, 252), RGB(39, 65, 118),   RGB(255, 255, 255),
    RGB(106, 140, 203), RGB(241, 249, 255), RGB(0, 0, 0),       RGB(141, 141, 141), RGB(246, 246, 246)};
constexpr BuiltinColors BuiltinOlive = {
    RGB(117, 141, 94),  RGB(244, 247, 222), RGB(183, 198, 145), RGB(255, 244, 204), RGB(255, 208, 145),
    RGB(255, 211, 142), RGB(254, 145, 78),  RGB(216, 227, 182), RGB(81, 94, 51),    RGB(255, 255, 255),
    RGB(96, 128, 88),   RGB(244, 247, 222), RGB(0, 0, 0),       RGB(141, 141, 141), RGB(244, 244, 238)};
constexpr BuiltinColors BuiltinSilver = {
    RGB(124, 124, 148), RGB(243, 244, 250), RGB(153, 151, 181), RGB(255, 244, 204), RGB(255, 208, 145),
    RGB(255, 211, 142), RGB(254, 145, 78),  RGB(214, 211, 231), RGB(84, 84, 117),   RGB(255, 255, 255),
    RGB(110, 109, 143), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(141, 141, 141), RGB(253, 250, 255)};

const char* const BuiltinNames[bcCount] = {
    "Button",   "Clock",   "ComboBox", "Edit",      "ExplorerBar", "Header",  "ListView", "Menu",
    "Page",     "Progress", "Rebar",   "ScrollBar", "Spin",        "StartPanel", "Status", "Tab",
    "TaskBand", "TaskBar", "ToolBar",  "ToolTip",   "TrackBar",    "TrayNotify", "TreeView", "Window"};

BuiltinPart BuiltinMake(BuiltinLook look, int maxState, TSize trueSize, TSize minSize, int margin) {
    BuiltinPart p;
    p.Look = look;
    p.MaxState = maxState;
    p.TrueSize = trueSize;
    p.MinSize = minSize;
    p.Margin = margin;
    return p;
}

// A part that stretches: its smallest size holds the border, the state ring and one face pixel.
BuiltinPart BuiltinStretch(BuiltinLook look, int maxState, int margin) {
    int m = 2 * margin + 1;
    return BuiltinMake(look, maxState, {0, 0}, {m, m}, margin);
}

BuiltinPart BuiltinFixed(BuiltinLook look, int maxState, TSize size, int margin) {
    return BuiltinMake(look, maxState, size, size, margin);
}

// Normal, hot, pressed, disabled: the order of most parts' states.
BuiltinVisual BuiltinFourStates(int state) {
    static const BuiltinVisual order[] = {bvNormal, bvHot, bvPressed, bvDisabled};
    return state <= 0 ? bvNormal : order[(state - 1) % 4];
}

void BuiltinAdd(std::vector<BuiltinPaint>& paint, const TRect& r, COLORREF c) {
    if (!r.IsEmpty())
        paint.push_back({r, c});
}

void BuiltinAddCover(std::vector<TRect>& cover, const TRect& r) {
    if (!r.IsEmpty())
        cover.push_back(r);
}

// Rows from one colour to the other, top to bottom; rows of equal colour merge into one rectangle.
void BuiltinGradient(std::vector<BuiltinPaint>& paint, const TRect& r, COLORREF from, COLORREF to) {
    int n = r.Height();
    if (r.IsEmpty())
        return;
    auto channel = [n](int a, int b, int i) { return n == 1 ? a : a + (b - a) * i / (n - 1); };
    for (int i = 0; i < n; ++i) {
        COLORREF c = RGB(uint8_t(channel(GetRValue(from), GetRValue(to), i)),
                         uint8_t(channel(GetGValue(from), GetGValue(to), i)),
                         uint8_t(channel(GetBValue(from), GetBValue(to), i)));
        if (!paint.empty() && paint.back().Color == c && paint.back().Rect.Bottom == r.Top + i &&
            paint.back().Rect.Left == r.Left && paint.back().Rect.Right == r.Right) {
            ++paint.back().Rect.Bottom;
            continue;
        }
        paint.push_back({{r.Left, r.Top + i, r.Right, r.Top + i + 1}, c});
    }
}

// The one-pixel border without its four corner pixels.
void BuiltinBorder(BuiltinShape& s, const TRect& r, COLORREF c) {
    const TRect sides[] = {{r.Left + 1, r.Top, r.Right - 1, r.Top + 1},
                           {r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom},
                           {r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1},
                           {r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1}};
    for (const TRect& side : sides)
        BuiltinAdd(s.Paint, side, c);
}

void BuiltinRing(std::vector<BuiltinPaint>& paint, const TRect& r, COLORREF c) {
    BuiltinAdd(paint, {r.Left, r.Top, r.Right, r.Top + 1}, c);
    BuiltinAdd(paint, {r.Left, r.Bottom - 1, r.Right, r.Bottom}, c);
    BuiltinAdd(paint, {r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1}, c);
    BuiltinAdd(paint, {r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1}, c);
}

// A pattern of '#' cells, centred in the box.
void BuiltinPattern(std::vector<TRect>& out, const TRect& box, std::initializer_list<const char*> rows) {
    int h = int(rows.size());
    int w = int(std::string(*rows.begin()).size());
    int x0 = box.Left + (box.Width() - w) / 2;
    int y0 = box.Top + (box.Height() - h) / 2;
    int y = y0;
    for (const char* row : rows) {
        for (int x = 0; row[x]; ++x) {
            if (row[x] != '#')
                continue;
            int start = x;
            while (row[x + 1] == '#')
                ++x;
            out.push_back({x0 + start, y, x0 + x + 1, y + 1});
        }
        ++y;
    }
}

void BuiltinArrow(std::vector<TRect>& out, const TRect& box, BuiltinGlyph dir, int n) {
    bool vertical = dir == bgArrowUp || dir == bgArrowDown;
    int w = vertical ? 2 * n - 1 : n;
    int h = vertical ? n : 2 * n - 1;
    int x0 = box.Left + (box.Width() - w) / 2;
    int y0 = box.Top + (box.Height() - h) / 2;
    for (int i = 0; i < n; ++i) {
        switch (dir) {
        case bgArrowDown: out.push_back({x0 + i, y0 + i, x0 + w - i, y0 + i + 1}); break;
        case bgArrowUp: out.push_back({x0 + i, y0 + n - 1 - i, x0 + w - i, y0 + n - i}); break;
        case bgArrowRight: out.push_back({x0 + i, y0 + i, x0 + i + 1, y0 + h - i}); break;
        default: out.push_back({x0 + n - 1 - i, y0 + i, x0 + n - i, y0 + h - i}); break;
        }
    }
}

// The largest odd length that leaves a pixel free on each side of the box, at least 3.
int BuiltinOddSpan(const TRect& box) {
    int l = std::min(box.Width(), box.Height()) - 2;
    if (l % 2 == 0)
        --l;
    return std::max(3, l);
}

void BuiltinGrip(BuiltinShape& s, const BuiltinColors& colors, int x, int y, const TRect& within) {
    TRect dot{x, y, x + 3, y + 3};
    if (dot.Left < within.Left || dot.Top < within.Top || dot.Right > within.Right || dot.Bottom > within.Bottom)
        return;
    TRect light{x + 1, y + 1, x + 3, y + 3};
    TRect dark{x, y, x + 2, y + 2};
    BuiltinAdd(s.Paint, light, colors.GripLight);
    BuiltinAdd(s.Paint, dark, colors.GripDark);
    BuiltinAddCover(s.Cover, light);
    BuiltinAddCover(s.Cover, dark);
}

// fit: the glyph is all the part draws and fills its box; otherwise it sits on a face with room around it.
std::vector<TRect> BuiltinGlyphRects(BuiltinGlyph glyph, const TRect& box, bool fit) {
    std::vector<TRect> out;
    int l = BuiltinOddSpan(box);
    int x0 = box.Left + (box.Width() - l) / 2;
    int y0 = box.Top + (box.Height() - l) / 2;
    switch (glyph) {
    case bgArrowUp:
    case bgArrowDown:
    case bgArrowLeft:
    case bgArrowRight: {
        bool vertical = glyph == bgArrowUp || glyph == bgArrowDown;
        int across = vertical ? box.Width() : box.Height(), along = vertical ? box.Height() : box.Width();
        int n = fit ? std::min(along, (across + 1) / 2) : std::min(box.Width(), box.Height()) / 3;
        BuiltinArrow(out, box, glyph, std::max(1, n));
        break;
    }
    case bgDropArrow: BuiltinArrow(out, {box.Right - 7, box.Top, box.Right, box.Bottom}, bgArrowDown, 3); break;
    case bgCheck:
        BuiltinPattern(out, box, {"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."});
        break;
    case bgMixed: BuiltinPattern(out, box, {"#####", "#####", "#####", "#####", "#####"}); break;
    case bgRadio: BuiltinPattern(out, box, {".###.", "#####", "#####", "#####", ".###."}); break;
    case bgPlus:
        out.push_back({x0 + l / 2, y0, x0 + l / 2 + 1, y0 + l / 2});
        out.push_back({x0, y0 + l / 2, x0 + l, y0 + l / 2 + 1});
        out.push_back({x0 + l / 2, y0 + l / 2 + 1, x0 + l / 2 + 1, y0 + l});
        break;
    case bgMinus: out.push_back({x0, y0 + l / 2, x0 + l, y0 + l / 2 + 1}); break;
    case bgChevronDown:
        BuiltinPattern(out, box, {"##...##", ".##.##.", "..###..", "...#...", "##...##", ".##.##.", "..###..",
                                  "...#..."});
        break;
    case bgChevronUp:
        BuiltinPattern(out, box, {"...#...", "..###..", ".##.##.", "##...##", "...#...", "..###..", ".##.##.",
                                  "##...##"});
        break;
    case bgClose:
        for (int i = 0; i < l; ++i) {
            out.push_back({x0 + i, y0 + i, std::min(x0 + i + 2, x0 + l), y0 + i + 1});
            out.push_back({std::max(x0, x0 + l - 2 - i), y0 + i, x0 + l - i, y0 + i + 1});
        }
        break;
    case bgMinimise: out.push_back({x0, y0 + l - 2, x0 + l, y0 + l}); break;
    case bgRestore:
        out.push_back({x0 + 2, y0, x0 + l, y0 + 2});
        out.push_back({x0 + l - 1, y0 + 2, x0 + l, y0 + l - 2});
        out.push_back({x0, y0 + 2, x0 + l - 2, y0 + 4});
        out.push_back({x0, y0 + 4, x0 + 1, y0 + l});
        out.push_back({x0 + l - 3, y0 + 4, x0 + l - 2, y0 + l});
        out.push_back({x0 + 1, y0 + l - 1, x0 + l - 3, y0 + l});
        break;
    default: break;
    }
    // Every glyph stays inside its box, however small the box.
    std::vector<TRect> clipped;
    for (TRect r : out) {
        r = Intersect(r, box);
        if (!r.IsEmpty())
            clipped.push_back(r);
    }
    return clipped;
}

} // namespace

const BuiltinColors& BuiltinSchemeColors(ThemeScheme scheme) {
    switch (scheme) {
    case tsOlive: return BuiltinOlive;
    case tsSilver: return BuiltinSilver;
    default: return BuiltinBlue;
    }
}

const char* BuiltinClassName(int cls) { return cls >= 0 && cls < bcCount ? BuiltinNames[cls] : ""; }

bool BuiltinFindPart(int cls, int part, BuiltinPart* info) {
    BuiltinPart p;
    switch (cls) {
    case bcButton:
        switch (part) {
        case 1: p = BuiltinStretch(blFrame, 5, 2); break;
        case 2: p = BuiltinFixed(blFrame, 8, {13, 13}, 2); break;
        case 3: p = BuiltinFixed(blFrame, 12, {13, 13}, 2); break;
        case 4: p = BuiltinStretch(blOutline, 2, 1); break;
        default: return false;
        }
        break;
    case bcComboBox:
        if (part != 1)
            return false;
        p = BuiltinFixed(blFrame, 4, {17, 17}, 2);
        p.MinSize = {9, 9};
        break;
    case bcEdit:
        if (part != 1)
            return false;
        p = BuiltinStretch(blContent, 6, 2);
        break;
    case bcExplorerBar:
        if (part == 3)
            p = BuiltinFixed(blFrame, 3, {16, 14}, 2);
        else if (part == 6 || part == 7)
            p = BuiltinFixed(blFrame, 3, {15, 15}, 2);
        else
            return false;
        break;
    case bcHeader:
        if (part >= 1 && part <= 3)
            p = BuiltinStretch(blFrame, 3, 2);
        else if (part == 4)
            p = BuiltinFixed(blGlyph, 3, {9, 5}, 0);
        else
            return false;
        break;
    case bcListView:
        if (part != 5)
            return false;
        p = BuiltinStretch(blContent, 1, 1);
        break;
    case bcProgress:
        if (part == 1 || part == 2)
            p = BuiltinStretch(blContent, 1, 1);
        else if (part == 3 || part == 4)
            p = BuiltinFixed(blFace, 1, {8, 8}, 0);
        else
            return false;
        break;
    case bcRebar:
        if (part == 0)
            p = BuiltinStretch(blFace, 1, 0);
        else if (part == 1 || part == 2)
            p = BuiltinFixed(blGrip, 1, {5, 5}, 0);
        else
            return false;
        break;
    case bcScrollBar:
        if (part == 1)
            p = BuiltinFixed(blFrame, 16, {17, 17}, 2);
        else if (part == 2 || part == 3)
            p = BuiltinMake(blFrame, 4, {17, 17}, {8, 8}, 2);
        else if (part >= 4 && part <= 7)
            p = BuiltinStretch(blFace, 4, 0);
        else if (part == 8 || part == 9)
            p = BuiltinFixed(blGrip, 4, {7, 7}, 0);
        else if (part == 10)
            p = BuiltinFixed(blSizeGrip, 1, {13, 13}, 0);
        else
            return false;
        break;
    case bcSpin:
        if (part == 1 || part == 2)
            p = BuiltinFixed(blFrame, 4, {15, 10}, 2);
        else if (part == 3 || part == 4)
            p = BuiltinFixed(blFrame, 4, {10, 15}, 2);
        else
            return false;
        break;
    case bcStatus:
        if (part == 0)
            p = BuiltinStretch(blFace, 1, 0);
        else if (part == 3)
            p = BuiltinFixed(blSizeGrip, 1, {13, 13}, 0);
        else
            return false;
        break;
    case bcTab:
        if (part == 1)
            p = BuiltinStretch(blFrame, 4, 2);
        else if (part == 9)
            p = BuiltinStretch(blContent, 1, 1);
        else
            return false;
        break;
    case bcToolBar:
        switch (part) {
        case 0: p = BuiltinStretch(blFace, 5, 0); break;
        case 1:
        case 3: p = BuiltinStretch(blFrame, 5, 2); break;
        case 2: p = BuiltinMake(blFrame, 5, {0, 0}, {12, 12}, 2); break;
        case 4: p = BuiltinFixed(blFrame, 5, {12, 12}, 2); break;
        case 5: p = BuiltinFixed(blSeparatorV, 5, {6, 6}, 0); break;
        case 6: p = BuiltinFixed(blSeparatorH, 5, {6, 6}, 0); break;
        default: return false;
        }
        break;
    case bcTrackBar:
        if (part != 1)
            return false;
        p = BuiltinStretch(blContent, 1, 1);
        break;
    case bcTreeView:
        if (part != 2)
            return false;
        p = BuiltinFixed(blFrame, 2, {9, 9}, 1);
        break;
    case bcWindow:
        if (part == 19)
            p = BuiltinFixed(blFrame, 4, {13, 13}, 2);
        else if (part == 16 || part == 20 || part == 22)
            p = BuiltinFixed(blFrame, 4, {15, 15}, 2);
        else
            return false;
        break;
    default:
        // The other classes draw a plain face.
        if (cls < 0 || cls >= bcCount || (part != 0 && part != 1))
            return false;
        p = BuiltinStretch(blFace, 1, 0);
        break;
    }
    *info = p;
    return true;
}

bool BuiltinFindState(int cls, int part, int state, BuiltinPart* info, BuiltinState* look) {
    BuiltinPart p;
    if (!BuiltinFindPart(cls, part, &p) || state < 0 || state > p.MaxState)
        return false;
    BuiltinState s;
    s.Visual = BuiltinFourStates(state);
    switch (cls) {
    case bcButton:
        if (part == 1 && state == 5)
            s.Visual = bvDefaulted;
        else if (part == 2 && state >= 5)
            s.Glyph = bgRadio;
        else if (part == 3 && state >= 5)
            s.Glyph = state >= 9 ? bgMixed : bgCheck;
        else if (part == 4)
            s.Visual = state == 2 ? bvDisabled : bvNormal;
        break;
    case bcComboBox: s.Glyph = bgArrowDown; break;
    case bcEdit: {
        // normal, hot, selected, disabled, focused, read-only
        static const BuiltinVisual edit[] = {bvNormal, bvNormal, bvHot, bvHot, bvDisabled, bvDefaulted, bvChecked};
        s.Visual = edit[state];
        break;
    }
    case bcExplorerBar: s.Glyph = part == 3 ? bgArrowRight : part == 6 ? bgChevronUp : bgChevronDown; break;
    case bcHeader:
        if (part == 4) {
            s.Visual = state == 3 ? bvDisabled : bvNormal;
            s.Glyph = state == 2 ? bgArrowDown : bgArrowUp;
        }
        break;
    case bcScrollBar:
        if (part == 1) {
            static const BuiltinGlyph dirs[] = {bgArrowUp, bgArrowDown, bgArrowLeft, bgArrowRight};
            s.Glyph = dirs[state <= 0 ? 0 : (state - 1) / 4];
        } else if (part == 8) {
            s.Glyph = bgGripBlock;
        } else if (part == 9) {
            s.Glyph = bgGripBlock;
        }
        break;
    case bcSpin: {
        static const BuiltinGlyph dirs[] = {bgArrowUp, bgArrowDown, bgArrowRight, bgArrowLeft};
        s.Glyph = dirs[part - 1];
        break;
    }
    case bcRebar: s.Glyph = part == 1 ? bgGripLine : part == 2 ? bgGripRow : bgNone; break;
    case bcToolBar:
        if (state == 5)
            s.Visual = bvChecked;
        if (part == 2 || part == 4)
            s.Glyph = part == 2 ? bgDropArrow : bgArrowDown;
        break;
    case bcTreeView: s.Glyph = state == 2 ? bgMinus : bgPlus; break;
    case bcWindow: s.Glyph = part == 16 ? bgMinimise : part == 22 ? bgRestore : bgClose; break;
    default: break;
    }
    *info = p;
    *look = s;
    return true;
}

std::vector<ThemePartRange> BuiltinThemeParts() {
    std::vector<ThemePartRange> out;
    for (int cls = 0; cls < bcCount; ++cls)
        for (int part = 0; part <= 32; ++part) {
            BuiltinPart p;
            if (!BuiltinFindPart(cls, part, &p))
                continue;
            ThemePartRange range;
            range.Class = BuiltinClassName(cls);
            range.Part = part;
            range.LastState = p.MaxState;
            range.FixedSize = p.TrueSize.cx != 0;
            out.push_back(range);
        }
    return out;
}

bool BuiltinPartiallyTransparent(BuiltinLook look) { return look != blFace; }

COLORREF BuiltinBorderColor(const BuiltinColors& colors, BuiltinVisual visual) {
    return visual == bvDisabled ? colors.DisabledText : colors.MenuBorder;
}

COLORREF BuiltinTextColor(const BuiltinColors& colors, BuiltinVisual visual) {
    return visual == bvDisabled ? colors.DisabledText : colors.Text;
}

void BuiltinFaceColors(const BuiltinColors& colors, BuiltinLook look, BuiltinVisual visual, COLORREF* from,
                       COLORREF* to) {
    bool content = look == blContent;
    switch (visual) {
    case bvPressed:
        *from = colors.PressedFaceFrom;
        *to = colors.PressedFaceTo;
        return;
    case bvChecked: *from = *to = colors.CheckedFace; return;
    case bvDisabled: *from = *to = content ? colors.MenuBackground : colors.BarLight; return;
    case bvHot:
        // A face without a border shows its hot state in the face itself.
        if (look == blFace) {
            *from = colors.HotFaceFrom;
            *to = colors.HotFaceTo;
            return;
        }
        [[fallthrough]];
    default:
        if (content) {
            *from = *to = colors.MenuBackground;
        } else {
            *from = colors.BarLight;
            *to = colors.BarDark;
        }
    }
}

BuiltinShape BuiltinBuildShape(const BuiltinColors& colors, const BuiltinPart& part, const BuiltinState& state,
                               const TRect& r) {
    BuiltinShape s;
    if (r.IsEmpty())
        return s;
    COLORREF from = 0, to = 0;
    BuiltinFaceColors(colors, part.Look, state.Visual, &from, &to);
    COLORREF border = BuiltinBorderColor(colors, state.Visual);
    switch (part.Look) {
    case blFrame:
    case blContent: {
        TRect inner{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
        BuiltinGradient(s.Paint, inner, from, to);
        if (state.Visual == bvHot)
            BuiltinRing(s.Paint, inner, colors.HotFaceTo);
        else if (state.Visual == bvDefaulted)
            BuiltinRing(s.Paint, inner, colors.MenuBorder);
        BuiltinBorder(s, r, border);
        BuiltinAddCover(s.Cover, {r.Left + 1, r.Top, r.Right - 1, r.Top + 1});
        BuiltinAddCover(s.Cover, {r.Left, r.Top + 1, r.Right, r.Bottom - 1});
        if (r.Height() > 1)
            BuiltinAddCover(s.Cover, {r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom});
        break;
    }
    case blOutline: {
        size_t first = s.Paint.size();
        BuiltinBorder(s, r, border);
        for (size_t i = first; i < s.Paint.size(); ++i)
            s.Cover.push_back(s.Paint[i].Rect);
        break;
    }
    case blFace:
        BuiltinGradient(s.Paint, r, from, to);
        s.Cover.push_back(r);
        break;
    case blGrip:
        if (state.Glyph == bgGripLine) {
            for (int y = r.Top + 1; y + 3 <= r.Bottom; y += 4)
                BuiltinGrip(s, colors, r.Left + (r.Width() - 3) / 2, y, r);
        } else if (state.Glyph == bgGripRow) {
            for (int x = r.Left + 1; x + 3 <= r.Right; x += 4)
                BuiltinGrip(s, colors, x, r.Top + (r.Height() - 3) / 2, r);
        } else {
            int x0 = r.Left + (r.Width() - 7) / 2, y0 = r.Top + (r.Height() - 7) / 2;
            for (int j = 0; j < 2; ++j)
                for (int i = 0; i < 2; ++i)
                    BuiltinGrip(s, colors, x0 + 4 * i, y0 + 4 * j, r);
        }
        break;
    case blSizeGrip:
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col <= 2 - row; ++col)
                BuiltinGrip(s, colors, r.Right - 4 * (col + 1), r.Bottom - 4 * (row + 1), r);
        break;
    case blSeparatorV: {
        int x = r.Left + (r.Width() - 2) / 2;
        TRect dark{x, r.Top, x + 1, r.Bottom - 1}, light{x + 1, r.Top + 1, x + 2, r.Bottom};
        for (const auto& [rect, c] : {std::pair{dark, colors.SeparatorDark}, std::pair{light, colors.SeparatorLight}}) {
            TRect clipped{rect.Left, rect.Top, std::min(rect.Right, r.Right), rect.Bottom};
            BuiltinAdd(s.Paint, clipped, c);
            BuiltinAddCover(s.Cover, clipped);
        }
        break;
    }
    case blSeparatorH: {
        int y = r.Top + (r.Height() - 2) / 2;
        TRect dark{r.Left, y, r.Right - 1, y + 1}, light{r.Left + 1, y + 1, r.Right, y + 2};
        for (const auto& [rect, c] : {std::pair{dark, colors.SeparatorDark}, std::pair{light, colors.SeparatorLight}}) {
            TRect clipped{rect.Left, rect.Top, rect.Right, std::min(rect.Bottom, r.Bottom)};
            BuiltinAdd(s.Paint, clipped, c);
            BuiltinAddCover(s.Cover, clipped);
        }
        break;
    }
    case blGlyph: break;
    }
    if (state.Glyph != bgNone && state.Glyph != bgGripLine && state.Glyph != bgGripRow &&
        state.Glyph != bgGripBlock) {
        TRect box{r.Left + part.Margin, r.Top + part.Margin, r.Right - part.Margin, r.Bottom - part.Margin};
        COLORREF ink = BuiltinTextColor(colors, state.Visual);
        for (const TRect& g : BuiltinGlyphRects(state.Glyph, box, part.Look == blGlyph)) {
            BuiltinAdd(s.Paint, g, ink);
            // Glyphs lie on the face of framed parts; alone they are all the part paints.
            if (part.Look == blGlyph)
                BuiltinAddCover(s.Cover, g);
        }
    }
    return s;
}

} // namespace win

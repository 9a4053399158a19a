// DrawText: line layout (paragraphs, word breaks, tabs, mnemonics, ellipses) and its drawing.
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/DrawTextLayout.h"
#include "platform/win/gdi/GdiObjects.h"
#include "platform/win/gdi/TextRender.h"

#include <algorithm>
#include <cstring>

namespace win {
namespace text {
namespace {

const std::u32string DrawTextEllipsis = U"...";

bool DrawTextIsSpace(char32_t c) {
    return c == U' ' || c == U'\t';
}

// A paragraph with its mnemonic marks resolved.
struct DrawTextPara {
    std::u32string Text;
    int Underline = -1;
};

DrawTextPara DrawTextStripPrefix(const std::u32string& in, UINT format) {
    DrawTextPara p;
    if (format & DT_NOPREFIX) {
        p.Text = in;
        return p;
    }
    p.Text.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != U'&') {
            p.Text.push_back(in[i]);
            continue;
        }
        if (i + 1 >= in.size())
            break; // a trailing "&" marks nothing
        if (in[i + 1] == U'&') {
            p.Text.push_back(U'&');
            ++i;
            continue;
        }
        // The last single "&" of a line wins.
        p.Underline = int(p.Text.size());
    }
    if (format & DT_HIDEPREFIX)
        p.Underline = -1;
    return p;
}

class DrawTextMeasurer {
public:
    explicit DrawTextMeasurer(const DrawTextLayoutInput& in)
        : FIn(in), FExpandTabs((in.Format & DT_EXPANDTABS) != 0), FTabWidth(std::max(in.TabWidth, 1)) {}

    int AdvanceAt(char32_t c, int64_t x) const {
        if (c == U'\t' && FExpandTabs)
            return int(FTabWidth - (x % FTabWidth));
        return FIn.Advance(c == U'\t' ? U' ' : c);
    }

    // Advances of a line that starts at x = 0, and its width.
    DrawTextLine Measure(std::u32string text, int underline) const {
        DrawTextLine line;
        line.Underline = underline >= 0 && underline < int(text.size()) ? underline : -1;
        line.Advances.resize(text.size());
        int64_t x = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            line.Advances[i] = AdvanceAt(text[i], x);
            x += line.Advances[i];
        }
        line.Width = int(std::min<int64_t>(x, INT32_MAX));
        line.Text = std::move(text);
        return line;
    }

private:
    const DrawTextLayoutInput& FIn;
    bool FExpandTabs;
    int FTabWidth;
};

// Cuts the end of a line until it fits with "..." appended.
DrawTextLine DrawTextEndEllipsis(const DrawTextMeasurer& m, const DrawTextLine& line, int width, bool force) {
    if (!force && line.Width <= width)
        return line;
    const int ellipsisWidth = m.Measure(DrawTextEllipsis, -1).Width;
    size_t keep = line.Text.size();
    int64_t w = line.Width;
    while (keep > 0 && w + ellipsisWidth > width) {
        --keep;
        w -= line.Advances[keep];
    }
    // Spaces before the ellipsis read as a gap: drop them.
    while (keep > 0 && DrawTextIsSpace(line.Text[keep - 1]))
        --keep;
    return m.Measure(line.Text.substr(0, keep) + DrawTextEllipsis,
                     line.Underline < int(keep) ? line.Underline : -1);
}

// Replaces the end of the folder part of a path with "..." so that the last component stays whole.
DrawTextLine DrawTextPathEllipsis(const DrawTextMeasurer& m, const DrawTextLine& line, int width,
                                  bool alsoEnd) {
    if (line.Width <= width)
        return line;
    const size_t sep = line.Text.find_last_of(U"\\/");
    if (sep == std::u32string::npos || sep == 0)
        return DrawTextEndEllipsis(m, line, width, false);
    const std::u32string tail = line.Text.substr(sep);
    size_t keep = sep;
    DrawTextLine candidate;
    for (;;) {
        candidate = m.Measure(line.Text.substr(0, keep) + DrawTextEllipsis + tail, -1);
        if (candidate.Width <= width || keep == 0)
            break;
        --keep;
    }
    if (line.Underline >= 0) {
        if (line.Underline < int(keep))
            candidate.Underline = line.Underline;
        else if (line.Underline >= int(sep))
            candidate.Underline = line.Underline - int(sep) + int(keep + DrawTextEllipsis.size());
    }
    if (candidate.Width > width && alsoEnd)
        return DrawTextEndEllipsis(m, candidate, width, false);
    return candidate;
}

// Breaks one paragraph into lines no wider than width where word boundaries allow.
void DrawTextWrap(const DrawTextMeasurer& m, const DrawTextPara& para, int width, bool breakWords,
                  std::vector<DrawTextLine>& out) {
    const std::u32string& t = para.Text;
    const size_t n = t.size();
    if (n == 0) {
        out.push_back(m.Measure(std::u32string(), -1));
        return;
    }
    size_t start = 0;
    while (start < n) {
        int64_t x = 0;
        size_t breakEnd = 0, breakNext = 0; // line end and next start at the last word boundary
        bool haveBreak = false;
        size_t runStart = start;
        size_t end = n, next = n;
        for (size_t i = start; i < n; ++i) {
            const bool space = DrawTextIsSpace(t[i]);
            if (space && (i == start || !DrawTextIsSpace(t[i - 1])))
                runStart = i;
            if (!space && i > start && DrawTextIsSpace(t[i - 1])) {
                // Spaces that begin a line stay with its first word.
                haveBreak = runStart > start;
                breakEnd = runStart;
                breakNext = i;
            }
            const int adv = m.AdvanceAt(t[i], x);
            if (!space && i > start && x + adv > width) {
                if (haveBreak) {
                    end = breakEnd;
                    next = breakNext;
                } else if (breakWords) {
                    end = i;
                    next = i;
                } else {
                    // A word wider than the line stays whole and overflows.
                    size_t j = i;
                    while (j < n && !DrawTextIsSpace(t[j]))
                        ++j;
                    end = j;
                    next = j;
                    while (next < n && DrawTextIsSpace(t[next]))
                        ++next;
                }
                break;
            }
            x += adv;
        }
        const int underline =
            para.Underline >= int(start) && para.Underline < int(end) ? para.Underline - int(start) : -1;
        out.push_back(m.Measure(t.substr(start, end - start), underline));
        if (next <= start)
            next = start + 1; // always make progress
        start = next;
    }
}

} // namespace

DrawTextLayoutResult LayoutDrawText(const DrawTextLayoutInput& in) {
    DrawTextLayoutResult result;
    const UINT format = in.Format;
    const DrawTextMeasurer m(in);
    const int width = std::max(in.Width, 0);

    // Paragraphs: the whole text on one line, or split at CR LF, CR and LF.
    std::vector<std::u32string> paras;
    if (format & DT_SINGLELINE) {
        std::u32string one;
        for (char32_t c : in.Text)
            if (c != U'\r' && c != U'\n')
                one.push_back(c);
        paras.push_back(std::move(one));
    } else {
        std::u32string cur;
        for (size_t i = 0; i < in.Text.size(); ++i) {
            const char32_t c = in.Text[i];
            if (c == U'\r' || c == U'\n') {
                paras.push_back(std::move(cur));
                cur.clear();
                if (c == U'\r' && i + 1 < in.Text.size() && in.Text[i + 1] == U'\n')
                    ++i;
            } else {
                cur.push_back(c);
            }
        }
        paras.push_back(std::move(cur));
    }

    const bool wrap = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE);
    for (const std::u32string& p : paras) {
        const DrawTextPara para = DrawTextStripPrefix(p, format);
        if (wrap)
            DrawTextWrap(m, para, width, (format & DT_EDITCONTROL) != 0, result.Lines);
        else
            result.Lines.push_back(m.Measure(para.Text, para.Underline));
    }

    // When word-broken text runs past the bottom, the last line that fits ends with "...".
    const bool endEllipsis = (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) != 0;
    if (wrap && endEllipsis && !(format & DT_CALCRECT) && in.LineHeight > 0) {
        const size_t fit = size_t(std::max(in.Height / in.LineHeight, 1));
        if (result.Lines.size() > fit) {
            result.Lines.resize(fit);
            result.Lines.back() = DrawTextEndEllipsis(m, result.Lines.back(), width, true);
            result.Ellipsized = true;
        }
    }
    for (DrawTextLine& line : result.Lines) {
        if (line.Width <= width)
            continue;
        if (format & DT_PATH_ELLIPSIS)
            line = DrawTextPathEllipsis(m, line, width, endEllipsis);
        else if (endEllipsis)
            line = DrawTextEndEllipsis(m, line, width, false);
        else
            continue;
        result.Ellipsized = true;
    }
    for (const DrawTextLine& line : result.Lines)
        result.MaxWidth = std::max(result.MaxWidth, line.Width);
    return result;
}

std::u32string DrawTextShownText(const DrawTextLayoutResult& layout, UINT format) {
    std::u32string out;
    for (size_t l = 0; l < layout.Lines.size(); ++l) {
        if (l > 0)
            out += U"\r\n";
        const DrawTextLine& line = layout.Lines[l];
        for (size_t i = 0; i < line.Text.size(); ++i) {
            if (!(format & DT_NOPREFIX)) {
                if (int(i) == line.Underline)
                    out.push_back(U'&');
                if (line.Text[i] == U'&')
                    out.push_back(U'&');
            }
            out.push_back(line.Text[i]);
        }
    }
    return out;
}

} // namespace text

namespace {

int DrawTextRun(HDC dc, const char* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params,
                std::string* modified) {
    if (!dc || !rect || (!text && count != 0))
        return 0;
    if (count < 0)
        count = text ? int(std::min<size_t>(std::strlen(text), INT32_MAX)) : 0;
    if (params)
        params->uiLengthDrawn = UINT(count);

    // Layout runs in logical units; the font is realised at the DC's scale.
    std::shared_ptr<RealizedFont> font = text::DcFont(dc);
    const bool scaled = !dc->IsIdentityMapping();
    const TEXTMETRIC& tm = font->Metrics();
    const int lineHeight = std::max<int>(
        text::DcLogicalY(dc, tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0)), 1);

    // Tab stops: DT_TABSTOP takes bits 8-15 as the number of average characters between stops.
    int tabChars = 8;
    if (format & DT_TABSTOP) {
        tabChars = int((format >> 8) & 0xFF);
        format &= ~UINT(0xFF00);
    }
    if (params && params->iTabLength > 0)
        tabChars = params->iTabLength;
    if (tabChars <= 0)
        tabChars = 8;

    RECT box = *rect;
    if (params) {
        box.Left += params->iLeftMargin;
        box.Right -= params->iRightMargin;
    }
    if (count == 0) {
        if (format & DT_CALCRECT) {
            rect->Right = rect->Left;
            rect->Bottom = rect->Top;
        }
        return 0;
    }

    const int extra = dc->FState.FTextCharExtra;
    text::DrawTextLayoutInput in;
    in.Text = DecodeText(text, count);
    in.Format = format;
    in.Width = int(std::clamp<int64_t>(int64_t(box.Right) - box.Left, 0, INT32_MAX / 2));
    in.Height = int(std::clamp<int64_t>(int64_t(box.Bottom) - box.Top, 0, INT32_MAX / 2));
    in.LineHeight = lineHeight;
    in.TabWidth = std::max<int>(tabChars * text::DcLogicalX(dc, tm.tmAveCharWidth), 1);
    RealizedFont& f = *font;
    if (scaled)
        in.Advance = [&f, extra, dc](char32_t c) { return text::DcLogicalX(dc, f.Advance(c)) + extra; };
    else
        in.Advance = [&f, extra](char32_t c) { return f.Advance(c) + extra; };
    const text::DrawTextLayoutResult layout = text::LayoutDrawText(in);
    if (modified && (format & DT_MODIFYSTRING) && layout.Ellipsized)
        *modified = EncodeText(text::DrawTextShownText(layout, format));

    const bool single = (format & DT_SINGLELINE) != 0;
    const int height = int(std::min<int64_t>(int64_t(layout.Lines.size()) * lineHeight, INT32_MAX / 2));
    if (format & DT_CALCRECT) {
        rect->Right = int(std::clamp<int64_t>(
            int64_t(box.Left) + layout.MaxWidth + (params ? params->iRightMargin : 0), INT32_MIN, INT32_MAX));
        rect->Bottom = int(std::clamp<int64_t>(int64_t(rect->Top) + height, INT32_MIN, INT32_MAX));
        return height;
    }

    // Positions in 64 bits: rectangles may lie anywhere in the 32-bit plane.
    auto fit = [](int64_t v) { return int(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2)); };
    int64_t y = box.Top;
    if (single && (format & DT_VCENTER))
        y = box.Top + (int64_t(box.Bottom) - box.Top - lineHeight) / 2;
    else if (single && (format & DT_BOTTOM))
        y = int64_t(box.Bottom) - lineHeight;

    // Lines are drawn left- and top-aligned from computed origins; the DC's own alignment is put back.
    gdi::DcState& st = dc->FState;
    const UINT savedAlign = st.FTextAlign;
    const POINT savedPos = st.FCurPos;
    st.FTextAlign = TA_LEFT | TA_TOP;
    const UINT options = (format & DT_NOCLIP) ? 0 : ETO_CLIPPED;
    const TRect clipDevice = dc->ToDevice(*rect);
    const text::RunAxes axes = text::AxesOf(*font);
    const COLORREF textColour = gdi::ResolveColor(dc, st.FTextColor);
    const bool editControl = (format & DT_EDITCONTROL) && !single;
    const bool upright = axes.Ux == 1 && axes.Vy == 1;
    int64_t lineTop = y;
    for (const text::DrawTextLine& line : layout.Lines) {
        if (editControl && lineTop + lineHeight > box.Bottom && lineTop > box.Top)
            break; // a partly visible last line is not shown
        if (options && upright && lineTop >= rect->Bottom)
            break; // the rest is clipped away
        if (options && upright && lineTop + lineHeight <= rect->Top) {
            lineTop += lineHeight;
            continue;
        }
        int64_t x = box.Left;
        if (format & DT_CENTER)
            x = box.Left + (int64_t(box.Right) - box.Left - line.Width) / 2;
        else if (format & DT_RIGHT)
            x = int64_t(box.Right) - line.Width;
        if (!(format & DT_PREFIXONLY))
            text::TextOutRun(dc, fit(x), fit(lineTop), options, rect, line.Text, &line.Advances);
        if (line.Underline >= 0) {
            // The mnemonic's underline, under that one character.
            int from = 0;
            for (int i = 0; i < line.Underline; ++i)
                from += line.Advances[size_t(i)];
            const int to = from + line.Advances[size_t(line.Underline)];
            if (auto sink = text::MakeDcSink(dc, options ? &clipDevice : nullptr)) {
                const POINT o = dc->ToDevice(fit(x), fit(lineTop));
                const double ox = o.X + axes.Vx * tm.tmAscent, oy = o.Y + axes.Vy * tm.tmAscent;
                const int top = font->UnderlinePosition();
                const double dFrom = scaled ? std::abs(dc->ScaleX(from)) : from;
                const double dTo = scaled ? std::abs(dc->ScaleX(to)) : to;
                text::FillBand(*sink, axes, ox, oy, dFrom, dTo, top, top + font->UnderlineThickness(),
                               textColour);
            }
        }
        lineTop += lineHeight;
    }
    st.FTextAlign = savedAlign;
    st.FCurPos = savedPos;

    if (single && (format & (DT_VCENTER | DT_BOTTOM)))
        return fit(y + lineHeight - rect->Top);
    return height;
}

} // namespace

int DrawText(HDC dc, const char* text, int count, RECT* rect, UINT format) {
    return DrawTextRun(dc, text, count, rect, format, nullptr, nullptr);
}

int DrawText(HDC dc, std::string& text, RECT* rect, UINT format) {
    const std::string copy = text;
    return DrawTextRun(dc, copy.c_str(), int(std::min<size_t>(copy.size(), INT32_MAX)), rect, format, nullptr,
                       &text);
}

int DrawTextEx(HDC dc, const char* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
    return DrawTextRun(dc, text, count, rect, format, params, nullptr);
}

} // namespace win

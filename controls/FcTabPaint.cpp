// The tab control's painting: everything goes to the off-screen buffer, which is copied to the window in
// one step.
#include "controls/FcTabs.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/ImgList.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"

#include <algorithm>

namespace controls {

std::vector<std::string> FcTabCaptionLines(const std::string& caption);

namespace {

enum : uint8_t { opFlatPen, opMove, opLine, opShadow30, opShadow15 };

win::TSize TextSize(win::HDC dc, const std::string& s) {
    win::SIZE z{0, 0};
    if (!win::GetTextExtentPoint32(dc, s.data(), int(s.size()), &z))
        return {0, 0};
    return {z.cx, z.cy};
}

bool RectEmpty(const TRect& r) { return r.Right < r.Left || r.Bottom < r.Top; }

} // namespace

void TFcCustomTabControl::Paint() {
    FPaintedOnce = true;
    UpdateLayout();
    const int32_t w = GetWidth(), h = GetHeight();
    if (FBuffer->GetWidth() != w || FBuffer->GetHeight() != h)
        FBuffer->SetSize(w, h);
    vcl::TCanvas* c = FBuffer->GetCanvas();
    const TRect r{0, 0, GetClientWidth(), GetClientHeight()};
    bool handled = false;
    DoPaintBackground(c, r, handled);
    if (!handled) {
        if (FTransparent)
            PaintParentImageOnCanvas(this, c, false);
        else {
            c->GetBrush()->SetStyle(vcl::bsSolid);
            c->GetBrush()->SetColor(FBackgroundColor);
            c->FillRect(r);
        }
    }
    PlaceButtons();
    DrawTabsAndCards(c);
    win::BitBlt(GetCanvas()->GetHandle(), 0, 0, r.Right, r.Bottom, c->GetHandle(), 0, 0, win::SRCCOPY);
    FHotRepaintOnly = false;
}

void TFcCustomTabControl::DrawTabsAndCards(vcl::TCanvas* canvas) {
    const int32_t count = FTabs->Count();
    if (count > 0) {
        int32_t first0 = -1;
        for (int32_t i = 0; i < count && first0 < 0; ++i)
            if (FTabs->Items(i)->Visible && FTabs->Items(i)->Row == 0)
                first0 = i;
        const int32_t b = first0 <= 0 ? count - 1 : first0 - 1;
        int32_t c = FRowCount - 1;
        for (int32_t n = 0; n < count; ++n) {
            const int32_t i = ((b - n) % count + count) % count;
            const TFcTabData* t = FTabs->Items(i);
            if (!t->Visible || i < FFirstShownTab || i == FTabIndex || !TabShown(i))
                continue;
            if (c > 0 && t->Row < c) {
                DrawCard(canvas, c);
                c = t->Row;
            }
            DrawTab(canvas, i);
        }
        if (c == 1)
            DrawCard(canvas, 1);
        if (FTabIndex >= 0 && FTabIndex >= FFirstShownTab && TabShown(FTabIndex))
            DrawTab(canvas, FTabIndex);
    }
    DrawCard(canvas, 0);
}

void TFcCustomTabControl::DrawTab(vcl::TCanvas* canvas, int32_t i) {
    const TRect r = TabRect(i);
    const win::HDC dc = canvas->GetHandle();
    win::RECT clip{};
    win::GetClipBox(dc, &clip);
    if (r.Right < clip.Left || r.Left >= clip.Right || r.Bottom < clip.Top || r.Top >= clip.Bottom)
        return;
    if (win::HRGN rgn = TabRegion(i)) {
        // The buffer carries no clipping of its own: the tab's region clips its background and content and
        // is taken away again afterwards (the canvas keeps its objects selected throughout).
        if (win::SelectClipRgn(dc, rgn) == 0)
            throw vcl::Exception("Error saving device context");
        DrawTabBackground(canvas, i, r);
        DrawTabContent(canvas, i, r);
        if (win::SelectClipRgn(dc, nullptr) == 0)
            throw vcl::Exception("Error restoring device context");
    }
    const std::vector<TPoint> p = TabOutline(i);
    const size_t expected = FTabStyle == tsDoubleSlant ? 4 : FTabStyle == tsRoundCorners ? 6 : 5;
    if (p.size() != expected)
        throw vcl::Exception("Incorrect number of points in tab shape");
    FLineOps.push_back({opFlatPen, {}});
    if (FTabStyle == tsRoundCorners) {
        const int order[] = {4, 5, 4, 3, 2, 1, 0};
        const int mirror[] = {1, 0, 1, 2, 3, 4, 5};
        const int* o = FTabOrientation == toLeft ? mirror : order;
        FLineOps.push_back({opMove, p[size_t(o[0])]});
        FLineOps.push_back({opLine, p[size_t(o[1])]});
        FLineOps.push_back({opMove, p[size_t(o[2])]});
        for (int k = 3; k < 7; ++k)
            FLineOps.push_back({opLine, p[size_t(o[k])]});
    } else {
        FLineOps.push_back({opMove, p[0]});
        for (size_t k = 1; k < p.size(); ++k)
            FLineOps.push_back({opLine, p[k]});
    }
    RunLineOps(canvas);
}

void TFcCustomTabControl::DrawTabBackground(vcl::TCanvas* canvas, int32_t i, const TRect& r) {
    const TRect fill{r.Left, r.Top, r.Right + 1, r.Bottom + 1};
    bool handled = false;
    DoPaintTabBackground(canvas, i, fill, handled);
    if (handled)
        return;
    const TFcTabData* t = FTabs->Items(i);
    TColor face, unselected, shadow;
    if (FUseColoredTabs) {
        face = unselected = t->Color;
        shadow = DarkerColor(t->Color, 30);
    } else {
        face = GetColor();
        unselected = FTabColors->GetUnselected();
        shadow = FTabColors->GetShadow();
    }
    canvas->GetBrush()->SetStyle(vcl::bsSolid);
    if (i == FTabIndex) {
        canvas->GetBrush()->SetColor(face);
        canvas->FillRect(fill);
    } else if (FUseGradients && DisplayHasFullColor()) {
        switch (FTabOrientation) {
        case toTop:
            FillGradient(canvas, fill, gdVertical, unselected, shadow, 1);
            break;
        case toLeft:
            FillGradient(canvas, fill, gdHorizontal, unselected, shadow, 1);
            break;
        case toBottom:
            FillGradient(canvas, fill, gdVertical, shadow, unselected, 1);
            break;
        default:
            FillGradient(canvas, fill, gdHorizontal, shadow, unselected, 1);
        }
    } else {
        canvas->GetBrush()->SetColor(unselected);
        canvas->FillRect(fill);
    }
}

TRect TFcCustomTabControl::ContentRect(int32_t, const TRect& tab) {
    TRect r = tab;
    const int32_t s = FCutCornerSize;
    const bool top = FTabOrientation == toTop, bottom = FTabOrientation == toBottom;
    const bool left = FTabOrientation == toLeft, right = FTabOrientation == toRight;
    const bool horz = HorizontalStrip();
    const int32_t th = r.Bottom - r.Top, tw = r.Right - r.Left;
    auto finishHorz = [&] {
        r = win::Offset(r, 1, 0);
        if (top)
            r.Top += 2;
        if (bottom) {
            r.Bottom -= 2;
            r = win::Offset(r, 0, 1);
        }
    };
    auto finishVert = [&] {
        r = win::Offset(r, 0, 1);
        if (left)
            r.Left += 2;
        if (right) {
            r.Right -= 2;
            r = win::Offset(r, 1, 0);
        }
    };
    switch (FTabStyle) {
    case tsSingleSlant:
        r = win::Inflate(r, -1, -1);
        if (horz) {
            r.Right -= 2 * SlantOverlap(th) + 2;
            r = win::Offset(r, 2, 0);
            finishHorz();
        } else {
            if (left) {
                r.Top += 2 * SlantOverlap(tw) + 2;
                r = win::Offset(r, 0, -2);
            } else {
                r.Bottom -= 2 * SlantOverlap(tw) + 2;
                r = win::Offset(r, 0, 2);
            }
            finishVert();
        }
        break;
    case tsDoubleSlant:
        if (horz) {
            r = win::Inflate(r, 1, -1);
            r.Left += SlantOverlap(th);
            r.Right -= SlantOverlap(th);
            finishHorz();
        } else {
            r = win::Inflate(r, -1, 1);
            r.Top += SlantOverlap(tw);
            r.Bottom -= SlantOverlap(tw);
            r.Bottom += 2;
            finishVert();
        }
        break;
    case tsCutCorner:
        if (horz) {
            if (VerticalText()) {
                r = win::Inflate(r, -4, -1);
                if (top)
                    r.Top += s + 3;
                else
                    r.Bottom -= s + 3;
            } else {
                r = win::Inflate(r, -(s + 3), -1);
                if (top)
                    r.Top += 3;
                else
                    r.Bottom -= 3;
            }
            if (bottom)
                r = win::Offset(r, 0, 1);
        } else {
            if (VerticalText()) {
                r = win::Inflate(r, -1, -(s + 3));
                if (left)
                    r.Left += 5;
                else
                    r.Right -= 5;
            } else {
                r = win::Inflate(r, -1, -4);
                if (left)
                    r.Left += s + 5;
                else
                    r.Right -= s + 5;
            }
            if (right)
                r = win::Offset(r, 1, 0);
        }
        break;
    default:
        r = VerticalText() ? win::Inflate(r, -2, -4) : win::Inflate(r, -4, -2);
    }
    return win::Inflate(r, -1, -1);
}

void TFcCustomTabControl::DrawTabContent(vcl::TCanvas* canvas, int32_t i, const TRect& tab) {
    const TFcTabData* t = FTabs->Items(i);
    const TRect cr = ContentRect(i, tab);
    const bool hasImage = FImages && (t->DisabledIndex == -1 ? t->ImageIndex != -1
                                                             : (t->Enabled ? t->ImageIndex : t->DisabledIndex) != -1);
    const int32_t iw = hasImage ? FImages->GetWidth() : 0, ih = hasImage ? FImages->GetHeight() : 0;
    const int32_t m = hasImage ? FImageMargin : 0;
    TRect text = cr, image = cr;
    switch (FImagePosition) {
    case ipLeft:
        text.Left += iw + m;
        image.Right = image.Left + iw;
        break;
    case ipTop:
        text.Top += ih + m;
        image.Bottom = image.Top + ih;
        break;
    case ipRight:
        text.Right -= iw + m;
        image.Left = image.Right - iw;
        break;
    case ipBottom:
        text.Bottom -= ih + m;
        image.Top = image.Bottom - ih;
        break;
    default:
        break;
    }
    if (hasImage) {
        int32_t x = image.Left, y = image.Top;
        if (FImagePosition != ipStretch) {
            if (FImageAlignment == haCenter)
                x += (image.Right - image.Left - iw) / 2;
            else if (FImageAlignment == haRight)
                x = image.Right - iw;
            if (FImageAlignmentVertical == vaCenter)
                y += (image.Bottom - image.Top - ih) / 2;
            else if (FImageAlignmentVertical == vaBottom)
                y = image.Bottom - ih;
        }
        if (t->DisabledIndex == -1)
            FImages->Draw(canvas, x, y, t->ImageIndex, t->Enabled);
        else
            FImages->Draw(canvas, x, y, t->Enabled ? t->ImageIndex : t->DisabledIndex, true);
    }

    // Colour, style and the bar.
    const bool hot = i == FHotTab && t->Enabled && FHotTrack;
    TFcTextStyle style = 2;
    TColor color = FTextColors->GetUnselected();
    bool bar = false, hotBar = false;
    if (hot) {
        style = 0;
        color = FHotTrackStyle == htsText ? FHotTrackColor : FTextColors->GetSelected();
        hotBar = bar = FHotTrackStyle == htsTab;
    } else if (i == FTabIndex) {
        style = 1;
        color = FTextColors->GetSelected();
        bar = FHotTrack && FHotTrackStyle == htsTab;
    }
    if (bar) {
        TRect g = win::Inflate(tab, 1, 1);
        // The band at the outer edge: 6 pixels for top and left tabs, 4 for bottom and right ones.
        switch (FTabOrientation) {
        case toTop:
            g.Bottom = g.Top + 6;
            break;
        case toLeft:
            g.Right = g.Left + 6;
            break;
        case toBottom:
            g.Top = g.Bottom - 4;
            break;
        default:
            g.Left = g.Right - 4;
        }
        TColor barColor = FTabColors->GetHighlightBar();
        if (hotBar) {
            if (FHotTrackColorType == htctActual)
                barColor = FHotTrackColor;
            else {
                const uint8_t hue = HueOfColor(FHotTrackColor);
                barColor = HSL240ToColor(uint8_t(hue < 120 ? hue + 120 : hue - 120), 240, 140);
            }
        }
        canvas->GetBrush()->SetStyle(vcl::bsSolid);
        canvas->GetBrush()->SetColor(barColor);
        canvas->FillRect(g);
    }

    const bool bold = FBoldCurrentTab && i == FTabIndex;
    if (t->Enabled) {
        bool handled = false;
        DoGetTextColor(i, style, color, handled);
        DrawCaption(canvas, i, text, color, 0, 0);
    } else {
        TColor hi = FTextColors->GetDisabledHighlight(), sh = FTextColors->GetDisabledShadow();
        bool handled = false;
        DoGetTextColor(i, 3, hi, handled);
        DrawCaption(canvas, i, text, hi, 1, 1);
        handled = false;
        DoGetTextColor(i, 4, sh, handled);
        DrawCaption(canvas, i, text, sh, 0, 0);
    }
    (void)bold;
}

void TFcCustomTabControl::DrawCaption(vcl::TCanvas* canvas, int32_t i, TRect area, TColor color, int32_t dx,
                                      int32_t dy) {
    const TFcTabData* t = FTabs->Items(i);
    const win::HDC dc = canvas->GetHandle();
    const bool bold = FBoldCurrentTab && i == FTabIndex;
    SelectTabFont(dc, bold);
    const win::TSize ext = CaptionExtent(dc, t->Caption);
    const bool vert = VerticalText();
    const bool rightTabs = FTabOrientation == toRight;
    if (!vert) {
        const int32_t slack = (area.Bottom - area.Top) - ext.cy;
        if (FTextAlignmentVertical == vaCenter) {
            area.Top += slack / 2;
            area.Bottom -= slack / 2;
        } else if (FTextAlignmentVertical == vaBottom)
            area.Top = area.Bottom - ext.cy;
    } else {
        const int32_t slack = (area.Right - area.Left) - ext.cx;
        if (FTextAlignment == haCenter) {
            area.Left += slack / 2;
            area.Right -= slack / 2;
        } else if (rightTabs && FTextAlignment == haLeft)
            area.Right = area.Left + ext.cx;
        else if (!rightTabs && FTextAlignment == haRight)
            area.Left = area.Right - ext.cx;
    }
    win::SetBkMode(dc, win::TRANSPARENT);
    win::SetTextColor(dc, win::COLORREF(vcl::ColorToRGB(color)));

    // The underlined font for an accelerator, made on first need.
    win::HFONT underline = nullptr;
    auto underlined = [&]() {
        if (!underline) {
            vcl::TFont f;
            f.Assign(FTabFont.get());
            vcl::TFontStyles st = f.GetStyle();
            if (bold)
                st.Include(vcl::fsBold);
            st.Include(vcl::fsUnderline);
            f.SetStyle(st);
            underline = CreateRotatedFont(&f, FontAngle());
        }
        return underline;
    };

    int32_t before = 0;
    for (const std::string& line : FcTabCaptionLines(t->Caption)) {
        std::string shown = line;
        const size_t amp = line.find('&');
        if (amp != std::string::npos && amp + 1 < line.size())
            shown = line.substr(0, amp) + line.substr(amp + 1);
        win::TSize ls = TextSize(dc, shown);
        int32_t x, y;
        if (!vert) {
            const int32_t slack = (area.Right - area.Left) - ls.cx;
            const int32_t off = FTextAlignment == haLeft ? 0 : FTextAlignment == haCenter ? slack / 2 : slack;
            x = area.Left + off;
            y = area.Top + before;
            before += ls.cy;
        } else {
            const int32_t slack = (area.Bottom - area.Top) - ls.cx;
            if (rightTabs) {
                const int32_t off =
                    FTextAlignmentVertical == vaTop ? 0 : FTextAlignmentVertical == vaCenter ? slack / 2 : slack;
                x = area.Right - before;
                y = area.Top + off;
            } else {
                const int32_t off =
                    FTextAlignmentVertical == vaTop ? slack : FTextAlignmentVertical == vaCenter ? slack / 2 : 0;
                x = area.Left + before;
                y = area.Bottom - off;
            }
            before += ls.cy;
        }
        x += dx;
        y += dy;
        // The pieces: before the "&", the accelerator underlined, the rest.
        auto write = [&](const std::string& piece, win::HFONT font) {
            if (piece.empty())
                return;
            win::HGDIOBJ old = nullptr;
            if (font)
                old = win::SelectObject(dc, win::ToGdiObj(font));
            win::TextOut(dc, x, y, piece.data(), int(piece.size()));
            const win::TSize e = TextSize(dc, piece);
            if (font)
                win::SelectObject(dc, old);
            if (!vert)
                x += e.cx;
            else if (rightTabs)
                y += e.cx;
            else
                y -= e.cx;
        };
        if (amp == std::string::npos) {
            write(line, nullptr);
        } else {
            write(line.substr(0, amp), nullptr);
            if (amp + 1 < line.size()) {
                if (line[amp + 1] == '&')
                    write("&", nullptr);
                else {
                    const bool already = FTabFont->GetStyle().Contains(vcl::fsUnderline);
                    write(line.substr(amp + 1, 1), already ? nullptr : underlined());
                }
                write(line.substr(amp + 2), nullptr);
            }
        }
    }
    if (underline)
        win::DeleteObject(win::ToGdiObj(underline));

    // The focus rectangle around the aligned text area.
    if (dx == 0 && dy == 0 && FShowFocusRect && i == FTabIndex && Focused()) {
        TRect f = HorizontalStrip() ? win::Inflate(area, 1, 0) : win::Inflate(area, 0, 1);
        if (FTabStyle == tsRoundCorners) {
            switch (FTabOrientation) {
            case toTop:
                f.Top += 1;
                break;
            case toLeft:
                f.Left += 2;
                break;
            case toBottom:
                f.Bottom -= 1;
                break;
            default:
                f.Right -= 2;
            }
        }
        win::DrawFocusRect(dc, &f);
    }
    RestoreTabFont(dc);
}

void TFcCustomTabControl::DrawCard(vcl::TCanvas* canvas, int32_t row) {
    const TRect card = CardRect(row);
    if (RectEmpty(card))
        return;
    TRect fill = card;
    if (FShowCard) {
        fill.Right += 1;
        fill.Bottom += 1;
    }
    bool handled = false;
    DoPaintCardBackground(canvas, row, fill, handled);
    if (!handled) {
        canvas->GetBrush()->SetStyle(vcl::bsSolid);
        canvas->GetBrush()->SetColor(FUseColoredTabs && FTabIndex >= 0 ? FTabs->Items(FTabIndex)->Color
                                                                         : GetColor());
        canvas->FillRect(fill);
    }
    if (!FShowCardFrame)
        return;
    const int32_t l = card.Left, t = card.Top;
    const bool shadow = FTabOrientation == toTop && FTabSequence == tsStandard && FShowShadow;
    const int32_t r = shadow ? card.Right - 2 : card.Right, b = shadow ? card.Bottom - 2 : card.Bottom;
    auto hline = [&](int32_t x1, int32_t x2, int32_t y) {
        if (x2 < x1)
            return;
        FLineOps.push_back({opMove, {x1, y}});
        FLineOps.push_back({opLine, {x2 + 1, y}});
    };
    auto vline = [&](int32_t x, int32_t y1, int32_t y2) {
        if (y2 < y1)
            return;
        FLineOps.push_back({opMove, {x, y1}});
        FLineOps.push_back({opLine, {x, y2 + 1}});
    };
    FLineOps.push_back({opFlatPen, {}});
    const bool selShown = row == 0 && FTabIndex >= 0 && FTabIndex >= FFirstShownTab && TabShown(FTabIndex) &&
                          FTabs->Items(FTabIndex)->Row == 0;
    if (selShown) {
        const std::vector<TPoint> p = TabOutline(FTabIndex);
        TPoint a = p.front(), z = p.back();
        const int32_t round = FTabStyle == tsRoundCorners ? 1 : 0;
        const bool full = FShowFullFrame;
        switch (FTabOrientation) {
        case toTop: {
            const int32_t lo = std::min(a.X, z.X) + round, hi = std::max(a.X, z.X) - round;
            hline(l, lo, t);
            hline(hi, r, t);
            break;
        }
        case toBottom: {
            const int32_t y = full ? b : b + 1;
            const int32_t lo = std::min(a.X, z.X) + round, hi = std::max(a.X, z.X) - round;
            hline(l, lo, y);
            hline(hi, r, y);
            break;
        }
        case toLeft: {
            const int32_t x = full ? l : l - 1;
            const int32_t lo = std::min(a.Y, z.Y) + round, hi = std::max(a.Y, z.Y) - round;
            vline(x, t, lo);
            vline(x, hi, b);
            break;
        }
        default: {
            const int32_t x = full ? r : r + 1;
            const int32_t lo = std::min(a.Y, z.Y) + round, hi = std::max(a.Y, z.Y) - round;
            vline(x, t, lo);
            vline(x, hi, b);
        }
        }
        if (full) {
            if (FTabOrientation != toTop)
                hline(l, r, t);
            if (FTabOrientation != toLeft)
                vline(l, t, b);
            if (FTabOrientation != toBottom)
                hline(l, r, b);
            if (FTabOrientation != toRight)
                vline(r, t, b);
        }
    } else if (FShowFullFrame) {
        hline(l, r, t);
        vline(l, t, b);
        hline(l, r, b);
        vline(r, t, b);
    } else {
        switch (FTabOrientation) {
        case toTop:
            hline(l, r, t);
            break;
        case toLeft:
            vline(l - 1, t, b);
            break;
        case toBottom:
            hline(l, r, b + 1);
            break;
        default:
            vline(r + 1, t, b);
        }
    }
    if (shadow && !FHotRepaintOnly) {
        // The two-pixel strip right of and below the frame: 30/255 black next to it, 15/255 outside.
        FLineOps.push_back({opMove, {r + 1, t + 1}});
        FLineOps.push_back({opShadow30, {r + 1, b + 1}});
        FLineOps.push_back({opShadow30, {l + 1, b + 1}});
        FLineOps.push_back({opMove, {r + 2, t + 2}});
        FLineOps.push_back({opShadow15, {r + 2, b + 2}});
        FLineOps.push_back({opShadow15, {l + 2, b + 2}});
    }
    RunLineOps(canvas);
}

void TFcCustomTabControl::RunLineOps(vcl::TCanvas* canvas) {
    bool anyShadow = false;
    for (const LineOp& op : FLineOps)
        anyShadow |= op.Code == opShadow30 || op.Code == opShadow15;
    std::unique_ptr<vcl::TBitmap> parent;
    if (anyShadow) {
        parent = std::make_unique<vcl::TBitmap>();
        parent->SetSize(GetWidth(), GetHeight());
        PaintParentImageOnCanvas(this, parent->GetCanvas(), false);
    }
    TPoint pen{0, 0};
    for (const LineOp& op : FLineOps) {
        switch (op.Code) {
        case opFlatPen:
            canvas->GetPen()->SetStyle(vcl::psSolid);
            canvas->GetPen()->SetWidth(1);
            canvas->GetPen()->SetColor(FlatShade());
            break;
        case opMove:
            canvas->MoveTo(op.P.X, op.P.Y);
            pen = op.P;
            break;
        case opLine:
            canvas->LineTo(op.P.X, op.P.Y);
            pen = op.P;
            break;
        default: {
            const uint8_t weight = op.Code == opShadow30 ? 30 : 15;
            const int32_t x1 = std::min(pen.X, op.P.X), x2 = std::max(pen.X, op.P.X);
            const int32_t y1 = std::min(pen.Y, op.P.Y), y2 = std::max(pen.Y, op.P.Y);
            for (int32_t y = y1; y <= y2; ++y)
                for (int32_t x = x1; x <= x2; ++x) {
                    if (x1 != x2 && y1 != y2 && !(x == x1 || y == y1))
                        continue;
                    const TColor under = parent->GetCanvas()->GetPixel(x, y);
                    canvas->SetPixel(x, y, BlendColors(vcl::clBlack, under, weight));
                }
            canvas->MoveTo(op.P.X, op.P.Y);
            pen = op.P;
        }
        }
    }
    FLineOps.clear();
}

} // namespace controls

// How a toolbar window sizes itself and places its links: the measures of each item, the single row of a
// docked bar, the wrapped rows of a floating or multi-line bar (breaking at group boundaries where it can),
// the end mark, the size questions of the dock layout and the sizing loop, and the group separators.
#include "bars/xbBarToolbar.h"

#include "bars/xbBarItem.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarPainter.h"
#include "bars/xbBars.h"
#include "bars/xbDockControl.h"
#include "platform/win/kernel/MulDiv.h"

#include <algorithm>
#include <vector>

namespace bars {

namespace {

bool IsVerticalStyle(TxbBarDockingStyle style) { return style == dsLeft || style == dsRight; }

// The link's control, made when the window has none yet (size questions come before the window handle).
TxbBarItemControl* EnsureControl(TxbBarItemLink* link) {
    if (!link->GetControl())
        link->CreateControl();
    return link->GetControl();
}

// Keeps the links' recent-item count for a scope and puts it back at its end.
class TRecentCountKeeper {
public:
    explicit TRecentCountKeeper(TxbBarItemLinks* links) : FLinks(links), FCount(links->GetRecentItemCount()) {}
    ~TRecentCountKeeper() {
        if (FLinks->GetRecentItemCount() != FCount)
            FLinks->SetRecentItemCount(FCount);
    }
    TRecentCountKeeper(const TRecentCountKeeper&) = delete;
    TRecentCountKeeper& operator=(const TRecentCountKeeper&) = delete;

private:
    TxbBarItemLinks* FLinks;
    int32_t FCount;
};

void SetRecentCount(TxbBarItemLinks* links, int32_t count) {
    if (links->GetRecentItemCount() != count)
        links->SetRecentItemCount(count);
}

} // namespace

// ---- Measures --------------------------------------------------------------------------------------------------

bool TxbBarControl::IsLastLink(TxbBarItemControl* control) {
    TxbBarItemLinks* links = GetItemLinks();
    if (!links || !control || links->GetVisibleItemCount() == 0)
        return false;
    return links->GetVisibleItem(links->GetVisibleItemCount() - 1) == control->GetLink();
}

TxbBarItemAlign TxbBarControl::EffectiveAlign(TxbBarItemControl* control) {
    return IsLastLink(control) ? control->GetAlign() : iaLeft;
}

TxbBarControl::TItemMeasure TxbBarControl::MeasureItem(TxbBarItemControl* control, bool vertical) {
    const bool client = EffectiveAlign(control) == iaClient;
    int32_t rowHeight = control->GetHeight();
    int32_t rowWidth = control->GetWidth();
    if (client && vertical)
        rowHeight = FBar && FBar->GetRotateWhenVertical() ? control->GetClientAlignWidth()
                                                           : control->GetClientAlignHeight();
    if (client && !vertical)
        rowWidth = control->GetClientAlignWidth();
    return vertical ? TItemMeasure{rowHeight, rowWidth} : TItemMeasure{rowWidth, rowHeight};
}

bool TxbBarControl::HasMark() { return HasMarkFor(FDockingStyle); }

bool TxbBarControl::HasMarkFor(TxbBarDockingStyle) {
    if (!FBar || !FBar->GetShowMark())
        return false;
    const TxbBarItemControlPainter* painter = GetPainter();
    return FTruncated || (painter && painter->SupportsQuickCustomizing() && FBar->GetAllowQuickCustomizing());
}

bool TxbBarControl::AllowsMultipleRows() { return MultiRowFor(FDockingStyle); }

bool TxbBarControl::MultiRowFor(TxbBarDockingStyle style) {
    return style == dsNone || (FBar && FBar->GetMultiLine());
}

// ---- Layout ----------------------------------------------------------------------------------------------------

void TxbBarControl::ArrangeItemLinks() {
    const win::TRect client = GetClientRect();
    ArrangeFor(FDockingStyle, client.Right - client.Left, client.Bottom - client.Top);
}

void TxbBarControl::CenterRow(int32_t first, int32_t last, int32_t thickness, bool vertical) {
    TxbBarItemLinks* links = GetItemLinks();
    for (int32_t i = first; i <= last; ++i) {
        TxbBarItemLink* link = links->GetShownItem(i);
        win::TRect& r = link->ItemRect;
        if (r.Right <= r.Left && r.Bottom <= r.Top)
            continue;
        if (vertical) {
            // Columns grow leftwards from the right edge: the column's left edge lies thickness left of the
            // item's right edge, which sits on the column's right edge.
            const int32_t width = r.Right - r.Left;
            const int32_t columnLeft = r.Right - thickness;
            r.Left = columnLeft + (thickness - width) / 2;
            r.Right = r.Left + width;
        } else {
            const int32_t shift = (thickness - (r.Bottom - r.Top)) / 2;
            r.Top += shift;
            r.Bottom += shift;
        }
        link->RowThickness = thickness;
    }
}

void TxbBarControl::ArrangeFor(TxbBarDockingStyle style, int32_t clientWidth, int32_t clientHeight) {
    TxbBarItemLinks* links = GetItemLinks();
    if (!links)
        return;
    for (int32_t i = 0; i < links->GetCount(); ++i) {
        links->GetItem(i)->ItemRect = {};
        links->GetItem(i)->RowThickness = 0;
    }
    const bool vertical = IsVerticalStyle(style);
    const bool multi = MultiRowFor(style);
    const bool docked = style != dsNone;
    const bool mark = HasMarkFor(style);
    const int32_t clientLength = vertical ? clientHeight : clientWidth;
    const int32_t barThickness = vertical ? clientWidth : clientHeight;
    int32_t available = clientLength;
    if (multi ? docked && mark : mark)
        available -= ToolbarMarkSize;

    int32_t position = 0, cross = 0, rowThickness = 0, rowFirst = 0;
    int32_t lastPlaced = -1;
    const int32_t count = links->GetShownItemCount();
    for (int32_t i = 0; i < count; ++i) {
        TxbBarItemLink* link = links->GetShownItem(i);
        TxbBarItemControl* control = EnsureControl(link);
        if (!control)
            continue;
        control->SetEndsRow(false);
        const TItemMeasure m = MeasureItem(control, vertical);
        const bool rowHasLinks = lastPlaced >= rowFirst && lastPlaced >= 0;
        int32_t separator = link->GetBeginGroup() && rowHasLinks ? GetSeparatorSize() : 0;
        const bool breakRow = rowHasLinks && ((position > 0 && position + separator + m.Length > available) ||
                                              (multi && control->GetStartsRow()));
        if (breakRow) {
            if (!multi)
                break;
            links->GetShownItem(lastPlaced)->GetControl()->SetEndsRow(true);
            CenterRow(rowFirst, lastPlaced, rowThickness, vertical);
            cross += rowThickness + separator;
            position = 0;
            separator = 0;
            rowThickness = 0;
            rowFirst = i;
        }
        win::TRect r;
        if (multi && !vertical)
            r = {position + separator, cross, position + separator + m.Length, cross + m.Thickness};
        else if (multi)
            r = {clientWidth - cross - m.Thickness, position + separator, clientWidth - cross,
                 position + separator + m.Length};
        else if (vertical) {
            const int32_t left = (barThickness - m.Thickness) / 2;
            r = {left, position + separator, left + m.Thickness, position + separator + m.Length};
        } else {
            const int32_t top = (barThickness - m.Thickness) / 2;
            r = {position + separator, top, position + separator + m.Length, top + m.Thickness};
        }
        const TxbBarItemAlign align = EffectiveAlign(control);
        if (align != iaLeft) {
            int32_t& start = vertical ? r.Top : r.Left;
            int32_t& end = vertical ? r.Bottom : r.Right;
            if (align == iaCenter || align == iaRight) {
                const int32_t shift = align == iaCenter ? (available - end) / 2 : available - end;
                start += shift;
                end += shift;
            } else {
                end = std::max(available, start + control->GetClientAlignWidth());
            }
            position = available;
            if (i != count - 1)
                FTruncated = true;
        } else {
            position += separator + m.Length;
        }
        link->ItemRect = r;
        link->RowThickness = rowThickness;
        rowThickness = std::max(rowThickness, m.Thickness);
        lastPlaced = i;
    }
    if (lastPlaced >= 0) {
        links->GetShownItem(lastPlaced)->GetControl()->SetEndsRow(true);
        if (multi)
            CenterRow(rowFirst, lastPlaced, rowThickness, vertical);
    }
    PlaceSeparators(style, clientWidth, clientHeight);
}

void TxbBarControl::GetItemDrawRect(TxbBarItemControl* control, win::TRect& rect) {
    GetItemDrawRect(control, IsVertical(), rect);
}

void TxbBarControl::GetItemDrawRect(TxbBarItemControl* control, bool vertical, win::TRect& rect) {
    rect = GetItemRect(control);
    if (!control || !control->GetLink())
        return;
    const int32_t thickness = control->GetLink()->RowThickness;
    if (vertical) {
        const int32_t own = rect.Right - rect.Left;
        if (thickness > own) {
            rect.Left -= (thickness - own) / 2;
            rect.Right = rect.Left + thickness;
        }
    } else {
        const int32_t own = rect.Bottom - rect.Top;
        if (thickness > own) {
            rect.Top -= (thickness - own) / 2;
            rect.Bottom = rect.Top + thickness;
        }
    }
}

void TxbBarControl::PlaceSeparators(TxbBarDockingStyle style, int32_t clientWidth, int32_t clientHeight) {
    TxbBarItemLinks* links = GetItemLinks();
    const bool vertical = IsVerticalStyle(style);
    const int32_t markRoom = style != dsNone && HasMarkFor(style) ? ToolbarMarkSize : 0;
    const int32_t size = GetSeparatorSize();
    for (int32_t i = 0; i < links->GetShownItemCount(); ++i) {
        TxbBarItemLink* link = links->GetShownItem(i);
        TxbBarItemControl* control = link->GetControl();
        if (!control)
            continue;
        const win::TRect& own = link->ItemRect;
        if (!link->GetBeginGroup() || (own.Right <= own.Left && own.Bottom <= own.Top)) {
            control->SetSeparatorRect({});
            continue;
        }
        win::TRect r;
        GetItemDrawRect(control, vertical, r);
        win::TRect separator;
        if (!vertical && r.Left == 0 && r.Top > 0)
            separator = {0, r.Top - size, clientWidth - markRoom, r.Top};
        else if (vertical && r.Top > 0)
            separator = {r.Left, r.Top - size, r.Right, r.Top};
        else if (!vertical)
            separator = {r.Left - size, r.Top, r.Left, r.Bottom};
        else
            separator = {r.Right, 0, r.Right + size, clientHeight - markRoom};
        control->SetSeparatorRect(separator);
    }
}

// ---- Wrapping --------------------------------------------------------------------------------------------------

void TxbBarControl::CalcWrappedSize(TxbBarDockingStyle style, bool countMark, int32_t maxLength, win::TSize& size) {
    TxbBarItemLinks* links = GetItemLinks();
    if (!links)
        return;
    const bool vertical = IsVerticalStyle(style);
    int32_t& sizeLength = vertical ? size.cy : size.cx;
    int32_t& sizeThickness = vertical ? size.cx : size.cy;
    int32_t limit = std::max(maxLength, sizeLength);
    if (countMark && HasMarkFor(style))
        limit -= ToolbarMarkSize;

    const int32_t count = links->GetShownItemCount();
    int32_t rowLength = 0, rowThickness = 0, widest = 0, finished = 0;
    // The last link of this row that begins a group, and the row as it was before it.
    int32_t groupStart = -1, lengthBeforeGroup = 0, thicknessBeforeGroup = 0;
    bool backtracking = false, cleanBreak = true, rowEmpty = true;
    for (int32_t i = 0; i < count; ++i) {
        TxbBarItemLink* link = links->GetShownItem(i);
        TxbBarItemControl* control = EnsureControl(link);
        if (!control)
            continue;
        const TItemMeasure m = MeasureItem(control, vertical);
        const bool beginsGroup = link->GetBeginGroup();
        const int32_t separator = beginsGroup && !rowEmpty ? GetSeparatorSize() : 0;
        const bool breakHere =
            !rowEmpty && (rowLength + separator + m.Length > limit || backtracking || (beginsGroup && !cleanBreak));
        if (breakHere) {
            // A link that begins a group is its own group start: the break before it is already clean.
            if (groupStart >= 0 && groupStart < i && !backtracking && !beginsGroup) {
                // The whole group moves to the next row: walk back to its first link and break there.
                for (int32_t j = groupStart; j < i; ++j)
                    if (TxbBarItemControl* c = links->GetShownItem(j)->GetControl())
                        c->SetStartsRow(false);
                rowLength = lengthBeforeGroup;
                rowThickness = thicknessBeforeGroup;
                i = groupStart - 1;
                groupStart = -1;
                backtracking = true;
                continue;
            }
            // A break at a group start is clean; one inside a group makes the next group start a new row.
            cleanBreak = beginsGroup;
            backtracking = false;
            widest = std::max(widest, rowLength);
            finished += rowThickness + separator;
            control->SetStartsRow(true);
            rowLength = m.Length;
            rowThickness = m.Thickness;
            groupStart = -1;
            continue;
        }
        control->SetStartsRow(false);
        if (beginsGroup && !rowEmpty) {
            groupStart = i;
            lengthBeforeGroup = rowLength;
            thicknessBeforeGroup = rowThickness;
        }
        rowLength += separator + m.Length;
        rowThickness = std::max(rowThickness, m.Thickness);
        rowEmpty = false;
    }
    widest = std::max(widest, rowLength);
    if (count > 0)
        sizeThickness = finished + rowThickness;
    sizeLength = std::max(sizeLength, widest);
}

// ---- Size questions --------------------------------------------------------------------------------------------

int32_t TxbBarControl::MinLength(TxbBarDockingStyle style, bool alongHeight) {
    TxbBarItemLinks* links = GetItemLinks();
    TxbBarManager* manager = GetBarManager();
    const bool vertical = IsVerticalStyle(style);
    const bool alongRow = alongHeight == vertical;
    const int32_t empty = manager ? (alongHeight ? manager->GetButtonHeight() : manager->GetButtonWidth()) : 0;
    int32_t result = 0;
    if (!links)
        return empty;
    if (!alongRow || MultiRowFor(style)) {
        // The widest item across the rows.
        TRecentCountKeeper keep(links);
        SetRecentCount(links, -1);
        if (links->GetVisibleItemCount() == 0)
            result = empty;
        for (int32_t i = 0; i < links->GetVisibleItemCount(); ++i)
            if (TxbBarItemControl* control = EnsureControl(links->GetVisibleItem(i))) {
                const TItemMeasure m = MeasureItem(control, vertical);
                result = std::max(result, alongRow ? m.Length : m.Thickness);
            }
    } else {
        // The row shrinks to the most recently used link.
        TRecentCountKeeper keep(links);
        SetRecentCount(links, 1);
        TxbBarItemLink* first = links->GetShownItem(0);
        TxbBarItemControl* control = first ? EnsureControl(first) : nullptr;
        result = control ? MeasureItem(control, vertical).Length : empty;
    }
    if (style != dsNone && alongRow && HasMarkFor(style))
        result += ToolbarMarkSize;
    return result;
}

int32_t TxbBarControl::MaxLength(TxbBarDockingStyle style, bool alongHeight) {
    TxbBarItemLinks* links = GetItemLinks();
    const bool vertical = IsVerticalStyle(style);
    const bool alongRow = alongHeight == vertical;
    const int32_t minimum = MinLength(style, alongHeight);
    if (!links)
        return minimum;
    int32_t result = 0;
    TRecentCountKeeper keep(links);
    SetRecentCount(links, -1);
    for (int32_t i = 0; i < links->GetVisibleItemCount(); ++i) {
        TxbBarItemLink* link = links->GetVisibleItem(i);
        TxbBarItemControl* control = EnsureControl(link);
        if (!control)
            continue;
        const TItemMeasure m = MeasureItem(control, vertical);
        const int32_t extent = alongRow ? m.Length : m.Thickness;
        if (alongRow || MultiRowFor(style))
            result += (link->GetBeginGroup() ? GetSeparatorSize() : 0) + extent;
        else
            result = std::max(result, extent);
    }
    if ((alongRow || MultiRowFor(style)) && style != dsNone && alongRow && HasMarkFor(style))
        result += ToolbarMarkSize;
    return std::max(minimum, result);
}

int32_t TxbBarControl::GetMinWidth(TxbBarDockingStyle style) { return MinLength(style, false); }
int32_t TxbBarControl::GetMinHeight(TxbBarDockingStyle style) { return MinLength(style, true); }
int32_t TxbBarControl::GetMaxWidth(TxbBarDockingStyle style) { return MaxLength(style, false); }
int32_t TxbBarControl::GetMaxHeight(TxbBarDockingStyle style) { return MaxLength(style, true); }

win::TSize TxbBarControl::CalcSizeByWidth(TxbBarDockingStyle style, int32_t width) {
    return CalcSizeByLength(style, width, true);
}

win::TSize TxbBarControl::CalcSizeByHeight(TxbBarDockingStyle style, int32_t height) {
    return CalcSizeByLength(style, height, false);
}

win::TSize TxbBarControl::CalcSizeByLength(TxbBarDockingStyle style, int32_t length, bool byWidth) {
    TxbBarItemLinks* links = GetItemLinks();
    if (!links)
        return {0, 0};
    SetRecentCount(links, -1);
    const bool vertical = IsVerticalStyle(style);
    // The question is asked along the rows (a width of a horizontal bar) or across them.
    const bool alongRow = byWidth != vertical;
    win::TSize size{GetMinWidth(style), GetMinHeight(style)};
    if (MultiRowFor(style)) {
        if (alongRow) {
            CalcWrappedSize(style, style != dsNone, length, size);
        } else {
            // Across the rows: start from one long row and shorten it while the other side stays within the
            // asked length and the row length still changes.
            const int32_t longest = byWidth ? GetMaxHeight(style) : GetMaxWidth(style);
            size = CalcSizeByLength(style, longest, !byWidth);
            for (;;) {
                const int32_t current = byWidth ? size.cy : size.cx;
                if (current <= 1)
                    break;
                const win::TSize next = CalcSizeByLength(style, current - 1, !byWidth);
                const int32_t nextAcross = byWidth ? next.cx : next.cy;
                const int32_t nextLength = byWidth ? next.cy : next.cx;
                if (nextAcross >= length || nextLength == current)
                    break;
                size = next;
            }
            // The wrapping flags belong to the size chosen.
            CalcSizeByLength(style, byWidth ? size.cy : size.cx, !byWidth);
        }
        ArrangeFor(style, size.cx, size.cy);
        return size;
    }
    if (!alongRow) {
        // A single row asked across: its thickness by its full length.
        if (byWidth)
            size.cy = GetMaxHeight(style);
        else
            size.cx = GetMaxWidth(style);
        ArrangeFor(style, size.cx, size.cy);
        return size;
    }
    const bool mark = HasMarkFor(style);
    int32_t& sizeLength = byWidth ? size.cx : size.cy;
    int32_t& sizeThickness = byWidth ? size.cy : size.cx;
    const int32_t room = std::max(length, sizeLength) - (mark ? ToolbarMarkSize : 0);
    auto measureRow = [&](int32_t& thickness) {
        int32_t row = 0;
        thickness = 0;
        for (int32_t i = 0; i < links->GetShownItemCount(); ++i) {
            TxbBarItemLink* link = links->GetShownItem(i);
            TxbBarItemControl* control = EnsureControl(link);
            if (!control)
                continue;
            const TItemMeasure m = MeasureItem(control, vertical);
            row += (link->GetBeginGroup() ? GetSeparatorSize() : 0) + m.Length;
            thickness = std::max(thickness, m.Thickness);
        }
        return row;
    };
    TxbBarManager* manager = GetBarManager();
    if (links->UsesRecentItems() && !(manager && manager->GetDesigning())) {
        // As many of the most recently used links as fit; all of them when every one does.
        int32_t fitting = 1;
        const int32_t visible = links->GetVisibleItemCount();
        for (int32_t n = 2; n <= visible; ++n) {
            SetRecentCount(links, n);
            int32_t thickness = 0;
            if (measureRow(thickness) > room)
                break;
            fitting = n;
        }
        SetRecentCount(links, fitting >= visible ? -1 : fitting);
    }
    int32_t thickness = 0;
    const int32_t row = measureRow(thickness);
    sizeLength = row + (mark ? ToolbarMarkSize : 0);
    if (links->GetShownItemCount() > 0)
        sizeThickness = thickness;
    ArrangeFor(style, size.cx, size.cy);
    return size;
}

win::TSize TxbBarControl::CalcSizeForStyle(TxbBarDockingStyle style) {
    TxbBarItemLinks* links = GetItemLinks();
    if (!FBar || !links)
        return {0, 0};
    const int32_t recentCount = links->GetRecentItemCount();
    win::TSize size{0, 0};
    const int32_t ncWidth = FBar->GetNonClientWidth(style);
    const int32_t ncHeight = FBar->GetNonClientHeight(style);
    TxbDockControl* dock = FDockControl && FDockControl->GetDockingStyle() == style
                               ? FDockControl
                               : (FBar->GetBars() ? FBar->GetBars()->GetDockControl(style) : nullptr);
    const win::TRect dockClient = dock ? dock->GetClientRect() : win::TRect{};
    const bool wholeRow = FBar->GetWholeRow() && dock;
    if (style == dsNone) {
        size = CalcSizeByWidth(style, FBar->GetFloatClientWidth());
        size.cx += ncWidth;
        size.cy += ncHeight;
    } else if (IsVerticalStyle(style)) {
        const int32_t height = wholeRow ? dockClient.Bottom - dockClient.Top - ncHeight : GetMaxHeight(style);
        size = CalcSizeByHeight(style, height);
        size.cx += ncWidth;
        size.cy = wholeRow ? dockClient.Bottom - dockClient.Top : size.cy + ncHeight;
    } else {
        const int32_t width = wholeRow ? dockClient.Right - dockClient.Left - ncWidth : GetMaxWidth(style);
        size = CalcSizeByWidth(style, width);
        size.cx = wholeRow ? dockClient.Right - dockClient.Left : size.cx + ncWidth;
        size.cy += ncHeight;
    }
    SetRecentCount(links, recentCount);
    ArrangeItemLinks();
    return size;
}

win::TPoint TxbBarControl::GetDragCursorOffset(TxbBarDockingStyle style) {
    TxbBars* bars = FBar ? FBar->GetBars() : nullptr;
    if (bars && bars->GetMovingBarControl() == this && style == FDragStartStyle)
        return FDragPressOffset;
    const win::TSize size = CalcSizeForStyle(style);
    auto scale = [](int32_t value, int32_t numerator, int32_t denominator) {
        return denominator > 0 ? win::MulDiv(value, numerator, denominator) : 0;
    };
    return {scale(size.cx, FDragPressOffset.X, FDragPressSize.cx),
            scale(size.cy, FDragPressOffset.Y, FDragPressSize.cy)};
}

} // namespace bars

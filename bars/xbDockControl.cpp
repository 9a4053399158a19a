#include "bars/xbDockControl.h"

#include "bars/xbBarControl.h"
#include "bars/xbBarDraw.h"
#include "bars/xbBarPainter.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Version.h"
#include "platform/win/user/UserTypes.h"
#include "bars/xbBarToolbar.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBars.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

#include <algorithm>

namespace bars {

// ---- Rows and cols ------------------------------------------------------------------------------------------

void TxbDockCol::SavePosition() {
    if (FToolbarWindow)
        StoredPos = {FToolbarWindow->GetLeft(), FToolbarWindow->GetTop()};
}

TxbDockCol* TxbDockRow::GetCol(int32_t index) const {
    return index >= 0 && index < GetColCount() ? FCols[size_t(index)].get() : nullptr;
}

TxbDockCol* TxbDockRow::InsertCol(int32_t index, TxbBarControl* window) {
    index = std::clamp(index, 0, GetColCount());
    auto col = std::make_unique<TxbDockCol>(this, window);
    TxbDockCol* raw = col.get();
    FCols.insert(FCols.begin() + index, std::move(col));
    return raw;
}

void TxbDockRow::DeleteCol(int32_t index) {
    if (index >= 0 && index < GetColCount())
        FCols.erase(FCols.begin() + index);
}

int32_t TxbDockRow::IndexOfWindow(const TxbBarControl* window) const {
    for (int32_t i = 0; i < GetColCount(); ++i)
        if (FCols[size_t(i)]->FToolbarWindow == window)
            return i;
    return -1;
}

// ---- Construction -------------------------------------------------------------------------------------------

TxbDockControl::TxbDockControl(vcl::TComponent* owner)
    : vcl::TCustomControl(owner), FBackgroundBitmap(std::make_unique<vcl::TBitmap>()),
      FBackgroundCache(std::make_unique<vcl::TBitmap>()) {
    FBackgroundBitmap->OnChange = [this](vcl::TObject* sender) { BackgroundChanged(sender); };
    SetParentColor(true);
    if (auto* form = dynamic_cast<vcl::TCustomForm*>(owner))
        SetBarManager(GetBarManagerByForm(form));
}

TxbDockControl::TxbDockControl(TxbBarManager* manager, TxbBarDockingStyle style)
    : vcl::TCustomControl(nullptr), FBackgroundBitmap(std::make_unique<vcl::TBitmap>()),
      FBackgroundCache(std::make_unique<vcl::TBitmap>()) {
    static constexpr vcl::TAlign Aligns[] = {vcl::alNone, vcl::alLeft, vcl::alTop, vcl::alRight, vcl::alBottom};
    FBackgroundBitmap->OnChange = [this](vcl::TObject* sender) { BackgroundChanged(sender); };
    SetParentColor(true);
    FManagerDockStyle = style;
    // An edge dock starts without thickness: rows give it one.
    if (style == dsLeft || style == dsRight)
        SetWidth(0);
    else
        SetHeight(0);
    SetAlign(Aligns[style]);
    if (manager && manager->GetOwnerForm())
        SetParent(manager->GetOwnerForm());
    SetBarManager(manager);
}

TxbDockControl::~TxbDockControl() {
    // The windows belong to their bars: they only forget this dock.
    for (auto& row : FRows)
        for (int32_t i = 0; i < row->GetColCount(); ++i)
            if (TxbBarControl* window = row->GetCol(i)->GetToolbarWindow())
                if (window->GetDockControl() == this)
                    window->SetDockControl(nullptr);
    FRows.clear();
    if (FBarManager) {
        TxbBarManager* manager = FBarManager;
        FBarManager = nullptr;
        manager->RemoveDockControl(this);
    }
    // The bitmap's change event must not reach a dock that is going.
    FBackgroundBitmap->OnChange = nullptr;
}

void TxbDockControl::SetBarManager(TxbBarManager* value) {
    if (value == FBarManager)
        return;
    TxbBarManager* old = FBarManager;
    FBarManager = value;
    if (old)
        old->RemoveDockControl(this);
    if (FBarManager)
        FBarManager->AddDockControl(this);
    Changed();
}

void TxbDockControl::Changed() { ClearBackgroundCache(); }

vcl::TCustomForm* TxbDockControl::GetDockForm() { return FBarManager ? FBarManager->GetOwnerForm() : nullptr; }

void TxbDockControl::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TCustomControl::Notification(component, operation);
    if (operation == vcl::opRemove && component == FBarManager)
        FBarManager = nullptr;
}

TxbBarDockingStyle TxbDockControl::GetDockingStyle() const {
    switch (GetAlign()) {
    case vcl::alLeft: return dsLeft;
    case vcl::alRight: return dsRight;
    case vcl::alBottom: return dsBottom;
    default: return dsTop;
    }
}

bool TxbDockControl::IsVertical() const {
    const TxbBarDockingStyle style = GetDockingStyle();
    return style == dsLeft || style == dsRight;
}

void TxbDockControl::UpdateColor() {
    if (!FBarManager || FBarManager->GetAutoDockColor())
        SetParentColor(true);
    else
        vcl::TCustomControl::SetColor(FBarManager->GetDockColor());
}

void TxbDockControl::UpdateBorder() { RefreshFrames(); }

// ---- Rows ---------------------------------------------------------------------------------------------------

TxbDockRow* TxbDockControl::GetRow(int32_t index) const {
    return index >= 0 && index < GetRowCount() ? FRows[size_t(index)].get() : nullptr;
}

bool TxbDockControl::FindWindow(const TxbBarControl* window, int32_t& row, int32_t& col) const {
    for (int32_t r = 0; r < GetRowCount(); ++r) {
        const int32_t c = FRows[size_t(r)]->IndexOfWindow(window);
        if (c >= 0) {
            row = r;
            col = c;
            return true;
        }
    }
    return false;
}

bool TxbDockControl::ManagerRestoring() const { return FBarManager && FBarManager->IsRestoringBars(); }

int32_t TxbDockControl::ClientAcross() { return IsVertical() ? GetClientWidth() : GetClientHeight(); }

int32_t TxbDockControl::ClientAlong() { return IsVertical() ? GetClientHeight() : GetClientWidth(); }

int32_t TxbDockControl::RowThickness(const TxbDockRow* row) const {
    int32_t thickness = 0;
    for (int32_t i = 0; i < row->GetColCount(); ++i)
        if (TxbBarControl* w = row->GetCol(i)->GetToolbarWindow())
            thickness = std::max(thickness, IsVertical() ? w->GetWidth() : w->GetHeight());
    return thickness;
}

int32_t TxbDockControl::GetRowsSize() {
    int32_t size = 0;
    for (auto& row : FRows)
        size += RowThickness(row.get());
    return size;
}

int32_t TxbDockControl::GetDockSize() {
    const int32_t size = GetRowsSize();
    return size + (GetRowCount() > 0 && GetSunkenBorder() ? 2 : 0);
}

win::TRect TxbDockControl::GetRowRect(int32_t index) {
    if (index < 0 || index >= GetRowCount())
        return {};
    int32_t start = 0, end = 0;
    const TxbBars* bars = FBarManager ? FBarManager->GetBars() : nullptr;
    const TxbBarDockingStyle style = GetDockingStyle();
    if (bars && bars->GetMovingBarControl() && (style == dsRight || style == dsBottom)) {
        // While a bar is dragged, far-side rows are stacked from the far edge.
        end = ClientAcross();
        for (int32_t i = GetRowCount() - 1; i > index; --i)
            end -= RowThickness(FRows[size_t(i)].get());
        start = end - RowThickness(FRows[size_t(index)].get());
    } else {
        for (int32_t i = 0; i < index; ++i)
            start += RowThickness(FRows[size_t(i)].get());
        end = start + RowThickness(FRows[size_t(index)].get());
    }
    if (IsVertical())
        return {start, 0, end, GetClientHeight()};
    return {0, start, GetClientWidth(), end};
}

void TxbDockControl::GetRowZone(int32_t n, int32_t part, int32_t& start, int32_t& end) {
    const int32_t zone = FBarManager && FBarManager->GetBars() ? FBarManager->GetBars()->GetZoneSize() : 23;
    const TxbBarDockingStyle style = GetDockingStyle();
    const bool nearSide = style == dsLeft || style == dsTop;
    const int32_t across = ClientAcross();
    const int32_t rows = GetRowsSize();
    if (n < 0) {
        start = nearSide ? -zone : across - rows - zone;
        end = start + zone;
    } else if (n >= GetRowCount()) {
        start = nearSide ? rows : across;
        end = start + zone;
    } else {
        const win::TRect r = GetRowRect(n);
        start = IsVertical() ? r.Left : r.Top;
        end = IsVertical() ? r.Right : r.Bottom;
    }
    const int32_t margin = (zone - DockNewRowBand) / 2;
    const int32_t band = nearSide ? start + margin : end - margin - DockNewRowBand;
    if (part == 0) {
        end = band;
    } else if (part == 1) {
        start = band;
        end = band + DockNewRowBand;
    } else {
        start = band + DockNewRowBand;
    }
}

void TxbDockControl::RowAtPoint(win::TPoint point, int32_t& row, bool& newRow) {
    if (GetRowCount() == 0) {
        row = 0;
        newRow = true;
        return;
    }
    const win::TPoint p = ScreenToClient(point);
    const int32_t c = IsVertical() ? p.X : p.Y;
    bool found = false;
    for (int32_t n = -1; n <= GetRowCount() && !found; ++n)
        for (int32_t part = 0; part < 3 && !found; ++part) {
            int32_t start = 0, end = 0;
            GetRowZone(n, part, start, end);
            if (start <= c && c < end) {
                row = part == 0 ? n : n + 1;
                newRow = part == 1;
                found = true;
            }
        }
    if (!found || row < 0) {
        newRow = true;
        row = c < GetRowsSize() ? 0 : GetRowCount();
    }
    if (row >= GetRowCount())
        newRow = true;
}

int32_t TxbDockControl::ColIndexAt(int32_t row, win::TPoint point) {
    TxbDockRow* r = GetRow(row);
    if (!r || r->GetColCount() == 0)
        return 0;
    win::TPoint p = ScreenToClient(point);
    const TxbBars* bars = FBarManager ? FBarManager->GetBars() : nullptr;
    if (TxbBarControl* moving = bars ? bars->GetMovingBarControl() : nullptr; moving && !moving->IsDockingChanging()) {
        const win::TPoint offset = moving->GetDragCursorOffset(GetDockingStyle());
        if (IsVertical())
            p.Y -= offset.Y;
        else
            p.X -= offset.X;
    }
    const int32_t along = IsVertical() ? p.Y : p.X;
    for (int32_t i = 0; i < r->GetColCount(); ++i) {
        TxbBarControl* w = r->GetCol(i)->GetToolbarWindow();
        TxbBar* bar = w ? w->GetBar() : nullptr;
        const int32_t docked = bar ? (IsVertical() ? bar->GetDockedTop() : bar->GetDockedLeft()) : 0;
        if (docked >= along)
            return i;
    }
    return r->GetColCount();
}

void TxbDockControl::SnapPointToRow(int32_t row, bool newRow, win::TPoint& point) {
    if (newRow && row == GetRowCount())
        newRow = false;
    int32_t start = 0, end = 0;
    if (newRow) {
        GetRowZone(row - 1, 1, start, end);
    } else {
        int32_t s1 = 0, e1 = 0, s2 = 0, e2 = 0;
        GetRowZone(row - 1, 2, s1, e1);
        GetRowZone(row, 0, s2, e2);
        // The first piece is shortened to the length of the second.
        if (e1 - s1 > e2 - s2)
            s1 = e1 - (e2 - s2);
        start = s1;
        end = e2;
    }
    win::TPoint p = ScreenToClient(point);
    (IsVertical() ? p.X : p.Y) = (start + end) / 2;
    point = ClientToScreen(p);
}

win::TRect TxbDockControl::GetDockingZone() {
    const int32_t zone = FBarManager && FBarManager->GetBars() ? FBarManager->GetBars()->GetZoneSize() : 23;
    win::TRect r = GetBoundsRect();
    r.Left -= zone;
    r.Right += zone;
    if (!IsVertical()) {
        r.Top -= zone;
        r.Bottom += zone;
    }
    if (vcl::TWinControl* parent = GetParent()) {
        const win::TPoint topLeft = parent->ClientToScreen({r.Left, r.Top});
        const win::TPoint bottomRight = parent->ClientToScreen({r.Right, r.Bottom});
        return {topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y};
    }
    return r;
}

// ---- Docking ------------------------------------------------------------------------------------------------

void TxbDockControl::DockBar(TxbBarControl* window, win::TPoint point, bool update) {
    if (!FBarManager)
        return;
    TxbBar* bar = window ? window->GetBar() : nullptr;
    const bool changing = !window || window->IsDockingChanging();
    int32_t row = 0;
    bool newRow = false;
    if (changing) {
        row = bar ? bar->GetRow() : 0;
        newRow = bar && bar->GetOneOnRow();
    } else {
        RowAtPoint(point, row, newRow);
    }
    if (bar && bar->GetWholeRow())
        newRow = true;
    const bool restoring = ManagerRestoring() && changing;
    const int32_t wanted = row;
    if (restoring && row >= GetRowCount()) {
        // Bars restored in any order keep their rows; a stored row far beyond the rows appends no more empty
        // rows than there are bars, and the bar takes the last of them.
        const int64_t wanted = int64_t(row) - GetRowCount() + 1;
        const int64_t limit = std::max<int64_t>(FBarManager->GetBars()->GetCount(), 1);
        for (int64_t i = 0; i < std::min(wanted, limit); ++i)
            FRows.push_back(std::make_unique<TxbDockRow>(this));
        row = GetRowCount() - 1;
    } else {
        row = std::min(row, newRow ? GetRowCount() : GetRowCount() - 1);
        row = std::max(row, 0);
    }
    FRowsMade = true;
    if (row >= GetRowCount())
        newRow = true;
    else if (!newRow) {
        TxbDockRow* r = GetRow(row);
        for (int32_t i = 0; i < r->GetColCount(); ++i) {
            TxbBarControl* other = r->GetCol(i)->GetToolbarWindow();
            if (other && other->GetBar() && other->GetBar()->GetWholeRow())
                newRow = true;
        }
    }
    TxbDockCol* col = nullptr;
    if (newRow) {
        TxbDockRow* target = nullptr;
        if (restoring && row < GetRowCount() && GetRow(row)->GetColCount() == 0)
            target = GetRow(row);
        else {
            // A bar given a row beyond the last one that cannot share the last row goes below it, not above:
            // the rows its bars were given keep their order.
            if (changing && wanted > row && row < GetRowCount())
                ++row;
            FRows.insert(FRows.begin() + row, std::make_unique<TxbDockRow>(this));
            target = GetRow(row);
        }
        col = target->InsertCol(target->GetColCount(), window);
    } else {
        TxbDockRow* target = GetRow(row);
        col = target->InsertCol(ColIndexAt(row, point), window);
    }
    // Where the window wants to be along the row.
    win::TPoint p = point;
    if (!changing) {
        const TxbBars* bars = FBarManager->GetBars();
        if (bars && bars->GetMovingBarControl()) {
            p.X -= bars->GetDragOffset().X;
            p.Y -= bars->GetDragOffset().Y;
        }
        const win::TPoint offset = window->GetDragCursorOffset(GetDockingStyle());
        p.X -= offset.X;
        p.Y -= offset.Y;
    }
    p = ScreenToClient(p);
    if (IsVertical())
        p.Y = std::max(p.Y, 0);
    else
        p.X = std::max(p.X, 0);
    col->StoredPos = p;
    if (window) {
        window->SetDockControl(this);
        if (window->GetParent() != this)
            window->SetParent(this);
    }
    if (!update)
        return;
    if (window && !window->GetMoving())
        window->SetBounds(p.X, p.Y, window->GetWidth(), window->GetHeight());
    UpdateLayout();
    if (!ManagerRestoring() && !FBarManager->IsLoading())
        col->SavePosition();
}

void TxbDockControl::UndockBar(TxbBarControl* window, bool update) {
    int32_t row = 0, col = 0;
    if (!FindWindow(window, row, col))
        return;
    TxbDockRow* r = GetRow(row);
    r->DeleteCol(col);
    if (r->GetColCount() == 0)
        FRows.erase(FRows.begin() + row);
    if (update)
        UpdateLayout();
}

void TxbDockControl::MoveBar(TxbBarControl* window, win::TPoint point) {
    UndockBar(window, false);
    DockBar(window, point, true);
    if (HasBackground()) {
        ClearBackgroundCache();
        RepaintBars();
    }
}

void TxbDockControl::SavePositions() {
    for (auto& row : FRows)
        for (int32_t i = 0; i < row->GetColCount(); ++i)
            row->GetCol(i)->SavePosition();
}

// ---- Layout -------------------------------------------------------------------------------------------------

void TxbDockControl::UpdateLayout() {
    if (!FBarManager || FBarManager->IsDestroying() || FBarManager->GetDockUpdateLocked())
        return;
    vcl::TCustomForm* form = FBarManager->GetOwnerForm();
    if (form && form->GetComponentState().Contains(vcl::csDestroying))
        return;
    LayoutRows();
    SizeToRows();
}

namespace {

// One window of a row while it is laid out, in row terms (along, across).
struct TRowEntry {
    TxbBarControl* Window = nullptr;
    TxbBar* Bar = nullptr;
    TxbDockCol* Col = nullptr;
    int32_t MinLen = 0, MaxLen = 0;
    int32_t NcAlong = 0, NcAcross = 0;
    int32_t Left = 0, Length = 0, Thickness = 0;
    bool Truncated = false;
};

} // namespace

void TxbDockControl::LayoutRow(TxbDockRow* row, int32_t rowIndex) {
    const TxbBarDockingStyle style = GetDockingStyle();
    const bool vertical = IsVertical();
    const int32_t length = ClientAlong();
    const TxbBars* bars = FBarManager->GetBars();
    const bool quickCustomizing = FBarManager->GetPainter()->SupportsQuickCustomizing();
    std::vector<TRowEntry> entries;
    for (int32_t i = 0; i < row->GetColCount(); ++i) {
        TRowEntry e;
        e.Col = row->GetCol(i);
        e.Window = e.Col->GetToolbarWindow();
        if (!e.Window)
            continue;
        e.Bar = e.Window->GetBar();
        e.Window->SetTruncated(false);
        if (e.Bar)
            e.Bar->GetItemLinks()->SetRecentItemCount(-1);
        e.NcAlong = e.Bar ? (vertical ? e.Bar->GetNonClientHeight(style) : e.Bar->GetNonClientWidth(style)) : 0;
        e.NcAcross = e.Bar ? (vertical ? e.Bar->GetNonClientWidth(style) : e.Bar->GetNonClientHeight(style)) : 0;
        e.MinLen = (vertical ? e.Window->GetMinHeight(style) : e.Window->GetMinWidth(style)) + e.NcAlong;
        e.MaxLen = (vertical ? e.Window->GetMaxHeight(style) : e.Window->GetMaxWidth(style)) + e.NcAlong;
        // Room for the end mark of a window that can shrink.
        if (!e.Window->HasMark() && e.MinLen != e.MaxLen)
            e.MinLen += DockEndMarkSize;
        entries.push_back(e);
    }
    if (entries.empty())
        return;
    auto sizeFor = [&](TRowEntry& e, int32_t len) {
        int32_t content = len - e.NcAlong;
        if (e.Truncated && !quickCustomizing)
            content -= DockEndMarkSize;
        const win::TSize size =
            vertical ? e.Window->CalcSizeByHeight(style, content) : e.Window->CalcSizeByWidth(style, content);
        return (vertical ? size.cx : size.cy) + e.NcAcross;
    };
    auto fullThickness = [&](TRowEntry& e, int32_t len) {
        if (e.Window->AllowsMultipleRows())
            return sizeFor(e, len);
        return (vertical ? e.Window->GetMaxWidth(style) : e.Window->GetMaxHeight(style)) + e.NcAcross;
    };
    auto storedAlong = [&](const TRowEntry& e) { return vertical ? e.Col->StoredPos.Y : e.Col->StoredPos.X; };
    const win::TRect rowRect = GetRowRect(rowIndex);
    const int32_t top = vertical ? rowRect.Left : rowRect.Top;
    const int32_t n = int32_t(entries.size());
    int64_t sumMax = 0;
    for (const TRowEntry& e : entries)
        sumMax += e.MaxLen;

    if (entries[0].Bar && entries[0].Bar->GetWholeRow()) {
        TRowEntry& e = entries[0];
        e.Left = 0;
        e.Length = std::max(length, e.MinLen);
        e.Truncated = !e.Bar->GetMultiLine() && e.Length < e.MaxLen;
        e.Thickness = sizeFor(e, e.Length);
        entries.resize(1);
    } else if (length < sumMax) {
        // The row does not fit: from the last window to the first, each as near its wish as the room allows.
        int32_t right = length;
        for (int32_t i = n - 1; i >= 0; --i) {
            TRowEntry& e = entries[size_t(i)];
            int32_t sMin = 0, sMax = 0;
            for (int32_t j = 0; j < i; ++j) {
                sMin += entries[size_t(j)].MinLen;
                sMax += entries[size_t(j)].MaxLen;
            }
            int32_t wish = std::clamp(storedAlong(e), sMin, std::max(sMin, sMax));
            if (i > 0 && bars && entries[size_t(i - 1)].Window == bars->GetMovingBarControl()) {
                const TRowEntry& prev = entries[size_t(i - 1)];
                int32_t prevMin = 0;
                for (int32_t j = 0; j < i - 1; ++j)
                    prevMin += entries[size_t(j)].MinLen;
                const int32_t prevEnd = std::max(storedAlong(prev), prevMin) + prev.MaxLen;
                if (prevEnd < wish) {
                    (vertical ? e.Col->StoredPos.Y : e.Col->StoredPos.X) = prevEnd;
                    wish = prevEnd;
                }
            }
            const int32_t room = right - wish;
            if (room < e.MaxLen) {
                e.Length = std::max(e.MinLen, room);
                e.Truncated = !(e.Bar && e.Bar->GetMultiLine()) && e.MinLen != e.MaxLen;
                e.Thickness = sizeFor(e, e.Length);
            } else {
                e.Length = e.MaxLen;
                e.Thickness = fullThickness(e, e.Length);
            }
            if (i == 0 && e.Length < right) {
                e.Length = right;
                if (!e.Truncated)
                    e.Thickness = fullThickness(e, e.Length);
            }
            e.Left = std::clamp(right - e.Length, sMin, std::max(sMin, sMax));
            right -= e.Length;
        }
    } else {
        // The row fits: each window at its wish, pushed back from the free end and from those before it.
        int32_t right = length;
        for (int32_t i = n - 1; i >= 0; --i) {
            TRowEntry& e = entries[size_t(i)];
            e.Length = e.MaxLen;
            e.Thickness = fullThickness(e, e.Length);
            const int32_t stored = storedAlong(e);
            e.Left = stored + e.Length > right ? right - e.Length : stored;
            int32_t before = 0;
            for (int32_t j = 0; j < i; ++j)
                before += entries[size_t(j)].MaxLen;
            e.Left = std::max(e.Left, before);
            right = e.Left;
        }
    }
    // Windows that take the rest of the space stretch between their neighbours.
    for (int32_t i = 0; i < int32_t(entries.size()); ++i) {
        TRowEntry& e = entries[size_t(i)];
        if (!e.Bar || !e.Bar->GetUseRestSpace())
            continue;
        e.Left = i == 0 ? 0 : entries[size_t(i - 1)].Left + entries[size_t(i - 1)].Length;
        const int32_t end = i + 1 < int32_t(entries.size()) ? entries[size_t(i + 1)].Left : length;
        e.Length = std::max(end - e.Left, e.MinLen);
    }
    int32_t thickness = 0;
    for (const TRowEntry& e : entries)
        thickness = std::max(thickness, e.Thickness);
    for (int32_t i = 0; i < int32_t(entries.size()); ++i) {
        TRowEntry& e = entries[size_t(i)];
        if (e.Truncated && i == int32_t(entries.size()) - 1)
            e.Length = std::max(length - e.Left, e.MinLen);
        e.Window->SetTruncated(e.Truncated);
        const win::TRect r = vertical ? win::TRect{top, e.Left, top + thickness, e.Left + e.Length}
                                      : win::TRect{e.Left, top, e.Left + e.Length, top + thickness};
        if (r != e.Window->GetBoundsRect())
            e.Window->SetBounds(r.Left, r.Top, r.Width(), r.Height());
        e.Window->ArrangeItemLinks();
    }
}

void TxbDockControl::LayoutRows() {
    if (!FRowsMade || !FBarManager || ManagerRestoring())
        return;
    vcl::TCustomForm* form = FBarManager->GetOwnerForm();
    if (form && form->GetComponentState().Contains(vcl::csDestroying))
        return;
    if (!FBarManager->GetDesigning() && HandleAllocated())
        win::SetWindowPos(GetHandle(), nullptr, 0, 0, 0, 0,
                          win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
    DisableAlign();
    try {
        for (int32_t i = 0; i < GetRowCount(); ++i)
            if (FRows[size_t(i)]->GetColCount() > 0)
                LayoutRow(FRows[size_t(i)].get(), i);
    } catch (...) {
        EnableAlign();
        throw;
    }
    EnableAlign();
    Invalidate();
}

void TxbDockControl::SizeToRows() {
    if (!FRowsMade)
        return;
    const int32_t size = GetDockSize();
    const TxbBarDockingStyle style = GetDockingStyle();
    const bool vertical = IsVertical();
    const int32_t old = vertical ? GetWidth() : GetHeight();
    if (size == old)
        return;
    // A far-side dock moves its near edge, so its far edge stays where it is.
    vcl::TWinControl* parent = GetParent();
    if (parent)
        parent->DisableAlign();
    try {
        const int32_t diff = size - old;
        if (vertical)
            SetBounds(style == dsRight ? GetLeft() - diff : GetLeft(), GetTop(), size, GetHeight());
        else
            SetBounds(GetLeft(), style == dsBottom ? GetTop() - diff : GetTop(), GetWidth(), size);
    } catch (...) {
        if (parent)
            parent->EnableAlign();
        throw;
    }
    if (parent)
        parent->EnableAlign();
}

void TxbDockControl::RefreshFrames() {
    if (HandleAllocated()) {
        win::SetWindowPos(GetHandle(), nullptr, 0, 0, 0, 0,
                          win::SWP_NOSIZE | win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_NOACTIVATE |
                              win::SWP_FRAMECHANGED);
        for (auto& row : FRows)
            for (int32_t i = 0; i < row->GetColCount(); ++i)
                if (TxbBarControl* w = row->GetCol(i)->GetToolbarWindow())
                    w->FrameChanged();
    }
    UpdateLayout();
}

bool TxbDockControl::HasOwnBackground() const { return FBackgroundBitmap && !FBackgroundBitmap->GetEmpty(); }

bool TxbDockControl::HasBackground() const {
    if (HasOwnBackground())
        return true;
    if (!FBarManager)
        return false;
    const TxbBarItemControlPainter* painter = FBarManager->GetPainter();
    vcl::TBitmap* bar = FBarManager->GetBackgrounds() ? FBarManager->GetBackgrounds()->GetBar() : nullptr;
    return (painter && painter->HasThemedBackground()) || (bar && !bar->GetEmpty());
}

void TxbDockControl::SetBackgroundBitmap(vcl::TBitmap* value) {
    const bool wasEmpty = FBackgroundBitmap->GetEmpty();
    // The change event stays quiet while the picture is copied: the dock hears of it once.
    vcl::TNotifyEvent event = std::move(FBackgroundBitmap->OnChange);
    FBackgroundBitmap->OnChange = nullptr;
    try {
        FBackgroundBitmap->Assign(value);
    } catch (...) {
        FBackgroundBitmap->OnChange = std::move(event);
        throw;
    }
    FBackgroundBitmap->OnChange = std::move(event);
    if (!wasEmpty || !FBackgroundBitmap->GetEmpty())
        BackgroundChanged(FBackgroundBitmap.get());
}

void TxbDockControl::BackgroundChanged(vcl::TObject*) {
    Invalidate();
    UpdateDoubleBuffered();
    RepaintBars();
}

void TxbDockControl::ClearBackgroundCache() { FBackgroundCache->SetSize(0, 0); }

void TxbDockControl::RepaintBars() {
    for (auto& row : FRows)
        for (int32_t i = 0; i < row->GetColCount(); ++i) {
            TxbBarControl* w = row->GetCol(i)->GetToolbarWindow();
            if (!w)
                continue;
            // The bar keeps a copy of what lies under it: that copy is stale now.
            w->ClearBackgroundCache();
            if (w->HandleAllocated())
                win::RedrawWindow(w->GetHandle(), nullptr, nullptr,
                                  win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_FRAME | win::RDW_UPDATENOW |
                                      win::RDW_ALLCHILDREN);
        }
}

void TxbDockControl::UpdateDoubleBuffered() { SetDoubleBuffered(HasBackground()); }

bool TxbDockControl::GetSunkenBorder() const { return FBarManager && FBarManager->GetSunkenBorder(); }

void TxbDockControl::DrawBackground(win::HDC dc, const win::TRect& rect, vcl::TColor color, win::HBRUSH brush,
                                    const win::TRect& offsetRect) {
    if (HasOwnBackground() || !FBarManager) {
        FillRectOrTileBitmap(dc, rect, offsetRect, FBackgroundBitmap.get(), color, brush);
        return;
    }
    vcl::TBitmap* bar = FBarManager->GetBackgrounds() ? FBarManager->GetBackgrounds()->GetBar() : nullptr;
    if (bar && !bar->GetEmpty()) {
        FillRectOrTileBitmap(dc, rect, offsetRect, bar, color, brush);
        return;
    }
    win::TRect client = GetClientRect();
    if (client.Right > client.Left && client.Bottom > client.Top && FBarManager->GetPainter())
        FBarManager->GetPainter()->DrawDockBackground(this, dc, color, brush, rect, offsetRect);
}

void TxbDockControl::InitiateAction() {
    vcl::TCustomControl::InitiateAction();
    if (!FBarManager || GetComponentState().Contains(vcl::csDestroying))
        return;
    // An action's update handler may show, hide or free bars: the list is read again at every step.
    TxbBars* bars = FBarManager->GetBars();
    for (int32_t i = 0; bars && i < bars->GetCount(); ++i) {
        TxbBar* bar = bars->GetItem(i);
        if (bar->GetVisible() && bar->GetItemLinks())
            bar->GetItemLinks()->UpdateItemActions();
    }
}

void TxbDockControl::CreateParams(vcl::TCreateParams& params) {
    vcl::TCustomControl::CreateParams(params);
    params.Style = (params.Style & win::WS_VISIBLE) | win::WS_CHILD | win::WS_CLIPSIBLINGS | win::WS_CLIPCHILDREN;
    params.ExStyle = 0;
    params.WindowClassStyle = win::CS_DBLCLKS;
}

void TxbDockControl::AlignControls(vcl::TControl* control, vcl::TRect& rect) {
    if (FDestroyingHandle)
        return;
    vcl::TCustomControl::AlignControls(control, rect);
    if (FBarManager && !FBarManager->IsLoading())
        UpdateLayout();
}

void TxbDockControl::WindowPosChanged(const vcl::TMessage& message) {
    const auto* pos = reinterpret_cast<const win::WINDOWPOS*>(message.LParam);
    if (!FBarManager || (pos && (pos->flags & win::SWP_NOSIZE) && (pos->flags & win::SWP_NOMOVE)))
        return;
    if (GetDockingStyle() == dsBottom) {
        // A status bar at the bottom keeps its size grip in the form's corner.
        const bool locked = FBarManager->GetDockUpdateLocked();
        FBarManager->SetDockUpdateLocked(true);
        try {
            for (auto& row : FRows)
                for (int32_t i = 0; i < row->GetColCount(); ++i) {
                    TxbBarControl* w = row->GetCol(i)->GetToolbarWindow();
                    if (w && w->GetBar() && w->GetBar()->IsStatusBar())
                        w->FrameChanged();
                }
        } catch (...) {
            FBarManager->SetDockUpdateLocked(locked);
            throw;
        }
        FBarManager->SetDockUpdateLocked(locked);
    }
    if (HasBackground())
        RepaintBars();
}

void TxbDockControl::WndProc(vcl::TMessage& message) {
    switch (message.Msg) {
    case win::WM_ERASEBKGND: {
        win::TRect client = GetClientRect();
        DrawBackground(reinterpret_cast<win::HDC>(message.WParam), client, GetColor(), nullptr, client);
        message.Result = 1;
        return;
    }
    case win::WM_NCCALCSIZE:
        vcl::TCustomControl::WndProc(message);
        if (GetSunkenBorder() && message.LParam) {
            auto* params = reinterpret_cast<win::NCCALCSIZE_PARAMS*>(message.LParam);
            win::InflateRect(&params->rgrc[0], -1, -1);
        }
        return;
    case win::WM_NCPAINT:
        vcl::TCustomControl::WndProc(message);
        if (GetSunkenBorder()) {
            win::HDC dc = win::GetWindowDC(GetHandle());
            win::TRect r;
            win::GetWindowRect(GetHandle(), &r);
            win::TRect local{0, 0, r.Right - r.Left, r.Bottom - r.Top};
            win::DrawEdge(dc, &local, win::BDR_SUNKENOUTER, win::BF_RECT);
            win::ReleaseDC(GetHandle(), dc);
        }
        return;
    case win::WM_SIZE:
        ClearBackgroundCache();
        break;
    case win::WM_WINDOWPOSCHANGED:
        vcl::TCustomControl::WndProc(message);
        WindowPosChanged(message);
        return;
    case win::WM_MOUSEACTIVATE:
        vcl::TCustomControl::WndProc(message);
        if (FBarManager && !GetComponentState().Contains(vcl::csDesigning)) {
            message.Result = win::MA_NOACTIVATE;
            vcl::TCustomForm* form = GetDockForm();
            if (form && form->HandleAllocated())
                win::SetWindowPos(form->GetHandle(), win::HWND_TOP, 0, 0, 0, 0,
                                  win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
        }
        return;
    case win::WM_RBUTTONDOWN: {
        vcl::TCustomControl::WndProc(message);
        if (FBarManager && !FBarManager->IsCustomizing()) {
            const win::TPoint at = ClientToScreen({win::GET_X_LPARAM(message.LParam), win::GET_Y_LPARAM(message.LParam)});
            ShowToolbarsPopup(this, FBarManager, at);
        }
        return;
    }
    case win::WM_LBUTTONDBLCLK:
        if (FBarManager && FBarManager->GetCanCustomize()) {
            FBarManager->SetCustomizing(true);
            return;
        }
        break;
    case win::WM_CREATE:
        vcl::TCustomControl::WndProc(message);
        WindowCreated();
        return;
    case vcl::CM_SYSCOLORCHANGE:
        vcl::TCustomControl::WndProc(message);
        // Systems of the Windows 95 family tell only the child windows: the left edge dock passes it on.
        if (FBarManager && FManagerDockStyle == dsLeft &&
            win::CurrentOsVersion().Platform == win::VER_PLATFORM_WIN32_WINDOWS)
            FBarManager->HandleOwnerFormMessage(win::WM_SYSCOLORCHANGE, 0, 0);
        return;
    default:
        break;
    }
    vcl::TCustomControl::WndProc(message);
}

// ---- The placed dock ----------------------------------------------------------------------------------------

TxbBarDockControl::TxbBarDockControl(vcl::TComponent* owner) : TxbDockControl(owner) { SetAlign(vcl::alTop); }

bool TxbBarDockControl::CanDockBar(TxbBar* bar) {
    if (!TxbDockControl::CanDockBar(bar))
        return false;
    TxbBarControl* window = bar ? bar->GetControl() : nullptr;
    if (window && window->HandleAllocated() && HandleAllocated() && win::IsChild(window->GetHandle(), GetHandle()))
        return false;
    return true;
}

bool TxbBarDockControl::IsLoadingOrRestoring() const {
    return GetComponentState().Contains(vcl::csLoading) || (GetBarManager() && GetBarManager()->IsRestoringBars());
}

int32_t TxbBarDockControl::DesignMinimumSize() const {
    return GetComponentState().Contains(vcl::csDesigning) && !FAllowZeroSizeInDesignTime ? 3 : 0;
}

int32_t TxbBarDockControl::GetRowsSize() {
    // While bars are read or restored the rows are not complete yet: the dock keeps its size.
    if (IsLoadingOrRestoring())
        return ClientAcross();
    const int32_t size = TxbDockControl::GetRowsSize();
    return size == 0 ? DesignMinimumSize() : size;
}

void TxbBarDockControl::SetAllowZeroSizeInDesignTime(bool value) {
    if (value == FAllowZeroSizeInDesignTime)
        return;
    FAllowZeroSizeInDesignTime = value;
    if (HandleAllocated())
        win::SendMessage(GetHandle(), win::WM_SIZE, 0, 0);
}

void TxbBarDockControl::Changed() {
    TxbDockControl::Changed();
    if (GetComponentState().Contains(vcl::csDestroying))
        return;
    UpdateColor();
    RefreshFrames();
}

void TxbBarDockControl::UpdateColor() {
    if (FUseOwnColor)
        return;
    TxbDockControl::UpdateColor();
}

bool TxbBarDockControl::GetSunkenBorder() const {
    return FUseOwnSunkenBorder ? FSunkenBorder : TxbDockControl::GetSunkenBorder();
}

vcl::TCustomForm* TxbBarDockControl::GetDockForm() {
    if (vcl::TCustomForm* form = vcl::GetParentForm(this))
        return form;
    return TxbDockControl::GetDockForm();
}

void TxbBarDockControl::SetDockAlign(TxbBarDockAlign value) {
    if (value == GetDockAlign())
        return;
    static constexpr TxbBarDockingStyle Styles[] = {dsTop, dsTop, dsBottom, dsLeft, dsRight};
    std::vector<TxbBarControl*> windows;
    for (int32_t r = 0; r < GetRowCount(); ++r)
        for (int32_t i = 0; i < GetRow(r)->GetColCount(); ++i)
            if (TxbBarControl* w = GetRow(r)->GetCol(i)->GetToolbarWindow())
                windows.push_back(w);
    TxbBarManager* manager = GetBarManager();
    const bool locked = manager && manager->GetDockUpdateLocked();
    if (manager)
        manager->SetDockUpdateLocked(true);
    try {
        for (TxbBarControl* w : windows)
            w->SetDockingStyle(Styles[value]);
        SetAlign(vcl::TAlign(value));
    } catch (...) {
        if (manager)
            manager->SetDockUpdateLocked(locked);
        throw;
    }
    if (manager)
        manager->SetDockUpdateLocked(locked);
    for (TxbBarControl* w : windows)
        w->Rebuild();
    if (vcl::TWinControl* parent = GetParent())
        parent->Invalidate();
}

void TxbBarDockControl::SetColor(vcl::TColor value) {
    const vcl::TColor old = GetColor();
    const bool oldParent = GetParentColor();
    vcl::TCustomControl::SetColor(value);
    if ((old != GetColor() || oldParent != GetParentColor()) && !IsLoadingOrRestoring())
        FUseOwnColor = true;
}

void TxbBarDockControl::SetParentColor(bool value) {
    const bool old = GetParentColor();
    vcl::TCustomControl::SetParentColor(value);
    if (old != GetParentColor() && !IsLoadingOrRestoring())
        FUseOwnColor = true;
}

void TxbBarDockControl::SetUseOwnColor(bool value) {
    if (value == FUseOwnColor)
        return;
    FUseOwnColor = value;
    if (!value)
        UpdateColor();
}

void TxbBarDockControl::SetSunkenBorder(bool value) {
    if (value == GetSunkenBorder())
        return;
    FSunkenBorder = value;
    FUseOwnSunkenBorder = true;
    RefreshFrames();
}

void TxbBarDockControl::SetUseOwnSunkenBorder(bool value) {
    if (value == FUseOwnSunkenBorder)
        return;
    const bool before = GetSunkenBorder();
    if (value)
        FSunkenBorder = before;
    FUseOwnSunkenBorder = value;
    if (!value && GetSunkenBorder() != before)
        RefreshFrames();
}

void TxbBarDockControl::CreateParams(vcl::TCreateParams& params) {
    TxbDockControl::CreateParams(params);
    if (GetComponentState().Contains(vcl::csDesigning))
        params.WindowClassStyle |= win::CS_HREDRAW | win::CS_VREDRAW;
}

void TxbBarDockControl::WndProc(vcl::TMessage& message) {
    TxbDockControl::WndProc(message);
    // Without bars the dock keeps the design minimum across (a line a designer can still catch).
    if (message.Msg != win::WM_SIZE || FSizing || !HandleAllocated() || IsLoadingOrRestoring() || GetRowCount() > 0)
        return;
    // The control's own size follows the window only after this message: ask the window.
    win::HWND handle = GetHandle();
    win::TRect window{}, client{};
    win::GetWindowRect(handle, &window);
    win::GetClientRect(handle, &client);
    const bool vertical = IsVertical();
    const int32_t frame = vertical ? window.Width() - client.Width() : window.Height() - client.Height();
    const int32_t wanted = DesignMinimumSize() + std::max(frame, 0);
    if ((vertical ? window.Width() : window.Height()) == wanted)
        return;
    FSizing = true;
    win::SetWindowPos(handle, nullptr, 0, 0, vertical ? wanted : window.Width(), vertical ? window.Height() : wanted,
                      win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
    FSizing = false;
}

void TxbBarDockControl::Paint() {
    TxbDockControl::Paint();
    if (!GetComponentState().Contains(vcl::csDesigning))
        return;
    vcl::TCanvas* canvas = GetCanvas();
    canvas->GetPen()->SetStyle(vcl::psDot);
    canvas->GetBrush()->SetStyle(vcl::bsClear);
    const win::TRect r = GetClientRect();
    canvas->Rectangle(r.Left, r.Top, r.Right, r.Bottom);
}

void TxbBarDockControl::WindowCreated() {
    TxbBarManager* manager = GetBarManager();
    if (!manager)
        return;
    // The bars parked while this dock's window was made again come back, the last parked first.
    const std::vector<TxbBar*> parked = manager->TakePendingBars([this](TxbBar* bar) {
        return bar->GetDockedDockControl() == this && bar->GetDockedDockingStyle() != dsNone;
    });
    for (auto it = parked.rbegin(); it != parked.rend(); ++it)
        (*it)->SetVisible(true);
}

void RegisterDockControlTables() {
    vcl::RegisterEnumNames<TxbBarDockAlign>({"dalNone", "dalTop", "dalBottom", "dalLeft", "dalRight"});
    vcl::DefineClassProperties<TxbDockControl, vcl::TCustomControl>().Property(
        "AllowDocking", &TxbDockControl::GetAllowDocking, &TxbDockControl::SetAllowDocking);
    using T = TxbBarDockControl;
    // The colour and the border are stored only while they are the dock's own.
    auto ownColor = [](T* dock) { return dock->GetUseOwnColor() && !dock->GetParentColor(); };
    vcl::DefineClassProperties<T, TxbDockControl>()
        .Property("Align", &T::GetDockAlign, &T::SetDockAlign)
        .Default(dalTop)
        .Property("AllowZeroSizeInDesignTime", &T::GetAllowZeroSizeInDesignTime, &T::SetAllowZeroSizeInDesignTime)
        .Property("BarManager", &T::GetBarManager, &T::SetBarManager)
        .Property("Color", &T::GetColor, &T::SetColor, vcl::ColorIdents())
        .Stored(ownColor)
        .Property("ParentColor", &T::GetParentColor, &T::SetParentColor)
        .Stored(ownColor)
        .Property("SunkenBorder", &T::GetSunkenBorder, &T::SetSunkenBorder)
        .Stored(&T::GetUseOwnSunkenBorder)
        .Property("UseOwnColor", &T::GetUseOwnColor, &T::SetUseOwnColor)
        .Property("UseOwnSunkenBorder", &T::GetUseOwnSunkenBorder, &T::SetUseOwnSunkenBorder)
        .Property("BackgroundBitmap", &T::GetBackgroundBitmap, &T::SetBackgroundBitmap);
    vcl::RegisterClass(
        "TxbBarDockControl", [](vcl::TComponent* owner) -> vcl::TPersistent* { return new TxbBarDockControl(owner); },
        typeid(TxbBarDockControl));
}

} // namespace bars

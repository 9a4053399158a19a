// The status bar: a strip at the bottom of its parent with text parts (or one simple text), owner-drawn
// parts and a size grip.
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/controls/ControlSupport.h"

#include <algorithm>
#include <vector>

namespace win::ctl {

namespace {

constexpr const char* StatusProp = "LoomwickStatus";

struct StatusPart {
    std::string Text;
    WPARAM Type = 0; // SBT_ flags
    LPARAM Data = 0; // the owner-drawn part's value
    int Right = -1;  // right edge, -1 = to the end
};

struct StatusState {
    std::vector<StatusPart> Parts = std::vector<StatusPart>(1);
    StatusPart Simple;
    bool IsSimple = false;
    HFONT Font = nullptr;
    int MinHeight = 0;
    bool Placing = false; // moving itself: its own WM_SIZE is not the parent's news
};

StatusState* StatusOf(HWND hwnd) {
    return State<StatusState>(hwnd, StatusProp);
}

// Borders: horizontal, vertical, and between parts.
constexpr int StatusBorderX = 0;
constexpr int StatusBorderY = 2;
constexpr int StatusGap = 2;

int StatusHeight(HWND hwnd) {
    StatusState* s = StatusOf(hwnd);
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, ControlFont(s->Font));
    int h = LineHeight(dc) + 2 * StatusBorderY + 4;
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return std::max(h, s->MinHeight + 2 * StatusBorderY);
}

// Places the bar along the bottom of its parent's client area, full width.
void StatusReposition(HWND hwnd) {
    DWORD style = Style(hwnd);
    HWND parent = GetParent(hwnd);
    if (!parent || (style & CCS_NORESIZE))
        return;
    StatusState* s = StatusOf(hwnd);
    if (s->Placing)
        return;
    TRect pr;
    GetClientRect(parent, &pr);
    int h = StatusHeight(hwnd);
    bool top = (style & CCS_BOTTOM) == CCS_TOP;
    s->Placing = true;
    SetWindowPos(hwnd, nullptr, 0, top ? 0 : pr.Bottom - h, pr.Width(), h, SWP_NOZORDER | SWP_NOACTIVATE);
    s->Placing = false;
}

TRect StatusPartRect(HWND hwnd, int index) {
    StatusState* s = StatusOf(hwnd);
    TRect r;
    GetClientRect(hwnd, &r);
    r.Top += StatusBorderY;
    if (s->IsSimple)
        return r;
    int left = StatusBorderX;
    for (int i = 0; i < index; ++i) {
        int right = s->Parts[size_t(i)].Right;
        left = (right < 0 ? r.Right : right) + StatusGap;
    }
    int right = s->Parts[size_t(index)].Right;
    return {left, r.Top, right < 0 ? r.Right : std::min(right, int(r.Right)), r.Bottom};
}

bool StatusHasGrip(HWND hwnd) {
    if (!(Style(hwnd) & SBARS_SIZEGRIP))
        return false;
    // The grip means something only when the top-level window can be resized and is not maximised.
    HWND top = GetAncestor(hwnd, GA_ROOT);
    return top && (GetWindowLong(top, GWL_STYLE) & WS_THICKFRAME) && !IsZoomed(top);
}

void StatusPaintPart(HWND hwnd, HDC dc, const StatusPart& part, TRect r, int index) {
    if (!(part.Type & SBT_NOBORDERS))
        DrawEdge(dc, &r, (part.Type & SBT_POPOUT) ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
    TRect inner{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    if (part.Type & SBT_OWNERDRAW) {
        DRAWITEMSTRUCT dis;
        dis.CtlID = UINT(ControlId(hwnd));
        dis.itemID = UINT(index);
        dis.hwndItem = hwnd;
        dis.hDC = dc;
        dis.rcItem = inner;
        dis.itemData = UINT_PTR(part.Data);
        if (HWND parent = GetParent(hwnd))
            SendMessage(parent, WM_DRAWITEM, WPARAM(dis.CtlID), reinterpret_cast<LPARAM>(&dis));
        return;
    }
    // Tabs split the text into left, centred and right parts.
    std::string pieces[3];
    int which = 0;
    for (char c : part.Text) {
        if (c == '\t' && which < 2)
            ++which;
        else
            pieces[which] += c;
    }
    TRect tr{inner.Left + 2, inner.Top, inner.Right - 2, inner.Bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    const UINT aligns[3] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    for (int i = 0; i < 3; ++i)
        if (!pieces[i].empty()) {
            TRect t = tr;
            DrawText(dc, pieces[i].c_str(), -1, &t,
                     aligns[i] | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
}

void StatusPaint(HWND hwnd, HDC dc) {
    StatusState* s = StatusOf(hwnd);
    TRect r;
    GetClientRect(hwnd, &r);
    FillSys(dc, r, COLOR_BTNFACE);
    HGDIOBJ old = SelectObject(dc, ControlFont(s->Font));
    if (s->IsSimple) {
        TRect pr = StatusPartRect(hwnd, 0);
        StatusPaintPart(hwnd, dc, s->Simple, pr, SB_SIMPLEID);
    } else {
        for (size_t i = 0; i < s->Parts.size(); ++i) {
            TRect pr = StatusPartRect(hwnd, int(i));
            if (pr.Right > pr.Left)
                StatusPaintPart(hwnd, dc, s->Parts[i], pr, int(i));
        }
    }
    SelectObject(dc, old);
    if (StatusHasGrip(hwnd)) {
        int size = GetSystemMetrics(SM_CXVSCROLL);
        TRect grip{r.Right - size, r.Bottom - size, r.Right, r.Bottom};
        DrawFrameControl(dc, &grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    }
}

StatusPart* StatusPartAt(HWND hwnd, WPARAM index) {
    StatusState* s = StatusOf(hwnd);
    if ((index & 0xFF) == SB_SIMPLEID)
        return &s->Simple;
    if ((index & 0xFF) >= s->Parts.size())
        return nullptr;
    return &s->Parts[index & 0xFF];
}

LRESULT StatusProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        StatusReposition(hwnd);
        break;
    case WM_PAINT: {
        PaintDC dc(hwnd, wParam);
        StatusPaint(hwnd, dc.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        // The parent tells its status bar it was resized by sending WM_SIZE on.
        StatusReposition(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_NCHITTEST: {
        if (StatusHasGrip(hwnd)) {
            TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ScreenToClient(hwnd, &p);
            TRect r;
            GetClientRect(hwnd, &r);
            int size = GetSystemMetrics(SM_CXVSCROLL);
            if (p.X >= r.Right - size && p.Y >= r.Bottom - size)
                return HTBOTTOMRIGHT;
        }
        break;
    }
    case SB_SETPARTS: {
        int count = int(wParam);
        if (count < 1 || count > STATUS_MAX_PARTS || !lParam)
            return FALSE;
        StatusState* s = StatusOf(hwnd);
        const int* rights = reinterpret_cast<const int*>(lParam);
        s->Parts.resize(size_t(count));
        for (int i = 0; i < count; ++i)
            s->Parts[size_t(i)].Right = rights[i];
        InvalidateRect(hwnd, nullptr, FALSE);
        return TRUE;
    }
    case SB_GETPARTS: {
        StatusState* s = StatusOf(hwnd);
        auto* rights = reinterpret_cast<int*>(lParam);
        for (size_t i = 0; rights && i < s->Parts.size() && i < wParam; ++i)
            rights[i] = s->Parts[i].Right;
        return LRESULT(s->Parts.size());
    }
    case SB_SETTEXT: {
        StatusPart* part = StatusPartAt(hwnd, wParam);
        if (!part)
            return FALSE;
        part->Type = wParam & ~WPARAM(0xFF);
        if (part->Type & SBT_OWNERDRAW)
            part->Data = lParam;
        else
            part->Text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        InvalidateRect(hwnd, nullptr, FALSE);
        return TRUE;
    }
    case SB_GETTEXT:
    case SB_GETTEXTLENGTH: {
        StatusPart* part = StatusPartAt(hwnd, wParam);
        if (!part)
            return 0;
        if (part->Type & SBT_OWNERDRAW)
            return part->Data;
        if (msg == SB_GETTEXT && lParam) {
            auto* out = reinterpret_cast<char*>(lParam);
            std::copy(part->Text.begin(), part->Text.end(), out);
            out[part->Text.size()] = 0;
        }
        return MAKELRESULT(int(part->Text.size()), int(part->Type >> 8));
    }
    case SB_GETRECT: {
        StatusState* s = StatusOf(hwnd);
        if (wParam >= s->Parts.size() || !lParam)
            return FALSE;
        *reinterpret_cast<TRect*>(lParam) = StatusPartRect(hwnd, int(wParam));
        return TRUE;
    }
    case SB_GETBORDERS: {
        if (auto* b = reinterpret_cast<int*>(lParam)) {
            b[0] = StatusBorderX;
            b[1] = StatusBorderY;
            b[2] = StatusGap;
        }
        return TRUE;
    }
    case SB_SIMPLE: {
        StatusState* s = StatusOf(hwnd);
        s->IsSimple = wParam != 0;
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    }
    case SB_ISSIMPLE:
        return StatusOf(hwnd)->IsSimple;
    case SB_SETMINHEIGHT:
        StatusOf(hwnd)->MinHeight = int(wParam);
        StatusReposition(hwnd);
        return 0;
    case WM_SETFONT:
        StatusOf(hwnd)->Font = reinterpret_cast<HFONT>(wParam);
        StatusReposition(hwnd);
        if (lParam)
            InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(StatusOf(hwnd)->Font);
    case WM_SETTEXT: {
        // The window text is the first part's.
        StatusOf(hwnd)->Parts[0].Text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        InvalidateRect(hwnd, nullptr, FALSE);
        break;
    }
    case WM_NCDESTROY:
        FreeState<StatusState>(hwnd, StatusProp);
        break;
    default:
        break;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

void RegisterStatusBarClass() {
    RegisterControlClass(STATUSCLASSNAME, WithContextMenu<StatusProc>, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
}

} // namespace win::ctl

// The header control: a row of column captions that can be clicked and whose dividers can be dragged.
// The list view puts one above its report.
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/controls/ControlSupport.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace win::ctl {

namespace {

constexpr const char* HeaderProp = "LoomwickHeader";
// How close to a divider the pointer must be to grab it.
constexpr int HeaderGrip = 4;

struct HeaderItem {
    std::string Text;
    int Width = 50;
    int Format = HDF_LEFT | HDF_STRING;
    LPARAM Data = 0;
    int Image = -1;
};

struct HeaderState {
    std::vector<HeaderItem> Items;
    HFONT Font = nullptr;
    int Pressed = -1; // the item held down by the mouse
    bool PressedIn = false;
    int Tracking = -1; // the item whose divider is being dragged
    int TrackStartX = 0;
    int TrackStartWidth = 0;
    int ScrollX = 0; // the list view's horizontal scroll
};

HeaderState* HeaderOf(HWND hwnd) {
    return State<HeaderState>(hwnd, HeaderProp);
}

TRect HeaderItemRect(HWND hwnd, int index) {
    HeaderState* s = HeaderOf(hwnd);
    TRect r;
    GetClientRect(hwnd, &r);
    int x = -s->ScrollX;
    for (int i = 0; i < index; ++i)
        x += s->Items[size_t(i)].Width;
    return {x, r.Top, x + s->Items[size_t(index)].Width, r.Bottom};
}

// Hit test: the item and whether the point is on its right divider.
int HeaderHit(HWND hwnd, TPoint p, UINT* flags) {
    HeaderState* s = HeaderOf(hwnd);
    TRect client;
    GetClientRect(hwnd, &client);
    *flags = HHT_NOWHERE;
    if (p.Y < client.Top || p.Y >= client.Bottom)
        return -1;
    // Dividers first, the last one that is close wins (a zero-width column stays reachable).
    for (int i = int(s->Items.size()) - 1; i >= 0; --i) {
        TRect r = HeaderItemRect(hwnd, i);
        if (p.X >= r.Right - HeaderGrip && p.X < r.Right + HeaderGrip) {
            *flags = HHT_ONDIVIDER;
            return i;
        }
    }
    for (int i = 0; i < int(s->Items.size()); ++i) {
        TRect r = HeaderItemRect(hwnd, i);
        if (p.X >= r.Left && p.X < r.Right) {
            *flags = HHT_ONHEADER;
            return i;
        }
    }
    return -1;
}

LRESULT HeaderNotify(HWND hwnd, UINT code, int item, HDITEM* hdi = nullptr) {
    NMHEADER nm;
    nm.iItem = item;
    nm.pitem = hdi;
    return Notify(hwnd, code, &nm.hdr);
}

// Sets an item's width through HDN_ITEMCHANGING (which may refuse) and HDN_ITEMCHANGED.
void HeaderSetWidth(HWND hwnd, int index, int width) {
    HeaderState* s = HeaderOf(hwnd);
    width = std::max(0, width);
    if (s->Items[size_t(index)].Width == width)
        return;
    HDITEM hdi;
    hdi.mask = HDI_WIDTH;
    hdi.cxy = width;
    if (HeaderNotify(hwnd, HDN_ITEMCHANGING, index, &hdi))
        return;
    s->Items[size_t(index)].Width = width;
    InvalidateRect(hwnd, nullptr, FALSE);
    HeaderNotify(hwnd, HDN_ITEMCHANGED, index, &hdi);
}

void HeaderPaint(HWND hwnd, HDC dc) {
    HeaderState* s = HeaderOf(hwnd);
    TRect client;
    GetClientRect(hwnd, &client);
    FillSys(dc, client, COLOR_BTNFACE);
    HGDIOBJ old = SelectObject(dc, ControlFont(s->Font));
    int right = client.Left;
    for (int i = 0; i < int(s->Items.size()); ++i) {
        const HeaderItem& item = s->Items[size_t(i)];
        TRect r = HeaderItemRect(hwnd, i);
        right = r.Right;
        if (r.Right <= client.Left || r.Width() <= 0)
            continue;
        if (r.Left >= client.Right)
            break;
        bool pressed = s->Pressed == i && s->PressedIn;
        if (item.Format & HDF_OWNERDRAW) {
            DRAWITEMSTRUCT dis;
            dis.CtlType = ODT_HEADER;
            dis.CtlID = UINT(ControlId(hwnd));
            dis.itemID = UINT(i);
            dis.itemAction = ODA_DRAWENTIRE;
            dis.itemState = pressed ? ODS_SELECTED : 0;
            dis.hwndItem = hwnd;
            dis.hDC = dc;
            dis.rcItem = r;
            dis.itemData = UINT_PTR(item.Data);
            if (HWND parent = GetParent(hwnd))
                SendMessage(parent, WM_DRAWITEM, WPARAM(dis.CtlID), reinterpret_cast<LPARAM>(&dis));
            continue;
        }
        TRect edge = r;
        if (pressed) {
            HBRUSH frame = GetSysColorBrush(COLOR_BTNSHADOW);
            FrameRect(dc, &edge, frame);
        } else {
            DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT | BF_SOFT);
        }
        TRect tr{r.Left + 6 + (pressed ? 1 : 0), r.Top + (pressed ? 1 : 0), r.Right - 6, r.Bottom};
        bool sorted = (item.Format & (HDF_SORTUP | HDF_SORTDOWN)) != 0;
        if (sorted)
            tr.Right -= 12;
        UINT align = (item.Format & HDF_JUSTIFYMASK) == HDF_RIGHT    ? DT_RIGHT
                     : (item.Format & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER
                                                                     : DT_LEFT;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        if (item.Format & HDF_STRING)
            DrawText(dc, item.Text.c_str(), -1, &tr,
                     align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        if (sorted && tr.Right > tr.Left) {
            // A small triangle: pointing up for ascending, down for descending.
            int cx = r.Right - 12, cy = r.Top + r.Height() / 2;
            POINT pts[3];
            if (item.Format & HDF_SORTUP) {
                pts[0] = {cx - 4, cy + 2};
                pts[1] = {cx + 4, cy + 2};
                pts[2] = {cx, cy - 2};
            } else {
                pts[0] = {cx - 4, cy - 2};
                pts[1] = {cx + 4, cy - 2};
                pts[2] = {cx, cy + 2};
            }
            HBRUSH b = GetSysColorBrush(COLOR_BTNSHADOW);
            HGDIOBJ ob = SelectObject(dc, b);
            HGDIOBJ op = SelectObject(dc, GetStockObject(NULL_PEN));
            Polygon(dc, pts, 3);
            SelectObject(dc, op);
            SelectObject(dc, ob);
        }
    }
    // The room right of the last item looks like an empty header section.
    if (right < client.Right) {
        TRect rest{right, client.Top, client.Right, client.Bottom};
        DrawEdge(dc, &rest, EDGE_RAISED, BF_RECT | BF_SOFT);
    }
    SelectObject(dc, old);
}

void HeaderGetItem(HeaderState* s, int index, HDITEM* hdi) {
    const HeaderItem& item = s->Items[size_t(index)];
    if (hdi->mask & HDI_WIDTH)
        hdi->cxy = item.Width;
    if (hdi->mask & HDI_FORMAT)
        hdi->fmt = item.Format;
    if (hdi->mask & HDI_LPARAM)
        hdi->lParam = item.Data;
    if (hdi->mask & HDI_IMAGE)
        hdi->iImage = item.Image;
    if (hdi->mask & HDI_ORDER)
        hdi->iOrder = index;
    if ((hdi->mask & HDI_TEXT) && hdi->pszText && hdi->cchTextMax > 0) {
        size_t n = std::min(item.Text.size(), size_t(hdi->cchTextMax - 1));
        std::memcpy(hdi->pszText, item.Text.data(), n);
        hdi->pszText[n] = 0;
    }
}

void HeaderSetItem(HeaderItem& item, const HDITEM* hdi) {
    if (hdi->mask & HDI_WIDTH)
        item.Width = std::max(0, hdi->cxy);
    if (hdi->mask & HDI_FORMAT)
        item.Format = hdi->fmt;
    if (hdi->mask & HDI_LPARAM)
        item.Data = hdi->lParam;
    if (hdi->mask & HDI_IMAGE)
        item.Image = hdi->iImage;
    if (hdi->mask & HDI_TEXT) {
        item.Text = hdi->pszText ? hdi->pszText : "";
        if (item.Text.size() > size_t(HEADER_MAX_TEXT))
            item.Text.resize(size_t(HEADER_MAX_TEXT));
    }
}

int HeaderHeight(HWND hwnd) {
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, ControlFont(HeaderOf(hwnd)->Font));
    int h = LineHeight(dc) + 6;
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return h;
}

LRESULT HeaderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PaintDC dc(hwnd, wParam);
        HeaderPaint(hwnd, dc.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        if (LOWORD(WPARAM(lParam)) == HTCLIENT) {
            TPoint p;
            GetCursorPos(&p);
            ScreenToClient(hwnd, &p);
            UINT flags;
            HeaderHit(hwnd, p, &flags);
            if (flags == HHT_ONDIVIDER || HeaderOf(hwnd)->Tracking >= 0) {
                SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
                return TRUE;
            }
        }
        break;
    case WM_LBUTTONDOWN: {
        HeaderState* s = HeaderOf(hwnd);
        UINT flags;
        TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        int item = HeaderHit(hwnd, p, &flags);
        if (item < 0)
            return 0;
        if (flags == HHT_ONDIVIDER) {
            HDITEM hdi;
            hdi.mask = HDI_WIDTH;
            hdi.cxy = s->Items[size_t(item)].Width;
            if (HeaderNotify(hwnd, HDN_BEGINTRACK, item, &hdi))
                return 0; // the parent refused
            s->Tracking = item;
            s->TrackStartX = p.X;
            s->TrackStartWidth = s->Items[size_t(item)].Width;
        } else if (Style(hwnd) & HDS_BUTTONS) {
            s->Pressed = item;
            s->PressedIn = true;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        SetCapture(hwnd);
        return 0;
    }
    case WM_MOUSEMOVE: {
        HeaderState* s = HeaderOf(hwnd);
        TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (s->Tracking >= 0) {
            int width = std::max(0, s->TrackStartWidth + p.X - s->TrackStartX);
            HDITEM hdi;
            hdi.mask = HDI_WIDTH;
            hdi.cxy = width;
            HeaderNotify(hwnd, HDN_TRACK, s->Tracking, &hdi);
            HeaderSetWidth(hwnd, s->Tracking, width);
        } else if (s->Pressed >= 0) {
            TRect r = HeaderItemRect(hwnd, s->Pressed);
            TRect client;
            GetClientRect(hwnd, &client);
            bool in = p.X >= r.Left && p.X < r.Right && p.Y >= client.Top && p.Y < client.Bottom;
            if (in != s->PressedIn) {
                s->PressedIn = in;
                InvalidateRect(hwnd, nullptr, FALSE);
            }
        }
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
        HeaderState* s = HeaderOf(hwnd);
        int tracking = s->Tracking, pressed = s->Pressed;
        bool in = s->PressedIn;
        s->Tracking = -1;
        s->Pressed = -1;
        s->PressedIn = false;
        if (msg == WM_LBUTTONUP && GetCapture() == hwnd)
            ReleaseCapture();
        if (tracking >= 0) {
            HDITEM hdi;
            hdi.mask = HDI_WIDTH;
            hdi.cxy = s->Items[size_t(tracking)].Width;
            HeaderNotify(hwnd, HDN_ENDTRACK, tracking, &hdi);
        } else if (pressed >= 0) {
            InvalidateRect(hwnd, nullptr, FALSE);
            if (msg == WM_LBUTTONUP && in)
                HeaderNotify(hwnd, HDN_ITEMCLICK, pressed);
        }
        return 0;
    }
    case WM_LBUTTONDBLCLK: {
        UINT flags;
        int item = HeaderHit(hwnd, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, &flags);
        if (item >= 0)
            HeaderNotify(hwnd, flags == HHT_ONDIVIDER ? HDN_DIVIDERDBLCLICK : HDN_ITEMDBLCLICK, item);
        return 0;
    }
    case WM_SETFONT:
        HeaderOf(hwnd)->Font = reinterpret_cast<HFONT>(wParam);
        if (lParam)
            InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(HeaderOf(hwnd)->Font);
    case HDM_GETITEMCOUNT:
        return LRESULT(HeaderOf(hwnd)->Items.size());
    case HDM_INSERTITEM: {
        HeaderState* s = HeaderOf(hwnd);
        auto* hdi = reinterpret_cast<const HDITEM*>(lParam);
        if (!hdi)
            return -1;
        HeaderItem item;
        HeaderSetItem(item, hdi);
        int index = std::clamp(int(wParam), 0, int(s->Items.size()));
        s->Items.insert(s->Items.begin() + index, item);
        InvalidateRect(hwnd, nullptr, FALSE);
        return index;
    }
    case HDM_DELETEITEM: {
        HeaderState* s = HeaderOf(hwnd);
        if (wParam >= s->Items.size())
            return FALSE;
        s->Items.erase(s->Items.begin() + int(wParam));
        InvalidateRect(hwnd, nullptr, FALSE);
        return TRUE;
    }
    case HDM_GETITEM: {
        HeaderState* s = HeaderOf(hwnd);
        if (wParam >= s->Items.size() || !lParam)
            return FALSE;
        HeaderGetItem(s, int(wParam), reinterpret_cast<HDITEM*>(lParam));
        return TRUE;
    }
    case HDM_SETITEM: {
        HeaderState* s = HeaderOf(hwnd);
        auto* hdi = reinterpret_cast<const HDITEM*>(lParam);
        if (wParam >= s->Items.size() || !hdi)
            return FALSE;
        HDITEM copy = *hdi;
        if (HeaderNotify(hwnd, HDN_ITEMCHANGING, int(wParam), &copy))
            return FALSE;
        HeaderSetItem(s->Items[wParam], hdi);
        InvalidateRect(hwnd, nullptr, FALSE);
        HeaderNotify(hwnd, HDN_ITEMCHANGED, int(wParam), &copy);
        return TRUE;
    }
    case HDM_GETITEMRECT: {
        HeaderState* s = HeaderOf(hwnd);
        if (wParam >= s->Items.size() || !lParam)
            return FALSE;
        *reinterpret_cast<TRect*>(lParam) = HeaderItemRect(hwnd, int(wParam));
        return TRUE;
    }
    case HDM_HITTEST: {
        auto* info = reinterpret_cast<HDHITTESTINFO*>(lParam);
        if (!info)
            return -1;
        info->iItem = HeaderHit(hwnd, info->pt, &info->flags);
        return info->iItem;
    }
    case HDM_LAYOUT: {
        // Puts the header at the top of the rectangle and takes its height off it.
        auto* layout = reinterpret_cast<HDLAYOUT*>(lParam);
        if (!layout || !layout->prc)
            return FALSE;
        int h = (Style(hwnd) & HDS_HIDDEN) ? 0 : HeaderHeight(hwnd);
        TRect& r = *layout->prc;
        if (layout->pwpos) {
            layout->pwpos->hwnd = hwnd;
            layout->pwpos->x = r.Left;
            layout->pwpos->y = r.Top;
            layout->pwpos->cx = r.Width();
            layout->pwpos->cy = h;
            layout->pwpos->flags = SWP_NOZORDER | SWP_NOACTIVATE;
        }
        r.Top += h;
        return TRUE;
    }
    case HeaderScrollMessage:
        // The list view's horizontal scroll position (private).
        HeaderOf(hwnd)->ScrollX = int(wParam);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_NCDESTROY:
        FreeState<HeaderState>(hwnd, HeaderProp);
        break;
    default:
        break;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

void RegisterHeaderClass() {
    RegisterControlClass(WC_HEADER, WithContextMenu<HeaderProc>, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
}

} // namespace win::ctl

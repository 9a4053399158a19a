// The "STATIC" class: text, frames and bitmaps that take no input.
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/user/controls/ControlSupport.h"

namespace win::ctl {

namespace {

constexpr const char* StaticProp = "LoomwickStatic";

struct StaticState {
    HFONT Font = nullptr;
    HANDLE Image = nullptr;
};

StaticState* StaticOf(HWND hwnd) {
    return State<StaticState>(hwnd, StaticProp);
}

void StaticPaintBitmap(HWND hwnd, HDC dc, const TRect& r, HBITMAP bmp) {
    BITMAP bm{};
    if (!bmp || !GetObject(bmp, sizeof(bm), &bm))
        return;
    int x = 0, y = 0;
    if (Style(hwnd) & SS_CENTERIMAGE) {
        x = (r.Width() - int(bm.bmWidth)) / 2;
        y = (r.Height() - int(bm.bmHeight)) / 2;
    }
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(dc, x, y, int(bm.bmWidth), int(bm.bmHeight), mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

void StaticPaint(HWND hwnd, HDC dc) {
    StaticState* s = StaticOf(hwnd);
    TRect r;
    GetClientRect(hwnd, &r);
    DWORD type = Style(hwnd) & SS_TYPEMASK;
    switch (type) {
    case SS_BITMAP:
        StaticPaintBitmap(hwnd, dc, r, AsBitmap(reinterpret_cast<HGDIOBJ>(s->Image)));
        return;
    case SS_BLACKRECT:
        FillSys(dc, r, COLOR_WINDOWFRAME);
        return;
    case SS_GRAYRECT:
        FillSys(dc, r, COLOR_BTNSHADOW);
        return;
    case SS_WHITERECT:
        FillSys(dc, r, COLOR_WINDOW);
        return;
    case SS_BLACKFRAME: {
        HBRUSH b = CreateSolidBrush(GetSysColor(COLOR_WINDOWFRAME));
        FrameRect(dc, &r, b);
        DeleteObject(b);
        return;
    }
    case SS_ETCHEDFRAME:
        DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
        return;
    case SS_OWNERDRAW: {
        DRAWITEMSTRUCT dis;
        dis.CtlType = ODT_STATIC;
        dis.CtlID = UINT(ControlId(hwnd));
        dis.itemAction = ODA_DRAWENTIRE;
        dis.hwndItem = hwnd;
        dis.hDC = dc;
        dis.rcItem = r;
        if (HWND parent = NotifyTarget(hwnd))
            SendMessage(parent, WM_DRAWITEM, WPARAM(dis.CtlID), reinterpret_cast<LPARAM>(&dis));
        return;
    }
    default:
        break;
    }
    HBRUSH brush = ParentColorBrush(hwnd, WM_CTLCOLORSTATIC, dc, COLOR_BTNFACE);
    FillRect(dc, &r, brush);
    HGDIOBJ old = SelectObject(dc, ControlFont(s->Font));
    UINT format = DT_WORDBREAK | DT_EXPANDTABS;
    if (type == SS_CENTER)
        format |= DT_CENTER;
    else if (type == SS_RIGHT)
        format |= DT_RIGHT;
    else if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP)
        format = DT_SINGLELINE | DT_EXPANDTABS;
    if (Style(hwnd) & SS_NOPREFIX)
        format |= DT_NOPREFIX;
    if (Style(hwnd) & SS_CENTERIMAGE)
        format = (format & ~UINT(DT_WORDBREAK)) | DT_SINGLELINE | DT_VCENTER;
    SetBkMode(dc, TRANSPARENT);
    if (!IsWindowEnabled(hwnd))
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    std::string text = GetWindowTextString(hwnd);
    DrawText(dc, text.c_str(), -1, &r, format);
    SelectObject(dc, old);
    if (Style(hwnd) & SS_SUNKEN) {
        TRect e;
        GetClientRect(hwnd, &e);
        DrawEdge(dc, &e, BDR_SUNKENOUTER, BF_RECT);
    }
}

LRESULT StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PaintDC dc(hwnd, wParam);
        StaticPaint(hwnd, dc.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_NCHITTEST:
        // Without SS_NOTIFY a static is part of what lies beneath it.
        if (!(Style(hwnd) & SS_NOTIFY))
            return HTTRANSPARENT;
        break;
    case WM_LBUTTONDOWN:
        if (Style(hwnd) & SS_NOTIFY)
            NotifyCommand(hwnd, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (Style(hwnd) & SS_NOTIFY)
            NotifyCommand(hwnd, STN_DBLCLK);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_SETTEXT: {
        LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case WM_SETFONT:
        StaticOf(hwnd)->Font = reinterpret_cast<HFONT>(wParam);
        if (lParam)
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(StaticOf(hwnd)->Font);
    case STM_SETIMAGE:
    case STM_SETICON: {
        StaticState* s = StaticOf(hwnd);
        HANDLE old = s->Image;
        s->Image = reinterpret_cast<HANDLE>(msg == STM_SETICON ? LPARAM(wParam) : lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETIMAGE:
    case STM_GETICON:
        return reinterpret_cast<LRESULT>(StaticOf(hwnd)->Image);
    case WM_NCDESTROY:
        FreeState<StaticState>(hwnd, StaticProp);
        break;
    default:
        break;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

void RegisterStaticClass() {
    RegisterControlClass(WC_STATIC, WithContextMenu<StaticProc>, CS_DBLCLKS);
}

} // namespace win::ctl

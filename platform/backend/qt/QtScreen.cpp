#include "platform/backend/qt/QtScreen.h"

#include "platform/backend/qt/QtDesktop.h"

#include "platform/win/gdi/Gdi.h"
#include "platform/win/theme/ThemeEngine.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"

#include <QtCore/QAbstractEventDispatcher>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtGui/QCursor>
#include <QtGui/QDrag>
#include <QtGui/QGuiApplication>
#include <QtGui/QIcon>
#include <QtGui/QImage>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtGui/QPixmap>
#include <QtGui/QRasterWindow>
#include <QtGui/QRegion>
#include <QtGui/QScreen>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QApplication>

#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>
#include <vector>

namespace qtbackend {

using namespace win;

// How a top-level window of the window system appears on the desktop.
struct QtWindowKind {
    bool Popup = false;
    bool Layered = false;
    bool Topmost = false;
    // Framed by the desktop (DesktopDrawsFrame), with the buttons its style asks for.
    bool Decorated = false;
    bool Dialog = false; // owned by another window: a dialog to the desktop
    bool SystemMenu = false;
    bool MinimizeBox = false;
    bool MaximizeBox = false;
    bool Sizable = false;
    bool operator==(const QtWindowKind&) const = default;
};

namespace {

QtWindowKind QtKindOf(HWND hwnd) {
    DWORD style = DWORD(GetWindowLong(hwnd, GWL_STYLE));
    DWORD ex = DWORD(GetWindowLong(hwnd, GWL_EXSTYLE));
    QtWindowKind kind;
    kind.Topmost = (ex & WS_EX_TOPMOST) != 0;
    kind.Layered = (ex & WS_EX_LAYERED) != 0;
    kind.Decorated = DesktopDrawsFrame(hwnd);
    if (kind.Decorated) {
        kind.Dialog = GetWindow(hwnd, GW_OWNER) != nullptr;
        kind.SystemMenu = (style & WS_SYSMENU) != 0;
        kind.MinimizeBox = (style & WS_MINIMIZEBOX) != 0;
        kind.MaximizeBox = (style & WS_MAXIMIZEBOX) != 0;
        kind.Sizable = (style & WS_THICKFRAME) != 0;
        return kind;
    }
    bool captionless = (style & WS_CAPTION) != WS_CAPTION;
    kind.Popup = ((style & WS_POPUP) && captionless) || (ex & WS_EX_TOOLWINDOW) || kind.Topmost;
    return kind;
}

// Whether a window manager runs on the X display (it names its check window on the root window). Off X
// there is none.
bool QtWindowManagerRuns() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return false;
    static const char name[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(sizeof name - 1), name), nullptr);
    if (!atom)
        return false;
    bool runs = false;
    if (atom->atom != XCB_ATOM_NONE) {
        for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem && !runs; xcb_screen_next(&it)) {
            xcb_get_property_reply_t* p = xcb_get_property_reply(
                c, xcb_get_property(c, 0, it.data->root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
            runs = p && p->type == XCB_ATOM_WINDOW && xcb_get_property_value_length(p) >= 4;
            std::free(p);
        }
    }
    std::free(atom);
    return runs;
}

// Whether the desktop frames the program's windows: LOOMWICK_OWN_FRAMES=1 keeps the window system's own
// frames (the classic look, for pictures that must match it), 0 asks for the desktop's; otherwise the
// desktop frames them when a window manager runs, as without one nobody would draw or move a frame.
bool QtDesktopFramesWanted() {
    const char* own = std::getenv("LOOMWICK_OWN_FRAMES");
    if (own && std::strcmp(own, "1") == 0)
        return false;
    if (own && std::strcmp(own, "0") == 0)
        return true;
    return QtWindowManagerRuns();
}

Qt::CursorShape QtCursorShape(int id) {
    switch (id) {
    case IDC_IBEAM:
        return Qt::IBeamCursor;
    case IDC_WAIT:
        return Qt::WaitCursor;
    case IDC_CROSS:
        return Qt::CrossCursor;
    case IDC_UPARROW:
        return Qt::UpArrowCursor;
    case IDC_SIZENWSE:
        return Qt::SizeFDiagCursor;
    case IDC_SIZENESW:
        return Qt::SizeBDiagCursor;
    case IDC_SIZEWE:
        return Qt::SizeHorCursor;
    case IDC_SIZENS:
        return Qt::SizeVerCursor;
    case IDC_SIZEALL:
        return Qt::SizeAllCursor;
    case IDC_NO:
        return Qt::ForbiddenCursor;
    case IDC_HAND:
        return Qt::PointingHandCursor;
    case IDC_APPSTARTING:
        return Qt::BusyCursor;
    case IDC_HELP:
        return Qt::WhatsThisCursor;
    default:
        return Qt::ArrowCursor;
    }
}

QRegion QtRegionOf(HRGN rgn) {
    QRegion result;
    if (!rgn)
        return result;
    DWORD size = GetRegionData(rgn, 0, nullptr);
    if (size < sizeof(RGNDATAHEADER))
        return result;
    std::vector<char> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (GetRegionData(rgn, size, data) != size)
        return result;
    DWORD count = std::min<DWORD>(data->rdh.nCount, (size - sizeof(RGNDATAHEADER)) / sizeof(RECT));
    std::vector<QRect> rects;
    rects.reserve(count);
    const char* p = buffer.data() + sizeof(RGNDATAHEADER);
    for (DWORD i = 0; i < count; ++i) {
        RECT r;
        std::memcpy(&r, p + i * sizeof(RECT), sizeof(RECT));
        if (!r.IsEmpty())
            rects.emplace_back(r.Left, r.Top, r.Width(), r.Height());
    }
    result.setRects(rects.data(), int(rects.size()));
    return result;
}

// A desktop runs the visual styles: the scheme LOOMWICK_THEME names (classic, blue, olive, silver), blue by
// default; an unknown name is reported and the default kept.
void QtInstallThemeScheme() {
    ThemeScheme scheme = tsBlue;
    const char* name = std::getenv("LOOMWICK_THEME");
    if (name && *name && !ParseThemeScheme(name, &scheme)) {
        std::fprintf(stderr, "loomwick: LOOMWICK_THEME \"%s\" is not classic, blue, olive or silver; using blue\n",
                     name);
        scheme = tsBlue;
    }
    SetThemeScheme(scheme);
}

// Whether an X display can be opened; Qt ends the process when it cannot, so this is asked first.
bool QtDisplayReachable(std::string& why) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        why = "DISPLAY is not set";
        return false;
    }
    xcb_connection_t* c = xcb_connect(display, nullptr);
    bool ok = c && !xcb_connection_has_error(c);
    if (c)
        xcb_disconnect(c);
    if (!ok)
        why = std::string("the X display \"") + display + "\" cannot be opened";
    return ok;
}

// Whether the desktop's keyboard focus is on a window of another program. Qt reports no focus window also
// when the focus merely fell back to the root (a focused window of ours closed on a desktop without a
// window manager): only a window that is not ours counts. Off X (the offscreen platform of tests) Qt's
// answer stands.
bool QtFocusInAnotherProgram() {
    if (QGuiApplication::focusWindow())
        return false;
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return true;
    xcb_get_input_focus_reply_t* reply = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    if (!reply)
        return false;
    xcb_window_t focus = reply->focus;
    std::free(reply);
    if (focus == XCB_NONE || focus == XCB_INPUT_FOCUS_POINTER_ROOT)
        return false;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it))
        if (it.data->root == focus)
            return false;
    for (QWindow* w : QGuiApplication::allWindows())
        if (w->handle() && w->winId() == focus)
            return false;
    return true;
}

// The frame a window manager would give a window not yet shown (_NET_REQUEST_FRAME_EXTENTS): it sets the
// window's _NET_FRAME_EXTENTS, read here within 200 ms. The window is made on the display (not shown) for
// that. Null margins when the window manager does not answer, or off X.
QMargins QtRequestFrameExtents(QWindow& w) {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return {};
    w.create();
    WId window = w.winId();
    if (!window)
        return {};
    auto atom = [c](const char* name) {
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return result;
    };
    xcb_atom_t request = atom("_NET_REQUEST_FRAME_EXTENTS"), extents = atom("_NET_FRAME_EXTENTS");
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (request == XCB_ATOM_NONE || extents == XCB_ATOM_NONE || !screen)
        return {};
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = xcb_window_t(window);
    message.type = request;
    xcb_send_event(c, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);
    QDeadlineTimer deadline(200);
    for (;;) {
        xcb_get_property_reply_t* p = xcb_get_property_reply(
            c, xcb_get_property(c, 0, xcb_window_t(window), extents, XCB_ATOM_CARDINAL, 0, 4), nullptr);
        QMargins frame;
        if (p && p->format == 32 && xcb_get_property_value_length(p) >= 16) {
            const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(p));
            frame = QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3])); // left, right, top, bottom
        }
        bool answered = p && p->type != XCB_ATOM_NONE;
        std::free(p);
        if (answered || deadline.hasExpired())
            return frame;
        QThread::msleep(5);
    }
}

} // namespace

std::vector<uint32_t> QtIconPixels(HICON icon, int* width, int* height) {
    *width = *height = 0;
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info))
        return {};
    HDC dc = CreateCompatibleDC(nullptr);
    // A bitmap's rows as 32-bit pixels, top row first.
    auto read = [dc](HBITMAP bitmap, int w, int h, std::vector<uint32_t>& rows) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        rows.assign(size_t(w) * size_t(h), 0);
        return GetDIBits(dc, bitmap, 0, UINT(h), rows.data(), &bi, DIB_RGB_COLORS) == h;
    };
    BITMAP maskInfo{}, colorInfo{};
    GetObject(info.hbmMask, sizeof maskInfo, &maskInfo);
    if (info.hbmColor)
        GetObject(info.hbmColor, sizeof colorInfo, &colorInfo);
    // A monochrome icon's mask holds the AND mask over the XOR image, twice the icon's height.
    int w = maskInfo.bmWidth, h = info.hbmColor ? colorInfo.bmHeight : maskInfo.bmHeight / 2;
    std::vector<uint32_t> mask, color, result;
    if (w > 0 && h > 0 && w <= 1024 && h <= 1024 && read(info.hbmMask, w, info.hbmColor ? h : 2 * h, mask) &&
        (!info.hbmColor || read(info.hbmColor, w, h, color))) {
        bool alpha = info.hbmColor && colorInfo.bmBitsPixel == 32 &&
                     std::any_of(color.begin(), color.end(), [](uint32_t p) { return (p >> 24) != 0; });
        result.resize(size_t(w) * size_t(h));
        for (size_t i = 0; i < result.size(); ++i) {
            uint32_t rgb = info.hbmColor ? color[i] & 0xFFFFFF : mask[i + result.size()] & 0xFFFFFF;
            uint32_t a = alpha ? color[i] >> 24 : (mask[i] & 0xFFFFFF) ? 0 : 255;
            result[i] = a << 24 | rgb;
        }
        *width = w;
        *height = h;
    }
    DeleteDC(dc);
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    return result;
}

TRect QtFitToWorkArea(const TRect& client, const TRect& frame, const TRect& work) {
    const int width = client.Width() + frame.Left + frame.Right;
    const int height = client.Height() + frame.Top + frame.Bottom;
    int x = std::max(int(work.Left), std::min(client.Left - frame.Left, work.Right - width));
    int y = std::max(int(work.Top), std::min(client.Top - frame.Top, work.Bottom - height));
    return {x + frame.Left, y + frame.Top, x + frame.Left + client.Width(), y + frame.Top + client.Height()};
}

UINT QtStateCommand(unsigned desktopState, bool iconic, bool zoomed) {
    Qt::WindowStates state = Qt::WindowStates(int(desktopState));
    if (state & Qt::WindowMinimized)
        return iconic ? 0 : SC_MINIMIZE;
    if (state & Qt::WindowMaximized)
        return zoomed && !iconic ? 0 : SC_MAXIMIZE;
    if (state & Qt::WindowFullScreen)
        return 0; // the window system has no such state: the desktop's geometry reaches it as a resize
    return iconic || zoomed ? SC_RESTORE : 0;
}

// One desktop window per top-level window of the window system.
class QtTopWindow final : public QRasterWindow {
public:
    QtTopWindow(QtScreen::Impl& owner, HWND hwnd, QtWindowKind kind)
        : FOwner(owner), FHwnd(hwnd), FKind(kind) {
        Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
        if (kind.Decorated) {
            // The desktop's frame, with the buttons of the window's own caption.
            flags = (kind.Dialog ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
            if (kind.SystemMenu)
                flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (kind.MinimizeBox)
                flags |= Qt::WindowMinimizeButtonHint;
            if (kind.MaximizeBox)
                flags |= Qt::WindowMaximizeButtonHint;
        }
        if (kind.Popup)
            flags |= Qt::ToolTip | Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus;
        if (kind.Topmost)
            flags |= Qt::WindowStaysOnTopHint;
        setFlags(flags);
        if (kind.Layered) {
            QSurfaceFormat format = this->format();
            format.setAlphaBufferSize(8);
            setFormat(format);
        }
    }

    HWND Hwnd() const { return FHwnd; }
    const QtWindowKind& Kind() const { return FKind; }
    // Geometry the window system asked for whose move and resize events have not come back yet: the
    // desktop reports them later, and they must not be taken for moves by the window manager.
    std::vector<QPoint> FPendingMoves;
    std::vector<QSize> FPendingSizes;
    void Request(const QRect& geometry) {
        if (geometry.topLeft() != position())
            FPendingMoves.push_back(geometry.topLeft());
        if (geometry.size() != size())
            FPendingSizes.push_back(geometry.size());
        // Echoes that never come (a window hidden meanwhile) must not pile up.
        if (FPendingMoves.size() > 16)
            FPendingMoves.erase(FPendingMoves.begin());
        if (FPendingSizes.size() > 16)
            FPendingSizes.erase(FPendingSizes.begin());
        setGeometry(geometry);
    }
    QRegion FMask;
    bool FHasMask = false;
    // The program placed the window (the desktop has not moved it since): its frame is kept within the
    // work area, again once the window manager tells the frame's widths (FFittedTo: those it was fitted
    // with).
    bool FPlacedByProgram = false;
    QPoint FPlacedAt;
    QMargins FFittedTo;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* e) override { Mouse(e, true); }
    void mouseReleaseEvent(QMouseEvent* e) override { Mouse(e, false); }
    void mouseMoveEvent(QMouseEvent* e) override {
        QueueMouseInput(MouseAction::Move, Global(e->globalPosition()));
        e->accept();
    }
    // The window system detects double clicks itself from the presses.
    void mouseDoubleClickEvent(QMouseEvent* e) override { e->accept(); }
    void wheelEvent(QWheelEvent* e) override {
        int delta = e->angleDelta().y();
        if (delta)
            QueueMouseInput(MouseAction::Wheel, Global(e->globalPosition()), delta);
        e->accept();
    }
    void keyPressEvent(QKeyEvent* e) override { Key(e, true); }
    void keyReleaseEvent(QKeyEvent* e) override { Key(e, false); }
    void focusInEvent(QFocusEvent* e) override;
    void exposeEvent(QExposeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool event(QEvent* e) override;

private:
    static TPoint Global(QPointF p) { return TPoint{int32_t(std::floor(p.x())), int32_t(std::floor(p.y()))}; }
    void Mouse(QMouseEvent* e, bool down) {
        MouseAction action;
        switch (e->button()) {
        case Qt::LeftButton:
            action = down ? MouseAction::LeftDown : MouseAction::LeftUp;
            break;
        case Qt::RightButton:
            action = down ? MouseAction::RightDown : MouseAction::RightUp;
            break;
        case Qt::MiddleButton:
            action = down ? MouseAction::MiddleDown : MouseAction::MiddleUp;
            break;
        default:
            return;
        }
        TPoint at = Global(e->globalPosition());
        QueueMouseInput(MouseAction::Move, at);
        QueueMouseInput(action, at);
        // A press on a window of a program the desktop's focus has left brings the focus back with it (a
        // desktop without a window manager does not move it itself); the window system activates the window.
        if (down && !FKind.Popup && !QGuiApplication::focusWindow())
            requestActivate();
        e->accept();
    }
    void Key(QKeyEvent* e, bool down) {
        // Held keys repeat as further presses, without releases in between.
        if (!down && e->isAutoRepeat())
            return;
        int vk = QtKeyToVirtualKey(e->key(), unsigned(e->modifiers()));
        uint32_t ch = 0;
        if (down) {
            QString text = e->text();
            if (!text.isEmpty())
                ch = text.at(0).isHighSurrogate() && text.size() > 1
                         ? QChar::surrogateToUcs4(text[0], text[1])
                         : text.at(0).unicode();
        }
        if (vk == 0 && ch == 0)
            return;
        QueueKeyInput(vk ? vk : VK_PROCESSKEY, down, ch);
        e->accept();
    }

    QtScreen::Impl& FOwner;
    HWND FHwnd;
    QtWindowKind FKind;
};

struct QtScreen::Impl {
    std::vector<char*> FArgv;
    int FArgc = 0;
    std::unique_ptr<QGuiApplication> FApp;
    std::unique_ptr<QtClipboardBridge> FClipboard;
    // A drag from another program over the windows: its data and the target it is over.
    ExternalDrag FDrag;
    ComPtr<IDataObject> FDragData;
    DWORD FDragEffect = DROPEFFECT_NONE;
    std::map<HWND, std::unique_ptr<QtTopWindow>> FWindows;
    std::vector<HWND> FOrder; // visible windows, topmost first, as last stacked
    std::atomic<bool> FWoken{false};
    // Window-system calls asked for by desktop events, made once Qt's event processing has returned.
    std::vector<std::function<void()>> FDeferred;
    Qt::CursorShape FCursor = Qt::ArrowCursor;
    QTimer* FTimeout = nullptr;
    bool FDesktopFrames = false;
    // The widths of the window manager's frames, as last seen on a framed window and a framed dialog: a
    // window not on the desktop yet is placed as if it had the same.
    QMargins FFrameOf[2];

    void Defer(std::function<void()> call) {
        FDeferred.push_back(std::move(call));
        FWoken = true;
    }
    void RunDeferred() {
        auto calls = std::move(FDeferred);
        FDeferred.clear();
        for (auto& call : calls)
            call();
    }
    QtTopWindow* Find(HWND hwnd) {
        auto it = FWindows.find(hwnd);
        return it == FWindows.end() ? nullptr : it->second.get();
    }
    void Restack();
    void SyncSurface(QtTopWindow& w);
    void SyncIcon(QtTopWindow& w);
    QMargins FrameOf(QtTopWindow& w);
    QRect Fit(QtTopWindow& w, const QRect& geometry);
    void Refit(QtTopWindow& w);
    void TellMove(HWND hwnd, QPoint at);
};

void QtTopWindow::paintEvent(QPaintEvent* event) {
    WindowSurface surface;
    if (!GetWindowSurface(FHwnd, &surface) || !surface.Bits)
        return;
    QImage::Format format =
        surface.PerPixelAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    QImage image(surface.Bits, surface.Width, surface.Height, surface.Stride, format);
    QPainter painter(this);
    if (FKind.Layered)
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& r : event->region()) {
        QRect src = r.intersected(image.rect());
        if (!src.isEmpty())
            painter.drawImage(src.topLeft(), image, src);
    }
}

void QtTopWindow::focusInEvent(QFocusEvent* e) {
    HWND hwnd = FHwnd;
    FOwner.Defer([hwnd] {
        if (IsWindow(hwnd) && IsWindowVisible(hwnd) && GetActiveWindow() != hwnd)
            SetActiveWindow(hwnd);
    });
    QRasterWindow::focusInEvent(e);
}

void QtTopWindow::exposeEvent(QExposeEvent* e) {
    QRasterWindow::exposeEvent(e);
    FOwner.Refit(*this);
}

void QtTopWindow::moveEvent(QMoveEvent* e) {
    QRasterWindow::moveEvent(e);
    QPoint at = e->pos();
    if (auto it = std::find(FPendingMoves.begin(), FPendingMoves.end(), at); it != FPendingMoves.end()) {
        FPendingMoves.erase(FPendingMoves.begin(), it + 1);
        FOwner.Refit(*this);
        return;
    }
    // The desktop moved it elsewhere: where the user puts a window is the user's business.
    if (at != FPlacedAt)
        FPlacedByProgram = false;
    FOwner.TellMove(FHwnd, at);
}

void QtTopWindow::resizeEvent(QResizeEvent* e) {
    QRasterWindow::resizeEvent(e);
    QSize size = e->size();
    if (auto it = std::find(FPendingSizes.begin(), FPendingSizes.end(), size); it != FPendingSizes.end()) {
        FPendingSizes.erase(FPendingSizes.begin(), it + 1);
        return;
    }
    HWND hwnd = FHwnd;
    FOwner.Defer([hwnd, size] {
        TRect r;
        if (IsWindow(hwnd) && GetWindowRect(hwnd, &r) &&
            (r.Width() != size.width() || r.Height() != size.height()))
            SetWindowPos(hwnd, nullptr, 0, 0, size.width(), size.height(),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    });
}

bool QtTopWindow::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        // The target answers at once: the desktop shows its answer while the pointer moves.
        auto* d = static_cast<QDropEvent*>(e);
        if (e->type() == QEvent::DragEnter)
            FOwner.FDragData = QtDropDataObject(d->mimeData());
        TPoint at = Global(mapToGlobal(d->position()));
        DWORD allowed = QtDropEffects(d->possibleActions());
        FOwner.FDragEffect =
            FOwner.FDrag.Move(FOwner.FDragData.Get(), at, QtKeyState(d->buttons(), d->modifiers()), allowed);
        d->setDropAction(FOwner.FDragEffect ? QtDropAction(FOwner.FDragEffect) : Qt::IgnoreAction);
        // An entry is always taken so that the moves keep coming; a move says yes or no.
        if (e->type() == QEvent::DragEnter || FOwner.FDragEffect)
            d->accept();
        else
            d->ignore();
        return true;
    }
    case QEvent::DragLeave:
        FOwner.FDrag.Leave();
        FOwner.FDragData = nullptr;
        return true;
    case QEvent::Drop: {
        // The source hears the last answer now; the target's drop handler runs once Qt's event handling
        // has returned, since it may open windows and wait in loops of its own.
        auto* d = static_cast<QDropEvent*>(e);
        TPoint at = Global(mapToGlobal(d->position()));
        DWORD allowed = QtDropEffects(d->possibleActions());
        DWORD keys = QtKeyState(d->buttons(), d->modifiers());
        ComPtr<IDataObject> data = FOwner.FDragData ? FOwner.FDragData : QtDropDataObject(d->mimeData());
        FOwner.FDragData = nullptr;
        if (FOwner.FDragEffect) {
            d->setDropAction(QtDropAction(FOwner.FDragEffect));
            d->accept();
        } else {
            d->ignore();
        }
        QtScreen::Impl* owner = &FOwner;
        FOwner.Defer([owner, data, at, keys, allowed] { owner->FDrag.Drop(data.Get(), at, keys, allowed); });
        return true;
    }
    default:
        break;
    }
    if (e->type() == QEvent::Close) {
        // The desktop asks to close (its close button, Alt+F4, a taskbar): the window decides, as for the
        // close command of its own system menu.
        e->ignore();
        PostMessage(FHwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        // A message posted on the program's own thread wakes no wait: the wait this event came in ends.
        FOwner.FWoken = true;
        return true;
    }
    if (e->type() == QEvent::WindowStateChange) {
        // The desktop minimised, maximised or restored the window: the window system's command does it
        // there, unless the window is in that state already (the change was the program's own).
        HWND hwnd = FHwnd;
        Qt::WindowStates state = windowStates();
        FOwner.Defer([hwnd, state] {
            if (!IsWindow(hwnd) || !IsWindowVisible(hwnd))
                return;
            if (UINT command =
                    QtStateCommand(unsigned(state.toInt()), IsIconic(hwnd) != FALSE, IsZoomed(hwnd) != FALSE))
                SendMessage(hwnd, WM_SYSCOMMAND, command, 0);
        });
    }
    return QRasterWindow::event(e);
}

void QtScreen::Impl::SyncSurface(QtTopWindow& w) {
    WindowSurface surface;
    if (!GetWindowSurface(w.Hwnd(), &surface))
        return;
    qreal opacity = w.Kind().Layered ? surface.Alpha / 255.0 : 1.0;
    if (w.opacity() != opacity)
        w.setOpacity(opacity);
    bool hasMask = surface.Region != nullptr;
    QRegion mask = hasMask ? QtRegionOf(surface.Region) : QRegion();
    if (hasMask != w.FHasMask || mask != w.FMask) {
        w.FHasMask = hasMask;
        w.FMask = mask;
        w.setMask(mask);
    }
}

// The desktop shows the window's big icon, else its small one, else its class's.
void QtScreen::Impl::SyncIcon(QtTopWindow& w) {
    HWND hwnd = w.Hwnd();
    auto icon = reinterpret_cast<HICON>(SendMessage(hwnd, WM_GETICON, ICON_BIG, 0));
    if (!icon)
        icon = reinterpret_cast<HICON>(SendMessage(hwnd, WM_GETICON, ICON_SMALL, 0));
    WNDCLASSEX wc;
    if (!icon && GetClassInfoEx(nullptr, GetClassNameString(hwnd).c_str(), &wc))
        icon = wc.hIcon ? wc.hIcon : wc.hIconSm;
    int width = 0, height = 0;
    std::vector<uint32_t> pixels = QtIconPixels(icon, &width, &height);
    if (pixels.empty()) {
        w.setIcon(QIcon());
        return;
    }
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), pixels.data() + size_t(y) * size_t(width), size_t(width) * 4);
    w.setIcon(QIcon(QPixmap::fromImage(image)));
}

QMargins QtScreen::Impl::FrameOf(QtTopWindow& w) {
    QMargins frame = w.handle() ? w.frameMargins() : QMargins();
    QMargins& known = FFrameOf[w.Kind().Dialog];
    // The first window of its kind: the window manager is asked what frame it would give it.
    if (frame.isNull() && known.isNull() && !w.handle() && FDesktopFrames)
        frame = QtRequestFrameExtents(w);
    if (!frame.isNull())
        known = frame;
    return known;
}

QRect QtScreen::Impl::Fit(QtTopWindow& w, const QRect& geometry) {
    QMargins m = FrameOf(w);
    w.FFittedTo = m;
    TRect client{geometry.x(), geometry.y(), geometry.x() + geometry.width(),
                 geometry.y() + geometry.height()};
    TRect frame{m.left(), m.top(), m.right(), m.bottom()};
    TRect outer{client.Left - m.left(), client.Top - m.top(), client.Right + m.right(),
                client.Bottom + m.bottom()};
    MONITORINFO mi;
    if (!GetMonitorInfo(MonitorFromRect(&outer, MONITOR_DEFAULTTONEAREST), &mi))
        return geometry;
    TRect fitted = QtFitToWorkArea(client, frame, mi.rcWork);
    return QRect(fitted.Left, fitted.Top, fitted.Width(), fitted.Height());
}

// The frame's widths became known (or changed) after the program placed a window: it moves into the work
// area if the frame now reaches out of it, and the window system hears of the move.
void QtScreen::Impl::Refit(QtTopWindow& w) {
    if (!w.FPlacedByProgram || !w.Kind().Decorated || !w.isVisible() || w.windowStates() != Qt::WindowNoState)
        return;
    QMargins frame = w.frameMargins();
    if (frame.isNull() || frame == w.FFittedTo)
        return;
    QRect geometry = w.geometry();
    QRect fitted = Fit(w, geometry);
    if (fitted == geometry)
        return;
    w.Request(fitted);
    w.FPlacedAt = fitted.topLeft();
    TellMove(w.Hwnd(), fitted.topLeft());
}

// The window system hears that the desktop put a window's top-left corner at `at`, once Qt's event handling
// has returned; nothing when it is there already.
void QtScreen::Impl::TellMove(HWND hwnd, QPoint at) {
    Defer([hwnd, at] {
        TRect r;
        if (IsWindow(hwnd) && GetWindowRect(hwnd, &r) && (r.Left != at.x() || r.Top != at.y()))
            SetWindowPos(hwnd, nullptr, at.x(), at.y(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    });
}

void QtScreen::Impl::Restack() {
    struct Walk {
        Impl* Self;
        std::vector<HWND> Order;
    } walk{this, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM p) -> BOOL {
            auto* walk = reinterpret_cast<Walk*>(p);
            QtTopWindow* w = walk->Self->Find(hwnd);
            if (w && w->isVisible())
                walk->Order.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    if (walk.Order == FOrder)
        return;
    // Windows the desktop frames are raised through the window manager, which restacks them later, and
    // they are raised only when their order among themselves changed: a needless raise would put one
    // above the program's menus and drop-down lists, which the window manager does not manage. Those are
    // raised directly, after the others.
    auto framed = [this](const std::vector<HWND>& order, const std::vector<HWND>& among) {
        std::vector<HWND> result;
        for (HWND h : order)
            if (Find(h) && Find(h)->Kind().Decorated &&
                std::find(among.begin(), among.end(), h) != among.end())
                result.push_back(h);
        return result;
    };
    bool framedMoved = framed(walk.Order, FOrder) != framed(FOrder, walk.Order);
    FOrder = walk.Order;
    // EnumWindows lists the topmost first: raise from the bottom up.
    for (bool decorated : {true, false}) {
        if (decorated && !framedMoved)
            continue;
        for (auto it = FOrder.rbegin(); it != FOrder.rend(); ++it)
            if (Find(*it)->Kind().Decorated == decorated)
                Find(*it)->raise();
    }
}

// ---------------------------------------------------------------------------------------------------------

QtScreen::QtScreen(int argc, char** argv) : FImpl(std::make_unique<Impl>()) {
    if (QCoreApplication::instance())
        throw std::runtime_error("QtScreen: an application object exists already; open one screen at a time");
    // Popups at absolute positions and global hit testing need X11 (XWayland on Wayland desktops), and
    // the window system's pixels map one to one onto the screen's.
    setenv("QT_QPA_PLATFORM", "xcb", 0);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 0);
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    std::string why;
    if (platform && std::string(platform) == "xcb" && !QtDisplayReachable(why))
        throw std::runtime_error("no desktop to show windows on (" + why +
                                 "); start the program on a desktop, or without one under xvfb-run");
    // Qt keeps the argument count by reference and may edit the list: both live as long as the screen.
    FImpl->FArgc = argc > 0 ? argc : 1;
    static char fallbackName[] = "loomwick";
    for (int i = 0; i < argc; ++i)
        FImpl->FArgv.push_back(argv[i]);
    if (FImpl->FArgv.empty())
        FImpl->FArgv.push_back(fallbackName);
    FImpl->FArgv.push_back(nullptr);
    // The widgets application: Qt's file and colour dialogs are widgets.
    FImpl->FApp = std::make_unique<QApplication>(FImpl->FArgc, FImpl->FArgv.data());
    FImpl->FClipboard = std::make_unique<QtClipboardBridge>();
    // The window system decides when the program ends, not the last window closing.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    FImpl->FTimeout = new QTimer(FImpl->FApp.get());
    FImpl->FTimeout->setSingleShot(true);
    FImpl->FTimeout->setTimerType(Qt::PreciseTimer);
    QObject::connect(FImpl->FTimeout, &QTimer::timeout, FImpl->FApp.get(), [] {});
    // The desktop's focus went to another program: the program is no longer active (WM_ACTIVATE to its
    // active window, then WM_ACTIVATEAPP 0). Focus moving between its own windows leaves Qt a focus window,
    // and its popups never take the focus. A window that gets the focus back activates itself
    // (focusInEvent).
    Impl* impl = FImpl.get();
    QObject::connect(FImpl->FApp.get(), &QGuiApplication::focusWindowChanged, FImpl->FApp.get(),
                     [impl](QWindow* focus) {
                         if (focus)
                             return;
                         impl->Defer([] {
                             if (GetActiveWindow() && QtFocusInAnotherProgram())
                                 SetActiveWindow(nullptr);
                         });
                     });
    FImpl->FDesktopFrames = QtDesktopFramesWanted();
    FPrevious = InstalledScreenBackend();
    SetScreenBackend(this);
    QtInstallThemeScheme();
}

QtScreen::~QtScreen() {
    SetThemeScheme(tsClassic);
    SetScreenBackend(FPrevious);
    FImpl->FDrag.Leave();
    FImpl->FDragData = nullptr;
    FImpl->FClipboard.reset();
    FImpl->FWindows.clear();
    FImpl->FApp.reset();
}

std::vector<MonitorDesc> QtScreen::Monitors() {
    std::vector<MonitorDesc> result;
    QScreen* primary = QGuiApplication::primaryScreen();
    auto toRect = [](const QRect& r) { return TRect{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; };
    for (QScreen* screen : QGuiApplication::screens()) {
        MonitorDesc m{toRect(screen->geometry()), toRect(screen->availableGeometry()), screen == primary};
        // The primary monitor comes first, as callers look for it there.
        if (m.Primary)
            result.insert(result.begin(), m);
        else
            result.push_back(m);
    }
    if (result.empty())
        result.push_back({{0, 0, 1024, 768}, {0, 0, 1024, 768}, true});
    return result;
}

void QtScreen::WaitForEvents(DWORD timeoutMs, const std::string&) {
    Impl& d = *FImpl;
    if (d.FWoken.exchange(false)) {
        d.RunDeferred(); // calls deferred by events delivered outside a wait
        return;
    }
    QDeadlineTimer deadline(timeoutMs == INFINITE ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                  : QDeadlineTimer(qint64(timeoutMs), Qt::PreciseTimer));
    for (;;) {
        if (!deadline.isForever()) {
            qint64 left = deadline.remainingTime();
            if (left <= 0)
                break;
            // The timer's event ends processEvents when nothing else arrives in time.
            d.FTimeout->start(int(std::min<qint64>(left, 1 << 30)));
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        d.RunDeferred();
        if (d.FWoken.exchange(false))
            break;
    }
    d.FTimeout->stop();
}

void QtScreen::Wake() {
    Impl& d = *FImpl;
    if (d.FWoken.exchange(true))
        return; // a wake is on its way
    // Thread-safe: a queued call is an event, and any event ends the wait in processEvents.
    QMetaObject::invokeMethod(
        d.FApp.get(), [] {}, Qt::QueuedConnection);
}

void QtScreen::TopLevelChanged(HWND hwnd) {
    Impl& d = *FImpl;
    QtTopWindow* w = d.Find(hwnd);
    bool exists = IsWindow(hwnd) && GetAncestor(hwnd, GA_ROOT) == hwnd;
    bool visible = exists && IsWindowVisible(hwnd);
    if (!visible) {
        // Hidden or destroyed: the desktop window goes, and is made again when the window is shown. A
        // window being destroyed still passes IsWindow here, and a later window may reuse its handle.
        if (w) {
            d.FWindows.erase(hwnd);
            std::erase(d.FOrder, hwnd);
        }
        return;
    }
    QtWindowKind kind = QtKindOf(hwnd);
    if (w && !(w->Kind() == kind)) {
        // Flags and the alpha format are fixed once the desktop window exists: make a new one.
        d.FWindows.erase(hwnd);
        std::erase(d.FOrder, hwnd);
        w = nullptr;
    }
    const bool fresh = !w;
    if (!w) {
        auto made = std::make_unique<QtTopWindow>(d, hwnd, kind);
        w = made.get();
        w->setCursor(QCursor(d.FCursor));
        if (kind.Decorated) {
            // An owned window stays with its owner on the desktop; one shown while its owner is disabled is
            // the owner's modal dialog.
            HWND owner = GetWindow(hwnd, GW_OWNER);
            if (QtTopWindow* o = owner ? d.Find(owner) : nullptr) {
                w->setTransientParent(o);
                if (!IsWindowEnabled(owner))
                    w->setModality(Qt::WindowModal);
            }
        }
        if (!kind.Popup)
            d.SyncIcon(*w);
        d.FWindows.emplace(hwnd, std::move(made));
    }
    TRect r;
    GetWindowRect(hwnd, &r);
    QRect geometry(r.Left, r.Top, std::max(1, r.Width()), std::max(1, r.Height()));
    // The desktop sizes a maximised window it frames; one of fixed size keeps the size the program gives.
    bool desktopSized = kind.Decorated && IsZoomed(hwnd) && !IsIconic(hwnd);
    if (kind.Decorated && !kind.Sizable && !desktopSized) {
        w->setMinimumSize(geometry.size());
        w->setMaximumSize(geometry.size());
    }
    // A framed window the program places (shown, or moved by it) goes where it asks, its frame within the
    // work area: the window system hears where it went.
    if (kind.Decorated && !desktopSized && !IsIconic(hwnd) &&
        (fresh || !w->isVisible() || w->position() != geometry.topLeft())) {
        QRect fitted = d.Fit(*w, geometry);
        w->FPlacedByProgram = true;
        w->FPlacedAt = fitted.topLeft();
        if (fitted != geometry) {
            d.TellMove(hwnd, fitted.topLeft());
            geometry = fitted;
        }
    }
    if (fresh)
        w->setGeometry(geometry); // not on the desktop yet: it starts there
    else if (!desktopSized && w->geometry() != geometry)
        w->Request(geometry);
    d.SyncSurface(*w);
    if (IsIconic(hwnd)) {
        if (w->windowState() != Qt::WindowMinimized)
            w->showMinimized();
    } else if (desktopSized) {
        if (!w->isVisible() || !(w->windowStates() & Qt::WindowMaximized) ||
            (w->windowStates() & Qt::WindowMinimized)) {
            w->showMaximized();
            w->requestActivate();
        }
    } else if (!w->isVisible() || (w->windowStates() & Qt::WindowMinimized) ||
               (kind.Decorated && (w->windowStates() & Qt::WindowMaximized))) {
        // (A window with its own frame is maximised by its size alone: the desktop's state is left as is.)
        w->showNormal();
        if (!kind.Popup)
            w->requestActivate();
    }
    QString title = QString::fromStdString(GetWindowTextString(hwnd));
    if (w->title() != title)
        w->setTitle(title);
    d.Restack();
}

void QtScreen::IconChanged(HWND hwnd) {
    Impl& d = *FImpl;
    if (QtTopWindow* w = d.Find(hwnd); w && !w->Kind().Popup)
        d.SyncIcon(*w);
}

void QtScreen::Present(HWND hwnd, const TRect& dirty) {
    Impl& d = *FImpl;
    QtTopWindow* w = d.Find(hwnd);
    if (!w)
        return;
    d.SyncSurface(*w);
    w->update(QRect(dirty.Left, dirty.Top, dirty.Width(), dirty.Height()));
}

void QtScreen::CursorChanged(HCURSOR cursor) {
    Impl& d = *FImpl;
    Qt::CursorShape shape = cursor ? QtCursorShape(StandardCursorId(cursor)) : Qt::BlankCursor;
    if (shape == d.FCursor)
        return;
    d.FCursor = shape;
    // Only the window under the mouse shows it, so every window may carry it.
    for (auto& [hwnd, w] : d.FWindows)
        w->setCursor(QCursor(shape));
}

void QtScreen::CaptureChanged(HWND hwnd) {
    Impl& d = *FImpl;
    HWND top = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
    // While a window has the capture, the mouse outside our windows still reaches it.
    for (auto& [h, w] : d.FWindows)
        if (w->isVisible())
            w->setMouseGrabEnabled(h == top);
}

void QtScreen::Beep(UINT) {
    QApplication::beep();
}

bool QtScreen::DesktopFrames() {
    return FImpl->FDesktopFrames;
}

bool QtScreen::Composited() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return false; // not on X (the offscreen platform of tests): nothing blends
    // A compositing manager owns the selection _NET_WM_CM_S<screen>.
    int screen = 0;
    if (const char* display = std::getenv("DISPLAY")) {
        const char* colon = std::strchr(display, ':');
        const char* dot = std::strrchr(display, '.');
        if (colon && dot && dot > colon)
            screen = std::atoi(dot + 1);
    }
    std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(name.size()), name.c_str()), nullptr);
    if (!atom)
        return false;
    bool owned = false;
    if (atom->atom != XCB_ATOM_NONE) {
        xcb_get_selection_owner_reply_t* owner =
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
        owned = owner && owner->owner != XCB_WINDOW_NONE;
        std::free(owner);
    }
    std::free(atom);
    return owned;
}

namespace {

// Keys released while one of Qt's dialogs had the keyboard never reached the window system, which would
// still hold them down: the Ctrl of the Ctrl+I that opened a file dialog turned the next dialog's Tab into
// Ctrl+Tab and its Alt+T into Ctrl+Alt+T. Once the dialog is gone, every key the window system holds is
// released but the modifiers the keyboard still holds.
void QtReleaseKeysLostToDialog() {
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    for (int vk = 1; vk < 255; ++vk) {
        if (vk == VK_LBUTTON || vk == VK_RBUTTON || vk == VK_MBUTTON)
            continue;
        if (!(GetAsyncKeyState(vk) & 0x8000))
            continue;
        if ((vk == VK_SHIFT && (held & Qt::ShiftModifier)) || (vk == VK_CONTROL && (held & Qt::ControlModifier)) ||
            (vk == VK_MENU && (held & Qt::AltModifier)))
            continue;
        QueueKeyInput(vk, false, 0);
    }
}

} // namespace

bool QtScreen::FileDialog(const FileDialogRequest& request, FileDialogResult* result) {
    const bool chosen = QtRunFileDialog(request, result);
    QtReleaseKeysLostToDialog();
    return chosen;
}

bool QtScreen::ColorDialog(const ColorDialogRequest& request, ColorDialogResult* result) {
    const bool chosen = QtRunColorDialog(request, result);
    QtReleaseKeysLostToDialog();
    return chosen;
}

int QtKeyToVirtualKey(int key, unsigned modifiers) {
    bool keypad = (modifiers & Qt::KeypadModifier) != 0;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key; // the same codes
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return keypad ? VK_NUMPAD0 + (key - Qt::Key_0) : key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return VK_F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return VK_MENU;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
        return VK_LWIN;
    case Qt::Key_Super_R:
        return VK_RWIN;
    case Qt::Key_Menu:
        return VK_APPS;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_Pause:
        return VK_PAUSE;
    case Qt::Key_Print:
        return VK_SNAPSHOT;
    case Qt::Key_CapsLock:
        return VK_CAPITAL;
    case Qt::Key_NumLock:
        return VK_NUMLOCK;
    case Qt::Key_ScrollLock:
        return VK_SCROLL;
    case Qt::Key_Clear:
        return VK_CLEAR;
    case Qt::Key_Help:
        return VK_HELP;
    // Shifted digits name the digit keys (US layout).
    case Qt::Key_Exclam:
        return '1';
    case Qt::Key_At:
        return '2';
    case Qt::Key_NumberSign:
        return '3';
    case Qt::Key_Dollar:
        return '4';
    case Qt::Key_Percent:
        return '5';
    case Qt::Key_AsciiCircum:
        return '6';
    case Qt::Key_Ampersand:
        return '7';
    case Qt::Key_Asterisk:
        return keypad ? VK_MULTIPLY : '8';
    case Qt::Key_ParenLeft:
        return '9';
    case Qt::Key_ParenRight:
        return '0';
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return VK_OEM_1;
    case Qt::Key_Equal:
        return VK_OEM_PLUS;
    case Qt::Key_Plus:
        return keypad ? VK_ADD : VK_OEM_PLUS;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return VK_OEM_COMMA;
    case Qt::Key_Minus:
        return keypad ? VK_SUBTRACT : VK_OEM_MINUS;
    case Qt::Key_Underscore:
        return VK_OEM_MINUS;
    case Qt::Key_Period:
        return keypad ? VK_DECIMAL : VK_OEM_PERIOD;
    case Qt::Key_Greater:
        return VK_OEM_PERIOD;
    case Qt::Key_Slash:
        return keypad ? VK_DIVIDE : VK_OEM_2;
    case Qt::Key_Question:
        return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return VK_OEM_6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return VK_OEM_7;
    default:
        return 0;
    }
}

} // namespace qtbackend

// System metrics and parameters with the classic look's values, and the monitors of the backend.
#include "platform/win/gdi/Fonts.h"
#include "platform/win/user/Metrics.h"

#include "platform/win/user/Backend.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowObject.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

namespace win {

namespace {

std::mutex& MetricsLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

std::map<int, int>& MetricOverrides() {
    static auto* overrides = new std::map<int, int>;
    return *overrides;
}

std::map<UINT, UINT>& ParameterOverrides() {
    static auto* overrides = new std::map<UINT, UINT>;
    return *overrides;
}

// The fonts and sizes set through SPI_SETNONCLIENTMETRICS; none while the classic look's values hold.
std::optional<NONCLIENTMETRICS>& SetNonClientMetrics() {
    static auto* metrics = new std::optional<NONCLIENTMETRICS>;
    return *metrics;
}

// The metric a set record answers for, or -1 when the record does not hold it.
int MetricFromNonClient(const NONCLIENTMETRICS& ncm, int index) {
    switch (index) {
    case SM_CXVSCROLL: return ncm.iScrollWidth;
    case SM_CYHSCROLL: return ncm.iScrollHeight;
    case SM_CXSIZE: return ncm.iCaptionWidth;
    case SM_CYCAPTION: return ncm.iCaptionHeight + 1;
    case SM_CXSMSIZE: return ncm.iSmCaptionWidth;
    case SM_CYSMCAPTION: return ncm.iSmCaptionHeight + 1;
    case SM_CXMENUSIZE: return ncm.iMenuWidth;
    case SM_CYMENUSIZE: return ncm.iMenuHeight;
    default: return -1;
    }
}

LOGFONTA ClassicFont(LONG weight) {
    LOGFONTA lf{};
    lf.lfHeight = -11; // 8 points at 96 pixels per inch
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    std::strncpy(lf.lfFaceName, "Tahoma", LF_FACESIZE - 1);
    return lf;
}

TRect VirtualScreen() {
    auto monitors = ScreenBackend().Monitors();
    TRect r{};
    bool first = true;
    for (const auto& m : monitors) {
        if (first)
            r = m.Bounds;
        else
            r = {std::min(r.Left, m.Bounds.Left), std::min(r.Top, m.Bounds.Top), std::max(r.Right, m.Bounds.Right),
                 std::max(r.Bottom, m.Bounds.Bottom)};
        first = false;
    }
    return r;
}

MonitorDesc PrimaryMonitor() {
    auto monitors = ScreenBackend().Monitors();
    for (const auto& m : monitors)
        if (m.Primary)
            return m;
    return monitors.empty() ? MonitorDesc{{0, 0, 1024, 768}, {0, 0, 1024, 768}, true} : monitors.front();
}

int ClassicMetric(int index) {
    switch (index) {
    case SM_CXSCREEN: return PrimaryMonitor().Bounds.Width();
    case SM_CYSCREEN: return PrimaryMonitor().Bounds.Height();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CYMENU: return 19;
    case SM_CXFULLSCREEN: return PrimaryMonitor().Work.Width();
    case SM_CYFULLSCREEN: return PrimaryMonitor().Work.Height() - 19;
    case SM_SWAPBUTTON: return 0;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXSIZE:
    case SM_CYSIZE: return 18;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXMINTRACK: return 112;
    case SM_CYMINTRACK: return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING: return 75;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYSMCAPTION: return 15;
    case SM_CXSMSIZE:
    case SM_CYSMSIZE: return 12;
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE: return 18;
    case SM_CXMAXTRACK: return VirtualScreen().Width() + 12;
    case SM_CYMAXTRACK: return VirtualScreen().Height() + 12;
    case SM_CXMAXIMIZED: return PrimaryMonitor().Work.Width() + 8;
    case SM_CYMAXIMIZED: return PrimaryMonitor().Work.Height() + 8;
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 13;
    case SM_MOUSEWHEELPRESENT: return 1;
    case SM_XVIRTUALSCREEN: return VirtualScreen().Left;
    case SM_YVIRTUALSCREEN: return VirtualScreen().Top;
    case SM_CXVIRTUALSCREEN: return VirtualScreen().Width();
    case SM_CYVIRTUALSCREEN: return VirtualScreen().Height();
    case SM_CMONITORS: return int(ScreenBackend().Monitors().size());
    case SM_CXFOCUSBORDER:
    case SM_CYFOCUSBORDER: return 1;
    default: return 0;
    }
}

UINT ClassicParameter(UINT action) {
    switch (action) {
    case SPI_GETWHEELSCROLLLINES: return 3;
    case SPI_GETMENUSHOWDELAY: return 400;
    case SPI_GETMENUANIMATION:
    case SPI_GETMENUFADE:
    case SPI_GETCOMBOBOXANIMATION:
    case SPI_GETLISTBOXSMOOTHSCROLLING:
    case SPI_GETGRADIENTCAPTIONS:
    case SPI_GETHOTTRACKING:
    case SPI_GETSELECTIONFADE:
    case SPI_GETTOOLTIPANIMATION:
    case SPI_GETTOOLTIPFADE:
    case SPI_GETCURSORSHADOW:
    case SPI_GETDROPSHADOW:
    case SPI_GETMENUUNDERLINES: return 1;
    case SPI_GETFLATMENU:
    case SPI_GETHIGHCONTRAST: return 0;
    case SPI_GETBEEP: return 1;
    case SPI_GETBORDER: return 1;
    case SPI_GETKEYBOARDSPEED: return 31;
    default: return UINT_MAX;
    }
}

} // namespace

int GetSystemMetrics(int index) {
    {
        std::lock_guard<std::mutex> guard(MetricsLock());
        auto it = MetricOverrides().find(index);
        if (it != MetricOverrides().end())
            return it->second;
        if (const auto& set = SetNonClientMetrics())
            if (int value = MetricFromNonClient(*set, index); value >= 0)
                return value;
    }
    return ClassicMetric(index);
}

void SetSystemMetricOverride(int index, int value) {
    std::lock_guard<std::mutex> guard(MetricsLock());
    if (value < 0)
        MetricOverrides().erase(index);
    else
        MetricOverrides()[index] = value;
}

void ResetSystemMetricOverrides() {
    std::lock_guard<std::mutex> guard(MetricsLock());
    MetricOverrides().clear();
    ParameterOverrides().clear();
    SetNonClientMetrics().reset();
}

void SetSystemParameterOverride(UINT action, UINT value) {
    std::lock_guard<std::mutex> guard(MetricsLock());
    ParameterOverrides()[action] = value;
}


BOOL SystemParametersInfo(UINT action, UINT uiParam, void* pvParam, UINT winIni) {
    switch (action) {
    case SPI_GETWORKAREA:
        if (!pvParam)
            return FALSE;
        *static_cast<TRect*>(pvParam) = PrimaryMonitor().Work;
        return TRUE;
    case SPI_GETNONCLIENTMETRICS: {
        auto* ncm = static_cast<NONCLIENTMETRICS*>(pvParam);
        if (!ncm || ncm->cbSize != sizeof(NONCLIENTMETRICS))
            return FALSE;
        {
            std::lock_guard<std::mutex> guard(MetricsLock());
            if (const auto& set = SetNonClientMetrics()) {
                *ncm = *set;
                return TRUE;
            }
        }
        ncm->iBorderWidth = GetSystemMetrics(SM_CXBORDER);
        ncm->iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
        ncm->iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
        ncm->iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
        ncm->iCaptionHeight = GetSystemMetrics(SM_CYCAPTION) - 1;
        ncm->lfCaptionFont = ClassicFont(FW_BOLD);
        ncm->iSmCaptionWidth = GetSystemMetrics(SM_CXSMSIZE);
        ncm->iSmCaptionHeight = GetSystemMetrics(SM_CYSMCAPTION) - 1;
        ncm->lfSmCaptionFont = ClassicFont(FW_BOLD);
        ncm->iMenuWidth = GetSystemMetrics(SM_CXMENUSIZE);
        ncm->iMenuHeight = GetSystemMetrics(SM_CYMENUSIZE);
        ncm->lfMenuFont = ClassicFont(FW_NORMAL);
        ncm->lfStatusFont = ClassicFont(FW_NORMAL);
        ncm->lfMessageFont = ClassicFont(FW_NORMAL);
        return TRUE;
    }
    case SPI_SETNONCLIENTMETRICS: {
        const auto* ncm = static_cast<const NONCLIENTMETRICS*>(pvParam);
        if (!ncm || ncm->cbSize != sizeof(NONCLIENTMETRICS) || ncm->iScrollWidth <= 0 || ncm->iScrollHeight <= 0 ||
            ncm->iCaptionWidth <= 0 || ncm->iCaptionHeight <= 0 || ncm->iSmCaptionWidth <= 0 ||
            ncm->iSmCaptionHeight <= 0 || ncm->iMenuWidth <= 0 || ncm->iMenuHeight <= 0)
            return FALSE;
        {
            std::lock_guard<std::mutex> guard(MetricsLock());
            SetNonClientMetrics() = *ncm;
        }
        if (winIni & SPIF_SENDCHANGE)
            BroadcastSystemMessage(WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
        return TRUE;
    }
    case SPI_GETICONTITLELOGFONT:
        if (!pvParam)
            return FALSE;
        *static_cast<LOGFONTA*>(pvParam) = ClassicFont(FW_NORMAL);
        return TRUE;
    case SPI_SETDOUBLECLICKTIME:
        return SetDoubleClickTime(uiParam);
    default: break;
    }
    UINT value;
    {
        std::lock_guard<std::mutex> guard(MetricsLock());
        auto it = ParameterOverrides().find(action);
        value = it != ParameterOverrides().end() ? it->second : ClassicParameter(action);
    }
    if (value == UINT_MAX || !pvParam)
        return FALSE;
    if (action == SPI_GETWHEELSCROLLLINES || action == SPI_GETMENUSHOWDELAY || action == SPI_GETKEYBOARDSPEED ||
        action == SPI_GETBORDER)
        *static_cast<UINT*>(pvParam) = value;
    else
        *static_cast<BOOL*>(pvParam) = value ? TRUE : FALSE;
    return TRUE;
}

// ---- Monitors ----------------------------------------------------------------------------------------

struct HMONITOR__ {};

namespace {

// Monitor handles are 1-based indexes into the backend's list.
HMONITOR HandleOf(size_t index) { return reinterpret_cast<HMONITOR>(index + 1); }

long DistanceSquared(const TRect& r, TPoint p) {
    long dx = p.X < r.Left ? r.Left - p.X : p.X >= r.Right ? p.X - r.Right + 1 : 0;
    long dy = p.Y < r.Top ? r.Top - p.Y : p.Y >= r.Bottom ? p.Y - r.Bottom + 1 : 0;
    return dx * dx + dy * dy;
}

} // namespace

HMONITOR MonitorFromPoint(TPoint point, DWORD flags) {
    auto monitors = ScreenBackend().Monitors();
    size_t best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < monitors.size(); ++i) {
        long d = DistanceSquared(monitors[i].Bounds, point);
        if (d == 0)
            return HandleOf(i);
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    if (monitors.empty() || flags == MONITOR_DEFAULTTONULL)
        return nullptr;
    if (flags == MONITOR_DEFAULTTOPRIMARY)
        for (size_t i = 0; i < monitors.size(); ++i)
            if (monitors[i].Primary)
                return HandleOf(i);
    return HandleOf(best);
}

HMONITOR MonitorFromRect(const TRect* rect, DWORD flags) {
    if (!rect)
        return nullptr;
    auto monitors = ScreenBackend().Monitors();
    long bestArea = 0;
    HMONITOR best = nullptr;
    for (size_t i = 0; i < monitors.size(); ++i) {
        const TRect& m = monitors[i].Bounds;
        const TRect overlap = Intersect(m, *rect);
        long w = overlap.Width(), h = overlap.Height();
        if (w > 0 && h > 0 && w * h > bestArea) {
            bestArea = w * h;
            best = HandleOf(i);
        }
    }
    if (best)
        return best;
    return MonitorFromPoint({(rect->Left + rect->Right) / 2, (rect->Top + rect->Bottom) / 2}, flags);
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
    TRect r;
    if (!GetWindowRect(hwnd, &r))
        return flags == MONITOR_DEFAULTTONULL ? nullptr : MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
    return MonitorFromRect(&r, flags);
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
    auto monitors = ScreenBackend().Monitors();
    size_t index = reinterpret_cast<size_t>(monitor);
    if (!info || index == 0 || index > monitors.size())
        return FALSE;
    const MonitorDesc& m = monitors[index - 1];
    info->rcMonitor = m.Bounds;
    info->rcWork = m.Work;
    info->dwFlags = m.Primary ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}

} // namespace win

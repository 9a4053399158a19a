#include "controls/FcThemeServices.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/win/user/User.h"

#include <utility>
#include <vector>

namespace controls {

namespace {

const char* const ServicesClassNames[ThemedElementCount] = {
    "button",      "clock",   "combobox", "edit",     "explorerbar", "header",  "listview", "menu",
    "page",        "progress", "rebar",   "scrollbar", "spin",       "startpanel", "status", "tab",
    "taskband",    "taskbar", "toolbar",  "tooltip",  "trackbar",    "traynotify", "treeview", "window",
};

// A run of detail codes that belong to one part: state = code - First + 1.
struct ServicesRun {
    int First, Last, Part;
};

// Runs of Count codes each for parts FirstPart, FirstPart + 1 ..., starting at code First.
void ServicesAddRuns(std::vector<ServicesRun>& runs, int first, int count, int firstPart, int parts) {
    for (int i = 0; i < parts; ++i)
        runs.push_back({first + i * count, first + i * count + count - 1, firstPart + i});
}

TThemedElementDetails ServicesMap(TThemedElement element, const std::vector<ServicesRun>& runs, int code) {
    for (const ServicesRun& r : runs)
        if (code >= r.First && code <= r.Last)
            return {element, r.Part, code - r.First + 1};
    return {element, 0, code + 1};
}

const std::vector<ServicesRun>& ServicesButtonRuns() {
    static const std::vector<ServicesRun> runs = {{2, 6, 1}, {7, 14, 2}, {15, 26, 3}, {27, 28, 4}, {29, 29, 5}};
    return runs;
}

const std::vector<ServicesRun>& ServicesComboRuns() {
    static const std::vector<ServicesRun> runs = {{2, 5, 1}};
    return runs;
}

const std::vector<ServicesRun>& ServicesHeaderRuns() {
    static const std::vector<ServicesRun> runs = {{2, 4, 1}, {5, 7, 2}, {8, 10, 3}, {11, 12, 4}};
    return runs;
}

const std::vector<ServicesRun>& ServicesScrollBarRuns() {
    static const std::vector<ServicesRun> runs = [] {
        std::vector<ServicesRun> r = {{2, 17, 1}};
        ServicesAddRuns(r, 18, 4, 2, 8);
        r.push_back({50, 51, 10});
        return r;
    }();
    return runs;
}

const std::vector<ServicesRun>& ServicesSpinRuns() {
    static const std::vector<ServicesRun> runs = {{2, 5, 1}, {6, 9, 2}, {10, 13, 3}, {14, 17, 4}};
    return runs;
}

const std::vector<ServicesRun>& ServicesToolBarRuns() {
    static const std::vector<ServicesRun> runs = {{2, 5, 2}};
    return runs;
}

const std::vector<ServicesRun>& ServicesWindowRuns() {
    static const std::vector<ServicesRun> runs = [] {
        std::vector<ServicesRun> r;
        ServicesAddRuns(r, 2, 3, 1, 6);
        ServicesAddRuns(r, 20, 2, 7, 6);
        ServicesAddRuns(r, 32, 4, 13, 16);
        ServicesAddRuns(r, 96, 1, 29, 9);
        return r;
    }();
    return runs;
}

// Each services object that subclasses a window gets a procedure of its own, bound to it through a slot.
constexpr int ServicesThunkCount = 8;
TThemeServices* ServicesThunkOwners[ServicesThunkCount] = {};

template <int N>
win::LRESULT ServicesThunk(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

using ServicesThunkProc = win::LRESULT (*)(win::HWND, win::UINT, win::WPARAM, win::LPARAM);

template <int... N>
constexpr std::array<ServicesThunkProc, sizeof...(N)> ServicesMakeThunks(std::integer_sequence<int, N...>) {
    return {&ServicesThunk<N>...};
}
constexpr auto ServicesThunks = ServicesMakeThunks(std::make_integer_sequence<int, ServicesThunkCount>());

// Freed by FreeThemeServices, never by the end of the process: the window system may be gone by then.
TThemeServices* ServicesInstance = nullptr;

} // namespace

// The thunks reach the object's procedure through this friend-free door.
struct ThemeServicesAccess {
    static win::LRESULT Dispatch(TThemeServices* s, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
};

namespace {
template <int N>
win::LRESULT ServicesThunk(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    TThemeServices* owner = ServicesThunkOwners[N];
    if (!owner)
        return win::DefWindowProc(hwnd, msg, wParam, lParam);
    return ThemeServicesAccess::Dispatch(owner, msg, wParam, lParam);
}
} // namespace

const char* ThemedElementClassName(TThemedElement element) {
    return element >= 0 && element < ThemedElementCount ? ServicesClassNames[element] : "";
}

TThemeServices::TThemeServices(win::HWND windowHandle) : FWindowHandle(windowHandle) {
    if (FWindowHandle && win::IsWindow(FWindowHandle)) {
        for (int i = 0; i < ServicesThunkCount; ++i) {
            if (!ServicesThunkOwners[i]) {
                ServicesThunkOwners[i] = this;
                FThunkIndex = i;
                FPreviousProc = reinterpret_cast<win::WNDPROC>(
                    win::SetWindowLong(FWindowHandle, win::GWL_WNDPROC,
                                       reinterpret_cast<win::LONG_PTR>(ServicesThunks[i])));
                break;
            }
        }
    }
    FThemesAvailable = BindThemeLibrary();
    RefreshThemeState();
}

TThemeServices::~TThemeServices() {
    Unsubclass();
    CloseThemeHandles();
    ReleaseThemeLibrary();
}

void TThemeServices::Unsubclass() {
    if (FThunkIndex < 0)
        return;
    if (FPreviousProc && win::IsWindow(FWindowHandle))
        win::SetWindowLong(FWindowHandle, win::GWL_WNDPROC, reinterpret_cast<win::LONG_PTR>(FPreviousProc));
    ServicesThunkOwners[FThunkIndex] = nullptr;
    FThunkIndex = -1;
    FPreviousProc = nullptr;
}

win::LRESULT ThemeServicesAccess::Dispatch(TThemeServices* s, win::UINT msg, win::WPARAM wParam,
                                           win::LPARAM lParam) {
    return s->WindowProc(msg, wParam, lParam);
}

win::LRESULT TThemeServices::WindowProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    win::WNDPROC previous = FPreviousProc;
    win::HWND hwnd = FWindowHandle;
    switch (msg) {
    case win::WM_DESTROY:
        // The window goes: the procedure chain is put back now, so that the destructor leaves it alone.
        Unsubclass();
        break;
    case win::WM_THEMECHANGED:
        RefreshThemeState();
        NotifyThemeChanged();
        break;
    default:
        break;
    }
    if (!previous)
        return win::DefWindowProc(hwnd, msg, wParam, lParam);
    return win::CallWindowProc(previous, hwnd, msg, wParam, lParam);
}

win::HTHEME TThemeServices::ThemeHandle(TThemedElement element) {
    if (element < 0 || element >= ThemedElementCount || !FUseThemes)
        return nullptr;
    win::HTHEME& handle = FThemeHandles[element];
    if (!handle) {
        auto open = ThemeProc<TOpenThemeDataProc>(uxOpenThemeData);
        if (open) {
            std::string name = ServicesClassNames[element];
            std::u16string wide(name.begin(), name.end());
            handle = open(FWindowHandle, wide.c_str());
        }
    }
    return handle;
}

TThemedElementDetails TThemeServices::DetailsForButton(int code) const {
    return ServicesMap(teButton, ServicesButtonRuns(), code);
}
TThemedElementDetails TThemeServices::DetailsForComboBox(int code) const {
    return ServicesMap(teComboBox, ServicesComboRuns(), code);
}
TThemedElementDetails TThemeServices::DetailsForHeader(int code) const {
    return ServicesMap(teHeader, ServicesHeaderRuns(), code);
}
TThemedElementDetails TThemeServices::DetailsForScrollBar(int code) const {
    return ServicesMap(teScrollBar, ServicesScrollBarRuns(), code);
}
TThemedElementDetails TThemeServices::DetailsForSpin(int code) const {
    return ServicesMap(teSpin, ServicesSpinRuns(), code);
}
TThemedElementDetails TThemeServices::DetailsForToolBar(int code) const {
    return ServicesMap(teToolBar, ServicesToolBarRuns(), code);
}
TThemedElementDetails TThemeServices::DetailsForWindow(int code) const {
    return ServicesMap(teWindow, ServicesWindowRuns(), code);
}

win::HRESULT TThemeServices::PaintElement(win::HDC dc, const TThemedElementDetails& details,
                                          const win::TRect& rect, const win::TRect* clipRect) {
    auto draw = ThemeProc<TDrawThemeBackgroundProc>(uxDrawThemeBackground);
    if (!draw)
        return win::E_FAIL;
    return draw(ThemeHandle(details.Element), dc, details.Part, details.State, &rect, clipRect);
}

win::HRESULT TThemeServices::PaintElementText(win::HDC dc, const TThemedElementDetails& details,
                                              const std::u16string& text, const win::TRect& rect,
                                              win::DWORD flags, win::DWORD flags2) {
    auto draw = ThemeProc<TDrawThemeTextProc>(uxDrawThemeText);
    if (!draw)
        return win::E_FAIL;
    return draw(ThemeHandle(details.Element), dc, details.Part, details.State, text.c_str(), int(text.size()),
                flags, flags2, &rect);
}

void TThemeServices::PaintParentBackground(win::HWND window, win::HDC dc, const TThemedElementDetails* details,
                                           bool onlyIfTransparent, const win::TRect* rect) {
    if (onlyIfTransparent && details) {
        auto transparent =
            ThemeProc<TIsThemeBackgroundPartiallyTransparentProc>(uxIsThemeBackgroundPartiallyTransparent);
        if (!transparent || !transparent(ThemeHandle(details->Element), details->Part, details->State))
            return;
    }
    auto drawParent = ThemeProc<TDrawThemeParentBackgroundProc>(uxDrawThemeParentBackground);
    if (drawParent)
        drawParent(window, dc, rect);
}

void TThemeServices::RefreshThemeState() {
    if (FUseThemes)
        CloseThemeHandles();
    FUseThemes = ThemeLibraryActive() && vcl::GetComCtlVersion() >= 0x00060000;
    FControlsEnabled = false;
    if (FUseThemes) {
        auto properties = ThemeProc<TGetThemeAppPropertiesProc>(uxGetThemeAppProperties);
        FControlsEnabled = properties && (properties() & win::STAP_ALLOW_CONTROLS) != 0;
    }
}

void TThemeServices::NotifyThemeChanged() {
    if (OnThemeChanged)
        OnThemeChanged(this);
}

void TThemeServices::CloseThemeHandles() {
    // A window that is gone takes its handles with it: they are left alone.
    if (FWindowHandle && !win::IsWindow(FWindowHandle))
        return;
    auto close = ThemeProc<TCloseThemeDataProc>(uxCloseThemeData);
    for (win::HTHEME& handle : FThemeHandles) {
        if (handle && close)
            close(handle);
        handle = nullptr;
    }
}

TThemeServices* GetThemeServices() {
    if (!ServicesInstance)
        ServicesInstance = new TThemeServices(vcl::Application ? vcl::Application->GetHandle() : nullptr);
    return ServicesInstance;
}

void FreeThemeServices() {
    TThemeServices* instance = std::exchange(ServicesInstance, nullptr);
    delete instance;
}

} // namespace controls

// The visual-styles entry points: theme handles, the seam to the installed engine, and the module
// "uxtheme.dll" that callers bind by name.
#include "platform/win/theme/UxTheme.h"

#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Modules.h"
#include "platform/win/kernel/Utf16.h"
#include "platform/win/theme/ThemeEngine.h"
#include "platform/win/theme/ThemeText.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace win {

// What a theme handle stands for: a class of the engine that was installed when it was opened.
struct HTHEME__ {
    std::shared_ptr<IThemeEngine> Engine;
    uint64_t Generation = 0;
    int Class = -1;
};

namespace {

struct UxThemeState {
    std::mutex Lock;
    std::shared_ptr<IThemeEngine> Engine;
    uint64_t Generation = 1;
    ThemeScheme Scheme = tsClassic;
    // Every handle given out and not yet closed; stale ones stay until their owner closes them. A handle is
    // a number never given out before, not the record's address, which a later open may get again: a
    // closed handle then would name another theme.
    std::map<HTHEME, std::unique_ptr<HTHEME__>> Handles;
    uintptr_t LastHandle = 0;
};

UxThemeState& UxThemeCurrent() {
    static UxThemeState state;
    return state;
}

std::shared_ptr<IThemeEngine> UxThemeEngine() {
    UxThemeState& s = UxThemeCurrent();
    std::lock_guard lock(s.Lock);
    return s.Engine;
}

// The engine and class behind a live handle of the current theme; E_HANDLE for anything else.
HRESULT UxThemeResolve(HTHEME theme, std::shared_ptr<IThemeEngine>* engine, int* cls) {
    UxThemeState& s = UxThemeCurrent();
    std::lock_guard lock(s.Lock);
    auto it = s.Handles.find(theme);
    if (it == s.Handles.end() || it->second->Generation != s.Generation || !it->second->Engine)
        return E_HANDLE;
    *engine = it->second->Engine;
    *cls = it->second->Class;
    return S_OK;
}

std::string UxThemeTrim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

void UxThemeChanged(std::shared_ptr<IThemeEngine> engine, ThemeScheme scheme) {
    {
        UxThemeState& s = UxThemeCurrent();
        std::lock_guard lock(s.Lock);
        if (s.Engine == engine && (engine || s.Scheme == scheme))
            return;
        s.Engine = std::move(engine);
        s.Scheme = scheme;
        ++s.Generation;
    }
    // Outside the lock: the windows' answers may open new handles at once.
    BroadcastSystemMessage(WM_THEMECHANGED, 0, 0);
}

// Copies name into buffer (chars with the terminator); a name that does not fit is cut and terminated.
bool UxThemeCopyName(const std::string& name, char16_t* buffer, int chars) {
    if (!buffer)
        return true;
    if (chars <= 0)
        return false;
    std::u16string wide = Utf8ToUtf16(name);
    size_t n = std::min(wide.size(), size_t(chars - 1));
    std::copy_n(wide.begin(), n, buffer);
    buffer[n] = 0;
    return n == wide.size();
}

} // namespace

void SetThemeEngine(std::shared_ptr<IThemeEngine> engine) { UxThemeChanged(std::move(engine), tsClassic); }

void SetThemeScheme(ThemeScheme scheme) {
    {
        UxThemeState& s = UxThemeCurrent();
        std::lock_guard lock(s.Lock);
        if (s.Scheme == scheme && (scheme == tsClassic) == (s.Engine == nullptr))
            return;
    }
    UxThemeChanged(scheme == tsClassic ? nullptr : CreateBuiltinThemeEngine(scheme), scheme);
}

IThemeEngine* GetThemeEngine() {
    UxThemeState& s = UxThemeCurrent();
    std::lock_guard lock(s.Lock);
    return s.Engine.get();
}

bool ParseThemeScheme(const std::string& name, ThemeScheme* scheme) {
    std::string key = name;
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    static const std::pair<const char*, ThemeScheme> names[] = {
        {"classic", tsClassic}, {"blue", tsBlue}, {"olive", tsOlive}, {"silver", tsSilver}};
    for (const auto& [n, s] : names)
        if (key == n) {
            *scheme = s;
            return true;
        }
    return false;
}

HTHEME OpenThemeData(HWND, const char16_t* classList) {
    std::shared_ptr<IThemeEngine> engine = UxThemeEngine();
    if (!engine || !classList || !engine->IsActive())
        return nullptr;
    std::string list = ThemeUtf16ToUtf8(classList, -1);
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos)
            end = list.size();
        std::string name = UxThemeTrim(list.substr(start, end - start));
        int cls = name.empty() ? -1 : engine->FindClass(name);
        if (cls >= 0) {
            UxThemeState& s = UxThemeCurrent();
            std::lock_guard lock(s.Lock);
            if (s.Engine != engine) // the theme changed meanwhile
                return nullptr;
            auto handle = std::make_unique<HTHEME__>();
            handle->Engine = engine;
            handle->Generation = s.Generation;
            handle->Class = cls;
            HTHEME h = reinterpret_cast<HTHEME>(++s.LastHandle);
            s.Handles[h] = std::move(handle);
            return h;
        }
        start = end + 1;
    }
    return nullptr;
}

HRESULT CloseThemeData(HTHEME theme) {
    UxThemeState& s = UxThemeCurrent();
    std::unique_ptr<HTHEME__> closed;
    std::lock_guard lock(s.Lock);
    auto it = s.Handles.find(theme);
    if (it == s.Handles.end())
        return E_HANDLE;
    closed = std::move(it->second);
    s.Handles.erase(it);
    return S_OK;
}

HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* rect, const RECT* clip) {
    std::shared_ptr<IThemeEngine> engine;
    int cls = -1;
    if (HRESULT hr = UxThemeResolve(theme, &engine, &cls); FAILED(hr))
        return hr;
    if (!dc || !rect)
        return E_INVALIDARG;
    return engine->DrawBackground(cls, dc, part, state, *rect, clip);
}

HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, const char16_t* text, int count, DWORD flags,
                      DWORD flags2, const RECT* rect) {
    std::shared_ptr<IThemeEngine> engine;
    int cls = -1;
    if (HRESULT hr = UxThemeResolve(theme, &engine, &cls); FAILED(hr))
        return hr;
    if (!dc || !rect || !text)
        return E_INVALIDARG;
    return engine->DrawText(cls, dc, part, state, ThemeUtf16ToUtf8(text, count), flags, flags2, *rect);
}

HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state, const RECT* bounds,
                                      RECT* content) {
    std::shared_ptr<IThemeEngine> engine;
    int cls = -1;
    if (HRESULT hr = UxThemeResolve(theme, &engine, &cls); FAILED(hr))
        return hr;
    if (!bounds || !content)
        return E_INVALIDARG;
    return engine->ContentRect(cls, dc, part, state, *bounds, content);
}

HRESULT GetThemePartSize(HTHEME theme, HDC dc, int part, int state, const RECT* rect, int kind, SIZE* size) {
    std::shared_ptr<IThemeEngine> engine;
    int cls = -1;
    if (HRESULT hr = UxThemeResolve(theme, &engine, &cls); FAILED(hr))
        return hr;
    if (!size || kind < TS_MIN || kind > TS_DRAW)
        return E_INVALIDARG;
    return engine->PartSize(cls, dc, part, state, rect, kind, size);
}

HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int part, int state, const RECT* rect, HRGN* region) {
    std::shared_ptr<IThemeEngine> engine;
    int cls = -1;
    if (HRESULT hr = UxThemeResolve(theme, &engine, &cls); FAILED(hr))
        return hr;
    if (!rect || !region)
        return E_INVALIDARG;
    *region = nullptr;
    return engine->BackgroundRegion(cls, dc, part, state, *rect, region);
}

HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int part, int state, const RECT* dest, UINT edge, UINT flags,
                      RECT* content) {
    std::shared_ptr<IThemeEngine> engine;
    int cls = -1;
    if (HRESULT hr = UxThemeResolve(theme, &engine, &cls); FAILED(hr))
        return hr;
    if (!dc || !dest)
        return E_INVALIDARG;
    return engine->DrawEdge(cls, dc, part, state, *dest, edge, flags, content);
}

BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int state) {
    std::shared_ptr<IThemeEngine> engine;
    int cls = -1;
    if (FAILED(UxThemeResolve(theme, &engine, &cls)))
        return FALSE;
    return engine->PartiallyTransparent(cls, part, state) ? TRUE : FALSE;
}

HRESULT GetThemeColor(HTHEME theme, int part, int state, int property, COLORREF* color) {
    std::shared_ptr<IThemeEngine> engine;
    int cls = -1;
    if (HRESULT hr = UxThemeResolve(theme, &engine, &cls); FAILED(hr))
        return hr;
    if (!color)
        return E_INVALIDARG;
    return engine->Color(cls, part, state, property, color);
}

BOOL IsThemePartDefined(HTHEME theme, int part, int state) {
    std::shared_ptr<IThemeEngine> engine;
    int cls = -1;
    if (FAILED(UxThemeResolve(theme, &engine, &cls)))
        return FALSE;
    return engine->IsPartDefined(cls, part, state) ? TRUE : FALSE;
}

BOOL IsThemeActive() {
    std::shared_ptr<IThemeEngine> engine = UxThemeEngine();
    return engine && engine->IsActive() ? TRUE : FALSE;
}

BOOL IsAppThemed() {
    std::shared_ptr<IThemeEngine> engine = UxThemeEngine();
    return engine && engine->IsActive() && engine->IsAppThemed() ? TRUE : FALSE;
}

DWORD GetThemeAppProperties() {
    std::shared_ptr<IThemeEngine> engine = UxThemeEngine();
    return engine ? engine->AppProperties() : 0;
}

HRESULT GetCurrentThemeName(char16_t* fileName, int fileNameChars, char16_t* colorName, int colorNameChars,
                            char16_t* sizeName, int sizeNameChars) {
    std::shared_ptr<IThemeEngine> engine = UxThemeEngine();
    if (!engine || !engine->IsActive())
        return E_FAIL;
    std::string file, color, size;
    if (HRESULT hr = engine->ThemeName(&file, &color, &size); FAILED(hr))
        return hr;
    bool whole = UxThemeCopyName(file, fileName, fileNameChars);
    whole = UxThemeCopyName(color, colorName, colorNameChars) && whole;
    whole = UxThemeCopyName(size, sizeName, sizeNameChars) && whole;
    return whole ? S_OK : E_INSUFFICIENT_BUFFER;
}

HRESULT DrawThemeParentBackground(HWND hwnd, HDC dc, const RECT* rect) {
    if (!IsWindow(hwnd) || !dc)
        return E_INVALIDARG;
    HWND parent = GetParent(hwnd);
    if (!parent)
        return E_INVALIDARG;
    TPoint origin{0, 0};
    MapWindowPoints(hwnd, parent, &origin, 1);
    int saved = SaveDC(dc);
    if (rect)
        IntersectClipRect(dc, rect->Left, rect->Top, rect->Right, rect->Bottom);
    // The parent draws in its own client coordinates: move the origin so that they land under the child.
    OffsetWindowOrgEx(dc, origin.X, origin.Y, nullptr);
    SendMessage(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SendMessage(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    RestoreDC(dc, saved);
    return S_OK;
}

namespace {

// The module callers bind by name; the names it does not implement stay missing.
const bool UxThemeRegistered = [] {
    RegisterModuleExports(
        "uxtheme.dll",
        {
            {"OpenThemeData", ExportOf(&OpenThemeData)},
            {"CloseThemeData", ExportOf(&CloseThemeData)},
            {"DrawThemeBackground", ExportOf(&DrawThemeBackground)},
            {"DrawThemeText", ExportOf(&DrawThemeText)},
            {"GetThemeBackgroundContentRect", ExportOf(&GetThemeBackgroundContentRect)},
            {"GetThemePartSize", ExportOf(&GetThemePartSize)},
            {"GetThemeBackgroundRegion", ExportOf(&GetThemeBackgroundRegion)},
            {"DrawThemeEdge", ExportOf(&DrawThemeEdge)},
            {"IsThemeBackgroundPartiallyTransparent", ExportOf(&IsThemeBackgroundPartiallyTransparent)},
            {"GetThemeColor", ExportOf(&GetThemeColor)},
            {"IsThemePartDefined", ExportOf(&IsThemePartDefined)},
            {"IsThemeActive", ExportOf(&IsThemeActive)},
            {"IsAppThemed", ExportOf(&IsAppThemed)},
            {"GetThemeAppProperties", ExportOf(&GetThemeAppProperties)},
            {"GetCurrentThemeName", ExportOf(&GetCurrentThemeName)},
            {"DrawThemeParentBackground", ExportOf(&DrawThemeParentBackground)},
        });
    return true;
}();

} // namespace

} // namespace win

#include "platform/win/theme/RecordingThemeEngine.h"

#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <cctype>

namespace win {

namespace {

std::string RecordingUpper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

ThemeCall RecordingCall(const char* function, int part, int state, const TRect& rect = {}) {
    ThemeCall call;
    call.Function = function;
    call.Part = part;
    call.State = state;
    call.Rect = rect;
    return call;
}

} // namespace

int RecordingThemeEngine::ClassIndex(const std::string& name) const {
    std::string key = RecordingUpper(name);
    for (size_t i = 0; i < FClasses.size(); ++i)
        if (RecordingUpper(FClasses[i]) == key)
            return int(i);
    return -1;
}

void RecordingThemeEngine::AddClass(const std::string& name) {
    if (ClassIndex(name) < 0)
        FClasses.push_back(name);
}

void RecordingThemeEngine::SetThemeName(std::string file, std::string color, std::string size) {
    FFile = std::move(file);
    FColor = std::move(color);
    FSize = std::move(size);
}

void RecordingThemeEngine::SetPartSize(const std::string& cls, int part, int state, int kind, TSize size) {
    AddClass(cls);
    FSizes[{ClassIndex(cls), part, state, kind}] = size;
}

void RecordingThemeEngine::SetContentMargins(const std::string& cls, int part, int state, TRect margins) {
    AddClass(cls);
    FMargins[{ClassIndex(cls), part, state, 0}] = margins;
}

void RecordingThemeEngine::SetColor(const std::string& cls, int part, int state, int property, COLORREF color) {
    AddClass(cls);
    FColors[{ClassIndex(cls), part, state, property}] = color;
}

void RecordingThemeEngine::SetPartiallyTransparent(const std::string& cls, int part, int state, bool transparent) {
    AddClass(cls);
    FTransparent[{ClassIndex(cls), part, state, 0}] = transparent;
}

void RecordingThemeEngine::SetRegion(const std::string& cls, int part, int state, std::vector<TRect> rects) {
    AddClass(cls);
    FRegions[{ClassIndex(cls), part, state, 0}] = std::move(rects);
}

void RecordingThemeEngine::SetPartDefined(const std::string& cls, int part, int state, bool defined) {
    AddClass(cls);
    FDefined[{ClassIndex(cls), part, state, 0}] = defined;
}

void RecordingThemeEngine::SetFillColor(const std::string& cls, COLORREF color) {
    AddClass(cls);
    FFills[ClassIndex(cls)] = color;
}

std::vector<ThemeCall> RecordingThemeEngine::CallsOf(const std::string& function) const {
    std::vector<ThemeCall> out;
    for (const ThemeCall& c : FCalls)
        if (c.Function == function)
            out.push_back(c);
    return out;
}

template <class T>
const T* RecordingThemeEngine::Lookup(const std::map<Key, T>& table, int cls, int part, int state,
                                      int extra) const {
    const Key keys[] = {{cls, part, state, extra}, {cls, part, -1, extra}, {cls, -1, state, extra},
                        {cls, -1, -1, extra}};
    for (const Key& k : keys) {
        auto it = table.find(k);
        if (it != table.end())
            return &it->second;
    }
    return nullptr;
}

void RecordingThemeEngine::Record(ThemeCall call, int cls) {
    call.Class = ClassName(cls);
    FCalls.push_back(std::move(call));
}

int RecordingThemeEngine::FindClass(const std::string& name) { return ClassIndex(name); }

std::string RecordingThemeEngine::ClassName(int cls) {
    return cls >= 0 && size_t(cls) < FClasses.size() ? FClasses[size_t(cls)] : std::string();
}

HRESULT RecordingThemeEngine::ThemeName(std::string* file, std::string* color, std::string* size) {
    *file = FFile;
    *color = FColor;
    *size = FSize;
    return S_OK;
}

bool RecordingThemeEngine::IsPartDefined(int cls, int part, int state) {
    const bool* d = Lookup(FDefined, cls, part, state);
    return d ? *d : true;
}

HRESULT RecordingThemeEngine::DrawBackground(int cls, HDC dc, int part, int state, const TRect& rect,
                                             const TRect* clip) {
    ThemeCall call = RecordingCall("DrawThemeBackground", part, state, rect);
    if (clip)
        call.Clip = *clip;
    Record(call, cls);
    auto fill = FFills.find(cls);
    if (fill != FFills.end()) {
        TRect r = rect;
        if (clip)
            IntersectRect(&r, &rect, clip);
        HBRUSH brush = CreateSolidBrush(fill->second);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    return S_OK;
}

HRESULT RecordingThemeEngine::DrawText(int cls, HDC, int part, int state, const std::string& text, DWORD flags,
                                       DWORD flags2, const TRect& rect) {
    ThemeCall call = RecordingCall("DrawThemeText", part, state, rect);
    call.Text = text;
    call.Flags = flags;
    call.Flags2 = flags2;
    Record(call, cls);
    return S_OK;
}

HRESULT RecordingThemeEngine::ContentRect(int cls, HDC, int part, int state, const TRect& bounds,
                                          TRect* content) {
    Record(RecordingCall("GetThemeBackgroundContentRect", part, state, bounds), cls);
    const TRect* m = Lookup(FMargins, cls, part, state);
    TRect margins = m ? *m : TRect{};
    *content = {bounds.Left + margins.Left, bounds.Top + margins.Top, bounds.Right - margins.Right,
                bounds.Bottom - margins.Bottom};
    return S_OK;
}

HRESULT RecordingThemeEngine::PartSize(int cls, HDC, int part, int state, const TRect* rect, int kind,
                                       TSize* size) {
    ThemeCall call = RecordingCall("GetThemePartSize", part, state, rect ? *rect : TRect{});
    call.Property = kind;
    Record(call, cls);
    const TSize* s = Lookup(FSizes, cls, part, state, kind);
    if (!s)
        return E_FAIL;
    *size = *s;
    return S_OK;
}

HRESULT RecordingThemeEngine::BackgroundRegion(int cls, HDC, int part, int state, const TRect& rect,
                                               HRGN* region) {
    Record(RecordingCall("GetThemeBackgroundRegion", part, state, rect), cls);
    const std::vector<TRect>* rects = Lookup(FRegions, cls, part, state);
    if (!rects) {
        *region = CreateRectRgn(rect.Left, rect.Top, rect.Right, rect.Bottom);
        return S_OK;
    }
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    for (const TRect& r : *rects) {
        HRGN piece = CreateRectRgn(rect.Left + r.Left, rect.Top + r.Top, rect.Left + r.Right, rect.Top + r.Bottom);
        CombineRgn(result, result, piece, RGN_OR);
        DeleteObject(piece);
    }
    *region = result;
    return S_OK;
}

HRESULT RecordingThemeEngine::DrawEdge(int cls, HDC, int part, int state, const TRect& dest, UINT edge,
                                       UINT flags, TRect* content) {
    ThemeCall call = RecordingCall("DrawThemeEdge", part, state, dest);
    call.Flags = edge;
    call.Flags2 = flags;
    Record(call, cls);
    if (content)
        *content = dest;
    return S_OK;
}

bool RecordingThemeEngine::PartiallyTransparent(int cls, int part, int state) {
    Record(RecordingCall("IsThemeBackgroundPartiallyTransparent", part, state), cls);
    const bool* t = Lookup(FTransparent, cls, part, state);
    return t && *t;
}

HRESULT RecordingThemeEngine::Color(int cls, int part, int state, int property, COLORREF* color) {
    ThemeCall call = RecordingCall("GetThemeColor", part, state);
    call.Property = property;
    Record(call, cls);
    const COLORREF* c = Lookup(FColors, cls, part, state, property);
    if (!c)
        return E_FAIL;
    *color = *c;
    return S_OK;
}

} // namespace win

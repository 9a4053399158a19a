// A theme engine for tests: the classes, answers and shapes a test scripts, and a record of every call with
// its rectangles. It draws nothing unless a class is given a fill colour.
#pragma once

#include "platform/win/theme/ThemeEngine.h"

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace win {

struct ThemeCall {
    std::string Function; // the entry point's name, "DrawThemeBackground"
    std::string Class;
    int Part = 0;
    int State = 0;
    TRect Rect;                // the rect, bounds or destination passed; empty when none
    std::optional<TRect> Clip; // DrawThemeBackground's clip rect
    std::string Text;          // DrawThemeText's text
    DWORD Flags = 0;           // DrawText flags, or DrawThemeEdge's edge
    DWORD Flags2 = 0;          // DrawThemeText's second flags, or DrawThemeEdge's flags
    int Property = 0;          // GetThemeColor's property, GetThemePartSize's kind
};

class RecordingThemeEngine : public IThemeEngine {
public:
    // Answers: a part or state of -1 stands for every one; the most specific entry wins. A class named by a
    // setter is added as AddClass does.
    void AddClass(const std::string& name);
    void SetActive(bool active) { FActive = active; }
    void SetAppThemed(bool themed) { FAppThemed = themed; }
    void SetAppProperties(DWORD properties) { FAppProperties = properties; }
    void SetThemeName(std::string file, std::string color, std::string size);
    // Unscripted sizes and colours fail (E_FAIL); unscripted margins are 0, transparency false, the region
    // the whole rect, and every part is defined.
    void SetPartSize(const std::string& cls, int part, int state, int kind, TSize size);
    void SetContentMargins(const std::string& cls, int part, int state, TRect margins);
    void SetColor(const std::string& cls, int part, int state, int property, COLORREF color);
    void SetPartiallyTransparent(const std::string& cls, int part, int state, bool transparent);
    // The region's rectangles, relative to the part's rect.
    void SetRegion(const std::string& cls, int part, int state, std::vector<TRect> rects);
    void SetPartDefined(const std::string& cls, int part, int state, bool defined);
    // DrawThemeBackground fills the rect (within the clip rect) with this colour.
    void SetFillColor(const std::string& cls, COLORREF color);

    const std::vector<ThemeCall>& Calls() const { return FCalls; }
    std::vector<ThemeCall> CallsOf(const std::string& function) const;
    void ClearCalls() { FCalls.clear(); }

    int FindClass(const std::string& name) override;
    std::string ClassName(int cls) override;
    bool IsActive() override { return FActive; }
    bool IsAppThemed() override { return FAppThemed; }
    DWORD AppProperties() override { return FAppProperties; }
    HRESULT ThemeName(std::string* file, std::string* color, std::string* size) override;
    bool IsPartDefined(int cls, int part, int state) override;
    HRESULT DrawBackground(int cls, HDC dc, int part, int state, const TRect& rect, const TRect* clip) override;
    HRESULT DrawText(int cls, HDC dc, int part, int state, const std::string& text, DWORD flags, DWORD flags2,
                     const TRect& rect) override;
    HRESULT ContentRect(int cls, HDC dc, int part, int state, const TRect& bounds, TRect* content) override;
    HRESULT PartSize(int cls, HDC dc, int part, int state, const TRect* rect, int kind, TSize* size) override;
    HRESULT BackgroundRegion(int cls, HDC dc, int part, int state, const TRect& rect, HRGN* region) override;
    HRESULT DrawEdge(int cls, HDC dc, int part, int state, const TRect& dest, UINT edge, UINT flags,
                     TRect* content) override;
    bool PartiallyTransparent(int cls, int part, int state) override;
    HRESULT Color(int cls, int part, int state, int property, COLORREF* color) override;

private:
    using Key = std::tuple<int, int, int, int>; // class, part, state, kind or property
    template <class T>
    const T* Lookup(const std::map<Key, T>& table, int cls, int part, int state, int extra = 0) const;
    int ClassIndex(const std::string& name) const;
    void Record(ThemeCall call, int cls);

    std::vector<std::string> FClasses;
    bool FActive = true;
    bool FAppThemed = true;
    DWORD FAppProperties = 3;
    std::string FFile, FColor, FSize;
    std::map<Key, TSize> FSizes;
    std::map<Key, TRect> FMargins;
    std::map<Key, COLORREF> FColors;
    std::map<Key, bool> FTransparent;
    std::map<Key, std::vector<TRect>> FRegions;
    std::map<Key, bool> FDefined;
    std::map<int, COLORREF> FFills;
    std::vector<ThemeCall> FCalls;
};

} // namespace win

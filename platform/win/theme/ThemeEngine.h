// The seam behind the visual-styles entry points: whatever engine is installed answers them. The Qt screen
// installs the built-in engine in a colour scheme, tests install a recording one, and with none installed
// themes are inactive.
#pragma once

#include "platform/win/WinTypes.h"
#include "platform/win/ole/Com.h"

#include <memory>
#include <string>
#include <vector>

namespace win {

class IThemeEngine {
public:
    virtual ~IThemeEngine() = default;

    // The index of the class this engine draws for name (letter case ignored), or -1.
    virtual int FindClass(const std::string& name) = 0;
    virtual std::string ClassName(int cls) = 0;

    virtual bool IsActive() { return true; }
    virtual bool IsAppThemed() { return true; }
    virtual DWORD AppProperties() { return 3; }
    virtual HRESULT ThemeName(std::string* file, std::string* color, std::string* size) = 0;

    // The calls below come with a class index from FindClass; text is UTF-8.
    virtual bool IsPartDefined(int cls, int part, int state) = 0;
    virtual HRESULT DrawBackground(int cls, HDC dc, int part, int state, const TRect& rect, const TRect* clip) = 0;
    virtual HRESULT DrawText(int cls, HDC dc, int part, int state, const std::string& text, DWORD flags,
                             DWORD flags2, const TRect& rect) = 0;
    virtual HRESULT ContentRect(int cls, HDC dc, int part, int state, const TRect& bounds, TRect* content) = 0;
    virtual HRESULT PartSize(int cls, HDC dc, int part, int state, const TRect* rect, int kind, TSize* size) = 0;
    virtual HRESULT BackgroundRegion(int cls, HDC dc, int part, int state, const TRect& rect, HRGN* region) = 0;
    virtual HRESULT DrawEdge(int cls, HDC dc, int part, int state, const TRect& dest, UINT edge, UINT flags,
                             TRect* content) = 0;
    virtual bool PartiallyTransparent(int cls, int part, int state) = 0;
    virtual HRESULT Color(int cls, int part, int state, int property, COLORREF* color) = 0;
};

enum ThemeScheme { tsClassic, tsBlue, tsOlive, tsSilver };

// Each change makes every theme handle opened before it stale and sends WM_THEMECHANGED to every top-level
// window, hidden ones too. Installing the engine that is already installed changes nothing.
void SetThemeEngine(std::shared_ptr<IThemeEngine> engine);
// tsClassic installs none; the others the built-in engine in that colour scheme.
void SetThemeScheme(ThemeScheme scheme);
IThemeEngine* GetThemeEngine();

// "classic", "blue", "olive", "silver" (letter case ignored); false for anything else.
bool ParseThemeScheme(const std::string& name, ThemeScheme* scheme);

// The built-in engine in one of the colour schemes (not tsClassic).
std::shared_ptr<IThemeEngine> CreateBuiltinThemeEngine(ThemeScheme scheme);

// What the built-in engine draws: each class and part with its states (state 0 draws as state 1).
struct ThemePartRange {
    std::string Class;
    int Part = 0;
    int LastState = 1;
    bool FixedSize = false; // the part has a true size of its own (glyph buttons, grips, separators)
};
std::vector<ThemePartRange> BuiltinThemeParts();

} // namespace win

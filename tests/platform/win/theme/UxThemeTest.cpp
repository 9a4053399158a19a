#include "ThemeTestSupport.h"

#include "platform/win/theme/RecordingThemeEngine.h"
#include "platform/win/user/User.h"

#include <cstring>
#include <map>

using namespace themetest;

namespace {

// The 46 names the look-and-feel code binds, and which of them the layer implements.
const char* const UxAllNames[] = {
    "CloseThemeData", "DrawThemeBackground", "DrawThemeEdge", "DrawThemeIcon", "DrawThemeParentBackground",
    "DrawThemeText", "EnableThemeDialogTexture", "GetCurrentThemeName", "GetThemeAppProperties",
    "GetThemeBackgroundContentRect", "GetThemeBackgroundRegion", "GetThemeBackgroundExtent", "GetThemeBool",
    "GetThemeColor", "GetThemeDocumentationProperty", "GetThemeEnumValue", "GetThemeFilename", "GetThemeFont",
    "GetThemeInt", "GetThemeIntList", "GetThemeMargins", "GetThemeMetric", "GetThemePartSize",
    "GetThemePosition", "GetThemePropertyOrigin", "GetThemeRect", "GetThemeString", "GetThemeSysBool",
    "GetThemeSysColor", "GetThemeSysColorBrush", "GetThemeSysFont", "GetThemeSysInt", "GetThemeSysSize",
    "GetThemeSysString", "GetThemeTextExtent", "GetThemeTextMetrics", "GetWindowTheme",
    "HitTestThemeBackground", "IsAppThemed", "IsThemeActive", "IsThemePartDefined",
    "IsThemeBackgroundPartiallyTransparent", "IsThemeDialogTextureEnabled", "OpenThemeData",
    "SetThemeAppProperties", "SetWindowTheme"};
const char* const UxImplemented[] = {
    "OpenThemeData", "CloseThemeData", "DrawThemeBackground", "DrawThemeText", "GetThemeBackgroundContentRect",
    "GetThemePartSize", "GetThemeBackgroundRegion", "DrawThemeEdge", "IsThemeBackgroundPartiallyTransparent",
    "GetThemeColor", "IsThemePartDefined", "IsThemeActive", "IsAppThemed", "GetThemeAppProperties",
    "GetCurrentThemeName", "DrawThemeParentBackground"};

std::shared_ptr<RecordingThemeEngine> UxRecorder() {
    auto engine = std::make_shared<RecordingThemeEngine>();
    engine->AddClass("Button");
    engine->AddClass("Edit");
    return engine;
}

std::map<HWND, int>& UxThemeChangedCount() {
    static std::map<HWND, int> counts;
    return counts;
}

LRESULT UxCountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_THEMECHANGED)
        ++UxThemeChangedCount()[hwnd];
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

HWND UxMakeWindow(DWORD style, HWND parent = nullptr, WNDPROC proc = UxCountingProc, TRect r = {0, 0, 50, 40}) {
    static std::map<WNDPROC, std::string> classes;
    auto it = classes.find(proc);
    if (it == classes.end()) {
        std::string name = "UxThemeTest" + std::to_string(classes.size());
        WNDCLASSEX wc;
        wc.lpfnWndProc = proc;
        wc.lpszClassName = name;
        RegisterClassEx(wc);
        it = classes.emplace(proc, name).first;
    }
    return CreateWindowEx(0, it->second.c_str(), "", style, r.Left, r.Top, r.Width(), r.Height(), parent, nullptr,
                          nullptr, nullptr);
}

} // namespace

TEST_F(ThemeTest, TheModuleIsOneHandleUnderEitherNameAndLacksWhatItDoesNotImplement) {
    HMODULE a = LoadLibrary("uxtheme.dll");
    HMODULE b = LoadLibrary("UxTheme.dll");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    for (const char* name : UxAllNames) {
        bool implemented = std::any_of(std::begin(UxImplemented), std::end(UxImplemented),
                                       [name](const char* n) { return std::strcmp(n, name) == 0; });
        EXPECT_EQ(GetProcAddress(a, name) != nullptr, implemented) << name;
    }
    EXPECT_EQ(GetProcAddress(a, "EnableTheming"), nullptr);
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_NE(GetProcAddress(a, "OpenThemeData"), nullptr); // still loaded once
    EXPECT_TRUE(FreeLibrary(b));
    EXPECT_EQ(GetProcAddress(a, "OpenThemeData"), nullptr);
    EXPECT_FALSE(FreeLibrary(a));
    // A system without the library.
    SetModuleAbsent("uxtheme", true);
    EXPECT_EQ(LoadLibrary("UxTheme.dll"), nullptr);
}

TEST_F(ThemeTest, BoundByNameTheCallsReachTheEngine) {
    auto engine = UxRecorder();
    engine->SetColor("Button", 1, -1, TMT_TEXTCOLOR, RGB(1, 2, 3));
    SetThemeEngine(engine);
    HMODULE lib = LoadLibrary("uxtheme.dll");
    auto open = reinterpret_cast<HTHEME (*)(HWND, const char16_t*)>(GetProcAddress(lib, "OpenThemeData"));
    auto color = reinterpret_cast<HRESULT (*)(HTHEME, int, int, int, COLORREF*)>(GetProcAddress(lib, "GetThemeColor"));
    auto close = reinterpret_cast<HRESULT (*)(HTHEME)>(GetProcAddress(lib, "CloseThemeData"));
    auto active = reinterpret_cast<BOOL (*)()>(GetProcAddress(lib, "IsThemeActive"));
    ASSERT_TRUE(open && color && close && active);
    EXPECT_TRUE(active());
    HTHEME theme = open(nullptr, u"button");
    ASSERT_NE(theme, nullptr);
    COLORREF c = 0;
    EXPECT_EQ(color(theme, 1, 3, TMT_TEXTCOLOR, &c), S_OK);
    EXPECT_EQ(c, RGB(1, 2, 3));
    EXPECT_EQ(close(theme), S_OK);
    FreeLibrary(lib);
}

TEST_F(ThemeTest, WithoutAnEngineThemesAreInactive) {
    EXPECT_EQ(GetThemeEngine(), nullptr);
    EXPECT_FALSE(IsThemeActive());
    EXPECT_FALSE(IsAppThemed());
    EXPECT_EQ(GetThemeAppProperties(), 0u);
    EXPECT_EQ(OpenThemeData(nullptr, u"Button"), nullptr);
    char16_t file[64];
    EXPECT_EQ(GetCurrentThemeName(file, 64, nullptr, 0, nullptr, 0), E_FAIL);
    // An engine that says themes are off opens nothing either.
    auto engine = UxRecorder();
    engine->SetActive(false);
    SetThemeEngine(engine);
    EXPECT_FALSE(IsThemeActive());
    EXPECT_EQ(OpenThemeData(nullptr, u"Button"), nullptr);
}

TEST_F(ThemeTest, AClassListOpensTheFirstKnownNameWhateverItsCase) {
    auto engine = UxRecorder();
    SetThemeEngine(engine);
    struct Case {
        const char16_t* List;
        const char* Class; // nullptr: nothing opens
    } cases[] = {{u"Button", "Button"},        {u"EDIT", "Edit"},   {u"Foo;edit", "Edit"},
                 {u"edit;button", "Edit"},     {u" Foo ; Button ", "Button"}, {u"Foo;Bar", nullptr},
                 {u"", nullptr},               {u";;", nullptr},    {nullptr, nullptr}};
    for (const Case& c : cases) {
        HTHEME theme = OpenThemeData(nullptr, c.List);
        if (!c.Class) {
            EXPECT_EQ(theme, nullptr);
            continue;
        }
        ASSERT_NE(theme, nullptr);
        engine->ClearCalls();
        TRect r{1, 2, 30, 40};
        EXPECT_EQ(DrawThemeBackground(theme, GetScreenDC(), 1, 2, &r, nullptr), S_OK);
        ASSERT_EQ(engine->Calls().size(), 1u);
        EXPECT_EQ(engine->Calls()[0].Class, c.Class);
        EXPECT_EQ(engine->Calls()[0].Rect, r);
        EXPECT_FALSE(engine->Calls()[0].Clip.has_value());
        EXPECT_EQ(CloseThemeData(theme), S_OK);
    }
}

// A closed handle names nothing ever after, though the next open may reuse the memory of the one closed.
TEST_F(ThemeTest, AClosedHandleNeverNamesAThemeOpenedAfterIt) {
    auto engine = UxRecorder();
    SetThemeEngine(engine);
    Canvas canvas(4, 4);
    TRect r{0, 0, 4, 4};
    for (int i = 0; i < 50; ++i) {
        HTHEME closed = OpenThemeData(nullptr, u"Button");
        ASSERT_NE(closed, nullptr);
        ASSERT_EQ(CloseThemeData(closed), S_OK);
        HTHEME open = OpenThemeData(nullptr, u"Edit");
        ASSERT_NE(open, nullptr);
        EXPECT_NE(open, closed);
        EXPECT_EQ(DrawThemeBackground(closed, canvas.Dc(), 1, 1, &r, nullptr), E_HANDLE);
        EXPECT_EQ(CloseThemeData(closed), E_HANDLE);
        EXPECT_EQ(CloseThemeData(open), S_OK);
    }
}

TEST_F(ThemeTest, AHandleOpenedBeforeAChangeIsStaleAndDrawsNothing) {
    auto engine = UxRecorder();
    SetThemeEngine(engine);
    HTHEME theme = OpenThemeData(nullptr, u"Button");
    ASSERT_NE(theme, nullptr);
    SetThemeEngine(UxRecorder());
    engine->ClearCalls();
    Canvas canvas(20, 20);
    TRect r{0, 0, 20, 20};
    SIZE size{};
    RECT content{};
    COLORREF color = 0;
    HRGN region = nullptr;
    EXPECT_EQ(DrawThemeBackground(theme, canvas.Dc(), 1, 1, &r, &r), E_HANDLE);
    EXPECT_EQ(DrawThemeText(theme, canvas.Dc(), 1, 1, u"x", -1, 0, 0, &r), E_HANDLE);
    EXPECT_EQ(DrawThemeEdge(theme, canvas.Dc(), 1, 1, &r, 0, 0, &content), E_HANDLE);
    EXPECT_EQ(GetThemePartSize(theme, canvas.Dc(), 1, 1, nullptr, TS_TRUE, &size), E_HANDLE);
    EXPECT_EQ(GetThemeBackgroundContentRect(theme, canvas.Dc(), 1, 1, &r, &content), E_HANDLE);
    EXPECT_EQ(GetThemeBackgroundRegion(theme, canvas.Dc(), 1, 1, &r, &region), E_HANDLE);
    EXPECT_EQ(GetThemeColor(theme, 1, 1, TMT_TEXTCOLOR, &color), E_HANDLE);
    EXPECT_FALSE(IsThemeBackgroundPartiallyTransparent(theme, 1, 1));
    EXPECT_FALSE(IsThemePartDefined(theme, 1, 1));
    EXPECT_TRUE(engine->Calls().empty());
    EXPECT_EQ(canvas.Pixel(10, 10), RGB(1, 2, 3));
    // Its owner still closes it, once.
    EXPECT_EQ(CloseThemeData(theme), S_OK);
    EXPECT_EQ(CloseThemeData(theme), E_HANDLE);
    int notAHandle = 0;
    EXPECT_EQ(DrawThemeBackground(reinterpret_cast<HTHEME>(&notAHandle), canvas.Dc(), 1, 1, &r, nullptr), E_HANDLE);
    EXPECT_EQ(CloseThemeData(nullptr), E_HANDLE);
    // A scheme change makes handles stale too.
    SetThemeScheme(tsBlue);
    HTHEME blue = OpenThemeData(nullptr, u"Button");
    ASSERT_NE(blue, nullptr);
    SetThemeScheme(tsSilver);
    EXPECT_EQ(DrawThemeBackground(blue, canvas.Dc(), 1, 1, &r, nullptr), E_HANDLE);
    EXPECT_EQ(canvas.Pixel(10, 10), RGB(1, 2, 3));
    EXPECT_EQ(CloseThemeData(blue), S_OK);
}

TEST_F(ThemeTest, EveryChangeSendsOneThemeChangedToEachTopLevelWindowHiddenOnesToo) {
    UxThemeChangedCount().clear();
    HWND hidden = UxMakeWindow(WS_POPUP);
    HWND shown = UxMakeWindow(WS_POPUP | WS_VISIBLE);
    HWND child = UxMakeWindow(WS_CHILD | WS_VISIBLE, shown);
    SetThemeScheme(tsOlive);
    EXPECT_EQ(UxThemeChangedCount()[hidden], 1);
    EXPECT_EQ(UxThemeChangedCount()[shown], 1);
    EXPECT_EQ(UxThemeChangedCount()[child], 0);
    SetThemeScheme(tsOlive); // no change
    EXPECT_EQ(UxThemeChangedCount()[hidden], 1);
    SetThemeScheme(tsClassic);
    EXPECT_EQ(UxThemeChangedCount()[hidden], 2);
    EXPECT_EQ(GetThemeEngine(), nullptr);
    auto engine = UxRecorder();
    SetThemeEngine(engine);
    SetThemeEngine(engine); // the same engine again
    EXPECT_EQ(UxThemeChangedCount()[hidden], 3);
    DestroyWindow(shown);
    DestroyWindow(hidden);
}

TEST_F(ThemeTest, NameBuffersTooSmallHoldACutTerminatedName) {
    auto engine = UxRecorder();
    engine->SetThemeName("Luna.msstyles", "NormalColor", "NormalSize");
    SetThemeEngine(engine);
    char16_t file[32], color[32], size[32];
    EXPECT_EQ(GetCurrentThemeName(file, 32, color, 32, size, 32), S_OK);
    EXPECT_EQ(std::u16string(file), u"Luna.msstyles");
    EXPECT_EQ(std::u16string(color), u"NormalColor");
    EXPECT_EQ(std::u16string(size), u"NormalSize");
    EXPECT_EQ(GetCurrentThemeName(file, 14, nullptr, 0, nullptr, 0), S_OK); // 13 characters and the terminator
    EXPECT_EQ(std::u16string(file), u"Luna.msstyles");
    char16_t small[5] = {u'x', u'x', u'x', u'x', u'x'};
    EXPECT_EQ(GetCurrentThemeName(small, 5, color, 32, nullptr, 0), E_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::u16string(small), u"Luna");
    EXPECT_EQ(std::u16string(color), u"NormalColor");
    EXPECT_EQ(GetCurrentThemeName(file, 32, small, 1, size, 32), E_INSUFFICIENT_BUFFER);
    EXPECT_EQ(small[0], 0);
    EXPECT_EQ(GetCurrentThemeName(file, 0, nullptr, 0, nullptr, 0), E_INSUFFICIENT_BUFFER);
}

TEST_F(ThemeTest, TheRecordingEngineAnswersWhatItIsToldAndRecordsEveryCall) {
    auto engine = UxRecorder();
    engine->SetPartSize("ScrollBar", 9, 1, TS_MIN, {8, 8});
    engine->SetPartSize("ScrollBar", 9, -1, TS_TRUE, {5, 9});
    engine->SetContentMargins("Button", 1, -1, {3, 3, 4, 5});
    engine->SetPartiallyTransparent("Button", 2, 1, true);
    engine->SetRegion("Button", 1, 1, {{1, 0, 9, 1}, {0, 1, 10, 9}});
    engine->SetAppProperties(1);
    engine->SetFillColor("Edit", RGB(9, 8, 7));
    SetThemeEngine(engine);
    EXPECT_EQ(GetThemeAppProperties(), 1u);
    HTHEME scroll = OpenThemeData(nullptr, u"ScrollBar");
    HTHEME button = OpenThemeData(nullptr, u"Button");
    HTHEME edit = OpenThemeData(nullptr, u"Edit");
    ASSERT_TRUE(scroll && button && edit);
    SIZE size{};
    EXPECT_EQ(GetThemePartSize(scroll, nullptr, 9, 1, nullptr, TS_MIN, &size), S_OK);
    EXPECT_EQ(size, (SIZE{8, 8}));
    EXPECT_EQ(GetThemePartSize(scroll, nullptr, 9, 3, nullptr, TS_TRUE, &size), S_OK);
    EXPECT_EQ(size, (SIZE{5, 9}));
    EXPECT_EQ(GetThemePartSize(scroll, nullptr, 8, 1, nullptr, TS_TRUE, &size), E_FAIL);
    RECT content{};
    RECT bounds{0, 0, 100, 100};
    EXPECT_EQ(GetThemeBackgroundContentRect(button, nullptr, 1, 2, &bounds, &content), S_OK);
    EXPECT_EQ(content, (RECT{3, 3, 96, 95}));
    EXPECT_TRUE(IsThemeBackgroundPartiallyTransparent(button, 2, 1));
    EXPECT_FALSE(IsThemeBackgroundPartiallyTransparent(button, 1, 1));
    HRGN region = nullptr;
    RECT at{10, 10, 20, 20};
    EXPECT_EQ(GetThemeBackgroundRegion(button, nullptr, 1, 1, &at, &region), S_OK);
    ASSERT_NE(region, nullptr);
    EXPECT_FALSE(PtInRegion(region, 10, 10));
    EXPECT_TRUE(PtInRegion(region, 10, 11));
    DeleteObject(region);
    COLORREF c = 0;
    EXPECT_EQ(GetThemeColor(button, 1, 1, TMT_FILLCOLOR, &c), E_FAIL);
    Canvas canvas(20, 20);
    RECT whole{0, 0, 20, 20}, clip{5, 5, 10, 10};
    EXPECT_EQ(DrawThemeBackground(edit, canvas.Dc(), 1, 4, &whole, &clip), S_OK);
    EXPECT_EQ(canvas.Pixel(5, 5), RGB(9, 8, 7));
    EXPECT_EQ(canvas.Pixel(10, 10), RGB(1, 2, 3));
    EXPECT_EQ(DrawThemeText(button, canvas.Dc(), 1, 2, u"Gr\u00fc\u00dfe", 3, 0x25, 7, &whole), S_OK);
    RECT edgeContent{};
    EXPECT_EQ(DrawThemeEdge(edit, canvas.Dc(), 0, 0, &whole, 4, 15, &edgeContent), S_OK);
    auto draws = engine->CallsOf("DrawThemeBackground");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].Class, "Edit");
    EXPECT_EQ(draws[0].State, 4);
    EXPECT_EQ(draws[0].Clip, clip);
    auto texts = engine->CallsOf("DrawThemeText");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].Text, "Gr\u00fc"); // three characters
    EXPECT_EQ(texts[0].Flags, 0x25u);
    EXPECT_EQ(texts[0].Flags2, 7u);
    auto edges = engine->CallsOf("DrawThemeEdge");
    ASSERT_EQ(edges.size(), 1u);
    EXPECT_EQ(edges[0].Flags, 4u);
    EXPECT_EQ(edges[0].Flags2, 15u);
    for (HTHEME t : {scroll, button, edit})
        CloseThemeData(t);
}

namespace {

LRESULT UxParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    if (msg == WM_ERASEBKGND) {
        TRect r;
        GetClientRect(hwnd, &r);
        HBRUSH b = CreateSolidBrush(RGB(200, 0, 0));
        FillRect(dc, &r, b);
        DeleteObject(b);
        return 1;
    }
    if (msg == WM_PRINTCLIENT) {
        // A mark at (30, 20)-(35, 25) of the parent's client area.
        TRect r{30, 20, 35, 25};
        HBRUSH b = CreateSolidBrush(RGB(0, 0, 200));
        FillRect(dc, &r, b);
        DeleteObject(b);
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

TEST_F(ThemeTest, TheParentPaintsWhatLiesUnderTheChild) {
    HWND parent = UxMakeWindow(WS_POPUP, nullptr, UxParentProc, {0, 0, 100, 80});
    HWND child = UxMakeWindow(WS_CHILD | WS_VISIBLE, parent, UxCountingProc, {28, 18, 48, 38});
    Canvas canvas(20, 20);
    EXPECT_EQ(DrawThemeParentBackground(child, canvas.Dc(), nullptr), S_OK);
    EXPECT_EQ(canvas.Pixel(2, 2), RGB(0, 0, 200));   // the parent's (30, 20)
    EXPECT_EQ(canvas.Pixel(6, 6), RGB(0, 0, 200));   // (34, 24)
    EXPECT_EQ(canvas.Pixel(7, 7), RGB(200, 0, 0));   // (35, 25): beside the mark
    EXPECT_EQ(canvas.Pixel(1, 1), RGB(200, 0, 0));
    // A rect limits the painting, and the DC's origin is back afterwards.
    canvas.Fill(RGB(1, 2, 3));
    RECT part{0, 0, 4, 4};
    EXPECT_EQ(DrawThemeParentBackground(child, canvas.Dc(), &part), S_OK);
    EXPECT_EQ(canvas.Pixel(3, 3), RGB(0, 0, 200));
    EXPECT_EQ(canvas.Pixel(4, 4), RGB(1, 2, 3));
    POINT origin{};
    GetWindowOrgEx(canvas.Dc(), &origin);
    EXPECT_EQ(origin, (POINT{0, 0}));
    EXPECT_EQ(DrawThemeParentBackground(parent, canvas.Dc(), nullptr), E_INVALIDARG); // no parent
    DestroyWindow(parent);
}

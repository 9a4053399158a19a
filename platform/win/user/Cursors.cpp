// Cursors: the standard shapes, registered resources and the current cursor; the caret.
#include "platform/win/user/Cursors.h"

#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/WindowObject.h"

#include <map>
#include <mutex>

namespace win {

namespace {

struct CursorTable {
    std::mutex FLock;
    std::map<int, HCURSOR> FStandard;
    std::map<HCURSOR, int> FStandardIds;
    std::map<int, HCURSOR> FById;
    std::map<std::string, HCURSOR> FByName;
    HCURSOR FCurrent = nullptr;
    int FShowCount = 0;
};

CursorTable& Cursors() {
    static auto* table = new CursorTable;
    return *table;
}

// Standard cursors are images of the system's own; their pictures here are blank 32 x 32 shapes with the
// right hot spot, since a desktop backend shows its own cursor in their place.
HCURSOR MakeStandardCursor(int id) {
    DWORD hotX = 0, hotY = 0;
    switch (id) {
    case IDC_ARROW:
    case IDC_APPSTARTING:
    case IDC_HELP:
    case IDC_UPARROW: break;
    case IDC_HAND: hotX = 6; break;
    default: hotX = hotY = 16; break;
    }
    uint8_t andBits[32 * 4 * 2];
    std::fill(std::begin(andBits), std::end(andBits), 0xFF);
    ICONINFO info{};
    info.fIcon = FALSE;
    info.xHotspot = hotX;
    info.yHotspot = hotY;
    // A monochrome cursor: the AND mask over the XOR mask in one bitmap twice as high.
    std::fill(andBits + 32 * 4, std::end(andBits), 0x00);
    info.hbmMask = CreateBitmap(32, 64, 1, 1, andBits);
    info.hbmColor = nullptr;
    HCURSOR cursor = CreateIconIndirect(&info);
    DeleteObject(info.hbmMask);
    return cursor;
}

bool IsStandardId(int id) { return id == IDC_ARROW || (id >= IDC_IBEAM && id <= IDC_UPARROW) || (id >= IDC_SIZENWSE && id <= IDC_HELP); }

} // namespace

HCURSOR LoadCursor(HINSTANCE instance, int id) {
    CursorTable& t = Cursors();
    std::lock_guard<std::mutex> guard(t.FLock);
    if (!instance && IsStandardId(id) && id != 32647) {
        auto it = t.FStandard.find(id);
        if (it != t.FStandard.end())
            return it->second;
        HCURSOR c = MakeStandardCursor(id);
        t.FStandard[id] = c;
        t.FStandardIds[c] = id;
        return c;
    }
    auto it = t.FById.find(id);
    return it == t.FById.end() ? nullptr : it->second;
}

HCURSOR LoadCursor(HINSTANCE, const char* name) {
    if (!name)
        return nullptr;
    CursorTable& t = Cursors();
    std::lock_guard<std::mutex> guard(t.FLock);
    auto it = t.FByName.find(name);
    return it == t.FByName.end() ? nullptr : it->second;
}

void RegisterCursorResource(int id, HCURSOR cursor) {
    CursorTable& t = Cursors();
    std::lock_guard<std::mutex> guard(t.FLock);
    t.FById[id] = cursor;
}

void RegisterCursorResource(const std::string& name, HCURSOR cursor) {
    CursorTable& t = Cursors();
    std::lock_guard<std::mutex> guard(t.FLock);
    t.FByName[name] = cursor;
}

int StandardCursorId(HCURSOR cursor) {
    CursorTable& t = Cursors();
    std::lock_guard<std::mutex> guard(t.FLock);
    auto it = t.FStandardIds.find(cursor);
    return it == t.FStandardIds.end() ? 0 : it->second;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR old;
    {
        CursorTable& t = Cursors();
        std::lock_guard<std::mutex> guard(t.FLock);
        old = t.FCurrent;
        t.FCurrent = cursor;
    }
    if (old != cursor)
        ScreenBackend().CursorChanged(cursor);
    return old;
}

HCURSOR GetCursor() {
    CursorTable& t = Cursors();
    std::lock_guard<std::mutex> guard(t.FLock);
    return t.FCurrent;
}

int ShowCursor(BOOL show) {
    CursorTable& t = Cursors();
    std::lock_guard<std::mutex> guard(t.FLock);
    t.FShowCount += show ? 1 : -1;
    return t.FShowCount;
}

BOOL DestroyCursor(HCURSOR cursor) {
    if (!cursor || StandardCursorId(cursor))
        return TRUE;
    {
        CursorTable& t = Cursors();
        std::lock_guard<std::mutex> guard(t.FLock);
        for (auto& [id, c] : t.FById)
            if (c == cursor)
                return TRUE; // a registered resource stays
        for (auto& [name, c] : t.FByName)
            if (c == cursor)
                return TRUE;
    }
    return DestroyIcon(cursor);
}

// ---- Caret -------------------------------------------------------------------------------------------

namespace {

struct Caret {
    HWND FOwner = nullptr;
    int FWidth = 1;
    int FHeight = 1;
    TPoint FPos;
    int FHideCount = 1;
    bool FDrawn = false;
    UINT FBlinkTime = 530;
    uintptr_t FTimer = 0;
};

Caret& TheCaret() {
    static Caret caret;
    return caret;
}

// The caret is an inverted rectangle; drawing it twice takes it away.
void InvertCaret() {
    Caret& c = TheCaret();
    if (!IsWindow(c.FOwner))
        return;
    HDC dc = GetDC(c.FOwner);
    PatBlt(dc, c.FPos.X, c.FPos.Y, c.FWidth, c.FHeight, DSTINVERT);
    ReleaseDC(c.FOwner, dc);
    c.FDrawn = !c.FDrawn;
}

void CaretBlink(HWND, UINT, uintptr_t, DWORD) {
    Caret& c = TheCaret();
    if (c.FHideCount == 0 || c.FDrawn)
        InvertCaret();
}

void RestartBlink() {
    Caret& c = TheCaret();
    if (c.FTimer)
        KillTimer(nullptr, c.FTimer);
    c.FTimer = c.FOwner ? SetTimer(nullptr, 0, c.FBlinkTime, CaretBlink) : 0;
}

} // namespace

namespace user {

// Painting takes the caret off the screen while it draws and puts it back afterwards.
void CaretOffForPaint(Window* hwnd) {
    Caret& c = TheCaret();
    if (c.FOwner == H(hwnd) && c.FDrawn)
        InvertCaret();
}

} // namespace user

BOOL CreateCaret(HWND hwnd, HBITMAP, int width, int height) {
    if (!IsWindow(hwnd))
        return FALSE;
    DestroyCaret();
    Caret& c = TheCaret();
    c.FOwner = hwnd;
    c.FWidth = width > 0 ? width : 1;
    c.FHeight = height > 0 ? height : 16;
    c.FPos = {0, 0};
    c.FHideCount = 1;
    c.FDrawn = false;
    RestartBlink();
    return TRUE;
}

BOOL DestroyCaret() {
    Caret& c = TheCaret();
    if (!c.FOwner)
        return FALSE;
    if (c.FDrawn)
        InvertCaret();
    if (c.FTimer)
        KillTimer(nullptr, c.FTimer);
    c = Caret{};
    return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
    Caret& c = TheCaret();
    if (!c.FOwner || (hwnd && hwnd != c.FOwner) || c.FHideCount == 0)
        return FALSE;
    if (--c.FHideCount == 0 && !c.FDrawn) {
        InvertCaret();
        RestartBlink();
    }
    return TRUE;
}

BOOL HideCaret(HWND hwnd) {
    Caret& c = TheCaret();
    if (!c.FOwner || (hwnd && hwnd != c.FOwner))
        return FALSE;
    ++c.FHideCount;
    if (c.FDrawn)
        InvertCaret();
    return TRUE;
}

BOOL SetCaretPos(int x, int y) {
    Caret& c = TheCaret();
    if (!c.FOwner)
        return FALSE;
    bool drawn = c.FDrawn;
    if (drawn)
        InvertCaret();
    c.FPos = {x, y};
    if (drawn || c.FHideCount == 0)
        InvertCaret();
    RestartBlink();
    return TRUE;
}

BOOL GetCaretPos(TPoint* point) {
    if (!point)
        return FALSE;
    *point = TheCaret().FPos;
    return TRUE;
}

UINT GetCaretBlinkTime() { return TheCaret().FBlinkTime; }

BOOL SetCaretBlinkTime(UINT ms) {
    TheCaret().FBlinkTime = ms ? ms : 530;
    RestartBlink();
    return TRUE;
}

HWND GetCaretWindow() {
    Caret& c = TheCaret();
    return IsWindow(c.FOwner) ? c.FOwner : nullptr;
}

} // namespace win

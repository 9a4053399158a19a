// Shows two windows on the desktop through the Qt screen: a caption-less popup filled with one colour and
// a half-transparent layered one, pumps messages for a moment and exits 0. With --hold it stays until the
// windows are closed. Options: --color RRGGBB (the popup's colour, default ff0000), --at X,Y (its position,
// default 40,40). Used by tests/external/qt_smoke.sh.
// Desktop services, used by tests/external/qt_desktop.sh: --copy TEXT puts the text on the clipboard and
// keeps it there until the windows are closed; --paste prints the clipboard's text; --open-dialog FOLDER
// shows the open dialog there and prints the file chosen (or "cancelled").
#include "platform/backend/qt/QtScreen.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Memory.h"
#include "platform/win/ole/Clipboard.h"
#include "platform/win/user/CommonDialogs.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/User.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

using namespace win;

namespace {

COLORREF SmokeColour = RGB(255, 0, 0);
constexpr uintptr_t SmokeTimerId = 1;

LRESULT SmokeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        COLORREF colour = COLORREF(reinterpret_cast<uintptr_t>(GetProp(hwnd, "SmokeColour")));
        HBRUSH brush = CreateSolidBrush(colour);
        TRect client;
        GetClientRect(hwnd, &client);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_TIMER:
        if (wParam == SmokeTimerId)
            PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        RemoveProp(hwnd, "SmokeColour");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

HWND SmokeWindow(DWORD exStyle, int x, int y, COLORREF colour) {
    HWND hwnd = CreateWindowEx(exStyle, "LoomwickQtSmoke", "Loomwick Qt smoke", WS_POPUP, x, y, 160, 120,
                               nullptr, nullptr, GetModuleHandle(nullptr), nullptr);
    if (hwnd)
        SetProp(hwnd, "SmokeColour", reinterpret_cast<HANDLE>(uintptr_t(colour)));
    return hwnd;
}

// The clipboard's text, read through the window system (from the desktop when another program holds it).
std::string SmokePaste() {
    std::string text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE block = GetClipboardData(CF_TEXT)) {
        const char* p = static_cast<const char*>(GlobalLock(block));
        if (p)
            text.assign(p, strnlen(p, GlobalSize(block)));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
}

bool SmokeCopy(const std::string& text) {
    if (!OpenClipboard(nullptr))
        return false;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    bool ok = SetClipboardData(CF_TEXT, block) != nullptr;
    if (!ok)
        GlobalFree(block);
    CloseClipboard();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    bool hold = false, paste = false;
    const char* copy = nullptr;
    const char* dialogFolder = nullptr;
    int x = 40, y = 40;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--hold")) {
            hold = true;
        } else if (!std::strcmp(argv[i], "--copy") && i + 1 < argc) {
            copy = argv[++i];
            hold = true;
        } else if (!std::strcmp(argv[i], "--paste")) {
            paste = true;
        } else if (!std::strcmp(argv[i], "--open-dialog") && i + 1 < argc) {
            dialogFolder = argv[++i];
        } else if (!std::strcmp(argv[i], "--color") && i + 1 < argc) {
            unsigned long rgb = std::strtoul(argv[++i], nullptr, 16);
            SmokeColour = RGB(uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb));
        } else if (!std::strcmp(argv[i], "--at") && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%d,%d", &x, &y) != 2) {
                std::fprintf(stderr, "qtsmoke: --at wants X,Y\n");
                return 2;
            }
        } else {
            std::fprintf(stderr,
                         "usage: qtsmoke [--hold] [--color RRGGBB] [--at X,Y] [--copy TEXT | --paste | "
                         "--open-dialog FOLDER]\n");
            return 2;
        }
    }
    try {
        qtbackend::QtScreen screen(argc, argv);
        if (paste) {
            std::printf("%s\n", SmokePaste().c_str());
            std::fflush(stdout);
            return 0;
        }
        if (dialogFolder) {
            FileDialogRequest request;
            request.Title = "Open an animation";
            request.Filters = ParseFileDialogFilter("GIF images|*.gif|All files|*");
            request.InitialDir = dialogFolder;
            request.Options = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
            FileDialogResult result;
            if (ShowFileDialog(request, &result))
                std::printf("%s\n", result.Files.front().c_str());
            else
                std::printf("cancelled\n");
            std::fflush(stdout);
            return 0;
        }
        if (copy && !SmokeCopy(copy)) {
            std::fprintf(stderr, "qtsmoke: cannot put the text on the clipboard\n");
            return 1;
        }
        WNDCLASSEX wc;
        wc.lpfnWndProc = SmokeProc;
        wc.hInstance = GetModuleHandle(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = "LoomwickQtSmoke";
        if (!RegisterClassEx(wc)) {
            std::fprintf(stderr, "qtsmoke: cannot register the window class\n");
            return 1;
        }
        HWND popup = SmokeWindow(WS_EX_TOOLWINDOW, x, y, SmokeColour);
        HWND layered = SmokeWindow(WS_EX_LAYERED | WS_EX_TOOLWINDOW, x + 200, y, RGB(0, 0, 255));
        if (!popup || !layered) {
            std::fprintf(stderr, "qtsmoke: cannot create the windows\n");
            return 1;
        }
        SetLayeredWindowAttributes(layered, 0, 128, LWA_ALPHA);
        ShowWindow(popup, SW_SHOWNOACTIVATE);
        ShowWindow(layered, SW_SHOWNOACTIVATE);
        UpdateWindow(popup);
        UpdateWindow(layered);
        if (!hold)
            SetTimer(popup, SmokeTimerId, 400, nullptr);
        MSG msg;
        while (GetMessage(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        if (IsWindow(popup))
            DestroyWindow(popup);
        if (IsWindow(layered))
            DestroyWindow(layered);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qtsmoke: %s\n", e.what());
        return 1;
    }
}

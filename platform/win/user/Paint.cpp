// Invalidation and painting. (Update regions arrive with the drawing layer; until then nothing is ever
// invalid and WM_PAINT is never generated.)
#include "platform/win/user/WindowObject.h"

namespace win {

namespace user {

void KillWindowTimers(HWND hwnd);

HWND FindWindowToPaint(DWORD, HWND) { return nullptr; }

bool WindowRegionContains(HWND, TPoint) { return true; }

void OnWindowDestroyed(HWND hwnd) {
    KillWindowTimers(hwnd);
    State& s = GetState();
    if (s.FCapture == hwnd)
        s.FCapture = nullptr;
    if (s.FFocus == hwnd)
        s.FFocus = nullptr;
    if (s.FActive == hwnd)
        s.FActive = nullptr;
    if (s.FTracked == hwnd)
        s.FTracked = nullptr;
}

void OnWindowGeometryChanged(HWND, const TRect&, bool) {}

void RedrawNonClient(HWND) {}

} // namespace user

BOOL ValidateRect(HWND, const TRect*) { return TRUE; }
BOOL InvalidateRect(HWND, const TRect*, BOOL) { return TRUE; }

} // namespace win

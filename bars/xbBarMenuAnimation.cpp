// Menu animations: unfold and slide are drawn on the GUI thread, one step per 16 ms timer tick, from an
// image of the fully painted menu taken when the window is made; the system's fade goes through
// AnimateWindow. One menu animates at a time: a new animation first finishes the running one, and input
// reaching the animated menu finishes it at once (WaitForAnimation).
#include "bars/xbBarSubMenu.h"

#include "bars/xbBarCommon.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarUtils.h"
#include "lookandfeel/lkClasses.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"

#include <algorithm>

namespace bars {

namespace {

struct TMenuAnimation {
    TxbBarSubMenuControl* Menu = nullptr;
    uintptr_t Timer = 0;
    int32_t FinalLeft = 0, FinalTop = 0;
    int32_t Width = 0, Height = 0;         // the client size W and H
    int32_t NcWidth = 0, NcHeight = 0;     // window size less client size
    bool FromRight = false, FromBottom = false;
    TxbBarMenuAnimations Kind = maNone;
    int32_t Offset = 0, Total = 0, Step = 8; // D, T and S
    int32_t Steps = 0, Done = 0;
    win::HDC MemDC = nullptr;
    win::HBITMAP Bitmap = nullptr;
    win::HGDIOBJ OldBitmap = nullptr;
};

TMenuAnimation GAnimation;

void FinishAnimation();

// Draws step k: the window grows from the edge it opens from, and shows the part of the image that slides
// out of that edge.
void DrawStep(int32_t k) {
    TMenuAnimation& a = GAnimation;
    TxbBarSubMenuControl* menu = a.Menu;
    if (!menu || !menu->HandleAllocated())
        return;
    int32_t w = a.Width, h = a.Height;
    if (a.Kind == maUnfold) {
        if (a.Offset < 0) {
            h = k * a.Step;
            w = k * a.Step - a.Offset;
        } else {
            w = k * a.Step;
            h = a.Offset + k * a.Step;
        }
    } else {
        h = k * a.Step;
    }
    w = std::min(w, a.Width);
    h = std::min(h, a.Height);
    const int32_t left = a.FromRight ? a.FinalLeft + a.Width - w : a.FinalLeft;
    const int32_t top = a.FromBottom ? a.FinalTop + a.Height - h : a.FinalTop;
    win::SetWindowPos(menu->GetHandle(), nullptr, left, top, w + a.NcWidth, h + a.NcHeight,
                      win::SWP_SHOWWINDOW | win::SWP_NOACTIVATE | win::SWP_NOZORDER);
    const int32_t srcY = a.FromBottom ? 0 : a.Height - h;
    const int32_t srcX = (!a.FromBottom && a.FromRight) ? a.Width - w : 0;
    win::HDC dc = win::GetDC(menu->GetHandle());
    win::HPALETTE oldPalette = nullptr;
    if (menu->GetRarelyUsedPalette()) {
        oldPalette = win::SelectPalette(dc, menu->GetRarelyUsedPalette(), false);
        win::RealizePalette(dc);
    }
    win::BitBlt(dc, 0, 0, w, h, a.MemDC, srcX, srcY, win::SRCCOPY);
    if (oldPalette)
        win::SelectPalette(dc, oldPalette, false);
    win::ReleaseDC(menu->GetHandle(), dc);
}

void AnimationTimerProc(win::HWND, win::UINT, uintptr_t, win::DWORD) {
    TMenuAnimation& a = GAnimation;
    if (!a.Menu || !IsBarControlAlive(a.Menu)) {
        FinishAnimation();
        return;
    }
    ++a.Done;
    if (a.Done <= a.Steps)
        DrawStep(a.Done);
    if (a.Done >= a.Steps)
        FinishAnimation();
}

void FinishAnimation() {
    TMenuAnimation& a = GAnimation;
    if (a.Timer)
        win::KillTimer(nullptr, a.Timer);
    a.Timer = 0;
    if (a.MemDC) {
        win::SelectObject(a.MemDC, a.OldBitmap);
        win::DeleteObject(a.Bitmap);
        win::DeleteDC(a.MemDC);
    }
    a.MemDC = nullptr;
    a.Bitmap = nullptr;
    a.OldBitmap = nullptr;
    TxbBarSubMenuControl* menu = a.Menu;
    a.Menu = nullptr;
    if (!menu || !IsBarControlAlive(menu))
        return;
    menu->SetAnimate(false);
    if (menu->IsDestroyingControls() || !menu->HandleAllocated())
        return;
    win::SetWindowPos(menu->GetHandle(), nullptr, a.FinalLeft, a.FinalTop, a.Width + a.NcWidth, a.Height + a.NcHeight,
                      win::SWP_SHOWWINDOW | win::SWP_FRAMECHANGED | win::SWP_NOACTIVATE | win::SWP_NOZORDER);
    win::RedrawWindow(menu->GetHandle(), nullptr, nullptr,
                      win::RDW_INVALIDATE | win::RDW_FRAME | win::RDW_UPDATENOW | win::RDW_ALLCHILDREN);
}

} // namespace

TxbBarSubMenuControl* GetAnimatedMenu() { return GAnimation.Menu; }

void WaitForAnimation(TxbBarSubMenuControl* menu) {
    if (!menu || menu != GAnimation.Menu)
        return;
    FinishAnimation();
    DispatchPaintMessages();
}

void PrepareMenuAnimation(TxbBarSubMenuControl* menu) {
    if (!menu || !menu->HandleAllocated())
        return;
    // One menu animates at a time.
    if (GAnimation.Menu)
        WaitForAnimation(GAnimation.Menu);
    TMenuAnimation& a = GAnimation;
    a = TMenuAnimation{};
    win::TRect window{}, client{};
    win::GetWindowRect(menu->GetHandle(), &window);
    win::GetClientRect(menu->GetHandle(), &client);
    a.FinalLeft = window.Left;
    a.FinalTop = window.Top;
    a.Width = client.Width();
    a.Height = client.Height();
    a.NcWidth = window.Width() - a.Width;
    a.NcHeight = window.Height() - a.Height;
    const bool prefersRight = menu->GetHorizontalDirection(), prefersDown = menu->GetVerticalDirection();
    a.FromRight = prefersRight == menu->GetFlippedHorizontally();
    a.FromBottom = prefersDown == menu->GetFlippedVertically();
    a.Kind = menu->GetAnimationKind();
    if (a.Kind == maUnfold) {
        a.Offset = a.Height - a.Width;
        a.Total = a.Offset <= 0 ? a.Height : a.Width;
        a.Step = 8;
    } else {
        a.Offset = 0;
        a.Total = a.Height;
        a.Step = 17;
    }
    a.Steps = a.Total / a.Step;

    // The whole menu is painted once into the image the steps copy from.
    win::HDC screen = win::GetDC(nullptr);
    a.MemDC = win::CreateCompatibleDC(screen);
    a.Bitmap = win::CreateCompatibleBitmap(screen, std::max(a.Width, 1), std::max(a.Height, 1));
    win::ReleaseDC(nullptr, screen);
    a.OldBitmap = win::SelectObject(a.MemDC, a.Bitmap);
    menu->SetAnimate(false);
    menu->PaintTo(a.MemDC);
    menu->SetAnimate(true);
    a.Menu = menu;
    if (a.Steps <= 0) {
        // Smaller than one step: shown at once.
        FinishAnimation();
        return;
    }
    a.Timer = win::SetTimer(nullptr, 0, MenuAnimationTick, AnimationTimerProc);
}

void ShowSubMenu(TxbBarSubMenuControl* menu) {
    if (!menu)
        return;
    lookandfeel::TlkObjectLinkScope alive(menu);
    menu->DoPopup();
    if (!IsBarControlAlive(menu))
        return;
    TxbBarManager* manager = menu->GetBarManager();
    TCustomxbBarControl* root = menu->GetRootBarControl();
    if (root && root->IsToolbar() && root->GetBarManager())
        manager = root->GetBarManager();
    TxbBarMenuAnimations kind = manager ? manager->GetMenuAnimations() : maNone;
    if (kind == maRandom) {
        const int32_t draw = vcl::Random(100);
        kind = draw < 33 ? maUnfold : draw < 66 ? maSlide : maFade;
    }
    menu->SetAnimationKind(kind);
    const bool hasLinks = menu->GetItemLinks() && menu->GetItemLinks()->GetVisibleItemCount() > 0;
    const bool customizing = menu->GetBarManager() && menu->GetBarManager()->IsCustomizing();
    if (!(menu->GetAnimate() && kind != maNone && kind != maFade && hasLinks && !customizing))
        menu->SetAnimate(false);
    menu->HandleNeeded();
    if (!IsBarControlAlive(menu) || !menu->HandleAllocated())
        return;
    if (kind == maFade && AnimateWindowProc && !IsWin9x) {
        DispatchPaintMessages();
        if (IsBarControlAlive(menu) && menu->HandleAllocated())
            win::AnimateWindow(menu->GetHandle(), 150, win::AW_BLEND);
        return;
    }
    win::UINT flags = win::SWP_NOSIZE | win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_NOACTIVATE;
    if (!(menu->GetAnimate() && GetAnimatedMenu() == menu))
        flags |= win::SWP_SHOWWINDOW;
    win::SetWindowPos(menu->GetHandle(), nullptr, 0, 0, 0, 0, flags);
    DispatchPaintMessages();
}

} // namespace bars

#include "bars/xbBarSubMenu.h"

#include "bars/xbBarCommon.h"
#include "bars/xbBarToolbar.h"
#include "bars/xbBarItem.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarSubItem.h"
#include "bars/xbBarUtils.h"
#include "bars/xbBars.h"
#include "lookandfeel/lkClasses.h"
#include "lookandfeel/lkControls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Scope.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

#include <algorithm>
#include <utility>

namespace bars {

namespace {

constexpr uintptr_t ScrollTimerId = 1;
constexpr uintptr_t FullMenusSelectionTimerId = 2;
constexpr uintptr_t FullMenusExpandTimerId = 3;
constexpr win::UINT ScrollInterval = 80;
constexpr win::UINT FullMenusDelay = 4000;
constexpr win::UINT FullMenusArrowDelay = 1000;
constexpr int32_t DetachReturnZone = 15;
inline constexpr const char* sxbExpandHint = "Expand (Ctrl-Down)";
inline constexpr const char* sxbDetachHint = "Drag to make this menu float";

// The root of the chain whose menus show every entry (personalized menus expanded), null when none, and
// whether that root was in keyboard mode then (leaving it ends the chain).
const void* GFullMenusRoot = nullptr;
bool GFullMenusInKeyboardMode = false;

win::TPoint PointOf(win::LPARAM lParam) { return {win::GET_X_LPARAM(lParam), win::GET_Y_LPARAM(lParam)}; }

bool KeyIsDown(int vk) { return win::GetKeyState(vk) < 0; }

// The sub item whose links a menu shows, null for other menus.
TCustomxbBarSubItem* SubItemOf(const TxbBarItemLinks* links) {
    return links ? dynamic_cast<TCustomxbBarSubItem*>(links->GetLinksOwner()) : nullptr;
}

TxbBarPopupMenu* PopupMenuOf(const TxbBarItemLinks* links) {
    return links ? dynamic_cast<TxbBarPopupMenu*>(links->GetLinksOwner()) : nullptr;
}

} // namespace

bool GetModalLoopMessage(win::MSG& msg) {
    const int got = win::GetMessage(&msg, nullptr, 0, 0);
    if (got == 0)
        win::PostQuitMessage(int(msg.wParam));
    return got > 0;
}

// ---- Construction -------------------------------------------------------------------------------------------

TxbBarSubMenuControl::TxbBarSubMenuControl(TxbBarManager* owner) : TCustomxbBarControl(owner) {
    SetBounds(GetLeft(), GetTop(), 0, GetHeight());
}

TxbBarSubMenuControl::~TxbBarSubMenuControl() {
    FFreeing = true;
    if (auto* child = dynamic_cast<TxbBarSubMenuControl*>(GetChildMenu())) {
        SetChildMenu(nullptr);
        if (IsBarControlAlive(child) && !child->FFreeing)
            child->FreeMenu();
    }
    TCustomxbBarControl* parent = GetParentBarControl();
    if (parent && IsBarControlAlive(parent) && parent->GetChildMenu() == this)
        parent->SetChildMenu(nullptr);
    DestroyHandle();
    if (GetItemLinks() && GetItemLinks()->GetMenuWindow() == this)
        GetItemLinks()->SetMenuWindow(nullptr);
    // A menu freed before its window was made still tells its opener that it closed.
    if (FPopupFired)
        DoCloseUp();
}

void TxbBarSubMenuControl::FreeMenu() {
    if (FFreeing)
        return;
    FFreeing = true;
    DestroyHandle();
    delete this;
}

int32_t TxbBarSubMenuControl::GetSeparatorSize() {
    const TxbBarItemControlPainter* painter = GetPainter();
    return painter ? painter->GetMenuSeparatorHeight() : 10;
}

bool TxbBarSubMenuControl::CanCustomize() {
    if (TCustomxbBarControl::CanCustomize())
        return true;
    if (auto* sub = dynamic_cast<TxbBarSubItem*>(SubItemOf(GetItemLinks())))
        return sub->GetAllowCustomizing();
    return PopupMenuOf(GetItemLinks()) != nullptr;
}

bool TxbBarSubMenuControl::IsCustomizing() {
    // The menus of the library's own sub items are never customized.
    if (auto* sub = dynamic_cast<TxbBarSubItem*>(SubItemOf(GetItemLinks())); sub && sub->GetInternal())
        return false;
    return TCustomxbBarControl::IsCustomizing();
}

win::HFONT TxbBarSubMenuControl::GetFont() {
    if (TCustomxbBarControl* parent = GetParentBarControl(); parent && IsBarControlAlive(parent))
        return parent->GetFont();
    if (TxbBarPopupMenu* popup = PopupMenuOf(GetItemLinks()); popup && popup->GetUseOwnFont() && popup->GetOwnFontHandle())
        return popup->GetOwnFontHandle();
    return TCustomxbBarControl::GetFont();
}

int32_t TxbBarSubMenuControl::GetBarSize() {
    if (TxbBarPopupMenu* popup = PopupMenuOf(GetItemLinks()))
        return popup->GetBarSize();
    if (TCustomxbBarSubItem* sub = SubItemOf(GetItemLinks()))
        return sub->GetBarSize();
    return 0;
}

bool TxbBarSubMenuControl::IsInMenuChain() {
    if (FOwnerWidth == 0 && FOwnerHeight == 0)
        return true;
    auto* parent = dynamic_cast<TxbBarSubMenuControl*>(GetParentBarControl());
    return parent && IsBarControlAlive(parent) && parent->IsInMenuChain();
}

void TxbBarSubMenuControl::SetRequestedPosition(int32_t left, int32_t top) {
    FRequestedLeft = left;
    FRequestedTop = top;
    SetBounds(left, top, GetWidth(), GetHeight());
}

void TxbBarSubMenuControl::DoPopup() {
    FPopupFired = true;
    if (OnPopup)
        OnPopup(this);
}

void TxbBarSubMenuControl::DoCloseUp() {
    FPopupFired = false;
    if (OnCloseUp)
        OnCloseUp(this);
}

// ---- The window ---------------------------------------------------------------------------------------------

void TxbBarSubMenuControl::CreateParams(vcl::TCreateParams& params) {
    TCustomxbBarControl::CreateParams(params);
    params.Style = win::WS_POPUP | win::WS_CLIPSIBLINGS | win::WS_CLIPCHILDREN;
    params.ExStyle |= win::WS_EX_TOPMOST;
    params.WindowClassStyle =
        win::CS_VREDRAW | win::CS_HREDRAW | win::CS_DBLCLKS | win::CS_OWNDC | win::CS_SAVEBITS;
    win::HWND owner = FParentHandle;
    if (!owner && GetBarManager() && GetBarManager()->GetOwnerForm() &&
        GetBarManager()->GetOwnerForm()->HandleAllocated())
        owner = GetBarManager()->GetOwnerForm()->GetHandle();
    params.WndParent = owner;
}

void TxbBarSubMenuControl::CreateWnd() {
    TCustomxbBarControl::CreateWnd();
    CreateRarelyUsedBrush();
    SetActive(true);
    ApplyRecentItemCount();
    FTopIndex = 0;
    CalcPosition();
    TxbBarManager* manager = GetBarManager();
    if (manager && HasMark() && !IsChainExpanded() && manager->GetShowFullMenusAfterDelay())
        StartFullMenusTimer(FullMenusExpandTimerId, FullMenusDelay);
    if (FAnimate)
        PrepareMenuAnimation(this);
    PlayMenuSound(0);
}

void TxbBarSubMenuControl::DestroyWnd() {
    WaitForAnimation(this);
    if (HandleAllocated()) {
        win::KillTimer(GetHandle(), ScrollTimerId);
        StopFullMenusTimer();
    }
    FScrollTimer = false;
    if (TCustomxbBarControl* child = GetChildMenu(); child && IsBarControlAlive(child))
        child->DestroyHandle();
    if (!FRecreating) {
        SetActive(false);
        if (TxbBarItemControl* owner = FOwnerControl) {
            FOwnerControl = nullptr;
            if (auto* subControl = dynamic_cast<TxbBarSubItemControl*>(owner); subControl && subControl == FSubItemControl) {
                // The sub item's control closes through its own CloseUp; nothing more to tell it here.
            } else if (TCustomxbBarControl* ownerWindow = owner->GetWindow(); ownerWindow && IsBarControlAlive(ownerWindow)) {
                owner->CloseUp(true);
                owner->Repaint();
                if (owner->IsPressedNow()) {
                    ownerWindow->SetSkipNextButtonUp(true);
                    if (ownerWindow->IsToolbar())
                        ownerWindow->DeactivateAll();
                } else if (!KeyIsDown(win::VK_ESCAPE) && !KeyIsDown(win::VK_LEFT) && !KeyIsDown(win::VK_RIGHT)) {
                    ownerWindow->DeactivateAll();
                }
            }
        }
        // Full menus last as long as the chain: they end with a root that is no longer active, or a menu bar
        // that no longer opens the next menu along it.
        TCustomxbBarControl* root = GetRootBarControl();
        const bool rootAlive = root && root != this && IsBarControlAlive(root);
        auto* rootToolbar = rootAlive ? dynamic_cast<TxbBarControl*>(root) : nullptr;
        TxbBarManager* manager = GetBarManager();
        if (!GetActiveBarControl() || !rootAlive || !root->GetActive() ||
            (rootToolbar && !rootToolbar->GetKeyboardOpened()) ||
            (GFullMenusInKeyboardMode && manager && manager->GetKeyboardModeBar() != root))
            GFullMenusRoot = nullptr;
    }
    TCustomxbBarControl::DestroyWnd();
    if (!FRecreating)
        DoCloseUp();
    FreeRarelyUsedBrush();
}

void TxbBarSubMenuControl::DeactivateAll() {
    if (!GetParentBarControl()) {
        FreeMenu();
        DispatchPaintMessages();
        return;
    }
    TCustomxbBarControl::DeactivateAll();
}

void TxbBarSubMenuControl::Rebuild() {
    if (!IsBarControlAlive(this) || !HandleAllocated() || IsDestroyingControls())
        return;
    const bool visible = win::IsWindowVisible(GetHandle());
    DestroyItemControls();
    CreateItemControls();
    ApplyRecentItemCount();
    CalcPosition();
    // A page scrolled down too far moves up until the last page is full.
    while (FTopIndex > 0) {
        const int32_t before = FTopIndex;
        --FTopIndex;
        CalcLayout();
        if (FTopIndex + FPageLinkCount < GetItemLinks()->GetShownItemCount() + (CanScrollDown() ? 0 : 0) &&
            CanScrollDown()) {
            FTopIndex = before;
            CalcLayout();
            break;
        }
    }
    if (visible)
        ShowSubMenu(this);
    else
        win::InvalidateRect(GetHandle(), nullptr, false);
}

void TxbBarSubMenuControl::ApplyRecentItemCount() {
    TxbBarItemLinks* links = GetItemLinks();
    TxbBarManager* manager = GetBarManager();
    if (!links || !manager)
        return;
    if (IsChainExpanded() || !manager->IsRecentItemsFirst())
        links->SetRecentItemCount(-1);
    else
        links->SetRecentItemCount(links->CalcRecentItemCount());
}

bool TxbBarSubMenuControl::IsChainExpanded() { return GFullMenusRoot && GFullMenusRoot == GetRootBarControl(); }

bool TxbBarSubMenuControl::ShowsRarelyUsedItems() {
    TxbBarManager* manager = GetBarManager();
    return manager && manager->IsRecentItemsFirst() && IsChainExpanded();
}

// ---- Layout -------------------------------------------------------------------------------------------------

int32_t TxbBarSubMenuControl::GetRowHeight(TxbBarItemControl* control) {
    const int32_t own = control ? control->GetHeight() : 0;
    if (own > 0)
        return own;
    return GetMenuRowHeight() > 0 ? GetMenuRowHeight() : GetTextRowHeight() + 4;
}

bool TxbBarSubMenuControl::CanScrollDown() const {
    return GetItemLinks() && FTopIndex + FPageLinkCount < GetItemLinks()->GetShownItemCount();
}

bool TxbBarSubMenuControl::IsDetachable() {
    TCustomxbBarSubItem* sub = SubItemOf(GetItemLinks());
    return sub && sub->GetDetachable() && sub->GetDetachingBarObject();
}

int32_t TxbBarSubMenuControl::GetTextHeight(const char* text) {
    win::HDC dc = win::GetDC(nullptr);
    win::HGDIOBJ old = nullptr;
    if (win::HFONT font = GetFont())
        old = win::SelectObject(dc, win::ToGdiObj(font));
    win::TRect r{0, 0, 0, 0};
    win::DrawText(dc, text, -1, &r, win::DT_CALCRECT | win::DT_SINGLELINE);
    if (old)
        win::SelectObject(dc, old);
    win::ReleaseDC(nullptr, dc);
    return r.Height();
}

TxbPaintMenu TxbBarSubMenuControl::MakePaintMenu() {
    const TxbBarItemControlPainter* painter = GetPainter();
    return painter ? painter->MakePaintMenu(this) : TxbPaintMenu{};
}

int32_t TxbBarSubMenuControl::GetExpandArrowHeight() {
    if (FExpandArrowHeight == 0)
        if (const TxbBarItemControlPainter* painter = GetPainter())
            FExpandArrowHeight = painter->CalcMenuMetrics(GetRowHeight(nullptr), GetTextHeight("0")).ExpandRowHeight;
    return FExpandArrowHeight;
}

void TxbBarSubMenuControl::CalcMetrics() {
    TCustomxbBarControl::CalcMetrics();
    FExpandArrowHeight = 0;
    GetExpandArrowHeight();
}

int32_t TxbBarSubMenuControl::GetDetachBarHeight() {
    const TxbBarItemControlPainter* painter = GetPainter();
    if (!IsDetachable() || !painter)
        return 0;
    TxbPaintMenu menu;
    menu.QqTextHeight = GetTextHeight("Qq");
    menu.Detachable = true;
    return painter->GetDetachBarHeight(menu);
}

void TxbBarSubMenuControl::CalcLayout(win::TSize* size) {
    TxbBarItemLinks* links = GetItemLinks();
    FPageLinkCount = 0;
    if (!links)
        return;
    for (int32_t i = 0; i < links->GetCount(); ++i)
        links->GetItem(i)->ItemRect = win::TRect{};
    // Rarely used: beyond the count of recently used links the usage gives (-1: none is rarely used).
    const int32_t recentCount = links->CalcRecentItemCount();
    const bool markRarely = ShowsRarelyUsedItems() && recentCount >= 0;
    const bool detachable = IsDetachable();
    const TxbBarItemControlPainter* painter = GetPainter();
    if (!painter)
        return;
    const bool separatorsTakeSpace = painter->SeparatorsTakeSpace();

    // The painter gives the rows' extent: inside the frame, right of the side strip, a detachable menu's
    // first row right under its tear-off strip; the row limit keeps room for an expand row.
    TxbPaintMenu measure = MakePaintMenu();
    if (size || !HandleAllocated()) {
        measure.ClientWidth = 0;
        measure.ClientHeight = 1 << 28;
    }
    const TxbBarItemControlPainter::TxbMenuClientRect area = painter->CalcMenuClientRect(measure, true);
    const int32_t left = area.Rect.Left;
    const int32_t right = size ? 0 : area.Rect.Right;
    const int32_t bottom = area.Limit;
    int32_t y = area.Rect.Top;
    int32_t widest = 0;
    bool previousRarely = false;
    for (int32_t i = FTopIndex; i < links->GetShownItemCount(); ++i) {
        TxbBarItemLink* link = links->GetShownItem(i);
        TxbBarItemControl* control = link->GetControl();
        if (!control)
            continue;
        const bool rarely = markRarely && link->GetRecentIndex() >= recentCount;
        const bool runStart = i == FTopIndex ? (detachable && rarely) : rarely != previousRarely;
        control->SetRarelyUsed(rarely);
        control->SetRunStart(runStart);
        previousRarely = rarely;
        int32_t top = y;
        if (runStart && separatorsTakeSpace)
            ++top;
        control->SetSeparatorRect(win::TRect{});
        const bool afterUpArrow = i == FTopIndex + 1 && CanScrollUp();
        if (link->GetBeginGroup() && i != FTopIndex && !afterUpArrow) {
            control->SetSeparatorRect(win::TRect{left, top, right, top + GetSeparatorSize()});
            top += GetSeparatorSize();
        }
        const int32_t height = GetRowHeight(control);
        if (top + height > bottom && FPageLinkCount > 0)
            break;
        link->ItemRect = win::TRect{left, top, right, top + height};
        y = top + height;
        ++FPageLinkCount;
        if (size) {
            int32_t width = control->GetWidth();
            if (width <= 0)
                width = 24;
            widest = std::max(widest, width);
        }
    }
    if (size) {
        // The painter turns the rows' extent into the window's size (frame, border, side strip, expand row
        // and tear-off strip included).
        const win::TSize content{FPageLinkCount > 0 ? widest : 0, y};
        *size = painter->CalcMenuSize(measure, content, GetRowHeight(nullptr));
    }
}

void TxbBarSubMenuControl::SetTopIndex(int32_t value) {
    value = std::max(value, 0);
    if (value == FTopIndex)
        return;
    FTopIndex = value;
    if (HandleAllocated())
        win::InvalidateRect(GetHandle(), nullptr, false);
}

win::TRect TxbBarSubMenuControl::GetUpArrowRect() const {
    if (!CanScrollUp() || !GetItemLinks())
        return {};
    TxbBarItemLink* link = GetItemLinks()->GetShownItem(FTopIndex);
    return link ? link->ItemRect : win::TRect{};
}

win::TRect TxbBarSubMenuControl::GetDownArrowRect() const {
    if (!CanScrollDown() || FPageLinkCount == 0 || !GetItemLinks())
        return {};
    TxbBarItemLink* link = GetItemLinks()->GetShownItem(FTopIndex + FPageLinkCount - 1);
    return link ? link->ItemRect : win::TRect{};
}

win::TRect TxbBarSubMenuControl::GetExpandArrowRect() {
    if (!HandleAllocated())
        return {};
    win::TRect client{};
    win::GetClientRect(GetHandle(), &client);
    const TxbBarItemControlPainter* painter = GetPainter();
    const int32_t inset = painter ? painter->GetMenuScrollArrowHeight() : 1;
    return win::TRect{client.Left + inset + GetBarSize(), client.Bottom - inset - GetExpandArrowHeight(),
                      client.Right - inset, client.Bottom - inset};
}

win::TRect TxbBarSubMenuControl::GetDetachRect() {
    if (!IsDetachable() || !HandleAllocated())
        return {};
    win::TRect window{};
    win::GetWindowRect(GetHandle(), &window);
    win::TPoint origin{0, 0};
    win::ClientToScreen(GetHandle(), &origin);
    // The strip lies above the client area, in the non-client frame, inside the 1-pixel border.
    const int32_t top = window.Top - origin.Y + 1;
    return win::TRect{window.Left - origin.X + 1, top, window.Right - origin.X - 1, top + GetDetachBarHeight()};
}

void TxbBarSubMenuControl::CalcPosition() {
    win::TSize size{};
    const int32_t savedTop = FTopIndex;
    FTopIndex = 0;
    CalcLayout(&size);
    FTopIndex = savedTop;
    const int32_t width = size.cx;
    int32_t height = size.cy;
    int32_t left = FRequestedLeft, top = FRequestedTop;
    win::TRect work{};
    lookandfeel::GetMonitorWorkArea(win::TPoint{FRequestedLeft, FRequestedTop}, work);
    FFlippedH = FFlippedV = false;

    // Horizontally: beyond the right edge, the menu opens on the item's left side when there is more room
    // there; before the left edge, a cascade that prefers the left opens on the item's right side.
    if (left + width > work.Right) {
        if (FOwnerWidth == 0) {
            left = work.Right - width;
        } else if (work.Right - left < left - FOwnerWidth - work.Left) {
            left = left - FOwnerWidth - width;
            FFlippedH = true;
        }
    }
    if (left < work.Left) {
        if (FOwnerWidth == 0) {
            left = work.Left;
        } else if (!FHorizontalDirection) {
            const int32_t itemLeft = left + width;
            const int32_t itemRight = itemLeft + FOwnerWidth;
            if (itemLeft - work.Left < work.Right - itemRight) {
                left = itemRight;
                FFlippedH = true;
            }
        }
    }
    if (left + width > work.Right)
        left = work.Right - width;
    if (left < work.Left)
        left = work.Left;

    // Vertically: beyond the bottom, above the item when there is more room there, else shorter; a menu
    // opened at a point opens upward from it.
    if (top + height > work.Bottom) {
        if (FOwnerHeight > 0) {
            if (work.Bottom - top < top - FOwnerHeight - work.Top) {
                top = top - FOwnerHeight - height;
                FFlippedV = true;
            } else {
                height = work.Bottom - top;
            }
        } else if (FOwnerWidth > 0 || top - work.Top < height) {
            top = work.Bottom - height;
        } else {
            top = top - height;
            FFlippedV = true;
        }
    }
    if (top < work.Top) {
        if (FVerticalDirection) {
            if (FFlippedV)
                height -= work.Top - top;
            top = work.Top;
            height = std::min(height, work.Height());
        } else if (FOwnerHeight > 0) {
            const int32_t below = work.Bottom - FRequestedTop;
            const int32_t above = FRequestedTop - FOwnerHeight - work.Top;
            if (below > above) {
                top = FRequestedTop;
                FFlippedV = true;
                height = std::min(height, work.Bottom - top);
            }
        }
    }
    SetBounds(left, top, width, height);
    if (HandleAllocated())
        win::SetWindowPos(GetHandle(), nullptr, left, top, width, height,
                          win::SWP_NOZORDER | win::SWP_NOACTIVATE | win::SWP_NOREDRAW);
    CalcLayout();
}

// ---- Selection and personalized menus -----------------------------------------------------------------------

void TxbBarSubMenuControl::SetSelectedItemControl(TxbBarItemControl* control) {
    // The selected link stays inside the page.
    if (control && control->GetLink() && GetItemLinks() && HandleAllocated()) {
        const int32_t index = control->GetLink()->GetShownIndex();
        if (index >= 0 && index < FTopIndex + (CanScrollUp() ? 1 : 0) && index >= 0) {
            SetTopIndex(std::max(0, index - 1));
            CalcLayout();
            if (index < FTopIndex + (CanScrollUp() ? 1 : 0))
                SetTopIndex(index);
            CalcLayout();
        }
        for (int32_t guard = 0; guard < 10000 && CanScrollDown() && index >= FTopIndex + FPageLinkCount - 1; ++guard) {
            SetTopIndex(FTopIndex + 1);
            CalcLayout();
        }
    }
    const bool changed = control != GetSelectedControl();
    TCustomxbBarControl::SetSelectedItemControl(control);
    if (!IsBarControlAlive(this))
        return;
    TxbBarManager* manager = GetBarManager();
    if (changed && manager && manager->GetShowFullMenusAfterDelay() && HasMark() && GetMarkState() == 0 &&
        !IsChainExpanded())
        StartFullMenusTimer(FullMenusSelectionTimerId, FullMenusDelay);
}

bool TxbBarSubMenuControl::HasMark() {
    TxbBarManager* manager = GetBarManager();
    TxbBarItemLinks* links = GetItemLinks();
    return manager && links && manager->IsRecentItemsFirst() &&
           links->GetShownItemCount() < links->GetVisibleItemCount();
}

void TxbBarSubMenuControl::SetMarkState(int32_t state) {
    if (IsCustomizing())
        return;
    const bool changed = state != GetMarkState();
    if (changed) {
        TCustomxbBarControl::SetMarkState(state);
        if (state == 2) {
            ExpandMenu();
            return;
        }
        if (HandleAllocated()) {
            const win::TRect r = GetExpandArrowRect();
            win::InvalidateRect(GetHandle(), &r, false);
        }
    }
    TxbBarManager* manager = GetBarManager();
    if (!manager)
        return;
    if (manager->GetShowFullMenusAfterDelay()) {
        StopFullMenusTimer();
        bool up = false;
        (void)up;
        win::TPoint cursor{};
        win::GetCursorPos(&cursor);
        if (state == 1 && HandleAllocated()) {
            win::ScreenToClient(GetHandle(), &cursor);
            if (win::Contains(GetExpandArrowRect(), cursor))
                StartFullMenusTimer(FullMenusExpandTimerId, FullMenusArrowDelay);
        }
    } else if (state == 1) {
        manager->UpdateHint(true, lookandfeel::GetLocalizedString(sxbExpandHint));
    } else {
        manager->UpdateHint(false);
    }
}

void TxbBarSubMenuControl::StartFullMenusTimer(uintptr_t id, win::UINT ms) {
    if (!HandleAllocated())
        return;
    StopFullMenusTimer();
    FFullMenusTimerId = id;
    FFullMenusTimer = win::SetTimer(GetHandle(), id, ms, nullptr) != 0;
}

void TxbBarSubMenuControl::StopFullMenusTimer() {
    if (FFullMenusTimer && HandleAllocated())
        win::KillTimer(GetHandle(), FFullMenusTimerId);
    FFullMenusTimer = false;
    FFullMenusTimerId = 0;
}

void TxbBarSubMenuControl::ExpandMenu() {
    if (!HasMark() || !HandleAllocated())
        return;
    GFullMenusRoot = GetRootBarControl();
    GFullMenusInKeyboardMode = GetBarManager() && GetBarManager()->GetKeyboardModeBar() == GFullMenusRoot;
    FAnimate = true;
    FRecreating = true;
    try {
        DestroyHandle();
    } catch (...) {
        FRecreating = false;
        throw;
    }
    FRecreating = false;
    TCustomxbBarControl::SetMarkState(0);
    SetBounds(FRequestedLeft, FRequestedTop, GetWidth(), GetHeight());
    ShowSubMenu(this);
}

// ---- Painting -----------------------------------------------------------------------------------------------

void TxbBarSubMenuControl::CreateRarelyUsedBrush() {
    FreeRarelyUsedBrush();
    const win::COLORREF face = win::GetSysColor(win::COLOR_BTNFACE);
    auto lighter = [](int c) { return win::BYTE(std::min(c + 20, 255)); };
    const win::BYTE r = lighter(win::GetRValue(face)), g = lighter(win::GetGValue(face)),
                    b = lighter(win::GetBValue(face));
    win::HDC screen = win::GetDC(nullptr);
    const int depth = win::GetDeviceCaps(screen, win::BITSPIXEL);
    win::ReleaseDC(nullptr, screen);
    if (depth <= 8) {
        win::LOGPALETTE palette{};
        palette.palVersion = 0x300;
        palette.palNumEntries = 1;
        palette.palPalEntry[0] = win::PALETTEENTRY{r, g, b, 0};
        FRarelyUsedPalette = win::CreatePalette(&palette);
        FRarelyUsedBrush = win::CreateSolidBrush(win::PALETTEINDEX(0));
    } else {
        FRarelyUsedBrush = win::CreateSolidBrush(win::RGB(r, g, b));
    }
}

void TxbBarSubMenuControl::FreeRarelyUsedBrush() {
    if (FRarelyUsedBrush)
        win::DeleteObject(FRarelyUsedBrush);
    if (FRarelyUsedPalette)
        win::DeleteObject(FRarelyUsedPalette);
    FRarelyUsedBrush = nullptr;
    FRarelyUsedPalette = nullptr;
}

void TxbBarSubMenuControl::Paint() {
    if ((GetAnimatedMenu() == this && FAnimate) || IsDestroyingControls())
        return;
    PaintContent(GetCanvas()->GetHandle());
}

void TxbBarSubMenuControl::PaintTo(win::HDC dc) {
    static_cast<vcl::TControlCanvas*>(GetCanvas())->FreeHandle();
    vcl::TCanvasDCScope scope(GetCanvas(), dc);
    PaintContent(dc);
}

win::HBRUSH TxbBarSubMenuControl::GetBackgroundBrush() {
    const TxbBarItemControlPainter* painter = GetPainter();
    win::HBRUSH brush = FRowBrush;
    if (!brush)
        brush = painter ? painter->GetMenuBackgroundBrush() : win::GetSysColorBrush(win::COLOR_BTNFACE);
    SetBkBrush(brush);
    return brush;
}

vcl::TBitmap* TxbBarSubMenuControl::GetBackgroundBitmap() {
    if (TxbBarPopupMenu* popup = PopupMenuOf(GetItemLinks()))
        if (vcl::TBitmap* own = popup->GetBackgroundBitmap(); own && !own->GetEmpty())
            return own;
    TxbBarManager* manager = GetBarManager();
    vcl::TBitmap* shared = manager && manager->GetBackgrounds() ? manager->GetBackgrounds()->GetSubMenu() : nullptr;
    return shared && !shared->GetEmpty() ? shared : nullptr;
}

bool TxbBarSubMenuControl::HasOwnBackground() { return GetBackgroundBitmap() != nullptr; }

void TxbBarSubMenuControl::DrawBackground(win::HDC dc, const win::TRect& rect, bool, int32_t color,
                                          win::HBRUSH brush) {
    const TxbBarItemControlPainter* painter = GetPainter();
    if (!painter) {
        win::FillRect(dc, &rect, brush);
        return;
    }
    painter->DrawMenuBackground(MakePaintMenu(), dc, vcl::TColor(color), brush ? brush : GetBackgroundBrush(), rect,
                                GetBackgroundBitmap());
}

void TxbBarSubMenuControl::PaintContent(win::HDC dc) {
    if (!HandleAllocated())
        return;
    FInPaint = true;
    vcl::ScopeExit painted([this]() noexcept { FInPaint = false; });
    const TxbBarItemControlPainter* painter = GetPainter();
    if (!painter)
        return;
    const win::TRect client = GetClientRect();
    win::HBRUSH brush = GetBackgroundBrush();
    painter->DrawMenuFrame(MakePaintMenu(), dc, brush, client);
    TxbBarItemLinks* links = GetItemLinks();
    if (links && links->GetShownItemCount() > 0) {
        // The painter paints around the rows (arrow rows, the rest of the client area, the expand row); the
        // rows of the page between the arrow rows paint themselves.
        CalcLayout();
        painter->DrawMenuContent(this, dc);
        const int32_t last = FTopIndex + std::max(FPageLinkCount, 1) - 1;
        for (int32_t i = FTopIndex; i <= last && i < links->GetShownItemCount(); ++i) {
            TxbBarItemControl* control = links->GetShownItem(i)->GetControl();
            if (!control)
                continue;
            control->SetEndsRow(i == last || i == links->GetShownItemCount() - 1);
            if ((i == FTopIndex && CanScrollUp()) || (i == last && CanScrollDown()))
                continue;
            RepaintItemControl(control);
        }
    } else {
        const TxbPaintMenu menu = MakePaintMenu();
        const auto area = painter->CalcMenuClientRect(menu, false);
        DrawBackground(dc, area.Rect, false, int32_t(vcl::clBtnFace), brush);
    }
    // The side strip is painted last, inside a 1-pixel inset; the column between it and the rows takes the
    // background.
    if (const int32_t barSize = GetBarSize(); barSize > 0) {
        const win::TRect strip{client.Left + 1, client.Top + 1, client.Left + 1 + barSize, client.Bottom - 1};
        const win::TRect gap{strip.Right, strip.Top, strip.Right + 1, strip.Bottom};
        DrawBackground(dc, gap, false, int32_t(vcl::clBtnFace), brush);
        if (TxbBarPopupMenu* popup = PopupMenuOf(links))
            popup->DoPaintBar(GetCanvas(), strip);
        else if (TCustomxbBarSubItem* sub = SubItemOf(links))
            sub->DoPaintBar(GetCanvas(), strip);
    }
}

void TxbBarSubMenuControl::PaintRow(TxbBarItemControl* control, win::HDC dc) {
    const TxbBarItemControlPainter* painter = GetPainter();
    TxbBarItemLinks* links = GetItemLinks();
    TxbBarItemLink* link = control->GetLink();
    const win::TRect r = GetItemRect(control);
    if (!painter || !links || !link || r.IsEmpty())
        return;
    // A rarely used row lies on the rarely used brush unless the painter draws that background itself; the
    // other rows on the painter's item brush, or the menu's.
    const bool rarely = control->GetRarelyUsed();
    win::HBRUSH brush = rarely && FRarelyUsedBrush && !painter->HandlesRarelyUsedBackground() ? FRarelyUsedBrush
                                                                                             : painter->GetMenuItemBrush();
    win::HPALETTE oldPalette = nullptr;
    if (brush == FRarelyUsedBrush && FRarelyUsedPalette) {
        oldPalette = win::SelectPalette(dc, FRarelyUsedPalette, false);
        win::RealizePalette(dc);
    }
    FRowBrush = brush;
    GetBackgroundBrush();
    vcl::TryFinally(
        [&] {
            const TxbPaintMenu menu = MakePaintMenu();
            // How far the band of rarely used rows reaches left of a row: to the side strip.
            const int32_t indent = std::max(0, r.Left - menu.SideBarWidth);
            win::TRect separator = control->GetSeparatorRect();
            if (!separator.IsEmpty()) {
                painter->DrawMenuSeparator(menu, dc, rarely && control->GetRunStart(), indent, r, separator);
                control->SetSeparatorRect(separator);
            }
            TxbRarelyUsedRow row;
            row.Rect = r;
            // Inside a run the band goes on beside a group separator as well.
            if (rarely && !control->GetRunStart() && !control->GetSeparatorRect().IsEmpty())
                row.Rect.Top = std::min(r.Top, control->GetSeparatorRect().Top);
            row.Indent = indent;
            row.First = link->GetShownIndex() == FTopIndex;
            row.Last = control->GetEndsRow();
            row.StartsRun = control->GetRunStart();
            row.RarelyUsed = rarely;
            row.SeparatorRect = control->GetSeparatorRect();
            painter->DrawRarelyUsedItemFrame(this, row, dc);
            control->Draw(r, ptMenu);
        },
        [this] {
            FRowBrush = nullptr;
            GetBackgroundBrush();
        });
    if (oldPalette)
        win::SelectPalette(dc, oldPalette, false);
}

void TxbBarSubMenuControl::RepaintItemControl(TxbBarItemControl* control) {
    if (!control || !HandleAllocated() || !control->GetLink() || (GetAnimatedMenu() == this && FAnimate) ||
        IsDestroyingControls())
        return;
    PaintRow(control, GetCanvas()->GetHandle());
    // Outside Paint the row went to the window's own DC: releasing it hands the pixels to the screen.
    if (!FInPaint)
        static_cast<vcl::TControlCanvas*>(GetCanvas())->FreeHandle();
    DrawCustomizingFrame(control);
}

// ---- Scrolling ----------------------------------------------------------------------------------------------

bool TxbBarSubMenuControl::IsOnArrowRow(const win::TPoint& p) const {
    return win::Contains(GetUpArrowRect(), p) || win::Contains(GetDownArrowRect(), p);
}

bool TxbBarSubMenuControl::IsCursorOnArrow(bool& up) {
    if (!HandleAllocated())
        return false;
    win::TPoint p{};
    win::GetCursorPos(&p);
    win::ScreenToClient(GetHandle(), &p);
    if (win::Contains(GetUpArrowRect(), p)) {
        up = true;
        return true;
    }
    if (win::Contains(GetDownArrowRect(), p)) {
        up = false;
        return true;
    }
    return false;
}

void TxbBarSubMenuControl::ScrollTick() {
    bool up = false;
    if (IsCursorOnArrow(up) && (up ? CanScrollUp() : CanScrollDown())) {
        SetTopIndex(FTopIndex + (up ? -1 : 1));
        CalcLayout();
        return;
    }
    win::KillTimer(GetHandle(), ScrollTimerId);
    FScrollTimer = false;
    FLastMovePoint = win::TPoint{-1, -1};
    win::TPoint p{};
    win::GetCursorPos(&p);
    win::ScreenToClient(GetHandle(), &p);
    win::SendMessage(GetHandle(), win::WM_MOUSEMOVE, 0, win::MAKELPARAM(p.X, p.Y));
}

void TxbBarSubMenuControl::TimerTick(uintptr_t id) {
    if (id == ScrollTimerId) {
        ScrollTick();
        return;
    }
    if (id == FullMenusSelectionTimerId || id == FullMenusExpandTimerId) {
        StopFullMenusTimer();
        if (id == FullMenusExpandTimerId)
            SetMarkState(2);
        else if (!GetChildMenu())
            SetMarkState(1);
    }
}

// ---- Tear-off -----------------------------------------------------------------------------------------------

void TxbBarSubMenuControl::SetDetachHot(bool value) {
    if (IsCustomizing() || win::GetCapture() || value == FDetachHot)
        return;
    FDetachHot = value;
    if (HandleAllocated())
        win::RedrawWindow(GetHandle(), nullptr, nullptr, win::RDW_FRAME | win::RDW_INVALIDATE);
    if (TxbBarManager* manager = GetBarManager()) {
        if (value)
            manager->UpdateHint(true, lookandfeel::GetLocalizedString(sxbDetachHint));
        else if (!GetSelectedControl())
            manager->UpdateHint(false);
    }
}

void TxbBarSubMenuControl::DetachMenu() {
    TCustomxbBarSubItem* sub = SubItemOf(GetItemLinks());
    TxbBar* bar = sub ? sub->GetDetachingBarObject() : nullptr;
    TxbBarManager* manager = GetBarManager();
    TxbBarSubItemControl* opener = FSubItemControl;
    TCustomxbBarControl* parent = GetParentBarControl();
    if (!sub || !bar || !manager || !opener || !parent || !IsBarControlAlive(parent) || !parent->HandleAllocated())
        return;
    if (bar->GetControl() && bar->GetControl() == GetRootBarControl())
        return;
    lookandfeel::TlkObjectLinkScope subAlive(sub);
    lookandfeel::TlkObjectLinkScope openerAlive(opener);
    sub->DoDetaching();
    if (!subAlive.Alive() || !IsBarControlAlive(this))
        return;
    // The strip in screen coordinates, grown by the return zone.
    win::TRect zone = GetDetachRect();
    win::TPoint origin{0, 0};
    win::ClientToScreen(GetHandle(), &origin);
    zone = win::TRect{zone.Left + origin.X - DetachReturnZone, zone.Top + origin.Y - DetachReturnZone,
                      zone.Right + origin.X + DetachReturnZone, zone.Bottom + origin.Y + DetachReturnZone};
    const win::HWND captureWindow = parent->GetHandle();
    manager->SetDetaching(true);
    win::SetCapture(captureWindow);
    bool dropped = false, left = false;
    win::TPoint last{-1, -1};
    const int32_t captionHeight = GetPainter() ? GetPainter()->GetFloatingCaptionHeight() : 16;
    auto reopen = [&] {
        if (openerAlive.Alive())
            opener->DropDown(true);
    };
    while (win::GetCapture() == captureWindow) {
        win::MSG msg{};
        if (!GetModalLoopMessage(msg))
            break;
        if (msg.message >= win::WM_KEYFIRST && msg.message <= win::WM_KEYLAST) {
            if (msg.message == win::WM_KEYDOWN && msg.wParam == win::VK_ESCAPE) {
                if (left)
                    bar->SetVisible(false);
                left = false;
                reopen();
                break;
            }
            continue;
        }
        if (msg.message == win::WM_MOUSEMOVE) {
            win::TPoint cursor{};
            win::GetCursorPos(&cursor);
            if (cursor.X == last.X && cursor.Y == last.Y)
                continue;
            last = cursor;
            const bool inside = win::Contains(zone, cursor);
            if (!left && !inside) {
                left = true;
                opener->CloseUp(true);
                if (bar->GetDockingStyle() != dsNone) {
                    bar->SetVisible(false);
                    bar->SetDockingStyle(dsNone);
                }
                if (!bar->GetVisible()) {
                    bar->SetFloatLeft(cursor.X - 100);
                    bar->SetFloatTop(cursor.Y - captionHeight / 2);
                    bar->SetVisible(true);
                }
            } else if (left && inside) {
                bar->SetVisible(false);
                left = false;
                reopen();
                break;
            } else if (left) {
                if (TxbBarControl* window = bar->GetControl())
                    window->SetBounds(cursor.X - window->GetWidth() / 2, cursor.Y - captionHeight / 2,
                                      window->GetWidth(), window->GetHeight());
            }
            continue;
        }
        if (msg.message == win::WM_LBUTTONUP) {
            dropped = true;
            break;
        }
        win::TranslateMessage(&msg);
        win::DispatchMessage(&msg);
    }
    if (win::GetCapture() == captureWindow)
        win::ReleaseCapture();
    if (dropped && left) {
        for (TCustomxbBarControl* head = GetActiveBarControl(); head; head = GetActiveBarControl()) {
            head->DeactivateAll();
            if (GetActiveBarControl() == head)
                break;
        }
    } else if (left) {
        bar->SetVisible(false);
    }
    manager->SetDetaching(false);
}

// ---- Messages -----------------------------------------------------------------------------------------------

bool TxbBarSubMenuControl::HandleNavigationKey(uint16_t& key) {
    // Left and Right are the menu's own keys.
    if (key == win::VK_LEFT || key == win::VK_RIGHT)
        return false;
    return TCustomxbBarControl::HandleNavigationKey(key);
}

void TxbBarSubMenuControl::MenuKeyDown(vcl::TMessage& message) {
    WaitForAnimation(this);
    uint16_t key = uint16_t(message.WParam);
    const bool ctrl = KeyIsDown(win::VK_CONTROL), shift = KeyIsDown(win::VK_SHIFT), alt = KeyIsDown(win::VK_MENU);
    if ((key == win::VK_TAB || key == win::VK_DOWN) && HasMark()) {
        if (key == win::VK_DOWN && ctrl) {
            SetMarkState(2);
            return;
        }
        TxbBarItemLinks* links = GetItemLinks();
        TxbBarItemControl* selected = GetSelectedControl();
        if (!ctrl && !shift && !alt && selected && links && links->GetShownItemCount() > 0 &&
            selected->GetLink() == links->GetShownItem(links->GetShownItemCount() - 1)) {
            lookandfeel::TlkObjectLinkScope self(this);
            SetMarkState(2);
            if (IsBarControlAlive(this) && HandleAllocated())
                win::SendMessage(GetHandle(), win::WM_KEYDOWN, key, 1);
            return;
        }
    }
    TCustomxbBarControl::WndProc(message);
    if (!IsBarControlAlive(this) || !GetActiveBarControl())
        return;
    key = uint16_t(message.WParam);
    if (key == 0 || PassKeyToSelected(key))
        return;
    TCustomxbBarControl* parent = GetParentBarControl();
    if (parent && !IsBarControlAlive(parent))
        parent = nullptr;
    switch (key) {
    case win::VK_RETURN:
        if (TxbBarItemControl* selected = GetSelectedControl())
            selected->Activate(false);
        break;
    case win::VK_ESCAPE:
        if (parent && parent->GetSelectedControl()) {
            if (auto* toolbar = dynamic_cast<TxbBarControl*>(parent))
                toolbar->SetKeyboardOpened(false);
            parent->GetSelectedControl()->CloseUp(true);
        } else {
            FreeMenu();
        }
        break;
    case win::VK_LEFT: {
        if (parent && parent->IsMenu()) {
            if (parent->GetSelectedControl())
                parent->GetSelectedControl()->CloseUp(true);
            break;
        }
        TCustomxbBarControl* ownerWindow = FOwnerControl ? FOwnerControl->GetWindow() : nullptr;
        if ((parent && parent->IsToolbar()) || (ownerWindow && IsBarControlAlive(ownerWindow) && ownerWindow->IsToolbar())) {
            auto* root = dynamic_cast<TxbBarControl*>(GetRootBarControl());
            if (root && root->HandleAllocated()) {
                if (root->IsVertical())
                    win::SendMessage(GetHandle(), win::WM_KEYDOWN, win::VK_ESCAPE, 0);
                else
                    win::SendMessage(root->GetHandle(), win::WM_KEYDOWN, win::VK_LEFT, 0);
            }
        }
        break;
    }
    case win::VK_RIGHT: {
        auto* root = dynamic_cast<TxbBarControl*>(GetRootBarControl());
        if (root && root->HandleAllocated())
            win::SendMessage(root->GetHandle(), win::WM_KEYDOWN, win::VK_RIGHT, 0);
        break;
    }
    default: break;
    }
}

void TxbBarSubMenuControl::MouseMove(vcl::TMessage& message) {
    win::TPoint cursor{};
    win::GetCursorPos(&cursor);
    if (cursor.X == FLastMovePoint.X && cursor.Y == FLastMovePoint.Y && GetAnimatedMenu() != this)
        return;
    FLastMovePoint = cursor;
    WaitForAnimation(this);
    if (!IsBarControlAlive(this) || !HandleAllocated())
        return;
    const win::TPoint p{win::GET_X_LPARAM(message.LParam), win::GET_Y_LPARAM(message.LParam)};
    // The opening item stays selected while the cursor is over its menu.
    if (FSubItemControl && GetParentBarControl() && IsBarControlAlive(GetParentBarControl()) &&
        GetParentBarControl()->GetSelectedControl() != FSubItemControl &&
        GetParentBarControl()->OwnsItemControl(FSubItemControl))
        GetParentBarControl()->SelectItemControlByMouse(FSubItemControl);
    if (!IsBarControlAlive(this))
        return;
    SetDetachHot(win::Contains(GetDetachRect(), p));
    if (HasMark())
        SetMarkState(win::Contains(GetExpandArrowRect(), p) ? std::max(GetMarkState(), 1) : 0);
    if (!IsBarControlAlive(this) || !HandleAllocated())
        return;
    bool up = false;
    if (IsCursorOnArrow(up)) {
        if (!FScrollTimer) {
            SelectItemControlByMouse(nullptr);
            FScrollTimer = win::SetTimer(GetHandle(), ScrollTimerId, ScrollInterval, nullptr) != 0;
        }
        return;
    }
}

void TxbBarSubMenuControl::LeftButtonDown(vcl::TMessage& message) {
    if (FScrollTimer)
        return;
    WaitForAnimation(this);
    if (!IsBarControlAlive(this) || !HandleAllocated())
        return;
    const win::TPoint p{win::GET_X_LPARAM(message.LParam), win::GET_Y_LPARAM(message.LParam)};
    if (FDetachHot && win::Contains(GetDetachRect(), p)) {
        DetachMenu();
        return;
    }
    if (HasMark() && win::Contains(GetExpandArrowRect(), p)) {
        if (GetMarkState() == 1) {
            SetMarkState(2);
        } else {
            SelectItemControl(nullptr);
            if (IsBarControlAlive(this))
                SetMarkState(1);
        }
        return;
    }
}

void TxbBarSubMenuControl::WndProc(vcl::TMessage& message) {
    switch (message.Msg) {
    case win::WM_NCCALCSIZE: {
        win::TRect* r = message.WParam ? &reinterpret_cast<win::NCCALCSIZE_PARAMS*>(message.LParam)->rgrc[0]
                                       : reinterpret_cast<win::TRect*>(message.LParam);
        if (r) {
            // A 1-pixel border, and the tear-off strip at the top of a detachable menu.
            r->Left += 1;
            r->Top += 1 + GetDetachBarHeight();
            r->Right -= 1;
            r->Bottom -= 1;
        }
        message.Result = 0;
        return;
    }
    case win::WM_NCPAINT: {
        // The painter's border over the window rectangle, with the tear-off strip of a detachable menu.
        if (const TxbBarItemControlPainter* painter = GetPainter()) {
            win::HDC dc = win::GetWindowDC(GetHandle());
            win::TRect r{};
            win::GetWindowRect(GetHandle(), &r);
            painter->DrawMenuBorder(this, dc, win::TRect{0, 0, r.Width(), r.Height()});
            win::ReleaseDC(GetHandle(), dc);
        }
        message.Result = 0;
        return;
    }
    case win::WM_NCHITTEST: {
        // The border and the tear-off strip belong to the menu: the strip takes the mouse like the rows do.
        win::TRect r{};
        win::GetWindowRect(GetHandle(), &r);
        if (win::Contains(r, PointOf(message.LParam))) {
            message.Result = win::HTCLIENT;
            return;
        }
        break;
    }
    case win::WM_GETDLGCODE: message.Result = 7; return;
    case win::WM_KEYDOWN: MenuKeyDown(message); return;
    case win::WM_TIMER: TimerTick(uintptr_t(message.WParam)); return;
    case win::WM_MOUSEMOVE:
        // The arrow rows scroll; the entries under them are neither selected nor pressed.
        if (IsOnArrowRow(PointOf(message.LParam))) {
            MouseMove(message);
            return;
        }
        if (FScrollTimer) {
            win::KillTimer(GetHandle(), ScrollTimerId);
            FScrollTimer = false;
        }
        TCustomxbBarControl::WndProc(message);
        if (IsBarControlAlive(this))
            MouseMove(message);
        return;
    case win::WM_LBUTTONUP:
        if (IsOnArrowRow(PointOf(message.LParam)))
            return;
        break;
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
        if (IsOnArrowRow(PointOf(message.LParam))) {
            WaitForAnimation(this);
            return;
        }
        TCustomxbBarControl::WndProc(message);
        if (IsBarControlAlive(this))
            LeftButtonDown(message);
        return;
    case win::WM_RBUTTONDOWN:
    case win::WM_RBUTTONUP: {
        // In popup chains the right button acts as the left one.
        TCustomxbBarControl::WndProc(message);
        if (IsBarControlAlive(this) && HandleAllocated() && IsInMenuChain())
            win::SendMessage(GetHandle(), message.Msg == win::WM_RBUTTONDOWN ? win::WM_LBUTTONDOWN : win::WM_LBUTTONUP,
                             message.WParam, message.LParam);
        return;
    }
    case win::WM_MOUSELEAVE:
        SetDetachHot(false);
        break;
    default: break;
    }
    TCustomxbBarControl::WndProc(message);
}

// ---- TxbBarSubItemControl -----------------------------------------------------------------------------------

namespace {
TxbBarSubItemControl* GPendingControl = nullptr;
uintptr_t GHoverTimer = 0;
// Whether the pending control's delayed step opens (true) or closes its menu.
bool GPendingOpens = false;

void KillHoverTimer() {
    if (GHoverTimer)
        win::KillTimer(nullptr, GHoverTimer);
    GHoverTimer = 0;
}

void HoverTimerProc(win::HWND, win::UINT, uintptr_t, win::DWORD) {
    KillHoverTimer();
    TxbBarSubItemControl* control = std::exchange(GPendingControl, nullptr);
    if (!control)
        return;
    try {
        if (GPendingOpens)
            control->DropDown(true);
        else
            control->CloseUp(true);
    } catch (...) {
        // A failing menu of a hovered entry must not break the message loop.
    }
}

void StartHoverTimer(TxbBarSubItemControl* control, bool opens) {
    KillHoverTimer();
    GPendingControl = control;
    GPendingOpens = opens;
    GHoverTimer = win::SetTimer(nullptr, 0, SubItemHoverDelay, HoverTimerProc);
}

void CancelHoverTimerOf(TxbBarSubItemControl* control) {
    if (GPendingControl == control) {
        KillHoverTimer();
        GPendingControl = nullptr;
    }
}
} // namespace

TxbBarSubItemControl* GetPendingSubItemControl() { return GPendingControl; }

TxbBarSubItemControl::TxbBarSubItemControl(TxbBarItemLink* link) : TxbBarItemControl(link) {}

TxbBarSubItemControl::~TxbBarSubItemControl() {
    CancelHoverTimerOf(this);
    TCustomxbBarSubItem* sub = GetSubItem();
    if (TxbBarSubMenuControl* menu = GetSubMenuControl(); menu && menu->GetSubItemControl() == this) {
        menu->SetSubItemControl(nullptr);
        menu->SetOwnerControl(nullptr);
        if (!(sub && sub->IsDestroying()))
            menu->FreeMenu();
    }
    TxbBarItemControl::CloseUp(true);
}

TCustomxbBarSubItem* TxbBarSubItemControl::GetSubItem() const { return dynamic_cast<TCustomxbBarSubItem*>(GetItem()); }

TxbBarSubMenuControl* TxbBarSubItemControl::GetSubMenuControl() {
    TCustomxbBarSubItem* sub = GetSubItem();
    return sub && sub->GetItemLinks() ? dynamic_cast<TxbBarSubMenuControl*>(sub->GetItemLinks()->GetMenuWindow())
                                      : nullptr;
}

TxbBarSubMenuControl* TxbBarSubItemControl::CreateSubMenuWindow() {
    TCustomxbBarSubItem* sub = GetSubItem();
    TxbBarManager* manager = GetBarManager();
    if (!sub || !sub->GetItemLinks() || !manager)
        return nullptr;
    if (TxbBarSubMenuControl* existing = GetSubMenuControl())
        return existing;
    auto* menu = new TxbBarSubMenuControl(manager);
    menu->SetItemLinks(sub->GetItemLinks());
    sub->GetItemLinks()->SetMenuWindow(menu);
    return menu;
}

int32_t TxbBarSubItemControl::CalcHeight() {
    TCustomxbBarControl* window = GetWindow();
    const TxbBarItemControlPainter* painter = GetPainter();
    return window && IsBarControlAlive(window) && painter ? painter->CalcSubItemHeight(this) : 0;
}

int32_t TxbBarSubItemControl::CalcWidth() {
    TCustomxbBarControl* window = GetWindow();
    const TxbBarItemControlPainter* painter = GetPainter();
    return window && IsBarControlAlive(window) && painter ? painter->CalcSubItemWidth(this) : 0;
}

namespace {
// A vertical toolbar whose bar turns its text: its entries lie across it.
bool IsRotatedToolbar(TCustomxbBarControl* window) {
    auto* toolbar = dynamic_cast<TxbBarControl*>(window);
    return toolbar && IsBarControlAlive(toolbar) && toolbar->IsVertical() && toolbar->GetBar() &&
           toolbar->GetBar()->GetRotateWhenVertical();
}
} // namespace

int32_t TxbBarSubItemControl::GetHeight() { return IsRotatedToolbar(GetWindow()) ? CalcWidth() : CalcHeight(); }

int32_t TxbBarSubItemControl::GetWidth() { return IsRotatedToolbar(GetWindow()) ? CalcHeight() : CalcWidth(); }

bool TxbBarSubItemControl::WantsDblClick() {
    TxbBarManager* manager = GetBarManager();
    if (manager && manager->GetDesigning())
        return false;
    return TxbBarItemControl::WantsDblClick();
}

bool TxbBarSubItemControl::HandlesKey(uint16_t key) {
    TCustomxbBarControl* window = GetWindow();
    return key == win::VK_RIGHT && window && IsBarControlAlive(window) && window->IsMenu();
}

void TxbBarSubItemControl::KeyDown(uint16_t& key) {
    if (key == win::VK_RIGHT)
        Activate(false);
}

void TxbBarSubItemControl::Enter(bool byMouse) {
    TxbBarManager* manager = GetBarManager();
    if (GetSubMenuControl() && GetDroppedDown()) {
        if ((manager && manager->IsCustomizing()) || (manager && manager->GetEffectiveStyle() == bmsStandard))
            CloseUp(true);
        return;
    }
    // A key that activates the entry of an active toolbar (Enter, Up, Down) puts the bar into its
    // keyboard-opened state, in which its sub items open their menus.
    if (!byMouse && GetEnabled())
        if (auto* toolbar = dynamic_cast<TxbBarControl*>(GetWindow());
            toolbar && IsBarControlAlive(toolbar) && toolbar->GetActive() && !(manager && manager->IsCustomizing()))
            toolbar->SetKeyboardOpened(true);
    lookandfeel::TlkObjectLinkScope self(this);
    DropDown(true);
    if (!byMouse && self.Alive())
        if (TxbBarSubMenuControl* menu = GetSubMenuControl(); menu && menu->GetItemLinks())
            if (TxbBarItemLink* first = menu->GetItemLinks()->GetFirstSelectableLink(); first && first->GetControl())
                menu->SelectItemControl(first->GetControl());
}

void TxbBarSubItemControl::DropDown(bool byKey) {
    if (!CanOpen())
        return;
    TCustomxbBarSubItem* sub = GetSubItem();
    TCustomxbBarControl* window = GetWindow();
    TxbBarManager* manager = GetBarManager();
    if (!sub || !window || !IsBarControlAlive(window) || !manager)
        return;
    if (TxbBarSubMenuControl* open = GetSubMenuControl()) {
        TxbBarSubItemControl* other = open->GetSubItemControl();
        if (!other || other == this) {
            if (GPendingControl == this && !GPendingOpens)
                CancelHoverTimerOf(this);
            if (other == this)
                return;
        } else {
            other->CloseUp(true);
        }
    }
    TxbBarItemControl::DropDown(byKey);
    if (!GetEnabled() && !manager->GetDesigning())
        return;
    const bool customizing = manager->IsCustomizing();
    if (window->IsToolbar()) {
        auto* toolbar = dynamic_cast<TxbBarControl*>(window);
        if (!customizing && !(toolbar && toolbar->GetKeyboardOpened())) {
            TxbBarItemControl::CloseUp(byKey);
            return;
        }
        byKey = true;
    }
    if (!byKey && !customizing) {
        if (TxbBarSubItemControl* pending = GPendingControl) {
            KillHoverTimer();
            GPendingControl = nullptr;
            if (pending != this && pending->GetWindow() != window->GetParentBarControl()) {
                try {
                    pending->CloseUp(true);
                } catch (...) {
                }
            }
        }
        if (IsBarControlAlive(window) && window->OwnsItemControl(this))
            StartHoverTimer(this, true);
        return;
    }
    if (GPendingControl == this)
        CancelHoverTimerOf(this);

    // Opening runs the sub item's click chain; its handlers may rebuild this window or free this control.
    lookandfeel::TlkObjectLinkScope self(this);
    lookandfeel::TlkObjectLinkScope subAlive(sub);
    sub->DoPopup();
    if (!self.Alive() || !subAlive.Alive() || !IsBarControlAlive(window))
        return;
    sub->ExecuteClick();
    if (!self.Alive() || !subAlive.Alive() || !IsBarControlAlive(window) || !window->OwnsItemControl(this) ||
        !window->HandleAllocated())
        return;
    TxbBarSubMenuControl* menu = CreateSubMenuWindow();
    if (!menu)
        return;
    if (UsesFlatSelection())
        menu->SetOwnerRect(window->GetItemScreenRect(this));
    const win::TRect r = window->GetItemRect(this);
    win::TPoint point{};
    const TxbBarItemControlPainter* painter = GetPainter();
    auto* toolbar = dynamic_cast<TxbBarControl*>(window);
    if (window->IsMenu()) {
        point = win::TPoint{r.Right, r.Top - (painter ? painter->GetMenuBorderIndent() : 0)};
        menu->SetOwnerSize(r.Width(), 0);
    } else if (toolbar && toolbar->IsVertical()) {
        point = win::TPoint{r.Right, r.Top};
        menu->SetOwnerSize(r.Width(), 0);
    } else {
        point = win::TPoint{r.Left, r.Bottom};
        menu->SetOwnerSize(0, r.Height());
    }
    win::ClientToScreen(window->GetHandle(), &point);
    menu->SetSubItemControl(this);
    menu->SetOwnerControl(this);
    menu->SetRequestedPosition(point.X, point.Y);
    window->SetChildMenu(menu);
    menu->SetParentBarControl(window);
    if (!window->IsMenu())
        Repaint();
    menu->SetAnimate(FOpenedByMouse);
    FOpenedByMouse = false;
    ShowSubMenu(menu);
    if (self.Alive() && painter && painter->HotTracksDropDownPart())
        Repaint();
}

void TxbBarSubItemControl::CloseUp(bool byKey) {
    if (!CanOpen())
        return;
    TCustomxbBarControl* window = GetWindow();
    TxbBarManager* manager = GetBarManager();
    const bool windowAlive = window && IsBarControlAlive(window);
    if (windowAlive && window->IsMenu() && !byKey && !GPendingControl && !(manager && manager->IsCustomizing())) {
        StartHoverTimer(this, false);
        return;
    }
    TxbBarSubMenuControl* menu = GetSubMenuControl();
    if (menu && menu->GetSubItemControl() == this) {
        menu->SetSubItemControl(nullptr);
        menu->SetOwnerControl(nullptr);
    } else if (menu && menu->GetSubItemControl()) {
        // The menu is open from another link of the item.
        menu = nullptr;
    }
    TxbBarItemControl::CloseUp(byKey);
    CancelHoverTimerOf(this);
    TCustomxbBarSubItem* sub = GetSubItem();
    lookandfeel::TlkObjectLinkScope self(this);
    if (menu)
        menu->FreeMenu();
    if (!self.Alive())
        return;
    if (windowAlive && IsBarControlAlive(window) && !window->IsMenu())
        Repaint();
    if (menu && sub)
        sub->DoCloseUp();
}

void TxbBarSubItemControl::Draw(const win::TRect& rect, TxbPaintType paintType) {
    TCustomxbBarControl* window = GetWindow();
    if (rect.IsEmpty() || !window || !IsBarControlAlive(window) || !window->HandleAllocated())
        return;
    if (const TxbBarItemControlPainter* painter = GetPainter())
        painter->DrawSubItem(this, window->GetCanvas()->GetHandle(), paintType,
                             GetDroppedDown() && GetSubMenuControl(), IsHighlighted(), rect);
}

} // namespace bars

#include "bars/xbBarPopupMenu.h"

#include "bars/xbBarCommon.h"
#include "bars/xbBarControl.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarSubMenu.h"
#include "lookandfeel/lkClasses.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/gdi/Fonts.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"

namespace bars {

namespace {
int32_t GOpenPopupMenus = 0;

TxbBarManager* FirstManager() {
    TxbBarManagerList* list = BarManagerList();
    return list && list->GetCount() > 0 ? list->GetManager(0) : nullptr;
}
} // namespace

bool IsAnyPopupMenuOpen() { return GOpenPopupMenus > 0; }

// ---- TxbBarPopupMenu ----------------------------------------------------------------------------------------

TxbBarPopupMenu::TxbBarPopupMenu(vcl::TComponent* owner) : vcl::TComponent(owner) {
    TxbBarManager* manager = nullptr;
    if (auto* form = dynamic_cast<vcl::TCustomForm*>(owner))
        manager = GetBarManagerByForm(form);
    if (!manager)
        manager = FirstManager();
    if (!manager)
        throw vcl::Exception(lookandfeel::GetLocalizedString(sxbBarNoManagers));
    FBackgroundBitmap = std::make_unique<vcl::TBitmap>();
    FFont = std::make_unique<vcl::TFont>();
    FItemLinks = std::make_unique<TxbBarItemLinks>(manager, this);
    FItemLinks->SetUseRecentItems(false);
    SetBarManager(manager);
    FFont->Assign(manager->GetFont());
    FFont->OnChange = [this](vcl::TObject*) { FontChanged(); };
}

TxbBarPopupMenu::~TxbBarPopupMenu() {
    // Code that ran one of the menu's handlers learns that the menu is gone.
    lookandfeel::ClearObjectLinks(this);
    Destroying();
    if (FIsOpen) {
        FIsOpen = false;
        --GOpenPopupMenus;
    }
    if (TxbBarSubMenuControl* menu = GetControl()) {
        menu->OnCloseUp = nullptr;
        menu->OnPopup = nullptr;
    }
    FItemLinks.reset();
    FFont->OnChange = nullptr;
    FFont.reset();
    FreeFontHandle();
    if (FBarManager)
        FBarManager->RemovePopupMenu(this);
    FBarManager = nullptr;
    FBackgroundBitmap.reset();
}

void TxbBarPopupMenu::Loaded() {
    vcl::TComponent::Loaded();
    FItemLinks->ApplyLoadedState(true);
}

void TxbBarPopupMenu::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TComponent::Notification(component, operation);
}

void TxbBarPopupMenu::SetBackgroundBitmap(vcl::TBitmap* value) { FBackgroundBitmap->Assign(value); }

void TxbBarPopupMenu::SetBarManager(TxbBarManager* value) {
    if (value == FBarManager)
        return;
    if (!value && !GetComponentState().Contains(vcl::csDestroying))
        return;
    if (FBarManager)
        FBarManager->RemovePopupMenu(this);
    FBarManager = value;
    if (FBarManager)
        FBarManager->AddPopupMenu(this);
    FItemLinks->SetBarManager(value);
}

void TxbBarPopupMenu::SetFont(vcl::TFont* value) { FFont->Assign(value); }

void TxbBarPopupMenu::SetItemLinks(TxbBarItemLinks* value) { FItemLinks->Assign(value); }

void TxbBarPopupMenu::FontChanged() {
    // A change made by the user's code makes the menu use its own font.
    if (FSettingFont)
        return;
    FSettingFont = true;
    FUseOwnFont = true;
    MakeFontHandle();
    FSettingFont = false;
}

void TxbBarPopupMenu::MakeFontHandle() {
    FreeFontHandle();
    win::LOGFONT lf{};
    win::GetObject(FFont->GetHandle(), sizeof(lf), &lf);
    FFontHandle = win::CreateFontIndirect(&lf);
}

void TxbBarPopupMenu::FreeFontHandle() {
    if (FFontHandle)
        win::DeleteObject(FFontHandle);
    FFontHandle = nullptr;
}

void TxbBarPopupMenu::SetUseOwnFont(bool value) {
    FSettingFont = true;
    FUseOwnFont = value;
    if (value) {
        MakeFontHandle();
    } else {
        if (FBarManager)
            FFont->Assign(FBarManager->GetFont());
        FreeFontHandle();
    }
    FSettingFont = false;
}

void TxbBarPopupMenu::ManagerFontChanged() {
    if (FUseOwnFont || !FBarManager)
        return;
    const bool was = FSettingFont;
    FSettingFont = true;
    FFont->Assign(FBarManager->GetFont());
    FSettingFont = was;
}

void TxbBarPopupMenu::SetUseRecentItems(bool value) {
    FUseRecentItems = value;
    FItemLinks->SetUseRecentItems(value);
}

TxbBarSubMenuControl* TxbBarPopupMenu::GetControl() const {
    return FItemLinks ? dynamic_cast<TxbBarSubMenuControl*>(FItemLinks->GetMenuWindow()) : nullptr;
}

void TxbBarPopupMenu::SetDropDown(bool value, TCustomxbBarControl* parent) {
    FIsDropDown = value;
    FDropDownParent = value ? parent : nullptr;
}

bool TxbBarPopupMenu::ExecuteShortCut(vcl::TShortCut shortCut) { return FItemLinks->ExecuteShortCut(shortCut); }

bool TxbBarPopupMenu::IsShortCut(win::WPARAM charCode, win::LPARAM keyData) {
    if (charCode == 0)
        return false;
    vcl::TShortCut shortCut = vcl::TShortCut(charCode & 0xFFFF);
    if (win::GetKeyState(win::VK_SHIFT) < 0)
        shortCut += 0x2000;
    if (win::GetKeyState(win::VK_CONTROL) < 0)
        shortCut += 0x4000;
    if (keyData & 0x20000000)
        shortCut += 0x8000;
    return ExecuteShortCut(shortCut);
}

void TxbBarPopupMenu::DoPaintBar(vcl::TCanvas* canvas, const win::TRect& r) {
    if (OnPaintBar)
        OnPaintBar(this, canvas, r);
}

void TxbBarPopupMenu::Changed() {
    if (!GetComponentState().Contains(vcl::csDesigning) || GetComponentState().Contains(vcl::csLoading) ||
        GetComponentState().Contains(vcl::csDestroying))
        return;
    if (FBarManager)
        FBarManager->Modified();
}

void TxbBarPopupMenu::Popup(int32_t x, int32_t y) {
    if (GetControl() || !FBarManager)
        return;
    vcl::TCustomForm* form = dynamic_cast<vcl::TCustomForm*>(GetOwner());
    if (!form)
        form = FBarManager->GetOwnerForm();
    if (form)
        form->SendCancelMode(nullptr);
    if (win::HWND capture = win::GetCapture()) {
        win::SendMessage(capture, vcl::CM_CANCELMODE, 0, 0);
        win::ReleaseCapture();
    }

    lookandfeel::TlkObjectLinkScope self(this);
    auto* menu = new TxbBarSubMenuControl(FBarManager);
    menu->SetItemLinks(FItemLinks.get());
    FItemLinks->SetMenuWindow(menu);
    menu->SetRequestedPosition(x, y);
    if (FExcludeRect)
        menu->SetOwnerRect(*FExcludeRect);
    if (FIsDropDown && FDropDownParent && IsBarControlAlive(FDropDownParent))
        menu->SetParentBarControl(FDropDownParent);
    menu->SetOwnerSize(FOwnerWidth, FOwnerHeight);
    menu->SetAnimate(FByMouse);
    if (auto* ownerControl = dynamic_cast<vcl::TWinControl*>(GetOwner()); ownerControl && ownerControl->HandleAllocated())
        menu->SetParentHandle(ownerControl->GetHandle());
    menu->OnPopup = [this](vcl::TObject*) {
        if (!FIsOpen) {
            FIsOpen = true;
            ++GOpenPopupMenus;
        }
        if (OnPopup)
            OnPopup(this);
    };
    menu->OnCloseUp = [this](vcl::TObject*) {
        if (FIsOpen) {
            FIsOpen = false;
            --GOpenPopupMenus;
        }
        // A loop waiting for input wakes up and sees the menu closed.
        if (FInLoop)
            win::PostMessage(nullptr, win::WM_NULL, 0, 0);
        if (OnCloseUp)
            OnCloseUp(this);
    };
    ShowSubMenu(menu);
    if (!self.Alive() || FIsDropDown)
        return;

    // The caller waits here until the menu closes; commands posted meanwhile are dropped.
    FInLoop = true;
    while (self.Alive() && FIsOpen) {
        win::MSG msg{};
        if (!GetModalLoopMessage(msg))
            break;
        if (!self.Alive() || !FIsOpen) {
            // The menu closed while the loop waited: the message is not ours (the wake-up call aside).
            if (!(msg.message == win::WM_NULL && !msg.hwnd))
                win::PostMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
            break;
        }
        if (msg.message == win::WM_COMMAND)
            continue;
        win::TranslateMessage(&msg);
        win::DispatchMessage(&msg);
    }
    if (self.Alive())
        FInLoop = false;
}

void TxbBarPopupMenu::PopupEx(int32_t x, int32_t y, int32_t ownerWidth, int32_t ownerHeight, bool byMouse,
                              const win::TRect* excludeRect) {
    FExcludeRect = excludeRect;
    FOwnerWidth = ownerWidth;
    FOwnerHeight = ownerHeight;
    FByMouse = byMouse;
    lookandfeel::TlkObjectLinkScope self(this);
    try {
        Popup(x, y);
    } catch (...) {
        if (self.Alive()) {
            FExcludeRect = nullptr;
            FOwnerWidth = FOwnerHeight = 0;
            FByMouse = true;
        }
        throw;
    }
    if (!self.Alive())
        return;
    FExcludeRect = nullptr;
    FOwnerWidth = FOwnerHeight = 0;
    FByMouse = true;
}

void TxbBarPopupMenu::PopupAtCursor() {
    win::TPoint p{};
    win::GetCursorPos(&p);
    Popup(p.X, p.Y);
}

// ---- TxbBarPopupMenuLink ------------------------------------------------------------------------------------

TxbBarPopupMenuLink::TxbBarPopupMenuLink(vcl::TCollection* collection) : vcl::TCollectionItem(collection) {}

TxbBarManager* TxbBarPopupMenuLink::GetBarManager() const {
    auto* links = dynamic_cast<TxbBarPopupMenuLinks*>(GetCollection());
    return links ? links->GetBarManager() : nullptr;
}

void TxbBarPopupMenuLink::SetControl(vcl::TWinControl* value) {
    if (value == FControl)
        return;
    TxbBarManager* manager = GetBarManager();
    // Only a control of the manager's own form.
    if (value) {
        vcl::TCustomForm* form = vcl::GetParentForm(value);
        if (!form || !manager || GetBarManagerByForm(form) != manager)
            value = nullptr;
    }
    FControl = value;
    if (value && manager)
        value->FreeNotification(manager);
}

void TxbBarPopupMenuLink::SetPopupMenu(TxbBarPopupMenu* value) {
    if (value == FPopupMenu)
        return;
    FPopupMenu = value;
    if (value)
        if (TxbBarManager* manager = GetBarManager())
            value->FreeNotification(manager);
}

void TxbBarPopupMenuLink::Assign(vcl::TPersistent* source) {
    auto* other = dynamic_cast<TxbBarPopupMenuLink*>(source);
    if (!other) {
        vcl::TCollectionItem::Assign(source);
        return;
    }
    TxbBarManager* manager = GetBarManager();
    vcl::TComponent* root = manager ? manager->GetOwner() : nullptr;
    auto find = [root](vcl::TComponent* c) -> vcl::TComponent* {
        return c && root ? root->FindComponent(c->GetName()) : nullptr;
    };
    SetControl(dynamic_cast<vcl::TWinControl*>(find(other->FControl)));
    SetPopupMenu(dynamic_cast<TxbBarPopupMenu*>(find(other->FPopupMenu)));
    FProcessChildren = other->FProcessChildren;
}

// ---- TxbBarPopupMenuLinks -----------------------------------------------------------------------------------

TxbBarPopupMenuLinks::TxbBarPopupMenuLinks(TxbBarManager* manager)
    : vcl::TCollection(vcl::CollectionItemClassOf<TxbBarPopupMenuLink>(), manager), FBarManager(manager) {}

vcl::TPersistent* TxbBarPopupMenuLinks::GetOwner() { return FBarManager; }

std::vector<TxbBarPopupMenuLink*> TxbBarPopupMenuLinks::Candidates(vcl::TWinControl* control) const {
    std::vector<TxbBarPopupMenuLink*> result;
    if (!control)
        return result;
    for (int32_t i = 0; i < GetCount(); ++i)
        if (GetItem(i)->FControl == control)
            result.push_back(GetItem(i));
    for (vcl::TWinControl* parent = control->GetParent(); parent; parent = parent->GetParent())
        for (int32_t i = 0; i < GetCount(); ++i)
            if (GetItem(i)->FProcessChildren && GetItem(i)->FControl == parent)
                result.push_back(GetItem(i));
    return result;
}

bool TxbBarPopupMenuLinks::ExecuteShortCut(vcl::TWinControl* control, vcl::TShortCut shortCut) {
    for (TxbBarPopupMenuLink* link : Candidates(control)) {
        bool answer = link->FPopupMenu != nullptr;
        if (link->OnAction) {
            int32_t x = -1, y = -1;
            link->OnAction(link, x, y, false, answer);
        }
        if (answer && link->FPopupMenu && link->FPopupMenu->ExecuteShortCut(shortCut))
            return true;
    }
    return false;
}

bool TxbBarPopupMenuLinks::PopupForControl(vcl::TWinControl* control, win::HWND window, win::TPoint point) {
    if (!FBarManager || FBarManager->GetDesigning() || !control || !window)
        return false;
    for (TxbBarPopupMenuLink* link : Candidates(control)) {
        win::MSG pending{};
        while (win::PeekMessage(&pending, window, win::WM_CONTEXTMENU, win::WM_CONTEXTMENU, win::PM_REMOVE)) {
        }
        const bool byMouse = point.X != -1;
        // The position in the window's client coordinates.
        win::TPoint pos{0, 0};
        if (!byMouse) {
            if (win::GetCaretWindow() == window)
                win::GetCaretPos(&pos);
        } else {
            pos = point;
            win::ScreenToClient(window, &pos);
        }
        bool allow = link->FPopupMenu != nullptr;
        if (link->OnAction) {
            win::TPoint screen = pos;
            win::ClientToScreen(window, &screen);
            win::TPoint local = control->ScreenToClient(screen);
            int32_t x = local.X, y = local.Y;
            link->OnAction(link, x, y, byMouse, allow);
            screen = control->ClientToScreen(win::TPoint{x, y});
            pos = screen;
            win::ScreenToClient(window, &pos);
        }
        if (!allow)
            continue;
        if (!link->FPopupMenu)
            return true;
        if (win::IsWindowEnabled(window))
            win::SetFocus(window);
        win::ClientToScreen(window, &pos);
        link->FPopupMenu->PopupEx(pos.X, pos.Y, 0, 0, byMouse, nullptr);
        return true;
    }
    return false;
}

void TxbBarPopupMenuLinks::ComponentRemoved(vcl::TComponent* component) {
    for (int32_t i = 0; i < GetCount(); ++i) {
        TxbBarPopupMenuLink* link = GetItem(i);
        if (link->FControl == component)
            link->FControl = nullptr;
        if (link->FPopupMenu == component)
            link->FPopupMenu = nullptr;
    }
}

void RegisterBarPopupMenuTables() {
    vcl::RegisterClass<TxbBarPopupMenu>("TxbBarPopupMenu");
    vcl::DefineClassProperties<TxbBarPopupMenu, vcl::TComponent>()
        .Property("BarSize", &TxbBarPopupMenu::GetBarSize, &TxbBarPopupMenu::SetBarSize)
        .Property("UseOwnFont", &TxbBarPopupMenu::GetUseOwnFont, &TxbBarPopupMenu::SetUseOwnFont)
        .Property("UseRecentItems", &TxbBarPopupMenu::GetUseRecentItems, &TxbBarPopupMenu::SetUseRecentItems)
        .Property("ItemLinks", &TxbBarPopupMenu::GetItemLinks, &TxbBarPopupMenu::SetItemLinks)
        .Event("OnCloseUp", &TxbBarPopupMenu::OnCloseUp)
        .Event("OnPopup", &TxbBarPopupMenu::OnPopup);
}

} // namespace bars

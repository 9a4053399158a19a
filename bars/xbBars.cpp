#include "bars/xbBars.h"

#include "bars/xbBarControl.h"
#include "bars/xbBarToolbar.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarSubItem.h"
#include "bars/xbBarUtils.h"
#include "bars/xbDockControl.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"

#include <algorithm>

namespace bars {

namespace {

TxbBarManager* ManagerOf(vcl::TCollection* collection) {
    auto* bars = dynamic_cast<TxbBars*>(collection);
    return bars ? bars->GetBarManager() : nullptr;
}

} // namespace

// ---- TxbBar -------------------------------------------------------------------------------------------------

TxbBar::TxbBar(vcl::TCollection* collection) : vcl::TCollectionItem(nullptr) {
    TxbBarManager* manager = ManagerOf(collection);
    FBackgroundBitmap = std::make_unique<vcl::TBitmap>();
    FBackgroundBitmap->OnChange = [this](vcl::TObject*) { Rebuild(); };
    FFont = std::make_unique<vcl::TFont>();
    if (manager)
        FFont->Assign(manager->GetFont());
    FFont->OnChange = [this](vcl::TObject*) { FontChanged(); };
    FItemLinks = std::make_unique<TxbBarItemLinks>(manager, this);
    FItemLinks->SetPropName("ItemLinks");
    FItemLinks->OnChange = [this](TxbBarItemLinks*) {
        if (TxbBarManager* m = GetBarManager())
            m->Modified();
    };
    // Joins only now that the bar is whole.
    if (collection)
        SetCollection(collection);
    if (manager && !manager->IsLoading()) {
        if (manager->OnBarAdd)
            manager->OnBarAdd(manager, this);
        manager->Modified();
    }
}

TxbBar::~TxbBar() {
    TxbBarManager* manager = GetBarManager();
    const bool managerGoing = !manager || manager->IsDestroying();
    if (!managerGoing) {
        manager->Modified();
        if (manager->OnBarDelete)
            manager->OnBarDelete(manager, this);
    }
    FBeingHidden = true;
    FItemLinks->DestroyBarControl();
    FVisible = false;
    // Sub items torn off into this bar forget it.
    std::vector<TCustomxbBarSubItem*> detaching;
    detaching.swap(FDetachingSubItems);
    for (TCustomxbBarSubItem* item : detaching)
        item->DetachingBarNotification(vcl::opRemove, this);
    if (manager && manager->GetMainMenuBar() == this)
        manager->SetMainMenuBar(nullptr);
    // Leave the collection while the bar is whole (its index is read by those it tells).
    SetCollection(nullptr);
    FItemLinks.reset();
    FFont->OnChange = nullptr;
    if (FFontHandle)
        win::DeleteObject(FFontHandle);
    FBackgroundBitmap->OnChange = nullptr;
}

std::string TxbBar::GetDisplayName() { return FCaption.empty() ? vcl::TCollectionItem::GetDisplayName() : FCaption; }

TxbBars* TxbBar::GetBars() const { return dynamic_cast<TxbBars*>(GetCollection()); }

TxbBarManager* TxbBar::GetBarManager() const {
    TxbBars* bars = GetBars();
    return bars ? bars->GetBarManager() : nullptr;
}

bool TxbBar::ManagerLoading() const {
    TxbBarManager* manager = GetBarManager();
    return manager && manager->IsLoading();
}

TxbBarControl* TxbBar::GetControl() const { return FItemLinks ? FItemLinks->GetBarControl() : nullptr; }

TxbDockControl* TxbBar::GetDockSite() const {
    if (FDockControl)
        return FDockControl;
    if (FDockingStyle == dsNone || !GetBars())
        return nullptr;
    return GetBars()->GetDockControl(FDockingStyle);
}

void TxbBar::Rebuild() {
    // The toolbar window rebuilds its item controls and layout once it exists; the dock lays out again.
    if (TxbBarControl* control = GetControl())
        if (TxbDockControl* dock = control->GetDockControl())
            dock->UpdateLayout();
}

void TxbBar::FontChanged() {
    if (FUseOwnFont)
        CreateBarFontHandle(FFont.get(), FFontHandle, false);
    UpdateWindowFont();
}

void TxbBar::UpdateWindowFont() {
    // The window takes the font it draws with and measures and lays out its items again.
    if (TxbBarControl* control = GetControl(); control && control->HandleAllocated())
        win::SendMessage(control->GetHandle(), vcl::CM_FONTCHANGED, 0, 0);
    else
        Rebuild();
}

void TxbBar::AssignManagerFont(TxbBarManager* manager) {
    // A copy of the manager's font is no change of the bar's own: FontChanged does not hear of it.
    FFont->OnChange = nullptr;
    FFont->Assign(manager->GetFont());
    FFont->OnChange = [this](vcl::TObject*) { FontChanged(); };
}

void TxbBar::ManagerFontChanged() {
    TxbBarManager* manager = GetBarManager();
    if (!manager)
        return;
    const bool was = FSettingFont;
    FSettingFont = true;
    if (!FUseOwnFont)
        AssignManagerFont(manager);
    FontChanged();
    FSettingFont = was;
}

// ---- Tests --------------------------------------------------------------------------------------------------

bool TxbBar::CanClose() const { return FAllowClose && !FIsMainMenu; }

bool TxbBar::CanMove() const {
    const TxbBarDockingStyles all{dsNone, dsLeft, dsTop, dsRight, dsBottom};
    TxbBarManager* manager = GetBarManager();
    return FNotDocking != all && !(manager && manager->GetNotDocking() == all);
}

bool TxbBar::IsStatusBar() const { return FBorderStyle == bbsNone && GetDockingStyle() == dsBottom && FWholeRow; }

bool TxbBar::IsSizeGripVisible() const {
    if (!IsStatusBar() || !FSizeGrip)
        return false;
    TxbBarManager* manager = GetBarManager();
    vcl::TCustomForm* form = manager ? manager->GetOwnerForm() : nullptr;
    if (!form || (form->HandleAllocated() && win::IsZoomed(form->GetHandle())))
        return false;
    TxbBarControl* control = GetControl();
    if (!control)
        return false;
    // The window lies in the lower-right corner of each parent up to the form.
    vcl::TControl* c = control;
    while (c && c != form) {
        vcl::TWinControl* parent = c->GetParent();
        if (!parent)
            break;
        const win::TRect r = c->GetBoundsRect();
        if (r.Right != parent->GetClientWidth() || r.Bottom != parent->GetClientHeight())
            return false;
        if (dynamic_cast<vcl::TCustomForm*>(parent))
            break;
        c = parent;
    }
    return true;
}

bool TxbBar::ExecuteShortCut(vcl::TShortCut shortCut) { return FItemLinks->ExecuteShortCut(shortCut); }

int32_t TxbBar::GetNonClientWidth(TxbBarDockingStyle style) const {
    TxbBarManager* manager = GetBarManager();
    if (!manager)
        return 0;
    const TxbBarItemControlPainter* painter = manager->GetPainter();
    if (style == dsNone)
        return 2 * manager->GetFloatFrameWidth() + 2 * painter->GetFloatingSideBorder();
    if (FBorderStyle == bbsSingle) {
        const win::TRect r = painter->GetDockedBorderRect();
        int32_t width = r.Left + r.Right;
        if (style == dsTop || style == dsBottom)
            width += manager->GetBarGripSize(this);
        return width;
    }
    return IsSizeGripVisible() ? painter->GetSizeGripSize(manager).cx : 0;
}

int32_t TxbBar::GetNonClientHeight(TxbBarDockingStyle style) const {
    TxbBarManager* manager = GetBarManager();
    if (!manager)
        return 0;
    const TxbBarItemControlPainter* painter = manager->GetPainter();
    if (style == dsNone)
        return 2 * manager->GetFloatFrameHeight() + painter->GetFloatingCaptionHeight() +
               painter->GetFloatingTopBorder() + painter->GetFloatingBottomBorder();
    if (FBorderStyle == bbsSingle) {
        const win::TRect r = painter->GetDockedBorderRect();
        int32_t height = r.Top + r.Bottom;
        if (style == dsLeft || style == dsRight)
            height += manager->GetBarGripSize(this);
        return height;
    }
    return IsStatusBar() ? painter->GetStatusBarTopBorder() : 0;
}

void TxbBar::SetDockingStyleAndControl(TxbBarDockingStyle style, TxbDockControl* dock) {
    if (dock && dock->IsManagerDock())
        dock = nullptr;
    if (style == GetDockingStyle() || (dock && dock != FDockControl))
        SetDockControl(dock);
    else
        SetDockingStyle(style);
}

// ---- Loading ------------------------------------------------------------------------------------------------

void TxbBar::ApplyPendingDocking() {
    if (FPendingDockControl)
        SetDockControl(FPendingDockControl);
    else
        SetDockingStyle(FPendingDockingStyle);
    FPendingDockControl = nullptr;
}

void TxbBar::ApplyPendingVisible() { SetVisible(FPendingVisible); }

void TxbBar::AddDetachingSubItem(TCustomxbBarSubItem* item) {
    if (std::find(FDetachingSubItems.begin(), FDetachingSubItems.end(), item) == FDetachingSubItems.end())
        FDetachingSubItems.push_back(item);
}

void TxbBar::RemoveDetachingSubItem(TCustomxbBarSubItem* item) { std::erase(FDetachingSubItems, item); }

// ---- Setters ------------------------------------------------------------------------------------------------

void TxbBar::SetAllowClose(bool value) {
    if (value == FAllowClose)
        return;
    FAllowClose = value;
    if (GetDockingStyle() == dsNone)
        Rebuild();
}

void TxbBar::SetAllowQuickCustomizing(bool value) {
    if (value == FAllowQuickCustomizing)
        return;
    FAllowQuickCustomizing = value;
    if (GetBarManager() && GetBarManager()->GetEffectiveStyle() != bmsStandard)
        Rebuild();
}

void TxbBar::SetBackgroundBitmap(vcl::TBitmap* value) {
    const bool wasEmpty = FBackgroundBitmap->GetEmpty();
    FBackgroundBitmap->OnChange = nullptr;
    FBackgroundBitmap->Assign(value);
    FBackgroundBitmap->OnChange = [this](vcl::TObject*) { Rebuild(); };
    if (!wasEmpty || !FBackgroundBitmap->GetEmpty())
        Rebuild();
}

void TxbBar::SetBorderStyle(TxbBarBorderStyle value) {
    if (value == FBorderStyle)
        return;
    FBorderStyle = value;
    if (TxbBarControl* control = GetControl())
        control->FrameChanged();
}

void TxbBar::SetSizeGrip(bool value) {
    if (value == FSizeGrip)
        return;
    FSizeGrip = value;
    if (IsStatusBar())
        if (TxbBarControl* control = GetControl())
            control->FrameChanged();
}

void TxbBar::SetCaption(const std::string& value) {
    if (value == FCaption)
        return;
    TxbBarManager* manager = GetBarManager();
    // Another bar's caption is refused without a word (the dialogs check first).
    if (manager && manager->FindBarByCaption(value))
        return;
    FCaption = value;
    if (FName.empty() && manager && !manager->IsLoading()) {
        const TxbBar* named = manager->FindBarByName(value);
        FName = named && named != this ? GetBars()->MakeUniqueName(value) : value;
    }
    if (manager)
        manager->Modified();
}

void TxbBar::SetColor(vcl::TColor value) {
    if (value == FColor)
        return;
    FColor = value;
    Rebuild();
}

void TxbBar::SetMultiLine(bool value) {
    if (value == FMultiLine || (!value && FIsMainMenu))
        return;
    FMultiLine = value;
    if (GetDockingStyle() != dsNone)
        Rebuild();
}

void TxbBar::SetNotDocking(TxbBarDockingStyles value) {
    if (value == FNotDocking)
        return;
    FNotDocking = value;
    Rebuild();
}

void TxbBar::SetShowMark(bool value) {
    if (value == FShowMark)
        return;
    FShowMark = value;
    Rebuild();
}

void TxbBar::SetUseRestSpace(bool value) {
    if (value == FUseRestSpace)
        return;
    FUseRestSpace = value;
    Rebuild();
}

void TxbBar::SetDockControl(TxbDockControl* value) {
    TxbBarManager* manager = GetBarManager();
    if (value && manager && value->GetBarManager() != manager)
        return;
    if (ManagerLoading()) {
        FPendingDockControl = value;
        return;
    }
    if (value == FDockControl)
        return;
    TxbBarControl* window = GetControl();
    const bool nested = FInDockingChange;
    // The window goes while the bar really moves.
    const bool moves = window && !nested &&
                       ((value && value != window->GetDockControl()) ||
                        (!value && window->GetDockControl() && !window->GetDockControl()->IsManagerDock()));
    if (moves)
        FItemLinks->DestroyBarControl();
    FDockControl = value;
    FItemLinks->SetRecentItemCount(-1);
    if (!nested) {
        FInDockingChange = true;
        const TxbBarDockingStyle style = value ? value->GetDockingStyle() : FDockingStyle;
        FDockingStyle = style;
        FInDockingChange = false;
    }
    if (moves && FVisible)
        ShowWindow();
    if (!nested && manager)
        manager->DoBarDockingStyleChange(this);
}

void TxbBar::SetDockingStyle(TxbBarDockingStyle value) {
    if (ManagerLoading()) {
        FPendingDockingStyle = value;
        return;
    }
    if (value == GetDockingStyle() && !FDockControl)
        return;
    const bool nested = FInDockingChange;
    TxbBarControl* window = GetControl();
    const bool moves = window && !nested && window->GetDockingStyle() != value;
    if (moves)
        FItemLinks->DestroyBarControl();
    FDockingStyle = value;
    if (!nested) {
        FInDockingChange = true;
        FDockControl = nullptr;
        FInDockingChange = false;
    }
    FItemLinks->SetRecentItemCount(-1);
    if (moves && FVisible)
        ShowWindow();
    if (!nested)
        if (TxbBarManager* manager = GetBarManager())
            manager->DoBarDockingStyleChange(this);
}

TxbBarDockingStyle TxbBar::GetDockingStyle() const {
    if (FDockControl)
        return FDockControl->GetDockingStyle();
    if (ManagerLoading())
        return FPendingDockingStyle;
    return FDockingStyle;
}

TxbBarDockingStyle TxbBar::GetDockedDockingStyle() const {
    return FDockedDockControl ? FDockedDockControl->GetDockingStyle() : FDockedDockingStyle;
}

void TxbBar::SetDockedDockControl(TxbDockControl* value) {
    TxbBarManager* manager = GetBarManager();
    if (value && manager && value->GetBarManager() != manager)
        return;
    FDockedDockControl = value;
    if (manager)
        manager->Modified();
}

void TxbBar::SetDockedDockingStyle(TxbBarDockingStyle value) {
    FDockedDockingStyle = value;
    if (TxbBarManager* manager = GetBarManager())
        manager->Modified();
}

namespace {
void StoreAndModify(TxbBar* bar, int32_t& field, int32_t value) {
    field = value;
    if (TxbBarManager* manager = bar->GetBarManager())
        manager->Modified();
}
} // namespace

void TxbBar::SetDockedLeft(int32_t value) { StoreAndModify(this, FDockedLeft, std::max(value, 0)); }
void TxbBar::SetDockedTop(int32_t value) { StoreAndModify(this, FDockedTop, std::max(value, 0)); }
void TxbBar::SetFloatLeft(int32_t value) { StoreAndModify(this, FFloatLeft, value); }
void TxbBar::SetFloatTop(int32_t value) { StoreAndModify(this, FFloatTop, value); }
void TxbBar::SetFloatClientWidth(int32_t value) { StoreAndModify(this, FFloatClientWidth, value); }
void TxbBar::SetFloatClientHeight(int32_t value) { StoreAndModify(this, FFloatClientHeight, value); }

void TxbBar::SetHidden(bool value) {
    FHidden = value;
    if (TxbBarManager* manager = GetBarManager())
        manager->Modified();
}

void TxbBar::SetFont(vcl::TFont* value) { FFont->Assign(value); }

void TxbBar::SetUseOwnFont(bool value) {
    if (value == FUseOwnFont)
        return;
    FSettingFont = true;
    FUseOwnFont = value;
    if (value) {
        CreateBarFontHandle(FFont.get(), FFontHandle, false);
    } else {
        if (TxbBarManager* manager = GetBarManager())
            AssignManagerFont(manager);
        if (FFontHandle)
            win::DeleteObject(FFontHandle);
        FFontHandle = nullptr;
    }
    FSettingFont = false;
    UpdateWindowFont();
}

void TxbBar::SetIsMainMenu(bool value) {
    if (value == FIsMainMenu)
        return;
    TxbBarManager* manager = GetBarManager();
    std::unique_ptr<TxbBarRedrawLock> lock;
    if (manager)
        lock = std::make_unique<TxbBarRedrawLock>(manager);
    if (manager) {
        TxbBar* previous = manager->GetMainMenuBar();
        if (value && previous && previous != this)
            previous->SetIsMainMenu(false);
        manager->SetMainMenuBar(value ? this : (previous == this ? nullptr : previous));
    }
    FIsMainMenu = value;
    FWholeRow = value;
    FMultiLine = value;
    if (!ManagerLoading() && GetDockingStyle() != dsNone)
        Rebuild();
}

void TxbBar::SetItemLinks(TxbBarItemLinks* value) { FItemLinks->Assign(value); }

void TxbBar::SetName(const std::string& value) { FName = value; }

void TxbBar::SetRotateWhenVertical(bool value) {
    if (value == FRotateWhenVertical)
        return;
    FRotateWhenVertical = value;
    if (TxbBarControl* control = GetControl())
        if (control->HandleAllocated())
            win::SendMessage(control->GetHandle(), vcl::CM_FONTCHANGED, 0, 0);
}

void TxbBar::SetUseRecentItems(bool value) {
    if (value == FUseRecentItems)
        return;
    FUseRecentItems = value;
    FItemLinks->SetUseRecentItems(value);
    Rebuild();
}

void TxbBar::SetWholeRow(bool value) {
    if (value == FWholeRow)
        return;
    FWholeRow = value;
    // A docked window is hidden and shown again so the dock gives it a row of its own (or lets others in).
    if (GetControl() && GetDockingStyle() != dsNone && FVisible) {
        FItemLinks->DestroyBarControl();
        ShowWindow();
    }
}

bool TxbBar::GetVisible() const { return ManagerLoading() ? FPendingVisible : FVisible; }

void TxbBar::SetVisible(bool value) {
    TxbBarManager* manager = GetBarManager();
    if (value && manager && manager->IsDestroying())
        return;
    FHiddenBecauseEmpty = false;
    if (ManagerLoading()) {
        FPendingVisible = value;
        return;
    }
    if (value == FVisible)
        return;
    if (!value)
        if (TxbBarControl* control = GetControl())
            control->HideNotification();
    FVisible = value;
    if (value) {
        ShowWindow();
    } else {
        FBeingHidden = true;
        FItemLinks->DestroyBarControl();
        FBeingHidden = false;
    }
    if (!manager)
        return;
    if (!manager->IsDestroying() && manager->OnBarVisibleChange)
        manager->OnBarVisibleChange(manager, this);
    if (!GetBars()->GetLoading())
        manager->Modified();
}

void TxbBar::ShowWindow() {
    TxbBarManager* manager = GetBarManager();
    if (!manager)
        return;
    TxbBarControl* window = FItemLinks->CreateBarControl();
    if (!window)
        return;
    const TxbBarDockingStyle style = GetDockingStyle();
    if (style != dsNone) {
        TxbDockControl* dock = GetDockSite();
        window->BeginDockingChange();
        try {
            window->SetDockingStyle(style);
            const win::TPoint point =
                dock ? dock->ClientToScreen(win::TPoint{FDockedLeft, FDockedTop}) : win::TPoint{FDockedLeft, FDockedTop};
            GetBars()->DockBarAt(style, FDockControl, point, window);
        } catch (...) {
            window->EndDockingChange();
            throw;
        }
        window->EndDockingChange();
        window->SetVisible(true);
        return;
    }
    window->SetDockingStyle(dsNone);
    const win::TSize size = window->CalcSizeByWidth(dsNone, FFloatClientWidth);
    window->SetBounds(FFloatLeft, FFloatTop, size.cx + GetNonClientWidth(dsNone),
                      size.cy + GetNonClientHeight(dsNone));
    vcl::TCustomForm* form = manager->GetOwnerForm();
    bool formActive = false;
    if (form && form->HandleAllocated()) {
        // MDI child forms (active inside the active main form) join with the owner-form messages.
        formActive = win::GetActiveWindow() == form->GetHandle();
    }
    if (form && form->GetVisible() &&
        (!manager->GetHideFloatingBarsWhenInactive() || formActive || manager->IsCustomizing())) {
        window->SetVisible(true);
        return;
    }
    // Kept hidden until the owner form is activated: the form's activation shows the floating windows it
    // finds, so this one must exist by then.
    if (form && form->HandleAllocated())
        window->HandleNeeded();
}

void TxbBar::Assign(vcl::TPersistent* source) {
    auto* other = dynamic_cast<TxbBar*>(source);
    if (!other) {
        vcl::TCollectionItem::Assign(source);
        return;
    }
    TxbBarManager* manager = GetBarManager();
    SetAllowClose(other->FAllowClose);
    SetAllowCustomizing(other->FAllowCustomizing);
    SetAllowQuickCustomizing(other->FAllowQuickCustomizing);
    SetAllowReset(other->FAllowReset);
    SetCaption(other->FCaption);
    if (manager && manager->GetComponentState().Contains(vcl::csUpdating))
        SetName(other->FName);
    SetDockedDockControl(other->FDockedDockControl);
    SetDockedDockingStyle(other->FDockedDockingStyle);
    SetDockedLeft(other->FDockedLeft);
    SetDockedTop(other->FDockedTop);
    SetFloatLeft(other->FFloatLeft);
    SetFloatTop(other->FFloatTop);
    SetFloatClientWidth(other->FFloatClientWidth);
    SetFloatClientHeight(other->FFloatClientHeight);
    SetHidden(other->FHidden);
    SetIsMainMenu(other->FIsMainMenu);
    SetItemLinks(other->FItemLinks.get());
    SetNotDocking(other->FNotDocking);
    SetOneOnRow(other->FOneOnRow);
    SetRotateWhenVertical(other->FRotateWhenVertical);
    SetRow(other->FRow);
    SetWholeRow(other->FWholeRow);
    SetDockingStyleAndControl(other->GetDockingStyle(), other->FDockControl);
    SetUseRecentItems(other->FUseRecentItems);
    SetUseRestSpace(other->FUseRestSpace);
    SetColor(other->FColor);
    SetFont(other->FFont.get());
    SetUseOwnFont(other->FUseOwnFont);
    SetVisible(other->GetVisible());
}

// ---- TxbBars ------------------------------------------------------------------------------------------------

TxbBars::TxbBars(TxbBarManager* manager)
    : vcl::TCollection([](vcl::TCollection* c) -> vcl::TCollectionItem* { return new TxbBar(c); }, manager),
      FBarManager(manager) {
    SetPropName("Bars");
    if (!manager || !manager->GetOwnerForm())
        return;
    for (TxbBarDockingStyle style : {dsLeft, dsTop, dsRight, dsBottom})
        FDocks[style - dsLeft] = new TxbDockControl(manager, style);
}

TxbBars::~TxbBars() {
    // The bars go first (hiding their windows), then the docks.
    BeginUpdate();
    Clear();
    for (TxbDockControl*& dock : FDocks) {
        TxbDockControl* d = dock;
        dock = nullptr;
        if (d) {
            d->SetBarManager(nullptr);
            d->Free();
        }
    }
}

vcl::TPersistent* TxbBars::GetOwner() { return FBarManager; }

std::string TxbBars::MakeUniqueName(const std::string& baseName) const {
    for (int32_t n = 1;; ++n) {
        std::string name = baseName + std::to_string(n);
        bool taken = false;
        for (int32_t i = 0; i < GetCount() && !taken; ++i)
            taken = GetItem(i)->GetName() == name;
        if (!taken)
            return name;
    }
}

TxbDockControl* TxbBars::GetDockControl(TxbBarDockingStyle style) const {
    return style >= dsLeft && style <= dsBottom ? FDocks[style - dsLeft] : nullptr;
}

void TxbBars::ClearDockControl(TxbDockControl* dock) {
    for (TxbDockControl*& d : FDocks)
        if (d == dock)
            d = nullptr;
}

void TxbBars::DockBarAt(TxbBarDockingStyle style, TxbDockControl* dock, win::TPoint point, TxbBarControl* window) {
    if (!dock)
        dock = GetDockControl(style);
    if (!dock || !window)
        return;
    window->SetDockControl(dock);
    window->SetDockingStyle(dock->GetDockingStyle());
    dock->DockBar(window, point, true);
}

void TxbBars::UndockBar(TxbBarDockingStyle style, TxbDockControl* dock, TxbBarControl* window) {
    if (!dock)
        dock = GetDockControl(style);
    if (!dock || !window)
        return;
    dock->UndockBar(window, true);
}

// ---- Property table -----------------------------------------------------------------------------------------

void RegisterBarsTables() {
    vcl::RegisterEnumNames<TxbBarBorderStyle>({"bbsNone", "bbsSingle"});
    using T = TxbBar;
    vcl::DefineClassProperties<T, vcl::TCollectionItem>()
        .Property("AllowClose", &T::GetAllowClose, &T::SetAllowClose)
        .Default(true)
        .Property("AllowCustomizing", &T::GetAllowCustomizing, &T::SetAllowCustomizing)
        .Default(true)
        .Property("AllowQuickCustomizing", &T::GetAllowQuickCustomizing, &T::SetAllowQuickCustomizing)
        .Default(true)
        .Property("AllowReset", &T::GetAllowReset, &T::SetAllowReset)
        .Default(true)
        .Property("AlphaBlendValue", &T::GetAlphaBlendValue, &T::SetAlphaBlendValue)
        .Default(uint8_t(255))
        .Property("BackgroundBitmap", &T::GetBackgroundBitmap, &T::SetBackgroundBitmap)
        .Stored([](T* b) { return !b->GetBackgroundBitmap()->GetEmpty(); })
        .Property("BorderStyle", &T::GetBorderStyle, &T::SetBorderStyle)
        .Default(bbsSingle)
        .Property("Caption", [](T* b) { return b->GetCaption(); }, &T::SetCaption)
        .Stored([](T* b) { return !b->GetCaption().empty(); })
        .Property("Color", &T::GetColor, &T::SetColor, vcl::ColorIdents())
        .Default(vcl::clDefault)
        .Property("DockControl", &T::GetDockControl, &T::SetDockControl)
        .Stored([](T* b) { return b->GetDockControl() != nullptr; })
        .Property("DockedDockControl", &T::GetDockedDockControl, &T::SetDockedDockControl)
        .Stored([](T* b) { return b->GetDockedDockControl() != nullptr; })
        .Property("DockedDockingStyle", &T::GetDockedDockingStyle, &T::SetDockedDockingStyle)
        .Stored([](T* b) { return !b->GetDockedDockControl() && b->GetDockedDockingStyle() != dsTop; })
        .Property("DockedLeft", &T::GetDockedLeft, &T::SetDockedLeft)
        .Default(0)
        .Property("DockedTop", &T::GetDockedTop, &T::SetDockedTop)
        .Default(0)
        .Property("DockingStyle", &T::GetDockingStyle, &T::SetDockingStyle)
        .Stored([](T* b) { return !b->GetDockControl() && b->GetDockingStyle() != dsNone; })
        .Property("FloatLeft", &T::GetFloatLeft, &T::SetFloatLeft)
        .Default(0)
        .Property("FloatTop", &T::GetFloatTop, &T::SetFloatTop)
        .Default(0)
        .Property("FloatClientWidth", &T::GetFloatClientWidth, &T::SetFloatClientWidth)
        .Default(0)
        .Property("FloatClientHeight", &T::GetFloatClientHeight, &T::SetFloatClientHeight)
        .Default(0)
        .Property("Font", &T::GetFont, &T::SetFont)
        .Stored([](T* b) { return b->GetUseOwnFont(); })
        .Property("Hidden", &T::GetHidden, &T::SetHidden)
        .Default(false)
        .Property("IsMainMenu", &T::GetIsMainMenu, &T::SetIsMainMenu)
        .Default(false)
        .Property("ItemLinks", &T::GetItemLinks, &T::SetItemLinks)
        .Property("MultiLine", &T::GetMultiLine, &T::SetMultiLine)
        .Default(false)
        .Property("Name", [](T* b) { return b->GetName(); }, &T::SetName)
        .Stored([](T* b) { return !b->GetName().empty(); })
        .Property("NotDocking", &T::GetNotDocking, &T::SetNotDocking)
        .Default(TxbBarDockingStyles())
        .Property("OneOnRow", &T::GetOneOnRow, &T::SetOneOnRow)
        .Default(false)
        .Property("RotateWhenVertical", &T::GetRotateWhenVertical, &T::SetRotateWhenVertical)
        .Default(true)
        .Property("Row", &T::GetRow, &T::SetRow)
        .Default(0)
        .Property("ShowMark", &T::GetShowMark, &T::SetShowMark)
        .Default(true)
        .Property("SizeGrip", &T::GetSizeGrip, &T::SetSizeGrip)
        .Default(true)
        .Property("UseOwnFont", &T::GetUseOwnFont, &T::SetUseOwnFont)
        .Default(false)
        .Property("UseRecentItems", &T::GetUseRecentItems, &T::SetUseRecentItems)
        .Default(true)
        .Property("UseRestSpace", &T::GetUseRestSpace, &T::SetUseRestSpace)
        .Default(false)
        .Property("Visible", &T::GetVisible, &T::SetVisible)
        .Default(false)
        .Property("WholeRow", &T::GetWholeRow, &T::SetWholeRow)
        .Default(false);
}

} // namespace bars

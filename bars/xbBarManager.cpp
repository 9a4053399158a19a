#include "bars/xbBarManager.h"

#include "bars/xbBarButton.h"
#include "bars/xbBarCategories.h"
#include "bars/xbBarCommon.h"
#include "bars/xbBarControl.h"
#include "bars/xbBarHints.h"
#include "bars/xbBarHooks.h"
#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarToolbar.h"
#include "bars/xbBarSubItem.h"
#include "bars/xbBars.h"
#include "bars/xbBarItem.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbDockControl.h"
#include "lookandfeel/lkClasses.h"
#include "lookandfeel/lkLookAndFeels.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/SysUtils.h"

#include <algorithm>

namespace bars {

namespace {

vcl::TComponent* ResolveOwner(vcl::TComponent* owner) {
    if (!owner && vcl::Application)
        return vcl::Application->GetMainForm();
    return owner;
}

} // namespace

// ---- TxbBarBackgrounds ------------------------------------------------------------------------------------

TxbBarBackgrounds::TxbBarBackgrounds(TxbBarManager* manager)
    : FManager(manager), FBar(std::make_unique<vcl::TBitmap>()), FSubMenu(std::make_unique<vcl::TBitmap>()) {
    FBar->OnChange = [this](vcl::TObject*) { BarChanged(); };
}

TxbBarBackgrounds::~TxbBarBackgrounds() { FBar->OnChange = nullptr; }

vcl::TPersistent* TxbBarBackgrounds::GetOwner() { return FManager; }

void TxbBarBackgrounds::Assign(vcl::TPersistent* source) {
    if (auto* other = dynamic_cast<TxbBarBackgrounds*>(source)) {
        SetBar(other->GetBar());
        SetSubMenu(other->GetSubMenu());
        return;
    }
    vcl::TPersistent::Assign(source);
}

void TxbBarBackgrounds::SetBar(vcl::TBitmap* value) {
    const bool wasEmpty = FBar->GetEmpty();
    FBar->OnChange = nullptr;
    FBar->Assign(value);
    FBar->OnChange = [this](vcl::TObject*) { BarChanged(); };
    if (!wasEmpty || !FBar->GetEmpty())
        BarChanged();
}

void TxbBarBackgrounds::SetSubMenu(vcl::TBitmap* value) { FSubMenu->Assign(value); }

void TxbBarBackgrounds::BarChanged() {
    if (FManager && !FManager->IsDestroying())
        FManager->ReapplyStyle();
}

// ---- Construction and destruction ---------------------------------------------------------------------------

TxbBarManager::TxbBarManager(vcl::TComponent* owner) : vcl::TComponent(ResolveOwner(owner)) {
    FConstructionRefused = true;
    auto* form = dynamic_cast<vcl::TCustomForm*>(GetOwner());
    // A refused manager touches no list: the exception leaves only the component base to undo.
    if (!form)
        throw vcl::Exception(lookandfeel::GetLocalizedString(sxbBarManagerBadOwner));
    if (GetBarManagerByForm(form))
        throw vcl::Exception(lookandfeel::GetLocalizedString(sxbBarManagerMoreThanOne));
    FConstructionRefused = false;
    FOwnerForm = form;
    if (BarManagerList()) {
        RegisterManager(this);
        FRegistered = true;
    }
    FPopupMenuLinks = std::make_unique<TxbBarPopupMenuLinks>(this);

    FBackgrounds = std::make_unique<TxbBarBackgrounds>(this);
    FThemeActive = lookandfeel::AreThemesAvailable(lookandfeel::XPBarStyleElements);
    FPainterClass = GetPainterClass();
    FConstructionDone = true;
    FDesigning = GetComponentState().Contains(vcl::csDesigning);

    FCategories = std::make_unique<TxbBarManagerCategories>(this);
    FBars = std::make_unique<TxbBars>(this);

    FFont = std::make_unique<vcl::TFont>();
    FFont->OnChange = [this](vcl::TObject* sender) { FontChanged(sender); };
    FHelpButtonGlyph = std::make_unique<vcl::TBitmap>();
    auto makeLink = [this]() {
        auto link = std::make_unique<vcl::TChangeLink>();
        vcl::TChangeLink* raw = link.get();
        link->OnChange = [this, raw](vcl::TObject*) { ImageListChanged(raw); };
        return link;
    };
    FImagesLink = makeLink();
    FLargeImagesLink = makeLink();
    FHotImagesLink = makeLink();
    FDisabledImagesLink = makeLink();
    FDisabledLargeImagesLink = makeLink();
    FThemeNotificator = std::make_unique<lookandfeel::TxbThemeChangedNotificator>();
    FThemeNotificator->OnThemeChanged = [this]() { ReapplyStyle(); };

    FRecentItemMinCount = CalcRecentItemMinCount(FMostRecentItemsPercents);
    UpdateSizeMetrics();
    FLookAndFeel = new lookandfeel::TlkLookAndFeel(this);
    FLookAndFeel->OnChanged = [this](lookandfeel::TlkLookAndFeel*, lookandfeel::TlkLookAndFeelValues) {
        if (!IsDestroying())
            ReapplyStyle();
    };
    ReapplyStyle();
    SetUseSystemFont(true);

    CreateBrushes();
    CreateThemeBrush();
    lookandfeel::AcquireOffice11Colors();
    FOffice11ColorsAcquired = true;
}

void TxbBarManager::UpdateHint(bool show, const std::string& text) { UpdateBarHint(this, show, text); }

TxbBarManager::~TxbBarManager() {
    Destroying();
    BarHintManagerDestroying(this);
    // The popup menus of the manager go first, each leaving the list as it goes.
    while (!FPopupMenus.empty())
        FPopupMenus.back()->Free();
    FPopupMenuLinks.reset();
    delete FLookAndFeel;
    FLookAndFeel = nullptr;
    FThemeNotificator.reset();
    FCustomizing = false;
    ReleaseBrushes();
    ReleaseThemeBrush();
    if (FOffice11ColorsAcquired)
        lookandfeel::FreeOffice11Colors();
    FOffice11ColorsAcquired = false;
    SetImageList(FImages, FImagesLink.get(), nullptr);
    SetImageList(FLargeImages, FLargeImagesLink.get(), nullptr);
    SetImageList(FHotImages, FHotImagesLink.get(), nullptr);
    SetImageList(FDisabledImages, FDisabledImagesLink.get(), nullptr);
    SetImageList(FDisabledLargeImages, FDisabledLargeImagesLink.get(), nullptr);
    if (FFontHandle)
        win::DeleteObject(FFontHandle);
    FFontHandle = nullptr;
    FFont->OnChange = nullptr;
    // Groups go last first; each leaves the list as it goes.
    while (!FGroups.empty()) {
        TxbBarGroup* group = FGroups.back();
        FGroups.pop_back();
        group->SetBarManager(nullptr);
        group->Free();
    }
    // The bars (hiding their windows) and then their docks.
    FBars.reset();
    FDockControls.clear();
    // Items go last first, each out of the list before it is freed.
    while (!FItems.empty()) {
        TxbBarItem* item = FItems.back();
        FItems.pop_back();
        item->Free();
    }
    if (FRegistered)
        UnregisterManager(this);
    FCategories.reset();
}

// ---- Streaming ----------------------------------------------------------------------------------------------

void TxbBarManager::Loaded() {
    vcl::TComponent::Loaded();
    if (FRedrawLocked)
        return;
    FBars->SetLoading(true);
    for (TxbBarItem* item : std::vector<TxbBarItem*>(FItems)) {
        if (auto* sub = dynamic_cast<TCustomxbBarSubItem*>(item))
            sub->GetItemLinks()->ApplyLoadedState(true);
        item->ApplyPendingVisible();
    }
    for (int32_t i = 0; i < FBars->GetCount(); ++i) {
        TxbBar* bar = FBars->GetItem(i);
        bar->SetLoaded();
        bar->GetItemLinks()->ApplyLoadedState(true);
        bar->ApplyPendingDocking();
        bar->ApplyPendingVisible();
    }
    // The layout store (registry or ini file) is read here once it exists.
    FBars->SetLoading(false);
    for (int32_t i = 0; i < FCategories->GetCount(); ++i)
        if (TxbBarCategoryData* data = FCategories->GetData(i))
            if (data->HasPending) {
                data->HasPending = false;
                SetCategoryItemsVisible(i, data->PendingItemsVisible);
            }
    // Items still marked loading took the categories' values as pending ones.
    for (TxbBarItem* item : std::vector<TxbBarItem*>(FItems))
        item->ApplyPendingVisible();
    FLayingOutDocks = true;
    try {
        for (TxbDockControl* dock : std::vector<TxbDockControl*>(FDockControls))
            dock->UpdateLayout();
    } catch (...) {
        FLayingOutDocks = false;
        throw;
    }
    FLayingOutDocks = false;
}

void TxbBarManager::DefineProperties(vcl::TFiler* filer) {
    vcl::TComponent::DefineProperties(filer);
    // The thickness of the four edge docks: left and right widths, top and bottom heights.
    static constexpr TxbBarDockingStyle Order[] = {dsLeft, dsRight, dsTop, dsBottom};
    filer->DefineProperty(
        "DockControlHeights",
        [this](vcl::TReader* reader) {
            reader->ReadListBegin();
            for (TxbBarDockingStyle style : Order) {
                if (reader->EndOfList())
                    break;
                const int64_t value = reader->ReadInteger();
                TxbDockControl* dock = FBars->GetDockControl(style);
                // A size no window can have is refused like any other bad value.
                if (value < 0 || value > 0x7FFF)
                    throw vcl::EReadError("Invalid property value");
                if (!dock)
                    continue;
                if (style == dsLeft || style == dsRight)
                    dock->SetWidth(int32_t(value));
                else
                    dock->SetHeight(int32_t(value));
            }
            while (!reader->EndOfList())
                reader->SkipValue();
            reader->ReadListEnd();
        },
        [this](vcl::TWriter* writer) {
            writer->WriteListBegin();
            for (TxbBarDockingStyle style : Order) {
                TxbDockControl* dock = FBars->GetDockControl(style);
                int32_t value = 0;
                if (dock)
                    value = style == dsLeft || style == dsRight ? dock->GetWidth() : dock->GetHeight();
                writer->WriteInteger(value);
            }
            writer->WriteListEnd();
        },
        true);
}

void TxbBarManager::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TComponent::Notification(component, operation);
    if (operation != vcl::opRemove)
        return;
    if (auto* dock = dynamic_cast<TxbDockControl*>(component))
        RemoveDockControl(dock);
    if (FPopupMenuLinks)
        FPopupMenuLinks->ComponentRemoved(component);
    for (auto [field, link] : {std::pair{&FImages, FImagesLink.get()}, std::pair{&FLargeImages, FLargeImagesLink.get()},
                               std::pair{&FHotImages, FHotImagesLink.get()},
                               std::pair{&FDisabledImages, FDisabledImagesLink.get()},
                               std::pair{&FDisabledLargeImages, FDisabledLargeImagesLink.get()}})
        if (*field == component) {
            (*field)->UnRegisterChanges(link);
            *field = nullptr;
        }
}

void TxbBarManager::ReadState(vcl::TReader* reader) {
    vcl::TComponent::ReadState(reader);
    ++FReadStateCount;
}

void TxbBarManager::SetName(const std::string& value) {
    const std::string oldName = GetName();
    vcl::TComponent::SetName(value);
    if (!FDesigning || oldName == GetName() || oldName.empty())
        return;
    for (TxbBarItem* item : std::vector<TxbBarItem*>(FItems)) {
        const std::string& name = item->GetName();
        if (item->GetOwner() != GetOwner() || name.size() <= oldName.size() ||
            !vcl::SameText(name.substr(0, oldName.size()), oldName))
            continue;
        try {
            item->SetName(GetName() + name.substr(oldName.size()));
        } catch (const vcl::EComponentError&) {
            // A name that another component holds: the item keeps its own.
        }
    }
}

void TxbBarManager::GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent* root) {
    // Over a copy: writing a child may make items (the writer's fresh objects for its defaults), which join
    // the list.
    for (TxbBarItem* item : std::vector<TxbBarItem*>(FItems))
        if (item->GetOwner() == root && item->GetCategory() >= 0)
            proc(item);
    for (TxbBarGroup* group : std::vector<TxbBarGroup*>(FGroups))
        if (group->GetOwner() == root)
            proc(group);
}

// ---- Click dispatch -----------------------------------------------------------------------------------------

void TxbBarManager::DoClickItem(TxbBarItem* item) {
    if (OnClickItem)
        OnClickItem(this, item);
}

// ---- Lists --------------------------------------------------------------------------------------------------

TxbBarItem* TxbBarManager::GetItem(int32_t index) const {
    return index >= 0 && index < GetItemCount() ? FItems[size_t(index)] : nullptr;
}

void TxbBarManager::AddItem(TxbBarItem* item) {
    if (item && IndexOfItem(item) < 0)
        FItems.push_back(item);
}

void TxbBarManager::RemoveItem(TxbBarItem* item) {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it != FItems.end())
        FItems.erase(it);
}

int32_t TxbBarManager::IndexOfItem(const TxbBarItem* item) const {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : int32_t(it - FItems.begin());
}

void TxbBarManager::MoveItem(int32_t curIndex, int32_t newIndex) {
    if (curIndex < 0 || curIndex >= GetItemCount() || newIndex < 0 || newIndex >= GetItemCount())
        return;
    TxbBarItem* item = FItems[size_t(curIndex)];
    FItems.erase(FItems.begin() + curIndex);
    FItems.insert(FItems.begin() + newIndex, item);
    Modified();
}

void TxbBarManager::ExchangeItems(int32_t a, int32_t b) {
    if (a < 0 || a >= GetItemCount() || b < 0 || b >= GetItemCount())
        return;
    std::swap(FItems[size_t(a)], FItems[size_t(b)]);
    Modified();
}

TxbBarItem* TxbBarManager::FindItemByName(const std::string& name) const {
    for (TxbBarItem* item : FItems)
        if (vcl::SameText(item->GetName(), name))
            return item;
    return nullptr;
}

vcl::TComponent* TxbBarManager::FindDockControlByPath(const std::string& path) const {
    vcl::TComponent* component = nullptr;
    std::string rest = path;
    const size_t dot = path.find('.');
    if (dot == std::string::npos) {
        component = FOwnerForm;
    } else {
        component = vcl::FindGlobalComponent(path.substr(0, dot));
        rest = path.substr(dot + 1);
    }
    // Walk the nested names; every step must name an owned component.
    size_t start = 0;
    while (component && start <= rest.size()) {
        const size_t next = rest.find('.', start);
        const std::string name = rest.substr(start, next == std::string::npos ? std::string::npos : next - start);
        component = component->FindComponent(name);
        if (next == std::string::npos)
            break;
        start = next + 1;
    }
    // A path may name any component; only a placed dock answers.
    return dynamic_cast<TxbBarDockControl*>(component);
}

void TxbBarManager::GetCategoryItems(int32_t category, std::vector<TxbBarItem*>& list) const {
    list.clear();
    if (category < 0 || category >= FCategories->GetCount())
        return;
    for (TxbBarItem* item : FItems)
        if (item->GetCategory() == category)
            list.push_back(item);
}

void TxbBarManager::GetCategoryUserItems(int32_t category, std::vector<TxbBarItem*>& list) const {
    GetCategoryItems(category, list);
    if (FDesigning)
        return;
    std::erase_if(list, [](TxbBarItem* item) {
        return item->GetVisible() == ivNever || item->IsHiddenFromCustomizing();
    });
}

vcl::TStrings* TxbBarManager::GetCategories() const { return FCategories.get(); }

// ---- Bars and docks ---------------------------------------------------------------------------------------

void TxbBarManager::SetBars(TxbBars* value) { FBars->Assign(value); }

TxbBar* TxbBarManager::FindBarByCaption(const std::string& caption) const {
    for (int32_t i = 0; i < FBars->GetCount(); ++i)
        if (FBars->GetItem(i)->GetCaption() == caption)
            return FBars->GetItem(i);
    return nullptr;
}

TxbBar* TxbBarManager::FindBarByName(const std::string& name) const {
    for (int32_t i = 0; i < FBars->GetCount(); ++i)
        if (FBars->GetItem(i)->GetName() == name)
            return FBars->GetItem(i);
    return nullptr;
}

std::vector<TxbBar*> TxbBarManager::TakePendingBars(const std::function<bool(TxbBar*)>& take) {
    std::vector<TxbBar*> taken;
    std::vector<TxbBar*> kept;
    for (TxbBar* bar : FPendingBars)
        (take(bar) ? taken : kept).push_back(bar);
    FPendingBars.swap(kept);
    return taken;
}

TxbDockControl* TxbBarManager::GetDockControl(int32_t index) const {
    return index >= 0 && index < GetDockControlCount() ? FDockControls[size_t(index)] : nullptr;
}

void TxbBarManager::AddDockControl(TxbDockControl* dock) {
    if (!dock || std::find(FDockControls.begin(), FDockControls.end(), dock) != FDockControls.end())
        return;
    FDockControls.push_back(dock);
    dock->FreeNotification(this);
}

void TxbBarManager::RemoveDockControl(TxbDockControl* dock) {
    auto it = std::find(FDockControls.begin(), FDockControls.end(), dock);
    if (it == FDockControls.end())
        return;
    if (FBars) {
        for (int32_t i = 0; i < FBars->GetCount(); ++i) {
            TxbBar* bar = FBars->GetItem(i);
            const bool shownThere = bar->GetControl() && bar->GetDockSite() == dock;
            if (bar->GetDockedDockControl() == dock)
                bar->SetDockedDockControl(nullptr);
            if (shownThere) {
                // A bar shown in the dock is hidden; while the form goes only its window goes.
                if (IsDestroying() || (FOwnerForm && FOwnerForm->GetComponentState().Contains(vcl::csDestroying)))
                    bar->GetItemLinks()->DestroyBarControl();
                else
                    bar->SetVisible(false);
            }
            if (bar->GetDockControl() == dock)
                bar->SetDockControl(nullptr);
        }
        FBars->ClearDockControl(dock);
    }
    FDockControls.erase(std::find(FDockControls.begin(), FDockControls.end(), dock));
    dock->RemoveFreeNotification(this);
    if (!dock->GetComponentState().Contains(vcl::csDestroying))
        dock->SetParentColor(true);
}

bool TxbBarManager::CanDock(TxbBar* bar, TxbBarDockingStyle style, TxbDockControl* dockControl) {
    bool result = true;
    if (bar && bar->GetNotDocking().Contains(style))
        result = false;
    else if (!dockControl || dockControl->IsManagerDock())
        result = !FNotDocking.Contains(style);
    else
        result = dockControl->CanDockBar(bar);
    if (OnDocking)
        OnDocking(bar, style, dockControl, result);
    return result;
}

void TxbBarManager::DoBarDockingStyleChange(TxbBar* bar) {
    if (FBars && FBars->GetLoading())
        return;
    if (OnBarDockingStyleChange)
        OnBarDockingStyleChange(this, bar);
    Modified();
}

void TxbBarManager::DoBarClose(TxbBar* bar) {
    if (OnBarClose)
        OnBarClose(this, bar);
}

void TxbBarManager::DoShowToolbarsPopup(TxbBarItemLinks* links) {
    if (OnShowToolbarsPopup)
        OnShowToolbarsPopup(this, links);
}

int32_t TxbBarManager::GetBarGripSize(const TxbBar* bar) const {
    return bar && bar->CanMove() ? FGripSize : FPainterClass->GetFixedBarGripSize();
}

void TxbBarManager::FillToolbarsPopup(TxbBarItemLinks* links) {
    if (!links)
        return;
    // The buttons live in the pool of internal items; each click toggles its bar.
    auto addButton = [&](const std::string& caption) {
        auto* button = new TxbBarButton(nullptr);
        button->SetBarManager(this);
        AddInternalItem(button);
        button->SetCaption(caption);
        TxbBarItemLink* link = links->Add();
        link->SetItem(button);
        return button;
    };
    for (int32_t i = 0; i < FBars->GetCount(); ++i) {
        TxbBar* bar = FBars->GetItem(i);
        if (!bar->CanClose() || bar->GetHidden())
            continue;
        TxbBarButton* button = addButton(bar->GetCaption());
        button->SetButtonStyle(bsChecked);
        button->SetTag(i);
        button->SetDown(bar->GetVisible());
        button->OnClick = [this, i](vcl::TObject*) {
            if (FBars && i < FBars->GetCount())
                FBars->GetItem(i)->SetVisible(!FBars->GetItem(i)->GetVisible());
        };
    }
    if (FCanCustomize) {
        TxbBarButton* button = addButton(lookandfeel::GetLocalizedString(sxbBarCustomize));
        button->SetTag(1000);
        // Enabled while no customizing form exists; the form enters customizing mode when it comes.
        button->SetEnabled(!FCustomizing);
        button->OnClick = [this](vcl::TObject*) { SetCustomizing(true); };
        links->GetItem(links->GetCount() - 1)->SetBeginGroup(true);
    }
    DoShowToolbarsPopup(links);
}

// ---- Groups -------------------------------------------------------------------------------------------------

TxbBarGroup* TxbBarManager::GetGroup(int32_t index) const {
    return index >= 0 && index < GetGroupCount() ? FGroups[size_t(index)] : nullptr;
}

void TxbBarManager::AddGroup(TxbBarGroup* group) {
    if (group && IndexOfGroup(group) < 0)
        FGroups.push_back(group);
}

void TxbBarManager::RemoveGroup(TxbBarGroup* group) { std::erase(FGroups, group); }

int32_t TxbBarManager::IndexOfGroup(const TxbBarGroup* group) const {
    auto it = std::find(FGroups.begin(), FGroups.end(), group);
    return it == FGroups.end() ? -1 : int32_t(it - FGroups.begin());
}

void TxbBarManager::MoveGroup(int32_t curIndex, int32_t newIndex) {
    if (curIndex < 0 || curIndex >= GetGroupCount() || newIndex < 0 || newIndex >= GetGroupCount())
        return;
    TxbBarGroup* group = FGroups[size_t(curIndex)];
    FGroups.erase(FGroups.begin() + curIndex);
    FGroups.insert(FGroups.begin() + newIndex, group);
    Modified();
}

TxbBarGroup* TxbBarManager::CreateGroup() {
    auto* group = new TxbBarGroup(FOwnerForm);
    group->SetBarManager(this);
    return group;
}

void TxbBarManager::SetCategories(vcl::TStrings* value) { FCategories->Assign(value); }

// ---- State --------------------------------------------------------------------------------------------------

bool TxbBarManager::IsDestroying() const { return GetComponentState().Contains(vcl::csDestroying); }

bool TxbBarManager::IsLoading() const { return GetComponentState().Contains(vcl::csLoading); }

bool TxbBarManager::AnyImageListLoading() const {
    for (vcl::TCustomImageList* list : {FImages, FLargeImages, FHotImages, FDisabledImages, FDisabledLargeImages})
        if (list && list->GetComponentState().Contains(vcl::csLoading))
            return true;
    return false;
}

void TxbBarManager::Modified() {
    if (IsLoading() || IsDestroying() || !FConstructionDone)
        return;
    FChanged = true;
    if (!FDesigning || FLayingOutDocks || AnyImageListLoading())
        return;
    if (vcl::IFormDesigner* designer = FOwnerForm ? FOwnerForm->GetDesigner() : nullptr)
        designer->Modified();
}

int32_t TxbBarManager::CalcRecentItemMinCount(int32_t percents) {
    if (percents >= 100)
        return 0;
    const int32_t rest = 100 - std::max(percents, 0);
    // The least n with n * rest div 100 above 0: rest is at least 1, so n stays within 100.
    for (int32_t n = 1;; ++n)
        if (n * rest / 100 > 0)
            return n;
}

// ---- Settings -----------------------------------------------------------------------------------------------

void TxbBarManager::SetAutoDockColor(bool value) {
    if (value == FAutoDockColor)
        return;
    FAutoDockColor = value;
    UpdateDockColors();
}

void TxbBarManager::RebuildBarWindows() {
    if (!FBars || IsLoading() || IsDestroying())
        return;
    for (int32_t i = 0; i < FBars->GetCount(); ++i)
        FBars->GetItem(i)->RebuildWindow();
}

void TxbBarManager::SetMakeDisabledImagesFaded(bool value) {
    if (value == FMakeDisabledImagesFaded)
        return;
    FMakeDisabledImagesFaded = value;
    RebuildBarWindows();
}

void TxbBarManager::SetImageListBkColor(vcl::TColor value) {
    if (value == FImageListBkColor)
        return;
    FImageListBkColor = value;
    if (FBars)
        for (int32_t i = 0; i < FBars->GetCount(); ++i)
            if (TxbBarControl* control = FBars->GetItem(i)->GetControl())
                control->Invalidate();
}

void TxbBarManager::SetFlatCloseButton(bool value) {
    if (value == FFlatCloseButton)
        return;
    FFlatCloseButton = value;
    if (FMainMenuBar)
        FMainMenuBar->RebuildWindow();
}

void TxbBarManager::SetShowCloseButton(bool value) {
    if (value == FShowCloseButton)
        return;
    FShowCloseButton = value;
    if (FMainMenuBar)
        FMainMenuBar->RebuildWindow();
}

void TxbBarManager::UpdateDockColors() {
    for (TxbDockControl* dock : FDockControls)
        dock->UpdateColor();
}

void TxbBarManager::SetAutoHideEmptyBars(bool value) {
    if (value == FAutoHideEmptyBars)
        return;
    FAutoHideEmptyBars = value;
    if (!value && FBars)
        for (int32_t i = 0; i < FBars->GetCount(); ++i)
            FBars->GetItem(i)->SetHiddenBecauseEmpty(false);
}

void TxbBarManager::SetSunkenBorder(bool value) {
    if (value == FSunkenBorder)
        return;
    FSunkenBorder = value;
    for (TxbDockControl* dock : std::vector<TxbDockControl*>(FDockControls))
        dock->UpdateBorder();
}

void TxbBarManager::SetBackgrounds(TxbBarBackgrounds* value) { FBackgrounds->Assign(value); }

void TxbBarManager::SetButtonArrowWidth(int32_t value) {
    if (value == FButtonArrowWidth || value < 2)
        return;
    FButtonArrowWidth = value;
    UpdateSizeMetrics();
    RebuildBarWindows();
}

vcl::TColor TxbBarManager::GetDockColor() const {
    if (FAutoDockColor && FOwnerForm)
        return FOwnerForm->GetColor();
    return FDockColor;
}

void TxbBarManager::SetDockColor(vcl::TColor value) {
    // Writing the colour turns the automatic one off even when the stored value is the same.
    if (value == FDockColor && !FAutoDockColor)
        return;
    FDockColor = value;
    FAutoDockColor = false;
    UpdateDockColors();
}

void TxbBarManager::SetFont(vcl::TFont* value) { FFont->Assign(value); }

void TxbBarManager::SetHelpButtonGlyph(vcl::TBitmap* value) { FHelpButtonGlyph->Assign(value); }

void TxbBarManager::SetImageList(vcl::TCustomImageList*& field, vcl::TChangeLink* link,
                                 vcl::TCustomImageList* value) {
    if (field == value)
        return;
    if (field) {
        if (link)
            field->UnRegisterChanges(link);
        field->RemoveFreeNotification(this);
    }
    field = value;
    if (field) {
        if (link)
            field->RegisterChanges(link);
        field->FreeNotification(this);
    }
}

void TxbBarManager::SetImages(vcl::TCustomImageList* value) {
    if (value == FImages)
        return;
    SetImageList(FImages, FImagesLink.get(), value);
    ImageListChanged(FImagesLink.get());
}

void TxbBarManager::SetLargeImages(vcl::TCustomImageList* value) {
    if (value == FLargeImages)
        return;
    SetImageList(FLargeImages, FLargeImagesLink.get(), value);
    UpdateSizeMetrics();
    ImageListChanged(FLargeImagesLink.get());
}

void TxbBarManager::SetHotImages(vcl::TCustomImageList* value) {
    if (value == FHotImages)
        return;
    SetImageList(FHotImages, FHotImagesLink.get(), value);
    ImageListChanged(FHotImagesLink.get());
}

void TxbBarManager::SetDisabledImages(vcl::TCustomImageList* value) {
    if (value == FDisabledImages)
        return;
    SetImageList(FDisabledImages, FDisabledImagesLink.get(), value);
    ImageListChanged(FDisabledImagesLink.get());
}

void TxbBarManager::SetDisabledLargeImages(vcl::TCustomImageList* value) {
    if (value == FDisabledLargeImages)
        return;
    SetImageList(FDisabledLargeImages, FDisabledLargeImagesLink.get(), value);
    ImageListChanged(FDisabledLargeImagesLink.get());
}

void TxbBarManager::SetLargeButtonArrowWidth(int32_t value) {
    if (value == FLargeButtonArrowWidth || value < 2)
        return;
    FLargeButtonArrowWidth = value;
    RebuildBarWindows();
}

void TxbBarManager::SetLargeIcons(bool value) {
    if (value == FLargeIcons)
        return;
    FLargeIcons = value;
    UpdateSizeMetrics();
    Modified();
    RebuildBarWindows();
}

void TxbBarManager::SetLookAndFeel(lookandfeel::TlkLookAndFeel* value) { FLookAndFeel->Assign(value); }

void TxbBarManager::SetMenuAnimations(TxbBarMenuAnimations value) {
    if (value == FMenuAnimations)
        return;
    FMenuAnimations = value;
    Modified();
}

void TxbBarManager::SetMenusShowRecentItemsFirst(bool value) {
    if (value == FMenusShowRecentItemsFirst)
        return;
    FMenusShowRecentItemsFirst = value;
    Modified();
}

void TxbBarManager::SetMostRecentItemsPercents(uint8_t value) {
    FMostRecentItemsPercents = std::min<uint8_t>(value, 100);
    FRecentItemMinCount = CalcRecentItemMinCount(FMostRecentItemsPercents);
}

void TxbBarManager::SetNotDocking(TxbBarDockingStyles value) {
    if (value == FNotDocking)
        return;
    FNotDocking = value;
    ReapplyStyle();
}

void TxbBarManager::SetScaled(bool value) {
    if (value == FScaled)
        return;
    FScaled = value;
    if (FScaled && !FUseSystemFont)
        TakeSystemFont();
}

void TxbBarManager::SetShowFullMenusAfterDelay(bool value) {
    if (value == FShowFullMenusAfterDelay)
        return;
    FShowFullMenusAfterDelay = value;
    Modified();
}

void TxbBarManager::SetShowHint(bool value) {
    if (value == FShowHint)
        return;
    FShowHint = value;
    Modified();
}

void TxbBarManager::SetShowShortCutInHint(bool value) {
    if (value == FShowShortCutInHint)
        return;
    FShowShortCutInHint = value;
    Modified();
}

void TxbBarManager::SetStyle(TxbBarManagerStyle value) {
    if (value == FStyle)
        return;
    FStyle = value;
    ReapplyStyle();
}

void TxbBarManager::SetUseLargeImagesForLargeIcons(bool value) {
    if (value == FUseLargeImagesForLargeIcons)
        return;
    FUseLargeImagesForLargeIcons = value;
    UpdateSizeMetrics();
    Modified();
    RebuildBarWindows();
}

void TxbBarManager::SetUseSystemFont(bool value) {
    if (value == FUseSystemFont)
        return;
    FUseSystemFont = value;
    if (FUseSystemFont)
        TakeSystemFont();
}

void TxbBarManager::SetWaitForDockingTime(int32_t value) {
    if (value >= 0)
        FWaitForDockingTime = value;
}

// ---- Popup menus --------------------------------------------------------------------------------------------

TxbBarPopupMenu* TxbBarManager::GetPopupMenu(int32_t index) const {
    return index >= 0 && index < int32_t(FPopupMenus.size()) ? FPopupMenus[size_t(index)] : nullptr;
}

void TxbBarManager::AddPopupMenu(TxbBarPopupMenu* menu) {
    if (menu && std::find(FPopupMenus.begin(), FPopupMenus.end(), menu) == FPopupMenus.end())
        FPopupMenus.push_back(menu);
}

void TxbBarManager::RemovePopupMenu(TxbBarPopupMenu* menu) { std::erase(FPopupMenus, menu); }

// ---- Free functions -----------------------------------------------------------------------------------------

TxbBarManager* GetBarManagerByForm(const vcl::TCustomForm* form) {
    if (TxbBarManagerList* list = BarManagerList())
        for (int32_t i = 0; i < list->GetCount(); ++i)
            if (list->GetManager(i)->GetOwnerForm() == form)
                return list->GetManager(i);
    return nullptr;
}

void NotifyManagerModified(TxbBarManager* manager) {
    if (manager)
        manager->Modified();
}

std::string MakeUniqueItemName(const TxbBarManager* manager, const std::string& itemClassName) {
    const std::string base = itemClassName.empty() ? std::string() : itemClassName.substr(1);
    for (int32_t n = 1;; ++n) {
        std::string name = base + std::to_string(n);
        if (!manager || !manager->FindItemByName(name))
            return name;
    }
}

} // namespace bars

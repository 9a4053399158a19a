#include "bars/xbBarItem.h"
#include "bars/xbBarItemControl.h"

#include "bars/xbBarButton.h"
#include "bars/xbBarCommon.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarManager.h"
#include "lookandfeel/lkClasses.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/TypInfo.h"

#include <algorithm>

namespace bars {

// ---- TxbBarItemActionLink -----------------------------------------------------------------------------------

TxbBarItemActionLink::TxbBarItemActionLink(vcl::TObject* client) : vcl::TActionLink(client) {
    AssignClient(client);
}

void TxbBarItemActionLink::AssignClient(vcl::TObject* client) { FClient = dynamic_cast<TxbBarItem*>(client); }

bool TxbBarItemActionLink::IsCaptionLinked() {
    return vcl::TActionLink::IsCaptionLinked() && FClient->GetCaption() == CustomAction()->GetCaption();
}

bool TxbBarItemActionLink::IsCheckedLinked() {
    // Only buttons have a check state.
    auto* button = dynamic_cast<TxbBarButton*>(FClient);
    return button && vcl::TActionLink::IsCheckedLinked() && button->GetDown() == CustomAction()->GetChecked();
}

void TxbBarItemActionLink::SetChecked(bool value) {
    if (IsCheckedLinked())
        static_cast<TxbBarButton*>(FClient)->SetDown(value);
}

bool TxbBarItemActionLink::IsEnabledLinked() {
    return vcl::TActionLink::IsEnabledLinked() && FClient->GetEnabled() == CustomAction()->GetEnabled();
}

bool TxbBarItemActionLink::IsHelpContextLinked() {
    return vcl::TActionLink::IsHelpContextLinked() && FClient->GetHelpContext() == CustomAction()->GetHelpContext();
}

bool TxbBarItemActionLink::IsHintLinked() {
    return vcl::TActionLink::IsHintLinked() && FClient->GetHint() == CustomAction()->GetHint();
}

bool TxbBarItemActionLink::IsImageIndexLinked() {
    return vcl::TActionLink::IsImageIndexLinked() && FClient->GetImageIndex() == CustomAction()->GetImageIndex();
}

bool TxbBarItemActionLink::IsShortCutLinked() {
    return vcl::TActionLink::IsShortCutLinked() && FClient->GetShortCut() == CustomAction()->GetShortCut();
}

bool TxbBarItemActionLink::IsVisibleLinked() {
    if (!vcl::TActionLink::IsVisibleLinked())
        return false;
    const TxbBarItemVisible own = FClient->IsLoading() ? FClient->GetPendingVisible() : FClient->GetVisible();
    return BooleanToItemVisible(CustomAction()->GetVisible()) == own;
}

bool TxbBarItemActionLink::IsOnExecuteLinked() {
    return vcl::TActionLink::IsOnExecuteLinked() && vcl::SameEvent(FClient->OnClick, FAction->OnExecute);
}

void TxbBarItemActionLink::SetCaption(const std::string& value) {
    if (IsCaptionLinked())
        FClient->SetCaption(value);
}

void TxbBarItemActionLink::SetEnabled(bool value) {
    if (IsEnabledLinked())
        FClient->SetEnabled(value);
}

void TxbBarItemActionLink::SetHelpContext(vcl::THelpContext value) {
    if (IsHelpContextLinked())
        FClient->SetHelpContext(value);
}

void TxbBarItemActionLink::SetHint(const std::string& value) {
    if (IsHintLinked())
        FClient->SetHint(value);
}

void TxbBarItemActionLink::SetImageIndex(vcl::TImageIndex value) {
    if (IsImageIndexLinked())
        FClient->AssignImageIndex(value);
}

void TxbBarItemActionLink::SetShortCut(vcl::TShortCut value) {
    if (IsShortCutLinked())
        FClient->SetShortCut(value);
}

void TxbBarItemActionLink::SetVisible(bool value) {
    if (IsVisibleLinked())
        FClient->SetVisible(BooleanToItemVisible(value));
}

void TxbBarItemActionLink::SetOnExecute(const vcl::TNotifyEvent& value) {
    if (IsOnExecuteLinked())
        FClient->OnClick = value;
}

// ---- TxbBarItem ---------------------------------------------------------------------------------------------

TxbBarItem::TxbBarItem(vcl::TComponent* owner) : vcl::TComponent(owner) {
    TxbBarManager* manager = nullptr;
    if (auto* form = dynamic_cast<vcl::TCustomForm*>(owner))
        manager = GetBarManagerByForm(form);
    if (!manager)
        if (TxbBarManagerList* list = BarManagerList())
            manager = list->GetManager(0);
    FBarManager = manager;
    if (FBarManager)
        FBarManager->AddItem(this);
    FGlyph = std::make_unique<vcl::TBitmap>();
    FGlyph->OnChange = [this](vcl::TObject*) { GlyphChanged(); };
}

void TxbBarItem::BeforeDestruction() {
    vcl::TComponent::BeforeDestruction();
    if (OnDestroy)
        OnDestroy(this);
}

TxbBarItem::~TxbBarItem() {
    Destroying();
    RemoveInternalItem(this);
    // Links go last first; each leaves the item's list as it goes.
    while (!FLinks.empty()) {
        TxbBarItemLink* link = FLinks.back();
        FLinks.pop_back();
        link->FItem = nullptr;
        delete link;
    }
    if (FBarManager)
        FBarManager->RemoveItem(this);
    if (FActionLink)
        FActionLink->SetAction(nullptr);
    FActionLink.reset();
    FGlyph->OnChange = nullptr;
    // A click in progress sees the item gone.
    lookandfeel::ClearObjectLinks(this);
}

void TxbBarItem::SetBarManager(TxbBarManager* value) {
    if (value == FBarManager)
        return;
    if (FBarManager)
        FBarManager->RemoveItem(this);
    FBarManager = value;
    if (FBarManager)
        FBarManager->AddItem(this);
}

void TxbBarItem::Loaded() {
    vcl::TComponent::Loaded();
    if (GetAction())
        ActionChange(GetAction(), true);
    if (OnAfterLoad)
        OnAfterLoad(this);
}

void TxbBarItem::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TComponent::Notification(component, operation);
    if (operation == vcl::opRemove && component && component == GetAction())
        SetAction(nullptr);
}

void TxbBarItem::ReadState(vcl::TReader* reader) {
    vcl::TComponent::ReadState(reader);
}

vcl::TComponent* TxbBarItem::GetParentComponent() const {
    return FCategory >= 0 ? FBarManager : nullptr;
}

void TxbBarItem::SetParentComponent(vcl::TComponent* value) {
    if (IsLoading())
        return;
    if (auto* manager = dynamic_cast<TxbBarManager*>(value)) {
        SetBarManager(manager);
        BarManagerChanged();
    }
}

// ---- Hooks --------------------------------------------------------------------------------------------------

void TxbBarItem::CaptionChanged() {
    for (TxbBarItemLink* link : FLinks)
        if (!link->GetUserDefine().Contains(udCaption) && link->GetControl())
            link->GetControl()->CaptionChanged();
}

void TxbBarItem::EnabledChanged() {
    for (TxbBarItemLink* link : FLinks)
        if (link->GetControl())
            link->GetControl()->EnabledChanged();
}

void TxbBarItem::GlyphChanged() {
    for (TxbBarItemLink* link : FLinks)
        if (!link->GetUserDefine().Contains(udGlyph) && link->GetControl())
            link->GetControl()->GlyphChanged();
}

void TxbBarItem::SetImageIndex(int32_t value) {
    if (value == FImageIndex)
        return;
    FImageIndex = value;
    GlyphChanged();
}

void TxbBarItem::ShortCutChanged() {
    for (TxbBarItemLink* link : FLinks)
        if (link->GetControl())
            link->GetControl()->ShortCutChanged();
}

void TxbBarItem::UpdateControls() {
    for (TxbBarItemLink* link : FLinks)
        if (link->GetControl())
            link->GetControl()->Repaint();
}

void TxbBarItem::LayoutChanged() {
    // The windows that rebuild come with the bar windows.
}

void TxbBarItem::VisibleChanged() {
    if (IsDesigning())
        return;
    for (TxbBarItemLink* link : std::vector<TxbBarItemLink*>(FLinks)) {
        if (TxbBarItemLinks* links = link->GetLinks())
            links->RebuildLists();
        if (IsAvailable()) {
            link->MarkUsed(false);
            if (!link->GetControl())
                link->CreateControl();
            if (link->GetControl())
                link->GetControl()->VisibleChanged();
        } else {
            link->MarkUnused();
            if (link->GetControl()) {
                link->GetControl()->VisibleChanged();
                link->DestroyControl();
            }
        }
    }
}

vcl::TCustomImageList* TxbBarItem::GetImages() const { return FBarManager ? FBarManager->GetImages() : nullptr; }

// ---- Queries ------------------------------------------------------------------------------------------------

bool TxbBarItem::IsAvailable() const {
    const bool customizing = FBarManager && FBarManager->IsCustomizing();
    switch (FVisible) {
    case ivAlways: return HasContent() || customizing;
    case ivInCustomizing: return customizing;
    default: return false;
    }
}

TxbBarItemLink* TxbBarItem::GetLink(int32_t index) const {
    return index >= 0 && index < GetLinkCount() ? FLinks[size_t(index)] : nullptr;
}

int32_t TxbBarItem::GetManagerIndex() const { return FBarManager ? FBarManager->IndexOfItem(this) : -1; }

const TxbBarItemControlPainter* TxbBarItem::GetPainter() const {
    return FBarManager ? FBarManager->GetPainter() : nullptr;
}

bool TxbBarItem::HasValidImage() const {
    vcl::TCustomImageList* images = GetImages();
    return images && GetImageIndex() >= 0 && GetImageIndex() < images->GetCount();
}

bool TxbBarItem::HasItemControls() const {
    return std::any_of(FLinks.begin(), FLinks.end(), [](TxbBarItemLink* l) { return l->GetControl() != nullptr; });
}

std::string TxbBarItem::PlainCaption(const std::string& caption) {
    std::string result = caption;
    const size_t amp = result.find('&');
    if (amp != std::string::npos)
        result.erase(amp, 1);
    const size_t dots = result.find("...");
    if (dots != std::string::npos)
        result.erase(dots, 3);
    return result;
}

void TxbBarItem::AddLink(TxbBarItemLink* link) {
    if (std::find(FLinks.begin(), FLinks.end(), link) == FLinks.end())
        FLinks.push_back(link);
}

void TxbBarItem::RemoveLink(TxbBarItemLink* link) {
    auto it = std::find(FLinks.begin(), FLinks.end(), link);
    if (it != FLinks.end())
        FLinks.erase(it);
}

void TxbBarItem::RebuildLinkWindows() {
    // Each link's window rebuilds once the bar windows exist.
}

// ---- Properties ---------------------------------------------------------------------------------------------

bool TxbBarItem::GetEnabled() const {
    if (FBarManager && FBarManager->GetCustomizing() && !FBarManager->GetDesigning() && FCategory >= 0)
        return true;
    return FEnabled;
}

void TxbBarItem::SetEnabled(bool value) {
    if (value == FEnabled)
        return;
    FEnabled = value;
    if (!IsLoading())
        EnabledChanged();
}

void TxbBarItem::SetCaption(const std::string& value) {
    if (value == FCaption)
        return;
    bool hintFollows = false;
    if (!FApplyingAction && HintFollowsCaption()) {
        const size_t bar = FHint.find('|');
        const std::string shortHint = FHint.substr(0, bar);
        hintFollows = FHint.empty() || shortHint == GetPlainCaption();
    }
    FCaption = value;
    if (IsLoading())
        return;
    if (hintFollows) {
        const size_t bar = FHint.find('|');
        FHint = bar == std::string::npos ? GetPlainCaption() : GetPlainCaption() + FHint.substr(bar);
    }
    CaptionChanged();
}

void TxbBarItem::SetCategory(int32_t value) {
    if (IsLoading()) {
        FCategory = value;
        return;
    }
    if (!FBarManager || value < 0 || value >= FBarManager->GetCategories()->GetCount())
        return;
    FCategory = value;
    FBarManager->Modified();
}

void TxbBarItem::SetAlign(TxbBarItemAlign value) {
    if (value == FAlign)
        return;
    FAlign = value;
    if (!IsLoading())
        RebuildLinkWindows();
}

void TxbBarItem::SetDescription(const std::string& value) { FDescription = value; }

void TxbBarItem::SetGlyph(vcl::TBitmap* value) { FGlyph->Assign(value); }

void TxbBarItem::SetShortCut(vcl::TShortCut value) {
    if (value == FShortCut)
        return;
    FShortCut = value;
    if (!IsLoading())
        ShortCutChanged();
}

void TxbBarItem::SetVisible(TxbBarItemVisible value) {
    if (IsLoading()) {
        FPendingVisible = value;
        return;
    }
    if (value == FVisible)
        return;
    FVisible = value;
    FPendingVisible = value;
    VisibleChanged();
}

void TxbBarItem::ApplyPendingVisible() {
    if (FPendingVisible == FVisible)
        return;
    FVisible = FPendingVisible;
    VisibleChanged();
}

// ---- Actions ------------------------------------------------------------------------------------------------

vcl::TBasicAction* TxbBarItem::GetAction() const { return FActionLink ? FActionLink->GetAction() : nullptr; }

void TxbBarItem::SetAction(vcl::TBasicAction* value) {
    if (value == GetAction())
        return;
    if (!value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink)
        FActionLink = std::make_unique<TxbBarItemActionLink>(this);
    FActionLink->SetAction(value);
    FActionLink->OnChange = [this](vcl::TObject* sender) { ActionChanged(sender); };
    ActionChange(value, value->GetComponentState().Contains(vcl::csLoading));
    value->FreeNotification(this);
}

void TxbBarItem::ActionChanged(vcl::TObject* sender) {
    if (sender && sender == GetAction())
        ActionChange(sender, false);
}

void TxbBarItem::ActionChange(vcl::TObject* sender, bool checkDefaults) {
    auto* action = dynamic_cast<vcl::TCustomAction*>(sender);
    if (!action)
        return;
    if (!checkDefaults || FCaption.empty()) {
        FApplyingAction = true;
        try {
            SetCaption(action->GetCaption());
        } catch (...) {
            FApplyingAction = false;
            throw;
        }
        FApplyingAction = false;
    }
    if (!checkDefaults || FEnabled)
        SetEnabled(action->GetEnabled());
    if (!checkDefaults || FHelpContext == 0)
        SetHelpContext(action->GetHelpContext());
    if (!checkDefaults || FHint.empty())
        SetHint(action->GetHint());
    if (!checkDefaults || GetImageIndex() == -1)
        AssignImageIndex(action->GetImageIndex());
    if (!checkDefaults || FShortCut == 0)
        SetShortCut(action->GetShortCut());
    if (!checkDefaults || FVisible == ivAlways)
        SetVisible(BooleanToItemVisible(action->GetVisible()));
    if (!checkDefaults || !OnClick)
        OnClick = action->OnExecute;
}

void TxbBarItem::AssignTo(vcl::TPersistent* dest) {
    if (auto* action = dynamic_cast<vcl::TCustomAction*>(dest)) {
        action->SetCaption(FCaption);
        action->SetEnabled(FEnabled);
        action->SetHelpContext(FHelpContext);
        action->SetHint(FHint);
        action->SetImageIndex(GetImageIndex());
        action->SetShortCut(FShortCut);
        if (FVisible != ivInCustomizing)
            action->SetVisible(FVisible == ivAlways);
        action->SetOnExecute(OnClick);
        return;
    }
    vcl::TComponent::AssignTo(dest);
}

// ---- The click chain ----------------------------------------------------------------------------------------

void TxbBarItem::Click() {
    if (CanClick())
        ExecuteClick();
}

void TxbBarItem::ExecuteClick() {
    if (!GetEnabled())
        return;
    try {
        // The manager's handler may free the item: DoClick runs only while the item lives.
        lookandfeel::TlkObjectLinkScope self(this);
        if (FBarManager)
            FBarManager->DoClickItem(this);
        if (self.Alive())
            DoClick();
    } catch (const std::exception& e) {
        if (vcl::Application)
            vcl::Application->HandleException(nullptr, e);
    }
}

void TxbBarItem::DoClick() {
    vcl::TBasicAction* action = GetAction();
    if (OnClick && (!action || !vcl::SameEvent(action->OnExecute, OnClick))) {
        OnClick(this);
        return;
    }
    if (action && !IsDesigning() && FActionLink)
        FActionLink->Execute(this);
}

// ---- The pool of internal items ---------------------------------------------------------------------------


void FreeUnusedInternalItems() {
    std::vector<TxbBarItem*>* pool = InternalItemPool();
    if (!pool)
        return;
    // Last first; an item freed leaves the pool itself.
    for (size_t i = pool->size(); i-- > 0;) {
        if (i >= pool->size())
            continue;
        TxbBarItem* item = (*pool)[i];
        if (item->GetLinkCount() == 0)
            item->Free();
    }
}

// ---- Property table -----------------------------------------------------------------------------------------

bool TxbBarItem::IsStoredByAction(bool (TxbBarItemActionLink::*linked)()) const {
    return !FActionLink || !(FActionLink.get()->*linked)();
}

void RegisterBarItemTables() {
    vcl::RegisterEnumNames<TxbBarItemAlign>({"iaLeft", "iaCenter", "iaRight", "iaClient"});
    vcl::RegisterEnumNames<TxbBarItemVisible>({"ivNever", "ivInCustomizing", "ivAlways"});
    using T = TxbBarItem;
    using L = TxbBarItemActionLink;
    vcl::DefineClassProperties<T, vcl::TComponent>()
        .Property("Action", &T::GetAction, &T::SetAction)
        .Property("Align", &T::GetAlign, &T::SetAlign)
        .Stored([](T* i) { return i->GetAlign() != iaLeft; })
        .Property("Caption", [](T* i) { return i->GetCaption(); }, &T::SetCaption)
        .Stored([](T* i) { return i->IsStoredByAction(&L::IsCaptionLinked); })
        .Property("Category", &T::GetCategory, &T::SetCategory)
        .Property("Description", [](T* i) { return i->GetDescription(); }, &T::SetDescription)
        .Property("Enabled", &T::GetEnabled, &T::SetEnabled)
        .Stored([](T* i) { return !i->GetEnabled() && i->IsStoredByAction(&L::IsEnabledLinked); })
        .Property("HelpContext", &T::GetHelpContext, &T::SetHelpContext)
        .Stored([](T* i) { return i->GetHelpContext() != 0 && i->IsStoredByAction(&L::IsHelpContextLinked); })
        .Property("Hint", [](T* i) { return i->GetHint(); }, &T::SetHint)
        .Stored([](T* i) { return i->IsStoredByAction(&L::IsHintLinked); })
        .Property("Visible", &T::GetVisible, &T::SetVisible)
        .Stored([](T* i) { return i->IsStoredByAction(&L::IsVisibleLinked); })
        .Event("OnDestroy", &T::OnDestroy);
}

} // namespace bars

#include "platform/vcl/ActnList.h"

#include "platform/vcl/Scope.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/user/Keys.h"

#include <algorithm>
#include <cstdio>

namespace vcl {

// ---- Shortcuts ----------------------------------------------------------------------------------------

namespace {

struct ActnKeyName {
    uint16_t Key;
    const char* Name;
};

// Names of the keys that are not a letter or a digit.
const ActnKeyName actnKeyNames[] = {
    {0x08, "BkSp"}, {0x09, "Tab"}, {0x0D, "Enter"}, {0x1B, "Esc"},   {0x20, "Space"}, {0x21, "PgUp"},
    {0x22, "PgDn"}, {0x23, "End"}, {0x24, "Home"},  {0x25, "Left"},  {0x26, "Up"},    {0x27, "Right"},
    {0x28, "Down"}, {0x2D, "Ins"}, {0x2E, "Del"},   {0xBA, ";"},     {0xBB, "="},     {0xBC, ","},
    {0xBD, "-"},    {0xBE, "."},   {0xBF, "/"},     {0xC0, "`"},     {0xDB, "["},     {0xDC, "\\"},
    {0xDD, "]"},    {0xDE, "'"},   {0x6A, "Num *"}, {0x6B, "Num +"}, {0x6D, "Num -"}, {0x6F, "Num /"},
};

std::string ActnKeyText(uint16_t key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return std::string(1, char(key));
    if (key >= 0x70 && key <= 0x87)
        return "F" + std::to_string(key - 0x70 + 1);
    if (key >= 0x60 && key <= 0x69)
        return "Num " + std::to_string(key - 0x60);
    for (auto& k : actnKeyNames)
        if (k.Key == key)
            return k.Name;
    return {};
}

} // namespace

TShortCut ShortCut(uint16_t key, TShiftState shift) {
    if (key & 0xFF00)
        return scNone;
    TShortCut result = key;
    if (shift.Contains(ssShift))
        result |= scShift;
    if (shift.Contains(ssCtrl))
        result |= scCtrl;
    if (shift.Contains(ssAlt))
        result |= scAlt;
    return result;
}

void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift) {
    key = shortCut & 0xFF;
    shift = {};
    if (shortCut & scShift)
        shift.Include(ssShift);
    if (shortCut & scCtrl)
        shift.Include(ssCtrl);
    if (shortCut & scAlt)
        shift.Include(ssAlt);
}

std::string ShortCutToText(TShortCut shortCut) {
    std::string name = ActnKeyText(shortCut & 0xFF);
    if (name.empty())
        return {};
    std::string text;
    if (shortCut & scShift)
        text += "Shift+";
    if (shortCut & scCtrl)
        text += "Ctrl+";
    if (shortCut & scAlt)
        text += "Alt+";
    return text + name;
}

TShortCut TextToShortCut(const std::string& text) {
    TShortCut shift = 0;
    std::string rest = text;
    for (;;) {
        std::string lower = LowerCase(rest);
        if (lower.rfind("shift+", 0) == 0) {
            shift |= scShift;
            rest = rest.substr(6);
        } else if (lower.rfind("ctrl+", 0) == 0) {
            shift |= scCtrl;
            rest = rest.substr(5);
        } else if (lower.rfind("alt+", 0) == 0) {
            shift |= scAlt;
            rest = rest.substr(4);
        } else {
            break;
        }
    }
    if (rest.empty())
        return scNone;
    std::string lower = LowerCase(rest);
    for (uint16_t key = 1; key < 0x100; ++key) {
        std::string name = ActnKeyText(key);
        if (!name.empty() && LowerCase(name) == lower)
            return TShortCut(key | shift);
    }
    return scNone;
}

bool SameEvent(const TNotifyEvent& a, const TNotifyEvent& b) {
    if (!a || !b)
        return !a && !b;
    if (a.target_type() != b.target_type())
        return false;
    using Plain = void (*)(TObject*);
    if (auto* fa = a.target<Plain>())
        return *fa == *b.target<Plain>();
    return true;
}

// ---- Links --------------------------------------------------------------------------------------------

TBasicActionLink::TBasicActionLink(TObject* client) {
    AssignClient(client);
}

TBasicActionLink::~TBasicActionLink() {
    if (FAction)
        FAction->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* value) {
    if (value == FAction)
        return;
    if (FAction)
        FAction->UnRegisterChanges(this);
    FAction = value;
    if (FAction)
        FAction->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* target) {
    if (!FAction)
        return false;
    FAction->SetActionComponent(target);
    struct Reset {
        TBasicAction* FAction;
        ~Reset() { FAction->SetActionComponent(nullptr); }
    } reset{FAction};
    return FAction->Execute();
}

bool TBasicActionLink::Update() {
    return FAction && FAction->Update();
}

void TBasicActionLink::Change() {
    if (OnChange)
        OnChange(FAction);
}

// ---- Actions -------------------------------------------------------------------------------------------

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

TBasicAction::~TBasicAction() {
    // Links outlive the action: they let go of it.
    auto clients = FClients;
    for (TBasicActionLink* link : clients)
        link->SetAction(nullptr);
    if (FActionComponent)
        FActionComponent->RemoveFreeNotification(this);
}

bool TBasicAction::Execute() {
    if (!OnExecute)
        return false;
    OnExecute(this);
    return true;
}

bool TBasicAction::Update() {
    if (!OnUpdate)
        return false;
    OnUpdate(this);
    return true;
}

void TBasicAction::SetActionComponent(TComponent* value) {
    if (value == FActionComponent)
        return;
    if (FActionComponent)
        FActionComponent->RemoveFreeNotification(this);
    FActionComponent = value;
    if (FActionComponent)
        FActionComponent->FreeNotification(this);
}

void TBasicAction::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FActionComponent)
        FActionComponent = nullptr;
}

void TBasicAction::RegisterChanges(TBasicActionLink* link) {
    if (std::find(FClients.begin(), FClients.end(), link) == FClients.end())
        FClients.push_back(link);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* link) {
    FClients.erase(std::remove(FClients.begin(), FClients.end(), link), FClients.end());
    if (link->FAction == this)
        link->FAction = nullptr;
}

void TBasicAction::Change() {
    auto clients = FClients;
    for (TBasicActionLink* link : clients)
        link->Change();
    if (OnChange)
        OnChange(this);
}

TCustomAction::TCustomAction(TComponent* owner) : TBasicAction(owner) {
    if (auto* list = dynamic_cast<TActionList*>(owner))
        SetActionList(list);
}

TCustomAction::~TCustomAction() {
    SetActionList(nullptr);
}

void TCustomAction::SetActionList(TActionList* value) {
    if (value == FActionList)
        return;
    if (FActionList)
        std::erase(FActionList->FActions, this);
    FActionList = value;
    if (FActionList)
        FActionList->FActions.push_back(this);
}

void TCustomAction::SetCategory(const std::string& value) {
    if (SetIfChanged(FCategory, value))
        Change();
}

int32_t TCustomAction::GetIndex() const {
    if (!FActionList)
        return -1;
    const auto& actions = FActionList->FActions;
    return int32_t(std::find(actions.begin(), actions.end(), this) - actions.begin());
}

void TCustomAction::SetIndex(int32_t value) {
    if (!FActionList)
        return;
    auto& actions = FActionList->FActions;
    const int32_t count = int32_t(actions.size());
    value = std::clamp(value, 0, count - 1);
    const int32_t current = GetIndex();
    if (current == value)
        return;
    actions.erase(actions.begin() + current);
    actions.insert(actions.begin() + value, this);
}

TComponent* TCustomAction::GetParentComponent() const {
    return FActionList;
}

void TCustomAction::SetParentComponent(TComponent* value) {
    if (auto* list = dynamic_cast<TActionList*>(value))
        SetActionList(list);
}

namespace {

// Passes a new value to every link that follows the action in that property; links are asked before the
// value is stored, so that "follows" compares the client with the old value.
template <typename Test, typename SetFn>
void ActnTellLinks(std::vector<TBasicActionLink*> clients, Test test, SetFn set) {
    for (TBasicActionLink* client : clients)
        if (auto* link = dynamic_cast<TActionLink*>(client))
            if ((link->*test)())
                set(link);
}

} // namespace

void TCustomAction::SetCaption(const std::string& value) {
    if (value == FCaption)
        return;
    ActnTellLinks(FClients, &TActionLink::IsCaptionLinked, [&](TActionLink* l) { l->SetCaption(value); });
    FCaption = value;
    Change();
}

void TCustomAction::SetChecked(bool value) {
    if (value == FChecked)
        return;
    ActnTellLinks(FClients, &TActionLink::IsCheckedLinked, [&](TActionLink* l) { l->SetChecked(value); });
    FChecked = value;
    Change();
}

void TCustomAction::SetEnabled(bool value) {
    if (value == FEnabled)
        return;
    ActnTellLinks(FClients, &TActionLink::IsEnabledLinked, [&](TActionLink* l) { l->SetEnabled(value); });
    FEnabled = value;
    Change();
}

void TCustomAction::SetHelpContext(THelpContext value) {
    if (value == FHelpContext)
        return;
    ActnTellLinks(FClients, &TActionLink::IsHelpContextLinked,
                  [&](TActionLink* l) { l->SetHelpContext(value); });
    FHelpContext = value;
    Change();
}

void TCustomAction::SetHint(const std::string& value) {
    if (value == FHint)
        return;
    ActnTellLinks(FClients, &TActionLink::IsHintLinked, [&](TActionLink* l) { l->SetHint(value); });
    FHint = value;
    Change();
}

void TCustomAction::SetImageIndex(TImageIndex value) {
    if (value == FImageIndex)
        return;
    ActnTellLinks(FClients, &TActionLink::IsImageIndexLinked,
                  [&](TActionLink* l) { l->SetImageIndex(value); });
    FImageIndex = value;
    Change();
}

void TCustomAction::SetShortCut(TShortCut value) {
    if (value == FShortCut)
        return;
    ActnTellLinks(FClients, &TActionLink::IsShortCutLinked, [&](TActionLink* l) { l->SetShortCut(value); });
    FShortCut = value;
    Change();
}

void TCustomAction::SetVisible(bool value) {
    if (value == FVisible)
        return;
    ActnTellLinks(FClients, &TActionLink::IsVisibleLinked, [&](TActionLink* l) { l->SetVisible(value); });
    FVisible = value;
    Change();
}

void TCustomAction::SetOnExecute(TNotifyEvent value) {
    ActnTellLinks(FClients, &TActionLink::IsOnExecuteLinked, [&](TActionLink* l) { l->SetOnExecute(value); });
    OnExecute = std::move(value);
    Change();
}

bool TCustomAction::Execute() {
    Update();
    if (!FEnabled)
        return false;
    if (FAutoCheck)
        SetChecked(!FChecked);
    return TBasicAction::Execute();
}

bool TCustomAction::DoHint(std::string& hintStr) {
    bool canShow = true;
    if (OnHint)
        OnHint(hintStr, canShow);
    return canShow;
}

// ---- Control links -------------------------------------------------------------------------------------

TControlActionLink::TControlActionLink(TObject* client) : TActionLink(client) {
    AssignClient(client);
}

void TControlActionLink::AssignClient(TObject* client) {
    FClient = dynamic_cast<TControl*>(client);
}

bool TControlActionLink::IsCaptionLinked() {
    return TActionLink::IsCaptionLinked() && FClient && FClient->GetCaption() == CustomAction()->GetCaption();
}

bool TControlActionLink::IsEnabledLinked() {
    return TActionLink::IsEnabledLinked() && FClient && FClient->GetEnabled() == CustomAction()->GetEnabled();
}

bool TControlActionLink::IsHintLinked() {
    return TActionLink::IsHintLinked() && FClient && FClient->GetHint() == CustomAction()->GetHint();
}

bool TControlActionLink::IsVisibleLinked() {
    return TActionLink::IsVisibleLinked() && FClient && FClient->GetVisible() == CustomAction()->GetVisible();
}

bool TControlActionLink::IsOnExecuteLinked() {
    return TActionLink::IsOnExecuteLinked() && FClient && SameEvent(FClient->OnClick, FAction->OnExecute);
}

void TControlActionLink::SetCaption(const std::string& value) {
    if (FClient)
        FClient->SetCaption(value);
}

void TControlActionLink::SetEnabled(bool value) {
    if (FClient)
        FClient->SetEnabled(value);
}

void TControlActionLink::SetHint(const std::string& value) {
    if (FClient)
        FClient->SetHint(value);
}

void TControlActionLink::SetVisible(bool value) {
    if (FClient)
        FClient->SetVisible(value);
}

void TControlActionLink::SetOnExecute(const TNotifyEvent& value) {
    if (FClient)
        FClient->OnClick = value;
}

// ---- Action lists -------------------------------------------------------------------------------------

TActionList::~TActionList() {
    for (TCustomAction* a : FActions)
        a->FActionList = nullptr;
    FActions.clear();
}

TCustomAction* TActionList::GetAction(int32_t index) const {
    return index >= 0 && index < GetActionCount() ? FActions[size_t(index)] : nullptr;
}

void TActionList::GetChildren(const TGetChildProc& proc, TComponent* root) {
    const std::vector<TCustomAction*> actions = FActions;
    for (TCustomAction* a : actions)
        if (a->GetOwner() == root)
            proc(a);
}

void TActionList::SetChildOrder(TComponent* child, int32_t order) {
    if (auto* a = dynamic_cast<TCustomAction*>(child); a && a->FActionList == this)
        a->SetIndex(order);
}

bool TActionList::IsShortCut(TShortCut shortCut) {
    if (shortCut == scNone)
        return false;
    // A handler may free actions: the list is indexed afresh each time.
    for (int32_t i = 0; i < GetActionCount(); ++i) {
        TCustomAction* a = GetAction(i);
        if (a->GetShortCut() != shortCut)
            continue;
        a->Update();
        if (a->GetEnabled() && a->GetVisible()) {
            a->Execute();
            return true;
        }
    }
    return false;
}

void TActionList::UpdateActions() {
    for (int32_t i = 0; i < GetActionCount(); ++i)
        GetAction(i)->Update();
}

} // namespace vcl

#include "platform/vcl/Component.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

#include <algorithm>
#include <deque>
#include <map>
#include <mutex>

namespace vcl {

bool IsValidIdent(const std::string& ident) {
    if (ident.empty())
        return false;
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!letter(ident[0]))
        return false;
    return std::all_of(ident.begin() + 1, ident.end(),
                       [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

TComponent::TComponent(TComponent* owner) {
    if (owner)
        owner->InsertComponent(this);
}

void TComponent::BeforeDestruction() {
    // While the object is still whole: mark it, tell the watchers, leave the owner.
    Destroying();
    RemoveFreeNotifications();
    LeaveOwner();
}

TComponent::~TComponent() {
    // Does what BeforeDestruction would have done when the component was deleted directly.
    Destroying();
    RemoveFreeNotifications();
    DestroyComponents();
    LeaveOwner();
}

void TComponent::LeaveOwner() {
    if (FOwner)
        FOwner->RemoveComponent(this);
}

void TComponent::Destroying() {
    if (FComponentState.Contains(csDestroying))
        return;
    FComponentState.Include(csDestroying);
    for (TComponent* c : FComponents)
        c->Destroying();
}

void TComponent::DestroyComponents() {
    // Every binding of this root's events goes with it; none need be looked for one component at a time.
    if (FComponentState.Contains(csDestroying))
        FEventBindings.clear();
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        RemoveComponent(last);
        last->Free();
    }
}

TComponent* TComponent::GetComponent(int32_t index) const {
    if (index < 0 || index >= GetComponentCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FComponents[size_t(index)];
}

int32_t TComponent::GetComponentIndex() const {
    if (!FOwner)
        return -1;
    auto& list = FOwner->FComponents;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int32_t>(it - list.begin());
}

void TComponent::SetComponentIndex(int32_t value) {
    if (!FOwner)
        return;
    int32_t current = GetComponentIndex();
    if (current < 0)
        return;
    auto& list = FOwner->FComponents;
    value = std::clamp<int32_t>(value, 0, static_cast<int32_t>(list.size()) - 1);
    if (value == current)
        return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + value, this);
}

void TComponent::ValidateContainer(TComponent* component) {
    component->ValidateInsert(this);
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component)
        return;
    // An ownership cycle would free a component twice.
    for (TComponent* o = this; o; o = o->FOwner)
        if (o == component)
            throw EComponentError("A component cannot own itself or its owner");
    if (component->FOwner == this)
        return;
    component->ValidateContainer(this);
    ValidateRename(component, std::string(), component->FName);
    // A component has one owner: leave the previous one first.
    if (component->FOwner)
        component->FOwner->RemoveComponent(component);
    FComponents.push_back(component);
    IndexName(component, true);
    component->FOwner = this;
    component->SetFieldReference(true);
    if (FComponentState.Contains(csDesigning))
        component->SetDesigning(true);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (!component || component->FOwner != this)
        return;
    // The components of an owner being destroyed leave it without telling one another: what one of them
    // must learn of another's end it has asked for with FreeNotification (those notices still come), and
    // telling every remaining component of every departure would make freeing a form of n components cost
    // n * n calls.
    if (!FComponentState.Contains(csDestroying))
        Notification(component, opRemove);
    component->SetFieldReference(false);
    std::erase_if(FEventBindings, [component](const TEventBinding& b) { return b.Instance == component; });
    // From the end: an owner frees its components last first.
    auto it = std::find(FComponents.rbegin(), FComponents.rend(), component);
    if (it != FComponents.rend())
        FComponents.erase(std::next(it).base());
    IndexName(component, false);
    component->FOwner = nullptr;
}

void TComponent::IndexName(TComponent* component, bool add) {
    if (component->FName.empty())
        return;
    const std::string key = LowerCase(component->FName);
    if (add) {
        FNames.emplace(key, component);
        return;
    }
    auto it = FNames.find(key);
    if (it != FNames.end() && it->second == component)
        FNames.erase(it);
}

// A form class may declare a field for each component its resource creates; the field follows the
// component's name and is cleared when the component leaves (so it never points at a freed component).
// While the owner is being destroyed its own class is gone and nothing is looked up.
void TComponent::SetFieldReference(bool assign) {
    if (!FOwner || FName.empty())
        return;
    if (const TFormClassTable::TFieldEntry* field = FindField(FOwner, FName))
        field->Assign(FOwner, assign ? this : nullptr);
}

void TComponent::SetEventBinding(TPersistent* instance, const std::string& event, const std::string& method) {
    for (auto it = FEventBindings.begin(); it != FEventBindings.end(); ++it)
        if (it->Instance == instance && SameText(it->Event, event)) {
            if (method.empty())
                FEventBindings.erase(it);
            else
                it->Method = method;
            return;
        }
    if (!method.empty())
        FEventBindings.push_back({instance, event, method});
}

std::string TComponent::GetEventBinding(TPersistent* instance, const std::string& event) const {
    for (const auto& b : FEventBindings)
        if (b.Instance == instance && SameText(b.Event, event))
            return b.Method;
    return {};
}

void TComponent::ReadState(TReader* reader) {
    reader->ReadData(this);
}

void TComponent::WriteState(TWriter* writer) {
    writer->WriteData(this);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty())
        return nullptr;
    auto it = FNames.find(LowerCase(name));
    return it == FNames.end() ? nullptr : it->second;
}

void TComponent::ValidateRename(TComponent* component, const std::string& curName,
                                const std::string& newName) {
    if (!component || newName.empty() || SameText(curName, newName))
        return;
    TComponent* other = FindComponent(newName);
    if (other && other != component)
        throw EComponentError(Format("A component named %s already exists", newName));
}

void TComponent::SetName(const std::string& value) {
    if (FName == value)
        return;
    if (!value.empty() && !IsValidIdent(value))
        throw EComponentError(Format("'%s' is not a valid component name", value));
    if (FOwner)
        FOwner->ValidateRename(this, FName, value);
    else
        ValidateRename(nullptr, FName, value);
    SetFieldReference(false);
    if (FOwner)
        FOwner->IndexName(this, false);
    FName = value;
    if (FOwner)
        FOwner->IndexName(this, true);
    SetFieldReference(true);
}

void TComponent::Unlink(TComponent* component) {
    auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component);
    if (it != FFreeNotifies.end())
        FFreeNotifies.erase(it);
    if (FFreeNotifies.empty())
        FComponentState.Exclude(csFreeNotification);
}

void TComponent::FreeNotification(TComponent* component) {
    // Registered both ways even for components of one owner: either may move to another owner later.
    if (!component || component == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
        FFreeNotifies.push_back(component);
    if (std::find(component->FFreeNotifies.begin(), component->FFreeNotifies.end(), this) ==
        component->FFreeNotifies.end())
        component->FFreeNotifies.push_back(this);
    FComponentState.Include(csFreeNotification);
    component->FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component)
        return;
    Unlink(component);
    component->Unlink(this);
}

void TComponent::RemoveFreeNotifications() {
    // Unlink before notifying, so that a receiver that does not call the inherited Notification cannot
    // leave a pointer to this component behind (or keep this loop going).
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        RemoveFreeNotification(other);
        other->Notification(this, opRemove);
    }
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation != opRemove)
        return;
    // Free-notification links go both ways: without any of its own this component has none to undo.
    if (component && !FFreeNotifies.empty())
        RemoveFreeNotification(component);
    // Receivers may free components; re-check the bound on every step.
    for (size_t i = FComponents.size(); i > 0; --i) {
        if (i > FComponents.size())
            continue;
        FComponents[i - 1]->Notification(component, operation);
    }
}

void TComponent::Loaded() {
    FComponentState.Exclude(csLoading);
}

void TComponent::SetChildOwnerState(TComponentStateItem item, bool value) {
    if (value)
        FComponentState.Include(item);
    else
        FComponentState.Exclude(item);
}

void TComponent::SetDesigning(bool value, bool setChildren) {
    SetChildOwnerState(csDesigning, value);
    if (setChildren)
        for (TComponent* c : FComponents)
            c->SetDesigning(value, true);
}

void TComponent::SetDesignInstance(bool value) {
    SetChildOwnerState(csDesignInstance, value);
}

// ---- Class registry ---------------------------------------------------------------------------------

namespace {

struct CompClassRegistry {
    std::mutex Lock;
    std::deque<TPersistentClass> Records; // never shrinks: handed-out pointers stay valid
    std::map<std::string, const TPersistentClass*> ByName;
};

CompClassRegistry& CompClasses() {
    static CompClassRegistry registry;
    return registry;
}

} // namespace

void RegisterClass(const std::string& name, TPersistentFactory factory, std::type_index type) {
    auto& reg = CompClasses();
    std::lock_guard<std::mutex> guard(reg.Lock);
    std::string key = UpperCase(name);
    auto it = reg.ByName.find(key);
    if (it != reg.ByName.end()) {
        if (type != typeid(void) && it->second->Type == type)
            return;
        throw EFilerError(Format("A class named %s already exists", name));
    }
    reg.Records.push_back(TPersistentClass{name, std::move(factory), type});
    reg.ByName[key] = &reg.Records.back();
}

void UnRegisterClass(const std::string& name) {
    auto& reg = CompClasses();
    std::lock_guard<std::mutex> guard(reg.Lock);
    reg.ByName.erase(UpperCase(name));
}

const TPersistentClass* GetClass(const std::string& name) {
    auto& reg = CompClasses();
    std::lock_guard<std::mutex> guard(reg.Lock);
    auto it = reg.ByName.find(UpperCase(name));
    return it == reg.ByName.end() ? nullptr : it->second;
}

const TPersistentClass* GetClassByType(std::type_index type) {
    auto& reg = CompClasses();
    std::lock_guard<std::mutex> guard(reg.Lock);
    for (const auto& [key, record] : reg.ByName)
        if (record->Type == type)
            return record;
    return nullptr;
}

namespace {
TFindGlobalComponent& CompGlobalFinder() {
    static TFindGlobalComponent finder;
    return finder;
}
} // namespace

void SetFindGlobalComponent(TFindGlobalComponent finder) {
    CompGlobalFinder() = std::move(finder);
}

TComponent* FindGlobalComponent(const std::string& name) {
    const TFindGlobalComponent& finder = CompGlobalFinder();
    return finder ? finder(name) : nullptr;
}

const TPersistentClass* FindClass(const std::string& name) {
    const TPersistentClass* c = GetClass(name);
    if (!c)
        throw EClassNotFound(Format("Class %s not found", name));
    return c;
}

} // namespace vcl

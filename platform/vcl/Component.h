// TComponent: named, owned objects that free what they own and tell each other when they go away;
// and the registry of classes that form resources create by name.
//
// Destruction. C++ runs the most derived destructor first, so a component cannot announce its end from
// ~TComponent while it is still whole. The rule is:
//   - Free() (or FreeAndNil, or the owner) first runs BeforeDestruction while the object is whole: it
//     sets csDestroying on the component and everything it owns (Destroying), tells the components that
//     asked for a free notification, and leaves its owner, whose Notification(this, opRemove) reaches
//     the owner and all its other components, unless the owner is itself being destroyed: the components
//     of a dying owner leave it without that notice to one another (what one must learn of another's end
//     it asks for with FreeNotification), so that freeing a form of n components costs n steps, not n * n.
//     Then the destructors run; ~TComponent frees the owned components, last first.
//   - A plain delete still does all of this, but from ~TComponent, when the derived parts are already
//     gone: receivers must then only compare the pointer. Prefer Free for components.
#pragma once

#include "platform/vcl/Persistent.h"
#include "platform/vcl/Types.h"

#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <typeindex>
#include <unordered_map>
#include <vector>

namespace vcl {

enum TComponentStateItem {
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups,
    csFreeNotification,
    csInline,
    csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

enum TOperation { opInsert, opRemove };

class TComponent;
class TReader;
class TWriter;
using TGetChildProc = std::function<void(TComponent* Child)>;

class TComponent : public TPersistent {
public:
    // Joins owner's list (when not null); the owner frees it.
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    void BeforeDestruction() override;
    // Marks this component and those it owns as being destroyed (csDestroying).
    void Destroying();

    TComponent* GetOwner() override { return FOwner; }
    TComponent* GetComponent(int32_t index) const;
    int32_t GetComponentCount() const { return static_cast<int32_t>(FComponents.size()); }
    // The position in the owner's list, -1 without an owner.
    int32_t GetComponentIndex() const;
    void SetComponentIndex(int32_t value);
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    // The owned component of that name (compared without case), or null.
    TComponent* FindComponent(const std::string& name) const;
    // Frees every owned component, last first.
    void DestroyComponents();

    const std::string& GetName() const { return FName; }
    // An identifier or empty; raises EComponentError for an invalid name or one another component of
    // the same owner has.
    virtual void SetName(const std::string& value);
    intptr_t GetTag() const { return FTag; }
    void SetTag(intptr_t value) { FTag = value; }
    TComponentState GetComponentState() const { return FComponentState; }
    std::string GetNamePath() override { return FName; }

    // Both components are told (Notification opRemove) when the other one is destroyed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);
    // Called with opInsert on the owner a component joins; with opRemove on the owner a component leaves
    // unless that owner is being destroyed (the default forwards a removal to every owned component, so the
    // leaving one's siblings hear of it), and on every component that watches one being destroyed. An insertion is told to the owner alone:
    // nothing reacts to a sibling's arrival, and telling every component already there would make
    // reading a layout of n components cost n * n calls.
    virtual void Notification(TComponent* component, TOperation operation);

    // Reads this component's properties and children from a form resource (the reader calls it with
    // csLoading and csReading set).
    virtual void ReadState(TReader* reader);
    // Writes this component's properties and children.
    virtual void WriteState(TWriter* writer);
    // After loading from a form resource, once references between components are resolved: clears
    // csLoading.
    virtual void Loaded();

    // The form method bound by name to an event of one of this root's objects when it was read from a
    // form resource; the writer stores the event under that name again. Empty when none.
    void SetEventBinding(TPersistent* instance, const std::string& event, const std::string& method);
    std::string GetEventBinding(TPersistent* instance, const std::string& event) const;
    void Updating() { FComponentState.Include(csUpdating); }
    void Updated() { FComponentState.Exclude(csUpdating); }
    void SetDesigning(bool value, bool setChildren = true);
    void SetDesignInstance(bool value);

    // Streaming parentage; the defaults describe a component without a parent.
    virtual void GetChildren(const TGetChildProc& proc, TComponent* root) {}
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent* value) {}
    virtual void SetChildOrder(TComponent* child, int32_t order) {}

    virtual void ValidateRename(TComponent* component, const std::string& curName,
                                const std::string& newName);

protected:
    virtual void ValidateContainer(TComponent* component);
    virtual void ValidateInsert(TComponent* component) {}
    virtual void SetChildOwnerState(TComponentStateItem item, bool value);
    void IncludeState(TComponentStateItem item) { FComponentState.Include(item); }
    void ExcludeState(TComponentStateItem item) { FComponentState.Exclude(item); }

private:
    friend class TReader;
    friend class TWriter;
    void RemoveFreeNotifications();
    void Unlink(TComponent* component);
    void LeaveOwner();
    void SetFieldReference(bool assign);

    struct TEventBinding {
        TPersistent* Instance;
        std::string Event;
        std::string Method;
    };

    // The owned components with a name, by their name in lower case: FindComponent and the check of new
    // names look up instead of comparing with every owned component.
    void IndexName(TComponent* component, bool add);

    TComponent* FOwner = nullptr;
    std::string FName;
    intptr_t FTag = 0;
    TComponentState FComponentState;
    std::vector<TComponent*> FComponents;
    std::unordered_map<std::string, TComponent*> FNames;
    std::vector<TComponent*> FFreeNotifies;
    std::vector<TEventBinding> FEventBindings;
};

bool IsValidIdent(const std::string& ident);

// ---- Class registry ---------------------------------------------------------------------------------

// Creates an object of a registered class; components are given their owner, other objects ignore it.
using TPersistentFactory = std::function<TPersistent*(TComponent* owner)>;

struct TPersistentClass {
    std::string Name;
    TPersistentFactory Create;
    std::type_index Type = typeid(void);
};

// Registers a class by name (names compare without case). Registering the same C++ class again under its
// name is allowed; another class under a taken name raises EFilerError "A class named %s already exists".
void RegisterClass(const std::string& name, TPersistentFactory factory, std::type_index type = typeid(void));
template <typename T> void RegisterClass(const std::string& name) {
    RegisterClass(
        name,
        [](TComponent* owner) -> TPersistent* {
            if constexpr (std::is_constructible_v<T, TComponent*>)
                return new T(owner);
            else
                return new T();
        },
        typeid(T));
}
void UnRegisterClass(const std::string& name);
// The class of that name, or null. Records stay valid for the life of the program.
const TPersistentClass* GetClass(const std::string& name);
// Like GetClass, but raises EClassNotFound "Class %s not found".
const TPersistentClass* FindClass(const std::string& name);
// The class registered for that C++ type, or null.
const TPersistentClass* GetClassByType(std::type_index type);

// Finds a root component (a form) by name, for references into other roots ("Form2.Button1"). The forms
// library installs one that searches the screen's forms; without one only the reading root's owner is
// searched.
using TFindGlobalComponent = std::function<TComponent*(const std::string& name)>;
void SetFindGlobalComponent(TFindGlobalComponent finder);
TComponent* FindGlobalComponent(const std::string& name);

} // namespace vcl

// Object links, the component bases of the look-and-feel library, and the lookup of user-interface texts.
// A link is a weak reference: code that runs a handler which may free an object (a click that frees its
// item, its bar or the whole form) takes a link to the object first and afterwards asks the link whether the
// object is still there. Classes whose instances may go while a link is held call ClearObjectLinks in their
// destructors.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/Persistent.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lookandfeel {

class TlkObjectLink : public vcl::TObject {
public:
    // The object referred to; null once it was destroyed.
    vcl::TObject* Target = nullptr;
};

// A new link to object (freed with FreeObjectLink).
TlkObjectLink* CreateObjectLink(vcl::TObject* object);
void FreeObjectLink(TlkObjectLink* link);
// Clears every link to object (its destructor calls this).
void ClearObjectLinks(vcl::TObject* object);
// Links made and not yet freed; whether the process-wide controller exists; how many live links it lists.
int32_t ObjectLinkUseCount();
bool ObjectLinkControllerExists();
int32_t LiveObjectLinkCount();

// The guarded call: a link held for one scope. Alive() tells whether the object survived what ran.
class TlkObjectLinkScope {
public:
    explicit TlkObjectLinkScope(vcl::TObject* object) : FLink(CreateObjectLink(object)) {}
    ~TlkObjectLinkScope() { FreeObjectLink(FLink); }
    TlkObjectLinkScope(const TlkObjectLinkScope&) = delete;
    TlkObjectLinkScope& operator=(const TlkObjectLinkScope&) = delete;
    bool Alive() const { return FLink->Target != nullptr; }

private:
    TlkObjectLink* FLink;
};

// A persistent that knows its owner (the owner is not owned).
class TlkInterfacedPersistent : public vcl::TPersistent {
public:
    explicit TlkInterfacedPersistent(vcl::TPersistent* owner) : FOwner(owner) {}
    vcl::TPersistent* GetOwner() override { return FOwner; }

private:
    vcl::TPersistent* FOwner;
};

// A component that clears the links to itself when it goes, with three design-time component links.
class TlkComponent : public vcl::TComponent {
public:
    explicit TlkComponent(vcl::TComponent* owner) : vcl::TComponent(owner) {}
    ~TlkComponent() override;
    void BeforeDestruction() override;
    void Loaded() override;

    vcl::TComponent* FakeComponentLink1 = nullptr;
    vcl::TComponent* FakeComponentLink2 = nullptr;
    vcl::TComponent* FakeComponentLink3 = nullptr;

protected:
    // The components a designer should see beside this one; nothing in the base.
    virtual void CollectFakeComponentLinks(std::vector<vcl::TComponent*>& list) {}
    void RefreshFakeComponentLinks();
};

// The text itself, or its replacement from the override table when one is installed and holds the text.
std::string GetLocalizedString(const std::string& text);
// Installs the override table: sources[i] is shown as replacements[i]. Empty lists remove it.
void SetLocalizedStrings(const std::vector<std::string>& sources, const std::vector<std::string>& replacements);

void InitClassesModule();
void DoneClassesModule();

} // namespace lookandfeel

#include "lookandfeel/lkClasses.h"

#include "platform/vcl/StringList.h"

#include <algorithm>
#include <memory>

namespace lookandfeel {

namespace {

// The live links (those whose target is set), in creation order.
class TlkObjectLinkController {
public:
    std::vector<TlkObjectLink*> Links;
};

std::unique_ptr<TlkObjectLinkController> ObjectLinkController;
int32_t ObjectLinkUses = 0;

std::unique_ptr<vcl::TStringList> LocalizedSources;
std::unique_ptr<vcl::TStringList> LocalizedReplacements;

} // namespace

TlkObjectLink* CreateObjectLink(vcl::TObject* object) {
    ++ObjectLinkUses;
    if (!ObjectLinkController)
        ObjectLinkController = std::make_unique<TlkObjectLinkController>();
    auto* link = new TlkObjectLink;
    link->Target = object;
    ObjectLinkController->Links.push_back(link);
    return link;
}

void FreeObjectLink(TlkObjectLink* link) {
    if (!link)
        return;
    if (link->Target && ObjectLinkController) {
        auto& links = ObjectLinkController->Links;
        links.erase(std::remove(links.begin(), links.end(), link), links.end());
    }
    delete link;
    if (--ObjectLinkUses == 0)
        ObjectLinkController.reset();
}

void ClearObjectLinks(vcl::TObject* object) {
    if (!ObjectLinkController)
        return;
    auto& links = ObjectLinkController->Links;
    for (size_t i = links.size(); i-- > 0;)
        if (links[i]->Target == object) {
            links[i]->Target = nullptr;
            links.erase(links.begin() + std::ptrdiff_t(i));
        }
}

int32_t ObjectLinkUseCount() { return ObjectLinkUses; }
bool ObjectLinkControllerExists() { return ObjectLinkController != nullptr; }
int32_t LiveObjectLinkCount() { return ObjectLinkController ? int32_t(ObjectLinkController->Links.size()) : 0; }

TlkComponent::~TlkComponent() { ClearObjectLinks(this); }

void TlkComponent::BeforeDestruction() {
    if (!GetComponentState().Contains(vcl::csDestroying))
        Destroying();
    vcl::TComponent::BeforeDestruction();
}

void TlkComponent::Loaded() {
    vcl::TComponent::Loaded();
    RefreshFakeComponentLinks();
}

void TlkComponent::RefreshFakeComponentLinks() {
    const vcl::TComponentState state = GetComponentState();
    if (!state.Contains(vcl::csDesigning) || state.Contains(vcl::csDestroying) || !GetOwner())
        return;
    std::vector<vcl::TComponent*> list;
    CollectFakeComponentLinks(list);
    vcl::TComponent** links[3] = {&FakeComponentLink1, &FakeComponentLink2, &FakeComponentLink3};
    for (size_t i = 0; i < 3; ++i)
        *links[i] = i < list.size() ? list[i] : nullptr;
}

std::string GetLocalizedString(const std::string& text) {
    if (!LocalizedSources || !LocalizedReplacements)
        return text;
    const int32_t index = LocalizedSources->IndexOf(text);
    if (index < 0 || index >= LocalizedReplacements->GetCount())
        return text;
    return LocalizedReplacements->Get(index);
}

void SetLocalizedStrings(const std::vector<std::string>& sources, const std::vector<std::string>& replacements) {
    LocalizedSources.reset();
    LocalizedReplacements.reset();
    if (sources.empty())
        return;
    LocalizedSources = std::make_unique<vcl::TStringList>();
    LocalizedReplacements = std::make_unique<vcl::TStringList>();
    for (const std::string& s : sources)
        LocalizedSources->Add(s);
    for (const std::string& s : replacements)
        LocalizedReplacements->Add(s);
}

void InitClassesModule() {}

void DoneClassesModule() {
    LocalizedSources.reset();
    LocalizedReplacements.reset();
}

} // namespace lookandfeel

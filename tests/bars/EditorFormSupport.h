// The form class of the editor-shaped layout (found by its class name): the fields the layout names and its
// items' handler, which keeps the tags of the items clicked.
#pragma once

#include "BarsTestSupport.h"

#include "bars/xbBarPopupMenu.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TypInfo.h"

#include <cstdint>
#include <vector>

namespace barstest {

void RegisterTestForms();

class TBarsEditorForm : public vcl::TForm {
public:
    explicit TBarsEditorForm(vcl::TComponent* owner) : vcl::TForm(owner) {
        InitInheritedComponent(typeid(TBarsEditorForm));
    }
    struct NoLayout {};
    TBarsEditorForm(vcl::TComponent* owner, NoLayout) : vcl::TForm(owner) {}
    bars::TxbBarManager* xbBarManager1 = nullptr;
    bars::TxbBarPopupMenu* pumFrames = nullptr;
    std::vector<intptr_t> Clicked;
    void MenuItemClick(vcl::TObject* sender) { Clicked.push_back(static_cast<vcl::TComponent*>(sender)->GetTag()); }
};

// Registers the test layouts and the form class's fields and handler.
inline void DefineBarsEditorForm() {
    RegisterTestForms();
    vcl::DefineFormClass<TBarsEditorForm, vcl::TForm>()
        .Field("xbBarManager1", &TBarsEditorForm::xbBarManager1)
        .Field("pumFrames", &TBarsEditorForm::pumFrames)
        .Method("MenuItemClick", &TBarsEditorForm::MenuItemClick);
}

} // namespace barstest

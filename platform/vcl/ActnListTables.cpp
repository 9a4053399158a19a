// Property tables of action lists and actions.
#include "platform/vcl/ClassTables.h"

#include "platform/vcl/ActnList.h"

namespace vcl {

void RegisterActnListTables() {
    DefineClassProperties<TActionList, TComponent>();
    DefineClassProperties<TBasicAction, TComponent>().Event("OnUpdate", &TBasicAction::OnUpdate);
    AddEventAccessor<TBasicAction, void(TObject*)>(
        "OnExecute", [](TBasicAction* a) { return a->OnExecute; },
        [](TBasicAction* a, TNotifyEvent handler) {
            // A custom action passes its handler on to the clients that take it as their click.
            if (auto* custom = dynamic_cast<TCustomAction*>(a))
                custom->SetOnExecute(std::move(handler));
            else
                a->OnExecute = std::move(handler);
        });
    DefineClassProperties<TCustomAction, TBasicAction>()
        .Property("AutoCheck", &TCustomAction::GetAutoCheck, &TCustomAction::SetAutoCheck)
        .Property("Caption", &TCustomAction::GetCaption, &TCustomAction::SetCaption)
        .Property("Checked", &TCustomAction::GetChecked, &TCustomAction::SetChecked)
        .Property("Enabled", &TCustomAction::GetEnabled, &TCustomAction::SetEnabled)
        .Property("HelpContext", &TCustomAction::GetHelpContext, &TCustomAction::SetHelpContext)
        .Property("Hint", &TCustomAction::GetHint, &TCustomAction::SetHint)
        .Property("ImageIndex", &TCustomAction::GetImageIndex, &TCustomAction::SetImageIndex)
        .Property("ShortCut", &TCustomAction::GetShortCut, &TCustomAction::SetShortCut)
        .Property("Visible", &TCustomAction::GetVisible, &TCustomAction::SetVisible)
        .Event("OnHint", &TCustomAction::OnHint)
        // The category an action is shown under in its list.
        .Property("Category", &TCustomAction::GetCategory, &TCustomAction::SetCategory);
    DefineClassProperties<TAction, TCustomAction>();
}

} // namespace vcl

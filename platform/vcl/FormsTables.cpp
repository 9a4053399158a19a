// Property tables of forms.
#include "platform/vcl/ClassTables.h"

#include "platform/vcl/Forms.h"

namespace vcl {

void RegisterFormsTables() {
    DefineClassProperties<TCustomForm, TWinControl>()
        .Property("ActiveControl", &TCustomForm::GetActiveControl, &TCustomForm::SetActiveControl)
        .Property("BorderIcons", &TCustomForm::GetBorderIcons, &TCustomForm::SetBorderIcons)
        .Property("BorderStyle", &TCustomForm::GetBorderStyle, &TCustomForm::SetBorderStyle)
        .Property("Caption", &TCustomForm::GetCaption, &TCustomForm::SetCaption)
        .Property("ClientHeight", &TCustomForm::GetClientHeight, &TCustomForm::SetClientHeight)
        .Property("ClientWidth", &TCustomForm::GetClientWidth, &TCustomForm::SetClientWidth)
        .Property("FormStyle", &TCustomForm::GetFormStyle, &TCustomForm::SetFormStyle)
        .Property("KeyPreview", &TCustomForm::GetKeyPreview, &TCustomForm::SetKeyPreview)
        .Property("Position", &TCustomForm::GetPosition, &TCustomForm::SetPosition)
        .Property("WindowState", &TCustomForm::GetWindowState, &TCustomForm::SetWindowState)
        .Event("OnActivate", &TCustomForm::OnActivate)
        .Event("OnClose", &TCustomForm::OnClose)
        .Event("OnCloseQuery", &TCustomForm::OnCloseQuery)
        .Event("OnCreate", &TCustomForm::OnCreate)
        .Event("OnDeactivate", &TCustomForm::OnDeactivate)
        .Event("OnDestroy", &TCustomForm::OnDestroy)
        .Event("OnHide", &TCustomForm::OnHide)
        .Event("OnShow", &TCustomForm::OnShow);
    DefineClassProperties<TForm, TCustomForm>();
}

} // namespace vcl

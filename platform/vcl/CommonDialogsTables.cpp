// Property tables of the open, save and colour dialogs.
#include "platform/vcl/ClassTables.h"

#include "platform/vcl/CommonDialogs.h"

namespace vcl {

void RegisterCommonDialogsTables() {
    DefineClassProperties<TCommonDialog, TComponent>();
    DefineClassProperties<TOpenDialog, TCommonDialog>()
        .Property("DefaultExt", &TOpenDialog::GetDefaultExt, &TOpenDialog::SetDefaultExt)
        .Property("FileName", &TOpenDialog::GetFileName, &TOpenDialog::SetFileName)
        .Property("Filter", &TOpenDialog::GetFilter, &TOpenDialog::SetFilter)
        .Property("FilterIndex", &TOpenDialog::GetFilterIndex, &TOpenDialog::SetFilterIndex)
        .Property("InitialDir", &TOpenDialog::GetInitialDir, &TOpenDialog::SetInitialDir)
        .Property("Options", &TOpenDialog::GetOptions, &TOpenDialog::SetOptions)
        .Property("Title", &TOpenDialog::GetTitle, &TOpenDialog::SetTitle);
    DefineClassProperties<TSaveDialog, TOpenDialog>();
    DefineClassProperties<TColorDialog, TCommonDialog>().Property("Color", &TColorDialog::GetColor,
                                                                  &TColorDialog::SetColor, ColorIdents());
}

} // namespace vcl

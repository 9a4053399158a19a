// Property tables of the standard controls: buttons, edits, memos, list and combo boxes, check boxes, radio
// buttons, group boxes and labels.
#include "platform/vcl/ClassTables.h"

#include "platform/vcl/StdCtrls.h"

namespace vcl {

namespace {

// A one-character property that form files write as a string ('*'); an empty string is #0.
template <class T> std::string VclGetPasswordChar(T* edit) {
    const char c = edit->GetPasswordChar();
    return c ? std::string(1, c) : std::string();
}
template <class T> void VclSetPasswordChar(T* edit, const std::string& value) {
    edit->SetPasswordChar(value.empty() ? '\0' : value[0]);
}

} // namespace

void RegisterStdCtrlsTables() {
    DefineClassProperties<TButton, TWinControl>()
        .Property("Cancel", &TButton::GetCancel, &TButton::SetCancel)
        .Property("Caption", &TButton::GetCaption, &TButton::SetCaption)
        .Property("Default", &TButton::GetDefault, &TButton::SetDefault)
        .Property("ModalResult", &TButton::GetModalResult, &TButton::SetModalResult);

    DefineClassProperties<TCustomEdit, TWinControl>()
        .Property("AutoSelect", &TCustomEdit::GetAutoSelect, &TCustomEdit::SetAutoSelect)
        .Property("BorderStyle", &TCustomEdit::GetBorderStyle, &TCustomEdit::SetBorderStyle)
        .Property("CharCase", &TCustomEdit::GetCharCase, &TCustomEdit::SetCharCase)
        .Property("HideSelection", &TCustomEdit::GetHideSelection, &TCustomEdit::SetHideSelection)
        .Property("MaxLength", &TCustomEdit::GetMaxLength, &TCustomEdit::SetMaxLength)
        .Property("PasswordChar", &VclGetPasswordChar<TCustomEdit>, &VclSetPasswordChar<TCustomEdit>)
        .Property("ReadOnly", &TCustomEdit::GetReadOnly, &TCustomEdit::SetReadOnly)
        .Event("OnChange", &TCustomEdit::OnChange);
    DefineClassProperties<TEdit, TCustomEdit>().Property("Text", &TEdit::GetText, &TEdit::SetText);
    DefineClassProperties<TMemo, TCustomEdit>()
        .Property("Alignment", &TMemo::GetAlignment, &TMemo::SetAlignment)
        .Property("Lines", &TMemo::GetLines, &TMemo::SetLines)
        .Property("ScrollBars", &TMemo::GetScrollBars, &TMemo::SetScrollBars)
        .Property("WantReturns", &TMemo::GetWantReturns, &TMemo::SetWantReturns)
        .Property("WantTabs", &TMemo::GetWantTabs, &TMemo::SetWantTabs)
        .Property("WordWrap", &TMemo::GetWordWrap, &TMemo::SetWordWrap);

    DefineClassProperties<TCustomListControl, TWinControl>()
        .Property("Items", &TCustomListControl::GetItems, &TCustomListControl::SetItems)
        .Property("Sorted", &TCustomListControl::GetSorted, &TCustomListControl::SetSorted);
    DefineClassProperties<TCustomListBox, TCustomListControl>()
        .Property("BorderStyle", &TCustomListBox::GetBorderStyle, &TCustomListBox::SetBorderStyle)
        .Property("ExtendedSelect", &TCustomListBox::GetExtendedSelect, &TCustomListBox::SetExtendedSelect)
        .Property("ItemHeight", &TCustomListBox::GetItemHeight, &TCustomListBox::SetItemHeight)
        .Property("MultiSelect", &TCustomListBox::GetMultiSelect, &TCustomListBox::SetMultiSelect)
        .Property("Style", &TCustomListBox::GetStyle, &TCustomListBox::SetStyle)
        .Property("TabWidth", &TCustomListBox::GetTabWidth, &TCustomListBox::SetTabWidth)
        .Event("OnDrawItem", &TCustomListBox::OnDrawItem)
        .Event("OnMeasureItem", &TCustomListBox::OnMeasureItem);
    DefineClassProperties<TListBox, TCustomListBox>();

    DefineClassProperties<TCustomComboBox, TCustomListControl>()
        .Property("AutoDropDown", &TCustomComboBox::GetAutoDropDown, &TCustomComboBox::SetAutoDropDown)
        .Property("CharCase", &TCustomComboBox::GetCharCase, &TCustomComboBox::SetCharCase)
        .Property("DropDownCount", &TCustomComboBox::GetDropDownCount, &TCustomComboBox::SetDropDownCount)
        .Property("ItemHeight", &TCustomComboBox::GetItemHeight, &TCustomComboBox::SetItemHeight)
        .Property("ItemIndex", &TCustomComboBox::GetItemIndex, &TCustomComboBox::SetItemIndex)
        .Property("MaxLength", &TCustomComboBox::GetMaxLength, &TCustomComboBox::SetMaxLength)
        .Property("Style", &TCustomComboBox::GetStyle, &TCustomComboBox::SetStyle)
        .Event("OnChange", &TCustomComboBox::OnChange)
        .Event("OnCloseUp", &TCustomComboBox::OnCloseUp)
        .Event("OnDrawItem", &TCustomComboBox::OnDrawItem)
        .Event("OnDropDown", &TCustomComboBox::OnDropDown)
        .Event("OnMeasureItem", &TCustomComboBox::OnMeasureItem)
        .Event("OnSelect", &TCustomComboBox::OnSelect);
    DefineClassProperties<TComboBox, TCustomComboBox>().Property("Text", &TComboBox::GetText,
                                                                 &TComboBox::SetText);

    DefineClassProperties<TButtonControl, TWinControl>()
        .Property("Alignment", &TButtonControl::GetAlignment, &TButtonControl::SetAlignment)
        .Property("Caption", &TButtonControl::GetCaption, &TButtonControl::SetCaption)
        .Property("WordWrap", &TButtonControl::GetWordWrap, &TButtonControl::SetWordWrap);
    DefineClassProperties<TCustomCheckBox, TButtonControl>()
        .Property("AllowGrayed", &TCustomCheckBox::GetAllowGrayed, &TCustomCheckBox::SetAllowGrayed)
        .Property("Checked", &TCustomCheckBox::GetChecked, &TCustomCheckBox::SetChecked)
        .Property("State", &TCustomCheckBox::GetState, &TCustomCheckBox::SetState);
    DefineClassProperties<TCheckBox, TCustomCheckBox>();
    DefineClassProperties<TRadioButton, TButtonControl>().Property("Checked", &TRadioButton::GetChecked,
                                                                   &TRadioButton::SetChecked);

    DefineClassProperties<TCustomGroupBox, TCustomControl>().Property("Caption", &TCustomGroupBox::GetCaption,
                                                                      &TCustomGroupBox::SetCaption);
    DefineClassProperties<TGroupBox, TCustomGroupBox>();

    DefineClassProperties<TCustomLabel, TGraphicControl>()
        .Property("Alignment", &TCustomLabel::GetAlignment, &TCustomLabel::SetAlignment)
        .Property("AutoSize", &TCustomLabel::GetAutoSize, &TCustomLabel::SetAutoSize)
        .Property("Caption", &TCustomLabel::GetCaption, &TCustomLabel::SetCaption)
        .Property("FocusControl", &TCustomLabel::GetFocusControl, &TCustomLabel::SetFocusControl)
        .Property("Layout", &TCustomLabel::GetLayout, &TCustomLabel::SetLayout)
        .Property("ShowAccelChar", &TCustomLabel::GetShowAccelChar, &TCustomLabel::SetShowAccelChar)
        .Property("Transparent", &TCustomLabel::GetTransparent, &TCustomLabel::SetTransparent)
        .Property("WordWrap", &TCustomLabel::GetWordWrap, &TCustomLabel::SetWordWrap);
    DefineClassProperties<TLabel, TCustomLabel>();
}

} // namespace vcl

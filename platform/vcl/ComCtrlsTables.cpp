// Property tables of the common controls: list views, status bars, progress and track bars, up-down buttons,
// page controls and their pages.
#include "platform/vcl/ClassTables.h"

#include "platform/vcl/ComCtrls.h"

namespace vcl {

void RegisterComCtrlsTables() {
    DefineClassProperties<TListColumn, TCollectionItem>()
        .Property("Alignment", &TListColumn::GetAlignment, &TListColumn::SetAlignment)
        .Property("Caption", &TListColumn::GetCaption, &TListColumn::SetCaption)
        .Property("ImageIndex", &TListColumn::GetImageIndex, &TListColumn::SetImageIndex)
        .Property("Width", &TListColumn::GetWidth, &TListColumn::SetWidth);
    DefineClassProperties<TListColumns, TCollection>();
    DefineClassProperties<TListItems, TPersistent>();

    DefineClassProperties<TCustomListView, TWinControl>()
        .Property("Checkboxes", &TCustomListView::GetCheckboxes, &TCustomListView::SetCheckboxes)
        .Property("ColumnClick", &TCustomListView::GetColumnClick, &TCustomListView::SetColumnClick)
        .Property("Columns", &TCustomListView::GetColumns)
        .Property("GridLines", &TCustomListView::GetGridLines, &TCustomListView::SetGridLines)
        .Property("HideSelection", &TCustomListView::GetHideSelection, &TCustomListView::SetHideSelection)
        .Property("Items", &TCustomListView::GetItems)
        .Property("MultiSelect", &TCustomListView::GetMultiSelect, &TCustomListView::SetMultiSelect)
        .Property("ReadOnly", &TCustomListView::GetReadOnly, &TCustomListView::SetReadOnly)
        .Property("RowSelect", &TCustomListView::GetRowSelect, &TCustomListView::SetRowSelect)
        .Property("ShowColumnHeaders", &TCustomListView::GetShowColumnHeaders,
                  &TCustomListView::SetShowColumnHeaders)
        .Property("SmallImages", &TCustomListView::GetSmallImages, &TCustomListView::SetSmallImages)
        .Property("ViewStyle", &TCustomListView::GetViewStyle, &TCustomListView::SetViewStyle)
        .Event("OnChange", &TCustomListView::OnChange)
        .Event("OnChanging", &TCustomListView::OnChanging)
        .Event("OnColumnClick", &TCustomListView::OnColumnClick)
        .Event("OnCompare", &TCustomListView::OnCompare)
        .Event("OnCustomDrawItem", &TCustomListView::OnCustomDrawItem)
        .Event("OnDeletion", &TCustomListView::OnDeletion)
        .Event("OnEdited", &TCustomListView::OnEdited)
        .Event("OnEditing", &TCustomListView::OnEditing)
        .Event("OnSelectItem", &TCustomListView::OnSelectItem);
    DefineClassProperties<TListView, TCustomListView>();

    DefineClassProperties<TStatusPanel, TCollectionItem>()
        .Property("Alignment", &TStatusPanel::GetAlignment, &TStatusPanel::SetAlignment)
        .Property("Bevel", &TStatusPanel::GetBevel, &TStatusPanel::SetBevel)
        .Property("Style", &TStatusPanel::GetStyle, &TStatusPanel::SetStyle)
        .Property("Text", &TStatusPanel::GetText, &TStatusPanel::SetText)
        .Property("Width", &TStatusPanel::GetWidth, &TStatusPanel::SetWidth);
    DefineClassProperties<TStatusPanels, TCollection>();
    DefineClassProperties<TStatusBar, TWinControl>()
        .Property("Panels", &TStatusBar::GetPanels)
        .Property("SimplePanel", &TStatusBar::GetSimplePanel, &TStatusBar::SetSimplePanel)
        .Property("SimpleText", &TStatusBar::GetSimpleText, &TStatusBar::SetSimpleText)
        .Property("SizeGrip", &TStatusBar::GetSizeGrip, &TStatusBar::SetSizeGrip)
        .Event("OnDrawPanel", &TStatusBar::OnDrawPanel);

    // Limits before the position, so that a position read next is kept within the limits read.
    DefineClassProperties<TProgressBar, TWinControl>()
        .Property("Max", &TProgressBar::GetMax, &TProgressBar::SetMax)
        .Property("Min", &TProgressBar::GetMin, &TProgressBar::SetMin)
        .Property("Orientation", &TProgressBar::GetOrientation, &TProgressBar::SetOrientation)
        .Property("Position", &TProgressBar::GetPosition, &TProgressBar::SetPosition)
        .Property("Smooth", &TProgressBar::GetSmooth, &TProgressBar::SetSmooth)
        .Property("Step", &TProgressBar::GetStep, &TProgressBar::SetStep);

    DefineClassProperties<TTrackBar, TWinControl>()
        .Property("Max", &TTrackBar::GetMax, &TTrackBar::SetMax)
        .Property("Min", &TTrackBar::GetMin, &TTrackBar::SetMin)
        .Property("Frequency", &TTrackBar::GetFrequency, &TTrackBar::SetFrequency)
        .Property("LineSize", &TTrackBar::GetLineSize, &TTrackBar::SetLineSize)
        .Property("Orientation", &TTrackBar::GetOrientation, &TTrackBar::SetOrientation)
        .Property("PageSize", &TTrackBar::GetPageSize, &TTrackBar::SetPageSize)
        .Property("Position", &TTrackBar::GetPosition, &TTrackBar::SetPosition)
        .Property("ThumbLength", &TTrackBar::GetThumbLength, &TTrackBar::SetThumbLength)
        .Property("TickStyle", &TTrackBar::GetTickStyle, &TTrackBar::SetTickStyle)
        .Event("OnChange", &TTrackBar::OnChange);

    DefineClassProperties<TUpDown, TWinControl>()
        .Property("AlignButton", &TUpDown::GetAlignButton, &TUpDown::SetAlignButton)
        .Property("ArrowKeys", &TUpDown::GetArrowKeys, &TUpDown::SetArrowKeys)
        .Property("Associate", &TUpDown::GetAssociate, &TUpDown::SetAssociate)
        .Property("Increment", &TUpDown::GetIncrement, &TUpDown::SetIncrement)
        .Property("Max", &TUpDown::GetMax, &TUpDown::SetMax)
        .Property("Min", &TUpDown::GetMin, &TUpDown::SetMin)
        .Property("Orientation", &TUpDown::GetOrientation, &TUpDown::SetOrientation)
        .Property("Position", &TUpDown::GetPosition, &TUpDown::SetPosition)
        .Property("Thousands", &TUpDown::GetThousands, &TUpDown::SetThousands)
        .Property("Wrap", &TUpDown::GetWrap, &TUpDown::SetWrap)
        .Event("OnChanging", &TUpDown::OnChanging)
        .Event("OnClick", &TUpDown::OnClick);

    // A page's place among the pages is the order the pages are written in, and which page shows is the page
    // control's ActivePage: neither PageIndex nor Visible is the page's own to store.
    DefineClassProperties<TTabSheet, TWinControl>()
        .Property("Caption", &TTabSheet::GetCaption, &TTabSheet::SetCaption)
        .Property("TabVisible", &TTabSheet::GetTabVisible, &TTabSheet::SetTabVisible)
        .Property("Visible", &TTabSheet::GetVisible, &TTabSheet::SetVisible)
        .Stored([](TTabSheet*) { return false; });
    DefineClassProperties<TPageControl, TWinControl>()
        .Property("ActivePage", &TPageControl::GetActivePage, &TPageControl::SetActivePage)
        .Property("TabPosition", &TPageControl::GetTabPosition, &TPageControl::SetTabPosition)
        .Event("OnChange", &TPageControl::OnChange)
        .Event("OnChanging", &TPageControl::OnChanging);
}

} // namespace vcl

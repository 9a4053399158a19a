// Property tables of components, controls and the persistent objects they hold (string lists, collections,
// size constraints).
#include "platform/vcl/ClassTables.h"

#include "platform/vcl/ActnList.h"
#include "platform/vcl/Collection.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/StringList.h"

namespace vcl {

namespace {

bool VclGetOwnShowHint(TControl* control) {
    return !control->GetParentShowHint() && control->GetShowHint();
}

} // namespace

void RegisterControlsTables() {
    // A component's name is stored in its object line, not as a property.
    // Tag 0 is left out also where the writer has no fresh object to compare with.
    DefineClassProperties<TComponent, TPersistent>()
        .Property("Tag", &TComponent::GetTag, &TComponent::SetTag)
        .Default(intptr_t(0));

    // String lists and collections store their content through their own pseudo-properties ("Strings",
    // collection items); their tables only let lookups reach TPersistent.
    DefineClassProperties<TStrings, TPersistent>();
    DefineClassProperties<TStringList, TStrings>();
    DefineClassProperties<TCollection, TPersistent>();
    DefineClassProperties<TCollectionItem, TPersistent>();

    DefineClassProperties<TSizeConstraints, TPersistent>()
        .Property("MaxHeight", &TSizeConstraints::GetMaxHeight, &TSizeConstraints::SetMaxHeight)
        .Property("MaxWidth", &TSizeConstraints::GetMaxWidth, &TSizeConstraints::SetMaxWidth)
        .Property("MinHeight", &TSizeConstraints::GetMinHeight, &TSizeConstraints::SetMinHeight)
        .Property("MinWidth", &TSizeConstraints::GetMinWidth, &TSizeConstraints::SetMinWidth);

    DefineClassProperties<TControl, TComponent>()
        .Property("Left", &TControl::GetLeft, &TControl::SetLeft)
        .Property("Top", &TControl::GetTop, &TControl::SetTop)
        .Property("Width", &TControl::GetWidth, &TControl::SetWidth)
        .Property("Height", &TControl::GetHeight, &TControl::SetHeight)
        .Property("Action", &TControl::GetAction, &TControl::SetAction)
        .Property("Align", &TControl::GetAlign, &TControl::SetAlign)
        .Property("Anchors", &TControl::GetAnchors, &TControl::SetAnchors)
        .Property("AutoSize", &TControl::GetAutoSize, &TControl::SetAutoSize)
        // A mode that follows the parent's is not the control's own (as Color and Font below).
        .Property("BiDiMode", &TControl::GetBiDiMode, &TControl::SetBiDiMode)
        .Stored([](TControl* c) { return !c->GetParentBiDiMode(); })
        // A colour and a font that follow the parent's are not the control's own: storing them would
        // read back as settings of its own and cut the control loose from its parent.
        .Property("Color", &TControl::GetColor, &TControl::SetColor, ColorIdents())
        .Stored([](TControl* c) { return !c->GetParentColor(); })
        .Property("Constraints", &TControl::GetConstraints)
        .Property("Cursor", &TControl::GetCursor, &TControl::SetCursor, CursorIdents())
        .Property("DragCursor", &TControl::GetDragCursor, &TControl::SetDragCursor, CursorIdents())
        .Property("DragKind", &TControl::GetDragKind, &TControl::SetDragKind)
        .Property("DragMode", &TControl::GetDragMode, &TControl::SetDragMode)
        .Property("Enabled", &TControl::GetEnabled, &TControl::SetEnabled)
        .Property("Font", &TControl::GetFont, &TControl::SetFont)
        .Stored([](TControl* c) { return !c->GetParentFont(); })
        .Property("HelpContext", &TControl::GetHelpContext, &TControl::SetHelpContext)
        .Property("Hint", &TControl::GetHint, &TControl::SetHint)
        .Property("ParentBiDiMode", &TControl::GetParentBiDiMode, &TControl::SetParentBiDiMode)
        .Property("ParentColor", &TControl::GetParentColor, &TControl::SetParentColor)
        .Property("ParentFont", &TControl::GetParentFont, &TControl::SetParentFont)
        // A control that follows its parent's ShowHint has no setting of its own to store; a layout that has
        // both ends with ParentShowHint as it says.
        .Property("ShowHint", &VclGetOwnShowHint, &TControl::SetShowHint)
        .Property("ParentShowHint", &TControl::GetParentShowHint, &TControl::SetParentShowHint)
        .Property("PopupMenu", &TControl::GetPopupMenu, &TControl::SetPopupMenu)
        .Property("Visible", &TControl::GetVisible, &TControl::SetVisible)
        .Event("OnContextPopup", &TControl::OnContextPopup)
        .Event("OnClick", &TControl::OnClick)
        .Event("OnDblClick", &TControl::OnDblClick)
        .Event("OnDragDrop", &TControl::OnDragDrop)
        .Event("OnDragOver", &TControl::OnDragOver)
        .Event("OnEndDock", &TControl::OnEndDock)
        .Event("OnEndDrag", &TControl::OnEndDrag)
        .Event("OnMouseDown", &TControl::OnMouseDown)
        .Event("OnMouseEnter", &TControl::OnMouseEnter)
        .Event("OnMouseLeave", &TControl::OnMouseLeave)
        .Event("OnMouseMove", &TControl::OnMouseMove)
        .Event("OnMouseUp", &TControl::OnMouseUp)
        .Event("OnMouseWheel", &TControl::OnMouseWheel)
        .Event("OnMouseWheelDown", &TControl::OnMouseWheelDown)
        .Event("OnMouseWheelUp", &TControl::OnMouseWheelUp)
        .Event("OnResize", &TControl::OnResize)
        .Event("OnStartDock", &TControl::OnStartDock)
        .Event("OnStartDrag", &TControl::OnStartDrag);

    DefineClassProperties<TWinControl, TControl>()
        .Property("Ctl3D", &TWinControl::GetCtl3D, &TWinControl::SetCtl3D)
        .Stored([](TWinControl* c) { return !c->GetParentCtl3D(); })
        .Property("DoubleBuffered", &TWinControl::GetDoubleBuffered, &TWinControl::SetDoubleBuffered)
        .Property("ParentCtl3D", &TWinControl::GetParentCtl3D, &TWinControl::SetParentCtl3D)
        .Property("DockSite", &TWinControl::GetDockSite, &TWinControl::SetDockSite)
        .Property("TabOrder", &TWinControl::GetTabOrder, &TWinControl::SetTabOrder)
        .Property("TabStop", &TWinControl::GetTabStop, &TWinControl::SetTabStop)
        .Property("UseDockManager", &TWinControl::GetUseDockManager, &TWinControl::SetUseDockManager)
        .Event("OnDockDrop", &TWinControl::OnDockDrop)
        .Event("OnDockOver", &TWinControl::OnDockOver)
        .Event("OnEnter", &TWinControl::OnEnter)
        .Event("OnExit", &TWinControl::OnExit)
        .Event("OnKeyDown", &TWinControl::OnKeyDown)
        .Event("OnKeyPress", &TWinControl::OnKeyPress)
        .Event("OnKeyUp", &TWinControl::OnKeyUp)
        .Event("OnUnDock", &TWinControl::OnUnDock);
    DefineClassProperties<TCustomControl, TWinControl>();
    DefineClassProperties<TGraphicControl, TControl>();
}

} // namespace vcl

// Registration of the class library's classes for form resources: class names, enumeration names,
// identifiers of colours and cursors, and the property table of each class.
//
// Every class that a form file can name, and every class between it and TComponent, gets a table (empty
// when it adds nothing) so that lookups from a derived class made elsewhere find their way to the bases.
// Properties sit on the first class that has them in this library (TCustomEdit rather than TEdit), so that
// controls derived from the abstract bases read the same properties.
#include "platform/vcl/VclClasses.h"

#include "platform/vcl/ActnList.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/Collection.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclGraphicsClasses.h"

namespace vcl {

const TIdentMap* ColorIdents() {
    // The first name of a value is the one written; later duplicates (clLtGray, clDkGray) are read only.
    static const TIdentMap map{{
        {clBlack, "clBlack"},
        {clMaroon, "clMaroon"},
        {clGreen, "clGreen"},
        {clOlive, "clOlive"},
        {clNavy, "clNavy"},
        {clPurple, "clPurple"},
        {clTeal, "clTeal"},
        {clGray, "clGray"},
        {clSilver, "clSilver"},
        {clRed, "clRed"},
        {clLime, "clLime"},
        {clYellow, "clYellow"},
        {clBlue, "clBlue"},
        {clFuchsia, "clFuchsia"},
        {clAqua, "clAqua"},
        {clWhite, "clWhite"},
        {clMoneyGreen, "clMoneyGreen"},
        {clSkyBlue, "clSkyBlue"},
        {clCream, "clCream"},
        {clMedGray, "clMedGray"},
        {clLtGray, "clLtGray"},
        {clDkGray, "clDkGray"},
        {clNone, "clNone"},
        {clDefault, "clDefault"},
        {clScrollBar, "clScrollBar"},
        {clBackground, "clBackground"},
        {clActiveCaption, "clActiveCaption"},
        {clInactiveCaption, "clInactiveCaption"},
        {clMenu, "clMenu"},
        {clWindow, "clWindow"},
        {clWindowFrame, "clWindowFrame"},
        {clMenuText, "clMenuText"},
        {clWindowText, "clWindowText"},
        {clCaptionText, "clCaptionText"},
        {clActiveBorder, "clActiveBorder"},
        {clInactiveBorder, "clInactiveBorder"},
        {clAppWorkSpace, "clAppWorkSpace"},
        {clHighlight, "clHighlight"},
        {clHighlightText, "clHighlightText"},
        {clBtnFace, "clBtnFace"},
        {clBtnShadow, "clBtnShadow"},
        {clGrayText, "clGrayText"},
        {clBtnText, "clBtnText"},
        {clInactiveCaptionText, "clInactiveCaptionText"},
        {clBtnHighlight, "clBtnHighlight"},
        {cl3DDkShadow, "cl3DDkShadow"},
        {cl3DLight, "cl3DLight"},
        {clInfoText, "clInfoText"},
        {clInfoBk, "clInfoBk"},
        {clHotLight, "clHotLight"},
        {clGradientActiveCaption, "clGradientActiveCaption"},
        {clGradientInactiveCaption, "clGradientInactiveCaption"},
    }};
    return &map;
}

const TIdentMap* CursorIdents() {
    // The standard cursors; the window system shows the arrow for those it has no shape of.
    static const TIdentMap map{{
        {crDefault, "crDefault"},
        {crNone, "crNone"},
        {crArrow, "crArrow"},
        {crCross, "crCross"},
        {crIBeam, "crIBeam"},
        {crSizeNESW, "crSizeNESW"},
        {crSizeNS, "crSizeNS"},
        {crSizeNWSE, "crSizeNWSE"},
        {crSizeWE, "crSizeWE"},
        {crUpArrow, "crUpArrow"},
        {crHourGlass, "crHourGlass"},
        {crDrag, "crDrag"},
        {-13, "crNoDrop"},
        {-14, "crHSplit"},
        {-15, "crVSplit"},
        {-16, "crMultiDrag"},
        {-17, "crSQLWait"},
        {crNo, "crNo"},
        {crAppStart, "crAppStart"},
        {crHelp, "crHelp"},
        {crHandPoint, "crHandPoint"},
        {crSizeAll, "crSizeAll"},
    }};
    return &map;
}

namespace {

// The character sets a font names in form files.
const TIdentMap* VclCharsetIdents() {
    static const TIdentMap map{{
        {0, "ANSI_CHARSET"},      {1, "DEFAULT_CHARSET"},    {2, "SYMBOL_CHARSET"},
        {77, "MAC_CHARSET"},      {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},
        {130, "JOHAB_CHARSET"},   {134, "GB2312_CHARSET"},   {136, "CHINESEBIG5_CHARSET"},
        {161, "GREEK_CHARSET"},   {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
        {177, "HEBREW_CHARSET"},  {178, "ARABIC_CHARSET"},   {186, "BALTIC_CHARSET"},
        {204, "RUSSIAN_CHARSET"}, {222, "THAI_CHARSET"},     {238, "EASTEUROPE_CHARSET"},
        {255, "OEM_CHARSET"},
    }};
    return &map;
}

std::vector<std::string>& VclRegisteredNames() {
    static std::vector<std::string> names;
    return names;
}

template <class T> void VclRegister(const char* name) {
    RegisterClass<T>(name);
    VclRegisteredNames().emplace_back(name);
}

// An event whose handler is set through a method (the handler is passed on, or starts a timer) rather than
// held in a public member.
template <class T, class F, class G, class S> void VclAddEventAccessor(const char* name, G getter, S setter) {
    TPropInfo p;
    p.Name = name;
    p.Kind = tkMethod;
    p.ClassType = typeid(std::function<F>);
    p.SetMethod = [setter](TPersistent* o, const std::any& handler) {
        T* self = static_cast<T*>(o);
        if (!handler.has_value()) {
            std::invoke(setter, self, std::function<F>());
            return;
        }
        const auto* f = std::any_cast<std::function<F>>(&handler);
        if (!f)
            ThrowInvalidPropertyValue();
        std::invoke(setter, self, *f);
    };
    p.HasMethod = [getter](TPersistent* o) {
        return static_cast<bool>(std::invoke(getter, static_cast<T*>(o)));
    };
    AddPropInfo(ClassPropertyTable(typeid(T), typeid(void)), std::move(p));
}

// ---- Enumeration names ----------------------------------------------------------------------------------

void VclRegisterEnums() {
    RegisterEnumNames<TAlign>({"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"});
    RegisterEnumNames<TAnchorKind>({"akLeft", "akTop", "akRight", "akBottom"});
    RegisterEnumNames<TDragKind>({"dkDrag", "dkDock"});
    RegisterEnumNames<TDragMode>({"dmManual", "dmAutomatic"});
    RegisterEnumNames<TMouseButton>({"mbLeft", "mbRight", "mbMiddle"});
    RegisterEnumNames<TShiftStateItem>(
        {"ssShift", "ssAlt", "ssCtrl", "ssLeft", "ssRight", "ssMiddle", "ssDouble"});

    RegisterEnumNames<TFormBorderStyle>(
        {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"});
    RegisterEnumNames<TBorderIcon>({"biSystemMenu", "biMinimize", "biMaximize", "biHelp"});
    RegisterEnumNames<TPosition>({"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                                  "poScreenCenter", "poDesktopCenter", "poMainFormCenter",
                                  "poOwnerFormCenter"});
    RegisterEnumNames<TWindowState>({"wsNormal", "wsMinimized", "wsMaximized"});
    RegisterEnumNames<TFormStyle>({"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"});
    RegisterEnumNames<TCloseAction>({"caNone", "caHide", "caFree", "caMinimize"});

    RegisterEnumNames<TAlignment>({"taLeftJustify", "taRightJustify", "taCenter"});
    RegisterEnumNames<TTextLayout>({"tlTop", "tlCenter", "tlBottom"});
    RegisterEnumNames<TScrollStyle>({"ssNone", "ssHorizontal", "ssVertical", "ssBoth"});
    RegisterEnumNames<TEditCharCase>({"ecNormal", "ecUpperCase", "ecLowerCase"});
    RegisterEnumNames<TListBoxStyle>({"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable"});
    RegisterEnumNames<TComboBoxStyle>(
        {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"});
    RegisterEnumNames<TCheckBoxState>({"cbUnchecked", "cbChecked", "cbGrayed"});
    RegisterEnumNames<TOwnerDrawStateItem>({"odSelected", "odGrayed", "odDisabled", "odChecked", "odFocused",
                                            "odDefault", "odHotLight", "odInactive", "odNoAccel",
                                            "odNoFocusRect", "odReserved1", "odReserved2", "odComboBoxEdit"});

    RegisterEnumNames<TViewStyle>({"vsIcon", "vsSmallIcon", "vsList", "vsReport"});
    RegisterEnumNames<TItemChange>({"ctText", "ctImage", "ctState"});
    RegisterEnumNames<TItemStateItem>(
        {"isNone", "isCut", "isDropHilited", "isFocused", "isSelected", "isActivating"});
    RegisterEnumNames<TStatusPanelStyle>({"psText", "psOwnerDraw"});
    RegisterEnumNames<TStatusPanelBevel>({"pbNone", "pbLowered", "pbRaised"});
    RegisterEnumNames<TProgressBarOrientation>({"pbHorizontal", "pbVertical"});
    RegisterEnumNames<TTrackBarOrientation>({"trHorizontal", "trVertical"});
    RegisterEnumNames<TTickStyle>({"tsNone", "tsAuto", "tsManual"});
    RegisterEnumNames<TUDAlignButton>({"udLeft", "udRight"});
    RegisterEnumNames<TUDOrientation>({"udHorizontal", "udVertical"});
    RegisterEnumNames<TUDBtnType>({"btNext", "btPrev"});

    RegisterEnumNames<TBevelCut>({"bvNone", "bvLowered", "bvRaised", "bvSpace"});
    RegisterEnumNames<TBevelStyle>({"bsLowered", "bsRaised"});
    RegisterEnumNames<TBevelShape>(
        {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"});
    RegisterEnumNames<TShapeType>(
        {"stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle"});
    RegisterEnumNames<TScrollBarKind>({"sbHorizontal", "sbVertical"});
    RegisterEnumNames<TBitBtnKind>({"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose",
                                    "bkAbort", "bkRetry", "bkIgnore", "bkAll"});
    RegisterEnumNames<TButtonLayout>({"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"});

    RegisterEnumNames<TFontStyle>({"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    RegisterEnumNames<TFontPitch>({"fpDefault", "fpVariable", "fpFixed"});
    RegisterEnumNames<TPenStyle>(
        {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"});
    RegisterEnumNames<TPenMode>({"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy",
                                 "pmMergePenNot", "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge",
                                 "pmNotMerge", "pmMask", "pmNotMask", "pmXor", "pmNotXor"});
    RegisterEnumNames<TBrushStyle>({"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                                    "bsBDiagonal", "bsCross", "bsDiagCross"});

    RegisterEnumNames<TPopupAlignment>({"paLeft", "paRight", "paCenter"});
    RegisterEnumNames<TOpenOption>({"ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir",
                                    "ofNoValidate", "ofAllowMultiSelect", "ofPathMustExist",
                                    "ofFileMustExist", "ofCreatePrompt", "ofEnableSizing"});
}

// ---- Drawing tools and other sub-objects ----------------------------------------------------------------

void VclRegisterGraphicsTables() {
    DefineClassProperties<TGraphicsObject, TPersistent>();
    DefineClassProperties<TFont, TGraphicsObject>()
        .Property("Charset", &TFont::GetCharset, &TFont::SetCharset, VclCharsetIdents())
        .Property("Color", &TFont::GetColor, &TFont::SetColor, ColorIdents())
        // The size in points before the height in pixels: a layout that has both ends with the exact height.
        .Property("Size", &TFont::GetSize, &TFont::SetSize)
        .Property("Height", &TFont::GetHeight, &TFont::SetHeight)
        .Property("Name", &TFont::GetName, &TFont::SetName)
        .Property("Pitch", &TFont::GetPitch, &TFont::SetPitch)
        .Property("Style", &TFont::GetStyle, &TFont::SetStyle);
    DefineClassProperties<TPen, TGraphicsObject>()
        .Property("Color", &TPen::GetColor, &TPen::SetColor, ColorIdents())
        .Property("Mode", &TPen::GetMode, &TPen::SetMode)
        .Property("Style", &TPen::GetStyle, &TPen::SetStyle)
        .Property("Width", &TPen::GetWidth, &TPen::SetWidth);
    DefineClassProperties<TBrush, TGraphicsObject>()
        .Property("Color", &TBrush::GetColor, &TBrush::SetColor, ColorIdents())
        .Property("Style", &TBrush::GetStyle, &TBrush::SetStyle);

    DefineClassProperties<TSizeConstraints, TPersistent>()
        .Property("MaxHeight", &TSizeConstraints::GetMaxHeight, &TSizeConstraints::SetMaxHeight)
        .Property("MaxWidth", &TSizeConstraints::GetMaxWidth, &TSizeConstraints::SetMaxWidth)
        .Property("MinHeight", &TSizeConstraints::GetMinHeight, &TSizeConstraints::SetMinHeight)
        .Property("MinWidth", &TSizeConstraints::GetMinWidth, &TSizeConstraints::SetMinWidth);

    // Lists, collections and pictures store their content through their own pseudo-properties ("Strings",
    // collection items, "Data"); their tables only let lookups reach TPersistent.
    DefineClassProperties<TStrings, TPersistent>();
    DefineClassProperties<TStringList, TStrings>();
    DefineClassProperties<TCollection, TPersistent>();
    DefineClassProperties<TCollectionItem, TPersistent>();
    DefineClassProperties<TGraphic, TPersistent>();
    DefineClassProperties<TBitmap, TGraphic>();
    DefineClassProperties<TPicture, TPersistent>();

    DefineClassProperties<TControlScrollBar, TPersistent>()
        .Property("Increment", &TControlScrollBar::GetIncrement, &TControlScrollBar::SetIncrement)
        .Property("Margin", &TControlScrollBar::GetMargin, &TControlScrollBar::SetMargin)
        .Property("Range", &TControlScrollBar::GetRange, &TControlScrollBar::SetRange)
        .Property("Position", &TControlScrollBar::GetPosition, &TControlScrollBar::SetPosition)
        .Property("Visible", &TControlScrollBar::GetVisible, &TControlScrollBar::SetVisible);
}

// ---- Components and controls --------------------------------------------------------------------------

bool VclGetOwnShowHint(TControl* control) {
    return !control->GetParentShowHint() && control->GetShowHint();
}

void VclRegisterControlTables() {
    // A component's name is stored in its object line, not as a property.
    DefineClassProperties<TComponent, TPersistent>().Property("Tag", &TComponent::GetTag,
                                                              &TComponent::SetTag);

    DefineClassProperties<TControl, TComponent>()
        .Property("Left", &TControl::GetLeft, &TControl::SetLeft)
        .Property("Top", &TControl::GetTop, &TControl::SetTop)
        .Property("Width", &TControl::GetWidth, &TControl::SetWidth)
        .Property("Height", &TControl::GetHeight, &TControl::SetHeight)
        .Property("Action", &TControl::GetAction, &TControl::SetAction)
        .Property("Align", &TControl::GetAlign, &TControl::SetAlign)
        .Property("Anchors", &TControl::GetAnchors, &TControl::SetAnchors)
        .Property("AutoSize", &TControl::GetAutoSize, &TControl::SetAutoSize)
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
        .Property("Hint", &TControl::GetHint, &TControl::SetHint)
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
        .Event("OnEndDock", &TControl::OnEndDock)
        .Event("OnMouseDown", &TControl::OnMouseDown)
        .Event("OnMouseEnter", &TControl::OnMouseEnter)
        .Event("OnMouseLeave", &TControl::OnMouseLeave)
        .Event("OnMouseMove", &TControl::OnMouseMove)
        .Event("OnMouseUp", &TControl::OnMouseUp)
        .Event("OnResize", &TControl::OnResize);

    DefineClassProperties<TWinControl, TControl>()
        .Property("DockSite", &TWinControl::GetDockSite, &TWinControl::SetDockSite)
        .Property("TabOrder", &TWinControl::GetTabOrder, &TWinControl::SetTabOrder)
        .Property("TabStop", &TWinControl::GetTabStop, &TWinControl::SetTabStop)
        .Property("UseDockManager", &TWinControl::GetUseDockManager, &TWinControl::SetUseDockManager)
        .Event("OnEnter", &TWinControl::OnEnter)
        .Event("OnExit", &TWinControl::OnExit)
        .Event("OnKeyDown", &TWinControl::OnKeyDown)
        .Event("OnKeyPress", &TWinControl::OnKeyPress)
        .Event("OnKeyUp", &TWinControl::OnKeyUp);
    DefineClassProperties<TCustomControl, TWinControl>();
    DefineClassProperties<TGraphicControl, TControl>();

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

// A one-character property that form files write as a string ('*'); an empty string is #0.
template <class T> std::string VclGetPasswordChar(T* edit) {
    const char c = edit->GetPasswordChar();
    return c ? std::string(1, c) : std::string();
}
template <class T> void VclSetPasswordChar(T* edit, const std::string& value) {
    edit->SetPasswordChar(value.empty() ? '\0' : value[0]);
}

void VclRegisterStdCtrlTables() {
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

    DefineClassProperties<TBitBtn, TButton>()
        .Property("Glyph", &TBitBtn::GetGlyph, &TBitBtn::SetGlyph)
        .Property("Kind", &TBitBtn::GetKind, &TBitBtn::SetKind)
        .Property("Layout", &TBitBtn::GetLayout, &TBitBtn::SetLayout)
        .Property("Margin", &TBitBtn::GetMargin, &TBitBtn::SetMargin)
        .Property("NumGlyphs", &TBitBtn::GetNumGlyphs, &TBitBtn::SetNumGlyphs)
        .Property("Spacing", &TBitBtn::GetSpacing, &TBitBtn::SetSpacing);
}

void VclRegisterComCtrlTables() {
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
}

void VclRegisterExtCtrlTables() {
    DefineClassProperties<TCustomPanel, TCustomControl>()
        .Property("Alignment", &TCustomPanel::GetAlignment, &TCustomPanel::SetAlignment)
        .Property("BevelInner", &TCustomPanel::GetBevelInner, &TCustomPanel::SetBevelInner)
        .Property("BevelOuter", &TCustomPanel::GetBevelOuter, &TCustomPanel::SetBevelOuter)
        .Property("BevelWidth", &TCustomPanel::GetBevelWidth, &TCustomPanel::SetBevelWidth)
        .Property("BorderStyle", &TCustomPanel::GetBorderStyle, &TCustomPanel::SetBorderStyle)
        .Property("BorderWidth", &TCustomPanel::GetBorderWidth, &TCustomPanel::SetBorderWidth)
        .Property("Caption", &TCustomPanel::GetCaption, &TCustomPanel::SetCaption)
        .Property("FullRepaint", &TCustomPanel::GetFullRepaint, &TCustomPanel::SetFullRepaint)
        .Property("Locked", &TCustomPanel::GetLocked, &TCustomPanel::SetLocked);
    DefineClassProperties<TPanel, TCustomPanel>();

    DefineClassProperties<TBevel, TGraphicControl>()
        .Property("Shape", &TBevel::GetShape, &TBevel::SetShape)
        .Property("Style", &TBevel::GetStyle, &TBevel::SetStyle);
    DefineClassProperties<TShape, TGraphicControl>()
        .Property("Brush", &TShape::GetBrush, &TShape::SetBrush)
        .Property("Pen", &TShape::GetPen, &TShape::SetPen)
        .Property("Shape", &TShape::GetShape, &TShape::SetShape);
    DefineClassProperties<TImage, TGraphicControl>()
        .Property("AutoSize", &TImage::GetAutoSize, &TImage::SetAutoSize)
        .Property("Center", &TImage::GetCenter, &TImage::SetCenter)
        .Property("Picture", &TImage::GetPicture, &TImage::SetPicture)
        .Property("Proportional", &TImage::GetProportional, &TImage::SetProportional)
        .Property("Stretch", &TImage::GetStretch, &TImage::SetStretch)
        .Property("Transparent", &TImage::GetTransparent, &TImage::SetTransparent);
    DefineClassProperties<TPaintBox, TGraphicControl>().Event("OnPaint", &TPaintBox::OnPaint);
    DefineClassProperties<TScrollBox, TWinControl>()
        .Property("AutoScroll", &TScrollBox::GetAutoScroll, &TScrollBox::SetAutoScroll)
        .Property("BorderStyle", &TScrollBox::GetBorderStyle, &TScrollBox::SetBorderStyle)
        .Property("HorzScrollBar", &TScrollBox::GetHorzScrollBar)
        .Property("VertScrollBar", &TScrollBox::GetVertScrollBar);

    DefineClassProperties<TTimer, TComponent>()
        .Property("Enabled", &TTimer::GetEnabled, &TTimer::SetEnabled)
        .Property("Interval", &TTimer::GetInterval, &TTimer::SetInterval);
    VclAddEventAccessor<TTimer, void(TObject*)>("OnTimer", &TTimer::GetOnTimer, &TTimer::SetOnTimer);
}

void VclRegisterComponentTables() {
    DefineClassProperties<TCustomImageList, TComponent>()
        .Property("AllocBy", &TCustomImageList::GetAllocBy, &TCustomImageList::SetAllocBy)
        .Property("BkColor", &TCustomImageList::GetBkColor, &TCustomImageList::SetBkColor, ColorIdents())
        .Property("Height", &TCustomImageList::GetHeight, &TCustomImageList::SetHeight)
        .Property("Masked", &TCustomImageList::GetMasked, &TCustomImageList::SetMasked)
        .Property("Width", &TCustomImageList::GetWidth, &TCustomImageList::SetWidth)
        .Event("OnChange", &TCustomImageList::OnChange);
    DefineClassProperties<TImageList, TCustomImageList>();

    DefineClassProperties<TPopupMenu, TComponent>()
        .Property("Alignment", &TPopupMenu::GetAlignment, &TPopupMenu::SetAlignment)
        .Property("AutoPopup", &TPopupMenu::GetAutoPopup, &TPopupMenu::SetAutoPopup)
        .Event("OnPopup", &TPopupMenu::OnPopup);

    DefineClassProperties<TActionList, TComponent>();
    DefineClassProperties<TBasicAction, TComponent>().Event("OnUpdate", &TBasicAction::OnUpdate);
    VclAddEventAccessor<TBasicAction, void(TObject*)>(
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
        .Event("OnHint", &TCustomAction::OnHint);
    DefineClassProperties<TAction, TCustomAction>();

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

void VclRegisterClassNames() {
    VclRegister<TForm>("TForm");
    VclRegister<TButton>("TButton");
    VclRegister<TEdit>("TEdit");
    VclRegister<TMemo>("TMemo");
    VclRegister<TListBox>("TListBox");
    VclRegister<TComboBox>("TComboBox");
    VclRegister<TCheckBox>("TCheckBox");
    VclRegister<TRadioButton>("TRadioButton");
    VclRegister<TGroupBox>("TGroupBox");
    VclRegister<TLabel>("TLabel");
    VclRegister<TBitBtn>("TBitBtn");
    VclRegister<TListView>("TListView");
    VclRegister<TStatusBar>("TStatusBar");
    VclRegister<TProgressBar>("TProgressBar");
    VclRegister<TTrackBar>("TTrackBar");
    VclRegister<TUpDown>("TUpDown");
    VclRegister<TPanel>("TPanel");
    VclRegister<TBevel>("TBevel");
    VclRegister<TShape>("TShape");
    VclRegister<TImage>("TImage");
    VclRegister<TPaintBox>("TPaintBox");
    VclRegister<TScrollBox>("TScrollBox");
    VclRegister<TTimer>("TTimer");
    VclRegister<TImageList>("TImageList");
    VclRegister<TPopupMenu>("TPopupMenu");
    VclRegister<TActionList>("TActionList");
    VclRegister<TAction>("TAction");
    VclRegister<TOpenDialog>("TOpenDialog");
    VclRegister<TSaveDialog>("TSaveDialog");
    VclRegister<TColorDialog>("TColorDialog");
}

} // namespace

const std::vector<std::string>& VclClassNames() {
    RegisterVclClasses();
    return VclRegisteredNames();
}

void RegisterVclClasses() {
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    // Enumeration names first: a property table takes the names of its enumerations when it is built.
    VclRegisterEnums();
    VclRegisterGraphicsTables();
    VclRegisterControlTables();
    VclRegisterStdCtrlTables();
    VclRegisterComCtrlTables();
    VclRegisterExtCtrlTables();
    VclRegisterComponentTables();
    VclRegisterClassNames();
    RegisterVclGraphicsClasses();
}

} // namespace vcl

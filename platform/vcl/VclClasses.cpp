// Registration of the class library's classes for form resources: class names, enumeration names and
// identifiers of colours and cursors. The property table of each class sits in the file beside its unit
// (ControlsTables.cpp, StdCtrlsTables.cpp ...; see ClassTables.h).
//
// Every class that a form file can name, and every class between it and TComponent, gets a table (empty
// when it adds nothing) so that lookups from a derived class made elsewhere find their way to the bases.
// Properties sit on the first class that has them in this library (TCustomEdit rather than TEdit), so that
// controls derived from the abstract bases read the same properties.
#include "platform/vcl/VclClasses.h"

#include "platform/vcl/ActnList.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ClassTables.h"
#include "platform/vcl/Collection.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Mask.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/TypInfo.h"

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

std::vector<std::string>& VclRegisteredNames() {
    static std::vector<std::string> names;
    return names;
}

template <class T> void VclRegister(const char* name) {
    RegisterClass<T>(name);
    VclRegisteredNames().emplace_back(name);
}

// ---- Enumeration names ----------------------------------------------------------------------------------

void VclRegisterEnums() {
    RegisterEnumNames<TAlign>({"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"});
    RegisterEnumNames<TAnchorKind>({"akLeft", "akTop", "akRight", "akBottom"});
    RegisterEnumNames<TDragKind>({"dkDrag", "dkDock"});
    RegisterEnumNames<TDragMode>({"dmManual", "dmAutomatic"});
    RegisterEnumNames<TDragState>({"dsDragEnter", "dsDragLeave", "dsDragMove"});
    RegisterEnumNames<TMouseButton>({"mbLeft", "mbRight", "mbMiddle"});
    RegisterEnumNames<TBiDiMode>(
        {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"});
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
    RegisterEnumNames<TTabPosition>({"tpTop", "tpBottom"});

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
    VclRegister<TPageControl>("TPageControl");
    VclRegister<TTabSheet>("TTabSheet");
    VclRegister<TSpeedButton>("TSpeedButton");
    VclRegister<TMaskEdit>("TMaskEdit");
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
    // Once, on first use from any caller: the reader, the writer, a test or a tool may come first. Nothing
    // below calls back into this function, so the one-time initialisation cannot re-enter itself.
    static const bool registered = [] {
        // Enumeration names first: a property table takes the names of its enumerations when it is built.
        VclRegisterEnums();
        RegisterGraphicsTables();
        RegisterControlsTables();
        RegisterFormsTables();
        RegisterStdCtrlsTables();
        RegisterButtonsTables();
        RegisterComCtrlsTables();
        RegisterMaskTables();
        RegisterExtCtrlsTables();
        RegisterImgListTables();
        RegisterMenusTables();
        RegisterActnListTables();
        RegisterCommonDialogsTables();
        VclRegisterClassNames();
        return true;
    }();
    (void)registered;
}

} // namespace vcl

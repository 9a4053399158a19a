// The control set's classes for layout files: class names, enumeration names and property tables with the
// defaults (a fresh object's values) and storage rules of each class.
#include "controls/FcButton.h"
#include "controls/FcComboBox.h"
#include "controls/FcCommon.h"
#include "controls/FcFrameController.h"
#include "controls/FcLabel.h"
#include "controls/FcListView.h"
#include "controls/FcPageControl.h"
#include "controls/FcPanel.h"
#include "controls/FcRadioCheck.h"
#include "controls/FcRegister.h"
#include "controls/FcTables.h"
#include "controls/FcTabs.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

void RegisterEditTables(); // FcEditTables.cpp

namespace {

void RegisterEnumerations() {
    vcl::RegisterEnumNames<TFrameStyleEx>({"fsNone", "fsFlat", "fsGroove", "fsBump", "fsLowered", "fsButtonDown",
                                           "fsRaised", "fsButtonUp", "fsStatus", "fsPopup", "fsFlatBold",
                                           "fsFlatRounded"});
    vcl::RegisterEnumNames<TSide>({"sdLeft", "sdTop", "sdRight", "sdBottom"});
    vcl::RegisterEnumNames<TFramingPreference>({"fpCustomFraming", "fpXPThemes"});
    vcl::RegisterEnumNames<TTextStyle>({"tsNormal", "tsRaised", "tsRecessed", "tsShadow"});
    vcl::RegisterEnumNames<TAlignmentVertical>({"avTop", "avCenter", "avBottom"});
    vcl::RegisterEnumNames<TOrientation>({"orHorizontal", "orVertical"});
    vcl::RegisterEnumNames<TFcHotTrackColorType>({"htctComplement", "htctActual"});
    vcl::RegisterEnumNames<TFcAboutInfo>({"fcAbout"});
    vcl::RegisterEnumNames<TFcPathType>({"ptIniFile", "ptRegistry"});
    vcl::RegisterEnumNames<TFcRegKey>({"hkeyClassesRoot", "hkeyCurrentUser", "hkeyLocalMachine", "hkeyUsers",
                                       "hkeyPerformanceData", "hkeyCurrentConfig", "hkeyDynData"});
    vcl::RegisterEnumNames<TFcRegAccessKey>({"keyQueryValue", "keySetValue", "keyCreateSubKey",
                                             "keyEnumerateSubKeys", "keyNotify", "keyCreateLink", "keyRead",
                                             "keyWrite", "keyExecute", "keyAllAccess"});
    vcl::RegisterEnumNames<TFcHotTrackStyle>({"htsTab", "htsText"});
    vcl::RegisterEnumNames<TFcHorizontalAlignment>({"haLeft", "haCenter", "haRight"});
    vcl::RegisterEnumNames<TFcVerticalAlignment>({"vaTop", "vaCenter", "vaBottom"});
    vcl::RegisterEnumNames<TFcImagePosition>({"ipLeft", "ipTop", "ipRight", "ipBottom", "ipBack", "ipStretch"});
    vcl::RegisterEnumNames<TFcTabOrientation>({"toTop", "toLeft", "toBottom", "toRight"});
    vcl::RegisterEnumNames<TFcTabSequence>({"tsStandard", "tsReverse"});
    vcl::RegisterEnumNames<TFcLVHeaderSortDisplayMode>(
        {"hsdmNone", "hsdmLeftAlign", "hsdmRightOfText", "hsdmRightAlign"});
    vcl::RegisterEnumNames<TFcTabStyle>({"tsSingleSlant", "tsDoubleSlant", "tsCutCorner", "tsRoundCorners"});
}

void RegisterFrameController() {
    vcl::RegisterClass<TFcFrameController>("TFcFrameController");
    using C = TFcFrameController;
    const vcl::TIdentMap* colors = vcl::ColorIdents();
    vcl::DefineClassProperties<C, vcl::TComponent>()
        .Property("About", &C::GetAbout, &C::SetAbout)
        .Stored(&TablesNever<C>)
        .Property("Color", &C::GetColor, &C::SetColor, colors)
        .Stored(&C::IsColorStored)
        .Property("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor, colors)
        .Property("FlatButtonColor", &C::GetFlatButtonColor, &C::SetFlatButtonColor, colors)
        .Property("FlatButtons", &C::GetFlatButtons, &C::SetFlatButtons)
        .Property("FocusColor", &C::GetFocusColor, &C::SetFocusColor, colors)
        .Property("FrameColor", &C::GetFrameColor, &C::SetFrameColor, colors)
        .Property("FrameHotColor", &C::GetFrameHotColor, &C::SetFrameHotColor, colors)
        .Property("FrameHotStyle", &C::GetFrameHotStyle, &C::SetFrameHotStyle)
        .Property("FrameHotTrack", &C::GetFrameHotTrack, &C::SetFrameHotTrack)
        .Property("FrameSides", &C::GetFrameSides, &C::SetFrameSides)
        .Property("FrameStyle", &C::GetFrameStyle, &C::SetFrameStyle)
        .Property("FrameVisible", &C::GetFrameVisible, &C::SetFrameVisible)
        .Property("FramingPreference", &C::GetFramingPreference, &C::SetFramingPreference)
        .Property("ParentColor", &C::GetParentColor, &C::SetParentColor)
        .Property("RegIniFile", &C::GetRegIniFile, &C::SetRegIniFile);
}

void RegisterRegIniFile() {
    vcl::RegisterClass<TFcRegIniFile>("TFcRegIniFile");
    using C = TFcRegIniFile;
    vcl::DefineClassProperties<C, vcl::TComponent>()
        .Property("About", &C::GetAbout, &C::SetAbout)
        .Stored(&TablesNever<C>)
        .Property("Path", &C::GetPath, &C::SetPath)
        .Property("PathType", &C::GetPathType, &C::SetPathType)
        .Property("RegKey", &C::GetRegKey, &C::SetRegKey)
        .Property("RegAccess", &C::GetRegAccess, &C::SetRegAccess);
}

void RegisterButton() {
    vcl::RegisterClass<TFcButton>("TFcButton");
    using C = TFcButton;
    const vcl::TIdentMap* colors = vcl::ColorIdents();
    vcl::DefineClassProperties<C, vcl::TWinControl>()
        .Property("About", &C::GetAbout, &C::SetAbout)
        .Stored(&TablesNever<C>)
        .Property("Alignment", &C::GetAlignment, &C::SetAlignment)
        .Property("AlignmentVertical", &C::GetAlignmentVertical, &C::SetAlignmentVertical)
        .Property("AllowAllUp", &C::GetAllowAllUp, &C::SetAllowAllUp)
        .Property("Cancel", &C::GetCancel, &C::SetCancel)
        .Property("Caption", &C::GetCaption, &C::SetCaption)
        .Property("Default", &C::GetDefault, &C::SetDefault)
        .Property("Down", &C::GetDown, &C::SetDown)
        .Property("DropDownOnEnter", &C::GetDropDownOnEnter, &C::SetDropDownOnEnter)
        .Property("GroupIndex", &C::GetGroupIndex, &C::SetGroupIndex)
        .Property("HighlightColor", &C::GetHighlightColor, &C::SetHighlightColor, colors)
        .Property("HotTrack", &C::GetHotTrack, &C::SetHotTrack)
        .Property("HotTrackColor", &C::GetHotTrackColor, &C::SetHotTrackColor, colors)
        .Property("HotTrackColorType", &C::GetHotTrackColorType, &C::SetHotTrackColorType)
        .Property("LightTextStyle", &C::GetLightTextStyle, &C::SetLightTextStyle)
        .Property("ModalResult", &C::GetModalResult, &C::SetModalResult)
        .Property("ShowDownPattern", &C::GetShowDownPattern, &C::SetShowDownPattern)
        .Property("ShowFocusRect", &C::GetShowFocusRect, &C::SetShowFocusRect)
        .Property("TextHighlightColor", &C::GetTextHighlightColor, &C::SetTextHighlightColor, colors)
        .Property("TextShadowColor", &C::GetTextShadowColor, &C::SetTextShadowColor, colors)
        .Property("TextShadowDepth", &C::GetTextShadowDepth, &C::SetTextShadowDepth)
        .Property("TextStyle", &C::GetTextStyle, &C::SetTextStyle)
        .Property("ThemeAware", &C::GetThemeAware, &C::SetThemeAware)
        .Event("OnMouseEnter", static_cast<vcl::TNotifyEvent C::*>(&C::OnMouseEnter))
        .Event("OnMouseLeave", static_cast<vcl::TNotifyEvent C::*>(&C::OnMouseLeave));
}

void RegisterBitBtn() {
    vcl::RegisterClass<TFcBitBtn>("TFcBitBtn");
    using C = TFcBitBtn;
    vcl::DefineClassProperties<C, TFcButton>()
        .Property("Cancel", &C::GetCancel, &C::SetCancel)
        .Stored(&C::IsCustomKind)
        .Property("Caption", &C::GetCaption, &C::SetCaption)
        .Stored(&C::IsCaptionStored)
        .Property("Default", &C::GetDefault, &C::SetDefault)
        .Stored(&C::IsCustomKind)
        .Property("ModalResult", &C::GetModalResult, &C::SetModalResult)
        .Stored(&C::IsCustomKind)
        .Property("DisabledIndex", &C::GetDisabledIndex, &C::SetDisabledIndex)
        .Property("Glyph", &C::GetGlyph, &C::SetGlyph)
        .Stored(&C::IsCustomKind)
        .Property("ImageIndex", &C::GetImageIndex, &C::SetImageIndex)
        .Property("Images", &C::GetImages, &C::SetImages)
        .Property("Kind", &C::GetKind, &C::SetKind)
        .Property("Layout", &C::GetLayout, &C::SetLayout)
        .Property("Margin", &C::GetMargin, &C::SetMargin)
        .Property("NumGlyphs", &C::GetNumGlyphs, &C::SetNumGlyphs)
        .Stored(&C::IsCustomKind)
        .Property("Spacing", &C::GetSpacing, &C::SetSpacing);
}

template <class C> void DefineGlyphButtonProperties(vcl::TClassProperties<C, vcl::TWinControl>& t) {
    const vcl::TIdentMap* colors = vcl::ColorIdents();
    t.Property("About", &C::GetAbout, &C::SetAbout)
        .Stored(&TablesNever<C>)
        .Property("Alignment", &C::GetAlignment, &C::SetAlignment)
        .Property("AlignmentVertical", &C::GetAlignmentVertical, &C::SetAlignmentVertical)
        .Property("Caption", &C::GetCaption, &C::SetCaption)
        .Property("Checked", &C::GetChecked, &C::SetChecked)
        .Stored(&C::IsCheckedStored)
        .Property("CustomGlyphs", &C::GetCustomGlyphs, &C::SetCustomGlyphs)
        .Property("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor, colors)
        .Property("FrameColor", &C::GetFrameColor, &C::SetFrameColor, colors)
        .Property("FrameController", &C::GetFrameController, &C::SetFrameController)
        .Property("HighlightColor", &C::GetHighlightColor, &C::SetHighlightColor, colors)
        .Property("HotTrack", &C::GetHotTrack, &C::SetHotTrack)
        .Property("HotTrackColor", &C::GetHotTrackColor, &C::SetHotTrackColor, colors)
        .Property("HotTrackColorType", &C::GetHotTrackColorType, &C::SetHotTrackColorType)
        .Property("LightTextStyle", &C::GetLightTextStyle, &C::SetLightTextStyle)
        .Property("TabOnEnter", &C::GetTabOnEnter, &C::SetTabOnEnter)
        .Property("TextHighlightColor", &C::GetTextHighlightColor, &C::SetTextHighlightColor, colors)
        .Property("TextShadowColor", &C::GetTextShadowColor, &C::SetTextShadowColor, colors)
        .Property("TextShadowDepth", &C::GetTextShadowDepth, &C::SetTextShadowDepth)
        .Property("TextStyle", &C::GetTextStyle, &C::SetTextStyle)
        .Property("ThemeAware", &C::GetThemeAware, &C::SetThemeAware)
        .Property("Transparent", &C::GetTransparent, &C::SetTransparent)
        .Property("TransparentColor", &C::GetTransparentColor, &C::SetTransparentColor, colors)
        .Property("UseCustomGlyphs", &C::GetUseCustomGlyphs, &C::SetUseCustomGlyphs)
        .Property("WinMaskColor", &C::GetWinMaskColor, &C::SetWinMaskColor, colors)
        .Event("OnMouseEnter", static_cast<vcl::TNotifyEvent C::*>(&C::OnMouseEnter))
        .Event("OnMouseLeave", static_cast<vcl::TNotifyEvent C::*>(&C::OnMouseLeave));
}

void RegisterRadioCheck() {
    vcl::RegisterClass<TFcRadioButton>("TFcRadioButton");
    {
        vcl::TClassProperties<TFcRadioButton, vcl::TWinControl> t;
        DefineGlyphButtonProperties(t);
    }
    vcl::RegisterClass<TFcCheckBox>("TFcCheckBox");
    using C = TFcCheckBox;
    vcl::TClassProperties<C, vcl::TWinControl> t;
    DefineGlyphButtonProperties(t);
    t.Property("AllowGrayed", &C::GetAllowGrayed, &C::SetAllowGrayed)
        .Property("State", &C::GetState, &C::SetState)
        .Property("Checked", &C::GetChecked, &C::SetChecked)
        .Stored(&TablesNever<C>);
}

template <class C> void DefinePanelProperties(vcl::TClassProperties<C, vcl::TCustomPanel>& t) {
    const vcl::TIdentMap* colors = vcl::ColorIdents();
    t.Property("About", &C::GetAbout, &C::SetAbout)
        .Stored(&TablesNever<C>)
        .Property("BorderColor", &C::GetBorderColor, &C::SetBorderColor, colors)
        .Property("BorderInner", &C::GetBorderInner, &C::SetBorderInner)
        .Property("BorderOuter", &C::GetBorderOuter, &C::SetBorderOuter)
        .Property("BorderSides", &C::GetBorderSides, &C::SetBorderSides)
        .Property("FlatColor", &C::GetFlatColor, &C::SetFlatColor, colors)
        .Property("FlatColorAdjustment", &C::GetFlatColorAdjustment, &C::SetFlatColorAdjustment)
        .Property("FrameController", &C::GetFrameController, &C::SetFrameController)
        .Property("Transparent", &C::GetTransparent, &C::SetTransparent)
        .Property("DockSite", &C::GetDockSite, &C::SetDockSite)
        .Property("ShowDockClientCaptions", &C::GetShowDockClientCaptions, &C::SetShowDockClientCaptions)
        .Event("OnMouseEnter", static_cast<vcl::TNotifyEvent C::*>(&C::OnMouseEnter))
        .Event("OnMouseLeave", static_cast<vcl::TNotifyEvent C::*>(&C::OnMouseLeave))
        .Event("OnPaint", static_cast<vcl::TNotifyEvent C::*>(&C::OnPaint));
}

void RegisterPanels() {
    vcl::RegisterEnumNames<TFcGridStyle>({"gsDots", "gsDottedLines", "gsSolidLines"});
    vcl::RegisterEnumNames<TFcGroupBoxStyle>({"gsStandard", "gsCustom", "gsTopLine", "gsFlat"});
    const vcl::TIdentMap* colors = vcl::ColorIdents();
    vcl::RegisterClass<TFcPanel>("TFcPanel");
    {
        using C = TFcPanel;
        vcl::TClassProperties<C, vcl::TCustomPanel> t;
        DefinePanelProperties(t);
        t.Property("AlignmentVertical", &C::GetAlignmentVertical, &C::SetAlignmentVertical)
            .Property("BorderHighlight", &C::GetBorderHighlight, &C::SetBorderHighlight, colors)
            .Property("BorderShadow", &C::GetBorderShadow, &C::SetBorderShadow, colors)
            .Property("GridColor", &C::GetGridColor, &C::SetGridColor, colors)
            .Property("GridStyle", &C::GetGridStyle, &C::SetGridStyle)
            .Property("GridXSize", &C::GetGridXSize, &C::SetGridXSize)
            .Property("GridYSize", &C::GetGridYSize, &C::SetGridYSize)
            .Property("ShowGrid", &C::GetShowGrid, &C::SetShowGrid)
            .Property("UseDockManager", &C::GetUseDockManager, &C::SetUseDockManager);
    }
    vcl::RegisterClass<TFcGroupBox>("TFcGroupBox");
    using C = TFcGroupBox;
    vcl::TClassProperties<C, vcl::TCustomPanel> t;
    DefinePanelProperties(t);
    t.Property("GroupStyle", &C::GetGroupStyle, &C::SetGroupStyle)
        .Property("ThemeAware", &C::GetThemeAware, &C::SetThemeAware);
}

void RegisterTabControl() {
    const vcl::TIdentMap* colors = vcl::ColorIdents();
    {
        using C = TFcTabColors;
        vcl::DefineClassProperties<C, vcl::TPersistent>()
            .Property("HighlightBar", &C::GetHighlightBar, &C::SetHighlightBar, colors)
            .Property("Shadow", &C::GetShadow, &C::SetShadow, colors)
            .Property("Unselected", &C::GetUnselected, &C::SetUnselected, colors);
    }
    {
        using C = TFcTextColors;
        vcl::DefineClassProperties<C, vcl::TPersistent>()
            .Property("DisabledHighlight", &C::GetDisabledHighlight, &C::SetDisabledHighlight, colors)
            .Property("DisabledShadow", &C::GetDisabledShadow, &C::SetDisabledShadow, colors)
            .Property("Selected", &C::GetSelected, &C::SetSelected, colors)
            .Property("Unselected", &C::GetUnselected, &C::SetUnselected, colors);
    }
    vcl::RegisterClass<TFcTabControl>("TFcTabControl");
    // What every tab control publishes; the tab control adds its tab names, the page control its pages.
    using C = TFcCustomTabControl;
    vcl::DefineClassProperties<C, vcl::TWinControl>()
        .Property("About", &C::GetAbout, &C::SetAbout)
        .Stored(&TablesNever<C>)
        .Property("AlignTabs", &C::GetAlignTabs, &C::SetAlignTabs)
        .Property("AllowTabDragging", &C::GetAllowTabDragging, &C::SetAllowTabDragging)
        .Property("BackgroundColor", &C::GetBackgroundColor, &C::SetBackgroundColor, colors)
        .Property("BoldCurrentTab", &C::GetBoldCurrentTab, &C::SetBoldCurrentTab)
        .Property("CutCornerSize", &C::GetCutCornerSize, &C::SetCutCornerSize)
        .Property("FlatColor", &C::GetFlatColor, &C::SetFlatColor, colors)
        .Property("FlatColorAdjustment", &C::GetFlatColorAdjustment, &C::SetFlatColorAdjustment)
        .Property("HotTrack", &C::GetHotTrack, &C::SetHotTrack)
        .Property("HotTrackColor", &C::GetHotTrackColor, &C::SetHotTrackColor, colors)
        .Property("HotTrackColorType", &C::GetHotTrackColorType, &C::SetHotTrackColorType)
        .Property("HotTrackStyle", &C::GetHotTrackStyle, &C::SetHotTrackStyle)
        .Property("ImageAlignment", &C::GetImageAlignment, &C::SetImageAlignment)
        .Property("ImageAlignmentVertical", &C::GetImageAlignmentVertical, &C::SetImageAlignmentVertical)
        .Property("ImageMargin", &C::GetImageMargin, &C::SetImageMargin)
        .Property("ImagePosition", &C::GetImagePosition, &C::SetImagePosition)
        .Property("Margin", &C::GetMargin, &C::SetMargin)
        .Property("MultiLine", &C::GetMultiLine, &C::SetMultiLine)
        .Property("ParentBackgroundColor", &C::GetParentBackgroundColor, &C::SetParentBackgroundColor)
        .Property("RowIndent", &C::GetRowIndent, &C::SetRowIndent)
        .Property("RowOverlap", &C::GetRowOverlap, &C::SetRowOverlap)
        .Property("ShowCardFrame", &C::GetShowCardFrame, &C::SetShowCardFrame)
        .Property("ShowCloseButton", &C::GetShowCloseButton, &C::SetShowCloseButton)
        .Property("ShowFocusRect", &C::GetShowFocusRect, &C::SetShowFocusRect)
        .Property("ShowFullFrame", &C::GetShowFullFrame, &C::SetShowFullFrame)
        .Property("ShowShadow", &C::GetShowShadow, &C::SetShowShadow)
        .Property("TabColors", &C::GetTabColors)
        .Property("TabHeight", &C::GetTabHeight, &C::SetTabHeight)
        .Property("TabHints", &C::GetTabHints, &C::SetTabHints)
        .Property("TabIndex", &C::GetTabIndex, &C::SetTabIndex)
        .Property("TabOrientation", &C::GetTabOrientation, &C::SetTabOrientation)
        .Property("TabSequence", &C::GetTabSequence, &C::SetTabSequence)
        .Property("TabStyle", &C::GetTabStyle, &C::SetTabStyle)
        .Property("TabWidth", &C::GetTabWidth, &C::SetTabWidth)
        .Property("TextAlignment", &C::GetTextAlignment, &C::SetTextAlignment)
        .Property("TextAlignmentVertical", &C::GetTextAlignmentVertical, &C::SetTextAlignmentVertical)
        .Property("TextColors", &C::GetTextColors)
        .Property("TextOrientation", &C::GetTextOrientation, &C::SetTextOrientation)
        .Property("Transparent", &C::GetTransparent, &C::SetTransparent)
        .Property("UseColoredTabs", &C::GetUseColoredTabs, &C::SetUseColoredTabs)
        .Property("UseGradients", &C::GetUseGradients, &C::SetUseGradients)
        .Event("OnChange", static_cast<vcl::TNotifyEvent C::*>(&C::OnChange))
        .Event("OnChanging", static_cast<TFcTabChangingEvent C::*>(&C::OnChanging))
        .Event("OnClose", static_cast<TFcTabCloseEvent C::*>(&C::OnClose))
        .Event("OnGetTextColor", static_cast<TFcGetTextColorEvent C::*>(&C::OnGetTextColor))
        .Event("OnPaintBackground", static_cast<TFcPaintBackgroundEvent C::*>(&C::OnPaintBackground))
        .Event("OnPaintCardBackground", static_cast<TFcPaintCardBackgroundEvent C::*>(&C::OnPaintCardBackground))
        .Event("OnPaintTabBackground", static_cast<TFcPaintTabBackgroundEvent C::*>(&C::OnPaintTabBackground))
        .Event("OnTabClick", static_cast<vcl::TNotifyEvent C::*>(&C::OnTabClick));
    vcl::DefineClassProperties<TFcTabControl, TFcCustomTabControl>().Property(
        "Tabs", &TFcTabControl::GetTabNames, &TFcTabControl::SetTabNames);
}

void RegisterListView() {
    vcl::RegisterClass<TFcListView>("TFcListView");
    using C = TFcListView;
    const vcl::TIdentMap* colors = vcl::ColorIdents();
    auto table = vcl::DefineClassProperties<C, vcl::TCustomListView>();
    table
        .Property("About", &C::GetAbout, &C::SetAbout)
        .Stored(&TablesNever<C>)
        .Property("AlphaSortAll", &C::GetAlphaSortAll, &C::SetAlphaSortAll)
        .Property("Color", &C::GetNormalColor, &C::SetColor, colors)
        .Stored(&C::IsColorStored)
        .Property("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor, colors)
        .Stored(&C::IsFrameSettingStored)
        .Property("EditOnRowClick", &C::GetEditOnRowClick, &C::SetEditOnRowClick)
        .Property("FillLastColumn", &C::GetFillLastColumn, &C::SetFillLastColumn);
    AddFramedControlRows(table, colors)
        .Property("HeaderDefaultDrawing", &C::GetHeaderDefaultDrawing, &C::SetHeaderDefaultDrawing)
        .Property("HeaderSortDisplayMode", &C::GetHeaderSortDisplayMode, &C::SetHeaderSortDisplayMode)
        .Event("OnCheckStateChange", static_cast<TFcLVCheckStateChange C::*>(&C::OnCheckStateChange))
        .Event("OnCheckStateChanging", static_cast<TFcLVCheckStateChanging C::*>(&C::OnCheckStateChanging))
        .Event("OnItemContextMenu", static_cast<TFcLVOnItemContextMenuEvent C::*>(&C::OnItemContextMenu))
        .Event("OnMouseEnter", static_cast<vcl::TNotifyEvent C::*>(&C::OnMouseEnter))
        .Event("OnMouseLeave", static_cast<vcl::TNotifyEvent C::*>(&C::OnMouseLeave));
}

void RegisterComboBox() {
    vcl::RegisterClass<TFcComboBox>("TFcComboBox");
    using C = TFcComboBox;
    const vcl::TIdentMap* colors = vcl::ColorIdents();
    auto table = vcl::DefineClassProperties<C, vcl::TCustomComboBox>();
    table
        .Property("About", &C::GetAbout, &C::SetAbout)
        .Stored(&TablesNever<C>)
        .Property("AllowEdit", &C::GetAllowEdit, &C::SetAllowEdit)
        .Property("AutoComplete", &C::GetAutoComplete, &C::SetAutoComplete)
        .Property("BeepOnInvalidKey", &C::GetBeepOnInvalidKey, &C::SetBeepOnInvalidKey)
        .Property("Color", &C::GetNormalColor, &C::SetColor, colors)
        .Stored(&C::IsColorStored)
        .Property("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor, colors)
        .Stored(&C::IsFrameSettingStored)
        .Property("DropDownWidth", &C::GetDropDownWidth, &C::SetDropDownWidth)
        .Property("FlatButtonColor", &C::GetFlatButtonColor, &C::SetFlatButtonColor, colors)
        .Stored(&C::IsFrameSettingStored)
        .Property("FlatButtons", &C::GetFlatButtons, &C::SetFlatButtons)
        .Stored(&C::IsFrameSettingStored);
    AddFramedControlRows(table, colors)
        .Property("ItemHeight", &C::GetItemHeightValue, &C::SetItemHeightValue)
        .Property("KeepSearchCase", &C::GetKeepSearchCase, &C::SetKeepSearchCase)
        .Property("ReadOnly", &C::GetReadOnly, &C::SetReadOnly)
        .Property("TabOnEnter", &C::GetTabOnEnter, &C::SetTabOnEnter)
        .Property("Text", &C::GetText, &C::SetText)
        .Event("OnDeleteItem", static_cast<TFcDeleteComboItemEvent C::*>(&C::OnDeleteItem))
        .Event("OnMatch", static_cast<vcl::TNotifyEvent C::*>(&C::OnMatch))
        .Event("OnMouseEnter", static_cast<vcl::TNotifyEvent C::*>(&C::OnMouseEnter))
        .Event("OnMouseLeave", static_cast<vcl::TNotifyEvent C::*>(&C::OnMouseLeave))
        .Event("OnNotInList", static_cast<vcl::TNotifyEvent C::*>(&C::OnNotInList))
        .Event("OnSelEndCancel", static_cast<vcl::TNotifyEvent C::*>(&C::OnSelEndCancel))
        .Event("OnSelEndOk", static_cast<vcl::TNotifyEvent C::*>(&C::OnSelEndOk));
}

} // namespace

void RegisterControlClasses() {
    static const bool done = [] {
        vcl::RegisterVclClasses();
        RegisterEnumerations();
        RegisterPanels();
        RegisterRegIniFile();
        RegisterFrameController();
        RegisterButton();
        RegisterListView();
        RegisterBitBtn();
        RegisterComboBox();
        RegisterRadioCheck();
        RegisterTabControl();
        RegisterEditTables();
        RegisterPageControlTables();
        RegisterLabelTables();
        return true;
    }();
    (void)done;
}

} // namespace controls

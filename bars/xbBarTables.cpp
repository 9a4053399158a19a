// The property tables of the manager and the item: what form resources set on them, and which values are
// written (a setting only when it differs from the value a new manager has).
#include "bars/xbBarItem.h"
#include "bars/xbBarManager.h"
#include "bars/xbBars.h"
#include "lookandfeel/lkLookAndFeels.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/TypInfo.h"

namespace bars {

void RegisterBarManagerTables() {
    vcl::RegisterEnumNames<TxbBarManagerStyle>(
        {"bmsStandard", "bmsEnhanced", "bmsFlat", "bmsXP", "bmsOffice11", "bmsUseLookAndFeel"});
    vcl::RegisterEnumNames<TxbBarDockingStyle>({"dsNone", "dsLeft", "dsTop", "dsRight", "dsBottom"});
    vcl::RegisterEnumNames<TxbBarMenuAnimations>({"maNone", "maRandom", "maUnfold", "maSlide", "maFade"});
    using T = TxbBarManager;
    vcl::DefineClassProperties<T, vcl::TComponent>()
        .Property("AllowCallFromAnotherForm", &T::GetAllowCallFromAnotherForm, &T::SetAllowCallFromAnotherForm)
        .Stored([](T* m) { return m->GetAllowCallFromAnotherForm(); })
        .Property("AllowReset", &T::GetAllowReset, &T::SetAllowReset)
        .Stored([](T* m) { return !m->GetAllowReset(); })
        .Property("AlwaysMerge", &T::GetAlwaysMerge, &T::SetAlwaysMerge)
        .Stored([](T* m) { return m->GetAlwaysMerge(); })
        .Property("AlwaysSaveText", &T::GetAlwaysSaveText, &T::SetAlwaysSaveText)
        .Stored([](T* m) { return m->GetAlwaysSaveText(); })
        .Property("AutoDockColor", &T::GetAutoDockColor, &T::SetAutoDockColor)
        .Stored([](T* m) { return !m->GetAutoDockColor(); })
        .Property("AutoHideEmptyBars", &T::GetAutoHideEmptyBars, &T::SetAutoHideEmptyBars)
        .Stored([](T* m) { return m->GetAutoHideEmptyBars(); })
        .Property("Backgrounds", &T::GetBackgrounds, &T::SetBackgrounds)
        .Property("Bars", &T::GetBars, &T::SetBars)
        .Stored([](T* m) { return m->GetBars()->GetCount() > 0; })
        .Property("ButtonArrowWidth", &T::GetButtonArrowWidth, &T::SetButtonArrowWidth)
        .Stored([](T* m) { return m->GetButtonArrowWidth() != 11; })
        .Property("CanCustomize", &T::GetCanCustomize, &T::SetCanCustomize)
        .Stored([](T* m) { return !m->GetCanCustomize(); })
        .Property("Categories", &T::GetCategories, &T::SetCategories)
        .Property("DockColor", &T::GetDockColor, &T::SetDockColor, vcl::ColorIdents())
        .Stored([](T* m) { return !m->GetAutoDockColor(); })
        .Property("FlatCloseButton", &T::GetFlatCloseButton, &T::SetFlatCloseButton)
        .Stored([](T* m) { return m->GetFlatCloseButton(); })
        .Property("Font", &T::GetFont, &T::SetFont)
        .Stored([](T* m) { return !m->GetUseSystemFont(); })
        .Property("HelpButtonGlyph", &T::GetHelpButtonGlyph, &T::SetHelpButtonGlyph)
        .Stored([](T* m) { return !m->GetHelpButtonGlyph()->GetEmpty(); })
        .Property("HelpContext", &T::GetHelpContext, &T::SetHelpContext)
        .Stored([](T* m) { return m->GetHelpContext() != 0; })
        .Property("HideFloatingBarsWhenInactive", &T::GetHideFloatingBarsWhenInactive,
                  &T::SetHideFloatingBarsWhenInactive)
        .Stored([](T* m) { return !m->GetHideFloatingBarsWhenInactive(); })
        .Property("HotImages", &T::GetHotImages, &T::SetHotImages)
        .Stored([](T* m) { return m->GetHotImages() != nullptr; })
        .Property("Images", &T::GetImages, &T::SetImages)
        .Stored([](T* m) { return m->GetImages() != nullptr; })
        .Property("DisabledImages", &T::GetDisabledImages, &T::SetDisabledImages)
        .Stored([](T* m) { return m->GetDisabledImages() != nullptr; })
        .Property("DisabledLargeImages", &T::GetDisabledLargeImages, &T::SetDisabledLargeImages)
        .Stored([](T* m) { return m->GetDisabledLargeImages() != nullptr; })
        .Property("LargeImages", &T::GetLargeImages, &T::SetLargeImages)
        .Stored([](T* m) { return m->GetLargeImages() != nullptr; })
        .Property("ImageListBkColor", &T::GetImageListBkColor, &T::SetImageListBkColor, vcl::ColorIdents())
        .Stored([](T* m) { return m->GetImageListBkColor() != vcl::clFuchsia; })
        .Property("IniFileName", &T::GetIniFileName, &T::SetIniFileName)
        .Stored([](T* m) { return !m->GetIniFileName().empty(); })
        .Property("LargeButtonArrowWidth", &T::GetLargeButtonArrowWidth, &T::SetLargeButtonArrowWidth)
        .Stored([](T* m) { return m->GetLargeButtonArrowWidth() != 13; })
        .Property("LargeIcons", &T::GetLargeIcons, &T::SetLargeIcons)
        .Stored([](T* m) { return m->GetLargeIcons(); })
        .Property("LookAndFeel", &T::GetLookAndFeel, &T::SetLookAndFeel)
        .Property("MakeDisabledImagesFaded", &T::GetMakeDisabledImagesFaded, &T::SetMakeDisabledImagesFaded)
        .Stored([](T* m) { return m->GetMakeDisabledImagesFaded(); })
        .Property("MenuAnimations", &T::GetMenuAnimations, &T::SetMenuAnimations)
        .Stored([](T* m) { return m->GetMenuAnimations() != maNone; })
        .Property("MenusShowRecentItemsFirst", &T::GetMenusShowRecentItemsFirst, &T::SetMenusShowRecentItemsFirst)
        .Stored([](T* m) { return !m->GetMenusShowRecentItemsFirst(); })
        .Property("MostRecentItemsPercents", &T::GetMostRecentItemsPercents, &T::SetMostRecentItemsPercents)
        .Stored([](T* m) { return m->GetMostRecentItemsPercents() != 95; })
        .Property("NotDocking", &T::GetNotDocking, &T::SetNotDocking)
        .Stored([](T* m) { return !m->GetNotDocking().Empty(); })
        .Property("RegistryPath", &T::GetRegistryPath, &T::SetRegistryPath)
        .Stored([](T* m) { return !m->GetRegistryPath().empty(); })
        .Property("Scaled", &T::GetScaled, &T::SetScaled)
        .Stored([](T* m) { return !m->GetScaled(); })
        .Property("ShowCloseButton", &T::GetShowCloseButton, &T::SetShowCloseButton)
        .Stored([](T* m) { return m->GetShowCloseButton(); })
        .Property("ShowFullMenusAfterDelay", &T::GetShowFullMenusAfterDelay, &T::SetShowFullMenusAfterDelay)
        .Stored([](T* m) { return !m->GetShowFullMenusAfterDelay(); })
        .Property("ShowHelpButton", &T::GetShowHelpButton, &T::SetShowHelpButton)
        .Stored([](T* m) { return m->GetShowHelpButton(); })
        .Property("ShowHint", &T::GetShowHint, &T::SetShowHint)
        .Stored([](T* m) { return !m->GetShowHint(); })
        .Property("ShowHintForDisabledItems", &T::GetShowHintForDisabledItems, &T::SetShowHintForDisabledItems)
        .Stored([](T* m) { return !m->GetShowHintForDisabledItems(); })
        .Property("ShowShortCutInHint", &T::GetShowShortCutInHint, &T::SetShowShortCutInHint)
        .Stored([](T* m) { return m->GetShowShortCutInHint(); })
        .Property("StoreInIniFile", &T::GetStoreInIniFile, &T::SetStoreInIniFile)
        .Stored([](T* m) { return m->GetStoreInIniFile(); })
        .Property("StoreInRegistry", &T::GetStoreInRegistry, &T::SetStoreInRegistry)
        .Stored([](T* m) { return m->GetStoreInRegistry(); })
        .Property("StretchGlyphs", &T::GetStretchGlyphs, &T::SetStretchGlyphs)
        .Stored([](T* m) { return !m->GetStretchGlyphs(); })
        .Property("Style", &T::GetStyle, &T::SetStyle)
        .Stored([](T* m) { return m->GetStyle() != bmsEnhanced; })
        .Property("SunkenBorder", &T::GetSunkenBorder, &T::SetSunkenBorder)
        .Stored([](T* m) { return m->GetSunkenBorder(); })
        .Property("UseF10ForMenu", &T::GetUseF10ForMenu, &T::SetUseF10ForMenu)
        .Stored([](T* m) { return !m->GetUseF10ForMenu(); })
        .Property("UseFullReset", &T::GetUseFullReset, &T::SetUseFullReset)
        .Stored([](T* m) { return m->GetUseFullReset(); })
        .Property("UseLargeImagesForLargeIcons", &T::GetUseLargeImagesForLargeIcons,
                  &T::SetUseLargeImagesForLargeIcons)
        .Stored([](T* m) { return m->GetUseLargeImagesForLargeIcons(); })
        // No default: the value is always written.
        .Property("UseSystemFont", &T::GetUseSystemFont, &T::SetUseSystemFont)
        .Stored([](T*) { return true; })
        .Property("WaitForDockingTime", &T::GetWaitForDockingTime, &T::SetWaitForDockingTime)
        .Stored([](T* m) { return m->GetWaitForDockingTime() != 21; })
        .Event("OnBarAdd", &T::OnBarAdd)
        .Event("OnBarDelete", &T::OnBarDelete)
        .Event("OnBarDockingStyleChange", &T::OnBarDockingStyleChange)
        .Event("OnBarVisibleChange", &T::OnBarVisibleChange)
        .Event("OnClickItem", &T::OnClickItem)
        .Event("OnItemLinkAdd", &T::OnItemLinkAdd)
        .Event("OnItemLinkChange", &T::OnItemLinkChange)
        .Event("OnItemLinkDelete", &T::OnItemLinkDelete)
        .Event("OnShowCustomizingForm", &T::OnShowCustomizingForm)
        .Event("OnHideCustomizingForm", &T::OnHideCustomizingForm);
    vcl::DefineClassProperties<TxbBarBackgrounds, vcl::TPersistent>()
        .Property("Bar", &TxbBarBackgrounds::GetBar, &TxbBarBackgrounds::SetBar)
        .Stored([](TxbBarBackgrounds* b) { return !b->GetBar()->GetEmpty(); })
        .Property("SubMenu", &TxbBarBackgrounds::GetSubMenu, &TxbBarBackgrounds::SetSubMenu)
        .Stored([](TxbBarBackgrounds* b) { return !b->GetSubMenu()->GetEmpty(); });
    // A manager exists only on a form: the writer, which makes a fresh object for its defaults, gets none and
    // relies on the stored rules above.
    vcl::RegisterClass(
        "TxbBarManager",
        [](vcl::TComponent* owner) -> vcl::TPersistent* { return owner ? new TxbBarManager(owner) : nullptr; },
        typeid(TxbBarManager));
}

} // namespace bars

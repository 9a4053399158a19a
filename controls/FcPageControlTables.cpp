// The page control's and the pages' property tables for layout files.
#include "controls/FcPageControl.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

void RegisterPageControlTables() {
    vcl::RegisterClass<TFcTabSheet>("TFcTabSheet");
    vcl::RegisterClass<TFcPageControl>("TFcPageControl");
    {
        using C = TFcTabSheet;
        vcl::DefineClassProperties<C, vcl::TCustomControl>()
            .Property("Caption", &C::GetCaption, &C::SetCaption)
            .Property("Color", &C::GetColor, &C::SetColor, vcl::ColorIdents())
            .Stored([](C* c) { return !c->GetParentColor(); })
            .Property("DisabledIndex", &C::GetDisabledIndex, &C::SetDisabledIndex)
            .Property("ImageIndex", &C::GetImageIndex, &C::SetImageIndex)
            .Property("PageIndex", &C::GetPageIndex, &C::SetPageIndex)
            .Stored([](C*) { return false; })
            .Property("TabEnabled", &C::GetTabEnabled, &C::SetTabEnabled)
            .Property("TabVisible", &C::GetTabVisible, &C::SetTabVisible)
            // The page control shows and hides its pages: nothing of it is stored or read.
            .Property("Visible", &C::GetVisible, [](C*, bool) {})
            .Stored([](C*) { return false; })
            .Event("OnPaintBackground", static_cast<TFcPaintBackgroundEvent C::*>(&C::OnPaintBackground));
    }
    using C = TFcPageControl;
    vcl::DefineClassProperties<C, TFcCustomTabControl>()
        .Property("ActivePage", &C::GetActivePage, &C::SetActivePage)
        .Property("ActivePageDefault", &C::GetActivePageDefault, &C::SetActivePageDefault)
        .Property("BackgroundColor", &C::GetBackgroundColor, &C::SetBackgroundColor, vcl::ColorIdents())
        .Stored([](C* c) { return !c->GetParentBackgroundColor(); })
        .Property("SaveResources", &C::GetSaveResources, &C::SetSaveResources)
        // The active page names the tab.
        .Property("TabIndex", &C::GetTabIndex, &C::SetTabIndex)
        .Stored([](C*) { return false; });
}

} // namespace controls

#include "lookandfeel/lkStartup.h"

#include "lookandfeel/lkClasses.h"
#include "lookandfeel/lkControls.h"
#include "lookandfeel/lkLookAndFeels.h"
#include "lookandfeel/xbOffice11.h"
#include "lookandfeel/xbThemeManager.h"
#include "lookandfeel/xbUxTheme.h"

#include <iterator>

namespace lookandfeel {

namespace {

struct TlkModuleSteps {
    void (*Init)();
    void (*Done)();
};

// In start-up order.
const TlkModuleSteps LookAndFeelModules[] = {
    {&InitClassesModule, &DoneClassesModule},
    {&InitUxThemeModule, &DoneUxThemeModule},
    {&InitThemeManagerModule, &DoneThemeManagerModule},
    {&InitOffice11Module, &DoneOffice11Module},
    {&InitLookAndFeelsModule, &DoneLookAndFeelsModule},
    {&InitControlsModule, &DoneControlsModule},
};

int LookAndFeelUseCount = 0;

} // namespace

void InitializeLookAndFeel() {
    if (LookAndFeelUseCount++ > 0)
        return;
    for (const TlkModuleSteps& module : LookAndFeelModules)
        module.Init();
}

void FinalizeLookAndFeel() {
    if (LookAndFeelUseCount == 0 || --LookAndFeelUseCount > 0)
        return;
    for (auto it = std::rbegin(LookAndFeelModules); it != std::rend(LookAndFeelModules); ++it)
        it->Done();
}

bool LookAndFeelInitialized() { return LookAndFeelUseCount > 0; }

} // namespace lookandfeel

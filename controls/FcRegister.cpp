// The control set's classes for layout files: class names, enumeration names and property tables with the
// defaults (a fresh object's values) and storage rules of each class.
#include "controls/FcCommon.h"
#include "controls/FcFrameController.h"
#include "controls/FcRegister.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

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
}

template <class T> bool RegisterNever(T*) { return false; }

void RegisterFrameController() {
    vcl::RegisterClass<TFcFrameController>("TFcFrameController");
    using C = TFcFrameController;
    const vcl::TIdentMap* colors = vcl::ColorIdents();
    vcl::DefineClassProperties<C, vcl::TComponent>()
        .Property("About", &C::GetAbout, &C::SetAbout)
        .Stored(&RegisterNever<C>)
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
        .Stored(&RegisterNever<C>)
        .Property("Path", &C::GetPath, &C::SetPath)
        .Property("PathType", &C::GetPathType, &C::SetPathType)
        .Property("RegKey", &C::GetRegKey, &C::SetRegKey)
        .Property("RegAccess", &C::GetRegAccess, &C::SetRegAccess);
}

} // namespace

void RegisterControlClasses() {
    static const bool done = [] {
        vcl::RegisterVclClasses();
        RegisterEnumerations();
        RegisterRegIniFile();
        RegisterFrameController();
        return true;
    }();
    (void)done;
}

} // namespace controls

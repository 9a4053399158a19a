#include "lookandfeel/xbThemeManager.h"

#include "lookandfeel/lkListeners.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Controls.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"

#include <array>
#include <exception>
#include <memory>

namespace lookandfeel {

namespace {

const char16_t* const ThemeManagerDefaultNames[ThemeElementCount] = {
    u"Button",     u"Clock",    u"ComboBox", u"Edit",       u"ExplorerBar", u"Header",   u"ListView", u"Menu",
    u"Page",       u"Progress", u"Rebar",    u"ScrollBar",  u"Spin",        u"StartPanel", u"Status", u"Tab",
    u"TaskBand",   u"TaskBar",  u"ToolBar",  u"ToolTip",    u"TrackBar",    u"TrayNotify", u"TreeView", u"Window",
};

struct TxbThemeData {
    win::HTHEME Theme = nullptr;
    std::u16string ClassName;
};

std::array<TxbThemeData, ThemeElementCount> ThemeDataSlots;
bool ThemesActive = false;
win::HWND ThemeChangedReceiver = nullptr;
std::unique_ptr<TlkListenerList<TxbThemeChangedNotificator>> ThemeNotificators;

bool ThemeManagerValidElement(TxbThemeElement element) { return element >= 0 && element < ThemeElementCount; }

// Class names compare as single-byte upper-case strings.
std::u16string ThemeManagerUpper(const std::u16string& name) {
    std::u16string upper = name;
    for (char16_t& c : upper)
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - u'a' + u'A');
    return upper;
}

bool SameThemeClassName(const std::u16string& a, const std::u16string& b) {
    return ThemeManagerUpper(a) == ThemeManagerUpper(b);
}

void ThemeManagerReceiverProc(vcl::TMessage& message) {
    if (message.Msg != win::WM_THEMECHANGED) {
        message.Result = win::DefWindowProc(ThemeChangedReceiver, message.Msg, message.WParam, message.LParam);
        return;
    }
    try {
        CloseAllElementThemes();
        win::DefWindowProc(ThemeChangedReceiver, message.Msg, message.WParam, message.LParam);
        ThemesActive = lookandfeel::IsThemeActive() != 0;
        message.Result = 0;
        if (ThemeNotificators)
            ThemeNotificators->ForEach([](TxbThemeChangedNotificator* n) {
                if (n->OnThemeChanged)
                    n->OnThemeChanged();
            });
    } catch (const std::exception& e) {
        if (vcl::Application)
            vcl::Application->HandleException(nullptr, e);
    }
}

} // namespace

std::u16string ThemeClassName(TxbThemeElement element) {
    return ThemeManagerValidElement(element) ? ThemeManagerDefaultNames[element] : std::u16string();
}

bool GetThemesActive() { return ThemesActive; }

win::HWND ThemeChangedReceiverWindow() { return ThemeChangedReceiver; }

bool AreThemesAvailable(TxbThemeElements elements) {
    if (!ThemesActive || !IsUxThemeLoaded())
        return false;
    for (TxbThemeElement e = 0; e < ThemeElementCount; ++e)
        if ((elements & ThemeElementBit(e)) && !OpenElementTheme(e))
            return false;
    return true;
}

bool IsElementThemeAvailable(TxbThemeElement element) {
    return ThemesActive && IsUxThemeLoaded() && OpenElementTheme(element) != nullptr;
}

win::HTHEME OpenElementTheme(TxbThemeElement element, const char16_t* className) {
    if (!ThemeManagerValidElement(element) || !AreThemesAvailable(0))
        return nullptr;
    TxbThemeData& slot = ThemeDataSlots[size_t(element)];
    if (slot.Theme) {
        if (!className || SameThemeClassName(className, slot.ClassName))
            return slot.Theme;
        CloseElementTheme(element);
    }
    std::u16string name = className             ? std::u16string(className)
                          : !slot.ClassName.empty() ? slot.ClassName
                                                    : std::u16string(ThemeManagerDefaultNames[element]);
    win::HTHEME theme = lookandfeel::OpenThemeData(nullptr, name.c_str());
    if (theme) {
        slot.Theme = theme;
        slot.ClassName = name;
    } else {
        slot.ClassName.clear();
    }
    return theme;
}

win::HRESULT CloseElementTheme(TxbThemeElement element) {
    if (!ThemeManagerValidElement(element) || !AreThemesAvailable(0))
        return 1;
    TxbThemeData& slot = ThemeDataSlots[size_t(element)];
    if (!slot.Theme)
        return 0;
    win::HRESULT result = lookandfeel::CloseThemeData(slot.Theme);
    slot.Theme = nullptr;
    slot.ClassName.clear();
    return result;
}

void CloseAllElementThemes() {
    for (TxbThemeData& slot : ThemeDataSlots)
        if (slot.Theme) {
            lookandfeel::CloseThemeData(slot.Theme);
            slot.Theme = nullptr;
        }
}

win::HTHEME ElementThemeHandle(TxbThemeElement element) {
    return ThemeManagerValidElement(element) ? ThemeDataSlots[size_t(element)].Theme : nullptr;
}

std::u16string ElementThemeClassName(TxbThemeElement element) {
    return ThemeManagerValidElement(element) ? ThemeDataSlots[size_t(element)].ClassName : std::u16string();
}

TxbThemeChangedNotificator::TxbThemeChangedNotificator() {
    if (IsUxThemeLoaded() && ThemeNotificators)
        ThemeNotificators->Add(this);
}

TxbThemeChangedNotificator::~TxbThemeChangedNotificator() {
    if (IsUxThemeLoaded() && ThemeNotificators)
        ThemeNotificators->Remove(this);
}

void InitThemeManagerModule() {
    for (TxbThemeData& slot : ThemeDataSlots)
        slot = TxbThemeData();
    ThemesActive = false;
    if (!IsUxThemeLoaded())
        return;
    ThemesActive = lookandfeel::IsThemeActive() != 0;
    ThemeChangedReceiver = vcl::AllocateHWnd(&ThemeManagerReceiverProc);
    ThemeNotificators = std::make_unique<TlkListenerList<TxbThemeChangedNotificator>>();
}

void DoneThemeManagerModule() {
    if (IsUxThemeLoaded()) {
        ThemesActive = false;
        vcl::DeallocateHWnd(ThemeChangedReceiver);
        ThemeChangedReceiver = nullptr;
        CloseAllElementThemes();
        ThemeNotificators.reset();
    }
    for (TxbThemeData& slot : ThemeDataSlots)
        slot = TxbThemeData();
}

} // namespace lookandfeel

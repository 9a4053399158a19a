// The control set's visual-styles service: one object per process decides whether themed drawing is on,
// keeps one theme handle per element, turns a control's detail code into the theme's part and state, and
// draws parts, part text and the parent's background. It listens to the application window for scheme
// changes.
#pragma once

#include "controls/FcUxTheme.h"
#include "platform/vcl/Object.h"
#include "platform/vcl/Types.h"
#include "platform/win/user/UserTypes.h"

#include <array>
#include <string>

namespace controls {

enum TThemedElement {
    teButton,
    teClock,
    teComboBox,
    teEdit,
    teExplorerBar,
    teHeader,
    teListView,
    teMenu,
    tePage,
    teProgress,
    teRebar,
    teScrollBar,
    teSpin,
    teStartPanel,
    teStatus,
    teTab,
    teTaskBand,
    teTaskBar,
    teToolBar,
    teToolTip,
    teTrackBar,
    teTrayNotify,
    teTreeView,
    teWindow
};
constexpr int ThemedElementCount = 24;

// The class name the element opens its theme data with ("button" ...).
const char* ThemedElementClassName(TThemedElement element);

struct TThemedElementDetails {
    TThemedElement Element = teButton;
    int32_t Part = 0;
    int32_t State = 0;
    bool operator==(const TThemedElementDetails&) const = default;
};

// Detail codes: one per part and state, in the theme's own order; 0 and 1 belong to no part.
enum TThemedButton {
    tbButtonDontCare,
    tbButtonRoot,
    tbPushButtonNormal,
    tbPushButtonHot,
    tbPushButtonPressed,
    tbPushButtonDisabled,
    tbPushButtonDefaulted,
    tbRadioButtonUncheckedNormal,
    tbRadioButtonUncheckedHot,
    tbRadioButtonUncheckedPressed,
    tbRadioButtonUncheckedDisabled,
    tbRadioButtonCheckedNormal,
    tbRadioButtonCheckedHot,
    tbRadioButtonCheckedPressed,
    tbRadioButtonCheckedDisabled,
    tbCheckBoxUncheckedNormal,
    tbCheckBoxUncheckedHot,
    tbCheckBoxUncheckedPressed,
    tbCheckBoxUncheckedDisabled,
    tbCheckBoxCheckedNormal,
    tbCheckBoxCheckedHot,
    tbCheckBoxCheckedPressed,
    tbCheckBoxCheckedDisabled,
    tbCheckBoxMixedNormal,
    tbCheckBoxMixedHot,
    tbCheckBoxMixedPressed,
    tbCheckBoxMixedDisabled,
    tbGroupBoxNormal,
    tbGroupBoxDisabled,
    tbUserButton
};

enum TThemedComboBox {
    tcComboBoxDontCare,
    tcComboBoxRoot,
    tcDropDownButtonNormal,
    tcDropDownButtonHot,
    tcDropDownButtonPressed,
    tcDropDownButtonDisabled
};

enum TThemedSpin {
    tsSpinDontCare,
    tsSpinRoot,
    tsUpNormal,
    tsUpHot,
    tsUpPressed,
    tsUpDisabled,
    tsDownNormal,
    tsDownHot,
    tsDownPressed,
    tsDownDisabled,
    tsUpHorzNormal,
    tsUpHorzHot,
    tsUpHorzPressed,
    tsUpHorzDisabled,
    tsDownHorzNormal,
    tsDownHorzHot,
    tsDownHorzPressed,
    tsDownHorzDisabled
};

enum TThemedHeader {
    thHeaderDontCare,
    thHeaderRoot,
    thHeaderItemNormal,
    thHeaderItemHot,
    thHeaderItemPressed,
    thHeaderItemLeftNormal,
    thHeaderItemLeftHot,
    thHeaderItemLeftPressed,
    thHeaderItemRightNormal,
    thHeaderItemRightHot,
    thHeaderItemRightPressed,
    thHeaderSortArrowSortedUp,
    thHeaderSortArrowSortedDown
};

// The tool bar's drop-down button (part 2), which the control buttons draw.
enum TThemedToolBar {
    ttbToolBarDontCare,
    ttbToolBarRoot,
    ttbDropDownButtonNormal,
    ttbDropDownButtonHot,
    ttbDropDownButtonPressed,
    ttbDropDownButtonDisabled
};

class TThemeServices : public vcl::TObject {
public:
    // Subclasses the window (when not null) to hear of scheme changes, binds the theme library and
    // decides whether themes are in use.
    explicit TThemeServices(win::HWND windowHandle);
    ~TThemeServices() override;
    TThemeServices(const TThemeServices&) = delete;
    TThemeServices& operator=(const TThemeServices&) = delete;

    // The test every control makes before it draws a theme part.
    bool ThemesEnabled() const { return FThemesAvailable && FUseThemes && FControlsEnabled; }
    bool ThemesAvailable() const { return FThemesAvailable; }

    // The element's theme handle, opened on first use while themes are in use (a failed open is asked
    // again next time); null when themes are not in use.
    win::HTHEME ThemeHandle(TThemedElement element);

    TThemedElementDetails DetailsForButton(int code) const;
    TThemedElementDetails DetailsForComboBox(int code) const;
    TThemedElementDetails DetailsForHeader(int code) const;
    TThemedElementDetails DetailsForScrollBar(int code) const;
    TThemedElementDetails DetailsForSpin(int code) const;
    TThemedElementDetails DetailsForToolBar(int code) const;
    TThemedElementDetails DetailsForWindow(int code) const;

    win::HRESULT PaintElement(win::HDC dc, const TThemedElementDetails& details, const win::TRect& rect,
                              const win::TRect* clipRect = nullptr);
    win::HRESULT PaintElementText(win::HDC dc, const TThemedElementDetails& details, const std::u16string& text,
                                  const win::TRect& rect, win::DWORD flags, win::DWORD flags2);
    // details may be null: then the parent paints whatever OnlyIfTransparent says.
    void PaintParentBackground(win::HWND window, win::HDC dc, const TThemedElementDetails* details,
                               bool onlyIfTransparent, const win::TRect* rect = nullptr);

    // Closes the open handles and decides again whether themes are in use.
    void RefreshThemeState();
    // Fires OnThemeChanged.
    virtual void NotifyThemeChanged();

    win::HWND WindowHandle() const { return FWindowHandle; }
    // Whether the object still sits in the window's procedure chain.
    bool Subclassed() const { return FPreviousProc != nullptr; }

    vcl::TNotifyEvent OnThemeChanged;

private:
    static win::LRESULT SubclassProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    win::LRESULT WindowProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    void Unsubclass();
    void CloseThemeHandles();

    friend struct ThemeServicesAccess;

    win::HWND FWindowHandle = nullptr;
    win::WNDPROC FPreviousProc = nullptr;
    int FThunkIndex = -1; // the procedure slot while the window is subclassed
    bool FThemesAvailable = false;
    bool FUseThemes = false;
    bool FControlsEnabled = false;
    std::array<win::HTHEME, ThemedElementCount> FThemeHandles{};
};

// The process's services object, made on first use with the application window.
TThemeServices* GetThemeServices();
// Frees it (the control set's shut-down; tests that change the application window).
void FreeThemeServices();

} // namespace controls

// The themed control set: what every control stands on (theme services, colour and font routines, the
// frame model with its border painting, bitmap and gradient painting, the frame controller), the blinking
// list the labels share, the settings-file component, the control set's start-up and its class registry.
#pragma once

#include "controls/FcButton.h"
#include "controls/FcComboBox.h"
#include "controls/FcControlButton.h"
#include "controls/FcEdit.h"
#include "controls/FcFrameController.h"
#include "controls/FcFrames.h"
#include "controls/FcGraphics.h"
#include "controls/FcLabel.h"
#include "controls/FcPanel.h"
#include "controls/FcPanelDockManager.h"
#include "controls/FcRadioCheck.h"
#include "controls/FcListView.h"
#include "controls/FcPageControl.h"
#include "controls/FcRegister.h"
#include "controls/FcSpinEdit.h"
#include "controls/FcTabs.h"
#include "controls/FcThemeServices.h"
#include "controls/FcUxTheme.h"
#include "platform/vcl/Component.h"
#include "platform/win/kernel/Version.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vcl {
class TControl;
class TTimer;
class TIniFile;
class TRegistry;
} // namespace vcl

namespace controls {

// Sent to every control of the blinking list on each tick: the query answers 1 while the control blinks,
// and only those get the new state (WParam 0 or 1).
constexpr win::UINT BlinkQueryMsg = 0xB3E8;
constexpr win::UINT BlinkStateMsg = 0xB3E9;

// The one timer that makes labels blink in step. The first label makes it, the last one frees it.
class TFcBlinkingControlsList : public vcl::TObject {
public:
    TFcBlinkingControlsList();
    ~TFcBlinkingControlsList() override;
    TFcBlinkingControlsList(const TFcBlinkingControlsList&) = delete;
    TFcBlinkingControlsList& operator=(const TFcBlinkingControlsList&) = delete;

    void Add(vcl::TControl* control);
    // Removes the first occurrence.
    void Remove(vcl::TControl* control);
    int32_t Count() const { return int32_t(FControls.size()); }

    uint8_t GetBlinkState() const { return FBlinkState; }
    // Shared by every label; a change takes effect at the next tick.
    uint16_t GetBlinkIntervalOn() const { return FIntervalOn; }
    void SetBlinkIntervalOn(uint16_t value) { FIntervalOn = value; }
    uint16_t GetBlinkIntervalOff() const { return FIntervalOff; }
    void SetBlinkIntervalOff(uint16_t value) { FIntervalOff = value; }
    vcl::TTimer* GetTimer() const { return FTimer.get(); }

    // One tick: the state flips, the timer takes the interval of the new state, and every control that
    // blinks hears of it.
    void Tick();

private:
    std::unique_ptr<vcl::TTimer> FTimer;
    std::vector<vcl::TControl*> FControls;
    uint8_t FBlinkState = 1;
    uint16_t FIntervalOn = 500;
    uint16_t FIntervalOff = 500;
    // Set while a tick runs: the destructor clears it, so that the tick stops touching a freed list.
    bool* FTickAlive = nullptr;
};

// The process's list, or null while no label exists.
TFcBlinkingControlsList* BlinkingControlsList();
// Makes the list when there is none.
TFcBlinkingControlsList* NeedBlinkingControlsList();
// Frees the list when no control is left in it.
void FreeBlinkingListIfEmpty();

// ---- Settings file -----------------------------------------------------------------------------------

enum TFcPathType : uint8_t { ptIniFile, ptRegistry };
enum TFcRegKey : uint8_t {
    hkeyClassesRoot,
    hkeyCurrentUser,
    hkeyLocalMachine,
    hkeyUsers,
    hkeyPerformanceData,
    hkeyCurrentConfig,
    hkeyDynData
};
enum TFcRegAccessKey : uint8_t {
    keyQueryValue,
    keySetValue,
    keyCreateSubKey,
    keyEnumerateSubKeys,
    keyNotify,
    keyCreateLink,
    keyRead,
    keyWrite,
    keyExecute,
    keyAllAccess
};
using TFcRegAccess = vcl::TSet<TFcRegAccessKey>; // stored as a 16-bit mask, bit n for the n-th value

// Names where settings would be kept: an ini file or a registry key. The control set only sets it up.
class TFcRegIniFile : public vcl::TComponent {
public:
    explicit TFcRegIniFile(vcl::TComponent* owner);
    ~TFcRegIniFile() override;

    std::string GetPath() const { return FPath; }
    void SetPath(const std::string& value);
    TFcPathType GetPathType() const { return FPathType; }
    void SetPathType(TFcPathType value);
    TFcRegKey GetRegKey() const { return FRegKey; }
    void SetRegKey(TFcRegKey value);
    TFcRegAccess GetRegAccess() const { return FRegAccess; }
    void SetRegAccess(TFcRegAccess value);
    TFcAboutInfo GetAbout() const { return fcAbout; }
    void SetAbout(TFcAboutInfo) {}

    // The storage must be opened again before it is used.
    bool NeedsRefresh() const { return FRefresh; }

private:
    std::string FPath;
    TFcPathType FPathType = ptIniFile;
    TFcRegKey FRegKey = hkeyCurrentUser;
    TFcRegAccess FRegAccess{keyAllAccess};
    bool FRefresh = true;
    std::unique_ptr<vcl::TIniFile> FIniFile;
    std::unique_ptr<vcl::TRegistry> FRegistry;
};

// ---- Start-up ----------------------------------------------------------------------------------------

// The file version of a module's version resource: the most significant double word (major, minor) in the
// high 32 bits, the least significant (release, build) in the low. False, and 0, when it cannot be read.
bool GetFileVersion(const std::string& fileName, uint64_t& version);

// The control set's start-up, once before its first control (the program's start-up and the tests call
// it): COM for the thread, the system's version, the shell's allocator and the common controls' file
// version. FinalizeControls undoes it and lets the theme library go.
void InitializeControls();
void FinalizeControls();
bool ControlsInitialized();
// What the start-up read: the version record (148 bytes) and the common controls' file version (0 when
// unreadable).
const win::OSVERSIONINFO& ControlsOsVersion();
uint64_t ComCtlFileVersion();

} // namespace controls

#include "controls/FcCommon.h"

#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/IniFiles.h"
#include "platform/vcl/Registry.h"
#include "platform/vcl/Scope.h"
#include "platform/win/ole/Com.h"
#include "platform/win/shell/Shell.h"

#include <algorithm>
#include <utility>

namespace controls {

namespace {

// Freed by FreeBlinkingListIfEmpty, never at the end of the process: its timer belongs to the window system.
TFcBlinkingControlsList* CommonBlinkingList = nullptr;

struct CommonStartup {
    bool Initialized = false;
    win::OSVERSIONINFO Os{};
    win::IMalloc* ShellMalloc = nullptr;
    uint64_t ComCtlVersion = 0;
};

CommonStartup& CommonState() {
    static CommonStartup state;
    return state;
}

} // namespace

// ---- TFcBlinkingControlsList ---------------------------------------------------------------------------

TFcBlinkingControlsList::TFcBlinkingControlsList() {
    FTimer = std::make_unique<vcl::TTimer>(nullptr);
    FTimer->SetInterval(FIntervalOff);
    FTimer->SetOnTimer([this](vcl::TObject*) { Tick(); });
}

TFcBlinkingControlsList::~TFcBlinkingControlsList() {
    if (FTickAlive)
        *FTickAlive = false;
    FTimer.reset();
}

void TFcBlinkingControlsList::Add(vcl::TControl* control) { FControls.push_back(control); }

void TFcBlinkingControlsList::Remove(vcl::TControl* control) {
    auto it = std::find(FControls.begin(), FControls.end(), control);
    if (it != FControls.end())
        FControls.erase(it);
}

void TFcBlinkingControlsList::Tick() {
    if (FBlinkState == 1) {
        FBlinkState = 0;
        FTimer->SetInterval(FIntervalOff);
    } else {
        FBlinkState = 1;
        FTimer->SetInterval(FIntervalOn);
    }
    const uint8_t state = FBlinkState;
    // The controls' answers may free controls, and with the last one the list: the tick walks a copy,
    // skips whatever left the list meanwhile, and stops when the list itself is gone.
    bool alive = true;
    bool* outer = std::exchange(FTickAlive, &alive);
    vcl::ScopeExit restore([&]() noexcept {
        if (alive)
            FTickAlive = outer;
    });
    const std::vector<vcl::TControl*> snapshot = FControls;
    auto listed = [this](vcl::TControl* c) { return std::find(FControls.begin(), FControls.end(), c) != FControls.end(); };
    for (vcl::TControl* control : snapshot) {
        if (!listed(control))
            continue;
        const win::LRESULT blinking = control->Perform(BlinkQueryMsg, 0, 0);
        if (!alive)
            return;
        if (blinking != 1 || !listed(control))
            continue;
        control->Perform(BlinkStateMsg, state, 0);
        if (!alive)
            return;
    }
}

TFcBlinkingControlsList* BlinkingControlsList() { return CommonBlinkingList; }

TFcBlinkingControlsList* NeedBlinkingControlsList() {
    if (!CommonBlinkingList)
        CommonBlinkingList = new TFcBlinkingControlsList;
    return CommonBlinkingList;
}

void FreeBlinkingListIfEmpty() {
    if (CommonBlinkingList && CommonBlinkingList->Count() == 0)
        delete std::exchange(CommonBlinkingList, nullptr);
}

// ---- TFcRegIniFile ---------------------------------------------------------------------------------------

TFcRegIniFile::TFcRegIniFile(vcl::TComponent* owner) : vcl::TComponent(owner) {}

TFcRegIniFile::~TFcRegIniFile() = default;

void TFcRegIniFile::SetPath(const std::string& value) {
    if (vcl::SetIfChanged(FPath, value))
        FRefresh = true;
}

void TFcRegIniFile::SetPathType(TFcPathType value) {
    if (vcl::SetIfChanged(FPathType, value))
        FRefresh = true;
}

void TFcRegIniFile::SetRegKey(TFcRegKey value) {
    if (vcl::SetIfChanged(FRegKey, value))
        FRefresh = true;
}

void TFcRegIniFile::SetRegAccess(TFcRegAccess value) {
    if (vcl::SetIfChanged(FRegAccess, value))
        FRefresh = true;
}

// ---- Start-up ---------------------------------------------------------------------------------------------

bool GetFileVersion(const std::string& fileName, uint64_t& version) {
    version = 0;
    win::DWORD handle = 0;
    win::DWORD size = win::GetFileVersionInfoSize(fileName.c_str(), &handle);
    if (size == 0)
        return false;
    std::vector<uint8_t> block(size); // freed on every path
    if (!win::GetFileVersionInfo(fileName.c_str(), handle, size, block.data()))
        return false;
    void* value = nullptr;
    win::UINT length = 0;
    if (!win::VerQueryValue(block.data(), "\\", &value, &length) || !value ||
        length < sizeof(win::VS_FIXEDFILEINFO))
        return false;
    const auto* info = static_cast<const win::VS_FIXEDFILEINFO*>(value);
    version = (uint64_t(info->dwFileVersionMS) << 32) | info->dwFileVersionLS;
    return true;
}

void InitializeControls() {
    CommonStartup& s = CommonState();
    if (s.Initialized)
        return;
    win::CoInitialize(nullptr);
    s.Os = win::OSVERSIONINFO{};
    s.Os.dwOSVersionInfoSize = sizeof(win::OSVERSIONINFO);
    win::GetVersionEx(&s.Os);
    win::SHGetMalloc(&s.ShellMalloc);
    if (!GetFileVersion("comctl32.dll", s.ComCtlVersion))
        s.ComCtlVersion = 0;
    s.Initialized = true;
}

void FinalizeControls() {
    CommonStartup& s = CommonState();
    if (!s.Initialized)
        return;
    FreeThemeServices();
    FreeStockGlyphs();
    ReleaseThemeLibraryCompletely();
    if (s.ShellMalloc)
        std::exchange(s.ShellMalloc, nullptr)->Release();
    win::CoUninitialize();
    s.Initialized = false;
}

bool ControlsInitialized() { return CommonState().Initialized; }

const win::OSVERSIONINFO& ControlsOsVersion() { return CommonState().Os; }

uint64_t ComCtlFileVersion() { return CommonState().ComCtlVersion; }

} // namespace controls

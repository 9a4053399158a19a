#include "lookandfeel/lkLookAndFeels.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Controls.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"

#include <array>

namespace lookandfeel {

namespace {

TlkLookAndFeel* RootLookAndFeel = nullptr;
int32_t ControllerCount = 0;
std::array<TlkLookAndFeelPainterClass, 5> LookAndFeelPainters{};

bool IsController(ILookAndFeelListener* listener) {
    return dynamic_cast<TlkLookAndFeelController*>(listener->ListenerObject()) != nullptr;
}

// The hidden window that turns system colour changes into notifications.
struct TlkSystemPaletteChangedListener {
    win::HWND Window = nullptr;
    TlkListenerList<TlkSystemPaletteChangedNotifier> Notifiers;
    TlkListenerList<TlkSystemPaletteChangedNotifier> PrimaryNotifiers;
};
std::unique_ptr<TlkSystemPaletteChangedListener> PaletteListener;

void PaletteListenerProc(vcl::TMessage& message) {
    win::HWND window = PaletteListener ? PaletteListener->Window : nullptr;
    if (message.Msg == win::WM_SYSCOLORCHANGE && PaletteListener) {
        UpdateOffice11Colors();
        auto tell = [](TlkSystemPaletteChangedNotifier* n) { n->DoChanged(); };
        PaletteListener->PrimaryNotifiers.ForEach(tell, true);
        if (PaletteListener)
            PaletteListener->Notifiers.ForEach(tell, true);
    }
    message.Result = win::DefWindowProc(window, message.Msg, message.WParam, message.LParam);
}

} // namespace

void RegisterLookAndFeelPainter(TlkLookAndFeelPainterKind kind, TlkLookAndFeelPainterClass painter) {
    LookAndFeelPainters[size_t(kind)] = painter;
}

TlkLookAndFeelPainterClass GetLookAndFeelPainter(TlkLookAndFeelPainterKind kind) {
    return LookAndFeelPainters[size_t(kind)];
}

TlkSystemPaletteChangedNotifier::TlkSystemPaletteChangedNotifier(bool primary) : FPrimary(primary) {
    if (!PaletteListener) {
        PaletteListener = std::make_unique<TlkSystemPaletteChangedListener>();
        AcquireOffice11Colors();
        PaletteListener->Window = vcl::AllocateHWnd(&PaletteListenerProc);
    }
    (primary ? PaletteListener->PrimaryNotifiers : PaletteListener->Notifiers).Add(this);
}

TlkSystemPaletteChangedNotifier::~TlkSystemPaletteChangedNotifier() {
    if (!PaletteListener)
        return;
    (FPrimary ? PaletteListener->PrimaryNotifiers : PaletteListener->Notifiers).Remove(this);
    if (PaletteListener->PrimaryNotifiers.Count() + PaletteListener->Notifiers.Count() == 0) {
        vcl::DeallocateHWnd(PaletteListener->Window);
        PaletteListener.reset();
        FreeOffice11Colors();
    }
}

void TlkSystemPaletteChangedNotifier::DoChanged() {
    if (OnSystemPaletteChanged)
        OnSystemPaletteChanged();
}

win::HWND SystemPaletteListenerWindow() { return PaletteListener ? PaletteListener->Window : nullptr; }

TlkLookAndFeel::TlkLookAndFeel(vcl::TPersistent* owner) : TlkLookAndFeel(owner, false) {}

TlkLookAndFeel::TlkLookAndFeel(vcl::TPersistent* owner, bool root)
    : TlkInterfacedPersistent(owner), FIsRoot(root) {
    FPaletteNotifier = std::make_unique<TlkSystemPaletteChangedNotifier>(false);
    FPaletteNotifier->OnSystemPaletteChanged = [this] { SystemPaletteChanged(); };
    if (!root && RootLookAndFeel) {
        RootLookAndFeel->AddChangeListener(this);
        FCurrentKind = InternalGetKind();
        FCurrentNativeStyle = InternalGetNativeStyle();
    }
}

TlkLookAndFeel::~TlkLookAndFeel() {
    FPaletteNotifier.reset();
    FDestroying = true;
    FListeners.ForEach([this](ILookAndFeelListener* listener) { listener->MasterDestroying(this); });
    FDestroying = false;
    FListeners.Clear();
    if (TlkLookAndFeel* master = EffectiveMaster())
        master->RemoveChangeListener(this);
    if (FIsRoot && RootLookAndFeel == this) {
        RootLookAndFeel = nullptr;
        ControllerCount = 0;
    }
}

TlkLookAndFeel* TlkLookAndFeel::EffectiveMaster() const {
    if (FIsRoot)
        return nullptr;
    return FMasterLookAndFeel ? FMasterLookAndFeel : RootLookAndFeel;
}

TlkLookAndFeelKind TlkLookAndFeel::InternalGetKind() {
    if (FAssignedValues.Contains(lfvKind))
        return FKind;
    if (FIsRoot)
        return lfUltraFlat;
    if (FMasterLookAndFeel)
        return FMasterLookAndFeel->GetKind();
    if (RootLookAndFeel)
        return RootLookAndFeel->GetKind();
    return lfUltraFlat;
}

bool TlkLookAndFeel::InternalGetNativeStyle() {
    if (FAssignedValues.Contains(lfvNativeStyle))
        return FNativeStyle;
    if (FIsRoot)
        return false;
    if (FMasterLookAndFeel)
        return FMasterLookAndFeel->GetNativeStyle();
    if (RootLookAndFeel)
        return RootLookAndFeel->GetNativeStyle();
    return false;
}

void TlkLookAndFeel::SystemPaletteChanged() { Changed({lfvNativeStyle}); }

void TlkLookAndFeel::Changed(TlkLookAndFeelValues values) {
    if (values.Empty() || FDestroying)
        return;
    FCurrentKind = InternalGetKind();
    FCurrentNativeStyle = InternalGetNativeStyle();
    FListeners.ForEach([this, values](ILookAndFeelListener* listener) { listener->MasterChanged(this, values); });
    if (OnChanged)
        OnChanged(this, values);
}

void TlkLookAndFeel::CheckStateChanges(const TSavedState& saved) {
    TlkLookAndFeelValues changed;
    if (InternalGetKind() != saved.Kind)
        changed.Include(lfvKind);
    if (InternalGetNativeStyle() != saved.NativeStyle)
        changed.Include(lfvNativeStyle);
    Changed(changed);
}

void TlkLookAndFeel::SetKind(TlkLookAndFeelKind value) {
    const TlkLookAndFeelKind before = FCurrentKind;
    FAssignedValues.Include(lfvKind);
    FKind = value;
    if (InternalGetKind() != before)
        Changed({lfvKind});
}

void TlkLookAndFeel::SetNativeStyle(bool value) {
    const bool before = FCurrentNativeStyle;
    FAssignedValues.Include(lfvNativeStyle);
    FNativeStyle = value;
    if (InternalGetNativeStyle() != before)
        Changed({lfvNativeStyle});
}

void TlkLookAndFeel::SetAssignedValues(TlkLookAndFeelValues value) {
    if (value == FAssignedValues)
        return;
    const TSavedState saved{FCurrentKind, FCurrentNativeStyle};
    FAssignedValues = value;
    CheckStateChanges(saved);
}

void TlkLookAndFeel::Reset() { SetAssignedValues({}); }

bool TlkLookAndFeel::MasterChainReaches(TlkLookAndFeel* value) const {
    // Bounded by the number of objects on the chain: a chain that already holds a cycle ends the walk too.
    std::vector<const TlkLookAndFeel*> seen;
    for (const TlkLookAndFeel* m = value; m; m = m->FMasterLookAndFeel) {
        if (m == this)
            return true;
        if (std::find(seen.begin(), seen.end(), m) != seen.end())
            return false;
        seen.push_back(m);
    }
    return false;
}

void TlkLookAndFeel::DoSetMasterLookAndFeel(TlkLookAndFeel* value) {
    if (TlkLookAndFeel* master = EffectiveMaster())
        master->RemoveChangeListener(this);
    FMasterLookAndFeel = value;
    if (TlkLookAndFeel* master = EffectiveMaster())
        master->AddChangeListener(this);
}

void TlkLookAndFeel::SetMasterLookAndFeel(TlkLookAndFeel* value) {
    // A master that follows this object, directly or through others, would make a loop of notifications.
    if (FIsRoot || value == this || value == EffectiveMaster() || MasterChainReaches(value))
        return;
    const TSavedState saved{FCurrentKind, FCurrentNativeStyle};
    DoSetMasterLookAndFeel(value);
    CheckStateChanges(saved);
}

void TlkLookAndFeel::Assign(vcl::TPersistent* source) {
    auto* other = dynamic_cast<TlkLookAndFeel*>(source);
    if (!other) {
        TlkInterfacedPersistent::Assign(source);
        return;
    }
    // One notification for everything the assignment changed.
    const TSavedState saved{FCurrentKind, FCurrentNativeStyle};
    FKind = other->FKind;
    FNativeStyle = other->FNativeStyle;
    FAssignedValues = other->FAssignedValues;
    TlkLookAndFeel* master = other->EffectiveMaster();
    if (!FIsRoot && master != this && master != EffectiveMaster() && !MasterChainReaches(master))
        DoSetMasterLookAndFeel(master);
    CheckStateChanges(saved);
}

void TlkLookAndFeel::AddChangeListener(ILookAndFeelListener* listener) {
    if (!listener)
        return;
    const bool controller = IsController(listener);
    if (controller && !FIsRoot)
        return;
    if (FListeners.Add(listener) && controller)
        ++ControllerCount;
}

void TlkLookAndFeel::RemoveChangeListener(ILookAndFeelListener* listener) {
    if (!listener || FDestroying || !FListeners.Remove(listener))
        return;
    if (FIsRoot && IsController(listener) && ControllerCount > 0 && --ControllerCount == 0)
        Reset();
}

bool TlkLookAndFeel::HasChangeListener(ILookAndFeelListener* listener) const { return FListeners.Contains(listener); }

void TlkLookAndFeel::MasterChanged(TlkLookAndFeel* sender, TlkLookAndFeelValues values) {
    Changed(values - FAssignedValues);
}

void TlkLookAndFeel::MasterDestroying(TlkLookAndFeel* sender) { SetMasterLookAndFeel(nullptr); }

TlkLookAndFeelPainterClass TlkLookAndFeel::PainterOfKind() const {
    switch (GetKind()) {
    case lfFlat: return GetLookAndFeelPainter(lpkFlat);
    case lfStandard: return GetLookAndFeelPainter(lpkStandard);
    case lfOffice11: return GetLookAndFeelPainter(lpkOffice11);
    default: return GetLookAndFeelPainter(lpkUltraFlat);
    }
}

TlkLookAndFeelPainterClass TlkLookAndFeel::Painter() {
    if (GetNativeStyle() && AreThemesAvailable(0))
        return GetLookAndFeelPainter(lpkWinXP);
    return PainterOfKind();
}

TlkLookAndFeelPainterClass TlkLookAndFeel::PainterForElement(TxbThemeElement element) {
    if (GetNativeStyle() && IsElementThemeAvailable(element))
        return GetLookAndFeelPainter(lpkWinXP);
    return PainterOfKind();
}

TlkLookAndFeel* CurrentRootLookAndFeel() { return RootLookAndFeel; }
int32_t LookAndFeelControllerCount() { return ControllerCount; }

TlkLookAndFeelController::TlkLookAndFeelController(vcl::TComponent* owner) : vcl::TComponent(owner) {
    if (RootLookAndFeel)
        RootLookAndFeel->AddChangeListener(this);
}

TlkLookAndFeelController::~TlkLookAndFeelController() {
    if (RootLookAndFeel)
        RootLookAndFeel->RemoveChangeListener(this);
}

TlkLookAndFeelKind TlkLookAndFeelController::GetKind() const {
    return RootLookAndFeel ? RootLookAndFeel->GetKind() : lfUltraFlat;
}

void TlkLookAndFeelController::SetKind(TlkLookAndFeelKind value) {
    if (RootLookAndFeel)
        RootLookAndFeel->SetKind(value);
}

bool TlkLookAndFeelController::GetNativeStyle() const {
    return RootLookAndFeel ? RootLookAndFeel->GetNativeStyle() : false;
}

void TlkLookAndFeelController::SetNativeStyle(bool value) {
    if (RootLookAndFeel)
        RootLookAndFeel->SetNativeStyle(value);
}

void InitLookAndFeelsModule() {
    RegisterLookAndFeelsTables();
    if (!RootLookAndFeel)
        RootLookAndFeel = new TlkLookAndFeel(nullptr, true);
}

void DoneLookAndFeelsModule() {
    delete RootLookAndFeel;
    RootLookAndFeel = nullptr;
}

} // namespace lookandfeel

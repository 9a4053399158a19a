// Look-and-feel settings: the kind (Flat, Standard, UltraFlat, Office11) and whether the system's visual
// styles are used, inherited from a master look-and-feel or from the one root look-and-feel whose values a
// controller component sets; changes are pushed to listeners with the set of values that changed, and the
// current values choose the painter. The chief header of the look-and-feel library: it gathers the rest of
// its public interface.
#pragma once

#include "lookandfeel/lkClasses.h"
#include "lookandfeel/lkControls.h"
#include "lookandfeel/lkGraphics.h"
#include "lookandfeel/lkListeners.h"
#include "lookandfeel/lkStartup.h"
#include "lookandfeel/xbCommon.h"
#include "lookandfeel/xbOffice11.h"
#include "lookandfeel/xbThemeManager.h"
#include "lookandfeel/xbUxTheme.h"
#include "platform/vcl/Types.h"

#include <functional>
#include <memory>

namespace lookandfeel {

enum TlkLookAndFeelKind { lfFlat, lfStandard, lfUltraFlat, lfOffice11 };
enum TlkLookAndFeelValue { lfvKind, lfvNativeStyle };
using TlkLookAndFeelValues = vcl::TSet<TlkLookAndFeelValue>;

class TlkLookAndFeel;

// What look-and-feel listeners implement: the look-and-feel objects themselves (a master tells the objects
// that follow it) and the controllers (the root tells them).
class ILookAndFeelListener {
public:
    virtual ~ILookAndFeelListener() = default;
    virtual vcl::TObject* ListenerObject() = 0;
    virtual void MasterChanged(TlkLookAndFeel* sender, TlkLookAndFeelValues values) = 0;
    virtual void MasterDestroying(TlkLookAndFeel* sender) = 0;
};

// Painters are classes used through class-level operations only: a painter "class" is one shared object.
class TlkCustomLookAndFeelPainter;
using TlkLookAndFeelPainterClass = const TlkCustomLookAndFeelPainter*;
enum TlkLookAndFeelPainterKind { lpkFlat, lpkStandard, lpkUltraFlat, lpkOffice11, lpkWinXP };
// The painter module registers its five painters at start-up; until then the choice answers null.
void RegisterLookAndFeelPainter(TlkLookAndFeelPainterKind kind, TlkLookAndFeelPainterClass painter);
TlkLookAndFeelPainterClass GetLookAndFeelPainter(TlkLookAndFeelPainterKind kind);

using TlkLookAndFeelChangedEvent = std::function<void(TlkLookAndFeel* Sender, TlkLookAndFeelValues ChangedValues)>;

// Told of each system colour change (WM_SYSCOLORCHANGE), after the Office-2003 colours were recomputed:
// primary notifiers first, each group last made first. The first notifier made creates the hidden window
// that listens (and acquires the colour set), the last one freed destroys it.
class TlkSystemPaletteChangedNotifier : public vcl::TObject {
public:
    explicit TlkSystemPaletteChangedNotifier(bool primary = false);
    ~TlkSystemPaletteChangedNotifier() override;
    bool GetPrimary() const { return FPrimary; }
    virtual void DoChanged();
    std::function<void()> OnSystemPaletteChanged;

private:
    bool FPrimary;
};
// The listener's hidden window, or null while no notifier exists.
win::HWND SystemPaletteListenerWindow();

class TlkLookAndFeel : public TlkInterfacedPersistent, public ILookAndFeelListener {
public:
    explicit TlkLookAndFeel(vcl::TPersistent* owner);
    ~TlkLookAndFeel() override;

    void Assign(vcl::TPersistent* source) override;
    // Forgets the values set on this object itself.
    void Reset();
    void AddChangeListener(ILookAndFeelListener* listener);
    void RemoveChangeListener(ILookAndFeelListener* listener);
    bool HasChangeListener(ILookAndFeelListener* listener) const;

    // The native (WinXP) painter while NativeStyle holds and themes are available, else the Kind's.
    TlkLookAndFeelPainterClass Painter();
    // The same, with the themed test made on one theme element.
    TlkLookAndFeelPainterClass PainterForElement(TxbThemeElement element);

    TlkLookAndFeelKind GetKind() const { return FCurrentKind; }
    void SetKind(TlkLookAndFeelKind value);
    bool GetNativeStyle() const { return FCurrentNativeStyle; }
    void SetNativeStyle(bool value);
    TlkLookAndFeelValues GetAssignedValues() const { return FAssignedValues; }
    void SetAssignedValues(TlkLookAndFeelValues value);
    // The explicit master (null: follow the root).
    TlkLookAndFeel* GetMasterLookAndFeel() const { return FMasterLookAndFeel; }
    void SetMasterLookAndFeel(TlkLookAndFeel* value);
    bool IsRoot() const { return FIsRoot; }

    TlkLookAndFeelChangedEvent OnChanged;

    vcl::TObject* ListenerObject() override { return this; }
    void MasterChanged(TlkLookAndFeel* sender, TlkLookAndFeelValues values) override;
    void MasterDestroying(TlkLookAndFeel* sender) override;

protected:
    virtual TlkLookAndFeelKind InternalGetKind();
    virtual bool InternalGetNativeStyle();
    virtual void SystemPaletteChanged();
    void Changed(TlkLookAndFeelValues values);

private:
    friend void InitLookAndFeelsModule();
    TlkLookAndFeel(vcl::TPersistent* owner, bool root);
    struct TSavedState {
        TlkLookAndFeelKind Kind;
        bool NativeStyle;
    };
    TSavedState SaveState() { return {InternalGetKind(), InternalGetNativeStyle()}; }
    void CheckStateChanges(const TSavedState& saved);
    TlkLookAndFeel* EffectiveMaster() const;
    // Whether value's chain of masters leads back to this object.
    bool MasterChainReaches(TlkLookAndFeel* value) const;
    void DoSetMasterLookAndFeel(TlkLookAndFeel* value);
    TlkLookAndFeelPainterClass PainterOfKind() const;

    TlkLookAndFeelValues FAssignedValues;
    TlkLookAndFeelKind FCurrentKind = lfUltraFlat;
    bool FCurrentNativeStyle = false;
    TlkLookAndFeelKind FKind = lfUltraFlat;
    bool FNativeStyle = false;
    TlkListenerList<ILookAndFeelListener> FListeners;
    bool FDestroying = false;
    bool FIsRoot = false;
    TlkLookAndFeel* FMasterLookAndFeel = nullptr;
    std::unique_ptr<TlkSystemPaletteChangedNotifier> FPaletteNotifier;
};

// The process-wide root look-and-feel (made by the module's start-up), or null.
TlkLookAndFeel* CurrentRootLookAndFeel();
// How many controllers the root counts now.
int32_t LookAndFeelControllerCount();

// Sets the root look-and-feel's values from a form; the last controller gone resets the root.
class TlkLookAndFeelController : public vcl::TComponent, public ILookAndFeelListener {
public:
    explicit TlkLookAndFeelController(vcl::TComponent* owner);
    ~TlkLookAndFeelController() override;

    TlkLookAndFeelKind GetKind() const;
    void SetKind(TlkLookAndFeelKind value);
    bool GetNativeStyle() const;
    void SetNativeStyle(bool value);

    vcl::TObject* ListenerObject() override { return this; }
    void MasterChanged(TlkLookAndFeel* sender, TlkLookAndFeelValues values) override {}
    void MasterDestroying(TlkLookAndFeel* sender) override {}
};

// The property tables and the controller's class, for form resources (the module's start-up calls it).
void RegisterLookAndFeelsTables();

void InitLookAndFeelsModule();
void DoneLookAndFeelsModule();

} // namespace lookandfeel

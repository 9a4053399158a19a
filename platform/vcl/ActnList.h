// Actions: command objects that clients (controls, bar items) link to. An action holds a command's
// caption, state and handler; each client keeps a link that copies what the action changes into the
// client, for every property the client has not set apart from the action. Shortcuts are keys with shift
// bits.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/Controls.h"

#include <string>
#include <vector>

namespace vcl {

// A virtual key in the low byte plus scShift, scCtrl and scAlt.
using TShortCut = uint16_t;
constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

TShortCut ShortCut(uint16_t key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift);
// "Ctrl+Shift+N", "Del", "F1"; empty for scNone.
std::string ShortCutToText(TShortCut shortCut);
// The reverse of ShortCutToText (modifier names without case); scNone for text it does not know.
TShortCut TextToShortCut(const std::string& text);

using TImageIndex = int32_t;

// Whether two handlers run the same code: both unset, or both set to callables of the same kind (the same
// function, or the same lambda or bound method whatever object it was made for).
bool SameEvent(const TNotifyEvent& a, const TNotifyEvent& b);

class TBasicAction;
class TActionList;

// A client's tie to an action. The action tells its links about changes; the link passes them on.
class TBasicActionLink : public TObject {
public:
    explicit TBasicActionLink(TObject* client);
    ~TBasicActionLink() override; // leaves its action
    TBasicAction* GetAction() const { return FAction; }
    virtual void SetAction(TBasicAction* value);
    // Runs the action for the client; true when something handled it.
    virtual bool Execute(TComponent* target = nullptr);
    // Lets the action update its state; true when something handled it.
    virtual bool Update();
    // Fired with the action as sender when the action changes as a whole.
    TNotifyEvent OnChange;

protected:
    friend class TBasicAction;
    virtual void AssignClient(TObject* client) {}
    virtual void Change();
    TBasicAction* FAction = nullptr;
};

class TBasicAction : public TComponent {
public:
    explicit TBasicAction(TComponent* owner);
    ~TBasicAction() override;
    // Fires OnExecute; true when it is assigned.
    virtual bool Execute();
    // Fires OnUpdate; true when it is assigned.
    virtual bool Update();
    virtual bool HandlesTarget(TObject* target) { return false; }
    virtual void ExecuteTarget(TObject* target) {}
    virtual void UpdateTarget(TObject* target) {}
    // The component that asked for the action to run (set around Execute by a link).
    TComponent* GetActionComponent() const { return FActionComponent; }
    void SetActionComponent(TComponent* value);
    void Notification(TComponent* component, TOperation operation) override;

    void RegisterChanges(TBasicActionLink* link);
    void UnRegisterChanges(TBasicActionLink* link);
    int32_t GetClientCount() const { return int32_t(FClients.size()); }

    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;
    TNotifyEvent OnChange;

protected:
    // Tells every link and OnChange that the action changed.
    virtual void Change();
    std::vector<TBasicActionLink*> FClients;
    TComponent* FActionComponent = nullptr;
};

using THintEvent = std::function<void(std::string& HintStr, bool& CanShow)>;

class TCustomAction : public TBasicAction {
public:
    // An action made with an action list as its owner joins that list.
    explicit TCustomAction(TComponent* owner);
    ~TCustomAction() override; // leaves its list

    // The list the action belongs to (not necessarily its owner: in a layout the form owns both).
    TActionList* GetActionList() const { return FActionList; }
    // Leaves the former list and joins the new one at its end; the category stays.
    void SetActionList(TActionList* value);
    std::string GetCategory() const { return FCategory; }
    void SetCategory(const std::string& value);
    // The position in the list, -1 without one. Setting it moves the action (clamped to the list).
    int32_t GetIndex() const;
    void SetIndex(int32_t value);

    // In a layout an action is stored inside its list, which becomes its parent when it is read.
    bool HasParent() const override { return FActionList != nullptr; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* value) override;

    std::string GetCaption() const { return FCaption; }
    void SetCaption(const std::string& value);
    bool GetChecked() const { return FChecked; }
    void SetChecked(bool value);
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    THelpContext GetHelpContext() const { return FHelpContext; }
    void SetHelpContext(THelpContext value);
    std::string GetHint() const { return FHint; }
    void SetHint(const std::string& value);
    TImageIndex GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(TImageIndex value);
    TShortCut GetShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    bool GetAutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool value) { FAutoCheck = value; }
    // Sets OnExecute and tells the links, whose clients take it as their click handler.
    void SetOnExecute(TNotifyEvent value);

    // Updates first; a disabled action does not run. With AutoCheck the check mark flips before the
    // handler runs.
    bool Execute() override;
    // Fires OnHint; false when the handler says the hint is not to be shown.
    virtual bool DoHint(std::string& hintStr);

    THintEvent OnHint;

protected:
    std::string FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    THelpContext FHelpContext = 0;
    std::string FHint;
    TImageIndex FImageIndex = -1;
    TShortCut FShortCut = 0;
    bool FVisible = true;
    bool FAutoCheck = false;

private:
    friend class TActionList;
    TActionList* FActionList = nullptr;
    std::string FCategory;
};

class TAction : public TCustomAction {
public:
    using TCustomAction::TCustomAction;
};

// The link of a client that has the action's properties: each Is...Linked test says whether the client
// still follows the action in that property, each Set... copies a new value into the client.
class TActionLink : public TBasicActionLink {
public:
    using TBasicActionLink::TBasicActionLink;
    virtual bool IsCaptionLinked() { return IsCustom(); }
    virtual bool IsCheckedLinked() { return IsCustom(); }
    virtual bool IsEnabledLinked() { return IsCustom(); }
    virtual bool IsHelpContextLinked() { return IsCustom(); }
    virtual bool IsHintLinked() { return IsCustom(); }
    virtual bool IsImageIndexLinked() { return IsCustom(); }
    virtual bool IsShortCutLinked() { return IsCustom(); }
    virtual bool IsVisibleLinked() { return IsCustom(); }
    virtual bool IsOnExecuteLinked() { return FAction != nullptr; }
    virtual void SetCaption(const std::string& value) {}
    virtual void SetChecked(bool value) {}
    virtual void SetEnabled(bool value) {}
    virtual void SetHelpContext(THelpContext value) {}
    virtual void SetHint(const std::string& value) {}
    virtual void SetImageIndex(TImageIndex value) {}
    virtual void SetShortCut(TShortCut value) {}
    virtual void SetVisible(bool value) {}
    virtual void SetOnExecute(const TNotifyEvent& value) {}

protected:
    TCustomAction* CustomAction() const { return dynamic_cast<TCustomAction*>(FAction); }

private:
    bool IsCustom() const { return CustomAction() != nullptr; }
};

// The link of a control: caption, enabled state, hint, visibility, help context and click handler follow
// the action while the control's own value equals the action's.
class TControlActionLink : public TActionLink {
public:
    explicit TControlActionLink(TObject* client);
    bool IsCaptionLinked() override;
    bool IsEnabledLinked() override;
    bool IsHintLinked() override;
    bool IsVisibleLinked() override;
    bool IsOnExecuteLinked() override;
    void SetCaption(const std::string& value) override;
    void SetEnabled(bool value) override;
    void SetHint(const std::string& value) override;
    void SetVisible(bool value) override;
    void SetOnExecute(const TNotifyEvent& value) override;

protected:
    void AssignClient(TObject* client) override;
    TControl* FClient = nullptr;
};

// A list of actions owned by a form: the form asks it about shortcuts that no control took.
class TActionList : public TComponent {
public:
    explicit TActionList(TComponent* owner) : TComponent(owner) {}
    ~TActionList() override; // its actions stay, without a list
    int32_t GetActionCount() const { return int32_t(FActions.size()); }
    // The action at index, or null for an index out of range.
    TCustomAction* GetAction(int32_t index) const;
    // The writer stores the actions the root owns inside the list, in list order.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    void SetChildOrder(TComponent* child, int32_t order) override;
    // Runs the enabled, visible action with this shortcut; true when one ran.
    bool IsShortCut(TShortCut shortCut);
    // Updates every action (OnUpdate).
    void UpdateActions();

private:
    friend class TCustomAction;
    std::vector<TCustomAction*> FActions;
};

} // namespace vcl

#include "platform/vcl/Component.h"
#include "platform/vcl/Exceptions.h"
#include "tests/platform/vcl/ErrorOf.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vcl;
using vcltest::ErrorOf;

namespace {

// Records its own destruction and every notification it receives in a shared log.
class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::string label, std::vector<std::string>* log)
        : TComponent(owner), FLabel(std::move(label)), FLog(log) {}
    ~Probe() override { FLog->push_back("~" + FLabel); }

    void Notification(TComponent* component, TOperation operation) override {
        auto* probe = dynamic_cast<Probe*>(component);
        std::string who = probe ? probe->FLabel : "?";
        FLog->push_back(FLabel + (operation == opInsert ? " +" : " -") + who +
                        (component->GetComponentState().Contains(csDestroying) ? "!" : ""));
        if (operation == opRemove && component == FWatched)
            FWatched = nullptr;
        TComponent::Notification(component, operation);
    }

    void Watch(TComponent* other) {
        FWatched = other;
        other->FreeNotification(this);
    }

    std::string FLabel;
    std::vector<std::string>* FLog;
    TComponent* FWatched = nullptr;
};

// A receiver that forgets to call the inherited Notification.
class Forgetful : public TComponent {
public:
    using TComponent::TComponent;
    void Notification(TComponent* component, TOperation operation) override { ++FCount; }
    int FCount = 0;
};

} // namespace

TEST(TComponent, OwnerFreesOwnedInReverseOrder) {
    std::vector<std::string> log;
    auto* owner = new Probe(nullptr, "owner", &log);
    new Probe(owner, "a", &log);
    auto* b = new Probe(owner, "b", &log);
    new Probe(b, "b1", &log);
    new Probe(owner, "c", &log);
    EXPECT_EQ(owner->GetComponentCount(), 3);
    EXPECT_EQ(b->GetComponentIndex(), 1);
    EXPECT_EQ(b->GetOwner(), owner);
    log.clear();
    owner->Free();
    std::vector<std::string> destroyed;
    for (auto& line : log)
        if (line[0] == '~')
            destroyed.push_back(line);
    EXPECT_EQ(destroyed, (std::vector<std::string>{"~owner", "~c", "~b", "~b1", "~a"}));
}

TEST(TComponent, ComponentFreedBeforeItsOwner) {
    std::vector<std::string> log;
    Probe owner(nullptr, "owner", &log);
    auto* a = new Probe(&owner, "a", &log);
    auto* b = new Probe(&owner, "b", &log);
    auto* c = new Probe(&owner, "c", &log);
    log.clear();
    b->Free();
    // The owner and everything it owns hear of it while b is still whole and marked as being destroyed.
    EXPECT_EQ(log, (std::vector<std::string>{"owner -b!", "c -b!", "b -b!", "a -b!", "~b"}));
    EXPECT_EQ(owner.GetComponentCount(), 2);
    EXPECT_EQ(owner.GetComponent(0), a);
    EXPECT_EQ(owner.GetComponent(1), c);
    EXPECT_THROW(owner.GetComponent(2), EListError);
    // A plain delete also leaves the owner's list.
    delete a;
    EXPECT_EQ(owner.GetComponentCount(), 1);
    EXPECT_EQ(c->GetComponentIndex(), 0);
}

TEST(TComponent, InsertionsTellTheOwnerAndADyingOwnersComponentsLeaveQuietly) {
    // An insertion reaches the owner alone; a removal reaches the owner and every other component; the
    // components of an owner being destroyed leave without telling one another, while free notifications
    // still reach those that asked for them.
    std::vector<std::string> log;
    auto* owner = new Probe(nullptr, "owner", &log);
    auto* a = new Probe(owner, "a", &log);
    auto* b = new Probe(owner, "b", &log);
    new Probe(owner, "c", &log);
    // (The probes are told while their base part is being made, so they show as "?".)
    EXPECT_EQ(log, (std::vector<std::string>{"owner +?", "owner +?", "owner +?"}));
    a->Watch(b);
    log.clear();
    owner->Free();
    std::vector<std::string> notices;
    for (auto& line : log)
        if (line[0] != '~')
            notices.push_back(line);
    // c and b go first (last first); a hears of b through its free notification, and nobody else hears
    // of anything.
    EXPECT_EQ(notices, (std::vector<std::string>{"a -b!"}));
}

TEST(TComponent, NamesAreFoundAfterRenamesMovesAndRemovals) {
    TComponent owner(nullptr), second(nullptr);
    std::vector<TComponent*> made;
    for (int i = 0; i < 300; ++i) {
        made.push_back(new TComponent(&owner));
        made.back()->SetName("Item" + std::to_string(i));
    }
    EXPECT_EQ(owner.FindComponent("item299"), made[299]);
    made[7]->SetName("Renamed");
    EXPECT_EQ(owner.FindComponent("ITEM7"), nullptr);
    EXPECT_EQ(owner.FindComponent("renamed"), made[7]);
    made[7]->SetName("");
    EXPECT_EQ(owner.FindComponent("renamed"), nullptr);
    made[7]->SetName("Item7"); // the old name is free again
    second.InsertComponent(made[8]);
    EXPECT_EQ(owner.FindComponent("Item8"), nullptr);
    EXPECT_EQ(second.FindComponent("item8"), made[8]);
    EXPECT_NO_THROW(made[9]->SetName("Item8")); // no longer taken within the first owner
    made[10]->Free();
    EXPECT_EQ(owner.FindComponent("Item10"), nullptr);
    EXPECT_THROW(made[11]->SetName("ITEM12"), EComponentError);
    EXPECT_EQ(owner.FindComponent("item11"), made[11]);
}

TEST(TComponent, FreeNotificationsBothWays) {
    std::vector<std::string> log;
    Probe formA(nullptr, "formA", &log), formB(nullptr, "formB", &log);
    auto* list = new Probe(&formA, "list", &log);
    auto* view = new Probe(&formB, "view", &log);
    view->Watch(list);
    EXPECT_TRUE(list->GetComponentState().Contains(csFreeNotification));
    log.clear();
    list->Free();
    EXPECT_EQ(view->FWatched, nullptr); // told across owners
    EXPECT_NE(std::find(log.begin(), log.end(), "view -list!"), log.end());

    // The watcher going first unregisters itself: the watched one later tells nobody.
    auto* list2 = new Probe(&formA, "list2", &log);
    auto* view2 = new Probe(&formB, "view2", &log);
    view2->Watch(list2);
    view2->Free();
    EXPECT_FALSE(list2->GetComponentState().Contains(csFreeNotification));
    log.clear();
    list2->Free();
    EXPECT_EQ(
        std::count_if(log.begin(), log.end(), [](auto& l) { return l.find("view2") != std::string::npos; }),
        0);

    // Removing the request stops the notice.
    auto* list3 = new Probe(&formA, "list3", &log);
    view->Watch(list3);
    list3->RemoveFreeNotification(view);
    log.clear();
    list3->Free();
    EXPECT_EQ(view->FWatched, list3); // untouched: it asked not to be told
}

TEST(TComponent, ReceiverThatSkipsInheritedNotificationIsStillUnlinked) {
    auto* watched = new TComponent(nullptr);
    Forgetful watcher(nullptr);
    watched->FreeNotification(&watcher);
    watched->Free(); // must not loop or leave a dangling link
    EXPECT_EQ(watcher.FCount, 1);
    EXPECT_FALSE(watcher.GetComponentState().Contains(csFreeNotification));
}

TEST(TComponent, NamesAndFindComponent) {
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    a->SetName("btnOk");
    b->SetName("btnCancel");
    EXPECT_EQ(owner.FindComponent("BTNOK"), a);
    EXPECT_EQ(owner.FindComponent(""), nullptr);
    EXPECT_EQ(owner.FindComponent("nothing"), nullptr);
    struct {
        const char* Name;
        const char* Error;
    } cases[] = {
        {"btnok", "A component named btnok already exists"},
        {"1st", "'1st' is not a valid component name"},
        {"has space", "'has space' is not a valid component name"},
        {"dot.ted", "'dot.ted' is not a valid component name"},
        {"_ok2", "no error"},
        {"", "no error"},
    };
    for (auto& c : cases)
        EXPECT_EQ(ErrorOf([&] { b->SetName(c.Name); }), c.Error) << c.Name;
    a->SetName("BTNOK"); // a new spelling of its own name
    EXPECT_EQ(a->GetName(), "BTNOK");

    // Inserting a component whose name is taken is refused before anything changes.
    TComponent other(nullptr);
    auto* clash = new TComponent(&other);
    clash->SetName("btnOk");
    EXPECT_THROW(owner.InsertComponent(clash), EComponentError);
    EXPECT_EQ(clash->GetOwner(), &other);
    // Moving a component to another owner leaves the first one.
    clash->SetName("moved");
    owner.InsertComponent(clash);
    EXPECT_EQ(other.GetComponentCount(), 0);
    EXPECT_EQ(owner.FindComponent("moved"), clash);
    // No ownership cycles.
    EXPECT_THROW(clash->InsertComponent(&owner), EComponentError);
    EXPECT_THROW(owner.InsertComponent(&owner), EComponentError);

    a->SetTag(-7);
    EXPECT_EQ(a->GetTag(), -7);
    a->SetComponentIndex(99);
    EXPECT_EQ(a->GetComponentIndex(), owner.GetComponentCount() - 1);
    EXPECT_EQ(a->GetNamePath(), "BTNOK");
}

TEST(TComponent, StateFlags) {
    TComponent owner(nullptr);
    owner.SetDesigning(true);
    auto* child = new TComponent(&owner);
    EXPECT_TRUE(child->GetComponentState().Contains(csDesigning)); // inherited on insert
    owner.SetDesigning(false);
    EXPECT_FALSE(child->GetComponentState().Contains(csDesigning));
    child->Updating();
    EXPECT_TRUE(child->GetComponentState().Contains(csUpdating));
    child->Updated();
    EXPECT_TRUE(child->GetComponentState().Empty());
    owner.Destroying();
    EXPECT_TRUE(child->GetComponentState().Contains(csDestroying));
}

namespace {
class Registered : public TComponent {
public:
    using TComponent::TComponent;
};
class Plain : public TPersistent {};
} // namespace

TEST(ClassRegistry, RegisterFindCreate) {
    RegisterClass<Registered>("TRegisteredProbe");
    RegisterClass<Registered>("TRegisteredProbe"); // the same class again is fine
    RegisterClass<Plain>("TPlainProbe");
    EXPECT_THROW(RegisterClass<Plain>("tregisteredprobe"), EFilerError);

    TComponent owner(nullptr);
    const TPersistentClass* c = FindClass("tRegisteredProbe");
    ASSERT_NE(c, nullptr);
    TPersistent* made = c->Create(&owner);
    ASSERT_NE(dynamic_cast<Registered*>(made), nullptr);
    EXPECT_EQ(owner.GetComponent(0), made); // components get their owner
    std::unique_ptr<TPersistent> plain(FindClass("TPlainProbe")->Create(&owner));
    EXPECT_NE(dynamic_cast<Plain*>(plain.get()), nullptr);

    EXPECT_EQ(ErrorOf([] { FindClass("TNoSuchThing"); }), "Class TNoSuchThing not found");
    EXPECT_EQ(GetClass("TNoSuchThing"), nullptr);
    UnRegisterClass("TPlainProbe");
    EXPECT_EQ(GetClass("TPlainProbe"), nullptr);
    EXPECT_THROW(FindClass("TPlainProbe"), EClassNotFound);
    UnRegisterClass("TRegisteredProbe");
}

TEST(TComponent, FreeAndNilClearsThePointerBeforeNotifications) {
    std::vector<std::string> log;
    TComponent* held = nullptr;
    Probe watcher(nullptr, "watcher", &log);
    held = new Probe(nullptr, "held", &log);
    watcher.Watch(held);
    bool clearedFirst = false;
    struct Checker : TComponent {
        using TComponent::TComponent;
        void Notification(TComponent* c, TOperation op) override {
            if (op == opRemove)
                *Seen = *Held == nullptr;
            TComponent::Notification(c, op);
        }
        TComponent** Held = nullptr;
        bool* Seen = nullptr;
    } checker(nullptr);
    checker.Held = &held;
    checker.Seen = &clearedFirst;
    held->FreeNotification(&checker);
    FreeAndNil(held);
    EXPECT_EQ(held, nullptr);
    EXPECT_TRUE(clearedFirst);
    EXPECT_EQ(watcher.FWatched, nullptr);
    // A smart pointer that frees through Free behaves the same.
    TObjectPtr<Probe> owned(new Probe(nullptr, "owned", &log));
    watcher.Watch(owned.get());
    owned.reset();
    EXPECT_EQ(watcher.FWatched, nullptr);
}

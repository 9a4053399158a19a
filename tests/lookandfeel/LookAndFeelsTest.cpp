#include "LookAndFeelTestSupport.h"

#include "lookandfeel/lkLookAndFeels.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/user/Messages.h"

using namespace lookandfeel;

namespace {

using Values = TlkLookAndFeelValues;

// Records every change it hears, under its name, in a log shared with the other spies.
struct Spy : ILookAndFeelListener {
    Spy(std::string name, std::vector<std::string>* log) : Name(std::move(name)), Log(log) {}
    vcl::TObject* ListenerObject() override { return &Object; }
    void MasterChanged(TlkLookAndFeel*, Values values) override {
        Log->push_back(Name + Describe(values));
        if (OnChange)
            OnChange();
    }
    void MasterDestroying(TlkLookAndFeel*) override { Log->push_back(Name + " destroying"); }
    static std::string Describe(Values v) {
        return std::string(" [") + (v.Contains(lfvKind) ? "kind" : "") +
               (v.Contains(lfvKind) && v.Contains(lfvNativeStyle) ? "," : "") +
               (v.Contains(lfvNativeStyle) ? "native" : "") + "]";
    }
    std::string Name;
    std::vector<std::string>* Log;
    std::function<void()> OnChange;
    vcl::TObject Object;
};

class LookAndFeelsTest : public lftest::LookAndFeelFixture {
protected:
    void SetUp() override { StartWith(MakeEngine()); }
    void Watch(TlkLookAndFeel& lf, const std::string& name) {
        lf.OnChanged = [this, name](TlkLookAndFeel*, Values v) { Log.push_back(name + " OnChanged" + Spy::Describe(v)); };
    }
    std::vector<std::string> Log;
};

TEST_F(LookAndFeelsTest, ValuesComeFromTheObjectItsMasterOrTheRoot) {
    TlkLookAndFeel* root = CurrentRootLookAndFeel();
    ASSERT_NE(root, nullptr);
    TlkLookAndFeel lf(nullptr);
    EXPECT_EQ(lf.GetKind(), lfUltraFlat);
    EXPECT_FALSE(lf.GetNativeStyle());
    EXPECT_TRUE(root->HasChangeListener(&lf));

    Spy spy("spy", &Log);
    lf.AddChangeListener(&spy);
    Watch(lf, "lf");
    {
        TlkLookAndFeelController controller(nullptr);
        EXPECT_EQ(LookAndFeelControllerCount(), 1);
        controller.SetKind(lfOffice11);
        EXPECT_EQ(root->GetKind(), lfOffice11);
        EXPECT_EQ(controller.GetKind(), lfOffice11);
        EXPECT_EQ(lf.GetKind(), lfOffice11);
        EXPECT_EQ(Log, (std::vector<std::string>{"spy [kind]", "lf OnChanged [kind]"}));

        // A master of its own wins over the root; an own value wins over the master.
        TlkLookAndFeel master(nullptr);
        master.SetKind(lfFlat);
        Log.clear();
        lf.SetMasterLookAndFeel(&master);
        EXPECT_EQ(lf.GetKind(), lfFlat);
        EXPECT_EQ(Log, (std::vector<std::string>{"spy [kind]", "lf OnChanged [kind]"}));
        EXPECT_FALSE(root->HasChangeListener(&lf));
        EXPECT_TRUE(master.HasChangeListener(&lf));

        Log.clear();
        lf.SetKind(lfStandard);
        EXPECT_EQ(lf.GetAssignedValues(), Values{lfvKind});
        master.SetKind(lfOffice11);
        master.SetNativeStyle(true);
        EXPECT_EQ(lf.GetKind(), lfStandard);
        EXPECT_TRUE(lf.GetNativeStyle());
        // Its own kind change, nothing for the master's kind, the master's native style.
        EXPECT_EQ(Log, (std::vector<std::string>{"spy [kind]", "lf OnChanged [kind]", "spy [native]",
                                                 "lf OnChanged [native]"}));
        // Setting an unchanged effective value tells nobody.
        Log.clear();
        lf.SetKind(lfStandard);
        EXPECT_TRUE(Log.empty());
        lf.SetMasterLookAndFeel(nullptr);
        lf.Reset();
        EXPECT_EQ(lf.GetKind(), lfOffice11); // the root's again
    }
    // The last controller gone resets the root, and those that follow it are told.
    EXPECT_EQ(LookAndFeelControllerCount(), 0);
    EXPECT_EQ(root->GetKind(), lfUltraFlat);
    EXPECT_EQ(lf.GetKind(), lfUltraFlat);
    EXPECT_EQ(Log.back(), "lf OnChanged [kind]");
    lf.RemoveChangeListener(&spy);
}

TEST_F(LookAndFeelsTest, ControllersCountOnlyAtTheRoot) {
    TlkLookAndFeel* root = CurrentRootLookAndFeel();
    auto* a = new TlkLookAndFeelController(nullptr);
    auto* b = new TlkLookAndFeelController(nullptr);
    TlkLookAndFeel lf(nullptr);
    lf.AddChangeListener(a); // refused: not the root
    EXPECT_FALSE(lf.HasChangeListener(a));
    root->AddChangeListener(a); // already there
    EXPECT_EQ(LookAndFeelControllerCount(), 2);
    a->SetNativeStyle(true);
    a->Free();
    EXPECT_TRUE(root->GetNativeStyle()); // one controller is left
    b->Free();
    EXPECT_FALSE(root->GetNativeStyle());
    EXPECT_EQ(root->GetAssignedValues(), Values{});
}

TEST_F(LookAndFeelsTest, AFreedMasterHandsItsListenersToTheRoot) {
    TlkLookAndFeel* root = CurrentRootLookAndFeel();
    TlkLookAndFeelController controller(nullptr);
    controller.SetKind(lfOffice11);
    auto master = std::make_unique<TlkLookAndFeel>(nullptr);
    master->SetKind(lfStandard);
    TlkLookAndFeel a(nullptr), b(nullptr);
    a.SetMasterLookAndFeel(master.get());
    b.SetMasterLookAndFeel(master.get());
    Watch(a, "a");
    Watch(b, "b");
    EXPECT_EQ(a.GetKind(), lfStandard);
    master.reset();
    EXPECT_EQ(Log, (std::vector<std::string>{"a OnChanged [kind]", "b OnChanged [kind]"}));
    EXPECT_EQ(a.GetMasterLookAndFeel(), nullptr);
    EXPECT_EQ(a.GetKind(), lfOffice11);
    EXPECT_TRUE(root->HasChangeListener(&a));
    EXPECT_TRUE(root->HasChangeListener(&b));
}

TEST_F(LookAndFeelsTest, AMasterCycleIsRefused) {
    TlkLookAndFeel a(nullptr), b(nullptr), c(nullptr);
    b.SetMasterLookAndFeel(&a);
    c.SetMasterLookAndFeel(&b);
    a.SetMasterLookAndFeel(&c); // c follows b, which follows a
    EXPECT_EQ(a.GetMasterLookAndFeel(), nullptr);
    a.SetMasterLookAndFeel(&b);
    EXPECT_EQ(a.GetMasterLookAndFeel(), nullptr);
    a.SetMasterLookAndFeel(&a);
    EXPECT_EQ(a.GetMasterLookAndFeel(), nullptr);
    // The root takes no master.
    CurrentRootLookAndFeel()->SetMasterLookAndFeel(&a);
    EXPECT_EQ(CurrentRootLookAndFeel()->GetMasterLookAndFeel(), nullptr);
    // Assigning a look-and-feel whose master is this one keeps the master out too.
    a.SetKind(lfFlat);
    a.Assign(&b);
    EXPECT_EQ(a.GetMasterLookAndFeel(), nullptr);
    // A change still travels down the chain, once, and ends.
    a.SetKind(lfStandard);
    EXPECT_EQ(c.GetKind(), lfStandard);
}

TEST_F(LookAndFeelsTest, ListenersMayLeaveOrFreeOthersDuringAChange) {
    TlkLookAndFeel lf(nullptr);
    Spy first("first", &Log), third("third", &Log);
    auto second = std::make_unique<Spy>("second", &Log);
    lf.AddChangeListener(&first);
    lf.AddChangeListener(second.get());
    lf.AddChangeListener(&third);
    first.OnChange = [&] {
        lf.RemoveChangeListener(second.get());
        second.reset();
        lf.RemoveChangeListener(&first);
    };
    lf.SetKind(lfFlat);
    EXPECT_EQ(Log, (std::vector<std::string>{"first [kind]", "third [kind]"}));
    Log.clear();
    lf.SetKind(lfStandard);
    EXPECT_EQ(Log, (std::vector<std::string>{"third [kind]"}));
    lf.RemoveChangeListener(&third);
}

TEST_F(LookAndFeelsTest, AssignCopiesOwnValuesAndMasterWithOneNotification) {
    TlkLookAndFeel master(nullptr), source(nullptr), target(nullptr);
    master.SetNativeStyle(true);
    source.SetMasterLookAndFeel(&master);
    source.SetKind(lfFlat);
    Watch(target, "target");
    target.Assign(&source);
    EXPECT_EQ(target.GetKind(), lfFlat);
    EXPECT_TRUE(target.GetNativeStyle());
    EXPECT_EQ(target.GetMasterLookAndFeel(), &master);
    EXPECT_EQ(target.GetAssignedValues(), Values{lfvKind});
    EXPECT_EQ(Log, (std::vector<std::string>{"target OnChanged [kind,native]"}));
}

TEST_F(LookAndFeelsTest, PainterChoice) {
    static char stubs[5];
    auto stub = [](int i) { return reinterpret_cast<TlkLookAndFeelPainterClass>(&stubs[i]); };
    for (int i = 0; i < 5; ++i)
        RegisterLookAndFeelPainter(TlkLookAndFeelPainterKind(i), stub(i));
    TlkLookAndFeel lf(nullptr);
    struct Case {
        TlkLookAndFeelKind Kind;
        TlkLookAndFeelPainterKind Painter;
    };
    for (Case c : {Case{lfFlat, lpkFlat}, Case{lfStandard, lpkStandard}, Case{lfUltraFlat, lpkUltraFlat},
                   Case{lfOffice11, lpkOffice11}}) {
        lf.SetKind(c.Kind);
        EXPECT_EQ(lf.Painter(), stub(c.Painter));
    }
    lf.SetNativeStyle(true);
    EXPECT_EQ(lf.Painter(), stub(lpkWinXP));
    EXPECT_EQ(lf.PainterForElement(teScrollBar), stub(lpkWinXP));
    // A theme without scroll bars: the scroll bar's painter is the kind's.
    win::SetThemeEngine(MakeEngine({"ScrollBar"}));
    EXPECT_EQ(lf.Painter(), stub(lpkWinXP));
    EXPECT_EQ(lf.PainterForElement(teScrollBar), stub(lpkOffice11));
    // Visual styles off: native style still chooses by kind.
    win::SetThemeEngine(nullptr);
    EXPECT_TRUE(lf.GetNativeStyle());
    EXPECT_EQ(lf.Painter(), stub(lpkOffice11));
    for (int i = 0; i < 5; ++i)
        RegisterLookAndFeelPainter(TlkLookAndFeelPainterKind(i), nullptr);
}

TEST_F(LookAndFeelsTest, SystemColourChangesRecomputeTheColoursThenTellPrimaryThenOrdinaryNotifiers) {
    ASSERT_NE(SystemPaletteListenerWindow(), nullptr); // the root's notifier made it
    TlkLookAndFeel lf(nullptr);
    Watch(lf, "lf");
    const TColor newFace = 0x405060;
    std::vector<std::string> order;
    auto make = [&](const std::string& name, bool primary) {
        auto n = std::make_unique<TlkSystemPaletteChangedNotifier>(primary);
        n->OnSystemPaletteChanged = [&, name] {
            order.push_back(name + (DockLight == newFace ? "" : " (colours not updated)"));
        };
        return n;
    };
    auto n1 = make("n1", false);
    auto p1 = make("p1", true);
    auto n2 = make("n2", false);
    auto p2 = make("p2", true);
    const int elements[] = {win::COLOR_BTNFACE};
    const win::COLORREF values[] = {win::COLORREF(newFace)};
    win::SetSysColors(1, elements, values);
    win::BroadcastSystemMessage(win::WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(order, (std::vector<std::string>{"p2", "p1", "n2", "n1"}));
    // The look-and-feel objects were told too: by their own notifier, and through the root's.
    EXPECT_EQ(Log, (std::vector<std::string>{"lf OnChanged [native]", "lf OnChanged [native]"}));

    // A notifier that frees another: the freed one is skipped.
    order.clear();
    p2->OnSystemPaletteChanged = [&] {
        order.push_back("p2");
        n2.reset();
    };
    win::BroadcastSystemMessage(win::WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(order, (std::vector<std::string>{"p2", "p1", "n1"}));
}

TEST_F(LookAndFeelsTest, TheListenerWindowLivesWithTheNotifiers) {
    // The root's notifier holds the colour set; with the modules down, nothing is left.
    EXPECT_EQ(Office11ColorsUseCount(), 1);
    FinalizeLookAndFeel();
    EXPECT_EQ(SystemPaletteListenerWindow(), nullptr);
    EXPECT_EQ(Office11ColorsUseCount(), 0);
    EXPECT_EQ(CurrentRootLookAndFeel(), nullptr);
    {
        TlkSystemPaletteChangedNotifier n;
        EXPECT_NE(SystemPaletteListenerWindow(), nullptr);
        EXPECT_EQ(Office11ColorsUseCount(), 1);
        // Without a root a look-and-feel answers the defaults.
        TlkLookAndFeel lf(nullptr);
        EXPECT_EQ(lf.GetKind(), lfUltraFlat);
        TlkLookAndFeelController controller(nullptr);
        EXPECT_EQ(controller.GetKind(), lfUltraFlat);
        controller.SetKind(lfFlat);
        EXPECT_EQ(controller.GetKind(), lfUltraFlat);
    }
    EXPECT_EQ(SystemPaletteListenerWindow(), nullptr);
    EXPECT_EQ(Office11ColorsUseCount(), 0);
}

TEST_F(LookAndFeelsTest, FreeingTheRootDetachesEveryone) {
    auto lf = std::make_unique<TlkLookAndFeel>(nullptr);
    TlkLookAndFeelController controller(nullptr);
    controller.SetKind(lfFlat);
    EXPECT_EQ(lf->GetKind(), lfFlat);
    FinalizeLookAndFeel();
    EXPECT_EQ(CurrentRootLookAndFeel(), nullptr);
    // They outlive the root without touching it.
    lf->SetKind(lfStandard);
    EXPECT_EQ(lf->GetKind(), lfStandard);
    lf.reset();
}

} // namespace

namespace {

TEST_F(LookAndFeelsTest, FormResourcesSetAndStoreOnlyAssignedValues) {
    TlkLookAndFeel lf(nullptr);
    const vcl::TPropInfo* kind = vcl::GetPropInfo(&lf, "Kind");
    const vcl::TPropInfo* native = vcl::GetPropInfo(&lf, "NativeStyle");
    const vcl::TPropInfo* assigned = vcl::GetPropInfo(&lf, "AssignedValues");
    ASSERT_TRUE(kind && native && assigned);
    EXPECT_FALSE(kind->IsStored(&lf));
    EXPECT_FALSE(native->IsStored(&lf));
    kind->SetOrd(&lf, lfOffice11);
    EXPECT_EQ(lf.GetKind(), lfOffice11);
    EXPECT_TRUE(kind->IsStored(&lf));
    EXPECT_FALSE(native->IsStored(&lf));
    EXPECT_FALSE(assigned->IsStored(&lf));
    ASSERT_NE(vcl::GetClass("TlkLookAndFeelController"), nullptr);
    std::unique_ptr<vcl::TPersistent> controller(vcl::GetClass("TlkLookAndFeelController")->Create(nullptr));
    vcl::GetPropInfo(controller.get(), "NativeStyle")->SetOrd(controller.get(), 1);
    EXPECT_TRUE(CurrentRootLookAndFeel()->GetNativeStyle());
}

} // namespace

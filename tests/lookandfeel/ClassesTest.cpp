#include "LookAndFeelTestSupport.h"

#include "lookandfeel/lkClasses.h"

using namespace lookandfeel;

namespace {

class ClassesTest : public lftest::LookAndFeelFixture {};

TEST_F(ClassesTest, TwoLinksToAFreedObject) {
    ASSERT_FALSE(ObjectLinkControllerExists());
    auto* component = new TlkComponent(nullptr);
    vcl::TObject other;
    TlkObjectLink* a = CreateObjectLink(component);
    TlkObjectLink* b = CreateObjectLink(component);
    TlkObjectLink* c = CreateObjectLink(&other);
    EXPECT_EQ(ObjectLinkUseCount(), 3);
    EXPECT_EQ(LiveObjectLinkCount(), 3);
    component->Free();
    EXPECT_EQ(a->Target, nullptr);
    EXPECT_EQ(b->Target, nullptr);
    EXPECT_EQ(c->Target, &other);
    EXPECT_EQ(LiveObjectLinkCount(), 1);
    FreeObjectLink(a);
    FreeObjectLink(b);
    EXPECT_EQ(LiveObjectLinkCount(), 1);
    EXPECT_TRUE(ObjectLinkControllerExists());
    FreeObjectLink(c);
    EXPECT_EQ(ObjectLinkUseCount(), 0);
    EXPECT_FALSE(ObjectLinkControllerExists());
    // Clearing with no controller does nothing.
    ClearObjectLinks(&other);
}

TEST_F(ClassesTest, NestedGuardedCallsKeepOneController) {
    vcl::TObject item;
    bool innerAlive = false, outerAlive = false;
    {
        TlkObjectLinkScope outer(&item);
        EXPECT_TRUE(ObjectLinkControllerExists());
        {
            // A click whose handler clicks another item that frees itself.
            auto* second = new TlkComponent(nullptr);
            TlkObjectLinkScope inner(second);
            EXPECT_EQ(ObjectLinkUseCount(), 2);
            second->Free();
            innerAlive = inner.Alive();
        }
        EXPECT_TRUE(ObjectLinkControllerExists());
        EXPECT_EQ(ObjectLinkUseCount(), 1);
        outerAlive = outer.Alive();
    }
    EXPECT_FALSE(innerAlive);
    EXPECT_TRUE(outerAlive);
    EXPECT_FALSE(ObjectLinkControllerExists());
}

bool ProbeSawDestroying = false;
struct DestroyingProbe : TlkComponent {
    using TlkComponent::TlkComponent;
    ~DestroyingProbe() override { ProbeSawDestroying = GetComponentState().Contains(vcl::csDestroying); }
};

TEST_F(ClassesTest, AComponentMarksItselfDestroyingFirst) {
    ProbeSawDestroying = false;
    (new DestroyingProbe(nullptr))->Free();
    EXPECT_TRUE(ProbeSawDestroying);
    auto* owner = new vcl::TComponent(nullptr);
    auto* owned = new TlkComponent(owner);
    TlkObjectLinkScope link(owned);
    owner->Free();
    EXPECT_FALSE(link.Alive());
}

TEST_F(ClassesTest, LocalizedStrings) {
    for (const char* text : {"", "Customize...", "&Reset"})
        EXPECT_EQ(GetLocalizedString(text), text);
    SetLocalizedStrings({"Customize...", "&Reset"}, {"Anpassen...", "&Zurücksetzen"});
    EXPECT_EQ(GetLocalizedString("Customize..."), "Anpassen...");
    EXPECT_EQ(GetLocalizedString("&reset"), "&Zurücksetzen"); // the source list ignores case
    EXPECT_EQ(GetLocalizedString("Other"), "Other");
    EXPECT_EQ(GetLocalizedString(""), "");
    // The module's shut-down frees the table.
    lookandfeel::InitializeLookAndFeel();
    lookandfeel::FinalizeLookAndFeel();
    EXPECT_EQ(GetLocalizedString("Customize..."), "Customize...");
}

} // namespace

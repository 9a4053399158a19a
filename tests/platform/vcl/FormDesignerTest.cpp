// The form designer seam: components in design mode report to their form's designer, and no form has one
// at run time.
#include "VclControlsSupport.h"
#include "platform/vcl/StdCtrls.h"

using namespace vcl;
using vcltest::VclControlsTest;

namespace {

// Records what the components tell it, as a design environment's designer would take it.
class TFakeFormDesigner : public IFormDesigner {
public:
    explicit TFakeFormDesigner(TCustomForm* form) : FForm(form) {}
    void Modified() override { ++ModifiedCount; }
    void SelectComponent(TPersistent* instance) override { Selected = instance; }
    TPersistent* GetSelectedComponent() override { return Selected; }
    void DeleteComponent(TComponent* component) override {
        if (Selected == component)
            Selected = nullptr;
        Deleted.push_back(component->GetName());
        component->Free();
    }
    std::string UniqueName(const std::string& baseName) override {
        for (int i = 1;; ++i) {
            std::string name = baseName + std::to_string(i);
            if (!FForm->FindComponent(name))
                return name;
        }
    }
    void EditItem(TComponent* item) override { Edited.push_back(item); }

    int ModifiedCount = 0;
    TPersistent* Selected = nullptr;
    std::vector<std::string> Deleted;
    std::vector<TComponent*> Edited;

private:
    TCustomForm* FForm;
};

// A control that works as the libraries' components do in design mode: it asks its form for the designer
// each time and does nothing without one.
class TDesignProbe : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    IFormDesigner* Designer() {
        TCustomForm* form = GetParentForm(this);
        return form ? form->GetDesigner() : nullptr;
    }
    bool ReportChange() {
        IFormDesigner* designer = Designer();
        if (!designer)
            return false;
        designer->Modified();
        return true;
    }
    bool ReportClick(TComponent* item) {
        IFormDesigner* designer = Designer();
        if (!designer)
            return false;
        designer->SelectComponent(item ? static_cast<TPersistent*>(item) : this);
        return true;
    }
    // Adds a button named by the designer, opens its editor, and deletes it again.
    std::string AddAndRemoveItem() {
        IFormDesigner* designer = Designer();
        auto* item = new TButton(GetOwner());
        item->SetName(designer->UniqueName("Button"));
        designer->EditItem(item);
        std::string name = item->GetName();
        designer->DeleteComponent(item);
        return name;
    }
};

TEST_F(VclControlsTest, AFakeDesignerSeesWhatAControlReportsAndNoneAnswersNull) {
    TForm* form = MakeForm();
    auto* probe = new TDesignProbe(form);
    probe->SetName("Probe");
    probe->SetParent(form);
    auto* button1 = new TButton(form);
    button1->SetName("Button1");

    // Run time: no designer, nothing reported.
    EXPECT_EQ(form->GetDesigner(), nullptr);
    EXPECT_FALSE(probe->ReportChange());
    EXPECT_FALSE(probe->ReportClick(button1));

    TFakeFormDesigner designer(form);
    form->SetDesigner(&designer);
    EXPECT_EQ(form->GetDesigner(), &designer);
    EXPECT_TRUE(probe->ReportChange());
    EXPECT_TRUE(probe->ReportChange());
    EXPECT_EQ(designer.ModifiedCount, 2);
    EXPECT_TRUE(probe->ReportClick(button1));
    EXPECT_EQ(designer.GetSelectedComponent(), button1);
    EXPECT_TRUE(probe->ReportClick(nullptr));
    EXPECT_EQ(designer.GetSelectedComponent(), probe);

    const int count = form->GetComponentCount();
    EXPECT_EQ(probe->AddAndRemoveItem(), "Button2");
    ASSERT_EQ(designer.Edited.size(), 1u);
    EXPECT_EQ(designer.Deleted, std::vector<std::string>{"Button2"});
    EXPECT_EQ(form->GetComponentCount(), count);
    EXPECT_EQ(form->FindComponent("Button2"), nullptr);

    // Taken away again: the form answers null and the control reports nothing more.
    form->SetDesigner(nullptr);
    EXPECT_FALSE(probe->ReportChange());
    EXPECT_EQ(designer.ModifiedCount, 2);
}

} // namespace

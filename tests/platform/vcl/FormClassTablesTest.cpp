// Form classes that declare no property table of their own still take their layout's properties.
#include "VclControlsSupport.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormResources.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

using namespace vcl;
using vcltest::VclControlsTest;

namespace {

class TFctLinkedForm : public TForm {
public:
    explicit TFctLinkedForm(TComponent* owner, bool read = true) : TForm(owner) {
        if (read)
            InitInheritedComponent(typeid(TFctLinkedForm));
    }
    TLabel* lblTitle = nullptr;
};

// Derives from a form class and names it as its base, without a property table either.
class TFctChildForm : public TFctLinkedForm {
public:
    explicit TFctChildForm(TComponent* owner) : TFctLinkedForm(owner, false) {
        InitInheritedComponent(typeid(TFctChildForm));
    }
    std::string Note;
};

// Registered as a form class without naming its base at all.
class TFctUnlinkedForm : public TForm {
public:
    explicit TFctUnlinkedForm(TComponent* owner) : TForm(owner) {
        InitInheritedComponent(typeid(TFctUnlinkedForm));
    }
};

void RegisterFctForms() {
    RegisterVclClasses();
    DefineFormClass<TFctLinkedForm, TForm>().Field("lblTitle", &TFctLinkedForm::lblTitle);
    DefineFormClass<TFctChildForm, TFctLinkedForm>();
    DefineClassProperties<TFctChildForm>().Property(
        "Note", [](TFctChildForm* f) { return f->Note; },
        [](TFctChildForm* f, const std::string& v) { f->Note = v; });
    DefineFormClass<TFctUnlinkedForm>();
    RegisterFormResource("TFctLinkedForm", "object FctLinked: TFctLinkedForm\n"
                                           "  Caption = 'Linked'\n"
                                           "  Width = 333\n"
                                           "  Color = clTeal\n"
                                           "  object lblTitle: TLabel\n"
                                           "    Caption = 'Title'\n"
                                           "  end\n"
                                           "end\n");
    RegisterFormResource("TFctChildForm", "inherited FctChild: TFctChildForm\n"
                                          "  Caption = 'Child'\n"
                                          "  Height = 222\n"
                                          "end\n");
    RegisterFormResource("TFctUnlinkedForm", "object FctUnlinked: TFctUnlinkedForm\n"
                                             "  Caption = 'Unlinked'\n"
                                             "  Width = 321\n"
                                             "end\n");
}

TEST_F(VclControlsTest, FormClassesWithoutPropertyTablesReadTheirLayouts) {
    RegisterFctForms();
    EXPECT_NE(GetPropInfo(typeid(TFctLinkedForm), "Caption"), nullptr) << "linked when the class is defined";

    struct Case {
        std::function<TForm*()> make;
        const char* caption;
        int32_t width;
        int32_t height; // 0: not set by the layout
    };
    const Case cases[] = {
        {[] { return new TFctLinkedForm(nullptr); }, "Linked", 333, 0},
        {[] { return new TFctChildForm(nullptr); }, "Child", 333, 222},
        {[] { return new TFctUnlinkedForm(nullptr); }, "Unlinked", 321, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        TForm* form = c.make();
        EXPECT_EQ(form->GetCaption(), c.caption);
        EXPECT_EQ(form->GetWidth(), c.width);
        if (c.height) {
            EXPECT_EQ(form->GetHeight(), c.height);
        }
        if (auto* linked = dynamic_cast<TFctLinkedForm*>(form)) {
            EXPECT_EQ(linked->GetColor(), clTeal);
            ASSERT_NE(linked->lblTitle, nullptr);
            EXPECT_EQ(linked->lblTitle->GetCaption(), "Title");
        }
        form->Free();
    }
}

// Writing a form whose class reads a layout compares its properties with a form of the class it derives
// from; the class's own properties, which that form lacks, are written as they are.
TEST_F(VclControlsTest, WritingAFormClassWithOwnPropertiesOverItsBaseForm) {
    RegisterFctForms();
    auto* form = new TFctChildForm(nullptr);
    form->Note = "kept";
    TMemoryStream binary;
    TWriter writer(&binary);
    writer.WriteRootComponent(form);
    const std::string text =
        ObjectBinaryToText(std::string(static_cast<const char*>(binary.Memory()), size_t(binary.GetSize())));
    form->Free();
    for (const char* expected : {"Caption = 'Child'", "Note = 'kept'", "Height = 222", "Color = clTeal"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
}

// A class that names its own table base keeps it: linking never redirects a table.
TEST_F(VclControlsTest, LinkingKeepsATableBaseAlreadyNamed) {
    struct TFctA : TForm {
        using TForm::TForm;
    };
    DefineClassProperties<TFctA, TCustomForm>();
    LinkPropertyTable(typeid(TFctA), typeid(TForm));
    EXPECT_EQ(GetPropTableBase(typeid(TFctA)), std::type_index(typeid(TCustomForm)));
    LinkPropertyTable(typeid(TFctA), typeid(TFctA)); // never its own base
    EXPECT_EQ(GetPropTableBase(typeid(TFctA)), std::type_index(typeid(TCustomForm)));
}

} // namespace

// A layout file that names the class library's controls, dialogs and timers with values of every kind,
// read into a form through the property tables: enumerations, sets, colour, cursor and character-set
// identifiers, sub-objects, collection items, references to components read later and bound handlers.
#include "VclControlsSupport.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

using namespace vcl;
using vcltest::VclControlsTest;

namespace vcltest {
void RegisterTestForms();
}

namespace {

class TVclClassesForm : public TForm {
public:
    // Without read the form stays empty, for a reader given another text.
    explicit TVclClassesForm(TComponent* owner, bool read = true) : TForm(owner) {
        if (read)
            InitInheritedComponent(typeid(TVclClassesForm));
    }

    TLabel* lblName = nullptr;
    TEdit* edtName = nullptr;
    TUpDown* udCount = nullptr;
    TEdit* edtCount = nullptr;
    TListView* lvRows = nullptr;
    TShape* shpMark = nullptr;
    TStatusBar* sbStatus = nullptr;
    TSaveDialog* dlgSave = nullptr;
    TTimer* tmrOpen = nullptr;
    int Changes = 0;
    int Ticks = 0;

    void FormCreate(TObject*) {}
    void edtNameChange(TObject*) { ++Changes; }
    void lvRowsSelectItem(TObject*, TListItem*, bool) {}
    void tmrOpenTimer(TObject*) { ++Ticks; }
};

void RegisterVclClassesForm() {
    RegisterVclClasses();
    vcltest::RegisterTestForms();
    DefineClassProperties<TVclClassesForm, TForm>();
    DefineFormClass<TVclClassesForm>()
        .Field("lblName", &TVclClassesForm::lblName)
        .Field("edtName", &TVclClassesForm::edtName)
        .Field("udCount", &TVclClassesForm::udCount)
        .Field("edtCount", &TVclClassesForm::edtCount)
        .Field("lvRows", &TVclClassesForm::lvRows)
        .Field("shpMark", &TVclClassesForm::shpMark)
        .Field("sbStatus", &TVclClassesForm::sbStatus)
        .Field("dlgSave", &TVclClassesForm::dlgSave)
        .Field("tmrOpen", &TVclClassesForm::tmrOpen)
        .Method("FormCreate", &TVclClassesForm::FormCreate)
        .Method("edtNameChange", &TVclClassesForm::edtNameChange)
        .Method("lvRowsSelectItem", &TVclClassesForm::lvRowsSelectItem)
        .Method("tmrOpenTimer", &TVclClassesForm::tmrOpenTimer);
}

TEST_F(VclControlsTest, LayoutFileSetsTheControlsThroughTheirPropertyTables) {
    RegisterVclClassesForm();
    auto* form = new TVclClassesForm(nullptr);

    EXPECT_EQ(form->GetName(), "ClassesForm");
    EXPECT_EQ(form->GetCaption(), "Every kind of value");
    EXPECT_EQ(form->GetClientWidth(), 400);
    EXPECT_EQ(form->GetClientHeight(), 300);
    EXPECT_EQ(form->GetBorderStyle(), bsDialog);
    EXPECT_EQ(form->GetBorderIcons(), TBorderIcons{biSystemMenu});
    EXPECT_EQ(form->GetPosition(), poScreenCenter);
    EXPECT_TRUE(form->GetKeyPreview());
    EXPECT_EQ(form->GetColor(), clBtnFace);
    EXPECT_EQ(form->GetFont()->GetCharset(), 0);
    EXPECT_EQ(form->GetFont()->GetColor(), clNavy);
    EXPECT_EQ(form->GetFont()->GetHeight(), -13);
    EXPECT_EQ(form->GetFont()->GetName(), "Arial");
    EXPECT_EQ(form->GetFont()->GetStyle(), (TFontStyles{fsBold, fsItalic}));
    EXPECT_EQ(form->GetConstraints()->GetMinWidth(), 200);
    EXPECT_TRUE(static_cast<bool>(form->OnCreate));

    ASSERT_NE(form->edtName, nullptr);
    EXPECT_EQ(form->GetActiveControl(), form->edtName);
    EXPECT_EQ(form->lblName->GetFocusControl(), form->edtName);
    EXPECT_EQ(form->lblName->GetCursor(), crHandPoint);
    EXPECT_TRUE(form->lblName->GetTransparent());
    EXPECT_TRUE(form->lblName->GetShowHint()) << "from the form";
    EXPECT_TRUE(form->lblName->GetParentShowHint());
    EXPECT_EQ(form->edtName->GetAnchors(), (TAnchors{akLeft, akTop, akRight}));
    EXPECT_EQ(form->edtName->GetColor(), TColor(0x00C0FFFF));
    EXPECT_EQ(form->edtName->GetMaxLength(), 20);
    EXPECT_FALSE(form->edtName->GetParentFont());
    EXPECT_EQ(form->edtName->GetFont()->GetHeight(), -14) << "a height no whole point size gives";
    EXPECT_EQ(form->edtName->GetPasswordChar(), '*');
    EXPECT_TRUE(SameText(form->edtName->GetText(), "secret"));
    const int changes = form->Changes;
    form->edtName->SetText("other");
    EXPECT_EQ(form->Changes, changes + 1) << "OnChange is bound to the form's method";

    // A reference to a component that the file names only further down.
    EXPECT_EQ(form->udCount->GetAssociate(), form->edtCount);
    EXPECT_EQ(form->udCount->GetMin(), -5);
    EXPECT_EQ(form->udCount->GetMax(), 50);
    EXPECT_EQ(form->udCount->GetPosition(), 7);

    TListView* lv = form->lvRows;
    EXPECT_EQ(lv->GetViewStyle(), vsReport);
    EXPECT_TRUE(lv->GetMultiSelect());
    ASSERT_EQ(lv->GetColumns()->GetCount(), 2);
    EXPECT_EQ(lv->Column(0)->GetCaption(), "Frame");
    EXPECT_EQ(lv->Column(0)->GetWidth(), 150);
    EXPECT_EQ(lv->Column(1)->GetAlignment(), taRightJustify);
    EXPECT_EQ(lv->Column(1)->GetWidth(), 96);
    EXPECT_TRUE(static_cast<bool>(lv->OnSelectItem));

    EXPECT_EQ(form->shpMark->GetShape(), stRoundRect);
    EXPECT_EQ(form->shpMark->GetBrush()->GetColor(), clYellow);
    EXPECT_EQ(form->shpMark->GetBrush()->GetStyle(), bsDiagCross);
    EXPECT_EQ(form->shpMark->GetPen()->GetMode(), pmXor);

    TStatusPanels* panels = form->sbStatus->GetPanels();
    ASSERT_EQ(panels->GetCount(), 2);
    EXPECT_EQ(panels->GetItem(0)->GetStyle(), psOwnerDraw);
    EXPECT_EQ(panels->GetItem(0)->GetWidth(), 20);
    EXPECT_EQ(panels->GetItem(1)->GetBevel(), pbRaised);
    EXPECT_EQ(panels->GetItem(1)->GetText(), "Ready");

    EXPECT_EQ(form->dlgSave->GetDefaultExt(), "gif");
    EXPECT_EQ(form->dlgSave->GetFilter(), "Gif Files (*.gif)|*.gif");
    EXPECT_EQ(form->dlgSave->GetOptions(),
              (TOpenOptions{ofOverwritePrompt, ofHideReadOnly, ofPathMustExist, ofEnableSizing}));
    EXPECT_FALSE(form->tmrOpen->GetEnabled());
    EXPECT_EQ(form->tmrOpen->GetInterval(), 250u);
    ASSERT_TRUE(static_cast<bool>(form->tmrOpen->GetOnTimer()));
    form->tmrOpen->GetOnTimer()(form->tmrOpen);
    EXPECT_EQ(form->Ticks, 1);

    form->Free();
}

// The text form the writer makes of a form.
std::string WrittenText(TComponent* root) {
    TMemoryStream binary;
    TWriter writer(&binary);
    writer.WriteRootComponent(root);
    const std::string bytes(static_cast<const char*>(binary.Memory()), size_t(binary.GetSize()));
    return ObjectBinaryToText(bytes);
}

TEST_F(VclControlsTest, LayoutWrittenFromTheTablesReadsBackToTheSameLayout) {
    RegisterVclClassesForm();
    auto* form = new TVclClassesForm(nullptr);
    const std::string first = WrittenText(form);
    form->Free();
    // Values that take a name, a set, a one-character string, a reference and a bound handler.
    for (const char* expected :
         {"Brush.Color = clYellow", "Font.Style = [fsBold, fsItalic]", "PasswordChar = '*'",
          "Associate = edtCount", "Position = poScreenCenter", "OnChange = edtNameChange",
          "Brush.Style = bsDiagCross", "Cursor = crHandPoint", "Font.Charset = ANSI_CHARSET"})
        EXPECT_NE(first.find(expected), std::string::npos) << expected << " in\n" << first;

    const std::string binary = ObjectTextToBinary(first);
    TReadOnlyMemoryStream stream(binary.data(), static_cast<int64_t>(binary.size()));
    auto* copy = new TVclClassesForm(nullptr, false);
    TReader reader(&stream);
    reader.ReadRootComponent(copy);
    EXPECT_EQ(copy->udCount->GetAssociate(), copy->edtCount);
    // The label follows the form's colour and font: it stays that way through the round trip, while the
    // edit keeps the colour and font of its own.
    EXPECT_TRUE(copy->lblName->GetParentColor());
    EXPECT_TRUE(copy->lblName->GetParentFont());
    EXPECT_EQ(copy->lblName->GetColor(), clBtnFace);
    EXPECT_EQ(copy->lblName->GetFont()->GetName(), "Arial");
    EXPECT_FALSE(copy->edtName->GetParentColor());
    EXPECT_FALSE(copy->edtName->GetParentFont());
    EXPECT_EQ(copy->edtName->GetColor(), TColor(0x00C0FFFF));
    EXPECT_EQ(WrittenText(copy), first);
    copy->Free();
}

} // namespace

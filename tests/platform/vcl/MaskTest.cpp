#include "platform/vcl/Mask.h"
#include "VclControlsSupport.h"
#include "platform/vcl/Exceptions.h"

using namespace vcl;
using vcltest::VclControlsTest;

namespace {

// Counts the validation errors its checks report.
class MkCountingEdit : public TCustomMaskEdit {
public:
    explicit MkCountingEdit(TComponent* owner) : TCustomMaskEdit(owner) {}
    int Errors = 0;
    void BaseValidateError() { TCustomMaskEdit::ValidateError(); }

protected:
    void ValidateError() override { ++Errors; }
};

} // namespace

TEST_F(VclControlsTest, MaskEditWithoutAMaskTakesAnyTextAndNeverReportsAnError) {
    TForm* form = MakeForm();
    auto* edit = new MkCountingEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 200, 21);
    auto* next = new TEdit(form);
    next->SetParent(form);
    next->SetBounds(10, 40, 200, 21);
    int changes = 0;
    edit->OnChange = [&changes](TObject*) { ++changes; };
    Pump();
    EXPECT_EQ(edit->GetEditMask(), "");
    EXPECT_FALSE(edit->IsMasked());
    edit->SetFocus();
    Type("12ab -/.:Z_");
    EXPECT_EQ(edit->GetText(), "12ab -/.:Z_");
    edit->ValidateEdit();
    next->SetFocus(); // leaving validates too
    Pump();
    EXPECT_EQ(edit->Errors, 0);
    EXPECT_EQ(win::GetFocus(), next->GetHandle());
    // Text set by code is taken as it is and reported.
    changes = 0;
    edit->SetText("");
    edit->SetText("any text at all");
    EXPECT_EQ(edit->GetText(), "any text at all");
    EXPECT_EQ(changes, 2);
}

TEST_F(VclControlsTest, MaskEditRefusesAMaskAndReportsErrorsAsEditErrors) {
    TMaskEdit edit(nullptr);
    for (const char* mask : {"!99/99/00;1;_", "000", ">L<l"})
        EXPECT_THROW(edit.SetEditMask(mask), EInvalidOperation) << mask;
    EXPECT_EQ(edit.GetEditMask(), "");
    EXPECT_NO_THROW(edit.SetEditMask(""));
    EXPECT_NO_THROW(edit.ValidateEdit());
    // The standard report of a text the mask refuses: an edit error, one of the library's exceptions.
    MkCountingEdit counting(nullptr);
    EXPECT_THROW(counting.BaseValidateError(), EDBEditError);
    try {
        counting.BaseValidateError();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Invalid input value");
    }
}

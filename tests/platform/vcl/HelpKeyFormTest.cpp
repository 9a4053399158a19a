// The help key reaches a form of the class library: F1 in an edit asks the form for help on the edit.
#include "VclControlsSupport.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"

#include <vector>

using namespace vcl;
using vcltest::VclControlsTest;

namespace {

class THelpForm : public TForm {
public:
    explicit THelpForm(TComponent* owner) : TForm(owner) {}
    std::vector<win::HELPINFO> Requests;

    void WndProc(TMessage& message) override {
        if (message.Msg == win::WM_HELP)
            Requests.push_back(*reinterpret_cast<const win::HELPINFO*>(message.LParam));
        TForm::WndProc(message);
    }
};

} // namespace

TEST_F(VclControlsTest, F1InAnEditOnAPanelAsksTheFormOnceForHelpOnTheEdit) {
    auto* form = new THelpForm(nullptr);
    form->SetBoundsRect({100, 100, 500, 400});
    form->Show();
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBoundsRect({0, 0, 300, 100});
    auto* edit = new TEdit(form);
    edit->SetParent(panel);
    edit->SetBoundsRect({10, 10, 150, 31});
    win::SetWindowLong(edit->GetHandle(), win::GWL_ID, 42);
    edit->SetFocus();
    Pump();
    FScreen.InjectMouse(win::MouseAction::Move, {333, 222});
    Key(win::VK_F1);
    ASSERT_EQ(form->Requests.size(), 1u);
    const win::HELPINFO& info = form->Requests[0];
    EXPECT_EQ(info.iContextType, win::HELPINFO_WINDOW);
    EXPECT_EQ(info.iCtrlId, 42);
    EXPECT_EQ(info.hItemHandle, reinterpret_cast<win::HANDLE>(edit->GetHandle()));
    EXPECT_EQ(info.MousePos, (win::TPoint{333, 222}));
    EXPECT_EQ(edit->GetText(), ""); // the key typed nothing
}

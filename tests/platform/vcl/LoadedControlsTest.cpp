// Controls read from a layout finish what they could not do while their properties were read.
#include "VclControlsSupport.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

using namespace vcl;
using vcltest::VclControlsTest;

namespace {

TForm* LctRead(const std::string& text) {
    RegisterVclClasses();
    const std::string binary = ObjectTextToBinary(text);
    TReadOnlyMemoryStream stream(binary.data(), static_cast<int64_t>(binary.size()));
    auto* form = new TForm(nullptr);
    TReader reader(&stream);
    reader.ReadRootComponent(form);
    return form;
}

std::string LctWrite(TComponent* root) {
    TMemoryStream binary;
    TWriter writer(&binary);
    writer.WriteRootComponent(root);
    return ObjectBinaryToText(
        std::string(static_cast<const char*>(binary.Memory()), size_t(binary.GetSize())));
}

// A combo box's ItemIndex is applied once its items are read, whichever comes first in the layout, and
// survives writing and reading again; windowless and windowed alike.
TEST_F(VclControlsTest, ComboBoxItemIndexFromALayout) {
    for (const char* order : {"items first", "index first"}) {
        SCOPED_TRACE(order);
        const std::string items = "    Items.Strings = (\n      'Red'\n      'Green'\n      'Blue')\n";
        const std::string index = "    ItemIndex = 2\n";
        const std::string text = std::string("object LctForm: TForm\n  object cbColour: TComboBox\n") +
                                 (order[0] == 'i' && order[1] == 't' ? items + index : index + items) +
                                 "    Style = csDropDownList\n  end\nend\n";
        TForm* form = LctRead(text);
        auto* combo = static_cast<TComboBox*>(form->FindComponent("cbColour"));
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->GetItemIndex(), 2);
        EXPECT_EQ(combo->GetText(), "Blue");
        form->Show();
        Pump();
        EXPECT_EQ(combo->GetItemIndex(), 2) << "kept when the window is made";
        const std::string written = LctWrite(form);
        EXPECT_NE(written.find("ItemIndex = 2"), std::string::npos) << written;
        form->Free();

        TForm* copy = LctRead(written);
        auto* again = static_cast<TComboBox*>(copy->FindComponent("cbColour"));
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(again->GetItemIndex(), 2);
        EXPECT_EQ(again->GetText(), "Blue");
        copy->Free();
    }
}

// An auto-sizing label takes the size of its text after loading, before its form is shown; one
// without AutoSize keeps the size the layout gave.
TEST_F(VclControlsTest, AutoSizeLabelSizesItselfAfterLoading) {
    TForm* form = LctRead("object LctForm: TForm\n"
                          "  object lblAuto: TLabel\n"
                          "    Width = 3\n"
                          "    Height = 2\n"
                          "    Caption = 'A caption of some length'\n"
                          "  end\n"
                          "  object lblFixed: TLabel\n"
                          "    Width = 3\n"
                          "    Height = 2\n"
                          "    AutoSize = False\n"
                          "    Caption = 'A caption of some length'\n"
                          "  end\n"
                          "end\n");
    auto* autoLabel = static_cast<TLabel*>(form->FindComponent("lblAuto"));
    auto* fixedLabel = static_cast<TLabel*>(form->FindComponent("lblFixed"));
    ASSERT_NE(autoLabel, nullptr);
    ASSERT_NE(fixedLabel, nullptr);
    EXPECT_GT(autoLabel->GetWidth(), 50);
    EXPECT_GT(autoLabel->GetHeight(), 5);
    EXPECT_EQ(fixedLabel->GetWidth(), 3);
    EXPECT_EQ(fixedLabel->GetHeight(), 2);
    // The size matches what the label measures for itself once shown.
    const int32_t width = autoLabel->GetWidth();
    form->Show();
    Pump();
    autoLabel->SetCaption("");
    autoLabel->SetCaption("A caption of some length");
    EXPECT_EQ(autoLabel->GetWidth(), width);
    form->Free();
}

// A control names its popup menu by reference, even one the layout lists further down, and writes it so.
TEST_F(VclControlsTest, PopupMenuReferenceFromALayout) {
    TForm* form = LctRead("object LctForm: TForm\n"
                          "  PopupMenu = pmForm\n"
                          "  object lblName: TLabel\n"
                          "    PopupMenu = pmLabel\n"
                          "  end\n"
                          "  object pmLabel: TPopupMenu\n"
                          "  end\n"
                          "  object pmForm: TPopupMenu\n"
                          "    AutoPopup = False\n"
                          "  end\n"
                          "end\n");
    auto* label = static_cast<TLabel*>(form->FindComponent("lblName"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetPopupMenu(), form->FindComponent("pmLabel"));
    ASSERT_NE(form->GetPopupMenu(), nullptr);
    EXPECT_FALSE(form->GetPopupMenu()->GetAutoPopup());
    const std::string written = LctWrite(form);
    EXPECT_NE(written.find("PopupMenu = pmLabel"), std::string::npos) << written;
    EXPECT_NE(written.find("PopupMenu = pmForm"), std::string::npos) << written;
    form->Free();
}

} // namespace

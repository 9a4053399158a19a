// The list box whose horizontal extent follows its widest item: each item asks for its text and "XX" in
// the list box's font, measured here on a bitmap's canvas of its own.
#include "AppTestUtil.h"

#include "app/ListBoxHrz.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphicsObjects.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using app::TListBoxHrz;

namespace {

class ListBoxHrzTest : public apptest::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        FForm = new vcl::TForm(nullptr);
        FForm->SetBounds(50, 50, 400, 300);
        FForm->Show();
        List = new TListBoxHrz(FForm);
        List->SetParent(FForm);
        List->SetBounds(10, 10, 120, 100);
        vcl::Application->ProcessMessages();
    }
    // The width an item asks for, measured apart from the list box.
    int32_t Width(const std::string& text) const {
        vcl::TBitmap bitmap;
        bitmap.SetSize(8, 8);
        bitmap.GetCanvas()->GetFont()->Assign(List->GetFont());
        return bitmap.GetCanvas()->TextWidth(text + "XX");
    }
    vcl::TStrings* Items() const { return List->GetItems(); }

    vcl::TForm* FForm = nullptr;
    TListBoxHrz* List = nullptr;
};

const std::string Long = "/home/user/pictures/a rather long folder name/frame-one.png";
const std::string Middle = "/home/user/pictures/frame-two.png";
const std::string Short = "b.png";

TEST_F(ListBoxHrzTest, TheExtentFollowsTheWidestItem) {
    struct Step {
        const char* What;
        std::function<void(vcl::TStrings*)> Change;
        std::string Widest; // empty: no items
    };
    const std::vector<Step> steps = {
        {"a long item", [](vcl::TStrings* s) { s->Add(Long); }, Long},
        {"a short item after it", [](vcl::TStrings* s) { s->Add(Short); }, Long},
        {"a middle one inserted first", [](vcl::TStrings* s) { s->Insert(0, Middle); }, Long},
        {"the longest deleted", [](vcl::TStrings* s) { s->Delete(s->IndexOf(Long)); }, Middle},
        {"a short one deleted", [](vcl::TStrings* s) { s->Delete(s->IndexOf(Short)); }, Middle},
        {"the last one deleted", [](vcl::TStrings* s) { s->Delete(0); }, ""},
        {"items again",
         [](vcl::TStrings* s) {
             s->Add(Short);
             s->Add(Middle);
         },
         Middle},
        {"cleared", [](vcl::TStrings* s) { s->Clear(); }, ""},
    };
    EXPECT_EQ(List->GetCurrentWidth(), 0);
    for (const Step& step : steps) {
        step.Change(Items());
        EXPECT_EQ(List->GetCurrentWidth(), step.Widest.empty() ? 0 : Width(step.Widest)) << step.What;
    }
    EXPECT_GT(Width(Long), Width(Middle));
    EXPECT_GT(Width(Long), List->GetClientWidth());
}

TEST_F(ListBoxHrzTest, AFontChangeMeasuresAgain) {
    Items()->Add(Short);
    Items()->Add(Middle);
    const int32_t before = List->GetCurrentWidth();
    EXPECT_EQ(before, Width(Middle));
    List->GetFont()->SetSize(List->GetFont()->GetSize() * 2);
    EXPECT_EQ(List->GetCurrentWidth(), Width(Middle));
    EXPECT_GT(List->GetCurrentWidth(), before + before / 2);
}

// The tab width is added to the widest item's width; a new window takes its items, and its extent, again.
TEST_F(ListBoxHrzTest, TheTabWidthIsAddedAndANewWindowKeepsTheExtent) {
    Items()->Add(Middle);
    List->SetTabWidth(12);
    EXPECT_EQ(List->GetCurrentWidth(), Width(Middle) + 12);
    Items()->Add(Short);
    EXPECT_EQ(List->GetCurrentWidth(), Width(Middle) + 12);
    Items()->Delete(1);
    EXPECT_EQ(List->GetCurrentWidth(), Width(Middle) + 12);
}

} // namespace

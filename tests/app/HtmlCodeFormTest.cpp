// The image-tag dialog: the tag it builds from the typed attributes (quotes escaped, everything else as
// typed), what the memo shows from the start, and Copy with a full and an empty memo, driven through the
// main window's Tools command on the headless screen.
#include "EditorTestUtil.h"
#include "ExportTestUtil.h"

#include "app/HtmlCodeForm.h"
#include "controls/FcButton.h"
#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/StdCtrls.h"

#include <string>
#include <vector>

using apptest::EditorTest;
using exporttest::FindForm;

namespace {

struct TagCase {
    const char* What;
    const char *File, *Hint, *Border, *Link;
    const char* Tag;
};

const TagCase TagCases[] = {
    {"every attribute", "anim.gif", "Logo", "0", "", R"(<img src="anim.gif" height="60" width="120" alt="Logo" border="0">)"},
    {"no hint, no border", "anim.gif", "", "", "", R"(<img src="anim.gif" height="60" width="120">)"},
    {"a link wraps the tag", "anim.gif", "", "2", "https://example.com/?a=1&b=2",
     R"(<a href="https://example.com/?a=1&b=2"><img src="anim.gif" height="60" width="120" border="2"></a>)"},
    {"quotes in every value", R"(a"b.gif)", R"(Say "hi")", R"(1" onload="x)", R"(x" y=")",
     R"(<a href="x&quot; y=&quot;"><img src="a&quot;b.gif" height="60" width="120" alt="Say &quot;hi&quot;")"
     R"( border="1&quot; onload=&quot;x"></a>)"},
    {"entities and markup stay as typed", "", "&lt;b&gt; & 'x' <i>", "", "",
     R"(<img src="" height="60" width="120" alt="&lt;b&gt; & 'x' <i>">)"},
};

TEST(HtmlImageTag, BuildsTheTagFromTheTypedAttributes) {
    for (const TagCase& c : TagCases)
        EXPECT_EQ(app::HtmlImageTag(c.File, 120, 60, c.Hint, c.Border, c.Link), c.Tag) << c.What;
}

class HtmlCode : public EditorTest {
protected:
    void Click(vcl::TControl* control) { exporttest::ClickControl(FScreen, control); }
};

TEST_F(HtmlCode, TheMemoFollowsTheEditsFromTheStart) {
    apptest::GifSpec spec = apptest::ThreeFrames();
    spec.Width = 120;
    spec.Height = 60;
    FScreen.AnswerFiles({WriteGif("anim.gif", spec)});
    Form->DispatchCommand(102);
    ASSERT_EQ(Rows(), 3);
    std::vector<std::string> memo;
    FScreen.Script([&] {
        auto* dialog = FindForm<app::TfrmGifHTMLCode>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->GetCaption(), "HTML Code");
        EXPECT_EQ(dialog->txtFileName->GetText(), "anim.gif");
        memo.push_back(dialog->txtHTML->GetText());
        dialog->txtHint->SetText("Logo");
        memo.push_back(dialog->txtHTML->GetText());
        dialog->txtBorder->SetText("");
        memo.push_back(dialog->txtHTML->GetText());
        dialog->txtLink->SetText("index.html");
        memo.push_back(dialog->txtHTML->GetText());
        Click(dialog->btnCancel);
    });
    Form->DispatchCommand(403);
    EXPECT_EQ(FindForm<app::TfrmGifHTMLCode>(), nullptr);
    EXPECT_EQ(memo, (std::vector<std::string>{
                        R"(<img src="anim.gif" height="60" width="120" border="0">)",
                        R"(<img src="anim.gif" height="60" width="120" alt="Logo" border="0">)",
                        R"(<img src="anim.gif" height="60" width="120" alt="Logo">)",
                        R"(<a href="index.html"><img src="anim.gif" height="60" width="120" alt="Logo"></a>)",
                    }));
}

TEST_F(HtmlCode, CopyPutsTheMemoOnTheClipboardAndAnEmptyMemoNothing) {
    const std::string tag = R"(<img src="anim.gif" height="60" width="120" alt="Logo" border="0">)";
    bool boxAfterEmptyCopy = true;
    std::string clipboardAfterEmptyCopy;
    FScreen.Script([&] {
        auto* dialog = FindForm<app::TfrmGifHTMLCode>();
        ASSERT_NE(dialog, nullptr);
        dialog->txtHint->SetText("Logo");
        Click(dialog->btnCopy);
    });
    AnswerWith("OK");
    FScreen.Script([&] {
        auto* dialog = FindForm<app::TfrmGifHTMLCode>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(vcl::Clipboard()->GetAsText(), tag);
        vcl::Clipboard()->SetAsText("before");
        dialog->txtHTML->SetText("");
        Click(dialog->btnCopy);
    });
    FScreen.Script([&] {
        vcl::TMessageBoxView view;
        boxAfterEmptyCopy = vcl::FindMessageBox(&view);
        clipboardAfterEmptyCopy = vcl::Clipboard()->GetAsText();
        auto* dialog = FindForm<app::TfrmGifHTMLCode>();
        ASSERT_NE(dialog, nullptr);
        Click(dialog->btnCancel);
    });
    app::ShowHtmlCode("anim.gif", 120, 60);
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].Text, "HTML Code successfully copied to clipboard.");
    EXPECT_EQ(FBoxes[0].Icon, uint32_t(vcl::MB_ICONINFORMATION));
    EXPECT_FALSE(boxAfterEmptyCopy);
    EXPECT_EQ(clipboardAfterEmptyCopy, "before");
}

} // namespace

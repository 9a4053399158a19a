// The half of tests/external/editor_wizards.sh that runs inside the editor: with LOOMWICK_APP_EXTERNAL_DIR
// set, the image-tag dialog is shown for each case of a table, the attributes are typed into its edits and
// the tag its memo then holds is written to tags.txt with what was typed, for the script to read back with
// another HTML parser. Without it the test is skipped.
#include "EditorTestUtil.h"
#include "ExportTestUtil.h"

#include "app/HtmlCodeForm.h"
#include "controls/FcButton.h"
#include "platform/vcl/StdCtrls.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using apptest::EditorTest;
using exporttest::FindForm;

namespace {

struct TypedTag {
    const char *File, *Hint, *Border, *Link;
};

// Values the user may type: plain ones, double and single quotes, markup, an entity, a query string and
// text outside ASCII. No value holds a line break: tags.txt keeps one value a line.
const TypedTag TypedTags[] = {
    {"anim.gif", "Logo", "0", ""},
    {"anim.gif", "", "", ""},
    {"my \"best\" anim.gif", "He said \"hi\"", "1\" onload=\"x", "page.html?a=\"1\""},
    {"it's.gif", "a 'quoted' <b>word</b> > c", "2", "https://example.com/a?b=1&c=2"},
    {"anim.gif", "&lt;tag&gt; and &quot;", "", "#top"},
    {"\xC3\xA4nim.gif", "Gr\xC3\xB6\xC3\x9F" "e \xE2\x98\x83", "", ""},
};

class HtmlTagExternal : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        const char* dir = std::getenv("LOOMWICK_APP_EXTERNAL_DIR");
        if (!dir || !*dir)
            GTEST_SKIP() << "LOOMWICK_APP_EXTERNAL_DIR is not set";
        FExternal = dir;
    }
    std::filesystem::path FExternal;
};

TEST_F(HtmlTagExternal, WritesTheTagsOfTypedAttributes) {
    std::ofstream out(FExternal / "tags.txt", std::ios::binary);
    for (const TypedTag& typed : TypedTags) {
        std::string tag;
        FScreen.Script([&] {
            auto* dialog = FindForm<app::TfrmGifHTMLCode>();
            ASSERT_NE(dialog, nullptr);
            dialog->txtHint->SetText(typed.Hint);
            dialog->txtBorder->SetText(typed.Border);
            dialog->txtLink->SetText(typed.Link);
            tag = dialog->txtHTML->GetText();
            exporttest::ClickControl(FScreen, dialog->btnCancel);
        });
        app::ShowHtmlCode(typed.File, 120, 60);
        ASSERT_FALSE(tag.empty()) << typed.File;
        out << "file=" << typed.File << "\nhint=" << typed.Hint << "\nborder=" << typed.Border
            << "\nlink=" << typed.Link << "\ntag=" << tag << "\n\n";
    }
    ASSERT_TRUE(out.good());
}

} // namespace

// The halves of tests/external/editor_exports.sh that run inside the editor: with LOOMWICK_APP_EXTERNAL_DIR
// set, the main window opens anim.gif from there, saves it as a Flash movie (anim.swf, its HTML in
// anim.html) and exports every frame as JPEG files at each quality and in gray scale, black-and-white BMP
// files and web-palette GIF files, which the script then reads with other programs. Without it they are
// skipped.
#include "EditorTestUtil.h"
#include "ExportTestUtil.h"

#include "app/ExporterForm.h"
#include "app/SwfHtmlForm.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/StdCtrls.h"

#include <cstdlib>
#include <fstream>

using apptest::EditorTest;
using exporttest::FindForm;

namespace {

class ExportsExternal : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        const char* dir = std::getenv("LOOMWICK_APP_EXTERNAL_DIR");
        if (!dir || !*dir || !std::filesystem::exists(std::filesystem::path(dir) / "anim.gif"))
            GTEST_SKIP() << "LOOMWICK_APP_EXTERNAL_DIR with anim.gif is not set";
        FExternal = dir;
    }
    std::string In(const std::string& name) const { return (FExternal / name).string(); }
    void Click(vcl::TControl* control) { exporttest::ClickControl(FScreen, control); }
    // Runs the frame export of every frame into base; choose clicks the options in the dialog's loop, then
    // OK is pressed once they are handled.
    void ExportFrames(const std::string& base, std::function<void(app::TfrmExporter*)> choose) {
        for (int32_t i = 0; i < Rows(); ++i)
            Row(i)->SetSelected(true);
        FScreen.AnswerFiles({In(base)});
        FScreen.Script([this, choose] {
            auto* dialog = FindForm<app::TfrmExporter>();
            ASSERT_NE(dialog, nullptr);
            choose(dialog);
            FScreen.Script([this, dialog] { Click(dialog->btnOk); });
        });
        Form->DispatchCommand(108);
        ASSERT_EQ(FindForm<app::TfrmExporter>(), nullptr) << base;
    }

    std::filesystem::path FExternal;
};

} // namespace

TEST_F(ExportsExternal, MovieAndFrameFiles) {
    FScreen.AnswerFiles({In("anim.gif")});
    Form->DispatchCommand(102);
    ASSERT_GT(Rows(), 0);

    FScreen.AnswerFiles({In("anim.swf")});
    FScreen.Script([this] {
        auto* dialog = FindForm<app::TSWFHTMLFrm>();
        ASSERT_NE(dialog, nullptr);
        std::ofstream(In("anim.html"), std::ios::binary) << dialog->mmoFlash->GetText();
        Click(dialog->Button1);
    });
    Form->DispatchCommand(106);
    ASSERT_TRUE(std::filesystem::exists(In("anim.swf")));

    // The track bar from "Excellent" to "Poor": qualities 100, 75, 50, 25 and 1.
    for (int position = 0; position <= 4; ++position)
        ExportFrames("position" + std::to_string(position) + ".jpg", [this, position](app::TfrmExporter* d) {
            Click(d->optJpeg);
            d->trackbar->SetPosition(position);
        });
    ExportFrames("gray.jpg", [this](app::TfrmExporter* d) {
        Click(d->optJpeg);
        FScreen.Script([this, d] { Click(d->chkJGrayscale); });
    });
    ExportFrames("mono.bmp", [this](app::TfrmExporter* d) {
        Click(d->optBitmap);
        FScreen.Script([this, d] { Click(d->chkBMono); });
    });
    ExportFrames("web.gif", [](app::TfrmExporter* d) { EXPECT_TRUE(d->optGIFNetscape->GetChecked()); });
    EXPECT_TRUE(FBoxes.empty());
}

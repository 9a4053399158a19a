// The window placement store: clamping to the work area, sizes too small to apply, maximised windows,
// monitors that are gone, and a file shared with other sections.
#include "AppTestUtil.h"

#include "app/FormPlacement.h"

using namespace app;
using apptest::AppTest;

namespace {

class PlacementTest : public AppTest {
protected:
    void Store(const std::string& name, int left, int top, int right, int bottom, int state = 0) {
        const std::string file = FormPlacementFileName();
        ASSERT_TRUE(WriteIniInt(file, name + "Position", "Left", left));
        ASSERT_TRUE(WriteIniInt(file, name + "Position", "Top", top));
        ASSERT_TRUE(WriteIniInt(file, name + "Position", "Right", right));
        ASSERT_TRUE(WriteIniInt(file, name + "Position", "Bottom", bottom));
        ASSERT_TRUE(WriteIniInt(file, name + "Position", "State", state));
    }
    int Read(const std::string& name, const std::string& key) {
        return ReadIniInt(FormPlacementFileName(), name + "Position", key, -999);
    }
    vcl::TForm* NewForm(const std::string& name, bool main = false) {
        vcl::TForm* form = nullptr;
        if (main) {
            vcl::Application->CreateForm(form);
        } else {
            form = new vcl::TForm(nullptr);
        }
        form->SetName(name);
        form->SetBounds(10, 10, 300, 200);
        return form;
    }
};

TEST_F(PlacementTest, TheFileLivesInTheConfigurationFolder) {
    EXPECT_EQ(FormPlacementFileName(), (FDir / "config" / "loomwick" / "forminfo.ini").string());
}

TEST_F(PlacementTest, RestoringClampsToTheWorkAreaAndSkipsTinySizes) {
    struct Case {
        win::TRect Stored;
        win::TRect Expected; // left, top, width, height
    } cases[] = {
        {{-50, 20, 750, 520}, {0, 20, 800, 500}},
        {{1000, 900, 1400, 1100}, {880, 824, 400, 200}},  // right and bottom edges meet
        {{-10, -10, 1500, 1100}, {0, 0, 1510, 1110}},     // larger than the area: left and top edges
        {{100, 100, 108, 400}, {100, 100, 300, 300}},     // a width of 8 is not applied
        {{100, 100, 500, 105}, {100, 100, 400, 200}},     // nor a height of 5
    };
    for (const auto& c : cases) {
        Store("frmTest", c.Stored.Left, c.Stored.Top, c.Stored.Right, c.Stored.Bottom);
        vcl::TForm* form = NewForm("frmTest");
        ASSERT_TRUE(RestoreFormPlacement(form, "frmTest", false, false));
        EXPECT_EQ(form->GetLeft(), c.Expected.Left) << c.Stored.Left;
        EXPECT_EQ(form->GetTop(), c.Expected.Top) << c.Stored.Left;
        EXPECT_EQ(form->GetWidth(), c.Expected.Right) << c.Stored.Left;
        EXPECT_EQ(form->GetHeight(), c.Expected.Bottom) << c.Stored.Left;
        form->Free();
    }
    // skip size keeps the form's size, only moving it.
    Store("frmTest", -50, 20, 750, 520, 1);
    vcl::TForm* form = NewForm("frmTest");
    ASSERT_TRUE(RestoreFormPlacement(form, "frmTest", true, true));
    EXPECT_EQ(form->GetBoundsRect(), (win::TRect{0, 20, 300, 220}));
    EXPECT_EQ(form->GetWindowState(), vcl::wsNormal);
    ASSERT_TRUE(RestoreFormPlacement(form, "frmTest", false, true));
    EXPECT_EQ(form->GetWindowState(), vcl::wsMaximized);
    // No placement: nothing changes.
    EXPECT_FALSE(RestoreFormPlacement(form, "frmNever", false, false));
    form->Free();
}

TEST_F(PlacementTest, AMaximisedWindowStoresItsStateAndRestoredBounds) {
    vcl::TForm* form = NewForm("frmGifMain", true);
    form->SetBounds(100, 120, 640, 480);
    form->Show();
    form->SetWindowState(vcl::wsMaximized);
    ASSERT_EQ(form->GetWindowState(), vcl::wsMaximized);
    SaveFormPlacement(form, "frmGifMain");
    EXPECT_EQ(Read("frmGifMain", "State"), 1);
    EXPECT_EQ(Read("frmGifMain", "Left"), 100);
    EXPECT_EQ(Read("frmGifMain", "Top"), 120);
    EXPECT_EQ(Read("frmGifMain", "Right"), 740);
    EXPECT_EQ(Read("frmGifMain", "Bottom"), 600);
    EXPECT_EQ(form->GetWindowState(), vcl::wsNormal);

    SaveFormPlacement(form, "frmGifMain");
    EXPECT_EQ(Read("frmGifMain", "State"), 0);
}

TEST_F(PlacementTest, APlacementOnAMonitorThatIsGoneComesBackOnTheMainOne) {
    win::MonitorDesc main{{0, 0, 1280, 1024}, {0, 0, 1280, 994}, true};
    win::MonitorDesc second{{1280, 0, 2880, 1200}, {1280, 0, 2880, 1170}, false};
    FScreen.SetMonitors({main, second});
    Store("frmGifMain", 1500, 100, 1900, 400);
    vcl::TForm* form = NewForm("frmGifMain", true);
    ASSERT_TRUE(RestoreFormPlacement(form, "frmGifMain", true, false));
    EXPECT_EQ(form->GetBoundsRect(), (win::TRect{1500, 100, 1900, 400})); // still attached: kept

    FScreen.SetMonitors({main});
    form->SetBounds(10, 10, 300, 200);
    ASSERT_TRUE(RestoreFormPlacement(form, "frmGifMain", true, false));
    EXPECT_EQ(form->GetBoundsRect(), (win::TRect{880, 100, 1280, 400}));
}

TEST_F(PlacementTest, OtherSectionsAndLinesSurviveASave) {
    std::filesystem::create_directories(FDir / "config" / "loomwick");
    {
        std::ofstream out(FormPlacementFileName());
        out << "; placements\n[frmOtherPosition]\nLeft=5\nExtra=kept\n";
    }
    vcl::TForm* form = NewForm("frmGifMain");
    form->SetBounds(30, 40, 500, 400);
    SaveFormPlacement(form, "frmGifMain");
    EXPECT_EQ(Read("frmOther", "Left"), 5);
    EXPECT_EQ(Read("frmGifMain", "Right"), 530);
    std::string text;
    {
        std::ifstream in(FormPlacementFileName());
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    EXPECT_NE(text.find("; placements"), std::string::npos);
    EXPECT_NE(text.find("Extra=kept"), std::string::npos);
    form->Free();
}

TEST_F(PlacementTest, CenteringUsesTheMainWorkArea) {
    FScreen.SetMonitors({{{0, 0, 1280, 1024}, {0, 30, 1280, 1024}, true}});
    vcl::TForm* form = NewForm("frmWizard");
    form->SetBounds(0, 0, 301, 201);
    CenterFormOnWorkArea(form);
    EXPECT_EQ(form->GetLeft(), 489); // (1280 - 301) / 2 truncated
    EXPECT_EQ(form->GetTop(), 30 + 396);
    form->Free();
}

} // namespace

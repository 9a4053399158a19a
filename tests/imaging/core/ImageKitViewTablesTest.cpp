// Layouts that hold a single-image view: its published properties read through the property tables, and
// written back with only what differs from a new view.
#include "imaging/core/ImageKitView.h"

#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Streams.h"
#include "tests/imaging/core/IKViewFixture.h"

using namespace imaging;

namespace {

using ImageKitViewTablesTest = iktest::ViewFixture;

std::string ViewTablesWritten(vcl::TComponent* root) {
    vcl::TMemoryStream binary;
    vcl::TWriter writer(&binary);
    writer.WriteRootComponent(root);
    const std::string bytes(static_cast<const char*>(binary.Memory()), size_t(binary.GetSize()));
    return vcl::ObjectBinaryToText(bytes);
}

TEST_F(ImageKitViewTablesTest, LayoutHoldsAView) {
    RegisterImagingClasses();
    const std::string text = R"(object ViewForm: TForm
  Left = 0
  Top = 0
  Width = 300
  Height = 200
  object ImageView1: TImageKitView
    Left = 8
    Top = 8
    Width = 120
    Height = 90
    Background = clWhite
    BackgroundStyle = ikbsChessboard
    ZoomFilter = rfTriangle
    ScrollBars = ssVertical
    Center = False
    AutoFit = True
    AutoShrink = True
    DelayZoomFilter = True
    EnableAlphaChannel = True
    MouseInteract = [miZoom, miScroll]
    Cursor = 1793
    BorderStyle = bsNone
    Ctl3D = False
  end
end
)";
    const std::string binary = vcl::ObjectTextToBinary(text);
    vcl::TReadOnlyMemoryStream stream(binary.data(), static_cast<int64_t>(binary.size()));
    auto* form = new vcl::TForm(nullptr);
    vcl::TReader reader(&stream);
    reader.ReadRootComponent(form);
    auto* view = dynamic_cast<TImageKitView*>(form->FindComponent("ImageView1"));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetBackground(), vcl::clWhite);
    EXPECT_EQ(view->GetBackgroundStyle(), ikbsChessboard);
    EXPECT_EQ(view->GetZoomFilter(), rfTriangle);
    EXPECT_EQ(view->GetScrollBars(), vcl::ssVertical);
    EXPECT_FALSE(view->GetCenter());
    EXPECT_TRUE(view->GetAutoFit());
    EXPECT_TRUE(view->GetAutoShrink());
    EXPECT_TRUE(view->GetDelayZoomFilter());
    EXPECT_TRUE(view->GetEnableAlphaChannel());
    EXPECT_EQ(view->GetMouseInteract(), (TIKMouseInteract{miZoom, miScroll}));
    EXPECT_EQ(view->GetCursor(), 1793);
    EXPECT_EQ(view->GetBorderStyle(), vcl::bsNone);
    EXPECT_FALSE(view->GetCtl3D());
    // A view read from a layout starts with an image of its own size in its background colour.
    ASSERT_EQ(view->GetIKBitmap()->Width(), 120);
    ASSERT_EQ(view->GetIKBitmap()->Height(), 90);
    EXPECT_EQ(view->GetIKBitmap()->PixelColor(60, 45), (TIKColorTriple{255, 255, 255}));

    // Written back: what the layout set, and nothing a new view has anyway.
    const std::string written = ViewTablesWritten(form);
    for (const char* expected : {"BackgroundStyle = ikbsChessboard", "ZoomFilter = rfTriangle", "Cursor = 1793",
                                 "MouseInteract = [miZoom, miScroll]", "Background = clWhite"})
        EXPECT_NE(written.find(expected), std::string::npos) << expected << " in\n" << written;
    for (const char* absent : {"LegacyBitmap", "DoubleBuffer", "AutoStretch"})
        EXPECT_EQ(written.find(absent), std::string::npos) << absent << " in\n" << written;
    form->Free();
}

} // namespace

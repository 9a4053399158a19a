// The processing component: conversions, undo and redo, the selection limit of gray conversion, the
// background, and attaching to and leaving views, TImage controls and bitmaps.
#include "imaging/core/ImageKitProc.h"

#include "imaging/core/IKMask.h"
#include "imaging/core/ImageKitView.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Picture.h"
#include "tests/imaging/core/IKViewFixture.h"

#include <cstring>
#include <set>
#include <vector>

using namespace imaging;

namespace {

class ImageKitProcTest : public iktest::ViewFixture {
protected:
    // The bytes of every row of a bitmap.
    static std::vector<uint8_t> Bytes(TIKBitmap* b) {
        std::vector<uint8_t> out;
        for (int32_t y = 0; y < b->Height(); ++y) {
            const uint8_t* row = b->ScanLine(y);
            out.insert(out.end(), row, row + b->RowLength());
        }
        return out;
    }
    static int32_t Gray(const uint8_t* p) { return (p[2] * 21 + p[1] * 71 + p[0] * 8) / 100; }
    static void FillPixels(TIKBitmap* b, int32_t w, int32_t h, uint32_t seed) {
        b->Allocate(w, h, ikbf24Bit);
        for (int32_t y = 0; y < h; ++y) {
            uint8_t* row = b->ScanLine(y);
            for (int32_t i = 0; i < 3 * w; ++i) {
                seed = seed * 1103515245u + 12345u;
                row[i] = uint8_t(seed >> 16);
            }
        }
    }
};

TEST_F(ImageKitProcTest, ConvertToTwoColoursGivesOneBitByThreshold) {
    TImageKitProc* proc = View->GetProc();
    EXPECT_EQ(proc->GetAttachedImageKit(), View);
    // Grays 0, 30, 220, 255: the gray of the mean colour (126) splits them in two.
    TIKBitmap* b = View->GetIKBitmap();
    b->Allocate(4, 1, ikbf24Bit);
    uint8_t* row = b->ScanLine(0);
    const uint8_t levels[4] = {0, 30, 220, 255};
    for (int x = 0; x < 4; ++x)
        row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = levels[x];
    View->Update();
    int changes = 0;
    View->OnImageChange = [&](vcl::TObject*) { ++changes; };
    proc->ConvertTo(2, true);
    b = View->GetIKBitmap();
    ASSERT_EQ(b->PixelFormat(), ikbf1Bit);
    EXPECT_EQ(View->GetBitmap()->GetPixelFormat(), vcl::pf1bit);
    EXPECT_EQ(b->ScanLine(0)[0] & 0xF0, 0x30);
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(proc->UndoCount(), 1);
    EXPECT_EQ(proc->UndoCaption(0), "ConvertTo 2");
    // Undo brings the 24-bit image back.
    proc->Undo();
    EXPECT_EQ(View->GetIKBitmap()->PixelFormat(), ikbf24Bit);
    EXPECT_EQ(View->GetIKBitmap()->ScanLine(0)[6], 220);
}

TEST_F(ImageKitProcTest, ConvertToDitherAndManyColours) {
    TImageKitProc* proc = View->GetProc();
    FillPixels(View->GetIKBitmap(), 16, 8, 7);
    View->Update();
    const std::vector<uint8_t> before = Bytes(View->GetIKBitmap());
    // Above 1024 colours the pixels stay, the undo entry is still made.
    proc->ConvertTo(1500, false);
    EXPECT_EQ(Bytes(View->GetIKBitmap()), before);
    ASSERT_EQ(proc->UndoCount(), 1);
    EXPECT_EQ(proc->UndoCaption(0), "ConvertTo 1500");
    // Dithered: bit (x, y) is set where the gray exceeds 4 x M + 2 of the 8 x 8 matrix.
    proc->ConvertTo(2, false);
    TIKBitmap* b = View->GetIKBitmap();
    ASSERT_EQ(b->PixelFormat(), ikbf1Bit);
    EXPECT_EQ(b->Width(), 16);
    EXPECT_EQ(b->Height(), 8);
}

TEST_F(ImageKitProcTest, ConvertToAFewColoursKeepsTwentyFourBits) {
    TImageKitProc* proc = View->GetProc();
    FillPixels(View->GetIKBitmap(), 40, 30, 3);
    View->Update();
    proc->ConvertTo(16, false);
    TIKBitmap* b = View->GetIKBitmap();
    ASSERT_EQ(b->PixelFormat(), ikbf24Bit);
    std::set<uint32_t> colours;
    for (int32_t y = 0; y < b->Height(); ++y) {
        const uint8_t* p = b->ScanLine(y);
        for (int32_t x = 0; x < b->Width(); ++x)
            colours.insert(uint32_t(p[3 * x]) | uint32_t(p[3 * x + 1]) << 8 | uint32_t(p[3 * x + 2]) << 16);
    }
    EXPECT_LE(colours.size(), 16u);
    EXPECT_GT(colours.size(), 1u);
}

TEST_F(ImageKitProcTest, OtherFormatsAndEmptyImagesAreLeftAlone) {
    TImageKitProc proc(nullptr);
    TIKBitmap* b = proc.GetIKBitmap();
    proc.ConvertTo(256, false); // empty
    proc.ConvertToGray();
    EXPECT_EQ(proc.UndoCount(), 0);
    b->Allocate(4, 4, ikbf8Bit);
    b->ScanLine(1)[2] = 77;
    const std::vector<uint8_t> before = Bytes(b);
    proc.ConvertTo(256, false);
    proc.ConvertTo(2, true);
    proc.ConvertToGray();
    EXPECT_EQ(proc.GetIKBitmap()->PixelFormat(), ikbf8Bit);
    EXPECT_EQ(Bytes(proc.GetIKBitmap()), before);
    EXPECT_EQ(proc.UndoCount(), 0);
}

TEST_F(ImageKitProcTest, UndoLimitAndRepeatedUndo) {
    TImageKitProc* proc = View->GetProc();
    EXPECT_EQ(proc->GetUndoLimit(), 1);
    FillPixels(View->GetIKBitmap(), 20, 10, 11);
    View->Update();
    proc->ConvertTo(64, false);
    const std::vector<uint8_t> afterFirst = Bytes(View->GetIKBitmap());
    proc->ConvertTo(4, false);
    // Only the newest entry is kept: the image before the second conversion.
    ASSERT_EQ(proc->UndoCount(), 1);
    EXPECT_EQ(proc->UndoCaption(0), "ConvertTo 4");
    proc->Undo();
    EXPECT_EQ(Bytes(View->GetIKBitmap()), afterFirst);
    proc->ConvertToGray();
    EXPECT_EQ(proc->UndoCaption(0), "ConvertToGray");
    proc->Undo();
    proc->Undo();
    EXPECT_EQ(Bytes(View->GetIKBitmap()), afterFirst);
    EXPECT_EQ(proc->UndoCount(), 1);
    proc->UndoAt(1); // beyond the list: nothing
    proc->UndoAt(-1);
    EXPECT_EQ(Bytes(View->GetIKBitmap()), afterFirst);

    proc->SetUndoLimit(0);
    EXPECT_EQ(proc->GetUndoLimit(), 1);
    proc->SetUndoLimit(3);
    proc->SaveUndo(1);
    proc->SaveUndo(1);
    proc->SaveUndo(9); // no such kind
    EXPECT_EQ(proc->UndoCount(), 3);
    proc->SaveRedo(1);
    EXPECT_EQ(proc->RedoCount(), 1);
    proc->DiscardLastRedo();
    proc->DiscardLastRedo();
    EXPECT_EQ(proc->RedoCount(), 0);
}

TEST_F(ImageKitProcTest, ConvertToPalette) {
    TImageKitProc* proc = View->GetProc();
    FillPixels(View->GetIKBitmap(), 20, 10, 5);
    View->Update();
    std::vector<TIKColorTriple> palette(8, TIKColorTriple{9, 9, 9});
    proc->ConvertToPalette(0, palette, false);
    EXPECT_EQ(proc->UndoCount(), 0);
    EXPECT_EQ(palette[0].B, 9);
    proc->ConvertToPalette(8, palette, false);
    EXPECT_EQ(proc->UndoCaption(0), "ConvertToPalette");
    TIKBitmap* b = View->GetIKBitmap();
    for (int32_t y = 0; y < b->Height(); ++y) {
        const uint8_t* p = b->ScanLine(y);
        for (int32_t x = 0; x < b->Width(); ++x) {
            const bool inPalette = std::any_of(palette.begin(), palette.end(), [&](const TIKColorTriple& c) {
                return c.B == p[3 * x] && c.G == p[3 * x + 1] && c.R == p[3 * x + 2];
            });
            EXPECT_TRUE(inPalette) << x << "," << y;
        }
    }
    proc->ConvertToPalette(2, palette, true);
    EXPECT_EQ(palette[0].R, 0);
    EXPECT_EQ(palette[1].R, 255);
    EXPECT_EQ(palette[1].B, 255);
    EXPECT_EQ(View->GetIKBitmap()->PixelFormat(), ikbf1Bit);
}

TEST_F(ImageKitProcTest, BackgroundFollowsTheView) {
    TImageKitProc proc(nullptr);
    EXPECT_EQ(proc.GetBackground(), 0);
    proc.SetBackground(0x123456);
    EXPECT_EQ(proc.GetBackground(), 0x123456);
    View->SetBackground(0x00FF00);
    proc.SetAttachedImageKit(View);
    EXPECT_EQ(proc.GetBackground(), 0x00FF00);
    proc.SetBackground(0x0000FF);
    EXPECT_EQ(View->GetBackground(), 0x0000FF);
    proc.SetAttachedImageKit(nullptr);
    EXPECT_EQ(proc.GetBackground(), 0x123456);
}

TEST_F(ImageKitProcTest, GrayWithinTheSelectionOnly) {
    TImageKitProc* proc = View->GetProc();
    LoadGradient(30, 20);
    const std::vector<uint8_t> before = Bytes(View->GetIKBitmap());
    View->SetSelectionBase(iksbBitmap);
    View->SelectRect(5, 4, 12, 9, 0);
    proc->ConvertToGray();
    TIKBitmap* b = View->GetIKBitmap();
    for (int32_t y = 0; y < 20; ++y) {
        const uint8_t* p = b->ScanLine(y);
        for (int32_t x = 0; x < 30; ++x) {
            const uint8_t* o = before.data() + size_t(y) * size_t(b->RowLength()) + 3 * size_t(x);
            const bool inside = x >= 5 && x <= 12 && y >= 4 && y <= 9;
            const int32_t g = Gray(o);
            if (inside) {
                EXPECT_EQ(p[3 * x], g) << x << "," << y;
                EXPECT_EQ(p[3 * x + 2], g) << x << "," << y;
            } else {
                EXPECT_EQ(std::memcmp(p + 3 * x, o, 3), 0) << x << "," << y;
            }
        }
    }
    // Without a selection every pixel turns gray.
    View->Deselect();
    proc->ConvertToGray();
    for (int32_t y = 0; y < 20; ++y) {
        const uint8_t* p = b->ScanLine(y);
        for (int32_t x = 0; x < 30; ++x)
            ASSERT_TRUE(p[3 * x] == p[3 * x + 1] && p[3 * x + 1] == p[3 * x + 2]) << x << "," << y;
    }
}

TEST_F(ImageKitProcTest, UndoOfASelection) {
    TImageKitProc* proc = View->GetProc();
    LoadGradient(30, 20);
    View->SetSelectionBase(iksbBitmap);
    View->SelectRect(2, 2, 8, 8, 0);
    proc->SaveUndo(ikukSelection);
    EXPECT_EQ(proc->UndoKind(0), ikukSelection);
    View->SelectRect(15, 10, 20, 15, 0);
    proc->Undo();
    EXPECT_TRUE(View->GetSelected());
    EXPECT_EQ(View->SelX1(), 2);
    EXPECT_EQ(View->SelX2(), 8);
    // Without a view there is no selection to keep.
    TImageKitProc loose(nullptr);
    loose.SaveUndo(ikukSelection);
    EXPECT_EQ(loose.UndoCount(), 0);
}

TEST_F(ImageKitProcTest, LeavingAViewLeavesItsPixels) {
    LoadGradient(30, 20);
    const std::vector<uint8_t> before = Bytes(View->GetIKBitmap());
    TIKBitmap* viewBitmap = View->GetIKBitmap();
    vcl::TBitmap* legacy = View->GetBitmap();
    auto proc = std::make_unique<TImageKitProc>(nullptr);
    proc->SetAttachedImageKit(View);
    EXPECT_EQ(proc->GetIKBitmap(), viewBitmap);
    EXPECT_FALSE(proc->GetOwnsBitmap());

    // By setting none.
    proc->SetAttachedImageKit(nullptr);
    EXPECT_TRUE(proc->GetOwnsBitmap());
    EXPECT_EQ(proc->GetIKBitmap()->Width(), 0);
    EXPECT_EQ(Bytes(View->GetIKBitmap()), before);
    EXPECT_EQ(View->GetBitmap(), legacy);

    // By attaching a bitmap of someone else's: the view's image still keeps its own bitmap.
    proc->SetAttachedImageKit(View);
    vcl::TBitmap other;
    other.SetPixelFormat(vcl::pf24bit);
    other.SetSize(3, 3);
    proc->SetAttachedBitmap(&other);
    EXPECT_EQ(proc->GetAttachedImageKit(), nullptr);
    EXPECT_EQ(View->GetIKBitmap()->GetTBitmap(), legacy);
    EXPECT_EQ(Bytes(View->GetIKBitmap()), before);
    EXPECT_EQ(proc->GetIKBitmap()->Width(), 3);
    proc->ConvertToGray();
    EXPECT_EQ(Bytes(View->GetIKBitmap()), before);

    // By attaching a TImage.
    proc->SetAttachedImageKit(View);
    auto* image = new vcl::TImage(Form);
    image->GetPicture()->GetBitmap()->SetPixelFormat(vcl::pf24bit);
    image->GetPicture()->GetBitmap()->SetSize(5, 4);
    proc->SetAttachedTImage(image);
    EXPECT_EQ(proc->GetAttachedImageKit(), nullptr);
    EXPECT_EQ(proc->GetIKBitmap()->Width(), 5);
    EXPECT_EQ(Bytes(View->GetIKBitmap()), before);
    // The TImage going away leaves the component with an image of its own.
    image->Free();
    EXPECT_EQ(proc->GetAttachedTImage(), nullptr);
    proc->ConvertToGray();
    EXPECT_EQ(proc->GetIKBitmap()->Width(), 0);

    // The view going away first: the component forgets it and keeps working on an empty image.
    proc->SetAttachedImageKit(View);
    View->Free();
    View = nullptr;
    EXPECT_EQ(proc->GetAttachedImageKit(), nullptr);
    const int32_t entries = proc->UndoCount();
    proc->ConvertToGray();
    proc->ConvertTo(256, false);
    proc->SaveUndo(ikukImage);
    EXPECT_EQ(proc->UndoCount(), entries);
}

TEST_F(ImageKitProcTest, AViewDestroyedWithItsOwnComponentLeavesNothingBehind) {
    LoadGradient(10, 10);
    TImageKitProc* proc = View->GetProc();
    EXPECT_EQ(View->GetProc(), proc);
    EXPECT_EQ(View->ListenerCount(), 1);
    View->Free();
    View = nullptr;
}

TEST_F(ImageKitProcTest, ABitmapOfItsOwnIsWrappedAfresh) {
    TImageKitProc proc(nullptr);
    vcl::TBitmap bitmap;
    bitmap.SetPixelFormat(vcl::pf24bit);
    bitmap.SetSize(4, 4);
    proc.SetAttachedBitmap(&bitmap);
    bitmap.SetSize(8, 6); // changed elsewhere
    EXPECT_EQ(proc.GetIKBitmap()->Width(), 8);
    EXPECT_EQ(proc.GetIKBitmap()->Height(), 6);
    bitmap.SetModified(false);
    proc.ConvertToGray();
    EXPECT_TRUE(bitmap.GetModified());
    // None while nothing else is attached: the bitmap is left and stays as it was.
    proc.SetAttachedBitmap(nullptr);
    EXPECT_EQ(proc.GetAttachedBitmap(), nullptr);
    EXPECT_EQ(bitmap.GetWidth(), 8);
}

} // namespace

#include "imaging/io/IOParams.h"

#include "imaging/core/IKBitmap.h"

#include <gtest/gtest.h>

#include <thread>

using namespace imaging;

namespace {

class FakeOwner : public TIOParamsOwner {
public:
    bool HasBitmap = false;
    bool HasView = false;
    bool GetAttachedBitmapSize(int32_t& width, int32_t& height) const override {
        width = 640;
        height = 480;
        return HasBitmap;
    }
    bool GetAttachedViewDpi(int32_t& dpiX, int32_t& dpiY) const override {
        dpiX = 150;
        dpiY = 120;
        return HasView;
    }
};

} // namespace

TEST(IOParams, DefaultsOfANewRecord) {
    TIOParamsVals p;
    EXPECT_EQ(p.BitsPerSample, 8);
    EXPECT_EQ(p.SamplesPerPixel, 3);
    EXPECT_EQ(p.Width, 0);
    EXPECT_EQ(p.DpiX, 0);
    EXPECT_EQ(p.ColorMapCount(), 0);
    EXPECT_EQ(p.GifVersion, "GIF89a");
    EXPECT_EQ(p.JpegColorSpace, ikjcYCbCr);
    EXPECT_EQ(p.JpegQuality, 80);
    EXPECT_EQ(p.JpegScale, ikjsFull);
    EXPECT_EQ(p.TiffPhotometric, iktpRgb);
    EXPECT_EQ(p.TiffOrientation, 1);
    EXPECT_EQ(p.PcxVersion, 5);
    EXPECT_EQ(p.BmpVersion, ikbvInfo40);
    EXPECT_EQ(p.PngCompression, 5);
    EXPECT_EQ(p.IcoBackground, (TIKColorTriple{255, 255, 255}));
    EXPECT_EQ(p.TgaGamma, 2.2);
    EXPECT_EQ(p.Jpeg2000Rate, 1.0);
    EXPECT_GT(p.TgaDate, 40000.0); // today, no time of day
    EXPECT_EQ(p.TgaDate, double(int64_t(p.TgaDate)));
    // The record takes the library's coders.
    EXPECT_EQ(p.GifLzwDecoder, GifLzwDecoderHook);
    EXPECT_EQ(p.TiffLzwEncoder, TiffLzwEncoderHook);
}

TEST(IOParams, OwnerGivesBitmapSizeAndViewResolution) {
    FakeOwner owner;
    {
        TIOParamsVals p(&owner);
        EXPECT_EQ(p.Width, 0);
        EXPECT_EQ(p.DpiX, 0);
    }
    owner.HasBitmap = owner.HasView = true;
    TIOParamsVals p(&owner);
    EXPECT_EQ(p.Width, 640);
    EXPECT_EQ(p.Height, 480);
    EXPECT_EQ(p.DpiX, 150);
    EXPECT_EQ(p.DpiY, 120);
}

TEST(IOParams, ClearAllEmptiesFileTextsAndKeepsOptions) {
    TIOParamsVals p;
    p.JpegQuality = 33;
    p.TiffImageIndex = 2;
    p.NewColorMap(4)[1].R = 9;
    p.FileName = "a.jpg";
    p.GifComments.push_back("c");
    p.PnmComments.push_back("d");
    p.TiffPageName = "page";
    p.TgaAuthor = "me";
    p.JpegMarkers.AddMarker(0xE1, "x", 1);
    p.ExifPresent = 1;
    p.ExifMake = "cam";
    p.ExifWhitePoint[1] = 0.3;
    p.GetExifThumbnail()->Allocate(2, 2, ikbf24Bit);
    p.ClearAll();
    EXPECT_EQ(p.JpegQuality, 33);
    EXPECT_EQ(p.TiffImageIndex, 2);
    EXPECT_EQ(p.ColorMapCount(), 4);
    EXPECT_EQ(p.FileName, "a.jpg");
    EXPECT_TRUE(p.GifComments.empty());
    EXPECT_TRUE(p.PnmComments.empty());
    EXPECT_TRUE(p.TiffPageName.empty());
    EXPECT_TRUE(p.TgaAuthor.empty());
    EXPECT_EQ(p.JpegMarkers.Count(), 0);
    EXPECT_EQ(p.ExifPresent, 0);
    EXPECT_TRUE(p.ExifMake.empty());
    EXPECT_EQ(p.ExifWhitePoint[1], 0.0);
    EXPECT_FALSE(p.HasExifThumbnail());
}

TEST(IOParams, AssignCopiesValuesListsPaletteAndThumbnail) {
    TIOParamsVals a, b;
    a.JpegQuality = 55;
    a.GifComments = {"one", "two"};
    a.JpegMarkers.AddMarker(0xFE, "hi", 2);
    a.IptcRecords.AddData(2, 5, "t", 1);
    a.NewColorMap(2)[1] = {1, 2, 3};
    a.JpegWarningCount = 7;
    a.ExifReferenceBlackWhite[5] = 255;
    a.GetExifThumbnail()->Allocate(3, 2, ikbf24Bit);
    b.JpegWarningCount = 1;
    b.Assign(a);
    EXPECT_EQ(b.JpegQuality, 55);
    EXPECT_EQ(b.GifComments, a.GifComments);
    EXPECT_EQ(b.JpegMarkers.Count(), 1);
    EXPECT_EQ(b.IptcRecords.Count(), 1);
    ASSERT_EQ(b.ColorMapCount(), 2);
    EXPECT_EQ(b.ColorMap[1], (TIKColorTriple{1, 2, 3}));
    EXPECT_EQ(b.JpegWarningCount, 1); // not copied
    EXPECT_EQ(b.GetExifReferenceBlackWhite(5), 255.0);
    ASSERT_TRUE(b.HasExifThumbnail());
    EXPECT_EQ(b.GetExifThumbnail()->Width(), 3);

    // A source without a palette frees the target's; one without a thumbnail leaves the target's.
    TIOParamsVals empty;
    b.Assign(empty);
    EXPECT_EQ(b.ColorMapCount(), 0);
    EXPECT_TRUE(b.HasExifThumbnail());
}

TEST(IOParams, ExifArrayAccessorsIgnoreIndexesOutside) {
    TIOParamsVals p;
    p.SetExifIsoSpeedRatings(1, 400);
    p.SetExifIsoSpeedRatings(2, 800);
    p.SetExifPrimaryChromaticities(-1, 1.0);
    p.SetExifYCbCrCoefficients(2, 0.5);
    EXPECT_EQ(p.GetExifIsoSpeedRatings(1), 400);
    EXPECT_EQ(p.GetExifIsoSpeedRatings(2), 0);
    EXPECT_EQ(p.GetExifYCbCrCoefficients(2), 0.5);
    EXPECT_EQ(p.GetExifPrimaryChromaticities(-1), 0.0);
}

TEST(IOParams, ProgressReportsAndAbortingComesFromAnotherThread) {
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    std::vector<int32_t> seen;
    progress.OnProgress = [&](vcl::TObject*, int32_t percent) { seen.push_back(percent); };
    progress.PerRowStep = 100.0 / 3;
    progress.AdvanceRows();
    progress.AdvanceRows();
    progress.AdvanceRows();
    EXPECT_EQ(seen, (std::vector<int32_t>{33, 66, 100}));
    EXPECT_FALSE(progress.IsAborting());
    std::thread([&] { aborting = true; }).join();
    EXPECT_TRUE(progress.IsAborting());

    // Without a flag nothing is reported and nothing fails.
    TIKProgressContext none;
    none.SetAborting();
    EXPECT_FALSE(none.IsAborting());
}

#include "imaging/io/MultiIOComponent.h"

#include "imaging/core/IKBitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/GraphicsObjects.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace {

using imaging::TIKBitmap;
using imaging::TIKMultiViewLink;
using imaging::TImageKitMIO;
using imaging::TIOParamsVals;

// A multi-image view reduced to its image list and change listeners, notifying as a real view does.
class TMioFakeView : public vcl::TComponent, public TIKMultiViewLink {
public:
    explicit TMioFakeView(int32_t images, vcl::TComponent* owner = nullptr) : vcl::TComponent(owner) {
        Images.resize(size_t(images));
        Delays.resize(size_t(images));
    }
    ~TMioFakeView() override {
        // Listeners hear of the end while the view is whole, then their registrations are gone.
        auto listeners = std::move(FListeners);
        FListeners.clear();
        for (auto& [handle, listener] : listeners)
            listener(this, imaging::ikvcDestroying);
    }

    vcl::TComponent* GetViewComponent() override { return this; }
    vcl::TBitmap* GetBitmap() override { return nullptr; }
    TIKBitmap* GetIKBitmap() override { return nullptr; }
    int32_t GetDpiX() const override { return 0; }
    int32_t GetDpiY() const override { return 0; }
    void SetDpi(int32_t, int32_t) override {}
    int32_t GetBackground() const override { return 0; }
    void ImageChanged() override {}
    void Update() override {}
    win::HWND GetRefreshWindow() override { return nullptr; }
    intptr_t AddChangeListener(TChangeListener listener) override {
        FListeners[FNextHandle] = std::move(listener);
        return FNextHandle++;
    }
    void RemoveChangeListener(intptr_t handle) override { FListeners.erase(handle); }
    int32_t GetImageCount() const override { return int32_t(Images.size()); }
    int32_t TakeLastChange() override { return std::exchange(FLastChange, lcNone); }
    int32_t GetLastChangeIndex() const override { return FLastIndex; }
    void InsertImage(int32_t index) override {
        Images.insert(Images.begin() + index, nullptr);
        Delays.insert(Delays.begin() + index, 0);
        Changed(lcInsert, index);
    }
    void DeleteImage(int32_t index) {
        Images.erase(Images.begin() + index);
        Delays.erase(Delays.begin() + index);
        Changed(lcDelete, index);
    }
    void SetImageBitmap(int32_t index, TIKBitmap* bitmap) override {
        Images[size_t(index)] = std::make_unique<TIKBitmap>();
        Images[size_t(index)]->CopyImage(bitmap);
    }
    void SetImageDelay(int32_t index, int32_t milliseconds) override { Delays[size_t(index)] = milliseconds; }
    size_t ListenerCount() const { return FListeners.size(); }

    std::vector<std::unique_ptr<TIKBitmap>> Images;
    std::vector<int32_t> Delays;

private:
    void Changed(int32_t kind, int32_t index) {
        FLastChange = kind;
        FLastIndex = index;
        auto listeners = FListeners;
        for (auto& [handle, listener] : listeners)
            listener(this, imaging::ikvcImageChanged);
    }
    std::map<intptr_t, TChangeListener> FListeners;
    intptr_t FNextHandle = 0;
    int32_t FLastChange = lcNone;
    int32_t FLastIndex = 0;
};

std::vector<int32_t> MioIndexes(const TImageKitMIO& mio, bool gif) {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < mio.ParamsCount(); ++i)
        out.push_back(gif ? mio.ParamsOfImage(i)->GifImageIndex : mio.ParamsOfImage(i)->TiffImageIndex);
    return out;
}

void MioFill(TIKBitmap& bitmap, int32_t width, int32_t height, imaging::TIKBitmapFormat format) {
    bitmap.Allocate(width, height, format);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int32_t x = 0; x < bitmap.RowLength(); ++x)
            row[x] = uint8_t(x * 7 + y * 13);
    }
}

TEST(MultiIOComponent, DefaultsAndScannerSettings) {
    TImageKitMIO mio;
    EXPECT_EQ(mio.GetAttachedMView(), nullptr);
    EXPECT_EQ(mio.ParamsCount(), 0);
    EXPECT_TRUE(mio.GetPreviewsParams().Empty());
    EXPECT_TRUE(mio.GetSimplifiedParamsDialogs());
    EXPECT_EQ(mio.GetMsgLanguage(), imaging::msSystem);
    EXPECT_FALSE(mio.GetAutoAdjustDPI());
    EXPECT_FALSE(mio.GetFilteredAdjustDPI());
    ASSERT_NE(mio.GetPreviewFont(), nullptr);
    auto& twain = mio.GetTWainParams();
    EXPECT_EQ(twain.GetOwner(), &mio);
    EXPECT_TRUE(twain.FeederEnabled && twain.AutoFeed && twain.AcquireMultiPage);

    vcl::TFont font;
    font.SetName("Arial");
    font.SetSize(14);
    mio.SetPreviewFont(&font);
    EXPECT_EQ(mio.GetPreviewFont()->GetName(), "Arial");
    EXPECT_NE(mio.GetPreviewFont(), &font);
}

TEST(MultiIOComponent, RecordsFollowTheViewsInsertsAndDeletes) {
    TMioFakeView view(3);
    TImageKitMIO mio;
    mio.SetAttachedMView(&view);
    EXPECT_EQ(MioIndexes(mio, false), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(MioIndexes(mio, true), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(mio.ParamsOfImage(-1), nullptr);
    EXPECT_EQ(mio.ParamsOfImage(3), nullptr);

    // An option set for one image is copied into a record inserted at its place.
    mio.ParamsOfImage(1)->JpegQuality = 42;
    mio.ParamsOfImage(2)->JpegQuality = 55;
    TIOParamsVals* second = mio.ParamsOfImage(1);
    view.InsertImage(1);
    ASSERT_EQ(mio.ParamsCount(), 4);
    EXPECT_NE(mio.ParamsOfImage(1), second);
    EXPECT_EQ(mio.ParamsOfImage(2), second);
    EXPECT_EQ(mio.ParamsOfImage(1)->JpegQuality, 42);
    EXPECT_EQ(MioIndexes(mio, false), (std::vector<int32_t>{0, 1, 2, 3}));
    // Appending copies the last record.
    view.InsertImage(4);
    EXPECT_EQ(mio.ParamsOfImage(4)->JpegQuality, 55);

    view.DeleteImage(0);
    EXPECT_EQ(mio.ParamsOfImage(1), second);
    EXPECT_EQ(MioIndexes(mio, true), (std::vector<int32_t>{0, 1, 2, 3}));

    // Detaching keeps the records and leaves the view without our listener; a smaller view keeps the
    // surplus, a larger one gets records appended.
    mio.SetAttachedMView(nullptr);
    EXPECT_EQ(view.ListenerCount(), 0u);
    EXPECT_EQ(mio.ParamsCount(), 4);
    TMioFakeView small(2), large(6);
    mio.SetAttachedMView(&small);
    EXPECT_EQ(mio.ParamsCount(), 4);
    mio.SetAttachedMView(&large);
    EXPECT_EQ(small.ListenerCount(), 0u);
    EXPECT_EQ(large.ListenerCount(), 1u);
    EXPECT_EQ(MioIndexes(mio, false), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
}

TEST(MultiIOComponent, IndexesOutOfRangeRaise) {
    TImageKitMIO mio;
    mio.InsertParams(5); // appends to an empty list
    EXPECT_EQ(mio.ParamsCount(), 1);
    EXPECT_THROW(mio.InsertParams(-1), vcl::EListError);
    EXPECT_THROW(mio.DeleteParams(1), vcl::EListError);
    EXPECT_THROW(mio.DeleteParams(-1), vcl::EListError);
    mio.DeleteParams(0);
    EXPECT_EQ(mio.ParamsCount(), 0);
    EXPECT_THROW(mio.DeleteParams(0), vcl::EListError);
}

// The view goes first, destroyed with Free or plain delete, or it owns the component; or the component
// goes first. The sanitizers see any later use of the other object.
TEST(MultiIOComponent, EitherSideMayBeDestroyedFirst) {
    for (int how = 0; how < 2; ++how) {
        auto* view = new TMioFakeView(2);
        TImageKitMIO mio;
        mio.SetAttachedMView(view);
        if (how == 0)
            view->Free();
        else
            delete view;
        EXPECT_EQ(mio.GetAttachedMView(), nullptr) << how;
        EXPECT_EQ(mio.ParamsCount(), 2);
        mio.SetAttachedMView(nullptr);
    }
    {
        auto* view = new TMioFakeView(1);
        auto* mio = new TImageKitMIO(view); // the view owns its component
        mio->SetAttachedMView(view);
        view->Free();
    }
    {
        TMioFakeView view(1);
        auto mio = std::make_unique<TImageKitMIO>();
        mio->SetAttachedMView(&view);
        mio.reset();
        EXPECT_EQ(view.ListenerCount(), 0u);
        view.InsertImage(0);
    }
    {
        // A view that only leaves its owner stays whole and loses our listener.
        vcl::TComponent owner(nullptr);
        auto* view = new TMioFakeView(1, &owner);
        TImageKitMIO mio(&owner);
        mio.SetAttachedMView(view);
        owner.RemoveComponent(view);
        EXPECT_EQ(mio.GetAttachedMView(), nullptr);
        EXPECT_EQ(view->ListenerCount(), 0u);
        delete view;
    }
}

TEST(MultiIOComponent, StoresAcquiredBitmapsAsNewImages) {
    TIKBitmap scan;
    MioFill(scan, 40, 30, imaging::ikbf24Bit);
    TImageKitMIO mio;
    TIOParamsVals* params = nullptr;
    EXPECT_FALSE(mio.StoreAcquiredBitmap(&scan, params)); // no view
    EXPECT_EQ(params, nullptr);

    TMioFakeView view(2);
    mio.SetAttachedMView(&view);
    EXPECT_FALSE(mio.StoreAcquiredBitmap(nullptr, params));
    int handlerCalls = 0;
    mio.OnAcquireBitmap = [&](vcl::TObject* sender, TIKBitmap* bitmap, bool& handled) {
        EXPECT_EQ(sender, &mio);
        EXPECT_EQ(bitmap, &scan);
        handled = ++handlerCalls == 1;
    };
    EXPECT_FALSE(mio.StoreAcquiredBitmap(&scan, params)); // taken by the handler
    EXPECT_EQ(view.GetImageCount(), 2);

    ASSERT_TRUE(mio.StoreAcquiredBitmap(&scan, params));
    ASSERT_TRUE(mio.StoreAcquiredBitmap(&scan, params));
    EXPECT_EQ(mio.GetAcquireCount(), 2);
    ASSERT_EQ(view.GetImageCount(), 4);
    EXPECT_EQ(params, mio.ParamsOfImage(1));
    for (int i : {0, 1}) {
        ASSERT_NE(view.Images[size_t(i)], nullptr);
        EXPECT_EQ(view.Images[size_t(i)]->Width(), 40);
        EXPECT_EQ(view.Delays[size_t(i)], 100);
    }
    mio.ResetAcquireState();
    EXPECT_EQ(mio.GetAcquireCount(), 2);

    // With resolution equalisation the stored image is stretched; the record gets the new values. The
    // record's size came from another image and does not matter.
    mio.SetAutoAdjustDPI(true);
    while (view.GetImageCount() > 2)
        view.DeleteImage(view.GetImageCount() - 1); // the position is now past the end
    mio.ParamsOfImage(1)->DpiX = 200;
    mio.ParamsOfImage(1)->DpiY = 100;
    mio.ParamsOfImage(1)->Width = 7;
    ASSERT_TRUE(mio.StoreAcquiredBitmap(&scan, params));
    ASSERT_EQ(view.GetImageCount(), 3);
    EXPECT_EQ(params, mio.ParamsOfImage(2));
    EXPECT_EQ(view.Images[2]->Width(), 40);
    EXPECT_EQ(view.Images[2]->Height(), 60);
    EXPECT_EQ(params->DpiY, 200);
    EXPECT_EQ(params->Height, 60);
}

TEST(MultiIOComponent, EqualizeBitmapDpi) {
    struct Case {
        int32_t w, h, dpiX, dpiY;
        imaging::TIKBitmapFormat format;
        bool filtered;
        int32_t outW, outH, outDpiX, outDpiY; // outW 0: the bitmap stays as it is
    } cases[] = {
        {400, 300, 200, 100, imaging::ikbf24Bit, false, 400, 600, 200, 200},
        {400, 300, 200, 100, imaging::ikbf8Bit, true, 400, 600, 200, 200},
        {200, 300, 100, 50, imaging::ikbf8BitGray, false, 100, 300, 50, 50},
        {64, 64, 300, 100, imaging::ikbf1Bit, false, 21, 64, 100, 100},
        {5, 1, 1, 1000, imaging::ikbf24Bit, false, 5, 1, 1, 1}, // never shrinks to nothing
        {40, 30, 96, 96, imaging::ikbf24Bit, false, 0, 0, 96, 96},
        {40, 30, 0, 96, imaging::ikbf24Bit, false, 0, 0, 0, 96},
        {40, 30, 96, -1, imaging::ikbf24Bit, true, 0, 0, 96, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " at " << c.dpiX << "x" << c.dpiY);
        TIKBitmap source;
        MioFill(source, c.w, c.h, c.format);
        TIOParamsVals params;
        params.DpiX = c.dpiX;
        params.DpiY = c.dpiY;
        auto result = imaging::EqualizeBitmapDpi(&source, params, c.filtered);
        EXPECT_EQ(params.DpiX, c.outDpiX);
        EXPECT_EQ(params.DpiY, c.outDpiY);
        if (c.outW == 0) {
            EXPECT_EQ(result, nullptr);
            continue;
        }
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->Width(), c.outW);
        EXPECT_EQ(result->Height(), c.outH);
        EXPECT_EQ(params.Width, c.outW);
        EXPECT_EQ(params.Height, c.outH);
        EXPECT_EQ(result->PixelFormat(), c.filtered ? imaging::ikbf24Bit : c.format);
        EXPECT_FALSE(result->HasAlphaChannel());
    }

    // Nearest neighbour doubles each row of an unfiltered stretch exactly; a palette goes along.
    TIKBitmap indexed;
    MioFill(indexed, 4, 3, imaging::ikbf8Bit);
    indexed.Palette()[9].R = 7;
    TIOParamsVals params;
    params.DpiX = 200;
    params.DpiY = 100;
    auto doubled = imaging::EqualizeBitmapDpi(&indexed, params, false);
    ASSERT_NE(doubled, nullptr);
    EXPECT_EQ(doubled->PaletteEntry(9).R, 7);
    for (int32_t y = 0; y < 6; ++y)
        EXPECT_EQ(std::memcmp(doubled->ScanLine(y), indexed.ScanLine(y / 2), 4), 0) << y;

    // 40000 x 2 at 1000000 x 1 DPI would need 40000 x 2000000 pixels.
    TIKBitmap wide;
    MioFill(wide, 40000, 2, imaging::ikbf1Bit);
    params.DpiX = 1000000;
    params.DpiY = 1;
    EXPECT_THROW(imaging::EqualizeBitmapDpi(&wide, params, false), vcl::EInvalidGraphic);
}

} // namespace

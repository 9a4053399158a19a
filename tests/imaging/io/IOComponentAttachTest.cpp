// The I/O component's attachments (outside images, class-library bitmaps, TImage controls, views), what
// happens when they go away, and the asynchronous mode with its worker threads.
#include "imaging/io/IOComponent.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOFormatRegistry.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/Thread.h"
#include "platform/win/kernel/Kernel.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

namespace {

using imaging::TIKBitmap;
using imaging::TImageKitIO;

void FillAttachImage(TIKBitmap& bitmap, int32_t width = 6, int32_t height = 4) {
    bitmap.Allocate(width, height, imaging::ikbf24Bit);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int32_t x = 0; x < width * 3; ++x)
            row[x] = uint8_t(29 * x + 7 * y);
    }
}

std::string AttachTempName(const std::string& ext) {
    std::random_device rd;
    return (std::filesystem::temp_directory_path() /
            ("iocompatt-" + std::to_string(::getpid()) + "-" + std::to_string(rd()) + ext))
        .string();
}

// A BMP file of a 6 x 4 image at 200 x 100 DPI; removed with the object.
struct TAttachBmpFile {
    std::string Name = AttachTempName(".bmp");
    TAttachBmpFile() {
        TImageKitIO io;
        FillAttachImage(*io.GetIKBitmap());
        io.GetParams().DpiX = 200;
        io.GetParams().DpiY = 100;
        io.SaveToFileByExtension(Name);
    }
    ~TAttachBmpFile() { std::filesystem::remove(Name); }
};

// A view as the component sees one: its own pixel store (or a class-library bitmap), a resolution, a
// background, listeners it tells when it goes away, and a window once it is placed on a form.
class TAttachTestView : public vcl::TCustomControl, public imaging::TIKViewLink {
public:
    explicit TAttachTestView(vcl::TComponent* owner) : vcl::TCustomControl(owner) {}
    void BeforeDestruction() override {
        auto listeners = std::move(FListeners);
        for (auto& l : listeners)
            l.second(this, imaging::ikvcDestroying);
        vcl::TCustomControl::BeforeDestruction();
    }
    vcl::TComponent* GetViewComponent() override { return this; }
    vcl::TBitmap* GetBitmap() override { return Legacy; }
    TIKBitmap* GetIKBitmap() override { return Legacy ? nullptr : &Image; }
    int32_t GetDpiX() const override { return DpiX; }
    int32_t GetDpiY() const override { return DpiY; }
    void SetDpi(int32_t x, int32_t y) override {
        if (x)
            DpiX = x;
        if (y)
            DpiY = y;
    }
    int32_t GetBackground() const override { return Background; }
    void ImageChanged() override {
        ++ImageChangedCalls;
        EXPECT_EQ(win::GetCurrentThreadId(), vcl::MainThreadID.load());
    }
    void Update() override {
        ++UpdateCalls;
        EXPECT_EQ(win::GetCurrentThreadId(), vcl::MainThreadID.load());
    }
    win::HWND GetRefreshWindow() override { return HandleAllocated() ? GetHandle() : nullptr; }
    intptr_t AddChangeListener(TChangeListener listener) override {
        FListeners.emplace_back(++FNextHandle, std::move(listener));
        return FNextHandle;
    }
    void RemoveChangeListener(intptr_t handle) override {
        std::erase_if(FListeners, [&](const auto& l) { return l.first == handle; });
    }
    size_t ListenerCount() const { return FListeners.size(); }
    void NotifyChanged() {
        for (auto& l : FListeners)
            l.second(this, imaging::ikvcImageChanged);
    }
    void WndProc(vcl::TMessage& message) override {
        if (message.Msg == imaging::IKM_REFRESHVIEW) {
            ++RefreshMessages;
            Update();
            return;
        }
        vcl::TCustomControl::WndProc(message);
    }

    TIKBitmap Image;
    vcl::TBitmap* Legacy = nullptr;
    int32_t DpiX = 0, DpiY = 0;
    int32_t Background = 0x123456;
    int ImageChangedCalls = 0, UpdateCalls = 0, RefreshMessages = 0;

private:
    std::vector<std::pair<intptr_t, TChangeListener>> FListeners;
    intptr_t FNextHandle = 0;
};

class IOComponentAttachTest : public ::testing::Test {
protected:
    void SetUp() override {
        FClock.SetAutoAdvance(true);
        vcl::Application->ResetForTesting();
    }
    void TearDown() override {
        while (vcl::Screen->GetFormCount() > 0)
            vcl::Screen->GetForm(0)->Free();
        Pump();
        vcl::Application->ResetForTesting();
    }
    void Pump() { vcl::Application->ProcessMessages(); }
    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen;
    TAttachBmpFile FBmp;
};

TEST_F(IOComponentAttachTest, ClassLibraryBitmapsAndTImages) {
    // A bitmap: loads land in it and mark it modified; saves read it as it is now.
    vcl::TBitmap bitmap;
    TImageKitIO io;
    io.AttachBitmap(&bitmap);
    EXPECT_FALSE(io.GetOwnsWorkingImage());
    io.LoadFromFileByExtension(FBmp.Name);
    EXPECT_FALSE(io.GetAborting());
    EXPECT_EQ(bitmap.GetWidth(), 6);
    EXPECT_EQ(bitmap.GetHeight(), 4);
    EXPECT_TRUE(bitmap.GetModified());
    bitmap.SetSize(9, 5);
    EXPECT_EQ(io.GetIKBitmap()->Width(), 9);
    vcl::TMemoryStream saved;
    io.SaveToStreamOfFormat(&saved, imaging::ikfBmp);
    EXPECT_FALSE(io.GetAborting());
    // Detaching leaves the bitmap as it was and gives the component an empty image of its own.
    io.AttachBitmap(nullptr);
    EXPECT_TRUE(io.GetOwnsWorkingImage());
    EXPECT_EQ(io.GetIKBitmap()->Width(), 0);
    EXPECT_EQ(bitmap.GetWidth(), 9);

    // A TImage: the picture's bitmap is taken afresh on every operation, so a picture replaced meanwhile is
    // never written through a stale pointer.
    auto* image = new vcl::TImage(nullptr);
    io.SetAttachedTImage(image);
    io.LoadFromFileByExtension(FBmp.Name);
    EXPECT_EQ(image->GetPicture()->GetWidth(), 6);
    vcl::TBitmap replacement;
    replacement.SetSize(3, 2);
    replacement.SetPixelFormat(vcl::pf24bit);
    image->GetPicture()->Assign(&replacement);
    EXPECT_EQ(io.GetIKBitmap()->Width(), 3);
    io.LoadFromFileByExtension(FBmp.Name);
    EXPECT_EQ(image->GetPicture()->GetWidth(), 6);
    // Detaching leaves the picture; destroying an attached TImage makes the component forget it.
    io.SetAttachedTImage(nullptr);
    EXPECT_EQ(image->GetPicture()->GetWidth(), 6);
    EXPECT_EQ(io.GetIKBitmap()->Width(), 0);
    io.SetAttachedTImage(image);
    image->Free();
    EXPECT_EQ(io.GetAttachedTImage(), nullptr);
    EXPECT_TRUE(io.GetOwnsWorkingImage());
    io.LoadFromFileByExtension(FBmp.Name);
    EXPECT_EQ(io.GetIKBitmap()->Width(), 6);

    // A TImage showing an icon keeps showing it: the icon becomes a bitmap of what it shows.
    auto* iconImage = new vcl::TImage(nullptr);
    {
        // A 2 x 2 icon of opaque red pixels, 32 bits a pixel, with its AND mask.
        std::vector<uint8_t> ico = {0, 0, 1, 0,  1, 0, 2, 2, 0, 0, 1, 0, 32, 0, 64, 0, 0, 0,  22,
                                    0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 4, 0,  0, 0,  1, 0, 32, 0};
        ico.resize(ico.size() + 24, 0);
        for (int i = 0; i < 4; ++i)
            ico.insert(ico.end(), {0, 0, 255, 255});
        ico.resize(ico.size() + 8, 0);
        vcl::TMemoryStream s;
        s.Write(ico.data(), int32_t(ico.size()));
        s.SetPosition(0);
        vcl::TIcon icon;
        icon.LoadFromStream(&s);
        iconImage->GetPicture()->SetGraphic(&icon);
    }
    io.SetAttachedTImage(iconImage);
    ASSERT_EQ(io.GetIKBitmap()->Width(), 2);
    EXPECT_EQ(io.GetIKBitmap()->PixelColor(1, 1).R, 255);
    EXPECT_EQ(io.GetIKBitmap()->PixelColor(1, 1).G, 0);
    io.SetAttachedTImage(nullptr);
    iconImage->Free();

    // A bitmap owned by a component is forgotten with that component.
    auto* holder = new vcl::TComponent(nullptr);
    auto* held = new vcl::TBitmap();
    io.AttachBitmap(held, holder);
    io.LoadFromFileByExtension(FBmp.Name);
    EXPECT_EQ(held->GetWidth(), 6);
    holder->Free();
    delete held;
    EXPECT_EQ(io.GetAttachedBitmap(), nullptr);
    io.LoadFromFileByExtension(FBmp.Name);
    EXPECT_FALSE(io.GetAborting());
}

TEST_F(IOComponentAttachTest, ViewsFollowedUntilTheyGo) {
    auto* view = new TAttachTestView(nullptr);
    TImageKitIO io;
    io.SetAttachedImageKit(view);
    EXPECT_EQ(io.GetIKBitmap(), &view->Image);
    EXPECT_EQ(view->ListenerCount(), 1u);
    // The background is the view's; setting it changes nothing.
    EXPECT_EQ(io.GetBackground(), 0x123456);
    io.SetBackground(7);
    EXPECT_EQ(io.GetBackground(), 0x123456);

    // A file load gives the view the file's resolution and refreshes it; a BMP stream load leaves the
    // resolution alone.
    io.LoadFromFileByExtension(FBmp.Name);
    EXPECT_EQ(view->Image.Width(), 6);
    EXPECT_EQ(view->DpiX, 200);
    EXPECT_EQ(view->DpiY, 100);
    EXPECT_EQ(view->UpdateCalls, 1);
    EXPECT_EQ(view->ImageChangedCalls, 1);
    view->DpiX = view->DpiY = 0;
    vcl::TFileStream file(FBmp.Name, vcl::fmOpenRead);
    io.LoadFromBmpStream(&file);
    EXPECT_EQ(view->DpiX, 0);
    EXPECT_EQ(view->UpdateCalls, 2);

    // Saving converts the view's 8-bit gray image to 24 bits; a 1-bit image stays as it is.
    for (auto [format, after] : {std::pair{imaging::ikbf8BitGray, imaging::ikbf24Bit},
                                 std::pair{imaging::ikbf1Bit, imaging::ikbf1Bit}}) {
        view->Image.Allocate(4, 4, format);
        vcl::TMemoryStream s;
        io.SaveToBmpStream(&s);
        EXPECT_FALSE(io.GetAborting());
        EXPECT_EQ(view->Image.PixelFormat(), after);
    }

    // A view that moves to a class-library bitmap is followed through its change notice.
    vcl::TBitmap legacy;
    view->Legacy = &legacy;
    view->NotifyChanged();
    io.LoadFromFileByExtension(FBmp.Name);
    EXPECT_EQ(legacy.GetWidth(), 6);
    view->Legacy = nullptr;
    view->NotifyChanged();
    EXPECT_EQ(io.GetIKBitmap(), &view->Image);

    // Detaching leaves the view's image; destroying an attached view makes the component forget it.
    io.SetAttachedImageKit(nullptr);
    EXPECT_EQ(view->ListenerCount(), 0u);
    EXPECT_EQ(view->Image.Width(), 4);
    EXPECT_EQ(io.GetIKBitmap()->Width(), 0);
    io.SetAttachedImageKit(view);
    view->Free();
    EXPECT_EQ(io.GetAttachedImageKit(), nullptr);
    EXPECT_TRUE(io.GetOwnsWorkingImage());
    io.LoadFromFileByExtension(FBmp.Name);
    EXPECT_EQ(io.GetIKBitmap()->Width(), 6);
    io.SetBackground(7);
    EXPECT_EQ(io.GetBackground(), 7);

    // A component destroyed before its view leaves no listener behind.
    auto* view2 = new TAttachTestView(nullptr);
    {
        TImageKitIO shortLived;
        shortLived.SetAttachedImageKit(view2);
        EXPECT_EQ(view2->ListenerCount(), 1u);
    }
    EXPECT_EQ(view2->ListenerCount(), 0u);
    view2->Free();
}

// ---- Asynchronous mode ------------------------------------------------------------------------------------

// Formats of the registry that only the tests know: one that reads until it is told to stop, one that
// raises. Each notes whether it ran on a worker of the component that called it.
constexpr int32_t AttachSlowFormat = 931;
constexpr int32_t AttachThrowingFormat = 932;
std::atomic<bool> AttachSlowStarted{false};
std::atomic<bool> AttachReadOnWorker{false};

void AttachSlowRead(vcl::TStream*, TIKBitmap*, imaging::TIOParamsVals&, imaging::TIKProgressContext& progress,
                    imaging::TIKReadMode) {
    AttachReadOnWorker = dynamic_cast<TImageKitIO*>(progress.Sender) &&
                         static_cast<TImageKitIO*>(progress.Sender)->IsWorkerThread();
    AttachSlowStarted = true;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!progress.IsAborting() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void AttachThrowingRead(vcl::TStream*, TIKBitmap*, imaging::TIOParamsVals&, imaging::TIKProgressContext&,
                        imaging::TIKReadMode) {
    throw std::runtime_error("reader failure");
}

void RegisterAttachTestFormats() {
    static const bool registered = [] {
        imaging::RegisterFormatEntry({AttachSlowFormat, "Slow test format", "slowiotest", AttachSlowRead});
        imaging::RegisterFormatEntry(
            {AttachThrowingFormat, "Failing test format", "failiotest", AttachThrowingRead});
        return true;
    }();
    (void)registered;
}

TEST_F(IOComponentAttachTest, AsynchronousLoadsFinishOnTheMainThread) {
    TIKBitmap outside;
    TImageKitIO io;
    io.SetAsynchronous(true);
    io.AttachIKBitmap(&outside);
    std::vector<win::DWORD> finishThreads;
    std::vector<int32_t> percents;
    io.OnFinishWork = [&](vcl::TObject*) { finishThreads.push_back(win::GetCurrentThreadId()); };
    io.OnProgress = [&](vcl::TObject*, int32_t percent) {
        EXPECT_EQ(win::GetCurrentThreadId(), vcl::MainThreadID.load());
        percents.push_back(percent);
    };
    EXPECT_EQ(io.LoadFromGifFile(FBmp.Name), -1); // handed to a worker: no count yet
    io.WaitForThreads(false);
    EXPECT_TRUE(io.GetAborting()); // not a GIF file
    io.LoadFromFileByExtension(FBmp.Name);
    EXPECT_FALSE(io.IsWorkerThread());
    io.WaitForThreads(false);
    EXPECT_FALSE(io.GetAborting());
    EXPECT_EQ(outside.Width(), 6);
    ASSERT_EQ(finishThreads.size(), 2u);
    for (win::DWORD id : finishThreads)
        EXPECT_EQ(id, vcl::MainThreadID.load());
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);

    // Saves run on a worker too; the file is complete once the wait returns.
    const std::string saved = AttachTempName(".png");
    io.SaveToFileByExtension(saved);
    io.WaitForThreads(false);
    EXPECT_FALSE(io.GetAborting());
    EXPECT_EQ(finishThreads.size(), 3u);
    TImageKitIO check;
    check.LoadFromFileByExtension(saved);
    EXPECT_EQ(check.GetIKBitmap()->Width(), 6);
    std::filesystem::remove(saved);

    // A component with an image of its own works on the caller's thread even when asynchronous.
    TImageKitIO own;
    own.SetAsynchronous(true);
    own.LoadFromFileByExtension(FBmp.Name);
    EXPECT_EQ(own.GetIKBitmap()->Width(), 6);
}

TEST_F(IOComponentAttachTest, AsynchronousRefreshReachesTheViewWindow) {
    auto* form = new vcl::TForm(nullptr);
    form->SetBoundsRect({50, 50, 300, 300});
    auto* view = new TAttachTestView(form);
    view->SetParent(form);
    view->SetBoundsRect({0, 0, 100, 100});
    form->Show();
    Pump();
    TImageKitIO io;
    io.SetAsynchronous(true);
    io.SetAttachedImageKit(view);
    int finished = 0;
    io.OnFinishWork = [&](vcl::TObject*) { ++finished; };
    io.LoadFromFileByExtension(FBmp.Name);
    io.WaitForThreads(false);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(view->Image.Width(), 6);
    EXPECT_EQ(view->DpiX, 200);
    EXPECT_EQ(view->ImageChangedCalls, 1);
    EXPECT_EQ(view->RefreshMessages, 0);
    Pump();
    EXPECT_EQ(view->RefreshMessages, 1);
    EXPECT_EQ(view->UpdateCalls, 1);
    form->Free();
    Pump();
}

TEST_F(IOComponentAttachTest, WaitForThreadsStopsASlowLoad) {
    RegisterAttachTestFormats();
    TIKBitmap outside;
    auto io = std::make_unique<TImageKitIO>();
    io->SetAsynchronous(true);
    io->AttachIKBitmap(&outside);
    int finished = 0;
    io->OnFinishWork = [&](vcl::TObject*) { ++finished; };
    AttachSlowStarted = false;
    io->LoadFromFileOfFormat(FBmp.Name, AttachSlowFormat);
    while (!AttachSlowStarted)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto before = std::chrono::steady_clock::now();
    io->WaitForThreads(true);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(10));
    EXPECT_TRUE(AttachReadOnWorker);
    EXPECT_TRUE(io->GetAborting());
    EXPECT_EQ(finished, 1);

    // An exception on a worker is caught there and reported through Aborting.
    io->LoadFromFileOfFormat(FBmp.Name, AttachThrowingFormat);
    io->WaitForThreads(false);
    EXPECT_TRUE(io->GetAborting());
    EXPECT_EQ(finished, 2);

    // Changing the attachment stops a worker that still writes into the former image.
    AttachSlowStarted = false;
    io->LoadFromFileOfFormat(FBmp.Name, AttachSlowFormat);
    while (!AttachSlowStarted)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    TIKBitmap other;
    io->AttachIKBitmap(&other);
    EXPECT_EQ(finished, 3);
    EXPECT_EQ(io->GetIKBitmap(), &other);

    // Destroying the attached view stops the worker that writes into its image; destroying the component
    // waits for its workers.
    auto* view = new TAttachTestView(nullptr);
    io->SetAttachedImageKit(view);
    AttachSlowStarted = false;
    io->LoadFromFileOfFormat(FBmp.Name, AttachSlowFormat);
    while (!AttachSlowStarted)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    view->Free();
    EXPECT_EQ(finished, 4);
    EXPECT_TRUE(io->GetOwnsWorkingImage());
    io->AttachIKBitmap(&outside);
    io->LoadFromFileByExtension(FBmp.Name);
    io.reset();
    EXPECT_EQ(finished, 5);
    EXPECT_EQ(outside.Width(), 6);
}

} // namespace

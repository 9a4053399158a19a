// The editor's document routines over the GIF library.
#include "app/GifRoutines.h"

#include "gif/GifColorReduction.h"
#include "imaging/core/ImageKit.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <filesystem>
#include <optional>
#include <utility>

namespace app {

THourglass::THourglass() {
    if (vcl::Screen) {
        FPrevious = vcl::Screen->GetCursor();
        vcl::Screen->SetCursor(vcl::crHourGlass);
    }
}

THourglass::~THourglass() {
    if (vcl::Screen)
        vcl::Screen->SetCursor(FPrevious);
}

using gif::TGifDocument;
using gif::TGifFrame;
using gif::TGifGraphicControlExtension;
using gif::TGifLoopExtension;

namespace {

TPaletteSettingsPrompt& PalettePrompt() {
    static TPaletteSettingsPrompt prompt;
    return prompt;
}

// The image component other formats are read through: the main window's, or one of the module's own,
// never shown. A watcher forgets the main window's when it is freed.
class TImageKitHolder : public vcl::TComponent {
public:
    TImageKitHolder() : vcl::TComponent(nullptr) {}
    ~TImageKitHolder() override { Set(nullptr); }
    imaging::TImageKit* Get() {
        if (FKit)
            return FKit;
        if (!FOwn)
            FOwn = new imaging::TImageKit(this);
        return FOwn;
    }
    void Set(imaging::TImageKit* kit) {
        if (FKit == kit)
            return;
        if (FKit)
            FKit->RemoveFreeNotification(this);
        FKit = kit;
        if (FKit)
            FKit->FreeNotification(this);
    }

protected:
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override {
        vcl::TComponent::Notification(component, operation);
        if (operation == vcl::opRemove) {
            if (component == FKit)
                FKit = nullptr;
            if (component == FOwn)
                FOwn = nullptr;
        }
    }

private:
    imaging::TImageKit* FKit = nullptr;
    imaging::TImageKit* FOwn = nullptr; // owned by this holder
};

TImageKitHolder& ImageKitHolder() {
    static auto* holder = new TImageKitHolder;
    return *holder;
}

std::function<gif::TGifColor()>& TransparentColorSource() {
    static std::function<gif::TGifColor()> source;
    return source;
}

std::string FullPath(const std::string& fileName) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(fileName, ec);
    return ec ? fileName : full.lexically_normal().string();
}

void Warn(const std::string& text) {
    vcl::MessageDlg(text, vcl::mtWarning, vcl::TMsgDlgButtons{vcl::mbOK}, 0);
}

void ShowLoadError(const std::string& fileName) {
    Warn("Error loading " + FullPath(fileName) +
         "! Loomwick does not support the file type or it is a corrupted file.");
}

void ShowSaveError(const std::string& fileName) {
    Warn("Error saving file! Unable to save " + FullPath(fileName) + " to disk.");
}

void FillWebSafe(gif::TGifColorMap* map) {
    win::HPALETTE palette = gif::CreateWebSafePalette();
    try {
        map->CopyFromPalette(palette);
    } catch (...) {
        win::DeleteObject(palette);
        throw;
    }
    win::DeleteObject(palette);
}

// What a loop extension holds, to move it from one frame to another.
struct TLoopBlock {
    uint16_t Count = 0;
    gif::TGifAppIdentifier Identifier{};
    uint32_t BufferSize = 0;
};

TGifLoopExtension* FirstLoopExtension(TGifFrame* frame) {
    gif::TGifExtensionList* list = frame->GetExtensionList();
    for (int32_t i = 0; i < list->ItemCount(); ++i)
        if (auto* loop = dynamic_cast<TGifLoopExtension*>(list->ExtensionAt(i)))
            return loop;
    return nullptr;
}

// Takes every loop extension off the frame; the first one's contents.
std::optional<TLoopBlock> TakeLoopBlock(TGifFrame* frame) {
    std::optional<TLoopBlock> block;
    gif::TGifExtensionList* list = frame->GetExtensionList();
    for (int32_t i = 0; i < list->ItemCount();) {
        auto* loop = dynamic_cast<TGifLoopExtension*>(list->ExtensionAt(i));
        if (!loop) {
            ++i;
            continue;
        }
        if (!block)
            block = TLoopBlock{loop->GetLoopCount(), loop->GetIdentifier(), loop->GetBufferSize()};
        list->FreeItemAt(i);
    }
    return block;
}

// Puts a loop extension of those contents at the head of the frame's list (also for a count of 1: a
// moved block keeps what it said).
void PutLoopBlock(TGifFrame* frame, const TLoopBlock& block) {
    auto loop = std::make_unique<TGifLoopExtension>(frame);
    loop->SetLoopCount(block.Count);
    loop->SetIdentifier(block.Identifier);
    loop->SetBufferSize(block.BufferSize);
    gif::TGifExtensionList* list = frame->GetExtensionList();
    if (list->ItemCount() == 0)
        list->AppendItem(loop.get());
    else
        list->InsertItem(0, loop.get());
    loop.release();
}

TGifGraphicControlExtension* EnsureControlExtension(TGifFrame* frame, bool restoreBackground) {
    if (TGifGraphicControlExtension* gce = frame->GetControlExtension())
        return gce;
    auto gce = std::make_unique<TGifGraphicControlExtension>(frame);
    if (restoreBackground)
        gce->SetDisposalMethod(gif::dpRestoreBackground);
    frame->GetExtensionList()->AppendItem(gce.get());
    frame->SetControlExtension(gce.get());
    return gce.release();
}

void FramesChanged(TGifDocument* document) {
    document->FreeScreenBitmap();
    document->NotifyChanged();
}

// A stream that keeps nothing and counts how far it was written.
class TCountingStream : public vcl::TStream {
public:
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void*, int32_t count) override {
        if (count <= 0)
            return 0;
        FPosition += count;
        FSize = std::max(FSize, FPosition);
        return count;
    }
    int64_t Seek(int64_t offset, vcl::TSeekOrigin origin) override {
        int64_t base = origin == vcl::soBeginning ? 0 : origin == vcl::soCurrent ? FPosition : FSize;
        FPosition = std::max<int64_t>(0, base + offset);
        return FPosition;
    }
    int64_t GetSize() override { return FSize; }

private:
    int64_t FPosition = 0;
    int64_t FSize = 0;
};

// Crops the frame's pixels to width x height from its top-left corner, keeping its extensions and table.
void CropFramePixels(TGifFrame* frame, int32_t width, int32_t height) {
    const gif::TGifImageDescriptor d = frame->Descriptor();
    frame->EnsurePixels();
    std::vector<uint8_t> rows;
    if (frame->GetPixels()) {
        rows.resize(size_t(width) * size_t(height));
        for (int32_t y = 0; y < height; ++y)
            std::copy_n(frame->GetPixels() + size_t(y) * d.Width, size_t(width), rows.data() + size_t(y) * width);
    }
    frame->ChangeGeometry(d.Left, d.Top, width, height);
    if (frame->GetPixels() && !rows.empty())
        std::copy(rows.begin(), rows.end(), frame->GetPixels());
}

} // namespace

// ---- Files -------------------------------------------------------------------------------------------

bool LoadGifFile(TGifDocument* document, const std::string& fileName) {
    THourglass hourglass;
    if (!document || !vcl::FileExists(fileName)) {
        ShowLoadError(fileName);
        return false;
    }
    try {
        vcl::TMemoryStream data;
        data.LoadFromFile(fileName);
        // The user's document is replaced only by a file that reads.
        document->ReplaceFromStream(&data);
        return true;
    } catch (const std::exception&) {
        win::MessageBeep(0);
        ShowLoadError(fileName);
        return false;
    }
}

bool SaveGifFile(TGifDocument* document, const std::string& fileName, bool forSaving, bool create) {
    if (!document || (!create && !vcl::FileExists(fileName))) {
        ShowSaveError(fileName);
        return false;
    }
    try {
        THourglass hourglass;
        NormalizeGifForSave(document, !forSaving, 0);
        vcl::SaveFileSafely(fileName, [document](vcl::TStream& stream) { document->SaveToStream(&stream); });
        return true;
    } catch (const std::exception&) {
        ShowSaveError(fileName);
        return false;
    }
}

void NormalizeGifForSave(TGifDocument* document, bool forDisplay, int32_t loopCount) {
    if (!document || document->FrameCount() == 0)
        return;
    THourglass hourglass;
    bool changed = false;
    gif::TGifGlobalColorMap* global = document->GlobalColorMap();
    if (global->GetEntryCount() == 0) {
        FillWebSafe(global);
        changed = true;
    }

    bool laterLoop = false;
    for (int32_t i = 0; i < document->FrameCount(); ++i) {
        TGifFrame* frame = document->Frame(i);
        if (i == 0 && forDisplay && document->AnyFrameTransparent() && TransparentColorSource()) {
            const gif::TGifImageDescriptor& d = frame->Descriptor();
            if (d.Height < document->GetHeight() || d.Width < document->GetWidth()) {
                gif::TGifColor color = TransparentColorSource()();
                if (color != gif::GifColorNone) {
                    document->GetHeader()->SetBackgroundByColor(color);
                    changed = true;
                }
            }
        }
        gif::TGifExtensionList* list = frame->GetExtensionList();
        // Frame 0 keeps its first loop extension (the one playback follows); later frames keep none.
        bool loopKept = false;
        for (int32_t j = 0; j < list->ItemCount();) {
            if (dynamic_cast<TGifLoopExtension*>(list->ExtensionAt(j))) {
                if (i == 0 && !loopKept) {
                    loopKept = true;
                    ++j;
                    continue;
                }
                if (i != 0)
                    laterLoop = true;
                list->FreeItemAt(j);
                changed = true;
                continue;
            }
            ++j;
        }
        // One graphic control extension per frame: the last one in list order.
        int32_t controls = 0;
        TGifGraphicControlExtension* survivor = nullptr;
        bool freed = false;
        for (int32_t j = list->ItemCount() - 1; j >= 0; --j) {
            auto* gce = dynamic_cast<TGifGraphicControlExtension*>(list->ExtensionAt(j));
            if (!gce)
                continue;
            if (++controls == 1) {
                survivor = gce;
            } else {
                list->FreeItemAt(j);
                freed = true;
            }
        }
        if (freed && survivor) {
            frame->SetControlExtension(survivor);
            frame->SetTransparentFrame(survivor->GetTransparentFlag());
            frame->FreeFrameBitmap();
            frame->FreeMaskHandle();
            changed = true;
        }
    }
    if (laterLoop && !HasLoopExtension(document))
        AddLoopExtension(document, 0, loopCount);
    if (changed)
        FramesChanged(document);
}

int64_t GifEncodedSize(TGifDocument* document) {
    if (!document)
        return 0;
    TCountingStream stream;
    document->SaveToStream(&stream);
    return stream.GetSize();
}

int32_t ImageFileTypeIndex(const std::string& fileName) {
    static const std::array<const char*, 19> extensions = {
        ".gif", ".jpg", ".bmp", ".jif", ".dcx", ".ico", ".pbm", ".pcx", ".ljp", ".pgm",
        ".pic", ".png", ".ppm", ".rle", ".tga", ".tif", ".wmf", ".wpg", ".avi"};
    std::string extension = vcl::LowerCase(vcl::ExtractFileExt(fileName));
    // The longer spellings the insert dialogs offer and the imaging library reads.
    if (extension == ".jpeg")
        extension = ".jpg";
    else if (extension == ".tiff")
        extension = ".tif";
    else if (extension == ".emf")
        extension = ".wmf";
    for (size_t i = 0; i < extensions.size(); ++i)
        if (extension == extensions[i])
            return int32_t(i);
    return ImageTypeUnknown;
}

// ---- Frames ------------------------------------------------------------------------------------------

void SetPaletteSettingsPrompt(TPaletteSettingsPrompt prompt) {
    PalettePrompt() = std::move(prompt);
}

bool PromptPaletteSettings(int32_t& paletteType, int32_t& ditherMethod, int32_t& maxColors) {
    if (!PalettePrompt())
        return false;
    return PalettePrompt()(paletteType, ditherMethod, maxColors);
}

bool ApplyPaletteSettings(TGifDocument* document, int32_t paletteType, int32_t ditherMethod, int32_t maxColors) {
    auto bitsFor = [](int32_t colors) {
        switch (colors) {
        case 256:
            return 8;
        case 128:
            return 7;
        case 64:
            return 6;
        case 32:
            return 5;
        case 16:
            return 4;
        case 8:
            return 3;
        default:
            return 0;
        }
    };
    bool optimize = false;
    switch (paletteType) {
    case 0:
    case 2:
        document->SetReductionMethod(gif::rdOctree);
        if (int32_t bits = bitsFor(maxColors))
            document->SetQuantizeBits(bits);
        optimize = paletteType == 0;
        break;
    case 1:
        document->SetReductionMethod(gif::rdWebSafe216);
        document->SetQuantizeBits(8);
        optimize = true;
        break;
    default:
        break;
    }
    if (ditherMethod == 0)
        document->SetDitherMethod(gif::dtClosestColor);
    else if (ditherMethod == 1)
        document->SetDitherMethod(gif::dtFloydSteinberg);
    return optimize;
}

void OptimizeToGlobalPalette(TGifDocument* document) {
    document->Optimize(gif::opSortColorTables, gif::rdNone, gif::dtClosestColor, 8);
    document->OptimizeToGlobalColorMap();
}

void ApplyFirstFrameDefaults(TGifFrame* frame) {
    TGifDocument* document = frame ? frame->GetOwnerImage() : nullptr;
    if (!document || HasLoopExtension(document))
        return;
    AddLoopExtension(document, 0, 0);
    SetFrameDelay(frame, 100);
    gif::TGifLocalColorMap* local = frame->GetLocalColorMap();
    if (local->GetEntryCount() > 0)
        local->SortAndPrune();
    gif::TGifGlobalColorMap* global = document->GlobalColorMap();
    if (global->GetEntryCount() == 0) {
        if (local->GetEntryCount() > 0)
            global->Assign(local);
        else
            FillWebSafe(global);
    }
}

int32_t AddBitmapFrame(TGifDocument* document, vcl::TBitmap* bitmap, int32_t index) {
    TPaletteSettings settings = ReadPaletteSettings();
    bool optimize = settings.PaletteType == 0;
    const vcl::TPixelFormat format = bitmap->GetPixelFormat();
    if (format == vcl::pf8bit || format == vcl::pf15bit || format == vcl::pf16bit || format == vcl::pf24bit ||
        format == vcl::pf32bit) {
        THourglass hourglass;
        if (settings.UseDefaults) {
            optimize =
                ApplyPaletteSettings(document, settings.PaletteType, settings.DitherMethod, settings.MaxColors);
        } else {
            int32_t type = settings.PaletteType, dither = settings.DitherMethod, colors = settings.MaxColors;
            if (!PromptPaletteSettings(type, dither, colors))
                return -1;
            optimize = ApplyPaletteSettings(document, type, dither, colors);
        }
    }
    THourglass hourglass;
    auto frame = std::make_unique<TGifFrame>(document);
    frame->Assign(bitmap);
    const int32_t count = document->FrameCount();
    if (index >= 0 && index < count - 1) {
        // A new frame 0 takes over the loop extension with the user's count.
        std::optional<TLoopBlock> loop;
        if (index == 0)
            loop = TakeLoopBlock(document->Frame(0));
        TGifFrame* added = frame.get();
        document->GetFrames()->InsertItem(index, added);
        frame.release();
        if (loop)
            PutLoopBlock(added, *loop);
        FramesChanged(document);
    } else {
        index = document->AppendFrame(frame.get());
        frame.release();
    }
    ApplyFirstFrameDefaults(document->Frame(index));
    if (optimize && document->FrameCount() > 1)
        OptimizeToGlobalPalette(document);
    return index;
}

void FreeFrameAt(TGifDocument* document, int32_t index) {
    if (!document || index < 0 || index >= document->FrameCount())
        return;
    std::optional<TLoopBlock> loop;
    if (index == 0 && document->FrameCount() > 1)
        loop = TakeLoopBlock(document->Frame(0));
    document->GetFrames()->FreeItemAt(index);
    if (loop && !FirstLoopExtension(document->Frame(0)))
        PutLoopBlock(document->Frame(0), *loop);
    FramesChanged(document);
}

void MoveFrame(int32_t from, int32_t to, TGifDocument* document) {
    if (!document || from == -1)
        return;
    const int32_t count = document->FrameCount();
    if (from < 0 || from >= count || to < 0 || to >= count || from == to)
        return;
    std::optional<TLoopBlock> loop;
    if (from == 0 || to == 0)
        loop = TakeLoopBlock(document->Frame(0));
    document->GetFrames()->MoveItem(from, to);
    if (loop)
        PutLoopBlock(document->Frame(0), *loop);
    FramesChanged(document);
}

bool IsAnimatedGif(TGifDocument* document) {
    if (!document)
        return false;
    int32_t shown = 0;
    for (int32_t i = 0; i < document->FrameCount() && shown < 2; ++i)
        if (!document->Frame(i)->IsEmpty())
            ++shown;
    return shown >= 2;
}

// ---- Loop count, delays, disposals, comments ---------------------------------------------------------

int32_t GetLoopCount(TGifDocument* document) {
    if (!document || document->FrameCount() == 0)
        return 1;
    TGifLoopExtension* loop = FirstLoopExtension(document->Frame(0));
    return loop ? loop->GetLoopCount() : 1;
}

void SetLoopCount(TGifDocument* document, int32_t count) {
    if (!document || document->FrameCount() == 0)
        return;
    const uint16_t value = ClampPlayCount(count);
    TGifFrame* frame = document->Frame(0);
    if (value == 1) {
        TakeLoopBlock(frame);
        return;
    }
    gif::TGifExtensionList* list = frame->GetExtensionList();
    bool found = false;
    for (int32_t i = 0; i < list->ItemCount(); ++i)
        if (auto* loop = dynamic_cast<TGifLoopExtension*>(list->ExtensionAt(i))) {
            loop->SetLoopCount(value);
            found = true;
        }
    if (!found)
        AddLoopExtension(document, 0, value);
}

void AddLoopExtension(TGifDocument* document, int32_t frameIndex, int32_t count) {
    if (!document || count == 1 || frameIndex < 0 || frameIndex >= document->FrameCount())
        return;
    TLoopBlock block;
    block.Count = ClampPlayCount(count);
    block.Identifier = gif::MakeAppIdentifier("NETSCAPE2.0");
    PutLoopBlock(document->Frame(frameIndex), block);
}

bool HasLoopExtension(TGifDocument* document) {
    return document && document->FrameCount() > 0 && FirstLoopExtension(document->Frame(0)) != nullptr;
}

void SetFrameDelay(TGifFrame* frame, int32_t delay) {
    if (!frame)
        return;
    EnsureControlExtension(frame, true)->SetDelayTime(uint16_t(std::clamp(delay, 0, 65535)));
}

void SetFrameDisposal(TGifFrame* frame, int32_t disposal) {
    if (!frame || disposal < 0 || disposal > 3)
        return;
    EnsureControlExtension(frame, false)->SetDisposalMethod(uint8_t(disposal));
}

void AddCommentExtension(TGifFrame* frame, const std::string& text) {
    if (!frame)
        return;
    auto comment = std::make_unique<gif::TGifCommentExtension>(frame);
    comment->Lines().SetText(text);
    frame->GetExtensionList()->AppendItem(comment.get());
    comment.release();
}

uint16_t SecondsToDelay(double seconds) {
    if (!(seconds > 0))
        return 0; // negative, zero and not a number
    double hundredths = std::round(seconds * 100.0);
    return hundredths >= 65535.0 ? uint16_t(65535) : uint16_t(hundredths);
}

uint16_t ClampPlayCount(int64_t count) {
    return uint16_t(std::clamp<int64_t>(count, 0, 65535));
}

uint16_t PlayCountFromValue(double value) {
    if (!std::isfinite(value))
        return 1;
    value = std::min(std::max(value, -1.0), 70000.0);
    return ClampPlayCount(int64_t(vcl::Round(value)));
}

// ---- Sizes -------------------------------------------------------------------------------------------

void FitFrameSize(TGifDocument* document, vcl::TBitmap* bitmap, bool trim) {
    if (!document || !bitmap || document->FrameCount() == 0)
        return;
    if (trim) {
        CropBitmap(bitmap, std::min(document->GetHeight(), bitmap->GetHeight()),
                   std::min(document->GetWidth(), bitmap->GetWidth()));
        return;
    }
    // The screen grows to hold the picture; the frames stay as they are.
    document->SetWidth(std::min(65535, std::max(document->GetWidth(), bitmap->GetWidth())));
    document->SetHeight(std::min(65535, std::max(document->GetHeight(), bitmap->GetHeight())));
}

void TrimFramesToSize(TGifDocument* document, vcl::TBitmap* bitmap) {
    if (!document || !bitmap)
        return;
    bool changed = false;
    for (int32_t i = 0; i < document->FrameCount(); ++i) {
        TGifFrame* frame = document->Frame(i);
        const gif::TGifImageDescriptor& d = frame->Descriptor();
        int32_t width = d.Width, height = d.Height;
        if (bitmap->GetWidth() < d.Left + d.Width)
            width = bitmap->GetWidth() - d.Left;
        if (bitmap->GetHeight() < d.Top + d.Height)
            height = bitmap->GetHeight() - d.Top;
        if (width == d.Width && height == d.Height)
            continue;
        // A frame wholly beyond the new edge keeps its pixels: a frame of no size would lose its data.
        if (width < 1 || height < 1)
            continue;
        CropFramePixels(frame, width, height);
        changed = true;
    }
    if (changed)
        FramesChanged(document);
}

void CropBitmap(vcl::TBitmap* bitmap, int32_t height, int32_t width) {
    if (!bitmap)
        return;
    vcl::TBitmap cropped;
    cropped.Assign(bitmap);
    cropped.SetSize(width, height);
    bitmap->Assign(&cropped);
}

// ---- Other image files --------------------------------------------------------------------------------

int32_t LoadImageFileToBitmap(const std::string& fileName, vcl::TBitmap* bitmap, int32_t type) {
    if (!vcl::FileExists(fileName)) {
        ShowLoadError(fileName);
        return -1;
    }
    if (type == ImageTypeUnknown) {
        Warn(vcl::ExtractFileName(fileName) + " is an unrecognized file type!");
        return -1;
    }
    THourglass hourglass;
    if (type == 0) {
        TGifDocument document;
        if (!LoadGifFile(&document, fileName))
            return -1;
        if (document.FrameCount() == 0) {
            ShowLoadError(fileName);
            return -1;
        }
        if (!IsAnimatedGif(&document))
            bitmap->Assign(document.ScreenBitmap());
        return 0;
    }
    if (type == 2) {
        try {
            vcl::TBitmap loaded;
            loaded.LoadFromFile(fileName);
            if (loaded.GetEmpty())
                throw vcl::EInvalidGraphic("Empty bitmap");
            bitmap->Assign(&loaded);
            return 0;
        } catch (const std::exception&) {
            ShowLoadError(fileName);
            return -1;
        }
    }
    // Every other type through the image component: read by extension, reduced to 256 colours (the image
    // stays 24-bit), copied. A read that fails without an exception (the component's Aborting) or gives no
    // image is a failure too, never the picture the component held before.
    try {
        imaging::TImageKit* kit = ImageKitHolder().Get();
        kit->LoadFromFileByExtension(fileName);
        if (kit->GetIO()->GetAborting() || kit->IsEmpty())
            throw vcl::EInvalidGraphic("The image could not be read");
        kit->ConvertTo(256, false);
        vcl::TBitmap* image = kit->GetBitmap();
        if (!image || image->GetEmpty())
            throw vcl::EInvalidGraphic("The image could not be read");
        bitmap->Assign(image);
        return 0;
    } catch (const std::exception&) {
        ShowLoadError(fileName);
        return -1;
    }
}

void SetRoutineImageKit(imaging::TImageKit* kit) {
    ImageKitHolder().Set(kit);
}

void SetTransparentColorSource(std::function<gif::TGifColor()> source) {
    TransparentColorSource() = std::move(source);
}

} // namespace app

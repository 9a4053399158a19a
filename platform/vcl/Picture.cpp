#include "platform/vcl/Picture.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Metafile.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <vector>

namespace vcl {

namespace {

struct PictureFileFormat {
    std::string Extension; // lower case, no dot
    std::string Description;
    TGraphicClass Class;
};

struct PictureClipboardFormat {
    uint16_t Format;
    TGraphicClass Class;
};

struct PictureRegistry {
    std::mutex Lock;
    std::vector<PictureFileFormat> Files = {
        {"bmp", "Bitmaps", GraphicClass<TBitmap>()},
        {"ico", "Icons", GraphicClass<TIcon>()},
        {"emf", "Enhanced Metafiles", GraphicClass<TMetafile>()},
        {"wmf", "Metafiles", GraphicClass<TMetafile>()},
    };
    std::vector<PictureClipboardFormat> Clipboard = {
        {2 /* the bitmap clipboard format */, GraphicClass<TBitmap>()}};
};

PictureRegistry& PictureFormats() {
    static PictureRegistry registry;
    return registry;
}

// Whether class c is base or derives from it.
bool PictureDerivesFrom(const TGraphicClass& c, const TGraphicClass* base) {
    if (!base || c.Type == base->Type)
        return true;
    std::unique_ptr<TGraphic> probe = c.Create();
    return probe && base->IsInstance(probe.get());
}

} // namespace

TPicture::TPicture() = default;
TPicture::~TPicture() {
    // Freed rather than deleted, so that whoever listens for the graphic's end sees it whole.
    if (FGraphic)
        FGraphic.release()->Free();
}

void TPicture::Changed(TObject*) {
    if (OnChange)
        OnChange(this);
}

void TPicture::Adopt(std::unique_ptr<TGraphic> graphic) {
    std::unique_ptr<TGraphic> former = std::move(FGraphic);
    FGraphic = std::move(graphic);
    if (former)
        former.release()->Free();
    if (FGraphic) {
        FGraphic->OnChange = [this](TObject* sender) { Changed(sender); };
        FGraphic->OnProgress = [this](TObject* sender, TProgressStage stage, uint8_t percent, bool redraw,
                                      const TRect& r, const std::string& msg) {
            if (OnProgress)
                OnProgress(sender, stage, percent, redraw, r, msg);
        };
    }
}

void TPicture::SetGraphic(TGraphic* value) {
    if (value == FGraphic.get())
        return;
    std::unique_ptr<TGraphic> copy;
    if (value) {
        // A copy of the same class: found through the registry, else through the known classes.
        {
            std::lock_guard<std::mutex> guard(PictureFormats().Lock);
            for (auto& f : PictureFormats().Files)
                if (f.Class.Type == typeid(*value)) {
                    copy = f.Class.Create();
                    break;
                }
        }
        if (!copy) {
            if (typeid(*value) == typeid(TBitmap))
                copy = std::make_unique<TBitmap>();
            else if (typeid(*value) == typeid(TIcon))
                copy = std::make_unique<TIcon>();
            else if (typeid(*value) == typeid(TMetafile))
                copy = std::make_unique<TMetafile>();
            else
                throw EInvalidGraphic("Unknown picture class " + value->ClassName());
        }
        copy->Assign(value);
    }
    Adopt(std::move(copy));
    Changed(this);
}

template <typename T> T* TPicture::GraphicAs() {
    if (!FGraphic || typeid(*FGraphic) != typeid(T)) {
        Adopt(std::make_unique<T>());
        Changed(this);
    }
    return static_cast<T*>(FGraphic.get());
}

TBitmap* TPicture::GetBitmap() {
    return GraphicAs<TBitmap>();
}
TIcon* TPicture::GetIcon() {
    return GraphicAs<TIcon>();
}
TMetafile* TPicture::GetMetafile() {
    return GraphicAs<TMetafile>();
}
int32_t TPicture::GetWidth() const {
    return FGraphic ? FGraphic->GetWidth() : 0;
}
int32_t TPicture::GetHeight() const {
    return FGraphic ? FGraphic->GetHeight() : 0;
}

void TPicture::Assign(TPersistent* source) {
    if (!source)
        SetGraphic(nullptr);
    else if (auto* p = dynamic_cast<TPicture*>(source))
        SetGraphic(p->GetGraphic());
    else if (auto* g = dynamic_cast<TGraphic*>(source))
        SetGraphic(g);
    else
        TPersistent::Assign(source);
}

void TPicture::AssignTo(TPersistent* dest) {
    if (FGraphic && dynamic_cast<TGraphic*>(dest)) {
        dest->Assign(FGraphic.get());
        return;
    }
    TPersistent::AssignTo(dest);
}

std::unique_ptr<TGraphic> TPicture::CreateForFileName(const std::string& fileName) {
    std::string ext = std::filesystem::path(fileName).extension().string();
    if (!ext.empty())
        ext = LowerCase(ext.substr(1));
    std::lock_guard<std::mutex> guard(PictureFormats().Lock);
    for (auto& f : PictureFormats().Files)
        if (f.Extension == ext)
            return f.Class.Create();
    return nullptr;
}

void TPicture::LoadFromFile(const std::string& fileName) {
    std::unique_ptr<TGraphic> graphic = CreateForFileName(fileName);
    if (!graphic) {
        std::string ext = std::filesystem::path(fileName).extension().string();
        throw EInvalidGraphic("Unknown picture file extension (" + ext + ")");
    }
    graphic->OnProgress = OnProgress;
    graphic->LoadFromFile(fileName);
    Adopt(std::move(graphic));
    Changed(this);
}

void TPicture::SaveToFile(const std::string& fileName) {
    if (FGraphic)
        FGraphic->SaveToFile(fileName);
}

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  const TGraphicClass& graphicClass) {
    std::string ext = LowerCase(extension);
    if (!ext.empty() && ext[0] == '.')
        ext.erase(0, 1);
    std::lock_guard<std::mutex> guard(PictureFormats().Lock);
    auto& files = PictureFormats().Files;
    for (auto& f : files)
        if (f.Extension == ext) {
            f.Description = description;
            f.Class = graphicClass;
            return;
        }
    files.push_back({ext, description, graphicClass});
}

void TPicture::RegisterClipboardFormat(uint16_t format, const TGraphicClass& graphicClass) {
    std::lock_guard<std::mutex> guard(PictureFormats().Lock);
    PictureFormats().Clipboard.push_back({format, graphicClass});
}

void TPicture::UnregisterGraphicClass(const TGraphicClass& graphicClass) {
    std::lock_guard<std::mutex> guard(PictureFormats().Lock);
    auto& files = PictureFormats().Files;
    files.erase(std::remove_if(files.begin(), files.end(), [&](auto& f) { return f.Class == graphicClass; }),
                files.end());
    auto& clip = PictureFormats().Clipboard;
    clip.erase(std::remove_if(clip.begin(), clip.end(), [&](auto& c) { return c.Class == graphicClass; }),
               clip.end());
}

bool TPicture::SupportsClipboardFormat(uint16_t format) {
    std::lock_guard<std::mutex> guard(PictureFormats().Lock);
    for (auto& c : PictureFormats().Clipboard)
        if (c.Format == format)
            return true;
    return false;
}

std::string TPicture::GraphicFileMask(const TGraphicClass* base) {
    std::lock_guard<std::mutex> guard(PictureFormats().Lock);
    std::string mask;
    for (auto& f : PictureFormats().Files)
        if (PictureDerivesFrom(f.Class, base))
            mask += (mask.empty() ? "*." : ";*.") + f.Extension;
    return mask;
}

std::string TPicture::GraphicFilter(const TGraphicClass* base) {
    std::string mask = GraphicFileMask(base);
    std::string filter = "All (" + mask + ")|" + mask;
    std::lock_guard<std::mutex> guard(PictureFormats().Lock);
    for (auto& f : PictureFormats().Files)
        if (PictureDerivesFrom(f.Class, base))
            filter += "|" + f.Description + " (*." + f.Extension + ")|*." + f.Extension;
    return filter;
}

std::string TPicture::GraphicExtension(const TGraphicClass& graphicClass) {
    std::lock_guard<std::mutex> guard(PictureFormats().Lock);
    for (auto& f : PictureFormats().Files)
        if (f.Class == graphicClass)
            return f.Extension;
    return {};
}

std::unique_ptr<TGraphic> TPicture::CreateForClassName(const std::string& name) {
    std::vector<TGraphicClass> classes;
    {
        std::lock_guard<std::mutex> guard(PictureFormats().Lock);
        for (auto& f : PictureFormats().Files)
            classes.push_back(f.Class);
        for (auto& c : PictureFormats().Clipboard)
            classes.push_back(c.Class);
    }
    classes.push_back(GraphicClass<TBitmap>());
    classes.push_back(GraphicClass<TIcon>());
    classes.push_back(GraphicClass<TMetafile>());
    for (const TGraphicClass& c : classes) {
        std::unique_ptr<TGraphic> graphic = c.Create ? c.Create() : nullptr;
        if (graphic && SameText(graphic->ClassName(), name))
            return graphic;
    }
    return nullptr;
}

void TPicture::DefineProperties(TFiler* filer) {
    filer->DefineBinaryProperty(
        "Data", [this](TStream* stream) { ReadData(stream); }, [this](TStream* stream) { WriteData(stream); },
        FGraphic && !FGraphic->GetEmpty());
}

void TPicture::ReadData(TStream* stream) {
    if (stream->GetSize() - stream->GetPosition() <= 0) {
        SetGraphic(nullptr);
        return;
    }
    uint8_t length = 0;
    stream->ReadBuffer(&length, 1);
    std::string name(length, '\0');
    stream->ReadBuffer(name.data(), length);
    std::unique_ptr<TGraphic> graphic = CreateForClassName(name);
    if (!graphic)
        throw EReadError("Unknown picture class '" + name + "'");
    // The picture keeps what it held when the data cannot be read.
    try {
        graphic->ReadData(stream);
    } catch (const EReadError&) {
        throw;
    } catch (const std::exception& e) {
        throw EReadError("Invalid " + name + " data: " + e.what());
    }
    Adopt(std::move(graphic));
    Changed(this);
}

void TPicture::WriteData(TStream* stream) {
    if (!FGraphic)
        return;
    const std::string name = FGraphic->ClassName();
    if (name.size() > 255)
        throw EWriteError("Picture class name too long to store");
    const uint8_t length = static_cast<uint8_t>(name.size());
    stream->WriteBuffer(&length, 1);
    stream->WriteBuffer(name.data(), length);
    FGraphic->WriteData(stream);
}

} // namespace vcl

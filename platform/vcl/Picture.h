// TPicture: holds one graphic of any registered class, loads files by their extension through a registry
// of graphic classes, and builds the open dialog's filter from that registry.
#pragma once

#include "platform/vcl/Graphic.h"

#include <functional>
#include <memory>
#include <string>
#include <typeindex>

namespace vcl {

class TBitmap;
class TIcon;
class TMetafile;

// A graphic class: its type, how to make an instance and how to tell its instances (derived ones too).
struct TGraphicClass {
    std::type_index Type = typeid(void);
    std::function<std::unique_ptr<TGraphic>()> Create;
    std::function<bool(const TGraphic*)> IsInstance;
    bool operator==(const TGraphicClass& o) const { return Type == o.Type; }
};
template <typename T> TGraphicClass GraphicClass() {
    return {typeid(T), [] { return std::unique_ptr<TGraphic>(std::make_unique<T>()); },
            [](const TGraphic* g) { return dynamic_cast<const T*>(g) != nullptr; }};
}

class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;

    void Assign(TPersistent* source) override;

    // The graphic held (nullptr when none). Setting one stores a copy of it, made as its own class.
    TGraphic* GetGraphic() const { return FGraphic.get(); }
    void SetGraphic(TGraphic* value);
    // These give the graphic as that class, replacing what is held by an empty one when it is another.
    TBitmap* GetBitmap();
    TIcon* GetIcon();
    TMetafile* GetMetafile();
    int32_t GetWidth() const;
    int32_t GetHeight() const;

    // Loads a file as the graphic class registered for its extension (EInvalidGraphic when none is).
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

    // The registry. Extensions are given without the dot and compared without regard to case; a new
    // registration of an extension replaces the earlier one.
    static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                   const TGraphicClass& graphicClass);
    static void RegisterClipboardFormat(uint16_t format, const TGraphicClass& graphicClass);
    // Removes every file and clipboard format of the class.
    static void UnregisterGraphicClass(const TGraphicClass& graphicClass);
    static bool SupportsClipboardFormat(uint16_t format);
    // The class for a file name's extension, or nullptr.
    static std::unique_ptr<TGraphic> CreateForFileName(const std::string& fileName);
    // "All (*.bmp;*.ico)|*.bmp;*.ico|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico" for the classes derived from
    // base (every class when base is empty).
    static std::string GraphicFilter(const TGraphicClass* base = nullptr);
    // "*.bmp;*.ico" for the same classes.
    static std::string GraphicFileMask(const TGraphicClass* base = nullptr);
    // The first extension registered for the class ("bmp").
    static std::string GraphicExtension(const TGraphicClass& graphicClass);
    // A new graphic of the registered class (or TBitmap, TIcon, TMetafile) whose class name is name,
    // compared without case; nullptr when there is none.
    static std::unique_ptr<TGraphic> CreateForClassName(const std::string& name);

protected:
    // The graphic is stored as "Data": its class name as a short string, then the graphic's own data.
    // An empty picture stores nothing.
    void DefineProperties(TFiler* filer) override;
    void ReadData(TStream* stream);
    void WriteData(TStream* stream);
    virtual void Changed(TObject* sender);
    void AssignTo(TPersistent* dest) override;

private:
    template <typename T> T* GraphicAs();
    void Adopt(std::unique_ptr<TGraphic> graphic);
    std::unique_ptr<TGraphic> FGraphic;
};

} // namespace vcl

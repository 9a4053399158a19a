// TGraphic: the abstract picture that bitmaps, icons, metafiles and GIF documents derive from.
#pragma once

#include "platform/vcl/Persistent.h"
#include "platform/vcl/Types.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vcl {

class TCanvas;
class TStream;

enum TProgressStage { psStarting, psRunning, psEnding };

using TProgressEvent = std::function<void(TObject* Sender, TProgressStage Stage, uint8_t PercentDone,
                                          bool RedrawNow, const TRect& R, const std::string& Msg)>;

class TGraphic;
// Told once that the graphic is going away. When the graphic is freed through Free (as pictures free
// theirs) it is still whole; after a plain delete only its address may be compared.
using TGraphicDestroyListener = std::function<void(TGraphic* graphic)>;

class TGraphic : public TPersistent {
public:
    TGraphic() = default;
    // Tells the destroy listeners still registered (when Free did not already).
    ~TGraphic() override;
    // Tells the destroy listeners; Free calls it before the destructors run.
    void BeforeDestruction() override;

    // Registers a listener called when this graphic is destroyed; the token returned removes it again.
    // A listener may remove itself or others while it is called. Tokens are never reused by a graphic.
    uint32_t AddDestroyListener(TGraphicDestroyListener listener);
    void RemoveDestroyListener(uint32_t token);

    virtual void LoadFromStream(TStream* stream) = 0;
    virtual void SaveToStream(TStream* stream) = 0;
    virtual void LoadFromFile(const std::string& fileName);
    // Saved through a temporary file renamed over the target, so a failed save keeps the old file.
    virtual void SaveToFile(const std::string& fileName);

    virtual bool GetEmpty() const = 0;
    virtual int32_t GetWidth() const = 0;
    virtual int32_t GetHeight() const = 0;
    virtual void SetWidth(int32_t value) = 0;
    virtual void SetHeight(int32_t value) = 0;
    virtual win::HPALETTE GetPalette() const { return nullptr; }
    virtual void SetPalette(win::HPALETTE) {}
    virtual bool GetTransparent() const { return FTransparent; }
    virtual void SetTransparent(bool value);

    bool GetModified() const { return FModified; }
    void SetModified(bool value);

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

    // Draws the graphic stretched into rect; TCanvas::Draw and StretchDraw call it.
    virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;

    // True when both graphics are of one class and store the same bytes.
    virtual bool Equals(TGraphic* graphic);
    // The clipboard hands data over as a format id, a memory handle and a palette. The picture classes that
    // can travel through the clipboard override these; the base raises EInvalidGraphic.
    virtual void LoadFromClipboardFormat(uint16_t format, win::HANDLE data, win::HPALETTE palette);
    virtual void SaveToClipboardFormat(uint16_t& format, win::HANDLE& data, win::HPALETTE& palette);
    // The binary "Data" property of form resources: the graphic's stream. ReadData gets a stream that
    // holds exactly what WriteData wrote.
    virtual void ReadData(TStream* stream) { LoadFromStream(stream); }
    virtual void WriteData(TStream* stream) { SaveToStream(stream); }

    // Set while a palette change has not been shown yet (a playing animation repaints with it).
    bool GetPaletteModified() const { return FPaletteModified; }
    void SetPaletteModified(bool value) { FPaletteModified = value; }

protected:
    // A graphic held directly as a property (a button's glyph) stores its data as "Data"; an empty one
    // stores nothing.
    void DefineProperties(TFiler* filer) override;
    virtual void Changed(TObject* sender);
    virtual void Progress(TObject* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                          const TRect& r, const std::string& msg);

private:
    struct TDestroyListener {
        uint32_t Token;
        TGraphicDestroyListener Listener;
    };
    void NotifyDestroy();

    std::vector<TDestroyListener> FDestroyListeners;
    uint32_t FNextListenerToken = 1;
    bool FDestroyNotified = false;
    bool FModified = false;
    bool FTransparent = false;
    bool FPaletteModified = false;
};

} // namespace vcl

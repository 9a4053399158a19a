// TMetafile: a picture that holds Windows metafile bytes (WMF, with or without the placeable header, or
// EMF). It knows its size from the headers (a WMF without the placeable header from its first window
// records, one unit a pixel) and draws by playing its records through the GDI's metafile player.
#pragma once

#include "platform/vcl/Graphic.h"
#include "platform/win/gdi/Metafile.h"

#include <vector>

namespace vcl {

class TMetafile : public TGraphic {
public:
    TMetafile() = default;
    ~TMetafile() override;
    TMetafile(const TMetafile&) = delete;
    TMetafile& operator=(const TMetafile&) = delete;

    void Assign(TPersistent* source) override;
    void Draw(TCanvas* canvas, const TRect& rect) override;
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;

    bool GetEmpty() const override { return FData.empty(); }
    // The size in pixels at the screen's resolution (a size set explicitly wins).
    int32_t GetWidth() const override;
    int32_t GetHeight() const override;
    void SetWidth(int32_t value) override;
    void SetHeight(int32_t value) override;
    // The size in hundredths of a millimetre.
    int32_t GetMMWidth() const;
    int32_t GetMMHeight() const;
    void SetMMWidth(int32_t value);
    void SetMMHeight(int32_t value);
    // True for an enhanced metafile (EMF), false for a Windows metafile (WMF). Only an empty metafile
    // changes its kind.
    bool GetEnhanced() const { return FEnhanced; }
    void SetEnhanced(bool value);
    void Clear();

    // The metafile's bytes as loaded.
    const std::vector<uint8_t>& GetData() const { return FData; }
    // The player's handle over the bytes (null when empty); owned by the metafile.
    win::HENHMETAFILE GetHandle() const { return FHandle; }

private:
    void SetData(std::vector<uint8_t> data, bool enhanced);
    std::vector<uint8_t> FData;
    win::HENHMETAFILE FHandle = nullptr;
    bool FEnhanced = true;
    int32_t FMMWidth = 0; // from the header, hundredths of a millimetre
    int32_t FMMHeight = 0;
    int32_t FWidth = 0; // set explicitly, pixels (0: from the header)
    int32_t FHeight = 0;
};

} // namespace vcl

// The transparent-colour picker: a grid of the frame's colour table beside the frame's picture. A click on a
// cell or on the picture picks the transparent colour; the picture shows the picked colour as background.
// The dialog works on a copy of the table, so the document does not change while it is open; the caller
// applies the pick.
#pragma once

#include "app/GifRoutines.h"
#include "platform/vcl/Forms.h"

#include <cstdint>
#include <memory>

namespace vcl {
class TBevel;
class TBitmap;
class TLabel;
class TPaintBox;
class TScrollBox;
class TShape;
} // namespace vcl
namespace controls {
class TFcButton;
}

namespace app {

class TfrmPalette : public vcl::TForm {
public:
    // The grid: 16 cells a row, each 15 x 15 pixels; clicks count from 3 pixels inside the grid to 243.
    static constexpr int32_t CellsPerRow = 16;
    static constexpr int32_t CellSize = 15;
    static constexpr int32_t HitFirst = 3;
    static constexpr int32_t HitEnd = 243;

    explicit TfrmPalette(vcl::TComponent* owner);
    ~TfrmPalette() override;

    vcl::TPaintBox* pbPalette = nullptr;
    vcl::TShape* shpPicker = nullptr;
    vcl::TLabel* lblCaption = nullptr;
    vcl::TScrollBox* sbPreview = nullptr;
    vcl::TPaintBox* pbImage = nullptr;
    vcl::TBevel *bevTop = nullptr, *bevBottom = nullptr;
    vcl::TShape* shpSpacer = nullptr;
    controls::TFcButton *btnOK = nullptr, *btnCancel = nullptr;

    // The document whose frame is shown, and the frame (set by the caller before the dialog is shown).
    gif::TGifDocument* Document = nullptr;
    int32_t FrameIndex = 0;
    // The pick: a table index (-1 for a picture colour that is not in the table) and its colour.
    int32_t SelectedIndex = 0;
    vcl::TColor SelectedColor = 0;
    // The copy of the frame's table shown in the grid; the frame's picture (owned by the frame).
    std::unique_ptr<TCmdColorMap> ColorTable;
    vcl::TBitmap* FrameBitmap = nullptr;

    // Puts the marker on cell index; a negative index leaves it where it is.
    void PlaceMarker(int32_t index);
    // The cell under a point of the grid, or -1 outside the cells that answer clicks.
    static int32_t CellAt(int32_t x, int32_t y);

    void FormCreate(vcl::TObject* sender);
    void FormShow(vcl::TObject* sender);
    void pbPalettePaint(vcl::TObject* sender);
    void pbPaletteMouseMove(vcl::TObject* sender, vcl::TShiftState shift, int32_t x, int32_t y);
    void pbPaletteMouseDown(vcl::TObject* sender, vcl::TMouseButton button, vcl::TShiftState shift, int32_t x,
                            int32_t y);
    void pbImagePaint(vcl::TObject* sender);
    void pbImageMouseDown(vcl::TObject* sender, vcl::TMouseButton button, vcl::TShiftState shift, int32_t x,
                          int32_t y);

private:
    int32_t EntryCount() const;
    void CenterImage();
};

// Registers the dialog's class for its layout.
void RegisterPaletteFormClass();

} // namespace app

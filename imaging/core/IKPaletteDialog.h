// A small modal window that shows a palette as a grid of 16 x 16 cells (32 to a row) and returns the
// colour the user clicks, or picks with the arrow keys and Enter.
#pragma once

#include "imaging/core/IKHelpers.h"
#include "platform/vcl/Forms.h"

#include <cstdint>

namespace vcl {
class TButton;
class TPaintBox;
} // namespace vcl

namespace imaging {

class TImageKitPaletteDialog : public vcl::TForm {
public:
    static constexpr int32_t CellSize = 16;
    static constexpr int32_t CellsPerRow = 32;

    explicit TImageKitPaletteDialog(vcl::TComponent* owner);

    // The colours to show. The array is not copied: it must outlive the dialog's use.
    void SetPalette(const TIKColorTriple* palette, int32_t count);
    // Shows the dialog modally; true when a colour was picked, which ChosenColor then holds.
    bool Execute();
    // The colour of the cell picked last (red in the low byte).
    vcl::TColor ChosenColor() const { return FChosenColor; }

    int32_t SelectedCell() const { return FSelected; }
    vcl::TButton* CancelButton() const { return FCancelButton; }
    // The cell under a client point, or -1 over empty grid space.
    int32_t CellAt(int32_t x, int32_t y) const;
    // The rectangle cell i is drawn in (right and bottom exclusive).
    static vcl::TRect CellRect(int32_t index);

private:
    void PaintCells(vcl::TObject* sender);
    void GridMouseMove(vcl::TObject* sender, vcl::TShiftState shift, int32_t x, int32_t y);
    void GridClick(vcl::TObject* sender);
    void FormKeyDown(vcl::TObject* sender, uint16_t& key, vcl::TShiftState shift);
    void Select(int32_t index);
    void Pick();

    int32_t FSelected = -1;
    const TIKColorTriple* FPalette = nullptr;
    int32_t FCount = 0;
    vcl::TButton* FCancelButton = nullptr;
    vcl::TColor FChosenColor = 0;
    vcl::TPaintBox* FGrid = nullptr;
};

} // namespace imaging

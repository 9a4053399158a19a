// The palette picker: a form built in code with a paint box for the cells and a Cancel button.
#include "imaging/core/IKPaletteDialog.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/user/Keys.h"

namespace imaging {

TImageKitPaletteDialog::TImageKitPaletteDialog(vcl::TComponent* owner) : vcl::TForm(owner) {
    SetBorderIcons({vcl::biSystemMenu});
    SetBorderStyle(vcl::bsDialog);
    SetCaption("");
    SetBounds(GetLeft(), GetTop(), 539, 199);
    SetPosition(vcl::poScreenCenter);
    // The form sees the keys before its button, so arrows and Enter work on the grid.
    SetKeyPreview(true);
    OnKeyDown = [this](vcl::TObject* s, uint16_t& key, vcl::TShiftState shift) {
        FormKeyDown(s, key, shift);
    };

    // The grid covers the client area, so its coordinates are the form's; the button lies above it.
    FGrid = new vcl::TPaintBox(this);
    FGrid->SetParent(this);
    FGrid->SetAlign(vcl::alClient);
    FGrid->OnPaint = [this](vcl::TObject* s) { PaintCells(s); };
    FGrid->OnMouseMove = [this](vcl::TObject* s, vcl::TShiftState shift, int32_t x, int32_t y) {
        GridMouseMove(s, shift, x, y);
    };
    FGrid->OnClick = [this](vcl::TObject* s) { GridClick(s); };

    FCancelButton = new vcl::TButton(this);
    FCancelButton->SetParent(this);
    FCancelButton->SetCaption("&Cancel");
    FCancelButton->SetModalResult(vcl::mrCancel);
    FCancelButton->SetCancel(true);
    FCancelButton->SetLeft(8);
    FCancelButton->SetTop(144);
}

void TImageKitPaletteDialog::SetPalette(const TIKColorTriple* palette, int32_t count) {
    FPalette = palette;
    FCount = palette != nullptr && count > 0 ? count : 0;
    if (FSelected >= FCount)
        FSelected = -1;
    FGrid->Invalidate();
}

bool TImageKitPaletteDialog::Execute() {
    return ShowModal() == vcl::mrOk;
}

vcl::TRect TImageKitPaletteDialog::CellRect(int32_t index) {
    const int32_t left = CellSize * (index % CellsPerRow) + 1;
    const int32_t top = CellSize * (index / CellsPerRow) + 1;
    return {left, top, left + CellSize - 1, top + CellSize - 1};
}

int32_t TImageKitPaletteDialog::CellAt(int32_t x, int32_t y) const {
    // Points left of or above the first cell, and right of the last column, are outside the grid: they
    // must not wrap into a neighbouring row.
    if (x < 1 || y < 1)
        return -1;
    const int32_t column = (x - 1) / CellSize;
    const int64_t index = int64_t((y - 1) / CellSize) * CellsPerRow + column;
    if (column >= CellsPerRow || index >= FCount)
        return -1;
    return int32_t(index);
}

void TImageKitPaletteDialog::PaintCells(vcl::TObject*) {
    vcl::TCanvas* canvas = FGrid->GetCanvas();
    for (int32_t i = 0; i < FCount; ++i) {
        const TIKColorTriple& c = FPalette[i];
        canvas->GetBrush()->SetColor(vcl::TColor(c.R | (c.G << 8) | (c.B << 16)));
        canvas->GetPen()->SetColor(i == FSelected ? vcl::clBlack : vcl::clWhite);
        const vcl::TRect r = CellRect(i);
        canvas->Rectangle(r.Left, r.Top, r.Right, r.Bottom);
    }
}

void TImageKitPaletteDialog::Select(int32_t index) {
    if (index < 0 || index >= FCount || index == FSelected)
        return;
    FSelected = index;
    FGrid->Invalidate();
}

void TImageKitPaletteDialog::GridMouseMove(vcl::TObject*, vcl::TShiftState, int32_t x, int32_t y) {
    Select(CellAt(x, y));
}

void TImageKitPaletteDialog::Pick() {
    // Nothing to pick before the pointer or a key selected a cell: the click is ignored.
    if (FSelected < 0 || FSelected >= FCount)
        return;
    const TIKColorTriple& c = FPalette[FSelected];
    FChosenColor = vcl::TColor(c.R | (c.G << 8) | (c.B << 16));
    SetModalResult(vcl::mrOk);
}

void TImageKitPaletteDialog::GridClick(vcl::TObject*) {
    // The click that ends the dialog also selects the cell under the pointer, in case no move came first.
    const vcl::TPoint p = FGrid->ScreenToClient(vcl::Mouse->GetCursorPos());
    Select(CellAt(p.X, p.Y));
    Pick();
}

void TImageKitPaletteDialog::FormKeyDown(vcl::TObject*, uint16_t& key, vcl::TShiftState) {
    int32_t step = 0;
    switch (key) {
    case win::VK_LEFT:
        step = -1;
        break;
    case win::VK_RIGHT:
        step = 1;
        break;
    case win::VK_UP:
        step = -CellsPerRow;
        break;
    case win::VK_DOWN:
        step = CellsPerRow;
        break;
    case win::VK_RETURN:
        if (FSelected >= 0) {
            Pick();
            key = 0;
        }
        return;
    default:
        return;
    }
    key = 0;
    if (FCount == 0)
        return;
    if (FSelected < 0) {
        Select(0);
        return;
    }
    Select(FSelected + step);
}

} // namespace imaging

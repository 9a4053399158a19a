// The transparent-colour picker.
#include "app/PaletteForm.h"

#include "app/GifMainForm.h"
#include "controls/FcButton.h"
#include "controls/FcListView.h"
#include "controls/FcRadioCheck.h"
#include "gif/GifDocument.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/gdi/Edges.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace app {

TfrmPalette::TfrmPalette(vcl::TComponent* owner) : vcl::TForm(owner) {
    InitInheritedComponent(typeid(TfrmPalette));
    // The picture's box goes to the right of the grid; the form fits the two, the spacer for the buttons
    // below them.
    sbPreview->SetBounds(pbPalette->GetLeft() + pbPalette->GetWidth() + 8, pbPalette->GetTop(), sbPreview->GetWidth(),
                         sbPreview->GetHeight());
    bevBottom->SetVisible(true);
    SetClientHeight(pbPalette->GetTop() + pbPalette->GetHeight() + 8 + shpSpacer->GetHeight() + 8);
    SetClientWidth(sbPreview->GetLeft() + sbPreview->GetWidth() + 8);
    lblCaption->SetCaption("Select a color from the color swatches or click on the image.");
    SetCaption("Transparent Color");
    FormCreate(this);
}

TfrmPalette::~TfrmPalette() = default;

void TfrmPalette::FormCreate(vcl::TObject*) {
    pbImage->SetCursor(vcl::crHandPoint);
    SelectedIndex = 0;
    FrameIndex = 0;
}

int32_t TfrmPalette::EntryCount() const { return ColorTable ? ColorTable->GetEntryCount() : 0; }

int32_t TfrmPalette::CellAt(int32_t x, int32_t y) {
    // Only inside the cells' square: a point at 243 would otherwise count as the next row's first cell.
    if (x < HitFirst || x >= HitEnd || y < HitFirst || y >= HitEnd)
        return -1;
    return (x - HitFirst) / CellSize + ((y - HitFirst) / CellSize) * CellsPerRow;
}

void TfrmPalette::PlaceMarker(int32_t index) {
    if (index < 0)
        return;
    const int32_t row = index / CellsPerRow, column = index % CellsPerRow;
    shpPicker->SetBounds(pbPalette->GetLeft() + column * CellSize + 1, pbPalette->GetTop() + row * CellSize + 1,
                         shpPicker->GetWidth(), shpPicker->GetHeight());
    shpPicker->SetVisible(true);
}

void TfrmPalette::CenterImage() {
    vcl::TControlScrollBar* horz = sbPreview->GetHorzScrollBar();
    vcl::TControlScrollBar* vert = sbPreview->GetVertScrollBar();
    horz->SetPosition(0);
    vert->SetPosition(0);
    const int32_t width = FrameBitmap->GetWidth(), height = FrameBitmap->GetHeight();
    const int32_t clientWidth = sbPreview->GetClientWidth(), clientHeight = sbPreview->GetClientHeight();
    const int32_t left = clientWidth < width ? horz->GetMargin() : (clientWidth - width) / 2;
    const int32_t top = clientHeight < height ? vert->GetMargin() : (clientHeight - height) / 2;
    pbImage->SetBounds(left, top, width, height);
}

void TfrmPalette::FormShow(vcl::TObject*) {
    if (Document && !Document->GetEmpty() && FrameIndex != -1) {
        try {
            gif::TGifFrame* frame = Document->Frame(FrameIndex);
            FrameBitmap = frame->FrameBitmap();
            CenterImage();
            auto table = std::make_unique<TCmdColorMap>();
            gif::TGifColorMap* local = frame->GetLocalColorMap();
            table->Assign(local->GetEntryCount() > 0 ? static_cast<gif::TGifColorMap*>(local)
                                                      : static_cast<gif::TGifColorMap*>(Document->GlobalColorMap()));
            ColorTable = std::move(table);
            if (gif::TGifGraphicControlExtension* gce = frame->GetControlExtension();
                gce && frame->GetTransparentFrame()) {
                SelectedIndex = gce->GetTransparentIndex();
                SelectedColor = vcl::TColor(gce->GetTransparentColorValue());
            }
        } catch (const std::exception&) {
            // A frame that cannot be shown leaves the grid empty; the dialog still answers.
        }
    }
    PlaceMarker(SelectedIndex);
}

void TfrmPalette::pbPalettePaint(vcl::TObject*) {
    const int32_t count = EntryCount();
    if (count == 0)
        return;
    vcl::TCanvas* canvas = pbPalette->GetCanvas();
    const vcl::TRect clip = canvas->GetClipRect();
    const int32_t gridWidth = pbPalette->GetWidth(), gridHeight = pbPalette->GetHeight();
    const vcl::TColor gridColor = pbPalette->GetColor();
    for (int32_t row = std::max(0, (clip.Top - 1) / CellSize); row * CellSize + 1 < gridHeight; ++row)
        for (int32_t column = std::max(0, (clip.Left - 1) / CellSize); column * CellSize + 1 < gridWidth;
             ++column) {
            win::RECT cell{column * CellSize + 1, row * CellSize + 1, column * CellSize + 1 + CellSize,
                           row * CellSize + 1 + CellSize};
            const int32_t index = row * CellsPerRow + column;
            if (column < CellsPerRow && index < count) {
                win::DrawEdge(canvas->GetHandle(), &cell, win::EDGE_SUNKEN, win::BF_RECT | win::BF_ADJUST);
                canvas->GetBrush()->SetColor(vcl::TColor(ColorTable->EntryColor(index)));
            } else {
                canvas->GetBrush()->SetColor(gridColor);
            }
            canvas->FillRect(cell);
        }
    win::RECT all{0, 0, gridWidth, gridHeight};
    win::DrawEdge(canvas->GetHandle(), &all, win::EDGE_SUNKEN, win::BF_RECT);
}

void TfrmPalette::pbPaletteMouseMove(vcl::TObject*, vcl::TShiftState, int32_t x, int32_t y) {
    const int32_t index = CellAt(x, y);
    pbPalette->SetCursor(index >= 0 && index < EntryCount() ? vcl::crHandPoint : vcl::crDefault);
}

void TfrmPalette::pbPaletteMouseDown(vcl::TObject*, vcl::TMouseButton button, vcl::TShiftState, int32_t x,
                                     int32_t y) {
    if (button != vcl::mbLeft || EntryCount() == 0)
        return;
    const int32_t index = CellAt(x, y);
    if (index < 0 || index >= EntryCount())
        return;
    SelectedIndex = index;
    PlaceMarker(index);
    SelectedColor = vcl::TColor(ColorTable->EntryColor(index));
    pbImage->Invalidate();
}

void TfrmPalette::pbImagePaint(vcl::TObject*) {
    if (!FrameBitmap)
        return;
    vcl::TCanvas* canvas = pbImage->GetCanvas();
    const vcl::TRect rect{0, 0, FrameBitmap->GetWidth(), FrameBitmap->GetHeight()};
    canvas->GetBrush()->SetColor(pbImage->GetColor());
    canvas->FillRect(rect);
    // The picked colour shows as the background.
    canvas->BrushCopy(rect, FrameBitmap, rect, SelectedColor);
    canvas->MoveTo(rect.Left, rect.Top);
    canvas->LineTo(rect.Right - 1, rect.Top);
    canvas->LineTo(rect.Right - 1, rect.Bottom - 1);
    canvas->LineTo(rect.Left, rect.Bottom - 1);
    canvas->LineTo(rect.Left, rect.Top);
}

void TfrmPalette::pbImageMouseDown(vcl::TObject*, vcl::TMouseButton button, vcl::TShiftState, int32_t x,
                                   int32_t y) {
    if (button != vcl::mbLeft || !FrameBitmap || x < 0 || y < 0 || x >= FrameBitmap->GetWidth() ||
        y >= FrameBitmap->GetHeight())
        return;
    const vcl::TColor color = FrameBitmap->GetCanvas()->GetPixel(x, y);
    SelectedIndex = ColorTable ? ColorTable->FindColorIndex(gif::TGifColor(color)) : -1;
    SelectedColor = color;
    pbImage->Invalidate();
    PlaceMarker(SelectedIndex);
}

// ---- The main window's "Select Color..." ----------------------------------------------------------------

namespace {

// Makes the frame's colour the transparent one: by index when the table has it, else by colour, which the
// frame's table finds or takes in. A table without room for the colour raises, and the frame stays as it
// was. Returns whether anything changed.
bool SetFrameTransparentColor(gif::TGifGraphicControlExtension* gce, int32_t index, vcl::TColor color) {
    if (index < 0) {
        gif::TGifColorMap* map = gce->GetFrame() ? gce->GetFrame()->EffectiveColorMap() : nullptr;
        const int32_t found = map ? map->FindColorIndex(gif::TGifColor(color)) : -1;
        if (found < 0) {
            gce->SetTransparentColorValue(gif::TGifColor(color));
            gce->SetTransparentFlag(true);
            gce->SetDisposalMethod(gif::dpRestoreBackground);
            return true;
        }
        index = found;
    }
    if (gce->GetTransparentIndex() == index && gce->GetTransparentFlag())
        return false;
    gce->SetTransparentIndex(index);
    gce->SetTransparentFlag(true);
    gce->SetDisposalMethod(gif::dpRestoreBackground);
    return true;
}

} // namespace

void TfrmGifMain::btnSelectTransColorClick(vcl::TObject*) {
    const std::vector<int32_t> rows = SelectedRows();
    if (rows.empty())
        return;
    const int32_t first = rows.front();
    // Row 0 stands for the whole animation; another row for its own frame.
    const bool animation = first == 0;
    if (first >= Document->FrameCount())
        return;
    const bool wasPlaying = Playing;
    if (wasPlaying)
        StopPreview(true);
    auto* form = [this] {
        THourglass hourglass;
        return new TfrmPalette(this);
    }();
    vcl::TryFinally(
        [&] {
            form->Document = Document;
            form->FrameIndex = first;
            if (animation) {
                form->SelectedIndex = int32_t(shpTransColor->GetTag());
                form->SelectedColor = shpTransColor->GetBrush()->GetColor();
            }
            if (form->ShowModal() != vcl::mrOk)
                return;
            const vcl::TColor color = form->SelectedColor;
            int32_t index = form->SelectedIndex;
            if (animation) {
                Document->GetHeader()->SetBackgroundByColor(gif::TGifColor(color));
                vcl::TListItems* items = lvFiles->GetItems();
                for (int32_t i = 0; i < Document->FrameCount(); ++i) {
                    if (i < items->Count() && RowFlag(items->GetItem(i)) != 0)
                        continue;
                    try {
                        gif::TGifGraphicControlExtension* gce = Document->Frame(i)->GetControlExtension();
                        if (!gce)
                            continue;
                        gce->SetTransparentColorValue(gif::TGifColor(color));
                        gce->SetTransparentFlag(true);
                        gce->SetDisposalMethod(gif::dpRestoreBackground);
                        Modified = true;
                        if (index < 0 && i == 0)
                            index = gce->GetTransparentIndex();
                    } catch (const std::exception&) {
                        // A frame whose table has no room for the colour keeps what it had.
                    }
                }
            } else {
                gif::TGifFrame* frame = Document->Frame(first);
                if (!frame->GetControlExtension())
                    SetFrameDelay(frame, 0);
                try {
                    gif::TGifGraphicControlExtension* gce = frame->GetControlExtension();
                    if (SetFrameTransparentColor(gce, index, color))
                        Modified = true;
                    index = gce->GetTransparentIndex();
                } catch (const std::exception&) {
                    // No room for the colour in the frame's table: the frame keeps what it had.
                }
                SetRowFlag(lvFiles->GetItems()->GetItem(first), 1);
            }
            // The swatch never keeps "not in the table": it holds the index the frames now use.
            shpTransColor->GetBrush()->SetColor(color);
            shpTransColor->SetTag(std::max(index, 0));
        },
        [&] {
            form->Free();
            SettingTransparency = true;
            chkAnimationTrans->SetChecked(Document->GetTransparent());
            SettingTransparency = false;
            RefreshPreviewWindow();
            if (wasPlaying)
                PlayPreview();
        });
}

void RegisterPaletteFormClass() {
    using F = TfrmPalette;
    vcl::DefineFormClass<F, vcl::TForm>()
        .Field("pbPalette", &F::pbPalette)
        .Field("shpPicker", &F::shpPicker)
        .Field("lblCaption", &F::lblCaption)
        .Field("sbPreview", &F::sbPreview)
        .Field("pbImage", &F::pbImage)
        .Field("bevTop", &F::bevTop)
        .Field("bevBottom", &F::bevBottom)
        .Field("shpSpacer", &F::shpSpacer)
        .Field("btnOK", &F::btnOK)
        .Field("btnCancel", &F::btnCancel)
        .Method("FormShow", &F::FormShow)
        .Method("pbPalettePaint", &F::pbPalettePaint)
        .Method("pbPaletteMouseMove", &F::pbPaletteMouseMove)
        .Method("pbPaletteMouseDown", &F::pbPaletteMouseDown)
        .Method("pbImagePaint", &F::pbImagePaint)
        .Method("pbImageMouseDown", &F::pbImageMouseDown);
    vcl::RegisterClass<F>("TfrmPalette");
}

} // namespace app

// The main window's frame list: one row per frame of the document, empty frames included, so that row i
// always stands for frame i. A row shows "Frame n - file", the frame's size and keeps a flag: 1 when the
// frame has a transparent colour of its own.
#include "app/GifMainForm.h"

#include "app/FrameSizeForm.h"
#include "bars/xbBar.h"
#include "bars/xbBarPopupMenu.h"
#include "controls/FcListView.h"
#include "gif/GifDocument.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace app {

std::string FrameRowCaption(const std::string& caption, int32_t n) {
    std::string result = "Frame " + std::to_string(n);
    const size_t at = caption.find(" - ");
    if (at != std::string::npos)
        result += caption.substr(at);
    return result;
}

// The flag lives in the row's data word itself: nothing to allocate, nothing to release.
uint8_t TfrmGifMain::RowFlag(vcl::TListItem* item) {
    return item ? uint8_t(reinterpret_cast<uintptr_t>(item->GetData()) & 1) : 0;
}

void TfrmGifMain::SetRowFlag(vcl::TListItem* item, uint8_t value) {
    if (item)
        item->SetData(reinterpret_cast<void*>(uintptr_t(value ? 1 : 0)));
}

std::string TfrmGifMain::FrameSizeText(int32_t index) const {
    try {
        gif::TGifFrame* frame = Document->Frame(index);
        if (!frame)
            return "Unknown";
        const vcl::TRect r = frame->FrameRect();
        return std::to_string(r.Width()) + " x " + std::to_string(r.Height());
    } catch (const std::exception&) {
        return "Unknown";
    }
}

vcl::TListItem* TfrmGifMain::InsertFrameRow(int32_t index, const std::string& name) {
    vcl::TListItems* items = lvFiles->GetItems();
    vcl::TListItem* item = index < 0 || index >= items->Count() ? items->Add() : items->Insert(index);
    const int32_t position = item->GetIndex();
    SetRowFlag(item, 0);
    item->SetCaption("Frame " + std::to_string(position + 1) + " - " + name);
    item->GetSubItems()->Add(FrameSizeText(position));
    return item;
}

void TfrmGifMain::ClearFrameRows() {
    if (!lvFiles)
        return;
    vcl::TListItems* items = lvFiles->GetItems();
    for (int32_t i = 0; i < items->Count(); ++i)
        SetRowFlag(items->GetItem(i), 0);
    items->Clear();
}

void TfrmGifMain::FillFrameRows() {
    vcl::TListItems* items = lvFiles->GetItems();
    items->BeginUpdate();
    try {
        ClearFrameRows();
        const std::string name = vcl::ExtractFileName(FileName);
        for (int32_t i = 0; i < Document->FrameCount(); ++i)
            InsertFrameRow(-1, name);
    } catch (...) {
        items->EndUpdate();
        throw;
    }
    items->EndUpdate();
}

void TfrmGifMain::NameFrameRows(const std::string& name) {
    vcl::TListItems* items = lvFiles->GetItems();
    for (int32_t i = 0; i < items->Count(); ++i)
        items->GetItem(i)->SetCaption("Frame " + std::to_string(i + 1) + " - " + name);
}

void TfrmGifMain::RefreshFrameSizeTexts() {
    vcl::TListItems* items = lvFiles->GetItems();
    for (int32_t i = 0; i < items->Count(); ++i) {
        vcl::TStrings* sub = items->GetItem(i)->GetSubItems();
        if (sub->Count() > 0)
            sub->Put(0, FrameSizeText(i));
    }
}

void TfrmGifMain::RenumberFrameRows() {
    vcl::TListItems* items = lvFiles->GetItems();
    for (int32_t i = 0; i < items->Count(); ++i) {
        vcl::TListItem* item = items->GetItem(i);
        item->SetCaption(FrameRowCaption(item->GetCaption(), i + 1));
    }
}

void TfrmGifMain::SelectAllFrames() { lvFiles->SelectAll(); }

void TfrmGifMain::lvFilesDblClick(vcl::TObject*) {
    if (vcl::TListItem* item = lvFiles->GetSelected())
        SetRowFlag(item, RowFlag(item) ? 0 : 1);
}

namespace {

// Posted by a right press on the list: the list selects the row pressed after the press's event, and the
// menu opens once it has.
constexpr win::UINT WM_POPUPFRAMES = win::WM_APP + 1;

} // namespace

void TfrmGifMain::lvFilesMouseDown(vcl::TObject*, vcl::TMouseButton button, vcl::TShiftState, int32_t, int32_t) {
    if (miFrameRemove)
        miFrameRemove->SetEnabled(lvFiles->GetItems()->Count() > 1 && lvFiles->GetSelected() != nullptr);
    if (button == vcl::mbRight && pumFrames)
        win::PostMessage(GetHandle(), WM_POPUPFRAMES, 0, 0);
}

void TfrmGifMain::PopupFrameMenu() {
    if (!pumFrames || !lvFiles)
        return;
    if (miFrameRemove)
        miFrameRemove->SetEnabled(lvFiles->GetItems()->Count() > 1 && lvFiles->GetSelected() != nullptr);
    // The entries are the command items themselves: a chosen entry reaches DispatchCommand by its tag.
    pumFrames->PopupAtCursor();
}

void TfrmGifMain::WndProc(vcl::TMessage& message) {
    if (message.Msg == WM_POPUPFRAMES) {
        PopupFrameMenu();
        return;
    }
    vcl::TForm::WndProc(message);
}

// ---- Frame commands ----------------------------------------------------------------------------------------
// Inserting image files and the frames of other animations, removing and moving frames: each changes the
// document and the rows together, so that row i stays frame i.

namespace {

constexpr const char* InsertFilter =
    "All (*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf|"
    "GIF Image (*.gif)|*.gif|JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|"
    "Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|";

} // namespace

int32_t TfrmGifMain::InsertPosition() const {
    vcl::TListItem* first = lvFiles->GetSelected();
    if (!first)
        return 0;
    return std::min(first->GetIndex() + 1, lvFiles->GetItems()->Count() - 1);
}

int32_t TfrmGifMain::CheckFrameSize(vcl::TBitmap* bitmap) {
    if (lvFiles->GetItems()->Count() == 0)
        return 0;
    // A pixel more in either direction is let through: the picture sits on the screen as it is.
    if (bitmap->GetWidth() <= Document->GetWidth() + 1 && bitmap->GetHeight() <= Document->GetHeight() + 1)
        return 0;
    bool trim = false;
    const int32_t answer = AskFrameSizeAction(trim, false);
    if (answer == vcl::mrOk)
        FitFrameSize(Document, bitmap, trim);
    return answer;
}

int32_t TfrmGifMain::AddCheckedFrame(vcl::TBitmap* bitmap, int32_t index) {
    if (Document->FrameCount() > 0 && CheckFrameSize(bitmap) == vcl::mrCancel)
        return -1;
    return AddBitmapFrame(Document, bitmap, index);
}

void TfrmGifMain::InsertFrames() {
    dlgOpen2->SetOptions(vcl::TOpenOptions{vcl::ofAllowMultiSelect, vcl::ofHideReadOnly, vcl::ofPathMustExist,
                                           vcl::ofFileMustExist, vcl::ofEnableSizing});
    dlgOpen2->SetInitialDir(ImageFolder);
    dlgOpen2->SetFilter(InsertFilter);
    if (!dlgOpen2->Execute())
        return;
    std::vector<std::string> files;
    vcl::TStrings* chosen = dlgOpen2->GetFiles();
    for (int32_t i = 0; i < chosen->Count(); ++i)
        files.push_back(chosen->Get(i));
    if (files.empty())
        files.push_back(dlgOpen2->GetFileName());
    ImageFolder = vcl::ExtractFilePath(files.front());
    // No painter plays the frames while they change.
    StopPreview(true);
    vcl::TListItems* items = lvFiles->GetItems();
    auto hourglass = std::make_unique<THourglass>();
    vcl::TryFinally(
        [&] {
            for (const std::string& file : files) {
                const int32_t type = ImageFileTypeIndex(file);
                if (type == 0) {
                    Scratch->SetPaintOptions(gif::TGifPaintOptions{});
                    Scratch->LoadFromFile(file);
                    if (IsAnimatedGif(Scratch)) {
                        InsertAnimatedGif(file);
                        Modified = true;
                        continue;
                    }
                }
                auto bitmap = std::make_unique<vcl::TBitmap>();
                if (LoadImageFileToBitmap(file, bitmap.get(), type) == -1)
                    continue;
                const int32_t d = AddCheckedFrame(bitmap.get(), InsertPosition());
                if (d == -1)
                    continue;
                // A new first frame takes over the transparent colour of the frame it pushed down, when that
                // frame has one (a frame without a control extension has none).
                // A full table without that colour leaves the new frame opaque.
                if (d == 0 && Document->FrameCount() > 1) {
                    gif::TGifGraphicControlExtension* next = Document->Frame(1)->GetControlExtension();
                    if (next && next->GetTransparentFlag()) {
                        try {
                            gif::TGifFrame* first = Document->Frame(0);
                            if (!first->GetControlExtension())
                                SetFrameDelay(first, 100);
                            gif::TGifGraphicControlExtension* gce = first->GetControlExtension();
                            gce->SetTransparentColorValue(next->GetTransparentColorValue());
                            gce->SetTransparentFlag(true);
                        } catch (const std::exception&) {
                        }
                    }
                }
                SetFrameDelay(Document->Frame(d), 100);
                Modified = true;
                InsertFrameRow(d, vcl::ExtractFileName(file));
                RenumberFrameRows();
                // The new row alone is selected, so the next file goes after it: the chosen files keep
                // their order.
                lvFiles->ClearSelection();
                items->GetItem(d)->SetSelected(true);
            }
        },
        [&] {
            hourglass.reset();
            HasDocument = items->Count() > 0;
            // A frame-size fit may have cropped frames.
            RefreshFrameSizeTexts();
        });
}

void TfrmGifMain::InsertAnimatedGif(const std::string& file) {
    const std::string name = vcl::ExtractFileName(file);
    vcl::TListItems* items = lvFiles->GetItems();
    if (!HasDocument) {
        if (!LoadGifFile(Document, file))
            return;
        HasDocument = true;
        ShowLoopCount();
        items->BeginUpdate();
        vcl::TryFinally(
            [&] {
                ClearFrameRows();
                for (int32_t i = 0; i < Document->FrameCount(); ++i)
                    InsertFrameRow(-1, name);
            },
            [&] { items->EndUpdate(); });
        return;
    }
    Scratch->SetPaintOptions(gif::TGifPaintOptions{});
    Scratch->LoadFromFile(file);
    for (int32_t j = 0; j < Scratch->FrameCount(); ++j) {
        const int32_t i = AddBitmapFrame(Document, Scratch->Frame(j)->FrameBitmap(), Document->FrameCount());
        if (i == -1)
            continue;
        InsertFrameRow(i, name);
    }
    RenumberFrameRows();
}

void TfrmGifMain::RemoveFrames() {
    vcl::TListItems* items = lvFiles->GetItems();
    vcl::TListItem* first = lvFiles->GetSelected();
    if (!first)
        return;
    if (items->Count() == 1 || lvFiles->GetSelCount() == items->Count()) {
        vcl::MessageBox(GetHandle(), "The image must have at least one frame.", "Can't Delete Frame",
                        vcl::MB_OK | vcl::MB_ICONWARNING);
        return;
    }
    StopPreview(true);
    const int32_t next = std::max(first->GetIndex() - 1, 0);
    for (int32_t i = items->Count() - 1; i >= 0; --i) {
        vcl::TListItem* item = items->GetItem(i);
        if (!item->GetSelected())
            continue;
        Modified = true;
        FreeFrameAt(Document, i);
        SetRowFlag(item, 0);
        items->Delete(i);
    }
    RenumberFrameRows();
    if (next < items->Count())
        items->GetItem(next)->SetSelected(true);
    UpdateCommandStates();
}

void TfrmGifMain::MoveSelectedFrame(bool down) {
    vcl::TListItems* items = lvFiles->GetItems();
    vcl::TListItem* first = lvFiles->GetSelected();
    if (!first)
        return;
    const int32_t p = first->GetIndex(), q = down ? p + 1 : p - 1;
    if (q < 0 || q >= items->Count() || q >= Document->FrameCount())
        return;
    StopPreview(true);
    MoveFrame(p, q, Document);
    // The rows swap what they show, each keeping its number.
    vcl::TListItem* rowP = items->GetItem(p);
    vcl::TListItem* rowQ = items->GetItem(q);
    const std::string captionP = rowP->GetCaption(), captionQ = rowQ->GetCaption();
    const std::string sizeP = rowP->GetSubItems()->Count() > 0 ? rowP->GetSubItems()->Get(0) : "";
    const std::string sizeQ = rowQ->GetSubItems()->Count() > 0 ? rowQ->GetSubItems()->Get(0) : "";
    const uint8_t flagP = RowFlag(rowP), flagQ = RowFlag(rowQ);
    rowP->SetCaption(FrameRowCaption(captionQ, p + 1));
    rowQ->SetCaption(FrameRowCaption(captionP, q + 1));
    auto setSize = [](vcl::TListItem* row, const std::string& size) {
        if (row->GetSubItems()->Count() > 0)
            row->GetSubItems()->Put(0, size);
        else
            row->GetSubItems()->Add(size);
    };
    setSize(rowP, sizeQ);
    setSize(rowQ, sizeP);
    SetRowFlag(rowP, flagQ);
    SetRowFlag(rowQ, flagP);
    rowP->SetSelected(false);
    rowQ->SetSelected(true);
    Modified = true;
}

} // namespace app

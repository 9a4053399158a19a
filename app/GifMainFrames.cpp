// The main window's frame list: one row per frame of the document, empty frames included, so that row i
// always stands for frame i. A row shows "Frame n - file", the frame's size and keeps a flag: 1 when the
// frame has a transparent colour of its own.
#include "app/GifMainForm.h"

#include "bars/xbBar.h"
#include "controls/FcListView.h"
#include "gif/GifDocument.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/SysUtils.h"

#include <cstdint>
#include <exception>

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

void TfrmGifMain::lvFilesMouseDown(vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int32_t, int32_t) {
    if (miFrameRemove)
        miFrameRemove->SetEnabled(lvFiles->GetItems()->Count() > 1 && lvFiles->GetSelected() != nullptr);
    // The right button pops up the frame menu once the bar library's popup menus exist.
}

} // namespace app

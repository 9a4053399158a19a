#include "gif/GifHeader.h"

#include "gif/GifDocument.h"

namespace gif {

TGifHeader::TGifHeader(TGifDocument* image)
    : TGifItem(image), FGlobalColorMap(std::make_unique<TGifGlobalColorMap>(this)) {}

TGifHeader::~TGifHeader() = default;

void TGifHeader::Assign(vcl::TPersistent* source) {
    if (source == this)
        return;
    if (auto* header = dynamic_cast<TGifHeader*>(source)) {
        FGlobalColorMap->Assign(header->FGlobalColorMap.get());
        FScreenDescriptor = header->FScreenDescriptor;
        return;
    }
    if (auto* map = dynamic_cast<TGifColorMap*>(source)) {
        ResetScreen();
        FGlobalColorMap->Assign(map);
        return;
    }
    TGifItem::Assign(source);
}

uint8_t TGifHeader::RequiredVersion() const {
    return FGlobalColorMap->GetSortedFlag() || FScreenDescriptor.AspectRatio != 0 ? 2 : 1;
}

void TGifHeader::ResetScreen() {
    FGlobalColorMap->RemoveAll();
    FScreenDescriptor = {};
}

TGifColor TGifHeader::BackgroundColorValue() {
    return FGlobalColorMap->EntryColor(FScreenDescriptor.BackgroundIndex);
}

void TGifHeader::SetBackgroundIndex(int32_t index) {
    int32_t count = FGlobalColorMap->GetEntryCount();
    if (index < 0 || index > 255 || (count > 0 && index >= count)) {
        ReportIssue(1, "Invalid color index");
        index = 0;
    }
    FScreenDescriptor.BackgroundIndex = uint8_t(index);
}

void TGifHeader::SetBackgroundByColor(TGifColor color) {
    SetBackgroundIndex(FGlobalColorMap->FindOrAppendColor(color));
}

int32_t TGifHeader::GlobalBitsPerPixel() const {
    return FGlobalColorMap->TableBits();
}

void TGifHeader::UpdatePackedFields() {
    uint8_t packed = 0;
    if (FGlobalColorMap->GetEntryCount() > 0) {
        packed = FGlobalColorMap->GetSortedFlag() ? 0x88 : 0x80;
        packed |= uint8_t((FGlobalColorMap->TableBits() - 1) & 7);
    }
    int32_t resolution = FOwnerImage ? FOwnerImage->MaxColorResolution() : GlobalColorResolution();
    if (resolution > 0)
        packed |= uint8_t((resolution << 4) & 0x70);
    FScreenDescriptor.PackedFields = packed;
}

} // namespace gif

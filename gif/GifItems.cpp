#include "gif/GifItems.h"

#include "gif/GifDocument.h"
#include "platform/vcl/Streams.h"

namespace gif {

void TGifItem::ReportIssue(int32_t severity, const std::string& message) {
    if (FOwnerImage)
        FOwnerImage->ReportIssue(this, severity, message);
}

void TGifItem::WriteToFile(const std::string& fileName) {
    vcl::SaveFileSafely(fileName, [this](vcl::TStream& stream) { SaveToStream(&stream); });
}

void TGifItem::ReadFromFile(const std::string& fileName) {
    vcl::TFileStream stream(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
    LoadFromStream(&stream);
}

TGifList::~TGifList() {
    FreeAll();
}

void TGifList::ReportIssue(int32_t severity, const std::string& message) {
    if (FImage)
        FImage->ReportIssue(this, severity, message);
}

void TGifList::WriteItems(vcl::TStream* stream) {
    for (int32_t i = 0; i < ItemCount(); ++i)
        ItemAt(i)->SaveToStream(stream);
}

void TGifList::RemoveItem(TGifItem* item) {
    int32_t index = FItems.IndexOf(item);
    if (index >= 0)
        FItems.Delete(index);
}

void TGifList::FreeItemAt(int32_t index) {
    TGifItem* item = ItemAt(index);
    FItems.Delete(index);
    delete item;
}

void TGifList::FreeAll() {
    while (ItemCount() > 0)
        FreeItemAt(ItemCount() - 1);
}

TGifFrame* TGifFrameList::FrameAt(int32_t index) const {
    return static_cast<TGifFrame*>(ItemAt(index));
}

TGifExtension* TGifExtensionList::ExtensionAt(int32_t index) const {
    return static_cast<TGifExtension*>(ItemAt(index));
}

void TGifTrailer::SaveToStream(vcl::TStream* stream) {
    WriteStreamByte(stream, ';');
}

void TGifTrailer::LoadFromStream(vcl::TStream* stream) {
    int32_t b = ReadStreamByte(stream);
    if (b >= 0 && b != ';')
        ReportIssue(1, "Invalid Image trailer");
}

} // namespace gif

#include "platform/vcl/Graphic.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/Streams.h"

#include <cstring>
#include <typeinfo>

namespace vcl {

TGraphic::~TGraphic() {
    NotifyDestroy();
}

void TGraphic::BeforeDestruction() {
    TPersistent::BeforeDestruction();
    NotifyDestroy();
}

uint32_t TGraphic::AddDestroyListener(TGraphicDestroyListener listener) {
    const uint32_t token = FNextListenerToken++;
    if (listener)
        FDestroyListeners.push_back({token, std::move(listener)});
    return token;
}

void TGraphic::RemoveDestroyListener(uint32_t token) {
    std::erase_if(FDestroyListeners, [token](const TDestroyListener& l) { return l.Token == token; });
}

void TGraphic::NotifyDestroy() {
    if (FDestroyNotified)
        return;
    FDestroyNotified = true;
    // Each listener is taken out of the list before it runs, so one that removes itself or others (or
    // adds a new one) never makes this loop call a listener twice or one that was removed.
    while (!FDestroyListeners.empty()) {
        TDestroyListener next = std::move(FDestroyListeners.front());
        FDestroyListeners.erase(FDestroyListeners.begin());
        try {
            next.Listener(this);
        } catch (...) {
            // A destructor cannot let an exception out; the other listeners are still told.
        }
    }
}

void TGraphic::DefineProperties(TFiler* filer) {
    filer->DefineBinaryProperty(
        "Data", [this](TStream* stream) { ReadData(stream); }, [this](TStream* stream) { WriteData(stream); },
        !GetEmpty());
}

void TGraphic::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const std::string& fileName) {
    SaveFileSafely(fileName, [this](TStream& stream) { SaveToStream(&stream); });
}

bool TGraphic::Equals(TGraphic* graphic) {
    if (!graphic || typeid(*graphic) != typeid(*this))
        return false;
    if (GetEmpty() || graphic->GetEmpty())
        return GetEmpty() && graphic->GetEmpty();
    TMemoryStream mine, theirs;
    WriteData(&mine);
    graphic->WriteData(&theirs);
    return mine.GetSize() == theirs.GetSize() &&
           std::memcmp(mine.Memory(), theirs.Memory(), size_t(mine.GetSize())) == 0;
}

void TGraphic::LoadFromClipboardFormat(uint16_t, win::HANDLE, win::HPALETTE) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::SaveToClipboardFormat(uint16_t&, win::HANDLE&, win::HPALETTE&) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::SetTransparent(bool value) {
    if (SetIfChanged(FTransparent, value))
        Changed(this);
}

void TGraphic::SetModified(bool value) {
    if (value)
        Changed(this);
    else
        FModified = false;
}

void TGraphic::Changed(TObject*) {
    FModified = true;
    if (OnChange)
        OnChange(this);
}

void TGraphic::Progress(TObject* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                        const TRect& r, const std::string& msg) {
    if (OnProgress)
        OnProgress(sender, stage, percentDone, redrawNow, r, msg);
}

} // namespace vcl

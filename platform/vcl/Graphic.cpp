#include "platform/vcl/Graphic.h"

#include "platform/vcl/Streams.h"

namespace vcl {

void TGraphic::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const std::string& fileName) {
    SaveFileSafely(fileName, [this](TStream& stream) { SaveToStream(&stream); });
}

void TGraphic::SetTransparent(bool value) {
    if (value == FTransparent)
        return;
    FTransparent = value;
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

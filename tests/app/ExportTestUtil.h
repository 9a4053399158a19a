// Small documents for the export tests: a logical screen with a global table of four colours and frames
// with their control extensions.
#pragma once

#include "gif/GifDocument.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Forms.h"
#include "tests/gif/GifTestUtil.h"

#include <memory>

namespace exporttest {

// Colours as 0x00RRGGBB.
constexpr uint32_t Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF, White = 0xFFFFFF;

// A document of w x h whose global table is red, green, blue, white (the background is index 0, red).
inline std::unique_ptr<gif::TGifDocument> ExportDocument(int w, int h) {
    auto doc = std::make_unique<gif::TGifDocument>();
    for (vcl::TColor c : {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF})
        doc->GlobalColorMap()->AppendColor(c);
    doc->GetHeader()->ScreenDescriptor().Width = uint16_t(w);
    doc->GetHeader()->ScreenDescriptor().Height = uint16_t(h);
    return doc;
}

// Appends a graphic control extension to the frame: delay, disposal and a transparent index (-1: none).
inline gif::TGifGraphicControlExtension* Control(gif::TGifFrame* frame, int delay, int disposal = 1,
                                                 int transparent = -1) {
    auto* gce = new gif::TGifGraphicControlExtension(frame);
    frame->GetExtensionList()->AppendItem(gce);
    gce->SetDelayTime(uint16_t(delay));
    gce->SetDisposalMethod(uint8_t(disposal));
    if (transparent >= 0) {
        gce->SetTransparentFlag(true);
        gce->SetTransparentIndex(uint8_t(transparent));
        frame->SetTransparentFrame(true);
    }
    return gce;
}

// The form of class F shown now, or nullptr.
template <typename F> F* FindForm() {
    for (int i = 0; i < vcl::Screen->GetFormCount(); ++i)
        if (auto* form = dynamic_cast<F*>(vcl::Screen->GetForm(i)))
            return form;
    return nullptr;
}

// A click at the middle of the control.
inline void ClickControl(headless::HeadlessScreen& screen, vcl::TControl* control) {
    screen.InjectClick(control->ClientToScreen({control->GetWidth() / 2, control->GetHeight() / 2}));
}

} // namespace exporttest

// GUI-bitmap storage of TIKBitmap: the rows of a class-library TBitmap.
#include "imaging/core/IKBitmap.h"

#include "platform/vcl/Exceptions.h"

namespace imaging {

namespace {

[[noreturn]] void GuiUnavailable() {
    throw vcl::EInvalidOperation("GUI bitmap storage is not available");
}

} // namespace

void TIKBitmap::GuiSetup() {
    GuiUnavailable();
}

void TIKBitmap::GuiRebuildRowTable() {
    FRowTable.clear();
}

void TIKBitmap::GuiRelease(bool keepBitmap) {
    FRowTable.clear();
    if (!keepBitmap)
        FGuiBitmap = nullptr;
}

void TIKBitmap::GuiResize(int32_t, int32_t) {
    GuiUnavailable();
}

void TIKBitmap::UpdateTBitmapPalette() {}

vcl::TCanvas* TIKBitmap::Canvas() {
    GuiUnavailable();
}

void TIKBitmap::AttachTBitmap(vcl::TBitmap* bitmap, bool freeFirst) {
    if (freeFirst)
        FreeImage();
    if (bitmap)
        GuiUnavailable();
}

} // namespace imaging

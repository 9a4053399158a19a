#include "platform/vcl/ImgList.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Scope.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>

namespace vcl {

TChangeLink::~TChangeLink() {
    if (FSender)
        FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
    if (OnChange)
        OnChange(FSender);
}

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {
    Recreate();
}

TCustomImageList::TCustomImageList(TComponent* owner, int32_t width, int32_t height)
    : TComponent(owner), FWidth(width), FHeight(height) {
    Recreate();
}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* link : FLinks)
        link->SetSender(nullptr);
    if (FHandle)
        win::ImageList_Destroy(FHandle);
}

void TCustomImageList::Recreate() {
    if (FHandle)
        win::ImageList_Destroy(FHandle);
    FHandle = win::ImageList_Create(FWidth, FHeight, win::ILC_COLOR32 | (FMasked ? win::ILC_MASK : 0),
                                    FAllocBy, FAllocBy);
    if (!FHandle)
        throw EInvalidOperation("Invalid image size");
    win::ImageList_SetBkColor(FHandle,
                              FBkColor == clNone ? win::CLR_NONE : win::COLORREF(ColorToRGB(FBkColor)));
}

int32_t TCustomImageList::GetCount() const {
    return win::ImageList_GetImageCount(FHandle);
}

void TCustomImageList::SetWidth(int32_t value) {
    if (value == FWidth)
        return;
    if (value <= 0)
        throw EInvalidOperation("Invalid image size");
    FWidth = value;
    Recreate();
    Change();
}

void TCustomImageList::SetHeight(int32_t value) {
    if (value == FHeight)
        return;
    if (value <= 0)
        throw EInvalidOperation("Invalid image size");
    FHeight = value;
    Recreate();
    Change();
}

void TCustomImageList::SetMasked(bool value) {
    if (!SetIfChanged(FMasked, value))
        return;
    Recreate();
    Change();
}

void TCustomImageList::SetBkColor(TColor value) {
    if (!SetIfChanged(FBkColor, value))
        return;
    win::ImageList_SetBkColor(FHandle, value == clNone ? win::CLR_NONE : win::COLORREF(ColorToRGB(value)));
    Change();
}

void TCustomImageList::CheckIndex(int32_t index) const {
    if (index < 0 || index >= GetCount())
        throw EInvalidOperation("Invalid ImageList Index");
}

int32_t TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
    if (!image)
        return -1;
    int32_t r = win::ImageList_Add(FHandle, image->GetHandle(), mask ? mask->GetHandle() : nullptr);
    if (r < 0)
        throw EInvalidOperation("Failed to add the image");
    Change();
    return r;
}

int32_t TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
    if (!image)
        return -1;
    int32_t r = win::ImageList_AddMasked(FHandle, image->GetHandle(), win::COLORREF(ColorToRGB(maskColor)));
    if (r < 0)
        throw EInvalidOperation("Failed to add the image");
    Change();
    return r;
}

void TCustomImageList::Replace(int32_t index, TBitmap* image, TBitmap* mask) {
    CheckIndex(index);
    if (!image ||
        !win::ImageList_Replace(FHandle, index, image->GetHandle(), mask ? mask->GetHandle() : nullptr))
        throw EInvalidOperation("Failed to replace the image");
    Change();
}

void TCustomImageList::Delete(int32_t index) {
    CheckIndex(index);
    win::ImageList_Remove(FHandle, index);
    Change();
}

void TCustomImageList::Clear() {
    win::ImageList_Remove(FHandle, -1);
    Change();
}

void TCustomImageList::Draw(TCanvas* canvas, int32_t x, int32_t y, int32_t index, bool enabled) {
    if (!canvas || index < 0 || index >= GetCount())
        return;
    win::HDC dc = canvas->GetHandle();
    if (enabled) {
        win::ImageList_Draw(FHandle, index, dc, x, y, win::ILD_NORMAL);
        return;
    }
    // Greyed: every opaque pixel in the highlight colour one pixel down and right, then in the shadow
    // colour in place.
    std::vector<win::COLORREF> colors(size_t(FWidth) * size_t(FHeight));
    std::vector<win::BYTE> transparent(colors.size());
    win::ImageList_GetPixels(FHandle, index, colors.data(), transparent.data());
    win::COLORREF highlight = win::GetSysColor(win::COLOR_BTNHIGHLIGHT);
    win::COLORREF shadow = win::GetSysColor(win::COLOR_BTNSHADOW);
    auto dark = [&](size_t i) {
        // Light pixels of the image leave no mark, as on a button face.
        win::COLORREF c = colors[i];
        int lum = (int(c & 0xFF) * 30 + int((c >> 8) & 0xFF) * 59 + int((c >> 16) & 0xFF) * 11) / 100;
        return !transparent[i] && lum < 192;
    };
    for (int32_t py = 0; py < FHeight; ++py)
        for (int32_t px = 0; px < FWidth; ++px)
            if (dark(size_t(py) * size_t(FWidth) + size_t(px)))
                win::SetPixelV(dc, x + px + 1, y + py + 1, highlight);
    for (int32_t py = 0; py < FHeight; ++py)
        for (int32_t px = 0; px < FWidth; ++px)
            if (dark(size_t(py) * size_t(FWidth) + size_t(px)))
                win::SetPixelV(dc, x + px, y + py, shadow);
}

void TCustomImageList::GetBitmap(int32_t index, TBitmap* image) {
    if (!image || index < 0 || index >= GetCount())
        return;
    image->SetSize(FWidth, FHeight);
    TCanvas* c = image->GetCanvas();
    c->GetBrush()->SetColor(FBkColor == clNone ? TColor(clWindow) : FBkColor);
    c->FillRect({0, 0, FWidth, FHeight});
    win::ImageList_Draw(FHandle, index, c->GetHandle(), 0, 0, win::ILD_TRANSPARENT);
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
    if (!link || std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end())
        return;
    link->SetSender(this);
    FLinks.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
    auto it = std::find(FLinks.begin(), FLinks.end(), link);
    if (it == FLinks.end())
        return;
    (*it)->SetSender(nullptr);
    FLinks.erase(it);
}

void TCustomImageList::Change() {
    for (TChangeLink* link : std::vector<TChangeLink*>(FLinks))
        link->Change();
    if (OnChange)
        OnChange(this);
}

} // namespace vcl

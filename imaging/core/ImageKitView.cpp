// The single-image view: construction, layers and the legacy bitmap, Update and the scroll bars, the
// messages and keys it answers.
#include "imaging/core/ImageKitView.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKWorkBitmaps.h"
#include "imaging/core/ImageKitProc.h"
#include "imaging/io/IOComponent.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/ScrollBars.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace imaging {

// ---- TIKLayer ---------------------------------------------------------------------------------------------

TIKLayer::TIKLayer(TIKBitmap* bitmap, bool useGiven) {
    if (useGiven || !bitmap) {
        Bitmap = bitmap ? bitmap : new TIKBitmap();
        return;
    }
    auto* made = new TIKBitmap();
    if (bitmap->GetStorage() == ikbsGuiBitmap && bitmap->GetTBitmap()) {
        auto wrapped = std::make_unique<vcl::TBitmap>();
        wrapped->SetPixelFormat(bitmap->GetTBitmap()->GetPixelFormat());
        wrapped->SetSize(bitmap->Width(), bitmap->Height());
        made->AttachTBitmap(wrapped.get(), false);
        FWrapped = std::move(wrapped);
    } else {
        made->SetStorageKind(bitmap->GetStorage());
        made->Allocate(bitmap->Width(), bitmap->Height(), bitmap->PixelFormat());
    }
    Bitmap = made;
}

vcl::TBitmap* TIKLayer::MakeWrapped() {
    FWrapped = std::make_unique<vcl::TBitmap>();
    return FWrapped.get();
}

TIKLayer::~TIKLayer() {
    if (OwnsBitmap)
        delete Bitmap;
}

// ---- Construction -----------------------------------------------------------------------------------------

TImageKitView::TImageKitView(vcl::TComponent* owner) : TIKView(owner) {
    FLegacyBitmap = std::make_unique<vcl::TBitmap>();
    FLegacyBitmap->SetPixelFormat(vcl::pf24bit);
    FCurrent = new TIKBitmap();
    FCurrent->AttachTBitmap(FLegacyBitmap.get(), false);
    FLegacy = FLegacyBitmap.get();
    FLayers.push_back(std::make_unique<TIKLayer>(FCurrent, true));
    FImageWidth = FCurrent->Width();
    FImageHeight = FCurrent->Height();
    FDrawDib = IKDrawDibOpen();
    IKInstallViewCursors();
    TIKView::SetCursor(FViewCursor);
    TIKView::SetBounds(FLeft, FTop, 105, 105);
    SetDpi(IKDisplay().DpiX, IKDisplay().DpiY);
    FVScrollParams = std::make_unique<TIKScrollBarParams>();
    FHScrollParams = std::make_unique<TIKScrollBarParams>();
    FWheelParams = std::make_unique<TIKMouseWheelParams>();
    CreateSelectionMachinery();
    if (!IsDesigning()) {
        FBackBuffer = std::make_unique<vcl::TBitmap>();
        FBackBuffer->SetPixelFormat(vcl::pf24bit);
    }
}

TImageKitView::~TImageKitView() {
    // No outline tick reaches a view being taken apart.
    FOutlineTimer.reset();
    // The I/O component heard that the view goes (BeforeDestruction); it is freed before the image it used.
    if (FIO) {
        TImageKitIO* io = std::exchange(FIO, nullptr);
        io->Free();
    }
    if (FProc) {
        TImageKitProc* proc = std::exchange(FProc, nullptr);
        proc->Free();
    }
    IKDrawDibClose(FDrawDib);
    // Every layer owns its bitmap; the legacy bitmap of layer 0 is the view's and goes last.
    FLayers.clear();
    FCurrent = nullptr;
}

bool TImageKitView::IsDesigning() const {
    return GetComponentState().Contains(vcl::csDesigning);
}

bool TImageKitView::IsRuntime() const {
    return !IsDesigning();
}

// ---- The image --------------------------------------------------------------------------------------------

TIKBitmap* TImageKitView::GetAlphaChannel() {
    return FCurrent->GetAlphaChannel();
}

bool TImageKitView::HasAlphaChannel() {
    return FCurrent->HasAlphaChannel();
}

void TImageKitView::MergeAlphaWithBackground(bool merge) {
    if (merge && FCurrent->PixelFormat() == ikbf24Bit && FCurrent->HasAlphaChannel()) {
        TIKBitmap* alpha = FCurrent->GetAlphaChannel();
        const uint32_t bg = uint32_t(vcl::ColorToRGB(FBackground));
        // B, G, R of the background, in pixel order.
        const int32_t back[3] = {int32_t((bg >> 16) & 0xFF), int32_t((bg >> 8) & 0xFF), int32_t(bg & 0xFF)};
        const int32_t h = std::min(FCurrent->Height(), alpha->Height());
        const int32_t w = std::min(FCurrent->Width(), alpha->Width());
        std::vector<uint8_t> alphaRow(size_t(std::max(alpha->RowLength(), 0)));
        for (int32_t y = 0; y < h; ++y) {
            // Mapped storage keeps one row address valid at a time: the alpha row is copied first.
            std::copy_n(alpha->ScanLine(y), alphaRow.size(), alphaRow.begin());
            uint8_t* row = FCurrent->ScanLine(y);
            for (int32_t x = 0; x < w; ++x) {
                const int32_t a = alphaRow[size_t(x)];
                for (int32_t c = 0; c < 3; ++c) {
                    uint8_t& p = row[3 * size_t(x) + size_t(c)];
                    // Floor division of a possibly negative product, taken modulo 256.
                    const int32_t d = (int32_t(p) - back[c]) * a;
                    const int32_t q = d >= 0 ? d / 256 : -((-d + 255) / 256);
                    p = uint8_t(back[c] + q);
                }
            }
        }
    }
    FCurrent->RemoveAlphaChannel();
}

void TImageKitView::Clear() {
    FCurrent->Fill(vcl::ColorToRGB(FBackground));
    MergeAlphaWithBackground(false);
    Update();
}

void TImageKitView::Assign(vcl::TPersistent* source) {
    if (!source) {
        Clear();
        return;
    }
    if (auto* view = dynamic_cast<TImageKitView*>(source)) {
        if (view == this)
            return;
        FCurrent->Assign(view->FCurrent);
        FBackground = view->FBackground;
        SetDpi(view->GetDpiX(), view->GetDpiY());
        Update();
        ImageChanged();
        return;
    }
    if (auto* bitmap = dynamic_cast<vcl::TBitmap*>(source)) {
        const vcl::TPixelFormat pf = bitmap->GetPixelFormat();
        if (pf == vcl::pf1bit || pf == vcl::pf24bit || FCurrent->GetStorage() != ikbsGuiBitmap) {
            FCurrent->Assign(bitmap);
        } else {
            // A class-library bitmap keeps only 1 or 24 bits for the view: other layouts come as 24 bits.
            vcl::TBitmap copy;
            copy.Assign(bitmap);
            copy.SetPixelFormat(vcl::pf24bit);
            FCurrent->Assign(&copy);
        }
        if (FCurrent->PixelFormat() != ikbf1Bit && FCurrent->PixelFormat() != ikbf24Bit)
            FCurrent->SetPixelFormat(ikbf24Bit);
        Update();
        ImageChanged();
    }
}

void TImageKitView::ImageChanged() {
    if (OnImageChange)
        OnImageChange(this);
}

bool TImageKitView::IsEmpty() {
    return FCurrent->Width() <= 1 && FCurrent->Height() <= 1;
}

TIKLayer* TImageKitView::Layers(int32_t index) const {
    if (index < 0 || index >= int32_t(FLayers.size()))
        throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FLayers[size_t(index)].get();
}

void TImageKitView::SetCurrentLayer(int32_t index) {
    if (index < 0 || index >= int32_t(FLayers.size()))
        return;
    FLayers[size_t(FCurrentLayer)]->Bitmap = FCurrent;
    FCurrentLayer = index;
    FCurrent = FLayers[size_t(index)]->Bitmap;
    vcl::TBitmap* wrapped = FCurrent->GetStorage() == ikbsGuiBitmap ? FCurrent->GetTBitmap() : nullptr;
    FLegacyMode = FLegacyMode && wrapped;
    FLegacy = FLegacyMode ? wrapped : nullptr;
    NotifyListeners();
    Update();
}

void TImageKitView::SetLegacyBitmap(bool value) {
    if (value == FLegacyMode)
        return;
    if (!value) {
        // The pixels move to a mapped temporary file; the class-library bitmap stays the view's (layer 0) or
        // its layer's and is no longer shown to anyone.
        FCurrent->SetStorageKind(ikbsMappedFile);
        FLegacy = nullptr;
    } else {
        // The pixels move into a class-library bitmap that stays the view's (layer 0) or the layer's, so that
        // loads into the image reuse it and it never goes while it is shown.
        TIKLayer* layer = FLayers[size_t(FCurrentLayer)].get();
        vcl::TBitmap* target = layer == FLayers[0].get() ? FLegacyBitmap.get() : layer->MakeWrapped();
        TIKBitmap copy;
        copy.SetStorageKind(ikbsMemory);
        copy.Assign(FCurrent);
        if (copy.PixelFormat() != ikbf1Bit && copy.PixelFormat() != ikbf24Bit)
            copy.SetPixelFormat(ikbf24Bit);
        target->SetPixelFormat(copy.PixelFormat() == ikbf1Bit ? vcl::pf1bit : vcl::pf24bit);
        target->SetSize(0, 0);
        FCurrent->AttachTBitmap(target, true);
        if (copy.Width() > 0 && copy.Height() > 0) {
            FCurrent->Allocate(copy.Width(), copy.Height(), copy.PixelFormat());
            copy.CopyRegionTo(FCurrent, 0, 0, copy.Width(), copy.Height(), 0, 0);
            if (copy.HasAlphaChannel())
                FCurrent->GetAlphaChannel()->Assign(copy.GetAlphaChannel());
        }
        FLegacy = target;
    }
    FLegacyMode = value;
    NotifyListeners();
    Update();
}

void TImageKitView::RewrapLegacy() {
    vcl::TBitmap* legacy = FLegacy;
    if (!legacy)
        return;
    const vcl::TPixelFormat pf = legacy->GetPixelFormat();
    if (pf != vcl::pf1bit && pf != vcl::pf24bit) {
        // A paletted image the view's own bitmap already holds stays as it is; anything else drawn into the
        // bitmap from outside is shown in 24 bits.
        const TIKBitmapFormat f = FCurrent->PixelFormat();
        if (pf == vcl::pf8bit && FCurrent->GetTBitmap() == legacy && FCurrent->Width() == legacy->GetWidth() &&
            FCurrent->Height() == legacy->GetHeight() &&
            (f == ikbf8Bit || f == ikbf8BitGray || f == ikbf16BitGray))
            return;
        legacy->SetPixelFormat(vcl::pf24bit);
    }
    FCurrent->AttachTBitmap(legacy, false);
}

void TImageKitView::SyncLayers() {
    if (FLegacyMode)
        RewrapLegacy();
    FLayers[size_t(FCurrentLayer)]->Bitmap = FCurrent;
    int32_t w = FLayers[0]->Bitmap->Width(), h = FLayers[0]->Bitmap->Height();
    for (size_t i = 1; i < FLayers.size(); ++i) {
        w = std::max(w, FLayers[i]->Bitmap->Width());
        h = std::max(h, FLayers[i]->Bitmap->Height());
    }
    FImageWidth = w;
    FImageHeight = h;
    const int32_t fill = vcl::ColorToRGB(FBackground);
    for (const auto& layer : FLayers) {
        TIKBitmap* b = layer->Bitmap;
        if (b->Width() != w || b->Height() != h) {
            // The new area is transparent, so the layers below show through it.
            b->GetAlphaChannel();
            b->ResizeCanvas(w, h, fill, 0, 0, 0);
        }
        if (b->HasAlphaChannel()) {
            TIKBitmap* alpha = b->GetAlphaChannel();
            if (alpha->Width() != w || alpha->Height() != h)
                alpha->ResizeCanvas(w, h, 0, 0, 0, 0);
        }
    }
}

TImageKitIO* TImageKitView::GetIO() {
    if (!FIO) {
        FIO = new TImageKitIO(this);
        FIO->SetAttachedImageKit(this);
        FIO->OnProgress = FOnProgress;
    }
    return FIO;
}

TImageKitProc* TImageKitView::GetProc() {
    if (!FProc) {
        FProc = new TImageKitProc(this);
        FProc->SetAttachedImageKit(this);
        FProc->OnProgress = FOnProgress;
    }
    return FProc;
}

void TImageKitView::SetOnProgress(TIKProgressEvent value) {
    FOnProgress = std::move(value);
    if (FIO)
        FIO->OnProgress = FOnProgress;
    if (FProc)
        FProc->OnProgress = FOnProgress;
}

void TImageKitView::SetBackground(int32_t value) {
    TIKView::SetBackground(value);
    // A view read from a layout has an image of its size in its background (SetBounds): a background read
    // after the size fills it again, so that the order of the values does not matter.
    const vcl::TComponentState state = GetComponentState();
    if (IsDesigning() || state.Contains(vcl::csReading) || state.Contains(vcl::csLoading))
        Clear();
    Update();
    ImageChanged();
}

void TImageKitView::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    TIKView::SetBounds(left, top, width, height);
    const vcl::TComponentState state = GetComponentState();
    if (state.Contains(vcl::csReading) || state.Contains(vcl::csLoading) || state.Contains(vcl::csDesigning)) {
        FCurrent->SetWidth(FWidth);
        FCurrent->SetHeight(FHeight);
        Clear();
    }
}

// ---- Properties -------------------------------------------------------------------------------------------

void TImageKitView::SetZoomFilter(TResampleFilter value) {
    FSavedZoomFilter = value;
    if (vcl::SetIfChanged(FZoomFilter, value))
        Update();
}

void TImageKitView::SetScrollBars(vcl::TScrollStyle value) {
    FScrollBars = value;
    if (HandleAllocated()) {
        if (value != vcl::ssVertical && value != vcl::ssBoth) {
            win::ShowScrollBar(FHandle, win::SB_VERT, win::FALSE);
            FVertBarShown = false;
        }
        if (value != vcl::ssHorizontal && value != vcl::ssBoth) {
            win::ShowScrollBar(FHandle, win::SB_HORZ, win::FALSE);
            FHorzBarShown = false;
        }
    }
    Update();
}

void TImageKitView::SetCenter(bool value) {
    if (vcl::SetIfChanged(FCenter, value))
        Update();
}

void TImageKitView::SetBackgroundStyle(TIKBackgroundStyle value) {
    FBackgroundStyle = value;
    Invalidate();
    Update();
}

void TImageKitView::SetEnableAlphaChannel(bool value) {
    FEnableAlphaChannel = value;
    Update();
}

void TImageKitView::SetCursor(vcl::TCursor value) {
    FViewCursor = value;
    TIKView::SetCursor(value);
}

void TImageKitView::SetDisplayGrid(bool value) {
    if (vcl::SetIfChanged(FDisplayGrid, value)) {
        FBackBufferDirty = true;
        FFullRepaint = true;
        Invalidate();
    }
}

void TImageKitView::SetChessboardSize(int32_t value) {
    if (vcl::SetIfChanged(FChessSize, std::max(value, 1))) {
        FBackBufferDirty = true;
        FFullRepaint = true;
        Invalidate();
    }
}

void TImageKitView::SetChessboardBrushStyle(vcl::TBrushStyle value) {
    if (vcl::SetIfChanged(FChessBrushStyle, value)) {
        FBackBufferDirty = true;
        FFullRepaint = true;
        Invalidate();
    }
}

// ---- Painting locks and Update ----------------------------------------------------------------------------

void TImageKitView::LockPaint() {
    ++FPaintLock;
}

void TImageKitView::UnlockPaint() {
    FPaintLock = std::max(FPaintLock - 1, 0);
    if (FPaintLock == 0)
        Update();
}

void TImageKitView::UnlockPaintNoUpdate() {
    FPaintLock = std::max(FPaintLock - 1, 0);
}

bool TImageKitView::HasParentWindow() {
    return vcl::GetParentForm(this) != nullptr || GetParentWindow() != nullptr;
}

int32_t TImageKitView::ClientWidthOrDefault() {
    return HasParentWindow() ? GetClientWidth() : 50;
}

int32_t TImageKitView::ClientHeightOrDefault() {
    return HasParentWindow() ? GetClientHeight() : 50;
}

void TImageKitView::ViewChanged(int32_t change) {
    if (OnViewChange)
        OnViewChange(this, change);
}

void TImageKitView::Update() {
    const vcl::TComponentState state = GetComponentState();
    if (!(state.Empty() || state == vcl::TComponentState{vcl::csDesigning} ||
          state == vcl::TComponentState{vcl::csFreeNotification}))
        return;
    const bool designing = IsDesigning();
    if (designing && !HasParentWindow())
        return;
    // A scroll bar that appears or vanishes changes the client area, and with it the bars: the steps run
    // again then, at most 9 times, so that two sizes that toggle each other cannot loop for ever.
    for (int pass = 0; pass < 9; ++pass) {
        SyncLayers();
        if ((FAutoStretch || FAutoShrink || FAutoFit) && FImageWidth != 0 && FImageHeight != 0) {
            int32_t ix = 0, iy = 0;
            BackgroundInset(ix, iy);
            double zoom = FImageWidth <= 1 && FImageHeight <= 1
                              ? 100.0
                              : AutoZoom(ClientWidthOrDefault() - 2 * ix, ClientHeightOrDefault() - 2 * iy,
                                         FAutoShrink || FAutoFit, FAutoStretch || FAutoFit);
            if (zoom < 1)
                zoom = 1;
            FZoom = zoom;
            FScale = zoom / 100.0;
            FInvScale = 100.0 / zoom;
            ViewChanged(ikvcZoomed);
        }
        if (FCurrent->Width() != FSyncWidth || FCurrent->Height() != FSyncHeight) {
            FSyncWidth = FCurrent->Width();
            FSyncHeight = FCurrent->Height();
            SyncSelectionMask();
            if (FCurrent->HasAlphaChannel()) {
                TIKBitmap* alpha = FCurrent->GetAlphaChannel();
                if (alpha->Width() != FSyncWidth || alpha->Height() != FSyncHeight) {
                    alpha->Allocate(FSyncWidth, FSyncHeight, ikbf8BitGray);
                    alpha->Fill(255);
                }
            }
        }
        if (designing)
            break;
        const int32_t clientWidth = GetClientWidth(), clientHeight = GetClientHeight();
        UpdateScrollBars();
        if (GetClientWidth() == clientWidth && GetClientHeight() == clientHeight)
            break;
    }

    // Far in, the zoomed size stays within 32 bits.
    const auto zoomed = [](double size) {
        return std::isfinite(size) ? int32_t(std::clamp(std::nearbyint(size), 0.0, double(INT32_MAX))) : 0;
    };
    FZoomedWidth = zoomed(FImageWidth * FScale);
    FZoomedHeight = zoomed(FScale * FImageHeight);
    FOffsetX = FOffsetY = 0;
    const int32_t cw = designing ? FWidth : GetClientWidth();
    const int32_t ch = designing ? FHeight : GetClientHeight();
    FExtentX = std::min(FZoomedWidth, cw);
    FExtentY = std::min(FZoomedHeight, ch);
    if (!designing && FCenter) {
        if (FExtentX < cw)
            FOffsetX = (cw - FExtentX) / 2;
        if (FExtentY < ch)
            FOffsetY = (ch - FExtentY) / 2;
    }
    FBackBufferDirty = true;
    FFullRepaint = true;
    if (HasParentWindow() && !FSuppressInvalidate && FInvalidateOnUpdate)
        Invalidate();
}

void TImageKitView::UpdateScrollBars() {
    int32_t maxX = 0, maxY = 0;
    GetMaxViewXY(maxX, maxY);
    const int32_t x = std::clamp(FViewX, 0, maxX), y = std::clamp(FViewY, 0, maxY);
    if (x != FViewX || y != FViewY) {
        FViewX = x;
        FViewY = y;
        ViewChanged(ikvcScrolled);
    }
    if (!HasParentWindow() || !HandleAllocated())
        return;
    // The view works without its bars when the window system refuses them.
    try {
        if (FScrollBars == vcl::ssHorizontal || FScrollBars == vcl::ssBoth)
            UpdateScrollBar(win::SB_HORZ, maxX, GetClientWidth(), FViewX, FHThumbFactor, FHorzBarShown);
        if (FScrollBars == vcl::ssVertical || FScrollBars == vcl::ssBoth)
            UpdateScrollBar(win::SB_VERT, maxY, GetClientHeight(), FViewY, FVThumbFactor, FVertBarShown);
    } catch (...) {
    }
}

void TImageKitView::UpdateScrollBar(int bar, int32_t maxOrigin, int32_t clientSize, int32_t origin,
                                    double& factor, bool& shown) {
    if (maxOrigin < 1) {
        if (FKeepDisabledBars) {
            win::ShowScrollBar(FHandle, bar, win::TRUE);
            win::EnableScrollBar(FHandle, win::UINT(bar), win::ESB_DISABLE_BOTH);
        } else {
            win::ShowScrollBar(FHandle, bar, win::FALSE);
        }
        shown = false;
        return;
    }
    shown = true;
    factor = (double(clientSize) + maxOrigin) / 65536.0;
    win::SetScrollRange(FHandle, bar, 0, 65535, win::FALSE);
    win::SCROLLINFO info;
    info.fMask = win::SIF_PAGE;
    info.nPage = win::UINT(std::max<int64_t>(int64_t(clientSize / factor), 0));
    win::SetScrollInfo(FHandle, bar, &info, win::TRUE);
    win::SetScrollPos(FHandle, bar, int(origin / factor), win::FALSE);
    win::EnableScrollBar(FHandle, win::UINT(bar), win::ESB_ENABLE_BOTH);
    win::ShowScrollBar(FHandle, bar, win::TRUE);
}

void TImageKitView::SetThumb(int bar, int32_t origin, double factor) {
    if (!HandleAllocated() || factor <= 0)
        return;
    try {
        win::SetScrollPos(FHandle, bar, int(origin / factor), win::TRUE);
    } catch (...) {
    }
}

// ---- Messages and keys ------------------------------------------------------------------------------------

void TImageKitView::WndProc(vcl::TMessage& m) {
    switch (m.Msg) {
    case win::WM_SIZE:
        TIKView::WndProc(m);
        Update();
        return;
    case win::WM_ERASEBKGND:
        // Painting covers the whole client area.
        m.Result = 0;
        return;
    case win::WM_SETFOCUS:
    case win::WM_KILLFOCUS:
        TIKView::WndProc(m);
        Invalidate();
        return;
    case IKM_REFRESHVIEW:
        Update();
        return;
    case win::WM_HSCROLL:
    case win::WM_VSCROLL:
        TIKView::WndProc(m);
        ScrollMessage(m, m.Msg == win::WM_HSCROLL);
        return;
    case win::WM_MOUSEWHEEL:
        MouseWheelMessage(m);
        return;
    case vcl::CM_WANTSPECIALKEY: {
        TIKView::WndProc(m);
        uint16_t key = uint16_t(m.WParam);
        if (key >= win::VK_PRIOR && key <= win::VK_DOWN) {
            m.Result = 1;
            KeyUp(key, vcl::KeyboardShiftState());
        }
        return;
    }
    default:
        TIKView::WndProc(m);
    }
}

void TImageKitView::KeyDown(uint16_t& key, vcl::TShiftState shift) {
    TIKView::KeyDown(key, shift);
    if (!shift.Contains(vcl::ssShift))
        return;
    if (FViewCursor == crIKCross3)
        SetCursor(crIKCross3Plus);
    else if (FViewCursor == crIKCross2)
        SetCursor(crIKCross2Plus);
}

void TImageKitView::KeyUp(uint16_t& key, vcl::TShiftState shift) {
    TIKView::KeyUp(key, shift);
    if (shift.Contains(vcl::ssShift))
        return;
    if (FViewCursor == crIKCross3Plus)
        SetCursor(crIKCross3);
    else if (FViewCursor == crIKCross2Plus)
        SetCursor(crIKCross2);
}

} // namespace imaging

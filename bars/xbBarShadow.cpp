// The drop shadow: its strips' geometry and alpha, and the strip windows.
#include "bars/xbBarShadow.h"

#include "bars/xbBarCommon.h"
#include "bars/xbBarControl.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Graphics.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/MulDiv.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

#include <utility>

namespace bars {

namespace {
// A strip with a faded end is at least depth pixels both ways, or it is not shown.
bool ShadowPartShows(const TxbShadowPartSpec& part, int32_t depth) {
    const int32_t width = part.Rect.Right - part.Rect.Left, height = part.Rect.Bottom - part.Rect.Top;
    return width > 0 && height > 0 && (!part.Faded || (width >= depth && height >= depth));
}
} // namespace

std::vector<TxbShadowPartSpec> CalcShadowParts(const win::TRect& owner, const win::TRect& window, int32_t s,
                                               bool& horizontal) {
    const bool noOwner = owner.IsEmpty();
    horizontal = noOwner || owner.Bottom == window.Top || owner.Top == window.Bottom;
    win::TRect o = owner, w = window;
    // The geometry below treats the lower (or right-hand) rectangle as the window.
    if (!noOwner && ((horizontal && owner.Top == window.Bottom) || (!horizontal && owner.Left == window.Right)))
        std::swap(o, w);
    std::vector<TxbShadowPartSpec> parts;
    auto add = [&](const win::TRect& r, int32_t kind, int32_t faded) {
        if (!r.IsEmpty() && parts.size() < 5)
            parts.push_back({r, kind, faded});
    };
    if (horizontal) {
        if (!noOwner)
            add({o.Right, o.Top + s, o.Right + s, o.Bottom}, ShadowVertical, ShadowFadeTop);
        add({w.Left + s, w.Bottom, w.Right + s, w.Bottom + s}, ShadowHorizontal, ShadowFadeLeft | ShadowFadeRight);
        bool beyondRight = false;
        if (!noOwner) {
            if (o.Left + s < w.Left)
                add({o.Left + s, o.Bottom, w.Left, o.Bottom + s}, ShadowHorizontal, ShadowFadeLeft);
            if (w.Right < o.Right) {
                add({w.Right, o.Bottom, o.Right + s, o.Bottom + s}, ShadowHorizontal, ShadowFadeRight);
                beyondRight = true;
            }
        }
        if (noOwner || o.Right < w.Right)
            add({w.Right, w.Top + s, w.Right + s, w.Bottom}, ShadowVertical, ShadowFadeTop);
        else if (beyondRight)
            // The strip under the item's uncovered part already shades the window's top corner.
            add({w.Right, w.Top + s, w.Right + s, w.Bottom}, ShadowVertical, 0);
        else
            add({w.Right, w.Top, w.Right + s, w.Bottom}, ShadowVertical, 0);
        return parts;
    }
    add({w.Right, w.Top + s, w.Right + s, w.Bottom}, ShadowVertical, ShadowFadeTop);
    if (o.Top + s < w.Top)
        add({o.Right, o.Top + s, o.Right + s, w.Top}, ShadowVertical, ShadowFadeTop);
    if (w.Bottom < o.Bottom) {
        add({o.Left + s, o.Bottom, o.Right + s, o.Bottom + s}, ShadowHorizontal, ShadowFadeLeft | ShadowFadeRight);
        add({o.Right, w.Bottom, o.Right + s, o.Bottom}, ShadowVertical, 0);
    } else {
        add({o.Left + s, o.Bottom, o.Right, o.Bottom + s}, ShadowHorizontal, ShadowFadeLeft);
    }
    // Below the window: on its own when its bottom and the item's differ (an item reaching lower already
    // shades the window's bottom-left corner), else continuing the item's strip.
    if (o.Bottom != w.Bottom)
        add({w.Left + s, w.Bottom, w.Right + s, w.Bottom + s}, ShadowHorizontal, ShadowFadeLeft | ShadowFadeRight);
    else
        add({w.Left, w.Bottom, w.Right + s, w.Bottom + s}, ShadowHorizontal, ShadowFadeRight);
    return parts;
}

std::vector<uint8_t> CalcShadowAlpha(const TxbShadowPartSpec& part, int32_t s) {
    if (!ShadowPartShows(part, s))
        return {};
    const int32_t width = part.Rect.Right - part.Rect.Left, height = part.Rect.Bottom - part.Rect.Top;
    std::vector<uint8_t> alpha(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            int32_t a = 15 * (part.Kind == ShadowVertical ? width - x : height - y);
            auto fade = [&](int32_t k) {
                if (k < s)
                    a = win::MulDiv(a, k + 1, s + 1);
            };
            if (part.Faded & ShadowFadeLeft)
                fade(x);
            if (part.Faded & ShadowFadeRight)
                fade(width - 1 - x);
            if (part.Faded & ShadowFadeTop)
                fade(y);
            alpha[size_t(y) * size_t(width) + size_t(x)] = uint8_t(a);
        }
    return alpha;
}

// ---- TxbBarShadowPart --------------------------------------------------------------------------------------------

TxbBarShadowPart::TxbBarShadowPart(TxbBarShadow* shadow, const TxbShadowPartSpec& spec)
    : vcl::TCustomControl(nullptr), FShadow(shadow), FSpec(spec) {
    SetVisible(false);
    const win::TRect& r = spec.Rect;
    SetBounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    if (!FShadow->IsLayered() || !CanShow())
        return;
    // Black with premultiplied alpha: the alpha byte alone carries the shade.
    const std::vector<uint8_t> alpha = CalcShadowAlpha(spec, FShadow->GetDepth());
    FImage = std::make_unique<vcl::TBitmap>();
    FImage->SetPixelFormat(vcl::pf32bit);
    FImage->SetSize(GetWidth(), GetHeight());
    for (int32_t y = 0; y < GetHeight(); ++y) {
        auto* row = static_cast<uint8_t*>(FImage->ScanLine(y));
        for (int32_t x = 0; x < GetWidth(); ++x) {
            row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = 0;
            row[4 * x + 3] = alpha[size_t(y) * size_t(GetWidth()) + size_t(x)];
        }
    }
}

TxbBarShadowPart::~TxbBarShadowPart() = default;

bool TxbBarShadowPart::CanShow() const { return ShadowPartShows(FSpec, FShadow->GetDepth()); }

void TxbBarShadowPart::CreateParams(vcl::TCreateParams& params) {
    vcl::TCustomControl::CreateParams(params);
    TCustomxbBarControl* owner = FShadow->GetOwner();
    params.Style = win::WS_POPUP;
    params.ExStyle = 0;
    if (FShadow->IsLayered())
        params.ExStyle |= win::WS_EX_LAYERED;
    if (owner && owner->HandleAllocated()) {
        params.WndParent = owner->GetHandle();
        if (win::GetWindowLong(owner->GetHandle(), win::GWL_EXSTYLE) & win::WS_EX_TOPMOST)
            params.ExStyle |= win::WS_EX_TOPMOST;
    }
    params.WindowClassStyle = 0;
}

void TxbBarShadowPart::WndProc(vcl::TMessage& message) {
    // Clicks go to the windows below.
    if (message.Msg == win::WM_NCHITTEST) {
        message.Result = win::HTTRANSPARENT;
        return;
    }
    vcl::TCustomControl::WndProc(message);
}

void TxbBarShadowPart::Paint() {
    const win::TRect r = GetClientRect();
    win::FillRect(GetCanvas()->GetHandle(), &r, win::GetSysColorBrush(win::COLOR_BTNSHADOW));
}

void TxbBarShadowPart::ShowPart() {
    TCustomxbBarControl* owner = FShadow->GetOwner();
    if (!CanShow() || !owner || !owner->HandleAllocated())
        return;
    HandleNeeded();
    if (FImage) {
        const win::TSize size{GetWidth(), GetHeight()};
        const win::TPoint origin{0, 0};
        win::BLENDFUNCTION blend{win::AC_SRC_OVER, 0, 255, win::AC_SRC_ALPHA};
        win::UpdateLayeredWindow(GetHandle(), nullptr, nullptr, &size, FImage->GetCanvas()->GetHandle(), &origin, 0,
                                 &blend, win::ULW_ALPHA);
    }
    // Directly behind its window.
    win::SetWindowPos(GetHandle(), owner->GetHandle(), 0, 0, 0, 0,
                      win::SWP_SHOWWINDOW | win::SWP_NOACTIVATE | win::SWP_NOMOVE | win::SWP_NOSIZE);
}

void TxbBarShadowPart::HidePart() {
    if (!HandleAllocated())
        return;
    win::ShowWindow(GetHandle(), win::SW_HIDE);
    DestroyHandle();
}

// ---- TxbBarShadow ------------------------------------------------------------------------------------------------

TxbBarShadow::TxbBarShadow(TCustomxbBarControl* owner) : FOwner(owner) {}

TxbBarShadow::~TxbBarShadow() { FreeParts(); }

bool TxbBarShadow::IsLayered() const {
    if (!UpdateLayeredWindowProc)
        return false;
    win::HDC dc = win::GetDC(nullptr);
    const int bits = win::GetDeviceCaps(dc, win::BITSPIXEL);
    win::ReleaseDC(nullptr, dc);
    return bits > 8;
}

int32_t TxbBarShadow::GetDepth() const { return IsLayered() ? 4 : 2; }

void TxbBarShadow::SetBounds(const win::TRect& ownerRect, const win::TRect& windowRect) {
    FOwnerRect = ownerRect;
    FWindowRect = windowRect;
    RebuildParts();
}

void TxbBarShadow::SetShown(bool value) {
    if (value == FShown)
        return;
    FShown = value;
    for (auto& part : FParts)
        if (value)
            part->ShowPart();
        else
            part->HidePart();
}

void TxbBarShadow::FreeParts() {
    for (auto& part : FParts)
        part->HidePart();
    FParts.clear();
}

void TxbBarShadow::RebuildParts() {
    FreeParts();
    if (FWindowRect.IsEmpty())
        return;
    for (const TxbShadowPartSpec& spec : CalcShadowParts(FOwnerRect, FWindowRect, GetDepth(), FHorizontal)) {
        FParts.push_back(std::make_unique<TxbBarShadowPart>(this, spec));
        if (FShown)
            FParts.back()->ShowPart();
    }
}

} // namespace bars

// The drop shadow of menus and floating toolbars: up to five strip windows to the right of and below a bar
// window. When the window is attached to the item that opened it (a menu below a menu-bar entry), the shadow
// also runs along the parts of the item the window does not cover, so window and item read as one shape.
// Strips are layered windows with per-pixel alpha, 4 pixels deep, where the screen has more than 8 bits per
// pixel; otherwise opaque strips 2 pixels deep in the button-shadow colour.
#pragma once

#include "platform/vcl/Controls.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vcl {
class TBitmap;
}

namespace bars {

class TCustomxbBarControl;

// Kinds of strip: shadow below something, or to its right.
inline constexpr int32_t ShadowHorizontal = 0;
inline constexpr int32_t ShadowVertical = 1;
// Faded ends of a strip.
inline constexpr int32_t ShadowFadeLeft = 1;
inline constexpr int32_t ShadowFadeRight = 2;
inline constexpr int32_t ShadowFadeTop = 4;

struct TxbShadowPartSpec {
    win::TRect Rect{};
    int32_t Kind = ShadowHorizontal;
    int32_t Faded = 0;
    bool operator==(const TxbShadowPartSpec&) const = default;
};

// The strips of a shadow depth pixels deep around window (screen bounds) beside owner (the opening item's
// screen rectangle, empty when none). horizontal tells whether window and item are stacked (or there is no
// item) rather than side by side.
std::vector<TxbShadowPartSpec> CalcShadowParts(const win::TRect& owner, const win::TRect& window, int32_t depth,
                                               bool& horizontal);
// A strip's alpha, row by row from the top: 15 per pixel of distance to the outer edge, each faded end scaled
// over its depth pixels. Empty when a faded strip is smaller than depth either way (it is never shown).
std::vector<uint8_t> CalcShadowAlpha(const TxbShadowPartSpec& part, int32_t depth);

class TxbBarShadow;

// One strip window: owned by the bar window, transparent to the mouse.
class TxbBarShadowPart : public vcl::TCustomControl {
public:
    TxbBarShadowPart(TxbBarShadow* shadow, const TxbShadowPartSpec& spec);
    ~TxbBarShadowPart() override;
    const TxbShadowPartSpec& GetSpec() const { return FSpec; }
    // Large enough to show (a strip with a faded end is at least the shadow's depth both ways).
    bool CanShow() const;
    void ShowPart();
    void HidePart();

protected:
    void CreateParams(vcl::TCreateParams& params) override;
    void WndProc(vcl::TMessage& message) override;
    void Paint() override;

private:
    TxbBarShadow* FShadow;
    TxbShadowPartSpec FSpec;
    std::unique_ptr<vcl::TBitmap> FImage;
};

class TxbBarShadow {
public:
    explicit TxbBarShadow(TCustomxbBarControl* owner);
    ~TxbBarShadow();
    TCustomxbBarControl* GetOwner() const { return FOwner; }
    // The opening item's and the window's screen rectangles; the strips are made again.
    void SetBounds(const win::TRect& ownerRect, const win::TRect& windowRect);
    bool GetShown() const { return FShown; }
    void SetShown(bool value);
    void RebuildParts();
    bool GetHorizontal() const { return FHorizontal; }
    // 4 for layered strips, 2 for opaque ones.
    int32_t GetDepth() const;
    // Strips are layered windows: UpdateLayeredWindow exists and the screen has more than 8 bits per pixel.
    bool IsLayered() const;
    int32_t GetPartCount() const { return int32_t(FParts.size()); }
    TxbBarShadowPart* GetPart(int32_t index) const { return FParts[size_t(index)].get(); }

private:
    void FreeParts();

    TCustomxbBarControl* FOwner;
    win::TRect FOwnerRect{};
    win::TRect FWindowRect{};
    bool FHorizontal = true;
    bool FShown = false;
    std::vector<std::unique_ptr<TxbBarShadowPart>> FParts;
};

} // namespace bars

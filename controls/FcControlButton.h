// A small button without a window of its own, used inside other controls: an arrow in one of four
// directions, a drop-down arrow, or a glyph. It can repeat its click while held (400 ms, then every 100 ms),
// can be flat (a border only while hot or pressed), and follows the visual style when themes are on.
#pragma once

#include "controls/FcFrames.h"
#include "platform/vcl/Controls.h"

#include <memory>

namespace vcl {
class TBitmap;
class TTimer;
} // namespace vcl

namespace controls {

enum TFcControlButtonStyle : uint8_t { cbsNone, cbsLeft, cbsUp, cbsRight, cbsDown, cbsDropDown };

class TFcControlButton : public vcl::TGraphicControl {
public:
    explicit TFcControlButton(vcl::TComponent* owner);
    ~TFcControlButton() override;

    TFcControlButtonStyle GetStyle() const { return FStyle; }
    virtual void SetStyle(TFcControlButtonStyle value);
    bool GetFlat() const { return FFlat; }
    virtual void SetFlat(bool value);
    // Owned; setting assigns a copy.
    vcl::TBitmap* GetGlyph() const { return FGlyph.get(); }
    virtual void SetGlyph(vcl::TBitmap* value);
    int32_t GetNumGlyphs() const { return FNumGlyphs; }
    virtual void SetNumGlyphs(int32_t value);
    bool GetRepeatClicks() const { return FRepeatClicks; }
    void SetRepeatClicks(bool value) { FRepeatClicks = value; }
    uint16_t GetInitialDelay() const { return FInitialDelay; }
    void SetInitialDelay(uint16_t value) { FInitialDelay = value; }
    uint16_t GetDelay() const { return FDelay; }
    void SetDelay(uint16_t value) { FDelay = value; }

    // Run-time state: drawn pressed, a left press in progress, the pointer over it; the repeat timer (null
    // until the first press with RepeatClicks).
    bool GetDown() const { return FDown; }
    bool GetTracking() const { return FTracking; }
    bool GetMouseOver() const { return FMouseOver; }
    vcl::TTimer* GetRepeatTimer() const { return FRepeatTimer.get(); }
    // Pressed, or under the pointer while enabled, or being designed.
    bool IsHot() const;

    void Click() override;
    void Dispatch(vcl::TMessage& message) override;

protected:
    void Paint() override;
    virtual void DrawButtonFace(TRect& r);
    virtual void DrawArrowButton(TRect& r);
    virtual void DrawDropDownButton(TRect& r);
    virtual void DrawGlyph(const TRect& r);
    // The glyph's width div NumGlyphs by its height.
    virtual void GetGlyphSize(win::TSize& size);
    virtual void MouseEnter();
    virtual void MouseLeave();

    void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) override;
    void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) override;

private:
    void GlyphChanged();
    void RepeatTick();
    void StopRepeat();
    // The borders without themes: R becomes their inside, filled with the face colour.
    void DrawClassicFace(TRect& r, TColor face);
    bool ThemesActive() const;

    TFcControlButtonStyle FStyle = cbsNone;
    bool FFlat = false;
    std::unique_ptr<vcl::TBitmap> FGlyph;
    int32_t FNumGlyphs = 1;
    bool FRepeatClicks = false;
    uint16_t FInitialDelay = 400;
    uint16_t FDelay = 100;
    bool FDown = false;
    bool FTracking = false;
    bool FMouseOver = false;
    std::unique_ptr<vcl::TTimer> FRepeatTimer;
    // False once the button is destroyed: a click may free the button's owner.
    std::shared_ptr<bool> FAliveToken = std::make_shared<bool>(true);
};

} // namespace controls

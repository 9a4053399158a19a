// The check box and radio button of the control set: a small glyph beside a caption, the glyph taken from a
// custom strip, from the visual style, from colour-mapped marker bitmaps (the hot-track look) or from the
// system's standard images, and the state logic of each (a radio button unchecks its siblings, a check box
// may cycle through a grayed state).
#pragma once

#include "controls/FcButton.h"
#include "controls/FcFrameController.h"
#include "platform/vcl/ActnList.h"

#include <memory>

namespace vcl {
class TBitmap;
}

namespace controls {

class TFcCustomGlyphButton : public TFcCustomButton, public IFrameControllerNotify {
public:
    explicit TFcCustomGlyphButton(vcl::TComponent* owner);
    ~TFcCustomGlyphButton() override;

    // taRightJustify: the glyph on the left and the caption on its right; taLeftJustify: the reverse.
    vcl::TAlignment GetAlignment() const { return FAlignment; }
    virtual void SetAlignment(vcl::TAlignment value);
    virtual bool GetChecked() const { return false; }
    virtual void SetChecked(bool) {}
    vcl::TBitmap* GetCustomGlyphs() const { return FCustomGlyphs.get(); }
    virtual void SetCustomGlyphs(vcl::TBitmap* value);
    bool GetUseCustomGlyphs() const { return FUseCustomGlyphs; }
    virtual void SetUseCustomGlyphs(bool value);
    TColor GetFrameColor() const { return FFrameColor; }
    virtual void SetFrameColor(TColor value);
    TColor GetDisabledColor() const { return FDisabledColor; }
    virtual void SetDisabledColor(TColor value);
    TColor GetTransparentColor() const { return FTransparentColor; }
    virtual void SetTransparentColor(TColor value);
    TColor GetWinMaskColor() const { return FWinMaskColor; }
    virtual void SetWinMaskColor(TColor value);
    bool GetTabOnEnter() const { return FTabOnEnter; }
    void SetTabOnEnter(bool value) { FTabOnEnter = value; }
    TFcFrameController* GetFrameController() const { return FFrameController; }
    virtual void SetFrameController(TFcFrameController* value);
    void SetTransparent(bool value) override;

    // The glyph's size: 13 x 13, or the custom strip's width divided by the number of states by its height.
    int32_t GetGlyphWidth() const { return FGlyphWidth; }
    int32_t GetGlyphHeight() const { return FGlyphHeight; }
    int32_t GetGlyphCount() const { return FGlyphCount; }
    // Checked is not stored while an action supplies it.
    bool IsCheckedStored();
    // Where the glyph sits in the control.
    TRect GlyphRect();
    // The alignment the class library mirrors with: left for a right-to-left control whose glyph is on the
    // left, right otherwise.
    vcl::TAlignment GetControlsAlignment() const;

    void ApplyFrameController() override;
    // A colour that would be taken for a mask (TransparentColor, WinMaskColor or grey) moved one step off:
    // RGB + 1, or 0xFFFFFE for white, which + 1 would carry into the flag byte.
    virtual TColor AvoidMaskColor(TColor color);
    // The glyph of the current state, of glyph size.
    virtual void BuildGlyph(vcl::TBitmap* bitmap) = 0;
    virtual void DrawGlyph(vcl::TCanvas* canvas);
    // bitmap becomes w x h and gets cell index of strip.
    virtual void ExtractGlyph(int32_t index, vcl::TBitmap* bitmap, int32_t h, int32_t w, vcl::TBitmap* strip);

    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
    void DefineProperties(vcl::TFiler* filer) override;
    void Dispatch(vcl::TMessage& message) override;

    // The colours of the hot-track look: the dark and light track colours and the pressed face (clWindow
    // each without full colour).
    TColor TrackDark() const;
    TColor TrackLight() const;
    TColor PressedFace() const;

protected:
    void Paint() override;
    void UpdateDisplay() override;
    void GetHotTrackRect(TRect& r) override;
    void KeyDown(uint16_t& key, vcl::TShiftState shift) override;
    // The marker bitmap resource name loaded and each marker colour replaced through map (marker colours
    // that map has no entry for stay).
    void LoadMarkerGlyph(vcl::TBitmap* bitmap, const char* resource,
                         const std::vector<std::pair<TColor, TColor>>& map);
    // Fills bitmap with the system's standard image of the button type and state flags.
    void BuildClassicGlyph(vcl::TBitmap* bitmap, win::UINT state);
    void SetGlyphCount(int32_t count);
    // The action's Checked is copied, unless only defaults are given and the control is checked already.
    void ActionChange(vcl::TObject* sender, bool checkDefaults) override;
    std::unique_ptr<vcl::TControlActionLink> CreateActionLink() override;

    void MarkBackground() { FBackgroundDirty = true; }

private:
    void StripChanged(vcl::TObject* sender);
    void UpdateGlyphSize();

    vcl::TAlignment FAlignment = vcl::taRightJustify;
    std::unique_ptr<vcl::TBitmap> FCustomGlyphs;
    bool FUseCustomGlyphs = false;
    TColor FFrameColor = vcl::clBtnShadow;
    TColor FDisabledColor = vcl::clBtnFace;
    TColor FTransparentColor = 0x008080;
    TColor FWinMaskColor = 0x00FF00;
    bool FTabOnEnter = false;
    TFcFrameController* FFrameController = nullptr;
    int32_t FGlyphCount = 6;
    int32_t FGlyphWidth = 13;
    int32_t FGlyphHeight = 13;
    std::unique_ptr<vcl::TBitmap> FBackground;
    bool FBackgroundDirty = true;
};

class TFcRadioButton : public TFcCustomGlyphButton {
public:
    explicit TFcRadioButton(vcl::TComponent* owner);
    bool GetChecked() const override { return FChecked; }
    // A change repaints and, when checked, unchecks every other radio button of the parent, then clicks.
    void SetChecked(bool value) override;
    void BuildGlyph(vcl::TBitmap* bitmap) override;
    void Dispatch(vcl::TMessage& message) override;

protected:
    void ChangeState() override;
    void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) override;
    void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) override;

private:
    bool FChecked = false;
    bool FUsingMouse = false;
};

class TFcCustomCheckBox : public TFcCustomGlyphButton {
public:
    explicit TFcCustomCheckBox(vcl::TComponent* owner);
    bool GetChecked() const override { return FState == vcl::cbChecked; }
    void SetChecked(bool value) override;
    vcl::TCheckBoxState GetState() const { return FState; }
    // A change repaints at once and clicks.
    virtual void SetState(vcl::TCheckBoxState value);
    bool GetAllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool value) { FAllowGrayed = value; }
    bool GetKeyToggle() const { return FKeyToggle; }
    void BuildGlyph(vcl::TBitmap* bitmap) override;
    void Dispatch(vcl::TMessage& message) override;

protected:
    void ChangeState() override;
    void KeyDown(uint16_t& key, vcl::TShiftState shift) override;
    void KeyUp(uint16_t& key, vcl::TShiftState shift) override;
    void DoExit() override;

private:
    vcl::TCheckBoxState FState = vcl::cbUnchecked;
    bool FAllowGrayed = false;
    bool FKeyToggle = false;
};

class TFcCheckBox : public TFcCustomCheckBox {
public:
    using TFcCustomCheckBox::TFcCustomCheckBox;
};

// Ties Checked to an action: linked while the client's Checked equals the action's.
class TFcCheckedActionLink : public vcl::TControlActionLink {
public:
    explicit TFcCheckedActionLink(vcl::TObject* client);
    bool IsCheckedLinked() override;
    void SetChecked(bool value) override;

protected:
    void AssignClient(vcl::TObject* client) override;
    TFcCustomGlyphButton* FGlyphClient = nullptr;
};

} // namespace controls

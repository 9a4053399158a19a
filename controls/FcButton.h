// The owner-drawn push button of the control set and its base: the press held while the left button or
// Space is down, hot tracking, captions in four text styles, and three looks (the visual style's, its own
// hot-track look, the classic 3-D button). Every dialog of the editor closes through these buttons.
#pragma once

#include "controls/FcFrames.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"

#include <memory>

namespace vcl {
class TBitmap;
class TChangeLink;
class TCustomImageList;
} // namespace vcl

namespace controls {

// Sent to the controls of a parent when a grouped button goes down (or its group changes): WParam the group
// index, LParam the sender.
constexpr win::UINT ButtonPressedMsg = 9249;

class TFcCustomButton : public vcl::TCustomControl {
public:
    explicit TFcCustomButton(vcl::TComponent* owner);
    ~TFcCustomButton() override;

    TAlignmentVertical GetAlignmentVertical() const { return FAlignmentVertical; }
    virtual void SetAlignmentVertical(TAlignmentVertical value);
    bool GetHotTrack() const { return FHotTrack; }
    virtual void SetHotTrack(bool value);
    TColor GetHighlightColor() const { return FHighlightColor; }
    virtual void SetHighlightColor(TColor value);
    TColor GetHotTrackColor() const { return FHotTrackColor; }
    void SetHotTrackColor(TColor value) { FHotTrackColor = value; }
    TFcHotTrackColorType GetHotTrackColorType() const { return FHotTrackColorType; }
    void SetHotTrackColorType(TFcHotTrackColorType value) { FHotTrackColorType = value; }
    bool GetLightTextStyle() const { return FLightTextStyle; }
    virtual void SetLightTextStyle(bool value);
    TTextStyle GetTextStyle() const { return FTextStyle; }
    virtual void SetTextStyle(TTextStyle value);
    TColor GetTextHighlightColor() const { return FTextHighlightColor; }
    virtual void SetTextHighlightColor(TColor value);
    TColor GetTextShadowColor() const { return FTextShadowColor; }
    virtual void SetTextShadowColor(TColor value);
    int32_t GetTextShadowDepth() const { return FTextShadowDepth; }
    virtual void SetTextShadowDepth(int32_t value);
    bool GetThemeAware() const { return FThemeAware; }
    virtual void SetThemeAware(bool value);
    bool GetTransparent() const { return FTransparent; }
    virtual void SetTransparent(bool value);
    TFcAboutInfo GetAbout() const { return fcAbout; }
    void SetAbout(TFcAboutInfo) {}

    // Run-time state.
    bool GetTracking() const { return FTracking; }
    bool GetPressedLook() const { return FPressedLook; }
    bool GetMouseOver() const { return FMouseOver; }
    bool GetSpaceArmed() const { return FSpaceArmed; }

    vcl::TNotifyEvent OnMouseEnter;
    vcl::TNotifyEvent OnMouseLeave;

    void Dispatch(vcl::TMessage& message) override;

protected:
    // Redraws after a change of the press state.
    virtual void UpdateDisplay() {}
    virtual void UpdateFocusDisplay() { Repaint(); }
    virtual void GetHotTrackRect(TRect& r);
    virtual void DrawCaption(vcl::TCanvas* canvas, TRect r, uint32_t flags);
    // Performs a press.
    virtual void ChangeState() = 0;
    virtual void MouseEnter();
    virtual void MouseLeave();
    // ThemeAware with the visual styles enabled.
    bool UsesThemes() const;

    void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) override;
    void MouseMove(vcl::TShiftState shift, int32_t x, int32_t y) override;
    void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) override;

    // False once the button is destroyed: code that runs a handler holds a copy and checks it before it
    // touches the button again (a handler may free the button's form).
    std::shared_ptr<bool> FAliveToken = std::make_shared<bool>(true);
    bool FTracking = false;
    bool FPressedLook = false;
    bool FMouseOver = false;
    bool FSpaceArmed = false;

private:
    bool InsideClient(int32_t x, int32_t y);

    TAlignmentVertical FAlignmentVertical = avCenter;
    bool FHotTrack = false;
    TColor FHighlightColor = vcl::clHighlight;
    TColor FHotTrackColor = vcl::clHighlight;
    TFcHotTrackColorType FHotTrackColorType = htctComplement;
    bool FLightTextStyle = false;
    TTextStyle FTextStyle = tsNormal;
    TColor FTextHighlightColor = vcl::clBtnHighlight;
    TColor FTextShadowColor = vcl::clBtnShadow;
    int32_t FTextShadowDepth = 2;
    bool FThemeAware = true;
    bool FTransparent = false;
};

class TFcButton : public TFcCustomButton {
public:
    explicit TFcButton(vcl::TComponent* owner);
    ~TFcButton() override;

    vcl::TAlignment GetAlignment() const { return FAlignment; }
    virtual void SetAlignment(vcl::TAlignment value);
    bool GetAllowAllUp() const { return FAllowAllUp; }
    virtual void SetAllowAllUp(bool value);
    bool GetCancel() const { return FCancel; }
    void SetCancel(bool value) { FCancel = value; }
    bool GetDefault() const { return FDefault; }
    virtual void SetDefault(bool value);
    bool GetDown() const { return FDown; }
    virtual void SetDown(bool value);
    bool GetDropDownOnEnter() const { return FDropDownOnEnter; }
    void SetDropDownOnEnter(bool value) { FDropDownOnEnter = value; }
    int32_t GetGroupIndex() const { return FGroupIndex; }
    virtual void SetGroupIndex(int32_t value);
    vcl::TModalResult GetModalResult() const { return FModalResult; }
    void SetModalResult(vcl::TModalResult value) { FModalResult = value; }
    bool GetShowDownPattern() const { return FShowDownPattern; }
    virtual void SetShowDownPattern(bool value);
    bool GetShowFocusRect() const { return FShowFocusRect; }
    virtual void SetShowFocusRect(bool value);
    void SetHotTrack(bool value) override;

    // Run-time state: drawn as the default button; inside the click ChangeState performs; inside a click of
    // the Enter key while DropDownOnEnter is off.
    bool GetActive() const { return FActive; }
    bool GetClicking() const { return FClicking; }
    bool GetEnterClick() const { return FEnterClick; }
    // Drawn down: latched in a group, or pressed.
    bool DrawnDown() const { return (FGroupIndex != 0 && FDown) || FPressedLook; }

    // Gives the parent form the button's ModalResult, then runs OnClick or the action.
    void Click() override;
    void Dispatch(vcl::TMessage& message) override;
    void DefineProperties(vcl::TFiler* filer) override;

    // The 8 x 8 dither of a latched button, in the button's colour and silver (grey on silver).
    void BuildDownPattern(vcl::TBitmap* bitmap);

protected:
    void UpdateDisplay() override { Invalidate(); }
    void ChangeState() override;
    void Paint() override;
    void CreateWnd() override;
    void KeyDown(uint16_t& key, vcl::TShiftState shift) override;
    void KeyUp(uint16_t& key, vcl::TShiftState shift) override;
    void DoExit() override;
    virtual void GetCaptionRect(TRect& r);
    virtual void DrawButtonCaption();

private:
    void SetActive(bool value);
    void BroadcastGroup();
    void PaintHotTrackLook(TRect& r);

    vcl::TAlignment FAlignment = vcl::taCenter;
    bool FAllowAllUp = false;
    bool FCancel = false;
    bool FDefault = false;
    bool FDown = false;
    bool FDropDownOnEnter = true;
    int32_t FGroupIndex = 0;
    vcl::TModalResult FModalResult = vcl::mrNone;
    bool FShowDownPattern = true;
    bool FShowFocusRect = true;
    bool FActive = false;
    bool FClicking = false;
    bool FEnterClick = false;
};

// ---- Glyph button ---------------------------------------------------------------------------------------

// The push button with a picture beside its caption: a strip of NumGlyphs cells (normal, disabled) or one
// image of an image list. A Kind makes it one of the stock dialog buttons.
class TFcBitBtn : public TFcButton {
public:
    explicit TFcBitBtn(vcl::TComponent* owner);
    ~TFcBitBtn() override;

    vcl::TBitmap* GetGlyph() const { return FGlyph.get(); }
    // Takes a copy; the glyph then counts as the user's own.
    virtual void SetGlyph(vcl::TBitmap* value);
    int32_t GetNumGlyphs() const { return FNumGlyphs; }
    // 1 to 4; other values are ignored.
    virtual void SetNumGlyphs(int32_t value);
    // bkCustom once Default, Cancel, ModalResult or the glyph no longer match the kind set.
    virtual vcl::TBitBtnKind GetKind();
    virtual void SetKind(vcl::TBitBtnKind value);
    vcl::TButtonLayout GetLayout() const { return FLayout; }
    virtual void SetLayout(vcl::TButtonLayout value);
    // -1 puts the glyph next to the caption; values below -1 are ignored.
    int32_t GetMargin() const { return FMargin; }
    virtual void SetMargin(int32_t value);
    int32_t GetSpacing() const { return FSpacing; }
    virtual void SetSpacing(int32_t value);
    vcl::TCustomImageList* GetImages() const { return FImages; }
    virtual void SetImages(vcl::TCustomImageList* value);
    int32_t GetImageIndex() const { return FImageIndex; }
    virtual void SetImageIndex(int32_t value);
    int32_t GetDisabledIndex() const { return FDisabledIndex; }
    virtual void SetDisabledIndex(int32_t value);
    // The glyph was set by the user rather than by Kind.
    bool GetGlyphModified() const { return FGlyphModified; }

    // Storage rules of layout files: the role properties and the glyph only for a custom button, the
    // caption only when it is not the kind's own.
    bool IsCustomKind() { return GetKind() == vcl::bkCustom; }
    bool IsCaptionStored();

    // The stock caption of a kind ("OK", "&Help" ...; empty for bkCustom).
    static std::string KindCaption(vcl::TBitBtnKind kind);
    static vcl::TModalResult KindModalResult(vcl::TBitBtnKind kind);

    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
    void ChangeScale(int32_t m, int32_t d) override;

protected:
    virtual void GetGlyphSize(win::TSize& size);
    virtual void GetGlyphRect(TRect& r);
    virtual void DrawImageListGlyph(const TRect& r);
    virtual void DrawBitmapGlyph(const TRect& r);
    void GetCaptionRect(TRect& r) override;
    void DrawButtonCaption() override;
    void ActionChange(vcl::TObject* sender, bool checkDefaults) override;

private:
    bool ImageListGlyph() const { return FImages && FImageIndex != -1; }
    int32_t MeasureCaptionHeight(const TRect& r);
    void GlyphChanged(vcl::TObject* sender);
    void ImageListChanged(vcl::TObject* sender);

    std::unique_ptr<vcl::TBitmap> FGlyph;
    std::unique_ptr<vcl::TChangeLink> FImageChangeLink;
    int32_t FNumGlyphs = 1;
    vcl::TBitBtnKind FKind = vcl::bkCustom;
    vcl::TButtonLayout FLayout = vcl::blGlyphLeft;
    int32_t FMargin = 2;
    int32_t FSpacing = 4;
    vcl::TCustomImageList* FImages = nullptr;
    int32_t FImageIndex = -1;
    int32_t FDisabledIndex = -1;
    bool FGlyphModified = false;
};

// The stock glyph of a kind (a 32 x 16 strip, normal and disabled), loaded from its bitmap resource on
// first use and kept in one cache; null for bkCustom.
vcl::TBitmap* StockGlyph(vcl::TBitBtnKind kind);
// Frees the cache (the control set's shut-down).
void FreeStockGlyphs();

} // namespace controls

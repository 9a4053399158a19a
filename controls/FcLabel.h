// The label with borders, three-dimensional text styles, flat and curved rotation, blinking, a fly-by
// colour, condensed captions and the frame controller link; and the URL label that opens its address
// through the desktop when clicked.
#pragma once

#include "controls/FcFrameController.h"
#include "controls/FcFrames.h"
#include "platform/vcl/StdCtrls.h"

#include <cstdint>
#include <string>

namespace controls {

using win::TPoint;

enum TRotation : uint8_t { roNone, roFlat, roCurve };
enum TCenterPoint : uint8_t {
    cpUpperLeft,
    cpUpperCenter,
    cpUpperRight,
    cpLeftCenter,
    cpCenter,
    cpRightCenter,
    cpLowerLeft,
    cpLowerCenter,
    cpLowerRight
};
enum TFcCondenseCaption : uint8_t { ccNone, ccAtEnd, ccWithinPath };

// The screen cursor number of the URL label's hand.
constexpr vcl::TCursor crFcHandPoint = 26000;

class TFcLabel : public vcl::TCustomLabel, public IFrameControllerNotify {
public:
    explicit TFcLabel(vcl::TComponent* owner);
    ~TFcLabel() override;

    void ApplyFrameController() override;
    virtual void BlinkStateChanged(bool on);
    // Grows a text size (R's width and height) by the borders, the shadow and the rotation.
    virtual void GetTextRect(TRect& r);
    // Shrinks R by the borders on the sides in BorderSides, and by BorderWidth all round when asked.
    virtual void AdjustBorderRect(TRect& r, bool includeBorderWidth);

#define FC_LABEL_PROP(Type, Name)                                                                              \
    Type Get##Name() const { return F##Name; }                                                                 \
    virtual void Set##Name(Type value);
    FC_LABEL_PROP(int32_t, Angle)
    FC_LABEL_PROP(TRotation, Rotation)
    FC_LABEL_PROP(TCenterPoint, CenterPoint)
    FC_LABEL_PROP(TTextStyle, TextStyle)
    FC_LABEL_PROP(bool, LightTextStyle)
    FC_LABEL_PROP(TColor, HighlightColor)
    FC_LABEL_PROP(TColor, ShadowColor)
    FC_LABEL_PROP(int32_t, ShadowDepth)
    FC_LABEL_PROP(bool, Blinking)
    FC_LABEL_PROP(TColor, BlinkColor)
    FC_LABEL_PROP(TFrameStyleEx, BorderOuter)
    FC_LABEL_PROP(TFrameStyleEx, BorderInner)
    FC_LABEL_PROP(TSides, BorderSides)
    FC_LABEL_PROP(int32_t, BorderWidth)
    FC_LABEL_PROP(int32_t, BevelWidth)
    FC_LABEL_PROP(TColor, BorderColor)
    FC_LABEL_PROP(TColor, BorderHighlight)
    FC_LABEL_PROP(TColor, BorderShadow)
    FC_LABEL_PROP(TColor, FlatColor)
    FC_LABEL_PROP(int32_t, FlatColorAdjustment)
    FC_LABEL_PROP(bool, FlyByEnabled)
    FC_LABEL_PROP(TColor, FlyByColor)
    FC_LABEL_PROP(TFcCondenseCaption, CondenseCaption)
#undef FC_LABEL_PROP
    TFcFrameController* GetFrameController() const { return FFrameController; }
    virtual void SetFrameController(TFcFrameController* value);
    // Shared by every label (the blinking list's periods).
    uint16_t GetBlinkIntervalOn() const;
    void SetBlinkIntervalOn(uint16_t value);
    uint16_t GetBlinkIntervalOff() const;
    void SetBlinkIntervalOff(uint16_t value);
    TFcAboutInfo GetAbout() const { return fcAbout; }
    void SetAbout(TFcAboutInfo) {}
    // The colour the text is drawn in now: the font's, or the blink colour while blinking shows it.
    TColor GetCurrentTextColor() const { return FCurrentColor; }

    std::string GetLabelText() const override { return GetCaption(); }
    void Loaded() override;
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
    void DefineProperties(vcl::TFiler* filer) override;
    void Dispatch(vcl::TMessage& message) override;

protected:
    void Paint() override;
    void AdjustBounds() override;
    // Whether the font is an outline font; rotation needs one (Verdana stands in otherwise).
    virtual bool FontIsTrueType();

private:
    bool Loading() const { return GetComponentState().Contains(vcl::csLoading); }
    void Changed();
    void UseOutlineFont();
    uint32_t StraightFlags() const;
    void DrawStraightText(vcl::TCanvas* canvas, const TRect& area);
    void DrawFlatText(vcl::TCanvas* canvas, const TRect& area);
    void DrawCurvedText(vcl::TCanvas* canvas);
    // Draws the text passes of the style: fn(dx, dy, colour) once per pass.
    template <class F> void Passes(int32_t shadowOffset, F fn);
    int32_t StyleThickness(TFrameStyleEx style) const;
    TPoint CenterPointAt() const;

    int32_t FAngle = 0;
    TRotation FRotation = roNone;
    TCenterPoint FCenterPoint = cpCenter;
    TTextStyle FTextStyle = tsNormal;
    bool FLightTextStyle = false;
    TColor FHighlightColor = vcl::clBtnHighlight;
    TColor FShadowColor = vcl::clBtnShadow;
    int32_t FShadowDepth = 2;
    bool FBlinking = false;
    TColor FBlinkColor = vcl::clHighlight;
    TFrameStyleEx FBorderOuter = fsNone;
    TFrameStyleEx FBorderInner = fsNone;
    TSides FBorderSides = AllSides;
    int32_t FBorderWidth = 0;
    int32_t FBevelWidth = 1;
    TColor FBorderColor = vcl::clBtnFace;
    TColor FBorderHighlight = vcl::clBtnHighlight;
    TColor FBorderShadow = vcl::clBtnShadow;
    TColor FFlatColor = vcl::clBtnShadow;
    int32_t FFlatColorAdjustment = 30;
    bool FFlyByEnabled = false;
    TColor FFlyByColor = vcl::clHighlight;
    TFcCondenseCaption FCondenseCaption = ccNone;
    TFcFrameController* FFrameController = nullptr;

    TColor FNormalColor = vcl::clWindowText;
    TColor FCurrentColor = vcl::clWindowText;
    bool FBlinkOn = false;
    bool FFlyByActive = false;
    TColor FFlyBySavedColor = vcl::clWindowText;
    bool FSettingColor = false;
};

class TFcURLLabel : public TFcLabel {
public:
    explicit TFcURLLabel(vcl::TComponent* owner);

    std::string GetURL() const { return FURL; }
    void SetURL(const std::string& value) { FURL = value; }
    bool GetVisited() const { return FVisited; }
    void SetVisited(bool value);
    TColor GetVisitedColor() const { return FVisitedColor; }
    void SetVisitedColor(TColor value);
    TColor GetUnvisitedColor() const { return FUnvisitedColor; }
    void SetUnvisitedColor(TColor value);
    // Font colour: VisitedColor once visited, else UnvisitedColor.
    virtual void UpdateLinkColor();

protected:
    // Opens the trimmed URL (or the caption when the URL is blank) with the desktop's program.
    void Click() override;

private:
    std::string FURL;
    bool FVisited = false;
    TColor FVisitedColor = 0x800080;
    TColor FUnvisitedColor = vcl::clHighlight;
};

// Registers the hand cursor as screen cursor 26000 (the URL label does when made).
void RegisterHandCursor();
// The label's and the URL label's property tables.
void RegisterLabelTables();

} // namespace controls

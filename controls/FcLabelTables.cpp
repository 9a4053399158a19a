// The label's and the URL label's property tables for layout files.
#include "controls/FcLabel.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

void RegisterLabelTables() {
    vcl::RegisterEnumNames<TRotation>({"roNone", "roFlat", "roCurve"});
    vcl::RegisterEnumNames<TCenterPoint>({"cpUpperLeft", "cpUpperCenter", "cpUpperRight", "cpLeftCenter",
                                          "cpCenter", "cpRightCenter", "cpLowerLeft", "cpLowerCenter",
                                          "cpLowerRight"});
    vcl::RegisterEnumNames<TFcCondenseCaption>({"ccNone", "ccAtEnd", "ccWithinPath"});
    vcl::RegisterClass<TFcLabel>("TFcLabel");
    vcl::RegisterClass<TFcURLLabel>("TFcURLLabel");
    const vcl::TIdentMap* colors = vcl::ColorIdents();
    {
        using C = TFcLabel;
        vcl::DefineClassProperties<C, vcl::TCustomLabel>()
            .Property("About", &C::GetAbout, &C::SetAbout)
            .Stored([](C*) { return false; })
            // The rotation before the angle: a layout's angle is what stays.
            .Property("Rotation", &C::GetRotation, &C::SetRotation)
            .Property("Angle", &C::GetAngle, &C::SetAngle)
            .Property("BevelWidth", &C::GetBevelWidth, &C::SetBevelWidth)
            .Property("BlinkColor", &C::GetBlinkColor, &C::SetBlinkColor, colors)
            .Property("BlinkIntervalOff", &C::GetBlinkIntervalOff, &C::SetBlinkIntervalOff)
            .Default(uint16_t(500))
            .Property("BlinkIntervalOn", &C::GetBlinkIntervalOn, &C::SetBlinkIntervalOn)
            .Default(uint16_t(500))
            .Property("Blinking", &C::GetBlinking, &C::SetBlinking)
            .Property("BorderColor", &C::GetBorderColor, &C::SetBorderColor, colors)
            .Property("BorderHighlight", &C::GetBorderHighlight, &C::SetBorderHighlight, colors)
            .Property("BorderInner", &C::GetBorderInner, &C::SetBorderInner)
            .Property("BorderOuter", &C::GetBorderOuter, &C::SetBorderOuter)
            .Property("BorderShadow", &C::GetBorderShadow, &C::SetBorderShadow, colors)
            .Property("BorderSides", &C::GetBorderSides, &C::SetBorderSides)
            .Property("BorderWidth", &C::GetBorderWidth, &C::SetBorderWidth)
            .Property("CenterPoint", &C::GetCenterPoint, &C::SetCenterPoint)
            .Property("CondenseCaption", &C::GetCondenseCaption, &C::SetCondenseCaption)
            .Property("FlatColor", &C::GetFlatColor, &C::SetFlatColor, colors)
            .Property("FlatColorAdjustment", &C::GetFlatColorAdjustment, &C::SetFlatColorAdjustment)
            .Property("FlyByColor", &C::GetFlyByColor, &C::SetFlyByColor, colors)
            .Property("FlyByEnabled", &C::GetFlyByEnabled, &C::SetFlyByEnabled)
            .Property("FrameController", &C::GetFrameController, &C::SetFrameController)
            .Property("HighlightColor", &C::GetHighlightColor, &C::SetHighlightColor, colors)
            .Property("LightTextStyle", &C::GetLightTextStyle, &C::SetLightTextStyle)
            .Property("ShadowColor", &C::GetShadowColor, &C::SetShadowColor, colors)
            .Property("ShadowDepth", &C::GetShadowDepth, &C::SetShadowDepth)
            .Property("TextStyle", &C::GetTextStyle, &C::SetTextStyle);
    }
    using C = TFcURLLabel;
    vcl::DefineClassProperties<C, TFcLabel>()
        .Property("URL", &C::GetURL, &C::SetURL)
        .Property("UnvisitedColor", &C::GetUnvisitedColor, &C::SetUnvisitedColor, colors)
        .Property("Visited", &C::GetVisited, &C::SetVisited)
        .Property("VisitedColor", &C::GetVisitedColor, &C::SetVisitedColor, colors);
}

} // namespace controls

// Property tables of the extra controls: panels, bevels, shapes, images, paint and scroll boxes (with their
// scroll bars), timers.
#include "platform/vcl/ClassTables.h"

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Picture.h"

namespace vcl {

void RegisterExtCtrlsTables() {
    DefineClassProperties<TControlScrollBar, TPersistent>()
        .Property("Increment", &TControlScrollBar::GetIncrement, &TControlScrollBar::SetIncrement)
        .Property("Margin", &TControlScrollBar::GetMargin, &TControlScrollBar::SetMargin)
        .Property("Range", &TControlScrollBar::GetRange, &TControlScrollBar::SetRange)
        .Property("Position", &TControlScrollBar::GetPosition, &TControlScrollBar::SetPosition)
        .Property("Visible", &TControlScrollBar::GetVisible, &TControlScrollBar::SetVisible);

    DefineClassProperties<TCustomPanel, TCustomControl>()
        .Property("Alignment", &TCustomPanel::GetAlignment, &TCustomPanel::SetAlignment)
        .Property("BevelInner", &TCustomPanel::GetBevelInner, &TCustomPanel::SetBevelInner)
        .Property("BevelOuter", &TCustomPanel::GetBevelOuter, &TCustomPanel::SetBevelOuter)
        .Property("BevelWidth", &TCustomPanel::GetBevelWidth, &TCustomPanel::SetBevelWidth)
        .Property("BorderStyle", &TCustomPanel::GetBorderStyle, &TCustomPanel::SetBorderStyle)
        .Property("BorderWidth", &TCustomPanel::GetBorderWidth, &TCustomPanel::SetBorderWidth)
        .Property("Caption", &TCustomPanel::GetCaption, &TCustomPanel::SetCaption)
        .Property("FullRepaint", &TCustomPanel::GetFullRepaint, &TCustomPanel::SetFullRepaint)
        .Property("Locked", &TCustomPanel::GetLocked, &TCustomPanel::SetLocked);
    DefineClassProperties<TPanel, TCustomPanel>();

    DefineClassProperties<TBevel, TGraphicControl>()
        .Property("Shape", &TBevel::GetShape, &TBevel::SetShape)
        .Property("Style", &TBevel::GetStyle, &TBevel::SetStyle);
    DefineClassProperties<TShape, TGraphicControl>()
        .Property("Brush", &TShape::GetBrush, &TShape::SetBrush)
        .Property("Pen", &TShape::GetPen, &TShape::SetPen)
        .Property("Shape", &TShape::GetShape, &TShape::SetShape);
    DefineClassProperties<TImage, TGraphicControl>()
        .Property("AutoSize", &TImage::GetAutoSize, &TImage::SetAutoSize)
        .Property("Center", &TImage::GetCenter, &TImage::SetCenter)
        .Property("Picture", &TImage::GetPicture, &TImage::SetPicture)
        .Property("Proportional", &TImage::GetProportional, &TImage::SetProportional)
        .Property("Stretch", &TImage::GetStretch, &TImage::SetStretch)
        .Property("Transparent", &TImage::GetTransparent, &TImage::SetTransparent);
    DefineClassProperties<TPaintBox, TGraphicControl>().Event("OnPaint", &TPaintBox::OnPaint);
    DefineClassProperties<TScrollBox, TWinControl>()
        .Property("AutoScroll", &TScrollBox::GetAutoScroll, &TScrollBox::SetAutoScroll)
        .Property("BorderStyle", &TScrollBox::GetBorderStyle, &TScrollBox::SetBorderStyle)
        .Property("HorzScrollBar", &TScrollBox::GetHorzScrollBar)
        .Property("VertScrollBar", &TScrollBox::GetVertScrollBar);

    DefineClassProperties<TTimer, TComponent>()
        .Property("Enabled", &TTimer::GetEnabled, &TTimer::SetEnabled)
        .Property("Interval", &TTimer::GetInterval, &TTimer::SetInterval);
    AddEventAccessor<TTimer, void(TObject*)>("OnTimer", &TTimer::GetOnTimer, &TTimer::SetOnTimer);
}

} // namespace vcl

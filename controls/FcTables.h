// Pieces the controls' layout-file tables share.
#pragma once

#include "platform/vcl/TypInfo.h"

namespace controls {

// A stored-predicate that never stores (the read-only "About" text).
template <class T> bool TablesNever(T*) { return false; }

// The frame rows of a framed control (edit, combo box, list view), from FocusColor to FramingPreference in the
// tables' alphabetical order; each frame setting is stored only while no frame controller gives it.
template <class C, class B>
vcl::TClassProperties<C, B>& AddFramedControlRows(vcl::TClassProperties<C, B>& table, const vcl::TIdentMap* colors) {
    return table.Property("FocusColor", &C::GetFocusColor, &C::SetFocusColor, colors)
        .Stored(&C::IsFocusColorStored)
        .Property("FrameColor", &C::GetFrameColor, &C::SetFrameColor, colors)
        .Stored(&C::IsFrameSettingStored)
        .Property("FrameController", &C::GetFrameController, &C::SetFrameController)
        .Property("FrameHotColor", &C::GetFrameHotColor, &C::SetFrameHotColor, colors)
        .Stored(&C::IsFrameSettingStored)
        .Property("FrameHotStyle", &C::GetFrameHotStyle, &C::SetFrameHotStyle)
        .Stored(&C::IsFrameSettingStored)
        .Property("FrameHotTrack", &C::GetFrameHotTrack, &C::SetFrameHotTrack)
        .Stored(&C::IsFrameSettingStored)
        .Property("FrameSides", &C::GetFrameSides, &C::SetFrameSides)
        .Stored(&C::IsFrameSettingStored)
        .Property("FrameStyle", &C::GetFrameStyle, &C::SetFrameStyle)
        .Stored(&C::IsFrameSettingStored)
        .Property("FrameVisible", &C::GetFrameVisible, &C::SetFrameVisible)
        .Stored(&C::IsFrameSettingStored)
        .Property("FramingPreference", &C::GetFramingPreference, &C::SetFramingPreference);
}

} // namespace controls

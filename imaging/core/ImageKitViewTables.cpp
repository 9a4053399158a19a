// The imaging library's classes for layouts: the single-image view's published properties and events, and
// the names of the enumerations they use.
#include "imaging/core/ImageKitView.h"

#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclClasses.h"

#include <any>
#include <mutex>

namespace imaging {

namespace {

void TablesRegisterEnums() {
    vcl::RegisterEnumNames<TResampleFilter>({"rfNone", "rfTriangle", "rfHermite", "rfBell", "rfBSpline", "rfLanczos3",
                                             "rfMitchell", "rfNearest", "rfLinear", "rfFastLinear", "rfBilinear",
                                             "rfBicubic"});
    vcl::RegisterEnumNames<TIKBackgroundStyle>({"ikbsSolid", "ikbsHorizontal", "ikbsVertical", "ikbsFDiagonal",
                                                "ikbsBDiagonal", "ikbsCross", "ikbsDiagCross", "ikbsChessboard",
                                                "ikbsDiagonals", "ikbsCropped", "ikbsCropShadow"});
    vcl::RegisterEnumNames<TIKMouseInteractItem>({"miZoom", "miScroll", "miSelect", "miSelectPolygon",
                                                  "miSelectCircle", "miSelectZoom", "miSelectMagicWand",
                                                  "miSelectLasso"});
}

void TablesRegisterViews() {
    // TIKView republishes Background, BorderStyle and (through the class library) Ctl3D, ParentCtl3D and the
    // mouse-enter and mouse-leave events.
    vcl::DefineClassProperties<TIKView, vcl::TCustomControl>()
        .Property("Background", &TIKView::GetBackground, &TIKView::SetBackground, vcl::ColorIdents())
        .Property("BorderStyle", &TIKView::GetBorderStyle, &TIKView::SetBorderStyle);
    vcl::DefineClassProperties<TImageKitView, TIKView>()
        .Property("LegacyBitmap", &TImageKitView::GetLegacyBitmap, &TImageKitView::SetLegacyBitmap)
        .Property("DoubleBuffer", &TImageKitView::GetDoubleBuffer, &TImageKitView::SetDoubleBuffer)
        .Property("ZoomFilter", &TImageKitView::GetZoomFilter, &TImageKitView::SetZoomFilter)
        .Property("ScrollBars", &TImageKitView::GetScrollBars, &TImageKitView::SetScrollBars)
        .Property("Center", &TImageKitView::GetCenter, &TImageKitView::SetCenter)
        .Property("MouseInteract", &TImageKitView::GetMouseInteract, &TImageKitView::SetMouseInteract)
        .Property("AutoFit", &TImageKitView::GetAutoFit, &TImageKitView::SetAutoFit)
        .Property("BackgroundStyle", &TImageKitView::GetBackgroundStyle, &TImageKitView::SetBackgroundStyle)
        .Property("DelayZoomFilter", &TImageKitView::GetDelayZoomFilter, &TImageKitView::SetDelayZoomFilter)
        .Property("EnableAlphaChannel", &TImageKitView::GetEnableAlphaChannel,
                  &TImageKitView::SetEnableAlphaChannel)
        .Property("AutoStretch", &TImageKitView::GetAutoStretch, &TImageKitView::SetAutoStretch)
        .Property("AutoShrink", &TImageKitView::GetAutoShrink, &TImageKitView::SetAutoShrink)
        .Property("Cursor", &TImageKitView::GetCursor, &TImageKitView::SetCursor, vcl::CursorIdents())
        .Event("OnViewChange", &TImageKitView::OnViewChange)
        .Event("OnImageChange", &TImageKitView::OnImageChange)
        .Event("OnPaint", &TImageKitView::OnPaint)
        .Event("OnMouseInResizingGrip", &TImageKitView::OnMouseInResizingGrip)
        .Event("OnZoomIn", &TImageKitView::OnZoomIn)
        .Event("OnZoomOut", &TImageKitView::OnZoomOut);
    // OnProgress goes through its setter, which hands it on to the view's components.
    vcl::TPropInfo progress;
    progress.Name = "OnProgress";
    progress.Kind = vcl::tkMethod;
    progress.ClassType = typeid(TIKProgressEvent);
    progress.SetMethod = [](vcl::TPersistent* o, const std::any& handler) {
        auto* view = static_cast<TImageKitView*>(o);
        if (!handler.has_value()) {
            view->SetOnProgress(nullptr);
            return;
        }
        const auto* f = std::any_cast<TIKProgressEvent>(&handler);
        if (!f)
            vcl::ThrowInvalidPropertyValue();
        view->SetOnProgress(*f);
    };
    progress.HasMethod = [](vcl::TPersistent* o) { return bool(static_cast<TImageKitView*>(o)->GetOnProgress()); };
    vcl::AddPropInfo(vcl::ClassPropertyTable(typeid(TImageKitView), typeid(TIKView)), std::move(progress));
    vcl::RegisterClass<TImageKitView>("TImageKitView");
}

} // namespace

void RegisterImagingClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        vcl::RegisterVclClasses();
        TablesRegisterEnums();
        TablesRegisterViews();
    });
}

} // namespace imaging

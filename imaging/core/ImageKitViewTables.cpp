// The imaging library's classes for layouts: the single-image view's published properties and events, and
// the names of the enumerations they use.
#include "imaging/core/ImageKit.h"
#include "imaging/core/ImageKitView.h"

#include "platform/vcl/ClassTables.h"
#include "platform/vcl/GraphicsObjects.h"
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
    vcl::RegisterEnumNames<TIKSelectionOption>({"iksoAnimated", "iksoSizeable", "iksoMoveable", "iksoFilled",
                                                "iksoCutBorders", "iksoMarkOuter", "iksoCanScroll"});
    vcl::RegisterEnumNames<TIKSelectionBase>({"iksbClientArea", "iksbBitmap"});
    vcl::RegisterEnumNames<TMsgLanguage>({"msSystem", "msEnglish", "msItalian", "msGerman", "msSpanish", "msFrench",
                                          "msPortuguese", "msGreek", "msRussian", "msDutch", "msSwedish", "msPolish",
                                          "msUser"});
    vcl::RegisterEnumNames<TPRPreviewsParam>({"prppDefaultLockPreview"});
    vcl::RegisterEnumNames<TIOPreviewsParam>({"ioppDefaultLockPreview", "ioppApplyButton"});
    vcl::RegisterEnumNames<TIKDialogsMeasureUnit>({"ikduInches", "ikduCm", "ikduSelectableDefInches",
                                                   "ikduSelectableDefCm"});
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
        .Property("SelectionOptions", &TImageKitView::GetSelectionOptions, &TImageKitView::SetSelectionOptions)
        .Property("SelectionBase", &TImageKitView::GetSelectionBase, &TImageKitView::SetSelectionBase)
        .Event("OnSelectionChange", &TImageKitView::OnSelectionChange)
        .Event("OnSelectionChanging", &TImageKitView::OnSelectionChanging)
        .Event("OnBeforeSelectionChange", &TImageKitView::OnBeforeSelectionChange)
        .Event("OnMouseInSel", &TImageKitView::OnMouseInSel)
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

void TablesRegisterImageKit() {
    // Every property goes straight through to the I/O or the processing component.
    vcl::DefineClassProperties<TImageKit, TImageKitView>()
        .Property("AutoUndo", &TImageKit::GetAutoUndo, &TImageKit::SetAutoUndo)
        .Property("MsgLanguage", &TImageKit::GetMsgLanguage, &TImageKit::SetMsgLanguage)
        .Property("ProcPreviewsParams", &TImageKit::GetProcPreviewsParams, &TImageKit::SetProcPreviewsParams)
        .Property("IOPreviewsParams", &TImageKit::GetIOPreviewsParams, &TImageKit::SetIOPreviewsParams)
        .Property("PreviewFont", &TImageKit::GetPreviewFont, &TImageKit::SetPreviewFont)
        .Stored([](TImageKit*) { return false; }) // written whole by DefineProperties
        .Property("StreamHeaders", &TImageKit::GetStreamHeaders, &TImageKit::SetStreamHeaders)
        .Property("DialogsMeasureUnit", &TImageKit::GetDialogsMeasureUnit, &TImageKit::SetDialogsMeasureUnit);
    vcl::AddEventAccessor<TImageKit, void(vcl::TObject*, vcl::TForm*)>("OnPreview", &TImageKit::GetOnPreview,
                                                                       &TImageKit::SetOnPreview);
    vcl::AddEventAccessor<TImageKit, void(vcl::TObject*, vcl::TForm*)>("OnIOPreview", &TImageKit::GetOnIOPreview,
                                                                       &TImageKit::SetOnIOPreview);
    vcl::RegisterClass<TImageKit>("TImageKit");
}

} // namespace

void RegisterImagingClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        vcl::RegisterVclClasses();
        TablesRegisterEnums();
        TablesRegisterViews();
        TablesRegisterImageKit();
    });
}

} // namespace imaging

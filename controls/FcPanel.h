// The container of the control set and the group box built on it: an edge drawn as an outer and an inner
// frame of the frame model on a chosen set of sides, an optional dot or line grid, a placed caption,
// transparency over the parent, a frame controller's settings, docking through the set's own dock manager;
// the group box adds a caption cut into one of four frames.
#pragma once

#include "controls/FcFrameController.h"
#include "controls/FcFrames.h"
#include "controls/FcGraphics.h"
#include "platform/vcl/ExtCtrls.h"

#include <utility>
#include <vector>

namespace controls {

enum TFcGridStyle : uint8_t { gsDots, gsDottedLines, gsSolidLines };

class TFcCustomPanel : public vcl::TCustomPanel, public IFrameControllerNotify {
public:
    explicit TFcCustomPanel(vcl::TComponent* owner);
    ~TFcCustomPanel() override;

    TAlignmentVertical GetAlignmentVertical() const { return FAlignmentVertical; }
    virtual void SetAlignmentVertical(TAlignmentVertical value);
    TFrameStyleEx GetBorderInner() const { return FBorderInner; }
    virtual void SetBorderInner(TFrameStyleEx value);
    TFrameStyleEx GetBorderOuter() const { return FBorderOuter; }
    virtual void SetBorderOuter(TFrameStyleEx value);
    TSides GetBorderSides() const { return FBorderSides; }
    virtual void SetBorderSides(TSides value);
    TColor GetBorderColor() const { return FBorderColor; }
    virtual void SetBorderColor(TColor value);
    TColor GetBorderHighlight() const { return FBorderHighlight; }
    virtual void SetBorderHighlight(TColor value);
    TColor GetBorderShadow() const { return FBorderShadow; }
    virtual void SetBorderShadow(TColor value);
    TColor GetFlatColor() const { return FFlatColor; }
    virtual void SetFlatColor(TColor value);
    int32_t GetFlatColorAdjustment() const { return FFlatColorAdjustment; }
    virtual void SetFlatColorAdjustment(int32_t value);
    TFcFrameController* GetFrameController() const { return FFrameController; }
    virtual void SetFrameController(TFcFrameController* value);
    TColor GetGridColor() const { return FGridColor; }
    virtual void SetGridColor(TColor value);
    TFcGridStyle GetGridStyle() const { return FGridStyle; }
    virtual void SetGridStyle(TFcGridStyle value);
    uint16_t GetGridXSize() const { return FGridXSize; }
    virtual void SetGridXSize(uint16_t value);
    uint16_t GetGridYSize() const { return FGridYSize; }
    virtual void SetGridYSize(uint16_t value);
    bool GetShowGrid() const { return FShowGrid; }
    virtual void SetShowGrid(bool value);
    // Read by the dock manager; a change shows at the next paint.
    bool GetShowDockClientCaptions() const { return FShowDockClientCaptions; }
    void SetShowDockClientCaptions(bool value) { FShowDockClientCaptions = value; }
    bool GetTransparent() const { return FTransparent; }
    virtual void SetTransparent(bool value);
    bool GetThemeAware() const { return FThemeAware; }
    virtual void SetThemeAware(bool value);
    TFcAboutInfo GetAbout() const { return fcAbout; }
    void SetAbout(TFcAboutInfo) {}

    vcl::TNotifyEvent OnMouseEnter;
    vcl::TNotifyEvent OnMouseLeave;
    vcl::TNotifyEvent OnPaint;

    // The mouse position in client coordinates.
    virtual void GetCursorClientPos(win::TPoint& p);
    // r less the border width (when asked) and the widths of the outer and inner frames on BorderSides.
    virtual void AdjustBorderRect(TRect& r, bool includeBorderWidth);
    virtual void GetControlRect(TRect& r) { r = {0, 0, GetWidth(), GetHeight()}; }
    void ApplyFrameController() override;
    // How many children the panel remembers as enabled or not from its last disabling.
    size_t RememberedChildCount() const { return FEnabledChildren.size(); }

    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
    void AlignControls(vcl::TControl* control, TRect& rect) override;
    void AdjustClientRect(TRect& rect) override;
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
    void DefineProperties(vcl::TFiler* filer) override;
    void Dispatch(vcl::TMessage& message) override;

protected:
    void Paint() override;
    virtual void DrawCaption(TRect r);
    virtual void DrawGrid(TRect r);
    std::unique_ptr<vcl::TDockTree> CreateDockManager() override;
    // The frame controller's settings applied to the panel's fields (the group box asks first).
    void ApplyControllerSettings();
    TColor AdjustedFlatColor() const { return ShadeColor(FFlatColor, FFlatColorAdjustment); }
    bool PanelThemed() const;

    TFrameStyleEx FBorderOuter = fsRaised;
    TFrameStyleEx FBorderInner = fsNone;

private:
    void EnabledChanged();
    void ForgetChild(vcl::TControl* child);

    TAlignmentVertical FAlignmentVertical = avCenter;
    TSides FBorderSides = AllSides;
    TColor FBorderColor = vcl::clBtnFace;
    TColor FBorderHighlight = vcl::clBtnHighlight;
    TColor FBorderShadow = vcl::clBtnShadow;
    TColor FFlatColor = vcl::clBtnShadow;
    int32_t FFlatColorAdjustment = 30;
    TFcFrameController* FFrameController = nullptr;
    TColor FGridColor = vcl::clBtnShadow;
    TFcGridStyle FGridStyle = gsDots;
    uint16_t FGridXSize = 8;
    uint16_t FGridYSize = 8;
    bool FShowGrid = false;
    bool FShowDockClientCaptions = true;
    bool FTransparent = false;
    bool FThemeAware = true;
    // The children and whether each was enabled when the panel was last disabled. A child that leaves the
    // panel (or is freed) is forgotten, so that a control that later takes its place is not held disabled.
    std::vector<std::pair<vcl::TControl*, bool>> FEnabledChildren;
};

class TFcPanel : public TFcCustomPanel {
public:
    using TFcCustomPanel::TFcCustomPanel;
};

enum TFcGroupBoxStyle : uint8_t { gsStandard, gsCustom, gsTopLine, gsFlat };

class TFcCustomGroupBox : public TFcCustomPanel {
public:
    explicit TFcCustomGroupBox(vcl::TComponent* owner);
    TFcGroupBoxStyle GetGroupStyle() const { return FGroupStyle; }
    // gsCustom and gsTopLine turn ThemeAware off.
    virtual void SetGroupStyle(TFcGroupBoxStyle value);
    void ApplyFrameController() override;
    void AdjustClientRect(TRect& rect) override;
    void Dispatch(vcl::TMessage& message) override;
    // Where the caption goes (empty without one, and for gsCustom).
    TRect CaptionRect();

protected:
    void Paint() override;

private:
    void PaintFrame(vcl::TCanvas* c, const TRect& f);
    TFcGroupBoxStyle FGroupStyle = gsFlat;
};

class TFcGroupBox : public TFcCustomGroupBox {
public:
    using TFcCustomGroupBox::TFcCustomGroupBox;
};

} // namespace controls

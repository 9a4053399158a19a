// The dock manager a panel makes for itself when it is a dock site: the class library's dock tree with its
// own grabber, a caption bar 14 pixels thick with the docked control's caption and a close glyph, on the
// left of the control when the panel is aligned to the top or bottom of its parent and on top otherwise.
#pragma once

#include "platform/vcl/Controls.h"

#include <memory>

namespace vcl {
class TFont;
}

namespace controls {

class TFcCustomPanel;

class TFcPanelDockManager : public vcl::TDockTree {
public:
    // Unless the site is being designed, the site's handler is wrapped: WM_COMMAND and WM_MOUSEACTIVATE
    // invalidate the site, then every message goes on to the previous handler.
    explicit TFcPanelDockManager(vcl::TWinControl* dockSite);
    // Puts the previous handler back (when the site still holds this manager's).
    ~TFcPanelDockManager() override;
    TFcPanelDockManager(const TFcPanelDockManager&) = delete;
    TFcPanelDockManager& operator=(const TFcPanelDockManager&) = delete;

    void AdjustDockRect(vcl::TControl* control, vcl::TRect& rect) override;
    void PaintDockFrame(vcl::TCanvas* canvas, vcl::TControl* control, const vcl::TRect& rect) override;
    void PaintSite(win::HDC dc) override { vcl::TDockTree::PaintSite(dc); }

    static constexpr int32_t GrabberSize = 14;
    // Where the close glyph goes in a zone.
    vcl::TRect CloseBoxRect(const vcl::TRect& zone) const;
    bool Hooked() const { return FHooked; }
    vcl::TFont* GetCaptionFont() const { return FCaptionFont.get(); }

private:
    bool GrabberLeft() const;

    TFcCustomPanel* FPanel;
    std::unique_ptr<vcl::TFont> FCaptionFont;
    std::unique_ptr<vcl::TFont> FCloseFont;
    // False once the manager is gone: a wrapper still in a handler chain then only passes messages on.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
    bool FHooked = false;
};

} // namespace controls

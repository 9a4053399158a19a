// TIKView: the window control both image views derive from. It gives them a background colour, a border, a
// resolution in dots per inch and the list of change listeners through which the components attached to a
// view (the I/O and processing components) learn that its image changed or that the view is going away.
// Also here: the scroll-bar and mouse-wheel settings the views own, and the display settings the views
// read, taken from the screen when the first view is made.
#pragma once

#include "imaging/io/IOComponent.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/StdCtrls.h"

#include <cstdint>
#include <list>
#include <memory>

namespace vcl {
class TBitmap;
}

namespace imaging {

class TIKBitmap;

// Display settings of the views. IKViewModuleStart fills them once from the screen: the colour depth, the
// logical resolution (which also becomes the library default resolution IKDefaultDpiX/IKDefaultDpiY), the
// width and height of a 3-D edge and the sizes of the scroll bars. Tests may change them afterwards.
struct TIKDisplayMetrics {
    int32_t BitsPerPixel = 32;
    int32_t DpiX = 96;
    int32_t DpiY = 96;
    int32_t EdgeWidth = 2;
    int32_t EdgeHeight = 2;
    int32_t VScrollWidth = 16;
    int32_t HScrollHeight = 16;
    bool HasMMX = false;
};
// Runs the view module's start once (the metrics above, the default resolution, the view cursors).
void IKViewModuleStart();
// The display settings, after the module's start.
TIKDisplayMetrics& IKDisplay();

// The view cursors: ids 1778 to 1795 of the screen's cursor table, from the cursor resources of these names
// (drawn by the library and registered at the module's start, unless the program registered its own).
constexpr int16_t IKCursorFirst = 1778;
constexpr int IKCursorCount = 18;
extern const char* const IKCursorNames[IKCursorCount];
// The cursors the views switch among.
constexpr int16_t crIKHand = 1782;   // dragging the image to scroll
constexpr int16_t crIKCross3 = 1785; // the default view cursor
constexpr int16_t crIKCross3Plus = 1791;
constexpr int16_t crIKCross2 = 1793;
constexpr int16_t crIKCross2Plus = 1794;
// Registers the library's drawings under the names above where the program registered none.
void IKRegisterViewCursorResources();
// Loads the 18 cursors by name into the screen's cursor table (replacing earlier entries).
void IKInstallViewCursors();

// How a view scrolls a bar's line and page: -1 lets the view choose; without Tracking a thumb drag scrolls
// only when the thumb is released.
class TIKScrollBarParams : public vcl::TObject {
public:
    int32_t LineStep = -1;
    int32_t PageStep = -1;
    bool Tracking = true;
};

// What the mouse wheel does over a view.
enum : uint8_t { ikmwaNone = 0, ikmwaScroll = 1, ikmwaZoom = 2 };
enum : uint8_t { ikmwvAbsolute = 0, ikmwvPercentage = 1 };
class TIKMouseWheelParams : public vcl::TObject {
public:
    bool InvertWheel = false;
    uint8_t Action = ikmwaZoom;
    uint8_t Variation = ikmwvPercentage;
    int32_t Value = 8;
    bool ZoomPosition = false; // zoom keeping the pixel under the pointer
};

class TIKView : public vcl::TCustomControl, public virtual TIKViewLink {
public:
    explicit TIKView(vcl::TComponent* owner);
    ~TIKView() override;
    // Tells every listener, oldest first, that the view goes (ikvcDestroying) while it is still whole.
    void BeforeDestruction() override;

    int32_t GetBackground() const override { return FBackground; }
    virtual void SetBackground(int32_t value);
    vcl::TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    // A change re-creates the window.
    void SetBorderStyle(vcl::TBorderStyle value);

    // The image the view shows; none in the base.
    vcl::TBitmap* GetBitmap() override { return nullptr; }
    TIKBitmap* GetIKBitmap() override { return nullptr; }
    virtual TIKBitmap* GetAlphaChannel() = 0;
    virtual bool HasAlphaChannel() = 0;
    virtual void MergeAlphaWithBackground(bool merge) = 0;
    virtual void LockPaint() = 0;
    virtual void UnlockPaint() = 0;
    virtual void UnlockPaintNoUpdate() = 0;

    // Resolution in dots per inch; 0 until set. A 0 leaves a direction as it is.
    int32_t GetDpiX() const override { return FDpiX; }
    int32_t GetDpiY() const override { return FDpiY; }
    virtual void SetDpiX(int32_t value);
    virtual void SetDpiY(int32_t value);
    void SetDpi(int32_t x, int32_t y) override;

    void ImageChanged() override {}
    void Update() override { vcl::TCustomControl::Update(); }
    vcl::TComponent* GetViewComponent() override { return this; }
    win::HWND GetRefreshWindow() override;

    // Listeners: the handle is the registration's address. Negative and unknown handles are ignored.
    intptr_t AddChangeListener(TChangeListener listener) override;
    void RemoveChangeListener(intptr_t handle) override;
    // Every listener, in registration order, hears ikvcImageChanged.
    void NotifyListeners();
    int32_t ListenerCount() const { return int32_t(FListeners.size()); }

protected:
    // A single border becomes the client edge (a plain border without Ctl3D); the window class does not
    // repaint on resizes, the views repaint themselves.
    void CreateParams(vcl::TCreateParams& params) override;

    int32_t FBackground;
    int32_t FDpiX = 0;
    int32_t FDpiY = 0;

private:
    struct TListener {
        TChangeListener Callback;
    };
    void TellDestroying();

    vcl::TBorderStyle FBorderStyle = vcl::bsSingle;
    std::list<std::unique_ptr<TListener>> FListeners;
};

} // namespace imaging

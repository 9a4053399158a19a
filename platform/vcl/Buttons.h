// TBitBtn: a push button with a glyph beside its caption, drawn by the class library; TSpeedButton: a
// windowless button with a glyph that can latch down alone or as one of a group.
#pragma once

#include "platform/vcl/StdCtrls.h"

#include <memory>

namespace vcl {

class TBitmap;

enum TBitBtnKind {
    bkCustom,
    bkOK,
    bkCancel,
    bkHelp,
    bkYes,
    bkNo,
    bkClose,
    bkAbort,
    bkRetry,
    bkIgnore,
    bkAll
};
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* owner);
    ~TBitBtn() override;

    // The glyph: NumGlyphs images side by side (up, disabled, down); its bottom-left pixel's colour is
    // transparent.
    TBitmap* GetGlyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* value);
    int32_t GetNumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int32_t value);
    // A kind other than bkCustom gives the caption and modal result of that standard button.
    TBitBtnKind GetKind() const { return FKind; }
    void SetKind(TBitBtnKind value);
    TButtonLayout GetLayout() const { return FLayout; }
    void SetLayout(TButtonLayout value);
    // Room between the edge and the glyph (-1: centred), and between the glyph and the caption.
    int32_t GetMargin() const { return FMargin; }
    void SetMargin(int32_t value);
    int32_t GetSpacing() const { return FSpacing; }
    void SetSpacing(int32_t value);
    void Dispatch(TMessage& message) override;

protected:
    win::DWORD ButtonStyle() const override;
    virtual void DrawItem(const win::DRAWITEMSTRUCT& item);

private:
    std::unique_ptr<TBitmap> FGlyph;
    int32_t FNumGlyphs = 1;
    TBitBtnKind FKind = bkCustom;
    TButtonLayout FLayout = blGlyphLeft;
    int32_t FMargin = -1;
    int32_t FSpacing = 4;
};

// A graphic control drawn like a push button (or, Flat, with no edge until the pointer is over it). With a
// GroupIndex other than 0 it latches: a click puts it down and every other button of the group on the same
// parent up; clicking the down button again puts it up only when AllowAllUp. The glyph strip holds up to
// four images: up, disabled, pressed, latched down.
class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* owner);
    ~TSpeedButton() override;

    bool GetDown() const { return FDown; }
    // Always up with GroupIndex 0; the only down button of a group stays down unless AllowAllUp.
    void SetDown(bool value);
    int32_t GetGroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int32_t value);
    // Shared by the group: setting it on one button sets it on all.
    bool GetAllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool value);
    bool GetFlat() const { return FFlat; }
    void SetFlat(bool value);
    TBitmap* GetGlyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* value);
    int32_t GetNumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int32_t value);
    // Pressed now by the mouse (drawn down while the pointer stays over it).
    bool IsPressed() const { return FPressed; }

    void Click() override;
    void Dispatch(TMessage& message) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
    void MouseMove(TShiftState shift, int32_t x, int32_t y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;

private:
    // The other buttons of the group: same parent, same GroupIndex.
    template <class F> void ForEachInGroup(F&& f);
    bool DrawnDown() const { return FDown || (FPressed && FPressedInside); }

    std::unique_ptr<TBitmap> FGlyph;
    int32_t FNumGlyphs = 1;
    int32_t FGroupIndex = 0;
    bool FDown = false;
    bool FAllowAllUp = false;
    bool FFlat = false;
    bool FPressed = false;       // the left button went down on it and is not released yet
    bool FPressedInside = false; // and the pointer is over it
};

} // namespace vcl

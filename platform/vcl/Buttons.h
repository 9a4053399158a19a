// TBitBtn: a push button with a glyph beside its caption, drawn by the class library.
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

} // namespace vcl

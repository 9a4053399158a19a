// The spin edit: a number edit with a pair of auto-repeating arrow buttons inside its right edge. The text
// is the only store of the value: formatted with a fixed number of decimals, clamped to a range, stepped by
// the buttons, the arrow and page keys and the wheel, and clamped and reformatted when the focus leaves.
// TFcSpinButtons is the button pair, also usable on its own.
#pragma once

#include "controls/FcControlButton.h"
#include "controls/FcEdit.h"

#include <functional>
#include <string>

namespace controls {

enum TSpinDirection : uint8_t { sdUpDown, sdLeftRight };

class TFcSpinButtons : public vcl::TWinControl {
public:
    explicit TFcSpinButtons(vcl::TComponent* owner);
    ~TFcSpinButtons() override;

    TSpinDirection GetDirection() const { return FDirection; }
    virtual void SetDirection(TSpinDirection value);
    TOrientation GetOrientation() const { return FOrientation; }
    virtual void SetOrientation(TOrientation value);
    bool GetFlat() const { return FFlat; }
    virtual void SetFlat(bool value);
    vcl::TWinControl* GetFocusControl() const { return FFocusControl; }
    void SetFocusControl(vcl::TWinControl* value) { FFocusControl = value; }
    // Custom glyphs; null or an empty bitmap restores the arrow.
    vcl::TBitmap* GetGlyphUpRight() const { return FUpButton->GetGlyph(); }
    void SetGlyphUpRight(vcl::TBitmap* value);
    vcl::TBitmap* GetGlyphDownLeft() const { return FDownButton->GetGlyph(); }
    void SetGlyphDownLeft(vcl::TBitmap* value);
    int32_t GetNumGlyphsUpRight() const { return FUpButton->GetNumGlyphs(); }
    void SetNumGlyphsUpRight(int32_t value) { FUpButton->SetNumGlyphs(value); }
    int32_t GetNumGlyphsDownLeft() const { return FDownButton->GetNumGlyphs(); }
    void SetNumGlyphsDownLeft(int32_t value) { FDownButton->SetNumGlyphs(value); }
    bool IsGlyphUpRightStored() const { return FCustomUpRight; }
    bool IsGlyphDownLeftStored() const { return FCustomDownLeft; }

    TFcControlButton* GetUpRightButton() const { return FUpButton; }
    TFcControlButton* GetDownLeftButton() const { return FDownButton; }

    vcl::TNotifyEvent OnUpRightClick;
    vcl::TNotifyEvent OnDownLeftClick;

    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
    void SetEnabled(bool value) override;
    void Dispatch(vcl::TMessage& message) override;
    void Loaded() override;

protected:
    virtual TFcControlButton* CreateButton();
    virtual void ButtonClick(vcl::TObject* sender);
    virtual void ButtonMouseDown(vcl::TObject* sender, vcl::TMouseButton button);
    virtual void GlyphChanged(vcl::TObject* sender);
    virtual void AdjustButtons(int32_t& w, int32_t& h);
    virtual void DoUpRightClick();
    virtual void DoDownLeftClick();
    void KeyDown(uint16_t& key, vcl::TShiftState shift) override;

private:
    // Arrows by direction, or the glyph of a button that has a custom one.
    void UpdateStyles();

    TSpinDirection FDirection = sdUpDown;
    TOrientation FOrientation = orVertical;
    bool FFlat = false;
    vcl::TWinControl* FFocusControl = nullptr;
    TFcControlButton* FUpButton = nullptr;
    TFcControlButton* FDownButton = nullptr;
    bool FCustomUpRight = false;
    bool FCustomDownLeft = false;
};

using TFcSpinChangingEvent = std::function<void(vcl::TObject* Sender, bool& AllowChange)>;
// Button: 0 up, 1 down.
using TFcSpinButtonClickEvent = std::function<void(vcl::TObject* Sender, int32_t Button)>;

class TFcSpinEdit : public TFcCustomEdit {
public:
    explicit TFcSpinEdit(vcl::TComponent* owner);
    ~TFcSpinEdit() override;

    // The value the text holds: unparsable text reads as Min, an empty one as BlankValue (AllowBlank) or
    // Min. Reading does not clamp.
    virtual double GetValue();
    // Clamped, then formatted with Decimals decimals.
    virtual void SetValue(double value);
    // The value rounded to the nearest integer, halves to even; ERangeError outside 32 bits.
    virtual int32_t GetIntValue();
    virtual void SetIntValue(int32_t value) { SetValue(value); }
    // Within Min and Max when they differ or CheckRange is set; a value that is not finite gives Min.
    virtual double CheckValue(double value);

    double GetMin() const { return FMin; }
    virtual void SetMin(double value);
    double GetMax() const { return FMax; }
    virtual void SetMax(double value);
    double GetIncrement() const { return FIncrement; }
    void SetIncrement(double value) { FIncrement = value; }
    double GetPageSize() const { return FPageSize; }
    void SetPageSize(double value) { FPageSize = value; }
    uint8_t GetDecimals() const { return FDecimals; }
    virtual void SetDecimals(uint8_t value);
    bool GetIntegersOnly() const { return FIntegersOnly; }
    virtual void SetIntegersOnly(bool value);
    bool GetCheckRange() const { return FCheckRange; }
    virtual void SetCheckRange(bool value);
    bool GetAllowKeyEdit() const { return FAllowKeyEdit; }
    void SetAllowKeyEdit(bool value) { FAllowKeyEdit = value; }
    bool GetAllowBlank() const { return FAllowBlank; }
    void SetAllowBlank(bool value) { FAllowBlank = value; }
    double GetBlankValue() const { return FBlankValue; }
    void SetBlankValue(double value) { FBlankValue = value; }
    int32_t GetButtonWidth() const { return FButtonWidth; }
    virtual void SetButtonWidth(int32_t value);
    vcl::TBitmap* GetButtonUpGlyph() const { return FButtons->GetGlyphUpRight(); }
    void SetButtonUpGlyph(vcl::TBitmap* value) { FButtons->SetGlyphUpRight(value); }
    vcl::TBitmap* GetButtonDownGlyph() const { return FButtons->GetGlyphDownLeft(); }
    void SetButtonDownGlyph(vcl::TBitmap* value) { FButtons->SetGlyphDownLeft(value); }
    int32_t GetButtonUpNumGlyphs() const { return FButtons->GetNumGlyphsUpRight(); }
    void SetButtonUpNumGlyphs(int32_t value) { FButtons->SetNumGlyphsUpRight(value); }
    int32_t GetButtonDownNumGlyphs() const { return FButtons->GetNumGlyphsDownLeft(); }
    void SetButtonDownNumGlyphs(int32_t value) { FButtons->SetNumGlyphsDownLeft(value); }
    TSpinDirection GetDirection() const { return FButtons->GetDirection(); }
    void SetDirection(TSpinDirection value) { FButtons->SetDirection(value); }
    TOrientation GetOrientation() const { return FButtons->GetOrientation(); }
    virtual void SetOrientation(TOrientation value);
    void SetFlatButtons(bool value) override;
    void SetFrameVisible(bool value) override;
    void SetFrameStyle(TFrameStyle value) override;

    TFcSpinButtons* GetSpinButtons() const { return FButtons; }
    // The spin button: 0 up/right, 1 down/left.
    virtual TFcControlButton* GetSpinButton(int32_t button);

    // Steps by amount (beeps and changes nothing on a read-only edit; OnChanging may veto).
    virtual void IncValue(double amount);
    virtual void DecValue(double amount);
    virtual void UpClick() { IncValue(FIncrement); }
    virtual void DownClick() { DecValue(FIncrement); }
    virtual bool IsValidChar(char key);

    // Layout-file storage: the numbers other than their defaults.
    bool IsValueStored() { return GetValue() != 0; }
    bool IsMinStored() const { return FMin != 0; }
    bool IsMaxStored() const { return FMax != 100; }
    bool IsIncrementStored() const { return FIncrement != 1; }
    bool IsPageSizeStored() const { return FPageSize != 10; }
    bool IsBlankValueStored() const { return FBlankValue != 0; }
    bool IsButtonUpGlyphStored() const { return FButtons->IsGlyphUpRightStored(); }
    bool IsButtonDownGlyphStored() const { return FButtons->IsGlyphDownLeftStored(); }

    TFcSpinChangingEvent OnChanging;
    TFcSpinButtonClickEvent OnButtonClick;

    void Dispatch(vcl::TMessage& message) override;
    void GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent* root) override {}
    void Loaded() override;

protected:
    // Lays out the buttons and renews the margins; raises a height below the font's line.
    virtual void AdjustHeight();
    virtual void UpdateMargins();
    virtual bool DoChanging();
    virtual void DoButtonClick(int32_t button);

    void GetEditRect(TRect& r) override;
    void UpdateFrameState(bool isOver, bool value) override;
    void CreateWnd() override;
    void BoundsChanged(bool moved, bool sized) override;
    void WMWindowPosChanged() override;
    void KeyDown(uint16_t& key, vcl::TShiftState shift) override;
    void KeyPress(char& key) override;
    void DoEnter() override;
    void DoExit() override;
    bool DoMouseWheelDown(vcl::TShiftState shift, win::TPoint mousePos) override;
    bool DoMouseWheelUp(vcl::TShiftState shift, win::TPoint mousePos) override;

private:
    // The text read as a number: nothing when it is empty, does not parse or is not finite.
    bool ParseText(double& value);
    void Step(double amount, int32_t button);
    void ApplyFlatButtons();

    TFcSpinButtons* FButtons = nullptr;
    double FMin = 0;
    double FMax = 100;
    double FIncrement = 1;
    double FPageSize = 10;
    uint8_t FDecimals = 0;
    bool FIntegersOnly = true;
    bool FCheckRange = false;
    bool FAllowKeyEdit = false;
    bool FAllowBlank = false;
    double FBlankValue = 0;
    int32_t FButtonWidth = 17;
    bool FAdjusting = false;
};

// The text SetValue gives for value with decimals decimals (the user's decimal separator).
std::string FormatSpinValue(double value, uint8_t decimals);

} // namespace controls

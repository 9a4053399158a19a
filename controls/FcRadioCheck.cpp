#include "controls/FcRadioCheck.h"

#include "controls/FcGraphics.h"
#include "controls/FcThemeServices.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/User.h"

#include <map>

namespace controls {

namespace {

// The marker colours of the check box and radio bitmaps (red in the low byte).
constexpr TColor MkGrey = 0x808080, MkFuchsia = 0xFF00FF, MkRed = 0x0000FF, MkWhite = 0xFFFFFF, MkBlue = 0xFF0000,
                 MkAqua = 0xFFFF00, MkGreen = 0x008000, MkBlack = 0x000000, MkLime = 0x00FF00, MkYellow = 0x00FFFF,
                 MkMaroon = 0x000080, MkPurple = 0x800080, MkNavy = 0x800000;
// Pixels of pure green are blended with the background when the glyph is drawn.
constexpr TColor BlendMarker = 0x008000;

TColor Rgb(TColor c) { return vcl::ColorToRGB(c) & 0xFFFFFF; }

// Every pixel of from becomes to.
void ReplaceColor(vcl::TBitmap* bitmap, TColor from, TColor to) {
    vcl::TCanvas* c = bitmap->GetCanvas();
    const TColor key = Rgb(from), with = Rgb(to);
    for (int32_t y = 0; y < bitmap->GetHeight(); ++y)
        for (int32_t x = 0; x < bitmap->GetWidth(); ++x)
            if ((c->GetPixel(x, y) & 0xFFFFFF) == key)
                c->SetPixel(x, y, with);
}

// The caption as it shows: an ampersand marks the accelerator, two stand for one.
std::string ShownCaption(const std::string& caption) {
    std::string out;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i;
        out += caption[i];
    }
    return out;
}

} // namespace

// ---- TFcCustomGlyphButton -------------------------------------------------------------------------------

TFcCustomGlyphButton::TFcCustomGlyphButton(vcl::TComponent* owner)
    : TFcCustomButton(owner), FCustomGlyphs(std::make_unique<vcl::TBitmap>()),
      FBackground(std::make_unique<vcl::TBitmap>()) {
    SetAlignmentVertical(avTop);
    SetColor(vcl::clWindow);
    SetParentColor(true);
    FCustomGlyphs->OnChange = [this](vcl::TObject* sender) { StripChanged(sender); };
}

TFcCustomGlyphButton::~TFcCustomGlyphButton() {
    if (FFrameController)
        FFrameController->RemoveControl(this);
}

void TFcCustomGlyphButton::SetAlignment(vcl::TAlignment value) {
    if (vcl::SetIfChanged(FAlignment, value)) {
        MarkBackground();
        Invalidate();
    }
}

#define LOOMWICK_FC_GLYPH_SETTER(Name, Field)                                                                  \
    void TFcCustomGlyphButton::Set##Name(TColor value) {                                                       \
        if (vcl::SetIfChanged(Field, value))                                                                   \
            Invalidate();                                                                                      \
    }
LOOMWICK_FC_GLYPH_SETTER(FrameColor, FFrameColor)
LOOMWICK_FC_GLYPH_SETTER(DisabledColor, FDisabledColor)
LOOMWICK_FC_GLYPH_SETTER(TransparentColor, FTransparentColor)
LOOMWICK_FC_GLYPH_SETTER(WinMaskColor, FWinMaskColor)
#undef LOOMWICK_FC_GLYPH_SETTER

void TFcCustomGlyphButton::SetCustomGlyphs(vcl::TBitmap* value) { FCustomGlyphs->Assign(value); }

void TFcCustomGlyphButton::StripChanged(vcl::TObject*) {
    FUseCustomGlyphs = !FCustomGlyphs->GetEmpty();
    UpdateGlyphSize();
    MarkBackground();
    Invalidate();
}

void TFcCustomGlyphButton::SetUseCustomGlyphs(bool value) {
    if (!vcl::SetIfChanged(FUseCustomGlyphs, value))
        return;
    UpdateGlyphSize();
    MarkBackground();
    Invalidate();
}

void TFcCustomGlyphButton::SetGlyphCount(int32_t count) {
    FGlyphCount = count;
    UpdateGlyphSize();
}

void TFcCustomGlyphButton::UpdateGlyphSize() {
    if (FUseCustomGlyphs && !FCustomGlyphs->GetEmpty()) {
        FGlyphWidth = FCustomGlyphs->GetWidth() / FGlyphCount;
        FGlyphHeight = FCustomGlyphs->GetHeight();
    } else {
        FGlyphWidth = 13;
        FGlyphHeight = 13;
    }
}

void TFcCustomGlyphButton::SetTransparent(bool value) {
    MarkBackground();
    TFcCustomButton::SetTransparent(value);
}

void TFcCustomGlyphButton::SetFrameController(TFcFrameController* value) {
    LinkFrameController(this, FFrameController, value);
}

void TFcCustomGlyphButton::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    TFcCustomButton::Notification(component, operation);
    if (operation == vcl::opRemove && component == FFrameController)
        FFrameController = nullptr;
}

void TFcCustomGlyphButton::ApplyFrameController() {
    if (!FFrameController || !FFrameController->GetFrameVisible())
        return;
    FFrameColor = FFrameController->GetFrameColor();
    FDisabledColor = FFrameController->GetDisabledColor();
    Invalidate();
}

TColor TFcCustomGlyphButton::AvoidMaskColor(TColor color) {
    const TColor c = Rgb(color);
    if (c != Rgb(FTransparentColor) && c != Rgb(FWinMaskColor) && c != MkGrey)
        return color;
    // White + 1 would set the flag byte and name a palette entry: it steps down instead.
    return c == 0xFFFFFF ? TColor(0xFFFFFE) : TColor(c + 1);
}

TColor TFcCustomGlyphButton::TrackLight() const {
    if (!DisplayHasFullColor())
        return vcl::clWindow;
    if (GetHotTrackColorType() == htctActual)
        return LighterColor(GetHotTrackColor(), 30);
    int32_t hue = HueOfColor(GetHotTrackColor());
    hue = hue < 120 ? hue + 120 : hue - 120;
    return HSL240ToColor(uint8_t(hue), 220, 180);
}

TColor TFcCustomGlyphButton::TrackDark() const {
    if (!DisplayHasFullColor())
        return vcl::clWindow;
    if (GetHotTrackColorType() == htctActual)
        return DarkerColor(GetHotTrackColor(), 30);
    return DarkerColor(TrackLight(), 30);
}

TColor TFcCustomGlyphButton::PressedFace() const {
    return DisplayHasFullColor() ? DarkerColor(vcl::clWindow, 20) : vcl::clWindow;
}

bool TFcCustomGlyphButton::IsCheckedStored() {
    auto* link = dynamic_cast<vcl::TActionLink*>(GetActionLink());
    return !link || !link->IsCheckedLinked();
}

vcl::TAlignment TFcCustomGlyphButton::GetControlsAlignment() const {
    return UseRightToLeftReading() && FAlignment == vcl::taRightJustify ? vcl::taLeftJustify : vcl::taRightJustify;
}

TRect TFcCustomGlyphButton::GlyphRect() {
    const int32_t x = FAlignment == vcl::taRightJustify ? 0 : GetWidth() - FGlyphWidth;
    int32_t y = 2;
    if (GetAlignmentVertical() == avCenter)
        y = (GetHeight() - FGlyphHeight) / 2;
    else if (GetAlignmentVertical() == avBottom)
        y = GetHeight() - FGlyphHeight - 2;
    return {x, y, x + FGlyphWidth, y + FGlyphHeight};
}

void TFcCustomGlyphButton::GetHotTrackRect(TRect& r) { r = GlyphRect(); }

void TFcCustomGlyphButton::ExtractGlyph(int32_t index, vcl::TBitmap* bitmap, int32_t h, int32_t w,
                                        vcl::TBitmap* strip) {
    bitmap->SetSize(w, h);
    bitmap->GetCanvas()->CopyRect({0, 0, w, h}, strip->GetCanvas(), {index * w, 0, (index + 1) * w, h});
}

void TFcCustomGlyphButton::LoadMarkerGlyph(vcl::TBitmap* bitmap, const char* resource,
                                           const std::vector<std::pair<TColor, TColor>>& map) {
    vcl::TBitmap markers;
    markers.LoadFromResourceName(resource);
    const int32_t w = markers.GetWidth(), h = markers.GetHeight();
    bitmap->SetSize(w, h);
    std::map<TColor, TColor> lookup;
    for (const auto& [marker, colour] : map)
        lookup.emplace(marker, Rgb(colour));
    vcl::TCanvas* from = markers.GetCanvas();
    vcl::TCanvas* to = bitmap->GetCanvas();
    // One pass: a replacement colour that equals another marker is not replaced again.
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const TColor p = from->GetPixel(x, y) & 0xFFFFFF;
            auto it = lookup.find(p);
            to->SetPixel(x, y, it == lookup.end() ? p : it->second);
        }
}

void TFcCustomGlyphButton::BuildClassicGlyph(vcl::TBitmap* bitmap, win::UINT state) {
    bitmap->SetSize(FGlyphWidth, FGlyphHeight);
    vcl::TCanvas* c = bitmap->GetCanvas();
    c->GetBrush()->SetColor(FTransparentColor);
    c->FillRect({0, 0, FGlyphWidth, FGlyphHeight});
    TRect r{0, 0, FGlyphWidth, FGlyphHeight};
    win::DrawFrameControl(c->GetHandle(), &r, win::DFC_BUTTON, state);
}

void TFcCustomGlyphButton::DrawGlyph(vcl::TCanvas* canvas) {
    vcl::TBitmap glyph;
    glyph.SetSize(FGlyphWidth, FGlyphHeight);
    BuildGlyph(&glyph);
    const TRect at = GlyphRect();
    const int32_t w = glyph.GetWidth(), h = glyph.GetHeight();
    vcl::TBitmap g1;
    g1.SetSize(w, h);
    if (GetTransparent()) {
        g1.GetCanvas()->CopyRect({0, 0, w, h}, canvas, {at.Left, at.Top, at.Left + w, at.Top + h});
        const TColor key = GetThemeServices()->ThemesEnabled() ? vcl::clBtnFace : FTransparentColor;
        PaintTransparentBitmap(g1.GetCanvas(), &glyph, {0, 0, w, h}, {0, 0, w, h}, key);
    } else {
        g1.GetCanvas()->Draw(0, 0, &glyph);
        ReplaceColor(&g1, FTransparentColor, GetColor());
    }
    ReplaceColor(&g1, FWinMaskColor, vcl::clWindow);
    ReplaceColor(&g1, BlendMarker, BlendColors(FFrameColor, canvas->GetPixel(0, 0), 128));
    canvas->Draw(at.Left, at.Top, &g1);
}

void TFcCustomGlyphButton::Paint() {
    const int32_t width = GetWidth(), height = GetHeight();
    if (width <= 0 || height <= 0)
        return;
    vcl::TBitmap off;
    off.SetSize(width, height);
    vcl::TCanvas* oc = off.GetCanvas();
    oc->SetFont(GetFont());
    oc->GetBrush()->SetColor(GetColor());
    if (FBackgroundDirty || FBackground->GetWidth() != width || FBackground->GetHeight() != height) {
        FBackground->SetSize(width, height);
        if (GetTransparent()) {
            // The erase drew the parent's image on the control.
            FBackground->GetCanvas()->CopyRect({0, 0, width, height}, GetCanvas(), {0, 0, width, height});
        } else {
            FBackground->GetCanvas()->GetBrush()->SetColor(GetColor());
            FBackground->GetCanvas()->FillRect({0, 0, width, height});
        }
        FBackgroundDirty = false;
    }
    oc->Draw(0, 0, FBackground.get());
    DrawGlyph(oc);

    TRect r{1, 1, width - 1, height - 1};
    if (FAlignment == vcl::taRightJustify)
        r.Left += FGlyphWidth + 4;
    else
        r.Right -= FGlyphWidth + 4;
    DrawCaption(oc, r, win::DT_WORDBREAK | win::DT_EXPANDTABS);
    const std::string caption = GetCaption();
    if (Focused() && !caption.empty()) {
        TRect f{r.Left - 1, r.Top - 1, r.Right + 1, r.Bottom + 1};
        oc->SetFont(GetFont());
        const int32_t textWidth = oc->TextWidth(ShownCaption(caption)) + 3;
        if (UseRightToLeftAlignment())
            f.Left = IMax(f.Left, f.Right - textWidth);
        else
            f.Right = IMin(f.Right, f.Left + textWidth);
        PaintFocusBorder(oc, f);
    }
    GetCanvas()->Draw(0, 0, &off);
}

void TFcCustomGlyphButton::UpdateDisplay() {
    if (HandleAllocated())
        Repaint();
}

void TFcCustomGlyphButton::KeyDown(uint16_t& key, vcl::TShiftState shift) {
    if (key == win::VK_RETURN && FTabOnEnter && HandleAllocated()) {
        key = 0;
        win::PostMessage(GetHandle(), win::WM_KEYDOWN, win::VK_TAB, 0);
        return;
    }
    TFcCustomButton::KeyDown(key, shift);
}

void TFcCustomGlyphButton::ActionChange(vcl::TObject* sender, bool checkDefaults) {
    TFcCustomButton::ActionChange(sender, checkDefaults);
    if (auto* action = dynamic_cast<vcl::TCustomAction*>(sender))
        if (!checkDefaults || !GetChecked())
            SetChecked(action->GetChecked());
}

std::unique_ptr<vcl::TControlActionLink> TFcCustomGlyphButton::CreateActionLink() {
    return std::make_unique<TFcCheckedActionLink>(this);
}

void TFcCustomGlyphButton::DefineProperties(vcl::TFiler* filer) {
    TFcCustomButton::DefineProperties(filer);
    // Older layouts called the hot-track look Flat; it is read, never written.
    filer->DefineProperty(
        "Flat", [this](vcl::TReader* r) { SetHotTrack(r->ReadBoolean()); }, nullptr, false);
}

void TFcCustomGlyphButton::Dispatch(vcl::TMessage& m) {
    switch (m.Msg) {
    case win::WM_GETDLGCODE:
        // A button: the arrows are the dialog's, which walks them to the next control.
        m.Result = win::DLGC_BUTTON;
        return;
    case win::WM_ERASEBKGND:
    case win::WM_SIZE:
        MarkBackground();
        break;
    case vcl::CM_ENABLEDCHANGED:
    case vcl::CM_PARENTCOLORCHANGED:
    case vcl::CM_COLORCHANGED:
        MarkBackground();
        TFcCustomButton::Dispatch(m);
        Invalidate();
        return;
    default:
        break;
    }
    TFcCustomButton::Dispatch(m);
}

// ---- TFcRadioButton -------------------------------------------------------------------------------------

TFcRadioButton::TFcRadioButton(vcl::TComponent* owner) : TFcCustomGlyphButton(owner) {
    SetGlyphCount(6);
    SetTabStop(false);
}

void TFcRadioButton::SetChecked(bool value) {
    if (value == FChecked)
        return;
    FChecked = value;
    SetTabStop(value);
    UpdateDisplay();
    if (value) {
        // Every other radio button of the parent goes off, whatever logical group it shows.
        if (vcl::TWinControl* parent = GetParent())
            for (int32_t i = 0; i < parent->GetControlCount(); ++i)
                if (auto* other = dynamic_cast<TFcRadioButton*>(parent->GetControl(i)); other && other != this)
                    other->SetChecked(false);
    }
    Click();
}

void TFcRadioButton::ChangeState() {
    if (!FChecked)
        SetChecked(true);
}

void TFcRadioButton::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) {
    FUsingMouse = true;
    TFcCustomGlyphButton::MouseDown(button, shift, x, y);
}

void TFcRadioButton::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) {
    auto alive = FAliveToken;
    TFcCustomGlyphButton::MouseUp(button, shift, x, y);
    if (*alive)
        FUsingMouse = false;
}

void TFcRadioButton::BuildGlyph(vcl::TBitmap* bitmap) {
    const bool enabled = GetEnabled();
    if (GetUseCustomGlyphs() && !GetCustomGlyphs()->GetEmpty()) {
        int32_t index = FChecked ? (FPressedLook ? 3 : 1) : (FPressedLook ? 2 : 0);
        if (!enabled)
            index = FChecked ? 5 : 4;
        ExtractGlyph(index, bitmap, GetGlyphHeight(), GetGlyphWidth(), GetCustomGlyphs());
        return;
    }
    TThemeServices* services = GetThemeServices();
    if (services->ThemesEnabled()) {
        int code;
        if (!enabled)
            code = FChecked ? tbRadioButtonCheckedDisabled : tbRadioButtonUncheckedDisabled;
        else if (FPressedLook)
            code = FChecked ? tbRadioButtonCheckedPressed : tbRadioButtonUncheckedPressed;
        else if (FChecked)
            code = FMouseOver ? tbRadioButtonCheckedHot : tbRadioButtonCheckedNormal;
        else
            code = FMouseOver ? tbRadioButtonUncheckedHot : tbRadioButtonUncheckedNormal;
        bitmap->SetSize(GetGlyphWidth(), GetGlyphHeight());
        vcl::TCanvas* c = bitmap->GetCanvas();
        c->GetBrush()->SetColor(GetColor());
        c->FillRect({0, 0, GetGlyphWidth(), GetGlyphHeight()});
        services->PaintElement(c->GetHandle(), services->DetailsForButton(code),
                               {0, 0, GetGlyphWidth(), GetGlyphHeight()});
        return;
    }
    if (GetHotTrack()) {
        const bool full = DisplayHasFullColor();
        const TColor frame = GetFrameColor(), window = vcl::clWindow, high = GetHighlightColor();
        TColor face = window;
        std::map<TColor, TColor> m;
        if (full) {
            m = {{MkWhite, window},
                 {MkBlack, AvoidMaskColor(frame)},
                 {MkGreen, LighterColor(frame, 10)},
                 {MkGrey, BlendColors(frame, window, 128)},
                 {MkPurple, BlendColors(frame, window, 128)},
                 {MkMaroon, BlendColors(frame, window, 80)},
                 {MkLime, BlendColors(frame, window, 80)},
                 {MkRed, window},
                 {MkFuchsia, window},
                 {MkYellow, window},
                 {MkNavy, AvoidMaskColor(high)},
                 {MkBlue, BlendColors(high, window, 153)},
                 {MkAqua, BlendMarker}};
        } else {
            const TColor k = AvoidMaskColor(frame), n = AvoidMaskColor(high);
            m = {{MkWhite, window}, {MkGrey, window},  {MkPurple, window}, {MkMaroon, window}, {MkLime, window},
                 {MkRed, window},   {MkFuchsia, window}, {MkYellow, window}, {MkBlack, k},      {MkGreen, k},
                 {MkAqua, k},       {MkNavy, n},       {MkBlue, n}};
        }
        if (!enabled) {
            const TColor d = GetDisabledColor();
            m[MkWhite] = m[MkRed] = m[MkFuchsia] = m[MkYellow] = d;
            m[MkGrey] = m[MkPurple] = BlendColors(frame, d, 128);
            m[MkMaroon] = m[MkLime] = BlendColors(frame, d, 80);
            m[MkNavy] = vcl::clBtnShadow;
            m[MkBlue] = BlendColors(high, d, 128);
        } else if (full && FPressedLook) {
            face = PressedFace();
            m[MkWhite] = m[MkRed] = m[MkFuchsia] = m[MkYellow] = face;
            m[MkGrey] = m[MkPurple] = BlendColors(frame, face, 128);
            m[MkMaroon] = m[MkLime] = BlendColors(frame, face, 80);
            m[MkBlue] = BlendColors(high, face, 153);
        } else if (full && FMouseOver) {
            const TColor dark = TrackDark(), light = TrackLight();
            m[MkGrey] = BlendColors(frame, dark, 128);
            m[MkPurple] = BlendColors(frame, light, 128);
            m[MkMaroon] = BlendColors(frame, dark, 80);
            m[MkLime] = BlendColors(frame, light, 80);
            m[MkRed] = dark;
            m[MkFuchsia] = light;
            m[MkYellow] = BlendColors(light, window, 128);
        }
        LoadMarkerGlyph(bitmap, FChecked ? "FCCOMMON_RADIOBUTTON_CHECKED" : "FCCOMMON_RADIOBUTTON_UNCHECKED",
                        {m.begin(), m.end()});
        return;
    }
    win::UINT state = win::DFCS_BUTTONRADIO | win::DFCS_TRANSPARENT;
    if (FChecked)
        state |= win::DFCS_CHECKED;
    if (FPressedLook)
        state |= win::DFCS_PUSHED;
    if (!enabled)
        state |= win::DFCS_INACTIVE;
    BuildClassicGlyph(bitmap, state);
}

void TFcRadioButton::Dispatch(vcl::TMessage& m) {
    switch (m.Msg) {
    case win::WM_GETDLGCODE:
        m.Result = win::DLGC_BUTTON | win::DLGC_RADIOBUTTON;
        return;
    case win::WM_SETFOCUS: {
        auto alive = FAliveToken;
        TFcCustomGlyphButton::Dispatch(m);
        // Reached by the keyboard (Tab, an accelerator): the focus checks it.
        if (*alive && !FUsingMouse)
            SetChecked(true);
        return;
    }
    case vcl::CM_DIALOGCHAR:
        if (vcl::IsAccel(uint16_t(m.WParam), GetCaption()) && CanFocus()) {
            SetFocus();
            m.Result = 1;
            return;
        }
        break;
    case vcl::CM_DIALOGKEY: {
        const vcl::TShiftState shift = vcl::KeyboardShiftState();
        const bool modified = shift.Contains(vcl::ssShift) || shift.Contains(vcl::ssCtrl) || shift.Contains(vcl::ssAlt);
        if (uint16_t(m.WParam) == win::VK_DOWN && !modified && CanFocus()) {
            Click();
            m.Result = 1;
            return;
        }
        break;
    }
    default:
        break;
    }
    TFcCustomGlyphButton::Dispatch(m);
}

// ---- TFcCustomCheckBox ----------------------------------------------------------------------------------

TFcCustomCheckBox::TFcCustomCheckBox(vcl::TComponent* owner) : TFcCustomGlyphButton(owner) {
    SetGlyphCount(9);
    SetTabStop(true);
}

void TFcCustomCheckBox::SetChecked(bool value) { SetState(value ? vcl::cbChecked : vcl::cbUnchecked); }

void TFcCustomCheckBox::SetState(vcl::TCheckBoxState value) {
    if (!vcl::SetIfChanged(FState, value))
        return;
    UpdateDisplay();
    Click();
}

void TFcCustomCheckBox::ChangeState() {
    switch (FState) {
    case vcl::cbUnchecked: SetState(FAllowGrayed ? vcl::cbGrayed : vcl::cbChecked); break;
    case vcl::cbChecked: SetState(vcl::cbUnchecked); break;
    case vcl::cbGrayed: SetState(vcl::cbChecked); break;
    }
}

void TFcCustomCheckBox::KeyDown(uint16_t& key, vcl::TShiftState shift) {
    if (key == win::VK_SPACE) {
        FKeyToggle = true;
        FPressedLook = true;
        UpdateDisplay();
    } else if (key == win::VK_ESCAPE && (FKeyToggle || FPressedLook)) {
        // Esc while Space is held: the toggle is called off.
        FKeyToggle = false;
        FPressedLook = false;
        UpdateDisplay();
        key = 0;
        return;
    }
    TFcCustomGlyphButton::KeyDown(key, shift);
}

void TFcCustomCheckBox::KeyUp(uint16_t& key, vcl::TShiftState shift) {
    if (key == win::VK_SPACE) {
        FPressedLook = false;
        const bool toggle = std::exchange(FKeyToggle, false);
        auto alive = FAliveToken;
        if (toggle)
            ChangeState();
        if (!*alive) {
            key = 0;
            return;
        }
        UpdateDisplay();
    }
    TFcCustomGlyphButton::KeyUp(key, shift);
}

void TFcCustomCheckBox::DoExit() {
    FPressedLook = false;
    FKeyToggle = false;
    TFcCustomGlyphButton::DoExit();
}

void TFcCustomCheckBox::BuildGlyph(vcl::TBitmap* bitmap) {
    const bool enabled = GetEnabled();
    const int32_t stateIndex = FState == vcl::cbChecked ? 1 : FState == vcl::cbGrayed ? 2 : 0;
    if (GetUseCustomGlyphs() && !GetCustomGlyphs()->GetEmpty()) {
        const int32_t index = !enabled ? 6 + stateIndex : FPressedLook ? 3 + stateIndex : stateIndex;
        ExtractGlyph(index, bitmap, GetGlyphHeight(), GetGlyphWidth(), GetCustomGlyphs());
        return;
    }
    TThemeServices* services = GetThemeServices();
    if (services->ThemesEnabled()) {
        const int base = FState == vcl::cbChecked ? tbCheckBoxCheckedDisabled
                         : FState == vcl::cbGrayed ? tbCheckBoxMixedDisabled
                                                   : tbCheckBoxUncheckedDisabled;
        const int code = !enabled ? base : FPressedLook ? base - 1 : FMouseOver ? base - 2 : base - 3;
        bitmap->SetSize(GetGlyphWidth(), GetGlyphHeight());
        vcl::TCanvas* c = bitmap->GetCanvas();
        const TThemedElementDetails details = services->DetailsForButton(code);
        TRect r{0, 0, GetGlyphWidth(), GetGlyphHeight()};
        if (HandleAllocated()) {
            // The parent shows where the part is partly transparent, as it lies under the glyph.
            const TRect at = GlyphRect();
            win::POINT old{};
            win::SetViewportOrgEx(c->GetHandle(), -at.Left, -at.Top, &old);
            TRect inControl{at.Left, at.Top, at.Right, at.Bottom};
            services->PaintParentBackground(GetHandle(), c->GetHandle(), &details, true, &inControl);
            win::SetViewportOrgEx(c->GetHandle(), old.X, old.Y, nullptr);
        }
        services->PaintElement(c->GetHandle(), details, r);
        return;
    }
    if (GetHotTrack()) {
        const bool full = DisplayHasFullColor();
        const TColor window = vcl::clWindow;
        TColor w = window, r = window, f = window, b = AvoidMaskColor(GetHighlightColor());
        if (!enabled) {
            w = r = f = GetDisabledColor();
            b = vcl::clBtnShadow;
        } else if (full && FPressedLook) {
            w = r = f = PressedFace();
        } else if (full && FMouseOver) {
            r = TrackDark();
            f = TrackLight();
        }
        static const char* const names[] = {"FCCOMMON_CHECKBOX_UNCHECKED", "FCCOMMON_CHECKBOX_CHECKED",
                                            "FCCOMMON_CHECKBOX_GRAYED"};
        LoadMarkerGlyph(bitmap, names[stateIndex],
                        {{MkWhite, w}, {MkGrey, GetFrameColor()}, {MkRed, r}, {MkFuchsia, f}, {MkBlue, b}});
        return;
    }
    win::UINT state = win::DFCS_BUTTONCHECK;
    if (FState == vcl::cbChecked)
        state |= win::DFCS_CHECKED;
    else if (FState == vcl::cbGrayed)
        state |= win::DFCS_CHECKED | win::DFCS_BUTTON3STATE;
    if (FPressedLook)
        state |= win::DFCS_PUSHED;
    if (!enabled)
        state |= win::DFCS_INACTIVE;
    BuildClassicGlyph(bitmap, state);
}

void TFcCustomCheckBox::Dispatch(vcl::TMessage& m) {
    if (m.Msg == vcl::CM_DIALOGCHAR && vcl::IsAccel(uint16_t(m.WParam), GetCaption()) && CanFocus()) {
        auto alive = FAliveToken;
        SetFocus();
        if (*alive && Focused())
            ChangeState();
        m.Result = 1;
        return;
    }
    TFcCustomGlyphButton::Dispatch(m);
}

// ---- TFcCheckedActionLink -------------------------------------------------------------------------------

TFcCheckedActionLink::TFcCheckedActionLink(vcl::TObject* client) : vcl::TControlActionLink(client) {
    AssignClient(client);
}

void TFcCheckedActionLink::AssignClient(vcl::TObject* client) {
    vcl::TControlActionLink::AssignClient(client);
    FGlyphClient = dynamic_cast<TFcCustomGlyphButton*>(client);
    if (client && !FGlyphClient)
        throw vcl::Exception("TFcCheckedActionLink needs a check box or radio button as its client");
}

bool TFcCheckedActionLink::IsCheckedLinked() {
    return vcl::TControlActionLink::IsCheckedLinked() && FGlyphClient &&
           FGlyphClient->GetChecked() == CustomAction()->GetChecked();
}

void TFcCheckedActionLink::SetChecked(bool value) {
    if (IsCheckedLinked())
        FGlyphClient->SetChecked(value);
}

} // namespace controls

// The painters' work: a docked Enhanced toolbar of 30 buttons with glyphs painted whole, an open menu of 40
// entries painted whole, and one 16 x 16 glyph through DrawItemGlyph in its normal, disabled (engraved) and
// faded looks.
#include "bars/xbBar.h"
#include "bars/xbBarDraw.h"
#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarSubMenu.h"
#include "lookandfeel/lkStartup.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/ImgList.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/User.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace resources {
void RegisterResources();
}

namespace {

// A 16 x 16 glyph: a coloured square on a transparent (bottom-left) colour.
std::unique_ptr<vcl::TBitmap> MakeGlyph(int seed) {
    auto glyph = std::make_unique<vcl::TBitmap>();
    glyph->SetPixelFormat(vcl::pf24bit);
    glyph->SetSize(16, 16);
    vcl::TCanvas* canvas = glyph->GetCanvas();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inside = x > 1 && x < 14 && y > 1 && y < 14;
            canvas->SetPixel(x, y, inside ? vcl::TColor(((seed * 37) & 0xFF) | ((x * 15) << 8) | ((y * 15) << 16))
                                          : vcl::TColor(0xFF00FF));
        }
    return glyph;
}

struct PaintModel {
    headless::HeadlessScreen Screen;
    std::unique_ptr<vcl::TForm> Form;
    bars::TxbBarManager* Manager = nullptr;
    vcl::TImageList* Images = nullptr;
    PaintModel() {
        resources::RegisterResources();
        lookandfeel::InitializeLookAndFeel();
        bars::InitBarCommonModule();
        Form = std::make_unique<vcl::TForm>(nullptr);
        Form->SetBounds(0, 0, 1000, 700);
        Manager = new bars::TxbBarManager(Form.get());
        Manager->SetStyle(bars::bmsEnhanced);
        Images = new vcl::TImageList(Form.get(), 16, 16);
        for (int i = 0; i < 30; ++i)
            Images->AddMasked(MakeGlyph(i).get(), vcl::TColor(0xFF00FF));
        Manager->SetImages(Images);
        Form->Show();
    }
    ~PaintModel() {
        Form.reset();
        bars::DoneBarCommonModule();
        lookandfeel::FinalizeLookAndFeel();
    }
};

void Repaint(win::HWND window) {
    win::RedrawWindow(window, nullptr, nullptr, win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_UPDATENOW);
}

void BarsPaintEnhancedToolbar30(benchmark::State& state) {
    PaintModel model;
    bars::TxbBar* bar = model.Manager->GetBars()->Add();
    bar->SetDockingStyle(bars::dsTop);
    bar->SetUseRecentItems(false);
    for (int i = 0; i < 30; ++i) {
        auto* button = new bars::TxbBarButton(model.Form.get());
        button->SetCaption("Button " + std::to_string(i));
        button->SetImageIndex(i);
        button->SetEnabled(i % 7 != 3);
        bars::TxbBarItemLink* link = bar->GetItemLinks()->Add();
        link->SetItem(button);
        link->SetBeginGroup(i % 10 == 0);
    }
    bar->SetVisible(true);
    bars::TxbBarControl* window = bar->GetControl();
    window->HandleNeeded();
    for (auto _ : state)
        Repaint(window->GetHandle());
}
BENCHMARK(BarsPaintEnhancedToolbar30)->Unit(benchmark::kMicrosecond);

void BarsPaintOpenMenu40(benchmark::State& state) {
    PaintModel model;
    auto* popup = new bars::TxbBarPopupMenu(model.Form.get());
    for (int i = 0; i < 40; ++i) {
        auto* item = new bars::TxbBarButton(model.Form.get());
        item->SetCaption("Entry " + std::to_string(i));
        item->SetImageIndex(i % 3 == 0 ? i % 30 : -1);
        item->SetEnabled(i % 9 != 4);
        bars::TxbBarItemLink* link = popup->GetItemLinks()->Add();
        link->SetItem(item);
        link->SetBeginGroup(i % 10 == 0);
    }
    // Opened as a drop-down, the menu needs no loop of its own.
    popup->SetDropDown(true, nullptr);
    popup->Popup(100, 50);
    bars::TxbBarSubMenuControl* menu = popup->GetControl();
    for (auto _ : state)
        Repaint(menu->GetHandle());
    menu->DeactivateAll();
}
BENCHMARK(BarsPaintOpenMenu40)->Unit(benchmark::kMicrosecond);

// One glyph on a 23 x 22 button face: 0 normal, 1 disabled (engraved), 2 disabled and faded.
void BarsDrawItemGlyph(benchmark::State& state) {
    PaintModel model;
    std::unique_ptr<vcl::TBitmap> glyph = MakeGlyph(5);
    vcl::TBitmap target;
    target.SetPixelFormat(vcl::pf32bit);
    target.SetSize(23, 22);
    bars::TxbGlyphDrawParams params;
    params.BackgroundBrush = win::GetSysColorBrush(win::COLOR_BTNFACE);
    params.Area = {0, 0, 23, 22};
    params.GlyphRect = {3, 3, 19, 19};
    params.Bitmap = glyph.get();
    params.Enabled = state.range(0) == 0;
    params.FadeColor = state.range(0) == 2 ? vcl::TColor(0xB0B0B0) : vcl::clNone;
    win::HDC dc = target.GetCanvas()->GetHandle();
    for (auto _ : state)
        bars::DrawItemGlyph(dc, params);
}
BENCHMARK(BarsDrawItemGlyph)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace

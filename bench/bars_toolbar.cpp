// The toolbar window's work: laying out a docked toolbar of 200 buttons in one row, the size of a floating
// one for a width (its rows wrapped at group boundaries), and the mouse hovering across 30 buttons with each
// hot button repainted.
#include "bars/xbBar.h"
#include "lookandfeel/lkStartup.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Forms.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace resources {
void RegisterResources();
}

namespace {

class TBenchItem : public bars::TxbBarItem {
public:
    using bars::TxbBarItem::TxbBarItem;
};

// A button of 23 x 22 drawn by the painter's glyph operation.
class TBenchControl : public bars::TxbBarItemControl {
public:
    using bars::TxbBarItemControl::TxbBarItemControl;
    int32_t GetWidth() override { return 23; }
    int32_t GetHeight() override { return 22; }
    void Draw(const win::TRect& rect, bars::TxbPaintType paintType) override {
        if (GetPainter() && GetWindow())
            GetPainter()->DrawItemGlyph(this, GetWindow()->GetCanvas()->GetHandle(), rect,
                                        IsSelected() ? bars::TxbItemDrawStates{bars::idsSelected}
                                                     : bars::TxbItemDrawStates{},
                                        paintType);
    }
};

struct ToolbarModel {
    headless::HeadlessScreen Screen;
    std::unique_ptr<vcl::TForm> Form;
    bars::TxbBarManager* Manager = nullptr;
    ToolbarModel() {
        resources::RegisterResources();
        lookandfeel::InitializeLookAndFeel();
        bars::InitBarCommonModule();
        bars::RegisterItemClass<TBenchItem, TBenchControl>("TBenchItem", false);
        bars::SetBarControlFactory(bars::MakeToolbarWindow);
        Form = std::make_unique<vcl::TForm>(nullptr);
        Form->SetBounds(0, 0, 1000, 700);
        Manager = new bars::TxbBarManager(Form.get());
    }
    ~ToolbarModel() {
        Form.reset();
        bars::SetBarControlFactory(nullptr);
        bars::UnregisterItemClass(typeid(TBenchItem));
        bars::DoneBarCommonModule();
        lookandfeel::FinalizeLookAndFeel();
    }
    // A shown bar of count buttons, a group every ten.
    bars::TxbBar* MakeBar(int count, bars::TxbBarDockingStyle style) {
        bars::TxbBar* bar = Manager->GetBars()->Add();
        bar->SetDockingStyle(style);
        bar->SetUseRecentItems(false);
        for (int i = 0; i < count; ++i) {
            bars::TxbBarItemLink* link = bar->GetItemLinks()->Add();
            link->SetItem(new TBenchItem(Form.get()));
            link->SetBeginGroup(i % 10 == 0);
        }
        bar->SetVisible(true);
        return bar;
    }
};

void BarsToolbarArrange200(benchmark::State& state) {
    ToolbarModel model;
    bars::TxbBarControl* window = model.MakeBar(200, bars::dsTop)->GetControl();
    window->SetBounds(0, 0, 6000, 26);
    for (auto _ : state)
        window->ArrangeItemLinks();
}
BENCHMARK(BarsToolbarArrange200)->Unit(benchmark::kMicrosecond);

void BarsToolbarCalcSizeByWidth200(benchmark::State& state) {
    ToolbarModel model;
    bars::TxbBarControl* window = model.MakeBar(200, bars::dsNone)->GetControl();
    for (auto _ : state)
        benchmark::DoNotOptimize(window->CalcSizeByWidth(bars::dsNone, 600));
}
BENCHMARK(BarsToolbarCalcSizeByWidth200)->Unit(benchmark::kMicrosecond);

void BarsToolbarHover30(benchmark::State& state) {
    ToolbarModel model;
    model.Form->Show();
    bars::TxbBar* bar = model.MakeBar(30, bars::dsTop);
    bars::TxbBarControl* window = bar->GetControl();
    window->HandleNeeded();
    win::UpdateWindow(window->GetHandle());
    for (auto _ : state) {
        for (int i = 0; i < 30; ++i) {
            bars::TxbBarItemLink* link = bar->GetItemLinks()->GetItem(i);
            const win::TRect& r = link->ItemRect;
            win::SendMessage(window->GetHandle(), win::WM_MOUSEMOVE, 0,
                             win::MAKELPARAM((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
            window->SelectItemControlByMouse(link->GetControl());
            win::UpdateWindow(window->GetHandle());
        }
        window->SelectItemControlByMouse(nullptr);
        win::UpdateWindow(window->GetHandle());
    }
}
BENCHMARK(BarsToolbarHover30)->Unit(benchmark::kMicrosecond);

} // namespace

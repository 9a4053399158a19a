// The bar model's layout work: reading a layout shaped like the editor's main window (its manager, main menu
// bar, 24 buttons, 6 menus and categories), and laying out a top dock of 8 rows of 6 toolbars whose windows
// answer the dock's size questions with fixed sizes.
#include "bars/xbBar.h"
#include "lookandfeel/lkStartup.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TypInfo.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace resources {
void RegisterResources();
}
namespace barsbench {
void RegisterForms();
}

class TBarsEditorForm : public vcl::TForm {
public:
    explicit TBarsEditorForm(vcl::TComponent* owner) : vcl::TForm(owner) {
        InitInheritedComponent(typeid(TBarsEditorForm));
    }
    bars::TxbBarManager* xbBarManager1 = nullptr;
    void MenuItemClick(vcl::TObject*) {}
};

namespace {

// A toolbar window of fixed sizes: 60 to 240 pixels long, 22 thick.
class TBenchBarWindow : public bars::TxbBarControl {
public:
    using bars::TxbBarControl::TxbBarControl;
    int32_t GetMinWidth(bars::TxbBarDockingStyle) override { return 60; }
    int32_t GetMinHeight(bars::TxbBarDockingStyle) override { return 22; }
    int32_t GetMaxWidth(bars::TxbBarDockingStyle) override { return 240; }
    int32_t GetMaxHeight(bars::TxbBarDockingStyle) override { return 22; }
    win::TSize CalcSizeByWidth(bars::TxbBarDockingStyle, int32_t width) override { return {width, 22}; }
    win::TSize CalcSizeByHeight(bars::TxbBarDockingStyle, int32_t height) override { return {22, height}; }
    bool HasMark() override { return true; }
};

struct BarsDockModel {
    headless::HeadlessScreen Screen;
    BarsDockModel() {
        resources::RegisterResources();
        barsbench::RegisterForms();
        lookandfeel::InitializeLookAndFeel();
        bars::InitBarCommonModule();
        vcl::DefineFormClass<TBarsEditorForm, vcl::TForm>()
            .Field("xbBarManager1", &TBarsEditorForm::xbBarManager1)
            .Method("MenuItemClick", &TBarsEditorForm::MenuItemClick);
    }
    ~BarsDockModel() {
        bars::DoneBarCommonModule();
        lookandfeel::FinalizeLookAndFeel();
    }
};

void BarsDockLoadEditorForm(benchmark::State& state) {
    BarsDockModel model;
    for (auto _ : state) {
        auto form = std::make_unique<TBarsEditorForm>(nullptr);
        benchmark::DoNotOptimize(form->xbBarManager1);
    }
}
BENCHMARK(BarsDockLoadEditorForm)->Unit(benchmark::kMicrosecond);

void BarsDockLayoutRows(benchmark::State& state) {
    BarsDockModel model;
    auto form = std::make_unique<vcl::TForm>(nullptr);
    form->SetBounds(0, 0, 1000, 700);
    auto* manager = new bars::TxbBarManager(form.get());
    bars::SetBarControlFactory([](bars::TxbBar* bar) -> bars::TxbBarControl* { return new TBenchBarWindow(bar); });
    bars::TxbDockControl* dock = manager->GetBars()->GetDockControl(bars::dsTop);
    // Placed as a restored layout places them: each bar in its stored row.
    manager->SetRestoringBars(true);
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 6; ++col) {
            bars::TxbBar* bar = manager->GetBars()->Add();
            bar->SetDockingStyle(bars::dsTop);
            bar->SetRow(row);
            bar->SetDockedLeft(col * 170);
            bar->SetVisible(true);
        }
    manager->SetRestoringBars(false);
    bars::SetBarControlFactory(nullptr);
    dock->UpdateLayout();
    for (auto _ : state) {
        dock->LayoutRows();
        benchmark::DoNotOptimize(dock->GetRowCount());
    }
    state.SetItemsProcessed(state.iterations() * 48);
    state.counters["rows"] = dock->GetRowCount();
}
BENCHMARK(BarsDockLayoutRows)->Unit(benchmark::kMicrosecond);

} // namespace

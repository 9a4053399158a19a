// The bar model's link work that runs on every menu opened and every key pressed: RebuildLists (all links
// shown, and a short menu of 100) and CalcRecentItemCount over a collection of 2000 links, FindAccelLink over 500 links (the last one answers),
// and ExecuteShortCut for a shortcut that no item of 1000 has.
#include "bars/xbBar.h"
#include "lookandfeel/lkStartup.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Forms.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace resources {
void RegisterResources();
}

namespace {

// The libraries started, a manager on a form, and a collection of count links to items of their own.
struct BarsBenchModel {
    headless::HeadlessScreen Screen;
    std::unique_ptr<vcl::TForm> Form;
    bars::TxbBarManager* Manager = nullptr;
    std::unique_ptr<bars::TxbBarItemLinks> Links;

    explicit BarsBenchModel(int count) {
        resources::RegisterResources();
        lookandfeel::InitializeLookAndFeel();
        bars::InitBarCommonModule();
        Form = std::make_unique<vcl::TForm>(nullptr);
        Manager = new bars::TxbBarManager(Form.get());
        Links = std::make_unique<bars::TxbBarItemLinks>(Manager, nullptr);
        for (int i = 0; i < count; ++i) {
            auto* item = new bars::TxbBarItem(Form.get());
            item->SetCaption("Command " + std::to_string(i));
            item->SetShortCut(vcl::TShortCut(0x70 + i % 12));
            bars::TxbBarItemLink* link = Links->Add();
            link->SetItem(item);
            link->SetUseCount(i % 37);
            link->SetBeginGroup(i % 7 == 0);
            if (i % 11 == 0)
                link->SetVisible(false);
        }
    }
    ~BarsBenchModel() {
        Links.reset();
        Form.reset();
        bars::DoneBarCommonModule();
        lookandfeel::FinalizeLookAndFeel();
    }
};

void BarsBenchRebuildLists(benchmark::State& state) {
    BarsBenchModel model(2000);
    for (auto _ : state) {
        model.Links->RebuildLists();
        benchmark::DoNotOptimize(model.Links->GetShownItemCount());
    }
    state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BarsBenchRebuildLists);

// A short menu: the first 100 of the recent-use order, shown in collection order.
void BarsBenchRebuildShortMenu(benchmark::State& state) {
    BarsBenchModel model(2000);
    model.Links->SetRecentItemCount(100);
    for (auto _ : state) {
        model.Links->RebuildLists();
        benchmark::DoNotOptimize(model.Links->GetShownItemCount());
    }
    state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BarsBenchRebuildShortMenu);

void BarsBenchCalcRecentItemCount(benchmark::State& state) {
    BarsBenchModel model(2000);
    for (auto _ : state)
        benchmark::DoNotOptimize(model.Links->CalcRecentItemCount());
    state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BarsBenchCalcRecentItemCount);

void BarsBenchFindAccelLink(benchmark::State& state) {
    BarsBenchModel model(500);
    // Only the last link has an accelerator.
    bars::TxbBarItemLink* last = model.Links->GetItem(499);
    last->GetItem()->SetCaption("&Quit");
    last->SetVisible(true);
    for (auto _ : state) {
        bars::TxbBarItemLink* found = model.Links->FindAccelLink('Q', {}, nullptr);
        benchmark::DoNotOptimize(found);
        if (found != last)
            state.SkipWithError("wrong link");
    }
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BarsBenchFindAccelLink);

void BarsBenchMissingShortCut(benchmark::State& state) {
    BarsBenchModel model(1000);
    const vcl::TShortCut missing = vcl::TShortCut('Z' | vcl::scCtrl | vcl::scAlt);
    for (auto _ : state)
        benchmark::DoNotOptimize(model.Links->ExecuteShortCut(missing));
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BarsBenchMissingShortCut);

} // namespace

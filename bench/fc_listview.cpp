// The framed list view and combo box at the sizes the editor meets: sorting 20,000 rows of two columns by
// their caption and by a sub-item, filling the last column as the window is resized, painting one screen of
// rows of a report view, and finding an item's prefix among 10,000 combo items.
#include "controls/FcComboBox.h"
#include "controls/FcCommon.h"
#include "controls/FcListView.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/user/User.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A row's texts in no order a sort would keep: a scrambled number, and every seventh sub-item empty.
std::string BenchCaption(int i) { return "Frame " + std::to_string((i * 7919) % 20011); }
std::string BenchSubItem(int i) { return i % 7 == 0 ? std::string() : std::to_string((i * 104729) % 9973) + " ms"; }

struct TListBench {
    explicit TListBench(int rows) : Screen({0, 0, 1000, 800}) {
        controls::RegisterControlClasses();
        Form = new vcl::TForm(nullptr);
        Form->SetBorderStyle(vcl::bsNone);
        Form->SetBounds(0, 0, 800, 600);
        List = new controls::TFcListView(Form);
        List->SetParent(Form);
        List->SetViewStyle(vcl::vsReport);
        List->SetBounds(0, 0, 640, 480);
        List->GetColumns()->Add()->SetCaption("Frame");
        List->GetColumns()->Add()->SetCaption("Delay");
        List->GetColumns()->GetItem(0)->SetWidth(200);
        List->GetItems()->BeginUpdate();
        for (int i = 0; i < rows; ++i) {
            vcl::TListItem* item = List->GetItems()->Add();
            item->SetCaption(BenchCaption(i));
            item->GetSubItems()->Add(BenchSubItem(i));
        }
        List->GetItems()->EndUpdate();
        Form->Show();
        vcl::Application->ProcessMessages();
    }
    ~TListBench() { Form->Free(); }

    headless::HeadlessScreen Screen;
    vcl::TForm* Form = nullptr;
    controls::TFcListView* List = nullptr;
};

// Argument: the column sorted by (0 the captions, 1 the sub-items).
void BM_ListViewSortAll(benchmark::State& state) {
    TListBench b(20000);
    const int32_t column = int32_t(state.range(0));
    bool descending = false;
    for (auto _ : state) {
        b.List->SortByColumn(column, descending);
        descending = !descending;
    }
    state.SetItemsProcessed(state.iterations() * 20000);
    state.SetLabel(column == 0 ? "20,000 rows by caption" : "20,000 rows by sub-item");
}
BENCHMARK(BM_ListViewSortAll)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ListViewFillLastColumnOnResize(benchmark::State& state) {
    TListBench b(200);
    int32_t width = 400;
    for (auto _ : state) {
        width = width == 400 ? 640 : 400;
        b.List->SetBounds(0, 0, width, 480);
    }
}
BENCHMARK(BM_ListViewFillLastColumnOnResize)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ListViewPaintOneScreen(benchmark::State& state) {
    TListBench b(2000);
    for (auto _ : state) {
        b.List->Invalidate();
        win::UpdateWindow(b.List->GetHandle());
    }
    state.SetLabel(std::to_string(b.List->GetVisibleRowCount()) + " rows shown");
}
BENCHMARK(BM_ListViewPaintOneScreen)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ComboFindItem(benchmark::State& state) {
    headless::HeadlessScreen screen({0, 0, 1000, 800});
    controls::RegisterControlClasses();
    auto* form = new vcl::TForm(nullptr);
    auto* combo = new controls::TFcComboBox(form);
    combo->SetParent(form);
    for (int i = 0; i < 10000; ++i)
        combo->GetItems()->Add("Item " + std::to_string(i));
    form->Show();
    vcl::Application->ProcessMessages();
    int i = 0;
    for (auto _ : state) {
        // Prefixes found early, late, and not at all.
        const std::string prefix = i % 3 == 2 ? "zzz" : "item " + std::to_string((i * 3331) % 10000);
        benchmark::DoNotOptimize(combo->FindItem(prefix));
        ++i;
    }
    form->Free();
}
BENCHMARK(BM_ComboFindItem)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

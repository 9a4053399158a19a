// The tab control at 800 x 600 with 60 tabs on several rows: a full layout and paint, and the repaint that
// hot tracking causes (the hot tab moves on, the layout stays), each with a region cache of one region and
// of every region.
#include "controls/FcCommon.h"
#include "controls/FcTabs.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StringList.h"
#include "platform/win/user/User.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// Moves the hot tab as the mouse would, repainting only the tab area.
class TBenchTabs : public controls::TFcTabControl {
public:
    using controls::TFcTabControl::TFcTabControl;
    void Hover(int32_t tab) {
        FHotTab = tab;
        FHotRepaintOnly = true;
        const win::TRect a = TabArea();
        const win::RECT r{a.Left, a.Top, a.Right + 1, a.Bottom + 1};
        win::InvalidateRect(GetHandle(), &r, win::FALSE);
    }
};

struct TTabsBench {
    TTabsBench() : Screen({0, 0, 1000, 800}) {
        controls::RegisterControlClasses();
        Form = new vcl::TForm(nullptr);
        Form->SetBorderStyle(vcl::bsNone);
        Form->SetBounds(0, 0, 800, 600);
        Tabs = new TBenchTabs(Form);
        Tabs->SetParent(Form);
        Tabs->SetBounds(0, 0, 800, 600);
        Tabs->SetMultiLine(true);
        Tabs->SetColor(16119543);
        Tabs->SetFlatColor(10263441);
        Tabs->GetTabColors()->SetHighlightBar(3983359);
        for (int i = 0; i < 60; ++i)
            Tabs->GetTabNames()->Add("Frame " + std::to_string(i + 1) + (i % 3 == 0 ? " (delay)" : ""));
        Form->Show();
        vcl::Application->ProcessMessages();
        Tabs->SetTabIndex(5);
    }
    ~TTabsBench() { Form->Free(); }

    headless::HeadlessScreen Screen;
    vcl::TForm* Form = nullptr;
    TBenchTabs* Tabs = nullptr;
};

TTabsBench& TabsBench() {
    static TTabsBench bench;
    return bench;
}

// Argument: the region cache's capacity.
void BM_TabsLayoutAndPaint(benchmark::State& state) {
    TTabsBench& b = TabsBench();
    b.Tabs->SetRegionCacheCapacity(int32_t(state.range(0)));
    for (auto _ : state) {
        b.Tabs->InvalidateTabs();
        b.Tabs->Repaint();
    }
    state.SetLabel(state.range(0) < 0 ? "all regions cached" : "one region cached");
}
BENCHMARK(BM_TabsLayoutAndPaint)->Arg(1)->Arg(-1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TabsHotTrackRepaint(benchmark::State& state) {
    TTabsBench& b = TabsBench();
    b.Tabs->SetRegionCacheCapacity(int32_t(state.range(0)));
    b.Tabs->Repaint();
    int32_t hot = 0;
    for (auto _ : state) {
        b.Tabs->Hover(hot);
        win::UpdateWindow(b.Tabs->GetHandle());
        hot = (hot + 7) % 60;
    }
    state.SetLabel(state.range(0) < 0 ? "all regions cached" : "one region cached");
}
BENCHMARK(BM_TabsHotTrackRepaint)->Arg(1)->Arg(-1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

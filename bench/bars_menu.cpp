// The menu window's work: opening a popup menu of 40 entries (layout, placement, the window and its item
// controls), painting it and closing it again.
#include "bars/xbBar.h"
#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarSubMenu.h"
#include "lookandfeel/lkStartup.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Forms.h"
#include "platform/win/user/User.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace resources {
void RegisterResources();
}

namespace {

class TBenchItem : public bars::TxbBarButton {
public:
    using bars::TxbBarButton::TxbBarButton;
};

struct MenuModel {
    headless::HeadlessScreen Screen;
    std::unique_ptr<vcl::TForm> Form;
    bars::TxbBarPopupMenu* Popup = nullptr;
    MenuModel() {
        resources::RegisterResources();
        lookandfeel::InitializeLookAndFeel();
        bars::InitBarCommonModule();
        bars::RegisterItemClass<TBenchItem, bars::TxbBarItemControl>("TBenchItem", false);
        Form = std::make_unique<vcl::TForm>(nullptr);
        Form->SetBounds(0, 0, 1000, 700);
        new bars::TxbBarManager(Form.get());
        Form->Show();
        Popup = new bars::TxbBarPopupMenu(Form.get());
        for (int i = 0; i < 40; ++i) {
            auto* item = new TBenchItem(Form.get());
            item->SetCaption("Entry " + std::to_string(i));
            bars::TxbBarItemLink* link = Popup->GetItemLinks()->Add();
            link->SetItem(item);
            link->SetBeginGroup(i % 10 == 0);
        }
        // Opened as a drop-down, the menu needs no loop of its own.
        Popup->SetDropDown(true, nullptr);
    }
    ~MenuModel() {
        Form.reset();
        bars::UnregisterItemClass(typeid(TBenchItem));
        bars::DoneBarCommonModule();
        lookandfeel::FinalizeLookAndFeel();
    }
};

void BarsMenuOpenPaintClose40(benchmark::State& state) {
    MenuModel model;
    for (auto _ : state) {
        model.Popup->Popup(100, 50);
        bars::TxbBarSubMenuControl* menu = model.Popup->GetControl();
        win::UpdateWindow(menu->GetHandle());
        menu->DeactivateAll();
    }
}
BENCHMARK(BarsMenuOpenPaintClose40)->Unit(benchmark::kMicrosecond);

} // namespace

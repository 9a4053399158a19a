// The toolbar tests' fixture: real toolbar windows for the bars of a manager, and an item kind whose control
// has the sizes its item is given.
#pragma once

#include "BarsTestSupport.h"
#include "TestPainter.h"

#include <initializer_list>
#include <vector>

namespace barstest {

// An item whose control measures as the test says.
class TSizedItem : public bars::TxbBarItem {
public:
    using bars::TxbBarItem::TxbBarItem;
    int32_t W = 23, H = 22, AlignW = 1, AlignH = 1;
};

class TSizedControl : public bars::TxbBarItemControl {
public:
    using bars::TxbBarItemControl::TxbBarItemControl;
    int32_t GetWidth() override { return Sized()->W; }
    int32_t GetHeight() override { return Sized()->H; }
    int32_t GetClientAlignWidth() override { return Sized()->AlignW; }
    int32_t GetClientAlignHeight() override { return Sized()->AlignH; }
    TSizedItem* Sized() { return static_cast<TSizedItem*>(GetItem()); }
    // The painter's glyph operation over the whole rectangle, so that tests see where the control drew.
    void Draw(const win::TRect& rect, bars::TxbPaintType paintType) override {
        if (GetPainter() && GetWindow())
            GetPainter()->DrawItemGlyph(this, GetWindow()->GetCanvas()->GetHandle(), rect, {}, paintType);
    }
};

// One link of a test bar: its control's size, a group break before it, its alignment.
struct LinkSpec {
    int32_t W = 23, H = 22;
    bool Group = false;
    bars::TxbBarItemAlign Align = bars::iaLeft;
};

class ToolbarFixture : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        bars::RegisterItemClass<TSizedItem, TSizedControl>("TSizedItem", false);
        bars::SetBarControlFactory(bars::MakeToolbarWindow);
        Form->SetBounds(0, 0, 640, 480);
        Manager = MakeManager();
        Manager->SetStyle(bars::bmsStandard);
    }
    void TearDown() override {
        bars::SetBarControlFactory(nullptr);
        bars::UnregisterItemClass(typeid(TSizedItem));
        BarsFixture::TearDown();
    }
    // A bar with one link per spec, not yet shown.
    bars::TxbBar* MakeBar(const std::vector<LinkSpec>& links, bars::TxbBarDockingStyle style = bars::dsTop) {
        bars::TxbBar* bar = Manager->GetBars()->Add();
        bar->SetDockingStyle(style);
        for (const LinkSpec& spec : links) {
            auto* item = new TSizedItem(Form);
            item->W = spec.W;
            item->H = spec.H;
            item->SetAlign(spec.Align);
            bars::TxbBarItemLink* link = bar->GetItemLinks()->Add();
            link->SetItem(item);
            link->SetBeginGroup(spec.Group);
        }
        return bar;
    }
    static std::vector<LinkSpec> Buttons(int count, int32_t width = 23) {
        return std::vector<LinkSpec>(size_t(count), LinkSpec{width, 22});
    }
    // The links' rectangles in order.
    static std::vector<win::TRect> Rects(bars::TxbBar* bar) {
        std::vector<win::TRect> rects;
        for (int32_t i = 0; i < bar->GetItemLinks()->GetCount(); ++i)
            rects.push_back(bar->GetItemLinks()->GetItem(i)->ItemRect);
        return rects;
    }

    bars::TxbBarManager* Manager = nullptr;
};

} // namespace barstest

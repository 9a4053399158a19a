// The list box with a horizontal extent.
#include "app/ListBoxHrz.h"

#include "platform/vcl/Canvas.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <algorithm>

namespace app {

TListBoxHrz::TListBoxHrz(vcl::TComponent* owner) : vcl::TListBox(owner) {}

int32_t TListBoxHrz::GetCurrentWidth() {
    if (!HandleAllocated())
        return 0;
    return int32_t(win::SendMessage(GetHandle(), win::LB_GETHORIZONTALEXTENT, 0, 0));
}

void TListBoxHrz::SetCurrentWidth(int32_t value) {
    // Without a window there is nothing to scroll: the items give the extent when one is made.
    if (HandleAllocated())
        win::SendMessage(GetHandle(), win::LB_SETHORIZONTALEXTENT, win::WPARAM(std::max(value, 0)), 0);
}

int32_t TListBoxHrz::ItemWidth(const std::string& text) {
    vcl::TCanvas* canvas = GetCanvas();
    // A device context taken only for measuring goes back at once: the window may be made again.
    const bool own = !canvas->HandleAllocated();
    canvas->GetFont()->Assign(GetFont());
    const int32_t width = canvas->TextWidth(text + "XX");
    if (own)
        static_cast<vcl::TControlCanvas*>(canvas)->FreeHandle();
    return width;
}

void TListBoxHrz::Widen(const std::string& text) {
    const int32_t width = ItemWidth(text);
    if (GetCurrentWidth() < width)
        SetCurrentWidth(width + GetTabWidth());
}

void TListBoxHrz::Recompute() {
    int32_t widest = 0;
    vcl::TStrings* items = GetItems();
    for (int32_t i = 0; i < items->GetCount(); ++i)
        widest = std::max(widest, ItemWidth(items->Get(i)));
    SetCurrentWidth(widest + GetTabWidth());
}

void TListBoxHrz::Dispatch(vcl::TMessage& m) {
    vcl::TListBox::Dispatch(m);
    switch (m.Msg) {
    case win::LB_ADDSTRING:
    case win::LB_INSERTSTRING:
        // The window refused the item (-1, -2): nothing was added.
        if (intptr_t(m.Result) >= 0 && m.LParam && HandleAllocated())
            Widen(reinterpret_cast<const char*>(m.LParam));
        break;
    case win::LB_DELETESTRING:
        if (HandleAllocated())
            Recompute();
        break;
    case win::LB_RESETCONTENT:
        SetCurrentWidth(0);
        break;
    case vcl::CM_FONTCHANGED:
        if (HandleAllocated())
            Recompute();
        break;
    default:
        break;
    }
}

void RegisterListBoxHrzClass() {
    using C = TListBoxHrz;
    vcl::DefineClassProperties<C, vcl::TListBox>().Property("CurrentWidth", &C::GetCurrentWidth,
                                                            &C::SetCurrentWidth);
    vcl::RegisterClass<C>("TListBoxHrz");
}

} // namespace app

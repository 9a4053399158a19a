// A list box whose horizontal scroll extent follows its widest item, so that long entries such as file
// paths can be scrolled into view. The extent is kept up to date from the item messages themselves, so it
// holds however the items change (through Items, by code sending the messages, or on a new window).
#pragma once

#include "platform/vcl/StdCtrls.h"

#include <cstdint>
#include <string>

namespace app {

class TListBoxHrz : public vcl::TListBox {
public:
    explicit TListBoxHrz(vcl::TComponent* owner);

    // The horizontal extent in pixels, as the window keeps it; 0 while there is no window.
    int32_t GetCurrentWidth();
    void SetCurrentWidth(int32_t value);

    // The width an item asks for: its text followed by "XX", measured on the list box's canvas in its font.
    int32_t ItemWidth(const std::string& text);

    void Dispatch(vcl::TMessage& message) override;

private:
    // Widens the extent for a new item, never narrows it.
    void Widen(const std::string& text);
    // The widest item's width (0 for none) plus the tab width.
    void Recompute();
};

// Registers the class and its published properties for layouts.
void RegisterListBoxHrzClass();

} // namespace app

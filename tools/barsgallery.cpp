// Draws the command bars on the headless screen in one painter family and one colour scheme and writes each
// part as a 24-bit BMP file, for checks that compute the expected colours themselves:
//   barsgallery standard|enhanced classic|white|black DIR
// The schemes are the built-in system colours (classic), a scheme with a white button face and one with a
// black button face. No visual style is active. Printed, one a line:
//   sys NAME R,G,B                  the scheme's system colours the bars draw with
//   glyph NAME R,G,B                the colour of a button's 16 x 16 picture: a square from (2, 2) to (13, 13)
//                                   on the key colour (NAME key), which stands for transparent
//   file FILE W H                   a picture written to DIR
//   part FILE NAME X Y W H          where a part lies in that picture
// The pictures: menubar.bmp, toolbar.bmp (buttons normal, hot, pressed, checked, disabled, faded and a
// drop-down button; the hot and pressed buttons are taken while the pointer rests on them or holds them down,
// the faded one while the manager fades disabled pictures), truncated-h.bmp and truncated-v.bmp (bars too long
// for their form, with their end marks), menu.bmp (an open menu: shortcut, separator, check, sub-menu arrow,
// disabled entry and, where the family shows them, rarely used entries), floating.bmp (a floating bar with its
// caption and close button), dock.bmp (the top dock with two rows) and hint.bmp (a hint).
#include "bars/xbBar.h"
#include "bars/xbBarHints.h"
#include "bars/xbBarPopupMenu.h"
#include "lookandfeel/lkStartup.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Forms.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Clock.h"
#include "platform/win/theme/ThemeEngine.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/User.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <stdexcept>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace resources {
void RegisterResources();
}

namespace {

using vcl::TColor;
using win::TPoint;
using win::TRect;

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string Rgb(win::COLORREF c) {
    return std::to_string(c & 0xFF) + "," + std::to_string((c >> 8) & 0xFF) + "," + std::to_string((c >> 16) & 0xFF);
}

// ---- Schemes ------------------------------------------------------------------------------------------------

struct SchemeColour {
    int Index;
    const char* Name;
};
constexpr SchemeColour SchemeColours[] = {
    {win::COLOR_BTNFACE, "BTNFACE"},       {win::COLOR_BTNSHADOW, "BTNSHADOW"},
    {win::COLOR_BTNHIGHLIGHT, "BTNHIGHLIGHT"}, {win::COLOR_BTNTEXT, "BTNTEXT"},
    {win::COLOR_3DDKSHADOW, "3DDKSHADOW"}, {win::COLOR_3DLIGHT, "3DLIGHT"},
    {win::COLOR_HIGHLIGHT, "HIGHLIGHT"},   {win::COLOR_HIGHLIGHTTEXT, "HIGHLIGHTTEXT"},
    {win::COLOR_GRAYTEXT, "GRAYTEXT"},     {win::COLOR_MENU, "MENU"},
    {win::COLOR_MENUTEXT, "MENUTEXT"},     {win::COLOR_WINDOW, "WINDOW"},
    {win::COLOR_WINDOWTEXT, "WINDOWTEXT"}, {win::COLOR_INFOBK, "INFOBK"},
    {win::COLOR_INFOTEXT, "INFOTEXT"},     {win::COLOR_ACTIVECAPTION, "ACTIVECAPTION"},
    {win::COLOR_INACTIVECAPTION, "INACTIVECAPTION"}, {win::COLOR_CAPTIONTEXT, "CAPTIONTEXT"},
    {win::COLOR_INACTIVECAPTIONTEXT, "INACTIVECAPTIONTEXT"},
};

// A scheme's colours besides the built-in ones: button face, its text, shadow and highlight, the selection.
struct Scheme {
    win::COLORREF Face, Text, Shadow, Highlight, Selection, SelectionText, Gray;
};
constexpr Scheme WhiteFace{0xFFFFFF, 0x000000, 0x808080, 0xC0C0C0, 0x800000, 0xFFFFFF, 0x808080};
constexpr Scheme BlackFace{0x000000, 0xFFFFFF, 0x808080, 0xFFFFFF, 0x800080, 0xFFFFFF, 0x00FF00};

void ApplyScheme(const Scheme& s) {
    const std::pair<int, win::COLORREF> colours[] = {
        {win::COLOR_BTNFACE, s.Face},          {win::COLOR_3DLIGHT, s.Face},
        {win::COLOR_BTNTEXT, s.Text},          {win::COLOR_BTNSHADOW, s.Shadow},
        {win::COLOR_BTNHIGHLIGHT, s.Highlight}, {win::COLOR_3DDKSHADOW, s.Text},
        {win::COLOR_HIGHLIGHT, s.Selection},   {win::COLOR_HIGHLIGHTTEXT, s.SelectionText},
        {win::COLOR_GRAYTEXT, s.Gray},         {win::COLOR_MENU, s.Face},
        {win::COLOR_MENUTEXT, s.Text},         {win::COLOR_WINDOW, s.Face},
        {win::COLOR_WINDOWTEXT, s.Text},       {win::COLOR_INFOBK, s.Face},
        {win::COLOR_INFOTEXT, s.Text},
    };
    std::vector<win::INT> elements;
    std::vector<win::COLORREF> values;
    for (const auto& [index, value] : colours) {
        elements.push_back(index);
        values.push_back(value);
    }
    win::SetSysColors(int(elements.size()), elements.data(), values.data());
}

// ---- The bars -----------------------------------------------------------------------------------------------

constexpr win::COLORREF GlyphKey = 0x008080; // olive

struct Gallery {
    headless::HeadlessScreen* Screen = nullptr;
    win::ManualClock* Clock = nullptr;
    std::string Dir;
    bars::TxbBarManagerStyle Style = bars::bmsEnhanced;
    std::vector<std::unique_ptr<vcl::TForm>> Forms;

    void Drain() {
        win::MSG m;
        for (int round = 0; round < 4; ++round)
            while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE)) {
                win::TranslateMessage(&m);
                win::DispatchMessage(&m);
            }
    }
    void Advance(uint64_t ms) {
        Clock->Advance(ms);
        Drain();
    }
    void Mouse(win::MouseAction action, TPoint p) {
        Screen->InjectMouse(action, p);
        Drain();
    }
    void Key(int vk, bool down) {
        Screen->InjectKey(vk, down);
        Drain();
    }
    void Chord(int modifier, int vk) {
        Key(modifier, true);
        Key(vk, true);
        Key(vk, false);
        Key(modifier, false);
    }

    vcl::TForm* MakeForm(const TRect& bounds) {
        Forms.push_back(std::make_unique<vcl::TForm>(nullptr));
        vcl::TForm* form = Forms.back().get();
        form->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
        return form;
    }
    bars::TxbBarManager* MakeManager(vcl::TForm* form) {
        auto* manager = new bars::TxbBarManager(form);
        manager->SetStyle(Style);
        return manager;
    }
    static void Activate(vcl::TForm* form) {
        form->Show();
        win::SetForegroundWindow(form->GetHandle());
        win::SetActiveWindow(form->GetHandle());
        win::SetFocus(form->GetHandle());
    }

    static void SetPicture(bars::TxbBarItem* item, win::COLORREF colour) {
        vcl::TBitmap glyph;
        glyph.SetPixelFormat(vcl::pf24bit);
        glyph.SetSize(16, 16);
        vcl::TCanvas* c = glyph.GetCanvas();
        c->GetBrush()->SetColor(TColor(GlyphKey));
        c->FillRect({0, 0, 16, 16});
        c->GetBrush()->SetColor(TColor(colour));
        c->FillRect({2, 2, 14, 14});
        item->SetGlyph(&glyph);
    }
    // An item of the form (a button unless Item says otherwise) with that caption, linked at the end of links.
    template <class Item = bars::TxbBarButton>
    static Item* AddItem(vcl::TForm* form, bars::TxbBarItemLinks* links, const std::string& caption,
                         bool beginGroup = false) {
        auto* item = new Item(form);
        item->SetCaption(caption);
        bars::TxbBarItemLink* link = links->Add();
        link->SetItem(item);
        link->SetBeginGroup(beginGroup);
        return item;
    }
    static bars::TxbBar* AddBar(bars::TxbBarManager* manager, const std::string& name, bars::TxbBarDockingStyle style) {
        bars::TxbBar* bar = manager->GetBars()->Add();
        bar->SetName(name);
        bar->SetCaption(name);
        bar->SetDockingStyle(style);
        return bar;
    }

    // ---- Pictures

    static TRect WindowRect(vcl::TWinControl* window) {
        TRect r{};
        win::GetWindowRect(window->GetHandle(), &r);
        return r;
    }
    // The screen's pixels of rect as a picture (24 bits, bottom-up rows) in DIR.
    void Write(const std::string& file, const TRect& rect, vcl::TBitmap* picture = nullptr) {
        vcl::TBitmap own;
        if (!picture) {
            picture = &own;
            Grab(own, rect);
        }
        picture->SaveToFile(Dir + "/" + file);
        Say("file " + file + " " + std::to_string(rect.Width()) + " " + std::to_string(rect.Height()));
    }
    void Grab(vcl::TBitmap& picture, const TRect& rect) {
        picture.SetPixelFormat(vcl::pf24bit);
        picture.SetSize(rect.Width(), rect.Height());
        for (int y = 0; y < rect.Height(); ++y)
            Copy(picture, rect, {rect.Left, rect.Top + y, rect.Right, rect.Top + y + 1});
    }
    // Puts the screen's pixels of part (screen coordinates, within rect) into the picture of rect.
    void Copy(vcl::TBitmap& picture, const TRect& rect, const TRect& part) {
        for (int y = part.Top; y < part.Bottom; ++y) {
            auto* row = static_cast<uint8_t*>(picture.ScanLine(y - rect.Top));
            for (int x = part.Left; x < part.Right; ++x) {
                const win::COLORREF c = Screen->ScreenPixel(x, y);
                uint8_t* p = row + 3 * (x - rect.Left);
                p[0] = uint8_t((c >> 16) & 0xFF);
                p[1] = uint8_t((c >> 8) & 0xFF);
                p[2] = uint8_t(c & 0xFF);
            }
        }
    }
    static void Part(const std::string& file, const std::string& name, const TRect& origin, const TRect& screen) {
        Say("part " + file + " " + name + " " + std::to_string(screen.Left - origin.Left) + " " +
            std::to_string(screen.Top - origin.Top) + " " + std::to_string(screen.Width()) + " " +
            std::to_string(screen.Height()));
    }
    static TRect LinkRect(bars::TxbBarItemLink* link) {
        bars::TxbBarItemControl* control = link->GetControl();
        return control && control->GetWindow() ? control->GetWindow()->GetItemScreenRect(control) : TRect{};
    }
    static TRect ClientToScreen(vcl::TWinControl* window, const TRect& r) {
        const TPoint tl = window->ClientToScreen({r.Left, r.Top});
        return {tl.X, tl.Y, tl.X + r.Width(), tl.Y + r.Height()};
    }
    static TPoint Centre(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

    // ---- The editor-like form: menu bar, toolbar, menu, floating bar, dock

    void MainForm() {
        vcl::TForm* form = MakeForm({0, 0, 420, 300});
        bars::TxbBarManager* manager = MakeManager(form);
        manager->SetShowFullMenusAfterDelay(false);
        bars::TxbBar* menuBar = AddBar(manager, "Menu", bars::dsTop);
        menuBar->SetIsMainMenu(true);
        menuBar->SetWholeRow(true);
        bars::TxbBarSubItem* file = AddItem<bars::TxbBarSubItem>(form, menuBar->GetItemLinks(), "&File");
        AddItem<bars::TxbBarSubItem>(form, menuBar->GetItemLinks(), "&Edit");
        AddItem<bars::TxbBarSubItem>(form, menuBar->GetItemLinks(), "&Help");

        // The menu: recent entries first in the family that hides the others.
        bars::TxbBarItemLinks* entries = file->GetItemLinks();
        bars::TxbBarButton* open = AddItem(form, entries, "&Open");
        open->SetShortCut(vcl::ShortCut('O', vcl::TShiftState{vcl::ssCtrl}));
        bars::TxbBarButton* check = AddItem(form, entries, "&Loop", true);
        check->SetButtonStyle(bars::bsChecked);
        check->SetDown(true);
        bars::TxbBarSubItem* more = AddItem<bars::TxbBarSubItem>(form, entries, "&Recent");
        AddItem(form, more->GetItemLinks(), "One");
        bars::TxbBarButton* disabled = AddItem(form, entries, "&Print");
        disabled->SetEnabled(false);
        AddItem(form, entries, "&Seldom");
        AddItem(form, entries, "&Rarely");
        const bool rarely = Style == bars::bmsEnhanced;
        if (rarely) {
            entries->SetUseRecentItems(true);
            for (int32_t i = 0; i < 4; ++i) {
                entries->GetItem(i)->SetUseCount(30);
                entries->GetItem(i)->MoveToRecentFront(false);
            }
            entries->GetItem(4)->SetMostRecentlyUsed(false);
            entries->GetItem(5)->SetMostRecentlyUsed(false);
        }

        bars::TxbBar* tools = AddBar(manager, "Tools", bars::dsTop);
        tools->SetOneOnRow(true);
        tools->SetRow(1);
        bars::TxbBarItemLinks* links = tools->GetItemLinks();
        struct Spec {
            const char* Name;
            win::COLORREF Colour;
            bool Group;
        };
        const Spec specs[] = {{"normal", 0x0000FF, false},  {"hot", 0x00C000, false},     {"pressed", 0xFF0000, false},
                              {"checked", 0x0080FF, true},  {"disabled", 0xFF00FF, true}, {"faded", 0xC08000, false},
                              {"dropdown", 0x00C0C0, true}};
        std::map<std::string, bars::TxbBarButton*> buttons;
        for (const Spec& s : specs) {
            bars::TxbBarButton* b = AddItem(form, links, s.Name, s.Group);
            SetPicture(b, s.Colour);
            buttons[s.Name] = b;
            Say("glyph " + std::string(s.Name) + " " + Rgb(s.Colour));
        }
        Say("glyph key " + Rgb(GlyphKey));
        buttons["checked"]->SetButtonStyle(bars::bsChecked);
        buttons["checked"]->SetDown(true);
        buttons["disabled"]->SetEnabled(false);
        buttons["faded"]->SetEnabled(false);
        auto* dropMenu = new bars::TxbBarPopupMenu(form);
        dropMenu->SetBarManager(manager);
        AddItem(form, dropMenu->GetItemLinks(), "Save As");
        buttons["dropdown"]->SetButtonStyle(bars::bsDropDown);
        buttons["dropdown"]->SetDropDownMenu(dropMenu);

        bars::TxbBar* floating = AddBar(manager, "Float", bars::dsNone);
        floating->SetAllowClose(true);
        floating->SetFloatLeft(600);
        floating->SetFloatTop(420);
        SetPicture(AddItem(form, floating->GetItemLinks(), "One"), 0x0000FF);
        SetPicture(AddItem(form, floating->GetItemLinks(), "Two"), 0x00C000);

        menuBar->SetVisible(true);
        tools->SetVisible(true);
        floating->SetVisible(true);
        Activate(form);
        Drain();

        // The menu bar and its entries.
        bars::TxbBarControl* menuWindow = menuBar->GetControl();
        const TRect menuRect = WindowRect(menuWindow);
        Write("menubar.bmp", menuRect);
        for (int32_t i = 0; i < menuBar->GetItemLinks()->GetCount(); ++i)
            Part("menubar.bmp", "entry" + std::to_string(i), menuRect, LinkRect(menuBar->GetItemLinks()->GetItem(i)));

        // The dock with its two rows.
        bars::TxbDockControl* dock = manager->GetBars()->GetDockControl(bars::dsTop);
        const TRect dockRect = WindowRect(dock);
        Write("dock.bmp", dockRect);
        for (int32_t r = 0; r < dock->GetRowCount(); ++r)
            Part("dock.bmp", "row" + std::to_string(r), dockRect, ClientToScreen(dock, dock->GetRowRect(r)));
        Part("dock.bmp", "menubar", dockRect, menuRect);
        Part("dock.bmp", "toolbar", dockRect, WindowRect(tools->GetControl()));

        Toolbar(manager, tools, buttons);
        Menu(form, file, rarely);
        Floating(floating);
    }

    void Toolbar(bars::TxbBarManager* manager, bars::TxbBar* tools, std::map<std::string, bars::TxbBarButton*>& buttons) {
        bars::TxbBarControl* window = tools->GetControl();
        const TRect rect = WindowRect(window);
        auto linkOf = [&](const std::string& name) {
            bars::TxbBarItemLinks* links = tools->GetItemLinks();
            for (int32_t i = 0; i < links->GetCount(); ++i)
                if (links->GetItem(i)->GetItem() == buttons[name])
                    return links->GetItem(i);
            return static_cast<bars::TxbBarItemLink*>(nullptr);
        };
        vcl::TBitmap picture;
        Grab(picture, rect);
        // The hot button while the pointer rests on it, the pressed one while it is held down.
        const TRect hot = LinkRect(linkOf("hot"));
        Mouse(win::MouseAction::Move, Centre(hot));
        Copy(picture, rect, hot);
        const TRect pressed = LinkRect(linkOf("pressed"));
        Mouse(win::MouseAction::Move, Centre(pressed));
        Mouse(win::MouseAction::LeftDown, Centre(pressed));
        win::UpdateWindow(window->GetHandle());
        Copy(picture, rect, pressed);
        Mouse(win::MouseAction::Move, {410, 290});
        Mouse(win::MouseAction::LeftUp, {410, 290});
        // The faded button while the manager fades disabled pictures.
        manager->SetMakeDisabledImagesFaded(true);
        Drain();
        window = tools->GetControl();
        win::RedrawWindow(window->GetHandle(), nullptr, nullptr,
                          win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_FRAME | win::RDW_UPDATENOW | win::RDW_ALLCHILDREN);
        Drain();
        const TRect faded = LinkRect(linkOf("faded"));
        Copy(picture, rect, faded);
        manager->SetMakeDisabledImagesFaded(false);
        Drain();
        Write("toolbar.bmp", rect, &picture);
        for (const char* name : {"normal", "hot", "pressed", "checked", "disabled", "faded", "dropdown"})
            Part("toolbar.bmp", name, rect, LinkRect(linkOf(name)));
        Part("toolbar.bmp", "client", rect, ClientToScreen(window, window->GetClientRect()));
        if (window->HasMark())
            Part("toolbar.bmp", "mark", rect, ClientToScreen(window, window->GetMarkRect()));
    }

    void Menu(vcl::TForm* form, bars::TxbBarSubItem* file, bool rarely) {
        Activate(form);
        Drain();
        Chord(win::VK_MENU, 'F');
        if (rarely)
            Chord(win::VK_CONTROL, win::VK_DOWN);
        // Nothing selected: the entries in their plain look.
        auto* menu = dynamic_cast<bars::TCustomxbBarControl*>(file->GetItemLinks()->GetMenuWindow());
        if (!menu)
            throw std::runtime_error("the File menu did not open");
        menu->SelectItemControl(nullptr);
        win::UpdateWindow(menu->GetHandle());
        Drain();
        const TRect rect = WindowRect(menu);
        Write("menu.bmp", rect);
        const char* names[] = {"open", "check", "submenu", "disabled", "rarely1", "rarely2"};
        bars::TxbBarItemLinks* links = file->GetItemLinks();
        for (int32_t i = 0; i < links->GetCount() && i < 6; ++i) {
            bars::TxbBarItemLink* link = links->GetItem(i);
            if (!link->GetControl())
                continue;
            if (i >= 4 && !rarely)
                continue;
            Part("menu.bmp", names[i], rect, LinkRect(link));
        }
        Part("menu.bmp", "client", rect, ClientToScreen(menu, menu->GetClientRect()));
        while (bars::GetActiveBarControl())
            bars::GetActiveBarControl()->DeactivateAll();
        Drain();
    }

    void Floating(bars::TxbBar* bar) {
        bars::TxbBarControl* window = bar->GetControl();
        win::UpdateWindow(window->GetHandle());
        Drain();
        const TRect rect = WindowRect(window);
        Write("floating.bmp", rect);
        const TRect caption = window->GetCaptionRect();
        Part("floating.bmp", "caption", rect,
             {rect.Left + caption.Left, rect.Top + caption.Top, rect.Left + caption.Right, rect.Top + caption.Bottom});
        Part("floating.bmp", "close", rect, ClientToScreen(window, window->GetCloseButtonRect()));
        Part("floating.bmp", "client", rect, ClientToScreen(window, window->GetClientRect()));
    }

    // ---- Bars too long for their form

    void Truncated() {
        vcl::TForm* form = MakeForm({460, 0, 680, 300});
        bars::TxbBarManager* manager = MakeManager(form);
        bars::TxbBar* top = AddBar(manager, "Top", bars::dsTop);
        bars::TxbBar* left = AddBar(manager, "Left", bars::dsLeft);
        for (bars::TxbBar* bar : {top, left})
            for (int i = 0; i < 14; ++i)
                SetPicture(AddItem(form, bar->GetItemLinks(), "B" + std::to_string(i)), 0x0000FF + 0x1100 * i);
        top->SetVisible(true);
        left->SetVisible(true);
        Activate(form);
        Drain();
        const std::pair<bars::TxbBar*, const char*> shots[] = {{top, "truncated-h.bmp"}, {left, "truncated-v.bmp"}};
        for (const auto& [bar, file] : shots) {
            bars::TxbBarControl* window = bar->GetControl();
            const TRect rect = WindowRect(window);
            Write(file, rect);
            Part(file, "client", rect, ClientToScreen(window, window->GetClientRect()));
            if (window->HasMark())
                Part(file, "mark", rect, ClientToScreen(window, window->GetMarkRect()));
            Say(std::string("truncated ") + file + " " + (window->GetTruncated() ? "1" : "0"));
        }
    }

    // ---- A hint

    void Hint() {
        vcl::TForm* form = Forms.front().get();
        auto* manager = bars::GetBarManagerByForm(form);
        win::SetCursorPos(700, 600);
        manager->UpdateHint(true, "Open a file");
        Advance(bars::BarHintShowDelay);
        bars::TxbBarHintWindow* hint = bars::BarHintWindow();
        if (!hint || !hint->HandleAllocated())
            throw std::runtime_error("no hint window");
        win::UpdateWindow(hint->GetHandle());
        const TRect rect = WindowRect(hint);
        Write("hint.bmp", rect);
        Part("hint.bmp", "text", rect, {rect.Left + 3, rect.Top + 3, rect.Right - 3, rect.Bottom - 3});
        manager->UpdateHint(false);
    }
};

bool ParseStyle(const std::string& name, bars::TxbBarManagerStyle* style) {
    if (name == "standard")
        *style = bars::bmsStandard;
    else if (name == "enhanced")
        *style = bars::bmsEnhanced;
    else
        return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    bars::TxbBarManagerStyle style = bars::bmsEnhanced;
    const std::string scheme = argc > 2 ? argv[2] : "";
    if (argc != 4 || !ParseStyle(argv[1], &style) || (scheme != "classic" && scheme != "white" && scheme != "black")) {
        std::fprintf(stderr, "usage: barsgallery standard|enhanced classic|white|black DIR\n");
        return 2;
    }
    try {
        const TRect whole{0, 0, 1024, 768};
        headless::HeadlessScreen screen(whole, whole);
        screen.SetComposited(false);
        win::ManualClock clock(100000);
        win::ScopedClock clockScope(clock);
        win::SetThemeEngine(nullptr);
        if (scheme == "white")
            ApplyScheme(WhiteFace);
        else if (scheme == "black")
            ApplyScheme(BlackFace);
        for (const SchemeColour& c : SchemeColours)
            Say(std::string("sys ") + c.Name + " " + Rgb(win::GetSysColor(c.Index)));
        resources::RegisterResources();
        lookandfeel::InitializeLookAndFeel();
        bars::InitBarCommonModule();
        vcl::Application->Initialize();
        Say("sys HINT " + Rgb(win::COLORREF(vcl::ColorToRGB(vcl::Application->GetHintColor()))));
        {
            Gallery gallery;
            gallery.Screen = &screen;
            gallery.Clock = &clock;
            gallery.Dir = argv[3];
            gallery.Style = style;
            gallery.MainForm();
            gallery.Truncated();
            gallery.Hint();
        }
        bars::FreeBarHintWindow();
        bars::DoneBarCommonModule();
        lookandfeel::FinalizeLookAndFeel();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "barsgallery: %s\n", e.what());
        return 1;
    }
}

// The command bars' demonstration: a form read from its layout file (TBarsDemoForm.txt, embedded at build
// time) with a main menu bar ("&File": New Ctrl+N, Open... Ctrl+O, Save Ctrl+S, Save As...; "&Help": About), a
// toolbar docked below it (a plain button, a check button that is down, a drop-down button and a button showing
// its caption), a floating toolbar of two buttons, and a popup menu (Insert Frame, Remove Frame, Select All
// Ctrl+A) that a right click on the form opens at the pointer. The plain buttons carry 16 x 16 pictures of
// their own: a square of one colour (red, green, blue, orange, magenta) on olive, the colour that stands for
// transparent.
//
// Every command run prints its item's tag:
//   tag N
// With --bounds the program prints, once its windows show, where they are on the screen:
//   window form|menubar|docked|floating X,Y WxH   (the form and its three bars' windows)
//   button NAME X,Y WxH                            (each shown link of the docked toolbar, the floating one and
//                                                  the menu bar, in that order, by item name)
//   ready
// and afterwards, as menus open and close (a menu is named after its sub item or popup menu):
//   menu NAME X,Y WxH
//   entry NAME/ITEM X,Y WxH                        (each shown entry of that menu)
//   closed NAME
// With --render FILE.bmp it shows the same form on the headless screen instead (the size of --screen, its
// work area the whole screen, the colour scheme LOOMWICK_THEME names, as on the desktop; with --menu NAME the
// menu bar's entry NAME opened by its Alt key, as a user would), prints the same lines, then the centre of each
// button and open menu entry with the colour the render has there:
//   point NAME X,Y R,G,B                           (NAME as in the button and entry lines)
// writes the whole screen as a 24-bit BMP file and ends.
// Options: --screen WxH (default 1024x768), --style standard|enhanced|flat|xp|office11 (the manager's style,
// so the painter family the bars draw with), --seconds N (the desktop run ends after N seconds), --pointer X,Y
// (the render's pointer, where a desktop check parks its own; default the screen's bottom-right pixel).
// Used by tests/external/bars_toolbar.sh and tests/external/bars_menus.sh.
#include "bars/xbBar.h"
#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarSubMenu.h"
#include "lookandfeel/lkStartup.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/backend/qt/QtScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/theme/ThemeEngine.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/User.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cctype>
#include <exception>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace resources {
void RegisterResources();
}

namespace barsdemo {

void RegisterDemoForms();

using namespace vcl;

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string RectText(const TRect& r) {
    return std::to_string(r.Left) + "," + std::to_string(r.Top) + " " + std::to_string(r.Width()) + "x" +
           std::to_string(r.Height());
}

class TBarsDemoForm : public TForm {
public:
    explicit TBarsDemoForm(TComponent* owner) : TForm(owner) {
        InitInheritedComponent(typeid(TBarsDemoForm));
        miSave->SetDropDownMenu(pumSave);
        // A right click anywhere on the form opens the frames' popup menu at the pointer.
        bars::TxbBarPopupMenuLink* link = xbBarManager1->GetPopupMenuLinks()->Add();
        link->SetControl(this);
        link->SetPopupMenu(pumFrames);
        const std::pair<bars::TxbBarButton*, TColor> pictures[] = {
            {miNew, TColor(0x0000FF)},         {miLoop, TColor(0x00C000)},        {miSave, TColor(0xFF0000)},
            {miFrameInsert, TColor(0x0080FF)}, {miFrameRemove, TColor(0xFF00FF)},
        };
        for (const auto& [item, colour] : pictures)
            SetPicture(item, colour);
    }

    bars::TxbBarManager* xbBarManager1 = nullptr;
    bars::TxbBarButton* miNew = nullptr;
    bars::TxbBarButton* miSave = nullptr;
    bars::TxbBarButton* miLoop = nullptr;
    bars::TxbBarButton* miFrameInsert = nullptr;
    bars::TxbBarButton* miFrameRemove = nullptr;
    bars::TxbBarPopupMenu* pumSave = nullptr;
    bars::TxbBarPopupMenu* pumFrames = nullptr;

    void MenuItemClick(TObject* sender) { Say("tag " + std::to_string(static_cast<TComponent*>(sender)->GetTag())); }

    bars::TxbBar* MenuBar() const { return xbBarManager1->FindBarByName("Main"); }
    bars::TxbBar* Docked() const { return xbBarManager1->FindBarByName("Tools"); }
    bars::TxbBar* Floating() const { return xbBarManager1->FindBarByName("Frames"); }

    // The window of a bar on the screen (empty when it has none).
    static TRect BarWindowRect(bars::TxbBar* bar) {
        TRect r{0, 0, 0, 0};
        if (bars::TxbBarControl* control = bar ? bar->GetControl() : nullptr; control && control->HandleAllocated())
            win::GetWindowRect(control->GetHandle(), &r);
        return r;
    }

    struct Shown {
        std::string Name;
        TRect Screen;
    };
    // Each shown link of a bar's window: its item's name and its rectangle on the screen.
    static std::vector<Shown> Links(bars::TCustomxbBarControl* window, const std::string& prefix = "") {
        std::vector<Shown> shown;
        if (!window || !window->HandleAllocated() || !window->GetItemLinks())
            return shown;
        bars::TxbBarItemLinks* links = window->GetItemLinks();
        for (int32_t i = 0; i < links->GetCount(); ++i) {
            bars::TxbBarItemLink* link = links->GetItem(i);
            if (link->GetControl() && link->GetItem())
                shown.push_back({prefix + link->GetItem()->GetName(), window->GetItemScreenRect(link->GetControl())});
        }
        return shown;
    }

    std::vector<Shown> Buttons() const {
        std::vector<Shown> all;
        for (bars::TxbBar* bar : {Docked(), Floating(), MenuBar()})
            for (Shown& s : Links(bar ? bar->GetControl() : nullptr))
                all.push_back(std::move(s));
        return all;
    }

    void ReportBounds() {
        Say("window form " + RectText(GetBoundsRect()));
        Say("window menubar " + RectText(BarWindowRect(MenuBar())));
        Say("window docked " + RectText(BarWindowRect(Docked())));
        Say("window floating " + RectText(BarWindowRect(Floating())));
        for (const Shown& s : Buttons())
            Say("button " + s.Name + " " + RectText(s.Screen));
    }

    // The open menus of the active chain, outermost first.
    static std::vector<bars::TCustomxbBarControl*> OpenMenus() {
        std::vector<bars::TCustomxbBarControl*> menus;
        for (bars::TCustomxbBarControl* w = bars::GetActiveBarControl(); w; w = w->GetParentBarControl())
            if (w->IsMenu() && w->HandleAllocated() && win::IsWindowVisible(w->GetHandle()))
                menus.insert(menus.begin(), w);
        return menus;
    }
    // A menu's name: its sub item's, or its popup menu's.
    std::string MenuName(bars::TCustomxbBarControl* menu) const {
        if (auto* sub = dynamic_cast<bars::TxbBarSubMenuControl*>(menu)) {
            if (bars::TxbBarSubItemControl* opener = sub->GetSubItemControl(); opener && opener->GetItem())
                return opener->GetItem()->GetName();
        }
        for (bars::TxbBarPopupMenu* popup : {pumFrames, pumSave})
            if (popup->GetControl() == menu)
                return popup->GetName();
        return "menu";
    }
    std::vector<Shown> Entries(bars::TCustomxbBarControl* menu) const { return Links(menu, MenuName(menu) + "/"); }
    void ReportMenu(bars::TCustomxbBarControl* menu) {
        TRect r{0, 0, 0, 0};
        win::GetWindowRect(menu->GetHandle(), &r);
        Say("menu " + MenuName(menu) + " " + RectText(r));
        for (const Shown& s : Entries(menu))
            Say("entry " + s.Name + " " + RectText(s.Screen));
    }
    // Reports menus that opened or closed since the last look (polled: a menu's events name no window).
    void WatchMenus() {
        std::map<win::HWND, std::string> now;
        for (bars::TCustomxbBarControl* menu : OpenMenus()) {
            now[menu->GetHandle()] = MenuName(menu);
            if (!FReported.count(menu->GetHandle()))
                ReportMenu(menu);
        }
        for (const auto& [handle, name] : FReported)
            if (!now.count(handle))
                Say("closed " + name);
        FReported = std::move(now);
    }

private:
    std::map<win::HWND, std::string> FReported;
    static void SetPicture(bars::TxbBarButton* item, TColor colour) {
        TBitmap glyph;
        glyph.SetSize(16, 16);
        TCanvas* c = glyph.GetCanvas();
        c->GetBrush()->SetColor(TColor(0x008080));
        c->FillRect({0, 0, 16, 16});
        c->GetBrush()->SetColor(colour);
        c->FillRect({2, 2, 14, 14});
        item->SetGlyph(&glyph);
    }
};

void RegisterDemoClasses() {
    DefineFormClass<TBarsDemoForm, TForm>()
        .Field("xbBarManager1", &TBarsDemoForm::xbBarManager1)
        .Field("miNew", &TBarsDemoForm::miNew)
        .Field("miSave", &TBarsDemoForm::miSave)
        .Field("miLoop", &TBarsDemoForm::miLoop)
        .Field("miFrameInsert", &TBarsDemoForm::miFrameInsert)
        .Field("miFrameRemove", &TBarsDemoForm::miFrameRemove)
        .Field("pumSave", &TBarsDemoForm::pumSave)
        .Field("pumFrames", &TBarsDemoForm::pumFrames)
        .Method("MenuItemClick", &TBarsDemoForm::MenuItemClick);
    RegisterClass<TBarsDemoForm>("TBarsDemoForm");
    RegisterDemoForms();
}

struct Options {
    int Seconds = 0;
    bool Bounds = false;
    const char* Render = nullptr;
    int ScreenWidth = 1024, ScreenHeight = 768;
    int PointerX = -1, PointerY = -1;
    const char* Style = nullptr;
    const char* Menu = nullptr;
};

bool ParseStyle(const std::string& name, bars::TxbBarManagerStyle* style) {
    const std::pair<const char*, bars::TxbBarManagerStyle> styles[] = {
        {"standard", bars::bmsStandard}, {"enhanced", bars::bmsEnhanced}, {"flat", bars::bmsFlat},
        {"xp", bars::bmsXP},             {"office11", bars::bmsOffice11},
    };
    for (const auto& [text, value] : styles)
        if (name == text) {
            *style = value;
            return true;
        }
    return false;
}

// The libraries the form is built from, started on whichever screen is installed.
class Libraries {
public:
    Libraries() {
        resources::RegisterResources();
        lookandfeel::InitializeLookAndFeel();
        bars::InitBarCommonModule();
        Application->Initialize();
        Application->SetTitle("Loomwick command bars");
        RegisterDemoClasses();
    }
    ~Libraries() {
        bars::DoneBarCommonModule();
        lookandfeel::FinalizeLookAndFeel();
    }
    Libraries(const Libraries&) = delete;
    Libraries& operator=(const Libraries&) = delete;
};

TBarsDemoForm* MakeForm(const Options& options) {
    TBarsDemoForm* form = nullptr;
    Application->CreateForm(form);
    bars::TxbBarManagerStyle style;
    if (options.Style && ParseStyle(options.Style, &style))
        form->xbBarManager1->SetStyle(style);
    return form;
}

// The headless screen's picture as a bottom-up 24-bit BMP file.
void WriteScreen(headless::HeadlessScreen& screen, int width, int height, const std::string& file) {
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        auto* row = static_cast<uint8_t*>(picture.ScanLine(y));
        for (int x = 0; x < width; ++x) {
            const win::COLORREF c = screen.ScreenPixel(x, y);
            row[3 * x] = uint8_t((c >> 16) & 0xFF);
            row[3 * x + 1] = uint8_t((c >> 8) & 0xFF);
            row[3 * x + 2] = uint8_t(c & 0xFF);
        }
    }
    picture.SaveToFile(file);
}

// Opens the menu bar's entry of that item name by its Alt key, as a user would.
bool OpenMenuByKey(headless::HeadlessScreen& screen, TBarsDemoForm* form, const std::string& name) {
    bars::TxbBar* bar = form->MenuBar();
    bars::TxbBarItem* item = form->xbBarManager1->FindItemByName(name);
    bool onBar = false;
    for (int32_t i = 0; bar && item && i < bar->GetItemLinks()->GetCount(); ++i)
        onBar = onBar || bar->GetItemLinks()->GetItem(i)->GetItem() == item;
    if (!onBar)
        return false;
    const std::string caption = item->GetCaption();
    const size_t amp = caption.find('&');
    if (amp == std::string::npos || amp + 1 >= caption.size() || !std::isalnum(uint8_t(caption[amp + 1])))
        return false;
    screen.InjectKey(win::VK_MENU, true);
    screen.InjectKeyPress(std::toupper(uint8_t(caption[amp + 1])));
    screen.InjectKey(win::VK_MENU, false);
    return true;
}

int Render(const Options& options) {
    const win::TRect whole{0, 0, options.ScreenWidth, options.ScreenHeight};
    headless::HeadlessScreen screen(whole, whole);
    // As on a desktop without a compositing manager, with the scheme a desktop would install.
    screen.SetComposited(false);
    win::ThemeScheme scheme = win::tsBlue;
    if (const char* name = std::getenv("LOOMWICK_THEME"); name && *name && !win::ParseThemeScheme(name, &scheme))
        scheme = win::tsBlue;
    win::SetThemeScheme(scheme);
    Libraries libraries;
    TBarsDemoForm* form = MakeForm(options);
    const int px = options.PointerX >= 0 ? options.PointerX : options.ScreenWidth - 1;
    const int py = options.PointerY >= 0 ? options.PointerY : options.ScreenHeight - 1;
    screen.InjectMouse(win::MouseAction::Move, {px, py});
    form->Show();
    const auto settle = [] {
        for (int i = 0; i < 5; ++i)
            Application->ProcessMessages();
    };
    settle();
    form->ReportBounds();
    std::vector<TBarsDemoForm::Shown> points = form->Buttons();
    if (options.Menu) {
        if (!OpenMenuByKey(screen, form, options.Menu))
            throw std::runtime_error(std::string("the menu bar has no entry ") + options.Menu + " with an Alt key");
        settle();
        for (bars::TCustomxbBarControl* menu : TBarsDemoForm::OpenMenus()) {
            form->ReportMenu(menu);
            for (TBarsDemoForm::Shown& s : form->Entries(menu))
                points.push_back(std::move(s));
        }
    }
    for (const TBarsDemoForm::Shown& s : points) {
        const int x = (s.Screen.Left + s.Screen.Right) / 2, y = (s.Screen.Top + s.Screen.Bottom) / 2;
        const win::COLORREF c = screen.ScreenPixel(x, y);
        Say("point " + s.Name + " " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(c & 0xFF) +
            "," + std::to_string((c >> 8) & 0xFF) + "," + std::to_string((c >> 16) & 0xFF));
    }
    WriteScreen(screen, options.ScreenWidth, options.ScreenHeight, options.Render);
    Say("ready");
    form->Free();
    return 0;
}

int Desktop(int argc, char** argv, const Options& options) {
    qtbackend::QtScreen screen(argc, argv);
    Libraries libraries;
    TBarsDemoForm* form = MakeForm(options);
    form->Show();
    Application->ProcessMessages();
    if (options.Bounds) {
        form->ReportBounds();
        Say("ready");
    }
    TTimer watch(nullptr);
    watch.SetInterval(50);
    watch.SetOnTimer([form](TObject*) { form->WatchMenus(); });
    watch.SetEnabled(options.Bounds);
    TTimer limit(nullptr);
    limit.SetEnabled(options.Seconds > 0);
    limit.SetInterval(uint32_t(options.Seconds > 0 ? options.Seconds : 1) * 1000u);
    limit.SetOnTimer([form](TObject*) { form->Close(); });
    Application->Run();
    form->Free();
    return 0;
}

} // namespace barsdemo

int main(int argc, char** argv) {
    barsdemo::Options options;
    for (int i = 1; i < argc; ++i) {
        const bool more = i + 1 < argc;
        if (std::strcmp(argv[i], "--seconds") == 0 && more) {
            options.Seconds = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--bounds") == 0) {
            options.Bounds = true;
        } else if (std::strcmp(argv[i], "--render") == 0 && more) {
            options.Render = argv[++i];
        } else if (std::strcmp(argv[i], "--screen") == 0 && more &&
                   std::sscanf(argv[i + 1], "%dx%d", &options.ScreenWidth, &options.ScreenHeight) == 2 &&
                   options.ScreenWidth > 0 && options.ScreenHeight > 0 && options.ScreenWidth <= 8192 &&
                   options.ScreenHeight <= 8192) {
            ++i;
        } else if (std::strcmp(argv[i], "--pointer") == 0 && more &&
                   std::sscanf(argv[i + 1], "%d,%d", &options.PointerX, &options.PointerY) == 2) {
            ++i;
        } else if (std::strcmp(argv[i], "--menu") == 0 && more) {
            options.Menu = argv[++i];
        } else if (bars::TxbBarManagerStyle s; std::strcmp(argv[i], "--style") == 0 && more &&
                                                barsdemo::ParseStyle(argv[i + 1], &s)) {
            options.Style = argv[++i];
        } else {
            std::fprintf(stderr, "usage: barsdemo [--bounds] [--seconds N] [--render FILE.bmp] [--screen WxH] "
                                 "[--pointer X,Y] [--menu NAME] [--style standard|enhanced|flat|xp|office11]\n");
            return 2;
        }
    }
    try {
        return options.Render ? barsdemo::Render(options) : barsdemo::Desktop(argc, argv, options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "barsdemo: %s\n", e.what());
        return 1;
    }
}

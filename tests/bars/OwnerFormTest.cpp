// The manager follows its owner form through the hooks: floating bars hide when the program loses the
// activation and come back with it, stay while a window of the program that is no form takes it, floating
// bars are kept in the work area, the layout is saved only when the form is really destroyed, and F1 over an
// open menu asks for the help of its entry or of the entry that opened the menu.
#include "MenusTestSupport.h"

#include "platform/win/gdi/Fonts.h"
#include "platform/win/user/Metrics.h"

#include <cstring>

using namespace bars;
using namespace barstest;

namespace {

class TSpyManager : public TxbBarManager {
public:
    using TxbBarManager::TxbBarManager;
    void SaveToRegistry(const std::string& path) override { Saved.push_back("registry " + path); }
    void SaveToIniFile(const std::string& fileName) override { Saved.push_back("ini " + fileName); }
    std::vector<std::string> Saved;
};

class OwnerFormTest : public MenusFixture {
protected:
    TxbBar* FloatingBar() {
        TxbBar* bar = Manager->GetBars()->Add();
        bar->SetDockingStyle(dsNone);
        bar->SetFloatLeft(300);
        bar->SetFloatTop(200);
        AddButton(bar->GetItemLinks(), "Tool");
        bar->SetVisible(true);
        return bar;
    }
    static bool Shown(TxbBar* bar) {
        return bar->GetControl() && bar->GetControl()->HandleAllocated() &&
               win::IsWindowVisible(bar->GetControl()->GetHandle());
    }
};

TEST_F(OwnerFormTest, FloatingBarsFollowTheProgramsActivation) {
    ShowForm();
    TxbBar* bar = FloatingBar();
    ASSERT_TRUE(Shown(bar));
    win::SendMessage(Form->GetHandle(), win::WM_ACTIVATEAPP, 0, 0);
    EXPECT_FALSE(Shown(bar));
    win::SendMessage(Form->GetHandle(), win::WM_ACTIVATE, win::WA_ACTIVE, 0);
    EXPECT_TRUE(Shown(bar));
    // A window of the program that is no form (a floating bar, a dialog's control) keeps them.
    auto* other = new vcl::TForm(nullptr);
    auto* panel = new vcl::TPanel(other);
    panel->SetParent(other);
    other->Show();
    panel->HandleNeeded();
    ShowForm();
    win::SendMessage(Form->GetHandle(), win::WM_ACTIVATE, win::WA_ACTIVE, 0);
    ASSERT_TRUE(Shown(bar));
    win::SendMessage(Form->GetHandle(), win::WM_ACTIVATE, win::WA_INACTIVE,
                     reinterpret_cast<win::LPARAM>(panel->GetHandle()));
    EXPECT_TRUE(Shown(bar));
    // Another form takes them away.
    win::SendMessage(Form->GetHandle(), win::WM_ACTIVATE, win::WA_INACTIVE,
                     reinterpret_cast<win::LPARAM>(other->GetHandle()));
    EXPECT_FALSE(Shown(bar));
    delete other;
}

TEST_F(OwnerFormTest, AFloatingBarMadeVisibleBeforeTheFormShowsComesWithItsActivation) {
    // As a layout read into a form does: the bar is shown while the form's window exists but is hidden.
    Form->HandleNeeded();
    TxbBar* bar = FloatingBar();
    EXPECT_FALSE(Shown(bar));
    ShowForm();
    ASSERT_TRUE(Shown(bar));
    win::TRect r{};
    win::GetWindowRect(bar->GetControl()->GetHandle(), &r);
    EXPECT_EQ(r.Left, 300);
    EXPECT_EQ(r.Top, 200);
}

TEST_F(OwnerFormTest, AFormFreedWithAMenuOpenTakesTheMenuWithItsSubItem) {
    // Freed as the program frees its forms: the sub items go before the manager, which owns the menu window;
    // the menu must go with the sub item whose links it shows, not later.
    MakeMenuBar();
    Chord(win::VK_MENU, 'F');
    ASSERT_NE(MenuOf(File), nullptr);
    Form->Free();
    Form = nullptr;
    EXPECT_EQ(GetActiveBarControl(), nullptr);
}

TEST_F(OwnerFormTest, MinimizeHidesAndRestoreShowsFloatingBars) {
    ShowForm();
    TxbBar* bar = FloatingBar();
    win::SendMessage(Form->GetHandle(), win::WM_SYSCOMMAND, win::SC_MINIMIZE, 0);
    EXPECT_FALSE(Shown(bar));
    win::SendMessage(Form->GetHandle(), win::WM_SYSCOMMAND, win::SC_RESTORE, 0);
    EXPECT_TRUE(Shown(bar));
}

TEST_F(OwnerFormTest, FloatingBarsAreKeptInTheWorkAreaTopLeftCornerFirst) {
    win::TRect work{};
    win::SystemParametersInfo(win::SPI_GETWORKAREA, 0, &work, 0);
    TxbBar* bar = Manager->GetBars()->Add();
    bar->SetDockingStyle(dsNone);
    const int32_t ncw = bar->GetNonClientWidth(dsNone), nch = bar->GetNonClientHeight(dsNone);
    struct Case {
        int32_t left, top, width, height, wantLeft, wantTop;
    };
    const Case cases[] = {
        {work.Right + 50, work.Bottom + 50, 100, 40, work.Right - 100 - ncw, work.Bottom - 40 - nch},
        {work.Left - 30, work.Top - 20, 100, 40, work.Left, work.Top},
        {work.Left + 10, work.Top + 10, 100, 40, work.Left + 10, work.Top + 10},
        // Larger than the work area: its top-left corner wins.
        {work.Left + 10, work.Top + 10, work.Width() + 100, work.Height() + 100, work.Left, work.Top},
    };
    for (const Case& c : cases) {
        bar->SetFloatLeft(c.left);
        bar->SetFloatTop(c.top);
        bar->SetFloatClientWidth(c.width);
        bar->SetFloatClientHeight(c.height);
        Manager->KeepFloatingBarsInWorkArea();
        EXPECT_EQ(bar->GetFloatLeft(), c.wantLeft) << c.left;
        EXPECT_EQ(bar->GetFloatTop(), c.wantTop) << c.top;
    }
}

TEST_F(OwnerFormTest, TheLayoutIsSavedOnlyWhenTheFormIsReallyDestroyed) {
    auto* form = new vcl::TForm(nullptr);
    auto* spy = new TSpyManager(form);
    spy->SetStoreInRegistry(true);
    spy->SetRegistryPath("Software\\Loomwick\\Bars");
    spy->SetStoreInIniFile(true);
    spy->SetIniFileName("bars.ini");
    form->HandleNeeded();
    form->RecreateWnd();
    EXPECT_TRUE(spy->Saved.empty());
    // Destroying the window of a form that is being destroyed saves.
    form->BeforeDestruction();
    form->DestroyHandle();
    const std::vector<std::string> saved = spy->Saved;
    delete form;
    EXPECT_EQ(saved, (std::vector<std::string>{"registry Software\\Loomwick\\Bars", "ini bars.ini"}));
}

TEST_F(OwnerFormTest, F1OverAMenuEntryAsksForItsHelpOrItsOpeners) {
    MakeMenuBar();
    File->SetHelpContext(7);
    std::vector<std::pair<uint16_t, intptr_t>> asked;
    vcl::Application->OnHelp = [&](uint16_t command, intptr_t data, bool& callHelp) {
        asked.emplace_back(command, data);
        callHelp = false;
        return true;
    };
    const win::TRect entry = MainWindow()->GetItemScreenRect(MainControl(0));
    const intptr_t below = intptr_t(win::MAKELPARAM((entry.Left + entry.Right) / 2, entry.Bottom));
    struct Case {
        const char* name;
        bool helpIcon;
        vcl::THelpContext open; // the help context of "&Open", selected in the menu
        std::vector<std::pair<uint16_t, intptr_t>> want;
    };
    const Case cases[] = {
        {"the opener's, as a popup below it", true, 0,
         {{vcl::HELP_SETPOPUP_POS, below}, {vcl::HELP_CONTEXTPOPUP, 7}}},
        {"the opener's, without the help icon", false, 0, {{vcl::HELP_CONTEXT, 7}}},
        {"the entry's own", false, 9, {{vcl::HELP_CONTEXT, 9}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vcl::TBorderIcons icons = Form->GetBorderIcons();
        if (c.helpIcon)
            icons.Include(vcl::biHelp);
        else
            icons.Exclude(vcl::biHelp);
        Form->SetBorderIcons(icons);
        Open->SetHelpContext(c.open);
        asked.clear();
        Chord(win::VK_MENU, 'F');
        ASSERT_NE(MenuOf(File), nullptr);
        ASSERT_EQ(MenuOf(File)->GetSelectedControl()->GetItem(), Open);
        Press(win::VK_F1);
        EXPECT_EQ(asked, c.want);
        // Help closes the menus.
        EXPECT_EQ(MenuOf(File), nullptr);
        EXPECT_EQ(GetActiveBarControl(), nullptr);
    }
    vcl::Application->OnHelp = nullptr;
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

// Sets the system's menu font as a settings change does, announced to the top-level windows, and puts the
// metrics found back when it goes.
class TMenuFontChange {
public:
    TMenuFontChange() { win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof(FSaved), &FSaved, 0); }
    ~TMenuFontChange() {
        win::SystemParametersInfo(win::SPI_SETNONCLIENTMETRICS, sizeof(FSaved), &FSaved, win::SPIF_SENDCHANGE);
    }
    void Set(const char* face, int32_t height) {
        win::NONCLIENTMETRICS metrics = FSaved;
        std::strncpy(metrics.lfMenuFont.lfFaceName, face, win::LF_FACESIZE - 1);
        metrics.lfMenuFont.lfHeight = height;
        ASSERT_TRUE(win::SystemParametersInfo(win::SPI_SETNONCLIENTMETRICS, sizeof(metrics), &metrics,
                                              win::SPIF_UPDATEINIFILE | win::SPIF_SENDCHANGE));
    }
private:
    win::NONCLIENTMETRICS FSaved{};
};

TEST_F(OwnerFormTest, AChangedSystemMenuFontIsTakenByTheManagerAndItsBars) {
    MakeMenuBar();
    TxbBar* own = FloatingBar();
    own->GetFont()->SetName("Courier New");
    own->SetUseOwnFont(true);
    auto* popup = new TxbBarPopupMenu(Form);
    win::NONCLIENTMETRICS classic;
    ASSERT_TRUE(win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof(classic), &classic, 0));
    const int32_t was = classic.lfMenuFont.lfHeight;
    auto faceOf = [](win::HFONT font) {
        win::LOGFONTA lf{};
        win::GetObject(font, sizeof(lf), &lf);
        return std::pair<std::string, int32_t>(lf.lfFaceName, lf.lfHeight);
    };
    // With Scaled the handle the bars draw with keeps the height of the icon-title font.
    struct Case {
        const char* name;
        bool useSystemFont, scaled;
        const char* wantFace; // nullptr: the font's face stays
        int32_t wantFontHeight, wantHandleHeight;
    };
    const Case cases[] = {
        {"the system font, not scaled: face and height", true, false, "DejaVu Serif", -20, -20},
        {"the system font, scaled: face, the height kept", true, true, "DejaVu Serif", -20, was},
        {"an own font, scaled: the height only", false, true, nullptr, -20, was},
        {"an own font, not scaled: nothing", false, false, nullptr, was, was},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMenuFontChange change;
        Manager->SetScaled(c.scaled);
        if (c.useSystemFont)
            Manager->SetUseSystemFont(true);
        else
            Manager->GetFont()->SetName("DejaVu Sans Mono");
        ASSERT_EQ(Manager->GetUseSystemFont(), c.useSystemFont);
        const std::string face = Manager->GetFont()->GetName();
        const int32_t rowHeight = MainWindow()->GetTextRowHeight();
        change.Set("DejaVu Serif", -20);
        const std::string wantFace = c.wantFace ? c.wantFace : face;
        EXPECT_EQ(Manager->GetFont()->GetName(), wantFace);
        EXPECT_EQ(Manager->GetFont()->GetHeight(), c.wantFontHeight);
        EXPECT_EQ(faceOf(Manager->GetFontHandle()), std::pair(wantFace, c.wantHandleHeight));
        // Bars and popup menus without a font of their own take the manager's; the menu bar draws and
        // measures with it.
        EXPECT_EQ(MainBar->GetFont()->GetName(), wantFace);
        EXPECT_EQ(popup->GetFont()->GetName(), wantFace);
        EXPECT_EQ(MainWindow()->GetFont(), Manager->GetFontHandle());
        EXPECT_EQ(faceOf(MainWindow()->GetCanvas()->GetFont()->GetHandle()), std::pair(wantFace, c.wantHandleHeight));
        if (c.wantHandleHeight != was)
            EXPECT_GT(MainWindow()->GetTextRowHeight(), rowHeight);
        else if (!c.wantFace)
            EXPECT_EQ(MainWindow()->GetTextRowHeight(), rowHeight);
        // A bar with a font of its own keeps it.
        EXPECT_EQ(own->GetFont()->GetName(), "Courier New");
        EXPECT_EQ(faceOf(own->GetControl()->GetFont()).first, "Courier New");
    }
    // The metrics are back: the manager follows the system font again at its old height.
    Manager->SetUseSystemFont(true);
    EXPECT_EQ(Manager->GetFont()->GetHeight(), was);
    EXPECT_EQ(Manager->GetFont()->GetName(), classic.lfMenuFont.lfFaceName);
}

} // namespace

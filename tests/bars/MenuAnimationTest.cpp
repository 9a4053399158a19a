// Menu animations on the GUI thread: the random choice, one unfold step per 16 ms tick with the final bounds
// at the end, a key that finishes the animation, and no animation for menus opened by key.
#include "MenusTestSupport.h"

#include "platform/vcl/SysUtils.h"

using namespace bars;
using namespace barstest;

namespace {

class MenuAnimationTest : public MenusFixture {
protected:
    void SetUp() override {
        MenusFixture::SetUp();
        ShowForm();
        Popup = new TxbBarPopupMenu(Form);
        for (const char* caption : {"One", "Two", "Three", "Four"})
            AddButton(Popup->GetItemLinks(), caption);
    }
    void TearDown() override {
        vcl::SetRandomSource(nullptr);
        MenusFixture::TearDown();
    }
    // Opens the popup by mouse and runs step inside its loop, then closes it.
    void WithOpenPopup(const std::function<void(TxbBarSubMenuControl*)>& step) {
        FScreen.Script([this, step] {
            TxbBarSubMenuControl* menu = Popup->GetControl();
            ASSERT_NE(menu, nullptr);
            step(menu);
            if (Popup->GetControl())
                Popup->GetControl()->DeactivateAll();
        });
        Popup->Popup(200, 150);
    }
    TxbBarPopupMenu* Popup = nullptr;
};

TEST_F(MenuAnimationTest, RandomDrawsChooseUnfoldSlideOrFade) {
    Manager->SetMenuAnimations(maRandom);
    const std::pair<uint32_t, TxbBarMenuAnimations> cases[] = {
        {0, maUnfold}, {32, maUnfold}, {33, maSlide}, {65, maSlide}, {66, maFade}, {99, maFade}};
    for (const auto& [draw, kind] : cases) {
        SCOPED_TRACE(draw);
        // Random(100) takes the high part of 32 random bits times 100.
        const uint32_t bits = uint32_t(((uint64_t(draw) << 32) + 99) / 100);
        vcl::SetRandomSource([bits] { return bits; });
        TxbBarMenuAnimations seen = maNone;
        WithOpenPopup([&](TxbBarSubMenuControl* menu) { seen = menu->GetAnimationKind(); });
        EXPECT_EQ(seen, kind);
    }
}

TEST_F(MenuAnimationTest, UnfoldDrawsOneStepPerTickAndEndsAtTheFinalBounds) {
    Manager->SetMenuAnimations(maUnfold);
    WithOpenPopup([this](TxbBarSubMenuControl* menu) {
        ASSERT_EQ(GetAnimatedMenu(), menu);
        win::TRect client{}, window{};
        win::GetClientRect(menu->GetHandle(), &client);
        win::GetWindowRect(menu->GetHandle(), &window);
        const int32_t w = client.Width(), h = client.Height();
        const int32_t d = h - w;
        const int32_t steps = (d <= 0 ? h : w) / 8;
        const int32_t ncw = window.Width() - w, nch = window.Height() - h;
        for (int32_t k = 1; k <= steps; ++k) {
            FClock.Advance(MenuAnimationTick);
            DrainMessages();
            if (k == steps)
                break;
            win::TRect r{};
            win::GetWindowRect(menu->GetHandle(), &r);
            // Opening right and down: the top-left corner stays, both sizes grow together.
            const int32_t sw = d < 0 ? k * 8 - d : k * 8, sh = d < 0 ? k * 8 : d + k * 8;
            EXPECT_EQ(r.Left, window.Left);
            EXPECT_EQ(r.Top, window.Top);
            EXPECT_EQ(r.Width(), sw + ncw);
            EXPECT_EQ(r.Height(), sh + nch);
        }
        EXPECT_EQ(GetAnimatedMenu(), nullptr);
        win::TRect r{};
        win::GetWindowRect(menu->GetHandle(), &r);
        EXPECT_EQ(r.Width(), window.Width());
        EXPECT_EQ(r.Height(), window.Height());
        EXPECT_TRUE(win::IsWindowVisible(menu->GetHandle()));
    });
}

// A menu lower than one slide step (17 pixels of client area: one entry in a tiny font) gets no step to draw:
// the end of the animation shows it at once at its final bounds, before any tick.
TEST_F(MenuAnimationTest, AMenuSmallerThanOneStepShowsAtOnce) {
    Manager->SetMenuAnimations(maSlide);
    auto* tiny = new TxbBarPopupMenu(Form);
    AddButton(tiny->GetItemLinks(), "One");
    tiny->GetFont()->SetHeight(-3);
    tiny->SetUseOwnFont(true);
    bool checked = false;
    FScreen.Script([&] {
        TxbBarSubMenuControl* menu = tiny->GetControl();
        ASSERT_NE(menu, nullptr);
        win::TRect client{}, window{};
        win::GetClientRect(menu->GetHandle(), &client);
        win::GetWindowRect(menu->GetHandle(), &window);
        ASSERT_LT(client.Height(), 17);
        EXPECT_EQ(menu->GetAnimationKind(), maSlide);
        EXPECT_EQ(GetAnimatedMenu(), nullptr);
        EXPECT_FALSE(menu->GetAnimate());
        EXPECT_TRUE(win::IsWindowVisible(menu->GetHandle()));
        EXPECT_EQ(window.Left, 200);
        EXPECT_EQ(window.Top, 150);
        // The window holds the whole menu: its one row with the frame round it.
        const win::TRect row = tiny->GetItemLinks()->GetItem(0)->ItemRect;
        EXPECT_EQ(client.Height(), row.Bottom + menu->GetPainter()->GetMenuFrameWidth());
        checked = true;
        menu->DeactivateAll();
    });
    tiny->Popup(200, 150);
    EXPECT_TRUE(checked);
    delete tiny;
}

TEST_F(MenuAnimationTest, AKeyFinishesTheAnimationAndIsThenHandled) {
    Manager->SetMenuAnimations(maSlide);
    WithOpenPopup([](TxbBarSubMenuControl* menu) {
        ASSERT_EQ(GetAnimatedMenu(), menu);
        win::SendMessage(menu->GetHandle(), win::WM_KEYDOWN, win::VK_DOWN, 0);
        EXPECT_EQ(GetAnimatedMenu(), nullptr);
        EXPECT_TRUE(win::IsWindowVisible(menu->GetHandle()));
        ASSERT_NE(menu->GetSelectedControl(), nullptr);
        EXPECT_EQ(menu->GetSelectedControl()->GetCaption(), "One");
    });
}

TEST_F(MenuAnimationTest, MenusOpenedByKeyWhileCustomizingOrWithFadeAndNoAnimateWindowShowAtOnce) {
    Manager->SetMenuAnimations(maUnfold);
    MakeMenuBar();
    Chord(win::VK_MENU, 'F');
    ASSERT_NE(MenuOf(File), nullptr);
    EXPECT_EQ(GetAnimatedMenu(), nullptr);
    EXPECT_TRUE(win::IsWindowVisible(MenuOf(File)->GetHandle()));
    while (GetActiveBarControl())
        GetActiveBarControl()->DeactivateAll();
    // Nor while the manager customizes.
    Manager->SetCustomizing(true);
    WithOpenPopup([](TxbBarSubMenuControl* menu) {
        EXPECT_EQ(GetAnimatedMenu(), nullptr);
        EXPECT_TRUE(win::IsWindowVisible(menu->GetHandle()));
    });
    Manager->SetCustomizing(false);
    Manager->SetMenuAnimations(maFade);
    const win::FARPROC saved = AnimateWindowProc;
    AnimateWindowProc = nullptr;
    WithOpenPopup([](TxbBarSubMenuControl* menu) { EXPECT_TRUE(win::IsWindowVisible(menu->GetHandle())); });
    AnimateWindowProc = saved;
}

} // namespace

namespace {

TEST_F(MenuAnimationTest, UnfoldGrowsFromTheEdgeTheMenuOpensFrom) {
    Manager->SetMenuAnimations(maUnfold);
    FScreen.SetMonitors({{{0, 0, 800, 600}, {0, 0, 800, 600}, true}});
    struct Case {
        const char* name;
        win::TPoint at;
        int32_t ownerWidth, ownerHeight;
        bool fromRight, fromBottom;
    };
    const Case cases[] = {
        {"right and down", {200, 150}, 0, 0, false, false},
        {"left of its item", {790, 150}, 150, 0, true, false},
        {"upward from a point", {200, 595}, 0, 0, false, true},
        {"left of and above its item", {790, 595}, 150, 20, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FScreen.Script([&] {
            TxbBarSubMenuControl* menu = Popup->GetControl();
            ASSERT_NE(menu, nullptr);
            ASSERT_EQ(GetAnimatedMenu(), menu);
            EXPECT_EQ(menu->GetFlippedHorizontally(), c.fromRight);
            EXPECT_EQ(menu->GetFlippedVertically(), c.fromBottom);
            win::TRect client{}, window{};
            win::GetClientRect(menu->GetHandle(), &client);
            win::GetWindowRect(menu->GetHandle(), &window);
            const int32_t w = client.Width(), h = client.Height(), d = h - w;
            const int32_t steps = (d <= 0 ? h : w) / 8;
            const int32_t ncw = window.Width() - w, nch = window.Height() - h;
            for (int32_t k = 1; k < steps; ++k) {
                FClock.Advance(MenuAnimationTick);
                DrainMessages();
                const int32_t sw = d < 0 ? k * 8 - d : k * 8, sh = d < 0 ? k * 8 : d + k * 8;
                win::TRect r{};
                win::GetWindowRect(menu->GetHandle(), &r);
                EXPECT_EQ(r.Width(), sw + ncw) << k;
                EXPECT_EQ(r.Height(), sh + nch) << k;
                EXPECT_EQ(r.Left, c.fromRight ? window.Left + w - sw : window.Left) << k;
                EXPECT_EQ(r.Top, c.fromBottom ? window.Top + h - sh : window.Top) << k;
            }
            FClock.Advance(MenuAnimationTick);
            DrainMessages();
            EXPECT_EQ(GetAnimatedMenu(), nullptr);
            win::TRect r{};
            win::GetWindowRect(menu->GetHandle(), &r);
            EXPECT_EQ(r, window);
            menu->DeactivateAll();
        });
        Popup->PopupEx(c.at.X, c.at.Y, c.ownerWidth, c.ownerHeight, true, nullptr);
    }
}

} // namespace

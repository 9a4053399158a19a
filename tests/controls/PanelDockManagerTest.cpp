#include "controls/FcCommon.h"
#include "controls/FcPanel.h"
#include "controls/FcPanelDockManager.h"

#include "ControlsTestSupport.h"

#include "platform/vcl/StdCtrls.h"
#include "platform/win/user/Messages.h"

#include <gtest/gtest.h>

using namespace controls;
using win::COLORREF;
using win::TRect;

namespace {

using fctest::Rgb;

// A handler put into a site's chain by someone else, counting what passes.
struct TCountingHook {
    vcl::TWndMethod Previous;
    std::shared_ptr<int> Count;
    void operator()(vcl::TMessage& m) const {
        ++*Count;
        if (Previous)
            Previous(m);
    }
};

class PanelDockManagerTest : public fctest::FormTest {
protected:
    PanelDockManagerTest() : FormTest(100, 100, 400, 300) {}
    TFcPanel* AddSite(vcl::TAlign align) {
        auto* p = new TFcPanel(FForm);
        p->SetParent(FForm);
        p->SetBounds(0, 0, 200, 120);
        p->SetAlign(align);
        p->SetDockSite(true);
        return p;
    }
    void Pump() { vcl::Application->ProcessMessages(); }
    COLORREF Pixel(vcl::TWinControl* c, int x, int y) {
        c->Repaint();
        return FScreen.WindowPixel(c->GetHandle(), x, y);
    }
};

TEST_F(PanelDockManagerTest, APanelDockSiteGetsTheManagerAndDoubleBuffering) {
    TFcPanel* p = AddSite(vcl::alNone);
    auto* m = dynamic_cast<TFcPanelDockManager*>(p->GetDockManager());
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(p->GetDoubleBuffered());
    EXPECT_TRUE(m->Hooked());
    EXPECT_EQ(m->GetCaptionFont()->GetName(), "Verdana");
    EXPECT_EQ(m->GetCaptionFont()->GetSize(), 8);
    p->SetUseDockManager(false);
    EXPECT_EQ(p->GetDockManager(), nullptr);
}

TEST_F(PanelDockManagerTest, TheGrabberGoesLeftForTopAndBottomPanelsAndOnTopOtherwise) {
    struct Case {
        vcl::TAlign align;
        TRect expected;
    };
    for (Case c : {Case{vcl::alTop, {14, 0, 100, 50}}, Case{vcl::alBottom, {14, 0, 100, 50}},
                   Case{vcl::alNone, {0, 14, 100, 50}}, Case{vcl::alLeft, {0, 14, 100, 50}},
                   Case{vcl::alClient, {0, 14, 100, 50}}}) {
        TFcPanel* p = AddSite(c.align);
        TRect r{0, 0, 100, 50};
        p->GetDockManager()->AdjustDockRect(nullptr, r);
        EXPECT_EQ(r, c.expected) << int(c.align);
        p->Free();
    }
}

TEST_F(PanelDockManagerTest, GrabberPixelsAndTheCloseBox) {
    TFcPanel* site = AddSite(vcl::alNone);
    site->SetBorderOuter(fsNone);
    auto* edit = new vcl::TEdit(FForm);
    edit->SetParent(FForm);
    edit->SetBounds(250, 10, 80, 20);
    edit->SetCaption("Docked");
    auto* other = new vcl::TEdit(FForm);
    other->SetParent(FForm);
    other->SetBounds(250, 200, 80, 20);
    FForm->Show();
    Pump();
    edit->ManualDock(site);
    Pump();
    ASSERT_EQ(edit->GetHostDockSite(), site);
    auto* m = dynamic_cast<TFcPanelDockManager*>(site->GetDockManager());
    ASSERT_NE(m, nullptr);
    // The control sits below a 14-pixel bar across the site.
    EXPECT_EQ(edit->GetBoundsRect(), (TRect{0, 14, 200, 120}));
    other->SetFocus();
    Pump();
    EXPECT_EQ(Pixel(site, 100, 13), Rgb(vcl::clInactiveCaption));
    edit->SetFocus();
    Pump();
    EXPECT_EQ(Pixel(site, 100, 13), Rgb(vcl::clActiveCaption));
    // The close box's place, and Marlett's close symbol drawn in it.
    const TRect close = m->CloseBoxRect({0, 0, 200, 120});
    EXPECT_EQ(close, (TRect{185, 1, 198, 12}));
    site->Repaint();
    int symbol = 0;
    for (int y = close.Top; y < close.Bottom; ++y)
        for (int x = close.Left; x < close.Right; ++x)
            symbol += FScreen.WindowPixel(site->GetHandle(), x, y) == Rgb(vcl::clCaptionText);
    EXPECT_GT(symbol, 4);
    // Without client captions: the dock tree's own grabber, no caption bar.
    site->SetShowDockClientCaptions(false);
    EXPECT_NE(Pixel(site, 100, 13), Rgb(vcl::clActiveCaption));

    // A panel aligned to the top: the bar on the left, the close box at its top.
    site->SetShowDockClientCaptions(true);
    site->SetAlign(vcl::alTop);
    Pump();
    EXPECT_EQ(edit->GetLeft(), 14);
    EXPECT_EQ(m->CloseBoxRect({0, 0, 200, 120}), (TRect{1, 1, 12, 12}));
    EXPECT_EQ(Pixel(site, 13, 100), Rgb(vcl::clActiveCaption));
}

TEST_F(PanelDockManagerTest, CommandsInvalidateTheSiteAndADesignedSiteIsNotHooked) {
    TFcPanel* site = AddSite(vcl::alNone);
    FForm->Show();
    Pump();
    win::ValidateRect(site->GetHandle(), nullptr);
    TRect update{};
    EXPECT_FALSE(win::GetUpdateRect(site->GetHandle(), &update, false));
    site->Perform(win::WM_COMMAND, 0, 0);
    EXPECT_TRUE(win::GetUpdateRect(site->GetHandle(), &update, false));

    auto* designed = new TFcPanel(FForm);
    designed->SetDesigning(true);
    designed->SetParent(FForm);
    designed->SetDockSite(true);
    auto* m = dynamic_cast<TFcPanelDockManager*>(designed->GetDockManager());
    ASSERT_NE(m, nullptr);
    EXPECT_FALSE(m->Hooked());
}

TEST_F(PanelDockManagerTest, TheManagerPutsThePreviousHandlerBack) {
    auto* site = new TFcPanel(FForm);
    site->SetParent(FForm);
    auto count = std::make_shared<int>(0);
    site->SetWindowProc(TCountingHook{site->GetWindowProc(), count});
    site->SetDockSite(true);
    ASSERT_NE(site->GetDockManager(), nullptr);
    ASSERT_EQ(site->GetWindowProc().target<TCountingHook>(), nullptr); // the manager's wrapper is in front
    site->Perform(win::WM_NULL, 0, 0);
    EXPECT_EQ(*count, 1);
    site->SetDockSite(false);
    EXPECT_NE(site->GetWindowProc().target<TCountingHook>(), nullptr);
    site->Perform(win::WM_NULL, 0, 0);
    EXPECT_EQ(*count, 2);

    // Someone hooks in front of the manager: the manager's end leaves that chain alone, and a message
    // through it never reaches the freed manager.
    site->SetDockSite(true);
    auto front = std::make_shared<int>(0);
    site->SetWindowProc(TCountingHook{site->GetWindowProc(), front});
    site->SetDockSite(false);
    site->Perform(win::WM_COMMAND, 0, 0);
    EXPECT_EQ(*front, 1);
    EXPECT_EQ(*count, 3);

    // A site freed with its manager and a docked control in place (the docked control goes with it).
    auto* freed = new TFcPanel(FForm);
    freed->SetParent(FForm);
    freed->SetDockSite(true);
    auto* edit = new vcl::TEdit(FForm);
    edit->SetParent(FForm);
    edit->ManualDock(freed);
    ASSERT_EQ(edit->GetParent(), freed);
    freed->Free();
}

} // namespace

// Drag and drop between controls and dock drags, driven by the mouse and keys as a person would.
#include "VclControlsSupport.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace vcl;
using vcltest::TPlainGraphic;

namespace {

// A panel that shows drag images of its own.
class TImagePanel : public TPanel {
public:
    explicit TImagePanel(TComponent* owner) : TPanel(owner) {}
    TDragImageList* Images = nullptr;
    TDragImageList* GetDragImages() override { return Images; }
};

// A drag object of the test's own, handed in by OnStartDrag.
class TRecordingDragObject : public TDragObject {
public:
    std::vector<std::string>* Log = nullptr;
    void Finished(TObject* target, int32_t, int32_t, bool accepted) override {
        if (Log)
            Log->push_back(std::string("finished ") + (target ? "target" : "none") + (accepted ? " accepted" : ""));
    }
};

std::string Name(TObject* o) {
    auto* c = dynamic_cast<TComponent*>(o);
    return !o ? "none" : c ? c->GetName() : "object";
}

class DragObjectsTest : public vcltest::VclControlsTest {
protected:
    void SetUp() override {
        VclControlsTest::SetUp();
        Form = MakeForm({100, 100, 600, 400});
        Source = MakePanel("Source", {10, 10, 90, 50});
        Source->SetDragMode(dmAutomatic);
        Source->SetCursor(crCross);
        Accepting = MakePanel("Accepting", {200, 10, 300, 110});
        Refusing = MakePanel("Refusing", {200, 150, 300, 250});
        Listen(Accepting, true);
        Listen(Refusing, false);
        Source->OnStartDrag = [this](TObject*, TDragObject*&) { Log.push_back("start"); };
        Source->OnEndDrag = [this](TObject*, TObject* target, int32_t x, int32_t y) {
            Log.push_back("end " + Name(target) + " " + std::to_string(x) + "," + std::to_string(y));
        };
        Pump();
    }
    template <class T = TPanel> T* MakePanel(const std::string& name, TRect bounds, TWinControl* parent = nullptr) {
        auto* p = new T(Form);
        p->SetName(name);
        p->SetBoundsRect(bounds);
        p->SetParent(parent ? parent : Form);
        return p;
    }
    void Listen(TControl* c, bool accept) {
        c->OnDragOver = [this, accept](TObject* sender, TObject* source, int32_t x, int32_t y, TDragState state,
                                       bool& accepted) {
            static const char* states[] = {"enter", "leave", "move"};
            Log.push_back("over " + Name(sender) + " " + states[state] + " " + std::to_string(x) + "," +
                          std::to_string(y) + " from " + Name(source));
            accepted = accept;
        };
        c->OnDragDrop = [this](TObject* sender, TObject* source, int32_t x, int32_t y) {
            Log.push_back("drop " + Name(sender) + " " + std::to_string(x) + "," + std::to_string(y) + " from " +
                          Name(source));
        };
    }
    TPoint At(TControl* c, int x, int y) { return c->ClientToScreen({x, y}); }
    void Mouse(win::MouseAction a, TPoint p) {
        FScreen.InjectMouse(a, p);
        Pump();
    }
    // Presses on the source and moves past the threshold onto a point of a control.
    void StartOver(TControl* c, int x, int y) {
        Mouse(win::MouseAction::LeftDown, At(Source, 20, 20));
        Mouse(win::MouseAction::Move, At(Source, 40, 20));
        Mouse(win::MouseAction::Move, At(c, x, y));
    }
    win::HCURSOR Standard(int id) { return win::LoadCursor(nullptr, id); }
    // Nothing of a drag is left: no drag, no capture, no drag image, the cursor from before the drag.
    void ExpectRestored(win::HCURSOR before) {
        EXPECT_EQ(CurrentDragObject(), nullptr);
        EXPECT_FALSE(Source && Source->Dragging());
        EXPECT_EQ(win::GetCapture(), nullptr);
        EXPECT_FALSE(win::ImageList_DragShowing());
        EXPECT_EQ(win::GetCursor(), before);
    }
    TForm* Form = nullptr;
    TPanel* Source = nullptr;
    TPanel* Accepting = nullptr;
    TPanel* Refusing = nullptr;
    std::vector<std::string> Log;
};

TEST_F(DragObjectsTest, PastTheThresholdTheDragVisitsEachControlAndDropsOnOneThatAccepts) {
    Mouse(win::MouseAction::LeftDown, At(Source, 20, 20));
    win::HCURSOR before = win::GetCursor();
    EXPECT_EQ(before, Standard(win::IDC_CROSS)); // the source's own cursor, shown by the press
    Mouse(win::MouseAction::Move, At(Source, 24, 23)); // within the threshold of 5 pixels
    EXPECT_TRUE(Log.empty());
    EXPECT_FALSE(Source->Dragging());

    Mouse(win::MouseAction::Move, At(Source, 30, 20)); // over the source, which takes no drags
    EXPECT_EQ(Log, std::vector<std::string>{"start"});
    EXPECT_TRUE(Source->Dragging());
    ASSERT_NE(CurrentDragObject(), nullptr);
    EXPECT_EQ(win::GetCursor(), Standard(win::IDC_NO));

    Mouse(win::MouseAction::Move, At(Refusing, 5, 6));
    Mouse(win::MouseAction::Move, At(Refusing, 7, 6));
    EXPECT_EQ(win::GetCursor(), Standard(win::IDC_NO));
    Mouse(win::MouseAction::Move, At(Accepting, 10, 11));
    EXPECT_EQ(win::GetCursor(), Screen->GetCursors(crDrag));
    EXPECT_NE(win::GetCursor(), Standard(win::IDC_NO));
    Source->SetDragCursor(crHandPoint); // the control's drag cursor shows over accepting controls
    Mouse(win::MouseAction::Move, At(Accepting, 12, 11));
    EXPECT_EQ(win::GetCursor(), Standard(win::IDC_HAND));

    Mouse(win::MouseAction::LeftUp, At(Accepting, 12, 11));
    EXPECT_EQ(Log, (std::vector<std::string>{
                       "start",
                       "over Refusing enter 5,6 from Source",
                       "over Refusing move 7,6 from Source",
                       "over Refusing leave 10,-129 from Source",
                       "over Accepting enter 10,11 from Source",
                       "over Accepting move 12,11 from Source",
                       "over Accepting move 12,11 from Source",
                       "drop Accepting 12,11 from Source",
                       "end Accepting 12,11",
                   }));
    ExpectRestored(before);

    // The mouse is the control's own again.
    Log.clear();
    Mouse(win::MouseAction::Move, At(Accepting, 30, 30));
    EXPECT_TRUE(Log.empty());
}

TEST_F(DragObjectsTest, AReleaseOverNothingThatAcceptsEndsWithoutTargetAndAClickStaysAClick) {
    StartOver(Refusing, 5, 5);
    Mouse(win::MouseAction::LeftUp, At(Refusing, 5, 5));
    ASSERT_FALSE(Log.empty());
    EXPECT_EQ(Log.back(), "end none 0,0");
    EXPECT_EQ(std::count_if(Log.begin(), Log.end(), [](auto& s) { return s.rfind("drop", 0) == 0; }), 0);

    // Press and release without moving: no drag, the control's click.
    Log.clear();
    int clicks = 0;
    Source->OnClick = [&](TObject*) { ++clicks; };
    Mouse(win::MouseAction::LeftDown, At(Source, 20, 20));
    Mouse(win::MouseAction::LeftUp, At(Source, 20, 20));
    EXPECT_TRUE(Log.empty());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(win::GetCapture(), nullptr);

    // A drag started in code at once, without the threshold.
    FScreen.InjectMouse(win::MouseAction::Move, At(Source, 5, 5));
    Pump();
    Source->BeginDrag(true);
    EXPECT_TRUE(Source->Dragging());
    EXPECT_EQ(Log, std::vector<std::string>{"start"});
    Source->EndDrag(false);
    EXPECT_EQ(Log.back(), "end none 0,0");
    EXPECT_EQ(win::GetCapture(), nullptr);
}

TEST_F(DragObjectsTest, AGraphicControlIsDraggedFromItsParentsWindow) {
    auto* label = new TPlainGraphic(Form);
    label->SetName("Label");
    label->SetBounds(10, 60, 80, 30);
    label->SetDragMode(dmAutomatic);
    label->SetParent(Form);
    label->OnEndDrag = [this](TObject*, TObject* target, int32_t x, int32_t y) {
        Log.push_back("end " + Name(target) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    Pump();
    Mouse(win::MouseAction::LeftDown, At(label, 5, 5));
    Mouse(win::MouseAction::Move, At(label, 25, 5));
    EXPECT_TRUE(label->Dragging());
    Mouse(win::MouseAction::Move, At(Accepting, 3, 4));
    Mouse(win::MouseAction::LeftUp, At(Accepting, 3, 4));
    EXPECT_EQ(Log, (std::vector<std::string>{"over Accepting enter 3,4 from Label",
                                             "over Accepting move 3,4 from Label", "drop Accepting 3,4 from Label",
                                             "end Accepting 3,4"}));
    EXPECT_EQ(win::GetCapture(), nullptr);
    // The parent no longer routes the mouse to the label as if its button were still down.
    int moves = 0;
    label->OnMouseMove = [&](TObject*, TShiftState, int32_t, int32_t) { ++moves; };
    Mouse(win::MouseAction::Move, At(Accepting, 20, 20));
    EXPECT_EQ(moves, 0);
}

TEST_F(DragObjectsTest, EscapeCancelModeAndLostCaptureEndTheDragWithNoTargetAndTheOldCursor) {
    struct Case {
        const char* name;
        std::function<void()> cancel;
    } cases[] = {
        {"Escape", [this] { FScreen.InjectKeyPress(win::VK_ESCAPE); }},
        {"WM_CANCELMODE", [] { win::SendMessage(win::GetCapture(), win::WM_CANCELMODE, 0, 0); }},
        {"lost capture", [this] { win::SetCapture(Form->GetHandle()); }},
        {"CancelDrag", [] { CancelDrag(); }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Log.clear();
        Mouse(win::MouseAction::LeftDown, At(Source, 20, 20));
        win::HCURSOR before = win::GetCursor();
        Mouse(win::MouseAction::Move, At(Source, 40, 20));
        Mouse(win::MouseAction::Move, At(Accepting, 5, 5));
        ASSERT_TRUE(Source->Dragging());
        k.cancel();
        Pump();
        win::ReleaseCapture();
        EXPECT_EQ(Log, (std::vector<std::string>{"start", "over Accepting enter 5,5 from Source",
                                                 "over Accepting leave 5,5 from Source", "end none 0,0"}));
        ExpectRestored(before);
        Mouse(win::MouseAction::LeftUp, At(Accepting, 5, 5));
        EXPECT_EQ(Log.size(), 4u); // the release is nobody's drop
    }
}

TEST_F(DragObjectsTest, FindDragTargetTakesTheDeepestControlAndDisabledOnesOnlyWhenAsked) {
    Form->SetHeight(500);
    TPanel* box = MakePanel("Box", {10, 260, 210, 360});
    auto* enabled = new TPlainGraphic(Form);
    enabled->SetName("Enabled");
    enabled->SetBounds(10, 10, 40, 40);
    enabled->SetParent(box);
    auto* disabled = new TPlainGraphic(Form);
    disabled->SetName("Disabled");
    disabled->SetBounds(60, 10, 40, 40);
    disabled->SetEnabled(false);
    disabled->SetParent(box);
    auto* hidden = new TPlainGraphic(Form);
    hidden->SetBounds(110, 10, 40, 40);
    hidden->SetVisible(false);
    hidden->SetParent(box);
    // A windowed child lies above a graphic one added after it.
    TPanel* over = MakePanel("Over", {150, 60, 190, 90}, box);
    auto* under = new TPlainGraphic(Form);
    under->SetName("Under");
    under->SetBounds(140, 50, 60, 50);
    under->SetParent(box);
    Pump();
    struct Case {
        TPoint at;
        bool allowDisabled;
        TControl* expected;
    } cases[] = {
        {box->ClientToScreen({20, 20}), false, enabled},
        {box->ClientToScreen({70, 20}), false, box},
        {box->ClientToScreen({70, 20}), true, disabled},
        {box->ClientToScreen({120, 20}), true, box},
        {box->ClientToScreen({160, 70}), false, over},
        {box->ClientToScreen({145, 55}), false, under},
        {Form->ClientToScreen({400, 200}), false, Form},
        {{5, 5}, false, nullptr},
    };
    for (const Case& k : cases)
        EXPECT_EQ(FindDragTarget(k.at, k.allowDisabled), k.expected) << k.at.X << "," << k.at.Y;
}

TEST_F(DragObjectsTest, DragImagesFollowThePointerHideOnRequestAndGoWithTheDrag) {
    auto* source = MakePanel<TImagePanel>("Imaged", {10, 60, 90, 100});
    source->SetDragMode(dmAutomatic);
    auto images = std::make_unique<TDragImageList>(nullptr, 16, 16);
    TBitmap strip;
    strip.SetWidth(16);
    strip.SetHeight(16);
    images->AddMasked(&strip, clFuchsia);
    EXPECT_TRUE(images->SetDragImage(0, 3, 4));
    EXPECT_FALSE(images->SetDragImage(1, 0, 0));
    source->Images = images.get();
    Pump();
    Mouse(win::MouseAction::LeftDown, At(source, 20, 20));
    Mouse(win::MouseAction::Move, At(Accepting, 5, 5));
    ASSERT_TRUE(source->Dragging());
    EXPECT_TRUE(images->GetDragging());
    EXPECT_TRUE(win::ImageList_DragShowing());
    TPoint pos;
    win::ImageList_GetDragImage(&pos, nullptr);
    EXPECT_EQ(pos, At(Accepting, 5, 5));
    CurrentDragObject()->HideDragImage();
    EXPECT_FALSE(win::ImageList_DragShowing());
    CurrentDragObject()->ShowDragImage();
    EXPECT_TRUE(win::ImageList_DragShowing());
    Mouse(win::MouseAction::LeftUp, At(Accepting, 5, 5));
    EXPECT_FALSE(images->GetDragging());
    EXPECT_FALSE(win::ImageList_DragShowing());
}

// Fault: a handler frees the dragged control, the target, the drag object or the images in the middle of
// the drag. The drag ends quietly and gives back cursor, capture and image on every path.
TEST_F(DragObjectsTest, AHandlerMayFreeWhatTheDragHoldsAndTheDragEndsQuietly) {
    enum What { FreeSource, FreeTarget, FreeObject, FreeImages };
    struct Case {
        const char* name;
        What what;
        bool inDrop; // in OnDragDrop, else in OnDragOver
    } cases[] = {
        {"source in OnDragOver", FreeSource, false}, {"target in OnDragOver", FreeTarget, false},
        {"object in OnDragOver", FreeObject, false}, {"images in OnDragOver", FreeImages, false},
        {"source in OnDragDrop", FreeSource, true},  {"target in OnDragDrop", FreeTarget, true},
        {"object in OnDragDrop", FreeObject, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Log.clear();
        auto* source = MakePanel<TImagePanel>("Dragged", {10, 60, 90, 100});
        source->SetDragMode(dmAutomatic);
        auto* images = new TDragImageList(Form, 16, 16);
        TBitmap strip;
        strip.SetWidth(16);
        strip.SetHeight(16);
        images->AddMasked(&strip, clFuchsia);
        source->Images = images;
        TPanel* target = MakePanel("Target", {320, 10, 420, 110});
        std::unique_ptr<TRecordingDragObject> own;
        if (k.what == FreeObject) {
            own = std::make_unique<TRecordingDragObject>();
            own->Log = &Log;
            source->OnStartDrag = [&](TObject*, TDragObject*& object) { object = own.get(); };
        }
        source->OnEndDrag = [this](TObject*, TObject* t, int32_t, int32_t) { Log.push_back("end " + Name(t)); };
        auto free = [&] {
            switch (k.what) {
            case FreeSource:
                if (source)
                    source->Free();
                source = nullptr;
                break;
            case FreeTarget:
                if (target)
                    target->Free();
                target = nullptr;
                break;
            case FreeObject:
                own.reset();
                break;
            case FreeImages:
                if (images)
                    images->Free();
                images = nullptr;
                break;
            }
        };
        target->OnDragOver = [&](TObject*, TObject*, int32_t, int32_t, TDragState, bool& accept) {
            accept = true;
            if (!k.inDrop)
                free();
        };
        target->OnDragDrop = [&](TObject*, TObject*, int32_t, int32_t) {
            Log.push_back("drop");
            if (k.inDrop)
                free();
        };
        Pump();
        Mouse(win::MouseAction::LeftDown, At(source, 20, 20));
        win::HCURSOR before = win::GetCursor();
        TPoint onTarget = At(target, 10, 10);
        Mouse(win::MouseAction::Move, At(source, 40, 20));
        Mouse(win::MouseAction::Move, onTarget);
        Mouse(win::MouseAction::Move, {onTarget.X + 2, onTarget.Y});
        Mouse(win::MouseAction::LeftUp, {onTarget.X + 2, onTarget.Y});
        EXPECT_EQ(CurrentDragObject(), nullptr);
        EXPECT_EQ(win::GetCapture(), nullptr);
        EXPECT_FALSE(win::ImageList_DragShowing());
        EXPECT_EQ(win::GetCursor(), before);
        if (k.what == FreeImages) // the drag itself goes on without its images
            EXPECT_EQ(Log, (std::vector<std::string>{"drop", "end Target"}));
        if (k.what == FreeTarget && k.inDrop)
            EXPECT_EQ(Log, (std::vector<std::string>{"drop", "end none"}));
        if (source)
            source->Free();
        if (target)
            target->Free();
        if (images)
            images->Free();
    }
}

TEST_F(DragObjectsTest, ADockDragDocksIntoASiteFloatsOutsideOneAndAsksTheSiteItLeaves) {
    TPanel* site = MakePanel("Site", {320, 10, 480, 250});
    site->SetDockSite(true);
    TPanel* tool = MakePanel("Tool", {10, 150, 110, 210});
    tool->SetDragKind(dkDock);
    tool->SetDragMode(dmAutomatic);
    tool->OnStartDock = [this](TObject*, TDragDockObject*&) { Log.push_back("startdock"); };
    tool->OnEndDock = [this](TObject*, TObject* target, int32_t, int32_t) { Log.push_back("enddock " + Name(target)); };
    TRect seen;
    site->OnDockOver = [&](TObject*, TDragDockObject* source, int32_t x, int32_t y, TDragState state, bool& accept) {
        static const char* states[] = {"enter", "leave", "move"};
        Log.push_back(std::string("dockover ") + states[state] + " " + std::to_string(x) + "," + std::to_string(y));
        seen = source->GetDockRect();
        accept = true;
    };
    site->OnDockDrop = [this](TObject*, TDragDockObject*, int32_t, int32_t) { Log.push_back("dockdrop"); };
    bool allowUndock = false;
    site->OnUnDock = [&](TObject*, TControl* client, TWinControl* newTarget, bool& allow) {
        Log.push_back("undock " + Name(client) + " to " + Name(newTarget));
        allow = allowUndock;
    };
    Pump();

    Mouse(win::MouseAction::LeftDown, At(tool, 10, 10));
    Mouse(win::MouseAction::Move, At(tool, 30, 10));
    EXPECT_EQ(Log, std::vector<std::string>{"startdock"});
    Mouse(win::MouseAction::Move, At(site, 50, 60));
    // The dock rectangle is the site's client area, on the screen.
    TPoint siteOrigin = site->ClientToScreen({0, 0});
    EXPECT_EQ(seen, (TRect{siteOrigin.X, siteOrigin.Y, siteOrigin.X + site->GetClientWidth(),
                           siteOrigin.Y + site->GetClientHeight()}));
    Mouse(win::MouseAction::LeftUp, At(site, 50, 60));
    EXPECT_EQ(tool->GetHostDockSite(), site);
    EXPECT_EQ(tool->GetParent(), site);
    EXPECT_EQ(Log, (std::vector<std::string>{"startdock", "dockover enter 50,60", "dockover move 50,60",
                                             "enddock Site", "dockdrop"}));

    // Out of the site onto the form's face: the site keeps it while OnUnDock refuses...
    Log.clear();
    TPoint grab = At(tool, 10, 10);
    TPoint outside = Form->ClientToScreen({100, 200});
    const std::vector<std::string> leaving{"startdock", "dockover enter 40,160", "dockover leave -220,190",
                                           "undock Tool to none", "enddock none"};
    Mouse(win::MouseAction::LeftDown, grab);
    Mouse(win::MouseAction::Move, {grab.X + 20, grab.Y});
    Mouse(win::MouseAction::Move, outside);
    Mouse(win::MouseAction::LeftUp, outside);
    EXPECT_EQ(tool->GetHostDockSite(), site);
    EXPECT_EQ(Log, leaving);

    // ... and lets it float once it allows: the control's size where it was held.
    Log.clear();
    allowUndock = true;
    TRect held = tool->GetBoundsRect();
    grab = At(tool, 10, 10);
    Mouse(win::MouseAction::LeftDown, grab);
    Mouse(win::MouseAction::Move, {grab.X + 20, grab.Y});
    Mouse(win::MouseAction::Move, outside);
    Mouse(win::MouseAction::LeftUp, outside);
    EXPECT_EQ(tool->GetHostDockSite(), nullptr);
    EXPECT_EQ(tool->GetParent(), nullptr);
    EXPECT_EQ(tool->GetBoundsRect(),
              (TRect{outside.X - 10, outside.Y - 10, outside.X - 10 + held.Width(), outside.Y - 10 + held.Height()}));
    EXPECT_EQ(Log, leaving);
    EXPECT_EQ(win::GetCapture(), nullptr);
}

TEST_F(DragObjectsTest, OverADockedControlTheDockRectangleIsTheHalfTowardsThePointerAndTheDockManagerPlacesIt) {
    TPanel* site = MakePanel("Site", {320, 10, 480, 250});
    site->SetDockSite(true);
    site->SetUseDockManager(true); // not aligned to a side: zones one above the other, grabbers on top
    TPanel* first = MakePanel("First", {10, 150, 110, 210});
    TPanel* second = MakePanel("Second", {120, 150, 190, 210});
    for (TPanel* p : {first, second}) {
        p->SetDragKind(dkDock);
        p->SetDragMode(dmAutomatic);
    }
    ASSERT_TRUE(first->ManualDock(site));
    TRect zone = first->GetBoundsRect(); // the whole site below the grabber
    TRect seen;
    site->OnDockOver = [&](TObject*, TDragDockObject* source, int32_t, int32_t, TDragState, bool& accept) {
        seen = source->GetDockRect();
        EXPECT_EQ(source->GetDropOnControl(), first);
        EXPECT_EQ(source->GetDropAlign(), alTop);
        accept = true;
    };
    Pump();
    Mouse(win::MouseAction::LeftDown, At(second, 10, 10));
    Mouse(win::MouseAction::Move, At(second, 30, 10));
    TPoint upper = site->ClientToScreen({zone.Left + 20, zone.Top + 10});
    Mouse(win::MouseAction::Move, upper);
    TPoint tl = site->ClientToScreen({zone.Left, zone.Top});
    EXPECT_EQ(seen, (TRect{tl.X, tl.Y, tl.X + zone.Width(), tl.Y + zone.Height() / 2}));
    Mouse(win::MouseAction::LeftUp, upper);
    EXPECT_EQ(second->GetHostDockSite(), site);
    EXPECT_EQ(site->GetDockClientCount(), 2);
    EXPECT_LT(second->GetTop(), first->GetTop()); // inserted before the control it was dropped on
}

} // namespace

#include "controls/FcCommon.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace controls;

namespace {

// A control linked to a controller through its own FrameController property, as the framed controls are.
template <class Base> class TLinkedProbe : public Base {
public:
    TLinkedProbe() : Base(nullptr) {}
    ~TLinkedProbe() override { SetFrameController(nullptr); }
    TFcFrameController* GetFrameController() const { return FController; }
    void SetFrameController(TFcFrameController* value) {
        if (FController) {
            FController->RemoveControl(this);
            FController->RemoveFreeNotification(this);
        }
        FController = value;
        if (value) {
            value->FreeNotification(this);
            value->AddControl(this);
        }
    }
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override {
        Base::Notification(component, operation);
        if (operation == vcl::opRemove && component == FController)
            FController = nullptr;
    }

private:
    TFcFrameController* FController = nullptr;
};

// Publishes only Color, FrameVisible and FrameSides, and records every write.
class TPublishedProbe : public TLinkedProbe<vcl::TGraphicControl> {
public:
    vcl::TColor GetProbeColor() const { return FColor; }
    void SetProbeColor(vcl::TColor v) {
        FColor = v;
        Writes.push_back("Color");
    }
    bool GetFrameVisible() const { return FVisible; }
    void SetFrameVisible(bool v) {
        FVisible = v;
        Writes.push_back("FrameVisible");
    }
    TSides GetFrameSides() const { return FSides; }
    void SetFrameSides(TSides v) {
        FSides = v;
        Writes.push_back("FrameSides");
    }
    std::vector<std::string> TakeWrites() { return std::exchange(Writes, {}); }
    std::vector<std::string> Writes;

private:
    vcl::TColor FColor = vcl::clRed;
    bool FVisible = false;
    TSides FSides;
};

// Takes the settings itself.
class TNotifyProbe : public TLinkedProbe<vcl::TGraphicControl>, public IFrameControllerNotify {
public:
    void ApplyFrameController() override { ++Applied; }
    int Applied = 0;
};

// A component that skips properties of older layouts.
class TOldLayoutProbe : public vcl::TComponent {
public:
    explicit TOldLayoutProbe(vcl::TComponent* owner) : vcl::TComponent(owner) {}
    void DefineProperties(vcl::TFiler* filer) override {
        vcl::TComponent::DefineProperties(filer);
        filer->DefineProperty("FlatButtonParentColor", &TFcOldPropReader::ReadBoolean, nullptr, false);
        filer->DefineProperty("FrameFlatStyle", &TFcOldPropReader::ReadIdent, nullptr, false);
        filer->DefineProperty("FrameSides", &TFcOldPropReader::ReadSet, nullptr, false);
    }
    // Writes the components it owns, as a form does.
    void GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent* root) override {
        for (int32_t i = 0; i < GetComponentCount(); ++i)
            proc(GetComponent(i));
    }
};

class FrameControllerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterControlClasses();
        // The probe's own table, without a base: it publishes these three and nothing else.
        vcl::DefineClassProperties<TPublishedProbe>()
            .Property("Color", &TPublishedProbe::GetProbeColor, &TPublishedProbe::SetProbeColor, vcl::ColorIdents())
            .Property("FrameVisible", &TPublishedProbe::GetFrameVisible, &TPublishedProbe::SetFrameVisible)
            .Property("FrameSides", &TPublishedProbe::GetFrameSides, &TPublishedProbe::SetFrameSides);
        vcl::RegisterClass<TOldLayoutProbe>("TOldLayoutProbe");
        vcl::LinkPropertyTable(typeid(TOldLayoutProbe), typeid(vcl::TComponent));
    }
    headless::HeadlessScreen FScreen;
};

using Writes = std::vector<std::string>;

TEST_F(FrameControllerTest, LinkingPushesOnceAndOnlyWhatTheControlPublishes) {
    TFcFrameController controller(nullptr);
    controller.SetFrameVisible(true);
    controller.SetFrameSides({sdLeft, sdBottom});
    TPublishedProbe probe;
    TNotifyProbe notify;
    probe.SetFrameController(&controller);
    notify.SetFrameController(&controller);
    EXPECT_EQ(probe.TakeWrites(), (Writes{"Color", "FrameSides", "FrameVisible"}));
    EXPECT_EQ(probe.GetProbeColor(), vcl::clWindow);
    EXPECT_EQ(probe.GetFrameSides(), (TSides{sdLeft, sdBottom}));
    EXPECT_TRUE(probe.GetFrameVisible());
    EXPECT_EQ(notify.Applied, 1);
    EXPECT_EQ(controller.ControlCount(), 2);

    controller.AddControl(&probe); // linked already
    EXPECT_TRUE(probe.TakeWrites().empty());

    // One setting, one push of its own.
    controller.SetFrameStyle(fsRaised); // not published by the probe
    EXPECT_TRUE(probe.TakeWrites().empty());
    EXPECT_EQ(notify.Applied, 2);
    controller.SetFrameStyle(fsRaised); // unchanged
    EXPECT_EQ(notify.Applied, 2);
    controller.SetFrameSides(AllSides);
    EXPECT_EQ(probe.TakeWrites(), Writes{"FrameSides"});
}

TEST_F(FrameControllerTest, ColourFocusColourAndParentColour) {
    TFcFrameController controller(nullptr);
    TPublishedProbe probe;
    TNotifyProbe notify;
    probe.SetFrameController(&controller);
    notify.SetFrameController(&controller);
    probe.TakeWrites();

    controller.SetColor(vcl::clInfoBk); // the focus colour followed it
    EXPECT_EQ(controller.GetFocusColor(), vcl::clInfoBk);
    EXPECT_EQ(probe.TakeWrites(), Writes{"Color"});
    EXPECT_EQ(notify.Applied, 2); // one push for both
    controller.SetColor(vcl::clYellow);
    EXPECT_EQ(controller.GetFocusColor(), vcl::clYellow);
    controller.SetFocusColor(vcl::clWhite);
    controller.SetColor(vcl::clAqua); // now apart: the focus colour stays
    EXPECT_EQ(controller.GetFocusColor(), vcl::clWhite);
    probe.TakeWrites();

    // With ParentColor the colour is never written.
    controller.SetParentColor(true);
    EXPECT_TRUE(probe.TakeWrites().empty()); // ParentColor itself is not published
    controller.UpdateControls();
    EXPECT_EQ(probe.TakeWrites(), (Writes{"FrameSides", "FrameVisible"}));
    EXPECT_FALSE(controller.IsColorStored());
    controller.SetParentColor(false); // the colour goes out again
    EXPECT_EQ(probe.TakeWrites(), Writes{"Color"});
    controller.SetParentColor(true);
    controller.SetColor(vcl::clLime); // setting a colour ends ParentColor
    EXPECT_FALSE(controller.GetParentColor());
    EXPECT_EQ(probe.TakeWrites(), Writes{"Color"});
}

TEST_F(FrameControllerTest, UpdatesBatchThePushes) {
    TFcFrameController controller(nullptr);
    TPublishedProbe probe;
    probe.SetFrameController(&controller);
    probe.TakeWrites();
    controller.BeginUpdate();
    controller.BeginUpdate();
    controller.SetColor(vcl::clInfoBk);
    controller.SetFrameVisible(true);
    controller.EndUpdate();
    EXPECT_TRUE(probe.TakeWrites().empty());
    controller.EndUpdate();
    EXPECT_EQ(probe.TakeWrites(), (Writes{"Color", "FrameSides", "FrameVisible"}));
    controller.EndUpdate(); // one too many: the count stays at 0 and everything goes out again
    EXPECT_EQ(probe.TakeWrites(), (Writes{"Color", "FrameSides", "FrameVisible"}));
    controller.SetFrameVisible(false);
    EXPECT_EQ(probe.TakeWrites(), Writes{"FrameVisible"});

    // Assign copies everything and pushes once.
    TFcFrameController other(nullptr);
    other.SetColor(vcl::clYellow);
    other.SetFrameSides({sdTop});
    other.SetFrameStyle(fsLowered);
    controller.Assign(&other);
    EXPECT_EQ(probe.TakeWrites(), (Writes{"Color", "FrameSides", "FrameVisible"}));
    EXPECT_EQ(controller.GetFrameStyle(), fsLowered);
    EXPECT_EQ(controller.GetFocusColor(), vcl::clYellow);
    EXPECT_EQ(probe.GetFrameSides(), TSides{sdTop});
}

TEST_F(FrameControllerTest, HotTrackingShowsTheFrameOnAllSides) {
    TFcFrameController controller(nullptr);
    TPublishedProbe probe;
    probe.SetFrameController(&controller);
    controller.SetFrameSides({sdLeft});
    probe.TakeWrites();
    controller.SetFrameHotTrack(true);
    EXPECT_TRUE(controller.GetFrameVisible());
    EXPECT_EQ(controller.GetFrameSides(), AllSides);
    EXPECT_EQ(probe.TakeWrites(), Writes{"FrameVisible"}); // the sides went without a push of their own
}

TEST_F(FrameControllerTest, ADestroyedControllerClearsTheControlsReferences) {
    TPublishedProbe probe;
    TNotifyProbe notify;
    {
        auto controller = std::make_unique<TFcFrameController>(nullptr);
        probe.SetFrameController(controller.get());
        notify.SetFrameController(controller.get());
        auto gone = std::make_unique<TPublishedProbe>();
        gone->SetFrameController(controller.get());
        gone.reset(); // a control that leaves is no longer pushed to
        EXPECT_EQ(controller->ControlCount(), 2);
        controller->SetColor(vcl::clRed);
    }
    EXPECT_EQ(probe.GetFrameController(), nullptr);
    EXPECT_EQ(notify.GetFrameController(), nullptr);
}

std::string WriteText(vcl::TComponent* root) {
    vcl::TMemoryStream stream;
    vcl::TWriter writer(&stream);
    writer.WriteRootComponent(root);
    return vcl::ObjectBinaryToText(std::string(static_cast<const char*>(stream.Memory()), size_t(stream.GetSize())));
}

void ReadText(vcl::TComponent* root, const std::string& text) {
    const std::string binary = vcl::ObjectTextToBinary(text);
    vcl::TReadOnlyMemoryStream stream(binary.data(), int64_t(binary.size()));
    vcl::TReader reader(&stream);
    reader.ReadRootComponent(root);
}

TEST_F(FrameControllerTest, LayoutsOldAndNew) {
    {
        TOldLayoutProbe root(nullptr);
        ReadText(&root, "object Probe: TOldLayoutProbe\n"
                        "  FlatButtonParentColor = True\n"
                        "  FrameFlatStyle = fsThin\n"
                        "  FrameSides = [sdLeft, sdTop]\n"
                        "  Tag = 7\n"
                        "  object Controller: TFcFrameController\n"
                        "    FrameFlat = True\n"
                        "    FrameFocusStyle = fsRaised\n"
                        "    FrameSides = [sdLeft]\n"
                        "  end\n"
                        "end\n");
        EXPECT_EQ(root.GetTag(), 7);
        auto* controller = dynamic_cast<TFcFrameController*>(root.FindComponent("Controller"));
        ASSERT_NE(controller, nullptr);
        EXPECT_TRUE(controller->GetFrameHotTrack());
        EXPECT_TRUE(controller->GetFrameVisible());
        EXPECT_EQ(controller->GetFrameStyle(), fsStatus);
        EXPECT_EQ(controller->GetFrameHotStyle(), fsRaised);
        EXPECT_EQ(controller->GetFrameSides(), TSides{sdLeft}); // loading: hot tracking leaves the sides
    }
    {
        // As the editor's main window streams its controller: written back to the same text, the older
        // properties never written.
        const std::string text = "object Probe: TOldLayoutProbe\n"
                                 "  object Controller: TFcFrameController\n"
                                 "    FrameVisible = True\n"
                                 "  end\n"
                                 "end\n";
        TOldLayoutProbe root(nullptr);
        ReadText(&root, text);
        EXPECT_EQ(WriteText(&root), text);
        auto* controller = dynamic_cast<TFcFrameController*>(root.FindComponent("Controller"));
        controller->SetParentColor(true);
        controller->SetFrameStyle(fsBump);
        EXPECT_EQ(WriteText(&root), "object Probe: TOldLayoutProbe\n"
                                    "  object Controller: TFcFrameController\n"
                                    "    FrameStyle = fsBump\n"
                                    "    FrameVisible = True\n"
                                    "    ParentColor = True\n"
                                    "  end\n"
                                    "end\n");
    }
}

} // namespace

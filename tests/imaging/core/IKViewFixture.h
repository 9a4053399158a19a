// A form on the headless screen holding one single-image view, for the view tests.
#pragma once

#include "imaging/core/IKBitmap.h"
#include "imaging/core/ImageKitView.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Forms.h"
#include "platform/win/kernel/Kernel.h"

#include <gtest/gtest.h>

namespace iktest {

class ViewFixture : public ::testing::Test {
protected:
    void SetUp() override {
        FClock.SetAutoAdvance(true);
        vcl::Application->ResetForTesting();
        Form = new vcl::TForm(nullptr);
        Form->SetBounds(10, 10, 400, 300);
        View = new imaging::TImageKitView(Form);
        View->SetParent(Form);
        View->SetBounds(0, 0, 200, 150);
        Form->Show();
        Pump();
    }
    void TearDown() override {
        while (vcl::Screen->GetFormCount() > 0)
            vcl::Screen->GetForm(0)->Free();
        Pump();
        vcl::Application->ResetForTesting();
    }
    void Pump() { vcl::Application->ProcessMessages(); }

    // A 24-bit image whose pixel (x, y) is (B, G, R) = (x, y, 100), loaded into the view.
    void LoadGradient(int32_t width, int32_t height) {
        imaging::TIKBitmap* b = View->GetIKBitmap();
        b->Allocate(width, height, imaging::ikbf24Bit);
        for (int32_t y = 0; y < height; ++y) {
            uint8_t* row = b->ScanLine(y);
            for (int32_t x = 0; x < width; ++x) {
                row[3 * x] = uint8_t(x);
                row[3 * x + 1] = uint8_t(y);
                row[3 * x + 2] = 100;
            }
        }
        View->Update();
    }

    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen;
    vcl::TForm* Form = nullptr;
    imaging::TImageKitView* View = nullptr;
};

} // namespace iktest

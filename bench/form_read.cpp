// Layouts: converting a form's text to the binary form, reading it into a form of class-library controls
// (panels holding buttons, edits and labels, with fonts, captions and event-free properties), and writing
// the form back. The layout is made here: Arg(n) panels of four controls each.
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Streams.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string BenchFormLayout(int panels) {
    std::string text =
        "object Bench: TForm\n  Caption = 'Bench'\n  ClientWidth = 800\n  ClientHeight = 600\n";
    for (int i = 0; i < panels; ++i) {
        const std::string n = std::to_string(i);
        text += "  object Panel" + n + ": TPanel\n    Left = " + std::to_string(i % 40) + "\n    Top = " + n +
                "\n    Width = 200\n    Height = 60\n    Caption = 'Panel " + n + "'\n";
        text += "    object Button" + n +
                ": TButton\n      Left = 4\n      Top = 4\n      Caption = 'Go'\n    end\n";
        text += "    object Edit" + n +
                ": TEdit\n      Left = 80\n      Top = 4\n      Text = 'some text'\n"
                "      Font.Name = 'Arial'\n      Font.Style = [fsBold]\n    end\n";
        text += "    object Label" + n + ": TLabel\n      Left = 4\n      Top = 30\n      Caption = 'Label " +
                n + "'\n    end\n";
        text += "  end\n";
    }
    return text + "end\n";
}

headless::HeadlessScreen& BenchScreen() {
    static headless::HeadlessScreen screen;
    return screen;
}

void BM_TextToBinary(benchmark::State& state) {
    const std::string text = BenchFormLayout(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(vcl::ObjectTextToBinary(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_TextToBinary)->Arg(10)->Arg(100);

void BM_ReadIntoForm(benchmark::State& state) {
    BenchScreen();
    const std::string binary = vcl::ObjectTextToBinary(BenchFormLayout(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        auto* form = new vcl::TForm(nullptr);
        vcl::TReadOnlyMemoryStream stream(binary.data(), static_cast<int64_t>(binary.size()));
        vcl::TReader reader(&stream);
        reader.ReadRootComponent(form);
        benchmark::DoNotOptimize(form->GetComponentCount());
        form->Free();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * (state.range(0) * 4 + 1));
}
// 50 and 400 panels: layouts of 200 and 1,600 controls, whose cost per control should be the same.
BENCHMARK(BM_ReadIntoForm)->Arg(10)->Arg(100)->Arg(50)->Arg(400);

void BM_WriteForm(benchmark::State& state) {
    BenchScreen();
    const std::string binary = vcl::ObjectTextToBinary(BenchFormLayout(static_cast<int>(state.range(0))));
    auto* form = new vcl::TForm(nullptr);
    vcl::TReadOnlyMemoryStream in(binary.data(), static_cast<int64_t>(binary.size()));
    vcl::TReader reader(&in);
    reader.ReadRootComponent(form);
    for (auto _ : state) {
        vcl::TMemoryStream out;
        vcl::TWriter writer(&out);
        writer.WriteRootComponent(form);
        benchmark::DoNotOptimize(out.GetSize());
    }
    form->Free();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * (state.range(0) * 4 + 1));
}
BENCHMARK(BM_WriteForm)->Arg(10)->Arg(100);

} // namespace

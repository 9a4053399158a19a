// gifopt: makes a GIF file smaller with the document's optimisation.
//
//   gifopt IN OUT [--options N] [--global] [--always]
//
// --options N   the optimisation steps, a number such as 15 or 0x0F (the default: every step)
//                 1 crop transparent frames, 2 blank unchanged pixels, 4 clean up, 8 sort colour tables
// --global      then merge every colour table into one global table, when no colour is lost by it and the
//               file gets smaller
// --always      write the optimised document (merged with --global whenever the colours fit) even when it
//               is not smaller; without it a file that would not shrink is written as it was
//
// Prints one line: the sizes before and after, the frame counts, and what was written.
#include "gif/GifDocument.h"
#include "platform/vcl/Streams.h"
#include "tools/ToolBatch.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace gif;

// The colours the frames show, and one more for transparency when some frame uses it; the screen's
// background colour counts too. At most 256 of them fit into one table.
int32_t OptColorsToMerge(TGifDocument& doc) {
    std::set<TGifColor> colors;
    bool transparency = false;
    for (int32_t i = 0; i < doc.FrameCount(); ++i) {
        TGifFrame* frame = doc.Frame(i);
        if (frame->IsEmpty())
            continue;
        TGifColorMap* map = frame->EffectiveColorMap();
        TGifGraphicControlExtension* control = frame->GetControlExtension();
        int32_t transparent = frame->GetTransparentFrame() && control ? control->GetTransparentIndex() : -1;
        bool used[256] = {};
        for (int64_t p = 0; p < frame->GetPixelCount(); ++p)
            used[frame->GetPixels()[p]] = true;
        for (int32_t v = 0; v < 256; ++v) {
            if (!used[v])
                continue;
            if (v == transparent)
                transparency = true;
            else if (v < map->GetEntryCount())
                colors.insert(TGifColorMap::RGBToColor(map->Entry(v)));
        }
    }
    TGifGlobalColorMap* global = doc.GlobalColorMap();
    uint8_t background = doc.GetHeader()->ScreenDescriptor().BackgroundIndex;
    if (background < global->GetEntryCount())
        colors.insert(TGifColorMap::RGBToColor(global->Entry(background)));
    return int32_t(colors.size()) + (transparency ? 1 : 0);
}

std::unique_ptr<vcl::TMemoryStream> OptSaved(TGifDocument& doc) {
    auto stream = std::make_unique<vcl::TMemoryStream>();
    doc.SaveToStream(stream.get());
    return stream;
}

int OptUsage() {
    std::fprintf(stderr, "usage: gifopt IN OUT [--options N] [--global] [--always]\n"
                         "       gifopt --batch LIST\n");
    return 2;
}

} // namespace

// One run of the tool; main runs it once or, with --batch, once per line of a list (tools/ToolBatch.h).
static int Run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::vector<std::string> files;
    TGifOptimizeOptions options = opTrimTransparent | opBlankUnchanged | opCleanUp | opSortColorTables;
    bool global = false;
    bool always = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--options" && i + 1 < args.size()) {
            char* end = nullptr;
            long value = std::strtol(args[++i].c_str(), &end, 0);
            if (*end || value < 0 || value > 0xFF)
                return OptUsage();
            options = TGifOptimizeOptions(value);
        } else if (args[i] == "--global") {
            global = true;
        } else if (args[i] == "--always") {
            always = true;
        } else if (!args[i].empty() && args[i][0] == '-') {
            return OptUsage();
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 2)
        return OptUsage();
    try {
        vcl::TMemoryStream original;
        original.LoadFromFile(files[0]);
        TGifDocument doc;
        doc.OnIssue = [](vcl::TObject*, int32_t, const std::string& message) {
            std::fprintf(stderr, "gifopt: issue: %s\n", message.c_str());
        };
        original.SetPosition(0);
        doc.LoadFromStream(&original);
        int32_t framesBefore = doc.FrameCount();
        doc.Optimize(options, rdNone, dtClosestColor, 8);
        std::unique_ptr<vcl::TMemoryStream> chosen = OptSaved(doc);
        const char* what = "optimised";
        int32_t colors = OptColorsToMerge(doc);
        if (global && colors <= TGifColorMap::MaxEntries) {
            doc.OptimizeToGlobalColorMap();
            std::unique_ptr<vcl::TMemoryStream> merged = OptSaved(doc);
            if (always || merged->GetSize() < chosen->GetSize()) {
                chosen = std::move(merged);
                what = "optimised, one colour table";
            }
        }
        if (!always && chosen->GetSize() >= original.GetSize()) {
            chosen->LoadFromStream(&original);
            what = "kept as it was";
        }
        try {
            vcl::SaveFileSafely(files[1], [&](vcl::TStream& stream) {
                stream.WriteBuffer(chosen->Memory(), int32_t(chosen->GetSize()));
            });
        } catch (const std::exception& e) {
            // The output is what failed: name it, not the input that was read well.
            std::fprintf(stderr, "gifopt: %s: %s\n", files[1].c_str(), e.what());
            return 1;
        }
        std::printf("%s %lld -> %s %lld bytes, %d -> %d frames, %d colours: %s\n", files[0].c_str(),
                    (long long)original.GetSize(), files[1].c_str(), (long long)chosen->GetSize(),
                    framesBefore, doc.FrameCount(), colors, what);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gifopt: %s: %s\n", files[0].c_str(), e.what());
        return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    const int batch = tools::RunBatch(argc, argv, Run);
    return batch >= 0 ? batch : Run(argc, argv);
}

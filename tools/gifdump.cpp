// gifdump: a developer tool for checking the GIF reader and writer against other programs.
//
//   gifdump [info] FILE            header, frames, extensions and issues, one line each
//   gifdump frames FILE DIR        every frame's own pixels as DIR/frame-NNN.pam (RGBA through the
//                                  frame's colour table, alpha 0 for its transparent index)
//   gifdump rgba FILE              every frame's RGBA to standard output, transparent pixels as 0,0,0,0
//   gifdump indices FILE           every frame's colour indices to standard output
//   gifdump roundtrip IN OUT [--rle]   load and save (also: gifdump --rewrite IN OUT [--rle])
//   gifdump composed FILE DIR [RRGGBB|background]  the logical screen after each frame, composed with
//                                  the disposal methods as the playback painter shows it (gif/GifCompose.h),
//                                  as DIR/composed-NNN.ppm;
//                                  the screen starts in the colour given (default ff00ff; "background":
//                                  the header's background colour), which also shows through where a
//                                  frame restores to the background
//   gifdump play FILE              plays the animation inline on an off-screen canvas (one pass, or the
//                                  loop count's passes) and prints each event with its time on a
//                                  manual clock
#include "gif/GifCompose.h"
#include "gif/GifDocument.h"
#include "gif/GifPainter.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Streams.h"
#include "platform/win/kernel/Kernel.h"
#include "tools/ToolBatch.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace gif;

uint32_t DumpChecksum(const uint8_t* p, int64_t n) {
    uint32_t h = 2166136261u;
    for (int64_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 16777619u;
    return h;
}

std::string DumpPrintable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 32 && c < 127 && c != '"' && c != '\\') {
            out += char(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        }
    }
    return out;
}

// Writes any number of bytes through a stream, whose single writes are limited to 2 GB.
void DumpWriteLarge(vcl::TStream& stream, const uint8_t* data, size_t size) {
    for (size_t at = 0; at < size; at += size_t(1) << 30)
        stream.WriteBuffer(data + at, int32_t(std::min(size - at, size_t(1) << 30)));
}

std::unique_ptr<TGifDocument> DumpLoad(const std::string& file, std::vector<std::string>* issues) {
    auto doc = std::make_unique<TGifDocument>();
    doc->OnIssue = [issues](vcl::TObject*, int32_t, const std::string& message) {
        if (issues)
            issues->push_back(message);
    };
    doc->LoadFromFile(file);
    return doc;
}

// The RGBA of every pixel of a frame; indices beyond the colour table are black.
std::vector<uint8_t> DumpFrameRgba(TGifFrame* frame, bool zeroTransparent) {
    std::vector<uint8_t> rgba(size_t(frame->GetPixelCount()) * 4);
    const TGifColorMap* map = frame->EffectiveColorMap();
    int transparent = -1;
    if (TGifGraphicControlExtension* gce = frame->GetControlExtension())
        if (gce->GetTransparentFlag())
            transparent = gce->GetTransparentIndex();
    const uint8_t* p = frame->GetPixels();
    for (int64_t i = 0; i < frame->GetPixelCount(); ++i) {
        uint8_t* q = &rgba[size_t(i) * 4];
        int index = p[i];
        if (index < map->GetEntryCount()) {
            q[0] = map->Entry(index).Red;
            q[1] = map->Entry(index).Green;
            q[2] = map->Entry(index).Blue;
        }
        q[3] = index == transparent ? 0 : 255;
        if (index == transparent && zeroTransparent)
            q[0] = q[1] = q[2] = 0;
    }
    return rgba;
}

void DumpInfo(const std::string& file) {
    std::vector<std::string> issues;
    std::unique_ptr<TGifDocument> doc;
    std::string error;
    try {
        doc = DumpLoad(file, &issues);
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (!doc) {
        std::printf("error %s\n", error.c_str());
        return;
    }
    const TGifScreenDescriptor& s = doc->GetHeader()->ScreenDescriptor();
    std::printf("screen %dx%d background %d aspect %d global-table %d\n", s.Width, s.Height,
                s.BackgroundIndex, s.AspectRatio, doc->GlobalColorMap()->GetEntryCount());
    int loop = -1;
    for (int32_t i = 0; i < doc->FrameCount(); ++i) {
        TGifFrame* frame = doc->Frame(i);
        const TGifImageDescriptor& d = frame->Descriptor();
        TGifGraphicControlExtension* gce = frame->GetControlExtension();
        int transparent = gce && gce->GetTransparentFlag() ? gce->GetTransparentIndex() : -1;
        std::printf(
            "frame %d rect %d,%d %dx%d interlaced %d local-table %d delay %d disposal %d transparent %d "
            "checksum %08x\n",
            i, d.Left, d.Top, d.Width, d.Height, frame->IsInterlaced() ? 1 : 0,
            frame->GetLocalColorMap()->GetEntryCount(), gce ? gce->GetDelayTime() : 0,
            gce ? gce->GetDisposalMethod() : 0, transparent,
            DumpChecksum(frame->GetPixels(), frame->GetPixelCount()));
        for (int32_t k = 0; k < frame->GetExtensionList()->ItemCount(); ++k) {
            TGifExtension* ext = frame->GetExtensionList()->ExtensionAt(k);
            if (auto* loopExt = dynamic_cast<TGifLoopExtension*>(ext)) {
                if (loop < 0)
                    loop = loopExt->GetLoopCount();
                std::printf("  loop %d\n", loopExt->GetLoopCount());
            } else if (auto* comment = dynamic_cast<TGifCommentExtension*>(ext)) {
                std::string text;
                for (int32_t n = 0; n < comment->Lines().Count(); ++n)
                    text += comment->Lines()[n];
                std::printf("  comment \"%s\"\n", DumpPrintable(text).c_str());
            } else if (auto* app = dynamic_cast<TGifApplicationExtension*>(ext)) {
                const TGifAppIdentifier& id = app->GetIdentifier();
                std::printf("  application \"%s\"\n",
                            DumpPrintable(std::string(id.begin(), id.end())).c_str());
            } else if (dynamic_cast<TGifTextExtension*>(ext)) {
                std::printf("  plain-text\n");
            }
        }
    }
    std::printf("frames %d loop %d\n", doc->FrameCount(), loop);
    for (const std::string& issue : issues)
        std::printf("issue %s\n", issue.c_str());
    if (!error.empty())
        std::printf("error %s\n", error.c_str());
}

void DumpFrames(const std::string& file, const std::string& dir) {
    auto doc = DumpLoad(file, nullptr);
    std::filesystem::create_directories(dir);
    for (int32_t i = 0; i < doc->FrameCount(); ++i) {
        TGifFrame* frame = doc->Frame(i);
        if (frame->IsEmpty())
            continue;
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%03d.pam", i);
        const std::string header = "P7\nWIDTH " + std::to_string(frame->Descriptor().Width) + "\nHEIGHT " +
                                   std::to_string(frame->Descriptor().Height) +
                                   "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
        const std::vector<uint8_t> rgba = DumpFrameRgba(frame, false);
        vcl::SaveFileSafely(dir + name, [&](vcl::TStream& stream) {
            stream.WriteBuffer(header.data(), int32_t(header.size()));
            DumpWriteLarge(stream, rgba.data(), rgba.size());
        });
    }
}

void DumpRaw(const std::string& file, bool rgba) {
    auto doc = DumpLoad(file, nullptr);
    for (int32_t i = 0; i < doc->FrameCount(); ++i) {
        TGifFrame* frame = doc->Frame(i);
        if (frame->IsEmpty())
            continue;
        if (rgba) {
            std::vector<uint8_t> data = DumpFrameRgba(frame, true);
            std::fwrite(data.data(), 1, data.size(), stdout);
        } else {
            std::fwrite(frame->GetPixels(), 1, size_t(frame->GetPixelCount()), stdout);
        }
    }
}

void DumpRoundTrip(const std::string& in, const std::string& out, bool rle) {
    auto doc = DumpLoad(in, nullptr);
    doc->SetEncoderKind(rle ? ekRunLength : ekLzw);
    doc->SaveToFile(out);
}

// Plays doc inline on a screen-sized bitmap of the background colour, on a manual clock that moves by
// itself, calling afterFrame with the bitmap after each frame.
template <typename F>
void DumpPlay(TGifDocument& doc, vcl::TColor background, TGifPaintOptions options, F afterFrame) {
    win::ManualClock clock(0);
    clock.SetAutoAdvance(true);
    win::ScopedClock scoped(clock);
    vcl::TBitmap screen;
    screen.SetPixelFormat(vcl::pf32bit);
    screen.SetSize(doc.GetWidth(), doc.GetHeight());
    screen.GetCanvas()->GetBrush()->SetColor(background);
    screen.GetCanvas()->FillRect({0, 0, doc.GetWidth(), doc.GetHeight()});
    doc.SetPlaybackBackground(background);
    doc.OnAfterFrame = [&](vcl::TObject* sender) { afterFrame(static_cast<TGifPainter*>(sender), &screen); };
    doc.StartPainter(nullptr, screen.GetCanvas(), {0, 0, doc.GetWidth(), doc.GetHeight()}, options);
}

void DumpComposed(const std::string& file, const std::string& dir, vcl::TColor background) {
    auto doc = DumpLoad(file, nullptr);
    // -1: the screen's own background colour, as the format describes the screen before the first frame.
    if (background < 0)
        background = doc->GlobalColorMap()->GetEntryCount() > 0 ? doc->ScreenBackgroundColor() : 0xFF00FF;
    std::filesystem::create_directories(dir);
    TGifComposer composer(doc.get(), background);
    const int w = composer.Width(), h = composer.Height();
    const std::string header = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    // The painter's pass ends at an empty frame.
    while (composer.Next() && !doc->Frame(composer.FrameIndex())->IsEmpty()) {
        char name[32];
        std::snprintf(name, sizeof name, "/composed-%03d.ppm", composer.FrameIndex());
        vcl::SaveFileSafely(dir + name, [&](vcl::TStream& stream) {
            stream.WriteBuffer(header.data(), int32_t(header.size()));
            std::vector<uint8_t> rgb(size_t(w) * 3);
            for (int y = 0; y < h; ++y) {
                const uint32_t* row = composer.Screen().data() + size_t(y) * size_t(w);
                for (int x = 0; x < w; ++x) {
                    rgb[size_t(x) * 3] = uint8_t(row[x] >> 16);
                    rgb[size_t(x) * 3 + 1] = uint8_t(row[x] >> 8);
                    rgb[size_t(x) * 3 + 2] = uint8_t(row[x]);
                }
                DumpWriteLarge(stream, rgb.data(), rgb.size());
            }
        });
    }
}

void DumpPlayEvents(const std::string& file) {
    auto doc = DumpLoad(file, nullptr);
    // The handlers run while DumpPlay's manual clock, which starts at 0, is installed.
    auto print = [&](const char* name) {
        return [&, name](vcl::TObject* sender) {
            std::printf("%6u ms %s %d\n", win::timeGetTime(), name,
                        static_cast<TGifPainter*>(sender)->GetCurrentFrame());
        };
    };
    doc->OnPlayStart = print("play-start");
    doc->OnBeforeFrame = print("before-frame");
    doc->OnLoopRestart = print("loop-restart");
    doc->OnPlayEnd = print("play-end");
    TGifPaintOptions options;
    for (TGifPaintOption o : {gpoStepFrames, gpoRepeat, gpoUseTransparency})
        options.Include(o);
    DumpPlay(*doc, 0xFFFFFF, options, [&](TGifPainter* painter, vcl::TBitmap*) {
        std::printf("%6u ms after-frame %d\n", win::timeGetTime(), painter->GetCurrentFrame());
    });
}

int DumpUsage() {
    std::fprintf(stderr, "usage: gifdump [info] FILE | frames FILE DIR | rgba FILE | indices FILE |\n"
                         "       roundtrip IN OUT [--rle] | --rewrite IN OUT [--rle] |\n"
                         "       composed FILE DIR [RRGGBB] | play FILE | --batch LIST\n");
    return 2;
}

} // namespace

// One run of the tool; main runs it once or, with --batch, once per line of a list (tools/ToolBatch.h).
static int Run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.empty())
            return DumpUsage();
        const std::string& command = args[0];
        if (args.size() == 1 && command[0] != '-') {
            DumpInfo(command);
        } else if (command == "info" && args.size() == 2) {
            DumpInfo(args[1]);
        } else if (command == "frames" && args.size() == 3) {
            DumpFrames(args[1], args[2]);
        } else if ((command == "rgba" || command == "indices") && args.size() == 2) {
            DumpRaw(args[1], command == "rgba");
        } else if ((command == "roundtrip" || command == "--rewrite") &&
                   (args.size() == 3 || args.size() == 4)) {
            if (args.size() == 4 && args[3] != "--rle")
                return DumpUsage();
            DumpRoundTrip(args[1], args[2], args.size() == 4);
        } else if (command == "composed" && (args.size() == 3 || args.size() == 4)) {
            if (args.size() == 4 && args[3] == "background") {
                DumpComposed(args[1], args[2], -1);
            } else {
                uint32_t rgb = args.size() == 4 ? uint32_t(std::stoul(args[3], nullptr, 16)) : 0xFF00FFu;
                // The colour as red in the low byte.
                DumpComposed(args[1], args[2],
                             vcl::TColor(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16)));
            }
        } else if (command == "play" && args.size() == 2) {
            DumpPlayEvents(args[1]);
        } else {
            return DumpUsage();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gifdump: %s\n", e.what());
        return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    const int batch = tools::RunBatch(argc, argv, Run);
    return batch >= 0 ? batch : Run(argc, argv);
}

// swfmedia OUT.swf RATE FRAMES [--stream FILE] [--no-loop] [--event FILE] [--sprite] [--video LIST]: writes
// a movie of FRAMES frames at RATE frames per second with a stream sound, an event sound, a sprite with its
// own stream sound (the --stream file) and init script, or a video placement of the packets LIST names
// (lines "file PATH", "video OFFSET SIZE CODEC FRAMETYPE WIDTH HEIGHT", "audio OFFSET SIZE FORMAT MP3HEADER").
// swfmedia --info FILE: prints what the SWF writer's audio readers find in a WAV or MP3 file (format, rate,
// samples, data place, MPEG frames and ID3 tags), one "key<TAB>value" line each.
// swfmedia --batch LIST: many runs of either kind in one process (tools/ToolBatch.h).
// Both serve checks against independent tools.
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "swf/FlashObjects.h"
#include "swf/MPEGaudio.h"
#include "swf/SoundReader.h"
#include "tools/ToolBatch.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace swf;

namespace {

void MediaLine(const char* key, const std::string& value) {
    std::printf("%s\t%s\n", key, value.c_str());
}

void MediaLine(const char* key, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6f", value);
    MediaLine(key, std::string(buffer));
}

void MediaLine(const char* key, int64_t value) {
    MediaLine(key, std::to_string(value));
}

int MediaInfo(const std::string& fileName) {
    TWaveReader r(fileName);
    MediaLine("format", int64_t(r.FormatTag));
    MediaLine("channels", int64_t(r.Channels));
    MediaLine("rate", int64_t(r.SamplesPerSec));
    MediaLine("bits", int64_t(r.BitsPerSample));
    MediaLine("samples", int64_t(r.SampleCount));
    MediaLine("duration", r.Duration);
    MediaLine("data_offset", int64_t(r.DataOffset));
    MediaLine("data_size", int64_t(r.DataSize));
    MediaLine("mpeg_layer", int64_t(r.MPEGLayer));
    MediaLine("mp3_frame_size", int64_t(r.MP3FrameSize));
    MediaLine("mp3_frame_count", int64_t(r.MP3FrameCount));
    MediaLine("mp3_samples_per_frame", int64_t(r.SamplesPerMP3Frame));
    TMPEGaudio mpeg;
    if (mpeg.ReadFromFile(fileName)) {
        MediaLine("mpeg_found", int64_t(mpeg.Frame.Found));
        MediaLine("mpeg_bitrate", int64_t(mpeg.GetBitRate()));
        MediaLine("mpeg_frames", int64_t(mpeg.GetFrameCount()));
        MediaLine("mpeg_duration", mpeg.GetDuration());
        MediaLine("vbr", mpeg.VBR.Found ? mpeg.VBR.ID : std::string("-"));
        const TID3v1& v1 = mpeg.ID3v1;
        MediaLine("id3v1_exists", int64_t(v1.Exists));
        MediaLine("id3v1_version", int64_t(v1.VersionID));
        MediaLine("id3v1_title", v1.Title);
        MediaLine("id3v1_artist", v1.Artist);
        MediaLine("id3v1_album", v1.Album);
        MediaLine("id3v1_year", v1.Year);
        MediaLine("id3v1_comment", v1.Comment);
        MediaLine("id3v1_track", int64_t(v1.Track));
        MediaLine("id3v1_genre", v1.GenreID < Genres.size() ? std::string(Genres[v1.GenreID]) : std::string("-"));
        const TID3v2& v2 = mpeg.ID3v2;
        MediaLine("id3v2_exists", int64_t(v2.Exists));
        MediaLine("id3v2_version", int64_t(v2.VersionID));
        MediaLine("id3v2_size", v2.Size);
        MediaLine("id3v2_title", v2.Title);
        MediaLine("id3v2_artist", v2.Artist);
        MediaLine("id3v2_album", v2.Album);
        MediaLine("id3v2_track", int64_t(v2.Track));
        MediaLine("id3v2_year", v2.Year);
        MediaLine("id3v2_genre", v2.Genre);
        MediaLine("id3v2_comment", v2.Comment);
    }
    return 0;
}

// A video character over the packets of an FLV file, listed by a script; it writes its DefineVideoStream tag.
class ListedVideo : public TFlashVideo {
public:
    ListedVideo(TFlashMovie* owner, const std::string& listName) : TFlashVideo(owner) {
        std::ifstream list(listName);
        std::string line;
        while (std::getline(list, line)) {
            std::istringstream in(line);
            std::string kind;
            in >> kind;
            if (kind == "file") {
                std::string path;
                in >> path;
                FFile = std::make_unique<vcl::TFileStream>(path, vcl::fmOpenRead | vcl::fmShareDenyWrite);
            } else if (kind == "video") {
                Packet p;
                unsigned codec, type;
                in >> p.Offset >> p.Size >> codec >> type >> FWidth >> FHeight;
                FCodec = uint8_t(codec);
                p.Type = uint8_t(type);
                FVideo.push_back(p);
            } else if (kind == "audio") {
                Packet p;
                unsigned format;
                in >> p.Offset >> p.Size >> format >> std::hex >> FMP3Header >> std::dec;
                FAudioFormat = uint8_t(format);
                FAudio.push_back(p);
            }
        }
        if (!FFile || FVideo.empty())
            throw vcl::EReadError("The video list names no file or no video packets: " + listName);
    }
    vcl::TStream* GetVideoStream() override { return FFile.get(); }
    uint16_t VideoFrameCount() const override { return uint16_t(FVideo.size()); }
    TFlashVideoPacket VideoPacket(uint32_t i) const override { return {FVideo[i].Offset, FVideo[i].Size}; }
    uint8_t Codec() const override { return FCodec; }
    uint8_t FrameType(uint32_t i) const override { return FVideo[i].Type; }
    uint8_t AudioFormat() const override { return FAudioFormat; }
    uint32_t FirstMP3Header() const override { return FMP3Header; }
    uint32_t AudioPacketCount() const override { return uint32_t(FAudio.size()); }
    TFlashVideoPacket AudioPacket(uint32_t j) const override {
        const Packet& p = FAudio[j % FAudio.size()];
        return {p.Offset, p.Size};
    }
    int32_t MinVersion() const override { return 6; }
    void WriteToStream(TBitsEngine* engine) override {
        vcl::TMemoryStream body;
        TBitsEngine e(&body);
        e.WriteWord(FCharacterID);
        e.WriteWord(VideoFrameCount());
        e.WriteWord(FWidth);
        e.WriteWord(FHeight);
        e.WriteByte(0); // no deblocking, no smoothing
        e.WriteByte(FCodec);
        WriteTag(engine->GetStream(), tagDefineVideoStream, &body);
    }

private:
    struct Packet {
        uint32_t Offset = 0;
        uint32_t Size = 0;
        uint8_t Type = 0;
    };
    std::unique_ptr<vcl::TFileStream> FFile;
    std::vector<Packet> FVideo, FAudio;
    uint8_t FCodec = 0, FAudioFormat = 0;
    uint16_t FWidth = 0, FHeight = 0;
    uint32_t FMP3Header = 0;
};

int MediaMovie(int argc, char** argv) {
    const std::string out = argv[1];
    const double rate = std::stod(argv[2]);
    const int frames = std::stoi(argv[3]);
    std::string stream, event, videoList;
    bool loop = true, sprite = false;
    for (int i = 4; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--stream" && i + 1 < argc)
            stream = argv[++i];
        else if (a == "--event" && i + 1 < argc)
            event = argv[++i];
        else if (a == "--video" && i + 1 < argc)
            videoList = argv[++i];
        else if (a == "--no-loop")
            loop = false;
        else if (a == "--sprite")
            sprite = true;
        else
            throw vcl::EConvertError("unknown argument " + a);
    }
    TFlashMovie movie(0, 0, 160, 120, rate, true);
    if (!event.empty()) {
        auto sound = std::make_unique<TFlashSound>(&movie, event);
        sound->SetCharacterID(movie.TakeCharacterID());
        movie.AddObject(std::move(sound));
    }
    if (!videoList.empty()) {
        auto character = std::make_unique<ListedVideo>(&movie, videoList);
        character->SetCharacterID(movie.TakeCharacterID());
        ListedVideo* v = character.get();
        movie.AddObject(std::move(character));
        TFlashPlaceVideo* place = movie.PlaceVideo(v, 1);
        place->SetHasSound(v->AudioPacketCount() > 0);
        place->SetLoop(loop);
    }
    if (sprite) {
        TFlashShape* square = movie.AddRectangle(0, 0, 20, 20);
        TFlashSprite* s = movie.AddSprite();
        if (!stream.empty()) {
            s->GetSoundStream()->LoadFromFile(stream);
            s->GetSoundStream()->SetLoop(loop);
        }
        s->GetInitScript()->GetActions().Add<TSWFActionPush>()->AddValue("init");
        s->GetInitScript()->GetActions().Add<TSWFActionTrace>();
        s->PlaceObject(square, 1);
        s->ShowFrame(frames);
        movie.PlaceObject(s, 2);
    } else if (!stream.empty()) {
        movie.GetSoundStream()->LoadFromFile(stream);
        movie.GetSoundStream()->SetLoop(loop);
    }
    movie.ShowFrame(frames);
    movie.SaveToFile(out);
    std::printf("version %d frames %d\n", movie.GetVersion(), movie.GetFrameCount());
    return 0;
}

} // namespace

static int Run(int argc, char** argv) {
    try {
        if (argc == 3 && std::string(argv[1]) == "--info")
            return MediaInfo(argv[2]);
        if (argc >= 4 && argv[1][0] != '-')
            return MediaMovie(argc, argv);
        std::fprintf(stderr, "usage: swfmedia OUT.swf RATE FRAMES [--stream FILE] [--no-loop] [--event FILE] "
                             "[--sprite] [--video LIST] | swfmedia --info FILE\n");
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "swfmedia: %s\n", e.what());
        return 1;
    }
}

int main(int argc, char** argv) {
    const int batch = tools::RunBatch(argc, argv, Run);
    return batch >= 0 ? batch : Run(argc, argv);
}

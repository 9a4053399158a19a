// swfmedia --info FILE: prints what the SWF writer's audio readers find in a WAV or MP3 file (format, rate,
// samples, data place, MPEG frames and ID3 tags), one "key<TAB>value" line each, for checks against
// independent tools.
#include "platform/vcl/Exceptions.h"
#include "swf/MPEGaudio.h"
#include "swf/SoundReader.h"

#include <cstdio>
#include <string>

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

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 3 && std::string(argv[1]) == "--info")
            return MediaInfo(argv[2]);
        std::fprintf(stderr, "usage: swfmedia --info FILE\n");
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "swfmedia: %s\n", e.what());
        return 1;
    }
}

// Developer tool for the IPTC checks: writes IPTC records into a JPEG file's APP13 segment through the
// imaging library's IPTC list, or reads them back from every APP13 segment of a JPEG file.
//   iptctool write IN.jpg OUT.jpg RECORD:DATASET=TEXT ...   (TEXT "@N" stands for N bytes "x")
//   iptctool read IN.jpg                                    (one "RECORD:DATASET=TEXT" line per record)
#include "imaging/core/ikutils.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace imaging;

namespace {

std::vector<uint8_t> ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The segments from SOI up to SOS: (marker, offset of the payload, payload length).
struct Segment {
    uint8_t Marker;
    size_t Offset, Length;
};

bool Segments(const std::vector<uint8_t>& jpeg, std::vector<Segment>& out) {
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8)
        return false;
    size_t p = 2;
    while (p + 4 <= jpeg.size() && jpeg[p] == 0xFF) {
        uint8_t marker = jpeg[p + 1];
        size_t length = size_t(jpeg[p + 2]) << 8 | jpeg[p + 3];
        if (length < 2 || p + 2 + length > jpeg.size())
            return false;
        out.push_back({marker, p + 4, length - 2});
        if (marker == 0xDA)
            return true;
        p += 2 + length;
    }
    return false;
}

int Write(int argc, char** argv) {
    std::vector<uint8_t> jpeg = ReadFile(argv[2]);
    std::vector<Segment> segments;
    if (!Segments(jpeg, segments)) {
        std::fprintf(stderr, "%s: not a JPEG file\n", argv[2]);
        return 1;
    }
    TIKIPTCInfoList list;
    for (int i = 4; i < argc; ++i) {
        int record = 0, dataset = 0, used = 0;
        if (std::sscanf(argv[i], "%d:%d=%n", &record, &dataset, &used) < 2 || used == 0) {
            std::fprintf(stderr, "bad record %s\n", argv[i]);
            return 1;
        }
        std::string text = argv[i] + used;
        if (!text.empty() && text[0] == '@')
            text = std::string(size_t(std::stoul(text.substr(1))), 'x');
        list.AddData(record, dataset, text.data(), int32_t(text.size()));
    }
    std::vector<uint8_t> payload = list.SaveToBuffer(true);
    TIKMarkerList markers; // refuses payloads a segment cannot hold
    markers.AddMarker(0xED, payload.data(), int32_t(payload.size()));
    // The APP13 segment goes after SOI and any APP0 segment.
    size_t at = 2;
    if (!segments.empty() && segments[0].Marker == 0xE0)
        at = segments[0].Offset + segments[0].Length;
    std::vector<uint8_t> segment = {0xFF, 0xED, uint8_t((payload.size() + 2) >> 8),
                                    uint8_t(payload.size() + 2)};
    segment.insert(segment.end(), payload.begin(), payload.end());
    jpeg.insert(jpeg.begin() + ptrdiff_t(at), segment.begin(), segment.end());
    std::ofstream out(argv[3], std::ios::binary);
    out.write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
    return out ? 0 : 1;
}

int Read(char** argv) {
    std::vector<uint8_t> jpeg = ReadFile(argv[2]);
    std::vector<Segment> segments;
    if (!Segments(jpeg, segments)) {
        std::fprintf(stderr, "%s: not a JPEG file\n", argv[2]);
        return 1;
    }
    for (const Segment& s : segments) {
        if (s.Marker != 0xED)
            continue;
        TIKIPTCInfoList list;
        list.LoadFromBuffer(jpeg.data() + s.Offset, int32_t(s.Length));
        for (int32_t i = 0; i < list.Count(); ++i) {
            std::printf("%d:%d=", list.RecordNumber(i), list.DatasetNumber(i));
            for (int32_t k = 0; k < list.DataLength(i); ++k) {
                uint8_t c = list.Data(i)[k];
                if (c >= 32 && c < 127 && c != '\\')
                    std::putchar(c);
                else
                    std::printf("\\x%02X", c);
            }
            std::putchar('\n');
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::string(argv[1]) == "write")
        return Write(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "read")
        return Read(argv);
    std::fprintf(stderr, "usage: iptctool write IN.jpg OUT.jpg R:D=TEXT ... | iptctool read IN.jpg\n");
    return 2;
}

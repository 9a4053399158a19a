#include "SwfTestUtil.h"

#include "platform/vcl/Exceptions.h"
#include "swf/SWFObjects.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace swf;
using namespace swftest;

namespace {

// A container whose body is two fixed tags.
class TwoTagMovie : public TBasedSWFStream {
public:
    using TBasedSWFStream::TBasedSWFStream;
    void MakeStream() override {
        GetBody()->Clear();
        GetBody()->WriteBuffer("\x40\x00\x00\x00", 4);
        SetFrameCount(1);
    }
};

} // namespace

TEST(SWFMovieStream, HeaderValues) {
    TwoTagMovie movie(0, 0, 320, 240, 20.0, true);
    EXPECT_EQ(movie.GetFrameRect(), (win::TRect{0, 0, 6400, 4800}));
    EXPECT_EQ(movie.HeaderSize(), 20);
    EXPECT_EQ(movie.GetVersion(), 5);
    movie.SetCompressed(true);
    EXPECT_EQ(movie.GetVersion(), 6);
    movie.SetVersion(5);
    EXPECT_EQ(movie.GetVersion(), 6);
    TwoTagMovie plain(0, 0, 100, 100, 12.5, false);
    plain.SetVersion(4);
    EXPECT_EQ(plain.GetVersion(), 4);
    EXPECT_EQ(plain.GetFrameRateFixed(), 0x0C80);
}

TEST(SWFMovieStream, UncompressedAndCompressed) {
    TwoTagMovie movie(0, 0, 320, 240, 20.0, true);
    movie.MakeStream();
    vcl::TMemoryStream plain;
    movie.SaveToStream(&plain);
    Bytes p = StreamBytes(plain);
    ASSERT_EQ(p.size(), 24u);
    EXPECT_EQ(Hex(Bytes(p.begin(), p.begin() + 8)), "46 57 53 05 18 00 00 00");
    // RECT of 14-bit fields, rate 0x1400, one frame, then the body.
    EXPECT_EQ(Hex(Bytes(p.begin() + 16, p.end())), "00 14 01 00 40 00 00 00");

    movie.SetCompressed(true);
    vcl::TMemoryStream packed;
    movie.SaveToStream(&packed);
    Bytes c = StreamBytes(packed);
    EXPECT_EQ(Hex(Bytes(c.begin(), c.begin() + 8)), "43 57 53 06 18 00 00 00");
    Bytes inflated = Inflate(c.data() + 8, c.size() - 8);
    EXPECT_EQ(Hex(inflated), Hex(Bytes(p.begin() + 8, p.end())));
}

TEST(SWFMovieStream, RefusesRatesTheFormatCannotHold) {
    for (double rate : {0.0, -1.0, 256.0, 255.999, 1000.0, 0.001}) {
        EXPECT_THROW(TwoTagMovie(0, 0, 10, 10, rate, true), vcl::ERangeError) << rate;
    }
    TwoTagMovie movie(0, 0, 10, 10, 30.0, true);
    EXPECT_THROW(movie.SetFrameRate(300), vcl::ERangeError);
    EXPECT_DOUBLE_EQ(movie.GetFrameRate(), 30.0);
    movie.SetFrameRate(255.5);
    EXPECT_EQ(movie.GetFrameRateFixed(), 0xFF80);
}

TEST(SWFMovieStream, ProgressWhileCompressing) {
    TwoTagMovie movie(0, 0, 10, 10, 30.0, true);
    movie.SetCompressed(true);
    movie.MakeStream();
    int last = -1;
    movie.OnProgress = [&](TBasedSWFStream*, int32_t percent, int32_t stage) {
        EXPECT_EQ(stage, 2);
        EXPECT_GE(percent, last);
        last = percent;
    };
    vcl::TMemoryStream out;
    movie.SaveToStream(&out);
    EXPECT_EQ(last, 100);
}

TEST(SWFMovieStream, FailedSaveKeepsTheOldFile) {
    auto path = std::filesystem::temp_directory_path() / ("swf-keep-" + std::to_string(::getpid()) + ".swf");
    {
        vcl::TFileStream f(path.string(), vcl::fmCreate);
        f.WriteBuffer("old", 3);
    }
    TwoTagMovie movie(0, 0, 10, 10, 30.0, true);
    movie.OnProgress = [](TBasedSWFStream*, int32_t, int32_t) { throw vcl::EAbort(); };
    movie.SetCompressed(true);
    movie.MakeStream();
    EXPECT_THROW(movie.SaveToFile(path.string()), vcl::EAbort);
    vcl::TMemoryStream kept;
    kept.LoadFromFile(path.string());
    EXPECT_EQ(kept.GetSize(), 3);
    movie.OnProgress = nullptr;
    movie.SaveToFile(path.string());
    kept.LoadFromFile(path.string());
    ASSERT_GT(kept.GetSize(), 8);
    EXPECT_EQ(std::string(static_cast<const char*>(kept.Memory()), 3), "CWS");
    std::filesystem::remove(path);
}

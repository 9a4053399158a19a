#include "platform/vcl/Classes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace vcl;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() /
               ("loomwick-streams-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(FDir);
        fs::create_directories(FDir);
    }
    void TearDown() override { fs::remove_all(FDir); }
    fs::path FDir;
};

} // namespace

TEST(TMemoryStream, ShortReadsAreCountedAndReadBufferRaises) {
    TMemoryStream s;
    s.WriteBuffer("abcdef", 6);
    EXPECT_EQ(s.GetSize(), 6);
    s.SetPosition(4);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 2);
    EXPECT_EQ(std::string(buf, 2), "ef");
    EXPECT_EQ(s.Read(buf, 8), 0);
    s.SetPosition(3);
    EXPECT_THROW(s.ReadBuffer(buf, 4), EReadError);
    s.SetPosition(100); // past the end: reads nothing, a write there fills the gap
    EXPECT_EQ(s.Read(buf, 1), 0);
    s.SetSize(2);
    EXPECT_EQ(s.GetPosition(), 2);
    EXPECT_EQ(std::string(static_cast<char*>(s.Memory()), 2), "ab");
}

TEST(TStream, CopyFromWholeAndPart) {
    TMemoryStream src, dst;
    std::string data(200000, 'x');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = char(i * 7);
    src.WriteBuffer(data.data(), int32_t(data.size()));
    EXPECT_EQ(dst.CopyFrom(&src, 0), int64_t(data.size()));
    EXPECT_EQ(0, std::memcmp(dst.Memory(), data.data(), data.size()));
    src.SetPosition(10);
    TMemoryStream part;
    part.CopyFrom(&src, 5);
    EXPECT_EQ(0, std::memcmp(part.Memory(), data.data() + 10, 5));
    src.SetPosition(src.GetSize() - 3);
    EXPECT_THROW(part.CopyFrom(&src, 10), EReadError);
}

TEST_F(TempDir, FileStreamModesAndErrors) {
    auto name = (FDir / "a.bin").string();
    EXPECT_THROW(TFileStream(name, fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream((FDir / "no" / "b").string(), fmCreate), EFCreateError);
    EXPECT_THROW(TFileStream(FDir.string(), fmOpenRead), EFOpenError);
    {
        TFileStream f(name, fmCreate);
        f.WriteBuffer("hello", 5);
    }
    TFileStream f(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(f.GetSize(), 5);
    char buf[5];
    f.ReadBuffer(buf, 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_EQ(f.Write("x", 1), 0);
}

TEST_F(TempDir, SafeSaveFailureKeepsOldFileAndLeavesNoTemporary) {
    auto target = FDir / "doc.gif";
    std::ofstream(target, std::ios::binary) << "old contents";
    EXPECT_THROW(SaveFileSafely(target.string(),
                                [](TStream& s) {
                                    s.WriteBuffer("partial", 7);
                                    throw EWriteError("disk full");
                                }),
                 EWriteError);
    EXPECT_EQ(ReadAll(target), "old contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()), 1);

    SaveFileSafely(target.string(), [](TStream& s) { s.WriteBuffer("new", 3); });
    EXPECT_EQ(ReadAll(target), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()), 1);
}

TEST(TPersistent, AssignWithoutSupportNamesBothClasses) {
    struct TAlpha : TPersistent {};
    struct TBeta : TPersistent {};
    TAlpha a;
    TBeta b;
    try {
        a.Assign(&b);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_NE(e.Message().find("Cannot assign a "), std::string::npos);
        EXPECT_NE(e.Message().find("TBeta to a "), std::string::npos);
    }
}

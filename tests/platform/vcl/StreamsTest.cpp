#include "platform/vcl/Classes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(TMemoryStream, GrowingKeepsWhatWasWrittenAndReadsZerosElsewhere) {
    // The block grows without being cleared: bytes never written still read as zeros, whether a write
    // past the end left a gap or SetSize grew the stream; bytes cut off by SetSize come back as they were.
    TMemoryStream s;
    s.SetPosition(5);
    s.WriteBuffer("xy", 2);
    ASSERT_EQ(s.GetSize(), 7);
    EXPECT_EQ(std::string(static_cast<char*>(s.Memory()), 7), std::string("\0\0\0\0\0xy", 7));
    s.SetSize(10);
    EXPECT_EQ(std::string(static_cast<char*>(s.Memory()), 10), std::string("\0\0\0\0\0xy\0\0\0", 10));
    s.SetSize(6);
    s.SetSize(8);
    EXPECT_EQ(std::string(static_cast<char*>(s.Memory()) + 5, 3), std::string("xy\0", 3));
    // Many small writes, as a GIF writer's blocks, reach a large stream with every byte in place.
    TMemoryStream big;
    std::string block(255, '\0');
    for (int i = 0; i < 4000; ++i) {
        for (size_t k = 0; k < block.size(); ++k)
            block[k] = char(i + int(k));
        big.WriteBuffer(block.data(), int32_t(block.size()));
    }
    ASSERT_EQ(big.GetSize(), 4000 * 255);
    const auto* bytes = static_cast<const uint8_t*>(big.Memory());
    for (int i = 0; i < 4000; i += 333)
        EXPECT_EQ(bytes[size_t(i) * 255 + 7], uint8_t(i + 7)) << i;
    big.Clear();
    EXPECT_EQ(big.GetSize(), 0);
    big.WriteBuffer("z", 1);
    EXPECT_EQ(*static_cast<const char*>(big.Memory()), 'z');
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

namespace {

size_t SafeSaveEntries(const fs::path& dir) {
    return size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

void SafeSaveWrite(const fs::path& path, const char* text) {
    SaveFileSafely(path.string(), [&](TStream& s) { s.WriteBuffer(text, int32_t(std::strlen(text))); });
}

} // namespace

TEST_F(TempDir, SafeSaveThroughLinksReplacesTheFileTheyName) {
    fs::create_directories(FDir / "real");
    auto target = FDir / "real" / "doc.gif";
    std::ofstream(target, std::ios::binary) << "old";
    // A relative link to a relative link: both stay links, the file at the end is replaced.
    fs::create_symlink("real/doc.gif", FDir / "first.gif");
    fs::create_symlink("first.gif", FDir / "second.gif");
    SafeSaveWrite(FDir / "second.gif", "new");
    EXPECT_TRUE(fs::is_symlink(FDir / "first.gif"));
    EXPECT_TRUE(fs::is_symlink(FDir / "second.gif"));
    EXPECT_EQ(ReadAll(target), "new");
    // The temporary lived in the target's folder and is gone.
    EXPECT_EQ(SafeSaveEntries(FDir / "real"), 1u);
    EXPECT_EQ(SafeSaveEntries(FDir), 3u);
    // A link to a file that does not exist yet creates that file.
    fs::create_symlink("real/later.gif", FDir / "dangling.gif");
    SafeSaveWrite(FDir / "dangling.gif", "born");
    EXPECT_TRUE(fs::is_symlink(FDir / "dangling.gif"));
    EXPECT_EQ(ReadAll(FDir / "real" / "later.gif"), "born");
    // A loop of links is refused.
    fs::create_symlink("loop-b", FDir / "loop-a");
    fs::create_symlink("loop-a", FDir / "loop-b");
    EXPECT_THROW(SafeSaveWrite(FDir / "loop-a", "x"), EFCreateError);
}

TEST_F(TempDir, SafeSaveRefusesTargetsThatAreNoRegularFiles) {
    auto fifo = FDir / "pipe.gif";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    fs::create_symlink("pipe.gif", FDir / "to-pipe.gif");
    for (const fs::path& p : {fifo, FDir / "to-pipe.gif", fs::path("/dev/null"), FDir}) {
        try {
            SafeSaveWrite(p, "data");
            ADD_FAILURE() << p;
        } catch (const EFCreateError& e) {
            EXPECT_NE(e.Message().find("It is not a regular file."), std::string::npos) << e.Message();
        }
    }
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
    EXPECT_TRUE(fs::is_symlink(FDir / "to-pipe.gif"));
    EXPECT_EQ(SafeSaveEntries(FDir), 2u);
}

TEST_F(TempDir, SafeSaveKeepsModeOwnerAndGroupButNoSetIdBits) {
    auto target = FDir / "doc.gif";
    struct Case {
        mode_t mode;
        mode_t expected;
    } cases[] = {{0640, 0640}, {0444, 0444}, {04755, 0755}, {02775, 0775}, {06711, 0711}};
    for (const Case& c : cases) {
        std::ofstream(target, std::ios::binary) << "old";
        ASSERT_EQ(::chmod(target.c_str(), c.mode), 0);
        const bool root = ::geteuid() == 0;
        if (root)
            ASSERT_EQ(::chown(target.c_str(), 1234, 5678), 0);
        // A read-only file is written only by those who may write it (the super-user may).
        if (!root && !(c.mode & 0200)) {
            EXPECT_THROW(SafeSaveWrite(target, "new"), EFCreateError);
            EXPECT_EQ(ReadAll(target), "old");
            fs::remove(target);
            continue;
        }
        SafeSaveWrite(target, "new");
        EXPECT_EQ(ReadAll(target), "new");
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.expected) << std::oct << c.mode;
        if (root) {
            EXPECT_EQ(st.st_uid, 1234u);
            EXPECT_EQ(st.st_gid, 5678u);
        }
        fs::remove(target);
    }
    // A new file gets the usual mode.
    const mode_t mask = ::umask(022);
    SafeSaveWrite(target, "fresh");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    ::umask(mask);
}

TEST_F(TempDir, SafeSaveIntoAFolderThatCannotTakeTheTemporaryFails) {
    // A missing folder: nothing is created anywhere.
    EXPECT_THROW(SafeSaveWrite(FDir / "missing" / "doc.gif", "x"), EFCreateError);
    EXPECT_EQ(SafeSaveEntries(FDir), 0u);
    // The writer fails after a rename would have been possible: still nothing left.
    std::ofstream(FDir / "doc.gif", std::ios::binary) << "old";
    fs::create_symlink("doc.gif", FDir / "link.gif");
    EXPECT_THROW(SaveFileSafely((FDir / "link.gif").string(), [](TStream&) { throw EWriteError("full"); }),
                 EWriteError);
    EXPECT_EQ(ReadAll(FDir / "doc.gif"), "old");
    EXPECT_EQ(SafeSaveEntries(FDir), 2u);
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

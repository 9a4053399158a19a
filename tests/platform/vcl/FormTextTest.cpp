#include "platform/vcl/FormText.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/Streams.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace vcl;

namespace {

std::string FormTestRead(const std::string& name) {
    std::ifstream in(std::string(LOOMWICK_TEST_DATA) + "/vcl/forms/" + name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(FormText, TextToBinaryToTextIsIdentical) {
    const std::string text = FormTestRead("AllValues.txt");
    ASSERT_FALSE(text.empty());
    const std::string binary = ObjectTextToBinary(text);
    EXPECT_EQ(binary.substr(0, 4), "TPF0");
    EXPECT_EQ(ObjectBinaryToText(binary), text);
}

TEST(FormText, BinaryValuesAreReadBack) {
    const std::string binary = ObjectTextToBinary("object A: TB\n  X = 70000\n  S = 'a'#9'b'\n"
                                                  "  F = 1.5\n  E = [x, y]\n  D = {0aFF}\nend\n");
    TReadOnlyMemoryStream in(binary.data(), static_cast<int64_t>(binary.size()));
    TReader reader(&in);
    reader.ReadSignature();
    uint8_t flags;
    int32_t pos;
    reader.ReadPrefix(flags, pos);
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(reader.ReadStr(), "TB");
    EXPECT_EQ(reader.ReadStr(), "A");
    EXPECT_EQ(reader.ReadStr(), "X");
    EXPECT_EQ(reader.NextValue(), vaInt32);
    EXPECT_EQ(reader.ReadInteger(), 70000);
    EXPECT_EQ(reader.ReadStr(), "S");
    EXPECT_EQ(reader.ReadString(), "a\tb");
    EXPECT_EQ(reader.ReadStr(), "F");
    EXPECT_DOUBLE_EQ(reader.ReadFloat(), 1.5);
    EXPECT_EQ(reader.ReadStr(), "E");
    EXPECT_EQ(reader.ReadValue(), vaSet);
    EXPECT_EQ(reader.ReadStr(), "x");
    EXPECT_EQ(reader.ReadStr(), "y");
    EXPECT_EQ(reader.ReadStr(), "");
    EXPECT_EQ(reader.ReadStr(), "D");
    EXPECT_EQ(reader.ReadBinary(), (std::vector<uint8_t>{0x0A, 0xFF}));
    EXPECT_TRUE(reader.EndOfList());
}

TEST(FormText, StringsJoinAcrossLinesAndCodes) {
    const std::string text =
        ObjectBinaryToText(ObjectTextToBinary("object A: TB\n  S = 'ab' +\n    'cd'#$41#252\nend"));
    EXPECT_EQ(text, "object A: TB\n  S = 'abcdA\xC3\xBC'\nend\n");
}

TEST(FormText, ExtendedFloatsConvert) {
    // 1.5 and -0.1 in the 10-byte format.
    const uint8_t oneAndHalf[10] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F};
    EXPECT_DOUBLE_EQ(ExtendedToDouble(oneAndHalf), 1.5);
    const uint8_t minusTenth[10] = {0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0xBF};
    EXPECT_DOUBLE_EQ(ExtendedToDouble(minusTenth), -0.1);
}

struct FormTextBadCase {
    const char* Text;
    const char* Line;
};

TEST(FormText, MalformedTextNamesTheLine) {
    const FormTextBadCase cases[] = {
        {"object A: TB\n  X = \nend", "Line 3:"},
        {"object A: TB\n  X = 'abc\nend", "Line 2:"},
        {"object A: TB\n  X = 1\n  Y 2\nend", "Line 3:"},
        {"object A: TB\n  X = {0A1}\nend", "Line 2:"},
        {"object A: TB\n  X = [a b]\nend", "Line 2:"},
        {"object A: TB\n  X = <\n   thing\n   end>\nend", "Line 3:"},
        {"object A: TB\n  X = 99999999999999999999\nend", "Line 2:"},
        {"object A: TB\n  X = #1114112\nend", "Line 2:"},
        {"object A: TB\n  X = 1\n", "Line 3:"},
        {"object A: TB\nend\nobject", "Line 3:"},
        {"thing A: TB\nend", "Line 1:"},
        {"object A: TB\n\n  X = @\nend", "Line 3:"},
        {"", "Line 1:"},
    };
    for (const auto& c : cases) {
        try {
            ObjectTextToBinary(std::string(c.Text));
            ADD_FAILURE() << "no error for: " << c.Text;
        } catch (const EParserError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.Line, 0), 0u) << e.what() << " for: " << c.Text;
        }
    }
}

TEST(FormText, DeepNestingIsRefused) {
    std::string text = "object A: TB\n  X = " + std::string(100000, '(') + "\nend";
    EXPECT_THROW(ObjectTextToBinary(text), EParserError);
    std::string binary = "TPF0\x02TB\x01"
                         "AX";
    binary += std::string(100000, '\x01');
    EXPECT_THROW(ObjectBinaryToText(binary), EReadError);
}

TEST(FormText, DamagedBinaryRaisesEveryTruncation) {
    const std::string binary = ObjectTextToBinary(FormTestRead("AllValues.txt"));
    for (size_t n = 0; n < binary.size(); ++n)
        EXPECT_THROW(ObjectBinaryToText(binary.substr(0, n)), EReadError) << n;
    std::string badTag = binary;
    badTag[badTag.find("Left") + 4] = 0x7F;
    EXPECT_THROW(ObjectBinaryToText(badTag), EReadError);
}

} // namespace

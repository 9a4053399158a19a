#include "platform/win/kernel/PercentCoding.h"

#include <gtest/gtest.h>

#include <string>

TEST(PercentCoding, DecodesTwoDigitsAndLeavesTheRest) {
    struct Case {
        std::string Text, Decoded;
    } cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"a%20b", "a b"},
        {"%2f%2F", "//"},                       // either case
        {"%41", "A"},                           // at the very end
        {"100%", "100%"},                       // no digits
        {"%4", "%4"},                           // one digit at the end
        {"%g1%1g", "%g1%1g"},                   // not hexadecimal
        {"%%41", "%A"},                         // a lone "%" before an escape
        {"%00x", std::string("\0x", 2)},        // a zero byte
        {"%C3%A9t%C3%A9", "\xC3\xA9t\xC3\xA9"}, // bytes of UTF-8
        {"%2541", "%41"},                       // decoded once only
    };
    for (const Case& c : cases)
        EXPECT_EQ(win::PercentDecode(c.Text), c.Decoded) << c.Text;
}

TEST(PercentCoding, HexDigitValues) {
    for (char c : std::string("09afAF"))
        EXPECT_GE(win::HexDigitValue(c), 0) << c;
    EXPECT_EQ(win::HexDigitValue('0'), 0);
    EXPECT_EQ(win::HexDigitValue('f'), 15);
    EXPECT_EQ(win::HexDigitValue('B'), 11);
    for (char c : std::string("gG/:@` \x80"))
        EXPECT_EQ(win::HexDigitValue(c), -1) << int(c);
}

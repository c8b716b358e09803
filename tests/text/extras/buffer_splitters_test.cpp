#include "text/extras/buffer_splitters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using list = std::vector<std::string>;

byte_array bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

struct pair_case {
    const char* name;
    std::string text;
    uint16 separator;
    bool trim;
    list expected;
};

class SplitAtPair : public ::testing::TestWithParam<pair_case> {};

TEST_P(SplitAtPair, LowByteThenHighByte) {
    const pair_case& c = GetParam();
    const byte_array bytes = bytes_of(c.text);
    list out{"kept"};
    EXPECT_EQ(split_at_pair(bytes.data(), static_cast<int32>(bytes.size()), c.separator, out,
                            c.trim),
              static_cast<int32>(bytes.size()));
    list expected{"kept"};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(out, expected);
}

const pair_case pair_cases[] = {
    {"CrLfTrimmed", "ab\r\n cd \r\n", 0x0A0D, true, {"ab", "cd"}},
    {"CrLfUntrimmed", "ab\r\n cd \r\n", 0x0A0D, false, {"ab", " cd "}},
    {"LfCrIsNoMatch", "ab\n\rcd", 0x0A0D, false, {"ab\n\rcd"}},
    {"SeparatorFirst", "\r\nab", 0x0A0D, false, {"ab"}},
    // The separator's first byte as the buffer's last byte is plain text.
    {"FirstByteLast", "ab\r", 0x0A0D, false, {"ab\r"}},
    {"Utf16Nul", std::string("a\0\0b", 4), 0x0000, false, {"a", "b"}},
    {"OnlySeparators", "\r\n\r\n", 0x0A0D, true, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, SplitAtPair, ::testing::ValuesIn(pair_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(SplitAtPair, NoBytesWalksNothing) {
    list out;
    const uint8 byte = 'a';
    EXPECT_EQ(split_at_pair(nullptr, 4, 0x0A0D, out, true), 0);
    EXPECT_EQ(split_at_pair(&byte, 0, 0x0A0D, out, true), 0);
    EXPECT_EQ(split_at_pair(&byte, 1, 0x0A0D, out, true), 1);
    EXPECT_EQ(out, list{"a"});
}

struct keyword_case {
    const char* name;
    std::string text;  // the terminating NUL is added by the test and counted in the length
    const char* keyword;
    bool all;
    bool ok;
    list expected;
};

class LinesWithKeyword : public ::testing::TestWithParam<keyword_case> {};

TEST_P(LinesWithKeyword, LinesThatBeginWithTheKeyword) {
    const keyword_case& c = GetParam();
    const std::string buffer = c.text + '\0';
    list out;
    EXPECT_EQ(lines_with_keyword(buffer.data(), static_cast<int32>(buffer.size()), c.keyword, out,
                                 c.all),
              c.ok);
    EXPECT_EQ(out, c.expected);
}

const keyword_case keyword_cases[] = {
    {"AllCrLf", "Host: a\r\nhost: b\r\nX", "HOST:", true, true, {"Host: a", "host: b"}},
    {"FirstOnly", "Host: a\r\nhost: b\r\nX", "host:", false, true, {"Host: a"}},
    {"LfLines", "x\nkey=1\nkey=2", "KEY", true, true, {"key=1", "key=2"}},
    // One "\r\n" makes it the line end: a lone "\n" then stays inside a line.
    {"CrLfWinsOverLf", "a\nkey\r\nkey2", "key", true, true, {"key2"}},
    {"LastLineWithoutBreak", "a\r\nkey", "key", true, true, {"key"}},
    {"OneLineNoBreak", "key=1", "key", true, false, {}},
    {"KeywordLongerThanLine", "ke\r\nk", "key", true, false, {}},
    {"NoMatch", "a\r\nb\r\n", "key", true, false, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, LinesWithKeyword, ::testing::ValuesIn(keyword_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(LinesWithKeyword, TheLastByteIsNeverRead) {
    // Without a NUL the length still covers one byte less: "\n" there is not seen.
    const byte_array bytes = bytes_of("key\r");
    const std::string text(bytes.begin(), bytes.end());
    list out;
    EXPECT_FALSE(lines_with_keyword(text.data(), 4, "key", out, true));
    EXPECT_FALSE(lines_with_keyword(text.data(), 1, "k", out, true));
    EXPECT_FALSE(lines_with_keyword(text.data(), 0, "k", out, true));
    EXPECT_FALSE(lines_with_keyword(nullptr, 4, "k", out, true));
    EXPECT_FALSE(lines_with_keyword(text.data(), 4, nullptr, out, true));
    EXPECT_TRUE(out.empty());
}

}  // namespace

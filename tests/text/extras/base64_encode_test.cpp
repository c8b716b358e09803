#include "text/extras/base64_encode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/base64_text.h"

namespace {

std::vector<uint8> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

// The output as runs of characters and "|" for each "\r\n": "76|4|".
std::string layout(const std::vector<char>& out) {
    std::string shape;
    std::size_t run = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n') {
            shape += (run > 0 ? std::to_string(run) : "") + "|";
            run = 0;
            ++i;
            continue;
        }
        ++run;
    }
    return run > 0 ? shape + std::to_string(run) : shape;
}

struct vector_case {
    const char* name;
    std::string input;
    std::string expected;
};

// RFC 4648 section 10.
const vector_case vector_cases[] = {
    {"F", "f", "Zg=="},           {"Fo", "fo", "Zm8="},         {"Foo", "foo", "Zm9v"},
    {"Foob", "foob", "Zm9vYg=="}, {"Fooba", "fooba", "Zm9vYmE="}, {"Foobar", "foobar", "Zm9vYmFy"},
    {"HighBytes", "\xFB\xFF\xBF", "+/+/"},
};

class Base64Encode : public ::testing::TestWithParam<vector_case> {};

TEST_P(Base64Encode, MatchesTheStandard) {
    const vector_case& c = GetParam();
    const std::vector<uint8> input = bytes_of(c.input);
    std::vector<char> out;
    ASSERT_TRUE(base64_encode(input.data(), static_cast<int32>(input.size()), out, false, false,
                              false));
    EXPECT_EQ(std::string(out.begin(), out.end()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Base64Encode, ::testing::ValuesIn(vector_cases),
                         [](const auto& p) { return std::string(p.param.name); });

struct layout_case {
    const char* name;
    std::size_t length;
    bool wrap_lines;
    bool crlf;
    std::string expected;
};

const layout_case layout_cases[] = {
    // A full last line still gets the final break: two in a row.
    {"FullLineBothFlags", 57, true, true, "76||"},
    {"LineAndRestBothFlags", 60, true, true, "76|4|"},
    {"TwoLinesAndPadding", 115, true, true, "76|76|4|"},
    {"CrlfAloneBreaksOnlyAtEnd", 60, false, true, "80|"},
    {"WrapAloneWritesNoBreak", 60, true, false, "80"},
    {"NoFlags", 3, false, false, "4"},
};

class Base64EncodeLines : public ::testing::TestWithParam<layout_case> {};

TEST_P(Base64EncodeLines, BreaksWhereTheFlagsSay) {
    const layout_case& c = GetParam();
    const std::vector<uint8> input(c.length, 0x41);
    std::vector<char> out;
    ASSERT_TRUE(base64_encode(input.data(), static_cast<int32>(input.size()), out, c.wrap_lines,
                              false, c.crlf));
    EXPECT_EQ(layout(out), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Base64EncodeLines, ::testing::ValuesIn(layout_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Base64EncodeLines, EveryByteValueDecodesBack) {
    std::vector<uint8> input;
    for (int i = 0; i < 256 * 3 + 1; ++i) {
        input.push_back(static_cast<uint8>(i * 7));
    }
    std::vector<char> out;
    ASSERT_TRUE(
        base64_encode(input.data(), static_cast<int32>(input.size()), out, true, false, true));
    byte_array decoded;
    ASSERT_TRUE(base64_decode(out.data(), out.size(), decoded));
    EXPECT_EQ(decoded, input);
}

TEST(Base64EncodeLines, NulAppendedLastAndEmptyInputRefused) {
    const std::vector<uint8> input = bytes_of("fo");
    std::vector<char> out = {'x'};
    ASSERT_TRUE(base64_encode(input.data(), 2, out, true, true, true));
    EXPECT_EQ(std::string(out.begin(), out.end()), std::string("Zm8=\r\n\0", 7));

    EXPECT_FALSE(base64_encode(input.data(), 0, out, false, false, false));
    EXPECT_TRUE(out.empty());
    out = {'x'};
    EXPECT_FALSE(base64_encode(input.data(), -5, out, false, false, false));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(base64_encode(nullptr, 2, out, false, false, false));
}

}  // namespace

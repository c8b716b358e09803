#include "io/path_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct codec_case {
    const char* name;
    std::string narrow;
    std::wstring wide;
};

const codec_case codec_cases[] = {
    {"Ascii", "/a/b.db", L"/a/b.db"},
    {"TwoByte", "caf\xc3\xa9", L"caf\u00e9"},
    {"FourByte", "\xf0\x9f\x98\x80", std::wstring(1, static_cast<wchar_t>(0x1F600))},
    {"LoneByteFF", "a\xff", L"a\xdcff"},
    {"OverlongSlash", "\xc0\xaf", L"\xdcc0\xdcaf"},
    {"OverlongNul", "\xe0\x80\x80", L"\xdce0\xdc80\xdc80"},
    {"EncodedSurrogate", "\xed\xb3\xbf", L"\xdced\xdcb3\xdcbf"},
    {"TruncatedAtEnd", "x\xe2\x82", L"x\xdce2\xdc82"},
    {"PastUnicode", "\xf4\x90\x80\x80", L"\xdcf4\xdc90\xdc80\xdc80"},
    {"StrayContinuation", "\x80z", L"\xdc80z"},
};

class PathCodec : public ::testing::TestWithParam<codec_case> {};

// Every byte string has a wide form that turns back into the same bytes.
TEST_P(PathCodec, DecodesAndRoundTrips) {
    const codec_case& c = GetParam();
    const std::wstring wide = uni::narrow_path_to_wide(c.narrow);
    EXPECT_EQ(wide, c.wide);
    std::string back;
    ASSERT_TRUE(uni::wide_path_to_narrow(wide, back));
    EXPECT_EQ(back, c.narrow);
}

INSTANTIATE_TEST_SUITE_P(Cases, PathCodec, ::testing::ValuesIn(codec_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

TEST(PathCodecWide, EveryByteRoundTripsAndOutOfRangeFails) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    std::string back;
    ASSERT_TRUE(uni::wide_path_to_narrow(uni::narrow_path_to_wide(all), back));
    EXPECT_EQ(back, all);

    const std::wstring too_big = {L'A', static_cast<wchar_t>(0x110000)};
    EXPECT_FALSE(uni::wide_path_to_narrow(too_big, back));
    EXPECT_EQ(back, "A");
}

}  // namespace

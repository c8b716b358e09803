#include "text/text_join.h"

#include <gtest/gtest.h>

namespace {

using list = std::vector<std::string>;

TEST(JoinWithSeparator, SkipEmptyDropsOneTrailingSeparatorCharacter) {
    std::string out = "stale";
    EXPECT_EQ(join_with_separator(out, {"a", "b", "c"}, ",", false), "a,b,c");
    EXPECT_EQ(join_with_separator(out, {"a", "", "b"}, ",", false), "a,,b");
    EXPECT_EQ(join_with_separator(out, {"a", "", "b"}, ",", true), "a,b");
    EXPECT_EQ(join_with_separator(out, {"a", ""}, ",", true), "a");
    EXPECT_EQ(join_with_separator(out, {"a", ""}, ", ", true), "a, ");
    EXPECT_EQ(join_with_separator(out, {"a", "b"}, "", false), "ab");
    EXPECT_EQ(join_with_separator(out, {}, ",", true), "");

    std::wstring wide;
    EXPECT_EQ(join_w(wide, {L"x", L"", L"y", L""}, L"|", true), L"x|y");
}

TEST(JoinQuoted, QuotesItemsHoldingBlanks) {
    std::string out;
    ASSERT_TRUE(join_quoted(out, {"velk", "-db", "my file"}, '\''));
    EXPECT_EQ(out, "velk -db 'my file'");
    ASSERT_TRUE(join_quoted(out, {"-out", "a b", ""}, '"'));
    EXPECT_EQ(out, "-out \"a b\" ");
}

TEST(JoinArgv, JoinsArgumentsAndRefusesEmptyArrays) {
    const char* argv[] = {"velk", "-db", "C:\\my data\\wpn.db"};
    std::string out = "stale";
    ASSERT_TRUE(join_argv(out, 3, argv));
    EXPECT_EQ(out, "velk -db \"C:\\my data\\wpn.db\"");
    EXPECT_FALSE(join_argv(out, 0, argv));
    EXPECT_FALSE(join_argv(out, 2, nullptr));
}

TEST(JoinArgsQuoted, QuotesValuesAndPlacesBlanksByIndex) {
    std::string out;
    int count = 0;
    ASSERT_TRUE(join_args_quoted(out, &count, {"-db", "my file", "x"}, true));
    EXPECT_EQ(out, "-db \"my file\" \"x\"");
    EXPECT_EQ(count, 3);

    ASSERT_TRUE(join_args_quoted(out, &count, {"-a", "say \"hi\" now", "-b"}, false));
    EXPECT_EQ(out, "-a \"say hi now\" -b");

    // Skipped empty items still count for the blank before the next item.
    ASSERT_TRUE(join_args_quoted(out, &count, {"a", "", "b"}, false));
    EXPECT_EQ(out, "a b");
    ASSERT_TRUE(join_args_quoted(out, &count, {"", "b"}, false));
    EXPECT_EQ(out, "b");  // the leading blank is trimmed away

    EXPECT_FALSE(join_args_quoted(out, &count, {}, true));
    EXPECT_EQ(count, 0);
}

}  // namespace

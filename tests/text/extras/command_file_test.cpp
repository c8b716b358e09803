#include "text/extras/command_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/io_test_support.h"

namespace {

using list = std::vector<std::string>;
using table = std::vector<list>;

struct command_case {
    const char* name;
    std::string file;
    bool keep_line_breaks;
    table expected;
};

class ParseCommandFile : public ::testing::TestWithParam<command_case> {};

TEST_P(ParseCommandFile, OneListPerCommand) {
    const command_case& c = GetParam();
    velk_test::temp_dir dir;
    const std::string path = dir.file("commands.txt");
    velk_test::write_file(path, c.file);
    table out{{"old"}};
    EXPECT_EQ(parse_command_file(out, path, c.keep_line_breaks), !c.expected.empty());
    EXPECT_EQ(out, c.expected);
}

const command_case command_cases[] = {
    {"WordsAndBlankBlock", "<!cmd>run -x \"a b\"</!cmd>\n<!cmd>  </!cmd>", false,
     {{"run -x \"a b\"", "run", "-x", "a b"}, {}}},
    {"NamedArgument", "<!cmd>go <!arg=\"n\">v 1</!arg> z</!cmd>", false,
     {{"go <!arg=\"n\">v 1</!arg> z", "n", "v 1", "go", "z"}}},
    {"ValueKeepsQuotesNameLosesBoth", "<!cmd><!arg='a\"b'>\"q\"</!arg></!cmd>", false,
     {{"<!arg='a\"b'>\"q\"</!arg>", "ab", "\"q\""}}},
    // An unclosed argument after a complete one took the value "1" out, leaving "a" paired
    // with the next word.
    {"UnclosedArgumentAfterPair", "<!cmd><!arg=a>1</!arg><!arg=b>2</!cmd>", false,
     {{"<!arg=a>1</!arg><!arg=b>2", "a", "1", "<!arg=b>2"}}},
    {"UnclosedArgumentFirst", "<!cmd><!arg=b>2 x</!cmd>", false, {{"<!arg=b>2", "x"}}},
    {"UnclosedCommandEnds", "<!cmd>a</!cmd><!cmd>b c", false, {{"a", "a"}}},
    {"CrAndTabRemovedLfBlank", "<!cmd>a\r\nb\tc</!cmd>", false, {{"a bc", "a", "bc"}}},
    {"LfKeptWhenAsked", "<!cmd>a\nb</!cmd>", true, {{"a\nb", "a\nb"}}},
    {"NestedOpenStartsACommand", "<!cmd>x<!cmd>y</!cmd>", false,
     {{"x<!cmd>y", "x<!cmd>y"}, {"y", "y"}}},
    {"NoCommand", "plain text", false, {}},
    {"OnlyOpen", "<!cmd>", false, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ParseCommandFile, ::testing::ValuesIn(command_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ParseCommandFile, MissingOrEmptyFileIsFalse) {
    velk_test::temp_dir dir;
    table out{{"old"}};
    EXPECT_FALSE(parse_command_file(out, dir.file("absent.txt"), false));
    EXPECT_TRUE(out.empty());
    velk_test::write_file(dir.file("empty.txt"), "");
    EXPECT_FALSE(parse_command_file(out, dir.file("empty.txt"), false));
    EXPECT_FALSE(parse_command_file(out, "", false));
}

TEST(ParseCommandFile, UnclosedMarkersEndCleanly) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("ragged.txt");
    const std::string whole = "<!cmd>a <!arg=n>v</!arg> \"q r\"</!cmd><!cmd>b</!cmd>";
    for (std::size_t cut = 1; cut <= whole.size(); ++cut) {
        velk_test::write_file(path, whole.substr(0, cut));
        table out;
        const bool ok = parse_command_file(out, path, false);
        EXPECT_EQ(ok, !out.empty()) << cut;
        EXPECT_LE(out.size(), 2U) << cut;
    }
}

}  // namespace

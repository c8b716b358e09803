#include "cmdline/macb_flags.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

struct letter_case {
    const char* name;
    int source;
    void (macb_flags::*set)(int);
    const char* si;
    const char* fn;
    const char* fn83;
};

const letter_case letter_cases[] = {
    {"si_m", 1, &macb_flags::set_m, "m...", "....", "...."},
    {"si_b", 1, &macb_flags::set_b, "...b", "....", "...."},
    {"fn_a", 2, &macb_flags::set_a, "....", ".a..", "...."},
    {"fn_c", 2, &macb_flags::set_c, "....", "..c.", "...."},
    {"fn83_b", 3, &macb_flags::set_b, "....", "....", "...b"},
    {"fn83_m", 3, &macb_flags::set_m, "....", "....", "m..."},
    {"source_0", 0, &macb_flags::set_m, "....", "....", "...."},
    {"source_4", 4, &macb_flags::set_c, "....", "....", "...."},
};

class MacbFlagsLetters : public ::testing::TestWithParam<letter_case> {};

TEST_P(MacbFlagsLetters, OneSourceOnePlace) {
    const letter_case& c = GetParam();
    macb_flags flags;
    (flags.*c.set)(c.source);
    EXPECT_EQ(flags.m_si, c.si);
    EXPECT_EQ(flags.m_fn, c.fn);
    EXPECT_EQ(flags.m_fn83, c.fn83);
    EXPECT_EQ(flags.m_si_touched, c.source == 1);
    EXPECT_EQ(flags.m_fn_touched, c.source == 2);
    EXPECT_EQ(flags.m_fn83_touched, c.source == 3);
}

INSTANTIATE_TEST_SUITE_P(Cases, MacbFlagsLetters, ::testing::ValuesIn(letter_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(MacbFlags, LettersAccumulateResetKeepsNamesClearEmptiesAll) {
    macb_flags flags;
    flags.set_si_m();
    flags.set_si_b();
    flags.set_fn83_a();
    flags.set_fn83_c();
    EXPECT_EQ(flags.m_si, "m..b");
    EXPECT_EQ(flags.m_fn83, ".ac.");
    flags.m_long_names.insert("a.txt");
    flags.m_short_names.insert("A~1.TXT");
    flags.m_path = "/dir";
    flags.m_stream_name = "ads";

    flags.reset();
    EXPECT_EQ(flags.m_si + flags.m_fn + flags.m_fn83, "............");
    EXPECT_FALSE(flags.m_si_touched || flags.m_fn_touched || flags.m_fn83_touched);
    EXPECT_EQ(flags.m_long_names.size(), 1U);
    EXPECT_EQ(flags.m_path, "/dir");

    flags.clear();
    EXPECT_TRUE(flags.m_long_names.empty());
    EXPECT_TRUE(flags.m_short_names.empty());
    EXPECT_TRUE(flags.m_path.empty());
    EXPECT_TRUE(flags.m_stream_name.empty());
}

struct print_case {
    const char* name;
    bool si;    // si "m..." touched
    bool fn;    // fn "m.c." touched
    bool fn83;  // fn8.3 "m..." touched
    bool line_end;
    bool show_fn83;
    bool show_fn;
    const char* expected;
};

const print_case print_cases[] = {
    {"si_and_fn", true, true, false, false, true, true, "si:[m...]; fn:[m.c.]"},
    {"fn_hidden", true, true, false, false, true, false, "si:[m...]"},
    {"fn83_alone_no_colon", false, false, true, false, true, false, "fn8.3[m...]"},
    {"fn83_hidden", false, false, true, true, false, true, ""},
    {"all_three", true, true, true, false, true, true, "si:[m...]; fn:[m.c.]; fn8.3[m...]"},
    {"line_end", true, false, false, true, true, true, "si:[m...]\n"},
    {"nothing_touched_no_line_end", false, false, false, true, true, true, ""},
};

class MacbFlagsPrint : public ::testing::TestWithParam<print_case> {};

TEST_P(MacbFlagsPrint, TouchedSourcesOnly) {
    const print_case& c = GetParam();
    macb_flags flags;
    if (c.si) {
        flags.set_m(1);
    }
    if (c.fn) {
        flags.set_m(2);
        flags.set_c(2);
    }
    if (c.fn83) {
        flags.set_m(3);
    }
    std::ostringstream out;
    flags.print(out, c.line_end, c.show_fn83, c.show_fn);
    EXPECT_EQ(out.str(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, MacbFlagsPrint, ::testing::ValuesIn(print_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(MacbFlags, ClearedRecordPrintsNothing) {
    macb_flags flags;
    flags.set_si_a();
    flags.set_fn_b();
    flags.clear();
    std::ostringstream out;
    flags.print(out, true, true, true);
    EXPECT_EQ(out.str(), "");
}

}  // namespace

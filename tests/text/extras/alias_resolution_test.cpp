#include "text/extras/alias_resolution.h"

#include <gtest/gtest.h>

#include <string>

#include "cmdline/cmd_params.h"

namespace {

struct alias_case {
    const char* name;
    const char* text;
    const char* resolved;
};

const alias_case alias_cases[] = {
    {"whole_text_alias_any_case", "C:/X", "/mnt/x"},
    {"longer_key_tried_first", "c:/data/f.txt", "/d/f.txt"},
    {"shorter_key", "C:/Users/f.txt", "/c/Users/f.txt"},
    {"key_anywhere_drops_the_head", "\\\\?\\c:/data/f", "/d/f"},
    {"key_not_shorter_than_text", "c:/", "c:/"},
    {"no_match", "q", "q"},
    {"empty", "", ""},
};

class ResolveAlias : public ::testing::TestWithParam<alias_case> {};

TEST_P(ResolveAlias, RewritesThroughTheOptionMaps) {
    cmd_params options(0, false);
    options.m_aliases = {{"c:/x", "/mnt/x"}};
    options.m_alias_paths = {{"c:/", "/c/"}, {"c:/data/", "/d/"}};
    std::string out = "stale";
    EXPECT_EQ(resolve_alias(options, out, GetParam().text), GetParam().resolved);
    EXPECT_EQ(out, GetParam().resolved);
}

INSTANTIATE_TEST_SUITE_P(Cases, ResolveAlias, ::testing::ValuesIn(alias_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ResolveAliasWithoutMaps, ReturnsTheTextAsItIs) {
    const cmd_params options(0, false);
    std::string out;
    EXPECT_EQ(resolve_alias(options, out, "C:/X"), "C:/X");
}

}  // namespace

#include "text/extras/percent_template.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using pieces = std::vector<std::string>;
using number_map = std::multimap<int, int>;
using char_map = std::multimap<char, int>;

struct template_case {
    const char* name;
    const char* text;
    bool result;
    pieces expected;
    number_map numbers;
    char_map characters;
};

const template_case template_cases[] = {
    {"zero_ends_the_number", "%10", true, {"", "%1", "0"}, {{1, 1}}, {}},
    {"number_and_character",
     "Copy %1 to %t",
     true,
     {"Copy ", "%1", " to ", "%t"},
     {{1, 1}},
     {{'t', 3}}},
    {"touching_placeholders", "%1%2", true, {"", "%1", "", "%2"}, {{1, 1}, {2, 3}}, {}},
    {"two_digits", "a%12b", true, {"a", "%12", "b"}, {{12, 1}}, {}},
    {"three_digits", "%123", true, {"", "%12", "3"}, {{12, 1}}, {}},
    {"percent_zero_is_character", "%0x", true, {"", "%0", "x"}, {}, {{'0', 1}}},
    {"double_percent_is_character", "a%%b", true, {"a", "%%", "b"}, {}, {{'%', 1}}},
    {"repeated_number", "%1-%1", true, {"", "%1", "-", "%1"}, {{1, 1}, {1, 3}}, {}},
    {"trailing_percent_dropped", "abc%", true, {"abc"}, {}, {}},
    {"lone_percent", "%", true, {""}, {}, {}},
    {"no_placeholder", "plain", true, {"plain"}, {}, {}},
    {"empty", "", false, {}, {}, {}},
};

class ParsePercentTemplate : public ::testing::TestWithParam<template_case> {};

TEST_P(ParsePercentTemplate, CutsIntoPieces) {
    const template_case& c = GetParam();
    pieces list = {"stale"};
    number_map numbers = {{9, 9}};
    char_map characters = {{'z', 9}};
    EXPECT_EQ(parse_percent_template(list, numbers, characters, c.text), c.result);
    EXPECT_EQ(list, c.expected);
    EXPECT_EQ(numbers, c.numbers);
    EXPECT_EQ(characters, c.characters);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParsePercentTemplate, ::testing::ValuesIn(template_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace

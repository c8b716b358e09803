#include "text/json_like_text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "text/text_test_support.h"

namespace {

using text_test::named_case_printer;
using list = std::vector<std::string>;

struct split_case {
    const char* name;
    std::string text;
    bool ok;
    list objects;
};

const split_case split_cases[] = {
    {"array_of_objects", R"([{"a":1},{"b":{"c":2}}])", true, {R"({"a":1})", R"({"b":{"c":2}})"}},
    {"plain_text_is_one_item", "plain", true, {"plain"}},
    {"object_before_bracket_is_one_item", R"({"x":[1]})", true, {R"({"x":[1]})"}},
    {"bracket_without_object", "[1,2]", false, {}},
    {"unclosed_object_left_out", R"([{"a":1},{"b":)", true, {R"({"a":1})"}},
    {"only_unclosed_object", R"([{"a":1)", false, {}},
    // Braces are counted wherever they stand, inside strings too.
    {"brace_in_string_counts", R"([{"a":"}"}])", true, {R"({"a":"})"}},
    {"stray_close_between_objects", R"([{"a":1}},{"b":2}])", true, {R"({"a":1})", R"({"b":2})"}},
};

class SplitJsonObjects : public ::testing::TestWithParam<split_case> {};

TEST_P(SplitJsonObjects, GivesObjects) {
    const split_case& c = GetParam();
    list objects = {"stale"};
    EXPECT_EQ(split_json_objects(objects, c.text), c.ok);
    EXPECT_EQ(objects, c.objects);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitJsonObjects, ::testing::ValuesIn(split_cases),
                         named_case_printer());

struct pairs_case {
    const char* name;
    std::string text;
    list keys;
    list values;
};

const pairs_case pairs_cases[] = {
    {"quoted_comma_and_number", R"({"a": "x,y", "b": 2})", {"A", "b"}, {"x,y", "2"}},
    {"packed", R"({"a":1,"b":"two"})", {"a", "b"}, {"1", "two"}},
    {"value_keeps_its_case", R"({"Name":"MiXed"})", {"name"}, {"MiXed"}},
    {"missing_and_empty_keys", R"({"a":1})", {"z", "", "a"}, {"", "", "1"}},
    {"key_without_colon", R"({"a"})", {"a"}, {""}},
    {"unended_value", R"({"a":1)", {"a"}, {""}},
};

class ParseQuotedPairs : public ::testing::TestWithParam<pairs_case> {};

TEST_P(ParseQuotedPairs, GivesValues) {
    const pairs_case& c = GetParam();
    list values = {"stale"};
    EXPECT_TRUE(parse_quoted_pairs(values, c.keys, c.text));
    EXPECT_EQ(values, c.values);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseQuotedPairs, ::testing::ValuesIn(pairs_cases),
                         named_case_printer());

TEST(ParseQuotedPairs, RefusesEmptyTextOrKeys) {
    list values = {"stale"};
    EXPECT_FALSE(parse_quoted_pairs(values, {"a"}, ""));
    EXPECT_TRUE(values.empty());
    EXPECT_FALSE(parse_quoted_pairs(values, {}, R"({"a":1})"));
}

TEST(WriteQuotedPairs, PairsEveryKey) {
    std::ostringstream out;
    write_quoted_pairs(out, {"a", "b"}, {"1"}, ',');
    EXPECT_EQ(out.str(), R"("a":"1", "b":"")");

    std::ostringstream none;
    write_quoted_pairs(none, {}, {"1"}, ',');
    EXPECT_EQ(none.str(), "");
}

}  // namespace

#include "text/extras/query_and_json_rows.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using list = std::vector<std::string>;

struct query_case {
    const char* name;
    std::string url;
    bool ok;
    list keys;
    list values;
};

class ParseUrlQuery : public ::testing::TestWithParam<query_case> {};

TEST_P(ParseUrlQuery, KeysAndValuesAtTheSameIndex) {
    const query_case& c = GetParam();
    list keys{"old"};
    list values{"old"};
    EXPECT_EQ(parse_url_query(keys, values, c.url), c.ok);
    EXPECT_EQ(keys, c.keys);
    EXPECT_EQ(values, c.values);
}

const query_case query_cases[] = {
    {"Mixed", "http://h/p?a=1&b=&c&d=x=y%26e=2", true, {"a", "b", "c", "d", "e"},
     {"1", "", "", "x=y", "2"}},
    {"EscapedEqualsSplits", "h?k%3Dv", true, {"k"}, {"v"}},
    {"EmptyPartsKept", "h?a=1&&b", true, {"a", "", "b"}, {"1", "", ""}},
    {"PartsTrimmed", "h? a = 1 & b", true, {"a ", "b"}, {" 1", ""}},
    {"OnlyAmpersand", "h?&", true, {"", ""}, {"", ""}},
    {"QuestionInValue", "h?q=a?b", true, {"q"}, {"a?b"}},
    {"NoQuestion", "http://h/p", false, {}, {}},
    {"NothingAfterQuestion", "http://h/p?", false, {}, {}},
    {"Empty", "", false, {}, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ParseUrlQuery, ::testing::ValuesIn(query_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(InterleavePairs, EmptyValuesLeftOut) {
    list out{"old"};
    EXPECT_TRUE(interleave_pairs(out, {"a", "b"}, {"1", ""}));
    EXPECT_EQ(out, (list{"a", "1", "b"}));
    EXPECT_FALSE(interleave_pairs(out, {"a", "b"}, {"1"}));
    EXPECT_TRUE(out.empty());
    // An empty key ends the walk and drops what came before it.
    EXPECT_FALSE(interleave_pairs(out, {"a", "", "c"}, {"1", "2", "3"}));
    EXPECT_TRUE(out.empty());
}

TEST(ParseJsonRows, OneRowPerObject) {
    const std::string text = R"([{"id":1,"name":"x"},{"name":"y, z","ID":"2"}])";
    std::vector<json_row> rows;
    ASSERT_TRUE(parse_json_rows(rows, {"ID", "name", "id"}, text));
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0].m_values, (list{"1", "x", "1"}));
    EXPECT_EQ(rows[1].m_values, (list{"2", "y, z", "2"}));
    EXPECT_EQ(rows[1].m_keys, (list{"ID", "name", "id"}));
    // A key asked for twice keeps its first index.
    const std::map<std::string, int32> index{{"id", 0}, {"name", 1}};
    EXPECT_EQ(rows[0].m_key_index, index);
    EXPECT_EQ(rows[1].m_key_index, index);
}

TEST(ParseJsonRows, UnreadableObjectGivesAnEmptyRow) {
    std::vector<json_row> rows;
    // No keys: every object's values fail to read, yet each still has its row.
    ASSERT_TRUE(parse_json_rows(rows, {}, R"([{"a":1},{"b":2}])"));
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_TRUE(rows[0].m_values.empty());
    EXPECT_TRUE(rows[0].m_keys.empty());
    EXPECT_TRUE(rows[1].m_key_index.empty());
    EXPECT_FALSE(parse_json_rows(rows, {"a"}, "[no objects]"));
    EXPECT_TRUE(rows.empty());
}

TEST(JsonRow, ClearEmptiesEveryMember) {
    json_row row;
    EXPECT_TRUE(row.m_keys.empty() && row.m_values.empty() && row.m_key_index.empty());
    row.m_keys = {"a"};
    row.m_values = {"1"};
    row.m_key_index["a"] = 0;
    row.clear();
    EXPECT_TRUE(row.m_keys.empty() && row.m_values.empty() && row.m_key_index.empty());
}

}  // namespace

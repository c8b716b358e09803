#include "text/extras/list_splitters.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using list = std::vector<std::string>;

TEST(SplitJoinedArgs, BlankSeparatorKeepsQuotedArgumentsWhole) {
    const char* args[] = {"prog", "-x", "a b", "c"};
    list out{"old"};
    EXPECT_TRUE(split_joined_args(out, 4, args, ' '));
    EXPECT_EQ(out, (list{"prog", "-x", "a b", "c"}));
}

TEST(SplitJoinedArgs, OtherSeparatorsSplitTheJoinedLine) {
    const char* args[] = {"a,b", "c d", ",e"};
    list out{"old"};
    EXPECT_TRUE(split_joined_args(out, 3, args, ','));
    EXPECT_EQ(out, (list{"a", "b \"c d\" ", "e"}));
    EXPECT_FALSE(split_joined_args(out, 0, args, ','));
    EXPECT_FALSE(split_joined_args(out, 2, nullptr, ' '));
}

TEST(SplitToSet, EqualPartsCollapse) {
    std::set<std::string> out{"old"};
    EXPECT_TRUE(split_to_set("b,a, b", ',', out, true, false));
    EXPECT_EQ(out, (std::set<std::string>{"a", "b"}));
    EXPECT_TRUE(split_to_set("c,,b ", ',', out, false, true));
    EXPECT_EQ(out, (std::set<std::string>{"a", "b", "b ", "c"}));
    EXPECT_FALSE(split_to_set("", ',', out, true, false));
    EXPECT_TRUE(out.empty());
}

TEST(SplitFirstSeparatorW, WidePartsUnderTheFirstCandidate) {
    std::vector<std::wstring> out{L"old"};
    EXPECT_EQ(split_first_separator_w(out, L"\u00e9;b|c", true, false, "|;"), '|');
    EXPECT_EQ(out, (std::vector<std::wstring>{L"\u00e9;b", L"c"}));
    EXPECT_EQ(split_first_separator_w(out, L"a b", true, false, "|;"), 0);
    EXPECT_EQ(out, std::vector<std::wstring>{L"a b"});
    EXPECT_EQ(split_first_separator_w(out, L"a;;b", false, true, ";"), ';');
    EXPECT_EQ(out, (std::vector<std::wstring>{L"a", L"", L"b"}));
    EXPECT_EQ(split_first_separator_w(out, L"", true, false, ";"), 0);
    EXPECT_TRUE(out.empty());
}

}  // namespace

#include "cmdline/results_columns.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

using columns_state = std::tuple<uint64, uint64, uint64, uint64, uint64, std::string, std::string>;

columns_state state_of(const results_columns& c) {
    return {c.val1, c.val2, c.val3, c.val4, c.val5, c.str1, c.str2};
}

struct role_case {
    const char* name;
    uint32 flags;
    columns_state expected;
};

class ResultsColumnsRole : public ::testing::TestWithParam<role_case> {};

// Only the exact role values of the low flag byte hand anything over; higher flag bits do
// not matter.
TEST_P(ResultsColumnsRole, LowByteChoosesTheColumn) {
    const role_case& c = GetParam();
    results_columns columns;
    columns.set(c.flags, 7, "text");
    EXPECT_EQ(state_of(columns), c.expected);
    columns.clear();
    EXPECT_EQ(state_of(columns), columns_state(0, 0, 0, 0, 0, "", ""));
}

const role_case role_cases[] = {
    {"val1", 0x80001, {7, 0, 0, 0, 0, "", ""}},
    {"val2", 2, {0, 7, 0, 0, 0, "", ""}},
    {"val3", 4, {0, 0, 7, 0, 0, "", ""}},
    {"val4", 8, {0, 0, 0, 7, 0, "", ""}},
    {"val5", 16, {0, 0, 0, 0, 7, "", ""}},
    {"str1", 32, {0, 0, 0, 0, 0, "text", ""}},
    {"str2", 0x1000040, {0, 0, 0, 0, 0, "", "text"}},
    {"two_roles", 3, {0, 0, 0, 0, 0, "", ""}},
    {"no_role", 0x80, {0, 0, 0, 0, 0, "", ""}},
};
INSTANTIATE_TEST_SUITE_P(Cases, ResultsColumnsRole, ::testing::ValuesIn(role_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace

#include "resultsdb/sql_names.h"

#include <gtest/gtest.h>

namespace {

TEST(SqlNames, QuotingKeepsEveryNameOneIdentifier) {
    EXPECT_EQ(backquoted_name("ref"), "`ref`");
    EXPECT_EQ(backquoted_name("q`t"), "`q``t`");
    EXPECT_EQ(bracketed_name("q`t"), "[q`t]");
    EXPECT_EQ(bracketed_name("x'];--"), "`x'];--`");
}

}  // namespace

#include "text/text_snippets.h"

#include <gtest/gtest.h>

namespace {

TEST(OstreamEraseTail, WithoutRebuildLaterOutputOverwritesTheTail) {
    std::ostringstream out;
    out << "a, b, ";
    ASSERT_TRUE(ostream_erase_tail(out, 2, false));
    EXPECT_EQ(out.str(), "a, b, ");  // the old tail stays until overwritten
    out << "!";
    EXPECT_EQ(out.str(), "a, b! ");
}

TEST(OstreamEraseTail, RebuildCutsTheText) {
    std::ostringstream out;
    out << "a, b, ";
    ASSERT_TRUE(ostream_erase_tail(out, 2, true));
    EXPECT_EQ(out.str(), "a, b");
    out << ";";
    EXPECT_EQ(out.str(), "a, b;");

    std::stringstream both;
    both << "xyz";
    ASSERT_TRUE(ostream_erase_tail(both, 10, true));  // more than was written: back to start
    EXPECT_EQ(both.str(), "");
    both << "q";
    EXPECT_EQ(both.str(), "q");
}

TEST(OstreamEraseTail, FailedStreamIsRefused) {
    std::ostringstream out;
    out << "abc";
    ASSERT_TRUE(ostream_erase_tail(out, 5, false));
    out << "z";
    EXPECT_EQ(out.str(), "zbc");
    out.setstate(std::ios::failbit);
    EXPECT_FALSE(ostream_erase_tail(out, 1, true));
}

TEST(ExtractBetweenMarkers, TakesTextInsideFirstPairAfterAnchor) {
    std::string out = "stale";
    ASSERT_TRUE(extract_between_markers("<x> key <value> <other>", "key", "<", ">", out));
    EXPECT_EQ(out, "value");
    ASSERT_TRUE(extract_between_markers("<x> key", nullptr, "<", ">", out));
    EXPECT_EQ(out, "x");
    // A marker of several characters stays out of the result.
    ASSERT_TRUE(extract_between_markers("a=[[inner]] b", nullptr, "[[", "]]", out));
    EXPECT_EQ(out, "inner");

    EXPECT_FALSE(extract_between_markers("<x>", "missing", "<", ">", out));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(extract_between_markers("<x", nullptr, "<", ">", out));
    EXPECT_FALSE(extract_between_markers("x>", nullptr, "<", ">", out));
    EXPECT_FALSE(extract_between_markers(nullptr, nullptr, "<", ">", out));
    EXPECT_FALSE(extract_between_markers("<x>", nullptr, nullptr, ">", out));
    EXPECT_FALSE(extract_between_markers("<x>", nullptr, "<", nullptr, out));
}

}  // namespace

#include "text/extras/link_and_json_extraction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> keys_of(const link_map& links) {
    std::vector<std::string> keys;
    for (const auto& [value, place] : links) {
        keys.push_back(value);
    }
    return keys;
}

TEST(ExtractLinks, HrefBeforeSrcOnePerTag) {
    const std::string page = "<a href=\"x\"><img src=\"y\"><a src=\"s\" href=\"h\">";
    link_map links;
    EXPECT_TRUE(extract_links(page.data(), static_cast<int>(page.size()), links));
    EXPECT_EQ(keys_of(links), (std::vector<std::string>{"h", "x", "y"}));
    // The place is inside the tag: from the "=" of href="x", over the quoted value.
    const auto x = links.find("x");
    ASSERT_NE(x, links.end());
    EXPECT_EQ(x->second.first, 7u);
    EXPECT_EQ(x->second.second, 3u);
    // Duplicates stay, and earlier entries count towards the result.
    EXPECT_TRUE(extract_links(page.data(), static_cast<int>(page.size()), links));
    EXPECT_EQ(links.count("x"), 2u);
    const std::string plain = "<p class=\"c\">";
    EXPECT_TRUE(extract_links(plain.data(), static_cast<int>(plain.size()), links));
    link_map none;
    EXPECT_FALSE(extract_links(plain.data(), static_cast<int>(plain.size()), none));
    EXPECT_FALSE(extract_links(nullptr, 5, none));
}

// A tag cut at the buffer's end: nothing is read past the count.
TEST(ExtractLinks, CutTag) {
    const std::string page = "<a href=\"x";
    const std::vector<char> bytes(page.begin(), page.end());
    link_map links;
    EXPECT_FALSE(extract_links(bytes.data(), static_cast<int>(bytes.size()), links));
    EXPECT_TRUE(links.empty());
}

TEST(ExtractJsonArrays, KeysInAnyCaseFromOriginalText) {
    std::vector<std::string> out{"old"};
    EXPECT_TRUE(
        extract_json_arrays(out, {"Items", "none"}, "{\"ITEMS\": [{\"a\":1},{\"b\":2}], \"x\":1}"));
    EXPECT_EQ(out, (std::vector<std::string>{"ITEMS\": [{\"a\":1},{\"b\":2}", ""}));
    // Arrays of plain values never match: their "]" has no "}" close before it.
    EXPECT_FALSE(extract_json_arrays(out, {"v"}, "{\"v\": [1,2]}"));
    EXPECT_EQ(out, (std::vector<std::string>{""}));
    EXPECT_FALSE(extract_json_arrays(out, {}, "{}"));
    EXPECT_FALSE(extract_json_arrays(out, {"v"}, ""));
}

TEST(ExtractJsonArrays, FirstPassingOccurrenceAndDistances) {
    std::vector<std::string> out;
    // The first "k" is a value, not followed by ":" and "[": the second one passes.
    EXPECT_TRUE(extract_json_arrays(out, {"k", ""}, "{\"a\": \"k\", \"b\": 1, \"k\":[{\"z\":0}]}"));
    EXPECT_EQ(out, (std::vector<std::string>{"k\":[{\"z\":0}", ""}));
    // "[" more than 2 characters after the ":".
    EXPECT_FALSE(extract_json_arrays(out, {"k"}, "{\"k\":    [{\"z\":0}]}"));
    // A cut text: "[" but no "]".
    EXPECT_FALSE(extract_json_arrays(out, {"k"}, "{\"k\": [{\"z\":0}"));
}

TEST(TagAttribute, ConstructAndClear) {
    tag_attribute found("v", 5, 3);
    EXPECT_EQ(found.m_value, "v");
    EXPECT_EQ(found.m_offset, 5u);
    EXPECT_EQ(found.m_length, 3u);
    EXPECT_TRUE(found.m_name.empty());
    found.m_field2 = 4;
    found.clear();
    EXPECT_TRUE(found.m_value.empty());
    EXPECT_EQ(found.m_offset + found.m_length + found.m_field2, 0u);
}

}  // namespace

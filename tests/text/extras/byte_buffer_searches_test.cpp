#include "text/extras/byte_buffer_searches.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Three 32-bit words in machine order, copied to `at` bytes into a larger buffer so the
// searches also run from an odd address.
std::vector<uint8> words_at(std::size_t at, const std::vector<uint32>& words) {
    std::vector<uint8> bytes(at + words.size() * 4, 0xEE);
    std::memcpy(bytes.data() + at, words.data(), words.size() * 4);
    return bytes;
}

byte_array bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

TEST(FindAllValues32, ListsPerValueFirstHitAndStep) {
    const uint32 w0 = 0x11223344;
    const uint32 w1 = 0x55667788;
    const uint32 w2 = 0x99AABBCC;
    for (const std::size_t at : {0u, 1u}) {
        SCOPED_TRACE(at);
        const std::vector<uint8> bytes = words_at(at, {w0, w1, w2});
        const uint8* data = bytes.data() + at;
        offset_lists out{{99}};
        EXPECT_TRUE(find_all_values32(out, data, 12, {w2, w0}, 4, false));
        EXPECT_EQ(out, (offset_lists{{8}, {0}}));
        EXPECT_TRUE(find_all_values32(out, data, 12, {w2, w0}, 4, true));
        EXPECT_EQ(out, (offset_lists{{}, {0}}));
        EXPECT_FALSE(find_all_values32(out, data, 12, {w2, w0}, 2, false));
        EXPECT_TRUE(out.empty());
        // Step 8 visits words 0 and 2 only; an odd count never reads the partial word.
        EXPECT_TRUE(find_all_values32(out, data, 12, {w1, w2}, 8, false));
        EXPECT_EQ(out, (offset_lists{{}, {8}}));
        EXPECT_FALSE(find_all_values32(out, data, 11, {w2}, 4, false));
        EXPECT_FALSE(find_all_values32(out, data, 3, {w0}, 4, false));
    }
    offset_lists out;
    EXPECT_FALSE(find_all_values32(out, nullptr, 12, {w0}, 4, false));
}

TEST(FindAllValues64, WholeUnitsOnly) {
    const uint64 v = 0x0102030405060708ULL;
    std::vector<uint8> bytes(1 + 24, 0);
    std::memcpy(bytes.data() + 1 + 8, &v, 8);
    offset_lists out;
    EXPECT_TRUE(find_all_values64(out, bytes.data() + 1, 24, {v}, 8, false));
    EXPECT_EQ(out, (offset_lists{{8}}));
    EXPECT_FALSE(find_all_values64(out, bytes.data() + 1, 15, {v}, 8, false));
    EXPECT_FALSE(find_all_values64(out, bytes.data() + 1, 24, {v}, 4, false));
}

TEST(FindFirstBmh, FindsFirstOrRefuses) {
    const byte_array hay = bytes_of("hay needle");
    const byte_array needle = bytes_of("needle");
    uint64 at = 7;
    EXPECT_TRUE(
        find_first_bmh(at, hay.data(), hay.size(), hay.data(), static_cast<int>(hay.size())));
    EXPECT_EQ(at, 0u);
    EXPECT_TRUE(find_first_bmh(at, hay.data(), hay.size(), needle.data(), 6));
    EXPECT_EQ(at, 4u);
    const byte_array longer = bytes_of("hay needles");
    at = 7;
    EXPECT_FALSE(find_first_bmh(at, hay.data(), hay.size(), longer.data(), 11));
    EXPECT_EQ(at, 0u);
    EXPECT_FALSE(find_first_bmh(at, hay.data(), hay.size(), needle.data(), 0));
    EXPECT_FALSE(find_first_bmh(at, hay.data(), hay.size(), needle.data(), -1));
    EXPECT_FALSE(find_first_bmh(at, nullptr, hay.size(), needle.data(), 6));
    // "e" last at the very end of a cut buffer: the window must never read past it.
    EXPECT_TRUE(find_first_bmh(at, needle.data(), 6, needle.data() + 5, 1));
    EXPECT_EQ(at, 1u);
}

TEST(FindPatternOffsets, AllMatchesBothWays) {
    const byte_array data = bytes_of("aaaa");
    for (const bool table : {true, false}) {
        std::vector<uint64> out{5};
        EXPECT_TRUE(find_pattern_offsets(data.data(), 4, bytes_of("aa"), out, 10, table));
        EXPECT_EQ(out, (std::vector<uint64>{10, 12}));
        EXPECT_FALSE(find_pattern_offsets(data.data(), 4, {}, out, 10, table));
        EXPECT_TRUE(out.empty());
        EXPECT_FALSE(find_pattern_offsets(data.data(), 0, bytes_of("a"), out, 10, table));
    }
}

TEST(BytesFollowInOrder, Cases) {
    const byte_array data{0xAB, 0xCD, 0xEF};
    EXPECT_TRUE(bytes_follow_in_order(data, {0xAB}, {0xEF}));
    EXPECT_FALSE(bytes_follow_in_order(data, {0xEF}, {0xAB}));
    EXPECT_FALSE(bytes_follow_in_order(data, {}, {}));
    EXPECT_TRUE(bytes_follow_in_order(data, {0xCD}, {}));
    EXPECT_TRUE(bytes_follow_in_order(data, {}, {0xEF}));
    EXPECT_FALSE(bytes_follow_in_order(data, {0x01}, {}));
    // The second must start after the first ends, not overlap it.
    EXPECT_FALSE(bytes_follow_in_order(data, {0xAB, 0xCD}, {0xCD}));
    EXPECT_FALSE(bytes_follow_in_order({}, {0xAB}, {}));
    EXPECT_FALSE(bytes_follow_in_order(data, {0xAB, 0xCD, 0xEF, 0x00}, {}));
}

TEST(FindTextInBytes, BaseAndEmptyText) {
    const byte_array data = bytes_of("xxabc");
    uint64 at = 9;
    EXPECT_TRUE(find_text_in_bytes(at, data, "abc", 100));
    EXPECT_EQ(at, 102u);
    EXPECT_TRUE(find_text_in_bytes(at, data, "", 100));
    EXPECT_EQ(at, 100u);
    EXPECT_FALSE(find_text_in_bytes(at, data, "abcd", 100));
    EXPECT_EQ(at, 0u);
}

}  // namespace

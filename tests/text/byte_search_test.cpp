#include "text/byte_search.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "cmdline/filter_entry.h"

namespace {

using namespace std::string_literals;

const uint8* bytes_of(const std::string& s) { return reinterpret_cast<const uint8*>(s.data()); }
uint32 size_of(const std::string& s) { return static_cast<uint32>(s.size()); }

// Reference: every non-overlapping match, left to right, by direct comparison.
std::vector<uint64> naive_matches(const std::string& hay, const std::string& pat) {
    std::vector<uint64> out;
    for (std::size_t p = 0; !pat.empty() && p + pat.size() <= hay.size();) {
        if (hay.compare(p, pat.size(), pat) == 0) {
            out.push_back(p);
            p += pat.size();
        } else {
            ++p;
        }
    }
    return out;
}

struct search_case {
    const char* name;
    std::string haystack;
    std::string pattern;
    uint64 base;
    std::vector<uint64> expected;
};

void PrintTo(const search_case& c, std::ostream* os) { *os << c.name; }

const search_case search_cases[] = {
    {"AtTheVeryEnd", "xxxxabc", "abc", 0, {4}},
    {"TwoByteRepeatsTwice", "aaaa", "aa", 0, {0, 2}},
    {"OddRunNeverOverlaps", "aaa", "aa", 0, {0}},
    {"OneByteAdjacent", "xyyx", "y", 0, {1, 2}},
    {"HighBytes", "\x00\x80\xff\x80\xff"s, "\x80\xff"s, 0, {1, 3}},
    {"NulBytesInPattern",
     "a\x00\x00"
     "b\x00\x00"s,
     "\x00\x00"s,
     0,
     {1, 4}},
    {"RepeatedPrefix", "abababcab", "ababc", 0, {2}},
    {"WholeBuffer", "abc", "abc", 0, {0}},
    {"PatternLongerThanBuffer", "ab", "abc", 0, {}},
    {"Absent", "abcdefgh", "xyz", 0, {}},
    {"BaseIsAdded", "01234abc", "abc", 1000, {1005}},
};

class FindAllBmh : public ::testing::TestWithParam<search_case> {};

// find_all_bmh32's offsets with the base added, to compare with find_all_bmh's.
std::vector<uint64> bmh32_offsets(const std::vector<uint8>& hay, const std::vector<uint8>& pat,
                                  uint64 base, bool use_table) {
    std::vector<uint32> out32;
    (void)find_all_bmh32(hay.data(), static_cast<uint32>(hay.size()), pat.data(),
                         static_cast<uint32>(pat.size()), out32, use_table, false);
    std::vector<uint64> widened(out32.begin(), out32.end());
    for (uint64& offset : widened) {
        offset += base;
    }
    return widened;
}

void expect_scan(const search_case& c, bool use_table) {
    SCOPED_TRACE(use_table ? "table" : "plain");
    // Exactly sized heap copies, so the sanitizer sees any read past either end.
    const std::vector<uint8> hay(c.haystack.begin(), c.haystack.end());
    const std::vector<uint8> pat(c.pattern.begin(), c.pattern.end());
    const uint32 n = size_of(c.haystack);
    const uint32 m = size_of(c.pattern);
    std::vector<uint64> out = {99};
    EXPECT_EQ(find_all_bmh(hay.data(), n, pat.data(), m, out, c.base, use_table, false),
              !c.expected.empty());
    EXPECT_EQ(out, c.expected);
    // With stop_at_first only the first match is kept.
    (void)find_all_bmh(hay.data(), n, pat.data(), m, out, c.base, use_table, true);
    EXPECT_EQ(out, std::vector<uint64>(c.expected.begin(),
                                       c.expected.begin() + (c.expected.empty() ? 0 : 1)));
    EXPECT_EQ(bmh32_offsets(hay, pat, c.base, use_table), c.expected);
}

TEST_P(FindAllBmh, BothScansFindTheSameMatches) {
    expect_scan(GetParam(), false);
    expect_scan(GetParam(), true);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindAllBmh, ::testing::ValuesIn(search_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// Random texts over a small alphabet hit every shift of the skip table; both scans must agree
// with direct comparison.
TEST(FindAllBmhRandom, AgreesWithDirectComparison) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> letter(0, 2);
    std::uniform_int_distribution<int> length(1, 6);
    for (int round = 0; round < 2000; ++round) {
        std::string hay(static_cast<std::size_t>(length(rng) * 8), 'a');
        std::string pat(static_cast<std::size_t>(length(rng)), 'a');
        for (char& c : hay) {
            c = static_cast<char>('a' + letter(rng));
        }
        for (char& c : pat) {
            c = static_cast<char>('a' + letter(rng));
        }
        const std::vector<uint64> expected = naive_matches(hay, pat);
        for (const bool use_table : {false, true}) {
            std::vector<uint64> out;
            (void)find_all_bmh(bytes_of(hay), size_of(hay), bytes_of(pat), size_of(pat), out, 0,
                               use_table, false);
            ASSERT_EQ(out, expected) << hay << " / " << pat;
        }
    }
}

TEST(FindAllBmh, RefusesEmptyAndNullInput) {
    std::vector<uint64> out = {1};
    const std::string hay = "abc";
    EXPECT_FALSE(find_all_bmh(nullptr, 3, bytes_of(hay), 1, out, 0, true, false));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(find_all_bmh(bytes_of(hay), 3, nullptr, 1, out, 0, true, false));
    EXPECT_FALSE(find_all_bmh(bytes_of(hay), 0, bytes_of(hay), 1, out, 0, true, false));
    EXPECT_FALSE(find_all_bmh(bytes_of(hay), 3, bytes_of(hay), 0, out, 0, false, false));
}

// Every cut of the input is searched from an exactly sized buffer (sanitizer build).
TEST(FindAllBmh, EveryTruncationStaysInBounds) {
    const std::string text = "needle in a haystack with a needle at its end: needle";
    const std::string pat = "needle";
    for (std::size_t n = 0; n <= text.size(); ++n) {
        const std::vector<uint8> cut(text.begin(), text.begin() + static_cast<long>(n));
        const uint8* data = cut.empty() ? nullptr : cut.data();
        for (const bool use_table : {false, true}) {
            std::vector<uint64> out;
            (void)find_all_bmh(data, static_cast<uint32>(n), bytes_of(pat), size_of(pat), out, 0,
                               use_table, false);
            EXPECT_EQ(out, naive_matches(text.substr(0, n), pat));
        }
        uint64 last = 0;
        (void)find_last_in_tail(data, static_cast<uint32>(n), bytes_of(pat), size_of(pat), 1000,
                                last);
    }
}

TEST(FindFirst, FirstOffsetAndBase) {
    const std::string hay = "01234abcabc";
    uint64 out = 77;
    EXPECT_TRUE(find_first_bmh(bytes_of(hay), size_of(hay), bytes_of("abc"s), 3, out, true));
    EXPECT_EQ(out, 5u);
    EXPECT_FALSE(find_first_bmh(bytes_of(hay), size_of(hay), bytes_of("zz"s), 2, out, true));
    EXPECT_EQ(out, 0u);
    EXPECT_TRUE(find_bytes(bytes_of(hay), size_of(hay), {'a', 'b'}, out, 1000, false));
    EXPECT_EQ(out, 1005u);
    EXPECT_FALSE(find_bytes(bytes_of(hay), size_of(hay), {}, out, 1000, false));
    EXPECT_FALSE(find_bytes(nullptr, 5, {'a'}, out, 1000, false));
}

struct tail_case {
    const char* name;
    std::string haystack;
    uint32 window;
    bool found;
    uint64 offset;
};

void PrintTo(const tail_case& c, std::ostream* os) { *os << c.name; }

const tail_case tail_cases[] = {
    {"WindowBeyondBufferReachesZero", "abcxxxxx", 100, true, 0},
    {"MatchAtTheEnd", "xxabc", 3, true, 2},
    {"LastOfTwo", "abcabc", 6, true, 3},
    {"StartsBeforeWindow", "abcxxx", 5, false, 0},
    {"ZeroWindow", "abc", 0, false, 0},
};

class FindLastInTail : public ::testing::TestWithParam<tail_case> {};

TEST_P(FindLastInTail, SearchesBackwardsInTheWindow) {
    const tail_case& c = GetParam();
    uint64 out = 55;
    EXPECT_EQ(find_last_in_tail(bytes_of(c.haystack), size_of(c.haystack), bytes_of("abc"s), 3,
                                c.window, out),
              c.found);
    EXPECT_EQ(out, c.offset);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindLastInTail, ::testing::ValuesIn(tail_cases),
                         [](const auto& p) { return std::string(p.param.name); });

struct aligned_case {
    const char* name;
    std::string haystack;
    uint32 sector;
    uint32 align;
    std::vector<uint64> expected;
};

void PrintTo(const aligned_case& c, std::ostream* os) { *os << c.name; }

const std::string every_other_a = "aXaXaXaXaXaXaXaXaXaXaXaXaXaXaXaXa";  // a at even offsets

const aligned_case aligned_cases[] = {
    {"AlignedOnly", every_other_a, 0, 4, {0, 4, 8, 12, 16, 20, 24, 28, 32}},
    {"FirstSectorBytesOfEachBlock", every_other_a, 4, 16, {0, 2, 16, 18, 32}},
    // Both walks below stood still at a sector end: they must move on and end.
    {"AlignOneWithSector",
     every_other_a,
     4,
     1,
     {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32}},
    {"AlignTwoSectorThree",
     every_other_a,
     3,
     2,
     {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32}},
};

class FindAllAligned : public ::testing::TestWithParam<aligned_case> {};

TEST_P(FindAllAligned, EndsAndReportsEveryAlignedMatch) {
    const aligned_case& c = GetParam();
    std::vector<uint64> out;
    EXPECT_EQ(find_all_aligned(out, bytes_of(c.haystack), size_of(c.haystack), bytes_of("a"s), 1,
                               c.sector, c.align, false),
              !c.expected.empty());
    EXPECT_EQ(out, c.expected);

    std::vector<uint64> offsets;
    std::vector<uint32> indices;
    const std::vector<byte_array> patterns = {{}, {'Z'}, {'a'}};
    (void)find_any_aligned(offsets, indices, bytes_of(c.haystack), size_of(c.haystack), patterns,
                           c.sector, c.align, false);
    EXPECT_EQ(offsets, c.expected);
    EXPECT_EQ(indices, std::vector<uint32>(c.expected.size(), 2));
}

INSTANTIATE_TEST_SUITE_P(Cases, FindAllAligned, ::testing::ValuesIn(aligned_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FindAllAligned, AppendsAndStops) {
    std::vector<uint64> out = {7};
    EXPECT_TRUE(find_all_aligned(out, bytes_of(every_other_a), size_of(every_other_a),
                                 bytes_of("a"s), 1, 0, 8, true));
    EXPECT_EQ(out, (std::vector<uint64>{7, 0}));
    EXPECT_FALSE(find_all_aligned(out, bytes_of(every_other_a), 4, bytes_of("a"s), 1, 0, 0, false));
}

TEST(FindAnyAligned, FirstFittingPatternWinsAndListsAreCleared) {
    const std::string hay = "abcab";
    const std::vector<byte_array> patterns = {{'a', 'b', 'c'}, {'a', 'b'}, {'b'}};
    std::vector<uint64> offsets = {9};
    std::vector<uint32> indices = {9};
    EXPECT_TRUE(
        find_any_aligned(offsets, indices, bytes_of(hay), size_of(hay), patterns, 0, 1, false));
    // At 3 "abc" does not fit, so "ab" is taken.
    EXPECT_EQ(offsets, (std::vector<uint64>{0, 1, 3, 4}));
    EXPECT_EQ(indices, (std::vector<uint32>{0, 2, 1, 2}));
    EXPECT_FALSE(find_any_aligned(offsets, indices, bytes_of(hay), size_of(hay), {}, 0, 1, false));
    EXPECT_TRUE(offsets.empty());
    EXPECT_TRUE(indices.empty());
}

// Values are placed at an odd address, so a read through a cast pointer would be misaligned.
class StridedSearch : public ::testing::Test {
protected:
    void SetUp() override {
        m_storage.assign(1 + 64, 0);
        const uint64 key = 0x1122334455667788;
        std::memcpy(&m_storage[1 + 16], &key, 8);
        std::memcpy(&m_storage[1 + 40], &key, 8);
    }
    const uint8* data() const { return m_storage.data() + 1; }
    std::vector<uint8> m_storage;
};

TEST_F(StridedSearch, SixtyFourBitAtStride) {
    std::vector<uint64> out = {3};
    EXPECT_TRUE(find_u64_strided(out, data(), 64, 0x1122334455667788, 8, false));
    EXPECT_EQ(out, (std::vector<uint64>{3, 16, 40}));
    out.clear();
    // A stride of 16 only visits 0, 16, 32, 48.
    EXPECT_TRUE(find_u64_strided(out, data(), 64, 0x1122334455667788, 16, false));
    EXPECT_EQ(out, (std::vector<uint64>{16}));
    out.clear();
    EXPECT_TRUE(find_u64_strided(out, data(), 64, 0x1122334455667788, 8, true));
    EXPECT_EQ(out, (std::vector<uint64>{16}));
    EXPECT_FALSE(find_u64_strided(out, data(), 64, 0x1122334455667788, 4, false));
    EXPECT_FALSE(find_u64_strided(out, data(), 7, 0x1122334455667788, 8, false));
    EXPECT_FALSE(find_u64_strided(out, nullptr, 64, 0x1122334455667788, 8, false));
}

TEST_F(StridedSearch, NarrowerValuesAndHalfWordSteps) {
    std::vector<uint64> out;
    EXPECT_TRUE(find_u32_strided(out, data(), 64, 0x55667788, 4, false));
    EXPECT_EQ(out, (std::vector<uint64>{16, 40}));
    out.clear();
    EXPECT_TRUE(find_u16_strided(out, data(), 64, 0x7788, 2));
    EXPECT_EQ(out, (std::vector<uint64>{16, 40}));
    out.clear();
    EXPECT_TRUE(find_u64_at_u32_steps(out, data(), 64, 0x55667788, 0x11223344, false));
    EXPECT_EQ(out, (std::vector<uint64>{16, 40}));
    out.clear();
    // With 44 bytes the value at 40 is cut by the end and not read.
    EXPECT_TRUE(find_u64_at_u32_steps(out, data(), 44, 0x55667788, 0x11223344, false));
    EXPECT_EQ(out, (std::vector<uint64>{16}));
    EXPECT_FALSE(find_u64_at_u32_steps(out, data(), 3, 0, 0, false));
}

TEST(FindNonzeroPerBlock, SmallBlocksBecome512AndOnlyTheHeadCounts) {
    std::vector<uint64> words(1024 + 1, 0);  // two whole blocks of 512 and a loose word
    words[70] = 1;                           // beyond the first 64 words of block 0: not looked at
    words[512 + 3] = 5;                      // head of block 1
    words[512 + 9] = 6;                      // later in the head: the first one wins
    words[1024] = 7;                         // no whole block
    std::vector<uint64> out = {42};
    EXPECT_TRUE(find_nonzero_u64_per_block(out, words.data(), 1025, 100, false, 1000));
    EXPECT_EQ(out, (std::vector<uint64>{1515}));
    EXPECT_TRUE(find_nonzero_u64_per_block(out, words.data(), 1025, 100, true, 0));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(find_nonzero_u64_per_block(out, words.data(), 511, 100, false, 0));
    EXPECT_FALSE(find_nonzero_u64_per_block(out, nullptr, 1024, 512, false, 0));
}

TEST(FilterSignatureIndices, OnlyEntriesWithSignatureBytes) {
    std::vector<filter_entry> filters(4);
    filters[1].m_signature = {0x4d, 0x5a};
    filters[3].m_signature = {0x7f};
    filters[2].m_match_all = true;
    std::vector<uint32> out = {9};
    EXPECT_TRUE(filter_signature_indices(nullptr, out, filters));
    EXPECT_EQ(out, (std::vector<uint32>{1, 3}));
    EXPECT_FALSE(filter_signature_indices(nullptr, out, std::vector<filter_entry>(2)));
    EXPECT_TRUE(out.empty());
}

}  // namespace

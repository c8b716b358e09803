#include "text/extras/number_list_parsers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct bytes_case {
    const char* name;
    std::string text;
    bool ok;
    byte_array bytes;
};

class HexPairsToBytesInto : public ::testing::TestWithParam<bytes_case> {};

TEST_P(HexPairsToBytesInto, ReadsTwoCharactersAtATime) {
    const bytes_case& c = GetParam();
    byte_array out{9, 9};
    EXPECT_EQ(&hex_pairs_to_bytes(out, c.text), &out);
    EXPECT_EQ(out, c.bytes);
}

const bytes_case hex_pair_cases[] = {
    {"Pairs", "1f2030", true, {0x1F, 0x20, 0x30}},
    {"OddLast", "abc", true, {0xAB, 0x0C}},
    {"NotHex", "zz", true, {0x00}},
    {"LeadingDigitOnly", "1z", true, {0x01}},
    {"Empty", "", true, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, HexPairsToBytesInto, ::testing::ValuesIn(hex_pair_cases),
                         [](const auto& p) { return std::string(p.param.name); });

class HexDumpToBytes : public ::testing::TestWithParam<bytes_case> {};

TEST_P(HexDumpToBytes, ReadsTheByteColumn) {
    const bytes_case& c = GetParam();
    byte_array out{9};
    EXPECT_EQ(hex_dump_to_bytes(out, c.text), c.ok);
    EXPECT_EQ(out, c.bytes);
}

const bytes_case hex_dump_cases[] = {
    {"TwoLines", "00000000  41 42 43 44  ABCD\n00000004  45 46        EF", true,
     {0x41, 0x42, 0x43, 0x44, 0x45, 0x46}},
    {"CrLfLines", "00  41 42  AB\r\n02  43 44  CD\r\n", true, {0x41, 0x42, 0x43, 0x44}},
    // The characters column of a later line lies outside the byte column.
    {"CharactersNotRead", "00  41  A\n01  42  4142", true, {0x41, 0x42}},
    {"StopsAtEmptyColumn", "00  41  A\n\nxx\n02  43  C", true, {0x41}},
    {"ItemsOtherThanPairsSkipped", "00  41 4 zz 042 43  A", true, {0x41, 0x43}},
    {"ShortLaterLineEnds", "00000000  41  A\n1\n00000002  42  B", true, {0x41}},
    {"NoDoubleBlank", "00000000 41 42 43", false, {}},
    {"OneGapOnly", "00000000  41 42 43", false, {}},
    {"NoPairs", "00  zz  A", false, {}},
    {"Empty", "", false, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, HexDumpToBytes, ::testing::ValuesIn(hex_dump_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(HexDumpToBytes, RaggedDumpsNeverReadPastALine) {
    std::string dump = "00000000  41 42 43 44 45 46 47 48  ABCDEFGH\n";
    for (std::size_t cut = 0; cut <= dump.size(); ++cut) {
        std::string ragged = dump + dump.substr(0, cut) + "\n" + dump.substr(cut);
        byte_array out;
        (void)hex_dump_to_bytes(out, ragged);  // any result; no read outside the text
        EXPECT_LE(out.size(), 24U) << cut;
    }
}

TEST(TextToInt64List, OtherSeparatorsAppend) {
    std::vector<int64> list{7};
    EXPECT_TRUE(text_to_int64_list("1,x10,-1", list, ','));
    EXPECT_EQ(list, (std::vector<int64>{7, 1, 16, -1}));
    EXPECT_TRUE(text_to_int64_list(" 5 ;junk;;o17", list, ';'));
    EXPECT_EQ(list, (std::vector<int64>{7, 1, 16, -1, 5, 15}));
    // "True when the list is not empty" counts the items it already held.
    EXPECT_TRUE(text_to_int64_list("junk", list, ','));
}

TEST(TextToInt64List, BlankSeparatorEmptiesFirst) {
    std::vector<int64> list{7};
    EXPECT_TRUE(text_to_int64_list("1 x10 -1", list, ' '));
    EXPECT_EQ(list, (std::vector<int64>{1, 16, -1}));
    EXPECT_FALSE(text_to_int64_list("junk", list, ' '));
    EXPECT_TRUE(list.empty());
}

TEST(TextToByteList, KeepsTheLowByteOfEachNumber) {
    byte_array out{9};
    EXPECT_TRUE(text_to_byte_list("1 0x1ff 'A' junk -2", out));
    EXPECT_EQ(out, (byte_array{0x01, 0xFF, 0x41}));
    EXPECT_FALSE(text_to_byte_list("junk", out));
    EXPECT_TRUE(out.empty());
}

struct first_separator_case {
    const char* name;
    std::string text;
    bool trim;
    bool keep_empty;
    std::string candidates;
    char separator;
    std::vector<uint64> values;
};

class SplitNumbersFirstSeparator : public ::testing::TestWithParam<first_separator_case> {};

TEST_P(SplitNumbersFirstSeparator, UsesTheFirstCandidatePresent) {
    const first_separator_case& c = GetParam();
    std::vector<uint64> list{42};
    EXPECT_EQ(split_numbers_first_separator(list, c.text, c.trim, c.keep_empty, c.candidates),
              c.separator);
    EXPECT_EQ(list, c.values);
}

const first_separator_case first_separator_cases[] = {
    {"Pipe", "5|6", true, false, ",|", '|', {5, 6}},
    {"FirstPresentCandidate", "1,2", true, false, "|,", ',', {1, 2}},
    {"HexAndOctal", "0x10,o10,10", false, false, ",", ',', {16, 8, 10}},
    {"NoCandidateWholeText", "17", true, false, ",|", 0, {17}},
    {"EmptyPartsKept", "1,,2", false, true, ",", ',', {1, 2}},
    {"Empty", "", true, false, ",", 0, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, SplitNumbersFirstSeparator,
                         ::testing::ValuesIn(first_separator_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(SplitNumbersFirstSeparator, SeparatorOfTheFirstPresentCandidate) {
    std::vector<uint64> list;
    EXPECT_EQ(split_numbers_first_separator(list, "1|2,3", true, false, ",|"), ',');
    // A NUL among the candidates ends them, as it ends a C string.
    EXPECT_EQ(split_numbers_first_separator(list, "1|2", true, false, std::string(",\0|", 3)), 0);
    EXPECT_EQ(split_numbers_first_separator(list, "|", true, false, "|"), '|');
}

TEST(WhexToBytesExact, ExactlyNBytes) {
    uint8 out[3] = {0, 0, 0};
    EXPECT_TRUE(whex_to_bytes_exact(L"01:ab:ff", out, 3));
    EXPECT_EQ(byte_array(out, out + 3), (byte_array{0x01, 0xAB, 0xFF}));
    EXPECT_FALSE(whex_to_bytes_exact(L"01:ab:ff", out, 2));
    EXPECT_FALSE(whex_to_bytes_exact(nullptr, out, 3));
}

TEST(WideNumbers, ReadTheirUtf8Form) {
    double d = 1;
    EXPECT_TRUE(wtext_to_double(L"2.5", d));
    EXPECT_DOUBLE_EQ(d, 2.5);
    EXPECT_FALSE(wtext_to_double(L"", d));
    EXPECT_FALSE(wtext_to_double(nullptr, d));

    uint64 u = 1;
    EXPECT_TRUE(wtext_to_uint64(L"0x10", u));
    EXPECT_EQ(u, 16U);
    EXPECT_TRUE(wtext_to_uint64(L"o17", u));
    EXPECT_EQ(u, 15U);
    EXPECT_FALSE(wtext_to_uint64(L"-1", u));
    EXPECT_FALSE(wtext_to_uint64(L"", u));
}

TEST(TextToFloat, NonNumberIsZeroAndTrue) {
    float f = 1;
    EXPECT_TRUE(text_to_float("abc", f));
    EXPECT_EQ(f, 0.0F);
    EXPECT_TRUE(text_to_float("1.5e2", f));
    EXPECT_EQ(f, 150.0F);
    EXPECT_FALSE(text_to_float(nullptr, f));
    EXPECT_TRUE(wtext_to_float(L"-0.25", f));
    EXPECT_EQ(f, -0.25F);
    EXPECT_TRUE(wtext_to_float(L"abc", f));
    EXPECT_EQ(f, 0.0F);
    EXPECT_FALSE(wtext_to_float(nullptr, f));
}

}  // namespace

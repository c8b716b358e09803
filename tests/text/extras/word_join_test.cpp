#include "text/extras/word_join.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const char* name_of(int value) {
    switch (value) {
        case 1:
            return "read";
        case 2:
            return "write";
        case 3:
            return nullptr;
        default:
            return "x";
    }
}

TEST(JoinWords, CaseAndSeparatorFlags) {
    EXPECT_EQ(join_words(2 | 0x40000000 | 0x1000000, "ab", "cd"), "Ab.cd");
    EXPECT_EQ(join_words(3 | 0x20000000 | 0x10000000, "ab", "", "cd"), "Ab__Cd");
    EXPECT_EQ(join_words(2 | 0x8000000 | 0x80000000, "ab", "cD"), "AB CD");
    EXPECT_EQ(join_words(2 | 0x800000 | 0x200000, "AB", "Cd"), "ab|cd");
    EXPECT_EQ(join_words(2, "ab", "cd"), "abcd");
}

TEST(JoinWords, CountDecidesHowManyAreTaken) {
    EXPECT_EQ(join_words(1 | 0x200000, "ab", "cd"), "ab");
    EXPECT_EQ(join_words(0x200000, "ab", "cd"), "");
    // More words asked for than given: nothing is read beyond them.
    EXPECT_EQ(join_words(3 | 0x200000, "ab", "cd"), "");
    const char* null_word = nullptr;
    EXPECT_EQ(join_words(2 | 0x200000, null_word, "cd"), "|cd");
}

TEST(JoinWordNames, NamesOfTheValues) {
    const int32 values[] = {1, 2, 0};
    EXPECT_EQ(join_word_names(0x20000000 | 0x200000, name_of, values), "Read|Write");
    EXPECT_EQ(join_word_names(1 | 0x2000000, name_of, values), "read");
    const int32 with_null_name[] = {1, 3, 2, 0};
    EXPECT_EQ(join_word_names(0x2000000, name_of, with_null_name), "read//write");
}

TEST(JoinWordNames, RefusesWhatCannotBeRead) {
    // Eleven values before the 0: read up to the eleventh, never further.
    const std::vector<int32> eleven = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(join_word_names(0, name_of, eleven.data()), "");
    const int32 zero_inside[] = {1, 0, 2};
    EXPECT_EQ(join_word_names(3, name_of, zero_inside), "");
    EXPECT_EQ(join_word_names(2, name_of, nullptr), "");
    EXPECT_EQ(join_word_names(2, nullptr, zero_inside), "");
}

}  // namespace

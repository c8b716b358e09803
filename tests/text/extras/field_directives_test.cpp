#include "text/extras/field_directives.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "time/kq_time.h"

namespace {

uint64 bits(std::initializer_list<int> numbers) {
    uint64 flags = 0;
    for (const int n : numbers) {
        flags |= 1ULL << n;
    }
    return flags;
}

struct field_case {
    const char* name;
    const char* text;
    const char* field_name;
    uint64 flags;
    uint32 numeric_arg = 0;
    const char* name_arg = "";
    const char* text_arg = "";
    std::map<std::string, std::string> pairs = {};
    std::vector<std::string> list = {};
};

class ParseFieldSpec : public ::testing::TestWithParam<field_case> {};

TEST_P(ParseFieldSpec, LeavesNameAndRecordsDirectives) {
    const field_case& c = GetParam();
    output_field_spec spec;
    spec.m_list.emplace_back("left over from an earlier column");
    std::string text = c.text;
    EXPECT_TRUE(parse_field_spec(spec, text));
    EXPECT_EQ(spec.m_name, c.field_name);
    EXPECT_EQ(text, spec.m_name);
    EXPECT_EQ(spec.m_flags, c.flags);
    EXPECT_TRUE(spec.m_valid);
    EXPECT_EQ(spec.m_numeric_arg, c.numeric_arg);
    EXPECT_EQ(spec.m_name_arg, c.name_arg);
    EXPECT_EQ(spec.m_text_arg, c.text_arg);
    EXPECT_EQ(spec.m_pairs, c.pairs);
    EXPECT_EQ(spec.m_list, c.list);
    EXPECT_EQ(spec.m_aux_index, -1);
}

const field_case field_cases[] = {
    {"Empty", "", "", 0},
    {"PlainNameTrimmed", "  Arrival\t\r\n", "Arrival", 0},
    // Exclusive forms: the first that applies is the only directive taken.
    {"AllNamesKeepsOtherDirectives", "Name!AN!B64", "Name!B64", bits({56})},
    {"AllNamesEveryOccurrence", "a!AN b!AN", "a b", bits({56})},
    {"AllFieldsAlone", "x!AF!R", "x!R", bits({58})},
    {"AllFieldsBesideNameArgIsNoExclusiveForm", "x!AF!AFN(y)", "x!AF", bits({32}), 0, "y"},
    {"LibraryPathFromNumber", "!AP5", "Library/SyncedPreferences/", bits({57})},
    {"LibraryPathKeepsPath", "!APa/b", "a/b", bits({57})},
    {"LibraryPathOfNoNumberKeepsText", "!APabc", "abc", bits({57})},
    // Reserved names are matched before trimming.
    {"AllDates", "(all dates)", "(all dates)", bits({20})},
    {"AllDatesAfterBlankIsAName", " (all dates)", "(all dates)", 0},
    {"OtherFields", "(other fields)", "(other fields)", bits({44})},
    {"UnnamedPrefix", "(unnamed)q", "(unnamed)q", bits({35})},
    {"ReservedNameWithDirective", "(unnamed)!R", "(unnamed)", bits({35, 0})},
    // Directives removed wherever they occur, also inside words.
    {"EveryOccurrence", "a!Rb!R!WP!NR!SS!B64!Z!L2TS!DM!DA!DC!DB!DE!JC", "ab",
     bits({0, 2, 43, 49, 59, 21, 53, 14, 15, 16, 17, 61, 60})},
    {"InsideAWord", "x!Rx", "xx", bits({0})},
    {"UnknownWordStays", "a!Q", "a!Q", 0},
    {"RowNotLookedForAgain", "!J!RC", "!JC", bits({0})},
    {"RemovalJoinsAnotherOccurrence", "a!!RR", "a", bits({0})},
    // "!SKV" and "!SK".
    {"SkvThenSk", "a!SKV!SK", "a", bits({55, 52})},
    {"SkTakesTheSkOfSkv", "a!SK!SKV", "aV", bits({52})},
    {"SkAtTheEnd", "a!SK", "a", bits({52})},
    // Numeric-argument form.
    {"OneDigit", "t!TS15", "t", bits({8}), 5},
    {"NoSelectorLeavesDigit", "t!TS3", "t3", bits({8}), 0},
    {"TwoDigits", "v!TF212", "v", bits({3}), 12},
    {"SelectorZero", "v!TU0x", "vx", bits({4}), 0},
    {"HexDigitsThroughTheNumberParser", "v!TC2x5", "v", bits({11}), 5},
    {"SelectorWithoutDigit", "v!TH1", "v", bits({10}), 0},
    {"SecondSelectorDigitMissing", "v!TO2", "v", bits({5}), 0},
    {"OnlyFirstOccurrence", "a!TG!TG", "a!TG", bits({6})},
    {"LastHandledWins", "a!BP15!TS", "a", bits({45, 8}), 0},
    {"TimeKinds", "t!TAA!TMG!TMZ", "t", bits({9, 7, 12})},
    {"AppleHours", "t!TAH!TAH", "t!TAH", bits({19})},
    {"SpacingDigit", "!SP7x", "x", bits({47}), 7},
    {"SpacingTakesAnyCharacter", "a!SPqb", "ab", bits({47}), 0},
    {"SpacingAtTheEnd", "a!SP", "a", bits({47}), 0},
    // Parenthesised forms.
    {"CaptionAndRepeatedItems", "n!SR(a)!SR(b)!SC(c)", "n", bits({46, 48}), 0, "", "c", {},
     {"a", "b"}},
    {"CaptionWithoutCloseGoesToTheEnd", "n!SC(abc", "n", 0},
    {"CaptionWithoutCloseStopsAtNextDirective", "n!SC(abc!Q", "n!Q", 0},
    {"GoodItemThenBrokenItem", "n!SR(b)!SR(a", "n", bits({46}), 0, "", "", {}, {"b"}},
    {"ItemReachesToTheNextClose", "n!SR(a!SR(b)", "n", bits({46}), 0, "", "", {}, {"a!SR(b"}},
    {"CaptionOnlyOnce", "n!SC(a)!SC(b)", "n!SC(b)", bits({48}), 0, "", "a"},
    {"ColumnName", "n!CFN(Col)", "n", bits({50}), 0, "Col"},
    // "!CT".
    {"CtPair", "c!CT(nm:tx)", "c", bits({51}), 0, "nm", "tx"},
    {"CtWithDigitAndPair", "c!CT13(nm:tx)", "c", bits({51}), 3, "nm", "tx"},
    {"CtLetterDropsToNextDirective", "c!CTxy!Q", "c!Q", bits({51})},
    {"CtAtTheEnd", "c!CT", "c", bits({51})},
    {"CtBrokenPairClearsBit", "c!CT(ab", "c", 0},
    {"CtPairWithoutClose", "c!CT(a:b", "c", 0},
    // "!S(" pairs.
    {"PairsFirstValueKept", "f!S(k:1)!S(k:2)!S(j:3)", "f", bits({34}), 0, "", "",
     {{"j", "3"}, {"k", "1"}}},
    {"BrokenPairDropped", "f!S(j:3)!S(k1)", "f", bits({34}), 0, "", "", {{"j", "3"}}},
    {"BrokenPairOnly", "f!S(k", "f", 0},
    // The escaped line break: backslash and "n", the first one only.
    {"EscapedBreakFirstOnly", "a\\nb\\nc", "ab\\nc", 0},
    {"EscapedBreakAfterTrim", " a\\n ", "a", 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, ParseFieldSpec, ::testing::ValuesIn(field_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ParseFieldSpec, EveryPrefixOfAHostileTextParses) {
    const std::string hostile =
        "(unnamed)!JC!R!SKV!SK!L2TS!BP2!TS1!TF2!TAH!TAA1x!TMZ0!SP!SC(a!SR(b)!SR(!AFN(n"
        "!CFN(c)!CT2(x:!CT(y!S(k:v)!S(k!S(:)!S(\\n!";
    for (std::size_t length = 0; length <= hostile.size(); ++length) {
        std::string text = hostile.substr(0, length);
        output_field_spec spec;
        EXPECT_TRUE(parse_field_spec(spec, text)) << length;
        EXPECT_EQ(text, spec.m_name) << length;
        EXPECT_LE(text.size(), length);
    }
}

TEST(ParseFieldSpec, TimeBitsReachTheTimeLibrary) {
    output_field_spec spec;
    std::string unix_column = "t!TU";
    ASSERT_TRUE(parse_field_spec(spec, unix_column));
    EXPECT_EQ(kq::field_value_to_filetime(1700000000, spec, false), 133444736000000000);

    std::string filetime_column = "t!TF";
    ASSERT_TRUE(parse_field_spec(spec, filetime_column));
    EXPECT_EQ(kq::field_value_to_filetime(133444736000000000ULL, spec, false),
              133444736000000000);
}

TEST(LibraryPathFromText, NumberBitsNameFolders) {
    EXPECT_EQ(library_path_from_text("3"), "Library/Preferences/");
    EXPECT_EQ(library_path_from_text("0x100000001"), "Library/");
    EXPECT_EQ(library_path_from_text("0"), "");
    EXPECT_EQ(library_path_from_text("lib"), "");
    EXPECT_EQ(library_path_from_text(""), "");
}

}  // namespace

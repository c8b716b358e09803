#include "text/extras/option_value_lookups.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "text/extras/packed_option_name.h"

namespace {

using strings = std::vector<std::string>;

std::wstring wide(const std::string& text) { return {text.begin(), text.end()}; }
std::string narrow(const std::wstring& text) {
    std::string out;
    for (const wchar_t c : text) {
        out.push_back(static_cast<char>(c));
    }
    return out;
}

// A mutable argument array over copies of the texts, as a program receives one.
template <typename Char>
class argument_array {
public:
    explicit argument_array(const strings& items) {
        for (const std::string& item : items) {
            m_texts.emplace_back(item.begin(), item.end());
        }
        for (auto& text : m_texts) {
            m_pointers.push_back(text.data());
        }
        count = static_cast<int32>(m_pointers.size());
    }
    Char** data() { return m_pointers.data(); }
    [[nodiscard]] strings left() const {
        strings out;
        for (int32 i = 0; i < count; ++i) {
            std::basic_string<Char> text(m_pointers[static_cast<std::size_t>(i)]);
            out.emplace_back(text.begin(), text.end());
        }
        return out;
    }
    int32 count = 0;

private:
    std::vector<std::basic_string<Char>> m_texts;
    std::vector<Char*> m_pointers;
};

struct take_result {
    bool taken = false;
    strings values;
    strings left;
};

const std::string unset = "unset";

take_result take2_narrow_array(const strings& list, const char* option) {
    argument_array<char> args(list);
    std::string v1 = unset;
    std::string v2 = unset;
    const bool taken = take_option_value2_argv(option, v1, v2, args.count, args.data());
    return {taken, {v1, v2}, args.left()};
}

take_result take2_wide_array(const strings& list, const char* option) {
    argument_array<wchar_t> args(list);
    std::wstring v1 = wide(unset);
    std::wstring v2 = wide(unset);
    const bool taken = take_option_value2_wargv(option, v1, v2, args.count, args.data());
    return {taken, {narrow(v1), narrow(v2)}, args.left()};
}

take_result take2_list(const strings& list, const char* option) {
    strings left = list;
    std::string v1 = unset;
    std::string v2 = unset;
    const bool taken = take_option_value2(option, v1, v2, left);
    return {taken, {v1, v2}, left};
}

struct lookup_case {
    const char* name;
    strings list;
    const char* option;
    take_result from_arrays;  // narrow and wide argument arrays
    take_result from_list;
};

const strings not_taken = {unset, unset};
const strings the_list = {"prog", "-X", "a", "-OUT", "v1", "v2", "t"};

const lookup_case lookup_cases[] = {
    {"TwoValuesAnyCase", the_list, "-out",
     {true, {"v1", "v2"}, {"prog", "-X", "a", "t"}},
     {true, {"v1", "v2"}, {"prog", "-X", "a", "t"}}},
    {"TooFewValues", {"prog", "-out", "v1"}, "-out",
     {false, not_taken, {"prog", "-out", "v1"}},
     {false, not_taken, {"prog", "-out", "v1"}}},
    // Entry 0 of an argument array is the program and is never matched; lists search it.
    {"EntryZero", {"-out", "a", "b"}, "-out",
     {false, not_taken, {"-out", "a", "b"}},
     {true, {"a", "b"}, {}}},
    // The first match decides, and values are taken whatever they look like.
    {"FirstMatchTakesOptionLikeValue", {"prog", "-x", "1", "-x", "2", "3"}, "-x",
     {true, {"1", "-x"}, {"prog", "2", "3"}},
     {true, {"1", "-x"}, {"prog", "2", "3"}}},
    // The first match lacks its values: no later match is looked for.
    {"FirstMatchShortDecides", {"prog", "a", "-out", "-OUT"}, "-out",
     {false, not_taken, {"prog", "a", "-out", "-OUT"}},
     {false, not_taken, {"prog", "a", "-out", "-OUT"}}},
    {"LongerWordNeverMatches", {"prog", "-outx", "a", "b"}, "-out",
     {false, not_taken, {"prog", "-outx", "a", "b"}},
     {false, not_taken, {"prog", "-outx", "a", "b"}}},
    {"NullName", {"prog", "-out", "a", "b"}, nullptr,
     {false, not_taken, {"prog", "-out", "a", "b"}},
     {false, not_taken, {"prog", "-out", "a", "b"}}},
};

void expect_result(const take_result& got, const take_result& want, const char* kind) {
    EXPECT_EQ(got.taken, want.taken) << kind;
    EXPECT_EQ(got.values, want.values) << kind;
    EXPECT_EQ(got.left, want.left) << kind;
}

class TakeTwoValues : public ::testing::TestWithParam<lookup_case> {};

TEST_P(TakeTwoValues, EveryListKindFollowsTheSameRule) {
    const lookup_case& c = GetParam();
    expect_result(take2_narrow_array(c.list, c.option), c.from_arrays, "narrow array");
    expect_result(take2_wide_array(c.list, c.option), c.from_arrays, "wide array");
    expect_result(take2_list(c.list, c.option), c.from_list, "string list");
}

INSTANTIATE_TEST_SUITE_P(Cases, TakeTwoValues, ::testing::ValuesIn(lookup_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(TakeOptionValues, ThreeAndFourValuesInEveryKind) {
    const strings list = {"prog", "-o", "1", "2", "3", "4", "z"};
    std::array<std::string, 4> v;
    argument_array<char> narrow3(list);
    ASSERT_TRUE(take_option_value3_argv("-O", v[0], v[1], v[2], narrow3.count, narrow3.data()));
    EXPECT_EQ((strings{v[0], v[1], v[2]}), (strings{"1", "2", "3"}));
    EXPECT_EQ(narrow3.left(), (strings{"prog", "4", "z"}));
    argument_array<char> narrow4(list);
    ASSERT_TRUE(
        take_option_value4_argv("-o", v[0], v[1], v[2], v[3], narrow4.count, narrow4.data()));
    EXPECT_EQ(v[3], "4");
    EXPECT_EQ(narrow4.left(), (strings{"prog", "z"}));

    std::array<std::wstring, 4> w;
    argument_array<wchar_t> wide3(list);
    ASSERT_TRUE(take_option_value3_wargv("-o", w[0], w[1], w[2], wide3.count, wide3.data()));
    EXPECT_EQ(w[2], L"3");
    EXPECT_EQ(wide3.left(), (strings{"prog", "4", "z"}));
    argument_array<wchar_t> wide4(list);
    ASSERT_TRUE(take_option_value4_wargv("-o", w[0], w[1], w[2], w[3], wide4.count, wide4.data()));
    EXPECT_EQ(w[3], L"4");
    EXPECT_EQ(wide4.left(), (strings{"prog", "z"}));

    strings left = list;
    ASSERT_TRUE(take_option_value3("-o", v[0], v[1], v[2], left));
    EXPECT_EQ(left, (strings{"prog", "4", "z"}));

    // Four values wanted, three there: nothing moves.
    argument_array<char> short4({"prog", "-o", "1", "2", "3"});
    v[3] = "kept";
    EXPECT_FALSE(
        take_option_value4_argv("-o", v[0], v[1], v[2], v[3], short4.count, short4.data()));
    EXPECT_EQ(short4.count, 5);
    EXPECT_EQ(v[3], "kept");
}

TEST(TakeOptionValues, WideSingleValueAndFlag) {
    argument_array<wchar_t> args({"prog", "-V", "-in", "x"});
    std::wstring value = L"stale";
    EXPECT_FALSE(take_option_value_wargv("-absent", value, args.count, args.data()));
    EXPECT_TRUE(value.empty());  // emptied also when the option is absent
    ASSERT_TRUE(take_option_value_wargv("-IN", value, args.count, args.data()));
    EXPECT_EQ(value, L"x");
    ASSERT_TRUE(take_flag_wargv("-v", args.count, args.data()));
    EXPECT_EQ(args.left(), (strings{"prog"}));
    EXPECT_FALSE(take_flag_wargv("prog", args.count, args.data()));
}

TEST(TakeOptionValues, FlagTextKeepsTheListsSpelling) {
    strings list = {"a", "-Keep", "b"};
    std::string entry;
    ASSERT_TRUE(take_flag_text("-keep", entry, list));
    EXPECT_EQ(entry, "-Keep");
    EXPECT_EQ(list, (strings{"a", "b"}));
    entry = "untouched";
    EXPECT_FALSE(take_flag_text("-keep", entry, list));
    EXPECT_EQ(entry, "untouched");
}

struct option_list_case {
    const char* name;
    strings list;
    bool taken;
    std::string count_text;
    strings values;
    strings left;
};

const option_list_case option_list_cases[] = {
    {"CountedValues", {"-l", "2", "a", "b", "c"}, true, "2", {"a", "b"}, {"c"}},
    {"TooFewValues", {"-l", "2", "a"}, false, "2", {}, {"-l", "2", "a"}},
    {"NegativeCountTakesOnlyTwo", {"-l", "-1", "a"}, true, "-1", {}, {"a"}},
    {"CountNotANumber", {"x", "-L", "abc", "y"}, true, "abc", {}, {"x", "y"}},
    {"OptionLast", {"a", "-l"}, false, "", {}, {"a", "-l"}},
    // A count near the int range must not wrap past the list's end.
    {"HugeCount", {"-l", "2147483647", "a"}, false, "2147483647", {}, {"-l", "2147483647", "a"}},
};

class TakeOptionList : public ::testing::TestWithParam<option_list_case> {};

TEST_P(TakeOptionList, TakesTheCountedValues) {
    const option_list_case& c = GetParam();
    strings list = c.list;
    std::string count_text = "stale";
    strings values = {"stale"};
    EXPECT_EQ(take_option_list("-l", count_text, values, list), c.taken);
    EXPECT_EQ(count_text, c.count_text);
    EXPECT_EQ(values, c.values);
    EXPECT_EQ(list, c.left);
}

INSTANTIATE_TEST_SUITE_P(Cases, TakeOptionList, ::testing::ValuesIn(option_list_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(PackedOptionName, KeepsLowerCaseLettersMostSignificantFirst) {
    EXPECT_EQ(packed_option_name(0x766D646B), "-vmdk");
    EXPECT_EQ(packed_option_name(0x566D646B), "-mdk");  // 'V' is skipped, not folded
    EXPECT_EQ(packed_option_name(0), "-");
    EXPECT_EQ(packed_option_name(0x6100'0000'0000'007AULL), "-az");
}

TEST(TakePackedFlag, FindsTheWordInAnyCase) {
    strings list = {"a", "-VMDK"};
    EXPECT_TRUE(take_packed_flag(0x766D646B, list, true));
    EXPECT_EQ(list, (strings{"a", "-VMDK"}));
    EXPECT_FALSE(take_packed_flag(0x566D646B, list, false));
    EXPECT_TRUE(take_packed_flag(0x766D646B, list, false));
    EXPECT_EQ(list, (strings{"a"}));
}

}  // namespace

#include "text/text_replace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

TEST(ReplaceFirst, NocaseKeepsTextCaseAndLowersCallersPattern) {
    std::string text = "Mydb.db";
    std::string pattern = "DB";
    ASSERT_TRUE(replace_first(text, pattern, "x", true));
    EXPECT_EQ(text, "Myx.db");
    EXPECT_EQ(pattern, "db");

    std::string absent = "zz";
    EXPECT_FALSE(replace_first(text, absent, "y", false));
    EXPECT_EQ(text, "Myx.db");
}

TEST(ReplaceFirst, EmptyPatternInsertsAtFrontOfNonEmptyTextOnly) {
    std::string text = "abc";
    std::string empty;
    ASSERT_TRUE(replace_first(text, empty, "<", false));
    EXPECT_EQ(text, "<abc");
    std::string nothing;
    EXPECT_FALSE(replace_first(nothing, empty, "<", false));
    EXPECT_EQ(nothing, "");
}

TEST(ReplaceFirst, WideTwinAndCStringForm) {
    std::wstring text = L"Name.DB";
    std::wstring pattern = L".db";
    ASSERT_TRUE(wreplace_first(text, pattern, L"!", true));
    EXPECT_EQ(text, L"Name!");

    std::string narrow = "C:\\Temp\\x";
    ASSERT_TRUE(replace_first_nocase_cstr(narrow, "TEMP", "tmp"));
    EXPECT_EQ(narrow, "C:\\tmp\\x");
    EXPECT_FALSE(replace_first_nocase_cstr(narrow, nullptr, "a"));
}

TEST(ReplaceAll, NeverRescansInsertedText) {
    std::string text = "aaa";
    replace_all(text, "aa", "b");
    EXPECT_EQ(text, "ba");

    std::string grows = "a.a";
    replace_all(grows, "a", "aa");  // the inserted "aa" is not searched again
    EXPECT_EQ(grows, "aa.aa");

    std::string out = "stale";
    replace_all_copy(out, "abc", "", "x");
    EXPECT_EQ(out, "");
    replace_all_copy(out, "a,b,,c", ",", ", ");
    EXPECT_EQ(out, "a, b, , c");
}

TEST(EraseAndTruncate, FirstOccurrenceAndCut) {
    std::string text = "CREATE TABLE t";
    std::string pattern = "create ";
    ASSERT_TRUE(erase_first(text, pattern, true));
    EXPECT_EQ(text, "TABLE t");

    std::string name = "name.db";
    ASSERT_TRUE(truncate_at(name, ".DB", true));
    EXPECT_EQ(name, "name");
    EXPECT_FALSE(truncate_at(name, ".DB", false));
    std::string path = "a/b/c";
    ASSERT_TRUE(truncate_at_char(path, '/', false));
    EXPECT_EQ(path, "a");
}

TEST(WideBufferErase, WritesShorterTextBackWithItsTerminator) {
    wchar_t buffer[] = L"C:\\Data\\Notes.TXT";
    ASSERT_TRUE(werase_first_in_buffer(buffer, L"\\notes", true));
    EXPECT_STREQ(buffer, L"C:\\Data.TXT");
    EXPECT_FALSE(werase_first_in_buffer(buffer, L"absent", false));
    EXPECT_STREQ(buffer, L"C:\\Data.TXT");
    EXPECT_FALSE(werase_first_in_buffer(nullptr, L"a", false));

    wchar_t accented[] = L"caf\u00e9 au lait";
    ASSERT_TRUE(werase_first_in_buffer(accented, L"\u00e9 au", false));
    EXPECT_STREQ(accented, L"caf lait");
}

TEST(WideBufferErase, LeavesTextTheUtf8FormCannotCarry) {
    wchar_t buffer[] = {L'a', L'b', static_cast<wchar_t>(0x110000), L'c', 0};
    EXPECT_FALSE(werase_first_in_buffer(buffer, L"a", false));
    EXPECT_EQ(buffer[3], L'c');
}

char* heap_copy(const char* bytes, std::size_t n) {
    auto* p = static_cast<char*>(std::malloc(n));  // NOLINT(cppcoreguidelines-no-malloc)
    std::memcpy(p, bytes, n);
    return p;
}

TEST(EraseAllInBuffer, ReplacesBufferOnlyWhenSomethingWasRemoved) {
    char* buffer = heap_copy("xabab", 5);
    int length = 5;
    ASSERT_TRUE(erase_all_in_buffer(&buffer, &length, "ab", false));
    ASSERT_EQ(length, 1);
    EXPECT_EQ(buffer[0], 'x');

    char* unchanged = buffer;
    ASSERT_TRUE(erase_all_in_buffer(&buffer, &length, "zz", false));
    EXPECT_EQ(buffer, unchanged);
    EXPECT_EQ(length, 1);
    std::free(buffer);  // NOLINT(cppcoreguidelines-no-malloc)

    char* mixed = heap_copy("aXbxB\0x", 7);
    int mixed_length = 7;
    ASSERT_TRUE(erase_all_in_buffer(&mixed, &mixed_length, "xb", true));
    EXPECT_EQ(std::string(mixed, static_cast<std::size_t>(mixed_length)), std::string("a\0x", 3));
    std::free(mixed);  // NOLINT(cppcoreguidelines-no-malloc)
}

TEST(EraseAllInBuffer, RefusesMissingInputsAndEmptyPatternRemovesNothing) {
    char* buffer = heap_copy("abc", 3);
    int length = 3;
    EXPECT_FALSE(erase_all_in_buffer(&buffer, &length, nullptr, false));
    int zero = 0;
    EXPECT_FALSE(erase_all_in_buffer(&buffer, &zero, "a", false));
    char* null_buffer = nullptr;
    EXPECT_FALSE(erase_all_in_buffer(&null_buffer, &length, "a", false));
    ASSERT_TRUE(erase_all_in_buffer(&buffer, &length, "", false));
    EXPECT_EQ(length, 3);
    // A pattern longer than what remains: the tail is copied as it is.
    ASSERT_TRUE(erase_all_in_buffer(&buffer, &length, "bcd", false));
    EXPECT_EQ(length, 3);
    std::free(buffer);  // NOLINT(cppcoreguidelines-no-malloc)
}

TEST(SingleCharacters, RemoveAndReplace) {
    std::string text = "a|b||c";
    EXPECT_EQ(remove_char(text, '|'), 3);
    EXPECT_EQ(text, "abc");

    std::string banana = "banana";
    replace_char(banana, 'a', 'A', true);  // one pass: replaced positions are not revisited
    EXPECT_EQ(banana, "bAnAnA");
    std::string both = "xXyx";
    replace_char(both, 'x', '_', true);
    EXPECT_EQ(both, "__y_");
    std::string one_case = "xXyx";
    replace_char(one_case, 'x', '_', false);
    EXPECT_EQ(one_case, "_Xy_");

    std::wstring wide = L"A-a-b";
    wreplace_chars(wide, L'a', L'*', true);
    EXPECT_EQ(wide, L"*-*-b");

    char buffer[] = {'Q', 'q', 'z', 'Q'};
    replace_char_in_buffer(buffer, 3, 'q', '.', true);  // the 4th byte lies outside the count
    EXPECT_EQ(std::string(buffer, 4), "..zQ");
    wchar_t wbuffer[] = {L'Q', L'q', L'z'};
    wreplace_char_in_buffer(wbuffer, 3, L'Q', L'.', false);
    EXPECT_EQ(std::wstring(wbuffer, 3), L".qz");
}

TEST(Parentheses, OuterContentAndFlatRemoval) {
    std::string out = "stale";
    ASSERT_TRUE(text_in_parentheses("t (a INTEGER, b TEXT(10)) x", out));
    EXPECT_EQ(out, "a INTEGER, b TEXT(10)");
    EXPECT_FALSE(text_in_parentheses("a ) b ( c", out));
    EXPECT_EQ(out, "");

    ASSERT_TRUE(remove_parenthesised("a (x) b (y) c", out));
    EXPECT_EQ(out, "a  b  c");
    ASSERT_TRUE(remove_parenthesised("((a)b)", out));  // groups do not nest
    EXPECT_EQ(out, "b)");
    EXPECT_FALSE(remove_parenthesised("a (b", out));
    EXPECT_EQ(out, "a (b");
    EXPECT_FALSE(remove_parenthesised("plain", out));
    EXPECT_EQ(out, "");
}

TEST(ArgumentLists, RemoveAtKeepsOrderAndRefusesBadIndexes) {
    std::vector<std::string> list = {"a", "b", "c"};
    EXPECT_FALSE(string_list_remove_at(3, list));
    EXPECT_FALSE(string_list_remove_at(-1, list));
    ASSERT_TRUE(string_list_remove_at(1, list));
    EXPECT_EQ(list, (std::vector<std::string>{"a", "c"}));

    std::vector<std::wstring> wide = {L"a", L"b"};
    ASSERT_TRUE(wstring_list_remove_at(0, wide));
    EXPECT_EQ(wide, (std::vector<std::wstring>{L"b"}));

    char a[] = "velk";
    char b[] = "-q";
    char c[] = "-db";
    char* argv[] = {a, b, c};
    int argc = 3;
    EXPECT_FALSE(argv_remove_at(3, &argc, argv));
    ASSERT_TRUE(argv_remove_at(1, &argc, argv));
    EXPECT_EQ(argc, 2);
    EXPECT_STREQ(argv[1], "-db");

    wchar_t wa[] = L"x";
    wchar_t wb[] = L"y";
    wchar_t* wargv[] = {wa, wb};
    int wargc = 2;
    ASSERT_TRUE(wargv_remove_at(0, &wargc, wargv));
    EXPECT_EQ(wargc, 1);
    EXPECT_STREQ(wargv[0], L"y");
}

TEST(ArgumentLists, TakeOptionValueConsumesOptionAndValue) {
    std::vector<std::string> list = {"-x", "-out", "file"};
    std::string value;
    ASSERT_TRUE(take_option_value_str("-OUT", value, list));
    EXPECT_EQ(value, "file");
    EXPECT_EQ(list, (std::vector<std::string>{"-x"}));

    std::vector<std::string> last = {"-x", "-out"};
    value.clear();
    EXPECT_FALSE(take_option_value_str("-OUT", value, last));
    EXPECT_EQ(last, (std::vector<std::string>{"-x", "-out"}));
    EXPECT_EQ(value, "");
}

TEST(ArgumentLists, WideOptionValues) {
    std::vector<std::wstring> list = {L"-Range", L"1", L"2", L"-y"};
    std::wstring first;
    std::wstring second;
    ASSERT_TRUE(take_option_two_values_w("-range", first, second, list));
    EXPECT_EQ(first, L"1");
    EXPECT_EQ(second, L"2");
    EXPECT_EQ(list, (std::vector<std::wstring>{L"-y"}));

    std::vector<std::wstring> short_list = {L"-range", L"1"};
    EXPECT_FALSE(take_option_two_values_w("-range", first, second, short_list));
    EXPECT_EQ(short_list.size(), 2u);

    std::vector<std::wstring> paths = {L"-out", L"r\u00e9sultat.csv"};
    std::wstring value;
    ASSERT_TRUE(take_option_value_w("-OUT", value, paths));
    EXPECT_EQ(value, L"r\u00e9sultat.csv");
    EXPECT_TRUE(paths.empty());
}

}  // namespace

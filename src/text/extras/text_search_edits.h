#pragma once
// Searches that report where a needle stands, erasing by a found text, and small character
// edits and tests on a single text. Narrow and wide forms share one rule each.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

// pos receives the position just after the first needle found from start; false, pos -1,
// when there is none. A match counts only when it begins before the end of the text, so an
// empty needle at the end is no match. A negative start or a null needle finds nothing.
[[nodiscard]] bool find_after(int& pos, const std::string& text, int start,
                              const std::string& needle);
[[nodiscard]] bool wfind_after(int& pos, const std::wstring& text, int start,
                               const wchar_t* needle);
// pos receives the position of the first needle found from start (-1 when there is none).
[[nodiscard]] bool find_at(int& pos, const std::string& text, int start, const char* needle);
[[nodiscard]] bool wfind_at(int& pos, const std::wstring& text, int start, const wchar_t* needle);

// Position of needle in text, or -1; with ignore_case both are lower-cased in place first.
[[nodiscard]] int find_optional_nocase(std::string& text, std::string& needle, bool ignore_case);

// Erase from the first needle to the end, or the first needle only; false, text untouched,
// when the needle (never an empty one) does not occur.
bool werase_from(std::wstring& text, const std::wstring& needle, bool ignore_case);
bool werase_first(std::wstring& text, const std::wstring& needle, bool ignore_case);

// word receives the first blank-separated word, whose first occurrence is then erased from
// text (the blanks around it stay). False, word empty, for a text without a word.
bool take_first_word(std::string& text, std::string& word);

// The text without every c; "" when nothing else was there.
[[nodiscard]] std::string without_char(const std::string& text, char c);
[[nodiscard]] std::size_t count_char(const std::string& text, char c);
// True for a non-empty text of tabs, LFs, CRs and characters 0x20-0x7E only.
[[nodiscard]] bool is_plain_ascii_text(const std::string& text);
// Every byte that is not an ASCII letter becomes '_'; returns the length.
std::size_t letters_or_underscore(std::string& text);

// A backslash before every character that is in chars.
void escape_chars(std::string& text, const std::set<char>& chars);
void escape_chars_w(std::wstring& text, const std::set<wchar_t>& chars);
// The same over UTF-16 units; returns the number of backslashes inserted.
std::size_t escape_units(std::vector<uint16_t>& units, const std::set<wchar_t>& chars);

// lines = LFs + 1; longest = the most characters between two LFs (or before the first, or
// after the last). Always true: an empty text is one line of length 0.
bool line_stats(int& lines, int& longest, const std::string& text);

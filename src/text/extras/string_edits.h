#pragma once
// Small edits of narrow and wide strings: escaping a character, joining items with quotes,
// replacing pattern pairs, taking the value after a key, case-blind search and removal, and
// marking line breaks in wide text. Twins of the two widths share one implementation.

#include <string>
#include <vector>

// out receives text with every ASCII letter A-Z lower-cased (other bytes unchanged);
// a null text leaves out empty.
std::string& to_lower_copy(std::string& out, const char* text);

// Puts inserted before every target character: escaping quotes for a quoted field, say.
void insert_before_char(std::string& text, char target, char inserted);
void insert_before_char_w(std::wstring& text, wchar_t target, wchar_t inserted);

// out receives the non-empty items joined by blanks, an item holding a blank between double
// quotes (its own double quotes kept); count receives the number of items, empty ones
// included. False, out empty, for an empty list.
bool join_items_quoted(std::string& out, int& count, const std::vector<std::string>& items);
bool join_items_quoted_w(std::wstring& out, int& count, const std::vector<std::wstring>& items);

// Replaces every occurrence of patterns[i] by replacements[i], pair after pair, each pair
// working on the result of the ones before. Nothing happens for an empty text or lists of
// different or zero length.
std::string& replace_pairs(std::string& text, const std::vector<std::string>& patterns,
                           const std::vector<std::string>& replacements);

// The text after the first occurrence of key up to the first delimiter character after it
// (or the end), in the letter case of text. With nocase key and delimiters match in any
// case, and the caller's delimiters are lower-cased in place. "" for an empty text, a null
// key or an absent key.
[[nodiscard]] std::string value_after_key(const std::string& text, const char* key,
                                          std::string& delimiters, bool nocase);

// The first occurrence of pattern in text regardless of ASCII letter case, as a pointer into
// text; null when either is null or pattern does not occur.
[[nodiscard]] const char* find_nocase(const char* text, const char* pattern);

// Removes every occurrence of c; returns how many were removed.
int remove_char_w(std::wstring& text, wchar_t c);

// Replaces the first case-blind occurrence of pattern; false when there is none or either
// pointer is null.
[[nodiscard]] bool replace_first_nocase_w(std::wstring& text, const wchar_t* pattern,
                                          const wchar_t* replacement);

// Removes the first occurrence of pattern from the NUL-terminated text in buffer, which then
// holds the shorter text and its NUL. False, buffer unchanged, when either is null or the
// pattern does not occur.
[[nodiscard]] bool erase_first_in_buffer(char* buffer, const char* pattern, bool nocase);

// Wide text with its line breaks written as "[CRLF]", "[LFCR]", "[LF]" and "[CR]", the rule
// of mark_line_breaks.
std::wstring& mark_line_breaks_w(std::wstring& text);

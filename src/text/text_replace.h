#pragma once
// In-place editing of text: replacing or erasing the first or every occurrence of a pattern,
// cutting a text at a pattern, removing or replacing single characters, taking out
// parenthesised parts, and taking options out of argument lists.
//
// Case-blind forms fold ASCII letters only. With nocase, replace_first, wreplace_first and
// erase_first lower-case the CALLER'S pattern in place; callers that need it keep a copy.
// An empty pattern occurs at position 0 of a non-empty text and nowhere in an empty one.

#include <string>
#include <vector>

#include "text/kq_types.h"

// ---- Patterns --------------------------------------------------------------------------

// Replaces the first occurrence; false, text unchanged, when there is none.
[[nodiscard]] bool replace_first(std::string& text, std::string& pattern,
                                 const std::string& replacement, bool nocase);
[[nodiscard]] bool wreplace_first(std::wstring& text, std::wstring& pattern,
                                  const std::wstring& replacement, bool nocase);
// replace_first with nocase on copies of the two texts; false for a null pointer.
[[nodiscard]] bool replace_first_nocase_cstr(std::string& text, const char* pattern,
                                             const char* replacement);

// out receives source with every non-overlapping occurrence, found from the left, replaced;
// out stays empty when source or pattern is empty. Inserted text is never searched again.
std::string& replace_all_copy(std::string& out, const std::string& source,
                              const std::string& pattern, const std::string& replacement);
void replace_all(std::string& text, const std::string& pattern, const std::string& replacement);

// Erases the first occurrence; false when there is none.
[[nodiscard]] bool erase_first(std::string& text, std::string& pattern, bool nocase);
// Erases the first occurrence of pattern from a NUL-terminated wide buffer (compared as
// UTF-8 text) and writes the shorter text back with its NUL. False for a null pointer, an
// absent pattern, or text that does not survive the UTF-8 round trip unchanged.
[[nodiscard]] bool werase_first_in_buffer(wchar_t* buffer, const wchar_t* pattern, bool nocase);

// Erases from the first occurrence of pattern to the end; false when there is none.
[[nodiscard]] bool truncate_at(std::string& text, const std::string& pattern, bool nocase);
[[nodiscard]] bool truncate_at_char(std::string& text, char c, bool nocase);

// Removes every occurrence of pattern from the heap buffer *buffer of *length bytes. The
// buffer must come from std::malloc: when something was removed it is released with
// std::free and *buffer receives a new std::malloc buffer holding *length (now fewer) bytes.
// When nothing was removed buffer and length stay as they are. False for a null buffer or
// pattern, a length of 0 or less, or a failed allocation (buffer untouched).
[[nodiscard]] bool erase_all_in_buffer(char** buffer, int* length, const char* pattern,
                                       bool nocase);

// ---- Single characters -----------------------------------------------------------------

// Removes every occurrence of c; returns how many were removed.
int remove_char(std::string& text, char c);
// The same for narrow and wide text alike, so the twins share one rule.
template <typename Char>
int remove_char_in(std::basic_string<Char>& text, Char c) {
    return static_cast<int>(std::erase(text, c));
}
// Every old_c becomes new_c (with both_cases also its other letter case), each position
// replaced once; nothing happens when old_c equals new_c.
void replace_char(std::string& text, char old_c, char new_c, bool both_cases);
void wreplace_chars(std::wstring& text, wchar_t old_c, wchar_t new_c, bool both_cases);
// The same over a counted buffer; with nocase a character matches when its lower-case form
// equals that of old_c.
void replace_char_in_buffer(char* buffer, int length, char old_c, char new_c, bool nocase);
void wreplace_char_in_buffer(wchar_t* buffer, int count, wchar_t old_c, wchar_t new_c, bool nocase);

// ---- Parentheses -----------------------------------------------------------------------

// out receives what lies between the first "(" and the last ")" when the ")" comes after
// the "("; true when out is not empty.
[[nodiscard]] bool text_in_parentheses(const std::string& text, std::string& out);
// out receives the text with every "(...)" group cut out (groups do not nest); true when at
// least one group was cut.
[[nodiscard]] bool remove_parenthesised(const std::string& text, std::string& out);

// ---- Argument lists --------------------------------------------------------------------

// Moves the entries after index down by one and lowers the count; the strings themselves
// are not freed. False when index is not a valid entry.
[[nodiscard]] bool argv_remove_at(int index, int* count, char** array);
[[nodiscard]] bool wargv_remove_at(int index, int* count, wchar_t** array);
[[nodiscard]] bool string_list_remove_at(int index, std::vector<std::string>& list);
[[nodiscard]] bool wstring_list_remove_at(int index, std::vector<std::wstring>& list);

// Finds the first item equal to name regardless of case; when an item follows it, value
// receives that item and both are removed. Otherwise false, list unchanged.
[[nodiscard]] bool take_option_value_str(const std::string& name, std::string& value,
                                         std::vector<std::string>& list);
[[nodiscard]] bool take_option_value_w(const char* name, std::wstring& value,
                                       std::vector<std::wstring>& list);
// The same taking the two items after the option; false when fewer than two follow it.
[[nodiscard]] bool take_option_two_values_w(const char* name, std::wstring& first,
                                            std::wstring& second, std::vector<std::wstring>& list);

#pragma once
// Splitting text into lists: on one character, on the first of several candidate
// separators, keeping double-quoted runs together, into white-space separated words, and
// NUL-separated multi-strings. Option values, CREATE TABLE column lists and the results
// database's stored lists are cut up here.
//
// A list passed as output is cleared first unless the operation says it appends.

#include <string>
#include <vector>

#include "text/kq_types.h"

// Splits at every separator. The text is read up to its first NUL. Items are trimmed of
// blanks, tabs, CRs and LFs when trim is set; empty items are kept only with keep_empty
// (which also keeps the empty item before a leading and after a trailing separator). The
// list is cleared unless append is set. False only for an empty text.
[[nodiscard]] bool split_on_char(const std::string& text, char separator,
                                 std::vector<std::string>& list, bool trim, bool keep_empty,
                                 bool append);
// The wide twin (list always cleared, items trimmed with wtrim_whitespace). The whole text
// is split: a NUL is an ordinary character here, so NUL can be the separator.
[[nodiscard]] bool wsplit_on_char(const std::wstring& text, wchar_t separator,
                                  std::vector<std::wstring>& list, bool trim, bool keep_empty);
// wsplit_on_char without trimming and without empty items.
[[nodiscard]] bool wsplit_on_char_default(const std::wstring& text, wchar_t separator,
                                          std::vector<std::wstring>& list);

// The NUL-separated strings of a character vector, in order, empty ones dropped.
[[nodiscard]] bool split_wide_multistring(const std::vector<wchar_t>& chars,
                                          std::vector<std::wstring>& list);
// The same over 16-bit little-endian units (an odd last byte ignored, no surrogate pairing).
[[nodiscard]] bool split_utf16_multistring(const byte_array& bytes,
                                           std::vector<std::wstring>& list);

// Splits a counted buffer (NUL is ordinary) and APPENDS the non-empty items (after trimming
// when asked); *count (when not null) receives the number of separators met. Returns the
// length scanned: 0 for a null buffer or a length of 0 or less.
int split_buffer_on_char(const char* buffer, int length, char separator,
                         std::vector<std::string>& list, int* count, bool trim);
int wsplit_buffer_on_char(const wchar_t* buffer, int length, wchar_t separator,
                          std::vector<std::wstring>& list, int* count, bool trim);

// Splits on the first candidate (in the candidates' order, up to a NUL among them) that
// occurs in the text and returns it; 0, with the whole text as the one item, when none
// occurs; 0 and an empty list for an empty text.
char split_on_first_separator(std::vector<std::string>& list, const std::string& text, bool trim,
                              bool keep_empty, const std::string& candidates);

// split_on_char, then the items from one holding a single double quote to the next one
// holding a double quote are joined again with the separator (trimmed when asked). Items
// without quotes stay untrimmed; a run that is never closed is dropped.
[[nodiscard]] bool split_on_char_quoted(const std::string& text, char separator,
                                        std::vector<std::string>& list, bool trim, bool keep_empty);

// Words separated by white space, APPENDED to the list; returns how many were read (at most
// maximum when it is above 0). With rejoin_quotes a double-quoted run of words becomes one
// item without its quotes; a run still open after the last word is dropped.
int split_command_line(const char* text, int maximum, std::vector<std::string>& list,
                       bool rejoin_quotes);
// split_command_line with no maximum and quotes rejoined; false for an empty text or no word.
[[nodiscard]] bool split_words(const std::string& text, std::vector<std::string>& list);
// The first white-space delimited word; out keeps its content when the text is all blank.
[[nodiscard]] bool first_word(const std::string& text, std::string& out);

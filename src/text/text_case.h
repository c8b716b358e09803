#pragma once
// Letter case, trimming and case-blind comparison of narrow (UTF-8 or single-byte) and wide
// (UTF-32) text. Option names, column and table names, file names and format words pass
// through these before they are compared.
//
// Only the ASCII letters change case: the bytes of a UTF-8 sequence and every wide character
// outside A-Z/a-z stay as they are, so a name never matches a different name by accident of
// locale. Several comparisons lower-case their operands IN PLACE; callers that must keep their
// text pass copies.

#include <cstddef>
#include <string>
#include <vector>

#include "text/kq_types.h"

// --- Case (in place) ---

// Lower-cases every character and returns the same text.
std::string& string_to_lower(std::string& text);
void string_to_upper(std::string& text);
// Lower-cases `length` bytes of a caller's buffer; a null buffer or a length of 0 does nothing.
void to_lower_buffer(char* buffer, std::size_t length);
void string_list_to_lower(std::vector<std::string>& list);
std::wstring& wstring_to_lower(std::wstring& text);
void wstring_to_upper(std::wstring& text);

// --- Trimming (in place) ---

// Strips " \t\r\n" from both ends; false (text made empty) when nothing else is there.
bool trim_whitespace(std::string& text);
// Strips CR and LF from both ends.
void trim_crlf(std::string& text);
// As trim_whitespace, but with `keep_trailing_blanks` the end loses only tabs, CRs and LFs.
// False for an empty text (unchanged) and for an all-blank one (made empty).
bool trim_keep_trailing_blanks(std::string& text, bool keep_trailing_blanks);
// trim_whitespace, then at most one quote (double or single) off each end. False only for an
// empty text.
bool trim_quotes(std::string& text);
// Blanks, then tabs, off both ends, then trailing CRs, then trailing LFs, in that order: a
// text ending in CR LF keeps its CR. False (text made empty) when it was empty, all blanks,
// or left all tabs once its blanks are gone.
bool wtrim_whitespace(std::wstring& text);
// Drops the NULs after the last other character; an all-NUL text stays. Always true.
bool trim_trailing_nuls(std::string& text);
// Removes the last n characters (all of them when n exceeds the length); false, unchanged,
// for an empty text or an n of 0 or less.
bool erase_last_chars(std::string& text, int n);
bool werase_last_chars(std::wstring& text, int n);

// --- Comparison and search ---

// False at once, both untouched, when the lengths differ; otherwise lower-cases both in place
// and compares them exactly.
[[nodiscard]] bool equals_nocase(std::string& a, std::string& b);
[[nodiscard]] bool wstring_equals_nocase(std::wstring& a, std::wstring& b);
// Lower-cases both in place (always), then: false when either is shorter than n, else whether
// their first n characters agree. A negative n is false.
[[nodiscard]] bool prefix_equals_nocase(std::string& a, std::string& b, int n);
[[nodiscard]] bool wprefix_equals_nocase(std::wstring& a, std::wstring& b, int n);
// The first n bytes of two buffers, case-blind, NULs included; the buffers are not changed.
// An n of 0 is true; a negative n or a null buffer (for n > 0) is false.
[[nodiscard]] bool buffer_prefix_equals_nocase(const char* a, const char* b, int n);
// strcasecmp/strcmp (wcscasecmp/wcscmp) when both are there; two nulls are 0, a null a is -1,
// a null b is 1.
[[nodiscard]] int strcmp_nullsafe(const char* a, const char* b, bool nocase);
[[nodiscard]] int wcscmp_nullsafe(const wchar_t* a, const wchar_t* b, bool nocase);
// First case-blind occurrence of needle, as a pointer into the caller's haystack; null when
// either is null or the needle does not occur.
[[nodiscard]] const wchar_t* wcsstr_nocase(const wchar_t* haystack, const wchar_t* needle);
// Position of the first occurrence of pattern in text, or -1; with nocase both are first
// lower-cased in place.
[[nodiscard]] int wfind_optional_nocase(std::wstring& text, std::wstring& pattern, bool nocase);

// Character operations that compare after upper-casing (ASCII letters only).
struct nocase_char_traits {
    static bool eq(char a, char b);
    static bool eq(const char* a, const char* b);
    static bool lt(char a, char b);
    // 0 when the n characters agree; at the first disagreement -1 when lt holds, else 1.
    static int compare(const char* p, const char* q, std::size_t n);
    // First of the n characters at p that is eq to c, or null.
    static const char* find(const char* p, std::size_t n, char c);

    static bool eq(wchar_t a, wchar_t b);
    static bool lt(wchar_t a, wchar_t b);
    static int compare(const wchar_t* p, const wchar_t* q, std::size_t n);
    static const wchar_t* find(const wchar_t* p, std::size_t n, wchar_t c);
};

// Unsigned byte order of two 16-byte keys (identifiers, digests); a null key sorts first.
[[nodiscard]] bool bytes16_less(const uint8* a, const uint8* b);
// Decided by the first differing byte of the common part only: when that part is equal the
// result is false whatever the lengths, so {1,2} and {1,2,3} are equivalent keys.
[[nodiscard]] bool byte_array_less(const byte_array& a, const byte_array& b);
// Index of the first differing byte; all 64 bits set when the buffers agree; 0 for a null
// buffer or a length of 0.
[[nodiscard]] uint64 first_mismatch64(const char* a, const char* b, uint64 length);

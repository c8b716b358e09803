#include "text/text_case.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <limits>
#include <locale>
#include <string_view>

namespace {

// Wide case goes through the classic locale's facet, not the process's C locale, so a
// library that calls setlocale() can never make non-ASCII letters fold.
const std::ctype<wchar_t>& wide_ctype() {
    return std::use_facet<std::ctype<wchar_t>>(std::locale::classic());
}

const std::ctype<char>& narrow_ctype() {
    return std::use_facet<std::ctype<char>>(std::locale::classic());
}

// Erases what lies before the first and after the last character outside the given sets;
// false (text made empty) when no such character exists.
template <typename text_type>
bool trim_sets(text_type& text, const typename text_type::value_type* front_set,
               const typename text_type::value_type* end_set) {
    const auto first = text.find_first_not_of(front_set);
    if (first == text_type::npos) {
        text.clear();
        return false;
    }
    const auto last = text.find_last_not_of(end_set);
    text.erase(last + 1);
    text.erase(0, first);
    return true;
}

// Removes every trailing c.
template <typename text_type>
void trim_trailing(text_type& text, typename text_type::value_type c) {
    while (!text.empty() && text.back() == c) {
        text.pop_back();
    }
}

template <typename text_type>
bool erase_last(text_type& text, int n) {
    if (text.empty() || n <= 0) {
        return false;
    }
    const auto count = static_cast<std::size_t>(n);
    text.erase(count >= text.size() ? 0 : text.size() - count);
    return true;
}

template <typename text_type>
bool prefix_equal(const text_type& a, const text_type& b, int n) {
    if (n < 0) {
        return false;
    }
    const auto count = static_cast<std::size_t>(n);
    if (a.size() < count || b.size() < count) {
        return false;
    }
    return a.compare(0, count, b, 0, count) == 0;
}

bool is_quote(char c) { return c == '"' || c == '\''; }

}  // namespace

// --- Case ---

std::string& string_to_lower(std::string& text) {
    static const std::locale locale(std::locale::classic());
    if (text.empty()) {
        return text;
    }
    (void)std::use_facet<std::ctype<char>>(locale).tolower(text.data(), text.data() + text.size());
    return text;
}

void string_to_upper(std::string& text) {
    static const std::locale locale(std::locale::classic());
    if (text.empty()) {
        return;
    }
    (void)std::use_facet<std::ctype<char>>(locale).toupper(text.data(), text.data() + text.size());
}

void to_lower_buffer(char* buffer, std::size_t length) {
    static const std::locale locale(std::locale::classic());
    if (buffer == nullptr || length == 0) {
        return;
    }
    (void)std::use_facet<std::ctype<char>>(locale).tolower(buffer, buffer + length);
}

void string_list_to_lower(std::vector<std::string>& list) {
    for (auto& item : list) {
        (void)string_to_lower(item);
    }
}

std::wstring& wstring_to_lower(std::wstring& text) {
    if (!text.empty()) {
        (void)wide_ctype().tolower(text.data(), text.data() + text.size());
    }
    return text;
}

void wstring_to_upper(std::wstring& text) {
    if (!text.empty()) {
        (void)wide_ctype().toupper(text.data(), text.data() + text.size());
    }
}

// --- Trimming ---

bool trim_whitespace(std::string& text) { return trim_sets(text, " \t\r\n", " \t\r\n"); }

void trim_crlf(std::string& text) { (void)trim_sets(text, "\r\n", "\r\n"); }

bool trim_keep_trailing_blanks(std::string& text, bool keep_trailing_blanks) {
    if (text.empty()) {
        return false;
    }
    return trim_sets(text, " \t\r\n", keep_trailing_blanks ? "\t\r\n" : " \t\r\n");
}

bool trim_quotes(std::string& text) {
    if (text.empty()) {
        return false;
    }
    (void)trim_whitespace(text);  // an all-blank text simply ends up empty
    if (!text.empty() && is_quote(text.front())) {
        text.erase(0, 1);
    }
    if (!text.empty() && is_quote(text.back())) {
        text.pop_back();
    }
    return true;
}

bool wtrim_whitespace(std::wstring& text) {
    if (!trim_sets(text, L" ", L" ")) {
        return false;
    }
    if (!trim_sets(text, L"\t", L"\t")) {
        return false;
    }
    trim_trailing(text, L'\r');
    trim_trailing(text, L'\n');
    return true;
}

bool trim_trailing_nuls(std::string& text) {
    const auto last = text.find_last_not_of('\0');
    if (last != std::string::npos) {
        text.erase(last + 1);
    }
    return true;
}

bool erase_last_chars(std::string& text, int n) { return erase_last(text, n); }

bool werase_last_chars(std::wstring& text, int n) { return erase_last(text, n); }

// --- Comparison and search ---

bool equals_nocase(std::string& a, std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    return string_to_lower(a) == string_to_lower(b);
}

bool wstring_equals_nocase(std::wstring& a, std::wstring& b) {
    if (a.size() != b.size()) {
        return false;
    }
    return wstring_to_lower(a) == wstring_to_lower(b);
}

bool prefix_equals_nocase(std::string& a, std::string& b, int n) {
    return prefix_equal(string_to_lower(a), string_to_lower(b), n);
}

bool wprefix_equals_nocase(std::wstring& a, std::wstring& b, int n) {
    return prefix_equal(wstring_to_lower(a), wstring_to_lower(b), n);
}

bool buffer_prefix_equals_nocase(const char* a, const char* b, int n) {
    if (n == 0) {
        return true;
    }
    if (n < 0 || a == nullptr || b == nullptr) {
        return false;
    }
    const auto count = static_cast<std::size_t>(n);
    // Copies of exactly n bytes, so embedded NULs compare like any other byte.
    std::string left(a, count);
    std::string right(b, count);
    return string_to_lower(left) == string_to_lower(right);
}

int strcmp_nullsafe(const char* a, const char* b, bool nocase) {
    if (a != nullptr && b != nullptr) {
        return nocase ? strcasecmp(a, b) : std::strcmp(a, b);
    }
    if (a == nullptr && b == nullptr) {
        return 0;
    }
    return a == nullptr ? -1 : 1;
}

int wcscmp_nullsafe(const wchar_t* a, const wchar_t* b, bool nocase) {
    if (a != nullptr && b != nullptr) {
        return nocase ? wcscasecmp(a, b) : std::wcscmp(a, b);
    }
    if (a == nullptr && b == nullptr) {
        return 0;
    }
    return a == nullptr ? -1 : 1;
}

const wchar_t* wcsstr_nocase(const wchar_t* haystack, const wchar_t* needle) {
    if (haystack == nullptr || needle == nullptr) {
        return nullptr;
    }
    std::wstring hay(haystack);
    std::wstring pattern(needle);
    (void)wstring_to_lower(hay);
    (void)wstring_to_lower(pattern);
    const auto at = hay.find(pattern);
    if (at == std::wstring::npos) {
        return nullptr;
    }
    // Same position in the caller's text, not in the lower-cased copy.
    return std::wstring_view(haystack).substr(at).data();
}

int wfind_optional_nocase(std::wstring& text, std::wstring& pattern, bool nocase) {
    if (nocase) {
        (void)wstring_to_lower(text);
        (void)wstring_to_lower(pattern);
    }
    const auto at = text.find(pattern);
    if (at == std::wstring::npos ||
        at > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return -1;
    }
    return static_cast<int>(at);
}

// --- nocase_char_traits ---

bool nocase_char_traits::eq(char a, char b) {
    return narrow_ctype().toupper(a) == narrow_ctype().toupper(b);
}

bool nocase_char_traits::eq(const char* a, const char* b) { return eq(*a, *b); }

bool nocase_char_traits::lt(char a, char b) {
    return static_cast<unsigned char>(narrow_ctype().toupper(a)) <
           static_cast<unsigned char>(narrow_ctype().toupper(b));
}

int nocase_char_traits::compare(const char* p, const char* q, std::size_t n) {
    const std::string_view left(p, n);
    const std::string_view right(q, n);
    for (std::size_t i = 0; i < n; ++i) {
        if (!eq(left[i], right[i])) {
            return lt(left[i], right[i]) ? -1 : 1;
        }
    }
    return 0;
}

const char* nocase_char_traits::find(const char* p, std::size_t n, char c) {
    const std::string_view text(p, n);
    const auto it = std::find_if(text.begin(), text.end(), [c](char x) { return eq(x, c); });
    return it == text.end() ? nullptr
                            : text.substr(static_cast<std::size_t>(it - text.begin())).data();
}

bool nocase_char_traits::eq(wchar_t a, wchar_t b) {
    return wide_ctype().toupper(a) == wide_ctype().toupper(b);
}

bool nocase_char_traits::lt(wchar_t a, wchar_t b) {
    return wide_ctype().toupper(a) < wide_ctype().toupper(b);
}

int nocase_char_traits::compare(const wchar_t* p, const wchar_t* q, std::size_t n) {
    const std::wstring_view left(p, n);
    const std::wstring_view right(q, n);
    for (std::size_t i = 0; i < n; ++i) {
        if (!eq(left[i], right[i])) {
            return lt(left[i], right[i]) ? -1 : 1;
        }
    }
    return 0;
}

const wchar_t* nocase_char_traits::find(const wchar_t* p, std::size_t n, wchar_t c) {
    const std::wstring_view text(p, n);
    const auto it = std::find_if(text.begin(), text.end(), [c](wchar_t x) { return eq(x, c); });
    return it == text.end() ? nullptr
                            : text.substr(static_cast<std::size_t>(it - text.begin())).data();
}

// --- Byte keys ---

bool bytes16_less(const uint8* a, const uint8* b) {
    if (a == nullptr || b == nullptr) {
        return a == nullptr && b != nullptr;
    }
    return std::memcmp(a, b, 16) < 0;
}

bool byte_array_less(const byte_array& a, const byte_array& b) {
    const auto common = std::min(a.size(), b.size());
    const auto diff =
        std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(common), b.begin());
    if (diff.first == a.begin() + static_cast<std::ptrdiff_t>(common)) {
        return false;
    }
    return *diff.first < *diff.second;
}

uint64 first_mismatch64(const char* a, const char* b, uint64 length) {
    if (a == nullptr || b == nullptr || length == 0) {
        return 0;
    }
    for (uint64 i = 0; i < length; ++i) {
        if (a[i] != b[i]) {  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
            return i;
        }
    }
    return std::numeric_limits<uint64>::max();
}

#include "text/text_replace.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <span>
#include <string_view>
#include <utility>

#include "io/uni_encoding.h"
#include "text/text_case.h"

namespace {

void lower_in_place(std::string& text) { string_to_lower(text); }

void lower_in_place(std::wstring& text) { wstring_to_lower(text); }

// Position of the first occurrence of pattern in text; with nocase the search runs on a
// lower-cased copy of the text and the caller's pattern is lower-cased in place. An empty
// pattern is found at 0 of a non-empty text and not at all in an empty one.
template <typename Text>
std::size_t find_first(const Text& text, Text& pattern, bool nocase) {
    if (nocase) {
        lower_in_place(pattern);
    }
    if (text.empty()) {
        return Text::npos;
    }
    if (!nocase) {
        return text.find(pattern);
    }
    Text lowered = text;
    lower_in_place(lowered);
    return lowered.find(pattern);
}

template <typename Text>
bool replace_first_in(Text& text, Text& pattern, const Text& replacement, bool nocase) {
    const std::size_t at = find_first(text, pattern, nocase);
    if (at == Text::npos) {
        return false;
    }
    text.replace(at, pattern.size(), replacement);
    return true;
}

}  // namespace

bool replace_first(std::string& text, std::string& pattern, const std::string& replacement,
                   bool nocase) {
    return replace_first_in(text, pattern, replacement, nocase);
}

bool wreplace_first(std::wstring& text, std::wstring& pattern, const std::wstring& replacement,
                    bool nocase) {
    return replace_first_in(text, pattern, replacement, nocase);
}

bool replace_first_nocase_cstr(std::string& text, const char* pattern, const char* replacement) {
    if (pattern == nullptr || replacement == nullptr) {
        return false;
    }
    std::string pattern_copy(pattern);
    return replace_first(text, pattern_copy, std::string(replacement), true);
}

std::string& replace_all_copy(std::string& out, const std::string& source,
                              const std::string& pattern, const std::string& replacement) {
    out.clear();
    if (source.empty() || pattern.empty()) {
        return out;
    }
    // Room for the text and a few replacements that grow it, so most edits do not reallocate.
    out.reserve(source.size() + 256);
    std::size_t from = 0;
    for (std::size_t at = source.find(pattern); at != std::string::npos;
         at = source.find(pattern, from)) {
        out.append(source, from, at - from);
        out += replacement;
        from = at + pattern.size();
    }
    out.append(source, from, std::string::npos);
    return out;
}

void replace_all(std::string& text, const std::string& pattern, const std::string& replacement) {
    if (text.empty() || pattern.empty() || text.find(pattern) == std::string::npos) {
        return;
    }
    std::string result;
    replace_all_copy(result, text, pattern, replacement);
    text = std::move(result);
}

bool erase_first(std::string& text, std::string& pattern, bool nocase) {
    return replace_first(text, pattern, std::string(), nocase);
}

bool werase_first_in_buffer(wchar_t* buffer, const wchar_t* pattern, bool nocase) {
    if (buffer == nullptr || pattern == nullptr) {
        return false;
    }
    const std::wstring original(buffer);
    std::string text;
    std::string narrow_pattern;
    // Text the UTF-8 form cannot carry (a character above 0x10FFFF) would come back cut
    // short; such a buffer is left alone rather than rewritten without its tail.
    if (!uni::wstring_to_utf8(text, original) ||
        (*pattern != L'\0' && !uni::wstring_to_utf8(narrow_pattern, std::wstring(pattern)))) {
        return false;
    }
    if (!erase_first(text, narrow_pattern, nocase)) {
        return false;
    }
    std::wstring shortened;
    if (!text.empty() && !uni::utf8_to_wstring(shortened, text)) {
        return false;
    }
    if (shortened.size() > original.size()) {
        return false;  // cannot happen for text that survived the round trip; never overrun
    }
    std::copy(shortened.begin(), shortened.end(), buffer);
    buffer[shortened.size()] = L'\0';  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
    return true;
}

bool truncate_at(std::string& text, const std::string& pattern, bool nocase) {
    std::string pattern_copy = pattern;
    const std::size_t at = find_first(text, pattern_copy, nocase);
    if (at == std::string::npos) {
        return false;
    }
    text.erase(at);
    return true;
}

bool truncate_at_char(std::string& text, char c, bool nocase) {
    return truncate_at(text, std::string(1, c), nocase);
}

namespace {

bool matches_at(std::string_view rest, std::string_view pattern, bool nocase) {
    if (rest.size() < pattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const auto a = static_cast<unsigned char>(rest[i]);
        const auto b = static_cast<unsigned char>(pattern[i]);
        if (a != b && (!nocase || std::tolower(a) != std::tolower(b))) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool erase_all_in_buffer(char** buffer, int* length, const char* pattern, bool nocase) {
    if (buffer == nullptr || *buffer == nullptr || length == nullptr || *length <= 0 ||
        pattern == nullptr) {
        return false;
    }
    const std::string_view text(*buffer, static_cast<std::size_t>(*length));
    const std::string_view needle(pattern);
    auto* kept =
        static_cast<char*>(std::malloc(text.size()));  // NOLINT(cppcoreguidelines-no-malloc)
    if (kept == nullptr) {
        return false;
    }
    std::size_t written = 0;
    bool removed = false;
    for (std::size_t at = 0; at < text.size();) {
        // An empty pattern removes nothing; skipping zero bytes would never advance.
        if (!needle.empty() && matches_at(text.substr(at), needle, nocase)) {
            at += needle.size();
            removed = true;
            continue;
        }
        kept[written++] = text[at++];  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
    }
    if (!removed) {
        std::free(kept);  // NOLINT(cppcoreguidelines-no-malloc)
        return true;
    }
    std::free(*buffer);  // NOLINT(cppcoreguidelines-no-malloc)
    *buffer = kept;
    *length = static_cast<int>(written);
    return true;
}

int remove_char(std::string& text, char c) { return remove_char_in(text, c); }

namespace {

char lower_char(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

char upper_char(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

wchar_t lower_wchar(wchar_t c) {
    return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
}

wchar_t upper_wchar(wchar_t c) {
    return static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
}

}  // namespace

void replace_char(std::string& text, char old_c, char new_c, bool both_cases) {
    if (old_c == new_c) {
        return;
    }
    const char lower = both_cases ? lower_char(old_c) : old_c;
    const char upper = both_cases ? upper_char(old_c) : old_c;
    for (char& c : text) {
        if (c == old_c || c == lower || c == upper) {
            c = new_c;
        }
    }
}

void wreplace_chars(std::wstring& text, wchar_t old_c, wchar_t new_c, bool both_cases) {
    if (old_c == new_c) {
        return;
    }
    const wchar_t lower = both_cases ? lower_wchar(old_c) : old_c;
    const wchar_t upper = both_cases ? upper_wchar(old_c) : old_c;
    for (wchar_t& c : text) {
        if (c == old_c || c == lower || c == upper) {
            c = new_c;
        }
    }
}

void replace_char_in_buffer(char* buffer, int length, char old_c, char new_c, bool nocase) {
    if (buffer == nullptr || length <= 0 || old_c == new_c) {
        return;
    }
    const char old_lower = lower_char(old_c);
    for (char& c : std::span(buffer, static_cast<std::size_t>(length))) {
        if (c == old_c || (nocase && lower_char(c) == old_lower)) {
            c = new_c;
        }
    }
}

void wreplace_char_in_buffer(wchar_t* buffer, int count, wchar_t old_c, wchar_t new_c,
                             bool nocase) {
    if (buffer == nullptr || count <= 0 || old_c == new_c) {
        return;
    }
    const wchar_t old_lower = lower_wchar(old_c);
    for (wchar_t& c : std::span(buffer, static_cast<std::size_t>(count))) {
        if (c == old_c || (nocase && lower_wchar(c) == old_lower)) {
            c = new_c;
        }
    }
}

bool text_in_parentheses(const std::string& text, std::string& out) {
    out.clear();
    const std::size_t open = text.find('(');
    const std::size_t close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return false;
    }
    out = text.substr(open + 1, close - open - 1);
    return !out.empty();
}

bool remove_parenthesised(const std::string& text, std::string& out) {
    out.clear();
    if (text.empty() || text.find('(') == std::string::npos) {
        return false;
    }
    // Cutting a group leaves no "(" before the cut, so the next group is the first "(" after
    // the removed ")" and its first ")": one left-to-right pass gives what cutting and
    // searching again from the start gives, in linear time even for 100,000 groups.
    std::string kept;
    kept.reserve(text.size());
    bool cut = false;
    std::size_t at = 0;
    for (std::size_t open = text.find('('); open != std::string::npos; open = text.find('(', at)) {
        const std::size_t close = text.find(')', open);
        if (close == std::string::npos) {
            break;
        }
        kept.append(text, at, open - at);
        at = close + 1;
        cut = true;
    }
    kept.append(text, at, std::string::npos);
    out = std::move(kept);
    return cut;
}

namespace {

template <typename Char>
bool pointer_array_remove_at(int index, int* count, Char** array) {
    if (count == nullptr || array == nullptr || index < 0 || index >= *count) {
        return false;
    }
    const std::span entries(array, static_cast<std::size_t>(*count));
    std::copy(entries.begin() + index + 1, entries.end(), entries.begin() + index);
    --*count;
    return true;
}

template <typename Text>
bool list_remove_at(int index, std::vector<Text>& list) {
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) {
        return false;
    }
    list.erase(list.begin() + index);
    return true;
}

}  // namespace

bool argv_remove_at(int index, int* count, char** array) {
    return pointer_array_remove_at(index, count, array);
}

bool wargv_remove_at(int index, int* count, wchar_t** array) {
    return pointer_array_remove_at(index, count, array);
}

bool string_list_remove_at(int index, std::vector<std::string>& list) {
    return list_remove_at(index, list);
}

bool wstring_list_remove_at(int index, std::vector<std::wstring>& list) {
    return list_remove_at(index, list);
}

namespace {

// Index of the first item equal to name regardless of case (compared on copies), or the
// list's size.
std::size_t find_option(const std::string& name, const std::vector<std::string>& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::string a = name;
        std::string b = list[i];
        if (equals_nocase(a, b)) {
            return i;
        }
    }
    return list.size();
}

std::size_t find_option(const std::wstring& name, const std::vector<std::wstring>& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::wstring a = name;
        std::wstring b = list[i];
        if (wstring_equals_nocase(a, b)) {
            return i;
        }
    }
    return list.size();
}

// Takes the `values` items after the first match of name out of the list, with the name.
template <typename Text>
bool take_values(const Text& name, std::vector<Text>& list, std::size_t values, Text* first,
                 Text* second) {
    const std::size_t at = find_option(name, list);
    if (at >= list.size() || list.size() - at - 1 < values) {
        return false;
    }
    *first = list[at + 1];
    if (second != nullptr) {
        *second = list[at + 2];
    }
    const auto begin = list.begin() + static_cast<std::ptrdiff_t>(at);
    list.erase(begin, begin + static_cast<std::ptrdiff_t>(values + 1));
    return true;
}

std::wstring wide_name(const char* name) {
    return name == nullptr ? std::wstring() : uni::utf8_to_wstring(std::string(name));
}

}  // namespace

bool take_option_value_str(const std::string& name, std::string& value,
                           std::vector<std::string>& list) {
    return take_values(name, list, 1, &value, static_cast<std::string*>(nullptr));
}

bool take_option_value_w(const char* name, std::wstring& value, std::vector<std::wstring>& list) {
    if (name == nullptr) {
        return false;
    }
    return take_values(wide_name(name), list, 1, &value, static_cast<std::wstring*>(nullptr));
}

bool take_option_two_values_w(const char* name, std::wstring& first, std::wstring& second,
                              std::vector<std::wstring>& list) {
    if (name == nullptr) {
        return false;
    }
    return take_values(wide_name(name), list, 2, &first, &second);
}

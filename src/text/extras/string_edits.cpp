#include "text/extras/string_edits.h"

#include <cstring>
#include <string_view>

#include "text/text_case.h"
#include "text/text_lines.h"
#include "text/text_replace.h"

namespace {

template <typename Char>
void insert_before(std::basic_string<Char>& text, Char target, Char inserted) {
    std::size_t at = text.find(target);
    while (at != std::basic_string<Char>::npos) {
        text.insert(at, 1, inserted);
        at = text.find(target, at + 2);
    }
}

// The join ends with the text layer's trim of each width; it removes the blank written
// before a first non-empty item that is not item 0.
void trim_joined(std::string& text) { (void)trim_whitespace(text); }

void trim_joined(std::wstring& text) { (void)wtrim_whitespace(text); }

template <typename Char>
bool join_quoted(std::basic_string<Char>& out, int& count,
                 const std::vector<std::basic_string<Char>>& items) {
    out.clear();
    count = static_cast<int>(items.size());
    if (items.empty()) {
        return false;
    }
    const auto blank = static_cast<Char>(' ');
    const auto quote = static_cast<Char>('"');
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::basic_string<Char>& item = items[i];
        if (item.empty()) {
            continue;
        }
        if (i > 0) {
            out += blank;
        }
        if (item.find(blank) == std::basic_string<Char>::npos) {
            out += item;
            continue;
        }
        out += quote;
        out += item;
        out += quote;
    }
    trim_joined(out);
    return true;
}

}  // namespace

std::string& to_lower_copy(std::string& out, const char* text) {
    out.clear();
    if (text != nullptr) {
        out = text;
        string_to_lower(out);
    }
    return out;
}

void insert_before_char(std::string& text, char target, char inserted) {
    insert_before(text, target, inserted);
}

void insert_before_char_w(std::wstring& text, wchar_t target, wchar_t inserted) {
    insert_before(text, target, inserted);
}

bool join_items_quoted(std::string& out, int& count, const std::vector<std::string>& items) {
    return join_quoted(out, count, items);
}

bool join_items_quoted_w(std::wstring& out, int& count, const std::vector<std::wstring>& items) {
    return join_quoted(out, count, items);
}

std::string& replace_pairs(std::string& text, const std::vector<std::string>& patterns,
                           const std::vector<std::string>& replacements) {
    if (text.empty() || patterns.empty() || patterns.size() != replacements.size()) {
        return text;
    }
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        replace_all(text, patterns[i], replacements[i]);
    }
    return text;
}

std::string value_after_key(const std::string& text, const char* key, std::string& delimiters,
                            bool nocase) {
    if (text.empty() || key == nullptr) {
        return std::string();
    }
    // Lower-casing keeps every position, so the value is cut from the caller's text at the
    // place found in the lower-cased copy.
    std::string searched = text;
    std::string wanted = key;
    if (nocase) {
        string_to_lower(searched);
        string_to_lower(wanted);
        string_to_lower(delimiters);
    }
    const std::size_t at = searched.find(wanted);
    if (at == std::string::npos) {
        return std::string();
    }
    const std::size_t from = at + wanted.size();
    const std::size_t end = searched.find_first_of(delimiters, from);
    return text.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

const char* find_nocase(const char* text, const char* pattern) {
    if (text == nullptr || pattern == nullptr) {
        return nullptr;
    }
    std::string lower_text(text);
    std::string lower_pattern(pattern);
    const std::size_t at = string_to_lower(lower_text).find(string_to_lower(lower_pattern));
    if (at == std::string::npos) {
        return nullptr;
    }
    return std::string_view(text).substr(at).data();
}

int remove_char_w(std::wstring& text, wchar_t c) { return remove_char_in(text, c); }

bool replace_first_nocase_w(std::wstring& text, const wchar_t* pattern,
                            const wchar_t* replacement) {
    if (pattern == nullptr || replacement == nullptr) {
        return false;
    }
    std::wstring lowered_pattern(pattern);
    return wreplace_first(text, lowered_pattern, replacement, true);
}

bool erase_first_in_buffer(char* buffer, const char* pattern, bool nocase) {
    if (buffer == nullptr || pattern == nullptr) {
        return false;
    }
    std::string text(buffer);
    std::string wanted(pattern);
    if (!erase_first(text, wanted, nocase)) {
        return false;
    }
    // The text only got shorter, so it and its NUL fit where the old text was.
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

std::wstring& mark_line_breaks_w(std::wstring& text) { return mark_line_breaks_in(text); }

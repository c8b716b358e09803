#include "text/text_split.h"

#include <algorithm>
#include <span>
#include <string_view>

#include "text/byte_reader.h"
#include "text/text_case.h"

namespace {

void trim_item(std::string& item) {
    (void)trim_whitespace(item);  // an all-blank item simply becomes empty
}

void trim_item(std::wstring& item) {
    (void)wtrim_whitespace(item);  // an all-blank item simply becomes empty
}

// Adds one item of a split: trimmed when asked, dropped when empty unless keep_empty.
template <typename Text>
void add_item(std::vector<Text>& list, Text item, bool trim, bool keep_empty) {
    if (trim) {
        trim_item(item);
    }
    if (!item.empty() || keep_empty) {
        list.push_back(std::move(item));
    }
}

// Splits the whole view at every separator; returns the number of separators met.
template <typename Char>
int split_view(std::basic_string_view<Char> text, Char separator,
               std::vector<std::basic_string<Char>>& list, bool trim, bool keep_empty) {
    int separators = 0;
    std::size_t from = 0;
    for (std::size_t at = text.find(separator); at != text.npos; at = text.find(separator, from)) {
        add_item(list, std::basic_string<Char>(text.substr(from, at - from)), trim, keep_empty);
        from = at + 1;
        ++separators;
    }
    add_item(list, std::basic_string<Char>(text.substr(from)), trim, keep_empty);
    return separators;
}

}  // namespace

bool split_on_char(const std::string& text, char separator, std::vector<std::string>& list,
                   bool trim, bool keep_empty, bool append) {
    if (!append) {
        list.clear();
    }
    if (text.empty()) {
        return false;
    }
    // The text ends at its first NUL, as the C string it stands for.
    (void)split_view(std::string_view(text.c_str()), separator, list, trim, keep_empty);
    return true;
}

bool wsplit_on_char(const std::wstring& text, wchar_t separator, std::vector<std::wstring>& list,
                    bool trim, bool keep_empty) {
    list.clear();
    if (text.empty()) {
        return false;
    }
    (void)split_view(std::wstring_view(text), separator, list, trim, keep_empty);
    return true;
}

bool wsplit_on_char_default(const std::wstring& text, wchar_t separator,
                            std::vector<std::wstring>& list) {
    return wsplit_on_char(text, separator, list, false, false);
}

bool split_wide_multistring(const std::vector<wchar_t>& chars, std::vector<std::wstring>& list) {
    return wsplit_on_char_default(std::wstring(chars.begin(), chars.end()), L'\0', list);
}

bool split_utf16_multistring(const byte_array& bytes, std::vector<std::wstring>& list) {
    list.clear();
    if (bytes.empty()) {
        return false;
    }
    const kq::byte_reader units(bytes);
    std::wstring text;
    uint16 unit = 0;
    for (std::size_t at = 0; units.le16_at(at, unit); at += 2) {
        text += static_cast<wchar_t>(unit);
    }
    return wsplit_on_char_default(text, L'\0', list);
}

int split_buffer_on_char(const char* buffer, int length, char separator,
                         std::vector<std::string>& list, int* count, bool trim) {
    if (count != nullptr) {
        *count = 0;
    }
    if (buffer == nullptr || length <= 0) {
        return 0;
    }
    const int separators = split_view(std::string_view(buffer, static_cast<std::size_t>(length)),
                                      separator, list, trim, false);
    if (count != nullptr) {
        *count = separators;
    }
    return length;
}

int wsplit_buffer_on_char(const wchar_t* buffer, int length, wchar_t separator,
                          std::vector<std::wstring>& list, int* count, bool trim) {
    if (count != nullptr) {
        *count = 0;
    }
    if (buffer == nullptr || length <= 0) {
        return 0;
    }
    const int separators = split_view(std::wstring_view(buffer, static_cast<std::size_t>(length)),
                                      separator, list, trim, false);
    if (count != nullptr) {
        *count = separators;
    }
    return length;
}

char split_on_first_separator(std::vector<std::string>& list, const std::string& text, bool trim,
                              bool keep_empty, const std::string& candidates) {
    list.clear();
    if (text.empty()) {
        return 0;
    }
    const std::string_view searched(text.c_str());
    // A NUL among the candidates ends them, as it ends a C string.
    for (const char candidate : std::string_view(candidates.c_str())) {
        if (searched.find(candidate) != std::string_view::npos) {
            (void)split_on_char(text, candidate, list, trim, keep_empty, false);
            return candidate;
        }
    }
    list.push_back(text);
    return 0;
}

namespace {

std::size_t quotes_in(const std::string& item) {
    return static_cast<std::size_t>(std::count(item.begin(), item.end(), '"'));
}

}  // namespace

bool split_on_char_quoted(const std::string& text, char separator, std::vector<std::string>& list,
                          bool trim, bool keep_empty) {
    if (!split_on_char(text, separator, list, false, keep_empty, false)) {
        return false;
    }
    if (text.find('"') == std::string::npos) {
        return true;
    }
    std::vector<std::string> joined;
    std::string run;
    bool in_run = false;
    for (std::string& item : list) {
        const std::size_t quotes = quotes_in(item);
        if (in_run) {
            run += separator;
            run += item;
            if (quotes > 0) {
                add_item(joined, std::move(run), trim, keep_empty);
                run.clear();
                in_run = false;
            }
        } else if (quotes == 0) {
            joined.push_back(std::move(item));
        } else if (quotes >= 2) {
            add_item(joined, std::move(item), trim, keep_empty);
        } else {
            run = std::move(item);
            in_run = true;
        }
    }
    list = std::move(joined);  // an unclosed run is dropped
    return true;
}

namespace {

bool is_word_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Joins double-quoted runs of words into one item each; a run never closed is dropped.
void rejoin_quoted(const std::vector<std::string>& words, std::vector<std::string>& list) {
    std::string run;
    bool in_run = false;
    for (const std::string& word : words) {
        const bool opens = !word.empty() && word.front() == '"';
        const bool closes = !word.empty() && word.back() == '"';
        if (in_run) {
            if (closes) {
                run.append(word, 0, word.size() - 1);
                list.push_back(std::move(run));
                run.clear();
                in_run = false;
            } else {
                run += word;
                run += ' ';
            }
        } else if (!opens) {
            list.push_back(word);
        } else if (word.size() >= 2 && closes) {
            list.push_back(word.substr(1, word.size() - 2));
        } else {
            run = word.substr(1);
            if (!run.empty()) {
                run += ' ';
            }
            in_run = true;
        }
    }
}

}  // namespace

int split_command_line(const char* text, int maximum, std::vector<std::string>& list,
                       bool rejoin_quotes) {
    if (text == nullptr) {
        return 0;
    }
    std::vector<std::string> words;
    const std::string_view all(text);
    std::size_t at = 0;
    while (maximum <= 0 || static_cast<int>(words.size()) < maximum) {
        while (at < all.size() && is_word_blank(all[at])) {
            ++at;
        }
        if (at == all.size()) {
            break;
        }
        const std::size_t start = at;
        while (at < all.size() && !is_word_blank(all[at])) {
            ++at;
        }
        words.emplace_back(all.substr(start, at - start));
    }
    const auto read = static_cast<int>(words.size());
    if (rejoin_quotes && read > 1) {
        rejoin_quoted(words, list);
    } else {
        list.insert(list.end(), words.begin(), words.end());
    }
    return read;
}

bool split_words(const std::string& text, std::vector<std::string>& list) {
    if (text.empty()) {
        return false;
    }
    return split_command_line(text.c_str(), 0, list, true) > 0;
}

bool first_word(const std::string& text, std::string& out) {
    if (text.empty()) {
        return false;
    }
    std::vector<std::string> words;
    if (split_command_line(text.c_str(), 1, words, false) > 0) {
        out = words.front();
    }
    return true;
}

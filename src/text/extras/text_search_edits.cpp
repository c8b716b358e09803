#include "text/extras/text_search_edits.h"

#include <algorithm>
#include <cwctype>
#include <limits>

#include "text/text_case.h"
#include "text/text_split.h"

namespace {

// Position of needle at or after start, -1 when absent or when the match would begin at the
// end of the text (where only an empty needle can "match").
template <typename Char>
int find_from(const std::basic_string<Char>& text, int start, const Char* needle) {
    if (needle == nullptr || start < 0) {
        return -1;
    }
    const std::size_t at = text.find(needle, static_cast<std::size_t>(start));
    if (at == std::basic_string<Char>::npos || at >= text.size() ||
        at > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return -1;
    }
    return static_cast<int>(at);
}

template <typename Char>
bool find_after_in(int& pos, const std::basic_string<Char>& text, int start, const Char* needle) {
    pos = find_from(text, start, needle);
    if (pos < 0) {
        return false;
    }
    const std::size_t end = static_cast<std::size_t>(pos) + std::char_traits<Char>::length(needle);
    pos = static_cast<int>(std::min<std::size_t>(end, std::numeric_limits<int>::max()));
    return true;
}

template <typename Char>
bool find_at_in(int& pos, const std::basic_string<Char>& text, int start, const Char* needle) {
    pos = find_from(text, start, needle);
    return pos >= 0;
}

// Position of the first needle, compared case-blind when asked; npos when absent or empty.
std::size_t wfind_case(const std::wstring& text, const std::wstring& needle, bool ignore_case) {
    if (needle.empty()) {
        return std::wstring::npos;
    }
    if (!ignore_case) {
        return text.find(needle);
    }
    std::wstring lower_text = text;
    std::wstring lower_needle = needle;
    return wstring_to_lower(lower_text).find(wstring_to_lower(lower_needle));
}

template <typename Text, typename Set>
std::size_t escape_in(Text& text, const Set& chars) {
    using set_char = typename Set::value_type;
    Text escaped;
    std::size_t inserted = 0;
    for (const auto c : text) {
        if (chars.count(static_cast<set_char>(c)) != 0) {
            escaped.push_back(static_cast<typename Text::value_type>('\\'));
            ++inserted;
        }
        escaped.push_back(c);
    }
    text = std::move(escaped);
    return inserted;
}

}  // namespace

bool find_after(int& pos, const std::string& text, int start, const std::string& needle) {
    return find_after_in(pos, text, start, needle.c_str());
}

bool wfind_after(int& pos, const std::wstring& text, int start, const wchar_t* needle) {
    return find_after_in(pos, text, start, needle);
}

bool find_at(int& pos, const std::string& text, int start, const char* needle) {
    return find_at_in(pos, text, start, needle);
}

bool wfind_at(int& pos, const std::wstring& text, int start, const wchar_t* needle) {
    return find_at_in(pos, text, start, needle);
}

int find_optional_nocase(std::string& text, std::string& needle, bool ignore_case) {
    if (ignore_case) {
        (void)string_to_lower(text);
        (void)string_to_lower(needle);
    }
    const std::size_t at = text.find(needle);
    if (at == std::string::npos || at > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return -1;
    }
    return static_cast<int>(at);
}

bool werase_from(std::wstring& text, const std::wstring& needle, bool ignore_case) {
    const std::size_t at = wfind_case(text, needle, ignore_case);
    if (at == std::wstring::npos) {
        return false;
    }
    text.erase(at);
    return true;
}

bool werase_first(std::wstring& text, const std::wstring& needle, bool ignore_case) {
    const std::size_t at = wfind_case(text, needle, ignore_case);
    if (at == std::wstring::npos) {
        return false;
    }
    text.erase(at, needle.size());
    return true;
}

bool take_first_word(std::string& text, std::string& word) {
    word.clear();  // first_word leaves it untouched, and says true, for an all-blank text
    if (!first_word(text, word) || word.empty()) {
        return false;
    }
    const std::size_t at = text.find(word);
    if (at != std::string::npos) {
        text.erase(at, word.size());
    }
    return true;
}

std::string without_char(const std::string& text, char c) {
    std::string kept;
    std::copy_if(text.begin(), text.end(), std::back_inserter(kept),
                 [c](char each) { return each != c; });
    return kept;
}

std::size_t count_char(const std::string& text, char c) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

bool is_plain_ascii_text(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code == '\t' || code == '\n' || code == '\r' || (code >= 0x20 && code <= 0x7E);
    });
}

std::size_t letters_or_underscore(std::string& text) {
    for (char& c : text) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!letter) {
            c = '_';
        }
    }
    return text.size();
}

void escape_chars(std::string& text, const std::set<char>& chars) { (void)escape_in(text, chars); }

void escape_chars_w(std::wstring& text, const std::set<wchar_t>& chars) {
    (void)escape_in(text, chars);
}

std::size_t escape_units(std::vector<uint16_t>& units, const std::set<wchar_t>& chars) {
    return escape_in(units, chars);
}

bool line_stats(int& lines, int& longest, const std::string& text) {
    std::size_t count = 1;
    std::size_t widest = 0;
    std::size_t line_start = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        widest = std::max(widest, at - line_start);
        line_start = at + 1;
        ++count;
    }
    widest = std::max(widest, text.size() - line_start);
    constexpr auto int_max = static_cast<std::size_t>(std::numeric_limits<int>::max());
    lines = static_cast<int>(std::min(count, int_max));
    longest = static_cast<int>(std::min(widest, int_max));
    return true;
}

#include "text/markup_elements.h"

#include <algorithm>
#include <cwchar>
#include <new>
#include <string_view>

#include "text/markup_match.h"

namespace {

template <class Char>
bool take_element(std::basic_string<Char>& out, std::basic_string<Char>& text,
                  const std::basic_string<Char>& tag) {
    out.clear();
    if (text.empty() || tag.empty()) {
        return false;
    }
    const std::basic_string<Char> open = Char('<') + tag;
    const std::basic_string<Char> close =
        std::basic_string<Char>{Char('<'), Char('/')} + tag + Char('>');
    const std::size_t start = text.find(open);
    if (start == std::basic_string<Char>::npos) {
        return false;
    }
    const std::size_t end = text.find(close, start + tag.size());
    if (end == std::basic_string<Char>::npos) {
        return false;
    }
    const std::size_t count = end + close.size() - start;
    out = text.substr(start, count);
    text.erase(start, count);
    return true;
}

// How an element body is read: the narrow form follows nesting and skips one unseen
// character after the opening pattern; the wide form does neither.
struct element_rules {
    bool nesting;
    std::size_t skip_after_open;
};

// Appends to kept what lies outside the elements that open with `open` and close with
// `close`. Positions are examined while a whole closing pattern still fits; the rest is
// kept only when the scan ended outside an element, so an unclosed element goes to the end.
template <class Char>
void keep_outside_elements(std::basic_string_view<Char> text, std::basic_string_view<Char> open,
                           std::basic_string_view<Char> close, element_rules rules,
                           std::basic_string<Char>& kept) {
    static constexpr Char self_close_chars[] = {Char('/'), Char('>')};
    const std::basic_string_view<Char> self_close(self_close_chars, 2);
    bool inside = false;
    int depth = 0;
    std::size_t i = 0;
    while (text.size() - i >= close.size()) {
        if (!inside) {
            if (markup_match::at(text, i, open, true)) {
                inside = true;
                depth = 0;
                i += open.size() + rules.skip_after_open;
            } else {
                kept.push_back(text[i]);
                ++i;
            }
            continue;
        }
        // The closing pattern is tested first and ends the element at any depth.
        if (markup_match::at(text, i, close, true)) {
            inside = false;
            i += close.size();
        } else if (rules.nesting && text[i] == Char('<')) {
            ++depth;
            ++i;
        } else if (rules.nesting && markup_match::at(text, i, self_close, false)) {
            // "/>" ends the element itself at depth 0, else one nested element.
            if (depth == 0) {
                inside = false;
            } else {
                --depth;
            }
            i += self_close.size();
        } else {
            ++i;
        }
    }
    if (!inside) {
        kept.append(text.substr(i));
    }
}

// Removes the elements from the first `count` characters of buffer in place; the new count
// is returned through count. False when no work buffer can be had.
template <class Char>
bool remove_elements(Char* buffer, std::size_t& count, std::basic_string_view<Char> tag,
                     element_rules rules) {
    const std::basic_string_view<Char> text(buffer, count);
    std::basic_string<Char> kept;
    try {
        const std::basic_string<Char> open = Char('<') + std::basic_string<Char>(tag);
        const std::basic_string<Char> close = std::basic_string<Char>{Char('<'), Char('/')} +
                                              std::basic_string<Char>(tag) + Char('>');
        kept.reserve(text.size());
        keep_outside_elements<Char>(text, open, close, rules, kept);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (kept.size() != text.size()) {
        std::copy(kept.begin(), kept.end(), buffer);
    }
    count = kept.size();
    return true;
}

}  // namespace

bool take_xml_element(std::string& out, std::string& text, const std::string& tag) {
    return take_element(out, text, tag);
}

bool take_xml_element_w(std::wstring& out, std::wstring& text, const std::wstring& tag) {
    return take_element(out, text, tag);
}

bool remove_xml_element(char* buffer, int* length, const char* tag) {
    if (buffer == nullptr || length == nullptr || tag == nullptr || *tag == '\0' || *length <= 0) {
        return false;
    }
    auto count = static_cast<std::size_t>(*length);
    if (!remove_elements<char>(buffer, count, tag, element_rules{true, 1})) {
        return false;
    }
    *length = static_cast<int>(count);
    return true;
}

bool wremove_xml_element(wchar_t* buffer, int* length, const wchar_t* tag) {
    if (buffer == nullptr || length == nullptr || tag == nullptr || *tag == L'\0' || *length <= 0 ||
        static_cast<std::size_t>(*length) % sizeof(wchar_t) != 0) {
        return false;
    }
    std::size_t count = static_cast<std::size_t>(*length) / sizeof(wchar_t);
    if (!remove_elements<wchar_t>(buffer, count, tag, element_rules{false, 0})) {
        return false;
    }
    *length = static_cast<int>(count * sizeof(wchar_t));
    return true;
}

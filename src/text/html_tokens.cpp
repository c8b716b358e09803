#include "text/html_tokens.h"

#include <locale>
#include <string_view>
#include <type_traits>
#include <utility>

#include "text/text_case.h"

namespace {

template <class Char>
bool is_line_space(Char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char lower_letter(char c) {
    to_lower_buffer(&c, 1);
    return c;
}

// The classic locale, as for narrow text: only ASCII letters change, whatever the process
// locale, so a tag reads the same on every machine.
wchar_t lower_letter(wchar_t c) {
    static const std::locale locale(std::locale::classic());
    return std::use_facet<std::ctype<wchar_t>>(locale).tolower(c);
}

// "<?" and "<%" open server-side blocks, which are neither split nor rewritten.
template <class Char>
bool opens_script_block(Char after_lt) {
    return after_lt == '?' || after_lt == '%';
}

// The state of split_markup_items between characters. The rules are the same for narrow
// and wide markup; only narrow items are ever trimmed.
template <class Char>
class html_splitter {
public:
    using text_type = std::basic_string<Char>;
    using view_type = std::basic_string_view<Char>;

    html_splitter(std::vector<text_type>& list, bool trim) : m_list(list), m_trim(trim) {}

    void step(view_type text, std::size_t i) {
        const Char c = text[i];
        const Char next = i + 1 < text.size() ? text[i + 1] : Char{};
        if (m_in_body) {
            // Inside <pre> and <script> bodies only "</" means markup again.
            if (c == '<' && next == '/') {
                add(std::exchange(m_run, {}));
                m_in_body = false;
                open_tag(false);
            } else {
                m_run.push_back(c);
            }
            return;
        }
        if (c == '<' && !m_block_tag) {
            if (opens_script_block(next)) {
                m_list.push_back(std::exchange(m_run, {}));  // added even when empty
            } else {
                add(std::exchange(m_run, {}));
            }
            open_tag(opens_script_block(next));
            return;
        }
        if (!m_tag_open) {
            m_run.push_back(c);
            return;
        }
        m_tag.push_back(c);
        if (c == '>') {
            close_tag();
        }
    }

private:
    void add(text_type item) {
        if constexpr (std::is_same_v<Char, char>) {
            if (m_trim && !trim_whitespace(item)) {
                return;
            }
        }
        m_list.push_back(std::move(item));
    }

    // Starts a tag with its "<"; a tag still open is given up.
    void open_tag(bool block_tag) {
        m_tag.assign(1, Char('<'));
        m_tag_open = true;
        m_block_tag = block_tag;
    }

    void close_tag() {
        // m_tag ends in ">" and begins with "<", so it holds at least two characters.
        const Char before = m_tag[m_tag.size() - 2];
        if (m_block_tag && !opens_script_block(before)) {
            return;
        }
        m_in_body = begins_nocase(m_tag, "<pre>") || begins_nocase(m_tag, "<script");
        add(std::exchange(m_tag, {}));
        m_tag_open = false;
        m_block_tag = false;
    }

    // Whether the tag begins with the ASCII word, letters compared without regard to case.
    static bool begins_nocase(const text_type& tag, std::string_view word) {
        if (tag.size() < word.size()) {
            return false;
        }
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (lower_letter(tag[i]) != static_cast<Char>(word[i])) {
                return false;
            }
        }
        return true;
    }

    std::vector<text_type>& m_list;
    bool m_trim;
    text_type m_run;
    text_type m_tag;
    bool m_tag_open = false;
    bool m_block_tag = false;  // the open tag is a "<?" or "<%" block
    bool m_in_body = false;    // inside a <pre> or <script> body
};

// The state of normalising one tag between characters.
template <class Char>
class tag_normalizer {
public:
    using text_type = std::basic_string<Char>;

    void step(Char c) {
        if (m_quote != 0) {
            m_out.push_back(c);
            if (c == m_quote) {
                m_quote = 0;
            }
            return;
        }
        if (m_in_value) {
            if (!is_line_space(c) && c != '>') {
                m_out.push_back(lower_letter(c));
                return;
            }
            m_out.push_back(Char('"'));
            m_in_value = false;
        }
        if (m_after_equals && !is_line_space(c)) {
            m_after_equals = false;
            if (c != '"' && c != '\'' && c != '>') {
                // An unquoted value: quoted, its first character keeping its case.
                m_out.push_back(Char('"'));
                m_out.push_back(c);
                m_in_value = true;
                return;
            }
        }
        plain_step(c);
    }

    text_type finish() {
        if (m_in_value) {
            m_out.push_back(Char('"'));
        }
        return std::move(m_out);
    }

private:
    void plain_step(Char c) {
        const Char last = m_out.empty() ? Char{} : m_out.back();
        if (c == '"' || c == '\'') {
            m_quote = c;
            m_out.push_back(c);
        } else if (is_line_space(c)) {
            if (last != ' ' && last != '=') {
                m_out.push_back(c);
            }
        } else if (c == '=') {
            while (!m_out.empty() && m_out.back() == ' ') {
                m_out.pop_back();
            }
            m_out.push_back(c);
            m_after_equals = true;
        } else {
            m_out.push_back(lower_letter(c));
        }
    }

    text_type m_out;
    Char m_quote = 0;
    bool m_after_equals = false;
    bool m_in_value = false;
};

}  // namespace

template <class Char>
bool split_markup_items(std::basic_string_view<Char> text,
                        std::vector<std::basic_string<Char>>& list, bool trim) {
    html_splitter<Char> splitter(list, trim);
    for (std::size_t i = 0; i < text.size(); ++i) {
        splitter.step(text, i);
    }
    return !list.empty();
}

template <class Char>
bool normalize_markup_items(std::vector<std::basic_string<Char>>& list) {
    for (std::basic_string<Char>& item : list) {
        if (item.empty() || item[0] != '<' || (item.size() > 1 && opens_script_block(item[1]))) {
            continue;
        }
        tag_normalizer<Char> normalizer;
        for (const Char c : item) {
            normalizer.step(c);
        }
        item = normalizer.finish();
    }
    return !list.empty();
}

template bool split_markup_items<char>(std::string_view, std::vector<std::string>&, bool);
template bool split_markup_items<wchar_t>(std::wstring_view, std::vector<std::wstring>&, bool);
template bool normalize_markup_items<char>(std::vector<std::string>&);
template bool normalize_markup_items<wchar_t>(std::vector<std::wstring>&);

bool split_html_tokens(const char* buffer, int length, std::vector<std::string>& list, bool trim) {
    if (buffer == nullptr || length <= 0) {
        return !list.empty();
    }
    return split_markup_items(std::string_view(buffer, static_cast<std::size_t>(length)), list,
                              trim);
}

bool normalize_html_tags(std::vector<std::string>& list) { return normalize_markup_items(list); }

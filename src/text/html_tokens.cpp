#include "text/html_tokens.h"

#include <string_view>
#include <utility>

#include "text/markup_match.h"
#include "text/text_case.h"

namespace {

// "<?" and "<%" open server-side blocks, which are neither split nor rewritten.
bool opens_script_block(char after_lt) { return after_lt == '?' || after_lt == '%'; }

// The state of split_html_tokens between characters.
class html_splitter {
public:
    html_splitter(std::vector<std::string>& list, bool trim) : m_list(list), m_trim(trim) {}

    void step(std::string_view text, std::size_t i) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
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
    void add(std::string item) {
        if (m_trim && !trim_whitespace(item)) {
            return;
        }
        m_list.push_back(std::move(item));
    }

    // Starts a tag with its "<"; a tag still open is given up.
    void open_tag(bool block_tag) {
        m_tag = "<";
        m_tag_open = true;
        m_block_tag = block_tag;
    }

    void close_tag() {
        // m_tag ends in ">" and begins with "<", so it holds at least two characters.
        const char before = m_tag[m_tag.size() - 2];
        if (m_block_tag && !opens_script_block(before)) {
            return;
        }
        const std::string_view tag(m_tag);
        m_in_body = markup_match::at(tag, 0, std::string_view("<pre>"), true) ||
                    markup_match::at(tag, 0, std::string_view("<script"), true);
        add(std::exchange(m_tag, {}));
        m_tag_open = false;
        m_block_tag = false;
    }

    std::vector<std::string>& m_list;
    bool m_trim;
    std::string m_run;
    std::string m_tag;
    bool m_tag_open = false;
    bool m_block_tag = false;  // the open tag is a "<?" or "<%" block
    bool m_in_body = false;    // inside a <pre> or <script> body
};

bool is_line_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char lower_letter(char c) {
    to_lower_buffer(&c, 1);
    return c;
}

// The state of normalising one tag between characters.
class tag_normalizer {
public:
    void step(char c) {
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
            m_out.push_back('"');
            m_in_value = false;
        }
        if (m_after_equals && !is_line_space(c)) {
            m_after_equals = false;
            if (c != '"' && c != '\'' && c != '>') {
                // An unquoted value: quoted, its first character keeping its case.
                m_out.push_back('"');
                m_out.push_back(c);
                m_in_value = true;
                return;
            }
        }
        plain_step(c);
    }

    std::string finish() {
        if (m_in_value) {
            m_out.push_back('"');
        }
        return std::move(m_out);
    }

private:
    void plain_step(char c) {
        const char last = m_out.empty() ? '\0' : m_out.back();
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

    std::string m_out;
    char m_quote = 0;
    bool m_after_equals = false;
    bool m_in_value = false;
};

}  // namespace

bool split_html_tokens(const char* buffer, int length, std::vector<std::string>& list, bool trim) {
    if (buffer != nullptr && length > 0) {
        const std::string_view text(buffer, static_cast<std::size_t>(length));
        html_splitter splitter(list, trim);
        for (std::size_t i = 0; i < text.size(); ++i) {
            splitter.step(text, i);
        }
    }
    return !list.empty();
}

bool normalize_html_tags(std::vector<std::string>& list) {
    for (std::string& item : list) {
        if (item.empty() || item[0] != '<' || (item.size() > 1 && opens_script_block(item[1]))) {
            continue;
        }
        tag_normalizer normalizer;
        for (const char c : item) {
            normalizer.step(c);
        }
        item = normalizer.finish();
    }
    return !list.empty();
}

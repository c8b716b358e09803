#include "text/extras/html_tag_values.h"

#include <climits>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "text/markup_tags.h"
#include "text/text_case.h"
#include "text/text_escape.h"
#include "text/text_replace.h"

namespace {

// Collects the tags of the buffer and appends, for each, the value of the first of names it
// holds.
bool append_tag_values(const char* data, int32 length, std::initializer_list<const char*> names,
                       std::vector<std::string>& list) {
    std::vector<std::string> tags;
    if (!extract_tags(data, length, tags)) {
        return false;
    }
    for (const std::string& tag : tags) {
        for (const char* name : names) {
            std::string value;
            if (find_named_value(tag.data(), static_cast<unsigned>(tag.size()), name, value)) {
                list.push_back(value);
                break;
            }
        }
    }
    return !list.empty();
}

}  // namespace

std::string& html_escape_full(std::string& out, const std::string& text) {
    static const std::vector<std::string> matches{"&", "<", ">", "\"", "'"};
    static const std::vector<std::string> replacements{"&amp;", "&lt;", "&gt;", "&quot;", "&#39;"};
    out.clear();
    if (text.empty() || text.size() > INT_MAX) {
        return out;
    }
    std::string escaped;
    if (!escape_by_table(reinterpret_cast<const uint8*>(text.data()),  // NOLINT(*-reinterpret-cast)
                         static_cast<int>(text.size()), matches, replacements, escaped, false,
                         false)) {
        return out;
    }
    return replace_all_copy(out, escaped, "\r\n", "<br />");
}

std::string html_escape_basic_at(const char* const* text) {
    if (text == nullptr) {
        return {};
    }
    return html_escape_basic(reinterpret_cast<const uint8*>(*text));  // NOLINT(*-reinterpret-cast)
}

bool tag_src_values(const char* data, int32 length, std::vector<std::string>& list) {
    return append_tag_values(data, length, {"src"}, list);
}

bool tag_href_values(const char* data, int32 length, std::vector<std::string>& list) {
    return append_tag_values(data, length, {"href"}, list);
}

bool tag_link_values(const char* data, int32 length, std::vector<std::string>& list) {
    return append_tag_values(data, length, {"href", "src"}, list);
}

bool texts_between_tags(const char* data, int32 length, std::vector<std::string>& list) {
    if (data == nullptr || length <= 0) {
        return false;
    }
    const std::string_view text(data, static_cast<std::size_t>(length));
    std::string gathered;
    bool inside_tag = false;
    for (const char c : text) {
        if (c == '<') {
            inside_tag = true;
        } else if (c == '>') {
            (void)trim_whitespace(gathered);  // an all-blank text becomes empty
            if (!gathered.empty()) {
                list.push_back(gathered);
            }
            gathered.clear();
            inside_tag = false;
        } else if (!inside_tag) {
            gathered += c;
        }
    }
    return !list.empty();
}

bool xml_element_text(const char* text, int32 length, const char* tag, std::string& out) {
    out.clear();
    if (text == nullptr || length == 0 || tag == nullptr) {
        return false;
    }
    const std::string_view document(text);
    const std::string open = std::string("<") + tag;
    const std::string close = std::string("</") + tag + ">";
    const std::size_t open_at = document.find(open);
    if (open_at == std::string_view::npos) {
        return false;
    }
    const std::size_t content_at = document.find('>', open_at + open.size());
    if (content_at == std::string_view::npos) {
        return false;
    }
    const std::size_t close_at = document.find(close, content_at + 1);
    if (close_at == std::string_view::npos) {
        return false;
    }
    out = document.substr(content_at + 1, close_at - content_at - 1);
    return true;
}

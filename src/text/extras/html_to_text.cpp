#include "text/extras/html_to_text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <new>
#include <string_view>
#include <vector>

#include "text/extras/whole_file_rewrite.h"
#include "text/html_tokens.h"
#include "text/markup_tags.h"

namespace {

// What the list items met so far are written as.
struct list_state {
    bool numbered = false;
    int count = 0;
};

// Tags that write a fixed marker, tried in order after the headings and "<pre"/"</pre".
struct tag_marker {
    std::string_view prefix;
    std::string_view marker;
};

constexpr tag_marker fixed_markers[] = {
    {"<pre", "[%"},         {"</pre", "%]"},         {"<p", "\n"},  {"<br/>", "// "},
    {"<blockquote", "[\""}, {"</blockquote", "\"]"}, {"<i>", "*"},  {"<strong>", "*"},
    {"</i>", "*"},          {"</strong>", "*"},      {"<b>", "_"},  {"</b>", "_"},
    {"<sup", "^"},          {"</sup", "^"},          {"<sub", "~"}, {"</sub", "~"},
    {"<code", "%"},         {"</code", "%"},
};

// HTML has six heading levels; a larger number is taken as the last, so that a tag such as
// "<h1000000000>" cannot make the text grow out of all proportion to the markup.
constexpr unsigned max_heading_level = 6;

// "=" once per heading level; nothing when no level number follows.
void write_heading(std::string_view digits, std::string& out) {
    unsigned level = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), level);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        level = max_heading_level;  // more digits than the number holds
    } else if (error != std::errc()) {
        return;
    }
    if (level > 0) {
        out.append(std::min(level, max_heading_level), '=');
    }
}

bool attribute_of(std::string_view tag, const char* name, std::string& value) {
    return tag.size() <= INT_MAX &&
           xml_attribute_value(tag.data(), static_cast<int>(tag.size()), name, value);
}

void write_image(std::string_view tag, std::string& out) {
    std::string value;
    out += '[';
    if (attribute_of(tag, "src", value)) {
        out += value;
    }
    if (attribute_of(tag, "alt", value)) {
        out += ", ";
        out += value;
    }
    out += ']';
}

// Lists and images: the rows whose output depends on more than the tag's name.
void write_list_or_image(std::string_view tag, list_state& lists, std::string& out) {
    if (tag.starts_with("<img ")) {
        write_image(tag, out);
    } else if (tag.starts_with("<ul")) {
        lists.numbered = false;
    } else if (tag.starts_with("<ol")) {
        lists = {true, 0};
    } else if (tag.starts_with("<li")) {
        if (!lists.numbered) {
            out += '*';
            return;
        }
        ++lists.count;
        out += std::to_string(lists.count) + ". ";
    }
}

// One normalised tag: the first row whose prefix it begins with decides what is written.
void write_tag(std::string_view tag, list_state& lists, std::string& out) {
    // Every "<h" tag ends here: "<html>" and "<head>" write nothing.
    if (tag.starts_with("<h")) {
        write_heading(tag.substr(2), out);
        return;
    }
    if (tag.starts_with("</h")) {
        write_heading(tag.substr(3), out);
        return;
    }
    for (const tag_marker& row : fixed_markers) {
        if (tag.starts_with(row.prefix)) {
            out += row.marker;
            return;
        }
    }
    write_list_or_image(tag, lists, out);
}

std::string convert(const std::string& html) {
    std::vector<std::string> items;
    std::string text;
    if (html.size() > INT_MAX ||
        !split_html_tokens(html.data(), static_cast<int>(html.size()), items, false)) {
        return text;
    }
    (void)normalize_html_tags(items);  // true: the list is not empty
    list_state lists;
    for (const std::string& item : items) {
        const std::size_t lt = item.find('<');
        if (lt == std::string::npos) {
            text += item;
        } else {
            write_tag(std::string_view(item).substr(lt), lists, text);
        }
    }
    return text;
}

}  // namespace

int html_to_text(const std::string& input, const std::string& output) {
    std::string html;
    std::string text;
    if (read_whole_file(input, html)) {
        try {
            text = convert(html);
        } catch (const std::bad_alloc&) {
            text.clear();  // markup too large for memory must not end the run
        }
    }
    // Nothing reports here; a failed write leaves the old output as it was.
    (void)replace_file_contents(output, text);
    return 0;
}

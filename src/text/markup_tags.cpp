#include "text/markup_tags.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "text/markup_match.h"

namespace {

// Attribute names longer than this are refused: no markup we read has such names, and the
// bound keeps a hostile name from turning each step of the scan into a long comparison.
constexpr std::size_t max_attribute_name = 256;

std::string_view counted_view(const char* buffer, int length) {
    if (buffer == nullptr || length <= 0) {
        return {};
    }
    return {buffer, static_cast<std::size_t>(length)};
}

// Walks the tags of text: a "<" outside a tag starts one, every ">" hands the tag collected
// so far (empty outside a tag) to emit with the 1-based index of its "<" (0 when none).
template <class Emit>
void walk_tags(std::string_view text, Emit emit) {
    std::string tag;
    bool in_tag = false;
    int position = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '<' && !in_tag) {
            in_tag = true;
            tag.assign(1, '<');
            position = static_cast<int>(i) + 1;
            continue;
        }
        if (c == '>') {
            if (in_tag) {
                tag.push_back(c);
            }
            emit(tag, in_tag ? position : 0);
            tag.clear();
            in_tag = false;
            continue;
        }
        if (in_tag) {
            tag.push_back(c);
        }
    }
}

// Reads the value after the "=" at eq into out (value and length); false when the text ends
// before the value does.
bool read_attribute_value(std::string_view text, std::size_t eq, attribute_match& out) {
    std::size_t i = eq + 1;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    if (i >= text.size()) {
        return false;
    }
    const char quote = text[i];
    if (quote == '"' || quote == '\'') {
        for (std::size_t j = i + 1; j < text.size(); ++j) {
            if (text[j] == quote) {
                out.length = j - eq;
                return true;
            }
            if (text[j] != '\r' && text[j] != '\n') {
                out.value.push_back(text[j]);
            }
        }
        return false;
    }
    for (std::size_t j = i; j < text.size(); ++j) {
        if (text[j] == ' ' || text[j] == '\r') {
            out.length = j - eq - 1;
            return true;
        }
        out.value.push_back(text[j]);
    }
    return false;
}

bool find_attribute(std::string_view text, const char* name, uint64 base, attribute_match& out) {
    out = attribute_match{};
    if (name == nullptr) {
        return false;
    }
    const std::size_t name_length = strnlen(name, max_attribute_name + 1);
    if (name_length > max_attribute_name || name_length >= text.size()) {
        return false;
    }
    const std::string_view pattern(name, name_length);
    for (std::size_t i = 0; text.size() - i > name_length; ++i) {
        if (!markup_match::at(text, i, pattern, true)) {
            continue;
        }
        const std::size_t eq = text.find('=', i + name_length);
        if (eq == std::string_view::npos) {
            return false;  // no later occurrence can have an "=" after it either
        }
        attribute_match found;
        found.offset = base + eq;
        if (read_attribute_value(text, eq, found)) {
            out = std::move(found);
            return true;
        }
        // The value ran to the end of the text; look for the name again after it.
        i += name_length - 1;
    }
    return false;
}

}  // namespace

bool extract_tags(const char* buffer, int length, std::vector<std::string>& list) {
    const std::string_view text = counted_view(buffer, length);
    if (text.empty()) {
        return false;
    }
    walk_tags(text, [&list](const std::string& tag, int) { list.push_back(tag); });
    return !list.empty();
}

bool collect_tag_items(const char* buffer, int length, std::vector<tag_item>& list) {
    const std::string_view text = counted_view(buffer, length);
    if (text.empty()) {
        return false;
    }
    walk_tags(text, [&list](const std::string& tag, int position) {
        list.push_back(tag_item{tag, position});
    });
    return !list.empty();
}

bool xml_attribute_value(const char* buffer, int length, const char* name, std::string& out) {
    out.clear();
    const std::string_view text = counted_view(buffer, length);
    if (text.empty() || name == nullptr) {
        return false;
    }
    const std::string_view pattern(name);
    const std::size_t at = text.find(pattern);
    if (at == std::string_view::npos) {
        return false;
    }
    const std::size_t eq = text.find('=', at + pattern.size());
    if (eq == std::string_view::npos) {
        return false;
    }
    const std::size_t open = text.find('"', eq + 1);
    if (open == std::string_view::npos) {
        return false;
    }
    const std::size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos) {
        return false;
    }
    out = text.substr(open + 1, close - open - 1);
    return true;
}

bool nth_tag_attribute(const char* buffer, int length, int n, std::string& name,
                       std::string& value) {
    name.clear();
    value.clear();
    const std::string_view text = counted_view(buffer, length);
    if (n <= 0 || text.size() < 2 || text[0] != '<' || text[1] == ' ') {
        return false;
    }
    const std::size_t end = text.find('>');
    if (end == std::string_view::npos) {
        return false;
    }
    const std::string_view tag = text.substr(0, end);
    if (std::count(tag.begin(), tag.end(), '=') < n) {
        return false;
    }
    std::size_t start = tag.find(' ');
    // Each attribute runs from its start to its "=", its value between the next two double
    // quotes; the next attribute starts after the closing quote.
    for (int k = 1; start != std::string_view::npos; ++k) {
        const std::size_t eq = tag.find('=', start);
        const std::size_t open = eq == std::string_view::npos ? eq : tag.find('"', eq + 1);
        const std::size_t close = open == std::string_view::npos ? open : tag.find('"', open + 1);
        if (close == std::string_view::npos) {
            return false;
        }
        if (k == n) {
            const std::string_view attribute = tag.substr(start, eq - start);
            std::remove_copy(attribute.begin(), attribute.end(), std::back_inserter(name), ' ');
            value = tag.substr(open + 1, close - open - 1);
            return true;
        }
        start = close + 1;
    }
    return false;
}

bool find_tag_attribute(const positioned_text& text, unsigned length, const char* name,
                        attribute_match& out) {
    std::string_view view(text.text);
    view = view.substr(0, std::min<std::size_t>(length, view.size()));
    return find_attribute(view, name, text.offset, out);
}

bool find_named_value(const char* buffer, unsigned length, const char* name, std::string& out) {
    out.clear();
    if (buffer == nullptr) {
        return false;
    }
    attribute_match found;
    if (!find_attribute(std::string_view(buffer, length), name, 0, found)) {
        return false;
    }
    out = std::move(found.value);
    return true;
}

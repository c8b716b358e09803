#include "text/extras/link_and_json_extraction.h"

#include <limits>
#include <new>

#include "text/markup_tags.h"
#include "text/text_case.h"

namespace {

// How close the parts of `"key": [ ... }]` must lie for the text to count as an array of
// objects under that key: the ":" within the quoted key's length plus 2 of its start, the
// "[" within 2 of the ":", and the array's last "}" within 5 of its "]".
constexpr std::size_t colon_slack = 2;
constexpr std::size_t bracket_reach = 2;
constexpr std::size_t brace_reach = 5;

uint32 cut_to_32(uint64 value) {
    return static_cast<uint32>(value & std::numeric_limits<uint32>::max());
}

// The "href" value of the tag, else its "src" value.
bool link_of(const std::string& tag, tag_attribute& found) {
    const positioned_text text{tag, 0};
    const auto length = static_cast<unsigned>(
        std::min<std::size_t>(tag.size(), std::numeric_limits<unsigned>::max()));
    attribute_match match;
    if (!find_tag_attribute(text, length, "href", match) &&
        !find_tag_attribute(text, length, "src", match)) {
        return false;
    }
    found = tag_attribute(match.value, match.offset, match.length);
    return true;
}

// End (the "]") of the array value at the key occurrence at pos, or npos when the text
// there is not `"key": [ ... }]`.
std::size_t array_end_at(const std::string& lower, std::size_t pos, std::size_t quoted_length) {
    const std::size_t colon = lower.find(':', pos);
    if (colon == std::string::npos || colon - pos > quoted_length + colon_slack) {
        return std::string::npos;
    }
    const std::size_t bracket = lower.find('[', colon);
    if (bracket == std::string::npos || bracket - colon > bracket_reach) {
        return std::string::npos;
    }
    const std::size_t close = lower.find(']', bracket);
    if (close == std::string::npos) {
        return std::string::npos;
    }
    const std::size_t brace = lower.rfind('}', close);
    if (brace == std::string::npos || close - brace > brace_reach) {
        return std::string::npos;
    }
    return close;
}

// The key's output from the first occurrence that passes, or false.
bool array_for_key(const std::string& json, const std::string& lower, std::string key,
                   std::string& out) {
    const std::string quoted = "\"" + string_to_lower(key) + "\"";
    for (std::size_t pos = lower.find(quoted); pos != std::string::npos;
         pos = lower.find(quoted, pos + 1)) {
        const std::size_t close = array_end_at(lower, pos, quoted.size());
        if (close != std::string::npos) {
            out = json.substr(pos, close - pos);
            (void)trim_quotes(out);  // drops the key's opening quote; the text is not empty
            return true;
        }
    }
    return false;
}

}  // namespace

tag_attribute::tag_attribute(std::string value, uint64 offset, uint64 length) {
    clear();
    m_value = std::move(value);
    m_offset = offset;
    m_length = length;
}

void tag_attribute::clear() { *this = tag_attribute(); }

bool extract_links(const char* data, int count, link_map& links) {
    tag_attribute found;
    std::vector<tag_item> tags;
    if (!collect_tag_items(data, count, tags)) {
        return false;
    }
    for (const tag_item& tag : tags) {
        if (link_of(tag.text, found)) {
            links.emplace(found.m_value,
                          std::make_pair(cut_to_32(found.m_offset), cut_to_32(found.m_length)));
        }
    }
    return !links.empty();
}

bool extract_json_arrays(std::vector<std::string>& out, const std::vector<std::string>& keys,
                         const std::string& json) {
    if (json.empty() || keys.empty()) {
        return false;
    }
    bool any = false;
    try {
        out.assign(keys.size(), std::string());
        std::string lower = json;
        (void)string_to_lower(lower);  // one byte for one byte: positions carry over
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (!keys[i].empty() && array_for_key(json, lower, keys[i], out[i])) {
                any = true;
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return any;
}

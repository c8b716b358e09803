#include "text/extras/device_id_split.h"

#include <array>
#include <string_view>

#include "text/text_case.h"

namespace {

constexpr std::string_view hash_separator = "#";
// The component after which the instance part follows, tried in this order.
constexpr std::array<std::string_view, 3> hash_components = {"pid_", "rev_", "prod_"};
constexpr std::size_t short_item = 4;
constexpr std::size_t suffix_reach = 3;

bool choose_separator(const std::string& text, std::string& separator) {
    if (text.find(hash_separator) != std::string::npos) {
        separator = std::string(hash_separator);
        return true;
    }
    if (!separator.empty()) {
        return true;
    }
    for (const char* candidate : {"/", "\\"}) {
        if (text.find(candidate) != std::string::npos) {
            separator = candidate;
            return true;
        }
    }
    return false;
}

bool hash_form_item(const std::string& text, std::string& item) {
    std::string lower = text;
    string_to_lower(lower);
    std::size_t at = std::string::npos;
    for (const std::string_view component : hash_components) {
        at = lower.find(component);
        if (at != std::string::npos) {
            break;
        }
    }
    if (at == std::string::npos) {
        return false;
    }
    const std::size_t next = text.find(hash_separator, at);
    if (next == std::string::npos || next + 1 >= text.size()) {
        return false;
    }
    const std::size_t end = text.find(hash_separator, next + 1);
    item = text.substr(next + 1, end == std::string::npos ? std::string::npos : end - next - 1);
    return true;
}

bool last_part_item(const std::string& text, const std::string& separator, std::string& item) {
    const std::size_t last = text.rfind(separator);
    if (last + separator.size() < text.size()) {
        item = text.substr(last + separator.size());
        return true;
    }
    // A trailing separator: the item is the part before it.
    if (last == 0) {
        return false;
    }
    const std::size_t before = text.rfind(separator, last - 1);
    if (before == std::string::npos) {
        return false;
    }
    const std::size_t start = before + separator.size();
    item = start < last ? text.substr(start, last - start) : std::string();
    return true;
}

std::string base_of(const std::string& item) {
    if (item.size() <= short_item || item[1] == '&') {
        return item;
    }
    const std::size_t amp = item.rfind('&');
    if (amp == std::string::npos || amp + suffix_reach < item.size()) {
        return item;
    }
    return item.substr(0, amp);
}

}  // namespace

bool split_device_id(std::string& item, std::string& base, std::string& separator,
                     const std::string& text) {
    item.clear();
    base.clear();
    if (text.empty() || !choose_separator(text, separator)) {
        return false;
    }
    if (text.find(separator) == std::string::npos) {
        return false;
    }
    const bool found = separator == hash_separator ? hash_form_item(text, item)
                                                   : last_part_item(text, separator, item);
    if (!found || item.empty()) {
        item.clear();
        return false;
    }
    base = base_of(item);
    return true;
}

#include "text/env_expand.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

// Upward include: wide text crosses to bytes through the file layer's path codec, the one
// pair every path conversion uses.
#include "io/path_codec.h"
#include "text/text_case.h"

namespace {

// A text is expanded only while it is at most this long: the longest path the system
// takes (PATH_MAX, 4096 with its terminator), so that no path is left unexpanded for its
// length; the limit stops values that keep growing.
constexpr std::size_t expansion_limit = 4095;

// A backstop against any reference loop the search below does not foresee: more
// substitutions than a text of the limit's length can hold references for ("%A%" is 3).
constexpr int max_substitutions = 4096;

// A value inserted for a variable and still being searched: references inside it are
// expanded in turn, but never the same variable again.
struct open_value {
    std::string name;
    std::size_t end;  // one past the value's last character in the text
};

bool is_open_name(const std::vector<open_value>& open, const std::string& name) {
    return std::any_of(open.begin(), open.end(),
                       [&](const open_value& value) { return value.name == name; });
}

// Replaces [at, at + length) by value and moves the ends of the enclosing values with it.
void substitute(std::string& text, std::vector<open_value>& open, std::size_t at,
                std::size_t length, const std::string& value) {
    text.replace(at, length, value);
    for (open_value& enclosing : open) {
        enclosing.end = enclosing.end - length + value.size();
    }
}

bool names_vss(std::string name) { return string_to_lower(name) == "vss"; }

}  // namespace

std::string expand_env_vars(std::string& text, bool allow_vss) {
    std::vector<open_value> open;
    std::size_t position = 0;
    int substitutions = 0;
    while (text.size() <= expansion_limit && substitutions < max_substitutions) {
        const std::size_t first = text.find('%', position);
        if (first == std::string::npos) {
            break;
        }
        const std::size_t second = text.find('%', first + 1);
        if (second == std::string::npos) {
            break;
        }
        const std::size_t length = second - first + 1;
        // Values that do not hold the whole reference are searched to their end.
        while (!open.empty() && open.back().end < second + 1) {
            open.pop_back();
        }
        const std::string name = text.substr(first + 1, length - 2);
        const char* value = std::getenv(name.c_str());
        position = second + 1;
        if (value != nullptr) {
            if (is_open_name(open, name)) {
                continue;  // it would expand into itself without end
            }
            substitute(text, open, first, length, value);
            open.push_back({name, first + std::char_traits<char>::length(value)});
            position = first;
            ++substitutions;
        } else if (allow_vss && names_vss(name)) {
            // The search goes on inside the prefix, which holds no '%'.
            substitute(text, open, first, length, vss_device_prefix(false, true));
            ++substitutions;
        }
    }
    return text;
}

bool name_exists(const std::string& name) {
    struct stat64 info {};
    return !name.empty() && ::lstat64(name.c_str(), &info) == 0;
}

std::string expand_missing_name(const std::string& name) {
    if (name_exists(name)) {
        return name;
    }
    std::string expanded = name;
    return expand_env_vars(expanded, true);
}

std::wstring wexpand_env_vars(std::wstring& text) {
    std::string narrow;
    if (!uni::wide_path_to_narrow(text, narrow)) {
        return text;  // a character no byte form names: nothing to look up
    }
    text = uni::narrow_path_to_wide(expand_env_vars(narrow, false));
    return text;
}

std::string vss_device_prefix(bool lower_case, bool with_globalroot) {
    std::string prefix = with_globalroot ? "\\\\?\\GLOBALROOT\\" : "\\";
    prefix += "Device";
    prefix += "\\";
    prefix += "HarddiskVolumeShadowCopy";
    if (lower_case) {
        string_to_lower(prefix);
    }
    return prefix;
}

int vss_prefix_length() { return static_cast<int>(vss_device_prefix(false, true).size()); }

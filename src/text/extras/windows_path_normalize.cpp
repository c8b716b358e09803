#include "text/extras/windows_path_normalize.h"

#include <vector>

#include "text/env_expand.h"
#include "text/text_case.h"
#include "text/text_join.h"
#include "text/text_replace.h"
#include "text/text_split.h"

namespace {

// Copies: replace_first lower-cases the caller's pattern in place.
void replace_once(std::string& text, std::string pattern, const std::string& replacement,
                  bool nocase) {
    (void)replace_first(text, pattern, replacement, nocase);  // absent patterns are the rule
}

// The parts of a split path with "." and ".." resolved on a stack.
std::vector<std::string> resolve_parts(const std::vector<std::string>& parts, bool absolute) {
    std::vector<std::string> kept;
    for (const std::string& part : parts) {
        if (part.empty() || part == ".") {
            continue;
        }
        if (part != "..") {
            kept.push_back(part);
            continue;
        }
        if (!kept.empty() && kept.back() != "..") {
            kept.pop_back();
        } else if (!absolute) {
            // Above the start of a relative path: dropping it would name another file.
            kept.push_back(part);
        }
    }
    return kept;
}

}  // namespace

bool normalize_windows_path(const char* path, std::string& out, const char* root) {
    out.clear();
    if (path == nullptr) {
        return false;
    }
    const std::string system_root = root == nullptr ? "" : root;
    out = path;
    // Service image paths carry their arguments after the file name.
    (void)truncate_at(out, " /", true);   // no switch: nothing to cut
    (void)truncate_at(out, " -k", true);  // no service group: nothing to cut
    replace_once(out, "%SystemRoot%", system_root, true);
    replace_once(out, "\\SystemRoot", system_root, true);
    replace_once(out, "SystemRoot", system_root, true);
    replace_once(out, "%vss%", vss_device_prefix(false, true), true);
    replace_once(out, "\\??\\", "", false);
    replace_once(out, "\\?\\", "", false);
    string_to_lower(out);
    if (out.starts_with("system32")) {
        out = system_root + "\\" + out;
    }
    return true;
}

bool resolve_dot_segments(std::string& path, bool expand) {
    if (path.empty()) {
        return false;
    }
    replace_char(path, '\\', '/', false);
    if (expand) {
        (void)expand_env_vars(path, true);  // edits path in place; the copy is not needed
    }
    if (path.find('.') == std::string::npos) {
        return true;
    }
    std::vector<std::string> parts;
    if (!split_on_char(path, '/', parts, true, true, false)) {
        return true;  // emptied by the expansion: nothing to resolve
    }
    const bool absolute = parts.front().empty();
    std::string joined;
    join_with_separator(joined, resolve_parts(parts, absolute), "/", false);
    path = absolute ? "/" + joined : joined;
    return true;
}

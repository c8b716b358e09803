#include "text/extras/alias_resolution.h"

#include "cmdline/cmd_params.h"
#include "text/text_case.h"

namespace {

// The "-aliaspath" rewrite; false when no key applies.
bool resolve_alias_path(const cmd_params& options, const std::string& lower,
                        const std::string& text, std::string& out) {
    for (auto entry = options.m_alias_paths.rbegin(); entry != options.m_alias_paths.rend();
         ++entry) {
        const std::string& key = entry->first;
        if (key.size() >= text.size()) {
            continue;
        }
        const std::size_t at = lower.find(key);
        if (at != std::string::npos) {
            out = entry->second + text.substr(at + key.size());
            return true;
        }
    }
    return false;
}

}  // namespace

std::string& resolve_alias(const cmd_params& options, std::string& out, const std::string& text) {
    out.clear();
    if (options.m_aliases.empty() && options.m_alias_paths.empty()) {
        out = text;
        return out;
    }
    std::string lower = text;
    (void)string_to_lower(lower);
    const auto alias = options.m_aliases.find(lower);
    if (alias != options.m_aliases.end()) {
        out = alias->second;
        return out;
    }
    if (!text.empty() && resolve_alias_path(options, lower, text, out)) {
        return out;
    }
    out = text;
    return out;
}

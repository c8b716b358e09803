#include "text/text_join.h"

#include <algorithm>
#include <span>

#include "text/text_case.h"

namespace {

template <typename Text>
Text& join_items(Text& out, const std::vector<Text>& list, const Text& separator, bool skip_empty) {
    out.clear();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (skip_empty && list[i].empty()) {
            continue;
        }
        out += list[i];
        if (i + 1 < list.size() && !separator.empty()) {
            out += separator;
        }
    }
    // Drops the separator that a skipped last item leaves behind; a separator of several
    // characters loses only its first, so such a trailing separator stays.
    if (skip_empty && !out.empty() && !separator.empty() && out.back() == separator.front()) {
        out.pop_back();
    }
    return out;
}

void append_quoted_if_blank(std::string& out, const std::string& item, char quote) {
    if (item.find(' ') == std::string::npos) {
        out += item;
        return;
    }
    out += quote;
    out += item;
    out += quote;
}

}  // namespace

std::string& join_with_separator(std::string& out, const std::vector<std::string>& list,
                                 const std::string& separator, bool skip_empty) {
    return join_items(out, list, separator, skip_empty);
}

std::wstring& join_w(std::wstring& out, const std::vector<std::wstring>& list,
                     const std::wstring& separator, bool skip_empty) {
    return join_items(out, list, separator, skip_empty);
}

bool join_quoted(std::string& out, const std::vector<std::string>& list, char quote) {
    out.clear();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i > 0) {
            out += ' ';
        }
        append_quoted_if_blank(out, list[i], quote);
    }
    return true;
}

bool join_argv(std::string& out, int count, const char* const* argv) {
    if (count <= 0 || argv == nullptr) {
        return false;
    }
    out.clear();
    const std::span args(argv, static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0) {
            out += ' ';
        }
        append_quoted_if_blank(out, args[i] == nullptr ? std::string() : std::string(args[i]), '"');
    }
    return true;
}

bool join_args_quoted(std::string& out, int* count, const std::vector<std::string>& list,
                      bool quote_values) {
    out.clear();
    if (count != nullptr) {
        *count = static_cast<int>(list.size());
    }
    if (list.empty()) {
        return false;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string& item = list[i];
        if (item.empty()) {
            continue;
        }
        if (i > 0) {
            out += ' ';
        }
        const bool quoted =
            item.find(' ') != std::string::npos || (quote_values && i > 0 && item.front() != '-');
        if (!quoted) {
            out += item;
            continue;
        }
        out += '"';
        std::remove_copy(item.begin(), item.end(), std::back_inserter(out), '"');
        out += '"';
    }
    (void)trim_whitespace(out);  // only the blanks placed before skipped items can go
    return true;
}

#include "text/extras/list_splitters.h"

#include <cstddef>

#include "io/uni_encoding.h"
#include "text/text_join.h"
#include "text/text_split.h"

bool split_joined_args(std::vector<std::string>& out, int32 count, const char* const* args,
                       char separator) {
    std::string line;
    if (!join_argv(line, count, args)) {
        return false;
    }
    out.clear();
    if (separator == ' ') {
        return split_command_line(line.c_str(), 0, out, true) > 0;
    }
    return split_on_char(line, separator, out, false, false, false);
}

bool split_to_set(const std::string& text, char separator, std::set<std::string>& out, bool trim,
                  bool append) {
    if (!append) {
        out.clear();
    }
    std::vector<std::string> parts;
    if (!split_on_char(text, separator, parts, trim, false, false)) {
        return false;
    }
    out.insert(parts.begin(), parts.end());
    return true;
}

char split_first_separator_w(std::vector<std::wstring>& out, const std::wstring& text, bool trim,
                             bool keep_empty, const std::string& candidates) {
    out.clear();
    std::vector<std::string> parts;
    const char separator =
        split_on_first_separator(parts, uni::wstring_to_utf8(text), trim, keep_empty, candidates);
    out.resize(parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i) {
        // A part that does not decode stays as far as it converted.
        (void)uni::utf8_to_wstring(out[i], parts[i]);
    }
    return separator;
}

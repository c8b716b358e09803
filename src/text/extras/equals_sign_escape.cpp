#include "text/extras/equals_sign_escape.h"

#include <cstddef>
#include <string_view>

#include "text/text_replace.h"

namespace {

constexpr std::string_view escaped_equals = "=3D";
constexpr std::string_view soft_break = "=\r\n";
constexpr std::size_t line_limit = 75;
constexpr std::size_t mark_length = 3;  // "=" and the two characters it stands before

}  // namespace

std::string& qp_escape_text(std::string& out, const std::string& text) {
    out.clear();
    if (text.empty()) {
        return out;
    }
    std::string escaped;
    replace_all_copy(escaped, text, "=", std::string(escaped_equals));
    out.reserve(escaped.size() + escaped.size() / line_limit * soft_break.size());
    std::size_t line = 0;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        // In the escaped copy every "=" opens an "=3D". A break that would land inside one
        // is written before its "=" so that the three characters stay together and decode.
        const bool escape_would_split =
            c == '=' && line + mark_length - 1 >= line_limit && line < line_limit;
        if (line == line_limit || escape_would_split) {
            out += soft_break;
            line = 0;  // this character is not counted
        } else if (c == '\r' || c == '\n') {
            line = 0;
        } else {
            ++line;
        }
        out.push_back(c);
    }
    return out;
}

std::string& qp_strip_marks(std::string& out, const std::string& text) {
    out.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '=') {
            out.push_back(text[i]);
            ++i;
            continue;
        }
        if (text.size() - i < mark_length) {
            // Too short to be a mark: drop the "=" and keep the rest, reading nothing past
            // the end of the text.
            out.append(text, i + 1);
            break;
        }
        out.append(text, i + 1, 2);
        i += mark_length;
    }
    return out;
}

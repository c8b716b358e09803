#pragma once
// Bounded pattern tests shared by the markup, escaping and JSON-like helpers. Their callers
// hand in counted buffers that need not end in a NUL, so every comparison first checks that
// the whole pattern fits in what is left of the text.

#include <cstddef>
#include <string_view>

#include "text/text_case.h"

namespace markup_match {

// Whether pattern occurs at pos of text; case-blind (ASCII letters only) with nocase. An
// empty pattern never occurs, so no scan can stand still on it.
template <class Char>
[[nodiscard]] bool at(std::basic_string_view<Char> text, std::size_t pos,
                      std::basic_string_view<Char> pattern, bool nocase) {
    if (pattern.empty() || pos > text.size() || pattern.size() > text.size() - pos) {
        return false;
    }
    const std::basic_string_view<Char> here = text.substr(pos, pattern.size());
    if (!nocase) {
        return here == pattern;
    }
    return nocase_char_traits::compare(here.data(), pattern.data(), pattern.size()) == 0;
}

}  // namespace markup_match

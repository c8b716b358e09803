#pragma once
// Splitters into other containers than a plain string list: a joined argument vector, a set
// of distinct parts, and wide parts under the first separator that occurs.

#include <set>
#include <string>
#include <vector>

#include "text/kq_types.h"

// The arguments joined into one line (single blanks, an argument holding a blank in double
// quotes), then split again: with a blank separator into words (a double-quoted group kept
// whole), else at the separator (parts not trimmed, empty ones dropped). False when the
// arguments cannot be joined or nothing results.
[[nodiscard]] bool split_joined_args(std::vector<std::string>& out, int32 count,
                                     const char* const* args, char separator);

// Inserts every non-empty part (trimmed when asked) into the set, emptied first unless
// append. False only for an empty text.
[[nodiscard]] bool split_to_set(const std::string& text, char separator, std::set<std::string>& out,
                                bool trim, bool append);

// split_on_first_separator over the text's UTF-8 form, each part widened again. Returns the
// separator used, or 0 (the whole text then the one part).
char split_first_separator_w(std::vector<std::wstring>& out, const std::wstring& text, bool trim,
                             bool keep_empty, const std::string& candidates);

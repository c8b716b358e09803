#pragma once
// The caption line of a padded column table, with where each column starts and how wide it
// is, so that rows written later can line up under it.

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "text/kq_types.h"

// Writes each name left-aligned in its width followed by separator. A name's width is its
// length, or widths[i] when widths holds exactly one entry per name and that is larger.
// positions receives 0 and then each column's start plus its width plus the separator's
// length; widths receives the widths used; by_name maps each name (trimmed, lower-cased) to
// its width, the larger when a name repeats. The put position then backs up over the last
// separator and three blanks are written from its start (a separator of more than three
// characters keeps its tail); with end_line a line end follows. False, nothing written, for
// no names.
[[nodiscard]] bool write_name_header(std::ostream& out, std::vector<uint32>& positions,
                                     std::map<std::string, uint32>& by_name,
                                     std::vector<uint32>& widths,
                                     const std::vector<std::string>& names,
                                     const std::string& separator, bool end_line);
// The same for wide names, written as UTF-8, except the ending: the last separator is cut
// off, no blanks are added and a line end always follows.
[[nodiscard]] bool write_name_header_w(std::ostream& out, std::vector<uint32>& positions,
                                       std::map<std::wstring, uint32>& by_name,
                                       std::vector<uint32>& widths,
                                       const std::vector<std::wstring>& names,
                                       const std::wstring& separator);

#pragma once
// Joining lists back into text: with a separator, or with single blanks and quoting of the
// items that hold a blank (the echoed command line of the banner and the run record).

#include <string>
#include <vector>

// out receives the items with the separator after every item but the list's last. With
// skip_empty, empty items are skipped and then one trailing character equal to the
// separator's first character is removed.
std::string& join_with_separator(std::string& out, const std::vector<std::string>& list,
                                 const std::string& separator, bool skip_empty);
std::wstring& join_w(std::wstring& out, const std::vector<std::wstring>& list,
                     const std::wstring& separator, bool skip_empty);

// out receives the items joined by single blanks, an item holding a blank written between two
// quote characters. Always true.
bool join_quoted(std::string& out, const std::vector<std::string>& list, char quote);

// out receives the arguments joined by single blanks, one holding a blank between double
// quotes. False for a count of 0 or less or a null array.
[[nodiscard]] bool join_argv(std::string& out, int count, const char* const* argv);

// *count receives the number of items; the non-empty items are joined, each item after the
// first (by its index) preceded by a blank. An item holding a blank, or with quote_values an
// item after the first that does not begin with "-", is written between double quotes with
// its own double quotes removed. The result is trimmed. False for an empty list.
[[nodiscard]] bool join_args_quoted(std::string& out, int* count,
                                    const std::vector<std::string>& list, bool quote_values);

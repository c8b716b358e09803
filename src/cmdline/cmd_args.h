#pragma once
// Look-ups of options in argument lists, shared by every option parser so that all options
// follow one rule: an option matches a whole argument regardless of letter case, the first
// match wins, and a consumed option is taken out of the list together with its value, so
// that a later look-up never sees it again. An option that wants a value but stands last
// is not taken and stays where it is. Arguments nothing asks for stay and are ignored.
//
// String lists are searched from entry 0 (the program name included) unless skip_first is
// given; raw argument arrays are searched from entry 1 and never match the program name.
// Neither the list nor the option name is changed by the comparison itself.

#include <string>
#include <vector>

#include "text/kq_types.h"

// The match rule itself: equal length and equal once both copies are lower-cased.
[[nodiscard]] bool option_name_matches(const std::string& argument, const std::string& name);
[[nodiscard]] bool option_name_matches(const std::wstring& argument, const std::wstring& name);

// ---- String lists ----------------------------------------------------------------------

// At the first argument equal to name: when another argument follows, value receives it
// (whatever it looks like, "-csv" included), both are removed and the result is true.
// False, list and value unchanged, when there is no match or the match is the last item.
[[nodiscard]] bool take_option_value(const char* name, std::string& value,
                                     std::vector<std::string>& list);
// The same without removing anything.
[[nodiscard]] bool get_option_value(const char* name, std::string& value,
                                    const std::vector<std::string>& list, bool skip_first);
// True when name is in the list; the flag is removed unless keep.
[[nodiscard]] bool take_flag(const char* name, std::vector<std::string>& list, bool keep);
[[nodiscard]] bool has_option(const char* name, const std::vector<std::string>& list,
                              bool skip_first);

// ---- Raw argument arrays (entry 0 never matches; removal lowers *count) ------------------

[[nodiscard]] bool take_option_value_argv(const char* name, std::string& value, int32* count,
                                          char** arguments);
[[nodiscard]] bool get_option_value_argv(const char* name, std::string& value, int32* count,
                                         char** arguments);
[[nodiscard]] bool find_flag_argv(const char* name, int32* count, char** arguments, bool keep);
[[nodiscard]] bool has_flag_argv(const char* name, int32* count, char** arguments);

// ---- Wide lists (the narrow name is widened before the comparison) ----------------------

[[nodiscard]] bool has_option_w(const char* name, const std::vector<std::wstring>& list,
                                bool skip_first);
[[nodiscard]] bool take_flag_w(const char* name, std::vector<std::wstring>& list, bool keep);

// ---- List builders ---------------------------------------------------------------------

// Appends one string per argument ("" for a null pointer); true when the list is not empty
// afterwards.
[[nodiscard]] bool string_list_from_argv(std::vector<std::string>& list, int32 count,
                                         char** arguments);
// The same for wide arguments, each converted to UTF-8.
[[nodiscard]] bool string_list_from_wargv(std::vector<std::string>& list, int32 count,
                                          wchar_t** arguments);

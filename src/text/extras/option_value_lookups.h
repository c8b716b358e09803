#pragma once
// Option look-ups that take several values after an option, a counted list of values, the
// matching word itself, or a flag whose name is packed into a number; in narrow argument
// arrays, wide argument arrays and string lists. They follow the rule of cmdline/cmd_args.h
// (whole word, letter case ignored, first match decides, taken entries removed): the first
// match decides even when too few entries follow it, and then nothing is copied or removed.
// Values are taken whatever they look like.
//
// Argument arrays are searched from entry 1 (entry 0 is the program) and lose entries by
// shifting later pointers down and lowering count; string lists are searched from entry 0.
// A null name finds nothing.

#include <string>
#include <vector>

#include "text/kq_types.h"

// ---- Narrow argument arrays --------------------------------------------------------------

[[nodiscard]] bool take_option_value2_argv(const char* name, std::string& value1,
                                           std::string& value2, int32& count, char** arguments);
[[nodiscard]] bool take_option_value3_argv(const char* name, std::string& value1,
                                           std::string& value2, std::string& value3,
                                           int32& count, char** arguments);
[[nodiscard]] bool take_option_value4_argv(const char* name, std::string& value1,
                                           std::string& value2, std::string& value3,
                                           std::string& value4, int32& count, char** arguments);

// ---- Wide argument arrays (the narrow name is widened) -----------------------------------

[[nodiscard]] bool take_flag_wargv(const char* name, int32& count, wchar_t** arguments);
// value is emptied first, so it is empty also when the option is absent.
[[nodiscard]] bool take_option_value_wargv(const char* name, std::wstring& value, int32& count,
                                           wchar_t** arguments);
[[nodiscard]] bool take_option_value2_wargv(const char* name, std::wstring& value1,
                                            std::wstring& value2, int32& count,
                                            wchar_t** arguments);
[[nodiscard]] bool take_option_value3_wargv(const char* name, std::wstring& value1,
                                            std::wstring& value2, std::wstring& value3,
                                            int32& count, wchar_t** arguments);
[[nodiscard]] bool take_option_value4_wargv(const char* name, std::wstring& value1,
                                            std::wstring& value2, std::wstring& value3,
                                            std::wstring& value4, int32& count,
                                            wchar_t** arguments);

// ---- String lists ------------------------------------------------------------------------

// entry receives the matching item in the letter case the list holds it, before removal.
[[nodiscard]] bool take_flag_text(const char* name, std::string& entry,
                                  std::vector<std::string>& list);
[[nodiscard]] bool take_option_value2(const char* name, std::string& value1, std::string& value2,
                                      std::vector<std::string>& list);
[[nodiscard]] bool take_option_value3(const char* name, std::string& value1, std::string& value2,
                                      std::string& value3, std::vector<std::string>& list);
// The option, a count, then that many values: "-l 2 a b". count_text and values are emptied
// first. count_text receives the item after the option (0 values when it is no number).
// False, nothing removed, when the option is last or fewer than count values follow (count_text
// then stays set). A negative count takes no values and removes only the option and the count.
[[nodiscard]] bool take_option_list(const char* name, std::string& count_text,
                                    std::vector<std::string>& values,
                                    std::vector<std::string>& list);
// Finds packed_option_name(packed) and removes it unless keep.
[[nodiscard]] bool take_packed_flag(uint64 packed, std::vector<std::string>& list, bool keep);

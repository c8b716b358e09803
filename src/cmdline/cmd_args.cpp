#include "cmdline/cmd_args.h"

#include <cstddef>
#include <span>

#include "io/uni_encoding.h"
#include "text/text_case.h"
#include "text/text_replace.h"

// equals_nocase lower-cases its operands in place: compare copies so that neither the
// caller's list nor the option name changes.
bool option_name_matches(const std::string& argument, const std::string& name) {
    std::string a = argument;
    std::string b = name;
    return equals_nocase(a, b);
}

bool option_name_matches(const std::wstring& argument, const std::wstring& name) {
    std::wstring a = argument;
    std::wstring b = name;
    return wstring_equals_nocase(a, b);
}

namespace {

// Index of the first argument from `first` on that matches name, or the list's size.
std::size_t find_in_list(const std::vector<std::string>& list, const char* name,
                         std::size_t first) {
    const std::string wanted = name;
    for (std::size_t i = first; i < list.size(); ++i) {
        if (option_name_matches(list[i], wanted)) {
            return i;
        }
    }
    return list.size();
}

std::size_t find_in_wide_list(const std::vector<std::wstring>& list, const char* name,
                              std::size_t first) {
    const std::wstring wanted = uni::utf8_to_wstring(name);
    for (std::size_t i = first; i < list.size(); ++i) {
        if (option_name_matches(list[i], wanted)) {
            return i;
        }
    }
    return list.size();
}

// Raw arrays are searched from entry 1: entry 0 is the program's own path. A null entry
// matches nothing. Returns the index or -1.
int32 find_in_argv(const char* name, const int32* count, char** arguments) {
    if (name == nullptr || count == nullptr || arguments == nullptr || *count < 2) {
        return -1;
    }
    const std::string wanted = name;
    const std::span entries(arguments, static_cast<std::size_t>(*count));
    for (std::size_t i = 1; i < entries.size(); ++i) {
        if (entries[i] != nullptr && option_name_matches(entries[i], wanted)) {
            return static_cast<int32>(i);
        }
    }
    return -1;
}

// The value after the option at index (which the caller found) or false when the option
// is the last argument.
bool argv_value_at(int32 index, std::string& value, const int32* count, char** arguments) {
    if (index < 0 || index + 1 >= *count) {
        return false;
    }
    const std::span entries(arguments, static_cast<std::size_t>(*count));
    const char* next = entries[static_cast<std::size_t>(index) + 1];
    value = (next == nullptr) ? "" : next;
    return true;
}

}  // namespace

bool take_option_value(const char* name, std::string& value, std::vector<std::string>& list) {
    if (name == nullptr) {
        return false;
    }
    const std::size_t at = find_in_list(list, name, 0);
    if (at + 1 >= list.size()) {
        return false;  // absent, or last: a value option without its value is not taken
    }
    value = list[at + 1];
    const auto index = static_cast<int>(at);
    // The option goes first; its value then slides into the same index.
    return string_list_remove_at(index, list) && string_list_remove_at(index, list);
}

bool get_option_value(const char* name, std::string& value, const std::vector<std::string>& list,
                      bool skip_first) {
    if (name == nullptr) {
        return false;
    }
    const std::size_t at = find_in_list(list, name, skip_first ? 1 : 0);
    if (at + 1 >= list.size()) {
        return false;
    }
    value = list[at + 1];
    return true;
}

bool take_flag(const char* name, std::vector<std::string>& list, bool keep) {
    if (name == nullptr) {
        return false;
    }
    const std::size_t at = find_in_list(list, name, 0);
    if (at >= list.size()) {
        return false;
    }
    if (!keep) {
        (void)string_list_remove_at(static_cast<int>(at), list);  // index found above
    }
    return true;
}

bool has_option(const char* name, const std::vector<std::string>& list, bool skip_first) {
    if (name == nullptr) {
        return false;
    }
    return find_in_list(list, name, skip_first ? 1 : 0) < list.size();
}

bool take_option_value_argv(const char* name, std::string& value, int32* count, char** arguments) {
    const int32 at = find_in_argv(name, count, arguments);
    if (!argv_value_at(at, value, count, arguments)) {
        return false;
    }
    return argv_remove_at(at, count, arguments) && argv_remove_at(at, count, arguments);
}

bool get_option_value_argv(const char* name, std::string& value, int32* count, char** arguments) {
    const int32 at = find_in_argv(name, count, arguments);
    return argv_value_at(at, value, count, arguments);
}

bool find_flag_argv(const char* name, int32* count, char** arguments, bool keep) {
    const int32 at = find_in_argv(name, count, arguments);
    if (at < 0) {
        return false;
    }
    if (!keep) {
        (void)argv_remove_at(at, count, arguments);  // index found above
    }
    return true;
}

bool has_flag_argv(const char* name, int32* count, char** arguments) {
    return find_flag_argv(name, count, arguments, true);
}

bool has_option_w(const char* name, const std::vector<std::wstring>& list, bool skip_first) {
    if (name == nullptr) {
        return false;
    }
    return find_in_wide_list(list, name, skip_first ? 1 : 0) < list.size();
}

bool take_flag_w(const char* name, std::vector<std::wstring>& list, bool keep) {
    if (name == nullptr) {
        return false;
    }
    const std::size_t at = find_in_wide_list(list, name, 0);
    if (at >= list.size()) {
        return false;
    }
    if (!keep) {
        (void)wstring_list_remove_at(static_cast<int>(at), list);  // index found above
    }
    return true;
}

bool string_list_from_argv(std::vector<std::string>& list, int32 count, char** arguments) {
    if (arguments != nullptr && count > 0) {
        for (const char* argument : std::span(arguments, static_cast<std::size_t>(count))) {
            list.emplace_back(argument == nullptr ? "" : argument);
        }
    }
    return !list.empty();
}

bool string_list_from_wargv(std::vector<std::string>& list, int32 count, wchar_t** arguments) {
    if (arguments != nullptr && count > 0) {
        for (const wchar_t* argument : std::span(arguments, static_cast<std::size_t>(count))) {
            list.push_back(argument == nullptr ? std::string()
                                               : uni::wstring_to_utf8(std::wstring(argument)));
        }
    }
    return !list.empty();
}

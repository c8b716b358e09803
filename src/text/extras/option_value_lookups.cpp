#include "text/extras/option_value_lookups.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "cmdline/cmd_args.h"
#include "io/uni_encoding.h"
#include "text/extras/packed_option_name.h"
#include "text/number_text.h"
#include "text/text_replace.h"

namespace {

bool remove_entry(int32 index, int32& count, char** arguments) {
    return argv_remove_at(index, &count, arguments);
}

bool remove_entry(int32 index, int32& count, wchar_t** arguments) {
    return wargv_remove_at(index, &count, arguments);
}

// A raw argument array seen as a list. Entry 0 is the program's path and is never matched; a
// null entry matches nothing and reads as an empty text.
template <typename Char>
class argument_array {
public:
    using text = std::basic_string<Char>;
    static constexpr std::size_t first_searched = 1;

    argument_array(int32& count, Char** arguments) : m_count(count), m_arguments(arguments) {}

    [[nodiscard]] std::size_t size() const {
        return (m_arguments == nullptr || m_count < 0) ? 0 : static_cast<std::size_t>(m_count);
    }
    [[nodiscard]] bool matches(std::size_t index, const text& name) const {
        const Char* entry = entries()[index];
        return entry != nullptr && option_name_matches(text(entry), name);
    }
    [[nodiscard]] text text_at(std::size_t index) const {
        const Char* entry = entries()[index];
        return entry == nullptr ? text() : text(entry);
    }
    [[nodiscard]] bool remove_at(std::size_t index) {
        return remove_entry(static_cast<int32>(index), m_count, m_arguments);
    }

private:
    [[nodiscard]] std::span<Char*> entries() const { return {m_arguments, size()}; }

    int32& m_count;
    Char** m_arguments;
};

class string_list {
public:
    using text = std::string;
    static constexpr std::size_t first_searched = 0;

    explicit string_list(std::vector<std::string>& list) : m_list(list) {}

    [[nodiscard]] std::size_t size() const { return m_list.size(); }
    [[nodiscard]] bool matches(std::size_t index, const text& name) const {
        return option_name_matches(m_list[index], name);
    }
    [[nodiscard]] text text_at(std::size_t index) const { return m_list[index]; }
    [[nodiscard]] bool remove_at(std::size_t index) {
        return string_list_remove_at(static_cast<int>(index), m_list);
    }

private:
    std::vector<std::string>& m_list;
};

// Index of the first entry matching name, or the list's size.
template <typename List>
std::size_t find_entry(const List& list, const typename List::text& name) {
    for (std::size_t i = List::first_searched; i < list.size(); ++i) {
        if (list.matches(i, name)) {
            return i;
        }
    }
    return list.size();
}

// The common rule of every member: the first match decides; with fewer than N entries after
// it nothing is copied or removed; else the N entries are copied and, with the match, removed.
template <typename List, std::size_t N>
bool take_values(List list, const typename List::text& name,
                 const std::array<typename List::text*, N>& outputs) {
    const std::size_t at = find_entry(list, name);
    if (at >= list.size() || list.size() - at - 1 < N) {
        return false;
    }
    for (std::size_t i = 0; i < N; ++i) {
        *outputs[i] = list.text_at(at + 1 + i);
    }
    bool removed = true;
    for (std::size_t i = 0; i <= N; ++i) {
        removed = list.remove_at(at) && removed;  // each later entry slides into `at`
    }
    return removed;
}

template <std::size_t N>
bool take_narrow(const char* name, int32& count, char** arguments,
                 const std::array<std::string*, N>& outputs) {
    if (name == nullptr) {
        return false;
    }
    return take_values(argument_array<char>(count, arguments), std::string(name), outputs);
}

template <std::size_t N>
bool take_wide(const char* name, int32& count, wchar_t** arguments,
               const std::array<std::wstring*, N>& outputs) {
    if (name == nullptr) {
        return false;
    }
    return take_values(argument_array<wchar_t>(count, arguments),
                       uni::utf8_to_wstring(std::string(name)), outputs);
}

template <std::size_t N>
bool take_listed(const char* name, std::vector<std::string>& list,
                 const std::array<std::string*, N>& outputs) {
    if (name == nullptr) {
        return false;
    }
    return take_values(string_list(list), std::string(name), outputs);
}

}  // namespace

bool take_option_value2_argv(const char* name, std::string& value1, std::string& value2,
                             int32& count, char** arguments) {
    return take_narrow<2>(name, count, arguments, {&value1, &value2});
}

bool take_option_value3_argv(const char* name, std::string& value1, std::string& value2,
                             std::string& value3, int32& count, char** arguments) {
    return take_narrow<3>(name, count, arguments, {&value1, &value2, &value3});
}

bool take_option_value4_argv(const char* name, std::string& value1, std::string& value2,
                             std::string& value3, std::string& value4, int32& count,
                             char** arguments) {
    return take_narrow<4>(name, count, arguments, {&value1, &value2, &value3, &value4});
}

bool take_flag_wargv(const char* name, int32& count, wchar_t** arguments) {
    return take_wide<0>(name, count, arguments, {});
}

bool take_option_value_wargv(const char* name, std::wstring& value, int32& count,
                             wchar_t** arguments) {
    value.clear();
    return take_wide<1>(name, count, arguments, {&value});
}

bool take_option_value2_wargv(const char* name, std::wstring& value1, std::wstring& value2,
                              int32& count, wchar_t** arguments) {
    return take_wide<2>(name, count, arguments, {&value1, &value2});
}

bool take_option_value3_wargv(const char* name, std::wstring& value1, std::wstring& value2,
                              std::wstring& value3, int32& count, wchar_t** arguments) {
    return take_wide<3>(name, count, arguments, {&value1, &value2, &value3});
}

bool take_option_value4_wargv(const char* name, std::wstring& value1, std::wstring& value2,
                              std::wstring& value3, std::wstring& value4, int32& count,
                              wchar_t** arguments) {
    return take_wide<4>(name, count, arguments, {&value1, &value2, &value3, &value4});
}

bool take_flag_text(const char* name, std::string& entry, std::vector<std::string>& list) {
    if (name == nullptr) {
        return false;
    }
    string_list entries(list);
    const std::size_t at = find_entry(entries, std::string(name));
    if (at >= entries.size()) {
        return false;
    }
    entry = entries.text_at(at);
    return entries.remove_at(at);
}

bool take_option_value2(const char* name, std::string& value1, std::string& value2,
                        std::vector<std::string>& list) {
    return take_listed<2>(name, list, {&value1, &value2});
}

bool take_option_value3(const char* name, std::string& value1, std::string& value2,
                        std::string& value3, std::vector<std::string>& list) {
    return take_listed<3>(name, list, {&value1, &value2, &value3});
}

bool take_option_list(const char* name, std::string& count_text, std::vector<std::string>& values,
                      std::vector<std::string>& list) {
    count_text.clear();
    values.clear();
    if (name == nullptr) {
        return false;
    }
    const std::size_t at = find_entry(string_list(list), std::string(name));
    if (at + 1 >= list.size()) {
        return false;  // absent, or last with no count after it
    }
    count_text = list[at + 1];
    int count = 0;
    (void)string_to_int(count_text, &count);  // a count that is no number takes no values
    // 64-bit sums: a count near INT_MAX must not wrap past the list's end.
    const auto first_value = static_cast<int64_t>(at) + 2;
    if (first_value + count > static_cast<int64_t>(list.size())) {
        return false;
    }
    const auto begin = list.begin() + static_cast<std::ptrdiff_t>(at);
    const auto values_begin = begin + 2;
    const auto values_end = values_begin + (count > 0 ? count : 0);
    values.assign(values_begin, values_end);
    list.erase(begin, values_end);
    return true;
}

bool take_packed_flag(uint64 packed, std::vector<std::string>& list, bool keep) {
    return take_flag(packed_option_name(packed).c_str(), list, keep);
}

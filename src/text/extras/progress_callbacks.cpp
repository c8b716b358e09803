#include "text/extras/progress_callbacks.h"

#include <array>
#include <cstdarg>
#include <cstdint>

#include "cmdline/cmd_params.h"
#include "io/uni_encoding.h"
#include "text/text_join.h"
#include "text/text_replace.h"

namespace {

std::uintptr_t address_of(const void* item) { return reinterpret_cast<std::uintptr_t>(item); }

// The one implementation behind both pair forms: second is already UTF-8.
int32 call_pair(const cmd_params& options, const std::string& text, const std::string& second,
                int32 first_number, int32 second_number) {
    if (text.empty() || !options.m_progress_on || options.m_progress_fn == nullptr) {
        return -1;
    }
    const std::array<int32, 2> numbers = {first_number, second_number};
    const file_entry_ex& entry = options.m_file_entry;
    // A record without inode and size describes no file: the callee gets none.
    const bool has_file = entry.m_inode != 0 || entry.m_size != 0;
    return options.m_progress_fn(options.m_progress_user, address_of(&text), address_of(&second),
                                 address_of(numbers.data()), has_file ? address_of(&entry) : 0,
                                 nullptr);
}

int32 call_code(const cmd_params& options, const std::string& text, int32 number, uint32 code) {
    if (!options.m_progress_on || options.m_progress_fn == nullptr || text.empty()) {
        return -1;
    }
    // The number travels as itself, sign-extended to the argument's width.
    const auto value = static_cast<std::uintptr_t>(static_cast<std::intptr_t>(number));
    return options.m_progress_fn(options.m_progress_user, address_of(&text), value, 0, 0, &code);
}

}  // namespace

int32 cmd_params::call_progress_pair(const std::string& text, const std::string& second,
                                     int32 first_number, int32 second_number) const {
    return call_pair(*this, text, second, first_number, second_number);
}

int32 cmd_params::call_progress_pair_w(const std::string& text, const std::wstring& second,
                                       int32 first_number, int32 second_number) const {
    if (text.empty() || !m_progress_on || m_progress_fn == nullptr) {
        return -1;  // no conversion for a call that will not be made
    }
    return call_pair(*this, text, uni::wstring_to_utf8(second), first_number, second_number);
}

int32 cmd_params::call_progress_code1(const std::string& text, int32 number) const {
    return call_code(*this, text, number, progress_codes::text_and_number);
}

int32 cmd_params::call_progress_code2(const std::string& text, int32 number) const {
    return call_code(*this, text, number, progress_codes::text_and_number_2);
}

void cmd_params::diag_list(const std::vector<std::string>& list) const {
    if (!m_diag_on || m_diag_stream == nullptr) {
        return;
    }
    std::string joined;
    diag_line(join_with_separator(joined, list, "; ", false));
}

void cmd_params::diag_line_replaced(const std::string& text, const std::string& pattern,
                                    const std::string& replacement) const {
    if (!m_diag_on || m_diag_stream == nullptr) {
        return;
    }
    if (pattern.empty() || text.find(pattern) == std::string::npos) {
        diag_line(text);
        return;
    }
    std::string copy = text;
    replace_all(copy, pattern, replacement);
    diag_line(copy);
}

void cmd_params::diag_printf_list(const std::vector<std::string>& list, const char* format,
                                  ...) const {
    if (!m_diag_on || m_diag_stream == nullptr) {
        return;
    }
    std::string joined;
    (void)join_with_separator(joined, list, ";", false);
    va_list args;
    va_start(args, format);
    diag_vprintf(nullptr, joined.c_str(), format, args);
    va_end(args);
}

void diag_list_quoted(const cmd_params* options, const std::vector<std::string>& list) {
    if (options == nullptr || list.empty()) {
        return;
    }
    std::string joined;
    int count = 0;
    if (join_args_quoted(joined, &count, list, true) && !joined.empty()) {
        options->diag_line(joined);
    }
}

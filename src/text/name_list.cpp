#include "text/name_list.h"

#include <span>

namespace nf = name_list_flags;

namespace {

const char* separator_of(uint32 flags) {
    if ((flags & nf::sep_underscore) != 0) {
        return "_";
    }
    if ((flags & nf::sep_blank) != 0) {
        return " ";
    }
    if ((flags & nf::sep_dot) != 0) {
        return ".";
    }
    if ((flags & nf::sep_slash) != 0) {
        return "/";
    }
    if ((flags & nf::sep_backslash) != 0) {
        return "\\";
    }
    if ((flags & nf::sep_pipe) != 0) {
        return "|";
    }
    return "";
}

// How many values the list holds, or 0 when nothing is to be written.
int value_count(uint32 flags, const int* values) {
    if (values == nullptr) {
        return 0;
    }
    const auto given = static_cast<int>(flags & nf::count_mask);
    if (given > 0) {
        const std::span<const int> list(values, static_cast<std::size_t>(given));
        for (const int v : list) {
            if (v == 0) {
                return 0;
            }
        }
        return given;
    }
    // The list ends at its 0 entry; reading stops one past the limit so that an unterminated
    // list is refused without running on through memory.
    int counted = 0;
    while (counted <= nf::max_counted_values &&
           values[counted] != 0) {  // NOLINT(*-pointer-arithmetic)
        ++counted;
    }
    return counted > nf::max_counted_values ? 0 : counted;
}

void write_name(std::ostream& stream, std::string name, uint32 flags, bool first) {
    const bool capitalise =
        (flags & nf::capitalise_each) != 0 || (first && (flags & nf::capitalise_first) != 0);
    if (capitalise) {
        if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') {
            name[0] = static_cast<char>(name[0] - 'a' + 'A');
        }
    } else if ((flags & nf::upper_case) != 0) {
        for (char& c : name) {
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
    } else if ((flags & nf::lower_case) != 0) {
        for (char& c : name) {
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    stream << name;
}

bool is_name_char(char c) {
    return c == '-' || c == '.' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
           (c >= 'a' && c <= 'z');
}

}  // namespace

std::stringstream& print_name_list(std::stringstream& stream, uint32 flags,
                                   const std::function<std::string(int)>& name_of,
                                   const int* values) {
    if ((flags & nf::keep_stream) == 0) {
        stream.str(std::string());
    }
    const int count = value_count(flags, values);
    if (count == 0 || !name_of) {
        return stream;
    }
    const std::span<const int> list(values, static_cast<std::size_t>(count));
    const char* separator = separator_of(flags);
    for (std::size_t i = 0; i < list.size(); ++i) {
        write_name(stream, name_of(list[i]), flags, i == 0);
        if (i + 1 < list.size()) {
            stream << separator;
        }
    }
    return stream;
}

std::string& sanitize_name(std::string& out, const std::string& text) {
    out.clear();
    bool pending_gap = false;
    for (const char c : text) {
        if (!is_name_char(c)) {
            pending_gap = !out.empty();
            continue;
        }
        if (pending_gap) {
            out.push_back('_');
            pending_gap = false;
        }
        out.push_back(c);
    }
    return out;
}

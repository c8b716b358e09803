#include "text/extras/long_path_prefix.h"

#include <type_traits>

namespace {

// The drive letter's colon of "\\?\C:" stands 5 characters after the prefix's start.
constexpr std::size_t drive_colon_offset = 5;
// Erasing this much of a prefix leaves its last character, a backslash or a full stop.
constexpr std::size_t removed_length = 3;
// The shortest shadow-copy device path the global check looks at, and where "global" of
// "\\?\GLOBALROOT" stands.
constexpr std::size_t global_min_length = 47;
constexpr std::size_t global_at = 4;

template <typename Char>
bool colon_after(const std::basic_string<Char>& text, std::size_t prefix_at, bool drive_check) {
    const std::size_t colon = prefix_at + drive_colon_offset;
    return drive_check && text.size() > drive_colon_offset && colon < text.size() &&
           text[colon] == static_cast<Char>(':');
}

template <typename Char>
bool global_at_four(const std::basic_string<Char>& text) {
    static constexpr char global[] = "global";
    for (std::size_t i = 0; i + 1 < sizeof(global); ++i) {
        const std::size_t at = global_at + i;
        if (at >= text.size()) {
            return false;
        }
        auto c = static_cast<std::make_unsigned_t<Char>>(text[at]);
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<std::make_unsigned_t<Char>>(c - 'A' + 'a');
        }
        if (c != static_cast<unsigned char>(global[i])) {
            return false;
        }
    }
    return true;
}

template <typename Char>
std::basic_string<Char> prefix_text(Char last) {
    return {static_cast<Char>('\\'), static_cast<Char>('\\'), static_cast<Char>('?'), last};
}

template <typename Char>
bool keeps_long_prefix(const std::basic_string<Char>& text, std::size_t at, bool drive_check,
                       bool global_check) {
    if (drive_check && text.size() > drive_colon_offset) {
        return colon_after(text, at, drive_check);
    }
    return global_check && text.size() >= global_min_length && !global_at_four(text);
}

template <typename Char>
void strip_prefix(std::basic_string<Char>& text, bool drive_check, bool global_check) {
    using string = std::basic_string<Char>;
    const std::size_t at = text.find(prefix_text(static_cast<Char>('\\')));
    if (at != string::npos) {
        if (!keeps_long_prefix(text, at, drive_check, global_check)) {
            text.erase(at, removed_length);
        }
        return;
    }
    const std::size_t dot_at = text.find(prefix_text(static_cast<Char>('.')));
    if (dot_at != string::npos && !colon_after(text, dot_at, drive_check)) {
        text.erase(dot_at, removed_length);
    }
}

}  // namespace

void strip_long_path_prefix(std::string& text, bool drive_check, bool global_check) {
    strip_prefix(text, drive_check, global_check);
}

void strip_long_path_prefix_w(std::wstring& text, bool drive_check, bool global_check) {
    strip_prefix(text, drive_check, global_check);
}

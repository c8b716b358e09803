#include "text/printable_filter.h"

#include "text/byte_reader.h"

namespace {

constexpr uint8 first_printable = 0x20;
constexpr uint8 last_printable = 0x7E;

bool is_printable(uint8 c) { return c >= first_printable && c <= last_printable; }

kq::byte_reader view_of(const char* data, int length) {
    if (data == nullptr || length <= 0) {
        return {};
    }
    return {reinterpret_cast<const uint8*>(data),  // NOLINT(*-reinterpret-cast)
            static_cast<std::size_t>(length)};
}

}  // namespace

bool printable_text(std::string& out, const char* data, int length, bool keep_line_ends,
                    char replacement) {
    out.clear();
    const kq::byte_reader bytes = view_of(data, length);
    if (bytes.empty()) {
        return false;
    }
    uint8 c = 0;
    for (std::size_t i = 0; bytes.u8_at(i, c) && c != 0; ++i) {
        if (is_printable(c) || (keep_line_ends && (c == '\r' || c == '\n'))) {
            out.push_back(static_cast<char>(c));
        } else if (replacement != '\0') {
            out.push_back(replacement);
        }
    }
    return true;
}

int printable_prefix_text(const char* data, std::string& out, int count) {
    out.clear();
    if (data == nullptr || count <= 0) {
        return 0;
    }
    // The text ends at its NUL, which is not printable, so no byte past it is read even when
    // count is larger than the text.
    const auto* bytes = reinterpret_cast<const uint8*>(data);  // NOLINT(*-reinterpret-cast)
    for (int i = 0; i < count; ++i) {
        const uint8 c = bytes[i];  // NOLINT(*-pointer-arithmetic): stops at the first NUL
        if (!is_printable(c)) {
            break;
        }
        out.push_back(static_cast<char>(c));
    }
    return static_cast<int>(out.size());
}

bool byte_array_is_text(const byte_array& bytes) {
    if (bytes.empty()) {
        return false;
    }
    for (const uint8 c : bytes) {
        if (!is_printable(c) && c != '\t' && c != '\n' && c != '\r') {
            return false;
        }
    }
    return true;
}

int byte_array_printable_prefix(const byte_array& bytes) {
    int count = 0;
    for (const uint8 c : bytes) {
        if (!is_printable(c)) {
            break;
        }
        ++count;
    }
    return count;
}

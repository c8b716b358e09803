#include "text/extras/utf16_line_reader.h"

#include <cstddef>
#include <span>

#include "io/uni_encoding.h"

namespace {

constexpr uint16_t carriage_return = 0x0D;
constexpr uint16_t line_feed = 0x0A;
constexpr uint16_t backslash = 0x5C;

struct line_scan {
    std::wstring text;
    std::size_t consumed = 0;
    bool met_break = false;
};

bool is_break(uint16_t unit) {
    return unit == carriage_return || unit == line_feed;
}

// Index after the break at i: a CR takes a directly following LF with it.
std::size_t after_break(std::span<const uint16_t> units, std::size_t i) {
    if (units[i] == carriage_return && i + 1 < units.size() && units[i + 1] == line_feed) {
        return i + 2;
    }
    return i + 1;
}

line_scan scan_line(std::span<const uint16_t> units, bool continuation) {
    line_scan scan;
    std::size_t i = 0;
    while (i < units.size()) {
        const uint16_t unit = units[i];
        if (is_break(unit)) {
            scan.met_break = true;
            const bool continued = continuation && i > 0 && units[i - 1] == backslash;
            i = after_break(units, i);
            if (!continued) {
                break;
            }
            continue;
        }
        const bool escapes_break =
            continuation && unit == backslash && i + 1 < units.size() && is_break(units[i + 1]);
        if (!escapes_break) {
            scan.text.push_back(static_cast<wchar_t>(unit));
        }
        ++i;
    }
    scan.consumed = i;
    return scan;
}

}  // namespace

std::string read_utf16_line(const uint16_t*& position, int32& remaining, bool continuation) {
    if (position == nullptr || remaining <= 0) {
        return {};
    }
    const std::span<const uint16_t> units(position, static_cast<std::size_t>(remaining));
    const line_scan scan = scan_line(units, continuation);
    if (scan.met_break) {
        position = units.subspan(scan.consumed).data();
        remaining -= static_cast<int32>(scan.consumed);
    }
    return uni::wstring_to_utf8(scan.text);
}

#include "text/extras/buffer_string_runs.h"

#include <cstddef>
#include <functional>

#include "text/byte_reader.h"
#include "text/text_case.h"

namespace {

constexpr uint8 first_printable = 0x20;
constexpr uint8 last_printable = 0x7E;
constexpr std::size_t ascii_unit = 1;
constexpr std::size_t utf16_unit = 2;

bool is_printable(uint8 c) { return c >= first_printable && c <= last_printable; }
bool is_break(uint8 c) { return c == '\t' || c == '\n' || c == '\r'; }

// A run ends at end_at (the first byte after it) and holds characters of unit bytes each.
using run_handler = std::function<void(const std::string& run, std::size_t end_at)>;

// The one walk of both forms. A character is a printable byte (or, with with_whitespace, a
// tab, LF or CR) followed by unit - 1 zero bytes; a blank is not kept while the run is still
// empty. Any other position ends the run and the walk moves on by one byte only, so runs at
// odd offsets are found too. Every end of a run, the buffer's end included, calls on_run.
void walk_runs(const kq::byte_reader& bytes, std::size_t unit, bool with_whitespace,
               const run_handler& on_run) {
    std::string run;
    std::size_t at = 0;
    while (bytes.has(at, unit)) {
        uint8 c = 0;
        uint64 high = 0;
        (void)bytes.u8_at(at, c);  // inside the checked unit
        const bool zero_rest = unit == 1 || (bytes.le_at(at + 1, unit - 1, high) && high == 0);
        if (zero_rest && (is_printable(c) || (with_whitespace && is_break(c)))) {
            if (c != ' ' || !run.empty()) {
                run += static_cast<char>(c);
            }
            at += unit;
            continue;
        }
        on_run(run, at);
        run.clear();
        ++at;
    }
    on_run(run, at);
}

bool collect_runs(const uint8* data, int32 length, std::size_t unit, int32 minimum,
                  std::vector<std::string>& strings, std::vector<uint64>& offsets, uint64 base,
                  bool append, bool with_whitespace) {
    const kq::byte_reader bytes(data, length > 0 ? static_cast<std::size_t>(length) : 0);
    if (data == nullptr || length <= 0) {
        return false;
    }
    if (!append) {
        strings.clear();
        offsets.clear();
    }
    walk_runs(bytes, unit, with_whitespace, [&](const std::string& run, std::size_t end_at) {
        if (static_cast<int64>(run.size()) >= minimum) {
            strings.push_back(run);
            offsets.push_back(base + end_at - unit * run.size());
        }
    });
    return true;
}

bool find_in_runs(std::string pattern, const uint8* data, std::size_t length, std::size_t unit,
                  std::vector<uint32>& offsets, uint32 base, bool append) {
    const kq::byte_reader bytes(data, length);
    if (data == nullptr || length == 0) {
        return false;
    }
    if (!append) {
        offsets.clear();
    }
    if (pattern.empty()) {
        return true;
    }
    (void)string_to_lower(pattern);
    walk_runs(bytes, unit, false, [&](const std::string& run, std::size_t end_at) {
        if (run.size() < pattern.size()) {
            return;
        }
        std::string lowered = run;
        (void)string_to_lower(lowered);
        const std::size_t run_at = end_at - unit * run.size();
        for (std::size_t hit = lowered.find(pattern); hit != std::string::npos;
             hit = lowered.find(pattern, hit + pattern.size())) {
            offsets.push_back(static_cast<uint32>(base + run_at + unit * hit));
        }
    });
    return true;
}

}  // namespace

bool utf16_strings_with_offsets(const uint8* data, int32 length, int32 minimum,
                                std::vector<std::string>& strings, std::vector<uint64>& offsets,
                                uint64 base, bool append, bool with_whitespace) {
    return collect_runs(data, length, utf16_unit, minimum, strings, offsets, base, append,
                        with_whitespace);
}

bool ascii_strings_with_offsets(const uint8* data, int32 length, int32 minimum,
                                std::vector<std::string>& strings, std::vector<uint64>& offsets,
                                uint64 base, bool append, bool with_whitespace) {
    return collect_runs(data, length, ascii_unit, minimum, strings, offsets, base, append,
                        with_whitespace);
}

bool find_in_utf16_strings(const std::string& pattern, const uint8* data, uint32 length,
                           std::vector<uint32>& offsets, uint32 base, bool append) {
    // Always true once there are bytes: callers read the offsets, not the result.
    return find_in_runs(pattern, data, length, utf16_unit, offsets, base, append);
}

bool find_in_ascii_strings(const std::string& pattern, const uint8* data, int32 length,
                           std::vector<uint32>& offsets, uint32 base, bool append) {
    if (length <= 0) {
        return false;
    }
    return find_in_runs(pattern, data, static_cast<std::size_t>(length), ascii_unit, offsets,
                        base, append) &&
           !offsets.empty();
}

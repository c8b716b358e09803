// The raw-data time scanners on arbitrary bytes: the packed-group reader, the Unix/FILETIME
// scans, the windowed value finder and the full sweeps of every kind (printed into a stream
// that keeps nothing).
//
// Input: [window][stride][bytes...]. Window 0 is every signed FILETIME, 1 every unsigned
// value, 2 the years 2020 to 2021; any other value takes the window from the first 16 bytes.

#include <array>
#include <vector>

#include "fuzz_target.h"
#include "io/null_out_stream.h"
#include "text/byte_reader.h"
#include "time/packed_times.h"
#include "time/time_dump.h"
#include "time/time_value_scans.h"

namespace {

constexpr std::size_t prefix = 2;
// Every position is tried as some twenty readings; beyond this the bytes add nothing new.
constexpr std::size_t max_sweep = 2048;

struct window {
    uint64 earliest;
    uint64 latest;
};

window pick_window(uint8 selector, const kq::byte_reader& bytes) {
    const std::array<window, 3> fixed = {{{0, static_cast<uint64>(INT64_MAX)},
                                          {0, UINT64_MAX},
                                          {132223104000000000, 132854688000000000}}};
    if (selector < fixed.size()) {
        return fixed.at(selector);
    }
    window w{0, 0};
    (void)bytes.le64_at(0, w.earliest);  // too few bytes: an empty window
    (void)bytes.le64_at(8, w.latest);
    return w;
}

void scan_values(const kq::byte_reader& bytes, const window& w, uint32 stride) {
    const auto length = static_cast<uint32>(bytes.size());
    std::vector<kq::time> times;
    std::vector<uint32> offsets;
    (void)kq::scan_unix32_times(bytes.data(), length, times, offsets);
    (void)kq::scan_unix_and_filetime(bytes.data(), length, times, offsets);
    std::vector<uint64> found;
    (void)kq::find_values_in_range(
        found, static_cast<const uint64*>(static_cast<const void*>(bytes.data())), length, 0,
        w.earliest, w.latest, stride);
    std::vector<uint64> packed;
    (void)kq::decode_packed_times(bytes.data(), length, packed);
}

}  // namespace

VELK_FUZZ_TARGET(time_scans) {
    const kq::byte_reader input(data, size);
    uint8 selector = 0;
    uint8 stride = 0;
    kq::byte_reader bytes;
    if (!input.u8_at(0, selector) || !input.u8_at(1, stride) || !input.tail(prefix, bytes)) {
        return 0;
    }
    const window w = pick_window(selector, bytes);
    scan_values(bytes, w, stride);
    kq::byte_reader swept;
    if (!bytes.sub(0, std::min(bytes.size(), max_sweep), swept)) {
        return 0;
    }
    const auto count = static_cast<int>(swept.size());
    (void)kq::dump_times_in_buffer(g_null_out_stream, swept.data(), count, w.latest, w.earliest, 0,
                                   kq::tt_all);
    (void)kq::dump_times_with_varints(g_null_out_stream, swept.data(), count, w.latest, w.earliest,
                                      UINT64_MAX - 4, kq::tt_all);
    return 0;
}

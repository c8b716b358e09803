#include "time/packed_times.h"

#include <algorithm>
#include <array>

#include "text/byte_reader.h"
#include "time/time_durations.h"
#include "time/time_epochs.h"

namespace kq {

namespace {

namespace fmt = packed_times_format;

struct group_plan {
    std::size_t base_index = 0;
    uint64 base = 0;
    std::array<uint64, fmt::max_times> deltas{};
    std::size_t width = 1;
};

// The largest non-zero time, the first of equal ones; index 0 and base 0 when all are zero.
void choose_base(const std::vector<uint64>& times, group_plan& plan) {
    bool found = false;
    for (std::size_t i = 0; i < times.size(); ++i) {
        const auto t = static_cast<int64>(times[i]);
        if (t != 0 && (!found || t > static_cast<int64>(plan.base))) {
            plan.base = times[i];
            plan.base_index = i;
            found = true;
        }
    }
}

// Widths only grow, so one wide distance sets the width of all.
std::size_t width_for(uint64 delta, std::size_t width) {
    if (delta >= (1ULL << 48)) {
        return 8;
    }
    if (delta >= (1ULL << 32)) {
        return std::max<std::size_t>(width, 6);
    }
    if (delta > 0xFFFF) {
        return std::max<std::size_t>(width, 4);
    }
    if (delta > 0xFF) {
        return std::max<std::size_t>(width, 2);
    }
    return width;
}

bool plan_deltas(const std::vector<uint64>& times, bool milliseconds, group_plan& plan) {
    const auto base = static_cast<int64>(plan.base);
    if (base < 0 || plan.base >= (1ULL << fmt::base_bits)) {
        return false;
    }
    std::size_t n = 0;
    for (std::size_t i = 0; i < times.size(); ++i) {
        if (i == plan.base_index) {
            continue;
        }
        uint64 delta = 0;
        const auto t = static_cast<int64>(times[i]);
        if (!(milliseconds ? filetime_diff_ms(base, t, delta)
                           : filetime_diff_ticks(base, t, delta))) {
            return false;
        }
        plan.deltas.at(n++) = delta;
        plan.width = width_for(delta, plan.width);
    }
    return true;
}

void append_le(byte_array& out, uint64 value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(static_cast<uint8>(value >> (8 * i)));
    }
}

}  // namespace

uint16 pack_time_set(const std::vector<uint64>& times, byte_array& out, bool milliseconds) {
    const std::size_t n = times.size();
    if (n == 0 || n > fmt::max_times) {
        return 0;
    }
    group_plan plan;
    choose_base(times, plan);
    if (!plan_deltas(times, milliseconds, plan)) {
        return 0;
    }
    const uint64 width_code = plan.width - 1;
    out.push_back(static_cast<uint8>((n - 1) | (plan.base_index << fmt::base_index_shift) |
                                     (milliseconds ? fmt::milliseconds_flag : 0)));
    append_le(out, plan.base | (width_code << (fmt::base_top_shift + fmt::width_shift)), 8);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        append_le(out, plan.deltas.at(i), plan.width);
    }
    return static_cast<uint16>(fmt::header_size + (n - 1) * plan.width);
}

uint32 decode_packed_times(const uint8* group, uint32 length, std::vector<uint64>& out) {
    out.clear();
    const byte_reader bytes(group, length);
    uint8 flags = 0;
    uint8 top = 0;
    uint64 base = 0;
    if (bytes.size() < fmt::header_size || !bytes.u8_at(fmt::flags_byte, flags) ||
        !bytes.le_at(fmt::base_at, fmt::base_low_size, base) ||
        !bytes.u8_at(fmt::base_top_byte, top)) {
        return 0;
    }
    base |= static_cast<uint64>(top & fmt::base_top_mask) << fmt::base_top_shift;
    const std::size_t count = (flags & fmt::count_mask) + 1U;
    const std::size_t base_index = (flags >> fmt::base_index_shift) & fmt::base_index_mask;
    const bool milliseconds = (flags & fmt::milliseconds_read_mask) != 0;
    const std::size_t width = ((top >> fmt::width_shift) & fmt::width_mask) + 1U;
    std::size_t at = fmt::header_size;
    for (std::size_t e = 0; e < count; ++e) {
        if (e == base_index) {
            out.push_back(base);
            continue;
        }
        uint64 delta = 0;
        if (!bytes.le_at(at, width, delta)) {
            out.clear();  // the group runs past the buffer: nothing of it is trusted
            return 0;
        }
        at += width;
        if (width == 3 || width == 5 || width == 7) {
            continue;
        }
        // Unsigned: a hostile distance wraps instead of overflowing.
        out.push_back(base - (milliseconds
                                  ? delta * static_cast<uint64>(time_epoch::ticks_per_millisecond)
                                  : delta));
    }
    return static_cast<uint32>(at);
}

}  // namespace kq

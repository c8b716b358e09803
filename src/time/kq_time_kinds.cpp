// kq::time constructors that read a stored value of a given timestamp kind.

#include <bit>
#include <cstdlib>
#include <cstring>

#include "text/byte_reader.h"
#include "text/kq_assert.h"
// Upward include: the output-field directive record lives in the text extras; only its
// flags and valid mark are read here.
#include "text/extras/output_field_spec.h"
#include "time/kq_time.h"
#include "time/time_arith.h"
#include "time/time_conversions.h"
#include "time/time_epochs.h"

namespace kq {

namespace {

namespace ep = time_epoch;
using time_arith::seconds_and_ticks_to_filetime;

constexpr uint64 high_word_shift = 32;
constexpr uint64 low_word_mask = 0xFFFFFFFFULL;
constexpr int64 milliseconds_per_second = 1000;
constexpr std::size_t hex_digits_per_word = 8;

// Hexadecimal text as a 64-bit value: the last eight characters are the low word and the
// characters before them the high word, each read as strtoul reads base 16.
uint64 hex_text_value(const std::string& text) {
    auto word = [](const std::string& part) {
        return std::strtoul(part.c_str(), nullptr, 16) & low_word_mask;
    };
    if (text.size() <= hex_digits_per_word) {
        return word(text);
    }
    const std::size_t split = text.size() - hex_digits_per_word;
    return (word(text.substr(0, split)) << high_word_shift) | word(text.substr(split));
}

// Unix milliseconds with a fraction: the value counts milliseconds, as the integer forms of
// this kind do. Whole milliseconds are split off first so that integral values convert
// exactly.
bool double_ms_to_filetime(double value, int64& out) {
    int64 whole_ms = 0;
    int64 sub_ms_ticks = 0;
    if (!time_arith::trunc_to_int64(value, whole_ms)) {
        return false;
    }
    const double sub_ms = value - static_cast<double>(whole_ms);
    if (!time_arith::trunc_to_int64(sub_ms * static_cast<double>(ep::ticks_per_millisecond),
                                    sub_ms_ticks)) {
        return false;
    }
    const int64 ticks =
        (whole_ms % milliseconds_per_second) * ep::ticks_per_millisecond + sub_ms_ticks;
    return seconds_and_ticks_to_filetime(whole_ms / milliseconds_per_second, ep::unix_seconds,
                                         ticks, out);
}

bool is_named_kind(type_time kind) {
    const auto bits = static_cast<uint32>(kind);
    return kind == tt_all || (std::has_single_bit(bits) && bits <= tt_hfs_plus);
}

}  // namespace

void time::set_from_unix_seconds(int64 seconds) {
    int64 ft = 0;
    if (!unix_to_filetime(seconds, ft)) {
        unix_seconds = 0;  // beyond the FILETIME range: nothing to store
        return;
    }
    filetime = ft;
    // Zero and negative seconds mean "no time" in the stored Unix fields.
    if (seconds <= 0) {
        unix_seconds = 0;
        return;
    }
    unix_seconds = seconds;
    (void)filetime_from_i64(ft, filetime_pair);
    (void)set_filetime(ft);
}

void time::set_from_unix_ms(int64 seconds, int64 remainder_ms) {
    int64 ft = 0;
    if (!unix_to_filetime(seconds, ft)) {
        unix_seconds = 0;
        return;
    }
    filetime = ft;
    // At least one whole second is needed, as for Unix seconds.
    if (seconds <= 0) {
        unix_seconds = 0;
        return;
    }
    if (remainder_ms != 0 &&
        __builtin_add_overflow(ft, remainder_ms * ep::ticks_per_millisecond, &ft)) {
        unix_seconds = 0;
        return;
    }
    unix_seconds = seconds;
    filetime = ft;
    (void)filetime_from_i64(ft, filetime_pair);
    (void)set_filetime(ft);
}

void time::set_from_u64(uint64 value, type_time kind) {
    int64 ft = 0;
    bool converted = false;
    switch (kind) {
        case tt_filetime:
            ft = static_cast<int64>(value);  // 2^63 and above: negative, refused below
            converted = true;
            break;
        case tt_chrome:
            converted = chrome_to_filetime(value, ft);
            break;
        case tt_firefox3:
            converted = firefox3_to_filetime(static_cast<int64>(value), ft);
            break;
        case tt_unix:
            set_from_unix_seconds(static_cast<int64>(value));
            return;
        case tt_unix_ms:
            set_from_unix_ms(static_cast<int64>(value / 1000), static_cast<int64>(value % 1000));
            return;
        case tt_vhd:
            converted = vhd_to_filetime(static_cast<uint32>(value), ft);
            break;
        case tt_dotnet:
            converted = dotnet_ticks_to_filetime(value, ft);
            break;
        case tt_snowflake:
            converted = snowflake_to_filetime(static_cast<int64>(value), ft);
            break;
        case tt_safari:
            converted = safari_to_filetime(value, ft);
            break;
        case tt_hfs_plus:
            converted = value <= static_cast<uint64>(INT64_MAX) &&
                        seconds_and_ticks_to_filetime(static_cast<int64>(value),
                                                      ep::hfs_plus_seconds, 0, ft);
            break;
        default:
            break;  // no integer form: the moment stays invalid
    }
    if (converted) {
        (void)set_filetime(ft);
    }
}

void time::set_from_i64(int64 value, type_time kind) {
    int64 ft = 0;
    bool converted = false;
    switch (kind) {
        case tt_filetime:
        case tt_chrome:
        case tt_firefox3:
        case tt_vhd:
        case tt_snowflake:
        case tt_hfs_plus:
            // Same reading as the unsigned value; a negative value fails its range checks.
            set_from_u64(static_cast<uint64>(value), kind);
            return;
        case tt_unix:
            set_from_unix_seconds(value);
            return;
        case tt_unix_ms:
            set_from_unix_ms(value / milliseconds_per_second, value % milliseconds_per_second);
            return;
        case tt_ole:
            converted = time_arith::mul_add(value, ep::seconds_per_day, ep::ole_seconds, ft) &&
                        time_arith::mul_add(ft, ep::ticks_per_second, 0, ft);
            break;
        case tt_safari:
            // A high word above 0 is too large for seconds: the finer unit.
            if ((value >> high_word_shift) > 0) {
                converted = safari_to_filetime(static_cast<uint64>(value), ft);
            } else {
                converted = seconds_and_ticks_to_filetime(value, ep::safari_seconds, 0, ft);
            }
            break;
        default:
            break;  // .NET ticks and the rest: no signed form
    }
    if (converted) {
        (void)set_filetime(ft);
    }
}

void time::set_from_double(double value, type_time kind) {
    int64 ft = 0;
    int64 whole = 0;
    int64 ticks = 0;
    bool converted = false;
    switch (kind) {
        case tt_ole:
            converted = time_arith::ole_days_to_filetime(value, ft);
            break;
        case tt_safari:
            converted = time_arith::split_double_seconds(value, whole, ticks) &&
                        seconds_and_ticks_to_filetime(whole, ep::safari_seconds, ticks, ft);
            break;
        case tt_unix:
            converted = time_arith::split_double_seconds(value, whole, ticks) &&
                        seconds_and_ticks_to_filetime(whole, ep::unix_seconds, ticks, ft);
            break;
        case tt_unix_ms:
            converted = double_ms_to_filetime(value, ft);
            break;
        default:
            break;
    }
    if (converted) {
        (void)set_filetime(ft);
    }
}

time::time(uint64 value, type_time kind) {
    clear();
    set_from_u64(value, kind);
}

time::time(int64 value, type_time kind) {
    clear();
    set_from_i64(value, kind);
}

time::time(double value, type_time kind) {
    clear();
    set_from_double(value, kind);
}

time::time(const std::string& text, type_time kind) {
    clear();
    switch (kind) {
        case tt_filetime:
        case tt_chrome:
        case tt_firefox3:
        case tt_vhd:
            set_from_u64(hex_text_value(text), kind);
            return;
        case tt_unix: {
            // A signed 32-bit decimal number; anything outside that range is no Unix time.
            const long seconds = std::strtol(text.c_str(), nullptr, 10);
            if (seconds >= INT32_MIN && seconds <= INT32_MAX) {
                set_from_unix_seconds(seconds);
            }
            return;
        }
        default:
            // A named kind without a text form is a caller's error; a value that names no
            // kind at all just gives an invalid moment.
            if (is_named_kind(kind)) {
                KQ_ASSERT(false, "kq::time::time(std::string, kq::type_time)", "kq_time");
            }
            return;
    }
}

time::time(const uint16 (&dos_words)[2], bool utc_fields) {
    clear();
    const uint16 date = dos_words[0];
    const uint16 clock = dos_words[1];
    std::tm fields{};
    fields.tm_mday = date & 0x1F;
    fields.tm_mon = ((date >> 5) & 0x0F) - 1;
    fields.tm_year = (date >> 9) + 1980 - 1900;
    fields.tm_sec = (clock & 0x1F) * 2;  // stored as two-second units
    fields.tm_min = (clock >> 5) & 0x3F;
    fields.tm_hour = clock >> 11;
    if (fields.tm_mday == 0 || fields.tm_mon < 0 || fields.tm_mon > 11 || fields.tm_sec >= 60 ||
        fields.tm_min >= 60 || fields.tm_hour >= 24) {
        return;
    }
    (void)set_tm(fields, 0, utc_fields);
}

time::time(uint32 seconds_since_1970) {
    clear();
    if (seconds_since_1970 == 0) {
        return;
    }
    unix_seconds = seconds_since_1970;
    filetime = static_cast<int64>(seconds_since_1970) * ep::ticks_per_second + ep::unix_ticks;
    (void)filetime_from_i64(filetime, filetime_pair);
    (void)set_filetime(filetime);
    is_valid = true;
}

time::time(const uint32 (&timeval_words)[2], type_time kind) {
    clear();
    if (kind != tt_unix || timeval_words[0] == 0) {
        return;
    }
    // The seconds word is signed (struct timeval); the microseconds word is added after.
    set_from_unix_seconds(static_cast<int32>(timeval_words[0]));
    add_microseconds(static_cast<int32>(timeval_words[1]));
}

time::time(const _windows_systemtime& systemtime) {
    clear();
    std::tm fields{};
    fields.tm_sec = systemtime.second;
    fields.tm_min = systemtime.minute;
    fields.tm_hour = systemtime.hour;
    fields.tm_mday = systemtime.day;
    fields.tm_mon = systemtime.month - 1;
    fields.tm_year = systemtime.year - 1900;
    (void)set_tm(fields, systemtime.millisecond, true);
}

time::time(const std::tm* fields, bool utc_fields) {
    clear();
    if (fields != nullptr) {
        (void)set_tm(*fields, 0, utc_fields);
    }
}

time::time(const ::kq::filetime_pair& pair) {
    clear();
    // A high word with its top bit set gives a negative FILETIME, which is refused.
    (void)set_filetime(
        static_cast<int64>((static_cast<uint64>(pair.high) << high_word_shift) | pair.low));
}

time::time(uint64 base_filetime, uint64 base_count, uint64 count, uint64 frequency,
           type_time kind) {
    clear();
    double ticks_per_count = 0.0;
    if (frequency == 0 || base_filetime > static_cast<uint64>(INT64_MAX)) {
        return;  // a counter without a rate, or a base outside the FILETIME range
    }
    if (kind == tt_qpc) {
        ticks_per_count =
            static_cast<double>(ep::ticks_per_second) / static_cast<double>(frequency);
    } else if (kind == tt_counter_us) {
        ticks_per_count =
            static_cast<double>(ep::ticks_per_microsecond) / static_cast<double>(frequency);
    }
    int64 base_ticks = 0;
    int64 count_ticks = 0;
    int64 ft = static_cast<int64>(base_filetime);
    if (!time_arith::trunc_to_int64(static_cast<double>(base_count) * ticks_per_count,
                                    base_ticks) ||
        !time_arith::trunc_to_int64(static_cast<double>(count) * ticks_per_count, count_ticks) ||
        __builtin_sub_overflow(ft, base_ticks, &ft) ||
        __builtin_add_overflow(ft, count_ticks, &ft)) {
        return;
    }
    (void)set_filetime(ft);
}

void time::set_from_field_spec(uint64 raw, uint64 flags, bool as_double) {
    namespace ff = output_field_flags;
    int64 ft = 0;
    if ((flags & (ff::time_filetime | ff::time_filetime_alt)) != 0) {
        set_from_u64(raw, tt_filetime);
    } else if ((flags & ff::time_systemtime) != 0) {
        // A SYSTEMTIME needs 16 bytes; the 8 of a column value never make one.
        byte_array bytes(sizeof raw);
        std::memcpy(bytes.data(), &raw, sizeof raw);
        (void)set_from_bytes(bytes, 0, tt_systemtime);
    } else if ((flags & ff::time_safari) != 0) {
        if (as_double) {
            set_from_double(std::bit_cast<double>(raw), tt_safari);
        } else if (raw <= static_cast<uint64>(INT64_MAX) &&
                   seconds_and_ticks_to_filetime(static_cast<int64>(raw), ep::safari_seconds, 0,
                                                 ft)) {
            (void)set_filetime(ft);  // the whole value is seconds here
        }
    } else if ((flags & ff::time_hfs_plus) != 0) {
        set_from_u64(raw, tt_hfs_plus);
    } else if ((flags & ff::time_unix) != 0) {
        set_from_u64(raw, tt_unix);
    } else if ((flags & ff::time_chrome) != 0) {
        set_from_u64(raw, tt_chrome);
    } else if ((flags & ff::time_firefox3) != 0) {
        set_from_u64(raw, tt_firefox3);
    }
}

time::time(uint64 raw, const output_field_spec& spec, bool as_double) {
    clear();
    if (spec.m_valid) {
        set_from_field_spec(raw, spec.m_flags, as_double);
    }
}

int64 field_value_to_filetime(uint64 value, const output_field_spec& spec, bool as_double) {
    const time moment(value, spec, as_double);
    return moment.is_valid ? moment.filetime : 0;
}

bool record16_to_filetime(uint64& filetime, int32& first, int32& second,
                          const std::array<uint8, 16>& record) {
    const byte_reader bytes(record.data(), record.size());
    uint64 value = 0;
    uint32 first_word = 0;
    uint32 second_word = 0;
    filetime = 0;
    first = 0;
    second = 0;
    if (!bytes.le64_at(8, value) || !bytes.le32_at(0, first_word) ||
        !bytes.le32_at(4, second_word)) {
        return false;
    }
    filetime = value;
    if (!time(value, tt_filetime).is_valid) {
        filetime = 0;
        return false;
    }
    first = static_cast<int32>(first_word);
    second = static_cast<int32>(second_word);
    return true;
}

}  // namespace kq

#pragma once
// Free conversions between the stored timestamp kinds and FILETIME (signed 100-ns ticks
// since 1601-01-01 UTC) or Unix seconds. Each reports by its result whether the value has
// an answer; a value whose answer would leave the signed 64-bit range has none.

#include <array>

#include "text/kq_types.h"
#include "time/kq_calendar.h"
#include "time/type_time.h"

namespace kq {

// Unix seconds to FILETIME: seconds x 10^7 + the Unix epoch.
[[nodiscard]] bool unix_to_filetime(int64 seconds, int64& out);
// FILETIME to Unix seconds, rounding toward minus infinity (1969-12-31 23:59:59.5 is -1);
// false for a negative FILETIME.
[[nodiscard]] bool filetime_to_unix(int64 filetime, int64& out);

// As unix_to_filetime, stored as two 32-bit words.
[[nodiscard]] bool unix_to_filetime_pair(int64 seconds, filetime_pair& out);
// Kind 1 (FILETIME) is copied, kind 8 (Unix seconds) converted; any other kind, and Unix
// seconds beyond the FILETIME range, leave out as it was and give false.
[[nodiscard]] bool value_to_filetime_pair(filetime_pair& out, uint64 value, type_time kind);

// Chrome / WebKit: microseconds since 1601-01-01.
[[nodiscard]] bool chrome_to_filetime(uint64 microseconds, int64& out);
[[nodiscard]] uint64 filetime_to_chrome(uint64 filetime);
[[nodiscard]] bool chrome_to_unix(uint64 microseconds, int64& out);

// Firefox 3 (PRTime): signed microseconds since 1970-01-01.
[[nodiscard]] bool firefox3_to_filetime(int64 microseconds, int64& out);
[[nodiscard]] bool firefox3_to_unix(int64 microseconds, int64& out);

// VHD footers: seconds since 2000-01-01 17:00:00.
[[nodiscard]] bool vhd_to_filetime(uint32 seconds, int64& out);
[[nodiscard]] uint64 filetime_to_vhd(uint64 filetime);

// .NET DateTime ticks: 100-ns ticks since 0001-01-01; false before 1601 and beyond the
// FILETIME range.
[[nodiscard]] bool dotnet_ticks_to_filetime(uint64 ticks, int64& out);

// Snowflake identifiers: bits 22 and up count milliseconds since 2015-01-01.
[[nodiscard]] bool snowflake_to_filetime(int64 id, int64& out);
// Milliseconds since 2015-01-01 (not an identifier).
[[nodiscard]] uint64 filetime_to_snowflake_ms(uint64 filetime);

// Safari / Core Data seconds since 2001-01-01. Integers of 2^32 and more cannot be
// seconds of any plausible date and are read as nanoseconds since 2001-01-01.
[[nodiscard]] bool safari_to_filetime(uint64 value, int64& out);
// Seconds with a fraction; false for NaN, infinities and out-of-range values.
[[nodiscard]] bool safari_to_filetime(double seconds, int64& out);
[[nodiscard]] bool safari_to_unix(uint64 value, int64& out);
[[nodiscard]] bool safari_double_to_unix(double seconds, int64& out);

// Version-1 GUID timestamp (Windows GUID layout) to FILETIME, with the clock sequence and
// the 6-byte node. False, with every output reset, for other versions and for moments
// before 1601.
[[nodiscard]] bool guid_to_filetime(int64& out, uint16& clock_sequence, byte_array& node,
                                    const std::array<uint8, 16>& guid);
// The same from a buffer: at `start` when it is not 0, else at byte 0, or at byte 1 after a
// leading '{' in a buffer of more than 8 bytes.
[[nodiscard]] bool guid_to_filetime(int64& out, uint16& clock_sequence, byte_array& node,
                                    const byte_array& data, uint32 start);

[[nodiscard]] uint64 ticks_to_seconds(uint64 ticks);
// Saturates at the int64 limits.
[[nodiscard]] int64 seconds_to_ticks(int64 seconds);
[[nodiscard]] uint64 ticks_to_milliseconds(uint64 ticks);
// Saturates at the int64 limits.
[[nodiscard]] int64 milliseconds_to_ticks(int64 milliseconds);

}  // namespace kq

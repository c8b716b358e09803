#pragma once
// Epochs and units of the stored timestamp kinds, as the conversions use them. FILETIME
// counts 100-ns ticks since 1601-01-01 00:00:00 UTC; every epoch is given against it.

#include "text/kq_types.h"

namespace kq::time_epoch {
inline constexpr int64 ticks_per_second = 10000000;
inline constexpr int64 ticks_per_millisecond = 10000;
inline constexpr int64 ticks_per_microsecond = 10;
inline constexpr int64 seconds_per_day = 86400;

// 1970-01-01 (Unix): 0x019DB1DED53E8000 ticks.
inline constexpr int64 unix_ticks = 116444736000000000;
inline constexpr int64 unix_seconds = 11644473600;
// 1900-01-01 (NTP): 0x014F373BFDE04000 ticks.
inline constexpr int64 ntp_ticks = 94354848000000000;
// 1582-10-15 (version-1 GUID), ticks before 1601: 0x00146BF33E42C000.
inline constexpr uint64 guid_ticks_before_1601 = 5748192000000000;
// 1899-12-30 (OLE automation dates), seconds after 1601.
inline constexpr int64 ole_seconds = 9435312000;
// 2000-01-01 17:00:00 (VHD footers count from 17 hours after midnight): 0x01BF5479A3782800.
inline constexpr int64 vhd_ticks = 125912196000000000;
// 0001-01-01 (.NET DateTime), ticks before 1601: 0x0701CE1722770000.
inline constexpr uint64 dotnet_ticks_before_1601 = 504911232000000000;
// 2015-01-01 (snowflake identifiers): 0x01D02555E2B98000 ticks.
inline constexpr int64 snowflake_ticks = 130645440000000000;
// 2001-01-01 (Safari / Core Data): 0x2F0605980 seconds; 978307200 seconds after 1970.
inline constexpr int64 safari_seconds = 12622780800;
inline constexpr int64 safari_unix_seconds = 978307200;
// 1904-01-01 (HFS+): 0x239EAE080 seconds.
inline constexpr int64 hfs_plus_seconds = 9561628800;
}  // namespace kq::time_epoch

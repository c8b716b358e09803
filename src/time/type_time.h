#pragma once
// The kinds of stored timestamp. Each kind is one bit so that a set of candidate kinds
// travels as a mask (a bitwise OR of kinds); the guessers try each set bit in turn.

#include "text/kq_types.h"

namespace kq {

enum type_time : uint32 {
    tt_filetime = 0x1,            // signed 64-bit 100-ns ticks since 1601-01-01 UTC
    tt_chrome = 0x2,              // microseconds since 1601-01-01 UTC
    tt_firefox3 = 0x4,            // signed microseconds since 1970-01-01 UTC
    tt_unix = 0x8,                // seconds since 1970-01-01 UTC
    tt_unix_ms = 0x10,            // milliseconds since 1970-01-01 UTC
    tt_dos = 0x20,                // DOS date and time words, no zone
    tt_ntp = 0x40,                // big-endian 32.32 seconds since 1900-01-01 UTC
    tt_guid = 0x80,               // version-1 UUID: 100-ns ticks since 1582-10-15 UTC
    tt_ole = 0x100,               // days since 1899-12-30 UTC, fraction = time of day
    tt_systemtime = 0x200,        // 16-byte SYSTEMTIME of UTC fields
    tt_systemtime_local = 0x400,  // 16-byte SYSTEMTIME read through the local clock
    tt_vhd = 0x800,               // uint32 seconds since 2000-01-01 17:00:00 UTC
    tt_qpc = 0x1000,              // counter reading, frequency in counts per second
    tt_counter_us = 0x2000,       // counter reading, frequency in counts per microsecond
    tt_record16 = 0x4000,         // two 32-bit values, then a FILETIME
    tt_dotnet = 0x8000,           // .NET ticks: 100-ns ticks since 0001-01-01 UTC
    tt_none = 0x10000,            // no conversion exists
    tt_snowflake = 0x20000,       // identifier: bits 22 and up are ms since 2015-01-01 UTC
    tt_safari = 0x40000,          // seconds since 2001-01-01 UTC
    tt_hfs_plus = 0x80000,        // seconds since 1904-01-01 UTC
    tt_all = 0xFFFFFFFF,          // every kind at once: a mask, never one value's kind
};

// The name under which timestamp hits print a kind; "" for kinds without one.
[[nodiscard]] const char* type_time_name(type_time kind);

}  // namespace kq

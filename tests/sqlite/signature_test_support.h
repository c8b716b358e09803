#pragma once
// The real Notification row that the signature and column tests read in place: Order 1 of
// the real wpndatabase.db, its header-size byte at file offset 28378, a 16-byte header with
// the serial types 0 1 1 44 23 468 13 13 6 6 8 19 6 8 (468 takes two bytes, 0x83 0x54).

#include <cstddef>

#include "page_builder.h"
#include "text/kq_types.h"

namespace velk_test {

inline constexpr std::size_t real_order1_offset = 28378;
inline constexpr std::size_t real_order1_header = 16;
inline constexpr std::size_t real_order1_types = 15;  // serial-type bytes after the size byte

// The analyser-style pattern list of a Notification row: one entry per column.
inline const char* const notification_patterns[] = {"0",  "129", "129", "+0", "-", "+", "-0",
                                                    "-0", "6",   "6",   "89", "-", "6", "89"};
inline constexpr int32 notification_pattern_count = 14;

// `count` bytes of the real file from the row's header-size byte; empty when the file is
// not there.
inline byte_array real_order1_bytes(std::size_t count) {
    const byte_array file = test_pages::read_file(test_pages::real_db_path());
    if (file.size() < real_order1_offset + count) {
        return {};
    }
    const auto from = file.begin() + static_cast<std::ptrdiff_t>(real_order1_offset);
    return {from, from + static_cast<std::ptrdiff_t>(count)};
}

}  // namespace velk_test

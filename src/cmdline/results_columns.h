#pragma once
// results_columns: the values one written row hands to a results database beside its line.
// The names are those of the value columns of the results database's generic data table;
// which cell fills which column is decided by the low byte of the cell's flags (its role).

#include <string>

#include "text/kq_types.h"

// Role values of a cell's low flag byte. Only these exact values hand a value over; a low
// byte holding anything else (several roles at once included) hands nothing.
namespace results_role {
inline constexpr uint32 mask = 0xFF;
inline constexpr uint32 val1 = 1;
inline constexpr uint32 val2 = 2;
inline constexpr uint32 val3 = 4;
inline constexpr uint32 val4 = 8;
inline constexpr uint32 val5 = 16;
inline constexpr uint32 str1 = 32;
inline constexpr uint32 str2 = 64;
}  // namespace results_role

class results_columns {
public:
    results_columns();

    // The five numbers 0, both texts empty.
    void clear();
    // Stores value or text in the column the low byte of flags names (val1 to val5 take the
    // value, str1 and str2 the text); any other low byte changes nothing.
    void set(uint32 flags, uint64 value, const std::string& text);

    uint64 val1 = 0;
    uint64 val2 = 0;
    uint64 val3 = 0;
    uint64 val4 = 0;
    uint64 val5 = 0;
    std::string str1;
    std::string str2;
};

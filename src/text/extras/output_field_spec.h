#pragma once
// One output column after its "!" directives were interpreted: the
// field name that remains, one flag bit per directive found and the directive arguments.
// The time library reads `m_valid` and the time-kind bits to decide how a raw column value
// is to be read as a moment.

#include <map>
#include <string>
#include <vector>

#include "text/kq_types.h"

// Bits of `output_field_spec::m_flags` that choose how a raw value is read as a time.
namespace output_field_flags {
inline constexpr uint64 time_filetime = 0x8;         // "!TF": FILETIME, used unchanged
inline constexpr uint64 time_unix = 0x10;            // "!TU": Unix seconds
inline constexpr uint64 time_systemtime = 0x100;     // "!TS": SYSTEMTIME record
inline constexpr uint64 time_safari = 0x200;         // "!TAA": seconds since 2001-01-01
inline constexpr uint64 time_hfs_plus = 0x400;       // "!TH": seconds since 1904-01-01
inline constexpr uint64 time_chrome = 0x800;         // "!TC": microseconds since 1601
inline constexpr uint64 time_firefox3 = 0x1000;      // "!TMZ": microseconds since 1970
inline constexpr uint64 time_filetime_alt = 0x2000;  // set by no directive; read as FILETIME
}  // namespace output_field_flags

struct output_field_spec {
    std::string m_name;      // the text left once every directive is removed
    std::string m_name_arg;  // "!AFN(", "!CFN(" and "!CT(" name arguments
    int32 m_aux_index = -1;
    uint64 m_flags = 0;    // one bit per directive found
    bool m_valid = false;  // set once the column's directives have been interpreted
    int32 m_aux_value = 0;
    uint32 m_numeric_arg = 0;
    std::map<std::string, std::string> m_pairs;  // "!S(key:value)"
    std::vector<std::string> m_list;             // "!SR(text)"
    std::string m_text_arg;                      // "!SC(" and "!CT(" text arguments

    // Every member back to its value before interpretation (strings, map and list emptied).
    void clear();
};

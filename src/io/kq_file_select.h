#pragma once
// Choosing files: the entries of one folder whose names fit a pattern with '?' runs, the
// files of a list whose extension, size, times and contents fit a set of filters, and one
// path written relative to another. Nothing here changes a file.

#include <map>
#include <string>
#include <vector>

#include "text/kq_types.h"

namespace kqportdir {

// One set of criteria of filter_files_by_content; a criterion left at its empty value is
// not tested. A file passes when every tested criterion holds.
struct content_filter {
    uint64 m_time_threshold = 0;  // created (st_ctime) or altered (st_mtime) at or after it
    uint64 m_min_size = 0;
    uint64 m_max_size = 0;     // 0 lets only empty files pass
    std::wstring m_extension;  // compared case-sensitively, without the point
    uint32 m_range_start = 0;
    uint32 m_range_end = 0;       // 0 switches the range search off
    byte_array m_range_pattern;   // found somewhere in [start, end)
    uint32 m_tail_length = 0;     // 1 to 0x3FFF
    byte_array m_tail_pattern;    // found in the file's last tail-length bytes
    uint32 m_sector_length = 0;   // 1 to 511
    byte_array m_sector_pattern;  // found in the first sector-length bytes of a 512-byte step
};

// Empties out, then maps the lower-cased name of each file of the pattern's folder ("./"
// when the pattern names none) that fits the pattern to its path. The pattern compares
// lower-cased; a run of '?' stands for any number of characters, and a pattern ending in
// '?' fits nothing. True when out is not empty.
[[nodiscard]] bool find_files_matching(const std::string& pattern,
                                       std::map<std::string, std::string>& out);

// Keeps, in their order, the paths that every filter accepts (paths that cannot be
// stat-ed or read where a filter must look are dropped). False for an empty list and when
// nothing is kept; an empty filter list keeps every path.
[[nodiscard]] bool filter_files_by_content(std::vector<std::string>& paths,
                                           const std::vector<content_filter>& filters);

// out = target relative to the folder base, compared component by component ('/' or '\'
// separating): "../" for each base component that target does not share, then the rest of
// target. A target whose first character differs from base's (another root or drive) comes
// back whole; target equal to base gives ".". False when either path has 3 characters or
// fewer or more than maximum, or when the result would have more than maximum.
[[nodiscard]] bool make_relative_path(std::string& out, const std::string& base,
                                      const std::string& target, int maximum);

}  // namespace kqportdir

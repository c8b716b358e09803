#pragma once
// The head of a file read through uni::fileio, a file's "Zone.Identifier" companion, and
// the queries for extra attribute lists, which have no source on this platform.

#include <map>
#include <string>
#include <vector>

#include "io/uni_fileio.h"
#include "text/kq_types.h"

namespace uni {

// Empties out, then reads the first min(max, size) bytes of the file. False for an empty
// path, a max of 0, a file that cannot be opened, an empty file or a failed read.
[[nodiscard]] bool read_file_head(byte_array& out, const std::string& path, uint32 max);
[[nodiscard]] bool read_file_to_string(std::string& out, const std::string& path, uint32 max);

// Empties names; when the file is usable and has a path, adds "<path>:Zone.Identifier" when
// such a file exists (a download mark copied off an NTFS volume lands as a plain file of
// that name). True when names is not empty.
[[nodiscard]] bool list_zone_identifier(const fileio& file, std::vector<std::string>& names);
// The same after opening the path read-only; false when it cannot be opened.
[[nodiscard]] bool list_zone_identifier(std::vector<std::string>& names, const std::string& path);

// Extended attribute lists and attribute maps have no source here: both empty their
// outputs and answer false, which callers take as nothing found.
[[nodiscard]] bool path_lists_stub(std::vector<std::string>& a, std::vector<std::string>& b,
                                   const std::string& path);
[[nodiscard]] bool fill_map_stub(std::map<std::string, std::string>& m);

}  // namespace uni

#pragma once
// Secure removal of a folder tree or of one file: each file is overwritten with zeros,
// shrunk to one byte, renamed to a random name, moved into %TEMP% when it can be and
// removed. The bytes are overwritten in place on purpose: a copy would leave the old blocks
// behind. Nothing outside the tree is ever written or removed: links are removed as links,
// never opened; files with a second hard link lose only their name (their bytes are another
// file's too); entries whose folder no longer resolves inside the tree are left alone; and
// no rename replaces an existing name. The one entry made outside the tree is the moved
// file in %TEMP%, which is removed at once.

#include <map>
#include <string>
#include <vector>

#include "text/kq_types.h"

class cmd_params;
class filter_entry;

namespace kqportdir {

// What happened to each path, as bits of its code.
namespace wipe_code {
inline constexpr uint64 folder = 1;
inline constexpr uint64 visited = 2;
inline constexpr uint64 zeroed = 4;
inline constexpr uint64 shrunk = 8;
inline constexpr uint64 renamed = 16;
inline constexpr uint64 moved = 32;
inline constexpr uint64 deleted = 64;
}  // namespace wipe_code

// Path as the walk delivers it -> code. The key order puts a folder before its contents.
using wipe_results = std::map<std::wstring, uint64>;

// Records one walked path: a folder (not "." or "..") as `folder`; a file is overwritten
// with zeros and recorded as visited | zeroed, or as visited alone when that failed (also
// for a link or a file with a second hard link, which are not overwritten). An existing
// entry is kept. "wipe: " / "not wiped: " go to the diagnostics, "wiped: " / "not wiped: "
// to standard error when status output is on. Returns 0.
int wipe_callback(const std::wstring& path, bool is_folder, wipe_results* results,
                  cmd_params* options);

// Wipes the files of the tree (%VAR% references expanded, `levels` levels deep, selected
// by the filters; a file whose signature the filter could not read is not selected), then,
// with no filter or a match-all first one, removes its folders deepest first. False for an
// empty root, a null options pointer, a root that is a link or no folder, when nothing was
// selected, and when any selected entry is still there. results, when given, receives the
// codes.
[[nodiscard]] bool wipe_tree(const std::wstring& root, const std::vector<filter_entry>& filters,
                             int32 levels, cmd_params* options, wipe_results* results = nullptr);

// Wipes one regular file (never a link, never a file with a second hard link, never
// created). Writes nothing to any stream. True only when the file was overwritten, shrunk
// and removed.
[[nodiscard]] bool wipe_file(const std::wstring& path);

}  // namespace kqportdir

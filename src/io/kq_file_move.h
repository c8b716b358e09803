#pragma once
// Removing, renaming and moving files. Paths reach the system calls exactly as given (a
// relative path is the kernel's to resolve), and no rename ever replaces an existing name:
// on evidence volumes a silently overwritten file is lost data.

#include <string>
#include <vector>

namespace kqportdir {

enum class rename_outcome { done, name_taken, failed };

// rename(2) that fails with name_taken instead of replacing an existing target; where the
// file system lacks the no-replace flag, a hard link and an unlink stand in for it.
[[nodiscard]] rename_outcome rename_no_replace(const std::string& from, const std::string& to);

// remove(3): a file, a link (itself, never its target) or an empty folder.
[[nodiscard]] bool remove_file(const std::string& path);
[[nodiscard]] bool remove_file_w(const std::wstring& path);
// A rename that never replaces. `normalise` is accepted for callers of the older form and
// changes nothing: rewriting a relative path could only make it name another file.
[[nodiscard]] bool rename_file(const std::string& from, const std::string& to, bool normalise);
[[nodiscard]] bool rename_file_w(const std::wstring& from, const std::wstring& to);

// Moves d/name.ext into the new folder d/name (out: d/name/name.ext). False when the path
// is missing, has no '/' or no '.' after its last '/', when d already holds the base name
// anywhere in its text, or when the folder or the move fails. With siblings, every file of d
// whose name holds the base name less the first occurrence of each name part (ignoring
// case) follows it; a base reduced to nothing moves none, and any failed move gives false.
[[nodiscard]] bool move_into_named_folder(std::string& out, const std::string& path,
                                          const std::vector<std::string>& name_parts,
                                          bool with_siblings);
// Creates folder (every level) and moves the file into it under its own name.
[[nodiscard]] bool move_into_folder(std::string& out, const std::string& folder,
                                    const std::string& path);

}  // namespace kqportdir

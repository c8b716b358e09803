#pragma once
// Breadth-first walks of a folder tree, one level at a time down to a given number of
// levels. Listings use lstat, so a link to a folder is never descended: a link cycle
// cannot keep a walk going, and the level count bounds the rest.

#include <string>
#include <vector>

#include "text/kq_types.h"

namespace kqportdir {

// Appends the paths of the files matching the pattern in the folder and its sub-folders,
// down to `levels` levels (1: the folder itself; 0: nothing). The pattern applies to files
// only. A "\\?\" long-path prefix is taken off the paths.
void list_dir_recursive(std::vector<std::string>& out, const std::string& folder,
                        const std::string& pattern, int32 levels);
void list_files_recursive_w(std::vector<std::wstring>& out, const std::wstring& folder,
                            const std::wstring& pattern, int32 levels);

}  // namespace kqportdir

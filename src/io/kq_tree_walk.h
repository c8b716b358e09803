#pragma once
// Level-by-level walks of a folder tree that hand every folder and file passing the
// options' filters to a callback. Listings use lstat, so a link to a folder is never
// descended; the level count bounds the walk.

#include <string>
#include <vector>

#include "text/kq_types.h"

class cmd_params;
struct filter_entry;

namespace kqportdir {

// Receives each selected path (without a "\\?\" long-path prefix), true for a folder, the
// caller's context and the options pointer given to the walk.
using walk_callback = void (*)(const std::wstring& path, bool is_folder, void* context,
                               cmd_params* options);

// Reports the folder itself and, level by level down to `levels` levels (1: the folder and
// its files only; 0: nothing), every folder and file that passes the filters, or whose
// signature test could not open it. With options the test is the options' own (time window
// included, through one reused stat cache); without, the default one.
void walk_tree_w(const std::wstring& folder, const std::vector<filter_entry>& filters,
                 walk_callback callback, void* context, cmd_params* options, int32 levels);
// The folder's %VAR% references are expanded first ("vss" allowed), then it is walked.
void walk_tree_env(const std::string& folder, const std::vector<filter_entry>& filters,
                   walk_callback callback, void* context, cmd_params* options, int32 levels);
// The same for a wide folder, expanded without the "vss" name.
void walk_tree_env_w(const std::wstring& folder, const std::vector<filter_entry>& filters,
                     walk_callback callback, void* context, cmd_params* options, int32 levels);

// The path without its "\\?\" prefix, except for a shadow-copy device path, which needs it.
[[nodiscard]] std::wstring strip_long_prefix(const std::wstring& path);

}  // namespace kqportdir

#include "io/kq_tree_walk.h"

#include <deque>

// The walk selects paths with the common options' filters, which live a layer up: the
// filter test needs the options' time window and signature lists.
#include "cmdline/cmd_params.h"
#include "cmdline/file_filters.h"
#include "io/file_entry.h"
#include "io/kq_dir_list.h"
#include "io/path_codec.h"
#include "text/env_expand.h"
#include "text/text_case.h"

namespace kqportdir {
namespace {

// "\\?\" and, after it, the place where a shadow-copy path spells "globalroot".
constexpr std::size_t long_prefix_length = 4;
constexpr std::size_t shadow_copy_prefix_length = 46;
const std::wstring long_prefix = L"\\\\?\\";

bool selected(const std::wstring& path, const std::vector<filter_entry>& filters,
              cmd_params* options, file_entry_ex& cache) {
    bool could_not_open = false;
    bool passes = false;
    if (options != nullptr) {
        // A zero modified time makes the filter fill the cache again for this path.
        cache.m_modified = 0;
        passes = cmd_params::match_file_filter(*options, &could_not_open, path, filters, &cache,
                                               false);
    } else {
        passes = path_passes_filters_w(&could_not_open, path, filters, false);
    }
    return passes || could_not_open;
}

}  // namespace

std::wstring strip_long_prefix(const std::wstring& path) {
    if (path.size() <= long_prefix_length || path.compare(0, long_prefix_length, long_prefix) != 0) {
        return path;
    }
    if (path.size() > shadow_copy_prefix_length) {
        std::wstring lower = path;
        wstring_to_lower(lower);
        if (lower.compare(long_prefix_length, 6, L"global") == 0) {
            return path;
        }
    }
    return path.substr(long_prefix_length);
}

void walk_tree_w(const std::wstring& folder, const std::vector<filter_entry>& filters,
                 walk_callback callback, void* context, cmd_params* options, int32 levels) {
    if (callback == nullptr) {
        return;
    }
    std::deque<std::wstring> current{folder};
    std::deque<std::wstring> next;
    file_entry_ex cache;
    for (int32 level = 0; level < levels && !current.empty(); ++level) {
        for (const std::wstring& path : current) {
            if (selected(path, filters, options, cache)) {
                callback(strip_long_prefix(path), true, context, options);
            }
            dir_listing_w entries;
            list_dir_pattern_w(path, L"*.*", entries);
            for (const dir_entry_w& entry : entries) {
                if (entry.m_is_folder) {
                    next.push_back(entry.m_path);
                } else if (selected(entry.m_path, filters, options, cache)) {
                    callback(strip_long_prefix(entry.m_path), false, context, options);
                }
            }
        }
        current.swap(next);
        next.clear();
    }
}

void walk_tree_env(const std::string& folder, const std::vector<filter_entry>& filters,
                   walk_callback callback, void* context, cmd_params* options, int32 levels) {
    std::string expanded = folder;
    (void)expand_env_vars(expanded, true);  // expands in place; the copy it returns is not needed
    walk_tree_w(uni::narrow_path_to_wide(expanded), filters, callback, context, options, levels);
}

void walk_tree_env_w(const std::wstring& folder, const std::vector<filter_entry>& filters,
                     walk_callback callback, void* context, cmd_params* options, int32 levels) {
    std::wstring expanded = folder;
    (void)wexpand_env_vars(expanded);  // expands in place
    walk_tree_w(expanded, filters, callback, context, options, levels);
}

}  // namespace kqportdir

#include "io/kq_dir_walk.h"

#include <deque>

#include "io/kq_dir_list.h"
#include "io/path_codec.h"

namespace kqportdir {
namespace {

constexpr std::size_t long_prefix_length = 4;

std::string to_bytes(const std::wstring& text) {
    std::string bytes;
    // A character without a byte form ends the text; such a path names nothing on disk.
    (void)uni::wide_path_to_narrow(text, bytes);
    return bytes;
}

}  // namespace

void list_dir_recursive(std::vector<std::string>& out, const std::string& folder,
                        const std::string& pattern, int32 levels) {
    std::deque<std::string> current = {folder};
    for (int32 level = 0; level < levels; ++level) {
        std::deque<std::string> next;
        for (; !current.empty(); current.pop_front()) {
            dir_listing listed;
            list_dir_pattern(current.front(), pattern, listed);
            for (const auto& entry : listed) {
                if (entry.m_is_folder) {
                    next.push_back(entry.m_path);
                } else if (entry.m_long_prefix && entry.m_path.size() > long_prefix_length) {
                    out.push_back(entry.m_path.substr(long_prefix_length));
                } else {
                    out.push_back(entry.m_path);
                }
            }
        }
        if (next.empty()) {
            return;
        }
        current.swap(next);
    }
}

void list_files_recursive_w(std::vector<std::wstring>& out, const std::wstring& folder,
                            const std::wstring& pattern, int32 levels) {
    std::vector<std::string> narrow;
    list_dir_recursive(narrow, to_bytes(folder), to_bytes(pattern), levels);
    for (const auto& path : narrow) {
        out.push_back(uni::narrow_path_to_wide(path));
    }
}

}  // namespace kqportdir

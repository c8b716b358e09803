#include "app/stdin_stream_ex.h"

// The input name source is not built yet: it opens nothing and yields no name, so the
// input loop ends at once with a failing status.

namespace kqportdir {

stdin_stream_ex::stdin_stream_ex(const cmd_params* options) : uni::stdin_stream(false) {
    reset();
    m_options = options;
}

stdin_stream_ex::~stdin_stream_ex() = default;

void stdin_stream_ex::reset() {
    m_pending_dirs.clear();
    m_pending_files.clear();
    m_depth_limit = 1;
    m_filters.clear();
    m_walk_mode = false;
    m_options = nullptr;
}

bool stdin_stream_ex::open_stdin(bool check) {
    (void)check;
    return false;
}

bool stdin_stream_ex::open_dir(const std::wstring& folder, uint32 depth_limit,
                               const std::vector<filter_entry>& filters) {
    (void)folder;
    (void)depth_limit;
    (void)filters;
    return false;
}

bool stdin_stream_ex::open_dir(const std::string& folder, uint32 depth_limit,
                               const std::vector<filter_entry>& filters) {
    (void)folder;
    (void)depth_limit;
    (void)filters;
    return false;
}

bool stdin_stream_ex::read_line(std::string& out, bool trim) {
    (void)trim;
    out.clear();
    return false;
}

bool stdin_stream_ex::read_line(std::wstring& out, bool trim) {
    (void)trim;
    out.clear();
    return false;
}

bool stdin_stream_ex::next_walked_file(std::wstring& out) {
    out.clear();
    return false;
}

bool stdin_stream_ex::accept_path(std::wstring& path, bool is_directory) {
    (void)path;
    (void)is_directory;
    return false;
}

}  // namespace kqportdir

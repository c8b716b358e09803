#include "app/stdin_stream_ex.h"

#include <sys/stat.h>

#include <array>
#include <cinttypes>
#include <cstring>
#include <string_view>
#include <utility>

#include "cmdline/cmd_params.h"
#include "cmdline/file_filters.h"
#include "io/file_entry.h"
#include "io/kq_dir_list.h"
#include "io/path_codec.h"
#include "io/uni_file_info.h"
#include "io/uni_path.h"
#include "text/console_output.h"
#include "text/env_expand.h"
#include "text/text_case.h"

namespace kqportdir {

namespace {

// The Windows long-path prefix "\\?\"; paths handed over from Windows tools may carry it.
constexpr std::wstring_view long_prefix = L"\\\\?\\";
// The files the database reader takes up beside a database (the SQLite library's names).
constexpr std::array<std::wstring_view, 3> companion_suffixes = {L"-wal", L"-journal", L"-shm"};
// What follows the prefix in a shadow-copy device path ("\\?\GLOBALROOT\Device\...").
constexpr std::wstring_view globalroot_start = L"global";

// Whether a file passes the filter list: through the options' test when there are options,
// else through the optionless test (no time window).
bool file_passes(const cmd_params* options, const std::wstring& path,
                 const std::vector<filter_entry>& filters, bool& could_not_open) {
    could_not_open = false;
    if (options != nullptr) {
        file_entry_ex fresh;
        return cmd_params::match_file_filter(*options, &could_not_open, path, filters, &fresh,
                                             false);
    }
    return path_passes_filters_w(&could_not_open, path, filters, false);
}

// One line for a walked entry that is passed over, and why.
void say_skipped(const std::string& path, const std::string& why) {
    stderr_printf("skipping %s: %s\n", path.c_str(), why.c_str());
}

}  // namespace

stdin_stream_ex::stdin_stream_ex(const cmd_params* options) : uni::stdin_stream(false) {
    reset();
    m_options = options;
}

stdin_stream_ex::~stdin_stream_ex() = default;

void stdin_stream_ex::reset() {
    m_pending_dirs.clear();
    m_pending_files.clear();
    m_pending_links.clear();
    m_depth_limit = 1;
    m_filters.clear();
    m_walk_mode = false;
    m_options = nullptr;
    m_open = false;
    m_unlisted_folders = 0;
    m_walked_root.clear();
    m_taken.clear();
    m_line_number = 0;
    m_folder_shown.clear();
}

bool stdin_stream_ex::open_stdin(bool check) {
    reset();
    m_open = check ? is_available() : true;
    m_walk_mode = false;
    return m_open;
}

bool stdin_stream_ex::open_dir(const std::wstring& folder, uint32 depth_limit,
                               const std::vector<filter_entry>& filters) {
    reset();
    m_depth_limit = depth_limit;
    m_filters = filters;
    std::wstring start = folder;
    (void)accept_path(start, true);  // folders are never refused; only the prefix changes
    std::string root;
    // A folder that does not resolve lists nothing either; its listing says why.
    if (uni::wide_path_to_narrow(start, root)) {
        (void)uni::resolve_path(root, m_walked_root);
    }
    m_pending_dirs.push_back({std::move(start), 0});
    m_open = true;
    m_walk_mode = true;
    return true;
}

bool stdin_stream_ex::open_dir(const std::string& folder, uint32 depth_limit,
                               const std::vector<filter_entry>& filters) {
    if (folder.empty()) {
        return false;
    }
    return open_dir(uni::narrow_path_to_wide(folder), depth_limit, filters);
}

bool stdin_stream_ex::read_line(std::string& out, bool trim) {
    out.clear();
    if (!m_open) {
        return false;
    }
    if (!m_walk_mode) {
        return next_stdin_line(out, trim);
    }
    std::wstring walked;
    while (next_walked_file(walked)) {
        // Walked names came from byte names, so each has a byte form; a name without one
        // could open nothing and is passed over.
        if (uni::wide_path_to_narrow(walked, out)) {
            return true;
        }
        out.clear();
    }
    return false;
}

bool stdin_stream_ex::read_line(std::wstring& out, bool trim) {
    out.clear();
    if (!m_open) {
        return false;
    }
    if (m_walk_mode) {
        return next_walked_file(out);
    }
    // A line is a path: bytes that are not UTF-8 keep a reversible wide form instead of
    // cutting the name short.
    std::string line;
    if (!next_stdin_line(line, trim)) {
        return false;
    }
    out = uni::narrow_path_to_wide(line);
    return true;
}

bool stdin_stream_ex::next_stdin_line(std::string& out, bool trim) {
    for (;;) {
        const line_read got = read_bounded_line(out, trim);
        if (got == line_read::end) {
            return false;
        }
        ++m_line_number;
        if (got == line_read::too_long) {
            // Said as soon as the line passes the limit: it may never end.
            stderr_printf("skipping line %" PRIu64
                          " of standard input: longer than %zu bytes, so no path\n",
                          m_line_number, max_line_length);
            continue;
        }
        // The system would read the name only up to the NUL, and open another file.
        if (out.find('\0') != std::string::npos) {
            stderr_printf("skipping line %" PRIu64
                          " of standard input: it holds a NUL byte, which no path can\n",
                          m_line_number);
            continue;
        }
        return true;
    }
}

bool stdin_stream_ex::next_walked_file(std::wstring& out) {
    out.clear();
    for (;;) {
        if (!m_pending_files.empty()) {
            if (take_pending(m_pending_files, out)) {
                return true;
            }
            continue;
        }
        if (m_pending_dirs.empty()) {
            if (m_pending_links.empty()) {
                return false;
            }
            if (take_pending(m_pending_links, out)) {
                return true;
            }
            continue;
        }
        const pending_dir folder = std::move(m_pending_dirs.back());
        m_pending_dirs.pop_back();
        // Sub-folders are stacked one level deeper even past the limit; they are dropped
        // here, when taken.
        if (folder.m_depth < 0 || static_cast<uint32>(folder.m_depth) > m_depth_limit) {
            continue;
        }
        list_folder(folder);
    }
}

bool stdin_stream_ex::take_pending(std::deque<pending_file>& stack, std::wstring& out) {
    pending_file file = std::move(stack.back());
    stack.pop_back();
    if (m_taken.insert(file.m_identity).second) {
        out = std::move(file.m_path);
        return true;
    }
    std::string shown;
    (void)uni::wide_path_to_narrow(file.m_path, shown);  // walked names came from bytes
    say_skipped(shown, file.m_link_target.empty()
                           ? "the same file as another name read in this walk (a hard link)"
                           : "a link to " + file.m_link_target + ", read in this walk already");
    return false;
}

void stdin_stream_ex::list_folder(const pending_dir& folder) {
    std::wstring path = folder.m_path;
    if (!accept_path(path, true)) {
        return;
    }
    // One level of this very folder: a pattern listing would read '*' in a folder name as a
    // wildcard, and evidence folders may be named so. Every file and sub-folder is wanted.
    std::string start;
    if (!uni::wide_path_to_narrow(path, start) || start.empty()) {
        return;
    }
    // As walked, for the examiner; the walked folder itself as the run names it.
    const std::string shown =
        folder.m_depth == 0 && !m_folder_shown.empty() ? m_folder_shown : start;
    if (start.back() != '/') {
        start += '/';
    }
    dir_listing listed;
    int read_error = 0;
    // Its result only says whether anything was listed; read_error says whether all was.
    (void)list_dir(start, listed, 0, false, true, &read_error);
    if (read_error != 0) {
        // What was listed before a failure is still walked.
        ++m_unlisted_folders;
        stderr_printf("prob listing folder %s: %s\n", shown.c_str(), std::strerror(read_error));
    }
    std::vector<pending_file> files;
    for (const dir_entry& entry : listed) {
        std::wstring found = uni::narrow_path_to_wide(entry.m_path);
        if (entry.m_is_folder) {
            m_pending_dirs.push_back({std::move(found), folder.m_depth + 1});
            continue;
        }
        // Decided before any filter runs: a signature filter opens what it tests.
        pending_file file;
        if (walked_file(entry, file) && accept_path(found, false)) {
            file.m_path = std::move(found);
            files.push_back(std::move(file));
        }
    }
    if (m_companions_with_database) {
        drop_companions(files);
    }
    for (pending_file& file : files) {
        (file.m_link_target.empty() ? m_pending_files : m_pending_links).push_back(std::move(file));
    }
}

void stdin_stream_ex::drop_companions(std::vector<pending_file>& files) const {
    // A database's companions are read beside the file it is: one found as itself here,
    // not through a link to elsewhere.
    std::set<std::wstring> databases;
    for (const pending_file& file : files) {
        if (file.m_link_target.empty()) {
            databases.insert(file.m_path);
        }
    }
    std::erase_if(files, [&databases](const pending_file& file) {
        for (const std::wstring_view suffix : companion_suffixes) {
            const std::wstring& path = file.m_path;
            if (path.size() > suffix.size() && path.ends_with(suffix) &&
                databases.contains(path.substr(0, path.size() - suffix.size()))) {
                return true;
            }
        }
        return false;
    });
}

bool stdin_stream_ex::walked_file(const dir_entry& entry, pending_file& file) const {
    if (entry.m_stat_error != 0) {
        say_skipped(entry.m_path, std::strerror(entry.m_stat_error));
        return false;
    }
    if (S_ISLNK(entry.m_mode)) {
        return followed_link(entry.m_path, file);
    }
    if (const char* kind = uni::special_file_kind(entry.m_mode); kind != nullptr) {
        say_skipped(entry.m_path, std::string(kind) + ", not a regular file");
        return false;
    }
    file.m_identity = {entry.m_device, entry.m_inode};
    return true;
}

bool stdin_stream_ex::followed_link(const std::string& path, pending_file& file) const {
    std::string target;
    const int error = uni::resolve_path(path, target);
    if (error != 0) {
        // A dangling link or a loop: there is nothing to read.
        say_skipped(path, std::string("a link that reaches no file: ") + std::strerror(error));
        return false;
    }
    if (!lies_in_walked_folder(target)) {
        say_skipped(path, "a link to " + target + ", outside the walked folder");
        return false;
    }
    struct stat64 info {};
    if (::stat64(target.c_str(), &info) != 0) {
        say_skipped(path, std::strerror(errno));
        return false;
    }
    if (const char* kind = uni::special_file_kind(info.st_mode); kind != nullptr) {
        say_skipped(path, std::string("a link to ") + kind + ", not a regular file");
        return false;
    }
    file.m_identity = {static_cast<uint64>(info.st_dev), static_cast<uint64>(info.st_ino)};
    file.m_link_target = std::move(target);
    return true;
}

bool stdin_stream_ex::lies_in_walked_folder(const std::string& resolved) const {
    if (m_walked_root.empty() || !resolved.starts_with(m_walked_root)) {
        return false;
    }
    // "/" is its own separator; any other root must be followed by one, so that /case2 does
    // not count as inside /case.
    return m_walked_root == "/" || resolved.size() == m_walked_root.size() ||
           resolved[m_walked_root.size()] == '/';
}

bool stdin_stream_ex::accept_path(std::wstring& path, bool is_directory) const {
    if (!is_directory) {
        bool could_not_open = false;
        if (!file_passes(m_options, path, m_filters, could_not_open) && !could_not_open) {
            return false;
        }
    }
    if (path.size() <= long_prefix.size() ||
        path.compare(0, long_prefix.size(), long_prefix) != 0) {
        return true;
    }
    // The shadow-copy device path needs its prefix to name the device at all.
    if (path.size() > static_cast<std::size_t>(vss_prefix_length())) {
        std::wstring lower = path;
        if (wstring_to_lower(lower).compare(long_prefix.size(), globalroot_start.size(),
                                            globalroot_start) == 0) {
            return true;
        }
    }
    path.erase(0, long_prefix.size());
    return true;
}

}  // namespace kqportdir

#include "io/kq_dir_list.h"

#include <dirent.h>
#include <errno.h>
#include <sys/stat.h>

#include <iomanip>
#include <ostream>
#include <utility>

#include "io/path_codec.h"
#include "io/uni_file_info.h"
#include "text/env_expand.h"
#include "text/path_text.h"
#include "text/text_case.h"

namespace kqportdir {
namespace {

// "\\?\": the Windows long-path prefix.
constexpr std::size_t long_prefix_length = 4;
constexpr const char* long_prefix = "\\\\?\\";
constexpr const wchar_t* long_prefix_w = L"\\\\?\\";

char separator_for(bool forward_slash) { return forward_slash ? '/' : '\\'; }

std::string wildcard_marker(bool forward_slash) {
    const char sep = separator_for(forward_slash);
    return std::string{sep, '*', sep};
}

// How many "*" levels the text names. Expansion stops after that many rounds, so a real
// folder named "*" (which brings the marker back) cannot keep the expansion going forever.
std::size_t count_markers(const std::string& text, const std::string& marker) {
    std::size_t count = 0;
    for (auto at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 2)) {
        ++count;
    }
    return count;
}

void expand_all(std::vector<std::string>& list, const std::string& start, bool forward_slash) {
    const std::size_t rounds = count_markers(start, wildcard_marker(forward_slash));
    std::size_t done = 0;
    while (done < rounds && expand_dir_wildcards(list, forward_slash)) {
        ++done;
    }
}

// The entry's own lstat (links not followed), kept in the entry so that a walk decides
// what the entry is without touching it again. An entry that cannot be lstat-ed (gone
// since readdir, or unreachable) counts as a file with mode 0 and the errno kept: a file is
// never descended into, and the record is never read unfilled.
struct entry_stat {
    struct stat64 info {};
    int error = 0;

    explicit entry_stat(const std::string& path) {
        if (::lstat64(path.c_str(), &info) != 0) {
            error = errno;
            info = {};
        }
    }
    [[nodiscard]] bool is_folder() const {
        return error == 0 && uni::is_directory_mode(info.st_mode);
    }
    void fill(dir_entry& entry) const {
        entry.m_mode = static_cast<uint32>(info.st_mode);
        entry.m_device = static_cast<uint64>(info.st_dev);
        entry.m_inode = static_cast<uint64>(info.st_ino);
        entry.m_stat_error = error;
    }
};

// Base name and extension of a listed name, cut at its last point.
void cut_name(const std::string& name, std::string& base, std::string& ext) {
    const auto point = name.rfind('.');
    base = point == std::string::npos ? name : name.substr(0, point);
    ext = point == std::string::npos ? std::string() : name.substr(point + 1);
    string_to_lower(base);
    string_to_lower(ext);
}

struct name_pattern {
    std::string base;
    std::string ext;
};

name_pattern compile_pattern(const std::string& pattern) {
    std::string text = pattern.empty() ? std::string("*.*") : pattern;
    string_to_lower(text);
    name_pattern out;
    std::string folder;
    // The pattern's folder part, if any, is ignored.
    (void)split_file_name(text.c_str(), folder, out.base, out.ext);
    // assign(1, c) rather than = "*": GCC 12 reports a false -Wrestrict overlap for a short
    // literal assigned to a string member at -O2.
    if (out.base.empty()) {
        out.base.assign(1, '*');
    }
    if (out.ext.empty()) {
        out.ext.assign(1, '*');
    }
    return out;
}

bool matches(const name_pattern& pattern, const std::string& name) {
    std::string base;
    std::string ext;
    cut_name(name, base, ext);
    return (pattern.base == "*" || pattern.base == base) &&
           (pattern.ext == "*" || pattern.ext == ext);
}

std::string to_bytes(const std::wstring& text) {
    std::string bytes;
    // A character without a byte form ends the text; such a path names nothing on disk.
    (void)uni::wide_path_to_narrow(text, bytes);
    return bytes;
}

}  // namespace

dir_entry::dir_entry(std::string path, std::string name, bool is_folder, int32 depth)
    : m_path(std::move(path)), m_name(std::move(name)), m_is_folder(is_folder), m_depth(depth) {
    m_long_prefix = m_path.size() > long_prefix_length && m_path.rfind(long_prefix, 0) == 0;
}

dir_entry_w::dir_entry_w(std::wstring path, std::wstring name, bool is_folder, int32 depth)
    : m_path(std::move(path)), m_name(std::move(name)), m_is_folder(is_folder), m_depth(depth) {
    m_long_prefix = m_path.size() > long_prefix_length && m_path.rfind(long_prefix_w, 0) == 0;
    if (m_long_prefix && m_path.size() > static_cast<std::size_t>(vss_prefix_length())) {
        std::wstring lower = m_path;
        m_globalroot = wstring_to_lower(lower).compare(long_prefix_length, 10, L"globalroot") == 0;
    }
}

void dir_entry_w::clear() {
    m_path.clear();
    m_name.clear();
    m_is_folder = false;
    m_globalroot = false;
    m_depth = 0;
}

void dir_entry_w::assign(const dir_entry& entry) {
    clear();
    m_path = uni::narrow_path_to_wide(entry.m_path);
    m_name = uni::narrow_path_to_wide(entry.m_name);
    m_is_folder = entry.m_is_folder;
    m_depth = entry.m_depth;
}

bool list_dir(const std::string& folder, dir_listing& out, int32 depth, bool folders_only,
              bool forward_slash, int* read_error) {
    int ignored = 0;
    int& error = read_error != nullptr ? *read_error : ignored;
    error = 0;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        error = errno;
        return false;
    }
    const char sep = separator_for(forward_slash);
    bool appended = false;
    for (;;) {
        // readdir ends a listing with null both at the end and on failure; only errno tells
        // them apart.
        errno = 0;
        const dirent* item = ::readdir(dir);
        if (item == nullptr) {
            error = errno;
            break;
        }
        const std::string name = item->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = folder + name;
        const entry_stat found(path);
        if (found.is_folder()) {
            found.fill(out.emplace_back(path + sep, std::string(), true, depth + 1));
        } else if (!folders_only) {
            found.fill(out.emplace_back(path, name, false, depth));
        } else {
            continue;
        }
        appended = true;
    }
    ::closedir(dir);
    return appended;
}

bool expand_dir_wildcards(std::vector<std::string>& list, bool forward_slash) {
    const std::string marker = wildcard_marker(forward_slash);
    bool changed = false;
    const std::size_t present = list.size();
    for (std::size_t i = 0; i < present; ++i) {
        const auto at = list[i].find(marker);
        if (list[i].empty() || at == std::string::npos) {
            continue;
        }
        const std::string parent = list[i].substr(0, at + 1);
        const std::string rest = list[i].substr(at + marker.size());
        dir_listing subs;
        changed = true;
        if (!list_dir(parent, subs, 0, true, forward_slash)) {
            list[i].clear();
            continue;
        }
        list[i] = subs.front().m_path + rest;
        for (std::size_t s = 1; s < subs.size(); ++s) {
            list.push_back(subs[s].m_path + rest);
        }
    }
    return changed;
}

void list_dir_pattern(const std::string& folder, const std::string& pattern, dir_listing& out) {
    out.clear();
    if (folder.empty()) {
        return;
    }
    // Always '/': a folder named without one ("evidence", ".") is still a POSIX path.
    std::string start = folder;
    if (start.back() != '/') {
        start += '/';
    }
    std::vector<std::string> folders = {start};
    expand_all(folders, start, true);
    dir_listing listed;
    for (std::string& text : folders) {
        const auto star = text.find('*');
        if (star != std::string::npos) {
            text.erase(star);
        }
        if (!text.empty()) {
            (void)list_dir(text, listed, 0, false, true);  // an unreadable folder adds nothing
        }
    }
    const name_pattern compiled = compile_pattern(pattern);
    for (auto& entry : listed) {
        if (entry.m_is_folder || matches(compiled, entry.m_name)) {
            out.push_back(std::move(entry));
        }
    }
}

void list_dir_pattern_w(const std::wstring& folder, const std::wstring& pattern,
                        dir_listing_w& out) {
    dir_listing narrow;
    list_dir_pattern(to_bytes(folder), pattern.empty() ? std::string() : to_bytes(pattern), narrow);
    for (const auto& entry : narrow) {
        dir_entry_w wide(std::wstring(), std::wstring(), false, 0);
        wide.assign(entry);
        out.push_back(std::move(wide));
    }
}

void list_paths(const std::string& folder, const std::string& pattern,
                std::vector<std::string>& out, bool with_folders) {
    dir_listing listed;
    list_dir_pattern(folder, pattern, listed);
    for (const auto& entry : listed) {
        if (!entry.m_is_folder || with_folders) {
            out.push_back(entry.m_path);
        }
    }
}

void list_paths_cstr(const char* folder, const char* pattern, std::vector<std::string>& out) {
    list_paths(folder == nullptr ? "" : folder, pattern == nullptr ? "" : pattern, out, true);
}

void list_folder_cstr(const char* folder, std::vector<std::string>& out) {
    list_paths_cstr(folder, nullptr, out);
}

void list_files_w(const std::wstring& folder, const std::wstring& pattern,
                  std::vector<std::wstring>& out) {
    std::vector<std::string> narrow;
    list_paths_cstr(to_bytes(folder).c_str(), to_bytes(pattern).c_str(), narrow);
    for (const auto& path : narrow) {
        out.push_back(uni::narrow_path_to_wide(path));
    }
}

void list_subfolders(const std::string& folder, std::vector<std::string>& out) {
    dir_listing listed;
    list_dir_pattern(folder, "*.*", listed);
    for (const auto& entry : listed) {
        if (entry.m_is_folder) {
            out.push_back(entry.m_path);
        }
    }
}

void list_files_only(const std::string& folder, std::vector<std::string>& out) {
    out.clear();
    dir_listing listed;
    list_dir_pattern(folder, "*.*", listed);
    for (const auto& entry : listed) {
        if (!entry.m_is_folder) {
            out.push_back(entry.m_path);
        }
    }
}

bool expand_wildcard_path(const char* path, std::vector<std::string>& out) {
    const std::string start = path == nullptr ? std::string() : std::string(path);
    out.push_back(start);
    // Always '/', as for listings: these are POSIX paths whatever else they hold.
    expand_all(out, start, true);
    return true;
}

bool expand_wildcard_path_w(const std::wstring& path, std::vector<std::wstring>& out) {
    std::vector<std::string> narrow;
    (void)expand_wildcard_path(to_bytes(path).c_str(), narrow);  // always true
    for (const auto& text : narrow) {
        out.push_back(uni::narrow_path_to_wide(text));
    }
    return true;
}

void print_wildcard_expansion(const std::string& path, std::ostream& out) {
    std::vector<std::string> expanded;
    (void)expand_wildcard_path(path.c_str(), expanded);  // always true
    for (const auto& text : expanded) {
        out << text << '\n';
    }
}

void print_listing(const std::string& folder, std::ostream& out) {
    dir_listing listed;
    list_dir_pattern(folder, "", listed);
    out << std::setfill('0') << std::right << std::hex;
    for (const auto& entry : listed) {
        out << std::setw(3) << entry.m_depth << ": " << entry.m_path << '\n';
    }
}

bool clear_list(std::vector<std::string>& list) {
    list.clear();
    return false;
}

}  // namespace kqportdir

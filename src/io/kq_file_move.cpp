#include "io/kq_file_move.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "io/kq_dir_files.h"
#include "io/kq_dir_list.h"
#include "io/path_codec.h"
#include "io/uni_file_info.h"
#include "text/text_replace.h"

namespace kqportdir {
namespace {

// A NUL inside the text would hand the system call a shorter name: another file.
bool usable(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

bool to_bytes(const std::wstring& path, std::string& out) {
    return uni::wide_path_to_narrow(path, out) && usable(out);
}

// The folder for a named move. Its parent exists (the file lies there), so one mkdir is
// enough, and the name is used as it is: the multi-level creator rewrites quotes and '\',
// which would make folders the move then never uses. A link to a folder elsewhere does not
// count: the file must stay beside where it was.
bool make_named_folder(const std::string& folder) {
    struct stat64 info {};
    return make_dir(folder) && ::lstat64(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The base name less the first occurrence of each part, ignoring case.
std::string reduced_base(std::string base, const std::vector<std::string>& name_parts) {
    for (const std::string& part : name_parts) {
        std::string pattern = part;                    // lower-cased in place by the replace
        (void)replace_first(base, pattern, "", true);  // a part not found changes nothing
    }
    return base;
}

// Moves the files of folder whose names hold key into target. Names, not paths, are
// compared: a key that occurs in the folder's own path would otherwise take every file.
bool move_siblings(const std::string& folder, const std::string& target, const std::string& key) {
    if (key.empty()) {
        return true;  // an empty key is in every name: move none
    }
    dir_listing listed;
    (void)list_dir(folder + "/", listed, 0, false, true);  // an empty folder lists nothing
    bool all_moved = true;
    for (const dir_entry& entry : listed) {
        if (entry.m_is_folder || entry.m_name.find(key) == std::string::npos) {
            continue;
        }
        all_moved = rename_file(entry.m_path, target + "/" + entry.m_name, false) && all_moved;
    }
    return all_moved;
}

}  // namespace

rename_outcome rename_no_replace(const std::string& from, const std::string& to) {
    if (!usable(from) || !usable(to)) {
        return rename_outcome::failed;
    }
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return rename_outcome::done;
    }
    if (errno == EEXIST) {
        return rename_outcome::name_taken;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return rename_outcome::failed;
    }
    // No flag support here: link(2) fails on an existing name just as the flag would.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno == EEXIST ? rename_outcome::name_taken : rename_outcome::failed;
    }
    if (::unlink(from.c_str()) != 0) {
        (void)::unlink(to.c_str());  // the file keeps its old name
        return rename_outcome::failed;
    }
    return rename_outcome::done;
}

bool remove_file(const std::string& path) { return usable(path) && std::remove(path.c_str()) == 0; }

bool remove_file_w(const std::wstring& path) {
    std::string bytes;
    return to_bytes(path, bytes) && remove_file(bytes);
}

bool rename_file(const std::string& from, const std::string& to, bool /*normalise*/) {
    return rename_no_replace(from, to) == rename_outcome::done;
}

bool rename_file_w(const std::wstring& from, const std::wstring& to) {
    std::string from_bytes;
    std::string to_bytes_text;
    return to_bytes(from, from_bytes) && to_bytes(to, to_bytes_text) &&
           rename_file(from_bytes, to_bytes_text, false);
}

bool move_into_named_folder(std::string& out, const std::string& path,
                            const std::vector<std::string>& name_parts, bool with_siblings) {
    out.clear();
    if (!usable(path) || !file_exists(path)) {
        return false;
    }
    const auto slash = path.rfind('/');
    const auto point = path.rfind('.');
    // A point before the last '/' belongs to a folder: the file has no extension to drop.
    if (slash == std::string::npos || point == std::string::npos || point < slash) {
        return false;
    }
    const std::string folder = path.substr(0, slash);
    const std::string base = path.substr(slash + 1, point - slash - 1);
    if (folder.find(base) != std::string::npos) {
        return false;  // moved already (and an empty base, which every text holds)
    }
    const std::string new_folder = path.substr(0, point);
    const std::string moved = new_folder + path.substr(slash);
    if (!make_named_folder(new_folder) || !rename_file(path, moved, false)) {
        return false;
    }
    out = moved;
    return !with_siblings || move_siblings(folder, new_folder, reduced_base(base, name_parts));
}

bool move_into_folder(std::string& out, const std::string& folder, const std::string& path) {
    out.clear();
    if (folder.empty() || !usable(path) || !file_exists(path) || !make_dir_path(folder)) {
        return false;
    }
    const auto slash = path.rfind('/');
    const std::string target =
        folder + "/" + (slash == std::string::npos ? path : path.substr(slash + 1));
    if (!rename_file(path, target, false)) {
        return false;
    }
    out = target;
    return true;
}

}  // namespace kqportdir

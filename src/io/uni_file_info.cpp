#include "io/uni_file_info.h"

#include <cstring>

#include "io/path_codec.h"
#include "text/path_text.h"

namespace uni {
namespace {

// POSIX file-type field of st_mode and its directory code.
constexpr uint64 file_type_mask = S_IFMT;
constexpr uint64 directory_type = S_IFDIR;

int stat_bytes(const std::string& path, struct stat64& out) {
    std::memset(&out, 0, sizeof(out));
    if (path.empty()) {
        return -1;
    }
    return ::stat64(path.c_str(), &out) == 0 ? 0 : -1;
}

// Bytes of a wide path; false when it names a character no byte form has.
bool to_bytes(const std::wstring& path, std::string& bytes) {
    return !path.empty() && wide_path_to_narrow(path, bytes);
}

}  // namespace

int stat_path(const char* path, struct stat64* out) {
    if (out == nullptr) {
        return -1;
    }
    std::memset(out, 0, sizeof(*out));
    if (path == nullptr) {
        return -1;
    }
    return stat_bytes(path, *out);
}

int stat_path_w(const wchar_t* path, struct stat64* out) {
    if (out == nullptr) {
        return -1;
    }
    std::memset(out, 0, sizeof(*out));
    std::string bytes;
    if (path == nullptr || !to_bytes(path, bytes)) {
        return -1;
    }
    return stat_bytes(bytes, *out);
}

bool stat_path(struct stat64& out, const std::wstring& path) {
    std::memset(&out, 0, sizeof(out));
    std::string bytes;
    if (!to_bytes(path, bytes)) {
        return false;
    }
    return stat_bytes(bytes, out) == 0;
}

bool stat_path(struct stat64& out, const std::string& path) {
    std::string trimmed = path;
    // Stripping every separator of "/" would leave nothing to stat: the root stays itself.
    if (!strip_trailing_slashes(trimmed) && !path.empty() && path.front() == '/') {
        trimmed.push_back('/');
    }
    return stat_bytes(trimmed, out) == 0;
}

bool is_directory_mode(uint64 mode) { return (mode & file_type_mask) == directory_type; }

const char* special_file_kind(uint64 mode) {
    switch (mode & file_type_mask) {
        case S_IFREG:
            return nullptr;
        case S_IFDIR:
            return "a folder";
        case S_IFIFO:
            return "a FIFO";
        case S_IFSOCK:
            return "a socket";
        case S_IFCHR:
            return "a character device";
        case S_IFBLK:
            return "a block device";
        case S_IFLNK:
            return "a symbolic link";
        default:
            return "not a file";
    }
}

bool is_directory(const std::string& path) {
    struct stat64 info {};
    return stat_path(info, path) && is_directory_mode(info.st_mode);
}

bool is_directory(const std::wstring& path) {
    struct stat64 info {};
    return stat_path(info, path) && is_directory_mode(info.st_mode);
}

uint64 get_inode(const std::wstring& path) {
    struct stat64 info {};
    return stat_path(info, path) ? static_cast<uint64>(info.st_ino) : 0;
}

uint64 get_inode(const std::string& path) { return get_inode(narrow_path_to_wide(path)); }

bool get_file_info(file_entry& entry, const std::wstring& path) {
    entry.clear();
    struct stat64 info {};
    if (path.empty() || !stat_path(info, path)) {
        return false;
    }
    entry.m_mode = static_cast<uint32>(info.st_mode);
    entry.m_inode = static_cast<uint64>(info.st_ino);
    entry.m_size = static_cast<uint64>(info.st_size);
    entry.m_modified = static_cast<int64>(info.st_mtime);
    entry.m_changed = static_cast<int64>(info.st_ctime);
    entry.m_accessed = static_cast<int64>(info.st_atime);
    entry.m_is_dir = is_directory_mode(entry.m_mode);
    entry.m_time_kind = file_time_kind::unix_seconds;  // signed: before 1970 is negative
    return true;
}

}  // namespace uni

namespace kqportdir {

bool file_exists(const std::string& path) {
    struct stat64 info {};
    return !path.empty() && uni::stat_path(path.c_str(), &info) == 0;
}

bool file_exists_w(const std::wstring& path) {
    struct stat64 info {};
    return !path.empty() && uni::stat_path(info, path);
}

}  // namespace kqportdir

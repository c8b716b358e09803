#include "io/kq_dir_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <istream>
#include <ostream>
#include <vector>

#include "io/path_codec.h"
#include "io/uni_file_info.h"
#include "io/uni_fileio.h"
#include "text/env_expand.h"
#include "text/path_text.h"
#include "text/text_case.h"
#include "time/kq_time.h"

namespace kqportdir {
namespace {

constexpr mode_t new_folder_mode = 0777;
// "\\?\" and "\\.\": the Windows long-path and device prefixes, each four characters.
constexpr std::size_t device_prefix_length = 4;
// The link target is read into a buffer that doubles until the whole target fits.
constexpr std::size_t first_link_buffer = 1024;
constexpr std::size_t last_link_buffer = 1U << 20U;

bool has_device_prefix(const std::string& path) {
    return path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0;
}

// Splits a long-path or device prefix off the front; a shadow-copy path written through
// GLOBALROOT keeps it, since the prefix is part of the device name there.
std::string take_device_prefix(std::string& path) {
    if (!has_device_prefix(path)) {
        return {};
    }
    const auto full_prefix = static_cast<std::size_t>(vss_prefix_length());
    if (path.size() > full_prefix) {
        std::string lower = path;
        if (string_to_lower(lower).compare(device_prefix_length, 6, "global") == 0) {
            return {};
        }
    } else if (path.size() <= device_prefix_length) {
        return {};
    }
    std::string prefix = path.substr(0, device_prefix_length);
    path.erase(0, device_prefix_length);
    return prefix;
}

bool skipped_component(const std::string& component) {
    return component.empty() || component.back() == ':';
}

bool wide_to_bytes(const std::wstring& path, std::string& bytes) {
    return !path.empty() && uni::wide_path_to_narrow(path, bytes);
}

template <typename stream_type, typename tell_fn, typename seek_fn>
uint64 measure(stream_type& stream, tell_fn tell, seek_fn seek) {
    stream.clear();
    const auto at = tell(stream);
    seek(stream, 0, std::ios::end);
    const auto end = tell(stream);
    if (at >= 0) {
        seek(stream, at, std::ios::beg);
    }
    stream.clear();
    return end < 0 ? 0 : static_cast<uint64>(end);
}

}  // namespace

bool make_dir(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    if (::mkdir(path.c_str(), new_folder_mode) == 0) {
        return true;
    }
    return errno == EEXIST && uni::is_directory(path);
}

bool make_dir_w(const std::wstring& path) {
    std::string bytes;
    return wide_to_bytes(path, bytes) && make_dir(bytes);
}

bool make_dir_path(std::string path) {
    std::erase(path, '"');
    if (path.empty()) {
        return false;
    }
    std::string made = take_device_prefix(path);
    std::replace(path.begin(), path.end(), '\\', '/');
    // A leading separator belongs to the first component, so the search starts at 1.
    for (auto at = path.find('/', 1); at != std::string::npos; at = path.find('/', 1)) {
        const std::string component = path.substr(0, at);
        made += component;
        if (!skipped_component(component) && !make_dir(made)) {
            return false;
        }
        path.erase(0, at + 1);
        made += '/';
    }
    made += path;
    return make_dir(made);
}

bool make_dir_path_w(const std::wstring& path) {
    std::string bytes;
    return wide_to_bytes(path, bytes) && make_dir_path(bytes);
}

bool read_file(byte_array& out, const std::string& path, uint32 max) {
    out.clear();
    if (path.empty()) {
        return false;
    }
    uni::fileio file(path, false, false, false);
    if (!file.is_open()) {
        return false;
    }
    if (file.size() <= max) {
        max = static_cast<uint32>(file.size());
    }
    // A short or failed read is a failure; what arrived stays in out for a caller that
    // wants it.
    const bool complete = file.read_at(out, max, 0);
    (void)file.close();  // read-only: nothing to lose on close
    return complete && !out.empty();
}

bool read_file_w(byte_array& out, const std::wstring& path, uint32 max) {
    out.clear();
    std::string bytes;
    return wide_to_bytes(path, bytes) && read_file(out, bytes, max);
}

bool write_file(const char* path, const void* data, uint64 length) {
    std::string folder;
    std::string name;
    if (!split_path_cstr(path, folder, name) || !make_dir_path(folder)) {
        return false;
    }
    std::ofstream out(path, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    if (data != nullptr && length != 0) {
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(length));
    }
    // A full disk shows in the write or in the final flush of close.
    const bool written = !out.fail();
    out.close();
    return written && !out.fail();
}

bool write_file_w(const wchar_t* path, const void* data, uint64 length) {
    std::string bytes;
    return path != nullptr && wide_to_bytes(path, bytes) && write_file(bytes.c_str(), data, length);
}

bool open_file_w(FILE*& out, const std::wstring& path, bool write, bool ignored, bool write_new,
                 bool byte_mode) {
    (void)ignored;  // kept for callers written against the Windows form
    out = nullptr;
    std::string bytes;
    if (!wide_to_bytes(path, bytes)) {
        return false;
    }
    const char* mode = "r";
    if (write || write_new) {
        mode = "w+";
    } else if (byte_mode) {
        mode = "rb";
    }
    out = std::fopen(bytes.c_str(), mode);
    return out != nullptr;
}

bool open_file_write_w(FILE*& out, const std::wstring& path, bool byte_mode) {
    return open_file_w(out, path, true, false, true, byte_mode);
}

bool open_file_read_w(FILE*& out, const std::wstring& path, bool byte_mode) {
    return open_file_w(out, path, false, false, false, byte_mode);
}

bool get_file_stat_w(const std::wstring& path, uint64& size, uint32& mode, int64& created,
                     int64& modified, int64& accessed) {
    size = 0;
    mode = 0;
    created = 0;
    modified = 0;
    accessed = 0;
    struct stat64 info {};
    if (path.empty() || !uni::stat_path(info, path)) {
        return false;
    }
    size = static_cast<uint64>(info.st_size);
    mode = static_cast<uint32>(info.st_mode);
    created = static_cast<int64>(info.st_ctime);
    modified = static_cast<int64>(info.st_mtime);
    accessed = static_cast<int64>(info.st_atime);
    return true;
}

bool get_file_stat(const std::string& path, uint64& size, uint32& mode, int64& created,
                   int64& modified, int64& accessed) {
    return get_file_stat_w(uni::narrow_path_to_wide(path), size, mode, created, modified, accessed);
}

bool get_file_stat_cstr(const char* path, uint64& size, uint32& mode, int64& created,
                        int64& modified, int64& accessed) {
    if (path == nullptr) {
        size = 0;
        mode = 0;
        created = 0;
        modified = 0;
        accessed = 0;
        return false;
    }
    return get_file_stat(path, size, mode, created, modified, accessed);
}

bool get_file_times(const std::string& path, uint64& size, uint32& mode, uint64& created,
                    uint64& modified, uint64& accessed) {
    return get_file_times_w(uni::narrow_path_to_wide(path), size, mode, created, modified,
                            accessed);
}

bool get_file_times_w(const std::wstring& path, uint64& size, uint32& mode, uint64& created,
                      uint64& modified, uint64& accessed) {
    created = 0;
    modified = 0;
    accessed = 0;
    int64 ctime = 0;
    int64 mtime = 0;
    int64 atime = 0;
    if (!get_file_stat_w(path, size, mode, ctime, mtime, atime)) {
        return false;
    }
    created = static_cast<uint64>(kq::time(ctime, kq::tt_unix).filetime);
    modified = static_cast<uint64>(kq::time(mtime, kq::tt_unix).filetime);
    accessed = static_cast<uint64>(kq::time(atime, kq::tt_unix).filetime);
    return true;
}

std::string get_program_path() {
    std::vector<char> buffer;
    for (std::size_t length = first_link_buffer; length <= last_link_buffer; length *= 2) {
        try {
            buffer.assign(length, '\0');
        } catch (const std::bad_alloc&) {
            return {};
        }
        const ssize_t got = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (got < 0) {
            return {};
        }
        // A target that fills the buffer may have been cut: read it again into more room.
        if (static_cast<std::size_t>(got) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(got));
        }
    }
    return {};
}

std::wstring get_program_path_w() { return uni::narrow_path_to_wide(get_program_path()); }

uint64 stream_size(std::ostream& stream) {
    return measure(
        stream, [](std::ostream& s) { return static_cast<std::streamoff>(s.tellp()); },
        [](std::ostream& s, std::streamoff to, std::ios::seekdir dir) { s.seekp(to, dir); });
}

uint64 istream_size(std::istream& stream) {
    return measure(
        stream, [](std::istream& s) { return static_cast<std::streamoff>(s.tellg()); },
        [](std::istream& s, std::streamoff to, std::ios::seekdir dir) { s.seekg(to, dir); });
}

bool clear_text(std::string& text) {
    text.clear();
    return false;
}

}  // namespace kqportdir

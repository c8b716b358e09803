#include "text/extras/whole_file_rewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <new>

#include "io/uni_fileio.h"

namespace {

constexpr mode_t default_file_mode = 0666;
constexpr mode_t permission_bits = 07777;

// The folder a path names its file in: the temporary copy must live there so the final
// rename stays within one file system and is atomic.
std::string folder_of(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The mode the destination will carry; false when it exists but is no regular file.
bool destination_mode(const std::string& path, mode_t& mode) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) {
        mode = info.st_mode & permission_bits;
        return S_ISREG(info.st_mode);
    }
    if (errno != ENOENT) {
        return false;
    }
    const mode_t mask = ::umask(0);
    (void)::umask(mask);  // only read: the old mask goes straight back
    mode = default_file_mode & ~mask;
    return true;
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Fills the open temporary file and closes it; the descriptor is closed in every case.
bool fill_and_close(int fd, std::string_view bytes, mode_t mode) {
    const bool filled = ::fchmod(fd, mode) == 0 && write_all(fd, bytes) && ::fsync(fd) == 0;
    return (::close(fd) == 0) && filled;
}

}  // namespace

bool read_whole_file(const std::string& path, std::string& out) {
    out.clear();
    uni::fileio file;
    if (path.empty() || !file.open(path, false, false, false)) {
        return false;
    }
    const uint64 size = file.size();
    if (size > std::numeric_limits<uint32>::max()) {
        return false;
    }
    if (size > 0 && (!file.read_at(out, size, 0) || out.size() != size)) {
        out.clear();
        return false;
    }
    return true;
}

bool replace_file_contents(const std::string& path, std::string_view bytes) {
    mode_t mode = 0;
    if (path.empty() || !destination_mode(path, mode)) {
        return false;
    }
    std::string temporary;
    try {
        temporary = folder_of(path) + "/.velk-rewrite-XXXXXX";
    } catch (const std::bad_alloc&) {
        return false;
    }
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return false;
    }
    if (!fill_and_close(fd, bytes, mode) || ::rename(temporary.c_str(), path.c_str()) != 0) {
        (void)::unlink(temporary.c_str());  // the destination is untouched; drop the copy
        return false;
    }
    return true;
}

bool write_to_stdout(std::string_view bytes) {
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
    return (std::fflush(stdout) == 0) && written;
}

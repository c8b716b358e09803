#include "text/host_probe.h"

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <new>

#include "io/path_codec.h"

namespace {

constexpr const char* self_exe_link = "/proc/self/exe";
constexpr const char* sys_block_root = "/sys/dev/block";
// Paths on Linux may exceed PATH_MAX through the link; the buffer grows up to this size and
// a longer target counts as unreadable rather than being cut.
constexpr std::size_t first_link_buffer = 2048;
constexpr std::size_t max_link_buffer = 1U << 20;
constexpr std::size_t host_name_buffer = 4096;

constexpr uint64 nfs_magic = 0x6969;
constexpr uint64 smb_magic = 0x517B;
constexpr uint64 fuse_magic = 0x65735546;
constexpr uint64 cifs_magic = 0xFF534D42;

}  // namespace

std::string read_link_target(const std::string& path) {
    for (std::size_t size = first_link_buffer; size <= max_link_buffer; size *= 2) {
        std::string buffer;
        try {
            buffer.assign(size, '\0');
        } catch (const std::bad_alloc&) {
            return {};
        }
        const ssize_t got = readlink(path.c_str(), buffer.data(), size);
        if (got < 0) {
            return {};
        }
        // A target that fills the buffer may have been cut: read again with more room.
        if (static_cast<std::size_t>(got) < size) {
            buffer.resize(static_cast<std::size_t>(got));
            return buffer;
        }
    }
    return {};
}

std::string get_exe_path() { return read_link_target(self_exe_link); }

std::wstring get_exe_path_wide() {
    const std::string path = get_exe_path();
    return path.empty() ? std::wstring() : uni::narrow_path_to_wide(path);
}

bool is_network_fs_type(uint64 fs_type) {
    return fs_type == nfs_magic || fs_type == smb_magic || fs_type == fuse_magic ||
           fs_type == cifs_magic;
}

bool path_on_network_fs(const std::string& path) {
    if (path.size() < 2) {
        return false;
    }
    struct statfs info {};
    if (statfs(path.c_str(), &info) != 0) {
        return false;
    }
    // f_type is signed on some builds; the CIFS code has its top bit set.
    return is_network_fs_type(static_cast<uint64>(static_cast<uint32>(info.f_type)));
}

bool path_on_usb_device(const std::string& path, const std::string& block_root) {
    if (path.size() < 2) {
        return false;
    }
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        return false;
    }
    const std::string device_link = block_root + "/" + std::to_string(major(info.st_dev)) + ":" +
                                    std::to_string(minor(info.st_dev));
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        realpath(device_link.c_str(), nullptr), &std::free);
    if (!resolved) {
        return false;
    }
    return std::string(resolved.get()).find("usb") != std::string::npos;
}

bool exe_on_network_fs() { return path_on_network_fs(get_exe_path()); }

bool exe_on_usb_device() { return path_on_usb_device(get_exe_path(), sys_block_root); }

std::string get_host_name() {
    std::string buffer;
    try {
        buffer.assign(host_name_buffer, '\0');
    } catch (const std::bad_alloc&) {
        return "<unk>";
    }
    // The last byte stays NUL even when the name had to be cut.
    if (gethostname(buffer.data(), host_name_buffer - 1) != 0) {
        return "<unk>";
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
}

bool is_running_as_root() { return getuid() == 0 || geteuid() == 0; }

int32 signal_completion_stub(const std::string* /*signal_text*/) { return 0; }

int32 linux_stub_zero(const std::string* /*signal_text*/) { return 0; }

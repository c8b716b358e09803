#pragma once
// What the program can learn about where it runs: its own executable path, whether that
// lies on a network file system or a USB device (the banner marks both, since evidence
// processed from such media deserves a note), the host name and the root test; plus the
// stubs that stand in for services that exist only on Windows.

#include <string>

#include "text/kq_types.h"

// The whole target of a symbolic link, of any length up to 1 MiB; "" when it cannot be read
// or is longer (never a cut target).
[[nodiscard]] std::string read_link_target(const std::string& path);
// Target of "/proc/self/exe"; "" when the link cannot be read.
[[nodiscard]] std::string get_exe_path();
// The same as wide text (bytes that are not UTF-8 keep their reversible wide form).
[[nodiscard]] std::wstring get_exe_path_wide();

// Whether the executable lies on NFS, SMB, FUSE or CIFS (false when its path is unknown).
[[nodiscard]] bool exe_on_network_fs();
// Whether the block device holding the executable sits under a USB bus in "/sys/dev/block".
[[nodiscard]] bool exe_on_usb_device();

// The two tests for any path; false for a path shorter than 2 characters or one whose file
// system or device cannot be queried. block_root is the folder of "major:minor" device links
// ("/sys/dev/block" on a live system).
[[nodiscard]] bool path_on_network_fs(const std::string& path);
[[nodiscard]] bool path_on_usb_device(const std::string& path, const std::string& block_root);
// The statfs type codes of NFS (0x6969), SMB (0x517B), FUSE (0x65735546) and CIFS (0xFF534D42).
[[nodiscard]] bool is_network_fs_type(uint64 fs_type);

// The host name; "<unk>" when it cannot be read.
[[nodiscard]] std::string get_host_name();
// True when the real or the effective user is root.
[[nodiscard]] bool is_running_as_root();

// The completion callback of the run context; completion is signalled only on Windows.
int32 signal_completion_stub(const std::string* signal_text);
// A second such stub; nothing calls it.
int32 linux_stub_zero(const std::string* signal_text);

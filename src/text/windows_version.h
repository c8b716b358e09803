#pragma once
// Names of Windows releases from the version numbers, build numbers or names found in
// evidence (registry values, event logs, user-agent texts), and relative macOS library
// paths. The codes group releases so that callers can compare them.

#include <string>

#include "text/kq_types.h"

namespace windows_version_code {
inline constexpr uint32 unknown = 1;
inline constexpr uint32 win9x = 2;
inline constexpr uint32 nt4 = 0x10;
inline constexpr uint32 win2000 = 0x11;
inline constexpr uint32 xp = 0x100;          // to 0x102
inline constexpr uint32 server2003 = 0x104;  // to 0x106 (0x106 also XP 64-bit)
inline constexpr uint32 vista = 0x1000;      // to 0x1008 (0x1002, 0x1006, 0x1008 Server 2008)
inline constexpr uint32 win7 = 0x1010;       // to 0x1018 (0x1012, 0x1016, 0x1018 2008 R2)
inline constexpr uint32 win8 = 0x1020;       // to 0x1022 (0x1022 also Server 2012)
inline constexpr uint32 win8_1 = 0x1028;     // to 0x102A (0x102A also Server 2012 R2)
inline constexpr uint32 win10 = 0x1030;      // to 0x1032 (0x1032 also Server 2016)
inline constexpr uint32 after_win10 = 22000;
}  // namespace windows_version_code

// out receives the release name ("<unk>" first) and the result is its code. Platform 2 is
// the NT family; a workstation is a system with the server flag clear or ignore_server set;
// for 6.0 and 6.1 the build picks among the service-pack build (6001, 7601), any other
// build and build 0.
uint32 windows_version_name(std::string& out, uint32 platform, uint32 major, uint32 minor,
                            bool extended, bool server, bool ignore_server, uint32 build);
// The same with the server flag clear, ignore_server set and build 0.
uint32 windows_version_name_simple(std::string& out, uint32 platform, uint32 major, uint32 minor,
                                   bool extended);
// The release of a build number; only its low 16 bits count. Builds no range names give 1.
[[nodiscard]] uint32 windows_version_from_build(uint32 build);
// Lower-cases name in place and looks for "win10", "win8.1", "win8", "win7", "vista", "win03",
// "winxp", "win2k", "nt4" in that order; 1 when none occurs.
uint32 windows_version_from_name(std::string& name);

namespace macos_library_bits {
inline constexpr uint32 library = 0x1;
inline constexpr uint32 preferences = 0x2;
inline constexpr uint32 synced_preferences = 0x4;
inline constexpr uint32 safari = 0x8;
inline constexpr uint32 system_configuration = 0x10;
inline constexpr uint32 calendars = 0x20;
}  // namespace macos_library_bits

// "Library/", "Preferences/", "SyncedPreferences/", "Calendars/", "Safari/",
// "SystemConfiguration/" for the bits set, in that order; "" for no bits.
[[nodiscard]] std::string macos_library_path(uint32 flags);

#include "text/windows_version.h"

#include "text/text_case.h"

namespace wv = windows_version_code;

namespace {

constexpr uint32 nt_platform = 2;
constexpr uint32 vista_service_pack_build = 6001;
constexpr uint32 win7_service_pack_build = 7601;

// Releases whose codes are base, base + 1 (extended workstation) and base + 2 (extended
// server, with the server name appended).
uint32 three_way(std::string& out, const char* name, const char* server_name, uint32 base,
                 bool extended, bool workstation) {
    out = name;
    if (!extended) {
        return base;
    }
    if (workstation) {
        return base + 1;
    }
    out += server_name;
    return base + 2;
}

// Vista and 7: the build picks one of three codes in each of the three cases.
uint32 by_build(std::string& out, const char* name, const char* server_name,
                const uint32 (&codes)[3][3], uint32 sp_build, uint32 build, bool extended,
                bool workstation) {
    out = name;
    const int build_column = build == sp_build ? 0 : (build != 0 ? 1 : 2);
    int row = 0;
    if (extended) {
        row = workstation ? 1 : 2;
    }
    if (row == 2) {
        out += server_name;
    }
    return codes[row][build_column];
}

constexpr uint32 vista_codes[3][3] = {
    {0x1004, 0x1003, 0x1000}, {0x1007, 0x1005, 0x1001}, {0x1008, 0x1006, 0x1002}};
constexpr uint32 win7_codes[3][3] = {
    {0x1014, 0x1013, 0x1010}, {0x1017, 0x1015, 0x1011}, {0x1018, 0x1016, 0x1012}};

// The 5.x releases: 2000, XP and Server 2003.
uint32 nt5_version_name(std::string& out, uint32 minor, bool extended, bool workstation) {
    if (minor == 0) {
        out = "Win2k";
        return wv::win2000;
    }
    if (minor == 1) {
        out = "WinXP";
        if (!extended) {
            return wv::xp;
        }
        return workstation ? wv::xp + 1 : wv::xp + 2;
    }
    if (minor == 2) {
        return three_way(out, "Win03", " or WinXP64", wv::server2003, extended, workstation);
    }
    return wv::unknown;
}

// The 6.x releases: Vista, 7, 8 and 8.1.
uint32 nt6_version_name(std::string& out, uint32 minor, bool extended, bool workstation,
                        uint32 build) {
    switch (minor) {
        case 0:
            return by_build(out, "Vista", " or Win2008", vista_codes, vista_service_pack_build,
                            build, extended, workstation);
        case 1:
            return by_build(out, "Win7", " or Win2008/R2", win7_codes, win7_service_pack_build,
                            build, extended, workstation);
        case 2:
            return three_way(out, "Win8", " or Win2012/R1", wv::win8, extended, workstation);
        case 3:
            return three_way(out, "Win8.1", " or Win2012/R2", wv::win8_1, extended, workstation);
        default:
            return wv::unknown;
    }
}

uint32 nt_version_name(std::string& out, uint32 major, uint32 minor, bool extended,
                       bool workstation, uint32 build) {
    switch (major) {
        case 4:
            out = "NT4";
            return wv::nt4;
        case 5:
            return nt5_version_name(out, minor, extended, workstation);
        case 6:
            return nt6_version_name(out, minor, extended, workstation, build);
        case 10:
            if (minor == 0) {
                return three_way(out, "Win10", " or Win2016", wv::win10, extended, workstation);
            }
            out = "Post Win10";
            return wv::after_win10;
        default:
            return wv::unknown;
    }
}

}  // namespace

uint32 windows_version_name(std::string& out, uint32 platform, uint32 major, uint32 minor,
                            bool extended, bool server, bool ignore_server, uint32 build) {
    out = "<unk>";
    if (platform != nt_platform) {
        out = "Win9x";
        return wv::win9x;
    }
    const bool workstation = ignore_server || !server;
    return nt_version_name(out, major, minor, extended, workstation, build);
}

uint32 windows_version_name_simple(std::string& out, uint32 platform, uint32 major, uint32 minor,
                                   bool extended) {
    return windows_version_name(out, platform, major, minor, extended, false, true, 0);
}

uint32 windows_version_from_build(uint32 build) {
    const uint32 b = build & 0xFFFF;
    if (b == 2600) {
        return wv::xp;
    }
    if (b >= 2601 && b <= 3790) {
        return wv::server2003;
    }
    if (b >= 3791 && b <= 6002) {
        return wv::vista;
    }
    if (b >= 6003 && b <= 7601) {
        return wv::win7;
    }
    if (b >= 7602 && b <= 9600) {
        return wv::win8;
    }
    if (b >= 9601 && b <= 19044) {
        return wv::win10;
    }
    if (b >= 22000) {
        return wv::after_win10;
    }
    return wv::unknown;
}

uint32 windows_version_from_name(std::string& name) {
    string_to_lower(name);
    // "win8.1" before "win8": the shorter name is a prefix of the longer.
    static const struct {
        const char* word;
        uint32 code;
    } names[] = {{"win10", wv::win10}, {"win8.1", wv::win8_1}, {"win8", wv::win8},
                 {"win7", wv::win7},   {"vista", wv::vista},   {"win03", wv::server2003},
                 {"winxp", wv::xp},    {"win2k", wv::win2000}, {"nt4", wv::nt4}};
    for (const auto& entry : names) {
        if (name.find(entry.word) != std::string::npos) {
            return entry.code;
        }
    }
    return wv::unknown;
}

std::string macos_library_path(uint32 flags) {
    namespace mb = macos_library_bits;
    static const struct {
        uint32 bit;
        const char* word;
    } words[] = {{mb::library, "Library/"},
                 {mb::preferences, "Preferences/"},
                 {mb::synced_preferences, "SyncedPreferences/"},
                 {mb::calendars, "Calendars/"},
                 {mb::safari, "Safari/"},
                 {mb::system_configuration, "SystemConfiguration/"}};
    std::string path;
    for (const auto& entry : words) {
        if ((flags & entry.bit) != 0) {
            path += entry.word;
        }
    }
    return path;
}

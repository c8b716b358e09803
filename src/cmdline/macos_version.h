#pragma once
// The macOS product version, read from the system's version property list when the tool
// runs on a Mac; on other systems the file is absent and nothing is set.

#include <string>

#include "text/kq_types.h"

struct macos_version {
    std::string m_text;  // "10.15.7"
    uint32 m_major = 0;
    uint32 m_minor = 0;
    uint32 m_patch = 0;
};

// Where macOS keeps its version property list.
inline constexpr const char* macos_version_plist =
    "/System/Library/CoreServices/SystemVersion.plist";

// The <string> value after the ProductVersion key of a property-list text, up to the next
// closing tag (or the end of a cut text), and its first three dot-separated numbers (a
// version of two numbers has no patch). False, out unchanged, when the text holds no key,
// no value or an empty one.
[[nodiscard]] bool parse_macos_version(const std::string& plist, macos_version& out);

// The head of the file at path through parse_macos_version; false when it cannot be read.
[[nodiscard]] bool read_macos_version(const std::string& path, macos_version& out);

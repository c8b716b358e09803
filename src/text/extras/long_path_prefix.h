#pragma once
// Removal of the Windows long-path prefix "\\?\" (and its variant "\\?.") from paths read
// out of evidence, so they compare with paths written the ordinary way. Removal erases the
// prefix's first three characters: one backslash stays in front.

#include <string>

// With drive_check and a text longer than 5 characters, a path whose character 5 places after
// the prefix's start is ':' ("\\?\C:...") keeps its prefix. Otherwise, with global_check and
// a text of at least 47 characters, the "\\?\" prefix goes only when "global" (any case)
// stands at index 4, as in a shadow-copy device path. The "\\?." variant is tried only when
// "\\?\" is absent and answers to the drive check alone.
void strip_long_path_prefix(std::string& text, bool drive_check, bool global_check);
void strip_long_path_prefix_w(std::wstring& text, bool drive_check, bool global_check);

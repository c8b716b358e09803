#pragma once
// %NAME% expansion of option values and input paths, and the Windows volume-shadow-copy
// device prefix that the name "vss" stands for when no such variable is set: examiners
// write paths to mounted shadow copies as "%vss%1\...".

#include <string>

// Expands the text in place and returns a copy of the result. A reference to an unset
// variable stays as it is, an unmatched '%' ends the expansion, and nothing is expanded
// while the text is longer than 4095 bytes, the longest path the system takes. Values are searched
// again, so a variable may refer to others; one that refers back to itself (directly or through
// others) is left unexpanded at the point where it would repeat.
std::string expand_env_vars(std::string& text, bool allow_vss);

// A name the examiner gave for a file or folder to read: as given when something of that
// name exists (a file may really be called "%USER%.db"), else expanded as above with the
// "vss" name allowed. A name that exists is never changed by what the environment holds.
std::string expand_missing_name(const std::string& name);

// Whether something of that name exists, a symbolic link to nothing included.
[[nodiscard]] bool name_exists(const std::string& name);

// The same over wide text, without the "vss" name. The text crosses to bytes and back
// through the path codec, so a value that is not UTF-8 cannot empty the caller's path.
std::wstring wexpand_env_vars(std::wstring& text);

// "\\?\GLOBALROOT\Device\HarddiskVolumeShadowCopy" (46 characters) or, without the
// GLOBALROOT part, "\Device\HarddiskVolumeShadowCopy" (32).
std::string vss_device_prefix(bool lower_case, bool with_globalroot);

// Length of the prefix with the GLOBALROOT part: path normalisers compare that many
// characters to recognise a shadow-copy path.
int vss_prefix_length();

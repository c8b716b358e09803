#pragma once
// Path texts as Windows artefacts record them: service and driver image paths turned into
// plain lower-case file paths under a given system root, and "." and ".." segments resolved.

#include <string>

// out receives path with command-line switches after " /" or " -k" cut off, the first
// "%SystemRoot%", "\SystemRoot", "SystemRoot" (each any case) replaced by root, the first
// "%vss%" by the shadow-copy device prefix, the first "\??\" and "\?\" removed, all
// lower-cased; a path then starting with "system32" gets root and "\" in front (the root in
// its own case there). False, out empty, for a null path. A null root counts as empty.
[[nodiscard]] bool normalize_windows_path(const char* path, std::string& out, const char* root);

// Turns backslashes into "/", with expand expands %NAME% references ("%vss%" allowed), then,
// when the path holds a ".", splits it on "/" (parts trimmed) and resolves it: "." and inner
// empty parts go; ".." drops the last kept part unless that is "..", else stays in a relative
// path and goes in an absolute one. So "../../a" keeps both ".." and "/.." is "/". False for
// an empty path.
[[nodiscard]] bool resolve_dot_segments(std::string& path, bool expand);

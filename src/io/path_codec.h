#pragma once
// The one reversible pair through which paths cross between their byte form (what POSIX
// calls take) and their wide form (what uni::fileio and the directory records keep).
// Evidence folders hold names that are not valid UTF-8 (names written by other systems,
// damaged directory entries); every such name must still open and must come back to the
// same bytes. Valid UTF-8 decodes strictly (no overlong forms, no encoded surrogates, no
// values past U+10FFFF); each byte of an invalid sequence becomes U+DC00 + byte, a lone
// low surrogate that no strict decoder can produce, and turns back into that byte.

#include <string>

namespace uni {

// Bytes to wide text; never fails, every byte string has a wide form.
[[nodiscard]] std::wstring narrow_path_to_wide(const std::string& path);

// Wide text to bytes; false (out holding the part before the fault) for a character past
// U+10FFFF, which no byte form names.
[[nodiscard]] bool wide_path_to_narrow(const std::wstring& path, std::string& out);

}  // namespace uni

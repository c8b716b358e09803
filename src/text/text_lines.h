#pragma once
// Text as lines: splitting buffers into lines (single-byte, UTF-16 or text arriving in
// pieces), classifying a buffer's line endings, and writing line breaks as visible markers
// so that one report line stays one line in CSV, log2timeline and body-file output.

#include <string>
#include <vector>

#include "text/kq_types.h"

// Line-ending classes of detect_line_ending (5 is never produced).
namespace line_ending {
inline constexpr int crlf = 1;
inline constexpr int cr = 2;
inline constexpr int lf = 3;
inline constexpr int lfcr = 4;
inline constexpr int mixed = 6;
inline constexpr int none = 7;
}  // namespace line_ending

// The lines of a buffer, each trimmed of blanks, tabs, CRs and LFs; empty lines give no item.
// The line ending of the first 1024 bytes (of the whole buffer when none is there) picks the
// break: LF for CR LF, LF, mixed or no break at all, CR for lone CRs; LF CR breaks split at
// the CR. False for a null or empty buffer or when no line results.
[[nodiscard]] bool split_lines(const char* buffer, int length, std::vector<std::string>& list);

// The complete lines at the front of a buffer that receives text in pieces: every LF ends a
// line (leading CRs and one CR before the LF dropped). *consumed receives the position after
// the last LF; what follows it is left for the next call. False for a length of 0 (nothing
// touched) and when no line results.
[[nodiscard]] bool split_text_lines(uint32* consumed, std::vector<std::string>& list,
                                    const char* buffer, uint32 length, bool trim, bool skip_empty);

// Lines of a buffer holding single-byte text (ended by LF or NUL, a NUL ending the scan) or,
// when one of its first bytes is NUL, UTF-16LE text (ended by LF units), as UTF-8. Text after
// the last break is not taken.
[[nodiscard]] bool split_buffer_lines(std::vector<std::string>& list, const char* buffer,
                                      int length, bool trim, bool skip_empty);

// Every LF-ended line, trimmed, also when empty; the bytes after the last LF make a last
// line; no LF at all makes the whole array the one line.
[[nodiscard]] bool byte_array_to_lines(const byte_array& bytes, std::vector<std::string>& list);
// Every LF-ended line of 16-bit little-endian units, widened unit by unit and trimmed.
[[nodiscard]] bool utf16_bytes_to_wlines(const byte_array& bytes, std::vector<std::wstring>& list);

// The line-ending class of a buffer. The last character never starts an examined break.
[[nodiscard]] int detect_line_ending(const char* buffer, int length);
// The same over 16-bit units; byte_length counts bytes.
[[nodiscard]] int detect_line_ending_utf16(const uint16* units, uint32 byte_length);

// out receives the buffer with a CR before every LF when its breaks are lone LFs; otherwise
// false, out untouched.
[[nodiscard]] bool lf_to_crlf(const char* buffer, int length, std::string& out);

// Replaces line breaks in place by "[CRLF]", "[LFCR]", "[LF]" and "[CR]", pairing each LF
// first with the CR before it, then with the CR after it; every CR left over becomes "[CR]".
std::string& mark_line_breaks(std::string& text);
// The same rule for narrow and wide text alike (built for char and wchar_t), so the wide
// form cannot drift from the narrow one.
template <typename Char>
std::basic_string<Char>& mark_line_breaks_in(std::basic_string<Char>& text);

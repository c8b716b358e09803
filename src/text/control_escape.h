#pragma once
// Terminal control characters in report values written as visible escapes. A value read
// from the evidence may hold an escape sequence (ESC "[1A" ESC "[2K" moves the cursor up and
// erases a line): written raw, it would let a planted row hide the lines above it, retitle
// the terminal or ring its bell when the report is viewed there.
//
// Escaped, each as "\x" and two lower-case hex digits:
// - the C0 controls 0x00 to 0x1F except tab, line feed and carriage return (tabs are
//   harmless; line breaks keep the markers or the raw form each report form gives them);
// - DEL, 0x7F;
// - a byte 0x80 to 0x9F that belongs to no well-formed UTF-8 sequence: a terminal working
//   in a single-byte code page takes it for a C1 control (0x9B is CSI there).
// The C1 controls themselves, U+0080 to U+009F (the UTF-8 pairs C2 80 to C2 9F), are
// written as "\u0080" to "\u009f", so a stored character and a stray byte stay apart.
// Every other byte is kept as it is: printable text, well-formed UTF-8 (whose continuation
// bytes 0x80 to 0xBF are part of their character) and bytes that are not UTF-8 but no
// control either. A backslash already in the text is not doubled, so the escapes cannot be
// told from the same characters typed into a value.

#include <cstddef>
#include <string>
#include <string_view>

// Every value of a report passes through here, so the search for the first control runs a
// block of 16, 32 or 64 bytes at a time and passes over well-formed UTF-8 as fast as over
// ASCII; only a block that may hold a control, or bytes that are not UTF-8, is read one
// character at a time. A short value of printable ASCII alone, as most times, ids and names
// are, is passed over in a few instructions.

// True when escape_terminal_controls would change text.
[[nodiscard]] bool has_terminal_controls(std::string_view text);
// Rewrites the controls of text in place as above; a text without any is left untouched
// (no copy is made). Returns text.
std::string& escape_terminal_controls(std::string& text);

// Where the first control of text starts (std::string_view::npos when there is none), found
// in ways that always agree: one character at a time; sixteen bytes at a time in plain C++;
// with SSE2 where the target has it (else as the plain one); with SSSE3's table lookups where
// the processor has them (else as the one before); with AVX2, 32 bytes at a time, where the
// processor has it (else as the one before); with AVX-512, 64 bytes at a time, where the
// processor has it (else as the one before). The escaper uses the fastest, chosen once; the
// others are here so that tests can hold each to the reading one character at a time.
namespace control_scan {
[[nodiscard]] std::size_t bytewise(std::string_view text);
[[nodiscard]] std::size_t portable_blocks(std::string_view text);
[[nodiscard]] std::size_t vector_blocks(std::string_view text);
[[nodiscard]] std::size_t table_blocks(std::string_view text);
[[nodiscard]] std::size_t wide_blocks(std::string_view text);
[[nodiscard]] std::size_t widest_blocks(std::string_view text);
[[nodiscard]] std::size_t fastest(std::string_view text);
}  // namespace control_scan

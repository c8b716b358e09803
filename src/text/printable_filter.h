#pragma once
// Filters that keep printable ASCII (0x20 to 0x7E) out of raw bytes, so that stored text of
// unknown encoding can be shown on a console or in a report line without control bytes.

#include <string>

#include "text/kq_types.h"

// out is cleared; false for a null pointer or a length of 0 or less. Reads up to length bytes
// or to a NUL; printable bytes are copied, CR and LF too with keep_line_ends, every other
// byte becomes the replacement (or is dropped when the replacement is NUL).
[[nodiscard]] bool printable_text(std::string& out, const char* data, int length,
                                  bool keep_line_ends, char replacement);
// out is cleared and receives the leading printable characters, at most count; returns how
// many (0 for a null pointer or a count of 0 or less).
int printable_prefix_text(const char* data, std::string& out, int count);
// True for a non-empty array of tabs, LFs, CRs and printable bytes only.
[[nodiscard]] bool byte_array_is_text(const byte_array& bytes);
// Number of leading printable bytes.
[[nodiscard]] int byte_array_printable_prefix(const byte_array& bytes);

#pragma once
// Turning the texts and bytes that SQLite returns into velk's own values: strings, numbers,
// guid16 identifiers and byte vectors, and the display texts of blob values.
//
// Each conversion first empties or zeroes its output, leaves it so for a null or empty
// input, and returns it. The number conversions keep the parsers' rules (number_text.h):
// "0x"/"x" hexadecimal, "o" octal, else decimal; a text they refuse gives 0.

#include <string>

#include "text/guid16.h"
#include "text/kq_types.h"

std::string& assign_cstr(std::string& out, const char* text);
std::string& assign_string(std::string& out, const std::string& text);

uint64& uint64_from_text(uint64& out, const char* text);
int64& int64_from_text(int64& out, const char* text);
int32& int32_from_text(int32& out, const char* text);
// The low byte of the unsigned 32-bit value: "300" gives 44.
uint8& uint8_from_text(uint8& out, const char* text);
uint64& uint64_from_string(uint64& out, const std::string& text);
int32& int32_from_string(int32& out, const std::string& text);
double& double_from_string(double& out, const std::string& text);

// Copies the 16 bytes at data; the caller guarantees that they are there.
guid16& guid_from_bytes(guid16& out, const char* data);
// The text's first 16 bytes when it holds 16 or more, else all zero.
guid16& guid_from_string(guid16& out, const std::string& text);

// The text's bytes without the terminator.
byte_array& bytes_from_text(byte_array& out, const char* text);
byte_array& bytes_from_string(byte_array& out, const std::string& text);

// Without maybe_utf16 the whole NUL-terminated text. With it: length bytes read as UTF-16LE
// when length is above 2 and the second byte is 0 (a Latin letter stored in UTF-16), else at
// most length bytes up to the first NUL.
std::string& text_from_chars(std::string& out, const char* text, int length, bool maybe_utf16);

// Copies length bytes. drop_line_breaks drops CR and LF; drop_blanks drops tabs, and the
// blanks that directly follow a dropped line break (the indentation of the next line);
// stop_at_nul ends the copy at the first NUL and sets *stopped. stopped may be null.
std::string& text_from_bytes(std::string& out, bool* stopped, const uint8* data, int length,
                             bool drop_line_breaks, bool drop_blanks, bool stop_at_nul);

// A blob as readable text: exactly 16 bytes as GUID text; else the bytes with line breaks,
// tabs and the blanks after a line break dropped, ending at a NUL (*stopped set); a value
// holding any other control byte becomes its hex pairs joined by "-" instead.
std::string& blob_to_text(std::string& out, bool* stopped, const uint8* data, int length);

// count bytes as hex pairs joined by blanks (hex) or as text with "\xNN" for bytes below
// 0x20; a NUL among them sets *has_nul. 16 bytes give GUID text. A count of -1 previews a
// NUL-terminated text in hex: as many bytes as its first byte says (1 to 8, else 6), never
// past the terminator, then "...".
std::string& blob_to_display_text(std::string& out, bool* has_nul, const uint8* data, int count,
                                  bool hex);

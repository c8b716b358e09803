#pragma once
// Bridges between the UTF-16 little-endian text that Windows data stores and this system's
// UTF-8 (std::string) and UTF-32 (std::wstring) text that are not themselves encoders:
// NUL-terminated UTF-16 read out of raw units, UTF-16 measured, wide text written back as
// UTF-16 with CR LF line ends, list and C-string conversions, the byte-per-character
// widenings, and _UNICODE_STRING_EX, a counted UTF-16 string.
//
// The encoders themselves (uni::utf8_to_wstring, uni::wstring_to_utf8,
// uni::utf16_to_wstring) live in io/uni_encoding.h.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "text/kq_types.h"

// A counted UTF-16 string in the layout Windows uses for UNICODE_STRING, with lengths in
// BYTES, plus a flag telling whether the object owns (and must free) its buffer.
class _UNICODE_STRING_EX {  // NOLINT(bugprone-reserved-identifier,readability-identifier-naming)
public:
    // Uses the caller's buffer (not owned) and writes a NUL unit at its start.
    _UNICODE_STRING_EX(uint16_t* buffer, uint16_t max_length_bytes);
    // Uses the caller's buffer as it is (not owned, nothing written).
    _UNICODE_STRING_EX(uint16_t* buffer, uint16_t length_bytes, uint16_t max_length_bytes);
    // Allocates and owns a buffer of capacity units; capacity 0 gives no buffer.
    explicit _UNICODE_STRING_EX(uint16_t capacity);
    _UNICODE_STRING_EX(const _UNICODE_STRING_EX&) = delete;
    _UNICODE_STRING_EX& operator=(const _UNICODE_STRING_EX&) = delete;
    _UNICODE_STRING_EX(_UNICODE_STRING_EX&&) = delete;
    _UNICODE_STRING_EX& operator=(_UNICODE_STRING_EX&&) = delete;
    virtual ~_UNICODE_STRING_EX();

    // Length 0; an owned buffer is zero-filled and kept, a borrowed one is dropped.
    void clear();
    _UNICODE_STRING_EX& set_length(uint16_t length_bytes);
    _UNICODE_STRING_EX& set_maximum_length(uint16_t max_length_bytes);
    // Append a NUL-terminated text and its NUL (which is counted in the length). A borrowed
    // buffer without room, a failed allocation, or a result longer than the 16-bit byte
    // lengths can express, leaves the object unchanged.
    _UNICODE_STRING_EX& append(const char* text);
    _UNICODE_STRING_EX& append(const wchar_t* text);

    [[nodiscard]] uint16_t length_bytes() const { return m_length_bytes; }
    [[nodiscard]] uint16_t max_length_bytes() const { return m_max_length_bytes; }
    [[nodiscard]] const uint16_t* buffer() const { return m_buffer; }
    [[nodiscard]] bool owns_buffer() const { return m_owns_buffer; }

private:
    [[nodiscard]] bool make_room(std::size_t needed_bytes);
    void append_units(const std::vector<uint16_t>& units);

    uint16_t m_length_bytes = 0;
    uint16_t m_max_length_bytes = 0;
    uint16_t* m_buffer = nullptr;
    bool m_owns_buffer = false;
    std::size_t m_owned_bytes = 0;  // bytes actually allocated when m_owns_buffer is set
};

// ---- Measuring UTF-16 ----

// Units before the first NUL when it lies within the first 513 units (so at most 512); 0 for
// a null pointer or when no NUL lies there.
[[nodiscard]] int utf16_length_capped(const uint16_t* units);
// Units before the first NUL, without a cap; 0 for a null pointer.
[[nodiscard]] int utf16_length(const uint16_t* units);
// Twice the units left after dropping every trailing NUL unit.
[[nodiscard]] int utf16_vector_byte_length(const std::vector<uint16_t>& units);
// The units, less one when the last is NUL.
[[nodiscard]] int utf16_vector_length(const std::vector<uint16_t>& units);
// Finds the next line break among the *count units at *position. CR LF moves the position
// past the LF; a lone LF moves it onto the LF; a CR not followed by LF is passed over with the
// unit after it. False, with position and count unchanged, when no break is found.
[[nodiscard]] bool utf16_find_line_break(const uint16_t** position, int* count);

// ---- Reading UTF-16 out of units ----

// Collects the units before the first NUL, at most byte_count / 2 of them (500 for a
// byte_count of -1), and decodes them, surrogate pairs combined. A surrogate that is not half
// of a pair becomes U+FFFD and the text goes on, so nothing after it is lost and the UTF-8
// form is well-formed. Returns twice the units collected, never counting the NUL.
int utf16_to_wstring(const uint16_t* units, std::wstring& out, int byte_count);
// The same, as UTF-8; with count_terminator the NUL's two bytes are added when they lie
// within byte_count.
int utf16_to_string(const uint16_t* units, std::string& out, int byte_count, bool count_terminator);
std::string& utf16z_to_string_into(const uint16_t* units, std::string& out);
[[nodiscard]] std::string utf16z_to_string(const uint16_t* units);

// ---- Writing UTF-16 ----

// One unit per character (low 16 bits, no surrogate pairs), LF written as CR LF, no NUL.
// Returns the first unit, or null when nothing was written.
uint16_t* wide_to_utf16_crlf(std::vector<uint16_t>& out, const wchar_t* text);
// One unit per byte (sign-widened), LF written as CR LF, then a NUL unit. Null for null or
// empty text.
uint16_t* ascii_to_utf16_crlf(std::vector<uint16_t>& out, const char* text);
// printf-style formatting, then ascii_to_utf16_crlf.
uint16_t* format_to_utf16(std::vector<uint16_t>& out, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// ---- Narrow, wide and UTF-8 conversions ----
// The byte-per-character widenings take each byte as a signed char, so 0x80-0xFF become
// -128 to -1: they serve text known to be ASCII, not encoded text.

void wstring_to_narrow_lossy(const std::wstring& in, std::string& out);
int string_to_wide_lossy(const std::string& in, std::wstring& out);
void widen_chars(const char* text, std::wstring& out);
// The buffer must hold capacity + 1 units. Null when the text is longer than capacity.
uint32_t* string_to_wide_buffer(const std::string& text, uint32_t* buffer, int capacity);
// Each byte of the NUL-terminated input as an ISO-8859-1 character.
[[nodiscard]] std::string latin1_to_utf8(const uint8_t* text);
// One ISO-8859-1 byte appended in UTF-8: one byte below 0x80, else two.
void append_latin1_as_utf8(std::string& out, uint8_t latin1);
[[nodiscard]] std::string wcstr_to_utf8(const wchar_t* text);
std::string& wcstr_to_utf8_assign(const wchar_t* text, std::string& out);
// Appends each argument decoded from UTF-8; true when the list is not empty afterwards.
[[nodiscard]] bool argv_to_wide_list(std::vector<std::wstring>& list, int count,
                                     const char* const* argv);
void wide_list_from_strings(std::vector<std::wstring>& out, const std::vector<std::string>& in);
void strings_to_wide_list(const std::vector<std::string>& in, std::vector<std::wstring>& out);
void wstring_list_to_utf8(std::vector<std::string>& out, const std::vector<std::wstring>& in);
void wide_list_to_strings(const std::vector<std::wstring>& in, std::vector<std::string>& out);

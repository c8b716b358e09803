#pragma once
// Conversions between the text forms the uni:: layer keeps: UTF-8 in std::string, UTF-32 in
// std::wstring (wchar_t is 4 bytes here), UTF-16 as vectors of 16-bit units, lists of code
// points, raw bytes and Latin-1; plus the nine byte-order marks and the utf8_locale object.
//
// Every operation that fills an out-parameter empties it first (the byte-order-mark
// appenders excepted, and utf16le_to_utf8 when it refuses its byte count). On malformed
// input the out-parameter forms keep what was converted before the fault and return false;
// the value-form decoders return "". Nothing here writes a message or throws.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "text/kq_types.h"

namespace uni {

// ---- UTF-8 to wide text and to code points ----

// Decodes UTF-8 without validating it: an overlong form decodes to the value its bits spell
// (e0 80 80 gives 0), an encoded surrogate to that surrogate code point, and lead bytes
// 0xF5-0xF7 to values up to 0x1FFFFF. Only a byte that cannot stand where it stands (a
// missing or stray continuation byte, a byte 0xF8-0xFF) stops it. So a decoded text may hold
// characters that are not Unicode scalar values; a caller that needs well-formed text
// checks for them.
[[nodiscard]] bool utf8_decode(std::wstring& out, const std::string& in);
[[nodiscard]] bool utf8_to_wstring(std::wstring& out, const std::string& in);
// "" for empty or malformed input: never a partial result.
[[nodiscard]] std::wstring utf8_to_wstring(const std::string& in);
[[nodiscard]] bool utf8_bytes_to_wstring(std::wstring& out, const byte_array& in);
[[nodiscard]] std::wstring utf8_bytes_to_wstring(const byte_array& in);
[[nodiscard]] bool utf8_to_codepoints(std::vector<uint32_t>& out, const std::string& in);
// Code points of a well-formed text; 0 for empty or malformed text.
[[nodiscard]] uint32_t utf8_length(const std::string& in);
// False for an empty list; a malformed element contributes the part decoded before its fault.
[[nodiscard]] bool utf8_list_to_wide(std::vector<std::wstring>& out,
                                     const std::vector<std::string>& in);

// ---- Wide text and code points to UTF-8 ----

// Stops with false at a code point above 0x10FFFF; out keeps what was encoded. Surrogate
// code points are encoded like any other three-byte value.
[[nodiscard]] bool codepoints_to_utf8(std::string& out, const std::vector<uint32_t>& in);
[[nodiscard]] bool encode_utf8(std::string& out, const std::wstring& in);
[[nodiscard]] bool wstring_to_utf8(std::string& out, const std::wstring& in);
// The encoded prefix also when a character above 0x10FFFF stopped the encoder.
[[nodiscard]] std::string wstring_to_utf8(const std::wstring& in);
[[nodiscard]] bool wide_list_to_utf8(std::vector<std::string>& out,
                                     const std::vector<std::wstring>& in);
// Out stays empty unless the whole text encodes.
[[nodiscard]] bool wstring_to_utf8_bytes(byte_array& out, const std::wstring& in);

// ---- UTF-16 ----

// Takes a length in BYTES (a last odd byte is ignored). A byte count of 0 or 1, or a null
// pointer, returns false without touching out. Surrogate pairs combine; a surrogate that is
// not half of a pair (high or low) becomes U+FFFD and the conversion goes on, so the result
// is always well-formed UTF-8 holding every other character. The same holds for every
// UTF-16-to-UTF-8 form below.
[[nodiscard]] bool utf16le_to_utf8(std::string& out, const uint16_t* units, uint32_t byte_count);
[[nodiscard]] bool utf16_to_utf8(std::string& out, const std::vector<uint16_t>& in);
// in holds raw little-endian units as bytes.
[[nodiscard]] bool utf16le_string_to_utf8(std::string& out, const std::string& in);
[[nodiscard]] bool utf16_to_utf8_bytes(byte_array& out, const std::vector<uint16_t>& in);
// "" for an empty vector or when no memory is left.
[[nodiscard]] std::string utf16_to_utf8(const std::vector<uint16_t>& in);
[[nodiscard]] std::string utf16_to_utf8_text(const std::vector<uint16_t>& in);
[[nodiscard]] bool utf16_to_wstring(std::wstring& out, const std::vector<uint16_t>& in);
// Code points, not text for output: a high surrogate that is last or not followed by a low
// one ends it with false (the code points so far stay); a lone low surrogate is passed on.
[[nodiscard]] bool utf16_to_codepoints(std::vector<uint32_t>& out, const std::vector<uint16_t>& in);
// False for empty or odd-length input.
[[nodiscard]] bool utf16le_bytes_to_codepoints(std::vector<uint32_t>& out, const byte_array& in);
// False at a surrogate code point or one above 0x10FFFF; the units so far stay.
[[nodiscard]] bool codepoints_to_utf16(std::vector<uint16_t>& out, const std::vector<uint32_t>& in);
[[nodiscard]] bool utf8_to_utf16(std::vector<uint16_t>& out, const std::string& in);
[[nodiscard]] bool utf8_bytes_to_utf16(std::vector<uint16_t>& out, const byte_array& in);
// Unit i is bytes 2i and 2i+1, little-endian; a last odd byte is not taken.
[[nodiscard]] bool bytes_to_utf16(std::vector<uint16_t>& out, const uint8_t* data, uint32_t length);
[[nodiscard]] bool bytes_to_utf16(std::vector<uint16_t>& out, const byte_array& in);
// One character per unit and one unit per character (low 16 bits): no surrogate pairing.
[[nodiscard]] std::wstring utf16_units_to_wstring(const std::vector<uint16_t>& in);
[[nodiscard]] std::vector<uint16_t> wstring_to_utf16_units(const std::wstring& in);

// ---- Bytes and Latin-1 ----

[[nodiscard]] std::string bytes_to_string(const byte_array& in);
[[nodiscard]] bool string_to_bytes(byte_array& out, const std::string& in);
// Every byte is an ISO-8859-1 character: 0x80-0xFF become two UTF-8 bytes.
[[nodiscard]] bool latin1_to_utf8(std::string& out, const std::string& in);

// ---- Byte-order marks ----

// The marks as they begin a file. The UTF-7 mark is taken as its three fixed bytes (its
// fourth byte varies with the text that follows).
namespace bom_table {
inline constexpr std::array<uint8, 4> utf_ebcdic = {0xDD, 0x73, 0x66, 0x73};
inline constexpr std::array<uint8, 3> utf7 = {0x2B, 0x2F, 0x76};
inline constexpr std::array<uint8, 3> bocu1 = {0xFB, 0xEE, 0x28};
inline constexpr std::array<uint8, 3> scsu = {0x0E, 0xFE, 0xFF};
inline constexpr std::array<uint8, 4> utf32be = {0x00, 0x00, 0xFE, 0xFF};
inline constexpr std::array<uint8, 4> utf32le = {0xFF, 0xFE, 0x00, 0x00};
inline constexpr std::array<uint8, 2> utf16be = {0xFE, 0xFF};
inline constexpr std::array<uint8, 2> utf16le = {0xFF, 0xFE};
inline constexpr std::array<uint8, 3> utf8 = {0xEF, 0xBB, 0xBF};
}  // namespace bom_table

// The caller guarantees that data holds at least as many bytes as the mark.
[[nodiscard]] bool is_bom_utf_ebcdic(const void* data);
[[nodiscard]] bool is_bom_utf7(const void* data);
[[nodiscard]] bool is_bom_bocu1(const void* data);
[[nodiscard]] bool is_bom_scsu(const void* data);
[[nodiscard]] bool is_bom_utf32be(const void* data);
[[nodiscard]] bool is_bom_utf32le(const void* data);
[[nodiscard]] bool is_bom_utf16be(const void* data);
[[nodiscard]] bool is_bom_utf16le(const void* data);
[[nodiscard]] bool is_bom_utf8(const void* data);

// Append the mark at the end of out (out is not emptied) and return out.
byte_array& append_utf_ebcdic_bom(byte_array& out);
byte_array& append_utf7_bom(byte_array& out);
byte_array& append_bocu1_bom(byte_array& out);
byte_array& append_scsu_bom(byte_array& out);
byte_array& append_utf32be_bom(byte_array& out);
byte_array& append_utf32le_bom(byte_array& out);
byte_array& append_utf16be_bom(byte_array& out);
byte_array& append_utf16le_bom(byte_array& out);
byte_array& append_utf8_bom(byte_array& out);

// ---- utf8_locale ----

// Marks the process as running with UTF-8 text. It holds two fields that nothing reads;
// one global instance exists for the life of the process.
class utf8_locale {
public:
    utf8_locale() = default;
    utf8_locale(const utf8_locale&) = default;
    utf8_locale& operator=(const utf8_locale&) = default;
    virtual ~utf8_locale() = default;

    [[nodiscard]] uint32 first_field() const { return m_first; }
    [[nodiscard]] uint32 second_field() const { return m_second; }

private:
    uint32 m_first = 0;
    uint32 m_second = 0;
};

extern utf8_locale g_utf8_locale;

}  // namespace uni

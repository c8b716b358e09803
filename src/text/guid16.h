#pragma once
// guid16: a 16-byte identifier in the Windows GUID layout, and the small identifier texts of
// the text layer (GUID text, source initialisers, IPv4, MAC and EUI-64 addresses).
//
// The 16 bytes are kept exactly as stored: a 32-bit word (bytes 0-3) and two 16-bit words
// (4-5, 6-7), all little-endian, then 8 bytes in order. Only the text form reads them as
// words, so an MD5 digest kept here stays in digest order and its GUID text shows the first
// four digest bytes reversed. Schema signatures are compared in that text form.

#include <array>
#include <cstddef>
#include <string>

#include "text/kq_types.h"

struct guid16 {
    std::array<uint8, 16> bytes{};

    void clear();
    // The three little-endian words of the layout.
    [[nodiscard]] uint32 data1() const;
    [[nodiscard]] uint16 data2() const;
    [[nodiscard]] uint16 data3() const;
    void set_data1(uint32 value);
    void set_data2(uint16 value);
    void set_data3(uint16 value);
};

void guid_clear(guid16& id);
// Copies 16 bytes from source; a null source leaves the identifier as it was.
void guid_copy(guid16& id, const void* source);
[[nodiscard]] bool guid_is_null(const guid16& id);
[[nodiscard]] bool guid16_equal(const guid16& a, const guid16& b);
[[nodiscard]] bool guid16_not_equal(const guid16& a, const guid16& b);

// "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x": 36 lower-case characters, no braces.
[[nodiscard]] std::string guid_to_string(const guid16& id);
// Empties out; false for a null pointer.
[[nodiscard]] bool guid_to_string_out(std::string& out, const guid16* id);
// flag 0: the GUID text; any other flag: the 32 hex digits of the bytes in storage order.
[[nodiscard]] std::string guid_to_text(const guid16& id, int flag);
// The GUID text of the 16 source bytes into buffer (NUL-terminated, cut to size). False for
// a null buffer or source, or a size of 36 or less. From a size of 42 on, a blank and four
// tag characters follow: bytes 0-3 as themselves when within '0'..'z', else '.'.
[[nodiscard]] bool guid_to_cstr(char* buffer, std::size_t size, const void* source);
// "0x%08x, 0x%04x, 0x%04x, 0x%02x, ..." (eight byte items): a C initialiser list.
bool guid_to_initializer_text(std::string& out, const guid16& id);
// The initialiser text, ", " and the key in decimal.
bool guid_key_to_initializer_text(std::string& out, const guid16& id, uint16 key);
// Reads "data1-data2-data3-bytes8and9-bytes10to15" in hex (any single non-blank character
// separates, blanks before an item are skipped). False, output unchanged, for a text shorter
// than 22 characters or when any field cannot be read.
[[nodiscard]] bool parse_guid_text(const std::string& text, guid16& out);
// kind 4: dotted IPv4 of bytes 0-3; 6: MAC of bytes 0-5; 8: EUI-64 of bytes 0-7. Any other
// kind (or null bytes) empties out and gives false. bytes must hold kind bytes.
[[nodiscard]] bool net_address_to_text(const uint8* bytes, int kind, std::string& out);
// The most significant byte first: 0xC0A80001 reads 192.168.0.1.
bool ipv4_to_text(uint32 value, std::string& out);
bool uint32_to_be_bytes(uint32 value, std::array<uint8, 4>& out);

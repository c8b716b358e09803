#pragma once
// NetBIOS names in their 32-letter first-level encoding (RFC 1001, 14.1): 15 name bytes
// padded with blanks and one suffix byte, each byte written as 'A' + its high half-byte and
// 'A' + its low half-byte. Names of this form turn up in SMB and browser traffic kept on disk.

#include <string>

#include "text/kq_types.h"

// Writes the 32 letters into out (no terminator): the name bytes, "CA" for every blank up to
// 15, then the suffix. False for a length above 15, a negative length, a null out buffer or a
// null name with a length above 0.
[[nodiscard]] bool netbios_encode_name(const uint8* name, int length, uint8 suffix, char* out);
// Decodes 32 letters: out receives the 15 name bytes (padding blanks included) and *suffix the
// last byte. False only for a null letters pointer; a null suffix pointer is skipped.
[[nodiscard]] bool netbios_decode_name(const uint8* letters, std::string& out, uint8* suffix);

#pragma once
// Small text writers for looking at carved records by hand.

#include <ostream>

#include "sqlite/carved_record.h"
#include "text/kq_types.h"

// "trunc" when the record's values ran out of data, else "ok".
void print_truncated_flag(std::ostream& out, const carved_record& record);
// n blanks; nothing for n of 0 or less.
void write_blanks(std::ostream& out, int n);
// For table types 2 and 4 and at least 8 bytes: the bytes from offset 6 on, as many as byte
// 5 gives, two at a time, each written as the character 'a' plus its value. True when a
// letter was written.
[[nodiscard]] bool write_letter_pairs(std::ostream& out, const byte_array& bytes, int32 table_type);
// The value in hexadecimal; a negative 32-bit value widened to 64 bits (high half ending in
// 0xFFFF, low half with its top bit set) as its low 32 bits. The stream is left in decimal.
void write_hex64(std::ostream& out, uint64 value);

#pragma once
// Serial types of the record format: their content sizes, the value codes the reader gives
// them, and the tests that recognise runs of text or blob serial types in raw bytes.

#include <cstddef>
#include <string>

#include "text/byte_reader.h"
#include "text/kq_types.h"

// Content size and value code (value_code.h) of a serial type. Reserved types 10 and 11
// are taken as integers of 10 and 11 bytes. The size saturates at 0xFFFFFFFF, so a huge
// serial type never wraps into a small size.
void map_serial_type(uint64 serial_type, uint32& code, uint32& size);

// The content size of a serial type as the format defines it: 10 and 11 give 0.
[[nodiscard]] uint64 serial_type_content_size(uint64 serial_type);

// One header byte for a serial type: ((force or type > 12) ? (12 or 13 by the parity of
// type) : type) + count * 16, kept to 8 bits.
[[nodiscard]] uint8 pack_serial_type_code(uint32 type, bool force, uint32 count);

// The text of a value that has no content bytes: null "", constant 0 "0", constant 1 "1".
// Other codes leave text unchanged and give false.
[[nodiscard]] bool constant_value_text(std::string& text, uint32 code);

// Is there a run of `count` serial types of text (odd) or blob (even) at the start of data?
// The run's length in bytes, or 0.
[[nodiscard]] uint16 serial_type_varint_forward(const uint8* data, int32 length, int32 count,
                                                bool text);

// The same test for a run of `count` varints whose last byte is at `end` of the view,
// walking back over at most `length` bytes. Minus the run's length in bytes, or 0.
[[nodiscard]] int32 serial_type_varint_backward(const kq::byte_reader& bytes, std::size_t end,
                                                int32 length, int32 count, bool text);

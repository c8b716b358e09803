#pragma once
// Signature matchers: does a run of serial types in raw bytes look like the header of a
// record of a known table? A record finder has no page structure to go by, so it compares
// the serial types with a pattern list, forward from a header's first serial type or
// backward from its last byte.
//
// A pattern list holds one zero-terminated string per consecutive serial type; each string
// lists alternatives tried left to right:
//   '-'        a text serial type (odd; 13 or more when it is one byte)
//   '+'        a blob serial type (even; 12 or more when it is one byte)
//   'x' + hex  exactly that byte (not 0); 'x' ends the alternatives, and a mismatch fails
//              the whole match. Forward, a byte above 0x7F is the first of a two-byte
//              varint and both bytes are taken.
//   '0'..'9'   the one-byte serial types 0 to 9
// e.g. "-0" (text or NULL), "129" (serial type 1, 2 or 9), "+0", "x0d".

#include <cstddef>

#include "text/byte_reader.h"
#include "text/kq_types.h"

// Matches patterns[first] to patterns[count - 1] against the serial types at the start of
// data. The number of bytes matched, or 0.
[[nodiscard]] uint16 match_signature_forward(const uint8* data, int32 length, int32 count,
                                             int32 first, const char* const* patterns);

// Matches patterns[last] down to patterns[0] against the serial types ending at the byte
// `end` of the view (inclusive) and lying before it, looking back over at most `length`
// bytes and never before the view's start. Minus the number of bytes matched (added to
// `end`, it gives the byte before the first serial type matched), or 0.
[[nodiscard]] int32 match_signature_backward(const kq::byte_reader& bytes, std::size_t end,
                                             int32 length, int32 count, int32 last,
                                             const char* const* patterns);

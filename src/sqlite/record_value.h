#pragma once
// One column's content bytes as a number or a text, shared by the page readers' and the
// carver's record decoders.

#include <string>

#include "sqlite/text_encoding.h"
#include "text/byte_reader.h"
#include "text/kq_types.h"

// Big-endian IEEE 754: 8 bytes double precision, 4 bytes single precision (zeros,
// subnormals, infinities and NaNs included); any other length gives false.
[[nodiscard]] bool bytes_to_double(double& out, const byte_array& bytes);
[[nodiscard]] bool bytes_to_double(double& out, const kq::byte_reader& bytes);

// An integer column. Serial types 1 to 6 are two's complement: the value is sign-extended
// from the bytes present (also when the content was cut short). The reserved 10- and 11-byte
// forms accumulate unsigned and keep their last 8 bytes.
struct integer_value {
    uint64 bits = 0;  // the 64-bit value the timestamp guess sees
    bool is_signed = true;
};
[[nodiscard]] integer_value decode_integer(const kq::byte_reader& bytes, uint32 content_size);
// Signed decimal, or unsigned decimal for the reserved wide forms; "0" for no bytes.
[[nodiscard]] std::string integer_text(const integer_value& value);

// A real written with 8 significant digits; false (text "NaN") when the bytes do not decode.
[[nodiscard]] bool real_text(std::string& out, double& value, const kq::byte_reader& bytes);

// The content bytes as they stand, copied in one block (a byte-wise iterator copy costs
// as much as the rest of a large payload's decoding).
void bytes_as_text(std::string& out, const kq::byte_reader& bytes);

// UTF-16 content, in big- or little-endian units, as UTF-8, up to its first NUL unit (an odd
// last byte is no unit and is dropped).
void utf16_value_text(std::string& out, const kq::byte_reader& bytes, bool big_endian);

// Text content stored in the database's encoding, as UTF-8: UTF-8 content as it stands,
// UTF-16 content read in the byte order the encoding names. Inline: the UTF-8 road is taken
// for every text of a scan and costs no more than the copy.
inline void text_value(std::string& out, const kq::byte_reader& bytes, text_encoding encoding) {
    if (encoding == text_encoding::utf8) {
        bytes_as_text(out, bytes);
        return;
    }
    utf16_value_text(out, bytes, encoding == text_encoding::utf16be);
}

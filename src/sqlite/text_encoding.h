#pragma once
// The text encoding a database declares in its header (1.3.12): every text value of the
// database, the schema's included, is stored in it, UTF-16 in the byte order it names.
// Blob values are bytes whatever it says. It is decided once per database and handed to
// the decoders, which never guess it per value.

#include "text/kq_types.h"

enum class text_encoding : uint8 { utf8 = 1, utf16le = 2, utf16be = 3 };

// The encoding the header's 32-bit word declares, read as the SQLite library reads it: its
// two low bits, with 0 (a database that has never held a table) standing for UTF-8.
[[nodiscard]] text_encoding text_encoding_of(uint32 header_word);

[[nodiscard]] inline constexpr bool is_utf16(text_encoding encoding) {
    return encoding != text_encoding::utf8;
}

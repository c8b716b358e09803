#pragma once
// Column extractors for record finders: walk a record header to one column and copy its
// content through the character filters (text_filter.h). In a UTF-8 database the content is
// taken as 8-bit text or, when that fails, as little-endian UTF-16 text; in a UTF-16
// database as UTF-16 in its byte order alone. A column whose bytes fail the filters makes
// the candidate fail.
//
// The record bytes start with the header-size varint. The header position counts varint
// bytes from 1 (the byte after the header-size varint), so it is the column's number only
// while every earlier serial type is one byte long.

#include <cstddef>
#include <string>

#include "sqlite/text_encoding.h"
#include "text/byte_reader.h"
#include "text/kq_types.h"

// Why the walk to a column gave up.
enum class column_fault {
    none,
    no_data,             // no bytes, or a header position past them
    serial_type_unread,  // a serial type cannot be read within the bytes left
    header_exhausted,    // fewer than two bytes left after a serial type
    position_skipped,    // a multi-byte varint stepped over the header position
    null_column,         // serial type 0
    wrong_kind,          // blob wanted and the type is odd, or the type holds no bytes
    content_past_data,   // the content starts at or past the end of the bytes
    content_cut,         // the content runs past the end and cutting is not allowed
    content_too_long,    // more content than bytes from the serial type to the end
};

// Where a column's content lies in the record bytes.
struct column_span {
    std::size_t content = 0;            // offset of the content
    std::size_t size = 0;               // content bytes, cut to the data when cutting is allowed
    std::size_t after_header_size = 0;  // bytes after the header-size varint
};

// The walk the extractors share. `header_size`, when not 0, stands for the header-size
// varint (then taken as one byte long); otherwise the varint at the start is read. In text
// mode the size is (type - 13) / 2 whatever the type's parity, so a blob of k bytes reads as
// k - 1 bytes of text.
[[nodiscard]] column_fault locate_column(column_span& out, const kq::byte_reader& record,
                                         int32 header_position, uint16 header_size, bool blob,
                                         bool allow_cut);

// The column's content through the filters: at most max_length bytes (never more than follow
// the header-size varint). Longer content gives false unless cutting is allowed; then its
// first max_length bytes are taken through the prefix filters, which keep a clean start of
// at least min_length characters. encoding is the database's (see above).
[[nodiscard]] bool extract_column_text(std::string& out, const uint8* data, int32 length,
                                       int32 header_position, int32 min_length, int32 max_length,
                                       uint32 flags, uint16 header_size, bool blob, bool allow_cut,
                                       text_encoding encoding = text_encoding::utf8);

// As extract_column_text without a minimum: cut content gives its first max_length bytes
// when they all pass the filters.
[[nodiscard]] bool extract_column_text_at(std::string& out, const uint8* data, int32 length,
                                          int32 header_position, int32 max_length, uint32 flags,
                                          uint16 header_size, bool blob, bool allow_cut,
                                          text_encoding encoding = text_encoding::utf8);

#pragma once
// Experimental helpers for record finders: where one column's content lies in a raw record,
// and two simpler signature matchers over a vector of pattern strings (record_signature.h
// describes the patterns).

#include <string>
#include <vector>

#include "text/kq_types.h"

// Walks the header of the record (header-size varint first) to the serial type at
// header_position (counted in header bytes from 1, as extract_column_text counts) and
// points content at that column's bytes. Content running past the record sets cut and
// gives the bytes up to the end (none, content null, when it starts past the end). False
// for fewer than 3 bytes, a position past them or a header that ends first.
[[nodiscard]] bool locate_column(const uint8*& content, uint32& size, bool& cut,
                                 const uint8* record, uint32 length, int32 header_position);

// Matches one pattern string per serial type from the first byte: "-" and "+" must match
// (a failure ends the match), digits name one-byte serial types. The bytes matched, or 0.
[[nodiscard]] uint16 match_signature_list(const uint8* header, uint32 length,
                                          const std::vector<std::string>& patterns);
// The first pattern's digits against as many bytes; its length when all match, else 0.
[[nodiscard]] uint16 match_digit_pattern(const uint8* header, uint32 length,
                                         const std::vector<std::string>& patterns);
// The bytes at offset are the text.
[[nodiscard]] bool bytes_equal_at(const std::string& text, const uint8* bytes, uint32 length,
                                  uint32 offset);

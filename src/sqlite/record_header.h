#pragma once
// Record headers (2.1 Record Format): a varint giving the header's own size, then one
// serial-type varint per column. Each serial type becomes a value code (value_code.h) and a
// content size.

#include <cstddef>
#include <vector>

#include "text/byte_reader.h"
#include "text/kq_types.h"

// Parses a header that begins with its own size. False when no serial type could be read.
[[nodiscard]] bool parse_record_header_all(uint32& header_size, std::vector<uint32>& codes,
                                           std::vector<uint32>& sizes, const uint8* data,
                                           uint32 length);
[[nodiscard]] bool parse_record_header_all(uint32& header_size, std::vector<uint32>& codes,
                                           std::vector<uint32>& sizes,
                                           const kq::byte_reader& bytes);

// Parses exactly column_count serial types with no leading header size (the header-size
// byte lies just before data); consumed receives the bytes they take. page_size is carried
// for the callers and not used.
[[nodiscard]] bool parse_record_header(int32& consumed, std::vector<uint32>& codes,
                                       std::vector<uint32>& sizes, const uint8* data,
                                       uint32 length, uint32 page_size, int32 column_count);

// For a record starting with its header-size byte at `record` of the view (length bytes of
// it available, `before` bytes walkable back from it): reads the varint that starts where
// varint_run_start_backward (record, before, 2) points (the cell's payload-size varint when
// that is one byte long) and the sum of the header size (the record's first byte) and the
// content sizes of its serial types. True when that varint is above 1 and equals the sum.
[[nodiscard]] bool check_payload_length(uint64& payload_length, uint64& header_and_content,
                                        const kq::byte_reader& bytes, std::size_t record,
                                        uint32 length, int32 before);

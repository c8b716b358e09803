#pragma once
// Decoding one record (2.1 Record Format) of a b-tree cell into value texts: the header's
// serial types, then each column's content, with timestamps recognised.

#include <cstddef>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "sqlite/text_encoding.h"
#include "text/byte_reader.h"
#include "text/kq_types.h"

// The work record of one decoded record, reused from cell to cell.
struct record_decoder {
    std::vector<uint32> value_codes;       // one value_code per column
    std::vector<uint32> content_sizes;     // content size per column
    std::map<int32, uint64> time_values;   // column -> FILETIME of a recognised timestamp
    std::map<int32, byte_array> blob_values;  // column -> the bytes of each blob
    std::vector<std::string> values;       // one text per column

    void reset();
};

// Parses the header and decodes every column. Columns past the end of the data read as
// "0" (integers), "NaN" (reals) or "" (the rest). A header that does not parse gives true
// with nothing decoded; a header size beyond length gives false. consumed is the bytes used.
// page_size is carried for the callers and not used; dump_offset labels the dump. Text
// columns are read in the database's encoding (text_value); blobs are bytes in any.
// Without keep_extras only the value texts are made: no column is tried as a timestamp
// (time_values stays empty, the value codes carry no time marks, annotate_times adds
// nothing) and blob_values stays empty. Callers that keep the texts alone save the time
// guess, which costs more than the decoding, and a second copy of every blob.
[[nodiscard]] bool decode_record(record_decoder& d, int32& consumed, std::ostream* dump,
                                 const uint8* data, uint32 length, uint32 page_size,
                                 uint64 dump_offset, bool annotate_times, bool raw_blobs,
                                 text_encoding encoding, bool keep_extras = true);
[[nodiscard]] bool decode_record(record_decoder& d, int32& consumed, std::ostream* dump,
                                 const kq::byte_reader& data, uint64 dump_offset,
                                 bool annotate_times, bool raw_blobs, text_encoding encoding,
                                 bool keep_extras = true);

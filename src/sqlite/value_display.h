#pragma once
// Where the record decoders meet the time library and the hex view: whether a value is a
// timestamp, how a recognised moment is written beside a value, and how a blob is shown.
// Each is one function, so that the decoders carry no knowledge of either library.

#include <string>

#include "text/byte_reader.h"
#include "text/kq_types.h"

// A column recognised as a timestamp: its moment as FILETIME and the kq::type_time kind.
struct value_time {
    uint64 filetime = 0;
    uint32 kind = 0;
};

// An integer column (also a 17- to 20-byte decimal text read as a number) tried as a
// timestamp of the years 2004 to the last plausible year (this year + 2, fixed once per run).
[[nodiscard]] bool recognise_integer_time(value_time& out, uint64 value);
// A real column tried as a timestamp (kinds 0x40008) of the years 2010 to the last
// plausible year.
[[nodiscard]] bool recognise_real_time(value_time& out, double value);
// Appends " [", the moment as the time library writes it, and "]".
void append_time_annotation(std::string& text, uint64 filetime);

// The hex view line of the first 16 bytes of a blob (hex bytes and their ASCII column,
// no offset), followed by " ..." when the blob is longer.
void blob_hex_text(std::string& out, const kq::byte_reader& blob);

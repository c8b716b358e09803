#pragma once
// Decoding the contents of a carved record whose header was parsed apart (record_header.h).
// Carved records are often cut short by the end of their region; the cut is marked per value
// and for the record, never guessed around.

#include <ostream>
#include <string>
#include <vector>

#include "sqlite/text_encoding.h"
#include "text/byte_reader.h"
#include "text/kq_types.h"

// Turns the contents that follow a parsed header into value texts. Unless
// allow_short_then_truncated is true on entry, fewer bytes than the content sizes add up to
// give false. On return the flag says whether a column found no bytes left at all (it and
// every later column then read "" with the cut mark); a value cut short by the end keeps
// its bytes (less the 4 of an overflow page number) and carries the cut mark in its code.
// Text values are read in the database's encoding (text_value), blobs as bytes.
[[nodiscard]] bool decode_record_values(std::vector<std::string>& values, const uint8* content,
                                        uint32 length, std::vector<uint32>& codes,
                                        const std::vector<uint32>& sizes, std::ostream* dump,
                                        bool raw_blobs, text_encoding encoding,
                                        bool& allow_short_then_truncated);
[[nodiscard]] bool decode_record_values(std::vector<std::string>& values,
                                        const kq::byte_reader& content, std::vector<uint32>& codes,
                                        const std::vector<uint32>& sizes, std::ostream* dump,
                                        bool raw_blobs, text_encoding encoding,
                                        bool& allow_short_then_truncated);

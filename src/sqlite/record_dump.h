#pragma once
// Text dumps of decoded records, one line per record header and one per value, for
// examining a record by hand. Nothing in the report path writes them.

#include <ostream>
#include <string>
#include <vector>

#include "text/kq_types.h"

// "<offset, 8 hex digits> : header size  : 0x<size>, data sizes [val:4, str:12, ...]".
void dump_record_header(std::ostream& out, uint64 offset, uint32 header_size,
                        const std::vector<uint32>& codes, const std::vector<uint32>& sizes);

// One line per value: "cst:0x00 : 0", "nul:0x00 : -", "str:0x<size> : <text>", ... The page
// reader's form writes the sizes in hexadecimal and ends with an empty line; the carver's
// writes them in decimal.
void dump_record_values(std::ostream& out, const std::vector<uint32>& codes,
                        const std::vector<uint32>& sizes, const std::vector<std::string>& values,
                        bool page_reader_form);

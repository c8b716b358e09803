#pragma once
// Field lines of raw-structure dumps: "oooooooo : label       : value [note]". Each printer
// returns the byte size the field took, or 0 when it printed nothing (a null label, or an
// output_context that is off).

#include <ostream>
#include <string>
#include <vector>

#include "text/kq_types.h"
#include "text/output_context.h"

namespace kq {

// A number is written in hexadecimal, zero-filled to 2 x size digits; a size of 0 takes the
// type's own (8 for uint64, 4 for uint32 and for text). A text value is written unchanged.
int print_field_line(std::ostream& out, const char* label, uint64 value, uint64 offset,
                     int label_width, const char* note = nullptr, int size = 0);
int print_field_line(std::ostream& out, const char* label, uint32 value, uint64 offset,
                     int label_width, const char* note = nullptr, int size = 0);
int print_field_line(std::ostream& out, const char* label, const std::string& value, uint64 offset,
                     int label_width, const char* note = nullptr, int size = 0);
int print_field_line(const output_context& context, const char* label, uint32 value, uint64 offset,
                     int label_width, const char* note = nullptr, int size = 0);

// A FILETIME field whose note is the moment as text (a single blank when it is no moment).
int print_filetime_field_line(std::ostream& out, const char* label, uint64 filetime, uint64 offset,
                              int label_width);
int print_filetime_field_line(const output_context& context, const char* label, uint64 filetime,
                              uint64 offset, int label_width);

// One byte as two hexadecimal digits; size 1.
int print_byte_field_line(std::ostream& out, const char* label, uint8 value, uint64 offset,
                          int label_width, const char* note = nullptr);
int print_byte_field_line(const output_context& context, const char* label, uint8 value,
                          uint64 offset, int label_width, const char* note = nullptr);

// Each text followed by a line end.
void print_lines(std::ostream& out, const std::vector<std::string>& lines);

}  // namespace kq

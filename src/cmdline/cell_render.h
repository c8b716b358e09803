#pragma once
// The text of single output cells under the output settings of cmd_params: integers, text,
// 64-bit numbers, GUIDs and bytes, and the date and time texts of time cells. The table and
// CSV writer (cmdline/record_writer.h) places these texts in a line; nothing here writes to
// a stream.
//
// Widths: W is the width of the column with the cell's index, the low 32 bits of the
// column's width taken as signed; a cell without a column, a negative W and every cell
// under no-whitespace have none. A width pads a shorter text with blanks (on the right for
// left alignment, on the left for right alignment) and never shortens a longer one. P is
// the length of the cell's prefixes ("->", one blank), which only integer and text cells
// take off their width.

#include <string>
#include <string_view>
#include <vector>

#include "cmdline/cmd_params.h"
#include "text/kq_types.h"
#include "text/kq_variant_lite.h"

// text padded to width with blanks; a width at or below the text's length (negative
// included) leaves it as it is.
[[nodiscard]] std::string pad_text(const std::string& text, int64 width, bool right);
// pad_text's result appended to out, without a padded copy of text.
void append_padded_text(std::string& out, const std::string& text, int64 width, bool right);
// The same for a text handed over: padded in place, never copied.
[[nodiscard]] std::string pad_text(std::string&& text, int64 width, bool right);
// The signed low 32 bits of columns[index]'s width; 0 without such a column.
[[nodiscard]] int32 column_width(const std::vector<kq_variant_lite>& columns, std::size_t index);
// The width applied to cell index: column_width, or 0 under no-whitespace.
[[nodiscard]] int32 cell_width(const cmd_params& options, std::size_t index);
// The filler of a missing value: one blank, or nothing under no-whitespace.
[[nodiscard]] std::string missing_value_filler(const cmd_params& options);
// The length of the prefixes a cell's flags ask for.
[[nodiscard]] int32 prefix_length(uint32 flags);
[[nodiscard]] std::string prefix_text(uint32 flags);

// An integer cell (types 1, 2, 3, 4, 8) that the writer shows as a blank.
[[nodiscard]] bool is_blank_zero(const kq_variant_lite& cell);
// Integer cells, by the first matching rule: blank zero, bare hex, zero-filled hex, hex
// with decimal, decimal, "0x" hex; always right-aligned. Decimals of the signed types (3, 8)
// are signed; every hex form shows the value's 64-bit pattern.
[[nodiscard]] std::string integer_cell_text(const kq_variant_lite& cell, int32 width, int32 prefix,
                                            const cmd_params& options);

// Text cells: terminal controls become visible escapes (text/control_escape.h), the
// delimiter becomes its substitute and, in the CSV forms and multiline, line breaks become
// markers, all in the cell itself.
void prepare_text_cell(kq_variant_lite& cell, const cmd_params& options);
// The written form of a prepared text cell: cut, kept from carrying the separator,
// centred or padded.
[[nodiscard]] std::string text_cell_text(const kq_variant_lite& cell, int32 width, int32 prefix,
                                         const cmd_params& options);
// The same text appended to out: a long value is copied once, straight into the line.
void append_text_cell(std::string& out, const kq_variant_lite& cell, int32 width, int32 prefix,
                      const cmd_params& options);
// The text in double quotes, each double quote inside doubled (RFC 4180).
[[nodiscard]] std::string quoted_csv_value(const std::string& text);
// The CSV forms ("-csv", "-csvgen", "-csvl2t"), whose readers take a leading double quote
// as the start of a quoted field.
[[nodiscard]] bool is_csv_form(const cmd_params& options);
// The text begins with a double quote, after any blanks.
[[nodiscard]] bool opens_quoted_field(std::string_view text);
// A cell of a CSV form, as written, that a reader would not take as one field: it holds the
// separator (an empty one it never holds) or would open a quoted field.
[[nodiscard]] bool splits_csv_field(std::string_view text, const std::string& separator);
// The text quoted (RFC 4180, its quotes doubled) when splits_csv_field, else as it is: a
// quote that opens a field would swallow the separators after it.
[[nodiscard]] std::string csv_field(std::string text, const std::string& separator);
// Whole occurrences of the separator become blanks of the same length, and so does a tail
// that a reader splitting from the left would join with the next separator (a value ending
// in ':' before "::"); every other character stays. A separator of blanks alone, which
// cannot be kept out of values, leaves the text as it is.
void blank_separator_text(std::string& text, const std::string& separator);
// The written form of a text value, which never adds a column to its line. Quoted CSV: a
// value holding the separator or a double quote is quoted (RFC 4180). Otherwise, without a
// delimiter, whole occurrences of the separator (and a tail that would run into the next
// one) become blanks; every other character stays. Then, in the CSV forms, a value that
// still holds the separator (one of blanks alone, which is not blanked) or would open a
// quoted field for a reader is quoted. Takes the text by value: a long value handed over
// with std::move is not copied again.
[[nodiscard]] std::string keep_separator_out(std::string text, const cmd_params& options);
// The written form of a cell that is not text (a time, a number): quoted under quoted CSV
// when it holds the separator (a time under the separator ":" or " "), else unchanged.
[[nodiscard]] std::string quoted_if_separator(std::string text, const cmd_params& options);

// Type 14: the pad blank, then "0x" and 16 digits or decimal, left-aligned in W.
[[nodiscard]] std::string number64_cell_text(const kq_variant_lite& cell, int32 width,
                                             const cmd_params& options);
// Types 27 (GUID), 28 (hex bytes with blanks, cut with "..." after the number of bytes W
// leaves room for) and 29 (hex bytes), not yet padded to W.
[[nodiscard]] std::string bytes_cell_text(const kq_variant_lite& cell, int32 width,
                                          const cmd_params& options);

// The date and the time text of one value of a time type; both are the filler when the
// value gives no valid moment.
struct cell_time_text {
    std::string date;
    std::string time;
};
[[nodiscard]] cell_time_text format_cell_time(uint32 type, uint64 value, uint32 flags,
                                              const cmd_params& options);
// A time cell that holds a list to print: flags exactly 0x4000 and a non-empty list.
[[nodiscard]] bool is_time_list(const kq_variant_lite& cell);
// Every value of the list as "date time", joined by "; ".
[[nodiscard]] std::string time_list_text(const kq_variant_lite& cell, const cmd_params& options);

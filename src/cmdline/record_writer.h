#pragma once
// The table and CSV writer: one output_record becomes one report line (a padded table line
// by default, a CSV line under the CSV forms, one line per cell under "-multiline"), and the
// options' column list becomes the header line, written once before the first row.
//
// Every layout choice comes from the output settings of cmd_params: separator, delimiter
// and its substitute, no-whitespace (no filling to column widths), pad (one blank before
// date-and-time values), hexadecimal numbers, the CSV forms (line breaks as markers), the
// display spec of dates and times. Each line is built in a private string stream and
// reaches the output with one write, so a row is never split by other output.
//
// Values never shift the columns: a cell cannot carry the separator into the line. With a
// delimiter its occurrences become the substitute. A quoted-CSV run writes a cell holding
// the separator (a time cell too) or a double quote between double quotes, inner quotes
// doubled; any other run without a delimiter writes whole occurrences of the separator in
// a text as blanks and keeps every other character. In the CSV forms a cell that would
// open a quoted field for a reader (a double quote after any blanks) is quoted.
//
// When "-sqlite" was given and a results log is attached to the options, lines go to that
// log (only while it is open) instead of the stream.

#include <ostream>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "cmdline/output_record.h"
#include "text/kq_variant_lite.h"

// Writes the pending header (or, in multiline mode, names the captions once), then the row.
// Changes the options (header flag cleared; multiline captions and widths) and may change
// the row's cells (delimiter substitution and markers in text cells; a blank zero becomes
// an empty text cell). An invalid row writes nothing, not even a line end.
void write_record(std::ostream& out, output_record& row, cmd_params& options);
// write_record for every valid row, in order.
void write_records(std::ostream& out, std::vector<output_record>& rows, cmd_params& options);
// Switches the options to multiline output for good (multiline and no-whitespace on, no
// delimiter or substitute, no line end after a row), then write_record.
void write_record_multiline(std::ostream& out, output_record& row, cmd_params& options);
// The header line of the options' columns; clears m_header_pending.
void write_header_row(std::ostream& out, cmd_params& options);
// The header line of the given columns with explicit settings, always written to out with
// a line end; neither reads nor clears a header flag.
void write_column_header(std::ostream& out, const std::vector<kq_variant_lite>& columns,
                         const std::string& separator, bool pad, bool no_whitespace);

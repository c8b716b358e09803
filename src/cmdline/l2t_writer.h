#pragma once
// The log2timeline CSV writer: every line of a timeline_collector becomes one output line
// of sixteen columns (fifteen when date and time share one), plus eight NTFS columns when
// the context asks for them, after a caption line written once per run.
//
// No value may shift the columns or split a line: every text column is written with its
// line breaks as "[CRLF]", "[LFCR]", "[LF]" and "[CR]" markers, and with the context's
// replacement character in place of the delimiter or, without one, by the table writer's
// rule for values that hold the separator. Each line is built in a private string stream
// and reaches the output with one write. When a results log is attached to the context and
// open, the caption and the lines go to that log instead of the stream.

#include <ostream>
#include <string>

#include "cmdline/timeline_collector.h"

// The caption line, separated by separator, without a line end: "date/time" (combined) or
// "date" and "time", then timezone, MACB, source, sourcetype, type, user, host, short,
// desc, version, filename, inode, notes, format, extra and, with ntfs_extras, the eight
// NTFS captions.
void write_l2t_header(std::ostream& out, const std::string& separator, bool ntfs_extras,
                      bool combined);

// Writes the caption line when header_pending is set (clearing it and the options' copy),
// then every valid line of the collector inside the context's time filter, in time order.
// Changes the context (replacement applied to short, desc, filename and notes) and the
// lines (replacement in description and filename; lower-cased marks when asked). Always 1.
int write_l2t_rows(bool& header_pending, std::ostream& out, timeline_collector& collector);

#pragma once
// The MFT timeline as a table or CSV report: one line per name of each moment, with the
// record's NTFS columns from the timeline context. A long name's line shows the si and fn
// letters; a short (8.3) name's line the si and fn8.3 letters, with " (FN 8.3)" after its
// type. A moment without names gives no line.
//
// Lines go through the table and CSV writer (cmdline/record_writer.h) under the context's
// options, so separators inside values are neutralised there and a results log attached
// to the options takes the lines instead of the stream.

#include <ostream>

#include "cmdline/mft_timeline.h"
#include "cmdline/timeline_context.h"

// With header_pending set: clears it and, when the context has options, rebuilds their
// column list from the context's column choices (widths 0 under no-whitespace), tells an
// attached results log what the role cells hold, and writes the header. Then, when the
// context has options, writes the lines of every moment inside the context's time filter,
// each row sized to the options' column list. Always 1.
int write_mft_csv(bool& header_pending, std::ostream& out, const mft_timeline& timeline,
                  timeline_context& context);

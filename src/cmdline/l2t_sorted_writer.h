#pragma once
// log2timeline lines from a timeline context's own four MACB times, for callers that hold
// one item's times rather than a collector of merged events (the file-system timelines).
// One line per distinct moment, in time order, its marks naming the times that fall on it;
// the layout, the caption line, the column neutralisation and the results-log hand-off are
// those of write_l2t_rows (cmdline/l2t_writer.h).

#include <ostream>

#include "cmdline/timeline_context.h"

// Writes the caption line when header_pending is set (clearing it and the options' copy),
// then one line per distinct valid moment of the context's times inside its time filter.
// The type column is the context's type, else the labels of the times on that moment; the
// extra column is always the context's. Once a line is written the context is changed: the
// replacement character in its short, desc, filename, notes and extra, and line breaks as
// markers in its desc, notes and extra. Always 1.
int write_l2t_rows_sorted(bool& header_pending, std::ostream& out, timeline_context& context);

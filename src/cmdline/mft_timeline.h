#pragma once
// The MFT timeline: every moment at which a file-system record has a time, in ascending
// FILETIME order, with the MACB letters each time source set at that moment and the names
// the record was seen under. Times of one record that fall on one moment share an entry.

#include <map>

#include "cmdline/macb_flags.h"
#include "text/kq_types.h"

using mft_timeline = std::map<uint64, macb_flags>;

// Adds the four times (FILETIME; 0 means none) of one source (macb_flags::source_si, _fn,
// _fn83) to the timeline. A new moment gets an entry holding the name (short_name: in its
// short names, else in its long names); a moment already present gets the letter set for
// the source, its long names the long name or the empty text and its short names the short
// name or the empty text, so every merge leaves a trace in both sets. name may be null.
// A source other than 1, 2 or 3 sets no letter, yet its new moments still get an entry.
void timeline_add_macb_times(mft_timeline& timeline, int source, uint64 m, uint64 a, uint64 c,
                             uint64 b, const wchar_t* name, bool short_name);

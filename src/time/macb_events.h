#pragma once
// Turning the times of one item into timeline events: one event per distinct moment, its
// marks naming every MACB time (and extra time) that falls on it.

#include <map>

#include "text/kq_types.h"
#include "time/macb_times.h"
#include "time/timeline_event.h"
#include "time/type_time.h"

namespace kq {

// Inserts one event per distinct time of the record into out, the four times read as values
// of `type`, the extra times as FILETIMEs. An M event takes the A, C and B times equal to it,
// an A event the C and B times not yet taken, and so on; an extra time joins the event of the
// first MACB time equal to it as a C mark, else it gets its own "..C." event (keyed by its
// FILETIME, key_type FILETIME). Events take the record's time_type as key_type and its tag.
// Each extra time taken is flagged in the record's extra_used and is not taken again.
void build_macb_events(std::multimap<uint64, timeline_event>& out, macb_times& record,
                       type_time type);

}  // namespace kq

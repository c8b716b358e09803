#pragma once
// timeline_collector: a timeline_context with the time-ordered store of its lines. Events
// are merged in: events of one moment and one source share a line, each adding its MACB
// letter and its texts; any other event starts a line of its own. Lines of equal time stay
// in the order they were started.

#include <map>

#include "cmdline/timeline_context.h"
#include "text/kq_types.h"
#include "time/timeline_event.h"

class timeline_collector : public timeline_context {
public:
    // A default context and an empty store.
    timeline_collector() = default;

    // Refused (false, store unchanged) for key 0, an empty source or MACB text, a key that
    // is no valid FILETIME, or a first MACB letter other than M, A, C or B (either case).
    // The event is changed on the way: its letters upper-cased, and, when it starts a
    // line, its marks, per-letter descriptions and description rebuilt as stored.
    [[nodiscard]] bool merge_event(timeline_event& event);

    // FILETIME -> line; the collector owns its entries.
    std::multimap<uint64, timeline_event> m_events;
};

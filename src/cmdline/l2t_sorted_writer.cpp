#include "cmdline/l2t_sorted_writer.h"

#include <map>
#include <utility>

#include "cmdline/l2t_writer.h"
#include "cmdline/timeline_collector.h"
#include "text/text_lines.h"
#include "text/text_replace.h"
#include "time/macb_events.h"
#include "time/type_time.h"

namespace {

// The context's free texts as the lines show them. Done once, before the first line: both
// edits give the same text when repeated.
void prepare_context_texts(timeline_context& context) {
    if (context.m_replace_from != 0 && context.m_replace_to != 0) {
        for (std::string* text : {&context.m_short, &context.m_desc, &context.m_filename,
                                  &context.m_notes, &context.m_extra}) {
            replace_char(*text, context.m_replace_from, context.m_replace_to, false);
        }
    }
    for (std::string* text : {&context.m_desc, &context.m_notes, &context.m_extra}) {
        (void)mark_line_breaks(*text);  // edits in place
    }
}

// The events keyed by their moment's FILETIME, which the writer filters, orders and hands
// to a results log by, whatever unit the context's times are in. Each keeps only what the
// line takes from it: the type falls back to its description alone and the extra column is
// the context's.
std::multimap<uint64, timeline_event> moment_events(timeline_context& context) {
    std::multimap<uint64, timeline_event> built;
    kq::build_macb_events(built, context, static_cast<kq::type_time>(context.time_type));
    std::multimap<uint64, timeline_event> events;
    for (auto& [key, event] : built) {
        event.letter_descriptions.clear();
        event.extra.clear();
        const auto moment = static_cast<uint64>(event.time.filetime);
        events.emplace(moment, std::move(event));
    }
    return events;
}

bool writes_a_line(const std::multimap<uint64, timeline_event>& events,
                   const timeline_context& context) {
    for (const auto& [moment, event] : events) {
        if (event.valid && context.inside_filter(moment)) {
            return true;
        }
    }
    return false;
}

}  // namespace

int write_l2t_rows_sorted(bool& header_pending, std::ostream& out, timeline_context& context) {
    std::multimap<uint64, timeline_event> events = moment_events(context);
    if (writes_a_line(events, context)) {
        prepare_context_texts(context);
    }
    timeline_collector collector;
    static_cast<timeline_context&>(collector) = context;
    collector.m_events = std::move(events);
    return write_l2t_rows(header_pending, out, collector);
}

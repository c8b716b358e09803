#include "cmdline/timeline_collector.h"

#include <string>

#include "text/text_case.h"
#include "time/kq_time.h"
#include "time/type_time.h"

namespace {

// The MACB letters in column order; a letter's position is its slot in a line's marks and
// per-letter descriptions.
constexpr const char* macb_letters = "MACB";
constexpr std::size_t macb_count = 4;
constexpr char no_mark = '.';

// Appends text after "; " unless target already holds it; an empty text is always held.
void append_once(std::string& target, const std::string& text) {
    if (target.find(text) != std::string::npos) {
        return;
    }
    if (!target.empty()) {
        target += "; ";
    }
    target += text;
}

// Lines built here always hold four marks and four descriptions; a line put into the store
// by other means is brought to that shape before a slot is written.
void ensure_slots(timeline_event& line) {
    if (line.marks.size() < macb_count) {
        line.marks.resize(macb_count, no_mark);
    }
    if (line.letter_descriptions.size() < macb_count) {
        line.letter_descriptions.resize(macb_count);
    }
}

void add_to_line(timeline_event& line, const timeline_event& event, std::size_t slot) {
    ensure_slots(line);
    line.marks[slot] = event.marks[0];
    append_once(line.letter_descriptions[slot], event.description);
    append_once(line.extra, event.extra);
    append_once(line.filename, event.filename);
    append_once(line.user, event.user);
}

}  // namespace

bool timeline_collector::merge_event(timeline_event& event) {
    if (event.key == 0 || event.source.empty() || event.marks.empty()) {
        return false;
    }
    if (!event.valid) {
        const kq::time moment(event.key, kq::tt_filetime);
        if (!moment.is_valid) {
            return false;
        }
        // The key is a valid moment: the line is written like any other (the writer skips
        // lines not marked valid, so keeping the flag clear would lose an accepted event).
        event.time = moment;
        event.valid = true;
    }
    string_to_upper(event.marks);
    const std::string letters(macb_letters);
    const std::size_t slot = letters.find(event.marks[0]);
    if (slot == std::string::npos) {
        return false;
    }
    auto [first, last] = m_events.equal_range(event.key);
    for (auto it = first; it != last; ++it) {
        if (it->second.source == event.source) {
            add_to_line(it->second, event, slot);
            return true;
        }
    }
    const char letter = event.marks[0];
    event.marks.assign(macb_count, no_mark);
    event.marks[slot] = letter;
    event.letter_descriptions.assign(macb_count, std::string());
    event.letter_descriptions[slot] = event.description;
    event.description.clear();
    m_events.emplace_hint(last, event.key, event);
    return true;
}

#include "time/macb_events.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// One event being put together: its marks and description grow position by position.
struct event_draft {
    timeline_event event;
    bool appended = false;  // a label is in the description, so the next one needs "; "
    bool prefix_mode = false;

    void add_label(const std::string& label) {
        if (label.empty()) {
            return;
        }
        if (appended) {
            event.description += "; ";
        }
        event.description += label;
        appended = true;
    }
    // A time that falls on this event: its letter in the marks and its label, or in prefix
    // mode with no label its letter in the bracketed marks.
    void add_time(char letter, const std::string& label) {
        event.marks += letter;
        if (!label.empty()) {
            add_label(label);
        } else if (prefix_mode) {
            event.description += letter;
        }
    }
    void add_absent() {
        event.marks += '.';
        if (prefix_mode) {
            event.description += '.';
        }
    }
};

class macb_event_builder {
public:
    macb_event_builder(std::multimap<uint64, timeline_event>& out, macb_times& record,
                       kq::type_time type)
        : m_out(out),
          m_record(record),
          m_m(record.modified, type),
          m_a(record.accessed, type),
          m_c(record.changed, type),
          m_b(record.created, type) {
        // The five lists should run in parallel; a record whose lists were edited apart is
        // read only as far as all of them reach.
        m_extra_count = std::min({record.extra_times.size(), record.extra_labels.size(),
                                  record.extra_sources.size(), record.extra_filenames.size(),
                                  record.extra_used.size()});
        for (std::size_t i = 0; i < m_extra_count; ++i) {
            m_extra.emplace_back(record.extra_times[i], kq::tt_filetime);
        }
        m_remaining = m_extra_count;
    }

    void run() {
        build_m();
        build_a();
        build_c();
        build_b();
        build_leftovers();
    }

private:
    static bool same(const kq::time& t, const kq::time& u) {
        return t.is_valid && t.filetime == u.filetime;
    }

    // bracket opens the prefix-mode description; null for events that build it otherwise.
    event_draft start(const char* marks, const std::string& label, const char* bracket) const {
        event_draft draft;
        draft.prefix_mode = !m_record.label_prefix.empty();
        draft.event.key_type = m_record.time_type;
        draft.event.tag = m_record.tag;
        draft.event.marks = marks;
        if (!label.empty()) {
            draft.add_label(label);
        } else if (draft.prefix_mode && bracket != nullptr) {
            draft.event.description = m_record.label_prefix + bracket;
        }
        return draft;
    }

    // Takes every unused extra time equal to t into the draft; true when one matched.
    bool take_extras(event_draft& draft, const kq::time& t) {
        bool matched = false;
        for (std::size_t i = 0; i < m_extra_count && m_remaining > 0; ++i) {
            if (m_record.extra_used[i] != 0 || m_extra[i].filetime != t.filetime) {
                continue;
            }
            --m_remaining;
            m_record.extra_used[i] = 1;
            draft.add_label(m_record.extra_labels[i]);
            draft.event.source += m_record.extra_sources[i];
            draft.event.filename += m_record.extra_filenames[i];
            matched = true;
        }
        return matched;
    }

    // The third position: the C time and the extra times that fall on t.
    void add_c_position(event_draft& draft, const kq::time& t) {
        bool written = false;
        if (!m_c_taken && same(m_c, t)) {
            m_c_taken = true;
            written = true;
            draft.add_time('C', m_record.changed_label);
        }
        if (take_extras(draft, t) && !written) {
            draft.event.marks += 'C';
            written = true;
        }
        if (!written) {
            draft.add_absent();
        }
    }

    void add_b_position(event_draft& draft, const kq::time& t) {
        if (!m_b_taken && same(m_b, t)) {
            m_b_taken = true;
            draft.add_time('B', m_record.created_label);
            return;
        }
        draft.add_absent();
    }

    void insert(event_draft& draft, int64 key, const kq::time& t, bool close_bracket) {
        if (close_bracket && draft.prefix_mode) {
            draft.event.description += ']';
        }
        draft.event.key = static_cast<uint64>(key);
        draft.event.time = t;
        draft.event.valid = t.is_valid;
        m_out.emplace(draft.event.key, std::move(draft.event));
    }

    void build_m() {
        if (!m_m.is_valid || m_record.modified == 0) {
            return;
        }
        event_draft draft = start("M", m_record.modified_label, " [M");
        if (same(m_a, m_m)) {
            m_a_taken = true;
            draft.add_time('A', m_record.accessed_label);
        } else {
            draft.add_absent();
        }
        add_c_position(draft, m_m);
        add_b_position(draft, m_m);
        insert(draft, m_record.modified, m_m, true);
    }

    void build_a() {
        if (m_a_taken || !m_a.is_valid || m_record.accessed == 0) {
            return;
        }
        event_draft draft = start(".A", m_record.accessed_label, " [.A");
        add_c_position(draft, m_a);
        add_b_position(draft, m_a);
        insert(draft, m_record.accessed, m_a, true);
    }

    void build_c() {
        if (m_c_taken || !m_c.is_valid || m_record.changed == 0) {
            return;
        }
        event_draft draft = start("..C", m_record.changed_label, " [..C");
        (void)take_extras(draft, m_c);  // extra times here add labels, not marks
        add_b_position(draft, m_c);
        insert(draft, m_record.changed, m_c, true);
    }

    void build_b() {
        if (m_b_taken || !m_b.is_valid || m_record.created == 0) {
            return;
        }
        event_draft draft = start("", "", nullptr);
        const bool matched = take_extras(draft, m_b);
        draft.event.marks = matched ? "..CB" : "...B";
        draft.add_label(m_record.created_label);
        if (m_record.created_label.empty() && draft.prefix_mode) {
            draft.event.description += m_record.label_prefix + (matched ? " [..CB]" : " [...B]");
        }
        insert(draft, m_record.created, m_b, false);
    }

    // Extra times that fell on no MACB time. Their key is a FILETIME, so their key_type says
    // FILETIME whatever the record's unit.
    void build_leftovers() {
        for (std::size_t i = 0; i < m_extra_count && m_remaining > 0; ++i) {
            if (m_record.extra_used[i] != 0) {
                continue;
            }
            m_record.extra_used[i] = 1;
            event_draft draft = start("..C.", "", nullptr);
            draft.event.key_type = kq::tt_filetime;
            draft.event.description = m_record.extra_labels[i];
            draft.event.source = m_record.extra_sources[i];
            draft.event.filename = m_record.extra_filenames[i];
            draft.event.key = m_record.extra_times[i];
            draft.event.time = m_extra[i];
            draft.event.valid = m_extra[i].is_valid;
            m_out.emplace(draft.event.key, std::move(draft.event));
        }
    }

    std::multimap<uint64, timeline_event>& m_out;
    macb_times& m_record;
    kq::time m_m;
    kq::time m_a;
    kq::time m_c;
    kq::time m_b;
    std::vector<kq::time> m_extra;
    std::size_t m_extra_count = 0;
    std::size_t m_remaining = 0;
    bool m_a_taken = false;
    bool m_c_taken = false;
    bool m_b_taken = false;
};

}  // namespace

namespace kq {

void build_macb_events(std::multimap<uint64, timeline_event>& out, macb_times& record,
                       type_time type) {
    macb_event_builder builder(out, record, type);
    builder.run();
}

}  // namespace kq

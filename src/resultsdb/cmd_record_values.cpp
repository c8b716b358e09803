// Reading and replacing one record's directive values, and the due test of a schedule.

#include <string>

#include "io/uni_encoding.h"
#include "resultsdb/cmd_record_list.h"

namespace {

// A run time with every bit set means the record never runs.
constexpr uint64 never_runs = ~0ULL;

}  // namespace

bool cmd_record_list::get_record(int i, uint64& run_time, uint64& interval, uint32& timeout,
                                 std::wstring& dir, std::wstring& name, std::wstring& comment,
                                 std::wstring& spawn, std::wstring& custom) const {
    if (!valid_index(i)) {
        return false;
    }
    const auto at = static_cast<std::size_t>(i);
    run_time = m_run_times[at];
    interval = m_repeat_intervals[at];
    timeout = m_timeouts[at];
    dir = m_dirs[at];
    name = m_names[at];
    comment = m_comments[at];
    spawn = m_spawns[at];
    custom = m_customs[at];
    return true;
}

bool cmd_record_list::get_record(int i, uint64& run_time, uint64& interval, uint32& timeout,
                                 std::string& dir, std::string& name, std::string& comment,
                                 std::string& spawn, std::string& custom) const {
    std::wstring texts[5];
    if (!get_record(i, run_time, interval, timeout, texts[0], texts[1], texts[2], texts[3],
                    texts[4])) {
        return false;
    }
    dir = uni::wstring_to_utf8(texts[0]);
    name = uni::wstring_to_utf8(texts[1]);
    comment = uni::wstring_to_utf8(texts[2]);
    spawn = uni::wstring_to_utf8(texts[3]);
    custom = uni::wstring_to_utf8(texts[4]);
    return true;
}

bool cmd_record_list::set_record(int i, uint64 run_time, uint64 interval, uint32 timeout,
                                 const std::wstring& dir, const std::wstring& name,
                                 const std::wstring& comment, const std::wstring& spawn,
                                 const std::wstring& custom) {
    if (!valid_index(i)) {
        return false;
    }
    const auto at = static_cast<std::size_t>(i);
    m_run_times[at] = run_time;
    m_repeat_intervals[at] = interval;
    m_timeouts[at] = timeout;
    m_dirs[at] = dir;
    m_names[at] = name;
    m_comments[at] = comment;
    m_spawns[at] = spawn;
    m_customs[at] = custom;
    return true;
}

bool cmd_record_list::set_record(int i, uint64 run_time, uint64 interval, uint32 timeout,
                                 const std::string& dir, const std::string& name,
                                 const std::string& comment, const std::string& spawn,
                                 const std::string& custom) {
    return set_record(i, run_time, interval, timeout, uni::utf8_to_wstring(dir),
                      uni::utf8_to_wstring(name), uni::utf8_to_wstring(comment),
                      uni::utf8_to_wstring(spawn), uni::utf8_to_wstring(custom));
}

bool cmd_record_list::disable_record(int i) {
    if (!valid_index(i)) {
        return false;
    }
    m_run_times[static_cast<std::size_t>(i)] = never_runs;
    m_repeat_intervals[static_cast<std::size_t>(i)] = 0;
    return true;
}

// Compared as signed times, "never" (all ones) would be -1 and so earlier than any moment;
// a record that never runs is skipped instead.
bool cmd_record_list::has_due_record(uint64 time) const {
    for (const uint64 run_time : m_run_times) {
        if (run_time != never_runs && static_cast<int64>(run_time) < static_cast<int64>(time)) {
            return true;
        }
    }
    return false;
}

// The directive items of a command-script record. Each item is trimmed, then the markers
// are looked for anywhere in it (so "x!name-foo" is a name directive), while the value is
// always read from the item's start plus the marker's length. An item holding several
// markers counts as the first kind in the order run, custom, spawn, comment, name, dir,
// timeout, repeat. A malformed directive is dropped on its own: it is neither a directive
// nor an argument, and the rest of the record still loads.

#include <string>
#include <vector>

#include "resultsdb/cmd_record_list.h"
#include "text/number_text.h"
#include "text/text_case.h"
#include "time/date_parse.h"
#include "time/kq_calendar.h"

namespace {

// FILETIME ticks per second, and the fixed intervals of the named repeats.
constexpr uint64 ticks_per_second = 10'000'000ULL;
constexpr uint64 ticks_per_day = 86'400ULL * ticks_per_second;
constexpr uint64 never_runs = ~0ULL;

// "!run-MM/DD/YYYY::HH:MM:SS": the marker, 10 date characters, "::" and 8 time characters.
constexpr std::size_t dated_run_length = 25;
constexpr std::size_t run_value_length = 20;
constexpr std::size_t run_date_length = 10;
constexpr std::size_t run_time_offset = 12;
constexpr std::size_t run_time_length = 8;
// A timeout of one to four characters.
constexpr std::size_t timeout_min_length = 10;
constexpr std::size_t timeout_max_length = 13;

struct record_directives {
    std::wstring run_text;
    uint64 run_time = 0;
    std::wstring repeat_text;
    uint64 interval = 0;
    uint32 timeout = 0;
    std::wstring dir;
    std::wstring name;
    std::wstring comment;
    std::wstring spawn;
    std::wstring custom;
};

bool holds(const std::wstring& item, const wchar_t* marker) {
    return item.find(marker) != std::wstring::npos;
}

std::wstring trimmed(std::wstring text) {
    (void)wtrim_whitespace(text);  // false only reports an empty result
    return text;
}

// The value after a marker of `length` characters, trimmed.
std::wstring value_after(const std::wstring& item, std::size_t length) {
    return trimmed(item.substr(length));
}

uint32 number_value(const std::wstring& text) {
    uint32 value = 0;
    if (!wide_text_to_uint32(trimmed(text), &value)) {
        return 0;
    }
    return value;
}

// A date that does not parse leaves the run time as it was but still sets the text.
void read_run(const std::wstring& item, record_directives& out) {
    if (holds(item, L"now")) {
        out.run_text = L"now";
        out.run_time = 0;
        return;
    }
    if (holds(item, L"never")) {
        out.run_text = L"never";
        out.run_time = never_runs;
        return;
    }
    const std::size_t marker = 5;  // "!run-"
    if (item.size() != dated_run_length) {
        return;
    }
    out.run_text = item.substr(marker, run_value_length);
    const std::wstring date = item.substr(marker, run_date_length);
    const std::wstring clock = item.substr(marker + run_time_offset, run_time_length);
    kq::_windows_systemtime moment;
    if (kq::parse_systemtime_w(date.c_str(), clock.c_str(), moment)) {
        out.run_time = static_cast<uint64>(kq::systemtime_to_filetime(moment));
    }
}

void read_repeat(const std::wstring& item, record_directives& out) {
    struct named_repeat {
        const wchar_t* item;
        const wchar_t* text;
        uint64 interval;
    };
    static const named_repeat named[] = {
        {L"!repeat-monthly", L"monthly", 30 * ticks_per_day},
        {L"!repeat-weekly", L"weekly", 7 * ticks_per_day},
        {L"!repeat-daily", L"daily", ticks_per_day},
    };
    for (const auto& repeat : named) {
        if (item == repeat.item) {
            out.repeat_text = repeat.text;
            out.interval = repeat.interval;
            return;
        }
    }
    const std::size_t marker = 8;  // "!repeat-"
    if (item.size() <= marker) {
        return;
    }
    out.repeat_text = item.substr(marker);
    out.interval = static_cast<uint64>(number_value(out.repeat_text)) * ticks_per_second;
}

// A text directive: the marker, its length, and the value it sets.
struct text_directive {
    const wchar_t* marker;
    std::size_t length;
    std::wstring record_directives::*value;
};

// True when the item is a directive (applied or ignored as malformed), false for an argument.
bool read_directive(const std::wstring& item, record_directives& out) {
    if (holds(item, L"!run-")) {
        read_run(item, out);
        return true;
    }
    static const text_directive texts[] = {
        {L"!custom-", 8, &record_directives::custom},
        {L"!spawn-", 7, &record_directives::spawn},
        {L"!comment-", 9, &record_directives::comment},
        {L"!name-", 6, &record_directives::name},
        {L"!dir-", 5, &record_directives::dir},
    };
    for (const auto& directive : texts) {
        if (!holds(item, directive.marker)) {
            continue;
        }
        if (item.size() > directive.length) {
            out.*directive.value = value_after(item, directive.length);
        }
        return true;
    }
    if (holds(item, L"!timeout-")) {
        if (item.size() >= timeout_min_length && item.size() <= timeout_max_length) {
            out.timeout = number_value(item.substr(timeout_min_length - 1));
        }
        return true;
    }
    if (holds(item, L"!repeat-")) {
        read_repeat(item, out);
        return true;
    }
    return false;
}

}  // namespace

void cmd_record_list::append_default_directives() {
    m_run_texts.emplace_back();
    m_run_times.push_back(0);
    m_repeat_texts.emplace_back();
    m_repeat_intervals.push_back(0);
    m_timeouts.push_back(0);
    m_dirs.emplace_back();
    m_names.emplace_back();
    m_comments.emplace_back();
    m_spawns.emplace_back();
    m_customs.emplace_back();
}

bool cmd_record_list::parse_directives(std::vector<std::wstring>& items) {
    if (items.empty()) {
        append_default_directives();
        return false;
    }
    record_directives found;
    std::vector<std::wstring> args;
    for (const auto& raw : items) {
        std::wstring item = trimmed(raw);
        if (!read_directive(item, found)) {
            args.push_back(std::move(item));
        }
    }
    m_run_texts.push_back(found.run_text);
    m_run_times.push_back(found.run_time);
    m_repeat_texts.push_back(found.repeat_text);
    m_repeat_intervals.push_back(found.interval);
    m_timeouts.push_back(found.timeout);
    m_dirs.push_back(found.dir);
    m_names.push_back(found.name);
    m_comments.push_back(found.comment);
    m_spawns.push_back(found.spawn);
    m_customs.push_back(found.custom);
    items = std::move(args);
    return true;
}

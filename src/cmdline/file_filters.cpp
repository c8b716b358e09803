#include "cmdline/file_filters.h"

#include <new>

#include "cmdline/cmd_params.h"
#include "io/path_codec.h"
#include "io/uni_file_info.h"
#include "io/uni_fileio.h"
#include "text/path_text.h"
#include "text/text_case.h"
#include "text/text_split.h"
#include "time/kq_time.h"
#include "time/time_conversions.h"

namespace {

// Type field of the POSIX mode word and the codes of the kinds tested here.
constexpr uint64 mode_type_mask = 0xF000;
constexpr uint64 mode_fifo = 0x1000;
constexpr uint64 mode_socket = 0xC000;

// Takes each '*' out of the pattern, from the left: one at the first position sets lead,
// one at the last sets trail, one inside is dropped without a trace.
void strip_stars(std::wstring& pattern, bool& lead, bool& trail) {
    for (auto at = pattern.find(L'*'); at != std::wstring::npos; at = pattern.find(L'*')) {
        if (at == 0) {
            lead = true;
        } else if (at + 1 == pattern.size()) {
            trail = true;
        }
        pattern.erase(at, 1);
    }
}

// Item i of the list (not "*", which the caller handles).
void fill_entry(filter_entry& entry, const std::wstring& item) {
    entry.m_text = item;
    entry.m_name = item;
    const auto colon = item.find(L':');
    if (colon != std::wstring::npos) {
        entry.m_has_stream = true;
        entry.m_stream = item.substr(colon + 1);
        entry.m_name = item.substr(0, colon);
        if (entry.m_stream == L"*") {
            entry.m_all_streams = true;
        } else {
            strip_stars(entry.m_stream, entry.m_stream_lead_star, entry.m_stream_trail_star);
        }
        if (entry.m_name == L"*") {
            entry.m_match_all = true;
            return;
        }
    }
    strip_stars(entry.m_name, entry.m_name_lead_star, entry.m_name_trail_star);
    entry.m_is_path = !entry.m_name.empty() && entry.m_name.front() == L'/';
}

bool starts_with(const std::wstring& text, const std::wstring& part) {
    return text.size() >= part.size() && text.compare(0, part.size(), part) == 0;
}

bool ends_with(const std::wstring& text, const std::wstring& part) {
    return text.size() >= part.size() &&
           text.compare(text.size() - part.size(), part.size(), part) == 0;
}

bool contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

// A pattern compared by its star flags: both stars contained, a leading star at the end, a
// trailing star at the start, no star the whole text.
bool star_match(const std::wstring& text, const std::wstring& pattern, bool lead, bool trail) {
    if (lead && trail) {
        return contains(text, pattern);
    }
    if (lead) {
        return ends_with(text, pattern);
    }
    if (trail) {
        return starts_with(text, pattern);
    }
    return text == pattern;
}

// ---- Time window ----

// A stored time against a bound. A negative time lies before every bound and after none.
bool earlier(int64 time, uint64 bound) { return time < 0 || static_cast<uint64>(time) < bound; }
bool later(int64 time, uint64 bound) { return time >= 0 && static_cast<uint64>(time) > bound; }

// A record's time with the bounds it is compared with. Unix seconds meet the 32-bit Unix
// bounds; a Unix time before 1970 is below every such bound, so it is placed by its FILETIME
// against the FILETIME bounds instead (a file of 1965 lies inside a window from 1950).
struct window_time {
    int64 value = 0;
    uint64 start = 0;
    uint64 stop = 0;
};

window_time in_window_scale(const cmd_params& options, bool unix_kind, int64 time) {
    if (unix_kind && time >= 0) {
        return {time, options.m_start_unix, options.m_stop_unix};
    }
    int64 value = time;
    if (unix_kind && !kq::unix_to_filetime(time, value)) {
        value = -1;  // before the FILETIME range: earlier than any window
    }
    return {value, options.m_start_filetime, options.m_stop_filetime};
}

// A time of 0 is no time (stat leaves the fourth time 0): it neither keeps a record inside
// the window nor puts it outside.
bool before_start(const cmd_params& options, bool unix_kind, int64 time) {
    const window_time t = in_window_scale(options, unix_kind, time);
    return time == 0 || earlier(t.value, t.start);
}

bool past_stop(const cmd_params& options, bool unix_kind, int64 time) {
    const window_time t = in_window_scale(options, unix_kind, time);
    return time != 0 && later(t.value, t.stop);
}

// The record's two times (modified, and the fourth time sources other than stat fill)
// against the window: before the start only when both are, past the end when either is.
// A record without a modified time is filled from the file first; one that still has none
// cannot be placed in the window and fails.
bool passes_time_window(const cmd_params& options, const std::wstring& path,
                        file_entry_ex& record) {
    if (record.m_modified == 0 && (!uni::get_file_info(record, path) || record.m_modified == 0)) {
        return false;
    }
    const bool unix_kind = record.m_time_kind == file_time_kind::unix_seconds;
    if (!unix_kind && record.m_time_kind != file_time_kind::filetime) {
        return false;  // unknown kinds cannot be compared
    }
    const int64 modified = record.m_modified;
    const int64 other = record.m_birth;
    if (options.m_start_valid && before_start(options, unix_kind, modified) &&
        before_start(options, unix_kind, other)) {
        return false;
    }
    return !(options.m_stop_valid &&
             (past_stop(options, unix_kind, modified) || past_stop(options, unix_kind, other)));
}

// ---- Entry stages ----

// The parts of a tested path, lower-cased where names are compared.
struct path_parts {
    std::wstring folder;  // lower-cased, every '\' turned into '/'
    std::wstring name;    // lower-cased, without its stream
    std::wstring stream;
    bool has_stream = false;
};

path_parts split_for_filters(const std::wstring& path, bool streams) {
    path_parts parts;
    (void)wsplit_path(path, parts.folder, parts.name);  // the caller refused an empty path
    (void)wstring_to_lower(parts.folder);
    (void)wstring_to_lower(parts.name);
    // Folder patterns are written with '/'; a folder written with back-slashes (a Windows
    // path in a path list) is compared in that form.
    for (wchar_t& c : parts.folder) {
        if (c == L'\\') {
            c = L'/';
        }
    }
    parts.has_stream = streams && split_stream_part(parts.name, parts.stream);
    return parts;
}

// A folder pattern ("/windows") matches where it ends a folder component: at the end of the
// folder or before a '/'. Every occurrence is tried, so "/mnt/windowsold/windows" matches.
bool folder_holds(const std::wstring& folder, const std::wstring& pattern) {
    for (auto at = folder.find(pattern); at != std::wstring::npos;
         at = folder.find(pattern, at + 1)) {
        const std::size_t end = at + pattern.size();
        if (end == folder.size() || folder[end] == L'/') {
            return true;
        }
    }
    return false;
}

// Stream stage: whether the entry goes on to the name stage.
bool stream_passes(const filter_entry& entry, const path_parts& parts) {
    if (!entry.m_has_stream) {
        return !parts.has_stream;
    }
    if (entry.m_all_streams) {
        return true;
    }
    return parts.has_stream && star_match(parts.stream, entry.m_stream, entry.m_stream_lead_star,
                                          entry.m_stream_trail_star);
}

// The signature's bytes at its offset. A file that cannot be opened (gone, unreadable, a
// FIFO or socket that would block the run) is reported through could_not_open.
bool signature_matches(const filter_entry& entry, const std::wstring& path, bool* could_not_open) {
    uni::fileio file;
    if (!file.open(path, false, false, false)) {
        if (could_not_open != nullptr) {
            *could_not_open = true;
        }
        return false;
    }
    const uint64 size = file.size();
    const uint64 length = entry.m_signature.size();
    // Written so that no offset, however large, can wrap past the size.
    if (length > size || entry.m_offset > size - length) {
        return false;
    }
    byte_array bytes;
    return file.read_at(bytes, length, entry.m_offset) && bytes == entry.m_signature;
}

bool name_matches(const filter_entry& entry, const path_parts& parts, const std::wstring& path,
                  bool* could_not_open) {
    if (entry.m_match_all) {
        return true;
    }
    if (entry.m_name_lead_star || entry.m_name_trail_star) {
        if (star_match(parts.name, entry.m_name, entry.m_name_lead_star, entry.m_name_trail_star)) {
            return true;
        }
    } else if (!entry.m_name.empty() && entry.m_name == parts.name) {
        return true;
    }
    return !entry.m_signature.empty() && signature_matches(entry, path, could_not_open);
}

bool entry_matches(const filter_entry& entry, const path_parts& parts, const std::wstring& path,
                   bool streams, bool* could_not_open) {
    if (entry.m_is_path && folder_holds(parts.folder, entry.m_name)) {
        return true;
    }
    if (streams && !stream_passes(entry, parts)) {
        return false;
    }
    return name_matches(entry, parts, path, could_not_open);
}

}  // namespace

bool cmd_params::match_file_filter(const cmd_params& options, bool* could_not_open,
                                   const std::wstring& path, const std::vector<filter_entry>& list,
                                   file_entry_ex* record, bool streams) {
    if (path.empty()) {
        return false;
    }
    if (could_not_open != nullptr) {
        *could_not_open = false;
    }
    const bool window = options.m_start_valid || options.m_stop_valid;
    if (record != nullptr && window && !passes_time_window(options, path, *record)) {
        return false;
    }
    if (list.empty() || (list.size() == 1 && list.front().m_match_all)) {
        return true;
    }
    const path_parts parts = split_for_filters(path, streams);
    for (const filter_entry& entry : list) {
        if (entry_matches(entry, parts, path, streams, could_not_open)) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> split_filter_items(const std::string& text) {
    std::vector<std::string> items;
    if (text.find('|') != std::string::npos) {
        (void)split_on_char(text, '|', items, true, false, false);  // text is not empty
    }
    if (text.find(',') != std::string::npos) {
        (void)split_on_char(text, ',', items, true, false, false);  // replaces the '|' items
    }
    if (items.empty()) {
        std::string whole = text;
        if (trim_whitespace(whole)) {
            items.push_back(whole);
        }
    }
    return items;
}

uint32 parse_file_filter_list(std::vector<filter_entry>& list, const std::string& text) {
    list.clear();
    std::string lowered = text;
    (void)string_to_lower(lowered);
    const std::vector<std::string> items = split_filter_items(lowered);
    try {
        list.resize(items.size());
    } catch (const std::bad_alloc&) {
        list.clear();
        return 0;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == "*") {
            // One match-all entry makes every other item of the value pointless.
            list.resize(1);
            list[0].clear();
            list[0].m_match_all = true;
            list[0].m_text = L"*";
            list[0].m_name = L"*";
            break;
        }
        fill_entry(list[i], uni::narrow_path_to_wide(items[i]));
    }
    return static_cast<uint32>(list.size());
}

bool path_passes_filters(const cmd_params& options, bool* could_not_open, const std::string& path,
                         const std::vector<filter_entry>& list, file_entry_ex* record,
                         bool streams) {
    if (path.empty()) {
        return false;
    }
    if (could_not_open != nullptr) {
        *could_not_open = false;
    }
    const bool window = options.m_start_valid || options.m_stop_valid;
    if (list.empty() && (record == nullptr || !window)) {
        return true;
    }
    return cmd_params::match_file_filter(options, could_not_open, uni::narrow_path_to_wide(path),
                                         list, record, streams);
}

bool path_passes_filters_w(bool* could_not_open, const std::wstring& path,
                           const std::vector<filter_entry>& list, bool streams) {
    if (path.empty()) {
        return false;
    }
    if (could_not_open != nullptr) {
        *could_not_open = false;
    }
    if (list.empty()) {
        return true;
    }
    // Default settings: no time window. Made on first use, kept to program exit.
    static const cmd_params defaults(static_cast<uint64>(kq::time::now().filetime), true);
    return cmd_params::match_file_filter(defaults, could_not_open, path, list, nullptr, streams);
}

bool is_fifo(const file_entry& entry) { return (entry.m_mode & mode_type_mask) == mode_fifo; }

bool is_socket(const file_entry& entry) { return (entry.m_mode & mode_type_mask) == mode_socket; }

bool is_door(const file_entry& /*entry*/) { return false; }

bool is_event_port(const file_entry& /*entry*/) { return false; }

bool file_in_time_window(const cmd_params& options, const std::wstring& path,
                         file_entry_ex& record) {
    return passes_time_window(options, path, record);
}

bool filter_star_match(const std::wstring& text, const std::wstring& pattern, bool lead,
                       bool trail) {
    return star_match(text, pattern, lead, trail);
}

bool split_stream_part(std::wstring& name, std::wstring& stream) {
    const auto colon = name.find(L':');
    if (colon == std::wstring::npos) {
        return false;
    }
    stream = name.substr(colon + 1);
    name.erase(colon);
    return true;
}

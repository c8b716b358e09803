#include "text/extras/folder_file_filters.h"

#include "cmdline/cmd_params.h"
#include "cmdline/file_filters.h"
#include "io/path_codec.h"
#include "text/text_case.h"

namespace {

// A file's folder and name as the entries are compared with them.
struct folder_and_name {
    std::wstring folder;  // lower-cased
    std::wstring name;    // lower-cased, without its stream
    std::wstring stream;
    bool has_stream = false;
};

folder_and_name split_name(const std::wstring& folder, const std::wstring& name, bool streams) {
    folder_and_name parts{folder, name, {}, false};
    (void)wstring_to_lower(parts.folder);
    (void)wstring_to_lower(parts.name);
    parts.has_stream = streams && split_stream_part(parts.name, parts.stream);
    return parts;
}

bool stream_stage(const filter_entry& entry, const folder_and_name& parts) {
    if (!entry.m_has_stream) {
        return false;
    }
    return entry.m_all_streams ||
           filter_star_match(parts.stream, entry.m_stream, entry.m_stream_lead_star,
                             entry.m_stream_trail_star);
}

bool name_stage(const filter_entry& entry, const folder_and_name& parts) {
    if (entry.m_match_all) {
        return true;
    }
    if (!entry.m_name_lead_star && !entry.m_name_trail_star && entry.m_name.empty()) {
        return false;  // an empty pattern names no file
    }
    return filter_star_match(parts.name, entry.m_name, entry.m_name_lead_star,
                             entry.m_name_trail_star);
}

bool entry_passes(const filter_entry& entry, const folder_and_name& parts, bool streams) {
    if (streams && entry.m_has_stream && !parts.has_stream && !entry.m_all_streams) {
        return false;
    }
    if (entry.m_path_len != 0 && parts.folder.find(entry.m_path) == std::wstring::npos) {
        return false;
    }
    if (streams && parts.has_stream && !stream_stage(entry, parts)) {
        return false;
    }
    return name_stage(entry, parts);
}

}  // namespace

uint32 parse_file_filter_list_with_path(std::vector<filter_entry>& list, std::string& text,
                                        const std::string& folder) {
    (void)string_to_lower(text);
    const uint32 count = parse_file_filter_list(list, text);
    std::string lowered = folder;
    (void)string_to_lower(lowered);
    const std::wstring path = uni::narrow_path_to_wide(lowered);
    if (path.empty()) {
        return count;
    }
    for (filter_entry& entry : list) {
        entry.m_path = path;
        entry.m_path_len = static_cast<uint32>(path.size());
    }
    return count;
}

bool cmd_params::match_folder_and_name(const cmd_params& options, bool* could_not_open,
                                       const std::wstring& folder, const std::wstring& name,
                                       const std::vector<filter_entry>& list, file_entry_ex* record,
                                       bool streams) {
    if (name.empty()) {
        return false;
    }
    if (folder.empty()) {
        return match_file_filter(options, could_not_open, name, list, record, streams);
    }
    const bool window = options.m_start_valid || options.m_stop_valid;
    if (record != nullptr && window &&
        !file_in_time_window(options, folder + L"/" + name, *record)) {
        return false;
    }
    if (list.empty() || (list.size() == 1 && list.front().m_match_all)) {
        return true;
    }
    const folder_and_name parts = split_name(folder, name, streams);
    for (const filter_entry& entry : list) {
        if (entry_passes(entry, parts, streams)) {
            return true;
        }
    }
    return false;
}

#pragma once
// File filters: which input files a run looks at. "-filter", "-filter_skip" and
// "-filter_sig" values become lists of filter_entry; a path passes a list when any entry
// matches its folder, file name, stream or leading bytes, after an optional time window on
// the file's modification time. The window and the list test themselves are
// cmd_params::match_file_filter (cmd_params.h), which needs the options' window.
//
// Names are compared as lower-cased wide text. Paths and patterns are widened with the
// reversible path codec, so a name that is not UTF-8 (common on evidence volumes) is still
// tested, and the signature test opens the very bytes the name came from.

#include <string>
#include <vector>

#include "cmdline/filter_entry.h"
#include "io/file_entry.h"
#include "text/kq_types.h"

class cmd_params;

// The items of a list value: split on '|', or on ',' instead when the value holds one (','
// wins over '|'); a value holding neither is one item. Items are trimmed, empty ones
// dropped, so "|,|" gives two "|" items and a blank value none.
[[nodiscard]] std::vector<std::string> split_filter_items(const std::string& text);

// Empties the list, then one entry per item of the lower-cased text. An item that is
// exactly "*" cuts the list to one entry that matches everything. Returns the number of
// entries; 0 when memory for them cannot be had.
uint32 parse_file_filter_list(std::vector<filter_entry>& list, const std::string& text);

// False for an empty path. Otherwise *could_not_open (when given) becomes false; an empty
// list passes unless a file record is given and the options hold a time window, which is
// then still applied. Every other case is decided by cmd_params::match_file_filter on the
// widened path.
[[nodiscard]] bool path_passes_filters(const cmd_params& options, bool* could_not_open,
                                       const std::string& path,
                                       const std::vector<filter_entry>& list, file_entry_ex* record,
                                       bool streams);

// For callers without options: a default options record (no time window), no file record.
[[nodiscard]] bool path_passes_filters_w(bool* could_not_open, const std::wstring& path,
                                         const std::vector<filter_entry>& list, bool streams);

// The options' time window on the record's modification time, as match_file_filter applies
// it; a record without one is filled from path first. For filter variants that apply the
// same window.
[[nodiscard]] bool file_in_time_window(const cmd_params& options, const std::wstring& path,
                                       file_entry_ex& record);
// A file name "name:stream" cut at its first ':' into name and stream; false, both
// untouched, for a name without one.
bool split_stream_part(std::wstring& name, std::wstring& stream);
// A pattern compared by its star flags: both stars contained, a leading star at the end, a
// trailing star at the start, no star the whole text.
[[nodiscard]] bool filter_star_match(const std::wstring& text, const std::wstring& pattern,
                                     bool lead, bool trail);

// File kinds by the type field of the mode word. Doors and event ports are kinds of other
// systems; this platform never reports them.
[[nodiscard]] bool is_fifo(const file_entry& entry);
[[nodiscard]] bool is_socket(const file_entry& entry);
[[nodiscard]] bool is_door(const file_entry& entry);
[[nodiscard]] bool is_event_port(const file_entry& entry);

#pragma once
// filter_entry: one item of a file-filter list ("-filter", "-filter_skip", "-filter_sig"),
// already taken apart into the name pattern, the stream pattern after ':' and the '*'
// positions, so that testing a path against it needs no parsing. Patterns are lower-cased
// wide text; a "-filter_sig" item carries the bytes to compare at a file offset instead.

#include <string>

#include "text/kq_types.h"

class filter_entry {
public:
    filter_entry() = default;

    // Back to the state of a new entry: no text, no signature, offset 0, every flag false.
    void clear();

    uint32 m_path_len = 0;     // byte length of the applied "-filter_path" value, 0 if none
    std::wstring m_path;       // that value, lower-cased
    std::wstring m_text;       // the list item, lower-cased
    std::wstring m_name;       // the item before its first ':', '*' removed
    std::wstring m_stream;     // the stream pattern after the first ':', '*' removed
    byte_array m_signature;    // "-filter_sig" bytes; empty for name entries
    uint64 m_offset = 0;       // file offset of the signature
    bool m_is_path = false;    // the name pattern starts with '/': matched on the folder
    bool m_match_all = false;  // the item (or its name part) is "*"
    bool m_name_lead_star = false;
    bool m_name_trail_star = false;
    bool m_has_stream = false;   // the item has a ':' stream part
    bool m_all_streams = false;  // the stream part is "*"
    bool m_stream_lead_star = false;
    bool m_stream_trail_star = false;
};

#include "text/tab_expand.h"

#include <string_view>
#include <vector>

#include "text/byte_reader.h"
#include "text/byte_search.h"

namespace {

constexpr uint32 default_tab_width = 4;
constexpr uint16 tab_unit = 0x09;
constexpr uint16 lf_unit = 0x0A;
constexpr uint16 cr_unit = 0x0D;

// Where the tabs and line ends of a text lie, in characters (bytes or 16-bit units).
struct tab_layout {
    std::vector<uint32> tabs;
    std::vector<uint32> line_ends;  // offsets of the line-end sequence
    uint32 line_end_width = 0;      // 2 for CR LF, else 1
};

// Appends the replacement of every tab to out. unit is the character size in bytes; blank is
// the byte form of one blank character.
//
// Tab stops lie at every multiple of the width, counted in output columns from the start of
// the tab's line: a tab at column c (0-based, after the blanks of earlier tabs) becomes
// w - c mod w blanks, so "ab\tc" at width 4 puts c at column 4.
void expand_layout(const kq::byte_reader& text, std::size_t unit, const tab_layout& layout,
                   uint32 width, const std::string& blank, std::string& out) {
    const std::string_view all(reinterpret_cast<const char*>(text.data()),  // NOLINT
                               text.size());
    std::size_t next_end = 0;
    uint64 line_start = 0;
    uint64 added = 0;        // blanks beyond one per tab written on this line so far
    std::size_t copied = 0;  // bytes of text already in out
    for (const uint32 t : layout.tabs) {
        uint64 start = line_start;
        while (next_end < layout.line_ends.size() && layout.line_ends[next_end] < t) {
            start = static_cast<uint64>(layout.line_ends[next_end]) + layout.line_end_width;
            ++next_end;
        }
        if (start != line_start) {
            line_start = start;
            added = 0;
        }
        const std::size_t tab_at = static_cast<std::size_t>(t) * unit;
        out.append(all.substr(copied, tab_at - copied));
        copied = tab_at + unit;
        const uint64 column = t - line_start + added;
        const uint64 blanks = width - column % width;
        added += blanks - 1;
        for (uint64 i = 0; i < blanks; ++i) {
            out += blank;
        }
    }
    out.append(all.substr(copied));
}

bool find_narrow_line_ends(const uint8* bytes, uint32 length, tab_layout& layout) {
    const uint8 crlf[] = {0x0D, 0x0A};
    const uint8 lf[] = {0x0A};
    const uint8 cr[] = {0x0D};
    if (find_all_bmh32(bytes, length, crlf, 2, layout.line_ends, true, false)) {
        layout.line_end_width = 2;
        return true;
    }
    layout.line_end_width = 1;
    return find_all_bmh32(bytes, length, lf, 1, layout.line_ends, true, false) ||
           find_all_bmh32(bytes, length, cr, 1, layout.line_ends, true, false);
}

// Tabs and line ends of UTF-16LE text, found unit by unit.
void find_utf16_layout(const kq::byte_reader& text, tab_layout& layout) {
    const auto units = static_cast<uint32>(text.size() / 2);
    std::vector<uint32> crlf;
    std::vector<uint32> lf;
    std::vector<uint32> cr;
    for (uint32 i = 0; i < units; ++i) {
        uint16 c = 0;
        uint16 next = 0;
        (void)text.le16_at(static_cast<std::size_t>(i) * 2, c);  // i < units
        if (c == tab_unit) {
            layout.tabs.push_back(i);
        } else if (c == cr_unit) {
            cr.push_back(i);
            if (text.le16_at(static_cast<std::size_t>(i) * 2 + 2, next) && next == lf_unit) {
                crlf.push_back(i);
            }
        } else if (c == lf_unit) {
            lf.push_back(i);
        }
    }
    if (!crlf.empty()) {
        layout.line_ends = std::move(crlf);
        layout.line_end_width = 2;
        return;
    }
    layout.line_ends = lf.empty() ? std::move(cr) : std::move(lf);
    layout.line_end_width = 1;
}

kq::byte_reader view_of(const char* text, uint32 length) {
    return {reinterpret_cast<const uint8*>(text), length};  // NOLINT(*-reinterpret-cast)
}

}  // namespace

bool expand_tabs(const char* text, uint32 length, uint32 width, std::string& out,
                 bool utf16_switch) {
    const kq::byte_reader bytes = view_of(text, length);
    if (bytes.empty()) {
        return false;
    }
    const uint8 wide_tab[] = {0x09, 0x00};
    uint64 found = 0;
    if (utf16_switch && find_first_bmh(bytes.data(), length, wide_tab, 2, found, true)) {
        return expand_tabs_utf16(text, length, width, out);
    }
    tab_layout layout;
    const uint8 tab[] = {0x09};
    if (!find_all_bmh32(bytes.data(), length, tab, 1, layout.tabs, true, false)) {
        return false;
    }
    (void)find_narrow_line_ends(bytes.data(), length, layout);  // none: one long line
    out.clear();
    expand_layout(bytes, 1, layout, width == 0 ? default_tab_width : width, " ", out);
    return true;
}

bool expand_tabs_utf16(const char* text, uint32 length, uint32 width, std::string& out) {
    const kq::byte_reader bytes = view_of(text, length);
    tab_layout layout;
    find_utf16_layout(bytes, layout);
    if (layout.tabs.empty()) {
        return false;
    }
    out.clear();
    expand_layout(bytes, 2, layout, width == 0 ? default_tab_width : width, std::string(" \0", 2),
                  out);
    return true;
}

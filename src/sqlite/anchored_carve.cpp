#include "sqlite/anchored_carve.h"

#include <algorithm>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "sqlite/btree_page.h"
#include "sqlite/db_file.h"
#include "sqlite/record_header.h"
#include "sqlite/sqlite_format.h"
#include "sqlite/value_code.h"
#include "sqlite/varint.h"
#include "text/byte_reader.h"
#include "text/embedded_strings.h"

namespace vi = sqlite_format::varint;

namespace {

// Strings shorter than this are too common in raw bytes to anchor anything.
constexpr uint32 min_anchor_length = 10;
// How far before a string its record header may start: a header of up to 31 bytes, or
// fewer bytes of header and earlier columns.
constexpr std::size_t max_lookback = 32;
// The payload-size and rowid varints of a table-leaf cell take at most 9 bytes each; the
// search for the payload size goes back no further than a short rowid allows.
constexpr std::size_t payload_lookback = 7;
// A record holding a 10-character string carries at least that much content.
constexpr uint64 min_content = 10;
constexpr int rowid_key_digits = 16;

struct candidate {
    std::size_t start = 0;
    uint32 header_size = 0;
    std::vector<uint32> codes;
    std::vector<uint32> sizes;
    uint64 record_size = 0;
};

// A varint read whole: its last byte ends it, or it has all nine bytes.
bool complete_varint(uint64& value, int32& n, const kq::byte_reader& bytes, std::size_t at) {
    uint8 last = 0;
    return read_varint(value, n, bytes, at) && n > 0 &&
           bytes.u8_at(at + static_cast<std::size_t>(n) - 1, last) &&
           ((last & vi::more_flag) == 0 || static_cast<std::size_t>(n) == vi::max_length);
}

// The serial types fill the header exactly: count whole varints from byte 1 end at its size.
bool header_fills(const kq::byte_reader& rest, uint32 header_size, std::size_t count) {
    kq::byte_reader header;
    if (!rest.sub(0, header_size, header)) {
        return false;
    }
    std::size_t at = 1;
    for (std::size_t i = 0; i < count; ++i) {
        uint64 type = 0;
        int32 n = 0;
        if (!complete_varint(type, n, header, at)) {
            return false;
        }
        at += static_cast<std::size_t>(n);
    }
    return at == header_size;
}

bool read_candidate(candidate& c, const kq::byte_reader& chunk, std::size_t start,
                    std::size_t anchor_length) {
    kq::byte_reader rest;
    if (!chunk.tail(start, rest) ||
        !parse_record_header_all(c.header_size, c.codes, c.sizes, rest.data(),
                                 static_cast<uint32>(rest.size())) ||
        !header_fills(rest, c.header_size, c.codes.size())) {
        return false;
    }
    c.start = start;
    c.record_size = c.header_size;
    for (const uint32 size : c.sizes) {
        c.record_size += size;
    }
    return c.record_size >= anchor_length && c.record_size >= c.header_size + min_content;
}

// The rowid of a table-leaf cell: the payload-size varint equal to the record size is looked
// for in the bytes before the header, and the varint between it and the header is the rowid.
bool find_rowid(int64& rowid, const kq::byte_reader& chunk, const candidate& c) {
    for (std::size_t back = 1; back <= payload_lookback && back <= c.start; ++back) {
        kq::byte_reader before;
        (void)chunk.sub(c.start - back, back, before);  // inside: back <= start
        uint64 value = 0;
        int32 n = 0;
        if (!complete_varint(value, n, before, 0) || value != c.record_size) {
            continue;
        }
        uint64 key = 0;
        const auto after = static_cast<std::size_t>(n);
        if (after < back && complete_varint(key, n, before, after)) {
            rowid = static_cast<int64>(key);
            return true;
        }
        return false;
    }
    return false;
}

leaf_record_decoder text_columns(const kq::byte_reader& chunk, const candidate& c) {
    leaf_record_decoder d;
    uint64 at = c.start + c.header_size;
    for (std::size_t i = 0; i < c.codes.size(); ++i) {
        if (value_code::kind_of(c.codes[i]) == value_code::text) {
            const uint64 end = std::min<uint64>(at + c.sizes[i], chunk.size());
            byte_array text;
            if (at < end) {
                (void)chunk.copy_to(at, end - at, text);  // inside the chunk
            }
            d.values.emplace_back(text.begin(), text.end());
            d.value_codes.push_back(c.codes[i]);
            d.content_sizes.push_back(c.sizes[i]);
        }
        at += c.sizes[i];
    }
    return d;
}

page_descriptor anchored_entry(const kq::byte_reader& chunk, const candidate& c, uint64 base,
                               uint32 page_size) {
    page_descriptor d;
    d.kind = row_kind::anchored_record;
    d.page_offset = base + c.start;
    d.page_number = page_size == 0 ? 0 : d.page_offset / page_size;
    leaf_record_decoder columns = text_columns(chunk, c);
    int64 rowid = 0;
    if (find_rowid(rowid, chunk, c)) {
        d.name = std::to_string(rowid);
        columns.rowid = static_cast<uint64>(rowid);
    }
    columns.record_file_offset = d.page_offset;
    const uint64 end = std::min<uint64>(c.start + c.record_size, chunk.size());
    (void)chunk.copy_to(c.start, end - c.start, d.bytes);  // inside the chunk
    // Keyed as the page reader keys its cells: 16 hex digits of the rowid.
    std::ostringstream key;
    key << std::hex << std::setfill('0') << std::setw(rowid_key_digits) << columns.rowid;
    d.cells.emplace(key.str(), std::move(columns));
    return d;
}

// The nearest header in front of the anchor at `offset` whose record can hold it.
bool anchor_record(candidate& found, const kq::byte_reader& chunk, std::size_t offset,
                   std::size_t anchor_length) {
    for (std::size_t i = 0; i < max_lookback && i < offset; ++i) {
        uint8 b = 0;
        (void)chunk.u8_at(offset - i, b);  // offset lies inside the chunk
        if (b >= 1 && b <= i + 2 && read_candidate(found, chunk, offset - i, anchor_length)) {
            return true;
        }
    }
    return false;
}

void carve_chunk(page_descriptor_map& out, const kq::byte_reader& buffer, std::size_t at,
                 const kq::byte_reader& chunk, bool parse, uint64 base, uint32 page_size) {
    const uint64 offset = base + at;
    page_header_view view;
    if (read_page(view, chunk, page_size, 0)) {
        page_descriptor_map rows;
        page_descriptor children;
        if (parse_btree_page(rows, chunk.data(), static_cast<uint32>(chunk.size()), offset, offset,
                             page_size, nullptr, parse, false, false, false, text_encoding::utf8,
                             false)) {  // a bare buffer names no encoding
            for (auto& [key, row] : rows) {
                (void)out.emplace(row_entry_key(row), std::move(row));  // first entry kept
            }
        } else if (walk_pages(children, buffer.data(), static_cast<uint32>(buffer.size()), base,
                              offset, page_size, nullptr, parse, false, text_encoding::utf8)) {
            (void)out.emplace(offset, std::move(children));  // first entry kept
        }
    }
    (void)find_records_by_strings(out, chunk.data(), static_cast<uint32>(chunk.size()), offset,
                                  page_size);  // what it adds is in out
}

}  // namespace

bool find_records_by_strings(page_descriptor_map& out, const uint8* chunk, uint32 length,
                             uint64 base, uint32 page_size) {
    const kq::byte_reader bytes(chunk, length);
    std::vector<std::string> strings;
    std::vector<uint64> offsets;
    if (!extract_ascii_strings(chunk, static_cast<int>(length), min_anchor_length, strings,
                               offsets, false, false)) {
        return false;
    }
    bool added = false;
    for (std::size_t i = 0; i < strings.size() && i < offsets.size(); ++i) {
        candidate found;
        if (offsets[i] < bytes.size() &&
            anchor_record(found, bytes, static_cast<std::size_t>(offsets[i]), strings[i].size())) {
            added = out.emplace(base + found.start, anchored_entry(bytes, found, base, page_size))
                        .second ||
                    added;
        }
    }
    return added;
}

bool carve_buffer_pages(page_descriptor_map& out, const uint8* buffer, uint32 length, bool parse,
                        uint64 base, uint32 page_size) {
    const kq::byte_reader bytes(buffer, length);
    out.clear();
    uint32 found_size = 0;
    uint64 start = 0;
    if (bytes.size() == 0) {
        return false;
    }
    if (!guess_page_size(found_size, start, buffer, length)) {
        start = 0;
    } else if (page_size == 0) {
        page_size = found_size;
    }
    if (!is_valid_page_size(page_size)) {
        return false;
    }
    for (uint64 at = start; at < bytes.size(); at += page_size) {
        kq::byte_reader chunk;
        (void)bytes.sub(at, std::min<uint64>(page_size, bytes.size() - at), chunk);  // inside
        carve_chunk(out, bytes, static_cast<std::size_t>(at), chunk, parse, base, page_size);
    }
    return !out.empty();
}

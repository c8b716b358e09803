#include "sqlite/region_scan.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <new>

#include "io/uni_fileio.h"
#include "sqlite/carved_cell_start.h"
#include "sqlite/page_phase.h"
#include "sqlite/page_rows.h"
#include "sqlite/read_window.h"
#include "sqlite/record_header.h"
#include "sqlite/record_values.h"
#include "sqlite/sqlite_format.h"
#include "sqlite/value_code.h"
#include "sqlite/varint.h"
#include "text/percent_progress.h"

namespace bt = sqlite_format::btree_page;
namespace vi = sqlite_format::varint;

namespace {

struct column_bounds {
    uint32 min = 0;
    uint32 max = 0;
    bool no_rowid = false;
};

// Everything one scan carries from chunk to chunk.
struct scan_state {
    carved_hit_sink& sink;
    std::vector<carved_record>* hits;  // the vector the after-chunk callback is shown, if any
    record_finder_fn finder;
    uint32 source;
    uint32 page_size;
    text_encoding encoding;
    column_bounds bounds;
    bool structured;
    void* context;
    chunk_done_fn after_chunk;
    std::vector<carved_record> found;  // the finder's hits of one chunk, reused
    std::vector<uint32> codes;
    std::vector<uint32> sizes;
    std::size_t taken = 0;  // hits the sink took
    // Reading across chunk ends (0: not): the bytes on each side of an end that is no page
    // start are read again as one seam, for the records lying across it.
    uint32 seam = 0;
    std::vector<uint64> chunk_hits;  // file offsets of the records the last chunk gave
    uint64 claimed_end = 0;          // the file offset past the last record a seam gave
    carved_record held;              // the chunk's last record, held back for the seam
    bool held_back = false;
};

enum class leaf_outcome { done, to_finder };

// A chunk that is a whole table leaf page gives its rows directly; at the first row with
// too few or too many columns for the table the rest goes to the finder instead.
leaf_outcome take_leaf_rows(scan_state& s, const kq::byte_reader& chunk, uint64 chunk_offset) {
    page_descriptor_map rows;
    // No file: overflow chains are skipped, and the chunk may come from another file.
    if (!parse_btree_page(rows, chunk.data(), static_cast<uint32>(chunk.size()), chunk_offset,
                          chunk_offset, s.page_size, nullptr, false, true, true, true, s.encoding,
                          s.bounds.no_rowid)) {
        return leaf_outcome::done;
    }
    for (const auto& [key, entry] : rows) {
        for (const auto& [rowid_key, cell] : entry.cells) {
            const std::size_t n = cell.values.size();
            if (n < s.bounds.min || n > s.bounds.max) {
                return leaf_outcome::to_finder;
            }
            carved_record row;
            row.values = cell.values;
            row.value_codes = cell.value_codes;
            row.file_offset = cell.cell_file_offset;
            row.source_word = record_source::with_source(0, s.source);
            row.column_count = static_cast<uint8>(n);
            row.bytes = cell.header_bytes;
            s.sink.take(row);
            ++s.taken;
        }
    }
    return leaf_outcome::done;
}

// Where a hit's record may run: up to the next hit when that starts after it.
std::size_t hit_extent_end(const std::vector<carved_record>& found, std::size_t index,
                           std::size_t p, std::size_t chunk_size) {
    if (index + 1 >= found.size()) {
        return chunk_size;
    }
    const uint64 next = found[index + 1].offset_in_chunk;
    return next > p && next < chunk_size ? static_cast<std::size_t>(next) : chunk_size;
}

// The hit decoded into row; false when it names no record. record_end: the chunk offset
// past the record's bytes (its extent's end when its values ran out).
bool decode_hit(scan_state& s, const kq::byte_reader& chunk, uint64 chunk_offset, std::size_t index,
                carved_record& row, std::size_t& record_end) {
    const carved_record& hit = s.found[index];
    // A position at or past the chunk end names no bytes of this chunk.
    if (hit.offset_in_chunk >= chunk.size()) {
        return false;
    }
    const auto p = static_cast<std::size_t>(hit.offset_in_chunk);
    const std::size_t end = hit_extent_end(s.found, index, p, chunk.size());
    // The serial types whose bytes a freeblock header took are not read: each is a NULL.
    const std::size_t lost = hit.lost_types;
    const uint32 columns = hit.column_count != 0 ? hit.column_count : s.bounds.max;
    kq::byte_reader extent;
    if (lost >= end - p || lost >= columns || !chunk.sub(p + lost, end - p - lost, extent)) {
        return false;
    }
    int32 consumed = 0;
    kq::byte_reader content;
    if (!parse_record_header(consumed, s.codes, s.sizes, extent.data(),
                             static_cast<uint32>(extent.size()), s.page_size,
                             static_cast<int32>(columns - lost)) ||
        !extent.tail(static_cast<std::size_t>(consumed), content)) {
        return false;
    }
    bool truncated = true;  // short data allowed; on return: whether the values ran out
    if (!decode_record_values(row.values, content, s.codes, s.sizes, nullptr, true, s.encoding,
                              truncated)) {
        return false;
    }
    uint64 content_size = 0;
    for (const uint32 size : s.sizes) {
        content_size += size;
    }
    record_end = truncated || content_size > content.size()
                     ? end
                     : p + lost + static_cast<std::size_t>(consumed) +
                           static_cast<std::size_t>(content_size);
    row.values.insert(row.values.begin(), lost, std::string());
    s.codes.insert(s.codes.begin(), lost, value_code::null);
    row.value_codes = s.codes;
    row.lost_types = hit.lost_types;
    row.header_corrected = hit.header_corrected;
    row.rowid = hit.header_corrected != 0 || lost != 0 ? 0 : rowid_before_hit(chunk, p);
    // Placed at its cell, as a row of a parsed page is: one record, one offset.
    row.offset_in_chunk =
        carved_cell_start(chunk, p, hit.lost_types, hit.header_corrected == header_fix::size_byte);
    row.file_offset = chunk_offset + row.offset_in_chunk;
    row.source_word = record_source::with_source(0, s.source);
    if (row.file_offset == 0) {
        row.source_word |= record_source::offset_zero_flag;
    }
    row.truncated = truncated ? 1 : 0;
    row.table_type = hit.table_type;
    row.spare_word = hit.spare_word;
    row.column_count = hit.column_count;
    row.column_mask = hit.column_mask;
    row.bytes = hit.bytes;
    return true;
}

void deliver(scan_state& s, carved_record& row) {
    s.sink.take(row);
    ++s.taken;
}

void give_held_back(scan_state& s) {
    if (s.held_back) {
        s.held_back = false;
        deliver(s, s.held);
    }
}

void scan_chunk(scan_state& s, const kq::byte_reader& chunk, uint64 chunk_offset) {
    s.chunk_hits.clear();
    uint8 type = 0;
    if (s.structured && chunk.size() == s.page_size && chunk.u8_at(bt::type, type) &&
        type == bt::leaf_table && take_leaf_rows(s, chunk, chunk_offset) == leaf_outcome::done) {
        return;
    }
    if (!s.finder(s.found, chunk.data(), static_cast<uint32>(chunk.size()), chunk_offset, false,
                  s.encoding, s.context)) {
        return;
    }
    for (std::size_t i = 0; i < s.found.size(); ++i) {
        carved_record row;
        std::size_t end = 0;
        // A record a seam read owns its bytes: no second record is read from them.
        if (!decode_hit(s, chunk, chunk_offset, i, row, end) || row.file_offset < s.claimed_end) {
            continue;
        }
        s.chunk_hits.push_back(row.file_offset);
        // The last record, cut at the chunk end, waits for the seam after it, which may
        // hold it whole.
        if (s.seam != 0 && i + 1 == s.found.size() && row.truncated != 0 && end == chunk.size()) {
            s.held = std::move(row);
            s.held_back = true;
            continue;
        }
        deliver(s, row);
    }
    if (s.hits != nullptr && !s.hits->empty() && s.after_chunk != nullptr) {
        (void)s.after_chunk(*s.hits, s.context);  // its result is not looked at
    }
}

// Whether a record read from a seam at [at, end) would reread bytes of a record the chunk
// before the seam gave.
bool overlaps_chunk_hit(const scan_state& s, uint64 at, uint64 end) {
    return std::any_of(s.chunk_hits.begin(), s.chunk_hits.end(),
                       [&](uint64 hit) { return hit > at && hit < end; });
}

// The bytes a record's first serial type may lie after its cell's start: the header-size
// byte and the rowid varint before it. A record whose first serial type lies that close after
// a chunk end has them in the chunk before, where the chunk after cannot see them.
constexpr uint64 cell_lead = 1 + sqlite_format::varint::max_length + 1;

// Whether a record the seam read at [at, end) is one to take: it runs across the boundary,
// it starts before it (or just after it with its cell's first bytes before it), after the
// bytes of the records already taken, and the chunk before neither gave it nor gave a record
// from its bytes.
bool seam_record_wanted(const scan_state& s, uint64 at, uint64 end, uint64 boundary) {
    return at >= s.claimed_end && at < boundary + cell_lead && end > boundary &&
           std::find(s.chunk_hits.begin(), s.chunk_hits.end(), at) == s.chunk_hits.end() &&
           !overlaps_chunk_hit(s, at, end);
}

// Gives the chunk's held-back last record (see scan_chunk), then the records that lie across
// `boundary` (a chunk end inside the region that no page header marks as a page start),
// read from the seam bytes around it: neither chunk sees them whole. The held-back record,
// cut at the chunk end, is given as the seam reads it when the seam holds it whole.
void scan_seam(scan_state& s, read_window& file, uint64 read_ahead_end, uint64 boundary) {
    const uint64 from = boundary - s.seam;
    kq::byte_reader seam;
    std::vector<carved_record> across;
    if (file.view(from, 2 * s.seam, read_ahead_end, seam) && seam.size() > s.seam &&
        !looks_like_page_start(seam, s.seam, s.page_size) &&
        s.finder(s.found, seam.data(), static_cast<uint32>(seam.size()), from, false, s.encoding,
                 s.context)) {
        for (std::size_t i = 0; i < s.found.size(); ++i) {
            carved_record row;
            std::size_t end = 0;
            if (!decode_hit(s, seam, from, i, row, end)) {
                continue;
            }
            if (s.held_back && row.file_offset == s.held.file_offset && row.truncated == 0) {
                row.rowid = s.held.rowid;  // read where the chunk holds the bytes before it
                s.held = std::move(row);   // the same record, whole
                s.claimed_end = std::max(s.claimed_end, from + end);
            } else if (seam_record_wanted(s, row.file_offset, from + end, boundary)) {
                s.claimed_end = std::max(s.claimed_end, from + end);
                across.push_back(std::move(row));
            }
        }
    }
    give_held_back(s);
    for (carved_record& row : across) {
        deliver(s, row);
    }
}

// Counts the bytes of a region up to `at` as done, once each.
struct region_progress {
    percent_progress* meter;
    uint64 offset;
    uint64 length;
    uint64 counted = 0;

    void count_to(uint64 at) {
        const uint64 through = std::min(at - offset, length);
        if (meter != nullptr && through > counted) {
            meter->advance(through - counted);
            counted = through;
        }
    }
};

void scan_region(scan_state& s, read_window& file, uint64 read_ahead_end, uint64 offset,
                 uint64 length, bool wal_frames, percent_progress* progress) {
    namespace wf = sqlite_format::wal_frame;
    const uint64 max = std::numeric_limits<uint64>::max();
    const uint64 region_end = length > max - offset ? max : offset + length;
    uint64 end = region_end;
    region_progress done{progress, offset, region_end - offset};
    for (uint64 i = offset; i < end;) {
        if (wal_frames) {
            i += wf::header_size;
            // A one-frame region reads exactly its page after the frame header.
            if (length == s.page_size && end <= max - wf::header_size) {
                end += wf::header_size;
            }
            if (i >= end) {
                break;
            }
        }
        const auto want = static_cast<uint32>(std::min<uint64>(s.page_size, end - i));
        // A chunk that does not read is skipped; one cut by the end of the file is scanned
        // as far as it goes.
        kq::byte_reader chunk;
        if (file.view(i, want, read_ahead_end, chunk)) {
            scan_chunk(s, chunk, i);
            if (s.seam != 0 && !wal_frames && chunk.size() == s.page_size &&
                s.page_size >= s.seam && i + s.page_size < end) {
                scan_seam(s, file, read_ahead_end, i + s.page_size);
            }
            give_held_back(s);  // when no seam followed
        }
        done.count_to(i + (chunk.empty() ? want : chunk.size()));
        if (i > max - s.page_size) {
            break;
        }
        i += s.page_size;
    }
    done.count_to(region_end);
}

// How far a read for a region may reach ahead: past its last chunk (a page beyond its end,
// and a frame header), and on over the regions that follow as closely, each within that
// reach of the one before, up to a window from the region's start. Dense slack is then read
// in large pieces, while the bytes between regions that lie further apart (the scattered
// pages a log replaces, say) are not read at all: reaching a whole window past any region
// whose next one is near read several times the bytes of such regions. Regions are asked
// for in order and each is gone through once: the run found for one holds for the next.
class read_ahead {
public:
    read_ahead(const region_map& regions, uint32 page_size)
        : m_regions(regions),
          m_reach(uint64{page_size} + sqlite_format::wal_frame::header_size),
          m_next(regions.begin()) {}

    uint64 end_for(region_map::const_iterator region) {
        if (region == m_next) {  // no run reaches it: one starts here
            m_run_end = reach_past(*region);
            m_next = std::next(region);
        }
        const uint64 limit = add_capped(region->first, read_window::default_span);
        while (m_next != m_regions.end() && m_next->first <= m_run_end && m_run_end < limit) {
            m_run_end = std::max(m_run_end, reach_past(*m_next));
            ++m_next;
        }
        return m_run_end;
    }

private:
    static uint64 add_capped(uint64 a, uint64 b) {
        return b > std::numeric_limits<uint64>::max() - a ? std::numeric_limits<uint64>::max()
                                                          : a + b;
    }
    [[nodiscard]] uint64 reach_past(const region_map::value_type& region) const {
        return add_capped(add_capped(region.first, region.second), m_reach);
    }

    const region_map& m_regions;
    uint64 m_reach;
    region_map::const_iterator m_next;  // the first region no run has taken in yet
    uint64 m_run_end = 0;
};

}  // namespace

uint64 region_bytes(const region_map& regions) {
    uint64 total = 0;
    for (const auto& [offset, length] : regions) {
        total = length > UINT64_MAX - total ? UINT64_MAX : total + length;
    }
    return total;
}

int64 rowid_before_hit(const kq::byte_reader& chunk, std::size_t p) {
    uint8 last = 0;
    if (p < 2 || !chunk.u8_at(p - 2, last) || (last & vi::more_flag) != 0) {
        return 0;
    }
    // Step back over the bytes with their top bit set; a varint has at most 8 before its
    // last byte. Reaching the chunk start means the varint may begin before the chunk.
    std::size_t start = p - 2;
    while (p - 2 - start < vi::max_length - 1) {
        uint8 before = 0;
        if (start == 0 || !chunk.u8_at(start - 1, before)) {
            return 0;
        }
        if ((before & vi::more_flag) == 0) {
            break;
        }
        --start;
    }
    uint64 value = 0;
    int32 n = 0;
    kq::byte_reader varint_bytes;
    if (!chunk.sub(start, p - 1 - start, varint_bytes) || !read_varint(value, n, varint_bytes, 0)) {
        return 0;
    }
    return static_cast<int64>(value);
}

namespace {

// The column bounds of a scan: the table's when it has columns, else the caller's; false
// when a scan with them takes nothing (a structured scan needs a column count).
bool scan_bounds(column_bounds& bounds, const table_definition& def, uint32 min_columns,
                 uint32 max_columns, bool structured) {
    bounds.no_rowid = def.m_without_rowid != 0;
    if (!def.m_columns.empty()) {
        bounds.max = static_cast<uint32>(def.m_columns.size());
        bounds.min = static_cast<uint32>(std::max(def.min_column_count(), 0));
        return true;
    }
    bounds.max = max_columns;
    bounds.min = min_columns;
    return bounds.max != 0 || !structured;
}

// Both forms of scan_regions; hits is the vector the after-chunk callback is shown (null
// for a sink of the caller's). The number of hits the sink took.
std::size_t scan_into(carved_hit_sink& sink, std::vector<carved_record>* hits,
                      const region_map& regions, uni::fileio& file, const table_definition& def,
                      record_finder_fn finder, uint32 source, uint32 page_size,
                      text_encoding encoding, uint32 min_columns, uint32 max_columns,
                      bool wal_frames, bool structured, percent_progress* progress, void* context,
                      chunk_done_fn after_chunk, bool across_chunk_ends) {
    column_bounds bounds;
    if (regions.empty() || finder == nullptr || page_size == 0 ||
        !scan_bounds(bounds, def, min_columns, max_columns, structured)) {
        return 0;
    }
    read_window window(file);
    scan_state s{sink,       hits,    finder,      source, page_size, encoding, bounds,
                 structured, context, after_chunk, {},     {},        {},       0,
                 0,          {},      0,           {},     false};
    // A quarter page each side: records up to that long are read whole across any end, and
    // the seams add a half to the finder's work on bytes that hold no pages.
    s.seam = across_chunk_ends ? page_size / 4 : 0;
    read_ahead ahead(regions, page_size);
    for (auto region = regions.begin(); region != regions.end(); ++region) {
        scan_region(s, window, ahead.end_for(region), region->first, region->second, wal_frames,
                    progress);
    }
    return s.taken;
}

// As scan_region without frame headers or seams, the chunks cut from bytes the caller holds
// (the file's from bytes_offset on): a chunk those bytes do not reach lies past the file's
// end, where a read of it gives nothing either.
void scan_held_region(scan_state& s, const kq::byte_reader& bytes, uint64 bytes_offset,
                      uint64 offset, uint64 length) {
    const uint64 max = std::numeric_limits<uint64>::max();
    const uint64 end = length > max - offset ? max : offset + length;
    for (uint64 i = offset; i < end;) {
        const uint64 want = std::min<uint64>(s.page_size, end - i);
        kq::byte_reader chunk;
        if (i >= bytes_offset && i - bytes_offset < bytes.size()) {
            const uint64 at = i - bytes_offset;
            if (bytes.sub(static_cast<std::size_t>(at),
                          static_cast<std::size_t>(std::min<uint64>(want, bytes.size() - at)),
                          chunk)) {
                scan_chunk(s, chunk, i);
            }
        }
        if (i > max - s.page_size) {
            break;
        }
        i += s.page_size;
    }
}

}  // namespace

// The state of a held scan; scan_state is private to this file.
struct held_scan_state {
    scan_state s;
    bool active;
};

held_region_scan::held_region_scan(carved_hit_sink& sink, const table_definition& def,
                                   record_finder_fn finder, uint32 source, uint32 page_size,
                                   text_encoding encoding, uint32 min_columns, uint32 max_columns,
                                   bool structured, void* context) {
    column_bounds bounds;
    const bool active = finder != nullptr && page_size != 0 &&
                        scan_bounds(bounds, def, min_columns, max_columns, structured);
    m_state = std::make_unique<held_scan_state>(held_scan_state{{sink,
                                                                 nullptr,
                                                                 finder,
                                                                 source,
                                                                 page_size,
                                                                 encoding,
                                                                 bounds,
                                                                 structured,
                                                                 context,
                                                                 nullptr,
                                                                 {},
                                                                 {},
                                                                 {},
                                                                 0,
                                                                 0,
                                                                 {},
                                                                 0,
                                                                 {},
                                                                 false},
                                                                active});
}

held_region_scan::~held_region_scan() = default;

bool held_region_scan::active() const { return m_state->active; }

void held_region_scan::scan(uint64 offset, uint64 length, const kq::byte_reader& bytes,
                            uint64 bytes_offset) {
    if (m_state->active) {
        scan_held_region(m_state->s, bytes, bytes_offset, offset, length);
    }
}

bool scan_regions(std::vector<carved_record>& hits, const region_map& regions, uni::fileio& file,
                  const table_definition& def, record_finder_fn finder, uint32 source,
                  uint32 page_size, text_encoding encoding, uint32 min_columns, uint32 max_columns,
                  bool wal_frames, bool structured, percent_progress* progress, void* context,
                  chunk_done_fn after_chunk) {
    carved_hit_vector_sink sink(hits);
    return scan_into(sink, &hits, regions, file, def, finder, source, page_size, encoding,
                     min_columns, max_columns, wal_frames, structured, progress, context,
                     after_chunk, false) != 0;
}

bool scan_regions(carved_hit_sink& sink, const region_map& regions, uni::fileio& file,
                  const table_definition& def, record_finder_fn finder, uint32 source,
                  uint32 page_size, text_encoding encoding, uint32 min_columns, uint32 max_columns,
                  bool wal_frames, bool structured, percent_progress* progress, void* context,
                  bool across_chunk_ends) {
    return scan_into(sink, nullptr, regions, file, def, finder, source, page_size, encoding,
                     min_columns, max_columns, wal_frames, structured, progress, context, nullptr,
                     across_chunk_ends) != 0;
}

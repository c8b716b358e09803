#pragma once
// Scanning regions of a file (slack, free pages, WAL frames, journal pages, raw chunks) in
// page-sized chunks: each chunk goes to a record finder, each hit is decoded into a
// carved_record tagged with its source. Optionally, chunks that are whole table leaf pages
// are parsed as pages instead.

#include <memory>
#include <utility>
#include <vector>

#include "sqlite/carved_record.h"
#include "sqlite/region_map.h"
#include "sqlite/table_definition.h"
#include "text/byte_reader.h"
#include "text/kq_types.h"

namespace uni {
class fileio;
}
class percent_progress;

// Takes the decoded hits of a scan one at a time, in the order the scan finds them, so that
// a scan of a large file need not hold them all.
class carved_hit_sink {
public:
    carved_hit_sink() = default;
    carved_hit_sink(const carved_hit_sink&) = delete;
    carved_hit_sink& operator=(const carved_hit_sink&) = delete;
    virtual ~carved_hit_sink() = default;
    // The hit is the sink's to keep or move from.
    virtual void take(carved_record& hit) = 0;
};

// Keeps the hits in a vector, for the callers that want them all at the end.
class carved_hit_vector_sink : public carved_hit_sink {
public:
    explicit carved_hit_vector_sink(std::vector<carved_record>& hits) : m_hits(hits) {}
    void take(carved_record& hit) override { m_hits.push_back(std::move(hit)); }

private:
    std::vector<carved_record>& m_hits;
};

// Appends the decoded hits of every chunk of every region to hits (never emptied). The
// column bounds come from def when it has columns, else from min/max_columns. wal_frames
// skips the 24-byte frame header before each chunk; structured parses chunks that are table
// leaf pages. Text values are read in encoding, the text encoding of the database the
// regions belong to, which the finder is told too. Each region's bytes count as done on
// progress (null: none), to which the caller announced them (region_bytes) and which it
// finishes. True when hits grew.
[[nodiscard]] bool scan_regions(std::vector<carved_record>& hits, const region_map& regions,
                                uni::fileio& file, const table_definition& def,
                                record_finder_fn finder, uint32 source, uint32 page_size,
                                text_encoding encoding, uint32 min_columns, uint32 max_columns,
                                bool wal_frames, bool structured, percent_progress* progress,
                                void* context, chunk_done_fn after_chunk);

// As scan_regions, each decoded hit handed to sink instead of kept (no after-chunk call).
// across_chunk_ends, for bytes whose pages may not lie where the chunks are cut (a raw
// chunk): at each chunk end inside a region that no b-tree page header marks as a page
// start, the bytes a quarter page on each side are searched again, and a record that starts
// before the end and runs across it is taken, unless the chunk before gave it or its bytes
// hold a record that chunk gave; the chunk after gives no record from its bytes. True when
// the sink took any hit.
[[nodiscard]] bool scan_regions(carved_hit_sink& sink, const region_map& regions, uni::fileio& file,
                                const table_definition& def, record_finder_fn finder, uint32 source,
                                uint32 page_size, text_encoding encoding, uint32 min_columns,
                                uint32 max_columns, bool wal_frames, bool structured,
                                percent_progress* progress, void* context, bool across_chunk_ends);

// Scans regions whose bytes the caller already holds, as scan_regions scans them from the
// file without frame headers or reads across chunk ends: the same chunks, giving the same hits
// in the same order. A pass that reads every page for another reason (the slack search) then
// feeds the scan of what it found, and the file is read once for both.
struct held_scan_state;
class held_region_scan {
public:
    // As scan_regions' parameters of the same names.
    held_region_scan(carved_hit_sink& sink, const table_definition& def, record_finder_fn finder,
                     uint32 source, uint32 page_size, text_encoding encoding, uint32 min_columns,
                     uint32 max_columns, bool structured, void* context);
    held_region_scan(const held_region_scan&) = delete;
    held_region_scan& operator=(const held_region_scan&) = delete;
    ~held_region_scan();

    // Whether a scan with these settings can give hits at all (scan_regions' gives none
    // without a finder, a page size, or the column count a structured scan needs).
    [[nodiscard]] bool active() const;
    // Scans [offset, offset + length). bytes holds the file from bytes_offset on, at least up
    // to the region's end or the file's end, whichever comes first.
    void scan(uint64 offset, uint64 length, const kq::byte_reader& bytes, uint64 bytes_offset);

private:
    std::unique_ptr<held_scan_state> m_state;
};

// The bytes the regions cover: the work a scan of them announces to its progress.
[[nodiscard]] uint64 region_bytes(const region_map& regions);

// The rowid varint that ends 2 bytes before a hit at p (the byte before p is the record's
// header-size byte): the last byte must have its top bit clear, the earlier ones set. 0
// when it would start before the chunk or p is below 2.
[[nodiscard]] int64 rowid_before_hit(const kq::byte_reader& chunk, std::size_t p);

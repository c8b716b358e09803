#pragma once
// Reads of a file that move forward through it (the slack scan and search, the WAL frame
// walk, a table walk's leaves and overflow chains) served from one larger read: a chunk
// that lies inside the bytes last read is handed out as a view of them instead of costing
// a read of its own. A file of tens of thousands of pages is then read in a few hundred
// calls instead of one per page. Every chunk comes out as a read of it alone would give
// it: clipped at the file's end, and on a failed large read the chunk is read alone, so a
// damaged stretch costs no chunk that a single read could still return.

#include "text/byte_reader.h"
#include "text/kq_types.h"

namespace uni {
class fileio;
}

class read_window {
public:
    // The most bytes one read takes.
    static constexpr uint32 default_span = uint32{1} << 18;

    explicit read_window(uni::fileio& file, uint32 span = default_span);

    // The bytes [offset, offset + length), clipped at the file's end, into out, as the
    // file's own read of them gives them; false when offset is at or past the end, length
    // is 0, or that read fails. A read that is needed reaches on to read_ahead_end, within
    // the span: bytes no later chunk will ask for are not read.
    [[nodiscard]] bool view(uint64 offset, uint32 length, uint64 read_ahead_end,
                            kq::byte_reader& out);

    // As view, for reads that mostly follow one another (a b-tree's leaves and overflow
    // pages, written roughly in file order as rows are appended): a read that lands within
    // a span of the bytes last read doubles the read-ahead, up to the span, and also takes
    // a little before it; one that jumps elsewhere starts it again at its own length, so
    // scattered pages cost no more bytes than reads of their own would.
    [[nodiscard]] bool view_following(uint64 offset, uint32 length, kq::byte_reader& out);

    // The size the file's reads clip at.
    [[nodiscard]] uint64 file_size() const;

private:
    [[nodiscard]] bool holds(uint64 offset, uint64 length) const;
    // As view, a needed read starting at from (at most offset) instead of at offset.
    [[nodiscard]] bool view_from(uint64 from, uint64 offset, uint32 length, uint64 read_ahead_end,
                                 kq::byte_reader& out);

    // The part of view_following's reach it also reads back.
    static constexpr uint64 reach_back_share = 8;

    uni::fileio& m_file;
    uint32 m_span;
    byte_array m_bytes;
    uint64 m_start = 0;
    uint64 m_ahead = 0;   // of view_following
    byte_array m_single;  // a chunk read alone, after a large read failed
};

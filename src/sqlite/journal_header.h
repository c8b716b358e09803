#pragma once
// The rollback journal (the "-journal" companion of a database): its first header and where
// each journaled page's original content lies in the journal file, so that the carver can
// scan those pages. Checksums are not compared: a torn or unsynced journal still holds the
// old page images an examiner wants.

#include <array>
#include <map>

#include "text/kq_types.h"

namespace uni {
class fileio;
}

// The first 516 bytes of a journal: the header sector and the first record's page number.
struct journal_header {
    std::array<uint8, 516> bytes{};

    void clear();
    // length is the number of header bytes available.
    [[nodiscard]] bool is_valid(int32 length) const;
    [[nodiscard]] uint32 page_size() const;
    [[nodiscard]] uint32 nonce() const;
    [[nodiscard]] uint32 initial_pages() const;
    // The header's sector size when the format allows it (a power of two from 512 to
    // 65536), else 512: where the first page record starts.
    [[nodiscard]] uint32 sector_size() const;
    [[nodiscard]] uint32 first_page_number() const;
};

// Why a header is refused; journal_header::is_valid answers none as true.
enum class journal_fault {
    none,
    too_short,        // fewer than 512 header bytes
    empty_header,     // nonce and initial size both 0
    bad_page_size,    // not a power of two from 512 to 65536
    no_magic,         // no magic, and not a zeroed header before a plausible page record
    // Zeroed from the magic to the page size, as a commit under journal_mode=PERSIST leaves
    // it: the records stay, but the header no longer gives their page size or sector.
    persisted,
};
[[nodiscard]] journal_fault check_journal_header(const journal_header& header, int32 length);

// Page number -> journal file offset of that page's saved content, for every whole record
// from the header's sector size on; a page saved twice keeps its first record, and a record
// of page 0 names no page. page_size receives the journal's page size. A persisted journal
// (journal_fault::persisted) is read at the page size the caller passes, the database's,
// from the first of the sectors 512 and 4096 whose record names a plausible page. True when
// at least one page was found.
[[nodiscard]] bool read_journal_pages(std::map<uint64, uint64>& pages, uint32& page_size,
                                      uni::fileio& journal);

// The pages a rollback of the journal writes back into the database: those of the records
// each segment's header counts, from the first header on while each keeps its magic (a hot
// journal; SQLite stops its playback at a header without one, and writes a database page
// only once its record is synced and counted). A header whose count says the journal is not
// synced (no-sync mode) has its records run to the end of the file. A journal a commit
// zeroed, truncated or deleted restores nothing, and so does one that names a super-journal:
// the library plays such a journal back only while its super-journal exists, which it never
// does beside the private copy the library reads. page_size receives the journal's. True when
// a page is restored.
[[nodiscard]] bool read_rollback_pages(std::map<uint64, uint64>& pages, uint32& page_size,
                                       uni::fileio& journal);

// The big-endian word at p (4 readable bytes); 0xFFFFFFFF for a null pointer.
[[nodiscard]] uint32 be32_or_minus1(const uint8* p);

// The journal's page checksum: the nonce plus one byte of every 200 of the page. -1 for a
// null page, fewer bytes than the header's page size, or a nonce or page size of 0.
[[nodiscard]] int32 journal_page_checksum(const journal_header& header, const uint8* page,
                                          uint32 length);

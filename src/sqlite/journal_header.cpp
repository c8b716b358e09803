#include "sqlite/journal_header.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>

#include "io/uni_fileio.h"
#include "sqlite/sqlite_format.h"
#include "text/byte_reader.h"

namespace jf = sqlite_format::journal;

namespace {

uint32 header_word(const journal_header& header, std::size_t at) {
    const kq::byte_reader view(header.bytes.data(), header.bytes.size());
    uint32 value = 0;
    (void)view.be32_at(at, value);  // every named offset lies inside the 516 bytes
    return value;
}

bool is_page_size(uint32 size) {
    return size >= jf::min_page_size && size <= jf::max_page_size && std::has_single_bit(size);
}

// Whether the first `count` bytes are all zero: a magic not yet written (a segment copied
// before its first sync), or a whole header zeroed at commit (journal_mode=PERSIST).
bool is_zeroed(const kq::byte_reader& view, std::size_t count) {
    for (std::size_t at = 0; at < count; ++at) {
        uint8 b = 0;
        if (!view.u8_at(at, b) || b != 0) {
            return false;
        }
    }
    return true;
}

bool read_exact(uni::fileio& file, uint8* buffer, uint32 length, uint64 offset) {
    uint32 got = length;
    return file.read_at(buffer, &got, offset) && got == length;
}

constexpr uint64 all_records = std::numeric_limits<uint64>::max();

// A segment still being written, or a journal written without syncs, has its records run to
// the end of the file.
uint64 record_limit(uint32 stored) {
    return stored == jf::record_count_unsynced || stored == jf::record_count_no_sync
               ? all_records
               : stored;
}

// Adds page number -> data offset for up to limit whole records from at; a record that ends
// exactly at the end of the file is whole (a journal copied mid-transaction ends so).
// Returns the offset after the last record taken.
uint64 read_records(std::map<uint64, uint64>& pages, uni::fileio& journal, uint64 at,
                    uint64 record_size, uint64 limit, bool& short_read) {
    const uint64 file_size = journal.size();
    for (uint64 n = 0; n < limit && at <= file_size && record_size <= file_size - at; ++n) {
        std::array<uint8, 4> number{};
        if (!read_exact(journal, number.data(), 4, at + jf::record_page_number)) {
            short_read = true;
            break;
        }
        // A page journaled twice keeps its first image, the content before the transaction;
        // page numbers start at 1, so a record of page 0 saves no page.
        const uint32 page = be32_or_minus1(number.data());
        if (page != 0) {
            (void)pages.emplace(page, at + jf::record_page_data);
        }
        at += record_size;
    }
    return at;
}

// A later segment's header: the magic (or zeros, not yet synced), the journal's page size,
// and a nonce or initial size as every header written by SQLite has.
bool read_segment_header(uni::fileio& journal, uint64 at, uint32 page_size, uint32& count) {
    std::array<uint8, jf::segment_header_fields> fields{};
    if (!read_exact(journal, fields.data(), static_cast<uint32>(fields.size()), at)) {
        return false;
    }
    const kq::byte_reader view(fields.data(), fields.size());
    bool magic = true;
    bool zero = true;
    for (std::size_t i = 0; i < jf::magic_size; ++i) {
        uint8 b = 0;
        (void)view.u8_at(i, b);  // inside the 28 bytes
        magic = magic && b == jf::magic[i];
        zero = zero && b == 0;
    }
    uint32 size = 0;
    uint32 nonce = 0;
    uint32 initial = 0;
    if ((!magic && !zero) || !view.be32_at(jf::page_size, size) || size != page_size ||
        !view.be32_at(jf::nonce, nonce) || !view.be32_at(jf::initial_pages, initial) ||
        (nonce == 0 && initial == 0)) {
        return false;
    }
    return view.be32_at(jf::record_count, count);
}

// A record at `at` whose page number is one a database can have; a sector other than the
// journal's own puts the header's zero padding, or bytes inside a page, there instead.
bool names_plausible_page(uni::fileio& journal, uint64 at, uint64 record_size) {
    const uint64 file_size = journal.size();
    std::array<uint8, 4> number{};
    if (at > file_size || record_size > file_size - at ||
        !read_exact(journal, number.data(), 4, at + jf::record_page_number)) {
        return false;
    }
    const uint32 page = be32_or_minus1(number.data());
    return page >= 1 && page <= jf::max_plausible_page;
}

// The records of a persisted journal, which run from the header's sector to the end of the
// file: the last transaction's, then any older ones a larger transaction left beyond them.
bool read_persisted_records(std::map<uint64, uint64>& pages, uni::fileio& journal,
                            uint32 page_size) {
    if (!is_page_size(page_size)) {
        return false;  // no database page size to read the records at
    }
    const uint64 record_size = uint64{page_size} + jf::record_overhead;
    for (const uint32 sector : jf::persisted_sectors) {
        if (names_plausible_page(journal, sector, record_size)) {
            bool short_read = false;
            (void)read_records(pages, journal, sector, record_size, all_records, short_read);
            break;  // the end reached, or a short read: what was read stays
        }
    }
    return !pages.empty();
}

// Whether a journal header at `at` starts with the magic: written once its segment's records
// were synced, which is when SQLite plays the segment back.
bool has_magic_at(uni::fileio& journal, uint64 at) {
    std::array<uint8, jf::magic_size> magic{};
    return read_exact(journal, magic.data(), jf::magic_size, at) &&
           std::equal(magic.begin(), magic.end(), std::begin(jf::magic));
}

}  // namespace

void journal_header::clear() { bytes.fill(0); }

uint32 journal_header::page_size() const { return header_word(*this, jf::page_size); }

uint32 journal_header::nonce() const { return header_word(*this, jf::nonce); }

uint32 journal_header::initial_pages() const { return header_word(*this, jf::initial_pages); }

uint32 journal_header::sector_size() const {
    const uint32 stored = header_word(*this, jf::sector_size);
    return stored >= jf::sector && stored <= jf::max_sector && std::has_single_bit(stored)
               ? stored
               : static_cast<uint32>(jf::sector);
}

uint32 journal_header::first_page_number() const {
    return header_word(*this, jf::first_record + jf::record_page_number);
}

journal_fault check_journal_header(const journal_header& header, int32 length) {
    if (length < static_cast<int32>(jf::first_record)) {
        return journal_fault::too_short;
    }
    if (is_zeroed(kq::byte_reader(header.bytes.data(), header.bytes.size()),
                  jf::persisted_zeroed)) {
        return journal_fault::persisted;
    }
    if (header.nonce() == 0 && header.initial_pages() == 0) {
        return journal_fault::empty_header;
    }
    // Any other page size would make every record offset after the first one wrong.
    if (!is_page_size(header.page_size())) {
        return journal_fault::bad_page_size;
    }
    const std::size_t available = std::min<std::size_t>(static_cast<std::size_t>(length),
                                                        header.bytes.size());
    const kq::byte_reader view(header.bytes.data(), available);
    uint8 m0 = 0;
    uint8 m1 = 0;
    if (view.u8_at(0, m0) && view.u8_at(1, m1) && m0 == jf::magic[0] && m1 == jf::magic[1]) {
        return journal_fault::none;
    }
    if (available < jf::header_read_size || !is_zeroed(view, jf::magic_size)) {
        return journal_fault::no_magic;
    }
    const uint32 first = header.first_page_number();
    return first >= 1 && first <= jf::max_plausible_page ? journal_fault::none
                                                         : journal_fault::no_magic;
}

bool journal_header::is_valid(int32 length) const {
    return check_journal_header(*this, length) == journal_fault::none;
}

bool read_journal_pages(std::map<uint64, uint64>& pages, uint32& page_size, uni::fileio& journal) {
    pages.clear();
    journal_header header;
    if (!journal.is_open() || !read_exact(journal, header.bytes.data(), jf::header_read_size, 0)) {
        return false;
    }
    const journal_fault fault =
        check_journal_header(header, static_cast<int32>(jf::header_read_size));
    if (fault == journal_fault::persisted) {
        return read_persisted_records(pages, journal, page_size);
    }
    if (fault != journal_fault::none) {
        return false;
    }
    page_size = header.page_size();
    const uint64 record_size = uint64{page_size} + jf::record_overhead;
    const uint64 sector = header.sector_size();
    uint64 at = sector;
    uint64 limit = record_limit(header_word(header, jf::record_count));
    // Every round either reads to the end of the file or moves at least one sector on.
    while (true) {
        bool short_read = false;
        at = read_records(pages, journal, at, record_size, limit, short_read);
        if (short_read || limit == all_records) {
            break;
        }
        // A journal synced during its transaction goes on with a new header at the next
        // sector boundary; reading records straight on would misalign every later page.
        const uint64 next = (at + sector - 1) / sector * sector;
        uint32 count = 0;
        if (read_segment_header(journal, next, page_size, count)) {
            at = next + sector;
            limit = record_limit(count);
            continue;
        }
        limit = all_records;  // no header where one belongs: what follows is taken as records
    }
    return !pages.empty() && page_size != 0;
}

namespace {

// Whether the journal ends with a super-journal's name whose length and checksum read as the
// library reads them: a name of at least one byte, inside the file, its bytes summing to the
// checksum.
bool names_super_journal(uni::fileio& journal) {
    const uint64 size = journal.query_size();
    std::array<uint8, jf::super_trailer_size> trailer{};
    if (size < jf::super_trailer_size ||
        !read_exact(journal, trailer.data(), jf::super_trailer_size, size - jf::super_trailer_size)) {
        return false;
    }
    const kq::byte_reader tail(trailer.data(), trailer.size());
    const std::size_t from = jf::super_trailer_size;
    uint32 length = 0;
    uint32 checksum = 0;
    byte_array name;
    if (!std::equal(std::begin(jf::magic), std::end(jf::magic),
                    trailer.begin() + (from - jf::super_magic_from_end)) ||
        !tail.be32_at(from - jf::super_length_from_end, length) ||
        !tail.be32_at(from - jf::super_checksum_from_end, checksum) || length == 0 ||
        length > size - jf::super_trailer_size || length > jf::max_super_name) {
        return false;
    }
    name.resize(length);
    if (!read_exact(journal, name.data(), length, size - jf::super_trailer_size - length)) {
        return false;
    }
    uint32 sum = 0;
    for (const uint8 b : name) {
        sum += b;
    }
    return sum == checksum;
}

}  // namespace

bool read_rollback_pages(std::map<uint64, uint64>& pages, uint32& page_size, uni::fileio& journal) {
    pages.clear();
    journal_header header;
    if (!journal.is_open() || !read_exact(journal, header.bytes.data(), jf::header_read_size, 0) ||
        !has_magic_at(journal, 0) || names_super_journal(journal) ||
        check_journal_header(header, static_cast<int32>(jf::header_read_size)) !=
            journal_fault::none) {
        return false;
    }
    page_size = header.page_size();
    const uint64 record_size = uint64{page_size} + jf::record_overhead;
    const uint64 sector = header.sector_size();
    uint32 count = header_word(header, jf::record_count);
    // Every round moves at least one sector on: the walk ends at the file's end.
    for (uint64 at = 0;;) {
        const uint64 limit = count == jf::record_count_no_sync ? all_records : count;
        bool short_read = false;
        const uint64 end =
            read_records(pages, journal, at + sector, record_size, limit, short_read);
        if (short_read || limit == all_records) {
            break;
        }
        at = (end + sector - 1) / sector * sector;
        if (!has_magic_at(journal, at) || !read_segment_header(journal, at, page_size, count)) {
            break;
        }
    }
    return !pages.empty();
}

uint32 be32_or_minus1(const uint8* p) {
    if (p == nullptr) {
        return 0xFFFFFFFFU;
    }
    uint32 value = 0;
    (void)kq::byte_reader(p, 4).be32_at(0, value);  // callers pass 4 readable bytes
    return value;
}

int32 journal_page_checksum(const journal_header& header, const uint8* page, uint32 length) {
    const uint32 size = header.page_size();
    const uint32 nonce = header.nonce();
    if (page == nullptr || length < size || nonce == 0 || size == 0) {
        return -1;
    }
    const kq::byte_reader view(page, length);
    uint32 sum = nonce;
    // Offsets page size - 200, - 400, ... down to the last one above 0.
    for (int64 at = int64{size} - jf::checksum_stride; at > 0; at -= jf::checksum_stride) {
        uint8 b = 0;
        (void)view.u8_at(static_cast<std::size_t>(at), b);  // at < size <= length
        sum += b;
    }
    return static_cast<int32>(sum);
}

#include "sqlite/db_file.h"

#include <bit>
#include <cstring>

#include "io/uni_fileio.h"
#include "sqlite/btree_page.h"
#include "sqlite/sqlite_format.h"

namespace fh = sqlite_format::file_header;
namespace dh = sqlite_format::db_header;
namespace bt = sqlite_format::btree_page;

void sqlite_db_header::clear() { bytes.fill(0); }

uint32 decode_page_size(uint32 field) {
    return field == fh::page_size_65536_code ? fh::page_size_65536 : field;
}

bool is_valid_page_size(uint32 page_size) {
    return page_size >= bt::min_page_size && page_size <= dh::max_page_size &&
           std::has_single_bit(page_size);
}

uint32 sqlite_db_header::page_size() const {
    uint16 v = 0;
    (void)kq::byte_reader(bytes.data(), bytes.size()).be16_at(fh::page_size, v);  // inside
    return decode_page_size(v);
}

bool sqlite_db_header::page_size_valid() const { return is_valid_page_size(page_size()); }

uint8 sqlite_db_header::reserved_bytes() const {
    uint8 v = 0;
    (void)kq::byte_reader(bytes.data(), bytes.size()).u8_at(fh::reserved_bytes, v);  // inside
    return v;
}

uint32 sqlite_db_header::freelist_trunk() const {
    uint32 v = 0;
    (void)kq::byte_reader(bytes.data(), bytes.size()).be32_at(dh::freelist_trunk, v);  // inside
    return v;
}

uint32 sqlite_db_header::page_count() const {
    const kq::byte_reader view(bytes.data(), bytes.size());
    uint32 count = 0;
    uint32 changes = 0;
    uint32 valid_for = 0;
    (void)view.be32_at(dh::page_count, count);  // all three inside the header
    (void)view.be32_at(dh::change_counter, changes);
    (void)view.be32_at(dh::version_valid_for, valid_for);
    return changes == valid_for ? count : 0;
}

text_encoding sqlite_db_header::encoding() const {
    uint32 v = 0;
    (void)kq::byte_reader(bytes.data(), bytes.size()).be32_at(fh::text_encoding, v);  // inside
    return text_encoding_of(v);
}

bool sqlite_db_header::is_utf8() const { return encoding() == text_encoding::utf8; }

bool is_sqlite_header(const kq::byte_reader& bytes) {
    return bytes.has(0, fh::magic_length) &&
           std::memcmp(bytes.data(), fh::magic, fh::magic_length) == 0;
}

bool is_sqlite_header(const uint8* bytes) {
    return is_sqlite_header(kq::byte_reader(bytes, fh::magic_length));
}

uint64 pages_in_file(uint64 file_size, uint32 page_size) {
    return page_size == 0 ? 0 : file_size / page_size + (file_size % page_size != 0 ? 1 : 0);
}

bool open_db_file(uni::fileio& file, sqlite_db_header& header, const std::string& path) {
    header.clear();
    if (!file.open(path, false, true, false)) {
        return false;
    }
    uint32 got = fh::size;
    if (file.size() < dh::min_file_size || !file.read_at(header.bytes.data(), &got, 0) ||
        got != fh::size || !is_sqlite_header(kq::byte_reader(header.bytes.data(), got)) ||
        !header.page_size_valid()) {
        // Any other size would misplace every page after the first.
        (void)file.close();  // opened for reading only: nothing to lose
        return false;
    }
    return true;
}

bool get_db_info(uni::fileio& file, uint64& file_size, uint32& page_size, uint8& reserved,
                 const std::string& path) {
    sqlite_db_header header;
    if (!open_db_file(file, header, path)) {
        return false;
    }
    page_size = header.page_size();
    reserved = header.reserved_bytes();
    file_size = file.size();
    return true;
}

bool page_size_from_header(std::ostream* dump, uint32& page_size, const uint8* header,
                           uint32 length) {
    (void)dump;  // the parser prints nothing
    const kq::byte_reader view(header, length);
    uint16 field = 0;
    if (view.size() < fh::size || !is_sqlite_header(view) || !view.be16_at(fh::page_size, field)) {
        return false;
    }
    page_size = decode_page_size(field);
    return true;
}

bool page_size_of_file(uint32& page_size, uni::fileio& file) {
    std::array<uint8, fh::size> bytes{};
    uint32 got = fh::size;
    if (!file.is_open() || file.size() < fh::size || !file.read_at(bytes.data(), &got, 0) ||
        got != fh::size) {
        return false;
    }
    uint16 field = 0;
    (void)kq::byte_reader(bytes.data(), bytes.size()).be16_at(fh::page_size, field);  // inside
    page_size = decode_page_size(field);
    return true;
}

namespace {

// The smallest page size that holds a cell content area starting at `content_start`.
uint32 page_size_above(uint32 content_start) {
    for (uint32 size = bt::min_page_size; size <= dh::max_page_size; size *= 2) {
        if (size > content_start) {
            return size;
        }
    }
    return 0;
}

// A page size read at `at`: the database header's field, or derived from a b-tree header.
uint32 page_size_at(const kq::byte_reader& buffer, std::size_t at) {
    kq::byte_reader here;
    if (!buffer.tail(at, here)) {
        return 0;
    }
    uint16 field = 0;
    if (is_sqlite_header(here)) {
        return here.be16_at(fh::page_size, field) ? decode_page_size(field) : 0;
    }
    if (!is_btree_page(here, 0) || !here.be16_at(bt::content_start, field) || field == 0) {
        return 0;
    }
    return page_size_above(field);
}

}  // namespace

bool guess_page_size(uint32& page_size, uint64& offset, const uint8* buffer, uint64 length) {
    const kq::byte_reader view(buffer, static_cast<std::size_t>(length));
    std::size_t at = 0;
    for (; at + bt::min_page_size < view.size(); ++at) {
        const uint32 size = page_size_at(view, at);
        if (size != 0) {
            page_size = size;
            offset = at;
            return true;
        }
    }
    offset = at;  // how far the scan got
    return false;
}

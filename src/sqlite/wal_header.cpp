#include "sqlite/wal_header.h"

#include <bit>

namespace wf = sqlite_format::wal_file;
namespace wr = sqlite_format::wal_frame;

void wal_header::clear() { m_bytes.fill(0); }

bool wal_header::read(const kq::byte_reader& bytes) {
    clear();
    return bytes.copy_to(0, m_bytes.size(), m_bytes.data());
}

bool wal_header::read(const uint8* data, uint32 length) {
    return read(kq::byte_reader(data, length));
}

uint32 wal_header::word(std::size_t offset) const {
    uint32 v = 0;
    (void)kq::byte_reader(m_bytes.data(), m_bytes.size()).be32_at(offset, v);  // inside
    return v;
}

uint32 wal_header::magic() const { return word(wf::magic); }
uint32 wal_header::version() const { return word(wf::version); }
uint32 wal_header::page_size() const { return word(wf::page_size); }
uint32 wal_header::checkpoint_sequence() const { return word(wf::checkpoint_sequence); }
uint32 wal_header::salt_1() const { return word(wf::salt_1); }
uint32 wal_header::salt_2() const { return word(wf::salt_2); }
uint32 wal_header::checksum_1() const { return word(wf::checksum_1); }
uint32 wal_header::checksum_2() const { return word(wf::checksum_2); }
bool wal_header::big_endian_checksum() const { return (magic() & wf::magic_big_endian_bit) != 0; }

wal_header_fault wal_header::check() const {
    if (magic() != wf::magic_little_endian && magic() != wf::magic_big_endian) {
        return wal_header_fault::bad_magic;
    }
    if (version() == 0) {
        return wal_header_fault::no_version;
    }
    // The log holds pages of the database's own size, and the format allows only powers of
    // two from 512 to 65536 (1.3.2); anything else would misplace every frame after the first.
    const uint32 bytes = page_size();
    if (!std::has_single_bit(bytes) || bytes < wf::min_page_size || bytes > wf::max_page_size) {
        return wal_header_fault::bad_page_size;
    }
    return wal_header_fault::none;
}

bool wal_header::is_valid() const { return check() == wal_header_fault::none; }

void wal_frame_header::clear() { m_bytes.fill(0); }

bool wal_frame_header::read(const kq::byte_reader& bytes) {
    clear();
    return bytes.copy_to(0, m_bytes.size(), m_bytes.data());
}

uint32 wal_frame_header::word(std::size_t offset) const {
    uint32 v = 0;
    (void)kq::byte_reader(m_bytes.data(), m_bytes.size()).be32_at(offset, v);  // inside
    return v;
}

uint32 wal_frame_header::page_number() const { return word(wr::page_number); }
uint32 wal_frame_header::commit_size() const { return word(wr::commit_size); }
uint32 wal_frame_header::salt_1() const { return word(wr::salt_1); }
uint32 wal_frame_header::salt_2() const { return word(wr::salt_2); }
uint32 wal_frame_header::checksum_1() const { return word(wr::checksum_1); }
uint32 wal_frame_header::checksum_2() const { return word(wr::checksum_2); }

bool wal_frame_header::salts_match(const wal_header& header) const {
    // Equal big-endian words are equal stored bytes.
    return salt_1() == header.salt_1() && salt_2() == header.salt_2();
}

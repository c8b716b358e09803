#include "sqlite/wal_checksum.h"

#include "sqlite/sqlite_format.h"

namespace wf = sqlite_format::wal_file;

namespace {

uint32 word_at(const kq::byte_reader& bytes, std::size_t at, bool big_endian) {
    uint32 v = 0;
    // The caller checked the pair lies inside.
    (void)(big_endian ? bytes.be32_at(at, v) : bytes.le32_at(at, v));
    return v;
}

}  // namespace

bool wal_checksum::add(const kq::byte_reader& bytes) {
    if (bytes.size() % wf::checksum_word_pair != 0) {
        return false;
    }
    uint32 s1 = m_s1;
    uint32 s2 = m_s2;
    for (std::size_t at = 0; at < bytes.size(); at += wf::checksum_word_pair) {
        // SQLite file format 4.3: s1 += x(i) + s2; s2 += x(i+1) + s1, modulo 2^32.
        s1 += word_at(bytes, at, m_big_endian) + s2;
        s2 += word_at(bytes, at + 4, m_big_endian) + s1;
    }
    m_s1 = s1;
    m_s2 = s2;
    return true;
}

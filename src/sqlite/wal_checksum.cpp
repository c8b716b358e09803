#include "sqlite/wal_checksum.h"

#include <span>

#include "sqlite/sqlite_format.h"

namespace wf = sqlite_format::wal_file;

namespace {

constexpr std::size_t word_size = wf::checksum_word_pair / 2;

// The 32-bit word of the four bytes given, in the log's byte order.
template <bool big_endian>
uint32 word_of(std::span<const uint8, word_size> b) {
    if constexpr (big_endian) {
        return (uint32{b[0]} << 24) | (uint32{b[1]} << 16) | (uint32{b[2]} << 8) | uint32{b[3]};
    } else {
        return (uint32{b[3]} << 24) | (uint32{b[2]} << 16) | (uint32{b[1]} << 8) | uint32{b[0]};
    }
}

// SQLite file format 4.3: s1 += x(i) + s2; s2 += x(i+1) + s1, modulo 2^32, over word pairs.
// The byte order is fixed for the whole run, so it is chosen once, not per word.
template <bool big_endian>
void add_pairs(std::span<const uint8> bytes, uint32& s1, uint32& s2) {
    for (std::size_t at = 0; at + wf::checksum_word_pair <= bytes.size();
         at += wf::checksum_word_pair) {
        s1 += word_of<big_endian>(bytes.subspan(at).first<word_size>()) + s2;
        s2 += word_of<big_endian>(bytes.subspan(at + word_size).first<word_size>()) + s1;
    }
}

}  // namespace

bool wal_checksum::add(const kq::byte_reader& bytes) {
    if (bytes.size() % wf::checksum_word_pair != 0) {
        return false;
    }
    const std::span<const uint8> all(bytes.data(), bytes.size());
    if (m_big_endian) {
        add_pairs<true>(all, m_s1, m_s2);
    } else {
        add_pairs<false>(all, m_s1, m_s2);
    }
    return true;
}

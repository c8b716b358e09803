#pragma once
// The cumulative checksum of a write-ahead log (4.3). SQLite takes a frame as part of the
// log only while this chain, started over the header and carried through every frame before
// it, equals the two checksum words the frame stores; the first frame that breaks it ends
// what the log holds.

#include "text/byte_reader.h"
#include "text/kq_types.h"

class wal_checksum {
public:
    // big_endian: the data words are read big-endian (the log magic's low bit set).
    explicit wal_checksum(bool big_endian) : m_big_endian(big_endian) {}

    // Carries the chain over bytes, a whole number of 8-byte word pairs; false, chain
    // unchanged, otherwise.
    [[nodiscard]] bool add(const kq::byte_reader& bytes);
    [[nodiscard]] bool matches(uint32 stored_1, uint32 stored_2) const {
        return m_s1 == stored_1 && m_s2 == stored_2;
    }
    [[nodiscard]] uint32 s1() const { return m_s1; }
    [[nodiscard]] uint32 s2() const { return m_s2; }

private:
    bool m_big_endian;
    uint32 m_s1 = 0;
    uint32 m_s2 = 0;
};

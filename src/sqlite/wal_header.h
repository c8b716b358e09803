#pragma once
// The write-ahead log's 32-byte file header and 24-byte frame header (4.1 WAL File Format),
// kept as their raw bytes and decoded at the named offsets by the accessors. The checksums
// are checked by the frame reader (wal_checksum.h).

#include <array>
#include <cstddef>

#include "sqlite/sqlite_format.h"
#include "text/byte_reader.h"
#include "text/kq_types.h"

// Why a log header is not taken; wal_header::is_valid answers none as true.
enum class wal_header_fault {
    none,
    bad_magic,      // neither of the two magic numbers
    no_version,     // file format version 0
    bad_page_size,  // not a power of two from 512 to 65536
};

class wal_header {
public:
    static constexpr std::size_t size = sqlite_format::wal_file::header_size;

    // Zeroes the 32 bytes.
    void clear();
    // Copies the first 32 bytes of the view; false, header cleared, when it is shorter.
    [[nodiscard]] bool read(const kq::byte_reader& bytes);
    [[nodiscard]] bool read(const uint8* data, uint32 length);

    [[nodiscard]] wal_header_fault check() const;
    [[nodiscard]] bool is_valid() const;

    [[nodiscard]] uint32 magic() const;
    [[nodiscard]] uint32 version() const;
    [[nodiscard]] uint32 page_size() const;
    [[nodiscard]] uint32 checkpoint_sequence() const;
    [[nodiscard]] uint32 salt_1() const;
    [[nodiscard]] uint32 salt_2() const;
    [[nodiscard]] uint32 checksum_1() const;
    [[nodiscard]] uint32 checksum_2() const;
    // The checksum reads data words big-endian (the magic's low bit set).
    [[nodiscard]] bool big_endian_checksum() const;
    [[nodiscard]] const std::array<uint8, size>& bytes() const { return m_bytes; }

private:
    [[nodiscard]] uint32 word(std::size_t offset) const;
    std::array<uint8, size> m_bytes{};
};

class wal_frame_header {
public:
    static constexpr std::size_t size = sqlite_format::wal_frame::header_size;

    void clear();
    [[nodiscard]] bool read(const kq::byte_reader& bytes);

    [[nodiscard]] uint32 page_number() const;
    // The database size in pages after the commit; non-zero only on a commit frame.
    [[nodiscard]] uint32 commit_size() const;
    [[nodiscard]] bool is_commit() const { return commit_size() != 0; }
    [[nodiscard]] uint32 salt_1() const;
    [[nodiscard]] uint32 salt_2() const;
    [[nodiscard]] uint32 checksum_1() const;
    [[nodiscard]] uint32 checksum_2() const;
    [[nodiscard]] const std::array<uint8, size>& bytes() const { return m_bytes; }
    // Both salts equal the log header's: the frame belongs to the current log generation.
    [[nodiscard]] bool salts_match(const wal_header& header) const;

private:
    [[nodiscard]] uint32 word(std::size_t offset) const;
    std::array<uint8, size> m_bytes{};
};

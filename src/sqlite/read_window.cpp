#include "sqlite/read_window.h"

#include <algorithm>

#include "io/uni_fileio.h"

read_window::read_window(uni::fileio& file, uint32 span) : m_file(file), m_span(span) {}

uint64 read_window::file_size() const { return m_file.size(); }

bool read_window::holds(uint64 offset, uint64 length) const {
    return offset >= m_start && offset - m_start <= m_bytes.size() &&
           length <= m_bytes.size() - (offset - m_start);
}

bool read_window::view(uint64 offset, uint32 length, uint64 read_ahead_end,
                       kq::byte_reader& out) {
    const uint64 file_size = m_file.size();
    if (length == 0 || offset >= file_size) {
        return false;
    }
    // What a read of the chunk alone returns: the file's reads clip at its size.
    const uint64 wanted = std::min<uint64>(length, file_size - offset);
    if (!holds(offset, wanted)) {
        const uint64 ahead = read_ahead_end > offset ? read_ahead_end - offset : 0;
        const uint64 take = std::max<uint64>(wanted, std::min<uint64>(ahead, m_span));
        m_start = offset;
        if (!m_file.read_at(m_bytes, take, offset) || !holds(offset, wanted)) {
            m_bytes.clear();
            // The chunk alone, taken as the file gives it.
            if (!m_file.read_at(m_single, wanted, offset) || m_single.empty()) {
                return false;
            }
            out = kq::byte_reader(m_single);
            return true;
        }
    }
    return kq::byte_reader(m_bytes).sub(static_cast<std::size_t>(offset - m_start),
                                        static_cast<std::size_t>(wanted), out);
}

#include "sqlite/read_window.h"

#include <algorithm>

#include "io/uni_fileio.h"

read_window::read_window(uni::fileio& file, uint32 span) : m_file(file), m_span(span) {}

uint64 read_window::file_size() const { return m_file.size(); }

bool read_window::holds(uint64 offset, uint64 length) const {
    return offset >= m_start && offset - m_start <= m_bytes.size() &&
           length <= m_bytes.size() - (offset - m_start);
}

bool read_window::view(uint64 offset, uint32 length, uint64 read_ahead_end, kq::byte_reader& out) {
    return view_from(offset, offset, length, read_ahead_end, out);
}

bool read_window::view_from(uint64 from, uint64 offset, uint32 length, uint64 read_ahead_end,
                            kq::byte_reader& out) {
    const uint64 file_size = m_file.size();
    if (length == 0 || offset >= file_size) {
        return false;
    }
    // What a read of the chunk alone returns: the file's reads clip at its size.
    const uint64 wanted = std::min<uint64>(length, file_size - offset);
    if (!holds(offset, wanted)) {
        const uint64 ahead = read_ahead_end > offset ? read_ahead_end - offset : 0;
        const uint64 take =
            (offset - from) + std::max<uint64>(wanted, std::min<uint64>(ahead, m_span));
        m_start = from;
        if (!m_file.read_at(m_bytes, take, from) || !holds(offset, wanted)) {
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

bool read_window::view_following(uint64 offset, uint32 length, kq::byte_reader& out) {
    const uint64 file_size = m_file.size();
    if (length == 0 || offset >= file_size) {
        return false;
    }
    uint64 from = offset;
    if (!holds(offset, std::min<uint64>(length, file_size - offset))) {
        const uint64 end = m_start + m_bytes.size();
        const bool near = !m_bytes.empty() && offset + m_span >= m_start && offset <= end + m_span;
        m_ahead = near ? std::min<uint64>(std::max<uint64>(m_ahead, length) * 2, m_span) : length;
        // Near reads come a few chunks out of order: a new read starts an eighth of its
        // reach early (in whole chunks), where those that come back a little will find it.
        if (near) {
            const uint64 back = std::min(offset, m_ahead / reach_back_share);
            from = offset - back + back % length;
        }
    }
    const uint64 reach = file_size - offset;  // offset is inside: no wrap below
    return view_from(from, offset, length, offset + std::min(m_ahead, reach), out);
}

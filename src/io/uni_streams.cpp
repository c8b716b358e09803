#include "io/uni_streams.h"

#include <new>
#include <span>

#include "io/uni_fileio.h"

namespace uni {

fileio_ostream::fileio_ostream(fileio* sink, int size) : streambuf_generic_output<char>(size) {
    reset();
    if (usable()) {
        m_sink = sink;
        m_bound = sink != nullptr && sink->is_valid();
    }
}

fileio_ostream::~fileio_ostream() {
    // The last block goes out here; a failure is kept by the sink for its close() to tell.
    (void)flush();
}

void fileio_ostream::reset() {
    m_sink = nullptr;
    m_bound = false;
}

int fileio_ostream::write(const char* data, int length) {
    if (m_sink == nullptr || length < 0) {
        return -1;
    }
    return m_sink->append(data, static_cast<uint32>(length)) ? length : -1;
}

fileio_stats_ostream::fileio_stats_ostream(fileio_stats* sink, int size)
    : streambuf_generic_output<char>(size) {
    reset();
    if (usable()) {
        m_bound = true;
        m_sink = sink;
    }
}

fileio_stats_ostream::~fileio_stats_ostream() { (void)flush(); }

void fileio_stats_ostream::reset() {
    m_sink = nullptr;
    m_bound = false;
}

int fileio_stats_ostream::write(const char* data, int length) {
    if (m_sink == nullptr || data == nullptr || length < 0) {
        return -1;
    }
    if (length == 0) {
        return 0;  // add() refuses an empty block; there is nothing to count
    }
    // Stream characters viewed as the unsigned bytes they are (char aliasing is allowed).
    const auto* bytes = reinterpret_cast<const uint8*>(data);  // NOLINT(*-reinterpret-cast)
    return m_sink->add(bytes, static_cast<uint32>(length)) ? length : -1;
}

fileio_output::fileio_output(fileio* sink, int size)
    : std::ostream(nullptr), m_streambuf(sink, size), m_spare(nullptr) {
    if (m_streambuf.bound()) {
        rdbuf(&m_streambuf);
        m_attached = true;
    }
}

fileio_output::~fileio_output() {
    if (m_attached) {
        std::ostream::flush();  // reaches only the buffer's no-op sync
        m_attached = false;
    }
}

fileio_stats_output::fileio_stats_output(fileio_stats* sink, int size)
    : std::ostream(nullptr), m_streambuf(sink, size), m_spare(nullptr) {
    if (m_streambuf.bound()) {
        rdbuf(&m_streambuf);
        m_attached = true;
    }
}

fileio_stats_output::~fileio_stats_output() {
    if (m_attached) {
        std::ostream::flush();
        m_attached = false;
    }
}

fileio_stats::fileio_stats() { reset(); }

fileio_stats::~fileio_stats() { close_ostream(); }

void fileio_stats::reset() { m_total = 0; }

bool fileio_stats::add(const uint8* data, uint32 length) {
    if (data == nullptr || length == 0) {
        return false;
    }
    for (const uint8 b : std::span<const uint8>(data, length)) {
        m_total += b;
    }
    return true;
}

std::ostream* fileio_stats::get_ostream() {
    if (m_output) {
        return m_output.get();
    }
    m_output.reset(new (std::nothrow) fileio_stats_output(this, output_buffer_size));
    return m_output.get();
}

void fileio_stats::flush() {
    if (m_output) {
        m_output->flush();
    }
}

void fileio_stats::close_ostream() {
    if (m_output) {
        m_output->flush();
        m_output.reset();
    }
}

}  // namespace uni

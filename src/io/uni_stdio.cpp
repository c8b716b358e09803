#include "io/uni_stdio.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <span>

#include "io/uni_encoding.h"
#include "text/path_text.h"

namespace uni {

stdin_stream::stdin_stream(bool flag) {
    reset();
    m_line_size = line_buffer_size;
    m_file = stdin;
    if (m_file == nullptr) {
        return;
    }
    try {
        m_line.assign(m_line_size, '\0');
    } catch (const std::bad_alloc&) {
        return;
    }
    m_ready = true;
    m_flag = flag;
}

stdin_stream::~stdin_stream() { release(); }

void stdin_stream::reset() {
    m_line.clear();
    m_file = nullptr;
    m_ready = false;
    m_line_size = 0;
    m_reserved = 0;
    m_piece_length = 0;
}

void stdin_stream::release() {
    m_line.clear();
    m_line.shrink_to_fit();
    m_file = nullptr;
    m_ready = false;
}

bool stdin_stream::next_line() {
    m_piece_length = 0;
    if (!m_ready || m_file == nullptr || m_line.size() < 2) {
        return false;
    }
    // Byte by byte instead of fgets, so a NUL inside a line cannot hide its length; the
    // last buffer byte stays free for the terminator.
    const std::size_t capacity = m_line.size() - 1;
    while (m_piece_length < capacity) {
        const int c = std::getc(m_file);
        if (c == EOF) {
            break;
        }
        m_line[m_piece_length++] = static_cast<char>(c);
        if (c == '\n') {
            break;
        }
    }
    m_line[m_piece_length] = '\0';
    return m_piece_length > 0;
}

bool stdin_stream::read_whole_line(std::string& out) {
    out.clear();
    if (!next_line()) {
        return false;
    }
    // A line longer than the buffer comes in pieces; only the last ends in a line break.
    for (;;) {
        out.append(m_line.data(), m_piece_length);
        const bool ended = m_line[m_piece_length - 1] == '\n';
        if (ended || m_piece_length < m_line.size() - 1 || !next_line()) {
            return true;
        }
    }
}

bool stdin_stream::read_line(std::string& out, bool trim) {
    if (!read_whole_line(out)) {
        return false;
    }
    if (trim) {
        (void)strip_trailing_newlines(out);
    }
    return true;
}

bool stdin_stream::read_line(std::wstring& out, bool trim) {
    out.clear();
    std::string line;
    if (!read_line(line, trim)) {
        return false;
    }
    // A malformed line keeps the part decoded before its fault; an empty one stays empty.
    (void)utf8_to_wstring(out, line);
    return true;
}

bool stdin_stream::read_line_bytes(byte_array& out, bool trim) {
    out.clear();
    std::string line;
    if (!read_line(line, trim)) {
        return false;
    }
    out.assign(line.begin(), line.end());
    return true;
}

bool stdin_stream::read_raw(char* buf, int* size) {
    if (!m_ready || buf == nullptr || size == nullptr || *size < 1) {
        return false;
    }
    if (std::fgets(buf, *size, m_file) == nullptr) {
        return false;
    }
    *size = static_cast<int>(std::strlen(buf));
    return true;
}

bool stdin_stream::wait_input() {
    if (!m_ready) {
        return false;
    }
    constexpr useconds_t pause = 100000;  // 100 ms between polls of a slow producer
    ::usleep(pause);
    return std::ftell(m_file) != -1;
}

bool stdin_stream::is_available() const { return true; }

stdout_stream::stdout_stream(bool flag) {
    reset();
    m_file = stdout;
    if (m_file != nullptr) {
        m_fd = ::fileno(m_file);
        m_ready = true;
        m_flag = flag;
    }
}

stdout_stream::~stdout_stream() { detach(); }

void stdout_stream::reset() {
    m_fd = -1;
    m_file = stdout;
    m_ready = false;
    m_reserved = 0;
}

void stdout_stream::detach() {
    m_file = nullptr;
    m_ready = false;
}

bool stdout_stream::write(const void* data, uint32 length) {
    if (!m_ready || data == nullptr || length == 0) {
        return false;
    }
    const std::span<const uint8> bytes(static_cast<const uint8*>(data), length);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::span<const uint8> rest = bytes.subspan(done);
        const ssize_t n = ::write(m_fd, rest.data(), rest.size());
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return false;
    }
    return true;
}

bool stdout_stream::write(const byte_array& data) {
    if (data.empty() || data.size() > UINT32_MAX) {
        return false;
    }
    return write(data.data(), static_cast<uint32>(data.size()));
}

bool stdout_stream::write(const std::string& text) {
    if (text.size() > UINT32_MAX) {
        return false;
    }
    return write(text.data(), static_cast<uint32>(text.size()));
}

}  // namespace uni

#include "io/uni_stdio.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <span>

#include "io/uni_encoding.h"

namespace uni {

stdin_stream::stdin_stream(bool flag) {
    reset();
    m_line_size = line_buffer_size;
    m_file = stdin;
    if (m_file == nullptr) {
        return;
    }
    m_ready = true;
    m_flag = flag;
}

stdin_stream::~stdin_stream() { release(); }

void stdin_stream::reset() {
    m_file = nullptr;
    m_ready = false;
    m_line_size = 0;
    m_reserved = 0;
    m_in_long_line = false;
}

void stdin_stream::release() {
    m_file = nullptr;
    m_ready = false;
}

bool stdin_stream::pass_rest_of_line() {
    for (;;) {
        const int c = ::getc_unlocked(m_file);
        if (c == EOF) {
            return false;
        }
        if (c == '\n') {
            return true;
        }
    }
}

stdin_stream::line_read stdin_stream::read_bounded_line(std::string& out, bool trim) {
    out.clear();
    if (!m_ready || m_file == nullptr) {
        return line_read::end;
    }
    if (m_in_long_line) {
        m_in_long_line = false;
        if (!pass_rest_of_line()) {
            return line_read::end;
        }
    }
    // Room for the longest path and the CR of a CR LF break: a line is cut off, and
    // reported, once it holds more than that.
    const std::size_t kept_limit = max_line_length + 1;
    bool any = false;
    bool ended = false;
    // Byte by byte, so a NUL inside a line cannot hide its length.
    for (int c = ::getc_unlocked(m_file); c != EOF; c = ::getc_unlocked(m_file)) {
        any = true;
        if (c == '\n') {
            ended = true;
            break;
        }
        if (out.size() == kept_limit) {
            out.clear();
            m_in_long_line = true;
            return line_read::too_long;
        }
        out.push_back(static_cast<char>(c));
    }
    if (!any) {
        return line_read::end;
    }
    const std::size_t text_end = out.find_last_not_of('\r') + 1;  // npos + 1 is 0
    if (text_end > max_line_length) {
        out.clear();
        return line_read::too_long;
    }
    if (trim) {
        out.resize(text_end);
    } else if (ended) {
        out.push_back('\n');
    }
    return line_read::line;
}

bool stdin_stream::read_line(std::string& out, bool trim) {
    for (;;) {
        switch (read_bounded_line(out, trim)) {
            case line_read::line:
                return true;
            case line_read::too_long:
                continue;
            case line_read::end:
                return false;
        }
    }
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

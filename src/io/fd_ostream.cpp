#include "io/fd_ostream.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace uni {
namespace {

// One write(2) never moves more than this; the kernel caps a call near 2 GiB.
constexpr std::streamsize io_piece = 0x10000000;

// A descriptor that was opened non-blocking may answer EAGAIN; wait as a blocking one would.
bool wait_writable(int fd) {
    pollfd request{fd, POLLOUT, 0};
    while (::poll(&request, 1, -1) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace

fd_streambuf::~fd_streambuf() { (void)close(); }

bool fd_streambuf::close() {
    if (m_fd == -1) {
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0;
}

fd_streambuf::int_type fd_streambuf::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    const char one = traits_type::to_char_type(c);
    return xsputn(&one, 1) == 1 ? c : traits_type::eof();
}

std::streamsize fd_streambuf::xsputn(const char* data, std::streamsize count) {
    if (m_fd == -1) {
        return 0;
    }
    std::streamsize done = 0;
    while (done < count) {
        const auto piece = static_cast<std::size_t>(std::min(count - done, io_piece));
        const ssize_t n = ::write(m_fd, data + done, piece);
        if (n > 0) {
            done += static_cast<std::streamsize>(n);
            continue;
        }
        // A write of nothing for a non-empty request would never progress.
        if (n == 0) {
            break;
        }
        if (errno == EINTR || ((errno == EAGAIN || errno == EWOULDBLOCK) && wait_writable(m_fd))) {
            continue;
        }
        break;
    }
    return done;
}

fd_ostream::fd_ostream(int fd) : std::ostream(nullptr), m_buffer(fd) {
    rdbuf(&m_buffer);  // clears the state a null buffer set
    if (fd == -1) {
        setstate(std::ios_base::badbit);
    }
}

fd_ostream::~fd_ostream() = default;

void fd_ostream::close() {
    if (!m_buffer.close()) {
        setstate(std::ios_base::failbit);
    }
}

}  // namespace uni

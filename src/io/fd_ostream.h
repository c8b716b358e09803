#pragma once
// uni::fd_ostream: an output stream straight onto a descriptor it owns. Nothing is
// buffered: every write reaches write(2) at once (the rest after a partial write or an
// interruption), so a line written is in the file when the call returns, and a write that
// fails (a full disk, EFBIG past the file-size limit) makes the stream bad at that very
// write. Made for files that were opened and checked as descriptors (the diagnostics file),
// so that no second open by name can reach another file.

#include <ostream>
#include <streambuf>

namespace uni {

class fd_streambuf : public std::streambuf {
public:
    explicit fd_streambuf(int fd) : m_fd(fd) {}
    ~fd_streambuf() override;
    fd_streambuf(const fd_streambuf&) = delete;
    fd_streambuf& operator=(const fd_streambuf&) = delete;

    [[nodiscard]] int descriptor() const { return m_fd; }
    // Closes the descriptor; false when close(2) fails (a delayed write error) or none is
    // open.
    [[nodiscard]] bool close();

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize count) override;

private:
    int m_fd = -1;
};

class fd_ostream : public std::ostream {
public:
    // Takes fd over; a stream on -1 is bad from the start.
    explicit fd_ostream(int fd);
    ~fd_ostream() override;
    fd_ostream(const fd_ostream&) = delete;
    fd_ostream& operator=(const fd_ostream&) = delete;

    // The descriptor written to; -1 once closed.
    [[nodiscard]] int descriptor() const { return m_buffer.descriptor(); }
    // As std::ofstream::close: a failure sets failbit.
    void close();

private:
    fd_streambuf m_buffer;
};

}  // namespace uni

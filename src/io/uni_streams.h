#pragma once
// Buffered output streams over a uni::fileio or a byte-sum sink. The buffer gathers
// whole blocks and hands each to a write operation; flushing writes nothing, so a report
// written line by line (std::endl included) costs one write(2) per block, and the rest
// reaches the file when the stream is destroyed (uni::fileio::close does that).

#include <algorithm>
#include <memory>
#include <ostream>
#include <streambuf>
#include <vector>

#include "text/kq_types.h"

namespace uni {

class fileio;
class fileio_stats;

// The put area spans all but the last byte of the buffer: overflow stores the character
// that overflowed there and hands buffer and character over in one write.
template <typename char_t>
class streambuf_generic_output : public std::basic_streambuf<char_t> {
public:
    using traits = typename std::basic_streambuf<char_t>::traits_type;
    using int_type = typename traits::int_type;

    explicit streambuf_generic_output(int size) {
        if (size < 1) {
            return;
        }
        try {
            m_buffer.assign(static_cast<std::size_t>(size), char_t());
        } catch (const std::bad_alloc&) {
            return;  // not usable: overflow reports eof, the stream goes bad
        }
        m_buffer_size = size;
        m_usable = true;
        reset_put_area();
    }
    ~streambuf_generic_output() override = default;
    streambuf_generic_output(const streambuf_generic_output&) = delete;
    streambuf_generic_output& operator=(const streambuf_generic_output&) = delete;

    // Hands the pending bytes to write: 0 when they all went, -1 when a write failed.
    virtual int flush() {
        if (!m_usable) {
            return 0;
        }
        return traits::eq_int_type(overflow(traits::eof()), traits::eof()) ? -1 : 0;
    }
    // Takes up to length characters; returns the count taken or -1.
    virtual int write(const char_t* data, int length) = 0;

    [[nodiscard]] bool usable() const { return m_usable; }

protected:
    int sync() override { return flush(); }

    int_type overflow(int_type c) override {
        if (!m_usable) {
            return traits::eof();
        }
        char_t* const buffer_end = m_buffer.data() + m_buffer.size();
        if (!traits::eq_int_type(c, traits::eof())) {
            if (this->pptr() == buffer_end) {
                return traits::eof();  // a failed write still holds the reserved byte
            }
            *this->pptr() = traits::to_char_type(c);
            this->pbump(1);
        }
        char_t* from = this->pbase();
        while (from < this->pptr()) {
            const auto pending = static_cast<int>(this->pptr() - from);
            const int taken = write(from, pending);
            if (taken <= 0) {
                keep_pending(from);
                return traits::eof();
            }
            from += std::min(taken, pending);
        }
        reset_put_area();
        return traits::eq_int_type(c, traits::eof()) ? 0 : c;
    }

private:
    void reset_put_area() {
        this->setp(m_buffer.data(), m_buffer.data() + (m_buffer.size() - 1));
    }

    // After a failed write only the bytes not yet taken stay, at the buffer's start, so a
    // later flush neither loses nor repeats any. The put area never ends before them.
    void keep_pending(char_t* from) {
        const auto pending = static_cast<std::size_t>(this->pptr() - from);
        std::copy(from, this->pptr(), m_buffer.data());
        this->setp(m_buffer.data(),
                   m_buffer.data() + std::max(pending, m_buffer.size() - 1));
        this->pbump(static_cast<int>(pending));
    }

    int32 m_buffer_size = 0;
    std::vector<char_t> m_buffer;
    bool m_usable = false;
};

// Appends each full block to a uni::fileio.
class fileio_ostream : public streambuf_generic_output<char> {
public:
    fileio_ostream(fileio* sink, int size);
    ~fileio_ostream() override;
    fileio_ostream(const fileio_ostream&) = delete;
    fileio_ostream& operator=(const fileio_ostream&) = delete;

    int write(const char* data, int length) override;
    [[nodiscard]] bool bound() const { return m_bound; }

protected:
    // Whole blocks only: a flush must not turn a line-by-line report into a write per line.
    int sync() override { return 0; }

private:
    void reset();

    fileio* m_sink = nullptr;
    bool m_bound = false;
};

// Adds the value of every byte written to a uni::fileio_stats.
class fileio_stats_ostream : public streambuf_generic_output<char> {
public:
    fileio_stats_ostream(fileio_stats* sink, int size);
    ~fileio_stats_ostream() override;
    fileio_stats_ostream(const fileio_stats_ostream&) = delete;
    fileio_stats_ostream& operator=(const fileio_stats_ostream&) = delete;

    int write(const char* data, int length) override;
    [[nodiscard]] bool bound() const { return m_bound; }

protected:
    int sync() override { return 0; }

private:
    void reset();

    fileio_stats* m_sink = nullptr;
    bool m_bound = false;
};

// The std::ostream through which the report reaches the "-out" file. Without a usable
// sink no buffer is installed: the stream is bad and drops what it is given.
class fileio_output : public std::ostream {
public:
    fileio_output(fileio* sink, int size);
    ~fileio_output() override;
    fileio_output(const fileio_output&) = delete;
    fileio_output& operator=(const fileio_output&) = delete;

    [[nodiscard]] bool attached() const { return m_attached; }

private:
    fileio_ostream m_streambuf;
    std::ostream m_spare;  // built without a buffer, never written
    bool m_attached = false;
};

class fileio_stats_output : public std::ostream {
public:
    fileio_stats_output(fileio_stats* sink, int size);
    ~fileio_stats_output() override;
    fileio_stats_output(const fileio_stats_output&) = delete;
    fileio_stats_output& operator=(const fileio_stats_output&) = delete;

    [[nodiscard]] bool attached() const { return m_attached; }

private:
    fileio_stats_ostream m_streambuf;
    std::ostream m_spare;  // built without a buffer, never written
    bool m_attached = false;
};

// A sink that keeps only the sum of the byte values written to it.
class fileio_stats {
public:
    static constexpr int output_buffer_size = 0x40000;

    fileio_stats();
    virtual ~fileio_stats();
    fileio_stats(const fileio_stats&) = delete;
    fileio_stats& operator=(const fileio_stats&) = delete;

    [[nodiscard]] bool add(const uint8* data, uint32 length);
    [[nodiscard]] uint64 total() const { return m_total; }
    void reset();
    // The stream adding to this sink; a second call returns the same stream.
    std::ostream* get_ostream();
    void flush();
    void close_ostream();

private:
    uint64 m_total = 0;
    std::unique_ptr<fileio_stats_output> m_output;
};

}  // namespace uni

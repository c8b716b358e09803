#pragma once
// Standard input as a source of lines (the "-pipe" list of paths) and standard output as a
// raw byte sink that bypasses the FILE buffer.

#include <cstdio>
#include <string>

#include "text/kq_types.h"

namespace uni {

class stdin_stream {
public:
    // A line is a path: the longest one the system takes has 4095 bytes (PATH_MAX, 4096,
    // counts the terminator). A longer line is no path and is never held whole, so that any
    // input, an endless line without a break included, reads in bounded memory.
    static constexpr uint32 line_buffer_size = 4096;
    static constexpr std::size_t max_line_length = line_buffer_size - 1;

    // What read_bounded_line found.
    enum class line_read : uint8 {
        line,      // a line of at most max_line_length bytes, in out
        too_long,  // a longer line; out empty, its rest is passed over by the next read
        end,       // the end of input (or a read error); out empty
    };

    explicit stdin_stream(bool flag);
    virtual ~stdin_stream();
    stdin_stream(const stdin_stream&) = delete;
    stdin_stream& operator=(const stdin_stream&) = delete;

    // The next line of at most max_line_length bytes (trailing CRs not counted), with its
    // line break unless trim is set (then trailing CRs and LFs go). A longer line is
    // reported as soon as it passes the limit, before its end has been read: a caller can
    // say so at once even when the line never ends.
    [[nodiscard]] line_read read_bounded_line(std::string& out, bool trim);
    // The next line read_bounded_line gives; longer lines are passed over. False, out
    // empty, at the end of input or on a read error.
    virtual bool read_line(std::string& out, bool trim);
    // The same line decoded from UTF-8; a malformed line gives the part decoded before the
    // fault. True whenever a line came.
    virtual bool read_line(std::wstring& out, bool trim);
    bool read_line_bytes(byte_array& out, bool trim);
    // One fgets into the caller's buffer of *size bytes; *size receives the length read.
    [[nodiscard]] bool read_raw(char* buf, int* size);
    [[nodiscard]] bool wait_input();
    [[nodiscard]] bool is_available() const;
    void release();

protected:
    void reset();

private:
    // Reads up to the end of the current line; false at the end of input.
    [[nodiscard]] bool pass_rest_of_line();

    std::FILE* m_file = nullptr;
    bool m_ready = false;
    bool m_flag = false;  // stored, not read
    uint32 m_line_size = 0;
    uint32 m_reserved = 0;  // cleared, not read
    // The last line was too long and its rest is still to be passed over.
    bool m_in_long_line = false;
};

class stdout_stream {
public:
    explicit stdout_stream(bool flag);
    virtual ~stdout_stream();
    stdout_stream(const stdout_stream&) = delete;
    stdout_stream& operator=(const stdout_stream&) = delete;

    // Writes every byte to the descriptor, repeating after partial writes; false when not
    // ready, for no bytes, or on the first failed write(2).
    [[nodiscard]] bool write(const void* data, uint32 length);
    [[nodiscard]] bool write(const byte_array& data);
    [[nodiscard]] bool write(const std::string& text);
    void reset();
    void detach();
    [[nodiscard]] bool is_ready() const { return m_ready; }

private:
    int32 m_fd = -1;
    std::FILE* m_file = nullptr;
    bool m_ready = false;
    bool m_flag = false;    // stored, not read
    uint32 m_reserved = 0;  // cleared, not read
};

}  // namespace uni

#pragma once
// Standard input as a source of lines (the "-pipe" list of paths) and standard output as a
// raw byte sink that bypasses the FILE buffer.

#include <cstdio>
#include <string>
#include <vector>

#include "text/kq_types.h"

namespace uni {

class stdin_stream {
public:
    // Lines are read through a buffer of this size; longer lines arrive whole all the
    // same, gathered from several pieces.
    static constexpr uint32 line_buffer_size = 4096;

    explicit stdin_stream(bool flag);
    virtual ~stdin_stream();
    stdin_stream(const stdin_stream&) = delete;
    stdin_stream& operator=(const stdin_stream&) = delete;

    // The next whole line, however long, with its line break unless trim is set (then
    // trailing CRs and LFs go). False, out empty, at the end of input or on a read error.
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
    // Reads the next piece of a line (up to the line break or a full buffer) into m_line.
    [[nodiscard]] bool next_line();
    void reset();

private:
    [[nodiscard]] bool read_whole_line(std::string& out);

    std::vector<char> m_line;
    std::FILE* m_file = nullptr;
    bool m_ready = false;
    bool m_flag = false;  // stored, not read
    uint32 m_line_size = 0;
    uint32 m_reserved = 0;  // cleared, not read
    std::size_t m_piece_length = 0;
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

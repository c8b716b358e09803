#pragma once
// uni::fileio: the system's one file object. A POSIX descriptor with 64-bit offsets, or,
// in memory mode, a byte buffer that answers the same reads and writes. It caches the
// size (reads are clipped at the cached value until update_size), keeps its path as wide
// text and can hand out one buffered output stream that appends to it.
//
// Every operation first tests that the object is usable and fails by its result when not.
// Reads and writes move every byte asked for or report failure: a write that fails leaves
// a sticky error that close() reports, so a report cut short by a full disk can never
// end in a clean exit status.

#include <sys/stat.h>

#include <cstdarg>
#include <iosfwd>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "text/kq_types.h"

namespace uni {

class fileio;
class fileio_output;

// Called by fileio::for_each_chunk with each chunk: the file, the caller's context, the
// chunk's bytes and length, how many of its last bytes the next chunk reads again, and the
// chunk's file offset. Its result is not consulted.
using chunk_callback = bool (*)(fileio* file, void* context, const uint8* data, uint32 length,
                                uint32 used, uint64 offset);

// Called by fileio::read_lines with each chunk's lines: the file, the caller's context, the
// lines, how many of them (from the front) to take, and the chunk's file offset. Its result
// is not consulted.
using lines_callback = bool (*)(fileio* file, void* context, const std::vector<std::string>& lines,
                                uint64 count, uint64 offset);

// Descriptor-level open: adds O_NONBLOCK and refuses FIFOs and sockets (an examiner's
// path list must never block the run on a pipe nobody writes). -1 on failure.
[[nodiscard]] int open_file(const std::string& path, int flags, int mode);
[[nodiscard]] int open_file(const std::wstring& path, int flags, int mode);

class fileio {
public:
    // Buffer size of the output stream made by get_ostream.
    static constexpr int output_buffer_size = 0x40000;

    fileio();
    // Open at once (writing always creates or truncates); the last argument is not read.
    fileio(const std::string& path, bool write, bool crlf, bool unused);
    fileio(const std::wstring& path, bool write, bool crlf, bool unused);
    // Memory mode over a copy of data.
    fileio(const byte_array& data, bool write, bool crlf);
    virtual ~fileio();
    fileio(const fileio&) = delete;
    fileio& operator=(const fileio&) = delete;

    [[nodiscard]] bool open(const std::wstring& path, bool write, bool crlf, bool truncate);
    [[nodiscard]] bool open(const std::string& path, bool write, bool crlf, bool truncate);
    [[nodiscard]] bool open(const std::string& path, bool write, bool crlf, bool truncate,
                            bool unused);
    // Takes over fd, a file the caller opened for reading and writing and has checked (as
    // descriptors are, so that no second open by name can reach another file); path is kept
    // for messages only. False, fd closed, when fd is -1 or this object is in memory mode.
    [[nodiscard]] bool attach_descriptor(int fd, const std::string& path, bool crlf);
    [[nodiscard]] bool open_append(const std::wstring& path, bool crlf);
    [[nodiscard]] bool open_append(const std::string& path, bool crlf);
    [[nodiscard]] bool open_memory(uint32 size, bool write, bool crlf);
    [[nodiscard]] bool attach_memory(const byte_array& data, bool write, bool crlf);
    // Laid over a file opened for reading: every later read sees each patch (by offset) in
    // place of the file's bytes, and zeros where the patches reach past the file's end;
    // size() becomes size. A database read with its log applied this way keeps only the
    // log's pages in memory, not the whole file. False, nothing changed, in memory or
    // write mode or when a patch lies past size.
    [[nodiscard]] bool set_read_patches(std::map<uint64, byte_array> patches, uint64 size);
    // The same with the patches' bytes left where they lie in source (taken over, open for
    // reading) and read from there whenever a read reaches them: pages maps each patch's
    // offset here to its offset in source, every patch length bytes long. A log's pages are
    // then not read before anything asks for them. A patch that source does not hold whole
    // is not laid: the file's own bytes stay there. False, nothing changed, as above or
    // when source is not open or length is 0.
    [[nodiscard]] bool set_read_patches(std::unique_ptr<fileio> source,
                                        const std::map<uint64, uint64>& pages, uint64 length,
                                        uint64 size);
    // Whether a patch laid by set_read_patches covers any byte of [offset, offset + length):
    // outside them a read gives the file's own bytes, as any other reader of it sees them.
    [[nodiscard]] bool has_patch_within(uint64 offset, uint64 length) const;

    [[nodiscard]] bool is_open() const;
    [[nodiscard]] bool is_valid() const;
    [[nodiscard]] uint64 size() const;
    [[nodiscard]] uint64 query_size();
    uint64 update_size();
    [[nodiscard]] uint64 tell();
    [[nodiscard]] bool stat(struct stat64& out);
    [[nodiscard]] const std::wstring& path() const { return m_path; }
    [[nodiscard]] bool crlf() const { return m_crlf; }
    [[nodiscard]] bool in_memory() const { return m_in_memory; }
    // True once a write of the current (or just closed) opening has failed.
    [[nodiscard]] bool write_failed() const { return m_write_failed; }

    [[nodiscard]] bool read_at(void* buf, uint32* length, uint64 offset);
    [[nodiscard]] bool read_at(void* buf, uint64* length, uint64 offset);
    [[nodiscard]] bool read_at(std::string& out, uint64 length, uint64 offset);
    [[nodiscard]] bool read_at(byte_array& out, uint64 length, uint64 offset);
    [[nodiscard]] bool read(void* buf, uint32* length);

    [[nodiscard]] bool append(const void* data, uint32 length);
    [[nodiscard]] bool append_bytes(const byte_array& data);
    [[nodiscard]] bool append_stream(const std::ostringstream& text);
    [[nodiscard]] bool printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    [[nodiscard]] bool append_lines(const std::vector<std::string>& lines);
    [[nodiscard]] bool write_fill(uint8 value, uint32 count);
    [[nodiscard]] bool write_at(const void* data, uint32 length, uint64 offset);
    [[nodiscard]] bool write_at(const byte_array& data, uint64 offset);
    [[nodiscard]] bool hex_dump(const uint8* data, uint32 length, uint64 offset);
    [[nodiscard]] bool hex_dump(const byte_array& data, uint64 offset);
    void resize(uint64 length);
    [[nodiscard]] bool chmod(const std::string& octal_mode);
    [[nodiscard]] bool save_memory_to(const std::string& path);

    int64 seek(int64 offset);
    int64 seek_relative(int64 delta);
    int64 seek_from_end(uint64 n);

    // Hands the file from start to the callback in chunks of chunk_length that overlap by
    // overlap bytes. A short or failed read hands the bytes that did arrive to the callback
    // and then ends the walk with false; true when every chunk was read whole.
    [[nodiscard]] bool for_each_chunk(chunk_callback callback, void* context, uint32 chunk_length,
                                      uint32 overlap, uint64 start);

    // The buffered output stream appending to this object; null when the object is not
    // usable or the stream cannot be made. A second call returns the same stream.
    std::ostream* get_ostream();
    void flush();
    // Writes the stream's pending bytes, frees it and the descriptor or buffer. False when
    // any write of this opening failed (the stream's last one included) or close(2) did.
    [[nodiscard]] bool close();

    // ---- Whole-file work (uni_fileio_copy.cpp, uni_fileio_lines.cpp) ----

    // Copies from the current position to the end into target (created, or appended to),
    // never onto this file itself. False on any failed open, read, write or close; with
    // nothing to copy false, unless allow_empty, which leaves an empty target.
    [[nodiscard]] bool copy_to(const std::wstring& target, bool append, bool allow_empty);
    [[nodiscard]] bool copy_to(const std::string& target, bool append, bool allow_empty);
    // length bytes from offset (cut at the end) written at target_offset onwards, in chunks
    // of `chunk` bytes (0: 4 MiB), with an optional progress line.
    [[nodiscard]] bool copy_range(fileio& target, uint64 offset, uint64 length,
                                  uint64 target_offset, uint32 chunk, bool progress);
    [[nodiscard]] bool copy_range_to_stream(std::ostream& out, uint64 offset, uint64 length,
                                            uint32 chunk, bool progress);
    // The trimmed, non-empty lines of *length bytes at offset. Unless the block reaches the
    // end of the file, the text after its last break is left out and *length shrinks to
    // the consumed part, where the next block starts.
    [[nodiscard]] bool read_lines_at(std::vector<std::string>& lines, uint32* length,
                                     uint64 offset);
    // Every trimmed, non-empty line of the file; false when none or when a read fails.
    [[nodiscard]] bool read_all_lines(std::vector<std::string>& lines);
    // The file's LF-ended lines chunk by chunk to callback (needs the line-end flag).
    [[nodiscard]] bool read_lines(lines_callback callback, void* context, bool trim,
                                  bool skip_empty, bool progress, uint64 max_lines,
                                  bool handle_bom);

    // Opens an existing regular file for reading and writing, never through a final link
    // and never creating it: what an overwrite must hold before it destroys anything.
    [[nodiscard]] bool open_regular_update(const std::wstring& path, bool crlf);
    // fsync of the descriptor; true in memory mode.
    [[nodiscard]] bool sync();

protected:
    void reset();

private:
    [[nodiscard]] bool open_with(const std::wstring& path, int flags, int mode, bool write,
                                 bool crlf);
    [[nodiscard]] bool read_clipped(void* buf, uint64 offset, uint64 length, uint64& got);
    [[nodiscard]] bool read_patched(uint8* buf, uint64 offset, uint64 length, uint64& got);
    [[nodiscard]] bool can_take_patches() const;
    template <typename buffer>
    [[nodiscard]] bool read_into(buffer& out, uint64 length, uint64 offset);
    [[nodiscard]] bool append_span(const void* data, uint64 length);
    [[nodiscard]] bool memory_write_at(const uint8* data, uint32 length, uint64 offset);
    [[nodiscard]] bool memory_append(const uint8* data, uint64 length);
    [[nodiscard]] bool descriptor_write(const void* data, uint32 length, int64 offset, int whence);
    [[nodiscard]] bool vprintf_append(const char* format, va_list args);

    int32 m_fd = -1;
    uint64 m_size = 0;
    bool m_write = false;
    bool m_open = false;
    bool m_crlf = false;
    std::wstring m_path;
    byte_array m_buffer;
    bool m_in_memory = false;
    int64 m_position = 0;
    std::unique_ptr<fileio_output> m_output;  // owned; null when none
    bool m_write_failed = false;
    // Bytes read in place of the file's: held, or (bytes empty) length bytes of
    // m_patch_source at source_offset.
    struct read_patch {
        byte_array bytes;
        uint64 source_offset = 0;
        uint64 length = 0;
    };
    std::map<uint64, read_patch> m_patches;  // by offset in this file
    std::unique_ptr<fileio> m_patch_source;  // null while no patch reads from a file
    uint64 m_patched_size = 0;               // size() while there are patches
    uint64 m_file_size = 0;                  // the file's own bytes under the patches
};

}  // namespace uni

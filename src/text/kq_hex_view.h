#pragma once
// kq::binary_data, a run of bytes (the caller's memory or an owned copy) that prints itself
// as hex lines, ASCII lines, bare hex or raw bytes, and the line writers and one-call dumps
// around it. Blob values of decoded records are shown through it.
//
// Every dump clips its range to the view before it reads a byte, so no dump can reach the
// index assertion of operator(), whatever start and length a caller passes.

#include <ostream>
#include <span>
#include <string>

#include "text/kq_types.h"
#include "text/output_context.h"

namespace kq {

class binary_data {
public:
    // Render flags: 2 selects the hexadecimal forms, 4 adds offsets (without 2: ASCII
    // lines), 1 selects hex lines in dump() (without 2: grouped ASCII), 8 a text form.
    static constexpr uint32 flag_grouped = 0x1;
    static constexpr uint32 flag_hex = 0x2;
    static constexpr uint32 flag_offsets = 0x4;
    static constexpr uint32 flag_text = 0x8;

    binary_data();
    binary_data(const uint8* data, uint32 length, bool copy);
    binary_data(const byte_array& bytes, bool copy);
    binary_data(uint32 count, uint8 fill);
    explicit binary_data(uint32 count);
    virtual ~binary_data();

    // The view points into its own buffer; a copy would point into the original's.
    binary_data(const binary_data&) = delete;
    binary_data& operator=(const binary_data&) = delete;
    binary_data(binary_data&&) = delete;
    binary_data& operator=(binary_data&&) = delete;

    // Owning view: emptied, true. A view of caller memory: false, nothing changes.
    bool release();
    [[nodiscard]] uint32 size() const { return m_num_data; }
    [[nodiscard]] uint32 render_flags() const { return m_render_flags; }
    void set_flags(uint16 flags) { m_render_flags = flags; }

    // The byte at index; an index not below size() is a broken invariant (assertion).
    uint8& operator()(uint32 index);
    uint8 operator()(uint32 index) const;

    // Editing works on owning views only.
    [[nodiscard]] bool append_byte(uint8 value);
    [[nodiscard]] bool append(const uint8* data, uint32 length);
    [[nodiscard]] bool erase(uint32 start, uint32 count);
    // Replaces the owned bytes with count bytes of the file from offset (cut to the file's
    // end); false, view unchanged, when the file cannot be read in full.
    [[nodiscard]] bool load_from_file(const std::string& path, uint64 offset, uint32 count);

    // The bytes [start, start + length) cut to the view, in the form the flags select, with
    // base as the offset of the view's first byte.
    void dump(std::ostream& stream, uint32 start, uint32 length, uint64 base) const;
    void dump_all(std::ostream& stream) const;
    [[nodiscard]] bool dump_to_file(const std::string& path) const;

    // The viewed bytes, for the line writers.
    [[nodiscard]] std::span<const uint8> bytes() const;

private:
    void point_at_owned();

    uint32 m_num_data = 0;
    byte_array m_owned;
    uint32 m_render_flags = flag_hex;
    bool m_owns_copy = true;
    const uint8* m_data = nullptr;
};

}  // namespace kq

// Called after each hex line with the user value, the line's start and the range's end.
using hex_progress_fn = void (*)(void* user, uint64 line_start, uint64 end);

// One hex line of up to 16 bytes from start: optional offset groups, the bytes as "xx " with
// an extra blank before the 9th, padding to 49 columns, a blank and the ASCII column.
void hex_dump_line(std::ostream& stream, const kq::binary_data& view, uint32 start, uint32 count,
                   uint64 base, bool with_offset);
// One hex line per 16 bytes of [start, end), end cut to the view, each ended by "\n".
void hex_dump_range(std::ostream& stream, const kq::binary_data& view, uint32 start, uint32 end,
                    uint64 base, bool with_offset, hex_progress_fn progress = nullptr,
                    void* user = nullptr);
// The same line appended to a string (a short leading offset group: 1, 2 or 4 digits).
void hex_dump_line_text(std::string& out, const kq::binary_data& view, uint32 start, uint32 count,
                        uint64 base, bool with_offset);
// The lines of [start, end) built into out (emptied first).
void hex_dump_to_string(std::string& out, const kq::binary_data& view, uint32 start, uint32 end,
                        uint64 base, bool with_offset, hex_progress_fn progress = nullptr,
                        void* user = nullptr);

// ASCII lines: offset groups, then each byte 0x20-0x7E as itself, others as '.'.
void ascii_dump_line(std::ostream& stream, const kq::binary_data& view, uint32 start, uint32 count,
                     uint64 base, bool grouped);
// Lines of 48 characters when grouped, else 64, each ended by "\n".
void ascii_dump_range(std::ostream& stream, const kq::binary_data& view, uint32 start,
                      uint32 length, uint64 base, bool grouped);

// Hex lines of [start, end) written as UTF-16LE text, each ended by CR LF units.
void utf16_hex_dump_line(std::ostream& stream, const kq::binary_data& view, uint32 start,
                         uint32 end, uint64 base);
void utf16_hex_dump_range(std::ostream& stream, const kq::binary_data& view, uint32 start,
                          uint32 end, uint64 base);

void raw_bytes_write(std::ostream& stream, const kq::binary_data& view, uint32 start,
                     uint32 length);
// "xx " per byte, a line end after every 16th byte of the view and one at the end.
void bare_hex_write(std::ostream& stream, const kq::binary_data& view, uint32 start, uint32 length);

// One-call dumps over the caller's bytes (viewed, not copied). The checked forms refuse
// more than 16 MiB with "size to big to output: size 0x<length>".
void context_hex_dump(const output_context& context, const uint8* buffer, uint64 length,
                      uint64 base);
void buffer_hex_dump_checked(const uint8* buffer, uint64 length, std::ostream& stream, uint32 start,
                             uint64 base, hex_progress_fn progress, void* user);
void buffer_hex_dump_checked(const uint8* buffer, uint64 length, std::ostream& stream, uint32 start,
                             uint64 base);
void buffer_hex_dump_to_string(const uint8* buffer, uint32 length, std::string& out, uint32 start,
                               uint64 base, hex_progress_fn progress, void* user);
void buffer_hex_dump_to_string(const uint8* buffer, uint32 length, std::string& out, uint32 start,
                               uint64 base);
void buffer_hex_dump(const uint8* buffer, uint32 length, std::ostream& stream, uint32 start,
                     uint64 base, bool with_offset);
void buffer_utf16_dump(const uint8* buffer, uint32 length, std::ostream& stream, uint32 start,
                       uint64 base);
void byte_array_hex_dump(const byte_array& bytes, std::ostream& stream, uint32 start, uint64 base);
// One summary line when every byte from start on is the same, else a hex dump.
void byte_array_run_or_dump(const byte_array& bytes, std::ostream& stream, uint32 start,
                            uint64 base);

// Each character becomes one wide character.
void widen_ascii(const std::string& text, std::wstring& out);

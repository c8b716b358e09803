#include "text/kq_hex_view.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <new>

#include "text/kq_assert.h"
#include "text/number_text.h"

namespace kq {

binary_data::binary_data() = default;

binary_data::binary_data(const uint8* data, uint32 length, bool copy) {
    if (data == nullptr || length == 0) {
        return;
    }
    if (!copy) {
        m_owns_copy = false;
        m_data = data;
        m_num_data = length;
        return;
    }
    try {
        m_owned.assign(data,
                       data + length);  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
    } catch (const std::bad_alloc&) {
        return;  // an empty owning view
    }
    m_num_data = length;
    point_at_owned();
}

binary_data::binary_data(const byte_array& bytes, bool copy)
    : binary_data(bytes.data(),
                  static_cast<uint32>(std::min<std::size_t>(bytes.size(), UINT32_MAX)), copy) {}

binary_data::binary_data(uint32 count, uint8 fill) {
    try {
        m_owned.assign(count, fill);
    } catch (const std::bad_alloc&) {
        return;  // an empty owning view
    }
    m_num_data = count;
    point_at_owned();
}

binary_data::binary_data(uint32 count) : binary_data(count, 0) {}

binary_data::~binary_data() {
    (void)release();  // a view of caller memory has nothing to give back
}

void binary_data::point_at_owned() { m_data = m_owned.empty() ? nullptr : m_owned.data(); }

bool binary_data::release() {
    if (!m_owns_copy) {
        return false;
    }
    m_num_data = 0;
    m_owned.clear();
    m_owned.shrink_to_fit();
    m_data = nullptr;
    return true;
}

uint8& binary_data::operator()(uint32 index) {
    KQ_ASSERT(index < m_num_data, "byte& kq::binary_data::operator()(uint32)", "kq_hex_view");
    if (m_owns_copy) {
        return m_owned[index];
    }
    // A view of caller memory hands out the caller's own bytes, as any view over writable
    // memory does; the constructor kept them as const only to accept read-only buffers.
    return const_cast<uint8&>(bytes()[index]);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
}

uint8 binary_data::operator()(uint32 index) const {
    KQ_ASSERT(index < m_num_data, "byte kq::binary_data::operator()(uint32) const", "kq_hex_view");
    return bytes()[index];
}

std::span<const uint8> binary_data::bytes() const {
    if (m_data == nullptr) {
        return {};
    }
    return {m_data, m_num_data};
}

bool binary_data::append_byte(uint8 value) { return append(&value, 1); }

bool binary_data::append(const uint8* data, uint32 length) {
    if (!m_owns_copy || data == nullptr || length > UINT32_MAX - m_num_data) {
        return false;
    }
    try {
        m_owned.insert(m_owned.end(), data,
                       data + length);  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_num_data += length;
    point_at_owned();
    return true;
}

bool binary_data::erase(uint32 start, uint32 count) {
    if (!m_owns_copy || start >= m_num_data) {
        return false;
    }
    const uint32 removed = std::min(count, m_num_data - start);
    const auto first = m_owned.begin() + static_cast<std::ptrdiff_t>(start);
    m_owned.erase(first, first + static_cast<std::ptrdiff_t>(removed));
    m_num_data -= removed;
    point_at_owned();
    return true;
}

bool binary_data::load_from_file(const std::string& path, uint64 offset, uint32 count) {
    if (!m_owns_copy) {
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff end = file.tellg();
    if (end < 0 || offset >= static_cast<uint64>(end)) {
        return false;
    }
    const uint64 available = static_cast<uint64>(end) - offset;
    const auto wanted = static_cast<uint32>(std::min<uint64>(count, available));
    byte_array buffer;
    try {
        buffer.resize(wanted);
    } catch (const std::bad_alloc&) {
        return false;
    }
    file.seekg(static_cast<std::streamoff>(offset));
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): bytes read as chars
    file.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(wanted));
    // A file that shrank or a device error gives fewer bytes than its size promised: that
    // is a failure, not a shorter view presented as the requested bytes.
    if (file.gcount() != static_cast<std::streamsize>(wanted)) {
        return false;
    }
    m_owned = std::move(buffer);
    m_num_data = wanted;
    point_at_owned();
    return true;
}

void binary_data::dump(std::ostream& stream, uint32 start, uint32 length, uint64 base) const {
    if (start >= m_num_data) {
        return;
    }
    const uint32 count = std::min(length, m_num_data - start);
    const uint32 end = start + count;
    const uint32 f = m_render_flags;
    if ((f & flag_hex) != 0) {
        if ((f & flag_offsets) != 0) {
            hex_dump_range(stream, *this, start, end, base, true);
        } else if ((f & flag_grouped) != 0) {
            hex_dump_range(stream, *this, start, end, base, false);
        } else {
            bare_hex_write(stream, *this, start, count);
        }
        return;
    }
    if ((f & (flag_grouped | flag_text)) == 0) {
        return;
    }
    if ((f & flag_offsets) != 0) {
        ascii_dump_range(stream, *this, start, count, base, (f & flag_grouped) != 0);
    } else {
        raw_bytes_write(stream, *this, start, count);
    }
}

void binary_data::dump_all(std::ostream& stream) const {
    const uint32 f = m_render_flags;
    if ((f & flag_hex) != 0) {
        if ((f & flag_offsets) != 0) {
            hex_dump_range(stream, *this, 0, m_num_data, 0, true);
        } else {
            bare_hex_write(stream, *this, 0, m_num_data);
        }
        return;
    }
    if ((f & flag_offsets) != 0) {
        ascii_dump_range(stream, *this, 0, m_num_data, 0, true);
    } else {
        raw_bytes_write(stream, *this, 0, m_num_data);
    }
}

bool binary_data::dump_to_file(const std::string& path) const {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    dump_all(file);
    file.close();
    return !file.fail();
}

}  // namespace kq

namespace {

// A full hex line holds 16 bytes; its hex part is 16 * 3 characters plus the extra blank
// before the 9th byte.
constexpr uint32 line_bytes = 16;
constexpr uint32 hex_part_width = 49;
// Longest range the checked one-call dumps turn into text: 16 MiB of bytes is about 75 MB
// of dump text, the most a diagnostic dump should hold in memory.
constexpr uint64 checked_dump_limit = 0x1000000;

enum class offset_style {
    hex_line,    // 48-63 group when the high half exceeds 0xFFFF, 32-47 when it is not 0
    ascii_line,  // 32-47 group when the high half is not 0
    text_line,   // as hex_line, the leading group written short (1, 2 or 4 digits)
};

void append_group(std::string& out, uint64 group, int digits) {
    char text[8] = {};
    (void)std::snprintf(text, sizeof text, "%0*x", digits, static_cast<unsigned>(group & 0xFFFFu));
    out += text;
}

int short_digits(uint64 group) {
    if (group <= 0xF) {
        return 1;
    }
    return group <= 0xFF ? 2 : 4;
}

void append_offset(std::string& out, uint64 offset, offset_style style) {
    const uint64 high = offset >> 32;
    bool leading = style == offset_style::text_line;
    if (high > 0xFFFF && style != offset_style::ascii_line) {
        append_group(out, offset >> 48, leading ? short_digits(offset >> 48) : 4);
        out += ' ';
        leading = false;
    }
    if (high != 0) {
        const uint64 group = (offset >> 32) & 0xFFFFu;
        append_group(out, group, leading ? short_digits(group) : 4);
        out += ' ';
    }
    append_group(out, offset >> 16, 4);
    out += ' ';
    append_group(out, offset, 4);
    out += ":  ";
}

char printable(uint8 b) { return b >= 0x20 && b <= 0x7E ? static_cast<char>(b) : '.'; }

// The bytes of one line: "xx " each, an extra blank before the 9th, padding to the full
// hex width, one blank, then the ASCII column.
void append_hex_body(std::string& out, std::span<const uint8> line) {
    static const char digits[] = "0123456789abcdef";
    const auto count = static_cast<uint32>(line.size());
    for (uint32 i = 0; i < count; ++i) {
        if (i == 8) {
            out += ' ';
        }
        out += digits[line[i] >> 4];
        out += digits[line[i] & 0xF];
        out += ' ';
    }
    if (count < line_bytes) {
        out.append(hex_part_width - 3 * count - (count > 8 ? 1 : 0), ' ');
    }
    out += ' ';
    for (const uint8 b : line) {
        out += printable(b);
    }
}

// The part of [start, start + count) that lies inside the view (empty when start is past it).
std::span<const uint8> clip(const kq::binary_data& view, uint32 start, uint64 count) {
    const std::span<const uint8> all = view.bytes();
    if (start >= all.size()) {
        return {};
    }
    return all.subspan(start,
                       static_cast<std::size_t>(std::min<uint64>(count, all.size() - start)));
}

std::string hex_line(const kq::binary_data& view, uint32 start, uint32 count, uint64 base,
                     bool with_offset, offset_style style) {
    std::string line;
    const std::span<const uint8> bytes = clip(view, start, std::min(count, line_bytes));
    if (bytes.empty()) {
        return line;
    }
    if (with_offset) {
        append_offset(line, base + start, style);
    }
    append_hex_body(line, bytes);
    return line;
}

// Calls fn(line_start, line_count) for each line of up to `width` bytes of [start, end),
// end cut to the view.
template <typename Fn>
void for_each_line(const kq::binary_data& view, uint32 start, uint32 end, uint32 width, Fn fn) {
    end = std::min(end, view.size());
    for (uint32 at = start; at < end; at += std::min(width, end - at)) {
        fn(at, std::min(width, end - at));
    }
}

}  // namespace

void hex_dump_line(std::ostream& stream, const kq::binary_data& view, uint32 start, uint32 count,
                   uint64 base, bool with_offset) {
    stream << hex_line(view, start, count, base, with_offset, offset_style::hex_line);
}

void hex_dump_range(std::ostream& stream, const kq::binary_data& view, uint32 start, uint32 end,
                    uint64 base, bool with_offset, hex_progress_fn progress, void* user) {
    const std::ios_base::fmtflags old_flags = stream.flags();
    const char old_fill = stream.fill('0');
    stream.setf(std::ios_base::hex, std::ios_base::basefield);
    end = std::min(end, view.size());
    for_each_line(view, start, end, line_bytes, [&](uint32 at, uint32 count) {
        hex_dump_line(stream, view, at, count, base, with_offset);
        stream << '\n';
        if (progress != nullptr) {
            progress(user, at, end);
        }
    });
    stream.flags(old_flags);
    stream.fill(old_fill);
}

void hex_dump_line_text(std::string& out, const kq::binary_data& view, uint32 start, uint32 count,
                        uint64 base, bool with_offset) {
    out += hex_line(view, start, count, base, with_offset, offset_style::text_line);
}

void hex_dump_to_string(std::string& out, const kq::binary_data& view, uint32 start, uint32 end,
                        uint64 base, bool with_offset, hex_progress_fn progress, void* user) {
    out.clear();
    end = std::min(end, view.size());
    const std::span<const uint8> range = clip(view, start, end > start ? end - start : 0);
    try {
        out.reserve(range.size() * 5);
    } catch (const std::bad_alloc&) {
        // Only a size hint: the lines are still built, growing as needed.
    }
    for_each_line(view, start, end, line_bytes, [&](uint32 at, uint32 count) {
        hex_dump_line_text(out, view, at, count, base, with_offset);
        out += '\n';
        if (progress != nullptr) {
            progress(user, at, end);
        }
    });
}

void ascii_dump_line(std::ostream& stream, const kq::binary_data& view, uint32 start, uint32 count,
                     uint64 base, bool grouped) {
    const std::span<const uint8> bytes = clip(view, start, count);
    if (bytes.empty()) {
        return;
    }
    std::string line;
    append_offset(line, base + start, offset_style::ascii_line);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (grouped && i > 0 && i % 4 == 0) {
            line += ' ';
        }
        if (grouped && i > 0 && i % 16 == 0) {
            line += "  ";
        }
        line += printable(bytes[i]);
    }
    stream << line;
}

void ascii_dump_range(std::ostream& stream, const kq::binary_data& view, uint32 start,
                      uint32 length, uint64 base, bool grouped) {
    const uint32 width = grouped ? 48 : 64;
    const std::span<const uint8> range = clip(view, start, length);
    const auto end = static_cast<uint32>(start + range.size());
    for_each_line(view, start, end, width, [&](uint32 at, uint32 count) {
        ascii_dump_line(stream, view, at, count, base, grouped);
        stream << '\n';
    });
}

namespace {

void write_utf16(std::ostream& stream, const std::string& text) {
    for (const char c : text) {
        stream.put(c);
        stream.put('\0');
    }
}

}  // namespace

void utf16_hex_dump_line(std::ostream& stream, const kq::binary_data& view, uint32 start,
                         uint32 end, uint64 base) {
    const std::span<const uint8> bytes =
        clip(view, start, end > start ? std::min(end - start, line_bytes) : 0);
    if (bytes.empty()) {
        return;
    }
    const uint64 offset = base + start;
    const uint64 high = offset >> 32;
    std::string line;
    for (const int shift : {48, 32, 16, 0}) {
        if ((shift == 48 && high <= 0xFFFF) || (shift == 32 && high == 0)) {
            continue;
        }
        append_group(line, offset >> shift, 4);
        line += ' ';
    }
    append_hex_body(line, bytes);
    write_utf16(stream, line);
}

void utf16_hex_dump_range(std::ostream& stream, const kq::binary_data& view, uint32 start,
                          uint32 end, uint64 base) {
    for_each_line(view, start, end, line_bytes, [&](uint32 at, uint32 count) {
        utf16_hex_dump_line(stream, view, at, at + count, base);
        write_utf16(stream, "\r\n");
    });
}

void raw_bytes_write(std::ostream& stream, const kq::binary_data& view, uint32 start,
                     uint32 length) {
    const std::span<const uint8> bytes = clip(view, start, length);
    if (!bytes.empty()) {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): bytes written as chars
        stream.write(reinterpret_cast<const char*>(bytes.data()),
                     static_cast<std::streamsize>(bytes.size()));
    }
}

void bare_hex_write(std::ostream& stream, const kq::binary_data& view, uint32 start,
                    uint32 length) {
    const std::span<const uint8> bytes = clip(view, start, length);
    if (bytes.empty()) {
        return;
    }
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0xF];
        text += ' ';
        // Rows of 16 are counted from the view's first byte, not from start.
        if ((start + i + 1) % line_bytes == 0) {
            text += '\n';
        }
    }
    text += '\n';
    stream << text;
}

namespace {

// Writes the size refusal of the checked dumps; the stream is left in hexadecimal mode.
void write_size_refusal(std::ostream& stream, uint64 length) {
    stream << "size to big to output: size 0x" << std::hex << length << '\n';
}

}  // namespace

void context_hex_dump(const output_context& context, const uint8* buffer, uint64 length,
                      uint64 base) {
    if (!context.enabled()) {
        return;
    }
    if (length > checked_dump_limit) {
        write_size_refusal(*context.m_stream, length);
        return;
    }
    const kq::binary_data view(buffer, static_cast<uint32>(length), false);
    std::string text;
    hex_dump_to_string(text, view, 0, view.size(), base, true);
    *context.m_stream << text;
}

void buffer_hex_dump_checked(const uint8* buffer, uint64 length, std::ostream& stream, uint32 start,
                             uint64 base, hex_progress_fn progress, void* user) {
    if (length > checked_dump_limit) {
        write_size_refusal(stream, length);
        return;
    }
    const kq::binary_data view(buffer, static_cast<uint32>(length), false);
    std::string text;
    hex_dump_to_string(text, view, start, view.size(), base, true, progress, user);
    stream << text;
}

void buffer_hex_dump_checked(const uint8* buffer, uint64 length, std::ostream& stream, uint32 start,
                             uint64 base) {
    buffer_hex_dump_checked(buffer, length, stream, start, base, nullptr, nullptr);
}

void buffer_hex_dump_to_string(const uint8* buffer, uint32 length, std::string& out, uint32 start,
                               uint64 base, hex_progress_fn progress, void* user) {
    const kq::binary_data view(buffer, length, false);
    hex_dump_to_string(out, view, start, view.size(), base, true, progress, user);
}

void buffer_hex_dump_to_string(const uint8* buffer, uint32 length, std::string& out, uint32 start,
                               uint64 base) {
    buffer_hex_dump_to_string(buffer, length, out, start, base, nullptr, nullptr);
}

void buffer_hex_dump(const uint8* buffer, uint32 length, std::ostream& stream, uint32 start,
                     uint64 base, bool with_offset) {
    const kq::binary_data view(buffer, length, false);
    hex_dump_range(stream, view, start, view.size(), base, with_offset);
}

void buffer_utf16_dump(const uint8* buffer, uint32 length, std::ostream& stream, uint32 start,
                       uint64 base) {
    const kq::binary_data view(buffer, length, false);
    utf16_hex_dump_range(stream, view, start, view.size(), base);
}

void byte_array_hex_dump(const byte_array& bytes, std::ostream& stream, uint32 start, uint64 base) {
    const kq::binary_data view(bytes, false);
    hex_dump_range(stream, view, start, view.size(), base, true);
}

void byte_array_run_or_dump(const byte_array& bytes, std::ostream& stream, uint32 start,
                            uint64 base) {
    const kq::binary_data view(bytes, false);
    const std::span<const uint8> tail = clip(view, start, view.size());
    if (tail.empty()) {
        return;
    }
    const uint8 first = tail.front();
    if (std::all_of(tail.begin(), tail.end(), [first](uint8 b) { return b == first; })) {
        stream << uint64_to_text(base, true, 6) << " : value " << uint64_to_text(first, true, 2)
               << " : " << uint64_to_text(tail.size(), true, 2) << " bytes\n";
        return;
    }
    hex_dump_range(stream, view, start, view.size(), base, true);
}

void widen_ascii(const std::string& text, std::wstring& out) {
    out.clear();
    for (const char c : text) {
        // Each char is taken as it is signed here, as the other byte-per-character
        // widenings of the text layer take it.
        out += static_cast<wchar_t>(c);
    }
}

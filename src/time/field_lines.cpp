#include "time/field_lines.h"

#include <iomanip>
#include <sstream>

#include "time/kq_time.h"
#include "time/time_format.h"

namespace kq {

namespace {

constexpr int offset_digits = 8;
constexpr int u64_size = 8;
constexpr int u32_size = 4;
constexpr int text_size = 4;
constexpr int byte_size = 1;

// Restores the caller's stream settings when a line is done.
class stream_state {
public:
    explicit stream_state(std::ostream& out)
        : m_out(out), m_flags(out.flags()), m_fill(out.fill()) {}
    ~stream_state() {
        m_out.flags(m_flags);
        m_out.fill(m_fill);
    }
    stream_state(const stream_state&) = delete;
    stream_state& operator=(const stream_state&) = delete;

private:
    std::ostream& m_out;
    std::ios_base::fmtflags m_flags;
    char m_fill;
};

void write_head(std::ostream& out, const char* label, uint64 offset, int label_width) {
    out << std::hex << std::right << std::setfill('0') << std::setw(offset_digits) << offset
        << " : " << std::left << std::setfill(' ') << std::setw(label_width) << label << ": ";
}

void write_tail(std::ostream& out, const char* note) {
    if (note != nullptr) {
        out << " [" << note << "]";
    }
    out << std::endl;
}

int print_number_line(std::ostream& out, const char* label, uint64 value, uint64 offset,
                      int label_width, const char* note, int size) {
    if (label == nullptr) {
        return 0;
    }
    const stream_state saved(out);
    write_head(out, label, offset, label_width);
    out << std::hex << std::right << std::setfill('0') << std::setw(2 * size) << value;
    write_tail(out, note);
    return size;
}

std::string byte_text(uint8 value) {
    std::ostringstream text;
    text << std::hex << std::setfill('0') << std::setw(2) << static_cast<unsigned>(value);
    return text.str();
}

}  // namespace

int print_field_line(std::ostream& out, const char* label, uint64 value, uint64 offset,
                     int label_width, const char* note, int size) {
    return print_number_line(out, label, value, offset, label_width, note,
                             size == 0 ? u64_size : size);
}

int print_field_line(std::ostream& out, const char* label, uint32 value, uint64 offset,
                     int label_width, const char* note, int size) {
    return print_number_line(out, label, value, offset, label_width, note,
                             size == 0 ? u32_size : size);
}

int print_field_line(std::ostream& out, const char* label, const std::string& value, uint64 offset,
                     int label_width, const char* note, int size) {
    if (label == nullptr) {
        return 0;
    }
    const stream_state saved(out);
    write_head(out, label, offset, label_width);
    out << value;
    write_tail(out, note);
    return size == 0 ? text_size : size;
}

int print_field_line(const output_context& context, const char* label, uint32 value, uint64 offset,
                     int label_width, const char* note, int size) {
    if (!context.enabled()) {
        return 0;
    }
    return print_field_line(*context.m_stream, label, value, offset, label_width, note, size);
}

int print_filetime_field_line(std::ostream& out, const char* label, uint64 filetime, uint64 offset,
                              int label_width) {
    std::ostringstream moment;
    moment << time(static_cast<int64>(filetime), tt_filetime);
    return print_field_line(out, label, filetime, offset, label_width, moment.str().c_str(), 0);
}

int print_filetime_field_line(const output_context& context, const char* label, uint64 filetime,
                              uint64 offset, int label_width) {
    if (!context.enabled()) {
        return 0;
    }
    return print_filetime_field_line(*context.m_stream, label, filetime, offset, label_width);
}

int print_byte_field_line(std::ostream& out, const char* label, uint8 value, uint64 offset,
                          int label_width, const char* note) {
    return print_field_line(out, label, byte_text(value), offset, label_width, note, byte_size);
}

int print_byte_field_line(const output_context& context, const char* label, uint8 value,
                          uint64 offset, int label_width, const char* note) {
    if (!context.enabled()) {
        return 0;
    }
    return print_byte_field_line(*context.m_stream, label, value, offset, label_width, note);
}

void print_lines(std::ostream& out, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        out << line << std::endl;
    }
}

}  // namespace kq

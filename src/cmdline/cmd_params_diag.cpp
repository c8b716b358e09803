// The diagnostics writers of cmd_params and the free helpers for callers that may hold no
// options record.

#include <fcntl.h>
#include <locale.h>  // NOLINT(modernize-deprecated-headers): newlocale and uselocale are POSIX
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <iomanip>
#include <new>
#include <span>
#include <vector>

#include "cmdline/cmd_params.h"
#include "text/console_output.h"
#include "text/number_text.h"

namespace {

// Room the formatting buffer keeps beyond the format's own length.
constexpr std::size_t format_headroom = 256;
constexpr std::size_t bytes_per_dump_line = 16;
// A diagnostics file the run creates: readable by everyone, writable by its owner, as the
// results file.
constexpr int diag_file_mode = 0644;

// A UTF-8 character-type locale for the formatter. %ls arguments (wide paths and names
// read from the evidence) are converted by the thread's locale; under the "C" locale every
// character above 0x7F fails and the item would be lost. Null when the system has none.
locale_t utf8_ctype_locale() {
    static const locale_t locale = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            locale_t made = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
            if (made != static_cast<locale_t>(nullptr)) {
                return made;
            }
        }
        return static_cast<locale_t>(nullptr);
    }();
    return locale;
}

// Switches this thread to the UTF-8 character-type locale for one formatting call.
class scoped_utf8_ctype {
public:
    scoped_utf8_ctype() {
        const locale_t utf8 = utf8_ctype_locale();
        if (utf8 != static_cast<locale_t>(nullptr)) {
            m_previous = uselocale(utf8);
            m_switched = true;
        }
    }
    ~scoped_utf8_ctype() {
        if (m_switched) {
            uselocale(m_previous);
        }
    }
    scoped_utf8_ctype(const scoped_utf8_ctype&) = delete;
    scoped_utf8_ctype& operator=(const scoped_utf8_ctype&) = delete;

private:
    locale_t m_previous = static_cast<locale_t>(nullptr);
    bool m_switched = false;
};

// Formats into the buffer with a limit of its size minus 1, so at most size - 2 characters
// appear. A formatting error still leaves a terminated text: the buffer starts zeroed and
// its last byte is set to 0.
__attribute__((format(printf, 2, 0))) std::string format_into(std::span<char> buffer,
                                                              const char* format, va_list args) {
    int written = 0;
    {
        const scoped_utf8_ctype utf8;
        written = std::vsnprintf(buffer.data(), buffer.size() - 1, format, args);
    }
    if (written < 0) {
        buffer.back() = 0;
    }
    return std::string(buffer.data());
}

__attribute__((format(printf, 1, 0))) std::string format_text(const char* format, va_list args) {
    std::vector<char> buffer;
    try {
        buffer.assign(std::strlen(format) + format_headroom, 0);
    } catch (const std::bad_alloc&) {
        std::array<char, format_headroom> fallback{};
        return format_into(fallback, format, args);
    }
    return format_into(buffer, format, args);
}

// One line of a dump: offset, the bytes in hex, then as characters. A short last line is
// filled with three blanks per missing byte so its characters line up with full lines.
void dump_line(std::ostringstream& out, std::span<const uint8> line, uint64 offset) {
    out << "0x" << std::setw(8) << offset << " : ";
    for (const uint8 b : line) {
        out << std::setw(2) << static_cast<unsigned>(b) << ' ';
    }
    for (std::size_t i = line.size(); i < bytes_per_dump_line; ++i) {
        out << "   ";
    }
    out << "  ";
    for (const uint8 b : line) {
        out << ((b >= 0x20 && b <= 0x7E) ? static_cast<char>(b) : '.');
    }
}

std::string hex_dump_text(std::span<const uint8> bytes, uint64 base) {
    std::ostringstream out;
    out << std::hex << std::setfill('0') << std::right;
    out << "[0x" << bytes.size() << "]";
    for (std::size_t at = 0; at < bytes.size(); at += bytes_per_dump_line) {
        const std::size_t count = std::min(bytes_per_dump_line, bytes.size() - at);
        out << '\n';
        dump_line(out, bytes.subspan(at, count), base + at);
    }
    return out.str();
}

}  // namespace

// ---- Stream management ----

// Every diagnostics stream appends: a copy of the options opens a second stream on the same
// file, and a stream writing at its own position would overwrite the other's items. A path
// that exists and is no regular file is refused before it is opened: a FIFO would block the
// open until some reader comes, a device would take the items for whatever it does. What was
// opened is checked again on the descriptor, in case the name changed in between, and only
// then emptied: never a file the checks did not see.
std::unique_ptr<uni::fd_ostream> cmd_params::open_diag_stream(const std::string& path,
                                                              bool truncate) {
    struct stat64 info {};
    if (path.empty() || (::stat64(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))) {
        return nullptr;
    }
    const int flags = O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC | (truncate ? O_CREAT : 0);
    const int fd = ::open64(path.c_str(), flags, static_cast<mode_t>(diag_file_mode));
    if (fd == -1) {
        return nullptr;
    }
    auto stream = std::make_unique<uni::fd_ostream>(fd);
    if (::fstat64(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        (truncate && ::ftruncate64(fd, 0) != 0)) {
        return nullptr;
    }
    return stream;
}

void cmd_params::start_diag(std::unique_ptr<uni::fd_ostream> stream, const std::string& path) {
    m_diag_path = path;
    m_diag_stream = std::move(stream);
    m_diag_on = true;
    m_diag_write_failed = false;
    diag_line(m_command_line);
}

bool cmd_params::open_diag_file(const std::string& path) {
    (void)close_diag_file();  // always true
    auto stream = open_diag_stream(path, true);
    if (!stream) {
        m_diag_path.clear();
        return false;
    }
    start_diag(std::move(stream), path);
    return true;
}

bool cmd_params::attach_diag_file(int fd, const std::string& path) {
    (void)close_diag_file();  // always true
    if (fd == -1) {
        m_diag_path.clear();
        return false;
    }
    auto stream = std::make_unique<uni::fd_ostream>(fd);
    // Appending, as every diagnostics stream does; the caller emptied the file.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags == -1 || ::fcntl(fd, F_SETFL, flags | O_APPEND) == -1) {
        m_diag_path.clear();
        return false;
    }
    start_diag(std::move(stream), path);
    return true;
}

bool cmd_params::close_diag_file() {
    if (m_diag_on && m_diag_stream) {
        m_diag_stream->close();
        m_diag_stream.reset();
        m_diag_on = false;
    }
    return true;
}

void cmd_params::flush_diag() const {
    if (diag_writable()) {
        m_diag_stream->flush();
    }
}

void cmd_params::clear_diag_state() const {
    if (diag_writable()) {
        m_diag_stream->clear();
    }
}

bool cmd_params::diag_writable() const {
    return m_diag_on && m_diag_stream != nullptr && !m_diag_write_failed;
}

// One write per item, then a flush: items reach the file whole and at once. A write that
// fails (a full disk, a file-size limit) is noted; later items are not tried, as a file
// missing an item in its middle would read as complete.
void cmd_params::write_diag_item(const std::string& text) const {
    if (!m_diag_stream || m_diag_write_failed) {
        return;
    }
    std::string item;
    item.reserve(text.size() + 3);
    item += "->";
    item += text;
    item += '\n';
    m_diag_stream->write(item.data(), static_cast<std::streamsize>(item.size()));
    m_diag_stream->flush();
    if (!m_diag_stream->good()) {
        m_diag_write_failed = true;
    }
}

// ---- Line writers ----

void cmd_params::diag_line(const std::string& text) const {
    if (diag_writable()) {
        write_diag_item(text);
    }
}

void cmd_params::diag_line_level(int32 level, const std::string& text) const {
    if (diag_writable() && m_diag_level >= level) {
        write_diag_item(text);
    }
}

void cmd_params::diag_stream(const std::ostringstream& text) const {
    if (diag_writable()) {
        write_diag_item(text.str());
    }
}

void cmd_params::diag_stream_level(int32 level, const std::ostringstream& text) const {
    if (diag_writable() && m_diag_level >= level) {
        write_diag_item(text.str());
    }
}

void diag_text(const cmd_params* options, const std::string& text) {
    if (options != nullptr && !text.empty()) {
        options->diag_line(text);
    }
}

void diag_stream_text(const cmd_params* options, const std::ostringstream& text) {
    if (options != nullptr) {
        options->diag_stream(text);
    }
}

// ---- Printf family ----

void cmd_params::diag_printf(const char* format, ...) const {
    va_list args;
    va_start(args, format);
    diag_vprintf(nullptr, nullptr, format, args);
    va_end(args);
}

void cmd_params::diag_printf_labelled(const char* label, const char* suffix, const char* format,
                                      ...) const {
    va_list args;
    va_start(args, format);
    diag_vprintf(label, suffix, format, args);
    va_end(args);
}

void cmd_params::diag_printf_level(int32 level, const char* format, ...) const {
    if (m_diag_level < level) {
        return;
    }
    va_list args;
    va_start(args, format);
    diag_vprintf(nullptr, nullptr, format, args);
    va_end(args);
}

void diag_msg(const cmd_params* options, const char* format, ...) {
    if (options == nullptr || !options->m_diag_on || !options->m_diag_stream) {
        return;
    }
    va_list args;
    va_start(args, format);
    options->diag_vprintf_raw(nullptr, nullptr, format, args);
    va_end(args);
}

void cmd_params::diag_vprintf(const char* label, const char* suffix, const char* format,
                              va_list args) const {
    if (diag_writable()) {
        diag_vprintf_raw(label, suffix, format, args);
    }
}

void cmd_params::diag_vprintf_raw(const char* label, const char* suffix, const char* format,
                                  va_list args) const {
    if (format == nullptr) {
        return;
    }
    std::string text;
    if (label != nullptr) {
        text += label;
        text += " : ";
    }
    text += format_text(format, args);
    if (suffix != nullptr) {
        text += ": ";
        text += suffix;
    }
    write_diag_item(text);
}

// ---- Values and bytes ----

void diag_value_line(const cmd_params* options, const char* label, uint64 value, uint64 second,
                     uint32 number) {
    if (options == nullptr || label == nullptr || !options->m_diag_on) {
        return;
    }
    std::ostringstream text;
    text << label << ": " << uint64_to_text(value, true, 2);
    if (second != 0) {
        text << "/" << uint64_to_text(second, true, 2);
    }
    if (number != 0) {
        text << " [" << number << "]";
    }
    diag_stream_text(options, text);
}

void cmd_params::diag_hex_dump(const uint8* bytes, int32 length, uint64 base) const {
    if (!diag_writable() || bytes == nullptr || length <= 0) {
        return;
    }
    write_diag_item(hex_dump_text(std::span(bytes, static_cast<std::size_t>(length)), base));
}

void cmd_params::diag_hex_dump_level(int32 level, const uint8* bytes, int32 length,
                                     uint64 base) const {
    if (m_diag_level >= level) {
        diag_hex_dump(bytes, length, base);
    }
}

// ---- Status line ----

void cmd_params::clear_status_line() const {
    if (m_status_output) {
        ::clear_status_line();
    }
}

void clear_status_line_if(const cmd_params* options) {
    if (options != nullptr) {
        options->clear_status_line();
    }
}

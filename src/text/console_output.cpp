#include "text/console_output.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "text/control_escape.h"
#include "text/text_replace.h"

namespace {

constexpr char erase_line_long[] = "\x1b[2K\r                           \r";
constexpr char erase_line_short[] = "\x1b[2K\r    \r";

// A status line never runs wider than this, whatever its caller asks.
constexpr uint32 max_status_width = 70;
// Width of the progress lines on standard error and standard output.
constexpr uint32 status_width = 60;
// Buffer of a status line unless the width asks for more.
constexpr uint32 status_buffer = 256;
constexpr std::size_t title_buffer = 256;

void write_text(std::FILE* stream, const std::string& text) {
    // Advisory output: a terminal that is gone is no reason to stop an examination.
    (void)std::fwrite(text.data(), 1, text.size(), stream);
}

// Formats the whole text; false on a formatting error.
bool format_all(std::string& out, const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    if (length < 0) {
        va_end(again);
        return false;
    }
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    const int written = std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    if (written != length) {
        return false;
    }
    out.assign(text.data(), static_cast<std::size_t>(length));
    return true;
}

// A message names files and repeats the library's errors, and a name from a walked folder,
// a file list or a table of the evidence may hold an escape sequence or a carriage return
// that would rewrite lines above it on the examiner's terminal. Every control but the line
// feed and the tab is written as a visible escape, as in the report's cells.
void escape_message_controls(std::string& text) {
    (void)escape_terminal_controls(text);  // edits in place
    constexpr char carriage_return = '\r';
    std::size_t at = text.find(carriage_return);
    while (at != std::string::npos) {
        text.replace(at, 1, "\\x0d");
        at = text.find(carriage_return, at);
    }
}

// Erase sequences and carriage returns only make sense to a terminal; in a log file they
// are noise around every line.
bool is_terminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

}  // namespace

int stderr_printf(const char* format, ...) {
    clear_status_line();
    if (format == nullptr) {
        return 0;
    }
    va_list args;
    va_start(args, format);
    std::string text;
    const bool formatted = format_all(text, format, args);
    va_end(args);
    if (!formatted) {
        return 0;
    }
    escape_message_controls(text);
    // Messages of any length are written whole: a long path in an error line is exactly
    // what the examiner needs to see.
    write_text(stderr, text);
    std::fflush(stderr);
    return static_cast<int>(text.size());
}

void clear_status_line() {
    if (!is_terminal(stderr)) {
        return;
    }
    std::fputs(erase_line_long, stderr);
    std::fflush(stderr);
}

void clear_status_line_short() {
    if (!is_terminal(stderr)) {
        return;
    }
    std::fputs(erase_line_short, stderr);
    std::fflush(stderr);
}

bool set_terminal_title(const char* title) {
    if (title == nullptr) {
        return false;
    }
    std::printf("\33]0;%s\a", title);
    std::fflush(stdout);
    return true;
}

int set_terminal_title_printf(const char* format, ...) {
    if (format == nullptr) {
        return 0;
    }
    char title[title_buffer] = {};
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(title, sizeof title, format, args);
    va_end(args);
    if (length < 0) {
        return 0;
    }
    (void)set_terminal_title(title);  // cannot fail: the title is not null
    return length;
}

int print_status(bool to_stderr, uint32 width, const char* format, va_list args,
                 bool as_title) {
    if (format == nullptr) {
        return 0;
    }
    const uint32 buffer_size = width <= status_buffer ? status_buffer : width + 1;
    std::vector<char> buffer(buffer_size, '\0');
    const int formatted = std::vsnprintf(buffer.data(), buffer.size(), format, args);
    if (formatted < 0) {
        return 0;
    }
    uint32 kept = static_cast<uint32>(formatted);
    kept = kept > width ? width : kept;
    kept = kept >= buffer_size ? buffer_size - 1 : kept;
    std::FILE* stream = to_stderr ? stderr : stdout;
    // Away from a terminal nothing can be drawn over: each status becomes a plain line.
    const bool redraw = !as_title && is_terminal(stream);
    std::string line;
    if (redraw) {
        line = erase_line_short;
    }
    line.append(buffer.data(), kept);
    if (redraw) {
        line += '\r';
    }
    // A line feed would scroll the status line away instead of drawing over it.
    (void)remove_char(line, '\n');
    if (!as_title && !redraw) {
        line += '\n';
    }
    if (as_title && !to_stderr) {
        (void)set_terminal_title(line.c_str());  // cannot fail: the title is not null
        return static_cast<int>(kept);
    }
    write_text(stream, line);
    std::fflush(stream);
    return static_cast<int>(kept);
}

int print_status_err(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int kept = print_status(true, status_width, format, args, false);
    va_end(args);
    return kept;
}

int print_status_out(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int kept = print_status(false, status_width, format, args, false);
    va_end(args);
    return kept;
}

int print_status_width(int width, const char* format, ...) {
    const auto asked = static_cast<uint32>(width);
    va_list args;
    va_start(args, format);
    const int kept =
        print_status(true, asked > max_status_width ? max_status_width : asked, format, args,
                     false);
    va_end(args);
    return kept;
}

int print_colored(int foreground, int background, int selector, const char* format, ...) {
    std::printf("%c[%d;%d;%dm", 0x1B, 1, 30 + foreground, 40 + background);
    if (format != nullptr) {
        va_list args;
        va_start(args, format);
        std::vprintf(format, args);
        va_end(args);
    }
    std::fprintf(selector == 2 ? stderr : stdout, "%c[%d;%d;%dm", 0x1B, 0, 37, 40);
    return 0;
}

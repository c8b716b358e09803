#include "text/extras/progress_meter.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "cmdline/cmd_params.h"
#include "text/console_output.h"
#include "text/text_replace.h"

namespace {

namespace pf = progress_flags;

constexpr char erase_sequence[] = "\x1b[2K";
// The erase sequence itself: what a title or a diagnostics item does without.
constexpr std::size_t erase_length = sizeof erase_sequence - 1;
// Prefix of a meter update on the console: erase, back to the line start.
constexpr char update_prefix[] = "\x1b[2K\r";
// Prefix of a printed text and of a status line: erase, four blanks over what the erase
// sequence may have left on a terminal without it, back to the line start.
constexpr char line_prefix[] = "\x1b[2K\r    \r";
constexpr char percent_caption[] = "Percent done: ";
constexpr char title_caption[] = "percent complete: ";
// A text is formatted into the width plus this much before it is cut.
constexpr std::size_t format_slack = 256;
constexpr uint32 status_stdout_width = 60;
// Blanks over the longest position line, once the end is reached.
constexpr std::size_t hex_line_blanks = 45;
constexpr uint64 complete = 100;

void write_raw(std::FILE* stream, const std::string& text) {
    // Advisory output: a console that is gone is no reason to stop.
    (void)std::fwrite(text.data(), 1, text.size(), stream);
}

void drop_erase(std::string& text) { text.erase(0, std::min(erase_length, text.size())); }

// current * 100 / total, exact for every amount (the product can pass 2^64); only called
// with current below total, so the quotient is below 100.
__extension__ using uint128 = unsigned __int128;

uint32 percent_of(uint64 current, uint64 total) {
    const uint128 product = static_cast<uint128>(current) * complete;
    return static_cast<uint32>(product / total);
}

}  // namespace

bool progress_meter::any_channel() const {
    return (m_flags & (pf::title | pf::console | pf::diagnostics)) != 0;
}

std::size_t progress_meter::width() const {
    return m_width < 0 ? 0 : static_cast<std::size_t>(m_width);
}

void progress_meter::show(std::string text, bool prefixed) const {
    if (text.size() > width()) {
        text.resize(width());
    }
    if ((m_flags & pf::console) != 0) {
        text += '\r';
        // Console lines are not flushed: a meter may draw often, the stream flushes itself.
        if ((m_flags & pf::to_stderr) != 0) {
            write_raw(stderr, text);
        } else if ((m_flags & pf::to_stdout) != 0) {
            write_raw(stdout, text);
        }
    }
    if (prefixed) {
        // The title and the diagnostics item cannot use the erase sequence; the carriage
        // returns stay.
        drop_erase(text);
    }
    if ((m_flags & pf::title) != 0) {
        (void)set_terminal_title(text.c_str());  // cannot fail: the title is not null
    }
    if ((m_flags & pf::diagnostics) != 0) {
        diag_text(m_params, text);
    }
}

void progress_meter::update(uint64 current) {
    if (!any_channel() || (m_flags & pf::updates) == 0 || m_last_percent == complete) {
        return;
    }
    const bool prefixed = (m_flags & pf::console) != 0;
    std::string text = prefixed ? update_prefix : "";
    text += percent_caption;
    if (current < m_total) {
        const uint32 percent = percent_of(current, m_total);
        if (percent == 0 || percent < m_step ||
            static_cast<uint64>(percent) < static_cast<uint64>(m_last_percent) + m_step) {
            return;
        }
        m_last_percent = percent;
        text += std::to_string(percent);
    } else {
        // Also a total of 0: nothing is left to do, so the work is complete.
        m_last_percent = complete;
        text += std::to_string(complete);
    }
    text += '%';
    show(std::move(text), prefixed);
}

void progress_meter::print_plain(const std::string& message) {
    const bool prefixed = (m_flags & pf::console) != 0;
    std::string text = prefixed ? line_prefix : "";
    text.append(message, 0, std::min(message.size(), width()));
    show(std::move(text), prefixed);
}

void progress_meter::print_format(const char* format, ...) {
    if (format == nullptr || !any_channel()) {
        return;
    }
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        return;
    }
    // At most width + 255 characters are kept; the buffer is no larger than the text needs,
    // so a huge width costs nothing.
    const std::size_t kept = std::min(static_cast<std::size_t>(length), width() + format_slack - 1);
    std::vector<char> buffer(kept + 1, '\0');
    (void)std::vsnprintf(buffer.data(), buffer.size(), format, again);  // length known
    va_end(again);
    print_plain(std::string(buffer.data(), kept));
}

void progress_meter::print_stream(const std::ostringstream& text) {
    if (any_channel()) {
        print_plain(text.str());
    }
}

void progress_meter::print_text(const std::string& text) {
    if (any_channel()) {
        print_plain(text);
    }
}

void print_status_stdout_format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    (void)print_status(false, status_stdout_width, format, args, false);  // length not needed
    va_end(args);
}

void set_title_percent(uint64 current, uint64 total) {
    // A total of 0 (nothing to do) and an amount past the total are complete.
    const uint32 percent = current < total ? percent_of(current, total) : complete;
    const std::string title = title_caption + std::to_string(percent);
    (void)set_terminal_title(title.c_str());  // cannot fail: the title is not null
}

int32 set_title_prefix(int32 n, const std::string& text) {
    const std::size_t limit = n < 0 ? 0 : static_cast<std::size_t>(n);
    const std::string title = text.substr(0, std::min(limit, text.size()));
    (void)set_terminal_title(title.c_str());  // cannot fail: the title is not null
    return static_cast<int32>(title.size());
}

int32 set_title_prefix_stream(int32 n, const std::ostringstream& text) {
    return set_title_prefix(n, text.str());
}

int32 status_line_limited(uint32 n, const std::string& text) {
    if (text.empty()) {
        return 0;
    }
    const std::size_t shown = std::min(static_cast<std::size_t>(n), text.size());
    std::string line = line_prefix;
    line.append(text, 0, shown);
    line += '\r';
    // A line feed would scroll the status line away instead of drawing over it.
    (void)remove_char(line, '\n');
    write_raw(stderr, line);
    std::fflush(stderr);
    return static_cast<int32>(shown);
}

void status_line_final(const std::string& text) {
    std::string line = line_prefix;
    line += text;
    line += '\n';
    write_raw(stderr, line);
    std::fflush(stderr);
}

void hex_progress_line(uint64 current, uint64 total) {
    std::string line = update_prefix;
    if (current < total) {
        char numbers[64] = {};
        (void)std::snprintf(numbers, sizeof numbers, " --> 0x%" PRIx64 " of 0x%" PRIx64 "\r",
                            current, total);  // always fits: two 16-digit numbers
        line += numbers;
    } else {
        line.append(hex_line_blanks, ' ');
    }
    write_raw(stderr, line);
    std::fflush(stderr);
}

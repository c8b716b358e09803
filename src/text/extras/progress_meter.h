#pragma once
// Console feedback beyond the status line of the run: a progress meter that shows "Percent
// done: " on the console, in the terminal title and in the diagnostics file, single status
// lines that end a series with a normal line, title texts and a hexadecimal position line.
//
// Every console line rewrites the current one: ESC "[2K" erases it and a carriage return
// brings the cursor back. These writers send the control sequences wherever the stream
// goes, so a captured console shows exactly what a terminal would have been sent.

#include <cstdarg>
#include <sstream>
#include <string>

#include "text/kq_types.h"

class cmd_params;

namespace progress_flags {
inline constexpr uint32 title = 0x1;        // the text becomes the terminal title
inline constexpr uint32 console = 0x2;      // the text is a console line: prefix and final CR
inline constexpr uint32 diagnostics = 0x4;  // the text is a diagnostics item of m_params
inline constexpr uint32 updates = 0x8;      // progress_meter::update is enabled
inline constexpr uint32 to_stderr = 0x10;   // the console line goes to standard error
inline constexpr uint32 to_stdout = 0x20;   // ... or to standard output when 0x10 is clear
}  // namespace progress_flags

// Filled by its owner; the operations only read the settings and keep m_last_percent.
struct progress_meter {
    uint32 m_reserved_a = 0;
    int32 m_width = 0;  // longest text shown, the console prefix included; below 0 counts as 0
    uint32 m_flags = 0;
    uint32 m_reserved_b = 0;
    uint64 m_total = 0;              // the amount that counts as 100 percent
    uint32 m_last_percent = 0;       // the percentage shown last; 100 once complete
    uint32 m_step = 0;               // smallest percentage, and smallest advance, shown
    cmd_params* m_params = nullptr;  // owner of the diagnostics file; may be null

    // "Percent done: N%" when the percentage reached the step and grew by at least a step
    // since the last one shown; "Percent done: 100%" once, when current reaches the total.
    void update(uint64 current);
    void print_format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Takes the stream's text.
    void print_stream(const std::ostringstream& text);
    void print_text(const std::string& text);

private:
    // text is the prefix (when prefixed) followed by the message.
    void show(std::string text, bool prefixed) const;
    [[nodiscard]] bool any_channel() const;
    [[nodiscard]] std::size_t width() const;
    void print_plain(const std::string& text);
};

// A status line on standard output by print_status: the stream's text is the printf format,
// the line is 60 characters at most.
void print_status_stdout_format(const char* format, ...);
template <typename... Args>
void print_status_stdout(const std::ostringstream& format, Args... args) {
    const std::string text = format.str();
    print_status_stdout_format(text.c_str(), args...);
}
// Title "percent complete: N"; a total of 0 shows 100, as the meter treats it as complete.
void set_title_percent(uint64 current, uint64 total);
// The title becomes text cut to its first n characters; returns the title's length.
int32 set_title_prefix(int32 n, const std::string& text);
int32 set_title_prefix_stream(int32 n, const std::ostringstream& text);
// ESC "[2K" CR, four blanks, CR, the first n characters of text with line feeds removed and
// CR, on standard error; returns n after it is capped at the text's length (0: empty text).
int32 status_line_limited(uint32 n, const std::string& text);
// The same line ended by a line feed instead: the status series ends with a normal line.
void status_line_final(const std::string& text);
// ESC "[2K" CR, then " --> 0x<current> of 0x<total>" CR, or 45 blanks once current reaches
// total, on standard error.
void hex_progress_line(uint64 current, uint64 total);

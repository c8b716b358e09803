#pragma once
// Terminal output: the error printer, the self-erasing status line used for progress
// ("percent done: %4.2f"), the window title and coloured text, all with plain ANSI/VT100
// escape sequences. No state is kept between calls, and no write failure is reported:
// this is advisory output for the person at the terminal. Erase sequences and carriage
// returns are written only to a terminal: where standard error is a file or a pipe,
// clearing writes nothing and each status is a plain line.

#include <cstdarg>

#include "text/kq_types.h"

// Clears the status line, then writes the whole formatted text to standard error, every
// control character but line feed and tab as a visible escape ("\x1b", "\x0d"); returns
// the length written, 0 for a null format or a formatting error.
int stderr_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// ESC "[2K", CR, 27 blanks, CR on standard error (a terminal).
void clear_status_line();
// ESC "[2K", CR, 4 blanks, CR on standard error (a terminal).
void clear_status_line_short();

[[nodiscard]] bool set_terminal_title(const char* title);
int set_terminal_title_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// One status line drawn over the previous one: erase, text cut to `width`, CR; line feeds
// are dropped so the line never scrolls. Away from a terminal: the cut text and one line
// feed. Returns the length of the text kept.
int print_status(bool to_stderr, uint32 width, const char* format, va_list args,
                 bool as_title) __attribute__((format(printf, 3, 0)));
int print_status_err(const char* format, ...) __attribute__((format(printf, 1, 2)));
int print_status_out(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Width capped at 70, the width of the narrowest terminal the progress line must fit.
int print_status_width(int width, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Coloured text on standard output; the colour is switched off on standard error when the
// selector is 2, else on standard output. Returns 0.
int print_colored(int foreground, int background, int selector, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

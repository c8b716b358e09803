#pragma once
// The "percent done" progress of one input on standard error. The work of the whole input
// is announced before it starts, so the figure only ever grows; it is drawn at most ten
// times a second, and 100 is drawn once, when the input is finished. On a terminal each
// update redraws the status line; elsewhere (a log file) each update is a plain line and no
// control codes are written (console_output.h decides).

#include "text/kq_types.h"

class percent_progress {
public:
    // Milliseconds of a clock that never goes back.
    using clock_fn = uint64 (*)();

    // Draws nothing unless enabled ("-quiet" turns progress off). clock null: the steady
    // clock of the process.
    explicit percent_progress(bool enabled, clock_fn clock = nullptr);

    // Announces bytes of work still to come for this input.
    void add_work(uint64 bytes);
    // Counts bytes of work done; draws when the figure grew and the last drawing is at
    // least the minimum interval old.
    void advance(uint64 bytes);
    // Draws 100 once when there was work, then clears the status line.
    void finish();

    // The figure last drawn, in hundredths of a percent; -1 before the first.
    [[nodiscard]] int64 shown() const { return m_shown; }

private:
    void draw(int64 hundredths);

    bool m_enabled = false;
    clock_fn m_clock = nullptr;
    uint64 m_total = 0;
    uint64 m_done = 0;
    int64 m_shown = -1;
    uint64 m_last_draw = 0;
    bool m_finished = false;
};
